// The row-streaming reducer: the factor a size hint gives, block averages (clipped at the edges,
// weighted by alpha or not), and rows arriving top-down, bottom-up or not at all.
#include "picture/reduce.h"

#include <gtest/gtest.h>

#include <vector>

namespace icogen::picture::detail {
namespace {

struct FactorCase {
    std::uint32_t width, height, hint, factor;
};

TEST(RowReducerFactor, KeepsBothSidesAtOrAboveTheHint) {
    const std::vector<FactorCase> cases = {
        {100, 100, 0, 1},     // no hint: full size
        {16, 16, 16, 1},      // already at the hint
        {100, 100, 16, 6},    // 17 x 17
        {64, 32, 16, 2},      // the shorter side decides: 32 x 16
        {10, 1000, 16, 1},    // a side below the hint is never reduced
        {999, 2000, 16, 62},  // 17 x 33
        {65535, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " hint " << c.hint);
        EXPECT_EQ(RowReducer::factorFor(c.width, c.height, c.hint), c.factor);
        const RowReducer r(c.width, c.height, c.hint);
        EXPECT_EQ(r.outWidth(), (c.width + c.factor - 1) / c.factor);
        EXPECT_EQ(r.outHeight(), (c.height + c.factor - 1) / c.factor);
        if (c.hint != 0) {
            EXPECT_GE(r.outWidth(), std::min(c.width, c.hint));
            EXPECT_GE(r.outHeight(), std::min(c.height, c.hint));
        }
    }
}

// A w x h picture whose pixels all differ, rows top-down.
std::vector<std::vector<std::uint32_t>> distinctRows(std::uint32_t w, std::uint32_t h) {
    std::vector<std::vector<std::uint32_t>> rows(h, std::vector<std::uint32_t>(w));
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            rows[y][x] = (0xFF - 9 * x) << 24 | (17 * x + 3 * y) << 16 | (29 * y) << 8 | (x * y);
    return rows;
}

TEST(RowReducer, FactorOneKeepsEveryPixel) {
    const auto rows = distinctRows(3, 2);
    RowReducer r(3, 2, 0);
    r.pushRow(0, rows[0].data());
    r.pushRow(1, rows[1].data());
    std::vector<std::uint32_t> expected = rows[0];
    expected.insert(expected.end(), rows[1].begin(), rows[1].end());
    EXPECT_EQ(r.finish(), expected);
}

TEST(RowReducer, BlocksAreAveragedAndClippedAtTheEdges) {
    // 5x5 with factor 2: 3x3 blocks, the last column and row of blocks one pixel wide.
    std::vector<std::vector<std::uint32_t>> rows(5, std::vector<std::uint32_t>(5, 0xFF000000));
    rows[0][0] = 0xFFFF0000;  // top-left block: one red pixel of four
    rows[0][4] = 0xFF0000FF;  // top-right block: blue over black
    rows[1][4] = 0xFF000000;
    rows[4][4] = 0xFF00FF00;  // bottom-right block: a single green pixel
    RowReducer r(5, 5, 2);
    ASSERT_EQ(r.factor(), 2u);
    for (std::uint32_t y = 0; y < 5; ++y) r.pushRow(y, rows[y].data());
    const auto out = r.finish();
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[0], 0xFF400000u);  // 255 / 4, rounded
    EXPECT_EQ(out[2], 0xFF000080u);  // 255 / 2, rounded
    EXPECT_EQ(out[8], 0xFF00FF00u);
    EXPECT_EQ(out[4], 0xFF000000u);
}

TEST(RowReducer, ColoursAreWeightedByAlphaUnlessAskedNotTo) {
    // Two opaque red pixels over two transparent blue ones.
    const std::vector<std::uint32_t> top = {0xFFFF0000, 0xFFFF0000};
    const std::vector<std::uint32_t> bottom = {0x000000FF, 0x000000FF};
    for (const bool weighted : {true, false}) {
        SCOPED_TRACE(weighted ? "weighted" : "plain");
        RowReducer r(2, 2, 1, weighted);
        r.pushRow(0, top.data());
        r.pushRow(1, bottom.data());
        const auto out = r.finish();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0], weighted ? 0x80FF0000u : 0x80800080u);
    }
    const std::vector<std::uint32_t> clear = {0x00FF0000, 0x0000FF00};
    RowReducer r(2, 2, 1);
    r.pushRow(0, clear.data());
    r.pushRow(1, clear.data());
    EXPECT_EQ(r.finish(), (std::vector<std::uint32_t>{0x00000000}));
}

TEST(RowReducer, BottomUpRowsGiveTheSameResultAsTopDown) {
    const std::uint32_t w = 7, h = 9;
    const auto rows = distinctRows(w, h);
    for (const std::uint32_t hint : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(::testing::Message() << "hint " << hint);
        RowReducer down(w, h, hint), up(w, h, hint);
        for (std::uint32_t y = 0; y < h; ++y) down.pushRow(y, rows[y].data());
        for (std::uint32_t y = h; y-- > 0;) up.pushRow(y, rows[y].data());
        EXPECT_EQ(up.finish(), down.finish());
    }
}

TEST(RowReducer, MissingRowsAreFilledAndStrayRowsIgnored) {
    constexpr std::uint32_t P = 0xFF102030, Q = 0xFF405060, A = 0xFFA0A0A0, Z = 0xFF00FF00;
    const std::vector<std::uint32_t> first = {P, P, Q, Q};
    const std::vector<std::uint32_t> last = {A, A, Z, Z};
    const std::vector<std::uint32_t> white(4, 0xFFFFFFFF);
    RowReducer r(4, 6, 2);  // factor 2: three bands of two rows
    ASSERT_EQ(r.factor(), 2u);
    r.pushRow(5, last.data());   // the last band gets only its lower row
    r.pushRow(0, first.data());  // the first band complete
    r.pushRow(1, first.data());
    r.pushRow(0, white.data());  // a row that already arrived: ignored
    r.pushRow(6, white.data());  // beyond the picture: ignored
    // The middle band never arrived; the last one averages the single row it got.
    EXPECT_EQ(r.finish(0x12345678),
              (std::vector<std::uint32_t>{P, Q, 0x12345678, 0x12345678, A, Z}));
}

TEST(RowReducer, BlankRowCountsLikeARowOfTransparentBlack) {
    const std::vector<std::uint32_t> red(5, 0xFFFF0000);
    const std::vector<std::uint32_t> zeros(5, 0);
    for (const std::uint32_t hint : {0u, 1u, 2u})
        for (const bool weighted : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "hint " << hint << (weighted ? " weighted" : ""));
            RowReducer blank(5, 3, hint, weighted), pushed(5, 3, hint, weighted);
            for (RowReducer* r : {&blank, &pushed}) r->pushRow(0, red.data());
            blank.pushBlankRow(1);
            pushed.pushRow(1, zeros.data());
            blank.pushBlankRow(2);
            pushed.pushRow(2, zeros.data());
            EXPECT_EQ(blank.finish(0xFFFFFFFF), pushed.finish(0xFFFFFFFF));
        }
}

}  // namespace
}  // namespace icogen::picture::detail
