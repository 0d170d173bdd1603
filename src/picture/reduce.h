// Reduces a picture by an integer factor while its rows stream in, so that no full-size buffer
// of a large picture is ever held. Each output pixel is the average of its factor x factor block
// of source pixels (clipped at the right and bottom edges), weighted by alpha.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture::detail {

class RowReducer {
  public:
    // The factor is chosen from the size hint (1 when the hint is 0 or the picture is small).
    // Pictures drawn opaque pass weightByAlpha = false: their colours are then averaged as they
    // would be drawn, whatever their alpha (which is still averaged on its own).
    RowReducer(std::uint32_t width, std::uint32_t height, std::uint32_t sizeHint,
               bool weightByAlpha = true);

    // The largest factor that keeps both sides at or above min(side, hint).
    static std::uint32_t factorFor(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t sizeHint);

    std::uint32_t factor() const { return factor_; }
    std::uint32_t outWidth() const { return outWidth_; }
    std::uint32_t outHeight() const { return outHeight_; }

    // Row y (0-based from the top) of `width` 0xAARRGGBB pixels. The rows of one output band
    // must arrive one after another, top-down or bottom-up; a row that already arrived, a row of
    // a band already finished, or a row out of range is ignored.
    void pushRow(std::uint32_t y, const std::uint32_t* argb);

    // The same for a row of 8-bit samples red, green, blue (and alpha when `withAlpha`; without,
    // alpha is 255), as libpng stores them: no pass to convert them to 0xAARRGGBB first. All
    // rows a picture passes this way must have the same layout.
    void pushRowRgb(std::uint32_t y, const std::uint8_t* samples, bool withAlpha);

    // Row y with every pixel transparent black (0x00000000), at the cost of one reduced row.
    void pushBlankRow(std::uint32_t y);

    // The reduced pixels; rows that never arrived are `missing`.
    std::vector<std::uint32_t> finish(std::uint32_t missing = 0xFF000000);

  private:
    // Where row y goes: false when it is to be ignored; `direct` is the output row when the
    // factor is 1 (and the band is then done), else null and the row's band is open for sums.
    bool accept(std::uint32_t y, std::uint32_t*& direct);
    // Adds one row's sums over `count` pixels to block bx (colours already weighted as the
    // reducer weights them).
    void addBlock(std::uint32_t bx, std::uint64_t count, std::uint64_t a, std::uint64_t r,
                  std::uint64_t g, std::uint64_t b);
    // Adds the column sums of pushRowRgb's rows to the blocks, and clears them.
    void foldColumns();
    void flushBand();

    std::uint32_t width_, height_, factor_, outWidth_, outHeight_;
    bool weightByAlpha_;
    std::vector<std::uint32_t> out_;
    std::vector<bool> bandDone_;
    std::vector<bool> rowSeen_;
    std::int64_t band_ = -1;
    struct Sum {
        std::uint64_t a = 0, r = 0, g = 0, b = 0, n = 0, w = 0;  // w: sum of colour weights
    };
    std::vector<Sum> sums_;
    // pushRowRgb adds each sample into its column's sum (weighted by alpha where it must be),
    // which vectorizes; the blocks get them when the band ends. 32 bits hold a band of up to
    // 65535 rows of 255 x 255.
    std::vector<std::uint32_t> columns_;
    unsigned columnChannels_ = 0;
    std::uint32_t columnRows_ = 0;
};

// A Picture of the given kind from pixels already at their final size.
Picture makePicture(Kind kind, std::uint32_t width, std::uint32_t height, std::uint32_t pixelWidth,
                    std::uint32_t pixelHeight, std::vector<std::uint32_t> pixels,
                    AlphaUse alphaUse);

}  // namespace icogen::picture::detail
