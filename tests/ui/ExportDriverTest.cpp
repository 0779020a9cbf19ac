// The export driver of the save commands and the POV-Ray INI file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/PovIni.h"

namespace {

namespace fs = std::filesystem;

class ExportDriverTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder = fs::path(testing::TempDir()) /
                 ("export-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        Form2.Edit1.text = folder.string();
        Form9.glView1 = {320, 240};
        // What a load of /models/car.obj leaves behind.
        Scene.modelFile = "/models/car.obj";
        Form1.Edit68.text = "car_POV_main.ini";
        Form1.Edit2.text = "car_POV_scene.pov";
        Form1.Edit13.text = "car_POV_geom.inc";
        Form1.Edit12.text = "car_POV_mat.inc";
        Form1.Edit29.text = "car_moray.inc";
        Form1.Edit82.text = "car_moray_mat.inc";
        Form1.Edit11.text = "car_moray.udo";
        Form1.Edit1.text = "car.obj";
        Form1.Edit61.text = "car.png";
        BatchFiles = {"junk"};
        fixtures::AddCube();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    std::string In(const std::string& name) const { return (folder / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static std::vector<std::string> Lines(const std::string& path) {
        std::vector<std::string> lines;
        std::istringstream in(Read(path));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    void Touch(const std::string& name, const std::string& text = "old") const {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    // The INI lines after the file header (from the ";" line on).
    std::vector<std::string> IniSettings() {
        SetSaveChoices(SaveKind::PovRay);
        WritePovIni(Scene);
        const auto lines = Lines(Scene.iniFile);
        const auto start = std::find(lines.begin(), lines.end(), ";");
        return {start, lines.end()};
    }

    fs::path folder;
};

TEST_F(ExportDriverTest, IniFileText) {
    SetSaveChoices(SaveKind::PovRay);
    WritePovIni(Scene);
    auto lines = Lines(In("car_POV_main.ini"));
    ASSERT_GT(lines.size(), 3u);
    lines[6] = "version line";
    const std::vector<std::string> expected = {
        ";==================================================",
        ";POV-Ray Initialization file (render settings)",
        ";Run this file in POV-Ray to obtain the rendered image",
        ";NOTE: Delete the command line options in the toolbar",
        ";      before pressing RUN to use the settings in this file",
        ";==================================================",
        "version line",
        ";3D model to POV-Ray/Moray Converter.",
        ";==================================================",
        ";Files needed to run the POV-Ray scene:",
        ";car_POV_main.ini (initialization file - open this to render)",
        ";car_POV_scene.pov (scene setup of cameras, lights and geometry)",
        ";car_POV_geom.inc (geometry mesh)",
        ";car_POV_mat.inc (materials)",
        "; ",
        ";",
        ";Input POV-Ray file",
        "Input_File_Name=\"car_POV_scene.pov\"",
        ";Output rendered image file",
        "Output_File_Name=\"car.png\"",
        ";Resolution",
        "+W1000",
        "+H1000",
        ";Output format: PNG (portable network graphics)",
        "+FN",
        ";Mosaic preview",
        "+SP8",
        "+EP8",
        ";Antialiasing",
        "+AM1",
        "+A0.3",
        ";Quality",
        "+Q9",
        ";Alpha transparency option",
        "-UA",
        ";Continuation option",
        "-C",
        ";Animation parameters",
        "Initial_Clock=0",
        "Final_Clock=1",
        "Initial_Frame=0",
        "Final_Frame=0",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines[6].rfind(";This file has been created by Mirelan v", 0), std::string::npos);  // replaced above
    EXPECT_EQ(Lines(In("car_POV_main.ini"))[6].rfind(";This file has been created by Mirelan v", 0), 0u);
}

TEST_F(ExportDriverTest, IniOptions) {
    Form1.ComboBox5.index = 3;  // Windows BMP
    Form1.ComboBox6.index = 3;
    Form1.ComboBox24.index = 0;
    Form1.ComboBox14.index = 2;  // radiosity: no mosaic preview
    Form1.CheckBox50.checked = true;
    Form1.CheckBox60.checked = true;
    Form1.Edit47.text = "abc";  // the preview's width
    Form1.Edit48.text = "480";
    Form1.Edit117.text = "0.50";  // clock and frame texts as typed
    Form1.Edit120.text = " 7";
    Form1.Memo1.lines = {"Display=Off", "+GA"};
    auto lines = IniSettings();
    const std::vector<std::string> expected = {
        ";",      ";Input POV-Ray file", "Input_File_Name=\"car_POV_scene.pov\"", ";Output rendered image file",
        "Output_File_Name=\"car.png\"", ";Resolution", "+W320", "+H480", ";Output format: Windows BMP", "+FB",
        ";Antialiasing", "+AM2", "+A0.1", ";Quality", "+Q0", ";Alpha transparency option", "+UA",
        ";Continuation option", "+C", ";Animation parameters", "Initial_Clock=0.50", "Final_Clock=1",
        "Initial_Frame= 7", "Final_Frame=7", ";Custom INI commands", "Display=Off", "+GA"};
    EXPECT_EQ(lines, expected);

    // A batch of three: the images go beside the INI, three frames, each
    // named with its number after the name the batch chose.
    BatchFiles = {"/f/frame1.obj", "/f/frame2.obj", "/f/frame3.obj"};
    lines = IniSettings();
    const std::string beside = ";Rendered images will be saved in the same directory as this file";
    const auto at = std::find(lines.begin(), lines.end(), beside);
    ASSERT_LE(at + 3, lines.end());
    EXPECT_EQ(at[2], "Output_File_Name=\"car.png\"");
    EXPECT_EQ(lines[lines.size() - 4], "Final_Frame=9");
    // "Use a Batch file": no animation parameters.
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    lines = IniSettings();
    EXPECT_EQ(std::find(lines.begin(), lines.end(), ";Animation parameters"), lines.end());

    // The custom commands only.
    Form1.CheckBox59.checked = true;
    EXPECT_EQ(IniSettings(), (std::vector<std::string>{";", ";Custom INI commands", "Display=Off", "+GA"}));
    Form1.Memo1.lines.clear();
    EXPECT_EQ(IniSettings(), (std::vector<std::string>{";"}));
}

TEST_F(ExportDriverTest, RenderedImagesAreNeverReplaced) {
    EXPECT_EQ(FreeRenderImageName("car.tga", folder.string()), "car.tga");
    Touch("car.tga");
    EXPECT_EQ(FreeRenderImageName("car.tga", folder.string()), "car_Rev00001.tga");
    Touch("car_Rev00001.tga");
    EXPECT_EQ(FreeRenderImageName("car.tga", folder.string()), "car_Rev00002.tga");
    Form1.Edit61.text = "car.tga";
    const auto lines = IniSettings();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Output_File_Name=\"car_Rev00002.tga\""), lines.end());
    EXPECT_EQ(Scene.renderImageFile, "car.tga");  // the scene record keeps the name
}

// Nor does POV-Ray write through a link: a name is taken by anything under
// any of its frames' pictures (a link to nothing too), or by a link or
// other entry under a render state file; a plain state file, which the
// next render continues from, takes nothing.
TEST_F(ExportDriverTest, ARenderedImageNameIsFreeForEveryFileOfTheRender) {
    Form1.ComboBox5.index = 0;  // TGA
    fs::create_symlink(folder / "none", folder / "car.tga");
    fs::create_symlink(folder / "none", folder / "car_Rev00001.pov-state");
    fs::create_directory(folder / "car_Rev00002.pov-state");
    Touch("car_Rev00003.pov-state");
    EXPECT_EQ(FreeRenderImageName("car.tga", folder.string()), "car_Rev00003.tga");
    Form1.Edit120.text = "7";  // a single model's picture takes the frame's number
    Touch("car_Rev000017.tga");
    EXPECT_EQ(FreeRenderImageName("car.tga", folder.string()), "car_Rev00002.tga");
    // The frames of a batch, each looked at.
    const PovRayFrames frames = PovRayFramesOf(0.0, 10.0);
    fs::create_symlink(folder / "none", folder / "f05.pov-state");
    Touch("f_Rev0000110.tga");
    EXPECT_EQ(FreeRenderImageName("f.tga", folder.string(), frames), "f_Rev00002.tga");
    EXPECT_FALSE(fs::exists(folder / "none"));
}

TEST_F(ExportDriverTest, SaveChoices) {
    Form2.CheckBox16.checked = true;  // copy maps
    Form2.CheckBox28.enabled = true;
    SetSaveChoices(SaveKind::PovRay);
    EXPECT_TRUE(Scene.writeIni && Scene.writePovScene && Scene.writeGeometryInclude && Scene.writeMaterialInclude);
    EXPECT_FALSE(Scene.writeUdo || Scene.writeObj || Scene.writeMtl);
    EXPECT_EQ(Scene.povSceneFile, In("car_POV_scene.pov"));
    EXPECT_EQ(Scene.iniFile, In("car_POV_main.ini"));
    EXPECT_EQ(Scene.renderImageFile, "car.png");
    EXPECT_EQ(Scene.objFile, "");
    EXPECT_TRUE(Scene.copyMaps && Scene.mapNamesAsJpg && Scene.mapPathOption1 && Scene.mapPathOption2);
    EXPECT_TRUE(Scene.materialsInGeometry);
    EXPECT_EQ(Scene.meshBreakingMode, 0);

    Form1.CheckBox51.checked = true;  // geometry and materials only
    Form1.CheckBox48.checked = true;  // boxes: no materials
    SceneGroups[0].castsShadow = 0;
    Form2.CheckBox28.enabled = false;
    SetSaveChoices(SaveKind::PovRay);
    EXPECT_FALSE(Scene.writeIni || Scene.writePovScene);
    EXPECT_FALSE(Scene.materialsInGeometry);
    EXPECT_EQ(Scene.meshBreakingMode, 1);
    EXPECT_FALSE(Scene.mapPathOption1);

    SetSaveChoices(SaveKind::Moray);
    EXPECT_TRUE(Scene.writeUdo && Scene.writeGeometryInclude && Scene.writeMaterialInclude);
    EXPECT_FALSE(Scene.writePovScene || Scene.writeIni || Scene.writeObj);
    EXPECT_EQ(Scene.povGeometryFile, In("car_moray.inc"));
    EXPECT_EQ(Scene.udoFile, In("car_moray.udo"));
    Form1.RadioButton20.checked = false;
    Form1.RadioButton21.checked = true;
    SetSaveChoices(SaveKind::Moray);
    EXPECT_FALSE(Scene.writeMaterialInclude || Scene.materialsInGeometry);

    Form1.CheckBox73.checked = true;
    SetSaveChoices(SaveKind::Obj);
    EXPECT_TRUE(Scene.writeObj && Scene.writeMtl && Scene.sanitiseNames);
    EXPECT_FALSE(Scene.writeUdo || Scene.writeGeometryInclude || Scene.writeIni);
    EXPECT_EQ(Scene.objFile, In("car.obj"));
    EXPECT_EQ(Scene.povSceneFile, "");
}

TEST_F(ExportDriverTest, RefusesWithoutAModel) {
    SceneFaces.clear();  // what "Batch..." leaves: a model name, no faces
    SetSaveChoices(SaveKind::Obj);
    EXPECT_FALSE(WriteOutputFiles());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Load a 3D model first from the input tab");
    EXPECT_FALSE(fs::exists(In("car.obj")));
}

TEST_F(ExportDriverTest, OverwriteQuestions) {
    Form2.CheckBox1.checked = false;
    SetSaveChoices(SaveKind::Obj);
    Touch("car.obj");
    Touch("car.mtl");
    // No for the OBJ, Yes for the MTL.
    prompts.answers = {Answer::No, Answer::Yes};
    ASSERT_TRUE(WriteOutputFiles());
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "File " + In("car.obj") + " already exists. Overwrite?");
    EXPECT_EQ(prompts.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(Read(In("car.obj")), "old");
    EXPECT_NE(Read(In("car.mtl")), "old");

    // Cancel: nothing written.
    Touch("car.mtl");
    SetSaveChoices(SaveKind::Obj);
    prompts.shown.clear();
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(WriteOutputFiles());
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(Read(In("car.obj")), "old");
    EXPECT_EQ(Read(In("car.mtl")), "old");

    // All: no further question.
    SetSaveChoices(SaveKind::Obj);
    prompts.shown.clear();
    prompts.answers = {Answer::YesToAll};
    EXPECT_TRUE(WriteOutputFiles());
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_NE(Read(In("car.obj")), "old");
    EXPECT_NE(Read(In("car.mtl")), "old");

    // A batch run and "Overwrite files (except render)" never ask.
    prompts.shown.clear();
    EXPECT_TRUE(WriteOutputFiles(true));
    Form2.CheckBox1.checked = true;
    EXPECT_TRUE(WriteOutputFiles());
    EXPECT_TRUE(prompts.shown.empty());

    // The list of written files (the first run listed only the MTL file).
    const auto& m = Messages();
    auto at = std::find(m.begin(), m.end(), "Output files");
    ASSERT_NE(at, m.end());
    EXPECT_EQ(at[1], "MTL file: " + In("car.mtl"));
    at = std::find(m.rbegin(), m.rend(), "Output files").base() - 1;
    EXPECT_EQ(at[1], "OBJ file: " + In("car.obj"));
    EXPECT_EQ(at[2], "MTL file: " + In("car.mtl"));
}

TEST_F(ExportDriverTest, YafRaySave) {
    SaveYafRayScene();
    EXPECT_TRUE(fs::exists(In("scene.xml")));
    EXPECT_EQ(Scene.yafrayFile, In("scene.xml"));
    EXPECT_FALSE(Scene.writeObj || Scene.writePovScene || Scene.writeIni);
    EXPECT_EQ(Messages().back(), "Files Saved.");
    Form2.Edit1.text = (folder / "missing").string();
    EXPECT_THROW(SaveYafRayScene(), ExportError);
}

}  // namespace
