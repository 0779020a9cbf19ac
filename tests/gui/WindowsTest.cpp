// The status window and its "+" button, the help window, a start, close
// and restart of the whole program, and the image library that lives as
// long as the program.
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <fstream>

#include "GuiFixtures.h"
#include "htmlviewer/widgets/HtmlView.h"
#include "imageformats/ImageRegistration.h"
#include "model/HelpTopic.h"
#include "model/StatusLog.h"
#include "platform/gfx/WarningSink.h"
#include "ui/core/Settings.h"
#include "writers/DeclareLibrary.h"

namespace {

using WindowsTest = GuiTest;

std::string PageText(const Application& app, StatusPage page) {
    return static_cast<QPlainTextEdit*>(app.Status().Pages()[static_cast<int>(page)])->toPlainText().toStdString();
}

TEST_F(WindowsTest, StatusWindowShowsAndHidesWithThePlusButtonEscAndItsCloseBox) {
    StartProgram();
    StatusWindow& status = app->Status();
    auto* plus = FindOne<QPushButton>("Form1", "Button43");
    ASSERT_TRUE(plus);
    EXPECT_FALSE(status.isVisible());
    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_TRUE(status.isVisible());
    EXPECT_EQ(plus->text(), QStringLiteral("-"));
    auto* tabs = status.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_TRUE(tabs);
    EXPECT_EQ(tabs->currentIndex(), 0);  // "Messages" first

    // Esc on the "Maps" page keeps the window; on "Messages" it hides it.
    tabs->setCurrentIndex(3);
    QTest::keyClick(status.Pages()[3], Qt::Key_Escape);
    EXPECT_TRUE(status.isVisible());
    tabs->setCurrentIndex(0);
    QTest::keyClick(status.Pages()[0], Qt::Key_Escape);
    EXPECT_FALSE(status.isVisible());
    EXPECT_EQ(plus->text(), QStringLiteral("+"));

    QTest::mouseClick(plus, Qt::LeftButton);
    EXPECT_TRUE(status.isVisible());
    status.close();  // the close box
    EXPECT_FALSE(Form4.visible);
    EXPECT_EQ(plus->text(), QStringLiteral("+"));

    // The start-up lines and the status strip.
    const std::string messages = PageText(*app, StatusPage::Messages);
    const std::string rule(RuleLine);
    EXPECT_EQ(messages, rule + "\nMirelan build " + BuildNumber() + "\n \n" + rule + "\nReady");
    EXPECT_EQ(FindOne<QLabel>("Form1", "Label160")->text(), QStringLiteral("Ready"));
}

TEST_F(WindowsTest, HelpLoadsOnceFollowsLinksBackAndForthAndFinds) {
    StartProgram();
    HelpWindow& help = app->Help();
    ShowHelpTopic("#top");
    ShowHelpTopic("#groups");
    app->Bindings().RefreshAll();
    EXPECT_TRUE(help.isVisible());
    const std::string messages = PageText(*app, StatusPage::Messages);
    EXPECT_NE(messages.find("Loading help file for fist use...\nHelp file loaded"), std::string::npos);
    EXPECT_EQ(messages.find("Loading help file for fist use...", messages.find("Help file loaded")),
              std::string::npos);

    // Two links followed, then back and forward.
    THtmlView& view = help.HtmlView();
    help.resize(600, 300);
    view.HotSpotClick("#top");
    const int atTop = view.ScrollPosition();
    view.HotSpotClick("#Warnings");
    const int atWarnings = view.ScrollPosition();
    ASSERT_NE(atTop, atWarnings);
    Commands().Run("Form5.ToolButton2");
    EXPECT_EQ(view.ScrollPosition(), atTop);
    Commands().Run("Form5.ToolButton3");
    EXPECT_EQ(view.ScrollPosition(), atWarnings);

    // A link out of the help goes to the shell.
    view.HotSpotClick("http://example.org/x");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "http://example.org/x");
    EXPECT_EQ(view.ScrollPosition(), atWarnings);

    // Find: once in the text, then the end of the help, then from the top.
    Commands().Run("Form5.ToolButton4");
    Form5.FindDialog1.text = "Portable Float Map";
    Commands().Run("Form5.FindDialog1");
    EXPECT_EQ(view.SelText(), "Portable Float Map");
    Commands().Run("Form5.FindDialog1");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Reached end of help. No further occurances of \"Portable Float Map\"");
    Commands().Run("Form5.FindDialog1");
    EXPECT_EQ(view.SelText(), "Portable Float Map");

    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

TEST_F(WindowsTest, ClosingWritesSettingsAndLibraryAndTheNextStartRestoresThem) {
    StartProgram();
    auto* reorient = FindOne<QCheckBox>("Form1", "CheckBox26");
    ASSERT_TRUE(reorient);
    QTest::mouseClick(reorient, Qt::LeftButton, {}, QPoint(6, reorient->height() / 2));
    ASSERT_FALSE(Form1.CheckBox26.checked);
    DeclareLibrary.push_back({"Chrome", "texture{finish{reflection 0.8}}"});
    app->Main().close();  // also what "Exit" does
    EXPECT_FALSE(app->Main().isVisible());
    EXPECT_FALSE(app->Preview().isVisible());
    EXPECT_TRUE(std::filesystem::exists(dir / std::string(SettingsFileName)));
    EXPECT_TRUE(std::filesystem::exists(dir / std::string(DeclareLibraryFileName)));
    EXPECT_EQ(PageText(*app, StatusPage::Messages).substr(PageText(*app, StatusPage::Messages).rfind('\n') + 1),
              "Thanks for using Mirelan.  Cleaning up memory...");
    EXPECT_TRUE(DeclareLibrary.empty());

    ResetOptionsToDefaults();
    StartProgram();
    EXPECT_FALSE(Form1.CheckBox26.checked);
    EXPECT_FALSE(FindOne<QCheckBox>("Form1", "CheckBox26")->isChecked());
    ASSERT_EQ(DeclareLibrary.size(), 1u);
    EXPECT_EQ(DeclareLibrary[0].name.str(), "Chrome");
}

TEST_F(WindowsTest, TheImageLibraryWarnsInBoxesWhileTheProgramRunsAndEndsWithIt) {
    StartProgram();
    ASSERT_NE(img::FileFormatList(), nullptr);
    EXPECT_EQ(gfx::pictureFormats().classForExtension("tga"), &img::TargaGraphicClass());
    gfx::warn("Corrupt JPEG data: premature end of data segment");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(prompts.shown[0].text, "Corrupt JPEG data: premature end of data segment");

    scope.reset();
    app.reset();
    EXPECT_EQ(img::FileFormatList(), nullptr);
    EXPECT_EQ(gfx::pictureFormats().classForExtension("tga"), nullptr);
    gfx::warn("after the end");  // no sink: dropped
    EXPECT_EQ(prompts.shown.size(), 1u);
}

}  // namespace
