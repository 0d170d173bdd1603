#include "picture/jpeg_dc.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace icogen::picture::detail {
namespace {

constexpr std::uint8_t kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA, kDHT = 0xC4, kDQT = 0xDB, kDRI = 0xDD,
                       kTEM = 0x01;

bool isRestart(std::uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

std::uint64_t divUp(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

// A DC Huffman table, decoded the canonical way: codes of each length are consecutive.
struct Huffman {
    bool defined = false;
    std::array<std::int32_t, 17> maxCode{};  // per length; -1 when there are none
    std::array<std::int32_t, 17> firstIndex{};
    std::array<std::int32_t, 17> minCode{};
    std::array<std::uint8_t, 256> values{};
};

// Reads the entropy-coded data of one scan, MSB first. 0xFF 0x00 stands for 0xFF; at any other
// marker the data stops and zero bits follow, as libjpeg does.
class BitReader {
  public:
    BitReader(std::span<const std::uint8_t> data, std::size_t pos) : data_(data), pos_(pos) {}

    int bit() {
        if (count_ == 0) {
            current_ = nextByte();
            count_ = 8;
        }
        --count_;
        return (current_ >> count_) & 1;
    }

    int bits(int n) {
        int v = 0;
        for (int i = 0; i < n; ++i) v = v << 1 | bit();
        return v;
    }

    // At a restart: drop the bits left of the current byte and step over the RSTn marker.
    void restart() {
        count_ = 0;
        if (!atMarker_) {
            // Skip whatever lies before the marker.
            while (pos_ < data_.size() && !markerAt(pos_)) ++pos_;
            if (pos_ >= data_.size()) {
                ranOut_ = true;
                return;
            }
            atMarker_ = true;
        }
        std::size_t p = pos_;
        while (p + 1 < data_.size() && data_[p + 1] == 0xFF) ++p;  // fill bytes
        if (p + 1 < data_.size() && isRestart(data_[p + 1])) {
            pos_ = p + 2;
            atMarker_ = false;
        }
    }

    bool ranOut() const { return ranOut_; }
    // The data stopped at a marker that is not the restart marker due here.
    bool atMarker() const { return atMarker_; }

    // Where the next marker after this scan's data starts (or the end of the data).
    std::size_t nextMarker() const {
        std::size_t p = pos_;
        while (p < data_.size()) {
            if (markerAt(p) && !isRestart(data_[p + 1])) return p;
            ++p;
        }
        return data_.size();
    }

    // A marker (0xFF then neither 0x00 nor 0xFF) at p.
    bool markerAt(std::size_t p) const {
        return data_[p] == 0xFF && p + 1 < data_.size() && data_[p + 1] != 0x00 &&
               data_[p + 1] != 0xFF;
    }

  private:
    std::uint8_t nextByte() {
        if (atMarker_) return 0;
        if (pos_ >= data_.size()) {
            ranOut_ = true;
            return 0;
        }
        const std::uint8_t b = data_[pos_];
        if (b != 0xFF) {
            ++pos_;
            return b;
        }
        if (pos_ + 1 >= data_.size()) {
            ranOut_ = true;
            return 0;
        }
        if (data_[pos_ + 1] == 0x00) {
            pos_ += 2;
            return 0xFF;
        }
        atMarker_ = true;
        return 0;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_;
    std::uint8_t current_ = 0;
    int count_ = 0;
    bool atMarker_ = false;
    bool ranOut_ = false;
};

// Returns the symbol, or 0 for a code that is in no table (libjpeg warns and does the same).
int decodeSymbol(BitReader& in, const Huffman& t) {
    std::int32_t code = 0;
    for (int length = 1; length <= 16; ++length) {
        code = code << 1 | in.bit();
        if (code <= t.maxCode[length])
            return t
                .values[static_cast<std::size_t>(t.firstIndex[length] + code - t.minCode[length])];
    }
    return 0;
}

struct Plane {
    std::uint32_t width = 0, height = 0;  // in blocks, padded to whole MCUs
    std::vector<std::int16_t> dc;
    int quant = 0;  // the DC quantizer, fixed when the component is first scanned
    bool latched = false;
};

// libjpeg's 1x1 inverse DCT: an eighth of the dequantized DC, centred, through its
// range-limit table (which wraps values far out of range the same way).
std::uint8_t sampleOf(std::int16_t dc, int quant) {
    const std::int64_t v = (std::int64_t{dc} * quant + 4) >> 3;
    const auto i = static_cast<int>(v & 1023);
    if (i < 128) return static_cast<std::uint8_t>(i + 128);
    if (i < 512) return 255;
    if (i < 896) return 0;
    return static_cast<std::uint8_t>(i - 896);
}

std::uint8_t clamp255(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// libjpeg's YCbCr tables (16-bit fixed point).
struct YccTables {
    std::array<int, 256> crR{}, cbB{};
    std::array<std::int32_t, 256> crG{}, cbG{};
    YccTables() {
        constexpr std::int32_t half = 1 << 15;
        auto fix = [](double x) { return static_cast<std::int32_t>(x * (1 << 16) + 0.5); };
        for (int i = 0; i < 256; ++i) {
            const std::int32_t x = i - 128;
            crR[i] = static_cast<int>((fix(1.40200) * x + half) >> 16);
            cbB[i] = static_cast<int>((fix(1.77200) * x + half) >> 16);
            crG[i] = -fix(0.71414) * x;
            cbG[i] = -fix(0.34414) * x + half;
        }
    }
};

class DcDecoder {
  public:
    DcDecoder(std::span<const std::uint8_t> file, const DcFrame& frame, int maxScans)
        : file_(file), frame_(frame), maxScans_(maxScans) {
        for (const DcComponent& c : frame.components) {
            hMax_ = std::max(hMax_, c.h);
            vMax_ = std::max(vMax_, c.v);
        }
        mcusPerRow_ = divUp(frame.width, 8ull * hMax_);
        mcuRows_ = divUp(frame.height, 8ull * vMax_);
        planes_.resize(frame.components.size());
        for (std::size_t i = 0; i < planes_.size(); ++i) {
            Plane& p = planes_[i];
            p.width = static_cast<std::uint32_t>(mcusPerRow_ * frame.components[i].h);
            p.height = static_cast<std::uint32_t>(mcuRows_ * frame.components[i].v);
            p.dc.assign(std::size_t{p.width} * p.height, 0);
        }
    }

    DcOutcome run(const DcRowSink& sink) {
        if (file_.size() < 2 || file_[0] != 0xFF || file_[1] != kSOI) return fail(Failure::Corrupt);
        std::size_t pos = 2;
        // Every pass moves pos forward, so the loop ends with the data.
        while (!ranOut_) {
            while (pos < file_.size() && file_[pos] != 0xFF) ++pos;          // stray bytes
            while (pos + 1 < file_.size() && file_[pos + 1] == 0xFF) ++pos;  // fill bytes
            if (pos + 1 >= file_.size()) {
                ranOut_ = true;
                break;
            }
            const std::uint8_t marker = file_[pos + 1];
            pos += 2;
            if (marker == kEOI) break;
            if (marker == kSOI || marker == kTEM || marker == 0x00 || isRestart(marker)) continue;
            if (pos + 2 > file_.size()) {
                ranOut_ = true;
                break;
            }
            const std::size_t length = std::size_t{file_[pos]} << 8 | file_[pos + 1];
            if (length < 2) return fail(Failure::Corrupt);
            if (pos + length > file_.size()) {
                ranOut_ = true;
                break;
            }
            const auto segment = file_.subspan(pos + 2, length - 2);
            pos += length;
            std::optional<Failure> bad;
            switch (marker) {
                case kDHT:
                    bad = readHuffman(segment);
                    break;
                case kDQT:
                    bad = readQuant(segment);
                    break;
                case kDRI:
                    if (segment.size() != 2) return fail(Failure::Corrupt);
                    restartInterval_ = std::uint32_t{segment[0]} << 8 | segment[1];
                    break;
                case kSOS:
                    bad = readScan(segment, pos);
                    break;
                default:
                    break;  // APPn, COM, the frame header (already read) and the like
            }
            if (bad) return fail(*bad);
        }
        // Without one whole row of blocks from a DC scan there is nothing to show.
        if (!rowArrived_) {
            DcOutcome out;
            out.nothingArrived = true;
            return out;
        }
        emitRows(sink);
        return {};
    }

  private:
    static DcOutcome fail(Failure f) {
        DcOutcome out;
        out.failure = f;
        return out;
    }

    std::optional<Failure> readHuffman(std::span<const std::uint8_t> s) {
        std::size_t at = 0;
        while (at < s.size()) {
            if (at + 17 > s.size()) return Failure::Corrupt;
            const int tableClass = s[at] >> 4, id = s[at] & 0x0F;
            if (tableClass > 1 || id > 3) return Failure::Corrupt;
            int total = 0;
            for (int i = 1; i <= 16; ++i) total += s[at + static_cast<std::size_t>(i)];
            if (total > 256 || at + 17 + static_cast<std::size_t>(total) > s.size())
                return Failure::Corrupt;
            if (tableClass == 0) {
                Huffman& t = dcTables_[static_cast<std::size_t>(id)];
                t = Huffman{};
                std::int32_t code = 0, index = 0;
                for (int length = 1; length <= 16; ++length) {
                    const int n = s[at + static_cast<std::size_t>(length)];
                    t.firstIndex[length] = index;
                    t.minCode[length] = code;
                    code += n;
                    index += n;
                    t.maxCode[length] = n ? code - 1 : -1;
                    if (code > (1 << length)) return Failure::Corrupt;  // codes overflow
                    code <<= 1;
                }
                for (int i = 0; i < total; ++i) {
                    const std::uint8_t v = s[at + 17 + static_cast<std::size_t>(i)];
                    if (v > 15) return Failure::Corrupt;  // no DC difference is that long
                    t.values[static_cast<std::size_t>(i)] = v;
                }
                t.defined = true;
            }
            at += 17 + static_cast<std::size_t>(total);
        }
        return std::nullopt;
    }

    std::optional<Failure> readQuant(std::span<const std::uint8_t> s) {
        std::size_t at = 0;
        while (at < s.size()) {
            const int precision = s[at] >> 4, id = s[at] & 0x0F;
            if (precision > 1 || id > 3) return Failure::Corrupt;
            const std::size_t size = precision ? 128 : 64;
            if (at + 1 + size > s.size()) return Failure::Corrupt;
            // Only the first value, the DC quantizer, matters here.
            quant_[static_cast<std::size_t>(id)] =
                precision ? (s[at + 1] << 8 | s[at + 2]) : s[at + 1];
            quantDefined_[static_cast<std::size_t>(id)] = true;
            at += 1 + size;
        }
        return std::nullopt;
    }

    // The scan header is `s`; its entropy-coded data starts at `pos`, which is moved past it.
    std::optional<Failure> readScan(std::span<const std::uint8_t> s, std::size_t& pos) {
        if (++scans_ > maxScans_) return Failure::Corrupt;
        if (s.empty()) return Failure::Corrupt;
        const std::size_t count = s[0];
        if (count < 1 || count > 4 || s.size() != 4 + 2 * count) return Failure::Corrupt;
        std::array<std::size_t, 4> comps{};
        std::array<int, 4> tables{};
        int blocksPerMcu = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const int id = s[1 + 2 * i];
            const auto it = std::find_if(frame_.components.begin(), frame_.components.end(),
                                         [&](const DcComponent& c) { return c.id == id; });
            if (it == frame_.components.end()) return Failure::Corrupt;
            comps[i] = static_cast<std::size_t>(it - frame_.components.begin());
            for (std::size_t j = 0; j < i; ++j)
                if (comps[j] == comps[i]) return Failure::Corrupt;
            tables[i] = s[2 + 2 * i] >> 4;
            blocksPerMcu += it->h * it->v;
        }
        if (count > 1 && blocksPerMcu > 10) return Failure::Corrupt;
        const int ss = s[1 + 2 * count], se = s[2 + 2 * count];
        const int ah = s[3 + 2 * count] >> 4, al = s[3 + 2 * count] & 0x0F;

        // Each component's quantizer is fixed by its first scan, as libjpeg does.
        for (std::size_t i = 0; i < count; ++i) {
            Plane& p = planes_[comps[i]];
            if (p.latched) continue;
            const auto table = static_cast<std::size_t>(frame_.components[comps[i]].quantTable);
            if (table > 3 || !quantDefined_[table]) return Failure::Corrupt;
            p.quant = quant_[table];
            p.latched = true;
        }

        BitReader in(file_, pos);
        if (ss != 0) {
            // An AC scan: not needed at this size. It has one component.
            if (count != 1 || se < ss || se > 63 || (ah != 0 && al != ah - 1) || al > 13)
                return Failure::Corrupt;
            pos = in.nextMarker();
            if (pos >= file_.size()) ranOut_ = true;
            return std::nullopt;
        }
        if (se != 0 || (ah != 0 && al != ah - 1) || al > 13) return Failure::Corrupt;
        if (ah == 0)
            for (std::size_t i = 0; i < count; ++i)
                if (tables[i] > 3 || !dcTables_[static_cast<std::size_t>(tables[i])].defined)
                    return Failure::Corrupt;

        std::uint64_t perRow, rows;
        if (count > 1) {
            perRow = mcusPerRow_;
            rows = mcuRows_;
        } else {
            // A scan of one component goes block by block over that component alone.
            const DcComponent& c = frame_.components[comps[0]];
            perRow = divUp(std::uint64_t{frame_.width} * c.h, 8ull * hMax_);
            rows = divUp(std::uint64_t{frame_.height} * c.v, 8ull * vMax_);
        }
        std::array<std::int32_t, 4> pred{};
        std::uint32_t toRestart = restartInterval_;
        // Once the data stops at a marker early, the blocks up to the next restart keep what
        // they have (as with libjpeg); without restarts the scan is over.
        bool skipping = false;
        for (std::uint64_t my = 0; my < rows; ++my) {
            bool wholeRow = true;
            for (std::uint64_t mx = 0; mx < perRow; ++mx) {
                if (restartInterval_) {
                    if (toRestart == 0) {
                        in.restart();
                        pred = {};
                        toRestart = restartInterval_;
                        skipping = in.atMarker();
                    }
                    --toRestart;
                }
                if (skipping) {
                    if (!restartInterval_) {
                        pos = in.nextMarker();
                        return std::nullopt;
                    }
                    wholeRow = false;
                    continue;
                }
                for (std::size_t i = 0; i < count; ++i) {
                    const DcComponent& c = frame_.components[comps[i]];
                    Plane& p = planes_[comps[i]];
                    const int bw = count > 1 ? c.h : 1, bh = count > 1 ? c.v : 1;
                    for (int by = 0; by < bh; ++by) {
                        for (int bx = 0; bx < bw; ++bx) {
                            const std::size_t index = (my * bh + by) * p.width + mx * bw + bx;
                            if (ah == 0) {
                                const int size = decodeSymbol(
                                    in, dcTables_[static_cast<std::size_t>(tables[i])]);
                                std::int32_t diff = 0;
                                if (size) {
                                    diff = in.bits(size);
                                    if (diff < (1 << (size - 1))) diff -= (1 << size) - 1;
                                }
                                if ((pred[i] >= 0 && diff > INT_MAX - pred[i]) ||
                                    (pred[i] < 0 && diff < INT_MIN - pred[i]))
                                    return Failure::Corrupt;
                                pred[i] += diff;
                                p.dc[index] = static_cast<std::int16_t>(
                                    static_cast<std::uint32_t>(pred[i]) << al);
                            } else if (in.bit()) {
                                p.dc[index] = static_cast<std::int16_t>(p.dc[index] | (1 << al));
                            }
                        }
                    }
                }
                if (in.ranOut()) {
                    // The rest keeps what earlier scans gave it.
                    ranOut_ = true;
                    return std::nullopt;
                }
                if (in.atMarker()) {
                    skipping = true;
                    wholeRow = false;
                }
            }
            if (wholeRow) rowArrived_ = true;
        }
        pos = in.nextMarker();
        return std::nullopt;
    }

    void emitRows(const DcRowSink& sink) const {
        static const YccTables ycc;
        const std::uint32_t outW = static_cast<std::uint32_t>(divUp(frame_.width, 8));
        const std::uint32_t outH = static_cast<std::uint32_t>(divUp(frame_.height, 8));
        const std::size_t n = planes_.size();
        // Per component, the samples of the current row of blocks, one a block column.
        std::vector<std::vector<std::uint8_t>> samples(n);
        for (std::size_t i = 0; i < n; ++i) samples[i].resize(planes_[i].width);
        std::array<std::uint8_t, 3> v{};
        for (std::uint32_t oy = 0; oy < outH; ++oy) {
            for (std::size_t i = 0; i < n; ++i) {
                const Plane& p = planes_[i];
                const std::size_t blockRow = std::size_t{oy} * frame_.components[i].v / vMax_;
                for (std::uint32_t bx = 0; bx < p.width; ++bx)
                    samples[i][bx] =
                        p.latched ? sampleOf(p.dc[blockRow * p.width + bx], p.quant) : 128;
            }
            std::uint8_t* row = sink.rowBuffer(oy);
            for (std::uint32_t ox = 0; ox < outW; ++ox) {
                for (std::size_t i = 0; i < n; ++i)
                    v[i] = samples[i][std::size_t{ox} * frame_.components[i].h / hMax_];
                std::uint8_t r = 0, g = 0, b = 0;
                switch (frame_.colour) {
                    case DcColour::Grey:
                        r = g = b = v[0];
                        break;
                    case DcColour::Rgb:
                        r = v[0];
                        g = v[1];
                        b = v[2];
                        break;
                    case DcColour::YCbCr:
                        r = clamp255(v[0] + ycc.crR[v[2]]);
                        g = clamp255(v[0] +
                                     static_cast<int>((ycc.cbG[v[1]] + ycc.crG[v[2]]) >> 16));
                        b = clamp255(v[0] + ycc.cbB[v[1]]);
                        break;
                }
                const std::uint32_t argb =
                    0xFF000000u | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
                std::memcpy(row + std::size_t{ox} * 4, &argb, 4);
            }
            sink.rowDone(oy);
        }
    }

    std::span<const std::uint8_t> file_;
    const DcFrame& frame_;
    int maxScans_;
    int hMax_ = 1, vMax_ = 1;
    std::uint64_t mcusPerRow_ = 0, mcuRows_ = 0;
    std::vector<Plane> planes_;
    std::array<Huffman, 4> dcTables_{};
    std::array<int, 4> quant_{};
    std::array<bool, 4> quantDefined_{};
    std::uint32_t restartInterval_ = 0;
    int scans_ = 0;
    bool ranOut_ = false;
    bool rowArrived_ = false;
};

}  // namespace

bool dcDecodable(const DcFrame& frame) {
    const std::size_t n = frame.components.size();
    if (n != 1 && n != 3) return false;
    if ((frame.colour == DcColour::Grey) != (n == 1)) return false;
    int hMax = 1, vMax = 1;
    for (const DcComponent& c : frame.components) {
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return false;
        hMax = std::max(hMax, c.h);
        vMax = std::max(vMax, c.v);
    }
    // Whole-number ratios only: each output pixel then takes one block of every component.
    for (const DcComponent& c : frame.components)
        if (hMax % c.h != 0 || vMax % c.v != 0) return false;
    return frame.width > 0 && frame.height > 0;
}

DcOutcome decodeProgressiveDc(std::span<const std::uint8_t> file, const DcFrame& frame,
                              int maxScans, const DcRowSink& sink) {
    if (!dcDecodable(frame)) {
        DcOutcome out;
        out.failure = Failure::Unsupported;
        return out;
    }
    DcDecoder decoder(file, frame, maxScans);
    return decoder.run(sink);
}

}  // namespace icogen::picture::detail
