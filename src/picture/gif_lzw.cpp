#include "picture/gif_lzw.h"

namespace icogen::picture::detail {
namespace {
constexpr int kMaxCodes = 4096;  // 12-bit codes
}

GifLzwReader::GifLzwReader(std::span<const std::uint8_t> data, int minCodeSize)
    : data_(data),
      minCodeSize_(minCodeSize),
      codeSize_(minCodeSize + 1),
      clear_(1 << minCodeSize),
      end_(clear_ + 1),
      next_(clear_ + 2),
      prefix_(kMaxCodes),
      suffix_(kMaxCodes),
      first_(kMaxCodes) {
    for (int i = 0; i < clear_; ++i) {
        suffix_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
        first_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i);
    }
    pending_.reserve(kMaxCodes);
}

int GifLzwReader::nextCode() {
    while (bitCount_ < codeSize_) {
        if (blockLeft_ == 0) {
            // The next sub-block: a length byte, 0 ending the data.
            if (dataEnded_ || pos_ >= data_.size() || data_[pos_] == 0) {
                dataEnded_ = true;
                return -1;
            }
            blockLeft_ = data_[pos_++];
        }
        if (pos_ >= data_.size()) {
            dataEnded_ = true;
            return -1;
        }
        bitBuffer_ |= std::uint32_t{data_[pos_++]} << bitCount_;
        bitCount_ += 8;
        --blockLeft_;
    }
    const int code = static_cast<int>(bitBuffer_ & ((1u << codeSize_) - 1));
    bitBuffer_ >>= codeSize_;
    bitCount_ -= codeSize_;
    return code;
}

bool GifLzwReader::readLine(std::uint16_t* out, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        if (!pending_.empty()) {
            out[done++] = pending_.back();
            pending_.pop_back();
            continue;
        }
        if (finished_) return false;
        const int code = nextCode();
        if (code < 0 || code == end_) {
            finished_ = true;
            return false;
        }
        if (code == clear_) {
            codeSize_ = minCodeSize_ + 1;
            next_ = clear_ + 2;
            previous_ = -1;
            continue;
        }
        int string;
        if (previous_ < 0) {
            if (code >= clear_) {  // the first code after a clear must be an index
                finished_ = true;
                return false;
            }
            string = code;
        } else if (code < next_) {
            string = code;
            if (next_ < kMaxCodes) {
                prefix_[static_cast<std::size_t>(next_)] = static_cast<std::uint16_t>(previous_);
                suffix_[static_cast<std::size_t>(next_)] = first_[static_cast<std::size_t>(code)];
                first_[static_cast<std::size_t>(next_)] =
                    first_[static_cast<std::size_t>(previous_)];
                ++next_;
            }
        } else if (code == next_ && next_ < kMaxCodes) {
            // The string just being defined: the previous one and its own first index.
            prefix_[static_cast<std::size_t>(next_)] = static_cast<std::uint16_t>(previous_);
            suffix_[static_cast<std::size_t>(next_)] = first_[static_cast<std::size_t>(previous_)];
            first_[static_cast<std::size_t>(next_)] = first_[static_cast<std::size_t>(previous_)];
            string = next_++;
        } else {
            finished_ = true;
            return false;
        }
        // Unwind the string, last index first; a string is at most kMaxCodes long.
        for (int c = string; c >= clear_; c = prefix_[static_cast<std::size_t>(c)])
            pending_.push_back(suffix_[static_cast<std::size_t>(c)]);
        pending_.push_back(static_cast<std::uint16_t>(
            string >= clear_ ? first_[static_cast<std::size_t>(string)] : string));
        previous_ = code;
        if (next_ == (1 << codeSize_) && codeSize_ < 12) ++codeSize_;
    }
    return true;
}

}  // namespace icogen::picture::detail
