#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/VectorMath.h"
#include "model/Weld.h"
#include "tests/fixtures/Fixtures.h"

namespace {

int32_t Vertex(double x, double y, double z) { return fixtures::AddVertex(x, y, z); }

int32_t UV(double u, double v) { return fixtures::AddUV(u, v); }

void Face(int32_t a, int32_t b, int32_t c, int32_t ua = 0, int32_t ub = 0, int32_t uc = 0, int group = 0,
          int material = 0) {
    fixtures::AddFace(a, b, c, group, material, ua, ub, uc);
}

void Line(int32_t a, int32_t b) {
    fixtures::EnsureGroup(0);
    fixtures::EnsureMaterial(0);
    tline l;
    l.vertex[0] = a;
    l.vertex[1] = b;
    LineSegments.push_back(l);
}

// The welding rule written the plain way: keys from the model's own box,
// sources in (key, index) order, each source scanning the following pairs
// up to the first one whose key lies beyond its window (that one included),
// a later claim replacing an earlier one.
struct WeldResult {
    std::vector<tvertex> vertices;
    std::vector<tface> faces;
    std::vector<tline> lines;
};

WeldResult ReferenceWeld(double tol) {
    const int n = static_cast<int>(SceneVertices.size());
    constexpr double inf = std::numeric_limits<double>::infinity();
    tvector lo{inf, inf, inf}, hi{-inf, -inf, -inf};
    for (const tvertex& v : SceneVertices) {
        lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
        hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    if (n == 0) lo = hi = {0, 0, 0};
    const tvector c = AddVectors(ScaleVector(lo, 0.5), ScaleVector(hi, 0.5));
    const double D = VectorLength(SubtractVectors(hi, lo));
    const double K = 2000000000.0;
    const int64_t R = D > 1e-10 ? Round(K * tol / D) : 0;
    const int64_t window = R + 1;  // the rounding of both keys and of R
    std::vector<std::pair<int64_t, int>> pairs;
    for (int i = 0; i < n; ++i) {
        const double d = VectorLength(SubtractVectors(SceneVertices[i].p, c));
        int64_t key = 0;
        if (D > 0) key = d / D <= 1.0 ? Round(d / D * K) : -1;
        pairs.push_back({key, i});
    }
    std::sort(pairs.begin(), pairs.end());
    std::vector<int> target(n);
    std::iota(target.begin(), target.end(), 0);
    for (int s = 0; s + 1 < n; ++s) {
        const int a = pairs[s].second;
        if (target[a] != a || pairs[s].first == -1) continue;
        for (int t = s + 1; t < n; ++t) {
            const int b = pairs[t].second;
            if (pairs[t].first != -1 &&
                VectorLength(SubtractVectors(SceneVertices[a].p, SceneVertices[b].p)) <= tol)
                target[b] = a;
            if (pairs[t].first - pairs[s].first > window) break;
        }
    }
    WeldResult r;
    std::vector<int> newIndex(n, -1);
    for (int i = 0; i < n; ++i)
        if (target[i] == i) {
            newIndex[i] = static_cast<int>(r.vertices.size());
            r.vertices.push_back(SceneVertices[i]);
        }
    for (tface f : SceneFaces) {
        for (int k = 0; k < 3; ++k) f.vertex[k] = newIndex[target[f.vertex[k] - 1]] + 1;
        if (f.vertex[0] != f.vertex[1] && f.vertex[1] != f.vertex[2] && f.vertex[0] != f.vertex[2])
            r.faces.push_back(f);
    }
    for (tline l : LineSegments) {
        for (int k = 0; k < 2; ++k) l.vertex[k] = newIndex[target[l.vertex[k] - 1]] + 1;
        r.lines.push_back(l);
    }
    return r;
}

class WeldTest : public fixtures::ModelTest {};

// Random meshes whose vertices cluster around a few points (so that many
// lie within the tolerance of each other), some placed on a sphere about
// the centre (equal distances, one key band) and some on a coarse lattice
// (exact duplicates).
void RandomMesh(std::mt19937& rng, double spread) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 2);
    const int bases = 4 + static_cast<int>(rng() % 12);
    std::vector<tvector> centres;
    for (int i = 0; i < bases; ++i) centres.push_back({unit(rng), unit(rng), unit(rng)});
    const int count = 10 + static_cast<int>(rng() % 120);
    for (int i = 0; i < count; ++i) {
        switch (kind(rng)) {
            case 0: {
                const tvector& b = centres[rng() % centres.size()];
                Vertex(b.x + spread * unit(rng), b.y + spread * unit(rng), b.z + spread * unit(rng));
                break;
            }
            case 1: {
                const tvector d = NormalizeVector({unit(rng), unit(rng), unit(rng)});
                Vertex(d.x, d.y, d.z);
                break;
            }
            default:
                Vertex(std::round(unit(rng) * 3) / 3, std::round(unit(rng) * 3) / 3, std::round(unit(rng) * 3) / 3);
        }
    }
    const int faces = static_cast<int>(rng() % 80);
    for (int i = 0; i < faces; ++i)
        Face(1 + static_cast<int>(rng() % count), 1 + static_cast<int>(rng() % count),
             1 + static_cast<int>(rng() % count));
    for (int i = 0; i < 5; ++i) Line(1 + static_cast<int>(rng() % count), 1 + static_cast<int>(rng() % count));
}

