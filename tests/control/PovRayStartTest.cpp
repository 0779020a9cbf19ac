// POV-Ray started by the program's own commands through the real shell,
// rendering with the installed POV-Ray (skipped when it is not installed):
// whatever the names of the output folder, the program's folder and the
// models hold, each scene renders as itself; POV-Ray reads the settings it
// reads when started by hand, and nothing the model's author left beside
// them (an INI file, a script, a settings file or an include file of
// POV-Ray's own name) is read or run.
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "platform/SystemShell.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/control/PreviewOptionsController.h"
#include "ui/core/BatchDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/PovIni.h"

namespace {

namespace fs = std::filesystem;

// What an author's file writes when POV-Ray reads it.
constexpr const char* Hijack = "#fopen F \"hijacked.png\" write #fclose F\n";

class PovRayStartTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        const std::string povray = FindProgram("povray");
        if (povray.empty()) GTEST_SKIP() << "povray is not installed";
        Services s;
        s.shell = &system;
        systemScope = std::make_unique<ScopedServices>(s);
        // The same settings whatever the shell exports: none of the user's,
        // and the program working in the test's folder.
        noSettings = std::make_unique<fixtures::ScopedEnv>("POVINI", nullptr);
        home = std::make_unique<fixtures::ScopedEnv>("HOME", dir.string());
        working = std::make_unique<fixtures::ScopedWorkingFolder>(dir);
        // POV-Ray as the program starts it, with no picture window and no
        // pause after a frame (which waits for a key even without one), and
        // bounded in time; each run notes its exit status, the number of
        // arguments it got and the settings file $POVINI names. None starts
        // once the test's folder is gone.
        const std::string wrapper =
            Write("bin/povray", "#!/bin/sh\n[ -e \"$PWD\" ] || exit 1\n"
                                "timeout -s KILL 120 '" + povray + "' \"$@\" -D -P >/dev/null 2>&1\n"
                                "echo \"$? $# ${POVINI-unset}\" >> '" + (dir / "runs.txt").string() + "'\n");
        ::chmod(wrapper.c_str(), 0755);
        Form1.Edit52.text = wrapper;
        Form1.Edit47.text = "32";
        Form1.Edit48.text = "24";
        // What an author can leave beside a folder of the same archive: each
        // writes hijacked.png when POV-Ray or the shell takes it.
        Write("evil.inc", Hijack);
        Write("evil.ini", "Input_File_Name=\"" + (dir / "evil.inc").string() + "\"\n");
        Write("run.sh", "touch hijacked.png\n");
    }
    void TearDown() override {
        working.reset();
        home.reset();
        noSettings.reset();
        systemScope.reset();
        CommandTest::TearDown();
    }
    void MakeOutputFolder(const char* name) {
        out = dir / name;
        fs::create_directories(out);
        Form2.Edit1.text = out.string();
    }
    // Waits until `n` more runs have ended, each as `ended` says, or an
    // author's file was taken (at most two minutes: the program never waits
    // for POV-Ray); true when every run so far ended as expected and none
    // took a file of the author's.
    bool RunsEnded(std::size_t n, const std::string& ended) {
        for (std::size_t i = 0; i < n; ++i) expectedRuns += ended + "\n";
        std::string runs;
        for (int i = 0; i < 1200 && runs.size() < expectedRuns.size() && !fs::exists(out / "hijacked.png"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            runs = Read(dir / "runs.txt");
        }
        EXPECT_FALSE(fs::exists(out / "hijacked.png"));
        EXPECT_EQ(runs, expectedRuns);
        return !HasFailure();
    }
    SystemShell system;
    std::unique_ptr<ScopedServices> systemScope;
    std::unique_ptr<fixtures::ScopedEnv> noSettings, home;
    std::unique_ptr<fixtures::ScopedWorkingFolder> working;
    std::string expectedRuns;
};

