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

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t BigEndian16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

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

}  // namespace

bool TPNGGraphic::Chunk::is(const char* name) const { return std::memcmp(type, name, 4) == 0; }

TPNGGraphic::TPNGGraphic() { transparency_.fill(255); }
TPNGGraphic::~TPNGGraphic() = default;

TPNGGraphic::TPNGGraphic(const TPNGGraphic& other)
    : TFormatGraphic(other),
      colorType_(other.colorType_),
      bitDepth_(other.bitDepth_),
      channels_(other.channels_),
      transparency_(other.transparency_),
      transparentColor_(other.transparentColor_),
      background_(other.background_),
      hasBackground_(other.hasBackground_),
      hasKey_(other.hasKey_),
      key_(other.key_),
      alpha_(other.alpha_) {}

TPNGGraphic& TPNGGraphic::operator=(const TPNGGraphic& other) {
    if (this != &other) {
        TFormatGraphic::operator=(other);
        colorType_ = other.colorType_;
        bitDepth_ = other.bitDepth_;
        channels_ = other.channels_;
        transparency_ = other.transparency_;
        transparentColor_ = other.transparentColor_;
        background_ = other.background_;
        hasBackground_ = other.hasBackground_;
        hasKey_ = other.hasKey_;
        key_ = other.key_;
        alpha_ = other.alpha_;
    }
    return *this;
}

std::unique_ptr<gfx::Graphic> TPNGGraphic::clone() const { return std::make_unique<TPNGGraphic>(*this); }

bool TPNGGraphic::CanLoad(gfx::Stream& stream) {
    const uint64_t start = stream.position();
    uint8_t bytes[8];
    const bool ok = stream.remaining() > 8 && stream.read(bytes, 8) == 8 && std::memcmp(bytes, Signature, 8) == 0;
    stream.seek(start);
    return ok;
}

// ---- Chunks -----------------------------------------------------------------

bool TPNGGraphic::ReadChunkHeader(Chunk& chunk, bool raise) {
    uint8_t h[8];
    if (stream_->read(h, 8) != 8) return false;
    chunk.length = BigEndian32(h);
    std::memcpy(chunk.type, h + 4, 4);
    if (chunk.length > MaxChunkLength || uint64_t{chunk.length} + 4 > stream_->remaining()) {
        if (!raise) return false;
        RaiseImageError(InvalidFormatText, {PngName});
    }
    return true;
}

void TPNGGraphic::ReadChunkData(const Chunk& chunk) {
    raw_.resize(chunk.length);
    stream_->readExact(raw_.data(), raw_.size());
    uint8_t stored[4];
    stream_->readExact(stored, 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.type), 4);
    if (!raw_.empty()) crc = crc32(crc, raw_.data(), static_cast<uInt>(raw_.size()));
    if (static_cast<uint32_t>(crc) != BigEndian32(stored)) RaiseImageError(PngCrcErrorText, {PngName});
}

void TPNGGraphic::SkipChunk(const Chunk& chunk) { stream_->skip(uint64_t{chunk.length} + 4); }

bool TPNGGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    stream_ = &stream;
    uint8_t signature[8];
    if (stream.read(signature, 8) != 8 || std::memcmp(signature, Signature, 8) != 0) return false;
    Chunk chunk;
    if (!ReadChunkHeader(chunk) || !chunk.is("IHDR") || chunk.length != 13) return false;
    ReadChunkData(chunk);
    const uint8_t* d = raw_.data();
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
    while (ReadChunkHeader(chunk, false)) {
        if (chunk.is("IEND")) break;
        if (chunk.is("gAMA") && chunk.length >= 4) {
            ReadChunkData(chunk);
            p.fileGamma = static_cast<float>(BigEndian32(raw_.data()) / 100000.0);
            break;
        }
        SkipChunk(chunk);
    }
    return true;
}

// ---- Loading ------------------------------------------------------------------

