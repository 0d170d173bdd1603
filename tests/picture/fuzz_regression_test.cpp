// What fuzzing the decoder found, kept as tests: a few bytes that declare a huge picture must
// cost time for the data they hold, not for the size they declare, and the shortcuts taken for
// that must not change the reduced pixels.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "picture/corpus.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A GIF with a 4-colour table (black, red, green, blue), one frame at left, top of `w` x `h`
// palette indices. The image data sends a clear code before every pixel, so all codes keep
// their 3 bits. `indices` may be shorter than w x h: the data then ends early.
Bytes gifFile(std::uint32_t screenW, std::uint32_t screenH, std::uint32_t left, std::uint32_t top,
              std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& indices) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    put16(b, screenW);
    put16(b, screenH);
    b.insert(b.end(), {0x81, 0, 0});  // a global table of 4 colours
    b.insert(b.end(), {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    b.push_back(0x2C);
    put16(b, left);
    put16(b, top);
    put16(b, w);
    put16(b, h);
    b.push_back(0);
    b.push_back(2);  // LZW minimum code size: clear is 4, end is 5
    std::vector<std::uint8_t> packed;
    std::uint32_t bits = 0, count = 0;
    auto code = [&](std::uint32_t c) {
        bits |= c << count;
        count += 3;
        while (count >= 8) {
            packed.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    for (const std::uint8_t index : indices) {
        code(4);
        code(index);
    }
    if (indices.size() == std::size_t{w} * h) code(5);
    if (count > 0) packed.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - at);
        b.push_back(static_cast<std::uint8_t>(n));
        b.insert(b.end(), packed.begin() + static_cast<long>(at),
                 packed.begin() + static_cast<long>(at + n));
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

// An RLE8 BMP, bottom-up, with a 4-colour palette (black, red, green, blue) and the given data.
Bytes rle8File(std::uint32_t w, std::uint32_t h, const Bytes& data) {
    Bytes b = {'B', 'M'};
    put32(b, static_cast<std::uint32_t>(14 + 40 + 16 + data.size()));
    put32(b, 0);
    put32(b, 14 + 40 + 16);
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, 8);
    put32(b, 1);  // RLE8
    put32(b, static_cast<std::uint32_t>(data.size()));
    put32(b, 0);
    put32(b, 0);
    put32(b, 4);
    put32(b, 0);
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

struct Bomb {
    std::string name;
    Bytes bytes;
    bool decodes;
};

// 65535 x 16384 is just within the pixel limit: pushing every row of it through the reducer
// took seconds (minutes under the sanitizers).
std::vector<Bomb> bombs() {
    return {
        {"GifSmallFrameOnHugeScreen", gifFile(65535, 16384, 0, 0, 1, 1, {1}), true},
        {"GifSmallFrameLowOnHugeScreen", gifFile(65535, 16384, 3, 12000, 1, 1, {2}), true},
        {"GifHugeFrameWithoutData", gifFile(65535, 16384, 0, 0, 65535, 16384, {}), false},
        {"GifHugeFrameCutInItsFirstRow", gifFile(65535, 16384, 0, 0, 65535, 16384, {1, 2, 3}),
         false},
        {"GifTallFrameCutShort", gifFile(65535, 16384, 0, 0, 2, 16384, {1, 2, 3}), true},
        {"Rle8EndsAtOnce", rle8File(65535, 16384, {0, 1}), true},
        {"Rle8DataRunsOut", rle8File(65535, 16384, {5, 1}), true},
    };
}

class DeclaredSizeBomb : public ::testing::TestWithParam<Bomb> {};

TEST_P(DeclaredSizeBomb, CostsTheDataNotTheDeclaredSize) {
    const Bomb& bomb = GetParam();
    DecodeOptions options;
    options.sizeHint = 84;
    const auto start = std::chrono::steady_clock::now();
    const DecodeResult result = decodePicture(bomb.bytes, options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(result.picture.has_value(), bomb.decodes) << failureName(result.failure);
    if (!result) return;
    std::vector<std::string> problems;
    corpus::checkShape(*result.picture, bomb.bytes, options.sizeHint, problems);
    for (const auto& p : problems) ADD_FAILURE() << p;
    EXPECT_EQ(result.picture->width, 65535u);
    EXPECT_EQ(result.picture->height, 16384u);
}

INSTANTIATE_TEST_SUITE_P(Fuzzed, DeclaredSizeBomb, ::testing::ValuesIn(bombs()),
                         [](const auto& info) { return info.param.name; });

// The rows skipped for speed are the ones that averaged to nothing: a reduced picture is still
// the block average of the full one, where a frame sits off the block grid or data ends inside
// a block.
struct Placement {
    std::string name;
    Bytes bytes;
};

std::vector<Placement> placements() {
    std::vector<std::uint8_t> frame;
    for (std::uint32_t i = 0; i < 7 * 5; ++i) frame.push_back(static_cast<std::uint8_t>(i % 4));
    const std::vector<std::uint8_t> cut(frame.begin(), frame.begin() + 17);
    return {
        {"GifFrameOffTheGrid", gifFile(300, 200, 151, 97, 7, 5, frame)},
        {"GifFrameOnTheBottomEdge", gifFile(300, 200, 40, 195, 7, 5, frame)},
        {"GifFrameCutShort", gifFile(300, 200, 151, 97, 7, 5, cut)},
        // Two rows of red and green, then the data ends inside the third row.
        {"Rle8EndsInsideABlock", rle8File(40, 30, {40, 1, 0, 0, 40, 2, 0, 0, 10, 3})},
        {"Rle8EndOfBitmapInsideABlock", rle8File(40, 30, {40, 1, 0, 0, 40, 2, 0, 0, 10, 3, 0, 1})},
    };
}

class ReducedAfterShortcut : public ::testing::TestWithParam<Placement> {};

TEST_P(ReducedAfterShortcut, IsTheBlockAverageOfTheFullPicture) {
    const Bytes& bytes = GetParam().bytes;
    const DecodeResult full = decodePicture(bytes);
    ASSERT_TRUE(full) << failureName(full.failure);
    int reducedOnce = 0;
    for (const std::uint32_t hint : {8u, 12u, 16u, 32u}) {
        SCOPED_TRACE("size hint " + std::to_string(hint));
        DecodeOptions options;
        options.sizeHint = hint;
        const DecodeResult reduced = decodePicture(bytes, options);
        ASSERT_TRUE(reduced);
        const Picture& small = *reduced.picture;
        if (small.pixelWidth == full.picture->pixelWidth) continue;
        ++reducedOnce;
        const std::uint32_t f =
            (full.picture->pixelWidth + small.pixelWidth - 1) / small.pixelWidth;
        const auto c = corpus::compare(small, corpus::blockAverage(*full.picture, f), 0,
                                       small.alphaUse != AlphaUse::Opaque);
        EXPECT_EQ(c.differing, 0u) << "factor " << f << ": " << c.describe();
    }
    EXPECT_GT(reducedOnce, 1);
}

INSTANTIATE_TEST_SUITE_P(Fuzzed, ReducedAfterShortcut, ::testing::ValuesIn(placements()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace icogen::picture
