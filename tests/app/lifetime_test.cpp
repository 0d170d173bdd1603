// The release of the program state at the end: exactly once, whichever way the program ends.
#include "app/lifetime.h"

#include <gtest/gtest.h>

namespace icogen {
namespace {

void fill(ProgramState& s) {
    s.outputIcon.assign(894, 1);
    s.pixels16.assign(768, 2);
    s.pixels32.assign(3072, 3);
    s.colorGrid16 = ColorGrid::square(16);
    s.colorGrid32 = ColorGrid::square(32);
    s.workIcon16.assign(894, 4);
    s.workIcon32.assign(3262, 5);
}

bool allReleased(const ProgramState& s) {
    return s.outputIcon.empty() && s.pixels16.empty() && s.pixels32.empty() &&
           s.colorGrid16.empty() && s.colorGrid32.empty() && s.workIcon16.empty() &&
           s.workIcon32.empty();
}

TEST(ProgramLifetime, StartGivesTheGridsTheirStartValue) {
    ProgramState s;
    s.colorGrid16 = ColorGrid::square(16);
    s.colorGrid32 = ColorGrid::square(32);
    app::ProgramLifetime lifetime(s);
    for (const ColorGrid* g : {&s.colorGrid16, &s.colorGrid32}) {
        EXPECT_EQ(g->dimensions, 1);
        EXPECT_TRUE(g->empty());
    }
    EXPECT_FALSE(lifetime.released());
}

TEST(ProgramLifetime, ReleasesOnceAndASecondCallDoesNothing) {
    ProgramState s;
    app::ProgramLifetime lifetime(s);
    fill(s);
    EXPECT_TRUE(lifetime.release());
    EXPECT_TRUE(lifetime.released());
    EXPECT_TRUE(allReleased(s));

    // Whatever is set afterwards is not released again by a later call.
    s.outputIcon.assign(10, 9);
    EXPECT_FALSE(lifetime.release());
    EXPECT_EQ(s.outputIcon.size(), 10u);
}

TEST(ProgramLifetime, AWayOutThatSkippedReleaseStillReleases) {
    ProgramState s;
    {
        app::ProgramLifetime lifetime(s);
        fill(s);
    }
    EXPECT_TRUE(allReleased(s));

    // And one that did release is not released a second time on the way out.
    ProgramState t;
    {
        app::ProgramLifetime lifetime(t);
        lifetime.release();
        t.pixels32.assign(3072, 1);
    }
    EXPECT_EQ(t.pixels32.size(), 3072u);
}

}  // namespace
}  // namespace icogen
