// The saves that break the model into meshes, over models of many meshes:
// 100,000 and 400,000 triangles, each in a group of its own, saved as the
// "Save..." commands save them (the POV-Ray save broken by materials and
// groups, the Moray save, the OBJ save), beside the same triangles in one
// group (the control). The status window keeps every line it is given, as
// the end-to-end driver's does, so that what a mesh logs is paid as in the
// program. The times are the CPU work of the save (`control_ms` that of the
// control), and `x_control` their ratio: a mesh should cost about what its
// triangle costs, not a fixed price of its own; a ratio above 5 labels the
// row.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "bench/BenchSetup.h"
#include "model/Model.h"
#include "model/Services.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace fs = std::filesystem;

namespace {

const bench::ScratchRoot scratch("mirelan_bench_meshes_");
const std::string& Root = scratch.path();

// `n` triangles of their own vertices, normals and UVs, each in group
// "part i", or all in group 0.
void BuildTriangles(int64_t n, bool groupEach) {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    for (int64_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i % 1000), z = static_cast<double>(i / 1000);
        const int32_t v = fixtures::AddVertex(x, 0, z);
        fixtures::AddVertex(x + 1, 0, z);
        fixtures::AddVertex(x, 0, z + 1);
        const int32_t t = fixtures::AddUV(0, 0);
        fixtures::AddUV(1, 0);
        fixtures::AddUV(0, 1);
        const int32_t vn = fixtures::AddNormal(0, 1, 0);
        const int face = fixtures::AddFace(v, v + 1, v + 2, groupEach ? static_cast<int>(i) : 0, 0, t, t + 1, t + 2);
        for (int c = 0; c < 3; ++c) SceneFaces[static_cast<std::size_t>(face)].normal[c] = vn;
        if (groupEach) SceneGroups[static_cast<std::size_t>(i)].name = "part " + std::to_string(i);
    }
    Scene.modelFile = Root + "/meshes.obj";
    SetDefaultOutputNames(Scene.modelFile);
    fs::create_directories(Root + "/out");
    Form2.Edit1.text = Root + "/out";
    Form2.CheckBox1.checked = true;  // overwrite without asking
    Form1.ComboBox10.index = 1;      // POV-Ray meshes by materials and groups
}

// The CPU seconds of the process (every thread, the kernel's work for it
// included) in a save of the model on a status window of its own, the least
// of three: the machine may be shared, and a save is compared with its
// control by the work it does, whichever threads do it.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double TimeSave(SaveKind kind) {
    double least = 0;
    for (int run = 0; run < 3; ++run) {
        MemoryStatus status;
        Services services = Svc();
        services.status = &status;
        const ScopedServices scoped(services);
        const double start = CpuSeconds();
        SaveModelFiles(kind);
        const double seconds = CpuSeconds() - start;
        if (run == 0 || seconds < least) least = seconds;
    }
    return least;
}

// A save of N triangles in N groups; `x_control` is its time over that of
// the same triangles in one group, and a ratio above 5 labels the row.
void BM_SaveOfMeshes(benchmark::State& state, SaveKind kind) {
    const int64_t n = state.range(0);
    double seconds = 0;
    for (auto _ : state) {
        BuildTriangles(n, true);
        state.SetIterationTime(seconds = TimeSave(kind));
    }
    BuildTriangles(n, false);
    const double control = TimeSave(kind);
    fixtures::ResetModel();
    const double ratio = seconds / control;
    state.counters["x_control"] = ratio;
    state.counters["control_ms"] = control * 1000;
    if (ratio > 5) state.SetLabel("RATIO ABOVE 5");
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();
}

BENCHMARK_CAPTURE(BM_SaveOfMeshes, povray, SaveKind::PovRay)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_SaveOfMeshes, moray, SaveKind::Moray)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_SaveOfMeshes, obj, SaveKind::Obj)->Apply(Sizes);

}  // namespace
