// The fixed blocks of the HTML viewer's document besides paragraphs and
// tables: the gap between paragraphs and around headings, horizontal rules,
// preformatted text and list items with their bullets and numbers.
#pragma once

#include <cstdint>
#include <string>

#include "htmlviewer/HtmlSections.h"

// The gap of a paragraph break: 14/12 of the default font size.
class TParagraphSpace : public TSectionBase {
public:
    using TSectionBase::TSectionBase;
    void SetHeight() override;
    void CopySelection() override;
};

// The gap above and below a heading, by its level.
class THeadingSpace : public TSectionBase {
public:
    THeadingSpace(TSectionList* document, int level);
    int HeadingSize;
    void SetHeight() override;
    void CopySelection() override;
};

// A horizontal rule (HR).
class THorzLine : public TSectionBase {
public:
    THorzLine(TSectionList* document, const TAttributeList& attributes);
    // The thickness (SIZE 1 to 20; 2 by default).
    int VSize = 2;
    // The WIDTH in pixels or percent; -1 when not given.
    int Width = -1;
    bool AsPercent = false;
    gfx::Color Color = 0;
    bool HasColor = false;
    bool NoShade = false;
    // 1 left, 2 centre, 3 right.
    uint8_t Align = 2;
    void SetHeight() override;
    void CopySelection() override;
    int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x, IndentManager& indents) override;
};

// Preformatted text: never wraps and keeps every space.
class TPreFormated : public TSection {
public:
    // No more text is taken once the block holds this many characters.
    static constexpr int MaxChars = 20000;
    // The narrowest width a preformatted block asks of a table.
    static constexpr int MaxMinWidth = 2000;

    TPreFormated(TSectionList* document, const TUrlTarget& urlTarget, const TMyFont& font, int listLevel);
    void AddTokenObj(const TokenObj& token, bool noBreak) override;
    int LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) override;
    void WidthBounds(gfx::Canvas& canvas, int& min, int& max) override;

protected:
    int LineRoom(const IndentManager& indents, int y) const override { return 32000; }
    bool IsPreformatted() const override { return true; }
};

// An item of an unordered list (and of DIR and MENU): a bullet unless plain.
class TUListItem : public TSection {
public:
    TUListItem(TSectionList* document, int level, const TUrlTarget& urlTarget, const TMyFont& font, bool plain);
    bool Plain;

protected:
    void DrawMarker(gfx::Canvas& canvas, int textX, int baseline, const LineRec& line) override;
};

// An item of a definition list: no marker.
class TDListItem : public TUListItem {
public:
    TDListItem(TSectionList* document, int level, const TUrlTarget& urlTarget, const TMyFont& font);

protected:
    void DrawMarker(gfx::Canvas&, int, int, const LineRec&) override {}
};

// An item of an ordered list: its number in the style of TYPE.
class TOListItem : public TUListItem {
public:
    TOListItem(TSectionList* document, int level, int number, char style, const TUrlTarget& urlTarget,
               const TMyFont& font);
    int ItemNumber;
    // "A", "a", "I", "i"; anything else is decimal.
    char NumberStyle;
    // The marker text: the number in its style followed by ".".
    std::string MarkerText() const;

protected:
    void DrawMarker(gfx::Canvas& canvas, int textX, int baseline, const LineRec& line) override;
};
