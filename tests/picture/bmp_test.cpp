// BMP decoding from fixtures built here: every header and pixel variant, RLE escapes,
// malformed headers and truncation, and reduction while the rows stream in.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "picture/dib_fixtures.h"
#include "picture/malformed_cases.h"
#include "picture/picture.h"
#include "picture/reduce.h"

namespace icogen::picture {
namespace {

using fixtures::bmpFile;
using fixtures::DibFields;
using fixtures::packRows;
using fixtures::Rows;

constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
constexpr std::uint32_t Y = 0xFFFFFF00, C = 0xFF00FFFF, M = 0xFFFF00FF;
constexpr std::uint32_t T = 0x00000000;  // a pixel RLE never wrote
// Top row R G B, bottom row Y C M: catches swapped rows, columns and channels at once.
const std::vector<std::uint32_t> kSix = {R, G, B, Y, C, M};
const std::vector<std::uint32_t> kSixRgb = {0xFF0000, 0x00FF00, 0x0000FF,
                                            0xFFFF00, 0x00FFFF, 0xFF00FF};
const Rows kSixIndices = {{0, 1, 2}, {3, 4, 5}};

DecodeResult decode(const std::vector<std::uint8_t>& bytes, std::uint32_t sizeHint = 0) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    return decodePicture(bytes, options);
}

struct VariantCase {
    std::string name;
    DibFields fields;
    Rows stored;  // values top-down, packed with the fields's bit count
    std::vector<std::uint32_t> expected;
};

void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.name;
}

DibFields fields3x2(std::uint16_t bits, std::uint32_t headerSize = 40) {
    DibFields s;
    s.headerSize = headerSize;
    s.width = 3;
    s.height = 2;
    s.bitCount = bits;
    return s;
}

