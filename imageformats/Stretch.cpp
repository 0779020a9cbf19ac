#include "imageformats/Stretch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/gfx/Errors.h"

// Where the compiler can build functions for AVX2 beside the plain ones, the
// passes have a build of their own for it, taken when the processor has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MIRELAN_STRETCH_AVX2 1
#include <immintrin.h>
#endif

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
// of these: the plain first pass runs fastest on whole blocks of eight, the
// AVX2 passes take them in pairs.
constexpr int PlainTapBlock = 8;
constexpr int VectorTapBlock = 2;

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
// widened by 1 / scale. The taps are padded to a multiple of `tapBlock`.
TContributors MakeContributors(const FilterInfo& filter, float radius, int sourceSize, int targetSize,
                               int tapBlock) {
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
    c.taps = (taps + tapBlock - 1) / tapBlock * tapBlock;
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

inline uint8_t ToByte(int32_t sum) {
    const int32_t v = sum >> WeightBits;
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The source pixel that each margin pixel of a row (or column) of `n` pixels
// repeats: pairs of (index with the margins, index of the source pixel with
// the margins).
std::vector<std::pair<std::size_t, std::size_t>> MarginSources(const TContributors& c, int n) {
    const std::size_t before = static_cast<std::size_t>(c.marginBefore);
    const std::size_t length = before + static_cast<std::size_t>(n) + static_cast<std::size_t>(c.marginAfter);
    std::vector<std::pair<std::size_t, std::size_t>> margins;
    for (std::size_t k = 0; k < length; ++k) {
        if (k >= before && k < before + static_cast<std::size_t>(n)) continue;
        const int from = Mirror(static_cast<int64_t>(k) - static_cast<int64_t>(before), n);
        margins.emplace_back(k, before + static_cast<std::size_t>(from));
    }
    return margins;
}

// The work rows that make up one target row of the second pass: every work
// row of a weight other than 0, mirrored at the edges, and then as many rows
// of weight 0 as it takes to make a multiple of `multiple`. Work row j lies
// at row j % capacity of `work`.
struct TRowTap {
    const uint8_t* row;
    int16_t weight;
};

void RowTaps(const uint8_t* work, std::size_t rowBytes, int capacity, int workHeight, const TContributors& c, int y,
             std::size_t multiple, std::vector<TRowTap>& taps) {
    const int16_t* w = &c.weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(c.taps)];
    taps.clear();
    for (int k = 0; k < c.taps; ++k) {
        if (w[k] == 0) continue;
        const int j = Mirror(static_cast<int64_t>(c.first[static_cast<std::size_t>(y)]) + k, workHeight);
        taps.push_back({work + static_cast<std::size_t>(j % capacity) * rowBytes, w[k]});
    }
    if (taps.empty()) taps.push_back({work, 0});
    while (taps.size() % multiple != 0) taps.push_back({taps.front().row, 0});
}

// ---- The two passes, plain ----------------------------------------------

// First pass: every source row resampled to the target width, into `work`
// (rows of targetWidth 24-bit pixels). The row is split into three channel
// arrays with its edges mirrored out to the margins, so that each target
// pixel is three dot products over contiguous samples.
void ResampleRows(const gfx::Bitmap& source, const TContributors& c, int targetWidth, uint8_t* work) {
    const int n = source.width();
    const int before = c.marginBefore;
    const std::size_t length = static_cast<std::size_t>(before) + static_cast<std::size_t>(n) +
                               static_cast<std::size_t>(c.marginAfter);
    std::vector<int16_t> blue(length), green(length), red(length);
    const std::vector<std::pair<std::size_t, std::size_t>> margins = MarginSources(c, n);
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
        uint8_t* out = work + static_cast<std::size_t>(y) * rowBytes;
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
void ResampleColumns(const uint8_t* work, int workHeight, const TContributors& c, gfx::Bitmap& target) {
    constexpr std::size_t Block = 1024;
    constexpr std::size_t Group = 4;
    const std::size_t rowBytes = static_cast<std::size_t>(target.width()) * 3;
    int32_t sums[Block];
    std::vector<TRowTap> taps;
    for (int y = 0; y < target.height(); ++y) {
        RowTaps(work, rowBytes, workHeight, workHeight, c, y, Group, taps);
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
                    for (std::size_t x = 0; x < n; ++x)
                        sums[x] = w0 * int16_t{r0[x]} + w1 * int16_t{r1[x]} + w2 * int16_t{r2[x]} +
                                  w3 * int16_t{r3[x]};
                } else {
                    for (std::size_t x = 0; x < n; ++x)
                        sums[x] += w0 * int16_t{r0[x]} + w1 * int16_t{r1[x]} + w2 * int16_t{r2[x]} +
                                   w3 * int16_t{r3[x]};
                }
            }
            for (std::size_t x = 0; x < n; ++x) out[start + x] = ToByte(sums[x]);
        }
    }
}

