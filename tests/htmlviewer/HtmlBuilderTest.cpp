// The document builder: HTML strings become the expected sections (gaps,
// paragraphs with their justification and list level, list items, rules,
// preformatted lines, tables with their rows and cells), fonts, links,
// anchors, images, maps and forms, for every group of tags the viewer reads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "htmlviewer/HtmlImageObj.h"
#include "htmlviewer/HtmlParser.h"

namespace {

std::string Shown(const std::string& buffer) {
    std::string s;
    for (char c : buffer) {
        if (c == ImageCode || c == NoBreakImageCode)
            s += "[img]";
        else if (c == ControlCode || c == NoBreakControlCode)
            s += "[ctl]";
        else if (c == NonBreakingSpace)
            s += '~';
        else
            s += c;
    }
    return s;
}

void Describe(const TCell& cell, std::string& out);

// One section as a word: its kind, justification (l, c, r), list level and
// text. Empty paragraphs (they take no room) are left out.
void Describe(const TSectionBase& section, std::string& out) {
    auto sep = [&] {
        if (!out.empty() && out.back() != '{' && out.back() != '[') out += ' ';
    };
    if (const auto* table = dynamic_cast<const ThtmlTable*>(&section)) {
        sep();
        out += "table[";
        if (table->Caption) {
            out += table->TopCaption ? "cap{" : "bcap{";
            Describe(*table->Caption->Cell, out);
            out += "}";
        }
        for (const auto& row : table->Rows) {
            sep();
            out += "[";
            for (const auto& cell : *row) {
                if (!cell || cell->ColSpan == 0) continue;
                sep();
                out += "{";
                Describe(*cell->Cell, out);
                out += "}";
            }
            out += "]";
        }
        out += "]";
        return;
    }
    if (dynamic_cast<const TParagraphSpace*>(&section)) {
        sep();
        out += "gap";
        return;
    }
    if (const auto* h = dynamic_cast<const THeadingSpace*>(&section)) {
        sep();
        out += "h" + std::to_string(h->HeadingSize);
        return;
    }
    if (dynamic_cast<const THorzLine*>(&section)) {
        sep();
        out += "hr";
        return;
    }
    const auto* s = dynamic_cast<const TSection*>(&section);
    if (!s || s->Buff.empty()) return;
    sep();
    static const char justify[] = "-lcr";
    if (dynamic_cast<const TPreFormated*>(s))
        out += "pre";
    else if (const auto* o = dynamic_cast<const TOListItem*>(s))
        out += "ol" + std::to_string(s->ListLevel) + ":" + o->MarkerText();
    else if (dynamic_cast<const TDListItem*>(s))
        out += "dl" + std::to_string(s->ListLevel);
    else if (const auto* u = dynamic_cast<const TUListItem*>(s))
        out += (u->Plain ? "ulp" : "ul") + std::to_string(s->ListLevel);
    else
        out += std::string(1, justify[s->Justify]) + (s->ListLevel ? std::to_string(s->ListLevel) : "");
    out += "\"" + Shown(s->Buff) + "\"";
}

void Describe(const TCell& cell, std::string& out) {
    for (const auto& s : cell) Describe(*s, out);
}

// Builds a document from HTML the way the viewer does (white page, black text).
class BuilderTest : public ::testing::Test {
public:
    BuilderTest() { doc.ShowImages = false; }

    void Build(const std::string& html) {
        doc.Clear();
        anchors.clear();
        parser = std::make_unique<ThlParser>(html);
        parser->ForViewer = true;
        if (setUp) setUp(*parser);
        parser->ParseHtml(doc, anchors);
    }
    std::string Structure(const std::string& html) {
        Build(html);
        std::string out;
        Describe(doc, out);
        return out;
    }
    // The paragraph whose text holds `text` (the first, depth first).
    TSection* Find(const std::string& text) {
        TSection* found = nullptr;
        std::function<void(const TCell&)> walk = [&](const TCell& cell) {
            for (const auto& s : cell) {
                if (found) return;
                if (auto* p = dynamic_cast<TSection*>(s.get()); p && p->Buff.find(text) != std::string::npos)
                    found = p;
                if (auto* t = dynamic_cast<ThtmlTable*>(s.get())) {
                    if (t->Caption) walk(*t->Caption->Cell);
                    for (const auto& row : t->Rows)
                        for (const auto& c : *row)
                            if (c) walk(*c->Cell);
                }
            }
        };
        walk(doc);
        return found;
    }
    // The font run at the start of `text`.
    TFontObj* FontOf(const std::string& text) {
        TSection* s = Find(text);
        return s ? s->Fonts.GetFontAt(static_cast<int>(s->Buff.find(text))) : nullptr;
    }
    // The first table of the document.
    ThtmlTable* FirstTable() {
        for (const auto& s : doc)
            if (auto* t = dynamic_cast<ThtmlTable*>(s.get())) return t;
        return nullptr;
    }

