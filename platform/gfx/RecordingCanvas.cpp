#include "platform/gfx/RecordingCanvas.h"

#include <algorithm>
#include <cstdio>

namespace gfx {

std::string colorText(Color c) {
    if (isNone(c)) return "none";
    c = resolveColor(c);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", redOf(c), greenOf(c), blueOf(c));
    return text;
}

std::string rectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

RecordingCanvas::RecordingCanvas(int width, int height) : pixels_(width, height, PixelFormat::pf32bit) {
    for (int y = 0; y < height; ++y) std::fill_n(pixels_.scanLine(y), pixels_.bytesPerLine(), uint8_t{255});
}

FontMetrics RecordingCanvas::metrics() {
    return {fixed.height, fixed.height - fixed.descent, fixed.descent, fixed.externalLeading, fixed.charWidth, 0};
}

int RecordingCanvas::textWidth(std::string_view text) {
    return static_cast<int>(codePointCount(text)) * fixed.charWidth;
}

Rect RecordingCanvas::clip() const {
    Rect c = pixels_.empty() ? Rect{} : Rect{0, 0, pixels_.width(), pixels_.height()};
    for (const Rect& r : clips_) c = c.intersected(r);
    return c;
}

void RecordingCanvas::plot(int x, int y, Color color) {
    if (!clip().contains(x, y)) return;
    pixels_.setPixel(x, y, color);
}

void RecordingCanvas::paintRect(const Rect& rect, Color color) {
    if (isNone(color)) return;
    const Rect r = rect.intersected(clip());
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) pixels_.setPixel(x, y, color);
}

void RecordingCanvas::drawGlyphs(int x, int baseline, std::string_view text) {
    const FontSpec& f = font();
    std::string style;
    if (f.bold) style += 'b';
    if (f.italic) style += 'i';
    if (f.underline) style += 'u';
    if (f.strikeOut) style += 's';
    std::string entry = "text " + std::to_string(x) + "," + std::to_string(baseline) + " \"" + std::string(text) +
                        "\" " + f.family + " " + std::to_string(f.size) + " " + colorText(resolve(f.color));
    if (!style.empty()) entry += " " + style;
    if (f.escapement) entry += " esc=" + std::to_string(f.escapement);
    log.push_back(std::move(entry));
    if (pixels_.empty() || f.escapement % 3600 != 0) return;

    // Each character that is not a space is a box inside its cell, from two
    // pixels below the cell's top to the base line.
    const FontMetrics m = metrics();
    const int w = fixed.charWidth;
    int cx = x;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (text[i] != ' ' && w >= 3) paintRect({cx + 1, baseline - m.ascent + 2, cx + w - 1, baseline}, f.color);
        cx += w;
    }
    if (f.underline) paintRect({x, baseline + 1, cx, baseline + 2}, f.color);
    if (f.strikeOut) paintRect({x, baseline - m.ascent / 3, cx, baseline - m.ascent / 3 + 1}, f.color);
}

void RecordingCanvas::fillRect(const Rect& rect, Color color) {
    log.push_back("fillRect " + rectText(rect) + " " + colorText(resolve(color)));
    paintRect(rect, color);
}

void RecordingCanvas::line(int x1, int y1, int x2, int y2) {
    log.push_back("line " + std::to_string(x1) + "," + std::to_string(y1) + "-" + std::to_string(x2) + "," +
                  std::to_string(y2) + " " + colorText(resolve(penColor())));
    forEachLinePixel(x1, y1, x2, y2, [&](int x, int y) { plot(x, y, penColor()); });
}

void RecordingCanvas::ellipse(const Rect& rect) {
    log.push_back("ellipse " + rectText(rect) + " " + colorText(resolve(penColor())) + " " +
                  (brushStyle() == BrushStyle::Solid ? colorText(resolve(brushColor())) : std::string("clear")));
    if (rect.isEmpty()) return;
    // Pixel centres inside the ellipse; those with a neighbour outside form
    // the outline.
    const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
    const double rx = rect.width() / 2.0, ry = rect.height() / 2.0;
    auto inside = [&](int x, int y) {
        const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
        return u * u + v * v <= 1.0;
    };
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            if (!inside(x, y)) continue;
            const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (edge)
                plot(x, y, penColor());
            else if (brushStyle() == BrushStyle::Solid && !isNone(brushColor()))
                plot(x, y, brushColor());
        }
}

void RecordingCanvas::fillRegion(const Region& region, Color color) {
    log.push_back("fillRegion " + rectText(region.bounds()) + " " + colorText(resolve(color)));
    const Rect r = region.bounds().intersected(clip());
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (region.contains(x, y)) plot(x, y, color);
}

void RecordingCanvas::paintBitmap(const Rect& dst, const Bitmap& bitmap, const Bitmap* mask, const Rect& src) {
    if (pixels_.empty() || bitmap.empty() || dst.isEmpty() || src.isEmpty()) return;
    const Rect r = dst.intersected(clip());
    const bool blend = bitmap.hasAlpha() && bitmap.pixelFormat() == PixelFormat::pf32bit;
    // Nearest source pixel of each target pixel's centre.
    for (int y = r.top; y < r.bottom; ++y) {
        const int sy = src.top + static_cast<int>((int64_t{2 * (y - dst.top) + 1} * src.height()) / (2 * dst.height()));
        for (int x = r.left; x < r.right; ++x) {
            const int sx =
                src.left + static_cast<int>((int64_t{2 * (x - dst.left) + 1} * src.width()) / (2 * dst.width()));
            if (sx < 0 || sy < 0 || sx >= bitmap.width() || sy >= bitmap.height()) continue;
            if (mask && mask->pixel(sx, sy) == clWhite) continue;
            Color c = bitmap.pixel(sx, sy);
            if (blend) {
                const int a = bitmap.scanLine(sy)[4 * sx + 3];
                const Color under = pixels_.pixel(x, y);
                auto mix = [a](int s, int d) { return static_cast<uint8_t>((s * a + d * (255 - a) + 127) / 255); };
                c = rgb(mix(redOf(c), redOf(under)), mix(greenOf(c), greenOf(under)), mix(blueOf(c), blueOf(under)));
            }
            pixels_.setPixel(x, y, c);
        }
    }
}

void RecordingCanvas::stretchBitmap(const Rect& dst, const Bitmap& bitmap, const Rect& src) {
    log.push_back("bitmap " + rectText(dst) + " from " + rectText(src) + " of " + std::to_string(bitmap.width()) + "x" +
                  std::to_string(bitmap.height()) + (stretchMode() == StretchMode::Halftone ? " halftone" : ""));
    paintBitmap(dst, bitmap, nullptr, src);
}

void RecordingCanvas::stretchBitmapMasked(const Rect& dst, const Bitmap& bitmap, const Bitmap& mask, const Rect& src) {
    log.push_back("maskedBitmap " + rectText(dst) + " from " + rectText(src) + " of " + std::to_string(bitmap.width()) +
                  "x" + std::to_string(bitmap.height()) + (stretchMode() == StretchMode::Halftone ? " halftone" : ""));
    paintBitmap(dst, bitmap, &mask, src);
}

void RecordingCanvas::pushClip(const Rect& rect) {
    log.push_back("pushClip " + rectText(rect));
    clips_.push_back(rect);
}

void RecordingCanvas::popClip() {
    log.push_back("popClip");
    if (!clips_.empty()) clips_.pop_back();
}

}  // namespace gfx
