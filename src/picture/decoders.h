// What the per-format decoders share. Not part of the library's interface.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "picture/picture.h"

namespace icogen::picture::detail {

using Bytes = std::span<const std::uint8_t>;

DecodeResult decodeBmp(Bytes bytes, const DecodeOptions& options);
DecodeResult decodeJpeg(Bytes bytes, const DecodeOptions& options);
DecodeResult decodePng(Bytes bytes, const DecodeOptions& options);
DecodeResult decodeGif(Bytes bytes, const DecodeOptions& options);
DecodeResult decodeIcoCur(Bytes bytes, const DecodeOptions& options, Kind kind);
DecodeResult decodePcx(Bytes bytes, const DecodeOptions& options);

inline DecodeResult fail(Failure failure) {
    DecodeResult r;
    r.failure = failure;
    return r;
}

// TooLarge when a declared size is beyond the limits (or zero: Corrupt), checked in 64 bits.
std::optional<Failure> checkSize(std::uint64_t width, std::uint64_t height, const Limits& limits);

}  // namespace icogen::picture::detail
