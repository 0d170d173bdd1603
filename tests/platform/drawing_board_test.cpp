// The drawing-board widget: borders and client areas, mouse events in client coordinates,
// drawing while hidden, and the preview boards that decode only when they repaint.
#include "platform/drawing_board.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <string>

#include "picture_builders.h"

namespace icogen::platform {
namespace {

struct BorderCase {
    std::string name;
    BorderKind border;
    QSize outer;
    QSize client;
    int edge;
};

class BoardBorderTest : public ::testing::TestWithParam<BorderCase> {};

// The editor's grid and previews and the main window's boards: the client area is what the
// border leaves, it is what is painted from the image, and the border is painted around it.
TEST_P(BoardBorderTest, ClientAreaAndPainting) {
    const BorderCase& c = GetParam();
    DrawingBoard board(nullptr, c.border, c.outer, true);
    EXPECT_EQ(board.size(), c.outer);
    EXPECT_EQ(board.clientSize(), c.client);
    EXPECT_EQ(board.contentsRect().topLeft(), QPoint(c.edge, c.edge));
    const ByteBuffer shot = board.snapshot();
    EXPECT_EQ(shot.size(), 54u + static_cast<std::size_t>(((c.client.width() * 3 + 3) & ~3) *
                                                          c.client.height()));

    board.setBackgroundColor(0x00A75450);
    board.drawPoint(0, 0, 0x000000FF);
    board.drawPoint(c.client.width() - 1, c.client.height() - 1, 0x0000FF00);
    const QImage shown = board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), c.outer);
    const int e = c.edge;
    EXPECT_EQ(shown.pixel(e, e), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(e + c.client.width() - 1, e + c.client.height() - 1), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(e + 1, e), qRgb(80, 84, 167));
    if (e > 0) {
        // The border is not the client's colour, and its top-left and bottom-right differ.
        EXPECT_NE(shown.pixel(0, 0), qRgb(80, 84, 167));
        EXPECT_NE(shown.pixel(0, c.outer.height() / 2),
                  shown.pixel(c.outer.width() - 1, c.outer.height() / 2));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boards, BoardBorderTest,
    ::testing::Values(BorderCase{"EditorGrid", BorderKind::SunkenEdge, {258, 258}, {256, 256}, 1},
                      BorderCase{"Preview16", BorderKind::RaisedFrame, {22, 22}, {16, 16}, 3},
                      BorderCase{"Preview32", BorderKind::RaisedFrame, {38, 38}, {32, 32}, 3},
                      BorderCase{"MainPreview", BorderKind::None, {84, 84}, {84, 84}, 0},
                      BorderCase{"Result16", BorderKind::None, {16, 16}, {16, 16}, 0}),
    [](const auto& info) { return info.param.name; });

// A window that counts the movements that reach its own background.
class CountingWindow : public QWidget {
  public:
    CountingWindow() { setMouseTracking(true); }
    int moves = 0;

  protected:
    void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

class BoardMouseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(300, 300);
        board = new DrawingBoard(&window, BorderKind::SunkenEdge, {258, 258}, true);
        board->move(6, 6);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    CountingWindow window;
    DrawingBoard* board = nullptr;
};

TEST_F(BoardMouseTest, EventsInClientCoordinates) {
    QSignalSpy pressed(board, &DrawingBoard::leftPressed);
    QSignalSpy moved(board, &DrawingBoard::mouseMoved);
    QSignalSpy released(board, &DrawingBoard::leftReleased);

    QTest::mousePress(board, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(board, QPoint(41, 251));
    QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(256, 1));
    QTest::mousePress(board, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(board, Qt::RightButton, {}, QPoint(10, 10));

    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).toPoint(), QPoint(0, 0));
    ASSERT_GE(moved.count(), 1);
    EXPECT_EQ(moved.last().at(0).toPoint(), QPoint(40, 250));
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released.at(0).at(0).toPoint(), QPoint(255, 0));
}

