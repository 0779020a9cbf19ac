#include "htmlviewer/HtmlBlocks.h"

#include <algorithm>
#include <array>

#include "model/TextConv.h"
#include "platform/gfx/Arith.h"

namespace {

// A gap or rule writes one empty line when the selection holds it: when it
// begins before the gap (a selection that starts with the paragraph after
// the gap does not hold the gap).
void CopyGap(const TSectionBase& section) {
    TSectionList* doc = section.OwnerDocument;
    if (section.FirstPosition > doc->SelB && section.FirstPosition < doc->SelE) doc->CopyBuffer += "\r\n";
}

// True when a background counts as light for the coloured bullets: the
// button face, white, silver, or the window colour when that is white.
bool LightBackground(gfx::Canvas& canvas, gfx::Color background) {
    const gfx::Color c = canvas.resolve(background);
    return background == gfx::clBtnFace || c == canvas.resolve(gfx::clBtnFace) || c == gfx::clWhite ||
           c == gfx::clSilver || (background == gfx::clWindow && canvas.resolve(gfx::clWindow) == gfx::clWhite);
}

}  // namespace

// ---- Gaps ---------------------------------------------------------------------------

void TParagraphSpace::SetHeight() { SectionHeight = gfx::mulDiv(14, OwnerDocument->FontSize, 12); }
void TParagraphSpace::CopySelection() { CopyGap(*this); }

THeadingSpace::THeadingSpace(TSectionList* document, int level) : TSectionBase(document), HeadingSize(level) {}

void THeadingSpace::SetHeight() {
    static constexpr std::array<int, 7> Heights = {8, 16, 12, 10, 8, 6, 4};
    const int n = HeadingSize >= 1 && HeadingSize <= 6 ? Heights[static_cast<std::size_t>(HeadingSize)] : 8;
    SectionHeight = gfx::mulDiv(n, OwnerDocument->FontSize, 12);
}

void THeadingSpace::CopySelection() { CopyGap(*this); }

// ---- Rules --------------------------------------------------------------------------

THorzLine::THorzLine(TSectionList* document, const TAttributeList& attributes) : TSectionBase(document) {
    for (const auto& a : attributes) {
        switch (a->AttrSymbol) {
        case AttrSym::Size:
            if (a->Value >= 1 && a->Value <= 20) VSize = a->Value;
            break;
        case AttrSym::Width:
            if (a->Name.find('%') != std::string::npos) {
                if (a->Value >= 1 && a->Value <= 100) {
                    Width = a->Value;
                    AsPercent = true;
                }
            } else if (a->Value > 0) {
                Width = a->Value;
            }
            break;
        case AttrSym::Color: HasColor = HasColor || ColorAttribute(*a, Color); break;
        case AttrSym::NoShade: NoShade = true; break;
        case AttrSym::Align: {
            const std::string v = LowerCase(a->Name);
            Align = v == "left" ? 1 : v == "right" ? 3 : 2;
            break;
        }
        default: break;
        }
    }
}

void THorzLine::SetHeight() { SectionHeight = gfx::mulDiv(20, OwnerDocument->FontSize, 12) - 2 + VSize; }
void THorzLine::CopySelection() { CopyGap(*this); }

int THorzLine::Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int, IndentManager& indents) {
    YPosition = y;
    const int top = y - OwnerDocument->ScrollY;
    if (top < rect.bottom && top + SectionHeight > rect.top) {
        const int left = indents.LeftIndent(y), right = indents.RightSide(y);
        const int room = right - left;
        int x = left + 10, width = room - 20;
        if (Width >= 0) {
            width = AsPercent ? gfx::mulDiv(room, Width, 100) : Width;
            x = Align == 1 ? left : Align == 3 ? right - width : left + (room - width) / 2;
        }
        const int lineTop = top + (SectionHeight - VSize) / 2;
        gfx::Rect r{x, lineTop, x + width, lineTop + VSize};
        if (HasColor) {
            canvas.fillRect(r, Color);
        } else {
            const bool black = NoShade || canvas.isMonochrome();
            const gfx::Color dark = black ? gfx::clBlack : gfx::clBtnShadow;
            gfx::Color light = gfx::clBlack;
            if (!black) {
                const gfx::Color bg = OwnerDocument->Background;
                const bool white = canvas.resolve(bg) == gfx::clWhite ||
                                   (bg == gfx::clWindow && canvas.resolve(gfx::clWindow) == gfx::clWhite);
                light = white ? gfx::clSilver : gfx::clBtnHighlight;
            }
            canvas.frame3D(r, PaletteRelative(dark), PaletteRelative(light), 1);
        }
    }
    return AddHeights(y, SectionHeight);
}

// ---- Preformatted text ----------------------------------------------------------------

TPreFormated::TPreFormated(TSectionList* document, const TUrlTarget& urlTarget, const TMyFont& font, int listLevel)
    : TSection(document, LeftJustify, urlTarget, font, listLevel) {}

