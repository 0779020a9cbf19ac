// The Materials tab's panel and commands on one material, driven through the
// dispatcher: the transfer and its classification, selection, renaming,
// copy and paste, the whole-list commands, the map slots, thumbnails and
// the preview textures.
#include <fstream>

#include "PageFixtures.h"
#include "model/TextConv.h"

namespace {

class MaterialsControllerTest : public PageTest {
protected:
    std::string File(const char* name) {
        const std::string path = (dir / name).string();
        std::ofstream(path) << "x";
        return path;
    }
};

TEST(MaterialPanel, CompareMaterialsClassifiesEachKindOfChange) {
    // Each case changes a copy of a material that has a colour map and,
    // where said, a transparency map.
    const struct {
        const char* change;
        bool transparencyMap;
        void (*apply)(tmaterial&);
        int32_t expected;
    } cases[] = {
        {"nothing", false, [](tmaterial&) {}, ChangeNone},
        {"shininess by 0.02", false, [](tmaterial& m) { m.shininess += 0.02f; }, ChangeAppearance},
        {"shininess by 0.005", false, [](tmaterial& m) { m.shininess += 0.005f; }, ChangeNone},
        {"diffuse within half a step", false, [](tmaterial& m) { m.diffuse.x -= 0.001; }, ChangeNone},
        {"ambient", false, [](tmaterial& m) { m.ambient = {0.5, 0, 0}; }, ChangeAppearance},
        {"blend", false, [](tmaterial& m) { m.blend = 0.3; }, ChangeAppearance},
        {"reflection", false, [](tmaterial& m) { m.reflection = 0.1; }, ChangeAppearance},
        {"map name case only", false, [](tmaterial& m) { m.colorMap = "WOOD.JPG"; }, ChangeNone},
        {"another bump map", false, [](tmaterial& m) { m.bumpMap = "stone.jpg"; }, ChangeMaps},
        {"invert", false, [](tmaterial& m) { m.invertTransparencyMap = 1; }, ChangeMaps},
        {"transparency", false, [](tmaterial& m) { m.transparency = 0.5; }, ChangeAppearance},
        {"transparency with a map", true, [](tmaterial& m) { m.transparency = 0.5; }, ChangeMaps},
        {"already marked", false, [](tmaterial&) {}, ChangeAppearance},
    };
    for (const auto& c : cases) {
        tmaterial old;
        old.colorMap = "wood.jpg";
        if (c.transparencyMap) old.transparencyMap = "alpha.png";
        if (std::string_view(c.change) == "already marked") old.changed = 1;
        tmaterial now = old;
        c.apply(now);
        EXPECT_EQ(CompareMaterials(old, now), c.expected) << c.change;
    }
}

TEST(MaterialPanel, FitImageToPictureKeepsTheShorterSideOfTheControl) {
    const struct {
        int32_t pw, ph, width, height;
    } cases[] = {{100, 50, 96, 48}, {50, 100, 48, 96}, {64, 64, 96, 96}, {0, 10, 96, 96}, {10, 0, 96, 96}};
    for (const auto& c : cases) {
        int32_t w = 96, h = 96;
        FitImageToPicture(w, h, c.pw, c.ph);
        EXPECT_EQ(w, c.width) << c.pw << "x" << c.ph;
        EXPECT_EQ(h, c.height) << c.pw << "x" << c.ph;
    }
}

TEST_F(MaterialsControllerTest, StoringThePanelMakesMapsAbsoluteAndAutoUpdateRenamesTheOldMap) {
    LoadTwoFaces();
    const std::string oldMap = File("old.png");
    SceneMaterials[0].colorMap = oldMap;
    SceneMaterials[0].glTexture = 5;
    for (const bool autoUpdate : {false, true}) {
        SceneMaterials[1].colorMap = UpperCase(oldMap);  // the same map in another case
        RefreshMaterialPanel(0);
        Form1.CheckBox40.checked = autoUpdate;
        SetComboText(Form1.ComboBox3, "  " + (dir / "sub" / ".." / "new.png").string() + " ");
        SetUpDown(Form1.UpDown10, Form1.Edit96, 80);
        StoreMaterialPanel(0);
        const std::string expanded = (dir / "new.png").string();
        EXPECT_EQ(SceneMaterials[0].colorMap, expanded);
        EXPECT_EQ(Form1.ComboBox3.SelectedText(), expanded);
        EXPECT_FLOAT_EQ(SceneMaterials[0].shininess, 0.8f);
        EXPECT_EQ(SceneMaterials[1].colorMap, autoUpdate ? expanded : UpperCase(oldMap)) << autoUpdate;
        EXPECT_EQ(SceneMaterials[0].changed, 1);
        EXPECT_EQ(SceneMaterials[0].glTexture, 0);  // a new map: the texture goes
        EXPECT_EQ(Form1.ComboBox3.items.front(), expanded);
        SceneMaterials[0].colorMap = oldMap;
    }
    EXPECT_TRUE(page.deleted[5]);
}

TEST_F(MaterialsControllerTest, TheMemoIsCutTo5000CharactersWithAWarning) {
    LoadTwoFaces();
    Form1.Memo2.lines = {std::string(4000, 'a'), std::string(2000, 'b')};
    StoreMaterialPanel(0);
    EXPECT_EQ(SceneMaterials[0].customText.size(), 5000u);
    EXPECT_EQ(SceneMaterials[0].customText.view().substr(3999, 4), "a\r\nb");
    EXPECT_EQ(Log().back(), "<!>Text of 6002 characters cut to 5000 characters");
}

TEST_F(MaterialsControllerTest, SelectingStoresTheShownMaterialAndShowsTheClickedOne) {
    LoadTwoFaces();
    SceneMaterials[1].colorMap = File("blue.png");
    SceneMaterials[1].transparency = 0.3;
    SceneMaterials[1].customText = "texture{T_Wood1}";
    SceneMaterials[1].invertTransparencyMap = 1;
    Form1.Panel1.color = 0x00FF00;  // typed into the panel of "red"
    Form1.ListBox1.index = 0;
    Commands().Run("Form1.ListBox1");  // the shown one: nothing stored
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{1, 0, 0}));

    Form1.ListBox1.index = 1;
    Commands().Run("Form1.ListBox1");
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{0, 1, 0}));
    EXPECT_EQ(CurrentMaterialIndex, 1);
    EXPECT_EQ(Form1.Panel1.color, 0xFF0000);
    EXPECT_EQ(Form1.UpDown12.position, 30);
    EXPECT_EQ(Form1.Edit97.text, "30");
    EXPECT_EQ(Form1.Memo2.lines, std::vector<std::string>{"texture{T_Wood1}"});
    EXPECT_EQ(Form1.Label95.caption, "#declare blue_=");
    EXPECT_EQ(Form1.Label96.caption, "Opaque");  // inverted scale
    EXPECT_EQ(page.thumbnails["Image4"], "picture " + SceneMaterials[1].colorMap.str());
    EXPECT_EQ(Form1.Label6.caption, "64x32 (" + ByteSizeText(64 * 32 * 4) + ")");
    EXPECT_EQ(page.thumbnails["Image5"], "message 0");
    EXPECT_FALSE(IsBusy());
}

