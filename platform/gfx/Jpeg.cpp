#include "platform/gfx/Jpeg.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <typeinfo>

#include "platform/gfx/Errors.h"
#include "platform/gfx/JpegLibrary.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

// Every libjpeg call below runs inside a function whose setjmp point has no
// C++ object with a destructor after it (`runDecode`, `runEncode`); the
// state they share with libjpeg's callbacks lives in a job object of the
// caller. Callbacks that call C++ code catch every exception themselves and
// turn it into a jump, so that no exception crosses libjpeg.

namespace gfx {

namespace {

constexpr std::size_t BufferSize = 64 * 1024;

// ---- Decoding ---------------------------------------------------------------

// Huffman-coded data gives each 8 x 8 block of a component at least one bit
// (the DC code of a progressive image; a DC code and an end of block in a
// sequential one), so a byte covers at most 8 x 64 pixels. Arithmetic coding
// has no such bound.
constexpr uint64_t MostPixelsPerByte = 8 * 64;

struct DecodeJob {
    jpeg_decompress_struct info{};
    JpegErrorManager errors{};
    JpegSourceManager source;
    std::vector<uint8_t> buffer;
    // The bytes of data the source can give from the start of the image.
    uint64_t available = 0;
    Bitmap result;
    // The output rows of a CMYK image before they become B, G, R.
    std::vector<uint8_t> cmykRow;
    std::string failure;  // a C++ error met inside the job
};

// Makes the bitmap for the header just read; false with `failure` set when
// it may not be made. Its rows are all written by the decode.
bool allocateResult(DecodeJob& job) noexcept {
    try {
        const jpeg_decompress_struct& info = job.info;
        const std::string size = std::to_string(info.output_width) + " x " + std::to_string(info.output_height);
        if (!bitmapSizeAllowed(info.output_width, info.output_height))
            throw EInvalidGraphic("Image size " + size + " is too large");
        if (!info.arith_code && uint64_t{info.image_width} * info.image_height > job.available * MostPixelsPerByte)
            throw EInvalidGraphic("JPEG error: the data is too short for an image of " + size);
        if (info.out_color_space == JCS_GRAYSCALE) {
            job.result.setPixelFormat(PixelFormat::pf8bit);
            job.result.setPalette(Palette::gray(8));
        } else {
            job.result.setPixelFormat(PixelFormat::pf24bit);
        }
        job.result.setSizeForOverwrite(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
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
    job.errors.cutIsFatal = true;
    if (setjmp(job.errors.jump)) {
        jpeg_destroy_decompress(&job.info);
        return false;
    }
    jpeg_create_decompress(&job.info);
    installJpegSource(job.info, job.source, job.errors);

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

Bitmap decodeJpeg(Stream& stream) {
    auto job = std::make_unique<DecodeJob>();
    const uint64_t start = stream.position();
    job->available = stream.remaining();
    if (typeid(stream) == typeid(MemoryStream)) {
        // Bytes in memory are read where they are (not through a stream
        // that reads them its own way).
        const std::span<const uint8_t> bytes = static_cast<MemoryStream&>(stream).bytes();
        if (start < bytes.size()) pointJpegSource(job->source, bytes.data() + start, bytes.size() - start);
    } else {
        job->buffer.resize(BufferSize);
        job->source.stream = &stream;
        job->source.buffer = job->buffer.data();
        job->source.bufferSize = job->buffer.size();
    }
    if (!runDecode(*job)) {
        if (!job->source.failure.empty()) throw EInvalidGraphic(job->source.failure);
        if (!job->failure.empty()) throw EInvalidGraphic(job->failure);
        throw EInvalidGraphic(std::string("JPEG error: ") + job->errors.message);
    }
    if (!job->source.stream)
        stream.seek(start + job->available - (job->source.ended ? 0 : job->source.pub.bytes_in_buffer));
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

void JpegImage::loadFromStream(Stream& stream) { Bitmap::operator=(decodeJpeg(stream)); }

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