void TPNGGraphic::SetUpColorDepth() {
    const int depth = bitDepth_;
    auto allowed = [&](std::initializer_list<int> depths) {
        return std::find(depths.begin(), depths.end(), depth) != depths.end();
    };
    bool valid = false;
    TSampleLayout source = slUnknown, target = slUnknown;
    int samples = 1, targetSamples = 1, targetBits = 8;
    switch (colorType_) {
    case 0:
        valid = allowed({1, 2, 4, 8, 16});
        source = target = slGray;
        targetBits = depth == 2 ? 4 : depth == 16 ? 8 : depth;
        break;
    case 2:
        valid = allowed({8, 16});
        source = slRGB, target = slBGR, samples = targetSamples = 3;
        break;
    case 3:
        valid = allowed({1, 2, 4, 8});
        source = target = slIndexed;
        targetBits = depth == 2 ? 4 : depth;
        break;
    case 4:
        valid = allowed({8, 16});
        source = slGrayAlpha, target = slIndexed;
        break;
    case 6:
        valid = allowed({8, 16});
        source = slRGBA, target = slBGRA, samples = targetSamples = 4;
        break;
    default: break;
    }
    if (!valid) RaiseImageError(InvalidColorFormatText, {PngName});
    TColorManager& cm = ColorManager();
    cm.SetSourceBitsPerSample(static_cast<uint8_t>(depth));
    cm.SetTargetBitsPerSample(static_cast<uint8_t>(targetBits));
    cm.SetSourceColorScheme(source);
    cm.SetTargetColorScheme(target);
    cm.SetSourceSamplesPerPixel(static_cast<uint8_t>(samples));
    cm.SetTargetSamplesPerPixel(static_cast<uint8_t>(targetSamples));
    setPixelFormat(colorType_ == 4 ? gfx::PixelFormat::pf8bit : cm.TargetPixelFormat());
    if (colorType_ == 0 || colorType_ == 4) setPalette(cm.CreateGrayscalePalette(false));
    colorDepthSet_ = true;
}

