#include "imageformats/ImagePng.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PngName = "PNG";
constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t MaxChunkLength = 0x7FFFFFFF;
// Image data is read in pieces of this size.
constexpr std::size_t PieceSize = 64 * 1024;
// Deflate gives at most 1032 bytes from one: a match of 258 bytes from two
// bits.
constexpr uint64_t DeflateBestRatio = 1032;

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t BigEndian16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// Whether the bit depth is one that the colour type allows.
bool DepthAllowed(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

// A sample of `depth` bits as 8 bits (16 bits scaled down, fewer bits
// spread over 0..255).
uint8_t To8Bits(uint16_t v, int depth) {
    if (depth == 16) return static_cast<uint8_t>(uint32_t{v} * 255 / 65535);
    if (depth >= 8) return static_cast<uint8_t>(v);
    const unsigned max = (1u << depth) - 1;
    return static_cast<uint8_t>(std::min<unsigned>(v, max) * (255 / max));
}

// The row filters: each byte gets back the left (a), upper (b) or upper-left
// (c) byte it was stored relative to; Paeth takes whichever of a, b and c is
// nearest to a + b - c, preferring a, then b.
void Unfilter(uint8_t filter, uint8_t* row, const uint8_t* prior, std::size_t n, std::size_t bpp) {
    switch (filter) {
    case 1:
        for (std::size_t i = bpp; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned a = i >= bpp ? row[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + ((a + prior[i]) >> 1));
        }
        break;
    case 4:
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            row[i] = static_cast<uint8_t>(row[i] + predicted);
        }
        break;
    default: break;  // 0 none; an unknown filter leaves the row as it is
    }
}

// The Adam7 passes: first row and column, row and column steps, and the
// colour manager's mask of the columns within each 8.
struct Pass {
    uint32_t row, column, rowStep, columnStep;
    uint8_t mask;
};
constexpr Pass Adam7[7] = {
    {0, 0, 8, 8, 0x80}, {0, 4, 8, 8, 0x08}, {4, 0, 8, 4, 0x88}, {0, 2, 4, 4, 0x22},
    {2, 0, 4, 2, 0xAA}, {0, 1, 2, 2, 0x55}, {1, 0, 2, 1, 0xFF},
};

struct Chunk {
    uint32_t length = 0;
    char type[4] = {0, 0, 0, 0};
    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

uLong TypeCrc(const Chunk& chunk) { return crc32(0, reinterpret_cast<const Bytef*>(chunk.type), 4); }

// The chunks of a stream: headers, and data with its CRC.
class Chunks {
public:
    explicit Chunks(gfx::Stream& s) : stream(s) {}

    // Reads a chunk header; false at the end of the stream. A length beyond
    // the stream raises the image error, or with `raise` off gives false.
    bool Header(Chunk& chunk, bool raise = true) {
        uint8_t h[8];
        if (stream.read(h, 8) != 8) return false;
        chunk.length = BigEndian32(h);
        std::memcpy(chunk.type, h + 4, 4);
        if (chunk.length > MaxChunkLength || uint64_t{chunk.length} + 4 > stream.remaining()) {
            if (!raise) return false;
            RaiseImageError(InvalidFormatText, {PngName});
        }
        return true;
    }
    // Reads the chunk's data whole and checks its CRC.
    void Data(const Chunk& chunk, std::vector<uint8_t>& data) {
        data.resize(chunk.length);
        stream.readExact(data.data(), data.size());
        uLong crc = TypeCrc(chunk);
        if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
        CheckCrc(crc);
    }
    void Skip(const Chunk& chunk) { stream.skip(uint64_t{chunk.length} + 4); }
    // Reads the CRC that follows a chunk's data and compares it with `crc`.
    void CheckCrc(uLong crc) {
        uint8_t stored[4];
        stream.readExact(stored, 4);
        if (static_cast<uint32_t>(crc) != BigEndian32(stored)) RaiseImageError(PngCrcErrorText, {PngName});
    }
    // The data bytes of the IDAT chunk whose header was just read and of the
    // IDAT chunks that follow it; the stream's position is kept.
    uint64_t IdatBytes(const Chunk& first) {
        const uint64_t start = stream.position();
        uint64_t total = first.length;
        stream.skip(uint64_t{first.length} + 4);
        Chunk next;
        while (Header(next, false) && next.is("IDAT")) {
            total += next.length;
            Skip(next);
        }
        stream.seek(start);
        return total;
    }

