// The viewer's tokenizer on small documents: token streams, source
// positions, attributes, entities, comments and includes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "htmlviewer/HtmlParser.h"
#include "tests/htmlviewer/ImageTestSupport.h"

namespace {

// A token as text: "T[a b]" for text (code 5 shown as "~"), "<B>", "</B>",
// "<H3>", "<?>" for an unknown tag, "#1" for another character.
std::string Describe(const ThlParser& p) {
    switch (p.Sy) {
    case Sym::Text: {
        std::string s = p.TextToken.S;
        for (char& c : s)
            if (c == ThlParser::NoBreakSpace) c = '~';
        return "T[" + s + "]";
    }
    case Sym::Unknown: return "<?>";
    case Sym::OtherChar: return "#" + std::to_string(static_cast<int>(p.TextToken.S.at(0)));
    case Sym::Eof: return "EOF";
    case Sym::Eol: return "EOL";
    default: break;
    }
    const bool end = static_cast<int>(p.Sy) >= TagNameCount;
    std::string level = p.HeadingLevel ? std::to_string(p.HeadingLevel) : "";
    return std::string(end ? "</" : "<") + std::string(TagName(p.Sy)) + level + ">";
}

std::vector<std::string> Tokens(const std::string& doc, bool noBreak = false, bool pre = false) {
    ThlParser p(doc);
    p.NoBreak = noBreak;
    p.InPre = pre;
    p.Begin();
    std::vector<std::string> out;
    for (int guard = 0; guard < 10000; ++guard) {
        p.NextToken();
        if (p.Sy == Sym::Eof) break;
        out.push_back(Describe(p));
    }
    return out;
}

// The first token of a document, with the parser kept for its details.
struct FirstToken {
    explicit FirstToken(const std::string& doc) : p(doc) {
        p.Begin();
        p.NextToken();
    }
    ThlParser p;
};

using V = std::vector<std::string>;

TEST(HtmlTokenizer, EveryLineEndBecomesOneSeparator) {
    for (const char* doc : {"a\r\nb", "a\n\rb", "a\nb", "a\rb", "a \t b", "a\r\n\r\n  b"})
        EXPECT_EQ(Tokens(doc), (V{"T[a b]"})) << doc;
    // In preformatted text every line end stays, as one carriage return.
    EXPECT_EQ(Tokens("a\r\nb\n\rc\r\r", false, true), (V{"T[a\rb\rc\r\r]"}));
    // Inside a no-break run the separator is code 5.
    EXPECT_EQ(Tokens("a  b", true), (V{"T[a~b]"}));
}

TEST(HtmlTokenizer, TextCharactersCarryTheirDocumentIndex) {
    FirstToken t("a\r\nb&amp;c");
    EXPECT_EQ(t.p.TextToken.S, "a b");
    EXPECT_EQ(t.p.TextToken.I, (std::vector<int32_t>{0, 1, 3}));
    t.p.NextToken();
    EXPECT_EQ(t.p.TextToken.I, (std::vector<int32_t>{4}));  // the "&"
    t.p.NextToken();
    EXPECT_EQ(t.p.TextToken.I, (std::vector<int32_t>{9}));
}

TEST(HtmlTokenizer, TextRunsAreCutAtAHundredCharacters) {
    EXPECT_EQ(Tokens(std::string(250, 'x')),
              (V{"T[" + std::string(100, 'x') + "]", "T[" + std::string(100, 'x') + "]", "T[" + std::string(50, 'x') + "]"}));
}

TEST(HtmlTokenizer, CommentsAndDeclarationsVanish) {
    const std::vector<std::pair<std::string, V>> cases = {
        {"a<!DOCTYPE html PUBLIC \"x\">b", {"T[ab]"}},
        {"a<!-- x -- >b", {"T[ab]"}},
        {"a<!-- x --><!----><!-- y -->b", {"T[ab]"}},
        {"a<!-- one -- two --->b", {"T[ab]"}},
        {"a<!-- <b>not a tag</b> -->b", {"T[ab]"}},
        {"a<!-x>b", {"T[ab]"}},
        {"a<!-- x\r\ny -->\r\nb", {"T[a b]"}},
    };
    for (const auto& [doc, expected] : cases) EXPECT_EQ(Tokens(doc), expected) << doc;
    // The characters of a comment still count in the positions after it.
    FirstToken t("<!--12-->ab");
    EXPECT_EQ(t.p.TextToken.I, (std::vector<int32_t>{9, 10}));
}

TEST(HtmlTokenizer, ACommentOpenAtTheEndRaises) {
    for (const char* doc : {"a<!-- x", "a<!-- x --", "a<!DOCTYPE", "a<!", "<!--#include file=\"x\""}) {
        ThlParser p(doc);
        p.OnInclude = [](const std::string&, const std::vector<std::string>&, std::string&) {};
        try {
            p.Begin();
            for (p.NextToken(); p.Sy != Sym::Eof; p.NextToken()) {
            }
            ADD_FAILURE() << "no error for " << doc;
        } catch (const EParseError& e) {
            EXPECT_STREQ(e.what(), "Open Comment at End of HTML File");
        }
    }
}

TEST(HtmlTokenizer, ScriptTextKeepsComments) {
    ThlParser p("<!-- x -->");
    p.InScript = true;
    p.Begin();
    p.NextToken();
    EXPECT_EQ(Describe(p), "T[<]");
    p.NextToken();
    EXPECT_EQ(Describe(p), "T[!-- x -->]");
}

TEST(HtmlTokenizer, IncludeCommentsAreAnsweredOnce) {
    ThlParser p("a<!--#include file=\"x.htm\" virtual=/v -->b");
    std::vector<std::string> calls;
    p.OnInclude = [&](const std::string& command, const std::vector<std::string>& params, std::string& result) {
        calls.push_back(command);
        calls.insert(calls.end(), params.begin(), params.end());
        // The inserted text is never searched for further includes.
        result = "<B>in</B><!--#include file=\"y\"-->";
    };
    p.Begin();
    V tokens;
    for (p.NextToken(); p.Sy != Sym::Eof; p.NextToken()) tokens.push_back(Describe(p));
    EXPECT_EQ(calls, (V{"include", "FILE=\"x.htm\"", "VIRTUAL=\"/v\""}));
    EXPECT_EQ(tokens, (V{"T[a]", "<B>", "T[in]", "</B>", "T[b]"}));

    // An unquoted last value may run into the closing "-->".
    ThlParser q("<!--#echo var=x-->b");
    q.OnInclude = [&](const std::string&, const std::vector<std::string>& params, std::string&) {
        EXPECT_EQ(params, (V{"VAR=\"x\""}));
    };
    q.Begin();
    q.NextToken();
    EXPECT_EQ(Describe(q), "T[b]");
    // Without a handler an include is an ordinary comment.
    EXPECT_EQ(Tokens("a<!--#echo var=x-->b"), (V{"T[ab]"}));
}

TEST(HtmlTokenizer, EntitiesAndCharacterReferences) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"&amp;", "&"},         {"&amp", "&"},           {"&amp x", "& x"},       {"&AMP;", "&AMP;"},
        {"&lt;&gt;", "<>"},     {"&quot;", "\""},        {"&rsquo;", "'"},        {"&ndash;", "-"},
        {"&trade;", "\x99"},    {"&hellip;", "..."},     {"&#65;", "A"},          {"&#65", "A"},
        {"&#7;", "&#7;"},       {"&#0;", "&#0;"},        {"&#9;", " "},           {"&#10;", "\n"},
        {"&#255;", "\xFF"},     {"&#8364;", "\x80"},     {"&#8482;", "\x99"},     {"&#1234;", "?"},
        {"&#99999;", "?"},      {"&#;", "&#;"},          {"&#x41;", "&#x41;"},    {"&#123456;", "&#123456;"},
        {"&unknown;", "&unknown;"}, {"&nbspx;", "&nbspx;"}, {"& b", "& b"},       {"&;", "&;"},
    };
    for (const auto& [doc, expected] : cases) {
        std::string text;
        for (const std::string& t : Tokens(doc)) text += t.substr(2, t.size() - 3);
        EXPECT_EQ(text, expected) << doc;
    }
    FirstToken t("x&hellip;");
    t.p.NextToken();
    EXPECT_EQ(t.p.TextToken.I, (std::vector<int32_t>{1, 2, 3}));
}

