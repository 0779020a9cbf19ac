// The Materials tab's file and map commands and its "UV" sub-page: material
// values from MTL and Poser files, the MTL save, the map search and
// conversion, the UV transform and its fit to the unit box.
#include <zlib.h>

#include "PageFixtures.h"
#include "ui/core/OutputNames.h"
#include "ui/control/MaterialFilesController.h"

namespace {

namespace fs = std::filesystem;

class MaterialFilesTest : public PageTest {
protected:
    std::string Write(const char* name, const std::string& text) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // Two quads: material 0 in group 0, material 1 in group 1, UVs over
    // u 2..4 and v 0..1 (material 0) and 0..1 (material 1).
    void LoadQuads() {
        fixtures::ResetModel();
        LoadTwoFaces();
        SceneFaces.clear();
        for (int q = 0; q < 2; ++q) {
            const double u0 = q == 0 ? 2.0 : 0.0, u1 = q == 0 ? 4.0 : 1.0;
            const int32_t a = fixtures::AddVertex(0, 0, q), b = fixtures::AddVertex(1, 0, q),
                          c = fixtures::AddVertex(1, 1, q);
            const int32_t ua = fixtures::AddUV(u0, 0), ub = fixtures::AddUV(u1, 0), uc = fixtures::AddUV(u1, 1);
            fixtures::AddFace(a, b, c, q, q, ua, ub, uc);
        }
        CountFacesPerGroupAndMaterial();
        Form1.ListBox1.index = 0;
    }
    std::vector<double> Us() const {
        std::vector<double> us;
        for (const tuv& t : SceneUVs) us.push_back(t.u);
        return us;
    }
};

TEST_F(MaterialFilesTest, RemapTransformsOnlyTheChosenVisibleUVs) {
    LoadQuads();
    const struct {
        const char *su, *tu;
        bool clip, transpose, allMaterials;
        std::vector<double> us;
    } cases[] = {
        {"1", "0", false, false, false, {2, 4, 4, 0, 1, 1}},   // identity: nothing moves
        {"2", "0", true, false, false, {2, 2, 2, 0, 1, 1}},    // clipped to 1, then scaled
        {"x", "0.5", false, false, true, {2.5, 4.5, 4.5, 0.5, 1.5, 1.5}},  // a bad scale counts as 1
        {"1", "0", false, true, false, {0, 0, 1, 0, 1, 1}},    // transposed: u takes v
    };
    for (const auto& c : cases) {
        LoadQuads();
        Form1.PageControl2.active = 2;
        Form1.Edit50.text = c.su;
        Form1.Edit51.text = c.tu;
        Form1.CheckBox43.checked = c.clip;
        Form1.CheckBox18.checked = c.transpose;
        Form1.CheckBox2.checked = c.allMaterials;
        Commands().Run("Form1.ToolButton4");
        EXPECT_EQ(Us(), c.us) << c.su << " " << c.tu;
        EXPECT_EQ(SceneMaterials[1].selected, 1);  // every material selected again
    }
    EXPECT_FALSE(page.uvViews.empty());  // the view redrawn
    // A hidden group's UVs stay.
    LoadQuads();
    SceneGroups[0].visible = 0;
    Form1.CheckBox18.checked = false;
    Form1.Edit51.text = "1";
    Form1.CheckBox2.checked = true;
    RemapUV();
    EXPECT_EQ(Us(), (std::vector<double>{2, 4, 4, 1, 2, 2}));
    EXPECT_TRUE(Logged("Transforming UV coords..."));
}

TEST_F(MaterialFilesTest, TheUVViewFollowsItsSubPageAndTheLayoutIsSavedAsABitmap) {
    LoadQuads();
    Form1.PageControl2.active = 1;
    Commands().Run("Form1.PageControl2");  // another sub-page: nothing drawn
    Form1.PageControl2.active = 2;
    Commands().Run("Form1.PageControl2");
    Form1.ComboBox20.index = 1;
    Commands().Run("Form1.Button33");  // "Refresh"
    EXPECT_EQ(page.uvViews, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(SceneMaterials[1].selected, 1);  // every material selected again

    Scene.modelFile = (dir / "boxes.obj").string();
    Form1.Edit91.text = "abc";  // not a number: 1024
    Form1.Edit93.text = "256";
    const std::string file = (dir / "layout.bmp").string();
    prompts.fileAnswers = {{file}};
    Commands().Run("Form1.Button52");
    EXPECT_EQ(prompts.fileDialogs[0].fileName, "boxes_red_UV.bmp");
    EXPECT_EQ(page.savedLayouts, std::vector<std::string>{file + " 1024x256"});
    EXPECT_EQ(Log().back(), "UV map saved as " + file);
}

// A file chosen in a save dialog whose name no output may take (one the
// program keeps in its folder, one of POV-Ray's own) is written under a
// "_Rev" name: a converted map, the UV layout, a picture of the preview (or
// of a light probe) and a baked map.
TEST_F(MaterialFilesTest, FilesChosenInSaveDialogsKeepClearOfTheProgramsAndPovRaysFiles) {
    LoadTwoFaces();
    const std::string map = Write("wood.png", "x");
    Form1.Memo2.lines = {"texture{pigment{color rgb 1}}"};
    const struct {
        const char* command;
        std::function<std::string()> written;  // the file the command wrote, or asked to be written
    } commands[] = {
        {"Form1.BitBtn9", [&] { return pageHost.conversions.back().substr(map.size() + 4); }},
        {"Form1.Button52", [&] { return page.savedLayouts.back().substr(0, page.savedLayouts.back().rfind(' ')); }},
        {"Form1.ToolButton35", [&] { return Form1.SaveDialog1.fileName; }},
        {"Form1.ToolButton41", [&] { return Form1.SaveDialog2.fileName; }},
    };
    for (const auto& [name, why] : {std::pair{"mirelansettings.ini", "the program keeps a file named "},
                                    std::pair{"colors.inc", "POV-Ray has a file of its own named "}})
        for (const auto& c : commands) {
            SCOPED_TRACE(std::string(c.command) + " " + name);
            SetComboText(Form1.ComboBox3, map);
            prompts.fileAnswers = {{(dir / name).string()}};
            Commands().Run(c.command);
            EXPECT_EQ(c.written(), (dir / RevisedFileName(name, 1)).string());
            EXPECT_TRUE(Logged("<!>" + std::string(name) + " written as " + RevisedFileName(name, 1) + ": " + why +
                               name));
        }
}

TEST_F(MaterialFilesTest, FitToUnitBoxWritesTheTransformThatMapsTheUVsOntoZeroToOne) {
    LoadQuads();
    Commands().Run("Form1.Button62");
    EXPECT_EQ(Form1.Edit51.text + " " + Form1.Edit50.text, "-1 0.5");
    EXPECT_EQ(Form1.Edit42.text + " " + Form1.Edit41.text, "0 1");
    EXPECT_EQ(SceneUVs[1].u, 4.0);  // the UVs change at the next "Update"
    // All UVs on one u: the U edits stay.
    for (tuv& t : SceneUVs) t.u = 3;
    Form1.Edit51.text = Form1.Edit50.text = "7";
    Commands().Run("Form1.Button62");
    EXPECT_EQ(Form1.Edit51.text + Form1.Edit50.text, "77");

    Form1.ComboBox16.index = 2;
    Commands().Run("Form1.ComboBox16");
    EXPECT_TRUE(Form1.Edit99.enabled && Form1.Label138.enabled);
    Form1.CheckBox43.checked = true;
    Commands().Run("Form1.Button31");  // "Reset values"
    EXPECT_EQ(Form1.Edit50.text + Form1.Edit51.text + Form1.Edit106.text + Form1.Edit91.text, "1011024");
    EXPECT_EQ(Form1.ComboBox16.index, 0);
    EXPECT_FALSE(Form1.CheckBox43.checked || Form1.Edit99.enabled);
    EXPECT_EQ(Form1.Edit55.text + " " + Form1.Edit56.text, "0.0 1.0");
}

TEST_F(MaterialFilesTest, ConvertProposesACopyBesideTheMapAndTakesItWhenWritten) {
    LoadTwoFaces();
    Commands().Run("Form1.BitBtn9");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load an image first"});

    const std::string wood = Write("wood.png", "x");
    SetComboText(Form1.ComboBox3, wood);
    Form1.CheckBox39.checked = true;
    Form1.Edit59.text = "";
    Form1.Edit60.text = "256";
    const std::string copy = (dir / "wood_c.tga").string();
    prompts.fileAnswers = {{copy}};
    Commands().Run("Form1.BitBtn9");
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].fileName, copy);
    EXPECT_EQ(prompts.fileDialogs[0].filter, "TARGA image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG");
    EXPECT_EQ(pageHost.conversions, std::vector<std::string>{wood + " -> " + copy + " at 512x256"});
    EXPECT_EQ(Log().back(), "Map converted and saved as " + copy);
    EXPECT_EQ(SceneMaterials[0].colorMap, copy);
    EXPECT_EQ(page.thumbnails["Image4"], "picture " + copy);

