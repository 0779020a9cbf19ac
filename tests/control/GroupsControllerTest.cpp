// The Groups tab's commands driven through the dispatcher: the group list's
// links, the flag menu, renaming, "Update", the interlocks of the geometry
// controls and the regrouping commands of both tabs.
#include "PageFixtures.h"
#include "model/ModelCheck.h"
#include "model/ModelLists.h"

namespace {

class GroupsControllerTest : public PageTest {};

TEST_F(GroupsControllerTest, ALinkTogglesItsFlagMarksTheGroupAndRebuildsItsLine) {
    LoadTwoFaces();
    const struct {
        const char* anchor;
        uint8_t visible, shadow;
        const char* line;
    } clicks[] = {
        {"visible", 0, 1, R"(<A href="notvis"><IMG src="idx:59"></A> <A href="shadow"><IMG src="idx:58"></A> wheels)"},
        {"shadow", 0, 0, R"(<A href="notvis"><IMG src="idx:59"></A> <A href="noshad"><IMG src="idx:57"></A> wheels)"},
        {"notvis", 1, 0, R"(<A href="visible"><IMG src="idx:25"></A> <A href="noshad"><IMG src="idx:57"></A> wheels)"},
        {"noshad", 1, 1, R"(<A href="visible"><IMG src="idx:25"></A> <A href="shadow"><IMG src="idx:58"></A> wheels)"},
        {"elsewhere", 1, 1, R"(<A href="visible"><IMG src="idx:25"></A> <A href="shadow"><IMG src="idx:58"></A> wheels)"},
    };
    for (const auto& c : clicks) {
        SceneGroups[1].changed = 0;
        Form1.HtmlListBox1.clickedItem = 1;
        Form1.HtmlListBox1.clickedAnchor = c.anchor;
        Commands().Run("Form1.HtmlListBox1.AnchorClick");
        EXPECT_EQ(SceneGroups[1].visible, c.visible) << c.anchor;
        EXPECT_EQ(SceneGroups[1].castsShadow, c.shadow) << c.anchor;
        EXPECT_EQ(SceneGroups[1].changed, 1) << c.anchor;
        EXPECT_EQ(Form1.HtmlListBox1.items[1], c.line);
    }
    EXPECT_EQ(SceneGroups[0].changed, 0);
    EXPECT_EQ(page.lists, 0);  // the preview follows at the next rebuild
}

TEST_F(GroupsControllerTest, FlagMenuSetsEveryGroupAndOnlyVisibilityMarksThemChanged) {
    LoadTwoFaces();
    SceneGroups[1].visible = 0;
    SceneGroups[0].castsShadow = 0;
    // After each entry: visible, casts shadow and changed of the two groups.
    const std::pair<const char*, const char*> entries[] = {
        {"Form1.Invert1", "001 111"},          {"Form1.Invertshadowflag1", "010 100"},
        {"Form1.Applythistoallgroups1", "111 101"}, {"Form1.Allinvisible1", "011 001"},
        {"Form1.Allcastshadow1", "010 010"},   {"Form1.a1", "000 000"}};
    for (const auto& [item, flags] : entries) {
        for (tgroup& g : SceneGroups) g.changed = 0;
        Commands().Run(item);
        std::string shown;
        for (const tgroup& g : SceneGroups)
            shown += std::string(shown.empty() ? "" : " ") + char('0' + g.visible) + char('0' + g.castsShadow) +
                     char('0' + g.changed);
        EXPECT_EQ(shown, flags) << item;
        EXPECT_EQ(Form1.HtmlListBox1.items[1], GroupListLine(SceneGroups[1])) << item;
    }
    // "None casts shadow" marked nothing: the materials' "Update" rebuilds nothing.
    Commands().Run("Form1.ToolButton4");
    EXPECT_EQ(page.lists, 0);
    EXPECT_EQ(page.draws, 1);
    // A hidden group does rebuild the lists at the next "Update".
    Commands().Run("Form1.Allinvisible1");
    Commands().Run("Form1.Applythistoallgroups1");
    Commands().Run("Form1.ToolButton4");
    EXPECT_EQ(page.lists, 1);
    EXPECT_TRUE(Logged("Selected geometry changed. Rebuilding Display List..."));
}

TEST_F(GroupsControllerTest, RenameRefusesBlankAndOtherGroupsNames) {
    LoadTwoFaces();
    Form1.HtmlListBox1.index = 0;
    const struct {
        const char* answer;
        const char* name;
        bool refused;
    } steps[] = {{" wheels", "body", true}, {"   ", "body", true}, {"body", "body", false}, {" chassis ", "chassis", false}};
    for (const auto& s : steps) {
        prompts.shown.clear();
        prompts.inputAnswers = {s.answer};
        Commands().Run("Form1.HtmlListBox1.DblClick");
        EXPECT_EQ(SceneGroups[0].name, s.name) << s.answer;
        EXPECT_EQ(prompts.shown.size(), s.refused ? 2u : 1u) << s.answer;
        if (s.refused) {
            EXPECT_EQ(prompts.shown.back().text, "Cannot have blank or repeated names");
        }
    }
    EXPECT_EQ(prompts.shown[0].text, "Edit group name: Name:");
    EXPECT_NE(Form1.HtmlListBox1.items[0].find("> chassis"), std::string::npos);
}

TEST_F(GroupsControllerTest, WeldAndSplitExcludeEachOtherAndNormalsEnableTheCreaseAngle) {
    Form1.CheckBox24.checked = true;
    Commands().Run("Form1.CheckBox24");
    EXPECT_TRUE(Form1.CheckBox32.checked);  // welding also calculates normals
    EXPECT_TRUE(Form1.Edit57.enabled && Form1.UpDown7.enabled && Form1.ComboBox23.enabled);
    EXPECT_TRUE(Form1.Button46.enabled && Form1.Edit58.enabled);

    Form1.CheckBox15.checked = true;
    Commands().Run("Form1.CheckBox15");
    EXPECT_FALSE(Form1.CheckBox24.checked);
    EXPECT_FALSE(Form1.Edit58.enabled);
    EXPECT_TRUE(Form1.RadioButton22.enabled);

    Form1.CheckBox24.checked = true;
    Commands().Run("Form1.CheckBox24");
    EXPECT_FALSE(Form1.CheckBox15.checked);

    Commands().Run("Form1.Button46");
    EXPECT_EQ(Form1.Edit57.text, "0");
    Commands().Run("Form1.Button47");
    EXPECT_EQ(Form1.UpDown7.position, 180);
    EXPECT_EQ(Form1.Edit57.text, "180");

    SetControlValue(*FindControl("Form1.RadioButton6"), "1");
    Commands().Run("Form1.RadioButton6");
    EXPECT_FALSE(Form1.CheckBox77.enabled);
    EXPECT_TRUE(Form1.CheckBox28.enabled);
}

TEST_F(GroupsControllerTest, ResetValuesPutsTheSubPagesBackWithTheStatesTheirHandlersSet) {
    SetControlValue(*FindControl("Form1.RadioButton6"), "1");
    Form1.CheckBox32.checked = Form1.CheckBox24.checked = Form1.Edit57.enabled = Form1.Edit58.enabled = true;
    Form1.CheckBox77.enabled = false;
    Form1.Edit54.text = "missing.png";
    Form1.Edit95.text = "42.6";  // the Input tab's crease angle
    Commands().Run("Form1.ToolButton25");
    EXPECT_TRUE(Form1.RadioButton7.checked && Form1.CheckBox77.enabled);
    EXPECT_FALSE(Form1.CheckBox32.checked || Form1.CheckBox24.checked || Form1.Edit57.enabled || Form1.Edit58.enabled);
    EXPECT_EQ(Form1.Edit57.text, "43");
    EXPECT_EQ(Form1.Edit54.color, clNone);
    EXPECT_EQ(page.thumbnails["Image2"], "message 0");
}

TEST_F(GroupsControllerTest, CentreAndReferencePointButtonsReadTheExtents) {
    fixtures::AddCube(2.0, {4, 6, -2});
    CountFacesPerGroupAndMaterial();
    Scene.extents.center = {9, 9, 9};  // "Geometry Center" copies what is stored
    Commands().Run("Form1.Button48");
    EXPECT_EQ(Form1.Edit88.text, "9");
    Commands().Run("Form1.Button8");
    EXPECT_EQ(Form1.Edit7.text + " " + Form1.Edit8.text + " " + Form1.Edit9.text, "-4 -6 2");
    Commands().Run("Form1.Button9");
    EXPECT_EQ(Form1.Edit8.text, "-5");
    Commands().Run("Form1.Button53");
    EXPECT_EQ(Form1.Edit88.text + " " + Form1.Edit89.text + " " + Form1.Edit92.text, "4 6 -2");
    Commands().Run("Form1.Button54");
    Commands().Run("Form1.Button49");
    EXPECT_EQ(Form1.Edit7.text + Form1.Edit89.text, "00");
}

TEST_F(GroupsControllerTest, UpdateRunsTheShownPageAndRefreshesEverything) {
    Commands().Run("Form1.ToolButton23");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load a 3D Model first from the input tab"});

    LoadTwoFaces();
    Form1.PageControl6.active = 3;  // "Lines": no geometry change
    Form1.CheckBox62.checked = true;
    Form1.Edit58.text = "1";
    Commands().Run("Form1.ToolButton23");
    EXPECT_EQ(Log().back(), "Geometry updated. (Vertices: no change)  (Normals: no change)  (UV: no change)  "
                            "(Faces: no change)");
    EXPECT_EQ(page.lists, 1);
    EXPECT_EQ(page.normalLists, 1);
    EXPECT_EQ(page.cameraReset, 1);
    EXPECT_EQ(page.draws, 1);
    EXPECT_EQ(Form1.Edit58.text, "7E-3");  // sqrt(0.5) / 100
    EXPECT_FALSE(IsBusy());

    // "Faces, vertices && normals" moves the selected geometry.
    Form1.PageControl6.active = 0;
    Form1.Edit7.text = "10";
    Commands().Run("Form1.ToolButton23");
    EXPECT_DOUBLE_EQ(SceneVertices[0].p.x, 10.0);
}

TEST_F(GroupsControllerTest, DisplacementNameTurnsRedForAMissingFileAndRibbonsNeedLines) {
    const std::filesystem::path existing = dir / "bumps.png";
    { std::ofstream(existing) << "x"; }
    const std::pair<std::string, int32_t> names[] = {{"", clNone}, {"   ", clNone}, {(dir / "nope.png").string(), 255},
                                                     {existing.string(), clNone}};
    for (const auto& [name, color] : names) {
        Form1.Edit54.text = name;
        Commands().Run("Form1.Edit54");
        EXPECT_EQ(Form1.Edit54.color, color) << name;
    }

    prompts.fileAnswers = {{existing.string()}};
    Commands().Run("Form1.Image2");  // browsing for the displacement picture
    EXPECT_EQ(Form1.Edit54.text, existing.string());
    EXPECT_EQ(page.thumbnails["Image2"], "picture " + existing.string());
    EXPECT_EQ(Form1.Label92.caption, "64x32 (8 KBytes)");

    LoadTwoFaces();
    Commands().Run("Form1.Button12");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"No lines present in geometry"});
    fixtures::AddPolyline(4);
    CountFacesPerGroupAndMaterial();
    Form1.CheckBox13.checked = true;
    Commands().Run("Form1.Button12");
    EXPECT_EQ(SceneGroups.back().name, "converted_lines");
    EXPECT_EQ(SceneMaterials.back().name, "roots");
    EXPECT_EQ(Form1.ListBox1.items.back(), "roots");
}

