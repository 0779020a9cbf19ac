#include "model/Triangulate.h"


#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>

#include "model/Model.h"
#include "model/VectorMath.h"
#include "platform/GluTess.h"

namespace {

// ---- Shared geometry on a plain array of positions ---------------------

// Twice the vector area of the polygon.
tvector NewellSum(const tvector* p, int n) {
    tvector r{0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const tvector& a = p[i];
        const tvector& b = p[i + 1 < n ? i + 1 : 0];
        r.x += (a.y - b.y) * (a.z + b.z);
        r.y += (a.z - b.z) * (a.x + b.x);
        r.z += (a.x - b.x) * (a.y + b.y);
    }
    return r;
}

tvector NewellNormal(const tvector* p, int n) { return NormalizeVector(NewellSum(p, n)); }

// corner: 0-based
tvector CornerNormal(const tvector* p, int n, int corner) {
    const tvector& c = p[corner];
    const tvector& prev = p[corner == 0 ? n - 1 : corner - 1];
    const tvector& next = p[corner == n - 1 ? 0 : corner + 1];
    return NormalizeVector(CrossProduct(SubtractVectors(next, c), SubtractVectors(prev, c)));
}

double CornerAngle(const tvector* p, int n, int corner) {
    const tvector& c = p[corner];
    const tvector& prev = p[corner == 0 ? n - 1 : corner - 1];
    const tvector& next = p[corner == n - 1 ? 0 : corner + 1];
    return VectorAngle(SubtractVectors(next, c), SubtractVectors(prev, c));
}

// The corner B between A and C turns the way the polygon does. Written so
// that a NaN from an overflow counts as "does not".
bool PassesConvexTest(const tvector& a, const tvector& b, const tvector& c, const tvector& n) {
    const tvector turn =
        NormalizeVector(CrossProduct(NormalizeVector(SubtractVectors(b, a)), NormalizeVector(SubtractVectors(c, b))));
    return DotProduct(turn, n) > Epsilon;
}

// A candidate ear A, B, C with the parts of its barycentric weights that do
// not depend on the tested point worked out once.
struct EarTriangle {
    tvector c, e0, e1;
    double d00 = 0, d01 = 0, d11 = 0, den = 0;

    EarTriangle(const tvector& a, const tvector& b, const tvector& cc) : c(cc) {
        e0 = SubtractVectors(a, c);
        e1 = SubtractVectors(b, c);
        d00 = DotProduct(e0, e0);
        d01 = DotProduct(e0, e1);
        d11 = DotProduct(e1, e1);
        den = d00 * d11 - d01 * d01;
    }

    void Weights(const tvector& p, double w[3]) const {
        if (den == 0) {
            w[0] = 0.3, w[1] = 0.3, w[2] = 0.4;
            return;
        }
        const tvector e2 = SubtractVectors(p, c);
        const double d20 = DotProduct(e0, e2);
        const double d21 = DotProduct(e1, e2);
        const double wa = (d11 * d20 - d01 * d21) / den;
        const double wb = (d00 * d21 - d01 * d20) / den;
        const double wc = 1.0 - wa - wb;
        if (!std::isfinite(wa) || !std::isfinite(wb) || !std::isfinite(wc)) {
            w[0] = 0.3, w[1] = 0.3, w[2] = 0.4;
            return;
        }
        w[0] = wa, w[1] = wb, w[2] = wc;
    }

    // The point lies inside the candidate, or on one of its sides without
    // being one of its corners.
    bool Blocks(const tvector& p) const {
        double w[3];
        Weights(p, w);
        if (w[0] < 0 || w[1] < 0 || w[2] < 0) return false;
        if (w[0] > 0 && w[1] > 0 && w[2] > 0) return true;
        const int nearZero = (std::fabs(w[0]) < Epsilon) + (std::fabs(w[1]) < Epsilon) + (std::fabs(w[2]) < Epsilon);
        return nearZero % 2 == 1;
    }
};

void StoreTriangle(const tpolygon& poly, int a, int b, int c, tfacearray& out) {
    tfacetriangle t;
    const int k[3] = {a - 1, b - 1, c - 1};
    for (int i = 0; i < 3; ++i) {
        t.vertex[i] = poly.vertex[k[i]];
        t.normal[i] = poly.normal[k[i]];
        t.uv[i] = poly.uv[k[i]];
    }
    t.polygon = poly.polygon;
    t.group = poly.group;
    t.material = poly.material;
    out.push_back(t);
}

bool CornersValid(const tpolygon& poly, const std::vector<tvertex>& vertices) {
    const int64_t size = static_cast<int64_t>(vertices.size());
    for (int i = 0; i < poly.count; ++i)
        if (poly.vertex[i] < 1 || poly.vertex[i] > size) return false;
    return true;
}

// ---- Per-thread working storage -----------------------------------------

struct GLUTessDeleter {
    void operator()(GLUtesselator* t) const {
        if (t) GluTess()->deleteTess(t);
    }
};

struct Workspace {
    std::vector<tvector> pos;

