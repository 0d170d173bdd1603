// ICO and CUR files: a directory of images, each a bitmap with an AND mask or a PNG file. The
// image a user would want is shown: the largest, then the deepest.
#include <algorithm>
#include <array>
#include <vector>

#include "picture/bmp_dib.h"
#include "picture/byte_reader.h"
#include "picture/decoders.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

constexpr std::uint64_t kDirectoryHeader = 6;
constexpr std::uint64_t kEntrySize = 16;
constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Candidate {
    Bytes data;  // the image's bytes, cut to the file's end
    bool png = false;
    std::uint64_t width = 0, height = 0;
    std::uint32_t depth = 0;
    std::optional<DibHeader> dib;
    Failure failure = Failure::Corrupt;  // why the image cannot be read, when it cannot
    bool readable = true;
};

std::uint32_t readBigEndian32(Bytes b, std::uint64_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
           static_cast<std::uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

bool isPng(Bytes data) {
    return data.size() >= kPngSignature.size() &&
           std::equal(kPngSignature.begin(), kPngSignature.end(), data.begin());
}

// Size and depth as the image itself states them; the directory's own values count only when
// the image gives none.
void probe(Candidate& c, std::uint64_t entryWidth, std::uint64_t entryHeight) {
    c.width = entryWidth;
    c.height = entryHeight;
    if (isPng(c.data)) {
        c.png = true;
        // IHDR: width, height, bit depth, colour type.
        if (c.data.size() >= 26) {
            c.width = readBigEndian32(c.data, 16);
            c.height = readBigEndian32(c.data, 20);
            const std::uint32_t bitDepth = c.data[24];
            const std::uint8_t colourType = c.data[25];
            const std::uint32_t channels = colourType == 2   ? 3
                                           : colourType == 4 ? 2
                                           : colourType == 6 ? 4
                                                             : 1;
            c.depth = bitDepth * channels;
        }
        return;
    }
    const DibHeaderResult parsed = readDibHeader(c.data);
    if (!parsed.header) {
        c.readable = false;
        c.failure = parsed.failure;
        return;
    }
    DibHeader h = *parsed.header;
    // The bitmap's height covers the image and its AND mask.
    h.height /= 2;
    if (h.topDown || h.height == 0) {
        c.readable = false;
        c.failure = Failure::Corrupt;
        return;
    }
    if (h.coding != DibCoding::Rgb && h.coding != DibCoding::Bitfields) {
        c.readable = false;
        c.failure = Failure::Unsupported;
        return;
    }
    c.width = h.width;
    c.height = h.height;
    c.depth = h.bitCount;
    c.dib = h;
}

DecodeResult decodeBitmapImage(const Candidate& c, const DecodeOptions& options, Kind kind) {
    DibHeader h = *c.dib;
    if (const auto tooBig = checkSize(h.width, h.height, options.limits)) return fail(*tooBig);
    const Bytes data = c.data;

    // The palette, then the XOR bitmap, then the AND mask, each right after the other.
    const std::uint64_t paletteBegin = h.masksEnd;
    const std::uint64_t declared = dibDeclaredPaletteEntries(h);
    const std::uint64_t pixelsBegin = paletteBegin + declared * dibPaletteEntrySize(h);
    const std::uint64_t stride = dibStride(h.width, h.bitCount);
    const std::uint64_t pixelBytes = stride * h.height;
    const auto pixels = sliceOf(data, pixelsBegin, pixelBytes);
    if (!pixels) return fail(Failure::Corrupt);
    const auto palette = readDibPalette(h, data, paletteBegin, pixelsBegin);
    const std::uint64_t maskBegin = pixelsBegin + pixelBytes;
    const std::uint64_t maskStride = dibStride(h.width, 1);

    // A 32-bit image carries its own alpha, unless every alpha is 0: then the AND mask decides.
    bool ownAlpha = false;
    if (h.bitCount == 32) {
        if (h.coding == DibCoding::Rgb) h.masks[3] = 0xFF000000;
        if (h.masks[3] != 0) {
            for (std::uint64_t at = 0; at + 4 <= pixels->size() && !ownAlpha; at += 4) {
                const std::uint32_t v = (*pixels)[at] | (*pixels)[at + 1] << 8 |
                                        (*pixels)[at + 2] << 16 |
                                        static_cast<std::uint32_t>((*pixels)[at + 3]) << 24;
                ownAlpha = (v & h.masks[3]) != 0;
            }
        }
    }
    h.useAlpha = ownAlpha;

    const auto width = static_cast<std::uint32_t>(h.width);
    const auto height = static_cast<std::uint32_t>(h.height);
    RowReducer reducer(width, height, options.sizeHint);
    std::vector<std::uint32_t> masked(width);
    const auto sink = [&](std::uint32_t y, const std::uint32_t* argb) {
        if (!argb) {
            reducer.pushBlankRow(y);
            return;
        }
        if (ownAlpha) {
            reducer.pushRow(y, argb);
            return;
        }
        // Mask rows are stored bottom-up; mask bits missing from a short file are opaque.
        const std::uint64_t rowAt = maskBegin + (std::uint64_t{height} - 1 - y) * maskStride;
        for (std::uint32_t x = 0; x < width; ++x) {
            const auto byte = readU8(data, rowAt + x / 8);
            const bool transparent = byte && (*byte & (0x80u >> (x % 8))) != 0;
            masked[x] = transparent ? (argb[x] & 0x00FFFFFF) : (argb[x] | 0xFF000000u);
        }
        reducer.pushRow(y, masked.data());
    };
    decodeDibRows(h, palette, *pixels, sink);

    DecodeResult result;
    result.picture = makePicture(kind, width, height, reducer.outWidth(), reducer.outHeight(),
                                 reducer.finish(0x00000000), AlphaUse::OverBoard);
    return result;
}

DecodeResult decodeCandidate(const Candidate& c, const DecodeOptions& options, Kind kind) {
    if (!c.readable) return fail(c.failure);
    if (c.png) {
        DecodeResult r = decodePng(c.data, options);
        if (r.picture) {
            r.picture->kind = kind;
            r.picture->alphaUse = AlphaUse::OverBoard;
        } else if (r.failure == Failure::NotAPicture) {
            r.failure = Failure::Corrupt;
        }
        return r;
    }
    return decodeBitmapImage(c, options, kind);
}

}  // namespace

