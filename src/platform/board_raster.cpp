#include "platform/board_raster.h"

#include <algorithm>
#include <cstring>

namespace icogen::platform {
namespace {

using picture::AlphaUse;
using picture::Picture;

// Color is 0x00BBGGRR; the image holds 0xFFRRGGBB.
QRgb toRgb(Color c) {
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}
Color fromRgb(QRgb p) {
    return rgb(qRed(p), qGreen(p), qBlue(p));
}

std::uint32_t blendChannel(std::uint32_t src, std::uint32_t dst, std::uint32_t alpha) {
    return (src * alpha + dst * (255 - alpha) + 127) / 255;
}

// One source pixel (0xAARRGGBB, straight alpha) over one board pixel.
QRgb over(std::uint32_t src, QRgb dst, AlphaUse use) {
    const std::uint32_t a = src >> 24;
    switch (use) {
        case AlphaUse::Opaque:
            return 0xFF000000u | (src & 0x00FFFFFFu);
        case AlphaUse::OverWhite:
            dst = 0xFFFFFFFFu;
            break;
        case AlphaUse::OverBoard:
            break;
    }
    if (a == 255) return 0xFF000000u | (src & 0x00FFFFFFu);
    if (a == 0) return dst;
    return qRgb(static_cast<int>(blendChannel((src >> 16) & 0xFF, qRed(dst), a)),
                static_cast<int>(blendChannel((src >> 8) & 0xFF, qGreen(dst), a)),
                static_cast<int>(blendChannel(src & 0xFF, qBlue(dst), a)));
}

// The picture's pixels at w x h: its own pixels when they already have that size, otherwise
// stretched. `storage` keeps a stretched copy alive.
const std::uint32_t* pixelsAt(const Picture& pic, std::uint32_t w, std::uint32_t h,
                              std::vector<std::uint32_t>& storage) {
    if (pic.pixelWidth == w && pic.pixelHeight == h && pic.pixels.size() >= std::uint64_t{w} * h)
        return pic.pixels.data();
    // An opaque picture's alpha means nothing, but stretching weighs colours by it: make it
    // count as fully opaque first.
    if (pic.alphaUse == AlphaUse::Opaque &&
        std::any_of(pic.pixels.begin(), pic.pixels.end(),
                    [](std::uint32_t p) { return (p >> 24) != 0xFF; })) {
        Picture solid = pic;
        for (std::uint32_t& p : solid.pixels) p |= 0xFF000000u;
        storage = picture::stretchArea(solid, w, h);
    } else {
        storage = picture::stretchArea(pic, w, h);
    }
    if (storage.size() < std::uint64_t{w} * h) return nullptr;
    return storage.data();
}

std::int64_t clampTo(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return std::min(std::max(v, lo), hi);
}

}  // namespace

BoardRaster::BoardRaster(int width, int height, Color background)
    : image_(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32),
      background_(background) {
    rebuild();
}

int BoardRaster::width() const {
    return image_.width();
}
int BoardRaster::height() const {
    return image_.height();
}

void BoardRaster::setBackgroundColor(Color color) {
    if (color == background_) return;
    background_ = color;
    rebuild();
}

Color BoardRaster::backgroundColor() const {
    return background_;
}

void BoardRaster::setBackgroundPicture(const ByteBuffer& bytes) {
    pictureBytes_ = bytes;
    decode();
    rebuild();
}

const ByteBuffer& BoardRaster::backgroundPicture() const {
    return pictureBytes_;
}

void BoardRaster::setBackgroundMode(BackgroundMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    // The decoded size depends on the mode; what shows changes with it.
    if (!pictureBytes_.empty()) {
        decode();
        rebuild();
    }
}

BackgroundMode BoardRaster::backgroundMode() const {
    return mode_;
}

bool BoardRaster::backgroundDecoded() const {
    return decoded_;
}

void BoardRaster::setPen(PenStyle style, int width, Color color) {
    penStyle_ = style;
    penWidth_ = std::max(width, 1);
    penColor_ = color;
}

void BoardRaster::setBrush(BrushStyle style, Color color) {
    brushStyle_ = style;
    brushColor_ = color;
}

Color BoardRaster::brushColor() const {
    return brushColor_;
}

void BoardRaster::clear() {
    rebuild();
}

void BoardRaster::decode() {
    picture_.reset();
    decoded_ = true;
    if (pictureBytes_.empty()) return;
    picture::DecodeOptions options;
    // The centred mode never shows a picture larger than the board: a reduced decode will do.
    if (mode_ == BackgroundMode::CentredShrink)
        options.sizeHint = static_cast<std::uint32_t>(std::max({width(), height(), 1}));
    picture::DecodeResult result = picture::decodePicture(pictureBytes_, options);
    if (!result) {
        decoded_ = false;
        return;
    }
    picture_ = std::move(result.picture);
}

void BoardRaster::rebuild() {
    if (image_.isNull()) return;
    image_.fill(toRgb(background_));
    if (!picture_) return;
    const Picture& pic = *picture_;
    // A transparent PNG shows over the background colour here, like any other picture with
    // transparency.
    const AlphaUse use = pic.alphaUse == AlphaUse::OverWhite ? AlphaUse::OverBoard : pic.alphaUse;
    switch (mode_) {
        case BackgroundMode::TopLeft:
            composite(pic, 0, 0, static_cast<int>(std::min<std::uint32_t>(pic.width, 1u << 30)),
                      static_cast<int>(std::min<std::uint32_t>(pic.height, 1u << 30)), use);
            break;
        case BackgroundMode::Tiled: {
            const auto w = static_cast<int>(std::min<std::uint32_t>(pic.width, 1u << 30));
            const auto h = static_cast<int>(std::min<std::uint32_t>(pic.height, 1u << 30));
            if (w <= 0 || h <= 0) break;
            // Stretch (when reduced) once, then repeat.
            std::vector<std::uint32_t> storage;
            const std::uint32_t* px = pixelsAt(pic, static_cast<std::uint32_t>(w),
                                               static_cast<std::uint32_t>(h), storage);
            if (!px) break;
            for (int ty = 0; ty < height(); ty += h)
                for (int tx = 0; tx < width(); tx += w) compositePixels(px, w, h, tx, ty, use);
            break;
        }
        case BackgroundMode::CentredShrink: {
            const QRect place = shrinkToFitPlacement(width(), height(), pic.width, pic.height);
            composite(pic, place.left(), place.top(), place.width(), place.height(), use);
            break;
        }
    }
}

void BoardRaster::composite(const Picture& pic, int left, int top, int w, int h, AlphaUse use) {
    if (w <= 0 || h <= 0) return;
    // Nothing of it on the board: no need to stretch.
    if (std::int64_t{left} + w <= 0 || std::int64_t{top} + h <= 0 || left >= width() ||
        top >= height())
        return;
    std::vector<std::uint32_t> storage;
    const std::uint32_t* px =
        pixelsAt(pic, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h), storage);
    if (px) compositePixels(px, w, h, left, top, use);
}