// With no settings file of the user's, POV-Ray started by the program gets
// no $POVINI (it reads the system's settings, as when started by hand); a
// relative one of the user's names the same file from where POV-Ray works.
TEST_F(PovRayStartTest, SaveAndRenderRendersInAnyFolder) {
    BatchFiles = {WriteObj("My Models/walk \xC3\xA9.obj")};
    ASSERT_TRUE(LoadSelectedModels());
    const std::string picture = Form1.Edit61.text;
    bool first = true;
    // The output folders, INI names as the user may type them, and $POVINI.
    const struct {
        const char *folder, *ini, *povini;
    } cases[] = {
        {"My Models", nullptr, nullptr}, {"evil.ini +L", nullptr, nullptr}, {"q\"a\" +L", nullptr, nullptr},
        {"x=y;z#w'v", nullptr, nullptr}, {"[s]", nullptr, nullptr},        {"tab\tline\nbreak", nullptr, nullptr},
        {"user", "-my = scene.ini", "my settings.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        MakeOutputFolder(c.folder);
        if (c.ini) Form1.Edit68.text = c.ini;
        const fixtures::ScopedEnv povini("POVINI", c.povini);
        // Twice in the first: the second render keeps the first one's picture.
        for (int k = first ? 2 : 1; k > 0; --k) {
            dialogs.results = {ModalResult::Ok};
            Commands().Run("Form1.ToolButton18");
            // The INI file, the frames and picture after it and "+P", read
            // without an error.
            ASSERT_TRUE(RunsEnded(1, "0 8 " + (c.povini ? (dir / c.povini).string() : "unset")));
        }
        first = false;
        EXPECT_TRUE(fs::exists(out / picture));
    }
    EXPECT_TRUE(fs::exists(dir / "My Models" / RevisedFileName(picture, 1)));
}

TEST_F(PovRayStartTest, ABatchScriptRendersEveryModelAsItself) {
    // Each model with its picture's name: cleaned, and revised where two meet.
    const std::pair<const char*, const char*> models[] = {
        {"walk 01.obj", "walk_01"}, {"good.obj", "good"},
        {"good.pov +W8 +H8 +Ohijacked.png good.obj", "good_pov__W8__H8__Ohijacked_png_good"},
        {"-x=1.obj", "_x_1"},       {"walk_01.obj", "walk_01_Rev00001"},
        {"take \"2\" [b] \xC3\xA9.obj", "take__2___b____"}};
    std::vector<std::string> files;
    for (const auto& [model, picture] : models) files.push_back(WriteObj("My Models/" + std::string(model)));
    prompts.fileAnswers = {files};
    prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
    Commands().Run("Form1.Batch1");
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    Commands().Run("Form1.RadioButton3");
    // "Copy all maps" names the INI files in the script without their
    // folder, "Include file paths" with it: one name that no word of
    // POV-Ray's command line carries, one in quotes.
    // The last with a relative $POVINI of the user's, which each POV-Ray
    // run of the script gets made absolute.
    const struct {
        bool copyMaps;
        const char *folder, *povini;
    } passes[] = {{true, "run.sh\" \"x", nullptr}, {false, "run.sh\" \"y", nullptr}, {false, "My Renders", "s.ini"}};
    for (const auto& [copyMaps, folder, povini] : passes) {
        SCOPED_TRACE(folder);
        Form2.CheckBox16.checked = copyMaps;
        Commands().Run("Form2.CheckBox16");
        MakeOutputFolder(folder);
        const fixtures::ScopedEnv settings("POVINI", povini);
        prompts.answers = {Answer::Yes};  // POV-Ray is not running
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        ASSERT_TRUE(RunsEnded(std::size(models), "0 7 " + (povini ? (dir / povini).string() : "unset")));
        for (const auto& [model, picture] : models)
            EXPECT_TRUE(fs::exists(out / (picture + std::string(OutputImageExtension(Form1.ComboBox5.index)))))
                << picture;
    }
}

// The bakes name their scene as POV-Ray, working in the map's folder, can
// read it, whatever the program's folder is named (letters beyond ASCII, a
// line break, both kinds of quote marks): by its name in that folder (the
// sky), by its way from there (the material).
TEST_F(PovRayStartTest, BakesRenderWhateverTheProgramFolderIsNamed) {
    BatchFiles = {WriteObj("car.obj")};
    ASSERT_TRUE(LoadSelectedModels());
    const fs::path top = dir / "Jos\xC3\xA9 \"'\n", maps = top / "maps";
    fs::create_directories(top / "prog");
    fs::create_directories(maps);
    SetProgramDirOverride((top / "prog").string());
    out = maps;
    Form1.Memo2.lines = {"material{texture{pigment{rgb <1,0.5,0>}}}"};
    prompts.fileAnswers = {{(maps / "baked.png").string()}};
    prompts.answers = {Answer::No};  // no need to set the map on the material
    Commands().Run("Form1.ToolButton41");
    ASSERT_TRUE(RunsEnded(1, "0 7 unset"));  // the bakes share their files: one after the other
    Form1.ComboBox1.index = 23;  // Starfield
    ASSERT_TRUE(CreateSkyMap(SkyMapFile("Starfield")));
    ASSERT_TRUE(RunsEnded(1, "0 7 unset"));
    EXPECT_TRUE(fs::exists(maps / "baked.png"));
    EXPECT_TRUE(fs::exists(SkyMapFile("Starfield")));
}

// A "Use a POV file" batch whose first frame would include a file of the
// model's archive, not one the batch wrote, is not rendered; from the frame
// the models' numbers fit, it renders every frame.
TEST_F(PovRayStartTest, ABatchRendersNoFrameIncludeItDidNotWrite) {
    MakeOutputFolder("frames");
    Write("frames/frame00.inc", Hijack);
    prompts.fileAnswers = {{WriteObj("frames/frame01.obj"), WriteObj("frames/frame02.obj")}};
    prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
    Commands().Run("Form1.Batch1");
    for (const char* initial : {"0", "1"}) {
        Form1.Edit120.text = initial;
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
    }
    EXPECT_TRUE(Logged("<!>POV-Ray was not started: frame 0 would read frame00.inc, which this batch did not "
                       "write; the models' numbers fit Initial Frame 1"));
    ASSERT_TRUE(RunsEnded(1, "0 7 unset"));
}

// A model's material text that its reader keeps switched off (it writes a
// file) is neither previewed nor baked until the user switches it on or
// edits it; the model renders without it.
TEST_F(PovRayStartTest, AModelsSwitchedOffMaterialTextIsNeitherPreviewedNorBaked) {
    MakeOutputFolder("car");
    Write("car/car.mtl", "newmtl paint\n#povmaterial material{texture{pigment{rgb 1}}} #fopen F \"" +
                             (out / "hijacked.png").string() + "\" write #fclose F\n");
    BatchFiles = {WriteObj("car/car.obj", 0, "car.mtl", "paint")};
    ASSERT_TRUE(LoadSelectedModels());
    Commands().Run("Form1.ToolButton40");
    prompts.fileAnswers = {{(out / "baked.png").string()}};
    Commands().Run("Form1.ToolButton41");
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.ToolButton18");
    EXPECT_TRUE(Logged("<!>The POV-Ray material of paint may run a directive or a macro when the scene renders: it "
                       "goes to POV-Ray only once it is switched on (\"Active\") or edited"));
    ASSERT_TRUE(RunsEnded(1, "0 8 unset"));
    EXPECT_FALSE(fs::exists(out / "baked.png"));
}

// What a model's archive can leave where POV-Ray would work (the model's
// folder as the output and map folder, the program's folder): a file that
// POV-Ray reads in place of its own, one of each kind (an include file the
// scenes name, one they include in turn, one of an option, one of a custom
// material's includes, in another letter case, the settings file), each of
// which, read, writes hijacked.png. Every start there is refused with a line
// that names it, and none runs; the batch save says so for its script.
// Started by hand in that folder, POV-Ray would read it.
TEST_F(PovRayStartTest, AFileOfPovRaysOwnWherePovRayWouldWorkStopsEveryStart) {
    const std::vector<std::string> models = {WriteObj("models/car 1.obj"), WriteObj("models/car 2.obj")};
    MakeOutputFolder("models");
    const auto reason = [](const fs::path& file) {
        const std::string read = file.filename() == "povray.ini"
                                     ? "its settings from " + file.string()
                                     : file.string() + " in place of its include file of that name";
        return "would read " + read + "; move or rename it, or choose another output folder";
    };
    const auto refused = [&](const fs::path& file) {
        return Logged("<!>POV-Ray was not started: it " + reason(file));
    };
    const auto lastBox = [this] { return prompts.shown.empty() ? std::string() : prompts.shown.back().text; };
    for (const char* name : {"stdinc.inc", "math.inc", "rad_def.inc", "woodmaps.inc", "Colors.INC", "povray.ini"}) {
        SCOPED_TRACE(name);
        const std::string text = name == std::string("povray.ini")
                                     ? "Include_Header=\"" + (dir / "evil.inc").string() + "\"\n"
                                     : std::string(Hijack);
        for (const fs::path& folder : {out, dir}) std::ofstream(folder / name) << text;
        // The model's own commands: a render, the material's preview and
        // bake, the sky bake.
        BatchFiles = {models[0]};
        ASSERT_TRUE(LoadSelectedModels());
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        EXPECT_TRUE(refused(out / name));
        Form1.Memo2.lines = {"texture{pigment{rgb 1}}"};
        Commands().Run("Form1.ToolButton40");
        EXPECT_TRUE(refused(dir / name));
        prompts.fileAnswers = {{(out / "baked.png").string()}};
        Commands().Run("Form1.ToolButton41");
        EXPECT_EQ(lastBox(), "POV-Ray was not started: it " + reason(out / name));
        prompts.answers = {Answer::Yes};  // make the sky's map
        Form1.ComboBox1.index = 23;       // Starfield
        Commands().Run("Form1.ComboBox1");
        EXPECT_EQ(lastBox(), "POV-Ray was not started: it " + reason(dir / name));
        EXPECT_FALSE(Logged("Ready"));
        // A batch, rendered through its common INI file, then through its
        // script, which the save says would read the file when run again.
        prompts.fileAnswers = {models};
        prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
        Commands().Run("Form1.Batch1");  // clears the messages
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        EXPECT_TRUE(refused(out / name));
        Form1.RadioButton4.checked = false;
        Form1.RadioButton3.checked = true;
        Commands().Run("Form1.RadioButton3");
        EXPECT_FALSE(Logged("Ready"));
        ClearMessagesPage();
        prompts.answers = {Answer::Yes};  // POV-Ray is not running
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        EXPECT_TRUE(Logged("<!>POV-Ray started by mirelan_batch_render.sh in its folder " + reason(out / name)));
        EXPECT_TRUE(refused(out / name));
        EXPECT_FALSE(Logged("Ready"));
        Form1.RadioButton3.checked = false;
        Form1.RadioButton4.checked = true;
        for (const fs::path& folder : {out, dir}) fs::remove(folder / name);
    }
    EXPECT_FALSE(fs::exists(dir / "runs.txt"));
    EXPECT_FALSE(fs::exists(out / "hijacked.png") || fs::exists(dir / "hijacked.png"));
    // The batch's common INI file, rendered by hand where the program would
    // not start it: the planted file runs.
    std::ofstream(out / "colors.inc") << Hijack;
    const std::string command = "cd '" + out.string() + "' && '" + Form1.Edit52.text + "' mirelan_scene.ini";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::exists(out / "hijacked.png"));
}

