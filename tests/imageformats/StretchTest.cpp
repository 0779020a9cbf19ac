// Stretch: every filter against a direct floating-point resampler, tiny and
// far-reduced sources, other pixel formats, and the errors that leave the
// bitmap as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imageformats/Stretch.h"
#include "platform/gfx/Errors.h"

namespace img {
namespace {

// The kernels, from their formulas.
double Kernel(int filter, double x) {
    const double t = std::fabs(x);
    const double pi = 3.14159265358979323846;
    auto sinc = [&](double v) { return v == 0 ? 1.0 : std::sin(pi * v) / (pi * v); };
    switch (filter) {
    case 0: return x >= -0.5 && x < 0.5 ? 1 : 0;
    case 1: return t < 1 ? 1 - t : 0;
    case 2: return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
    case 3: return t < 0.5 ? 0.75 - t * t : t < 1.5 ? 0.5 * (t - 1.5) * (t - 1.5) : 0;
    case 4: return t < 1 ? 0.5 * t * t * t - t * t + 2.0 / 3 : t < 2 ? (2 - t) * (2 - t) * (2 - t) / 6 : 0;
    case 5: return t < 3 ? sinc(t) * sinc(t / 3) : 0;
    default:
        return t < 1 ? (7 * t * t * t - 12 * t * t + 16.0 / 3) / 6
                     : t < 2 ? (-7.0 / 3 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3) / 6 : 0;
    }
}
const double DefaultRadius[] = {0.5, 1, 1, 1.5, 2, 3, 2};

// One line of samples resampled from n to m in floating point: weights of
// the kernel (widened when reducing) over floor..ceil of the support, indices
// mirrored at the edges, the weighted sum divided by the weight sum and cut
// toward zero, then limited to 0..255.
std::vector<int> ResampleLine(const std::vector<int>& in, int m, int filter, double radius) {
    const int n = static_cast<int>(in.size());
    const double scale = n == 1 || m == 1 ? static_cast<double>(m) / n : static_cast<double>(m - 1) / (n - 1);
    std::vector<int> out(static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        const double centre = i / scale;
        const double width = scale >= 1 ? radius : radius / scale;
        double sum = 0, weights = 0;
        for (long j = static_cast<long>(std::floor(centre - width)); j <= static_cast<long>(std::ceil(centre + width));
             ++j) {
            const double w = scale >= 1 ? Kernel(filter, centre - j) : Kernel(filter, (centre - j) * scale) * scale;
            long k = j;
            while (n > 1 && (k < 0 || k >= n)) k = k < 0 ? -k : 2L * n - 1 - k;
            sum += w * in[static_cast<std::size_t>(n > 1 ? k : 0)];
            weights += w;
        }
        // The quotient of a flat area is a whole number: keep rounding noise
        // from cutting it one lower.
        const double v = weights != 0 ? std::trunc(sum / weights + 1e-9) : 0;
        out[static_cast<std::size_t>(i)] = static_cast<int>(std::clamp(v, 0.0, 255.0));
    }
    return out;
}

// A 24-bit bitmap resampled in floating point: rows first, then columns.
gfx::Bitmap Reference(const gfx::Bitmap& source, int width, int height, int filter, double radius) {
    const int w0 = source.width(), h0 = source.height();
    std::vector<std::vector<int>> work(static_cast<std::size_t>(h0) * 3);
    for (int y = 0; y < h0; ++y)
        for (int c = 0; c < 3; ++c) {
            std::vector<int> line(static_cast<std::size_t>(w0));
            for (int x = 0; x < w0; ++x) line[static_cast<std::size_t>(x)] = source.scanLine(y)[3 * x + c];
            work[static_cast<std::size_t>(y * 3 + c)] = ResampleLine(line, width, filter, radius);
        }
    gfx::Bitmap out(width, height, gfx::PixelFormat::pf24bit);
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) {
            std::vector<int> column(static_cast<std::size_t>(h0));
            for (int y = 0; y < h0; ++y)
                column[static_cast<std::size_t>(y)] = work[static_cast<std::size_t>(y * 3 + c)][static_cast<std::size_t>(x)];
            const std::vector<int> r = ResampleLine(column, height, filter, radius);
            for (int y = 0; y < height; ++y) out.scanLine(y)[3 * x + c] = static_cast<uint8_t>(r[static_cast<std::size_t>(y)]);
        }
    return out;
}

gfx::Bitmap RandomBitmap(int width, int height, std::mt19937& rng, bool smooth) {
    gfx::Bitmap b(width, height, gfx::PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            b.scanLine(y)[x] = static_cast<uint8_t>(smooth ? (x * 5 + y * 9 + static_cast<int>(rng() % 9)) % 256 : rng());
    return b;
}

// The largest difference of a channel between two bitmaps of one size.
int MaxDifference(const gfx::Bitmap& a, const gfx::Bitmap& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 3 * a.width(); ++x) worst = std::max(worst, std::abs(a.scanLine(y)[x] - b.scanLine(y)[x]));
    return worst;
}

TEST(StretchTest, EveryFilterMatchesTheFloatingPointRules) {
    std::mt19937 rng(11);
    struct Size {
        int w, h, tw, th;
    };
    // Rows only (heights of 1), columns only (widths of 1), and both:
    // enlarging, reducing, mixed, tiny sources and tiny targets.
    const Size sizes[] = {{1, 1, 9, 1},   {2, 1, 13, 1}, {3, 1, 1, 1},  {40, 1, 7, 1}, {97, 1, 130, 1},
                          {1, 2, 1, 11},  {1, 57, 1, 4}, {1, 9, 1, 9},  {23, 17, 41, 9}, {64, 48, 13, 29},
                          {2, 2, 37, 23}, {31, 5, 2, 1}};
    for (int filter = 0; filter < StretchFilterCount; ++filter)
        for (const Size& s : sizes)
            for (bool smooth : {false, true}) {
                SCOPED_TRACE("filter " + std::to_string(filter) + ", " + std::to_string(s.w) + "x" +
                             std::to_string(s.h) + " -> " + std::to_string(s.tw) + "x" + std::to_string(s.th));
                const gfx::Bitmap source = RandomBitmap(s.w, s.h, rng, smooth);
                gfx::Bitmap b = source;
                Stretch(static_cast<uint32_t>(s.tw), static_cast<uint32_t>(s.th), static_cast<uint8_t>(filter), 0, b);
                ASSERT_EQ(b.width(), s.tw);
                ASSERT_EQ(b.height(), s.th);
                ASSERT_EQ(b.pixelFormat(), gfx::PixelFormat::pf24bit);
                const gfx::Bitmap expected = Reference(source, s.tw, s.th, filter, DefaultRadius[filter]);
                // Integer weights now and then cut a sum that lies on a whole
                // number one lower.
                EXPECT_LE(MaxDifference(b, expected), 1);
            }
}

TEST(StretchTest, SameSizeBoxKeepsEveryPixelAndRadiusZeroIsTheDefault) {
    std::mt19937 rng(3);
    const gfx::Bitmap source = RandomBitmap(19, 7, rng, false);
    gfx::Bitmap same = source;
    Stretch(19, 7, sfBox, 0, same);
    EXPECT_EQ(MaxDifference(same, source), 0);

    for (uint8_t filter : {sfLanczos3, sfMitchell}) {
        gfx::Bitmap byDefault = source, given = source, other = source;
        Stretch(45, 11, filter, 0, byDefault);
        Stretch(45, 11, filter, static_cast<float>(DefaultRadius[filter]), given);
        Stretch(45, 11, filter, 0.5f, other);
        EXPECT_EQ(MaxDifference(byDefault, given), 0);
        EXPECT_GT(MaxDifference(byDefault, other), 0);
    }
}

TEST(StretchTest, WideKernelsOnTinySourcesAndFarReductions) {
    // Two by two to 512 by 512 with the widest kernel keeps the corners.
    gfx::Bitmap four(2, 2, gfx::PixelFormat::pf24bit);
    four.setPixel(0, 0, gfx::rgb(255, 0, 0));
    four.setPixel(1, 1, gfx::rgb(255, 255, 255));
    Stretch(512, 512, sfLanczos3, 0, four);
    EXPECT_EQ(four.pixel(0, 0), gfx::rgb(255, 0, 0));
    EXPECT_EQ(four.pixel(511, 511), gfx::rgb(255, 255, 255));
    // A far reduction keeps the colour: each weight alone is tiny.
    gfx::Bitmap wide(6000, 3, gfx::PixelFormat::pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6000; ++x) wide.setPixel(x, y, gfx::rgb(90, 140, 230));
    Stretch(1, 1, sfLanczos3, 0, wide);
    EXPECT_EQ(wide.pixel(0, 0), gfx::rgb(90, 140, 230));
}

TEST(StretchTest, OtherPixelFormatsAreConvertedFirst) {
    std::mt19937 rng(8);
    using gfx::PixelFormat;
    for (PixelFormat pf : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit, PixelFormat::pf15bit,
                           PixelFormat::pf32bit}) {
        gfx::Bitmap b(13, 6, pf);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < b.bytesPerLine(); ++x) b.scanLine(y)[x] = static_cast<uint8_t>(rng());
        gfx::Bitmap expected = b.convertedTo(PixelFormat::pf24bit);
        b.setTransparent(true);
        Stretch(20, 9, sfMitchell, 0, b);
        Stretch(20, 9, sfMitchell, 0, expected);
        EXPECT_EQ(b.pixelFormat(), PixelFormat::pf24bit);
        EXPECT_EQ(MaxDifference(b, expected), 0) << static_cast<int>(pf);
        EXPECT_TRUE(b.transparent());
    }
}