    TSectionList doc;
    TAnchorList anchors;
    std::unique_ptr<ThlParser> parser;
    std::function<void(ThlParser&)> setUp;
};

struct StructureCase {
    const char* html;
    const char* expected;
};

void ExpectStructures(BuilderTest& test, const std::vector<StructureCase>& cases) {
    for (const StructureCase& c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(test.Structure(c.html), c.expected);
    }
}

// ---- Text blocks ------------------------------------------------------------------------

TEST_F(BuilderTest, ParagraphsBreaksRulesHeadingsAndDivisions) {
    ExpectStructures(*this, {
        {"a  b\r\n c", "l\"a b c\""},
        // Any run of P gives one gap; the last ALIGN of the run counts.
        {"a<P><P ALIGN=right></P>\n<p>b", "l\"a\" gap l\"b\""},
        {"a<P ALIGN=center>b<p>c", "l\"a\" gap c\"b\" gap l\"c\""},
        {"<P>first", "gap l\"first\""},
        {"a<BR>b<BR CLEAR=all><BR>c", "l\"a\" l\"b\" l\" \" l\"c\""},
        {"a<HR>b", "l\"a\" hr l\"b\""},
        {"<H1>T</H1>x<H3 ALIGN=center>U</H3>", "h1 l\"T\" h1 l\"x\" h3 c\"U\" h3"},
        {"<CENTER>a<DIV ALIGN=right>b</DIV>c</CENTER>d", "c\"a\" r\"b\" c\"c\" l\"d\""},
        {"<DIV ALIGN=center>a<P>b</DIV>c", "c\"a\" gap c\"b\" l\"c\""},
        {"a<ADDRESS>b</ADDRESS>c", "l\"a\" l\"b\" l\"c\""},
        {"a<BLOCKQUOTE>b<BLOCKQUOTE>c</BLOCKQUOTE>d</BLOCKQUOTE>e", "l\"a\" l1\"b\" l2\"c\" l1\"d\" l\"e\""},
        // In PRE every line is kept; P and BR end a line without a gap.
        {"<PRE>x  y\n\tz<P>w<BR>\nv</PRE>t", "pre\"x  y\" pre\" z\" pre\"w\" pre\"v\" l\"t\""},
        {"<PRE>a &lt; b <B>c</B></PRE>", "pre\"a < b c\""},
        {"<NOBR>a b</NOBR> c", "l\"a~b c\""},
        {"<NOBR>a<WBR>b</NOBR>", "l\"a b\""},
    });
    // Heading fonts: H1 24 points bold, H6 8; ADDRESS italic; PRE fixed at 10.
    Build("<H1>big</H1><H6>tiny</H6><ADDRESS>addr</ADDRESS><PRE>code</PRE>");
    EXPECT_EQ(FontOf("big")->TheFont.NormalSize, 24);
    EXPECT_TRUE(FontOf("big")->TheFont.Font.bold);
    EXPECT_EQ(FontOf("tiny")->TheFont.NormalSize, 8);
    EXPECT_TRUE(FontOf("addr")->TheFont.Font.italic);
    EXPECT_TRUE(FontOf("code")->TheFont.Fixed);
    EXPECT_EQ(FontOf("code")->TheFont.Font.family, doc.PreFontName);
    EXPECT_EQ(FontOf("code")->TheFont.NormalSize, 10);
}

TEST_F(BuilderTest, FontMarkupStylesSizesAndTheStackLimit) {
    Build("n<B>bo<I>bi</B>it</I><U>u</U><S>s</S><SUB>lo</SUB><SUP>hi</SUP><TT>tt</TT>"
          "<BIG>big<BIG>bigger</BIG></BIG><SMALL>small</SMALL>"
          "<FONT SIZE=5 COLOR=red FACE=\" Arial , Helvetica\">f5</FONT><FONT SIZE=-1>rel</FONT>");
    struct Expect {
        const char* text;
        bool bold, italic, underline, strike;
        int size;
    };
    for (const Expect& e : std::vector<Expect>{{"n", false, false, false, false, 12},
                                               {"bi", true, true, false, false, 12},
                                               {"it", false, true, false, false, 12},
                                               {"u", false, false, true, false, 12},
                                               {"s", false, false, false, true, 12},
                                               {"tt", false, false, false, false, 10},
                                               {"bigger", false, false, false, false, 18},
                                               {"big", false, false, false, false, 14},
                                               {"small", false, false, false, false, 10},
                                               {"f5", false, false, false, false, 18},
                                               {"rel", false, false, false, false, 10}}) {
        SCOPED_TRACE(e.text);
        const TFontObj* f = FontOf(e.text);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->TheFont.Font.bold, e.bold);
        EXPECT_EQ(f->TheFont.Font.italic, e.italic);
        EXPECT_EQ(f->TheFont.Font.underline, e.underline);
        EXPECT_EQ(f->TheFont.Font.strikeOut, e.strike);
        EXPECT_EQ(f->TheFont.NormalSize, e.size);
    }
    EXPECT_EQ(FontOf("lo")->SScript, 1);
    EXPECT_EQ(FontOf("hi")->SScript, 2);
    EXPECT_TRUE(FontOf("tt")->TheFont.Fixed);
    EXPECT_EQ(FontOf("f5")->TheFont.Font.family, "Arial");
    EXPECT_EQ(FontOf("f5")->TheFont.Font.color, PaletteRelative(gfx::clRed));

