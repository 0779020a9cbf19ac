// Reading an OBJ file of a million triangles with normals and texture
// coordinates (a 1000 x 500 grid of 501,501 vertices, about 104 MB), and
// for comparison the bare reading of that file's lines.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "readers/ObjReader.h"
#include "ui/core/LoadDrivers.h"
#include "tests/fixtures/Fixtures.h"
#include "options/Options.h"

namespace {

constexpr int Columns = 1000, Rows = 500;

void AppendNumber(std::string& out, double x) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
    out.append(buffer, r.ptr);
}

void AppendIndex(std::string& out, int i) {
    char buffer[16];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, i);
    out.append(buffer, r.ptr);
}

// Writes the grid once per run; the file is removed when the program ends.
struct GridFile {
    std::string path;
    std::size_t bytes = 0;
    GridFile() {
        path = (std::filesystem::temp_directory_path() /
                ("mirelan_objbench_" + std::to_string(::getpid()) + ".obj")).string();
        std::string text;
        text.reserve(90u << 20);
        text += "# generated grid\nmtllib grid.mtl\ng grid\nusemtl surface\n";
        for (int r = 0; r <= Rows; ++r)
            for (int c = 0; c <= Columns; ++c) {
                const double x = c * 0.01, z = r * 0.01, y = 0.05 * std::sin(x * 7) * std::cos(z * 5);
                text += "v ";
                AppendNumber(text, x);
                text += ' ';
                AppendNumber(text, y);
                text += ' ';
                AppendNumber(text, z);
                text += "\nvt ";
                AppendNumber(text, static_cast<double>(c) / Columns);
                text += ' ';
                AppendNumber(text, static_cast<double>(r) / Rows);
                text += "\nvn ";
                AppendNumber(text, -0.35 * std::cos(x * 7) * std::cos(z * 5));
                text += ' ';
                AppendNumber(text, 1.0);
                text += ' ';
                AppendNumber(text, 0.25 * std::sin(x * 7) * std::sin(z * 5));
                text += '\n';
            }
        auto corner = [&](int i) {
            text += ' ';
            AppendIndex(text, i);
            text += '/';
            AppendIndex(text, i);
            text += '/';
            AppendIndex(text, i);
        };
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Columns; ++c) {
                const int a = r * (Columns + 1) + c + 1, b = a + 1, d = a + Columns + 1, e = d + 1;
                text += 'f';
                corner(a);
                corner(d);
                corner(b);
                text += "\nf";
                corner(b);
                corner(d);
                corner(e);
                text += '\n';
            }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        bytes = text.size();
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
