// PCX decoding from fixtures built here: 8-bit pictures with their palette at the end, 1-bit
// black-and-white ones, the kinds that are not read, and broken headers and data.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "picture/malformed_cases.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

struct PcxFields {
    std::uint8_t version = 5;
    std::uint8_t encoding = 1;
    std::uint8_t bits = 8;
    std::uint8_t planes = 1;
    std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::uint16_t bytesPerLine = 0;
};

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::vector<std::uint8_t> header(const PcxFields& s) {
    std::vector<std::uint8_t> h(128, 0);
    h[0] = 0x0A;
    h[1] = s.version;
    h[2] = s.encoding;
    h[3] = s.bits;
    put16(h, 4, s.xMin);
    put16(h, 6, s.yMin);
    put16(h, 8, s.xMax);
    put16(h, 10, s.yMax);
    h[65] = s.planes;
    put16(h, 66, s.bytesPerLine);
    return h;
}

// Run-length encodes one stream of scan-line bytes; runs may span lines.
std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t n = 1;
        while (i + n < raw.size() && raw[i + n] == raw[i] && n < 63) ++n;
        if (n == 1 && raw[i] < 0xC0) {
            out.push_back(raw[i]);
        } else {
            out.push_back(static_cast<std::uint8_t>(0xC0 | n));
            out.push_back(raw[i]);
        }
        i += n;
    }
    return out;
}

// The 256-colour palette block; entry i is colours[i] (0xRRGGBB), the rest grey i.
std::vector<std::uint8_t> paletteBlock(const std::vector<std::pair<int, std::uint32_t>>& colours) {
    std::vector<std::uint8_t> p(769);
    p[0] = 0x0C;
    for (int i = 0; i < 256; ++i) p[1 + 3 * i] = p[2 + 3 * i] = p[3 + 3 * i] = std::uint8_t(i);
    for (const auto& [i, c] : colours) {
        p[1 + 3 * i] = static_cast<std::uint8_t>(c >> 16);
        p[2 + 3 * i] = static_cast<std::uint8_t>(c >> 8);
        p[3 + 3 * i] = static_cast<std::uint8_t>(c);
    }
    return p;
}

std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

DecodeResult decode(const std::vector<std::uint8_t>& bytes, std::uint32_t sizeHint = 0) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    return decodePicture(bytes, options);
}

constexpr std::uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
constexpr std::uint32_t Y = 0xFFFFFF00, C = 0xFF00FFFF, M = 0xFFFF00FF;
constexpr std::uint32_t K = 0xFF000000, W = 0xFFFFFFFF;

// Indices 200..205 and 0xC7 (which must be written as a run) name the six colours.
const std::vector<std::pair<int, std::uint32_t>> kColours = {{200, 0xFF0000}, {201, 0x00FF00},
                                                             {202, 0x0000FF}, {203, 0xFFFF00},
                                                             {204, 0x00FFFF}, {0xC7, 0xFF00FF}};

// 3x2 placed at (10, 20), 4 bytes a line: the fourth byte of each line is padding.
PcxFields eightBit3x2() {
    PcxFields s;
    s.xMin = 10;
    s.xMax = 12;
    s.yMin = 20;
    s.yMax = 21;
    s.bytesPerLine = 4;
    return s;
}

TEST(PcxDecode, EightBitUsesThePaletteAtTheEnd) {
    const std::vector<std::uint8_t> raw = {200, 201, 202, 99, 203, 204, 0xC7, 99};
    const auto result = decode(join({header(eightBit3x2()), encode(raw), paletteBlock(kColours)}));
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    EXPECT_EQ(p.kind, Kind::Pcx);
    EXPECT_EQ(p.alphaUse, AlphaUse::Opaque);
    EXPECT_EQ(p.width, 3u);
    EXPECT_EQ(p.height, 2u);
    EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{R, G, B, Y, C, M}));
}

TEST(PcxDecode, RunsMayCrossScanLines) {
    // Eight equal bytes, one run over both lines and their padding.
    const std::vector<std::uint8_t> data = {0xC8, 201};
    const auto result = decode(join({header(eightBit3x2()), data, paletteBlock(kColours)}));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, std::vector<std::uint32_t>(6, G));
}

TEST(PcxDecode, OneBitIsBlackAndWhite) {
    PcxFields s;
    s.bits = 1;
    s.xMax = 9;  // 10 wide: two bytes, the last six bits padding
    s.yMax = 1;
    s.bytesPerLine = 2;
    const std::vector<std::uint8_t> raw = {0b10110000, 0b01111111, 0b00000001, 0b11000000};
    const auto result = decode(join({header(s), encode(raw)}));
    ASSERT_TRUE(result) << failureName(result.failure);
    EXPECT_EQ(result.picture->pixels, (std::vector<std::uint32_t>{W, K, W, W, K, K, K, K, K, W,
                                                                  K, K, K, K, K, K, K, W, W, W}));
}

