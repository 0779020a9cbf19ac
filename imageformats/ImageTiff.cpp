#include "imageformats/ImageTiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* TiffName = "TIF/TIFF";
constexpr const char* CompressionSchemeText = "The compression scheme is";
constexpr const char* FaxCodingText = "Two-dimensional or uncompressed fax coding is";
constexpr const char* SubsampledText = "Subsampled YCbCr data without JPEG compression is";
constexpr const char* SeparateSubsampledText = "Subsampled YCbCr data in separate planes is";
constexpr std::size_t MaxColorMap = 788;

// Tags.
enum : uint16_t {
    TagFillOrder = 266,
    TagImageWidth = 256,
    TagImageLength = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagPhotometric = 262,
    TagStripOffsets = 273,
    TagSamplesPerPixel = 277,
    TagRowsPerStrip = 278,
    TagStripByteCounts = 279,
    TagXResolution = 282,
    TagYResolution = 283,
    TagPlanarConfig = 284,
    TagT4Options = 292,
    TagResolutionUnit = 296,
    TagPredictor = 317,
    TagColorMap = 320,
    TagTileWidth = 322,
    TagTileLength = 323,
    TagTileOffsets = 324,
    TagTileByteCounts = 325,
    TagExtraSamples = 338,
    TagSampleFormat = 339,
    TagJPEGTables = 347,
    TagYCbCrCoefficients = 529,
    TagYCbCrSubSampling = 530,
    TagYCbCrPositioning = 531,
};

// Bytes of a value of each data type; 0 for a type without a size (skipped).
int TypeSize(uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

TCompressionKind CompressionOf(uint32_t value) {
    switch (value) {
    case 1: return ckNone;
    case 2: return ckFaxRLE;
    case 3: return ckFaxGroup3;
    case 4: return ckFaxGroup4;
    case 5: return ckLZW;
    case 6: return ckOldJPEG;
    case 7: return ckJPEG;
    case 8: case 32946: return ckDeflate;
    case 32766: return ckNeXT;
    case 32771: return ckFaxRLEW;
    case 32773: return ckPackBits;
    case 32809: return ckThunderScan;
    case 32895: return ckIT8CTPad;
    case 32896: return ckIT8LW;
    case 32897: return ckIT8MP;
    case 32898: return ckIT8BL;
    case 32908: return ckPixarFilm;
    case 32909: return ckPixarLog;
    case 32947: return ckDCS;
    case 34661: return ckJBIG;
    default: return ckUnknown;
    }
}

TSampleLayout SchemeOf(uint32_t photometric, uint32_t samples) {
    switch (photometric) {
    case 0: case 1: return slGray;
    case 2: return samples < 4 ? slRGB : slRGBA;
    case 3: return slIndexed;
    case 5: return slCMYK;
    case 6: return slYCbCr;
    case 8: return slCIELab;
    default: return slUnknown;
    }
}

[[noreturn]] void InvalidTiff() { RaiseImageError(InvalidFormatText, {TiffName}); }

// Each byte with its bits in reverse order (data stored with fill order 2).
void ReverseBits(uint8_t* p, std::size_t n) {
    const std::array<uint8_t, 256>& table = ReversedBits();
    for (std::size_t i = 0; i < n; ++i) p[i] = table[p[i]];
}

bool IsFax(TCompressionKind c) { return c == ckFaxGroup3 || c == ckFaxRLE || c == ckFaxRLEW; }

// A value as a float; `fallback` for one that is not a number or beyond the
// range of floats (a DOUBLE value may be either).
float ToFloat(double v, float fallback) {
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max() ? static_cast<float>(v) : fallback;
}

}  // namespace

// One decoded strip or tile, or rows of an uncompressed strip: its index
// among the offsets, its size in pixels, the rows of the strip before it,
// and the bytes of one of its rows.
struct TTIFFGraphic::Unit {
    std::size_t index;
    uint32_t width;
    uint32_t rows;
    uint32_t firstRow;
    std::size_t rowBytes;
    int samples;  // samples a pixel in the unit (1 for a separate plane)
};

// ---- Directory ----------------------------------------------------------------