// What a model's archive can leave under the names of the pictures and
// render state files POV-Ray writes (a link to a file outside, a link to
// nothing): the saves' pictures take another name, free for every file
// POV-Ray writes, and the starts whose names are chosen by the user or the
// program (the bakes, the preview) are refused. POV-Ray creates or changes
// nothing outside the folder it works in.
TEST_F(PovRayStartTest, NothingOutsideTheFolderIsWrittenThroughALink) {
    const std::vector<std::string> models = {WriteObj("models/m1.obj"), WriteObj("models/m2.obj")};
    MakeOutputFolder("models");
    const fs::path outside = dir / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "kept") << "kept";
    const auto plant = [&](const fs::path& entry, bool dangling) {
        fs::create_symlink(dangling ? outside / entry.filename() : outside / "kept", entry);
    };
    // Save && Render: a link to nothing under the picture's name, a link
    // under the state file of the first "_Rev" name.
    plant(out / "m1.png", true);
    plant(out / "m1_Rev00001.pov-state", false);
    BatchFiles = {models[0]};
    ASSERT_TRUE(LoadSelectedModels());
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.ToolButton18");
    ASSERT_TRUE(RunsEnded(1, "0 8 unset"));
    EXPECT_TRUE(fs::exists(out / "m1_Rev00002.png"));
    // The bakes and the preview, each with a link under its state file.
    plant(out / "baked.pov-state", false);
    Form1.Memo2.lines = {"texture{pigment{rgb 1}}"};
    prompts.fileAnswers = {{(out / "baked.png").string()}};
    Commands().Run("Form1.ToolButton41");
    EXPECT_FALSE(fs::exists(dir / "create_image_map.pov") || fs::exists(dir / "create_image_map.ini"));
    plant(dir / "Preview_Sky_Starfield.pov-state", false);
    Form1.ComboBox1.index = 23;  // Starfield
    EXPECT_FALSE(CreateSkyMap(SkyMapFile("Starfield")));
    plant(dir / "test_scene_POV_preview.pov-state", false);
    Commands().Run("Form1.ToolButton40");
    for (const fs::path& state : {out / "baked.pov-state", dir / "Preview_Sky_Starfield.pov-state",
                                  dir / "test_scene_POV_preview.pov-state"})
        EXPECT_TRUE(Logged("<!>POV-Ray was not started: it would write its render state file " + state.string() +
                           ", which is a link or not a plain file; move or rename it, or choose another output "
                           "folder"));
    // A batch through its common INI file, whose second frame's state file
    // is a link, then through its script, whose second picture's is.
    plant(out / "mirelan_scene2.pov-state", false);
    plant(out / "m2.pov-state", false);
    prompts.fileAnswers = {models};
    prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
    Commands().Run("Form1.Batch1");
    Form1.Edit120.text = "1";  // the frames of m1 and m2
    EXPECT_EQ(BatchOutputNames(models).at(0).notes,
              std::vector<std::string>{"<!>mirelan_scene.png rendered as mirelan_scene_Rev00001.png with each "
                                       "frame's number: the output folder holds files of those names"});
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.ToolButton18");
    ASSERT_TRUE(RunsEnded(1, "0 7 unset"));
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    Commands().Run("Form1.RadioButton3");
    // The user's own INI lines name a picture whose state file is a link:
    // the save says so, and the script does not start.
    Form1.Memo1.lines = {"Output_File_Name=mine.png"};
    plant(out / "mine.pov-state", false);
    const std::string hazard = "would write its render state file " + (out / "mine.pov-state").string() +
                               ", which is a link or not a plain file; move or rename it, or choose another "
                               "output folder";
    for (const bool mine : {true, false}) {
        ClearMessagesPage();
        prompts.answers = {Answer::Yes};  // POV-Ray is not running
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        EXPECT_EQ(Logged("<!>POV-Ray started by mirelan_batch_render.sh in its folder " + hazard), mine);
        EXPECT_EQ(Logged("<!>POV-Ray was not started: it " + hazard), mine);
        Form1.Memo1.lines.clear();
    }
    ASSERT_TRUE(RunsEnded(2, "0 7 unset"));
    for (const char* picture : {"mirelan_scene_Rev000011.png", "mirelan_scene_Rev000012.png", "m1_Rev00003.png",
                                "m2_Rev00001.png"})
        EXPECT_TRUE(fs::exists(out / picture)) << picture;
    // Nothing outside made or changed, every link still there.
    EXPECT_EQ(Read(outside / "kept"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_symlink(out / "m1.png") && fs::is_symlink(out / "mirelan_scene2.pov-state"));
}

