// Starting POV-Ray, the editor and the batch script through the shell, and
// the open and save dialogs as the commands use them, with the shell and the
// dialogs recorded.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "model/Model.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovLaunch.h"
#include "ui/options/Options.h"

namespace {

namespace fs = std::filesystem;

class PovLaunchTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder = fs::path(testing::TempDir()) / ("povlaunch-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        fs::remove_all(folder);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    std::string File(const std::string& name, bool executable) {
        const fs::path p = folder / name;
        std::ofstream(p) << "#!/bin/sh\n";
        ::chmod(p.c_str(), executable ? 0755 : 0644);
        return p.string();
    }
    fs::path folder;
};

TEST_F(PovLaunchTest, TheExecutableEditNamesAProgramByPathOrOnThePath) {
    const std::string program = File("povray", true);
    const std::string plain = File("notes.txt", false);
    const struct {
        std::string edit, program;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {program, program},
        {"  \"" + program + "\"  ", program},
        {plain, ""},                              // not executable
        {(folder / "missing").string(), ""},
        {"mirelan-no-such-program-xyz", ""},
    };
    for (const auto& c : cases) {
        Form1.Edit52.text = c.edit;
        EXPECT_EQ(PovRayProgram(), c.program) << c.edit;
    }
    Form1.Edit52.text = "sh";  // a bare name is looked up on PATH
    EXPECT_EQ(fs::path(PovRayProgram()).filename(), "sh");
}

TEST_F(PovLaunchTest, StartsPovRayTheEditorAndTheScriptThroughTheShell) {
    EXPECT_TRUE(StartPovRay("/usr/bin/povray", "/out/a b_POV_main.ini", "/out", PovRayRun::Render));
    EXPECT_TRUE(StartPovRay("/usr/bin/povray", "/tmp/bake/create_image_map.ini", "/tmp/bake", PovRayRun::Bake));
    EXPECT_FALSE(StartPovRay("", "/out/x.ini", "/out", PovRayRun::Render));  // nothing to start
    EXPECT_TRUE(OpenInEditor({"/out/x.ini", "/out/x.pov"}));
    EXPECT_TRUE(StartBatchScript("/out/mirelan_batch_render.sh", "/out"));
    const std::vector<RecordingShell::Request> expected = {
        {"\"/usr/bin/povray\"", "\"/out/a b_POV_main.ini\" +P", "/out"},
        {"\"/usr/bin/povray\"", "\"/tmp/bake/create_image_map.ini\"", "/tmp/bake"},
        {"/out/x.ini", "", ""},
        {"/out/x.pov", "", ""},
        {"/bin/sh", "\"/out/mirelan_batch_render.sh\"", "/out"},
    };
    ASSERT_EQ(shell.requests.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(shell.requests[i].target, expected[i].target) << i;
        EXPECT_EQ(shell.requests[i].parameters, expected[i].parameters) << i;
        EXPECT_EQ(shell.requests[i].folder, expected[i].folder) << i;
    }
    shell.succeeds = false;  // a start that fails is reported
    EXPECT_FALSE(StartPovRay("/usr/bin/povray", "/out/x.ini", "/out", PovRayRun::Render));
    EXPECT_FALSE(OpenInEditor({"/out/x.ini"}));
    EXPECT_FALSE(StartBatchScript("/out/b.sh", "/out"));
}

TEST_F(PovLaunchTest, FilterPairs) {
    const std::vector<FileFilterPair> pairs =
        ParseFileFilter("Models (*.obj *.3ds)|*.OBJ; *.3DS|Empty||Poser scene (*.pz3;*.pzz)|*.PZ3;*.PZZ");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].description, "Models (*.obj *.3ds)");
    EXPECT_EQ(pairs[0].patterns, (std::vector<std::string>{"*.OBJ", "*.3DS"}));
    EXPECT_EQ(pairs[1].patterns, (std::vector<std::string>{"*.PZ3", "*.PZZ"}));
    EXPECT_EQ(ParseFileFilter(ModelFileFilter).size(), 9u);
}

TEST_F(PovLaunchTest, TheOpenDialogKeepsItsChoiceAndBlanksNamesOfOtherTypes) {
    tfiledialog& dialog = Form1.OpenDialog1;
    dialog.initialDir = "/models";
    dialog.fileName = "/models/notes.txt";
    prompts.fileAnswers = {{"/models/a.obj", "/models/b.obj"}, {}};
    ASSERT_TRUE(ExecuteOpenDialog(dialog, ModelFileFilter, ModelFileExtensions, true, "Load"));
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    const FileDialogRequest& asked = prompts.fileDialogs[0];
    EXPECT_EQ(asked.fileName, "");  // not a model: blanked
    EXPECT_EQ(asked.initialDir, "/models");
    EXPECT_TRUE(asked.multiSelect);
    EXPECT_EQ(asked.title, "Load");
    EXPECT_EQ(dialog.fileName, "/models/a.obj");
    StoreOpenDialogFiles();
    EXPECT_EQ(BatchFiles, (std::vector<std::string>{"/models/a.obj", "/models/b.obj"}));

    // Cancelled: the dialog keeps its last choice, and a model name stays.
    EXPECT_FALSE(ExecuteOpenDialog(dialog, ModelFileFilter, ModelFileExtensions));
    EXPECT_EQ(prompts.fileDialogs[1].fileName, "/models/a.obj");
    EXPECT_EQ(dialog.files.size(), 2u);
}

TEST_F(PovLaunchTest, SaveDialogsFollowTheFileType) {
    const struct {
        int dialog, type;
        const char* before;
        const char* after;
    } cases[] = {
        {1, 1, "sky.jpg", "sky.tga"}, {1, 2, "/p/sky.tga", "/p/sky.jpg"}, {1, 3, "sky.tga", "sky.tga"},
        {2, 1, "map.png", "map.tga"}, {2, 2, "map", "map.png"},          {2, 3, "map.tga", "map.ppm"},
        {2, 4, "map.tga", "map.bmp"}, {2, 5, "map.bmp", "map.tga"},      {2, 6, "map.bmp", "map.bmp"},
        {2, 2, "", ""},
    };
    for (const auto& c : cases) {
        std::string name = c.before;
        (c.dialog == 1 ? SaveDialog1TypeChange : SaveDialog2TypeChange)(c.type, name);
        EXPECT_EQ(name, c.after) << c.dialog << " " << c.type << " " << c.before;
    }
}

}  // namespace
