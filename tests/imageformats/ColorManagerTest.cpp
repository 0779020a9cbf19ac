// The colour manager: which converter it chooses, its checked settings,
// gamma, YCbCr parameters, pixel formats and palettes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "imageformats/ImageColor.h"

namespace img {
namespace {

using R = TRowConverter;

TEST(ColorManagerTest, ChoosesTheConverterBySchemesAndDepths) {
    struct Case {
        TSampleLayout source, target;
        uint8_t sourceBits, targetBits;
        R expected;
        const char* error;  // or the text of the error the first row raises
    };
    const Case cases[] = {
        {slRGB, slBGR, 8, 8, R::RowRGBToBGR, nullptr},
        {slRGBA, slRGBA, 16, 8, R::RowRGBToRGB, nullptr},
        {slBGR, slRGB, 8, 16, R::RowBGRToRGB, nullptr},
        {slBGRA, slBGR, 16, 16, R::RowBGRToBGR, nullptr},
        {slIndexed, slIndexed, 16, 16, R::RowIndexed16To16, nullptr},
        {slIndexed, slIndexed, 16, 4, R::RowIndexed16To8, nullptr},
        {slIndexed, slIndexed, 2, 16, R::RowIndexed8To16, nullptr},
        {slIndexed, slIndexed, 1, 8, R::RowIndexed8, nullptr},
        {slGray, slGray, 4, 8, R::RowIndexed8, nullptr},
        {slGray, slGray, 16, 8, R::RowGray, nullptr},
        {slGray, slGray, 16, 4, R::None, NoConversionMethodText},
        {slGrayAlpha, slGray, 8, 8, R::RowGray, nullptr},
        {slGrayAlpha, slGray, 4, 8, R::None, NoConversionMethodText},
        {slCMYK, slBGR, 8, 8, R::RowCMYKToBGR, nullptr},
        {slCMYK, slRGBA, 16, 8, R::RowCMYKToRGB, nullptr},
        {slCIELab, slRGB, 8, 8, R::RowLabToRGB, nullptr},
        {slCIELab, slBGRA, 8, 8, R::RowLabToBGR, nullptr},
        {slYCbCr, slRGB, 8, 8, R::RowYCbCrToRGB, nullptr},
        {slYCbCr, slBGR, 16, 8, R::RowYCbCrToBGR, nullptr},
        {slPhotoYCC, slRGBA, 8, 8, R::RowPhotoYCCToRGB, nullptr},
        {slPhotoYCC, slBGR, 8, 8, R::RowPhotoYCCToBGR, nullptr},
        {slCMY, slBGR, 8, 8, R::None, NoConversionMethodText},
        {slUnknown, slBGR, 8, 8, R::None, NoConversionMethodText},
        {slRGB, slCMYK, 8, 8, R::None, NoConversionMethodText},
        {slRGB, slGray, 8, 8, R::None, IndexedConversionText},
        {slIndexed, slRGB, 8, 8, R::None, IndexedConversionText},
        // Depths no converter handles fail instead of leaving rows untouched.
        {slRGB, slBGR, 4, 8, R::None, NoConversionMethodText},
        {slGray, slGray, 12, 8, R::None, NoConversionMethodText},
        {slIndexed, slIndexed, 12, 8, R::None, NoConversionMethodText},
        {slIndexed, slIndexed, 16, 12, R::None, NoConversionMethodText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.source) + " -> " + std::to_string(c.target) + ", " +
                     std::to_string(c.sourceBits) + " -> " + std::to_string(c.targetBits));
        TColorManager m;
        m.SetSourceColorScheme(c.source);
        m.SetTargetColorScheme(c.target);
        m.SetSourceBitsPerSample(c.sourceBits);
        m.SetTargetBitsPerSample(c.targetBits);
        uint8_t in[16] = {}, out[16] = {};
        std::string error;
        try {
            m.ConvertRow(in, out, 1, 0xFF);
        } catch (const EColorConversionError& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error ? c.error : "");
        EXPECT_EQ(m.RowConverter(), c.expected);
        // A failed choice is made again, and fails again, at every row.
        EXPECT_EQ(m.Changed(), c.error == IndexedConversionText);
    }
}

TEST(ColorManagerTest, ChoosesAgainOnlyWhenAMarkedSettingChanges) {
    TColorManager m;
    const uint8_t rgb[3] = {1, 2, 3};
    uint8_t out[4] = {};
    m.ConvertRow(rgb, out, 1, 0xFF);  // a new manager: 8-bit RGB to 8-bit BGR
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{3, 2, 1}));
    EXPECT_FALSE(m.Changed());
    m.targetOptions |= cfApplyGamma;
    m.SetGamma(1.0f, 2.2f);
    m.SetSourceColorScheme(slRGB);  // the same value
    EXPECT_FALSE(m.Changed());
    m.SetTargetColorScheme(slRGBA);
    EXPECT_TRUE(m.Changed());
    m.ConvertRow(rgb, out, 1, 0xFF);
    EXPECT_EQ(m.RowConverter(), R::RowRGBToRGB);
    EXPECT_TRUE(m.targetOptions & cfAlpha);
    // Planar sources must bring every plane the converter reads.
    const void* twoPlanes[2] = {rgb, rgb};
    EXPECT_THROW(m.ConvertRow(twoPlanes, out, 1, 0xFF), EColorConversionError);
}

