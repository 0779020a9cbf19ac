// What the row converters of the colour manager share: the call form, the
// loop over the pixels of a row with its mask, and sample loads and stores.
// Only the colour manager and its converters include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "imageformats/ImageColor.h"

namespace img::rows {

// The source pointers of one row: one for interleaved samples, or one a
// plane. At least one; never null.
struct RowSources {
    const uint8_t* const* pointers;
    std::size_t count;
};

// A row converter: reads its settings from the manager, converts `count`
// pixels into `target` under the mask.
using RowFunction = void (*)(const TColorManager& manager, const RowSources& sources, uint8_t* target,
                             uint32_t count, uint8_t mask);

// The converter function of a kind; null for None.
RowFunction RowFunctionOf(TRowConverter kind);
// The number of planes a converter needs when given more than one source
// pointer (0 when it only ever reads the first pointer).
std::size_t PlanesNeeded(const TColorManager& manager, TRowConverter kind);

// Samples of 8 or 16 bits in host order, read and written at any alignment.
template <class T>
inline T LoadSample(const uint8_t* p) {
    if constexpr (sizeof(T) == 1) {
        return *p;
    } else {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
}
template <class T>
inline void StoreSample(uint8_t* p, T v) {
    if constexpr (sizeof(T) == 1)
        *p = v;
    else
        std::memcpy(p, &v, sizeof v);
}

inline uint16_t Swap16(uint16_t v) { return static_cast<uint16_t>((v >> 8) | (v << 8)); }
// A 16-bit sample to 8 bits (v * 255 div 65535).
inline uint8_t Scale16To8(uint16_t v) { return static_cast<uint8_t>(static_cast<uint32_t>(v) * 255 / 65535); }
// An 8-bit sample to 16 bits (v * 257).
inline uint16_t Scale8To16(uint8_t v) { return static_cast<uint16_t>(v * 257); }

// Runs `pixel(target)` for every pixel of the row whose mask bit is set,
// moving the target on by `targetStep` bytes for every pixel; `pixel` moves
// its sources on itself, so they advance only over converted pixels.
template <class Pixel>
inline void ForMasked(uint8_t* target, std::size_t targetStep, uint32_t count, uint8_t mask, Pixel&& pixel) {
    if (mask == 0xFF) {
        for (uint32_t i = 0; i < count; ++i, target += targetStep) pixel(target);
        return;
    }
    unsigned probe = 0x80;
    for (uint32_t i = 0; i < count; ++i, target += targetStep) {
        if (mask & probe) pixel(target);
        probe = probe == 1 ? 0x80 : probe >> 1;
    }
}

// The samples of interleaved pixels: sample k of the current pixel, then on
// to the next pixel `step` bytes further.
template <class T>
struct Interleaved {
    const uint8_t* p;
    std::size_t step;
    T operator[](int k) const { return LoadSample<T>(p + static_cast<std::size_t>(k) * sizeof(T)); }
    void next() { p += step; }
};

// The samples of planar pixels: sample k from plane k, every plane moving on
// by one sample a pixel. Holds up to four planes.
template <class T>
struct Planes {
    const uint8_t* p[4] = {nullptr, nullptr, nullptr, nullptr};
    int n = 0;
    T operator[](int k) const { return LoadSample<T>(p[k]); }
    void next() {
        for (int k = 0; k < n; ++k) p[k] += sizeof(T);
    }
};

// Calls `run` with the sources as Interleaved<T> (one pointer, `samples`
// samples a pixel) or as Planes<T> (the first `planes` pointers).
template <class T, class Run>
inline void WithSources(const RowSources& sources, int samples, int planes, Run&& run) {
    if (sources.count <= 1) {
        run(Interleaved<T>{sources.pointers[0], static_cast<std::size_t>(samples) * sizeof(T)});
        return;
    }
    Planes<T> p;
    p.n = planes < static_cast<int>(sources.count) ? planes : static_cast<int>(sources.count);
    for (int k = 0; k < p.n; ++k) p.p[k] = sources.pointers[k];
    run(p);
}

// The converters of the colour spaces (ImageColorSpaces.cpp).
void RowCMYK(const TColorManager&, const RowSources&, uint8_t*, uint32_t, uint8_t, bool bgr);
void RowLab(const TColorManager&, const RowSources&, uint8_t*, uint32_t, uint8_t, bool bgr);
void RowYCbCr(const TColorManager&, const RowSources&, uint8_t*, uint32_t, uint8_t, bool bgr);

}  // namespace img::rows
