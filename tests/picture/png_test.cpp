// PNG decoding: every colour type and bit depth, tRNS, Adam7, reduction while reading, broken
// files. Fixtures are written with libpng here; chunks that libpng will not write (a wrong CRC,
// an absurd size) are put together by hand.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "picture/decoders.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PngPlan {
    std::uint32_t width = 3, height = 2;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    // Row-major, all channels of a pixel in file order, each at the file's bit depth.
    std::vector<std::uint16_t> samples;
    std::vector<png_color> palette;
    std::vector<std::uint8_t> paletteAlpha;   // tRNS of a palette picture
    std::optional<png_color_16> transparent;  // tRNS of a grey or RGB picture
    bool withText = false;                    // a tEXt chunk before IDAT
};

int channelsOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        default:
            return 4;
    }
}

void appendToVector(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

Bytes writePng(const PngPlan& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng refused to write the fixture";
        return {};
    }
    png_set_write_fn(png, &out, appendToVector, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty())
        png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()),
                     nullptr);
    if (s.transparent) png_set_tRNS(png, info, nullptr, 0, &*s.transparent);
    if (s.withText) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("written by the test");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);

    const int channels = channelsOf(s.colorType);
    const std::size_t rowBytes = (std::size_t{s.width} * channels * s.bitDepth + 7) / 8;
    std::vector<Bytes> rows(s.height, Bytes(rowBytes, 0));
    for (std::uint32_t y = 0; y < s.height; ++y) {
        for (std::uint32_t i = 0; i < s.width * channels; ++i) {
            const std::uint16_t v = s.samples.at(std::size_t{y} * s.width * channels + i);
            Bytes& row = rows[y];
            if (s.bitDepth == 16) {
                row[i * 2] = static_cast<std::uint8_t>(v >> 8);
                row[i * 2 + 1] = static_cast<std::uint8_t>(v);
            } else if (s.bitDepth == 8) {
                row[i] = static_cast<std::uint8_t>(v);
            } else {
                const std::size_t bit = std::size_t{i} * s.bitDepth;
                row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - s.bitDepth - bit % 8));
            }
        }
    }
    const int passes = s.interlaced ? png_set_interlace_handling(png) : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (auto& row : rows) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

DecodeResult decode(const Bytes& bytes, std::uint32_t sizeHint = 0, Limits limits = {}) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    options.limits = limits;
    return detail::decodePng(bytes, options);
}

// Chunks by hand, for files libpng will not write.
std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void putBE32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void appendChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
    putBE32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBE32(out, crc32(out.data() + start, out.size() - start));
}

Bytes headerOnlyPng(std::uint32_t width, std::uint32_t height) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    putBE32(ihdr, width);
    putBE32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, PNG_COLOR_TYPE_RGB_ALPHA, 0, 0, 0});
    appendChunk(out, "IHDR", ihdr);
    appendChunk(out, "IDAT", Bytes{0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    appendChunk(out, "IEND", {});
    return out;
}

// Offsets of the chunks of a PNG file: (offset of the length field, type).
std::vector<std::pair<std::size_t, std::string>> chunksOf(const Bytes& png) {
    std::vector<std::pair<std::size_t, std::string>> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length =
            std::uint32_t{png[at]} << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        chunks.emplace_back(at, std::string(png.begin() + at + 4, png.begin() + at + 8));
        at += 12 + std::size_t{length};
    }
    return chunks;
}

