// Rows handed to the reducer as libpng stores them (RGB or RGBA bytes) must reduce exactly like
// the same pixels as 0xAARRGGBB values.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

struct Shape {
    std::uint32_t width, height, hint;
};

TEST(RowReducerRgb, ReducesLikeTheSamePixelsAsArgb) {
    std::mt19937 random(7);
    // Factors 1, 3 and 7, with clipped blocks at the right and bottom edges.
    for (const Shape shape : {Shape{5, 4, 0}, Shape{31, 17, 5}, Shape{50, 22, 3}}) {
        for (const bool withAlpha : {false, true}) {
            for (const bool weightByAlpha : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << shape.width << "x" << shape.height << " hint " << shape.hint
                             << " alpha " << withAlpha << " weighted " << weightByAlpha);
                RowReducer bytes(shape.width, shape.height, shape.hint, weightByAlpha);
                RowReducer values(shape.width, shape.height, shape.hint, weightByAlpha);
                const unsigned channels = withAlpha ? 4 : 3;
                // Bottom-up, as BMP rows come, so band order is exercised too.
                for (std::uint32_t n = 0; n < shape.height; ++n) {
                    const std::uint32_t y = shape.height - 1 - n;
                    std::vector<std::uint8_t> row(std::size_t{shape.width} * channels);
                    for (auto& b : row) b = static_cast<std::uint8_t>(random());
                    if (withAlpha && y % 3 == 0) row[3] = 0;  // a fully transparent pixel
                    std::vector<std::uint32_t> argb(shape.width);
                    for (std::uint32_t x = 0; x < shape.width; ++x) {
                        const std::uint8_t* p = row.data() + std::size_t{x} * channels;
                        const std::uint32_t a = withAlpha ? p[3] : 0xFF;
                        argb[x] =
                            a << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
                    }
                    bytes.pushRowRgb(y, row.data(), withAlpha);
                    values.pushRow(y, argb.data());
                }
                EXPECT_EQ(bytes.outWidth(), values.outWidth());
                EXPECT_EQ(bytes.finish(), values.finish());
            }
        }
    }
}

}  // namespace
}  // namespace icogen::picture::detail
