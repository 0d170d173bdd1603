// The Desktop of the running program: real dialogs, message boxes, files, clock and shell.
#pragma once

#include "platform/desktop.h"

namespace icogen::platform {

class QtDesktop : public Desktop {
  public:
    bool showFileDialog(QWidget* parent, FileDialogComponent& dialog) override;
    MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& title,
                              MessageIcon icon, MessageButtons buttons) override;
    void runModal(QDialog& window) override;
    ByteBuffer readWholeFile(const QString& path) override;
    WriteStatus writeWholeFile(const QString& path, const ByteBuffer& bytes) override;
    int localSeconds() override;
    void openAddress(const QUrl& address) override;
};

}  // namespace icogen::platform
