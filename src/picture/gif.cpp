// GIF through giflib, read from memory record by record: only the first image is decoded, and
// nothing after it is read. The image is placed on its logical screen; the part of the screen
// it does not cover is transparent, as is its transparent colour (from the Graphics Control
// Extension before it). An index beyond the colour table shows as opaque black.
//
// The rows of a plain image stream into the reducer. An interlaced image delivers its rows in
// four passes; they are added straight into the reduced output (ScatterReducer), so neither
// way holds a full-size buffer of a large picture.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "picture/decoders.h"
#include "picture/gif_lzw.h"
#include "picture/png_scatter.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

struct MemoryInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(length), in->size - in->pos);
    if (n == 0) return 0;
    std::memcpy(out, in->data + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

constexpr int kGraphicsControl = 0xF9;
constexpr std::uint32_t kTransparent = 0;

// The transparent colour index a Graphics Control Extension names, or -1.
int transparentIndexOf(const GifByteType* ext) {
    // ext[0] is the block length; then packed flags, delay (2 bytes), transparent index.
    if (!ext || ext[0] < 4) return -1;
    return (ext[1] & 0x01) ? ext[4] : -1;
}

// Image data with an LZW code size giflib does not take (9 to 11): where it starts, and the size.
struct WideCodes {
    std::size_t start = 0;
    int codeSize = 0;
};

// Reads records up to the first image descriptor. Returns the transparent index of the last
// Graphics Control Extension before it (or -1), or a failure. When giflib stops at a code size
// above 8, it has read the descriptor and the byte after; `wide` then tells where the data is.
std::optional<Failure> readUpToFirstImage(GifFileType* gif, const MemoryInput& input,
                                          int& transparentIndex, std::optional<WideCodes>& wide) {
    transparentIndex = -1;
    // Every call consumes input or fails, so the loop ends with the data.
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return Failure::Corrupt;
        switch (type) {
            case IMAGE_DESC_RECORD_TYPE: {
                const std::size_t descriptor = input.pos;  // just after the ','
                if (DGifGetImageDesc(gif) != GIF_ERROR) return std::nullopt;
                // Left, top, width, height, flags, then the local colour table if any. Having
                // read exactly up to and including the code size, giflib stopped at that byte.
                if (descriptor + 9 > input.size) return Failure::Corrupt;
                const std::uint8_t flags = input.data[descriptor + 8];
                const std::size_t table = (flags & 0x80) ? std::size_t{3} << ((flags & 7) + 1) : 0;
                const std::size_t codeSizeAt = descriptor + 9 + table;
                if (codeSizeAt >= input.size || input.pos != codeSizeAt + 1)
                    return Failure::Corrupt;
                const int codeSize = input.data[codeSizeAt];
                if (codeSize < 9 || codeSize > 11) return Failure::Corrupt;
                wide = WideCodes{codeSizeAt + 1, codeSize};
                return std::nullopt;
            }
            case EXTENSION_RECORD_TYPE: {
                int code = 0;
                GifByteType* ext = nullptr;
                if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return Failure::Corrupt;
                if (code == kGraphicsControl) transparentIndex = transparentIndexOf(ext);
                while (ext) {
                    if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return Failure::Corrupt;
                }
                break;
            }
            default:
                return Failure::Corrupt;  // the trailer (no image at all) or garbage
        }
    }
}

}  // namespace

