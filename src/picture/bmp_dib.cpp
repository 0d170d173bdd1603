#include "picture/bmp_dib.h"

#include <algorithm>
#include <bit>

#include "picture/byte_reader.h"

namespace icogen::picture::detail {
namespace {

// Values of the compression field.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;  // Huffman 1D in OS/2 v2 files
constexpr std::uint32_t kJpeg = 4;       // RLE24 in OS/2 v2 files
constexpr std::uint32_t kPng = 5;
constexpr std::uint32_t kAlphaBitfields = 6;
constexpr std::uint32_t kCmyk = 11;
constexpr std::uint32_t kCmykRle8 = 12;
constexpr std::uint32_t kCmykRle4 = 13;

bool isWindowsHeaderSize(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

DibHeaderResult failed(Failure f) {
    DibHeaderResult r;
    r.failure = f;
    return r;
}

// One colour channel of a 16 or 32-bit pixel, scaled to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint32_t operator()(std::uint32_t v) const {
        if (max == 0) return 0;
        const std::uint64_t x = (v & mask) >> shift;
        if (max == 255) return static_cast<std::uint32_t>(x);
        return static_cast<std::uint32_t>((x * 255 + max / 2) / max);
    }
};

}  // namespace

DibHeaderResult readDibHeader(std::span<const std::uint8_t> dib) {
    const auto sizeField = readU32(dib, 0);
    if (!sizeField) return failed(Failure::Corrupt);
    const std::uint32_t hs = *sizeField;

    DibHeader h;
    h.headerSize = hs;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t compression = kRgb;
    bool os2v2 = false;

    if (hs == 12) {
        ByteReader r(dib, 4);
        width = r.u16();
        height = r.u16();
        r.u16();  // planes
        h.bitCount = r.u16();
        if (!r.ok()) return failed(Failure::Corrupt);
        h.coreHeader = true;
    } else if (isWindowsHeaderSize(hs) || (hs >= 16 && hs <= 64)) {
        if (dib.size() < hs) return failed(Failure::Corrupt);
        os2v2 = !isWindowsHeaderSize(hs);
        ByteReader r(dib, 4);
        width = r.i32();
        height = r.i32();
        r.u16();  // planes
        h.bitCount = r.u16();
        if (hs >= 20) compression = r.u32();
        if (hs >= 24) h.sizeImage = r.u32();
        if (hs >= 36) {
            r.skip(8);  // resolution
            h.colorsUsed = r.u32();
        }
        if (!r.ok()) return failed(Failure::Corrupt);
    } else {
        return failed(Failure::Corrupt);
    }

    if (width <= 0 || height == 0) return failed(Failure::Corrupt);
    h.width = static_cast<std::uint64_t>(width);
    h.topDown = height < 0;
    h.height = static_cast<std::uint64_t>(height < 0 ? -height : height);
    h.masksEnd = hs;

    const std::uint16_t bits = h.bitCount;
    switch (compression) {
        case kRgb:
            if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
                bits != 32)
                return failed(Failure::Corrupt);
            h.coding = DibCoding::Rgb;
            break;
        case kRle8:
            if (bits != 8) return failed(Failure::Corrupt);
            h.coding = DibCoding::Rle8;
            break;
        case kRle4:
            if (bits != 4) return failed(Failure::Corrupt);
            h.coding = DibCoding::Rle4;
            break;
        case kBitfields:
        case kAlphaBitfields:
            if (os2v2) return failed(Failure::Unsupported);  // Huffman 1D
            if (bits != 16 && bits != 32) return failed(Failure::Corrupt);
            h.coding = DibCoding::Bitfields;
            break;
        case kJpeg:  // or RLE24 in an OS/2 v2 file
        case kPng:
        case kCmyk:
        case kCmykRle8:
        case kCmykRle4:
            return failed(Failure::Unsupported);
        default:
            return failed(Failure::Corrupt);
    }
    // Compressed bitmaps are always stored bottom-up.
    if (h.topDown && (h.coding == DibCoding::Rle8 || h.coding == DibCoding::Rle4))
        return failed(Failure::Corrupt);

    if (bits == 16)
        h.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else if (bits == 32)
        h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};

    if (h.coding == DibCoding::Bitfields) {
        const bool withAlpha = compression == kAlphaBitfields;
        if (hs >= 52) {
            // The masks are part of the header (V2 and later); V3 and later carry alpha too.
            h.masks = {*readU32(dib, 40), *readU32(dib, 44), *readU32(dib, 48), 0};
            if (hs >= 56) h.masks[3] = *readU32(dib, 52);
        } else {
            // The masks follow a 40-byte header.
            const std::uint64_t count = withAlpha ? 4 : 3;
            for (std::uint64_t i = 0; i < count; ++i) {
                const auto m = readU32(dib, hs + 4 * i);
                if (!m) return failed(Failure::Corrupt);
                h.masks[i] = *m;
            }
            h.masksEnd = hs + 4 * count;
        }
        h.useAlpha = h.masks[3] != 0;
    } else if (h.coding == DibCoding::Rgb && hs >= 108 && (bits == 16 || bits == 32)) {
        // A V4 or V5 header may name an alpha channel in the bits the colours leave unused.
        const std::uint32_t alpha = *readU32(dib, 52);
        if (alpha != 0 && (alpha & (h.masks[0] | h.masks[1] | h.masks[2])) == 0) {
            h.masks[3] = alpha;
            h.useAlpha = true;
        }
    }
    DibHeaderResult result;
    result.header = h;
    return result;
}

