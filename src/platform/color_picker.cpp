#include "platform/color_picker.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>
#include <QWidgetAction>

namespace icogen::platform {
namespace {

QColor toQColor(Color c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

constexpr int paletteColumns = 8;
constexpr int swatchSize = 16;

}  // namespace

const std::vector<Color>& ColorPicker::paletteColors() {
    // Six rows of eight: light, strong, dark and deep tints, then the greys.
    static const std::vector<Color> colors = [] {
        const std::uint32_t rrggbb[] = {
            0xFF8080, 0xFFFF80, 0x80FF80, 0x00FF80, 0x80FFFF, 0x0080FF, 0xFF80C0, 0xFF80FF,
            0xFF0000, 0xFFFF00, 0x80FF00, 0x00FF40, 0x00FFFF, 0x0080C0, 0x8080C0, 0xFF00FF,
            0x804040, 0xFF8040, 0x00FF00, 0x008080, 0x004080, 0x8080FF, 0x800040, 0xFF0080,
            0x800000, 0xFF8000, 0x008000, 0x008040, 0x0000FF, 0x0000A0, 0x800080, 0x8000FF,
            0x400000, 0x804000, 0x004000, 0x004040, 0x000080, 0x000040, 0x400040, 0x400080,
            0x000000, 0x808000, 0x808040, 0x808080, 0x408080, 0xC0C0C0, 0x404040, 0xFFFFFF,
        };
        std::vector<Color> out;
        for (std::uint32_t v : rrggbb)
            out.push_back(rgb(static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF),
                              static_cast<int>(v & 0xFF)));
        return out;
    }();
    return colors;
}

ColorPicker::ColorPicker(QWidget* parent) : QWidget(parent) {
    // Reached by mouse; Tab moves between the buttons and radio buttons only.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    chooser_ = [](QWidget* parentWidget, Color current) -> std::optional<Color> {
        const QColor chosen = QColorDialog::getColor(toQColor(current), parentWidget, QString());
        if (!chosen.isValid()) return std::nullopt;
        return rgb(chosen.red(), chosen.green(), chosen.blue());
    };
}

ColorPicker::~ColorPicker() = default;

Color ColorPicker::color() const {
    return color_;
}

void ColorPicker::setColor(Color color) {
    color &= 0x00FFFFFFu;
    if (color == color_) return;
    color_ = color;
    update();
    emit colorChanged(color_);
}

QMenu* ColorPicker::dropDown() const {
    return menu_;
}

void ColorPicker::setOtherColorChooser(OtherColorChooser chooser) {
    chooser_ = std::move(chooser);
}

void ColorPicker::chooseOtherColor() {
    if (!chooser_) return;
    if (const std::optional<Color> chosen = chooser_(this, color_)) setColor(*chosen);
}

void ColorPicker::buildDropDown() {
    menu_ = new QMenu(this);
    auto* grid = new QWidget(menu_);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    const std::vector<Color>& colors = paletteColors();
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const Color c = colors[i];
        auto* swatch = new QToolButton(grid);
        swatch->setObjectName(QStringLiteral("swatch%1").arg(i));
        swatch->setFixedSize(swatchSize + 4, swatchSize + 4);
        swatch->setAutoRaise(true);
        QPixmap pixmap(swatchSize, swatchSize);
        pixmap.fill(toQColor(c));
        {
            QPainter p(&pixmap);
            p.setPen(Qt::gray);
            p.drawRect(0, 0, swatchSize - 1, swatchSize - 1);
        }
        swatch->setIcon(QIcon(pixmap));
        swatch->setIconSize(QSize(swatchSize, swatchSize));
        swatch->setToolTip(toQColor(c).name().toUpper());
        connect(swatch, &QToolButton::clicked, this, [this, c] {
            menu_->hide();
            setColor(c);
        });
        layout->addWidget(swatch, static_cast<int>(i) / paletteColumns,
                          static_cast<int>(i) % paletteColumns);
    }
    auto* gridAction = new QWidgetAction(menu_);
    gridAction->setDefaultWidget(grid);
    menu_->addAction(gridAction);
    menu_->addSeparator();
    QAction* other = menu_->addAction(QStringLiteral("其他颜色..."));
    other->setObjectName(QStringLiteral("otherColor"));
    // Run after the menu has closed, so the dialog is not stacked on a closing popup.
    connect(other, &QAction::triggered, this, &ColorPicker::chooseOtherColor, Qt::QueuedConnection);
}

void ColorPicker::openDropDown() {
    if (!menu_) buildDropDown();
    menu_->popup(mapToGlobal(QPoint(0, height())));
}

QSize ColorPicker::sizeHint() const {
    return QSize(90, 24);
}

void ColorPicker::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = false;
    option.frame = true;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // The current colour fills the field, with a thin dark outline.
    QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    field = field.adjusted(1, 2, -2, -2);
    if (field.width() > 0 && field.height() > 0) {
        painter.fillRect(field, toQColor(color_));
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(field.adjusted(0, 0, -1, -1));
    }
}

void ColorPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        openDropDown();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void ColorPicker::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
        key == Qt::Key_F4 || (key == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        openDropDown();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace icogen::platform
