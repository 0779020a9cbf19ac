// The fonts of the HTML viewer's document: a font with its size kept in
// twelfths of the document's default size, the font runs of a paragraph
// (each with its metrics and its link), and the measuring cache of a layout
// pass, which asks the canvas once per font for its metrics and the widths
// of the 256 cp1252 characters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlUtils.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Font.h"

class TSection;
class TSectionList;

// Font styles as a set of flags.
using TFontStyles = uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// The styles of a font as flags, and a font with the flags added.
TFontStyles StylesOf(const gfx::FontSpec& font);
void AddStyles(gfx::FontSpec& font, TFontStyles styles);

// A direct colour marked palette-relative, as the document sets every colour
// on fonts, pens and brushes; system colours and "none" stay as they are.
gfx::Color PaletteRelative(gfx::Color c);

// The UTF-8 text a canvas measures and draws for cp1252 text: a
// non-breaking space (160) as a space, the object codes below 32 left out.
std::string CanvasText(std::string_view cp1252);

// A font with its size in twelfths: NormalSize 12 is the document's default
// size, and the point size is MulDiv(default size, NormalSize, 12).
struct TMyFont {
    gfx::FontSpec Font;
    int NormalSize = 12;
    // Set for the fixed-pitch font of preformatted text.
    bool Fixed = false;
    // The character set the document asked for (stored, not applied).
    int Charset = 0;

    // Sets NormalSize and the point size it gives at a default size.
    void SetNormalSize(int normalSize, int defaultSize);
};

// The metrics of one font on the layout canvas, and the advance widths of
// the 256 cp1252 characters.
struct TFontInfo {
    gfx::FontMetrics Metrics;
    std::array<int, 256> Widths{};
};

// What a layout pass knows about fonts: one entry per distinct font (its
// colour aside), measured on the canvas the first time it is asked for.
// Entries stay valid until the cache is cleared.
class TFontCache {
public:
    // The entry of a font, measured on the canvas when new.
    const TFontInfo& Get(gfx::Canvas& canvas, const gfx::FontSpec& font);
    // Forgets every entry; the generation changes so that font runs ask again.
    void Clear();
    int Generation() const { return Generation_; }
    int Count() const { return static_cast<int>(Entries.size()); }

private:
    struct Entry {
        gfx::FontSpec Key;
        TFontInfo Info;
    };
    std::vector<std::unique_ptr<Entry>> Entries;
    int Generation_ = 1;
};

// One font run of a paragraph: from buffer position Pos up to the next run,
// with its font, its metrics on the layout canvas and its link.
class TFontObj {
public:
    TFontObj(TSection* section, const TMyFont& font, int pos);

    TSection* Section;
    bool Visited = false;
    bool Hover = false;
    int Pos;
    TMyFont TheFont;
    // tmHeight + tmExternalLeading, tmHeight, tmOverhang and tmDescent of
    // the font, read by UpdateMetrics.
    int FontHeight = 0;
    int tmHeight = 0;
    int Overhang = 0;
    int Descent = 0;
    // 0 normal, 1 lowered (subscript), 2 raised (superscript).
    uint8_t SScript = 0;
    // The link; an empty URL is no link.
    TUrlTarget UrlTarget;

    // Reads the metrics of the font from the document's font cache (once
    // per layout pass) and returns the measuring entry.
    const TFontInfo& UpdateMetrics(gfx::Canvas& canvas, TFontCache& cache);
    // The width of cp1252 text in this font, less the overhang; valid after
    // UpdateMetrics in the same pass.
    int TextWidth(std::string_view text) const;
    // The widths of single characters, valid after UpdateMetrics.
    int CharWidth(uint8_t ch) const { return Info ? Info->Widths[ch] : 0; }
    // Sets the font (and forgets its metrics).
    void SetFont(const TMyFont& font);
    // The colour a link shows: the hover colour while hovered (with hover
    // colouring on), the visited colour when visited, else the link colour.
    void SetVisited(bool visited);
    void SetHover(bool hover);
    // Re-creates the font after the document's default font size or colours
    // changed.
    void UpdateFont();

private:
    void SetLinkColor();

    const TFontInfo* Info = nullptr;
    int InfoGeneration = 0;
};

// The font runs of a paragraph, in buffer order.
class TFontList : public TFreeList<TFontObj> {
public:
    // The run that holds buffer position `pos` (the last one that starts at
    // or before it); null for an empty list.
    TFontObj* GetFontAt(int pos) const;
    // The index of that run; -1 for an empty list.
    int IndexAt(int pos) const;
    // The buffer position at which the run after the one holding `pos`
    // starts; `length` when that run is the last.
    int NextFontChange(int pos, int length) const;
};
