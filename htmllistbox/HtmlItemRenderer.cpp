#include "htmllistbox/HtmlItemRenderer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "htmllistbox/GradientFill.h"
#include "model/TextConv.h"

namespace {

using gfx::Color;
using gfx::Rect;
namespace DT = gfx::DrawTextFlags;

constexpr int GradientSteps = 64;
constexpr int BulletIndent = 12;

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// ---- Entities -------------------------------------------------------------------

// The entities replaced before the tags are read: "&amp;" keeps its place as
// the doubled "&" that shows one ampersand. One left-to-right pass, so that
// an escaped ampersand followed by entity-like text ("&amp;lt;") shows that
// text as it was written.
std::string ReplaceItemEntities(std::string_view s) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> table{{
        {"&amp;", "&&"},
        {"&quot;", "\""},
        {"&sect;", "\xC2\xA7"},
        {"&permil;", "\xE2\x80\xB0"},
        {"&reg;", "\xC2\xAE"},
        {"&copy;", "\xC2\xA9"},
        {"&para;", "\xC2\xB6"},
        {"&trade;", "\xE2\x84\xA2"},
        {"&euro;", "\xE2\x82\xAC"},
    }};
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] != '&') {
            out += s[i++];
            continue;
        }
        if (StartsWith(s.substr(i), "&&")) {
            out += "&&";
            i += 2;
            continue;
        }
        bool replaced = false;
        for (const auto& [entity, value] : table)
            if (StartsWith(s.substr(i), entity)) {
                out += value;
                i += entity.size();
                replaced = true;
                break;
            }
        if (!replaced) out += s[i++];
    }
    return out;
}

// The entities replaced in each text run: "&nbsp;", "&lt;" and "&gt;". A
// doubled "&" (a shown ampersand) is passed over, so its "&" never starts one.
std::string ReplaceRunEntities(std::string_view s) {
    if (s.find('&') == std::string_view::npos) return std::string(s);
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const std::string_view rest = s.substr(i);
        if (StartsWith(rest, "&&")) {
            out += "&&";
            i += 2;
        } else if (StartsWith(rest, "&nbsp;")) {
            out += ' ';
            i += 6;
        } else if (StartsWith(rest, "&lt;")) {
            out += '<';
            i += 4;
        } else if (StartsWith(rest, "&gt;")) {
            out += '>';
            i += 4;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// The shown characters of a run after prefix processing ("&&" is one "&",
// a single "&" only marks the next character).
std::string ShownText(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 >= s.size()) break;  // a lone "&" at the end shows nothing
            if (s[i + 1] != '&') continue;  // it only marks the next character
            ++i;
        }
        out += s[i];
    }
    return out;
}

// ---- Tags ---------------------------------------------------------------------------

// One tag: its text up to and with ">", upper-cased too, and its name.
struct Tag {
    std::string_view text;
    std::string upper;
    std::string name;  // upper case, without "/"
    bool closing = false;

    // The value of an attribute: the name must stand as a word, followed by
    // "="; the value is the text in double quotes, or up to a blank or ">".
    // Upper case unless `keepCase`; empty when the attribute is missing.
    std::string Attribute(std::string_view attr, bool keepCase = false) const {
        for (std::size_t at = upper.find(attr); at != std::string::npos; at = upper.find(attr, at + 1)) {
            if (at > 0 && IsWordChar(upper[at - 1])) continue;
            std::size_t p = at + attr.size();
            while (p < upper.size() && upper[p] == ' ') ++p;
            if (p >= upper.size() || upper[p] != '=') continue;
            ++p;
            while (p < upper.size() && upper[p] == ' ') ++p;
            std::size_t end;
            if (p < upper.size() && upper[p] == '"') {
                end = upper.find('"', ++p);
                if (end == std::string::npos) end = upper.size();
            } else {
                end = upper.find_first_of(" >", p);
                if (end == std::string::npos) end = upper.size();
            }
            return std::string(keepCase ? text.substr(p, end - p) : std::string_view(upper).substr(p, end - p));
        }
        return {};
    }
    int Number(std::string_view attr) const { return TextToInt(Attribute(attr)); }
};