TEST_F(WeldTest, MatchesThePlainRuleOnRandomMeshes) {
    std::mt19937 rng(2024);
    const double tolerances[] = {0.0, 1e-4, 0.01, 0.05, 0.2, 0.7, 5.0};
    for (int round = 0; round < 300; ++round) {
        const double tol = tolerances[round % 7];
        const double spread = (round % 3 == 0) ? tol : (round % 3 == 1 ? tol * 0.5 : 0.05);
        fixtures::ResetModel();
        RandomMesh(rng, spread);
        const WeldResult expected = ReferenceWeld(tol);
        WeldVertices(tol);
        SCOPED_TRACE("round " + std::to_string(round) + " tolerance " + std::to_string(tol));
        ASSERT_EQ(SceneVertices.size(), expected.vertices.size());
        for (std::size_t i = 0; i < expected.vertices.size(); ++i) ASSERT_EQ(SceneVertices[i].p, expected.vertices[i].p);
        ASSERT_EQ(SceneFaces.size(), expected.faces.size());
        for (std::size_t i = 0; i < expected.faces.size(); ++i)
            for (int k = 0; k < 3; ++k) ASSERT_EQ(SceneFaces[i].vertex[k], expected.faces[i].vertex[k]);
        ASSERT_EQ(LineSegments.size(), expected.lines.size());
        for (std::size_t i = 0; i < expected.lines.size(); ++i)
            for (int k = 0; k < 2; ++k) ASSERT_EQ(LineSegments[i].vertex[k], expected.lines[i].vertex[k]);
    }
}

TEST_F(WeldTest, LaterClaimReplacesAnEarlierOne) {
    // The box is centred on the origin. By distance from it the vertices are
    // met as 1, 2, 3: 1 and 2 are 0.55 apart, so both are kept; 3 lies
    // within 0.5 of both and goes to the later one, 2.
    Vertex(-0.1, 0, 0);
    Vertex(0.45, 0, 0);
    Vertex(0.175, 0.416, 0);
    Vertex(-1, -1, 0);
    Vertex(1, 1, 0);
    Line(3, 3);
    WeldVertices(0.5);
    ASSERT_EQ(SceneVertices.size(), 4u);
    EXPECT_EQ(LineSegments[0].vertex[0], 2);
    EXPECT_EQ(LineSegments[0].vertex[1], 2);
}

