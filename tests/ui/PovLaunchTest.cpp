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

// A file that POV-Ray reads from its working folder in place of its own (an
// include file the program's scenes read, directly, in turn or with an
// option; its settings while $POVINI names no file it opens; in any letter
// case) stops every start in that folder, with a line that names it and
// says what to do; other names do not (the pictures, fonts, colour maps and
// other files of the standard include folder), and neither do such files
// elsewhere.
TEST_F(PovLaunchTest, AFileOfPovRaysOwnInTheWorkingFolderStopsTheStart) {
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch"), other = folder / "other";
    fs::create_directories(other);
    for (const char* name : {"mycolors.inc", "colors.inc.bak", "povray.ini.txt", "other/colors.inc", "test.png",
                             "Mount1.png", "crystal.ttf", "ash.map", "spiral.df3", "makemesh.inc", "arrays.inc"})
        std::ofstream(folder / name) << "x";
    std::ofstream(other / "settings.ini") << "x";
    const std::string ini = (folder / "x.ini").string();
    // povray.ini is not read while $POVINI names a file POV-Ray opens.
    const fixtures::ScopedEnv settings("POVINI", (other / "settings.ini").c_str());
    std::ofstream(folder / "povray.ini") << "x";
    EXPECT_TRUE(StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Render));
    EXPECT_TRUE(StartBatchScript((folder / "b.sh").string(), folder.string()));
    // Each name planted is the one named.
    const auto lastLine = [this] { return Messages().empty() ? std::string() : Messages().back(); };
    for (const char* name : {"povray.ini", "rad_def.inc", "math.inc", "Colors.INC"}) {
        SCOPED_TRACE(name);
        const bool settingsFile = name == std::string("povray.ini");
        const fixtures::ScopedEnv missing("POVINI", (other / (settingsFile ? "none.ini" : "settings.ini")).c_str());
        std::ofstream(folder / name) << "x";
        const std::string expected =
            "<!>POV-Ray was not started: it would read " +
            (settingsFile ? "its settings from " + (folder / name).string()
                          : (folder / name).string() + " in place of its include file of that name") +
            "; move or rename it, or choose another output folder";
        ClearMessagesPage();
        EXPECT_FALSE(StartPovRay("/bin/true", ini, folder.string() + "/", PovRayRun::Render));
        EXPECT_EQ(lastLine(), expected);
        ClearMessagesPage();
        EXPECT_FALSE(StartBatchScript((folder / "b.sh").string(), folder.string()));
        EXPECT_EQ(lastLine(), expected);
        if (!settingsFile && name != std::string("math.inc")) fs::remove(folder / name);
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

// The files POV-Ray writes in its working folder for the settings of an INI
// file, as a trace of POV-Ray 3.7 shows them: the picture and its render
// state file, with the frame's number in as many digits as the last frame
// has, after the name without the type's extension.
TEST_F(PovLaunchTest, TheFilesPovRayWritesFollowItsSettings) {
    const struct {
        std::vector<std::string> ini;
        std::vector<std::string> files;
    } cases[] = {
        {{"Output_File_Name=\"a.png\"", "+FN", "Initial_Frame=0", "Final_Frame=0"}, {"a.png", "a.pov-state"}},
        {{"Output_File_Name=a.png", "Initial_Frame=7", "Final_Frame=7"}, {"a7.png", "a7.pov-state"}},
        {{"Output_File_Name=\"a.png\" ; comment", "Initial_Frame= 9", "Final_Frame=10"},
         {"a09.png", "a09.pov-state", "a10.png", "a10.pov-state"}},
        {{"Output_File_Name=x.y.png", "+FT"}, {"x.y.png.tga", "x.y.png.pov-state"}},
        {{"output_file_name=v.", "Output_File_Type=C", "+KFI-2 +KFF0"}, {"v0.tga", "v0.pov-state"}},
        {{"Input_File_Name=\"../s.pov\"", "+W8 +H8 +FP", "+KFI1", "+KFF2"},
         {"../s1.ppm", "../s1.pov-state", "../s2.ppm", "../s2.pov-state"}},
        {{"Input_File_Name=s.pov", "+Oout/", "Final_Frame=2", "[later]", "+Onot.png"},
         {"out/s.png", "out/s.pov-state", "out/s1.png", "out/s1.pov-state", "out/s2.png", "out/s2.pov-state"}},
    };
    for (const auto& c : cases) {
        const PovRayRender render = ReadPovRayRender(c.ini);
        std::vector<std::string> files;
        const PovRayFrames frames = PovRayFramesOf(render.initialFrame, render.finalFrame);
        EXPECT_TRUE(ForEachPovRayFile(PovRayRenderStem(render), render.typeExtension, frames,
                                      [&](const std::string& name, bool) {
                                          files.push_back(name);
                                          return true;
                                      }));
        EXPECT_EQ(files, c.files) << c.ini.front();
    }
}

// The settings of the frames and the picture, as a trace of POV-Ray 3.7
// shows it reads them, read from the settings file $POVINI names and then
// the INI file: a plain line takes effect, and POV-Ray gets the frames and
// the picture after the INI file; a line POV-Ray would read otherwise than
// the program (several values, a value it cuts short, an option after a
// switch or after another setting, an included file), and a subset beyond
// the frames, stop the start with a line that names it and what to do.
TEST_F(PovLaunchTest, FramesAndPicturesAreTakenAsPovRayTakesThemOrRefused) {
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch");
    const std::string ini = (folder / "x.ini").string(), settings = (folder / "settings.ini").string();
    const fixtures::ScopedEnv povini("POVINI", settings.c_str());
    const char* head[] = {"Input_File_Name=\"x.pov\"", "Output_File_Name=\"a.png\"", "+FN", "Initial_Frame=1",
                          "Final_Frame=2"};
    const std::string frames = "+KFI1 +KFF2 +SF1 +EF2 +O", final = "would take Final_Frame from the line ";
    const struct {
        std::string settings, line;
        std::string result;  // the words after the INI file, or the start of the reason for none
    } cases[] = {
        {"", "", frames + "a.png +FN"},
        {"Output_File_Type=T\nFinal_Frame=9", "", frames + "a.png +FN"},
        {"", "Final_Frame = 12 ; one more", "+KFI1 +KFF12 +SF1 +EF12 +Oa.png +FN"},
        {"", "+A0.3 +kff3 -f", "+KFI1 +KFF3 +SF1 +EF3 +Oa.png -F"},
        {"", "Subset_Start_Frame=2.0", "+KFI1 +KFF2 +SF2 +EF2 +Oa.png +FN"},
        {"", "Output_File_Type=c", frames + "a.png.tga +FC"},
        {"", "Output_File_Name='my \"a\".png' ; quoted", frames + "'my \"a\".png' +FN"},
        {"+A0.3 Final_Frame=3 ; mine", "", final + "\"+A0.3 Final_Frame=3 ; mine\" of " + settings +
                                               ", a form the program does not read; write it on a line of its own "
                                               "as Final_Frame=<whole number>"},
        {"Subset_End_Frame=4", "", "would render the frames 1 to 4 of its subset (Subset_Start_Frame, "
                                   "Subset_End_Frame), which do not lie within its frames 1 to 2 (Initial_Frame, "
                                   "Final_Frame); set the subset within those frames, or remove it"},
        {"", "+EF4", "would render the frames 1 to 4"},
        {"", "+A0.3 Initial_Frame=0", "would take Initial_Frame"},
        {"", "Width=8 Final_Frame=3", final},
        {"", "Final_Frame=3 4", final},
        {"", "Final_Frame='3'", final},
        {"", "Final_Frame=3[x]", final},
        {"", "Final_Frame=1+2", final},
        {"", "Final_Frame=0x3", final},
        {"", "Final_Frame=2.5", final},
        {"", "Initial_Frame=1.5", "would take Initial_Frame"},
        {"", "+KFF3,4", final},
        {"", "Output_File_Name=a.png,b.png", "would take Output_File_Name"},
        {"", "+Oa.png +O\"b.png", "would take Output_File_Name"},
        {"", "Output_File_Type=N +KFF3", "would take Output_File_Type"},
        {"", "Input_File_Name=\"\"", "would take Input_File_Name"},
        {"", "Include_Ini=more.ini",
         "would read settings from the file named in the line \"Include_Ini=more.ini\" of " + ini +
             ", which the program does not read; write those settings among the INI options instead"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings + " | " + c.line);
        std::ofstream(settings) << c.settings;
        std::ofstream file(ini);
        for (const char* line : head) file << line << "\n";
        file << c.line << "\n";
        file.close();
        const PovRayRender render = PovRayStartRender(ini, PovRayIniLines(ini));
        std::string words;
        for (const std::string& word : PovRayStatedSettings(render)) words += (words.empty() ? "" : " ") + word;
        EXPECT_EQ(render.unread.empty() ? words : render.unread.substr(0, c.result.size()), c.result);
        shell.requests.clear();
        EXPECT_EQ(StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Bake), c.result.starts_with("+"));
        const std::size_t arguments = shell.requests.empty() ? 0 : shell.requests[0].arguments.size();
        EXPECT_EQ(arguments, c.result.starts_with("+") ? 7u : 0u);
    }
    EXPECT_EQ(Messages().back(), "<!>POV-Ray was not started: it " + cases[std::size(cases) - 1].result);
    fixtures::RemoveScratchFolder(folder);
}