// A colour value of a tag: "#RRGGBB", a colour name, or none when empty.
Color ParseColor(const std::string& value) {
    if (value.empty()) return gfx::clNone;
    if (value[0] != '#') return ColorFromName(LowerCase(value));
    auto digit = [&](std::size_t i) -> int {
        if (i >= value.size()) return 0;
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(value[i])));
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    auto channel = [&](std::size_t i) { return static_cast<uint8_t>(digit(i) * 16 + digit(i + 1)); };
    return gfx::rgb(channel(1), channel(3), channel(5));
}

enum class Align { Left, Right, Center };

// Everything the markup switches on and off; it carries from line to line.
struct MarkupState {
    gfx::FontSpec font;
    Color brush = gfx::clNone;  // a run's background; none = transparent
    bool anchorOpen = false;
    std::string anchorValue;
    int anchorNumber = -1;
    int anchorCount = 0;
    bool hidden = false, shadow = false, errorMark = false, sub = false, sup = false;
    bool paragraphBackground = false;
    Color paragraphFrom = gfx::clNone, paragraphTo = gfx::clNone;
    int listLevel = 0;
    int savedEscapement = 0;
    Color savedHighlightFont = 0, savedHighlightBrush = gfx::clNone;
};

// The measured geometry of one line.
struct LineMetrics {
    int width = 0;
    int height = 0;  // the tallest run or image
    int subExtra = 0, supExtra = 0;
    int baselineOffset = 0;
    Align align = Align::Left;
    int indent = 0;
};

// What one pass over a line found under the mouse.
struct LineHits {
    bool textAnchor = false, imageAnchor = false;
    std::string anchor;
    int anchorNumber = -1;
    gfx::Rect anchorRect;
    std::string focusAnchor;
};

// The renderer of one item: the fixed inputs and the line pass.
class ItemRenderer {
public:
    ItemRenderer(gfx::Canvas& canvas, const Rect& rect, const HtmlItemParams& params)
        : c_(canvas), rect_(rect), p_(params), entryFont_(canvas.font()), background_(canvas.brushColor()) {
        flags_ = DT::SingleLine | DT::Bottom | DT::ExpandTabs;
        if (!p_.wordWrap) flags_ |= DT::EndEllipsis;
        available_ = rect.right - rect.left;
        ghHeight_ = TextSize("gh").height();
    }

    const gfx::FontSpec& entryFont() const { return entryFont_; }
    int ghHeight() const { return ghHeight_; }
    int available() const { return available_; }

    // Consumes one line from the front of `text` (DrawHtmlText). Measuring
    // passes give `geometry` null; a drawing pass places runs by the
    // geometry measured before. `plain` collects the shown text when given.
    LineMetrics Line(MarkupState& s, std::string& text, int left, int top, const LineMetrics* geometry, bool draw,
                     std::string* plain, LineHits& hits);

private:
    Rect TextSize(std::string_view run, int room = 1 << 20) {
        Rect r{0, 0, room, 0};
        c_.drawText(r, run, flags_ | DT::CalcRect | DT::ExternalLeading);
        return r;
    }
    void HandleTag(MarkupState& s, const Tag& tag);
    void Image(MarkupState& s, const Tag& tag);
    void PaintBody(const Tag& tag);
    void PaintBand(const MarkupState& s);
    THtmlImage* FindPicture(const std::string& source);

    gfx::Canvas& c_;
    const Rect rect_;
    const HtmlItemParams& p_;
    const gfx::FontSpec entryFont_;
    const Color background_;
    unsigned flags_ = 0;
    int available_ = 0;
    int ghHeight_ = 0;