TEST_F(WeldTest, ExactToleranceIsWeldedAndFarModelsToo) {
    // Far from the start extents of the scene: the weld keys off its own box.
    Vertex(1000, 1000, 1000);
    Vertex(1000.25, 1000, 1000);
    Vertex(1001, 1000, 1000);
    Vertex(1000, 1001, 1000);
    Face(1, 3, 4);
    Face(2, 3, 4);
    WeldVertices(0.25);
    EXPECT_EQ(SceneVertices.size(), 3u);
    ASSERT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(SceneFaces[1].vertex[0], 1);

    fixtures::ResetModel();
    Vertex(0, 0, 0);
    Vertex(0.25, 0, 0);
    Vertex(0, 0, 0.2500000001);
    Face(1, 2, 3);
    WeldVertices(0.25);
    EXPECT_EQ(SceneVertices.size(), 2u);  // only the pair exactly 0.25 apart
    EXPECT_TRUE(SceneFaces.empty());
}

TEST_F(WeldTest, CubeOfTwentyFourVerticesWeldsToEightInFirstOccurrenceOrder) {
    // Each side of a cube with its own four corners.
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    auto corner = [](int i) { return tvector{(i & 1) ? 1.0 : -1.0, (i & 2) ? 1.0 : -1.0, (i & 4) ? 1.0 : -1.0}; };
    std::vector<int> firstSeen;
    for (const auto& q : quads) {
        const int32_t base = static_cast<int32_t>(SceneVertices.size()) + 1;
        for (int k = 0; k < 4; ++k) {
            const tvector p = corner(q[k]);
            Vertex(p.x, p.y, p.z);
            if (std::find(firstSeen.begin(), firstSeen.end(), q[k]) == firstSeen.end()) firstSeen.push_back(q[k]);
        }
        Face(base, base + 1, base + 2);
        Face(base, base + 2, base + 3);
    }
    std::vector<tvector> cornersBefore;
    for (const tface& f : SceneFaces)
        for (int k = 0; k < 3; ++k) cornersBefore.push_back(SceneVertices[f.vertex[k] - 1].p);
    ASSERT_EQ(SceneVertices.size(), 24u);

    WeldVertices(1e-6);

    ASSERT_EQ(SceneVertices.size(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(SceneVertices[i].p, corner(firstSeen[i])) << i;
    ASSERT_EQ(SceneFaces.size(), 12u);
    std::size_t k = 0;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(SceneVertices[f.vertex[c] - 1].p, cornersBefore[k++]);
    EXPECT_EQ(SceneMaterials[0].faceCount, 12);
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));
    EXPECT_TRUE(IsTableCurrent(MaterialFaceTable));
    EXPECT_TRUE(IsTableCurrent(UVFaceTable));
    EXPECT_EQ(VertexFaceTable.Count(1), 6);  // the first corner is used by six triangles
}

TEST_F(WeldTest, CollapsedTriangleIsRemovedAndLineKept) {
    const int32_t a = Vertex(0, 0, 0), b = Vertex(1, 0, 0), c = Vertex(1, 1e-7, 0), d = Vertex(0, 1, 0);
    const int32_t e = Vertex(5, 5, 5), f = Vertex(5, 5, 5.0000001);
    Face(a, b, d);
    Face(a, b, c);  // b and c weld: gone
    Face(a, c, d);
    Line(e, f);  // both ends weld: the line stays
    Line(a, d);
    WeldVertices(1e-6);
    EXPECT_EQ(SceneVertices.size(), 4u);
    ASSERT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(SceneFaces[1].vertex[1], 2);  // c became b
    ASSERT_EQ(LineSegments.size(), 2u);
    EXPECT_EQ(LineSegments[0].vertex[0], 4);
    EXPECT_EQ(LineSegments[0].vertex[1], 4);
    EXPECT_EQ(LineSegments[1].vertex[1], 3);
    EXPECT_EQ(SceneMaterials[0].faceCount, 2);
}

