// The program named in the executable box and the starts that fail, what
// POV-Ray reads when the program starts it (its settings, the files of its
// working folder), and the names the save dialogs give each file type. (The
// filters are checked on the dialogs themselves in the window tests.)
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "model/StatusLog.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScopedEnv.h"
#include "tests/fixtures/ScratchFolder.h"
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

// POV-Ray started by the program reads the settings POV-Ray started by hand
// reads: the user's $POVINI, a relative one made absolute against the
// program's working folder (POV-Ray works in another); else the user's or
// the system's. The program sets nothing else, neither for the child nor in
// its own environment, and makes no settings file.
TEST_F(PovLaunchTest, EveryStartGetsTheUsersSettingsAndTheProgramKeepsItsEnvironment) {
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch");
    SetProgramDirOverride(folder.string());
    fixtures::ScopedEnv home("HOME", folder.c_str());
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {nullptr, {}}, {"", {}}, {"/home/u/povray.ini", {}},
        {"my settings/povray.ini", {"POVINI=" + (fs::current_path() / "my settings/povray.ini").string()}},
    };
    for (const auto& [povini, changes] : cases) {
        SCOPED_TRACE(povini ? povini : "unset");
        fixtures::ScopedEnv scoped("POVINI", povini);
        shell.requests.clear();
        EXPECT_TRUE(StartPovRay("/bin/true", (folder / "x.ini").string(), folder.string(), PovRayRun::Bake));
        EXPECT_TRUE(StartBatchScript("-b.sh", folder.string()));
        ASSERT_EQ(shell.requests.size(), 2u);
        for (const auto& request : shell.requests) EXPECT_EQ(request.environment, changes);
        const char* now = std::getenv("POVINI");
        EXPECT_EQ(now ? std::optional<std::string>(now) : std::nullopt,
                  povini ? std::optional<std::string>(povini) : std::nullopt);
    }
    // A relative script name is not an option of the shell, and one in a
    // relative output folder is named from that folder, where the shell runs.
    EXPECT_EQ(shell.requests[1].arguments, std::vector<std::string>{"./-b.sh"});
    EXPECT_TRUE(StartBatchScript("out put/-b.sh", "out put"));
    EXPECT_EQ(shell.requests.back().arguments, std::vector<std::string>{"./-b.sh"});
    EXPECT_TRUE(fs::is_empty(folder));
    {  // A working folder that is gone: a name that names no file.
        fs::create_directories(folder / "gone");
        fixtures::ScopedWorkingFolder in(folder / "gone");
        fs::remove(folder / "gone");
        fixtures::ScopedEnv scoped("POVINI", "povray.ini");
        EXPECT_EQ(PovRayEnvironment(), std::vector<std::string>{"POVINI="});
    }
    SetProgramDirOverride("");
    fixtures::RemoveScratchFolder(folder);
}

// A file that POV-Ray reads from its working folder in place of its own (its
// settings, a standard include; in any letter case) stops every start in
// that folder, with a line that names it; other names do not, and neither do
// such files elsewhere.
TEST_F(PovLaunchTest, AFileOfPovRaysOwnInTheWorkingFolderStopsTheStart) {
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch"), other = folder / "other";
    fs::create_directories(other);
    for (const char* name : {"mycolors.inc", "colors.inc.bak", "povray.ini.txt", "other/colors.inc"})
        std::ofstream(folder / name) << "x";
    const std::string ini = (folder / "x.ini").string();
    EXPECT_TRUE(StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Render));
    EXPECT_TRUE(StartBatchScript((folder / "b.sh").string(), folder.string()));
    // Each name planted comes first in name order, and is the one named.
    const auto lastLine = [this] { return Messages().empty() ? std::string() : Messages().back(); };
    for (const char* name : {"povray.ini", "math.inc", "Colors.INC"}) {
        std::ofstream(folder / name) << "x";
        const std::string line = "<!>POV-Ray was not started: it would read " + (folder / name).string() +
                                 " in place of its own file of that name";
        ClearMessagesPage();
        EXPECT_FALSE(StartPovRay("/bin/true", ini, folder.string() + "/", PovRayRun::Render)) << name;
        EXPECT_EQ(lastLine(), line);
        ClearMessagesPage();
        EXPECT_FALSE(StartBatchScript((folder / "b.sh").string(), folder.string())) << name;
        EXPECT_EQ(lastLine(), line);
    }
    EXPECT_EQ(shell.requests.size(), 2u);
    // A folder that cannot be listed (here: no file descriptor left) is
    // searched for the names as POV-Ray opens them.
    rlimit files{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &files), 0);
    rlimit none = files;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_NOFILE, &none);
    const std::string found = PovRayOwnFileIn(folder.string());
    ::setrlimit(RLIMIT_NOFILE, &files);
    EXPECT_EQ(found, (folder / "math.inc").string());
    fixtures::RemoveScratchFolder(folder);
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
