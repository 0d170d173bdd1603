// The editor window as laid out: window frame, every control in place, colours, boards, cursor.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "editor_fixture.h"
#include "platform/color_picker.h"
#include "ui/editor/pen_cursor.h"

namespace icogen::ui::testing {
namespace {

using platform::DrawingBoard;

Color colorAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return rgb(c.red(), c.green(), c.blue());
}
Color paletteColor(const QWidget* w, QPalette::ColorRole role) {
    const QColor c = w->palette().color(role);
    return rgb(c.red(), c.green(), c.blue());
}

class EditorLayout : public EditorTest {};

TEST_F(EditorLayout, WindowIsAFixedModalDialogWithOnlyACloseBox) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    EXPECT_EQ(editor->windowTitle(), QStringLiteral("图标编辑"));
    EXPECT_TRUE(editor->isModal());
    EXPECT_EQ(editor->minimumSize(), QSize(402, 270));
    EXPECT_EQ(editor->maximumSize(), QSize(402, 270));
    const Qt::WindowFlags flags = editor->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(editor->windowIcon().isNull());
    EXPECT_EQ(paletteColor(editor.get(), QPalette::Window), themeBackColor);
    // Neither push button reacts to Enter.
    EXPECT_FALSE(editor->按钮1->autoDefault() || editor->按钮1->isDefault());
    EXPECT_FALSE(editor->按钮2->autoDefault() || editor->按钮2->isDefault());
}

TEST_F(EditorLayout, OpensCentredOnTheScreenWhereverTheMainWindowIs) {
    convert(IconFormat::Size32);
    QWidget owner;
    owner.setGeometry(5, 5, 100, 80);
    owner.show();
    format = IconFormat::Size32;
    state.colorGrid32 = colorGridFromPixelRows(state.pixels32, 32);
    EditorWindow editor(
        state, desktop, [this] { return format; }, &result16, &result32, &owner);
    editor.show();
    const QPoint centre = editor.screen()->availableGeometry().center();
    EXPECT_LE((editor.frameGeometry().center() - centre).manhattanLength(), 2)
        << editor.frameGeometry().center().x() << "," << editor.frameGeometry().center().y();
    EXPECT_EQ(editor.parentWidget(), &owner);
}