    gfx::Stream& stream;
};

}  // namespace

// What one load reads: the chunks, the inflate stream, the PLTE data, and
// the image data as it arrives, a piece of the current IDAT chunk at a time.
struct TPNGGraphic::Reading {
    explicit Reading(gfx::Stream& s) : chunks(s) {}

    // Starts the data of an IDAT chunk whose header was read.
    void StartIdat(const Chunk& chunk) {
        left = chunk.length;
        crc = TypeCrc(chunk);
        piece.clear();
        used = 0;
        if (left == 0) chunks.CheckCrc(crc);
    }
    // Reads the next piece of the current IDAT chunk; the chunk's CRC is
    // checked with its last piece.
    void NextPiece() {
        piece.resize(std::min<std::size_t>(left, PieceSize));
        chunks.stream.readExact(piece.data(), piece.size());
        crc = crc32(crc, piece.data(), static_cast<uInt>(piece.size()));
        left -= static_cast<uint32_t>(piece.size());
        used = 0;
        if (left == 0) chunks.CheckCrc(crc);
    }
    // Reads the rest of the current IDAT chunk, checking its CRC.
    void FinishIdat() {
        while (left > 0) NextPiece();
    }
    // Inflates `n` bytes of image data into `row`; false when the IDAT
    // chunks ended first.
    bool ReadRow(uint8_t* row, std::size_t n);

    Chunks chunks;
    TLZ77Decoder decoder{1, false};
    std::vector<uint8_t> data;  // the data of the chunk read last
    std::vector<uint8_t> plte;
    std::vector<uint8_t> piece;
    std::size_t used = 0;   // the bytes of the piece inflated
    uint32_t left = 0;      // the bytes of the current IDAT chunk not read yet
    uLong crc = 0;
    bool pending = false;  // a chunk header was read that the chunk loop has not seen
    Chunk pendingChunk;
    bool streamEnded = false;
};

bool TPNGGraphic::Reading::ReadRow(uint8_t* row, std::size_t n) {
    uint8_t* out = row;
    uint8_t* const end = row + n;
    while (out < end) {
        if (streamEnded) RaiseImageError(PngExtraDataText, {PngName});
        if (used == piece.size()) {
            if (left > 0) {
                NextPiece();
                continue;
            }
            // The next IDAT chunk continues the data; any other chunk ends it.
            Chunk next;
            if (!chunks.Header(next)) return false;
            if (!next.is("IDAT")) {
                pending = true;
                pendingChunk = next;
                return false;
            }
            StartIdat(next);
            continue;
        }
        const uint8_t* const from = piece.data() + used;
        const uint8_t* src = from;
        const uint8_t* const outBefore = out;
        decoder.Decode(src, out, static_cast<int32_t>(piece.size() - used), static_cast<int32_t>(end - out));
        used = static_cast<std::size_t>(src - piece.data());
        if (decoder.Result() == Z_STREAM_END) {
            streamEnded = true;
            if (out < end || used < piece.size() || left > 0) RaiseImageError(PngExtraDataText, {PngName});
        } else if (decoder.Result() != Z_OK || (src == from && out == outBefore)) {
            // An error, a stream that asks for a preset dictionary, or a call
            // that neither took data nor gave bytes: the data cannot go on.
            RaiseImageError(PngCompressionErrorText, {PngName});
        }
    }
    return true;
}

TPNGGraphic::TPNGGraphic() { transparency_.fill(255); }

std::unique_ptr<gfx::Graphic> TPNGGraphic::clone() const { return std::make_unique<TPNGGraphic>(*this); }

bool TPNGGraphic::CanLoad(gfx::Stream& stream) {
    const uint64_t start = stream.position();
    uint8_t bytes[8];
    const bool ok = stream.remaining() > 8 && stream.read(bytes, 8) == 8 && std::memcmp(bytes, Signature, 8) == 0;
    stream.seek(start);
    return ok;
}

