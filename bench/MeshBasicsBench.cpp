// Cost of the per-group extents and the degenerate-face removal on meshes of
// 250,000 to 1,000,000 triangles spread over 1,000 groups, at four face
// counts, so that the growth with the face count can be read off.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/Selection.h"
#include "tests/fixtures/Fixtures.h"

namespace {

constexpr int GroupCount = 1000;

// A grid of `triangles` triangles (1000 quads wide), faces dealt round the
// groups.
void BuildMesh(int64_t triangles) {
    fixtures::ResetModel();
    fixtures::AddGrid(1000, static_cast<int>(triangles / 2000), 0.01);
    fixtures::EnsureGroup(GroupCount - 1);
    for (std::size_t i = 0; i < SceneFaces.size(); ++i) SceneFaces[i].group = static_cast<int32_t>(i % GroupCount);
}

void BM_ComputeGroupExtents(benchmark::State& state) {
    BuildMesh(state.range(0));
    for (auto _ : state) {
        ComputeGroupExtents();
        benchmark::DoNotOptimize(SceneGroups.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ComputeGroupExtents)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_RemoveDegenerateFaces(benchmark::State& state) {
    BuildMesh(state.range(0));
    // One face in ten repeats a vertex.
    for (std::size_t i = 0; i < SceneFaces.size(); i += 10) SceneFaces[i].vertex[1] = SceneFaces[i].vertex[0];
    const std::vector<tface> original = SceneFaces;
    for (auto _ : state) {
        state.PauseTiming();
        SceneFaces = original;
        state.ResumeTiming();
        RemoveDegenerateFaces();
        benchmark::DoNotOptimize(SceneFaces.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RemoveDegenerateFaces)
    ->Arg(250000)
    ->Arg(500000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
