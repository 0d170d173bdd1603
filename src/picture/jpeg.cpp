// JPEG through libjpeg(-turbo), read from memory. libjpeg scales the picture down by 1/8,
// 2/8, ... during the inverse DCT, as far as the size hint allows; the reducer does the rest
// while the rows stream in. CMYK and YCCK pictures come out as CMYK and are turned into RGB
// here, from full-size rows (see below). A progressive picture wanted at 1/8 is read by the
// DC-only decoder (jpeg_dc.h) instead of libjpeg, which would hold all its coefficients. The
// EXIF orientation is applied to the (reduced) result, so the picture stands upright.
#include <cstdio>  // jpeglib.h needs FILE
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <bit>
#include <csetjmp>
#include <new>
#include <vector>

#include "picture/decoders.h"
#include "picture/exif_orientation.h"
#include "picture/jpeg_dc.h"
#include "picture/reduce.h"

namespace icogen::picture::detail {
namespace {

// A file with more scans than this is taken as corrupt: every scan of a progressive picture
// walks the whole coefficient buffer, so thousands of tiny scans would take minutes.
constexpr int kMaxScans = 256;

// libjpeg holds a progressive picture's every coefficient (up to 8 bytes a pixel) before any of
// its data is seen; a few bytes declaring a huge picture must not cost gigabytes. Beyond this
// it gives up (it has no disk to spill to), and the picture is too large.
constexpr long kMaxLibjpegMemory = 1L << 30;

struct ErrorState {
    jpeg_error_mgr mgr;  // first, so that a j_common_ptr's err converts to ErrorState
    std::jmp_buf jump;
    int code = 0;
    bool tooManyScans = false;
    // Where the data ran out, if it did: the scan being read and the row of blocks in it.
    bool ranOut = false;
    int scanAtEnd = 0;
    JDIMENSION blockRowAtEnd = 0;
};

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
    state->code = state->mgr.msg_code;
    std::longjmp(state->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    auto* state = reinterpret_cast<ErrorState*>(cinfo->err);
    if (level >= 0) return;  // trace messages
    ++state->mgr.num_warnings;
    if (state->mgr.msg_code == JWRN_JPEG_EOF && !state->ranOut && cinfo->is_decompressor) {
        const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        state->ranOut = true;
        state->scanAtEnd = d->input_scan_number;
        state->blockRowAtEnd = d->input_iMCU_row;
    }
}

void onProgress(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        reinterpret_cast<ErrorState*>(cinfo->err)->tooManyScans = true;
        cinfo->err->error_exit(cinfo);
    }
}

Failure failureFor(const ErrorState& state) {
    if (state.tooManyScans) return Failure::Corrupt;
    switch (state.code) {
        case JERR_BAD_PRECISION:
        case JERR_ARITH_NOTIMPL:
        case JERR_NOT_COMPILED:
        case JERR_CONVERSION_NOTIMPL:
            return Failure::Unsupported;
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW:
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:  // beyond kMaxLibjpegMemory
            return Failure::TooLarge;
        default:
            return Failure::Corrupt;
    }
}

// The smallest DCT scale n/8 that keeps both sides at or above min(side, hint).
unsigned scaleFor(std::uint32_t width, std::uint32_t height, std::uint32_t hint) {
    if (hint == 0) return 8;
    const std::uint64_t needW = std::min(width, hint), needH = std::min(height, hint);
    for (unsigned n = 1; n < 8; ++n) {
        const std::uint64_t w = (std::uint64_t{width} * n + 7) / 8;
        const std::uint64_t h = (std::uint64_t{height} * n + 7) / 8;
        if (w >= needW && h >= needH) return n;
    }
    return 8;
}

// The first EXIF orientation among the saved APP1 segments.
int orientationOf(j_decompress_ptr cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        const std::span<const std::uint8_t> payload(m->data, m->data_length);
        if (payload.size() >= 6 && payload[0] == 'E' && payload[1] == 'x' && payload[2] == 'i' &&
            payload[3] == 'f')
            return exifOrientation(payload);
    }
    return 1;
}

// Takes the rows libjpeg produces and owns every buffer, so that the function that calls
// setjmp holds nothing that needs destroying.
class Sink {
  public:
    explicit Sink(std::uint32_t sizeHint) : sizeHint_(sizeHint) {}