    // The line being laid out.
    LineMetrics m_;
    LineHits* hits_ = nullptr;
    const LineMetrics* geometry_ = nullptr;
    bool draw_ = false, measuring_ = true;
    int left_ = 0, top_ = 0;
    bool lineDone_ = false, lineFull_ = false, lineHasBullet_ = false;
    bool elided_ = false;
    int anchorStart_ = 0;
    int trailingSpace_ = 0;
    bool endsInSpace_ = false;
    std::string* plain_ = nullptr;

    int LineBottom() const {
        const LineMetrics& g = geometry_ ? *geometry_ : m_;
        return top_ + g.supExtra + g.height;
    }
    int X() const { return left_ + m_.width; }
};

LineMetrics ItemRenderer::Line(MarkupState& s, std::string& text, int left, int top, const LineMetrics* geometry,
                               bool draw, std::string* plain, LineHits& hits) {
    m_ = {};
    hits_ = &hits;
    geometry_ = geometry;
    draw_ = draw;
    measuring_ = geometry == nullptr;
    left_ = left;
    top_ = top;
    lineDone_ = lineFull_ = lineHasBullet_ = elided_ = endsInSpace_ = false;
    trailingSpace_ = 0;
    anchorStart_ = left;
    plain_ = plain;
    if (draw_ && s.paragraphBackground) PaintBand(s);

    std::size_t pos = 0;
    while (pos < text.size() && !lineDone_ && !lineFull_) {
        const std::string_view rest = std::string_view(text).substr(pos);
        if (rest[0] != '<') {
            // A text run: up to the next tag, or with word wrap up to and with
            // the next blank before it.
            std::size_t end = rest.find('<');
            if (end == std::string_view::npos) end = rest.size();
            if (p_.wordWrap) {
                const std::size_t blank = rest.find(' ');
                if (blank != std::string_view::npos && blank < end) end = blank + 1;
            }
            const std::string run = ReplaceRunEntities(rest.substr(0, end));
            if (s.hidden) {
                // Hidden text (Z) is consumed and has no other effect: no
                // width, no height, no anchor.
                pos += end;
                if (plain_) *plain_ += ShownText(run);
                continue;
            }
            c_.setFont(s.font);
            int runWidth = 0, runHeight = 0;
            if (!elided_) {
                const int room = p_.wordWrap ? 1 << 20 : std::max(0, available_ - m_.width);
                const Rect size = TextSize(run, room);
                runWidth = size.width();
                runHeight = size.height();
                if (!p_.wordWrap && runWidth < TextSize(run).width()) elided_ = true;
                const bool fits = available_ > m_.width + runWidth || available_ <= runWidth || !endsInSpace_;
                if (p_.wordWrap && !fits) {
                    lineFull_ = true;  // the run starts the next line
                    break;
                }
            }
            pos += end;
            m_.height = std::max(m_.height, runHeight);
            if (s.sub) m_.subExtra = std::max(m_.subExtra, runHeight / 4);
            if (s.sup) m_.supExtra = std::max(m_.supExtra, runHeight / 4);
            if (plain_) *plain_ += ShownText(run);
            if (elided_ && runWidth == 0) continue;

            const int x = X();
            if (s.anchorOpen && p_.mouse.x >= x && p_.mouse.x < x + runWidth) {
                hits_->textAnchor = true;
                hits_->anchor = s.anchorValue;
                hits_->anchorNumber = s.anchorNumber;
            }
            if (draw_) {
                int bottom = LineBottom() - geometry_->baselineOffset;
                if (s.sup) bottom -= geometry_->supExtra;
                if (s.sub) bottom += geometry_->subExtra;
                if (!gfx::isNone(s.brush)) c_.fillRect({x, bottom - runHeight, x + runWidth, bottom}, s.brush);
                Rect r{x, bottom - runHeight, x + (p_.wordWrap ? runWidth : std::max(0, available_ - m_.width)), bottom};
                if (s.shadow) {
                    gfx::FontSpec shade = s.font;
                    shade.color = p_.shadowColor;
                    c_.setFont(shade);
                    Rect shifted = r.translated(p_.shadowOffset, p_.shadowOffset);
                    c_.drawText(shifted, run, flags_ | DT::NoClip);
                    c_.setFont(s.font);
                }
                c_.drawText(r, run, flags_ | DT::NoClip);
                if (s.errorMark) {
                    // A red zig-zag under the run, from the even x at or left of its start.
                    std::vector<gfx::Point> zigzag;
                    int zx = x - (((x % 2) + 2) % 2);
                    for (bool low = false; zx <= x + runWidth; zx += 2, low = !low)
                        zigzag.push_back({zx, low ? bottom + 1 : bottom - 1});
                    c_.setPenColor(gfx::clRed);
                    c_.setPenWidth(1);
                    c_.polyline(zigzag);
                }
                if (s.anchorOpen && s.anchorNumber == p_.focusLink) hits_->focusAnchor = s.anchorValue;
            }
            m_.width += runWidth;
            endsInSpace_ = !run.empty() && run.back() == ' ';
            trailingSpace_ = endsInSpace_ ? c_.textWidth(" ") : 0;
            continue;
        }

        // A tag.
        if (rest.size() < 3) {
            pos = text.size();
            break;
        }
        const std::size_t close = rest.find('>');
        Tag tag;
        tag.text = rest.substr(0, close == std::string_view::npos ? rest.size() : close + 1);
        tag.upper = UpperCase(tag.text);
        tag.closing = rest[1] == '/' && rest.size() > 3;
        for (std::size_t i = tag.closing ? 2 : 1; i < tag.upper.size() && IsWordChar(tag.upper[i]); ++i)
            tag.name += tag.upper[i];
        HandleTag(s, tag);
        if (lineFull_) break;  // the tag starts the next line
        pos = close == std::string_view::npos ? text.size() : pos + close + 1;
    }
    text.erase(0, pos);
    if (endsInSpace_) m_.width -= trailingSpace_;
    return m_;
}