uint16_t TTIFFGraphic::Read16(const uint8_t* p) const {
    return bigEndian_ ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t TTIFFGraphic::Read32(const uint8_t* p) const {
    return bigEndian_ ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                      : uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool TTIFFGraphic::CanLoad(gfx::Stream& stream) {
    const uint64_t start = stream.position();
    uint8_t h[8];
    const bool whole = stream.remaining() > 8 && stream.read(h, 8) == 8;
    const uint64_t available = stream.size() - std::min(stream.size(), start);
    stream.seek(start);
    if (!whole) return false;
    const bool ii = h[0] == 'I' && h[1] == 'I', mm = h[0] == 'M' && h[1] == 'M';
    if (!ii && !mm) return false;
    const uint32_t version = mm ? (h[2] << 8) | h[3] : h[2] | (h[3] << 8);
    const uint32_t first = mm ? (uint32_t{h[4]} << 24) | (h[5] << 16) | (h[6] << 8) | h[7]
                              : h[4] | (h[5] << 8) | (h[6] << 16) | (uint32_t{h[7]} << 24);
    return version == 42 && first < available;
}

const TTIFFGraphic::Entry* TTIFFGraphic::Find(uint16_t tag) const {
    auto it = std::lower_bound(ifd_.begin(), ifd_.end(), tag, [](const Entry& e, uint16_t t) { return e.tag < t; });
    return it != ifd_.end() && it->tag == tag ? &*it : nullptr;
}

std::vector<double> TTIFFGraphic::EntryValues(gfx::Stream& stream, const Entry& e, uint32_t maxCount) const {
    std::vector<double> values;
    const int size = TypeSize(e.type);
    const uint32_t count = std::min(e.count, maxCount);
    if (size == 0 || count == 0) return values;
    const uint64_t bytes = uint64_t{count} * static_cast<uint64_t>(size);
    std::vector<uint8_t> data;
    if (uint64_t{e.count} * static_cast<uint64_t>(size) <= 4) {
        data.assign(e.field.begin(), e.field.begin() + static_cast<std::ptrdiff_t>(bytes));
    } else {
        // Values beyond the field lie at its offset; a list that runs past
        // the end of the stream is refused before anything is allocated.
        const uint64_t at = basePosition + Read32(e.field.data());
        if (at > stream.size() || bytes > stream.size() - at) InvalidTiff();
        data.resize(static_cast<std::size_t>(bytes));
        stream.seek(at);
        stream.readExact(data.data(), data.size());
    }
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* p = data.data() + i * static_cast<std::size_t>(size);
        switch (e.type) {
        case 3: values.push_back(Read16(p)); break;
        case 8: values.push_back(static_cast<int16_t>(Read16(p))); break;
        case 4: case 13: values.push_back(Read32(p)); break;
        case 9: values.push_back(static_cast<int32_t>(Read32(p))); break;
        case 5: case 10: {
            const uint32_t n = Read32(p), d = Read32(p + 4);
            const double num = e.type == 10 ? static_cast<int32_t>(n) : static_cast<double>(n);
            const double den = e.type == 10 ? static_cast<int32_t>(d) : static_cast<double>(d);
            values.push_back(den != 0 ? num / den : 0);
            break;
        }
        case 11: {
            const uint32_t bits = Read32(p);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            values.push_back(f);
            break;
        }
        case 12: {
            const uint64_t bits = bigEndian_ ? (uint64_t{Read32(p)} << 32) | Read32(p + 4)
                                             : (uint64_t{Read32(p + 4)} << 32) | Read32(p);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            values.push_back(d);
            break;
        }
        case 6: values.push_back(static_cast<int8_t>(*p)); break;
        default: values.push_back(*p); break;
        }
    }
    return values;
}

std::vector<double> TTIFFGraphic::Values(gfx::Stream& stream, uint16_t tag) const {
    const Entry* e = Find(tag);
    return e ? EntryValues(stream, *e, e->count) : std::vector<double>{};
}

std::vector<uint32_t> TTIFFGraphic::IntegerValues(gfx::Stream& stream, uint16_t tag) const {
    const std::vector<double> v = Values(stream, tag);
    std::vector<uint32_t> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        out[i] = v[i] >= 0 && v[i] <= 4294967295.0 ? static_cast<uint32_t>(v[i]) : 0;
    return out;
}

uint32_t TTIFFGraphic::Value(gfx::Stream& stream, uint16_t tag, uint32_t defaultValue) const {
    const Entry* e = Find(tag);
    if (!e) return defaultValue;
    const std::vector<double> v = EntryValues(stream, *e, 1);
    // Not a number, negative or too large: no value of the type.
    if (v.empty() || !(v[0] >= 0 && v[0] <= 4294967295.0)) return defaultValue;
    return static_cast<uint32_t>(v[0]);
}

float TTIFFGraphic::FloatValue(gfx::Stream& stream, uint16_t tag, float defaultValue) const {
    const Entry* e = Find(tag);
    if (!e || e->count != 1) return defaultValue;
    const std::vector<double> v = EntryValues(stream, *e, 1);
    return v.empty() ? defaultValue : ToFloat(v[0], defaultValue);
}

bool TTIFFGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    ifd_.clear();
    const uint64_t base = stream.position();
    basePosition = base;
    uint8_t header[8];
    if (stream.read(header, 8) != 8) return false;
    if (header[0] == 'M' && header[1] == 'M')
        bigEndian_ = true;
    else if (header[0] == 'I' && header[1] == 'I')
        bigEndian_ = false;
    else
        return false;
    TImageProperties& p = imageProperties;
    if (bigEndian_) p.options |= ipBigEndian;
    p.version = Read16(header + 2);
    p.firstIFD = Read32(header + 4);
    if (p.version != 42) return false;

    // Walks the chain of directories to the one asked for; a chain that
    // loops ends there.
    uint64_t offset = p.firstIFD;
    std::set<uint64_t> visited;
    uint32_t count = 0;
    for (uint32_t i = 0;; ++i) {
        if (offset == 0 || !visited.insert(offset).second || offset + 2 > stream.size() - std::min(stream.size(), base))
            return false;
        stream.seek(base + offset);
        uint8_t c[2];
        stream.readExact(c, 2);
        count = Read16(c);
        if (i == imageIndex) break;
        stream.skip(uint64_t{count} * 12);
        uint8_t next[4];
        if (stream.read(next, 4) != 4) return false;
        offset = Read32(next);
    }
    if (uint64_t{count} * 12 > stream.remaining()) return false;
    std::vector<uint8_t> raw(static_cast<std::size_t>(count) * 12);
    stream.readExact(raw.data(), raw.size());
    ifd_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = raw.data() + static_cast<std::size_t>(i) * 12;
        ifd_[i] = {Read16(e), Read16(e + 2), Read32(e + 4), {e[8], e[9], e[10], e[11]}};
    }
    std::stable_sort(ifd_.begin(), ifd_.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    p.width = Value(stream, TagImageWidth, 0);
    p.height = Value(stream, TagImageLength, 0);
    if (p.width == 0 || p.height == 0) return false;
    p.rowsPerStrip = IntegerValues(stream, TagRowsPerStrip);
    if (p.rowsPerStrip.empty() || p.rowsPerStrip[0] == 0xFFFFFFFF) p.rowsPerStrip = {p.height};
    samplesPerPixel_ = static_cast<int>(std::min<uint32_t>(Value(stream, TagSamplesPerPixel, 1), 255));
    p.samplesPerPixel = static_cast<uint8_t>(samplesPerPixel_);
    p.bitsPerSample = static_cast<uint8_t>(std::min<uint32_t>(Value(stream, TagBitsPerSample, 1), 255));
    p.bitsPerPixel = static_cast<uint8_t>(std::min(p.bitsPerSample * samplesPerPixel_, 255));
    p.tileWidth = Value(stream, TagTileWidth, 0);
    p.tileLength = Value(stream, TagTileLength, 0);
    if (p.tileWidth > 0 && p.tileLength > 0) p.options |= ipTiled;
    const std::vector<uint32_t> extra = IntegerValues(stream, TagExtraSamples);
    p.hasAlpha = !extra.empty() && std::all_of(extra.begin(), extra.end(), [](uint32_t v) { return v <= 2; });
    p.compression = CompressionOf(Value(stream, TagCompression, 0));
    photometric_ = static_cast<int>(std::min<uint32_t>(Value(stream, TagPhotometric, 0), 1000));
    p.colorScheme = SchemeOf(static_cast<uint32_t>(photometric_), static_cast<uint32_t>(samplesPerPixel_));
    if (photometric_ == 0) p.options |= ipMinIsWhite;
    if (photometric_ == 6) {
        for (uint32_t v : IntegerValues(stream, TagYCbCrSubSampling))
            p.yCbCrSubSampling.push_back(static_cast<uint8_t>(std::min<uint32_t>(v, 255)));
        if (p.yCbCrSubSampling.size() < 2) p.yCbCrSubSampling = {2, 2};
        yCbCrPositioning_ = Value(stream, TagYCbCrPositioning, 1);
        yCbCrCoefficients_.clear();
        for (double v : Values(stream, TagYCbCrCoefficients)) yCbCrCoefficients_.push_back(ToFloat(v, 0.0f));
        if (yCbCrCoefficients_.size() < 3) yCbCrCoefficients_ = {0.299f, 0.587f, 0.114f};
    }
    p.jpegColorMode = 0;
    p.jpegTablesMode = 3;
    p.planarConfig = Value(stream, TagPlanarConfig, 0);
    p.xResolution = FloatValue(stream, TagXResolution, 0);
    p.yResolution = FloatValue(stream, TagYResolution, 0);
    if (Value(stream, TagResolutionUnit, 2) == 3) {
        p.xResolution *= 2.54f;
        p.yResolution *= 2.54f;
    }
    p.predictor = Value(stream, TagPredictor, 0);
    if (Value(stream, TagFillOrder, 1) == 2) p.options |= ipReversed;
    return true;
}

