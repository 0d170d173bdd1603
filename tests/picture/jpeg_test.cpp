// JPEG decoding: colour spaces (grey, YCbCr, CMYK and YCCK, inverted or not), progressive,
// DCT scaling with the size hint, the eight EXIF orientations, broken and oversized files.
// Fixtures are written with libjpeg here.
#include <cstdio>  // jpeglib.h needs FILE
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <gtest/gtest.h>

#include <array>
#include <csetjmp>
#include <cstdlib>
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
using Components = std::array<std::uint8_t, 4>;

struct JpegPlan {
    std::uint32_t width = 32, height = 32;
    J_COLOR_SPACE input = JCS_RGB;          // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK
    std::optional<J_COLOR_SPACE> stored{};  // e.g. JCS_YCCK for CMYK input
    bool adobeMarker = true;                // only matters for CMYK and YCCK
    bool progressive = false;
    std::vector<jpeg_scan_info> scans{};  // a custom scan script
    Bytes app1{};                         // an APP1 payload to write, e.g. EXIF
    std::function<Components(std::uint32_t x, std::uint32_t y)> pixel{};
    int lumaH = 2, lumaV = 2;  // sampling of the first component (chroma has 1 x 1)
    unsigned restartInterval = 0;
};

struct WriteError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

Bytes writeJpeg(const JpegPlan& s) {
    jpeg_compress_struct c{};
    WriteError err{};
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr cinfo) {
        std::longjmp(reinterpret_cast<WriteError*>(cinfo->err)->jump, 1);
    };
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int components = s.input == JCS_GRAYSCALE ? 1 : s.input == JCS_CMYK ? 4 : 3;
    std::vector<std::uint8_t> row(std::size_t{s.width} * components);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        ADD_FAILURE() << "libjpeg refused to write the fixture";
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = s.width;
    c.image_height = s.height;
    c.input_components = components;
    c.in_color_space = s.input;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (s.stored) jpeg_set_colorspace(&c, *s.stored);
    if (!s.adobeMarker) c.write_Adobe_marker = FALSE;
    if (s.input != JCS_GRAYSCALE) {
        c.comp_info[0].h_samp_factor = s.lumaH;
        c.comp_info[0].v_samp_factor = s.lumaV;
    }
    c.restart_interval = s.restartInterval;
    if (s.progressive) jpeg_simple_progression(&c);
    if (!s.scans.empty()) {
        c.scan_info = s.scans.data();
        c.num_scans = static_cast<int>(s.scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    if (!s.app1.empty())
        jpeg_write_marker(&c, JPEG_APP0 + 1, s.app1.data(), static_cast<unsigned>(s.app1.size()));
    while (c.next_scanline < c.image_height) {
        for (std::uint32_t x = 0; x < s.width; ++x) {
            const Components p = s.pixel(x, c.next_scanline);
            for (int k = 0; k < components; ++k) row[std::size_t{x} * components + k] = p[k];
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

DecodeResult decode(const Bytes& bytes, std::uint32_t sizeHint = 0, Limits limits = {}) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    options.limits = limits;
    return detail::decodeJpeg(bytes, options);
}

std::uint32_t at(const Picture& p, std::uint32_t x, std::uint32_t y) {
    return p.pixels.at(std::size_t{y} * p.pixelWidth + x);
}

bool near(std::uint32_t want, std::uint32_t got, int levels) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int d =
            static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF);
        if (d > levels || d < -levels) return false;
    }
    return true;
}

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kWhite = 0xFFFFFFFF, kGrey = 0xFF7F7F7F;

// The quadrant (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right) of (x, y).
int quadrant(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    return (x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0);
}

// The colour at the centre of each quadrant of the picture's pixels.
std::array<std::uint32_t, 4> quadrantCentres(const Picture& p) {
    const std::uint32_t w = p.pixelWidth, h = p.pixelHeight;
    return {at(p, w / 4, h / 4), at(p, 3 * w / 4, h / 4), at(p, w / 4, 3 * h / 4),
            at(p, 3 * w / 4, 3 * h / 4)};
}