// ---- The two passes with AVX2 -------------------------------------------
//
// The same sums as the plain passes, in the same 32-bit integers, so that
// every pixel comes out the same. Both passes multiply pairs of 16-bit
// samples by pairs of 16-bit weights and add each pair into one 32-bit sum
// (vpmaddwd): sixteen multiplications an instruction.

#ifdef MIRELAN_STRETCH_AVX2

#define MIRELAN_AVX2 __attribute__((target("avx2")))

// The first pass resamples this many source rows at once, one row in each
// 32-bit lane of a 256-bit register.
constexpr int RowGroup = 8;

// One step of the byte transpositions below: the registers whose index
// differs only in `Bit` are paired, and each pair replaced by the
// interleaving of its low halves and of its high halves (of each 128-bit
// lane).
template <int Bit>
MIRELAN_AVX2 inline void InterleavePairs(__m256i v[RowGroup]) {
    for (int j = 0; j < RowGroup; ++j) {
        if ((j & Bit) != 0) continue;
        const __m256i low = _mm256_unpacklo_epi8(v[j], v[j | Bit]);
        const __m256i high = _mm256_unpackhi_epi8(v[j], v[j | Bit]);
        v[j] = low;
        v[j | Bit] = high;
    }
}

// Bytes x .. x + 31 of eight rows, stored column after column: the byte of
// row r in column x + k goes to out[8 * k + r]. Each 128-bit lane is
// transposed on its own: the low lanes give the first sixteen columns.
MIRELAN_AVX2 inline void GatherColumns(const uint8_t* const rows[RowGroup], std::size_t x, uint8_t* out) {
    __m256i v[RowGroup];
    for (int r = 0; r < RowGroup; ++r) v[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[r] + x));
    InterleavePairs<4>(v);
    InterleavePairs<2>(v);
    InterleavePairs<1>(v);
    for (int j = 0; j < RowGroup; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * j), _mm256_castsi256_si128(v[j]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 128 + 16 * j), _mm256_extracti128_si256(v[j], 1));
    }
}

// The reverse of GatherColumns: 32 columns of eight bytes back into bytes
// x .. x + 31 of eight rows.
MIRELAN_AVX2 inline void ScatterColumns(const uint8_t* in, uint8_t* const rows[RowGroup], std::size_t x) {
    __m256i v[RowGroup];
    for (int j = 0; j < RowGroup; ++j)
        v[j] = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(in + 128 + 16 * j),
                                   reinterpret_cast<const __m128i*>(in + 16 * j));
    InterleavePairs<4>(v);
    InterleavePairs<2>(v);
    InterleavePairs<1>(v);
    InterleavePairs<4>(v);
    // The four steps leave row r in register (bit 0 of r, bit 2 of r, bit 1
    // of r).
    for (int r = 0; r < RowGroup; ++r) {
        const int j = ((r & 1) << 2) | ((r >> 2) << 1) | ((r >> 1) & 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows[r] + x), v[j]);
    }
}

