#include "platform/program_style.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace icogen::platform {
namespace {

constexpr int titleIndent = 8;     // the title starts this far in from the frame's left edge
constexpr int titlePadding = 2;    // the frame line stops this far before and after the title
constexpr int indicatorSide = 13;  // radio button circle
constexpr int labelSpacing = 4;    // between the circle and the text

}  // namespace

ProgramStyle::ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int ProgramStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    switch (metric) {
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return indicatorSide;
        case PM_RadioButtonLabelSpacing:
            return labelSpacing;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QRect ProgramStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl sub, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box)
        return QProxyStyle::subControlRect(control, option, sub, widget);

    const QRect r = box->rect;
    const QFontMetrics& fm = box->fontMetrics;
    const int titleHeight = box->text.isEmpty() ? 0 : fm.height();
    const int frameTop = titleHeight / 2;
    switch (sub) {
        case SC_GroupBoxLabel: {
            if (box->text.isEmpty()) return {};
            const int w = fm.horizontalAdvance(box->text);
            return visualRect(box->direction, r,
                              QRect(r.left() + titleIndent, r.top(), w, titleHeight));
        }
        case SC_GroupBoxFrame:
            return r.adjusted(0, frameTop, 0, 0);
        case SC_GroupBoxContents:
            return r.adjusted(2, qMax(titleHeight, 2), -2, -2);
        default:
            return QProxyStyle::subControlRect(control, option, sub, widget);
    }
}

void ProgramStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    const QRect frame = subControlRect(CC_GroupBox, box, SC_GroupBoxFrame, widget);
    const QRect title = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);

    // An etched frame: a shadow line and, one pixel down and right, a light line. The line
    // stops around the title.
    if (box->subControls & SC_GroupBoxFrame) {
        QRegion clip(box->rect);
        if (!title.isEmpty()) clip -= title.adjusted(-titlePadding, 0, titlePadding, 0);
        painter->setClipRegion(clip);
        painter->setPen(box->palette.color(QPalette::Dark));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -2, -2));
        painter->setPen(box->palette.color(QPalette::Light));
        painter->drawRect(frame.adjusted(1, 1, -1, -1));
        painter->setClipping(false);
    }
    if ((box->subControls & SC_GroupBoxLabel) && !title.isEmpty()) {
        proxy()->drawItemText(painter, title,
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic, box->palette,
                              box->state & State_Enabled, box->text, QPalette::WindowText);
    }
    painter->restore();
}

void applyProgramStyle() {
    QApplication::setStyle(new ProgramStyle);
}

}  // namespace icogen::platform