bool TPNGGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t signature[8];
    if (stream.read(signature, 8) != 8 || std::memcmp(signature, Signature, 8) != 0) return false;
    Chunks chunks(stream);
    Chunk chunk;
    std::vector<uint8_t> data;
    if (!chunks.Header(chunk) || !chunk.is("IHDR") || chunk.length != 13) return false;
    chunks.Data(chunk, data);
    const uint8_t* d = data.data();
    TImageProperties& p = imageProperties;
    p.width = BigEndian32(d);
    p.height = BigEndian32(d + 4);
    if (p.width == 0 || p.height == 0) return false;
    p.options |= ipBigEndian;
    p.bitsPerSample = d[8];
    colorType_ = d[9];
    bitDepth_ = d[8];
    p.compression = d[10] == 0 ? ckDeflate : ckUnknown;
    switch (colorType_) {
    case 0: p.colorScheme = slGray, p.samplesPerPixel = 1, channels_ = 1; break;
    case 2: p.colorScheme = slRGB, p.samplesPerPixel = 3, channels_ = 3; break;
    case 3: p.colorScheme = slIndexed, p.samplesPerPixel = 1, channels_ = 1; break;
    case 4: p.colorScheme = slGrayAlpha, p.samplesPerPixel = 1, channels_ = 2; break;
    case 6: p.colorScheme = slRGBA, p.samplesPerPixel = 4, channels_ = 4; break;
    default: p.colorScheme = slUnknown, p.samplesPerPixel = 1, channels_ = 1; break;
    }
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    p.filterMode = d[11];
    p.interlaced = d[12] != 0;
    p.hasAlpha = p.colorScheme == slGrayAlpha || p.colorScheme == slRGBA || p.colorScheme == slBGRA;
    // The file gamma, from a gAMA chunk before the image data; a damaged
    // chunk ends the search (loading finds it).
    while (chunks.Header(chunk, false)) {
        if (chunk.is("IEND")) break;
        if (chunk.is("gAMA") && chunk.length >= 4) {
            chunks.Data(chunk, data);
            p.fileGamma = static_cast<float>(BigEndian32(data.data()) / 100000.0);
            break;
        }
        chunks.Skip(chunk);
    }
    return true;
}

// ---- Loading ------------------------------------------------------------------

void TPNGGraphic::SetUpColorDepth(const std::vector<uint8_t>& plte) {
    const int depth = bitDepth_;
    TSampleLayout source = slUnknown, target = slUnknown;
    int samples = 1, targetSamples = 1, targetBits = 8;
    switch (colorType_) {
    case 0:
        source = target = slGray;
        targetBits = depth == 2 ? 4 : depth == 16 ? 8 : depth;
        break;
    case 2:
        source = slRGB, target = slBGR, samples = targetSamples = 3;
        break;
    case 3:
        source = target = slIndexed;
        targetBits = depth == 2 ? 4 : depth;
        break;
    case 4:
        source = slGrayAlpha, target = slIndexed;
        break;
    case 6:
        source = slRGBA, target = slBGRA, samples = targetSamples = 4;
        break;
    default: break;
    }
    // Transparency makes the image 32-bit: grey levels and indices are
    // converted to 8 bits and then through their palette.
    withAlpha_ = colorType_ == 4 || colorType_ == 6 || hasKey_ ||
                 (colorType_ == 3 && std::any_of(transparency_.begin(), transparency_.end(),
                                                 [](uint8_t a) { return a < 255; }));
    if (withAlpha_ && (colorType_ == 0 || colorType_ == 3)) targetBits = 8;
    TColorManager& cm = ColorManager();
    cm.SetSourceBitsPerSample(static_cast<uint8_t>(depth));
    cm.SetTargetBitsPerSample(static_cast<uint8_t>(targetBits));
    cm.SetSourceColorScheme(source);
    cm.SetTargetColorScheme(target);
    cm.SetSourceSamplesPerPixel(static_cast<uint8_t>(samples));
    cm.SetTargetSamplesPerPixel(static_cast<uint8_t>(targetSamples));
    const gfx::PixelFormat format = colorType_ == 4 ? gfx::PixelFormat::pf8bit : cm.TargetPixelFormat();
    gfx::Palette palette = gfx::Bitmap::defaultPalette(format);
    if (colorType_ == 0 || colorType_ == 4) {
        palette = cm.CreateGrayscalePalette(false);
    } else if (colorType_ == 3 && !plte.empty()) {
        const void* data[1] = {plte.data()};
        palette = cm.CreateColorPalette(data, plInterleaved8x3, static_cast<uint32_t>(plte.size() / 3), false);
    }
    if (withAlpha_) {
        colors_ = PaletteBGRA(palette);
        setPixelFormat(gfx::PixelFormat::pf32bit);
    } else {
        setPixelFormat(format);
        setPalette(palette);
    }
    setHasAlpha(withAlpha_);
    // Grey levels, indices and RGB made 32-bit are converted into a row of
    // 8-bit samples first.
    const bool expand = withAlpha_ && colorType_ != 6;
    CheckColorModel(PngName, expand ? (colorType_ == 2 ? 24 : 8) : 0);
}

