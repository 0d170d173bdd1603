// PNG through libpng, read from memory one row at a time. Every colour type and bit depth is
// turned into 8-bit 0xAARRGGBB by libpng's own transformations (16-bit channels keep their high
// byte); gamma and colour-profile chunks are skipped, so the pixel values are the file's own.
//
// Rows stream into the reducer, so a large picture is never held at full size. An interlaced
// picture delivers its seven passes one after another; their pixels are added straight into
// the reduced output (ScatterReducer), again without a full-size buffer.
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "picture/decoders.h"
#include "picture/png_scatter.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

struct MemoryInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, std::size_t length) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (length > in->size - in->pos) png_error(png, "unexpected end of data");
    std::memcpy(out, in->data + in->pos, length);
    in->pos += length;
}

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

// Receives the rows libpng produces and owns every buffer, so that the function that calls
// setjmp holds nothing that needs destroying.
class Sink {
  public:
    explicit Sink(const DecodeOptions& options) : options_(options) {}

    std::uint32_t sizeHint() const { return options_.sizeHint; }

    // rawChannels 3 or 4: rows arrive as libpng stores 8-bit RGB or RGBA, to be reduced.
    void begin(std::uint32_t width, std::uint32_t height, bool interlaced, unsigned rawChannels) {
        width_ = width;
        height_ = height;
        rawChannels_ = rawChannels;
        const std::uint32_t factor = RowReducer::factorFor(width, height, options_.sizeHint);
        if (rawChannels != 0) {
            rows_.emplace_back(width, height, options_.sizeHint);
            raw_.resize(std::size_t{width} * rawChannels);
        } else if (interlaced) {
            scatter_.emplace_back(width, height, options_.sizeHint);
            row_.resize(width);
        } else if (factor == 1) {
            // Rows go straight into the result.
            direct_.resize(std::size_t{width} * height);
        } else {
            rows_.emplace_back(width, height, options_.sizeHint);
            row_.resize(width);
        }
    }

    // Where libpng writes the next row (4 bytes a pixel).
    png_bytep rowBuffer(std::uint32_t y) {
        if (rawChannels_ != 0) return raw_.data();
        if (!direct_.empty())
            return reinterpret_cast<png_bytep>(direct_.data() + std::size_t{y} * width_);
        return reinterpret_cast<png_bytep>(row_.data());
    }

    void rowDone(std::uint32_t y) {
        if (rawChannels_ != 0)
            rows_.front().pushRowRgb(y, raw_.data(), rawChannels_ == 4);
        else if (!rows_.empty())
            rows_.front().pushRow(y, row_.data());
    }

    void passRowDone(int pass, std::uint32_t passRow, std::uint32_t passColumns) {
        scatter_.front().addRow(PNG_ROW_FROM_PASS_ROW(passRow, pass), PNG_PASS_START_COL(pass),
                                PNG_PASS_COL_OFFSET(pass), row_.data(), passColumns);
    }

    Picture finish() {
        std::uint32_t pw = width_, ph = height_;
        std::vector<std::uint32_t> pixels;
        if (!scatter_.empty()) {
            pw = scatter_.front().outWidth();
            ph = scatter_.front().outHeight();
            pixels = scatter_.front().finish();
        } else if (!rows_.empty()) {
            pw = rows_.front().outWidth();
            ph = rows_.front().outHeight();
            pixels = rows_.front().finish();
        } else {
            pixels = std::move(direct_);
        }
        return makePicture(Kind::Png, width_, height_, pw, ph, std::move(pixels),
                           AlphaUse::OverWhite);
    }

  private:
    const DecodeOptions& options_;
    std::uint32_t width_ = 0, height_ = 0;
    unsigned rawChannels_ = 0;
    std::vector<std::uint8_t> raw_;
    std::vector<std::uint32_t> row_;
    std::vector<std::uint32_t> direct_;
    // At most one of these is used (a vector only to construct it late).
    std::vector<RowReducer> rows_;
    std::vector<ScatterReducer> scatter_;
};