    // GLU method
    std::unique_ptr<GLUtesselator, GLUTessDeleter> tess;
    std::vector<std::array<GLdouble, 3>> coords;  // sized before the first vertex is passed
    std::vector<int32_t> cornerNumbers;           // entry i holds i + 1
    ttessoutput emitted;
    std::vector<tindextriple> decoded;
    std::vector<std::array<double, 2>> projected;
    std::vector<std::array<double, 4>> sideBoxes;  // min u, max u, min v, max v
    std::vector<int32_t> sideOrder, activeSides;

    // Ear cutting
    std::vector<int32_t> prev, next;
    std::vector<uint8_t> alive, convex, state;
    std::vector<int32_t> witness, watchHead;
    std::vector<std::pair<int32_t, int32_t>> watchNodes;  // (vertex, next node)
    std::vector<int32_t> nonconvex, nonconvexPos;
    std::vector<int32_t> spikeChecks;
    std::vector<int32_t> sameNext, byPosition;
    std::vector<tindextriple> found;
};

Workspace& Work() {
    thread_local Workspace w;
    return w;
}

bool LoadPositions(Workspace& w, const tpolygon& poly, const std::vector<tvertex>& vertices) {
    const int n = poly.count;
    w.pos.resize(n);
    for (int i = 0; i < n; ++i) {
        const tvector& p = vertices[poly.vertex[i] - 1].p;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        w.pos[i] = p;
    }
    return true;
}

// ---- GLU tessellator callbacks (state passed as polygon data) -----------

void GLAPIENTRY TessBeginCallback(GLenum type, void* state) {
    auto* out = static_cast<ttessoutput*>(state);
    try {
        out->types.push_back(static_cast<int32_t>(type));
        out->ends.push_back(static_cast<int32_t>(out->corners.size()));
    } catch (...) {
        out->failed = true;
    }
}

void GLAPIENTRY TessVertexCallback(void* data, void* state) {
    auto* out = static_cast<ttessoutput*>(state);
    try {
        out->corners.push_back(data ? *static_cast<const int32_t*>(data) : 0);
    } catch (...) {
        out->failed = true;
    }
}

void GLAPIENTRY TessEndCallback(void* state) {
    auto* out = static_cast<ttessoutput*>(state);
    if (!out->ends.empty()) out->ends.back() = static_cast<int32_t>(out->corners.size());
}

void GLAPIENTRY TessErrorCallback(GLenum, void* state) { static_cast<ttessoutput*>(state)->failed = true; }

GLUtesselator* Tessellator(Workspace& w) {
    if (!w.tess) {
        // Without the library the polygon gets no triangles, as when the
        // tessellator cannot be made.
        const GluTessFunctions* glu = GluTess();
        if (!glu) return nullptr;
        w.tess.reset(glu->newTess());
        if (!w.tess) return nullptr;
        GLUtesselator* t = w.tess.get();
        glu->tessCallback(t, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&TessBeginCallback));
        glu->tessCallback(t, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&TessVertexCallback));
        glu->tessCallback(t, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&TessEndCallback));
        glu->tessCallback(t, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(&TessErrorCallback));
        w.cornerNumbers.resize(MaxPolygonCorners);
        for (int i = 0; i < MaxPolygonCorners; ++i) w.cornerNumbers[i] = i + 1;
    }
    return w.tess.get();
}