TEST(PcxDecode, DataEndingEarlyLeavesTheMissingLinesBlack) {
    PcxFields s = eightBit3x2();
    s.yMax = 23;  // four lines, only the first is there
    const std::vector<std::uint8_t> raw = {200, 201, 202, 0};
    const auto result = decode(join({header(s), encode(raw), paletteBlock(kColours)}));
    ASSERT_TRUE(result) << failureName(result.failure);
    std::vector<std::uint32_t> expected(12, K);
    expected[0] = R;
    expected[1] = G;
    expected[2] = B;
    EXPECT_EQ(result.picture->pixels, expected);
}

TEST(PcxDecode, SizeHintAveragesAndKeepsTheDeclaredSize) {
    PcxFields s;
    s.xMax = 7;
    s.yMax = 7;
    s.bytesPerLine = 8;
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) raw.push_back(x < 4 ? (y % 2 == 0 ? 200 : 202) : 201);
    const auto result = decode(join({header(s), encode(raw), paletteBlock(kColours)}), 2);
    ASSERT_TRUE(result) << failureName(result.failure);
    const Picture& p = *result.picture;
    EXPECT_EQ(p.width, 8u);
    EXPECT_EQ(p.height, 8u);
    EXPECT_EQ(p.pixelWidth, 2u);
    EXPECT_EQ(p.pixelHeight, 2u);
    EXPECT_EQ(p.pixels, (std::vector<std::uint32_t>{0xFF800080, G, 0xFF800080, G}));
}

using test::BadCase;

std::vector<BadCase> badCases() {
    const auto palette = paletteBlock(kColours);
    const std::vector<std::uint8_t> someData(16, 0x01);
    std::vector<BadCase> cases;
    {
        PcxFields s = eightBit3x2();
        s.planes = 3;  // 24-bit colour
        s.bytesPerLine = 3;
        cases.push_back({"TwentyFourBit", join({header(s), someData}), Failure::Unsupported});
        s.bits = 1;
        s.planes = 4;  // 16-colour EGA planes
        s.bytesPerLine = 2;
        cases.push_back({"FourPlaneEga", join({header(s), someData}), Failure::Unsupported});
        s.planes = 1;
        s.bits = 2;
        cases.push_back({"TwoBit", join({header(s), someData}), Failure::Unsupported});
        s.bits = 4;
        cases.push_back({"FourBit", join({header(s), someData}), Failure::Unsupported});
    }
    {
        PcxFields s = eightBit3x2();
        s.encoding = 0;
        cases.push_back(
            {"Uncompressed", join({header(s), someData, palette}), Failure::Unsupported});
    }
    {
        PcxFields s = eightBit3x2();
        s.bytesPerLine = 2;  // shorter than the 3 pixels of a line
        cases.push_back(
            {"LineShorterThanRow", join({header(s), someData, palette}), Failure::Corrupt});
        s.bytesPerLine = 4;
        s.xMax = 9;  // before xMin
        cases.push_back(
            {"RightBeforeLeft", join({header(s), someData, palette}), Failure::Corrupt});
        s = eightBit3x2();
        auto noMarker = palette;
        noMarker[0] = 0x0B;
        cases.push_back(
            {"PaletteMarkerMissing", join({header(s), someData, noMarker}), Failure::Corrupt});
        cases.push_back({"NoRoomForPalette", join({header(s), someData}), Failure::Corrupt});
        cases.push_back({"NoData", join({header(s), palette}), Failure::Corrupt});
        auto h = header(s);
        h.resize(100);
        cases.push_back({"HeaderCutShort", h, Failure::Corrupt});
        s.xMin = 0;
        s.xMax = 65535;
        s.bytesPerLine = 65535;
        cases.push_back(
            {"WiderThanTheLimit", join({header(s), someData, palette}), Failure::TooLarge});
    }
    {
        // A text file that starts with a line break is no PCX.
        cases.push_back({"LineBreakText", {0x0A, 'h', 'e', 'l', 'l', 'o'}, Failure::NotAPicture});
        cases.push_back({"LoneByte", {0x0A}, Failure::NotAPicture});
        PcxFields s = eightBit3x2();
        s.encoding = 32;
        cases.push_back(
            {"UnknownEncoding", join({header(s), someData, palette}), Failure::NotAPicture});
    }
    return cases;
}

class PcxMalformed : public ::testing::TestWithParam<BadCase> {};

TEST_P(PcxMalformed, FailsWithTheRightReason) {
    test::expectRefused(decode(GetParam().bytes), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(Malformed, PcxMalformed, ::testing::ValuesIn(badCases()),
                         test::badCaseName);

}  // namespace
}  // namespace icogen::picture
