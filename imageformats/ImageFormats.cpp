#include "imageformats/ImageFormats.h"

#include <cstring>

#include "platform/gfx/Errors.h"

namespace img {

std::string FormatImageMessage(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string text;
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next != arguments.end()) {
            text += *next++;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

void RaiseImageError(std::string_view message) { throw gfx::EInvalidGraphic(std::string(message)); }

void RaiseImageError(std::string_view format, std::initializer_list<std::string_view> arguments) {
    RaiseImageError(FormatImageMessage(format, arguments));
}

TFormatGraphic::TFormatGraphic(const TFormatGraphic& other)
    : gfx::Bitmap(other), imageProperties(other.imageProperties) {}

TFormatGraphic& TFormatGraphic::operator=(const TFormatGraphic& other) {
    if (this != &other) Assign(other);
    return *this;
}

bool TFormatGraphic::CanLoad(gfx::Stream&) { return false; }

bool TFormatGraphic::CanLoadFile(const std::string& fileName, bool (*canLoad)(gfx::Stream&)) {
    gfx::FileStream stream(fileName);
    return canLoad(stream);
}

bool PeekHeader(gfx::Stream& stream, void* header, std::size_t n, uint64_t moreThan) {
    if (stream.remaining() <= moreThan || stream.remaining() < n) return false;
    const uint64_t start = stream.position();
    const bool read = stream.read(header, n) == n;
    stream.seek(start);
    return read;
}

bool TFormatGraphic::ReadImageProperties(gfx::Stream&, uint32_t) {
    imageProperties = TImageProperties{};
    return false;
}

void TFormatGraphic::Assign(const gfx::Bitmap& source) {
    if (&source == this) return;
    if (const auto* graphic = dynamic_cast<const TFormatGraphic*>(&source))
        imageProperties = graphic->imageProperties;
    gfx::Bitmap::operator=(source);
}

void TFormatGraphic::BeginLoad(gfx::Stream& stream, std::string_view formatName) {
    clear();
    basePosition = stream.position();
    if (!ReadImageProperties(stream, 0)) RaiseImageError(InvalidFormatText, {formatName});
    stream.seek(basePosition);
}

void TFormatGraphic::CheckImageSize(int64_t width, int64_t height, std::string_view formatName) {
    if (!gfx::bitmapSizeAllowed(width, height)) RaiseImageError(InvalidFormatText, {formatName});
}

void TFormatGraphic::CheckDataSize(uint64_t needed, uint64_t available, uint64_t ratio, std::string_view formatName) {
    if (available < needed && (ratio <= 1 || available * ratio < needed)) RaiseImageError(InvalidFormatText, {formatName});
}

void TFormatGraphic::StartStage(std::string_view stage) {
    stage_ = stage;
    progressRect = {0, 0, static_cast<int>(imageProperties.width), 1};
    progress(gfx::ProgressStage::Starting, 0, progressRect, stage_);
}

void TFormatGraphic::RowLoaded(uint32_t row) {
    const uint32_t height = imageProperties.height;
    const int percent = height > 0 ? static_cast<int>(static_cast<uint64_t>(row) * 100 / height) : 0;
    progress(gfx::ProgressStage::Running, percent, progressRect, stage_);
    progressRect = progressRect.translated(0, 1);
}

void TFormatGraphic::EndStage() { progress(gfx::ProgressStage::Ending, 0, progressRect, stage_); }

void TFormatGraphic::MarkAlpha() {
    setHasAlpha(pixelFormat() == gfx::PixelFormat::pf32bit &&
                (ColorManager().TargetColorScheme() == slBGRA || ColorManager().TargetColorScheme() == slRGBA));
}

namespace {

// The samples of a pixel of a scheme as the colour manager counts them; 0
// for a scheme that no converter reads.
int SchemeSamples(TSampleLayout scheme) {
    switch (scheme) {
    case slIndexed: case slGray: case slGrayAlpha: return 1;
    case slRGB: case slBGR: case slCMY: case slCIELab: case slYCbCr: case slPhotoYCC: return 3;
    case slRGBA: case slBGRA: case slCMYK: return 4;
    default: return 0;
    }
}

}  // namespace

void TFormatGraphic::CheckColorModel(std::string_view formatName, int targetPixelBits) {
    TColorManager& cm = ColorManager();
    const int pixelBits = targetPixelBits > 0 ? targetPixelBits : gfx::bitsPerPixel(pixelFormat());
    bool fits = SchemeSamples(cm.SourceColorScheme()) == cm.SourceSamplesPerPixel() &&
                SchemeSamples(cm.TargetColorScheme()) == cm.TargetSamplesPerPixel() &&
                cm.TargetSamplesPerPixel() * cm.TargetBitsPerSample() == pixelBits;
    if (fits) {
        try {
            cm.PrepareConversion();
            fits = cm.RowConverter() != TRowConverter::None;
        } catch (const EColorConversionError&) {
            fits = false;
        }
    }
    if (!fits) RaiseImageError(InvalidColorFormatText, {formatName});
}

void SwapWordArray(void* words, uint32_t count) {
    auto* p = static_cast<uint8_t*>(words);
    for (uint32_t i = 0; i < count; ++i, p += 2) std::swap(p[0], p[1]);
}

void SwapDWordArray(void* words, uint32_t count) {
    auto* p = static_cast<uint8_t*>(words);
    for (uint32_t i = 0; i < count; ++i, p += 4) {
        std::swap(p[0], p[3]);
        std::swap(p[1], p[2]);
    }
}

uint32_t SwapDWord(uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

namespace {

// The running sums of the N samples of a pixel stay in registers.
template <uint32_t N>
void UndoPredictorOf(uint8_t* row, uint32_t count) {
    uint8_t sum[N];
    for (uint32_t k = 0; k < N; ++k) sum[k] = row[k];
    for (uint8_t* p = row + N; count > 0; --count, p += N)
        for (uint32_t k = 0; k < N; ++k) p[k] = sum[k] = static_cast<uint8_t>(sum[k] + p[k]);
}

}  // namespace

void UndoPredictor1(uint8_t* row, uint32_t count) { UndoPredictorOf<1>(row, count); }
void UndoPredictor3(uint8_t* row, uint32_t count) { UndoPredictorOf<3>(row, count); }
void UndoPredictor4(uint8_t* row, uint32_t count) { UndoPredictorOf<4>(row, count); }

void UndoPredictor8(uint8_t* row, uint32_t count, uint32_t samples) {
    switch (samples) {
    case 1: UndoPredictor1(row, count); return;
    case 3: UndoPredictor3(row, count); return;
    case 4: UndoPredictor4(row, count); return;
    default: break;
    }
    const uint64_t n = uint64_t{count} * samples;
    for (uint64_t i = 0; i < n; ++i) row[i + samples] = static_cast<uint8_t>(row[i + samples] + row[i]);
}

void UndoPredictor16(uint8_t* row, uint32_t count, uint32_t samples, bool bigEndian) {
    const unsigned hi = bigEndian ? 0 : 1, lo = 1 - hi;
    const uint64_t n = uint64_t{count} * samples;
    for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* a = row + 2 * i;
        uint8_t* b = row + 2 * (i + samples);
        const unsigned sum = ((b[hi] << 8) | b[lo]) + ((a[hi] << 8) | a[lo]);
        b[hi] = static_cast<uint8_t>(sum >> 8);
        b[lo] = static_cast<uint8_t>(sum);
    }
}

void Lab16To8(std::span<const void* const> sources, uint32_t count, bool bigEndian, uint8_t* out) {
    const bool planes = sources.size() > 1;
    const unsigned hi = bigEndian ? 0 : 1, lo = 1 - hi;
    for (uint32_t x = 0; x < count; ++x, out += 3)
        for (std::size_t k = 0; k < 3; ++k) {
            const uint8_t* w = planes ? static_cast<const uint8_t*>(sources[k]) + 2 * std::size_t{x}
                                      : static_cast<const uint8_t*>(sources[0]) + 6 * std::size_t{x} + 2 * k;
            out[k] = k == 0 ? static_cast<uint8_t>(((w[hi] << 8) | w[lo]) * 255u / 65535u) : w[hi];
        }
}

std::array<uint32_t, 256> PaletteBGRA(const gfx::Palette& palette) {
    std::array<uint32_t, 256> colors{};
    for (int i = 0; i < 256; ++i) {
        const gfx::Color c = i < palette.count() ? palette.color(i) : gfx::clBlack;
        const uint8_t bytes[4] = {gfx::blueOf(c), gfx::greenOf(c), gfx::redOf(c), 255};
        std::memcpy(&colors[static_cast<std::size_t>(i)], bytes, 4);
    }
    return colors;
}

void IndexedToBGRA(const uint8_t* indices, const std::array<uint32_t, 256>& colors, const uint8_t* alpha,
                   std::size_t alphaStep, uint8_t* target, uint32_t count) {
    for (uint32_t x = 0; x < count; ++x, target += 4, alpha += alphaStep) {
        std::memcpy(target, &colors[indices[x]], 4);
        target[3] = *alpha;
    }
}

void UpsamplePlane(uint32_t width, uint32_t height, uint32_t scanLength, uint8_t* plane) {
    if (width == 0 || height == 0) return;
    const int64_t w = width, h = height, stride = scanLength;
    auto row = [&](int64_t r) { return plane + r * stride; };
    // Horizontally, last row first, so that no sample is overwritten before
    // it has been read.
    for (int64_t r = h - 1; r >= 0; --r) {
        const uint8_t* s = row(r);
        uint8_t* t = row(2 * r);
        const uint8_t last = s[w - 1];
        t[2 * w - 2] = last;
        t[2 * w - 1] = last;
        for (int64_t x = w - 2; x >= 0; --x) {
            const unsigned a = s[x], b = s[x + 1];
            t[2 * x] = static_cast<uint8_t>(a);
            t[2 * x + 1] = static_cast<uint8_t>((a + b + 1) / 2);
        }
    }
    // Vertically: each odd row from the even rows around it.
    for (int64_t r = 0; r + 1 < h; ++r) {
        const uint8_t* a = row(2 * r);
        const uint8_t* b = row(2 * r + 2);
        uint8_t* t = row(2 * r + 1);
        for (int64_t x = 0; x + 1 < w; ++x) {
            t[2 * x] = static_cast<uint8_t>((a[2 * x] + b[2 * x] + 1) / 2);
            t[2 * x + 1] = static_cast<uint8_t>((a[2 * x] + a[2 * x + 2] + b[2 * x] + b[2 * x + 2] + 2) / 4);
        }
        t[2 * w - 2] = static_cast<uint8_t>((a[2 * w - 2] + b[2 * w - 2] + 1) / 2);
        t[2 * w - 1] = static_cast<uint8_t>((a[2 * w - 1] + b[2 * w - 1] + 1) / 2);
    }
    std::memcpy(row(2 * h - 1), row(2 * h - 2), static_cast<std::size_t>(2 * w));
}

}  // namespace img
