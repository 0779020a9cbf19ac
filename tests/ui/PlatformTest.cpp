// The program's folder, the help file, temporary files and the shell.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "model/Services.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/SystemShell.h"
#include "platform/TempFiles.h"
#include "platform/Version.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/core/Settings.h"
#include "ui/core/Shell.h"

namespace fs = std::filesystem;

namespace {

using fixtures::ScopedEnv;
using fixtures::ScopedWorkingFolder;

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               ("mirelan_platform_" + std::string(info->name()) + "_" + std::to_string(static_cast<long>(getpid())));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        SetProgramDirOverride("");
        DeleteAllTempFiles();
        fs::remove_all(dir_);
    }
    static void Touch(const fs::path& p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }
    // Waits a bounded time for a file that a started program writes.
    static bool WaitForFile(const fs::path& p) {
        for (int i = 0; i < 500; ++i) {
            if (fs::exists(p) && fs::file_size(p) > 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    static std::string ReadWhole(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

TEST_F(PlatformTest, ProgramFolderAndItsFiles) {
    // Without an override: the executable's folder when it can be written.
    const std::string exe = ExecutableDir();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    if (access(exe.c_str(), W_OK) == 0) {
        EXPECT_EQ(ProgramDir(), exe);
    }

    SetProgramDirOverride(dir_.string());
    EXPECT_EQ(ProgramDir(), dir_.string() + "/");
    EXPECT_EQ(SettingsFilePath(), dir_.string() + "/mirelansettings.ini");
    InitDialogFolders();
    EXPECT_EQ(Form2.Edit1.text, dir_.string());
    EXPECT_EQ(Form7.Edit2.text, dir_.string());

    // The per-user data folder is made on demand.
    {
        ScopedEnv env("XDG_DATA_HOME", (dir_ / "data").string());
        EXPECT_EQ(UserDataDir(), (dir_ / "data" / "mirelan").string() + "/");
        EXPECT_TRUE(fs::is_directory(dir_ / "data" / "mirelan"));
    }
    {
        ScopedEnv env("XDG_DATA_HOME", "");
        ScopedEnv home("HOME", (dir_ / "home").string());
        EXPECT_EQ(UserDataDir(), (dir_ / "home" / ".local" / "share" / "mirelan").string() + "/");
    }
    // The build number is the text after the last "." of the version.
    const std::string version = GetVersionString();
    EXPECT_EQ(BuildNumber(), version.substr(version.rfind('.') + 1));
}

TEST_F(PlatformTest, HelpFileIsLookedForBesideTheProgramThenInTheDataFolders) {
    SetProgramDirOverride((dir_ / "prog").string());
    ScopedEnv env("XDG_DATA_DIRS", (dir_ / "share1").string() + ":" + (dir_ / "share2").string());
    const std::string own = (dir_ / "prog" / "mirelanhelp.htm").string();
    // Nowhere: the program's folder, so that the checks report it missing.
    EXPECT_EQ(FindHelpFile(), own);
    Touch(dir_ / "share2" / "mirelan" / "mirelanhelp.htm");
    EXPECT_EQ(FindHelpFile(), (dir_ / "share2" / "mirelan" / "mirelanhelp.htm").string());
    Touch(own);
    EXPECT_EQ(FindHelpFile(), own);
}

TEST_F(PlatformTest, TemporaryFilesAreUniqueAndOnlyOwnFilesAreDeleted) {
    // The system's temporary folder, never the program's.
    SetProgramDirOverride((dir_ / "program").string());
    const ScopedEnv tmp("TMPDIR", dir_.string());
    const std::string a = CreateTempFile("mirelantemp", ".pz3");
    const std::string b = CreateTempFile("mirelantemp", ".pz3");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir_.string() + "/mirelantemp-", 0), 0u);
    EXPECT_EQ(a.substr(a.size() - 4), ".pz3");
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(IsOwnTempFile(a));

    // A file of the same kind of name that this process did not make stays.
    const fs::path foreign = dir_ / "mirelantemp.pz3";
    Touch(foreign);
    EXPECT_FALSE(IsOwnTempFile(foreign.string()));
    EXPECT_FALSE(DeleteTempFile(foreign.string()));
    EXPECT_TRUE(fs::exists(foreign));

    EXPECT_TRUE(DeleteTempFile(a));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(DeleteTempFile(a));  // only once
    DeleteAllTempFiles();
    EXPECT_FALSE(fs::exists(b));
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_EQ(CreateTempFile("../escape", ".x"), "");

    // What an unpacking of a process now gone left goes before a new one.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const fs::path left = dir_ / ("mirelantemp-" + std::to_string(child) + "-a1B2c3.pz3");
    const fs::path running = dir_ / ("mirelantemp-" + std::to_string(::getpid()) + "-a1B2c3.pz3");
    Touch(left);
    Touch(running);
    EXPECT_TRUE(DeleteTempFile(CreateTempFile("mirelantemp", ".pz3")));
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(running));

    // Without a temporary folder of the user's: /tmp.
    const ScopedEnv missing("TMPDIR", (dir_ / "missing").string());
    const std::string c = CreateTempFile("mirelantemp", ".wrl");
    ASSERT_FALSE(c.empty());
    EXPECT_EQ(c.rfind("/tmp/mirelantemp-", 0), 0u);
    EXPECT_TRUE(DeleteTempFile(c));
}

TEST_F(PlatformTest, LinksAndPrograms) {
    EXPECT_TRUE(IsLinkText("http://www.example.org"));
    EXPECT_TRUE(IsLinkText("mailto:someone@example.org"));
    EXPECT_TRUE(IsLinkText("file:///tmp/x"));
    EXPECT_FALSE(IsLinkText("C:\\povray\\pvengine.exe"));
    EXPECT_FALSE(IsLinkText("/usr/bin/povray"));
    EXPECT_FALSE(IsLinkText("#anchor"));
    EXPECT_EQ(FindProgram("sh").empty(), false);
    EXPECT_EQ(FindProgram("/no/such/program"), "");
}

TEST_F(PlatformTest, SystemShellStartsProgramsWithoutWaiting) {
    SystemShell shell;
    EXPECT_TRUE(shell.Start("/bin/true", {}, ""));
    EXPECT_FALSE(shell.Start("/no/such/program", {}, ""));
    EXPECT_FALSE(shell.Start("no-such-program-of-mirelan", {}, ""));
    EXPECT_FALSE(shell.Start("", {}, ""));
    EXPECT_FALSE(shell.Start("/bin/true", {}, (dir_ / "no folder").string()));

    // Every argument reaches the program as it is, whatever it holds, in
    // the given folder, with the variables given set for it alone.
    const fs::path work = dir_ / "work \"dir\" +L";
    fs::create_directories(work);
    const std::vector<std::string> args = {
        "-c", "{ pwd; printf '%s|' \"$@\" \"$POVINI\" \"$MIRELAN_NEW\"; } > out.tmp && mv out.tmp out.txt", "sh",
        "a\" \"b", "evil.ini\" +L", "c d", "", "'e'", "$f", "-g", "h\ni"};
    const ScopedEnv povini("POVINI", "povray.ini");
    EXPECT_TRUE(shell.Start("sh", args, work.string(), {"POVINI=/a b.ini", "MIRELAN_NEW=x=y"}));
    ASSERT_TRUE(WaitForFile(work / "out.txt"));
    EXPECT_EQ(ReadWhole(work / "out.txt"),
              fs::canonical(work).string() + "\na\" \"b|evil.ini\" +L|c d||'e'|$f|-g|h\ni|/a b.ini|x=y|");
    EXPECT_EQ(std::string(std::getenv("POVINI")), "povray.ini");
    EXPECT_EQ(std::getenv("MIRELAN_NEW"), nullptr);

    // A program that runs on is not waited for.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(shell.Start("/bin/sleep", {"5"}, ""));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

// A relative program name, or a PATH entry that is empty or relative, is
// taken from the working folder when the program is looked up, and named by
// its absolute path: a start in another folder holding a program of the
// same name runs the one looked up, never that one.
TEST_F(PlatformTest, ARelativeProgramIsTheOneOfTheWorkingFolder) {
    const fs::path work = dir_ / "work", other = dir_ / "other";
    for (const fs::path& folder : {work, other})
        for (const char* name : {"bin/prog", "prog"}) {
            const fs::path program = folder / name;
            fs::create_directories(program.parent_path());
            std::ofstream(program) << "#!/bin/sh\necho x > '" << folder.string() << "-ran'\n";
            fs::permissions(program, fs::perms::owner_all);
        }
    const ScopedWorkingFolder in(work);
    const std::string path = std::getenv("PATH");
    const struct {
        const char *name, *path, *found;
    } cases[] = {{"bin/prog", nullptr, "bin/prog"}, {"./bin/../prog", nullptr, "bin/../prog"},
                 {"prog", ":/usr/bin:/bin", "prog"}, {"prog", "bin:/usr/bin:/bin", "bin/prog"}};
    SystemShell shell;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + std::string(" ") + (c.path ? c.path : ""));
        const ScopedEnv scoped("PATH", c.path ? c.path : path.c_str());
        EXPECT_EQ(FindProgram(c.name), (fs::current_path() / c.found).string());
        fs::remove(work.string() + "-ran");
        EXPECT_TRUE(shell.Start(c.name, {}, other.string()));
        EXPECT_TRUE(WaitForFile(work.string() + "-ran"));
        EXPECT_FALSE(fs::exists(other.string() + "-ran"));
    }
}

