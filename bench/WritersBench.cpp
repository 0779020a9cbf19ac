// The OBJ writer and the checked text writer on meshes of 250,000 to
// 1,000,000 triangles: the time per million triangles, and its growth with
// the face count. Then names that give one identifier, 10,000 and 80,000 of
// them, beside as many that do not (the control): groups whose names clean
// alike in the OBJ file with "Fix material and group names", and YafRay
// shaders of colour maps that share a file name in different folders.
// Time in proportion to the count shows the clashing names near their
// control. And the OBJ save of a cube with 2,000,000 lights: the growth of
// the process's peak memory while it saves (peak_MB), beside the size of
// the file (file_MB) and the memory of the lights (lights_MB); the peak is
// the whole program's, so this one is read when it runs alone
// (--benchmark_filter=ObjSaveOfManyLights).
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSetup.h"
#include "model/Model.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "writers/Export.h"
#include "writers/TextWriter.h"
#include "writers/YafRayWriter.h"

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

// A save of the OBJ file alone, into `name` in the temporary folder.
void SaveObjOnly(const char* name) {
    Scene.modelFile = "bench.obj";
    Scene.objFile = TempName(name);
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeIni = Scene.writeGeometryInclude = 0;
    Scene.writeUdo = Scene.writeMtl = 0;
    Scene.writeObj = 1;
}

void BM_WriteOBJ(benchmark::State& state) {
    BuildMesh(state.range(0));
    SaveObjOnly("bench_out.obj");
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

// ---- Names that give one identifier ------------------------------------------

// One triangle per group named by PartNames; saved as OBJ with the names
// fixed.
void BM_ObjFixedGroupNames(benchmark::State& state, bool cleanAlike) {
    const bench::QuietStatus quiet;
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddNamedTriangles(bench::PartNames(state.range(0), cleanAlike), false);
    SaveObjOnly("names.obj");
    Scene.sanitiseNames = 1;
    for (auto _ : state) ExportModelFiles(Scene);
    std::remove(Scene.objFile.c_str());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_ObjFixedGroupNames, clean_alike, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_ObjFixedGroupNames, control, false)->Apply(bench::AuthoredCounts);

// One triangle per material, each with its own colour map: "tex.png" in a
// folder of its own, or a file of its own name in one folder.
void BM_YafRayMapNames(benchmark::State& state, bool oneFileName) {
    const bench::QuietStatus quiet;
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const int64_t n = state.range(0);
    fixtures::AddNamedTriangles(std::vector<std::string>(static_cast<std::size_t>(n), "Material"), true);
    for (int64_t i = 0; i < n; ++i)
        SceneMaterials[static_cast<std::size_t>(i)].colorMap =
            oneFileName ? "maps/" + std::to_string(i) + "/tex.png" : "maps/tex" + std::to_string(i) + ".png";
    Scene.yafrayFile = TempName("names.xml");
    for (auto _ : state) ExportYafRayScene(Scene);
    std::remove(Scene.yafrayFile.c_str());
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK_CAPTURE(BM_YafRayMapNames, one_file_name, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_YafRayMapNames, control, false)->Apply(bench::AuthoredCounts);

double PeakMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

void BM_ObjSaveOfManyLights(benchmark::State& state) {
    const bench::QuietStatus quiet;
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddCube();
    const auto count = static_cast<std::size_t>(state.range(0));
    Lights.resize(count);
    for (tlight& light : Lights) NewLight(light);
    SaveObjOnly("lights.obj");
    const double before = PeakMB();
    for (auto _ : state) ExportModelFiles(Scene);
    state.counters["peak_MB"] = PeakMB() - before;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(Scene.objFile)) / (1 << 20);
    state.counters["lights_MB"] = static_cast<double>(count * sizeof(tlight)) / (1 << 20);
    std::remove(Scene.objFile.c_str());
    std::vector<tlight>().swap(Lights);
}
BENCHMARK(BM_ObjSaveOfManyLights)->Arg(2000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
