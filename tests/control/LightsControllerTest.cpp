// The "Lights" group of the Preview tab and its presets, driven through the
// dispatcher as the window drives it.
#include <cmath>
#include <fstream>

#include "PreviewPageFixtures.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "ui/core/Settings.h"

namespace {

class LightsTest : public PreviewPageTest {
protected:
    // Adds a light through "+" with the proposed name.
    void AddLight() {
        prompts.inputAccepts = true;
        Commands().Run("Form1.Button4");
    }
    const tlight& Light(std::size_t i) const { return Lights.at(i); }
};

TEST_F(LightsTest, BadOrOutOfRangeTextFallsBackAsThePanelPromises) {
    AddLight();
    const struct {
        tedit* edit;
        const char* name;
        const char* text;
        double (*field)(const tlight&);
        double expected;
    } cases[] = {
        {&Form1.Edit81, "Edit81", "abc", [](const tlight& l) { return l.intensity; }, 1.0},
        {&Form1.Edit81, "Edit81", "", [](const tlight& l) { return l.intensity; }, 1.0},
        {&Form1.Edit81, "Edit81", "150", [](const tlight& l) { return l.intensity; }, 1.5},
        {&Form1.Edit28, "Edit28", "120", [](const tlight& l) { return double(l.spotSpread); }, 90},
        {&Form1.Edit28, "Edit28", "-5", [](const tlight& l) { return double(l.spotSpread); }, 0},
        {&Form1.Edit27, "Edit27", "-3", [](const tlight& l) { return double(l.spotTightness); }, 0},
        {&Form1.Edit27, "Edit27", "500", [](const tlight& l) { return double(l.spotTightness); }, 128},
        {&Form1.Edit62, "Edit62", "0", [](const tlight& l) { return l.fadeDistance; }, 0.05},
        {&Form1.Edit62, "Edit62", "x", [](const tlight& l) { return l.fadeDistance; }, 0.05},
        {&Form1.Edit62, "Edit62", "2,5", [](const tlight& l) { return l.fadeDistance; }, 2.5},
        {&Form1.Edit3, "Edit3", "x", [](const tlight& l) { return l.areaSize; }, 1.0},
        {&Form1.Edit69, "Edit69", "1e999", [](const tlight& l) { return l.position.x; }, 0},
        {&Form1.Edit94, "Edit94", "nan", [](const tlight& l) { return l.position.y; }, 0},
        {&Form1.Edit40, "Edit40", "-7.5", [](const tlight& l) { return l.pointAt.z; }, -7.5},
        {&Form1.Edit37, "Edit37", "inf", [](const tlight& l) { return l.elevation; }, 0},
    };
    for (const auto& c : cases) {
        const int before = pageHooks.draws;
        Type(*c.edit, c.name, c.text);
        EXPECT_DOUBLE_EQ(c.field(Light(0)), c.expected) << c.name << " = \"" << c.text << "\"";
        EXPECT_GT(pageHooks.draws, before) << c.name;
    }
    // Name, shadow, jitter and density are stored without a redraw.
    const int before = pageHooks.draws;
    Type(Form1.Edit80, "Edit80", std::string(150, 'k'));
    EXPECT_EQ(Light(0).name.size(), 100u);
    EXPECT_EQ(Form1.ComboBox2.items[0], std::string(100, 'k'));
    Form1.CheckBox6.checked = false;
    Commands().Run("Form1.CheckBox6");
    EXPECT_EQ(Light(0).shadow, 0);
    Form1.UpDown1.position = 3;
    Commands().Run("Form1.UpDown1");
    EXPECT_EQ(Form1.Edit30.text, "9");
    EXPECT_EQ(Light(0).areaSamples, 3);
    EXPECT_EQ(pageHooks.draws, before);
}

TEST_F(LightsTest, EditsWithoutASelectedLightChangeNothing) {
    AddLight();
    Form1.ComboBox2.index = -1;
    const tlight before = Light(0);
    Type(Form1.Edit81, "Edit81", "5");
    Type(Form1.Edit80, "Edit80", "Other");
    EXPECT_EQ(Light(0).intensity, before.intensity);
    EXPECT_EQ(Light(0).name, before.name);
}

TEST_F(LightsTest, AddAndDeleteLights) {
    // "+" proposes the next number and places the light by its angles.
    AddLight();
    AddLight();
    ASSERT_EQ(Lights.size(), 2u);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "New Light: Enter light name:");
    EXPECT_EQ(Light(0).name, "Light_1");
    EXPECT_EQ(Light(1).name, "Light_2");
    EXPECT_EQ(Form1.ComboBox2.items, (std::vector<std::string>{"Light_1", "Light_2"}));
    EXPECT_EQ(Form1.ComboBox2.index, 1);
    EXPECT_EQ(Light(1).elevation, -45);
    EXPECT_EQ(Light(1).rotation, 100);
    tvector expected;
    LightPositionFromAngles({-45, 100, 0}, expected);
    EXPECT_NEAR(Light(1).position.x, expected.x, 1e-12);
    EXPECT_NEAR(Light(1).position.z, expected.z, 1e-12);
    EXPECT_EQ(Light(1).pointAt.y, 2);
    EXPECT_EQ(Form1.Edit80.text, "Light_2");  // the panel shows the new light

