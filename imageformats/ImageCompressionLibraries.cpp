// The decoders that run on zlib and libjpeg: deflate data and JPEG strips of
// TIFF files.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/JpegErrors.h"
#include "platform/gfx/WarningSink.h"

namespace img {

// ---- Deflate ------------------------------------------------------------------

struct TLZ77Decoder::Stream {
    z_stream z;
};

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(std::make_unique<Stream>()), flushMode_(flushMode), autoReset_(autoReset) {
    std::memset(&stream_->z, 0, sizeof stream_->z);
}

TLZ77Decoder::~TLZ77Decoder() {
    if (started_) inflateEnd(&stream_->z);
}

void TLZ77Decoder::DecodeInit() {
    if (started_) inflateEnd(&stream_->z);
    std::memset(&stream_->z, 0, sizeof stream_->z);
    result_ = inflateInit(&stream_->z);
    started_ = result_ >= 0;
    if (result_ < 0) CompressionError(LZ77ErrorText);
}

void TLZ77Decoder::DecodeEnd() {
    if (!started_) return;
    started_ = false;
    if (inflateEnd(&stream_->z) < 0) CompressionError(LZ77ErrorText);
}

void TLZ77Decoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (!started_) return;
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
    jpeg_source_mgr source{};
    bool created = false;
    bool warned = false;  // the end of input of this strip was reported
};

namespace {

const JOCTET EndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// The strip's bytes ran out: report it once and supply an end marker, so
// that libjpeg completes the image.
boolean FillInput(j_decompress_ptr info) {
    auto* warned = static_cast<bool*>(info->client_data);
    if (warned && !*warned) {
        *warned = true;
        try {
            gfx::warn(JpegEndOfInputText);
        } catch (...) {
        }
    }
    info->src->next_input_byte = EndOfImage;
    info->src->bytes_in_buffer = 2;
    return TRUE;
}

void SkipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& src = *info->src;
    if (static_cast<std::size_t>(count) > src.bytes_in_buffer) {
        FillInput(info);
        return;
    }
    src.next_input_byte += count;
    src.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void PointSource(jpeg_source_mgr& src, const uint8_t* data, std::size_t size) {
    src.init_source = InitSource;
    src.fill_input_buffer = FillInput;
    src.skip_input_data = SkipInput;
    src.resync_to_restart = jpeg_resync_to_restart;
    src.term_source = TermSource;
    src.next_input_byte = data;
    src.bytes_in_buffer = size;
}

// Creates the libjpeg object and reads the tables; 0 fine, 1 a libjpeg
// error (its message in the error manager), 2 tables that are not a
// tables-only stream.
int RunInit(jpeg_decompress_struct& info, gfx::JpegErrorManager& errors,
            jpeg_source_mgr& source, bool& created, bool* warned, const uint8_t* tables, std::size_t tableSize) {
    info.err = gfx::installJpegErrorManager(errors);
    if (setjmp(errors.jump)) return 1;
    jpeg_create_decompress(&info);
    created = true;
    info.client_data = warned;
    info.src = &source;
    if (tableSize == 0) return 0;
    PointSource(source, tables, tableSize);
    if (jpeg_read_header(&info, FALSE) != JPEG_HEADER_TABLES_ONLY) return 2;
    return 0;
}

// Decodes one stream into rows; 0 fine, 1 a libjpeg error, or the text of a
// failed check.
const char* const LibjpegFailed = "libjpeg";

const char* RunDecode(jpeg_decompress_struct& info, gfx::JpegErrorManager& errors, jpeg_source_mgr& source,
                      const uint8_t* data, std::size_t size, uint8_t* dest, uint32_t rows,
                      const TJpegStripShape& shape) {
    if (setjmp(errors.jump)) {
        jpeg_abort_decompress(&info);
        return LibjpegFailed;
    }
    PointSource(source, data, size);
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
    const int result = RunInit(s.info, s.errors, s.source, s.created, &s.warned, tables_.data(), tables_.size());
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
    s.warned = false;
    const uint32_t rows = static_cast<uint32_t>(unpackedSize) / shape.rowStride;
    const char* problem = RunDecode(s.info, s.errors, s.source, source, static_cast<std::size_t>(packedSize), dest,
                                    rows, shape);
    if (problem == LibjpegFailed) throw EImageCompression(std::string("JPEG error: ") + s.errors.message);
    if (problem) CompressionError(problem);
}

}  // namespace img
