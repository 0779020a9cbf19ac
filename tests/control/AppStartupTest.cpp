// Start-up and shutdown: the OpenGL version test, the fixed lists, the
// first log lines, the settings of this build only, and the close that
// saves before it frees.
#include <cstdlib>
#include <fstream>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/StatusLog.h"
#include "options/ControlTable.h"
#include "platform/Version.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/AppStartup.h"
#include "ui/core/Settings.h"
#include "writers/DeclareLibrary.h"

namespace fs = std::filesystem;

namespace {

using AppStartupTest = ControlTest;

TEST_F(AppStartupTest, OpenGLBelow1_1EndsTheProgramWithTheMessageAndWritesNothing) {
    for (const char* version : {"1.0", ""}) {
        host.gl.version = version;
        prompts.shown.clear();
        EXPECT_FALSE(InitApplication(host, 1)) << version;
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, MessageKind::Error);
        EXPECT_EQ(prompts.shown[0].text, std::string("Installed OpenGL (R) API version is ") +
                                             (*version ? "1" : "0") + " and Mirelan requires at least 1.1");
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(AppStartupTest, TheTriangulationIsLockedBelowGLU1_2) {
    const struct {
        const char* glu;
        int index;
        bool enabled;
    } cases[] = {{"1.1", 2, false}, {"", 2, false}, {"1.2", 0, true}, {"1.3", 0, true}};
    for (const auto& c : cases) {
        ResetOptionsToDefaults();
        host.gl.gluVersion = c.glu;
        ASSERT_TRUE(InitApplication(host, 1));
        EXPECT_EQ(Form1.ComboBox26.index, c.index) << c.glu;
        EXPECT_EQ(Form1.ComboBox26.enabled, c.enabled) << c.glu;
        EXPECT_EQ(Form1.ComboBox26.SelectedText(), TriangulationModes[static_cast<std::size_t>(c.index)]);
    }
}

TEST_F(AppStartupTest, AFreshStartFillsTheFixedListsAndLogsTheBuild) {
    Form1.ComboBox24.items.clear();  // start-up fills the lists whatever they held
    Form1.ComboBox1.index = 5;
    Form1.Memo2.lines = {"left over"};
    Form1.caption = "Mirelan - old.obj";
    Form9.glView1 = {800, 600};
    Commands().Add("Form1.Edit48", [] { Form1.Edit47.text = "recomputed"; });
    ASSERT_TRUE(InitApplication(host, 1));

    const std::pair<const char*, int> selected[] = {
        {"ComboBox1", 0},  {"ComboBox9", 0},  {"ComboBox16", 0}, {"ComboBox5", 1},  {"ComboBox20", 0},
        {"ComboBox6", 1},  {"ComboBox4", 0},  {"ComboBox21", 0}, {"ComboBox23", 1}, {"ComboBox24", 6},
        {"ComboBox25", 0}, {"ComboBox26", 0}, {"ComboBox14", 0}, {"ComboBox12", 0}, {"ComboBox10", 0}};
    for (const auto& [name, index] : selected) {
        const ControlInfo* row = FindControl("Form1", name);
        const tcombobox& combo = *std::get<tcombobox*>(row->ref);
        EXPECT_EQ(combo.index, index) << name;
        EXPECT_EQ(combo.items, std::vector<std::string>(row->items.begin(), row->items.end())) << name;
    }
    EXPECT_EQ(Form1.ComboBox1.items.size(), 30u);
    EXPECT_EQ(Form1.ComboBox5.SelectedText(), "PNG (portable network graphics)");
    EXPECT_EQ(Form1.ComboBox24.SelectedText(), "(FULL QUALITY) Compute media and radiosity");
    EXPECT_TRUE(Form1.Memo2.lines.empty());
    // The output size follows the preview, without the size handlers.
    EXPECT_EQ(Form1.Edit47.text, "800");
    EXPECT_EQ(Form1.Edit48.text, "600");
    EXPECT_FALSE(host.culling);  // "Draw double sided" is checked
    EXPECT_EQ(Form1.Label168.caption, "Mirelan v" + GetVersionString());
    EXPECT_EQ(Form1.caption, "Mirelan");
    EXPECT_TRUE(PreviewReady);
    EXPECT_EQ(Scene.backgroundColor, 0xF0F0F0);
    EXPECT_TRUE(MultitextureSupported);
    EXPECT_EQ(MaxGLLights, 8);

    const std::vector<std::string> expected = {std::string(RuleLine), "Mirelan build " + BuildNumber(), " ",
                                               std::string(RuleLine), "Ready"};
    EXPECT_EQ(status.Lines(StatusPage::Messages), expected);
    EXPECT_EQ(status.statusLine, "Ready");
    EXPECT_FALSE(status.Lines(StatusPage::GLInfo).empty());
    EXPECT_EQ(status.Lines(StatusPage::GLInfo)[2], "Version: " + host.gl.version);
}

TEST_F(AppStartupTest, SettingsOfThisBuildAreRestoredWithTheirHandlersAndOthersAreIgnored) {
    int stayOnTop = 0;
    Commands().Add("Form1.CheckBox30", [&] { ++stayOnTop; });
    Commands().Add("Form1.Edit48", [] { Form1.Edit47.text = "recomputed"; });
    const auto write = [&](const std::string& build) {
        std::ofstream(dir / std::string(SettingsFileName), std::ios::binary)
            << ";x\r\n[general]\r\nbuild=" << build << "\r\nglstayontop=1\r\npovw=320\r\npovh=200\r\n";
    };
    write(BuildNumber() + "0");  // another build
    ASSERT_TRUE(InitApplication(host, 1));
    EXPECT_FALSE(Form1.CheckBox30.checked);
    EXPECT_EQ(Form1.Edit47.text, "640");
    EXPECT_EQ(stayOnTop, 0);

    write(BuildNumber());
    ResetOptionsToDefaults();
    ASSERT_TRUE(InitApplication(host, 1));
    EXPECT_TRUE(Form1.CheckBox30.checked);
    EXPECT_EQ(stayOnTop, 1);
    EXPECT_EQ(Form1.Edit47.text, "320");
    EXPECT_EQ(Form1.Edit48.text, "200");
    // The windows are placed once the settings are read: by them when the
    // file was of this build.
    EXPECT_EQ(host.placed, (std::vector<bool>{false, true}));
}

TEST_F(AppStartupTest, WithoutAPovRayProgramSetTheOneOnThePathIsTaken) {
    const fs::path bin = dir / "bin", povray = bin / "povray";
    fs::create_directories(bin);
    std::ofstream(povray) << "#!/bin/sh\n";
    fs::permissions(povray, fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    const struct {
        fs::path path;
        std::string setting, taken;
    } cases[] = {{bin, "", povray.string()}, {dir, "", ""}, {bin, "/opt/pov/bin/povray", "/opt/pov/bin/povray"}};
    for (const auto& c : cases) {
        setenv("PATH", c.path.c_str(), 1);
        ResetOptionsToDefaults();
        Form1.Edit52.text = c.setting;
        EXPECT_TRUE(InitApplication(host, 1));
        EXPECT_EQ(Form1.Edit52.text, c.taken) << c.path;
    }
    setenv("PATH", path.c_str(), 1);
}

TEST_F(AppStartupTest, CloseSavesBeforeItFreesAndTheNextStartRestores) {
    ASSERT_TRUE(InitApplication(host, 1));
    Form1.CheckBox26.checked = false;
    Form1.Edit95.text = "42";
    DeclareLibrary.push_back({"Gold", "texture{pigment{rgb<1,0.8,0>}}"});
    SceneGroups.resize(2);
    Lights.resize(3);
    BatchFiles = {"a.obj", "b.obj"};
    bool checkedAtThanks = false;
    status.onLine = [&](StatusPage page, std::string_view text) {
        if (page != StatusPage::Messages || text != "Thanks for using Mirelan.  Cleaning up memory...") return;
        checkedAtThanks = true;
        EXPECT_TRUE(fs::exists(dir / std::string(SettingsFileName)));
        EXPECT_TRUE(fs::exists(dir / std::string(DeclareLibraryFileName)));
        EXPECT_EQ(SceneGroups.size(), 2u);  // nothing freed yet
        EXPECT_FALSE(Form1.PageControl1.enabled);
    };
    ASSERT_TRUE(CloseApplication(host));
    EXPECT_TRUE(checkedAtThanks);
    EXPECT_EQ(status.Lines(StatusPage::Messages).back(), "Thanks for using Mirelan.  Cleaning up memory...");
    EXPECT_EQ(host.boundsStored, 1);
    EXPECT_TRUE(SceneGroups.empty() && Lights.empty() && DeclareLibrary.empty() && BatchFiles.empty());
    EXPECT_FALSE(IsBusy());
    const std::string settings = fixtures::ReadFileBytes((dir / std::string(SettingsFileName)).string());
    EXPECT_NE(settings.find("build=" + BuildNumber() + "\r\n"), std::string::npos);

    status.onLine = nullptr;
    ResetOptionsToDefaults();
    ASSERT_TRUE(InitApplication(host, 1));
    EXPECT_FALSE(Form1.CheckBox26.checked);
    EXPECT_EQ(Form1.Edit95.text, "42");
    ASSERT_EQ(DeclareLibrary.size(), 1u);
    EXPECT_EQ(DeclareLibrary[0].name.str(), "Gold");
    ClearDeclareLibrary();
}

TEST_F(AppStartupTest, CloseIsRefusedWhileALongOperationRunsAndSurvivesAnUnwritableFolder) {
    ASSERT_TRUE(InitApplication(host, 1));
    BeginWait();
    EXPECT_FALSE(CloseApplication(host));
    EndWait();
    EXPECT_FALSE(fs::exists(dir / std::string(SettingsFileName)));

    SetProgramDirOverride((dir / "missing" / "deeper").string());
    ASSERT_TRUE(CloseApplication(host));
    const std::vector<std::string>& lines = status.Lines(StatusPage::Messages);
    EXPECT_EQ(lines.back(), "Thanks for using Mirelan.  Cleaning up memory...");
    int problems = 0;
    for (const std::string& line : lines) problems += line.rfind("<!>", 0) == 0;
    EXPECT_EQ(problems, 2);  // settings and library each reported
}

}  // namespace
