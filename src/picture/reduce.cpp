#include "picture/reduce.h"

#include <algorithm>

namespace icogen::picture::detail {

std::uint32_t RowReducer::factorFor(std::uint32_t width, std::uint32_t height,
                                    std::uint32_t sizeHint) {
    if (sizeHint == 0 || width == 0 || height == 0) return 1;
    return std::max<std::uint32_t>(1, std::min(width / sizeHint, height / sizeHint));
}

RowReducer::RowReducer(std::uint32_t width, std::uint32_t height, std::uint32_t sizeHint,
                       bool weightByAlpha)
    : width_(width),
      height_(height),
      factor_(factorFor(width, height, sizeHint)),
      outWidth_((width + factor_ - 1) / factor_),
      outHeight_((height + factor_ - 1) / factor_),
      weightByAlpha_(weightByAlpha),
      out_(std::size_t{outWidth_} * outHeight_, 0),
      bandDone_(outHeight_, false),
      rowSeen_(factor_ == 1 ? 0 : height, false),
      sums_(factor_ == 1 ? 0 : outWidth_) {}

bool RowReducer::accept(std::uint32_t y, std::uint32_t*& direct) {
    direct = nullptr;
    if (y >= height_) return false;
    const std::uint32_t band = y / factor_;
    if (bandDone_[band]) return false;
    if (factor_ == 1) {
        direct = out_.data() + std::size_t{band} * outWidth_;
        bandDone_[band] = true;
        return true;
    }
    if (rowSeen_[y]) return false;
    rowSeen_[y] = true;
    if (band_ != band) {
        flushBand();
        band_ = band;
    }
    return true;
}

void RowReducer::addBlock(std::uint32_t bx, std::uint64_t count, std::uint64_t a, std::uint64_t r,
                          std::uint64_t g, std::uint64_t b) {
    Sum& s = sums_[bx];
    s.a += a;
    s.w += weightByAlpha_ ? a : count;
    s.r += r;
    s.g += g;
    s.b += b;
    s.n += count;
}

void RowReducer::pushRow(std::uint32_t y, const std::uint32_t* argb) {
    std::uint32_t* direct = nullptr;
    if (!accept(y, direct)) return;
    if (direct) {
        std::copy(argb, argb + width_, direct);
        return;
    }
    // Block by block with the sums in registers: no division and no memory traffic per pixel.
    const std::uint32_t* p = argb;
    for (std::uint32_t bx = 0; bx < outWidth_; ++bx) {
        const std::uint32_t count = std::min(factor_, width_ - bx * factor_);
        std::uint64_t a = 0, r = 0, g = 0, b = 0;
        if (weightByAlpha_) {
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t v = p[k];
                const std::uint64_t va = v >> 24;
                a += va;
                r += va * ((v >> 16) & 0xFF);
                g += va * ((v >> 8) & 0xFF);
                b += va * (v & 0xFF);
            }
        } else {
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t v = p[k];
                a += v >> 24;
                r += (v >> 16) & 0xFF;
                g += (v >> 8) & 0xFF;
                b += v & 0xFF;
            }
        }
        addBlock(bx, count, a, r, g, b);
        p += count;
    }
}

void RowReducer::pushBlankRow(std::uint32_t y) {
    std::uint32_t* direct = nullptr;
    if (!accept(y, direct)) return;
    if (direct) {
        std::fill_n(direct, width_, 0u);
        return;
    }
    for (std::uint32_t bx = 0; bx < outWidth_; ++bx)
        addBlock(bx, std::min(factor_, width_ - bx * factor_), 0, 0, 0, 0);
}

void RowReducer::pushRowRgb(std::uint32_t y, const std::uint8_t* samples, bool withAlpha) {
    std::uint32_t* direct = nullptr;
    if (!accept(y, direct)) return;
    const std::uint8_t* p = samples;
    if (direct) {
        for (std::uint32_t x = 0; x < width_; ++x, p += withAlpha ? 4 : 3) {
            const std::uint32_t a = withAlpha ? p[3] : 0xFF;
            direct[x] = a << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
        }
        return;
    }
    const unsigned channels = withAlpha ? 4 : 3;
    const std::size_t n = std::size_t{width_} * channels;
    if (columns_.size() != n) columns_.assign(n, 0);
    columnChannels_ = channels;
    ++columnRows_;
    std::uint32_t* acc = columns_.data();
    if (withAlpha && weightByAlpha_) {
        for (std::uint32_t x = 0; x < width_; ++x, p += 4, acc += 4) {
            const std::uint32_t a = p[3];
            acc[0] += a * p[0];
            acc[1] += a * p[1];
            acc[2] += a * p[2];
            acc[3] += a;
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) acc[i] += p[i];
    }
}

void RowReducer::foldColumns() {
    if (columnRows_ == 0) return;
    const unsigned c = columnChannels_;
    const std::uint32_t* acc = columns_.data();
    for (std::uint32_t bx = 0; bx < outWidth_; ++bx) {
        const std::uint32_t count = std::min(factor_, width_ - bx * factor_);
        std::uint64_t a = 0, r = 0, g = 0, b = 0;
        for (std::uint32_t k = 0; k < count; ++k, acc += c) {
            r += acc[0];
            g += acc[1];
            b += acc[2];
            if (c == 4) a += acc[3];
        }
        const std::uint64_t pixels = std::uint64_t{count} * columnRows_;
        if (c == 3) {
            // Every pixel is opaque: weighting by alpha is a factor of 255 on the sums.
            a = 255 * pixels;
            if (weightByAlpha_) {
                r *= 255;
                g *= 255;
                b *= 255;
            }
        }
        addBlock(bx, pixels, a, r, g, b);
    }
    std::fill(columns_.begin(), columns_.end(), 0u);
    columnRows_ = 0;
}

void RowReducer::flushBand() {
    if (band_ < 0) return;
    foldColumns();
    std::uint32_t* dst = out_.data() + static_cast<std::size_t>(band_) * outWidth_;
    for (std::uint32_t x = 0; x < outWidth_; ++x) {
        Sum& s = sums_[x];
        std::uint32_t value = 0;
        if (s.n > 0 && s.w > 0) {
            const auto a = static_cast<std::uint32_t>((s.a + s.n / 2) / s.n);
            const auto ch = [&](std::uint64_t v) {
                return static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(255, (v + s.w / 2) / s.w));
            };
            value = a << 24 | ch(s.r) << 16 | ch(s.g) << 8 | ch(s.b);
        }
        dst[x] = value;
        s = Sum{};
    }
    bandDone_[static_cast<std::size_t>(band_)] = true;
    band_ = -1;
}

std::vector<std::uint32_t> RowReducer::finish(std::uint32_t missing) {
    flushBand();
    for (std::uint32_t band = 0; band < outHeight_; ++band) {
        if (bandDone_[band]) continue;
        std::fill_n(out_.begin() + std::size_t{band} * outWidth_, outWidth_, missing);
    }
    return std::move(out_);
}

Picture makePicture(Kind kind, std::uint32_t width, std::uint32_t height, std::uint32_t pixelWidth,
                    std::uint32_t pixelHeight, std::vector<std::uint32_t> pixels,
                    AlphaUse alphaUse) {
    Picture p;
    p.kind = kind;
    p.width = width;
    p.height = height;
    p.pixelWidth = pixelWidth;
    p.pixelHeight = pixelHeight;
    p.pixels = std::move(pixels);
    p.alphaUse = alphaUse;
    return p;
}

}  // namespace icogen::picture::detail
