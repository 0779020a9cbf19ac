#include "model/Selection.h"

#include <algorithm>
#include <cmath>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/VectorMath.h"

namespace {

// False when there is no UV at all (the table is then not built).
bool HaveUVFaceTable() {
    if (SceneUVs.empty()) return false;
    EnsureUVFaceTable();
    return true;
}

// Calls visit(face) for every face in the chain of a 1-based key.
template <typename Visit>
void ForEachFace(const tfacetable& table, int32_t key, Visit&& visit) {
    if (key < 1 || key >= table.KeyCount()) return;
    for (const int32_t* p = table.Begin(key); p != table.End(key); ++p)
        if (!visit(SceneFaces[static_cast<std::size_t>(*p)])) return;
}

}  // namespace

bool IsVertexSelected(int32_t vertex) {
    EnsureVertexFaceTable();
    bool selected = false;
    ForEachFace(VertexFaceTable, vertex + 1, [&](const tface& f) {
        selected = IsFaceSelected(f);
        return !selected;
    });
    return selected;
}

void VertexFaceFlags(int32_t vertex, bool& anySelected, bool& anyMarked) {
    anySelected = anyMarked = false;
    EnsureVertexFaceTable();
    ForEachFace(VertexFaceTable, vertex + 1, [&](const tface& f) {
        if (!anySelected && IsFaceSelected(f)) anySelected = true;
        if (f.mark) anyMarked = true;
        return !(anySelected && anyMarked);
    });
}

void UVFaceFlags(int32_t uv, bool& anySelected, bool& anyMarked) {
    anySelected = anyMarked = false;
    if (!HaveUVFaceTable()) return;
    ForEachFace(UVFaceTable, uv + 1, [&](const tface& f) {
        if (!anySelected && IsFaceSelected(f)) anySelected = true;
        if (f.mark) anyMarked = true;
        return !(anySelected && anyMarked);
    });
}

void ListUVFaces(int32_t uv, tuvfacelist& list) {
    list.count = 0;
    list.entries.clear();
    if (!HaveUVFaceTable()) return;
    ForEachFace(UVFaceTable, uv + 1, [&](const tface& f) {
        list.entries.push_back({f.material, f.group, static_cast<uint8_t>(f.mark ? 1 : 0)});
        list.count = static_cast<int32_t>(list.entries.size());
        return list.count < MaxUVFaceEntries;
    });
}

tuvselection UVSelectionFlags(int32_t uv) {
    tuvfacelist list;
    ListUVFaces(uv, list);
    tuvselection s;
    for (const tuvfaceentry& e : list.entries) {
        if (At(SceneMaterials, e.material, "SceneMaterials").selected) s.materialSelected = true;
        if (At(SceneGroups, e.group, "SceneGroups").visible) s.groupVisible = true;
        if (e.mark) s.marked = true;
    }
    return s;
}

bool TestAndClearGroupChanges() {
    bool changed = false;
    for (tgroup& g : SceneGroups) {
        if (g.changed) changed = true;
        g.changed = 0;
    }
    return changed;
}

void SelectAllMaterials() {
    for (tmaterial& m : SceneMaterials) m.selected = 1;
}

void DeselectAllMaterials() {
    for (tmaterial& m : SceneMaterials) m.selected = 0;
}

void SelectOnlyMaterial(int32_t index) {
    At(SceneMaterials, index, "SceneMaterials");
    DeselectAllMaterials();
    SceneMaterials[static_cast<std::size_t>(index)].selected = 1;
}

