// Whole-file read and atomic write, the file dialog component's settings, the busy cursor and
// the scripted desktop the window tests rely on.
#include "platform/desktop.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <csignal>
#include <string>

#include "platform/file_dialog.h"
#include "support/scripted_desktop.h"

namespace icogen::platform {
using namespace Qt::StringLiterals;
namespace {

ByteBuffer bytesOf(const std::string& s) {
    return ByteBuffer(s.begin(), s.end());
}

void putFile(const QString& path, const ByteBuffer& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.filePath(name); }
    // Every entry of the folder, hidden ones included.
    QStringList entries() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir;
};

TEST_F(FileTest, WritesANewFileAndLeavesNothingElse) {
    const ByteBuffer icon(3262, 0x5A);
    EXPECT_EQ(writeFileAtomically(path(u"图标.ico"_s), icon), WriteStatus::Ok);
    EXPECT_EQ(readFileBytes(path(u"图标.ico"_s)), icon);
    EXPECT_EQ(entries(), QStringList{u"图标.ico"_s});
}

TEST_F(FileTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions) {
    putFile(path("a.ico"), ByteBuffer(4150, 0x11));
    ASSERT_EQ(::chmod(QFile::encodeName(path("a.ico")).constData(), 0640), 0);
    const ByteBuffer shorter(894, 0x22);
    EXPECT_EQ(writeFileAtomically(path("a.ico"), shorter), WriteStatus::Ok);
    EXPECT_EQ(readFileBytes(path("a.ico")), shorter);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path("a.ico")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), QStringList{"a.ico"});
}

TEST_F(FileTest, WritingThroughALinkReplacesItsTarget) {
    putFile(path("real.ico"), bytesOf("old"));
    ASSERT_TRUE(QFile::link(path("real.ico"), path("link.ico")));
    EXPECT_EQ(writeFileAtomically(path("link.ico"), bytesOf("new")), WriteStatus::Ok);
    EXPECT_TRUE(QFileInfo(path("link.ico")).isSymLink());
    EXPECT_EQ(readFileBytes(path("real.ico")), bytesOf("new"));
}

// Runs as another user while it lives when the tests run as root, who may write anywhere.
class AsUnprivilegedUser {
  public:
    AsUnprivilegedUser() {
        if (::geteuid() == 0) switched_ = ::seteuid(65534) == 0;
    }
    ~AsUnprivilegedUser() {
        if (switched_) {
            EXPECT_EQ(::seteuid(0), 0);
        }
    }

  private:
    bool switched_ = false;
};

TEST_F(FileTest, ReadOnlyFolderFailsAndKeepsTheOldFile) {
    const QString folder = path("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    putFile(folder + "/a.ico", bytesOf("old icon"));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    WriteStatus status;
    {
        AsUnprivilegedUser guard;
        status = writeFileAtomically(folder + "/a.ico", ByteBuffer(894, 1));
    }
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(status, WriteStatus::CannotCreate);
    EXPECT_EQ(readFileBytes(folder + "/a.ico"), bytesOf("old icon"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"a.ico"});
}

// A write that fails half-way (the file-size limit stands in for a full disk) removes the
// temporary file and leaves the old one as it was.
TEST_F(FileTest, FailedWriteRemovesTheTemporaryFile) {
    putFile(path("a.ico"), bytesOf("old icon"));
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const WriteStatus status = writeFileAtomically(path("a.ico"), ByteBuffer(4150, 7));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, WriteStatus::WriteFailed);
    EXPECT_EQ(readFileBytes(path("a.ico")), bytesOf("old icon"));
    EXPECT_EQ(entries(), QStringList{"a.ico"});
}