void ItemRenderer::HandleTag(MarkupState& s, const Tag& tag) {
    const std::string& n = tag.name;
    const bool open = !tag.closing;
    auto restoreColor = [&] { s.font.color = entryFont_.color; };

    if (n == "A") {
        if (open) {
            ++s.anchorCount;
            s.anchorNumber = s.anchorCount - 1;
            const std::size_t q1 = tag.text.find('"');
            const std::size_t q2 = q1 == std::string_view::npos ? q1 : tag.text.find('"', q1 + 1);
            s.anchorValue = q2 == std::string_view::npos ? std::string() : std::string(tag.text.substr(q1 + 1, q2 - q1 - 1));
            s.anchorOpen = true;
            s.font.underline = true;
            if (!p_.selected) s.font.color = p_.anchorColor;
            if (s.anchorNumber == p_.hoverLink && !gfx::isNone(p_.hoverFontColor)) s.font.color = p_.hoverFontColor;
            if (s.anchorNumber == p_.hoverLink && !gfx::isNone(p_.hoverBrushColor)) s.brush = p_.hoverBrushColor;
            anchorStart_ = X();
        } else {
            s.font.underline = false;
            if (!p_.selected) restoreColor();
            if (s.anchorOpen && s.anchorNumber == p_.hoverLink) s.brush = gfx::clNone;
            if (s.anchorOpen && hits_->anchorNumber == s.anchorNumber && (hits_->textAnchor || hits_->imageAnchor))
                hits_->anchorRect = {anchorStart_, top_, X(), LineBottom()};
            s.anchorOpen = false;
        }
    } else if (n == "B") {
        s.font.bold = open;
    } else if (!open && n.size() > 1 && n[0] == 'B') {
        restoreColor();  // the end of BLINK or BODY
    } else if (StartsWith(n, "BL")) {
        if (!p_.blinkVisible) s.font.color = background_;
    } else if (StartsWith(n, "BO")) {
        if (draw_ && !p_.selected) PaintBody(tag);
    } else if (n == "BR") {
        lineDone_ = true;
        if (plain_) *plain_ += '\r';
    } else if (n == "E") {
        s.errorMark = open;
    } else if (n == "FONT") {
        if (open) {
            const std::string face = tag.Attribute("FACE", true);
            if (!face.empty()) s.font.family = face;
            const std::string color = tag.Attribute("COLOR");
            if (!color.empty() && !p_.selected) s.font.color = ParseColor(color);
            const std::string bg = tag.Attribute("BGCOLOR");
            if (!bg.empty() && !p_.selected) s.brush = ParseColor(bg);
            const std::string size = tag.Attribute("SIZE");
            if (!size.empty()) {
                static constexpr int points[] = {8, 10, 12, 14, 16};
                const int v = TextToInt(size);
                s.font.size = v >= 1 && v <= 5 ? points[v - 1] : v;
            }
        } else {
            s.font.family = entryFont_.family;
            s.font.size = entryFont_.size;
            if (!p_.selected) {
                restoreColor();
                s.brush = gfx::clNone;
            }
        }
    } else if (n == "HI") {
        if (open) {
            s.savedHighlightFont = s.font.color;
            s.savedHighlightBrush = s.brush;
            s.brush = gfx::clHighlight;
            s.font.color = gfx::clHighlightText;
        } else {
            s.font.color = s.savedHighlightFont;
            s.brush = s.savedHighlightBrush;
        }
    } else if (n == "HR") {
        lineDone_ = true;
        if (draw_) {
            const int y = top_ + geometry_->supExtra + geometry_->height + geometry_->subExtra + 1;
            c_.setPenColor(gfx::clBlack);
            c_.setPenWidth(1);
            c_.line(rect_.left, y, rect_.right, y);
        }
    } else if (n == "I") {
        s.font.italic = open;
    } else if (n == "IMG") {
        if (open) Image(s, tag);
    } else if (n == "IND") {
        const int x = tag.Number("X");
        if (open && m_.width < x) m_.width = x;
    } else if (n == "LI") {
        if (!open) {
            lineDone_ = true;
        } else if (lineHasBullet_) {
            lineFull_ = true;
        } else {
            lineHasBullet_ = true;
            const int x = X() + (s.listLevel - 1) * BulletIndent;
            if (draw_) {
                c_.setFont(s.font);
                Rect r{x, LineBottom() - geometry_->baselineOffset - ghHeight_, x + BulletIndent,
                       LineBottom() - geometry_->baselineOffset};
                c_.drawText(r, s.listLevel % 2 == 1 ? "\xE2\x80\xA2" : "o", flags_ | DT::NoClip);
            }
            m_.width += s.listLevel * BulletIndent;
            endsInSpace_ = false;
        }
    } else if (n == "P") {
        if (open) {
            const std::string align = tag.Attribute("ALIGN");
            m_.align = align == "RIGHT" ? Align::Right : align == "CENTER" ? Align::Center : Align::Left;
            m_.indent = tag.Number("INDENT");
            const std::string bg = tag.Attribute("BGCOLOR");
            if (!bg.empty()) {
                s.paragraphBackground = true;
                s.paragraphFrom = ParseColor(bg);
                s.paragraphTo = ParseColor(tag.Attribute("BGCOLORTO"));
                if (draw_) PaintBand(s);
            }
        } else {
            lineDone_ = true;
            s.paragraphBackground = false;
        }
    } else if (n == "R") {
        if (open) {
            s.savedEscapement = s.font.escapement;
            s.font.escapement = tag.Number("A") * 10;
        } else {
            s.font.escapement = s.savedEscapement;
        }
    } else if (n == "S") {
        s.font.strikeOut = open;
    } else if (n == "SHAD") {
        s.shadow = open;
    } else if (!open && StartsWith(n, "SU")) {
        s.sub = s.sup = false;
    } else if (n == "SUB") {
        s.sub = true;
    } else if (n == "SUP") {
        s.sup = true;
    } else if (n == "U") {
        s.font.underline = open;
    } else if (n == "UL") {
        if (open) {
            ++s.listLevel;
            lineDone_ = true;
        } else if (s.listLevel > 0) {
            --s.listLevel;
        }
    } else if (n == "Z") {
        s.hidden = open;
    }
}

