#include "platform/gfx/ImageList.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Errors.h"

namespace gfx {

int ImageList::add(const Bitmap& image) {
    Bitmap b = image.convertedTo(PixelFormat::pf32bit);
    if (!b.hasAlpha())
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) b.scanLine(y)[4 * x + 3] = 255;
    b.setHasAlpha(true);
    images_.push_back(std::move(b));
    return count() - 1;
}

const Bitmap& ImageList::image(int index) const {
    if (index < 0 || index >= count()) throw EInvalidGraphic("Image list index out of range");
    return images_[static_cast<std::size_t>(index)];
}

void ImageList::draw(Canvas& canvas, int index, int x, int y, bool enabled) const {
    if (index < 0 || index >= count()) return;
    const Bitmap& b = images_[static_cast<std::size_t>(index)];
    if (enabled) {
        canvas.drawBitmap(x, y, b);
        return;
    }
    Bitmap grey = b;
    for (int row = 0; row < grey.height(); ++row) {
        uint8_t* p = grey.scanLine(row);
        for (int col = 0; col < grey.width(); ++col, p += 4) {
            const auto level = static_cast<uint8_t>((p[0] * 29 + p[1] * 150 + p[2] * 77 + 128) >> 8);
            p[0] = p[1] = p[2] = level;
            p[3] = static_cast<uint8_t>(p[3] / 2);
        }
    }
    canvas.drawBitmap(x, y, grey);
}

}  // namespace gfx
