#include "htmlviewer/GpImage.h"

#include <cstdio>

#include "model/TextConv.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

bool GDIPlusActive() { return gfx::pictureFormats().classForExtension("png") != nullptr; }

gfx::Bitmap DecodePngImage(std::span<const uint8_t> png) {
    const gfx::GraphicClass* cls = gfx::pictureFormats().classForExtension("png");
    if (!cls) throw EGDIPlus("No PNG reader");
    std::unique_ptr<gfx::Graphic> graphic = cls->create();
    gfx::MemoryStream stream(png);
    graphic->loadFromStream(stream);
    return graphic->toBitmap();
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