THtmlImage* ItemRenderer::FindPicture(const std::string& source) {
    if (source.find(':') == std::string::npos) return p_.container ? p_.container->FindPicture(source) : nullptr;
    if (source.find("://") == std::string::npos || !p_.cache) return nullptr;
    // A picture named by a link is looked up by its source, and added once.
    if (THtmlImage* found = p_.cache->FindPicture(source)) return found;
    THtmlImage& added = p_.cache->AddPicture();
    added.SetPictureSource(source);
    return &added;
}

void ItemRenderer::Image(MarkupState& s, const Tag& tag) {
    const std::string source = tag.Attribute("SRC", true);
    const int dpi = c_.logicalDpi();
    auto scaled = [dpi](int v) { return v * dpi / 96; };
    int w = 0, h = 0;
    enum class Kind { None, Index, Shell, Picture } kind = Kind::None;
    int index = -1;
    bool large = false;
    THtmlImage* picture = nullptr;
    if (StartsWithNoCase(source, "IDX:")) {
        index = TextToInt(source.substr(4));
        if (p_.images && index >= 0 && index < p_.images->count()) {
            kind = Kind::Index;
            w = scaled(p_.images->width());
            h = scaled(p_.images->height());
        }
    } else if (StartsWithNoCase(source, "SSYS:") || StartsWithNoCase(source, "LSYS:")) {
        kind = Kind::Shell;
        large = std::toupper(static_cast<unsigned char>(source[0])) == 'L';
        const int side = large ? 32 : 16;
        w = scaled(p_.images ? p_.images->width() : side);
        h = scaled(p_.images ? p_.images->height() : side);
    } else if ((picture = FindPicture(source)) != nullptr && !picture->empty()) {
        kind = Kind::Picture;
        const int wantW = tag.Number("WIDTH"), wantH = tag.Number("HEIGHT");
        w = scaled(wantW > 0 ? wantW : picture->width());
        h = scaled(wantH > 0 ? wantH : picture->height());
    }
    if (kind == Kind::None) return;

    if (m_.width + w > available_ && available_ > w) {
        lineFull_ = true;  // the image starts the next line
        return;
    }
    const int x = X();
    const Rect box = gfx::rectOfSize(x, top_, w, h);
    if (s.anchorOpen && box.contains(p_.mouse.x, p_.mouse.y)) {
        hits_->imageAnchor = true;
        hits_->anchor = s.anchorValue;
        hits_->anchorNumber = s.anchorNumber;
    }
    if (draw_) {
        try {
            switch (kind) {
            case Kind::Index: p_.images->draw(c_, index, x, top_, true); break;
            case Kind::Shell: DrawItemImage(c_, box, source.substr(5), large, p_.shellIcons); break;
            case Kind::Picture: picture->Paint(c_, box, tag.Number("WIDTH") > 0 || tag.Number("HEIGHT") > 0); break;
            case Kind::None: break;
            }
        } catch (const std::exception&) {
            // A picture that cannot be drawn shows nothing.
        }
        if (s.anchorOpen && s.anchorNumber == p_.focusLink) hits_->focusAnchor = s.anchorValue;
    }
    m_.width += w;
    m_.height = std::max(m_.height, h);
    endsInSpace_ = false;
    const std::string align = tag.Attribute("ALIGN");
    if (align == "TOP") m_.baselineOffset = m_.height - ghHeight_;
    if (align == "MIDDLE") m_.baselineOffset = (m_.height - ghHeight_) / 2;
}

