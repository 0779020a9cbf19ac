#include "htmlviewer/GpImage.h"

#include <algorithm>
#include <cstdio>

#include "model/TextConv.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

namespace {

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t BigEndian16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// The palette index of a pixel of an indexed bitmap.
int IndexAt(const gfx::Bitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.scanLine(y);
    switch (bitmap.pixelFormat()) {
    case gfx::PixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case gfx::PixelFormat::pf4bit: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return row[x];
    }
}

// A transparent key sample as an 8-bit channel, as the reader scales it.
uint8_t KeyLevel(uint16_t key, int bitDepth) {
    if (bitDepth == 16) return static_cast<uint8_t>(key >> 8);
    if (bitDepth < 1 || bitDepth > 8) return static_cast<uint8_t>(key);
    const int max = (1 << bitDepth) - 1;
    return static_cast<uint8_t>(std::min(key, static_cast<uint16_t>(max)) * (255 / max));
}

}  // namespace

bool GDIPlusActive() { return gfx::pictureFormats().classForExtension("png") != nullptr; }

// ---- Transparency of the file ---------------------------------------------------

PngTransparency ReadPngTransparency(std::span<const uint8_t> png) {
    PngTransparency t;
    if (png.size() < 8 || !std::equal(png.begin(), png.begin() + 8, PngSignature)) return t;
    std::size_t pos = 8;
    while (png.size() - pos >= 8) {
        const uint32_t length = BigEndian32(&png[pos]);
        const std::string type(reinterpret_cast<const char*>(&png[pos + 4]), 4);
        pos += 8;
        if (length > png.size() - pos) break;
        const uint8_t* data = &png[pos];
        if (type == "IHDR" && length >= 13) {
            t.BitDepth = data[8];
            t.ColorType = data[9];
        } else if (type == "tRNS") {
            if (t.ColorType == 3) {
                t.PaletteAlpha.assign(data, data + std::min<uint32_t>(length, 256));
            } else if (t.ColorType == 0 && length >= 2) {
                t.HasKey = true;
                t.KeyRed = t.KeyGreen = t.KeyBlue = BigEndian16(data);
            } else if (t.ColorType == 2 && length >= 6) {
                t.HasKey = true;
                t.KeyRed = BigEndian16(data);
                t.KeyGreen = BigEndian16(data + 2);
                t.KeyBlue = BigEndian16(data + 4);
            }
        } else if (type == "IDAT" || type == "IEND") {
            break;
        }
        pos += length + std::min<std::size_t>(4, png.size() - pos - length);  // data and CRC
    }
    return t;
}

void ApplyPngTransparency(gfx::Bitmap& bitmap, const PngTransparency& t) {
    if (bitmap.empty() || (bitmap.pixelFormat() == gfx::PixelFormat::pf32bit && bitmap.hasAlpha())) return;
    if (t.ColorType == 6 || t.ColorType == 4) {
        // The alpha channel is the reader's to deliver: with four channels
        // it is there, a grey one is left opaque.
        if (bitmap.pixelFormat() == gfx::PixelFormat::pf32bit) bitmap.setHasAlpha(true);
        return;
    }
    const bool byPalette = t.ColorType == 3 && !t.PaletteAlpha.empty() && gfx::isIndexed(bitmap.pixelFormat());
    if (!byPalette && !t.HasKey) return;
    const gfx::Color key = gfx::rgb(KeyLevel(t.KeyRed, t.BitDepth), KeyLevel(t.KeyGreen, t.BitDepth),
                                    KeyLevel(t.KeyBlue, t.BitDepth));
    gfx::Bitmap out = bitmap.convertedTo(gfx::PixelFormat::pf32bit);
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t* row = out.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            uint8_t alpha = 255;
            if (byPalette) {
                const std::size_t index = static_cast<std::size_t>(IndexAt(bitmap, x, y));
                if (index < t.PaletteAlpha.size()) alpha = t.PaletteAlpha[index];
            } else if (bitmap.pixel(x, y) == key) {
                alpha = 0;
            }
            row[4 * x + 3] = alpha;
        }
    }
    out.setHasAlpha(true);
    bitmap = std::move(out);
}

gfx::Bitmap DecodePngImage(std::span<const uint8_t> png) {
    const gfx::GraphicClass* cls = gfx::pictureFormats().classForExtension("png");
    if (!cls) throw EGDIPlus("No PNG reader");
    std::unique_ptr<gfx::Graphic> graphic = cls->create();
    gfx::MemoryStream stream(png);
    graphic->loadFromStream(stream);
    gfx::Bitmap bitmap = graphic->toBitmap();
    ApplyPngTransparency(bitmap, ReadPngTransparency(png));
    return bitmap;
}

// ---- Images ---------------------------------------------------------------------

TGpImage::TGpImage(const std::string& fileName) {
    if (!FileExistsNonBlank(fileName)) throw EGDIPlus("Image file " + fileName + " not found.");
    try {
        gfx::FileStream file(fileName);
        const std::vector<uint8_t> bytes = file.readAll();
        Image = DecodePngImage(bytes);
    } catch (const gfx::Error&) {
        throw EGDIPlus("Can't load image file " + fileName + ".");
    }
    setTransparent(Image.hasAlpha());
}

std::unique_ptr<TGpImage> TGpImage::CreateTemporary(const std::string& fileName) {
    auto image = std::make_unique<TGpImage>(fileName);
    image->TemporaryFile = fileName;
    return image;
}

std::unique_ptr<TGpImage> TGpImage::FromBytes(std::span<const uint8_t> png) {
    std::unique_ptr<TGpImage> image(new TGpImage());
    image->Image = DecodePngImage(png);
    image->setTransparent(image->Image.hasAlpha());
    return image;
}

TGpImage::TGpImage(const TGpImage& other) : gfx::Graphic(other), Image(other.Image) {}

TGpImage::~TGpImage() {
    if (!TemporaryFile.empty()) std::remove(TemporaryFile.c_str());
}

void TGpImage::loadFromStream(gfx::Stream& stream) {
    const std::vector<uint8_t> bytes = stream.readAll();
    Image = DecodePngImage(bytes);
    setTransparent(Image.hasAlpha());
}

void TGpImage::draw(gfx::Canvas& canvas, const gfx::Rect& rect) const {
    if (!Image.empty()) canvas.stretchBitmap(rect, Image, {0, 0, Image.width(), Image.height()});
}

void TGpGraphics::DrawImage(const TGpImage& image, int x, int y, int width, int height) {
    image.draw(Canvas, gfx::rectOfSize(x, y, width, height));
}
