// The OBJ file and its settings block.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "model/Errors.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"
#include "writers/ObjWriter.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

class ObjWriterTest : public WriterTest {
protected:
    // Two groups, two materials, normals and UVs; the Body quad uses
    // "Red Paint", the Wheel has one face of each material, and a polyline
    // of three points lies in the Wheel group.
    void BuildCar() {
        const int32_t body = AddGroup("Body");
        const int32_t wheel = AddGroup("Wheel Left");
        const int32_t paint = AddMaterial("Red Paint");
        const int32_t glass = AddMaterial("Glass");
        const int32_t v1 = AddVertex(0, 0, 0), v2 = AddVertex(1, 0, 0), v3 = AddVertex(1, 1, 0);
        const int32_t v4 = AddVertex(0, 1, 0), v5 = AddVertex(0.5, 0.25, -1e-5), v6 = AddVertex(12345678, 2.5, -3);
        const int32_t n1 = AddNormal(0, 0, 1), n2 = AddNormal(0, 0.7071068, 0.7071068);
        const int32_t t1 = AddUV(0, 0), t2 = AddUV(1, 0), t3 = AddUV(1, 1), t4 = AddUV(0, 1);
        const int32_t a[3] = {v1, v2, v3}, an[3] = {n1, n1, n1}, at[3] = {t1, t2, t3};
        const int32_t b[3] = {v1, v3, v4}, bt[3] = {t1, t3, t4};
        AddFace(body, paint, a, an, at);
        AddFace(body, paint, b, an, bt);
        const int32_t c[3] = {v2, v5, v6}, cn[3] = {n2, n2, n2};
        AddFace(wheel, paint, c, cn, nullptr);  // no UVs
        const int32_t d[3] = {v4, v5, v6}, dt[3] = {t4, t2, t3};
        AddFace(wheel, glass, d, nullptr, dt);  // no normals
        // Polyline v1 - v2 - v3, with UVs on its first segment only.
        LineSegments.push_back(tline{{v1, v2}, {0, 0}, {t1, t2}, wheel, glass});
        LineSegments.push_back(tline{{v2, v3}, {n1, n2}, {0, 0}, wheel, glass});
        Polylines.push_back(tpolyline{0, 2});
        PrepareObjExport();
        Scene.writeObj = 1;
        Scene.translation = {0.5, -2, 1e-7};
        Form9.glView1 = {800, 600};
    }
    std::vector<std::string> Export() {
        ExportModelFiles(Scene);
        return ReadLines(Scene.objFile);
    }
    static std::vector<std::string> Matching(const std::vector<std::string>& lines, std::string_view start) {
        std::vector<std::string> r;
        for (const std::string& l : lines)
            if (l.rfind(start, 0) == 0) r.push_back(l);
        return r;
    }
};

TEST_F(ObjWriterTest, GoldenFile) {
    BuildCar();
    Lights.push_back(tlight{});
    Lights[0].name = "Key Light";
    Lights[0].areaSize = 0.06;
    Lights[0].fadeDistance = 2;
    ExportModelFiles(Scene);
    ExpectGolden(Scene.objFile, "car.obj");
    EXPECT_EQ(Messages()[0], " ");
    EXPECT_EQ(Messages()[2], "Writing modified Wavefront file");
    const std::vector<std::string> expectedLog = {"Writing 6 vertices...", "Writing 2 normals...",
                                                  "Writing 4 UV vectors...", "Writing 4 faces...",
                                                  "Writing 2 lines...", "group: Wheel Left"};
    // The run ends with the line " " that follows the scene file's step.
    std::vector<std::string> log(Messages().end() - 7, Messages().end() - 1);
    EXPECT_EQ(log, expectedLog);
    EXPECT_EQ(Messages().back(), " ");
}

