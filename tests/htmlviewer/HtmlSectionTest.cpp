// Paragraphs of the viewer on the recording canvas: white space, line
// breaking, floats and clearing, image sizing, hit tests, positions, find and
// copying, all against hand-computed figures (7-pixel characters, 16-pixel
// lines).
#include <gtest/gtest.h>

#include "DocumentTestSupport.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"

namespace {

// The text of each line of a laid-out paragraph.
std::vector<std::string> LineTexts(const TSection& s) {
    std::vector<std::string> lines;
    for (const LineRec& l : s.Lines) lines.push_back(s.Buff.substr(l.Start, l.CharCount));
    return lines;
}

using SectionTest = DocTest;

TEST_F(SectionTest, WhiteSpaceCollapses) {
    struct Case {
        std::vector<std::string> tokens;
        bool noBreak;
        std::string expected;
    };
    const std::string nb(1, NonBreakingSpace);
    const std::vector<Case> cases = {
        {{" a", " b"}, false, "a b"},     // a leading space of a paragraph gives none
        {{"a ", " b "}, false, "a b "},   // two spaces across tokens give one
        {{" "}, false, ""},
        {{"\x05" "a\x05\x05" "b \x05" "c"}, true, "a" + nb + "b c"},  // collapsing spaces in a no-break run
        {{"a\x05", "\x05" "b"}, true, "a" + nb + "b"},
        {{"\x05"}, true, ""},
    };
    for (const Case& c : cases) {
        auto s = Para();
        for (const std::string& t : c.tokens) s->AddTokenObj(Tok(t), c.noBreak);
        EXPECT_EQ(s->Buff, c.expected) << c.tokens[0];
    }
    // After a float at the start the text starts without its space.
    auto s = Para();
    s->AddImage(Attrs({{AttrSym::Align, "left"}}), false, 0);
    s->AddTokenObj(Tok(" x"), false);
    EXPECT_EQ(s->Buff, std::string("\x04x"));
    // Source positions become runs of consecutive positions.
    auto t = Para();
    t->AddTokenObj(Tok("abc", 10), false);
    t->AddTokenObj(Tok("de", 20), false);
    t->Finish();
    EXPECT_EQ(t->SourceRuns, (std::vector<std::pair<int, int>>{{0, 10}, {3, 20}}));
}

TEST_F(SectionTest, LinesBreakAtSpaces) {
    struct Case {
        std::string text;
        int width;
        std::vector<std::string> lines;
        int maxWidth;
    };
    const std::vector<Case> cases = {
        {"aaaa bbbb cccc dddd", 100, {"aaaa bbbb cccc ", "dddd"}, 100},  // a word ending at the edge fits
        {"aaaa bbbb cccc dddd", 60, {"aaaa ", "bbbb ", "cccc ", "dddd"}, 60},
        {"abcdefghijklmnop qq", 50, {"abcdefghijklmnop ", "qq"}, 112},  // a long word runs past the edge
        {"aaaa   bbbb", 35, {"aaaa   ", "bbbb"}, 35},                    // spaces stay with the line they end
        {"a", 3, {"a"}, 3},                                              // at least one character a line
    };
    for (const Case& c : cases) {
        doc.Clear();
        auto s = Para();
        s->AddTokenObj(Tok(c.text), false);  // as the tokenizer gives it, spaces kept
        TSection* p = Add(std::move(s));
        EXPECT_EQ(Layout(c.width), 16 * static_cast<int>(c.lines.size())) << c.text << " " << c.width;
        EXPECT_EQ(LineTexts(*p), c.lines) << c.text << " " << c.width;
        EXPECT_EQ(maxWidth, c.maxWidth) << c.text;
    }
}

TEST_F(SectionTest, JustificationPlacesLines) {
    for (const auto& [justify, indent] :
         std::vector<std::pair<TJustify, int>>{{LeftJustify, 0}, {Centered, 82}, {RightJustify, 164}}) {
        doc.Clear();
        TSection* p = Add(Para("hello ", justify));  // the trailing space is left out of the width
        Layout(200);
        EXPECT_EQ(p->Lines[0].LineIndent, indent) << int(justify);
    }
}

TEST_F(SectionTest, PreformattedTextNeverWraps) {
    auto pre = std::make_unique<TPreFormated>(&doc, TUrlTarget{}, DocFont(doc), 0);
    pre->AddTokenObj(Tok("  a  b  c  d  e  f  "), false);
    TPreFormated* p = Add(std::move(pre));
    Layout(30);
    ASSERT_EQ(p->Lines.size(), 1u);
    EXPECT_EQ(p->Buff, "  a  b  c  d  e  f  ");
    EXPECT_EQ(maxWidth, 20 * 7);
    int min = 0, max = 0;
    p->WidthBounds(canvas, min, max);
    EXPECT_EQ(min, 140);
    EXPECT_EQ(max, 140);
    // An empty block is as high as its font's point size.
    TPreFormated* empty = Add(std::make_unique<TPreFormated>(&doc, TUrlTarget{}, DocFont(doc), 0));
    Layout(30);
    EXPECT_EQ(empty->SectionHeight, 12);
}

// A paragraph that starts with a 30 x 40 float (5 pixels of space beside
// it) and 16 words of "abcd".
class FloatTest : public DocTest {
protected:
    TSection* FloatPara(const std::string& align, const std::string& vspace = "0") {
        auto s = Para();
        image = s->AddImage(
            Attrs({{AttrSym::Align, align}, {AttrSym::Width, "30"}, {AttrSym::Height, "40"}, {AttrSym::VSpace, vspace}}),
            false, 0);
        std::string words;
        for (int i = 0; i < 16; ++i) words += i ? " abcd" : "abcd";
        s->AddTokenObj(Tok(words, 1), false);
        return Add(std::move(s));
    }
    TImageObj* image = nullptr;
};

TEST_F(FloatTest, TextFlowsBesideFloats) {
    TSection* p = FloatPara("left");
    EXPECT_EQ(Layout(200), 64);
    std::vector<int> indents;
    for (const LineRec& l : p->Lines) indents.push_back(l.LineIndent);
    EXPECT_EQ(indents, (std::vector<int>{35, 35, 35, 0}));  // below Y 40 the float no longer covers
    EXPECT_EQ(p->Lines[0].CharCount, 21);  // the float's code and four words
    EXPECT_EQ(image->Indent, 0);

    doc.Clear();
    p = FloatPara("right");
    Layout(200);
    EXPECT_EQ(image->Indent, 170);
    EXPECT_EQ(p->Lines[0].LineIndent, 0);
    EXPECT_EQ(p->Lines[0].CharCount, 21);

    // VSPACE keeps the text beside the float for twice its space longer.
    doc.Clear();
    p = FloatPara("left", "10");
    Layout(200);
    EXPECT_EQ(image->FloatY, 10);
    indents.clear();
    for (const LineRec& l : p->Lines) indents.push_back(l.LineIndent);
    EXPECT_EQ(indents, (std::vector<int>{35, 35, 35, 35}));
}

TEST_F(FloatTest, ClearStartsBelowTheFloat) {
    for (const auto& [clear, indent, height] :
         std::vector<std::tuple<std::string, int, int>>{{"left", 0, 40}, {"all", 0, 40}, {"right", 35, 16}}) {
        doc.Clear();
        auto a = Para();
        a->AddImage(Attrs({{AttrSym::Align, "left"}, {AttrSym::Width, "30"}, {AttrSym::Height, "40"}}), false, 0);
        a->AddTokenObj(Tok("x", 1), false);
        TSection* first = Add(std::move(a));
        auto b = Para("y");
        b->ParseClear(Attrs({{AttrSym::Clear, clear}}));
        TSection* second = Add(std::move(b));
        Layout(200);
        EXPECT_EQ(first->SectionHeight, 16);
        EXPECT_EQ(first->DrawHeight, 40);
        EXPECT_EQ(second->SectionHeight, height) << clear;
        EXPECT_EQ(second->Lines.back().LineIndent, indent) << clear;
    }
}

class ImageSizeTest : public DocTest {
protected:
    void SetUp() override {
        BitmapList().Clear();
        doc.ShowImages = true;
        doc.GetImage = [this](const std::string& name) -> gfx::Stream* {
            return name.starts_with("PIC") ? &jpeg : nullptr;
        };
    }
    void TearDown() override { BitmapList().Clear(); }
    // A 40 x 20 picture.
    gfx::MemoryStream jpeg{gfx::encodeJpeg(gfx::Bitmap(40, 20, gfx::PixelFormat::pf24bit), 90)};
};

TEST_F(ImageSizeTest, ImagesTakeTheirSizes) {
    struct Case {
        std::vector<std::pair<AttrSym, std::string>> attrs;
        bool inLink;
        int width, height;  // outer size
    };
    const std::vector<Case> cases = {
        {{{AttrSym::Src, "pic1"}}, false, 40, 20},                                          // natural size
        {{{AttrSym::Src, "pic2"}, {AttrSym::Width, "80"}}, false, 80, 40},                  // height in proportion
        {{{AttrSym::Src, "pic3"}, {AttrSym::Height, "10"}}, false, 20, 10},
        {{{AttrSym::Src, "pic4"}, {AttrSym::Width, "50%"}}, false, 100, 20},                 // of the 200 available
        {{{AttrSym::Src, "pic5"}, {AttrSym::Width, "50%"}, {AttrSym::Height, "5"}}, false, 100, 5},
        {{{AttrSym::Src, "pic6"}, {AttrSym::Width, "10"}, {AttrSym::Height, "30"}}, false, 10, 30},
        {{{AttrSym::Src, "pic7"}, {AttrSym::Width, "150%"}}, false, 40, 20},                 // out of range: ignored
        {{{AttrSym::Src, "pic8"}}, true, 42, 22},                                            // a border inside a link
        {{{AttrSym::Src, "pic9"}, {AttrSym::Border, "0"}}, true, 40, 20},
        {{{AttrSym::Src, "missing"}, {AttrSym::Alt, "abc"}}, false, 47, 24},  // error image sized for its ALT
        {{{AttrSym::Src, "missing"}}, false, 26, 24},
        {{{AttrSym::Src, "missing"}, {AttrSym::Width, "10"}, {AttrSym::Height, "12"}}, false, 10, 12},
    };
    for (const Case& c : cases) {
        doc.Clear();
        TUrlTarget link;
        if (c.inLink) link.Assign("x.htm", "");
        auto s = std::make_unique<TSection>(&doc, LeftJustify, link, DocFont(doc), 0);
        TImageObj* image = s->AddImage(Attrs(c.attrs), false, 0);
        Add(std::move(s));
        Layout(200);
        EXPECT_EQ(image->ImageWidth, c.width) << c.attrs[0].second;
        EXPECT_EQ(image->ImageHeight, c.height) << c.attrs[0].second;
    }
}

TEST_F(ImageSizeTest, ImagesSetTheLineHeights) {
    // A bottom-aligned image stands on the base line, a top-aligned one
    // hangs below the line, a middle-aligned one is centred on it.
    struct Case {
        std::string align;
        int before, after;
    };
    for (const Case& c : std::vector<Case>{{"bottom", 8, 0}, {"top", 0, 4}, {"middle", 2, 2}}) {
        doc.Clear();
        auto s = Para("ab");
        s->AddImage(Attrs({{AttrSym::Src, "pic"}, {AttrSym::Align, c.align}}), false, 5);
        TSection* p = Add(std::move(s));
        Layout(200);
        EXPECT_EQ(p->Lines[0].SpaceBefore, c.before) << c.align;
        EXPECT_EQ(p->Lines[0].SpaceAfter, c.after) << c.align;
    }
}

TEST_F(SectionTest, PositionsAndHitTests) {
    TSection* a = Add(Para("hello world"));
    TUrlTarget link;
    link.Assign("page.htm", "frame");
    auto b = Para("see ");
    b->HRef(Sym::A, DocFont(doc), link);
    b->AddTokenObj(Tok("there", 50), false);
    TSection* second = Add(std::move(b));
    Add(Para("hello", Centered));
    Layout(200);
    EXPECT_EQ(second->FirstPosition, 11);

    struct Case {
        int x, y, pos, xr;
        bool inText;
    };
    const std::vector<Case> cases = {
        {10, 5, 1, 7, true},     // before the middle of the second character
        {11, 5, 2, 14, true},    // beyond its middle
        {100, 5, 11, 77, false}, // past the text
        {10, 40, 20, 82, false}, // left of a centred line: its start
        {3, 20, 11, 0, true},
    };
    for (const Case& c : cases) {
        int xr = 0, yr = 0, caret = 0;
        THtmlObject* obj = nullptr;
        bool inText = false;
        EXPECT_EQ(doc.PositionAtPoint(canvas, c.x, c.y, xr, yr, caret, obj, inText), c.pos) << c.x << "," << c.y;
        EXPECT_EQ(xr, c.xr) << c.x << "," << c.y;
        EXPECT_EQ(inText, c.inText) << c.x << "," << c.y;
        EXPECT_EQ(caret, 16);
        EXPECT_EQ(yr, c.y / 16 * 16);
        EXPECT_EQ(obj, static_cast<THtmlObject*>(&doc));
    }
    int xr = 0, yr = 0, caret = 0;
    THtmlObject* obj = nullptr;
    bool inText = false;
    EXPECT_EQ(doc.PositionAtPoint(canvas, 5, 60, xr, yr, caret, obj, inText), -1);

    int y = 0, x = 0;
    ASSERT_TRUE(doc.PointOfPosition(canvas, 14, y, x));
    EXPECT_EQ(y, 16);
    EXPECT_EQ(x, 21);
    char ch = 0;
    ASSERT_TRUE(doc.CharAtPosition(4, ch, obj));
    EXPECT_EQ(ch, 'o');
    EXPECT_EQ(obj, static_cast<THtmlObject*>(a));

    // The link covers "there" only; the hovered run is remembered.
    TUrlTarget found;
    TFormControlObj* control = nullptr;
    EXPECT_FALSE(doc.LinkAtPoint(canvas, 10, 20, found, control));
    EXPECT_TRUE(doc.LinkAtPoint(canvas, 30, 20, found, control));
    EXPECT_EQ(found.Url, "page.htm");
    EXPECT_EQ(found.Target, "frame");
    EXPECT_EQ(doc.ActiveLink, second->Fonts[1]);
    EXPECT_FALSE(doc.LinkAtPoint(canvas, 70, 20, found, control));  // past the end of the line
}

TEST_F(SectionTest, ImagesAnswerWithTheirLinks) {
    // A bordered ISMAP image in a link, an image with a map, an image input;
    // all bottom-aligned on one line, drawn where hit tests look for them.
    auto map = std::make_unique<TMapItem>();
    map->MapName = "M";
    map->AddArea(Attrs({{AttrSym::Coords, "0,0,10,10"}, {AttrSym::Href, "a.htm"}}));
    doc.MapList.Add(std::move(map));
    TUrlTarget link;
    link.Assign("pic.htm", "");
    auto s = std::make_unique<TSection>(&doc, LeftJustify, link, DocFont(doc), 0);
    s->AddImage(Attrs({{AttrSym::IsMap, ""}, {AttrSym::Width, "20"}, {AttrSym::Height, "20"}}), false, 0);
    s->HRef(Sym::AEnd, DocFont(doc), link);
    s->AddImage(Attrs({{AttrSym::UseMap, " #m"}, {AttrSym::Width, "20"}, {AttrSym::Height, "20"}}), false, 1);
    auto* input = dynamic_cast<TImageFormControlObj*>(s->AddFormControl(
        Sym::Input, Attrs({{AttrSym::Type, "image"}, {AttrSym::Width, "10"}, {AttrSym::Height, "10"}}), false, 2));
    Add(std::move(s));
    Layout(300);
    Paint(300, 100);
    struct Case {
        int x, y;
        bool found;
        std::string url;
        bool control;
    };
    const std::vector<Case> cases = {
        {5, 6, true, "pic.htm?4,5", false},  // the picture starts inside the 1-pixel border
        {0, 0, false, "", false},            // the border itself
        {25, 5, true, "a.htm", false},       // the map's area
        {40, 20, false, "", false},          // the image, outside every area
        {45, 15, true, "", true},            // the image input, with the click point
    };
    for (const Case& c : cases) {
        TUrlTarget url;
        TFormControlObj* control = nullptr;
        EXPECT_EQ(doc.LinkAtPoint(canvas, c.x, c.y, url, control), c.found) << c.x;
        EXPECT_EQ(url.Url, c.url) << c.x;
        EXPECT_EQ(control != nullptr, c.control) << c.x;
    }
    EXPECT_EQ(input->XTmp, 3);
    EXPECT_EQ(input->YTmp, 3);
}

TEST_F(SectionTest, MissingPicturesShowABoxWithTheirText) {
    auto s = Para();
    s->AddImage(Attrs({{AttrSym::Alt, "abc"}}), false, 0);
    Add(std::move(s));
    Layout(200);
    Paint(200, 100);
    const std::vector<std::string> expected = {
        "pushClip 0,0,47,24",  // 24 for the picture beside the text, 24 high
        "bitmap 4,4,20,20 from 0,0,16,16 of 16x16",
        "pushClip 24,4,45,22",  // the ALT text wraps from 24 pixels in
        "text 24,16 \"abc\" Arial 8 #000000",
        "popClip",
        "popClip",
    };
    std::vector<std::string> drawn;
    for (const std::string& e : canvas.log)
        if (!e.starts_with("fillRect")) drawn.push_back(e);  // the sunken frame's sides
    EXPECT_EQ(drawn, expected);
}

TEST_F(SectionTest, FindAndSourcePositions) {
    Add(Para("xxABCxx"));
    auto s = Para();
    s->AddTokenObj(Tok("abc", 10), false);
    s->AddTokenObj(Tok("de", 20), false);
    Add(std::move(s));
    Add(Para("caf\xC9 " + std::string(300, 'q')));
    Layout(2000);

    struct Find {
        int from;
        std::string text;
        bool matchCase;
        int expected;
    };
    const std::vector<Find> finds = {
        {0, "Abc", false, 2}, {0, "Abc", true, -1}, {3, "abc", false, 7}, {0, "ABC", true, 2},
        {8, "abc", false, -1}, {0, "CAF\xE9", false, 12}, {0, "", false, -1},
        {0, std::string(255, 'q') + "zz", false, 17},  // only the first 255 characters count
    };
    for (const Find& f : finds)
        EXPECT_EQ(doc.FindString(f.from, f.text, f.matchCase), f.expected) << f.text.substr(0, 8) << " " << f.from;

    // The second paragraph holds positions 7 to 11 from the source runs
    // 10-12 and 20-21.
    struct Source {
        int sourcePos;
        bool prev;
        int expected;
    };
    EXPECT_EQ(doc.SourcePosition(8), 11);
    EXPECT_EQ(doc.SourcePosition(10), 20);
    const std::vector<Source> sources = {
        {11, false, 8}, {15, false, 10}, {15, true, 9},  // a gap: after it, or the last before it
        {20, true, 10},
    };
    for (const Source& s2 : sources)
        EXPECT_EQ(doc.DocumentPosition(s2.sourcePos, s2.prev), s2.expected) << s2.sourcePos << " " << s2.prev;
    TSection* second = static_cast<TSection*>(doc[1]);
    EXPECT_EQ(second->DocumentPosition(5, true), -1);  // before the first run
    EXPECT_EQ(second->DocumentPosition(5, false), 7);
    EXPECT_EQ(second->DocumentPosition(30, true), 11);  // after the last
    EXPECT_EQ(second->DocumentPosition(30, false), -1);
}

TEST_F(SectionTest, CopyWritesTheSelection) {
    Add(Para("aaaa bbbb", LeftJustify, 1));  // in a list: 35 pixels in
    Add(std::make_unique<TParagraphSpace>(&doc));
    Add(Para("cccc"));
    Layout(200);
    struct Case {
        int selB, selE;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, 13, "   aaaa bbbb\r\n\r\ncccc"},
        {2, 7, "aa bb"},
        {5, 11, "bbbb\r\n\r\ncc"},
        {9, 13, "cccc"},  // from the start of the paragraph after the gap
    };
    for (const Case& c : cases) {
        doc.SelB = c.selB;
        doc.SelE = c.selE;
        doc.CopyBuffer.clear();
        doc.CopySelection();
        EXPECT_EQ(doc.CopyBuffer, c.text) << c.selB << "-" << c.selE;
    }
}

TEST_F(SectionTest, SelectionPaintsInverted) {
    Add(Para("hello"));
    doc.Background = gfx::clWhite;
    Layout(200);
    doc.SelB = 1;
    doc.SelE = 3;
    Paint(200, 100);
    const std::vector<std::string> expected = {
        "text 0,12 \"h\" Times New Roman 12 #000000",
        "fillRect 7,0,21,16 #000000",
        "text 7,12 \"el\" Times New Roman 12 #FFFFFF",
        "text 21,12 \"lo\" Times New Roman 12 #000000",
    };
    EXPECT_EQ(canvas.log, expected);
    // Scrolled out of the band, nothing is painted.
    canvas.log.clear();
    doc.SetScrollY(50);
    Paint(200, 30);
    EXPECT_TRUE(canvas.log.empty());
}

}  // namespace
