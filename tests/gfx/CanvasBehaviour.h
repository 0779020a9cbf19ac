// Behaviour that every canvas shows, written once and run on each kind:
// text extent and base line, the drawText flags (alignment, ellipsis,
// prefix, wrapping, measuring), fills, frames, clipping and bitmaps. A test
// folder instantiates the suite with a maker of its canvas:
//
//   struct Maker {
//       Maker(int width, int height);   // a white surface
//       gfx::Canvas& canvas();
//       gfx::Color pixel(int x, int y); // ends drawing on the first call
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, CanvasBehaviour, ::testing::Types<Maker>);
//
// Assertions are phrased in the canvas's own metrics, so that fixed metrics
// and real fonts meet the same expectations.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

namespace gfx::testing {

// True for a pixel clearly darker than the white background.
inline bool isInk(Color c) { return redOf(c) < 160 || greenOf(c) < 160 || blueOf(c) < 160; }

inline bool near(Color a, Color b, int tolerance = 2) {
    return std::abs(redOf(a) - redOf(b)) <= tolerance && std::abs(greenOf(a) - greenOf(b)) <= tolerance &&
           std::abs(blueOf(a) - blueOf(b)) <= tolerance;
}

template <class Maker>
class CanvasBehaviour : public ::testing::Test {
protected:
    static constexpr int W = 200, H = 120;
    CanvasBehaviour() : maker_(W, H) {
        Canvas& c = maker_.canvas();
        FontSpec f;
        f.family = "Arial";
        f.size = 12;
        f.color = clBlack;
        c.setFont(f);
    }
    Canvas& canvas() { return maker_.canvas(); }
    Color pixel(int x, int y) { return maker_.pixel(x, y); }
    // The rectangle around every ink pixel inside `area`; empty when none.
    Rect inkBounds(const Rect& area) {
        Rect b{W, H, 0, 0};
        for (int y = std::max(area.top, 0); y < std::min(area.bottom, H); ++y)
            for (int x = std::max(area.left, 0); x < std::min(area.right, W); ++x)
                if (isInk(pixel(x, y))) b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1)};
        return b.isEmpty() ? Rect{} : b;
    }
    bool isInkAt(int x, int y) { return isInk(pixel(x, y)); }
    Maker maker_;
};

TYPED_TEST_SUITE_P(CanvasBehaviour);

TYPED_TEST_P(CanvasBehaviour, TextSitsOnItsBaseLineInsideItsCell) {
    Canvas& c = this->canvas();
    const FontMetrics m = c.metrics();
    ASSERT_GT(m.height, 0);
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_GE(m.externalLeading, 0);
    EXPECT_EQ(m.overhang, 0);
    const Size e = c.textExtent("HH");
    EXPECT_EQ(e.height, m.height);
    EXPECT_EQ(e.width, c.textWidth("HH"));
    EXPECT_GT(c.textWidth("HHHH"), e.width);
    EXPECT_EQ(c.textWidth(""), 0);

    c.setBrushStyle(BrushStyle::Clear);
    c.setTextAlign(TextAlign::Top);
    c.textOut(10, 5, "HH");
    c.setTextAlign(TextAlign::Baseline);
    c.textOut(80, 60, "HH");
    c.setTextAlign(TextAlign::Bottom);
    c.textOut(140, 110, "HH");

    const Rect top = this->inkBounds({0, 0, 70, 60});
    ASSERT_FALSE(top.isEmpty());
    EXPECT_GE(top.top, 5);
    EXPECT_LE(top.bottom, 5 + m.ascent + 1);
    EXPECT_GE(top.left, 10);
    EXPECT_LE(top.right, 10 + e.width + 1);

    // An H ends on the base line: its lowest ink is the row just above it.
    const Rect base = this->inkBounds({70, 0, 135, 120});
    ASSERT_FALSE(base.isEmpty());
    EXPECT_GE(base.bottom, 60 - 1);
    EXPECT_LE(base.bottom, 60 + 1);
    EXPECT_GE(base.top, 60 - m.ascent);

    const Rect bottom = this->inkBounds({135, 0, 200, 120});
    ASSERT_FALSE(bottom.isEmpty());
    EXPECT_LE(bottom.bottom, 110 - m.descent + 1);
}

