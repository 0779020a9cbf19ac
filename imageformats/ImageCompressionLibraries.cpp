// The decoders that run on zlib, libdeflate and libjpeg: deflate data and
// JPEG strips of TIFF files.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/JpegLibrary.h"

namespace img {

// ---- Deflate ------------------------------------------------------------------

// zlib's inflate stream, and libdeflate's decompressor for data that is
// inflated whole in one call (made when first needed).
struct TLZ77Decoder::Stream {
    z_stream z;
    libdeflate_decompressor* whole = nullptr;
};

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(std::make_unique<Stream>()), flushMode_(flushMode), autoReset_(autoReset) {
    std::memset(&stream_->z, 0, sizeof stream_->z);
}

TLZ77Decoder::~TLZ77Decoder() {
    if (started_) inflateEnd(&stream_->z);
    if (stream_->whole) libdeflate_free_decompressor(stream_->whole);
}

bool TLZ77Decoder::DecodeWhole(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (!stream_->whole) stream_->whole = libdeflate_alloc_decompressor();
    if (!stream_->whole || packedSize <= 0 || unpackedSize <= 0) return false;
    std::size_t in = 0, out = 0;
    if (libdeflate_zlib_decompress_ex(stream_->whole, source, static_cast<std::size_t>(packedSize), dest,
                                      static_cast<std::size_t>(unpackedSize), &in, &out) != LIBDEFLATE_SUCCESS)
        return false;
    source += in;
    dest += out;
    result_ = Z_STREAM_END;
    return true;
}

void TLZ77Decoder::DecodeInit() {
    if (started_) inflateEnd(&stream_->z);
    std::memset(&stream_->z, 0, sizeof stream_->z);
    result_ = inflateInit(&stream_->z);
    started_ = result_ >= 0;
    fresh_ = true;
    if (result_ < 0) CompressionError(LZ77ErrorText);
}

void TLZ77Decoder::DecodeEnd() {
    if (!started_) return;
    started_ = false;
    if (inflateEnd(&stream_->z) < 0) CompressionError(LZ77ErrorText);
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (!started_) return;
    // A whole stream in one call (every call with auto-reset, the first with
    // finish) is inflated by libdeflate, about twice as fast as zlib; data
    // that it refuses (damaged, cut, or more than the target holds) goes to
    // zlib, which inflates as far as it can.
    const bool whole = autoReset_ || (fresh_ && flushMode_ == Z_FINISH);
    fresh_ = false;
    if (whole && DecodeWhole(source, dest, packedSize, unpackedSize)) return;
    z_stream& z = stream_->z;
    z.next_in = const_cast<Bytef*>(source);
    z.avail_in = static_cast<uInt>(std::max(packedSize, 0));
    if (autoReset_) result_ = inflateReset(&z);
    if (result_ != Z_OK) return;
    z.next_out = dest;
    z.avail_out = static_cast<uInt>(std::max(unpackedSize, 0));
    result_ = inflate(&z, flushMode_);
    // No progress for want of input or room is no error: the stream goes on
    // with the next call.
    if (result_ == Z_BUF_ERROR) result_ = Z_OK;
    source = z.next_in;
    dest = z.next_out;
}

uint32_t TLZ77Decoder::AvailableInput() const { return stream_->z.avail_in; }
uint32_t TLZ77Decoder::AvailableOutput() const { return stream_->z.avail_out; }

// ---- JPEG in TIFF -------------------------------------------------------------

// Every libjpeg call runs in a function whose setjmp point has no C++ object
// with a destructor after it (`RunInit`, `RunDecode`); their results are
// turned into errors by the callers.
struct TTIFFJPEGDecoder::State {
    jpeg_decompress_struct info{};
    gfx::JpegErrorManager errors{};
    gfx::JpegSourceManager source;
    bool created = false;
};

namespace {

// Creates the libjpeg object and reads the tables; 0 fine, 1 a libjpeg
// error (its message in the error manager), 2 tables that are not a
// tables-only stream. A strip whose data ends early is completed after the
// warning JpegEndOfInputText.
int RunInit(jpeg_decompress_struct& info, gfx::JpegErrorManager& errors, gfx::JpegSourceManager& source,
            bool& created, const uint8_t* tables, std::size_t tableSize) {
    info.err = gfx::installJpegErrorManager(errors);
    if (setjmp(errors.jump)) return 1;
    jpeg_create_decompress(&info);
    created = true;
    gfx::installJpegSource(info, source, errors);
    source.endWarning = JpegEndOfInputText;
    if (tableSize == 0) return 0;
    gfx::pointJpegSource(source, tables, tableSize);
    if (jpeg_read_header(&info, FALSE) != JPEG_HEADER_TABLES_ONLY) return 2;
    return 0;
}

// Decodes one stream into rows; null fine, LibjpegFailed a libjpeg error,
// or the text of a failed check.
const char* const LibjpegFailed = "libjpeg";

const char* RunDecode(jpeg_decompress_struct& info, gfx::JpegErrorManager& errors, gfx::JpegSourceManager& source,
                      const uint8_t* data, std::size_t size, uint8_t* dest, uint32_t rows,
                      const TJpegStripShape& shape) {
    if (setjmp(errors.jump)) {
        jpeg_abort_decompress(&info);
        return LibjpegFailed;
    }
    gfx::pointJpegSource(source, data, size);
    jpeg_read_header(&info, TRUE);
    const char* problem = nullptr;
    if (info.image_width != shape.width || info.image_height != shape.rows)
        problem = JpegStripSizeText;
    else if (info.num_components != shape.samplesPerPixel)
        problem = JpegComponentCountText;
    else if (info.data_precision != shape.bitsPerSample)
        problem = JpegPrecisionText;
    else {
        if (info.comp_info[0].h_samp_factor != shape.horizontalSubsampling ||
            info.comp_info[0].v_samp_factor != shape.verticalSubsampling)
            problem = JpegSamplingText;
        for (int c = 1; c < info.num_components; ++c)
            if (info.comp_info[c].h_samp_factor != 1 || info.comp_info[c].v_samp_factor != 1)
                problem = JpegSamplingText;
    }
    if (problem) {
        jpeg_abort_decompress(&info);
        return problem;
    }
    switch (shape.photometric) {
    case 0:
    case 1:
        info.jpeg_color_space = JCS_GRAYSCALE;
        info.out_color_space = JCS_GRAYSCALE;
        break;
    case 5:
        info.jpeg_color_space = JCS_CMYK;
        info.out_color_space = JCS_CMYK;
        break;
    case 2:
        info.jpeg_color_space = JCS_RGB;
        info.out_color_space = JCS_EXT_BGR;
        break;
    default:
        info.jpeg_color_space = JCS_YCbCr;
        info.out_color_space = JCS_EXT_BGR;
        break;
    }
    info.raw_data_out = FALSE;
    jpeg_start_decompress(&info);
    for (uint32_t row = 0; row < rows && info.output_scanline < info.output_height; ++row) {
        JSAMPROW line = dest + static_cast<std::size_t>(row) * shape.rowStride;
        if (jpeg_read_scanlines(&info, &line, 1) != 1) break;
    }
    jpeg_abort_decompress(&info);
    return nullptr;
}

}  // namespace

TTIFFJPEGDecoder::TTIFFJPEGDecoder(const std::vector<uint8_t>& tables)
    : state_(std::make_unique<State>()), tables_(tables) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
    if (state_->created) jpeg_destroy_decompress(&state_->info);
}