void ItemRenderer::PaintBody(const Tag& tag) {
    const Rect whole{rect_.left - 2, rect_.top, rect_.right, rect_.bottom};
    const std::string picture = tag.Attribute("BACKGROUND", true);
    if (!picture.empty()) {
        THtmlImage* p = FindPicture(picture);
        if (p && !p->empty() && p->width() > 0 && p->height() > 0) {
            c_.pushClip(rect_);
            for (int y = rect_.top; y < rect_.bottom; y += p->height())
                for (int x = rect_.left; x < rect_.right; x += p->width())
                    p->Paint(c_, gfx::rectOfSize(x, y, p->width(), p->height()), false);
            c_.popClip();
        }
    }
    const Color from = ParseColor(tag.Attribute("BGCOLOR"));
    if (gfx::isNone(from)) return;
    const Color to = ParseColor(tag.Attribute("BGCOLORTO"));
    if (gfx::isNone(to))
        c_.fillRect(whole, from);
    else
    {
        const std::string dir = tag.Attribute("DIR");
        DrawGradient(c_, from, to, dir.empty() || dir == "H", whole, GradientSteps, gfx::clNone);
    }
}

void ItemRenderer::PaintBand(const MarkupState& s) {
    const LineMetrics& g = geometry_ ? *geometry_ : m_;
    const Rect band{rect_.left, top_, rect_.right, top_ + g.supExtra + g.height + g.subExtra + p_.lineSpacing};
    if (gfx::isNone(s.paragraphFrom)) return;
    if (gfx::isNone(s.paragraphTo))
        c_.fillRect(band, s.paragraphFrom);
    else
        DrawGradient(c_, s.paragraphFrom, s.paragraphTo, true, band, GradientSteps, gfx::clNone);
}

