#include <gtest/gtest.h>

#include "model/LightPanel.h"
#include "model/Model.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class LightPanelTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }
    void TearDown() override {
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
};

TEST_F(LightPanelTest, StatisticsOnlyWithoutALight) {
    Form1.Edit80.text = "keep";
    RefreshLightPanel(-1);
    RefreshLightPanel(0);
    EXPECT_EQ(Form1.Edit80.text, "keep");
    EXPECT_EQ(Form1.Edit49.text, "0");
    EXPECT_EQ(status.Lines(StatusPage::SceneLights),
              (std::vector<std::string>{"Number of lights = 0", "Min color =(0.00,0.00,0.00)",
                                        "Max color =(0.00,0.00,0.00)", "Color Sum =(0.00,0.00,0.00)"}));
}

TEST_F(LightPanelTest, ASpotLightFillsThePanel) {
    tlight l;
    NewLight(l);
    l.name = "Key";
    l.kind = LightSpot;
    l.elevation = 45.25;
    l.rotation = -10;
    l.position = {1.5, 2, -3};
    l.color = {1, 0.5, 0};
    l.intensity = 0.8;
    l.areaSamples = 4;
    l.shadow = 0;
    Lights.push_back(l);
    l.color = {0, 0, 1};
    l.intensity = 1;
    Lights.push_back(l);

    RefreshLightPanel(0);
    EXPECT_EQ(Form1.Edit80.text, "Key");
    EXPECT_EQ(Form1.Edit37.text, "45.3");  // "0.#", halves away from zero
    EXPECT_EQ(Form1.Edit53.text, "-10");
    EXPECT_EQ(Form1.Edit69.text, "1.5");
    EXPECT_EQ(Form1.Edit107.text, "-3");
    EXPECT_EQ(Form1.Edit81.text, "80");
    EXPECT_EQ(Form1.Edit28.text, "20");
    EXPECT_FALSE(Form1.CheckBox6.checked);
    EXPECT_FALSE(Form1.Edit62.enabled);  // fade distance only for area and point lights
    EXPECT_EQ(Form1.UpDown1.position, 4);
    EXPECT_EQ(Form1.Edit30.text, "16");
    EXPECT_EQ(Form1.ComboBox25.index, 1);
    EXPECT_EQ(Form1.Label150.color, 0x0080FF);

    // Sum (0.8, 0.4, 1): luminance 0.24 + 0.236 + 0.11.
    EXPECT_EQ(Form1.Edit49.text, "58.6");
    const auto& page = status.Lines(StatusPage::SceneLights);
    ASSERT_EQ(page.size(), 4u);
    EXPECT_EQ(page[0], "Number of lights = 2");
    EXPECT_EQ(page[1], "Min color =(0.00,0.00,0.00)");
    EXPECT_EQ(page[2], "Max color =(0.80,0.40,1.00)");
    EXPECT_EQ(page[3], "Color Sum =(0.80,0.40,1.00)");

    Lights[1].kind = LightPoint;
    RefreshLightPanel(1);
    EXPECT_TRUE(Form1.Edit62.enabled);
}

}  // namespace
