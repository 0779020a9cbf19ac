// The preview on a model of a million triangles (a UV sphere with vertex
// normals and UVs, in four materials): building its display lists (the
// faces and the wire triangles kept in buffer objects or in display lists),
// and drawing one frame of 640 x 480 from them: alone, as a mouse drag draws
// it (the view turned, the lists replayed), and antialiased as "Save
// Preview..." draws it (eight passes averaged on the CPU). Needs an X
// display (the bench script starts a virtual one when there is none).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "options/Options.h"
#include "preview/Navigation.h"
#include "preview/Preview.h"
#include "preview/PreviewFrame.h"
#include "tests/fixtures/Fixtures.h"

namespace {

// The sphere, its normals (one per vertex, pointing out) and four materials
// in bands of faces.
void MakeModel() {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddSphere(501, 1000, 1.0);  // 1,000,000 triangles
    for (const tvertex& v : SceneVertices) fixtures::AddNormal(v.p.x, v.p.y, v.p.z);
    for (int m = 1; m < 4; ++m) fixtures::EnsureMaterial(m);
    for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
        tface& f = SceneFaces[i];
        for (int c = 0; c < 3; ++c) f.normal[c] = f.vertex[c];
        f.material = static_cast<int32_t>(i * 4 / SceneFaces.size());
    }
    TopologyChanged();
    BuildMaterialFaceTable();
    ComputeExtents();
    ResetCamera();
    ApplyCameraEdits();
}

// The faces in buffer objects (1), as the program keeps them where the
// driver has them, or in the one display list (0).
void BM_BuildPreviewLists(benchmark::State& state) {
    MakeModel();
    UseBufferObjects = state.range(0) != 0;
    for (auto _ : state) BuildPreviewLists();
    UseBufferObjects = true;
    state.counters["triangles"] = static_cast<double>(SceneFaces.size());
}
BENCHMARK(BM_BuildPreviewLists)->ArgName("buffers")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The wire list as the first frame in a wire mode compiles it.
void BM_BuildWireframeList(benchmark::State& state) {
    MakeModel();
    UseBufferObjects = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        BuildPreviewLists();
        state.ResumeTiming();
        EnsureWireframeList();
    }
    UseBufferObjects = true;
}
BENCHMARK(BM_BuildWireframeList)->ArgName("buffers")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// The normals list while the normals are shown.
void BM_BuildNormalsList(benchmark::State& state) {
    MakeModel();
    Form1.CheckBox35.checked = true;
    for (auto _ : state) BuildNormalsList();
    Form1.CheckBox35.checked = false;
}
BENCHMARK(BM_BuildNormalsList)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DrawOneFrame(benchmark::State& state) {
    MakeModel();
    BuildPreviewLists();
    std::string error;
    for (auto _ : state)
        if (!RenderPreviewOffscreen(640, 480, [] { return true; }, error)) state.SkipWithError(error.c_str());
}
BENCHMARK(BM_DrawOneFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DrawFrameOfAMouseDrag(benchmark::State& state) {
    MakeModel();
    BuildPreviewLists();
    std::string error;
    PreviewMouseDown(MouseLeft, 100, 100);
    int x = 100;
    for (auto _ : state) {
        PreviewMouseMove(x += 3, 120, 640, 480);
        if (!RenderPreviewOffscreen(640, 480, [] { return true; }, error)) state.SkipWithError(error.c_str());
    }
    PreviewMouseUp();
}
BENCHMARK(BM_DrawFrameOfAMouseDrag)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DrawAntialiasedFrame(benchmark::State& state) {
    MakeModel();
    BuildPreviewLists();
    std::string error;
    Scene.savingPreview = 1;
    for (auto _ : state)
        if (!RenderPreviewOffscreen(640, 480, [] { return true; }, error)) state.SkipWithError(error.c_str());
    Scene.savingPreview = 0;
}
BENCHMARK(BM_DrawAntialiasedFrame)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    PrepareOpenGL();
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!QueryGLInfo()) {
        std::cerr << "No OpenGL context: " << GLUnavailableReason() << '\n';
        return 1;
    }
    InitGLState();
    PreviewReady = true;
    std::cout << "OpenGL " << GLVersionText << ", " << GLRendererText << '\n';
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseGLResources();
    return 0;
}
