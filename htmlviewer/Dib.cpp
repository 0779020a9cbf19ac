#include "htmlviewer/Dib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "htmlviewer/ImageCache.h"
#include "platform/gfx/Errors.h"

namespace {

// The size of the information header.
constexpr int InfoHeaderSize = 40;
// The levels of each channel of the colour cube.
constexpr uint8_t CubeLevels[6] = {55, 115, 165, 205, 235, 255};

void Put16(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

}  // namespace

int ColorBitsOfDepth(int displayDepth) {
    if (displayDepth < 5) return 4;
    if (displayDepth > 8) return 24;
    return 8;
}

gfx::Palette SystemPalette() {
    const gfx::Palette standard = gfx::Palette::standard16();
    gfx::Palette system(256);
    for (int i = 0; i < 8; ++i) {
        system[i] = standard[i];
        system[248 + i] = standard[8 + i];
    }
    return system;
}

gfx::Palette MakeSharedPalette(const gfx::Palette& system) {
    gfx::Palette palette = system;
    palette.resize(256);
    int i = 10;
    for (const uint8_t b : CubeLevels)
        for (const uint8_t g : CubeLevels)
            for (const uint8_t r : CubeLevels)
                if (r != 255 || g != 255 || b != 255) palette[i++] = {r, g, b};
    for (int k = 1; k <= 24; ++k) {
        if (k == 7 || k == 15 || k == 21) continue;
        const auto level = static_cast<uint8_t>(5 * k + 130);
        palette[i++] = {level, level, level};
    }
    return palette;
}

// ---- TDib ----------------------------------------------------------------------------

TDib::TDib(const gfx::Bitmap& bitmap) : Width_(bitmap.width()), Height_(bitmap.height()) {
    const gfx::PixelFormat pf = bitmap.pixelFormat();
    Bits_ = pf == gfx::PixelFormat::pf1bit ? 1 : pf == gfx::PixelFormat::pf4bit ? 4 : pf == gfx::PixelFormat::pf8bit ? 8 : 24;
    const int64_t rowSize = (int64_t{Bits_} * Width_ + 31) / 32 * 4;
    RowSize_ = static_cast<int>(rowSize);
    const int colors = Bits_ <= 8 ? 1 << Bits_ : 0;
    try {
        Info_.assign(static_cast<std::size_t>(InfoHeaderSize + 4 * colors), 0);
        Pixels_.assign(static_cast<std::size_t>(rowSize * Height_), 0);
    } catch (const std::bad_alloc&) {
        Info_.clear();
        Pixels_.clear();
        BitmapList().PurgeCache();
        throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    }
    Put32(Info_, 0, InfoHeaderSize);
    Put32(Info_, 4, static_cast<uint32_t>(Width_));
    Put32(Info_, 8, static_cast<uint32_t>(Height_));  // positive: the rows bottom-up
    Put16(Info_, 12, 1);                               // planes
    Put16(Info_, 14, static_cast<uint32_t>(Bits_));
    Put32(Info_, 20, static_cast<uint32_t>(Pixels_.size()));
    Put32(Info_, 32, static_cast<uint32_t>(colors));
    const gfx::Palette& palette = bitmap.palette();
    for (int c = 0; c < colors && c < palette.count(); ++c) {
        const std::size_t at = static_cast<std::size_t>(InfoHeaderSize + 4 * c);
        Info_[at] = palette[c].b;
        Info_[at + 1] = palette[c].g;
        Info_[at + 2] = palette[c].r;
    }
    for (int y = 0; y < Height_; ++y) {
        uint8_t* row = Pixels_.data() + static_cast<std::size_t>(Height_ - 1 - y) * static_cast<std::size_t>(RowSize_);
        const uint8_t* from = bitmap.scanLine(y);
        if (Bits_ <= 8 || pf == gfx::PixelFormat::pf24bit) {
            std::memcpy(row, from, static_cast<std::size_t>((int64_t{Bits_} * Width_ + 7) / 8));
        } else if (pf == gfx::PixelFormat::pf32bit) {
            for (int x = 0; x < Width_; ++x) std::memcpy(row + 3 * x, from + 4 * x, 3);
        } else {
            for (int x = 0; x < Width_; ++x) {
                const gfx::Color c = bitmap.pixel(x, y);
                row[3 * x] = gfx::blueOf(c);
                row[3 * x + 1] = gfx::greenOf(c);
                row[3 * x + 2] = gfx::redOf(c);
            }
        }
    }
}

gfx::Color TDib::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return gfx::clNone;
    const uint8_t* row = Pixels_.data() + static_cast<std::size_t>(Height_ - 1 - y) * static_cast<std::size_t>(RowSize_);
    if (Bits_ == 24) return gfx::rgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    const int perByte = 8 / Bits_;
    const int shift = 8 - Bits_ * (x % perByte + 1);
    const int index = (row[x / perByte] >> shift) & ((1 << Bits_) - 1);
    const uint8_t* entry = Info_.data() + InfoHeaderSize + 4 * index;
    return gfx::rgb(entry[2], entry[1], entry[0]);
}

// ---- Colour reduction ---------------------------------------------------------------------

TColorReducer::TColorReducer(gfx::Palette palette) : Palette_(std::move(palette)), Table(32 * 32 * 32) {
    for (int r = 0; r < 32; ++r)
        for (int g = 0; g < 32; ++g)
            for (int b = 0; b < 32; ++b)
                Table[static_cast<std::size_t>((r << 10) | (g << 5) | b)] = static_cast<uint8_t>(Palette_.nearestIndex(
                    gfx::rgb(static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 3 | g >> 2),
                             static_cast<uint8_t>(b << 3 | b >> 2))));
}

gfx::Bitmap TColorReducer::Reduce(const gfx::Bitmap& bitmap) const {
    if (bitmap.empty()) return bitmap;
    const TDib dib(bitmap);
    gfx::Bitmap reduced(dib.Width(), dib.Height(), gfx::PixelFormat::pf8bit);
    reduced.setPalette(Palette_);
    for (int y = 0; y < dib.Height(); ++y) {
        uint8_t* row = reduced.scanLine(y);
        for (int x = 0; x < dib.Width(); ++x) row[x] = IndexOf(dib.Pixel(x, y));
    }
    return reduced;
}
