// GIF's LZW image data for a minimum code size of 9 to 11, which giflib refuses (it takes 2 to
// 8) while browsers show such files. Codes below the clear code are colour indices; those above
// 255 point past any colour table.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace icogen::picture::detail {

class GifLzwReader {
  public:
    // `data` from the first data sub-block (just after the code-size byte) to the end of file.
    GifLzwReader(std::span<const std::uint8_t> data, int minCodeSize);

    // The next `count` indices. False when the data ends or breaks first (the line is then
    // incomplete and not to be used).
    bool readLine(std::uint16_t* out, std::uint32_t count);

  private:
    int nextCode();  // -1 at the end of the data

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::size_t blockLeft_ = 0;
    bool dataEnded_ = false;
    std::uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;

    int minCodeSize_, codeSize_, clear_, end_, next_;
    int previous_ = -1;
    bool finished_ = false;
    std::vector<std::uint16_t> prefix_, suffix_, first_;
    std::vector<std::uint16_t> pending_;  // the string being output, last index first
};

}  // namespace icogen::picture::detail