// Four solid quadrants: red, green / blue, white. Each is a whole number of 16 x 16 blocks,
// so chroma subsampling does not smear them.
Components rgbQuadrants(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    static constexpr Components colours[4] = {
        {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}};
    return colours[quadrant(x, y, w, h)];
}

TEST(JpegDecode, ColourSpaces) {
    // CMYK as ink amounts, for red, green, blue and 50% black.
    static constexpr Components inks[4] = {
        {0, 255, 255, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {0, 0, 0, 128}};
    auto cmyk = [](bool inverted) {
        return [inverted](std::uint32_t x, std::uint32_t y) {
            Components c = inks[quadrant(x, y, 32, 32)];
            if (inverted)  // Adobe's way: 255 means no ink
                for (auto& v : c) v = static_cast<std::uint8_t>(255 - v);
            return c;
        };
    };
    struct Case {
        const char* name;
        JpegPlan plan;
        std::array<std::uint32_t, 4> want;
    };
    auto rgb = [](std::uint32_t x, std::uint32_t y) { return rgbQuadrants(x, y, 32, 32); };
    const std::array<std::uint32_t, 4> rgbw = {kRed, kGreen, kBlue, kWhite};
    const std::array<std::uint32_t, 4> cmykWant = {kRed, kGreen, kBlue, kGrey};
    std::vector<Case> cases = {
        {"YCbCr baseline", {.pixel = rgb}, rgbw},
        {"YCbCr progressive", {.progressive = true, .pixel = rgb}, rgbw},
        {"RGB stored without YCbCr", {.stored = JCS_RGB, .pixel = rgb}, rgbw},
        {"grey",
         {.input = JCS_GRAYSCALE,
          .pixel =
              [](std::uint32_t x, std::uint32_t y) {
                  return Components{static_cast<std::uint8_t>(quadrant(x, y, 32, 32) * 80), 0, 0,
                                    0};
              }},
         {0xFF000000, 0xFF505050, 0xFFA0A0A0, 0xFFF0F0F0}},
        {"CMYK with Adobe marker (inverted)", {.input = JCS_CMYK, .pixel = cmyk(true)}, cmykWant},
        {"CMYK without Adobe marker",
         {.input = JCS_CMYK, .adobeMarker = false, .pixel = cmyk(false)},
         cmykWant},
        {"YCCK with Adobe marker",
         {.input = JCS_CMYK, .stored = JCS_YCCK, .pixel = cmyk(true)},
         cmykWant},
        {"CMYK progressive",
         {.input = JCS_CMYK, .progressive = true, .pixel = cmyk(true)},
         cmykWant},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(writeJpeg(c.plan));
        ASSERT_TRUE(result) << failureName(result.failure);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.kind, Kind::Jpeg);
        EXPECT_EQ(p.alphaUse, AlphaUse::Opaque);
        ASSERT_EQ(p.width, 32u);
        ASSERT_EQ(p.height, 32u);
        ASSERT_EQ(p.pixelWidth, 32u);
        ASSERT_EQ(p.pixelHeight, 32u);
        const auto got = quadrantCentres(p);
        for (int q = 0; q < 4; ++q) EXPECT_PRED3(near, c.want[q], got[q], 4) << "quadrant " << q;
    }
}

