// Reading the EXIF orientation out of an APP1 payload, and turning pixels upright.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "picture/exif_orientation.h"

namespace icogen::picture::detail {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;  // value as it sits in the 4-byte field (SHORT: first 2 bytes)
};

// "Exif\0\0", a TIFF header in the given byte order, IFD0 at `ifdOffset` with the entries.
Bytes exifPayload(bool bigEndian, const std::vector<Entry>& entries, std::uint32_t ifdOffset = 8) {
    Bytes out = {'E', 'x', 'i', 'f', 0, 0};
    auto put16 = [&](std::uint32_t v) {
        if (bigEndian) {
            out.push_back(static_cast<std::uint8_t>(v >> 8));
            out.push_back(static_cast<std::uint8_t>(v));
        } else {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    };
    auto put32 = [&](std::uint32_t v) {
        if (bigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    put16(42);
    put32(ifdOffset);
    // The IFD goes where the offset says, or straight after the header when that is far away
    // (for offsets that point beyond the data).
    while (ifdOffset < 1024 && out.size() < 6 + ifdOffset) out.push_back(0);
    put16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);  // no next IFD
    return out;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrder) {
    for (bool bigEndian : {false, true}) {
        for (std::uint32_t value = 1; value <= 8; ++value) {
            SCOPED_TRACE(std::string(bigEndian ? "MM " : "II ") + std::to_string(value));
            // Among other tags, not first, the way cameras write it.
            const Bytes payload = exifPayload(
                bigEndian, {{0x010F, 2, 6, 0x1234}, {0x0112, 3, 1, value}, {0x011A, 5, 1, 0x40}},
                bigEndian ? 8 : 20);
            EXPECT_EQ(exifOrientation(payload), static_cast<int>(value));
        }
    }
    EXPECT_EQ(exifOrientation(exifPayload(false, {{0x0112, 4, 1, 6}})), 6);  // as a LONG
}

TEST(ExifOrientation, AnythingDoubtfulMeansAsStored) {
    struct Case {
        const char* name;
        Bytes payload;
    };
    Bytes badMagic = exifPayload(false, {{0x0112, 3, 1, 6}});
    badMagic[8] = 43;
    Bytes badOrder = exifPayload(false, {{0x0112, 3, 1, 6}});
    badOrder[6] = 'X';
    Bytes notExif = exifPayload(false, {{0x0112, 3, 1, 6}});
    notExif[0] = 'e';
    Bytes hugeCount = exifPayload(false, {{0x0110, 3, 1, 6}});
    hugeCount[14] = 0xFF;  // entry count 0xFFFF, far beyond the data
    hugeCount[15] = 0xFF;
    const std::vector<Case> cases = {
        {"value 0", exifPayload(false, {{0x0112, 3, 1, 0}})},
        {"value 9", exifPayload(true, {{0x0112, 3, 1, 9}})},
        {"value 0x0106 read in the wrong byte order would be 6",
         exifPayload(false, {{0x0112, 3, 1, 0x0600}})},
        {"count 0", exifPayload(false, {{0x0112, 3, 0, 6}})},
        {"type ASCII", exifPayload(false, {{0x0112, 2, 1, 6}})},
        {"no orientation tag", exifPayload(false, {{0x0110, 3, 1, 6}})},
        {"IFD beyond the end", exifPayload(false, {{0x0112, 3, 1, 6}}, 0xFFFFFFF0)},
        {"bad TIFF magic", badMagic},
        {"bad byte order mark", badOrder},
        {"not Exif", notExif},
        {"entry count beyond the data", hugeCount},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(exifOrientation(c.payload), 1);
    }
}

TEST(ExifOrientation, EveryCutOfThePayloadIsSafe) {
    const Bytes payload = exifPayload(true, {{0x010F, 2, 6, 0}, {0x0112, 3, 1, 8}});
    for (std::size_t length = 0; length < payload.size(); ++length) {
        SCOPED_TRACE(length);
        const int o = exifOrientation(std::span(payload.data(), length));
        // Once the whole orientation entry is there the value is found; before, nothing is.
        EXPECT_EQ(o, length >= 6 + 8 + 2 + 24 ? 8 : 1);
    }
}

// 3 x 2 stored:  a b c
//                d e f
TEST(OrientPixels, TurnsTheStoredPictureUpright) {
    const std::vector<std::uint32_t> stored = {'a', 'b', 'c', 'd', 'e', 'f'};
    struct Case {
        int orientation;
        std::uint32_t width, height;
        std::string upright;  // rows top-down
    };
    for (const Case& c :
         {Case{1, 3, 2, "abcdef"}, Case{2, 3, 2, "cbafed"}, Case{3, 3, 2, "fedcba"},
          Case{4, 3, 2, "defabc"},
          // Transposed: the stored first row becomes the left column.
          Case{5, 2, 3, "adbecf"},
          // Shown turned clockwise: the stored first row becomes the right column.
          Case{6, 2, 3, "daebfc"}, Case{7, 2, 3, "fcebda"},
          // Shown turned anticlockwise: the stored first row becomes the left
          // column, read bottom-up.
          Case{8, 2, 3, "cfbead"}, Case{0, 3, 2, "abcdef"}, Case{9, 3, 2, "abcdef"}}) {
        SCOPED_TRACE(c.orientation);
        std::uint32_t w = 3, h = 2;
        const auto out = orientPixels(stored, w, h, c.orientation);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        EXPECT_EQ(std::string(out.begin(), out.end()), c.upright);
    }
}

TEST(OrientPixels, OddSizesAndSingleRows) {
    // 1 x 3 and 3 x 3 check the middle row or column of a flip, and transposes of a line.
    std::uint32_t w = 1, h = 3;
    EXPECT_EQ(orientPixels({1, 2, 3}, w, h, 4), (std::vector<std::uint32_t>{3, 2, 1}));
    w = 1;
    h = 3;
    EXPECT_EQ(orientPixels({1, 2, 3}, w, h, 6), (std::vector<std::uint32_t>{3, 2, 1}));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 1u);
    w = 3;
    h = 3;
    EXPECT_EQ(orientPixels({1, 2, 3, 4, 5, 6, 7, 8, 9}, w, h, 4),
              (std::vector<std::uint32_t>{7, 8, 9, 4, 5, 6, 1, 2, 3}));
}

}  // namespace
}  // namespace icogen::picture::detail
