// Painting on the grid: the cell under the pointer changes on the grid board, in the colour grid,
// in the actual-size preview and in the working icon's bytes and mask.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <map>
#include <optional>

#include "editor_fixture.h"
#include "platform/color_picker.h"

namespace icogen::ui::testing {
namespace {

using platform::BoardRaster;

constexpr Color pen = 0x0080A080;
constexpr Color transparentPreview = 0x000077FF;  // low bytes of ~themeBackColor

std::map<std::size_t, std::uint8_t> changedBytes(const ByteBuffer& before,
                                                 const ByteBuffer& after) {
    std::map<std::size_t, std::uint8_t> out;
    EXPECT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i]) out[i] = after[i];
    return out;
}

QImage copyOf(const BoardRaster& raster) {
    return raster.image().copy();
}
Color pixelOf(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return rgb(qRed(p), qGreen(p), qBlue(p));
}

// The rectangle (left, top, right, bottom; right and bottom exclusive) on the grid board: the
// inside is `fill`, every outline pixel is the pen or what was there before (the dotted pen's
// gaps), and nothing around it changed.
void expectRectangle(const QImage& before, const BoardRaster& after, QRect r, Color fill) {
    int penPixels = 0;
    for (int y = std::max(0, r.top() - 1); y <= std::min(255, r.bottom() + 1); ++y) {
        for (int x = std::max(0, r.left() - 1); x <= std::min(255, r.right() + 1); ++x) {
            const Color now = after.pixel(x, y);
            const Color was = pixelOf(before, x, y);
            const bool outside = !r.contains(x, y);
            const bool outline =
                !outside && (x == r.left() || x == r.right() || y == r.top() || y == r.bottom());
            if (outside) {
                ASSERT_EQ(now, was) << "outside at " << x << "," << y;
            } else if (outline) {
                ASSERT_TRUE(now == pen || now == was) << "outline at " << x << "," << y;
                penPixels += now == pen;
            } else {
                ASSERT_EQ(now, fill) << "inside at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(penPixels, 0);
}

class EditorPaint : public EditorTest {
  protected:
    std::unique_ptr<EditorWindow> open(int size) {
        const IconFormat f = size == 1 ? IconFormat::Size16 : IconFormat::Size32;
        convert(f);
        return openEditor(f);
    }
    static void chooseColour(EditorWindow& e, Color color) {
        QTest::mouseClick(e.单选框2, Qt::LeftButton);
        e.颜色选择器1->setColor(color);
    }
    static void press(EditorWindow& e, QPoint client) {
        QTest::mousePress(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
    }
    static void release(EditorWindow& e, QPoint client) {
        QTest::mouseRelease(e.画板1, Qt::LeftButton, {}, onBoard(e.画板1, client));
    }
    // A movement over the board as the toolkit reports it, whatever the buttons.
    static void move(EditorWindow& e, QPoint client) {
        const QPointF local = onBoard(e.画板1, client);
        QMouseEvent event(QEvent::MouseMove, local, e.画板1->mapToGlobal(local), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(e.画板1, &event);
    }
};

struct PressCase {
    const char* name;
    int size;                     // 1 = 16x16, 2 = 32x32
    std::optional<Color> colour;  // none: the transparent brush
    QPoint position;
    QPoint cell;
    QRect rectangle;  // left, top, right, bottom as drawn (right and bottom exclusive)
    int gridRow, gridColumn;
    std::size_t colourBytes;              // first of the pixel's three bytes
    std::array<std::uint8_t, 3> bytes;    // blue, green, red written there
    std::optional<std::size_t> maskByte;  // the mask byte that gains a bit, if any
    std::uint8_t maskValue = 0;
};

TEST_F(EditorPaint, PressPaintsTheCellUnderThePointerInAllFourPlaces) {
    const Color red = 0x000000FF;
    const Color olive = rgb(0x12, 0x34, 0x56);
    // clang-format off
    const PressCase cases[] = {
        {"16 transparent at 0,0", 1, {}, {0, 0}, {0, 0}, QRect(QPoint(0, 0), QPoint(17, 17)),
         15, 0, 782, {0, 0, 0}, 890, 0x80},
        {"16 red at 40,250", 1, red, {40, 250}, {2, 15}, QRect(QPoint(32, 240), QPoint(49, 257)),
         0, 2, 68, {0x00, 0x00, 0xFF}, {}, 0},
        {"32 transparent at 255,0", 2, {}, {255, 0}, {31, 0}, QRect(QPoint(248, 0), QPoint(257, 9)),
         31, 31, 3131, {0, 0, 0}, 3261, 0x01},
        {"32 transparent at 192,100 (x = 25, bit 31)", 2, {}, {192, 100}, {24, 12},
         QRect(QPoint(192, 96), QPoint(201, 105)), 19, 24, 62 + 19 * 96 + 72, {0, 0, 0}, 3213, 0x80},
        {"16 transparent column 7 (bit 0)", 1, {}, {127, 0}, {7, 0},
         QRect(QPoint(112, 0), QPoint(129, 17)), 15, 7, 782 + 21, {0, 0, 0}, 890, 0x01},
        {"16 transparent column 8 (bit 15)", 1, {}, {128, 0}, {8, 0},
         QRect(QPoint(128, 0), QPoint(145, 17)), 15, 8, 782 + 24, {0, 0, 0}, 891, 0x80},
        {"16 transparent column 15 (bit 8)", 1, {}, {255, 255}, {15, 15},
         QRect(QPoint(240, 240), QPoint(257, 257)), 0, 15, 62 + 45, {0, 0, 0}, 831, 0x01},
        {"16 position 15 stays in cell 0", 1, olive, {15, 15}, {0, 0},
         QRect(QPoint(0, 0), QPoint(17, 17)), 15, 0, 782, {0x56, 0x34, 0x12}, {}, 0},
        {"16 position 16 is cell 1", 1, olive, {16, 16}, {1, 1},
         QRect(QPoint(16, 16), QPoint(33, 33)), 14, 1, 62 + 14 * 48 + 3, {0x56, 0x34, 0x12}, {}, 0},
        {"32 position 7 stays in cell 0", 2, olive, {7, 7}, {0, 0},
         QRect(QPoint(0, 0), QPoint(9, 9)), 31, 0, 62 + 31 * 96, {0x56, 0x34, 0x12}, {}, 0},
        {"32 position 8 is cell 1", 2, olive, {8, 8}, {1, 1},
         QRect(QPoint(8, 8), QPoint(17, 17)), 30, 1, 62 + 30 * 96 + 3, {0x56, 0x34, 0x12}, {}, 0},
        {"32 position 255 is the last cell", 2, red, {255, 255}, {31, 31},
         QRect(QPoint(248, 248), QPoint(257, 257)), 0, 31, 62 + 93, {0x00, 0x00, 0xFF}, {}, 0},
    };
    // clang-format on
    for (const PressCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto editor = open(c.size);
        EditorWindow& e = *editor;
        if (c.colour) chooseColour(e, *c.colour);
        const Color expectedCell = c.colour ? *c.colour : 0x00A75450;
        const Color expectedPreview = c.colour ? *c.colour : transparentPreview;
        const ByteBuffer& work = c.size == 1 ? state.workIcon16 : state.workIcon32;
        const ByteBuffer iconBefore = work;
        platform::DrawingBoard* preview = c.size == 1 ? e.画板2 : e.画板3;
        const QImage gridBefore = copyOf(e.画板1->raster());
        const QImage previewBefore = copyOf(preview->raster());
        const ColorGrid gridValuesBefore = c.size == 1 ? state.colorGrid16 : state.colorGrid32;

        press(e, c.position);

        EXPECT_TRUE(state.isPainting);
        EXPECT_EQ(state.previewColor, c.colour ? *c.colour : 0xFF0077FFu);
        // The grid board.
        const QRect r(c.rectangle.topLeft(), c.rectangle.bottomRight() - QPoint(1, 1));
        expectRectangle(gridBefore, e.画板1->raster(), r, expectedCell);
        // The colour grid: exactly one element changed.
        const ColorGrid& grid = c.size == 1 ? state.colorGrid16 : state.colorGrid32;
        for (int p = 0; p < grid.rows; ++p)
            for (int col = 0; col < grid.columns; ++col)
                EXPECT_EQ(grid.at(p, col), p == c.gridRow && col == c.gridColumn
                                               ? expectedCell
                                               : gridValuesBefore.at(p, col))
                    << p << "," << col;
        // The preview: exactly one point.
        const int side = c.size == 1 ? 16 : 32;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                EXPECT_EQ(preview->raster().pixel(x, y),
                          QPoint(x, y) == c.cell ? expectedPreview : pixelOf(previewBefore, x, y))
                    << x << "," << y;
        // The working icon: the pixel's three bytes and, for transparency, one mask bit.
        std::map<std::size_t, std::uint8_t> expected;
        for (std::size_t i = 0; i < 3; ++i)
            if (iconBefore[c.colourBytes + i] != c.bytes[i])
                expected[c.colourBytes + i] = c.bytes[i];
        if (c.maskByte)
            expected[*c.maskByte] =
                static_cast<std::uint8_t>(iconBefore[*c.maskByte] | c.maskValue);
        EXPECT_EQ(changedBytes(iconBefore, work), expected);
        EXPECT_FALSE(expected.empty());

        release(e, c.position);
        EXPECT_FALSE(state.isPainting);
    }
}

TEST_F(EditorPaint, DragPaintsEveryCellPassedUntilRelease) {
    auto editor = open(1);
    EditorWindow& e = *editor;
    chooseColour(e, 0x00123456);
    press(e, {5, 5});
    move(e, {20, 5});
    move(e, {21, 6});  // the same cell again: same bytes
    move(e, {40, 20});
    release(e, {40, 20});
    move(e, {60, 40});  // released: nothing more
    const std::pair<int, int> painted[] = {{0, 0}, {1, 0}, {2, 1}};
    for (int cy = 0; cy < 16; ++cy) {
        for (int cx = 0; cx < 16; ++cx) {
            const bool expected = std::find(std::begin(painted), std::end(painted),
                                            std::pair{cx, cy}) != std::end(painted);
            EXPECT_EQ(state.colorGrid16.at(15 - cy, cx) == 0x00123456, expected) << cx << "," << cy;
            EXPECT_EQ(e.画板1->raster().pixel(cx * 16 + 8, cy * 16 + 8) == 0x00123456, expected);
        }
    }
    ByteBuffer expectedIcon = icon::fillTemplate16(state.pixels16);
    for (auto [cx, cy] : painted)
        icon::patchWorkIcon(expectedIcon, 1, cx + 1, cy + 1, false, 0x00123456);
    EXPECT_EQ(state.workIcon16, expectedIcon);
}

TEST_F(EditorPaint, MovementWithoutAPressOrAfterLeavingOverTheBackgroundPaintsNothing) {
    auto editor = open(2);
    EditorWindow& e = *editor;
    const ByteBuffer before = state.workIcon32;
    move(e, {100, 100});
    EXPECT_EQ(state.workIcon32, before);

    // Press, then move over the window's own background (between the grid and the panel).
    press(e, {0, 0});
    ASSERT_TRUE(state.isPainting);
    const ByteBuffer afterPress = state.workIcon32;
    QTest::mouseMove(&e, QPoint(267, 200));
    EXPECT_FALSE(state.isPainting);
    move(e, {100, 100});
    EXPECT_EQ(state.workIcon32, afterPress);

    // Moving over a control (here the group box) does not end a stroke.
    press(e, {0, 0});
    QMouseEvent overControl(QEvent::MouseMove, QPointF(300, 125), e.mapToGlobal(QPointF(300, 125)),
                            Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&e, &overControl);
    EXPECT_TRUE(state.isPainting);
}

TEST_F(EditorPaint, PositionsOutsideTheDrawingAreaPaintNothing) {
    for (int size : {1, 2}) {
        SCOPED_TRACE(size);
        auto editor = open(size);
        EditorWindow& e = *editor;
        press(e, {128, 128});
        const ByteBuffer icon = size == 1 ? state.workIcon16 : state.workIcon32;
        const ColorGrid grid = size == 1 ? state.colorGrid16 : state.colorGrid32;
        const QImage board = copyOf(e.画板1->raster());
        // Reported while the button is held and the pointer is dragged off the board.
        for (QPoint p : {QPoint(-1, 0), QPoint(0, -1), QPoint(256, 10), QPoint(10, 256),
                         QPoint(-300, -300), QPoint(100000, 5), QPoint(5, -100000)}) {
            emit e.画板1->mouseMoved(p);
            move(e, p);
        }
        emit e.画板1->leftPressed(QPoint(256, 256));
        EXPECT_EQ(size == 1 ? state.workIcon16 : state.workIcon32, icon);
        EXPECT_EQ((size == 1 ? state.colorGrid16 : state.colorGrid32).cells, grid.cells);
        EXPECT_EQ(e.画板1->raster().image(), board);
    }
}

TEST_F(EditorPaint, TransparentThenColourKeepsTheMaskBitAndTwiceTransparentIsOnce) {
    auto editor = open(1);
    EditorWindow& e = *editor;
    press(e, {40, 40});  // cell (2, 2): x = 3, y = 3
    release(e, {40, 40});
    const ByteBuffer once = state.workIcon16;
    press(e, {41, 41});
    release(e, {41, 41});
    EXPECT_EQ(state.workIcon16, once);

    chooseColour(e, 0x00ABCDEF);
    press(e, {40, 40});
    release(e, {40, 40});
    const std::size_t colour = 62 + 13 * 48 + 6;
    EXPECT_EQ(state.workIcon16[colour], 0xAB);
    EXPECT_EQ(state.workIcon16[colour + 1], 0xCD);
    EXPECT_EQ(state.workIcon16[colour + 2], 0xEF);
    EXPECT_EQ(state.workIcon16[830 + 13 * 4] & 0x20, 0x20);  // still transparent
    EXPECT_EQ(state.colorGrid16.at(13, 2), 0x00ABCDEFu);

    // Strokes never touch the headers or the length.
    EXPECT_EQ(state.workIcon16.size(), icon::template16Size);
    EXPECT_TRUE(std::equal(state.workIcon16.begin(), state.workIcon16.begin() + 62,
                           icon::template16().begin()));
}

TEST_F(EditorPaint, ColourBrushReadsThePickerEvenWhileItIsHidden) {
    auto editor = open(2);
    EditorWindow& e = *editor;
    e.单选框2->setChecked(true);  // checked without the click that shows the picker
    e.颜色选择器1->setColor(0x00102030);
    ASSERT_TRUE(e.颜色选择器1->isHidden());
    press(e, {0, 0});
    EXPECT_EQ(state.previewColor, 0x00102030u);
    EXPECT_EQ(state.colorGrid32.at(31, 0), 0x00102030u);
    EXPECT_EQ(e.画板3->raster().pixel(0, 0), 0x00102030u);
}

TEST_F(EditorPaint, ChoosingThePaletteShowsThePickerForGood) {
    auto editor = open(1);
    EditorWindow& e = *editor;
    QTest::mouseClick(e.单选框1, Qt::LeftButton);
    EXPECT_TRUE(e.颜色选择器1->isHidden());
    QTest::mouseClick(e.单选框2, Qt::LeftButton);
    EXPECT_FALSE(e.颜色选择器1->isHidden());
    EXPECT_EQ(e.颜色选择器1->color(), 0x00FFFFFFu);
    QTest::mouseClick(e.单选框1, Qt::LeftButton);
    EXPECT_TRUE(e.单选框1->isChecked());
    EXPECT_FALSE(e.颜色选择器1->isHidden());
}

}  // namespace
}  // namespace icogen::ui::testing
