// Every row converter against a straightforward per-pixel reference
// conversion, on random rows with random masks, options and interleaved or
// planar sources; and hand-worked cases of each converter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imageformats/ImageColor.h"

namespace img {
namespace {

using Bytes = std::vector<uint8_t>;

struct Settings {
    TSampleLayout source, target;
    int sourceBits, targetBits;
    TConversionFlags sourceOptions, targetOptions;  // without cfAlpha
    bool planar;
};

int SamplesOf(TSampleLayout s) {
    switch (s) {
    case slGray: case slIndexed: return 1;
    case slGrayAlpha: return 2;
    case slRGBA: case slBGRA: case slCMYK: return 4;
    default: return 3;
    }
}
bool HasAlpha(TSampleLayout s) { return s == slGrayAlpha || s == slRGBA || s == slBGRA; }
bool IsBGR(TSampleLayout s) { return s == slBGR || s == slBGRA; }
uint16_t Swap(uint32_t v) { return static_cast<uint16_t>(((v & 0xFF) << 8) | ((v >> 8) & 0xFF)); }
uint8_t Clamp(long double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// The source of one row: the samples of the converted pixels.
struct Source {
    std::vector<Bytes> planes;  // one: interleaved
    int bytes;                  // of one sample
    int samples;                // of one pixel, interleaved
    uint32_t sample(int pixel, int k) const {
        const Bytes& b = planes.size() == 1 ? planes[0] : planes[static_cast<std::size_t>(k)];
        const std::size_t at = planes.size() == 1 ? static_cast<std::size_t>((pixel * samples + k) * bytes)
                                                  : static_cast<std::size_t>(pixel * bytes);
        return bytes == 1 ? b[at] : static_cast<uint32_t>(b[at] | (b[at + 1] << 8));
    }
    // Sample k of `pixel` as stored, 16-bit ones swapped when `swap`.
    uint32_t value(int pixel, int k, bool swap) const {
        const uint32_t v = sample(pixel, k);
        return bytes == 2 && swap ? Swap(v) : v;
    }
    // Bits [bit, bit + n) of the first plane, most significant first.
    uint32_t bits(uint64_t bit, int n) const {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++bit) v = (v << 1) | ((planes[0][bit / 8] >> (7 - bit % 8)) & 1);
        return v;
    }
};

void Put(Bytes& t, std::size_t at, int bytes, uint32_t v) {
    t[at] = static_cast<uint8_t>(v);
    if (bytes == 2) t[at + 1] = static_cast<uint8_t>(v >> 8);
}

// What the target holds after converting `count` pixels, worked out one
// sample at a time.
void Reference(const Settings& s, const TColorManager& m, const Source& src, uint32_t count, uint8_t mask,
               Bytes& t) {
    const auto& gamma = m.GammaTable();
    const bool swap = s.sourceOptions & cfByteSwap;
    const bool applyGamma = s.targetOptions & cfApplyGamma;
    const int tb = s.targetBits / 8;
    const int targetPixel = (s.target == slIndexed || s.target == slGray) ? 1 : (HasAlpha(s.target) ? 4 : 3);
    // Packed indices of equal depths under a full mask are copied whole
    // bytes, the bits past the last pixel included.
    if ((s.source == slIndexed || s.source == slGray) && s.sourceBits == s.targetBits && s.sourceBits <= 8 &&
        mask == 0xFF) {
        const std::size_t n = (static_cast<std::size_t>(s.sourceBits) * count + 7) / 8;
        std::copy(src.planes[0].begin(), src.planes[0].begin() + static_cast<std::ptrdiff_t>(n), t.begin());
        return;
    }
    int used = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(mask & (0x80 >> (i % 8)))) continue;
        const int p = used++;
        const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(targetPixel * tb);
        // Writes red, green and blue in the target's order.
        auto rgb = [&](uint32_t r, uint32_t g, uint32_t b) {
            Put(t, at, tb, IsBGR(s.target) ? b : r);
            Put(t, at + static_cast<std::size_t>(tb), tb, g);
            Put(t, at + 2 * static_cast<std::size_t>(tb), tb, IsBGR(s.target) ? r : b);
        };
        switch (s.source) {
        case slRGB: case slRGBA: case slBGR: case slBGRA: {
            auto color = [&](uint32_t v, bool isAlpha) -> uint32_t {
                const bool g = applyGamma && !isAlpha;
                if (s.sourceBits == 8 && s.targetBits == 8) return g ? gamma[v] : v;
                if (s.sourceBits == 16 && s.targetBits == 8) {
                    const uint32_t b = (swap ? Swap(v) : v) * 255 / 65535;
                    return g ? gamma[b] : b;
                }
                if (s.sourceBits == 8) {
                    const uint32_t w = (g ? gamma[v] : v) * 257;
                    return swap ? Swap(w) : w;
                }
                return swap ? Swap(v) : v;
            };
            const uint32_t c0 = color(src.sample(p, 0), false), c1 = color(src.sample(p, 1), false),
                           c2 = color(src.sample(p, 2), false);
            if (IsBGR(s.source)) rgb(c2, c1, c0); else rgb(c0, c1, c2);
            if (HasAlpha(s.source) && HasAlpha(s.target))
                Put(t, at + 3 * static_cast<std::size_t>(tb), tb, color(src.sample(p, 3), true));
            break;
        }
        case slGrayAlpha: case slGray:
            if (s.source == slGrayAlpha || s.sourceBits == 16 || s.targetBits == 16) {
                const uint32_t v = src.value(p, 0, swap);
                uint32_t out = v;
                if (s.sourceBits == 8 && s.targetBits == 16) out = v * 257;
                if (s.sourceBits == 16 && s.targetBits == 8) out = v * 255 / 65535;
                Put(t, at, tb, out);
                break;
            }
            [[fallthrough]];
        case slIndexed: {
            // Indices scaled from the source's range to the target's.
            const int sb = s.sourceBits, tbits = s.targetBits;
            const uint32_t in = sb == 16 ? src.value(p, 0, swap) : src.bits(static_cast<uint64_t>(p) * sb, sb);
            const uint32_t v = sb == tbits ? in : in * ((1u << tbits) - 1) / ((1u << sb) - 1);
            if (tbits == 16) {
                Put(t, 2 * static_cast<std::size_t>(i), 2, sb < 16 && swap ? Swap(v) : v);
                break;
            }
            const uint32_t perByte = 8 / static_cast<uint32_t>(tbits);
            const int shift = 8 - tbits * static_cast<int>(i % perByte + 1);
            const uint32_t field = ((1u << tbits) - 1) << shift;
            t[i / perByte] = static_cast<uint8_t>((t[i / perByte] & ~field) | (v << shift));
            break;
        }
        case slCMYK: {
            const uint32_t k = src.value(p, 3, swap);
            uint32_t out[3];
            for (int c = 0; c < 3; ++c) {
                const uint32_t x = src.value(p, c, swap);
                if (s.sourceBits == 8) {
                    const int v = 255 - static_cast<int>(x - x * k / 255 + k);
                    out[c] = Clamp(v);
                    if (s.targetBits == 16) out[c] *= 257;
                } else {
                    const uint32_t ink = x - x * k / 65535 + k;
                    out[c] = s.targetBits == 8 ? 255 - ink * 255 / 65535 : 65535 - ink;
                }
            }
            rgb(out[0], out[1], out[2]);
            break;
        }
        case slCIELab: {
            long double L = src.value(p, 0, swap);
            if (s.sourceOptions & cfLabByteRange) L /= 2.55L;
            auto chroma = [&](uint32_t v) -> long double {
                return (s.sourceOptions & cfLabChromaOffset) ? static_cast<long double>(v) - 128
                                                             : static_cast<int8_t>(v & 0xFF);
            };
            const long double a = chroma(src.value(p, 1, swap)), b = chroma(src.value(p, 2, swap));
            long double X, Y, Z;
            if (L < 7.9996L) {
                Y = L / 903.3L;
                X = a / 3893.5L + Y;
                Z = Y - b / 1557.4L;
            } else {
                const long double y3 = (L + 16) / 116;
                X = (y3 + a / 500) * (y3 + a / 500) * (y3 + a / 500);
                Y = y3 * y3 * y3;
                Z = (y3 - b / 200) * (y3 - b / 200) * (y3 - b / 200);
            }
            auto c = [&](long double v) -> uint32_t {
                const uint32_t byte = Clamp(std::nearbyint(255 * v));
                return s.targetBits == 16 ? byte * 257 : byte;
            };
            rgb(c(2.998L * X - 1.458L * Y - 0.541L * Z), c(-0.952L * X + 1.893L * Y + 0.059L * Z),
                c(0.099L * X - 0.198L * Y + 1.099L * Z));
            break;
        }
        default: {  // YCbCr and Photo YCC
            if (s.sourceBits == 16 && s.targetBits == 16) {
                const double y = 1.3584 * src.value(p, 0, swap);
                const double c1 = static_cast<double>(src.value(p, 1, swap)) - 40092;
                const double c2 = static_cast<double>(src.value(p, 2, swap)) - 35209;
                auto w = [](double v) { return static_cast<uint32_t>(std::nearbyint(v < 0 ? 0 : v > 65535 ? 65535 : v)); };
                rgb(w(y + 1.8215 * c2), w(y - 0.9271435 * c2 - 0.4302726 * c1), w(y + 2.2179 * c1));
                break;
            }
            auto byte = [&](int k) {
                const uint32_t v = src.value(p, k, swap);
                return s.sourceBits == 16 ? v * 255 / 65535 : v;
            };
            const int y = static_cast<int>(byte(0));
            const bool photo = s.source == slPhotoYCC;
            const float cr = static_cast<float>(static_cast<int>(byte(2)) - (photo ? 137 : 128));
            const float cb = static_cast<float>(static_cast<int>(byte(1)) - (photo ? 156 : 128));
            const float f1 = 2 - 2 * 0.299f, f3 = 2 - 2 * 0.114f;
            const float f2 = 0.299f * f1 / 0.587f, f4 = 0.114f * f3 / 0.587f;
            auto r8 = [](float v) { return static_cast<int>(std::nearbyint(v)); };
            const uint32_t r = Clamp(y + r8(f1 * cr));
            const uint32_t g = Clamp(y - r8(f4 * cb) - r8(f2 * cr));
            const uint32_t b = Clamp(y + r8(f3 * cb));
            if (s.targetBits == 16) rgb(r * 257, g * 257, b * 257); else rgb(r, g, b);
        }
        }
    }
}

