// The export commands driven as the window drives them: the export options
// answered by the test, the overwrite questions, the maps copied and
// resized, POV-Ray and the editor started through the recorded shell, and
// the small commands of the output tabs; the map copying on its own.
#include "tests/fixtures/ScopedEnv.h"
#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "platform/gfx/Stream.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/MapCopy.h"

namespace {

namespace fs = std::filesystem;

const char* const PovFiles[] = {"a_POV_main.ini", "a_POV_scene.pov", "a_POV_geom.inc", "a_POV_mat.inc"};

class ExportCommandsTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        WriteJpeg("models/maps/wood.jpg", 512, 256);
        Write("models/a.mtl", "newmtl wood\nKd 1 1 1\nmap_Kd Maps\\WOOD.jpg\n");
        BatchFiles = {WriteObj("models/a.obj", 0, "a.mtl", "wood")};
        ASSERT_TRUE(LoadSelectedModels());
        program = Write("bin/povray", "#!/bin/sh\n");
        ::chmod(program.c_str(), 0755);
    }
    // Runs a save command with the export options confirmed.
    void Save(const char* command) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run(command);
    }
    std::string program;
};

TEST_F(ExportCommandsTest, ExportWithMapsCopiedAndResized) {
    Form2.CheckBox16.checked = true;  // "Copy all maps to the same directory"
    Commands().Run("Form2.CheckBox16");
    EXPECT_FALSE(Form2.CheckBox27.checked || Form2.CheckBox27.enabled);
    EXPECT_TRUE(Form2.CheckBox28.enabled && Form2.CheckBox43.enabled && Form2.Edit45.enabled && Form2.Label4.enabled);
    Form2.Edit45.text = "128";
    Save("Form1.ToolButton15");
    for (const char* name : PovFiles) EXPECT_TRUE(fs::exists(out / name)) << name;
    // Resized into JPEG under the fixed name that the material include uses.
    gfx::FileStream copy((out / "a_wood.jpg").string());
    EXPECT_EQ(gfx::decodeJpeg(copy).width(), 128);
    EXPECT_NE(Read(out / "a_POV_mat.inc").find("\"a_wood.jpg\""), std::string::npos);
    EXPECT_TRUE(Logged("Files Saved."));

    Form2.CheckBox16.checked = false;
    Commands().Run("Form2.CheckBox16");
    EXPECT_TRUE(Form2.CheckBox27.checked && Form2.CheckBox27.enabled);
    EXPECT_FALSE(Form2.CheckBox28.enabled || Form2.CheckBox43.enabled || Form2.Edit45.enabled);
}

TEST_F(ExportCommandsTest, TheOverwriteQuestionAnsweredBothWays) {
    Form2.CheckBox1.checked = false;  // ask before overwriting
    Form2.CheckBox16.checked = true;  // maps are copied too
    Commands().Run("Form2.CheckBox16");
    Form2.CheckBox43.checked = false;
    for (const char* name : PovFiles) Write("out/" + std::string(name), "old");
    Write("out/a_wood.jpg", "old");
    // Each step: the answers, how many questions, whether the files were replaced.
    const struct {
        std::vector<Answer> answers;
        std::size_t questions;
        bool replaced;
    } steps[] = {{{Answer::Cancel}, 1, false},  // nothing written, no map copied, no "Files Saved."
                 {{Answer::No, Answer::No, Answer::No, Answer::No}, 4, false},
                 {{Answer::Yes, Answer::YesToAll}, 2, true}};
    for (const auto& step : steps) {
        prompts.shown.clear();
        prompts.answers = step.answers;
        Save("Form1.ToolButton15");
        EXPECT_EQ(prompts.shown.size(), step.questions);
        for (const char* name : PovFiles) EXPECT_EQ(Read(out / name) != "old", step.replaced) << name;
        EXPECT_EQ(Logged("Files Saved."), step.questions != 1);
    }
    EXPECT_EQ(prompts.shown[0].text, "File " + (out / "a_POV_main.ini").string() + " already exists. Overwrite?");
    EXPECT_EQ(Read(out / "a_wood.jpg"), "old");  // maps are replaced only with "Overwrite files"
}

