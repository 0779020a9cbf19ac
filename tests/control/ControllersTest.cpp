// The handlers of the status window, the help window and the Input tab's
// run commands, driven through the dispatcher as the windows drive them.
#include <fstream>

#include "ControlFixtures.h"
#include "model/StatusLog.h"
#include "ui/control/Controllers.h"

namespace {

class ControllersTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        controllers = std::make_unique<Controllers>(ControllerPorts{host, help, dialogs});
        controllers->Register(Commands());
        HelpFilePath = (dir / "help.htm").string();
    }
    RecordingDialogs dialogs;
    std::unique_ptr<Controllers> controllers;
};

TEST_F(ControllersTest, ThePlusButtonShowsAndHidesTheStatusWindow) {
    // Each step: the command, then the window's state and the button's caption.
    const struct {
        const char* command;
        bool visible;
        const char* caption;
    } steps[] = {{"Form1.Button43", true, "-"}, {"Form1.Button43", false, "+"}, {"Form1.Button43", true, "-"},
                 {"Form4.Escape", false, "+"},  {"Form1.Button43", true, "-"},  {"Form4.Hide", false, "+"}};
    for (const auto& step : steps) {
        Commands().Run(step.command);
        EXPECT_EQ(Form4.visible, step.visible) << step.command;
        EXPECT_EQ(Form1.Button43.caption, step.caption) << step.command;
    }
}

TEST_F(ControllersTest, HelpControlsOpenTheirTopicsAndTheFirstOneLoadsTheFile) {
    { std::ofstream(dir / "help.htm") << "<html></html>"; }
    const std::pair<const char*, const char*> topics[] = {
        {"Form1.ToolButton10", "#top"},          {"Form1.ToolButton13", "#HowaboutsomeTipsTutorials"},
        {"Form1.ToolButton36", "#previewtab"},   {"Form1.ToolButton22", "#materialstab"},
        {"Form1.ToolButton28", "#groups"},       {"Form1.ToolButton16", "#hdri_simulation"},
        {"Form1.ToolButton17", "#exportoptions"}, {"Form1.ToolButton30", "#Moray_Export_Options"},
        {"Form1.ToolButton31", "#OBJ_Export_Options"}, {"Form1.Label155", "#moraynotes"},
        {"Form4.Button1", "#Warnings"},          {"Form5.ToolButton1", "#Contents"}};
    for (const auto& [control, anchor] : topics) {
        help.jumps.clear();
        Commands().Run(control);
        ASSERT_EQ(help.jumps.size(), 1u) << control;
        EXPECT_EQ(help.jumps[0], anchor);
    }
    EXPECT_TRUE(Form5.visible);
    const std::vector<std::string>& lines = status.Lines(StatusPage::Messages);
    ASSERT_EQ(lines.size(), 2u);  // only the first request loads
    EXPECT_EQ(lines[0], "Loading help file for fist use...");
    EXPECT_EQ(lines[1], "Help file loaded");
    EXPECT_EQ(help.file, HelpFilePath);
}

TEST_F(ControllersTest, HelpWindowCommands) {
    Commands().Run("Form5.ToolButton2");  // << Back: older
    Commands().Run("Form5.ToolButton2");
    Commands().Run("Form5.ToolButton3");  // Forward >>: newer
    EXPECT_EQ(help.position, 1);

    Form5.FindDialog1.text = "normals";
    help.hitsLeft = 1;
    Commands().Run("Form5.ToolButton4");  // Find...: the search starts at the top
    EXPECT_EQ(help.selection, 0);
    EXPECT_TRUE(Form5.FindDialog1.visible);
    help.selection = -1;
    Commands().Run("Form5.FindDialog1");  // found: no box
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(help.selection, -1);
    Commands().Run("Form5.FindDialog1");  // no further hit
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, MessageKind::Information);
    EXPECT_EQ(prompts.shown[0].text, "Reached end of help. No further occurances of \"normals\"");
    EXPECT_EQ(help.selection, 0);

    // Links: those outside the help go to the shell and count as handled.
    const std::pair<const char*, bool> links[] = {
        {"http://example.org/", true}, {"mailto:a@b.c", true}, {"#Contents", false}, {"", false}};
    for (const auto& [link, toShell] : links) {
        shell.requests.clear();
        Form5.clickedLink = link;
        Commands().Run("Form5.htmlView1.HotSpotClick");
        EXPECT_EQ(Form5.linkHandled, toShell) << link;
        ASSERT_EQ(shell.requests.size(), toShell ? 1u : 0u) << link;
        if (toShell) {
            EXPECT_EQ(shell.requests[0].target, link);
            EXPECT_FALSE(shell.requests[0].program);  // opened, never run
        }
    }
    // A link the shell refuses (no web address, no file) is reported.
    shell.succeeds = false;
    Form5.clickedLink = "povray";
    Commands().Run("Form5.htmlView1.HotSpotClick");
    EXPECT_TRUE(Form5.linkHandled);
    EXPECT_EQ(prompts.shown.back().text, "Cannot open the link povray");

    Form5.visible = true;
    Commands().Run("Form5.Escape");
    EXPECT_FALSE(Form5.visible);
}

TEST_F(ControllersTest, InputTabRunCommands) {
    Commands().Run("Form1.Label90");
    Commands().Run("Form1.Label94");
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[0].target, "mailto:" + std::string(MakerMailAddress));
    EXPECT_EQ(shell.requests[1].target, MakerWebAddress);

    Commands().Run("Form1.ToolButton20");  // Exit
    EXPECT_EQ(host.closeRequests, 1);

    // "Wine" drives "Copy all maps to the same directory", whose own handler runs.
    int copyMapsClicks = 0;
    Commands().Add("Form2.CheckBox16", [&] { ++copyMapsClicks; });
    for (const bool on : {true, false}) {
        Form1.CheckBox34.checked = on;
        Commands().Run("Form1.CheckBox34");
        EXPECT_EQ(Form2.CheckBox16.checked, on);
    }
    EXPECT_EQ(copyMapsClicks, 2);
}

TEST_F(ControllersTest, DialogButtonsEndTheirDialog) {
    Form2.Edit1.text = dir.string();  // the export options' OK wants an existing folder
    for (const DialogCloseButton& b : DialogCloseButtons) {
        ModalResult* result = ModalResultOf(b.form);
        ASSERT_NE(result, nullptr) << b.control;
        *result = ModalResult::None;
        Commands().Run(std::string(b.control));
        EXPECT_EQ(*result, b.ok ? ModalResult::Ok : ModalResult::Cancel) << b.control;
    }
    EXPECT_EQ(ModalResultOf("Form1"), nullptr);
}

}  // namespace