    void begin(std::uint32_t width, std::uint32_t height, bool cmyk, bool invertedCmyk) {
        width_ = width;
        height_ = height;
        cmyk_ = cmyk;
        inverted_ = invertedCmyk;
        if (cmyk) cmykRow_.resize(std::size_t{width} * 4);
        if (RowReducer::factorFor(width, height, sizeHint_) == 1) {
            direct_.resize(std::size_t{width} * height);
        } else {
            reducer_.emplace_back(width, height, sizeHint_);
            row_.resize(width);
        }
    }

    // Where libjpeg writes row y.
    JSAMPROW rowBuffer(std::uint32_t y) {
        if (cmyk_) return cmykRow_.data();
        return reinterpret_cast<JSAMPROW>(pixelRow(y));
    }

    void rowDone(std::uint32_t y) {
        std::uint32_t* pixels = pixelRow(y);
        if (cmyk_) fromCmyk(pixels);
        if (!reducer_.empty()) reducer_.front().pushRow(y, pixels);
    }

    // The pixels at their final size (before orientation), and that size.
    std::vector<std::uint32_t> finish(std::uint32_t& width, std::uint32_t& height) {
        if (reducer_.empty()) {
            width = width_;
            height = height_;
            return std::move(direct_);
        }
        width = reducer_.front().outWidth();
        height = reducer_.front().outHeight();
        return reducer_.front().finish();
    }

  private:
    std::uint32_t* pixelRow(std::uint32_t y) {
        return direct_.empty() ? row_.data() : direct_.data() + std::size_t{y} * width_;
    }

    // Adobe applications store CMYK inverted (0 = full ink); others store it plainly.
    void fromCmyk(std::uint32_t* out) const {
        const std::uint8_t* p = cmykRow_.data();
        for (std::uint32_t x = 0; x < width_; ++x, p += 4) {
            std::uint32_t c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted_) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            // Now 255 means no ink: each channel is (1 - ink) x (1 - black).
            const std::uint32_t r = (c * k + 127) / 255, g = (m * k + 127) / 255,
                                b = (ye * k + 127) / 255;
            out[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }

    std::uint32_t sizeHint_;
    std::uint32_t width_ = 0, height_ = 0;
    bool cmyk_ = false, inverted_ = false;
    std::vector<std::uint8_t> cmykRow_;
    std::vector<std::uint32_t> row_;
    std::vector<std::uint32_t> direct_;
    std::vector<RowReducer> reducer_;  // at most one, constructed late
};

struct Header {
    std::uint32_t width = 0, height = 0;
    int orientation = 1;
    // A progressive picture wanted at 1/8 is read by the DC-only decoder instead.
    bool dcOnly = false;
    DcFrame dcFrame;
};

// libjpeg holds every coefficient of a progressive picture; beyond this the DC-only decoder
// reads it instead even where the two differ slightly (see below).
constexpr std::uint64_t kMaxCoefficientBytes = 8u << 20;

// Whether the DC-only decoder takes the picture; if so the frame it needs goes into `header`.
// It does when it gives exactly what libjpeg gives, and for large pictures. (At 1/8 libjpeg
// turns a chroma channel subsampled both ways into 2 x 2 pixels a block with its first AC
// coefficients; the DC-only decoder repeats the block average, which is within a few levels
// and then reduced further.) CMYK never comes here: it is not scaled in the IDCT (see below).
bool takeDcOnly(j_decompress_ptr cinfo, Header* header) {
    if (!cinfo->progressive_mode || cinfo->arith_code || cinfo->data_precision != 8 ||
        cinfo->scale_num != 1)
        return false;
    DcFrame& frame = header->dcFrame;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            frame.colour = DcColour::Grey;
            break;
        case JCS_YCbCr:
            frame.colour = DcColour::YCbCr;
            break;
        case JCS_RGB:
            frame.colour = DcColour::Rgb;
            break;
        default:
            return false;
    }
    frame.width = cinfo->image_width;
    frame.height = cinfo->image_height;
    frame.components.clear();
    bool exact = true;
    std::uint64_t coefficientBytes = 0;
    const std::uint64_t hMax = cinfo->max_h_samp_factor, vMax = cinfo->max_v_samp_factor;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        frame.components.push_back(
            {c.component_id, c.h_samp_factor, c.v_samp_factor, c.quant_tbl_no});
        const std::uint64_t h = c.h_samp_factor, v = c.v_samp_factor;
        if (h == 0 || v == 0) return false;
        if (hMax % (2 * h) == 0 && vMax % (2 * v) == 0) exact = false;
        coefficientBytes += (std::uint64_t{frame.width} * h + 8 * hMax - 1) / (8 * hMax) *
                            ((std::uint64_t{frame.height} * v + 8 * vMax - 1) / (8 * vMax)) * 128;
    }
    return (exact || coefficientBytes > kMaxCoefficientBytes) && dcDecodable(frame);
}

