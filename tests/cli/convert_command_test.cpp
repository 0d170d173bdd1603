// icogen-convert: its command line, its files and exit codes, and its icons set side by side with
// the ones the main window saves.
#include "cli/convert_command.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <sstream>

#include "platform/icon_conversion.h"
#include "support/test_pictures.h"
#include "ui/main_window_fixture.h"

namespace icogen::test {
namespace {

using cli::parseArguments;
using platform::IconSizes;

ByteBuffer readBack(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return ByteBuffer(b.begin(), b.end());
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// ---- the command line ----------------------------------------------------------------------

struct GoodLine {
    std::vector<std::string> args;
    IconSizes sizes;
    std::optional<std::string> output;
    bool force;
    std::vector<std::string> pictures;
};

class GoodCommandLine : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodCommandLine, IsUnderstood) {
    const GoodLine& c = GetParam();
    const auto parsed = parseArguments(c.args);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->sizes, c.sizes);
    EXPECT_EQ(parsed.options->output, c.output);
    EXPECT_EQ(parsed.options->force, c.force);
    EXPECT_EQ(parsed.options->pictures, c.pictures);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GoodCommandLine,
    ::testing::Values(
        GoodLine{{"a.png"}, IconSizes::Size32, std::nullopt, false, {"a.png"}},
        GoodLine{{"--size", "16", "a"}, IconSizes::Size16, std::nullopt, false, {"a"}},
        GoodLine{{"--size=32", "a"}, IconSizes::Size32, std::nullopt, false, {"a"}},
        GoodLine{{"a", "--size", "16,32"}, IconSizes::Dual, std::nullopt, false, {"a"}},
        GoodLine{{"--size=32,16", "a"}, IconSizes::Dual, std::nullopt, false, {"a"}},
        GoodLine{{"-o", "x.ico", "a"}, IconSizes::Size32, "x.ico", false, {"a"}},
        GoodLine{{"-ox.ico", "a"}, IconSizes::Size32, "x.ico", false, {"a"}},
        GoodLine{{"--output=d", "a", "b"}, IconSizes::Size32, "d", false, {"a", "b"}},
        GoodLine{{"--force", "a", "-f", "b"}, IconSizes::Size32, std::nullopt, true, {"a", "b"}},
        GoodLine{{"--", "-a.png", "--force"},
                 IconSizes::Size32,
                 std::nullopt,
                 false,
                 {"-a.png", "--force"}},
        GoodLine{{"-"}, IconSizes::Size32, std::nullopt, false, {"-"}}));

class BadCommandLine : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadCommandLine, IsAUsageError) {
    std::ostringstream out, err;
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const int code = cli::runConvert(GetParam(), out, err);
    QDir::setCurrent(before);
    EXPECT_EQ(code, cli::exitUsage);
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(err.str().rfind("icogen-convert: ", 0), 0u) << err.str();
    EXPECT_NE(err.str().find("Usage: icogen-convert"), std::string::npos);
    EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "nothing is written";
}

INSTANTIATE_TEST_SUITE_P(Lines, BadCommandLine,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"--force"},
                                           std::vector<std::string>{"a", "--size"},
                                           std::vector<std::string>{"--size", "8", "a"},
                                           std::vector<std::string>{"--size=16,16", "a"},
                                           std::vector<std::string>{"--size", "", "a"},
                                           std::vector<std::string>{"a", "-o"},
                                           std::vector<std::string>{"--output=", "a"},
                                           std::vector<std::string>{"--bogus", "a"},
                                           std::vector<std::string>{"-x", "a"}));

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h", "whatever.png"}, {"--version"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::runConvert(args, out, err), cli::exitOk);
        EXPECT_TRUE(err.str().empty());
        if (args[0] == "--version")
            EXPECT_EQ(out.str(), "icogen-convert 1.1.0.0\n");
        else
            EXPECT_EQ(out.str().rfind("Usage: icogen-convert", 0), 0u);
    }
}

// ---- converting files ------------------------------------------------------------------------

class Converting : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString path(const QString& name) const { return dir.filePath(name); }
    std::string arg(const QString& name) const {
        return QFile::encodeName(path(name)).toStdString();
    }
    QString picture(const QString& name, const ByteBuffer& bytes) {
        QDir().mkpath(QFileInfo(path(name)).path());
        writeTestFile(path(name), bytes);
        return path(name);
    }
    int run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int code = cli::runConvert(args, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
    // Every file under the folder, relative names, hidden ones included.
    QStringList files() const {
        QStringList all;
        QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) all << QDir(dir.path()).relativeFilePath(it.next());
        all.sort();
        return all;
    }
    static ByteBuffer expectedIcon(const ByteBuffer& pictureBytes, IconSizes sizes) {
        const auto decoded = platform::decodeForConversion(pictureBytes);
        if (!decoded) return {};
        return platform::convertPicture(*decoded.picture, sizes).icon;
    }

    QTemporaryDir dir;
    std::string out, err;
};

const TestImage quads = quadrantImage(40, 30, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00);

