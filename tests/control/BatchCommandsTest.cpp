// The batch conversion driven as the window drives it: "Batch..." with its
// questions, the POV-Ray "Save..." and "Save && Render" of three models, the
// script they write, and the script run by the shell.
#include <cstdlib>
#include <set>

#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/BatchDriver.h"
#include "writers/Export.h"

namespace {

namespace fs = std::filesystem;

// A POV-Ray mesh include of one triangle.
const std::string Mesh = "#declare M = mesh2 { vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> } "
                         "face_indices { 1, <0,1,2> } }\n";

class BatchCommandsTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        for (int i = 1; i <= 3; ++i) frames.push_back(WriteObj("frames/frame00" + std::to_string(i) + ".obj", i));
        Form1.Edit52.text = "sh";  // any program found on PATH
    }
    // "Batch...": the three frames chosen.
    void ChooseBatch() { CommandTest::ChooseBatch(frames); }
    void Save(const char* command) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run(command);
    }
    std::vector<std::string> frames;
};

TEST_F(BatchCommandsTest, ABatchOfThreeModelsWithItsScript) {
    ChooseBatch();
    EXPECT_EQ(BatchFiles, frames);
    EXPECT_TRUE(Form1.GroupBox3.visible && !Form1.ToolButton19.enabled && !Form1.Edit68.enabled);
    EXPECT_EQ(Form1.Edit119.text + " " + fixtures::ComboItems(Form1.ComboBox8).back(), "frame batchcam");
    EXPECT_EQ(Form1.PageControl1.active * 10 + Form1.PageControl5.active, 51);  // "POV-Ray Output", "Files"
    EXPECT_EQ(BoxTexts().back(), "In the POV-Ray Output tab Select the batch options to convert the selected files");
    UseBatchFile();
    EXPECT_TRUE(Form1.Edit90.enabled && !Form1.Edit115.enabled);

    // POV-Ray as the script will start it: a program that notes where it
    // runs and what it renders.
    const std::string renders = (dir / "renders.txt").string();
    const std::string fake = Write("bin/povray", "#!/bin/sh\necho \"$PWD $1\" >> '" + renders + "'\n");
    ::chmod(fake.c_str(), 0755);
    Form1.Edit52.text = fake;
    Form1.CheckBox4.checked = true;
    Form2.CheckBox27.checked = false;  // the script names the INI files without their folder
    Save("Form1.ToolButton15");
    for (const char* name : {"frame001.ini", "frame002.pov", "frame003.inc", "mirelan_scene_materials_pov.inc"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    // The common material include is written by the first model only.
    const auto& messages = status.Lines(StatusPage::Messages);
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "POV material include file: " + (out / "mirelan_scene_materials_pov.inc").string()),
              1);
    EXPECT_TRUE(Logged("POV geometry include file: " + (out / "frame003.inc").string()));
    EXPECT_TRUE(SceneFaces.empty() && Form1.CheckBox4.checked);

    const fs::path script = out / "mirelan_batch_render.sh";
    EXPECT_NE(fs::status(script).permissions() & fs::perms::owner_exec, fs::perms::none);
    std::vector<std::string> creator;
    BuildCreatorHeader(creator);
    std::string expected = "#!/bin/sh\necho '" + std::string(RuleLine) + "'\n";
    for (const std::string& line : creator) expected += "echo '" + line + "'\n";
    for (int i = 1; i <= 3; ++i)
        expected += "echo 'File(" + std::to_string(i) + " of 3): frame00" + std::to_string(i) + ".ini'\n'" + fake +
                    "' 'frame00" + std::to_string(i) + ".ini' '+KFI1' '+KFF1' '+SF1' '+EF1' '+Oframe00" +
                    std::to_string(i) + ".png' '+FN'\n";
    expected += "echo '" + std::string(RuleLine) + "'\n";
    EXPECT_EQ(Read(script), expected);

    // The script runs in the output folder and renders every INI file.
    const std::string run = "cd '" + out.string() + "' && sh '" + script.string() + "' >/dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(Read(renders), out.string() + " frame001.ini\n" + out.string() + " frame002.ini\n" + out.string() +
                                 " frame003.ini\n");
}

