// The POV-Ray material and geometry includes and the Moray UDO file of a
// model of 1,000,000 triangles in 200 groups and 100 materials, broken by
// material (mode 0) and by group and material (mode 1, 20,000 meshes): the
// time of the whole POV-Ray set on one core, and of breaking the mesh into
// few and into many meshes (which shows whether a mesh costs a pass over the
// model).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/Model.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "writers/Export.h"

namespace {

std::string TempName(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
}

constexpr int64_t Triangles = 1000000;
constexpr int Groups = 200;
constexpr int Materials = 100;

// A grid of a million triangles with UVs and one normal per vertex; each
// group a band of 5,000 consecutive faces that uses every material in runs
// of 50 faces.
void BuildModel(uint8_t mode) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddGrid(1000, static_cast<int>(Triangles / 2000), 0.01);
    SceneNormals.resize(SceneVertices.size());
    for (tnormal& n : SceneNormals) n.p = {0, 1, 0};
    fixtures::EnsureGroup(Groups - 1);
    fixtures::EnsureMaterial(Materials - 1);
    for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
        tface& f = SceneFaces[i];
        for (int c = 0; c < 3; ++c) f.normal[c] = f.vertex[c];
        f.group = static_cast<int32_t>(i / (Triangles / Groups));
        f.material = static_cast<int32_t>((i / 50) % Materials);
    }
    for (int m = 0; m < Materials; ++m)
        SceneMaterials[static_cast<std::size_t>(m)].colorMap = "map" + std::to_string(m % 10) + ".png";
    Scene.modelFile = "bench.obj";
    Scene.povMaterialFile = TempName("bench_mat.inc");
    Scene.povGeometryFile = TempName("bench_geom.inc");
    Scene.udoFile = TempName("bench.udo");
    Scene.povSceneFile = TempName("bench_scene.pov");
    Scene.writePovScene = Scene.writeObj = Scene.writeIni = Scene.writeMtl = Scene.writeUdo = 0;
    Scene.writeMaterialInclude = Scene.writeGeometryInclude = 0;
    Scene.materialsInGeometry = 1;
    Scene.meshBreakingMode = mode;
}

void RemoveFiles() {
    std::remove(Scene.povMaterialFile.c_str());
    std::remove(Scene.povGeometryFile.c_str());
    std::remove(Scene.udoFile.c_str());
    std::remove(Scene.povSceneFile.c_str());
}

// The POV-Ray set: material include, geometry include and scene file.
void BM_PovRaySet(benchmark::State& state) {
    BuildModel(static_cast<uint8_t>(state.range(0)));
    Scene.udoFile.clear();  // no Moray wrapper
    Scene.writeMaterialInclude = Scene.writeGeometryInclude = Scene.writePovScene = 1;
    for (auto _ : state) ExportModelFiles(Scene);
    RemoveFiles();
    state.SetItemsProcessed(state.iterations() * Triangles);
}
BENCHMARK(BM_PovRaySet)->ArgName("mode")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UdoFile(benchmark::State& state) {
    BuildModel(static_cast<uint8_t>(state.range(0)));
    Scene.writeUdo = 1;
    for (auto _ : state) ExportModelFiles(Scene);
    RemoveFiles();
    state.SetItemsProcessed(state.iterations() * Triangles);
}
BENCHMARK(BM_UdoFile)->ArgName("mode")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