    // The JPEG type chosen last: the next proposal is a JPEG.
    Form1.SaveDialog1.filterIndex = 2;
    const std::string broken = Write("unreadable.png", "x");
    SetComboText(Form1.ComboBox18, broken);
    prompts.fileAnswers = {{(dir / "unreadable_c.jpg").string()}};
    Commands().Run("Form1.BitBtn11");
    EXPECT_EQ(prompts.fileDialogs.back().fileName, (dir / "unreadable_c.jpg").string());
    EXPECT_EQ(Log().back(), "<!>Error opening " + broken + " for conversion");
    EXPECT_EQ(SceneMaterials[0].bumpMap, broken);  // the slot keeps its map

    const std::string unwritable = (dir / "no" / "such" / "mask_c.tga").string();
    SetComboText(Form1.ComboBox19, Write("mask.png", "x"));
    prompts.fileAnswers = {{unwritable}};
    Commands().Run("Form1.BitBtn16");
    EXPECT_EQ(Log().back(), "<!>Error saving " + unwritable);
    EXPECT_EQ(SceneMaterials[0].transparencyMap, unwritable);  // the scene checks report it missing
}

TEST_F(MaterialFilesTest, OpeningAnMtlFileUpdatesTheMaterialsOfTheSameNameAndReloadsTheMaps) {
    Commands().Run("Form1.ToolButton14");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Load a 3D Model first from the input tab"});
    LoadTwoFaces();
    Form1.CheckBox3.checked = Form1.CheckBox4.checked = true;
    const std::string map = Write("skin.bmp", "x");
    Write("skin.jpg", "x");
    SceneMaterials[1].colorMap = (dir / "skin.BUM").string();  // not a bump map: stays
    SceneMaterials[1].bumpMap = (dir / "skin.BUM").string();
    const std::string other = Write("other.mtl", "newmtl green\nKd 0 1 0\n");
    const std::string mtl = Write("red.mtl", "newmtl red\nKd 0.2 0.4 0.6\nmap_Kd " + map + "\n");
    const std::string broken = Write("broken.mtl", "newmtl red\nKd\n");
    Scene.mtlFile = "model.mtl";

    prompts.fileAnswers = {{other}};
    Commands().Run("Form1.ToolButton14");
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].filter, std::string(MaterialOpenFilter));
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{1, 0, 0}));  // no material of that name
    EXPECT_EQ(SceneMaterials[1].bumpMap, (dir / "skin.bmp").string());
    EXPECT_EQ(page.created, std::vector<std::string>{"blue"});  // every map reloaded

    prompts.fileAnswers = {{mtl}};
    Commands().Run("Form1.ToolButton14");
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{0.2, 0.4, 0.6}));
    EXPECT_EQ(SceneMaterials[0].colorMap, map);
    EXPECT_EQ(Form1.ComboBox3.SelectedText(), map);
    EXPECT_EQ(Scene.mtlFile, mtl);

    prompts.fileAnswers = {{broken}};
    Commands().Run("Form1.ToolButton14");
    EXPECT_TRUE(Logged("Error reading material file broken.mtl"));
    EXPECT_EQ(Scene.mtlFile, mtl);
    EXPECT_FALSE(IsBusy());
}

