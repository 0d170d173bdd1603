// The main window as it opens: every control of its layout table, the window's own properties,
// the created event, Esc and the close box, and the wiring of the push buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <map>
#include <memory>

#include "platform/app_icon.h"
#include "support/scripted_desktop.h"
#include "ui/main/main_window.h"

namespace icogen {
namespace {

using namespace Qt::Literals::StringLiterals;
using platform::DrawingBoard;
using ui::MainWindow;

const QColor blue(0, 136, 255);    // themeBackColor
const QColor yellow(255, 255, 0);  // themeTextColor

bool near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

int countPixels(const QImage& image, QColor colour, int tolerance) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixelColor(x, y), colour, tolerance)) ++n;
    return n;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        initProgramState(state);
        window = std::make_unique<MainWindow>(state, desktop, [this] { ++endProgramCalls; });
    }

    ProgramState state;
    test::ScriptedDesktop desktop;
    int endProgramCalls = 0;
    std::unique_ptr<MainWindow> window;
};

enum class Kind { GroupBox, Board, PersistentBoard, Label, Radio, Button };

struct ControlRow {
    const char16_t* name;
    Kind kind;
    const char16_t* parent;  // empty: the window itself
    QRect geometry;          // in the parent
    const char16_t* text;
    bool visible;
};

// The layout table of the main window.
const ControlRow layout[] = {
    {u"分组框2", Kind::GroupBox, u"", {6, 18, 114, 198}, u"图像文件预览", true},
    {u"位图画板1", Kind::Board, u"分组框2", {15, 18, 84, 84}, u"", true},
    {u"位图画板2", Kind::Board, u"分组框2", {15, 105, 84, 84}, u"", true},
    {u"分组框3", Kind::GroupBox, u"", {132, 18, 114, 102}, u"图标效果", true},
    {u"图标画板1", Kind::PersistentBoard, u"分组框3", {12, 30, 16, 16}, u"", true},
    {u"标签1", Kind::Label, u"分组框3", {60, 31, 42, 18}, u"16\u00D716", false},
    {u"图标画板2", Kind::PersistentBoard, u"分组框3", {12, 60, 32, 32}, u"", true},
    {u"标签2", Kind::Label, u"分组框3", {60, 69, 42, 18}, u"32\u00D732", false},
    {u"分组框1", Kind::GroupBox, u"", {132, 132, 114, 84}, u"图标格式", true},
    {u"单选框1", Kind::Radio, u"分组框1", {6, 21, 84, 18}, u"16\u00D716", true},
    {u"单选框2", Kind::Radio, u"分组框1", {6, 39, 84, 18}, u"32\u00D732", true},
    {u"单选框3", Kind::Radio, u"分组框1", {6, 57, 102, 18}, u"16\u00D716,32\u00D732", true},
    {u"选择图片", Kind::Button, u"", {258, 24, 66, 24}, u"选择图片", true},
    {u"编辑", Kind::Button, u"", {258, 53, 66, 24}, u"编\u3000\u3000辑", true},
    {u"保存", Kind::Button, u"", {258, 82, 66, 24}, u"保存图标", true},
    {u"清除", Kind::Button, u"", {258, 113, 66, 24}, u"清    除", true},
    {u"退出", Kind::Button, u"", {258, 186, 66, 24}, u"退\u3000\u3000出", true},
};

