#include "imageformats/ImageColor.h"

#include <algorithm>
#include <cmath>

#include "imageformats/ImageColorRows.h"

namespace img {

namespace {

bool IsIndexedOrGray(TSampleLayout s) { return s == slIndexed || s == slGray || s == slGrayAlpha; }
bool IsRGBOrder(TSampleLayout s) { return s == slRGB || s == slRGBA; }
bool IsBGROrder(TSampleLayout s) { return s == slBGR || s == slBGRA; }
bool HasAlphaSample(TSampleLayout s) { return s == slGrayAlpha || s == slRGBA || s == slBGRA; }
bool Is8Or16(uint8_t bits) { return bits == 8 || bits == 16; }

// Rounds to the nearest integer, ties to even, limited to +-2^20 (0 for a
// value that is not a number). Table entries beyond that range saturate the
// colour anyway; the limit keeps sums of them far from overflow when the
// luma weights are degenerate.
int32_t RoundLimited(double v) {
    constexpr double Limit = 1 << 20;
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::nearbyint(std::clamp(v, -Limit, Limit)));
}

}  // namespace

TColorManager::TColorManager() { SetGamma(1.0f, 2.2f); }

namespace {

// Stores a checked setting and marks the manager changed when it differs.
template <class T>
void SetMarked(T& field, T value, bool& changed) {
    if (value != field) {
        field = value;
        changed = true;
    }
}

}  // namespace

void TColorManager::SetSourceBitsPerSample(uint8_t bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(InvalidColorDepthText);
    SetMarked(sourceBitsPerSample_, bits, changed_);
}

void TColorManager::SetTargetBitsPerSample(uint8_t bits) {
    if (bits < 1 || bits > 16) throw EColorConversionError(InvalidColorDepthText);
    SetMarked(targetBitsPerSample_, bits, changed_);
}

void TColorManager::SetSourceSamplesPerPixel(uint8_t samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(InvalidSampleCountText);
    SetMarked(sourceSamplesPerPixel_, samples, changed_);
}

void TColorManager::SetTargetSamplesPerPixel(uint8_t samples) {
    if (samples < 1 || samples > 4) throw EColorConversionError(InvalidSampleCountText);
    SetMarked(targetSamplesPerPixel_, samples, changed_);
}

void TColorManager::SetSourceColorScheme(TSampleLayout scheme) { SetMarked(sourceColorScheme_, scheme, changed_); }

void TColorManager::SetTargetColorScheme(TSampleLayout scheme) { SetMarked(targetColorScheme_, scheme, changed_); }

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
    mainGamma_ = mainGamma > 0 ? mainGamma : 1.0f;
    displayGamma_ = displayGamma > 0 ? displayGamma : 2.2f;
    const double g = 1.0 / (static_cast<double>(mainGamma_) * displayGamma_);
    // The table has 256 entries: both bounds stay within it, whatever the
    // depths (a 16-bit target would otherwise ask for 65536 entries).
    const int targetMax = targetBitsPerSample_ >= 8 ? 255 : (1 << targetBitsPerSample_) - 1;
    const int sourceMax = sourceBitsPerSample_ >= 8 ? 255 : targetMax;
    for (int i = 0; i <= sourceMax; ++i) {
        const double v = std::pow(static_cast<double>(i) / sourceMax, g) * targetMax;
        gammaTable_[static_cast<std::size_t>(i)] = static_cast<uint8_t>(std::clamp(RoundLimited(v), 0, 255));
    }
}

void TColorManager::SetYCbCrParameters(std::initializer_list<float> coefficients, uint8_t horizontal,
                                       uint8_t vertical) {
    std::size_t k = 0;
    for (float c : coefficients) {
        if (k == yCbCrCoefficients_.size()) break;
        yCbCrCoefficients_[k++] = c;
    }
    auto allowed = [](uint8_t v) { return v == 1 || v == 2 || v == 4; };
    if (!allowed(horizontal) || !allowed(vertical)) throw EColorConversionError(InvalidSubsamplingText);
    if (horizontal < vertical) throw EColorConversionError(VerticalSubsamplingText);
    horizontalSubsampling_ = horizontal;
    verticalSubsampling_ = vertical;
}

