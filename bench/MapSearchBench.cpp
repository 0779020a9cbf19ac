// The search for missing maps in a texture library of 40 folders of 50
// files each, for 300 materials with three missing maps apiece: the search
// as built (the tree read once, the names looked up), beside the tree walked
// again for every missing map. Then 10,000 and 80,000 materials each with
// a missing colour map of its own that the search finds (every find renames
// that map in all materials), beside as many that it does not find in the
// same tree (the control). And a light probe of 2000 x 1000 pixels read from
// its file, beside reading the file's bytes alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>

#include "model/FileSearch.h"
#include "model/LightProbe.h"
#include "model/MapSearch.h"
#include "model/Model.h"
#include "bench/BenchSetup.h"
#include "model/TextConv.h"
#include "tests/fixtures/Fixtures.h"

namespace fs = std::filesystem;

namespace {

const std::string Root = fs::temp_directory_path().string() + "/mirelan_bench_" + std::to_string(::getpid()) + "/";
// Removes the files made here when the program ends.
const struct Cleanup {
    ~Cleanup() { fs::remove_all(Root); }
} cleanup;

void MakeLibrary() {
    for (int d = 0; d < 40; ++d)
        for (int f = 0; f < 50; ++f) {
            const std::string folder = Root + "lib/set" + std::to_string(d) + "/";
            fs::create_directories(folder);
            std::ofstream(folder + "map" + std::to_string(d * 50 + f) + ".jpg") << "x";
        }
}

// Every material names three maps of the library under a folder that is gone.
void MakeMaterials() {
    fixtures::ResetModel();
    for (int m = 0; m < 300; ++m) {
        fixtures::EnsureMaterial(m);
        tmaterial& mat = SceneMaterials[static_cast<std::size_t>(m)];
        mat.colorMap = "/gone/MAP" + std::to_string(m * 6) + ".jpg";
        mat.transparencyMap = "/gone/map" + std::to_string(m * 6 + 1) + ".jpg";
        mat.bumpMap = "/gone/map" + std::to_string(m * 6 + 2) + ".JPG";
    }
}

void BM_SearchMapsInDir(benchmark::State& state) {
    MakeLibrary();
    for (auto _ : state) {
        state.PauseTiming();
        MakeMaterials();
        state.ResumeTiming();
        SearchMapsInDir(Root + "lib");
    }
}
BENCHMARK(BM_SearchMapsInDir)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WalkPerMissingMap(benchmark::State& state) {
    MakeLibrary();
    for (auto _ : state) {
        state.PauseTiming();
        MakeMaterials();
        state.ResumeTiming();
        for (tmaterial& m : SceneMaterials)
            for (tmapname* map : {&m.colorMap, &m.transparencyMap, &m.bumpMap}) {
                std::vector<std::string> found;
                FindFilesRecursive(ExtractFileName(map->view()), Root + "lib", found);
                if (!found.empty()) *map = found.front();
            }
    }
}
BENCHMARK(BM_WalkPerMissingMap)->Unit(benchmark::kMillisecond)->Iterations(3);

// 80,000 maps in folders of 1,000.
const std::string& ManyMaps() {
    static const std::string folder = [] {
        bench::MakeMapTree(Root + "many/", 80000);
        return Root + "many/";
    }();
    return folder;
}

void BM_SearchManyMaps(benchmark::State& state, bool found) {
    const std::string& folder = ManyMaps();
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        bench::MaterialsWithColourMaps(
            n, [&](std::size_t i) { return (found ? "/gone/tex" : "/gone/other") + std::to_string(i) + ".jpg"; });
        state.ResumeTiming();
        SearchMapsInDir(folder);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_SearchManyMaps, found, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_SearchManyMaps, control, false)->Apply(bench::AuthoredCounts);

const std::string Probe = Root + "probe.pfm";

void MakeProbe() {
    fs::create_directories(Root);
    std::ofstream out(Probe, std::ios::binary);
    out << "PF\n2000 1000\n-1.0\n";
    std::vector<float> row(2000 * 3);
    for (int y = 0; y < 1000; ++y) {
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<float>((i + y) % 97) / 50;
        out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size() * 4));
    }
}

void BM_LoadPFM(benchmark::State& state) {
    MakeProbe();
    for (auto _ : state) {
        tpfm p;
        benchmark::DoNotOptimize(LoadPFM(Probe, false, p));
    }
}
BENCHMARK(BM_LoadPFM)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadProbeBytes(benchmark::State& state) {
    MakeProbe();
    for (auto _ : state) benchmark::DoNotOptimize(fixtures::ReadFileBytes(Probe).size());
}
BENCHMARK(BM_ReadProbeBytes)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