// Whether two sides of the outline clearly cross, seen along the longest
// axis of `normal` as the tessellator sees them. Such a polygon needs
// intersection vertices, which the tessellator may not make, so it gives
// nothing; but finding that out costs it a sweep over every crossing,
// seconds for a large polygon that crosses itself everywhere. Sides that
// only touch, or cross at an angle too small to be sure of, are left to the
// tessellator. A sweep along the first axis keeps this near linear for
// ordinary outlines.
bool SidesCross(Workspace& w, int n, const tvector& normal) {
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    int drop = ay > ax ? 1 : 0;
    if (az > (drop == 1 ? ay : ax)) drop = 2;
    auto& uv = w.projected;
    uv.resize(n);
    for (int i = 0; i < n; ++i) {
        const tvector& p = w.pos[i];
        uv[i] = drop == 0 ? std::array<double, 2>{p.y, p.z}
              : drop == 1 ? std::array<double, 2>{p.z, p.x}
                          : std::array<double, 2>{p.x, p.y};
    }
    auto& box = w.sideBoxes;
    box.resize(n);
    for (int e = 0; e < n; ++e) {
        const auto &a = uv[e], &b = uv[e + 1 < n ? e + 1 : 0];
        box[e] = {std::min(a[0], b[0]), std::max(a[0], b[0]), std::min(a[1], b[1]), std::max(a[1], b[1])};
    }
    auto orient = [](const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c) {
        return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    };
    auto clearCross = [&](int e, int f) {
        const auto &a = uv[e], &b = uv[e + 1 < n ? e + 1 : 0], &c = uv[f], &d = uv[f + 1 < n ? f + 1 : 0];
        const double ab2 = (b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]);
        const double cd2 = (d[0] - c[0]) * (d[0] - c[0]) + (d[1] - c[1]) * (d[1] - c[1]);
        const double tol = 1e-9 * std::sqrt(ab2 * cd2);
        if (!(tol > 0) || !std::isfinite(tol)) return false;
        const double o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
        return ((o1 > tol && o2 < -tol) || (o1 < -tol && o2 > tol)) &&
               ((o3 > tol && o4 < -tol) || (o3 < -tol && o4 > tol));
    };
    auto neighbours = [n](int e, int f) { return e + 1 == f || f + 1 == e || (e == 0 && f == n - 1) || (f == 0 && e == n - 1); };

    auto& order = w.sideOrder;
    order.resize(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return box[a][0] < box[b][0]; });
    auto& active = w.activeSides;
    active.clear();
    for (const int e : order) {
        const auto& be = box[e];
        size_t keep = 0;
        for (size_t k = 0; k < active.size(); ++k) {
            const int a = active[k];
            const auto& ba = box[a];
            if (ba[1] < be[0]) continue;  // ends before this side starts: done with it
            active[keep++] = a;
            if (ba[3] < be[2] || ba[2] > be[3] || neighbours(a, e)) continue;
            if (clearCross(a, e)) return true;
        }
        active.resize(keep);
        active.push_back(e);
    }
    return false;
}

// n from 4 to MaxPolygonCorners, indices checked.
void RunGLU(const tpolygon& poly, const std::vector<tvertex>& vertices, tfacearray& triangles) {
    Workspace& w = Work();
    if (!LoadPositions(w, poly, vertices)) return;
    GLUtesselator* tess = Tessellator(w);
    if (!tess) return;
    const int n = poly.count;
    const tvector normal = NewellNormal(w.pos.data(), n);
    // Small polygons cross themselves only a few times; the check is for
    // the large ones.
    if (n > 16 && VectorLength(normal) > 0 && SidesCross(w, n, normal)) return;

    // The tessellator keeps pointers to the coordinates until the polygon
    // ends, so every corner gets its own slot that does not move.
    w.coords.resize(n);
    for (int i = 0; i < n; ++i) w.coords[i] = {w.pos[i].x, w.pos[i].y, w.pos[i].z};

    w.emitted.Clear();
    const GluTessFunctions& glu = *GluTess();
    glu.tessBeginPolygon(tess, &w.emitted);
    glu.tessBeginContour(tess);
    glu.tessNormal(tess, normal.x, normal.y, normal.z);
    for (int i = 0; i < n; ++i) glu.tessVertex(tess, w.coords[i].data(), &w.cornerNumbers[i]);
    glu.tessEndContour(tess);
    glu.tessEndPolygon(tess);

    if (w.emitted.failed || w.emitted.types.empty()) return;
    if (!DecodeTessOutput(w.emitted, n, w.decoded)) return;
    for (const tindextriple& t : w.decoded) StoreTriangle(poly, t.a, t.b, t.c, triangles);
}

// ---- Ear cutting ---------------------------------------------------------