// Every libjpeg call that can fail is made here; a failure longjmps back to the setjmp below.
// Nothing in this function owns a resource: buffers live in `sink`, the decompressor and its
// error state belong to the caller. Returns nothing on success.
std::optional<Failure> readJpeg(jpeg_decompress_struct* cinfo, ErrorState* err,
                                jpeg_progress_mgr* progress, Bytes bytes,
                                const DecodeOptions& options, Header* header, Sink* sink) {
    if (setjmp(err->jump)) return failureFor(*err);

    jpeg_create_decompress(cinfo);
    cinfo->progress = progress;
    cinfo->mem->max_memory_to_use = kMaxLibjpegMemory;
    jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    if (const auto bad = checkSize(cinfo->image_width, cinfo->image_height, options.limits))
        return bad;
    header->width = cinfo->image_width;
    header->height = cinfo->image_height;
    header->orientation = orientationOf(cinfo);

    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            // B, G, R, A in memory is 0xAARRGGBB on a little-endian machine.
            cinfo->out_color_space =
                std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo->out_color_space = JCS_CMYK;
            cmyk = true;
            break;
        default:
            return Failure::Unsupported;
    }
    // Scaling in the IDCT averages the stored channels. For CMYK that is not the average of
    // the colours shown (red is cyan x black), so those pictures are decoded at full size and
    // only the reducer, working on RGB, makes them smaller.
    cinfo->scale_num =
        cmyk ? 8 : scaleFor(cinfo->image_width, cinfo->image_height, options.sizeHint);
    cinfo->scale_denom = 8;
    if (takeDcOnly(cinfo, header)) {
        header->dcOnly = true;
        return std::nullopt;
    }

    jpeg_start_decompress(cinfo);
    sink->begin(cinfo->output_width, cinfo->output_height, cmyk, cinfo->saw_Adobe_marker);
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        JSAMPROW row = sink->rowBuffer(y);
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return Failure::Corrupt;
        sink->rowDone(y);
    }
    // The rest of the file (trailing markers, garbage) does not matter.
    return std::nullopt;
}

}  // namespace

DecodeResult decodeJpeg(Bytes bytes, const DecodeOptions& options) {
    jpeg_decompress_struct cinfo{};
    ErrorState err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onError;
    err.mgr.emit_message = onMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = onProgress;

    DecodeResult result;
    try {
        Header header;
        Sink sink(options.sizeHint);
        auto failure = readJpeg(&cinfo, &err, &progress, bytes, options, &header, &sink);
        // A file cut short decodes with the missing part grey; it is kept when at least one
        // row of blocks, or one whole scan, arrived.
        bool nothingArrived = err.ranOut && err.scanAtEnd <= 1 && err.blockRowAtEnd == 0;
        if (!failure && header.dcOnly) {
            const DcFrame& frame = header.dcFrame;
            sink.begin(static_cast<std::uint32_t>((std::uint64_t{frame.width} + 7) / 8),
                       static_cast<std::uint32_t>((std::uint64_t{frame.height} + 7) / 8), false,
                       false);
            const DcRowSink rows{[&](std::uint32_t y) { return sink.rowBuffer(y); },
                                 [&](std::uint32_t y) { sink.rowDone(y); }};
            const DcOutcome outcome = decodeProgressiveDc(bytes, frame, kMaxScans, rows);
            failure = outcome.failure;
            nothingArrived = outcome.nothingArrived;
        }
        if (failure) {
            result = fail(*failure);
        } else if (nothingArrived) {
            result = fail(Failure::Corrupt);
        } else {
            std::uint32_t pw = 0, ph = 0;
            auto pixels = orientPixels(sink.finish(pw, ph), pw, ph, header.orientation);
            const bool turned = header.orientation >= 5;
            result.picture = makePicture(Kind::Jpeg, turned ? header.height : header.width,
                                         turned ? header.width : header.height, pw, ph,
                                         std::move(pixels), AlphaUse::Opaque);
        }
    } catch (const std::bad_alloc&) {
        result = fail(Failure::TooLarge);
    }
    jpeg_destroy_decompress(&cinfo);
    return result;
}

}  // namespace icogen::picture::detail