gfx::PixelFormat TColorManager::GetPixelFormat(int which) const {
    const int spp = which == 0 ? sourceSamplesPerPixel_ : targetSamplesPerPixel_;
    const int bps = which == 0 ? sourceBitsPerSample_ : targetBitsPerSample_;
    using gfx::PixelFormat;
    switch (spp) {
    case 1:
        if (bps == 1) return PixelFormat::pf1bit;
        if (bps <= 4) return PixelFormat::pf4bit;
        if (bps >= 8) return PixelFormat::pf8bit;
        return PixelFormat::pfCustom;
    case 3: return bps <= 5 ? PixelFormat::pf15bit : PixelFormat::pf24bit;
    case 4: return bps >= 8 ? PixelFormat::pf32bit : PixelFormat::pfCustom;
    default: return PixelFormat::pfCustom;
    }
}

void TColorManager::PrepareConversion() {
    rowConverter_ = TRowConverter::None;
    const bool sourceIndexed = IsIndexedOrGray(sourceColorScheme_);
    const bool targetIndexed = targetColorScheme_ == slIndexed || targetColorScheme_ == slGray;
    if (sourceIndexed != targetIndexed) throw EColorConversionError(IndexedConversionText);

    sourceOptions = static_cast<TConversionFlags>(HasAlphaSample(sourceColorScheme_) ? sourceOptions | cfAlpha
                                                                                      : sourceOptions & ~cfAlpha);
    targetOptions = static_cast<TConversionFlags>(HasAlphaSample(targetColorScheme_) ? targetOptions | cfAlpha
                                                                                      : targetOptions & ~cfAlpha);

    const uint8_t s = sourceBitsPerSample_, t = targetBitsPerSample_;
    const bool rgbTarget = IsRGBOrder(targetColorScheme_), bgrTarget = IsBGROrder(targetColorScheme_);
    // Converters work on 8 and 16-bit samples, and the indexed ones also on
    // packed samples of 1 to 8 bits; settings outside what a converter
    // handles get none, so that ConvertRow fails instead of leaving the row
    // as it was.
    const bool colorDepths = Is8Or16(s) && Is8Or16(t);
    TRowConverter chosen = TRowConverter::None;
    switch (sourceColorScheme_) {
    case slIndexed:
        if (s == 16 && t == 16)
            chosen = TRowConverter::RowIndexed16To16;
        else if (s == 16)
            chosen = t <= 8 ? TRowConverter::RowIndexed16To8 : TRowConverter::None;
        else if (t == 16)
            chosen = s <= 8 ? TRowConverter::RowIndexed8To16 : TRowConverter::None;
        else if (s <= 8 && t <= 8)
            chosen = TRowConverter::RowIndexed8;
        break;
    case slGray:
        if (s == 16 || t == 16)
            chosen = colorDepths ? TRowConverter::RowGray : TRowConverter::None;
        else if (s <= 8 && t <= 8)
            chosen = TRowConverter::RowIndexed8;
        break;
    case slGrayAlpha:
        if (colorDepths) chosen = TRowConverter::RowGray;
        break;
    case slRGB:
    case slRGBA:
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowRGBToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowRGBToBGR;
        break;
    case slBGR:
    case slBGRA:
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowBGRToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowBGRToBGR;
        break;
    case slCMYK:
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowCMYKToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowCMYKToBGR;
        break;
    case slCIELab:
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowLabToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowLabToBGR;
        break;
    case slYCbCr:
        CreateYCbCrTables();
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowYCbCrToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowYCbCrToBGR;
        break;
    case slPhotoYCC:
        CreateYCbCrTables();
        if (colorDepths && rgbTarget) chosen = TRowConverter::RowPhotoYCCToRGB;
        if (colorDepths && bgrTarget) chosen = TRowConverter::RowPhotoYCCToBGR;
        break;
    default: break;
    }
    rowConverter_ = chosen;
    changed_ = false;
}

void TColorManager::ConvertRow(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask) {
    if (changed_) PrepareConversion();
    const rows::RowFunction run = rows::RowFunctionOf(rowConverter_);
    if (!run || sources.empty()) throw EColorConversionError(NoConversionMethodText);
    // Planar sources must bring every plane the converter reads.
    if (sources.size() > 1 && sources.size() < rows::PlanesNeeded(*this, rowConverter_))
        throw EColorConversionError(NoConversionMethodText);
    const rows::RowSources rowSources{reinterpret_cast<const uint8_t* const*>(sources.data()), sources.size()};
    run(*this, rowSources, static_cast<uint8_t*>(target), count, mask);
}

