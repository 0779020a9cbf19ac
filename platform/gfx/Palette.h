// Palettes of indexed bitmaps: up to 256 entries of red, green and blue.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Color.h"

namespace gfx {

struct PaletteEntry {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class Palette {
public:
    static constexpr int MaxEntries = 256;

    Palette() = default;
    // `count` black entries (at most 256).
    explicit Palette(int count);
    explicit Palette(std::vector<PaletteEntry> entries);

    int count() const { return static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    // The number of entries becomes `count` (at most 256); new entries are
    // black.
    void resize(int count);
    const PaletteEntry& operator[](int index) const { return entries_[static_cast<std::size_t>(index)]; }
    PaletteEntry& operator[](int index) { return entries_[static_cast<std::size_t>(index)]; }
    const std::vector<PaletteEntry>& entries() const { return entries_; }
    // Entry `index` as a colour value; black for an index beyond the palette.
    Color color(int index) const;
    // The entry nearest to `c` (squared distance of the channels; the first
    // of equal ones). 0 for an empty palette.
    int nearestIndex(Color c) const;

    // 2^bits grey levels from black to white (white to black when
    // `minIsWhite`), bits 1 to 8: level i is i * (255 div (2^bits - 1)).
    static Palette gray(int bits, bool minIsWhite = false);
    // The 16 standard colours of the display: black, maroon, green, olive,
    // navy, purple, teal, silver (C0C0C0), grey (808080), red, lime, yellow,
    // blue, fuchsia, aqua and white.
    static Palette standard16();

    friend bool operator==(const Palette&, const Palette&) = default;

private:
    std::vector<PaletteEntry> entries_;
};

}  // namespace gfx
