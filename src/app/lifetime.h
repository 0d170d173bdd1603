// The end of the program: the one place that releases the program state, exactly once, on
// whichever way the program ends.
#pragma once

#include "icon/program_state.h"

namespace icogen::app {

class ProgramLifetime {
  public:
    // Start-up: gives the state its start values and registers its release for the end.
    explicit ProgramLifetime(ProgramState& state);
    // A way out that skipped release() (an exception unwinding main) still releases here.
    ~ProgramLifetime();
    ProgramLifetime(const ProgramLifetime&) = delete;
    ProgramLifetime& operator=(const ProgramLifetime&) = delete;

    // Releases the state the first time it is called; later calls do nothing. Returns whether
    // this call released it.
    bool release();
    bool released() const { return released_; }

    // The direct way out: releases the state and ends the process at once with exit code 0,
    // without returning to the event loop and without closing any window.
    [[noreturn]] void endNow();

  private:
    ProgramState& state_;
    bool released_ = false;
};

}  // namespace icogen::app