void TPNGGraphic::loadFromStream(gfx::Stream& stream) {
    clear();
    try {
        basePosition = stream.position();
        if (!ReadImageProperties(stream, 0)) RaiseImageError(InvalidFormatText, {PngName});
        stream.seek(basePosition + 8);
        StartStage(PreparingStage);
        ColorManager() = TColorManager();
        ColorManager().sourceOptions = cfByteSwap;
        transparency_.fill(255);
        transparentColor_ = gfx::clNone;
        background_ = gfx::clWhite;
        hasBackground_ = false;
        hasKey_ = false;
        withAlpha_ = false;

        Reading reading(stream);
        std::vector<uint8_t>& data = reading.data;
        Chunk chunk;
        reading.chunks.Header(chunk);
        reading.chunks.Data(chunk, data);  // IHDR, read again for its CRC
        if (imageProperties.compression != ckDeflate)
            RaiseImageError(NotSupportedText, {"The compression scheme is", PngName});
        if (imageProperties.interlaced && data[12] != 1) RaiseImageError(InvalidFormatText, {PngName});
        // The chunks after the header scale their samples by the bit depth:
        // a depth the colour type does not allow ends the load here.
        if (!DepthAllowed(colorType_, bitDepth_)) RaiseImageError(InvalidColorFormatText, {PngName});
        reading.decoder.DecodeInit();
        EndStage();

        bool imageRead = false;
        for (;;) {
            if (reading.pending) {
                chunk = reading.pendingChunk;
                reading.pending = false;
            } else if (!reading.chunks.Header(chunk)) {
                // A file cut after its image data still shows; before it, it
                // is damaged.
                if (imageRead) break;
                RaiseImageError(InvalidFormatText, {PngName});
            }
            if (chunk.is("IDAT")) {
                if (!imageRead) {
                    const uint64_t idatBytes = reading.chunks.IdatBytes(chunk);
                    reading.StartIdat(chunk);
                    ReadImage(reading, idatBytes);
                    imageRead = true;
                } else {
                    reading.chunks.Data(chunk, data);
                }
            } else if (chunk.is("PLTE")) {
                if (chunk.length % 3 != 0) RaiseImageError(InvalidPaletteText, {PngName});
                reading.chunks.Data(chunk, reading.plte);
            } else if (chunk.is("gAMA")) {
                reading.chunks.Data(chunk, data);
                if (data.size() >= 4) {
                    ColorManager().SetGamma(static_cast<float>(BigEndian32(data.data()) / 100000.0), 2.2f);
                    ColorManager().targetOptions |= cfApplyGamma;
                    imageProperties.options |= ipUseGamma;
                }
            } else if (chunk.is("bKGD")) {
                reading.chunks.Data(chunk, data);
                const std::size_t need = colorType_ == 3 ? 1 : colorType_ == 2 || colorType_ == 6 ? 6 : 2;
                if (data.size() >= need) {
                    hasBackground_ = true;
                    if (colorType_ == 3) {
                        background_ = data[0];
                    } else if (need == 2) {
                        const uint8_t v = To8Bits(BigEndian16(data.data()), bitDepth_);
                        background_ = gfx::rgb(v, v, v);
                    } else {
                        background_ = gfx::rgb(To8Bits(BigEndian16(data.data()), bitDepth_),
                                               To8Bits(BigEndian16(data.data() + 2), bitDepth_),
                                               To8Bits(BigEndian16(data.data() + 4), bitDepth_));
                    }
                }
            } else if (chunk.is("tRNS")) {
                reading.chunks.Data(chunk, data);
                if (colorType_ == 3) {
                    const std::size_t n = std::min<std::size_t>(data.size(), transparency_.size());
                    std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n), transparency_.begin());
                } else if ((colorType_ == 0 && data.size() >= 2) || (colorType_ == 2 && data.size() >= 6)) {
                    hasKey_ = true;
                    for (std::size_t k = 0; k < 3; ++k)
                        key_[k] = BigEndian16(data.data() + (colorType_ == 2 ? 2 * k : 0));
                    transparentColor_ = gfx::rgb(To8Bits(key_[0], bitDepth_), To8Bits(key_[1], bitDepth_),
                                                 To8Bits(key_[2], bitDepth_));
                }
            } else if (chunk.is("IEND")) {
                break;
            } else {
                if (chunk.type[0] >= 'A' && chunk.type[0] <= 'Z') RaiseImageError(PngCriticalChunkText, {});
                reading.chunks.Skip(chunk);
            }
        }
        if (!imageRead) RaiseImageError(InvalidFormatText, {PngName});
        reading.decoder.DecodeEnd();
    } catch (...) {
        clear();
        throw;
    }
}

