// The POV-Ray scene file: head, includes, global settings, camera, lights,
// ground, background, sky, placeholders and the final object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "model/Errors.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"
#include "writers/PovSceneWriter.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

class PovSceneWriterTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        Scene.modelFile = "/models/car.obj";
        Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeObj = Scene.writeIni = 0;
        Scene.writeGeometryInclude = Scene.writeUdo = Scene.writeMtl = 0;
        Scene.writePovScene = 1;
        Scene.povSceneFile = Path("car_POV_scene.pov");
        Scene.povGeometryFile = Path("car_POV_geom.inc");
        Scene.povMaterialFile = Path("car_POV_mat.inc");
        Scene.iniFile = Path("car_POV_main.ini");
        fixtures::AddCube(2.0, {0.5, 1, 0});
        Form9.glView1 = {640, 480};
        Scene.activeCameraName = "MirelanCAMERA";
        Scene.fieldOfView = 25;
        Scene.cameraLocation = {0, 0, 6};
        Scene.translation = {0.5, 1, 0};
        Scene.backgroundColor = 0x336699;  // r 0x99, g 0x66, b 0x33
        Form1.Edit18.text = "0";
        Form1.Edit20.text = "-25";
        Form1.Edit19.text = "45";
    }
    std::vector<std::string> Write() {
        ExportModelFiles(Scene);
        return ReadLines(Scene.povSceneFile);
    }
    // A whole line, or with a final "*" the start of a line.
    static bool Matches(const std::string& line, std::string_view pattern) {
        if (!pattern.empty() && pattern.back() == '*') return line.rfind(pattern.substr(0, pattern.size() - 1), 0) == 0;
        return line == pattern;
    }
    // The lines from the first that matches `first` up to (not including)
    // the first line after it that matches `end`; an empty `end` takes the
    // rest.
    static std::vector<std::string> Section(const std::vector<std::string>& lines, std::string_view first,
                                            std::string_view end) {
        auto b = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return Matches(l, first); });
        if (b == lines.end()) return {};
        auto e = end.empty() ? lines.end()
                             : std::find_if(b + 1, lines.end(), [&](const std::string& l) { return Matches(l, end); });
        return {b, e};
    }
    static bool Has(const std::vector<std::string>& lines, std::string_view line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool Logged(std::string_view start) const {
        for (const std::string& l : Messages())
            if (l.rfind(start, 0) == 0) return true;
        return false;
    }
    // Collects sections of several writes into one text for a golden file.
    void Append(std::string& text, const std::string& title, const std::vector<std::string>& lines) {
        text += "== " + title + "\n";
        for (const std::string& l : lines) text += l + "\n";
    }
    void ExpectGoldenText(const std::string& text, const std::string& golden) {
        const std::string path = Path(golden);
        std::ofstream(path, std::ios::binary) << text;
        ExpectGolden(path, golden);
    }
    static tlight Light(const char* name, int32_t kind) {
        tlight l;
        NewLight(l);
        l.name = name;
        l.kind = kind;
        l.position = {1, 2.5, -3};
        l.color = {1, 0.5, 0.25};
        l.intensity = 0.75;
        l.pointAt = {0, 0.1, 0};
        l.areaSize = 0.06;
        l.fadeDistance = 2;
        return l;
    }
};

// A scene without lights, ground, sky or placeholders: the default light
// fixed to the camera.
TEST_F(PovSceneWriterTest, GoldenDefaultScene) {
    HeadlightIntensity = 1.25;
    Write();
    ExpectGolden(Scene.povSceneFile, "scene_default.pov");
    const std::vector<std::string> first(Messages().begin(), Messages().begin() + 3);
    EXPECT_EQ(first, (std::vector<std::string>{" ", "==================================================",
                                               "Writing POV-Ray scene file"}));
    EXPECT_TRUE(Logged("No lights in scene. Using default camera light"));
    EXPECT_EQ(Messages().back(), " ");  // logged after the scene step
}