void TPNGGraphic::loadFromStream(gfx::Stream& stream) {
    clear();
    alpha_.clear();
    stream_ = &stream;
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
        colorDepthSet_ = false;
        pending_ = false;
        streamEnded_ = false;

        Chunk chunk;
        ReadChunkHeader(chunk);
        ReadChunkData(chunk);  // IHDR, read again for its CRC
        if (imageProperties.compression != ckDeflate)
            RaiseImageError(NotSupportedText, {"The compression scheme is", PngName});
        if (imageProperties.interlaced && raw_[12] != 1) RaiseImageError(InvalidFormatText, {PngName});
        decoder_ = std::make_unique<TLZ77Decoder>(1, false);
        decoder_->DecodeInit();
        EndStage();

        bool imageRead = false;
        for (;;) {
            if (pending_) {
                chunk = pendingChunk_;
                pending_ = false;
            } else if (!ReadChunkHeader(chunk)) {
                // A file cut after its image data still shows; before it, it
                // is damaged.
                if (imageRead) break;
                RaiseImageError(InvalidFormatText, {PngName});
            }
            if (chunk.is("IDAT")) {
                if (!imageRead) {
                    ReadImage(chunk);
                    imageRead = true;
                } else {
                    ReadChunkData(chunk);
                }
            } else if (chunk.is("PLTE")) {
                if (chunk.length % 3 != 0) RaiseImageError(InvalidPaletteText, {PngName});
                ReadChunkData(chunk);
                if (colorType_ == 3) {
                    SetUpColorDepth();
                    const void* data[1] = {raw_.data()};
                    setPalette(ColorManager().CreateColorPalette(data, plInterleaved8x3, chunk.length / 3, false));
                }
            } else if (chunk.is("gAMA")) {
                ReadChunkData(chunk);
                if (raw_.size() >= 4) {
                    ColorManager().SetGamma(static_cast<float>(BigEndian32(raw_.data()) / 100000.0), 2.2f);
                    ColorManager().targetOptions |= cfApplyGamma;
                    imageProperties.options |= ipUseGamma;
                }
            } else if (chunk.is("bKGD")) {
                ReadChunkData(chunk);
                const std::size_t need = colorType_ == 3 ? 1 : colorType_ == 2 || colorType_ == 6 ? 6 : 2;
                if (raw_.size() >= need) {
                    hasBackground_ = true;
                    if (colorType_ == 3) {
                        background_ = raw_[0];
                    } else if (need == 2) {
                        const uint8_t v = To8Bits(BigEndian16(raw_.data()), bitDepth_);
                        background_ = gfx::rgb(v, v, v);
                    } else {
                        background_ = gfx::rgb(To8Bits(BigEndian16(raw_.data()), bitDepth_),
                                               To8Bits(BigEndian16(raw_.data() + 2), bitDepth_),
                                               To8Bits(BigEndian16(raw_.data() + 4), bitDepth_));
                    }
                }
            } else if (chunk.is("tRNS")) {
                ReadChunkData(chunk);
                if (colorType_ == 3) {
                    const std::size_t n = std::min<std::size_t>(raw_.size(), transparency_.size());
                    std::copy(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(n), transparency_.begin());
                } else if ((colorType_ == 0 && raw_.size() >= 2) || (colorType_ == 2 && raw_.size() >= 6)) {
                    hasKey_ = true;
                    for (std::size_t k = 0; k < 3; ++k)
                        key_[k] = BigEndian16(raw_.data() + (colorType_ == 2 ? 2 * k : 0));
                    transparentColor_ = gfx::rgb(To8Bits(key_[0], bitDepth_), To8Bits(key_[1], bitDepth_),
                                                 To8Bits(key_[2], bitDepth_));
                }
            } else if (chunk.is("IEND")) {
                break;
            } else {
                if (chunk.type[0] >= 'A' && chunk.type[0] <= 'Z') RaiseImageError(PngCriticalChunkText, {});
                SkipChunk(chunk);
            }
        }
        if (!imageRead) RaiseImageError(InvalidFormatText, {PngName});
        decoder_->DecodeEnd();
        decoder_.reset();
        raw_ = {};
    } catch (...) {
        decoder_.reset();
        raw_ = {};
        alpha_.clear();
        clear();
        throw;
    }
}

bool TPNGGraphic::ReadRow(uint8_t* row, std::size_t n) {
    uint8_t* out = row;
    uint8_t* const end = row + n;
    while (out < end) {
        if (streamEnded_) RaiseImageError(PngExtraDataText, {PngName});
        if (rawUsed_ == raw_.size()) {
            // The next IDAT chunk continues the data; any other chunk ends it.
            Chunk next;
            if (!ReadChunkHeader(next)) return false;
            if (!next.is("IDAT")) {
                pending_ = true;
                pendingChunk_ = next;
                return false;
            }
            ReadChunkData(next);
            rawUsed_ = 0;
            continue;
        }
        const uint8_t* src = raw_.data() + rawUsed_;
        const int32_t available = static_cast<int32_t>(std::min<std::size_t>(raw_.size() - rawUsed_, INT32_MAX));
        decoder_->Decode(src, out, available, static_cast<int32_t>(end - out));
        rawUsed_ = static_cast<std::size_t>(src - raw_.data());
        if (decoder_->Result() < 0) RaiseImageError(PngCompressionErrorText, {PngName});
        if (decoder_->Result() == Z_STREAM_END) {
            streamEnded_ = true;
            if (out < end || rawUsed_ < raw_.size()) RaiseImageError(PngExtraDataText, {PngName});
        }
    }
    return true;
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
        for (int x = 0; x < width(); ++x) setPixel(x, static_cast<int>(fromRow), background_);
        if (pf == gfx::PixelFormat::pf32bit)
            for (int x = 0; x < width(); ++x) first[4 * x + 3] = 255;
    }
    for (int y = static_cast<int>(fromRow) + 1; y < height(); ++y)
        std::memcpy(scanLine(y), first, static_cast<std::size_t>(bytesPerLine()));
}