TEST(StretchTest, VectorPassesGiveThePlainPassesPixels) {
    if (!detail::StretchUsesVectorUnits()) GTEST_SKIP() << "the processor has no AVX2";
    std::mt19937 rng(29);
    struct Case {
        int w, h, tw, th, filter;
        float radius;
    };
    std::vector<Case> cases = {
        {1000, 3, 7, 2, sfLanczos3, 0},  // one target pixel takes more taps than a run of them holds
        {700, 9, 650, 5, sfMitchell, 0},  // many runs of target pixels along a row
        {2, 2, 301, 77, sfLanczos3, 0},   // margins wider than the row, mirrored again and again
        {33, 200, 17, 40, sfLanczos3, 0},  // work rows reused round the ring
        {19, 70, 23, 300, sfBSpline, 0},
        {64, 64, 64, 64, sfBox, 0},
        {50, 40, 20, 15, sfLanczos3, 16},  // the widest radius
        {5, 1, 3, 1, sfBell, 0},
        {1, 30, 1, 9, sfHermite, 0},
    };
    // Random sizes, most of them odd: row counts that do not fill the last
    // group of rows, row lengths that do not fill the last block of bytes,
    // single pixels and far reductions; now and then a radius of its own.
    for (int run = 0; run < 150; ++run)
        cases.push_back({1 + static_cast<int>(rng() % (run % 3 == 0 ? 400 : 40)), 1 + static_cast<int>(rng() % 60),
                         1 + static_cast<int>(rng() % 120), 1 + static_cast<int>(rng() % 80),
                         static_cast<int>(rng() % StretchFilterCount),
                         run % 4 == 0 ? 0.25f + static_cast<float>(rng() % 40) / 8 : 0});
    for (const Case& c : cases) {
        SCOPED_TRACE("filter " + std::to_string(c.filter) + ", radius " + std::to_string(c.radius) + ", " +
                     std::to_string(c.w) + "x" + std::to_string(c.h) + " -> " + std::to_string(c.tw) + "x" +
                     std::to_string(c.th));
        const gfx::Bitmap source = RandomBitmap(c.w, c.h, rng, rng() % 2 == 0);
        gfx::Bitmap vector = source, plain = source;
        const auto filter = static_cast<uint8_t>(c.filter);
        Stretch(static_cast<uint32_t>(c.tw), static_cast<uint32_t>(c.th), filter, c.radius, vector);
        detail::StretchPlain(static_cast<uint32_t>(c.tw), static_cast<uint32_t>(c.th), filter, c.radius, plain);
        ASSERT_EQ(vector.width(), c.tw);
        ASSERT_EQ(vector.height(), c.th);
        EXPECT_EQ(MaxDifference(vector, plain), 0);
    }
}

TEST(StretchTest, BadFiltersAndSizesLeaveTheBitmapAsItWas) {
    struct Case {
        uint32_t width, height;
        uint8_t filter;
    };
    const Case cases[] = {{4, 4, 7}, {0, 4, 0}, {4, 0, 5}, {70000, 4, 0}, {65535, 65535, 0}};
    for (const Case& c : cases) {
        gfx::Bitmap b(3, 2, gfx::PixelFormat::pf8bit);
        b.scanLine(1)[2] = 9;
        EXPECT_THROW(Stretch(c.width, c.height, c.filter, 0, b), gfx::EInvalidGraphic);
        EXPECT_EQ(b.width(), 3);
        EXPECT_EQ(b.pixelFormat(), gfx::PixelFormat::pf8bit);
        EXPECT_EQ(b.scanLine(1)[2], 9);
    }
}

}  // namespace
}  // namespace img
