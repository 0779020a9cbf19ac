// Link names turned into file names, image maps and the small drawing
// routines of the viewer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "htmlviewer/HtmlParser.h"
#include "htmlviewer/HtmlUtils.h"
#include "platform/gfx/RecordingCanvas.h"

namespace fs = std::filesystem;

namespace {

TEST(HtmlUtils, LinkNamesBecomeFileNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"A%42C", "ABC"},
        {"%41", "%41"},                       // the first "%" is the first character
        {"a%2541", "aA"},                     // decoded twice, as the names allow
        {"a%zz%41", "a%zz%41"},               // an escape that is no number ends the decoding
        {"x%4", "x%4"},                       // too short to be an escape
        {"  my%20page.htm ", "my page.htm"},
        {"FILE:///C|/Dir/File.htm", "C:/Dir/File.htm"},
        {"file:///home/user/a%20b.htm", "/home/user/a b.htm"},
        {"File://server/share/x.htm", "server/share/x.htm"},
        {"dir\\sub\\f.htm", "dir/sub/f.htm"},
        {"C|\\x.htm", "C:/x.htm"},
        {"plain|name", "plain|name"},         // "|" only changes in a path
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(LinkToFileName(name), expected) << name;
    EXPECT_EQ(LinkToFileNameWithRoot("/x.htm", "/srv/www/"), "/srv/www/x.htm");
    EXPECT_EQ(LinkToFileNameWithRoot("y.htm", "/srv/www"), "y.htm");
}

class ExpandLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("mirelan_links_" + std::to_string(::getpid()));
        fs::create_directories(root / "Docs" / "img");
        std::ofstream(root / "Docs" / "Help.htm") << "x";
        std::ofstream(root / "Docs" / "img" / "Pic.gif") << "x";
        docs = (root / "Docs").generic_string();
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
    std::string docs;
};

TEST_F(ExpandLinkTest, NamesResolveAgainstTheDocument) {
    const std::string current = docs + "/Help.htm";
    struct Case {
        std::string name, serverRoot, base, expected;
    };
    const std::vector<Case> cases = {
        {"img/Pic.gif", "", "", docs + "/img/Pic.gif"},
        {"IMG\\PIC.GIF", "", "", docs + "/img/Pic.gif"},             // separators and letter case
        {" ./img/../Help.htm ", "", "", docs + "/Help.htm"},
        {"/Help.htm", docs, "", docs + "/Help.htm"},                  // a server root
        {"\\img\\Pic.gif", docs + "\\", "", docs + "/img/Pic.gif"},
        {"Pic.gif", "", docs + "/img/", docs + "/img/Pic.gif"},       // a base folder
        {"Pic.gif", "", docs + "/img", docs + "/img/Pic.gif"},
        {"img/Pic.gif", "", "file://" + docs + "/index.htm", docs + "/img/Pic.gif"},
        {"missing.htm", "", "", docs + "/missing.htm"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandLinkFileName(c.name, c.serverRoot, c.base, current), c.expected) << c.name << " " << c.base;
    // Relative to the working folder.
    const fs::path saved = fs::current_path();
    fs::current_path(root / "Docs");
    EXPECT_EQ(ExpandLinkFileName("img/Pic.gif", "", "DosPath", "/elsewhere/x.htm"), docs + "/img/Pic.gif");
    fs::current_path(saved);
}

// The area of an AREA tag read by the tokenizer.
TMapItem MapOf(const std::vector<std::string>& areas) {
    TMapItem map;
    for (const std::string& tag : areas) {
        ThlParser p(tag);
        p.Begin();
        p.NextToken();
        map.AddArea(p.Attributes);
    }
    return map;
}

TEST(HtmlUtils, ImageMapAreas) {
    const TMapItem map = MapOf({
        "<AREA SHAPE=CIRCLE COORDS=\"10,10,5\" HREF=circle.htm TARGET=main>",
        "<AREA COORDS=\"0, 20 9 ,29\" HREF=rect.htm>",
        "<AREA SHAPE=poly COORDS=\"30,0,40,0,30,10\" HREF=poly.htm>",
        "<AREA SHAPE=rect COORDS=\"20,20,30\" HREF=short.htm>",   // too few numbers
        "<AREA SHAPE=poly COORDS=\"1,1,2,2,3\" HREF=short.htm>",
        "<AREA SHAPE=rect COORDS=\"50,50,60,60\" HREF=x.htm NOHREF>",
    });
    EXPECT_EQ(map.Areas.size(), 4u);
    struct Case {
        int x, y;
        const char* url;
    };
    const std::vector<Case> cases = {
        {10, 10, "circle.htm"}, {5, 10, "circle.htm"}, {15, 10, "circle.htm"}, {10, 15, "circle.htm"},
        {16, 10, nullptr},      {12, 3, nullptr},      {9, 29, "rect.htm"},    {0, 20, "rect.htm"},
        {10, 30, nullptr},      {9, 19, nullptr},
        {31, 1, "poly.htm"},    {38, 8, nullptr},      {25, 25, nullptr},      {55, 55, nullptr},
    };
    for (const Case& c : cases) {
        TUrlTarget link;
        const bool found = map.LinkAtPoint(c.x, c.y, link);
        EXPECT_EQ(found, c.url != nullptr) << c.x << "," << c.y;
        if (found && c.url) {
            EXPECT_EQ(link.Url, c.url) << c.x << "," << c.y;
        }
    }
    TUrlTarget link;
    ASSERT_TRUE(map.LinkAtPoint(10, 10, link));
    EXPECT_EQ(link.Target, "main");
    // The circle's area is its bounding square plus one.
    EXPECT_EQ(map.Areas[0].Bounds, (gfx::Rect{5, 5, 16, 16}));
}

TEST(HtmlUtils, ThreeDimensionalFramesAndWrappedText) {
    struct Case {
        gfx::Color background;
        bool raised;
        gfx::Color topLeft, bottomRight;
    };
    const std::vector<Case> cases = {
        {gfx::clWhite, true, gfx::clSilver, gfx::clBtnShadow},
        {gfx::clWhite, false, gfx::clBtnShadow, gfx::clSilver},
        {gfx::clGray, true, gfx::clBtnHighlight, gfx::clBtnShadow},
    };
    for (const Case& c : cases) {
        gfx::RecordingCanvas canvas(10, 10);
        RaisedRect(canvas, {1, 1, 9, 9}, c.raised, c.background);
        EXPECT_EQ(canvas.pixels().pixel(1, 1), gfx::resolveColor(c.topLeft));
        EXPECT_EQ(canvas.pixels().pixel(8, 8), gfx::resolveColor(c.bottomRight));
        EXPECT_EQ(canvas.pixels().pixel(4, 4), gfx::clWhite);
    }

    gfx::RecordingCanvas canvas;
    WrapTextW(canvas, {0, 0, 60, 100}, "caf\xE9 bbb ccc");
    std::vector<std::string> lines;
    for (const std::string& entry : canvas.log)
        if (entry.rfind("text ", 0) == 0) lines.push_back(entry.substr(0, entry.find('"', entry.find('"') + 1) + 1));
    EXPECT_EQ(lines, (std::vector<std::string>{"text 0,12 \"caf\xC3\xA9 bbb\"", "text 0,28 \"ccc\""}));
}

}  // namespace