// Two 16-bit weights as one 32-bit value, the first in the low half, to be
// multiplied with a pair of samples.
inline int32_t WeightPair(int16_t first, int16_t second) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(first)) |
                                static_cast<uint32_t>(static_cast<uint16_t>(second)) << 16);
}

// A buffer of 256-bit values at an address aligned for them.
class TVectorBuffer {
public:
    void resize(std::size_t count) {
        storage_ = std::make_unique_for_overwrite<uint8_t[]>((count + 1) * sizeof(__m256i));
    }
    __m256i* data() {
        const auto address = reinterpret_cast<std::uintptr_t>(storage_.get());
        return reinterpret_cast<__m256i*>((address + sizeof(__m256i) - 1) / sizeof(__m256i) * sizeof(__m256i));
    }

private:
    std::unique_ptr<uint8_t[]> storage_;
};

// First pass: eight source rows at a time are turned into columns of eight
// bytes, one byte a row, with the edges mirrored out to the margins. For each
// pair of pixels (with the margins, the first at an even index) and each
// channel, the eight rows' values of both pixels are then interleaved as
// 16-bit numbers, so that one vpmaddwd multiplies two taps of a target pixel
// for all eight rows; a target pixel whose first tap lies on an odd pixel
// starts one pixel earlier with a weight of 0. The pairs are made for a few
// dozen target pixels at a time, so that they stay in the first-level cache
// while the sums read them. The sums of each target pixel, eight rows by
// three channels, go back to rows through the reverse transposition.
class TRowPassAvx2 {
public:
    TRowPassAvx2(const gfx::Bitmap& source, const TContributors& c, int targetWidth);
    // Resamples source rows y0 .. y0 + 7 into out[0] .. out[7]. Rows past the
    // last source row repeat it; their out rows may all be one spare row.
    MIRELAN_AVX2 void Group(int y0, uint8_t* const out[RowGroup]);

private:
    // A run of target pixels whose pairs take at most ChunkPairs pixel pairs
    // (18 KiB), or the pairs of one target pixel when it needs more.
    static constexpr std::size_t ChunkPairs = 192;
    struct TChunk {
        std::size_t begin, end, firstPair, endPair;
    };

    const gfx::Bitmap& source_;
    std::size_t before_, sourceBytes_, targetBytes_, stride_;
    // The weights of each target pixel in pairs (stride_ a pixel), where its
    // pairs start and how many it has.
    std::vector<int32_t> weightPairs_;
    std::vector<std::size_t> firstPair_, pairCount_;
    std::vector<TChunk> chunks_;
    std::vector<std::pair<std::size_t, std::size_t>> margins_;
    // The columns of a row with its margins, and room for the pixel past the
    // last that the last pair may read (with weight 0) and for the 16-byte
    // loads of the pairs.
    std::vector<uint8_t> columns_;
    // The pairs of one chunk.
    TVectorBuffer pairs_;
    // Each target pixel's sums, eight bytes a sample like the columns, and 8
    // bytes of room for the last 32-byte store.
    std::vector<uint8_t> sums_;
};

