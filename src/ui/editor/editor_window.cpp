#include "ui/editor/editor_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>

#include "picture/picture.h"
#include "platform/app_icon.h"
#include "platform/color_picker.h"
#include "ui/editor/pen_cursor.h"

namespace icogen::ui {
namespace {

QColor toQColor(Color c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}
Color fromQColor(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

// Background and text colours of a control, through its palette.
void setColors(QWidget* widget, Color back, Color text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, toQColor(back));
    palette.setColor(QPalette::WindowText, toQColor(text));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Push buttons keep the system's colours: every role from the application palette, so nothing
// is inherited from the themed window around them.
void setSystemColors(QWidget* widget) {
    const QPalette system = QApplication::palette(widget);
    QPalette palette;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            if (role != QPalette::NoRole) palette.setBrush(group, role, system.brush(group, role));
        }
    }
    widget->setPalette(palette);
}

Color backColorOf(const QWidget* widget) {
    return fromQColor(widget->palette().color(QPalette::Window));
}

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

bool hasSize16(IconFormat f) {
    return f == IconFormat::Size16 || f == IconFormat::Dual;
}
bool hasSize32(IconFormat f) {
    return f == IconFormat::Size32 || f == IconFormat::Dual;
}

}  // namespace

ColorGrid colorGridFromPixelRows(std::span<const std::uint8_t> rows, int side) {
    const std::size_t rowBytes = static_cast<std::size_t>(side) * 3;
    if (side <= 0 || rows.size() != rowBytes * static_cast<std::size_t>(side)) return {};
    ColorGrid grid = ColorGrid::square(side);
    for (int p = 0; p < side; ++p) {
        for (int c = 0; c < side; ++c) {
            const std::size_t at = static_cast<std::size_t>(p) * rowBytes + 3 * c;
            grid.at(p, c) = rgb(rows[at + 2], rows[at + 1], rows[at]);
        }
    }
    return grid;
}

bool canEditFormat(const ProgramState& state, IconFormat format) {
    if (format == IconFormat::None) return false;
    if (hasSize16(format) && state.pixels16.size() != icon::pixelRows16Size) return false;
    if (hasSize32(format) && state.pixels32.size() != icon::pixelRows32Size) return false;
    return true;
}

int sizeLabelHeight(const QFontMetrics& metrics) {
    return std::clamp(2 * metrics.lineSpacing(), 24, 36);
}

// ---------------------------------------------------------------------------------------------
// Shape boxes and labels

EtchedBox::EtchedBox(QWidget* parent, QSize size, const QColor& background) : QFrame(parent) {
    setFixedSize(size);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background);
    setPalette(palette);
    setAutoFillBackground(true);
}

void EtchedBox::paintEvent(QPaintEvent*) {
    // Two one-pixel outlines, drawn pixel-exact: white from (1, 1) to the right and bottom
    // edges, then black from (0, 0) to one pixel short of them. The inside is not filled.
    QPainter painter(this);
    const int w = width();
    const int h = height();
    auto outline = [&](int left, int top, int right, int bottom, const QColor& color) {
        // Right and bottom exclusive, like a board's rectangle.
        if (right <= left || bottom <= top) return;
        painter.fillRect(left, top, right - left, 1, color);
        painter.fillRect(left, bottom - 1, right - left, 1, color);
        painter.fillRect(left, top, 1, bottom - top, color);
        painter.fillRect(right - 1, top, 1, bottom - top, color);
    };
    outline(1, 1, w, h, Qt::white);
    outline(0, 0, w - 1, h - 1, Qt::black);
}

PressLabel::PressLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void PressLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit leftPressed();
    QLabel::mousePressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The window

EditorWindow::EditorWindow(ProgramState& state, platform::Desktop& desktop,
                           std::function<IconFormat()> format,
                           platform::DrawingBoard* resultBoard16,
                           platform::DrawingBoard* resultBoard32, QWidget* parent)
    : QDialog(parent),
      state_(state),
      desktop_(desktop),
      format_(std::move(format)),
      resultBoard16_(resultBoard16),
      resultBoard32_(resultBoard32) {
    buildLayout();
    connectHandlers();
    setUp();
}

EditorWindow::~EditorWindow() = default;

QString EditorWindow::windowTitleText() {
    return QStringLiteral("图标编辑");
}

