// PCX files: a 128-byte header, run-length encoded scan lines and, for 256 colours, a palette
// at the end of the file. Read are 8-bit pictures with one plane and 1-bit black-and-white ones.
#include <algorithm>
#include <vector>

#include "picture/byte_reader.h"
#include "picture/decoders.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

constexpr std::uint64_t kHeaderSize = 128;
constexpr std::uint64_t kPaletteSize = 769;  // the 0x0C marker and 256 RGB triples

}  // namespace

DecodeResult decodePcx(Bytes bytes, const DecodeOptions& options) {
    // A lone 0x0A first byte says little; bytes that do not even look like a PCX header are
    // not a picture at all.
    const auto version = readU8(bytes, 1);
    const auto encoding = readU8(bytes, 2);
    if (!version || !encoding || bytes[0] != 0x0A) return fail(Failure::NotAPicture);
    if ((*version != 0 && *version != 2 && *version != 3 && *version != 4 && *version != 5) ||
        *encoding > 1)
        return fail(Failure::NotAPicture);
    if (bytes.size() < kHeaderSize) return fail(Failure::Corrupt);

    ByteReader r(bytes, 3);
    const std::uint8_t bitsPerPixel = r.u8();
    const std::uint16_t xMin = r.u16();
    const std::uint16_t yMin = r.u16();
    const std::uint16_t xMax = r.u16();
    const std::uint16_t yMax = r.u16();
    r.seek(65);
    const std::uint8_t planes = r.u8();
    const std::uint16_t bytesPerLine = r.u16();
    if (!r.ok()) return fail(Failure::Corrupt);

    const bool eightBit = bitsPerPixel == 8 && planes == 1;
    const bool oneBit = bitsPerPixel == 1 && planes == 1;
    if (*encoding != 1 || !(eightBit || oneBit)) return fail(Failure::Unsupported);

    if (xMax < xMin || yMax < yMin) return fail(Failure::Corrupt);
    const std::uint64_t width = std::uint64_t{xMax} - xMin + 1;
    const std::uint64_t height = std::uint64_t{yMax} - yMin + 1;
    if (const auto tooBig = checkSize(width, height, options.limits)) return fail(*tooBig);
    // Each scan line must hold the row's pixels; what lies beyond them is padding.
    const std::uint64_t rowBytes = (width * bitsPerPixel + 7) / 8;
    if (bytesPerLine < rowBytes) return fail(Failure::Corrupt);

    std::vector<std::uint32_t> palette(256, 0xFF000000);
    std::uint64_t dataEnd = bytes.size();
    if (eightBit) {
        if (bytes.size() < kHeaderSize + kPaletteSize) return fail(Failure::Corrupt);
        const std::uint64_t at = bytes.size() - kPaletteSize;
        if (bytes[at] != 0x0C) return fail(Failure::Corrupt);
        for (std::uint64_t i = 0; i < 256; ++i) {
            const std::uint8_t* p = bytes.data() + at + 1 + 3 * i;
            palette[i] = 0xFF000000u | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
        }
        dataEnd = at;
    } else {
        palette[1] = 0xFFFFFFFF;
    }
    const Bytes data = bytes.subspan(kHeaderSize, dataEnd - kHeaderSize);

    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    RowReducer reducer(w, h, options.sizeHint, /*weightByAlpha=*/false);
    std::vector<std::uint8_t> line(bytesPerLine);
    std::vector<std::uint32_t> row(w);
    // Runs may carry over from one scan line into the next, so the data is one stream.
    std::uint64_t pos = 0;
    std::uint8_t runValue = 0;
    std::uint64_t runLeft = 0;
    std::uint32_t y = 0;
    for (; y < h; ++y) {
        std::uint64_t filled = 0;
        while (filled < bytesPerLine) {
            if (runLeft > 0) {
                const std::uint64_t n = std::min<std::uint64_t>(runLeft, bytesPerLine - filled);
                std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), n, runValue);
                filled += n;
                runLeft -= n;
                continue;
            }
            if (pos >= data.size()) break;
            const std::uint8_t b = data[pos++];
            if ((b & 0xC0) == 0xC0) {
                if (pos >= data.size()) break;
                runValue = data[pos++];
                runLeft = b & 0x3F;
            } else {
                line[filled++] = b;
            }
        }
        if (filled < bytesPerLine) break;  // the data ended inside this line
        if (eightBit) {
            for (std::uint32_t x = 0; x < w; ++x) row[x] = palette[line[x]];
        } else {
            for (std::uint32_t x = 0; x < w; ++x)
                row[x] = palette[(line[x / 8] >> (7 - x % 8)) & 1];
        }
        reducer.pushRow(y, row.data());
    }
    if (y == 0) return fail(Failure::Corrupt);

    // Lines the data never reached are black.
    auto pixels = reducer.finish(0xFF000000);
    DecodeResult result;
    result.picture = makePicture(Kind::Pcx, w, h, reducer.outWidth(), reducer.outHeight(),
                                 std::move(pixels), AlphaUse::Opaque);
    return result;
}

}  // namespace icogen::picture::detail