TRowPassAvx2::TRowPassAvx2(const gfx::Bitmap& source, const TContributors& c, int targetWidth)
    : source_(source),
      before_(static_cast<std::size_t>(c.marginBefore)),
      sourceBytes_(3 * static_cast<std::size_t>(source.width())),
      targetBytes_(3 * static_cast<std::size_t>(targetWidth)),
      stride_(static_cast<std::size_t>(c.taps) / 2 + 1) {
    const std::size_t n = static_cast<std::size_t>(source.width());
    const std::size_t m = static_cast<std::size_t>(targetWidth);
    const std::size_t taps = static_cast<std::size_t>(c.taps);

    weightPairs_.assign(m * stride_, 0);
    firstPair_.resize(m);
    pairCount_.resize(m);
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t first = static_cast<std::size_t>(c.first[i]) + before_;
        const std::size_t odd = first & 1;
        firstPair_[i] = first / 2;
        pairCount_[i] = taps / 2 + odd;
        const int16_t* w = &c.weights[i * taps];
        auto weight = [&](std::size_t k) { return k >= odd && k - odd < taps ? w[k - odd] : int16_t{0}; };
        for (std::size_t k = 0; k < pairCount_[i]; ++k)
            weightPairs_[i * stride_ + k] = WeightPair(weight(2 * k), weight(2 * k + 1));
    }

    std::size_t widest = 0;
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t low = firstPair_[i], high = firstPair_[i] + pairCount_[i];
        if (chunks_.empty() ||
            std::max(high, chunks_.back().endPair) - std::min(low, chunks_.back().firstPair) > ChunkPairs)
            chunks_.push_back({i, i, low, high});
        TChunk& chunk = chunks_.back();
        chunk.end = i + 1;
        chunk.firstPair = std::min(chunk.firstPair, low);
        chunk.endPair = std::max(chunk.endPair, high);
        widest = std::max(widest, chunk.endPair - chunk.firstPair);
    }
    margins_ = MarginSources(c, static_cast<int>(n));

    const std::size_t length = before_ + n + static_cast<std::size_t>(c.marginAfter);
    columns_.assign((3 * length + 6) * RowGroup, 0);
    pairs_.resize(3 * widest);
    sums_.resize(targetBytes_ * RowGroup + 8);
}

MIRELAN_AVX2 void TRowPassAvx2::Group(int y0, uint8_t* const out[RowGroup]) {
    const uint8_t* in[RowGroup];
    for (int r = 0; r < RowGroup; ++r) in[r] = source_.scanLine(std::min(y0 + r, source_.height() - 1));
    __m256i* const pairs = pairs_.data();

    // The source rows as columns, with the margins.
    uint8_t* const row = columns_.data() + 3 * before_ * RowGroup;
    std::size_t x = 0;
    for (; x + 32 <= sourceBytes_; x += 32) GatherColumns(in, x, row + x * RowGroup);
    for (; x < sourceBytes_; ++x)
        for (int r = 0; r < RowGroup; ++r) row[x * RowGroup + static_cast<std::size_t>(r)] = in[r][x];
    for (const auto& [k, from] : margins_)
        std::memcpy(&columns_[3 * k * RowGroup], &columns_[3 * from * RowGroup], 3 * RowGroup);
    for (const TChunk& chunk : chunks_) {
        // The pairs of pixels 2j and 2j + 1 (samples 6j .. 6j + 5 with the
        // margins) by channel.
        for (std::size_t j = chunk.firstPair; j < chunk.endPair; ++j) {
            const uint8_t* u = &columns_[6 * j * RowGroup];
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + 3 * RowGroup));
            const __m128i red = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + 2 * RowGroup));
            const __m128i nextRed = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + 5 * RowGroup));
            __m256i* e = pairs + 3 * (j - chunk.firstPair);
            _mm256_store_si256(e, _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b)));
            _mm256_store_si256(e + 1, _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b)));
            _mm256_store_si256(e + 2, _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(red, nextRed)));
        }

        for (std::size_t i = chunk.begin; i < chunk.end; ++i) {
            const __m256i* p = pairs + 3 * (firstPair_[i] - chunk.firstPair);
            const int32_t* w = &weightPairs_[i * stride_];
            __m256i blue = _mm256_setzero_si256(), green = _mm256_setzero_si256(), red = _mm256_setzero_si256();
            for (const int32_t* const end = w + pairCount_[i]; w != end; ++w, p += 3) {
                const __m256i weight = _mm256_set1_epi32(*w);
                blue = _mm256_add_epi32(_mm256_madd_epi16(_mm256_load_si256(p), weight), blue);
                green = _mm256_add_epi32(_mm256_madd_epi16(_mm256_load_si256(p + 1), weight), green);
                red = _mm256_add_epi32(_mm256_madd_epi16(_mm256_load_si256(p + 2), weight), red);
                // Keeps the compiler from copying the three sums to other
                // registers at every step, which slowed the loop down.
                __asm__("" : "+x"(blue), "+x"(green), "+x"(red));
            }
            // Shifted and limited to 0..255 by saturation; the 32-bit lanes of
            // the bytes are then blue, green and red of rows 0-3, red again,
            // and the same of rows 4-7, which the permutation puts in order.
            const __m256i blueGreen =
                _mm256_packs_epi32(_mm256_srai_epi32(blue, WeightBits), _mm256_srai_epi32(green, WeightBits));
            const __m256i redRed =
                _mm256_packs_epi32(_mm256_srai_epi32(red, WeightBits), _mm256_srai_epi32(red, WeightBits));
            const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(blueGreen, redRed),
                                                              _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(&sums_[i * 3 * RowGroup]), bytes);
        }
    }

    x = 0;
    for (; x + 32 <= targetBytes_; x += 32) ScatterColumns(&sums_[x * RowGroup], out, x);
    for (; x < targetBytes_; ++x)
        for (int r = 0; r < RowGroup; ++r) out[r][x] = sums_[x * RowGroup + static_cast<std::size_t>(r)];
}