std::uint64_t dibDeclaredPaletteEntries(const DibHeader& h) {
    if (!h.coreHeader && h.colorsUsed != 0) return h.colorsUsed;
    if (h.bitCount <= 8) return std::uint64_t{1} << h.bitCount;
    return 0;
}

std::vector<std::uint32_t> readDibPalette(const DibHeader& h, std::span<const std::uint8_t> dib,
                                          std::uint64_t begin, std::uint64_t end) {
    if (h.bitCount > 8) return {};
    const std::uint64_t size = std::uint64_t{1} << h.bitCount;
    std::vector<std::uint32_t> palette(size, 0xFF000000);
    const std::uint64_t entry = dibPaletteEntrySize(h);
    end = std::min<std::uint64_t>(end, dib.size());
    const std::uint64_t available = end > begin ? (end - begin) / entry : 0;
    const std::uint64_t count = std::min({dibDeclaredPaletteEntries(h), size, available});
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* p = dib.data() + begin + i * entry;
        palette[i] = 0xFF000000u | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
    return palette;
}

DibRows decodeDibRows(const DibHeader& h, std::span<const std::uint32_t> palette,
                      std::span<const std::uint8_t> data, const DibRowSink& sink) {
    DibRows result;
    const auto width = static_cast<std::uint32_t>(h.width);
    const auto height = static_cast<std::uint32_t>(h.height);
    std::vector<std::uint32_t> row(width, 0);
    const auto target = [&](std::uint64_t stored) {
        return static_cast<std::uint32_t>(h.topDown ? stored : height - 1 - stored);
    };

    if (h.coding == DibCoding::Rle8 || h.coding == DibCoding::Rle4) {
        const bool rle8 = h.coding == DibCoding::Rle8;
        // Indices beyond the palette are black, as with uncompressed pixels.
        const auto colour = [&](std::uint32_t index) {
            return index < palette.size() ? palette[index] : 0xFF000000u;
        };
        std::uint64_t stored = 0;  // stored row being filled, 0 = the first in the data
        std::uint64_t x = 0;
        bool written = false;  // whether the row being filled has any pixel yet
        // A row nothing was written to goes over as a blank row, which costs the sink next to
        // nothing: a few bytes of deltas or line ends over a huge picture stay cheap.
        const auto nextRow = [&] {
            if (written) {
                sink(target(stored), row.data());
                std::fill(row.begin(), row.end(), 0u);
                written = false;
            } else {
                sink(target(stored), nullptr);
            }
            ++stored;
            ++result.delivered;
            x = 0;
        };
        std::uint64_t pos = 0;
        bool ended = false;
        // Every pass consumes at least two bytes.
        while (stored < height && data.size() - pos >= 2) {
            const std::uint8_t count = data[pos];
            const std::uint8_t value = data[pos + 1];
            pos += 2;
            if (count > 0) {
                for (std::uint32_t k = 0; k < count && x < width; ++k, ++x) {
                    const std::uint32_t index =
                        rle8 ? value : (k % 2 == 0 ? value >> 4 : value & 0x0F);
                    row[x] = colour(index);
                    written = true;
                }
                continue;  // a run past the right edge is dropped
            }
            if (value == 0) {  // end of line
                nextRow();
            } else if (value == 1) {  // end of bitmap
                ended = true;
                break;
            } else if (value == 2) {  // delta: move right and up
                if (data.size() - pos < 2) break;
                const std::uint8_t dx = data[pos];
                const std::uint8_t dy = data[pos + 1];
                pos += 2;
                const std::uint64_t keepX = x + dx;
                for (std::uint32_t k = 0; k < dy && stored < height; ++k) nextRow();
                x = keepX;
            } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
                const std::uint64_t n = value;
                const std::uint64_t bytes = rle8 ? n : (n + 1) / 2;
                const std::uint64_t have = std::min<std::uint64_t>(bytes, data.size() - pos);
                for (std::uint64_t k = 0; k < n && x < width; ++k, ++x) {
                    const std::uint64_t byteAt = rle8 ? k : k / 2;
                    if (byteAt >= have) break;
                    const std::uint8_t b = data[pos + byteAt];
                    const std::uint32_t index = rle8 ? b : (k % 2 == 0 ? b >> 4 : b & 0x0F);
                    row[x] = colour(index);
                    written = true;
                }
                if (have < bytes) break;
                pos += std::min<std::uint64_t>(bytes + (bytes & 1), data.size() - pos);
            }
        }
        result.complete = ended || stored >= height;
        // The row in progress goes over as far as it was written, the rows never reached blank.
        while (stored < height) nextRow();
        return result;
    }

    const std::uint64_t stride = dibStride(h.width, h.bitCount);
    const std::uint64_t fullRows = std::min<std::uint64_t>(height, data.size() / stride);
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    // The common 32-bit layout needs no per-channel work.
    const bool plain32 = h.bitCount == 32 && h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 &&
                         h.masks[2] == 0x000000FF && (!h.useAlpha || h.masks[3] == 0xFF000000);
    const auto fromMasks = [&](std::uint32_t v) {
        const std::uint32_t a = h.useAlpha ? alpha(v) : 0xFF;
        return a << 24 | red(v) << 16 | green(v) << 8 | blue(v);
    };

    for (std::uint64_t stored = 0; stored < fullRows; ++stored) {
        const std::uint8_t* src = data.data() + stored * stride;
        switch (h.bitCount) {
            case 1:
            case 2:
            case 4:
            case 8: {
                const unsigned bits = h.bitCount;
                const unsigned perByte = 8 / bits;
                const unsigned valueMask = (1u << bits) - 1;
                for (std::uint32_t x = 0; x < width; ++x) {
                    const unsigned shift = 8 - bits * (x % perByte + 1);
                    const unsigned index = (src[x / perByte] >> shift) & valueMask;
                    row[x] = palette[index];
                }
                break;
            }
            case 16:
                for (std::uint32_t x = 0; x < width; ++x)
                    row[x] =
                        fromMasks(static_cast<std::uint32_t>(src[2 * x] | src[2 * x + 1] << 8));
                break;
            case 24:
                for (std::uint32_t x = 0; x < width; ++x) {
                    const std::uint8_t* p = src + 3 * std::size_t{x};
                    row[x] =
                        0xFF000000u | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
                }
                break;
            case 32:
                for (std::uint32_t x = 0; x < width; ++x) {
                    const std::uint8_t* p = src + 4 * std::size_t{x};
                    const std::uint32_t v = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                            std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
                    if (plain32)
                        row[x] = h.useAlpha ? v : (v | 0xFF000000u);
                    else
                        row[x] = fromMasks(v);
                }
                break;
            default:
                return result;
        }
        sink(target(stored), row.data());
        ++result.delivered;
    }
    result.complete = fullRows == height;
    return result;
}

}  // namespace icogen::picture::detail
