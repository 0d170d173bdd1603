// A progressive JPEG shown at 1/8 of its size needs nothing but the DC coefficient of each
// 8 x 8 block: that is the block's average. libjpeg would hold every coefficient of the whole
// picture in memory (2 bytes a sample: over 130 MiB for a 24-megapixel photo) and decode every
// scan. This decoder reads only the DC scans (first pass and refinements), skips the AC scans
// unread, and keeps one 16-bit value a block.
//
// It handles Huffman-coded progressive files with 8-bit samples, grey, YCbCr or RGB, and
// whole-number sampling ratios; the caller checks that with libjpeg's header reading first and
// uses libjpeg for the rest. Luma and every full-resolution channel come out exactly as libjpeg's
// 1/8 decode gives them; a subsampled chroma channel is its block averages repeated over the pixels
// it covers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture::detail {

struct DcComponent {
    int id = 0;
    int h = 1, v = 1;  // sampling factors, 1 to 4
    int quantTable = 0;
};

enum class DcColour : std::uint8_t { Grey, YCbCr, Rgb };

struct DcFrame {
    std::uint32_t width = 0, height = 0;
    std::vector<DcComponent> components;  // 1 or 3
    DcColour colour = DcColour::YCbCr;
};

struct DcOutcome {
    std::optional<Failure> failure;
    bool nothingArrived = false;  // the data ran out before the first row of blocks was read
};

// Whether the frame is one this decoder reads (sampling ratios, component count).
bool dcDecodable(const DcFrame& frame);

// Output rows of ceil(width / 8) pixels, ceil(height / 8) of them, 4 bytes a pixel: the bytes
// of opaque 0xAARRGGBB values. `rowBuffer(y)` gives where row y goes, `rowDone(y)` is called
// once it is there.
struct DcRowSink {
    std::function<std::uint8_t*(std::uint32_t y)> rowBuffer;
    std::function<void(std::uint32_t y)> rowDone;
};

// `file` is the whole JPEG file; `maxScans` bounds the number of scans read.
DcOutcome decodeProgressiveDc(std::span<const std::uint8_t> file, const DcFrame& frame,
                              int maxScans, const DcRowSink& sink);

}  // namespace icogen::picture::detail