TEST_F(WeldTest, SpecialCoordinatesAndTolerances) {
    // Vertices with a coordinate that is not finite are never merged; the
    // others are welded as usual; a face already using one vertex twice goes.
    const double inf = std::numeric_limits<double>::infinity();
    Vertex(inf, 0, 0);
    Vertex(inf, 0, 0);
    Vertex(std::nan(""), 0, 0);
    Vertex(1, 1, 1);
    Vertex(1, 1, 1);
    Face(4, 4, 1);
    WeldVertices(0.1);
    EXPECT_EQ(SceneVertices.size(), 4u);
    EXPECT_TRUE(SceneFaces.empty());

    // All vertices in one point: the box is empty, everything merges.
    fixtures::ResetModel();
    for (int i = 0; i < 5; ++i) Vertex(2, 2, 2);
    Line(1, 5);
    WeldVertices(0);
    EXPECT_EQ(SceneVertices.size(), 1u);
    EXPECT_EQ(LineSegments[0].vertex[1], 1);

    // A tolerance far larger than the model (the key window would not fit in
    // 32 bits) merges everything; a negative one merges nothing.
    fixtures::ResetModel();
    for (int i = 0; i < 50; ++i) Vertex(i * 1e-3, 0, 0);
    WeldVertices(1e6);
    EXPECT_EQ(SceneVertices.size(), 1u);
    fixtures::ResetModel();
    for (int i = 0; i < 5; ++i) Vertex(0, 0, 0);
    WeldVertices(-1);
    EXPECT_EQ(SceneVertices.size(), 5u);
}

TEST_F(WeldTest, BadFaceIndexLeavesTheModelAlone) {
    Vertex(0, 0, 0);
    Vertex(0, 0, 0);
    Face(1, 2, 3);
    EXPECT_THROW(WeldVertices(0.1), ModelError);
    EXPECT_EQ(SceneVertices.size(), 2u);
    EXPECT_EQ(SceneFaces[0].vertex[2], 3);
}

// ---- UV welding ---------------------------------------------------------

class WeldUVTest : public fixtures::ModelTest {};

TEST_F(WeldUVTest, StrictToleranceAndLastCloseEntryWins) {
    // Around v the list (highest face first) reads a, b, a: a -> b, then
    // a -> a again, then b -> a. So a is kept and b merged into it. Around q
    // it reads d, d, c, and d and c differ by exactly the tolerance: apart.
    const int32_t v = Vertex(0, 0, 0);
    const int32_t p = Vertex(1, 0, 0), q = Vertex(0, 1, 0);
    const int32_t a = UV(0.5, 0.5), b = UV(0.5 + 1e-9, 0.5), c = UV(0.75, 0.5), d = UV(1.0, 0.5);
    Face(v, p, q, a, c, c);
    Face(v, p, q, b, c, d);
    Face(v, p, q, a, c, d);
    WeldUVs(0.25);
    ASSERT_EQ(SceneUVs.size(), 3u);
    EXPECT_EQ(SceneUVs[0].u, 0.5);
    EXPECT_EQ(SceneFaces[1].uv[0], 1);
    EXPECT_EQ(SceneFaces[1].uv[2], 3);
    EXPECT_EQ(SceneFaces[0].uv[2], 2);
    EXPECT_TRUE(IsTableCurrent(UVFaceTable));
    EXPECT_EQ(UVFaceTable.Count(1), 3);
}

