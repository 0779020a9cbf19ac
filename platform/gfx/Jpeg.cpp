#include "platform/gfx/Jpeg.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gfx/Errors.h"
#include "platform/gfx/JpegErrors.h"

#include <jerror.h>
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/WarningSink.h"

// Every libjpeg call below runs inside a function whose setjmp point has no
// C++ object with a destructor after it (`runDecode`, `runEncode`); the
// state they share with libjpeg's callbacks lives in a job object of the
// caller. Callbacks that call C++ code catch every exception themselves and
// turn it into a jump, so that no exception crosses libjpeg.

namespace gfx {

namespace {

constexpr std::size_t BufferSize = 64 * 1024;

[[noreturn]] void jumpWithMessage(JpegErrorManager& errors, const char* message) {
    std::snprintf(errors.message, sizeof errors.message, "%s", message);
    std::longjmp(errors.jump, 1);
}

void errorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    if (errors->endOfDataSupplied && info->err->msg_code == JWRN_HIT_MARKER)
        jumpWithMessage(*errors, "Premature end of JPEG file");
    // Damaged data: report the first warning of the image only.
    if (info->err->num_warnings++ > 0) return;
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    try {
        warn(std::string("JPEG warning: ") + text);
    } catch (...) {
    }
}

// ---- Decoding ---------------------------------------------------------------

struct DecodeJob {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    jpeg_source_mgr source{};
    Stream* stream = nullptr;
    std::vector<uint8_t> buffer;
    Bitmap result;
    // The output rows of a CMYK image before they become B, G, R.
    std::vector<uint8_t> cmykRow;
    bool anyData = false;
    std::string failure;  // a C++ error met inside the job
};

DecodeJob& jobOf(j_decompress_ptr info) { return *static_cast<DecodeJob*>(info->client_data); }

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr info) {
    DecodeJob& job = jobOf(info);
    std::size_t got = 0;
    bool failed = false;
    try {
        got = job.stream->read(job.buffer.data(), job.buffer.size());
    } catch (const std::exception& e) {
        failed = true;
        try {
            job.failure = e.what();
        } catch (...) {
        }
    } catch (...) {
        failed = true;
    }
    if (failed) jumpWithMessage(job.errors, "Stream read error");
    if (got == 0) {
        // The data ran out: an end marker is supplied. When compressed data
        // is then found cut short, the error manager raises; a file that only
        // lacks its end marker decodes whole.
        if (!job.anyData) jumpWithMessage(job.errors, "Premature end of JPEG file");
        job.errors.endOfDataSupplied = true;
        job.buffer[0] = 0xFF;
        job.buffer[1] = JPEG_EOI;
        got = 2;
    }
    job.anyData = true;
    job.source.next_input_byte = job.buffer.data();
    job.source.bytes_in_buffer = got;
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    jpeg_source_mgr& src = *info->src;
    if (count <= 0) return;
    auto n = static_cast<std::size_t>(count);
    while (n > src.bytes_in_buffer) {
        n -= src.bytes_in_buffer;
        (*src.fill_input_buffer)(info);
    }
    src.next_input_byte += n;
    src.bytes_in_buffer -= n;
}

// Makes the bitmap for the header just read; false with `failure` set when
// it may not be made.
bool allocateResult(DecodeJob& job) noexcept {
    try {
        const jpeg_decompress_struct& info = job.info;
        if (!bitmapSizeAllowed(info.output_width, info.output_height))
            throw EInvalidGraphic("Image size " + std::to_string(info.output_width) + " x " +
                                  std::to_string(info.output_height) + " is too large");
        if (info.out_color_space == JCS_GRAYSCALE) {
            job.result.setPixelFormat(PixelFormat::pf8bit);
            job.result.setPalette(Palette::gray(8));
        } else {
            job.result.setPixelFormat(PixelFormat::pf24bit);
        }
        job.result.setSize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
        if (info.out_color_space == JCS_CMYK) job.cmykRow.resize(static_cast<std::size_t>(info.output_width) * 4);
        return true;
    } catch (const std::exception& e) {
        try {
            job.failure = e.what();
        } catch (...) {
        }
        return false;
    }
}

