// ICO and CUR decoding from fixtures built here and from icogen's own icon files: which image
// is chosen, the AND mask and alpha, PNG images, and broken directories and images.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "icon/icon_file.h"
#include "picture/dib_fixtures.h"
#include "picture/malformed_cases.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

using fixtures::ByteWriter;
using fixtures::DibFields;
using fixtures::packRows;
using fixtures::Rows;

constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;

// --- Builders --------------------------------------------------------------------------------

struct Image {
    std::vector<std::uint8_t> data;
    std::uint8_t entryWidth = 0, entryHeight = 0;  // 0 stands for 256
    std::uint16_t entryBitCount = 0;               // icogen writes 0 here
};

std::vector<std::uint8_t> iconFile(const std::vector<Image>& images, std::uint16_t type = 1) {
    ByteWriter w;
    w.u16(0).u16(type).u16(static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Image& im : images) {
        w.u8(im.entryWidth).u8(im.entryHeight).u8(0).u8(0).u16(1).u16(im.entryBitCount);
        w.u32(static_cast<std::uint32_t>(im.data.size())).u32(offset);
        offset += static_cast<std::uint32_t>(im.data.size());
    }
    for (const Image& im : images) w.append(im.data);
    return w.bytes();
}

// A bitmap image: header (height doubled), palette, XOR rows, AND mask rows (1 = transparent).
std::vector<std::uint8_t> bitmap(DibFields fields, const Rows& pixels, const Rows& mask) {
    fields.width = static_cast<std::int32_t>(pixels[0].size());
    fields.height = 2 * static_cast<std::int32_t>(pixels.size());
    ByteWriter w;
    w.append(fixtures::dibHead(fields));
    w.append(packRows(pixels, fields.bitCount));
    w.append(packRows(mask, 1));
    return w.bytes();
}

Rows solid(std::uint32_t w, std::uint32_t h, std::uint32_t value) {
    return Rows(h, std::vector<std::uint32_t>(w, value));
}

// A w x h image of one colour at the given depth, with a clear AND mask.
Image plainImage(std::uint32_t size, std::uint16_t bits, std::uint32_t rgb) {
    DibFields s;
    s.bitCount = bits;
    std::uint32_t value = rgb;
    if (bits <= 8) {
        s.palette = {0x000000, rgb};
        s.colorsUsed = 2;
        value = 1;
    }
    Image im;
    im.data = bitmap(s, solid(size, size, value), solid(size, size, 0));
    im.entryWidth = static_cast<std::uint8_t>(size);
    im.entryHeight = static_cast<std::uint8_t>(size);
    return im;
}

// A minimal PNG: 8-bit RGBA, one stored deflate block.
std::uint32_t crc32(const std::vector<std::uint8_t>& d, std::size_t from) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = from; i < d.size(); ++i) {
        crc ^= d[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& d) {
    const auto be32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
    };
    be32(static_cast<std::uint32_t>(d.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), d.begin(), d.end());
    be32(crc32(out, start));
}

std::vector<std::uint8_t> pngRgba(std::uint32_t w, std::uint32_t h,
                                  const std::vector<std::uint32_t>& argb) {
    std::vector<std::uint8_t> raw;
    for (std::uint32_t y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        for (std::uint32_t x = 0; x < w; ++x) {
            const std::uint32_t p = argb[y * w + x];
            for (int s : {16, 8, 0, 24}) raw.push_back(static_cast<std::uint8_t>(p >> s));
        }
    }
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    const auto n = static_cast<std::uint16_t>(raw.size());
    std::vector<std::uint8_t> z = {0x78,
                                   0x01,
                                   0x01,
                                   static_cast<std::uint8_t>(n),
                                   static_cast<std::uint8_t>(n >> 8),
                                   static_cast<std::uint8_t>(~n),
                                   static_cast<std::uint8_t>(~n >> 8)};
    z.insert(z.end(), raw.begin(), raw.end());
    const std::uint32_t adler = b << 16 | a;
    for (int s = 24; s >= 0; s -= 8) z.push_back(static_cast<std::uint8_t>(adler >> s));

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<std::uint8_t> ihdr;
    for (const std::uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<std::uint8_t>(v >> s));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}

