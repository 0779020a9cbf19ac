// Device-independent bitmaps: the pixels of every format the image readers
// produce, with a palette for the indexed formats. Rows are stored top row
// first, each padded to a multiple of 4 bytes.
//
// Pixel layouts (bytes of one row, left to right):
// - pf1bit: 8 pixels a byte, the leftmost in the highest bit; palette index.
// - pf4bit: 2 pixels a byte, the leftmost in the high nibble; palette index.
// - pf8bit: one palette index a byte.
// - pf15bit: one little-endian 16-bit word a pixel, x1r5g5b5 (blue in the
//   low 5 bits, the top bit unused).
// - pf24bit: blue, green, red.
// - pf32bit: blue, green, red, alpha (alpha counts only when `hasAlpha`).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Graphic.h"
#include "platform/gfx/Palette.h"

namespace gfx {

enum class PixelFormat : uint8_t { pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit, pfCustom };

// Bits of one pixel: 1, 4, 8, 16, 24 or 32; 0 for pfCustom.
int bitsPerPixel(PixelFormat pf);
// True for the formats whose pixels are palette indices.
inline bool isIndexed(PixelFormat pf) { return pf == PixelFormat::pf1bit || pf == PixelFormat::pf4bit || pf == PixelFormat::pf8bit; }
// Bytes of one row of `width` pixels, padded to 4; 0 for pfCustom.
int64_t bytesPerLine(int64_t width, PixelFormat pf);

// The largest bitmap: each side at most 65535 pixels and at most 2^28
// pixels in all. Readers check a header's size against it before they
// allocate anything for it.
inline constexpr int MaxBitmapSide = 65535;
inline constexpr int64_t MaxBitmapPixels = int64_t{1} << 28;
// True when a bitmap of this size may be made: both sides at least 1 and
// within the limits above.
bool bitmapSizeAllowed(int64_t width, int64_t height);

// The stage of a progress notice: a long operation raises one starting
// notice, running notices with a percentage, and one ending notice.
enum class ProgressStage : uint8_t { Starting, Running, Ending };
// Receives progress notices: stage, percent done (0 to 100), the part of the
// bitmap that changed, and a message for the user.
using ProgressHandler = std::function<void(ProgressStage, int percent, const Rect& rect, const std::string& message)>;

class Bitmap : public Graphic {
public:
    // An empty bitmap of format pf24bit.
    Bitmap();
    // A bitmap of the given size and format, all bytes zero (see setSize).
    Bitmap(int width, int height, PixelFormat pf = PixelFormat::pf24bit);
    // Copies and moves take pixels, format, palette and flags; the progress
    // handler stays with the object it was set on. A bitmap moved from is
    // empty.
    Bitmap(const Bitmap&) = default;
    Bitmap& operator=(const Bitmap&) = default;
    Bitmap(Bitmap&&) noexcept;
    Bitmap& operator=(Bitmap&&) noexcept;
    ~Bitmap() override;

    int width() const override { return width_; }
    int height() const override { return height_; }
    bool empty() const override { return width_ == 0; }

    PixelFormat pixelFormat() const { return format_; }
    // Changes the format, converting the pixels: indexed pixels through the
    // palette; 15-bit channels to 8 bits by repeating their high bits (31
    // gives 255); 24 to 32 bits with alpha 255, 32 to 24 dropping alpha. To
    // an indexed format, pixels take the nearest colour of the palette (the
    // bitmap's own when it fits the format, otherwise the format's default;
    // indices of a smaller indexed format are kept as they are).
    // pfCustom raises EInvalidGraphic "Invalid pixel format".
    void setPixelFormat(PixelFormat pf);

    // Makes the bitmap width x height. Pixels of the old size that lie inside
    // the new one are kept; new pixels are zero. A side below 1 or a size
    // beyond the limits raises EInvalidGraphic before anything is allocated;
    // running out of memory raises EOutOfResources. Either leaves the bitmap
    // as it was.
    void setSize(int width, int height);
    // Makes the bitmap width x height for a reader that writes every row
    // whole right after: no pixel is kept or cleared (only the padding at
    // the end of each row is). Checks as setSize; when the memory cannot be
    // had the bitmap is left empty.
    void setSizeForOverwrite(int width, int height);
    // Makes the bitmap empty (0 x 0); the format and palette stay.
    void clear();

