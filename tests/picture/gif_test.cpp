// GIF decoding: the first image on its logical screen, transparency, colour tables, clipping,
// interlacing, reduction, cut-short and oversized files. Fixtures are written with giflib here.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "picture/decoders.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> indices;  // rows top-down, whatever the interlacing
    std::vector<GifColorType> localMap;
    int transparent = -1;  // a Graphics Control Extension naming it goes before the frame
};

struct GifPlan {
    int width = 0, height = 0;
    std::vector<GifColorType> globalMap;
    std::vector<Frame> frames;
};

const std::vector<GifColorType> kRgbw = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

int appendToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

// Frame indices "RGB/BWR" in the order R, G, B, W = 0, 1, 2, 3 (and digits as themselves).
std::vector<std::uint8_t> indicesOf(const std::string& rows) {
    static const std::map<char, std::uint8_t> letters = {{'R', 0}, {'G', 1}, {'B', 2}, {'W', 3}};
    std::vector<std::uint8_t> out;
    for (char ch : rows) {
        if (ch == '/') continue;
        out.push_back(letters.count(ch) ? letters.at(ch) : static_cast<std::uint8_t>(ch - '0'));
    }
    return out;
}

Bytes writeGif(const GifPlan& s) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToVector, &error);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global =
        s.globalMap.empty()
            ? nullptr
            : GifMakeMapObject(static_cast<int>(s.globalMap.size()), s.globalMap.data());
    EXPECT_EQ(EGifPutScreenDesc(gif, s.width, s.height, 8, 0, global), GIF_OK);
    for (const Frame& f : s.frames) {
        if (f.transparent >= 0) {
            const GifByteType gce[4] = {0x01, 0, 0, static_cast<GifByteType>(f.transparent)};
            EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce), GIF_OK);
        }
        ColorMapObject* local =
            f.localMap.empty()
                ? nullptr
                : GifMakeMapObject(static_cast<int>(f.localMap.size()), f.localMap.data());
        EXPECT_EQ(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local),
                  GIF_OK);
        std::vector<int> order;
        if (f.interlaced) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < f.height; y += step) order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        std::vector<GifPixelType> line(static_cast<std::size_t>(f.width));
        for (int y : order) {
            std::copy_n(f.indices.begin() + static_cast<std::ptrdiff_t>(y) * f.width, f.width,
                        line.begin());
            EXPECT_EQ(EGifPutLine(gif, line.data(), f.width), GIF_OK);
        }
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return out;
}

DecodeResult decode(const Bytes& bytes, std::uint32_t sizeHint = 0, Limits limits = {}) {
    DecodeOptions options;
    options.sizeHint = sizeHint;
    options.limits = limits;
    return detail::decodeGif(bytes, options);
}

// The picture as letters, rows separated by '/': R G B W, K for opaque black, '.' for
// transparent, '?' for anything else.
std::string render(const Picture& p) {
    std::string out;
    for (std::uint32_t y = 0; y < p.pixelHeight; ++y) {
        if (y) out += '/';
        for (std::uint32_t x = 0; x < p.pixelWidth; ++x) {
            const std::uint32_t v = p.pixels[std::size_t{y} * p.pixelWidth + x];
            if (v >> 24 == 0) {
                out += '.';
                continue;
            }
            switch (v) {
                case 0xFFFF0000:
                    out += 'R';
                    break;
                case 0xFF00FF00:
                    out += 'G';
                    break;
                case 0xFF0000FF:
                    out += 'B';
                    break;
                case 0xFFFFFFFF:
                    out += 'W';
                    break;
                case 0xFF000000:
                    out += 'K';
                    break;
                default:
                    out += '?';
            }
        }
    }
    return out;
}

Frame frame(int left, int top, int width, int height, const std::string& rows) {
    Frame f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.indices = indicesOf(rows);
    return f;
}

