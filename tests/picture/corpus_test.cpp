// Every file of the shared picture corpus through the decoder, one test per format and
// validity. Well-formed files of the seven kinds must decode and match their reference pixels;
// malformed and questionable ones must come back cleanly (the sanitizers and the time limit
// catch the rest); files of other kinds must come back as "not a picture".
#include "picture/corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture {
namespace {

using corpus::Row;

// Files the manifest lists as well-formed pictures of a supported kind that this decoder
// rightly does not return as one, and the failure it reports instead.
struct NotAPictureHere {
    Failure failure;
    const char* why;
};
const std::map<std::string, NotAPictureHere>& expectedNone() {
    static const std::map<std::string, NotAPictureHere> table = {
        {"pillow/rgba16.tga",
         {Failure::Corrupt,
          "a TGA file: its first bytes 00 00 02 00 read as a cursor file with no images"}},
        {"pillow/decompression_bomb.ico",
         {Failure::TooLarge,
          "its one entry's bitmap header declares 65535 x 32767 pixels in a 198-byte file "
          "(Pillow's own test expects a decompression-bomb error)"}},
    };
    return table;
}

// References drawn with another convention than this decoder's, and how far apart the two
// conventions may put a channel.
struct Leeway {
    int tolerance;
    const char* why;
};
const std::map<std::string, Leeway>& referenceLeeway() {
    static const char* shifted =
        "the reference widens 5- and 6-bit channels by shifting (31 -> 248); this decoder "
        "replicates the high bits (31 -> 255)";
    static const std::map<std::string, Leeway> table = {
        {"libnsbmp/bmpsuite/g16bf555.bmp", {7, shifted}},
        {"libnsbmp/bmpsuite/g16bf565.bmp", {7, shifted}},
    };
    return table;
}

// Rows that should pass but do not yet, each with what is wrong. Empty is the goal; a row that
// starts passing must be taken off the list.
const std::map<std::string, std::string>& knownFailures() {
    static const std::map<std::string, std::string> table = {};
    return table;
}

constexpr int kJpegTolerance = 8;  // IDCT and upsampling differ between JPEG decoders
// libjpeg's scaled IDCT is close to, not equal to, averaging the full-size pixels.
constexpr int kJpegReducedTolerance = 24;
constexpr auto kTimeLimit = std::chrono::seconds(10);

enum class Expect { Picture, None, Clean };

bool notesSay(const Row& row, const char* phrase) {
    return row.notes.find(phrase) != std::string::npos;
}

Expect expectationFor(const Row& row) {
    if (!corpus::isSupportedFormat(row.format)) return Expect::None;
    if (expectedNone().count(row.path) || notesSay(row, "expect none") ||
        notesSay(row, "must report none") || notesSay(row, "expect clean failure"))
        return Expect::None;
    return row.valid == "yes" ? Expect::Picture : Expect::Clean;
}

bool alphaUseFits(Kind kind, AlphaUse use) {
    switch (kind) {
        case Kind::Bmp:
        case Kind::Jpeg:
        case Kind::Pcx:
            return use == AlphaUse::Opaque;
        case Kind::Ico:
        case Kind::Cur:
        case Kind::Gif:
            return use == AlphaUse::OverBoard;
        case Kind::Png:
            return use == AlphaUse::OverWhite || use == AlphaUse::Opaque;
    }
    return false;
}

using corpus::sizeText;

// "(x,y)=(r,g,b,a)" checks quoted in a row's notes.
void checkQuotedPixels(const Row& row, const Picture& p, std::vector<std::string>& problems) {
    const auto at = row.notes.find("pixel checks");
    if (at == std::string::npos) return;
    const char* text = row.notes.c_str() + at;
    while ((text = std::strchr(text, '(')) != nullptr) {
        unsigned x, y, r, g, b, a;
        int used = 0;
        if (std::sscanf(text, "(%u,%u)=(%u,%u,%u,%u)%n", &x, &y, &r, &g, &b, &a, &used) == 6 &&
            used > 0) {
            if (x >= p.pixelWidth || y >= p.pixelHeight) {
                problems.push_back("quoted pixel outside the picture");
            } else {
                const std::uint32_t got = p.pixels[std::size_t{y} * p.pixelWidth + x];
                const std::uint32_t want = a << 24 | r << 16 | g << 8 | b;
                const bool same = a == 0 ? (got >> 24) == 0 : got == want;
                if (!same) {
                    char line[96];
                    std::snprintf(line, sizeof line, "pixel (%u,%u) is 0x%08X, want 0x%08X", x, y,
                                  got, want);
                    problems.push_back(line);
                }
            }
            text += used;
        } else {
            ++text;
        }
    }
}

// libjpeg's scaled IDCT fills a clipped edge block with the padding the encoder stored
// beyond the edge, so those pixels are not compared.
void skipClippedBlocks(corpus::Image& expected, const Picture& small, const Picture& full,
                       std::uint32_t f, bool fromRight, bool fromBottom) {
    const bool clippedX = full.pixelWidth % f != 0, clippedY = full.pixelHeight % f != 0;
    const std::uint32_t edgeX = fromRight ? 0 : expected.width - 1;
    const std::uint32_t edgeY = fromBottom ? 0 : expected.height - 1;
    for (std::uint32_t y = 0; y < expected.height; ++y) {
        for (std::uint32_t x = 0; x < expected.width; ++x) {
            if ((clippedX && x == edgeX) || (clippedY && y == edgeY)) {
                const std::size_t i = std::size_t{y} * expected.width + x;
                expected.argb[i] = small.pixels[i];
            }
        }
    }
}

unsigned entryCount(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 6 ? bytes[4] | bytes[5] << 8 : 0;
}

struct Tally {
    int rows = 0, passed = 0, failed = 0, known = 0;
    int matched = 0;     // compared with a reference and equal
    int otherEntry = 0;  // the reference shows an entry or frame the decoder did not pick
    int lenient = 0;     // malformed or questionable, yet a picture came back
    int none = 0;        // no picture
    std::map<std::string, int> failures;  // failure name -> rows
};

// Decodes one row and returns what is wrong with the outcome.
std::vector<std::string> checkRow(const Row& row, Tally& tally) {
    std::vector<std::string> problems;
    const auto bytes = corpus::readFile(corpus::root() / row.path);
    if (bytes.empty() && row.format != "empty") return {"cannot read the file"};

    const auto start = std::chrono::steady_clock::now();
    const DecodeResult result = decodePicture(bytes);
    if (std::chrono::steady_clock::now() - start > kTimeLimit)
        problems.push_back("decoding took longer than the time limit");
    if (result)
        corpus::checkShape(*result.picture, bytes, 0, problems);
    else
        ++tally.failures[std::string(failureName(result.failure))], ++tally.none;

    const Expect expect = expectationFor(row);
    if (expect == Expect::None) {
        const auto listed = expectedNone().find(row.path);
        if (result) {
            problems.push_back("decoded as a " +
                               sizeText(result.picture->width, result.picture->height) +
                               " picture; expected none");
        } else if (listed != expectedNone().end() && result.failure != listed->second.failure) {
            problems.push_back("failure is \"" + std::string(failureName(result.failure)) +
                               "\", expected \"" +
                               std::string(failureName(listed->second.failure)) + "\"");
        } else if (!sniffKind(bytes) && result.failure != Failure::NotAPicture) {
            problems.push_back("failure is \"" + std::string(failureName(result.failure)) +
                               "\", expected \"not a picture\"");
        }
        return problems;
    }

    // Through the reduction path too, as the preview board decodes.
    for (std::uint32_t hint : {84u, 8u}) {
        DecodeOptions options;
        options.sizeHint = hint;
        const DecodeResult reduced = decodePicture(bytes, options);
        if (reduced.picture.has_value() != result.picture.has_value()) {
            problems.push_back("size hint " + std::to_string(hint) + " changes whether it decodes");
            continue;
        }
        if (!reduced) continue;
        const Picture& small = *reduced.picture;
        const Picture& full = *result.picture;
        corpus::checkShape(small, bytes, hint, problems);
        if (small.width != full.width || small.height != full.height) {
            problems.push_back("size hint " + std::to_string(hint) + " changes the declared size");
            continue;
        }
        if (expect != Expect::Picture) continue;
        // Reduced by an integer factor: the block averages of the full picture. Several
        // factors may give the same size; one of them must match.
        if (small.pixelWidth == full.pixelWidth && small.pixelHeight == full.pixelHeight) {
            if (small.pixels != full.pixels)
                problems.push_back("size hint " + std::to_string(hint) +
                                   " changes pixels it does not reduce");
            continue;
        }
        const bool jpeg = full.kind == Kind::Jpeg;
        const int tolerance = jpeg ? kJpegReducedTolerance : 1;
        std::string miss;
        bool matched = false;
        for (std::uint32_t f = 2; f <= full.pixelWidth && !matched; ++f) {
            if ((full.pixelWidth + f - 1) / f != small.pixelWidth ||
                (full.pixelHeight + f - 1) / f != small.pixelHeight)
                continue;
            // A JPEG is reduced in its stored orientation, before it is turned.
            for (int anchor = 0; anchor < (jpeg ? 4 : 1) && !matched; ++anchor) {
                auto expected = corpus::blockAverage(full, f, anchor & 1, anchor & 2);
                if (jpeg) skipClippedBlocks(expected, small, full, f, anchor & 1, anchor & 2);
                const auto c =
                    corpus::compare(small, expected, tolerance, small.alphaUse != AlphaUse::Opaque);
                matched = c.differing == 0;
                if (!matched && miss.empty())
                    miss = "factor " + std::to_string(f) + ": " + c.describe();
            }
        }
        if (!matched && !miss.empty())
            problems.push_back("size hint " + std::to_string(hint) +
                               " against averaged full size, " + miss);
    }

    if (expect == Expect::Clean) {
        if (result) ++tally.lenient;
        return problems;
    }

    if (!result) {
        problems.push_back("no picture: " + std::string(failureName(result.failure)));
        return problems;
    }
    const Picture& p = *result.picture;
    if (!alphaUseFits(p.kind, p.alphaUse)) problems.push_back("alpha use does not fit the kind");
    if ((row.format == "bmp" || row.format == "png" || row.format == "jpeg" ||
         row.format == "pcx") &&
        row.width && row.height) {
        const bool same = p.width == *row.width && p.height == *row.height;
        const bool turned =
            row.format == "jpeg" && p.width == *row.height && p.height == *row.width;
        if (!same && !turned)
            problems.push_back("declared size " + sizeText(p.width, p.height) + ", manifest says " +
                               sizeText(*row.width, *row.height));
    }
    checkQuotedPixels(row, p, problems);

    const auto references = corpus::referencesFor(row);
    if (references.empty()) return problems;
    int tolerance = p.kind == Kind::Jpeg ? kJpegTolerance : 0;
    if (const auto it = referenceLeeway().find(row.path); it != referenceLeeway().end())
        tolerance = it->second.tolerance;
    // The PNG suite's renderings turn 16-bit channels into v * 255 / 65535 rounded down; this
    // decoder keeps the high byte, which is one more for some values.
    if (row.path.starts_with("pngsuite/png/") && notesSay(row, "bd16")) tolerance = 1;
    std::vector<std::string> misses;
    bool anySize = false;
    for (const auto& ref : references) {
        const auto image = corpus::loadReference(corpus::root() / ref);
        if (!image) {
            problems.push_back("cannot read the reference " + ref.string());
            return problems;
        }
        const auto c = corpus::compare(p, *image, tolerance, p.alphaUse != AlphaUse::Opaque);
        anySize = anySize || c.sizeMatches;
        if (c.sizeMatches && c.differing == 0) {
            ++tally.matched;
            return problems;
        }
        misses.push_back(ref.string() + ": " +
                         (c.sizeMatches
                              ? c.describe()
                              : "reference is " + sizeText(image->width, image->height) +
                                    ", picture " + sizeText(p.pixelWidth, p.pixelHeight)));
    }
    // A file of several images may be shown by any of them; a reference of another size shows
    // an image the decoder did not pick.
    const bool severalImages =
        ((p.kind == Kind::Ico || p.kind == Kind::Cur) && entryCount(bytes) > 1);
    if (!anySize && severalImages) {
        ++tally.otherEntry;
        return problems;
    }
    for (const auto& m : misses) problems.push_back("mismatch with " + m);
    return problems;
}

std::string groupOf(const Row& row) {
    return row.format + "_" + row.valid;
}

const std::vector<Row>& manifest() {
    static const std::vector<Row> rows = corpus::loadManifest();
    return rows;
}

std::vector<std::string> groups() {
    std::set<std::string> names;
    for (const auto& row : manifest()) names.insert(groupOf(row));
    return {names.begin(), names.end()};
}

TEST(Corpus, ManifestIsThere) {
    ASSERT_GT(manifest().size(), 1000u) << "no picture corpus at " << corpus::root();
    for (const auto& [path, why] : knownFailures())
        EXPECT_TRUE(std::any_of(manifest().begin(), manifest().end(),
                                [&](const Row& r) { return r.path == path; }))
            << path << " is on the known-failure list but not in the manifest";
}

class CorpusGroup : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusGroup, EveryRowComesOutAsExpected) {
    Tally tally;
    for (const auto& row : manifest()) {
        if (groupOf(row) != GetParam()) continue;
        SCOPED_TRACE(row.path);
        ++tally.rows;
        const auto problems = checkRow(row, tally);
        const auto known = knownFailures().find(row.path);
        if (problems.empty()) {
            ++tally.passed;
            if (known != knownFailures().end())
                ADD_FAILURE() << row.path << " passes now: take it off the known-failure list";
            continue;
        }
        if (known != knownFailures().end()) {
            ++tally.known;
            continue;
        }
        ++tally.failed;
        std::string text;
        for (const auto& p : problems) text += "\n    " + p;
        ADD_FAILURE() << row.path << " [" << row.format << ", valid " << row.valid << "]" << text;
    }
    std::string failures;
    for (const auto& [name, count] : tally.failures)
        failures += " " + name + "=" + std::to_string(count);
    std::printf(
        "[ corpus   ] %-12s rows %4d  passed %4d  failed %3d  known %2d  | reference match %3d  "
        "other entry %2d  lenient %3d  none %4d:%s\n",
        GetParam().c_str(), tally.rows, tally.passed, tally.failed, tally.known, tally.matched,
        tally.otherEntry, tally.lenient, tally.none, failures.c_str());
    EXPECT_GT(tally.rows, 0);
}

INSTANTIATE_TEST_SUITE_P(Manifest, CorpusGroup, ::testing::ValuesIn(groups()),
                         [](const auto& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusGroup);

}  // namespace
}  // namespace icogen::picture
