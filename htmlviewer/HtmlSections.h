// The paragraph of the HTML viewer: a run of cp1252 characters with its
// font runs, links, images and form controls, which it breaks into lines
// for the width its cell offers, paints, searches and hit-tests. The same
// class, with small overrides, is the preformatted block and the list item
// (HtmlBlocks.h).
//
// Some control codes of the buffer stand for objects: 4 an image (a line may
// break around it), 7 an image inside a no-break run, 2 a form control, 6 a
// form control inside a no-break run. 160 is a non-breaking space; 5 marks a
// space that may collapse while no-break text is appended and never stays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlImageObj.h"
#include "htmlviewer/HtmlParser.h"

// The object codes of a paragraph's buffer.
inline constexpr char ImageCode = 4;
inline constexpr char NoBreakImageCode = 7;
inline constexpr char ControlCode = 2;
inline constexpr char NoBreakControlCode = 6;
inline constexpr char CollapsingSpace = 5;
inline constexpr char NonBreakingSpace = static_cast<char>(160);

// True for the four object codes.
constexpr bool IsObjectCode(char c) {
    return c == ImageCode || c == NoBreakImageCode || c == ControlCode || c == NoBreakControlCode;
}

// The colour of a colour attribute, palette-relative; false (and the colour
// unchanged) when the value is no colour.
bool ColorAttribute(const TAttribute& attribute, gfx::Color& color);

// One line of the last layout.
struct LineRec {
    // Where the line begins in the buffer, and its number of characters.
    int Start = 0;
    int CharCount = 0;
    int SpaceBefore = 0;
    int SpaceAfter = 0;
    // The height of the tallest font of the line and its largest descent.
    int LineHeight = 0;
    int Descent = 0;
    // The height the line covers, floats included.
    int DrawHeight = 0;
    // The X at which the line starts (relative to its cell).
    int LineIndent = 0;
    // The height the line adds to the section.
    int Height() const { return SpaceBefore + LineHeight + SpaceAfter; }
};

class TSection : public TSectionBase {
public:
    // The buffer grows in steps of this many characters beyond what is needed.
    static constexpr int BufferStep = 100;

    // An empty paragraph whose first font run is a copy of `font` with the
    // builder's extra style; a link when `urlTarget` has a URL.
    TSection(TSectionList* document, TJustify justify, const TUrlTarget& urlTarget, const TMyFont& font,
             int listLevel);
    ~TSection() override;

    // The characters, and the HTML source position of each until Finish.
    std::string Buff;
    std::vector<int32_t> SourceIndex;
    TFontList Fonts;
    TFreeList<TImageObj> Images;
    // The form controls (owned by their forms), in buffer order.
    std::vector<TFormControlObj*> FormControls;
    // After Finish: runs of consecutive source positions as (buffer
    // position, source position).
    std::vector<std::pair<int, int>> SourceRuns;
    int ListLevel = 0;
    // ListLevel times the list indent.
    int Indent = 0;
    std::vector<LineRec> Lines;
    TMyFont BaseFont;
    // 0 none, 1 ordered, 2 unordered, 3 definition list item.
    uint8_t ListKind = 0;
    TJustify Justify;
    // 0 none, 1 left, 2 right, 3 both.
    uint8_t ClearSide = 0;
    // The left edge at the first line of the last layout.
    int FirstLineLeft = 0;

    // ---- Building ----
    // Appends a text token with its source positions, collapsing spaces.
    virtual void AddTokenObj(const TokenObj& token, bool noBreak);
    // The font from the end of the buffer on (in the builder's extra style;
    // three quarters of its size while lowered or raised).
    void ChangeFont(const TMyFont& font);
    // ChangeFont, then the run's link: cleared, or the link when `sym` is A
    // with an HREF.
    void HRef(Sym sym, const TMyFont& font, const TUrlTarget& urlTarget);
    // Adds an image at the end.
    TImageObj* AddImage(const TAttributeList& attributes, bool noBreak, int sourcePos);
    // Adds the form control of an INPUT, SELECT or TEXTAREA tag at the end.
    TFormControlObj* AddFormControl(Sym which, const TAttributeList& attributes, bool noBreak, int sourcePos);
    // Appends one character as a token.
    void AddBreakChar(char code, int sourcePos, bool noBreak);
    // A BR: returns the justification; an empty paragraph gets a space so
    // that the empty line has a height.
    TJustify BreakLine(int sourcePos);
    // BR's CLEAR.
    void ParseClear(const TAttributeList& attributes);
    // Turns the source positions into runs; called by TCell::Add.
    virtual void Finish();

    // ---- Measuring ----
    // The width of n characters from `start`: images and form controls by
    // their width, floats by nothing, text by its extent.
    int TextWidth(int start, int n, bool ignoreTrailingSpaces);
    // The number of characters from `start` that fit in `maxWidth`, at least
    // one. Floats take no room here; during layout a float at the start of a
    // line is placed and takes its room from that line.
    int FitChars(int start, int maxWidth);
    // The image or form control at a buffer position, or null.
    TImageObj* ImageAt(int pos) const;
    TFormControlObj* ControlAt(int pos) const;

    // ---- TSectionBase ----
    void CopySelection() override;
    int LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) override;
    int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x, IndentManager& indents) override;
    bool LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control) override;
    bool ObjectAtPoint(gfx::Canvas& canvas, int x, int y, THtmlObject*& obj) override;
    int PositionAtPoint(gfx::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt, THtmlObject*& obj,
                        bool& inText) override;
    int FindString(int from, std::string_view text, bool matchCase) override;
    int SourcePosition(int docPos) override;
    int DocumentPosition(int sourcePos, bool prev) override;
    bool PointOfPosition(gfx::Canvas& canvas, int pos, int& y, int& x) override;
    bool CharAtPosition(int pos, char& ch, THtmlObject*& obj) override;
    void UpdateFonts() override;
    void WidthBounds(gfx::Canvas& canvas, int& min, int& max) override;

protected:
    // The room of a line at Y; preformatted text never wraps.
    virtual int LineRoom(const IndentManager& indents, int y) const;
    // Whether the paragraph keeps every character (preformatted text).
    virtual bool IsPreformatted() const { return false; }
    // Draws the list marker of the first line: the text starts at window X
    // `textX`, the base line is at window Y `baseline`.
    virtual void DrawMarker(gfx::Canvas& canvas, int textX, int baseline, const LineRec& line);
    // Appends characters and positions, growing the buffer in steps.
    void Append(std::string_view chars, const int32_t* positions);
    // Makes sure every font run knows its metrics for this pass.
    void MeasureFonts(gfx::Canvas& canvas);

private:
    struct LayoutState;
    // FitChars up to buffer position `limit`, placing floats during a layout,
    // at least one character when asked.
    int FitCharsImpl(int start, int limit, int maxWidth, LayoutState* layout, bool atLeastOne);
    void FinishLine(LayoutState& state, LineRec& line);
    void PlaceFloat(LayoutState& state, TImageObj& image, int y);
    // The index of the line that holds document Y, and its top; -1 when none.
    int LineAtY(int y, int& top) const;
    // The index of the line that holds a buffer position; -1 when none.
    int LineOfPosition(int pos) const;
    void DrawLine(gfx::Canvas& canvas, const gfx::Rect& rect, int lineIndex, int top, int cellX);
    void DrawText(gfx::Canvas& canvas, int x, int baseline, int top, const LineRec& line, int start, int n,
                  TFontObj& font);
};