TEST(GifDecode, FirstImageOnItsScreen) {
    struct Case {
        const char* name;
        GifPlan plan;
        std::string want;
    };
    std::vector<Case> cases;
    cases.push_back({"frame inside the screen; the rest is transparent",
                     {6, 4, kRgbw, {frame(1, 1, 3, 2, "RGB/BWR")}},
                     "....../.RGB../.BWR../......"});
    cases.push_back({"frame reaching past the screen is clipped",
                     {6, 4, kRgbw, {frame(4, 2, 3, 3, "RGB/GBW/BWR")}},
                     "....../....../....RG/....GB"});
    cases.push_back({"frame wholly off the screen",
                     {6, 2, kRgbw, {frame(6, 0, 2, 2, "RG/BW")}},
                     "....../......"});
    {
        Frame f = frame(0, 0, 3, 2, "RGB/BWG");
        f.transparent = 1;
        cases.push_back(
            {"transparent index from the control extension", {3, 2, kRgbw, {f}}, "R.B/BW."});
    }
    {
        Frame f = frame(0, 0, 4, 1, "RGBW");
        f.localMap = {{255, 255, 255}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
        cases.push_back({"local colour table over the global one", {4, 1, kRgbw, {f}}, "WBGR"});
        cases.push_back({"local colour table and no global one", {4, 1, {}, {f}}, "WBGR"});
    }
    cases.push_back({"index beyond the colour table is black",
                     {4, 1, {{255, 0, 0}, {0, 255, 0}}, {frame(0, 0, 4, 1, "RGBW")}},
                     "RGKK"});
    {
        Frame second = frame(0, 0, 3, 1, "WWW");
        second.transparent = 0;  // comes after the first image: not its extension
        cases.push_back({"only the first image, without later extensions",
                         {3, 1, kRgbw, {frame(0, 0, 3, 1, "RGB"), second}},
                         "RGB"});
    }
    {
        Frame f = frame(0, 0, 2, 1, "RG");
        f.transparent = 3;  // a transparent index the image does not use
        cases.push_back({"unused transparent index", {2, 1, kRgbw, {f}}, "RG"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(writeGif(c.plan));
        ASSERT_TRUE(result) << failureName(result.failure);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.kind, Kind::Gif);
        EXPECT_EQ(p.alphaUse, AlphaUse::OverBoard);
        EXPECT_EQ(p.width, static_cast<std::uint32_t>(c.plan.width));
        EXPECT_EQ(p.height, static_cast<std::uint32_t>(c.plan.height));
        EXPECT_EQ(render(p), c.want);
    }
}

// 16 colours and a frame of pseudo-random indices.
std::vector<GifColorType> sixteenColours() {
    std::vector<GifColorType> map;
    for (int i = 0; i < 16; ++i)
        map.push_back({static_cast<GifByteType>(i * 16), static_cast<GifByteType>(255 - i * 13),
                       static_cast<GifByteType>(i * 7)});
    return map;
}

Frame noiseFrame(int left, int top, int width, int height, bool interlaced) {
    Frame f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.interlaced = interlaced;
    std::mt19937 rng(11);
    for (int i = 0; i < width * height; ++i)
        f.indices.push_back(static_cast<std::uint8_t>(rng() % 16));
    f.transparent = 5;
    return f;
}

TEST(GifDecode, InterlacedRowsLandWhereTheyBelong) {
    struct Case {
        int screenW, screenH, left, top, width, height;
        std::uint32_t hint;
    };
    for (const Case c :
         {Case{5, 11, 0, 0, 5, 11, 0}, Case{7, 9, 2, 3, 5, 11, 0},  // bottom rows off-screen
          Case{30, 20, 3, 1, 21, 17, 4}, Case{30, 20, 0, 0, 30, 20, 7},
          Case{3, 3, 0, 0, 1, 1, 0}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                     std::to_string(c.left) + "," + std::to_string(c.top) + " hint " +
                     std::to_string(c.hint));
        const GifPlan plain{c.screenW,
                            c.screenH,
                            sixteenColours(),
                            {noiseFrame(c.left, c.top, c.width, c.height, false)}};
        GifPlan interlaced = plain;
        interlaced.frames[0].interlaced = true;
        const auto a = decode(writeGif(plain), c.hint);
        const auto b = decode(writeGif(interlaced), c.hint);
        ASSERT_TRUE(a);
        ASSERT_TRUE(b);
        EXPECT_EQ(a.picture->pixelWidth, b.picture->pixelWidth);
        EXPECT_EQ(a.picture->pixelHeight, b.picture->pixelHeight);
        EXPECT_EQ(a.picture->pixels, b.picture->pixels);
        if (c.hint == 0) {
            // Spot-check the plain one against the indices themselves.
            const Frame& f = plain.frames[0];
            const auto colours = sixteenColours();
            for (int y = 0; y < c.screenH; ++y) {
                for (int x = 0; x < c.screenW; ++x) {
                    const int fx = x - c.left, fy = y - c.top;
                    std::uint32_t want = 0;
                    if (fx >= 0 && fy >= 0 && fx < f.width && fy < f.height) {
                        const int index = f.indices[static_cast<std::size_t>(fy * f.width + fx)];
                        const GifColorType& col = colours[static_cast<std::size_t>(index)];
                        if (index != f.transparent)
                            want = 0xFF000000u | std::uint32_t{col.Red} << 16 |
                                   std::uint32_t{col.Green} << 8 | col.Blue;
                    }
                    const std::uint32_t got =
                        a.picture->pixels[static_cast<std::size_t>(y * c.screenW + x)];
                    if (want >> 24 == 0)
                        ASSERT_EQ(got >> 24, 0u) << x << "," << y;
                    else
                        ASSERT_EQ(got, want) << x << "," << y;
                }
            }
        }
    }
}

TEST(GifDecode, SizeHintReducesAndWeighsTransparency) {
    // A 30 x 20 screen, a red frame 13 wide at the left: reduced by 5, the third block column
    // is 3/5 covered, so it stays pure red at 3/5 opacity.
    std::string rows;
    for (int y = 0; y < 20; ++y) rows += std::string(13, 'R') + "/";
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        Frame f = frame(0, 0, 13, 20, rows);
        f.interlaced = interlaced;
        const auto result = decode(writeGif({30, 20, kRgbw, {f}}), 4);
        ASSERT_TRUE(result);
        const Picture& p = *result.picture;
        EXPECT_EQ(p.width, 30u);
        EXPECT_EQ(p.height, 20u);
        ASSERT_EQ(p.pixelWidth, 6u);
        ASSERT_EQ(p.pixelHeight, 4u);
        for (std::uint32_t y = 0; y < 4; ++y) {
            EXPECT_EQ(p.pixels[y * 6 + 0], 0xFFFF0000u);
            EXPECT_EQ(p.pixels[y * 6 + 1], 0xFFFF0000u);
            EXPECT_EQ(p.pixels[y * 6 + 2], 0x99FF0000u);  // 255 x 3/5 = 153
            EXPECT_EQ(p.pixels[y * 6 + 3] >> 24, 0u);
        }
    }
}

TEST(GifDecode, CutShortKeepsTheRowsThatArrived) {
    for (bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "plain");
        const Bytes whole =
            writeGif({16, 16, sixteenColours(), {noiseFrame(0, 0, 16, 16, interlaced)}});
        const auto full = decode(whole);
        ASSERT_TRUE(full);
        // Header 13, colour table 48, control extension 8, image descriptor 10, code size 1.
        const std::size_t dataStart = 13 + 48 + 8 + 10 + 1;
        int partial = 0;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE("length " + std::to_string(length));
            const auto result =
                decode(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
            if (length <= dataStart) {
                EXPECT_FALSE(result);
                EXPECT_EQ(result.failure, Failure::Corrupt);
                continue;
            }
            if (!result) continue;
            ++partial;
            // Every row is either as in the whole file or wholly transparent, and some arrived.
            const auto& got = result.picture->pixels;
            ASSERT_EQ(got.size(), 256u);
            int arrived = 0;
            for (std::size_t y = 0; y < 16; ++y) {
                const bool same = std::equal(got.begin() + y * 16, got.begin() + y * 16 + 16,
                                             full.picture->pixels.begin() + y * 16);
                const bool clear = std::all_of(got.begin() + y * 16, got.begin() + y * 16 + 16,
                                               [](std::uint32_t v) { return v >> 24 == 0; });
                EXPECT_TRUE(same || clear) << "row " << y;
                arrived += same;
            }
            EXPECT_GT(arrived, 0);
        }
        EXPECT_GT(partial, 0);
        // Without the trailer the picture is whole.
        const auto noTrailer = decode(Bytes(whole.begin(), whole.end() - 1));
        ASSERT_TRUE(noTrailer);
        EXPECT_EQ(noTrailer.picture->pixels, full.picture->pixels);
    }
}

