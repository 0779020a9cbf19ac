// Reading an OBJ file of a million triangles with normals and texture
// coordinates (a 1000 x 500 grid of 501,501 vertices, about 104 MB), and
// for comparison the bare reading of that file's lines.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/ObjReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "ui/core/LoadDrivers.h"

namespace {

constexpr int Columns = 1000, Rows = 500;

// Writes the grid once per run (one group, one material); the file is
// removed when the program ends.
struct GridFile {
    std::string path;
    std::size_t bytes = 0;
    GridFile() {
        path = (std::filesystem::temp_directory_path() /
                ("mirelan_objbench_" + std::to_string(::getpid()) + ".obj")).string();
        fixtures::GridObj grid;
        grid.columns = Columns;
        grid.rows = Rows;
        grid.rowsPerGroup = Rows;
        grid.facesPerMaterialRun = 2 * Columns * Rows;
        grid.materials = 1;
        bytes = fixtures::WriteGridObj(path, grid);
    }
    ~GridFile() { std::remove(path.c_str()); }
};

const GridFile& Grid() {
    static const GridFile file;
    return file;
}

void BM_ReadObjMillionTriangles(benchmark::State& state) {
    const GridFile& grid = Grid();
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    MemoryStatus status;
    Services services;
    services.status = &status;
    ScopedServices scope(services);
    for (auto _ : state) {
        state.PauseTiming();
        // Every read starts from empty lists, as after a merge.
        ClearImportLists();
        ImportVertices.shrink_to_fit();
        ImportNormals.shrink_to_fit();
        ImportUVs.shrink_to_fit();
        ImportFaces.shrink_to_fit();
        status.pages[static_cast<int>(StatusPage::Messages)].clear();
        Scene.modelFile = grid.path;
        Scene.mtlFile = grid.path + ".mtl";
        state.ResumeTiming();
        ReadOBJ(Scene);
        benchmark::DoNotOptimize(ImportFaces.data());
    }
    if (ImportFaces.size() != 2u * Columns * Rows) state.SkipWithError("wrong face count");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(grid.bytes));
    state.counters["MB"] = static_cast<double>(grid.bytes) / 1e6;
    state.counters["triangles"] = static_cast<double>(ImportFaces.size());
    ClearImportLists();
}
BENCHMARK(BM_ReadObjMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(5);

// The whole load as the "3D Model..." command runs it: clearing the model,
// reading, merging and the geometry processing (index repair, tables,
// extents, UV welding, group extents). The file carries its own normals, so
// none are computed.
void BM_LoadObjMillionTriangles(benchmark::State& state) {
    const GridFile& grid = Grid();
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    MemoryStatus status;
    Services services;
    services.status = &status;
    ScopedServices scope(services);
    for (auto _ : state) {
        state.PauseTiming();
        status.pages[static_cast<int>(StatusPage::Messages)].clear();
        BatchFiles = {grid.path};
        state.ResumeTiming();
        LoadSelectedModels();
        benchmark::DoNotOptimize(SceneFaces.data());
    }
    if (SceneFaces.size() != 2u * Columns * Rows) state.SkipWithError("wrong face count");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(grid.bytes));
    ClearModel();
}
BENCHMARK(BM_LoadObjMillionTriangles)->Unit(benchmark::kMillisecond)->Iterations(3);

// For comparison: the part of the read that is only getting the file's
// bytes into memory and walking its lines.
void BM_ReadLinesOnly(benchmark::State& state) {
    const GridFile& grid = Grid();
    for (auto _ : state) {
        TextLineReader text;
        text.Open(grid.path);
        std::size_t bytes = 0;
        while (!text.Eof()) bytes += text.ReadTextLine().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(grid.bytes));
}
BENCHMARK(BM_ReadLinesOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
