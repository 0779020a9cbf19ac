#include "platform/gfx/Palette.h"

#include <algorithm>
#include <limits>

namespace gfx {

Palette::Palette(int count) { resize(count); }

Palette::Palette(std::vector<PaletteEntry> entries) : entries_(std::move(entries)) {
    if (entries_.size() > MaxEntries) entries_.resize(MaxEntries);
}

void Palette::resize(int count) { entries_.resize(static_cast<std::size_t>(std::clamp(count, 0, MaxEntries))); }

Color Palette::color(int index) const {
    if (index < 0 || index >= count()) return clBlack;
    const PaletteEntry& e = entries_[static_cast<std::size_t>(index)];
    return rgb(e.r, e.g, e.b);
}

int Palette::nearestIndex(Color c) const {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < count(); ++i) {
        const PaletteEntry& e = entries_[static_cast<std::size_t>(i)];
        const int dr = e.r - redOf(c), dg = e.g - greenOf(c), db = e.b - blueOf(c);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return best;
}

Palette Palette::gray(int bits, bool minIsWhite) {
    bits = std::clamp(bits, 1, 8);
    const int count = 1 << bits;
    const int step = 255 / (count - 1);
    Palette p(count);
    for (int i = 0; i < count; ++i) {
        const auto level = static_cast<uint8_t>(i * step);
        p[minIsWhite ? count - 1 - i : i] = {level, level, level};
    }
    return p;
}

Palette Palette::standard16() {
    static const Color colors[16] = {clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clSilver,
                                     clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
    Palette p(16);
    for (int i = 0; i < 16; ++i) p[i] = {redOf(colors[i]), greenOf(colors[i]), blueOf(colors[i])};
    return p;
}

}  // namespace gfx