// Every light kind, a shadowless light, ground, a map sky, placeholders of
// every kind, the explicit radiosity block and an orthographic camera.
TEST_F(PovSceneWriterTest, GoldenFullScene) {
    Lights.push_back(Light("Sun", LightParallel));
    Lights.back().elevation = 30;
    Lights.back().rotation = 45;
    Lights.push_back(Light("Spot", LightSpot));
    Lights.back().spotSpread = 25;
    Lights.back().spotTightness = 10;
    Lights.push_back(Light("Soft area", LightArea));
    Lights.back().jitter = 1;
    Lights.push_back(Light("Hard area", LightArea));
    Lights.back().areaSamples = 3;
    Lights.push_back(Light("Bulb", LightPoint));
    Lights.back().shadow = 0;
    Form1.CheckBox8.checked = true;
    Form1.Edit36.text = "-0.5";
    Form1.Label151.color = 0x00FF80;
    Form1.ComboBox1.index = 1;
    BackgroundMapName = "/maps/Sky Dome.png";
    BackgroundRotation = 30;
    Form1.ComboBox14.index = 1;
    Scene.orthographic = 1;
    for (uint8_t kind : {PlaceholderBox, PlaceholderBall, PlaceholderCylinder}) {
        tplaceholder p;
        NewPlaceholder(p);
        p.kind = kind;
        p.name = "Shape_" + std::to_string(kind);
        p.size = {1, 2, 3};
        p.position = {0.5, 0, -1};
        p.rotation = {0, 90, 0};
        p.color = 0x0000FF;
        Placeholders.push_back(p);
    }
    Write();
    ExpectGolden(Scene.povSceneFile, "scene_full.pov");
}

TEST_F(PovSceneWriterTest, GoldenCameraKinds) {
    std::string text;
    Append(text, "perspective", Section(Write(), "//CAMERA*", "//Mirelan default*"));
    Form1.CheckBox25.checked = true;  // focal blur
    Form1.Edit34.text = "-1";
    Form1.Edit35.text = "1";
    Append(text, "perspective with focal blur", Section(Write(), "//CAMERA*", "//Mirelan default*"));
    Form1.CheckBox25.enabled = false;  // used only while enabled
    Append(text, "focal blur disabled", Section(Write(), "//CAMERA*", "//Mirelan default*"));
    Form1.CheckBox25.checked = false;
    Scene.orthographic = 1;
    Append(text, "orthographic", Section(Write(), "//CAMERA*", "//Mirelan default*"));
    Form1.CheckBox20.checked = true;  // spherical wins over orthographic
    Append(text, "spherical", Section(Write(), "//CAMERA*", "//Mirelan default*"));
    ExpectGoldenText(text, "scene_cameras.txt");
}

TEST_F(PovSceneWriterTest, GoldenSkyChoices) {
    BackgroundMapName = "/maps/sky.jpg";
    std::string text;
    for (int32_t index = 0; index <= 30; ++index) {
        Form1.ComboBox1.index = index;
        Append(text, std::to_string(index), Section(Write(), "//Background", "//Assembled*"));
    }
    ExpectGoldenText(text, "scene_skies.txt");
}

TEST_F(PovSceneWriterTest, GoldenRadiosityChoices) {
    std::string text;
    for (int32_t index = 0; index <= 12; ++index) {
        Form1.ComboBox14.index = index;
        const auto lines = Write();
        Append(text, std::to_string(index), Section(lines, "#include*", "//CAMERA*"));
    }
    ExpectGoldenText(text, "scene_radiosity.txt");
}

TEST_F(PovSceneWriterTest, CommandLineComment) {
    auto comment = [&] { return Section(Write(), "//This file was designed*", "//if you*").at(1); };
    EXPECT_EQ(comment(), "// +W1000 +H1000 +FN +AM1 +A -UA");
    Form1.ComboBox5.index = 2;
    Form1.ComboBox6.index = 3;
    Form1.CheckBox50.checked = true;
    EXPECT_EQ(comment(), "// +W1000 +H1000 +FP +AM3 +A +UA");
    Form1.ComboBox6.index = 0;
    Form1.ComboBox5.index = 3;  // Windows BMP
    EXPECT_EQ(comment(), "// +W1000 +H1000 +FB -A +UA");
    Form1.ComboBox6.index = -1;
    Form1.ComboBox5.index = -1;
    Form1.Edit47.text = "abc";  // not an integer: the preview's size
    Form1.Edit48.text = " 300 ";
    EXPECT_EQ(comment(), "// +W640 +H300 -A +UA");
}