gfx::Palette TColorManager::CreateColorPalette(std::span<const void* const> data, TPaletteLayout layout,
                                               uint32_t colorCount, bool blueFirst) const {
    const int count = static_cast<int>(std::min<uint32_t>(colorCount, 256));
    gfx::Palette palette(count);
    const bool gamma = (targetOptions & cfApplyGamma) != 0;
    auto from8 = [&](uint8_t v) { return gamma ? gammaTable_[v] : v; };
    auto from16 = [&](const uint8_t* p) {
        uint16_t v = rows::LoadSample<uint16_t>(p);
        if (sourceOptions & cfByteSwap) v = rows::Swap16(v);
        return from8(rows::Scale16To8(v));
    };
    auto plane = [&](std::size_t k) -> const uint8_t* {
        return k < data.size() ? static_cast<const uint8_t*>(data[k]) : nullptr;
    };
    const bool planar = layout == plPlanar8x3 || layout == plPlanar8x4 || layout == plPlanar16x3 ||
                        layout == plPlanar16x4;
    const bool wide = layout >= plInterleaved16x3 && layout <= plPlanar16x4;
    const bool fourSamples = layout == plInterleaved8x4 || layout == plInterleaved16x4;
    if (layout <= plPlanar16x4 && plane(0) && (!planar || (plane(1) && plane(2)))) {
        const std::size_t sampleBytes = wide ? 2 : 1;
        const std::size_t entryBytes = (fourSamples ? 4 : 3) * sampleBytes;
        for (int i = 0; i < count; ++i) {
            const uint8_t* p[3];
            for (std::size_t c = 0; c < 3; ++c)
                p[c] = planar ? plane(c) + static_cast<std::size_t>(i) * sampleBytes
                              : plane(0) + static_cast<std::size_t>(i) * entryBytes + c * sampleBytes;
            uint8_t rgb[3];
            for (std::size_t c = 0; c < 3; ++c) rgb[c] = wide ? from16(p[c]) : from8(*p[c]);
            const bool reversed = blueFirst && !planar;
            palette[i] = {rgb[reversed ? 2 : 0], rgb[1], rgb[reversed ? 0 : 2]};
        }
    }
    // Resample to the target's index range, matching the index scaling of
    // the indexed converters (target index v shows source index v * m div n).
    const int s = sourceBitsPerSample_, t = targetBitsPerSample_;
    const int m = (1 << s) - 1, n = (1 << t) - 1;
    if (t <= 8 && m != n) {
        const gfx::Palette former = palette;
        gfx::Palette resampled(n + 1);
        for (int i = 0; i <= n; ++i) {
            const int from = static_cast<int>(static_cast<int64_t>(i) * m / n);
            if (from < former.count()) resampled[i] = former[from];
        }
        palette = resampled;
    }
    return palette;
}

gfx::Palette TColorManager::CreateGrayscalePalette(bool minIsWhite) const {
    const int bits = std::min(targetBitsPerSample_ * targetSamplesPerPixel_, 8);
    const int count = 1 << bits;
    const int upper = count - 1;
    const int step = 255 / upper;
    const bool gamma = (targetOptions & cfApplyGamma) != 0;
    gfx::Palette palette(count);
    for (int i = 0; i <= upper; ++i) {
        const int level = i * step;
        const uint8_t v = gamma ? gammaTable_[static_cast<std::size_t>(level)] : static_cast<uint8_t>(level);
        palette[minIsWhite ? upper - i : i] = {v, v, v};
    }
    return palette;
}

void TColorManager::CreateYCbCrTables() {
    const float r = yCbCrCoefficients_[0], g = yCbCrCoefficients_[1], b = yCbCrCoefficients_[2];
    const float f1 = 2 - 2 * r;
    const float f2 = r * f1 / g;
    const float f3 = 2 - 2 * b;
    const float f4 = b * f3 / g;
    const bool photoYCC = sourceColorScheme_ != slYCbCr;
    const int crOffset = photoYCC ? 137 : 128;
    const int cbOffset = photoYCC ? 156 : 128;
    for (int i = 0; i < 256; ++i) {
        const float cr = static_cast<float>(i - crOffset), cb = static_cast<float>(i - cbOffset);
        const std::size_t k = static_cast<std::size_t>(i);
        redFromCr_[k] = RoundLimited(f1 * cr);
        blueFromCb_[k] = RoundLimited(f3 * cb);
        greenFromCr_[k] = -RoundLimited(f2 * cr);
        greenFromCb_[k] = -RoundLimited(f4 * cb);
    }
}

}  // namespace img