void SelectionExtents(tvector& center, tvector& size, tvector& minimum) {
    tvector lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
    // A vertex is selected when a selected face uses it: one pass over the
    // faces visits exactly those vertices.
    std::vector<uint8_t> seen(SceneVertices.size() + 1, 0);
    for (const tface& f : SceneFaces) {
        if (!IsFaceSelected(f)) continue;
        for (int c = 0; c < 3; ++c) {
            const int32_t v = f.vertex[c];
            const tvector& p = At(SceneVertices, static_cast<int64_t>(v) - 1, "SceneVertices").p;
            if (seen[v]) continue;
            seen[v] = 1;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
    center = ScaleVector(AddVectors(lo, hi), 0.5);
    size = SubtractVectors(hi, lo);
    minimum = lo;
}

void ReverseFaceWinding() {
    for (tface& f : SceneFaces) {
        if (!IsFaceSelected(f)) continue;
        std::swap(f.vertex[0], f.vertex[2]);
        std::swap(f.normal[0], f.normal[2]);
        std::swap(f.uv[0], f.uv[2]);
    }
}

bool IsDegenerateFace(const tface& f) {
    const bool distinct = f.vertex[0] != f.vertex[1] && f.vertex[1] != f.vertex[2] && f.vertex[0] != f.vertex[2];
    return !distinct || !(FaceArea(f) > Epsilon);
}

void RemoveDegenerateFaces() {
    const std::size_t count = SceneFaces.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const tface& f = SceneFaces[i];
        if (IsDegenerateFace(f)) continue;
        if (kept != i) SceneFaces[kept] = f;
        ++kept;
    }
    if (kept == count) return;
    SceneFaces.resize(kept);
    TopologyChanged();
}

void RemoveDegenerateLines() {
    const std::size_t count = LineSegments.size();
    // before[i]: survivors among the segments 0..i-1.
    std::vector<int32_t> before(count + 1, 0);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        before[i] = static_cast<int32_t>(kept);
        const tline& l = LineSegments[i];
        if (l.vertex[0] == l.vertex[1] || !(LineLength(l) > Epsilon)) continue;
        if (kept != i) LineSegments[kept] = l;
        ++kept;
    }
    before[count] = static_cast<int32_t>(kept);
    LineSegments.resize(kept);

    // Each polyline keeps the survivors of its run, which stay consecutive;
    // a polyline left without a segment goes.
    const auto clampIndex = [count](int64_t i) { return static_cast<std::size_t>(std::clamp<int64_t>(i, 0, count)); };
    const std::size_t polylineCount = Polylines.size();
    const std::size_t polylineMark = std::min<std::size_t>(std::max<int32_t>(PolylinesMergedCount, 0), polylineCount);
    std::size_t keptPolylines = 0, keptBeforeMark = 0;
    for (std::size_t i = 0; i < polylineCount; ++i) {
        const tpolyline p = Polylines[i];
        const std::size_t first = clampIndex(p.first);
        const std::size_t end = clampIndex(static_cast<int64_t>(p.first) + std::max<int32_t>(p.count, 0));
        const int32_t survivors = first < end ? before[end] - before[first] : 0;
        if (survivors <= 0) continue;
        Polylines[keptPolylines++] = {before[first], survivors};
        if (i < polylineMark) keptBeforeMark = keptPolylines;
    }
    Polylines.resize(keptPolylines);
    LinesMergedCount = before[clampIndex(LinesMergedCount)];
    PolylinesMergedCount = static_cast<int32_t>(keptBeforeMark);
}

double SafeArcTan2(double y, double x) {
    if (std::fabs(y) < Epsilon && std::fabs(x) < Epsilon) return 0;
    return std::atan2(y, x);
}

bool DominantAxisPositive(const tvector& a, const tvector& b) {
    const double ax = std::fabs(a.x), ay = std::fabs(a.y), az = std::fabs(a.z);
    const double largest = std::max({ax, ay, az});
    return (ax >= largest && b.x > Epsilon) || (ay >= largest && b.y > Epsilon) || (az >= largest && b.z > Epsilon);
}

namespace {

// A turn about a fixed unit axis by a fixed angle, computed like
// RotateAboutAxis with its sine and cosine taken once.
struct AxisTurn {
    tvector k{0, 1, 0};
    double c = 1, s = 0;
    AxisTurn() = default;
    AxisTurn(const tvector& axis, double angle) : k(axis), c(std::cos(angle)), s(std::sin(angle)) {}
    tvector operator()(const tvector& p) const {
        if (s == 0 && c == 1) return p;
        const tvector along = ScaleVector(k, DotProduct(k, p));
        return AddVectors(AddVectors(along, ScaleVector(SubtractVectors(p, along), c)), ScaleVector(CrossProduct(k, p), s));
    }
};

constexpr tvector kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};

// What a material contributes to the projection of its faces.
struct MaterialFrame {
    tvector origin;   // the point that becomes the centre of the projection
    tvector scale{1, 1, 1};
    AxisTurn turn[3];  // minus the map rotation about Y, X, Z
    double uScale = 1, vScale = 1;
};

MaterialFrame FrameOf(const tmaterial& m, const tvector& center, const tvector& size) {
    MaterialFrame fr;
    if (m.mapSize.x > 0) {
        fr.scale.x = size.x / m.mapSize.x;
        fr.scale.y = m.mapSize.y != 0 ? size.y / m.mapSize.y : 1;
        fr.scale.z = m.mapSize.z != 0 ? size.z / m.mapSize.z : 1;
    }
    // With a map centre the projection is centred on it, otherwise on the
    // centre of the selection.
    const tvector offset = VectorLength(m.mapCenter) > Epsilon ? SubtractVectors(m.mapCenter, center) : tvector{};
    fr.origin = AddVectors(center, offset);
    fr.turn[0] = AxisTurn(kY, -m.mapRotation.y);
    fr.turn[1] = AxisTurn(kX, -m.mapRotation.x);
    fr.turn[2] = AxisTurn(kZ, -m.mapRotation.z);
    fr.uScale = m.mapScale[1];
    fr.vScale = m.mapScale[0];
    return fr;
}

}  // namespace

