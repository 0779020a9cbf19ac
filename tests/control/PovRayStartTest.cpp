// POV-Ray started by the program's own commands through the real shell,
// rendering with the installed POV-Ray (skipped when it is not installed):
// whatever the names of the output folder and the models hold, each scene
// renders as itself, and nothing the model's author left beside them (an
// INI file, a scene, a script, POV-Ray's settings file) is read or run.
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
        // POV-Ray as the program starts it: the installed one with the same
        // arguments and no picture window; each run's start is noted, and its
        // end with its exit status and the number of arguments it got. A run
        // is bounded in time and none starts once the test's folder is gone.
        runs = dir / "runs.txt";
        starts = dir / "starts.txt";
        const std::string wrapper = Write("bin/povray", "#!/bin/sh\n"
                                                        "[ -e \"$PWD\" ] || exit 1\n"
                                                        "echo >> '" + starts.string() + "'\n"
                                                        "timeout -s KILL 120 '" + povray +
                                                            "' \"$@\" -D >/dev/null 2>&1\n"
                                                            "echo \"$? $#\" >> '" + runs.string() + "'\n");
        ::chmod(wrapper.c_str(), 0755);
        Form1.Edit52.text = wrapper;
        Form1.Edit47.text = "32";
        Form1.Edit48.text = "24";
        // What an author can leave beside a folder of the same archive: each
        // writes hijacked.png when POV-Ray or the shell takes it.
        Write("evil.ini", "Input_File_Name=\"" + (dir / "evil.pov").string() +
                              "\"\nOutput_File_Name=hijacked.png\n+W8\n+H8\n");
        Write("evil.pov", "sphere{0,1 pigment{rgb 1}}\n");
        Write("run.sh", "touch hijacked.png\n");
        Write("evil.inc", "#fopen F \"hijacked.png\" write #fclose F\n");
    }
    // An output folder, with the settings file that POV-Ray would read from
    // its working folder before anything else.
    void MakeOutputFolder(const char* name) {
        out = dir / name;
        fs::create_directories(out);
        std::ofstream(out / "povray.ini") << "Include_Header=" << (dir / "evil.inc").string() << "\n";
        Form2.Edit1.text = out.string();
    }
    void TearDown() override {
        // No run is left in a folder that is about to go.
        for (int i = 0; i < 1200 && Lines(starts).size() > Lines(runs).size(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        systemScope.reset();
        CommandTest::TearDown();
    }
    bool Hijacked() const {
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.path().filename() == "hijacked.png") return true;
        return false;
    }
    // The runs noted, once `n` have ended or an author's file was taken (at
    // most two minutes: POV-Ray is never waited for by the program).
    std::vector<std::string> WaitForRuns(std::size_t n) {
        std::vector<std::string> lines;
        for (int i = 0; i < 1200 && lines.size() < n && !Hijacked(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            lines = Lines(runs);
        }
        return lines;
    }
    static std::vector<std::string> Lines(const fs::path& file) {
        std::istringstream text(Read(file));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    void Save(const char* command) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run(command);
    }
    SystemShell system;
    std::unique_ptr<ScopedServices> systemScope;
    fs::path runs, starts;
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
            Save("Form1.ToolButton18");
            const std::vector<std::string> ended = WaitForRuns(++started);
            ASSERT_FALSE(Hijacked());
            ASSERT_EQ(ended.size(), started);
            EXPECT_EQ(ended.back(), "0 2");  // the INI file and "+P", read without an error
        }
        EXPECT_TRUE(fs::exists(out / picture));
    }
    EXPECT_TRUE(fs::exists(dir / "My Models" / RevisedFileName(picture, 1)));
}

TEST_F(PovRayStartTest, ABatchScriptRendersEveryModelAsItself) {
    const char* const models[] = {"walk 01.obj", "good.obj", "good.pov +W8 +H8 +Ohijacked.png good.obj", "-x=1.obj",
                                  "walk_01.obj", "take \"2\" [b] \xC3\xA9.obj"};
    std::vector<std::string> files;
    for (const char* model : models) files.push_back(WriteObj("My Models/" + std::string(model)));
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
        Save("Form1.ToolButton18");
        started += std::size(models);
        const std::vector<std::string> ended = WaitForRuns(started);
        ASSERT_FALSE(Hijacked());
        ASSERT_EQ(ended, std::vector<std::string>(started, "0 1"));
        for (const char* name : {"walk_01", "good", "good_pov__W8__H8__Ohijacked_png_good", "_x_1", "walk_01_Rev00001",
                                 "take__2___b____"}) {
            const std::string picture = name + std::string(OutputImageExtension(Form1.ComboBox5.index));
            EXPECT_TRUE(fs::exists(out / picture)) << picture;
        }
    }
}

}  // namespace
