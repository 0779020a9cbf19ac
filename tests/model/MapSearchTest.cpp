// Missing maps found in a folder tree made here, every use of a found map
// renamed, map names spelled as on disk, the extension list, and the render
// size kept at the preview's aspect ratio.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "model/FileSearch.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

namespace fs = std::filesystem;

namespace {

class MapSearchTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        base = testing::TempDir() + "mirelan_maps_" + std::to_string(::getpid()) + "/";
        fs::remove_all(base);
    }
    void TearDown() override {
        fs::remove_all(base);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    void Touch(std::initializer_list<const char*> files) {
        for (const char* f : files) {
            fs::create_directories(fs::path(base + f).parent_path());
            std::ofstream(base + f) << "x";
        }
    }
    void Material(const std::string& color, const std::string& alpha = "", const std::string& bump = "") {
        SceneMaterials.emplace_back();
        SceneMaterials.back().colorMap = color;
        SceneMaterials.back().transparencyMap = alpha;
        SceneMaterials.back().bumpMap = bump;
    }
    // The colour, transparency and bump map of material i, joined by "|".
    static std::string Maps(std::size_t i) {
        const tmaterial& m = SceneMaterials[i];
        return m.colorMap + "|" + m.transparencyMap.str() + "|" + m.bumpMap.str();
    }
    std::string base;
};

TEST_F(MapSearchTest, MissingMapsAreFoundInTheTreeFilesBeforeSubfolders) {
    // Within a folder its files come first, subfolders sorted ignoring case.
    Touch({"maps/sub/bark.jpg", "maps/Bark.JPG", "maps/a/wood.png", "maps/B/wood.jpg", "maps/skin_t.tga",
           "here/wood.bmp", "present.jpg"});
    Material("C:\\old\\BARK.jpg", "/gone/skin_t.tga", "/gone/nowhere.bmp");
    Material("/elsewhere/bark.jpg");  // the same map in another case follows
    Material(base + "here/wood.*");    // a wildcard name is looked up even when it matches here
    Material(base + "present.jpg");    // exists: untouched
    RenameMapInMaterials("", "x", ColorMapSlot);  // nothing without two different names
    RenameMapInMaterials("/elsewhere/BARK.jpg", "/elsewhere/bark.JPG", ColorMapSlot);
    SearchMapsInDirs({"  ", base + "none", base + "maps"});
    // A map found nowhere is kept.
    EXPECT_EQ(Maps(0), base + "maps/Bark.JPG|" + base + "maps/skin_t.tga|/gone/nowhere.bmp");
    EXPECT_EQ(Maps(1), base + "maps/Bark.JPG||");
    EXPECT_EQ(Maps(2), base + "maps/a/wood.png||");
    EXPECT_EQ(Maps(3), base + "present.jpg||");
    EXPECT_FALSE(status.waitCursor);
}

// The search one find at a time: each find renamed at once in every
// material (RenameMapInMaterials), the tree walked again for every map.
void SearchOneFindAtATime(const std::string& folder) {
    for (tmaterial& m : SceneMaterials) {
        const std::string before[3] = {m.colorMap, m.transparencyMap, m.bumpMap};
        for (tmapname* map : {&m.colorMap, &m.transparencyMap, &m.bumpMap}) {
            if (map->empty() || (FileExistsNonBlank(map->view()) && ExtractFileExt(map->view()) != ".*")) continue;
            std::vector<std::string> found;
            FindFilesRecursive(ExtractFileName(map->view()), folder, found);
            if (!found.empty()) *map = found.front();
        }
        RenameMapInMaterials(before[0], m.colorMap.view(), ColorMapSlot);
        RenameMapInMaterials(before[1], m.transparencyMap.view(), TransparencyMapSlot);
        RenameMapInMaterials(before[2], m.bumpMap.view(), BumpMapSlot);
    }
}

