// A canvas with fixed metrics that records what is drawn, for layout tests:
// every character is `charWidth` pixels wide, every font `height` pixels
// high. It also paints into a 32-bit bitmap of its own (when given a size),
// with each visible character as a solid box, so that tests can look at
// pixels the same way on this canvas and on a real one.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace gfx {

class RecordingCanvas : public Canvas {
public:
    struct Metrics {
        int charWidth = 7;
        int height = 16;
        int descent = 4;
        int externalLeading = 0;
    };

    // A canvas without pixels, or with a white bitmap of the given size.
    RecordingCanvas() = default;
    RecordingCanvas(int width, int height);

    // The metrics of every font; change them before drawing.
    Metrics fixed;
    int dpi = 96;

    // Every drawing operation, one line each, for example
    // "text 10,20 "abc" Tahoma 8 #000000 bu" (x, base line, text, font, colour
    // and the style letters b, i, u, s) or "fillRect 0,0,10,10 #FF0000".
    std::vector<std::string> log;
    // The painted pixels (pf32bit); empty without a size.
    const Bitmap& pixels() const { return pixels_; }

    int logicalDpi() const override { return dpi; }
    FontMetrics metrics() override;
    int textWidth(std::string_view text) override;
    void fillRect(const Rect& rect, Color color) override;
    void line(int x1, int y1, int x2, int y2) override;
    void ellipse(const Rect& rect) override;
    void fillRegion(const Region& region, Color color) override;
    void stretchBitmap(const Rect& dst, const Bitmap& bitmap, const Rect& src) override;
    void stretchBitmapMasked(const Rect& dst, const Bitmap& bitmap, const Bitmap& mask, const Rect& src) override;
    void pushClip(const Rect& rect) override;
    void popClip() override;

protected:
    void drawGlyphs(int x, int baseline, std::string_view text) override;

private:
    Rect clip() const;
    void plot(int x, int y, Color color);
    void paintRect(const Rect& rect, Color color);
    void paintBitmap(const Rect& dst, const Bitmap& bitmap, const Bitmap* mask, const Rect& src);

    Bitmap pixels_;
    std::vector<Rect> clips_;
};

// "#RRGGBB" of a colour value after resolving it.
std::string colorText(Color c);
// "l,t,r,b".
std::string rectText(const Rect& r);

}  // namespace gfx