TEST_F(GroupsControllerTest, RegroupingAsksFirstAndLeavesAConsistentModelWithItsListsFilled) {
    // Without a model only the information; "No" changes nothing.
    Commands().Run("Form1.MaterialsGroups1");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load a 3D Model first from the input tab"});
    LoadTwoFaces();
    fixtures::AddPolyline(3, 1.0, 1, 0);
    CountFacesPerGroupAndMaterial();
    prompts.shown.clear();
    Commands().Run("Form1.GroupsMaterials1");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"You will loose all current materials. Continue?"});
    EXPECT_EQ(SceneMaterials[0].name, "red");

    const struct {
        const char* command;
        const char* question;
        std::vector<std::string> materials, groups;
        const char* done;
    } commands[] = {
        {"Form1.MaterialsGroupsMaterials1", "You will loose all current groups. Continue?", {"red", "blue"},
         {"body_red", "wheels_blue", "wheels_red"}, "3 Groups created based on the groups"},
        {"Form1.GroupsMaterials1", "You will loose all current materials. Continue?",
         {"body_red_material", "wheels_blue_material", "wheels_red_material"},
         {"body_red", "wheels_blue", "wheels_red"}, "3 Materials created based on the groups"},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.command);
        prompts.shown.clear();
        prompts.answers = {Answer::Yes};
        Commands().Run(c.command);
        EXPECT_EQ(Boxes(), std::vector<std::string>{c.question});
        EXPECT_EQ(Log().back(), c.done);
        EXPECT_EQ(ModelConsistencyProblems(), std::vector<std::string>{});
        std::vector<std::string> materials, groups;
        for (const tmaterial& m : SceneMaterials) materials.push_back(m.name.str());
        for (const tgroup& g : SceneGroups) groups.push_back(g.name.str());
        EXPECT_EQ(materials, c.materials);
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(Form1.ListBox1.items, c.materials);
        EXPECT_EQ(Form1.HtmlListBox1.items.back(), GroupListLine(SceneGroups.back()));
    }
    EXPECT_EQ(page.lists, 1);  // the material command rebuilt the preview
}

}  // namespace
