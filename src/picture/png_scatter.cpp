#include "picture/png_scatter.h"

#include <algorithm>

#include "picture/reduce.h"

namespace icogen::picture::detail {

ScatterReducer::ScatterReducer(std::uint32_t width, std::uint32_t height, std::uint32_t sizeHint)
    : width_(width),
      height_(height),
      factor_(RowReducer::factorFor(width, height, sizeHint)),
      outWidth_((width + factor_ - 1) / factor_),
      outHeight_((height + factor_ - 1) / factor_) {
    const std::size_t blocks = std::size_t{outWidth_} * outHeight_;
    if (factor_ == 1)
        out_.assign(blocks, 0);
    else if (factor_ <= 257)
        sums32_.assign(blocks * 4, 0);
    else
        sums64_.assign(blocks * 4, 0);
}

template <typename T>
void ScatterReducer::accumulate(std::vector<T>& sums, std::uint32_t y, std::uint32_t x0,
                                std::uint32_t step, const std::uint32_t* argb,
                                std::uint32_t count) {
    T* row = sums.data() + std::size_t{y / factor_} * outWidth_ * 4;
    std::uint64_t x = x0;
    for (std::uint32_t i = 0; i < count && x < width_; ++i, x += step) {
        const std::uint32_t p = argb[i];
        const T a = static_cast<T>(p >> 24);
        T* s = row + static_cast<std::size_t>(x / factor_) * 4;
        s[0] += a;
        s[1] += a * static_cast<T>((p >> 16) & 0xFF);
        s[2] += a * static_cast<T>((p >> 8) & 0xFF);
        s[3] += a * static_cast<T>(p & 0xFF);
    }
}

void ScatterReducer::addRow(std::uint32_t y, std::uint32_t x0, std::uint32_t step,
                            const std::uint32_t* argb, std::uint32_t count) {
    if (y >= height_ || step == 0) return;
    if (factor_ == 1) {
        std::uint32_t* row = out_.data() + std::size_t{y} * width_;
        std::uint64_t x = x0;
        for (std::uint32_t i = 0; i < count && x < width_; ++i, x += step) row[x] = argb[i];
    } else if (!sums32_.empty()) {
        accumulate(sums32_, y, x0, step, argb, count);
    } else {
        accumulate(sums64_, y, x0, step, argb, count);
    }
}

template <typename T>
void ScatterReducer::resolve(const std::vector<T>& sums) {
    out_.assign(std::size_t{outWidth_} * outHeight_, 0);
    for (std::uint32_t by = 0; by < outHeight_; ++by) {
        const std::uint64_t bh =
            std::min<std::uint64_t>(factor_, height_ - std::uint64_t{by} * factor_);
        for (std::uint32_t bx = 0; bx < outWidth_; ++bx) {
            const std::uint64_t bw =
                std::min<std::uint64_t>(factor_, width_ - std::uint64_t{bx} * factor_);
            const std::uint64_t n = bw * bh;
            const T* s = sums.data() + (std::size_t{by} * outWidth_ + bx) * 4;
            const std::uint64_t sa = s[0];
            if (sa == 0) continue;
            const auto a = static_cast<std::uint32_t>((sa + n / 2) / n);
            const auto ch = [&](std::uint64_t v) {
                return static_cast<std::uint32_t>(std::min<std::uint64_t>(255, (v + sa / 2) / sa));
            };
            out_[std::size_t{by} * outWidth_ + bx] =
                a << 24 | ch(s[1]) << 16 | ch(s[2]) << 8 | ch(s[3]);
        }
    }
}

std::vector<std::uint32_t> ScatterReducer::finish() {
    if (factor_ != 1) {
        if (!sums32_.empty())
            resolve(sums32_);
        else
            resolve(sums64_);
        sums32_ = {};
        sums64_ = {};
    }
    return std::move(out_);
}

}  // namespace icogen::picture::detail
