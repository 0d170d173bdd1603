// A drop-down colour picker: shows its current colour as a swatch; opened, it offers a palette
// and "其他颜色..." for the system's colour dialog. There is no transparent choice.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "icon/icon_file.h"

class QMenu;
class QToolButton;

namespace icogen::platform {

class ColorPicker : public QWidget {
    Q_OBJECT
  public:
    explicit ColorPicker(QWidget* parent = nullptr);
    ~ColorPicker() override;

    Color color() const;
    // Sets the colour shown; the top byte is dropped. Emits colorChanged when it changes.
    void setColor(Color color);

    // The colours the palette offers, row by row.
    static const std::vector<Color>& paletteColors();

    // The drop-down, once opened (nullptr before). Its palette buttons carry the objectName
    // "swatch<index>"; its last action is "其他颜色...".
    QMenu* dropDown() const;
    // Opens the drop-down below the control without waiting for it to close.
    void openDropDown();

    // How "其他颜色..." asks for a colour: by default the system's colour dialog; tests replace
    // it. Returns none when the user cancels.
    using OtherColorChooser = std::function<std::optional<Color>(QWidget* parent, Color current)>;
    void setOtherColorChooser(OtherColorChooser chooser);
    // What "其他颜色..." does: asks the chooser and takes its colour.
    void chooseOtherColor();

  signals:
    void colorChanged(icogen::Color color);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QSize sizeHint() const override;

  private:
    void buildDropDown();

    Color color_ = 0x00FFFFFF;
    QMenu* menu_ = nullptr;
    OtherColorChooser chooser_;
};

}  // namespace icogen::platform
