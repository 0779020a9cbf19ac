// The geometry page's transformation and the displacement on a grid of a
// million triangles (501,501 vertices with one normal each), and the peak
// memory of the commands that change the model, run as a click runs them,
// on a sphere or that grid of a million triangles ("peak_MB", beside the
// bytes of the model's lists, "model_MB").
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchSetup.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "model/Services.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/FormDialogs.h"
#include "ui/control/GroupsController.h"
#include "ui/control/MaterialFilesController.h"
#include "ui/control/MaterialsController.h"

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

// The commands, by the argument of BM_CommandPeak.
enum Command {
    Scale,
    ScaleAndNormals,
    WeldAndNormals,
    Split,
    SubdivideSmooth,
    SubdivideFlat,
    Displace,
    Remap,
    GroupsFromMaterials,
    MaterialsFromPairs,
};

const char* const CommandNames[] = {"scale 2",
                                    "scale 2, normals",
                                    "weld, normals",
                                    "split vertices",
                                    "subdivide smooth",
                                    "subdivide flat",
                                    "displace",
                                    "Remap UV",
                                    "Materials -> Groups",
                                    "Groups && Materials -> Materials"};

// A sphere of a million triangles with smooth normals, or faceted ones
// (for the split).
const Mesh& Sphere(bool faceted) {
    static const auto make = [](bool flat) {
        fixtures::ResetModel();
        fixtures::AddSphere(501, 1000, 1.0);
        fixtures::EnsureGroup(3);
        fixtures::EnsureMaterial(3);
        for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
            SceneFaces[i].group = static_cast<int32_t>(i % 4);
            SceneFaces[i].material = static_cast<int32_t>(i / 7 % 4);
        }
        CalcVertexNormals(NormalSum, (flat ? 0 : 35) * DegToRad);
        Mesh m{SceneVertices, SceneNormals, SceneFaces, SceneUVs, SceneMaterials, SceneGroups};
        fixtures::ResetModel();
        return m;
    };
    static const Mesh smooth = make(false), flat = make(true);
    return faceted ? flat : smooth;
}

template <typename T>
double Bytes(const std::vector<T>& list) {
    return static_cast<double>(list.size() * sizeof(T));
}

void BM_CommandPeak(benchmark::State& state) {
    const auto command = static_cast<Command>(state.range(0));
    bench::QuietStatus quiet;
    RampPictures pictures;
    RecordingPrompts prompts;
    prompts.defaultAnswer = Answer::Yes;
    Services services;
    services.pictures = &pictures;
    services.prompts = &prompts;
    ScopedServices scoped(services);
    RecordingDialogs dialogs;
    GroupsController groups;
    MaterialsController materials(dialogs);
    const std::string file =
        (std::filesystem::temp_directory_path() / ("mirelan_bench_peak_" + std::to_string(::getpid()))).string();
    std::ofstream(file) << "ramp";
    double peak = 0, model = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetOptionsToDefaults();
        const bool grid = command == Displace || command == Remap;
        Load(grid ? Grid() : Sphere(command == Split));
        Scene.modelFile = "model.obj";
        model = Bytes(SceneVertices) + Bytes(SceneNormals) + Bytes(SceneFaces) + Bytes(SceneUVs);
        // On the geometry page the weld and the split run after a scale by 2.
        Form1.Edit4.text = Form1.Edit5.text = Form1.Edit6.text = "2";
        Form1.CheckBox32.checked = command == ScaleAndNormals || command == WeldAndNormals;
        Form1.CheckBox24.checked = command == WeldAndNormals;
        Form1.CheckBox15.checked = command == Split;
        const bool subdivide = command == SubdivideSmooth || command == SubdivideFlat;
        Form1.PageControl6.active = subdivide ? 1 : command == Displace ? 2 : 0;
        Form1.RadioButton6.checked = command == SubdivideFlat;
        Form1.RadioButton7.checked = !Form1.RadioButton6.checked;
        Form1.Edit54.text = file;
        Form1.ComboBox16.index = 1;
        Form1.Edit105.text = "1";
        Form1.CheckBox2.checked = true;
        state.ResumeTiming();
        peak = bench::PeakRise([&] {
            switch (command) {
                case Remap: RemapUV(); break;
                case GroupsFromMaterials: groups.MaterialsGroups1Click(); break;
                case MaterialsFromPairs: materials.GroupsMaterialsMaterials1Click(); break;
                default: groups.ToolButton23Click(); break;
            }
        });
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["model_MB"] = model / 1e6;
    state.SetLabel(CommandNames[command]);
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(BM_CommandPeak)->DenseRange(Scale, MaterialsFromPairs)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TransformGeometry)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Displacement)->Unit(benchmark::kMillisecond)->Iterations(3);