std::size_t chunkAt(const Bytes& png, const std::string& type) {
    for (const auto& [offset, name] : chunksOf(png))
        if (name == type) return offset;
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

bool sameIgnoringHiddenColour(std::uint32_t want, std::uint32_t got) {
    return (want >> 24 == 0 && got >> 24 == 0) || want == got;
}

// ---------------------------------------------------------------------------------------------

struct FormatCase {
    const char* name;
    PngPlan plan;
    std::array<std::uint32_t, 6> want;  // 3 x 2 pixels, 0xAARRGGBB; alpha 0 ignores colour
};

std::vector<FormatCase> formatCases() {
    const std::vector<png_color> rgbw = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    auto plan = [](int type, int depth, std::vector<std::uint16_t> samples) {
        PngPlan s;
        s.colorType = type;
        s.bitDepth = depth;
        s.samples = std::move(samples);
        return s;
    };
    std::vector<FormatCase> cases = {
        {"grey 1",
         plan(PNG_COLOR_TYPE_GRAY, 1, {0, 1, 0, 1, 1, 0}),
         {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000}},
        {"grey 2",
         plan(PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3, 2, 1}),
         {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF, 0xFFAAAAAA, 0xFF555555}},
        {"grey 4",
         plan(PNG_COLOR_TYPE_GRAY, 4, {0, 5, 10, 15, 1, 14}),
         {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF, 0xFF111111, 0xFFEEEEEE}},
        {"grey 8",
         plan(PNG_COLOR_TYPE_GRAY, 8, {0x00, 0x7F, 0xFF, 0x12, 0x34, 0x56}),
         {0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF, 0xFF121212, 0xFF343434, 0xFF565656}},
        // 16-bit channels keep their high byte: 0x12FE is 0x12 (rounding would give 0x13),
        // 0xFF00 is 0xFF (scaling would give 0xFE).
        {"grey 16",
         plan(PNG_COLOR_TYPE_GRAY, 16, {0x12FE, 0xFF00, 0x00FF, 0x8001, 0xFFFF, 0}),
         {0xFF121212, 0xFFFFFFFF, 0xFF000000, 0xFF808080, 0xFFFFFFFF, 0xFF000000}},
        {"grey+alpha 8",
         plan(PNG_COLOR_TYPE_GRAY_ALPHA, 8,
              {0x40, 0xFF, 0x80, 0x80, 0xFF, 0x00, 0, 1, 9, 254, 7, 77}),
         {0xFF404040, 0x80808080, 0x00FFFFFF, 0x01000000, 0xFE090909, 0x4D070707}},
        {"grey+alpha 16",
         plan(PNG_COLOR_TYPE_GRAY_ALPHA, 16,
              {0x40FF, 0xFFFF, 0x8000, 0x80FF, 0xFF00, 0, 0, 0x0100, 0x0900, 0xFE00, 0x0700,
               0x4DFF}),
         {0xFF404040, 0x80808080, 0x00FFFFFF, 0x01000000, 0xFE090909, 0x4D070707}},
        {"RGB 8",
         plan(PNG_COLOR_TYPE_RGB, 8,
              {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 0x80, 0x40, 0x20, 255, 255, 255}),
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF010203, 0xFF804020, 0xFFFFFFFF}},
        {"RGB 16",
         plan(PNG_COLOR_TYPE_RGB, 16,
              {0xFFFF, 0, 0, 0, 0xFF00, 0, 0, 0, 0xFF01, 0x01FF, 0x02FE, 0x0380, 0x8000, 0x4000,
               0x20FF, 0xFFFF, 0xFFFF, 0xFFFF}),
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF010203, 0xFF804020, 0xFFFFFFFF}},
        {"RGBA 8",
         plan(PNG_COLOR_TYPE_RGB_ALPHA, 8,
              {255, 0, 0, 255, 0,    255,  0,    128,  0,   0,   255, 0,
               1,   2, 3, 4,   0x80, 0x40, 0x20, 0xFE, 255, 255, 255, 255}),
         {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x04010203, 0xFE804020, 0xFFFFFFFF}},
        {"RGBA 16",
         plan(PNG_COLOR_TYPE_RGB_ALPHA, 16,
              {0xFFFF, 0,      0,      0xFFFF, 0,      0xFFFF, 0,      0x80FF,
               0,      0,      0xFFFF, 0x00FF, 0x0100, 0x0200, 0x0300, 0x04FF,
               0x8000, 0x4000, 0x2000, 0xFE00, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}),
         {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x04010203, 0xFE804020, 0xFFFFFFFF}},
    };
    for (int depth : {1, 2, 4, 8}) {
        FormatCase c{"palette",
                     plan(PNG_COLOR_TYPE_PALETTE, depth, {0, 1, 0, 1, 1, 0}),
                     {0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}};
        c.plan.palette = {rgbw[0], rgbw[1]};
        if (depth >= 2) {
            c.plan.samples = {0, 1, 2, 3, 2, 1};
            c.plan.palette = rgbw;
            c.want = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF0000FF, 0xFF00FF00};
        }
        cases.push_back(c);
    }
    // Palette alpha: entries past the end of tRNS stay opaque.
    FormatCase paletteAlpha{
        "palette + tRNS",
        plan(PNG_COLOR_TYPE_PALETTE, 4, {0, 1, 2, 3, 2, 1}),
        {0x00000000, 0x8000FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF0000FF, 0x8000FF00}};
    paletteAlpha.plan.palette = rgbw;
    paletteAlpha.plan.paletteAlpha = {0, 0x80};
    cases.push_back(paletteAlpha);

    FormatCase greyKey{"grey 2 + tRNS",
                       plan(PNG_COLOR_TYPE_GRAY, 2, {0, 1, 2, 3, 2, 1}),
                       {0xFF000000, 0xFF555555, 0, 0xFFFFFFFF, 0, 0xFF555555}};
    greyKey.plan.transparent = png_color_16{0, 0, 0, 0, 2};
    cases.push_back(greyKey);

    // The key matches all 16 bits: 0x12FF has the same high byte as the key 0x1234 but stays.
    FormatCase grey16Key{"grey 16 + tRNS",
                         plan(PNG_COLOR_TYPE_GRAY, 16, {0x1234, 0x12FF, 0x1233, 0, 0x1234, 0xFFFF}),
                         {0, 0xFF121212, 0xFF121212, 0xFF000000, 0, 0xFFFFFFFF}};
    grey16Key.plan.transparent = png_color_16{0, 0, 0, 0, 0x1234};
    cases.push_back(grey16Key);

    FormatCase rgbKey{
        "RGB 8 + tRNS",
        plan(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 1, 2, 4, 0, 0, 0, 1, 2, 3, 255, 255, 255, 3, 2, 1}),
        {0, 0xFF010204, 0xFF000000, 0, 0xFFFFFFFF, 0xFF030201}};
    rgbKey.plan.transparent = png_color_16{0, 1, 2, 3, 0};
    cases.push_back(rgbKey);
    return cases;
}