TEST(JpegDecode, SizeHintScalesInTheDctThenReduces) {
    struct Case {
        std::uint32_t width, height, hint, pixelWidth, pixelHeight;
    };
    for (const Case c : {
             Case{256, 128, 0, 256, 128}, Case{256, 128, 16, 32, 16},  // 1/8 in the DCT is enough
             Case{256, 128, 40, 96, 48},     // 3/8: 2/8 would make the height 32 < 40
             Case{256, 128, 200, 256, 128},  // the height allows no scaling
             Case{800, 800, 16, 17, 17},     // 1/8 gives 100, the reducer takes 6 x 6 blocks
             Case{10, 10, 16, 10, 10},       // never enlarged
             Case{1000, 30, 84, 1000, 30},   // the short side is below the hint already
         }) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " hint " +
                     std::to_string(c.hint));
        JpegPlan plan{.width = c.width, .height = c.height};
        plan.pixel = [&](std::uint32_t x, std::uint32_t y) {
            return rgbQuadrants(x, y, c.width, c.height);
        };
        const auto result = decode(writeJpeg(plan), c.hint);
        ASSERT_TRUE(result);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(p.pixelWidth, c.pixelWidth);
        EXPECT_EQ(p.pixelHeight, c.pixelHeight);
        ASSERT_EQ(p.pixels.size(), std::size_t{p.pixelWidth} * p.pixelHeight);
        const auto got = quadrantCentres(p);
        const std::array<std::uint32_t, 4> want = {kRed, kGreen, kBlue, kWhite};
        for (int q = 0; q < 4; ++q) EXPECT_PRED3(near, want[q], got[q], 6) << "quadrant " << q;
    }
}

// An APP1 payload with only the orientation tag, little- or big-endian.
Bytes exifWithOrientation(int orientation, bool bigEndian) {
    Bytes e = {'E', 'x', 'i', 'f', 0, 0};
    const std::uint8_t o = static_cast<std::uint8_t>(orientation);
    if (bigEndian)
        e.insert(e.end(), {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0,
                           3,   0,   0, 0,  1, 0, o, 0, 0, 0, 0,    0,    0});
    else
        e.insert(e.end(), {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
                           0,   1,   0,  0, 0, o, 0, 0, 0, 0, 0,    0,    0});
    return e;
}

TEST(JpegDecode, ExifOrientationStandsThePictureUpright) {
    // Stored 128 x 64: red, green / blue, white.
    struct Case {
        int orientation;
        std::uint32_t width, height;
        std::array<std::uint32_t, 4>
            corners;  // upright: top-left, top-right, bottom-left, bottom-right
    };
    const Case cases[] = {
        {1, 128, 64, {kRed, kGreen, kBlue, kWhite}}, {2, 128, 64, {kGreen, kRed, kWhite, kBlue}},
        {3, 128, 64, {kWhite, kBlue, kGreen, kRed}}, {4, 128, 64, {kBlue, kWhite, kRed, kGreen}},
        {5, 64, 128, {kRed, kBlue, kGreen, kWhite}}, {6, 64, 128, {kBlue, kRed, kWhite, kGreen}},
        {7, 64, 128, {kWhite, kGreen, kBlue, kRed}}, {8, 64, 128, {kGreen, kWhite, kRed, kBlue}},
    };
    for (const Case& c : cases) {
        for (std::uint32_t hint : {0u, 16u}) {
            SCOPED_TRACE("orientation " + std::to_string(c.orientation) + " hint " +
                         std::to_string(hint));
            JpegPlan plan{.width = 128, .height = 64};
            plan.app1 = exifWithOrientation(c.orientation, c.orientation % 2 == 0);
            plan.pixel = [](std::uint32_t x, std::uint32_t y) {
                return rgbQuadrants(x, y, 128, 64);
            };
            const auto result = decode(writeJpeg(plan), hint);
            ASSERT_TRUE(result);
            const Picture& p = *result.picture;
            EXPECT_EQ(p.width, c.width);
            EXPECT_EQ(p.height, c.height);
            // The reduced pixels are turned the same way.
            EXPECT_EQ(p.pixelWidth > p.pixelHeight, c.width > c.height);
            if (hint == 0) {
                EXPECT_EQ(p.pixelWidth, c.width);
                EXPECT_EQ(p.pixelHeight, c.height);
            } else {
                EXPECT_LT(p.pixelWidth, c.width);
                EXPECT_GE(std::min(p.pixelWidth, p.pixelHeight), hint);
            }
            const auto got = quadrantCentres(p);
            for (int q = 0; q < 4; ++q)
                EXPECT_PRED3(near, c.corners[q], got[q], 6) << "corner " << q;
        }
    }
}