TEST_F(ObjWriterTest, UVAndNormalSwitches) {
    BuildCar();
    Form1.CheckBox22.checked = false;  // no UVs
    auto lines = Export();
    EXPECT_TRUE(Matching(lines, "vt ").empty());
    EXPECT_TRUE(Matching(lines, "# uv coordinates").empty());
    EXPECT_EQ(Matching(lines, "f ").front(), "f 1//1 2//1 3//1 ");
    EXPECT_EQ(Matching(lines, "l ").front(), "l 1// 2// 3//2 ");

    Form1.CheckBox22.checked = true;
    Form1.CheckBox21.checked = false;  // no normals
    lines = Export();
    EXPECT_TRUE(Matching(lines, "vn ").empty());
    EXPECT_EQ(Matching(lines, "f ").front(), "f 1/1/ 2/2/ 3/3/ ");
    EXPECT_EQ(Matching(lines, "f ")[2], "f 2// 5// 6// ");
    EXPECT_EQ(Matching(lines, "l ").front(), "l 1/1/ 2/2/ 3// ");
}

// A model without normals: no normal section, and no face refers to one
// (an index of 0 or to a missing section would make the file invalid).
TEST_F(ObjWriterTest, ModelWithoutNormalsWritesNoNormalIndices) {
    BuildCar();
    SceneNormals.clear();
    for (tface& f : SceneFaces) f.normal[0] = f.normal[1] = f.normal[2] = 0;
    const auto lines = Export();
    EXPECT_TRUE(Matching(lines, "# normal vectors").empty());
    EXPECT_EQ(Matching(lines, "f ").front(), "f 1/1/ 2/2/ 3/3/ ");
}

TEST_F(ObjWriterTest, HiddenGroupsAndUnselectedMaterials) {
    BuildCar();
    SceneMaterials[1].selected = 0;  // Glass: its face goes, the polyline stays
    auto lines = Export();
    EXPECT_EQ(Matching(lines, "f ").size(), 3u);
    EXPECT_EQ(Matching(lines, "l ").size(), 1u);
    // "g" and "usemtl" only before the first face of a run.
    EXPECT_EQ(Matching(lines, "g "), (std::vector<std::string>{"g Body", "g Wheel Left", "g Wheel Left"}));
    EXPECT_EQ(Matching(lines, "usemtl "),
              (std::vector<std::string>{"usemtl Red Paint", "usemtl Glass"}));
    SceneGroups[1].visible = 0;
    lines = Export();
    EXPECT_EQ(Matching(lines, "f ").size(), 2u);
    EXPECT_TRUE(Matching(lines, "l ").empty());
    EXPECT_EQ(Matching(lines, "# line segments").size(), 1u);
}

// With "Fix material and group names" the names become identifiers; two
// names that clean to the same identifier stay apart.
TEST_F(ObjWriterTest, SanitisedNamesStayDistinct) {
    BuildCar();
    const int32_t other = AddGroup("Wheel_Left");
    const int32_t mat = AddMaterial("Red_Paint");
    const int32_t digit = AddMaterial("3D Chrome");
    const int32_t v[3] = {1, 2, 3};
    AddFace(other, mat, v);
    AddFace(other, digit, v);
    Scene.sanitiseNames = 1;
    Scene.writeMtl = 1;
    const auto lines = Export();
    EXPECT_EQ(Matching(lines, "g "),
              (std::vector<std::string>{"g Body", "g Wheel_Left", "g Wheel_Left_1", "g Wheel_Left"}));
    EXPECT_EQ(Matching(lines, "usemtl "),
              (std::vector<std::string>{"usemtl Red_Paint", "usemtl Glass", "usemtl Red_Paint_1",
                                        "usemtl _3D_Chrome", "usemtl Glass"}));
    // The MTL file names the materials the same way.
    const auto mtl = Matching(ReadLines(Path("car.mtl")), "newmtl ");
    EXPECT_EQ(mtl, (std::vector<std::string>{"newmtl Red_Paint", "newmtl Glass", "newmtl Red_Paint_1",
                                             "newmtl _3D_Chrome"}));
    // The settings block keeps the names as stored.
    EXPECT_EQ(Matching(lines, "#groupflags,").back(), "#groupflags,\"Wheel_Left\",TRUE");

    // Without cleaning, names are written as stored.
    Scene.sanitiseNames = 0;
    EXPECT_EQ(Matching(Export(), "usemtl ")[3], "usemtl 3D Chrome");
}

