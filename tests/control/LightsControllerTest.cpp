// The "Lights" group of the Preview tab and its presets, driven through the
// dispatcher as the window drives it.
#include "PreviewPageFixtures.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/Settings.h"

namespace {

using LightsTest = PreviewPageTest;

TEST_F(LightsTest, BadOrOutOfRangeTextFallsBackAsThePanelPromises) {
    Add("Button4", 1);
    const tlight& l = Lights[0];
    CheckEdits({
        {&Form1.Edit81, "Edit81", "abc", &l.intensity, 1.0},  {&Form1.Edit81, "Edit81", "150", &l.intensity, 1.5},
        {&Form1.Edit62, "Edit62", "0", &l.fadeDistance, 0.05}, {&Form1.Edit62, "Edit62", "2,5", &l.fadeDistance, 2.5},
        {&Form1.Edit3, "Edit3", "", &l.areaSize, 1.0},         {&Form1.Edit69, "Edit69", "1e999", &l.position.x, 0},
        {&Form1.Edit37, "Edit37", "inf", &l.elevation, 0},     {&Form1.Edit40, "Edit40", "-7.5", &l.pointAt.z, -7.5},
    });
    Type(Form1.Edit28, "Edit28", "120");  // spread and tightness within their ranges
    Type(Form1.Edit27, "Edit27", "-3");
    EXPECT_EQ(std::pair(l.spotSpread, l.spotTightness), std::pair(90.0f, 0.0f));
    const int draws = pageHooks.draws;  // name and density stored without a redraw
    Type(Form1.Edit80, "Edit80", "Key");
    Form1.UpDown1.position = 3;
    Commands().Run("Form1.UpDown1");
    EXPECT_EQ(std::tuple(Form1.ComboBox2.Item(0), Form1.Edit30.text, l.areaSamples, pageHooks.draws),
              std::tuple(std::string("Key"), std::string("9"), 3, draws));
    Form1.ComboBox2.index = -1;  // without a chosen light nothing is stored
    Type(Form1.Edit81, "Edit81", "5");
    EXPECT_EQ(l.intensity, 1.5);
}

TEST_F(LightsTest, AddDeleteAndChoose) {
    Add("Button4", 2);
    EXPECT_EQ(prompts.shown[1].text, "New Light: Enter light name:");
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), (std::vector<std::string>{"Light_1", "Light_2"}));
    tvector expected;
    LightPositionFromAngles({-45, 100, 0}, expected);  // the second light turned by 100 degrees
    EXPECT_NEAR(Lights[1].position.x, expected.x, 1e-12);
    EXPECT_NEAR(Lights[1].position.z, expected.z, 1e-12);
    EXPECT_EQ(Lights[1].pointAt.y, 2);
    prompts.inputAccepts = false;  // a cancelled name adds nothing
    Commands().Run("Form1.Button4");
    Lights[0].intensity = 0.25;
    Form1.ComboBox2.index = 0;
    Commands().Run("Form1.ComboBox2");
    EXPECT_EQ(std::pair(Form1.Edit80.text, Form1.Edit81.text), std::pair(std::string("Light_1"), std::string("25")));
    Commands().Run("Form1.Button2");  // the first: the new first is chosen
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(std::pair(Lights[0].name.str(), Form1.ComboBox2.index), std::pair(std::string("Light_2"), 0));
    Commands().Run("Form1.Button2");
    Commands().Run("Form1.Button2");  // nothing left: nothing happens
    EXPECT_TRUE(Lights.empty() && Form1.ComboBox2.Count() == 0 && Form1.ComboBox2.index == -1);
}

TEST_F(LightsTest, TotalAndScaleWithAndWithoutLights) {
    Form1.Edit67.text = "0.5";  // without lights both work on the headlight
    Commands().Run("Form1.Button1");
    Commands().Run("Form1.Button19");
    EXPECT_EQ(std::pair(HeadlightIntensity, Form1.Edit49.text), std::pair(0.5, std::string("50")));
    Add("Button4", 2);
    Lights[1].color = {1, 0, 0};
    Form1.Edit49.text = "200";
    Commands().Run("Form1.Button1");
    double sum = 0;
    for (const tlight& l : Lights) sum += l.intensity * Luminance(l.color.x, l.color.y, l.color.z);
    EXPECT_NEAR(sum, 2.0, 1e-9);
    const double first = Lights[0].intensity;
    Form1.Edit67.text = "zz";  // no number: 1.0
    Commands().Run("Form1.Button19");
    EXPECT_DOUBLE_EQ(Lights[0].intensity, first);
    prompts.answers = {Answer::Yes};
    Commands().Run("Form1.Button29");  // "Delete all"
    EXPECT_TRUE(prompts.shown.back().text == "Erase all lights?" && Lights.empty());
    EXPECT_EQ(std::tuple(Form1.Edit49.text, Form1.Edit67.text, HeadlightIntensity),
              std::tuple(std::string("100"), std::string("1.0"), 1.0));
}

