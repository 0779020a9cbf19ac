// Tables of the viewer: column widths, spans, percentages, row heights,
// nesting, the column limit and hit tests in cells, against hand-computed
// figures on the recording canvas (7-pixel characters, 16-pixel lines).
#include <gtest/gtest.h>

#include "DocumentTestSupport.h"

namespace {

using Attributes = std::vector<std::pair<AttrSym, std::string>>;

// One cell: its paragraphs (one per text) and its tag's attributes.
struct CellDef {
    std::vector<std::string> texts;
    Attributes attrs = {};
    TVAlign valign = VAMiddle;
};

// A section that counts its layouts.
class CountingSection : public TSectionBase {
public:
    CountingSection(TSectionList* doc, int* count) : TSectionBase(doc), Count(count) { SectionHeight = 10; }
    int LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs) override {
        ++*Count;
        return TSectionBase::LayOutSection(canvas, y, indents, maxWidth, curs);
    }
    int* Count;
};

class TableTest : public DocTest {
protected:
    // A table of the rows, not yet added.
    std::unique_ptr<ThtmlTable> MakeTable(const Attributes& attrs, const std::vector<std::vector<CellDef>>& rows,
                                          bool topLevel = true) {
        auto table = std::make_unique<ThtmlTable>(&doc, Attrs(attrs), LeftJustify, topLevel);
        for (const auto& defs : rows) {
            auto row = std::make_unique<TCellList>();
            for (const CellDef& def : defs) {
                auto cell = std::make_unique<TCellObj>(&doc, Attrs(def.attrs), def.valign);
                for (const std::string& text : def.texts) cell->Cell->Add(Para(text));
                row->Add(std::move(cell));
            }
            table->Rows.Add(std::move(row));
        }
        return table;
    }
    // Lays out a table without padding and spacing in a band; returns its
    // column widths.
    std::vector<int> Widths(Attributes attrs, const std::vector<std::vector<CellDef>>& rows, int band) {
        doc.Clear();
        attrs.push_back({AttrSym::CellPadding, "0"});
        attrs.push_back({AttrSym::CellSpacing, "0"});
        table = Add(MakeTable(attrs, rows));
        Layout(band);
        return table->Widths;
    }
    ThtmlTable* table = nullptr;
};

