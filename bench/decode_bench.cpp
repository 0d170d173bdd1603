// Decoding large pictures for an 84-pixel display, side by side with the bare libraries.
//
// The pictures are made here, once, by libjpeg and libpng: a 6000 x 4000 baseline JPEG and a
// progressive one, a 6000 x 4000 RGBA PNG and a 20000 x 20000 RGB PNG of flat tiles (so that
// making it stays quick). Each is decoded by decodePicture with a size hint of 84 and by the
// bare library: libjpeg at scale 1/8 in a plain jpeg_read_scanlines loop, libpng row by row
// without transformations. Next to the time, each case reports the largest growth of the heap
// while it runs (malloc and free are counted in this program), that is the peak memory above
// the input bytes, which are allocated before.
//
//   decode_bench --benchmark_repetitions=5
// ends with a table of the medians, the ratio of each decodePicture case to its bare library,
// the peak memory and whether the targets hold.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>  // jpeglib.h needs FILE
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <png.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "picture/picture.h"

// ---------------------------------------------------------------------------------------------
// Heap counting: every allocation of the program, the libraries' included, goes through these.

namespace heap {

std::atomic<std::size_t> current{0};
std::atomic<std::size_t> peak{0};

void grew(void* p) {
    if (!p) return;
    const std::size_t size = malloc_usable_size(p);
    const std::size_t now = current.fetch_add(size) + size;
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

void shrank(void* p) {
    if (p) current.fetch_sub(malloc_usable_size(p));
}

// The largest growth of the heap over its size when `work` starts, in MiB.
double peakMiBDuring(const std::function<void()>& work) {
#ifdef ICOGEN_BENCH_NO_HEAP_COUNT
    work();
    return -1;
#else
    const std::size_t base = current.load();
    peak.store(base);
    work();
    return static_cast<double>(peak.load() - base) / (1024.0 * 1024.0);
#endif
}

}  // namespace heap

#ifndef ICOGEN_BENCH_NO_HEAP_COUNT
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t size) {
    void* p = __libc_malloc(size);
    heap::grew(p);
    return p;
}
void* calloc(std::size_t count, std::size_t size) {
    void* p = __libc_calloc(count, size);
    heap::grew(p);
    return p;
}
void* realloc(void* old, std::size_t size) {
    const std::size_t before = old ? malloc_usable_size(old) : 0;
    void* p = __libc_realloc(old, size);
    if (p || size == 0) {
        heap::current.fetch_sub(before);
        heap::grew(p);
    }
    return p;
}
void free(void* p) {
    heap::shrank(p);
    __libc_free(p);
}
void* memalign(std::size_t alignment, std::size_t size) {
    void* p = __libc_memalign(alignment, size);
    heap::grew(p);
    return p;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* p = memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kDisplay = 84;

// ---------------------------------------------------------------------------------------------
// Making the pictures.

// A photograph-like pixel: smooth gradients with a little noise.
std::uint8_t grain(std::uint32_t x, std::uint32_t y, std::uint32_t salt) {
    std::uint32_t h = x * 374761393u + y * 668265263u + salt * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<std::uint8_t>((h >> 24) & 15);
}
std::uint8_t smooth(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                    std::uint32_t channel) {
    const std::uint64_t v = channel == 0   ? std::uint64_t{x} * 230 / w
                            : channel == 1 ? std::uint64_t{y} * 230 / h
                                           : (std::uint64_t{x} + y) * 230 / (w + h);
    return static_cast<std::uint8_t>(v + grain(x, y, channel));
}

Bytes makeJpeg(std::uint32_t w, std::uint32_t h, bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t{w} * 3);
    while (c.next_scanline < h) {
        const std::uint32_t y = c.next_scanline;
        for (std::uint32_t x = 0; x < w; ++x)
            for (std::uint32_t ch = 0; ch < 3; ++ch)
                row[std::size_t{x} * 3 + ch] = smooth(x, y, w, h, ch);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    Bytes bytes(out, out + size);
    std::free(out);
    jpeg_destroy_compress(&c);
    return bytes;
}

[[noreturn]] void pngFailed(png_structp, png_const_charp message) {
    std::fprintf(stderr, "libpng: %s\n", message);
    std::abort();
}

void appendPng(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// RGBA with a photograph's variety, or RGB tiles of flat colour that compress well.
Bytes makePng(std::uint32_t w, std::uint32_t h, bool tiles) {
    Bytes bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendPng, nullptr);
    const int channels = tiles ? 3 : 4;
    png_set_IHDR(png, info, w, h, 8, tiles ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, tiles ? 1 : 6);
    if (tiles) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t{w} * channels);
    for (std::uint32_t y = 0; y < h; ++y) {
        for (std::uint32_t x = 0; x < w; ++x) {
            png_byte* p = row.data() + std::size_t{x} * channels;
            if (tiles) {
                const std::uint32_t t = (x / 500) * 7 + (y / 500) * 13;
                p[0] = static_cast<png_byte>(t * 37);
                p[1] = static_cast<png_byte>(t * 59);
                p[2] = static_cast<png_byte>(t * 83);
            } else {
                for (std::uint32_t ch = 0; ch < 3; ++ch) p[ch] = smooth(x, y, w, h, ch);
                p[3] = static_cast<png_byte>(128 + (x + y) % 128);
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

struct Source {
    const char* name;
    std::function<Bytes()> make;
    double memoryTargetMiB;
};

const Bytes& pictureOf(const Source& source) {
    static std::mutex lock;
    static std::map<std::string, Bytes> made;
    std::lock_guard guard(lock);
    auto it = made.find(source.name);
    if (it == made.end()) it = made.emplace(source.name, source.make()).first;
    return it->second;
}

// ---------------------------------------------------------------------------------------------
// The decoders compared.

bool icogenDecode(const Bytes& bytes) {
    icogen::picture::DecodeOptions options;
    options.sizeHint = kDisplay;
    const auto result = icogen::picture::decodePicture(bytes, options);
    if (!result) return false;
    benchmark::DoNotOptimize(result.picture->pixels.data());
    return true;
}

bool bareLibjpegEighth(const Bytes& bytes) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    c.scale_num = 1;
    c.scale_denom = 8;
    jpeg_start_decompress(&c);
    std::vector<JSAMPLE> row(std::size_t{c.output_width} * c.output_components);
    JSAMPROW r = row.data();
    while (c.output_scanline < c.output_height) jpeg_read_scanlines(&c, &r, 1);
    benchmark::DoNotOptimize(row.data());
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return true;
}

struct MemoryInput {
    const Bytes* bytes;
    std::size_t pos;
};

void readPng(png_structp png, png_bytep out, std::size_t length) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (length > in->bytes->size() - in->pos) pngFailed(png, "read past the end");
    std::memcpy(out, in->bytes->data() + in->pos, length);
    in->pos += length;
}

bool bareLibpngRows(const Bytes& bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFailed, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryInput input{&bytes, 0};
    png_set_read_fn(png, &input, readPng);
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(png, info);
    std::vector<png_byte> row(png_get_rowbytes(png, info));
    const png_uint_32 height = png_get_image_height(png, info);
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, row.data(), nullptr);
    benchmark::DoNotOptimize(row.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

struct Case {
    std::string name;
    const Source* source;
    bool (*decode)(const Bytes&);
    bool ours;
};

std::map<std::string, double>& peaks() {
    static std::map<std::string, double> table;
    return table;
}

void run(benchmark::State& state, const Case& c) {
    const Bytes& bytes = pictureOf(*c.source);
    if (!peaks().count(c.name)) {
        bool ok = false;
        peaks()[c.name] = heap::peakMiBDuring([&] { ok = c.decode(bytes); });
        if (!ok) {
            state.SkipWithError("the picture did not decode");
            return;
        }
    }
    for (auto _ : state) {
        if (!c.decode(bytes)) {
            state.SkipWithError("the picture did not decode");
            break;
        }
    }
    state.counters["peak_MiB"] = peaks()[c.name];
    state.counters["input_MiB"] = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
}

// ---------------------------------------------------------------------------------------------
// The closing table: medians (or the single run), ratios and targets.

class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            if (!median && medians_.count(name)) continue;
            auto& r = results_[name];
            r.ms = run.GetAdjustedCPUTime();  // the unit is milliseconds
            if (median) medians_.insert(name);
            if (const auto it = run.counters.find("peak_MiB"); it != run.counters.end())
                r.peakMiB = it->second.value;
        }
    }

    void summarize(const std::vector<Case>& cases, double ratioTarget) const {
        std::printf(
            "\n| case | median | ratio to the bare library | peak memory above input | target "
            "| met? |\n|---|---|---|---|---|---|\n");
        for (const Case& c : cases) {
            const auto it = results_.find(c.name);
            if (it == results_.end()) continue;
            const auto& r = it->second;
            if (!c.ours) {
                std::printf("| %s | %.1f ms | 1 | %.2f MiB | | |\n", c.name.c_str(), r.ms,
                            r.peakMiB);
                continue;
            }
            const std::string bare = bareOf(cases, c);
            const auto b = results_.find(bare);
            const double ratio = b == results_.end() ? 0 : r.ms / b->second.ms;
            const bool fast = b != results_.end() && ratio <= ratioTarget;
            const bool small = r.peakMiB >= 0 && r.peakMiB < c.source->memoryTargetMiB;
            std::printf(
                "| %s | %.1f ms | %.2f | %.2f MiB | <= %.1fx, < %.0f MiB | %s |\n", c.name.c_str(),
                r.ms, ratio, r.peakMiB, ratioTarget, c.source->memoryTargetMiB,
                fast && small
                    ? "yes"
                    : (fast ? "time yes, memory no" : (small ? "time no, memory yes" : "no")));
        }
    }

  private:
    static std::string bareOf(const std::vector<Case>& cases, const Case& ours) {
        for (const Case& c : cases)
            if (!c.ours && c.source == ours.source) return c.name;
        return {};
    }

    struct Result {
        double ms = 0;
        double peakMiB = -1;
    };
    std::map<std::string, Result> results_;
    std::set<std::string> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    static const Source sources[] = {
        {"jpeg_6000x4000_baseline", [] { return makeJpeg(6000, 4000, false); }, 16},
        {"jpeg_6000x4000_progressive", [] { return makeJpeg(6000, 4000, true); }, 16},
        {"png_6000x4000_rgba", [] { return makePng(6000, 4000, false); }, 16},
        {"png_20000x20000_rgb", [] { return makePng(20000, 20000, true); }, 64},
    };
    std::vector<Case> cases;
    for (const Source& s : sources) {
        const bool jpeg = std::strncmp(s.name, "jpeg", 4) == 0;
        cases.push_back({std::string(s.name) + "/icogen_hint84", &s, icogenDecode, true});
        cases.push_back({std::string(s.name) + (jpeg ? "/libjpeg_scale1_8" : "/libpng_rows"), &s,
                         jpeg ? bareLibjpegEighth : bareLibpngRows, false});
    }
    for (const Case& c : cases) {
        auto* b = benchmark::RegisterBenchmark(c.name.c_str(),
                                               [&c](benchmark::State& state) { run(state, c); });
        b->Unit(benchmark::kMillisecond);
        if (c.source->memoryTargetMiB > 16) b->Iterations(1);  // seconds per decode
    }

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summarize(cases, 1.3);
    benchmark::Shutdown();
    return 0;
}
