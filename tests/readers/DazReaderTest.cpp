#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "model/Model.h"
#include "model/Scene.h"
#include "model/VectorMath.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/readers/ReaderFixtures.h"

namespace fs = std::filesystem;

namespace {

class PreviewHooks : public WindowHooks {
public:
    void SelectCameraPreset(int32_t index) override { selected.push_back(index); }
    void PreviewClientSize(int32_t& width, int32_t& height) override {
        width = 800;
        height = 600;
    }
    std::vector<int32_t> selected;
};

class DazReaderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        Services s;
        s.window = &hooks;
        scopedHooks = std::make_unique<ScopedServices>(s);
        folder = fs::path(testing::TempDir()) / ("mirelan_daz_" + std::to_string(::getpid()) + "_" +
                                                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        Scene.extents.diagonal = 10;
    }
    void TearDown() override {
        scopedHooks.reset();
        std::error_code ec;
        fs::remove_all(folder, ec);
        ModelTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path p = folder / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }
    // One light the user already has, listed in the light selector.
    void AddUserLight() {
        tlight l;
        NewLight(l);
        l.name = "Mine";
        Lights.push_back(l);
        Form1.ComboBox2.index = 0;
    }
    void ExpectUserLightKept() {
        ASSERT_EQ(Lights.size(), 1u);
        EXPECT_EQ(Lights[0].name, "Mine");
        EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), std::vector<std::string>{"Mine"});
    }

    PreviewHooks hooks;
    std::unique_ptr<ScopedServices> scopedHooks;
    fs::path folder;
};

void ExpectVector(const tvector& v, double x, double y, double z) {
    EXPECT_NEAR(v.x, x, 1e-9);
    EXPECT_NEAR(v.y, y, 1e-9);
    EXPECT_NEAR(v.z, z, 1e-9);
}

TEST_F(DazReaderTest, SpotLightsReplaceTheLights) {
    AddUserLight();
    ReadDazLights(Write("lights.ds", build::DazLightScript()));
    ASSERT_EQ(Lights.size(), 2u);

    const tlight& a = Lights[0];
    EXPECT_EQ(a.name, "Spot 1");
    EXPECT_EQ(a.kind, LightSpot);
    ExpectVector(a.position, 1, 2, -1);
    EXPECT_EQ(a.rotation, 90);
    ExpectVector(a.color, 1, 0.5, 0);
    EXPECT_EQ(a.spotSpread, 20.0f);
    EXPECT_EQ(a.shadow, 0);
    EXPECT_EQ(a.optionA, 1);
    EXPECT_EQ(a.intensity, 0.75);
    EXPECT_EQ(a.fadeDistance, 0.1);
    // One model diagonal along the light's rotated -Z axis.
    ExpectVector(a.pointAt, 1 - 10, 2, -1);

    const tlight& b = Lights[1];
    EXPECT_EQ(b.name, "Spot 2");
    EXPECT_EQ(b.kind, LightSpot);
    ExpectVector(b.position, 0, 0, 2);
    ExpectVector(b.pointAt, 0, 10, 2);
    EXPECT_EQ(b.shadow, 1);
    ExpectVector(b.color, 1, 1, 1);  // no colour given: the default stays

    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), (std::vector<std::string>{"Spot 1", "Spot 2"}));
    EXPECT_EQ(Form1.ComboBox2.index, 0);
    EXPECT_EQ(Form1.Edit80.text, "Spot 1");  // the light panel shows the first light
    EXPECT_EQ(Messages().back(), "2 lights read");
}