DecodeResult decodeIcoCur(Bytes bytes, const DecodeOptions& options, Kind kind) {
    const auto count = readU16(bytes, 4);
    if (!count || *count == 0) return fail(Failure::Corrupt);
    const std::uint64_t entries = *count;
    const std::uint64_t directoryEnd = kDirectoryHeader + entries * kEntrySize;
    if (directoryEnd > bytes.size()) return fail(Failure::Corrupt);

    std::vector<Candidate> candidates;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t e = kDirectoryHeader + i * kEntrySize;
        const std::uint64_t entryWidth = bytes[e] == 0 ? 256 : bytes[e];
        const std::uint64_t entryHeight = bytes[e + 1] == 0 ? 256 : bytes[e + 1];
        const std::uint64_t offset = *readU32(bytes, e + 12);
        Candidate c;
        if (offset < directoryEnd || offset >= bytes.size()) {
            c.readable = false;
        } else {
            // The image runs to the end of the file: the sizes some writers put in the
            // directory are too small, a PNG ends itself, and the AND mask of a bitmap cut
            // short by the end of the file is still usable.
            c.data = tailOf(bytes, offset);
            probe(c, entryWidth, entryHeight);
        }
        candidates.push_back(c);
    }

    // Readable images first, then the largest, the deepest, and the earliest in the directory.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         if (a.readable != b.readable) return a.readable;
                         const std::uint64_t areaA = a.width * a.height;
                         const std::uint64_t areaB = b.width * b.height;
                         if (areaA != areaB) return areaA > areaB;
                         return a.depth > b.depth;
                     });

    // The best image that decodes; when none does, the reason the best one failed. A directory
    // of many broken images is not tried to the end.
    constexpr std::size_t kMaxTries = 16;
    std::optional<Failure> firstFailure;
    for (std::size_t i = 0; i < candidates.size() && i < kMaxTries; ++i) {
        const Candidate& c = candidates[i];
        DecodeResult r = decodeCandidate(c, options, kind);
        if (r.picture) return r;
        if (!firstFailure) firstFailure = r.failure;
    }
    return fail(firstFailure.value_or(Failure::Corrupt));
}

}  // namespace icogen::picture::detail
