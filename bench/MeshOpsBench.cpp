// Welding, vertex normals and one smooth subdivision step on meshes of about
// a million triangles: a UV sphere (every vertex at the same distance from
// the centre), the same sphere with every face on its own three vertices,
// and a flat grid.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "model/Subdivide.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "tests/fixtures/Fixtures.h"

namespace {

struct Mesh {
    std::vector<tvertex> vertices;
    std::vector<tface> faces;
    std::vector<tuv> uvs;
    std::vector<tmaterial> materials;
    std::vector<tgroup> groups;
};

enum MeshKind { Sphere = 0, SphereUnshared = 1, Grid = 2 };

Mesh Make(int kind) {
    fixtures::ResetModel();
    if (kind == Grid)
        fixtures::AddGrid(1000, 500, 0.01);  // 1,000,000 triangles, 501,501 vertices
    else
        fixtures::AddSphere(501, 1000, 1.0);  // 1,000,000 triangles, 500,002 vertices
    if (kind == SphereUnshared) {
        std::vector<tvertex> own;
        own.reserve(SceneFaces.size() * 3);
        for (tface& f : SceneFaces)
            for (int c = 0; c < 3; ++c) {
                own.push_back(SceneVertices[f.vertex[c] - 1]);
                f.vertex[c] = static_cast<int32_t>(own.size());
            }
        SceneVertices.swap(own);
    }
    Mesh m{SceneVertices, SceneFaces, SceneUVs, SceneMaterials, SceneGroups};
    fixtures::ResetModel();
    return m;
}

const Mesh& Cached(int kind) {
    static Mesh meshes[3];
    static bool made[3] = {false, false, false};
    if (!made[kind]) {
        meshes[kind] = Make(kind);
        made[kind] = true;
    }
    return meshes[kind];
}

void Load(const Mesh& m) {
    SceneVertices = m.vertices;
    SceneFaces = m.faces;
    SceneUVs = m.uvs;
    SceneMaterials = m.materials;
    SceneGroups = m.groups;
    SceneNormals.clear();
    TopologyChanged();
}

void Label(benchmark::State& state, int kind) {
    static const char* names[] = {"sphere", "sphere, unshared vertices", "grid"};
    state.SetLabel(names[kind]);
}

void BM_WeldVertices(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Mesh& m = Cached(kind);
    for (auto _ : state) {
        state.PauseTiming();
        Load(m);
        state.ResumeTiming();
        WeldVertices(1e-6);
        benchmark::DoNotOptimize(SceneVertices.size());
    }
    state.counters["vertices after"] = static_cast<double>(SceneVertices.size());
    Label(state, kind);
}

void BM_CalcVertexNormals(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    Load(Cached(kind));
    for (auto _ : state) {
        CalcVertexNormals(AngleWeightedSum, 35 * DegToRad);
        benchmark::DoNotOptimize(SceneNormals.size());
    }
    state.counters["normals"] = static_cast<double>(SceneNormals.size());
    Label(state, kind);
}

void BM_SubdivideSmooth(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const Mesh& m = Cached(kind);
    for (auto _ : state) {
        state.PauseTiming();
        Load(m);
        BuildVertexFaceTable();
        BuildUVFaceTable();
        BuildMaterialFaceTable();
        state.ResumeTiming();
        SubdivideSmooth(true, true, true, false);
        benchmark::DoNotOptimize(SceneFaces.size());
    }
    state.counters["faces after"] = static_cast<double>(SceneFaces.size());
    Label(state, kind);
}

}  // namespace

BENCHMARK(BM_WeldVertices)->Arg(Sphere)->Arg(SphereUnshared)->Arg(Grid)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CalcVertexNormals)->Arg(Sphere)->Arg(Grid)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SubdivideSmooth)->Arg(Sphere)->Arg(Grid)->Unit(benchmark::kMillisecond)->Iterations(3);
