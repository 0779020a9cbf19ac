#include <gtest/gtest.h>

#include "model/Model.h"
#include "model/PlaceholderPanel.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class PlaceholderPanelTest : public fixtures::ModelTest {
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

TEST_F(PlaceholderPanelTest, ShowsTheRecordWithTheCaptionsOfItsKind) {
    tplaceholder p;
    NewPlaceholder(p);
    p.kind = PlaceholderCylinder;
    p.size = {0.5, 0.25, 1.23456};
    p.position = {-1, 2.5, 0};
    p.rotation = {90, 0, -12.5};
    p.color = 0x336699;
    p.name = "Cone";
    Placeholders.push_back(p);
    p.kind = PlaceholderBall;
    Placeholders.push_back(p);

    RefreshPlaceholderPanel(0);
    EXPECT_EQ(Form1.ComboBox9.index, 2);
    EXPECT_EQ(Form1.Label132.caption, "Dia 1:");
    EXPECT_EQ(Form1.Label133.caption, "Dia 2:");
    EXPECT_EQ(Form1.Label134.caption, "Height:");
    EXPECT_EQ(Form1.Edit72.text, "0.5");
    EXPECT_EQ(Form1.Edit75.text, "1.2346");
    EXPECT_EQ(Form1.Edit76.text, "-1");
    EXPECT_EQ(Form1.Edit85.text, "-12.5");
    EXPECT_EQ(Form1.Label149.color, 0x336699);
    EXPECT_EQ(Form1.Edit79.text, "Cone");

    RefreshPlaceholderPanel(1);
    EXPECT_EQ(Form1.Label132.caption, "X size:");
    EXPECT_EQ(Form1.Label134.caption, "Z size:");

    // No such placeholder: the panel stays as it is.
    RefreshPlaceholderPanel(-1);
    RefreshPlaceholderPanel(2);
    EXPECT_EQ(Form1.ComboBox9.index, 1);
    EXPECT_EQ(Form1.Label132.caption, "X size:");
}

}  // namespace