// ---- Loading ------------------------------------------------------------------

void TTIFFGraphic::loadFromStream(gfx::Stream& stream) { LoadTiff(stream); }

std::unique_ptr<gfx::Graphic> TTIFFGraphic::clone() const { return std::make_unique<TTIFFGraphic>(*this); }

void TTIFFGraphic::SetUpColors(gfx::Stream& stream, bool separatePlanes) {
    const TImageProperties& p = imageProperties;
    const int bits = p.bitsPerSample, samples = samplesPerPixel_;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) RaiseImageError(InvalidColorFormatText, {TiffName});
    TSampleLayout source = p.colorScheme;
    const bool jpeg = p.compression == ckJPEG;
    if (jpeg && !separatePlanes && source != slGray && source != slCMYK && samples == 3) source = slBGR;
    // Grey with an extra sample, and a palette with an alpha sample: one
    // grey or index sample, and the alpha when the extra sample is one.
    const bool twoSamples = samples == 2 && (source == slGray || (source == slIndexed && p.hasAlpha));
    keepAlpha_ = twoSamples && p.hasAlpha;
    if (twoSamples && !separatePlanes) source = slGrayAlpha;
    const bool grayOrIndexed = source == slGray || source == slGrayAlpha || source == slIndexed;
    const int expected = twoSamples                                  ? 2
                       : source == slGray || source == slIndexed    ? 1
                       : source == slRGBA || source == slCMYK       ? 4
                                                                    : 3;
    if (source == slUnknown || samples != expected || (!grayOrIndexed && bits < 8) || (twoSamples && bits < 8))
        RaiseImageError(InvalidColorFormatText, {TiffName});

    TColorManager& cm = ColorManager();
    cm = TColorManager();
    cm.sourceOptions = bigEndian_ ? cfByteSwap : 0;
    if (source == slCIELab) cm.sourceOptions |= cfLabByteRange;
    // 16-bit L*a*b* reaches the colour manager as 8 bits (see Lab16To8).
    labWords_ = source == slCIELab && bits == 16;
    if (labWords_) cm.sourceOptions &= static_cast<TConversionFlags>(~cfByteSwap);
    cm.SetSourceBitsPerSample(static_cast<uint8_t>(labWords_ ? 8 : bits));
    cm.SetTargetBitsPerSample(static_cast<uint8_t>(bits == 16 ? 8 : bits == 2 ? 4 : bits));
    cm.SetSourceColorScheme(source);
    TSampleLayout target = source;
    switch (source) {
    case slRGB: case slCMY: case slCMYK: case slCIELab: case slYCbCr: target = slBGR; break;
    case slRGBA: target = slBGRA; break;
    case slGrayAlpha: target = p.colorScheme == slIndexed ? slIndexed : slGray; break;
    default: break;
    }
    cm.SetTargetColorScheme(target);
    const bool oneSample = source == slGrayAlpha || source == slGray || source == slIndexed;
    cm.SetSourceSamplesPerPixel(static_cast<uint8_t>(oneSample ? 1 : samples));
    cm.SetTargetSamplesPerPixel(static_cast<uint8_t>(target == slBGRA ? 4 : target == slBGR ? 3 : 1));
    setPixelFormat(cm.TargetPixelFormat());

    if (target == slIndexed) {
        const std::vector<uint32_t> map = IntegerValues(stream, TagColorMap);
        if (map.size() > MaxColorMap) RaiseImageError(InvalidPaletteText, {TiffName});
        if (!map.empty()) {
            // The three planes of the colour map, in host order.
            std::vector<uint16_t> values(map.begin(), map.end());
            const std::size_t n = values.size() / 3;
            const void* planes[3] = {values.data(), values.data() + n, values.data() + 2 * n};
            const TConversionFlags options = cm.sourceOptions;
            cm.sourceOptions &= static_cast<TConversionFlags>(~cfByteSwap);
            setPalette(cm.CreateColorPalette(planes, plPlanar16x3, static_cast<uint32_t>(n), false));
            cm.sourceOptions = options;
        }
    } else if (target == slGray) {
        setPalette(cm.CreateGrayscalePalette((p.options & ipMinIsWhite) != 0));
    } else if (source == slYCbCr) {
        cm.SetYCbCrParameters({yCbCrCoefficients_[0], yCbCrCoefficients_[1], yCbCrCoefficients_[2]}, 1, 1);
    }
    // With its alpha the image becomes 32-bit: the indices, converted as
    // above, go through the palette.
    if (keepAlpha_) {
        colors_ = PaletteBGRA(palette());
        setPixelFormat(gfx::PixelFormat::pf32bit);
    }
    setHasAlpha(keepAlpha_ || (target == slBGRA && p.hasAlpha));
    // Indices with alpha are converted into a row of 8-bit indices first.
    CheckColorModel(TiffName, keepAlpha_ ? 8 : 0);
}

