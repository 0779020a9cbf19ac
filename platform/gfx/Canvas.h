// The drawing surface of the libraries: text, shapes and bitmaps with a
// font, a brush and a pen, clipped to a stack of rectangles. `QtCanvas`
// draws through Qt; `RecordingCanvas` has fixed metrics and records what is
// drawn, for layout tests.
//
// Text is UTF-8. Coordinates are device pixels. The text layout of
// `drawText` and the placement of `textOut` are computed here, once, from
// the metrics and widths an implementation reports, so that every canvas
// places text the same way.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Geometry.h"

namespace gfx {

class Bitmap;
class Palette;

enum class BrushStyle : uint8_t { Solid, Clear };

// The point `textOut` places: the top of the text cell, its base line, or
// its bottom.
enum class TextAlign : uint8_t { Top, Baseline, Bottom };

// Flags of `drawText`.
namespace DrawTextFlags {
inline constexpr unsigned Left = 0x0;
inline constexpr unsigned Center = 0x1;
inline constexpr unsigned Right = 0x2;
inline constexpr unsigned Top = 0x0;
inline constexpr unsigned VCenter = 0x4;        // with SingleLine only
inline constexpr unsigned Bottom = 0x8;         // with SingleLine only
inline constexpr unsigned WordBreak = 0x10;     // wrap at spaces; a longer word is not split
inline constexpr unsigned SingleLine = 0x20;    // line breaks do not break the line
inline constexpr unsigned ExpandTabs = 0x40;    // tab stops every 8 average character widths
inline constexpr unsigned NoClip = 0x100;       // draw outside the rectangle too
inline constexpr unsigned ExternalLeading = 0x200;  // lines include the font's external leading
inline constexpr unsigned CalcRect = 0x400;     // measure only: the rectangle becomes the text's
inline constexpr unsigned NoPrefix = 0x800;     // "&" is an ordinary character
inline constexpr unsigned EndEllipsis = 0x8000; // a line too wide ends in "..."
}  // namespace DrawTextFlags

// An area made of rectangles added and taken away in order.
class Region {
public:
    struct Step {
        Rect rect;
        bool add;
    };
    void add(const Rect& r) { steps_.push_back({r, true}); }
    void subtract(const Rect& r) { steps_.push_back({r, false}); }
    bool contains(int x, int y) const;
    // The smallest rectangle around every added rectangle.
    Rect bounds() const;
    const std::vector<Step>& steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

// Calls `pixel(x, y)` for each pixel of the line from (x1, y1) up to, but
// not including, (x2, y2), from the start (Bresenham's walk): the pixels that
// `Canvas::line` sets with a pen one pixel wide.
template <typename Pixel>
void forEachLinePixel(int x1, int y1, int x2, int y2, Pixel&& pixel) {
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    while (x1 != x2 || y1 != y2) {
        pixel(x1, y1);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

// One line of a `drawText` layout: where it starts, its text after prefix
// processing and eliding, its width, and the byte offsets of the characters
// marked by a prefix "&" (drawn underlined).
struct TextLine {
    int x = 0;
    int top = 0;
    int width = 0;
    std::string text;
    std::vector<std::size_t> underlined;
};

struct TextLayout {
    std::vector<TextLine> lines;
    int lineHeight = 0;
    // The rectangle around every line (left and top of the given rectangle,
    // widest line, all lines).
    Rect bounds;
};

// The number of characters (code points) of UTF-8 text.
std::size_t codePointCount(std::string_view utf8);

class Canvas {
public:
    virtual ~Canvas() = default;

    // ---- State ----
    const FontSpec& font() const { return font_; }
    void setFont(const FontSpec& font) { font_ = font; }
    Color brushColor() const { return brushColor_; }
    void setBrushColor(Color c) { brushColor_ = c; }
    // A clear brush fills nothing, and text is drawn without a background.
    BrushStyle brushStyle() const { return brushStyle_; }
    void setBrushStyle(BrushStyle s) { brushStyle_ = s; }
    Color penColor() const { return penColor_; }
    void setPenColor(Color c) { penColor_ = c; }
    int penWidth() const { return penWidth_; }
    void setPenWidth(int w) { penWidth_ = w < 1 ? 1 : w; }
    TextAlign textAlign() const { return textAlign_; }
    void setTextAlign(TextAlign a) { textAlign_ = a; }

    // ---- Device ----
    // Pixels per logical inch; font sizes in points scale with it.
    virtual int logicalDpi() const { return 96; }
    virtual bool isMonochrome() const { return false; }
    // The direct colour a colour value stands for on this canvas (system
    // colours resolved; with a palette selected, a palette-relative colour
    // is its nearest entry).
    virtual Color resolve(Color c) const { return realize(c, resolveColor(c)); }

    // ---- Palette (the display's of 8 bits or fewer) ----
    // Selects and realises a palette: from now on a colour with the
    // palette-relative flag is drawn as the palette's nearest entry. Null
    // selects none. Returns the palette selected before, to be selected
    // again; a palette stays alive while it is selected.
    const Palette* selectPalette(const Palette* palette) {
        const Palette* before = palette_;
        palette_ = palette;
        return before;
    }
    const Palette* selectedPalette() const { return palette_; }
    // How a stretched bitmap takes its pixels: colour on colour keeps whole
    // source pixels; halftone averages them (for bitmaps drawn through a
    // palette).
    enum class StretchMode : uint8_t { ColorOnColor, Halftone };
    StretchMode stretchMode() const { return stretchMode_; }
    void setStretchMode(StretchMode mode) { stretchMode_ = mode; }

    // ---- Measuring (the current font) ----
    virtual FontMetrics metrics() = 0;
    // Advance width of the text, tabs counted as ordinary characters.
    virtual int textWidth(std::string_view text) = 0;
    // Width and height (the font's height) of one line of text.
    Size textExtent(std::string_view text) { return {textWidth(text), metrics().height}; }
    // The number of leading characters of the text that fit in `width`.
    int fitCharacters(std::string_view text, int width);

    // ---- Text ----
    // Draws one line of text at (x, y) placed by the text alignment, in the
    // font's colour; with a solid brush its cell is filled with the brush
    // colour first. Rotated text (escapement) turns about (x, y) and has no
    // background.
    void textOut(int x, int y, std::string_view text);
    // As textOut, clipped to `clip`; with `opaque` the whole of `clip` is
    // filled with the brush colour first and the text has no background of
    // its own.
    void textOutClipped(const Rect& clip, int x, int y, std::string_view text, bool opaque);
    // Lays out text in a rectangle as `drawText` does, without drawing.
    TextLayout layoutText(const Rect& rect, std::string_view text, unsigned flags);
    // Draws text in a rectangle (flags of DrawTextFlags) and returns the
    // height of the text. With CalcRect nothing is drawn and the rectangle
    // becomes the text's (its right edge at the widest line, its bottom
    // below the last line).
    int drawText(Rect& rect, std::string_view text, unsigned flags);

    // ---- Shapes ----
    // Fills a rectangle with a colour (resolved on the canvas), whatever the
    // brush.
    virtual void fillRect(const Rect& rect, Color color) = 0;
    // Fills a rectangle with the brush; nothing with a clear brush.
    void fillRect(const Rect& rect);
    // A one-pixel border just inside the rectangle.
    void frameRect(const Rect& rect, Color color);
    // A border inside the rectangle in the pen's colour and width, the inside
    // filled with the brush.
    void rectangle(const Rect& rect);
    // A line with the pen from (x1, y1) up to, but not including, (x2, y2).
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    // Lines through the points in turn.
    void polyline(const std::vector<Point>& points);
    // An ellipse inside the rectangle: its outline with the pen, its inside
    // with the brush.
    virtual void ellipse(const Rect& rect) = 0;
    virtual void fillRegion(const Region& region, Color color) = 0;
    // A 3-D frame of `width` pixels inside the rectangle: top and left in
    // `topLeft`, bottom and right in `bottomRight`; the rectangle shrinks to
    // the inside of the frame.
    void frame3D(Rect& rect, Color topLeft, Color bottomRight, int width);

    // ---- Bitmaps ----
    // Draws the `src` part of the bitmap stretched into `dst`. A pf32bit
    // bitmap with alpha is blended over what is there; others are opaque.
    virtual void stretchBitmap(const Rect& dst, const Bitmap& bitmap, const Rect& src) = 0;
    void drawBitmap(int x, int y, const Bitmap& bitmap);
    // As stretchBitmap, leaving the background where the mask is white (a
    // mask of the bitmap's size; black pixels are drawn).
    virtual void stretchBitmapMasked(const Rect& dst, const Bitmap& bitmap, const Bitmap& mask, const Rect& src) = 0;

    // ---- Clipping ----
    // Drawing is limited to the intersection of the rectangles pushed.
    virtual void pushClip(const Rect& rect) = 0;
    virtual void popClip() = 0;

protected:
    // `direct` (the direct colour of `c`), or its nearest entry of the
    // selected palette when `c` is palette-relative.
    Color realize(Color c, Color direct) const;
    // Draws the glyphs of one line with the base line starting at
    // (x, baseline), in the current font: its colour, style, underline and
    // strike-out, turned by its escapement about that point. No background.
    virtual void drawGlyphs(int x, int baseline, std::string_view text) = 0;

private:
    int tabbedWidth(std::string_view text, bool expandTabs, int tabWidth);
    void drawLine(const TextLine& line, int ascent, bool expandTabs, int tabWidth);

    FontSpec font_;
    Color brushColor_ = clWhite;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    Color penColor_ = clBlack;
    int penWidth_ = 1;
    TextAlign textAlign_ = TextAlign::Top;
    const Palette* palette_ = nullptr;
    StretchMode stretchMode_ = StretchMode::ColorOnColor;
};

}  // namespace gfx
