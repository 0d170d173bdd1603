// The application icon: the committed icon file is what the drawing program draws, its header
// has the one layout the program relies on, and the picture is the one described.
#include "platform/app_icon.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>

#include "app/program.h"

namespace icogen {
namespace {

const QString sourceIcon =
    QStringLiteral(ICOGEN_SOURCE_DIR "/src/platform/resources/app_icon.ico");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::uint32_t le(const QByteArray& b, int at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
    return v;
}

TEST(AppIcon, CommittedFileIsWhatTheDrawingProgramDraws) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ico = dir.filePath(QStringLiteral("drawn.ico"));
    const QString png = dir.filePath(QStringLiteral("drawn.png"));
    QProcess draw;
    draw.start(QStringLiteral(ICOGEN_BIN_DIR "/draw_app_icon"), {ico, png});
    ASSERT_TRUE(draw.waitForFinished(30000));
    ASSERT_EQ(draw.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(draw.exitCode(), 0) << draw.readAllStandardError().toStdString();

    const QByteArray committed = readAll(sourceIcon);
    ASSERT_EQ(committed.size(), 3774);
    EXPECT_EQ(readAll(ico), committed);
    EXPECT_EQ(platform::appIconFile(), committed) << "the resource is the committed file";

    // The PNG shows the same picture (it is installed for desktop menus).
    QImage drawnPng(png);
    ASSERT_FALSE(drawnPng.isNull());
    EXPECT_EQ(drawnPng.convertToFormat(QImage::Format_ARGB32), platform::appIconImage());
    QImage stagedPng(QStringLiteral(ICOGEN_BIN_DIR "/../share/pixmaps/icogen.png"));
    EXPECT_EQ(stagedPng.convertToFormat(QImage::Format_ARGB32), platform::appIconImage());
}

TEST(AppIcon, HeaderDescribesOne28x32ImageWithAlphaAndMask) {
    const QByteArray f = readAll(sourceIcon);
    ASSERT_EQ(f.size(), 3774);
    // ICONDIR
    EXPECT_EQ(le(f, 0, 2), 0u);
    EXPECT_EQ(le(f, 2, 2), 1u);  // icon
    EXPECT_EQ(le(f, 4, 2), 1u);  // one image
    // ICONDIRENTRY
    EXPECT_EQ(le(f, 6, 1), 28u);
    EXPECT_EQ(le(f, 7, 1), 32u);
    EXPECT_EQ(le(f, 8, 1), 0u);  // colours
    EXPECT_EQ(le(f, 9, 1), 0u);
    EXPECT_EQ(le(f, 10, 2), 1u);  // planes
    EXPECT_EQ(le(f, 12, 2), 32u);
    EXPECT_EQ(le(f, 14, 4), 3752u);
    EXPECT_EQ(le(f, 18, 4), 22u);
    // BITMAPINFOHEADER
    EXPECT_EQ(le(f, 22, 4), 40u);
    EXPECT_EQ(le(f, 26, 4), 28u);
    EXPECT_EQ(le(f, 30, 4), 64u);  // colour image and mask
    EXPECT_EQ(le(f, 34, 2), 1u);
    EXPECT_EQ(le(f, 36, 2), 32u);
    EXPECT_EQ(le(f, 38, 4), 0u);  // uncompressed
    EXPECT_EQ(22 + 40 + 3584 + 128, f.size());
}

// What the picture shows, and that the AND mask agrees with the alpha channel.
TEST(AppIcon, PictureIsAPageWithABandAndTransparentLetters) {
    const QImage image = platform::appIconImage();
    ASSERT_EQ(image.size(), QSize(28, 32));
    const QByteArray f = platform::appIconFile();

    int soft = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 28; ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            if (alpha > 0 && alpha < 255) ++soft;
            // Mask rows are bottom-up, 4 bytes each, after the colour rows.
            const int maskByte = 22 + 40 + 3584 + (31 - y) * 4 + x / 8;
            const bool maskBit = static_cast<std::uint8_t>(f[maskByte]) & (0x80 >> (x % 8));
            EXPECT_EQ(maskBit, alpha == 0) << x << "," << y;
        }
        // Mask padding bits past column 28 are zero.
        EXPECT_EQ(static_cast<std::uint8_t>(f[22 + 40 + 3584 + (31 - y) * 4 + 3]) & 0x0F, 0);
    }
    EXPECT_GT(soft, 10) << "edges softened through alpha";

    const auto at = [&](int x, int y) { return image.pixelColor(x, y); };
    EXPECT_EQ(at(0, 0).alpha(), 0) << "outside the page";
    EXPECT_EQ(at(26, 2).alpha(), 0) << "the cut-off corner";
    EXPECT_EQ(at(20, 6), QColor(0, 0, 0)) << "the folded flap";
    EXPECT_EQ(at(10, 6), QColor(255, 255, 255)) << "the page";
    EXPECT_EQ(at(3, 28), QColor(0, 0, 0)) << "the page's edge";
    EXPECT_EQ(at(2, 12), QColor(0, 0, 0)) << "the band";
    EXPECT_EQ(at(26, 21), QColor(0, 0, 0)) << "the band";
    EXPECT_EQ(at(5, 16).alpha(), 0) << "I";
    EXPECT_EQ(at(8, 16).alpha(), 0) << "C, left stroke";
    EXPECT_EQ(at(13, 16), QColor(0, 0, 0)) << "C, open to the right";
    EXPECT_EQ(at(17, 16).alpha(), 0) << "O, left stroke";
    EXPECT_EQ(at(20, 16), QColor(0, 0, 0)) << "O, inside";
    EXPECT_EQ(at(23, 16).alpha(), 0) << "O, right stroke";
}

TEST(AppIcon, WindowIconIsTheApplicationIcon) {
    const QIcon icon = app::appIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(28, 32)});
}

}  // namespace
}  // namespace icogen
