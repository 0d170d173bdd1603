// The byte layout of every icon file icogen writes.
//
// Icons are never composed field by field: three fixed templates already describe uncompressed
// 24-bit images with a 1-bit AND mask, and pixel bytes and mask bits are patched into copies of
// them. This header is the one place that knows where those bytes lie.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace icogen {

// An owned run of bytes; empty means length 0.
using ByteBuffer = std::vector<std::uint8_t>;

// A colour laid out 0x00BBGGRR: red in the low byte, then green, then blue.
using Color = std::uint32_t;

constexpr Color rgb(int r, int g, int b) {
    return static_cast<Color>(r & 0xFF) | static_cast<Color>(g & 0xFF) << 8 |
           static_cast<Color>(b & 0xFF) << 16;
}
constexpr int redOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

// Background of both windows and nearly every control, and the colour of their texts.
inline constexpr Color themeBackColor = 0x00FF8800;  // RGB(0, 136, 255)
inline constexpr Color themeTextColor = 0x0000FFFF;  // RGB(255, 255, 0)

namespace icon {

inline constexpr std::size_t template16Size = 894;
inline constexpr std::size_t template32Size = 3262;
inline constexpr std::size_t templateDualSize = 4150;
inline constexpr std::size_t iconTemplatesSize = 8306;

inline constexpr std::size_t pixelRows16Size = 768;   // 16 rows of 48 bytes
inline constexpr std::size_t pixelRows32Size = 3072;  // 32 rows of 96 bytes

// The three templates end to end: template16 at 0, template32 at 894, templateDual at 4,156.
extern const std::array<std::uint8_t, iconTemplatesSize> iconTemplates;

std::span<const std::uint8_t> template16();
std::span<const std::uint8_t> template32();
std::span<const std::uint8_t> templateDual();

// The colour bytes written for a pixel that is made transparent.
inline constexpr std::array<std::uint8_t, 3> transparentFill{0, 0, 0};

// Where one image of one template lies. Offsets are absolute within the file.
struct ImageLayout {
    int width;               // 16 or 32; the image is square
    std::size_t entry;       // its ICONDIRENTRY
    std::size_t block;       // its image block (BITMAPINFOHEADER first)
    std::size_t blockSize;   // 872 or 3,240
    std::size_t xorBitmap;   // 3 bytes a pixel, rows bottom-up
    std::size_t andMask;     // 4 bytes a row, rows bottom-up
};

inline constexpr ImageLayout layout16{16, 6, 22, 872, 62, 830};
inline constexpr ImageLayout layout32{32, 6, 22, 3240, 62, 3134};
inline constexpr ImageLayout layoutDual16{16, 6, 38, 872, 78, 846};
inline constexpr ImageLayout layoutDual32{32, 22, 910, 3240, 950, 4022};

// Offset of the blue byte of the pixel in column c, row r (both 0-based, r counted from the top).
std::size_t pixelAddress(const ImageLayout& image, int c, int r);

struct MaskBit {
    std::size_t byte;
    std::uint8_t value;
};
// The byte and bit value of that pixel's AND-mask bit (1 = transparent).
MaskBit maskBitAddress(const ImageLayout& image, int c, int r);

// Bit number of 1-based column x within its mask row read as one little-endian number.
int maskRowBit(int x);

// Fresh template copies carrying the given pixel rows (768 or 3,072 bytes each, bottom-up).
// Rows of the wrong length leave that image black.
ByteBuffer fillTemplate16(std::span<const std::uint8_t> pixels16);
ByteBuffer fillTemplate32(std::span<const std::uint8_t> pixels32);
ByteBuffer fillTemplateDual(std::span<const std::uint8_t> pixels16,
                            std::span<const std::uint8_t> pixels32);

// Writes one pixel of a one-image working icon. size is 1 (16x16) or anything else (32x32);
// x and y are 1-based, y counted from the top. A transparent pixel gets transparentFill and its
// mask bit set; a colour pixel gets the blue, green, red bytes of `color` and keeps its mask bit.
// Coordinates outside 1..W, or an icon of the wrong length, change nothing.
void patchWorkIcon(ByteBuffer& workIcon, int size, int x, int y, bool transparent, Color color);

// True when `bytes` is a two-image file whose directory is the one of templateDual.
bool isTwoImageFile(std::span<const std::uint8_t> bytes);

// Puts the image blocks of a 16x16 and a 32x32 one-image file into a two-image file. When
// `dual` is not a two-image file it is first replaced by a fresh copy of templateDual, so an image
// block never lands in a file whose directory does not describe it.
void putImageBlocks(ByteBuffer& dual, std::span<const std::uint8_t> icon16,
                    std::span<const std::uint8_t> icon32);

}  // namespace icon
}  // namespace icogen