// The text as the lines read it: entities replaced, the first "<#" opened,
// line feeds dropped and carriage returns turned into line breaks.
std::string PrepareItemText(std::string_view raw) {
    std::string text = ReplaceItemEntities(raw);
    if (const std::size_t hash = text.find("<#"); hash != std::string::npos) {
        text.erase(hash, 1);
        if (const std::size_t gt = text.find('>', hash); gt != std::string::npos) text.erase(gt, 1);
    }
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\n') continue;
        if (ch == '\r')
            out += "<BR>";
        else
            out += ch;
    }
    return out;
}

}  // namespace

HtmlItemResult DrawHtmlItem(gfx::Canvas& canvas, std::string_view raw, const Rect& rect, const HtmlItemParams& p) {
    const gfx::FontSpec entryFont = canvas.font();
    const Color entryBrush = canvas.brushColor();
    const gfx::BrushStyle entryStyle = canvas.brushStyle();
    canvas.setBrushStyle(gfx::BrushStyle::Clear);

    ItemRenderer renderer(canvas, rect, p);
    HtmlItemResult result;
    MarkupState state;
    state.font = entryFont;
    std::string text = PrepareItemText(raw);
    int top = rect.top;
    while (!text.empty()) {
        // Measure the line on copies, then draw it from the same start.
        MarkupState probeState = state;
        std::string probe = text;
        LineHits probeHits;
        const LineMetrics m = renderer.Line(probeState, probe, rect.left, top, nullptr, false,
                                            p.measureOnly ? &result.plainText : nullptr, probeHits);
        if (probe.size() == text.size()) break;  // nothing consumed: no progress possible
        int x = rect.left;
        if (m.align == Align::Right && rect.right - m.width > rect.left) x = rect.right - m.width;
        if (m.align == Align::Center && renderer.available() - m.width > 0)
            x = rect.left + (renderer.available() - m.width) / 2;
        x += m.indent;
        const int lineHeight = m.supExtra + m.height + m.subExtra + p.lineSpacing;
        if (p.measureOnly) {
            state = std::move(probeState);
            text = std::move(probe);
        } else {
            std::string line = text.substr(0, text.size() - probe.size());
            LineHits hits;
            renderer.Line(state, line, x, top, &m, !p.noDraw, &result.plainText, hits);
            text = std::move(probe);
            const int bottom = top + m.supExtra + m.height - m.baselineOffset;
            const bool onText = hits.textAnchor && p.mouse.y > bottom - renderer.ghHeight() && p.mouse.y < bottom;
            if ((onText || hits.imageAnchor) && !result.anchorHit) {
                result.anchorHit = true;
                result.anchor = hits.anchor;
                result.anchorIndex = hits.anchorNumber;
                result.anchorRect = hits.anchorRect;
            }
            if (!hits.focusAnchor.empty()) result.focusAnchor = hits.focusAnchor;
        }
        result.width = std::max(result.width, m.width);
        result.height += lineHeight;
        top += lineHeight;
        if (!p.measureOnly && top + renderer.ghHeight() > rect.bottom) break;
    }
    if (result.height == 0) result.height = renderer.ghHeight();
    result.anchorCount = state.anchorCount;

    canvas.setFont(entryFont);
    canvas.setBrushColor(entryBrush);
    canvas.setBrushStyle(entryStyle);
    return result;
}

