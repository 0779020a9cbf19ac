// The "Camera" group of the Preview tab, driven through the dispatcher.
#include "PreviewPageFixtures.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/Settings.h"

namespace {

using CameraTest = PreviewPageTest;

TEST_F(CameraTest, PresetsAreAddedWithoutRecallDeletedChosenAndKept) {
    Form1.Edit14.text = "35";
    Form1.CheckBox9.checked = true;
    Add("Button5", 3);
    EXPECT_EQ(prompts.shown[0].text, "New Camera: Enter camera name");
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8), (std::vector<std::string>{"Camera_1", "Camera_2", "Camera_3"}));
    EXPECT_EQ(Form1.ComboBox8.index, 2);
    EXPECT_TRUE(pageHooks.calls.empty());  // adding does not move the camera
    Form1.ComboBox8.index = 1;
    Commands().Run("Form1.ComboBox8");
    EXPECT_TRUE(pageHooks.Called("SelectCameraPreset 1"));
    // Deleting chooses the one before (the new first for the first).
    for (const auto& [chosen, left, after] : {std::tuple<int, std::size_t, int>{0, 2, 0}, {1, 1, 0}, {-1, 1, -1}}) {
        Form1.ComboBox8.index = chosen;
        Commands().Run("Form1.Button3");
        EXPECT_EQ(std::pair(Cameras.size(), Form1.ComboBox8.index), std::pair(left, after)) << chosen;
    }
    EXPECT_EQ(Cameras[0].name, "Camera_2");
    // The preset left survives a restart through the settings file.
    const std::string path = (dir / "settings.ini").string();
    ASSERT_TRUE(SaveSettingsTo(path));
    CreateModelLists();
    ResetOptionsToDefaults();
    ASSERT_TRUE(LoadSettingsFrom(path).applied);
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8), (std::vector<std::string>{"Camera_2"}));
    EXPECT_EQ(std::tuple(Cameras.at(0).zoom, Cameras[0].noPerspective), std::tuple(35.0, uint8_t{1}));
}

TEST_F(CameraTest, AnglesSnapToQuadrants) {
    // The command, roll, pitch and yaw before and after ("x" counts as 0).
    const std::tuple<const char*, std::array<const char*, 3>, std::array<const char*, 3>> cases[] = {
        {"Form1.Button28", {"50", "44", "x"}, {"90", "44", "x"}},  // "Zero roll": the roll only
        {"Form1.Button28", {"x", "0", "0"}, {"0", "0", "0"}},      // no number: 0
        {"Form1.Button10", {"-100", "-44", "135"}, {"-90", "0", "180"}},  // all three; halves to even
    };
    for (const auto& [command, before, after] : cases) {
        pageHooks.calls.clear();
        tedit* edits[] = {&Form1.Edit18, &Form1.Edit20, &Form1.Edit19};  // roll, pitch, yaw
        for (int i = 0; i < 3; ++i) edits[i]->text = before[i];
        Commands().Run(command);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(edits[i]->text, after[i]) << command << " " << i;
        EXPECT_TRUE(pageHooks.Called("ApplyCameraEdits"));
    }
}

TEST_F(CameraTest, FocusPlanesStayInOrder) {
    Form1.PageControl1.active = 1;
    for (const char* exit : {"Form1.Edit34.Exit", "Form1.Edit35.Exit"}) {
        Form1.Edit34.text = "2";
        Form1.Edit35.text = "1";
        pageHooks.calls.clear();
        Commands().Run(exit);
        EXPECT_EQ(Form1.Edit34.text, "1") << exit;
        EXPECT_TRUE(pageHooks.Called("ApplyCameraEdits"));
    }
    Form1.Edit34.text = "abc";  // no number: -1, written back
    Form1.Edit35.text = "";
    Commands().Run("Form1.Edit34.Exit");
    EXPECT_EQ(Form1.Edit34.text, "-1");
    Form1.Edit34.text = "0.9995";
    Form1.Edit35.text = "1";
    Commands().Run("Form1.SpinButton17.Up");  // not past the front plane
    Commands().Run("Form1.SpinButton18.Down");  // nor the front before the back
    EXPECT_EQ(std::pair(Form1.Edit34.text, Form1.Edit35.text), std::pair(std::string("1"), std::string("1")));
    Commands().Run("Form1.Button18");  // "Autosize": a third of the diagonal (10)
    EXPECT_EQ(std::pair(Form1.Edit34.text, Form1.Edit35.text),
              std::pair(std::string("-3.333333"), std::string("3.333333")));
}

TEST_F(CameraTest, SwitchesAndCommandsReachTheirControlsAndThePreview) {
    Form1.CheckBox9.checked = true;  // "No perspective": an orthographic camera
    Commands().Run("Form1.CheckBox9");
    EXPECT_EQ(std::pair(Scene.orthographic, Form1.CheckBox25.enabled), std::pair(uint8_t{1}, false));
    Form1.Edit87.text = "300";
    Form1.Edit110.text = " 200";
    Form1.CheckBox30.checked = true;
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"Form1.Button15", {"ResetCamera", "ApplyCameraEdits"}},
        {"Form1.Button6", {"RecenterCamera", "ApplyCameraEdits"}},
        {"Form1.Button34", {"Size 300 200"}},
        {"Form1.CheckBox30", {"StayOnTop 1"}},
    };
    for (const auto& [command, calls] : cases) {
        pageHooks.calls.clear();
        Commands().Run(command);
        EXPECT_EQ(pageHooks.calls, calls) << command;
    }
}

// "From file..." of the lights and of the cameras read DAZ|Studio scripts;
// one without either keeps what there is.
TEST_F(CameraTest, LightsAndCamerasFromADazStudioScript) {
    const std::string script = (dir / "empty.ds").string();
    std::ofstream(script) << "// nothing\n";
    prompts.fileAnswers = {{script}, {script}};
    Commands().Run("Form1.BitBtn4");
    Commands().Run("Form1.BitBtn8");
    EXPECT_EQ(prompts.fileDialogs.at(1).filter, "Poser or DAZ Studio files (*.pz3;*.pzz;*.ds)|*.PZ3;*.PZZ;*.DS");
    EXPECT_TRUE(Logged("<!> No cameras found") && Logged("<!> No lights found"));
}

}  // namespace
