#include "platform/gfx/Canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/Rounding.h"
#include "platform/gfx/Bitmap.h"

namespace gfx {

namespace {

// The byte offsets at which the characters of UTF-8 text start, and its size
// at the end.
std::vector<std::size_t> characterStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
    starts.push_back(text.size());
    return starts;
}

// The text after prefix processing, with the offsets of the marked
// characters.
struct Paragraph {
    std::string text;
    std::vector<std::size_t> marks;
};

std::vector<Paragraph> splitParagraphs(std::string_view text, unsigned flags) {
    using namespace DrawTextFlags;
    std::vector<Paragraph> paragraphs(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!(flags & SingleLine) && (c == '\r' || c == '\n')) {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            paragraphs.emplace_back();
            continue;
        }
        Paragraph& p = paragraphs.back();
        if (c == '&' && !(flags & NoPrefix)) {
            if (i + 1 >= text.size()) break;  // a lone "&" at the end shows nothing
            if (text[i + 1] == '&') {
                p.text += '&';
                ++i;
            } else {
                p.marks.push_back(p.text.size());
            }
            continue;
        }
        p.text += c;
    }
    return paragraphs;
}

// The marks that fall in [begin, end), moved to start at begin.
std::vector<std::size_t> marksIn(const std::vector<std::size_t>& marks, std::size_t begin, std::size_t end) {
    std::vector<std::size_t> result;
    for (std::size_t m : marks)
        if (m >= begin && m < end) result.push_back(m - begin);
    return result;
}

}  // namespace

std::size_t codePointCount(std::string_view utf8) { return characterStarts(utf8).size() - 1; }

// ---- Region -----------------------------------------------------------------

bool Region::contains(int x, int y) const {
    bool inside = false;
    for (const Step& s : steps_)
        if (s.rect.contains(x, y)) inside = s.add;
    return inside;
}

Rect Region::bounds() const {
    Rect b;
    bool any = false;
    for (const Step& s : steps_) {
        if (!s.add || s.rect.isEmpty()) continue;
        if (!any) {
            b = s.rect;
            any = true;
        } else {
            b = {std::min(b.left, s.rect.left), std::min(b.top, s.rect.top), std::max(b.right, s.rect.right),
                 std::max(b.bottom, s.rect.bottom)};
        }
    }
    return b;
}

// ---- Measuring --------------------------------------------------------------

Color Canvas::realize(Color c, Color direct) const {
    if (!palette_ || palette_->count() == 0 || (c & PaletteRelativeFlag) == 0 || isNone(direct) || direct == clDefault)
        return direct;
    return palette_->color(palette_->nearestIndex(direct));
}