// A quad is cut along the diagonal whose end corners have the more alike
// corner normals (a quad folded along a diagonal is cut along the fold),
// except a concave quad, which must be cut along the diagonal through its
// one concave corner or one triangle would lie outside it.
void QuadRule(const tpolygon& poly, const tvector* p, tfacearray& triangles) {
    tvector cn[4];
    for (int i = 0; i < 4; ++i) cn[i] = CornerNormal(p, 4, i);
    const tvector normal = NewellNormal(p, 4);
    int concave = -1, concaveCount = 0;
    for (int i = 0; i < 4; ++i)
        if (DotProduct(cn[i], normal) < -Epsilon) {
            concave = i;
            ++concaveCount;
        }
    bool cut13;
    if (concaveCount == 1)
        cut13 = concave == 0 || concave == 2;
    else
        cut13 = DotProduct(cn[0], cn[2]) > DotProduct(cn[1], cn[3]);
    if (cut13) {
        StoreTriangle(poly, 1, 2, 3, triangles);
        StoreTriangle(poly, 3, 4, 1, triangles);
    } else {
        StoreTriangle(poly, 4, 1, 2, triangles);
        StoreTriangle(poly, 2, 3, 4, triangles);
    }
}

// The ear cutting of 5 or more corners. The walk is that of the plain
// method: start at the corner with the largest angle, test the corners in
// ring order, cut a corner as soon as it is an ear and go on with the one
// after it, stop when three corners are left or when a whole round finds no
// ear; the last three corners make a triangle when they turn the polygon's
// way.
//
// What makes it fast is that the ear test of a corner is remembered and
// only redone when its answer can have changed:
//  - the convex test depends on the two neighbours only, so it is redone
//    for the two neighbours of a removed corner;
//  - the containment test of a convex corner looks at every other corner
//    still in the ring. Removing a corner can only unblock candidates, and
//    only those it blocked: each blocked corner remembers the corner that
//    blocked it (preferring a concave one, which stays longest) and is
//    tested again when that corner is removed.
// The outcome is the same as testing every corner afresh at every step.
//
// One step is added to the plain method, for polygons that touch
// themselves: a corner whose two neighbours lie at the same position is
// the tip of a spike of no area (a side walked out and straight back) and
// is dropped from the ring without a triangle, at the start and whenever
// cutting leaves one. Left in place, such a ring of no area would offer a
// "convex" corner whose triangle lies outside the polygon. The step needs
// positions that are exactly equal, so ordinary polygons are unaffected.
//
// For the same kind of polygon, a corner that repeats the position of the
// candidate's tip blocks the candidate when one of its sides runs into the
// candidate's angle (see ApexCopyBlocking); the plain method lets every
// corner at a candidate's corner position pass.
class EarCutter {
public:
    EarCutter(Workspace& w, int n, const tvector& normal) : w_(w), p_(w.pos.data()), n_(n), normal_(normal) {}

    void Run(int start) {
        Init();
        for (int i = 0; i < n_; ++i) w_.spikeChecks.push_back(i);
        DropSpikes();
        int s = start;
        while (!w_.alive[s]) s = w_.next[s];
        int skips = 0;
        while (length_ > 3) {
            if (w_.state[s] == Unknown) Evaluate(s);
            if (w_.state[s] == Ear) {
                s = Cut(s);
                DropSpikes();
                while (!w_.alive[s]) s = w_.next[s];
                skips = 0;
            } else {
                s = w_.next[s];
                if (++skips >= length_) break;  // a whole round without an ear
            }
        }
        if (length_ == 3) {
            int a = 0;
            while (!w_.alive[a]) ++a;  // ring order starts at the lowest corner left
            const int b = w_.next[a], c = w_.next[b];
            if (PassesConvexTest(p_[a], p_[b], p_[c], normal_)) w_.found.push_back({a + 1, b + 1, c + 1});
        }
    }

private:
    enum : uint8_t { Unknown = 0, Ear = 1, Blocked = 2, NotConvex = 3 };

