// The version record and the desktop files: version 1.1.0.0 and the window title wherever the
// program describes itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>

#include "app/program.h"
#include "app/version.h"
#include "ui/main/main_window.h"

namespace icogen {
namespace {

using namespace Qt::Literals::StringLiterals;

const QString sourceDir = QStringLiteral(ICOGEN_SOURCE_DIR);
const QString shareDir = QStringLiteral(ICOGEN_BIN_DIR "/../share");

QString readText(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

TEST(VersionRecord, TitleCarriesTheContactNumber) {
    EXPECT_EQ(ui::MainWindow::windowTitleText(), u"澄溪ICO图标生成器 V1.0 BY 墨舟 QQ：31415926"_s);
}

TEST(VersionRecord, ApplicationSaysItsVersion) {
    app::configureApplication();
    EXPECT_EQ(QCoreApplication::applicationVersion(), u"1.1.0.0"_s);
    EXPECT_EQ(QCoreApplication::applicationName(), u"icogen"_s);
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
    EXPECT_EQ(QString::fromLatin1(app::applicationVersion), u"1.1.0.0"_s);
}

TEST(VersionRecord, DesktopEntryDescribesTheProgram) {
    const QString entry = readText(shareDir + u"/applications/icogen.desktop"_s);
    const QStringList lines = entry.split(u'\n');
    EXPECT_EQ(lines.value(0), u"[Desktop Entry]"_s);
    for (const QString& expected :
         {u"Type=Application"_s, u"Comment="_s + ui::MainWindow::windowTitleText(),
          u"Icon=icogen"_s, u"Exec=icogen"_s, u"Name=icogen"_s})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString();
    EXPECT_TRUE(entry.contains(
        QRegularExpression(u"^Categories=.*Graphics;"_s, QRegularExpression::MultilineOption)));

    const QString meta = readText(shareDir + u"/metainfo/icogen.metainfo.xml"_s);
    EXPECT_TRUE(meta.contains(u"<release version=\"1.1.0.0\""_s));
    EXPECT_TRUE(
        meta.contains(u"<summary>"_s + ui::MainWindow::windowTitleText() + u"</summary>"_s));
    EXPECT_TRUE(meta.contains(u"<launchable type=\"desktop-id\">icogen.desktop</launchable>"_s));
}

// icogen.rc is only compiled on Windows; its fields are read here as text.
TEST(VersionRecord, WindowsResourceScriptHasTheRecord) {
    const QString rc = readText(sourceDir + u"/src/app/icogen.rc"_s);
    const auto has = [&](const QString& pattern) {
        return rc.contains(QRegularExpression(pattern, QRegularExpression::MultilineOption));
    };
    // The icon group comes before any other resource.
    const auto firstResource = QRegularExpression(u"^\\s*(\\w+)\\s+(ICON|VERSIONINFO)\\b"_s,
                                                  QRegularExpression::MultilineOption)
                                   .match(rc);
    ASSERT_TRUE(firstResource.hasMatch());
    EXPECT_EQ(firstResource.captured(1), u"DEFAULT_ICON"_s);
    EXPECT_EQ(firstResource.captured(2), u"ICON"_s);

    EXPECT_TRUE(has(u"^\\s*FILEVERSION 1,1,0,0$"_s));
    EXPECT_TRUE(has(u"^\\s*PRODUCTVERSION 1,1,0,0$"_s));
    EXPECT_TRUE(has(u"^\\s*FILEFLAGS 0x0L$"_s));
    EXPECT_TRUE(has(u"^\\s*FILEOS VOS__WINDOWS32$"_s));
    EXPECT_TRUE(has(u"^\\s*FILETYPE VFT_APP$"_s));
    EXPECT_TRUE(has(u"^\\s*BLOCK \"080404B0\"$"_s));
    EXPECT_TRUE(has(u"^\\s*VALUE \"FileVersion\", \"1\\.1\\.0\\.0\"$"_s));
    EXPECT_TRUE(has(u"^\\s*VALUE \"ProductVersion\", \"1\\.1\\.0\\.0\"$"_s));
    for (const char* key :
         {"FileDescription", "ProductName", "CompanyName", "LegalCopyright", "Comments"})
        EXPECT_TRUE(has(u"^\\s*VALUE \""_s + QLatin1String(key) + u"\", ICOGEN_WINDOW_TITLE$"_s))
            << key;
    EXPECT_TRUE(has(u"^\\s*VALUE \"Translation\", 0x0804, 0x04B0$"_s));
    EXPECT_TRUE(has(u"^#include \"../ui/main/window_title.h\"$"_s));
    EXPECT_TRUE(has(u"^#pragma code_page\\(65001\\)$"_s));
}

}  // namespace
}  // namespace icogen
