// Saving, clearing, leaving and the page opened on close, driven through the real main window.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/about_page.h"
#include "ui/main_window_fixture.h"

namespace icogen::test::mainwin {
namespace {

const QString warning = QStringLiteral("警告");
const QString nothingToSave = QStringLiteral("输出图标为空，不能被保存！");

ByteBuffer readBack(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return ByteBuffer(b.begin(), b.end());
}

TestImage somePicture() {
    return quadrantImage(32, 32, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00);
}

// Everything a save or a clear may touch, to check that a refused one touched nothing.
struct Snapshot {
    ProgramState state;
    ByteBuffer preview1, preview2;
    std::vector<Color> board1, board2;
    bool shown1, shown2, label1, label2;

    static Snapshot of(const ProgramState& s, const ui::MainWindow& w) {
        return {s,
                w.位图画板1->backgroundPicture(),
                w.位图画板2->backgroundPicture(),
                boardPixels(*w.图标画板1),
                boardPixels(*w.图标画板2),
                w.图标画板1->isVisibleTo(&w),
                w.图标画板2->isVisibleTo(&w),
                w.标签1->isVisibleTo(&w),
                w.标签2->isVisibleTo(&w)};
    }
    void expectSame(const Snapshot& o) const {
        EXPECT_EQ(state.outputIcon, o.state.outputIcon);
        EXPECT_EQ(state.pixels16, o.state.pixels16);
        EXPECT_EQ(state.pixels32, o.state.pixels32);
        EXPECT_EQ(preview1, o.preview1);
        EXPECT_EQ(preview2, o.preview2);
        EXPECT_EQ(board1, o.board1);
        EXPECT_EQ(board2, o.board2);
        EXPECT_EQ(shown1, o.shown1);
        EXPECT_EQ(shown2, o.shown2);
        EXPECT_EQ(label1, o.label1);
        EXPECT_EQ(label2, o.label2);
    }
};

using Saving = MainWindowFixture;

TEST_F(Saving, NothingToSaveRightAfterStartUp) {
    window->保存->click();
    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.lastMessage().text, nothingToSave);
    EXPECT_EQ(desktop.lastMessage().title, warning);
    EXPECT_EQ(desktop.lastMessage().icon, platform::MessageIcon::Warning);
    EXPECT_TRUE(desktop.fileDialogs().empty());
    EXPECT_TRUE(desktop.writtenPaths().empty());
}

class SaveEachFormat : public MainWindowFixture, public ::testing::WithParamInterface<Format> {};

TEST_P(SaveEachFormat, WritesTheIconThenResetsTheWindow) {
    const Format format = GetParam();
    convert(format, encodePng(somePicture()), "pic.png");
    const ByteBuffer icon = state.outputIcon;
    const bool shown1 = window->图标画板1->isVisibleTo(window.get());
    const bool shown2 = window->图标画板2->isVisibleTo(window.get());
    ASSERT_EQ(icon.size(), format == Format::Size16   ? 894u
                           : format == Format::Size32 ? 3262u
                                                      : 4150u);

    desktop.confirmFileDialog(path("icon"));  // typed without an extension
    window->保存->click();

    const platform::FileDialogComponent& d = desktop.fileDialogs().back();
    EXPECT_EQ(d.kind, platform::FileDialogComponent::Kind::Save);
    EXPECT_EQ(d.filter, QStringLiteral("图标文件|*.ico"));
    EXPECT_TRUE(d.fileName.isEmpty());
    EXPECT_EQ(d.defaultExtension, QStringLiteral("ico"));
    EXPECT_TRUE(desktop.messages().empty());

    EXPECT_EQ(readBack(path("icon.ico")), icon);
    EXPECT_TRUE(window->位图画板1->backgroundPicture().empty());
    EXPECT_TRUE(window->位图画板2->backgroundPicture().empty());
    EXPECT_TRUE(plain(*window->图标画板1));
    EXPECT_TRUE(plain(*window->图标画板2));
    EXPECT_EQ(window->图标画板1->isVisibleTo(window.get()), shown1) << "visibility is kept";
    EXPECT_EQ(window->图标画板2->isVisibleTo(window.get()), shown2);
    EXPECT_FALSE(window->标签1->isVisibleTo(window.get()));
    EXPECT_FALSE(window->标签2->isVisibleTo(window.get()));
    EXPECT_TRUE(state.outputIcon.empty());
    EXPECT_TRUE(state.pixels16.empty());
    EXPECT_TRUE(state.pixels32.empty());

    // Back in the start-up state as far as the icon goes.
    window->保存->click();
    EXPECT_EQ(desktop.lastMessage().text, nothingToSave);
    chooseCancelled();
    EXPECT_EQ(desktop.lastMessage().text, QStringLiteral("你还未载入图像文件！"));
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveEachFormat,
                         ::testing::Values(Format::Size16, Format::Size32, Format::Dual),
                         [](const auto& info) { return std::string(formatName(info.param)); });

TEST_F(Saving, ReplacesAnExistingFileWithExactlyTheIcon) {
    const QString target = pictureFile("old.ico", ByteBuffer(10000, 0xAB));
    convert(Format::Size16, encodeBmp(somePicture()));
    const ByteBuffer icon = state.outputIcon;
    desktop.confirmFileDialog(target);
    window->保存->click();
    EXPECT_EQ(readBack(target), icon);
}

TEST_F(Saving, ACancelledDialogKeepsEverything) {
    convert(Format::Dual, encodeBmp(somePicture()));
    const Snapshot before = Snapshot::of(state, *window);
    desktop.cancelFileDialog();
    window->保存->click();
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_TRUE(desktop.writtenPaths().empty());
    Snapshot::of(state, *window).expectSame(before);

    // The icon can still be saved.
    desktop.confirmFileDialog(path("later.ico"));
    window->保存->click();
    EXPECT_EQ(readBack(path("later.ico")), before.state.outputIcon);
}

TEST_F(Saving, AnEmptyNameIsRefusedAndKeepsEverything) {
    convert(Format::Size32, encodeBmp(somePicture()));
    const Snapshot before = Snapshot::of(state, *window);
    desktop.confirmFileDialog(QString());
    window->保存->click();
    EXPECT_EQ(desktop.lastMessage().text, QStringLiteral("文件名称不能为空！"));
    EXPECT_EQ(desktop.lastMessage().title, warning);
    EXPECT_TRUE(desktop.writtenPaths().empty());
    Snapshot::of(state, *window).expectSame(before);
}

// A write that fails, by the desktop's report or for real on the disk.
struct FailedWrite {
    const char* name;
    std::optional<platform::WriteStatus> reported;  // nullopt: a real file system failure
};

void PrintTo(const FailedWrite& c, std::ostream* os) {
    *os << c.name;
}

class FailingSave : public MainWindowFixture, public ::testing::WithParamInterface<FailedWrite> {};

TEST_P(FailingSave, WarnsAndKeepsTheIconAndTheWindow) {
    window->show();
    convert(Format::Dual, encodeBmp(somePicture()));
    const Snapshot before = Snapshot::of(state, *window);

    // A "folder" that is a file cannot hold the icon, whoever runs the test (root included).
    const QString blocker = pictureFile("not-a-folder", ByteBuffer{1, 2, 3});
    QString target = blocker + QStringLiteral("/icon.ico");
    if (GetParam().reported) {
        desktop.failNextWrite(*GetParam().reported);
        target = path("reported.ico");
    }
    desktop.confirmFileDialog(target);
    window->保存->click();

    ASSERT_EQ(desktop.messages().size(), 1u);
    EXPECT_EQ(desktop.lastMessage().text, QStringLiteral("图标文件保存失败！"));
    EXPECT_EQ(desktop.lastMessage().title, warning);
    EXPECT_EQ(desktop.lastMessage().icon, platform::MessageIcon::Warning);
    Snapshot::of(state, *window).expectSame(before);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("not-a-folder"), QStringLiteral("p")}))
        << "no temporary file is left behind";

    // Saving somewhere else then works.
    desktop.confirmFileDialog(path("elsewhere.ico"));
    window->保存->click();
    EXPECT_EQ(readBack(path("elsewhere.ico")), before.state.outputIcon);
    EXPECT_TRUE(state.outputIcon.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailingSave,
    ::testing::Values(FailedWrite{"FolderIsAFile", std::nullopt},
                      FailedWrite{"CannotCreate", platform::WriteStatus::CannotCreate},
                      FailedWrite{"WriteFailed", platform::WriteStatus::WriteFailed},
                      FailedWrite{"VerifyFailed", platform::WriteStatus::VerifyFailed},
                      FailedWrite{"RenameFailed", platform::WriteStatus::RenameFailed}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Saving, AResultBoardKeepsItsBackgroundPictureThroughASaveButNotAClear) {
    convert(Format::Size16, encodeBmp(somePicture()));
    // As the editor's acceptance leaves it: the edited icon as the board's background picture.
    const ByteBuffer edited = icon::fillTemplate16(ByteBuffer(768, 0x40));
    window->图标画板1->setBackgroundPicture(edited);
    const auto withEdit = boardPixels(*window->图标画板1);
    ASSERT_FALSE(plain(*window->图标画板1));

    desktop.confirmFileDialog(path("a.ico"));
    window->保存->click();
    EXPECT_EQ(boardPixels(*window->图标画板1), withEdit);

    window->清除->click();
    EXPECT_TRUE(plain(*window->图标画板1));
}

// ---- clearing ------------------------------------------------------------------------------

TEST_F(Saving, ClearResetsTheConversionAndNothingElse) {
    convert(Format::Size16, encodeBmp(somePicture()));
    state.workIcon16 = ByteBuffer(894, 7);
    state.colorGrid16 = ColorGrid::square(16);
    state.editSize = 1;

    window->清除->click();
    EXPECT_TRUE(desktop.messages().empty()) << "no question is asked";
    EXPECT_TRUE(state.outputIcon.empty());
    EXPECT_TRUE(state.pixels16.empty());
    EXPECT_TRUE(state.pixels32.empty());
    EXPECT_TRUE(window->位图画板1->backgroundPicture().empty());
    EXPECT_TRUE(window->位图画板2->backgroundPicture().empty());
    EXPECT_TRUE(plain(*window->图标画板1));
    EXPECT_TRUE(plain(*window->图标画板2));
    EXPECT_TRUE(window->图标画板1->isVisibleTo(window.get()));
    EXPECT_FALSE(window->图标画板2->isVisibleTo(window.get())) << "the conversion hid it";
    EXPECT_FALSE(window->标签1->isVisibleTo(window.get()));
    EXPECT_TRUE(window->单选框1->isChecked());
    EXPECT_EQ(state.workIcon16, ByteBuffer(894, 7)) << "the editor's state is not touched";
    EXPECT_EQ(state.colorGrid16.cells.size(), 256u);
    EXPECT_EQ(state.editSize, 1);

    window->保存->click();
    EXPECT_EQ(desktop.lastMessage().text, nothingToSave);
}

// ---- leaving and the page on close -----------------------------------------------------------

TEST_F(Saving, LeaveEndsTheProgramWithoutAskingOrOpeningThePage) {
    window->show();
    convert(Format::Size32, encodeBmp(somePicture()));
    for (int s : {0, 3, 30}) {
        desktop.setLocalSeconds(s);
        window->退出->click();
    }
    EXPECT_EQ(endCalls, 3);
    EXPECT_TRUE(desktop.messages().empty());
    EXPECT_TRUE(desktop.openedAddresses().empty());
    EXPECT_EQ(desktop.localSecondsCalls(), 0);
    EXPECT_TRUE(window->isVisible()) << "the window is not closed on this path";
    EXPECT_TRUE(desktop.writtenPaths().empty()) << "an unsaved icon is not saved";
}

TEST(PromoteOnClose, OpensThePageWhenTheSecondsAreAMultipleOfThree) {
    int opened = 0;
    for (int s = 0; s < 60; ++s) {
        ProgramState state;
        initProgramState(state);
        ScriptedDesktop desktop;
        desktop.setLocalSeconds(s);
        int ends = 0;
        ui::MainWindow window(state, desktop, [&] { ++ends; });
        window.show();
        window.close();
        EXPECT_EQ(desktop.localSecondsCalls(), 1) << s;
        EXPECT_EQ(ends, 0) << "closing is not 退出";
        const bool expected = s % 3 == 0;
        ASSERT_EQ(desktop.openedAddresses().size(), expected ? 1u : 0u) << "second " << s;
        if (expected) {
            ++opened;
            EXPECT_EQ(desktop.openedAddresses()[0], ui::MainWindow::promotionAddress());
        }
    }
    EXPECT_EQ(opened, 20);
}

// ---- the page itself -------------------------------------------------------------------------

class AboutPage : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        saved = qgetenv("XDG_CACHE_HOME");
        hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    }
    void TearDown() override {
        if (hadCache)
            qputenv("XDG_CACHE_HOME", saved);
        else
            qunsetenv("XDG_CACHE_HOME");
    }
    QTemporaryDir home;
    QByteArray saved;
    bool hadCache = false;
};