    int bitsPerPixel() const { return gfx::bitsPerPixel(format_); }
    int bytesPerLine() const { return stride_; }
    // The bytes of row y, top row 0. A row outside the bitmap raises
    // EInvalidGraphic "Scan line index out of range".
    uint8_t* scanLine(int y);
    const uint8_t* scanLine(int y) const;
    // All rows, top row first, `bytesPerLine` apart.
    uint8_t* bits() { return pixels_.data(); }
    const uint8_t* bits() const { return pixels_.data(); }

    // The colour of a pixel (through the palette for indexed formats);
    // clNone outside the bitmap.
    Color pixel(int x, int y) const;
    // Sets a pixel to a colour (the nearest palette entry for indexed
    // formats); nothing outside the bitmap. Special colour values are
    // resolved with the default system colours first.
    void setPixel(int x, int y, Color c);

    // The palette of the indexed formats. A new bitmap has black and white
    // (pf1bit), the 16 standard colours (pf4bit), or the 16 standard colours
    // followed by 240 black entries (pf8bit).
    const Palette& palette() const { return palette_; }
    void setPalette(const Palette& palette) { palette_ = palette; }
    // The default palette of a format (empty for the true-colour formats).
    static Palette defaultPalette(PixelFormat pf);

    // Whether the alpha bytes of a pf32bit bitmap count; off by default, so
    // that 32-bit bitmaps draw opaque.
    bool hasAlpha() const { return hasAlpha_; }
    void setHasAlpha(bool on) { hasAlpha_ = on; }

    // A copy in another format (see setPixelFormat).
    Bitmap convertedTo(PixelFormat pf) const;
    // Becomes a copy of `other` (pixels, format, palette, alpha flag).
    void assign(const Bitmap& other) { *this = other; }

    // Progress notices of long operations on the bitmap (loading).
    void setProgressHandler(ProgressHandler handler) { progress_.handler = std::move(handler); }
    // Raises a progress notice; nothing without a handler.
    void progress(ProgressStage stage, int percent, const Rect& rect, const std::string& message) const;

    // Graphic.
    void draw(Canvas& canvas, const Rect& rect) const override;
    // Reads nothing: a plain bitmap has no file format of its own (the Qt
    // side and the image library add the formats). Raises EInvalidGraphic.
    void loadFromStream(Stream& stream) override;
    std::unique_ptr<Graphic> clone() const override;
    Bitmap toBitmap() const override { return *this; }

private:
    // The pixel bytes: one block, left uninitialised when made (its rows are
    // written whole right after, or `setSize` clears them), and copied with
    // one memcpy, not byte by byte through an allocator, which at low
    // optimisation made a copy of a large picture take seconds.
    class PixelBytes {
    public:
        PixelBytes() = default;
        PixelBytes(const PixelBytes& o);
        PixelBytes(PixelBytes&& o) noexcept : size_(std::exchange(o.size_, 0)), data_(std::move(o.data_)) {}
        PixelBytes& operator=(const PixelBytes& o);
        PixelBytes& operator=(PixelBytes&& o) noexcept;
        uint8_t* data() { return data_.get(); }
        const uint8_t* data() const { return data_.get(); }
        std::size_t size() const { return size_; }
        // Replaces the block by one of `size` uninitialised bytes.
        void allocate(std::size_t size);
        void clear() noexcept;

    private:
        std::size_t size_ = 0;
        std::unique_ptr<uint8_t[]> data_;
    };
    // Makes the pixel memory for width x height without clearing it.
    void allocate(int width, int height);

    // The progress handler, which copies and moves leave where it is.
    struct ProgressSlot {
        ProgressSlot() = default;
        ProgressSlot(const ProgressSlot&) {}
        ProgressSlot& operator=(const ProgressSlot&) { return *this; }
        ProgressHandler handler;
    };

    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
    bool hasAlpha_ = false;
    Palette palette_;
    PixelBytes pixels_;
    ProgressSlot progress_;
};

}  // namespace gfx
