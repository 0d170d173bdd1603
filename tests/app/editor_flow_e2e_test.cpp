// The whole flow on a real X server, as a user would do it: pick a picture, convert it, open the
// editor, paint the top-left pixel transparent, accept, save. The saved file carries the
// pixel's mask bit, and the program's own decoder shows the pixel transparent.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <bit>
#include <filesystem>

#include "icon/icon_file.h"
#include "picture/picture.h"

namespace icogen {
namespace {

const QString program = QStringLiteral(ICOGEN_BIN_DIR "/icogen");

QString scriptPath() {
    return QString::fromStdString(
        (std::filesystem::path(__FILE__).parent_path() / "editor_flow_e2e.sh").string());
}

TEST(EditorFlowUnderXvfb, PaintedTransparentPixelReachesTheSavedFile) {
    for (const char* tool : {"xvfb-run", "xdotool", "bash", "timeout"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " missing";
    }
    ASSERT_TRUE(QFile::exists(program)) << program.toStdString();
    ASSERT_TRUE(QFile::exists(scriptPath())) << scriptPath().toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A 32x32 picture whose every pixel has its own opaque colour, none of them black.
    QImage picture(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) picture.setPixel(x, y, qRgb(7 * x + 10, 7 * y + 10, 200));
    const QString picturePath = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(picture.save(picturePath, "PNG"));
    const QString output = dir.filePath(QStringLiteral("edited"));  // the dialog adds .ico

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the real X server of xvfb-run
    env.remove(QStringLiteral("E2E_FORMAT"));
    env.remove(QStringLiteral("E2E_SCREENSHOT"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    // Keeps the promotional page out of the run (and changes nothing else).
    env.insert(QStringLiteral("ICOGEN_TEST_ACTION"), QStringLiteral("none"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
               QStringLiteral("bash"), scriptPath(), program, picturePath, output});
    const bool finished = run.waitForStarted(30000) && run.waitForFinished(180000);
    if (!finished) run.kill();
    run.waitForFinished(5000);
    const std::string log = run.readAllStandardError().toStdString();
    ASSERT_TRUE(finished) << log;
    ASSERT_EQ(run.exitStatus(), QProcess::NormalExit) << log;
    ASSERT_EQ(run.exitCode(), 0) << log;

    QFile saved(output + QStringLiteral(".ico"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << log;
    const QByteArray data = saved.readAll();
    const ByteBuffer bytes(data.begin(), data.end());

    // A 32x32 icon (the start format): the top-left pixel's colour bytes are zero and its mask
    // bit set; its neighbour keeps its colour and stays opaque.
    ASSERT_EQ(bytes.size(), icon::template32Size);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 62, icon::template32().begin()));
    const auto topLeft = icon::pixelAddress(icon::layout32, 0, 0);
    EXPECT_EQ(bytes[topLeft], 0);
    EXPECT_EQ(bytes[topLeft + 1], 0);
    EXPECT_EQ(bytes[topLeft + 2], 0);
    const auto mask = icon::maskBitAddress(icon::layout32, 0, 0);
    EXPECT_EQ(bytes[mask.byte], mask.value);
    const auto next = icon::pixelAddress(icon::layout32, 1, 0);
    EXPECT_EQ(bytes[next], 200);     // blue
    EXPECT_EQ(bytes[next + 2], 17);  // red 7 * 1 + 10
    EXPECT_EQ(bytes[next + 1], 10);  // green 7 * 0 + 10
    // Only that one mask bit is set.
    int maskBits = 0;
    for (std::size_t i = icon::layout32.andMask; i < bytes.size(); ++i)
        maskBits += std::popcount(bytes[i]);
    EXPECT_EQ(maskBits, 1);

    const auto decoded = picture::decodePicture(bytes);
    ASSERT_TRUE(decoded) << picture::failureName(decoded.failure);
    const picture::Picture& icon = *decoded.picture;
    ASSERT_EQ(icon.pixelWidth, 32u);
    ASSERT_EQ(icon.pixelHeight, 32u);
    EXPECT_EQ(icon.pixels[0] >> 24, 0u) << "the top-left pixel is transparent";
    EXPECT_EQ(icon.pixels[1], 0xFF000000u | 17u << 16 | 10u << 8 | 200u);
    EXPECT_EQ(icon.pixels[32] >> 24, 0xFFu);
}

}  // namespace
}  // namespace icogen