TEST_F(ObjWriterTest, CameraMesh) {
    for (int i = 0; i < 1000; ++i) AddVertex(i, 0, 0);
    PrepareObjExport();
    Scene.writeObj = 1;
    // The statistics of the header recompute the extents first: a model
    // without faces shows nothing, so the diagonal is the start value 2
    // and the camera mesh's size s = 0.2.
    Scene.fieldOfView = 90;       // tv = 1
    Scene.cameraLocation = {1, 2, 3};
    Scene.translation = {10, 20, 30};
    Form9.glView1 = {200, 100};   // th = 2
    Form1.CheckBox83.checked = true;
    auto lines = Export();
    auto it = std::find(lines.begin(), lines.end(), "#model of camera position and FOV used in Mirelan");
    ASSERT_NE(it, lines.end());
    const std::vector<std::string> expected = {
        "#model of camera position and FOV used in Mirelan",
        "g mirelan_camera",
        "usemtl mirelan_camera",
        "v 11 22 33", "v 11 22 33.2", "v 11.1 22 33.2", "v 11.1 22 33", "v 10.9 22 33", "v 10.9 22 33.2",
        "v 11 22.1 33", "v 11 22.1 33.2", "v 11 21.9 33", "v 11 21.9 33.2",
        "v 11.4 22.2 32.8", "v 11.4 21.8 32.8", "v 10.6 22.2 32.8", "v 10.6 21.8 32.8",
        "f 1001 1002 1003 1004", "f 1001 1005 1006 1002", "f 1001 1007 1008 1002", "f 1001 1009 1010 1002",
        "f 1001 1012 1011", "f 1001 1011 1013", "f 1001 1013 1014", "f 1001 1014 1012",
        " ",
    };
    std::vector<std::string> mesh(it, it + static_cast<std::ptrdiff_t>(expected.size()));
    EXPECT_EQ(mesh, expected);

    // A yaw of 90 degrees turns the camera about Y: (x, y, z) -> (z, y, -x).
    Form1.Edit19.text = "90";
    Scene.translation = {0, 0, 0};
    lines = Export();
    it = std::find(lines.begin(), lines.end(), "usemtl mirelan_camera");
    ASSERT_NE(it, lines.end());
    EXPECT_EQ(it[1], "v 3 2 -1");
    // Unreadable angles count as 0.
    Form1.Edit19.text = "left";
    lines = Export();
    it = std::find(lines.begin(), lines.end(), "usemtl mirelan_camera");
    EXPECT_EQ(it[1], "v 1 2 3");
}

