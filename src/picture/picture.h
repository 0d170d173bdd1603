// The picture decoder: bytes in, a picture or none out. The kind is told from the first bytes
// only, never from a file name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace icogen::picture {

enum class Kind : std::uint8_t { Bmp, Jpeg, Png, Gif, Ico, Cur, Pcx };

enum class Failure : std::uint8_t {
    NotAPicture,  // empty, unknown first bytes, TIFF and the like
    Corrupt,      // the kind is known but the data is broken
    Unsupported,  // a variant this decoder does not read (24-bit PCX, ...)
    TooLarge,     // beyond the limits below
};

// How the alpha channel takes part when the picture is drawn onto a board.
enum class AlphaUse : std::uint8_t {
    Opaque,     // alpha is ignored: the picture's pixels replace the board's (BMP, JPEG, PCX)
    OverBoard,  // transparent pixels leave the board as it was (ICO, CUR, GIF)
    OverWhite,  // composited over white first, then drawn opaque (PNG)
};

struct Limits {
    std::uint32_t maxSide = 65535;
    std::uint64_t maxPixels = std::uint64_t{1} << 30;
};

struct DecodeOptions {
    // The largest side the caller needs. 0 means full size. Otherwise the decoder may return the
    // picture reduced by area averaging, never below min(original side, sizeHint) on either
    // side and never enlarged.
    std::uint32_t sizeHint = 0;
    Limits limits;
};

struct Picture {
    Kind kind = Kind::Bmp;
    // The size as the file declares it (a JPEG's after its EXIF orientation). Placement and
    // aspect ratio are computed from these, even when the pixels below are reduced.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The size of `pixels`: equal to width x height, or smaller when reduced.
    std::uint32_t pixelWidth = 0;
    std::uint32_t pixelHeight = 0;
    // Rows top-down, one 0xAARRGGBB value a pixel, straight (not premultiplied) alpha. This is
    // the in-memory layout of QImage::Format_ARGB32, so the Qt side wraps it without a copy.
    std::vector<std::uint32_t> pixels;
    AlphaUse alphaUse = AlphaUse::Opaque;
};

struct DecodeResult {
    std::optional<Picture> picture;
    Failure failure = Failure::NotAPicture;  // meaningful when picture is empty
    explicit operator bool() const { return picture.has_value(); }
};

// The kind of picture the bytes start with, or none.
std::optional<Kind> sniffKind(std::span<const std::uint8_t> bytes);

DecodeResult decodePicture(std::span<const std::uint8_t> bytes, const DecodeOptions& options = {});

std::string_view failureName(Failure failure);

// Stretches the whole picture to dw x dh: each axis is scaled independently; where an axis
// shrinks, a destination pixel averages the source pixels it covers (weighted by the covered
// area, in premultiplied alpha); where it grows, source pixels are repeated. Result rows are
// top-down 0xAARRGGBB, straight alpha. dw or dh of 0 gives an empty result.
std::vector<std::uint32_t> stretchArea(const Picture& picture, std::uint32_t dw, std::uint32_t dh);

}  // namespace icogen::picture