// Movements are reported without a button too, and beyond the client area while dragging.
TEST_F(BoardMouseTest, MovesWhateverTheButtonsAndOutside) {
    QSignalSpy moved(board, &DrawingBoard::mouseMoved);
    QMouseEvent free(QEvent::MouseMove, QPointF(11, 21), board->mapToGlobal(QPointF(11, 21)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(board, &free);
    QMouseEvent outside(QEvent::MouseMove, QPointF(-4, 300), board->mapToGlobal(QPointF(-4, 300)),
                        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(board, &outside);
    ASSERT_EQ(moved.count(), 2);
    EXPECT_EQ(moved.at(0).at(0).toPoint(), QPoint(10, 20));
    EXPECT_EQ(moved.at(1).at(0).toPoint(), QPoint(-5, 299));
}

// The window's own background hears only the movements that are not over the board.
TEST_F(BoardMouseTest, MovesOverTheBoardDoNotReachTheWindow) {
    QTest::mouseMove(&window, QPoint(100, 100));  // over the board
    EXPECT_EQ(window.moves, 0);
    QTest::mouseMove(&window, QPoint(280, 280));  // beside it
    EXPECT_EQ(window.moves, 1);
}

TEST(DrawingBoard, PersistentImageTakesDrawingsWhileHidden) {
    DrawingBoard board(nullptr, BorderKind::None, {16, 16}, true);
    ASSERT_FALSE(board.isVisible());
    board.setPen(PenStyle::Solid, 1, 0x00000000);
    board.setBrush(BrushStyle::Solid, 0x000000FF);
    board.drawRectangle(0, 0, 16, 16);
    const auto pic = testing::solidPicture(4, 4, 0xFF00FF00u);
    board.drawPictureStretched(&pic, 0, 0, 2, 2);
    EXPECT_EQ(board.raster().pixel(1, 1), rgb(0, 255, 0));
    EXPECT_EQ(board.raster().pixel(5, 5), rgb(255, 0, 0));
    const ByteBuffer shot = board.snapshot();
    ASSERT_EQ(shot.size(), 822u);
    // Pixel (5, 5) lies in file row 10 (rows bottom-up): blue 0, green 0, red 255.
    EXPECT_EQ(shot[54 + 10 * 48 + 15], 0x00);
    EXPECT_EQ(shot[54 + 10 * 48 + 16], 0x00);
    EXPECT_EQ(shot[54 + 10 * 48 + 17], 0xFF);
}

class PreviewBoardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        board.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&board));
    }
    DrawingBoard board{nullptr, BorderKind::None, {84, 84}, false};
};

// A board without a persistent image keeps the bytes until it repaints, then drops what does
// not decode.
TEST_F(PreviewBoardTest, DropsUndecodableBytesAtRepaint) {
    const ByteBuffer junk{'I', 'I', '*', 0, 8, 0, 0, 0};  // a TIFF start: no picture
    board.setBackgroundPicture(junk);
    EXPECT_EQ(board.backgroundPicture(), junk);  // still held: nothing has repainted
    board.repaint();
    EXPECT_TRUE(board.backgroundPicture().empty());
    EXPECT_EQ(board.raster().pixel(42, 42), themeBackColor);
}

TEST_F(PreviewBoardTest, KeepsAndShowsDecodableBytes) {
    const ByteBuffer png = testing::pngFile(200, 100, [](int, int) { return 0xFFFF0000u; });
    board.setBackgroundPicture(png);
    EXPECT_EQ(board.raster().pixel(42, 42), themeBackColor);  // not decoded before repainting
    board.repaint();
    EXPECT_EQ(board.backgroundPicture(), png);
    EXPECT_EQ(board.raster().pixel(42, 20), themeBackColor);
    EXPECT_EQ(board.raster().pixel(42, 21), rgb(255, 0, 0));
    const QImage shown = board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(42, 21), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(42, 63), qRgb(0, 136, 255));

    // Emptying it shows the plain background at the next repaint.
    board.setBackgroundPicture({});
    board.repaint();
    EXPECT_TRUE(board.backgroundPicture().empty());
    EXPECT_EQ(board.raster().pixel(42, 21), themeBackColor);
}

TEST(DrawingBoard, PersistentBoardKeepsUndecodableBytes) {
    DrawingBoard board(nullptr, BorderKind::None, {16, 16}, true);
    const ByteBuffer junk{'x', 'y', 'z'};
    board.setBackgroundPicture(junk);
    EXPECT_EQ(board.backgroundPicture(), junk);
    EXPECT_EQ(board.raster().pixel(3, 3), themeBackColor);
}

}  // namespace
}  // namespace icogen::platform
