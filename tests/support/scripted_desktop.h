// A Desktop for tests: file dialogs, questions and modal windows are answered from queues, and
// every showing is recorded so a test can assert exactly what the user would have seen.
#pragma once

#include <QString>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/desktop.h"

namespace icogen::test {

class ScriptedDesktop : public platform::Desktop {
  public:
    struct Message {
        QString text;
        QString title;
        platform::MessageIcon icon = platform::MessageIcon::Warning;
        platform::MessageButtons buttons = platform::MessageButtons::Ok;
        platform::MessageAnswer answer = platform::MessageAnswer::Ok;
    };
    // Drives the shown window with QTest events or direct clicks.
    using ModalScript = std::function<void(QDialog&)>;

    // --- answers, used in the order they were queued ---
    // The next file dialog is confirmed with this path (the default extension is added as the
    // real dialog would); an empty path is confirmed as typed.
    void confirmFileDialog(const QString& path);
    void cancelFileDialog();
    // Answers for Yes/No boxes. A Yes/No box with nothing queued fails the test and answers No.
    void answerYes();
    void answerNo();
    // Script for the next runModal. Without one, the window is shown and closed at once.
    void queueModal(ModalScript script);
    // The next write returns `status` without touching the disk.
    void failNextWrite(platform::WriteStatus status = platform::WriteStatus::WriteFailed);
    // The next read yields empty bytes without touching the disk.
    void failNextRead();
    void setLocalSeconds(int seconds) { seconds_ = seconds; }

    // --- records ---
    // A copy of the component's settings at each showing, before the answer was applied.
    const std::vector<platform::FileDialogComponent>& fileDialogs() const { return dialogs_; }
    const std::vector<Message>& messages() const { return messages_; }
    // The last message box; fails the test when there was none.
    Message lastMessage() const;
    // Window titles of the windows run modally, in order.
    const std::vector<QString>& modalRuns() const { return modalRuns_; }
    const std::vector<QUrl>& openedAddresses() const { return addresses_; }
    const std::vector<QString>& writtenPaths() const { return written_; }
    const std::vector<QString>& readPaths() const { return read_; }
    int localSecondsCalls() const { return secondsCalls_; }

    // Whether every queued answer was used.
    bool allAnswersUsed() const;
    // Forgets the records (not the queues).
    void clearRecords();

    // --- Desktop ---
    bool showFileDialog(QWidget* parent, platform::FileDialogComponent& dialog) override;
    platform::MessageAnswer showMessage(QWidget* parent, const QString& text, const QString& title,
                                        platform::MessageIcon icon,
                                        platform::MessageButtons buttons) override;
    void runModal(QDialog& window) override;
    ByteBuffer readWholeFile(const QString& path) override;
    platform::WriteStatus writeWholeFile(const QString& path, const ByteBuffer& bytes) override;
    int localSeconds() override;
    void openAddress(const QUrl& address) override;

  private:
    std::deque<std::optional<QString>> fileAnswers_;  // nullopt: cancel
    std::deque<platform::MessageAnswer> questionAnswers_;
    std::deque<ModalScript> modalScripts_;
    std::optional<platform::WriteStatus> failWrite_;
    bool failRead_ = false;
    int seconds_ = 1;

    std::vector<platform::FileDialogComponent> dialogs_;
    std::vector<Message> messages_;
    std::vector<QString> modalRuns_;
    std::vector<QUrl> addresses_;
    std::vector<QString> written_;
    std::vector<QString> read_;
    int secondsCalls_ = 0;
};

}  // namespace icogen::test
