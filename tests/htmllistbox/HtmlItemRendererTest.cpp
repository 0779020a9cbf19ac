// The item renderer on the recording canvas (every character 7 pixels wide,
// every line 16 high with its base line 12 below the top): tags, entities,
// lines, anchors, images, tag stripping, colour names and gradients.
#include <gtest/gtest.h>

#include <fstream>

#include "htmllistbox/GradientFill.h"
#include "htmllistbox/GroupListIcons.h"
#include "htmllistbox/HtmlItemRenderer.h"
#include "model/ModelLists.h"
#include "platform/gfx/RecordingCanvas.h"
#include "tests/htmllistbox/TestGif.h"

namespace {

struct Drawn {
    HtmlItemResult result;
    std::vector<std::string> log;
    std::vector<std::string> texts;    // the "text" entries
    std::vector<std::string> bitmaps;  // the "bitmap" entries
    std::string shown;                 // the drawn characters, joined
};

Drawn Render(std::string_view item, const HtmlItemParams& p = {}, const gfx::Rect& rect = {2, 0, 202, 100}) {
    gfx::RecordingCanvas canvas;
    Drawn d;
    d.result = DrawHtmlItem(canvas, item, rect, p);
    d.log = canvas.log;
    for (const std::string& e : canvas.log) {
        if (e.rfind("text ", 0) == 0) {
            d.texts.push_back(e);
            const std::size_t q = e.find('"');
            d.shown += e.substr(q + 1, e.rfind('"') - q - 1);
        }
        if (e.rfind("bitmap ", 0) == 0) d.bitmaps.push_back(e);
    }
    EXPECT_EQ(canvas.font(), gfx::FontSpec()) << "the canvas font is given back";
    return d;
}

gfx::ImageList Icons(int count, int width = 16, int height = 16) {
    gfx::ImageList list(width, height);
    for (int i = 0; i < count; ++i) list.add(gfx::Bitmap(width, height, gfx::PixelFormat::pf32bit));
    return list;
}

TEST(HtmlItemRenderer, TagsAndEntitiesSetTheTextAndItsFont) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"<B>b</B>n", {R"(text 2,12 "b" Tahoma 8 #000000 b)", R"(text 9,12 "n" Tahoma 8 #000000)"}},
        {"<I>i</I><U>u</U><s>s</s>",
         {R"(text 2,12 "i" Tahoma 8 #000000 i)", R"(text 9,12 "u" Tahoma 8 #000000 u)",
          R"(text 16,12 "s" Tahoma 8 #000000 s)"}},
        {R"(<FONT size="3">x</FONT>y)", {R"(text 2,12 "x" Tahoma 12 #000000)", R"(text 9,12 "y" Tahoma 8 #000000)"}},
        {R"(<font size="20">x</font>)", {R"(text 2,12 "x" Tahoma 20 #000000)"}},
        {R"(<FONT face="Arial" color="#ff8000">x</FONT>)", {R"(text 2,12 "x" Arial 8 #FF8000)"}},
        {R"(<FONT color="clRed">r</FONT><FONT color="clHighlight">h</FONT>)",
         {R"(text 2,12 "r" Tahoma 8 #FF0000)", R"(text 9,12 "h" Tahoma 8 #0078D7)"}},
        {R"(<A href="x">a</A>b)", {R"(text 2,12 "a" Tahoma 8 #0000FF u)", R"(text 9,12 "b" Tahoma 8 #000000)"}},
        {"<HI>h</HI>", {R"(text 2,12 "h" Tahoma 8 #FFFFFF)"}},
        {R"(<R a="90">up</R>)", {R"(text 2,12 "up" Tahoma 8 #000000 esc=900)"}},
        {"<SHAD>s</SHAD>", {R"(text 3,13 "s" Tahoma 8 #808080)", R"(text 2,12 "s" Tahoma 8 #000000)"}},
        {"&lt;B&gt;x", {R"(text 2,12 "<B>x" Tahoma 8 #000000)"}},  // shown, not bold
        {"a&amp;b", {R"(text 2,12 "a&b" Tahoma 8 #000000)"}},
        {"&copy;&euro;&quot;", {"text 2,12 \"\xC2\xA9\xE2\x82\xAC\"\" Tahoma 8 #000000"}},
        {"ab<c", {R"(text 2,12 "ab" Tahoma 8 #000000)"}},  // "<" and one character end the item
        {"<Z>hid</Z>shown", {R"(text 2,12 "shown" Tahoma 8 #000000)"}},
        {"<unknown>x<B", {R"(text 2,12 "x" Tahoma 8 #000000)"}},
    };
    for (const auto& [item, texts] : cases) EXPECT_EQ(Render(item).texts, texts) << item;

    HtmlItemParams selected;
    selected.selected = true;
    EXPECT_EQ(Render(R"(<A href="x">a</A><FONT color="clRed">b</FONT>)", selected).texts,
              (std::vector<std::string>{R"(text 2,12 "a" Tahoma 8 #000000 u)", R"(text 9,12 "b" Tahoma 8 #000000)"}));
    HtmlItemParams hidden;
    hidden.blinkVisible = false;
    EXPECT_EQ(Render("<BLINK>b</BLINK>a", hidden).texts,
              (std::vector<std::string>{R"(text 2,12 "b" Tahoma 8 #FFFFFF)", R"(text 9,12 "a" Tahoma 8 #000000)"}));
}

