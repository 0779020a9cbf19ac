// The preview of a model of a million triangles at 640 x 480: one frame as
// a mouse drag draws it (the view turned, the lists replayed), beside the
// frame alone, and the antialiased frame of "Save Preview..." (eight passes
// averaged on the CPU). Needs an X display (the bench script starts a
// virtual one when there is none).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "preview/Navigation.h"
#include "preview/Preview.h"
#include "preview/PreviewFrame.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/options/Options.h"

namespace {

void MakeModel() {
    fixtures::ResetModel();
    ResetOptionsToDefaults();
    fixtures::AddSphere(501, 1000, 1.0);  // 1,000,000 triangles
    BuildMaterialFaceTable();
    ComputeExtents();
    ResetCamera();
    ApplyCameraEdits();
    BuildPreviewLists();
}

void Frame(benchmark::State& state) {
    std::string error;
    if (!RenderPreviewOffscreen(640, 480, [] { return true; }, error)) state.SkipWithError(error.c_str());
}

void BM_Frame(benchmark::State& state) {
    MakeModel();
    for (auto _ : state) Frame(state);
}
BENCHMARK(BM_Frame)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_FrameOfAMouseDrag(benchmark::State& state) {
    MakeModel();
    PreviewMouseDown(MouseLeft, 100, 100);
    int x = 100;
    for (auto _ : state) {
        PreviewMouseMove(x += 3, 120, 640, 480);
        Frame(state);
    }
    PreviewMouseUp();
}
BENCHMARK(BM_FrameOfAMouseDrag)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_AntialiasedFrame(benchmark::State& state) {
    MakeModel();
    Scene.savingPreview = 1;
    for (auto _ : state) Frame(state);
    Scene.savingPreview = 0;
}
BENCHMARK(BM_AntialiasedFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

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
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseGLResources();
    return 0;
}
