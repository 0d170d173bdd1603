// Ending the editor: 确定 carries the working icons into outputIcon and the result boards,
// 取消 asks first, Esc and the close box drop the edits.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "editor_fixture.h"
#include "platform/color_picker.h"

namespace icogen::ui::testing {
namespace {

using Script = test::ScriptedDesktop::ModalScript;

EditorWindow& editorOf(QDialog& dialog) {
    return static_cast<EditorWindow&>(dialog);
}

void paintAt(EditorWindow& e, QPoint client) {
    QTest::mousePress(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
    QTest::mouseRelease(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
}

class EditorAccept : public EditorTest {
  protected:
    // Opens the editor modally and runs `script` in it; returns whether it closed.
    bool run(IconFormat f, Script script) {
        auto editor = openEditor(f);
        desktop.queueModal(std::move(script));
        desktop.runModal(*editor);
        return !editor->isVisible();
    }
};

struct AcceptCase {
    const char* name;
    IconFormat converted;  // the conversion made before
    IconFormat format;     // the format checked when the editor opens
    bool touches16, touches32;
};

TEST_F(EditorAccept, UnpaintedAcceptanceGivesTheConvertedIconOfTheFormat) {
    const AcceptCase cases[] = {
        {"16x16", IconFormat::Size16, IconFormat::Size16, true, false},
        {"32x32", IconFormat::Size32, IconFormat::Size32, false, true},
        {"both", IconFormat::Dual, IconFormat::Dual, true, true},
        // The format changed after a two-size conversion: a one-image 16x16 file.
        {"both, then 16x16", IconFormat::Dual, IconFormat::Size16, true, false},
        // The format changed after a 16x16 conversion while 32x32 rows were still at hand: the
        // 894-byte outputIcon has no room for two images; a fresh two-image file is made.
        {"16x16, then both", IconFormat::Size16, IconFormat::Dual, true, true},
    };
    for (const AcceptCase& c : cases) {
        SCOPED_TRACE(c.name);
        state = ProgramState{};
        result16.setBackgroundPicture({});
        result32.setBackgroundPicture({});
        state.pixels32 = patternRows(32, 11);  // left by an earlier conversion
        convert(c.converted);
        const ByteBuffer rows16 = state.pixels16, rows32 = state.pixels32;

        EXPECT_TRUE(run(c.format,
                        [](QDialog& d) { QTest::mouseClick(editorOf(d).按钮1, Qt::LeftButton); }));

        ByteBuffer expected;
        if (c.format == IconFormat::Size16) expected = icon::fillTemplate16(rows16);
        if (c.format == IconFormat::Size32) expected = icon::fillTemplate32(rows32);
        if (c.format == IconFormat::Dual) expected = icon::fillTemplateDual(rows16, rows32);
        EXPECT_EQ(state.outputIcon, expected);
        EXPECT_EQ(result16.backgroundPicture(),
                  c.touches16 ? icon::fillTemplate16(rows16) : ByteBuffer{});
        EXPECT_EQ(result32.backgroundPicture(),
                  c.touches32 ? icon::fillTemplate32(rows32) : ByteBuffer{});
        // The pixel rows are never written by the editor.
        EXPECT_EQ(state.pixels16, rows16);
        EXPECT_EQ(state.pixels32, rows32);
        EXPECT_TRUE(desktop.messages().empty());
    }
}

TEST_F(EditorAccept, OneTransparentPixelChangesItsColourBytesAndOneMaskBit) {
    convert(IconFormat::Size16);
    const ByteBuffer converted = state.outputIcon;
    EXPECT_TRUE(run(IconFormat::Size16, [](QDialog& d) {
        paintAt(editorOf(d), {100, 30});  // cell (6, 1): column 6, row 1 from the top
        QTest::mouseClick(editorOf(d).按钮1, Qt::LeftButton);
    }));
    ASSERT_EQ(state.outputIcon.size(), icon::template16Size);
    const std::size_t colour = 62 + 14 * 48 + 18;
    const std::size_t mask = 830 + 14 * 4;
    for (std::size_t i = 0; i < converted.size(); ++i) {
        if (i >= colour && i < colour + 3)
            EXPECT_EQ(state.outputIcon[i], 0) << i;
        else if (i == mask)
            EXPECT_EQ(state.outputIcon[i], converted[i] | 0x02) << i;
        else
            EXPECT_EQ(state.outputIcon[i], converted[i]) << i;
    }
    // The result board shows the icon through its mask: the transparent pixel shows the board's
    // background.
    EXPECT_EQ(result16.raster().pixel(6, 1), themeBackColor);
    EXPECT_EQ(result16.raster().pixel(5, 1), state.colorGrid16.at(14, 5));
}

TEST_F(EditorAccept, EditsOnBothGridsReachTheirOwnImageBlocks) {
    convert(IconFormat::Dual);
    EXPECT_TRUE(run(IconFormat::Dual, [](QDialog& d) {
        EditorWindow& e = editorOf(d);
        paintAt(e, {0, 0});  // 16x16 top-left, transparent
        QTest::mouseClick(e.标签2, Qt::LeftButton);
        QTest::mouseClick(e.单选框2, Qt::LeftButton);
        e.颜色选择器1->setColor(rgb(1, 2, 3));
        paintAt(e, {255, 255});  // 32x32 bottom-right
        QTest::mouseClick(e.按钮1, Qt::LeftButton);
    }));
    ByteBuffer expected16 = icon::fillTemplate16(state.pixels16);
    icon::patchWorkIcon(expected16, 1, 1, 1, true, 0);
    ByteBuffer expected32 = icon::fillTemplate32(state.pixels32);
    icon::patchWorkIcon(expected32, 2, 32, 32, false, rgb(1, 2, 3));
    ByteBuffer expected = icon::fillTemplateDual({}, {});
    icon::putImageBlocks(expected, expected16, expected32);
    EXPECT_EQ(state.outputIcon, expected);
    EXPECT_EQ(state.outputIcon[798], 0);     // 16x16 top-left blue byte
    EXPECT_EQ(state.outputIcon[906], 0x80);  // and its mask bit
    EXPECT_EQ(state.outputIcon[950 + 93], 3);
    EXPECT_EQ(result16.backgroundPicture(), expected16);
    EXPECT_EQ(result32.backgroundPicture(), expected32);
}

TEST_F(EditorAccept, AbandonAsksAndClosesOnlyOnYes) {
    convert(IconFormat::Size32);
    const ByteBuffer converted = state.outputIcon;
    desktop.answerNo();
    desktop.answerYes();
    ByteBuffer afterNo;
    EXPECT_TRUE(run(IconFormat::Size32, [&](QDialog& d) {
        EditorWindow& e = editorOf(d);
        paintAt(e, {10, 10});
        const ByteBuffer painted = state.workIcon32;
        QTest::mouseClick(e.按钮2, Qt::LeftButton);
        EXPECT_TRUE(e.isVisible());
        EXPECT_EQ(state.workIcon32, painted);
        paintAt(e, {20, 10});  // painting goes on
        afterNo = state.workIcon32;
        QTest::mouseClick(e.按钮2, Qt::LeftButton);
        EXPECT_FALSE(e.isVisible());
    }));
    EXPECT_NE(afterNo, icon::fillTemplate32(state.pixels32));
    ASSERT_EQ(desktop.messages().size(), 2u);
    for (const auto& m : desktop.messages()) {
        EXPECT_EQ(m.text, QStringLiteral("真的放弃编辑成果？"));
        EXPECT_EQ(m.title, QStringLiteral("信息"));
        EXPECT_EQ(m.icon, platform::MessageIcon::Information);
        EXPECT_EQ(m.buttons, platform::MessageButtons::YesNo);
    }
    EXPECT_EQ(state.outputIcon, converted);
    EXPECT_TRUE(result32.backgroundPicture().empty());
    EXPECT_TRUE(desktop.allAnswersUsed());
}

TEST_F(EditorAccept, EscapeAndTheCloseBoxDropTheEditsWithoutAsking) {
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Esc" : "close box");
        convert(IconFormat::Dual);
        const ByteBuffer converted = state.outputIcon;
        EXPECT_TRUE(run(IconFormat::Dual, [escape](QDialog& d) {
            EditorWindow& e = editorOf(d);
            paintAt(e, {0, 0});
            if (escape)
                QTest::keyClick(&e, Qt::Key_Escape);
            else
                e.close();
            EXPECT_FALSE(e.isVisible());
        }));
        EXPECT_EQ(state.outputIcon, converted);
        EXPECT_TRUE(result16.backgroundPicture().empty());
        EXPECT_TRUE(result32.backgroundPicture().empty());
        EXPECT_TRUE(desktop.messages().empty());
    }
}

TEST_F(EditorAccept, EnterDoesNotAccept) {
    convert(IconFormat::Size16);
    const ByteBuffer converted = state.outputIcon;
    EXPECT_TRUE(run(IconFormat::Size16, [](QDialog& d) {
        EditorWindow& e = editorOf(d);
        paintAt(e, {0, 0});
        // Neither button is a default button, focused or not.
        QTest::keyClick(e.按钮1, Qt::Key_Return);
        QTest::keyClick(&e, Qt::Key_Enter);
        EXPECT_TRUE(e.isVisible());
    }));
    EXPECT_EQ(state.outputIcon, converted);
}

}  // namespace
}  // namespace icogen::ui::testing
