// The colour manager: turns rows of pixels as a file stores them into rows as
// a bitmap holds them. A reader describes the source and the target (colour
// scheme, bits per sample, samples per pixel, options), then converts one row
// at a time; the manager chooses the row converter once per change of those
// settings, and each converter chooses its sample routines once per row, so
// that nothing per pixel is a virtual call or a colour object.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <type_traits>

#include "imageformats/ImageTypes.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Palette.h"

namespace img {

// The error of every failed colour manager setting or conversion.
class EColorConversionError : public gfx::Error {
public:
    using gfx::Error::Error;
};

// The texts of the colour manager's errors.
inline constexpr const char* InvalidColorDepthText =
    "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
inline constexpr const char* InvalidSampleCountText =
    "Sample count per pixel does not correspond to the given color scheme.";
inline constexpr const char* IndexedConversionText =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
inline constexpr const char* NoConversionMethodText = "Color conversion failed. Could not find a proper method.";
inline constexpr const char* InvalidSubsamplingText = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
inline constexpr const char* VerticalSubsamplingText =
    "Vertical subsampling value must be <= horizontal subsampling value.";

// Options of the source or the target of a conversion, a set of these bits.
using TConversionFlags = uint8_t;
enum : TConversionFlags {
    cfAlpha = 1,            // the pixels carry an alpha sample (set by the manager from the schemes)
    cfApplyGamma = 2,       // target: colour samples go through the gamma table
    cfByteSwap = 4,         // source: 16-bit samples are stored most significant byte first
    cfLabByteRange = 8,     // source: CIE L* is stored as 0 to 255 instead of 0 to 100
    cfLabChromaOffset = 16, // source: CIE a* and b* are stored with an offset of 128, not signed
};

// How the entries of a colour map lie in memory (for CreateColorPalette).
enum TPaletteLayout : uint8_t {
    plInterleaved8x3 = 0,  // three bytes an entry in one block
    plInterleaved8x4 = 1,  // four bytes an entry, the fourth ignored
    plPlanar8x3 = 2,       // three planes of bytes: red, green, blue
    plPlanar8x4 = 3,       // as plPlanar8x3; a fourth plane is not read
    plInterleaved16x3 = 4, // the same with 16-bit samples
    plInterleaved16x4 = 5,
    plPlanar16x3 = 6,
    plPlanar16x4 = 7,
};

// The row converters the manager chooses from.
enum class TRowConverter : uint8_t {
    None,
    RowRGBToRGB,
    RowRGBToBGR,
    RowBGRToRGB,
    RowBGRToBGR,
    RowGray,
    RowIndexed8,
    RowIndexed16To16,
    RowIndexed16To8,
    RowIndexed8To16,
    RowCMYKToRGB,
    RowCMYKToBGR,
    RowLabToRGB,
    RowLabToBGR,
    RowYCbCrToRGB,
    RowYCbCrToBGR,
    RowPhotoYCCToRGB,
    RowPhotoYCCToBGR,
};

// a * b div c with a 32-bit product and a truncating division; a quotient
// above 65535 gives 65535 and a divisor of 0 gives 0. Scales samples between
// depths: (v, 255, 65535) from 16 to 8 bits, (v, 65535, 255) from 8 to 16.
inline uint16_t MulDivWord(uint16_t a, uint16_t b, uint16_t c) {
    if (c == 0) return 0;
    const uint32_t q = static_cast<uint32_t>(a) * b / c;
    return static_cast<uint16_t>(q > 0xFFFF ? 0xFFFF : q);
}

// The value limited to 0..255.
inline uint8_t ClampToByte(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

class TColorManager {
public:
    // Defaults: 8-bit RGB source, 8-bit BGR target, 3 samples a pixel on
    // both sides, gamma 1.0 for the file and 2.2 for the display, the luma
    // weights 0.299, 0.587 and 0.114, no subsampling.
    TColorManager();

    // Bits of one sample, 1 to 16; another value raises EColorConversionError
    // (InvalidColorDepthText) and keeps the setting.
    uint8_t SourceBitsPerSample() const { return sourceBitsPerSample_; }
    uint8_t TargetBitsPerSample() const { return targetBitsPerSample_; }
    void SetSourceBitsPerSample(uint8_t bits);
    void SetTargetBitsPerSample(uint8_t bits);
    // Samples of one pixel, 1 to 4; another value raises (InvalidSampleCountText).
    uint8_t SourceSamplesPerPixel() const { return sourceSamplesPerPixel_; }
    uint8_t TargetSamplesPerPixel() const { return targetSamplesPerPixel_; }
    void SetSourceSamplesPerPixel(uint8_t samples);
    void SetTargetSamplesPerPixel(uint8_t samples);
    TSampleLayout SourceColorScheme() const { return sourceColorScheme_; }
    TSampleLayout TargetColorScheme() const { return targetColorScheme_; }
    void SetSourceColorScheme(TSampleLayout scheme);
    void SetTargetColorScheme(TSampleLayout scheme);
    // A change of a depth, sample count or scheme makes the next ConvertRow
    // choose its converter again. Options, gamma and YCbCr parameters do
    // not: a reader that changes only those after a row was converted must
    // change one of the others too.
    bool Changed() const { return changed_; }

    // The options are set directly; cfAlpha is set by the manager itself.
    TConversionFlags sourceOptions = 0;
    TConversionFlags targetOptions = 0;

    // Stores the file's and the display's gamma (a value that is not greater
    // than 0 gives 1.0 and 2.2) and rebuilds the gamma table.
    void SetGamma(float mainGamma, float displayGamma);
    float MainGamma() const { return mainGamma_; }
    float DisplayGamma() const { return displayGamma_; }
    const std::array<uint8_t, 256>& GammaTable() const { return gammaTable_; }

    // Stores the first one to three luma weights given, then the chroma
    // subsampling: each must be 1, 2 or 4 (InvalidSubsamplingText), and the
    // horizontal one not below the vertical one (VerticalSubsamplingText).
    // On an error the weights are already stored, the subsampling is not.
    void SetYCbCrParameters(std::initializer_list<float> coefficients, uint8_t horizontal, uint8_t vertical);
    const std::array<float, 3>& YCbCrCoefficients() const { return yCbCrCoefficients_; }
    uint8_t HorizontalSubsampling() const { return horizontalSubsampling_; }
    uint8_t VerticalSubsampling() const { return verticalSubsampling_; }

    // The bitmap format that fits the source's (which 0) or the target's
    // (any other value) samples per pixel and bits per sample; pfCustom when
    // none does.
    gfx::PixelFormat GetPixelFormat(int which) const;
    gfx::PixelFormat SourcePixelFormat() const { return GetPixelFormat(0); }
    gfx::PixelFormat TargetPixelFormat() const { return GetPixelFormat(1); }

    // Converts `count` pixels. One source pointer holds the samples of each
    // pixel one after the other; several hold one plane a sample, in the
    // scheme's order, the alpha plane last. Bit 7 of `mask` belongs to the
    // first pixel, bit 6 to the second and so on, repeating every 8 pixels:
    // a pixel whose bit is 0 keeps its target bytes and takes no source
    // pixel (255 converts every pixel). The source must hold the pixels the
    // mask converts and the target `count` pixels, at the current settings.
    // Raises EColorConversionError when the settings have no converter.
    void ConvertRow(std::span<const void* const> sources, void* target, uint32_t count, uint8_t mask);
    // One interleaved source (an array of source pointers goes to the form
    // above).
    template <class T>
        requires(!std::is_pointer_v<T>)
    void ConvertRow(const T* source, void* target, uint32_t count, uint8_t mask) {
        const void* const sources[1] = {source};
        ConvertRow(std::span<const void* const>(sources), target, count, mask);
    }
    // Chooses the row converter for the current settings (ConvertRow does so
    // when a setting changed). Raises IndexedConversionText when exactly one
    // side is indexed or gray; then the manager keeps no converter.
    void PrepareConversion();
    // The converter chosen last; None before the first choice and when no
    // converter fits.
    TRowConverter RowConverter() const { return rowConverter_; }

    // The palette of a colour map of `colorCount` entries (at most 256 are
    // read) in the given layout. 8-bit samples pass through the gamma table
    // with the target's cfApplyGamma; 16-bit ones are byte-swapped with the
    // source's cfByteSwap, scaled to 8 bits, then gamma corrected likewise.
    // `blueFirst` reads the interleaved layouts as blue, green, red. When
    // the source and target index ranges differ (a target of at most 8
    // bits), the palette is resampled to the target's range the same way
    // the indexed converters scale indices, so that an index selects the
    // same colour at either depth; entries beyond the colour map are black.
    gfx::Palette CreateColorPalette(std::span<const void* const> data, TPaletteLayout layout, uint32_t colorCount,
                                    bool blueFirst) const;
    // 2^b grey levels for the target's b = bits per sample x samples per
    // pixel (at most 8), from black to white or, with `minIsWhite`, from white
    // to black; gamma corrected with the target's cfApplyGamma.
    gfx::Palette CreateGrayscalePalette(bool minIsWhite) const;

    // The YCbCr lookup tables, built when a YCbCr or Photo YCC conversion is
    // prepared: the chroma sample's share of red, blue and green.
    const std::array<int32_t, 256>& RedFromCr() const { return redFromCr_; }
    const std::array<int32_t, 256>& BlueFromCb() const { return blueFromCb_; }
    const std::array<int32_t, 256>& GreenFromCr() const { return greenFromCr_; }
    const std::array<int32_t, 256>& GreenFromCb() const { return greenFromCb_; }

private:
    void CreateYCbCrTables();

    bool changed_ = true;
    uint8_t sourceBitsPerSample_ = 8;
    uint8_t targetBitsPerSample_ = 8;
    uint8_t sourceSamplesPerPixel_ = 3;
    uint8_t targetSamplesPerPixel_ = 3;
    float mainGamma_ = 1.0f;
    float displayGamma_ = 2.2f;
    std::array<uint8_t, 256> gammaTable_{};
    std::array<float, 3> yCbCrCoefficients_{0.299f, 0.587f, 0.114f};
    uint8_t horizontalSubsampling_ = 1;
    uint8_t verticalSubsampling_ = 1;
    std::array<int32_t, 256> redFromCr_{};
    std::array<int32_t, 256> blueFromCb_{};
    std::array<int32_t, 256> greenFromCr_{};
    std::array<int32_t, 256> greenFromCb_{};
    TSampleLayout sourceColorScheme_ = slRGB;
    TSampleLayout targetColorScheme_ = slBGR;
    TRowConverter rowConverter_ = TRowConverter::None;
};

}  // namespace img