std::unique_ptr<TDecoder> TTIFFGraphic::MakeDecoder(gfx::Stream& stream, uint32_t unitWidth) {
    const TImageProperties& p = imageProperties;
    const bool reversed = (p.options & ipReversed) != 0;
    switch (p.compression) {
    case ckNone: return nullptr;
    case ckPackBits: return std::make_unique<TPackbitsRLEDecoder>();
    case ckLZW: return std::make_unique<TTIFFLZWDecoder>();
    case ckFaxGroup3:
        return std::make_unique<TCCITTFax3Decoder>(Value(stream, TagT4Options, 0), reversed, false, unitWidth);
    case ckFaxRLE:
    case ckFaxRLEW:
        return std::make_unique<TCCITTMHDecoder>(Value(stream, TagT4Options, 0), reversed, p.compression == ckFaxRLEW,
                                                 unitWidth);
    case ckDeflate: return std::make_unique<TLZ77Decoder>(1, true);
    case ckJPEG: {
        std::vector<uint32_t> tables = IntegerValues(stream, TagJPEGTables);
        imageProperties.jpegTables.assign(tables.begin(), tables.end());
        return std::make_unique<TTIFFJPEGDecoder>(imageProperties.jpegTables);
    }
    case ckThunderScan: return std::make_unique<TThunderDecoder>(unitWidth);
    default: RaiseImageError(NotSupportedText, {CompressionSchemeText, TiffName});
    }
}