void TPreFormated::AddTokenObj(const TokenObj& token, bool) {
    if (token.S.empty() || static_cast<int>(Buff.size()) > MaxChars) return;
    std::vector<int32_t> positions = token.I;
    positions.resize(token.S.size(), positions.empty() ? 0 : positions.back());
    Append(token.S, positions.data());
}

int TPreFormated::LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) {
    if (Buff.empty()) {
        YPosition = y;
        FirstPosition = curs;
        Lines.clear();
        indents.SetLevel(y, ListLevel, IndentManager::ListIndent, false);
        SectionHeight = Fonts.Count() ? Fonts[0]->TheFont.Font.size : BaseFont.Font.size;
        DrawHeight = SectionHeight;
        maxWidth = 0;
        return SectionHeight;
    }
    const int height = TSection::LayOutSection(canvas, y, indents, maxWidth, curs);
    int min = 0;
    WidthBounds(canvas, min, maxWidth);
    return height;
}

void TPreFormated::WidthBounds(gfx::Canvas& canvas, int& min, int& max) {
    MeasureFonts(canvas);
    for (const auto& image : Images) image->SetSize(canvas, 0);
    max = TextWidth(0, static_cast<int>(Buff.size()), false) + Indent;
    min = std::min(max, MaxMinWidth);
}

// ---- List items -----------------------------------------------------------------------

TUListItem::TUListItem(TSectionList* document, int level, const TUrlTarget& urlTarget, const TMyFont& font,
                       bool plain)
    : TSection(document, LeftJustify, urlTarget, font, level), Plain(plain) {
    ListKind = 2;
}

void TUListItem::DrawMarker(gfx::Canvas& canvas, int textX, int baseline, const LineRec&) {
    if (Plain || Fonts.Count() == 0) return;
    const TFontObj* font = Fonts[0];
    const int x = textX - 10;
    const int y = baseline - (font->tmHeight - font->Descent) / 3;
    const TSectionList* doc = OwnerDocument;
    if (LightBackground(canvas, doc->Background)) {
        // By the list level: 0 and 3 red, 1 and 4 navy, 2 and 5 maroon (the
        // items of a list at the top stand at level 1).
        static constexpr std::array<gfx::Color, 3> Colors = {gfx::clRed, gfx::clNavy, gfx::clMaroon};
        const gfx::Color c = PaletteRelative(Colors[static_cast<std::size_t>(std::max(0, ListLevel) % 3)]);
        canvas.setPenColor(c);
        canvas.setBrushColor(c);
        canvas.setBrushStyle(gfx::BrushStyle::Solid);
    } else {
        canvas.setPenColor(PaletteRelative(doc->FontColor));
        canvas.setBrushStyle(gfx::BrushStyle::Clear);
    }
    canvas.ellipse({x - 2, y - 2, x + 3, y + 3});
    canvas.setBrushStyle(gfx::BrushStyle::Clear);
}

TDListItem::TDListItem(TSectionList* document, int level, const TUrlTarget& urlTarget, const TMyFont& font)
    : TUListItem(document, level, urlTarget, font, true) {
    ListKind = 3;
}

TOListItem::TOListItem(TSectionList* document, int level, int number, char style, const TUrlTarget& urlTarget,
                       const TMyFont& font)
    : TUListItem(document, level, urlTarget, font, false), ItemNumber(number), NumberStyle(style) {
    ListKind = 1;
}

std::string TOListItem::MarkerText() const {
    static constexpr std::array<const char*, 20> Roman = {"I",   "II",  "III",  "IV",  "V",  "VI",  "VII",
                                                          "VIII", "IX", "X",    "XI",  "XII", "XIII", "XIV",
                                                          "XV",  "XVI", "XVII", "XVIII", "XIX", "XX"};
    const int n = ItemNumber;
    // Letters and roman numerals start at 1: a number below that shows in decimal.
    if (n >= 1) {
        switch (NumberStyle) {
        case 'A': return std::string(1, static_cast<char>('A' + std::min(n, 26) - 1)) + ".";
        case 'a': return std::string(1, static_cast<char>('a' + std::min(n, 26) - 1)) + ".";
        case 'I': return std::string(Roman[static_cast<std::size_t>(std::min(n, 20) - 1)]) + ".";
        case 'i': return LowerCase(Roman[static_cast<std::size_t>(std::min(n, 20) - 1)]) + ".";
        default: break;
        }
    }
    return std::to_string(n) + ".";
}

void TOListItem::DrawMarker(gfx::Canvas& canvas, int textX, int baseline, const LineRec&) {
    const std::string text = MarkerText();
    canvas.setFont(BaseFont.Font);
    canvas.setBrushStyle(gfx::BrushStyle::Clear);
    canvas.setTextAlign(gfx::TextAlign::Baseline);
    const int width = canvas.textWidth(text);
    canvas.textOut(textX - 5 - width, baseline, text);
}