TEST_F(LightsTest, CommandsThatWriteEditsApplyThem) {
    Add("Button4", 2);
    // "Apply to all Lights" copies the property of the popup's control only;
    // a control without one of its own copies the type.
    Form1.Edit28.text = "120";
    Form1.ComboBox25.index = LightSpot;
    for (const char* control : {"UpDown9", "Edit80"}) {
        Form1.PopupComponent = control;
        Commands().Run("Form1.ApplytoallLights1");
        EXPECT_EQ(std::pair(Lights[0].spotSpread, Lights[0].kind == LightSpot), std::pair(90.0f, control[0] == 'E'));
    }
    Commands().Run("Form1.Button13");  // "GC": position at the centre
    Commands().Run("Form1.Button17");  // "A": 0.03 of the diagonal (measured again)
    EXPECT_EQ(std::pair(Lights[1].position.z, Lights[1].areaSize), std::pair(3.0, 0.03 * Scene.extents.diagonal));
    Form1.Edit37.text = "10";
    Commands().Run("Form1.SpinButton1.Down");  // the angles: down adds 5
    EXPECT_EQ(Lights[1].elevation, 15);
    Form1.Edit39.text = "abc";  // no number: the spin does nothing
    Commands().Run("Form1.SpinButton5.Down");
    EXPECT_EQ(Form1.Edit39.text, "abc");
    for (const auto& [kind, fade] : {std::pair{LightArea, true}, {LightSpot, false}}) {
        Form1.ComboBox25.index = kind;
        Commands().Run("Form1.ComboBox25");
        EXPECT_EQ(std::pair(Form1.Edit62.enabled, Lights[1].kind), std::pair(fade, int32_t(kind)));
    }
    prompts.colorAnswers = {0x00FF00};  // chosen, then cancelled
    Commands().Run("Form1.Label150");
    Commands().Run("Form1.Label150");
    EXPECT_EQ(Lights[1].color.y, 1);
}

TEST_F(LightsTest, PresetsSaveLoadDeleteAndSurviveARestart) {
    prompts.inputAccepts = true;
    Commands().Run("Form1.Button7");  // no lights: nothing stored
    EXPECT_EQ(prompts.shown.back().text, "No lights to save as preset");
    Add("Button4", 1);
    Commands().Run("Form1.Button7");
    Add("Button4", 2);
    Lights[2].kind = LightSpot;
    Commands().Run("Form1.Button7");
    EXPECT_EQ(std::pair(Form1.ComboBox13.items.back(), Form1.ComboBox13.index),
              std::pair(std::string("Light_set_2"), 1));
    Form1.ComboBox13.index = 0;
    Commands().Run("Form1.Button21");  // the first: the second's lights move up
    Form1.ComboBox13.index = -1;
    Commands().Run("Form1.Button21");  // none chosen: nothing
    ASSERT_EQ(LightPresets.size(), 1u);
    EXPECT_EQ(std::tuple(LightPresets[0].first, LightPresets[0].count, PresetLights.size(), Lights.size()),
              std::tuple(0, 3, 3u, 3u));  // the current lights stay
    // A new run: empty lists and records, then the settings file.
    const std::string path = (dir / "settings.ini").string();
    ASSERT_TRUE(SaveSettingsTo(path));
    CreateModelLists();
    ResetOptionsToDefaults();
    ASSERT_TRUE(LoadSettingsFrom(path).applied);
    Form1.Edit67.text = "3";
    Form1.ComboBox13.index = 0;
    Commands().Run("Form1.ComboBox13");
    ASSERT_EQ(Lights.size(), 3u);
    EXPECT_EQ(std::tuple(Lights[2].name.str(), Lights[2].kind, Form1.ComboBox2.index, Form1.Edit67.text),
              std::tuple(std::string("Light_3"), int32_t(LightSpot), 2, std::string("1.0")));
}

}  // namespace