void BoardRaster::compositePixels(const std::uint32_t* px, int w, int h, int left, int top,
                                  AlphaUse use) {
    const std::int64_t x0 = clampTo(left, 0, width());
    const std::int64_t y0 = clampTo(top, 0, height());
    const std::int64_t x1 = clampTo(std::int64_t{left} + w, 0, width());
    const std::int64_t y1 = clampTo(std::int64_t{top} + h, 0, height());
    for (std::int64_t y = y0; y < y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
        const std::uint32_t* src = px + static_cast<std::size_t>(y - top) * w;
        for (std::int64_t x = x0; x < x1; ++x) line[x] = over(src[x - left], line[x], use);
    }
}

void BoardRaster::drawRectangle(int left, int top, int right, int bottom) {
    if (image_.isNull()) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left == right || top == bottom) return;

    const std::int64_t l = left, t = top, r = right, b = bottom;  // r, b exclusive
    const std::int64_t pw = penWidth_;
    const std::int64_t W = width(), H = height();

    // The inside, strictly within the outline.
    if (brushStyle_ == BrushStyle::Solid) {
        const QRgb fill = toRgb(brushColor_);
        const std::int64_t x0 = clampTo(l + pw, 0, W), x1 = clampTo(r - pw, 0, W);
        const std::int64_t y0 = clampTo(t + pw, 0, H), y1 = clampTo(b - pw, 0, H);
        for (std::int64_t y = y0; y < y1; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
            std::fill(line + x0, line + x1, fill);
        }
    }

    // The outline: the outermost pen-width columns and rows. A dotted pen (one pixel wide) sets
    // only the pixels whose x + y is even and leaves the gaps as they were.
    const QRgb pen = toRgb(penColor_);
    const bool dotted = penStyle_ == PenStyle::Dotted && penWidth_ == 1;
    const std::int64_t x0 = clampTo(l, 0, W), x1 = clampTo(r, 0, W);
    const std::int64_t y0 = clampTo(t, 0, H), y1 = clampTo(b, 0, H);
    for (std::int64_t y = y0; y < y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
        const bool edgeRow = y < t + pw || y >= b - pw;
        auto plot = [&](std::int64_t x) {
            if (!dotted || ((x + y) & 1) == 0) line[x] = pen;
        };
        if (edgeRow) {
            for (std::int64_t x = x0; x < x1; ++x) plot(x);
        } else {
            for (std::int64_t x = std::max(x0, l); x < std::min(x1, l + pw); ++x) plot(x);
            for (std::int64_t x = std::max(x0, r - pw); x < x1; ++x) plot(x);
        }
    }
}

