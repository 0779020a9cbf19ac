// The row converters for CMYK, CIE L*a*b*, YCbCr and Photo YCC pixels: each
// writes red, green and blue in the target's order and skips a target alpha
// sample, which keeps its bytes. 16-bit sources stored most significant byte
// first (cfByteSwap) are swapped as they are read.
#include <algorithm>
#include <cmath>

#include "imageformats/ImageColorRows.h"

namespace img::rows {

namespace {

// Writes three results in RGB or BGR order as 8 or 16-bit samples.
template <class D>
inline void StoreRGB(uint8_t* t, bool bgr, D r, D g, D b) {
    constexpr std::size_t w = sizeof(D);
    StoreSample<D>(t, bgr ? b : r);
    StoreSample<D>(t + w, g);
    StoreSample<D>(t + 2 * w, bgr ? r : b);
}

// The sample k of the current pixel as a value, swapped when the source is
// big-endian.
template <class T, class Src>
inline uint32_t Sample(const Src& src, int k, bool swap) {
    const T v = src[k];
    if constexpr (sizeof(T) == 2) return swap ? Swap16(v) : v;
    return v;
}

// Runs `pixel(src, t)` for every converted pixel with the sources as 8 or
// 16-bit samples, the target moving on 3 or 4 samples of its own width.
template <class T, class Pixel>
void EachPixel(const TColorManager& m, const RowSources& sources, int samples, int planes, uint8_t* target,
               uint32_t count, uint8_t mask, Pixel&& pixel) {
    const std::size_t step = static_cast<std::size_t>((m.targetOptions & cfAlpha) ? 4 : 3) *
                             (m.TargetBitsPerSample() == 16 ? 2 : 1);
    WithSources<T>(sources, samples, planes, [&](auto src) {
        ForMasked(target, step, count, mask, [&](uint8_t* t) {
            pixel(src, t);
            src.next();
        });
    });
}

}  // namespace

void RowCMYK(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask,
             bool bgr) {
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    // Exactly four pointers are the planes C, M, Y, K; otherwise the first
    // pointer holds them interleaved.
    RowSources used = sources;
    if (sources.count != 4) used.count = 1;
    if (s == 8) {
        // 255 minus the ink x and the black K combined.
        auto ink = [](uint32_t x, uint32_t k) {
            return ClampToByte(255 - static_cast<int32_t>(x - MulDivWord(static_cast<uint16_t>(x),
                                                                          static_cast<uint16_t>(k), 255) + k));
        };
        EachPixel<uint8_t>(m, used, 4, 4, target, count, mask, [&](const auto& src, uint8_t* p) {
            const uint32_t k = src[3];
            const uint8_t r = ink(src[0], k), g = ink(src[1], k), b = ink(src[2], k);
            if (t == 8)
                StoreRGB<uint8_t>(p, bgr, r, g, b);
            else
                StoreRGB<uint16_t>(p, bgr, Scale8To16(r), Scale8To16(g), Scale8To16(b));
        });
    } else {
        // The combined ink on words, at most 65535.
        auto ink = [](uint32_t x, uint32_t k) {
            const uint32_t v = x - MulDivWord(static_cast<uint16_t>(x), static_cast<uint16_t>(k), 65535) + k;
            return static_cast<uint16_t>(std::min<uint32_t>(v, 65535));
        };
        EachPixel<uint16_t>(m, used, 4, 4, target, count, mask, [&](const auto& src, uint8_t* p) {
            const uint32_t k = Sample<uint16_t>(src, 3, swap);
            const uint16_t c = ink(Sample<uint16_t>(src, 0, swap), k), mm = ink(Sample<uint16_t>(src, 1, swap), k),
                           y = ink(Sample<uint16_t>(src, 2, swap), k);
            if (t == 8) {
                auto to8 = [](uint16_t v) { return ClampToByte(255 - MulDivWord(v, 255, 65535)); };
                StoreRGB<uint8_t>(p, bgr, to8(c), to8(mm), to8(y));
            } else {
                StoreRGB<uint16_t>(p, bgr, static_cast<uint16_t>(65535 - c), static_cast<uint16_t>(65535 - mm),
                                   static_cast<uint16_t>(65535 - y));
            }
        });
    }
}

void RowLab(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask,
            bool bgr) {
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const bool byteRange = (m.sourceOptions & cfLabByteRange) != 0;
    const bool chromaOffset = (m.sourceOptions & cfLabChromaOffset) != 0;
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    // One pixel from its L, a and b samples (words or bytes alike).
    auto convert = [&](uint32_t lSample, uint32_t aSample, uint32_t bSample, uint8_t* p) {
        const long double L = byteRange ? lSample / 2.55L : static_cast<long double>(lSample);
        auto chroma = [&](uint32_t v) -> long double {
            return chromaOffset ? static_cast<long double>(static_cast<int32_t>(v) - 128)
                                : static_cast<long double>(static_cast<int8_t>(v & 0xFF));
        };
        const long double a = chroma(aSample), b = chroma(bSample);
        const long double y3 = (L + 16) / 116;
        long double X, Y, Z;
        if (L < 7.9996L) {
            Y = L / 903.3L;
            X = a / 3893.5L + Y;
            Z = Y - b / 1557.4L;
        } else {
            X = std::pow(y3 + a / 500, 3.0L);
            Y = y3 * y3 * y3;
            Z = std::pow(y3 - b / 200, 3.0L);
        }
        auto channel = [](long double v) {
            return ClampToByte(static_cast<int32_t>(std::nearbyint(std::clamp(255 * v, -1.0L, 256.0L))));
        };
        const uint8_t r = channel(2.998L * X - 1.458L * Y - 0.541L * Z);
        const uint8_t g = channel(-0.952L * X + 1.893L * Y + 0.059L * Z);
        const uint8_t bl = channel(0.099L * X - 0.198L * Y + 1.099L * Z);
        if (t == 8)
            StoreRGB<uint8_t>(p, bgr, r, g, bl);
        else
            StoreRGB<uint16_t>(p, bgr, Scale8To16(r), Scale8To16(g), Scale8To16(bl));
    };
    if (s == 8)
        EachPixel<uint8_t>(m, sources, 3, 3, target, count, mask,
                           [&](const auto& src, uint8_t* p) { convert(src[0], src[1], src[2], p); });
    else
        EachPixel<uint16_t>(m, sources, 3, 3, target, count, mask, [&](const auto& src, uint8_t* p) {
            convert(Sample<uint16_t>(src, 0, swap), Sample<uint16_t>(src, 1, swap), Sample<uint16_t>(src, 2, swap), p);
        });
}

void RowYCbCr(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask,
              bool bgr) {
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    const int32_t* redFromCr = m.RedFromCr().data();
    const int32_t* blueFromCb = m.BlueFromCb().data();
    const int32_t* greenFromCr = m.GreenFromCr().data();
    const int32_t* greenFromCb = m.GreenFromCb().data();
    // Integer only: four lookups and three additions a pixel.
    auto fromBytes = [&](int32_t y, uint8_t cb, uint8_t cr, uint8_t* p) {
        const uint8_t r = ClampToByte(y + redFromCr[cr]);
        const uint8_t g = ClampToByte(y + greenFromCb[cb] + greenFromCr[cr]);
        const uint8_t b = ClampToByte(y + blueFromCb[cb]);
        if (t == 8)
            StoreRGB<uint8_t>(p, bgr, r, g, b);
        else
            StoreRGB<uint16_t>(p, bgr, Scale8To16(r), Scale8To16(g), Scale8To16(b));
    };
    if (s == 8) {
        EachPixel<uint8_t>(m, sources, 3, 3, target, count, mask,
                           [&](const auto& src, uint8_t* p) { fromBytes(src[0], src[1], src[2], p); });
    } else if (t == 8) {
        EachPixel<uint16_t>(m, sources, 3, 3, target, count, mask, [&](const auto& src, uint8_t* p) {
            auto byte = [&](int k) { return Scale16To8(static_cast<uint16_t>(Sample<uint16_t>(src, k, swap))); };
            fromBytes(byte(0), byte(1), byte(2), p);
        });
    } else {
        // Words to words, without the tables.
        EachPixel<uint16_t>(m, sources, 3, 3, target, count, mask, [&](const auto& src, uint8_t* p) {
            const double y = 1.3584 * Sample<uint16_t>(src, 0, swap);
            const double c1 = static_cast<double>(Sample<uint16_t>(src, 1, swap)) - 40092;
            const double c2 = static_cast<double>(Sample<uint16_t>(src, 2, swap)) - 35209;
            auto word = [](double v) { return static_cast<uint16_t>(std::nearbyint(std::clamp(v, 0.0, 65535.0))); };
            StoreRGB<uint16_t>(p, bgr, word(y + 1.8215 * c2), word(y - 0.9271435 * c2 - 0.4302726 * c1),
                               word(y + 2.2179 * c1));
        });
    }
}

}  // namespace img::rows