TEST_F(MainWindowTest, EveryControlIsLaidOutAsTheTableSays) {
    MainWindow& w = *window;
    w.show();
    const std::map<QString, QWidget*> members = {
        {u"分组框2"_s, w.分组框2},     {u"位图画板1"_s, w.位图画板1}, {u"位图画板2"_s, w.位图画板2},
        {u"分组框3"_s, w.分组框3},     {u"图标画板1"_s, w.图标画板1}, {u"标签1"_s, w.标签1},
        {u"图标画板2"_s, w.图标画板2}, {u"标签2"_s, w.标签2},         {u"分组框1"_s, w.分组框1},
        {u"单选框1"_s, w.单选框1},     {u"单选框2"_s, w.单选框2},     {u"单选框3"_s, w.单选框3},
        {u"选择图片"_s, w.选择图片},   {u"编辑"_s, w.编辑},           {u"保存"_s, w.保存},
        {u"清除"_s, w.清除},           {u"退出"_s, w.退出},
    };
    const QImage shot = w.grab().toImage();
    const QPalette system = QApplication::palette();

    for (const ControlRow& row : layout) {
        const QString name = QString::fromUtf16(row.name);
        SCOPED_TRACE(name.toStdString());
        const auto found = w.findChildren<QWidget*>(name);
        ASSERT_EQ(found.size(), 1);
        QWidget* c = found.front();
        EXPECT_EQ(c, members.at(name)) << "member and objectName name the same control";

        const QString parent = QString::fromUtf16(row.parent);
        EXPECT_EQ(c->parentWidget(), parent.isEmpty() ? &w : w.findChild<QWidget*>(parent));
        EXPECT_EQ(c->geometry(), row.geometry);
        EXPECT_EQ(c->isVisible(), row.visible);
        EXPECT_TRUE(c->isEnabled());
        EXPECT_FALSE(c->testAttribute(Qt::WA_SetFont)) << "no control carries a font";

        const QString text = QString::fromUtf16(row.text);
        const QPalette& p = c->palette();
        const bool tabStop = row.kind == Kind::Radio || row.kind == Kind::Button;
        EXPECT_EQ(c->focusPolicy() & Qt::TabFocus, tabStop ? Qt::TabFocus : 0);

        switch (row.kind) {
            case Kind::GroupBox: {
                auto* box = qobject_cast<QGroupBox*>(c);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->title(), text);
                EXPECT_FALSE(box->isCheckable());
                EXPECT_EQ(p.color(QPalette::Window), blue);
                EXPECT_EQ(p.color(QPalette::WindowText), yellow);
                // The title is drawn in yellow on blue.
                const QImage title = box->grab(QRect(0, 0, box->width(), 14)).toImage();
                EXPECT_GT(countPixels(title, yellow, 40), 10);
                EXPECT_GT(countPixels(title, blue, 0), title.width() * title.height() / 2);
                break;
            }
            case Kind::Board:
            case Kind::PersistentBoard: {
                auto* b = qobject_cast<DrawingBoard*>(c);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->clientSize(), row.geometry.size()) << "no border";
                EXPECT_EQ(b->hasPersistentImage(), row.kind == Kind::PersistentBoard);
                EXPECT_EQ(b->backgroundColor(), themeBackColor);
                EXPECT_EQ(b->raster().backgroundMode(), platform::BackgroundMode::CentredShrink);
                EXPECT_EQ(b->brushColor(), rgb(255, 255, 255));
                EXPECT_TRUE(b->backgroundPicture().empty());
                // Empty: a plain themeBackColor square on screen.
                const QImage board = shot.copy(QRect(b->mapTo(&w, QPoint(0, 0)), b->size()));
                EXPECT_EQ(countPixels(board, blue, 0), board.width() * board.height());
                break;
            }
            case Kind::Label: {
                auto* l = qobject_cast<QLabel*>(c);
                ASSERT_NE(l, nullptr);
                EXPECT_EQ(l->text(), text);
                EXPECT_EQ(l->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
                EXPECT_FALSE(l->wordWrap());
                EXPECT_EQ(l->frameShape(), QFrame::NoFrame);
                EXPECT_EQ(p.color(QPalette::Window), blue);
                EXPECT_EQ(p.color(QPalette::WindowText), yellow);
                const QImage drawn = l->grab().toImage();  // as it shows once it is shown
                EXPECT_GT(countPixels(drawn, yellow, 40), 10);
                EXPECT_GT(countPixels(drawn, blue, 0), drawn.width() * drawn.height() / 2);
                break;
            }
            case Kind::Radio: {
                auto* r = qobject_cast<QRadioButton*>(c);
                ASSERT_NE(r, nullptr);
                EXPECT_EQ(r->text(), text);
                EXPECT_TRUE(r->autoExclusive());
                EXPECT_EQ(p.color(QPalette::Window), blue);
                EXPECT_EQ(p.color(QPalette::WindowText), yellow);
                const QImage drawn = shot.copy(QRect(r->mapTo(&w, QPoint(0, 0)), r->size()));
                EXPECT_GT(countPixels(drawn, yellow, 40), 10);
                // Yellow on blue: the right end of the row, past the text, is background.
                EXPECT_EQ(drawn.pixelColor(drawn.width() - 1, 1), blue);
                // The whole text fits beside the circle.
                QStyleOptionButton option;
                option.initFrom(r);
                const QRect textArea =
                    r->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, r);
                EXPECT_LE(r->fontMetrics().horizontalAdvance(text), textArea.width());
                break;
            }
            case Kind::Button: {
                auto* b = qobject_cast<QPushButton*>(c);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->text(), text);
                EXPECT_FALSE(b->isDefault());
                EXPECT_FALSE(b->autoDefault());
                EXPECT_TRUE(b->icon().isNull());
                // The system's button colours, not the theme.
                for (auto role : {QPalette::Button, QPalette::ButtonText, QPalette::Window,
                                  QPalette::WindowText})
                    EXPECT_EQ(p.color(role), system.color(role)) << role;
                const QImage drawn = shot.copy(QRect(b->mapTo(&w, QPoint(0, 0)), b->size()));
                EXPECT_EQ(countPixels(drawn, yellow, 40), 0);
                EXPECT_FALSE(near(drawn.pixelColor(drawn.width() / 2, 2), blue, 30));
                break;
            }
        }
    }
}

