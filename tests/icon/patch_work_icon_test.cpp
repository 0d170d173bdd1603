#include <gtest/gtest.h>

#include "icon/icon_file.h"

namespace icogen::icon {
namespace {

ByteBuffer fresh(int size) {
    const auto t = size == 1 ? template16() : template32();
    ByteBuffer b(t.begin(), t.end());
    // Colour every pixel so that transparentFill is visible.
    for (std::size_t i = 62; i < 62 + (size == 1 ? 768u : 3072u); ++i) b[i] = 0x5A;
    return b;
}

std::vector<std::size_t> changedBytes(const ByteBuffer& a, const ByteBuffer& b) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) out.push_back(i);
    return out;
}

struct TransparentCase {
    const char* name;
    int size, x, y;
    std::size_t colour;  // first of the three colour bytes
    std::size_t maskByte;
    std::uint8_t maskValue;
};

TEST(PatchWorkIcon, TransparentPixelClearsColourAndSetsExactlyItsMaskBit) {
    const TransparentCase cases[] = {
        {"16 top-left", 1, 1, 1, 782, 890, 0x80},
        {"16 x=8 bit 0", 1, 8, 1, 782 + 21, 890, 0x01},
        {"16 x=9 bit 15", 1, 9, 1, 782 + 24, 891, 0x80},
        {"16 x=16 bit 8", 1, 16, 1, 827, 891, 0x01},
        {"16 bottom-left", 1, 1, 16, 62, 830, 0x80},
        {"32 top-right bit 24", 2, 32, 1, 3131, 3261, 0x01},
        {"32 x=25 bit 31", 2, 25, 13, 62 + 19 * 96 + 72, 3210 + 3, 0x80},
        {"32 x=17 bit 23", 2, 17, 32, 62 + 48, 3134 + 2, 0x80},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const ByteBuffer before = fresh(t.size);
        ByteBuffer icon = before;
        patchWorkIcon(icon, t.size, t.x, t.y, true, 0x00123456);
        EXPECT_EQ(changedBytes(before, icon),
                  (std::vector<std::size_t>{t.colour, t.colour + 1, t.colour + 2, t.maskByte}));
        EXPECT_EQ(icon[t.colour], 0);
        EXPECT_EQ(icon[t.maskByte], t.maskValue);
    }
}

TEST(PatchWorkIcon, SixteenPixelRowsNeverTouchTheirPaddingBytes) {
    ByteBuffer icon = fresh(1);
    for (int y = 1; y <= 16; ++y)
        for (int x = 1; x <= 16; ++x) patchWorkIcon(icon, 1, x, y, true, 0);
    for (int row = 0; row < 16; ++row) {
        const std::size_t m = 830 + row * 4;
        EXPECT_EQ(icon[m], 0xFF);
        EXPECT_EQ(icon[m + 1], 0xFF);
        EXPECT_EQ(icon[m + 2], 0) << "padding of row " << row;
        EXPECT_EQ(icon[m + 3], 0) << "padding of row " << row;
    }
}

TEST(PatchWorkIcon, ColourWritesBlueGreenRedAndKeepsTheMaskBit) {
    ByteBuffer icon = fresh(1);
    patchWorkIcon(icon, 1, 3, 16, false, 0x000000FF);  // red, bottom row, column 2
    EXPECT_EQ(icon[68], 0x00);
    EXPECT_EQ(icon[69], 0x00);
    EXPECT_EQ(icon[70], 0xFF);

    patchWorkIcon(icon, 1, 3, 16, true, 0);
    patchWorkIcon(icon, 1, 3, 16, false, 0xFF112233);  // the top byte is never written
    EXPECT_EQ(icon[68], 0x11);
    EXPECT_EQ(icon[69], 0x22);
    EXPECT_EQ(icon[70], 0x33);
    EXPECT_EQ(icon[830], 0x20) << "a colour never clears a mask bit";
}

TEST(PatchWorkIcon, TransparentTwiceEqualsOnce) {
    for (int size : {1, 2}) {
        ByteBuffer once = fresh(size);
        patchWorkIcon(once, size, 5, 7, true, 0);
        ByteBuffer twice = once;
        patchWorkIcon(twice, size, 5, 7, true, 0);
        EXPECT_EQ(once, twice) << "size " << size;
    }
}

TEST(PatchWorkIcon, OutOfRangeOrWrongLengthChangesNothing) {
    const ByteBuffer before = fresh(1);
    for (auto [x, y] : {std::pair{0, 1}, {1, 0}, {17, 1}, {1, 17}, {-5, 3}}) {
        ByteBuffer icon = before;
        patchWorkIcon(icon, 1, x, y, true, 0);
        EXPECT_EQ(icon, before) << x << "," << y;
    }
    ByteBuffer small(100, 0);
    patchWorkIcon(small, 2, 1, 1, true, 0);
    EXPECT_EQ(small, ByteBuffer(100, 0));
}

TEST(PatchWorkIcon, HeadersAndLengthSurviveAnyNumberOfStrokes) {
    for (int size : {1, 2}) {
        ByteBuffer icon = fresh(size);
        const int w = size == 1 ? 16 : 32;
        for (int i = 0; i < 500; ++i)
            patchWorkIcon(icon, size, 1 + (i * 7) % w, 1 + (i * 13) % w, i % 3 == 0,
                          static_cast<Color>(i * 2654435761u));
        const auto t = size == 1 ? template16() : template32();
        ASSERT_EQ(icon.size(), t.size());
        EXPECT_TRUE(std::equal(t.begin(), t.begin() + 62, icon.begin())) << "size " << size;
    }
}

}  // namespace
}  // namespace icogen::icon
