// Reduces a picture whose pixels arrive in no particular row order: the passes of an Adam7
// PNG, the line groups of an interlaced GIF. Every pixel is added straight into the sum of the
// output pixel it belongs to, so the full-size picture is never held. The result matches what
// RowReducer gives for the same pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace icogen::picture::detail {

class ScatterReducer {
  public:
    // The factor is RowReducer::factorFor(width, height, sizeHint).
    ScatterReducer(std::uint32_t width, std::uint32_t height, std::uint32_t sizeHint);

    std::uint32_t factor() const { return factor_; }
    std::uint32_t outWidth() const { return outWidth_; }
    std::uint32_t outHeight() const { return outHeight_; }

    // `count` 0xAARRGGBB pixels of row y, placed at columns x0, x0 + step, x0 + 2 step, ...
    // Pixels that fall outside the picture are ignored. Each pixel should be added once.
    void addRow(std::uint32_t y, std::uint32_t x0, std::uint32_t step, const std::uint32_t* argb,
                std::uint32_t count);

    // The reduced pixels; pixels never added count as transparent (0x00000000).
    std::vector<std::uint32_t> finish();

  private:
    template <typename T>
    void accumulate(std::vector<T>& sums, std::uint32_t y, std::uint32_t x0, std::uint32_t step,
                    const std::uint32_t* argb, std::uint32_t count);
    template <typename T>
    void resolve(const std::vector<T>& sums);

    std::uint32_t width_, height_, factor_, outWidth_, outHeight_;
    std::vector<std::uint32_t> out_;
    // Four sums a block (alpha, then red, green, blue weighted by alpha). 32 bits hold
    // 255 x 255 x factor^2 up to a factor of 257; larger factors use 64 bits (and give a tiny
    // output anyway).
    std::vector<std::uint32_t> sums32_;
    std::vector<std::uint64_t> sums64_;
};

}  // namespace icogen::picture::detail
