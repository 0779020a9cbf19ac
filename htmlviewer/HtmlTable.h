// Tables of the HTML viewer: a grid of cells, each a `TCell` with its own
// sections, and an optional caption. The table expands row and column spans
// into a rectangular grid, finds the narrowest and widest width of every
// column from its cells, shares the width it gets among the columns (with
// absolute and percentage widths), lays every cell out for its column width,
// makes each row as high as its tallest cell, aligns cell contents
// vertically, and paints background colours, a border colour and 3-D frames.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "htmlviewer/HtmlDocument.h"
#include "htmlviewer/HtmlParser.h"

// One cell of the grid (TD or TH), or an empty grid entry that a span covers
// (ColSpan 0).
class TCellObj {
public:
    // An empty grid entry.
    explicit TCellObj(TSectionList* document);
    // A cell with the attributes of its TD or TH tag and its vertical alignment.
    TCellObj(TSectionList* document, const TAttributeList& attributes, TVAlign vAlign);

    int ColSpan = 1;
    int RowSpan = 1;
    // The width of the columns it spans and the height of the rows it spans.
    int SpannedWidth = 0;
    int Ht = 0;
    // The height of its laid-out content.
    int VSize = 0;
    int GivenHeight = 0;
    // How far its content moves down for the vertical alignment.
    int VAlignOffset = 0;
    TVAlign VAlign = VAMiddle;
    // The X of its content in the table's own cell, from the last layout.
    int ContentX = 0;
    // WIDTH in pixels, or in tenths of a percent when AsPercent.
    int WidthAttr = 0;
    bool AsPercent = false;
    std::unique_ptr<TCell> Cell;
};

// One row: its cells (null entries where a span left nothing), its colour and
// its height.
class TCellList : public TFreeList<TCellObj> {
public:
    bool BkGnd = false;
    gfx::Color BkColor = 0;
    int RowHeight = 0;
    int RowSpanHeight = 0;
};

class ThtmlTable : public TSectionBase {
public:
    // The most columns a table may have.
    static constexpr int MaxCols = 200;

    // A table with the attributes of its TABLE tag; `topLevel` when it stands
    // directly in the document (only such a table takes HEIGHT in percent).
    ThtmlTable(TSectionList* document, const TAttributeList& attributes, TJustify justify, bool topLevel);
    ~ThtmlTable() override;

    TFreeList<TCellList> Rows;
    std::unique_ptr<TCellObj> Caption;
    bool TopCaption = true;
    bool Border = false;
    bool Initialized = false;
    bool Float = false;
    TJustify Justify;
    int NumCols = 0;
    int TableWidth = 0;
    int CaptionWidth = 0;
    // WIDTH and HEIGHT in pixels, or in tenths of a percent.
    int GivenWidth = 0;
    bool WidthIsPercent = false;
    int GivenHeight = 0;
    bool HeightIsPercent = false;
    // Some cell has a WIDTH in pixels.
    bool HasFixedCells = false;
    int CellPadding = 1;
    int CellSpacing = 2;
    // The width of each column and its share of the table in tenths of a percent.
    std::vector<int> Widths;
    std::vector<int> Percents;
    int HSpace = 5;
    int VSpace = 0;
    // Where the table was drawn (window X), the X of its grid in its cell,
    // and the heights of its caption and its body.
    int DrawX = 0;
    int TableIndent = 0;
    int CaptionHeight = 0;
    int BodyHeight = 0;
    bool BkGnd = false;
    gfx::Color BkColor = 0;
    bool BdrOn = false;
    gfx::Color BdrColor = 0;

    // Expands the spans into a rectangular grid and passes the colours on
    // (once). Raises EParseError "Table has too many Columns" beyond 200
    // columns; the builder calls it when the table is complete.
    void Initialize();
    // The narrowest and widest width of every column and their totals:
    // the absolute form (cells' pixel widths), or the percentage form for a
    // table width W (0 when unknown).
    void GetMinMaxAbs(gfx::Canvas& canvas, std::vector<int>& mins, std::vector<int>& maxs);
    void GetMinMaxPercent(gfx::Canvas& canvas, int tableWidth, std::vector<int>& mins, std::vector<int>& maxs);
    // The column widths for a table width T (the available width less the
    // cell spacing), by the rules of the layout pass.
    void ShareWidth(gfx::Canvas& canvas, int available);

    int LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) override;
    int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x, IndentManager& indents) override;
    void WidthBounds(gfx::Canvas& canvas, int& min, int& max) override;
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
    void CopySelection() override;

private:
    // A cell's minimum and maximum width with padding and spacing, raised to
    // its pixel WIDTH.
    void CellBounds(gfx::Canvas& canvas, const TCellObj& cell, int& min, int& max) const;
    void FitToWidth(int t, const std::vector<int>& mins, const std::vector<int>& maxs);
    // The cell that holds a point of the grid; the caption when the point
    // is in its band; null when none.
    TCellObj* CellAtPoint(int x, int y) const;
    // Every cell in document order: the caption on top, the grid row by row,
    // a caption below.
    std::vector<TCellObj*> CellsInOrder() const;
    // The column (or row) spans the cells have, each once, smallest first:
    // the passes over spans visit only these.
    std::vector<int> Spans(bool columns) const;
    // The work of Initialize.
    void ExpandGrid();

    // The X of each column in the grid and the top of each row (document Y).
    std::vector<int> ColumnX;
    std::vector<int> RowTops;
    // The document Y the table was laid out at, and the top of its grid.
    int LayoutY = 0;
    int GridTop = 0;
};