TEST_F(BatchCommandsTest, SaveAndRenderRunsTheScriptOrPovRayOnTheCommonIni) {
    ChooseBatch();
    UseBatchFile();
    // No POV-Ray: the files are written, the script is not started.
    Form1.Edit52.text.clear();
    prompts.answers = {Answer::Yes};
    Save("Form1.ToolButton18");
    EXPECT_EQ(prompts.shown.back().text, "Select the location of the POV-Ray executable in the export options tab");
    EXPECT_TRUE(Logged("Could not start POV-Ray") && fs::exists(out / "mirelan_batch_render.sh"));
    EXPECT_TRUE(shell.requests.empty());
    fs::remove_all(out);
    fs::create_directories(out);
    Form1.Edit52.text = "sh";
    prompts.answers = {Answer::No};  // POV-Ray may still be running
    Save("Form1.ToolButton18");
    EXPECT_EQ(prompts.shown.back().text, "Make sure that POV-Ray is not running. Continue?");
    EXPECT_TRUE(fs::is_empty(out));
    prompts.answers = {Answer::Yes};
    Save("Form1.ToolButton18");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "/bin/sh");
    EXPECT_EQ(shell.requests[0].arguments, std::vector<std::string>{"./mirelan_batch_render.sh"});  // from its folder
    EXPECT_EQ(shell.requests[0].folder, out.string());

    // "Use a POV file": one common scene and INI whose frames walk through
    // the three meshes, from the first model's number, rendered without a
    // pause after each frame; the frames and the picture follow the INI
    // file on the command line.
    fs::remove_all(out);
    fs::create_directories(out);
    Form1.RadioButton3.checked = false;
    Form1.RadioButton4.checked = true;
    Form1.Edit120.text = "1";
    Save("Form1.ToolButton18");
    const std::string ini = Read(out / "mirelan_scene.ini");
    EXPECT_NE(ini.find("Initial_Frame=1\nFinal_Frame=3\n"), std::string::npos);
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[1].arguments, (std::vector<std::string>{"mirelan_scene.ini", "+KFI1", "+KFF3", "+SF1",
                                                                      "+EF3", "+Omirelan_scene.png", "+FN"}));
}

// "Use a POV file" starts POV-Ray only when every frame its INI file runs
// includes a geometry include the batch wrote, not a file of the model's
// archive or a model itself: the line names the first other frame, its
// include and the Initial Frame the models' numbers fit, or else what the
// user can do.
TEST_F(BatchCommandsTest, APovFileBatchRendersOnlyFramesThatIncludeItsOwnFiles) {
    const std::string fit = "; the models' numbers fit Initial Frame 1";
    const std::string batchFile = "choose \"Use a Batch file\", which renders each model as a scene of its own";
    const std::string renumber =
        "; number the models' files in order after the input file name prefix, or " + batchFile;
    const struct {
        std::vector<std::string> models;  // "out/..." lie in the output folder
        std::string initial, planted;
        std::vector<std::string> iniLines;
        std::string frame = "", include = "", fit = "";  // no frame: its INI file includes another
    } cases[] = {
        {{"frame001.obj", "frame002.obj", "frame003.obj"}, "0", "", {}, "0", "frame000.inc", fit},
        {{"frame01.obj", "frame02.obj"}, "0", "frame00.inc", {}, "0", "frame00.inc", fit},
        {{"frame1.obj", "frame3.obj"}, "1", "frame2.inc", {}, "2", "frame2.inc", renumber},
        {{"out/walk1.inc", "out/walk2.inc"}, "1", "", {}, "1", "walk1.inc", renumber},
        {{"horse.obj", "cow.obj"}, "0", "", {}, "0", "horse.obj0.inc", renumber},
        {{"frame1.obj", "frame2.obj"}, "1", "", {"Final_Frame = 3 ; one more", "[later]", "Final_Frame=2"}, "3",
         "frame3.inc", renumber},
        {{"frame1.obj", "frame2.obj"}, "1", "", {"Include_Ini=more.ini"}},
    };
    Form1.Edit52.text = "sh";  // any program found on PATH
    int k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.models.back());
        fs::remove_all(out);
        fs::create_directories(out);
        BatchFiles.clear();
        for (const std::string& model : c.models)
            BatchFiles.push_back(model.starts_with("out/") ? Write(model, Mesh)
                                                           : WriteObj("models" + std::to_string(++k) + "/" + model));
        if (!c.planted.empty()) Write("out/" + c.planted, Mesh);
        Form1.Edit119.text = TextBeforeDigit(ExtractFileName(BatchFiles.front()));
        Form1.Edit120.text = c.initial;
        Form1.Memo1.lines = c.iniLines;
        Save("Form1.ToolButton18");
        EXPECT_TRUE(shell.requests.empty());
        EXPECT_TRUE(Logged("<!>POV-Ray was not started: " +
                           (c.frame.empty() ? "it would read settings from the file named in the line "
                                              "\"Include_Ini=more.ini\" of " + (out / "mirelan_scene.ini").string() +
                                                  ", which the program does not read; write those settings among "
                                                  "the INI options instead"
                                            : "frame " + c.frame + " would read " + c.include +
                                                  ", which this batch did not write" + c.fit)));
    }
    Form1.Memo1.lines.clear();
    Form1.Edit119.text = "fr\xC3\xA9";  // POV-Ray would read another name
    Save("Form1.ToolButton18");
    EXPECT_TRUE(Logged("<!>POV-Ray was not started: the include files of its frames cannot be told: the input file "
                       "name prefix fr\xC3\xA9 holds a character beyond printable ASCII or a backslash; rename the "
                       "models' files, or " + batchFile));
    EXPECT_TRUE(shell.requests.empty());
}