namespace {

// The most bytes of pixels one byte of data gives under each compression
// (for LZW the longest string of the table, 3839 bytes, from a 12-bit code;
// for JPEG one bit for each 8 x 8 block of a component).
uint64_t BestRatio(TCompressionKind c) {
    switch (c) {
    case ckNone: return 1;
    case ckPackBits: return 64;
    case ckLZW: return 2560;
    case ckDeflate: return 1032;
    case ckFaxGroup3: case ckFaxRLE: case ckFaxRLEW: return 256;
    case ckJPEG: return 1024;
    case ckThunderScan: return 32;
    default: return 1;
    }
}

}  // namespace

void TTIFFGraphic::UndoPredictor(uint8_t* row, uint32_t width, int samples) const {
    if (width < 2) return;
    const auto n = static_cast<uint32_t>(samples);
    if (imageProperties.bitsPerSample == 8)
        UndoPredictor8(row, width - 1, n);
    else if (imageProperties.bitsPerSample == 16)
        UndoPredictor16(row, width - 1, n, bigEndian_);
}

uint64_t TTIFFGraphic::UnitStart(std::size_t index, uint64_t dataEnd) const {
    if (index >= offsets_.size() || basePosition + offsets_[index] >= dataEnd) InvalidTiff();
    return basePosition + offsets_[index];
}