TEST_F(EditorLayout, EveryControlSitsInItsParentWithItsSizeNameAndText) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    struct Row {
        QWidget* control;
        const char* name;
        QWidget* parent;
        QRect inParent;
        QPoint inWindow;
        QString text;
    };
    EditorWindow& e = *editor;
    const int labelHeight = sizeLabelHeight(e.标签1->fontMetrics());
    ASSERT_GE(labelHeight, 24);
    const Row rows[] = {
        {e.画板1, "画板1", &e, {6, 6, 258, 258}, {6, 6}, {}},
        {e.外形框1, "外形框1", &e, {270, 6, 126, 108}, {270, 6}, {}},
        {e.画板2, "画板2", e.外形框1, {18, 15, 22, 22}, {288, 21}, {}},
        {e.标签1, "标签1", e.外形框1, {60, 15, 46, labelHeight}, {330, 21}, "16x16 true"},
        {e.外形框2, "外形框2", e.外形框1, {7, 53, 113, 2}, {277, 59}, {}},
        {e.画板3, "画板3", e.外形框1, {12, 62, 38, 38}, {282, 68}, {}},
        {e.标签2, "标签2", e.外形框1, {60, 70, 46, labelHeight}, {330, 76}, "32x32 true"},
        {e.分组框1, "分组框1", &e, {270, 120, 126, 36}, {270, 120}, "画笔颜色"},
        {e.单选框1, "单选框1", e.分组框1, {6, 14, 56, 18}, {276, 134}, "透明色"},
        {e.单选框2, "单选框2", e.分组框1, {66, 14, 56, 18}, {336, 134}, "调色板"},
        {e.颜色选择器1, "颜色选择器1", &e, {288, 162, 90, 24}, {288, 162}, {}},
        {e.按钮1, "按钮1", &e, {278, 232, 50, 24}, {278, 232}, "确定"},
        {e.按钮2, "按钮2", &e, {344, 232, 50, 24}, {344, 232}, "取消"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_NE(row.control, nullptr);
        EXPECT_EQ(row.control->objectName(), QString::fromUtf8(row.name));
        EXPECT_EQ(e.findChild<QWidget*>(QString::fromUtf8(row.name)), row.control);
        EXPECT_EQ(row.control->parentWidget(), row.parent);
        EXPECT_EQ(row.control->geometry(), row.inParent);
        EXPECT_EQ(row.control->mapTo(&e, QPoint(0, 0)), row.inWindow);
        if (auto* label = qobject_cast<QLabel*>(row.control)) {
            EXPECT_EQ(label->text(), row.text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(row.control)) {
            EXPECT_EQ(button->text(), row.text);
        } else if (auto* box = qobject_cast<QGroupBox*>(row.control)) {
            EXPECT_EQ(box->title(), row.text);
        }
        EXPECT_TRUE(row.control->isEnabled());
    }
}

TEST_F(EditorLayout, BoardsHaveExactClientAreasBordersColoursPensAndBrushes) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    struct Row {
        DrawingBoard* board;
        const char* name;
        QSize client;
        QPoint clientOrigin;  // the border width on each side
        Color background;
    };
    const Row rows[] = {
        {editor->画板1, "画板1", {256, 256}, {1, 1}, 0x00A75450},
        {editor->画板2, "画板2", {16, 16}, {3, 3}, themeBackColor},
        {editor->画板3, "画板3", {32, 32}, {3, 3}, themeBackColor},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.board->clientSize(), row.client);
        EXPECT_EQ(row.board->contentsRect(), QRect(row.clientOrigin, row.client));
        EXPECT_TRUE(row.board->hasPersistentImage());
        EXPECT_EQ(row.board->backgroundColor(), row.background);
        EXPECT_EQ(row.board->raster().backgroundMode(), platform::BackgroundMode::Tiled);
    }
    EXPECT_EQ(editor->画板1->raster().backgroundColor(), rgb(80, 84, 167));
}

TEST_F(EditorLayout, GridBoardOutlinesCellsWithADottedGreenPen) {
    // A 16x16 icon that is white everywhere: a cell's outline shows the pen on every other pixel
    // (x + y even) and the inside is the cell colour.
    convert(IconFormat::Size16);
    state.pixels16.assign(icon::pixelRows16Size, 0xFF);
    auto editor = openEditor(IconFormat::Size16);
    const platform::BoardRaster& grid = editor->画板1->raster();
    int penPixels = 0;
    for (int x = 0; x < 17; ++x) penPixels += grid.pixel(x, 16) == rgb(128, 160, 128);
    EXPECT_GE(penPixels, 8);
    EXPECT_LT(penPixels, 17);  // dotted: gaps between the dots
    EXPECT_EQ(grid.pixel(8, 8), 0x00FFFFFF);
}

TEST_F(EditorLayout, StartsWithTransparentBrushAndHiddenWhitePicker) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    EXPECT_TRUE(editor->单选框1->isChecked());
    EXPECT_FALSE(editor->单选框2->isChecked());
    EXPECT_TRUE(editor->颜色选择器1->isHidden());
    EXPECT_EQ(editor->颜色选择器1->color(), 0x00FFFFFF);
    EXPECT_FALSE(editor->画板2->isHidden());
    EXPECT_FALSE(editor->画板3->isHidden());
}

TEST_F(EditorLayout, ThemeColoursOnLabelsRadiosAndGroupBox) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    // 标签1 is highlighted by the set-up; 标签2 keeps the layout's colours.
    EXPECT_EQ(paletteColor(editor->标签2, QPalette::Window), themeBackColor);
    EXPECT_EQ(paletteColor(editor->标签2, QPalette::WindowText), themeTextColor);
    for (QWidget* w :
         std::initializer_list<QWidget*>{editor->分组框1, editor->单选框1, editor->单选框2}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_EQ(paletteColor(w, QPalette::Window), themeBackColor);
        EXPECT_EQ(paletteColor(w, QPalette::WindowText), themeTextColor);
    }
    // The size labels wrap "16x16 true" onto two centred lines starting at the top.
    EXPECT_TRUE(editor->标签2->wordWrap());
    EXPECT_EQ(editor->标签2->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    const QFontMetrics metrics(editor->标签2->font());
    EXPECT_GT(metrics.horizontalAdvance(editor->标签2->text()), 46);
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("32x32")), 46);
    // Both lines fit in the label.
    EXPECT_LE(editor->标签2->heightForWidth(46), editor->标签2->height());
    EXPECT_LE(editor->标签2->geometry().bottom(), editor->外形框1->height() - 3);
    EXPECT_LT(editor->标签1->geometry().bottom(), editor->外形框2->y());
}