// The Initial Frame as POV-Ray reads it: the INI's last frame follows it by
// the number of models, and a text POV-Ray reads as another number than it
// shows, or frames beyond 0 and 32 bits, stop the start with a line naming
// the field; so do fractional frames among the INI options. The models'
// numbers pad the frames' include names alike in whatever order the files
// are listed.
TEST_F(BatchCommandsTest, TheInitialFrameIsReadAsPovRayReadsIt) {
    const std::string typeOne = "; type a whole number from 0 to 2147483645";
    const auto taken = [&](const std::string& line) {
        return "it would take " + line.substr(0, line.find('=')) + " from the line \"" + line + "\" of " +
               (out / "mirelan_scene.ini").string() +
               ", a form the program does not read; write it on a line of its own as " +
               line.substr(0, line.find('=')) + "=<whole number>";
    };
    const struct {
        std::string initial;
        std::vector<std::string> iniLines;
        int64_t last;        // Final_Frame
        std::string result;  // the frames started, or the reason POV-Ray was not
    } cases[] = {
        {"1.0", {}, 3, "+KFI1 +KFF3"},
        {" 1.", {}, 3, "+KFI1 +KFF3"},
        {"1e1", {}, 3, "it reads the Initial Frame 1e1 as 1" + typeOne},
        {"1e0", {}, 3, "it reads the Initial Frame 1e0 as 1" + typeOne},
        {"99999999999", {}, 1215752193, "it reads the Initial Frame 99999999999 as 1215752191" + typeOne},
        {"x", {}, 2, "it reads the Initial Frame x as no number" + typeOne},
        {"-1", {}, 1, "the Initial Frame -1 lies outside 0 to 2147483645; type a whole number in that range"},
        {"1", {"Initial_Frame=1.5"}, 3, taken("Initial_Frame=1.5")},
        {"1", {"Final_Frame=2.5"}, 3, taken("Final_Frame=2.5")},
    };
    ChooseBatch();
    Form1.Edit52.text = "sh";  // any program found on PATH
    for (const auto& c : cases) {
        SCOPED_TRACE(c.initial);
        shell.requests.clear();
        Form1.Edit120.text = c.initial;
        Form1.Memo1.lines = c.iniLines;
        Save("Form1.ToolButton18");
        EXPECT_NE(Read(out / "mirelan_scene.ini")
                      .find("Initial_Frame=" + c.initial + "\nFinal_Frame=" + std::to_string(c.last) + "\n"),
                  std::string::npos);
        if (c.result.starts_with("+")) {
            ASSERT_EQ(shell.requests.size(), 1u);
            EXPECT_EQ(shell.requests[0].arguments.at(1) + " " + shell.requests[0].arguments.at(2), c.result);
        } else {
            EXPECT_TRUE(shell.requests.empty());
            EXPECT_TRUE(Logged("<!>POV-Ray was not started: " + c.result));
        }
    }
    // The frames of a batch listed in the names' order, from frame 8.
    BatchFiles.clear();
    for (const char* frame : {"frame10", "frame11", "frame12", "frame8", "frame9"})
        BatchFiles.push_back(WriteObj("listed/" + std::string(frame) + ".obj"));
    Form1.Edit119.text = "frame";
    Form1.Edit120.text = "8";
    Form1.Memo1.lines.clear();
    shell.requests.clear();
    Save("Form1.ToolButton18");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].arguments.at(2), "+KFF12");
}