void ProjectUVsAlongAxis(const tvector& axisIn, int32_t method) {
    if (method < ProjectPlanar || method > ProjectCubic) return;
    const tvector a = NormalizeVector(axisIn);
    tvector center, size, minimum;
    SelectionExtents(center, size, minimum);

    // The turns that bring the axis onto +Y (cylindrical, spherical) or onto
    // +Z (planar, cubic).
    AxisTurn first, second;
    const bool angular = method == ProjectCylindrical || method == ProjectSpherical;
    if (angular) {
        const double heading = -SafeArcTan2(a.x, a.z);
        const double tilt = Pi / 2 - SafeArcTan2(a.y, std::sqrt(a.x * a.x + a.z * a.z));
        first = AxisTurn(kY, heading);
        second = AxisTurn(kX, -tilt);
    } else {
        const tvector angles = DirectionToXYAngles(a);
        first = AxisTurn(kY, -angles.y);
        second = AxisTurn(kX, -angles.x);
    }

    std::vector<MaterialFrame> frames;
    frames.reserve(SceneMaterials.size());
    for (const tmaterial& m : SceneMaterials) frames.push_back(FrameOf(m, center, size));

    const std::size_t firstNew = SceneUVs.size();
    double uLo = 1e10, vLo = 1e10, uHi = -1e10, vHi = -1e10;
    for (tface& f : SceneFaces) {
        if (!IsFaceSelected(f)) continue;
        if (method == ProjectCubic && !DominantAxisPositive(FaceNormal(f), a)) continue;
        const MaterialFrame& fr = frames[static_cast<std::size_t>(f.material)];
        tvector q[3];
        for (int c = 0; c < 3; ++c) {
            const tvector& p = At(SceneVertices, static_cast<int64_t>(f.vertex[c]) - 1, "SceneVertices").p;
            tvector r = MultiplyVectors(SubtractVectors(p, fr.origin), fr.scale);
            r = fr.turn[2](fr.turn[1](fr.turn[0](r)));
            q[c] = second(first(r));
        }
        double u[3], v[3];
        if (angular) {
            const tvector mid = ScaleVector(AddVectors(AddVectors(q[0], q[1]), q[2]), 1.0 / 3.0);
            const double reference = SafeArcTan2(mid.x, mid.z);
            for (int c = 0; c < 3; ++c) {
                u[c] = SafeArcTan2(q[c].x, q[c].z);
                v[c] = method == ProjectCylindrical ? q[c].y
                                                    : SafeArcTan2(q[c].y, std::sqrt(q[c].x * q[c].x + q[c].z * q[c].z));
                // A face across the seam behind the axis keeps its corners on
                // the side of its centre.
                if (reference < -Pi / 2 && u[c] > Pi / 2) u[c] -= 2 * Pi;
                if (reference > Pi / 2 && u[c] < -Pi / 2) u[c] += 2 * Pi;
                u[c] *= fr.uScale;
                v[c] *= fr.vScale;
            }
        } else {
            for (int c = 0; c < 3; ++c) {
                u[c] = q[c].x;
                v[c] = q[c].y;
            }
        }
        for (int c = 0; c < 3; ++c) {
            tuv t;
            t.u = u[c];
            t.v = v[c];
            SceneUVs.push_back(t);
            f.uv[c] = static_cast<int32_t>(SceneUVs.size());
            uLo = std::min(uLo, u[c]);
            vLo = std::min(vLo, v[c]);
            uHi = std::max(uHi, u[c]);
            vHi = std::max(vHi, v[c]);
        }
    }
    if (SceneUVs.size() == firstNew) return;

    // Normalise the new UVs to 0..1; a set that projects onto a line or a
    // point has a range of zero, which is taken as 1.
    double uRange = uHi - uLo, vRange = vHi - vLo;
    if (!(uRange >= Epsilon)) uRange = 1;
    if (!(vRange >= Epsilon)) vRange = 1;
    for (std::size_t i = firstNew; i < SceneUVs.size(); ++i) {
        SceneUVs[i].u = (SceneUVs[i].u - uLo) / uRange;
        SceneUVs[i].v = (SceneUVs[i].v - vLo) / vRange;
    }
    TopologyChanged();
}

void ProjectUVs(const tvector& axis, int32_t method, int32_t /*flag*/) {
    if (method >= ProjectPlanar && method <= ProjectSpherical) {
        ProjectUVsAlongAxis(axis, method);
    } else if (method == ProjectCubic) {
        ProjectUVsAlongAxis(kX, ProjectCubic);
        ProjectUVsAlongAxis(kY, ProjectCubic);
        ProjectUVsAlongAxis(kZ, ProjectCubic);
    }
}