TEST(ColorManagerTest, SettersRefuseValuesOutOfRangeAndKeepTheSetting) {
    TColorManager m;
    EXPECT_THROW(m.SetSourceBitsPerSample(0), EColorConversionError);
    EXPECT_THROW(m.SetTargetBitsPerSample(17), EColorConversionError);
    EXPECT_THROW(m.SetSourceSamplesPerPixel(0), EColorConversionError);
    EXPECT_THROW(m.SetTargetSamplesPerPixel(5), EColorConversionError);
    EXPECT_EQ((std::vector<int>{m.SourceBitsPerSample(), m.TargetBitsPerSample(), m.SourceSamplesPerPixel(),
                                m.TargetSamplesPerPixel()}),
              (std::vector<int>{8, 8, 3, 3}));
    EXPECT_NO_THROW(m.SetSourceBitsPerSample(12));  // every value from 1 to 16 is taken

    // Subsampling: the coefficients are stored before the checks.
    struct Sub {
        uint8_t h, v;
        const char* error;
    };
    const Sub subs[] = {{3, 1, InvalidSubsamplingText}, {1, 3, InvalidSubsamplingText},
                        {1, 2, VerticalSubsamplingText}, {4, 2, nullptr}};
    for (const Sub& s : subs) {
        TColorManager y;
        try {
            y.SetYCbCrParameters({0.25f, 0.5f}, s.h, s.v);
            EXPECT_EQ(s.error, nullptr);
            EXPECT_EQ(y.HorizontalSubsampling(), s.h);
            EXPECT_EQ(y.VerticalSubsampling(), s.v);
        } catch (const EColorConversionError& e) {
            EXPECT_STREQ(e.what(), s.error);
            EXPECT_EQ(y.HorizontalSubsampling(), 1);
        }
        EXPECT_EQ(y.YCbCrCoefficients(), (std::array<float, 3>{0.25f, 0.5f, 0.114f}));
    }
}

TEST(ColorManagerTest, GammaTable) {
    TColorManager m;
    EXPECT_EQ((std::vector<int>{m.GammaTable()[0], m.GammaTable()[128], m.GammaTable()[255]}),
              (std::vector<int>{0, 186, 255}));
    m.SetGamma(0, -1);
    EXPECT_EQ(m.MainGamma(), 1.0f);
    EXPECT_EQ(m.DisplayGamma(), 2.2f);
    m.SetGamma(NAN, 1.0f);
    EXPECT_EQ(m.MainGamma(), 1.0f);
    EXPECT_EQ(m.GammaTable()[100], 100);  // 1.0 x 1.0 is the identity
    // A 2-bit target maps 0..3 onto 0..3; a 16-bit one stays within the
    // table's 256 entries.
    m.SetSourceBitsPerSample(2);
    m.SetTargetBitsPerSample(2);
    m.SetGamma(1.0f, 2.0f);
    EXPECT_EQ((std::vector<int>{m.GammaTable()[0], m.GammaTable()[1], m.GammaTable()[2], m.GammaTable()[3]}),
              (std::vector<int>{0, 2, 2, 3}));
    m.SetTargetBitsPerSample(16);
    m.SetGamma(1.0f, 2.2f);
    EXPECT_EQ(m.GammaTable()[255], 255);
}

gfx::PaletteEntry E(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }

TEST(ColorManagerTest, ColorPalettesInEveryLayout) {
    const uint8_t rgb[] = {10, 20, 30, 40, 50, 60}, rgbx[] = {10, 20, 30, 99, 40, 50, 60, 99};
    const uint8_t red[] = {10, 40}, green[] = {20, 50}, blue[] = {30, 60};
    // Big-endian words 00 FF (255, scaled 0), FF 00 (65280: 254), 80 00 (32768: 127).
    const uint8_t words[] = {0x00, 0xFF, 0xFF, 0x00, 0x80, 0x00};
    std::vector<uint8_t> big(300 * 3, 7);
    const std::vector<gfx::PaletteEntry> two = {E(10, 20, 30), E(40, 50, 60)};
    struct Case {
        std::vector<const void*> data;
        TPaletteLayout layout;
        uint32_t count;
        bool blueFirst;
        TConversionFlags sourceOptions;
        std::vector<gfx::PaletteEntry> expected;
    };
    const Case cases[] = {
        {{rgb}, plInterleaved8x3, 2, false, 0, two},
        {{rgb}, plInterleaved8x3, 2, true, 0, {E(30, 20, 10), E(60, 50, 40)}},
        {{rgbx}, plInterleaved8x4, 2, false, 0, two},
        {{red, green, blue}, plPlanar8x3, 2, true, 0, two},  // planes ignore blue first
        {{words}, plInterleaved16x3, 1, false, cfByteSwap, {E(0, 254, 127)}},
        {{words, words + 2, words + 4}, plPlanar16x3, 1, false, cfByteSwap, {E(0, 254, 127)}},
        {{words}, plInterleaved16x3, 1, false, 0, {E(254, 0, 0)}},
        {{big.data()}, static_cast<TPaletteLayout>(9), 2, false, 0, {E(0, 0, 0), E(0, 0, 0)}},
    };
    for (const Case& c : cases) {
        TColorManager m;
        m.sourceOptions = c.sourceOptions;
        EXPECT_EQ(m.CreateColorPalette(c.data, c.layout, c.count, c.blueFirst).entries(), c.expected) << c.layout;
    }
    TColorManager m;
    const void* many[] = {big.data()};
    EXPECT_EQ(m.CreateColorPalette(many, plInterleaved8x3, 300, false).count(), 256);
}

TEST(ColorManagerTest, PalettesFollowTheIndexScalingBetweenDepths) {
    // 2-bit indices shown as 4-bit ones: RowIndexed8 writes index v as v x 5,
    // and the palette's entry v x 5 has the colour of entry v.
    TColorManager m;
    m.SetSourceColorScheme(slIndexed);
    m.SetTargetColorScheme(slIndexed);
    m.SetSourceBitsPerSample(2);
    m.SetTargetBitsPerSample(4);
    const uint8_t map[] = {0, 0, 0, 10, 10, 10, 20, 20, 20, 30, 30, 30};
    const void* data[] = {map};
    const gfx::Palette p = m.CreateColorPalette(data, plInterleaved8x3, 4, false);
    ASSERT_EQ(p.count(), 16);
    const uint8_t indices[] = {0x1B};  // 0, 1, 2, 3
    uint8_t out[2] = {};
    m.ConvertRow(indices, out, 4, 0xFF);
    for (int k = 0; k < 4; ++k) {
        const int written = (out[k / 2] >> (k % 2 ? 0 : 4)) & 15;
        EXPECT_EQ(p[written], E(static_cast<uint8_t>(10 * k), static_cast<uint8_t>(10 * k), static_cast<uint8_t>(10 * k)));
    }
    // 16-bit indices shown as 8-bit ones: entries beyond the map are black.
    m.SetSourceBitsPerSample(16);
    m.SetTargetBitsPerSample(8);
    const gfx::Palette q = m.CreateColorPalette(data, plInterleaved8x3, 4, false);
    ASSERT_EQ(q.count(), 256);
    EXPECT_EQ(q[0], E(0, 0, 0));
    EXPECT_EQ(q[255], E(0, 0, 0));
}

TEST(ColorManagerTest, GrayscalePalettes) {
    TColorManager m;
    m.SetTargetSamplesPerPixel(1);
    m.SetTargetBitsPerSample(1);
    EXPECT_EQ(m.CreateGrayscalePalette(true).entries(), (std::vector{E(255, 255, 255), E(0, 0, 0)}));
    m.SetTargetBitsPerSample(4);
    const gfx::Palette p = m.CreateGrayscalePalette(false);
    ASSERT_EQ(p.count(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i].r, 17 * i);
}

TEST(ColorManagerTest, YCbCrTables) {
    TColorManager m;
    m.SetSourceColorScheme(slYCbCr);
    m.PrepareConversion();
    EXPECT_EQ((std::vector{m.RedFromCr()[0], m.BlueFromCb()[0], m.GreenFromCr()[0], m.GreenFromCb()[0]}),
              (std::vector{-179, -227, 91, 44}));
    EXPECT_EQ((std::vector{m.RedFromCr()[255], m.BlueFromCb()[255], m.GreenFromCr()[255], m.GreenFromCb()[255]}),
              (std::vector{178, 225, -91, -44}));
    // Photo YCC centres its chroma at 137 (Cr) and 156 (Cb).
    m.SetSourceColorScheme(slPhotoYCC);
    m.PrepareConversion();
    EXPECT_EQ(m.RedFromCr()[137], 0);
    EXPECT_EQ(m.BlueFromCb()[156], 0);
    // New weights take effect at the next choice; degenerate ones stay finite.
    m.SetYCbCrParameters({0.5f, 0.0f, 0.5f}, 1, 1);
    m.SetSourceColorScheme(slYCbCr);
    m.PrepareConversion();
    EXPECT_EQ(m.RedFromCr()[228], 100);
    EXPECT_LE(std::abs(m.GreenFromCr()[0]), 1 << 20);
}

}  // namespace
}  // namespace img