// POV-Ray writes through a link, or into a file another name shares: a start
// whose picture, render state file or parse_string.tmp is one, or is no
// plain file, is refused with a line that names it; a plain file is not.
// parse_string.tmp counts only for a scene that may run code, or reads a
// file its INI file names into it.
TEST_F(PovLaunchTest, AStartThatWouldWriteThroughALinkIsRefused) {
    // No settings file of the user's, whose header file could run code.
    const fixtures::NoUserPovRaySettings noSettings(std::filesystem::temp_directory_path());
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch"), outside = folder / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "kept") << "kept";
    const std::string ini = (folder / "x.ini").string(), header = (folder / "h.ini").string();
    std::ofstream(ini) << "Input_File_Name=x.pov\nOutput_File_Name=\"a.png\"\n+FN\nInitial_Frame=1\nFinal_Frame=2\n";
    std::ofstream(header) << "Input_File_Name=h.pov\n+HImine.inc\n";
    const PovRaySceneReads code{{}, true};
    const auto plant = [&](const std::string& name, int kind) {
        const fs::path entry = folder / name;
        if (kind == 0) fs::create_symlink(outside / "kept", entry);
        if (kind == 1) fs::create_symlink(outside / "new", entry);  // dangling
        if (kind == 2) fs::create_directory(entry);
        if (kind == 3) fs::create_hard_link(outside / "kept", entry);
        if (kind == 4) ::mkfifo(entry.c_str(), 0644);
        if (kind == 5) std::ofstream(entry) << "an earlier render's state";
    };
    const std::pair<const char*, const char*> entries[] = {
        {"a1.pov-state", "its render state file"}, {"a2.png", "its picture"}, {"parse_string.tmp", "the file"}};
    for (const auto& [name, what] : entries)
        for (int kind = 0; kind <= 5; ++kind) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(kind));
            plant(name, kind);
            ClearMessagesPage();
            const bool started = StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Render, code);
            EXPECT_EQ(StartBatchScript((folder / "b.sh").string(), folder.string(), {ini}, code), started);
            EXPECT_EQ(started, kind == 5);
            if (name == std::string("parse_string.tmp")) {
                EXPECT_TRUE(StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Render));
                EXPECT_EQ(StartBatchScript((folder / "b.sh").string(), folder.string(), {header}), started);
                ClearMessagesPage();
                EXPECT_EQ(StartPovRay("/bin/true", header, folder.string(), PovRayRun::Render), started);
            }
            if (!started) {
                EXPECT_EQ(Messages().back(), "<!>POV-Ray was not started: it would write " + std::string(what) + " " +
                                                 (folder / name).string() +
                                                 ", which is a link or not a plain file; move or rename it, or "
                                                 "choose another output folder");
            }
            fs::remove(folder / name);
        }
    EXPECT_EQ(fixtures::ReadFileBytes(outside / "kept"), "kept");
    EXPECT_FALSE(fs::exists(outside / "new"));
    fixtures::RemoveScratchFolder(folder);
}

