#include "model/Weld.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

#include "model/Connectivity.h"
#include "model/MeshProgress.h"
#include "model/Model.h"
#include "model/NearPoints.h"
#include "model/VectorMath.h"

namespace {

// Distances from the centre are turned into integer keys on this scale of the
// bounding-box diagonal; the keys decide the order in which vertices are met.
constexpr double WeldKeyScale = 2000000000.0;

bool IsFinite(const tvector& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

void CheckVertexIndex(int32_t index, int32_t count, bool zeroAllowed) {
    if ((index == 0 && zeroAllowed) || (index >= 1 && index <= count)) return;
    ThrowIndexError("SceneVertices", index, static_cast<std::size_t>(count));
}

void CheckUVIndex(int32_t index, int32_t count) {
    if (index <= 0 || index <= count) return;  // 0 and below mean "no UV"
    ThrowIndexError("SceneUVs", index, static_cast<std::size_t>(count));
}

// Open-addressing map from a cell key to the newest vertex put in that cell;
// the vertices of a cell chain through `next`, newest first. Most lookups are
// of empty cells: a bit per hash value answers those without a probe.
class CellMap {
public:
    explicit CellMap(std::size_t expected) {
        // The table grows with the cells in use; the filter is sized once.
        Resize(64);
        int bits = 10;
        while (bits < 25 && (std::size_t{1} << bits) < 4 * expected) ++bits;
        filterShift_ = 64 - bits;
        filter_.assign((std::size_t{1} << bits) / 64, 0);
    }

    int32_t Head(uint64_t key) const {
        const uint64_t bit = key >> filterShift_;
        if (!(filter_[bit >> 6] & (uint64_t{1} << (bit & 63)))) return -1;
        for (std::size_t i = key & mask_;; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.head < 0) return -1;
            if (s.key == key) return s.head;
        }
    }

    void Push(uint64_t key, int32_t item, std::vector<int32_t>& next) {
        if (2 * (used_ + 1) > slots_.size()) Resize(2 * slots_.size());
        const uint64_t bit = key >> filterShift_;
        filter_[bit >> 6] |= uint64_t{1} << (bit & 63);
        Slot& s = Find(key);
        if (s.head < 0) ++used_;
        s.key = key;
        next[item] = s.head;
        s.head = item;
    }

private:
    struct Slot {
        uint64_t key = 0;
        int32_t head = -1;
    };

    Slot& Find(uint64_t key) {
        std::size_t i = key & mask_;
        while (slots_[i].head >= 0 && slots_[i].key != key) i = (i + 1) & mask_;
        return slots_[i];
    }

    void Resize(std::size_t capacity) {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        mask_ = capacity - 1;
        for (const Slot& s : old)
            if (s.head >= 0) Find(s.key) = s;
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t used_ = 0;
    int filterShift_ = 54;
    std::vector<uint64_t> filter_;
};

// Uniform grid over the vertices' bounding box. A cell is a hair more than
// twice the tolerance wide, so that the points within the tolerance of a
// point lie in its own cell or in the neighbour on the side of the cell's
// half it lies in: eight cells in all, despite rounding. Cells are never
// smaller than 2^-30 of the box so that their indices stay small and exact.
class WeldGrid {
public:
    WeldGrid(const tvector& lo, const tvector& hi, double tolerance) : lo_(lo) {
        // Halved coordinates: the differences below can never overflow.
        const double extent =
            std::max({hi.x * 0.5 - lo.x * 0.5, hi.y * 0.5 - lo.y * 0.5, hi.z * 0.5 - lo.z * 0.5});
        double cell = tolerance * (1.0 + 1e-5);
        cell = std::max(cell, extent * std::ldexp(1.0, -30));
        if (!(cell > 0)) cell = 1.0;  // every point is the same point
        cell_ = cell;
    }

    // The point's cell and, per axis, the side (-1 or +1) of its neighbour.
    void CellOf(const tvector& p, int64_t c[3], int64_t side[3]) const {
        Index(p.x, lo_.x, c[0], side[0]);
        Index(p.y, lo_.y, c[1], side[1]);
        Index(p.z, lo_.z, c[2], side[2]);
    }

private:
    void Index(double v, double lo, int64_t& cell, int64_t& side) const {
        const double q = (v * 0.5 - lo * 0.5) / cell_;
        const double f = std::floor(q);
        cell = f > 0 ? static_cast<int64_t>(std::min(f, 4.0e18)) : 0;
        side = (q - f) < 0.5 ? -1 : 1;
    }

    tvector lo_;
    double cell_ = 1.0;
};

}  // namespace

void WeldVertices(double tolerance) {
    // Everything the recount and the tables read afterwards is checked
    // before the model changes.
    const int32_t n = static_cast<int32_t>(SceneVertices.size());
    const int32_t uvCount = static_cast<int32_t>(SceneUVs.size());
    for (const tface& f : SceneFaces) {
        for (int c = 0; c < 3; ++c) {
            CheckVertexIndex(f.vertex[c], n, false);
            CheckUVIndex(f.uv[c], uvCount);
        }
        At(SceneGroups, f.group, "SceneGroups");
        At(SceneMaterials, f.material, "SceneMaterials");
    }
    for (const tline& l : LineSegments) {
        for (int c = 0; c < 2; ++c) CheckVertexIndex(l.vertex[c], n, true);
        At(SceneGroups, l.group, "SceneGroups");
        At(SceneMaterials, l.material, "SceneMaterials");
    }

    // The welding's own bounding box over every vertex (finite ones), so that
    // hidden or just-moved geometry is welded as well.
    constexpr double inf = std::numeric_limits<double>::infinity();
    tvector lo{inf, inf, inf}, hi{-inf, -inf, -inf};
    bool anyFinite = false;
    for (const tvertex& v : SceneVertices) {
        if (!IsFinite(v.p)) continue;
        anyFinite = true;
        lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
        hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    if (!anyFinite) lo = hi = ZeroVector;
    const tvector centre = AddVectors(ScaleVector(lo, 0.5), ScaleVector(hi, 0.5));
    const double diagonal = VectorLength(SubtractVectors(hi, lo));

    // Key: the distance from the centre on the diagonal's scale; -1 (never
    // merged) for a vertex outside the range or with a coordinate that is
    // not finite. Vertices are met in (key, index) order.
    std::vector<std::pair<int64_t, int32_t>> order(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const tvector& p = SceneVertices[i].p;
        int64_t key = -1;
        if (IsFinite(p)) {
            if (diagonal > 0) {
                const double ratio = VectorLength(SubtractVectors(p, centre)) / diagonal;
                if (ratio <= 1.0) key = Round(ratio * WeldKeyScale);
            } else {
                key = 0;
            }
        }
        order[i] = {key, i};
    }
    std::sort(order.begin(), order.end());

    // Sweep: a vertex that no earlier kept vertex lies within the tolerance of
    // is kept; otherwise it goes to the LAST kept vertex met before it that is
    // within the tolerance (each kept vertex claims every later vertex in
    // reach, a later claim replacing an earlier one). Only kept vertices are
    // put in the grid, so a lookup sees a bounded number of them.
    std::vector<int32_t> target(static_cast<std::size_t>(n));
    std::iota(target.begin(), target.end(), 0);
    const bool canMerge = tolerance >= 0;  // also false for NaN
    if (canMerge && n > 1) {
        WeldGrid grid(lo, hi, tolerance);
        CellMap cells(static_cast<std::size_t>(n));
        std::vector<int32_t> next(static_cast<std::size_t>(n), -1);
        std::vector<int32_t> position(static_cast<std::size_t>(n), -1);
        MeshProgress progress(n);
        for (int32_t s = 0; s < n; ++s) {
            progress.Tick(s);
            if (order[s].first < 0) continue;
            const int32_t b = order[s].second;
            const tvector& pb = SceneVertices[b].p;
            int64_t cell[3], side[3];
            grid.CellOf(pb, cell, side);
            int32_t best = -1;
            for (int corner = 0; corner < 8; ++corner) {
                const uint64_t key = CellKey(cell[0] + ((corner & 1) ? side[0] : 0),
                                             cell[1] + ((corner & 2) ? side[1] : 0),
                                             cell[2] + ((corner & 4) ? side[2] : 0));
                // A cell's chain runs newest first: its first match is its
                // latest kept vertex in reach.
                for (int32_t a = cells.Head(key); a >= 0; a = next[a]) {
                    if (best >= 0 && position[a] <= position[best]) break;
                    if (VectorLength(SubtractVectors(SceneVertices[a].p, pb)) <= tolerance) {
                        best = a;
                        break;
                    }
                }
            }
            if (best >= 0) {
                target[b] = best;
            } else {
                position[b] = s;
                cells.Push(CellKey(cell[0], cell[1], cell[2]), b, next);
            }
        }
    }

    // Kept vertices in their old order.
    std::vector<int32_t> newIndex(static_cast<std::size_t>(n), -1);
    std::vector<tvertex> kept;
    kept.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        if (target[i] == i) {
            newIndex[i] = static_cast<int32_t>(kept.size());
            kept.push_back(SceneVertices[i]);
        }
    auto renumber = [&](int32_t old) { return newIndex[target[old - 1]] + 1; };
    auto collapses = [&](const tface& f) {
        const int32_t a = renumber(f.vertex[0]), b = renumber(f.vertex[1]), c = renumber(f.vertex[2]);
        return a == b || b == c || a == c;
    };

    // The faces that stay and their corners with a UV are counted first, so
    // that the tables have their room before the model changes: from here on
    // nothing allocates.
    std::size_t keptFaces = 0, uvCorners = 0;
    for (const tface& f : SceneFaces) {
        if (collapses(f)) continue;
        ++keptFaces;
        for (int c = 0; c < 3; ++c) uvCorners += f.uv[c] >= 1 ? 1 : 0;
    }
    ReserveFaceTable(VertexFaceTable, kept.size(), 3 * keptFaces);
    ReserveFaceTable(MaterialFaceTable, SceneMaterials.size(), keptFaces);
    ReserveFaceTable(UVFaceTable, SceneUVs.size(), uvCorners);

    // Faces that no longer have three different corners are dropped.
    std::size_t out = 0;
    for (std::size_t i = 0; i < SceneFaces.size(); ++i) {
        tface f = SceneFaces[i];
        if (collapses(f)) continue;
        for (int c = 0; c < 3; ++c) f.vertex[c] = renumber(f.vertex[c]);
        SceneFaces[out++] = f;
    }
    SceneFaces.resize(out);
    for (tline& l : LineSegments)
        for (int c = 0; c < 2; ++c)
            if (l.vertex[c] != 0) l.vertex[c] = renumber(l.vertex[c]);
    SceneVertices.swap(kept);

    TopologyChanged();
    CountFacesPerGroupAndMaterial();
    BuildVertexFaceTable();
    BuildMaterialFaceTable();
    BuildUVFaceTable();
}

namespace {

// Disjoint sets over the UVs, with path halving.
class DisjointSets {
public:
    explicit DisjointSets(int32_t n) : parent_(static_cast<std::size_t>(n)) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int32_t Find(int32_t x) {
        while (parent_[x] != x) {
            parent_[x] = parent_[parent_[x]];
            x = parent_[x];
        }
        return x;
    }
    void Unite(int32_t a, int32_t b) {
        a = Find(a);
        b = Find(b);
        if (a != b) parent_[a] = b;
    }

private:
    std::vector<int32_t> parent_;
};

}  // namespace

namespace {

// True when some vertex has two different UVs (at its corners) within the
// tolerance of each other: only then does the weld change anything. Most
// vertices have one UV at all their corners, which one pass over the faces
// finds; only the corners of the others are gathered and looked at closely.
// No face table is needed: a model with nothing to weld is spared them.
bool AnyCloseUVsAtOneVertex(double tolerance) {
    const std::size_t vertexCount = SceneVertices.size();
    std::vector<int32_t> firstUV(vertexCount + 1, 0);  // -1: several UVs
    bool several = false;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            const int32_t v = f.vertex[c], t = f.uv[c];
            if (t < 1 || v < 1 || static_cast<std::size_t>(v) > vertexCount) continue;
            int32_t& first = firstUV[static_cast<std::size_t>(v)];
            if (first == 0) {
                first = t;
            } else if (first != t && first > 0) {
                first = -1;
                several = true;
            }
        }
    if (!several) return false;
    // The distinct UVs of each vertex with several, vertex by vertex.
    std::vector<std::pair<int32_t, int32_t>> corners;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            const int32_t v = f.vertex[c], t = f.uv[c];
            if (t >= 1 && v >= 1 && static_cast<std::size_t>(v) <= vertexCount &&
                firstUV[static_cast<std::size_t>(v)] < 0)
                corners.emplace_back(v, t);
        }
    std::sort(corners.begin(), corners.end());
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    std::vector<tvector2> uvs;
    for (std::size_t first = 0; first < corners.size();) {
        std::size_t end = first + 1;
        while (end < corners.size() && corners[end].first == corners[first].first) ++end;
        uvs.clear();
        for (std::size_t i = first; i < end; ++i) {
            const tuv& t = SceneUVs[static_cast<std::size_t>(corners[i].second) - 1];
            uvs.push_back({t.u, t.v});
        }
        if (AnyTwoWithin(uvs, tolerance)) return true;
        first = end;
    }
    return false;
}

}  // namespace