void TPNGGraphic::FillBackground(uint32_t fromRow) {
    if (fromRow >= static_cast<uint32_t>(height())) return;
    // The first row to fill is made pixel by pixel, the others are copies.
    uint8_t* first = scanLine(static_cast<int>(fromRow));
    const gfx::PixelFormat pf = pixelFormat();
    if (gfx::isIndexed(pf)) {
        const int bits = gfx::bitsPerPixel(pf);
        const int maxIndex = (1 << bits) - 1;
        int index;
        if (hasBackground_ && colorType_ == 3)
            index = std::min(static_cast<int>(background_), maxIndex);
        else
            index = palette().nearestIndex(background_);
        const int perByte = 8 / bits;
        uint8_t pattern = 0;
        for (int k = 0; k < perByte; ++k) pattern = static_cast<uint8_t>((pattern << bits) | (index & maxIndex));
        std::memset(first, pattern, static_cast<std::size_t>(bytesPerLine()));
    } else {
        // An indexed image made 32-bit takes its background's palette colour.
        gfx::Color color = background_;
        if (withAlpha_ && colorType_ == 3 && hasBackground_) {
            uint8_t bgra[4];
            std::memcpy(bgra, &colors_[background_ & 255], 4);
            color = gfx::rgb(bgra[2], bgra[1], bgra[0]);
        }
        std::memset(first, 0, static_cast<std::size_t>(bytesPerLine()));
        for (int x = 0; x < width(); ++x) setPixel(x, static_cast<int>(fromRow), color);
        if (pf == gfx::PixelFormat::pf32bit)
            for (int x = 0; x < width(); ++x) first[4 * x + 3] = 255;
    }
    for (int y = static_cast<int>(fromRow) + 1; y < height(); ++y)
        std::memcpy(scanLine(y), first, static_cast<std::size_t>(bytesPerLine()));
}

