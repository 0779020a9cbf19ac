#include "htmlviewer/HtmlFonts.h"

#include <algorithm>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlSections.h"
#include "model/TextConv.h"
#include "platform/gfx/Arith.h"

TFontStyles StylesOf(const gfx::FontSpec& font) {
    return static_cast<TFontStyles>((font.bold ? fsBold : 0) | (font.italic ? fsItalic : 0) |
                                    (font.underline ? fsUnderline : 0) | (font.strikeOut ? fsStrikeOut : 0));
}

void AddStyles(gfx::FontSpec& font, TFontStyles styles) {
    font.bold = font.bold || (styles & fsBold);
    font.italic = font.italic || (styles & fsItalic);
    font.underline = font.underline || (styles & fsUnderline);
    font.strikeOut = font.strikeOut || (styles & fsStrikeOut);
}

gfx::Color PaletteRelative(gfx::Color c) { return (c & 0xFF000000) == 0 ? c | gfx::PaletteRelativeFlag : c; }

std::string CanvasText(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 32) continue;
        if (b < 128)
            out.push_back(c);
        else if (b == 160)
            out.push_back(' ');
        else
            AppendUtf8(out, Cp1252ToUnicode(b));
    }
    return out;
}

void TMyFont::SetNormalSize(int normalSize, int defaultSize) {
    NormalSize = normalSize;
    Font.size = std::max(1, gfx::mulDiv(defaultSize, normalSize, 12));
}

// ---- Measuring cache --------------------------------------------------------------

const TFontInfo& TFontCache::Get(gfx::Canvas& canvas, const gfx::FontSpec& font) {
    gfx::FontSpec key = font;
    key.color = 0;
    for (const auto& e : Entries)
        if (e->Key == key) return e->Info;
    auto entry = std::make_unique<Entry>();
    entry->Key = key;
    const gfx::FontSpec saved = canvas.font();
    canvas.setFont(key);
    entry->Info.Metrics = canvas.metrics();
    // Every character is measured once; a non-breaking space measures as the
    // space it is drawn as, and the object codes take no room.
    std::string one;
    for (int b = 32; b < 256; ++b) {
        one.clear();
        if (b < 128)
            one.push_back(static_cast<char>(b));
        else
            AppendUtf8(one, b == 160 ? U' ' : Cp1252ToUnicode(static_cast<uint8_t>(b)));
        entry->Info.Widths[static_cast<std::size_t>(b)] = canvas.textWidth(one);
    }
    canvas.setFont(saved);
    Entries.push_back(std::move(entry));
    return Entries.back()->Info;
}

void TFontCache::Clear() {
    Entries.clear();
    ++Generation_;
}

// ---- Font runs ----------------------------------------------------------------------

TFontObj::TFontObj(TSection* section, const TMyFont& font, int pos) : Section(section), Pos(pos), TheFont(font) {}

const TFontInfo& TFontObj::UpdateMetrics(gfx::Canvas& canvas, TFontCache& cache) {
    if (!Info || InfoGeneration != cache.Generation()) {
        Info = &cache.Get(canvas, TheFont.Font);
        InfoGeneration = cache.Generation();
        const gfx::FontMetrics& m = Info->Metrics;
        tmHeight = m.height;
        FontHeight = m.height + m.externalLeading;
        Overhang = m.overhang;
        Descent = m.descent;
    }
    return *Info;
}

int TFontObj::TextWidth(std::string_view text) const {
    if (!Info || text.empty()) return 0;
    int w = 0;
    for (char c : text) w += Info->Widths[static_cast<uint8_t>(c)];
    return w - Overhang;
}

void TFontObj::SetFont(const TMyFont& font) {
    TheFont = font;
    Info = nullptr;
    if (!UrlTarget.Url.empty()) SetLinkColor();
}

void TFontObj::SetLinkColor() {
    const TSectionList* doc = Section ? Section->OwnerDocument : nullptr;
    if (!doc) return;
    gfx::Color c = doc->HotSpotColor;
    if (Hover && doc->LinksActive)
        c = doc->LinkActiveColor;
    else if (Visited)
        c = doc->LinkVisitedColor;
    TheFont.Font.color = PaletteRelative(c);
}

void TFontObj::SetVisited(bool visited) {
    Visited = visited;
    if (!UrlTarget.Url.empty()) SetLinkColor();
}

void TFontObj::SetHover(bool hover) {
    Hover = hover;
    if (!UrlTarget.Url.empty()) SetLinkColor();
}

void TFontObj::UpdateFont() {
    const TSectionList* doc = Section ? Section->OwnerDocument : nullptr;
    if (!doc) return;
    TheFont.SetNormalSize(TheFont.NormalSize, doc->FontSize);
    Info = nullptr;
    if (!UrlTarget.Url.empty()) SetLinkColor();
}

// ---- Font lists ---------------------------------------------------------------------

int TFontList::IndexAt(int pos) const {
    // Runs are in buffer order: the last one starting at or before pos.
    int lo = 0, hi = Count() - 1, found = Count() > 0 ? 0 : -1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        if ((*this)[mid]->Pos <= pos) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

TFontObj* TFontList::GetFontAt(int pos) const {
    const int i = IndexAt(pos);
    return i < 0 ? nullptr : (*this)[i];
}

int TFontList::NextFontChange(int pos, int length) const {
    const int i = IndexAt(pos);
    for (int j = i + 1; j < Count(); ++j)
        if ((*this)[j]->Pos > pos) return std::min((*this)[j]->Pos, length);
    return length;
}
