// A save or a load killed half-way (here by the file-size limit, whose
// signal ends the end-to-end driver as kill -9 would, at a point fixed by
// the bytes written) leaves every earlier output whole, old or new, and no
// temporary file that the next save or load does not remove.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>;  // name -> bytes

constexpr rlim_t NoLimit = RLIM_INFINITY;

// How a run of the driver ended.
struct Ending {
    pid_t pid = -1;
    int exitCode = -1;  // -1 when it did not exit
    int signal = 0;     // the signal that ended it
};

// Runs the driver with `args`, its files limited to `limit` bytes and the
// temporary folder `tmp`; its output goes nowhere.
Ending RunDriver(const std::vector<std::string>& args, rlim_t limit, const std::string& tmp) {
    std::vector<std::string> all{MIRELAN_E2E_BINARY}, environment{"TMPDIR=" + tmp};
    all.insert(all.end(), args.begin(), args.end());
    for (char** e = environ; *e; ++e)
        if (std::string_view(*e).rfind("TMPDIR=", 0) != 0) environment.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (std::string& a : all) argv.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    Ending ending;
    ending.pid = ::fork();
    if (ending.pid == 0) {  // only what may be done between fork and exec
        const rlimit size{limit, limit}, core{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::setrlimit(RLIMIT_CORE, &core);
        ::signal(SIGXFSZ, SIG_DFL);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    if (ending.pid < 0 || ::waitpid(ending.pid, &status, 0) != ending.pid) return ending;
    if (WIFEXITED(status)) ending.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
    return ending;
}

bool IsTemporary(const std::string& name) { return name.rfind(".mirelan-", 0) == 0; }

// The regular files of a folder; `temporary` picks the hidden temporary
// files of the saves, or every other file.
Files Read(const fs::path& folder, bool temporary = false) {
    Files files;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && IsTemporary(name) == temporary) files[name] = fixtures::ReadFileBytes(e.path());
    }
    return files;
}

void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class KilledSaveTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fixtures::MakeScratchFolder("killed");
        tmp = folder / "tmp";
        out = folder / "out";
        fs::create_directories(tmp);
        fs::create_directories(out);
    }
    void TearDown() override { fixtures::RemoveScratchFolder(folder); }

    // A grid of two materials, each with a map: a small one and one of some
    // 50 KB. `red` tells the two versions of the model apart.
    std::string Model(double red) {
        const fixtures::GridObj grid{.columns = 40, .rows = 40, .facesPerMaterialRun = 1600, .materials = 2,
                                     .mtlName = "car.mtl"};
        fixtures::WriteGridObj((folder / "car.obj").string(), grid);
        Write(folder / "car.mtl", "newmtl skin_0\nKd " + std::to_string(red) + " 0 0\nmap_Kd maps/small.ppm\n" +
                                      "newmtl skin_1\nKd 0.5 0.4 0.2\nmap_Kd maps/large.ppm\n");
        fs::create_directories(folder / "maps");
        Write(folder / "maps" / "small.ppm", "P6\n4 4\n255\n" + std::string(4 * 4 * 3, '\x40'));
        Write(folder / "maps" / "large.ppm", "P6\n128 128\n255\n" + std::string(128 * 128 * 3, '\x60'));
        return (folder / "car.obj").string();
    }
    // Empties `out` (its temporary files too) and fills it with `files`.
    void Restore(const Files& files) {
        for (const auto& e : fs::directory_iterator(out)) fs::remove(e.path());
        for (const auto& [name, bytes] : files) Write(out / name, bytes);
    }
    // Every save of the driver into `out`, the maps copied as they are.
    Ending Save(double red, rlim_t limit) {
        return RunDriver({"--set", "Form2.CheckBox16=1", "--set", "Form2.CheckBox43=0", "--out", out.string(),
                          Model(red)},
                         limit, tmp.string());
    }

    fs::path folder, tmp, out;
};

