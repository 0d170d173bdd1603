#include "picture/exif_orientation.h"

#include <algorithm>
#include <cstring>

namespace icogen::picture::detail {
namespace {

class TiffReader {
  public:
    TiffReader(std::span<const std::uint8_t> tiff, bool bigEndian) : tiff_(tiff), big_(bigEndian) {}

    bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= tiff_.size() && length <= tiff_.size() - offset;
    }
    // Callers check has() first.
    std::uint32_t u16(std::uint64_t offset) const {
        const std::uint8_t* p = tiff_.data() + offset;
        return big_ ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    }
    std::uint32_t u32(std::uint64_t offset) const {
        const std::uint8_t* p = tiff_.data() + offset;
        return big_ ? (std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3])
                    : (std::uint32_t{p[3]} << 24 | p[2] << 16 | p[1] << 8 | p[0]);
    }

  private:
    std::span<const std::uint8_t> tiff_;
    bool big_;
};

constexpr std::uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kTypeShort = 3;
constexpr std::uint32_t kTypeLong = 4;

}  // namespace

int exifOrientation(std::span<const std::uint8_t> app1) {
    if (app1.size() < sizeof kExifHeader + 8 ||
        std::memcmp(app1.data(), kExifHeader, sizeof kExifHeader) != 0)
        return 1;
    const auto tiff = app1.subspan(sizeof kExifHeader);
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return 1;
    const TiffReader r(tiff, bigEndian);
    if (r.u16(2) != 42) return 1;

    const std::uint64_t ifd = r.u32(4);
    if (!r.has(ifd, 2)) return 1;
    const std::uint32_t entries = r.u16(ifd);
    // At most 65,535 entries of 12 bytes, each checked against the end of the block.
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = ifd + 2 + std::uint64_t{i} * 12;
        if (!r.has(entry, 12)) return 1;
        if (r.u16(entry) != kOrientationTag) continue;
        const std::uint32_t type = r.u16(entry + 2);
        if (r.u32(entry + 4) < 1) return 1;  // no value
        std::uint32_t value;
        if (type == kTypeShort)
            value = r.u16(entry + 8);
        else if (type == kTypeLong)
            value = r.u32(entry + 8);
        else
            return 1;
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

std::vector<std::uint32_t> orientPixels(std::vector<std::uint32_t> pixels, std::uint32_t& width,
                                        std::uint32_t& height, int orientation) {
    const std::uint32_t w = width, h = height;
    if (orientation < 2 || orientation > 8 || pixels.size() != std::size_t{w} * h) return pixels;

    const auto at = [&](std::uint32_t x, std::uint32_t y) {
        return pixels[std::size_t{y} * w + x];
    };
    switch (orientation) {
        case 2:
            for (std::uint32_t y = 0; y < h; ++y) {
                auto row = pixels.begin() + std::ptrdiff_t(std::size_t{y} * w);
                std::reverse(row, row + w);
            }
            return pixels;
        case 3:
            std::reverse(pixels.begin(), pixels.end());
            return pixels;
        case 4:
            for (std::uint32_t y = 0; y < h / 2; ++y)
                std::swap_ranges(pixels.begin() + std::ptrdiff_t(std::size_t{y} * w),
                                 pixels.begin() + std::ptrdiff_t(std::size_t{y + 1} * w),
                                 pixels.begin() + std::ptrdiff_t(std::size_t{h - 1 - y} * w));
            return pixels;
        default:
            break;
    }

    // 5 to 8 swap the sides: the upright picture is h wide and w high. For each upright pixel
    // (ox, oy), the stored pixel it shows.
    std::vector<std::uint32_t> out(pixels.size());
    for (std::uint32_t oy = 0; oy < w; ++oy) {
        std::uint32_t* dst = out.data() + std::size_t{oy} * h;
        for (std::uint32_t ox = 0; ox < h; ++ox) {
            switch (orientation) {
                case 5:
                    dst[ox] = at(oy, ox);
                    break;
                case 6:
                    dst[ox] = at(oy, h - 1 - ox);
                    break;
                case 7:
                    dst[ox] = at(w - 1 - oy, h - 1 - ox);
                    break;
                default:
                    dst[ox] = at(w - 1 - oy, ox);
                    break;  // 8
            }
        }
    }
    width = h;
    height = w;
    return out;
}

}  // namespace icogen::picture::detail
