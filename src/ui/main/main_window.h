// The main window: two preview boards for the chosen picture, two result boards showing the icon
// at actual size, the choice of icon format and five push buttons.
#pragma once

#include <QWidget>
#include <functional>

#include "icon/program_state.h"
#include "picture/picture.h"
#include "platform/desktop.h"
#include "platform/drawing_board.h"
#include "platform/file_dialog.h"
#include "ui/icon_format.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace icogen::ui {

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // `endProgram` ends the process at once (release the state, exit code 0); `退出` calls it.
    MainWindow(ProgramState& state, platform::Desktop& desktop, std::function<void()> endProgram,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString windowTitleText();

    // The format named by the first checked radio button, read afresh.
    IconFormat checkedFormat() const;

    // Handlers, connected in one place.
    void selectPicture();
    void runConversion();
    void convert16();
    void convert32();
    void convertDual();
    void edit();
    void save();
    void clear();
    void leave();
    void promoteOnClose();

    // The promotional page, shipped with the program.
    static QUrl promotionAddress();

    // Controls, named as they are laid out; each also carries its name as objectName.
    QGroupBox* 分组框2 = nullptr;
    platform::DrawingBoard* 位图画板1 = nullptr;
    platform::DrawingBoard* 位图画板2 = nullptr;
    QGroupBox* 分组框3 = nullptr;
    platform::DrawingBoard* 图标画板1 = nullptr;
    QLabel* 标签1 = nullptr;
    platform::DrawingBoard* 图标画板2 = nullptr;
    QLabel* 标签2 = nullptr;
    QGroupBox* 分组框1 = nullptr;
    QRadioButton* 单选框1 = nullptr;
    QRadioButton* 单选框2 = nullptr;
    QRadioButton* 单选框3 = nullptr;
    QPushButton* 选择图片 = nullptr;
    QPushButton* 编辑 = nullptr;
    QPushButton* 保存 = nullptr;
    QPushButton* 清除 = nullptr;
    QPushButton* 退出 = nullptr;
    platform::FileDialogComponent 通用对话框1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildLayout();
    void connectHandlers();
    void created();

    ProgramState& state_;
    platform::Desktop& desktop_;
    std::function<void()> endProgram_;
    // The picture the conversion under way decoded; null outside runConversion.
    const picture::Picture* pictureUnderConversion_ = nullptr;
};

}  // namespace icogen::ui
