// The "Camera" group of the Preview tab, driven through the dispatcher.
#include <fstream>

#include "PreviewPageFixtures.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/Settings.h"

namespace {

class CameraTest : public PreviewPageTest {
protected:
    void AddCameras(int n) {
        prompts.inputAccepts = true;
        for (int i = 0; i < n; ++i) Commands().Run("Form1.Button5");
    }
    bool Logged(std::string_view line) const {
        for (const std::string& l : status.Lines(StatusPage::Messages))
            if (l == line) return true;
        return false;
    }
};

TEST_F(CameraTest, PresetsAreAddedWithoutRecallDeletedAndChosen) {
    AddCameras(2);
    EXPECT_EQ(prompts.shown[0].text, "New Camera: Enter camera name");
    EXPECT_EQ(Form1.ComboBox8.items, (std::vector<std::string>{"Camera_1", "Camera_2"}));
    EXPECT_EQ(Form1.ComboBox8.index, 1);
    EXPECT_FALSE(pageHooks.Called("ApplyCameraEdits"));  // adding does not move the camera
    EXPECT_FALSE(pageHooks.Called("SelectCameraPreset 1"));

    Form1.ComboBox8.index = 0;
    Commands().Run("Form1.ComboBox8");
    EXPECT_TRUE(pageHooks.Called("SelectCameraPreset 0"));

    AddCameras(1);
    Form1.ComboBox8.index = 0;
    Commands().Run("Form1.Button3");  // the first: the new first is chosen
    EXPECT_EQ(Form1.ComboBox8.items, (std::vector<std::string>{"Camera_2", "Camera_3"}));
    EXPECT_EQ(Form1.ComboBox8.index, 0);
    EXPECT_EQ(Cameras[0].name, "Camera_2");
    Form1.ComboBox8.index = 1;
    Commands().Run("Form1.Button3");  // the last: the one before it
    EXPECT_EQ(Form1.ComboBox8.index, 0);
    Form1.ComboBox8.index = -1;
    Commands().Run("Form1.Button3");  // none chosen: nothing
    EXPECT_EQ(Cameras.size(), 1u);
    Form1.ComboBox8.index = 0;
    Commands().Run("Form1.Button3");
    EXPECT_TRUE(Cameras.empty());
    EXPECT_EQ(Form1.ComboBox8.index, -1);
    pageHooks.calls.clear();
    Commands().Run("Form1.ComboBox8");  // an empty list recalls nothing
    Commands().Run("Form1.Button3");
    EXPECT_TRUE(pageHooks.calls.empty());
}

TEST_F(CameraTest, PresetsSurviveARestartThroughTheSettingsFile) {
    Form1.Edit14.text = "35";
    Form1.Edit18.text = "12.5";
    Form1.CheckBox9.checked = true;
    AddCameras(1);
    const tcamera stored = Cameras[0];
    const std::string path = (dir / "settings.ini").string();
    ASSERT_TRUE(SaveSettingsTo(path));
    CreateModelLists();
    ResetOptionsToDefaults();
    ASSERT_TRUE(LoadSettingsFrom(path).applied);
    ASSERT_EQ(Cameras.size(), 1u);
    EXPECT_EQ(Form1.ComboBox8.items, (std::vector<std::string>{"Camera_1"}));
    EXPECT_EQ(Cameras[0].name, stored.name);
    EXPECT_EQ(Cameras[0].zoom, 35);
    EXPECT_EQ(Cameras[0].roll, 12.5);
    EXPECT_EQ(Cameras[0].noPerspective, 1);
}

TEST_F(CameraTest, AnglesSnapToQuadrants) {
    const struct {
        const char* command;
        const char *roll, *pitch, *yaw;      // before
        const char *roll2, *pitch2, *yaw2;   // after
    } cases[] = {
        {"Form1.Button28", "50", "44", "-46", "90", "44", "-46"},  // "Zero roll": the roll only
        {"Form1.Button28", "30", "0", "0", "0", "0", "0"},
        {"Form1.Button28", "x", "0", "0", "0", "0", "0"},         // no number: 0
        {"Form1.Button10", "-100", "-44", "-46", "-90", "0", "-90"},  // all three
        {"Form1.Button10", "135", "225", "181", "180", "180", "180"},  // halves to even
    };
    for (const auto& c : cases) {
        pageHooks.calls.clear();
        Form1.Edit18.text = c.roll;
        Form1.Edit20.text = c.pitch;
        Form1.Edit19.text = c.yaw;
        Commands().Run(c.command);
        EXPECT_EQ(Form1.Edit18.text, c.roll2) << c.command << " " << c.roll;
        EXPECT_EQ(Form1.Edit20.text, c.pitch2) << c.command << " " << c.pitch;
        EXPECT_EQ(Form1.Edit19.text, c.yaw2) << c.command << " " << c.yaw;
        EXPECT_TRUE(pageHooks.Called("ApplyCameraEdits"));
    }
}

TEST_F(CameraTest, FocusPlanesStayInOrder) {
    Form1.PageControl1.active = 1;
    // Leaving either edit puts the back plane at the front one when behind it.
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

    // The spin buttons move a plane by 0.001 and keep the order.
    Form1.Edit34.text = "0.9995";
    Form1.Edit35.text = "1";
    Commands().Run("Form1.SpinButton17.Up");
    EXPECT_EQ(Form1.Edit34.text, "1");
    Commands().Run("Form1.SpinButton18.Down");
    EXPECT_EQ(Form1.Edit35.text, "1");
    Commands().Run("Form1.SpinButton17.Down");
    EXPECT_EQ(Form1.Edit34.text, "0.999");
    const int draws = pageHooks.draws;
    Form1.PageControl1.active = 0;  // another tab shown: no redraw
    Commands().Run("Form1.SpinButton18.Up");
    EXPECT_EQ(Form1.Edit35.text, "1.001");
    EXPECT_EQ(pageHooks.draws, draws);

    Commands().Run("Form1.Button18");  // "Autosize": a third of the diagonal (10)
    EXPECT_EQ(Form1.Edit34.text, "-3.333333");
    EXPECT_EQ(Form1.Edit35.text, "3.333333");
}

TEST_F(CameraTest, SwitchesEnableTheirControls) {
    Form1.CheckBox70.checked = true;
    Form1.CheckBox9.checked = true;
    Commands().Run("Form1.CheckBox9");
    EXPECT_FALSE(Form1.CheckBox25.enabled || Form1.CheckBox70.enabled || Form1.Label147.enabled);
    EXPECT_EQ(Scene.orthographic, 1);
    Form1.CheckBox9.checked = false;
    Commands().Run("Form1.CheckBox9");
    EXPECT_TRUE(Form1.CheckBox25.enabled && Form1.CheckBox70.enabled && Form1.Label147.enabled);
    EXPECT_EQ(Scene.orthographic, 0);

    Form1.CheckBox25.checked = true;
    Commands().Run("Form1.CheckBox25");
    EXPECT_FALSE(Form1.CheckBox9.enabled);
    EXPECT_TRUE(Form1.CheckBox54.enabled && Form1.Edit34.enabled && Form1.Edit35.enabled && Form1.Button18.enabled &&
                Form1.SpinButton17.enabled && Form1.SpinButton18.enabled);
    Form1.CheckBox25.checked = false;
    Commands().Run("Form1.CheckBox25");
    EXPECT_TRUE(Form1.CheckBox9.enabled);
    EXPECT_FALSE(Form1.Edit34.enabled || Form1.Button18.enabled);
}

TEST_F(CameraTest, CameraAndWindowCommandsReachThePreview) {
    const struct {
        const char* command;
        std::vector<std::string> calls;
    } cases[] = {
        {"Form1.Button15", {"ResetCamera", "ApplyCameraEdits"}},
        {"Form1.Button6", {"RecenterCamera", "ApplyCameraEdits"}},
        {"Form1.Button34", {"SetPreviewClientSize 300 200"}},
        {"Form1.CheckBox30", {"StayOnTop 1"}},
    };
    Form1.Edit87.text = "300";
    Form1.Edit110.text = " 200";
    Form1.CheckBox30.checked = true;
    for (const auto& c : cases) {
        pageHooks.calls.clear();
        Commands().Run(c.command);
        EXPECT_EQ(pageHooks.calls, c.calls) << c.command;
    }
    Form1.Edit87.text = "wide";  // no number: 0, which the preview refuses
    pageHooks.calls.clear();
    Commands().Run("Form1.Button34");
    EXPECT_EQ(pageHooks.calls, (std::vector<std::string>{"SetPreviewClientSize 0 200"}));
}

TEST_F(CameraTest, CamerasFromADazStudioScript) {
    const std::string script = (dir / "empty.ds").string();
    std::ofstream(script) << "// no cameras\n";
    prompts.fileAnswers = {{script}};
    Commands().Run("Form1.BitBtn4");
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].filter, "Poser or DAZ Studio files (*.pz3;*.pzz;*.ds)|*.PZ3;*.PZZ;*.DS");
    EXPECT_TRUE(Logged("<!> No cameras found"));
    EXPECT_TRUE(Cameras.empty());
}

}  // namespace