TEST(HtmlTokenizer, EveryNamedEntity) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    // The eight of their own, then HTML's Latin-1 names (from Python's table).
    std::vector<std::pair<std::string, std::string>> entities = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"rsquo", "'"}, {"ndash", "-"},
        {"trade", "\x99"}, {"hellip", "..."}};
    std::ifstream latin1(FixturePath("latin1_entities.txt"));
    std::string name;
    for (int code; latin1 >> name >> code;) entities.emplace_back(name, std::string(1, static_cast<char>(code)));
    ASSERT_EQ(entities.size(), static_cast<std::size_t>(EntityCount));
    for (const auto& [name, text] : entities) EXPECT_EQ(FirstToken("&" + name + ";").p.TextToken.S, text) << name;
}

TEST(HtmlTokenizer, TagsKnownUnknownAndNotTags) {
    const std::vector<std::pair<std::string, V>> cases = {
        {"<b>x</B>", {"<B>", "T[x]", "</B>"}},
        {"a < b", {"T[a ]", "T[<]", "T[ b]"}},
        {"a</ b", {"T[a]", "T[<]", "T[ b]"}},
        {"<LI>x</LI></BR><BR>", {"<LI>", "T[x]", "<?>", "<?>", "<BR>", "T[ ]"}},
        {"<blink>x</blink>", {"<?>", "T[x]", "<?>"}},
        {"<H 3 ALIGN=center>t</h3>", {"<H3>", "T[t]", "</H3>"}},
        {"<H7>x", {"<H>", "T[x]"}},
        {"<" + std::string(300, 'A') + " x=1>y", {"<?>", "T[y]"}},
        {"<img src=\"a.gif\"", {"<IMG>"}},
        {"x</P>", {"T[x]", "</P>", "T[ ]"}},
        {"<BR>x", {"<BR>", "T[x]"}},
        {"a\x01" "b", {"T[a]", "#1", "T[b]"}},
        {"ab\x1A" "cd", {"T[ab]"}},
    };
    for (const auto& [doc, expected] : cases) EXPECT_EQ(Tokens(doc), expected) << doc;
}

