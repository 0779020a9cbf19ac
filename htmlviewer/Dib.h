// What the viewer's images need on a display of 8 bits or fewer: the shared
// palette every document draws through, the device-independent copy of a
// bitmap (`TDib`) and the reduction of a bitmap's colours to a palette.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Palette.h"

// The colour depth the viewer works at, from the display's planes times
// bits per pixel: 4 below 5, 24 above 8, otherwise 8.
int ColorBitsOfDepth(int displayDepth);

// The display's own palette at the two ends of the shared palette: the 16
// standard colours, the first eight at the start and the last eight (white
// last) at the end; black between.
gfx::Palette SystemPalette();

// The shared palette of 256 entries made from `system`: entries 10 to 224
// are the 6 x 6 x 6 colour cube over the levels 55, 115, 165, 205, 235 and
// 255 (blue in the outer loop, red in the inner; white, the three 255s, is
// left out), entries 225 to 245 the greys 5 x k + 130 for k = 1 to 24 but 7,
// 15 and 21 (greys of the cube); the others stay as `system` has them.
gfx::Palette MakeSharedPalette(const gfx::Palette& system);

// A device-independent copy of a bitmap: a 40-byte information header, for 8
// bits a pixel or fewer a colour table of 4 bytes (blue, green, red, 0) for
// each of the 2^bits colours, and the rows bottom-up, each as many bytes as
// bits x width rounded up to whole 32-bit words. 15-bit and 32-bit bitmaps
// are kept at 24 bits. When the memory for the pixels cannot be had, the
// image cache drops every entry that no document uses and EOutOfResources
// "Out of Resources" is raised.
class TDib {
public:
    explicit TDib(const gfx::Bitmap& bitmap);

    int Width() const { return Width_; }
    int Height() const { return Height_; }
    // Bits a pixel: 1, 4, 8 or 24.
    int Bits() const { return Bits_; }
    // The bytes of one row.
    int RowSize() const { return RowSize_; }
    // The information header followed by the colour table.
    const std::vector<uint8_t>& Info() const { return Info_; }
    // The rows, the bottom one first.
    const std::vector<uint8_t>& Pixels() const { return Pixels_; }
    // The colour of a pixel (x, y), y counted from the top.
    gfx::Color Pixel(int x, int y) const;

private:
    int Width_ = 0;
    int Height_ = 0;
    int Bits_ = 24;
    int RowSize_ = 0;
    std::vector<uint8_t> Info_;
    std::vector<uint8_t> Pixels_;
};

// Maps colours to the nearest entries of a palette, through a table of
// 32 x 32 x 32 colours made once.
class TColorReducer {
public:
    explicit TColorReducer(gfx::Palette palette);
    const gfx::Palette& Palette() const { return Palette_; }
    uint8_t IndexOf(gfx::Color c) const {
        return Table[((gfx::redOf(c) >> 3) << 10) | ((gfx::greenOf(c) >> 3) << 5) | (gfx::blueOf(c) >> 3)];
    }
    // A bitmap of 8 bits a pixel with the palette, made from the bitmap
    // through a TDib.
    gfx::Bitmap Reduce(const gfx::Bitmap& bitmap) const;

private:
    gfx::Palette Palette_;
    std::vector<uint8_t> Table;
};