TEST(GifDecode, BrokenOrOversizedFilesFail) {
    const Bytes good = writeGif({4, 4, kRgbw, {frame(0, 0, 4, 4, "RGBW/RGBW/RGBW/RGBW")}});
    ASSERT_TRUE(decode(good));
    auto patch16 = [&](std::size_t at, std::uint16_t v) {
        Bytes f = good;
        f[at] = static_cast<std::uint8_t>(v);
        f[at + 1] = static_cast<std::uint8_t>(v >> 8);
        return f;
    };
    const std::size_t descriptor = 13 + 12;  // after the 4-colour table
    ASSERT_EQ(good[descriptor], ',');
    Bytes screenHuge = patch16(6, 65535);
    screenHuge[8] = 0xFF;
    screenHuge[9] = 0xFF;
    Bytes frameHuge = patch16(descriptor + 5, 65535);
    frameHuge[descriptor + 7] = 0xFF;
    frameHuge[descriptor + 8] = 0xFF;
    Bytes noImage(good.begin(), good.begin() + descriptor);
    noImage.push_back(';');
    Bytes badRecord = good;
    badRecord[descriptor] = 0x42;

    struct Case {
        const char* name;
        Bytes file;
        Limits limits;
        Failure failure;
    };
    const std::vector<Case> cases = {
        {"screen 65535 x 65535 (4.3e9 pixels)", screenHuge, {}, Failure::TooLarge},
        {"screen width 0", patch16(6, 0), {}, Failure::Corrupt},
        {"frame 65535 x 65535 on a small screen", frameHuge, {}, Failure::TooLarge},
        {"beyond a side limit", good, {3, 1000}, Failure::TooLarge},
        {"beyond a pixel limit", good, {100, 15}, Failure::TooLarge},
        {"no image before the trailer", noImage, {}, Failure::Corrupt},
        {"unknown record", badRecord, {}, Failure::Corrupt},
        {"header only", Bytes(good.begin(), good.begin() + 6), {}, Failure::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(c.file, 0, c.limits);
        EXPECT_FALSE(result);
        EXPECT_EQ(result.failure, c.failure);
    }
}

// GIF's LZW by hand, for any minimum code size 2 to 11, with codes growing and the table
// restarting when full the way decoders expect. Indices may go up to 2^minCodeSize - 1.
Bytes lzwEncode(const std::vector<std::uint16_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    Bytes out;
    std::uint32_t buffer = 0;
    int bits = 0, size = minCodeSize + 1, next = clear + 2;
    std::map<std::pair<int, int>, int> table;
    auto emit = [&](int code) {
        buffer |= static_cast<std::uint32_t>(code) << bits;
        bits += size;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    };
    // The decoder defines an entry for each code after the first one following a clear.
    auto defined = [&]() {
        if (next < 4096) ++next;
        if (next - 1 == (1 << size) && size < 12) ++size;
    };
    emit(clear);
    int w = indices.at(0);
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const int k = indices[i];
        const auto found = table.find({w, k});
        if (found != table.end()) {
            w = found->second;
            continue;
        }
        emit(w);
        if (next < 4096) table[{w, k}] = next;
        defined();
        if (next == 4096) {
            emit(clear);
            table.clear();
            size = minCodeSize + 1;
            next = clear + 2;
        }
        w = k;
    }
    emit(w);
    defined();
    emit(end);
    if (bits > 0) out.push_back(static_cast<std::uint8_t>(buffer));
    return out;
}

