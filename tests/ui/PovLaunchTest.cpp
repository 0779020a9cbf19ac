// The program named in the executable box and the starts that fail, and
// the names the save dialogs give each file type. (The filters are checked
// on the dialogs themselves in the window tests.)
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/FileDialogs.h"
#include "ui/core/PovLaunch.h"

namespace {

namespace fs = std::filesystem;

using PovLaunchTest = fixtures::ModelTest;

TEST_F(PovLaunchTest, TheExecutableBoxNamesAProgramByPathOrOnThePath) {
    const fs::path folder = fs::path(testing::TempDir()) / ("povlaunch-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string program = (folder / "povray").string(), plain = (folder / "notes.txt").string();
    std::ofstream(program) << "#!/bin/sh\n";
    std::ofstream(plain) << "x";
    ::chmod(program.c_str(), 0755);
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {program, program}, {"  \"" + program + "\"  ", program}, {plain, ""},  // not executable
        {(folder / "missing").string(), ""}, {"mirelan-no-such-program-xyz", ""},
    };
    for (const auto& [edit, found] : cases) {
        Form1.Edit52.text = edit;
        EXPECT_EQ(PovRayProgram(), found) << edit;
    }
    Form1.Edit52.text = "sh";  // a bare name is looked up on PATH
    EXPECT_EQ(fs::path(PovRayProgram()).filename(), "sh");
    fs::remove_all(folder);
    Form1.Edit52.text.clear();
    // Nothing to start, or a start that fails: reported.
    EXPECT_FALSE(StartPovRay("", "/out/x.ini", "/out", PovRayRun::Render));
    // INI names that no word of POV-Ray's command line can carry: reported.
    for (const char* ini : {"/out/a\"b.ini", "/out/s[1].ini", "/o\"t/x.ini"})
        EXPECT_FALSE(StartPovRay("/bin/true", ini, "/elsewhere", PovRayRun::Render)) << ini;
    EXPECT_TRUE(shell.requests.empty());
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(),
              "<!>POV-Ray cannot read an INI file whose name holds a double quote or a square bracket: /o\"t/x.ini");
    shell.succeeds = false;
    EXPECT_FALSE(OpenInEditor({"/out/x.ini"}) || StartBatchScript("/out/b.sh", "/out"));
}

TEST_F(PovLaunchTest, TheSaveDialogsFollowTheFileType) {
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