    // BASEFONT before content gives the size relative sizes start from;
    // after content it only changes that base.
    Build("<BASEFONT SIZE=5>a<FONT SIZE=+1>b</FONT><BASEFONT SIZE=1><FONT SIZE=+1>c</FONT>");
    EXPECT_EQ(FontOf("a")->TheFont.NormalSize, 18);
    EXPECT_EQ(FontOf("b")->TheFont.NormalSize, 24);
    EXPECT_EQ(FontOf("c")->TheFont.NormalSize, 10);

    // Beyond 25 stacked fonts FONT changes nothing and H is ignored; the end
    // tags still pop.
    std::string deep;
    for (int i = 0; i < 30; ++i) deep += i < 24 ? "<FONT SIZE=7>" : "<FONT SIZE=1>";
    Build(deep + "x");
    EXPECT_EQ(FontOf("x")->TheFont.NormalSize, 36);
    EXPECT_EQ(Structure(deep + "x<H1>y</H1>z"), "l\"xy\" h1 l\"z\"");
}

// ---- Document, head and links -----------------------------------------------------------

TEST_F(BuilderTest, HeadBodyAndTheirEvents) {
    std::vector<std::string> events;
    setUp = [&](ThlParser& p) {
        p.OnMeta = [&](const std::string& h, const std::string& n, const std::string& c) {
            events.push_back("meta " + h + "|" + n + "|" + c);
        };
        p.OnSoundRequest = [&](const std::string& src, int loop, bool stop) {
            events.push_back("sound " + src + " " + std::to_string(loop) + (stop ? " stop" : ""));
        };
        p.OnScript = [&](const std::string& name, const std::string& language, const std::string& script) {
            events.push_back("script " + name + "|" + language + "|" + script);
        };
    };
    Build("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\"><HTML><HEAD><TITLE>The  title</TITLE>"
          "<BASE HREF=\"http://x/\" TARGET=main><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
          "charset=windows-1251\"><META NAME=author CONTENT=me><STYLE>p { color: red }</STYLE>"
          "<SCRIPT LANGUAGE=js NAME=s>a<b\nc</SCRIPT><BGSOUND SRC=s.wav><BGSOUND SRC=t.wav LOOP=3></HEAD>"
          "<BODY TEXT=#102030 LINK=green VLINK=navy OLINK=red BGCOLOR=\"#FFFFF0\" BACKGROUND=tile.gif "
          "MARGINWIDTH=300 MARGINHEIGHT=7><!-- a comment -- >text<BODY BGCOLOR=black>");
    EXPECT_EQ(parser->Title, "The title");
    EXPECT_EQ(parser->Base, "http://x/");
    EXPECT_EQ(parser->BaseTarget, "main");
    EXPECT_EQ(events, (std::vector<std::string>{"meta Content-Type||text/html; charset=windows-1251",
                                                "meta |author|me", std::string("script s|js|a<b\r\nc") + '\0',
                                                "sound s.wav 1", "sound t.wav 3"}));
    EXPECT_EQ(FontOf("text")->TheFont.Charset, 204);
    EXPECT_EQ(FontOf("text")->TheFont.Font.color, PaletteRelative(0x302010));
    EXPECT_EQ(doc.HotSpotColor, PaletteRelative(gfx::clGreen));
    EXPECT_EQ(doc.LinkVisitedColor, PaletteRelative(gfx::clNavy));
    EXPECT_EQ(doc.LinkActiveColor, PaletteRelative(gfx::clRed));
    EXPECT_TRUE(doc.LinksActive);
    EXPECT_EQ(doc.Background, PaletteRelative(0xF0FFFF));  // the second BODY came after content
    EXPECT_EQ(doc.BackgroundName, "tile.gif");
    EXPECT_EQ(parser->BodyMarginWidth, 200);
    EXPECT_EQ(parser->BodyMarginHeight, 7);
    EXPECT_EQ(Structure("<STYLE>x</STYLE><SCRIPT>y</SCRIPT>z"), "l\"z\"");
}

