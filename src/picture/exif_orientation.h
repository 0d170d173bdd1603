// The EXIF orientation of a photo, and turning its pixels upright the way photo viewers show
// them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace icogen::picture::detail {

// The orientation tag (0x0112) of IFD0 in the payload of a JPEG APP1 segment (the bytes after
// the segment length, starting "Exif\0\0"): 1 to 8, or 1 when the payload holds none, or
// anything out of range or out of bounds.
//   1 as stored            2 mirrored left-right       3 turned 180 degrees
//   4 mirrored top-bottom  5 mirrored along the main diagonal (transposed)
//   6 stored turned 90 degrees anticlockwise: shown turned 90 degrees clockwise
//   7 mirrored along the other diagonal
//   8 stored turned 90 degrees clockwise: shown turned 90 degrees anticlockwise
int exifOrientation(std::span<const std::uint8_t> app1Payload);

// Rows of `width` x `height` pixels, top-down, turned so that the picture appears upright for
// the given orientation. `width` and `height` are updated (swapped for 5 to 8).
std::vector<std::uint32_t> orientPixels(std::vector<std::uint32_t> pixels, std::uint32_t& width,
                                        std::uint32_t& height, int orientation);

}  // namespace icogen::picture::detail