void TTIFFGraphic::DecodeUnit(gfx::Stream& stream, TDecoder* decoder, const Unit& unit, uint8_t* out) {
    const TImageProperties& p = imageProperties;
    const uint64_t decoded = uint64_t{unit.rows} * unit.rowBytes;
    const uint64_t at = UnitStart(unit.index, stream.size()) + uint64_t{unit.firstRow} * unit.rowBytes;
    const uint64_t available = stream.size() - std::min(stream.size(), at);
    const bool reverse = (p.options & ipReversed) != 0 && !IsFax(p.compression) && p.compression != ckJPEG;
    stream.seek(at);
    if (!decoder) {
        // What the file holds of the rows; the rest, past its end, is zero.
        const std::size_t n = static_cast<std::size_t>(std::min(decoded, available));
        stream.readExact(out, n);
        std::memset(out + n, 0, static_cast<std::size_t>(decoded - n));
        if (reverse) ReverseBits(out, n);
        return;
    }
    std::memset(out, 0, static_cast<std::size_t>(decoded));
    if (unit.index >= byteCounts_.size()) InvalidTiff();
    const uint64_t packed = std::min<uint64_t>({byteCounts_[unit.index], available, uint64_t{INT32_MAX}});
    packed_.resize(static_cast<std::size_t>(packed));
    stream.readExact(packed_.data(), packed_.size());
    if (reverse) ReverseBits(packed_.data(), packed_.size());
    if (auto* jpeg = dynamic_cast<TTIFFJPEGDecoder*>(decoder)) {
        jpeg->shape.width = unit.width;
        jpeg->shape.rows = unit.rows;
        jpeg->shape.rowStride = static_cast<uint32_t>(unit.rowBytes);
        jpeg->shape.samplesPerPixel = unit.samples;
        jpeg->shape.bitsPerSample = p.bitsPerSample;
        const bool subsampled = unit.samples == 3 && photometric_ == 6;
        jpeg->shape.horizontalSubsampling = subsampled ? p.yCbCrSubSampling[0] : 1;
        jpeg->shape.verticalSubsampling = subsampled ? p.yCbCrSubSampling[1] : 1;
        jpeg->shape.photometric = unit.samples == 1 ? 1 : photometric_;
    }
    const uint8_t* src = packed_.data();
    uint8_t* dst = out;
    decoder->Decode(src, dst, static_cast<int32_t>(packed), static_cast<int32_t>(decoded));
    if (p.predictor == 2)
        for (uint32_t r = 0; r < unit.rows; ++r) UndoPredictor(out + r * unit.rowBytes, unit.width, unit.samples);
}

