// Set-up that several benchmarks share: the counts of records a model's
// author chooses, a status window that keeps nothing, names that clean
// alike, a tree of map files and materials that name maps, and the rise of
// the resident memory while a step runs.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
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
