// The geometry page's transformation and the displacement on a grid of a
// million triangles (501,501 vertices with one normal each).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Normals.h"
#include "model/Services.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

namespace {

struct Mesh {
    std::vector<tvertex> vertices;
    std::vector<tnormal> normals;
    std::vector<tface> faces;
    std::vector<tuv> uvs;
    std::vector<tmaterial> materials;
    std::vector<tgroup> groups;
};

const Mesh& Grid() {
    static const Mesh mesh = [] {
        fixtures::ResetModel();
        fixtures::AddGrid(1000, 500, 0.01);
        CalcVertexNormals(NormalSum, 35 * DegToRad);
        Mesh m{SceneVertices, SceneNormals, SceneFaces, SceneUVs, SceneMaterials, SceneGroups};
        fixtures::ResetModel();
        return m;
    }();
    return mesh;
}

void Load(const Mesh& m) {
    SceneVertices = m.vertices;
    SceneNormals = m.normals;
    SceneFaces = m.faces;
    SceneUVs = m.uvs;
    SceneMaterials = m.materials;
    SceneGroups = m.groups;
    TopologyChanged();
}

// A grey ramp of 1024 x 1024 pixels.
class RampPictures : public PictureLoader {
public:
    bool LoadRGB(const std::string&, tpicture& picture) override {
        picture.width = picture.height = 1024;
        picture.rgb.resize(1024 * 1024 * 3);
        for (std::size_t i = 0; i < picture.rgb.size(); ++i) picture.rgb[i] = static_cast<uint8_t>(i / 3 % 256);
        return true;
    }
};

void BM_TransformGeometry(benchmark::State& state) {
    ResetOptionsToDefaults();
    Form1.Edit4.text = "-2";
    Form1.Edit31.text = "30";
    Form1.Edit33.text = "-45";
    Form1.Edit7.text = "1";
    Form1.RadioButton1.checked = false;
    Form1.RadioButton13.checked = true;
    std::string report;
    for (auto _ : state) {
        state.PauseTiming();
        Load(Grid());
        state.ResumeTiming();
        TransformModel(Scene, TransformGeometry, report);
        benchmark::DoNotOptimize(SceneVertices.data());
    }
    ResetOptionsToDefaults();
}

void BM_Displacement(benchmark::State& state) {
    RampPictures pictures;
    Services services;
    services.pictures = &pictures;
    ScopedServices scoped(services);
    const std::string file =
        (std::filesystem::temp_directory_path() / ("mirelan_bench_ramp_" + std::to_string(::getpid()))).string();
    std::ofstream(file) << "ramp";
    ResetOptionsToDefaults();
    Form1.Edit54.text = file;
    std::string report;
    for (auto _ : state) {
        state.PauseTiming();
        Load(Grid());
        state.ResumeTiming();
        TransformModel(Scene, TransformDisplace, report);
        benchmark::DoNotOptimize(SceneVertices.data());
    }
    ResetOptionsToDefaults();
    std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(BM_TransformGeometry)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Displacement)->Unit(benchmark::kMillisecond)->Iterations(3);