// A map POV-Ray would open that is not a regular file (a fifo, on which it
// would wait for ever, a folder, a link to one) stops the start with a line
// that names it; a map it first finds as a regular file, or never opens,
// does not. It opens the first name of those it tries (the name, the name
// with each extension of its type) that it can open.
TEST_F(PovLaunchTest, AMapThatIsNotARegularFileStopsTheStart) {
    const fs::path folder = fixtures::MakeScratchFolder("povlaunch"), outside = folder / "outside";
    fs::create_directories(outside / "d.tga");
    const std::string ini = (folder / "x.ini").string();
    std::ofstream(ini) << "Input_File_Name=x.pov\n";
    for (const char* name : {"r.png", "x.png", "y.jif"}) std::ofstream(folder / name) << "x";
    for (const char* name : {"f.png", "x.png.png", "y.jif.jpg", "n.gif.GIF", "u.psd"})
        ::mkfifo((folder / name).c_str(), 0644);
    fs::create_symlink(folder / "f.png", folder / "k.png");
    fs::create_symlink(folder / "none", folder / "n.gif");
    const struct {
        std::string map, opened;
    } cases[] = {
        {"r.png", "r.png"},  {"f.png", "f.png"},         {"k.png", "k.png"}, {"x.png", "x.png"},
        {"y.jif", "y.jif.jpg"}, {"n.gif", "n.gif.GIF"},  {"u.psd", ""},      {"gone.png", ""},
        {(outside / "d.tga").string(), (outside / "d.tga").string()},
    };
    for (const auto& [map, opened] : cases) {
        SCOPED_TRACE(map);
        const std::string file = opened.empty() || opened.front() == '/' ? opened : (folder / opened).string();
        EXPECT_EQ(PovRayMapFile(map, folder.string()), file);
        struct stat entry {};
        const bool refused = !file.empty() && ::stat(file.c_str(), &entry) == 0 && !S_ISREG(entry.st_mode);
        const PovRaySceneReads reads{{"r.png", map}, false};
        ClearMessagesPage();
        EXPECT_EQ(StartPovRay("/bin/true", ini, folder.string(), PovRayRun::Render, reads), !refused);
        EXPECT_EQ(StartBatchScript((folder / "b.sh").string(), folder.string(), {ini}, reads), !refused);
        if (refused) {
            EXPECT_EQ(Messages().back(), "<!>POV-Ray was not started: it would read the map " + file +
                                             ", which is not a regular file; put a picture in its place or choose "
                                             "another map");
        }
    }
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