TEST(HtmlItemRenderer, LinesWrapAlignAndStack) {
    const gfx::Rect narrow{2, 0, 52, 100};  // 50 pixels: seven characters
    struct Case {
        std::string item;
        bool wrap;
        std::vector<std::string> texts;
        int height;
    };
    const std::vector<Case> cases = {
        {"aaa bbb ccc", true, {R"(text 2,12 "aaa ")", R"(text 2,28 "bbb ")", R"(text 30,28 "ccc")"}, 32},
        {"abcdefghijkl", true, {R"(text 2,12 "abcdefghijkl")"}, 16},  // a long word is not broken
        {"abcdefghijkl", false, {R"(text 2,12 "abcd...")"}, 16},
        {"<UL><LI>a<LI>b</UL>",
         true,
         {"text 2,12 \"\xE2\x80\xA2\"", R"(text 14,12 "a")", "text 2,28 \"\xE2\x80\xA2\"", R"(text 14,28 "b")"},
         32},
        {"a<BR>b", true, {R"(text 2,12 "a")", R"(text 2,28 "b")"}, 32},
        {R"(<P align="right">ab</P>c)", true, {R"(text 38,12 "ab")", R"(text 2,28 "c")"}, 32},
        {R"(<P align="center" indent="1">ab)", true, {R"(text 21,12 "ab")"}, 16},
        {R"(<IND x="30">a)", true, {R"(text 32,12 "a")"}, 16},
        {"a<SUP>b</SUP>c<SUB>d</SUB>",
         true,
         {R"(text 2,16 "a")", R"(text 9,12 "b")", R"(text 16,16 "c")", R"(text 23,20 "d")"},
         24},
        {"", true, {}, 16},
        // Hidden text has no height, no lowered line and no width.
        {"a<Z><SUB>hidden text</SUB></Z>b", true, {R"(text 2,12 "a")", R"(text 9,12 "b")"}, 16},
    };
    for (const Case& c : cases) {
        HtmlItemParams p;
        p.wordWrap = c.wrap;
        const Drawn d = Render(c.item, p, narrow);
        std::vector<std::string> texts;
        for (const std::string& t : d.texts) texts.push_back(t.substr(0, t.find(" Tahoma")));
        EXPECT_EQ(texts, c.texts) << c.item;
        EXPECT_EQ(d.result.height, c.height) << c.item;
        p.measureOnly = true;
        const Drawn measured = Render(c.item, p, narrow);
        EXPECT_TRUE(measured.log.empty()) << c.item;
        EXPECT_EQ(measured.result.height, c.height) << c.item;
    }
    EXPECT_EQ(Render("aaa bbb ccc", {}, narrow).result.width, 49);
    EXPECT_EQ(Render("a<BR>b").result.plainText, "a\rb");

    HtmlItemParams spaced;
    spaced.lineSpacing = 3;
    EXPECT_EQ(Render("a<BR>b", spaced).result.height, 38);
}

