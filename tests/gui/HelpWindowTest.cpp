// The help window on the program's help file: every help control of the
// program opens it at its anchor, links clicked in the text move back and
// forth through the history, find walks every hit, and a link out of the
// help goes to the shell and is handled there.
#include <QTest>
#include <functional>

#include "GuiFixtures.h"
#include "htmlviewer/HtmlSections.h"
#include "htmlviewer/HtmlTable.h"
#include "htmlviewer/widgets/HtmlView.h"
#include "model/HelpTopic.h"
#include "model/TextConv.h"
#include "ui/control/HelpController.h"

namespace {

class HelpWindowTest : public GuiTest {
protected:
    THtmlView& View() { return app->Help().HtmlView(); }
    int MostY() { return std::max(0, View().DocumentHeight() - View().viewport()->height()); }
    // Clicks the link whose text is `text`, scrolled into view.
    void ClickLink(const std::string& text) {
        THtmlView& view = View();
        const int pos = view.Document().FindString(0, text, true);
        ASSERT_GE(pos, 0) << text;
        QPoint p;
        ASSERT_TRUE(view.WindowPointOf(pos, p));
        if (p.y() < 0 || p.y() > view.viewport()->height() - 20) {
            view.ScrollTo(view.ScrollPosition() + p.y() - 40);
            ASSERT_TRUE(view.WindowPointOf(pos, p));
        }
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, p + QPoint(2, 6));
    }
    // How often the text stands in the document's paragraphs (cells
    // included), compared with or without letter case.
    int Occurrences(const std::string& text, bool matchCase) {
        int n = 0;
        const std::string needle = matchCase ? text : LowerCase(text);
        std::function<void(const TCell&)> walk = [&](const TCell& cell) {
            for (const auto& s : cell) {
                if (const auto* p = dynamic_cast<const TSection*>(s.get())) {
                    const std::string hay = matchCase ? p->Buff : LowerCase(p->Buff);
                    for (std::size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
                } else if (const auto* t = dynamic_cast<const ThtmlTable*>(s.get())) {
                    for (const auto& row : t->Rows)
                        for (const auto& c : *row)
                            if (c) walk(*c->Cell);
                }
            }
        };
        walk(View().Document());
        return n;
    }
};

TEST_F(HelpWindowTest, EveryHelpControlOpensTheHelpAtItsAnchor) {
    StartProgram();
    std::vector<std::pair<std::string, std::string>> controls;
    for (const HelpTopicButton& b : HelpTopicButtons) controls.emplace_back(b.control, b.anchor);
    controls.emplace_back("Form4.Button1", "#Warnings");
    controls.emplace_back("Form5.ToolButton1", "#Contents");  // in the window: "Contents"
    for (const auto& [control, anchor] : controls) {
        SCOPED_TRACE(control);
        Form5.visible = control == "Form5.ToolButton1";
        app->Bindings().RefreshAll();
        ASSERT_TRUE(Commands().Run(control));
        EXPECT_TRUE(app->Help().isVisible());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Help()));
        const auto it = View().Anchors().find(UpperCase(anchor.substr(1)));
        ASSERT_NE(it, View().Anchors().end()) << anchor;
        EXPECT_EQ(View().ScrollPosition(), std::min(it->second->YPosition, MostY())) << anchor;
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(HelpWindowTest, LinksInTheTextGoBackAndForward) {
    StartProgram();
    ASSERT_TRUE(Commands().Run("Form1.ToolButton10"));  // "Manual..."
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Help()));
    THtmlView& view = View();
    const int atTop = view.ScrollPosition();
    ASSERT_TRUE(Commands().Run("Form5.ToolButton1"));  // "Contents"
    const int atContents = view.ScrollPosition();
    ASSERT_NE(atContents, atTop);
    ClickLink("Groups tab");
    const int atGroups = view.ScrollPosition();
    EXPECT_EQ(atGroups, std::min(view.Anchors().at("GROUPS")->YPosition, MostY()));
    ClickLink("The list shows");  // plain text: nothing happens
    EXPECT_EQ(view.ScrollPosition(), atGroups);
    view.ScrollTo(MostY());
    ClickLink("Top");
    EXPECT_EQ(view.ScrollPosition(), std::min(view.Anchors().at("TOP")->YPosition, MostY()));

    // "<< Back" walks the places left: the one left for "Top" (scrolled on
    // from the groups, it took the groups' entry), the one where "Groups
    // tab" was clicked, and the topic "Contents" was chosen from (where
    // "Manual..." opened the help).
    for (const int place : {MostY(), atContents, atTop}) {
        ASSERT_TRUE(Commands().Run("Form5.ToolButton2"));
        EXPECT_EQ(view.ScrollPosition(), place);
    }
    EXPECT_EQ(view.HistoryPosition(), 3);
    // "Forward >>" comes back the same way.
    for (const int place : {atContents, MostY(), std::min(view.Anchors().at("TOP")->YPosition, MostY())}) {
        ASSERT_TRUE(Commands().Run("Form5.ToolButton3"));
        EXPECT_EQ(view.ScrollPosition(), place);
    }
    EXPECT_EQ(view.HistoryPosition(), 0);
    // At the oldest place "<< Back" has nothing further.
    while (view.HistoryPosition() < view.History().Count() - 1) ASSERT_TRUE(Commands().Run("Form5.ToolButton2"));
    const int oldest = view.ScrollPosition();
    ASSERT_TRUE(Commands().Run("Form5.ToolButton2"));
    EXPECT_EQ(view.ScrollPosition(), oldest);
    EXPECT_EQ(view.HistoryPosition(), view.History().Count() - 1);
    EXPECT_TRUE(shell.requests.empty());
}