TEST(PngDecode, EveryColourTypeAndBitDepthPlainAndInterlaced) {
    for (const FormatCase& c : formatCases()) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + " depth " + std::to_string(c.plan.bitDepth) +
                         (interlaced ? " interlaced" : ""));
            PngPlan plan = c.plan;
            plan.interlaced = interlaced;
            const auto result = decode(writePng(plan));
            ASSERT_TRUE(result) << failureName(result.failure);
            const Picture& p = *result.picture;
            EXPECT_EQ(p.kind, Kind::Png);
            EXPECT_EQ(p.alphaUse, AlphaUse::OverWhite);
            ASSERT_EQ(p.width, 3u);
            ASSERT_EQ(p.height, 2u);
            ASSERT_EQ(p.pixelWidth, 3u);
            ASSERT_EQ(p.pixelHeight, 2u);
            ASSERT_EQ(p.pixels.size(), 6u);
            for (std::size_t i = 0; i < 6; ++i)
                EXPECT_PRED2(sameIgnoringHiddenColour, c.want[i], p.pixels[i]) << "pixel " << i;
        }
    }
}

// A picture with varied colours and alpha, big enough for every Adam7 pass to be partial.
PngPlan noisyRgba(std::uint32_t w, std::uint32_t h) {
    PngPlan s;
    s.width = w;
    s.height = h;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    std::mt19937 rng(7);
    for (std::uint32_t i = 0; i < w * h * 4; ++i)
        s.samples.push_back(static_cast<std::uint16_t>(rng() & 0xFF));
    return s;
}