TEST(HtmlItemRenderer, MarksRulesAndBackgrounds) {
    auto has = [](const Drawn& d, const std::string& entry) {
        return std::find(d.log.begin(), d.log.end(), entry) != d.log.end();
    };
    EXPECT_TRUE(has(Render("a<HR>b"), "line 2,17-202,17 #000000"));
    EXPECT_TRUE(has(Render(R"(<BODY bgcolor="#102030">x)"), "fillRect 0,0,202,100 #102030"));
    EXPECT_TRUE(has(Render(R"(<P bgcolor="#00FF00">x</P>)"), "fillRect 2,0,202,16 #00FF00"));
    EXPECT_TRUE(has(Render(R"(<FONT bgcolor="clBlue">x</FONT>)"), "fillRect 2,0,9,16 #0000FF"));
    const Drawn body = Render(R"(<BODY bgcolor="clBlack" bgcolorto="clWhite">x)");
    EXPECT_EQ(std::count_if(body.log.begin(), body.log.end(), [](const std::string& e) { return e.rfind("fillRect", 0) == 0; }),
              64);
    // The error mark: a red zig-zag under "ab" from x 2 to 16.
    const Drawn marked = Render("<E>ab</E>");
    EXPECT_TRUE(has(marked, "line 2,15-4,17 #FF0000"));
    EXPECT_TRUE(has(marked, "line 14,15-16,17 #FF0000"));
}

TEST(HtmlItemRenderer, AnchorsAreHitOnTheirTextAndImages) {
    const gfx::ImageList icons = Icons(2);
    struct Case {
        std::string item;
        gfx::Point mouse;
        std::string anchor;  // empty: no hit
    };
    const std::string eye = R"(<A href="visible">eye</A> Body)";
    const std::string image = R"(x<A href="img"><IMG src="idx:1"></A>)";
    const std::vector<Case> cases = {
        {eye, {5, 8}, "visible"}, {eye, {22, 1}, "visible"}, {eye, {5, 16}, ""},  // below the text
        {eye, {40, 8}, ""},       {eye, {5, -1}, ""},        {image, {10, 15}, "img"},
        {image, {24, 15}, "img"}, {image, {25, 15}, ""},     {image, {5, 8}, ""},
    };
    for (const Case& c : cases) {
        HtmlItemParams p;
        p.images = &icons;
        p.noDraw = true;
        p.mouse = c.mouse;
        const Drawn d = Render(c.item, p);
        EXPECT_EQ(d.result.anchorHit, !c.anchor.empty()) << c.item << " at " << c.mouse.x << "," << c.mouse.y;
        EXPECT_EQ(d.result.anchor, c.anchor) << c.item;
        EXPECT_TRUE(d.texts.empty() && d.bitmaps.empty()) << "nothing drawn";
    }
    HtmlItemParams p;
    p.mouse = {5, 8};
    const Drawn d = Render(eye, p);
    EXPECT_EQ(d.result.anchorRect, (gfx::Rect{2, 0, 23, 16}));
    EXPECT_EQ(d.result.anchorIndex, 0);
    EXPECT_EQ(d.result.anchorCount, 1);
}

TEST(HtmlItemRenderer, ImagesTakeTheirSizeAndPlace) {
    const gfx::ImageList icons = Icons(2), tall = Icons(1, 16, 32);
    TImageContainer container;
    TPictureItem& item = container.Items().Add();
    item.Name = "pic";
    item.Picture.LoadFromBytes(gif::Make(4, 4, {{0, 0, 4, 4, 2, 0}}));
    struct Case {
        std::string item;
        const gfx::ImageList* images;
        int right;  // of the rectangle
        std::vector<std::string> bitmaps;
        std::string text;  // the first text entry without its font
    };
    const std::vector<Case> cases = {
        {R"(a<IMG src="idx:1">b)", &icons, 202, {"bitmap 9,0,25,16 from 0,0,16,16 of 16x16"}, R"(text 2,12 "a")"},
        {R"(a<IMG src="IDX:2">b)", &icons, 202, {}, R"(text 2,12 "a")"},
        {R"(<IMG src="idx:0">a)", &tall, 202, {"bitmap 2,0,18,32 from 0,0,16,32 of 16x32"}, R"(text 18,28 "a")"},
        {R"(<IMG src="idx:0" align="top">a)", &tall, 202, {"bitmap 2,0,18,32 from 0,0,16,32 of 16x32"},
         R"(text 18,12 "a")"},
        {R"(<IMG src="idx:0" align="middle">a)", &tall, 202, {"bitmap 2,0,18,32 from 0,0,16,32 of 16x32"},
         R"(text 18,20 "a")"},
        {R"(ab<IMG src="idx:0">)", &icons, 22, {"bitmap 2,16,18,32 from 0,0,16,16 of 16x16"}, R"(text 2,12 "ab")"},
        {R"(<IMG src="pic">)", nullptr, 202, {"bitmap 2,0,6,4 from 0,0,4,4 of 4x4"}, ""},
        {R"(<IMG src="PIC" width="8" height="6">)", nullptr, 202, {"bitmap 2,0,10,6 from 0,0,4,4 of 4x4"}, ""},
        {R"(<IMG src="nothing">x)", nullptr, 202, {}, R"(text 2,12 "x")"},
    };
    for (const Case& c : cases) {
        HtmlItemParams p;
        p.images = c.images;
        p.container = &container;
        const Drawn d = Render(c.item, p, {2, 0, c.right, 100});
        EXPECT_EQ(d.bitmaps, c.bitmaps) << c.item;
        EXPECT_EQ(d.texts.empty() ? "" : d.texts[0].substr(0, d.texts[0].find(" Tahoma")), c.text) << c.item;
    }
}

TEST(HtmlItemRenderer, LinkedAndBrokenPicturesNeverGrowTheCacheOrRaise) {
    const std::string cut = ::testing::TempDir() + "cut.gif", junk = ::testing::TempDir() + "junk.gif";
    const std::vector<uint8_t> whole = gif::Make(4, 4, {{0, 0, 4, 4, 1, 0}});
    std::ofstream(cut, std::ios::binary).write(reinterpret_cast<const char*>(whole.data()), 30);
    std::ofstream(junk, std::ios::binary) << "GIF89a\x04\x00garbage bytes that are no picture at all";
    THtmlImageCache cache;
    HtmlItemParams p;
    p.cache = &cache;
    const std::vector<std::string> items = {
        "<IMG src=\"file://" + cut + "\">", "<IMG src=\"file://" + junk + "\">",
        "<IMG src=\"file://" + ::testing::TempDir() + "missing.gif\">", R"(<IMG src="http://example.org/x.gif">)",
        R"(<BODY background="file:///nowhere.gif">x)"};
    for (int paint = 0; paint < 3; ++paint)
        for (const std::string& item : items) {
            Drawn d;
            EXPECT_NO_THROW(d = Render(item, p)) << item;
            EXPECT_TRUE(d.bitmaps.empty()) << item;
        }
    EXPECT_EQ(cache.Count(), static_cast<int>(items.size()));
    std::remove(cut.c_str());
    std::remove(junk.c_str());
}

TEST(HtmlItemRenderer, GroupNamesShowAsTyped) {
    gfx::ImageList icons(16, 16);
    AddGroupListIcons(icons);
    HtmlItemParams p;
    p.images = &icons;
    for (const std::string name : {R"(A&B <IMG src="idx:25"> <x> a&lt;b &amp; "q")", "<Z>z</Z>&"}) {
        tgroup g;
        g.name = name;
        g.castsShadow = 0;
        const Drawn d = Render(GroupListLine(g), p, {2, 0, 802, 100});
        EXPECT_EQ(d.shown, "  " + name);
        EXPECT_EQ(d.bitmaps, (std::vector<std::string>{"bitmap 2,0,18,16 from 0,0,16,16 of 16x16",
                                                       "bitmap 25,0,41,16 from 0,0,16,16 of 16x16"}));
    }
}

TEST(HtmlItemRenderer, StripHtmlTagsAndColourNames) {
    const std::vector<std::pair<std::string, std::string>> strips = {
        {"a<BR>b<hr>c", "a\r\nb\r\nc"},
        {"x<z>hidden</z>y<Z>h</Z>z", "xyz"},
        {R"(<A href="v"><IMG src="idx:25"></A> Body)", " Body"},
        {"a<b", "a<b"},
        {"<B>bold</B> <z>open", "bold <z>open"},
        {"&amp;<x>", "&amp;"},
    };
    for (const auto& [in, out] : strips) EXPECT_EQ(StripHtmlTags(in), out) << in;

    const std::vector<std::pair<std::string, gfx::Color>> colours = {
        {"clred", 0x0000FF},       {"clteal", 0x808000},     {"clmaroon", 0x000080},
        {"clbackground", 0x80000001}, {"clwindow", 0x80000005}, {"clinfobk", 0x80000018},
        {"clRed", 0},              {"nothing", 0},
    };
    for (const auto& [name, colour] : colours) EXPECT_EQ(ColorFromName(name), colour) << name;
}

TEST(GradientFill, BandsRoundAndCoverTheRectangle) {
    gfx::RecordingCanvas c;
    DrawGradient(c, gfx::clBlack, gfx::clWhite, true, {0, 0, 10, 4}, 4, gfx::clRed);
    const std::vector<std::string> expected = {
        "fillRect 0,0,3,4 #000000",  "fillRect 2,0,5,4 #404040", "fillRect 5,0,8,4 #808080",
        "fillRect 8,0,10,4 #BFBFBF", "fillRect 0,0,10,1 #FF0000",  // then the border
    };
    ASSERT_GE(c.log.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(c.log.begin(), c.log.begin() + 5), expected);

    gfx::RecordingCanvas one;
    DrawGradient(one, gfx::clBlue, gfx::clRed, false, {0, 0, 5, 5}, 0, gfx::clNone);
    EXPECT_EQ(one.log, std::vector<std::string>{"fillRect 0,0,5,5 #0000FF"});

    TGradientStyle style, other;
    int changes = 0;
    style.OnChange = [&] { ++changes; };
    other.SetColorTo(gfx::clRed);
    style.Assign(other);
    EXPECT_EQ(style.ColorTo(), gfx::clRed);
    EXPECT_EQ(changes, 1);
}

}  // namespace
