// The end-to-end driver run out of memory at each point where its heap grows,
// and at points between, from its start to its end: the heap is limited
// through the driver's environment, as the sanitizers reserve far more
// address space than a limit of the process could leave. Wherever the memory
// runs out (its start, a load, a save, the map copies, its own lists and
// output), it ends with a message and exit status 1, never through the
// runtime, and leaves no temporary file in the output folder.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(E2EOutOfMemoryTest, TheDriverEndsWithAMessageWhereverItRunsOutOfMemory) {
    const fs::path folder = fixtures::MakeScratchFolder("e2e-memory");
    // A model of eight materials, each with a map that the saves copy.
    fs::create_directories(folder / "maps");
    std::ofstream mtl(folder / "model.mtl"), obj(folder / "model.obj");
    obj << "mtllib model.mtl\n";
    for (int i = 0; i < 8; ++i) {
        const std::string n = std::to_string(i);
        std::ofstream(folder / "maps" / ("t" + n + ".tga"), std::ios::binary)
            << std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x18\0", 18) << std::string(12, static_cast<char>(i));
        mtl << "newmtl m" << n << "\nmap_Kd maps/t" << n << ".tga\n";
        obj << "v " << n << " 0 0\nv " << n << " 1 0\nv " << n << " 0 1\nusemtl m" << n << "\nf -3 -2 -1\n";
    }
    mtl.close();
    obj.close();
    // A run in a folder of its own; its output folder.
    const auto run = [&](const std::string& name, const std::string& setting) {
        const fs::path own = folder / name;
        fs::create_directories(own);
        const std::vector<std::string> args = {"--set", "Form2.CheckBox16=1", "--out", (own / "out").string(),
                                               (folder / "model.obj").string()};
        const fixtures::E2ERun ran = fixtures::RunE2E(MIRELAN_E2E_BINARY, args, own.string(), {setting});
        return std::pair(ran, own / "out");
    };
    const std::string levelFile = (folder / "levels.txt").string();
    ASSERT_EQ(run("all", "MIRELAN_E2E_HEAP_LEVELS=" + levelFile).first.status, 0);
    std::vector<std::size_t> levels;
    std::ifstream in(levelFile);
    for (std::size_t level = 0; in >> level;) levels.push_back(level);
    ASSERT_GT(levels.size(), 10u);
    // And limits spread evenly up to the peak, where any allocation may be
    // the one that fails.
    const std::size_t lowest = levels.front(), peak = levels.back();
    for (std::size_t k = 1; k < 12; ++k) levels.push_back(lowest + (peak - lowest) * k / 12);

    // Just short of each, three runs at a time.
    for (std::size_t first = 0; first < levels.size(); first += 3) {
        std::vector<std::future<std::pair<fixtures::E2ERun, fs::path>>> runs;
        for (std::size_t i = first; i < std::min(first + 3, levels.size()); ++i) {
            const std::string room = std::to_string(levels[i] - 1);
            runs.push_back(std::async(std::launch::async, run, room, "MIRELAN_E2E_HEAP_LIMIT=" + room));
        }
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const auto [ran, out] = runs[i].get();
            const std::string at = "heap limited to " + std::to_string(levels[first + i] - 1) + " bytes\n" + ran.err;
            EXPECT_TRUE(ran.status == 0 || (ran.status == 1 && ran.err.find("ot enough memory") != std::string::npos))
                << at;
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(out, ec))
                EXPECT_NE(entry.path().filename().string().rfind(".mirelan-", 0), 0u) << entry.path() << '\n' << at;
        }
    }
    fixtures::RemoveScratchFolder(folder);
}

}  // namespace
