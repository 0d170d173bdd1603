// A device-independent bitmap: the info header, palette and pixel rows shared by BMP files and
// the bitmap images inside ICO and CUR files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "picture/decoders.h"

namespace icogen::picture::detail {

enum class DibCoding : std::uint8_t { Rgb, Rle8, Rle4, Bitfields };

struct DibHeader {
    std::uint32_t headerSize = 0;
    std::uint64_t width = 0;
    std::uint64_t height = 0;  // without sign; for icons the caller halves it
    bool topDown = false;
    bool coreHeader = false;  // the 12-byte OS/2 v1 header: 3-byte palette entries
    std::uint16_t bitCount = 0;
    DibCoding coding = DibCoding::Rgb;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    // Red, green, blue and alpha masks for 16 and 32-bit pixels (the defaults when the header
    // gives none). Alpha is read only when useAlpha is set.
    std::array<std::uint32_t, 4> masks{};
    bool useAlpha = false;
    // Offset from the start of the header to the first byte after it and any mask words: where
    // the palette starts.
    std::uint64_t masksEnd = 0;
};

struct DibHeaderResult {
    std::optional<DibHeader> header;
    Failure failure = Failure::Corrupt;
};

// Reads the info header at the start of `dib`. Sizes are checked for sign and zero but not
// against the limits (icons halve the height first).
DibHeaderResult readDibHeader(std::span<const std::uint8_t> dib);

// Bytes a palette entry takes.
inline std::uint64_t dibPaletteEntrySize(const DibHeader& h) {
    return h.coreHeader ? 3 : 4;
}

// Palette entries the header says follow it (the colours-used field, or all 2^bits for 8 bits or
// fewer). May be absurdly large; callers check it against the data.
std::uint64_t dibDeclaredPaletteEntries(const DibHeader& h);

// The palette for 8 bits or fewer: always 2^bits opaque colours, read from the entries that lie
// within dib[begin, end) and that the header declares; indices beyond those are black.
// Empty for more than 8 bits.
std::vector<std::uint32_t> readDibPalette(const DibHeader& h, std::span<const std::uint8_t> dib,
                                          std::uint64_t begin, std::uint64_t end);

// Bytes of one stored row of uncompressed pixels, padded to 4 bytes.
inline std::uint64_t dibStride(std::uint64_t width, std::uint16_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Receives rows of `width` 0xAARRGGBB pixels; y counts from the top. A null row stands for a
// row of transparent black pixels.
using DibRowSink = std::function<void(std::uint32_t y, const std::uint32_t* argb)>;

struct DibRows {
    std::uint64_t delivered = 0;  // rows handed to the sink
    bool complete = false;        // all rows came from the data (no truncation)
};

// Decodes the pixel data in stored order. Uncompressed rows are handed over as long as whole
// rows are left in `data`. RLE data hands over every row: pixels it skips (delta, end of line,
// end of bitmap, or data that ends early) are transparent black; a run past the right edge is
// clipped. The header must already have passed the size limits.
DibRows decodeDibRows(const DibHeader& h, std::span<const std::uint32_t> palette,
                      std::span<const std::uint8_t> data, const DibRowSink& sink);

}  // namespace icogen::picture::detail