// A ".BUM" bump map takes the picture beside it; a picture whose name
// differs only in letter case is found too, and named as on disk.
TEST_F(MaterialFilesTest, BumMapsTakeThePictureBesideThemIgnoringLetterCase) {
    const struct {
        const char* bump;
        std::vector<const char*> files;
        const char* expected;  // relative to the case's folder
    } cases[] = {
        {"skin.bum", {"skin.jpg"}, "skin.jpg"},
        {"skin.BUM", {"skin.JPG"}, "skin.JPG"},
        {"Skin.bum", {"skin.Tga"}, "skin.Tga"},
        {"skin.BUM", {"skin.jpg", "skin.BMP"}, "skin.BMP"},  // the last extension tried wins
        {"skin.BUM", {"other.jpg"}, "skin.BUM"},              // nothing beside it: stays
    };
    LoadTwoFaces();
    int n = 0;
    for (const auto& c : cases) {
        const fs::path folder = dir / ("case" + std::to_string(n++));
        fs::create_directories(folder);
        for (const char* file : c.files) std::ofstream(folder / file) << "x";
        SceneMaterials[0].bumpMap = (folder / c.bump).string();
        ResolveBumMaps();
        EXPECT_EQ(SceneMaterials[0].bumpMap.str(), (folder / c.expected).string()) << c.bump;
    }
}