TEST_F(ExportCommandsTest, SaveAndRenderStartsPovRayOnTheIniInTheOutputFolder) {
    Form1.Edit52.text = program;
    Save("Form1.ToolButton18");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, program);
    EXPECT_EQ(shell.requests[0].arguments, (std::vector<std::string>{"a_POV_main.ini", "+KFI0", "+KFF0", "+SF0", "+EF0",
                                                                      "+Oa.png", "+FN", "+P"}));
    EXPECT_EQ(shell.requests[0].folder, out.string());
    EXPECT_TRUE(fs::exists(out / "a_POV_main.ini"));

    Save("Form1.ToolButton19");  // "Save && Edit": the four files in the desktop's editor
    ASSERT_EQ(shell.requests.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) {  // opened as documents, never run
        EXPECT_EQ(shell.requests[1 + i].target, (out / PovFiles[i]).string());
        EXPECT_FALSE(shell.requests[1 + i].program);
    }

    // No POV-Ray: a message, nothing written, nothing started.
    fs::remove_all(out);
    fs::create_directories(out);
    Form1.Edit52.text = (dir / "bin" / "none").string();
    Save("Form1.ToolButton18");
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"Select the location of the POV-Ray executable in the export options tab"});
    EXPECT_TRUE(Logged("Could not start POV-Ray") && fs::is_empty(out));
    EXPECT_EQ(shell.requests.size(), 5u);
}

// parse_string.tmp, which the Parse_String macro of the standard includes
// writes where POV-Ray works, stops a render when it is no plain file only
// while a material text of the user's that may run code is in the scene.
TEST_F(ExportCommandsTest, ParseStringTmpStopsOnlyARenderThatMayRunCode) {
    // No settings file of the user's, whose header file could run code.
    const fixtures::NoUserPovRaySettings noSettings(std::filesystem::temp_directory_path());
    Form1.Edit52.text = program;
    fs::create_directories(out / "parse_string.tmp");
    for (const bool code : {false, true}) {
        SceneMaterials[0].customText = code ? "#declare C=1; material{texture{pigment{rgb C}}}" : "M_Glass";
        SceneMaterials[0].customTextActive = 1;
        Save("Form1.ToolButton18");
        EXPECT_EQ(shell.requests.size(), 1u);
    }
    EXPECT_TRUE(Logged("<!>POV-Ray was not started: it would write the file " + (out / "parse_string.tmp").string() +
                       ", which is a link or not a plain file; move or rename it, or choose another output folder"));
}

TEST_F(ExportCommandsTest, ExportOptionsOkAndTheOtherSaves) {
    // OK: the folder must exist; warnings ask first.
    const struct {
        bool warnings, folderExists;
        Answer answer;
        ModalResult result;
        const char* box;
    } cases[] = {
        {false, true, Answer::No, ModalResult::Ok, ""},
        {false, false, Answer::No, ModalResult::None, "Output directory does not exist"},
        {true, true, Answer::No, ModalResult::None, "There are warnings. Continue?"},
        {true, true, Answer::Yes, ModalResult::Ok, "There are warnings. Continue?"},
        {true, false, Answer::Yes, ModalResult::None, "Output directory does not exist"},
    };
    for (const auto& c : cases) {
        status.pages[static_cast<int>(StatusPage::Warnings)].assign(c.warnings ? 1 : 0, "a warning");
        Form2.Edit1.text = c.folderExists ? out.string() : (dir / "gone").string();
        Form2.modalResult = ModalResult::None;
        prompts.shown.clear();
        prompts.answers = {c.answer};
        Commands().Run("Form2.Button1");
        EXPECT_EQ(Form2.modalResult, c.result) << c.warnings << c.folderExists;
        EXPECT_EQ(prompts.shown.empty() ? "" : prompts.shown.back().text, c.box);
    }
    // "Change...": the directory choice opens at the folder and gives the new one.
    Form2.Edit1.text = out.string();
    dialogs.results = {ModalResult::Ok};
    dialogs.whileShown = [&](std::string_view) { Form6.directory = Form6.directory == out.string() ? "/" : "?"; };
    Commands().Run("Form2.Button3");
    EXPECT_EQ(Form2.Edit1.text, "/");
    Form2.Edit1.text = out.string();

    Save("Form1.ToolButton9");   // Moray
    Save("Form1.ToolButton27");  // OBJ
    dialogs.results = {ModalResult::Cancel};
    Commands().Run("Form1.ToolButton33");  // YafRay, cancelled
    EXPECT_FALSE(fs::exists(out / "scene.xml"));
    Save("Form1.ToolButton33");
    EXPECT_TRUE(fs::exists(out / "a_moray.udo") && fs::exists(out / "a.mtl") && fs::exists(out / "scene.xml"));
}