void EditorWindow::buildLayout() {
    setObjectName(QStringLiteral("图标编辑"));
    setWindowTitle(windowTitleText());
    setWindowIcon(platform::appIcon());
    // A fixed frame with a close box and no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setSizeGripEnabled(false);
    setFixedSize(editorClientSize);
    setMouseTracking(true);
    {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, toQColor(themeBackColor));
        setPalette(palette);
        setAutoFillBackground(true);
    }

    using platform::BackgroundMode;
    using platform::BorderKind;
    using platform::BrushStyle;
    using platform::DrawingBoard;
    using platform::PenStyle;

    // The grid.
    画板1 = named(new DrawingBoard(this, BorderKind::SunkenEdge, QSize(258, 258), true), "画板1");
    画板1->move(6, 6);
    画板1->setBackgroundColor(gridBoardBackColor);
    画板1->setBackgroundMode(BackgroundMode::Tiled);
    画板1->setPen(PenStyle::Dotted, 1, gridPenColor);
    画板1->setBrush(BrushStyle::Solid, 0x00FFFFFF);
    画板1->setCursor(penCursor());

    // The side panel with both sizes at actual size.
    外形框1 = named(new EtchedBox(this, QSize(126, 108), toQColor(themeBackColor)), "外形框1");
    外形框1->move(270, 6);

    画板2 = named(new DrawingBoard(外形框1, BorderKind::RaisedFrame, QSize(22, 22), true), "画板2");
    画板2->move(18, 15);
    画板3 = named(new DrawingBoard(外形框1, BorderKind::RaisedFrame, QSize(38, 38), true), "画板3");
    画板3->move(12, 62);
    for (DrawingBoard* preview : {画板2, 画板3}) {
        preview->setBackgroundColor(themeBackColor);
        preview->setBackgroundMode(BackgroundMode::Tiled);
        preview->setPen(PenStyle::Solid, 1, 0x00000000);
    }
    画板2->setBrush(BrushStyle::Solid, 0x00FFFFFF);
    画板3->setBrush(BrushStyle::Hollow, 0x00FFFFFF);

    标签1 = named(new PressLabel(QStringLiteral("16x16 true"), 外形框1), "标签1");
    标签2 = named(new PressLabel(QStringLiteral("32x32 true"), 外形框1), "标签2");
    // Two lines of text: 24 pixels hold them in the classic 12-pixel GUI font; a taller font
    // gets the height of two of its lines, which still fits above the line and inside the frame.
    const int labelHeight = sizeLabelHeight(标签1->fontMetrics());
    标签1->setGeometry(60, 15, 46, labelHeight);
    标签2->setGeometry(60, 70, 46, labelHeight);
    for (QLabel* label : {static_cast<QLabel*>(标签1), static_cast<QLabel*>(标签2)}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setFrameShape(QFrame::NoFrame);
        label->setMargin(0);
        label->setIndent(0);
        setColors(label, themeBackColor, themeTextColor);
    }

    // The etched line between the two rows; its corners show the button face.
    外形框2 = named(
        new EtchedBox(外形框1, QSize(113, 2), QApplication::palette(this).color(QPalette::Button)),
        "外形框2");
    外形框2->move(7, 53);

    // The brush.
    分组框1 = named(new QGroupBox(QStringLiteral("画笔颜色"), this), "分组框1");
    分组框1->setGeometry(270, 120, 126, 36);
    setColors(分组框1, themeBackColor, themeTextColor);
    单选框1 = named(new QRadioButton(QStringLiteral("透明色"), 分组框1), "单选框1");
    单选框1->setGeometry(6, 14, 56, 18);
    单选框2 = named(new QRadioButton(QStringLiteral("调色板"), 分组框1), "单选框2");
    单选框2->setGeometry(66, 14, 56, 18);
    for (QRadioButton* radio : {单选框1, 单选框2}) {
        radio->setAutoExclusive(true);
        setColors(radio, themeBackColor, themeTextColor);
        radio->setBackgroundRole(QPalette::Window);  // buttons fill with the Button role otherwise
    }
    单选框1->setChecked(true);

    颜色选择器1 = named(new platform::ColorPicker(this), "颜色选择器1");
    颜色选择器1->setGeometry(288, 162, 90, 24);
    颜色选择器1->setColor(0x00FFFFFF);
    颜色选择器1->hide();

    按钮1 = named(new QPushButton(QStringLiteral("确定"), this), "按钮1");
    按钮1->setGeometry(278, 232, 50, 24);
    按钮2 = named(new QPushButton(QStringLiteral("取消"), this), "按钮2");
    按钮2->setGeometry(344, 232, 50, 24);
    for (QPushButton* button : {按钮1, 按钮2}) {
        // Neither is the default button: Enter does not accept or abandon the edits.
        button->setAutoDefault(false);
        button->setDefault(false);
        setSystemColors(button);
    }

    // Tab moves between the push buttons and radio buttons only.
    for (QWidget* passive : std::initializer_list<QWidget*>{画板1, 画板2, 画板3, 标签1, 标签2,
                                                            外形框1, 外形框2, 分组框1})
        passive->setFocusPolicy(Qt::NoFocus);
}

