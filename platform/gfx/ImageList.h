// A list of small images of one size (the icons of a list box), drawn by
// index. Those who draw from it hear when it is destroyed.
#pragma once

#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/FreeNotifier.h"

namespace gfx {

class Canvas;

class ImageList : public FreeNotifier {
public:
    explicit ImageList(int width = 16, int height = 16) : width_(width), height_(height) {}

    int width() const { return width_; }
    int height() const { return height_; }
    int count() const { return static_cast<int>(images_.size()); }
    // Appends an image and returns its index. It is kept as a 32-bit bitmap
    // (with its alpha when it has one) and drawn at its own size.
    int add(const Bitmap& image);
    // Image `index`; EInvalidGraphic for an index outside the list.
    const Bitmap& image(int index) const;
    void clear() { images_.clear(); }

    // Draws image `index` with its top-left corner at (x, y); an index
    // outside the list draws nothing. A disabled image is drawn grey and
    // half transparent.
    void draw(Canvas& canvas, int index, int x, int y, bool enabled = true) const;

private:
    int width_;
    int height_;
    std::vector<Bitmap> images_;
};

}  // namespace gfx