TEST_F(ExportCommandsTest, OutputOptionCommands) {
    Form1.Edit61.text = "car.tga";
    Form1.ComboBox5.index = 3;  // "Windows BMP"
    Commands().Run("Form1.ComboBox5");
    EXPECT_EQ(Form1.Edit61.text, "car.bmp");
    for (const bool only : {true, false}) {
        Form1.CheckBox51.checked = only;
        Commands().Run("Form1.CheckBox51");
        EXPECT_EQ(Form1.ToolButton18.enabled && Form1.ToolButton19.enabled, !only);
        EXPECT_EQ(Form1.Edit68.enabled && Form1.Edit2.enabled && Form1.Label44.enabled, !only);
        EXPECT_EQ(Form1.ComboBox12.enabled && Form1.Label21.enabled, only);
    }
    Form1.Edit52.text = (dir / "none").string();  // red while it names nothing that runs
    Commands().Run("Form1.Edit52");
    EXPECT_EQ(Form1.Edit52.color, 0x0000FF);
    prompts.fileAnswers = {{program}};
    Commands().Run("Form1.Button11");
    EXPECT_EQ(Form1.Edit52.text, program);
    EXPECT_EQ(Form1.Edit52.color, clNone);
    Form1.RadioButton20.checked = false;
    Commands().Run("Form1.RadioButton21");
    EXPECT_FALSE(Form1.Edit82.enabled || Form1.Label112.enabled);

    // "Keep aspect ratio of preview" on a 400 x 300 preview; the button
    // sets both sides without a recalculation.
    Form9.glView1 = {400, 300};
    Form1.Edit47.text = "800";
    Commands().Run("Form1.Edit47");
    EXPECT_EQ(Form1.Edit48.text, "600");
    Form1.Edit48.text = "150";
    Commands().Run("Form1.Edit48");
    EXPECT_EQ(Form1.Edit47.text, "200");
    Commands().Run("Form1.Button32");
    EXPECT_EQ(Form1.Edit47.text + "x" + Form1.Edit48.text, "400x300");
}

// The maps of a scene of two materials, copied or resized into the output
// folder under the names the written files use.
class MapCopyTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        Scene.modelFile = (dir / "my car.obj").string();
        Scene.writePovScene = 1;
        Scene.povSceneFile = (out / "car_POV_scene.pov").string();
        fixtures::AddCube(2.0, {0, 0, 0}, 0, 1);
    }
    std::string Map(const std::string& name, int width, int height) { return WriteJpeg("Maps/" + name, width, height); }
    std::pair<int, int> JpegSize(const std::string& name) {
        gfx::FileStream in((out / name).string());
        const gfx::Bitmap b = gfx::decodeJpeg(in);
        return {b.width(), b.height()};
    }
    int Count(const std::string& line) const {
        const auto& m = status.Lines(StatusPage::Messages);
        return static_cast<int>(std::count(m.begin(), m.end(), line));
    }
};