DecodeResult decode(const std::vector<std::uint8_t>& bytes, std::uint32_t sizeHint = 0) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    return decodePicture(bytes, options);
}

// --- Which image is shown --------------------------------------------------------------------

struct ChoiceCase {
    std::string name;
    std::vector<Image> images;
    std::uint32_t size;    // of the image that must be shown
    std::uint32_t colour;  // its colour
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<ChoiceCase> choiceCases() {
    std::vector<ChoiceCase> cases;
    cases.push_back(
        {"LargestWins", {plainImage(16, 24, 0xFF0000), plainImage(32, 4, 0x00FF00)}, 32, G});
    cases.push_back(
        {"DeepestOfEqualSize",
         {plainImage(32, 4, 0xFF0000), plainImage(32, 24, 0x00FF00), plainImage(32, 8, 0x0000FF)},
         32,
         G});
    {
        // The directory understates the first image and overstates the depth of the second:
        // the images' own headers decide.
        auto big = plainImage(48, 8, 0xFF0000);
        big.entryWidth = big.entryHeight = 16;
        auto shallow = plainImage(48, 4, 0x00FF00);
        shallow.entryBitCount = 32;
        cases.push_back({"ImageHeadersOverDirectory", {shallow, big}, 48, R});
    }
    cases.push_back({"FirstOfEqualImages",
                     {plainImage(16, 24, 0xFF0000), plainImage(16, 24, 0x00FF00)},
                     16,
                     R});
    {
        auto broken = plainImage(32, 24, 0xFF0000);
        broken.data[0] = 66;  // no bitmap header has this size
        cases.push_back({"UnreadableBestFallsBack", {broken, plainImage(16, 24, 0x00FF00)}, 16, G});
    }
    {
        Image png;
        png.data = pngRgba(32, 32, std::vector<std::uint32_t>(32 * 32, B));
        png.data[png.data.size() - 20] ^= 0xFF;  // inside the IDAT data: its CRC fails
        cases.push_back({"BrokenPngFallsBack", {png, plainImage(16, 24, 0x00FF00)}, 16, G});
    }
    return cases;
}

class IcoChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(IcoChoice, ShowsTheImageAUserWants) {
    const ChoiceCase& c = GetParam();
    const auto result = decode(iconFile(c.images));
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    EXPECT_EQ(p.kind, Kind::Ico);
    EXPECT_EQ(p.alphaUse, AlphaUse::OverBoard);
    EXPECT_EQ(p.width, c.size);
    EXPECT_EQ(p.height, c.size);
    EXPECT_EQ(p.pixels, std::vector<std::uint32_t>(std::size_t{c.size} * c.size, c.colour));
}

INSTANTIATE_TEST_SUITE_P(Choice, IcoChoice, ::testing::ValuesIn(choiceCases()),
                         [](const auto& info) { return info.param.name; });

TEST(IcoPng, PngImageKeepsItsAlphaAndIsAnIcon) {
    const std::vector<std::uint32_t> pixels = {0xFFFF0000, 0x8000FF00, 0x00000000, 0xFF0000FF};
    Image png;
    png.data = pngRgba(2, 2, pixels);
    const auto result = decode(iconFile({png, plainImage(1, 24, 0xFFFFFF)}));
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    EXPECT_EQ(p.kind, Kind::Ico);
    EXPECT_EQ(p.alphaUse, AlphaUse::OverBoard);
    ASSERT_EQ(p.pixels.size(), 4u);
    EXPECT_EQ(p.pixels[0], pixels[0]);
    EXPECT_EQ(p.pixels[1], pixels[1]);
    EXPECT_EQ(p.pixels[2] >> 24, 0u);
    EXPECT_EQ(p.pixels[3], pixels[3]);
}

// --- Transparency ----------------------------------------------------------------------------

TEST(IcoMask, SetMaskBitsMakePixelsTransparent) {
    DibFields s;
    s.bitCount = 24;
    Image im;
    im.data = bitmap(s, {{0xFF0000, 0x00FF00, 0x0000FF}, {0x0000FF, 0x00FF00, 0xFF0000}},
                     {{0, 1, 0}, {1, 0, 0}});
    const auto result = decode(iconFile({im}));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels,
              (std::vector<std::uint32_t>{R, 0x0000FF00, B, 0x000000FF, G, R}));
}