DecodeResult decodeGif(Bytes bytes, const DecodeOptions& options) {
    try {
        MemoryInput input{bytes.data(), bytes.size(), 0};
        int error = 0;
        GifHandle gif(DGifOpen(&input, readFromMemory, &error));
        if (!gif) return fail(Failure::Corrupt);

        const std::uint32_t screenW = static_cast<std::uint32_t>(std::max(0, gif->SWidth));
        const std::uint32_t screenH = static_cast<std::uint32_t>(std::max(0, gif->SHeight));
        if (const auto bad = checkSize(screenW, screenH, options.limits)) return fail(*bad);

        int transparentIndex = -1;
        std::optional<WideCodes> wide;
        if (const auto bad = readUpToFirstImage(gif.get(), input, transparentIndex, wide))
            return fail(*bad);

        const GifImageDesc& frame = gif->Image;
        if (frame.Left < 0 || frame.Top < 0) return fail(Failure::Corrupt);
        const auto left = static_cast<std::uint32_t>(frame.Left);
        const auto top = static_cast<std::uint32_t>(frame.Top);
        const auto frameW = static_cast<std::uint32_t>(std::max(0, frame.Width));
        const auto frameH = static_cast<std::uint32_t>(std::max(0, frame.Height));
        // The whole frame is decoded even where it lies off the screen.
        if (const auto bad = checkSize(frameW, frameH, options.limits)) return fail(*bad);

        std::array<std::uint32_t, 256> palette;
        palette.fill(0xFF000000u);
        const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
        if (map && map->Colors) {
            const int count = std::clamp(map->ColorCount, 0, 256);
            for (int i = 0; i < count; ++i) {
                const GifColorType& c = map->Colors[i];
                palette[static_cast<std::size_t>(i)] =
                    0xFF000000u | std::uint32_t{c.Red} << 16 | std::uint32_t{c.Green} << 8 | c.Blue;
            }
        }
        if (transparentIndex >= 0)
            palette[static_cast<std::size_t>(transparentIndex)] = kTransparent;

        // The columns and rows of the frame that land on the screen.
        const std::uint32_t visibleW = left < screenW ? std::min(frameW, screenW - left) : 0;
        const std::uint32_t visibleH = top < screenH ? std::min(frameH, screenH - top) : 0;

        std::vector<GifPixelType> line;
        std::vector<std::uint16_t> wideLine;
        std::optional<GifLzwReader> lzw;
        if (wide) {
            wideLine.resize(frameW);
            lzw.emplace(bytes.subspan(wide->start), wide->codeSize);
        } else {
            line.resize(frameW);
        }
        std::vector<std::uint32_t> argb(screenW, kTransparent);
        std::uint32_t rowsRead = 0;
        bool cutShort = false;
        auto readLine = [&]() {
            const bool ok =
                lzw ? lzw->readLine(wideLine.data(), frameW)
                    : DGifGetLine(gif.get(), line.data(), static_cast<int>(frameW)) != GIF_ERROR;
            if (!ok) {
                cutShort = true;
                return false;
            }
            ++rowsRead;
            return true;
        };
        // Frame line -> screen pixels [left, left + visibleW) of `argb`.
        auto colour = [&](std::uint32_t* out) {
            if (lzw) {
                for (std::uint32_t x = 0; x < visibleW; ++x)
                    out[x] = wideLine[x] < 256 ? palette[wideLine[x]] : 0xFF000000u;
            } else {
                for (std::uint32_t x = 0; x < visibleW; ++x) out[x] = palette[line[x]];
            }
        };

        std::uint32_t pw = 0, ph = 0;
        std::vector<std::uint32_t> pixels;
        const bool reduced = RowReducer::factorFor(screenW, screenH, options.sizeHint) > 1;
        if (frame.Interlace || !reduced) {
            ScatterReducer out(screenW, screenH, options.sizeHint);
            if (frame.Interlace) {
                static constexpr std::uint32_t kStart[4] = {0, 4, 2, 1};
                static constexpr std::uint32_t kStep[4] = {8, 8, 4, 2};
                std::uint32_t visibleDone = 0;
                for (int pass = 0; pass < 4 && visibleDone < visibleH && !cutShort; ++pass) {
                    for (std::uint32_t fy = kStart[pass]; fy < frameH; fy += kStep[pass]) {
                        if (visibleDone == visibleH || !readLine()) break;
                        if (fy >= visibleH) continue;
                        colour(argb.data());
                        out.addRow(top + fy, left, 1, argb.data(), visibleW);
                        ++visibleDone;
                    }
                }
            } else {
                for (std::uint32_t fy = 0; fy < visibleH && readLine(); ++fy) {
                    colour(argb.data());
                    out.addRow(top + fy, left, 1, argb.data(), visibleW);
                }
            }
            pw = out.outWidth();
            ph = out.outHeight();
            pixels = out.finish();
        } else {
            RowReducer out(screenW, screenH, options.sizeHint);
            const std::vector<std::uint32_t> clear(screenW, kTransparent);
            // Only the bands of output rows that the frame touches are pushed; finish() makes
            // the others transparent, as clear rows would. A small frame on a huge screen, or a
            // frame cut short, then costs its own rows rather than the whole screen's.
            const std::uint32_t f = out.factor();
            const std::uint32_t firstY = top / f * f;
            const std::uint64_t endY =
                std::min<std::uint64_t>(screenH, (std::uint64_t{top} + visibleH + f - 1) / f * f);
            for (std::uint32_t y = firstY; visibleH > 0 && y < endY; ++y) {
                if (cutShort && y % f == 0) break;  // the bands below stay transparent
                const std::uint32_t fy = y - top;
                if (y >= top && fy < visibleH && !cutShort && readLine()) {
                    colour(argb.data() + left);
                    out.pushRow(y, argb.data());
                } else {
                    out.pushRow(y, clear.data());
                }
            }
            pw = out.outWidth();
            ph = out.outHeight();
            pixels = out.finish(kTransparent);
        }
        // Cut short: the rows that arrived are kept, the rest stays transparent. A frame wholly
        // off the screen reads no rows and gives a transparent screen.
        if (cutShort && rowsRead == 0) return fail(Failure::Corrupt);

        DecodeResult result;
        result.picture = makePicture(Kind::Gif, screenW, screenH, pw, ph, std::move(pixels),
                                     AlphaUse::OverBoard);
        return result;
    } catch (const std::bad_alloc&) {
        return fail(Failure::TooLarge);
    }
}

}  // namespace icogen::picture::detail
