// The "Placeholders" group of the Preview tab, driven through the dispatcher.
#include "PreviewPageFixtures.h"

namespace {

using PlaceholdersTest = PreviewPageTest;

TEST_F(PlaceholdersTest, EditsStoreCleanNumbers) {
    Add("Button26", 1);
    const tplaceholder& p = Placeholders[0];
    const double tiny = 0.0001 * Scene.extents.diagonal;
    CheckEdits({
        {&Form1.Edit72, "Edit72", "-2", &p.size.x, 2},        {&Form1.Edit73, "Edit73", "", &p.size.y, tiny},
        {&Form1.Edit75, "Edit75", "abc", &p.size.z, tiny},    {&Form1.Edit75, "Edit75", "0,5", &p.size.z, 0.5},
        {&Form1.Edit76, "Edit76", "abc", &p.position.x, 0},   {&Form1.Edit83, "Edit83", "x", &p.rotation.x, 0},
        {&Form1.Edit85, "Edit85", "1e400", &p.rotation.z, 0}, {&Form1.Edit84, "Edit84", "30", &p.rotation.y, 30},
    });
    Type(Form1.Edit79, "Edit79", "Table");  // the name with its selector line
    EXPECT_EQ(std::pair(p.name.str(), Form1.ComboBox7.items[0]), std::pair(std::string("Table"), std::string("Table")));
    prompts.colorAnswers = {0x123456};
    Commands().Run("Form1.Label149");
    EXPECT_EQ(p.color, 0x123456);
}

TEST_F(PlaceholdersTest, AddDeleteSelectAndRetype) {
    Add("Button26", 3);
    EXPECT_EQ(prompts.shown[0].text, "New Placeholder: Enter Placeholder name:");
    EXPECT_EQ(Form1.ComboBox7.items, (std::vector<std::string>{"Shape_1", "Shape_2", "Shape_3"}));
    EXPECT_EQ(std::pair(Form1.ComboBox7.index, Form1.Edit79.text), std::pair(2, std::string("Shape_3")));
    Form1.ComboBox7.index = 0;
    Commands().Run("Form1.Button27");  // the first: the new first is chosen and shown
    EXPECT_EQ(std::tuple(Placeholders.size(), Form1.ComboBox7.index, Form1.Edit79.text),
              std::tuple(2u, 0, std::string("Shape_2")));
    // The type names the size edits.
    for (const auto& [kind, first, third] : {std::tuple{1, "X size:", "Z size:"}, {2, "Dia 1:", "Height:"}}) {
        Form1.ComboBox9.index = kind;
        Commands().Run("Form1.ComboBox9");
        EXPECT_EQ(std::tuple(int(Placeholders[0].kind), Form1.Label132.caption, Form1.Label134.caption),
                  std::tuple(kind, std::string(first), std::string(third)));
    }
}

TEST_F(PlaceholdersTest, SpinButtonsLockRatioAndPlacing) {
    Form1.Edit77.text = "8";  // nothing to place: nothing changes
    Commands().Run("Form1.Button36");
    Commands().Run("Form1.Button63");
    EXPECT_EQ(Form1.Edit77.text, "8");
    Add("Button26", 1);
    const tplaceholder& p = Placeholders[0];
    Form1.Edit72.text = "1";
    Form1.Edit73.text = "4";
    Form1.Edit75.text = "3";
    Commands().Run("Form1.SpinButton9.Up");
    Form1.CheckBox56.checked = true;  // "Lock ratio": all three
    Commands().Run("Form1.SpinButton9.Up");
    EXPECT_EQ(std::tuple(p.size.x, p.size.y, p.size.z), std::tuple(1.001, 4.001, 3.002));
    Form1.Edit84.text = "10";
    Commands().Run("Form1.SpinButton14.Down");
    EXPECT_EQ(p.rotation.y, 5);
    Type(Form1.Edit73, "Edit73", "4");
    Commands().Run("Form1.Button63");  // "drop 2": standing on y = 0
    EXPECT_DOUBLE_EQ(p.position.y, 2);
    Commands().Run("Form1.Button36");  // "drop 1": right below the model
    EXPECT_DOUBLE_EQ(p.position.y, -4);
    Commands().Run("Form1.Button64");  // "center"
    EXPECT_EQ(std::tuple(p.position.x, p.position.y, p.position.z), std::tuple(1.0, 2.0, 3.0));
    // No selection: the edit handlers, drops and "-" leave the records alone.
    Form1.ComboBox7.index = -1;
    Type(Form1.Edit72, "Edit72", "12");
    Commands().Run("Form1.Button63");
    Commands().Run("Form1.Button27");
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(std::pair(p.size.x, p.position.y), std::pair(1.001, 2.0));
}

}  // namespace
