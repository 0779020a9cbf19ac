#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "model/MapPaths.h"
#include "model/Model.h"
#include "tests/fixtures/Fixtures.h"

namespace fs = std::filesystem;

namespace {

class MapPathsTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = fs::path(::testing::TempDir()) / ("mirelan_mappaths_" + std::string(info->name()) + "_" +
                                                 std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::remove_all(root);
        fs::create_directories(root / "m" / "Tex");
        Touch("m/Tex/Wood.JPG");
        Touch("m/car.obj");
        Scene.modelFile = Dir() + "/m/car.obj";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
        ModelTest::TearDown();
    }
    void Touch(const std::string& name) { std::ofstream(root / name) << "x"; }
    std::string Dir() const { return root.string(); }

    fs::path root;
};

TEST_F(MapPathsTest, NamesAreMadeAbsoluteAgainstTheModelFolder) {
    const std::string m = Dir() + "/m";
    EXPECT_EQ(AbsoluteMapPath("\\tex\\a.jpg"), m + "/tex/a.jpg");
    EXPECT_EQ(AbsoluteMapPath("tex\\a.jpg"), m + "/tex/a.jpg");
    EXPECT_EQ(AbsoluteMapPath("tex/a.jpg"), m + "/tex/a.jpg");
    EXPECT_EQ(AbsoluteMapPath("C:\\maps\\a.jpg"), "C:/maps/a.jpg");
    // A path from the root: kept when it exists, else taken from the model
    // folder when it exists there.
    const std::string existing = m + "/Tex/Wood.JPG";
    EXPECT_EQ(AbsoluteMapPath(existing), existing);
    EXPECT_EQ(AbsoluteMapPath("/Tex/Wood.JPG"), existing);
    EXPECT_EQ(AbsoluteMapPath("/nowhere/a.jpg"), "/nowhere/a.jpg");
    EXPECT_EQ(AbsoluteMapPath(""), "");
    Scene.modelFile = "car.obj";
    EXPECT_EQ(AbsoluteMapPath("tex\\a.jpg"), "tex/a.jpg");
}

TEST_F(MapPathsTest, FileNameAsOnDiskFindsTheSpellingOnDisk) {
    const std::string m = Dir() + "/m";
    EXPECT_EQ(FileNameAsOnDisk(m + "/tex/wood.jpg"), m + "/Tex/Wood.JPG");
    EXPECT_EQ(FileNameAsOnDisk(m + "\\TEX\\WOOD.jpg"), m + "/Tex/Wood.JPG");
    EXPECT_EQ(FileNameAsOnDisk(m + "/Tex/Wood.JPG"), m + "/Tex/Wood.JPG");
    EXPECT_EQ(FileNameAsOnDisk(m + "/tex/oak.jpg"), m + "/tex/oak.jpg");  // none: unchanged
    EXPECT_EQ(FileNameAsOnDisk(m + "/tex/wood.jpg/x"), m + "/tex/wood.jpg/x");
    EXPECT_EQ(FileNameAsOnDisk(""), "");
}

TEST_F(MapPathsTest, ResolveMapPathsFixesEveryMapOfEveryMaterial) {
    fixtures::EnsureMaterial(1);
    SceneMaterials[0].colorMap = "tex\\wood.jpg";
    SceneMaterials[0].bumpMap = "\\TEX\\WOOD.JPG";
    SceneMaterials[1].transparencyMap = "missing/a.png";
    SceneMaterials[1].colorMap = std::string(250, 'n') + ".jpg";
    ResolveMapPaths();
    const std::string m = Dir() + "/m";
    EXPECT_EQ(SceneMaterials[0].colorMap.str(), m + "/Tex/Wood.JPG");
    EXPECT_EQ(SceneMaterials[0].bumpMap.str(), m + "/Tex/Wood.JPG");
    EXPECT_TRUE(SceneMaterials[0].transparencyMap.empty());
    EXPECT_EQ(SceneMaterials[1].transparencyMap.str(), m + "/missing/a.png");
    // A path longer than a name may be is kept whole, its extension with it.
    EXPECT_EQ(SceneMaterials[1].colorMap.str(), m + "/" + std::string(250, 'n') + ".jpg");
    EXPECT_TRUE(SceneMaterials[1].bumpMap.empty());
}

}  // namespace
