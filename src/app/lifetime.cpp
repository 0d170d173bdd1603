#include "app/lifetime.h"

#include <cstdio>
#include <cstdlib>

#include "app/test_hooks.h"

namespace icogen::app {

ProgramLifetime::ProgramLifetime(ProgramState& state) : state_(state) {
    initProgramState(state_);
}

ProgramLifetime::~ProgramLifetime() {
    release();
}

bool ProgramLifetime::release() {
    if (released_) return false;
    released_ = true;
    releaseProgramState(state_);
    testHooks().reportRelease();
    return true;
}

void ProgramLifetime::endNow() {
    release();
    // Nothing else is torn down: no window is closed or destroyed, no handler runs. Buffered
    // output is written first, since _Exit skips that.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace icogen::app
