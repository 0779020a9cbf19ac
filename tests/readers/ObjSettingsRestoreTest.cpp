#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Model.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "tests/fixtures/Fixtures.h"
#include "readers/ObjReader.h"
#include "tests/readers/ReaderFiles.h"
#include "writers/ObjWriter.h"

namespace {

using readertest::ReaderFileTest;

const char* const Geometry =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
    "g Body\nf 1 2 3\n"
    "g Wheels\nf 3 2 1\n";

// A block as the program writes it, one entry per line.
std::vector<std::string> GoodBlock() {
    return {
        "#Mirelan Settings Block v1.1",
        "#camera,35,TRUE,FALSE,-2.5,2.5,0.1,-0.2,7.5,10,20,30,1.5,-2,3.25,800,600",
        "#number_of_lights,2",
        "#light,\"Key Light\",1,2,3,45,90,5,1,0.9,0.8,30,25,1,1,2,0.75,1.5,0.1,0.2,0.3,TRUE,0.5,4,7,8,12.5",
        "#light,\"Fill\",0,0,1,0,0,0,0.5,0.5,0.5,20,20,3,0,1,0.4,1,0,0,0,FALSE,0.06,6,0,0,2",
        "#headlightintensity,0.6",
        "#background,5,255,\"C:\\Program Files\\Mirelan\\Preview_Sky_clouds.tga\",-45",
        "#placeholder_count,2",
        "#placeholder,\"Table\",1,2,3,4,5,6,10,20,30,65280,0",
        "#placeholder,\"Ball\",0.5,0.5,0.5,0,1,0,0,0,0,255,1",
        "#ground,TRUE,-0.25,8421504",
        "#groupflags,\"Body\",FALSE",
        "#groupflags,\"Wheels\",TRUE",
        "#end of Mirelan Settings Block",
        "#==================================================",
    };
}

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string s;
    for (const std::string& l : lines) s += l + end;
    return s;
}

class ObjSettingsRestoreTest : public ReaderFileTest {
protected:
    void SetUp() override {
        ReaderFileTest::SetUp();
        SetProgramDirOverride(Dir() + "program");
        // What the user had before the load.
        tlight old;
        NewLight(old);
        old.name = "Old";
        Lights.push_back(old);
        Form1.ComboBox2.index = 0;
        tplaceholder shape;
        NewPlaceholder(shape);
        shape.name = "OldShape";
        Placeholders.push_back(shape);
        Form1.CheckBox42.checked = false;
    }
    void ReadWithBlock(const std::vector<std::string>& block, const std::string& end = "\n") {
        ReadObjText(Join({Geometry}, "") + "# other comment\n" + Join(block, end));
    }
    void ExpectNothingRestored() {
        ASSERT_EQ(Lights.size(), 1u);
        EXPECT_EQ(Lights[0].name, "Old");
        EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), (std::vector<std::string>{"Old"}));
        ASSERT_EQ(Placeholders.size(), 1u);
        EXPECT_EQ(Placeholders[0].name, "OldShape");
        EXPECT_EQ(Form1.Edit14.text, "20");
        EXPECT_EQ(Scene.loadFlag, 0);
        EXPECT_EQ(Scene.translation, (tvector{0, 0, 0}));
        EXPECT_EQ(HeadlightIntensity, 1.0);
        EXPECT_EQ(Form1.ComboBox1.index, 0);
        EXPECT_TRUE(hooks.sizes.empty());
        EXPECT_TRUE(hooks.backgrounds.empty());
        EXPECT_TRUE(BackgroundMapName.empty());
        EXPECT_FALSE(Form1.CheckBox8.checked);
        EXPECT_EQ(ImportGroups[0].castsShadow, 1);
        // The geometry is kept.
        EXPECT_EQ(ImportFaces.size(), 2u);
        EXPECT_TRUE(LoggedStartingWith("<!>The settings block of model.obj is damaged (line "));
        EXPECT_FALSE(Logged("Reading camera..."));
    }
};