TYPED_TEST_P(CanvasBehaviour, DrawTextAlignsAndMeasures) {
    using namespace DrawTextFlags;
    Canvas& c = this->canvas();
    const FontMetrics m = c.metrics();
    const int w = c.textWidth("Mixed");
    const Rect box{10, 10, 110, 60};
    const struct {
        unsigned flags;
        int x, top;
    } cases[] = {
        {SingleLine, 10, 10},
        {SingleLine | Right, 110 - w, 10},
        {SingleLine | Center, 10 + (100 - w) / 2, 10},
        {SingleLine | Bottom, 10, 60 - m.height},
        {SingleLine | VCenter, 10, 10 + (50 - m.height) / 2},
        {Bottom, 10, 10},  // without SingleLine the vertical flags do nothing
    };
    for (const auto& k : cases) {
        const TextLayout l = c.layoutText(box, "Mixed", k.flags);
        ASSERT_EQ(l.lines.size(), 1u);
        EXPECT_EQ(l.lines[0].x, k.x) << k.flags;
        EXPECT_EQ(l.lines[0].top, k.top) << k.flags;
        EXPECT_EQ(l.lines[0].width, w);
    }

    // Measuring: the rectangle becomes the text's; nothing is drawn.
    Rect r = box;
    EXPECT_EQ(c.drawText(r, "Mixed", SingleLine | CalcRect), m.height);
    EXPECT_EQ(r, (Rect{10, 10, 10 + w, 10 + m.height}));
    r = box;
    const int lineHeight = m.height + m.externalLeading;
    EXPECT_EQ(c.drawText(r, "one\r\ntwo\nthree", CalcRect | ExternalLeading), 3 * lineHeight);
    EXPECT_EQ(r.right, 10 + c.textWidth("three"));
    EXPECT_TRUE(this->inkBounds({0, 0, 200, 120}).isEmpty());

    // Tabs: stops every 8 average character widths.
    const int tab = 8 * m.averageCharWidth;
    EXPECT_EQ(c.layoutText(box, "a\tb", SingleLine | ExpandTabs).lines[0].width, tab + c.textWidth("b"));
    EXPECT_EQ(c.layoutText(box, "a\tb", SingleLine).lines[0].width, c.textWidth("a\tb"));
}

TYPED_TEST_P(CanvasBehaviour, EndEllipsisCutsTheLineToFit) {
    using namespace DrawTextFlags;
    Canvas& c = this->canvas();
    const std::string text = "The quick brown fox jumps";
    const Rect box{5, 5, 5 + c.textWidth("The quick br"), 40};
    const TextLayout l = c.layoutText(box, text, SingleLine | EndEllipsis);
    ASSERT_EQ(l.lines.size(), 1u);
    const std::string& shown = l.lines[0].text;
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    const std::string kept = shown.substr(0, shown.size() - 3);
    EXPECT_EQ(text.substr(0, kept.size()), kept);
    EXPECT_LE(l.lines[0].width, box.width());
    // The longest prefix that fits: one character more would not.
    EXPECT_GT(c.textWidth(text.substr(0, kept.size() + 1) + "..."), box.width());
    // A line that fits is left alone.
    EXPECT_EQ(c.layoutText({0, 0, 199, 40}, "The", SingleLine | EndEllipsis).lines[0].text, "The");

    Rect r = box;
    c.setBrushStyle(BrushStyle::Clear);
    c.drawText(r, text, SingleLine | EndEllipsis);
    const Rect ink = this->inkBounds({0, 0, 200, 120});
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.right, box.right);
}

TYPED_TEST_P(CanvasBehaviour, PrefixMarksAndDoubledAmpersands) {
    using namespace DrawTextFlags;
    Canvas& c = this->canvas();
    const Rect box{20, 20, 190, 80};
    TextLayout l = c.layoutText(box, "&File && Edit", SingleLine);
    EXPECT_EQ(l.lines[0].text, "File & Edit");
    EXPECT_EQ(l.lines[0].underlined, std::vector<std::size_t>{0});
    EXPECT_EQ(c.layoutText(box, "&File && Edit", SingleLine | NoPrefix).lines[0].text, "&File && Edit");
    EXPECT_EQ(c.layoutText(box, "end&", SingleLine).lines[0].text, "end");

    // The marked character is underlined one pixel below the base line, and
    // only it.
    Rect r = box;
    c.setBrushStyle(BrushStyle::Clear);
    c.drawText(r, "&File", SingleLine);
    const int baseline = 20 + c.metrics().ascent;
    const int fWidth = c.textWidth("F");
    int under = 0, beyond = 0;
    for (int x = 20; x < 20 + fWidth; ++x) under += this->isInkAt(x, baseline + 1);
    for (int x = 20 + fWidth + 2; x < 20 + c.textWidth("File"); ++x) beyond += this->isInkAt(x, baseline + 1);
    EXPECT_GE(under, fWidth - 1);
    EXPECT_EQ(beyond, 0);
}

