// Making material names unique and deleting empty groups on large models, at
// several numbers of materials, groups and faces, so that the growth with
// each can be read off. At 10,000 and 80,000 materials whose names differ
// but clean alike, beside as many whose names clean apart (the control).
// And the merge of an import of 10,000 and 80,000 materials and groups of
// one name, which it numbers, beside as many of different names (the
// control).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/BenchSetup.h"
#include "model/Merge.h"
#include "model/ModelLists.h"
#include "tests/fixtures/Fixtures.h"

namespace {

void FillMaterials(int64_t count, int64_t distinct) {
    fixtures::ResetModel();
    SceneMaterials.resize(static_cast<std::size_t>(count));
    for (int64_t i = 0; i < count; ++i)
        SceneMaterials[static_cast<std::size_t>(i)].name = "Material " + std::to_string(i % distinct);
}

// Every name different.
void BM_UniqueNamesDistinct(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FillMaterials(state.range(0), state.range(0));
        state.ResumeTiming();
        MakeMaterialNamesUnique();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UniqueNamesDistinct)->RangeMultiplier(10)->Range(1000, 100000)->Complexity();

// Ten names repeated over and over: long runs of suffixes.
void BM_UniqueNamesRepeated(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        FillMaterials(state.range(0), 10);
        state.ResumeTiming();
        MakeMaterialNamesUnique();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UniqueNamesRepeated)->RangeMultiplier(10)->Range(1000, 100000)->Complexity();

// "Part " + i spelled in characters that clean into "_", or in letters.
void BM_UniqueNamesThatCleanAlike(benchmark::State& state, bool cleanAlike) {
    const std::vector<std::string> names = bench::PartNames(state.range(0), cleanAlike);
    for (auto _ : state) {
        state.PauseTiming();
        fixtures::ResetModel();
        SceneMaterials.resize(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) SceneMaterials[i].name = names[i];
        state.ResumeTiming();
        MakeMaterialNamesUnique();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_UniqueNamesThatCleanAlike, clean_alike, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_UniqueNamesThatCleanAlike, control, false)->Apply(bench::AuthoredCounts);

// Half the groups and materials empty, faces spread over the rest.
void BM_DeleteEmptyGroups(benchmark::State& state) {
    const int64_t n = state.range(0);
    const bench::QuietStatus quiet;
    for (auto _ : state) {
        state.PauseTiming();
        fixtures::ResetModel();
        SceneGroups.resize(static_cast<std::size_t>(n));
        SceneMaterials.resize(static_cast<std::size_t>(n));
        SceneVertices.resize(3);
        SceneFaces.resize(static_cast<std::size_t>(n) * 4);
        for (std::size_t f = 0; f < SceneFaces.size(); ++f) {
            tface& face = SceneFaces[f];
            face.vertex[0] = 1;
            face.vertex[1] = 2;
            face.vertex[2] = 3;
            face.group = static_cast<int32_t>((f * 2) % static_cast<std::size_t>(n));
            face.material = static_cast<int32_t>((f * 2 + 1) % static_cast<std::size_t>(n));
        }
        state.ResumeTiming();
        DeleteEmptyGroups();
    }
    state.SetComplexityN(n);
}
BENCHMARK(BM_DeleteEmptyGroups)->RangeMultiplier(10)->Range(1000, 100000)->Complexity();

// Into a scene that holds a material "wood" and a group "part".
void BM_MergeNames(benchmark::State& state, bool oneName) {
    const auto n = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        fixtures::ResetModel();
        fixtures::EnsureMaterial(0);
        fixtures::EnsureGroup(0);
        SceneMaterials[0].name = "wood";
        SceneGroups[0].name = "part";
        ImportMaterials.resize(n);
        ImportGroups.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            ImportMaterials[i].name = oneName ? std::string("wood") : "wood " + std::to_string(i);
            ImportGroups[i].name = oneName ? std::string("part") : "part " + std::to_string(i);
        }
        state.ResumeTiming();
        MergeImportIntoScene({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK_CAPTURE(BM_MergeNames, one_name, true)->Apply(bench::AuthoredCounts);
BENCHMARK_CAPTURE(BM_MergeNames, control, false)->Apply(bench::AuthoredCounts);

}  // namespace