    void Init() {
        const int n = n_;
        length_ = n;
        w_.prev.resize(n);
        w_.next.resize(n);
        w_.alive.assign(n, 1);
        w_.convex.resize(n);
        w_.state.assign(n, Unknown);
        w_.witness.assign(n, -1);
        w_.watchHead.assign(n, -1);
        w_.watchNodes.clear();
        w_.nonconvex.clear();
        w_.nonconvexPos.assign(n, -1);
        w_.spikeChecks.clear();
        w_.found.clear();
        for (int i = 0; i < n; ++i) {
            w_.prev[i] = i == 0 ? n - 1 : i - 1;
            w_.next[i] = i == n - 1 ? 0 : i + 1;
        }
        for (int i = 0; i < n; ++i) SetConvex(i, PassesConvexTest(p_[w_.prev[i]], p_[i], p_[w_.next[i]], normal_));

        // Corners at one position are linked in a circle (a corner alone
        // links to itself).
        w_.sameNext.resize(n);
        w_.byPosition.resize(n);
        for (int i = 0; i < n; ++i) w_.sameNext[i] = w_.byPosition[i] = i;
        std::sort(w_.byPosition.begin(), w_.byPosition.end(), [this](int a, int b) {
            const tvector &p = p_[a], &q = p_[b];
            if (p.x != q.x) return p.x < q.x;
            if (p.y != q.y) return p.y < q.y;
            if (p.z != q.z) return p.z < q.z;
            return a < b;
        });
        for (int k = 0; k < n;) {
            int e = k + 1;
            while (e < n && p_[w_.byPosition[e]] == p_[w_.byPosition[k]]) ++e;
            for (int m = k; m < e; ++m) w_.sameNext[w_.byPosition[m]] = w_.byPosition[m + 1 < e ? m + 1 : k];
            k = e;
        }
    }

    // For a candidate with apex v: another corner at the apex's position
    // blocks it when one of that corner's sides leaves into the candidate's
    // angle, for then the outline passes through the candidate (a pinch of
    // the outline, or a corner touching a side from inside).
    int ApexCopyBlocking(int v) const {
        const int a = w_.prev[v], c = w_.next[v];
        const tvector& b = p_[v];
        const tvector toA = NormalizeVector(SubtractVectors(p_[a], b));
        const tvector toC = NormalizeVector(SubtractVectors(p_[c], b));
        auto inside = [&](int u) {
            const tvector d = NormalizeVector(SubtractVectors(p_[u], b));
            return DotProduct(CrossProduct(toC, d), normal_) > Epsilon &&
                   DotProduct(CrossProduct(d, toA), normal_) > Epsilon;
        };
        for (int j = w_.sameNext[v]; j != v; j = w_.sameNext[j])
            if (w_.alive[j] && (inside(w_.prev[j]) || inside(w_.next[j]))) return j;
        return -1;
    }

    // Keeps the list of corners that fail the convex test in step.
    void SetConvex(int v, bool isConvex) {
        w_.convex[v] = isConvex;
        const int at = w_.nonconvexPos[v];
        if (isConvex && at >= 0) {
            const int last = w_.nonconvex.back();
            w_.nonconvex[at] = last;
            w_.nonconvexPos[last] = at;
            w_.nonconvex.pop_back();
            w_.nonconvexPos[v] = -1;
        } else if (!isConvex && at < 0) {
            w_.nonconvexPos[v] = static_cast<int32_t>(w_.nonconvex.size());
            w_.nonconvex.push_back(v);
        }
    }

    void Evaluate(int v) {
        if (!w_.convex[v]) {
            w_.state[v] = NotConvex;
            return;
        }
        const int a = w_.prev[v], c = w_.next[v];
        if (w_.sameNext[v] != v) {
            const int j = ApexCopyBlocking(v);
            if (j >= 0) return Block(v, j);
        }
        const EarTriangle tri(p_[a], p_[v], p_[c]);
        for (const int j : w_.nonconvex) {
            if (j == a || j == c) continue;
            if (tri.Blocks(p_[j])) return Block(v, j);
        }
        for (int j = w_.next[c]; j != a; j = w_.next[j]) {
            if (!w_.convex[j]) continue;  // tested above
            if (tri.Blocks(p_[j])) return Block(v, j);
        }
        w_.state[v] = Ear;
    }

    void Block(int v, int by) {
        w_.state[v] = Blocked;
        w_.witness[v] = by;
        w_.watchNodes.emplace_back(v, w_.watchHead[by]);
        w_.watchHead[by] = static_cast<int32_t>(w_.watchNodes.size()) - 1;
    }