TEST_F(ObjSettingsRestoreTest, AWholeBlockRestoresTheScene) {
    ReadWithBlock(GoodBlock());
    // Camera.
    EXPECT_EQ(Form1.Edit14.text, "35");
    EXPECT_TRUE(Form1.CheckBox9.checked);
    EXPECT_FALSE(Form1.CheckBox25.checked);
    EXPECT_FALSE(Form1.CheckBox25.enabled);
    EXPECT_EQ(Scene.orthographic, 1);
    EXPECT_EQ(Form1.Edit34.text, "-2.5");
    EXPECT_EQ(Form1.Edit35.text, "2.5");
    EXPECT_EQ(Form1.Edit15.text, "0.1");
    EXPECT_EQ(Form1.Edit16.text, "-0.2");
    EXPECT_EQ(Form1.Edit17.text, "7.5");
    EXPECT_EQ(Form1.Edit18.text, "10");
    EXPECT_EQ(Form1.Edit20.text, "20");
    EXPECT_EQ(Form1.Edit19.text, "30");
    EXPECT_EQ(Scene.translation, (tvector{1.5, -2, 3.25}));
    EXPECT_EQ(Scene.cameraViewportWidth, 800);
    EXPECT_EQ(Scene.cameraViewportHeight, 600);
    EXPECT_EQ(hooks.sizes, (std::vector<std::pair<int32_t, int32_t>>{{800, 600}}));
    EXPECT_EQ(Form9.glView1.width, 800);
    EXPECT_EQ(Scene.loadFlag, 1);
    // Lights.
    ASSERT_EQ(Lights.size(), 2u);
    const tlight& k = Lights[0];
    EXPECT_EQ(k.name, "Key Light");
    EXPECT_EQ(k.position, (tvector{1, 2, 3}));
    EXPECT_EQ(k.elevation, 45);
    EXPECT_EQ(k.rotation, 90);
    EXPECT_EQ(k.thirdAngle, 5);
    EXPECT_EQ(k.color, (tvector{1, 0.9, 0.8}));
    EXPECT_EQ(k.spotTightness, 30.0f);
    EXPECT_EQ(k.spotSpread, 25.0f);
    EXPECT_EQ(k.kind, LightSpot);
    EXPECT_EQ(k.shadow, 1);
    EXPECT_EQ(k.optionA, 2);
    EXPECT_EQ(k.intensity, 0.75);
    EXPECT_EQ(k.factorB, 1.5);
    EXPECT_EQ(k.pointAt, (tvector{0.1, 0.2, 0.3}));
    EXPECT_EQ(k.jitter, 1);
    EXPECT_EQ(k.areaSize, 0.5);
    EXPECT_EQ(k.areaSamples, 4);
    EXPECT_EQ(k.optionC, 7);
    EXPECT_EQ(k.optionD, 8);
    EXPECT_EQ(k.fadeDistance, 12.5);
    EXPECT_EQ(Lights[1].kind, LightPoint);
    EXPECT_EQ(Lights[1].shadow, 0);
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), (std::vector<std::string>{"Key Light", "Fill"}));
    EXPECT_EQ(Form1.ComboBox2.index, 0);
    EXPECT_EQ(Form1.Edit80.text, "Key Light");  // the light panel shows the first light
    EXPECT_EQ(Form1.Edit67.text, "1.0");
    EXPECT_EQ(HeadlightIntensity, 0.6);
    // Background: the sky map rendered by the program is taken from its folder.
    EXPECT_EQ(Form1.ComboBox1.index, 5);
    EXPECT_TRUE(Form1.CheckBox42.checked);
    EXPECT_EQ(Scene.backgroundColor, 255);
    ASSERT_EQ(hooks.clearColors.size(), 1u);
    EXPECT_EQ(hooks.clearColors[0], (tvector{1, 0, 0}));
    EXPECT_EQ(hooks.alphas[0], 1.0);
    EXPECT_EQ(BackgroundMapName, ProgramDir() + "Preview_Sky_clouds.tga");
    EXPECT_EQ(hooks.backgrounds, (std::vector<std::string>{ProgramDir() + "Preview_Sky_clouds.tga"}));
    EXPECT_EQ(Form1.UpDown8.position, -45);
    EXPECT_EQ(Form1.Edit70.text, "-45");
    EXPECT_EQ(BackgroundRotation, -45);
    // Placeholders.
    ASSERT_EQ(Placeholders.size(), 2u);
    EXPECT_EQ(Placeholders[0].name, "Table");
    EXPECT_EQ(Placeholders[0].size, (tvector{1, 2, 3}));
    EXPECT_EQ(Placeholders[0].position, (tvector{4, 5, 6}));
    EXPECT_EQ(Placeholders[0].rotation, (tvector{10, 20, 30}));
    EXPECT_EQ(Placeholders[0].color, 65280);
    EXPECT_EQ(Placeholders[0].kind, PlaceholderBox);
    EXPECT_EQ(Placeholders[1].kind, PlaceholderBall);
    EXPECT_EQ(Form1.ComboBox7.items, (std::vector<std::string>{"Table", "Ball"}));
    EXPECT_EQ(Form1.ComboBox7.index, 0);
    EXPECT_EQ(Form1.Edit79.text, "Table");
    EXPECT_EQ(Form1.Edit83.text, "10");
    // Ground and group flags.
    EXPECT_TRUE(Form1.CheckBox8.checked);
    EXPECT_TRUE(Form1.Edit36.enabled);
    EXPECT_EQ(Form1.Edit36.text, "-0.25");
    EXPECT_EQ(Form1.Label151.color, 8421504);
    EXPECT_EQ(ImportGroups[0].castsShadow, 0);
    EXPECT_EQ(ImportGroups[1].castsShadow, 1);
    // The log, in order.
    std::vector<std::string> restoreLog;
    for (const std::string& m : Messages())
        if (m.find("Reading") == 0 || m.find("light") != std::string::npos || m.find("placeholder") != std::string::npos)
            restoreLog.push_back(m);
    EXPECT_EQ(restoreLog, (std::vector<std::string>{"Reading materials ", "Reading camera...", "Reading lights...",
                                                   "1 lights deleted.", "2 lights read", "2 placeholders read"}));
}