// CMYK as print programs store it (inverted: 255 means no ink) to B, G, R.
void cmykToBgr(const uint8_t* cmyk, uint8_t* bgr, std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = static_cast<uint8_t>((cmyk[2] * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((cmyk[1] * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((cmyk[0] * k + 127) / 255);
    }
}

bool runDecode(DecodeJob& job) {
    job.info.err = installJpegErrorManager(job.errors);
    if (setjmp(job.errors.jump)) {
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    jpeg_create_decompress(&job.info);
    job.info.client_data = &job;
    job.source.init_source = initSource;
    job.source.fill_input_buffer = fillInputBuffer;
    job.source.skip_input_data = skipInputData;
    job.source.resync_to_restart = jpeg_resync_to_restart;
    job.source.term_source = termSource;
    job.info.src = &job.source;

    jpeg_read_header(&job.info, TRUE);
    switch (job.info.num_components) {
    case 1: job.info.out_color_space = JCS_GRAYSCALE; break;
    case 3: job.info.out_color_space = JCS_EXT_BGR; break;
    case 4: job.info.out_color_space = JCS_CMYK; break;
    default: jumpWithMessage(job.errors, "Unsupported JPEG colour space");
    }
    jpeg_calc_output_dimensions(&job.info);
    if (!allocateResult(job)) {
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    jpeg_start_decompress(&job.info);
    uint8_t* const first = job.result.bits();
    const std::size_t stride = static_cast<std::size_t>(job.result.bytesPerLine());
    const bool cmyk = job.info.out_color_space == JCS_CMYK;
    while (job.info.output_scanline < job.info.output_height) {
        uint8_t* target = first + stride * job.info.output_scanline;
        JSAMPROW row = cmyk ? job.cmykRow.data() : target;
        jpeg_read_scanlines(&job.info, &row, 1);
        if (cmyk) cmykToBgr(job.cmykRow.data(), target, job.info.output_width);
    }
    jpeg_finish_decompress(&job.info);
    jpeg_destroy_decompress(&job.info);
    return true;
}

// ---- Encoding ---------------------------------------------------------------

struct EncodeJob {
    jpeg_compress_struct info{};
    JpegErrorManager errors{};
    jpeg_destination_mgr destination{};
    Stream* stream = nullptr;
    std::vector<uint8_t> buffer;
    const Bitmap* source = nullptr;
    int quality = JpegImage::DefaultQuality;
    std::string failure;
};

EncodeJob& jobOf(j_compress_ptr info) { return *static_cast<EncodeJob*>(info->client_data); }

// Writes n bytes of the buffer; jumps back on a short write.
void flush(EncodeJob& job, std::size_t n) {
    bool ok = false;
    try {
        ok = job.stream->write(job.buffer.data(), n) == n;
    } catch (...) {
    }
    if (!ok) jumpWithMessage(job.errors, "Stream write error");
}

void initDestination(j_compress_ptr info) {
    EncodeJob& job = jobOf(info);
    job.destination.next_output_byte = job.buffer.data();
    job.destination.free_in_buffer = job.buffer.size();
}

boolean emptyOutputBuffer(j_compress_ptr info) {
    EncodeJob& job = jobOf(info);
    flush(job, job.buffer.size());
    initDestination(info);
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    EncodeJob& job = jobOf(info);
    flush(job, job.buffer.size() - job.destination.free_in_buffer);
}

bool runEncode(EncodeJob& job) {
    job.info.err = installJpegErrorManager(job.errors);
    if (setjmp(job.errors.jump)) {
        jpeg_destroy_compress(&job.info);
        return false;
    }
    jpeg_create_compress(&job.info);
    job.info.client_data = &job;
    job.destination.init_destination = initDestination;
    job.destination.empty_output_buffer = emptyOutputBuffer;
    job.destination.term_destination = termDestination;
    job.info.dest = &job.destination;

    const Bitmap& b = *job.source;
    job.info.image_width = static_cast<JDIMENSION>(b.width());
    job.info.image_height = static_cast<JDIMENSION>(b.height());
    switch (b.pixelFormat()) {
    case PixelFormat::pf8bit:
        job.info.input_components = 1;
        job.info.in_color_space = JCS_GRAYSCALE;
        break;
    case PixelFormat::pf32bit:
        job.info.input_components = 4;
        job.info.in_color_space = JCS_EXT_BGRX;
        break;
    default:
        job.info.input_components = 3;
        job.info.in_color_space = JCS_EXT_BGR;
        break;
    }
    jpeg_set_defaults(&job.info);
    jpeg_set_quality(&job.info, job.quality, TRUE);
    jpeg_start_compress(&job.info, TRUE);
    const uint8_t* const first = b.bits();
    const std::size_t stride = static_cast<std::size_t>(b.bytesPerLine());
    while (job.info.next_scanline < job.info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(first + stride * job.info.next_scanline);
        jpeg_write_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_compress(&job.info);
    jpeg_destroy_compress(&job.info);
    return true;
}

bool isGrayPalette(const Palette& p) { return p == Palette::gray(8); }

std::unique_ptr<Graphic> createJpeg() { return std::make_unique<JpegImage>(); }

}  // namespace

jpeg_error_mgr* installJpegErrorManager(JpegErrorManager& manager) {
    jpeg_error_mgr* err = jpeg_std_error(&manager.pub);
    err->error_exit = errorExit;
    err->emit_message = emitMessage;
    manager.message[0] = '\0';
    manager.endOfDataSupplied = false;
    return err;
}

Bitmap decodeJpeg(Stream& stream) {
    auto job = std::make_unique<DecodeJob>();
    job->stream = &stream;
    job->buffer.resize(BufferSize);
    if (!runDecode(*job)) {
        if (!job->failure.empty()) throw EInvalidGraphic(job->failure);
        throw EInvalidGraphic(std::string("JPEG error: ") + job->errors.message);
    }
    return std::move(job->result);
}

void encodeJpeg(const Bitmap& bitmap, int quality, Stream& stream) {
    if (bitmap.empty()) throw EInvalidGraphic("Cannot save an empty image as JPEG");
    auto job = std::make_unique<EncodeJob>();
    // libjpeg reads grey, B-G-R or B-G-R-X rows; other formats are converted.
    Bitmap converted;
    if ((bitmap.pixelFormat() == PixelFormat::pf8bit && isGrayPalette(bitmap.palette())) ||
        bitmap.pixelFormat() == PixelFormat::pf24bit || bitmap.pixelFormat() == PixelFormat::pf32bit) {
        job->source = &bitmap;
    } else {
        converted = bitmap.convertedTo(PixelFormat::pf24bit);
        job->source = &converted;
    }
    job->stream = &stream;
    job->buffer.resize(BufferSize);
    job->quality = std::clamp(quality, 1, 100);
    if (!runEncode(*job)) {
        if (!job->failure.empty()) throw EInvalidGraphic(job->failure);
        const std::string message = job->errors.message;
        if (message == StreamWriteErrorText) throw EWriteError(message);
        throw EInvalidGraphic("JPEG error: " + message);
    }
}

std::vector<uint8_t> encodeJpeg(const Bitmap& bitmap, int quality) {
    MemoryStream stream;
    encodeJpeg(bitmap, quality, stream);
    return stream.release();
}

void JpegImage::setQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

void JpegImage::loadFromStream(Stream& stream) {
    Bitmap decoded = decodeJpeg(stream);
    Bitmap::operator=(std::move(decoded));
}

void JpegImage::saveToStream(Stream& stream) const { encodeJpeg(*this, quality_, stream); }

bool JpegImage::canLoad(Stream& stream) {
    uint8_t marker[3];
    return stream.read(marker, 3) == 3 && marker[0] == 0xFF && marker[1] == 0xD8 && marker[2] == 0xFF;
}

const GraphicClass& JpegImage::graphicClass() {
    static const GraphicClass cls{"JPEG image", createJpeg, &JpegImage::canLoad};
    return cls;
}

}  // namespace gfx
