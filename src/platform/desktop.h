// Everything modal or outside the process goes through Desktop: file dialogs, message boxes,
// running a window modally, whole-file read and write, the clock and opening an address.
// QtDesktop shows the real thing; tests use a scripted double.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "icon/icon_file.h"
#include "platform/file_dialog.h"

class QWidget;
class QDialog;

namespace icogen::platform {

enum class MessageIcon { Warning, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

enum class WriteStatus { Ok, CannotCreate, WriteFailed, VerifyFailed, RenameFailed };

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Shows the dialog modally. On confirmation, dialog.fileName holds the chosen full path
    // (with the default extension added when the typed name had none) and true is returned.
    virtual bool showFileDialog(QWidget* parent, FileDialogComponent& dialog) = 0;

    virtual MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& title,
                                      MessageIcon icon, MessageButtons buttons) = 0;

    // Opens the window modally; returns once it is closed.
    virtual void runModal(QDialog& window) = 0;

    // All of the file's bytes; empty when it cannot be opened or read, or is empty.
    virtual ByteBuffer readWholeFile(const QString& path) = 0;

    // Writes to a temporary file in the target folder, flushes, reads it back, and renames it
    // over the target, so an existing file is never left half-written.
    virtual WriteStatus writeWholeFile(const QString& path, const ByteBuffer& bytes) = 0;

    // Seconds field, 0..59, of the current local time.
    virtual int localSeconds() = 0;

    // Asks the desktop to open the address with its default program; returns at once.
    virtual void openAddress(const QUrl& address) = 0;
};

// Whole-file read and atomic write on the real file system; shared by QtDesktop, the scripted
// double and icogen-convert.
ByteBuffer readFileBytes(const QString& path);
WriteStatus writeFileAtomically(const QString& path, const ByteBuffer& bytes);

// Shows the busy cursor while it lives.
class BusyCursor {
  public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

  private:
    bool active_ = false;
};

}  // namespace icogen::platform
