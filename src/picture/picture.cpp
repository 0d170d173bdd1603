#include "picture/picture.h"

#include <algorithm>
#include <cstring>

#include "picture/decoders.h"

namespace icogen::picture {

std::optional<Kind> sniffKind(std::span<const std::uint8_t> b) {
    auto starts = [&](std::initializer_list<std::uint8_t> prefix) {
        return b.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), b.begin());
    };
    if (starts({'B', 'M'})) return Kind::Bmp;
    if (starts({0xFF, 0xD8})) return Kind::Jpeg;
    if (starts({0x89, 'P', 'N', 'G'})) return Kind::Png;
    if (starts({0x00, 0x00, 0x01, 0x00})) return Kind::Ico;
    if (starts({0x00, 0x00, 0x02, 0x00})) return Kind::Cur;
    if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'}))
        return Kind::Gif;
    if (starts({0x0A})) return Kind::Pcx;
    return std::nullopt;
}

DecodeResult decodePicture(std::span<const std::uint8_t> bytes, const DecodeOptions& options) {
    const auto kind = sniffKind(bytes);
    if (!kind) return detail::fail(Failure::NotAPicture);
    switch (*kind) {
        case Kind::Bmp: return detail::decodeBmp(bytes, options);
        case Kind::Jpeg: return detail::decodeJpeg(bytes, options);
        case Kind::Png: return detail::decodePng(bytes, options);
        case Kind::Gif: return detail::decodeGif(bytes, options);
        case Kind::Ico:
        case Kind::Cur: return detail::decodeIcoCur(bytes, options, *kind);
        case Kind::Pcx: return detail::decodePcx(bytes, options);
    }
    return detail::fail(Failure::NotAPicture);
}

std::string_view failureName(Failure failure) {
    switch (failure) {
        case Failure::NotAPicture: return "not a picture";
        case Failure::Corrupt: return "corrupt";
        case Failure::Unsupported: return "unsupported variant";
        case Failure::TooLarge: return "too large";
    }
    return "unknown";
}

namespace detail {

std::optional<Failure> checkSize(std::uint64_t width, std::uint64_t height, const Limits& limits) {
    if (width == 0 || height == 0) return Failure::Corrupt;
    if (width > limits.maxSide || height > limits.maxSide) return Failure::TooLarge;
    if (width * height > limits.maxPixels) return Failure::TooLarge;
    return std::nullopt;
}

}  // namespace detail
}  // namespace icogen::picture