TEST_F(TableTest, ColumnWidthsShareTheBand) {
    const std::string w30(30, 'a');
    struct Case {
        const char* what;
        Attributes attrs;
        std::vector<std::vector<CellDef>> rows;
        int band;
        std::vector<int> widths;
    };
    const std::vector<Case> cases = {
        {"maxima", {}, {{{{"aa bb"}}, {{"aa bb"}}, {{"aa bb"}}}}, 600, {35, 35, 35}},
        {"between", {}, {{{{"aa bb"}}, {{"aa bb"}}, {{"aa bb"}}}}, 60, {20, 20, 20}},
        {"minima past the edge", {}, {{{{"aaaaaaaaaa"}}, {{"aaaaaaaaaa"}}}}, 100, {70, 70}},
        {"a span raises its columns in proportion",
         {},
         {{{{w30}, {{AttrSym::ColSpan, "3"}}}}, {{{"aa"}}, {{"aaaa"}}, {{"aaaaaa"}}}},
         600,
         {35, 70, 105}},
        {"percent beside a free column", {}, {{{{"aa"}, {{AttrSym::Width, "25%"}}}, {{"aaaa"}}}}, 600, {14, 42}},
        {"table width: free column takes the rest",
         {{AttrSym::Width, "400"}},
         {{{{"aa"}, {{AttrSym::Width, "25%"}}}, {{"aaaa"}}}},
         600,
         {100, 300}},
        {"table width: percentages shrink",
         {{AttrSym::Width, "100"}},
         {{{{"aa"}, {{AttrSym::Width, "60%"}}}, {{"aa"}, {{AttrSym::Width, "60%"}}}}},
         600,
         {50, 50}},
        {"table width: a column held at its minimum",
         {{AttrSym::Width, "100"}},
         {{{{"aaaaaaaa"}, {{AttrSym::Width, "60%"}}}, {{"aa"}, {{AttrSym::Width, "60%"}}}}},
         600,
         {56, 44}},
        {"pixel cell: maxima", {}, {{{{"aa"}, {{AttrSym::Width, "100"}}}, {{"aaaa bbbb"}}}}, 600, {100, 63}},
        {"pixel cell: minima", {}, {{{{"aa"}, {{AttrSym::Width, "100"}}}, {{"aaaa bbbb"}}}}, 120, {100, 28}},
        {"pixel cell: between", {}, {{{{"aa"}, {{AttrSym::Width, "100"}}}, {{"aaaa bbbb"}}}}, 150, {100, 50}},
        {"a percentage that cannot hold its minimum is dropped",
         {},
         {{{{"aaaaaaaaaa"}, {{AttrSym::Width, "10%"}}}, {{"aa"}}}},
         200,
         {70, 14}},
        {"a percentage kept beside a free column",
         {},
         {{{{"aa"}, {{AttrSym::Width, "50%"}}}, {{"aaaa bbbb cccc dddd"}}}},
         200,
         {100, 100}},
    };
    for (const Case& c : cases) EXPECT_EQ(Widths(c.attrs, c.rows, c.band), c.widths) << c.what;

    // A span's percentage spread over columns that have less.
    Widths({}, {{{{"aa"}, {{AttrSym::ColSpan, "2"}, {AttrSym::Width, "60%"}}}}, {{{"aa"}, {{AttrSym::Width, "10%"}}}, {{"aa"}, {{AttrSym::Width, "20%"}}}}}, 600);
    EXPECT_EQ(table->Percents, (std::vector<int>{200, 400}));
}

TEST_F(TableTest, PercentWidthOfTheBand) {
    // 50% of 600 with the default spacing of 2: the columns share 298.
    table = Add(MakeTable({{AttrSym::Width, "50%"}}, {{{{"aa"}}}}));
    Layout(600);
    EXPECT_EQ(table->Widths, (std::vector<int>{298}));
    EXPECT_EQ(table->TableWidth, 300);
    // Unless the minimum is wider.
    doc.Clear();
    table = Add(MakeTable({{AttrSym::Width, "50%"}}, {{{{std::string(60, 'a')}}}}));
    Layout(600);
    EXPECT_EQ(table->TableWidth, 2 + 420 + 4);
    EXPECT_EQ(maxWidth, 426);
}

TEST_F(TableTest, RowHeightsAndAlignment) {
    // Two lines beside one: the row is 32 high; the short cell moves down by
    // its alignment.
    for (const auto& [valign, offset] : std::vector<std::pair<TVAlign, int>>{{VATop, 0}, {VAMiddle, 8}, {VABottom, 16}}) {
        Widths({}, {{{{"aa", "bb"}}, {{"cc"}, {}, valign}}}, 200);
        EXPECT_EQ(table->Rows[0]->RowHeight, 32);
        EXPECT_EQ((*table->Rows[0])[1]->VAlignOffset, offset);
        EXPECT_EQ((*table->Rows[0])[1]->Cell->LastLayoutY, offset);
    }
    // A cell spanning two rows shares its height over them.
    Widths({}, {{{{"aa", "bb", "cc"}, {{AttrSym::RowSpan, "2"}}}, {{"dd"}}}, {{{"ee"}}}}, 200);
    EXPECT_EQ(table->Rows[0]->RowHeight, 24);
    EXPECT_EQ(table->Rows[1]->RowHeight, 24);
    // HEIGHT stretches the rows.
    Widths({{AttrSym::Height, "100"}}, {{{{"aa"}}}, {{{"bb"}}}}, 200);
    EXPECT_EQ(table->Rows[0]->RowHeight, 50);
    EXPECT_EQ(table->Rows[1]->RowHeight, 50);
    EXPECT_EQ(table->SectionHeight, 100);
    // In percent of the window less its margins.
    doc.ClientHeight = 400;
    Widths({{AttrSym::Height, "50%"}}, {{{{"aa"}}}, {{{"bb"}}}}, 200);
    EXPECT_EQ(table->Rows[0]->RowHeight + table->Rows[1]->RowHeight, 194);
    // A table without rows stays empty.
    Widths({{AttrSym::Height, "100"}}, {}, 200);
    EXPECT_EQ(table->SectionHeight, 0);
}

