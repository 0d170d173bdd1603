#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <map>

namespace icogen::test {
namespace {

void put16(ByteBuffer& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void put32(ByteBuffer& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
bool transparent(std::uint32_t argb) {
    return (argb >> 24) == 0;
}
std::uint8_t red(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb >> 16);
}
std::uint8_t green(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb >> 8);
}
std::uint8_t blue(std::uint32_t argb) {
    return static_cast<std::uint8_t>(argb);
}

// The image's opaque colours as palette indices (at most 255 of them); transparent pixels get
// index 255.
struct Indexed {
    std::vector<std::uint32_t> palette = std::vector<std::uint32_t>(256, 0xFFFF00FF);
    std::vector<std::uint8_t> indices;
    bool anyTransparent = false;
};
Indexed indexed(const TestImage& image) {
    Indexed out;
    std::map<std::uint32_t, int> seen;
    for (std::uint32_t p : image.argb) {
        if (transparent(p)) {
            out.indices.push_back(255);
            out.anyTransparent = true;
            continue;
        }
        auto [it, added] = seen.emplace(p | 0xFF000000, static_cast<int>(seen.size()));
        if (added) {
            if (it->second >= 255) ADD_FAILURE() << "test picture has too many colours";
            out.palette[static_cast<std::size_t>(it->second) & 0xFF] = p;
        }
        out.indices.push_back(static_cast<std::uint8_t>(it->second));
    }
    return out;
}

ByteBuffer viaQt(const TestImage& image, QImage::Format format, const char* qtFormat, int quality) {
    QImage q(image.width, image.height, format);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            q.setPixel(
                x, y,
                format == QImage::Format_ARGB32 ? image.at(x, y) : (image.at(x, y) | 0xFF000000));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!q.save(&buffer, qtFormat, quality)) ADD_FAILURE() << "Qt cannot write " << qtFormat;
    return ByteBuffer(bytes.begin(), bytes.end());
}

}  // namespace

void TestImage::fill(int x0, int y0, int x1, int y1, std::uint32_t value) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) at(x, y) = value;
}

TestImage quadrantImage(int width, int height, std::uint32_t topLeft, std::uint32_t topRight,
                        std::uint32_t bottomLeft, std::uint32_t bottomRight,
                        bool transparentCorner) {
    TestImage image(width, height);
    const int mx = width / 2, my = height / 2;
    image.fill(0, 0, mx, my, topLeft);
    image.fill(mx, 0, width, my, topRight);
    image.fill(0, my, mx, height, bottomLeft);
    image.fill(mx, my, width, height, transparentCorner ? (bottomRight & 0x00FFFFFF) : bottomRight);
    return image;
}

const char* kindName(PictureKind kind) {
    switch (kind) {
        case PictureKind::Bmp:
            return "Bmp";
        case PictureKind::Png:
            return "Png";
        case PictureKind::Jpeg:
            return "Jpeg";
        case PictureKind::Gif:
            return "Gif";
        case PictureKind::Ico:
            return "Ico";
        case PictureKind::Pcx:
            return "Pcx";
    }
    return "?";
}

bool keepsTransparency(PictureKind kind) {
    return kind == PictureKind::Png || kind == PictureKind::Gif || kind == PictureKind::Ico;
}

ByteBuffer encodeBmp(const TestImage& image) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
    const std::uint32_t dataSize = stride * static_cast<std::uint32_t>(image.height);
    ByteBuffer b{'B', 'M'};
    put32(b, 54 + dataSize);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(image.width));
    put32(b, static_cast<std::uint32_t>(image.height));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, dataSize);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < image.width; ++x, written += 3) {
            const std::uint32_t p = image.at(x, y);
            b.insert(b.end(), {blue(p), green(p), red(p)});
        }
        for (; written < stride; ++written) b.push_back(0);
    }
    return b;
}

ByteBuffer encodePng(const TestImage& image) {
    return viaQt(image, QImage::Format_ARGB32, "PNG", -1);
}

ByteBuffer encodeJpeg(const TestImage& image) {
    return viaQt(image, QImage::Format_RGB32, "JPEG", 100);
}