TEST_F(MaterialsControllerTest, ThumbnailStates) {
    const std::string picture = File("wood.png"), broken = File("broken.png");
    const struct {
        std::string name;
        bool thumbs;
        std::string shown, label;
    } cases[] = {
        {"   ", true, "message 0", ""},
        {(dir / "missing.png").string(), true, "message 2", ""},
        {(dir / "missing.png").string(), false, "message 2", ""},
        {picture, false, "message 1", ""},
        {broken, true, "message 4", ""},
        {picture, true, "picture " + picture, "64x32 (8 KBytes)"},
    };
    for (const auto& c : cases) {
        Form1.CheckBox36.checked = c.thumbs;
        Form1.Label58.caption = "stale";
        ShowMapThumbnail(c.name, "Image5", Form1.Label58);
        EXPECT_EQ(page.thumbnails["Image5"], c.shown) << c.name;
        EXPECT_EQ(Form1.Label58.caption, c.label) << c.name;
    }
}

TEST_F(MaterialsControllerTest, RenameCopyPasteAndApplyToAll) {
    LoadTwoFaces();
    prompts.inputAnswers = {"blue"};
    Form1.ListBox1.index = 0;
    Commands().Run("Form1.ListBox1.DblClick");
    EXPECT_EQ(Boxes().back(), "Cannot have blank or repeated names");
    prompts.inputAnswers = {" crimson "};
    Commands().Run("Form1.ListBox1.DblClick");
    EXPECT_EQ(SceneMaterials[0].name, "crimson");
    EXPECT_EQ(Form1.ListBox1.items[0], "crimson");

    EXPECT_FALSE(Form1.Button23.enabled);
    SetUpDown(Form1.UpDown13, Form1.Edit108, 40);
    SceneMaterials[0].glTexture = 9;
    Commands().Run("Form1.Button22");  // copy stores the panel first
    EXPECT_TRUE(Form1.Button23.enabled);
    Form1.ListBox1.index = 1;
    Commands().Run("Form1.Button23");
    EXPECT_EQ(SceneMaterials[1].name, "blue");
    EXPECT_DOUBLE_EQ(SceneMaterials[1].reflection, 0.4);
    EXPECT_EQ(SceneMaterials[1].diffuse, (tvector{1, 0, 0}));
    EXPECT_EQ(SceneMaterials[1].glTexture, 9);
    EXPECT_EQ(SceneMaterials[1].changed, 1);
    EXPECT_EQ(Form1.Panel1.color, 0x0000FF);

    SetUpDown(Form1.UpDown12, Form1.Edit97, 70);
    Form1.PopupComponent = "Edit97";
    Commands().Run("Form1.Applythistoallmaterials1");
    for (const tmaterial& m : SceneMaterials) {
        EXPECT_DOUBLE_EQ(m.transparency, 0.7);
        EXPECT_DOUBLE_EQ(m.reflection, 0.4);  // nothing else
    }
    EXPECT_EQ(SceneMaterials[0].name, "crimson");
    EXPECT_EQ(PropertyOfControl("Label95"), PropertyCustomText);
    EXPECT_EQ(PropertyOfControl("ListBox1"), PropertyDiffuse);
}