// 16 x 64 of noise, so that the entropy-coded data is spread evenly over the rows.
JpegPlan noise(bool progressive) {
    JpegPlan plan{.width = 16, .height = 64, .progressive = progressive};
    plan.pixel = [](std::uint32_t x, std::uint32_t y) {
        std::uint32_t v = (x * 7919 + y * 104729) * 2654435761u;
        return Components{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                          static_cast<std::uint8_t>(v >> 8), 0};
    };
    return plan;
}

std::size_t offsetOfMarker(const Bytes& f, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == marker) return i;
    return f.size();
}

TEST(JpegDecode, CutShortKeepsWhatArrived) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const Bytes whole = writeJpeg(noise(progressive));
        const auto full = decode(whole);
        ASSERT_TRUE(full);
        const std::size_t firstScan = offsetOfMarker(whole, 0xDA);
        ASSERT_LT(firstScan, whole.size());
        int partial = 0;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE("length " + std::to_string(length));
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            const auto result = decode(cut);
            if (length <= firstScan + 14) {  // the scan header of 3 components is 14 bytes
                EXPECT_FALSE(result);        // no image data at all
                continue;
            }
            if (!result) continue;
            ++partial;
            ASSERT_EQ(result.picture->pixels.size(), full.picture->pixels.size());
            if (!progressive && length > whole.size() / 2) {
                // More than half the data: the first block row is exactly as in the whole file.
                for (std::uint32_t i = 0; i < 16 * 8; ++i)
                    ASSERT_EQ(result.picture->pixels[i], full.picture->pixels[i]) << "pixel " << i;
            }
        }
        EXPECT_GT(partial, 0);
        // Only the end marker missing: the whole picture.
        const auto noEnd = decode(Bytes(whole.begin(), whole.end() - 2));
        ASSERT_TRUE(noEnd);
        EXPECT_EQ(noEnd.picture->pixels, full.picture->pixels);
    }
}

TEST(JpegDecode, BrokenOrOversizedFilesFail) {
    const Bytes good = writeJpeg(
        {.pixel = [](std::uint32_t x, std::uint32_t y) { return rgbQuadrants(x, y, 32, 32); }});
    ASSERT_TRUE(decode(good));
    const std::size_t sof = offsetOfMarker(good, 0xC0);
    ASSERT_LT(sof + 9, good.size());
    auto withSize = [&](std::uint32_t w, std::uint32_t h) {
        Bytes f = good;
        f[sof + 5] = static_cast<std::uint8_t>(h >> 8);
        f[sof + 6] = static_cast<std::uint8_t>(h);
        f[sof + 7] = static_cast<std::uint8_t>(w >> 8);
        f[sof + 8] = static_cast<std::uint8_t>(w);
        return f;
    };
    Bytes garbage = good;
    for (std::size_t i = 2; i < 40; ++i) garbage[i] = static_cast<std::uint8_t>(i * 13);
    Bytes precision = good;
    precision[sof + 4] = 12;

    struct Case {
        const char* name;
        Bytes file;
        Limits limits;
        Failure failure;
    };
    const std::vector<Case> cases = {
        {"garbage after SOI", garbage, {}, Failure::Corrupt},
        {"only SOI", {0xFF, 0xD8}, {}, Failure::Corrupt},
        {"width 0", withSize(0, 32), {}, Failure::Corrupt},
        {"65000 x 65000 (4.2e9 pixels)", withSize(65000, 65000), {}, Failure::TooLarge},
        {"beyond a side limit", good, {31, 1u << 30}, Failure::TooLarge},
        {"beyond a pixel limit", good, {65535, 1000}, Failure::TooLarge},
        {"12-bit samples", precision, {}, Failure::Unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(c.file, 0, c.limits);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.failure, c.failure);
    }
}

