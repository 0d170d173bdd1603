// Draws icogen's application icon and writes it as an icon file, byte for byte the one kept in
// src/platform/resources/app_icon.ico; optionally also as a PNG for desktop menus.
//
//   draw_app_icon <out.ico> [<out.png>]
//
// The picture: a black page with a folded top-right corner and a solid band across its middle
// in which the letters I, C and O are left transparent. 28 x 32 pixels, 32 bits with alpha plus
// a 1-bit AND mask. Every pixel is sampled 4 x 4 times, so edges come out softened by alpha.
//
// No dependencies beyond the standard library: the output must not change with a library
// version, and the PNG is written with stored (uncompressed) deflate blocks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int width = 28;
constexpr int height = 32;
constexpr int samples = 4;  // per axis

// What one sample point of the picture shows.
enum class Ink { None, Black, White };

// Geometry in pixel units, y downwards; (0, 0) is the top-left corner of the top-left pixel.
constexpr double pageLeft = 3.0, pageRight = 25.0, pageTop = 1.0, pageBottom = 31.0;
constexpr double fold = 7.0;     // the folded corner's legs
constexpr double outline = 2.0;  // thickness of the page's edge
constexpr double bandLeft = 1.0, bandRight = 27.0, bandTop = 11.0, bandBottom = 22.0;

bool insideEllipse(double x, double y, double cx, double cy, double rx, double ry) {
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// The letters, cut out of the band: strokes two pixels wide on whole pixels, so they stay crisp.
bool insideLetter(double x, double y) {
    constexpr double top = 13.0, bottom = 20.0, stroke = 2.0;
    if (y < top || y > bottom) return false;
    const double cy = (top + bottom) / 2, ry = (bottom - top) / 2;
    auto ring = [&](double left, double right) {
        const double cx = (left + right) / 2, rx = (right - left) / 2;
        return insideEllipse(x, y, cx, cy, rx, ry) &&
               !insideEllipse(x, y, cx, cy, rx - stroke, ry - stroke);
    };
    if (x >= 4.0 && x <= 4.0 + stroke) return true;                              // I
    if (ring(8.0, 14.0) && !(x > 11.5 && std::fabs(y - cy) < 1.5)) return true;  // C, open right
    return ring(17.0, 24.0);                                                     // O
}

Ink inkAt(double x, double y) {
    const bool inBand = x >= bandLeft && x <= bandRight && y >= bandTop && y <= bandBottom;
    if (inBand) return insideLetter(x, y) ? Ink::None : Ink::Black;

    const bool inBox = x >= pageLeft && x <= pageRight && y >= pageTop && y <= pageBottom;
    if (!inBox) return Ink::None;
    // The corner beyond the fold line from (right - fold, top) to (right, top + fold) is cut off.
    const double foldX = pageRight - fold, foldY = pageTop + fold;
    const double beyond = (x - foldX) - (y - pageTop);  // > 0 above and right of the fold line
    if (beyond > 0) return Ink::None;
    // The flap folded down over the corner, drawn solid.
    if (x >= foldX && y <= foldY) return Ink::Black;
    // The page's edge: a band `outline` wide along the four sides and along the fold line.
    const double edge = std::min(
        {x - pageLeft, pageRight - x, y - pageTop, pageBottom - y, -beyond / std::sqrt(2.0)});
    return edge < outline ? Ink::Black : Ink::White;
}

struct Pixel {
    std::uint8_t b, g, r, a;
};

std::vector<Pixel> drawPicture() {  // rows top-down
    std::vector<Pixel> out(static_cast<std::size_t>(width) * height);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            int opaque = 0, white = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const Ink ink = inkAt(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples);
                    if (ink != Ink::None) ++opaque;
                    if (ink == Ink::White) ++white;
                }
            }
            Pixel& p = out[static_cast<std::size_t>(py) * width + px];
            // Colour is the mean of the opaque samples (straight, not premultiplied, alpha).
            const int grey = opaque ? (white * 255 + opaque / 2) / opaque : 0;
            const int alpha = (opaque * 255 + samples * samples / 2) / (samples * samples);
            p = {static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                 static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(alpha)};
        }
    }
    return out;
}

