// The export's map handling and the batch conversion. A 2048 x 1024 map
// shrunk to 512 x 256 and written as JPEG, beside the same map only read
// and written again at full size (no resampling), and beside a plain copy.
// A batch of three models of 5000 triangles each, beside the same three
// models loaded and saved one by one as single models.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/Model.h"
#include "options/Options.h"
#include "platform/gfx/Jpeg.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/BatchDriver.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "ui/core/MapCopy.h"

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

}  // namespace