// Smooth gradients with a little noise: every DC difference size turns up.
Components gradientNoise(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    const std::uint32_t n = (x * 7919 + y * 104729) * 2654435761u >> 27;
    return Components{static_cast<std::uint8_t>(x * 255 / w),
                      static_cast<std::uint8_t>(y * 255 / h),
                      static_cast<std::uint8_t>(((x / 9 + y / 5) % 2 ? 200 : 40) + n), 0};
}

TEST(JpegDecode, HugeProgressiveDeclarationsAreRefusedCheaply) {
    // A small progressive file whose frame header claims 30000 x 30000 (9e8 pixels, within the
    // pixel limit): libjpeg would want its whole coefficient buffer, gigabytes, up front.
    for (bool cmyk : {false, true}) {
        SCOPED_TRACE(cmyk ? "CMYK" : "YCbCr");
        JpegPlan plan{.width = 16, .height = 16, .progressive = true};
        if (cmyk) plan.input = JCS_CMYK;
        plan.lumaH = plan.lumaV = 1;
        plan.pixel = [](std::uint32_t x, std::uint32_t y) { return gradientNoise(x, y, 16, 16); };
        Bytes file = writeJpeg(plan);
        const std::size_t sof = offsetOfMarker(file, 0xC2);
        ASSERT_LT(sof + 9, file.size());
        for (std::size_t at : {sof + 5, sof + 7}) {
            file[at] = 30000 >> 8;
            file[at + 1] = 30000 & 0xFF;
        }
        for (std::uint32_t hint : {0u, 84u}) {
            SCOPED_TRACE("hint " + std::to_string(hint));
            const auto result = decode(file, hint);
            EXPECT_FALSE(result);
            if (!cmyk && hint) {
                // The DC-only reader needs only 2 bytes a block; the data for the first row of
                // blocks stops short, so there is nothing to show.
                EXPECT_EQ(result.failure, Failure::Corrupt);
                continue;
            }
            EXPECT_EQ(result.failure, Failure::TooLarge);
        }
    }
}

TEST(JpegDecode, EndlessScansAreRefused) {
    // Valid progressive files: one DC scan, then each AC coefficient of each component in a
    // scan of its own, first and refinement pass. 1 + 3 x 2 x 63 = 379 scans is over the limit;
    // 1 + 3 x (2 x 40 + 1) = 244 scans is under it. Both at full size (libjpeg) and at 1/8 (the
    // DC-only reader).
    auto script = [](int bands) {
        std::vector<jpeg_scan_info> scans;
        scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
        for (int comp = 0; comp < 3; ++comp) {
            for (int k = 1; k <= bands; ++k) scans.push_back({1, {comp, 0, 0, 0}, k, k, 0, 1});
            for (int k = 1; k <= bands; ++k) scans.push_back({1, {comp, 0, 0, 0}, k, k, 1, 0});
            if (bands < 63) scans.push_back({1, {comp, 0, 0, 0}, bands + 1, 63, 0, 0});
        }
        return scans;
    };
    JpegPlan many = noise(true);
    many.lumaH = many.lumaV = 1;
    many.scans = script(63);
    const Bytes tooMany = writeJpeg(many);
    ASSERT_FALSE(tooMany.empty());
    JpegPlan fewer = many;
    fewer.scans = script(40);
    const Bytes enough = writeJpeg(fewer);
    for (std::uint32_t hint : {0u, 2u}) {
        SCOPED_TRACE("hint " + std::to_string(hint));
        EXPECT_EQ(decode(tooMany, hint).failure, Failure::Corrupt);
        const auto result = decode(enough, hint);
        ASSERT_TRUE(result);
        EXPECT_EQ(result.picture->pixelWidth, hint ? 2u : 16u);
    }
}

// libjpeg's own decode at 1/8, as 0xAARRGGBB values.
std::vector<std::uint32_t> libjpegEighth(const Bytes& file, std::uint32_t& w, std::uint32_t& h) {
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = 8;
    d.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&d);
    w = d.output_width;
    h = d.output_height;
    std::vector<std::uint32_t> out(std::size_t{w} * h);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out.data() + std::size_t{d.output_scanline} * w);
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

TEST(JpegDecode, ProgressiveAtAnEighthMatchesLibjpeg) {
    struct Case {
        const char* name;
        JpegPlan plan;
        int tolerance;  // 0: exactly libjpeg's pixels; else the mean difference allowed
    };
    auto plan = [](std::uint32_t w, std::uint32_t h, int lumaH, int lumaV) {
        JpegPlan s{.width = w, .height = h, .progressive = true};
        s.lumaH = lumaH;
        s.lumaV = lumaV;
        s.pixel = [w, h](std::uint32_t x, std::uint32_t y) { return gradientNoise(x, y, w, h); };
        return s;
    };
    std::vector<Case> cases = {
        {"4:4:4, odd size", plan(203, 77, 1, 1), 0},
        {"4:2:2", plan(200, 120, 2, 1), 0},
        {"4:4:0", plan(120, 200, 1, 2), 0},
        {"4:2:0 small (libjpeg itself)", plan(200, 120, 2, 2), 0},
        // Big enough for the DC-only reader, where its chroma differs from libjpeg's a little.
        {"4:2:0 large", plan(2400, 1800, 2, 2), 5},
    };
    {
        JpegPlan grey = plan(150, 90, 1, 1);
        grey.input = JCS_GRAYSCALE;
        cases.push_back({"grey", grey, 0});
        JpegPlan rgb = plan(150, 90, 1, 1);
        rgb.stored = JCS_RGB;
        cases.push_back({"stored as RGB", rgb, 0});
        JpegPlan restarts = plan(203, 77, 1, 1);
        restarts.restartInterval = 3;
        cases.push_back({"restart markers every 3 blocks", restarts, 0});
        // DC in two steps, first each component on its own, then one refinement for all.
        JpegPlan steps = plan(203, 77, 1, 1);
        steps.restartInterval = 5;
        steps.scans = {{1, {0}, 0, 0, 0, 1},      {1, {1}, 0, 0, 0, 1},  {1, {2}, 0, 0, 0, 1},
                       {1, {0}, 1, 63, 0, 0},     {1, {1}, 1, 63, 0, 0}, {1, {2}, 1, 63, 0, 0},
                       {3, {0, 1, 2}, 0, 0, 1, 0}};
        cases.push_back({"successive approximation, one component a scan", steps, 0});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = writeJpeg(c.plan);
        std::uint32_t w = 0, h = 0;
        const auto reference = libjpegEighth(file, w, h);
        const auto result = decode(file, std::min(w, h));  // 1/8 and no further reduction
        ASSERT_TRUE(result);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.width, c.plan.width);
        ASSERT_EQ(p.pixelWidth, w);
        ASSERT_EQ(p.pixelHeight, h);
        if (c.tolerance == 0) {
            EXPECT_EQ(p.pixels, reference);
            continue;
        }
        double sum = 0;
        for (std::size_t i = 0; i < reference.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(static_cast<int>((reference[i] >> shift) & 0xFF) -
                                static_cast<int>((p.pixels[i] >> shift) & 0xFF));
        EXPECT_LT(sum / (3.0 * static_cast<double>(reference.size())), c.tolerance);
    }
}