void TPNGGraphic::ReadImage(Reading& reading, uint64_t idatBytes) {
    StartStage(TransferingStage);
    SetUpColorDepth(reading.plte);
    const TImageProperties& p = imageProperties;
    CheckImageSize(p.width, p.height, PngName);
    const std::size_t pixelBits = static_cast<std::size_t>(bitDepth_) * static_cast<std::size_t>(channels_);
    const int passes = p.interlaced ? 7 : 1;
    auto passOf = [&](int pass) { return p.interlaced ? Adam7[pass] : Pass{0, 0, 1, 1, 0xFF}; };
    // The filtered rows must fit in what the IDAT chunks can inflate to.
    uint64_t needed = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const Pass pp = passOf(pass);
        if (pp.column >= p.width || pp.row >= p.height) continue;
        const uint64_t columns = (p.width - pp.column + pp.columnStep - 1) / pp.columnStep;
        const uint64_t rows = (p.height - pp.row + pp.rowStep - 1) / pp.rowStep;
        needed += rows * (1 + (pixelBits * columns + 7) / 8);
    }
    CheckDataSize(needed, idatBytes, DeflateBestRatio, PngName);
    setSizeForOverwrite(static_cast<int>(p.width), static_cast<int>(p.height));

    const std::size_t bpp = std::max<std::size_t>(1, pixelBits / 8);
    std::vector<uint8_t> current((pixelBits * p.width + 7) / 8 + 1), prior(current.size());
    // Grey levels, indices or RGB made 32-bit go through a row of their own
    // first.
    const bool expand = withAlpha_ && colorType_ != 6;
    std::vector<uint8_t> converted(expand ? std::size_t{p.width} * (colorType_ == 2 ? 3 : 1) : 0);
    TColorManager& cm = ColorManager();
    if (p.interlaced) FillBackground(0);
    uint32_t rowsDone = 0;
    bool complete = true;
    for (int pass = 0; pass < passes && complete; ++pass) {
        const Pass pp = passOf(pass);
        if (pp.column >= p.width || pp.row >= p.height) continue;
        const uint32_t passWidth = (p.width - pp.column + pp.columnStep - 1) / pp.columnStep;
        const std::size_t n = (pixelBits * passWidth + 7) / 8;
        std::fill(prior.begin(), prior.end(), 0);
        for (uint32_t y = pp.row; y < p.height; y += pp.rowStep) {
            if (!reading.ReadRow(current.data(), n + 1)) {
                complete = false;
                break;
            }
            const uint8_t* raw = current.data() + 1;
            Unfilter(current[0], current.data() + 1, prior.data() + 1, n, bpp);
            uint8_t* line = scanLine(static_cast<int>(y));
            if (!expand) {
                cm.ConvertRow(raw, line, p.width, pp.mask);
            } else {
                cm.ConvertRow(raw, converted.data(), passWidth, 0xFF);
                for (uint32_t i = 0; i < passWidth; ++i) {
                    uint8_t* t = line + 4 * (std::size_t{pp.column} + std::size_t{i} * pp.columnStep);
                    if (colorType_ == 2)
                        std::memcpy(t, &converted[3 * std::size_t{i}], 3);
                    else
                        std::memcpy(t, &colors_[converted[i]], 3);
                    t[3] = PixelAlpha(raw, i);
                }
            }
            std::swap(current, prior);
            if (!p.interlaced) rowsDone = y + 1;
            RowLoaded(y);
        }
    }
    if (!p.interlaced) FillBackground(rowsDone);
    if (!reading.pending) reading.FinishIdat();
    EndStage();
}

uint8_t TPNGGraphic::PixelAlpha(const uint8_t* row, uint32_t i) const {
    const int depth = bitDepth_;
    // Sample k of pixel i, as stored.
    auto sample = [&](int k) -> uint16_t {
        const std::size_t index = static_cast<std::size_t>(i) * static_cast<std::size_t>(channels_) + static_cast<std::size_t>(k);
        if (depth == 16) return BigEndian16(row + 2 * index);
        if (depth == 8) return row[index];
        const std::size_t bit = index * static_cast<std::size_t>(depth);
        return static_cast<uint16_t>((row[bit / 8] >> (8 - depth - static_cast<int>(bit % 8))) & ((1 << depth) - 1));
    };
    switch (colorType_) {
    case 3: return transparency_[sample(0) & 0xFF];
    case 4: return static_cast<uint8_t>(depth == 16 ? sample(1) >> 8 : sample(1));
    case 0: return hasKey_ && sample(0) == key_[0] ? 0 : 255;
    default: return hasKey_ && sample(0) == key_[0] && sample(1) == key_[1] && sample(2) == key_[2] ? 0 : 255;
    }
}

}  // namespace img