void TTIFFGraphic::LoadTiff(gfx::Stream& stream) {
    clear();
    try {
        basePosition = stream.position();
        if (!ReadImageProperties(stream, 0)) InvalidTiff();
        TImageProperties& p = imageProperties;
        StartStage(PreparingStage);
        const bool tiled = (p.options & ipTiled) != 0;
        const int samples = samplesPerPixel_;
        const bool separate = p.planarConfig == 2 && samples > 1;
        const int bits = p.bitsPerSample;

        // Floating point samples are not read as numbers.
        if (Value(stream, TagSampleFormat, 1) == 3) RaiseImageError(InvalidColorFormatText, {TiffName});
        if (IsFax(p.compression) && (bits != 1 || samples != 1)) RaiseImageError(InvalidColorFormatText, {TiffName});
        if (p.compression == ckThunderScan && (bits != 4 || samples != 1))
            RaiseImageError(InvalidColorFormatText, {TiffName});
        if (p.compression == ckFaxGroup3 && (Value(stream, TagT4Options, 0) & 3) != 0)
            RaiseImageError(NotSupportedText, {FaxCodingText, TiffName});
        if (photometric_ == 6 && p.compression != ckJPEG && (p.yCbCrSubSampling[0] != 1 || p.yCbCrSubSampling[1] != 1))
            RaiseImageError(NotSupportedText, {SubsampledText, TiffName});
        if (p.compression == ckJPEG && separate && photometric_ == 6 &&
            (p.yCbCrSubSampling[0] != 1 || p.yCbCrSubSampling[1] != 1))
            RaiseImageError(NotSupportedText, {SeparateSubsampledText, TiffName});
        CheckImageSize(p.width, p.height, TiffName);
        if (tiled) CheckImageSize(p.tileWidth, p.tileLength, TiffName);

        offsets_ = IntegerValues(stream, tiled ? TagTileOffsets : TagStripOffsets);
        byteCounts_ = IntegerValues(stream, tiled ? TagTileByteCounts : TagStripByteCounts);
        SetUpColors(stream, separate);
        const uint32_t width = p.width, height = p.height;

        // Planes of the file and the planes the colour manager reads (with
        // the alpha plane of grey or indices kept apart).
        const int planes = separate ? samples : 1;
        const int unitSamples = separate ? 1 : samples;
        const int usedPlanes = !separate                                                  ? 1
                             : keepAlpha_                                                 ? 2
                             : ColorManager().SourceColorScheme() == slGray ||
                                       ColorManager().SourceColorScheme() == slIndexed ? 1
                                                                                         : samples;
        auto rowBytesOf = [&](uint32_t w) {
            return static_cast<std::size_t>((uint64_t{w} * static_cast<uint64_t>(bits * unitSamples) + 7) / 8);
        };
        const std::size_t planeRowBytes = rowBytesOf(width);
        p.bytesPerLine = static_cast<uint32_t>(planeRowBytes);

        // The bands of rows read at once: each strip, or a row of tiles, of
        // every plane. Strips take their rows from RowsPerStrip (a later strip
        // its last value), limited to the rows left.
        const uint32_t bandRows = tiled ? p.tileLength : std::clamp<uint32_t>(p.rowsPerStrip[0], 1, height);
        const std::size_t tilesAcross = tiled ? (width + p.tileWidth - 1) / p.tileWidth : 1;
        std::vector<uint32_t> bands;
        for (uint32_t covered = 0; covered < height;) {
            uint32_t rows = bandRows;
            if (!tiled && !separate)
                rows = std::max<uint32_t>(p.rowsPerStrip[std::min(bands.size(), p.rowsPerStrip.size() - 1)], 1);
            rows = std::min(rows, height - covered);
            bands.push_back(rows);
            covered += rows;
        }
        const std::size_t unitsPerPlane = bands.size() * tilesAcross;
        // Every strip or tile of every plane has its offset in the file: the
        // listing of their bytes below is then no longer than the file's own.
        if (offsets_.size() / static_cast<std::size_t>(planes) < unitsPerPlane) InvalidTiff();
        const std::size_t tileRowBytes = tiled ? rowBytesOf(p.tileWidth) : 0;
        const uint64_t unitBytes = tiled ? uint64_t{p.tileLength} * tileRowBytes : uint64_t{bandRows} * planeRowBytes;
        if (unitBytes > uint64_t{INT32_MAX}) InvalidTiff();

        const uint32_t unitWidth = tiled ? p.tileWidth : width;
        std::unique_ptr<TDecoder> decoder = MakeDecoder(stream, unitWidth);

        // Before anything is made for the image: each strip or tile that is
        // read starts inside the file, and what they hold can give the
        // image's pixels at the compression's best. Bytes that several
        // strips or tiles share count once.
        const uint64_t dataEnd = stream.size();
        std::vector<std::pair<uint64_t, uint64_t>> ranges;
        ranges.reserve(unitsPerPlane * static_cast<std::size_t>(planes));
        for (std::size_t unit = 0; unit < unitsPerPlane * static_cast<std::size_t>(planes); ++unit) {
            const uint64_t start = UnitStart(unit, dataEnd);
            const bool counted = p.compression != ckNone && unit < byteCounts_.size();
            ranges.emplace_back(start, start + std::min<uint64_t>(dataEnd - start, counted ? byteCounts_[unit] : unitBytes));
        }
        std::sort(ranges.begin(), ranges.end());
        uint64_t available = 0, covered = 0;
        for (const auto& [start, end] : ranges) {
            const uint64_t from = std::max(start, covered);
            if (end > from) available += end - from;
            covered = std::max(covered, end);
        }
        CheckDataSize(uint64_t{height} * planeRowBytes * static_cast<uint64_t>(planes), available,
                      BestRatio(p.compression), TiffName);
        setSizeForOverwrite(static_cast<int>(width), static_cast<int>(height));
        if (decoder) decoder->DecodeInit();
        EndStage();
        StartStage(LoadingDataStage);

        // Uncompressed strips are read about a megabyte at a time.
        const uint32_t partRows =
            decoder || tiled ? UINT32_MAX
                             : static_cast<uint32_t>(std::max<std::size_t>(1, (1u << 20) / std::max<std::size_t>(planeRowBytes, 1)));
        std::vector<std::vector<uint8_t>> band(static_cast<std::size_t>(planes));
        std::vector<uint8_t> tile(tiled ? static_cast<std::size_t>(unitBytes) : 0);
        std::vector<const void*> sources(static_cast<std::size_t>(usedPlanes));
        std::vector<uint8_t> labRow(labWords_ ? static_cast<std::size_t>(width) * 3 : 0);
        std::vector<uint8_t> indexRow(keepAlpha_ ? width : 0);
        // Where the alpha of a pixel is: its second sample, or its plane (the
        // high byte of a 16-bit sample).
        const std::size_t sampleBytes = bits == 16 ? 2 : 1;
        const std::size_t alphaAt = (separate ? 0 : sampleBytes) + (bits == 16 && !bigEndian_ ? 1 : 0);
        const std::size_t alphaStep = separate ? sampleBytes : 2 * sampleBytes;
        TColorManager& cm = ColorManager();
        p.currentRow = 0;
        p.stripCount = static_cast<uint32_t>(offsets_.size());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            p.currentStrip = static_cast<uint32_t>(b);
            for (uint32_t done = 0; done < bands[b];) {
                const uint32_t rows = std::min(bands[b] - done, partRows);
                for (int plane = 0; plane < planes; ++plane) {
                    std::vector<uint8_t>& out = band[static_cast<std::size_t>(plane)];
                    out.resize(static_cast<std::size_t>(rows) * planeRowBytes);
                    const std::size_t first = static_cast<std::size_t>(plane) * unitsPerPlane;
                    if (!tiled) {
                        DecodeUnit(stream, decoder.get(), {first + b, width, rows, done, planeRowBytes, unitSamples},
                                   out.data());
                        continue;
                    }
                    for (std::size_t t = 0; t < tilesAcross; ++t) {
                        DecodeUnit(stream, decoder.get(),
                                   {first + b * tilesAcross + t, p.tileWidth, p.tileLength, 0, tileRowBytes, unitSamples},
                                   tile.data());
                        const std::size_t at = rowBytesOf(static_cast<uint32_t>(t * p.tileWidth));
                        const std::size_t n = std::min(tileRowBytes, planeRowBytes - at);
                        for (uint32_t r = 0; r < rows; ++r)
                            std::memcpy(out.data() + r * planeRowBytes + at, tile.data() + r * tileRowBytes, n);
                    }
                }
                for (uint32_t r = 0; r < rows; ++r) {
                    for (std::size_t k = 0; k < sources.size(); ++k) sources[k] = band[k].data() + r * planeRowBytes;
                    uint8_t* line = scanLine(static_cast<int>(p.currentRow));
                    if (labWords_) {
                        Lab16To8(sources, width, bigEndian_, labRow.data());
                        cm.ConvertRow(labRow.data(), line, width, 0xFF);
                    } else if (keepAlpha_) {
                        const auto* alpha = static_cast<const uint8_t*>(sources[separate ? 1 : 0]) + alphaAt;
                        cm.ConvertRow(sources[0], indexRow.data(), width, 0xFF);
                        IndexedToBGRA(indexRow.data(), colors_, alpha, alphaStep, line, width);
                    } else {
                        cm.ConvertRow(sources, line, width, 0xFF);
                    }
                    ++p.currentRow;
                    RowLoaded(p.currentRow);
                }
                done += rows;
            }
        }
        EndStage();
        if (decoder) decoder->DecodeEnd();
        packed_ = {};
    } catch (...) {
        packed_ = {};
        clear();
        throw;
    }
}