TEST_F(MaterialsControllerTest, RandomizeAskAndInvisibleClearsTheMaps) {
    Commands().Run("Form1.ToolButton26");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load a 3D Model first from the input tab"});
    LoadTwoFaces();
    prompts.answers = {Answer::No};
    Commands().Run("Form1.ToolButton26");
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{1, 0, 0}));
    prompts.answers = {Answer::Yes};
    Commands().Run("Form1.ToolButton26");
    EXPECT_EQ(Boxes().back(), "You will randomize all current diffuse colors. Continue?");
    EXPECT_NE(SceneMaterials[0].diffuse, (tvector{1, 0, 0}));
    EXPECT_EQ(SceneMaterials[1].changed, 0);  // MaterialsUpdated took the changes
    EXPECT_EQ(page.lists, 1);

    SceneMaterials[0].colorMap = File("c.png");
    SceneMaterials[0].bumpMap = File("b.png");
    SceneMaterials[0].transparencyMap = File("t.png");
    Form1.ListBox1.index = 0;
    RefreshMaterialPanel(0);
    Commands().Run("Form1.Button16");
    const tmaterial& m = SceneMaterials[0];
    EXPECT_TRUE(m.colorMap.empty() && m.bumpMap.empty() && m.transparencyMap.empty());
    EXPECT_EQ(m.diffuse, (tvector{0, 0, 0}));
    EXPECT_DOUBLE_EQ(m.transparency, 1.0);
    EXPECT_FLOAT_EQ(m.shininess, 1.0f);
    EXPECT_EQ(page.thumbnails["Image6"], "message 0");
}

TEST_F(MaterialsControllerTest, UpdateWithoutMaterialsOnlyRefreshesAndTexturesAreShared) {
    Commands().Run("Form1.ToolButton4");
    EXPECT_EQ(page.cameraApplied, 1);
    EXPECT_EQ(page.draws, 1);
    EXPECT_EQ(page.lists, 0);
    EXPECT_TRUE(Log().empty());

    LoadTwoFaces();
    fixtures::EnsureMaterial(3);
    SceneMaterials[0].colorMap = "a.png";
    SceneMaterials[1].colorMap = "A.PNG";  // the same maps in another case: one texture
    SceneMaterials[2].transparencyMap = "t.png";
    Form1.CheckBox4.checked = false;
    ReloadMaterialMaps(2);
    EXPECT_TRUE(page.created.empty());  // "Show maps" off
    Form1.CheckBox4.checked = true;
    ReloadMaterialMaps(2);
    EXPECT_EQ(page.created, (std::vector<std::string>{"red", "Material_2"}));
    EXPECT_EQ(SceneMaterials[1].glTexture, SceneMaterials[0].glTexture);
    EXPECT_EQ(SceneMaterials[1].textureBytes, 0);
    EXPECT_EQ(SceneMaterials[3].glTexture, 0);  // no maps
    page.created.clear();
    SceneMaterials[2].glTexture = 0;
    ReloadMaterialMaps(1);  // only the one without a texture
    EXPECT_EQ(page.created, std::vector<std::string>{"Material_2"});

    SetComboText(Form1.ComboBox3, "b.png");
    Commands().Run("Form1.ToolButton4");
    EXPECT_TRUE(Logged("Materials updated. Loading maps..."));
    EXPECT_EQ(page.created.back(), "red");
    EXPECT_EQ(SceneMaterials[0].changed, 0);
}

