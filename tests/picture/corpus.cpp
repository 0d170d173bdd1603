#include "picture/corpus.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace icogen::picture::corpus {
namespace fs = std::filesystem;

fs::path root() {
    return fs::path(ICOGEN_TESTDATA);
}

namespace {

std::vector<std::string> splitOn(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::optional<std::uint32_t> parseSide(const std::string& field) {
    if (field.empty()) return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(field.c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
    const long long side = value < 0 ? -value : value;
    if (side > 0xFFFFFFFFLL) return std::nullopt;
    return static_cast<std::uint32_t>(side);
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::uint32_t argb(unsigned r, unsigned g, unsigned b, unsigned a) {
    return std::uint32_t{a} << 24 | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

// libpng reports errors by longjmp; this frame holds only trivially destructible objects, the
// buffers belong to the caller.
bool readPngRows(std::FILE* file, std::vector<png_byte>& rgba, std::vector<png_bytep>& rows,
                 png_uint_32& width, png_uint_32& height) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    // Plain 8-bit RGBA: palettes, low depths and tRNS expanded, 16-bit channels cut to their
    // high byte, grey spread to RGB, no gamma handling.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{width} * 4 || height > 20000 || width > 20000) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    rgba.resize(std::size_t{width} * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = rgba.data() + std::size_t{y} * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

std::optional<Image> loadPng(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<png_byte> rgba;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;
    const bool ok = readPngRows(file, rgba, rows, width, height);
    std::fclose(file);
    if (!ok) return std::nullopt;
    Image image{width, height, std::vector<std::uint32_t>(std::size_t{width} * height)};
    for (std::size_t i = 0; i < image.argb.size(); ++i) {
        const png_byte* p = rgba.data() + i * 4;
        image.argb[i] = argb(p[0], p[1], p[2], p[3]);
    }
    return image;
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

// The renderings of the PNG suite: 32 bits a pixel, bytes blue, green, red, alpha.
std::optional<Image> loadBmp32(const fs::path& path) {
    const auto b = readFile(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    const std::uint32_t offset = le32(b, 10);
    const std::uint32_t headerSize = le32(b, 14);
    const auto width = static_cast<std::int32_t>(le32(b, 18));
    const auto height = static_cast<std::int32_t>(le32(b, 22));
    const unsigned bits = b[28] | b[29] << 8;
    const std::uint32_t compression = le32(b, 30);
    if (bits != 32 || (compression != 0 && compression != 3)) return std::nullopt;
    if (width <= 0 || height == 0 || width > 20000 || height > 20000 || height < -20000)
        return std::nullopt;
    if (compression == 3) {
        if (headerSize < 56 || b.size() < 70) return std::nullopt;
        if (le32(b, 54) != 0x00FF0000 || le32(b, 58) != 0x0000FF00 || le32(b, 62) != 0x000000FF ||
            le32(b, 66) != 0xFF000000)
            return std::nullopt;
    }
    const std::uint32_t w = static_cast<std::uint32_t>(width);
    const std::uint32_t h = static_cast<std::uint32_t>(height < 0 ? -height : height);
    if (std::uint64_t{offset} + std::uint64_t{w} * h * 4 > b.size()) return std::nullopt;
    Image image{w, h, std::vector<std::uint32_t>(std::size_t{w} * h)};
    for (std::uint32_t y = 0; y < h; ++y) {
        const std::uint32_t fileRow = height > 0 ? h - 1 - y : y;
        const std::uint8_t* p = b.data() + offset + std::size_t{fileRow} * w * 4;
        for (std::uint32_t x = 0; x < w; ++x, p += 4)
            image.argb[std::size_t{y} * w + x] = argb(p[2], p[1], p[0], p[3]);
    }
    return image;
}

// Files whose notes name no reference although the folder holds one per entry: the decoder
// may take either entry.
const std::map<std::string, std::vector<std::string>>& entryReferences() {
    static const std::map<std::string, std::vector<std::string>> table = {
        {"mozilla-ico/order/icon.ico",
         {"mozilla-ico/order/icon-1.png", "mozilla-ico/order/icon-2.png"}},
        {"mozilla-ico/order/icon_reorder.ico",
         {"mozilla-ico/order/icon-1.png", "mozilla-ico/order/icon-2.png"}},
        {"mozilla-ico/png/2png.ico", {"mozilla-ico/png/2png1.png", "mozilla-ico/png/2png2.png"}},
    };
    return table;
}

}  // namespace

std::vector<Row> loadManifest() {
    std::vector<Row> rows;
    std::ifstream in(root() / "MANIFEST.tsv");
    std::string line;
    if (!std::getline(in, line)) return rows;  // the header
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const auto f = splitOn(line, '\t');
        if (f.size() < 6) continue;
        rows.push_back({f[0], f[1], f[2], parseSide(f[3]), parseSide(f[4]), f[5]});
    }
    return rows;
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    std::vector<std::uint8_t> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return bytes;
}

std::optional<Kind> kindOfFormat(const std::string& format) {
    static const std::map<std::string, Kind> kinds = {
        {"bmp", Kind::Bmp}, {"jpeg", Kind::Jpeg}, {"png", Kind::Png}, {"gif", Kind::Gif},
        {"ico", Kind::Ico}, {"cur", Kind::Cur},   {"pcx", Kind::Pcx}};
    const auto it = kinds.find(format);
    if (it == kinds.end()) return std::nullopt;
    return it->second;
}

bool isSupportedFormat(const std::string& format) {
    return kindOfFormat(format).has_value();
}

std::string sizeText(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

void checkShape(const Picture& p, std::span<const std::uint8_t> bytes, std::uint32_t hint,
                std::vector<std::string>& problems) {
    const std::string where = "(size hint " + std::to_string(hint) + ") ";
    const Limits limits;
    if (p.width == 0 || p.height == 0 || p.pixelWidth == 0 || p.pixelHeight == 0)
        problems.push_back(where + "empty picture " + sizeText(p.width, p.height));
    if (p.pixels.size() != std::size_t{p.pixelWidth} * p.pixelHeight)
        problems.push_back(where + "pixel count does not match " +
                           sizeText(p.pixelWidth, p.pixelHeight));
    if (p.pixelWidth > p.width || p.pixelHeight > p.height)
        problems.push_back(where + "pixels " + sizeText(p.pixelWidth, p.pixelHeight) +
                           " larger than the declared " + sizeText(p.width, p.height));
    if (hint == 0 && (p.pixelWidth != p.width || p.pixelHeight != p.height))
        problems.push_back(where + "reduced without a size hint");
    if (hint != 0 &&
        (p.pixelWidth < std::min(p.width, hint) || p.pixelHeight < std::min(p.height, hint)))
        problems.push_back(where + "reduced to " + sizeText(p.pixelWidth, p.pixelHeight) +
                           ", below the hint");
    if (p.width > limits.maxSide || p.height > limits.maxSide ||
        std::uint64_t{p.width} * p.height > limits.maxPixels)
        problems.push_back(where + "declared size " + sizeText(p.width, p.height) +
                           " beyond the limits");
    if (sniffKind(bytes) != p.kind) problems.push_back(where + "kind differs from the first bytes");
}

std::optional<Image> loadReference(const fs::path& path) {
    const std::string name = path.string();
    if (endsWith(name, ".png")) return loadPng(path);
    if (endsWith(name, ".bmp")) return loadBmp32(path);
    return std::nullopt;
}

std::vector<fs::path> referencesFor(const Row& row) {
    std::vector<fs::path> found;
    auto add = [&](const fs::path& relative) {
        const std::string name = relative.string();
        if (!endsWith(name, ".png") && !endsWith(name, ".bmp")) return;
        if (relative == fs::path(row.path)) return;
        if (!fs::is_regular_file(root() / relative)) return;
        if (std::find(found.begin(), found.end(), relative) == found.end())
            found.push_back(relative);
    };
    const fs::path self(row.path);
    const fs::path folder = self.parent_path();
    const std::string stem = self.stem().string();

    if (startsWith(row.path, "pngsuite/png/")) add(fs::path("pngsuite/bmp") / (stem + ".bmp"));
    if (startsWith(row.path, "image-rs/images/"))
        add(fs::path("image-rs/reference") / (row.path.substr(16) + ".png"));
    if (startsWith(row.path, "mozilla-ico/") && endsWith(row.path, ".ico"))
        add(folder / (stem + ".png"));
    if (startsWith(row.path, "libnsbmp/bmpsuite/g") && endsWith(row.path, ".bmp"))
        add(folder / "png" / (stem.substr(1) + ".png"));
    if (startsWith(row.path, "image-extras/pcx/")) add(folder / (stem + ".png"));
    if (const auto it = entryReferences().find(row.path); it != entryReferences().end())
        for (const auto& r : it->second) add(r);

    // "ref a/b.png", "ref c.png" (beside the file), "ref a/b.png|c.png" (alternatives, the
    // later ones beside the first), "reference a/b.png".
    for (const std::string marker : {"ref ", "reference "}) {
        for (auto at = row.notes.find(marker); at != std::string::npos;
             at = row.notes.find(marker, at + 1)) {
            if (at > 0 && row.notes[at - 1] != ' ' && row.notes[at - 1] != ';' &&
                row.notes[at - 1] != '(')
                continue;
            const auto begin = at + marker.size();
            const auto end = row.notes.find_first_of(" ;[", begin);
            const std::string token =
                row.notes.substr(begin, end == std::string::npos ? end : end - begin);
            fs::path base;
            for (const auto& alternative : splitOn(token, '|')) {
                if (alternative.empty()) continue;
                fs::path candidate(alternative);
                if (fs::is_regular_file(root() / candidate)) {
                    base = candidate.parent_path();
                } else if (!base.empty() && fs::is_regular_file(root() / base / candidate)) {
                    candidate = base / candidate;
                } else {
                    candidate = folder / candidate;
                    base = candidate.parent_path();
                }
                add(candidate);
            }
        }
    }
    return found;
}

std::string Comparison::describe() const {
    if (!sizeMatches) return "size differs";
    if (differing == 0)
        return "match (largest channel difference " + std::to_string(maxDifference) + ")";
    char text[160];
    std::snprintf(text, sizeof text,
                  "%zu pixels differ, largest channel difference %d; first at (%u,%u): got "
                  "0x%08X, want 0x%08X",
                  differing, maxDifference, firstX, firstY, got, want);
    return text;
}

Comparison compare(const Picture& picture, const Image& expected, int tolerance,
                   bool compareAlpha) {
    Comparison c;
    c.sizeMatches = picture.pixelWidth == expected.width &&
                    picture.pixelHeight == expected.height &&
                    picture.pixels.size() == expected.argb.size();
    if (!c.sizeMatches) return c;
    for (std::uint32_t y = 0; y < expected.height; ++y) {
        for (std::uint32_t x = 0; x < expected.width; ++x) {
            const std::size_t i = std::size_t{y} * expected.width + x;
            const std::uint32_t got = picture.pixels[i];
            const std::uint32_t want = expected.argb[i];
            int worst = 0;
            const int gotAlpha = static_cast<int>(got >> 24);
            const int wantAlpha = static_cast<int>(want >> 24);
            if (compareAlpha) worst = std::abs(gotAlpha - wantAlpha);
            if (wantAlpha != 0 && (!compareAlpha || gotAlpha != 0)) {
                for (int shift : {16, 8, 0}) {
                    const int g = static_cast<int>((got >> shift) & 0xFF);
                    const int w = static_cast<int>((want >> shift) & 0xFF);
                    worst = std::max(worst, std::abs(g - w));
                }
            }
            c.maxDifference = std::max(c.maxDifference, worst);
            if (worst > tolerance) {
                if (c.differing == 0) {
                    c.firstX = x;
                    c.firstY = y;
                    c.got = got;
                    c.want = want;
                }
                ++c.differing;
            }
        }
    }
    return c;
}

Image blockAverage(const Picture& full, std::uint32_t factor, bool fromRight, bool fromBottom) {
    Image out;
    out.width = (full.pixelWidth + factor - 1) / factor;
    out.height = (full.pixelHeight + factor - 1) / factor;
    // Blocks start at the left (top) edge, or end at the right (bottom) edge: then the first
    // block is the clipped one.
    const std::uint32_t ox = fromRight ? out.width * factor - full.pixelWidth : 0;
    const std::uint32_t oy = fromBottom ? out.height * factor - full.pixelHeight : 0;
    const bool weightByAlpha = full.alphaUse != AlphaUse::Opaque;
    struct Sum {
        std::uint64_t a = 0, w = 0, r = 0, g = 0, b = 0, n = 0;
    };
    std::vector<Sum> sums(std::size_t{out.width} * out.height);
    for (std::uint32_t y = 0; y < full.pixelHeight; ++y) {
        for (std::uint32_t x = 0; x < full.pixelWidth; ++x) {
            const std::uint32_t p = full.pixels[std::size_t{y} * full.pixelWidth + x];
            Sum& s = sums[std::size_t{(y + oy) / factor} * out.width + (x + ox) / factor];
            const std::uint64_t pa = p >> 24;
            const std::uint64_t weight = weightByAlpha ? pa : 1;
            s.a += pa;
            s.w += weight;
            s.r += weight * ((p >> 16) & 0xFF);
            s.g += weight * ((p >> 8) & 0xFF);
            s.b += weight * (p & 0xFF);
            ++s.n;
        }
    }
    out.argb.resize(sums.size());
    for (std::size_t i = 0; i < sums.size(); ++i) {
        const Sum& s = sums[i];
        if (s.n == 0 || s.w == 0) continue;
        auto channel = [&](std::uint64_t sum) {
            return static_cast<unsigned>(std::min<std::uint64_t>(255, (sum + s.w / 2) / s.w));
        };
        out.argb[i] = argb(channel(s.r), channel(s.g), channel(s.b),
                           static_cast<unsigned>((s.a + s.n / 2) / s.n));
    }
    return out;
}

}  // namespace icogen::picture::corpus