gfx::Color ColorFromName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, Color>, 16> direct{{
        {"clred", 0x0000FF},     {"clblack", 0x000000}, {"clblue", 0xFF0000},   {"clgreen", 0x008000},
        {"claqua", 0xFFFF00},    {"clyellow", 0x00FFFF}, {"clfuchsia", 0xFF00FF}, {"clwhite", 0xFFFFFF},
        {"cllime", 0x00FF00},    {"clsilver", 0xC0C0C0}, {"clgray", 0x808080},   {"clolive", 0x008080},
        {"clnavy", 0x800000},    {"clpurple", 0x800080}, {"clteal", 0x808000},   {"clmaroon", 0x000080},
    }};
    static constexpr std::array<std::string_view, 24> system{
        "clbackground",  "clactivecaption", "clinactivecaption", "clmenu",          "clwindow",
        "clwindowframe", "clmenutext",      "clwindowtext",      "clcaptiontext",   "clactiveborder",
        "clinactiveborder", "clappworkspace", "clhighlight",     "clhighlighttext", "clbtnface",
        "clbtnshadow",   "clgraytext",      "clbtntext",         "clinactivecaptiontext", "clbtnhighlight",
        "cl3ddkshadow",  "cl3dlight",       "clinfotext",        "clinfobk",
    };
    for (const auto& [n, c] : direct)
        if (n == name) return c;
    for (std::size_t i = 0; i < system.size(); ++i)
        if (system[i] == name) return gfx::SystemColorFlag + static_cast<Color>(i + 1);
    return 0;
}

std::string StripHtmlTags(std::string_view in) {
    // Line breaks first.
    std::string s;
    s.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        if (StartsWithNoCase(in.substr(i), "<BR>") || StartsWithNoCase(in.substr(i), "<HR>")) {
            s += "\r\n";
            i += 4;
        } else {
            s += in[i++];
        }
    }
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] != '<') {
            out += s[i++];
            continue;
        }
        const std::string_view rest = std::string_view(s).substr(i);
        const bool lowerZ = StartsWith(rest, "<z>"), upperZ = StartsWith(rest, "<Z>");
        const std::size_t end = lowerZ ? s.find("</z>", i) : upperZ ? s.find("</Z>", i) : s.find('>', i);
        if (end == std::string::npos) {
            out.append(rest);
            break;
        }
        i = end + ((lowerZ || upperZ) ? 4 : 1);
    }
    return out;
}

void DrawItemImage(gfx::Canvas& canvas, const Rect& box, const std::string& path, bool large,
                   const ShellIconSource& icons) {
    if (!icons || path.empty()) return;
    if (std::all_of(path.begin(), path.end(), [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); }))
        return;
    const gfx::Bitmap icon = icons(path, large);
    if (icon.empty()) return;
    canvas.stretchBitmap(box, icon, {0, 0, icon.width(), icon.height()});
}