TEST_F(ObjSettingsRestoreTest, NoLightsOrPlaceholdersInTheBlockKeepTheUsersOnes) {
    std::vector<std::string> block = GoodBlock();
    block[2] = "#number_of_lights,0";
    block.erase(block.begin() + 3, block.begin() + 5);
    block[5] = "#placeholder_count,-1";
    block.erase(block.begin() + 6, block.begin() + 8);
    // Header in other letter case, lines ended by CR LF.
    block[0] = "#MIRELAN settings block V1.1";
    ReadWithBlock(block, "\r\n");
    EXPECT_EQ(Scene.loadFlag, 1);
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Lights[0].name, "Old");
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(Form1.Edit36.text, "-0.25");
    EXPECT_EQ(ImportGroups[0].castsShadow, 0);
    EXPECT_FALSE(LoggedStartingWith("0 lights"));
    EXPECT_FALSE(Logged("0 placeholders read"));
}

TEST_F(ObjSettingsRestoreTest, ValuesOutsideTheirRangeAreBroughtIntoIt) {
    std::vector<std::string> block = GoodBlock();
    block[4] = "#light,\"Say \"\"hi\"\"\",0,0,1,0,0,0,0.5,0.5,0.5,20,20,2,1,1,0.4,1,0,0,0,FALSE,0.06,0,0,0,2";
    block[6] = "#background,42,-1,\"\",200";
    block[10] = "#ground,FALSE,\"1,5\",blue";
    block[1] = "#camera,\"1,5\",FALSE,TRUE,-1,1,0,0,0,0,0,0,0,0,0,0,0";
    Form1.Label151.color = 77;
    ReadWithBlock(block);
    ASSERT_EQ(Lights.size(), 2u);
    EXPECT_EQ(Lights[1].name, "Say \"hi\"");
    EXPECT_EQ(Lights[1].areaSamples, 1);
    EXPECT_EQ(Form1.ComboBox1.index, 0);
    EXPECT_FALSE(Form1.CheckBox42.checked);
    EXPECT_EQ(Scene.backgroundColor, -1);
    EXPECT_TRUE(hooks.backgrounds.empty());
    EXPECT_EQ(Form1.UpDown8.position, 180);
    EXPECT_EQ(BackgroundRotation, 180);
    EXPECT_EQ(Form1.Edit36.text, "1,5");
    EXPECT_FALSE(Form1.Edit36.enabled);
    EXPECT_EQ(Form1.Label151.color, 77);  // a colour that is no number is ignored
    EXPECT_EQ(Form1.Edit14.text, "1,5");
    EXPECT_TRUE(Form1.CheckBox25.checked);
    EXPECT_FALSE(Form1.CheckBox9.enabled);
    EXPECT_TRUE(Form1.Edit34.enabled);
    EXPECT_TRUE(hooks.sizes.empty());  // no size of 0 x 0 is asked for

    for (const auto& [text, expected] : std::vector<std::pair<std::string, int>>{
             {"abc", 0}, {"12.6", 13}, {"-1000", -180}, {"\"-7\"", -7}}) {
        ClearImportLists();
        block[6] = "#background,1,0,\"sky.png\"," + text;
        ReadWithBlock(block);
        EXPECT_EQ(Form1.UpDown8.position, expected) << text;
        EXPECT_EQ(BackgroundMapName, "sky.png");
    }
    // A preview larger than any frame buffer shrinks to one, its shape kept.
    ClearImportLists();
    block[1] = "#camera,35,TRUE,FALSE,-2.5,2.5,0.1,-0.2,7.5,10,20,30,1.5,-2,3.25,40000,30000";
    ReadWithBlock(block);
    EXPECT_EQ(std::pair(Form9.glView1.width, Form9.glView1.height), std::pair(8192, 6144));
    EXPECT_EQ(hooks.sizes, (std::vector<std::pair<int32_t, int32_t>>{{8192, 6144}}));
}