TEST_F(MaterialsControllerTest, MapSlotSearchAndRemove) {
    LoadTwoFaces();
    const std::string found = File("found.png");
    SetComboText(Form1.ComboBox18, "/old/place/found.png");
    dialogs.results = {ModalResult::Cancel, ModalResult::Ok};
    Commands().Run("Form1.BitBtn14");
    EXPECT_EQ(searchForm2.Edit1.text, "found.png");
    EXPECT_EQ(Form1.ComboBox18.SelectedText(), "/old/place/found.png");  // cancelled
    EXPECT_TRUE(SceneMaterials[0].bumpMap.empty());
    dialogs.whileShown = [&found](std::string_view) {  // the user finds the map and picks it
        searchForm2.ListBox1.items = {found};
        searchForm2.ListBox1.index = 0;
    };
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.BitBtn14");
    EXPECT_EQ(dialogs.shown.back(), "searchForm2");
    EXPECT_EQ(SceneMaterials[0].bumpMap, found);
    EXPECT_EQ(page.thumbnails["Image5"], "picture " + found);

    Commands().Run("Form1.BitBtn20");  // "Remove"
    EXPECT_TRUE(SceneMaterials[0].bumpMap.empty());
    EXPECT_EQ(page.thumbnails["Image5"], "message 0");

    // A name chosen from a box's list only shows its thumbnail; "Show thumbs"
    // redraws the three.
    SetComboText(Form1.ComboBox19, found);
    Commands().Run("Form1.ComboBox19");
    EXPECT_EQ(page.thumbnails["Image6"], "picture " + found);
    EXPECT_TRUE(SceneMaterials[0].transparencyMap.empty());
    Form1.CheckBox36.checked = false;
    Commands().Run("Form1.CheckBox36");
    EXPECT_EQ(page.thumbnails["Image6"], "message 1");

    Form1.CheckBox64.checked = true;
    Commands().Run("Form1.CheckBox64");
    EXPECT_EQ(Form1.Label96.caption + "/" + Form1.Label101.caption, "Opaque/Transparent");
    Form1.CheckBox81.checked = false;
    Commands().Run("Form1.CheckBox81");
    EXPECT_FALSE(Form1.CheckBox82.enabled);
}

TEST_F(MaterialsControllerTest, SwatchesAskForAColourAndBrowseStartsInTheFirstMapsFolder) {
    LoadTwoFaces();
    prompts.colorAnswers = {0x00FF00};
    Commands().Run("Form1.Panel7");
    Commands().Run("Form1.Panel3");  // cancelled
    EXPECT_EQ(Form1.Panel7.color + Form1.Panel3.color, 0x00FF00);
    EXPECT_EQ(SceneMaterials[0].specular, (tvector{0.3, 0.3, 0.3}));  // the record at the next transfer

    std::filesystem::create_directories(dir / "bumps");
    SetComboText(Form1.ComboBox18, (dir / "bumps" / "old.png").string());
    const std::string chosen = File("bark.png");
    prompts.fileAnswers = {{chosen}};
    Commands().Run("Form1.Image4");  // the thumbnail browses like its "Browse..."
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].initialDir, (dir / "bumps").string() + "/");  // the colour box was empty
    EXPECT_EQ(SceneMaterials[0].colorMap, chosen);
    EXPECT_EQ(SceneMaterials[0].specular, (tvector{0, 1, 0}));
    EXPECT_EQ(page.thumbnails["Image4"], "picture " + chosen);
    Commands().Run("Form1.BitBtn15");  // cancelled: nothing changes
    EXPECT_EQ(prompts.fileDialogs[1].initialDir, dir.string() + "/");  // the colour box's folder now
    EXPECT_TRUE(SceneMaterials[0].transparencyMap.empty());
}

}  // namespace