TEST_F(TableTest, SpansExpandIntoAGrid) {
    // A row span past the last row is cut; the rows below get empty entries.
    table = Add(MakeTable({}, {{{{"a"}, {{AttrSym::RowSpan, "5"}}}, {{"b"}, {{AttrSym::ColSpan, "2"}, {AttrSym::RowSpan, "2"}}}},
                               {{{"c"}}}}));
    Layout(200);
    EXPECT_EQ(table->NumCols, 4);
    const TCellList& second = *table->Rows[1];
    ASSERT_EQ(second.Count(), 4);
    EXPECT_EQ((*table->Rows[0])[0]->RowSpan, 2);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(second[c]->ColSpan, 0) << c;  // under the spans
    EXPECT_EQ(second[3]->ColSpan, 1);  // "c" moved right
}

TEST_F(TableTest, TooManyColumnsStopTheDocument) {
    std::vector<CellDef> row(200, CellDef{{"x"}});
    table = Add(MakeTable({}, {row}));
    Layout(2000);
    EXPECT_EQ(table->NumCols, 200);

    row.push_back(CellDef{{"x"}});
    for (const std::vector<CellDef>& rows : {row, std::vector<CellDef>{{{"x"}, {{AttrSym::ColSpan, "1000000"}}}},
                                             std::vector<CellDef>{{{"x"}, {{AttrSym::ColSpan, "150"}}}, {{"y"}, {{AttrSym::ColSpan, "60"}}}}}) {
        doc.Clear();
        Add(MakeTable({}, {rows}));
        try {
            Layout(2000);
            ADD_FAILURE() << "no error";
        } catch (const EParseError& e) {
            EXPECT_STREQ(e.what(), "Table has too many Columns");
        }
        // What was built stays and lays out as an empty table.
        EXPECT_EQ(Layout(2000), 2);
    }
}

TEST_F(TableTest, AttributesAreClamped) {
    struct Case {
        Attributes attrs;
        bool topLevel;
        int padding, spacing, hspace, vspace, width, height;
        bool widthPercent, heightPercent;
    };
    const std::vector<Case> cases = {
        {{{AttrSym::CellPadding, "100"}, {AttrSym::CellSpacing, "100"}}, true, 50, 40, 5, 0, 0, 0, false, false},
        {{{AttrSym::Border, "1"}}, true, 1, 4, 5, 0, 0, 0, false, false},
        {{{AttrSym::Border, "1"}, {AttrSym::CellSpacing, "0"}}, true, 1, 2, 5, 0, 0, 0, false, false},
        {{{AttrSym::CellPadding, "-5"}, {AttrSym::HSpace, "-100"}, {AttrSym::VSpace, "300"}}, true, 1, 2, 40, 200, 0, 0,
         false, false},
        {{{AttrSym::Width, "50%"}, {AttrSym::Height, "50%"}}, true, 1, 2, 5, 0, 500, 500, true, true},
        {{{AttrSym::Width, "150%"}, {AttrSym::Height, "50%"}}, false, 1, 2, 5, 0, 150, 50, false, false},
        {{{AttrSym::Height, "110%"}}, true, 1, 2, 5, 0, 0, 1100, false, true},
    };
    for (const Case& c : cases) {
        ThtmlTable t(&doc, Attrs(c.attrs), LeftJustify, c.topLevel);
        const std::string what = c.attrs[0].second;
        EXPECT_EQ(t.CellPadding, c.padding) << what;
        EXPECT_EQ(t.CellSpacing, c.spacing) << what;
        EXPECT_EQ(t.HSpace, c.hspace) << what;
        EXPECT_EQ(t.VSpace, c.vspace) << what;
        EXPECT_EQ(t.GivenWidth, c.width) << what;
        EXPECT_EQ(t.WidthIsPercent, c.widthPercent) << what;
        EXPECT_EQ(t.GivenHeight, c.height) << what;
        EXPECT_EQ(t.HeightIsPercent, c.heightPercent) << what;
    }
}

