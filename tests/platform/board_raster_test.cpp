// The off-screen raster of a drawing board: pixel-exact drawing, background modes, the
// persistent image and the snapshot.
#include "platform/board_raster.h"

#include <gtest/gtest.h>

#include <string>

#include "picture_builders.h"

namespace icogen::platform {
namespace {

using picture::AlphaUse;
using testing::argbOf;
using testing::makePicture;
using testing::solidPicture;

constexpr Color kBack = 0x00102030;
constexpr Color kPen = 0x0080A080;
constexpr Color kBrush = 0x00335577;
constexpr Color kOld = 0x00ABCDEF;  // what was on the board before a drawing

// ---------------------------------------------------------------- rectangles

struct RectCase {
    std::string name;
    int l, t, r, b;
};

class RectangleTest : public ::testing::TestWithParam<RectCase> {};

// Right and bottom exclusive: the rectangle covers columns l..r-1 and rows t..b-1, its outline
// on the outermost of them, the brush strictly inside; pixels beyond the board are clipped.
TEST_P(RectangleTest, CoversExactlyItsPixels) {
    const RectCase& c = GetParam();
    BoardRaster board(20, 20, kBack);
    board.setPen(PenStyle::Solid, 1, kPen);
    board.setBrush(BrushStyle::Solid, kBrush);
    board.drawRectangle(c.l, c.t, c.r, c.b);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= c.l && x < c.r && y >= c.t && y < c.b;
            const bool edge = x == c.l || x == c.r - 1 || y == c.t || y == c.b - 1;
            const Color want = !inside ? kBack : edge ? kPen : kBrush;
            ASSERT_EQ(board.pixel(x, y), want) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rectangles, RectangleTest,
                         ::testing::Values(RectCase{"Ordinary", 2, 3, 7, 9},
                                           RectCase{"GridCell17", 0, 0, 17, 17},
                                           RectCase{"OnePixel", 5, 5, 6, 6},
                                           RectCase{"TwoByTwo", 4, 4, 6, 6},
                                           RectCase{"ThinLine", 1, 10, 19, 11},
                                           RectCase{"BeyondBottomRight", 12, 12, 257, 257},
                                           RectCase{"BeyondTopLeft", -3, -3, 5, 5},
                                           RectCase{"CoversWholeBoard", -1, -1, 21, 21}),
                         [](const auto& info) { return info.param.name; });

TEST(Rectangle, EmptyRectangleDrawsNothing) {
    BoardRaster board(8, 8, kBack);
    board.setPen(PenStyle::Solid, 1, kPen);
    board.drawRectangle(3, 3, 3, 7);
    board.drawRectangle(2, 5, 6, 5);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(board.pixel(x, y), kBack);
}

// The grid's pen: only outline pixels with x + y even are drawn; the gaps keep what was there.
TEST(Rectangle, DottedOutlineLeavesGapsUntouched) {
    BoardRaster board(24, 24, kBack);
    board.setPen(PenStyle::Solid, 1, kOld);
    board.setBrush(BrushStyle::Solid, kOld);
    board.drawRectangle(0, 0, 24, 24);  // everything kOld
    board.drawPoint(3, 8, 0x00000001);  // a gap pixel with its own colour
    board.setPen(PenStyle::Dotted, 1, kPen);
    board.setBrush(BrushStyle::Solid, kBrush);
    board.drawRectangle(3, 4, 12, 15);
    for (int y = 4; y < 15; ++y) {
        for (int x = 3; x < 12; ++x) {
            const bool edge = x == 3 || x == 11 || y == 4 || y == 14;
            if (!edge) {
                ASSERT_EQ(board.pixel(x, y), kBrush) << x << "," << y;
            } else if ((x + y) % 2 == 0) {
                ASSERT_EQ(board.pixel(x, y), kPen) << x << "," << y;
            } else {
                const Color was = (x == 3 && y == 8) ? 0x00000001 : kOld;
                ASSERT_EQ(board.pixel(x, y), was) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(board.pixel(2, 4), kOld);
    EXPECT_EQ(board.pixel(12, 14), kOld);
}

// Neighbouring cells of the editor's grid share their outline; the later cell's dots land on
// the same pixels and its gaps show the earlier cell's fill.
TEST(Rectangle, OverlappingDottedCellsLikeTheGrid) {
    BoardRaster board(34, 17, kBack);
    board.setPen(PenStyle::Dotted, 1, kPen);
    board.setBrush(BrushStyle::Solid, 0x000000FF);
    board.drawRectangle(0, 0, 17, 17);
    board.setBrush(BrushStyle::Solid, 0x0000FF00);
    board.drawRectangle(16, 0, 33, 17);
    EXPECT_EQ(board.pixel(16, 0), kPen);         // a dot on the shared line
    EXPECT_EQ(board.pixel(16, 1), kBack);        // a gap: neither cell filled it
    EXPECT_EQ(board.pixel(15, 1), 0x000000FFu);  // inside the first cell
    EXPECT_EQ(board.pixel(17, 2), 0x0000FF00u);  // inside the second
    EXPECT_EQ(board.pixel(33, 1), kBack);        // beyond the second
}

TEST(Rectangle, HollowBrushFillsNothing) {
    BoardRaster board(10, 10, kBack);
    board.setPen(PenStyle::Solid, 1, kPen);
    board.setBrush(BrushStyle::Hollow, kBrush);
    board.drawRectangle(1, 1, 9, 9);
    EXPECT_EQ(board.pixel(1, 1), kPen);
    EXPECT_EQ(board.pixel(8, 8), kPen);
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 8; ++x) ASSERT_EQ(board.pixel(x, y), kBack);
}

TEST(Rectangle, BrushColourReadsBackExactly) {
    BoardRaster board(4, 4, kBack);
    for (const Color c : {Color{0}, Color{0x00A75450}, Color{0xFF0077FF}, Color{0x12345678}}) {
        board.setBrush(BrushStyle::Solid, c);
        EXPECT_EQ(board.brushColor(), c);
    }
    // The fill uses only the low three bytes.
    board.setPen(PenStyle::Solid, 1, 0xFF000000);
    board.setBrush(BrushStyle::Solid, 0xFF0077FF);
    board.drawRectangle(0, 0, 4, 4);
    EXPECT_EQ(board.pixel(1, 1), 0x000077FFu);
    EXPECT_EQ(board.pixel(0, 0), 0x00000000u);
}

TEST(Point, SetsOnePixelInTheLowThreeBytes) {
    BoardRaster board(4, 4, kBack);
    board.drawPoint(2, 1, 0xFF0077FF);
    board.drawPoint(-1, 0, 0x00FFFFFF);  // off the board: ignored
    board.drawPoint(4, 4, 0x00FFFFFF);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(board.pixel(x, y), (x == 2 && y == 1) ? 0x000077FFu : kBack);
}

// ---------------------------------------------------------------- pictures

// 100 x 50, left half red, right half blue, squeezed into 16 x 16: columns 0-7 red, 8-15 blue.
TEST(StretchedPicture, HalvesLandInTheirColumns) {
    const auto pic =
        makePicture(100, 50, [](int x, int) { return x < 50 ? 0xFFFF0000u : 0xFF0000FFu; });
    BoardRaster board(16, 16, kBack);
    board.drawPictureStretched(&pic, 0, 0, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(board.pixel(x, y), x < 8 ? rgb(255, 0, 0) : rgb(0, 0, 255)) << x << "," << y;
}

TEST(StretchedPicture, NoneDrawsNothing) {
    BoardRaster board(4, 4, kBack);
    board.drawPictureStretched(nullptr, 0, 0, 4, 4);
    EXPECT_EQ(board.pixel(0, 0), kBack);
    EXPECT_EQ(board.pixel(3, 3), kBack);
}

TEST(StretchedPicture, EnlargingRepeatsSourcePixels) {
    const auto pic =
        makePicture(2, 1, [](int x, int) { return x == 0 ? 0xFF112233u : 0xFF445566u; });
    BoardRaster board(8, 4, kBack);
    board.drawPictureStretched(&pic, 2, 1, 4, 2);
    EXPECT_EQ(board.pixel(1, 1), kBack);
    EXPECT_EQ(board.pixel(2, 1), testing::colorOf(0xFF112233u));
    EXPECT_EQ(board.pixel(3, 2), testing::colorOf(0xFF112233u));
    EXPECT_EQ(board.pixel(4, 1), testing::colorOf(0xFF445566u));
    EXPECT_EQ(board.pixel(5, 2), testing::colorOf(0xFF445566u));
    EXPECT_EQ(board.pixel(6, 1), kBack);
    EXPECT_EQ(board.pixel(2, 3), kBack);
}

struct AlphaCase {
    std::string name;
    AlphaUse use;
    std::uint32_t source;  // 0xAARRGGBB
    Color expected;        // over a kOld board
};

class PictureAlphaTest : public ::testing::TestWithParam<AlphaCase> {};

// Each way of drawing a picture, at its own size and stretched, takes alpha the same way.
TEST_P(PictureAlphaTest, CompositesByAlphaUse) {
    const AlphaCase& c = GetParam();
    const auto pic = solidPicture(4, 4, c.source, c.use);
    BoardRaster own(4, 4, kOld);
    own.drawPicture(pic, 0, 0);
    BoardRaster stretched(8, 8, kOld);
    stretched.drawPictureStretched(&pic, 0, 0, 8, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(own.pixel(x, y), c.expected) << x << "," << y;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(stretched.pixel(x, y), c.expected) << x << "," << y;
}

// (255 * a + 0xAB * (255 - a) + 127) / 255 etc.: straight alpha blending, rounded.
INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureAlphaTest,
    ::testing::Values(
        AlphaCase{"OpaqueIgnoresAlpha", AlphaUse::Opaque, 0x00FF0000u, rgb(255, 0, 0)},
        AlphaCase{"IcoTransparentLeavesBoard", AlphaUse::OverBoard, 0x00FF0000u, kOld},
        AlphaCase{"IcoOpaqueReplaces", AlphaUse::OverBoard, 0xFF00FF00u, rgb(0, 255, 0)},
        AlphaCase{"GifHalfBlendsWithBoard", AlphaUse::OverBoard, 0x80FF0000u,
                  rgb((255 * 128 + 0xEF * 127 + 127) / 255, (0 * 128 + 0xCD * 127 + 127) / 255,
                      (0 * 128 + 0xAB * 127 + 127) / 255)},
        AlphaCase{"PngTransparentIsWhite", AlphaUse::OverWhite, 0x00123456u, rgb(255, 255, 255)},
        AlphaCase{"PngHalfOverWhite", AlphaUse::OverWhite, 0x80FF0000u,
                  rgb(255, (255 * 127 + 127) / 255, (255 * 127 + 127) / 255)}),
    [](const auto& info) { return info.param.name; });

// An ICO's transparent pixels show what the board had under them, pixel by pixel.
TEST(PictureAtOwnSize, IcoMaskKeepsBoardPixelsAndClips) {
    BoardRaster board(6, 6, kBack);
    board.drawPoint(3, 3, 0x00010203);
    const auto pic = makePicture(
        4, 4, [](int x, int y) { return (x + y) % 2 == 0 ? 0x00000000u : 0xFF00FF00u; },
        AlphaUse::OverBoard, picture::Kind::Ico);
    board.drawPicture(pic, 2, 2);  // its last row and column fall off the board
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool covered = x >= 2 && y >= 2;
            const bool opaque = covered && (x - 2 + y - 2) % 2 == 1;
            const Color under = (x == 3 && y == 3) ? 0x00010203 : kBack;
            ASSERT_EQ(board.pixel(x, y), opaque ? rgb(0, 255, 0) : under) << x << "," << y;
        }
    }
}

// ---------------------------------------------------------------- background pictures

struct PlacementCase {
    std::string name;
    int bw, bh;
    std::uint32_t pw, ph;
    QRect expected;
};

class ShrinkToFitTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(ShrinkToFitTest, PlacesCentredNeverEnlarged) {
    const PlacementCase& c = GetParam();
    EXPECT_EQ(BoardRaster::shrinkToFitPlacement(c.bw, c.bh, c.pw, c.ph), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, ShrinkToFitTest,
    ::testing::Values(PlacementCase{"Wide200x100", 84, 84, 200, 100, QRect(0, 21, 84, 42)},
                      PlacementCase{"Small40x30", 84, 84, 40, 30, QRect(22, 27, 40, 30)},
                      PlacementCase{"Tall100x200", 84, 84, 100, 200, QRect(21, 0, 42, 84)},
                      PlacementCase{"ExactFit", 84, 84, 84, 84, QRect(0, 0, 84, 84)},
                      PlacementCase{"OddRemainder", 84, 84, 41, 31, QRect(21, 26, 41, 31)},
                      PlacementCase{"TruncatedScale", 84, 84, 300, 97, QRect(0, 28, 84, 27)},
                      PlacementCase{"NeverBelowOnePixel", 16, 16, 1000, 1, QRect(0, 7, 16, 1)},
                      PlacementCase{"IconFillsItsBoard", 32, 32, 32, 32, QRect(0, 0, 32, 32)}),
    [](const auto& info) { return info.param.name; });

constexpr std::uint32_t kRed = 0xFFFF0000u;

// The examples of the preview boards, with real picture files decoded by the board.
TEST(BackgroundPicture, WidePictureShrinksAndCentres) {
    BoardRaster board(84, 84, themeBackColor);
    board.setBackgroundPicture(testing::pngFile(200, 100, [](int, int) { return kRed; }));
    ASSERT_TRUE(board.backgroundDecoded());
    for (int x : {0, 41, 83}) {
        EXPECT_EQ(board.pixel(x, 20), themeBackColor) << x;
        EXPECT_EQ(board.pixel(x, 21), rgb(255, 0, 0)) << x;
        EXPECT_EQ(board.pixel(x, 62), rgb(255, 0, 0)) << x;
        EXPECT_EQ(board.pixel(x, 63), themeBackColor) << x;
    }
}

// A large picture is decoded reduced; it is still placed by its own size.
TEST(BackgroundPicture, ReducedDecodeIsPlacedByTheOriginalSize) {
    BoardRaster board(84, 84, themeBackColor);
    board.setBackgroundPicture(testing::pngFile(1000, 500, [](int, int) { return kRed; }));
    for (int x : {0, 83}) {
        EXPECT_EQ(board.pixel(x, 20), themeBackColor) << x;
        EXPECT_EQ(board.pixel(x, 21), rgb(255, 0, 0)) << x;
        EXPECT_EQ(board.pixel(x, 62), rgb(255, 0, 0)) << x;
        EXPECT_EQ(board.pixel(x, 63), themeBackColor) << x;
    }
}

TEST(BackgroundPicture, SmallPictureShowsUnscaledAt22x27) {
    BoardRaster board(84, 84, themeBackColor);
    // A corner marker shows that nothing was scaled.
    board.setBackgroundPicture(testing::pngFile(
        40, 30, [](int x, int y) { return x == 0 && y == 0 ? 0xFF00FF00u : kRed; }));
    EXPECT_EQ(board.pixel(21, 27), themeBackColor);
    EXPECT_EQ(board.pixel(22, 26), themeBackColor);
    EXPECT_EQ(board.pixel(22, 27), rgb(0, 255, 0));
    EXPECT_EQ(board.pixel(23, 27), rgb(255, 0, 0));
    EXPECT_EQ(board.pixel(61, 56), rgb(255, 0, 0));
    EXPECT_EQ(board.pixel(62, 56), themeBackColor);
    EXPECT_EQ(board.pixel(61, 57), themeBackColor);
}

// Each pixel of a 3 x 2 picture has its own colour.
std::uint32_t tileColour(int x, int y) {
    return 0xFF000000u | static_cast<std::uint32_t>(40 * x + 10) << 16 |
           static_cast<std::uint32_t>(90 * y + 20) << 8 | 0x33u;
}

TEST(BackgroundPicture, TiledRepeatsFromTopLeft) {
    BoardRaster board(8, 5, kBack);
    board.setBackgroundMode(BackgroundMode::Tiled);
    board.setBackgroundPicture(testing::pngFile(3, 2, tileColour));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(board.pixel(x, y), testing::colorOf(tileColour(x % 3, y % 2)))
                << x << "," << y;
}

TEST(BackgroundPicture, TopLeftAtNaturalSize) {
    BoardRaster board(8, 5, kBack);
    board.setBackgroundMode(BackgroundMode::TopLeft);
    board.setBackgroundPicture(testing::pngFile(3, 2, tileColour));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(board.pixel(x, y),
                      x < 3 && y < 2 ? testing::colorOf(tileColour(x, y)) : kBack)
                << x << "," << y;
}

// A 24-bit BMP built byte by byte; needs the BMP decoder.
TEST(BackgroundPicture, BmpFileFillsAnIconBoard) {
    BoardRaster board(16, 16, themeBackColor);
    board.setBackgroundPicture(
        testing::bmpFile(16, 16, [](int x, int y) { return rgb(x * 16, y * 16, 7); }));
    ASSERT_TRUE(board.backgroundDecoded());
    EXPECT_EQ(board.pixel(0, 0), rgb(0, 0, 7));
    EXPECT_EQ(board.pixel(15, 0), rgb(240, 0, 7));
    EXPECT_EQ(board.pixel(3, 15), rgb(48, 240, 7));
}

// Transparent PNG areas: over the background colour when the board shows the picture, over
// white when the picture is drawn into a result board.
TEST(BackgroundPicture, TransparentPngShowsBackgroundColourButStretchesOverWhite) {
    const ByteBuffer png =
        testing::pngFile(4, 4, [](int x, int) { return x < 2 ? 0x00000000u : 0xFF0000FFu; });
    BoardRaster preview(4, 4, themeBackColor);
    preview.setBackgroundPicture(png);
    EXPECT_EQ(preview.pixel(0, 0), themeBackColor);
    EXPECT_EQ(preview.pixel(3, 3), rgb(0, 0, 255));

    const picture::DecodeResult decoded = picture::decodePicture(png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded.picture->alphaUse, AlphaUse::OverWhite);
    BoardRaster result(4, 4, themeBackColor);
    result.drawPictureStretched(&*decoded.picture, 0, 0, 4, 4);
    EXPECT_EQ(result.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(result.pixel(3, 3), rgb(0, 0, 255));
}

TEST(BackgroundPicture, UndecodableBytesShowTheColourAndAreKept) {
    BoardRaster board(4, 4, kBack);
    const ByteBuffer junk{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
    board.setBackgroundPicture(junk);
    EXPECT_FALSE(board.backgroundDecoded());
    EXPECT_EQ(board.backgroundPicture(), junk);
    EXPECT_EQ(board.pixel(2, 2), kBack);
    board.setBackgroundPicture({});
    EXPECT_TRUE(board.backgroundDecoded());
}

// ---------------------------------------------------------------- persistent image

class PersistentImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        board.setPen(PenStyle::Solid, 1, kPen);
        board.setBrush(BrushStyle::Solid, kBrush);
        board.drawRectangle(0, 0, 4, 4);
        ASSERT_EQ(board.pixel(1, 1), kBrush);
    }
    BoardRaster board{4, 4, kBack};
};

TEST_F(PersistentImageTest, SameBackgroundColourKeepsDrawing) {
    board.setBackgroundColor(kBack);
    EXPECT_EQ(board.pixel(1, 1), kBrush);
}

TEST_F(PersistentImageTest, DifferentBackgroundColourRebuilds) {
    board.setBackgroundColor(0x00000080);
    EXPECT_EQ(board.backgroundColor(), 0x00000080u);
    EXPECT_EQ(board.pixel(1, 1), 0x00000080u);
    EXPECT_EQ(board.pixel(0, 0), 0x00000080u);
}

TEST_F(PersistentImageTest, EmptyBackgroundPictureRebuilds) {
    board.setBackgroundPicture({});
    EXPECT_EQ(board.pixel(1, 1), kBack);
}

TEST_F(PersistentImageTest, ClearRepaintsColourAndPicture) {
    board.setBackgroundMode(BackgroundMode::TopLeft);
    board.setBackgroundPicture(testing::pngFile(1, 1, [](int, int) { return 0xFF00FF00u; }));
    board.drawPoint(0, 0, 0x00FFFFFF);
    board.drawPoint(2, 2, 0x00FFFFFF);
    board.clear();
    EXPECT_EQ(board.pixel(0, 0), rgb(0, 255, 0));
    EXPECT_EQ(board.pixel(2, 2), kBack);
}

// ---------------------------------------------------------------- snapshot

std::uint32_t le32(const ByteBuffer& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint32_t le16(const ByteBuffer& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}

class SnapshotTest : public ::testing::TestWithParam<int> {};

TEST_P(SnapshotTest, IsA24BitBottomUpBmpEndingInThePixelRows) {
    const int side = GetParam();
    BoardRaster board(side, side, themeBackColor);
    board.drawPoint(0, 0, rgb(0x11, 0x22, 0x33));         // top-left
    board.drawPoint(0, side - 1, rgb(0x44, 0x55, 0x66));  // bottom-left
    board.drawPoint(side - 1, 0, rgb(0x77, 0x88, 0x99));  // top-right
    const ByteBuffer bmp = board.snapshot();
    const std::size_t rows = static_cast<std::size_t>(side) * side * 3;
    ASSERT_EQ(bmp.size(), 54 + rows);
    EXPECT_EQ(bmp.size(), side == 16 ? 822u : 3126u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 6), 0u);
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32(bmp, 18), static_cast<std::uint32_t>(side));
    EXPECT_EQ(le32(bmp, 22), static_cast<std::uint32_t>(side));  // positive: bottom-up
    EXPECT_EQ(le16(bmp, 26), 1u);
    EXPECT_EQ(le16(bmp, 28), 24u);
    EXPECT_EQ(le32(bmp, 30), 0u);  // BI_RGB

    // The last bytes are the pixel rows: blue, green, red, bottom row first.
    const std::size_t px = bmp.size() - rows;
    const std::size_t top = px + static_cast<std::size_t>(side - 1) * side * 3;
    EXPECT_EQ(bmp[px + 0], 0x66);
    EXPECT_EQ(bmp[px + 1], 0x55);
    EXPECT_EQ(bmp[px + 2], 0x44);
    EXPECT_EQ(bmp[top + 0], 0x33);
    EXPECT_EQ(bmp[top + 1], 0x22);
    EXPECT_EQ(bmp[top + 2], 0x11);
    EXPECT_EQ(bmp[bmp.size() - 3], 0x99);
    EXPECT_EQ(bmp[bmp.size() - 2], 0x88);
    EXPECT_EQ(bmp[bmp.size() - 1], 0x77);
    // Every other pixel is the background: 0xFF, 0x88, 0x00.
    EXPECT_EQ(bmp[px + 3], 0xFF);
    EXPECT_EQ(bmp[px + 4], 0x88);
    EXPECT_EQ(bmp[px + 5], 0x00);
}

INSTANTIATE_TEST_SUITE_P(IconSizes, SnapshotTest, ::testing::Values(16, 32));

TEST(Snapshot, RowsArePaddedToFourBytes) {
    BoardRaster board(5, 3, kBack);
    board.drawPoint(4, 2, rgb(1, 2, 3));  // the last pixel of the bottom row
    const ByteBuffer bmp = board.snapshot();
    ASSERT_EQ(bmp.size(), 54u + 3 * 16);  // 15 bytes of pixels padded to 16
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(bmp[54 + 12], 3);
    EXPECT_EQ(bmp[54 + 13], 2);
    EXPECT_EQ(bmp[54 + 14], 1);
    EXPECT_EQ(bmp[54 + 15], 0);  // filler
}

}  // namespace
}  // namespace icogen::platform