TEST_F(DazReaderTest, LightClassesGiveTheKinds) {
    const std::string script =
        "var m_aNewLights = [\n"
        "[ \"Bulb\", DzPointLight ],\n"
        "[ \"Sun\", DzDistantLight ],\n"
        "[ \"Other\", SomethingElse, DzSpotLight ] ];\n"  // not in item 3: the style before stays
        "function createLight()\n"
        "set( \"XTranslate\", 0, 0 );\n"
        "set( \"XTranslate\", 0, 0 );\n"
        "set( \"XTranslate\", 0, 0 );\n";
    ReadDazLights(Write("kinds.ds", script));
    ASSERT_EQ(Lights.size(), 3u);
    EXPECT_EQ(Lights[0].kind, LightPoint);
    EXPECT_EQ(Lights[0].name, "Bulb");
    EXPECT_EQ(Lights[1].kind, LightParallel);
    EXPECT_EQ(Lights[2].kind, LightParallel);
    EXPECT_EQ(Lights[2].name, "Other");

    // A value past the end of its line.
    Lights.clear();
    AddUserLight();
    EXPECT_THROW(ReadDazLights(Write("short.ds", script + "set( \"Intensity\" );\n")), ReadError);
    ExpectUserLightKept();
}

TEST_F(DazReaderTest, ScriptsWithoutLightsOrWithBadValuesKeepTheLights) {
    AddUserLight();
    ReadDazLights(Write("none.ds", "var m_aNewCameras = [ [ \"Cam\", DzBasicCamera ] ];\n"
                                   "// var m_aNewLights = [ [ \"L\", DzSpotLight ] ];\n"));
    ExpectUserLightKept();
    EXPECT_EQ(Messages().back(), "<!> No lights found");

    // A shadow flag that is not a whole number ends the read before any light
    // goes; a value of a million characters is cut in the message.
    for (const std::string& value : {std::string("yes"), std::string("1.5"), std::string(1000000, 'y')}) {
        try {
            ReadDazLights(Write("bad.ds", build::DazLightScript(value)));
            ADD_FAILURE() << value.substr(0, 10);
        } catch (const ReadError& e) {
            EXPECT_LT(std::string(e.what()).size(), 1000u);
        }
        ExpectUserLightKept();
    }

    // More lights created than declared.
    std::string script = build::DazLightScript();
    script.replace(script.find("\t\tdefault:"), 0, "\t\tcase 2:\r\n\t\t\toLight.set( \"XTranslate\", 0, 1 );\r\n");
    EXPECT_THROW(ReadDazLights(Write("extra.ds", script)), ReadError);
    ExpectUserLightKept();

    EXPECT_THROW(ReadDazLights((folder / "missing.ds").string()), ReadError);
    ExpectUserLightKept();
}

TEST_F(DazReaderTest, CamerasAreAppendedSelectedAndApplied) {
    tcamera front;
    front.name = "Front";
    Cameras.push_back(front);
    Form1.ComboBox8.index = 0;
    ReadDazCameras(Write("cams.ds", build::DazCameraScript()));

    ASSERT_EQ(Cameras.size(), 3u);
    const tcamera& a = Cameras[1];
    EXPECT_EQ(a.name, "Camera 1-cams.ds");
    EXPECT_NEAR(a.zoom, 50, 1e-5);
    EXPECT_EQ(a.noPerspective, 1);  // "Perspective" 0
    EXPECT_EQ(a.panH, 0);
    EXPECT_EQ(a.panV, 1);
    EXPECT_EQ(a.distance, 2);
    EXPECT_EQ(a.useFocalBlur, 0);
    EXPECT_EQ(a.reserved1, 1.0);
    EXPECT_EQ(a.previewWidth, 800);
    EXPECT_EQ(a.previewHeight, 600);
    ExpectVector(a.translation, 0, 0, 0);

    const tcamera& b = Cameras[2];
    EXPECT_EQ(b.name, "Camera 2-cams.ds");
    EXPECT_EQ(b.zoom, 170);
    EXPECT_EQ(b.noPerspective, 0);
    EXPECT_EQ(b.pitch, 90);
    // The position turned into the camera's frame.
    EXPECT_NEAR(b.panH, 0, 1e-12);
    EXPECT_NEAR(b.panV, 0, 1e-12);
    EXPECT_NEAR(b.distance, -1, 1e-12);

    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8),
              (std::vector<std::string>{"Front", "Camera 1-cams.ds", "Camera 2-cams.ds"}));
    EXPECT_EQ(Form1.ComboBox8.index, 2);
    EXPECT_EQ(hooks.selected, std::vector<int32_t>{2});
    EXPECT_EQ(Messages().back(), "2 cameras read");
}