// Each help topic the program opens is a place of the history: "<< Back"
// returns from one topic to the one before.
TEST_F(HelpWindowTest, HelpTopicsGoBackOneByOne) {
    StartProgram();
    std::vector<int> places;
    for (const char* control : {"Form1.ToolButton36", "Form1.ToolButton22", "Form1.ToolButton28", "Form5.ToolButton1"}) {
        ASSERT_TRUE(Commands().Run(control));
        places.push_back(View().ScrollPosition());
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Help()));
    for (int i = static_cast<int>(places.size()) - 2; i >= 0; --i) {
        ASSERT_TRUE(Commands().Run("Form5.ToolButton2"));  // "<< Back"
        EXPECT_EQ(View().ScrollPosition(), places[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(View().HistoryPosition(), static_cast<int>(places.size()) - 1);
}

TEST_F(HelpWindowTest, FindWalksEveryHitWithAndWithoutMatchCase) {
    StartProgram();
    ShowHelpTopic("#top");
    for (const auto& [text, matchCase] : std::vector<std::pair<std::string, bool>>{
             {"preview", false}, {"Preview", true}, {"preview", true}, {"POV-Ray", true}}) {
        SCOPED_TRACE(text);
        const int expected = Occurrences(text, matchCase);
        ASSERT_GT(expected, 1);
        prompts.shown.clear();
        ASSERT_TRUE(Commands().Run("Form5.ToolButton4"));  // "Find...": from the top
        EXPECT_TRUE(app->Help().FindDialog()->isVisible());
        Form5.FindDialog1.text = text;
        Form5.FindDialog1.matchCase = matchCase;
        int found = 0;
        int last = -1;
        while (prompts.shown.empty() && found <= expected) {
            ASSERT_TRUE(Commands().Run("Form5.FindDialog1"));
            if (!prompts.shown.empty()) break;
            ++found;
            EXPECT_GT(View().SelStart(), last);
            last = View().SelStart();
            const std::string selected = Trim(View().SelText());  // a list item's copy starts indented
            EXPECT_TRUE(matchCase ? selected == text : SameText(selected, text)) << selected;
        }
        EXPECT_EQ(found, expected);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, "Reached end of help. No further occurances of \"" + text + "\"");
        EXPECT_EQ(View().SelLength(), 0);  // the next search starts at the top
    }
}

TEST_F(HelpWindowTest, AWebLinkGoesToTheShellAndIsHandled) {
    StartProgram();
    ShowHelpTopic("#thisversion");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Help()));
    const std::string file = View().CurrentFileName();
    const int history = View().History().Count();
    ClickLink("www.example.org/mirelan");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "https://www.example.org/mirelan");
    EXPECT_TRUE(Form5.linkHandled);
    // The viewer did not try to follow it as a file.
    EXPECT_EQ(View().CurrentFileName(), file);
    EXPECT_EQ(View().History().Count(), history);
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