// A GIF put together by hand: 4-colour global table, one frame covering the screen.
Bytes handMadeGif(int width, int height, int minCodeSize, const std::vector<std::uint16_t>& indices,
                  bool interlaced) {
    Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&](int v) {
        f.push_back(static_cast<std::uint8_t>(v));
        f.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put16(width);
    put16(height);
    f.insert(f.end(), {0x81, 0, 0});  // global table of 4 colours
    for (const GifColorType& c : kRgbw) f.insert(f.end(), {c.Red, c.Green, c.Blue});
    f.push_back(',');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    f.push_back(interlaced ? 0x40 : 0x00);
    f.push_back(static_cast<std::uint8_t>(minCodeSize));
    std::vector<std::uint16_t> ordered;
    std::vector<int> rows;
    if (interlaced) {
        for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = start; y < height; y += step) rows.push_back(y);
    } else {
        for (int y = 0; y < height; ++y) rows.push_back(y);
    }
    for (int y : rows)
        ordered.insert(ordered.end(), indices.begin() + y * width,
                       indices.begin() + (y + 1) * width);
    const Bytes data = lzwEncode(ordered, minCodeSize);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        f.push_back(static_cast<std::uint8_t>(n));
        f.insert(f.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    f.push_back(0);
    f.push_back(';');
    return f;
}