TEST_F(Converting, OnePictureBesideItselfIn32x32ByDefault) {
    const ByteBuffer bytes = encodeBmp(quads);
    picture("photo.v1.bmp", bytes);
    EXPECT_EQ(run({arg("photo.v1.bmp")}), cli::exitOk) << err;
    EXPECT_TRUE(err.empty());
    EXPECT_TRUE(out.empty());
    const ByteBuffer icon = readBack(path("photo.v1.ico"));
    EXPECT_EQ(icon.size(), 3262u);
    EXPECT_EQ(icon, expectedIcon(bytes, IconSizes::Size32));
}

TEST_F(Converting, OnePictureToTheNamedFileOrIntoTheNamedFolder) {
    const ByteBuffer bytes = encodePng(quads);
    picture("in.png", bytes);
    EXPECT_EQ(run({"--size", "16", "-o", arg("out.ico"), arg("in.png")}), cli::exitOk) << err;
    EXPECT_EQ(readBack(path("out.ico")), expectedIcon(bytes, IconSizes::Size16));

    QDir().mkpath(path("icons"));
    EXPECT_EQ(run({"--size", "16,32", "-o", arg("icons"), arg("in.png")}), cli::exitOk) << err;
    EXPECT_EQ(readBack(path("icons/in.ico")), expectedIcon(bytes, IconSizes::Dual));
}

TEST_F(Converting, AnExistingFileIsReplacedOnlyWithForce) {
    const ByteBuffer bytes = encodeGif(quads);
    picture("a.gif", bytes);
    const ByteBuffer old(100, 0x5A);
    picture("a.ico", old);

    EXPECT_EQ(run({arg("a.gif")}), cli::exitFailed);
    EXPECT_EQ(lines(err),
              std::vector<std::string>{"icogen-convert: " + arg("a.gif") + ": " + arg("a.ico") +
                                       " already exists (--force replaces it)"});
    EXPECT_EQ(readBack(path("a.ico")), old);

    EXPECT_EQ(run({"--force", arg("a.gif")}), cli::exitOk) << err;
    EXPECT_EQ(readBack(path("a.ico")), expectedIcon(bytes, IconSizes::Size32));
}

TEST_F(Converting, SeveralPicturesIntoAFolderOrBesideEach) {
    const ByteBuffer a = encodeBmp(quads), b = encodePcx(quads), c = encodeJpeg(quads);
    picture("one/a.bmp", a);
    picture("two/b.pcx", b);
    picture("two/c", c);

    EXPECT_EQ(run({"--size=16", "-o", arg("new/folder"), arg("one/a.bmp"), arg("two/b.pcx"),
                   arg("two/c")}),
              cli::exitOk)
        << err;
    EXPECT_EQ(readBack(path("new/folder/a.ico")), expectedIcon(a, IconSizes::Size16));
    EXPECT_EQ(readBack(path("new/folder/b.ico")), expectedIcon(b, IconSizes::Size16));
    EXPECT_EQ(readBack(path("new/folder/c.ico")), expectedIcon(c, IconSizes::Size16));

    EXPECT_EQ(run({arg("one/a.bmp"), arg("two/b.pcx"), arg("two/c")}), cli::exitOk) << err;
    EXPECT_EQ(readBack(path("one/a.ico")), expectedIcon(a, IconSizes::Size32));
    EXPECT_EQ(readBack(path("two/b.ico")), expectedIcon(b, IconSizes::Size32));
    EXPECT_EQ(readBack(path("two/c.ico")), expectedIcon(c, IconSizes::Size32));
}

TEST_F(Converting, BadFilesAreNamedAndTheOthersStillConverted) {
    const ByteBuffer good =
        encodeIco(quadrantImage(16, 16, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, true));
    picture("good1.ico", good);
    picture("text.txt", ByteBuffer{'h', 'i', '\n'});
    picture("empty.png", ByteBuffer{});
    ByteBuffer cut = encodePng(quads);
    cut.resize(cut.size() / 2);
    picture("cut.png", cut);
    picture("good2.jpg", encodeJpeg(quads));
    QDir().mkpath(path("folder.png"));

    EXPECT_EQ(run({"-o", arg("out"), arg("good1.ico"), arg("text.txt"), arg("missing.bmp"),
                   arg("empty.png"), arg("cut.png"), arg("folder.png"), arg("good2.jpg")}),
              cli::exitFailed);
    const auto reported = lines(err);
    ASSERT_EQ(reported.size(), 5u) << err;
    const std::vector<std::string> named{"text.txt", "missing.bmp", "empty.png", "cut.png",
                                         "folder.png"};
    for (std::size_t i = 0; i < named.size(); ++i)
        EXPECT_EQ(
            reported[i].rfind("icogen-convert: " + arg(QString::fromStdString(named[i])) + ": ", 0),
            0u)
            << reported[i];
    EXPECT_NE(reported[0].find("not a picture"), std::string::npos);
    EXPECT_NE(reported[1].find("no such file"), std::string::npos);
    EXPECT_EQ(files(), (QStringList{"cut.png", "empty.png", "good1.ico", "good2.jpg",
                                    "out/good1.ico", "out/good2.ico", "text.txt"}))
        << "no icon, partial or temporary file for the bad ones";
    EXPECT_EQ(readBack(path("out/good1.ico")), expectedIcon(good, IconSizes::Size32));
}