TEST_F(MaterialFilesTest, APoserFileUpdatesTheMaterialsAndLeavesNoTemporaryFile) {
    LoadTwoFaces();
    const std::string pzz = (dir / "scene.pzz").string();
    gzFile gz = gzopen(pzz.c_str(), "wb");
    const std::string text = "version\n{\nnumber 4.01\n}\nmaterial red\n{\nKdColor 0.95 0 0 1\ntextureMap NO_MAP\n}\n";
    gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
    gzclose(gz);
    prompts.fileAnswers = {{pzz}};
    Commands().Run("Form1.ToolButton14");
    EXPECT_TRUE(Logged("Decompressing " + pzz + "..."));
    EXPECT_EQ(Log().back(), "Done loading materials");
    EXPECT_EQ(SceneMaterials[0].blend, 1.0);  // a Poser material mixes its map with its colour
    EXPECT_NEAR(SceneMaterials[0].diffuse.x, 0.95, 0.002);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"scene.pzz"});
}

TEST_F(MaterialFilesTest, SaveWritesTheMaterialsAsAnMtlFileWithTheirMapFolders) {
    LoadTwoFaces();
    const std::string map = Write("brick.jpg", "x");
    SceneMaterials[1].colorMap = map;
    Form2.CheckBox16.checked = true;  // copying maps is not for this save
    const std::string target = (dir / "out" / "looks").string();
    fs::create_directories(dir / "out");
    prompts.fileAnswers = {{target}};
    Commands().Run("Form1.ToolButton21");
    const std::string written = fixtures::ReadFileBytes((dir / "out" / "looks.mtl").string());
    EXPECT_NE(written.find("newmtl red"), std::string::npos);
    EXPECT_NE(written.find("map_Kd " + map), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out" / "looks.obj"));
    EXPECT_FALSE(fs::exists(dir / "out" / "brick.jpg"));
    EXPECT_EQ(Log().back(), "Material File Saved as " + target + ".mtl");
}

TEST_F(MaterialFilesTest, FindMapsRunsTheSearchAndReloadsTexturesOnlyWhenItRan) {
    LoadTwoFaces();
    Commands().Run("Form1.ToolButton8");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"None of the materials use maps"});
    SceneMaterials[0].colorMap = "lost.png";
    Commands().Run("Form1.ToolButton8");  // the search was not confirmed
    EXPECT_FALSE(Logged("Starting search for maps..."));

    struct SearchingHooks : RecordingPageHooks {
        bool SearchMaps() override {
            SceneMaterials[0].colorMap = found;
            return true;
        }
        std::string found;
    } searching;
    searching.found = Write("lost.png", "x");
    Services s;
    s.window = &searching;
    const ScopedServices scope(s);
    Form1.CheckBox3.checked = Form1.CheckBox4.checked = true;
    Commands().Run("Form1.ToolButton8");
    EXPECT_TRUE(Logged("Starting search for maps..."));
    EXPECT_EQ(searching.created, std::vector<std::string>{"red"});
    EXPECT_EQ(Form1.ComboBox3.SelectedText(), searching.found);
}

}  // namespace