void EditorWindow::connectHandlers() {
    connect(标签1, &PressLabel::leftPressed, this, [this] { pressSizeLabel(1); });
    connect(标签2, &PressLabel::leftPressed, this, [this] { pressSizeLabel(2); });
    connect(单选框2, &QRadioButton::clicked, this, [this] { showColorPicker(); });
    connect(画板1, &platform::DrawingBoard::leftPressed, this, &EditorWindow::startStroke);
    connect(画板1, &platform::DrawingBoard::mouseMoved, this, &EditorWindow::continueStroke);
    connect(画板1, &platform::DrawingBoard::leftReleased, this, [this] { endStroke(); });
    connect(按钮1, &QPushButton::clicked, this, &EditorWindow::acceptEdits);
    connect(按钮2, &QPushButton::clicked, this, &EditorWindow::abandonEdits);
}

// ---------------------------------------------------------------------------------------------
// Opening and the grid

void EditorWindow::setUp() {
    // The layout's colours, read before anything is recoloured.
    state_.labelBackColor = backColorOf(标签1);
    state_.gridBackColor = 画板1->backgroundColor();

    const IconFormat format = format_();
    const int size = format == IconFormat::Size32 ? 2 : 1;
    drawGrid(size);
    highlightLabel(size);
    state_.editSize = size;

    if (format == IconFormat::Size16) {
        画板3->hide();
        标签2->hide();
    } else if (format == IconFormat::Size32) {
        画板2->hide();
        标签1->hide();
    }
    buildWorkIcons();
}

void EditorWindow::highlightLabel(int size) {
    setColors(size == 1 ? 标签1 : 标签2, highlightBackColor, highlightTextColor);
}

void EditorWindow::drawGrid(int size) {
    if (size != 1 && size != 2) return;
    const int s = size == 1 ? 16 : 32;
    const int d = size == 1 ? 16 : 8;
    const ColorGrid& grid = size == 1 ? state_.colorGrid16 : state_.colorGrid32;
    if (grid.rows != s || grid.columns != s || grid.cells.size() != static_cast<std::size_t>(s * s))
        return;  // never built: there is nothing to show
    // The top screen row shows element row S - 1, the top row of the image. Neighbouring
    // rectangles share their outline; later cells are drawn over earlier ones there.
    for (int g = 0; g < s; ++g) {
        for (int c = 0; c < s; ++c) {
            画板1->setBrush(platform::BrushStyle::Solid, grid.at(s - 1 - g, c));
            画板1->drawRectangle(d * c, d * g, d * c + d + 1, d * g + d + 1);
        }
    }
}

void EditorWindow::buildWorkIcons() {
    const IconFormat format = format_();
    if (hasSize16(format)) {
        state_.workIcon16 = icon::fillTemplate16(state_.pixels16);
        if (const auto decoded = picture::decodePicture(state_.workIcon16))
            画板2->drawPicture(*decoded.picture, 0, 0);
    }
    if (hasSize32(format)) {
        state_.workIcon32 = icon::fillTemplate32(state_.pixels32);
        画板3->setBackgroundPicture(state_.workIcon32);
    }
}