TEST_F(AboutPage, IsALocalFileWithTheShippedPage) {
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path()));
    const QUrl url = ui::MainWindow::promotionAddress();
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    EXPECT_EQ(url.toLocalFile(), home.filePath(QStringLiteral("icogen/about.html")));
    const ByteBuffer page = readBack(url.toLocalFile());
    const QByteArray html = platform::aboutPageHtml();
    ASSERT_FALSE(html.isEmpty());
    EXPECT_EQ(page, ByteBuffer(html.begin(), html.end()));
    EXPECT_TRUE(html.contains("icogen-convert"));
    EXPECT_FALSE(html.contains("http://") || html.contains("https://"))
        << "the page needs no network";

    // An outdated copy is replaced.
    writeTestFile(url.toLocalFile(), ByteBuffer{'o', 'l', 'd'});
    EXPECT_EQ(ui::MainWindow::promotionAddress(), url);
    EXPECT_EQ(readBack(url.toLocalFile()), ByteBuffer(html.begin(), html.end()));
}

TEST_F(AboutPage, FallsBackToAPrivateTemporaryFolderWhenTheCacheCannotBeWritten) {
    const QString blocker = home.filePath(QStringLiteral("file"));
    writeTestFile(blocker, ByteBuffer{1});
    qputenv("XDG_CACHE_HOME", QFile::encodeName(blocker));
    const QUrl url = ui::MainWindow::promotionAddress();
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().startsWith(QDir::tempPath()));
    EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile());
    EXPECT_EQ(QFileInfo(QFileInfo(url.toLocalFile()).path()).permissions() &
                  (QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
}

}  // namespace
}  // namespace icogen::test::mainwin
