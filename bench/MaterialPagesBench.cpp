// The Materials and Groups tabs on big models: regrouping a million faces by
// their pairs of group and material (numbered through a hash map) beside the
// same numbering through a table of groups x materials, and the preview
// textures of thousands of materials shared through a map of their map
// names beside the search of every earlier material for each one.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/Model.h"
#include "model/ModelLists.h"
#include "model/Regroup.h"
#include "model/Services.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/MaterialPanel.h"

namespace {

constexpr int32_t Groups = 2000, Materials = 2000, FaceCount = 1000000;

// A million faces whose pairs of group and material repeat in runs, as the
// faces of a figure's parts do, with every group and material in use.
void PairModel() {
    fixtures::ResetModel();
    SceneVertices.assign(3, tvertex{});
    SceneFaces.resize(FaceCount);
    for (int32_t i = 0; i < FaceCount; ++i) {
        tface& f = SceneFaces[static_cast<std::size_t>(i)];
        f.vertex[0] = 1, f.vertex[1] = 2, f.vertex[2] = 3;
        const int32_t run = i / 100;
        f.group = run % Groups;
        f.material = (run * 7 + run / Groups) % Materials;
    }
    fixtures::EnsureGroup(Groups - 1);
    fixtures::EnsureMaterial(Materials - 1);
}

// Quiet services: no status window, no preview.
struct Quiet {
    MemoryStatus status;
    WindowHooks window;
    Services services;
    Quiet() {
        services.status = &status;
        services.window = &window;
    }
};

void BM_MaterialsFromPairsHashed(benchmark::State& state) {
    Quiet quiet;
    const ScopedServices scope(quiet.services);
    for (auto _ : state) {
        state.PauseTiming();
        PairModel();
        quiet.status.pages[0].clear();
        state.ResumeTiming();
        MaterialsFromGroupsAndMaterials();
        benchmark::DoNotOptimize(SceneMaterials.data());
    }
    state.counters["materials"] = static_cast<double>(SceneMaterials.size());
}
BENCHMARK(BM_MaterialsFromPairsHashed)->Unit(benchmark::kMillisecond);

// The reference: the face walk numbering the pairs through a table of one
// counter per group and material, then the copies made group by group.
void BM_MaterialsFromPairsTable(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        PairModel();
        state.ResumeTiming();
        std::vector<int32_t> table(static_cast<std::size_t>(Groups) * Materials, 0);
        int32_t n = 0;
        for (tface& f : SceneFaces) {
            int32_t& cell = table[static_cast<std::size_t>(f.group) * Materials + static_cast<std::size_t>(f.material)];
            if (cell == 0) cell = ++n;
            f.material = cell - 1;
        }
        std::vector<tmaterial> made(static_cast<std::size_t>(n));
        for (int32_t g = 0; g < Groups; ++g)
            for (int32_t m = 0; m < Materials; ++m)
                if (const int32_t c = table[static_cast<std::size_t>(g) * Materials + static_cast<std::size_t>(m)])
                    made[static_cast<std::size_t>(c) - 1] = SceneMaterials[static_cast<std::size_t>(m)];
        SceneMaterials = std::move(made);
        benchmark::DoNotOptimize(SceneMaterials.data());
    }
}
BENCHMARK(BM_MaterialsFromPairsTable)->Unit(benchmark::kMillisecond);

// Thousands of materials, each map pair shared by four materials.
class Textures : public WindowHooks {
public:
    void CreatePreviewTexture(tmaterial& m) override { m.glTexture = next++; }
    int32_t next = 1;
};

void TexturedMaterials(int32_t count) {
    fixtures::ResetModel();
    fixtures::EnsureMaterial(count - 1);
    for (int32_t i = 0; i < count; ++i)
        SceneMaterials[static_cast<std::size_t>(i)].colorMap =
            "/maps/figure/part_" + std::to_string(i / 4) + "_diffuse.jpg";
}

void BM_PreviewTexturesShared(benchmark::State& state) {
    Textures textures;
    Services s;
    s.window = &textures;
    const ScopedServices scope(s);
    ResetOptionsToDefaults();
    Form1.CheckBox3.checked = Form1.CheckBox4.checked = true;
    TexturedMaterials(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        for (tmaterial& m : SceneMaterials) m.glTexture = 0;
        ReloadMaterialMaps(2);
    }
}
BENCHMARK(BM_PreviewTexturesShared)->Arg(4000)->Unit(benchmark::kMillisecond);

// The reference: each material searches all materials for a texture of the
// same maps.
void BM_PreviewTexturesSearched(benchmark::State& state) {
    Textures textures;
    TexturedMaterials(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        for (tmaterial& m : SceneMaterials) m.glTexture = 0;
        for (tmaterial& m : SceneMaterials) {
            const int32_t shared = FindSharedTexture(m);
            if (shared > 0)
                m.glTexture = shared;
            else
                textures.CreatePreviewTexture(m);
        }
    }
}
BENCHMARK(BM_PreviewTexturesSearched)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
