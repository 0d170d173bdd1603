// The program from start to end: toolkit, program state, main window, event loop, release.
#pragma once

#include <QIcon>

namespace icogen::app {

// The application icon, the window icon of both windows.
QIcon appIcon();

// Everything main() does; returns the process's exit code.
int runProgram(int& argc, char** argv);

}  // namespace icogen::app