    // Takes corner v out of the ring and brings what depended on it up to
    // date; its neighbours are queued for the spike check.
    void Remove(int v) {
        const int a = w_.prev[v], c = w_.next[v];
        w_.next[a] = c;
        w_.prev[c] = a;
        w_.alive[v] = 0;
        --length_;
        SetConvex(v, true);  // leaves the concave list
        for (const int u : {a, c}) {
            SetConvex(u, PassesConvexTest(p_[w_.prev[u]], p_[u], p_[w_.next[u]], normal_));
            w_.state[u] = Unknown;
            // u has a new side: the candidates with their apex at u's
            // position must look at it again.
            for (int k = w_.sameNext[u]; k != u; k = w_.sameNext[k])
                if (w_.state[k] == Ear || w_.state[k] == Blocked) w_.state[k] = Unknown;
        }
        for (int node = w_.watchHead[v]; node >= 0; node = w_.watchNodes[node].second) {
            const int u = w_.watchNodes[node].first;
            if (w_.alive[u] && w_.state[u] == Blocked && w_.witness[u] == v) w_.state[u] = Unknown;
        }
        w_.watchHead[v] = -1;
        w_.spikeChecks.push_back(a);
        w_.spikeChecks.push_back(c);
    }

    // Cuts ear s; returns the corner after it.
    int Cut(int s) {
        const int a = w_.prev[s], c = w_.next[s];
        w_.found.push_back({a + 1, s + 1, c + 1});
        Remove(s);
        return c;
    }

    void DropSpikes() {
        while (!w_.spikeChecks.empty()) {
            const int v = w_.spikeChecks.back();
            w_.spikeChecks.pop_back();
            if (length_ <= 3) continue;
            if (w_.alive[v] && p_[w_.prev[v]] == p_[w_.next[v]]) Remove(v);
        }
        w_.spikeChecks.clear();
    }

    Workspace& w_;
    const tvector* p_;
    int n_;
    tvector normal_;
    int length_ = 0;
};

// n from 4 to MaxPolygonCorners, indices checked.
void RunEarCutting(const tpolygon& poly, const std::vector<tvertex>& vertices, tfacearray& triangles) {
    Workspace& w = Work();
    if (!LoadPositions(w, poly, vertices)) return;
    const int n = poly.count;
    if (n == 4) {
        QuadRule(poly, w.pos.data(), triangles);
        return;
    }
    const tvector normal = NewellNormal(w.pos.data(), n);
    if (!(VectorLength(normal) > Epsilon)) return;

    // Start at the widest corner; ties go to the lower corner.
    int start = 0;
    double best = 0;
    for (int i = 0; i < n; ++i) {
        const double angle = CornerAngle(w.pos.data(), n, i);
        if (angle > best) {
            best = angle;
            start = i;
        }
    }
    EarCutter(w, n, normal).Run(start);
    for (const tindextriple& t : w.found) StoreTriangle(poly, t.a, t.b, t.c, triangles);
}

enum class Method { GLU, EarCutting };

TriangulateStatus Triangulate(const tpolygon& poly, tfacearray& triangles, const std::vector<tvertex>& vertices,
                              Method method) {
    triangles.clear();
    const int n = poly.count;
    if (n < 3 || n > MaxPolygonCorners) return TriangulateStatus::Done;
    if (!CornersValid(poly, vertices)) return TriangulateStatus::BadCornerIndex;
    if (n == 3) {
        StoreTriangle(poly, 1, 2, 3, triangles);
        return TriangulateStatus::Done;
    }
    if (method == Method::GLU)
        RunGLU(poly, vertices, triangles);
    else
        RunEarCutting(poly, vertices, triangles);
    return TriangulateStatus::Done;
}

const tvector& CheckedPosition(const tpolygon& poly, int corner, const std::vector<tvertex>& vertices) {
    return At(vertices, static_cast<int64_t>(poly.vertex[corner]) - 1, "vertices").p;
}

// Positions of all corners, checked; empty for a count outside 1..limit.
std::vector<tvector> CheckedPositions(const tpolygon& poly, const std::vector<tvertex>& vertices) {
    std::vector<tvector> p;
    if (poly.count < 1 || poly.count > MaxPolygonCorners) return p;
    p.reserve(poly.count);
    for (int i = 0; i < poly.count; ++i) p.push_back(CheckedPosition(poly, i, vertices));
    return p;
}

// 1-based corner to 0-based, or -1 when outside the polygon.
int CornerSlot(int corner, const tpolygon& poly) {
    return corner >= 1 && corner <= poly.count && poly.count <= MaxPolygonCorners ? corner - 1 : -1;
}

}  // namespace

