// Numbers from a hostile page: every attribute of the tokenizer's table at
// the ends of the 32-bit range and beyond, on every tag that keeps
// attributes, loaded into a real viewer with its form controls, laid out,
// painted at the top, middle and bottom and hit-tested. Nothing may
// overflow (the sanitizers watch).
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <climits>
#include <filesystem>

#include "htmlviewer/HtmlSymbols.h"
#include "htmlviewer/widgets/HtmlView.h"

namespace fs = std::filesystem;

namespace {

class HostileNumbersTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / "mirelan_hostile_numbers";
        fs::remove_all(dir);
        fs::create_directories(dir);
        // A small picture for the images that have one.
        QImage pic(6, 4, QImage::Format_RGB32);
        pic.fill(Qt::red);
        ASSERT_TRUE(pic.save(QString::fromStdString((dir / "pic.bmp").string())));
        view.resize(420, 300);
        view.SetDefBackground(gfx::clWhite);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void TearDown() override { fs::remove_all(dir); }

    // Loads the page, paints it at the top, the middle and the bottom, and
    // asks for the link under a few points.
    void Exercise(const std::string& html) {
        try {
            view.LoadFromString(html, (dir / "page.htm").generic_string());
        } catch (const EParseError&) {
            // A span past the column limit ends the build; what was built shows.
        }
        ASSERT_GE(view.DocumentHeight(), 0);
        for (int y : {0, view.DocumentHeight() / 2, view.DocumentHeight()}) {
            view.ScrollTo(y);
            const QImage shot = view.viewport()->grab().toImage();
            ASSERT_FALSE(shot.isNull());
            for (const QPoint& p : {QPoint(5, 5), QPoint(200, 150), QPoint(410, 290)}) QTest::mouseMove(view.viewport(), p);
        }
    }

    fs::path dir;
    THtmlView view;
};

// Every tag that keeps attributes, with `a` (one attribute) on each, and
// `coords` as the coordinates of an image map's area.
std::string EveryTag(const std::string& a, const std::string& coords) {
    return "<BODY " + a + "><BASEFONT " + a + "><META " + a + "><BGSOUND " + a + "><BASE " + a + ">" +
           "<P " + a + ">text <FONT " + a + ">font</FONT> more<BR " + a + ">after<H2 " + a + ">head</H2><HR " + a +
           "><DIV " + a + ">div</DIV><OL " + a + "><LI>one<LI>two</OL><UL " + a + "><LI>three</UL>" +
           "<A " + a + " HREF=#x>link <IMG " + a + " SRC=pic.bmp></A> <IMG " + a +
           " SRC=gone.gif ALT=gone> <IMG " + a + " SRC=pic.bmp ALIGN=left>words<IMG " + a +
           " SRC=pic.bmp USEMAP=#m><MAP " + a + " NAME=m><AREA " + a + " COORDS=\"" + coords +
           "\" HREF=#y><AREA SHAPE=circle COORDS=\"" + coords + "\"><AREA SHAPE=poly COORDS=\"" + coords +
           "\"></MAP><TABLE " + a + "><CAPTION " + a + ">cap</CAPTION><TR " + a + "><TD " + a + ">a<TH " + a +
           ">b<TR><TD " + a + " COLSPAN=2><TABLE " + a + "><TR><TD " + a + ">in<TD>x</TABLE></TABLE>" +
           "<FORM " + a + "><INPUT " + a + "><INPUT " + a + " TYPE=image SRC=pic.bmp><INPUT " + a +
           " TYPE=radio><INPUT " + a + " TYPE=checkbox><INPUT " + a + " TYPE=submit><SELECT " + a + "><OPTION " +
           a + ">o1<OPTION>o2</SELECT><SELECT " + a + " MULTIPLE><OPTION>o3</SELECT><TEXTAREA " + a +
           ">t1\nt2</TEXTAREA></FORM><FRAMESET " + a + "><FRAME " + a + "></FRAMESET><SCRIPT " + a +
           "></SCRIPT><WRAP " + a + ">end";
}

TEST_F(HostileNumbersTest, EveryAttributeAtTheEndsOfTheRange) {
    // The ends of the range and beyond, each read as it may be written: as
    // a number, quoted, with a sign, as a percentage.
    const std::string max = std::to_string(INT_MAX), min = std::to_string(INT_MIN);
    const std::pair<std::string, std::string> values[] = {
        {max, max}, {"\"" + min + "\"", min}, {"1000000000000%", "1000000000000"}, {"+" + max, max},
        {"-1000000000000", "-1000000000000"}};
    // Each attribute of the tokenizer's table (VALUE twice) on every tag at
    // once.
    for (int i = 0; i < AttributeNameCount; ++i) {
        const std::string name(AttributeName(i));
        for (const auto& [value, number] : values) {
            SCOPED_TRACE(name + "=" + value);
            const std::string coords = number + "," + number + "," + number + "," + number + "," + number + "," + number;
            Exercise(EveryTag(name + "=" + value, coords));
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