TEST_F(TableTest, CellsAreLaidOutTwice) {
    int outer = 0, inner = 0;
    auto innerTable = MakeTable({}, {{CellDef{{}}}});
    (*innerTable->Rows[0])[0]->Cell->Add(std::make_unique<CountingSection>(&doc, &inner));
    auto outerTable = MakeTable({}, {{CellDef{{}}, CellDef{{}}}});
    (*outerTable->Rows[0])[0]->Cell->Add(std::make_unique<CountingSection>(&doc, &outer));
    (*outerTable->Rows[0])[1]->Cell->Add(std::move(innerTable));
    Add(std::move(outerTable));
    Layout(400);
    EXPECT_EQ(outer, 2);
    EXPECT_EQ(inner, 4);
}

TEST_F(TableTest, PointsFindTheirCells) {
    // Default padding 1 and spacing 2: the columns are 18 and 32 wide, the
    // second cell's content starts at X 21 and Y 3.
    Add(Para("before"));
    table = Add(MakeTable({}, {{{{"aa"}}, {{"bbbb"}}}}));
    Layout(200);
    EXPECT_EQ(table->Widths, (std::vector<int>{18, 32}));
    int xr = 0, yr = 0, caret = 0;
    THtmlObject* obj = nullptr;
    bool inText = false;
    EXPECT_EQ(doc.PositionAtPoint(canvas, 29, 21, xr, yr, caret, obj, inText), 6 + 2 + 1);
    EXPECT_EQ(xr, 28);
    EXPECT_EQ(yr, 19);
    EXPECT_EQ(doc.PositionAtPoint(canvas, 19, 21, xr, yr, caret, obj, inText), -1);  // the spacing between cells
    int y = 0, x = 0;
    ASSERT_TRUE(doc.PointOfPosition(canvas, 9, y, x));
    EXPECT_EQ(x, 28);
    EXPECT_EQ(y, 19);
    EXPECT_EQ(doc.FindString(0, "bb", true), 8);
    EXPECT_EQ(table->FirstPosition, 6);
    EXPECT_EQ(table->Len, 6);
}

TEST_F(TableTest, PaintsColoursAndBorders) {
    doc.Background = gfx::clWhite;
    table = Add(MakeTable({{AttrSym::Border, "1"}, {AttrSym::BorderColor, "#00FF00"}, {AttrSym::BgColor, "red"}},
                          {{{{"aa"}}, {{"bb"}, {{AttrSym::BgColor, "blue"}}}}}));
    Layout(200);
    Paint(200, 100);
    auto has = [&](const std::string& prefix) {
        return std::any_of(canvas.log.begin(), canvas.log.end(), [&](const std::string& e) { return e.starts_with(prefix); });
    };
    // Columns 20 wide (14 + padding 2 + spacing 4), the row 22 high, the
    // grid 44 x 26 with the spacing below.
    EXPECT_TRUE(has("fillRegion 0,0,44,26 #00FF00"));
    EXPECT_TRUE(has("fillRect 4,4,20,22 #FF0000"));  // the table's colour passed to the cell
    EXPECT_TRUE(has("fillRect 24,4,40,22 #0000FF"));
    EXPECT_TRUE(has("text 5,17 \"aa\""));
}

}  // namespace