TEST_F(FileTest, MissingFolderOrFolderAsTargetCannotBeCreated) {
    EXPECT_EQ(writeFileAtomically(path("no/such/a.ico"), bytesOf("x")), WriteStatus::CannotCreate);
    ASSERT_TRUE(QDir().mkdir(path("sub")));
    EXPECT_EQ(writeFileAtomically(path("sub"), bytesOf("x")), WriteStatus::CannotCreate);
    EXPECT_EQ(writeFileAtomically(QString(), bytesOf("x")), WriteStatus::CannotCreate);
    EXPECT_EQ(entries(), QStringList{"sub"});
}

TEST_F(FileTest, ReadYieldsAllBytesOrNothing) {
    ByteBuffer all(70000);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i * 7);
    putFile(path("big.bin"), all);
    putFile(path("empty.bin"), {});
    ASSERT_TRUE(QDir().mkdir(path("folder")));
    EXPECT_EQ(readFileBytes(path("big.bin")), all);
    EXPECT_TRUE(readFileBytes(path("empty.bin")).empty());
    EXPECT_TRUE(readFileBytes(path("missing.bin")).empty());
    EXPECT_TRUE(readFileBytes(path("folder")).empty());
    EXPECT_TRUE(readFileBytes("/dev/zero").empty());  // not a file: no endless read
    EXPECT_TRUE(readFileBytes(QString()).empty());
}

// ---------------------------------------------------------------- file dialog component

struct FilterCase {
    std::string name;
    QString filter;
    QStringList expected;
};

class QtFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(QtFilterTest, Converts) {
    FileDialogComponent dialog;
    dialog.filter = GetParam().filter;
    EXPECT_EQ(dialog.qtNameFilters(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, QtFilterTest,
    ::testing::Values(
        FilterCase{
            "OpenDialog",
            u"图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png|所有文件(*.*)|*.*"_s,
            {u"图像文件 (*.bmp *.jpg *.gif *.tif *.pcx *.ico *.cur *.png)"_s, u"所有文件(*.*)"_s}},
        FilterCase{"SaveDialog", u"图标文件|*.ico"_s, {u"图标文件 (*.ico)"_s}},
        FilterCase{"Empty", QString(), {}},
        FilterCase{
            "DescriptionWithoutPatterns", u"图标文件|*.ico|孤立"_s, {u"图标文件 (*.ico)"_s}}),
    [](const auto& info) { return info.param.name; });

struct ExtensionCase {
    std::string name;
    QString defaultExtension;
    QString typed;
    QString expected;
};

class DefaultExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(DefaultExtensionTest, AddsOnlyWhenTheFileHasNone) {
    FileDialogComponent dialog;
    dialog.defaultExtension = GetParam().defaultExtension;
    EXPECT_EQ(dialog.withDefaultExtension(GetParam().typed), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DefaultExtensionTest,
    ::testing::Values(ExtensionCase{"Bare", "ico", "abc", "abc.ico"},
                      ExtensionCase{"OtherExtensionKept", "ico", "abc.png", "abc.png"},
                      ExtensionCase{"SameExtension", "ico", "/tmp/abc.ico", "/tmp/abc.ico"},
                      ExtensionCase{"DottedFolder", "ico", "/home/me/my.icons/abc",
                                    "/home/me/my.icons/abc.ico"},
                      ExtensionCase{"TrailingDot", "ico", "/tmp/abc.", "/tmp/abc.ico"},
                      ExtensionCase{"HiddenName", "ico", "/tmp/.abc", "/tmp/.abc.ico"},
                      ExtensionCase{"EmptyNameStaysEmpty", "ico", "", ""},
                      ExtensionCase{"NoDefault", "", "abc", "abc"},
                      ExtensionCase{"DefaultWithDot", ".ico", "abc", "abc.ico"}),
    [](const auto& info) { return info.param.name; });

TEST(BusyCursor, ShowsTheWaitCursorWhileItLives) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyCursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ---------------------------------------------------------------- scripted desktop

using test::ScriptedDesktop;

TEST(ScriptedDesktop, FileDialogAnswersAndRecordsSettings) {
    ScriptedDesktop desktop;
    FileDialogComponent dialog;
    dialog.kind = FileDialogComponent::Kind::Save;
    dialog.defaultExtension = "ico";
    dialog.fileName = "/before/x.bmp";
    desktop.confirmFileDialog("/tmp/out");
    desktop.cancelFileDialog();
    EXPECT_TRUE(desktop.showFileDialog(nullptr, dialog));
    EXPECT_EQ(dialog.fileName, "/tmp/out.ico");
    EXPECT_FALSE(desktop.showFileDialog(nullptr, dialog));
    EXPECT_EQ(dialog.fileName, "/tmp/out.ico");
    ASSERT_EQ(desktop.fileDialogs().size(), 2u);
    EXPECT_EQ(desktop.fileDialogs()[0].fileName, "/before/x.bmp");
    EXPECT_EQ(desktop.fileDialogs()[0].kind, FileDialogComponent::Kind::Save);
    EXPECT_EQ(desktop.fileDialogs()[1].fileName, "/tmp/out.ico");
    EXPECT_TRUE(desktop.allAnswersUsed());
}

TEST(ScriptedDesktop, RecordsMessagesAndAnswersQuestions) {
    ScriptedDesktop desktop;
    desktop.answerYes();
    EXPECT_EQ(desktop.showMessage(nullptr, u"你还未载入图像文件！"_s, u"警告"_s,
                                  MessageIcon::Warning, MessageButtons::Ok),
              MessageAnswer::Ok);
    EXPECT_EQ(desktop.showMessage(nullptr, u"真的放弃编辑成果？"_s, u"信息"_s,
                                  MessageIcon::Information, MessageButtons::YesNo),
              MessageAnswer::Yes);
    ASSERT_EQ(desktop.messages().size(), 2u);
    EXPECT_EQ(desktop.messages()[0].text, u"你还未载入图像文件！"_s);
    EXPECT_EQ(desktop.messages()[0].title, u"警告"_s);
    EXPECT_EQ(desktop.lastMessage().icon, MessageIcon::Information);
    EXPECT_EQ(desktop.lastMessage().buttons, MessageButtons::YesNo);
}

TEST(ScriptedDesktop, UnansweredQuestionFailsTheTestAndAnswersNo) {
    ScriptedDesktop desktop;
    MessageAnswer answer = MessageAnswer::Yes;
    EXPECT_NONFATAL_FAILURE(answer = desktop.showMessage(
                                nullptr, "?", "t", MessageIcon::Information, MessageButtons::YesNo),
                            "no answer queued");
    EXPECT_EQ(answer, MessageAnswer::No);
}

TEST(ScriptedDesktop, RunModalRunsTheScriptThenClosesTheWindow) {
    ScriptedDesktop desktop;
    QDialog window;
    window.setWindowTitle(u"图标编辑"_s);
    auto* button = new QPushButton("ok", &window);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    bool wasVisible = false;
    desktop.queueModal([&](QDialog& shown) {
        wasVisible = shown.isVisible();
        shown.findChild<QPushButton*>()->click();
    });
    desktop.runModal(window);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(desktop.modalRuns(), std::vector<QString>{u"图标编辑"_s});
}

TEST_F(FileTest, ScriptedWritesCanFailWithoutTouchingTheDisk) {
    ScriptedDesktop desktop;
    desktop.failNextWrite();
    EXPECT_EQ(desktop.writeWholeFile(path("a.ico"), bytesOf("x")), WriteStatus::WriteFailed);
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(desktop.writeWholeFile(path("a.ico"), bytesOf("x")), WriteStatus::Ok);
    EXPECT_EQ(desktop.readWholeFile(path("a.ico")), bytesOf("x"));
    desktop.failNextRead();
    EXPECT_TRUE(desktop.readWholeFile(path("a.ico")).empty());
    EXPECT_EQ(desktop.writtenPaths().size(), 2u);
}

}  // namespace
}  // namespace icogen::platform