TEST(IcoMask, OneBitImageUsesItsPalette) {
    DibFields s;
    s.bitCount = 1;
    s.palette = {0x000000, 0xFFFFFF};
    Image im;
    im.data = bitmap(s, {{0, 1}, {1, 1}}, {{0, 0}, {0, 1}});
    const auto result = decode(iconFile({im}, 2));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->kind, Kind::Cur);
    EXPECT_EQ(result.picture->alphaUse, AlphaUse::OverBoard);
    EXPECT_EQ(result.picture->pixels,
              (std::vector<std::uint32_t>{0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0x00FFFFFF}));
}

TEST(IcoMask, ThirtyTwoBitAlphaWinsOverTheMask) {
    DibFields s;
    s.bitCount = 32;
    Image im;
    im.data = bitmap(s, {{0xFFFF0000, 0x4000FF00}, {0x000000FF, 0xFFFFFFFF}}, solid(2, 2, 1));
    const auto result = decode(iconFile({im}));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels,
              (std::vector<std::uint32_t>{0xFFFF0000, 0x4000FF00, 0x000000FF, 0xFFFFFFFF}));
}

TEST(IcoMask, ThirtyTwoBitWithoutAnyAlphaUsesTheMask) {
    DibFields s;
    s.bitCount = 32;
    Image im;
    im.data = bitmap(s, {{0x00FF0000, 0x0000FF00}, {0x000000FF, 0x00FFFFFF}}, {{0, 1}, {0, 0}});
    const auto result = decode(iconFile({im}));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, (std::vector<std::uint32_t>{R, 0x0000FF00, B, 0xFFFFFFFF}));
}

TEST(IcoMask, MaskCutShortByTheFileEndIsOpaque) {
    DibFields s;
    s.bitCount = 24;
    Image im;
    // Four rows; the mask's bottom row (stored first) makes its left pixel transparent, and
    // the mask rows above it are cut off. They would make every pixel transparent.
    im.data = bitmap(s, solid(2, 4, 0xFF0000), {{1, 1}, {1, 1}, {1, 1}, {1, 0}});
    auto file = iconFile({im});
    file.resize(file.size() - 3 * 4 - 2);
    const auto result = decode(file);
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels,
              (std::vector<std::uint32_t>{R, R, R, R, R, R, 0x00FF0000, R}));
}

TEST(IcoReduce, SizeHintAveragesWeightedByAlpha) {
    // A transparent pixel leaves the board as it was, so its colour must not tint the average.
    DibFields s;
    s.bitCount = 24;
    Image im;
    im.data = bitmap(s, {{0xFF0000, 0x0000FF}, {0xFF0000, 0x0000FF}}, {{0, 1}, {0, 1}});
    const auto result = decode(iconFile({im}), 1);
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->width, 2u);
    EXPECT_EQ(result.picture->pixelWidth, 1u);
    EXPECT_EQ(result.picture->pixels, (std::vector<std::uint32_t>{0x80FF0000}));
}

// --- icogen's own icon files -----------------------------------------------------------------

// Pixel rows as the icon files store them (bottom-up, blue green red), from a top-down pattern.
std::vector<std::uint8_t> pixelRows(int size) {
    std::vector<std::uint8_t> rows;
    for (int r = size - 1; r >= 0; --r)
        for (int c = 0; c < size; ++c) {
            rows.push_back(static_cast<std::uint8_t>(0x80 + c));   // blue
            rows.push_back(static_cast<std::uint8_t>(r * 7));      // green
            rows.push_back(static_cast<std::uint8_t>(c * 5 + r));  // red
        }
    return rows;
}

std::vector<std::uint32_t> expectedPattern(int size) {
    std::vector<std::uint32_t> out;
    for (int r = 0; r < size; ++r)
        for (int c = 0; c < size; ++c)
            out.push_back(0xFF000000u | std::uint32_t((c * 5 + r) & 0xFF) << 16 |
                          std::uint32_t((r * 7) & 0xFF) << 8 | std::uint32_t((0x80 + c) & 0xFF));
    return out;
}