TEST_F(MapCopyTest, EachMapIsCopiedOnceUnderTheNamesTheFilesUse) {
    Map("Wood.JPG", 8, 8);
    const std::string stone = Map("stone.jpg", 8, 8);
    fs::create_directories(dir / "Other");
    fs::copy_file(stone, dir / "Other" / "stone.jpg");
    // Spelled with another case and "\" separators, and shared by both materials.
    SceneMaterials[0].colorMap = dir.string() + "\\maps\\wood.jpg";
    SceneMaterials[1].colorMap = (dir / "Maps" / "Wood.JPG").string();
    SceneMaterials[1].bumpMap = stone;
    SceneMaterials[1].transparencyMap = (dir / "Maps" / "gone.png").string();
    SceneMaterials[0].bumpMap = (dir / "Other" / "stone.jpg").string();  // another map of the same name
    Form2.CheckBox1.checked = false;
    Write("out/stone.jpg", "old");
    CopyMaps();
    EXPECT_TRUE(fs::exists(out / "Wood.JPG") && fs::exists(out / "wood.jpg"));
    EXPECT_EQ(Read(out / "stone.jpg"), "old");  // kept: the save did not write it
    EXPECT_EQ(Count("File Wood.JPG copied OK"), 2);
    EXPECT_EQ(Count("<!>ERROR Copying gone.png"), 1);
    // Two maps of one name and a file of that name: each copy gets a name of its own.
    EXPECT_EQ(Read(out / "stone_Rev00001.jpg"), Read(dir / "Other" / "stone.jpg"));
    EXPECT_EQ(Read(out / "stone_Rev00002.jpg"), Read(stone));
    EXPECT_EQ(Count("<!>stone.jpg copied as stone_Rev00002.jpg: the output folder holds another stone.jpg"), 1);

    // "Fix map names" puts the scene's prefix before the cleaned name; the
    // background map goes too; the OBJ file's folder wins.
    Scene.mapPathOption1 = 1;
    Form1.ComboBox1.index = 1;
    BackgroundMapName = Map("sky.jpg", 4, 4);
    Scene.writeObj = 1;
    Scene.objFile = (dir / "Other" / "car.obj").string();
    CopyMaps();
    BackgroundMapName.clear();
    EXPECT_TRUE(fs::exists(dir / "Other" / "my_car_Wood.JPG") && fs::exists(dir / "Other" / "my_car_sky.jpg"));
}

TEST_F(MapCopyTest, ResizedMapsAreSmallerJpegsNeverLarger) {
    const struct {
        const char* name;
        int width, height, size;
        int newWidth, newHeight;
    } cases[] = {
        {"wide.png.jpg", 1024, 512, 256, 256, 128}, {"tall.jpg", 100, 400, 200, 50, 200},
        {"small.jpg", 300, 200, 512, 300, 200},        // not enlarged, still written
        {"thin.jpg", 4000, 10, 512, 512, 1},           // not stretched to 512 x 512
        {"bad-size.jpg", 520, 520, 0, 512, 512},       // a size below 4 counts as 512
    };
    for (const auto& c : cases) {
        const std::string copy = std::string("r_") + c.name;
        ASSERT_TRUE(ResizeMapFile(Map(c.name, c.width, c.height), (out / copy).string(), c.size, true));
        EXPECT_EQ(JpegSize(copy), std::make_pair(c.newWidth, c.newHeight)) << c.name;
    }
    const std::string map = Map("keep.jpg", 64, 64), before = Read(map);
    EXPECT_TRUE(ResizeMapFile(map, map, 8, true));  // never over the map itself
    EXPECT_EQ(Read(map), before);
    // Missing: reported, not a failure. Unreadable: a failure, shown by the copy.
    EXPECT_TRUE(ResizeMapFile((dir / "none.jpg").string(), (out / "none.jpg").string(), 64, true));
    EXPECT_EQ(Count("<!>ERROR Copying none.jpg"), 1);
    SceneMaterials[0].colorMap = Map("big.jpg", 512, 256);
    SceneMaterials[0].bumpMap = Write("Maps/broken.png", "not a picture");
    Form2.Edit45.text = "256";
    ResizeAndCopyMaps();
    EXPECT_EQ(JpegSize("big.jpg"), std::make_pair(256, 128));
    EXPECT_FALSE(fs::exists(out / "broken.jpg"));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Could not process image broken.png\n It may be corrupt or in an "
                                                   "incompatible format"});
}

}  // namespace