TEST_F(WeldUVTest, CyclesAndChainsNeverLoseAUV) {
    // At v0 the list reads b, a: b -> a. At v1 it reads a, b: a -> b. The
    // targets form a cycle; the later merge (a -> b) decides: b is kept. Two
    // UVs used nowhere stay.
    const int32_t v0 = Vertex(0, 0, 0), v1 = Vertex(1, 0, 0), w = Vertex(0, 1, 0);
    const int32_t a = UV(0.1, 0.1), b = UV(0.1 + 1e-6, 0.1), far = UV(0.9, 0.9);
    UV(0.1 + 2e-6, 0.1);
    UV(0.1 + 3e-6, 0.1);
    Face(v0, w, v1, a, far, b);  // f0
    Face(v0, w, v1, b, far, a);  // f1
    WeldUVs(1.5e-6);
    ASSERT_EQ(SceneUVs.size(), 4u);
    for (const tface& f : SceneFaces)
        for (int k = 0; k < 3; ++k) {
            ASSERT_GE(f.uv[k], 1);
            ASSERT_LE(f.uv[k], 4);
        }
    EXPECT_EQ(SceneFaces[0].uv[0], SceneFaces[1].uv[0]);
    EXPECT_EQ(SceneFaces[0].uv[2], SceneFaces[0].uv[0]);
    EXPECT_EQ(SceneUVs[SceneFaces[0].uv[0] - 1].u, 0.1 + 1e-6);

    // A chain: a -> b at one vertex, b -> c at another: every corner ends on c.
    fixtures::ResetModel();
    const int32_t x0 = Vertex(0, 0, 0), x1 = Vertex(1, 0, 0), y = Vertex(0, 1, 0);
    const int32_t ua = UV(0.1, 0.1), ub = UV(0.1 + 1e-6, 0.1), uc = UV(0.1 + 2e-6, 0.1), uf = UV(0.9, 0.9);
    Face(x0, y, x1, ub, uf, uc);  // f0: at x1 the list ends with c
    Face(x0, y, x1, ua, uf, ub);  // f1: x0 reads a (f1), b (f0): a -> b; x1 reads b, c: b -> c
    WeldUVs(1.5e-6);
    ASSERT_EQ(SceneUVs.size(), 2u);
    EXPECT_EQ(SceneUVs[0].u, 0.1 + 2e-6);
    for (const tface& f : SceneFaces) {
        EXPECT_EQ(f.uv[0], 1);
        EXPECT_EQ(f.uv[2], 1);
    }
}

// The UV rule the plain way: per vertex, over the UVs of its corners (faces
// highest first), an earlier UV goes to the last later close one; then each
// UV follows its targets until a UV repeats. A UV that targets itself is
// kept; of a cycle the UV that the latest assignment in it went into.
std::vector<int32_t> ReferenceUVWeld(double tol, std::vector<tuv>& kept, int& cycles) {
    const int n = static_cast<int>(SceneUVs.size());
    std::vector<int> target(n), when(n, 0);
    std::iota(target.begin(), target.end(), 0);
    int clock = 0;
    for (int v = 1; v <= static_cast<int>(SceneVertices.size()); ++v) {
        std::vector<int> list;
        for (int f = static_cast<int>(SceneFaces.size()) - 1; f >= 0; --f)
            for (int c = 2; c >= 0; --c)
                if (SceneFaces[f].vertex[c] == v) {
                    int last = 3;
                    while (SceneFaces[f].vertex[--last] != v) {
                    }
                    if (SceneFaces[f].uv[last] >= 1) list.push_back(SceneFaces[f].uv[last] - 1);
                }
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size(); ++j)
                if (std::fabs(SceneUVs[list[i]].u - SceneUVs[list[j]].u) < tol &&
                    std::fabs(SceneUVs[list[i]].v - SceneUVs[list[j]].v) < tol) {
                    target[list[i]] = list[j];
                    when[list[i]] = ++clock;
                }
    }
    std::vector<int> end(n);
    for (int x = 0; x < n; ++x) {
        std::vector<int> path;
        int y = x;
        while (std::find(path.begin(), path.end(), y) == path.end()) {
            path.push_back(y);
            y = target[y];
        }
        if (target[y] == y) {
            end[x] = y;
            continue;
        }
        ++cycles;
        int latest = y;
        for (int z = target[y]; z != y; z = target[z])
            if (when[z] > when[latest]) latest = z;
        end[x] = target[latest];
    }
    std::vector<int32_t> newIndex(n, 0);
    for (int x = 0; x < n; ++x)
        if (end[x] == x) {
            kept.push_back(SceneUVs[x]);
            newIndex[x] = static_cast<int32_t>(kept.size());
        }
    std::vector<int32_t> corners;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) corners.push_back(f.uv[c] >= 1 ? newIndex[end[f.uv[c] - 1]] : f.uv[c]);
    return corners;
}

