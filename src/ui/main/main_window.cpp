// The main window itself: its controls as one table, the wiring of the push buttons, the created
// event, and the window's own reaction to Esc and to being closed.
#include "ui/main/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "platform/app_icon.h"
#include "ui/main/window_title.h"

namespace icogen::ui {
namespace {

using namespace Qt::Literals::StringLiterals;

// The client area: the 324 x 216 layout with a 6-pixel margin on the right and at the bottom
// (the controls start 6 pixels in from the left and 18 from the top).
constexpr QSize clientSize{330, 222};

QColor toQColor(Color c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

// Background and text of windows, group boxes, labels and radio buttons.
void paintTheme(QWidget& widget) {
    QPalette p = widget.palette();
    p.setColor(QPalette::Window, toQColor(themeBackColor));
    p.setColor(QPalette::WindowText, toQColor(themeTextColor));
    widget.setPalette(p);
    widget.setAutoFillBackground(true);
}

// Push buttons keep the system's colours: every role set from the application palette, so
// nothing is inherited from the themed window around them.
void paintSystem(QWidget& widget) {
    const QPalette system = QApplication::palette(&widget);
    QPalette p;
    for (int g = 0; g < QPalette::NColorGroups; ++g) {
        const auto group = static_cast<QPalette::ColorGroup>(g);
        for (int r = 0; r < QPalette::NColorRoles; ++r) {
            const auto role = static_cast<QPalette::ColorRole>(r);
            if (role == QPalette::NoRole) continue;
            p.setBrush(group, role, system.brush(group, role));
        }
    }
    widget.setPalette(p);
}

template <typename T>
T* named(T* widget, const QString& name, int x, int y) {
    widget->setObjectName(name);
    widget->move(x, y);
    return widget;
}

QGroupBox* groupBox(QWidget* parent, const QString& name, const QString& title, int x, int y, int w,
                    int h) {
    auto* box = named(new QGroupBox(title, parent), name, x, y);
    box->resize(w, h);
    paintTheme(*box);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

platform::DrawingBoard* board(QWidget* parent, const QString& name, int x, int y, int side,
                              bool persistentImage) {
    auto* b = named(new platform::DrawingBoard(parent, platform::BorderKind::None,
                                               QSize(side, side), persistentImage),
                    name, x, y);
    b->setBackgroundColor(themeBackColor);
    b->setBackgroundMode(platform::BackgroundMode::CentredShrink);
    b->setPen(platform::PenStyle::Solid, 1, rgb(0, 0, 0));
    b->setBrush(platform::BrushStyle::Solid, rgb(255, 255, 255));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* l = named(new QLabel(text, parent), name, x, y);
    l->resize(42, 18);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setWordWrap(false);
    l->setFrameShape(QFrame::NoFrame);
    paintTheme(*l);
    l->setFocusPolicy(Qt::NoFocus);
    return l;
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, int x, int y,
                    int w) {
    auto* r = named(new QRadioButton(text, parent), name, x, y);
    r->resize(w, 18);
    r->setAutoExclusive(true);
    paintTheme(*r);
    r->setBackgroundRole(QPalette::Window);  // buttons fill with the Button role otherwise
    r->setFocusPolicy(Qt::StrongFocus);
    return r;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, int y) {
    auto* b = named(new QPushButton(text, parent), name, 258, y);
    b->resize(66, 24);
    b->setAutoDefault(false);
    b->setDefault(false);
    paintSystem(*b);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

}  // namespace

QString MainWindow::windowTitleText() {
    return QString::fromUtf8(ICOGEN_WINDOW_TITLE);
}

MainWindow::MainWindow(ProgramState& state, platform::Desktop& desktop,
                       std::function<void()> endProgram, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      state_(state),
      desktop_(desktop),
      endProgram_(std::move(endProgram)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(windowTitleText());
    setWindowIcon(platform::appIcon());
    setFixedSize(clientSize);
    paintTheme(*this);

    buildLayout();
    connectHandlers();

    // Centred on the screen the window opens on.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));

    created();
}

MainWindow::~MainWindow() = default;

// Every control, once, in the order of the layout table. Positions are inside the parent: the
// window's client area or the group box that holds the control.
void MainWindow::buildLayout() {
    分组框2 = groupBox(this, u"分组框2"_s, u"图像文件预览"_s, 6, 18, 114, 198);
    位图画板1 = board(分组框2, u"位图画板1"_s, 15, 18, 84, false);
    位图画板2 = board(分组框2, u"位图画板2"_s, 15, 105, 84, false);

    分组框3 = groupBox(this, u"分组框3"_s, u"图标效果"_s, 132, 18, 114, 102);
    图标画板1 = board(分组框3, u"图标画板1"_s, 12, 30, 16, true);
    标签1 = label(分组框3, u"标签1"_s, u"16×16"_s, 60, 31);
    图标画板2 = board(分组框3, u"图标画板2"_s, 12, 60, 32, true);
    标签2 = label(分组框3, u"标签2"_s, u"32×32"_s, 60, 69);
    标签1->hide();
    标签2->hide();

    分组框1 = groupBox(this, u"分组框1"_s, u"图标格式"_s, 132, 132, 114, 84);
    单选框1 = radio(分组框1, u"单选框1"_s, u"16×16"_s, 6, 21, 84);
    单选框2 = radio(分组框1, u"单选框2"_s, u"32×32"_s, 6, 39, 84);
    单选框3 = radio(分组框1, u"单选框3"_s, u"16×16,32×32"_s, 6, 57, 102);
    单选框2->setChecked(true);

    选择图片 = button(this, u"选择图片"_s, u"选择图片"_s, 24);
    编辑 = button(this, u"编辑"_s, u"编　　辑"_s, 53);
    保存 = button(this, u"保存"_s, u"保存图标"_s, 82);
    清除 = button(this, u"清除"_s, u"清    除"_s, 113);
    退出 = button(this, u"退出"_s, u"退　　出"_s, 186);

    // Tab visits the radio buttons, then the push buttons, top to bottom.
    QWidget* order[] = {单选框1, 单选框2, 单选框3, 选择图片, 编辑, 保存, 清除, 退出};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // The file dialog component's stored settings; picking and saving overwrite some of them.
    通用对话框1 = platform::FileDialogComponent{};
    通用对话框1.kind = platform::FileDialogComponent::Kind::Open;
    通用对话框1.filter = u"图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png"_s;
    通用对话框1.fileMustExist = true;
    通用对话框1.pathMustExist = true;
    通用对话框1.askBeforeOverwrite = true;
    通用对话框1.hideReadOnly = true;
}

// The push buttons are the only controls with handlers; the radio buttons have none.
void MainWindow::connectHandlers() {
    connect(选择图片, &QPushButton::clicked, this, [this] { selectPicture(); });
    connect(编辑, &QPushButton::clicked, this, [this] { edit(); });
    connect(保存, &QPushButton::clicked, this, [this] { save(); });
    connect(清除, &QPushButton::clicked, this, [this] { clear(); });
    connect(退出, &QPushButton::clicked, this, [this] { leave(); });
}

// Runs once, when every control exists.
void MainWindow::created() {
    state_.outputIcon = ByteBuffer{};
}

IconFormat MainWindow::checkedFormat() const {
    if (单选框1->isChecked()) return IconFormat::Size16;
    if (单选框2->isChecked()) return IconFormat::Size32;
    if (单选框3->isChecked()) return IconFormat::Dual;
    return IconFormat::None;
}

// The window is about to go away: its will-be-destroyed handler runs, then it closes.
void MainWindow::closeEvent(QCloseEvent* event) {
    promoteOnClose();
    event->accept();
}

// Esc closes the window exactly as the close box does. The push buttons and radio buttons leave
// Esc unhandled, so it arrives here whichever control has the focus.
void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace icogen::ui
