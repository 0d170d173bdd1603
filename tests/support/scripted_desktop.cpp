#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

#include <QDialog>

namespace icogen::test {

using platform::FileDialogComponent;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::WriteStatus;

void ScriptedDesktop::confirmFileDialog(const QString& path) {
    fileAnswers_.emplace_back(path);
}
void ScriptedDesktop::cancelFileDialog() {
    fileAnswers_.emplace_back(std::nullopt);
}
void ScriptedDesktop::answerYes() {
    questionAnswers_.push_back(MessageAnswer::Yes);
}
void ScriptedDesktop::answerNo() {
    questionAnswers_.push_back(MessageAnswer::No);
}
void ScriptedDesktop::queueModal(ModalScript script) {
    modalScripts_.push_back(std::move(script));
}
void ScriptedDesktop::failNextWrite(WriteStatus status) {
    failWrite_ = status;
}
void ScriptedDesktop::failNextRead() {
    failRead_ = true;
}

ScriptedDesktop::Message ScriptedDesktop::lastMessage() const {
    if (messages_.empty()) {
        ADD_FAILURE() << "no message box was shown";
        return {};
    }
    return messages_.back();
}

bool ScriptedDesktop::allAnswersUsed() const {
    return fileAnswers_.empty() && questionAnswers_.empty() && modalScripts_.empty();
}

void ScriptedDesktop::clearRecords() {
    dialogs_.clear();
    messages_.clear();
    modalRuns_.clear();
    addresses_.clear();
    written_.clear();
    read_.clear();
    secondsCalls_ = 0;
}

bool ScriptedDesktop::showFileDialog(QWidget*, FileDialogComponent& dialog) {
    dialogs_.push_back(dialog);
    if (fileAnswers_.empty()) {
        ADD_FAILURE() << "a file dialog was shown with no answer queued; cancelling it";
        return false;
    }
    const std::optional<QString> answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    if (!answer) return false;
    dialog.fileName = dialog.withDefaultExtension(*answer);
    return true;
}

MessageAnswer ScriptedDesktop::showMessage(QWidget*, const QString& text, const QString& title,
                                           MessageIcon icon, MessageButtons buttons) {
    Message message{text, title, icon, buttons, MessageAnswer::Ok};
    if (buttons == MessageButtons::YesNo) {
        if (questionAnswers_.empty()) {
            ADD_FAILURE() << "a Yes/No box was shown with no answer queued: " << text.toStdString();
            message.answer = MessageAnswer::No;
        } else {
            message.answer = questionAnswers_.front();
            questionAnswers_.pop_front();
        }
    }
    messages_.push_back(message);
    return message.answer;
}

void ScriptedDesktop::runModal(QDialog& window) {
    modalRuns_.push_back(window.windowTitle());
    window.setModal(true);
    window.show();
    if (!modalScripts_.empty()) {
        ModalScript script = std::move(modalScripts_.front());
        modalScripts_.pop_front();
        if (script) script(window);
    }
    // What is still open is closed as the close box would close it.
    if (window.isVisible()) window.close();
}

ByteBuffer ScriptedDesktop::readWholeFile(const QString& path) {
    read_.push_back(path);
    if (failRead_) {
        failRead_ = false;
        return {};
    }
    return platform::readFileBytes(path);
}

WriteStatus ScriptedDesktop::writeWholeFile(const QString& path, const ByteBuffer& bytes) {
    written_.push_back(path);
    if (failWrite_) {
        const WriteStatus status = *failWrite_;
        failWrite_.reset();
        return status;
    }
    return platform::writeFileAtomically(path, bytes);
}

int ScriptedDesktop::localSeconds() {
    ++secondsCalls_;
    return seconds_;
}

void ScriptedDesktop::openAddress(const QUrl& address) {
    addresses_.push_back(address);
}

}  // namespace icogen::test
