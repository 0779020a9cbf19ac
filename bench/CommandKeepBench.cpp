// What the dispatcher keeps before every command so that a command that
// fails can put it back (the records besides the geometry and the option
// records of the windows), weighed against the commands: a keystroke in a
// light's edit, which keeps no material, and a click on the material list,
// which keeps them all, each through the dispatcher beside the same handler
// called alone, on scenes of 1,000 to 100,000 materials (half as many
// groups, each material with a name, two maps and a custom text of 200
// characters, and the material and group lists filled), with the time the
// keep adds to a click ("keep_ms", beside the click alone, "alone_ms"), its
// peak memory ("keep_MB") and the bytes of the records ("records_MB"); and
// the scale of a sphere of a million triangles, through the dispatcher and
// alone, with the peak memory of each ("peak_MB", "alone_MB").
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSetup.h"
#include "model/Model.h"
#include "model/Services.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/GroupsController.h"
#include "ui/control/FormDialogs.h"
#include "ui/control/LightsController.h"
#include "ui/control/MaterialsController.h"
#include "ui/control/MaterialPanel.h"

namespace {

// A scene of `materials` materials and half as many groups, one face each,
// with eight lights, and the lists of the Materials and Groups tabs filled.
double FigureScene(int32_t materials) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    const int32_t v = fixtures::AddVertex(0, 0, 0), w = fixtures::AddVertex(1, 0, 0), x = fixtures::AddVertex(0, 1, 0);
    for (int32_t i = 0; i < materials; ++i) fixtures::AddFace(v, w, x, i / 2, i);
    double bytes = 0;
    for (int32_t i = 0; i < materials; ++i) {
        tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
        m.name = "Material_of_the_figure_" + std::to_string(i);
        m.colorMap = "/home/artist/Runtime/Textures/figure/skin_" + std::to_string(i) + ".jpg";
        m.bumpMap = "/home/artist/Runtime/Textures/figure/bump_" + std::to_string(i) + ".jpg";
        m.customText = std::string(200, 'x');
        bytes += sizeof(tmaterial) + m.name.size() + m.colorMap.size() + m.bumpMap.size() + m.customText.size();
    }
    for (tgroup& g : SceneGroups) g.name = "Group_of_the_figure_" + std::to_string(&g - SceneGroups.data());
    Lights.assign(8, tlight{});
    Form1.ComboBox2.index = 0;
    CountFacesPerGroupAndMaterial();
    FillMaterialList();
    FillGroupList();
    return bytes + static_cast<double>(SceneGroups.size() * sizeof(tgroup));
}

// A click on `control` twenty times, alone and through the dispatcher; the
// material list's click chooses another material each time.
void ClickThroughTheDispatcher(benchmark::State& state, const char* control) {
    const bench::QuietStatus quiet;
    Dispatcher commands;
    LightsController lights;
    lights.Register(commands);
    RecordingDialogs dialogs;
    MaterialsController materials(dialogs);
    materials.Register(commands);
    const double records = FigureScene(static_cast<int32_t>(state.range(0)));
    constexpr int Clicks = 20;
    const auto click = [&](bool through) {
        for (int k = 0; k < Clicks; ++k) {
            Form1.ListBox1.index = (CurrentMaterialIndex + 1) % static_cast<int32_t>(SceneMaterials.size());
            if (through) commands.Run(control);
            else commands.Call(control);
        }
    };
    double keep = 0, alone = 0, peak = 0;
    for (auto _ : state) {
        alone = bench::TimeOnce([] {}, [&] { click(false); });
        keep = bench::TimeOnce([] {}, [&] { click(true); }) - alone;
        peak = bench::PeakRise([&] { commands.Run(control); });
    }
    state.counters["keep_ms"] = keep / Clicks * 1e3;
    state.counters["alone_ms"] = alone / Clicks * 1e3;
    state.counters["keep_MB"] = peak / 1e6;
    state.counters["records_MB"] = records / 1e6;
    fixtures::ResetModel();
    ResetOptionsToDefaults();
}

void BM_LightEditThroughTheDispatcher(benchmark::State& state) { ClickThroughTheDispatcher(state, "Form1.Edit81"); }
void BM_MaterialChoiceThroughTheDispatcher(benchmark::State& state) {
    ClickThroughTheDispatcher(state, "Form1.ListBox1");
}

void BM_ScaleThroughTheDispatcher(benchmark::State& state) {
    const bench::QuietStatus quiet;
    Dispatcher commands;
    GroupsController groups;
    groups.Register(commands);
    double peak = 0, alone = 0;
    const auto sphere = [] {
        fixtures::ResetModel();
        ResetOptionsToDefaults();
        fixtures::AddSphere(501, 1000, 1.0);
        Scene.modelFile = "sphere.obj";
        Form1.Edit4.text = Form1.Edit5.text = Form1.Edit6.text = "2";
    };
    for (auto _ : state) {
        state.PauseTiming();
        // A first run, not measured: the heap of the process grows to the
        // command's size once, then both measures start alike.
        sphere();
        commands.Call("Form1.ToolButton23");
        sphere();
        alone = bench::PeakRise([&] { commands.Call("Form1.ToolButton23"); });
        sphere();
        state.ResumeTiming();
        peak = bench::PeakRise([&] { commands.Run("Form1.ToolButton23"); });
    }
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["alone_MB"] = alone / 1e6;
    fixtures::ResetModel();
    ResetOptionsToDefaults();
}

}  // namespace

void Figures(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
}
BENCHMARK(BM_LightEditThroughTheDispatcher)->Apply(Figures);
BENCHMARK(BM_MaterialChoiceThroughTheDispatcher)->Apply(Figures);
BENCHMARK(BM_ScaleThroughTheDispatcher)->Unit(benchmark::kMillisecond)->Iterations(1);
