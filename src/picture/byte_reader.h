// Bounds-checked little-endian reading of untrusted bytes. Offsets and counts are 64-bit so that a
// size taken from a file can never wrap around; nothing here reads outside the span.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace icogen::picture::detail {

// `count` bytes at `offset`, or none when they are not all inside `bytes`.
inline std::optional<std::span<const std::uint8_t>> sliceOf(std::span<const std::uint8_t> bytes,
                                                            std::uint64_t offset,
                                                            std::uint64_t count) {
    if (offset > bytes.size() || count > bytes.size() - offset) return std::nullopt;
    return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

// The bytes from `offset` to the end (empty when `offset` is at or past the end).
inline std::span<const std::uint8_t> tailOf(std::span<const std::uint8_t> bytes,
                                            std::uint64_t offset) {
    if (offset >= bytes.size()) return {};
    return bytes.subspan(static_cast<std::size_t>(offset));
}

// Reads that run past the end yield none.
inline std::optional<std::uint8_t> readU8(std::span<const std::uint8_t> b, std::uint64_t offset) {
    if (offset >= b.size()) return std::nullopt;
    return b[static_cast<std::size_t>(offset)];
}

inline std::optional<std::uint16_t> readU16(std::span<const std::uint8_t> b, std::uint64_t offset) {
    if (offset > b.size() || b.size() - offset < 2) return std::nullopt;
    const auto* p = b.data() + offset;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::optional<std::uint32_t> readU32(std::span<const std::uint8_t> b, std::uint64_t offset) {
    if (offset > b.size() || b.size() - offset < 4) return std::nullopt;
    const auto* p = b.data() + offset;
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline std::optional<std::int32_t> readI32(std::span<const std::uint8_t> b, std::uint64_t offset) {
    const auto v = readU32(b, offset);
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

// A cursor over a span. A read past the end yields 0 (or an empty span), leaves the cursor at the
// end and makes ok() false for good, so a run of reads can be checked once at the end.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes, std::uint64_t offset = 0)
        : bytes_(bytes) {
        seek(offset);
    }

    bool ok() const { return ok_; }
    std::uint64_t offset() const { return pos_; }
    std::uint64_t size() const { return bytes_.size(); }
    std::uint64_t remaining() const { return bytes_.size() - pos_; }
    bool has(std::uint64_t count) const { return count <= remaining(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    void seek(std::uint64_t offset) {
        if (offset > bytes_.size()) {
            pos_ = bytes_.size();
            ok_ = false;
        } else {
            pos_ = offset;
        }
    }

    void skip(std::uint64_t count) {
        if (!has(count)) {
            pos_ = bytes_.size();
            ok_ = false;
        } else {
            pos_ += count;
        }
    }

    std::uint8_t u8() { return static_cast<std::uint8_t>(take<1>()); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take<2>()); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take<4>()); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // The next `count` bytes, or an empty span (and ok() false) when fewer are left.
    std::span<const std::uint8_t> span(std::uint64_t count) {
        if (!has(count)) {
            pos_ = bytes_.size();
            ok_ = false;
            return {};
        }
        auto s = bytes_.subspan(static_cast<std::size_t>(pos_), static_cast<std::size_t>(count));
        pos_ += count;
        return s;
    }

  private:
    template <int N>
    std::uint64_t take() {
        if (!has(N)) {
            pos_ = bytes_.size();
            ok_ = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (int i = 0; i < N; ++i)
            v |= static_cast<std::uint64_t>(bytes_[static_cast<std::size_t>(pos_) + i]) << (8 * i);
        pos_ += N;
        return v;
    }

    std::span<const std::uint8_t> bytes_;
    std::uint64_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace icogen::picture::detail