TEST(HtmlTokenizer, AttributeValues) {
    struct Case {
        std::string tag;
        AttrSym symbol;
        int32_t value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"<TD WIDTH=50%>", AttrSym::Width, 50, "50%"},
        {"<TD WIDTH = 50 %>", AttrSym::Width, 50, "50%"},
        {"<TD WIDTH=\"50%\">", AttrSym::Width, 50, "50%"},
        {"<TD width=' 7 '>", AttrSym::Width, 7, " 7 "},
        {"<TABLE BORDER>", AttrSym::Border, 1, ""},
        {"<TABLE BORDER=0>", AttrSym::Border, 0, "0"},
        {"<FONT SIZE=+2>", AttrSym::Size, 2, "+2"},
        {"<FONT SIZE=-1>", AttrSym::Size, -1, "-1"},
        {"<A HREF=a.htm#x>", AttrSym::Href, 0, "a.htm#x"},
        {"<IMG ALT=\"a&amp;b &lt;c\">", AttrSym::Alt, 0, "a&b <c"},
        {"<IMG ALT=\"two\r\nlines\">", AttrSym::Alt, 0, "twolines"},
        {"<META HTTP-EQUIV=refresh>", AttrSym::HttpEquiv, 0, "refresh"},
        {"<IMG STYLE=\"x\">", AttrSym::Unknown, 0, "x"},
        {"<INPUT VALUE=\"3\">", AttrSym::Value, 3, "3"},
        // Numbers are bounded when read, however large; the text stays.
        {"<IMG WIDTH=2147483647>", AttrSym::Width, 32767, "2147483647"},
        {"<IMG WIDTH=\"-2147483648\">", AttrSym::Width, -32767, "-2147483648"},
        {"<OL START=+1000000000000>", AttrSym::Start, 32767, "+1000000000000"},
        {"<TD WIDTH=99999999999999999999%>", AttrSym::Width, 32767, "99999999999999999999%"},
        {"<TD WIDTH=32767>", AttrSym::Width, 32767, "32767"},
        {"<TD WIDTH=12px>", AttrSym::Width, 0, "12px"},
    };
    for (const Case& c : cases) {
        FirstToken t(c.tag);
        ASSERT_EQ(t.p.Attributes.Count(), 1) << c.tag;
        const TAttribute& a = *t.p.Attributes[0];
        EXPECT_EQ(a.AttrSymbol, c.symbol) << c.tag;
        EXPECT_EQ(a.Value, c.value) << c.tag;
        EXPECT_EQ(a.Name, c.text) << c.tag;
    }
    // H 3 with ALIGN gives one attribute.
    FirstToken h("<H 3 ALIGN=center>");
    ASSERT_EQ(h.p.Attributes.Count(), 1);
    EXPECT_EQ(ThlParser::ParseAlign(h.p.Attributes, NoJustify), Centered);
}

TEST(HtmlTokenizer, OnlySomeTagsKeepTheirAttributes) {
    ThlParser p("<IMG SRC=a.gif ALT=x><B CLASS=y><P ALIGN=right>");
    p.Begin();
    p.NextToken();
    p.NextToken();  // B reads its attributes and drops them
    ASSERT_EQ(p.Attributes.Count(), 2);
    EXPECT_EQ(p.Attributes.Find(AttrSym::Src)->Name, "a.gif");
    EXPECT_EQ(p.Attributes.Find(AttrSym::Href), nullptr);
    p.NextToken();
    ASSERT_EQ(p.Attributes.Count(), 1);
    EXPECT_EQ(p.Attributes[0]->AttrSymbol, AttrSym::Align);
}

