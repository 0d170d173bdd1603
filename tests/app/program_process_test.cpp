// The built program, started in its own process: it opens, and every way of ending it ends the
// process with exit code 0 after releasing the program state exactly once.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "app/test_hooks.h"
#include "ui/main/main_window.h"

namespace icogen {
namespace {

const QString program = QStringLiteral(ICOGEN_BIN_DIR "/icogen");

struct ProcessRun {
    bool finished = false;
    QProcess::ExitStatus status = QProcess::CrashExit;
    int code = -1;
    QString err;
    QString out;
};

ProcessRun runProcess(const QString& executable, const QStringList& arguments,
                      const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(executable, arguments);
    ProcessRun r;
    r.finished = p.waitForStarted(30000) && p.waitForFinished(60000);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.status = p.exitStatus();
    r.code = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    return r;
}

QProcessEnvironment programEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Qt and fontconfig keep caches until exit; leaks are checked in the libraries without Qt.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    return env;
}

TEST(Program, EveryWayOutEndsWithCodeZeroAfterOneRelease) {
    for (const char* action : {"escape", "close", "quit"}) {
        SCOPED_TRACE(action);
        QProcessEnvironment env = programEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ICOGEN_TEST_ACTION"), QString::fromLatin1(action));
        const ProcessRun r = runProcess(program, {}, env);
        ASSERT_TRUE(r.finished) << "the program did not end";
        EXPECT_EQ(r.status, QProcess::NormalExit) << r.err.toStdString();
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QString::fromLatin1(app::releaseReportLine)), 1)
            << r.err.toStdString();
    }
}

// A real X server: exactly one window with the title, and Esc typed into it ends the program.
TEST(Program, UnderXvfbOneWindowOpensAndEscEndsIt) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfbRun.isEmpty() || xdotool.isEmpty()) GTEST_SKIP() << "xvfb-run or xdotool missing";

    // The title as an anchored extended regular expression for xdotool.
    QString title;
    for (QChar c : ui::MainWindow::windowTitleText()) {
        if (QStringLiteral(".^$*+?()[]{}|\\").contains(c)) title += u'\\';
        title += c;
    }
    const QString script = QStringLiteral(
        "\"$ICOGEN\" & pid=$!\n"
        "ids=$(timeout 30 xdotool search --sync --name \"$TITLE\")\n"
        "[ -n \"$ids\" ] || { echo 'no window'; kill $pid; exit 3; }\n"
        "echo \"windows=$(printf '%s\\n' $ids | grep -c .)\"\n"
        "xdotool windowfocus --sync $(printf '%s\\n' $ids | head -n 1)\n"
        "xdotool key Escape\n"
        "wait $pid\n");

    QProcessEnvironment env = programEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("ICOGEN"), program);
    env.insert(QStringLiteral("TITLE"), u'^' + title + u'$');
    // Only keeps the browser out: the page opened now and then on closing is reported instead.
    env.insert(QStringLiteral("ICOGEN_TEST_ACTION"), QStringLiteral("none"));
    const ProcessRun r = runProcess(
        xvfbRun,
        {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 800x600x24"),
         QStringLiteral("sh"), QStringLiteral("-c"), script},
        env);
    ASSERT_TRUE(r.finished) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("windows=1\n"))) << r.out.toStdString();
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.err.count(QString::fromLatin1(app::releaseReportLine)), 1) << r.err.toStdString();
}

}  // namespace
}  // namespace icogen
