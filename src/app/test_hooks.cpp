#include "app/test_hooks.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "ui/main/main_window.h"

namespace icogen::app {

TestHooks TestHooks::fromEnvironment() {
    TestHooks hooks;
    if (!qEnvironmentVariableIsSet("ICOGEN_TEST_ACTION")) return hooks;
    const QByteArray word = qgetenv("ICOGEN_TEST_ACTION");
    hooks.action_ = word == "escape"  ? Action::Escape
                    : word == "close" ? Action::Close
                    : word == "quit"  ? Action::Quit
                                      : Action::None;
    return hooks;
}

void TestHooks::reportRelease() const {
    if (action_ == Action::Off) return;
    std::fprintf(stderr, "%s\n", releaseReportLine);
    std::fflush(stderr);
}

void TestHooks::scheduleAction(ui::MainWindow& window) const {
    if (action_ == Action::Off || action_ == Action::None) return;
    const Action action = action_;
    // Runs once the event loop has started, as a user's input would.
    QTimer::singleShot(0, &window, [&window, action] {
        switch (action) {
            case Action::Escape: {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&window, &press);
                break;
            }
            case Action::Close:
                window.close();
                break;
            case Action::Quit:
                window.退出->click();
                break;
            default:
                break;
        }
    });
}

const TestHooks& testHooks() {
    static const TestHooks hooks = TestHooks::fromEnvironment();
    return hooks;
}

}  // namespace icogen::app