// The program that starts is the one checked, named by its absolute path,
// whatever the setting names: a path relative to the program's working
// folder, or a name found through an empty PATH entry (that folder). A
// program of that name which a model's archive left in the model's folder,
// where POV-Ray works, is never run: by Save && Render nor by the batch
// script.
TEST_F(PovRayStartTest, TheProgramStartedIsTheOneChecked) {
    const std::vector<std::string> models = {WriteObj("models/car1.obj"), WriteObj("models/car2.obj")};
    MakeOutputFolder("models");
    for (const char* planted : {"models/bin/povray", "models/povray"})
        ::chmod(Write(planted, "#!/bin/sh\ntouch hijacked.png\n").c_str(), 0755);
    fs::copy_file(Form1.Edit52.text, dir / "povray");
    const fixtures::ScopedEnv path("PATH", ":" + std::string(std::getenv("PATH")));
    for (const char* program : {"bin/povray", "povray"}) {
        SCOPED_TRACE(program);
        Form1.Edit52.text = program;
        BatchFiles = {models[0]};
        ASSERT_TRUE(LoadSelectedModels());
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        ASSERT_TRUE(RunsEnded(1, "0 8 unset"));
    }
    ChooseBatch(models);
    UseBatchFile();
    Form1.Edit52.text = "bin/povray";
    prompts.answers = {Answer::Yes};  // POV-Ray is not running
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.ToolButton18");
    ASSERT_TRUE(RunsEnded(2, "0 7 unset"));
}