TEST_F(MainWindowTest, WindowIsFixedCentredAndTitled) {
    MainWindow& w = *window;
    EXPECT_EQ(w.windowTitle(), u"澄溪ICO图标生成器 V1.0 BY 墨舟 QQ：31415926"_s);
    EXPECT_EQ(MainWindow::windowTitleText(), w.windowTitle());
    EXPECT_EQ(w.palette().color(QPalette::Window), blue);
    EXPECT_TRUE(w.autoFillBackground());

    // Fixed size, with room for the 324 x 216 layout and a margin.
    EXPECT_EQ(w.size(), QSize(330, 222));
    EXPECT_EQ(w.minimumSize(), w.size());
    EXPECT_EQ(w.maximumSize(), w.size());

    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::Window);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.windowType(), Qt::Window);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((w.geometry().center() - screen.center()).manhattanLength(), 2);

    // The application icon, 28 x 32.
    ASSERT_FALSE(w.windowIcon().isNull());
    EXPECT_TRUE(w.windowIcon().availableSizes().contains(QSize(28, 32)));
    const auto argb = [](const QPixmap& p) {
        return p.toImage().convertToFormat(QImage::Format_ARGB32);
    };
    EXPECT_EQ(argb(w.windowIcon().pixmap(QSize(28, 32))),
              argb(QPixmap::fromImage(platform::appIconImage())));
}

TEST_F(MainWindowTest, OpensWith32x32CheckedAndTheRadioButtonsExclusive) {
    MainWindow& w = *window;
    w.show();
    EXPECT_FALSE(w.单选框1->isChecked());
    EXPECT_TRUE(w.单选框2->isChecked());
    EXPECT_FALSE(w.单选框3->isChecked());
    EXPECT_EQ(w.checkedFormat(), ui::IconFormat::Size32);

    const struct {
        QRadioButton* click;
        ui::IconFormat format;
    } steps[] = {{w.单选框1, ui::IconFormat::Size16},
                 {w.单选框1, ui::IconFormat::Size16},  // an already checked one stays checked
                 {w.单选框3, ui::IconFormat::Dual},
                 {w.单选框2, ui::IconFormat::Size32}};
    for (const auto& step : steps) {
        QTest::mouseClick(step.click, Qt::LeftButton);
        EXPECT_EQ(w.checkedFormat(), step.format);
        const int checked =
            int(w.单选框1->isChecked()) + int(w.单选框2->isChecked()) + int(w.单选框3->isChecked());
        EXPECT_EQ(checked, 1);
    }

    // Nothing checked (only possible from code) reads as no format.
    for (QRadioButton* r : {w.单选框1, w.单选框2, w.单选框3}) r->setAutoExclusive(false);
    w.单选框2->setChecked(false);
    EXPECT_EQ(w.checkedFormat(), ui::IconFormat::None);
}

TEST_F(MainWindowTest, TabVisitsRadioButtonsAndPushButtonsOnly) {
    MainWindow& w = *window;
    std::vector<QWidget*> chain;
    for (QWidget* c = w.nextInFocusChain(); c != &w; c = c->nextInFocusChain())
        if (c->focusPolicy() & Qt::TabFocus) chain.push_back(c);
    const std::vector<QWidget*> expected = {w.单选框1, w.单选框2, w.单选框3, w.选择图片,
                                            w.编辑,    w.保存,    w.清除,    w.退出};
    EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, CreatedEventEmptiesOutputIconOnly) {
    ProgramState s;
    initProgramState(s);
    s.outputIcon.assign(894, 7);
    s.pixels16.assign(768, 1);
    MainWindow w(s, desktop, [] {});
    EXPECT_TRUE(s.outputIcon.empty());
    EXPECT_EQ(s.outputIcon.capacity(), 0u) << "a fresh buffer, not the old one cut short";
    EXPECT_EQ(s.pixels16.size(), 768u);
}