// Second pass, one target row: the weighted sum of whole work rows, 32 bytes
// at a time. The bytes of two work rows are interleaved and widened to 16
// bits, so that one vpmaddwd takes both rows' terms of eight samples.
// `taps` has an even count, `weights` its weights in pairs.
MIRELAN_AVX2 void ResampleColumnAvx2(const std::vector<TRowTap>& taps, const std::vector<int32_t>& weights,
                                     std::size_t rowBytes, uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    std::size_t x = 0;
    for (; x + 32 <= rowBytes; x += 32) {
        // Samples 0-3 and 16-19, 4-7 and 20-23, 8-11 and 24-27, 12-15 and
        // 28-31.
        __m256i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (std::size_t k = 0; k < taps.size(); k += 2) {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps[k].row + x));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps[k + 1].row + x));
            const __m256i weight = _mm256_set1_epi32(weights[k / 2]);
            const __m256i low = _mm256_unpacklo_epi8(a, b);
            const __m256i high = _mm256_unpackhi_epi8(a, b);
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), weight));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), weight));
            s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), weight));
            s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), weight));
        }
        // Packing undoes the interleaving: the bytes come out in order.
        const __m256i s01 = _mm256_packs_epi32(_mm256_srai_epi32(s0, WeightBits), _mm256_srai_epi32(s1, WeightBits));
        const __m256i s23 = _mm256_packs_epi32(_mm256_srai_epi32(s2, WeightBits), _mm256_srai_epi32(s3, WeightBits));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), _mm256_packus_epi16(s01, s23));
    }
    for (; x < rowBytes; ++x) {
        int32_t sum = 0;
        for (const TRowTap& tap : taps) sum += tap.weight * int16_t{tap.row[x]};
        out[x] = ToByte(sum);
    }
}