    // A cancelled name adds nothing.
    prompts.inputAccepts = false;
    Commands().Run("Form1.Button4");
    EXPECT_EQ(Lights.size(), 2u);

    // "-" on the first selects the new first; on the only one empties the list.
    Form1.ComboBox2.index = 0;
    Commands().Run("Form1.Button2");
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Light(0).name, "Light_2");
    EXPECT_EQ(Form1.ComboBox2.index, 0);
    Commands().Run("Form1.Button2");
    EXPECT_TRUE(Lights.empty());
    EXPECT_TRUE(Form1.ComboBox2.items.empty());
    EXPECT_EQ(Form1.ComboBox2.index, -1);
    Commands().Run("Form1.Button2");  // nothing left: nothing happens
}

TEST_F(LightsTest, TotalAndScaleWithAndWithoutLights) {
    // Without lights both fields work on the headlight.
    Type(Form1.Edit49, "Edit49", "100");
    Commands().Run("Form1.Button1");
    Form1.Edit67.text = "0.5";
    Commands().Run("Form1.Button19");
    EXPECT_DOUBLE_EQ(HeadlightIntensity, 0.5);
    EXPECT_EQ(Form1.Edit49.text, "50");
    Form1.Edit67.text = "zz";  // not a number: 1.0
    Commands().Run("Form1.Button19");
    EXPECT_DOUBLE_EQ(HeadlightIntensity, 0.5);

    // With lights the total sets the luminance of their sum.
    AddLight();
    AddLight();
    Lights[1].color = {1, 0, 0};
    Form1.Edit49.text = "200";
    Commands().Run("Form1.Button1");
    double sum = 0;
    for (const tlight& l : Lights) sum += l.intensity * Luminance(l.color.x, l.color.y, l.color.z);
    EXPECT_NEAR(sum, 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(HeadlightIntensity, 0.5);
    const double first = Light(0).intensity;
    Form1.Edit67.text = "2";
    Commands().Run("Form1.Button19");
    EXPECT_DOUBLE_EQ(Light(0).intensity, 2 * first);

    // "Delete all" asks; No keeps the lights, Yes resets the fields.
    prompts.answers = {Answer::No, Answer::Yes};
    Commands().Run("Form1.Button29");
    EXPECT_EQ(Lights.size(), 2u);
    Commands().Run("Form1.Button29");
    EXPECT_TRUE(Lights.empty());
    EXPECT_EQ(prompts.shown.back().text, "Erase all lights?");
    EXPECT_EQ(Form1.Edit49.text, "100");
    EXPECT_EQ(Form1.Edit67.text, "1.0");
    EXPECT_DOUBLE_EQ(HeadlightIntensity, 1.0);
}

TEST_F(LightsTest, ApplyToAllCopiesOnlyThePropertyOfThePopupsControl) {
    AddLight();
    AddLight();
    Lights[0].spotSpread = 10;
    Lights[0].areaSamples = 4;
    const struct {
        const char* control;
        void (*set)();
        bool (*check)(const tlight&);
    } cases[] = {
        {"Edit28", [] { Form1.Edit28.text = "120"; }, [](const tlight& l) { return l.spotSpread == 90; }},
        {"UpDown1", [] { Form1.UpDown1.position = 5; }, [](const tlight& l) { return l.areaSamples == 5; }},
        {"Label150", [] { Form1.Label150.color = 0x0000FF; },
         [](const tlight& l) { return l.color.x == 1 && l.color.y == 0 && l.color.z == 0; }},
        {"Edit62", [] { Form1.Edit62.text = "-1"; }, [](const tlight& l) { return l.fadeDistance == 0.05; }},
        {"Edit80", [] { Form1.ComboBox25.index = LightSpot; }, [](const tlight& l) { return l.kind == LightSpot; }},
    };
    for (const auto& c : cases) {
        const std::vector<tlight> before = Lights;
        c.set();
        Form1.PopupComponent = c.control;
        Commands().Run("Form1.ApplytoallLights1");
        for (const tlight& l : Lights) EXPECT_TRUE(c.check(l)) << c.control;
        EXPECT_EQ(Lights[0].name, before[0].name) << c.control;
        EXPECT_EQ(Lights[0].position.x, before[0].position.x) << c.control;
    }
}

TEST_F(LightsTest, ButtonsThatWriteEditsApplyThemToTheLight) {
    AddLight();
    Commands().Run("Form1.Button13");  // "GC": position at the centre
    EXPECT_EQ(Light(0).position.x, 1);
    EXPECT_EQ(Light(0).position.z, 3);
    Form1.Edit38.text = "9";
    Commands().Run("Form1.Button42");  // "GC": target at the centre
    EXPECT_EQ(Light(0).pointAt.x, 1);
    Commands().Run("Form1.Button17");  // "A": 0.03 of the diagonal
    EXPECT_EQ(Form1.Edit3.text, FloatToText(0.03 * Scene.extents.diagonal));
    EXPECT_DOUBLE_EQ(Light(0).areaSize, TextToFloat(Form1.Edit3.text));

    // Spin buttons: the angles turn by 5 (down adds), positions by 0.001.
    Form1.Edit37.text = "10";
    Commands().Run("Form1.SpinButton1.Down");
    EXPECT_EQ(Form1.Edit37.text, "15");
    Commands().Run("Form1.SpinButton1.Up");
    Commands().Run("Form1.SpinButton1.Up");
    EXPECT_EQ(Light(0).elevation, 5);
    Form1.Edit107.text = "1";
    Commands().Run("Form1.SpinButton20.Up");
    EXPECT_DOUBLE_EQ(Light(0).position.z, 1.001);
    Form1.Edit39.text = "abc";  // no number: the spin does nothing
    Commands().Run("Form1.SpinButton5.Down");
    EXPECT_EQ(Form1.Edit39.text, "abc");

    // The type decides whether the fade distance can be edited.
    for (const auto& [kind, enabled] : {std::pair{LightArea, true}, {LightSpot, false}, {LightPoint, true}}) {
        Form1.ComboBox25.index = kind;
        Commands().Run("Form1.ComboBox25");
        EXPECT_EQ(Form1.Edit62.enabled, enabled) << kind;
        EXPECT_EQ(Light(0).kind, kind);
    }

    // The swatch: a chosen colour is applied, a cancelled dialog changes nothing.
    prompts.colorAnswers = {0x00FF00};
    Commands().Run("Form1.Label150");
    EXPECT_EQ(Light(0).color.y, 1);
    EXPECT_EQ(Light(0).color.x, 0);
    Commands().Run("Form1.Label150");
    EXPECT_EQ(Light(0).color.y, 1);
}

TEST_F(LightsTest, ChoosingALightFillsThePanel) {
    AddLight();
    AddLight();
    Lights[0].intensity = 0.25;
    Form1.ComboBox2.index = 0;
    Commands().Run("Form1.ComboBox2");
    EXPECT_EQ(Form1.Edit80.text, "Light_1");
    EXPECT_EQ(Form1.Edit81.text, "25");
}

TEST_F(LightsTest, PresetsSaveLoadAndDelete) {
    prompts.inputAccepts = true;
    Commands().Run("Form1.Button7");  // no lights: nothing stored
    EXPECT_EQ(prompts.shown.back().text, "No lights to save as preset");
    EXPECT_TRUE(Form1.ComboBox13.items.empty());

    AddLight();
    Commands().Run("Form1.Button7");  // Light_set_1: one light
    AddLight();
    AddLight();
    Commands().Run("Form1.Button7");  // Light_set_2: three lights
    ASSERT_EQ(LightPresets.size(), 2u);
    EXPECT_EQ(Form1.ComboBox13.items, (std::vector<std::string>{"Light_set_1", "Light_set_2"}));
    EXPECT_EQ(Form1.ComboBox13.index, 1);
    EXPECT_EQ(PresetLights.size(), 4u);

    Form1.ComboBox13.index = 0;
    Commands().Run("Form1.Button21");
    ASSERT_EQ(LightPresets.size(), 1u);
    EXPECT_EQ(LightPresets[0].first, 0);
    EXPECT_EQ(LightPresets[0].count, 3);
    EXPECT_EQ(Form1.ComboBox13.index, 0);
    EXPECT_EQ(Lights.size(), 3u);  // the current lights stay

    Commands().Run("Form1.Button29");  // "Delete all" answered No: keep them
    Form1.Edit67.text = "3";
    Lights.pop_back();
    Commands().Run("Form1.ComboBox13");
    ASSERT_EQ(Lights.size(), 3u);
    EXPECT_EQ(Light(2).name, "Light_3");
    EXPECT_EQ(Form1.ComboBox2.index, 2);
    EXPECT_EQ(Form1.Edit80.text, "Light_3");
    EXPECT_EQ(Form1.Edit67.text, "1.0");

    // No selection, or nothing left, deletes nothing.
    Form1.ComboBox13.index = -1;
    Commands().Run("Form1.Button21");
    EXPECT_EQ(LightPresets.size(), 1u);
    Form1.ComboBox13.index = 0;
    Commands().Run("Form1.Button21");
    Commands().Run("Form1.Button21");
    EXPECT_TRUE(LightPresets.empty());
    EXPECT_TRUE(PresetLights.empty());
    EXPECT_EQ(Form1.ComboBox13.index, -1);
}

TEST_F(LightsTest, LightsFromADazStudioScriptKeepTheLightsWhenItHasNone) {
    AddLight();
    const std::string script = (dir / "empty.ds").string();
    std::ofstream(script) << "// no lights\n";
    prompts.fileAnswers = {{script}};
    Commands().Run("Form1.BitBtn8");
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].filter, "Poser or DAZ Studio files (*.pz3;*.pzz;*.ds)|*.PZ3;*.PZZ;*.DS");
    EXPECT_EQ(status.Lines(StatusPage::Messages).back(), "<!> No lights found");
    EXPECT_EQ(Lights.size(), 1u);
}

TEST_F(LightsTest, PresetsSurviveARestartThroughTheSettingsFile) {
    AddLight();
    AddLight();
    Lights[1].color = {0.5, 0.25, 1};
    Lights[1].kind = LightSpot;
    prompts.inputAccepts = true;
    Commands().Run("Form1.Button7");
    const std::string path = (dir / "settings.ini").string();
    ASSERT_TRUE(SaveSettingsTo(path));

    // A new run: empty lists and records, then the file.
    CreateModelLists();
    ResetOptionsToDefaults();
    ASSERT_TRUE(LoadSettingsFrom(path).applied);
    ASSERT_EQ(Form1.ComboBox13.items, (std::vector<std::string>{"Light_set_1"}));
    Form1.ComboBox13.index = 0;
    Commands().Run("Form1.ComboBox13");
    ASSERT_EQ(Lights.size(), 2u);
    EXPECT_EQ(Light(1).name, "Light_2");
    EXPECT_EQ(Light(1).kind, LightSpot);
    EXPECT_DOUBLE_EQ(Light(1).color.y, 0.25);
}

}  // namespace