// A map that is a fifo, which POV-Ray would wait on for ever, stops every
// start whose scene names it, with a line that names it, whether the maps
// are named where they lie or copied under their names (a fifo is not
// copied, and the name in the output folder is the fifo's): Save && Render,
// a batch through its common INI file and through its script.
TEST_F(PovRayStartTest, AMapThatIsAFifoStopsEveryStart) {
    MakeOutputFolder("car");
    Write("car/car.mtl", "newmtl paint\nmap_Kd tex.png\n");
    ASSERT_EQ(::mkfifo((out / "tex.png").c_str(), 0644), 0);
    const std::vector<std::string> models = {WriteObj("car/car1.obj", 0, "car.mtl", "paint"),
                                             WriteObj("car/car2.obj", 0, "car.mtl", "paint")};
    const std::string refused = "<!>POV-Ray was not started: it would read the map " + (out / "tex.png").string() +
                                ", which is not a regular file; put a picture in its place or choose another map";
    const auto render = [&] {
        ClearMessagesPage();
        prompts.answers = {Answer::Yes};  // POV-Ray is not running
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        EXPECT_TRUE(Logged(refused));
        EXPECT_FALSE(Logged("Ready"));
    };
    BatchFiles = {models[0]};
    ASSERT_TRUE(LoadSelectedModels());
    render();
    Form2.CheckBox16.checked = true;  // "Copy all maps to the same directory"
    Commands().Run("Form2.CheckBox16");
    Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;  // under their own names, as they are
    render();
    ChooseBatch(models);
    Form1.Edit120.text = "1";  // the frames of car1 and car2
    render();
    UseBatchFile();
    render();
    EXPECT_FALSE(fs::exists(dir / "runs.txt"));
}