TEST_F(MainWindowTest, FileDialogComponentStartsWithItsStoredSettings) {
    const platform::FileDialogComponent& d = window->通用对话框1;
    EXPECT_EQ(d.kind, platform::FileDialogComponent::Kind::Open);
    EXPECT_TRUE(d.title.isEmpty());
    EXPECT_TRUE(d.fileName.isEmpty());
    EXPECT_EQ(d.filter, u"图像文件|*.bmp;*.jpg;*.gif;*.tif;*.pcx;*.ico;*.cur;*.png"_s);
    EXPECT_TRUE(d.defaultExtension.isEmpty());
    EXPECT_TRUE(d.fileMustExist);
    EXPECT_TRUE(d.pathMustExist);
    EXPECT_TRUE(d.askBeforeOverwrite);
    EXPECT_TRUE(d.hideReadOnly);
}

// Esc closes the window like the close box, from whichever control has the focus, and the
// will-be-destroyed handler runs on the way (it reads the clock).
TEST_F(MainWindowTest, EscAndTheCloseBoxCloseTheWindowThroughItsHandler) {
    enum class How { EscOnWindow, EscOnButton, EscOnRadio, CloseBox, OtherKey };
    for (How how :
         {How::EscOnWindow, How::EscOnButton, How::EscOnRadio, How::CloseBox, How::OtherKey}) {
        SCOPED_TRACE(static_cast<int>(how));
        SetUp();
        MainWindow& w = *window;
        w.show();
        switch (how) {
            case How::EscOnWindow:
                QTest::keyClick(&w, Qt::Key_Escape);
                break;
            case How::EscOnButton:
                w.编辑->setFocus();
                QTest::keyClick(w.编辑, Qt::Key_Escape);
                break;
            case How::EscOnRadio:
                w.单选框2->setFocus();
                QTest::keyClick(w.单选框2, Qt::Key_Escape);
                break;
            case How::CloseBox:
                w.close();
                break;
            case How::OtherKey:
                QTest::keyClick(&w, Qt::Key_Q);
                break;
        }
        const bool closes = how != How::OtherKey;
        EXPECT_EQ(w.isVisible(), !closes);
        EXPECT_EQ(desktop.localSecondsCalls(), closes ? 1 : 0);
        EXPECT_EQ(endProgramCalls, 0);
        desktop.clearRecords();
    }
}

// Each push button reaches its own handler.
TEST_F(MainWindowTest, PushButtonsAreWiredToTheirHandlers) {
    MainWindow& w = *window;
    w.show();

    desktop.cancelFileDialog();
    QTest::mouseClick(w.选择图片, Qt::LeftButton);
    EXPECT_EQ(desktop.fileDialogs().size(), 1u) << "选择图片 asks for a picture";

    // With no icon yet, 编辑 and 保存 each refuse with a message and go no further.
    std::size_t messages = desktop.messages().size();
    QTest::mouseClick(w.编辑, Qt::LeftButton);
    EXPECT_EQ(desktop.messages().size(), ++messages) << "编辑";
    EXPECT_TRUE(desktop.modalRuns().empty());
    QTest::mouseClick(w.保存, Qt::LeftButton);
    EXPECT_EQ(desktop.messages().size(), ++messages) << "保存";
    EXPECT_EQ(desktop.fileDialogs().size(), 1u);

    state.outputIcon.assign(894, 1);
    state.pixels16.assign(768, 1);
    QTest::mouseClick(w.清除, Qt::LeftButton);
    EXPECT_TRUE(state.outputIcon.empty()) << "清除 empties the icon";
    EXPECT_TRUE(state.pixels16.empty());

    EXPECT_EQ(endProgramCalls, 0);
    QTest::mouseClick(w.退出, Qt::LeftButton);
    EXPECT_EQ(endProgramCalls, 1) << "退出 ends the program";
    EXPECT_EQ(desktop.localSecondsCalls(), 0) << "without the will-be-destroyed handler";
    EXPECT_TRUE(desktop.allAnswersUsed());
}

}  // namespace
}  // namespace icogen
