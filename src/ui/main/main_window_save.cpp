// Saving, clearing and leaving, and the page opened now and then when the window closes.
#include <QLabel>
#include <QUrl>
#include <cmath>

#include "platform/about_page.h"
#include "ui/main/main_window.h"

namespace icogen::ui {
namespace {

const QString warningTitle = QStringLiteral("警告");

// Empties a buffer and gives its memory back.
void release(ByteBuffer& buffer) {
    ByteBuffer().swap(buffer);
}

}  // namespace

void MainWindow::save() {
    if (state_.outputIcon.empty()) {
        desktop_.showMessage(this, QStringLiteral("输出图标为空，不能被保存！"), warningTitle,
                             platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }

    通用对话框1.kind = platform::FileDialogComponent::Kind::Save;
    通用对话框1.filter = QStringLiteral("图标文件|*.ico");
    通用对话框1.fileName.clear();
    通用对话框1.defaultExtension = QStringLiteral("ico");
    // A cancelled dialog keeps the icon: the user may still save it.
    if (!desktop_.showFileDialog(this, 通用对话框1)) return;

    const QString fileName = 通用对话框1.fileName;
    if (fileName.isEmpty()) {
        desktop_.showMessage(this, QStringLiteral("文件名称不能为空！"), warningTitle,
                             platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }
    // The icon is written first, and the window reset only once it is safely on disk: a file
    // that cannot be written leaves everything as it was, so the user can save elsewhere.
    if (desktop_.writeWholeFile(fileName, state_.outputIcon) != platform::WriteStatus::Ok) {
        desktop_.showMessage(this, QStringLiteral("图标文件保存失败！"), warningTitle,
                             platform::MessageIcon::Warning, platform::MessageButtons::Ok);
        return;
    }

    位图画板1->setBackgroundPicture({});
    位图画板2->setBackgroundPicture({});
    // A result board keeps an icon the editor set as its background picture; only 清除
    // removes that.
    图标画板1->clear();
    图标画板2->clear();
    release(state_.pixels16);
    release(state_.pixels32);
    标签1->hide();
    标签2->hide();
    release(state_.outputIcon);
}

void MainWindow::clear() {
    位图画板1->setBackgroundPicture({});
    位图画板2->setBackgroundPicture({});
    图标画板1->setBackgroundPicture({});
    图标画板1->clear();
    图标画板2->setBackgroundPicture({});
    图标画板2->clear();
    release(state_.outputIcon);
    release(state_.pixels16);
    release(state_.pixels32);
    标签1->hide();
    标签2->hide();
}

void MainWindow::leave() {
    // Ends the program at once; the window is not closed, so promoteOnClose does not run.
    if (endProgram_) endProgram_();
}

void MainWindow::promoteOnClose() {
    // One close in three: when the seconds of the local time are a multiple of 3.
    const int seconds = desktop_.localSeconds();
    const double remainder = std::fmod(static_cast<double>(seconds), 3.0);
    if (std::fabs(remainder) <= 0.0000001) desktop_.openAddress(promotionAddress());
}

QUrl MainWindow::promotionAddress() {
    return platform::aboutPageUrl();
}

}  // namespace icogen::ui