TEST(IcoOwnFiles, EveryTemplateDecodesToItsPixels) {
    const auto rows16 = pixelRows(16);
    const auto rows32 = pixelRows(32);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        int size;
    };
    const std::vector<Case> cases = {
        {"16", icon::fillTemplate16(rows16), 16},
        {"32", icon::fillTemplate32(rows32), 32},
        {"two images: the larger is shown", icon::fillTemplateDual(rows16, rows32), 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(c.file);
        ASSERT_TRUE(result) << failureName(result.failure);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.kind, Kind::Ico);
        EXPECT_EQ(p.width, static_cast<std::uint32_t>(c.size));
        EXPECT_EQ(p.height, static_cast<std::uint32_t>(c.size));
        EXPECT_EQ(p.pixels, expectedPattern(c.size));
    }
}

TEST(IcoOwnFiles, PaintedTransparentPixelIsTransparent) {
    auto file = icon::fillTemplate16(pixelRows(16));
    icon::patchWorkIcon(file, 1, 3, 2, /*transparent=*/true, 0);  // column 3, row 2, 1-based
    const auto result = decode(file);
    ASSERT_TRUE(result) << failureName(result.failure);
    auto expected = expectedPattern(16);
    expected[1 * 16 + 2] = 0x00000000;
    EXPECT_EQ(result.picture->pixels, expected);
}

// --- Broken files ----------------------------------------------------------------------------

using test::BadCase;

std::vector<BadCase> badCases() {
    std::vector<BadCase> cases;
    const auto good = iconFile({plainImage(4, 24, 0xFF0000)});
    cases.push_back({"NoImages", {0, 0, 1, 0, 0, 0}, Failure::Corrupt});
    cases.push_back({"DirectoryHeaderOnly", {0, 0, 1, 0}, Failure::Corrupt});
    cases.push_back({"EntryCutShort", std::vector<std::uint8_t>(good.begin(), good.begin() + 14),
                     Failure::Corrupt});
    {
        auto b = good;
        b[4] = 9;  // nine entries would run over the image into the end of the file
        cases.push_back({"DirectoryLongerThanTheFile", b, Failure::Corrupt});
    }
    {
        auto b = good;
        b[18] = 0xFF;  // offset beyond the file
        cases.push_back({"OffsetBeyondTheFile", b, Failure::Corrupt});
        b = good;
        b[18] = 6;  // offset inside the directory
        cases.push_back({"OffsetInsideTheDirectory", b, Failure::Corrupt});
    }
    {
        auto b = good;
        b.resize(b.size() - 4 * 4 - 4 * 12 + 4);  // mask and most of the XOR bitmap gone
        cases.push_back({"XorBitmapCutShort", b, Failure::Corrupt});
    }
    {
        DibFields s;
        s.bitCount = 24;
        Image im;
        im.data = bitmap(s, solid(2, 2, 0xFF0000), solid(2, 2, 0));
        im.data[11] = 0xFF;  // height -> negative: top-down
        cases.push_back({"TopDownImage", iconFile({im}), Failure::Corrupt});
        im.data = bitmap(s, solid(2, 2, 0xFF0000), solid(2, 2, 0));
        im.data[5] = 0x01;  // width 258
        im.data[6] = 0x01;  // width 65794
        cases.push_back({"TooWide", iconFile({im}), Failure::TooLarge});
        s.bitCount = 8;
        s.compression = 1;
        s.palette = {0xFF0000};
        im.data = bitmap(s, solid(2, 2, 0), solid(2, 2, 0));
        cases.push_back({"CompressedImage", iconFile({im}), Failure::Unsupported});
    }
    return cases;
}

class IcoMalformed : public ::testing::TestWithParam<BadCase> {};

TEST_P(IcoMalformed, FailsWithTheRightReason) {
    test::expectRefused(decode(GetParam().bytes), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(Malformed, IcoMalformed, ::testing::ValuesIn(badCases()),
                         test::badCaseName);

}  // namespace
}  // namespace icogen::picture