// The user's own lines (among the INI options, in the settings file $POVINI
// names) and the Initial Frame as typed: POV-Ray renders the frames and
// writes the pictures the program checked, or is not started; a line read
// as POV-Ray reads it takes effect. A batch script run by hand later, under
// settings the program never saw, renders one picture of each model.
// Nothing outside the folder is made or changed, and no include of the
// model's archive runs.
TEST_F(PovRayStartTest, PovRayRendersTheFramesAndPicturesTheProgramChecked) {
    const std::vector<std::string> models = {WriteObj("frames/frame1.obj"), WriteObj("frames/frame2.obj"),
                                             WriteObj("frames/frame3.obj")};
    MakeOutputFolder("frames");
    const fs::path outside = dir / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "kept") << "kept";
    // Under the names of the frames around the batch's, and of two frames of
    // the first model's picture: a link to a file outside, a link to nothing,
    // an include that writes outside.
    for (const char* name : {"mirelan_scene0.pov-state", "mirelan_scene4.pov-state", "frame12.pov-state"})
        fs::create_symlink(outside / "kept", out / name);
    for (const char* name : {"mirelan_scene4.png", "frame11.png"}) fs::create_symlink(outside / name, out / name);
    Write("frames/frame0.inc", Hijack);
    Write("frames/frame4.inc", Hijack);
    prompts.fileAnswers = {models};
    prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
    Commands().Run("Form1.Batch1");
    // A settings file of the user's names the folders of the standard
    // include files, as POV-Ray reports them.
    std::string library;
    const std::string report =
        "'" + FindProgram("povray") + "' +Inone.pov -D 2>&1 | sed -n '/Library paths:/,/^[^ ]/p'";
    if (FILE* paths = ::popen(report.c_str(), "r")) {
        for (char line[4096]; std::fgets(line, sizeof line, paths);)
            if (std::string_view(line).starts_with("    /")) library += "Library_Path=\"" + Trim(line) + "\"\n";
        ::pclose(paths);
    }
    ASSERT_FALSE(library.empty());
    const std::string settings = Write("settings.ini", library);
    const fixtures::ScopedEnv povini("POVINI", settings);
    const struct {
        const char *initial, *line, *settings, *rendered;
    } cases[] = {
        {"1", "Subset_End_Frame=4", "", ""}, {"1", "+EF4", "", ""}, {"1", "+A0.3 Final_Frame=4", "", ""},
        {"1", "+A0.3 Initial_Frame=0", "", ""}, {"1", "Final_Frame=4 5", "", ""}, {"1", "Final_Frame='4'", "", ""},
        {"1", "Final_Frame=4[x]", "", ""}, {"1", "Final_Frame=1+3", "", ""}, {"1", "Initial_Frame=0x3", "", ""},
        {"1", "", "Subset_End_Frame=4", ""}, {"1e1", "", "", ""}, {"99999999999", "", "", ""},
        {"1.0", "", "", "123"}, {" 1.", "Subset_Start_Frame=2", "", "23"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.initial) + " " + c.line + c.settings);
        Write("settings.ini", library + c.settings);
        Form1.Edit120.text = c.initial;
        Form1.Memo1.lines = *c.line ? std::vector<std::string>{c.line} : std::vector<std::string>();
        ClearMessagesPage();
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        if (!*c.rendered) {
            const auto& lines = status.Lines(StatusPage::Messages);
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
                return line.starts_with("<!>POV-Ray was not started: ");
            }));
            continue;
        }
        ASSERT_TRUE(RunsEnded(1, "0 7 " + settings));
        for (const char frame : std::string("123")) {
            const fs::path picture = out / ("mirelan_scene" + std::string(1, frame) + ".png");
            EXPECT_EQ(fs::exists(picture), std::string(c.rendered).find(frame) != std::string::npos) << picture;
            fs::remove(picture);
        }
    }
    // The script, started by the program, then by hand under settings that
    // ask for two frames.
    Form1.Memo1.lines.clear();
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    Commands().Run("Form1.RadioButton3");
    prompts.answers = {Answer::Yes};  // POV-Ray is not running
    dialogs.results = {ModalResult::Ok};
    Commands().Run("Form1.ToolButton18");
    ASSERT_TRUE(RunsEnded(3, "0 7 " + settings));
    fs::remove(out / "frame1.png");
    Write("settings.ini", library + "Initial_Frame=1\nFinal_Frame=2\n");
    const std::string command = "cd '" + out.string() + "' && sh mirelan_batch_render.sh >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(RunsEnded(3, "0 7 " + settings));
    EXPECT_TRUE(fs::exists(out / "frame1.png"));
    // Nothing outside made or changed, every link still there.
    EXPECT_EQ(Read(outside / "kept"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_symlink(out / "frame11.png") && fs::is_symlink(out / "mirelan_scene0.pov-state"));
}

// A "Use a POV file" batch into a folder that holds an earlier batch's
// pictures renders its own under a name free for every frame: the earlier
// ones are kept.
TEST_F(PovRayStartTest, ASecondBatchKeepsTheFirstBatchsPictures) {
    const std::vector<std::string> models = {WriteObj("models/walk1.obj"), WriteObj("models/walk2.obj")};
    MakeOutputFolder("renders");
    prompts.fileAnswers = {models};
    prompts.answers = {Answer::Yes, Answer::No};  // lights and camera set, no common material file
    Commands().Run("Form1.Batch1");
    Form1.Edit120.text = "1";  // the frames of walk1 and walk2
    for (const char* base : {"mirelan_scene", "mirelan_scene_Rev00001"}) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        ASSERT_TRUE(RunsEnded(1, "0 7 unset"));
        for (const char* frame : {"1", "2"}) {
            const fs::path picture = out / (base + std::string(frame) + ".png");
            EXPECT_TRUE(fs::exists(picture)) << picture;
            std::ofstream(picture) << "first";
        }
    }
    for (const char* picture : {"mirelan_scene1.png", "mirelan_scene2.png"}) EXPECT_EQ(Read(out / picture), "first");
}

}  // namespace
