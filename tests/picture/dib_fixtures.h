// Tiny builders for the bitmap fixtures of the BMP and ICO/CUR tests: little-endian bytes, an
// info header with its masks and palette, and pixel rows packed the way bitmaps store them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace icogen::picture::fixtures {

class ByteWriter {
  public:
    ByteWriter& u8(std::uint32_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    ByteWriter& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    ByteWriter& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    ByteWriter& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    ByteWriter& append(std::span<const std::uint8_t> more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    ByteWriter& zeros(std::size_t n) {
        bytes_.insert(bytes_.end(), n, 0);
        return *this;
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

using Rows = std::vector<std::vector<std::uint32_t>>;

// Rows given top-down, each value a palette index (8 bits or fewer), a 16 or 32-bit word, or
// 0xRRGGBB for 24 bits; stored bottom-up unless topDown, each row padded to 4 bytes.
inline std::vector<std::uint8_t> packRows(const Rows& rows, int bitCount, bool topDown = false) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[topDown ? i : rows.size() - 1 - i];
        std::vector<std::uint8_t> stored;
        if (bitCount <= 8) {
            const int perByte = 8 / bitCount;
            stored.assign((row.size() + perByte - 1) / perByte, 0);
            for (std::size_t x = 0; x < row.size(); ++x) {
                const int shift = 8 - bitCount * (static_cast<int>(x % perByte) + 1);
                stored[x / perByte] |= static_cast<std::uint8_t>(row[x] << shift);
            }
        } else {
            for (const std::uint32_t v : row)
                for (int b = 0; b < bitCount / 8; ++b)
                    stored.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
        }
        stored.resize((stored.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return out;
}

struct DibFields {
    std::uint32_t headerSize = 40;  // 12 writes the OS/2 v1 core header
    std::int32_t width = 0;
    std::int32_t height = 0;  // exactly as written
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> headerMasks{};  // red, green, blue, alpha: headers of 52+
    std::vector<std::uint32_t> masksAfter;       // words right after the header
    std::vector<std::uint32_t> palette;          // 0xRRGGBB
};

// The info header, the masks that follow it and the palette.
inline std::vector<std::uint8_t> dibHead(const DibFields& s) {
    ByteWriter w;
    w.u32(s.headerSize);
    if (s.headerSize == 12) {
        w.u16(static_cast<std::uint32_t>(s.width)).u16(static_cast<std::uint32_t>(s.height));
        w.u16(1).u16(s.bitCount);
    } else {
        w.i32(s.width).i32(s.height).u16(1).u16(s.bitCount);
        if (s.headerSize >= 20) w.u32(s.compression);
        if (s.headerSize >= 24) w.u32(s.sizeImage);
        if (s.headerSize >= 32) w.u32(2835).u32(2835);
        if (s.headerSize >= 36) w.u32(s.colorsUsed);
        if (s.headerSize >= 40) w.u32(0);
        for (std::size_t i = 0; i < 4 && w.size() + 4 <= s.headerSize; ++i) w.u32(s.headerMasks[i]);
        w.zeros(s.headerSize - w.size());
    }
    for (const std::uint32_t m : s.masksAfter) w.u32(m);
    for (const std::uint32_t c : s.palette) {
        w.u8(c).u8(c >> 8).u8(c >> 16);
        if (s.headerSize != 12) w.u8(0);
    }
    return w.bytes();
}

// A whole BMP file: file header, dibHead, then the pixel data at `pixelOffset` (right after
// the palette when not given).
inline std::vector<std::uint8_t> bmpFile(const DibFields& s, std::span<const std::uint8_t> pixels,
                                         std::optional<std::uint32_t> pixelOffset = {}) {
    const auto head = dibHead(s);
    const auto offset = static_cast<std::uint32_t>(14 + head.size());
    ByteWriter w;
    w.u8('B').u8('M').u32(static_cast<std::uint32_t>(offset + pixels.size())).u32(0);
    w.u32(pixelOffset.value_or(offset));
    w.append(head).append(pixels);
    return w.bytes();
}

}  // namespace icogen::picture::fixtures
