// Well-formed corpus files cut short at many lengths: every cut must come back as a picture or
// a clean failure. Each cut is copied into a buffer of exactly its length, so that a read past
// the end is caught by the address sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "picture/corpus.h"
#include "picture/picture.h"

namespace icogen::picture {
namespace {

constexpr std::size_t kFilesPerKind = 20;
constexpr std::size_t kLargestFile = 128 * 1024;  // keeps the sweep short under the sanitizers
constexpr std::size_t kEveryByteUpTo = 320;       // headers, palettes and directories
constexpr std::size_t kSpreadCuts = 64;           // beyond that, spread over the rest
// Pictures above this many pixels get a quarter of the cuts: each cut decodes the whole size.
constexpr std::uint64_t kLargePicture = 512 * 512;

// The well-formed files of one kind, an evenly spread subset in manifest order.
std::vector<corpus::Row> filesOfKind(const std::string& format) {
    std::vector<corpus::Row> all;
    for (const auto& row : corpus::loadManifest()) {
        if (row.format != format || row.valid != "yes") continue;
        std::error_code error;
        const auto size = std::filesystem::file_size(corpus::root() / row.path, error);
        if (!error && size > 0 && size <= kLargestFile) all.push_back(row);
    }
    if (all.size() <= kFilesPerKind) return all;
    std::vector<corpus::Row> picked;
    for (std::size_t i = 0; i < kFilesPerKind; ++i)
        picked.push_back(all[i * all.size() / kFilesPerKind]);
    return picked;
}

std::vector<std::size_t> cutsFor(std::size_t size, bool large) {
    const std::size_t everyByteUpTo = large ? kEveryByteUpTo / 4 : kEveryByteUpTo;
    const std::size_t spreadCuts = large ? kSpreadCuts / 4 : kSpreadCuts;
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < size && n <= everyByteUpTo; ++n) cuts.push_back(n);
    if (size > everyByteUpTo + 1) {
        const std::size_t span = size - 1 - everyByteUpTo;
        for (std::size_t i = 1; i <= spreadCuts; ++i)
            cuts.push_back(everyByteUpTo + span * i / spreadCuts);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

class Truncation : public ::testing::TestWithParam<std::string> {};

TEST_P(Truncation, EveryCutComesBackCleanly) {
    const auto files = filesOfKind(GetParam());
    ASSERT_FALSE(files.empty()) << "no well-formed " << GetParam() << " files in the corpus";
    std::size_t decodes = 0, pictures = 0;
    std::map<Failure, std::size_t> failures;
    for (const auto& row : files) {
        SCOPED_TRACE(row.path);
        const auto whole = corpus::readFile(corpus::root() / row.path);
        const bool large =
            row.width && row.height && std::uint64_t{*row.width} * *row.height > kLargePicture;
        for (const std::size_t cut : cutsFor(whole.size(), large)) {
            const std::vector<std::uint8_t> bytes(whole.begin(),
                                                  whole.begin() + static_cast<long>(cut));
            // Half the cuts through the reduction path, as the preview decodes.
            const std::uint32_t hint = cut % 2 ? 84 : 0;
            const auto start = std::chrono::steady_clock::now();
            DecodeOptions options;
            options.sizeHint = hint;
            const DecodeResult result = decodePicture(bytes, options);
            ++decodes;
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10))
                << "cut at " << cut;
            if (!result) {
                ++failures[result.failure];
                if (cut == 0) {
                    EXPECT_EQ(result.failure, Failure::NotAPicture);
                }
                continue;
            }
            ++pictures;
            std::vector<std::string> problems;
            corpus::checkShape(*result.picture, bytes, hint, problems);
            for (const auto& p : problems) ADD_FAILURE() << "cut at " << cut << ": " << p;
        }
    }
    std::printf(
        "[ truncate ] %-5s files %2zu  cuts %5zu  pictures %5zu  not a picture %4zu  "
        "corrupt %5zu  unsupported %3zu  too large %3zu\n",
        GetParam().c_str(), files.size(), decodes, pictures, failures[Failure::NotAPicture],
        failures[Failure::Corrupt], failures[Failure::Unsupported], failures[Failure::TooLarge]);
}

INSTANTIATE_TEST_SUITE_P(Corpus, Truncation,
                         ::testing::Values("bmp", "png", "jpeg", "gif", "ico", "cur", "pcx"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace icogen::picture