void BoardRaster::drawPoint(int x, int y, Color color) {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = toRgb(color);
}

void BoardRaster::drawPicture(const Picture& pic, int x, int y) {
    composite(pic, x, y, static_cast<int>(std::min<std::uint32_t>(pic.width, 1u << 30)),
              static_cast<int>(std::min<std::uint32_t>(pic.height, 1u << 30)), pic.alphaUse);
}

void BoardRaster::drawPictureStretched(const Picture* pic, int left, int top, int w, int h) {
    if (!pic) return;
    composite(*pic, left, top, w, h, pic->alphaUse);
}

Color BoardRaster::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    return fromRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}

ByteBuffer BoardRaster::snapshot() const {
    const std::uint32_t w = static_cast<std::uint32_t>(width());
    const std::uint32_t h = static_cast<std::uint32_t>(height());
    const std::uint32_t stride = (w * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * h;
    const std::uint32_t fileSize = 54 + pixelBytes;
    ByteBuffer out(fileSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);  // BITMAPINFOHEADER
    put32(18, w);
    put32(22, h);  // positive: rows bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(30, 0);  // BI_RGB
    put32(34, pixelBytes);
    for (std::uint32_t row = 0; row < h; ++row) {
        const auto* line =
            reinterpret_cast<const QRgb*>(image_.constScanLine(static_cast<int>(h - 1 - row)));
        std::uint8_t* dst = out.data() + 54 + std::size_t{row} * stride;
        for (std::uint32_t x = 0; x < w; ++x) {
            dst[3 * x] = static_cast<std::uint8_t>(qBlue(line[x]));
            dst[3 * x + 1] = static_cast<std::uint8_t>(qGreen(line[x]));
            dst[3 * x + 2] = static_cast<std::uint8_t>(qRed(line[x]));
        }
    }
    return out;
}

const QImage& BoardRaster::image() const {
    return image_;
}

QRect BoardRaster::shrinkToFitPlacement(int boardWidth, int boardHeight, std::uint32_t pictureWidth,
                                        std::uint32_t pictureHeight) {
    if (boardWidth <= 0 || boardHeight <= 0 || pictureWidth == 0 || pictureHeight == 0) return {};
    const std::uint64_t W = static_cast<std::uint64_t>(boardWidth);
    const std::uint64_t H = static_cast<std::uint64_t>(boardHeight);
    std::uint64_t w = pictureWidth, h = pictureHeight;
    if (w > W || h > H) {
        // Scale by min(W / w, H / h), in integers: compare W * h with H * w.
        if (W * h <= H * w) {  // the width limits
            h = h * W / w;
            w = W;
        } else {
            w = w * H / h;
            h = H;
        }
        w = std::max<std::uint64_t>(w, 1);
        h = std::max<std::uint64_t>(h, 1);
    }
    const auto x =
        static_cast<int>((static_cast<std::int64_t>(W) - static_cast<std::int64_t>(w)) / 2);
    const auto y =
        static_cast<int>((static_cast<std::int64_t>(H) - static_cast<std::int64_t>(h)) / 2);
    return QRect(x, y, static_cast<int>(w), static_cast<int>(h));
}

}  // namespace icogen::platform
