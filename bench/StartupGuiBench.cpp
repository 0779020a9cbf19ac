// Start-up of the whole program under an X server: the ten windows made,
// InitApplication run, until the main window has painted its first frame.
// Closing and freeing the windows are not timed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "options/Options.h"
#include "platform/AppPaths.h"
#include "preview/GlResources.h"
#include "ui/main/Application.h"
#include "ui/main/MainWindow.h"

namespace {

// Notes the first paint of the watched window.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void BM_StartupToFirstFrame(benchmark::State& state) {
    QTemporaryDir programDir;  // no settings file of a user
    SetProgramDirOverride(programDir.path().toStdString());
    for (auto _ : state) {
        ResetOptionsToDefaults();
        const auto start = std::chrono::steady_clock::now();
        auto app = std::make_unique<Application>();
        FirstPaint watch;
        app->Main().installEventFilter(&watch);
        if (!app->Start(1)) {
            state.SkipWithError("no OpenGL");
            break;
        }
        QElapsedTimer guard;
        guard.start();
        while (!watch.painted && guard.elapsed() < 10000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const auto end = std::chrono::steady_clock::now();
        if (!watch.painted) {
            state.SkipWithError("the main window never painted");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        app->Main().removeEventFilter(&watch);
        app->Main().close();
        app.reset();
        QApplication::processEvents();
    }
    SetProgramDirOverride("");
}
BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// For comparison: only making the ten windows and their controls (no
// OpenGL queries, no settings, nothing shown).
void BM_MakeWindowsOnly(benchmark::State& state) {
    QTemporaryDir programDir;
    SetProgramDirOverride(programDir.path().toStdString());
    for (auto _ : state) {
        ResetOptionsToDefaults();
        const auto start = std::chrono::steady_clock::now();
        auto app = std::make_unique<Application>();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        app.reset();
        QApplication::processEvents();
    }
    SetProgramDirOverride("");
}
BENCHMARK(BM_MakeWindowsOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    PrepareOpenGL();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReleaseGLResources();
    return 0;
}