// Every libpng call that can fail is made here; a failure longjmps back to the setjmp below.
// Nothing in this function owns a resource: buffers live in `sink`, which the caller owns.
// Returns nothing on success.
std::optional<Failure> readPng(png_structp png, png_infop info, const Limits& limits, Sink* sink) {
    if (setjmp(png_jmpbuf(png))) return Failure::Corrupt;

    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (const auto tooBig = checkSize(width, height, limits)) return tooBig;

    const int bitDepth = png_get_bit_depth(png, info);
    const int colorType = png_get_color_type(png, info);
    const bool interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;

    // Reduced 8-bit RGB and RGBA rows go to the reducer as libpng stores them: that spares
    // libpng's own conversion pass over every pixel, which costs more than the reduction. (A
    // transparent colour, tRNS, still needs libpng to turn it into alpha.)
    unsigned rawChannels = 0;
    if (!interlaced && bitDepth == 8 && !png_get_valid(png, info, PNG_INFO_tRNS) &&
        RowReducer::factorFor(width, height, sink->sizeHint()) > 1) {
        if (colorType == PNG_COLOR_TYPE_RGB) rawChannels = 3;
        if (colorType == PNG_COLOR_TYPE_RGB_ALPHA) rawChannels = 4;
    }
    if (rawChannels == 0) {
        // Palette to RGB, grey below 8 bits to 8 bits, tRNS to an alpha channel.
        png_set_expand(png);
        if (bitDepth == 16) png_set_strip_16(png);  // keeps the high byte
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        // In memory a 0xAARRGGBB value is B, G, R, A on a little-endian machine, A, R, G, B on
        // a big-endian one.
        if constexpr (std::endian::native == std::endian::little) {
            png_set_bgr(png);
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // only where there is no alpha
        } else {
            png_set_swap_alpha(png);
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
        }
    }
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{width} * (rawChannels ? rawChannels : 4) ||
        png_get_bit_depth(png, info) != 8)
        return Failure::Corrupt;

    sink->begin(width, height, interlaced, rawChannels);
    if (!interlaced) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, sink->rowBuffer(y), nullptr);
            sink->rowDone(y);
        }
        return std::nullopt;
    }
    // Without png_set_interlace_handling libpng hands out each pass's own rows, pass after
    // pass, and skips the passes that hold no pixels.
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 columns = PNG_PASS_COLS(width, pass);
        const png_uint_32 rows = PNG_PASS_ROWS(height, pass);
        if (columns == 0 || rows == 0) continue;
        for (png_uint_32 r = 0; r < rows; ++r) {
            png_read_row(png, sink->rowBuffer(0), nullptr);
            sink->passRowDone(pass, r, columns);
        }
    }
    return std::nullopt;
}

// Owns the libpng structures.
struct PngHandle {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngHandle() {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

}  // namespace

DecodeResult decodePng(Bytes bytes, const DecodeOptions& options) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return fail(Failure::Corrupt);

    try {
        PngHandle handle;
        handle.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (!handle.png) return fail(Failure::TooLarge);
        handle.info = png_create_info_struct(handle.png);
        if (!handle.info) return fail(Failure::TooLarge);

        MemoryInput input{bytes.data(), bytes.size(), 0};
        png_set_read_fn(handle.png, &input, readFromMemory);
        // Sizes are judged against our own limits, after the header is read.
        png_set_user_limits(handle.png, 0x7FFFFFFF, 0x7FFFFFFF);
        // Only IHDR, PLTE, tRNS, IDAT and IEND matter; every other chunk is skipped unread.
        png_set_keep_unknown_chunks(handle.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

        Sink sink(options);
        if (const auto failure = readPng(handle.png, handle.info, options.limits, &sink))
            return fail(*failure);
        DecodeResult result;
        result.picture = sink.finish();
        return result;
    } catch (const std::bad_alloc&) {
        return fail(Failure::TooLarge);
    }
}

}  // namespace icogen::picture::detail
