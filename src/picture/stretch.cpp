#include <algorithm>
#include <cmath>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture {
namespace {

struct Tap {
    std::uint32_t index;
    double weight;
};

// For each destination index along one axis, the source indices it takes and their weights.
// Shrinking (or keeping the size): the area each source pixel covers of the destination pixel.
// Enlarging: the one source pixel under the destination pixel's left or top edge, repeated.
std::vector<std::vector<Tap>> axisTaps(std::uint32_t src, std::uint32_t dst) {
    std::vector<std::vector<Tap>> taps(dst);
    if (dst > src) {
        for (std::uint32_t i = 0; i < dst; ++i) {
            const auto s = static_cast<std::uint32_t>(std::uint64_t{i} * src / dst);
            taps[i].push_back({s, 1.0});
        }
        return taps;
    }
    const double scale = static_cast<double>(src) / dst;
    for (std::uint32_t i = 0; i < dst; ++i) {
        const double begin = i * scale;
        const double end = (i + 1) * scale;
        auto first = static_cast<std::uint32_t>(std::floor(begin));
        for (std::uint32_t s = first; s < src && s < end; ++s) {
            const double covered = std::min<double>(end, s + 1.0) - std::max<double>(begin, s);
            if (covered > 1e-12) taps[i].push_back({s, covered});
        }
    }
    return taps;
}

}  // namespace

std::vector<std::uint32_t> stretchArea(const Picture& picture, std::uint32_t dw, std::uint32_t dh) {
    const std::uint32_t sw = picture.pixelWidth;
    const std::uint32_t sh = picture.pixelHeight;
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0 ||
        picture.pixels.size() < std::uint64_t{sw} * sh)
        return {};

    const auto xTaps = axisTaps(sw, dw);
    const auto yTaps = axisTaps(sh, dh);

    // Horizontal pass into premultiplied rows, one source row at a time as the vertical taps
    // need them; the vertical pass accumulates into the destination row.
    struct Acc {
        double a = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Acc> rowCache(dw);
    std::vector<std::uint32_t> out(std::size_t{dw} * dh);
    std::vector<Acc> acc(dw);
    std::int64_t cachedRow = -1;

    for (std::uint32_t y = 0; y < dh; ++y) {
        std::fill(acc.begin(), acc.end(), Acc{});
        double wsum = 0;
        for (const Tap& ty : yTaps[y]) {
            if (static_cast<std::int64_t>(ty.index) != cachedRow) {
                const std::uint32_t* src = picture.pixels.data() + std::size_t{ty.index} * sw;
                for (std::uint32_t x = 0; x < dw; ++x) {
                    Acc h;
                    double hw = 0;
                    for (const Tap& tx : xTaps[x]) {
                        const std::uint32_t p = src[tx.index];
                        const double a = (p >> 24) / 255.0;
                        h.a += a * tx.weight;
                        h.r += ((p >> 16) & 0xFF) * a * tx.weight;
                        h.g += ((p >> 8) & 0xFF) * a * tx.weight;
                        h.b += (p & 0xFF) * a * tx.weight;
                        hw += tx.weight;
                    }
                    h.a /= hw;
                    h.r /= hw;
                    h.g /= hw;
                    h.b /= hw;
                    rowCache[x] = h;
                }
                cachedRow = ty.index;
            }
            for (std::uint32_t x = 0; x < dw; ++x) {
                acc[x].a += rowCache[x].a * ty.weight;
                acc[x].r += rowCache[x].r * ty.weight;
                acc[x].g += rowCache[x].g * ty.weight;
                acc[x].b += rowCache[x].b * ty.weight;
            }
            wsum += ty.weight;
        }
        for (std::uint32_t x = 0; x < dw; ++x) {
            const double a = acc[x].a / wsum;
            auto channel = [&](double premultiplied) {
                if (acc[x].a <= 0) return 0u;
                const double v = premultiplied / acc[x].a;
                return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0)));
            };
            const auto alpha = static_cast<std::uint32_t>(std::lround(std::clamp(a * 255.0, 0.0, 255.0)));
            out[std::size_t{y} * dw + x] =
                alpha << 24 | channel(acc[x].r) << 16 | channel(acc[x].g) << 8 | channel(acc[x].b);
        }
    }
    return out;
}

}  // namespace icogen::picture