void WeldUVs(double tolerance, tuvundo* replaced) {
    const int32_t n = static_cast<int32_t>(SceneUVs.size());
    if (n == 0) return;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) CheckUVIndex(f.uv[c], n);
    for (const tline& l : LineSegments)
        for (int c = 0; c < 2; ++c) CheckUVIndex(l.uv[c], n);

    if (!AnyCloseUVsAtOneVertex(tolerance)) return;  // nothing would change
    EnsureUVFaceTable();
    EnsureVertexFaceTable();

    // Around each vertex, each UV goes to the last later UV of the vertex's
    // list that is close (which may be itself again). The time of each
    // assignment is kept to settle cycles below.
    std::vector<int32_t> target(static_cast<std::size_t>(n));
    std::iota(target.begin(), target.end(), 0);
    std::vector<int64_t> when(static_cast<std::size_t>(n), 0);
    int64_t clock = 0;
    std::vector<int32_t> list;
    const int32_t vertexCount = static_cast<int32_t>(SceneVertices.size());
    MeshProgress progress(vertexCount);
    for (int32_t v = 0; v < vertexCount; ++v) {
        progress.Tick(v);
        CollectVertexUVs(v, list);
        const std::size_t count = list.size();
        for (std::size_t i = 0; i + 1 < count; ++i) {
            const tuv& a = SceneUVs[list[i]];
            for (std::size_t j = i + 1; j < count; ++j) {
                const tuv& b = SceneUVs[list[j]];
                if (std::fabs(a.u - b.u) < tolerance && std::fabs(a.v - b.v) < tolerance) {
                    target[list[i]] = list[j];
                    when[list[i]] = ++clock;
                }
            }
        }
    }

    // Every UV follows its targets to one kept UV. The targets form chains
    // that end either on a UV that targets itself (that UV is kept) or in a
    // cycle; of a cycle, the UV that the latest assignment in it went into
    // is kept, so no UV is left without a kept one.
    DisjointSets sets(n);
    for (int32_t x = 0; x < n; ++x)
        if (target[x] != x) sets.Unite(x, target[x]);
    std::vector<int32_t> keptOfSet(static_cast<std::size_t>(n), -1);
    for (int32_t x = 0; x < n; ++x)
        if (target[x] == x) keptOfSet[sets.Find(x)] = x;
    std::vector<int32_t> walk(static_cast<std::size_t>(n), -1);
    for (int32_t x = 0; x < n; ++x) {
        const int32_t root = sets.Find(x);
        if (keptOfSet[root] >= 0) continue;
        int32_t y = x;
        while (walk[y] != x) {  // walk until a UV repeats: it lies on the cycle
            walk[y] = x;
            y = target[y];
        }
        int32_t latest = y;
        for (int32_t z = target[y]; z != y; z = target[z])
            if (when[z] > when[latest]) latest = z;
        keptOfSet[root] = target[latest];
    }

    std::vector<int32_t> newIndex(static_cast<std::size_t>(n), -1);
    std::vector<tuv> kept;
    kept.reserve(static_cast<std::size_t>(n));
    for (int32_t x = 0; x < n; ++x)
        if (keptOfSet[sets.Find(x)] == x) {
            newIndex[x] = static_cast<int32_t>(kept.size());
            kept.push_back(SceneUVs[x]);
        }
    std::vector<int32_t> corners;
    if (replaced) {
        corners.reserve(3 * SceneFaces.size() + 2 * LineSegments.size());
        for (const tface& f : SceneFaces) corners.insert(corners.end(), f.uv, f.uv + 3);
        for (const tline& l : LineSegments) corners.insert(corners.end(), l.uv, l.uv + 2);
    }
    auto renumber = [&](int32_t& uv) {
        if (uv >= 1) uv = newIndex[keptOfSet[sets.Find(uv - 1)]] + 1;
    };
    for (tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) renumber(f.uv[c]);
    for (tline& l : LineSegments)
        for (int c = 0; c < 2; ++c) renumber(l.uv[c]);
    SceneUVs.swap(kept);
    if (replaced) {
        replaced->uvs = std::move(kept);
        replaced->corners = std::move(corners);
    }

    // Faces and vertices are unchanged: the tables over them stay valid.
    const bool vertexTable = IsTableCurrent(VertexFaceTable);
    const bool materialTable = IsTableCurrent(MaterialFaceTable);
    TopologyChanged();
    if (vertexTable) VertexFaceTable.generation = TopologyGeneration;
    if (materialTable) MaterialFaceTable.generation = TopologyGeneration;
    BuildUVFaceTable();
}

bool RestoreWeldedUVs(tuvundo& replaced) {
    if (replaced.uvs.empty() || replaced.corners.size() != 3 * SceneFaces.size() + 2 * LineSegments.size())
        return false;
    const int32_t* old = replaced.corners.data();
    for (tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) f.uv[c] = *old++;
    for (tline& l : LineSegments)
        for (int c = 0; c < 2; ++c) l.uv[c] = *old++;
    SceneUVs.swap(replaced.uvs);
    replaced.uvs.clear();
    replaced.corners.clear();
    TopologyChanged();
    return true;
}