TEST_F(PovSceneWriterTest, BatchIncludePadsFrameNumbers) {
    BatchFiles = {"/frames/frame001.obj", "/frames/frame002.obj", "/frames/frame010.obj"};
    Form1.Edit119.text = "frame";
    const std::string expression = "concat(\"frame\",str(frame_number,-3,0),\".inc\")";
    auto lines = Write();
    EXPECT_TRUE(Has(lines, "#include " + expression + " //Geometry changes with frame_number"));
    EXPECT_EQ(Scene.povGeometryFile, expression);
    const auto end = Section(lines, "//Assembled*", "");
    EXPECT_EQ(end, (std::vector<std::string>{"//Assembled object that is contained in " + expression, "object{",
                                              "      mirelan_scene_object_", "      }",
                                              "//=================================================="}));
    // Names without a frame number after the prefix: no padding.
    BatchFiles = {"/frames/walk.obj", "/frames/run.obj"};
    Form1.Edit119.text = "walk";
    EXPECT_EQ(BatchGeometryIncludeExpression(), "concat(\"walk\",str(frame_number,0,0),\".inc\")");
    // "Use a Batch file": one scene per model, no expression.
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    Scene.povGeometryFile = Path("car_POV_geom.inc");
    lines = Write();
    EXPECT_TRUE(Has(lines, "#include \"car_POV_geom.inc\" //Geometry"));
    EXPECT_TRUE(Has(lines, "      car_"));
}

// Edit texts become numbers: "1,5" is 1.5, text that is no number 0 with a
// warning, never text that POV-Ray cannot parse.
TEST_F(PovSceneWriterTest, EditTextsAreWrittenAsNumbers) {
    Form1.Edit18.text = "1,5";
    Form1.Edit20.text = "abc";
    Form1.Edit19.text = "1e1";
    Form1.CheckBox8.checked = true;
    Form1.Edit36.text = "-0,25";
    const auto lines = Write();
    EXPECT_TRUE(Has(lines, "        rotate <0,0,1.5> //roll"));
    EXPECT_TRUE(Has(lines, "        rotate <0,0,0> //pitch"));
    EXPECT_TRUE(Has(lines, "        rotate <0,10,0> //yaw"));
    // The default light turns with the camera.
    EXPECT_TRUE(Has(lines, "              rotate <0,0,1.5> //roll"));
    EXPECT_TRUE(Has(lines, "              rotate <0,0,0> //elevation"));
    EXPECT_TRUE(Has(lines, "              rotate <0,10,0> //rotation"));
    EXPECT_TRUE(Has(lines, "      <0,1,0>,-0.25"));
    EXPECT_TRUE(Logged("<!>Pitch (deg) r1: \"abc\" is not a number: 0 written"));
}

TEST_F(PovSceneWriterTest, UnknownKindsAreNeverWrittenUnparsable) {
    Lights.push_back(Light("Odd", 7));
    Lights.push_back(Light("No samples", LightArea));
    Lights.back().areaSamples = 0;
    Form1.CheckBox61.checked = true;
    tplaceholder p;
    NewPlaceholder(p);
    p.name = "Strange";
    p.kind = 5;
    Placeholders.push_back(p);
    p.name = "Plain";
    p.kind = PlaceholderBall;
    Placeholders.push_back(p);
    const auto lines = Write();
    EXPECT_EQ(Section(lines, "//Odd", " "),
              (std::vector<std::string>{"//Odd", "light_source {", "              <1,2.5,-3> //light position",
                                        "              color rgb <1,0.5,0.25>*1.2", "              fade_power 2",
                                        "              fade_distance 2", "        }"}));
    EXPECT_TRUE(Logged("<!>Light Odd is of an unknown kind (7): written as a point light"));
    EXPECT_TRUE(Has(lines, "              1,1"));
    EXPECT_TRUE(Logged("<!>Area light No samples has 0 samples: 1 written"));
    EXPECT_FALSE(Has(lines, "//Strange"));
    EXPECT_TRUE(Has(lines, "//Plain"));
    EXPECT_TRUE(Logged("<!>Placeholder Strange is of an unknown kind (5): not written"));
    // Placeholders are written only while "Display placeholders" is checked.
    Form1.CheckBox61.checked = false;
    EXPECT_FALSE(Has(Write(), "//Placeholders"));
}

