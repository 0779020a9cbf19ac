// The cache of map properties behind the preview textures, used as a load
// uses it: every map of every material is looked up and, when new, added.
// 10,000 and 80,000 materials with maps of their own, beside as many that
// share one map. Only the cache is timed: no picture is read and no OpenGL
// context is needed.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "model/Model.h"
#include "preview/PreviewTextures.h"

namespace {

void BM_PreviewTextureCache(benchmark::State& state, bool ownMaps) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> maps(n);
    for (std::size_t i = 0; i < n; ++i) maps[i] = "/models/car/maps/" + std::to_string(ownMaps ? i : 0) + "_diffuse.jpg";
    for (auto _ : state) {
        ClearPreviewTextures();
        for (const std::string& map : maps)
            if (FindPreviewTexture(map) == -1) AddPreviewTexture(map, TImageProperties());
    }
    state.counters["entries"] = static_cast<double>(PreviewTextureCache.size());
}
BENCHMARK_CAPTURE(BM_PreviewTextureCache, own_maps, true)
    ->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PreviewTextureCache, control, false)
    ->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
