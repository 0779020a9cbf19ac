// The OBJ writer and the checked text writer on meshes of 250,000 to
// 1,000,000 triangles: the time per million triangles, and its growth with
// the face count.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/Model.h"
#include "model/Services.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "writers/Export.h"
#include "writers/TextWriter.h"

namespace {

std::string TempName(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
}

// A grid of `triangles` triangles (1000 quads wide) with UVs and one normal
// per vertex.
void BuildMesh(int64_t triangles) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddGrid(1000, static_cast<int>(triangles / 2000), 0.01);
    SceneNormals.resize(SceneVertices.size());
    for (tnormal& n : SceneNormals) n.p = {0, 1, 0};
    for (tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) f.normal[c] = f.vertex[c];
}

void BM_WriteOBJ(benchmark::State& state) {
    BuildMesh(state.range(0));
    Scene.modelFile = "bench.obj";
    Scene.objFile = TempName("bench_out.obj");
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeIni = Scene.writeGeometryInclude = 0;
    Scene.writeUdo = Scene.writeMtl = 0;
    Scene.writeObj = 1;
    for (auto _ : state) ExportModelFiles(Scene);
    std::remove(Scene.objFile.c_str());
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteOBJ)->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// One face line of three corners per triangle, straight through the writer.
void BM_TextWriterFaceLines(benchmark::State& state) {
    const std::string file = TempName("bench_lines.txt");
    for (auto _ : state) {
        CheckedTextWriter w(file);
        for (int64_t i = 0; i < state.range(0); ++i) {
            std::string& b = w.Buffer();
            b.append("f ");
            for (int c = 0; c < 3; ++c) {
                AppendInt(b, i + c + 1);
                b.push_back('/');
                AppendInt(b, i + c + 1);
                b.push_back('/');
                AppendInt(b, i + c + 1);
                b.push_back(' ');
            }
            w.EndLine();
        }
        w.Close();
    }
    std::remove(file.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TextWriterFaceLines)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