TriangulateStatus TriangulatePolygon(const tpolygon& polygon, tfacearray& triangles, int method,
                                     const std::vector<tvertex>& vertices) {
    switch (method) {
        case TriangulateAutomatic: {
            const TriangulateStatus s = Triangulate(polygon, triangles, vertices, Method::GLU);
            if (s == TriangulateStatus::Done && triangles.empty())
                return Triangulate(polygon, triangles, vertices, Method::EarCutting);
            return s;
        }
        case TriangulateOpenGL:
            return Triangulate(polygon, triangles, vertices, Method::GLU);
        case TriangulateEarCut:
            return Triangulate(polygon, triangles, vertices, Method::EarCutting);
        default:
            triangles.clear();
            return TriangulateStatus::UnknownMethod;
    }
}

TriangulateStatus TriangulateGLU(const tpolygon& polygon, tfacearray& triangles, const std::vector<tvertex>& vertices) {
    return Triangulate(polygon, triangles, vertices, Method::GLU);
}

TriangulateStatus TriangulateEarCutting(const tpolygon& polygon, tfacearray& triangles,
                                        const std::vector<tvertex>& vertices) {
    return Triangulate(polygon, triangles, vertices, Method::EarCutting);
}

tvector PolygonNormal(const tpolygon& polygon, const std::vector<tvertex>& vertices) {
    const std::vector<tvector> p = CheckedPositions(polygon, vertices);
    return NewellNormal(p.data(), static_cast<int>(p.size()));
}

tvector PolygonCornerNormal(int corner, const tpolygon& polygon, const std::vector<tvertex>& vertices) {
    const int slot = CornerSlot(corner, polygon);
    if (slot < 0) return {0, 0, 0};
    const std::vector<tvector> p = CheckedPositions(polygon, vertices);
    return CornerNormal(p.data(), static_cast<int>(p.size()), slot);
}

double PolygonCornerAngle(int corner, const tpolygon& polygon, const std::vector<tvertex>& vertices) {
    const int slot = CornerSlot(corner, polygon);
    if (slot < 0) return 0;
    const std::vector<tvector> p = CheckedPositions(polygon, vertices);
    return CornerAngle(p.data(), static_cast<int>(p.size()), slot);
}

void BarycentricCoords(const tvector& p, const tvector& a, const tvector& b, const tvector& c, double w[3]) {
    EarTriangle(a, b, c).Weights(p, w);
}

bool DecodeTessOutput(const ttessoutput& emitted, int32_t cornerCount, std::vector<tindextriple>& out) {
    out.clear();
    const int64_t limit = cornerCount >= 3 ? cornerCount - 2 : 0;
    const auto& c = emitted.corners;
    for (const int32_t corner : c)
        if (corner < 1 || corner > cornerCount) return false;
    if (emitted.ends.size() != emitted.types.size()) return false;

    auto add = [&](int32_t a, int32_t b, int32_t d) {
        if (static_cast<int64_t>(out.size()) >= limit) return false;
        out.push_back({a, b, d});
        return true;
    };
    int32_t first = 0;  // 0-based start of the primitive
    for (size_t p = 0; p < emitted.types.size(); ++p) {
        const int32_t end = emitted.ends[p];
        if (end < first || end > static_cast<int32_t>(c.size())) {
            out.clear();
            return false;
        }
        const int32_t m = end - first;
        bool ok = true;
        switch (emitted.types[p]) {
            case GL_TRIANGLES:
                for (int32_t k = 0; ok && k + 2 < m; k += 3) ok = add(c[first + k], c[first + k + 1], c[first + k + 2]);
                break;
            case GL_TRIANGLE_STRIP:
                for (int32_t k = 0; ok && k + 2 < m; ++k) {
                    const int32_t q = first + k;
                    ok = k % 2 == 0 ? add(c[q], c[q + 1], c[q + 2]) : add(c[q + 1], c[q], c[q + 2]);
                }
                break;
            case GL_TRIANGLE_FAN:
                for (int32_t k = 1; ok && k + 1 < m; ++k) ok = add(c[first], c[first + k], c[first + k + 1]);
                break;
            default:
                break;
        }
        if (!ok) {
            out.clear();
            return false;
        }
        first = end;
    }
    return true;
}
