#include <gtest/gtest.h>

#include "icon/program_state.h"

namespace icogen {
namespace {

TEST(ProgramState, StartsWithEveryFieldAtItsStartValue) {
    ProgramState s;
    initProgramState(s);
    EXPECT_TRUE(s.outputIcon.empty());
    EXPECT_TRUE(s.pixels16.empty());
    EXPECT_TRUE(s.pixels32.empty());
    EXPECT_TRUE(s.workIcon16.empty());
    EXPECT_TRUE(s.workIcon32.empty());
    for (const ColorGrid* g : {&s.colorGrid16, &s.colorGrid32}) {
        EXPECT_EQ(g->dimensions, 1);
        EXPECT_TRUE(g->empty());
    }
    EXPECT_EQ(s.labelBackColor, 0u);
    EXPECT_EQ(s.gridBackColor, 0u);
    EXPECT_EQ(s.editSize, 0);
    EXPECT_FALSE(s.isPainting);
    EXPECT_EQ(s.previewColor, 0u);
}

TEST(ProgramState, ReleaseGoesInItsOrderAndSkipsWhatWasNeverSet) {
    ProgramState s;
    initProgramState(s);
    EXPECT_TRUE(releaseProgramState(s).empty());

    s.outputIcon.assign(894, 1);
    s.pixels16.assign(768, 2);
    s.colorGrid32 = ColorGrid::square(32);
    s.workIcon32.assign(3262, 3);
    EXPECT_EQ(releaseProgramState(s),
              (std::vector<std::string_view>{"outputIcon", "pixels16", "colorGrid32", "workIcon32"}));
    EXPECT_TRUE(s.outputIcon.empty());
    EXPECT_TRUE(s.colorGrid32.empty());

    s = ProgramState{};
    s.outputIcon.assign(1, 0);
    s.colorGrid16 = ColorGrid::square(16);
    s.pixels16.assign(1, 0);
    s.colorGrid32 = ColorGrid::square(32);
    s.pixels32.assign(1, 0);
    s.workIcon16.assign(1, 0);
    s.workIcon32.assign(1, 0);
    EXPECT_EQ(releaseProgramState(s),
              (std::vector<std::string_view>{"outputIcon", "colorGrid16", "pixels16", "colorGrid32",
                                             "pixels32", "workIcon16", "workIcon32"}));
    EXPECT_TRUE(releaseProgramState(s).empty()) << "a second release finds nothing";
}

TEST(ColorGrid, SquareGridIsIndexedRowFromTheBottomThenColumn) {
    ColorGrid g = ColorGrid::square(16);
    EXPECT_EQ(g.dimensions, 2);
    g.at(15, 0) = 7;
    EXPECT_EQ(g.cells[15 * 16], 7u);
}

}  // namespace
}  // namespace icogen