TEST_F(BuilderTest, LinksAndAnchors) {
    Build("<A NAME=top></A><H2><A NAME=\"#Intro\">Intro</A></H2>"
          "<A HREF=\"#Intro\" TARGET=w>to intro</A> plain <A HREF=b.htm>b<A HREF=c.htm>c</A>d "
          "<A NAME=INTRO>again</A><A HREF=\"\">none</A>");
    ASSERT_EQ(anchors.size(), 2u);
    EXPECT_EQ(anchors.at("INTRO"), Find("Intro"));  // the first anchor of a name wins
    ASSERT_TRUE(anchors.count("TOP"));
    const TFontObj* link = FontOf("to intro");
    EXPECT_EQ(link->UrlTarget.Url, "#Intro");
    EXPECT_EQ(link->UrlTarget.Target, "w");
    EXPECT_TRUE(link->TheFont.Font.underline);
    EXPECT_TRUE(FontOf("plain")->UrlTarget.Url.empty());
    EXPECT_EQ(FontOf("b")->UrlTarget.Url, "b.htm");
    EXPECT_EQ(FontOf("c")->UrlTarget.Url, "c.htm");  // a new HREF ends the open link
    EXPECT_TRUE(FontOf("d ")->UrlTarget.Url.empty());
    EXPECT_TRUE(FontOf("none")->UrlTarget.Url.empty());
    EXPECT_FALSE(FontOf("plain")->TheFont.Font.underline);
    EXPECT_EQ(doc.LinkList.size(), 3u);
}

// ---- Lists ----------------------------------------------------------------------------------