TEST_F(ObjSettingsRestoreTest, ADamagedBlockChangesNothing) {
    struct Damage {
        const char* what;
        std::vector<std::string> block;
    };
    std::vector<Damage> cases;
    auto with = [](std::size_t line, const std::string& text) {
        std::vector<std::string> b = GoodBlock();
        b[line] = text;
        return b;
    };
    auto without = [](std::size_t line) {
        std::vector<std::string> b = GoodBlock();
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(line));
        return b;
    };
    cases.push_back({"fewer group flags than groups", without(12)});
    cases.push_back({"a light of unknown kind", with(3, "#light,\"K\",0,0,1,0,0,0,1,1,1,20,20,7,1,1,1,1,0,0,0,FALSE,1,6,0,0,2")});
    cases.push_back({"a placeholder of unknown kind", with(9, "#placeholder,\"B\",1,1,1,0,0,0,0,0,0,255,3")});
    cases.push_back({"a light count that is no number", with(2, "#number_of_lights,two")});
    cases.push_back({"more lights announced than written", with(2, "#number_of_lights,3")});
    cases.push_back({"a huge light count", with(2, "#number_of_lights,2147483647")});
    cases.push_back({"a camera line one value short", with(1, "#camera,35,TRUE,FALSE,-2.5,2.5,0.1,-0.2,7.5,10,20,30,1.5,-2,3.25,800")});
    cases.push_back({"a preview size that is no whole number", with(1, "#camera,35,TRUE,FALSE,-2.5,2.5,0.1,-0.2,7.5,10,20,30,1.5,-2,3.25,800.5,600")});
    cases.push_back({"a background colour that is no number", with(6, "#background,1,red,\"\",0")});
    cases.push_back({"a line missing in the middle", without(5)});
    cases.push_back({"a light line cut short", with(4, "#light,\"Fill\",0,0,1,0,0")});
    cases.push_back({"a colour past 32 bits", with(8, "#placeholder,\"T\",1,2,3,4,5,6,10,20,30,4294967296,0")});
    std::vector<std::string> cut = GoodBlock();
    cut.resize(2);
    cases.push_back({"a block that ends after the camera", cut});
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        TearDown();
        SetUp();
        ReadWithBlock(d.block);
        ExpectNothingRestored();
    }
}