int Canvas::fitCharacters(std::string_view text, int width) {
    const std::vector<std::size_t> starts = characterStarts(text);
    // The largest count n whose prefix fits; widths grow with n.
    std::size_t lo = 0, hi = starts.size() - 1;
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (textWidth(text.substr(0, starts[mid])) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return static_cast<int>(lo);
}

int Canvas::tabbedWidth(std::string_view text, bool expandTabs, int tabWidth) {
    if (!expandTabs || text.find('\t') == std::string_view::npos) return textWidth(text);
    int x = 0;
    for (;;) {
        const std::size_t tab = text.find('\t');
        x += textWidth(text.substr(0, tab));
        if (tab == std::string_view::npos) return x;
        x = (x / tabWidth + 1) * tabWidth;
        text.remove_prefix(tab + 1);
    }
}

// ---- Text -------------------------------------------------------------------

void Canvas::textOut(int x, int y, std::string_view text) {
    const FontMetrics m = metrics();
    if (font_.escapement % 3600 != 0) {
        // The cell's offset to the base line, turned with the text.
        const double a = font_.escapement / 10.0 * std::numbers::pi / 180.0;
        const int down = textAlign_ == TextAlign::Top ? m.ascent : textAlign_ == TextAlign::Bottom ? -m.descent : 0;
        drawGlyphs(x + static_cast<int>(Round(down * std::sin(a))), y + static_cast<int>(Round(down * std::cos(a))),
                   text);
        return;
    }
    const int top = textAlign_ == TextAlign::Top ? y : textAlign_ == TextAlign::Baseline ? y - m.ascent : y - m.height;
    if (brushStyle_ == BrushStyle::Solid && !isNone(brushColor_))
        fillRect({x, top, x + textWidth(text), top + m.height}, brushColor_);
    drawGlyphs(x, top + m.ascent, text);
}

void Canvas::textOutClipped(const Rect& clip, int x, int y, std::string_view text, bool opaque) {
    pushClip(clip);
    if (opaque && !isNone(brushColor_)) fillRect(clip, brushColor_);
    const BrushStyle style = brushStyle_;
    if (opaque) brushStyle_ = BrushStyle::Clear;
    textOut(x, y, text);
    brushStyle_ = style;
    popClip();
}

TextLayout Canvas::layoutText(const Rect& rect, std::string_view text, unsigned flags) {
    using namespace DrawTextFlags;
    const FontMetrics m = metrics();
    const bool expandTabs = flags & ExpandTabs;
    const int tabWidth = 8 * std::max(1, m.averageCharWidth);
    const int available = rect.width();

    TextLayout layout;
    layout.lineHeight = m.height + ((flags & ExternalLeading) ? m.externalLeading : 0);
    for (const Paragraph& p : splitParagraphs(text, flags)) {
        if ((flags & WordBreak) && !(flags & SingleLine)) {
            // Greedy wrapping at single spaces: each line is a run of whole
            // words of the paragraph; the space at a break is dropped.
            std::size_t lineStart = 0, lineEnd = 0, pos = 0;
            bool lineEmpty = true;
            while (pos <= p.text.size()) {
                std::size_t wordEnd = p.text.find(' ', pos);
                if (wordEnd == std::string::npos) wordEnd = p.text.size();
                const std::size_t candidateStart = lineEmpty ? pos : lineStart;
                const std::string_view candidate = std::string_view(p.text).substr(candidateStart, wordEnd - candidateStart);
                if (lineEmpty || tabbedWidth(candidate, expandTabs, tabWidth) <= available) {
                    lineStart = candidateStart;
                    lineEnd = wordEnd;
                    lineEmpty = false;
                } else {
                    layout.lines.push_back({0, 0, 0, p.text.substr(lineStart, lineEnd - lineStart),
                                            marksIn(p.marks, lineStart, lineEnd)});
                    lineStart = pos;
                    lineEnd = wordEnd;
                }
                pos = wordEnd + 1;
            }
            layout.lines.push_back(
                {0, 0, 0, p.text.substr(lineStart, lineEnd - lineStart), marksIn(p.marks, lineStart, lineEnd)});
        } else {
            layout.lines.push_back({0, 0, 0, p.text, p.marks});
        }
        if (flags & SingleLine) break;
    }

    int widest = 0;
    for (TextLine& line : layout.lines) {
        line.width = tabbedWidth(line.text, expandTabs, tabWidth);
        if ((flags & EndEllipsis) && !(flags & WordBreak) && line.width > available) {
            const std::vector<std::size_t> starts = characterStarts(line.text);
            int keep = fitCharacters(line.text, available - textWidth("..."));
            std::string elided;
            for (; keep >= 0; --keep) {
                elided = line.text.substr(0, starts[static_cast<std::size_t>(keep)]) + "...";
                if (tabbedWidth(elided, expandTabs, tabWidth) <= available || keep == 0) break;
            }
            const std::size_t kept = starts[static_cast<std::size_t>(std::max(keep, 0))];
            std::erase_if(line.underlined, [&](std::size_t m) { return m >= kept; });
            line.text = std::move(elided);
            line.width = tabbedWidth(line.text, expandTabs, tabWidth);
        }
        widest = std::max(widest, line.width);
    }

    const int total = layout.lineHeight * static_cast<int>(layout.lines.size());
    int top = rect.top;
    if ((flags & SingleLine) && (flags & VCenter)) top = rect.top + (rect.height() - layout.lineHeight) / 2;
    if ((flags & SingleLine) && (flags & Bottom)) top = rect.bottom - layout.lineHeight;
    for (TextLine& line : layout.lines) {
        line.x = (flags & Right) ? rect.right - line.width
                 : (flags & Center) ? rect.left + (available - line.width) / 2
                                    : rect.left;
        line.top = top;
        top += layout.lineHeight;
    }
    layout.bounds = {rect.left, rect.top, rect.left + widest, rect.top + total};
    return layout;
}

int Canvas::drawText(Rect& rect, std::string_view text, unsigned flags) {
    using namespace DrawTextFlags;
    const TextLayout layout = layoutText(rect, text, flags);
    if (flags & CalcRect) {
        rect = layout.bounds;
        return layout.bounds.height();
    }
    const FontMetrics m = metrics();
    if (!(flags & NoClip)) pushClip(rect);
    for (const TextLine& line : layout.lines) drawLine(line, m.ascent, flags & ExpandTabs, 8 * std::max(1, m.averageCharWidth));
    if (!(flags & NoClip)) popClip();
    if (layout.lines.empty()) return 0;
    return layout.lines.back().top + layout.lineHeight - rect.top;
}

void Canvas::drawLine(const TextLine& line, int ascent, bool expandTabs, int tabWidth) {
    const int height = metrics().height;
    if (brushStyle_ == BrushStyle::Solid && !isNone(brushColor_))
        fillRect({line.x, line.top, line.x + line.width, line.top + height}, brushColor_);
    const int baseline = line.top + ascent;
    std::string_view rest = line.text;
    int x = 0;
    for (;;) {
        const std::size_t tab = expandTabs ? rest.find('\t') : std::string_view::npos;
        const std::string_view piece = rest.substr(0, tab);
        drawGlyphs(line.x + x, baseline, piece);
        if (tab == std::string_view::npos) break;
        x += textWidth(piece);
        x = (x / tabWidth + 1) * tabWidth;
        rest.remove_prefix(tab + 1);
    }
    // A character marked by "&" is underlined by a one-pixel line under it.
    for (std::size_t offset : line.underlined) {
        const std::vector<std::size_t> starts = characterStarts(std::string_view(line.text).substr(offset));
        const std::size_t length = starts.size() > 1 ? starts[1] : 0;
        const int x0 = line.x + tabbedWidth(std::string_view(line.text).substr(0, offset), expandTabs, tabWidth);
        const int w = textWidth(std::string_view(line.text).substr(offset, length));
        fillRect({x0, baseline + 1, x0 + w, baseline + 2}, font_.color);
    }
}

// ---- Shapes -----------------------------------------------------------------

void Canvas::fillRect(const Rect& rect) {
    if (brushStyle_ == BrushStyle::Solid && !isNone(brushColor_)) fillRect(rect, brushColor_);
}

void Canvas::frameRect(const Rect& r, Color color) {
    if (r.isEmpty()) return;
    fillRect({r.left, r.top, r.right, r.top + 1}, color);
    fillRect({r.left, r.bottom - 1, r.right, r.bottom}, color);
    fillRect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
    fillRect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

void Canvas::rectangle(const Rect& rect) {
    fillRect(rect);
    Rect r = rect;
    for (int i = 0; i < penWidth_ && !r.isEmpty(); ++i) {
        frameRect(r, penColor_);
        r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
}

void Canvas::polyline(const std::vector<Point>& points) {
    for (std::size_t i = 1; i < points.size(); ++i) line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
}

void Canvas::frame3D(Rect& rect, Color topLeft, Color bottomRight, int width) {
    for (; width > 0 && !rect.isEmpty(); --width) {
        const Rect& r = rect;
        fillRect({r.left, r.top, r.right - 1, r.top + 1}, topLeft);
        fillRect({r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
        fillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
        fillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        rect = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
}

// ---- Bitmaps ----------------------------------------------------------------

void Canvas::drawBitmap(int x, int y, const Bitmap& bitmap) {
    if (bitmap.empty()) return;
    stretchBitmap(rectOfSize(x, y, bitmap.width(), bitmap.height()), bitmap, {0, 0, bitmap.width(), bitmap.height()});
}

}  // namespace gfx
