// The editor opened from a real main window: 编辑 refused without a converted icon, then a
// picture converted through 选择图片, edited, accepted, abandoned and opened again.
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "editor_fixture.h"
#include "platform/color_picker.h"
#include "ui/main/main_window.h"

namespace icogen::ui::testing {
namespace {

EditorWindow& editorOf(QDialog& dialog) {
    return static_cast<EditorWindow&>(dialog);
}

void paintAt(EditorWindow& e, QPoint client) {
    QTest::mousePress(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
    QTest::mouseRelease(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
}

class EditorFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        initProgramState(state);
        window = std::make_unique<MainWindow>(state, desktop, [] {});
        // A 32x32 picture in which every pixel has its own colour.
        QImage picture(32, 32, QImage::Format_RGB32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) picture.setPixel(x, y, qRgb(8 * x, 8 * y, 255 - 4 * x));
        picturePath = dir.filePath(QStringLiteral("picture.bmp"));
        ASSERT_TRUE(picture.save(picturePath, "BMP"));
    }
    void TearDown() override { EXPECT_TRUE(desktop.allAnswersUsed()); }

    void convert(QRadioButton* format) {
        format->setChecked(true);
        desktop.confirmFileDialog(picturePath);
        window->选择图片->click();
        ASSERT_FALSE(state.outputIcon.empty());
    }
    void edit(test::ScriptedDesktop::ModalScript script) {
        desktop.queueModal(std::move(script));
        window->编辑->click();
    }
    void expectRefused() {
        ASSERT_FALSE(desktop.messages().empty());
        const auto m = desktop.messages().back();
        EXPECT_EQ(m.text, QStringLiteral("还未进行转换！"));
        EXPECT_EQ(m.title, QStringLiteral("警告"));
        EXPECT_EQ(m.icon, platform::MessageIcon::Warning);
        EXPECT_EQ(m.buttons, platform::MessageButtons::Ok);
    }

    QTemporaryDir dir;
    QString picturePath;
    ProgramState state;
    test::ScriptedDesktop desktop;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EditorFlow, EditIsRefusedBeforeAnyConversion) {
    window->编辑->click();
    expectRefused();
    EXPECT_TRUE(desktop.modalRuns().empty());
    EXPECT_TRUE(state.colorGrid16.empty());
    EXPECT_TRUE(state.colorGrid32.empty());
    EXPECT_TRUE(state.workIcon32.empty());
    EXPECT_EQ(state.editSize, 0);
}

TEST_F(EditorFlow, EditIsRefusedWhenTheCheckedFormatNamesASizeNeverConverted) {
    convert(window->单选框2);  // 32x32 only
    const ByteBuffer converted = state.outputIcon;
    for (QRadioButton* format : {window->单选框1, window->单选框3}) {
        SCOPED_TRACE(format->text().toStdString());
        desktop.clearRecords();
        format->setChecked(true);
        window->编辑->click();
        expectRefused();
        EXPECT_TRUE(desktop.modalRuns().empty());
        EXPECT_TRUE(state.colorGrid16.empty());
        EXPECT_TRUE(state.workIcon16.empty());
        EXPECT_EQ(state.outputIcon, converted);
    }
}

TEST_F(EditorFlow, EditAcceptReopenAndAbandon) {
    convert(window->单选框2);
    const ByteBuffer converted = state.outputIcon;
    const ByteBuffer rows = state.pixels32;
    ASSERT_EQ(converted, icon::fillTemplate32(rows));

    // Open on the converted picture, paint the top-left pixel transparent, accept.
    edit([&](QDialog& d) {
        EditorWindow& e = editorOf(d);
        EXPECT_TRUE(e.isVisible());
        EXPECT_EQ(state.editSize, 2);
        EXPECT_TRUE(e.标签1->isHidden());
        EXPECT_EQ(e.画板1->raster().pixel(4, 4), state.colorGrid32.at(31, 0));
        paintAt(e, {3, 3});
        QTest::mouseClick(e.按钮1, Qt::LeftButton);
    });
    ASSERT_EQ(desktop.modalRuns(), std::vector<QString>{QStringLiteral("图标编辑")});
    ByteBuffer accepted = converted;
    icon::patchWorkIcon(accepted, 2, 1, 1, true, 0);
    EXPECT_EQ(state.outputIcon, accepted);
    EXPECT_EQ(window->图标画板2->backgroundPicture(), accepted);
    EXPECT_EQ(window->图标画板2->raster().pixel(0, 0), themeBackColor);  // shown transparent
    EXPECT_EQ(state.pixels32, rows);

    // Opened again, the grid shows the converted picture; accepting at once brings it back.
    edit([&](QDialog& d) {
        EditorWindow& e = editorOf(d);
        EXPECT_EQ(state.workIcon32, converted);
        EXPECT_EQ(e.画板1->raster().pixel(4, 4),
                  rgb(rows[3 * 31 * 32 + 2], rows[3 * 31 * 32 + 1], rows[3 * 31 * 32]));
        QTest::mouseClick(e.按钮1, Qt::LeftButton);
    });
    EXPECT_EQ(state.outputIcon, converted);

    // Edits accepted, then a later opening abandoned with Yes: the accepted edits stay.
    edit([&](QDialog& d) {
        paintAt(editorOf(d), {3, 3});
        QTest::mouseClick(editorOf(d).按钮1, Qt::LeftButton);
    });
    desktop.answerYes();
    edit([&](QDialog& d) {
        paintAt(editorOf(d), {100, 100});
        QTest::mouseClick(editorOf(d).按钮2, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(state.outputIcon, accepted);
    EXPECT_EQ(window->图标画板2->backgroundPicture(), accepted);
}

TEST_F(EditorFlow, TwoSizeEditsAfterAOneSizeConversionMakeAFullTwoImageFile) {
    convert(window->单选框3);  // both sizes: rows of each are at hand
    const ByteBuffer rows32 = state.pixels32;
    convert(window->单选框1);  // then a one-image 16x16 icon
    ASSERT_EQ(state.outputIcon.size(), icon::template16Size);
    const ByteBuffer rows16 = state.pixels16;
    ASSERT_EQ(state.pixels32, rows32);

    window->单选框3->setChecked(true);
    edit([this](QDialog& d) {
        EditorWindow& e = editorOf(d);
        EXPECT_EQ(state.editSize, 1);
        EXPECT_FALSE(e.画板3->isHidden());
        QTest::mouseClick(e.单选框2, Qt::LeftButton);
        e.颜色选择器1->setColor(rgb(9, 8, 7));
        paintAt(e, {0, 0});
        QTest::mouseClick(e.按钮1, Qt::LeftButton);
    });
    ByteBuffer icon16 = icon::fillTemplate16(rows16);
    icon::patchWorkIcon(icon16, 1, 1, 1, false, rgb(9, 8, 7));
    ByteBuffer expected = icon::fillTemplateDual(rows16, rows32);
    icon::putImageBlocks(expected, icon16, icon::fillTemplate32(rows32));
    ASSERT_EQ(state.outputIcon.size(), icon::templateDualSize);
    EXPECT_EQ(state.outputIcon, expected);
    EXPECT_TRUE(icon::isTwoImageFile(state.outputIcon));
}

}  // namespace
}  // namespace icogen::ui::testing