TEST_F(BuilderTest, ListsNestAndNumber) {
    ExpectStructures(*this, {
        {"<UL><LI>a<LI><P>b<UL><LI>c</UL><LI>d</UL>e", "ul1\"a\" ul1\"b\" ul2\"c\" ul1\"d\" l\"e\""},
        {"<OL START=3 TYPE=I><LI>a<LI>b<OL TYPE=a><LI>c</OL></OL>", "ol1:III.\"a\" ol1:IV.\"b\" ol2:a.\"c\""},
        {"<OL START=-2><LI>a</OL>", "ol1:1.\"a\""},
        {"<UL PLAIN><LI>a</UL><DIR><LI>b</DIR><MENU><LI>c</MENU>", "ulp1\"a\" ul1\"b\" ul1\"c\""},
        {"<DL><DT>term<DD>def<DL><DT>t2<DD>d2</DL></DL>", "dl0\"term\" dl1\"def\" dl1\"t2\" dl2\"d2\""},
        {"<UL><LI>a<P>b<HR><CENTER>c</CENTER>d</UL>", "ul1\"a\" gap l1\"b\" hr c1\"c\" l1\"d\""},
        // An item outside any list; inside a list's division LI is skipped.
        {"x<LI>lone <B>item</B><P>y", "l\"x\" ul1\"lone item\" gap l\"y\""},
        {"<UL><LI>a<DIV>b<LI>c</DIV></UL>", "ul1\"a\" l1\"bc\""},
        // Any list end tag ends the inner list; the caller takes it.
        {"<OL><LI>a<UL><LI>b</OL><LI>c</UL>d", "ol1:1.\"a\" ul2\"b\" ol1:2.\"c\" l\"d\""},
    });
    Build("x<LI>lone");
    EXPECT_EQ(Find("lone")->Indent, 15);
    Build("<UL><LI>item</UL>");
    EXPECT_EQ(Find("item")->Indent, 35);
}

// ---- Tables ---------------------------------------------------------------------------------

TEST_F(BuilderTest, TablesRowsCellsAndCaptions) {
    ExpectStructures(*this, {
        {"<TABLE><TR><TD>a<TD>b<TR><TD>c</TABLE>d", "table[[{l\"a\"} {l\"b\"}] [{l\"c\"}]] l\"d\""},
        // TD and TH without TR open their own row; text between the cells
        // shows before the table.
        {"x<TABLE>before <TD>a</TD> mid <TH>b</TH></TABLE>", "l\"x\" l\"before \" l\"mid \" table[[{l\"a\"} {c\"b\"}]]"},
        {"<TABLE><TR ALIGN=right><TD>a<TD ALIGN=center>b<TH ALIGN=left>c</TABLE>",
         "table[[{r\"a\"} {c\"b\"} {l\"c\"}]]"},
        {"<TABLE><CAPTION ALIGN=bottom>cap</CAPTION><TR><TD><P>a<P>b</TABLE>",
         "table[bcap{c\"cap\"} [{l\"a\" gap l\"b\"}]]"},
        {"<TABLE><CAPTION>cap<TR><TD>a</TABLE>", "table[cap{c\"cap\"} [{l\"a\"}]]"},
        {"<TABLE><TR><TD><TABLE><TR><TD>in</TABLE>out</TABLE>", "table[[{table[[{l\"in\"}]] l\"out\"}]]"},
        // A table inside a list inside a table.
        {"<TABLE><TR><TD><UL><LI>i<TABLE><TR><TD>t</TD></TR></TABLE>j</UL></TD><TD>k</TD></TABLE>",
         "table[[{ul1\"i\" table[[{l\"t\"}]] l1\"j\"} {l\"k\"}]]"},
        // Unclosed cells and rows close at the end of the table.
        {"<TABLE><TR><TD>a<B>b<TABLE><TR><TD>c</TABLE>", "table[[{l\"ab\" table[[{l\"c\"}]]}]]"},
    });
    Build("<TABLE BORDER=1 BGCOLOR=yellow><TR BGCOLOR=blue><TH>h<TD NOWRAP>n o</TABLE>");
    ThtmlTable* t = FirstTable();
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->Border);
    EXPECT_TRUE(t->Initialized);
    ASSERT_EQ(t->Rows.Count(), 1);
    EXPECT_TRUE(t->Rows[0]->BkGnd);
    EXPECT_TRUE(FontOf("h")->TheFont.Font.bold);
    EXPECT_FALSE(FontOf("n")->TheFont.Font.bold);
    EXPECT_EQ(Find("n")->Buff, "n\xA0o");  // NOWRAP without WIDTH: no break
    EXPECT_EQ(Find("h")->Justify, Centered);
}

TEST_F(BuilderTest, ATableOfTooManyColumnsStopsTheBuildKeepingWhatCameBefore) {
    std::string html = "<A NAME=a>before</A><TABLE><TR>";
    for (int i = 0; i < 201; ++i) html += "<TD><A NAME=c" + std::to_string(i) + ">x</A>";
    html += "</TABLE>after";
    EXPECT_THROW(Build(html), EParseError);
    EXPECT_EQ(Find("before"), anchors.at("A"));
    ThtmlTable* t = FirstTable();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Rows.Count(), 0);
    EXPECT_FALSE(Find("after"));
    // An open comment at the end stops the build the same way.
    EXPECT_THROW(Build("kept<TABLE><TR><TD>in</TD><TD>out<!-- open"), EParseError);
    EXPECT_TRUE(Find("kept"));
    EXPECT_TRUE(Find("in"));
}

