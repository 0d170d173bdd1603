// Reading the shared picture corpus: its manifest, its files and the reference pixels that some
// files come with. References are read with libpng directly (and a minimal reader for the
// 32-bit BMP renderings), never with the decoder under test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace icogen::picture::corpus {

std::filesystem::path root();

struct Row {
    std::string path;                            // relative to root()
    std::string format;                          // bmp, png, ..., other, tiff, empty
    std::string valid;                           // yes, no, unknown
    std::optional<std::uint32_t> width, height;  // as the header declares (absolute value)
    std::string notes;
};

// Every row of MANIFEST.tsv, in file order. Empty when the corpus is not there.
std::vector<Row> loadManifest();

// The whole file, in a buffer of exactly its size (so that a read past the end is caught).
std::vector<std::uint8_t> readFile(const std::filesystem::path& path);

// One of the seven kinds the decoder reads.
bool isSupportedFormat(const std::string& format);
std::optional<Kind> kindOfFormat(const std::string& format);

std::string sizeText(std::uint32_t width, std::uint32_t height);

// What every picture the decoder returns must satisfy, whatever the input: a size within the
// limits, as many pixels as the pixel size says, reduced only with a size hint and never below
// it, the kind the first bytes tell. Adds a line to `problems` for each breach.
void checkShape(const Picture& picture, std::span<const std::uint8_t> bytes, std::uint32_t sizeHint,
                std::vector<std::string>& problems);

// Expected pixels, 0xAARRGGBB rows top-down like Picture::pixels.
struct Image {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> argb;
};

// A PNG (any colour type and depth, expanded to 8-bit RGBA without gamma correction) or a
// 32-bit BMP with the usual channel masks. Empty when the file cannot be read.
std::optional<Image> loadReference(const std::filesystem::path& path);

// The reference files for a row, any one of which the decoded picture may match, resolved the
// way the corpus README and the row's notes name them. Empty when there is none.
std::vector<std::filesystem::path> referencesFor(const Row& row);

struct Comparison {
    bool sizeMatches = false;
    std::size_t differing = 0;  // pixels beyond the tolerance
    int maxDifference = 0;      // the largest channel difference over the compared pixels
    std::uint32_t firstX = 0, firstY = 0, got = 0, want = 0;
    std::string describe() const;
};

// Compares pixel by pixel. Where the expected alpha is 0 the colour is ignored (and, when
// alpha counts, the decoded alpha must be 0 too). With compareAlpha false only the colour of
// pixels the reference does not make fully transparent is compared.
Comparison compare(const Picture& picture, const Image& expected, int tolerance, bool compareAlpha);

// The pixels a size hint may give, computed from the full-size picture: each block of
// factor x factor pixels (clipped at the right and bottom edges) averaged; colours weighted by
// alpha unless the picture is drawn opaque. The blocks start at the top-left corner, or, for a
// picture turned or mirrored after it was reduced, at the right and/or bottom edge.
Image blockAverage(const Picture& full, std::uint32_t factor, bool fromRight = false,
                   bool fromBottom = false);

}  // namespace icogen::picture::corpus