std::vector<std::uint32_t> argbOf(const PngPlan& s) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i + 3 < s.samples.size(); i += 4)
        out.push_back(std::uint32_t{s.samples[i + 3]} << 24 | std::uint32_t{s.samples[i]} << 16 |
                      std::uint32_t{s.samples[i + 1]} << 8 | s.samples[i + 2]);
    return out;
}

TEST(PngDecode, InterlacedPassesLandOnTheirPixels) {
    for (auto [w, h] : {std::pair{37u, 23u}, {1u, 9u}, {9u, 1u}, {8u, 8u}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        PngPlan plan = noisyRgba(w, h);
        plan.interlaced = true;
        const auto result = decode(writePng(plan));
        ASSERT_TRUE(result);
        EXPECT_EQ(result.picture->pixels, argbOf(plan));
    }
}

// Alpha-weighted average of each factor x factor block, the way the reducer is documented.
std::vector<std::uint32_t> boxAverage(const std::vector<std::uint32_t>& px, std::uint32_t w,
                                      std::uint32_t h, std::uint32_t f) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t by = 0; by < (h + f - 1) / f; ++by) {
        for (std::uint32_t bx = 0; bx < (w + f - 1) / f; ++bx) {
            double a = 0, r = 0, g = 0, b = 0, n = 0;
            for (std::uint32_t y = by * f; y < std::min(h, by * f + f); ++y) {
                for (std::uint32_t x = bx * f; x < std::min(w, bx * f + f); ++x) {
                    const std::uint32_t p = px[y * w + x];
                    const double pa = p >> 24;
                    a += pa;
                    r += pa * ((p >> 16) & 0xFF);
                    g += pa * ((p >> 8) & 0xFF);
                    b += pa * (p & 0xFF);
                    n += 1;
                }
            }
            const auto ch = [&](double v) {
                return a > 0 ? static_cast<std::uint32_t>(v / a + 0.5) : 0u;
            };
            out.push_back(static_cast<std::uint32_t>(a / n + 0.5) << 24 | ch(r) << 16 | ch(g) << 8 |
                          ch(b));
        }
    }
    return out;
}

bool within(std::uint32_t want, std::uint32_t got, int levels) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int d =
            static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF);
        if (d > levels || d < -levels) return false;
    }
    return true;
}

TEST(PngDecode, SizeHintReducesPlainAndInterlacedAlike) {
    const PngPlan plain = noisyRgba(37, 23);
    PngPlan interlaced = plain;
    interlaced.interlaced = true;
    const auto expected = boxAverage(argbOf(plain), 37, 23, 4);

    struct Case {
        std::uint32_t hint, pixelWidth, pixelHeight;
    };
    // The factor keeps both sides at or above min(side, hint).
    for (const Case c :
         {Case{5, 10, 6}, Case{0, 37, 23}, Case{23, 37, 23}, Case{11, 19, 12}, Case{100, 37, 23}}) {
        SCOPED_TRACE("hint " + std::to_string(c.hint));
        const auto a = decode(writePng(plain), c.hint);
        const auto b = decode(writePng(interlaced), c.hint);
        ASSERT_TRUE(a);
        ASSERT_TRUE(b);
        for (const auto* p : {&*a.picture, &*b.picture}) {
            EXPECT_EQ(p->width, 37u);
            EXPECT_EQ(p->height, 23u);
            EXPECT_EQ(p->pixelWidth, c.pixelWidth);
            EXPECT_EQ(p->pixelHeight, c.pixelHeight);
            EXPECT_EQ(p->pixels.size(), std::size_t{c.pixelWidth} * c.pixelHeight);
        }
        EXPECT_EQ(a.picture->pixels, b.picture->pixels);
        if (c.hint == 5) {
            ASSERT_EQ(a.picture->pixels.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i)
                EXPECT_PRED3(within, expected[i], a.picture->pixels[i], 1) << "block " << i;
        }
    }
}

// ---------------------------------------------------------------------------------------------

PngPlan smallGrey(bool withText = false) {
    PngPlan s;
    s.width = 16;
    s.height = 16;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    for (std::uint32_t i = 0; i < 256; ++i)
        s.samples.push_back(static_cast<std::uint16_t>(i * 37 % 251));
    s.withText = withText;
    return s;
}