// ---- Images, maps and forms -----------------------------------------------------------------

TEST_F(BuilderTest, ImagesAndMaps) {
    Build("a<IMG SRC=pic.gif ALT=\"A picture\" ALIGN=left WIDTH=20 HEIGHT=10 USEMAP=#m>b"
          "<MAP NAME=m><AREA SHAPE=rect COORDS=\"0,0,5,5\" HREF=x.htm> <AREA SHAPE=circle COORDS=\"9,9,3\" "
          "HREF=y.htm></MAP>"
          "<MAP NAME=lost><AREA COORDS=\"0,0,1,1\" HREF=z.htm><B><I><U>c</U></I></B>");
    TSection* s = Find("a");
    ASSERT_TRUE(s);
    EXPECT_EQ(Shown(s->Buff), "a[img]bc");  // the third foreign tag ends the lost map; its text stays
    ASSERT_EQ(s->Images.Count(), 1);
    const TImageObj* image = s->Images[0];
    EXPECT_EQ(image->Source, "pic.gif");
    EXPECT_EQ(image->Alt, "A picture");
    EXPECT_EQ(image->ObjAlign, ALeft);
    EXPECT_TRUE(image->UseMap);
    ASSERT_EQ(doc.MapList.Count(), 1);
    EXPECT_EQ(doc.MapList[0]->MapName, "M");
    EXPECT_EQ(doc.MapList[0]->Areas.size(), 2u);
    EXPECT_TRUE(FontOf("c")->TheFont.Font.underline);
}

TEST_F(BuilderTest, FormsWithTheirControls) {
    const std::string longText(300, 'x');
    Build("<FORM ACTION=go METHOD=post>Name <INPUT NAME=n VALUE=v SIZE=5>"
          "<SELECT NAME=s><OPTION VALUE=1> one <OPTION SELECTED>two<OPTION>  <OPTION>" + longText +
          "</SELECT>"
          "<TEXTAREA NAME=t ROWS=2>  first &amp; line\n<b>second</b> </TEXTAREA> after</FORM>"
          "<INPUT TYPE=checkbox NAME=c CHECKED>");
    ASSERT_EQ(doc.HtmlFormList.Count(), 2);  // the INPUT after the form gets a form of its own
    const ThtmlForm* form = doc.HtmlFormList[0];
    EXPECT_EQ(form->Action, "go");
    EXPECT_EQ(form->Method, "post");
    ASSERT_EQ(form->ControlList.Count(), 3);
    auto* select = dynamic_cast<TSelectFormControlObj*>(form->ControlList[1]);
    ASSERT_TRUE(select);
    ASSERT_EQ(select->Options.size(), 3u);  // the empty option is left out
    EXPECT_EQ(select->Options[0].Text, "one");
    EXPECT_EQ(select->Options[0].Value, "1");
    EXPECT_TRUE(select->Options[1].Selected);
    EXPECT_EQ(select->Options[2].Text, std::string(255, 'x'));
    auto* area = dynamic_cast<TTextAreaFormControlObj*>(form->ControlList[2]);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->InitialLines, (std::vector<std::string>{"  first & line", "<b>second</b> "}));
    EXPECT_EQ(Shown(Find("Name")->Buff), "Name [ctl][ctl][ctl] after[ctl]");
}

TEST_F(BuilderTest, PlainTextKeepsEveryLineAndCharacter) {
    ThlParser text("<b>not a tag</b>  &amp;\r\n\n\tend");
    text.ParseText(doc, anchors);
    std::string out;
    Describe(doc, out);
    EXPECT_EQ(out, "pre\"<b>not a tag</b>  &amp;\" pre\" end\"");
    EXPECT_TRUE(dynamic_cast<TPreFormated*>(Find("end"))->Fonts[0]->TheFont.Fixed);
}

}  // namespace