// The files and pictures of a batch's models rendered by its script: each
// under a name of its own, though the models' names clean alike, a name is
// revised already, pictures of an earlier batch lie in the output folder, or
// the common material include and the script take names of POV-Ray's own
// that a model's files would get in their place; no picture under the name
// of another file of the batch (the common material include named like a
// picture) or of POV-Ray's own.
TEST_F(BatchCommandsTest, EveryFileAndPictureOfABatchHasANameOfItsOwn) {
    const struct {
        std::vector<std::string> models, earlier;
        std::string commonMaterial;  // none: a material include per model
        std::string script = "mirelan_batch_render.sh";
    } batches[] = {
        {{"walk 01.obj", "walk-01.obj"}, {"walk_01.png"}, ""},
        {{"walk 01.obj", "walk-01.obj", "walk_01_Rev00001.obj"}, {"walk_01.png", "walk_01_Rev00001.png"}, ""},
        {{"test.obj", "test_Rev00001.obj"}, {}, ""},  // test.png is a picture of POV-Ray's
        {{"b.obj", "c.obj"}, {}, "b.png"},
        {{"colors.obj", "colors_Rev00001.obj"}, {}, "colors.inc", "colors.inc"},
    };
    UseBatchFile();
    Form1.ComboBox5.index = 1;  // PNG
    std::vector<std::string> log;  // every line, though each load clears the page
    status.onLine = [&](StatusPage page, std::string_view line) {
        if (page == StatusPage::Messages) log.emplace_back(line);
    };
    for (const auto& batch : batches) {
        Form1.CheckBox19.checked = !batch.commonMaterial.empty();
        Form1.Edit23.text = batch.commonMaterial;
        Form1.Edit90.text = batch.script;
        log.clear();
        SCOPED_TRACE(batch.models.front());
        fs::remove_all(out);
        fs::create_directories(out);
        for (const std::string& picture : batch.earlier) Write("out/" + picture, "earlier");
        BatchFiles.clear();
        for (const std::string& model : batch.models) BatchFiles.push_back(WriteObj("models/" + model));
        Save("Form1.ToolButton15");
        std::set<std::string> pictures, files;
        for (const auto& e : fs::directory_iterator(out)) {
            files.insert(e.path().filename().string());
            const std::string text = Read(e.path()), key = "Output_File_Name=\"";
            if (const std::size_t at = text.find(key); e.path().extension() == ".ini" && at != std::string::npos)
                pictures.insert(text.substr(at + key.size(), text.find('"', at + key.size()) - at - key.size()));
        }
        EXPECT_EQ(pictures.size(), batch.models.size());
        for (const std::string& picture : pictures) {
            EXPECT_EQ(files.count(picture), 0u) << picture;
            EXPECT_NE(picture, "test.png");
        }
        // The files the models were written to, and the script.
        std::set<std::string> written = {ExtractFileName(BatchScriptFile())};
        std::size_t count = 1;
        for (const std::string& line : log)
            if (line.rfind("POV", 0) == 0 && line.find(" file: ") != std::string::npos) {
                written.insert(ExtractFileName(line.substr(line.find(" file: ") + 7)));
                ++count;
            }
        EXPECT_EQ(written.size(), count);
        EXPECT_EQ(written.count("colors.inc"), 0u);
    }
}

// The script never takes a name of POV-Ray's own: it is written and started
// under a "_Rev" name.
TEST_F(BatchCommandsTest, TheScriptKeepsClearOfPovRaysNames) {
    ChooseBatch();
    UseBatchFile();
    Form1.Edit90.text = "colors.inc";
    prompts.answers = {Answer::Yes};
    Save("Form1.ToolButton18");
    EXPECT_FALSE(fs::exists(out / "colors.inc"));
    EXPECT_TRUE(Logged("<!>colors.inc written as colors_Rev00001.inc: POV-Ray has a file of its own named colors.inc"));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].arguments, std::vector<std::string>{"./colors_Rev00001.inc"});  // from its folder
}

// The "Messages" page keeps the lines of every model of a batch until it
// ends, though each model's load clears it.
TEST_F(BatchCommandsTest, TheMessagesOfEveryModelStayUntilTheBatchEnds) {
    BatchFiles.clear();
    for (const std::string model : {"colors", "horse", "math"})
        BatchFiles.push_back(WriteObj("models/" + model + ".obj"));
    Save("Form1.ToolButton15");
    for (const std::string model : {"colors", "math"})
        EXPECT_TRUE(Logged("<!>" + model + ".inc written as " + model +
                           "_Rev00001.inc: POV-Ray has a file of its own named " + model + ".inc"))
            << model;
}

TEST_F(BatchCommandsTest, OutputsNeverReplaceTheBatchModelsAndFewFilesAreRefused) {
    // Mesh includes converted into their own folder.
    const std::string mesh = Mesh;
    BatchFiles = {Write("out/part1.inc", mesh), Write("out/part2.inc", mesh)};
    UseBatchFile();
    Save("Form1.ToolButton15");
    EXPECT_EQ(Read(out / "part1.inc") + Read(out / "part2.inc"), mesh + mesh);
    EXPECT_TRUE(fs::exists(out / "part1_Rev00001.inc"));
    EXPECT_NE(Read(out / "part1.pov").find("part1_Rev00001.inc"), std::string::npos);

    // One file is no batch; "Cancel" at the common material keeps the choice.
    prompts.shown.clear();
    prompts.fileAnswers = {{frames[0]}};
    prompts.answers = {Answer::Yes};
    Commands().Run("Form1.Batch1");
    EXPECT_EQ(prompts.shown.back().text, "Select more than one file");
    prompts.fileAnswers = {frames};
    prompts.answers = {Answer::Yes, Answer::Cancel};
    Commands().Run("Form1.Batch1");
    EXPECT_EQ(BatchFiles.size(), 3u);
    EXPECT_EQ(prompts.shown.back().text, "Use a common material file for all the models?");
}

}  // namespace
