#include "model/Subdivide.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/Connectivity.h"
#include "model/MeshProgress.h"
#include "model/Model.h"
#include "model/ModelUndo.h"
#include "model/StatusLog.h"
#include "model/VectorMath.h"

bool SubdivisionMaterialSwitch = false;

namespace {

// The neighbour walk of a vertex stops after this many edges.
constexpr std::size_t MaxNeighbours = 4000;

// Each face enters its edges (1,2), (2,3), (3,1), each in both directions.
// An insertion is coded face * 6 + k; k runs over these corner pairs.
constexpr int PairFrom[6] = {0, 1, 1, 2, 2, 0};
constexpr int PairTo[6] = {1, 0, 2, 1, 0, 2};

// Where the entries of one build ended up, so that a face finds its edges
// and an edge its reverse without searching.
struct EdgeIndex {
    std::vector<int32_t> offsets;  // flat number of each key's first entry
    std::vector<int32_t> codePos;  // per insertion: its entry's place in its key's list, -1 none
    std::vector<int32_t> twin;     // per flat entry: the place of the reverse entry in the other list
};

// An entry keeps the faces using both its ends: face1 the highest face
// index, face2 the lowest other one (-1 while there is only one).
void AddEdgeFace(tedge& e, int32_t face) {
    if (e.face1 < 0) {
        e.face1 = face;
        return;
    }
    if (face == e.face1) return;
    const int32_t low = e.face2 < 0 ? e.face1 : e.face2;
    const int32_t high = e.face1;
    e.face1 = std::max(high, face);
    e.face2 = std::min(low, face);
}

int32_t VertexKey(const tface& f, int c) { return f.vertex[c] - 1; }
int32_t UVKey(const tface& f, int c) { return f.uv[c] >= 1 ? f.uv[c] - 1 : -1; }
bool FaceHasUVs(const tface& f) { return f.uv[0] >= 1 && f.uv[1] >= 1 && f.uv[2] >= 1; }

// Faces with indices outside their lists raise an error before anything
// is built or changed.
void CheckFaces() {
    const int32_t vertexCount = static_cast<int32_t>(SceneVertices.size());
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    if (SceneFaces.size() > UINT32_MAX / 6) throw ModelError("Too many faces for subdivision");
    for (const tface& f : SceneFaces) {
        for (int c = 0; c < 3; ++c) {
            if (f.vertex[c] < 1 || f.vertex[c] > vertexCount)
                ThrowIndexError("SceneVertices", f.vertex[c], static_cast<std::size_t>(vertexCount));
            if (f.uv[c] > uvCount) ThrowIndexError("SceneUVs", f.uv[c], static_cast<std::size_t>(uvCount));
        }
        (void)IsFaceSelected(f);  // checks the group and the material
    }
}

// Builds `table` over `keyCount` keys from the faces that `include` accepts:
// per key the distinct other ends in the order first met, newest first, with
// the flags OR-ed over the faces and the faces that use the edge.
template <typename KeyOf, typename Include>
void BuildEdges(tedgetable& table, int32_t keyCount, KeyOf keyOf, Include include, EdgeIndex* index) {
    const uint32_t faceCount = static_cast<uint32_t>(SceneFaces.size());
    table.edges.clear();
    table.edges.resize(static_cast<std::size_t>(keyCount));

    // Insertions grouped by their first end, in face order.
    std::vector<int32_t> start(static_cast<std::size_t>(keyCount) + 1, 0);
    for (uint32_t f = 0; f < faceCount; ++f) {
        const tface& face = SceneFaces[f];
        if (!include(face)) continue;
        for (int k = 0; k < 6; ++k) {
            const int32_t a = keyOf(face, PairFrom[k]);
            if (a != keyOf(face, PairTo[k])) ++start[a + 1];
        }
    }
    for (int32_t a = 0; a < keyCount; ++a) start[a + 1] += start[a];
    std::vector<uint32_t> codes(static_cast<std::size_t>(start[keyCount]));
    {
        std::vector<int32_t> fill(start.begin(), start.end() - 1);
        for (uint32_t f = 0; f < faceCount; ++f) {
            const tface& face = SceneFaces[f];
            if (!include(face)) continue;
            for (int k = 0; k < 6; ++k) {
                const int32_t a = keyOf(face, PairFrom[k]);
                if (a != keyOf(face, PairTo[k])) codes[fill[a]++] = f * 6 + static_cast<uint32_t>(k);
            }
        }
    }

    if (index) {
        index->codePos.assign(static_cast<std::size_t>(faceCount) * 6, -1);
        index->offsets.assign(static_cast<std::size_t>(keyCount) + 1, 0);
    }
    std::vector<int32_t> seenBy(static_cast<std::size_t>(keyCount), -1);
    std::vector<int32_t> place(static_cast<std::size_t>(keyCount), 0);
    std::vector<tedge> run;
    for (int32_t a = 0; a < keyCount; ++a) {
        run.clear();
        for (int32_t i = start[a]; i < start[a + 1]; ++i) {
            const uint32_t f = codes[i] / 6;
            const tface& face = SceneFaces[f];
            const int32_t b = keyOf(face, PairTo[codes[i] % 6]);
            if (seenBy[b] != a) {
                seenBy[b] = a;
                place[b] = static_cast<int32_t>(run.size());
                tedge e;
                e.other = b;
                run.push_back(e);
            }
            tedge& e = run[place[b]];
            if (IsFaceSelected(face)) e.selected = 1;
            if (face.mark != 0) e.mark = 1;
            AddEdgeFace(e, static_cast<int32_t>(f));
        }
        const int32_t size = static_cast<int32_t>(run.size());
        if (index) {
            for (int32_t i = start[a]; i < start[a + 1]; ++i) {
                const int32_t b = keyOf(SceneFaces[codes[i] / 6], PairTo[codes[i] % 6]);
                index->codePos[codes[i]] = size - 1 - place[b];
            }
            index->offsets[a + 1] = index->offsets[a] + size;
        }
        table.edges[a].assign(run.rbegin(), run.rend());
    }

    if (index) {
        index->twin.assign(static_cast<std::size_t>(index->offsets[keyCount]), -1);
        for (int32_t a = 0; a < keyCount; ++a)
            for (int32_t i = start[a]; i < start[a + 1]; ++i)
                index->twin[index->offsets[a] + index->codePos[codes[i]]] = index->codePos[codes[i] ^ 1u];
    }
}

tedge* FindEntry(tedgetable& table, int32_t a, int32_t b) {
    if (a < 0 || a >= static_cast<int32_t>(table.edges.size())) return nullptr;
    for (tedge& e : table.edges[a])
        if (e.other == b) return &e;
    return nullptr;
}

void BuildVertexEdges(EdgeIndex* index) {
    BuildEdges(VertexEdgeTable, static_cast<int32_t>(SceneVertices.size()), VertexKey,
               [](const tface&) { return true; }, index);
}

void BuildUVEdges(EdgeIndex* index) {
    BuildEdges(UVEdgeTable, static_cast<int32_t>(SceneUVs.size()), UVKey, FaceHasUVs, index);
    // Faces with UVs in only some corners make no edges, but they still use
    // both ends of an edge of the table and so count among its faces. What
    // an entry's faces come to does not depend on the order they are added
    // in, so the uses are taken key by key, each key's entries found by
    // their other ends: a UV of many edges is not searched once per use.
    struct tuse {
        int32_t a, b, face;
    };
    std::vector<tuse> uses;
    for (uint32_t f = 0; f < SceneFaces.size(); ++f) {
        const tface& face = SceneFaces[f];
        if (FaceHasUVs(face)) continue;
        for (int c = 0; c < 3; ++c)
            for (int d = 0; d < 3; ++d) {
                const int32_t a = UVKey(face, c), b = UVKey(face, d);
                if (c == d || a < 0 || b < 0 || a == b) continue;
                uses.push_back({a, b, static_cast<int32_t>(f)});
            }
    }
    if (uses.empty()) return;
    std::sort(uses.begin(), uses.end(), [](const tuse& x, const tuse& y) { return x.a < y.a; });
    std::vector<int32_t> place(UVEdgeTable.edges.size(), -1);
    for (std::size_t i = 0; i < uses.size();) {
        std::vector<tedge>& list = UVEdgeTable.edges[uses[i].a];
        for (std::size_t k = 0; k < list.size(); ++k) place[list[k].other] = static_cast<int32_t>(k);
        std::size_t end = i;
        for (; end < uses.size() && uses[end].a == uses[i].a; ++end)
            if (place[uses[end].b] >= 0) AddEdgeFace(list[place[uses[end].b]], uses[end].face);
        for (const tedge& e : list) place[e.other] = -1;
        i = end;
    }
}

// The corner of the face that is neither a nor b, -1 when there is none.
template <typename KeyOf>
int32_t ThirdKey(const tface& f, int32_t a, int32_t b, KeyOf keyOf) {
    for (int c = 0; c < 3; ++c) {
        const int32_t k = keyOf(f, c);
        if (k != a && k != b) return k;
    }
    return -1;
}

// The face tests of a border: fewer than two faces, not both chosen by
// material and group, exactly one marked, or (when asked) two materials.
bool FacesMakeBorder(const tedge& e, bool byMaterial) {
    if (e.face1 < 0 || e.face2 < 0) return true;
    const tface& f1 = SceneFaces[e.face1];
    const tface& f2 = SceneFaces[e.face2];
    if (!IsFaceSelected(f1) || !IsFaceSelected(f2)) return true;
    if ((f1.mark != 0) != (f2.mark != 0)) return true;
    return byMaterial && f1.material != f2.material;
}

bool EntryIsBorder(const tedge& e) { return FacesMakeBorder(e, SubdivisionMaterialSwitch); }

bool EntryIsUVBorder(int32_t a, const tedge& e) {
    if (e.face1 < 0 || e.face2 < 0) return true;
    if (ThirdKey(SceneFaces[e.face1], a, e.other, UVKey) < 0 || ThirdKey(SceneFaces[e.face2], a, e.other, UVKey) < 0)
        return true;
    return FacesMakeBorder(e, false);
}

bool EntryIsSplitNormal(int32_t a, const tedge& e) {
    if (e.face1 < 0 || e.face2 < 0) return true;
    const tface& f1 = SceneFaces[e.face1];
    const tface& f2 = SceneFaces[e.face2];
    auto normalAt = [](const tface& f, int32_t vertex) {
        const int c = FindFaceCorner(vertex + 1, f);
        return c >= 1 ? f.normal[c - 1] : 0;
    };
    return normalAt(f1, a) != normalAt(f2, a) && normalAt(f1, e.other) != normalAt(f2, e.other);
}

tvector Pos(int32_t v) { return SceneVertices[v].p; }
tvector2 UVPos(int32_t t) { return {SceneUVs[t].u, SceneUVs[t].v}; }

// Loop's weight: a = 0.625 - (3 + 2 cos(2 pi / n))^2 / 64, and the point
// (k v + sum) / (n + k) with k = n (1 - a) / a, that is (1 - a) v + a/n sum.
double LoopK(std::size_t n, double& total) {
    const double c = 3.0 + 2.0 * std::cos(2.0 * Pi / static_cast<double>(n));
    const double a = 0.625 - c * c / 64.0;
    const double k = static_cast<double>(n) * (1.0 - a) / a;
    total = static_cast<double>(n) + k;
    return k;
}

tvector LoopVertexRule(int32_t v, bool smoothCreases, bool hardNormalEdges) {
    const std::vector<tedge>& list = VertexEdgeTable.edges[v];
    const std::size_t n = std::min(list.size(), MaxNeighbours);
    const tvector p = Pos(v);
    if (n == 0) return p;
    int creases = 0;
    int32_t c1 = -1, c2 = -1;
    tvector sum{0, 0, 0};
    for (std::size_t i = 0; i < n; ++i) {
        const tedge& e = list[i];
        sum = AddVectors(sum, Pos(e.other));
        if (EntryIsBorder(e) || (hardNormalEdges && EntryIsSplitNormal(v, e))) {
            if (creases == 0) c1 = e.other;
            if (creases == 1) c2 = e.other;
            ++creases;
        }
    }
    if (creases > 2) return p;
    if (creases == 2)
        return smoothCreases ? ScaleVector(AddVectors(AddVectors(ScaleVector(p, 6), Pos(c1)), Pos(c2)), 0.125) : p;
    double total = 0;
    const double k = LoopK(n, total);
    return ScaleVector(AddVectors(ScaleVector(p, k), sum), 1.0 / total);
}

tvector2 LoopUVRule(int32_t t, bool smoothCreases) {
    const std::vector<tedge>& list = UVEdgeTable.edges[t];
    const std::size_t n = std::min(list.size(), MaxNeighbours);
    const tvector2 p = UVPos(t);
    if (n == 0) return p;
    int creases = 0;
    int32_t c1 = -1, c2 = -1;
    tvector2 sum{0, 0};
    for (std::size_t i = 0; i < n; ++i) {
        const tedge& e = list[i];
        sum = AddVectors2(sum, UVPos(e.other));
        if (EntryIsUVBorder(t, e)) {
            if (creases == 0) c1 = e.other;
            if (creases == 1) c2 = e.other;
            ++creases;
        }
    }
    if (creases > 2) return p;
    if (creases == 2)
        return smoothCreases ? ScaleVector2(AddVectors2(AddVectors2(ScaleVector2(p, 6), UVPos(c1)), UVPos(c2)), 0.125)
                             : p;
    double total = 0;
    const double k = LoopK(n, total);
    return ScaleVector2(AddVectors2(ScaleVector2(p, k), sum), 1.0 / total);
}

tvector Midpoint(int32_t a, int32_t b) { return ScaleVector(AddVectors(Pos(a), Pos(b)), 0.5); }
tvector2 UVMid(int32_t a, int32_t b) { return ScaleVector2(AddVectors2(UVPos(a), UVPos(b)), 0.5); }

tvector LoopEdgeRule(int32_t a, const tedge& e, bool hardNormalEdges) {
    if (EntryIsBorder(e) || (hardNormalEdges && EntryIsSplitNormal(a, e))) return Midpoint(a, e.other);
    const int32_t c = ThirdKey(SceneFaces[e.face1], a, e.other, VertexKey);
    const int32_t d = ThirdKey(SceneFaces[e.face2], a, e.other, VertexKey);
    // A face without a third corner gives no opposite point: the edge is
    // treated as a border instead of pulling towards the origin.
    if (c < 0 || d < 0) return Midpoint(a, e.other);
    const tvector s = AddVectors(AddVectors(ScaleVector(Pos(a), 3), ScaleVector(Pos(e.other), 3)), Pos(c));
    return ScaleVector(AddVectors(s, Pos(d)), 0.125);
}

tvector2 LoopUVEdgeRule(int32_t a, const tedge& e) {
    if (EntryIsUVBorder(a, e)) return UVMid(a, e.other);
    const int32_t c = ThirdKey(SceneFaces[e.face1], a, e.other, UVKey);
    const int32_t d = ThirdKey(SceneFaces[e.face2], a, e.other, UVKey);
    const tvector2 s = AddVectors2(AddVectors2(ScaleVector2(UVPos(a), 3), ScaleVector2(UVPos(e.other), 3)), UVPos(c));
    return ScaleVector2(AddVectors2(s, UVPos(d)), 0.125);
}

// Per vertex (UV): some face using it is selected / is marked.
void UsageFlags(bool uvs, std::vector<uint8_t>& selected, std::vector<uint8_t>& marked) {
    const std::size_t n = uvs ? SceneUVs.size() : SceneVertices.size();
    selected.assign(n, 0);
    marked.assign(n, 0);
    for (const tface& f : SceneFaces) {
        const bool sel = IsFaceSelected(f);
        for (int c = 0; c < 3; ++c) {
            const int32_t k = uvs ? UVKey(f, c) : VertexKey(f, c);
            if (k < 0) continue;
            if (sel) selected[k] = 1;
            if (f.mark != 0) marked[k] = 1;
        }
    }
}

bool EdgeWanted(const tedge& e, bool markedOnly) { return e.newIndex == -1 && e.selected && (!markedOnly || e.mark); }

// Gives the edge entry and its reverse the new index.
void SetEdgeValue(tedgetable& table, const EdgeIndex& index, int32_t a, std::size_t place, int32_t value) {
    tedge& e = table.edges[a][place];
    e.newIndex = value;
    tedge& r = table.edges[e.other][index.twin[index.offsets[a] + static_cast<int32_t>(place)]];
    r.newIndex = value;
    r.selected |= e.selected;
    r.mark |= e.mark;
}

// The edge tables live for one step, and are freed however it ends.
struct EdgeTablesScope {
    EdgeTablesScope() = default;
    EdgeTablesScope(const EdgeTablesScope&) = delete;
    EdgeTablesScope& operator=(const EdgeTablesScope&) = delete;
    ~EdgeTablesScope() {
        FreeVertexEdgeTable();
        FreeUVEdgeTable();
    }
};

void Subdivide(bool smooth, bool smoothVertexCreases, bool smoothUVCreases, bool hardNormalEdges, bool markedOnly,
               tmodelundo* undo) {
    LogMessage(smooth ? "Subdivision -> Creating edge arrays..." : "Subdivision -> Creating edge array...");
    CheckFaces();
    const EdgeTablesScope edgeTables;
    EdgeIndex vertexIndex, uvIndex;
    BuildVertexEdges(&vertexIndex);
    BuildUVEdges(&uvIndex);

    // All rules read the old lists; the results go to new ones.
    std::vector<tvertex> newVertices(SceneVertices);
    std::vector<tuv> newUVs(SceneUVs);
    const int32_t vertexCount = static_cast<int32_t>(SceneVertices.size());
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    if (smooth) {
        LogMessage("Subdivision -> modifying original mesh vertices...");
        std::vector<uint8_t> selected, marked;
        UsageFlags(false, selected, marked);
        MeshProgress progress(vertexCount);
        for (int32_t v = 0; v < vertexCount; ++v) {
            progress.Tick(v);
            if (selected[v] && (!markedOnly || marked[v]))
                newVertices[v].p = LoopVertexRule(v, smoothVertexCreases, hardNormalEdges);
        }
        if (uvCount > 0) {
            LogMessage("Subdivision -> modifying original uv coordinates...");
            UsageFlags(true, selected, marked);
            for (int32_t t = 0; t < uvCount; ++t)
                if (selected[t] && (!markedOnly || marked[t])) {
                    const tvector2 q = LoopUVRule(t, smoothUVCreases);
                    newUVs[t].u = q.a;
                    newUVs[t].v = q.b;
                }
        }
    }

    LogMessage("Subdivision -> Creating edge vertices...");
    newVertices.reserve(newVertices.size() + vertexIndex.twin.size() / 2);
    for (int32_t a = 0; a < vertexCount; ++a) {
        const std::vector<tedge>& list = VertexEdgeTable.edges[a];
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!EdgeWanted(list[i], markedOnly)) continue;
            tvertex nv;
            nv.p = smooth ? LoopEdgeRule(a, list[i], hardNormalEdges) : Midpoint(a, list[i].other);
            nv.mark = 0;
            SetEdgeValue(VertexEdgeTable, vertexIndex, a, i, static_cast<int32_t>(newVertices.size()));
            newVertices.push_back(nv);
        }
    }

    LogMessage("Subdivision -> Creating uv at edges...");
    for (int32_t a = 0; a < uvCount; ++a) {
        const std::vector<tedge>& list = UVEdgeTable.edges[a];
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!EdgeWanted(list[i], markedOnly)) continue;
            const tvector2 q = smooth ? LoopUVEdgeRule(a, list[i]) : UVMid(a, list[i].other);
            tuv nu;
            nu.u = q.a;
            nu.v = q.b;
            nu.mark = 0;
            SetEdgeValue(UVEdgeTable, uvIndex, a, i, static_cast<int32_t>(newUVs.size()));
            newUVs.push_back(nu);
        }
    }

    LogMessage(smooth ? "Subdivision -> Building new faces..." : "Subdivision -> Building faces...");
    const uint32_t faceCount = static_cast<uint32_t>(SceneFaces.size());
    std::vector<tface> newFaces;
    newFaces.reserve(static_cast<std::size_t>(faceCount) * 4);
    // The 1-based new vertex (UV) of the face's edge k (0: A-B, 2: B-C, 4: C-A);
    // a UV edge whose two ends are one UV keeps that UV.
    auto edgeVertex = [&](uint32_t f, int k) {
        const tface& face = SceneFaces[f];
        const int32_t a = VertexKey(face, PairFrom[k]);
        return VertexEdgeTable.edges[a][vertexIndex.codePos[f * 6 + k]].newIndex + 1;
    };
    auto edgeUV = [&](uint32_t f, int k) {
        const tface& face = SceneFaces[f];
        const int32_t a = UVKey(face, PairFrom[k]);
        if (a == UVKey(face, PairTo[k])) return a + 1;
        return UVEdgeTable.edges[a][uvIndex.codePos[f * 6 + k]].newIndex + 1;
    };
    MeshProgress progress(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
        progress.Tick(f);
        const tface& old = SceneFaces[f];
        const bool chosen = IsFaceSelected(old) && (!markedOnly || old.mark != 0);
        // A face without three different corners has no edges to split.
        const bool proper =
            old.vertex[0] != old.vertex[1] && old.vertex[1] != old.vertex[2] && old.vertex[2] != old.vertex[0];
        if (!chosen || !proper) {
            newFaces.push_back(old);
            continue;
        }
        const int32_t A = old.vertex[0], B = old.vertex[1], C = old.vertex[2];
        const int32_t mAB = edgeVertex(f, 0), mBC = edgeVertex(f, 2), mCA = edgeVertex(f, 4);
        int32_t tA = 0, tB = 0, tC = 0, uAB = 0, uBC = 0, uCA = 0;
        if (FaceHasUVs(old)) {
            tA = old.uv[0];
            tB = old.uv[1];
            tC = old.uv[2];
            uAB = edgeUV(f, 0);
            uBC = edgeUV(f, 2);
            uCA = edgeUV(f, 4);
        }
        auto add = [&](int32_t v1, int32_t v2, int32_t v3, int32_t t1, int32_t t2, int32_t t3) {
            tface nf = old;
            nf.vertex[0] = v1;
            nf.vertex[1] = v2;
            nf.vertex[2] = v3;
            nf.uv[0] = t1;
            nf.uv[1] = t2;
            nf.uv[2] = t3;
            nf.normal[0] = nf.normal[1] = nf.normal[2] = 0;
            newFaces.push_back(nf);
        };
        add(A, mAB, mCA, tA, uAB, uCA);
        add(mAB, B, mBC, uAB, tB, uBC);
        add(mCA, mBC, C, uCA, uBC, tC);
        add(mAB, mBC, mCA, uAB, uBC, uCA);
    }

    SceneVertices.swap(newVertices);
    SceneFaces.swap(newFaces);
    const bool newUVList = !newUVs.empty();
    if (newUVList) SceneUVs.swap(newUVs);
    if (undo) {
        tmodelundo::Take(undo->vertices, newVertices);
        tmodelundo::Take(undo->faces, newFaces);
        if (newUVList) tmodelundo::Take(undo->uvs, newUVs);
    }
    TopologyChanged();
}

}  // namespace

