// The row converters for pixels that are already red, green and blue (in
// either order), grey, or palette indices.
#include <array>

#include "imageformats/ImageColorRows.h"

namespace img::rows {

namespace {

// ---- Red, green and blue --------------------------------------------------

// Writes the three colour samples in the target's order (the source's
// sample k goes to position k, or 2 - k when the orders differ) and the alpha
// sample when both sides carry one. `color` and `alpha` turn a source sample
// into a target sample.
template <class D, class Src, class ColorFn, class AlphaFn>
void RgbPixels(Src src, uint8_t* target, std::size_t targetStep, uint32_t count, uint8_t mask, bool reverse,
               bool copyAlpha, ColorFn color, AlphaFn alpha) {
    const int first = reverse ? 2 : 0, last = reverse ? 0 : 2;
    constexpr std::size_t w = sizeof(D);
    if (copyAlpha) {
        ForMasked(target, targetStep, count, mask, [&](uint8_t* t) {
            StoreSample<D>(t, color(src[first]));
            StoreSample<D>(t + w, color(src[1]));
            StoreSample<D>(t + 2 * w, color(src[last]));
            StoreSample<D>(t + 3 * w, alpha(src[3]));
            src.next();
        });
    } else {
        ForMasked(target, targetStep, count, mask, [&](uint8_t* t) {
            StoreSample<D>(t, color(src[first]));
            StoreSample<D>(t + w, color(src[1]));
            StoreSample<D>(t + 2 * w, color(src[last]));
            src.next();
        });
    }
}

// 16-bit samples to 8 bits, swapped first and gamma corrected after as the
// template says.
template <bool Swap, bool Gamma>
struct From16 {
    const uint8_t* gamma;
    uint8_t operator()(uint16_t v) const {
        const uint8_t b = Scale16To8(Swap ? Swap16(v) : v);
        return Gamma ? gamma[b] : b;
    }
};

// 8-bit samples to 16 bits: gamma corrected first, swapped after.
template <bool Swap, bool Gamma>
struct To16 {
    const uint8_t* gamma;
    uint16_t operator()(uint8_t v) const {
        const uint16_t w = Scale8To16(Gamma ? gamma[v] : v);
        return Swap ? Swap16(w) : w;
    }
};

struct Pass8 {
    uint8_t operator()(uint8_t v) const { return v; }
};
struct Gamma8 {
    const uint8_t* gamma;
    uint8_t operator()(uint8_t v) const { return gamma[v]; }
};
template <bool Swap>
struct Word16 {
    uint16_t operator()(uint16_t v) const { return Swap ? Swap16(v) : v; }
};

// One routine for the four orders: the sample routines are chosen here,
// once for the row, by the depths and the options.
void RowRGBFamily(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask,
                  bool reverse) {
    const bool sourceAlpha = (m.sourceOptions & cfAlpha) != 0;
    const bool targetAlpha = (m.targetOptions & cfAlpha) != 0;
    const bool copyAlpha = sourceAlpha && targetAlpha;
    const bool gamma = (m.targetOptions & cfApplyGamma) != 0;
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    const int sourceSamples = sourceAlpha ? 4 : 3;
    const int planes = copyAlpha ? 4 : 3;
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const std::size_t targetStep = static_cast<std::size_t>(targetAlpha ? 4 : 3) * (t == 16 ? 2 : 1);
    const uint8_t* g = m.GammaTable().data();

    if (s == 8 && t == 8) {
        // The plain case is one block copy.
        if (!reverse && !gamma && mask == 0xFF && sources.count == 1 && sourceAlpha == targetAlpha) {
            std::memcpy(target, sources.pointers[0], static_cast<std::size_t>(count) * targetStep);
            return;
        }
        WithSources<uint8_t>(sources, sourceSamples, planes, [&](auto src) {
            if (gamma)
                RgbPixels<uint8_t>(src, target, targetStep, count, mask, reverse, copyAlpha, Gamma8{g}, Pass8{});
            else
                RgbPixels<uint8_t>(src, target, targetStep, count, mask, reverse, copyAlpha, Pass8{}, Pass8{});
        });
    } else if (s == 16 && t == 8) {
        WithSources<uint16_t>(sources, sourceSamples, planes, [&](auto src) {
            auto run = [&](auto color, auto alpha) {
                RgbPixels<uint8_t>(src, target, targetStep, count, mask, reverse, copyAlpha, color, alpha);
            };
            if (swap && gamma) run(From16<true, true>{g}, From16<true, false>{g});
            else if (gamma) run(From16<false, true>{g}, From16<false, false>{g});
            else if (swap) run(From16<true, false>{g}, From16<true, false>{g});
            else run(From16<false, false>{g}, From16<false, false>{g});
        });
    } else if (s == 8 && t == 16) {
        WithSources<uint8_t>(sources, sourceSamples, planes, [&](auto src) {
            auto run = [&](auto color, auto alpha) {
                RgbPixels<uint16_t>(src, target, targetStep, count, mask, reverse, copyAlpha, color, alpha);
            };
            if (swap && gamma) run(To16<true, true>{g}, To16<true, false>{g});
            else if (gamma) run(To16<false, true>{g}, To16<false, false>{g});
            else if (swap) run(To16<true, false>{g}, To16<true, false>{g});
            else run(To16<false, false>{g}, To16<false, false>{g});
        });
    } else if (s == 16 && t == 16) {
        WithSources<uint16_t>(sources, sourceSamples, planes, [&](auto src) {
            if (swap)
                RgbPixels<uint16_t>(src, target, targetStep, count, mask, reverse, copyAlpha, Word16<true>{},
                                    Word16<true>{});
            else
                RgbPixels<uint16_t>(src, target, targetStep, count, mask, reverse, copyAlpha, Word16<false>{},
                                    Word16<false>{});
        });
    }
}

// ---- Grey -------------------------------------------------------------------

// Grey of 8 or 16 bits, with or without an alpha sample (skipped), to one
// grey sample of 8 or 16 bits. No gamma.
void RowGray(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask) {
    const bool alpha = (m.sourceOptions & cfAlpha) != 0;
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const std::size_t sourceStep = static_cast<std::size_t>(alpha ? 2 : 1) * (s == 16 ? 2 : 1);
    const uint8_t* src = sources.pointers[0];
    auto each = [&](auto convert) {
        ForMasked(target, t == 16 ? 2 : 1, count, mask, [&](uint8_t* p) {
            convert(p, src);
            src += sourceStep;
        });
    };
    if (s == 8 && t == 8) {
        if (!alpha && mask == 0xFF) {
            std::memcpy(target, src, count);
            return;
        }
        each([](uint8_t* p, const uint8_t* q) { *p = *q; });
    } else if (s == 8 && t == 16) {
        each([](uint8_t* p, const uint8_t* q) { StoreSample<uint16_t>(p, Scale8To16(*q)); });
    } else if (s == 16 && t == 8) {
        if (swap)
            each([](uint8_t* p, const uint8_t* q) { *p = Scale16To8(Swap16(LoadSample<uint16_t>(q))); });
        else
            each([](uint8_t* p, const uint8_t* q) { *p = Scale16To8(LoadSample<uint16_t>(q)); });
    } else if (s == 16 && t == 16) {
        if (swap)
            each([](uint8_t* p, const uint8_t* q) { StoreSample<uint16_t>(p, Swap16(LoadSample<uint16_t>(q))); });
        else
            each([](uint8_t* p, const uint8_t* q) { std::memcpy(p, q, 2); });
    }
}

// ---- Palette indices ----------------------------------------------------

// Reads samples of 1 to 8 bits packed from the most significant bit of each
// byte, one after the other.
class PackedReader {
public:
    PackedReader(const uint8_t* p, int bits) : p_(p), bits_(bits) {}
    unsigned next() {
        unsigned v = 0;
        for (int need = bits_; need > 0;) {
            const int take = need < left_ ? need : left_;
            left_ -= take;
            need -= take;
            v = (v << take) | ((*p_ >> left_) & ((1u << take) - 1));
            if (left_ == 0) {
                ++p_;
                left_ = 8;
            }
        }
        return v;
    }

private:
    const uint8_t* p_;
    int bits_;
    int left_ = 8;  // unread bits of the current byte
};

// Writes samples of 1 to 8 bits, 8 div bits of them into each byte from its
// most significant bit on, keeping the other bits of the byte. Every pixel of
// the row moves the position on, written or not.
class PackedWriter {
public:
    PackedWriter(uint8_t* p, int bits) : p_(p), bits_(bits), perByte_(8 / bits), shift_(8 - bits) {}
    void put(unsigned v) {
        const unsigned field = ((1u << bits_) - 1) << shift_;
        *p_ = static_cast<uint8_t>((*p_ & ~field) | ((v << shift_) & field));
    }
    void next() {
        if (++inByte_ == perByte_) {
            inByte_ = 0;
            ++p_;
            shift_ = 8 - bits_;
        } else {
            shift_ -= bits_;
        }
    }

private:
    uint8_t* p_;
    int bits_;
    int perByte_;
    int shift_;
    int inByte_ = 0;
};

// The pixels of a row under the mask, for converters that step through the
// row themselves: `pixel()` for each converted pixel, `next()` after every
// pixel.
template <class Pixel, class Next>
inline void ForMaskedSteps(uint32_t count, uint8_t mask, Pixel&& pixel, Next&& next) {
    unsigned probe = 0x80;
    for (uint32_t i = 0; i < count; ++i) {
        if (mask & probe) pixel();
        next();
        probe = probe == 1 ? 0x80 : probe >> 1;
    }
}

// Indices (or grey levels) of 1 to 8 bits to indices of 1 to 8 bits, scaled
// from the source's range to the target's as the palette resampling of the
// manager does.
void RowIndexed8(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count, uint8_t mask) {
    const int s = m.SourceBitsPerSample(), t = m.TargetBitsPerSample();
    const uint8_t* src = sources.pointers[0];
    if (s == t && mask == 0xFF) {
        std::memcpy(target, src, (static_cast<std::size_t>(s) * count + 7) / 8);
        return;
    }
    if (s == 8 && t == 8) {
        ForMasked(target, 1, count, mask, [&](uint8_t* p) { *p = *src++; });
        return;
    }
    const unsigned sourceMax = (1u << s) - 1, targetMax = (1u << t) - 1;
    std::array<uint8_t, 256> scaled{};
    for (unsigned v = 0; v <= sourceMax; ++v)
        scaled[v] = static_cast<uint8_t>(MulDivWord(static_cast<uint16_t>(v), static_cast<uint16_t>(targetMax),
                                                    static_cast<uint16_t>(sourceMax)));
    PackedReader in(src, s);
    PackedWriter out(target, t);
    ForMaskedSteps(count, mask, [&] { out.put(scaled[in.next()]); }, [&] { out.next(); });
}

void RowIndexed16To16(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count,
                      uint8_t mask) {
    const uint8_t* src = sources.pointers[0];
    if (m.sourceOptions & cfByteSwap) {
        ForMasked(target, 2, count, mask, [&](uint8_t* p) {
            StoreSample<uint16_t>(p, Swap16(LoadSample<uint16_t>(src)));
            src += 2;
        });
    } else if (mask == 0xFF) {
        std::memcpy(target, src, static_cast<std::size_t>(count) * 2);
    } else {
        ForMasked(target, 2, count, mask, [&](uint8_t* p) {
            std::memcpy(p, src, 2);
            src += 2;
        });
    }
}

void RowIndexed16To8(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count,
                     uint8_t mask) {
    const int t = m.TargetBitsPerSample();
    const uint16_t targetMax = static_cast<uint16_t>((1u << t) - 1);
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    const uint8_t* src = sources.pointers[0];
    PackedWriter out(target, t);
    ForMaskedSteps(
        count, mask,
        [&] {
            uint16_t w = LoadSample<uint16_t>(src);
            src += 2;
            out.put(MulDivWord(swap ? Swap16(w) : w, targetMax, 65535));
        },
        [&] { out.next(); });
}

void RowIndexed8To16(const TColorManager& m, const RowSources& sources, uint8_t* target, uint32_t count,
                     uint8_t mask) {
    const int s = m.SourceBitsPerSample();
    const uint16_t sourceMax = static_cast<uint16_t>((1u << s) - 1);
    const bool swap = (m.sourceOptions & cfByteSwap) != 0;
    PackedReader in(sources.pointers[0], s);
    ForMasked(target, 2, count, mask, [&](uint8_t* p) {
        const uint16_t w = MulDivWord(static_cast<uint16_t>(in.next()), 65535, sourceMax);
        StoreSample<uint16_t>(p, swap ? Swap16(w) : w);
    });
}

// A converter of the form that takes the order as its last argument, bound
// to one order.
template <void (*Convert)(const TColorManager&, const RowSources&, uint8_t*, uint32_t, uint8_t, bool), bool Flag>
void InOrder(const TColorManager& m, const RowSources& s, uint8_t* t, uint32_t count, uint8_t mask) {
    Convert(m, s, t, count, mask, Flag);
}

}  // namespace

RowFunction RowFunctionOf(TRowConverter kind) {
    switch (kind) {
    case TRowConverter::None: return nullptr;
    // The RGB family is one routine: only whether the order flips matters.
    case TRowConverter::RowRGBToRGB:
    case TRowConverter::RowBGRToBGR: return InOrder<RowRGBFamily, false>;
    case TRowConverter::RowRGBToBGR:
    case TRowConverter::RowBGRToRGB: return InOrder<RowRGBFamily, true>;
    case TRowConverter::RowGray: return RowGray;
    case TRowConverter::RowIndexed8: return RowIndexed8;
    case TRowConverter::RowIndexed16To16: return RowIndexed16To16;
    case TRowConverter::RowIndexed16To8: return RowIndexed16To8;
    case TRowConverter::RowIndexed8To16: return RowIndexed8To16;
    case TRowConverter::RowCMYKToRGB: return InOrder<RowCMYK, false>;
    case TRowConverter::RowCMYKToBGR: return InOrder<RowCMYK, true>;
    case TRowConverter::RowLabToRGB: return InOrder<RowLab, false>;
    case TRowConverter::RowLabToBGR: return InOrder<RowLab, true>;
    // Photo YCC differs from YCbCr only in the tables the manager built.
    case TRowConverter::RowYCbCrToRGB:
    case TRowConverter::RowPhotoYCCToRGB: return InOrder<RowYCbCr, false>;
    case TRowConverter::RowYCbCrToBGR:
    case TRowConverter::RowPhotoYCCToBGR: return InOrder<RowYCbCr, true>;
    }
    return nullptr;
}

std::size_t PlanesNeeded(const TColorManager& m, TRowConverter kind) {
    switch (kind) {
    case TRowConverter::RowRGBToRGB:
    case TRowConverter::RowRGBToBGR:
    case TRowConverter::RowBGRToRGB:
    case TRowConverter::RowBGRToBGR:
        return (m.sourceOptions & cfAlpha) && (m.targetOptions & cfAlpha) ? 4 : 3;
    case TRowConverter::RowLabToRGB:
    case TRowConverter::RowLabToBGR:
    case TRowConverter::RowYCbCrToRGB:
    case TRowConverter::RowYCbCrToBGR:
    case TRowConverter::RowPhotoYCCToRGB:
    case TRowConverter::RowPhotoYCCToBGR: return 3;
    default: return 0;  // CMYK takes any number; grey and indices read the first pointer only
    }
}

}  // namespace img::rows
