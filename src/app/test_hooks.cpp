#include "app/test_hooks.h"

#include <QCoreApplication>
#include <QDesktopServices>
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

namespace {

// Receives the addresses the program asks the desktop to open.
class AddressSink : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    Q_INVOKABLE void open(const QUrl& address) {
        std::fprintf(stderr, "%s%s\n", openReportPrefix, address.toString().toUtf8().constData());
        std::fflush(stderr);
    }
};

}  // namespace

void TestHooks::divertAddresses() const {
    if (action_ == Action::Off) return;
    auto* sink = new AddressSink(QCoreApplication::instance());
    for (const char* scheme : {"file", "http", "https"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), sink, "open");
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

#include "test_hooks.moc"