TEST_F(MapSearchTest, TheSameNamesAsOneFindAtATime) {
    Touch({"maps/sub/bark.jpg", "maps/Bark.JPG", "maps/a/wood.png", "maps/skin_t.tga", "maps/wood", "present.jpg",
           "maps/a.b.png", "maps/A.B", "maps/sub/ab.c", "maps/sub/a..x", "maps/.hidden", "maps/b/Wood.tar.gz",
           "maps/c/Texture_Bark_long.jpg", "maps/c/xbark", "maps/aaaaaaaaaa.png", "maps/sub/bark_long_bark_LONG.tga"});
    // Wildcard names "stem.*" of stems with and without ".", and others:
    // beginning or ending as names of several folders do, or as none does,
    // or holding pieces inside that names hold once, twice or not at all.
    const std::vector<std::string> pool = {
        "", "C:\\old\\BARK.jpg", "/elsewhere/bark.jpg", base + "maps/bark.jpg", base + "maps/Bark.JPG", "wood.*",
        "/gone/WOOD.*", "/gone/skin_t.tga", "/gone/SKIN_T.TGA", "/gone/nowhere.bmp", base + "present.jpg", "/x/wood",
        "/g/a.*", "/g/A.b.*", "/g/ab.*", "/g/.*", "/g/a..*", "/g/wood.TAR.*", "/g/hidden.*", "/g/w?od.*", "/g/*.png",
        "/g/*.*", "/g/b*.JPG", "/g/*ark.jpg", "/g/W*d*", "/g/*o*", "/g/a*c", "/g/?ark.*", "/g/*.gz", "/g/b*x",
        "/g/*D", "/g/*bark*", "/g/*XTURE_BARK_LO*", "/g/*xbark.*", "/g/*aaaaaaaaa*", "/g/*aaaaaaaaaaa*",
        "/g/*ar?_l*", "/g/*e_b*g.*", "/g/*ood*", "/g/*k_long_b*", "/g/*long?ba*.*", "/g/?*ark_long*"};
    std::mt19937 rng(3);
    for (int round = 0; round < 150; ++round) {
        SceneMaterials.clear();
        const int count = 1 + static_cast<int>(rng() % 10);
        for (int i = 0; i < count; ++i)
            Material(pool[rng() % pool.size()], pool[rng() % pool.size()], pool[rng() % pool.size()]);
        const std::vector<tmaterial> materials = SceneMaterials;
        SearchOneFindAtATime(base + "maps");
        std::vector<std::string> expected;
        for (int i = 0; i < count; ++i) expected.push_back(Maps(static_cast<std::size_t>(i)));
        SceneMaterials = materials;
        SearchMapsInDir(base + "maps");
        for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(Maps(i), expected[i]) << "round " << round;
    }
}

TEST_F(MapSearchTest, NamesTakeTheirSpellingOnDisk) {
    Touch({"Maps/Skin.JPG"});
    Material(base + "MAPS/SKIN.jpg", base + "missing.png");
    BackgroundMapName = base + "maps/skin.JPG";
    for (int32_t texture : {0, 3}) {  // the background only while it has a texture
        BackgroundTexture = texture;
        MatchMapNameCase();
        EXPECT_EQ(BackgroundMapName, base + (texture ? "Maps/Skin.JPG" : "maps/skin.JPG"));
    }
    EXPECT_EQ(Maps(0), base + "Maps/Skin.JPG|" + base + "missing.png|");
    BackgroundTexture = 0;
    BackgroundMapName.clear();
}

TEST_F(MapSearchTest, ExtensionListAndRenderSize) {
    EXPECT_TRUE(ExtensionInList("/x.y/b.PNG", "JPG, png") && ExtensionInList("noext", "jpg,,png"));
    EXPECT_FALSE(ExtensionInList("noext", "jpg,png") || ExtensionInList("a.abcdefghijk", "abcdefghijk"));

    Form9.glView1 = {640, 480};
    Form1.Edit47.text = "1000";
    RenderHeightFromWidth();
    EXPECT_EQ(Form1.Edit48.text, "750");
    Form1.Edit48.text = "300";
    RenderWidthFromHeight();
    EXPECT_EQ(Form1.Edit47.text, "400");
    Form1.Edit47.text = "wide";  // no integer: nothing
    RenderHeightFromWidth();
    EXPECT_EQ(Form1.Edit48.text, "300");
}

}  // namespace