TYPED_TEST_P(CanvasBehaviour, WordBreakWrapsAtSpacesWithoutSplittingWords) {
    using namespace DrawTextFlags;
    Canvas& c = this->canvas();
    const Rect box{0, 0, c.textWidth("aaa bbb"), 100};
    const TextLayout l = c.layoutText(box, "aaa bbb ccc", WordBreak);
    ASSERT_EQ(l.lines.size(), 2u);
    EXPECT_EQ(l.lines[0].text, "aaa bbb");
    EXPECT_EQ(l.lines[1].text, "ccc");
    EXPECT_EQ(l.lines[1].top, l.lineHeight);
    const TextLayout longWord = c.layoutText({0, 0, c.textWidth("aa"), 100}, "aaaaaa b", WordBreak);
    ASSERT_EQ(longWord.lines.size(), 2u);
    EXPECT_EQ(longWord.lines[0].text, "aaaaaa");
    Rect r{0, 0, c.textWidth("aa"), 100};
    c.drawText(r, "aaaaaa b", WordBreak | CalcRect);
    EXPECT_EQ(r.right, c.textWidth("aaaaaa"));  // widened to the long word
}

TYPED_TEST_P(CanvasBehaviour, FillsFramesAndOpaqueText) {
    Canvas& c = this->canvas();
    c.setBrushColor(clBlue);
    c.fillRect({10, 10, 20, 20});
    c.setBrushStyle(BrushStyle::Clear);
    c.fillRect({30, 10, 40, 20});  // a clear brush fills nothing
    c.frameRect({50, 10, 60, 20}, clRed);
    Rect inner{70, 10, 80, 20};
    c.frame3D(inner, clLime, clNavy, 2);
    EXPECT_EQ(inner, (Rect{72, 12, 78, 18}));
    c.setBrushStyle(BrushStyle::Solid);
    c.setBrushColor(clYellow);
    c.setPenColor(clGreen);
    c.rectangle({90, 10, 100, 20});
    c.fillRect({110, 10, 120, 20}, clHighlight);  // a system colour, resolved by the canvas
    c.setTextAlign(TextAlign::Top);
    c.textOut(10, 40, "Ab");  // opaque: the cell takes the brush colour
    const FontMetrics m = c.metrics();

    EXPECT_EQ(this->pixel(10, 10), clBlue);
    EXPECT_EQ(this->pixel(19, 19), clBlue);
    EXPECT_EQ(this->pixel(20, 20), clWhite);  // right and bottom edges are outside
    EXPECT_EQ(this->pixel(35, 15), clWhite);
    EXPECT_EQ(this->pixel(50, 15), clRed);
    EXPECT_EQ(this->pixel(59, 19), clRed);
    EXPECT_EQ(this->pixel(55, 15), clWhite);
    EXPECT_EQ(this->pixel(70, 10), clLime);   // top-left corner
    EXPECT_EQ(this->pixel(79, 10), clNavy);   // top-right corner belongs to the bottom-right colour
    EXPECT_EQ(this->pixel(70, 19), clNavy);   // and so does the bottom-left one
    EXPECT_EQ(this->pixel(71, 11), clLime);
    EXPECT_EQ(this->pixel(75, 15), clWhite);
    EXPECT_EQ(this->pixel(90, 10), clGreen);
    EXPECT_EQ(this->pixel(95, 15), clYellow);
    EXPECT_EQ(this->pixel(115, 15), c.resolve(clHighlight));
    EXPECT_EQ(this->pixel(10, 40), clYellow);
    EXPECT_EQ(this->pixel(10 + c.textWidth("Ab") - 1, 40 + m.height - 1), clYellow);
    EXPECT_EQ(this->pixel(10 + c.textWidth("Ab") + 1, 40), clWhite);
}

