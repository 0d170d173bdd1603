// The program's look: Fusion on every desktop, so the windows' palette colours apply everywhere,
// with group boxes and radio buttons measured and drawn the classic way: the group box's frame is
// an etched line that runs through the middle of its title, and a radio button's text starts
// close to its circle.
#pragma once

#include <QProxyStyle>

namespace icogen::platform {

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
  public:
    ProgramStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

// Sets the program's style on the application (which takes ownership of it).
void applyProgramStyle();

}  // namespace icogen::platform
