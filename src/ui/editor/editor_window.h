// The icon editor: a magnified grid of one icon size at a time on 画板1, both sizes at actual size
// in a framed side panel, a transparent or colour brush, and the buttons that accept or abandon
// the edits. It is opened modally by the main window and works on the program state's colour
// grids and working icons; only 确定 carries the edits back.
#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPoint>
#include <functional>
#include <span>

#include "icon/program_state.h"
#include "platform/desktop.h"
#include "platform/drawing_board.h"
#include "ui/icon_format.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace icogen::platform {
class ColorPicker;
}

namespace icogen::ui {

// The client area of the editor window; the layout needs at least 396 x 264.
inline constexpr QSize editorClientSize{402, 270};

// The background and outline colours of the grid board, as laid out.
inline constexpr Color gridBoardBackColor = 0x00A75450;  // RGB(80, 84, 167)
inline constexpr Color gridPenColor = 0x0080A080;        // RGB(128, 160, 128)
// The label of the size shown in the grid.
inline constexpr Color highlightBackColor = 0x00FF0000;  // RGB(0, 0, 255)
inline constexpr Color highlightTextColor = 0x00FFFFFF;
// The text colour a label gets back when the other size is chosen.
inline constexpr Color plainTextColor = 0x00000000;

// A colour grid of side x side built from bottom-up pixel rows (3 bytes a pixel, blue, green,
// red). Element [p][c] is column c of row p, p = 0 the bottom row. Rows of the wrong length give
// an empty grid.
ColorGrid colorGridFromPixelRows(std::span<const std::uint8_t> rows, int side);

// Whether every size the format names has complete pixel rows to edit.
bool canEditFormat(const ProgramState& state, IconFormat format);

// The height of the size labels: 24 pixels, or two lines of a taller font (at most 36, which
// still fits inside the side panel).
int sizeLabelHeight(const QFontMetrics& metrics);

// A shape box: an etched rectangle (white outline from (1, 1) to the right and bottom edges,
// then a black outline from (0, 0) to one pixel short of them) on its background colour. It is a
// container: children lie inside it. At a height of 2 it draws an etched line.
class EtchedBox : public QFrame {
    Q_OBJECT
  public:
    EtchedBox(QWidget* parent, QSize size, const QColor& background);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label that reports left-button presses.
class PressLabel : public QLabel {
    Q_OBJECT
  public:
    PressLabel(const QString& text, QWidget* parent);

  signals:
    void leftPressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class EditorWindow : public QDialog {
    Q_OBJECT
  public:
    // `format` reads the main window's checked format afresh; `resultBoard16` and `resultBoard32`
    // are the main window's result boards that accepting writes to. The set-up (labels, grid,
    // previews, working icons) runs within the constructor, as soon as every control exists.
    EditorWindow(ProgramState& state, platform::Desktop& desktop,
                 std::function<IconFormat()> format, platform::DrawingBoard* resultBoard16,
                 platform::DrawingBoard* resultBoard32, QWidget* parent = nullptr);
    ~EditorWindow() override;

    static QString windowTitleText();

    // Routines and handlers, named after what they do.
    void setUp();
    void drawGrid(int size);
    void buildWorkIcons();
    void pressSizeLabel(int size);
    void showColorPicker();
    void startStroke(QPoint position);
    void continueStroke(QPoint position);
    void endStroke();
    void paintCell(int x, int y);
    void acceptEdits();
    void abandonEdits();

    // Controls, named as they are laid out; each also carries its name as objectName.
    platform::DrawingBoard* 画板1 = nullptr;
    EtchedBox* 外形框1 = nullptr;
    platform::DrawingBoard* 画板2 = nullptr;
    PressLabel* 标签1 = nullptr;
    EtchedBox* 外形框2 = nullptr;
    platform::DrawingBoard* 画板3 = nullptr;
    PressLabel* 标签2 = nullptr;
    QGroupBox* 分组框1 = nullptr;
    QRadioButton* 单选框1 = nullptr;
    QRadioButton* 单选框2 = nullptr;
    platform::ColorPicker* 颜色选择器1 = nullptr;
    QPushButton* 按钮1 = nullptr;
    QPushButton* 按钮2 = nullptr;

  protected:
    // Moving over the window's own background (not over a control) ends a stroke.
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void buildLayout();
    void connectHandlers();
    void highlightLabel(int size);

    ProgramState& state_;
    platform::Desktop& desktop_;
    std::function<IconFormat()> format_;
    platform::DrawingBoard* resultBoard16_;
    platform::DrawingBoard* resultBoard32_;
};

}  // namespace icogen::ui
