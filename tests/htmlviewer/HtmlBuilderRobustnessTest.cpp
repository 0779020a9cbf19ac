// Malformed documents through the whole viewer pipeline without a window:
// unclosed and stray tags, tables in lists in tables, ten thousand nested
// tags of every kind, missing pictures, binary garbage and seeded mutations
// of the help file. Each is built (an open comment may stop the build), laid
// out wide and narrow, painted, hit-tested and searched; nothing may crash,
// hang or touch memory it does not own (the sanitizers watch).
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "DocumentTestSupport.h"
#include "htmlviewer/HtmlParser.h"

namespace {

class MalformedTest : public DocTest {
protected:
    // Builds, lays out, paints and probes the document; returns the height
    // at the wide layout.
    int Exercise(const std::string& html) {
        doc.Clear();
        TAnchorList anchors;
        ThlParser parser(html);
        parser.ForViewer = true;
        try {
            parser.ParseHtml(doc, anchors);
        } catch (const EParseError&) {
            // An open comment or too many columns: what was built stays.
        }
        int height = 0;
        for (int width : {600, 3}) {
            height = Layout(width);
            canvas.log.clear();
            doc.Draw(canvas, {0, 0, width, 400}, 0, 0);
            TUrlTarget url;
            TFormControlObj* control = nullptr;
            THtmlObject* obj = nullptr;
            int xr = 0, yr = 0, caret = 0;
            bool inText = false;
            for (int y : {0, 10, height / 2, height - 1}) {
                doc.LinkAtPoint(canvas, 5, y, url, control);
                doc.PositionAtPoint(canvas, 5, y, xr, yr, caret, obj, inText);
            }
        }
        doc.FindString(0, "x", false);
        for (const auto& [name, section] : anchors) EXPECT_GE(section->YPosition, 0) << name;
        doc.SelB = 0;
        doc.SelE = 1 << 20;
        doc.CopyBuffer.clear();
        doc.CopySelection();
        return height;
    }
};

TEST_F(MalformedTest, UnclosedStrayAndCrossedMarkup) {
    const std::string cases[] = {
        "<B><I>crossed</B></I> <TABLE><TR><TD>open cell <UL><LI>item <TABLE><TD>inner",
        "</TD></TR></TABLE></UL></OL></DL></BLOCKQUOTE></CENTER></DIV></PRE></A></FONT></H1></FORM>stray ends",
        "<TABLE><TR><TD><UL><LI>a<TABLE><TR><TD><OL><LI>b<TABLE><TR><TD>c</UL></TD></TABLE>d</TABLE>e",
        "<TD>cell without table<TR>row<CAPTION>caption<TH>head",
        "<TABLE><CAPTION>one</CAPTION><CAPTION>two</CAPTION><TR><TD ROWSPAN=99999 COLSPAN=99999>x</TABLE>",
        "<PRE><TABLE><TR><TD>pre in table</PRE></TD><TD><PRE>unclosed",
        "<SELECT><OPTION>never closed <B>bold <TABLE>",
        "<TEXTAREA>never closed <B>",
        "<SCRIPT>never closed <!-- ",
        "<MAP NAME=m><AREA COORDS=1,2,3><AREA SHAPE=poly COORDS=1,2,3,4,5,6,7>",
        "<A HREF=\"unterminated quote>text<IMG SRC='x.gif >more",
        "<IMG><IMG SRC=><INPUT TYPE=image><INPUT TYPE=radio NAME=r><INPUT TYPE=radio NAME=r CHECKED>",
        "<H9>nine</H9><H0>zero<H>none</H>",
        "<OL TYPE=A START=100><LI>a<LI>b</OL><OL TYPE=i START=0><LI>c",
        "<FONT SIZE=+100 COLOR=#GGGGGG FACE=>x<BASEFONT SIZE=-100>y",
        "&#99999999; &#0; &#x41; &nbsp &amp &bogus; &", "<", "<!", "<!-", "<!--", "<!-- x -",
        "<BODY MARGINWIDTH=-5 MARGINHEIGHT=99999999999>x",
        "<HR WIDTH=999% SIZE=-1><HR WIDTH=0><HR ALIGN=left WIDTH=50%>",
        "<TABLE WIDTH=100% HEIGHT=100%></TABLE><TABLE HEIGHT=100></TABLE><TABLE CELLPADDING=-1 BORDER=-1>",
        "<DIV ALIGN=center><P ALIGN=right><CENTER><DIV>deep</CENTER></DIV>",
        "<LI>lone<LI>lone two<DD>dd<DT>dt",
        "<NOBR>" + std::string(5000, 'w') + "</NOBR>",
    };
    for (const std::string& html : cases) {
        SCOPED_TRACE(html);
        Exercise(html);
    }
}

TEST_F(MalformedTest, TenThousandNestedTagsOfEveryKind) {
    const char* tags[] = {"B",     "I",          "FONT SIZE=+1", "DIV",      "CENTER", "UL",     "OL",
                          "DL",    "BLOCKQUOTE", "TABLE",        "TR",       "TD",     "A HREF=x", "H1",
                          "PRE",   "FORM",       "SUB",          "NOBR",     "ADDRESS", "TT",    "BIG",
                          "P",     "LI",         "DD",           "CAPTION",  "SELECT", "MAP"};
    for (const char* tag : tags) {
        SCOPED_TRACE(tag);
        const std::string open = std::string("<") + tag + ">";
        std::string name(tag);
        name = name.substr(0, name.find(' '));
        std::string html;
        html.reserve(10000 * (open.size() + name.size() + 3) + 8);
        for (int i = 0; i < 10000; ++i) html += open;
        html += "x";
        for (int i = 0; i < 10000; ++i) html += "</" + name + ">";
        Exercise(html + "after");
    }
    // Tables nested as deep as they go are laid out, deeper ones flow into
    // the innermost cell.
    std::string tables;
    for (int i = 0; i < 40; ++i) tables += "<TABLE BORDER=1><TR><TD>";
    EXPECT_GT(Exercise(tables + "core"), 0);
}

TEST_F(MalformedTest, MissingPicturesShowTheirBox) {
    doc.ShowImages = true;
    const int height = Exercise("<IMG SRC=\"no such picture.gif\" ALT=\"gone\"><IMG SRC=nothere.png WIDTH=50 HEIGHT=40>"
                                "<BODY BACKGROUND=missing.jpg>");
    EXPECT_GE(height, 40);
    bool boxed = false;
    for (const std::string& line : canvas.log) boxed = boxed || line.find("gone") != std::string::npos;
    EXPECT_TRUE(boxed);
}

// Very many of the largest things add up to the tallest (or widest)
// document and stop there: lines, paragraphs, table rows and one cell
// spanning them all, one line of pictures, and tables of the widest columns
// inside tables.
TEST_F(MalformedTest, ManyLargestThingsStopAtTheLargestDocument) {
    const int n = MaxDocumentHeight / MaxAttributeValue + 100;
    std::string lines, paragraphs, rows, spanned = "<TABLE><TR><TD ROWSPAN=" + std::to_string(n) + ">x", line = "<NOBR>";
    for (int i = 0; i < n; ++i) {
        lines += "<IMG WIDTH=9 HEIGHT=99999><BR>";
        paragraphs += "<P><IMG WIDTH=9 HEIGHT=99999>";
        rows += "<TR><TD HEIGHT=99999>x";
        spanned += "<TR><TD HEIGHT=99999>";
    }
    for (const std::string& tall : {lines, paragraphs, "<TABLE>" + rows + "</TABLE>", spanned + "</TABLE>"})
        EXPECT_EQ(Exercise(tall), MaxDocumentHeight);
    std::string table = "<TABLE><TR>";
    for (int i = 0; i < 200; ++i) {
        line += "<IMG WIDTH=99999 HEIGHT=9>";
        table += "<TD WIDTH=99999>c";
    }
    table += "</TABLE>";
    for (const std::string& wide : {line, "<TABLE><TR><TD>" + table + "<TD>" + table + "</TABLE>"}) {
        Exercise(wide);
        EXPECT_EQ(maxWidth, MaxDocumentWidth);
    }
}

TEST_F(MalformedTest, BinaryGarbageAndMutatedHelpFile) {
    std::mt19937 rng(7);
    for (int n = 0; n < 6; ++n) {
        std::string garbage(8192, '\0');
        for (char& c : garbage) c = static_cast<char>(rng());
        // Some markup in the noise, so that tags with garbage attributes are read too.
        for (int k = 0; k < 200; ++k) garbage[rng() % garbage.size()] = "<>&=\"/T"[rng() % 7];
        Exercise(garbage);
    }
    std::ifstream file(MIRELAN_HELP_FILE, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string help = text.str();
    ASSERT_GT(help.size(), 1000u);
    for (int n = 0; n < 12; ++n) {
        std::string mutated = help;
        for (int k = 0; k < 40; ++k) {
            const std::size_t at = rng() % mutated.size();
            switch (rng() % 3) {
            case 0: mutated[at] = static_cast<char>(rng()); break;
            case 1: mutated.erase(at, rng() % 64); break;
            default: mutated.insert(at, mutated.substr(rng() % mutated.size(), rng() % 64)); break;
            }
        }
        if (n % 3 == 0) mutated.resize(rng() % mutated.size());  // cut off
        Exercise(mutated);
    }
}

}  // namespace