// Files, folders and links go to the opener, which shows them by their
// type: an executable file (a model's archive can leave one where an output
// goes) is never run, and a word that only names a program on PATH, or
// nothing at all, is refused.
TEST_F(PlatformTest, SystemShellOpensDocumentsAndNeverRunsThem) {
    SystemShell shell;
    shell.opener = (dir_ / "opener").string();  // notes what it was given
    const std::string opened = (dir_ / "opened.txt").string(), planted = (dir_ / "car_POV_main.ini").string();
    std::ofstream(shell.opener) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened << ".tmp' && mv '" << opened
                                << ".tmp' '" << opened << "'\n";
    std::ofstream(planted) << "#!/bin/sh\ntouch '" << (dir_ / "ran.txt").string() << "'\n";
    for (const std::string& p : {shell.opener, planted}) fs::permissions(p, fs::perms::owner_all);
    EXPECT_TRUE(shell.Open(planted));
    ASSERT_TRUE(WaitForFile(opened));
    EXPECT_EQ(ReadWhole(opened), planted);
    EXPECT_FALSE(fs::exists(dir_ / "ran.txt"));
    for (const char* target : {"sh", "sh -c true", "no-such-file-of-mirelan", "", "  "})
        EXPECT_FALSE(shell.Open(target)) << target;

    shell.opener = "/bin/true";
    EXPECT_TRUE(shell.Open("https://www.example.org/mirelan"));
    EXPECT_TRUE(shell.Open(dir_.string()));
    shell.opener = "/no/such/opener";
    EXPECT_FALSE(shell.Open("mailto:someone@example.org"));
}

TEST_F(PlatformTest, OpenWithShellGoesThroughTheShellInForce) {
    RecordingShell recording;
    Services services;
    services.shell = &recording;
    ScopedServices scope(services);
    const std::string longPath = "/" + std::string(3000, 'p') + "/povray";
    EXPECT_EQ(StartWithShell(longPath, {"a \"b\".ini", "+P"}, "/out", 1), ShellStarted);
    EXPECT_LE(OpenWithShell("http://www.example.org", 1), ShellStarted);
    ASSERT_EQ(recording.requests.size(), 2u);
    EXPECT_EQ(recording.requests[0].target, longPath);  // passed whole
    EXPECT_EQ(recording.requests[0].arguments, (std::vector<std::string>{"a \"b\".ini", "+P"}));
    EXPECT_EQ(recording.requests[0].folder, "/out");
    EXPECT_TRUE(recording.requests[0].program && !recording.requests[1].program);
    recording.succeeds = false;
    EXPECT_LE(OpenWithShell("http://www.example.org", 1), 32);
}

}  // namespace