void BuildVertexEdgeTable() {
    CheckFaces();
    BuildVertexEdges(nullptr);
}

void BuildUVEdgeTable() {
    CheckFaces();
    BuildUVEdges(nullptr);
}

namespace {
void AddEdge(tedgetable& table, int32_t a, int32_t b, int32_t value, bool selected, bool mark) {
    if (a == b || a < 0) return;
    if (tedge* e = FindEntry(table, a, b)) {
        e->newIndex = value;
        e->selected |= selected ? 1 : 0;
        e->mark |= mark ? 1 : 0;
        return;
    }
    if (a >= static_cast<int32_t>(table.edges.size())) table.edges.resize(static_cast<std::size_t>(a) + 1);
    tedge e;
    e.other = b;
    e.newIndex = value;
    e.selected = selected ? 1 : 0;
    e.mark = mark ? 1 : 0;
    table.edges[a].insert(table.edges[a].begin(), e);
}
}  // namespace

void AddVertexEdge(int32_t a, int32_t b, int32_t value, bool selected, bool mark) {
    AddEdge(VertexEdgeTable, a, b, value, selected, mark);
}
void AddUVEdge(int32_t a, int32_t b, int32_t value, bool selected, bool mark) {
    AddEdge(UVEdgeTable, a, b, value, selected, mark);
}

