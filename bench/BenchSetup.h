// Set-up that several benchmarks share: the counts of records a model's
// author chooses, a status window that keeps nothing, names that clean
// alike, a tree of map files and materials that name maps, and the rise of
// the resident memory while a step runs.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "tests/fixtures/Fixtures.h"

namespace bench {

// The counts of the benchmarks of records a model's author chooses: 10,000
// and 80,000, each run once and shown in milliseconds.
inline void AuthoredCounts(benchmark::internal::Benchmark* b) {
    b->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);
}
// The same and 100,000.
inline void AuthoredCountsTo100000(benchmark::internal::Benchmark* b) {
    AuthoredCounts(b);
    b->Arg(100000);
}

// The CPU seconds of the calling thread: the machine may be shared, and
// a row is compared with its control by the work it did.
inline double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A row's time beside that of its control of the same size (the same work
// without what the row attacks): the counter "x_control" is their ratio, and
// a ratio above 2, a time that grows faster than the control's, labels the
// row "RATIO ABOVE 2" and is printed on stderr.
inline void CompareWithControl(benchmark::State& state, const std::string& row, double seconds, double control) {
    const double ratio = control > 0 ? seconds / control : 0;
    state.counters["x_control"] = ratio;
    if (ratio <= 2) return;
    state.SetLabel("RATIO ABOVE 2");
    std::fprintf(stderr, "RATIO ABOVE 2: %s takes %.1f times its control\n", row.c_str(), ratio);
}

// The CPU seconds of `run` after `prepare`, which is not timed.
template <typename Prepare, typename Run>
double TimeOnce(Prepare&& prepare, Run&& run) {
    prepare();
    const double start = CpuSeconds();
    run();
    return CpuSeconds() - start;
}

// While one lives, the status window keeps no lines, so that a benchmark
// that logs in every run does not grow the log from run to run.
class QuietStatus {
public:
    QuietStatus() : scope_(Using(status_)) {}

private:
    class Discarding : public MemoryStatus {
    public:
        void AppendLine(StatusPage, std::string_view) override {}
    };
    static Services Using(StatusSink& status) {
        Services services;
        services.status = &status;
        return services;
    }

    Discarding status_;
    ScopedServices scope_;
};

// A folder of the benchmark's own in the temporary folder, named after
// `stem` and the process, removed with this object (at the end of the
// program, for one made at start).
class ScratchRoot {
public:
    explicit ScratchRoot(const std::string& stem)
        : path_(std::filesystem::temp_directory_path().string() + "/" + stem + std::to_string(::getpid())) {}
    ~ScratchRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// `count` names "Part " + i, i spelled in characters that cleaning turns
// into "_" (every name gives one identifier) or in letters (every name its
// own).
inline std::vector<std::string> PartNames(int64_t count, bool cleanAlike) {
    std::vector<std::string> names;
    for (int64_t i = 0; i < count; ++i)
        names.push_back("Part " + fixtures::SpelledNumber(i, cleanAlike ? "-.!#$%&+" : "abcdefgh"));
    return names;
}

// `n` empty files tex0.jpg, tex1.jpg, ... below `root`, in folders set0,
// set1, ... of 1,000 each.
inline void MakeMapTree(const std::string& root, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::string sub = root + "set" + std::to_string(i / 1000) + "/";
        if (i % 1000 == 0) std::filesystem::create_directories(sub);
        std::ofstream(sub + "tex" + std::to_string(i) + ".jpg");
    }
}

// A fresh model of `n` materials, material i with the colour map map(i).
template <typename Map>
void MaterialsWithColourMaps(std::size_t n, Map&& map) {
    fixtures::ResetModel();
    fixtures::EnsureMaterial(static_cast<int>(n) - 1);
    for (std::size_t i = 0; i < n; ++i) SceneMaterials[i].colorMap = map(i);
}

}  // namespace bench

namespace bench {

// A figure of the process's status file ("VmRSS:" the resident set now,
// "VmHWM:" its peak since the last reset), in bytes.
inline double ProcessBytes(std::string_view key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(key)) return std::stod(line.substr(key.size())) * 1024;
    return 0;
}

// How far the resident memory rose at its peak while `run` ran, in bytes:
// the memory freed before it given back and the peak reset first.
template <typename Run>
double PeakRise(Run&& run) {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const double before = ProcessBytes("VmRSS:");
    run();
    return ProcessBytes("VmHWM:") - before;
}

}  // namespace bench
