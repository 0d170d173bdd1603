// Small pictures written in every kind the program reads, for the window and CLI tests. Each
// encoder writes the same logical image, so a test can expect the same colours whatever the kind.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "icon/icon_file.h"

namespace icogen::test {

// Pixels 0xAARRGGBB, rows top-down. Alpha is 0 (transparent) or 255.
struct TestImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;

    TestImage(int w, int h, std::uint32_t fill = 0xFF000000)
        : width(w), height(h), argb(static_cast<std::size_t>(w) * h, fill) {}
    std::uint32_t& at(int x, int y) { return argb[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t at(int x, int y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
    // Fills the rectangle [x0, x1) x [y0, y1).
    void fill(int x0, int y0, int x1, int y1, std::uint32_t value);
};

// Four flat quadrants; the bottom-right one transparent when `transparentCorner`.
TestImage quadrantImage(int width, int height, std::uint32_t topLeft, std::uint32_t topRight,
                        std::uint32_t bottomLeft, std::uint32_t bottomRight,
                        bool transparentCorner = false);

enum class PictureKind { Bmp, Png, Jpeg, Gif, Ico, Pcx };
const char* kindName(PictureKind kind);
// Whether the kind can carry the image's transparent pixels.
bool keepsTransparency(PictureKind kind);

ByteBuffer encodeBmp(const TestImage& image);   // 24-bit; transparency dropped
ByteBuffer encodePng(const TestImage& image);   // RGBA
ByteBuffer encodeJpeg(const TestImage& image);  // baseline, quality 100; transparency dropped
ByteBuffer encodeGif(const TestImage& image);   // GIF89a, one transparent palette entry
ByteBuffer encodeIco(const TestImage& image);   // one 24-bit image with its AND mask
ByteBuffer encodePcx(const TestImage& image);   // 8-bit, one plane, palette at the end
ByteBuffer encode(PictureKind kind, const TestImage& image);

// A file of the given bytes; fails the test when it cannot be written.
void writeTestFile(const QString& path, const ByteBuffer& bytes);

}  // namespace icogen::test