void TPNGGraphic::ReadImage(const Chunk& firstIdat) {
    StartStage(TransferingStage);
    if (!colorDepthSet_) SetUpColorDepth();
    const TImageProperties& p = imageProperties;
    CheckImageSize(p.width, p.height, PngName);
    setSize(static_cast<int>(p.width), static_cast<int>(p.height));
    const bool paletteAlpha = colorType_ == 3 && std::any_of(transparency_.begin(), transparency_.end(),
                                                              [](uint8_t a) { return a < 255; });
    const bool keepAlpha = colorType_ == 4 || hasKey_ || paletteAlpha;
    if (keepAlpha) alpha_.assign(static_cast<std::size_t>(p.width) * p.height, 255);
    ReadChunkData(firstIdat);
    rawUsed_ = 0;

    const std::size_t pixelBits = static_cast<std::size_t>(bitDepth_) * static_cast<std::size_t>(channels_);
    const std::size_t bpp = std::max<std::size_t>(1, pixelBits / 8);
    std::vector<uint8_t> current((pixelBits * p.width + 7) / 8 + 1), prior(current.size());
    TColorManager& cm = ColorManager();
    if (p.interlaced) FillBackground(0);
    const int passes = p.interlaced ? 7 : 1;
    uint32_t rowsDone = 0;
    bool complete = true;
    for (int pass = 0; pass < passes && complete; ++pass) {
        const Pass pp = p.interlaced ? Adam7[pass] : Pass{0, 0, 1, 1, 0xFF};
        if (pp.column >= p.width || pp.row >= p.height) continue;
        const uint32_t passWidth = (p.width - pp.column + pp.columnStep - 1) / pp.columnStep;
        const std::size_t n = (pixelBits * passWidth + 7) / 8;
        std::fill(prior.begin(), prior.end(), 0);
        for (uint32_t y = pp.row; y < p.height; y += pp.rowStep) {
            if (!ReadRow(current.data(), n + 1)) {
                complete = false;
                break;
            }
            Unfilter(current[0], current.data() + 1, prior.data() + 1, n, bpp);
            cm.ConvertRow(current.data() + 1, scanLine(static_cast<int>(y)), p.width, pp.mask);
            if (keepAlpha) {
                uint8_t* alpha = alpha_.data() + static_cast<std::size_t>(y) * p.width;
                for (uint32_t i = 0; i < passWidth; ++i) alpha[pp.column + i * pp.columnStep] = PixelAlpha(current.data() + 1, i);
            }
            std::swap(current, prior);
            if (!p.interlaced) rowsDone = y + 1;
            RowLoaded(y);
        }
    }
    if (!p.interlaced) FillBackground(rowsDone);
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
    case 0: return sample(0) == key_[0] ? 0 : 255;
    default: return sample(0) == key_[0] && sample(1) == key_[1] && sample(2) == key_[2] ? 0 : 255;
    }
}

gfx::Bitmap TPNGGraphic::AlphaBitmap() const {
    if (empty() || (colorType_ != 6 && alpha_.empty())) return *this;
    gfx::Bitmap out = convertedTo(gfx::PixelFormat::pf32bit);
    if (alpha_.size() == static_cast<std::size_t>(width()) * static_cast<std::size_t>(height())) {
        for (int y = 0; y < height(); ++y) {
            uint8_t* row = out.scanLine(y);
            const uint8_t* alpha = alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width());
            for (int x = 0; x < width(); ++x) row[4 * x + 3] = alpha[x];
        }
    }
    out.setHasAlpha(true);
    return out;
}

}  // namespace img