TEST_F(ObjWriterTest, SettingsBlockText) {
    const int32_t g = AddGroup("Body");
    AddGroup("No \"Shadow\", here");
    SceneGroups[1].castsShadow = 0;
    (void)g;
    tlight key;
    NewLight(key);
    key.name = "Key Light";
    key.position = {1.5, -2, 0.1};
    key.elevation = 30;
    key.rotation = -45.25;
    key.thirdAngle = 0;
    key.color = {1, 0.5, 0.25};
    key.spotTightness = 0.4f;
    key.spotSpread = 45;
    key.kind = LightSpot;
    key.shadow = 0;
    key.intensity = 0.75;
    key.pointAt = {0, 1, 0};
    key.jitter = 1;
    key.areaSize = 0.06;
    key.areaSamples = 6;
    key.fadeDistance = 2;
    Lights.push_back(key);
    tplaceholder box;
    NewPlaceholder(box);
    box.name = "Box, \"big\"";
    box.size = {0.2, 0.2, 0.2};
    box.position = {1, 2, 3};
    box.rotation = {0, 90, 0};
    box.color = 255;
    box.kind = PlaceholderCylinder;
    Placeholders.push_back(box);
    HeadlightIntensity = 0.5;
    Scene.translation = {0.1, 0, -3};
    Scene.backgroundColor = -16777216 + 15790320;  // signed
    BackgroundMapName = "/sky/my sky.jpg";
    Form1.ComboBox1.index = 1;
    Form1.Edit70.text = "-30";
    Form1.CheckBox9.checked = true;
    Form1.Edit14.text = "20";
    Form1.Edit34.text = "-1";
    Form1.Edit35.text = "1";
    Form1.Edit17.text = "1,5";      // a comma typed by the user
    Form1.Edit18.text = "";         // an empty box
    Form1.Edit19.text = "12 deg";   // a blank
    Form1.CheckBox8.checked = true;
    Form1.Edit36.text = "-0.5";
    Form1.Label151.color = 8421504;
    Form9.glView1 = {640, 480};

    std::vector<std::string> lines;
    BuildSettingsBlock(Scene, lines);
    const std::vector<std::string> expected = {
        "#Mirelan Settings Block v1.1",
        "#camera,20,TRUE,FALSE,-1,1,0,0,\"1,5\",\"\",0,\"12 deg\",0.1,0,-3,640,480",
        "#number_of_lights,1",
        "#light,\"Key Light\",1.5,-2,0.1,30,-45.25,0,1,0.5,0.25,0.400000005960464,45,1,0,1,0.75,1,0,1,0,TRUE,0.06,6,0,"
        "0,2",
        "#headlightintensity,0.5",
        "#background,1,-986896,\"/sky/my sky.jpg\",-30",
        "#placeholder_count,1",
        "#placeholder,\"Box, \"\"big\"\"\",0.2,0.2,0.2,1,2,3,0,90,0,255,2",
        "#ground,TRUE,-0.5,8421504",
        "#groupflags,\"Body\",TRUE",
        "#groupflags,\"No \"\"Shadow\"\", here\",FALSE",
        "#end of Mirelan Settings Block",
        "#==================================================",
    };
    EXPECT_EQ(lines, expected);

    // Every field comes back in its place through the comma-text splitter.
    EXPECT_EQ(SplitCommaText(lines[1]).size(), 17u);
    EXPECT_EQ(SplitCommaText(lines[1])[8], "1,5");
    EXPECT_EQ(SplitCommaText(lines[1])[9], "");
    EXPECT_EQ(SplitCommaText(lines[3]).size(), 27u);
    EXPECT_EQ(SplitCommaText(lines[7])[1], "Box, \"big\"");
    EXPECT_EQ(SplitCommaText(lines[10])[1], "No \"Shadow\", here");
    EXPECT_EQ(SplitCommaText(lines[5]).size(), 5u);
}

TEST_F(ObjWriterTest, SettingsBlockWithoutLightsPlaceholdersOrGroups) {
    std::vector<std::string> lines;
    BuildSettingsBlock(Scene, lines);
    const std::vector<std::string> expected = {
        "#Mirelan Settings Block v1.1",
        "#camera,20,FALSE,FALSE,0,0,0,0,0,0,0,0,0,0,0,640,480",
        "#number_of_lights,0",
        "#headlightintensity,1",
        "#background,0,15790320,\"\",0",
        "#placeholder_count,0",
        "#ground,FALSE,0,16777215",
        "#end of Mirelan Settings Block",
        "#==================================================",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ObjWriterTest, FieldQuoting) {
    EXPECT_EQ(TextField("20"), "20");
    EXPECT_EQ(TextField("-1.5e-3"), "-1.5e-3");
    EXPECT_EQ(TextField(""), "\"\"");
    EXPECT_EQ(TextField("a b"), "\"a b\"");
    EXPECT_EQ(TextField("a\tb"), "\"a\tb\"");
    EXPECT_EQ(TextField("x\"y"), "\"x\"\"y\"");
    EXPECT_EQ(QuotedField("Body"), "\"Body\"");
    EXPECT_EQ(QuotedField(""), "\"\"");
}

}  // namespace
}  // namespace writertest
