// A save or a load killed half-way (here by the file-size limit, whose
// signal ends the end-to-end driver as kill -9 would, at a point fixed by
// the bytes written) leaves every earlier output whole, old or new, and no
// temporary file that the next save or load does not remove.
#include <gtest/gtest.h>
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
#include <vector>

#include "tests/fixtures/Fixtures.h"
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
    std::vector<std::string> all{MIRELAN_E2E_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    Ending ending;
    ending.pid = ::fork();
    if (ending.pid == 0) {
        const rlimit size{limit, limit}, core{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::setrlimit(RLIMIT_CORE, &core);
        std::signal(SIGXFSZ, SIG_DFL);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execv(argv[0], argv.data());
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

    // A grid of quads with two materials, each with a map: a small one and
    // one of some 50 KB. `red` tells the two versions of the model apart.
    std::string Model(double red) {
        std::string obj = "mtllib car.mtl\n";
        const int n = 40;
        for (int z = 0; z <= n; ++z)
            for (int x = 0; x <= n; ++x)
                obj += "v " + std::to_string(x * 0.1) + " " + std::to_string((x * z) % 7 * 0.01) + " " +
                       std::to_string(z * 0.1) + "\n";
        for (int z = 0; z < n; ++z) {
            obj += z < n / 2 ? "usemtl paint\n" : "usemtl wood\n";
            for (int x = 0; x < n; ++x) {
                const int a = z * (n + 1) + x + 1, b = a + 1, c = a + n + 2, d = a + n + 1;
                obj += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " +
                       std::to_string(d) + "\n";
            }
        }
        Write(folder / "car.obj", obj);
        Write(folder / "car.mtl", "newmtl paint\nKd " + std::to_string(red) + " 0 0\nmap_Kd maps/small.ppm\n" +
                                      "newmtl wood\nKd 0.5 0.4 0.2\nmap_Kd maps/large.ppm\n");
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

// Only the temporary names of processes that are gone go: not those of a
// running process, not a file of another kind of name.
TEST_F(KilledSaveTest, OnlyTheTemporaryFilesOfGoneProcessesAreRemoved) {
    const Ending gone = RunDriver({"--version-of-nothing"}, NoLimit, tmp.string());
    ASSERT_GT(gone.pid, 0);
    const std::string dead = std::to_string(gone.pid), alive = std::to_string(::getpid());
    const std::vector<std::pair<std::string, bool>> names = {
        {".mirelan-" + dead + "-3.tmp", false},  {".mirelan-" + alive + "-3.tmp", true},
        {".mirelan-" + dead + "-3.tmp.keep", true}, {".mirelan-" + dead + ".tmp", true},
        {".mirelan-x" + dead + "-3.tmp", true},  {"mirelan-" + dead + "-3.tmp", true},
    };
    const std::vector<std::pair<std::string, bool>> unpacked = {
        {"mirelantemp-" + dead + "-a1B2c3.wrl", false}, {"mirelantemp-" + alive + "-a1B2c3.wrl", true},
        {"mirelantemp-" + dead + "-a1B2.wrl", true},    {"mirelantemp-" + dead + ".wrl", true},
        {"mirelantemp-" + dead + "-a1B2c3x", true},
    };
    for (const auto& [name, stays] : names) Write(out / name, "x");
    for (const auto& [name, stays] : unpacked) Write(tmp / name, "x");
    ASSERT_EQ(Save(1.0, NoLimit).exitCode, 0);
    for (const auto& [name, stays] : names) EXPECT_EQ(fs::exists(out / name), stays) << name;
    // A load of a packed model unpacks into the temporary folder.
    const fs::path packed = folder / "quad.wrl.gz";
    gzFile gz = gzopen(packed.c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    const std::string vrml = "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [0 0 0, 1 0 0, "
                             "1 1 0, 0 1 0] } coordIndex [0 1 2 3 -1] } }\n";
    gzwrite(gz, vrml.data(), static_cast<unsigned>(vrml.size()));
    gzclose(gz);
    ASSERT_EQ(RunDriver({packed.string()}, NoLimit, tmp.string()).exitCode, 0);
    for (const auto& [name, stays] : unpacked) EXPECT_EQ(fs::exists(tmp / name), stays) << name;
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