int32_t FindVertexEdge(int32_t a, int32_t b) {
    const tedge* e = FindEntry(VertexEdgeTable, a, b);
    return e ? e->newIndex : -1;
}
int32_t FindUVEdge(int32_t a, int32_t b) {
    const tedge* e = FindEntry(UVEdgeTable, a, b);
    return e ? e->newIndex : -1;
}

bool IsBorderEdge(int32_t a, int32_t b) {
    const tedge* e = FindEntry(VertexEdgeTable, a, b);
    return !e || EntryIsBorder(*e);
}
bool IsUVBorderEdge(int32_t a, int32_t b) {
    const tedge* e = FindEntry(UVEdgeTable, a, b);
    return !e || EntryIsUVBorder(a, *e);
}
bool IsSplitNormalEdge(int32_t a, int32_t b) {
    const tedge* e = FindEntry(VertexEdgeTable, a, b);
    return !e || EntryIsSplitNormal(a, *e);
}

tvector LoopVertexPoint(int32_t vertex, bool smoothCreases, bool hardNormalEdges) {
    if (vertex < 0 || vertex >= static_cast<int32_t>(VertexEdgeTable.edges.size()))
        return At(SceneVertices, vertex, "SceneVertices").p;
    return LoopVertexRule(vertex, smoothCreases, hardNormalEdges);
}
tvector2 LoopUVPoint(int32_t uv, bool smoothCreases) {
    if (uv < 0 || uv >= static_cast<int32_t>(UVEdgeTable.edges.size())) {
        const tuv& t = At(SceneUVs, uv, "SceneUVs");
        return {t.u, t.v};
    }
    return LoopUVRule(uv, smoothCreases);
}
tvector LoopEdgePoint(int32_t a, int32_t b, bool hardNormalEdges) {
    const tedge* e = FindEntry(VertexEdgeTable, a, b);
    if (!e) return VertexMidpoint(a, b);
    return LoopEdgeRule(a, *e, hardNormalEdges);
}
tvector2 LoopUVEdgePoint(int32_t a, int32_t b) {
    const tedge* e = FindEntry(UVEdgeTable, a, b);
    if (!e) return UVMidpoint(a, b);
    return LoopUVEdgeRule(a, *e);
}
tvector VertexMidpoint(int32_t a, int32_t b) {
    return ScaleVector(AddVectors(At(SceneVertices, a, "SceneVertices").p, At(SceneVertices, b, "SceneVertices").p),
                       0.5);
}
tvector2 UVMidpoint(int32_t a, int32_t b) {
    const int32_t n = static_cast<int32_t>(SceneUVs.size());
    if (a < 0 || b < 0 || a >= n || b >= n) return {0, 0};
    return UVMid(a, b);
}

void SubdivideSmooth(bool smoothVertexCreases, bool smoothUVCreases, bool hardNormalEdges, bool markedOnly,
                     tmodelundo* undo) {
    Subdivide(true, smoothVertexCreases, smoothUVCreases, hardNormalEdges, markedOnly, undo);
}

void SubdivideFlat(bool markedOnly, bool /*unused*/, tmodelundo* undo) {
    Subdivide(false, false, false, false, markedOnly, undo);
}

void ClearVertexFlags() {
    for (tvertex& v : SceneVertices) v.mark = 0;
}
void ClearNormalFlags() {
    for (tnormal& n : SceneNormals) n.mark = 0;
}