TEST(PngDecode, DamagedFilesFailCleanly) {
    const Bytes good = writePng(smallGrey(true));
    ASSERT_TRUE(decode(good));

    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        bool decodes;
    };
    auto flipCrc = [&](const std::string& chunk) {
        return [chunk](Bytes& f) {
            const std::size_t at = chunkAt(f, chunk);
            const std::uint32_t length =
                std::uint32_t{f[at]} << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3];
            f[at + 8 + length] ^= 0x55;
        };
    };
    const std::vector<Case> cases = {
        {"bad IDAT CRC", flipCrc("IDAT"), false},
        {"bad IHDR CRC", flipCrc("IHDR"), false},
        {"bad CRC of an ancillary chunk (skipped)", flipCrc("tEXt"), true},
        {"bad signature", [](Bytes& f) { f[7] = ' '; }, false},
        {"no IDAT",
         [](Bytes& f) {
             const std::size_t at = chunkAt(f, "IDAT");
             const std::uint32_t length =
                 std::uint32_t{f[at]} << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3];
             f.erase(f.begin() + at, f.begin() + at + 12 + length);
         },
         false},
        {"broken zlib stream (CRC made to match)",
         [](Bytes& f) {
             const std::size_t at = chunkAt(f, "IDAT");
             const std::uint32_t length =
                 std::uint32_t{f[at]} << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3];
             for (std::size_t i = at + 8 + 2; i < at + 8 + length; ++i) f[i] ^= 0xA5;
             const std::uint32_t crc = crc32(f.data() + at + 4, 4 + length);
             for (int k = 0; k < 4; ++k)
                 f[at + 8 + length + k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
         },
         false},
        {"invalid colour type 1",
         [](Bytes& f) {
             f[8 + 8 + 9] = 1;
             const std::uint32_t crc = crc32(f.data() + 12, 17);
             for (int k = 0; k < 4; ++k) f[29 + k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = good;
        c.damage(f);
        const auto result = decode(f);
        EXPECT_EQ(bool(result), c.decodes);
        if (!c.decodes) {
            EXPECT_EQ(result.failure, Failure::Corrupt);
        }
    }
}

TEST(PngDecode, TruncatedFileFailsUntilTheImageDataIsComplete) {
    const Bytes whole = writePng(smallGrey());
    const auto full = decode(whole);
    ASSERT_TRUE(full);
    // The pixels are complete once the last IDAT chunk is; only IEND may be missing.
    const std::size_t dataEnd = chunkAt(whole, "IEND");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        const auto result = decode(cut);
        if (length < dataEnd) {
            EXPECT_FALSE(result);
            EXPECT_EQ(result.failure, Failure::Corrupt);
        } else {
            ASSERT_TRUE(result);
            EXPECT_EQ(result.picture->pixels, full.picture->pixels);
        }
    }
}

TEST(PngDecode, SizesBeyondTheLimitsAreRefusedFromTheHeader) {
    struct Case {
        std::uint32_t width, height;
        Limits limits;
        Failure failure;
    };
    const Limits tiny{100, 1000};
    for (const Case c :
         {Case{65536, 1, {}, Failure::TooLarge}, Case{1, 65536, {}, Failure::TooLarge},
          Case{40000, 40000, {}, Failure::TooLarge},  // 1.6e9 pixels > 2^30
          Case{0x7FFFFFFF, 0x7FFFFFFF, {}, Failure::TooLarge},
          Case{101, 1, tiny, Failure::TooLarge}, Case{50, 21, tiny, Failure::TooLarge},
          Case{0, 10, {}, Failure::Corrupt}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const auto result = decode(headerOnlyPng(c.width, c.height), 0, c.limits);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.failure, c.failure);
    }
    // Within the limits the same tiny files get as far as their (empty) image data.
    EXPECT_EQ(decode(headerOnlyPng(100, 10), 0, tiny).failure, Failure::Corrupt);
    PngPlan wide;
    wide.width = 100;
    wide.height = 1;
    wide.colorType = PNG_COLOR_TYPE_GRAY;
    wide.samples.assign(100, 9);
    EXPECT_TRUE(decode(writePng(wide), 0, tiny));
}

