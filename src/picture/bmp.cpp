// BMP files: a 14-byte file header, then a device-independent bitmap.
#include "picture/bmp_dib.h"
#include "picture/byte_reader.h"
#include "picture/decoders.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {

namespace {
constexpr std::uint64_t kFileHeaderSize = 14;
}

DecodeResult decodeBmp(Bytes bytes, const DecodeOptions& options) {
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return fail(Failure::NotAPicture);
    const auto pixelOffset = readU32(bytes, 10);
    if (!pixelOffset) return fail(Failure::Corrupt);

    const Bytes dib = tailOf(bytes, kFileHeaderSize);
    const DibHeaderResult parsed = readDibHeader(dib);
    if (!parsed.header) return fail(parsed.failure);
    const DibHeader& h = *parsed.header;
    if (const auto tooBig = checkSize(h.width, h.height, options.limits)) return fail(*tooBig);

    // The palette lies between the header (and its masks) and the pixels. A pixel offset of 0
    // means the pixels follow the declared palette.
    const std::uint64_t paletteBegin = kFileHeaderSize + h.masksEnd;
    std::uint64_t dataBegin = *pixelOffset;
    if (dataBegin == 0) {
        const std::uint64_t declared =
            std::min<std::uint64_t>(dibDeclaredPaletteEntries(h), std::uint64_t{1} << 32);
        dataBegin = paletteBegin + declared * dibPaletteEntrySize(h);
    }
    if (dataBegin < paletteBegin || dataBegin >= bytes.size()) return fail(Failure::Corrupt);
    // More colours than the pixels can address are accepted only when they are really there; an
    // absurd count is a broken header. A short palette is read as far as it goes.
    if (h.bitCount <= 8 && h.colorsUsed > (std::uint32_t{1} << h.bitCount) &&
        std::uint64_t{h.colorsUsed} * dibPaletteEntrySize(h) > dataBegin - paletteBegin)
        return fail(Failure::Corrupt);
    const auto palette = readDibPalette(h, bytes, paletteBegin, dataBegin);

    Bytes data = tailOf(bytes, dataBegin);
    // Compressed data ends where the header says, when it says so within the file.
    if ((h.coding == DibCoding::Rle8 || h.coding == DibCoding::Rle4) && h.sizeImage != 0 &&
        h.sizeImage < data.size())
        data = data.first(h.sizeImage);

    const auto width = static_cast<std::uint32_t>(h.width);
    const auto height = static_cast<std::uint32_t>(h.height);
    // BMP pictures are drawn opaque, so colours are averaged whatever their alpha.
    RowReducer reducer(width, height, options.sizeHint, /*weightByAlpha=*/false);
    const DibRows rows =
        decodeDibRows(h, palette, data, [&](std::uint32_t y, const std::uint32_t* argb) {
            if (argb)
                reducer.pushRow(y, argb);
            else
                reducer.pushBlankRow(y);
        });
    if (rows.delivered == 0) return fail(Failure::Corrupt);

    // Rows a truncated file never delivered are transparent black, like the pixels RLE skips.
    auto pixels = reducer.finish(0x00000000);
    DecodeResult result;
    result.picture = makePicture(Kind::Bmp, width, height, reducer.outWidth(), reducer.outHeight(),
                                 std::move(pixels), AlphaUse::Opaque);
    return result;
}

}  // namespace icogen::picture::detail