// Both passes with AVX2, interleaved: the work rows are made eight at a time
// just before the first target row that needs them, into a ring of rows that
// holds every work row a later target row may still need. The work rows are
// then read back from the cache, and no work bitmap of the whole height is
// needed.
void StretchAvx2(const gfx::Bitmap& source, const TContributors& columns, const TContributors& rows,
                 gfx::Bitmap& target) {
    const int height = source.height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(target.width());

    // The highest work row that each target row, or one before it, reads;
    // and how many rows the ring must hold: a target row is made when the
    // rows up to that highest one are, and its lowest row must not have been
    // overwritten by then.
    std::vector<int> highest(static_cast<std::size_t>(target.height()));
    int highestSoFar = 0, capacity = 1;
    for (int y = 0; y < target.height(); ++y) {
        const int16_t* w = &rows.weights[static_cast<std::size_t>(y) * static_cast<std::size_t>(rows.taps)];
        int low = height, high = 0;
        for (int k = 0; k < rows.taps; ++k) {
            if (w[k] == 0) continue;
            const int j = Mirror(static_cast<int64_t>(rows.first[static_cast<std::size_t>(y)]) + k, height);
            low = std::min(low, j);
            high = std::max(high, j);
        }
        if (low > high) low = 0;  // no weight: the row reads work row 0
        highestSoFar = std::max(highestSoFar, high);
        highest[static_cast<std::size_t>(y)] = highestSoFar;
        const int made = std::min(height, (highestSoFar / RowGroup + 1) * RowGroup);
        capacity = std::max(capacity, made - low);
    }
    const auto ring = std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(capacity) * rowBytes);
    std::vector<uint8_t> spare(rowBytes);

    TRowPassAvx2 rowPass(source, columns, target.width());
    int made = 0;
    std::vector<TRowTap> taps;
    std::vector<int32_t> weights;
    for (int y = 0; y < target.height(); ++y) {
        for (; made <= highest[static_cast<std::size_t>(y)]; made += RowGroup) {
            uint8_t* out[RowGroup];
            for (int r = 0; r < RowGroup; ++r)
                out[r] = made + r < height ? ring.get() + static_cast<std::size_t>((made + r) % capacity) * rowBytes
                                           : spare.data();
            rowPass.Group(made, out);
        }
        RowTaps(ring.get(), rowBytes, capacity, height, rows, y, 2, taps);
        weights.clear();
        for (std::size_t k = 0; k < taps.size(); k += 2)
            weights.push_back(WeightPair(taps[k].weight, taps[k + 1].weight));
        ResampleColumnAvx2(taps, weights, rowBytes, target.scanLine(y));
    }
}

bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

#else

bool HasAvx2() { return false; }

#endif

// Resamples a 24-bit source into a 24-bit target of its own size; nothing
// when a side of either is 0. `vector` takes the AVX2 passes.
void DoStretch(const FilterInfo& filter, const gfx::Bitmap& source, gfx::Bitmap& target, float radius, bool vector) {
    if (source.width() == 0 || source.height() == 0 || target.width() == 0 || target.height() == 0) return;
    const int tapBlock = vector ? VectorTapBlock : PlainTapBlock;
    const TContributors columns = MakeContributors(filter, radius, source.width(), target.width(), tapBlock);
    // Both passes of a square bitmap made square (most texture maps) take
    // the same lists, which are slow to make.
    const TContributors rows = source.height() == source.width() && target.height() == target.width()
                                   ? columns
                                   : MakeContributors(filter, radius, source.height(), target.height(), tapBlock);
#ifdef MIRELAN_STRETCH_AVX2
    if (vector) {
        StretchAvx2(source, columns, rows, target);
        return;
    }
#endif
    // Every byte of the work rows is written by the first pass before the
    // second reads it.
    const auto work = std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(target.width()) * 3 *
                                                                 static_cast<std::size_t>(source.height()));
    ResampleRows(source, columns, target.width(), work.get());
    ResampleColumns(work.get(), source.height(), rows, target);
}

void StretchWith(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap,
                 bool vector) {
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
        DoStretch(info, bitmap, result, radius, vector);
        result.setTransparent(bitmap.transparent());
        static_cast<gfx::Bitmap&>(bitmap) = std::move(result);
    } catch (const std::bad_alloc&) {
        throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    }
}

}  // namespace

void Stretch(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap) {
    StretchWith(newWidth, newHeight, filter, radius, bitmap, HasAvx2());
}

namespace detail {

void StretchPlain(uint32_t newWidth, uint32_t newHeight, uint8_t filter, float radius, gfx::Bitmap& bitmap) {
    StretchWith(newWidth, newHeight, filter, radius, bitmap, false);
}

bool StretchUsesVectorUnits() { return HasAvx2(); }

}  // namespace detail

}  // namespace img
