// Opening the editor: the colour grids, the grid drawn on 画板1, the set-up per format, the
// working icons in the previews, and switching sizes with the labels.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include "editor_fixture.h"
#include "platform/color_picker.h"

namespace icogen::ui::testing {
namespace {

Color paletteColor(const QWidget* w, QPalette::ColorRole role) {
    const QColor c = w->palette().color(role);
    return rgb(c.red(), c.green(), c.blue());
}

// The colour of column c, row r (from the top) of bottom-up pixel rows.
Color pixelFromTop(const ByteBuffer& rows, int side, int c, int r) {
    const std::size_t at = (static_cast<std::size_t>(side - 1 - r) * side + c) * 3;
    return rgb(rows[at + 2], rows[at + 1], rows[at]);
}

TEST(ColorGridFromPixelRows, BottomRowFirstRedFromTheThirdByte) {
    ByteBuffer rows(icon::pixelRows16Size, 0);
    rows[0] = 0x10;
    rows[1] = 0x20;
    rows[2] = 0x30;
    rows[720] = 0xA1;  // top-left pixel
    rows[767] = 0x7F;  // top-right pixel's red
    const ColorGrid grid = colorGridFromPixelRows(rows, 16);
    ASSERT_EQ(grid.dimensions, 2);
    ASSERT_EQ(grid.rows, 16);
    ASSERT_EQ(grid.columns, 16);
    EXPECT_EQ(grid.at(0, 0), rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(grid.at(15, 0), rgb(0, 0, 0xA1));
    EXPECT_EQ(grid.at(15, 15), rgb(0x7F, 0, 0));

    const ByteBuffer pattern = patternRows(32, 7);
    const ColorGrid big = colorGridFromPixelRows(pattern, 32);
    for (int p = 0; p < 32; ++p)
        for (int c = 0; c < 32; ++c)
            ASSERT_EQ(big.at(p, c), pixelFromTop(pattern, 32, c, 31 - p)) << p << "," << c;
}

TEST(ColorGridFromPixelRows, RowsOfTheWrongLengthGiveNoGrid) {
    for (std::size_t length :
         {std::size_t{0}, std::size_t{767}, std::size_t{769}, icon::pixelRows32Size}) {
        EXPECT_TRUE(colorGridFromPixelRows(ByteBuffer(length, 1), 16).empty()) << length;
    }
}

TEST(CanEditFormat, EverySizeOfTheFormatNeedsCompleteRows) {
    ProgramState state;
    state.pixels16 = ByteBuffer(icon::pixelRows16Size, 1);
    EXPECT_TRUE(canEditFormat(state, IconFormat::Size16));
    EXPECT_FALSE(canEditFormat(state, IconFormat::Size32));
    EXPECT_FALSE(canEditFormat(state, IconFormat::Dual));
    EXPECT_FALSE(canEditFormat(state, IconFormat::None));
    state.pixels32 = ByteBuffer(icon::pixelRows32Size - 3, 1);
    EXPECT_FALSE(canEditFormat(state, IconFormat::Size32));
    state.pixels32.resize(icon::pixelRows32Size);
    EXPECT_TRUE(canEditFormat(state, IconFormat::Dual));
}

class EditorOpen : public EditorTest {};

TEST_F(EditorOpen, GridShowsEveryCellUprightInItsColour) {
    for (int size : {1, 2}) {
        SCOPED_TRACE(size);
        const IconFormat f = size == 1 ? IconFormat::Size16 : IconFormat::Size32;
        convert(f);
        auto editor = openEditor(f);
        const int s = size == 1 ? 16 : 32, d = 256 / s;
        const ByteBuffer& rows = size == 1 ? state.pixels16 : state.pixels32;
        const platform::BoardRaster& board = editor->画板1->raster();
        for (int g = 0; g < s; ++g) {
            for (int c = 0; c < s; ++c) {
                const Color expected = pixelFromTop(rows, s, c, g);
                // The whole inside of the cell, and with it the last column and row of the
                // board: the outline at 256 lies outside and is never seen.
                for (int y = g * d + 1; y < g * d + d; ++y)
                    for (int x = c * d + 1; x < c * d + d; ++x)
                        ASSERT_EQ(board.pixel(x, y), expected)
                            << c << "," << g << " at " << x << "," << y;
            }
        }
        // The dotted outline (x + y even) lies on the grid lines inside the board; the one at
        // 256 would be the board's 257th column and row, which it does not have.
        for (int i = 0; i < 256; i += 2) EXPECT_EQ(board.pixel(i, d), 0x0080A080u) << i;
        EXPECT_EQ(editor->画板1->clientSize(), QSize(256, 256));
    }
}

TEST_F(EditorOpen, NamedCellsOfTheGrid) {
    convert(IconFormat::Dual);
    state.pixels16[0] = 0x10;
    state.pixels16[1] = 0x20;
    state.pixels16[2] = 0x30;
    state.pixels32[3069] = 0x44;
    state.pixels32[3070] = 0x55;
    state.pixels32[3071] = 0x66;
    auto editor = openEditor(IconFormat::Dual);
    const platform::BoardRaster& board = editor->画板1->raster();
    // Bottom-left cell, rectangle 0, 240, 17, 257.
    EXPECT_EQ(state.colorGrid16.at(0, 0), rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(board.pixel(1, 241), rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(board.pixel(15, 255), rgb(0x30, 0x20, 0x10));
    // Top-left pixel (offset 720) is element [15][0], rectangle 0, 0, 17, 17.
    EXPECT_EQ(board.pixel(1, 1), pixelFromTop(state.pixels16, 16, 0, 0));
    EXPECT_EQ(state.colorGrid16.at(15, 0),
              rgb(state.pixels16[722], state.pixels16[721], state.pixels16[720]));

    // The 32x32 grid's top-right cell, rectangle 248, 0, 257, 9.
    QTest::mouseClick(editor->标签2, Qt::LeftButton);
    EXPECT_EQ(state.colorGrid32.at(31, 31), rgb(0x66, 0x55, 0x44));
    EXPECT_EQ(board.pixel(249, 1), rgb(0x66, 0x55, 0x44));
    EXPECT_EQ(board.pixel(255, 7), rgb(0x66, 0x55, 0x44));
    EXPECT_EQ(board.pixel(247, 1), state.colorGrid32.at(31, 30));
}

struct FormatCase {
    const char* name;
    IconFormat format;
    int editSize;
    bool shows16, shows32;
};

TEST_F(EditorOpen, SetUpHighlightsTheFirstSizeAndHidesWhatTheFormatLacks) {
    const FormatCase cases[] = {
        {"16x16", IconFormat::Size16, 1, true, false},
        {"32x32", IconFormat::Size32, 2, false, true},
        {"both", IconFormat::Dual, 1, true, true},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        state = ProgramState{};
        convert(c.format);
        state.isPainting = true;  // left as it was
        state.previewColor = 0x00ABCDEF;
        auto editor = openEditor(c.format);
        EditorWindow& e = *editor;
        EXPECT_EQ(state.editSize, c.editSize);
        EXPECT_EQ(state.labelBackColor, themeBackColor);
        EXPECT_EQ(state.gridBackColor, 0x00A75450u);
        EXPECT_TRUE(state.isPainting);
        EXPECT_EQ(state.previewColor, 0x00ABCDEFu);

        QLabel* shown = c.editSize == 1 ? e.标签1 : e.标签2;
        QLabel* other = c.editSize == 1 ? e.标签2 : e.标签1;
        EXPECT_EQ(paletteColor(shown, QPalette::Window), rgb(0, 0, 255));
        EXPECT_EQ(paletteColor(shown, QPalette::WindowText), rgb(255, 255, 255));
        EXPECT_EQ(paletteColor(other, QPalette::Window), themeBackColor);
        EXPECT_EQ(paletteColor(other, QPalette::WindowText), themeTextColor);

        EXPECT_EQ(!e.画板2->isHidden(), c.shows16);
        EXPECT_EQ(!e.标签1->isHidden(), c.shows16);
        EXPECT_EQ(!e.画板3->isHidden(), c.shows32);
        EXPECT_EQ(!e.标签2->isHidden(), c.shows32);

        // The working icons: fresh templates carrying the pixel rows, all opaque, and shown at
        // actual size in the previews.
        if (c.shows16) {
            EXPECT_EQ(state.workIcon16, icon::fillTemplate16(state.pixels16));
            for (int r = 0; r < 16; ++r)
                for (int col = 0; col < 16; ++col)
                    ASSERT_EQ(e.画板2->raster().pixel(col, r),
                              pixelFromTop(state.pixels16, 16, col, r));
        }
        if (c.shows32) {
            EXPECT_EQ(state.workIcon32, icon::fillTemplate32(state.pixels32));
            EXPECT_EQ(e.画板3->backgroundPicture(), state.workIcon32);
            for (int r = 0; r < 32; ++r)
                for (int col = 0; col < 32; ++col)
                    ASSERT_EQ(e.画板3->raster().pixel(col, r),
                              pixelFromTop(state.pixels32, 32, col, r));
        }
    }
}

TEST_F(EditorOpen, SizeLabelsSwitchTheGridAndTheirColours) {
    convert(IconFormat::Dual);
    auto editor = openEditor(IconFormat::Dual);
    EditorWindow& e = *editor;
    // Paint one 16x16 cell so the switch has something to erase.
    QTest::mousePress(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, {0, 0}));
    QTest::mouseRelease(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, {0, 0}));

    // A fresh 32x32 editor shows what the switched board must show.
    ProgramState other = state;
    IconFormat only32 = IconFormat::Size32;
    other.colorGrid32 = colorGridFromPixelRows(other.pixels32, 32);
    EditorWindow reference(
        other, desktop, [&] { return only32; }, &result16, &result32);

    QTest::mouseClick(e.标签2, Qt::LeftButton);
    EXPECT_EQ(state.editSize, 2);
    EXPECT_EQ(e.画板1->raster().image(), reference.画板1->raster().image());
    EXPECT_EQ(paletteColor(e.标签2, QPalette::Window), rgb(0, 0, 255));
    EXPECT_EQ(paletteColor(e.标签2, QPalette::WindowText), rgb(255, 255, 255));
    EXPECT_EQ(paletteColor(e.标签1, QPalette::Window), themeBackColor);
    EXPECT_EQ(paletteColor(e.标签1, QPalette::WindowText), 0u);  // black, not the theme yellow

    QTest::mouseClick(e.标签1, Qt::LeftButton);
    EXPECT_EQ(state.editSize, 1);
    EXPECT_EQ(paletteColor(e.标签1, QPalette::Window), rgb(0, 0, 255));
    EXPECT_EQ(paletteColor(e.标签2, QPalette::Window), themeBackColor);
    EXPECT_EQ(paletteColor(e.标签2, QPalette::WindowText), 0u);
    // The 16x16 grid comes back with the painted cell, which the colour grid remembers.
    EXPECT_EQ(e.画板1->raster().pixel(8, 8), 0x00A75450u);
    EXPECT_EQ(e.画板1->raster().pixel(24, 8), state.colorGrid16.at(15, 1));

    // Painting now goes to the 16x16 icon, and a right-button press on a label does nothing.
    QTest::mouseClick(e.标签2, Qt::RightButton);
    EXPECT_EQ(state.editSize, 1);
}

TEST_F(EditorOpen, PressingTheShownLabelRedrawsWithoutClearingInOneSizeFormats) {
    convert(IconFormat::Size32);
    auto editor = openEditor(IconFormat::Size32);
    const QImage before = editor->画板1->raster().image().copy();
    QTest::mouseClick(editor->标签2, Qt::LeftButton);
    EXPECT_EQ(editor->画板1->raster().image(), before);
    EXPECT_EQ(state.editSize, 2);
}

}  // namespace
}  // namespace icogen::ui::testing