TEST_F(Converting, TwoPicturesWithTheSameIconNameDoNotOverwriteEachOther) {
    const ByteBuffer png = encodePng(quads), bmp = encodeBmp(TestImage(8, 8, 0xFF123456));
    picture("a.png", png);
    picture("a.bmp", bmp);
    EXPECT_EQ(run({"--force", arg("a.png"), arg("a.bmp")}), cli::exitFailed);
    ASSERT_EQ(lines(err).size(), 1u);
    EXPECT_NE(err.find(arg("a.bmp") + ": its icon"), std::string::npos) << err;
    EXPECT_EQ(readBack(path("a.ico")), expectedIcon(png, IconSizes::Size32));
}

TEST_F(Converting, AnIconThatCannotBeWrittenIsReported) {
    picture("a.bmp", encodeBmp(quads));
    picture("blocker", ByteBuffer{1});
    EXPECT_EQ(run({"-o", arg("blocker/a.ico"), arg("a.bmp")}), cli::exitFailed);
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_EQ(files(), (QStringList{"a.bmp", "blocker"}));
}

TEST_F(Converting, SeveralPicturesNeedAFolderNotAFile) {
    picture("a.bmp", encodeBmp(quads));
    picture("b.bmp", encodeBmp(quads));
    picture("x.ico", ByteBuffer{1});
    EXPECT_EQ(run({"-o", arg("x.ico"), arg("a.bmp"), arg("b.bmp")}), cli::exitUsage);
    EXPECT_EQ(files(), (QStringList{"a.bmp", "b.bmp", "x.ico"}));
}

TEST_F(Converting, TheProgramRunsWithoutADisplay) {
    const QString program = QStringLiteral(ICOGEN_BIN_DIR "/icogen-convert");
    if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "icogen-convert is not built";
    picture("p.png", encodePng(quads));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(program, {QStringLiteral("--size"), QStringLiteral("16,32"), path("p.png")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(readBack(path("p.ico")), expectedIcon(encodePng(quads), IconSizes::Dual));

    process.start(program, {});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 2);
}

// ---- the same bytes as the window's 保存 -----------------------------------------------------

struct SideBySideCase {
    PictureKind kind;
    mainwin::Format format;
    int width, height;
};

class SameAsTheWindow : public mainwin::MainWindowFixture,
                        public ::testing::WithParamInterface<SideBySideCase> {};

TEST_P(SameAsTheWindow, WritesTheBytesSaveWrites) {
    const auto [kind, format, width, height] = GetParam();
    TestImage image = quadrantImage(width, height, 0xFFE03020, 0xFF20E030, 0xFF3020E0, 0xFFF0F000,
                                    keepsTransparency(kind));
    for (int x = 0; x < width; ++x) image.at(x, height / 3) = 0xFF000000 | (x * 255 / width);
    const QString picturePath = pictureFile(QStringLiteral("picture"), encode(kind, image));

    setFormat(format);
    choose(picturePath);
    desktop.confirmFileDialog(path(QStringLiteral("window.ico")));
    window->保存->click();
    ASSERT_TRUE(desktop.messages().empty()) << desktop.lastMessage().text.toStdString();
    const ByteBuffer saved = readBack(path(QStringLiteral("window.ico")));
    ASSERT_FALSE(saved.empty());

    const char* size = format == mainwin::Format::Size16   ? "16"
                       : format == mainwin::Format::Size32 ? "32"
                                                           : "16,32";
    std::ostringstream out, err;
    const std::string cliIcon = QFile::encodeName(path(QStringLiteral("cli.ico"))).toStdString();
    ASSERT_EQ(
        cli::runConvert(std::vector<std::string>{"--size", size, "-o", cliIcon,
                                                 QFile::encodeName(picturePath).toStdString()},
                        out, err),
        cli::exitOk)
        << err.str();
    EXPECT_EQ(readBack(path(QStringLiteral("cli.ico"))), saved);
}

std::vector<SideBySideCase> sideBySideCases() {
    std::vector<SideBySideCase> cases;
    for (PictureKind k : {PictureKind::Bmp, PictureKind::Png, PictureKind::Jpeg, PictureKind::Gif,
                          PictureKind::Ico, PictureKind::Pcx})
        for (mainwin::Format f :
             {mainwin::Format::Size16, mainwin::Format::Size32, mainwin::Format::Dual})
            cases.push_back({k, f, 45, 27});
    // Large enough to arrive reduced from the decoder: both sides must use the same size hint.
    cases.push_back({PictureKind::Png, mainwin::Format::Dual, 1100, 700});
    cases.push_back({PictureKind::Jpeg, mainwin::Format::Size32, 1300, 900});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryKindEveryFormat, SameAsTheWindow,
                         ::testing::ValuesIn(sideBySideCases()), [](const auto& info) {
                             return std::string(kindName(info.param.kind)) + "_" +
                                    mainwin::formatName(info.param.format) + "_" +
                                    std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace icogen::test
