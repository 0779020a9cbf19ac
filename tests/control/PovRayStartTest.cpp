// POV-Ray started by the program's own commands through the real shell,
// rendering with the installed POV-Ray (skipped when it is not installed):
// whatever the names of the output folder and the models hold, each scene
// renders as itself, and nothing the model's author left beside them (an
// INI file, a script, POV-Ray's settings file) is read or run.
#include <chrono>
#include <thread>

#include "CommandFixtures.h"
#include "platform/SystemShell.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/PovIni.h"

namespace {

namespace fs = std::filesystem;

class PovRayStartTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        const std::string povray = FindProgram("povray");
        if (povray.empty()) GTEST_SKIP() << "povray is not installed";
        Services s;
        s.shell = &system;
        systemScope = std::make_unique<ScopedServices>(s);
        // POV-Ray as the program starts it, with no picture window and
        // bounded in time; each run notes its exit status and the number of
        // arguments it got. None starts once the test's folder is gone.
        const std::string wrapper = Write("bin/povray", "#!/bin/sh\n[ -e \"$PWD\" ] || exit 1\n"
                                                        "timeout -s KILL 120 '" + povray + "' \"$@\" -D >/dev/null 2>&1\n"
                                                        "echo \"$? $#\" >> '" + (dir / "runs.txt").string() + "'\n");
        ::chmod(wrapper.c_str(), 0755);
        Form1.Edit52.text = wrapper;
        Form1.Edit47.text = "32";
        Form1.Edit48.text = "24";
        // What an author can leave beside a folder of the same archive: each
        // writes hijacked.png when POV-Ray or the shell takes it.
        Write("evil.inc", "#fopen F \"hijacked.png\" write #fclose F\n");
        Write("evil.ini", "Input_File_Name=\"" + (dir / "evil.inc").string() + "\"\n");
        Write("run.sh", "touch hijacked.png\n");
    }
    void TearDown() override {
        systemScope.reset();
        CommandTest::TearDown();
    }
    // An output folder, with the settings file that POV-Ray would read from
    // its working folder before anything else.
    void MakeOutputFolder(const char* name) {
        out = dir / name;
        fs::create_directories(out);
        std::ofstream(out / "povray.ini") << "Include_Header=" << (dir / "evil.inc").string() << "\n";
        Form2.Edit1.text = out.string();
    }
    // Waits until `n` runs in all have ended or an author's file was taken
    // (at most two minutes: the program never waits for POV-Ray); true when
    // every run ended as `ended` says and none took a file of the author's.
    bool RunsEnded(std::size_t n, const std::string& ended) {
        std::string expected, runs;
        for (std::size_t i = 0; i < n; ++i) expected += ended + "\n";
        for (int i = 0; i < 1200 && runs.size() < expected.size() && !fs::exists(out / "hijacked.png"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            runs = Read(dir / "runs.txt");
        }
        EXPECT_FALSE(fs::exists(out / "hijacked.png"));
        EXPECT_EQ(runs, expected);
        return !HasFailure();
    }
    SystemShell system;
    std::unique_ptr<ScopedServices> systemScope;
};

TEST_F(PovRayStartTest, SaveAndRenderRendersInAnyFolder) {
    BatchFiles = {WriteObj("My Models/walk \xC3\xA9.obj")};
    ASSERT_TRUE(LoadSelectedModels());
    const std::string picture = Form1.Edit61.text;
    std::size_t started = 0;
    // The output folders, and INI names as the user may type them.
    const std::pair<const char*, const char*> cases[] = {
        {"My Models", nullptr}, {"evil.ini +L", nullptr}, {"q\"a\" +L", nullptr},     {"x=y;z#w'v", nullptr},
        {"[s]", nullptr},       {"tab\tline\nbreak", nullptr}, {"user", "-my = scene.ini"},
    };
    for (const auto& [name, ini] : cases) {
        SCOPED_TRACE(name);
        MakeOutputFolder(name);
        if (ini) Form1.Edit68.text = ini;
        // Twice in the first: the second render keeps the first one's picture.
        for (int k = started == 0 ? 2 : 1; k > 0; --k) {
            dialogs.results = {ModalResult::Ok};
            Commands().Run("Form1.ToolButton18");
            ASSERT_TRUE(RunsEnded(++started, "0 2"));  // the INI file and "+P", read without an error
        }
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
    const std::pair<bool, const char*> passes[] = {
        {true, "run.sh\" \"x"}, {false, "run.sh\" \"y"}, {false, "My Renders"}};
    std::size_t started = 0;
    for (const auto& [copyMaps, folder] : passes) {
        SCOPED_TRACE(folder);
        Form2.CheckBox16.checked = copyMaps;
        Commands().Run("Form2.CheckBox16");
        MakeOutputFolder(folder);
        prompts.answers = {Answer::Yes};  // POV-Ray is not running
        dialogs.results = {ModalResult::Ok};
        Commands().Run("Form1.ToolButton18");
        ASSERT_TRUE(RunsEnded(started += std::size(models), "0 1"));
        for (const auto& [model, picture] : models)
            EXPECT_TRUE(fs::exists(out / (picture + std::string(OutputImageExtension(Form1.ComboBox5.index)))))
                << picture;
    }
}

}  // namespace