void put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}
void put32be(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int shift = 24; shift >= 0; shift -= 8) v.push_back((x >> shift) & 0xFF);
}

std::vector<std::uint8_t> iconFile(const std::vector<Pixel>& picture) {
    constexpr std::uint32_t colourBytes = width * 4 * height;           // 3,584
    constexpr std::uint32_t maskStride = ((width + 31) / 32) * 4;       // 4
    constexpr std::uint32_t maskBytes = maskStride * height;            // 128
    constexpr std::uint32_t imageBytes = 40 + colourBytes + maskBytes;  // 3,752

    std::vector<std::uint8_t> f;
    // ICONDIR: reserved, type 1 (icon), one image.
    put16(f, 0);
    put16(f, 1);
    put16(f, 1);
    // ICONDIRENTRY: width, height, colours, reserved, planes, bits, bytes, offset.
    f.push_back(width);
    f.push_back(height);
    f.push_back(0);
    f.push_back(0);
    put16(f, 1);
    put16(f, 32);
    put32(f, imageBytes);
    put32(f, 22);
    // BITMAPINFOHEADER; the height counts the colour image and the mask.
    put32(f, 40);
    put32(f, width);
    put32(f, height * 2);
    put16(f, 1);
    put16(f, 32);
    put32(f, 0);  // BI_RGB
    put32(f, colourBytes + maskBytes);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
    put32(f, 0);
    // Colour rows bottom-up, blue, green, red, alpha.
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Pixel& p = picture[static_cast<std::size_t>(y) * width + x];
            f.insert(f.end(), {p.b, p.g, p.r, p.a});
        }
    }
    // AND mask rows bottom-up, 1 = fully transparent, each row padded to 4 bytes.
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < width; ++x) {
            if (picture[static_cast<std::size_t>(y) * width + x].a == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        f.insert(f.end(), row.begin(), row.end());
    }
    return f;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return c ^ 0xFFFFFFFFu;
}

void pngChunk(std::vector<std::uint8_t>& f, const char* type, const std::vector<std::uint8_t>& d) {
    put32be(f, static_cast<std::uint32_t>(d.size()));
    const std::size_t start = f.size();
    f.insert(f.end(), type, type + 4);
    f.insert(f.end(), d.begin(), d.end());
    put32be(f, crc32(f.data() + start, f.size() - start));
}

std::vector<std::uint8_t> pngFile(const std::vector<Pixel>& picture) {
    std::vector<std::uint8_t> raw;  // filter byte 0, then RGBA, rows top-down
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const Pixel& p = picture[static_cast<std::size_t>(y) * width + x];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    // zlib stream: header, stored blocks of at most 65,535 bytes, Adler-32.
    std::vector<std::uint8_t> z{0x78, 0x01};
    for (std::size_t pos = 0; pos < raw.size() || pos == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        put16(z, static_cast<unsigned>(n));
        put16(z, static_cast<unsigned>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
        if (last) break;
    }
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32be(z, (b << 16) | a);

    std::vector<std::uint8_t> f{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    put32be(ihdr, width);
    put32be(ihdr, height);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    pngChunk(f, "IHDR", ihdr);
    pngChunk(f, "IDAT", z);
    pngChunk(f, "IEND", {});
    return f;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: draw_app_icon <out.ico> [<out.png>]\n");
        return 2;
    }
    const std::vector<Pixel> picture = drawPicture();
    if (!writeFile(argv[1], iconFile(picture))) {
        std::fprintf(stderr, "draw_app_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3 && !writeFile(argv[2], pngFile(picture))) {
        std::fprintf(stderr, "draw_app_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