void TTIFFJPEGDecoder::DecodeInit() {
    DecodeEnd();
    State& s = *state_;
    const int result = RunInit(s.info, s.errors, s.source, s.created, tables_.data(), tables_.size());
    if (result == 2) CompressionError(JpegTablesText);
    if (result == 1) throw EImageCompression(std::string("JPEG error: ") + s.errors.message);
}

void TTIFFJPEGDecoder::DecodeEnd() {
    if (!state_->created) return;
    jpeg_destroy_decompress(&state_->info);
    state_->created = false;
}

void TTIFFJPEGDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    State& s = *state_;
    if (!s.created || packedSize <= 0 || unpackedSize <= 0 || shape.rowStride == 0) return;
    // The rows of a strip must fill whole rows of the target, each wide
    // enough for a decoded row.
    if (unpackedSize % shape.rowStride != 0) CompressionError(JpegFractionalText);
    const uint64_t decodedRow = static_cast<uint64_t>(shape.width) * static_cast<uint32_t>(shape.samplesPerPixel);
    if (decodedRow > shape.rowStride) CompressionError(JpegStripSizeText);
    const uint32_t rows = static_cast<uint32_t>(unpackedSize) / shape.rowStride;
    const char* problem = RunDecode(s.info, s.errors, s.source, source, static_cast<std::size_t>(packedSize), dest,
                                    rows, shape);
    if (problem == LibjpegFailed) throw EImageCompression(std::string("JPEG error: ") + s.errors.message);
    if (problem) CompressionError(problem);
}

}  // namespace img