std::vector<VariantCase> variantCases() {
    std::vector<VariantCase> cases;
    {
        auto s = fields3x2(1);
        s.palette = {0x102030, 0xA0B0C0};
        cases.push_back({"OneBit",
                         s,
                         {{0, 1, 1}, {1, 0, 0}},
                         {0xFF102030, 0xFFA0B0C0, 0xFFA0B0C0, 0xFFA0B0C0, 0xFF102030, 0xFF102030}});
    }
    {
        auto s = fields3x2(2);
        s.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
        cases.push_back({"TwoBit", s, {{0, 1, 2}, {3, 0, 1}}, {R, G, B, Y, R, G}});
    }
    {
        auto s = fields3x2(4);
        s.palette = kSixRgb;
        s.colorsUsed = 6;
        cases.push_back({"FourBit", s, kSixIndices, kSix});
    }
    {
        auto s = fields3x2(8);
        s.palette = kSixRgb;
        s.colorsUsed = 6;
        cases.push_back({"EightBit", s, kSixIndices, kSix});
    }
    {
        // OS/2 v1: 16-bit sizes, 3-byte palette entries, as many of them as fit before the
        // pixels.
        auto s = fields3x2(8, 12);
        s.palette = kSixRgb;
        cases.push_back({"CoreHeaderEightBit", s, kSixIndices, kSix});
        s.palette.clear();
        s.bitCount = 24;
        cases.push_back({"CoreHeader24Bit",
                         s,
                         {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFF00, 0x00FFFF, 0xFF00FF}},
                         kSix});
    }
    {
        auto s = fields3x2(8, 64);  // OS/2 v2
        s.palette = kSixRgb;
        s.colorsUsed = 6;
        cases.push_back({"Os2v2EightBit", s, kSixIndices, kSix});
        auto s16 = fields3x2(24, 16);  // OS/2 v2 cut to its first 16 bytes
        cases.push_back({"Os2v2Short24Bit",
                         s16,
                         {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFF00, 0x00FFFF, 0xFF00FF}},
                         kSix});
    }
    {
        auto s = fields3x2(16);  // 5-5-5, top bit unused
        cases.push_back({"Rgb555",
                         s,
                         {{0xFC00, 0x03E0, 0x001F}, {0x7FE0, 0x03FF, 0x4210}},
                         {R, G, B, Y, C, 0xFF848484}});
    }
    {
        auto s = fields3x2(16);
        s.compression = 3;
        s.masksAfter = {0xF800, 0x07E0, 0x001F};
        cases.push_back(
            {"Bitfields565", s, {{0xF800, 0x07E0, 0x001F}, {0xFFE0, 0x07FF, 0xF81F}}, kSix});
    }
    {
        auto s = fields3x2(24);
        cases.push_back({"TrueColour24",
                         s,
                         {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFF00, 0x00FFFF, 0xFF00FF}},
                         kSix});
        s.height = -2;
        cases.push_back({"TopDown24",
                         s,
                         {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFF00, 0x00FFFF, 0xFF00FF}},
                         kSix});
    }
    {
        auto s = fields3x2(8);
        s.height = -2;
        s.palette = kSixRgb;
        s.colorsUsed = 6;
        cases.push_back({"TopDownEightBit", s, kSixIndices, kSix});
    }
    {
        // The unused top byte of plain 32-bit pixels is not alpha.
        auto s = fields3x2(32);
        cases.push_back(
            {"Plain32IgnoresTopByte",
             s,
             {{0x12FF0000, 0x0000FF00, 0x340000FF}, {0x56FFFF00, 0x0000FFFF, 0x78FF00FF}},
             kSix});
    }
    {
        // Red in the low byte, blue high: masks anywhere, of any width.
        auto s = fields3x2(32);
        s.compression = 3;
        s.masksAfter = {0x000000FF, 0x0000FF00, 0x00FF0000};
        cases.push_back({"BitfieldsSwapped32",
                         s,
                         {{0x0000FF, 0x00FF00, 0xFF0000}, {0x00FFFF, 0xFFFF00, 0xFF00FF}},
                         kSix});
        s.masksAfter = {0xFFE00000, 0x001FFC00, 0x000003FF};  // 11-11-10
        cases.push_back(
            {"Bitfields111110",
             s,
             {{0xFFE00000, 0x001FFC00, 0x000003FF}, {0x80000000, 0x00000000, 0x00000200}},
             {R, G, B, 0xFF800000, 0xFF000000, 0xFF000080}});
    }
    {
        auto s = fields3x2(32);
        s.compression = 6;  // ALPHABITFIELDS: four masks after a 40-byte header
        s.masksAfter = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        cases.push_back(
            {"AlphaBitfields",
             s,
             {{0x80FF0000, 0x0000FF00, 0xFF0000FF}, {0xFFFFFF00, 0x4000FFFF, 0xFFFF00FF}},
             {0x80FF0000, 0x0000FF00, B, Y, 0x4000FFFF, M}});
    }
    {
        auto s = fields3x2(16, 108);  // V4: masks in the header, alpha included
        s.compression = 3;
        s.headerMasks = {0x0F00, 0x00F0, 0x000F, 0xF000};
        cases.push_back({"V4Bitfields4444",
                         s,
                         {{0xFF00, 0x80F0, 0x000F}, {0xFFF0, 0xF0FF, 0xFF0F}},
                         {R, 0x8800FF00, 0x000000FF, Y, C, M}});
    }
    {
        auto s = fields3x2(32, 124);  // V5 with plain pixels and an alpha mask
        s.headerMasks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        cases.push_back(
            {"V5PlainWithAlphaMask",
             s,
             {{0x20FF0000, 0xFF00FF00, 0xFF0000FF}, {0xFFFFFF00, 0xFF00FFFF, 0x00FF00FF}},
             {0x20FF0000, G, B, Y, C, 0x00FF00FF}});
    }
    {
        auto s = fields3x2(32, 52);  // V2: colour masks in the header, no alpha
        s.compression = 3;
        s.headerMasks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
        cases.push_back(
            {"V2Header",
             s,
             {{0x12FF0000, 0x0000FF00, 0x000000FF}, {0x00FFFF00, 0x0000FFFF, 0x00FF00FF}},
             kSix});
        s.headerSize = 56;  // V3: alpha too
        s.headerMasks[3] = 0xFF000000;
        cases.push_back(
            {"V3HeaderWithAlpha",
             s,
             {{0x10FF0000, 0xFF00FF00, 0xFF0000FF}, {0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF}},
             {0x10FF0000, G, B, Y, C, M}});
    }
    {
        // Only two colours are declared and present; the other indices are black.
        auto s = fields3x2(8);
        s.palette = {0xFF0000, 0x00FF00};
        s.colorsUsed = 2;
        cases.push_back({"IndicesBeyondPalette",
                         s,
                         {{0, 1, 2}, {255, 1, 0}},
                         {R, G, 0xFF000000, 0xFF000000, G, R}});
    }
    return cases;
}

class BmpVariant : public ::testing::TestWithParam<VariantCase> {};