TEST_F(WeldUVTest, MatchesThePlainRuleOnRandomMeshes) {
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int mergesSeen = 0, cyclesSeen = 0;
    for (int round = 0; round < 300; ++round) {
        fixtures::ResetModel();
        const int vertices = 3 + static_cast<int>(rng() % 8);
        const int uvs = 2 + static_cast<int>(rng() % 10);
        for (int i = 0; i < vertices; ++i) Vertex(unit(rng), unit(rng), 0);
        for (int i = 0; i < uvs; ++i) UV(std::round(unit(rng) * 8) / 8 + 1e-4 * unit(rng), 0.5);
        const int faces = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < faces; ++i) {
            int32_t t[3];
            for (int& k : t) k = (rng() % 7 == 0) ? 0 : 1 + static_cast<int>(rng() % uvs);
            Face(1 + static_cast<int>(rng() % vertices), 1 + static_cast<int>(rng() % vertices),
                 1 + static_cast<int>(rng() % vertices), t[0], t[1], t[2]);
        }
        std::vector<tuv> kept;
        const std::vector<int32_t> corners = ReferenceUVWeld(0.2, kept, cyclesSeen);
        const std::size_t before = SceneUVs.size();
        WeldUVs(0.2);
        SCOPED_TRACE(round);
        ASSERT_EQ(SceneUVs.size(), kept.size());
        for (std::size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(SceneUVs[i].u, kept[i].u);
        std::size_t k = 0;
        for (const tface& f : SceneFaces)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(f.uv[c], corners[k++]);
        if (kept.size() < before) ++mergesSeen;
    }
    EXPECT_GT(mergesSeen, 100);  // the rounds do merge
    EXPECT_GT(cyclesSeen, 10);   // and form cycles
}

// A seam whose UVs lie far apart: nothing to weld, found without building a
// face table (a large model is spared them).
TEST_F(WeldUVTest, NothingToWeldBuildsNoFaceTable) {
    const int32_t v = Vertex(0, 0, 0), p = Vertex(1, 0, 0), q = Vertex(0, 1, 0);
    Face(v, p, q, UV(0, 0), UV(1, 0), UV(0, 1));
    Face(v, q, p, UV(0.5, 0), UV(0.5, 0.5), UV(1, 1));
    WeldUVs(1e-8);
    EXPECT_EQ(SceneUVs.size(), 6u);
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable) || IsTableCurrent(UVFaceTable));
}

TEST_F(WeldUVTest, LinesAreRenumberedAndNoUVsIsNothing) {
    WeldUVs(0.1);  // empty model
    EXPECT_TRUE(SceneUVs.empty());
    const int32_t v = Vertex(0, 0, 0), p = Vertex(1, 0, 0), q = Vertex(0, 1, 0);
    const int32_t a = UV(0, 0), u2 = UV(1, 1), b = UV(1e-9, 0);
    Face(v, p, q, a, u2, u2);
    Face(v, p, q, b, u2, u2);
    tline l;
    l.vertex[0] = v;
    l.vertex[1] = p;
    l.uv[0] = b;
    l.uv[1] = u2;
    LineSegments.push_back(l);
    WeldUVs(1e-8);
    ASSERT_EQ(SceneUVs.size(), 2u);
    EXPECT_EQ(LineSegments[0].uv[0], 1);
    EXPECT_EQ(LineSegments[0].uv[1], 2);
}

TEST(UVTableTest, WithoutUVsIsEmptiedNotLeftStale) {
    fixtures::ResetModel();
    fixtures::AddQuad();
    BuildUVFaceTable();
    EXPECT_EQ(UVFaceTable.Count(1), 2);
    for (tface& f : SceneFaces) f.uv[0] = f.uv[1] = f.uv[2] = 0;
    SceneUVs.clear();
    TopologyChanged();
    BuildUVFaceTable();
    EXPECT_TRUE(IsTableCurrent(UVFaceTable));
    EXPECT_EQ(UVFaceTable.Count(1), 0);
    EXPECT_TRUE(UVFaceTable.faces.empty());
    fixtures::ResetModel();
}

}  // namespace
