#include "app/program.h"

#include <QApplication>
#include <memory>

#include "app/lifetime.h"
#include "app/test_hooks.h"
#include "app/version.h"
#include "platform/app_icon.h"
#include "platform/program_style.h"
#include "platform/qt_desktop.h"
#include "ui/main/main_window.h"

namespace icogen::app {

QIcon appIcon() {
    return platform::appIcon();
}

void configureApplication() {
    platform::applyProgramStyle();
    QCoreApplication::setApplicationName(QStringLiteral("icogen"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(applicationVersion));
    QGuiApplication::setWindowIcon(appIcon());
    QGuiApplication::setQuitOnLastWindowClosed(true);
}

int runProgram(int& argc, char** argv) {
    // 1. The window toolkit.
    QApplication application(argc, argv);
    configureApplication();

    // 2 and 3. The state gets its start values; its release is registered for every way out.
    ProgramState state;
    ProgramLifetime lifetime(state);

    // 4. The main window, with all its controls; it places itself centred on the screen.
    platform::QtDesktop desktop;
    auto window =
        std::make_unique<ui::MainWindow>(state, desktop, [&lifetime] { lifetime.endNow(); });
    window->show();
    testHooks().divertAddresses();
    testHooks().scheduleAction(*window);

    // 5. Until no window of the program is left.
    QApplication::exec();

    // 6. The window is gone from the screen; destroy it, release the state, exit code 0.
    window.reset();
    lifetime.release();
    return 0;
}

}  // namespace icogen::app
