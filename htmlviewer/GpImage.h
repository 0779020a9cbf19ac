// The viewer's platform images: PNG pictures, decoded by the PNG reader of
// the picture registry into a 32-bit bitmap whose alpha comes from the file
// (its alpha channel or its tRNS chunk) and drawn blended over what is
// under them. `TGpImage` is such an image, `TGpGraphics` draws it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Graphic.h"

namespace gfx {
class Canvas;
}

// An image that cannot be found, read or drawn.
class EGDIPlus : public gfx::Error {
public:
    using gfx::Error::Error;
};

// True when platform images can be made: a PNG reader is registered.
bool GDIPlusActive();

// What a PNG file says about transparency, read from its IHDR and tRNS
// chunks: the colour type and bit depth, and either one alpha value per
// palette entry (colour type 3) or the transparent grey or RGB value.
struct PngTransparency {
    int ColorType = -1;
    int BitDepth = 0;
    std::vector<uint8_t> PaletteAlpha;
    bool HasKey = false;
    uint16_t KeyRed = 0, KeyGreen = 0, KeyBlue = 0;  // the grey value in all three
};
// Reads the chunks before the image data; a file that is no PNG, or a chunk
// that runs past the end, gives what was read so far.
PngTransparency ReadPngTransparency(std::span<const uint8_t> png);
// Gives a decoded PNG the transparency of its file when the reader that
// decoded it did not: palette entries' alpha, or alpha 0 for the pixels of
// the transparent grey or RGB value; the bitmap becomes pf32bit with alpha.
// A bitmap that already has alpha is left as it is.
void ApplyPngTransparency(gfx::Bitmap& bitmap, const PngTransparency& transparency);
// Decodes PNG bytes through the registered PNG reader and applies the
// transparency of the file. Raises the reader's error.
gfx::Bitmap DecodePngImage(std::span<const uint8_t> png);

class TGpImage : public gfx::Graphic {
public:
    // Loads a PNG file: EGDIPlus "Image file <name> not found." when it does
    // not exist, "Can't load image file <name>." when it cannot be read.
    explicit TGpImage(const std::string& fileName);
    // The same, and the file is deleted when the image is freed.
    static std::unique_ptr<TGpImage> CreateTemporary(const std::string& fileName);
    // An image of PNG bytes (a stream the application supplied).
    static std::unique_ptr<TGpImage> FromBytes(std::span<const uint8_t> png);
    ~TGpImage() override;
    TGpImage(const TGpImage& other);
    TGpImage& operator=(const TGpImage&) = delete;

    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }
    // The decoded pixels (pf32bit with alpha, or opaque).
    const gfx::Bitmap& Bitmap() const { return Image; }

    // Graphic.
    int width() const override { return Width(); }
    int height() const override { return Height(); }
    void draw(gfx::Canvas& canvas, const gfx::Rect& rect) const override;
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override { return std::make_unique<TGpImage>(*this); }
    gfx::Bitmap toBitmap() const override { return Image; }

private:
    TGpImage() = default;

    gfx::Bitmap Image;
    std::string TemporaryFile;
};

// Draws platform images on a canvas, for one drawing call.
class TGpGraphics {
public:
    explicit TGpGraphics(gfx::Canvas& canvas) : Canvas(canvas) {}
    // Draws the image stretched to the rectangle, blended by its alpha.
    void DrawImage(const TGpImage& image, int x, int y, int width, int height);

private:
    gfx::Canvas& Canvas;
};