TEST(PngDecode, DispatchedByItsSignatureWhateverTheName) {
    const auto result = decodePicture(writePng(smallGrey()));
    ASSERT_TRUE(result);
    EXPECT_EQ(result.picture->kind, Kind::Png);
}

// ---------------------------------------------------------------------------------------------
// Spot checks against PngSuite's references (32-bit BMP files with straight alpha).

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::optional<std::vector<std::uint32_t>> readReferenceBmp(const Bytes& b, std::uint32_t& w,
                                                           std::uint32_t& h) {
    auto u32 = [&](std::size_t at) {
        return std::uint32_t{b[at]} | b[at + 1] << 8 | b[at + 2] << 16 |
               std::uint32_t{b[at + 3]} << 24;
    };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || (b[28] | b[29] << 8) != 32)
        return std::nullopt;
    const std::uint32_t offset = u32(10);
    const auto height = static_cast<std::int32_t>(u32(22));
    w = u32(18);
    h = static_cast<std::uint32_t>(height < 0 ? -height : height);
    if (offset + std::uint64_t{w} * h * 4 > b.size()) return std::nullopt;
    std::vector<std::uint32_t> px(std::size_t{w} * h);
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint32_t fileRow = height < 0 ? y : h - 1 - y;
        for (std::uint32_t x = 0; x < w; ++x)
            px[y * w + x] = u32(offset + (std::size_t{fileRow} * w + x) * 4);
    }
    return px;
}

TEST(PngCorpus, MatchesPngSuiteReferences) {
    const std::filesystem::path suite = std::filesystem::path(ICOGEN_TESTDATA) / "pngsuite";
    if (!std::filesystem::exists(suite / "png")) GTEST_SKIP() << "no corpus at " << suite;
    // Every colour type and depth, interlaced, palettes with alpha, odd sizes, gamma and
    // chromaticity chunks (ignored), compression levels. (The grey 16-bit references round
    // instead of keeping the high byte, so those files are left out.)
    for (const char* name :
         {"basn0g01", "basn0g02", "basn0g04", "basn0g08", "basn2c08", "basn2c16", "basn3p01",
          "basn3p02", "basn3p04", "basn3p08", "basn4a08", "basn4a16", "basn6a08", "basn6a16",
          "basi0g04", "basi2c16", "basi3p02", "basi4a16", "basi6a08", "tbbn3p08", "tbrn2c08",
          "tbwn0g16", "tp1n3p08", "tm3n3p02", "s01i3p01", "s35i3p04", "s40n3p04", "g04n3p04",
          "g25n2c08", "ccwn2c08", "cs3n2c16", "z09n2c08", "oi9n2c16", "ch1n3p04"}) {
        SCOPED_TRACE(name);
        const auto result = decode(readFile(suite / "png" / (std::string(name) + ".png")));
        ASSERT_TRUE(result) << failureName(result.failure);
        std::uint32_t w = 0, h = 0;
        const auto reference =
            readReferenceBmp(readFile(suite / "bmp" / (std::string(name) + ".bmp")), w, h);
        ASSERT_TRUE(reference);
        ASSERT_EQ(result.picture->width, w);
        ASSERT_EQ(result.picture->height, h);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < reference->size(); ++i)
            differing += !sameIgnoringHiddenColour((*reference)[i], result.picture->pixels[i]);
        EXPECT_EQ(differing, 0u);
    }
}

TEST(PngCorpus, PngSuiteBrokenFilesFail) {
    const std::filesystem::path dir = std::filesystem::path(ICOGEN_TESTDATA) / "pngsuite" / "png";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no corpus at " << dir;
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name[0] != 'x') continue;
        SCOPED_TRACE(name);
        ++seen;
        EXPECT_FALSE(decodePicture(readFile(entry.path())));
    }
    EXPECT_GE(seen, 10);
}

}  // namespace
}  // namespace icogen::picture