TEST_F(DazReaderTest, BrokenCameraScriptsAddNothing) {
    ReadDazCameras(Write("none.ds", build::DazLightScript()));
    EXPECT_EQ(Messages().back(), "<!> No cameras found");
    std::string extra = build::DazCameraScript();
    extra.replace(extra.find("\t\tdefault:"), 0, "\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n");
    const std::string script = build::DazCameraScript();
    for (const std::string& text : {extra, script.substr(0, script.find("240 );")) + "\n}\n"}) {
        EXPECT_THROW(ReadDazCameras(Write("bad.ds", text)), ReadError);
        EXPECT_TRUE(Cameras.empty());
        EXPECT_EQ(Form1.ComboBox8.Count(), 0u);
    }
    EXPECT_TRUE(hooks.selected.empty());
}

TEST_F(DazReaderTest, TruncatedScriptsNeverCrash) {
    const std::string lights = build::DazLightScript(), cameras = build::DazCameraScript();
    for (std::size_t cut = 0; cut <= std::max(lights.size(), cameras.size()); cut += 2) {
        AddUserLight();
        try {
            ReadDazLights(Write("cut.ds", lights.substr(0, std::min(cut, lights.size()))));
        } catch (const ReadError&) {
            ExpectUserLightKept();
        }
        Lights.clear();
        const std::size_t before = Cameras.size();
        try {
            ReadDazCameras(Write("cut.ds", cameras.substr(0, std::min(cut, cameras.size()))));
        } catch (const ReadError&) {
            EXPECT_EQ(Cameras.size(), before);
        }
    }
}

TEST(RotateByEulerDegrees, TurnsIntoTheCameraFrame) {
    // Undoes the rotation about X, then Y, then Z by the angles.
    const tvector p{0.3, -1.2, 2.5};
    const tvector angles{20, 35, -50};
    tvector q = RotateAboutAxis(p, {1, 0, 0}, -angles.x * DegToRad);
    q = RotateAboutAxis(q, {0, 1, 0}, -angles.y * DegToRad);
    q = RotateAboutAxis(q, {0, 0, 1}, -angles.z * DegToRad);
    const tvector r = RotateByEulerDegrees(p, angles);
    EXPECT_NEAR(r.x, q.x, 1e-12);
    EXPECT_NEAR(r.y, q.y, 1e-12);
    EXPECT_NEAR(r.z, q.z, 1e-12);
    const tvector id = RotateByEulerDegrees(p, {0, 0, 0});
    EXPECT_EQ(id, p);
}

// A script held in memory reads as the same script in a file; its name is
// the one given.
TEST_F(DazReaderTest, ScriptInMemoryReadsAsItsFile) {
    ReadDazLights(Write("lights.ds", build::DazLightScript()));
    std::vector<std::string> fromFile;
    for (const tlight& l : Lights) fromFile.push_back(l.name.str() + " " + std::to_string(l.kind));
    ClearLights();
    ReadDazLightsText("lights.ds", build::DazLightScript());
    std::vector<std::string> fromText;
    for (const tlight& l : Lights) fromText.push_back(l.name.str() + " " + std::to_string(l.kind));
    EXPECT_EQ(fromText, fromFile);
    EXPECT_EQ(fromText, (std::vector<std::string>{"Spot 1 1", "Spot 2 1"}));
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), (std::vector<std::string>{"Spot 1", "Spot 2"}));

    ReadDazCamerasText("cams.ds", build::DazCameraScript());
    ASSERT_EQ(Cameras.size(), 2u);
    EXPECT_EQ(Cameras[0].name, "Camera 1-cams.ds");
    EXPECT_THROW(ReadDazLightsText("bad.ds", build::DazLightScript("yes")), ReadError);
    EXPECT_EQ(Lights.size(), 2u);
}

}  // namespace
