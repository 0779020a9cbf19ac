// The "Placeholders" group of the Preview tab, driven through the dispatcher.
#include "PreviewPageFixtures.h"
#include "model/TextConv.h"

namespace {

class PlaceholdersTest : public PreviewPageTest {
protected:
    void AddPlaceholders(int n) {
        prompts.inputAccepts = true;
        for (int i = 0; i < n; ++i) Commands().Run("Form1.Button26");
    }
    const tplaceholder& Shape(std::size_t i) const { return Placeholders.at(i); }
};

TEST_F(PlaceholdersTest, EditsStoreCleanNumbers) {
    AddPlaceholders(1);
    const double tiny = 0.0001 * Scene.extents.diagonal;
    const struct {
        tedit* edit;
        const char* name;
        const char* text;
        double (*field)(const tplaceholder&);
        double expected;
    } cases[] = {
        {&Form1.Edit72, "Edit72", "-2", [](const tplaceholder& p) { return p.size.x; }, 2},
        {&Form1.Edit73, "Edit73", "", [](const tplaceholder& p) { return p.size.y; }, tiny},
        {&Form1.Edit75, "Edit75", "abc", [](const tplaceholder& p) { return p.size.z; }, tiny},
        {&Form1.Edit75, "Edit75", "0", [](const tplaceholder& p) { return p.size.z; }, tiny},
        {&Form1.Edit75, "Edit75", "0,5", [](const tplaceholder& p) { return p.size.z; }, 0.5},
        {&Form1.Edit76, "Edit76", "abc", [](const tplaceholder& p) { return p.position.x; }, 0},
        {&Form1.Edit78, "Edit78", "-4.25", [](const tplaceholder& p) { return p.position.z; }, -4.25},
        {&Form1.Edit83, "Edit83", "x", [](const tplaceholder& p) { return p.rotation.x; }, 0},
        {&Form1.Edit85, "Edit85", "1e400", [](const tplaceholder& p) { return p.rotation.z; }, 0},
        {&Form1.Edit84, "Edit84", "30", [](const tplaceholder& p) { return p.rotation.y; }, 30},
    };
    for (const auto& c : cases) {
        const int before = pageHooks.draws;
        Type(*c.edit, c.name, c.text);
        EXPECT_DOUBLE_EQ(c.field(Shape(0)), c.expected) << c.name << " = \"" << c.text << "\"";
        EXPECT_GT(pageHooks.draws, before) << c.name;
    }
    // The name is stored with its selector line, without a redraw.
    const int before = pageHooks.draws;
    Type(Form1.Edit79, "Edit79", "Table");
    EXPECT_EQ(Shape(0).name, "Table");
    EXPECT_EQ(Form1.ComboBox7.items[0], "Table");
    EXPECT_EQ(pageHooks.draws, before);
    // The swatch.
    prompts.colorAnswers = {0x123456};
    Commands().Run("Form1.Label149");
    EXPECT_EQ(Shape(0).color, 0x123456);
}

TEST_F(PlaceholdersTest, AddDeleteSelectAndRetype) {
    AddPlaceholders(1);
    EXPECT_EQ(prompts.shown[0].text, "New Placeholder: Enter Placeholder name:");
    EXPECT_EQ(Shape(0).name, "Shape_1");
    AddPlaceholders(2);
    ASSERT_EQ(Placeholders.size(), 3u);
    EXPECT_EQ(Form1.ComboBox7.index, 2);
    EXPECT_EQ(Form1.Edit79.text, "Shape_3");
    EXPECT_EQ(Shape(2).position.y, 2);  // at the model's centre

    Form1.ComboBox7.index = 0;
    Commands().Run("Form1.Button27");
    ASSERT_EQ(Placeholders.size(), 2u);
    EXPECT_EQ(Shape(0).name, "Shape_2");
    EXPECT_EQ(Form1.ComboBox7.index, 0);
    EXPECT_EQ(Form1.Edit79.text, "Shape_2");

    Placeholders[1].size.x = 7;
    Form1.ComboBox7.index = 1;
    Commands().Run("Form1.ComboBox7");
    EXPECT_EQ(Form1.Edit72.text, "7");

    // The type names the size edits.
    const struct {
        int32_t kind;
        const char* first;
        const char* third;
    } types[] = {{1, "X size:", "Z size:"}, {2, "Dia 1:", "Height:"}, {0, "Width:", "Depth:"}};
    for (const auto& t : types) {
        Form1.ComboBox9.index = t.kind;
        Commands().Run("Form1.ComboBox9");
        EXPECT_EQ(Shape(1).kind, t.kind);
        EXPECT_EQ(Form1.Label132.caption, t.first);
        EXPECT_EQ(Form1.Label134.caption, t.third);
    }

    // A cancelled name adds nothing.
    prompts.inputAccepts = false;
    Commands().Run("Form1.Button26");
    EXPECT_EQ(Placeholders.size(), 2u);
}

TEST_F(PlaceholdersTest, SpinButtonsAndLockRatio) {
    AddPlaceholders(1);
    Form1.Edit72.text = "1";
    Form1.Edit73.text = "2";
    Form1.Edit75.text = "3";
    Commands().Run("Form1.SpinButton9.Up");
    EXPECT_DOUBLE_EQ(Shape(0).size.z, 3.001);
    EXPECT_DOUBLE_EQ(Shape(0).size.x, 1);
    Form1.CheckBox56.checked = true;
    Commands().Run("Form1.SpinButton9.Up");
    EXPECT_DOUBLE_EQ(Shape(0).size.x, 1.001);
    EXPECT_DOUBLE_EQ(Shape(0).size.y, 2.001);
    EXPECT_DOUBLE_EQ(Shape(0).size.z, 3.002);
    Form1.Edit84.text = "10";
    Commands().Run("Form1.SpinButton14.Down");
    EXPECT_EQ(Form1.Edit84.text, "5");
    EXPECT_DOUBLE_EQ(Shape(0).rotation.y, 5);
    Form1.Edit77.text = "?";
    Commands().Run("Form1.SpinButton11.Up");
    EXPECT_EQ(Form1.Edit77.text, "?");
}

TEST_F(PlaceholdersTest, PlacingCommands) {
    // Nothing to place: no record, nothing changes.
    Form1.Edit77.text = "8";
    Commands().Run("Form1.Button36");
    Commands().Run("Form1.Button63");
    EXPECT_EQ(Form1.Edit77.text, "8");

    AddPlaceholders(1);
    Type(Form1.Edit73, "Edit73", "4");
    Commands().Run("Form1.Button63");  // "drop 2": standing on y = 0
    EXPECT_DOUBLE_EQ(Shape(0).position.y, 2);
    Commands().Run("Form1.Button36");  // "drop 1": right below the model
    EXPECT_DOUBLE_EQ(Shape(0).position.y, -4);
    Form1.Edit76.text = "9";
    Commands().Run("Form1.Button64");  // "center"
    EXPECT_DOUBLE_EQ(Shape(0).position.x, 1);
    EXPECT_DOUBLE_EQ(Shape(0).position.z, 3);

    // No selection: the edit handlers and drops leave the records alone.
    Form1.ComboBox7.index = -1;
    const tplaceholder before = Shape(0);
    Type(Form1.Edit72, "Edit72", "12");
    Commands().Run("Form1.Button63");
    Commands().Run("Form1.Button27");
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(Shape(0).size.x, before.size.x);
    EXPECT_EQ(Shape(0).position.y, before.position.y);
}

}  // namespace
