// Gaps, rules and list markers of the viewer on the recording canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "DocumentTestSupport.h"

namespace {

using BlocksTest = DocTest;

TEST_F(BlocksTest, GapsScaleWithTheDefaultSize) {
    struct Case {
        std::function<std::unique_ptr<TSectionBase>(TSectionList*)> make;
        int at12, at24;
    };
    auto heading = [](int level) {
        return [level](TSectionList* d) { return std::make_unique<THeadingSpace>(d, level); };
    };
    auto rule = [](const std::string& size) {
        return [size](TSectionList* d) { return std::make_unique<THorzLine>(d, Attrs({{AttrSym::Size, size}})); };
    };
    const std::vector<Case> cases = {
        {[](TSectionList* d) { return std::make_unique<TParagraphSpace>(d); }, 14, 28},
        {heading(1), 16, 32}, {heading(2), 12, 24}, {heading(3), 10, 20}, {heading(4), 8, 16},
        {heading(5), 6, 12},  {heading(6), 4, 8},   {heading(0), 8, 16},
        {rule("2"), 20, 40},  {rule("5"), 23, 43},  {rule("30"), 20, 40},  // SIZE beyond 20: the default 2
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        for (int size : {12, 24}) {
            doc.FontSize = size;
            auto section = cases[i].make(&doc);
            section->SetHeight();
            EXPECT_EQ(section->SectionHeight, size == 12 ? cases[i].at12 : cases[i].at24) << i << " at " << size;
        }
    }
}

TEST_F(BlocksTest, RulesSpanTheirWidth) {
    struct Case {
        std::vector<std::pair<AttrSym, std::string>> attrs;
        std::string first;  // the first rectangle painted
    };
    const std::vector<Case> cases = {
        {{}, "fillRect 10,9,189,10 "},                                             // 10 pixels in on each side
        {{{AttrSym::Width, "150%"}}, "fillRect 10,9,189,10 "},                     // as if no width were given
        {{{AttrSym::Width, "50%"}}, "fillRect 50,9,149,10 "},                      // centred
        {{{AttrSym::Width, "50%"}, {AttrSym::Align, "LEFT"}}, "fillRect 0,9,99,10 "},
        {{{AttrSym::Width, "60"}, {AttrSym::Align, "right"}}, "fillRect 140,9,199,10 "},
        {{{AttrSym::Color, "red"}, {AttrSym::Size, "4"}}, "fillRect 10,9,190,13 #FF0000"},
        {{{AttrSym::NoShade, ""}}, "fillRect 10,9,189,10 #000000"},
    };
    for (const Case& c : cases) {
        doc.Clear();
        canvas.log.clear();
        Add(std::make_unique<THorzLine>(&doc, Attrs(c.attrs)));
        Layout(200);
        Paint(200, 100);
        ASSERT_FALSE(canvas.log.empty());
        EXPECT_TRUE(canvas.log[0].starts_with(c.first)) << canvas.log[0];
    }
    // On white the lower and right sides are silver.
    doc.Clear();
    canvas.log.clear();
    doc.Background = gfx::clWhite;
    Add(std::make_unique<THorzLine>(&doc, TAttributeList{}));
    Layout(200);
    Paint(200, 100);
    ASSERT_EQ(canvas.log.size(), 4u);
    EXPECT_EQ(canvas.log[3], "fillRect 10,10,190,11 #C0C0C0");
}

TEST_F(BlocksTest, OrderedMarkersFollowTheirStyle) {
    struct Case {
        char style;
        int number;
        std::string text;
    };
    const std::vector<Case> cases = {
        {'1', 3, "3."},   {'A', 1, "A."},     {'A', 26, "Z."},  {'A', 30, "Z."},  {'a', 2, "b."},
        {'I', 4, "IV."},  {'I', 25, "XX."},   {'i', 9, "ix."},  {'x', 12, "12."},
        {'I', 0, "0."},   {'a', -2, "-2."},  // no letter or numeral below 1
    };
    for (const Case& c : cases) {
        TOListItem item(&doc, 1, c.number, c.style, TUrlTarget{}, DocFont(doc));
        EXPECT_EQ(item.MarkerText(), c.text) << c.style << c.number;
    }
}

TEST_F(BlocksTest, MarkersStandLeftOfTheText) {
    // Bullets by level on a light background, hollow on a dark one; numbers
    // end 5 pixels left of the text.
    struct Case {
        gfx::Color background;
        int level;
        std::string ellipse;
    };
    // The colour goes by the list level, levels 0 and 3 red, 1 and 4 navy,
    // 2 and 5 maroon; a top-level list's items stand at level 1.
    const std::vector<Case> cases = {
        {gfx::clWhite, 1, "ellipse 23,6,28,11 #000080 #000080"},
        {gfx::clWhite, 2, "ellipse 58,6,63,11 #800000 #800000"},
        {gfx::clBtnFace, 3, "ellipse 93,6,98,11 #FF0000 #FF0000"},
        {gfx::clSilver, 4, "ellipse 128,6,133,11 #000080 #000080"},
        {gfx::clWhite, 5, "ellipse 163,6,168,11 #800000 #800000"},
        {gfx::clBlack, 1, "ellipse 23,6,28,11 #000000 clear"},
    };
    for (const Case& c : cases) {
        doc.Clear();
        canvas.log.clear();
        doc.Background = c.background;
        doc.FontColor = gfx::clBlack;
        auto item = std::make_unique<TUListItem>(&doc, c.level, TUrlTarget{}, DocFont(doc), false);
        item->AddTokenObj(Tok("item"), false);
        Add(std::move(item));
        Layout(300);
        Paint(300, 100);
        ASSERT_FALSE(canvas.log.empty());
        EXPECT_EQ(canvas.log[0], c.ellipse) << c.level;
    }
    doc.Clear();
    canvas.log.clear();
    auto ordered = std::make_unique<TOListItem>(&doc, 1, 1, '1', TUrlTarget{}, DocFont(doc));
    ordered->AddTokenObj(Tok("item"), false);
    Add(std::move(ordered));
    auto definition = std::make_unique<TDListItem>(&doc, 1, TUrlTarget{}, DocFont(doc));
    definition->AddTokenObj(Tok("term"), false);
    Add(std::move(definition));
    Layout(300);
    Paint(300, 100);
    const std::vector<std::string> expected = {"text 16,12 \"1.\" Times New Roman 12 #000000",
                                               "text 35,12 \"item\" Times New Roman 12 #000000",
                                               "text 35,28 \"term\" Times New Roman 12 #000000"};
    EXPECT_EQ(canvas.log, expected);
}

}  // namespace