TYPED_TEST_P(CanvasBehaviour, ClippingLimitsEveryOperation) {
    using namespace DrawTextFlags;
    Canvas& c = this->canvas();
    c.pushClip({10, 10, 30, 30});
    c.pushClip({20, 0, 100, 100});  // the intersection: 20..30
    c.fillRect({0, 0, 100, 100}, clRed);
    c.popClip();
    c.fillRect({0, 40, 5, 45}, clBlue);  // outside the remaining clip
    c.popClip();
    c.fillRect({0, 50, 5, 55}, clLime);  // no clip left
    Rect r{100, 60, 110, 100};
    c.setBrushStyle(BrushStyle::Clear);
    c.drawText(r, "WWWWWWWW", SingleLine);  // clipped to its rectangle
    Rect free{100, 100, 110, 120};
    c.drawText(free, "WWWWWWWW", SingleLine | NoClip);

    EXPECT_EQ(this->pixel(25, 25), clRed);
    EXPECT_EQ(this->pixel(15, 25), clWhite);
    EXPECT_EQ(this->pixel(25, 35), clWhite);
    EXPECT_EQ(this->pixel(2, 42), clWhite);
    EXPECT_EQ(this->pixel(2, 52), clLime);
    EXPECT_TRUE(this->inkBounds({110, 60, 200, 100}).isEmpty());
    EXPECT_FALSE(this->inkBounds({110, 100, 200, 120}).isEmpty());
}

TYPED_TEST_P(CanvasBehaviour, BitmapsDrawStretchMaskAndBlend) {
    Canvas& c = this->canvas();
    Bitmap b(2, 2, PixelFormat::pf24bit);
    b.setPixel(0, 0, clRed);
    b.setPixel(1, 0, clLime);
    b.setPixel(0, 1, clBlue);
    b.setPixel(1, 1, clBlack);
    c.drawBitmap(10, 10, b);
    c.stretchBitmap({20, 10, 24, 14}, b, {0, 0, 2, 2});
    Bitmap mask(2, 2, PixelFormat::pf1bit);
    mask.setPixel(1, 1, clWhite);  // keep the background there
    c.stretchBitmapMasked({30, 10, 32, 12}, b, mask, {0, 0, 2, 2});
    Bitmap half(1, 1, PixelFormat::pf32bit);
    half.scanLine(0)[0] = 0;
    half.scanLine(0)[1] = 0;
    half.scanLine(0)[2] = 0;
    half.scanLine(0)[3] = 128;
    half.setHasAlpha(true);
    c.drawBitmap(40, 10, half);
    half.setHasAlpha(false);
    c.drawBitmap(41, 10, half);  // without alpha: opaque
    Bitmap indexed(1, 1, PixelFormat::pf4bit);
    indexed.setPixel(0, 0, clFuchsia);
    c.drawBitmap(42, 10, indexed);

    EXPECT_EQ(this->pixel(10, 10), clRed);
    EXPECT_EQ(this->pixel(11, 11), clBlack);
    EXPECT_EQ(this->pixel(20, 10), clRed);
    EXPECT_EQ(this->pixel(23, 10), clLime);
    EXPECT_EQ(this->pixel(20, 13), clBlue);
    EXPECT_EQ(this->pixel(23, 13), clBlack);
    EXPECT_EQ(this->pixel(30, 10), clRed);
    EXPECT_EQ(this->pixel(31, 11), clWhite);
    EXPECT_TRUE(near(this->pixel(40, 10), rgb(127, 127, 127), 2)) << std::hex << this->pixel(40, 10);
    EXPECT_EQ(this->pixel(41, 10), clBlack);
    EXPECT_EQ(this->pixel(42, 10), clFuchsia);
}

REGISTER_TYPED_TEST_SUITE_P(CanvasBehaviour, TextSitsOnItsBaseLineInsideItsCell, DrawTextAlignsAndMeasures,
                            EndEllipsisCutsTheLineToFit, PrefixMarksAndDoubledAmpersands,
                            WordBreakWrapsAtSpacesWithoutSplittingWords, FillsFramesAndOpaqueText,
                            ClippingLimitsEveryOperation, BitmapsDrawStretchMaskAndBlend);

}  // namespace gfx::testing