// ---- EPS ----------------------------------------------------------------------

namespace {

constexpr uint32_t EpsMagic = 0xC6D3D0C5;
constexpr uint32_t EpsHeaderSize = 30;

struct EpsHeader {
    uint32_t magic, tiffOffset, tiffLength;
};

bool ReadEpsHeader(gfx::Stream& stream, EpsHeader& h) {
    uint8_t b[EpsHeaderSize];
    if (stream.read(b, EpsHeaderSize) != EpsHeaderSize) return false;
    auto u32 = [&](int at) {
        return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) | (uint32_t{b[at + 3]} << 24);
    };
    h = {u32(0), u32(20), u32(24)};
    return true;
}

}  // namespace

bool TEPSGraphic::CanLoad(gfx::Stream& stream) {
    const uint64_t start = stream.position();
    EpsHeader h{};
    bool read = stream.remaining() > EpsHeaderSize && ReadEpsHeader(stream, h) && h.magic == EpsMagic &&
                h.tiffOffset >= EpsHeaderSize && h.tiffLength > 0;
    // The TIFF part the reader reads must have a TIFF header.
    if (read) {
        stream.seek(start + h.tiffOffset);
        read = TTIFFGraphic::CanLoad(stream);
    }
    stream.seek(start);
    return read;
}

void TEPSGraphic::loadFromStream(gfx::Stream& stream) {
    clear();
    const uint64_t start = stream.position();
    EpsHeader h{};
    if (!ReadEpsHeader(stream, h) || h.magic != EpsMagic || h.tiffOffset < EpsHeaderSize)
        RaiseImageError(InvalidFormatText, {"EPS"});
    stream.seek(start + h.tiffOffset);
    LoadTiff(stream);
}

std::unique_ptr<gfx::Graphic> TEPSGraphic::clone() const { return std::make_unique<TEPSGraphic>(*this); }

}  // namespace img