void EditorWindow::pressSizeLabel(int size) {
    PressLabel* pressed = size == 1 ? 标签1 : 标签2;
    PressLabel* other = size == 1 ? 标签2 : 标签1;
    setColors(pressed, highlightBackColor, highlightTextColor);
    setColors(other, state_.labelBackColor, plainTextColor);
    if (format_() == IconFormat::Dual) 画板1->clear();
    drawGrid(size);
    state_.editSize = size;
}

void EditorWindow::showColorPicker() {
    if (单选框2->isChecked()) 颜色选择器1->show();
}

// ---------------------------------------------------------------------------------------------
// Painting

void EditorWindow::startStroke(QPoint position) {
    state_.isPainting = true;
    if (单选框1->isChecked()) {
        画板1->setBrush(platform::BrushStyle::Solid, state_.gridBackColor);
        state_.previewColor = ~state_.labelBackColor;
    } else {
        // The picker's colour counts whether or not the picker is shown.
        画板1->setBrush(platform::BrushStyle::Solid, 颜色选择器1->color());
        state_.previewColor = 颜色选择器1->color();
    }
    paintCell(position.x(), position.y());
}

void EditorWindow::continueStroke(QPoint position) {
    if (state_.isPainting) paintCell(position.x(), position.y());
}

void EditorWindow::endStroke() {
    state_.isPainting = false;
}

void EditorWindow::paintCell(int x, int y) {
    // While the button is held the board keeps reporting the pointer outside its drawing area;
    // such positions have no cell.
    if (x < 0 || y < 0 || x > 255 || y > 255) return;
    const bool small = state_.editSize == 1;
    const int p = small ? 16 : 8;
    const int w = small ? 16 : 32;
    const int cx = x / p;
    const int cy = y / p;

    画板1->drawRectangle(cx * p, cy * p, cx * p + p + 1, cy * p + p + 1);

    ColorGrid& grid = small ? state_.colorGrid16 : state_.colorGrid32;
    if (grid.rows == w && grid.columns == w && grid.cells.size() == static_cast<std::size_t>(w * w))
        grid.at(w - 1 - cy, cx) = 画板1->brushColor();

    (small ? 画板2 : 画板3)->drawPoint(cx, cy, state_.previewColor);
    icon::patchWorkIcon(small ? state_.workIcon16 : state_.workIcon32, state_.editSize, cx + 1,
                        cy + 1, 单选框1->isChecked(), state_.previewColor);
}

void EditorWindow::mouseMoveEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) == nullptr) state_.isPainting = false;
    QDialog::mouseMoveEvent(event);
}

void EditorWindow::showEvent(QShowEvent* event) {
    // Centred on the screen, wherever the main window is. The frame is not known before the
    // window is first shown; a parent's frame is the best guess for it.
    if (QScreen* screen = this->screen()) {
        QSize frame = size();
        if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr)
            frame += owner->frameGeometry().size() - owner->geometry().size();
        const QRect available = screen->availableGeometry();
        move(available.center().x() - frame.width() / 2,
             available.center().y() - frame.height() / 2);
    }
    QDialog::showEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Accepting or abandoning

void EditorWindow::acceptEdits() {
    switch (format_()) {
        case IconFormat::Size16:
            if (resultBoard16_) resultBoard16_->setBackgroundPicture(state_.workIcon16);
            state_.outputIcon = state_.workIcon16;
            break;
        case IconFormat::Size32:
            if (resultBoard32_) resultBoard32_->setBackgroundPicture(state_.workIcon32);
            state_.outputIcon = state_.workIcon32;
            break;
        case IconFormat::Dual:
            if (resultBoard16_) resultBoard16_->setBackgroundPicture(state_.workIcon16);
            if (resultBoard32_) resultBoard32_->setBackgroundPicture(state_.workIcon32);
            // After a one-size conversion outputIcon is not a two-image file; it then starts
            // from a fresh two-image template rather than taking blocks its directory lacks.
            icon::putImageBlocks(state_.outputIcon, state_.workIcon16, state_.workIcon32);
            break;
        case IconFormat::None:
            break;
    }
    accept();
}

void EditorWindow::abandonEdits() {
    const auto answer =
        desktop_.showMessage(this, QStringLiteral("真的放弃编辑成果？"), QStringLiteral("信息"),
                             platform::MessageIcon::Information, platform::MessageButtons::YesNo);
    if (answer == platform::MessageAnswer::Yes) reject();
}

}  // namespace icogen::ui
