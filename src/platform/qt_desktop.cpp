#include "platform/qt_desktop.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTime>

namespace icogen::platform {

bool QtDesktop::showFileDialog(QWidget* parent, FileDialogComponent& dialog) {
    QFileDialog box(parent, dialog.title);
    const bool open = dialog.kind == FileDialogComponent::Kind::Open;
    box.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    box.setFileMode(open && dialog.fileMustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    box.setOption(QFileDialog::DontConfirmOverwrite, open || !dialog.askBeforeOverwrite);
    const QStringList filters = dialog.qtNameFilters();
    if (!filters.isEmpty()) box.setNameFilters(filters);
    box.setDefaultSuffix(dialog.defaultExtension);

    // Start on the file last chosen: its folder, with its name selected.
    if (!dialog.fileName.isEmpty()) {
        const QFileInfo last(dialog.fileName);
        if (QFileInfo(last.absolutePath()).isDir()) box.setDirectory(last.absolutePath());
        box.selectFile(last.fileName());
    } else {
        box.setDirectory(QDir::currentPath());
    }

    if (box.exec() != QDialog::Accepted) return false;
    const QStringList chosen = box.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return false;

    const QString path =
        QDir::cleanPath(QFileInfo(dialog.withDefaultExtension(chosen.first())).absoluteFilePath());
    const QFileInfo info(path);
    if (dialog.pathMustExist && !QFileInfo(info.absolutePath()).isDir()) return false;
    if (open && dialog.fileMustExist && !info.isFile()) return false;
    dialog.fileName = path;
    // The process's current folder follows the folder the user chose.
    QDir::setCurrent(info.absolutePath());
    return true;
}

MessageAnswer QtDesktop::showMessage(QWidget* parent, const QString& text, const QString& title,
                                     MessageIcon icon, MessageButtons buttons) {
    const bool yesNo = buttons == MessageButtons::YesNo;
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    title, text, yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    parent);
    const int result = box.exec();
    if (!yesNo) return MessageAnswer::Ok;
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void QtDesktop::runModal(QDialog& window) {
    window.exec();
}

ByteBuffer QtDesktop::readWholeFile(const QString& path) {
    return readFileBytes(path);
}

WriteStatus QtDesktop::writeWholeFile(const QString& path, const ByteBuffer& bytes) {
    return writeFileAtomically(path, bytes);
}

int QtDesktop::localSeconds() {
    return QTime::currentTime().second();
}

void QtDesktop::openAddress(const QUrl& address) {
    QDesktopServices::openUrl(address);
}

}  // namespace icogen::platform