ByteBuffer encodeGif(const TestImage& image) {
    const Indexed ix = indexed(image);
    ByteBuffer b{'G', 'I', 'F', '8', '9', 'a'};
    put16(b, static_cast<unsigned>(image.width));
    put16(b, static_cast<unsigned>(image.height));
    b.insert(b.end(), {0xF7, 0, 0});  // global table of 256 colours
    for (std::uint32_t c : ix.palette) b.insert(b.end(), {red(c), green(c), blue(c)});
    // Graphic control extension: index 255 transparent.
    b.insert(b.end(),
             {0x21, 0xF9, 4, static_cast<std::uint8_t>(ix.anyTransparent ? 1 : 0), 0, 0, 255, 0});
    b.push_back(0x2C);
    put16(b, 0);
    put16(b, 0);
    put16(b, static_cast<unsigned>(image.width));
    put16(b, static_cast<unsigned>(image.height));
    b.push_back(0);
    // LZW with minimum code size 8, kept at 9-bit codes by a clear code every 100 literals.
    b.push_back(8);
    ByteBuffer data;
    std::uint32_t bits = 0;
    int count = 0;
    auto code = [&](unsigned c) {
        bits |= c << count;
        count += 9;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    for (std::size_t i = 0; i < ix.indices.size(); ++i) {
        if (i % 100 == 0) code(256);
        code(ix.indices[i]);
    }
    code(257);
    if (count > 0) data.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        b.push_back(static_cast<std::uint8_t>(n));
        b.insert(b.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                 data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    b.push_back(0);
    b.push_back(0x3B);
    return b;
}

ByteBuffer encodeIco(const TestImage& image) {
    const auto w = static_cast<std::uint32_t>(image.width);
    const auto h = static_cast<std::uint32_t>(image.height);
    const std::uint32_t xorStride = (w * 3 + 3) & ~3u;
    const std::uint32_t andStride = (w + 31) / 32 * 4;
    const std::uint32_t blockSize = 40 + (xorStride + andStride) * h;
    ByteBuffer b;
    put16(b, 0);
    put16(b, 1);
    put16(b, 1);
    b.insert(b.end(),
             {static_cast<std::uint8_t>(w & 0xFF), static_cast<std::uint8_t>(h & 0xFF), 0, 0});
    put16(b, 1);
    put16(b, 24);
    put32(b, blockSize);
    put32(b, 22);
    put32(b, 40);
    put32(b, w);
    put32(b, h * 2);
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, (xorStride + andStride) * h);
    for (int i = 0; i < 4; ++i) put32(b, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < image.width; ++x, written += 3) {
            const std::uint32_t p = transparent(image.at(x, y)) ? 0 : image.at(x, y);
            b.insert(b.end(), {blue(p), green(p), red(p)});
        }
        for (; written < xorStride; ++written) b.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        ByteBuffer row(andStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (transparent(image.at(x, y)))
                row[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

ByteBuffer encodePcx(const TestImage& image) {
    const Indexed ix = indexed(image);
    const unsigned bytesPerLine = (static_cast<unsigned>(image.width) + 1) & ~1u;
    ByteBuffer b{0x0A, 5, 1, 8};
    put16(b, 0);
    put16(b, 0);
    put16(b, static_cast<unsigned>(image.width - 1));
    put16(b, static_cast<unsigned>(image.height - 1));
    put16(b, 72);
    put16(b, 72);
    b.resize(b.size() + 48, 0);
    b.push_back(0);
    b.push_back(1);
    put16(b, bytesPerLine);
    put16(b, 1);
    b.resize(128, 0);
    for (int y = 0; y < image.height; ++y) {
        for (unsigned x = 0; x < bytesPerLine; ++x) {
            const std::uint8_t v = x < static_cast<unsigned>(image.width)
                                       ? ix.indices[static_cast<std::size_t>(y) * image.width + x]
                                       : 0;
            if ((v & 0xC0) == 0xC0) b.push_back(0xC1);
            b.push_back(v);
        }
    }
    b.push_back(0x0C);
    for (std::uint32_t c : ix.palette) b.insert(b.end(), {red(c), green(c), blue(c)});
    return b;
}

ByteBuffer encode(PictureKind kind, const TestImage& image) {
    switch (kind) {
        case PictureKind::Bmp:
            return encodeBmp(image);
        case PictureKind::Png:
            return encodePng(image);
        case PictureKind::Jpeg:
            return encodeJpeg(image);
        case PictureKind::Gif:
            return encodeGif(image);
        case PictureKind::Ico:
            return encodeIco(image);
        case PictureKind::Pcx:
            return encodePcx(image);
    }
    return {};
}

void writeTestFile(const QString& path, const ByteBuffer& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())),
        static_cast<qint64>(bytes.size()));
}

}  // namespace icogen::test
