// Pictures and picture files made in the test itself.
#pragma once

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <functional>

#include "icon/icon_file.h"
#include "picture/picture.h"

namespace icogen::platform::testing {

// A picture of w x h whose pixel (x, y) is `at(x, y)`, 0xAARRGGBB.
inline picture::Picture makePicture(std::uint32_t w, std::uint32_t h,
                                    const std::function<std::uint32_t(int, int)>& at,
                                    picture::AlphaUse use = picture::AlphaUse::Opaque,
                                    picture::Kind kind = picture::Kind::Bmp) {
    picture::Picture pic;
    pic.kind = kind;
    pic.width = pic.pixelWidth = w;
    pic.height = pic.pixelHeight = h;
    pic.alphaUse = use;
    pic.pixels.resize(std::size_t{w} * h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            pic.pixels[std::size_t{y} * w + x] = at(static_cast<int>(x), static_cast<int>(y));
    return pic;
}

inline picture::Picture solidPicture(std::uint32_t w, std::uint32_t h, std::uint32_t argb,
                                     picture::AlphaUse use = picture::AlphaUse::Opaque) {
    return makePicture(
        w, h, [argb](int, int) { return argb; }, use);
}

// 0xAARRGGBB of an opaque Color (0x00BBGGRR).
constexpr std::uint32_t argbOf(Color c) {
    return 0xFF000000u | static_cast<std::uint32_t>(redOf(c)) << 16 |
           static_cast<std::uint32_t>(greenOf(c)) << 8 | static_cast<std::uint32_t>(blueOf(c));
}
constexpr Color colorOf(std::uint32_t argb) {
    return rgb(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
               static_cast<int>(argb & 0xFF));
}

// A PNG file of w x h whose pixel (x, y) is `at(x, y)`, 0xAARRGGBB, alpha kept.
inline ByteBuffer pngFile(int w, int h, const std::function<std::uint32_t(int, int)>& at) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, at(x, y));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ByteBuffer(data.begin(), data.end());
}

// A 24-bit bottom-up BMP file, written byte by byte.
inline ByteBuffer bmpFile(int w, int h, const std::function<Color(int, int)>& at) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
    const std::uint32_t size = 54 + stride * static_cast<std::uint32_t>(h);
    ByteBuffer out(size, 0);
    auto put = [&](std::size_t at32, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out[at32 + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(w), 4);
    put(22, static_cast<std::uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, stride * static_cast<std::uint32_t>(h), 4);
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        for (int x = 0; x < w; ++x) {
            const Color c = at(x, y);
            std::uint8_t* p = out.data() + 54 + static_cast<std::size_t>(row) * stride + 3 * x;
            p[0] = static_cast<std::uint8_t>(blueOf(c));
            p[1] = static_cast<std::uint8_t>(greenOf(c));
            p[2] = static_cast<std::uint8_t>(redOf(c));
        }
    }
    return out;
}

}  // namespace icogen::platform::testing
