#include "imageformats/Stretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/gfx/Errors.h"

namespace img {

namespace {

// ---- Filters ----------------------------------------------------------------

float BoxFilter(float x) { return x >= -0.5f && x < 0.5f ? 1.0f : 0.0f; }

float TriangleFilter(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float HermiteFilter(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
}

float BellFilter(float x) {
    const float t = std::fabs(x);
    if (t < 0.5f) return 0.75f - t * t;
    if (t < 1.5f) return 0.5f * (t - 1.5f) * (t - 1.5f);
    return 0.0f;
}

float BSplineFilter(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
    if (t < 2.0f) return (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f;
    return 0.0f;
}

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = 3.14159265358979f * x;
    return std::sin(px) / px;
}

float Lanczos3Filter(float x) {
    const float t = std::fabs(x);
    return t < 3.0f ? Sinc(t) * Sinc(t / 3.0f) : 0.0f;
}

float MitchellFilter(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f) return (7.0f * t * t * t - 12.0f * t * t + 16.0f / 3.0f) / 6.0f;
    if (t < 2.0f) return (-7.0f / 3.0f * t * t * t + 12.0f * t * t - 20.0f * t + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

struct FilterInfo {
    float (*kernel)(float);
    float radius;
};

constexpr FilterInfo Filters[StretchFilterCount] = {
    {BoxFilter, 0.5f},      {TriangleFilter, 1.0f}, {HermiteFilter, 1.0f}, {BellFilter, 1.5f},
    {BSplineFilter, 2.0f},  {Lanczos3Filter, 3.0f}, {MitchellFilter, 2.0f},
};

// ---- Contributors -----------------------------------------------------------

// The widest radius Stretch takes.
constexpr float MaxRadius = 16.0f;

// Weights are fixed point with this many fractional bits. The weights of
// each target pixel are scaled so that they add up to exactly 1, which makes
// the division by their sum a shift and keeps even far reductions, whose
// single weights are tiny, from losing their pixels.
constexpr int WeightBits = 14;
constexpr int32_t WeightOne = 1 << WeightBits;
// The taps of every target pixel are padded with zero weights to a multiple
// of this, so that the inner loops run in whole blocks.
constexpr int TapBlock = 8;

// The contributions of the source pixels to each target pixel of one pass:
// target pixel i takes source pixels first[i] .. first[i] + taps - 1, counted
// before mirroring at the edges, with the weights weights[i * taps ...].
struct TContributors {
    int taps = 0;
    std::vector<int32_t> first;
    std::vector<int16_t> weights;
    // How far the lists reach before the first and past the last source
    // pixel.
    int marginBefore = 0;
    int marginAfter = 0;
};

// A source index outside 0..n-1 mirrored back into it: below 0 about the
// first pixel (-1 gives 1), at n or beyond about the last one (n gives
// n - 1), again until it lies inside.
int Mirror(int64_t j, int64_t n) {
    if (n <= 1) return 0;
    while (j < 0 || j >= n) {
        if (j < 0) j = -j;
        if (j >= n) j = 2 * n - 1 - j;
    }
    return static_cast<int>(j);
}

// The contributor lists of a pass from `sourceSize` to `targetSize` pixels.
// A scale of at least 1 enlarges: the kernel is sampled at the distance from
// the target pixel's centre in the source. Below 1 it reduces: the kernel is
// widened by 1 / scale.
TContributors MakeContributors(const FilterInfo& filter, float radius, int sourceSize, int targetSize) {
    const double scale = sourceSize == 1 || targetSize == 1
                             ? static_cast<double>(targetSize) / sourceSize
                             : static_cast<double>(targetSize - 1) / (sourceSize - 1);
    const double width = scale >= 1 ? radius : radius / scale;
    const double kernelScale = scale >= 1 ? 1.0 : scale;

    struct List {
        int64_t first;
        std::vector<int32_t> weights;
    };
    std::vector<List> lists(static_cast<std::size_t>(targetSize));
    std::vector<double> f;
    int taps = 1;
    for (int i = 0; i < targetSize; ++i) {
        const double centre = i / scale;
        const int64_t lo = static_cast<int64_t>(std::floor(centre - width));
        const int64_t hi = static_cast<int64_t>(std::ceil(centre + width));
        f.assign(static_cast<std::size_t>(hi - lo + 1), 0.0);
        double sum = 0;
        for (int64_t j = lo; j <= hi; ++j) {
            const double v = filter.kernel(static_cast<float>((centre - j) * kernelScale));
            f[static_cast<std::size_t>(j - lo)] = v;
            sum += v;
        }
        List& list = lists[static_cast<std::size_t>(i)];
        list.first = lo;
        if (std::fabs(sum) < 1e-9) continue;  // nothing contributes: the pixel stays black
        std::vector<int32_t>& w = list.weights;
        w.resize(f.size());
        int32_t total = 0;
        std::size_t largest = 0;
        // The pixel is the weighted sum divided by the sum of the weights:
        // scaling each weight by that sum makes the division a shift (and
        // cancels the reducing scale the kernel values would be multiplied
        // by). The rounding left over goes to the largest weight.
        for (std::size_t k = 0; k < f.size(); ++k) {
            w[k] = static_cast<int32_t>(std::nearbyint(f[k] / sum * WeightOne));
            total += w[k];
            if (std::abs(w[k]) > std::abs(w[largest])) largest = k;
        }
        w[largest] += WeightOne - total;
        // Pixels of weight 0 at either end take no part.
        std::size_t begin = 0, end = w.size();
        while (begin < end && w[begin] == 0) ++begin;
        while (end > begin && w[end - 1] == 0) --end;
        w = std::vector<int32_t>(w.begin() + static_cast<std::ptrdiff_t>(begin),
                                 w.begin() + static_cast<std::ptrdiff_t>(end));
        list.first = lo + static_cast<int64_t>(begin);
        taps = std::max(taps, static_cast<int>(w.size()));
    }

    TContributors c;
    c.taps = (taps + TapBlock - 1) / TapBlock * TapBlock;
    c.first.resize(static_cast<std::size_t>(targetSize));
    c.weights.assign(static_cast<std::size_t>(targetSize) * static_cast<std::size_t>(c.taps), 0);
    int64_t lowest = 0, highest = sourceSize - 1;
    for (int i = 0; i < targetSize; ++i) {
        const List& list = lists[static_cast<std::size_t>(i)];
        c.first[static_cast<std::size_t>(i)] = static_cast<int32_t>(list.first);
        int16_t* w = &c.weights[static_cast<std::size_t>(i) * static_cast<std::size_t>(c.taps)];
        for (std::size_t k = 0; k < list.weights.size(); ++k)
            w[k] = static_cast<int16_t>(std::clamp<int32_t>(list.weights[k], INT16_MIN, INT16_MAX));
        lowest = std::min(lowest, list.first);
        highest = std::max(highest, list.first + c.taps - 1);
    }
    c.marginBefore = static_cast<int>(-lowest);
    c.marginAfter = static_cast<int>(highest - (sourceSize - 1));
    return c;
}

// The two passes are built for the processor's wider vector units too; the
// program picks the build that the processor runs when it starts.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__)
#define MIRELAN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MIRELAN_VECTOR_CLONES
#endif

inline uint8_t ToByte(int32_t sum) {
    const int32_t v = sum >> WeightBits;
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// ---- The two passes -----------------------------------------------------

// First pass: every source row resampled to the target width. The row is
// split into three channel arrays with its edges mirrored out to the
// margins, so that each target pixel is three dot products over contiguous
// samples, which the compiler turns into vector code.
MIRELAN_VECTOR_CLONES void ResampleRows(const gfx::Bitmap& source, const TContributors& c, int targetWidth,
                                        std::vector<uint8_t>& work) {
    const int n = source.width();
    const int before = c.marginBefore;
    const std::size_t length = static_cast<std::size_t>(before) + static_cast<std::size_t>(n) +
                               static_cast<std::size_t>(c.marginAfter);
    std::vector<int16_t> blue(length), green(length), red(length);
    // The margins' samples come from mirrored source pixels.
    std::vector<std::pair<std::size_t, std::size_t>> margins;
    for (std::size_t k = 0; k < length; ++k)
        if (k < static_cast<std::size_t>(before) || k >= static_cast<std::size_t>(before) + static_cast<std::size_t>(n))
            margins.emplace_back(k, static_cast<std::size_t>(before + Mirror(static_cast<int64_t>(k) - before, n)));
    const std::size_t taps = static_cast<std::size_t>(c.taps);
    const std::size_t rowBytes = static_cast<std::size_t>(targetWidth) * 3;
    int16_t* const b0 = blue.data() + before;
    int16_t* const g0 = green.data() + before;
    int16_t* const r0 = red.data() + before;
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* row = source.scanLine(y);
        for (int x = 0; x < n; ++x) {
            b0[x] = row[3 * x];
            g0[x] = row[3 * x + 1];
            r0[x] = row[3 * x + 2];
        }
        for (const auto& [k, x] : margins) {
            blue[k] = blue[x];
            green[k] = green[x];
            red[k] = red[x];
        }
        uint8_t* out = work.data() + static_cast<std::size_t>(y) * rowBytes;
        for (int i = 0; i < targetWidth; ++i) {
            const std::size_t index = static_cast<std::size_t>(i);
            const std::size_t base = static_cast<std::size_t>(c.first[index] + before);
            const int16_t* w = &c.weights[index * taps];
            const int16_t* b = &blue[base];
            const int16_t* g = &green[base];
            const int16_t* r = &red[base];
            int32_t sb = 0, sg = 0, sr = 0;
            for (std::size_t k = 0; k < taps; ++k) {
                sb += w[k] * b[k];
                sg += w[k] * g[k];
                sr += w[k] * r[k];
            }
            out[3 * index] = ToByte(sb);
            out[3 * index + 1] = ToByte(sg);
            out[3 * index + 2] = ToByte(sr);
        }
    }
}

// Second pass: every target row as the weighted sum of whole work rows. The
// rows are taken four at a time over blocks of samples that stay in the
// first-level cache, so that the sums are read and written once for every
// four rows.
MIRELAN_VECTOR_CLONES void ResampleColumns(const std::vector<uint8_t>& work, int workHeight, const TContributors& c, gfx::Bitmap& target) {
    constexpr std::size_t Block = 1024;
    constexpr std::size_t Group = 4;
    const std::size_t rowBytes = static_cast<std::size_t>(target.width()) * 3;
    int32_t sums[Block];
    struct Tap {
        const uint8_t* row;
        int16_t weight;
    };
    std::vector<Tap> taps;
    for (int y = 0; y < target.height(); ++y) {
        const int16_t* w = &c.weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(c.taps)];
        taps.clear();
        for (int k = 0; k < c.taps; ++k) {
            if (w[k] == 0) continue;
            const int j = Mirror(static_cast<int64_t>(c.first[static_cast<std::size_t>(y)]) + k, workHeight);
            taps.push_back({work.data() + static_cast<std::size_t>(j) * rowBytes, w[k]});
        }
        if (taps.empty()) taps.push_back({work.data(), 0});
        while (taps.size() % Group != 0) taps.push_back({taps.front().row, 0});
        uint8_t* out = target.scanLine(y);
        for (std::size_t start = 0; start < rowBytes; start += Block) {
            const std::size_t n = std::min(Block, rowBytes - start);
            for (std::size_t g = 0; g < taps.size(); g += Group) {
                const uint8_t* r0 = taps[g].row + start;
                const uint8_t* r1 = taps[g + 1].row + start;
                const uint8_t* r2 = taps[g + 2].row + start;
                const uint8_t* r3 = taps[g + 3].row + start;
                const int16_t w0 = taps[g].weight, w1 = taps[g + 1].weight, w2 = taps[g + 2].weight,
                              w3 = taps[g + 3].weight;
                if (g == 0) {
                    for (std::size_t x = 0; x < n; ++x) sums[x] = w0 * int16_t{r0[x]} + w1 * int16_t{r1[x]} + w2 * int16_t{r2[x]} + w3 * int16_t{r3[x]};
                } else {
                    for (std::size_t x = 0; x < n; ++x) sums[x] += w0 * int16_t{r0[x]} + w1 * int16_t{r1[x]} + w2 * int16_t{r2[x]} + w3 * int16_t{r3[x]};
                }
            }
            for (std::size_t x = 0; x < n; ++x) out[start + x] = ToByte(sums[x]);
        }
    }
}

// Resamples a 24-bit source into a 24-bit target of its own size; nothing
// when a side of either is 0.
void DoStretch(const FilterInfo& filter, const gfx::Bitmap& source, gfx::Bitmap& target, float radius) {
    if (source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0) return;
    const TContributors columns = MakeContributors(filter, radius, source.width(), target.width());
    std::vector<uint8_t> work(static_cast<std::size_t>(target.width()) * 3 * static_cast<std::size_t>(source.height()));
    ResampleRows(source, columns, target.width(), work);
    const TContributors rows = MakeContributors(filter, radius, source.height(), target.height());
    ResampleColumns(work, source.height(), rows, target);
}

}  // namespace

void Stretch(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap) {
    if (filter >= StretchFilterCount) throw gfx::EInvalidGraphic("Unknown resampling filter");
    if (!gfx::bitmapSizeAllowed(newWidth, newHeight)) throw gfx::EInvalidGraphic("Invalid bitmap size");
    const FilterInfo& info = Filters[filter];
    if (!(radius > 0) || !std::isfinite(radius)) radius = info.radius;
    // A support wider than this only adds taps of weight 0 (every kernel
    // ends by 3) and would make the lists huge.
    radius = std::min(radius, MaxRadius);
    try {
        gfx::Bitmap result(static_cast<int>(newWidth), static_cast<int>(newHeight), gfx::PixelFormat::pf24bit);
        bitmap.setPixelFormat(gfx::PixelFormat::pf24bit);
        DoStretch(info, bitmap, result, radius);
        result.setTransparent(bitmap.transparent());
        static_cast<gfx::Bitmap&>(bitmap) = std::move(result);
    } catch (const std::bad_alloc&) {
        throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    }
}

}  // namespace img
