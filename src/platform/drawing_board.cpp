#include "platform/drawing_board.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>

namespace icogen::platform {
namespace {

int edgeWidth(BorderKind border) {
    switch (border) {
        case BorderKind::None:
            return 0;
        case BorderKind::SunkenEdge:
            return 1;
        case BorderKind::RaisedFrame:
            return 3;
    }
    return 0;
}

QSize clientOf(QSize outer, int edge) {
    return QSize(std::max(outer.width() - 2 * edge, 0), std::max(outer.height() - 2 * edge, 0));
}

}  // namespace

struct DrawingBoard::Impl {
    Impl(BorderKind b, QSize outer, bool persistent)
        : border(b),
          edge(edgeWidth(b)),
          persistent(persistent),
          raster(clientOf(outer, edge).width(), clientOf(outer, edge).height()) {}

    BorderKind border;
    int edge;
    bool persistent;
    BoardRaster raster;
    // A board without a persistent image keeps the bytes here and hands them to its raster (which
    // decodes them) only when it repaints.
    ByteBuffer bytes;
    bool bytesPending = false;
};

DrawingBoard::DrawingBoard(QWidget* parent, BorderKind border, QSize outerSize,
                           bool persistentImage)
    : QFrame(parent), d_(std::make_unique<Impl>(border, outerSize, persistentImage)) {
    setFrameStyle(QFrame::NoFrame);
    setFixedSize(outerSize);
    setContentsMargins(d_->edge, d_->edge, d_->edge, d_->edge);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    // Movements are reported whatever the buttons.
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

DrawingBoard::~DrawingBoard() = default;

QSize DrawingBoard::clientSize() const {
    return QSize(d_->raster.width(), d_->raster.height());
}

bool DrawingBoard::hasPersistentImage() const {
    return d_->persistent;
}

void DrawingBoard::setBackgroundColor(Color color) {
    if (color == d_->raster.backgroundColor()) return;
    d_->raster.setBackgroundColor(color);
    update();
}

Color DrawingBoard::backgroundColor() const {
    return d_->raster.backgroundColor();
}

void DrawingBoard::setBackgroundMode(BackgroundMode mode) {
    if (mode == d_->raster.backgroundMode()) return;
    d_->raster.setBackgroundMode(mode);
    update();
}

void DrawingBoard::setBackgroundPicture(const ByteBuffer& bytes) {
    if (d_->persistent) {
        d_->raster.setBackgroundPicture(bytes);
    } else {
        d_->bytes = bytes;
        d_->bytesPending = true;
    }
    update();
}

ByteBuffer DrawingBoard::backgroundPicture() const {
    return d_->persistent ? d_->raster.backgroundPicture() : d_->bytes;
}

void DrawingBoard::setPen(PenStyle style, int width, Color color) {
    d_->raster.setPen(style, width, color);
}

void DrawingBoard::setBrush(BrushStyle style, Color color) {
    d_->raster.setBrush(style, color);
}

Color DrawingBoard::brushColor() const {
    return d_->raster.brushColor();
}

void DrawingBoard::clear() {
    d_->raster.clear();
    update();
}

void DrawingBoard::drawRectangle(int left, int top, int right, int bottom) {
    d_->raster.drawRectangle(left, top, right, bottom);
    const QRect dirty = QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                              QPoint(std::max(left, right), std::max(top, bottom)));
    update(dirty.translated(d_->edge, d_->edge));
}

void DrawingBoard::drawPoint(int x, int y, Color color) {
    d_->raster.drawPoint(x, y, color);
    update(QRect(x + d_->edge, y + d_->edge, 1, 1));
}

void DrawingBoard::drawPicture(const picture::Picture& picture, int x, int y) {
    d_->raster.drawPicture(picture, x, y);
    const QSize size(static_cast<int>(std::min<std::uint32_t>(picture.width, 1u << 20)),
                     static_cast<int>(std::min<std::uint32_t>(picture.height, 1u << 20)));
    update(QRect(QPoint(x, y), size).translated(d_->edge, d_->edge));
}

void DrawingBoard::drawPictureStretched(const picture::Picture* picture, int left, int top,
                                        int width, int height) {
    if (!picture) return;
    d_->raster.drawPictureStretched(picture, left, top, width, height);
    update(QRect(left, top, width, height).translated(d_->edge, d_->edge));
}

ByteBuffer DrawingBoard::snapshot() const {
    return d_->raster.snapshot();
}

const BoardRaster& DrawingBoard::raster() const {
    return d_->raster;
}

void DrawingBoard::paintEvent(QPaintEvent* event) {
    if (!d_->persistent && d_->bytesPending) {
        d_->bytesPending = false;
        if (d_->bytes != d_->raster.backgroundPicture()) d_->raster.setBackgroundPicture(d_->bytes);
        // Bytes that do not decode are dropped: the board shows its background colour and holds
        // no picture from now on.
        if (!d_->raster.backgroundDecoded()) {
            d_->bytes.clear();
            d_->raster.setBackgroundPicture({});
        }
    }

    QPainter painter(this);
    const int e = d_->edge;
    const QRect client(e, e, d_->raster.width(), d_->raster.height());
    const QRect area = event->rect() & client;
    if (!area.isEmpty())
        painter.drawImage(area.topLeft(), d_->raster.image(), area.translated(-e, -e));

    if (e == 0) return;
    const QPalette& pal = palette();
    const int w = width(), h = height();
    // One ring of the border: top and left in one colour, bottom and right in another.
    auto ring = [&](int i, const QColor& topLeft, const QColor& bottomRight) {
        if (w - 2 * i <= 0 || h - 2 * i <= 0) return;
        painter.fillRect(QRect(i, i, w - 2 * i, 1), topLeft);
        painter.fillRect(QRect(i, i, 1, h - 2 * i), topLeft);
        painter.fillRect(QRect(i, h - 1 - i, w - 2 * i, 1), bottomRight);
        painter.fillRect(QRect(w - 1 - i, i, 1, h - 2 * i), bottomRight);
    };
    if (d_->border == BorderKind::SunkenEdge) {
        ring(0, pal.color(QPalette::Dark), pal.color(QPalette::Light));
    } else {
        // A raised dialog frame: light outside, highlight inside, then the button face.
        ring(0, pal.color(QPalette::Midlight), pal.color(QPalette::Shadow));
        ring(1, pal.color(QPalette::Light), pal.color(QPalette::Dark));
        ring(2, pal.color(QPalette::Button), pal.color(QPalette::Button));
    }
}

void DrawingBoard::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPointF p = event->position();
        emit leftPressed(QPoint(qFloor(p.x()) - d_->edge, qFloor(p.y()) - d_->edge));
    }
    // Taken here, so the window under the board never sees it.
    event->accept();
}

void DrawingBoard::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseMoved(QPoint(qFloor(p.x()) - d_->edge, qFloor(p.y()) - d_->edge));
    event->accept();
}

void DrawingBoard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPointF p = event->position();
        emit leftReleased(QPoint(qFloor(p.x()) - d_->edge, qFloor(p.y()) - d_->edge));
    }
    event->accept();
}

}  // namespace icogen::platform