TEST_F(PovSceneWriterTest, FocalBlurNeedsAUsableAperture) {
    double aperture = 0;
    // z = 6, planes -1 and 1: k = 2 / (1/5 - 1/7) = 35.
    ASSERT_TRUE(FocalBlurAperture(6, 1, -1, 25, 4.0 / 3, 1000, aperture));
    const double hf = 2 * std::atan(std::tan(12.5 * 3.14159265358979323846 / 180) * 4.0 / 3);
    EXPECT_NEAR(aperture, (36.0 / 1000 * 5) * 35 / (18 / std::tan(hf / 2)), 1e-12);
    EXPECT_FALSE(FocalBlurAperture(6, 6, -1, 25, 4.0 / 3, 1000, aperture));  // camera on the front plane
    EXPECT_FALSE(FocalBlurAperture(6, 1, 1, 25, 4.0 / 3, 1000, aperture));   // planes together
    EXPECT_FALSE(FocalBlurAperture(6, -1, 1, 25, 4.0 / 3, 1000, aperture));  // planes swapped
    EXPECT_EQ(aperture, 0);

    Form1.CheckBox25.checked = true;
    Form1.Edit34.text = "6";
    Form1.Edit35.text = "6";
    const auto camera = Section(Write(), "//CAMERA*", "//Mirelan default*");
    for (const std::string& l : camera) EXPECT_EQ(l.find("aperture"), std::string::npos) << l;
    EXPECT_TRUE(Logged("<!>Focal blur left out"));
}

TEST_F(PovSceneWriterTest, OrthographicCameraBehindTheOrigin) {
    Scene.orthographic = 1;
    Scene.cameraLocation = {0, 0, -4};
    const auto camera = Section(Write(), "//CAMERA*", "//Mirelan default*");
    const std::string h = FloatToText(2 * std::tan(12.5 * 3.14159265358979323846 / 180) * 4);
    EXPECT_TRUE(Has(camera, "        up <0,1,0>*" + h));
    EXPECT_TRUE(Logged("<!>Orthographic camera"));
}

TEST_F(PovSceneWriterTest, SphericalMapNames) {
    Form1.ComboBox1.index = 1;
    BackgroundMapName = "/maps/Sky Dome.PNG";
    BackgroundRotation = -12.5;
    auto sky = [&] { return Section(Write(), "//Sky", "//Assembled*"); };
    EXPECT_EQ(sky(), (std::vector<std::string>{
                         "//Sky", "sky_sphere {",
                         "        pigment { image_map { png \"Sky Dome.PNG\" interpolate 2 map_type 1 } }",
                         "        rotate <0,-12.5,0>", "}", " "}));
    Scene.mapPathOption2 = 1;
    EXPECT_EQ(sky()[2], "        pigment { image_map { png \"/maps/Sky Dome.PNG\" interpolate 2 map_type 1 } }");
    Scene.mapPathOption2 = 0;
    Scene.mapPathOption1 = 1;
    Scene.mapNamesAsJpg = 1;
    EXPECT_EQ(sky()[2], "        pigment { image_map { jpeg \"car_Sky_Dome.jpg\" interpolate 2 map_type 1 } }");
    // A quote in the name does not end the string.
    Scene.mapPathOption1 = Scene.mapNamesAsJpg = 0;
    BackgroundMapName = "/maps/my \"sky\".png";
    EXPECT_EQ(sky()[2], "        pigment { image_map { png \"my \\\"sky\\\".png\" interpolate 2 map_type 1 } }");
    // No map: only the comment.
    BackgroundMapName.clear();
    EXPECT_EQ(sky(), (std::vector<std::string>{"//Sky", " "}));
    // An index outside the list is the colour background.
    Form1.ComboBox1.index = 31;
    EXPECT_TRUE(sky().empty());
}

TEST_F(PovSceneWriterTest, WriteFailureEndsTheRun) {
    Scene.povSceneFile = Path("missing/folder/scene.pov");
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
}

}  // namespace
}  // namespace writertest
