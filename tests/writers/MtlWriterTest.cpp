// The MTL file: every material field, maps with and without paths, the
// fixed map names, and the numbers.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/writers/WriterTest.h"
#include "writers/Export.h"

namespace writertest {
namespace {

class MtlWriterTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        PrepareObjExport("car.obj");
        Scene.modelFile = "/models/my car.obj";  // scene object name my_car_
        Scene.writeMtl = 1;
    }
    // The lines of one material, from its "newmtl" line to its blank line.
    std::vector<std::string> Material(const std::string& newmtl) {
        const auto lines = ReadLines(Path("car.mtl"));
        auto it = std::find(lines.begin(), lines.end(), "newmtl " + newmtl);
        std::vector<std::string> r;
        for (; it != lines.end() && *it != " "; ++it) r.push_back(*it);
        return r;
    }
};

TEST_F(MtlWriterTest, GoldenFile) {
    // A new material: the defaults (metal set, cell high set).
    AddMaterial("Default Grey");
    // Every field and every map.
    const int32_t full = AddMaterial("Car Paint");
    tmaterial& m = SceneMaterials[full];
    m.shininess = 1.0f;
    m.ambient = {0.1, 0.2, 0.3};
    m.diffuse = {1, 0.5, 0.25};
    m.specular = {0.9, 0.9, 0.9};
    m.colorMap = "D:\\tex\\Wheel Tex.JPG";
    m.bumpMap = "/tex/bump map.png";
    m.bumpSize = 0.125;
    m.transparencyMap = "/tex/alpha.tga";
    m.transparency = 0.25;
    m.reflection = 0.333;
    m.metal = 0;
    m.blend = 0.5;
    m.invertTransparencyMap = 1;
    m.cell = 1;
    m.cellHigh = 0;
    m.customText = "material { texture { pigment { rgb 1 } } }\r\nfinish { phong 1 }";
    m.customTextActive = 1;
    // Shininess 0, no bump map but a bump size: no "#bump_size"; an inactive
    // custom text is not written.
    const int32_t plain = AddMaterial("Plain");
    SceneMaterials[plain].shininess = 0;
    SceneMaterials[plain].bumpSize = 3;
    SceneMaterials[plain].customText = "not written";
    SceneMaterials[plain].reflection = 0;
    ExportModelFiles(Scene);
    ExpectGolden(Path("car.mtl"), "car.mtl");
    EXPECT_EQ(Messages().front(), "Writing 3 materials...");
}

TEST_F(MtlWriterTest, Numbers) {
    const int32_t a = AddMaterial("a");
    SceneMaterials[a].transparency = 0.25;
    SceneMaterials[a].reflection = 0.333;
    SceneMaterials[a].shininess = 0;
    SceneMaterials[a].bumpMap = "b.png";
    const int32_t b = AddMaterial("b");
    SceneMaterials[b].shininess = 1;
    SceneMaterials[b].transparency = 0.1;
    SceneMaterials[b].blend = 0.005;
    ExportModelFiles(Scene);
    const auto ma = Material("a");
    EXPECT_NE(std::find(ma.begin(), ma.end(), "d 0.75"), ma.end());
    EXPECT_NE(std::find(ma.begin(), ma.end(), "#r 0.33"), ma.end());
    EXPECT_NE(std::find(ma.begin(), ma.end(), "Ns 4"), ma.end());
    EXPECT_NE(std::find(ma.begin(), ma.end(), "#bump_size 1"), ma.end());
    const auto mb = Material("b");
    EXPECT_NE(std::find(mb.begin(), mb.end(), "Ns 4096"), mb.end());
    EXPECT_NE(std::find(mb.begin(), mb.end(), "d 0.9"), mb.end());
    EXPECT_NE(std::find(mb.begin(), mb.end(), "#r 0"), mb.end());
    EXPECT_NE(std::find(mb.begin(), mb.end(), "#blend 0.01"), mb.end());
}

TEST_F(MtlWriterTest, MapPathOptions) {
    const int32_t a = AddMaterial("a");
    SceneMaterials[a].colorMap = "D:\\tex\\Wheel Tex.JPG";
    SceneMaterials[a].bumpMap = "/tex/wood.jpg";
    SceneMaterials[a].transparencyMap = "alpha.png";
    ExportModelFiles(Scene);
    EXPECT_EQ(Material("a")[1], "map_d alpha.png");
    EXPECT_EQ(Material("a")[6], "map_Kd Wheel Tex.JPG");
    EXPECT_EQ(Material("a")[7], "map_Bump wood.jpg");

    Scene.mapPathOption1 = 1;  // fixed map names
    ExportModelFiles(Scene);
    EXPECT_EQ(Material("a")[1], "map_d my_car_alpha.png");
    EXPECT_EQ(Material("a")[6], "map_Kd my_car_Wheel_Tex.JPG");
    EXPECT_EQ(Material("a")[7], "map_Bump my_car_wood.jpg");

    Scene.mapPathOption2 = 1;  // paths kept; the fixed names do not apply
    Scene.mapNamesAsJpg = 1;   // not for MTL files
    ExportModelFiles(Scene);
    EXPECT_EQ(Material("a")[6], "map_Kd D:\\tex\\Wheel Tex.JPG");
    EXPECT_EQ(Material("a")[7], "map_Bump /tex/wood.jpg");
}

TEST_F(MtlWriterTest, CustomTextOnOneLine) {
    const int32_t a = AddMaterial("a");
    SceneMaterials[a].customText = "A\r\nB";
    SceneMaterials[a].customTextActive = 1;
    const int32_t b = AddMaterial("b");
    SceneMaterials[b].customText = "x ? y ~ z";
    SceneMaterials[b].customTextActive = 1;
    ExportModelFiles(Scene);
    EXPECT_EQ(Material("a").back(), "#povmaterial A?~B");
    EXPECT_EQ(Material("b").back(), "#povmaterial x ? y ~ z");
    // A "?" or "~" of the text itself will read back as a line break: said.
    EXPECT_NE(std::find(Messages().begin(), Messages().end(),
                        "<!>Material b: custom text contains ? or ~, which will read back as line breaks"),
              Messages().end());
}

}  // namespace
}  // namespace writertest
