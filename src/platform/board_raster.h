// The off-screen image of a drawing board's client area. A plain class: the windows' boards
// keep one as their persistent image, and icogen-convert uses one without any window.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <optional>

#include "icon/icon_file.h"
#include "picture/picture.h"

namespace icogen::platform {

enum class PenStyle { Solid, Dotted };
enum class BrushStyle { Solid, Hollow };
enum class BackgroundMode { TopLeft, Tiled, CentredShrink };

class BoardRaster {
  public:
    BoardRaster(int width, int height, Color background = themeBackColor);

    int width() const;
    int height() const;

    // A different colour rebuilds the image from the new background (dropping what was drawn);
    // the colour it already has changes nothing.
    void setBackgroundColor(Color color);
    Color backgroundColor() const;

    // The board keeps its own copy of the picture-file bytes. Setting any background picture,
    // none included, rebuilds the image from the background. Bytes that do not decode show only
    // the background colour (the bytes are kept; see DrawingBoard for boards that drop them).
    void setBackgroundPicture(const ByteBuffer& bytes);
    const ByteBuffer& backgroundPicture() const;
    void setBackgroundMode(BackgroundMode mode);
    BackgroundMode backgroundMode() const;
    // Whether the current background bytes decoded (true when there are none).
    bool backgroundDecoded() const;

    void setPen(PenStyle style, int width, Color color);
    void setBrush(BrushStyle style, Color color);
    Color brushColor() const;  // exactly the value last set

    // Repaints the whole image with the background colour and the background picture.
    void clear();
    // Right and bottom exclusive; filled with the brush, outlined with the pen (a dotted pen
    // leaves its gaps as they were).
    void drawRectangle(int left, int top, int right, int bottom);
    // Only the low three bytes of `color` are used.
    void drawPoint(int x, int y, Color color);
    // The picture at its own size with its top-left corner at (x, y), through its transparency.
    void drawPicture(const picture::Picture& picture, int x, int y);
    // The whole picture stretched into the rectangle (aspect not kept), through its
    // transparency as picture::AlphaUse says. None draws nothing.
    void drawPictureStretched(const picture::Picture* picture, int left, int top, int width,
                              int height);

    // The pixel at (x, y) as a Color (0x00BBGGRR).
    Color pixel(int x, int y) const;

    // A complete 24-bit bottom-up BMP file of the whole image: 14-byte file header, 40-byte
    // BITMAPINFOHEADER, no palette, rows padded to 4 bytes.
    ByteBuffer snapshot() const;

    // RGB32 image for painting on screen.
    const QImage& image() const;

    // Where a picture of the given original size lands on a board of this size in the
    // centred-shrunk-to-fit mode.
    static QRect shrinkToFitPlacement(int boardWidth, int boardHeight, std::uint32_t pictureWidth,
                                      std::uint32_t pictureHeight);

  private:
    void decode();
    void rebuild();
    void composite(const picture::Picture& picture, int left, int top, int width, int height,
                   picture::AlphaUse use);
    void compositePixels(const std::uint32_t* pixels, int width, int height, int left, int top,
                         picture::AlphaUse use);

    QImage image_;
    Color background_;
    ByteBuffer pictureBytes_;
    BackgroundMode mode_ = BackgroundMode::CentredShrink;
    bool decoded_ = true;
    std::optional<picture::Picture> picture_;  // the background picture, decoded
    PenStyle penStyle_ = PenStyle::Solid;
    int penWidth_ = 1;
    Color penColor_ = 0;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    Color brushColor_ = 0x00FFFFFF;
};

}  // namespace icogen::platform