TEST(GifDecode, CodeSizesAboveEightAreReadToo) {
    // Runs and repeats, so that the table is used (including a code defined by itself), and
    // with 64 x 70 pixels it fills up and restarts for the larger code sizes.
    const int w = 64, h = 70;
    std::vector<std::uint16_t> indices;
    std::mt19937 rng(5);
    for (int i = 0; i < w * h; ++i)
        indices.push_back(static_cast<std::uint16_t>(rng() % 7 < 4 ? (i / 11) % 4 : rng() % 4));
    std::string want;
    for (int y = 0; y < h; ++y) {
        if (y) want += '/';
        for (int x = 0; x < w; ++x) want += "RGBW"[indices[static_cast<std::size_t>(y * w + x)]];
    }
    // Code sizes 2 and 8 go through giflib and check the hand-made encoding itself.
    for (int codeSize : {2, 8, 9, 10, 11}) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE("code size " + std::to_string(codeSize) +
                         (interlaced ? " interlaced" : ""));
            const auto result = decode(handMadeGif(w, h, codeSize, indices, interlaced));
            ASSERT_TRUE(result) << failureName(result.failure);
            EXPECT_EQ(render(*result.picture), want);
        }
    }
    // An index past any colour table shows black; cut short, the rows that arrived stay.
    const Bytes wide = handMadeGif(4, 2, 9, {0, 300, 511, 3, 1, 2, 3, 0}, false);
    const auto result = decode(wide);
    ASSERT_TRUE(result);
    EXPECT_EQ(render(*result.picture), "RKKW/GBWR");
    const Bytes big = handMadeGif(w, h, 11, indices, false);
    const auto cut =
        decode(Bytes(big.begin(), big.begin() + static_cast<std::ptrdiff_t>(big.size() / 2)));
    ASSERT_TRUE(cut);
    const std::string got = render(*cut.picture);
    EXPECT_EQ(got.substr(0, 2 * 65), want.substr(0, 2 * 65));
    EXPECT_EQ(got.substr(got.size() - 64), std::string(64, '.'));
    // Code sizes above 11 leave no room for the table and are refused.
    EXPECT_EQ(decode(handMadeGif(4, 2, 12, {0, 1, 2, 3, 0, 1, 2, 3}, false)).failure,
              Failure::Corrupt);
}

// ---------------------------------------------------------------------------------------------

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(GifCorpus, FirstFramesMatchReferenceRenderings) {
    const std::filesystem::path root = std::filesystem::path(ICOGEN_TESTDATA) / "image-rs";
    if (!std::filesystem::exists(root)) GTEST_SKIP() << "no corpus at " << root;
    for (const char* name :
         {"simple/sample_1.gif", "simple/alpha_gif_a.gif", "simple/issue_1455_oversized.gif",
          "anim/interlaced.gif", "anim/oob.gif", "anim/issue_1455_undersized.gif",
          "anim/border_touching_layers.gif"}) {
        SCOPED_TRACE(name);
        const auto ours = decodePicture(readFile(root / "images/gif" / name));
        const auto reference =
            decodePicture(readFile(root / "reference/gif" / (std::string(name) + ".png")));
        ASSERT_TRUE(ours);
        ASSERT_TRUE(reference);
        ASSERT_EQ(ours.picture->width, reference.picture->width);
        ASSERT_EQ(ours.picture->height, reference.picture->height);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < ours.picture->pixels.size(); ++i) {
            const std::uint32_t a = ours.picture->pixels[i], b = reference.picture->pixels[i];
            differing += !((a >> 24 == 0 && b >> 24 == 0) || a == b);
        }
        EXPECT_EQ(differing, 0u);
    }
}

}  // namespace
}  // namespace icogen::picture