TEST(HtmlTokenizer, TextAndSomeTagsClearTheParagraphSpaceFlag) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"x", false}, {"<BR>", false}, {"<IMG>", false}, {"<TABLE>", false}, {"<H2>", false},
        {"<B>", true}, {"</P>", true}, {"<TD>", true}, {"&amp;", false}};
    for (const auto& [doc, still] : cases) {
        ThlParser p(doc);
        p.ParagraphSpace = true;
        p.Begin();
        p.NextToken();
        EXPECT_EQ(p.ParagraphSpace, still) << doc;
    }
}

TEST(HtmlTokenizer, PlainTextIsTakenLiterally) {
    ThlParser p("a<!--b--> &amp;\r\n\r\n" + std::string(250, 'z'));
    p.InPre = true;
    p.Begin();
    V tokens;
    for (p.NextPlainTextToken(); p.Sy != Sym::Eof; p.NextPlainTextToken()) tokens.push_back(Describe(p));
    EXPECT_EQ(tokens, (V{"T[a<!--b--> &amp;]", "EOL", "EOL", "T[" + std::string(200, 'z') + "]",
                         "T[" + std::string(50, 'z') + "]"}));
}

TEST(HtmlTokenizer, ColoursAlignmentsAndCharacterSets) {
    const std::vector<std::pair<std::string, uint32_t>> colors = {
        {"red", 0x0000FF}, {"Navy", 0x800000}, {"#FF8000", 0x0080FF}, {"00ff00", 0x00FF00},
        {"#ff", 0x0000FF}, {"#123", 0x003012}};
    for (const auto& [text, expected] : colors) {
        uint32_t c = 0xDEAD;
        EXPECT_TRUE(ThlParser::ParseColor(text, c)) << text;
        EXPECT_EQ(c, expected) << text;
    }
    for (const char* bad : {"", "#12345g", "chartreuse", "#123456789"}) {
        uint32_t c = 0xDEAD;
        EXPECT_FALSE(ThlParser::ParseColor(bad, c)) << bad;
        EXPECT_EQ(c, 0xDEADu) << bad;
    }

    const std::vector<std::pair<std::string, TVAlign>> valigns = {
        {"<TD VALIGN=top>", VATop}, {"<TD VALIGN=Baseline>", VATop}, {"<TD VALIGN=middle>", VAMiddle},
        {"<TD VALIGN=BOTTOM>", VABottom}, {"<TD VALIGN=x>", VAMiddle}, {"<TD>", VAMiddle}};
    for (const auto& [tag, expected] : valigns)
        EXPECT_EQ(ThlParser::ParseVAlign(FirstToken(tag).p.Attributes, VAMiddle), expected) << tag;
    EXPECT_EQ(ThlParser::ParseAlign(FirstToken("<P ALIGN=RIGHT>").p.Attributes, LeftJustify), RightJustify);
    EXPECT_EQ(ThlParser::ParseAlign(FirstToken("<P ALIGN=justify>").p.Attributes, LeftJustify), LeftJustify);
    EXPECT_EQ(ThlParser::ParseClearValue("Left"), 1);
    EXPECT_EQ(ThlParser::ParseClearValue("right"), 2);
    EXPECT_EQ(ThlParser::ParseClearValue("all"), 3);

    EXPECT_EQ(CharsetFromContent("text/html; charset=windows-1251", 1), 204);
    EXPECT_EQ(CharsetFromContent("text/html; charset=ISO-8859-1", 1), 0);
    EXPECT_EQ(CharsetFromContent("text/html; charset=KOI8-R", 1), 204);
    EXPECT_EQ(CharsetFromContent("text/html; charset=utf-8", 1), 1);
}

}  // namespace

namespace {

// Random documents made of markup fragments: the tokenizer reaches the end
// (or raises its parse error) and every token moves it on.
TEST(HtmlTokenizer, RandomMarkupAlwaysEnds) {
    const std::vector<std::string> pieces = {
        "<", ">", "</", "<!", "<!--", "-->", "--", "-", "&", "&#", "&amp", ";", "\"", "'", "=", "%", "#",
        "\r", "\n", " ", "\t", "\x01", "\x1A", "\xE9", "a", "B7", "<P ", "<H", "3", "<IMG SRC=", "WIDTH=",
        "<!--#include ", "file=\"x\"", "<BR>", "</P>", "<TABLE BORDER>", "&#65;", "&hellip;"};
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string doc;
        const int n = static_cast<int>(next() % 40);
        for (int i = 0; i < n; ++i) doc += pieces[next() % pieces.size()];
        ThlParser p(doc);
        p.OnInclude = [](const std::string&, const std::vector<std::string>&, std::string& r) { r = "<b>&amp;"; };
        try {
            p.Begin();
            int tokens = 0;
            for (p.NextToken(); p.Sy != Sym::Eof; p.NextToken())
                ASSERT_LE(++tokens, static_cast<int>(doc.size()) * 2 + 16) << doc;
        } catch (const EParseError&) {
        }
    }
}

}  // namespace