std::string Describe(const Settings& s, uint32_t count, uint8_t mask) {
    return "scheme " + std::to_string(s.source) + " -> " + std::to_string(s.target) + ", bits " +
           std::to_string(s.sourceBits) + " -> " + std::to_string(s.targetBits) + ", options " +
           std::to_string(s.sourceOptions) + "/" + std::to_string(s.targetOptions) + (s.planar ? ", planar" : "") +
           ", count " + std::to_string(count) + ", mask " + std::to_string(mask);
}

// Every combination the converters handle, each with a few random rows.
std::vector<Settings> AllSettings() {
    std::vector<Settings> all;
    const TConversionFlags sourceOptions[] = {0, cfByteSwap};
    const TConversionFlags targetOptions[] = {0, cfApplyGamma};
    for (TSampleLayout src : {slRGB, slRGBA, slBGR, slBGRA})
        for (TSampleLayout dst : {slRGB, slRGBA, slBGR, slBGRA})
            for (int sb : {8, 16})
                for (int tb : {8, 16})
                    for (auto so : sourceOptions)
                        for (auto to : targetOptions)
                            for (bool planar : {false, true}) all.push_back({src, dst, sb, tb, so, to, planar});
    for (int sb : {8, 16})
        for (int tb : {8, 16})
            for (auto so : sourceOptions) {
                all.push_back({slGrayAlpha, slGray, sb, tb, so, 0, false});
                if (sb == 16 || tb == 16) all.push_back({slGray, slGray, sb, tb, so, 0, false});
                if (sb == 16 || tb == 16) all.push_back({slIndexed, slIndexed, sb, tb, so, 0, false});
            }
    for (int sb : {1, 2, 4, 8})
        for (int tb : {1, 2, 4, 8}) {
            all.push_back({slIndexed, slIndexed, sb, tb, 0, 0, false});
            all.push_back({slGray, slGray, sb, tb, 0, 0, false});
            all.push_back({slIndexed, slIndexed, 16, tb, cfByteSwap, 0, false});
            all.push_back({slIndexed, slIndexed, sb, 16, cfByteSwap, 0, false});
        }
    for (TSampleLayout src : {slCMYK, slCIELab, slYCbCr, slPhotoYCC})
        for (TSampleLayout dst : {slRGB, slBGRA})
            for (int sb : {8, 16})
                for (int tb : {8, 16})
                    for (auto so : sourceOptions)
                        for (bool planar : {false, true}) {
                            all.push_back({src, dst, sb, tb, so, 0, planar});
                            if (src == slCIELab)
                                all.push_back({src, dst, sb, tb, static_cast<TConversionFlags>(so | cfLabByteRange |
                                                                                               cfLabChromaOffset),
                                               0, planar});
                        }
    return all;
}