TEST_F(KilledSaveTest, ASaveKilledAnywhereLeavesWholeFilesAndNothingTheNextSaveKeeps) {
    // What the save of the new model makes of an empty folder and of one
    // holding the files of the old model.
    const Files empty;
    ASSERT_EQ(Save(1.0, NoLimit).exitCode, 0);
    const Files fromEmpty = Read(out);
    Restore(empty);
    ASSERT_EQ(Save(0.25, NoLimit).exitCode, 0);
    const Files old = Read(out);
    ASSERT_EQ(Save(1.0, NoLimit).exitCode, 0);
    const Files fromOld = Read(out);
    ASSERT_TRUE(Read(out, true).empty());
    std::set<rlim_t> limits;  // a kill in the first file that reaches each size
    std::size_t maps = 0;     // the bytes of the largest map, copied first
    for (const auto& [name, bytes] : fromEmpty) {
        limits.insert(bytes.size() - 1);
        if (name.ends_with(".ppm")) maps = std::max(maps, bytes.size());
    }
    ASSERT_GE(limits.size(), 6u);
    limits.erase(std::prev(limits.end()));  // the largest is never reached
    std::size_t leftovers = 0;
    for (const rlim_t limit : limits)
        for (const bool intoEmpty : {false, true}) {
            if (intoEmpty && limit >= maps) continue;
            SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes" + (intoEmpty ? ", empty folder" : ""));
            const Files& before = intoEmpty ? empty : old;
            const Files& after = intoEmpty ? fromEmpty : fromOld;
            Restore(before);
            const Ending killed = Save(1.0, limit);
            ASSERT_EQ(killed.signal, SIGXFSZ);
            // Every output is whole: the file that was there or the new one.
            for (const auto& [name, bytes] : Read(out)) {
                const bool kept = before.count(name) && bytes == before.at(name);
                EXPECT_TRUE(kept || (after.count(name) && bytes == after.at(name))) << name;
            }
            // A temporary file has a name only once it is complete.
            const Files left = Read(out, true);
            leftovers += left.size();
            for (const auto& [name, bytes] : left) {
                bool whole = false;
                for (const auto& [output, complete] : after) whole = whole || bytes == complete;
                EXPECT_TRUE(whole) << name << " of " << bytes.size() << " bytes";
            }
            // The next save removes what the killed one left, and nothing else.
            const std::string users = "notes-" + std::to_string(killed.pid) + ".tmp";
            Write(out / users, "the user's");
            ASSERT_EQ(Save(1.0, NoLimit).exitCode, 0);
            EXPECT_TRUE(Read(out, true).empty());
            EXPECT_EQ(fixtures::ReadFileBytes(out / users), "the user's");
        }
    EXPECT_GT(leftovers, 0u);  // some kills came between a complete file and its rename
}

// Only the temporary names of processes that are gone go, in the output
// folder and in the temporary folder: not those of a running process, not
// a file of another kind of name.
TEST_F(KilledSaveTest, OnlyTheTemporaryFilesOfGoneProcessesAreRemoved) {
    const pid_t gone = RunDriver({"--no-such-option"}, NoLimit, tmp.string()).pid;
    ASSERT_GT(gone, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
    const std::vector<std::tuple<fs::path, std::string, bool>> files = {
        {out, ".mirelan-" + dead + "-3.tmp", false},       {out, ".mirelan-" + alive + "-3.tmp", true},
        {out, ".mirelan-" + dead + "-3.tmp.keep", true},   {out, ".mirelan-" + dead + ".tmp", true},
        {out, ".mirelan-x" + dead + "-3.tmp", true},       {out, "mirelan-" + dead + "-3.tmp", true},
        {tmp, "mirelantemp-" + dead + "-a1B2c3.wrl", false}, {tmp, "mirelantemp-" + alive + "-a1B2c3.wrl", true},
        {tmp, "mirelantemp-" + dead + "-a1B2.wrl", true},    {tmp, "mirelantemp-" + dead + ".wrl", true},
        {tmp, "mirelantemp-" + dead + "-a1B2c3x", true},    {tmp, "mirelantemp-" + dead + "-a1B2c3.pz3", false},
        {tmp, "mirelantemp-" + dead + "-a1B2c3", true},     {tmp, "mirelantemp-" + dead + "-a1B2c3.bak", true},
        {tmp, "mirelantemp-" + dead + "-a1B2c3.wrl.keep", true},
        // Numbers the program never writes: a leading zero before either.
        {out, ".mirelan-0" + dead + "-3.tmp", true},         {out, ".mirelan-" + dead + "-03.tmp", true},
        {tmp, "mirelantemp-0" + dead + "-a1B2c3.pz3", true},
    };
    for (const auto& [where, name, stays] : files) Write(where / name, "x");
    ASSERT_EQ(Save(1.0, NoLimit).exitCode, 0);
    for (const auto& [where, name, stays] : files) EXPECT_EQ(fs::exists(where / name), stays) << name;
}

// A load killed while it unpacks a packed model leaves its temporary file,
// which the next run of the program removes, whatever it loads.
TEST_F(KilledSaveTest, AnUnpackingKilledHalfWayLeavesNothingTheNextRunKeeps) {
    const fs::path packed = folder / "big.wrl.gz";
    gzFile gz = gzopen(packed.c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    std::string vrml = "#VRML V2.0 utf8\n";
    for (int i = 0; i < 8000; ++i) vrml += "# " + std::string(100, 'x') + "\n";
    vrml += "Shape { geometry IndexedFaceSet { coord Coordinate { point [0 0 0, 1 0 0, 0 1 0] } "
            "coordIndex [0 1 2 -1] } }\n";
    gzwrite(gz, vrml.data(), static_cast<unsigned>(vrml.size()));
    gzclose(gz);
    const fs::path plain = folder / "t.raw";
    Write(plain, "0 0 0 1 0 0 0 1 0\n");
    for (const rlim_t limit : {rlim_t{1}, rlim_t{100000}, rlim_t{700000}})
        for (const fs::path& next : {packed, plain}) {
            SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes, then " + next.filename().string());
            ASSERT_EQ(RunDriver({packed.string()}, limit, tmp.string()).signal, SIGXFSZ);
            ASSERT_FALSE(fs::is_empty(tmp));
            ASSERT_EQ(RunDriver({next.string()}, NoLimit, tmp.string()).exitCode, 0);
            EXPECT_TRUE(fs::is_empty(tmp));
        }
}

}  // namespace
