#include "htmllistbox/GroupListIcons.h"

#include <cmath>

namespace {

constexpr int Side = 16;

void Plot(gfx::Bitmap& b, int x, int y, gfx::Color c) {
    if (x < 0 || y < 0 || x >= b.width() || y >= b.height()) return;
    uint8_t* p = b.scanLine(y) + 4 * x;
    p[0] = gfx::blueOf(c);
    p[1] = gfx::greenOf(c);
    p[2] = gfx::redOf(c);
    p[3] = 255;
}

// Whether the centre of pixel (x, y) lies inside the ellipse around (cx, cy).
bool InEllipse(int x, int y, double cx, double cy, double rx, double ry) {
    const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
    return u * u + v * v <= 1.0;
}

// An ellipse filled with `fill`, its edge pixels in `edge`.
void Ellipse(gfx::Bitmap& b, double cx, double cy, double rx, double ry, gfx::Color edge, gfx::Color fill) {
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x) {
            if (!InEllipse(x, y, cx, cy, rx, ry)) continue;
            const bool border = !InEllipse(x - 1, y, cx, cy, rx, ry) || !InEllipse(x + 1, y, cx, cy, rx, ry) ||
                                !InEllipse(x, y - 1, cx, cy, rx, ry) || !InEllipse(x, y + 1, cx, cy, rx, ry);
            Plot(b, x, y, border ? edge : fill);
        }
}

gfx::Bitmap Blank() {
    gfx::Bitmap b(Side, Side, gfx::PixelFormat::pf32bit);  // all zero: transparent
    b.setHasAlpha(true);
    return b;
}

constexpr gfx::Color Outline = gfx::rgb(0x30, 0x30, 0x30);
constexpr gfx::Color Iris = gfx::rgb(0x20, 0x60, 0xC0);
constexpr gfx::Color Ball = gfx::rgb(0xE0, 0x80, 0x20);
constexpr gfx::Color Shade = gfx::rgb(0x70, 0x70, 0x70);

}  // namespace

gfx::Bitmap GroupListIcon(int index) {
    gfx::Bitmap b = Blank();
    switch (index) {
    case IconVisible:
        Ellipse(b, 8, 8, 7.5, 4.5, Outline, gfx::clWhite);
        Ellipse(b, 8, 8, 3, 3, Iris, Iris);
        Ellipse(b, 8, 8, 1.2, 1.2, gfx::clBlack, gfx::clBlack);
        break;
    case IconHidden:
        // The lower lid of a closed eye with three lashes.
        for (int x = 1; x < 15; ++x) {
            const double u = (x + 0.5 - 8) / 7.0;
            Plot(b, x, static_cast<int>(std::lround(8 + 3 * std::sqrt(std::max(0.0, 1 - u * u)))), Outline);
        }
        for (int x : {4, 8, 12}) {
            Plot(b, x, 12, Outline);
            Plot(b, x + (x - 8) / 4, 13, Outline);
        }
        break;
    case IconShadow:
        Ellipse(b, 9, 13.5, 6, 2, Shade, Shade);
        Ellipse(b, 7, 6.5, 5, 5, Outline, Ball);
        break;
    case IconNoShadow:
        Ellipse(b, 7, 6.5, 5, 5, Outline, Ball);
        break;
    default: break;
    }
    return b;
}

void AddGroupListIcons(gfx::ImageList& images) {
    // ImageList has no replace: rebuild it with the icons in their places.
    gfx::ImageList rebuilt(images.width(), images.height());
    const int count = std::max(images.count(), IconHidden + 1);
    for (int i = 0; i < count; ++i) {
        const bool ours = i == IconVisible || i == IconNoShadow || i == IconShadow || i == IconHidden;
        rebuilt.add(ours || i >= images.count() ? GroupListIcon(i) : images.image(i));
    }
    images = std::move(rebuilt);
}