TEST(JpegDecode, ProgressiveAtAnEighthSurvivesCutsAndDamage) {
    JpegPlan plan{.width = 64, .height = 48, .progressive = true};
    plan.lumaH = plan.lumaV = 1;
    plan.restartInterval = 4;
    plan.pixel = [](std::uint32_t x, std::uint32_t y) { return gradientNoise(x, y, 64, 48); };
    const Bytes whole = writeJpeg(plan);
    const auto full = decode(whole, 6);
    ASSERT_TRUE(full);
    ASSERT_EQ(full.picture->pixelWidth, 8u);
    const std::size_t firstScan = offsetOfMarker(whole, 0xDA);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        const auto result =
            decode(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), 6);
        if (length <= firstScan + 14) {
            EXPECT_FALSE(result);
        }
        if (result) {
            EXPECT_EQ(result.picture->pixels.size(), 48u);
        }
    }
    const auto noEnd = decode(Bytes(whole.begin(), whole.end() - 2), 6);
    ASSERT_TRUE(noEnd);
    EXPECT_EQ(noEnd.picture->pixels, full.picture->pixels);
    // Any single damaged byte: a picture of the right size or a failure, never more.
    static constexpr std::uint8_t flips[3] = {0x01, 0x80, 0xFF};
    for (std::size_t i = 2; i < whole.size(); ++i) {
        Bytes damaged = whole;
        damaged[i] ^= flips[i % 3];
        const auto result = decode(damaged, 6);
        if (result) {
            ASSERT_EQ(result.picture->pixels.size(),
                      std::size_t{result.picture->pixelWidth} * result.picture->pixelHeight);
        }
    }
}

// ---------------------------------------------------------------------------------------------

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Mean absolute difference over the colour channels.
double meanDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
    return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

TEST(JpegCorpus, SpotChecks) {
    const std::filesystem::path root(ICOGEN_TESTDATA);
    if (!std::filesystem::exists(root / "pillow")) GTEST_SKIP() << "no corpus at " << root;
    auto load = [&](const char* path) {
        const Bytes bytes = readFile(root / path);
        return decodePicture(bytes);
    };
    // Progressive files against reference renderings.
    for (const char* name : {"cat.jpg", "test.jpg"}) {
        SCOPED_TRACE(name);
        const auto ours = load((std::string("image-rs/images/jpg/progressive/") + name).c_str());
        const auto reference =
            load((std::string("image-rs/reference/jpg/progressive/") + name + ".png").c_str());
        ASSERT_TRUE(ours);
        ASSERT_TRUE(reference);
        ASSERT_EQ(ours.picture->width, reference.picture->width);
        ASSERT_EQ(ours.picture->height, reference.picture->height);
        for (std::size_t i = 0; i < ours.picture->pixels.size(); ++i)
            ASSERT_PRED3(near, reference.picture->pixels[i] | 0xFF000000, ours.picture->pixels[i],
                         5)
                << "pixel " << i;
    }
    // The same photo as CMYK and as RGB; and turned by EXIF orientation 6 against the plain one.
    for (auto [a, b] : {std::pair{"pillow/pil_sample_cmyk.jpg", "pillow/pil_sample_rgb.jpg"},
                        std::pair{"pillow/hopper_orientation_6.jpg", "pillow/hopper.jpg"}}) {
        SCOPED_TRACE(a);
        const auto x = load(a), y = load(b);
        ASSERT_TRUE(x);
        ASSERT_TRUE(y);
        ASSERT_EQ(x.picture->pixels.size(), y.picture->pixels.size());
        EXPECT_LT(meanDifference(*x.picture, *y.picture), 8.0);
    }
    // A 2 x 1 picture with orientation 8 stands 1 x 2.
    const auto rectangle = load("pillow/orientation_rectangle.jpg");
    ASSERT_TRUE(rectangle);
    EXPECT_EQ(rectangle.picture->width, 1u);
    EXPECT_EQ(rectangle.picture->height, 2u);
    // 12-bit samples are not read; arithmetic coding is.
    EXPECT_EQ(load("libjpeg-turbo/monkey12.jpg").failure, Failure::Unsupported);
    EXPECT_TRUE(load("libjpeg-turbo/testimgari.jpg"));
}

}  // namespace
}  // namespace icogen::picture
