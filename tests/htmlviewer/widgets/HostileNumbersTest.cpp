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

namespace {

// Every tag that keeps attributes, `@` standing for the attribute and `$`
// for the coordinates of an image map's areas.
constexpr const char* EveryTag =
    "<BODY @><BASEFONT @><META @><BGSOUND @><BASE @><P @>text <FONT @>font</FONT> more<BR @>after"
    "<H2 @>head</H2><HR @><DIV @>div</DIV><OL @><LI>one<LI>two</OL><UL @><LI>three</UL>"
    "<A @ HREF=#x>link <IMG @ SRC=pic.bmp></A> <IMG @ SRC=gone.gif ALT=gone> <IMG @ SRC=pic.bmp ALIGN=left>"
    "words<IMG @ SRC=pic.bmp USEMAP=#m><MAP @ NAME=m><AREA @ COORDS=\"$\" HREF=#y><AREA SHAPE=circle COORDS=\"$\">"
    "<AREA SHAPE=poly COORDS=\"$\"></MAP><TABLE @><CAPTION @>cap</CAPTION><TR @><TD @>a<TH @>b"
    "<TR><TD @ COLSPAN=2><TABLE @><TR><TD @>in<TD>x</TABLE></TABLE><FORM @><INPUT @>"
    "<INPUT @ TYPE=image SRC=pic.bmp><INPUT @ TYPE=radio><INPUT @ TYPE=checkbox><INPUT @ TYPE=submit>"
    "<SELECT @><OPTION @>o1<OPTION>o2</SELECT><SELECT @ MULTIPLE><OPTION>o3</SELECT><TEXTAREA @>t1\nt2</TEXTAREA>"
    "</FORM><FRAMESET @><FRAME @></FRAMESET><SCRIPT @></SCRIPT><WRAP @>end";

TEST(HostileNumbersTest, EveryAttributeAtTheEndsOfTheRange) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "mirelan_hostile_numbers";
    std::filesystem::create_directories(dir);
    QImage pic(6, 4, QImage::Format_RGB32);  // the picture of the images that have one
    pic.fill(Qt::red);
    ASSERT_TRUE(pic.save(QString::fromStdString((dir / "pic.bmp").string())));
    THtmlView view;
    view.resize(420, 300);
    view.SetDefBackground(gfx::clWhite);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    // The ends of the range and beyond, each as it may be written (as a
    // number, quoted, with a sign, as a percentage), with the number itself
    // for the coordinates.
    const std::string max = std::to_string(INT_MAX), min = std::to_string(INT_MIN);
    const std::pair<std::string, std::string> values[] = {
        {max, max}, {"\"" + min + "\"", min}, {"1000000000000%", "1000000000000"}, {"+" + max, max},
        {"-1000000000000", "-1000000000000"}};
    // Each attribute of the tokenizer's table (VALUE twice) on every tag.
    for (int i = 0; i < AttributeNameCount; ++i)
        for (const auto& [value, number] : values) {
            const std::string attribute = std::string(AttributeName(i)) + "=" + value;
            SCOPED_TRACE(attribute);
            std::string coords = number, html;
            for (int k = 1; k < 6; ++k) coords += "," + number;
            for (const char* c = EveryTag; *c; ++c)
                html += *c == '@' ? attribute : *c == '$' ? coords : std::string(1, *c);
            try {
                view.LoadFromString(html, (dir / "page.htm").generic_string());
            } catch (const EParseError&) {
                // A span past the column limit ends the build; what was built shows.
            }
            // Painted at the top, the middle and the bottom, with the link
            // under a few points asked for.
            ASSERT_GE(view.DocumentHeight(), 0);
            for (int y : {0, view.DocumentHeight() / 2, view.DocumentHeight()}) {
                view.ScrollTo(y);
                ASSERT_FALSE(view.viewport()->grab().toImage().isNull());
                for (const QPoint& p : {QPoint(5, 5), QPoint(200, 150), QPoint(410, 290)})
                    QTest::mouseMove(view.viewport(), p);
            }
        }
    std::filesystem::remove_all(dir);
}

}  // namespace
