// libFuzzer target over decodePicture. The first input byte chooses the size hint and is not
// part of the picture; the rest is the file. Every picture that comes back must keep the
// promises of picture.h, or the target stops with the broken one named.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "picture/picture.h"

namespace {

using namespace icogen::picture;

[[noreturn]] void broken(const char* promise) {
    std::fprintf(stderr, "decodePicture broke a promise: %s\n", promise);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static constexpr std::uint32_t kHints[4] = {0, 84, 32, 16};
    const std::uint8_t choice = data[0];
    DecodeOptions options;
    options.sizeHint = kHints[choice & 3];
    // Without a hint a file may rightly ask for 2^30 pixels (4 GiB); the fuzzer's memory limit
    // is 2 GiB, so full-size decodes run with a lower pixel limit. With a hint the usual limits
    // hold: a reduced decode must never need memory for the full size.
    if (options.sizeHint == 0) options.limits.maxPixels = std::uint64_t{1} << 26;

    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    const DecodeResult result = decodePicture(bytes, options);
    if (!result) {
        if (bytes.empty() && result.failure != Failure::NotAPicture)
            broken("empty is not a picture");
        return 0;
    }
    const Picture& p = *result.picture;
    if (p.width == 0 || p.height == 0 || p.pixelWidth == 0 || p.pixelHeight == 0)
        broken("a picture has pixels");
    if (p.pixels.size() != std::size_t{p.pixelWidth} * p.pixelHeight)
        broken("pixels holds pixelWidth x pixelHeight values");
    if (p.pixelWidth > p.width || p.pixelHeight > p.height) broken("never enlarged");
    const std::uint32_t hint = options.sizeHint;
    if (hint == 0 && (p.pixelWidth != p.width || p.pixelHeight != p.height))
        broken("no reduction without a size hint");
    if (hint != 0 &&
        (p.pixelWidth < std::min(p.width, hint) || p.pixelHeight < std::min(p.height, hint)))
        broken("never reduced below the size hint");
    if (p.width > options.limits.maxSide || p.height > options.limits.maxSide ||
        std::uint64_t{p.width} * p.height > options.limits.maxPixels)
        broken("within the limits");
    if (sniffKind(bytes) != p.kind) broken("the kind is the one the first bytes tell");
    // Read every pixel, so that a buffer freed or cut short shows.
    std::uint32_t sum = 0;
    for (const std::uint32_t v : p.pixels) sum += v;
    static volatile std::uint32_t sink;
    sink = sum;
    return 0;
}
