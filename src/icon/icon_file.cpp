#include "icon/icon_file.h"

#include <algorithm>

namespace icogen::icon {
namespace {

using Block = std::array<std::uint8_t, iconTemplatesSize>;

constexpr void put16(Block& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr void put32(Block& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

// ICONDIRENTRY: width, height, no palette, planes and bit count 0 (the depth is stated only in
// the BITMAPINFOHEADER), the image block's length and offset.
constexpr void putEntry(Block& b, std::size_t fileStart, const ImageLayout& image) {
    const std::size_t e = fileStart + image.entry;
    b[e] = static_cast<std::uint8_t>(image.width);
    b[e + 1] = static_cast<std::uint8_t>(image.width);
    put32(b, e + 8, static_cast<std::uint32_t>(image.blockSize));
    put32(b, e + 12, static_cast<std::uint32_t>(image.block));
}

// BITMAPINFOHEADER of an uncompressed 24-bit image; the height counts XOR bitmap and AND mask.
constexpr void putInfoHeader(Block& b, std::size_t fileStart, const ImageLayout& image) {
    const std::size_t h = fileStart + image.block;
    const auto w = static_cast<std::uint32_t>(image.width);
    put32(b, h, 40);
    put32(b, h + 4, w);
    put32(b, h + 8, 2 * w);
    put16(b, h + 12, 1);
    put16(b, h + 14, 24);
    put32(b, h + 20, w * w * 3 + w * 4);
}

constexpr void putDirectory(Block& b, std::size_t fileStart, std::uint16_t count) {
    put16(b, fileStart + 2, 1);
    put16(b, fileStart + 4, count);
}

constexpr Block buildTemplates() {
    Block b{};
    putDirectory(b, 0, 1);
    putEntry(b, 0, layout16);
    putInfoHeader(b, 0, layout16);

    putDirectory(b, template16Size, 1);
    putEntry(b, template16Size, layout32);
    putInfoHeader(b, template16Size, layout32);

    constexpr std::size_t dual = template16Size + template32Size;
    putDirectory(b, dual, 2);
    putEntry(b, dual, layoutDual16);
    putEntry(b, dual, layoutDual32);
    putInfoHeader(b, dual, layoutDual16);
    putInfoHeader(b, dual, layoutDual32);
    return b;
}

constexpr std::size_t dualStart = template16Size + template32Size;
static_assert(dualStart + templateDualSize == iconTemplatesSize);

void copyRows(ByteBuffer& file, std::size_t at, std::span<const std::uint8_t> rows,
              std::size_t expected) {
    if (rows.size() == expected) std::copy(rows.begin(), rows.end(), file.begin() + at);
}

}  // namespace

constinit const std::array<std::uint8_t, iconTemplatesSize> iconTemplates = buildTemplates();

std::span<const std::uint8_t> template16() {
    return std::span(iconTemplates).subspan(0, template16Size);
}
std::span<const std::uint8_t> template32() {
    return std::span(iconTemplates).subspan(template16Size, template32Size);
}
std::span<const std::uint8_t> templateDual() {
    return std::span(iconTemplates).subspan(dualStart, templateDualSize);
}

std::size_t pixelAddress(const ImageLayout& image, int c, int r) {
    const auto w = static_cast<std::size_t>(image.width);
    return image.xorBitmap + (w - 1 - static_cast<std::size_t>(r)) * 3 * w +
           3 * static_cast<std::size_t>(c);
}

MaskBit maskBitAddress(const ImageLayout& image, int c, int r) {
    const auto w = static_cast<std::size_t>(image.width);
    const std::size_t row = image.andMask + (w - 1 - static_cast<std::size_t>(r)) * 4;
    return {row + static_cast<std::size_t>(c / 8), static_cast<std::uint8_t>(0x80u >> (c % 8))};
}

int maskRowBit(int x) {
    // Byte k of the row covers columns 8k+1..8k+8, its top bit being the leftmost of them.
    if (x <= 8) return 8 - x;
    if (x <= 16) return 24 - x;
    if (x <= 24) return 40 - x;
    return 56 - x;
}

ByteBuffer fillTemplate16(std::span<const std::uint8_t> pixels16) {
    ByteBuffer file(template16().begin(), template16().end());
    copyRows(file, layout16.xorBitmap, pixels16, pixelRows16Size);
    return file;
}

ByteBuffer fillTemplate32(std::span<const std::uint8_t> pixels32) {
    ByteBuffer file(template32().begin(), template32().end());
    copyRows(file, layout32.xorBitmap, pixels32, pixelRows32Size);
    return file;
}

ByteBuffer fillTemplateDual(std::span<const std::uint8_t> pixels16,
                            std::span<const std::uint8_t> pixels32) {
    ByteBuffer file(templateDual().begin(), templateDual().end());
    copyRows(file, layoutDual16.xorBitmap, pixels16, pixelRows16Size);
    copyRows(file, layoutDual32.xorBitmap, pixels32, pixelRows32Size);
    return file;
}

void patchWorkIcon(ByteBuffer& workIcon, int size, int x, int y, bool transparent, Color color) {
    const int w = size == 1 ? 16 : 32;
    const std::size_t expected = size == 1 ? template16Size : template32Size;
    if (workIcon.size() != expected || x < 1 || x > w || y < 1 || y > w) return;

    // The pixel's colour bytes; rows are stored bottom-up, so top-down row y is row W - y.
    const std::size_t p = 62 + static_cast<std::size_t>(w - y) * 3 * w +
                          static_cast<std::size_t>(x - 1) * 3;
    if (!transparent) {
        workIcon[p] = static_cast<std::uint8_t>(blueOf(color));
        workIcon[p + 1] = static_cast<std::uint8_t>(greenOf(color));
        workIcon[p + 2] = static_cast<std::uint8_t>(redOf(color));
        return;  // a colour never clears a mask bit
    }
    std::copy(transparentFill.begin(), transparentFill.end(), workIcon.begin() + p);

    // A 16-pixel mask row is read as a 16-bit number (its two padding bytes stay untouched),
    // a 32-pixel row as a 32-bit number.
    const std::size_t m = size == 1 ? 830 + static_cast<std::size_t>(16 - y) * 4
                                    : 3134 + static_cast<std::size_t>(32 - y) * 4;
    const int rowBytes = size == 1 ? 2 : 4;
    std::uint32_t row = 0;
    for (int i = 0; i < rowBytes; ++i) row |= static_cast<std::uint32_t>(workIcon[m + i]) << (8 * i);
    row |= std::uint32_t{1} << maskRowBit(x);
    for (int i = 0; i < rowBytes; ++i) workIcon[m + i] = static_cast<std::uint8_t>(row >> (8 * i));
}

bool isTwoImageFile(std::span<const std::uint8_t> bytes) {
    const auto dual = templateDual();
    constexpr std::size_t directory = 38;  // ICONDIR and both ICONDIRENTRYs
    return bytes.size() == templateDualSize &&
           std::equal(dual.begin(), dual.begin() + directory, bytes.begin());
}

void putImageBlocks(ByteBuffer& dual, std::span<const std::uint8_t> icon16,
                    std::span<const std::uint8_t> icon32) {
    if (!isTwoImageFile(dual)) dual.assign(templateDual().begin(), templateDual().end());
    if (icon16.size() == template16Size) {
        auto block = icon16.last(layout16.blockSize);
        std::copy(block.begin(), block.end(), dual.begin() + layoutDual16.block);
    }
    if (icon32.size() == template32Size) {
        auto block = icon32.last(layout32.blockSize);
        std::copy(block.begin(), block.end(), dual.begin() + layoutDual32.block);
    }
}

}  // namespace icogen::icon
