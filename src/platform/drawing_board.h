// A drawing board: a widget the program draws on, with a border, a background colour and
// picture, an optional persistent image, a pen, a brush, a cursor and mouse events in client
// coordinates.
#pragma once

#include <QFrame>
#include <QPoint>
#include <QSize>
#include <memory>

#include "platform/board_raster.h"

namespace icogen::platform {

enum class BorderKind {
    None,         // the client area is the whole control
    SunkenEdge,   // a thin sunken edge, 1 pixel on each side
    RaisedFrame,  // a raised frame as dialog windows have, 3 pixels on each side
};

class DrawingBoard : public QFrame {
    Q_OBJECT
public:
    // `outerSize` is the control's size; the client area is what the border leaves of it.
    DrawingBoard(QWidget* parent, BorderKind border, QSize outerSize, bool persistentImage);
    ~DrawingBoard() override;

    QSize clientSize() const;
    bool hasPersistentImage() const;

    void setBackgroundColor(Color color);
    Color backgroundColor() const;
    void setBackgroundMode(BackgroundMode mode);

    // The board keeps a copy of the bytes. A board with a persistent image rebuilds it at once.
    // A board without one decodes only when it next repaints; bytes that do not decode are then
    // dropped, so backgroundPicture() reads back empty from then on.
    void setBackgroundPicture(const ByteBuffer& bytes);
    ByteBuffer backgroundPicture() const;

    void setPen(PenStyle style, int width, Color color);
    void setBrush(BrushStyle style, Color color);
    Color brushColor() const;

    void clear();
    void drawRectangle(int left, int top, int right, int bottom);
    void drawPoint(int x, int y, Color color);
    void drawPicture(const picture::Picture& picture, int x, int y);
    void drawPictureStretched(const picture::Picture* picture, int left, int top, int width,
                              int height);
    ByteBuffer snapshot() const;

    // The persistent image (boards without one keep a raster too, holding what was last painted).
    const BoardRaster& raster() const;

signals:
    void leftPressed(QPoint position);
    void mouseMoved(QPoint position);
    void leftReleased(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace icogen::platform