// What the OBJ writer puts into a block comes back in its place, also
// names and box texts with commas, blanks and quotes.
TEST_F(ObjSettingsRestoreTest, WhatTheWriterStoresIsRestored) {
    Lights.clear();
    for (int i = 0; i < 2; ++i) {
        tlight l;
        NewLight(l);
        l.name = i == 0 ? "Key, \"warm\" light" : "Rim";
        l.position = {1.5, -2.25, 3};
        l.elevation = 12.5;
        l.rotation = -45;
        l.thirdAngle = 7;
        l.color = {1, 0.5, 0.25};
        l.spotTightness = 0.4f;
        l.spotSpread = 33.3f;
        l.kind = i == 0 ? LightArea : LightSpot;
        l.shadow = 0;
        l.optionA = 3;
        l.intensity = 0.1;
        l.factorB = 2;
        l.pointAt = {0.1, 0.2, 0.3};
        l.jitter = 1;
        l.areaSize = 0.125;
        l.areaSamples = 9;
        l.optionC = 4;
        l.optionD = 5;
        l.fadeDistance = 1e-5;
        Lights.push_back(l);
    }
    Placeholders.clear();
    tplaceholder shape;
    NewPlaceholder(shape);
    shape.name = "Floor, main";
    shape.kind = PlaceholderCylinder;
    shape.size = {10, 0.5, 10};
    shape.position = {0, -1, 0};
    shape.rotation = {90, 0, 0};
    shape.color = 0x123456;
    Placeholders.push_back(shape);
    for (const char* name : {"Body", "Wheels"}) {
        tgroup g;
        NewGroup(g);
        g.name = name;
        SceneGroups.push_back(g);
    }
    SceneGroups[0].castsShadow = 0;
    Form1.Edit14.text = "1,5";
    Form1.CheckBox9.checked = false;
    Form1.CheckBox25.checked = true;
    Form1.Edit34.text = "-3";
    Form1.Edit35.text = "2";
    Form1.Edit15.text = "0.5";
    Form1.Edit16.text = "";
    Form1.Edit17.text = "12 m";
    Form1.Edit18.text = "90";
    Form1.Edit20.text = "-10";
    Form1.Edit19.text = "5";
    Scene.translation = {0.5, 1.5, -2};
    Form9.glView1 = {1024, 576};
    HeadlightIntensity = 0.35;
    Form1.ComboBox1.index = 1;
    Scene.backgroundColor = 0x00FF00;
    BackgroundMapName = "maps/sky one.jpg";
    Form1.Edit70.text = "-30";
    Form1.CheckBox8.checked = true;
    Form1.Edit36.text = "-0.5";
    Form1.Label151.color = 0x808080;
    std::vector<std::string> block;
    BuildSettingsBlock(Scene, block);
    const std::vector<tlight> lights = Lights;
    const std::vector<tplaceholder> placeholders = Placeholders;

    // A fresh program with other lights reads the file.
    ResetOptionsToDefaults();
    SceneGroups.clear();
    Lights.resize(1);
    Placeholders.clear();
    Scene.translation = {0, 0, 0};
    HeadlightIntensity = 1;
    BackgroundMapName.clear();
    Scene.backgroundColor = 0;
    ReadWithBlock(block);

    ASSERT_EQ(Lights.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const tlight& a = Lights[i];
        const tlight& b = lights[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.position, b.position);
        EXPECT_EQ(a.elevation, b.elevation);
        EXPECT_EQ(a.rotation, b.rotation);
        EXPECT_EQ(a.thirdAngle, b.thirdAngle);
        EXPECT_EQ(a.color, b.color);
        EXPECT_EQ(a.spotTightness, b.spotTightness);
        EXPECT_EQ(a.spotSpread, b.spotSpread);
        EXPECT_EQ(a.kind, b.kind);
        EXPECT_EQ(a.shadow, b.shadow);
        EXPECT_EQ(a.optionA, b.optionA);
        EXPECT_EQ(a.intensity, b.intensity);
        EXPECT_EQ(a.factorB, b.factorB);
        EXPECT_EQ(a.pointAt, b.pointAt);
        EXPECT_EQ(a.jitter, b.jitter);
        EXPECT_EQ(a.areaSize, b.areaSize);
        EXPECT_EQ(a.areaSamples, b.areaSamples);
        EXPECT_EQ(a.optionC, b.optionC);
        EXPECT_EQ(a.optionD, b.optionD);
        EXPECT_EQ(a.fadeDistance, b.fadeDistance);
    }
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(Placeholders[0].name, placeholders[0].name);
    EXPECT_EQ(Placeholders[0].kind, placeholders[0].kind);
    EXPECT_EQ(Placeholders[0].size, placeholders[0].size);
    EXPECT_EQ(Placeholders[0].position, placeholders[0].position);
    EXPECT_EQ(Placeholders[0].rotation, placeholders[0].rotation);
    EXPECT_EQ(Placeholders[0].color, placeholders[0].color);
    EXPECT_EQ(Form1.Edit14.text, "1,5");
    EXPECT_FALSE(Form1.CheckBox9.checked);
    EXPECT_TRUE(Form1.CheckBox25.checked);
    EXPECT_EQ(Form1.Edit34.text, "-3");
    EXPECT_EQ(Form1.Edit16.text, "");
    EXPECT_EQ(Form1.Edit17.text, "12 m");
    EXPECT_EQ(Form1.Edit18.text, "90");
    EXPECT_EQ(Form1.Edit20.text, "-10");
    EXPECT_EQ(Form1.Edit19.text, "5");
    EXPECT_EQ(Scene.translation, (tvector{0.5, 1.5, -2}));
    EXPECT_EQ(Form9.glView1.width, 1024);
    EXPECT_EQ(Form9.glView1.height, 576);
    EXPECT_EQ(HeadlightIntensity, 0.35);
    EXPECT_EQ(Form1.ComboBox1.index, 1);
    EXPECT_EQ(Scene.backgroundColor, 0x00FF00);
    EXPECT_EQ(BackgroundMapName, "maps/sky one.jpg");
    EXPECT_EQ(Form1.UpDown8.position, -30);
    EXPECT_TRUE(Form1.CheckBox8.checked);
    EXPECT_EQ(Form1.Edit36.text, "-0.5");
    EXPECT_EQ(Form1.Label151.color, 0x808080);
    EXPECT_EQ(ImportGroups[0].castsShadow, 0);
    EXPECT_EQ(ImportGroups[1].castsShadow, 1);
}

}  // namespace