TEST_P(BmpVariant, DecodesPixelsInPlace) {
    const VariantCase& c = GetParam();
    const auto file =
        bmpFile(c.fields, packRows(c.stored, c.fields.bitCount, /*topDown=*/c.fields.height < 0));
    const auto result = decode(file);
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    EXPECT_EQ(p.kind, Kind::Bmp);
    EXPECT_EQ(p.alphaUse, AlphaUse::Opaque);
    EXPECT_EQ(p.width, 3u);
    EXPECT_EQ(p.height, 2u);
    EXPECT_EQ(p.pixelWidth, 3u);
    EXPECT_EQ(p.pixelHeight, 2u);
    EXPECT_EQ(p.pixels, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpVariant, ::testing::ValuesIn(variantCases()),
                         [](const auto& info) { return info.param.name; });

// --- RLE -------------------------------------------------------------------------------------

struct RleCase {
    std::string name;
    std::uint16_t bits;
    std::int32_t width, height;
    std::vector<std::uint8_t> data;
    std::vector<std::uint32_t> expected;
};

void PrintTo(const RleCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<RleCase> rleCases() {
    return {
        {"Rle8RunsAbsoluteEolDeltaEob",
         8,
         4,
         3,
         {
             0x03, 0x01, 0x00, 0x00,              // bottom: G G G, end of line
             0x00, 0x03, 0x00, 0x01, 0x02, 0x00,  // middle: absolute R G B, padded
             0x01, 0x03, 0x00, 0x00,              //         Y, end of line
             0x00, 0x02, 0x02, 0x00, 0x02, 0x03,  // top: delta right 2, Y Y
             0x00, 0x01,                          // end of bitmap
         },
         {T, T, Y, Y, R, G, B, Y, G, G, G, T}},
        {"Rle8DeltaUpAndEarlyEnd",
         8,
         3,
         3,
         {0x01, 0x00, 0x00, 0x02, 0x01, 0x01, 0x01, 0x01, 0x00, 0x01},
         {T, T, T, T, T, G, R, T, T}},
        {"Rle8RunPastRightEdgeIsClipped",
         8,
         4,
         1,
         {0x06, 0x01, 0x01, 0x02, 0x00, 0x01},
         {G, G, G, G}},
        {"Rle8WithoutEndKeepsWhatArrived", 8, 2, 2, {0x02, 0x01}, {T, T, G, G}},
        {"Rle4NibblesAndPaddedAbsolute",
         4,
         6,
         2,
         {
             0x06, 0x01, 0x00, 0x00,              // bottom: R G R G R G
             0x00, 0x05, 0x01, 0x23, 0x00, 0x00,  // top: absolute R G B Y R, padded
             0x01, 0x30, 0x00, 0x01,              //      Y, end of bitmap
         },
         {R, G, B, Y, R, Y, R, G, R, G, R, G}},
    };
}

class BmpRle : public ::testing::TestWithParam<RleCase> {};

TEST_P(BmpRle, DecodesEscapes) {
    const RleCase& c = GetParam();
    DibFields s;
    s.width = c.width;
    s.height = c.height;
    s.bitCount = c.bits;
    s.compression = c.bits == 8 ? 1 : 2;
    s.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    s.colorsUsed = 4;
    s.sizeImage = static_cast<std::uint32_t>(c.data.size());
    const auto result = decode(bmpFile(s, c.data));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rle, BmpRle, ::testing::ValuesIn(rleCases()),
                         [](const auto& info) { return info.param.name; });

TEST(BmpRle, DataBeyondTheDeclaredImageSizeIsNotRead) {
    DibFields s;
    s.width = 2;
    s.height = 1;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = {0xFF0000, 0x00FF00};
    s.colorsUsed = 2;
    s.sizeImage = 2;  // only the first run belongs to the bitmap
    const auto result = decode(bmpFile(s, std::vector<std::uint8_t>{0x01, 0x01, 0x01, 0x01}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result.picture->pixels, (std::vector<std::uint32_t>{G, T}));
}

TEST(BmpRle, DeltasOverAHugePictureCostTheirDataOnly) {
    // 65535 x 16384 declared; 64 deltas of 255 rows each, then one run of 200 pixels near the
    // top. Skipped rows must not be paid for pixel by pixel.
    DibFields s;
    s.width = 65535;
    s.height = 16384;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = {0xFF0000, 0x00FF00};
    s.colorsUsed = 2;
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 64; ++i) data.insert(data.end(), {0x00, 0x02, 0x00, 0xFF});
    data.insert(data.end(), {200, 0x01, 0x00, 0x01});
    const auto start = std::chrono::steady_clock::now();
    const auto result = decode(bmpFile(s, data), 84);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    ASSERT_EQ(detail::RowReducer::factorFor(65535, 16384, 84), 195u);
    EXPECT_EQ(p.pixelWidth, 337u);
    EXPECT_EQ(p.pixelHeight, 85u);
    // The run lies in stored row 64 * 255 = 16320, top-down row 63: the first band of rows.
    // Its first block holds 195 of the run's green pixels among 195 x 195.
    const std::uint32_t first = p.pixels[0];
    EXPECT_EQ(first >> 8 & 0xFF, (195u * 255 + 195 * 195 / 2) / (195 * 195));
    EXPECT_EQ(p.pixels[2], 0x00000000u);
    EXPECT_EQ(p.pixels[337], 0x00000000u);
}

// --- Malformed files -------------------------------------------------------------------------

using test::BadCase;

std::vector<std::uint8_t> plain24(DibFields s, std::size_t rows = 2) {
    s.bitCount = 24;
    return bmpFile(s, std::vector<std::uint8_t>(rows * 12, 0x55));
}

std::vector<BadCase> badCases() {
    std::vector<BadCase> cases;
    const DibFields base = fields3x2(24);
    const auto good = plain24(base);

    cases.push_back({"OnlyTheMagic", {'B', 'M'}, Failure::Corrupt});
    cases.push_back({"HeaderCutShort", std::vector<std::uint8_t>(good.begin(), good.begin() + 30),
                     Failure::Corrupt});
    {
        auto s = base;
        s.headerSize = 66;  // no BMP version has such a header
        cases.push_back({"UnknownHeaderSize", plain24(s), Failure::Corrupt});
    }
    {
        auto s = base;
        s.width = 0;
        cases.push_back({"ZeroWidth", plain24(s), Failure::Corrupt});
        s.width = -3;
        cases.push_back({"NegativeWidth", plain24(s), Failure::Corrupt});
        s.width = 3;
        s.height = 0;
        cases.push_back({"ZeroHeight", plain24(s), Failure::Corrupt});
    }
    {
        auto s = base;
        s.width = 70000;
        cases.push_back({"WidthBeyondLimit", plain24(s), Failure::TooLarge});
        s.width = 40000;
        s.height = 40000;  // each side allowed, the area not
        cases.push_back({"AreaBeyondLimit", plain24(s), Failure::TooLarge});
        s.width = 1;
        s.height = INT32_MIN;
        cases.push_back({"MostNegativeHeight", plain24(s), Failure::TooLarge});
    }
    {
        auto s = base;
        s.bitCount = 3;
        cases.push_back(
            {"OddBitCount", bmpFile(s, std::vector<std::uint8_t>(8)), Failure::Corrupt});
        s.bitCount = 30000;
        cases.push_back(
            {"AbsurdBitCount", bmpFile(s, std::vector<std::uint8_t>(8)), Failure::Corrupt});
    }
    cases.push_back({"PixelsBeyondTheFile", bmpFile(base, std::vector<std::uint8_t>(24), 4096),
                     Failure::Corrupt});
    cases.push_back({"PixelsInsideTheHeader", bmpFile(base, std::vector<std::uint8_t>(24), 20),
                     Failure::Corrupt});
    cases.push_back(
        {"NotOneWholeRow", bmpFile(base, std::vector<std::uint8_t>(11)), Failure::Corrupt});
    {
        auto s = fields3x2(8);
        s.palette = kSixRgb;
        s.colorsUsed = 0x7FC80000;  // far more colours than the file holds
        cases.push_back(
            {"AbsurdColourCount", bmpFile(s, packRows(kSixIndices, 8)), Failure::Corrupt});
    }
    {
        auto s = base;
        s.compression = 4;
        cases.push_back({"EmbeddedJpeg", plain24(s), Failure::Unsupported});
        s.compression = 5;
        cases.push_back({"EmbeddedPng", plain24(s), Failure::Unsupported});
        s.compression = 99;
        cases.push_back({"UnknownCompression", plain24(s), Failure::Corrupt});
        s.compression = 3;  // bitfields need 16 or 32 bits
        s.masksAfter = {0xFF0000, 0xFF00, 0xFF};
        cases.push_back({"Bitfields24Bit", plain24(s), Failure::Corrupt});
    }
    {
        auto s = fields3x2(4);
        s.compression = 1;  // RLE8 on a 4-bit bitmap
        s.palette = kSixRgb;
        cases.push_back(
            {"Rle8WithFourBits", bmpFile(s, std::vector<std::uint8_t>{0, 1}), Failure::Corrupt});
        s.bitCount = 8;
        s.height = -2;  // compressed bitmaps are bottom-up only
        cases.push_back(
            {"RleTopDown", bmpFile(s, std::vector<std::uint8_t>{0, 1}), Failure::Corrupt});
    }
    {
        auto s = fields3x2(1, 64);
        s.compression = 3;  // Huffman 1D in an OS/2 v2 file
        s.palette = {0, 0xFFFFFF};
        cases.push_back(
            {"Os2Huffman", bmpFile(s, std::vector<std::uint8_t>(8)), Failure::Unsupported});
    }
    return cases;
}

class BmpMalformed : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpMalformed, FailsWithTheRightReason) {
    test::expectRefused(decode(GetParam().bytes), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(Malformed, BmpMalformed, ::testing::ValuesIn(badCases()),
                         test::badCaseName);

TEST(BmpTruncated, KeepsTheRowsThatArrivedAndLeavesTheRestTransparent) {
    DibFields s = fields3x2(24);
    s.height = 4;
    const Rows rows = {{0xFF0000, 0xFF0000, 0xFF0000},
                       {0x00FF00, 0x00FF00, 0x00FF00},
                       {0x0000FF, 0x0000FF, 0x0000FF},
                       {0xFFFF00, 0xFFFF00, 0xFFFF00}};
    auto file = bmpFile(s, packRows(rows, 24));
    file.resize(file.size() - 12 - 5);  // the top row and part of the one below are gone
    const auto result = decode(file);
    ASSERT_TRUE(result) << failureName(result.failure);
    const std::vector<std::uint32_t> expected = {T, T, T, T, T, T, B, B, B, Y, Y, Y};
    EXPECT_EQ(result.picture->pixels, expected);
    EXPECT_EQ(result.picture->height, 4u);
}

TEST(BmpPalette, LongerPaletteThanTheBitsAddressIsReadWhenPresent) {
    // 300 colours are really there: the picture decodes and the first 256 are the palette.
    DibFields s = fields3x2(8);
    s.colorsUsed = 300;
    s.palette.assign(300, 0x000000);
    s.palette[0] = 0xFF0000;
    s.palette[255] = 0x00FF00;
    const auto result = decode(bmpFile(s, packRows({{0, 255, 0}, {255, 0, 255}}, 8)));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, (std::vector<std::uint32_t>{R, G, R, G, R, G}));
}

TEST(BmpPalette, PixelOffsetZeroMeansRightAfterThePalette) {
    DibFields s = fields3x2(8);
    s.palette = kSixRgb;
    s.colorsUsed = 6;
    const auto result = decode(bmpFile(s, packRows(kSixIndices, 8), 0));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, kSix);
}

// --- Reduction -------------------------------------------------------------------------------

// 8x8, four 4x4 quadrants: top-left half red half blue (by rows), the others plain colours.
Rows quadrants() {
    Rows rows(8, std::vector<std::uint32_t>(8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            std::uint32_t v;
            if (x < 4 && y < 4)
                v = y < 2 ? 0xFF0000 : 0x0000FF;
            else if (y < 4)
                v = 0x00FF00;
            else if (x < 4)
                v = 0x404040;
            else
                v = 0xFFFFFF;
            rows[y][x] = v;
        }
    return rows;
}

TEST(BmpReduce, SizeHintAveragesBlocksAndKeepsTheDeclaredSize) {
    DibFields s;
    s.width = 8;
    s.height = 8;
    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        s.height = topDown ? -8 : 8;
        const auto result = decode(bmpFile(s, packRows(quadrants(), 24, topDown)), 2);
        ASSERT_TRUE(result) << failureName(result.failure);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.width, 8u);
        EXPECT_EQ(p.height, 8u);
        EXPECT_EQ(p.pixelWidth, 2u);
        EXPECT_EQ(p.pixelHeight, 2u);
        EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0xFF800080, G, 0xFF404040, 0xFFFFFFFF}));
    }
}

TEST(BmpReduce, ColoursOfAnOpaqueDrawnPictureAreAveragedWhateverTheirAlpha) {
    // Drawn opaque, a pixel with alpha 0 still shows its colour, so it counts fully.
    DibFields s = fields3x2(32, 124);
    s.width = 2;
    s.height = 2;
    s.headerMasks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    const auto result =
        decode(bmpFile(s, packRows({{0xFFFF0000, 0x000000FF}, {0xFFFF0000, 0x000000FF}}, 32)), 1);
    ASSERT_TRUE(result) << failureName(result.failure);
    ASSERT_EQ(result.picture->pixels.size(), 1u);
    EXPECT_EQ(result.picture->pixels[0], 0x80800080u);
}

}  // namespace
}  // namespace icogen::picture
