// The program from start to end: toolkit, program state, main window, event loop, release.
#pragma once

#include <QIcon>

namespace icogen::app {

// The application icon, the window icon of both windows.
QIcon appIcon();

// Sets up the running QApplication: the program's style (the same on every desktop, so the
// windows' colours apply), name, version, default window icon, and the end of the event loop
// when the last window closes.
void configureApplication();

// Everything main() does; returns the process's exit code.
int runProgram(int& argc, char** argv);

}  // namespace icogen::app