TEST(RowConvertersTest, EveryConverterMatchesThePerPixelRules) {
    std::mt19937 rng(77);
    int checked = 0;
    for (const Settings& s : AllSettings()) {
        for (int round = 0; round < 6; ++round) {
            TColorManager m;
            m.SetSourceColorScheme(s.source);
            m.SetTargetColorScheme(s.target);
            m.SetSourceBitsPerSample(static_cast<uint8_t>(s.sourceBits));
            m.SetTargetBitsPerSample(static_cast<uint8_t>(s.targetBits));
            m.sourceOptions = s.sourceOptions;
            m.targetOptions = s.targetOptions;
            const uint32_t count = 1 + rng() % 37;
            const uint8_t mask = round == 0 ? 0xFF : static_cast<uint8_t>(rng());
            Source src;
            src.bytes = s.sourceBits == 16 ? 2 : 1;
            src.samples = SamplesOf(s.source);
            const bool planar = s.planar && src.samples > 1;
            const std::size_t bytesPerSample = static_cast<std::size_t>(src.bytes);
            const std::size_t planeBytes = s.sourceBits < 8 ? (count * static_cast<uint32_t>(s.sourceBits) + 7) / 8
                                                            : count * bytesPerSample;
            for (int k = 0; k < (planar ? src.samples : 1); ++k) {
                Bytes plane(planar ? planeBytes : planeBytes * static_cast<std::size_t>(src.samples));
                for (uint8_t& b : plane) b = static_cast<uint8_t>(rng());
                src.planes.push_back(std::move(plane));
            }
            const int targetPixel = (s.target == slIndexed || s.target == slGray) ? 1 : (HasAlpha(s.target) ? 4 : 3);
            const std::size_t targetBytes = s.targetBits < 8 ? count / static_cast<uint32_t>(8 / s.targetBits) + 1
                                                             : count * static_cast<uint32_t>(targetPixel * s.targetBits / 8);
            Bytes target(targetBytes);
            for (uint8_t& b : target) b = static_cast<uint8_t>(rng());
            Bytes expected = target;

            std::vector<const void*> pointers;
            for (const Bytes& p : src.planes) pointers.push_back(p.data());
            m.ConvertRow(pointers, target.data(), count, mask);
            Reference(s, m, src, count, mask, expected);
            SCOPED_TRACE(Describe(s, count, mask));
            if (s.source == slCIELab) {
                for (std::size_t i = 0; i < target.size(); ++i) ASSERT_NEAR(target[i], expected[i], 1) << "byte " << i;
            } else {
                ASSERT_EQ(target, expected);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace img
