// The export's map handling and the batch conversion. A 2048 x 1024 map
// shrunk to 512 x 256 and written as JPEG, beside the same map only read
// and written again at full size (no resampling), and beside a plain copy.
// A batch of three models of 5000 triangles each, beside the same three
// models loaded and saved one by one as single models. The names of many
// outputs: the map copies of a save of 10,000 and 80,000 maps that bear one
// file name (each copied under a "_Rev" name of its own), and the output
// names of a batch of as many models whose names clean alike, each beside
// the same count of distinct names, so that the two show whether the time
// grows with the count alone. The map copies of a save whose 1,000 or 4,000
// maps are missing from a folder of 5,000 or 20,000 files (each looked up
// there ignoring case), beside the same maps missing from a folder of ten.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "model/Model.h"
#include "options/Options.h"
#include "platform/gfx/Jpeg.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/BatchDriver.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/MapCopy.h"
#include "ui/core/PovIni.h"

namespace fs = std::filesystem;

namespace {

const std::string Root = fs::temp_directory_path().string() + "/mirelan_bench_export_" + std::to_string(::getpid());
// Removes the files made here when the program ends.
const struct Cleanup {
    ~Cleanup() { fs::remove_all(Root); }
} cleanup;

// A map with a gradient, so that JPEG has something to encode.
const std::string& Map() {
    static const std::string path = [] {
        fs::create_directories(Root + "/out");
        gfx::Bitmap b(2048, 1024);
        for (int y = 0; y < b.height(); ++y) {
            uint8_t* row = b.scanLine(y);
            for (int x = 0; x < b.width(); ++x) {
                row[3 * x] = static_cast<uint8_t>(x);
                row[3 * x + 1] = static_cast<uint8_t>(y);
                row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
            }
        }
        const std::vector<uint8_t> bytes = gfx::encodeJpeg(b, 90);
        const std::string p = Root + "/map.jpg";
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
        return p;
    }();
    return path;
}

void BM_ResizeMapFile(benchmark::State& state) {
    const std::string map = Map();
    for (auto _ : state) ResizeMapFile(map, Root + "/out/small.jpg", 512, true);
}
BENCHMARK(BM_ResizeMapFile)->Unit(benchmark::kMillisecond);

void BM_ReadAndWriteMapOnly(benchmark::State& state) {
    const std::string map = Map();
    for (auto _ : state) ResizeMapFile(map, Root + "/out/same.jpg", 4096, true);  // nothing to shrink
}
BENCHMARK(BM_ReadAndWriteMapOnly)->Unit(benchmark::kMillisecond);

void BM_CopyMapFile(benchmark::State& state) {
    const std::string map = Map();
    for (auto _ : state) CopyMapFile(map, Root + "/out/copy.jpg", true);
}
BENCHMARK(BM_CopyMapFile)->Unit(benchmark::kMillisecond);

// Three frames of a 50 x 50 grid of quads (5000 triangles).
std::vector<std::string> Frames() {
    std::vector<std::string> frames;
    for (int f = 1; f <= 3; ++f) {
        std::ostringstream s;
        for (int z = 0; z <= 50; ++z)
            for (int x = 0; x <= 50; ++x) s << "v " << x << " " << f << " " << z << "\n";
        for (int z = 0; z < 50; ++z)
            for (int x = 0; x < 50; ++x) {
                const int a = z * 51 + x + 1;
                s << "f " << a << " " << a + 1 << " " << a + 52 << " " << a + 51 << "\n";
            }
        const std::string p = Root + "/frame00" + std::to_string(f) + ".obj";
        std::ofstream(p) << s.str();
        frames.push_back(p);
    }
    return frames;
}

void SetUpExport() {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fs::create_directories(Root + "/out");
    Form2.Edit1.text = Root + "/out";
}

void BM_SaveBatchOfThree(benchmark::State& state) {
    const std::vector<std::string> frames = Frames();
    SetUpExport();
    Form1.RadioButton3.checked = true;  // a scene and INI per model, and the script
    Form1.RadioButton4.checked = false;
    for (auto _ : state) {
        BatchFiles = frames;
        SaveBatch();
    }
}
BENCHMARK(BM_SaveBatchOfThree)->Unit(benchmark::kMillisecond);

void BM_SaveThreeSingleModels(benchmark::State& state) {
    const std::vector<std::string> frames = Frames();
    SetUpExport();
    for (auto _ : state)
        for (const std::string& frame : frames) {
            BatchFiles = {frame};
            LoadSelectedModels();
            SetSaveChoices(SaveKind::PovRay);
            WriteOutputFiles();
        }
}
BENCHMARK(BM_SaveThreeSingleModels)->Unit(benchmark::kMillisecond);

// ---- Names of many outputs ------------------------------------------------------------

// `n` maps of one pixel each, a colour of its own: all named wood.tga in
// folders of their own, or wood0.tga, wood1.tga, ... in one folder. The
// output folder holds the copies an earlier save made of them, so that a
// save decides every copy's name and finds its copy there: nothing is
// written, and the time is that of the names.
struct ManyMaps {
    std::vector<std::string> maps;
    std::string out;
};

const ManyMaps& Maps(int n, bool oneName) {
    static std::map<std::pair<int, bool>, ManyMaps> made;
    ManyMaps& m = made[{n, oneName}];
    if (!m.maps.empty()) return m;
    const std::string dir = Root + "/maps-" + std::to_string(n) + (oneName ? "-one" : "-distinct");
    m.out = dir + "/out";
    fs::create_directories(m.out);
    for (int i = 0; i < n; ++i) {
        std::string targa("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18);
        targa += {static_cast<char>(i), static_cast<char>(i >> 8), static_cast<char>(i >> 16)};
        const std::string folder = oneName ? dir + "/" + std::to_string(i) : dir;
        const std::string name = oneName ? "wood.tga" : "wood" + std::to_string(i) + ".tga";
        fs::create_directories(folder);
        std::ofstream(folder + "/" + name, std::ios::binary) << targa;
        std::ofstream(m.out + "/" + (oneName ? RevisedFileName(name, i) : name), std::ios::binary) << targa;
        m.maps.push_back(folder + "/" + name);
    }
    return m;
}

void BM_MapCopies(benchmark::State& state, bool oneName) {
    const ManyMaps& m = Maps(static_cast<int>(state.range(0)), oneName);
    SetUpExport();
    Form2.Edit1.text = m.out;
    Scene.povSceneFile = m.out + "/scene.pov";
    Scene.writePovScene = 1;
    SceneMaterials.assign(m.maps.size(), tmaterial{});
    for (std::size_t i = 0; i < m.maps.size(); ++i) SceneMaterials[i].colorMap = m.maps[i];
    BatchFiles = {"junk"};
    for (auto _ : state) {
        const MapCopies copies(false);
        benchmark::DoNotOptimize(copies.Names().size());
    }
    fixtures::ResetModel();
}
BENCHMARK_CAPTURE(BM_MapCopies, one_name, true)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MapCopies, distinct_names, false)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

// A save that copies `maps` maps, none of which lies in the folder of
// `files` files that names them: each is looked up there ignoring case.
void BM_MapCopiesOfMissingMaps(benchmark::State& state) {
    const int maps = static_cast<int>(state.range(0)), files = static_cast<int>(state.range(1));
    const std::string dir = Root + "/missing-" + std::to_string(maps) + "-" + std::to_string(files);
    fs::create_directories(dir + "/out");
    for (int i = 0; i < files; ++i) std::ofstream(dir + "/file" + std::to_string(i) + ".txt");
    SetUpExport();
    Form2.Edit1.text = dir + "/out";
    Scene.povSceneFile = dir + "/out/scene.pov";
    Scene.writePovScene = 1;
    SceneMaterials.assign(static_cast<std::size_t>(maps), tmaterial{});
    for (int i = 0; i < maps; ++i) SceneMaterials[static_cast<std::size_t>(i)].colorMap = dir + "/Gone" + std::to_string(i) + ".tga";
    BatchFiles = {"junk"};
    for (auto _ : state) {
        const MapCopies copies(false);
        benchmark::DoNotOptimize(copies.Names().size());
    }
    fixtures::ResetModel();
}
BENCHMARK(BM_MapCopiesOfMissingMaps)
    ->Args({1000, 5000})
    ->Args({1000, 10})
    ->Args({4000, 20000})
    ->Args({4000, 10})
    ->Unit(benchmark::kMillisecond);

// The output names of a batch of `n` models ("Use a Batch file "): models of
// one name in folders of their own, whose files and pictures each get a
// "_Rev" name, or models of distinct names.
void BM_BatchOutputNames(benchmark::State& state, bool oneName) {
    const int n = static_cast<int>(state.range(0));
    SetUpExport();
    Form1.RadioButton3.checked = true;
    Form1.RadioButton4.checked = false;
    Form1.CheckBox19.checked = false;  // a material include per model
    std::vector<std::string> models;
    for (int i = 0; i < n; ++i)
        models.push_back(Root + "/batch/" +
                         (oneName ? std::to_string(i) + "/walk 01.obj" : "walk" + std::to_string(i) + ".obj"));
    for (auto _ : state) benchmark::DoNotOptimize(BatchOutputNames(models).size());
}
BENCHMARK_CAPTURE(BM_BatchOutputNames, one_name, true)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BatchOutputNames, distinct_names, false)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace
