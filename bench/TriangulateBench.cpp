// Triangulation speed of both methods on the polygons readers meet most
// (quads, octagons) and on the largest polygon allowed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "model/Triangulate.h"
#include "model/VectorMath.h"

namespace {

struct Poly {
    std::vector<tvertex> vertices;
    tpolygon polygon;
};

Poly Make(const std::vector<tvector>& pts) {
    Poly p;
    for (size_t i = 0; i < pts.size(); ++i) {
        tvertex v;
        v.p = pts[i];
        p.vertices.push_back(v);
        p.polygon.AddCorner(static_cast<int32_t>(i) + 1, static_cast<int32_t>(i) + 1, 0);
    }
    return p;
}

Poly Regular(int n) {
    std::vector<tvector> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * Pi * i / n;
        pts.push_back({std::cos(a), std::sin(a), 0});
    }
    return Make(pts);
}

Poly Star(int points) {
    std::vector<tvector> pts;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = Pi * i / points, r = i % 2 ? 0.5 : 1.0;
        pts.push_back({r * std::cos(a), r * std::sin(a), 0});
    }
    return Make(pts);
}

// 499 teeth: 1998 corners.
Poly Comb(int teeth) {
    std::vector<tvector> pts;
    for (int i = 0; i < teeth; ++i) {
        const double x = 2.0 * i;
        pts.push_back({x, 0, 0});
        pts.push_back({x + 1, 0, 0});
        pts.push_back({x + 1, -5, 0});
        pts.push_back({x + 2, -5, 0});
    }
    pts.push_back({2.0 * teeth, 1, 0});
    pts.push_back({0, 1, 0});
    return Make(pts);
}

// A spiral arm of 2000 corners: convex corners of the outer side see many
// corners of the inner side.
Poly Spiral(int perSide) {
    std::vector<tvector> a, b;
    for (int i = 0; i < perSide; ++i) {
        const double t = 8 * Pi * i / (perSide - 1), r = 1 + t;
        a.push_back({r * std::cos(t), r * std::sin(t), 0});
        b.push_back({(r + 2.5) * std::cos(t), (r + 2.5) * std::sin(t), 0});
    }
    std::vector<tvector> pts(b.rbegin(), b.rend());
    pts.insert(pts.end(), a.begin(), a.end());
    return Make(pts);
}

// Star-shaped about the origin with random radii: about half the corners
// are concave.
Poly RandomStarShaped(int n) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(0, 2 * Pi), radius(0.2, 1.0);
    std::vector<double> a(n);
    for (double& x : a) x = angle(rng);
    std::sort(a.begin(), a.end());
    std::vector<tvector> pts;
    for (const double x : a) {
        const double r = radius(rng);
        pts.push_back({r * std::cos(x), r * std::sin(x), 0});
    }
    return Make(pts);
}

// Random points: the outline crosses itself everywhere, the tessellator
// gives up and the ear cutting stops early.
Poly RandomCrossing(int n) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<tvector> pts;
    for (int i = 0; i < n; ++i) pts.push_back({u(rng), u(rng), 0});
    return Make(pts);
}

void Run(benchmark::State& state, const Poly& p, int method, bool allTriangles = true) {
    tfacearray triangles;
    for (auto _ : state) {
        TriangulatePolygon(p.polygon, triangles, method, p.vertices);
        benchmark::DoNotOptimize(triangles.data());
    }
    if (allTriangles && static_cast<int>(triangles.size()) != p.polygon.count - 2)
        state.SkipWithError("not all triangles");
    state.counters["triangles"] = static_cast<double>(triangles.size());
}

void BM_Quad(benchmark::State& s) {
    static const Poly p = Make({{0, 0, 0}, {1, 0, 0.2}, {1, 1, 0}, {0, 1, 0.1}});
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Octagon(benchmark::State& s) {
    static const Poly p = Regular(8);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Star8(benchmark::State& s) {
    static const Poly p = Star(4);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Circle2000(benchmark::State& s) {
    static const Poly p = Regular(2000);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Star2000(benchmark::State& s) {
    static const Poly p = Star(1000);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Comb1998(benchmark::State& s) {
    static const Poly p = Comb(499);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_Spiral2000(benchmark::State& s) {
    static const Poly p = Spiral(1000);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_RandomStarShaped2000(benchmark::State& s) {
    static const Poly p = RandomStarShaped(2000);
    Run(s, p, static_cast<int>(s.range(0)));
}
void BM_RandomCrossing2000(benchmark::State& s) {
    static const Poly p = RandomCrossing(2000);
    Run(s, p, static_cast<int>(s.range(0)), false);
}

// Argument: 1 = GLU tessellator, 2 = ear cutting.
#define METHODS ->ArgName("method")->Arg(TriangulateOpenGL)->Arg(TriangulateEarCut)
BENCHMARK(BM_Quad) METHODS;
BENCHMARK(BM_Octagon) METHODS;
BENCHMARK(BM_Star8) METHODS;
BENCHMARK(BM_Circle2000) METHODS->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Star2000) METHODS->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Comb1998) METHODS->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spiral2000) METHODS->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomStarShaped2000) METHODS->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomCrossing2000) METHODS->Unit(benchmark::kMillisecond);

}  // namespace