TEST_F(EditorLayout, ShapeBoxesDrawAnEtchedRectangleAndLine) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    const Color black = 0, white = 0x00FFFFFF;

    // The frame: black outline 0..w-2, white outline 1..w-1, inside not filled.
    const QImage frame = editor->外形框1->grab().toImage();
    ASSERT_EQ(frame.size(), QSize(126, 108));
    EXPECT_EQ(colorAt(frame, 0, 0), black);
    EXPECT_EQ(colorAt(frame, 124, 50), black);
    EXPECT_EQ(colorAt(frame, 60, 106), black);
    EXPECT_EQ(colorAt(frame, 1, 1), white);
    EXPECT_EQ(colorAt(frame, 125, 50), white);
    EXPECT_EQ(colorAt(frame, 60, 107), white);
    EXPECT_EQ(colorAt(frame, 125, 0), themeBackColor);  // corners neither outline reaches
    EXPECT_EQ(colorAt(frame, 0, 107), themeBackColor);
    EXPECT_EQ(colorAt(frame, 8, 8), themeBackColor);

    // The line: black on top from x = 0, white under it from x = 1, button face at the corners.
    const QImage line = editor->外形框2->grab().toImage();
    ASSERT_EQ(line.size(), QSize(113, 2));
    const Color face = paletteColor(editor.get(), QPalette::Button);
    EXPECT_EQ(colorAt(line, 0, 0), black);
    EXPECT_EQ(colorAt(line, 111, 0), black);
    EXPECT_EQ(colorAt(line, 112, 0), face);
    EXPECT_EQ(colorAt(line, 0, 1), face);
    EXPECT_EQ(colorAt(line, 1, 1), white);
    EXPECT_EQ(colorAt(line, 112, 1), white);
}

TEST_F(EditorLayout, PenCursorOverTheGridArrowElsewhere) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    const QCursor cursor = editor->画板1->cursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(cursor.bitmap().size(), QSize(32, 32));
    for (QWidget* w :
         std::initializer_list<QWidget*>{editor.get(), editor->画板2, editor->画板3, editor->标签1,
                                         editor->单选框1, editor->按钮1, editor->颜色选择器1}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_EQ(w->cursor().shape(), Qt::ArrowCursor);
    }
}

TEST(PenCursor, TwoColourPenWithItsTipOnTheHotSpot) {
    const QCursor cursor = penCursor();
    const QImage shape = cursor.bitmap().toImage();
    const QImage mask = cursor.mask().toImage();
    ASSERT_EQ(shape.size(), QSize(32, 32));
    ASSERT_EQ(mask.size(), QSize(32, 32));
    int black = 0, white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const char c = penCursorArt[static_cast<std::size_t>(y)][x];
            ASSERT_TRUE(c == '#' || c == '.' || c == ' ') << x << "," << y;
            // In a cursor bitmap black is Qt::color1; opaque pixels are color1 in the mask.
            const bool opaque = mask.pixelColor(x, y) == QColor(Qt::color1);
            const bool dark = shape.pixelColor(x, y) == QColor(Qt::color1);
            EXPECT_EQ(opaque, c != ' ') << x << "," << y;
            if (opaque) {
                EXPECT_EQ(dark, c == '#') << x << "," << y;
            }
            black += c == '#';
            white += c == '.';
        }
    }
    EXPECT_EQ(penCursorArt[0][0], '#');  // the tip is the hot spot and is drawn
    EXPECT_GT(black, 40);
    EXPECT_GT(white, 100);
}

}  // namespace
}  // namespace icogen::ui::testing
