#include "model/Ribbons.h"

#include <algorithm>
#include <string>
#include <vector>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/VectorMath.h"

namespace {

// What the ribbons add, collected first and appended to the model at the
// end, so that nothing is appended before every polyline has been checked.
struct RibbonParts {
    std::vector<tvertex> vertices;
    std::vector<tnormal> normals;
    std::vector<tuv> uvs;
    std::vector<tface> faces;
};

bool IsZero(const tvector& v) { return VectorLength(v) <= Epsilon; }

// A unit vector at right angles to t: t x Y, or t x X where t runs close to
// Y; X for a zero t.
tvector Perpendicular(const tvector& t) {
    const tvector dir = NormalizeVector(t);
    if (IsZero(dir)) return {1, 0, 0};
    tvector c = CrossProduct(dir, tvector{0, 1, 0});
    if (VectorLength(c) < 0.5) c = CrossProduct(dir, tvector{1, 0, 0});
    return NormalizeVector(c);
}

// `side` made perpendicular to t and normalised; a perpendicular of t when
// side runs along t.
tvector SideAcross(const tvector& side, const tvector& t) {
    const tvector dir = NormalizeVector(t);
    const tvector across = SubtractVectors(side, ScaleVector(dir, DotProduct(side, dir)));
    return IsZero(across) ? Perpendicular(t) : NormalizeVector(across);
}

// One polyline of n >= 2 segments starting at segment `first`, appended to
// `out`; the base counts are those of the model lists before the command.
void BuildRibbon(int32_t first, int32_t n, bool rootMaterial, int32_t rootIndex, int32_t groupIndex,
                 double rootWidth, double tipWidth, double twist, int32_t baseVertex, int32_t baseNormal,
                 int32_t baseUV, RibbonParts& out) {
    const auto segment = [&](int32_t i) -> const tline& {
        return At(LineSegments, static_cast<int64_t>(first) + i, "LineSegments");
    };
    const auto position = [](int32_t vertex) -> tvector {
        return At(SceneVertices, static_cast<int64_t>(vertex) - 1, "SceneVertices").p;
    };

    // Points, segment lengths, running lengths and materials per point.
    std::vector<tvector> P(n + 1);
    std::vector<double> L(n), s(n + 1);
    std::vector<int32_t> material(n + 1);
    for (int32_t i = 0; i < n; ++i) {
        const tline& seg = segment(i);
        P[i] = position(seg.vertex[0]);
        L[i] = VectorLength(SubtractVectors(position(seg.vertex[1]), P[i]));
        if (L[i] < Epsilon) L[i] = 1.0;
        At(SceneMaterials, seg.material, "SceneMaterials");  // must name a material
        material[i] = seg.material;
    }
    P[n] = position(segment(n - 1).vertex[1]);
    material[n] = material[n - 1];
    if (rootMaterial) material[0] = rootIndex;
    s[0] = 0;
    for (int32_t i = 0; i < n; ++i) s[i + 1] = s[i] + L[i];
    const double total = s[n];

    // Tangents.
    std::vector<tvector> T(n + 1), K(n + 1), S(n + 1);
    T[0] = ScaleVector(SubtractVectors(P[1], P[0]), 1.0 / L[0]);
    for (int32_t i = 1; i < n; ++i) T[i] = ScaleVector(SubtractVectors(P[i + 1], P[i - 1]), 1.0 / (L[i - 1] + L[i]));
    T[n] = ScaleVector(SubtractVectors(P[n], P[n - 1]), 1.0 / L[n - 1]);

    // Bends, turned so that neighbours never point against each other.
    K[0] = SubtractVectors(T[1], T[0]);
    for (int32_t i = 1; i < n; ++i) K[i] = SubtractVectors(T[i + 1], T[i]);
    K[n] = SubtractVectors(T[n], T[n - 1]);
    for (int32_t i = 1; i <= n; ++i)
        if (DotProduct(K[i - 1], K[i]) < 0) K[i] = ScaleVector(K[i], -1.0);

    // Sides. A straight stretch has no bend and so no side of its own: it
    // takes the side of the point before it (the first bent point for a
    // straight start), turned across its own tangent, and a perpendicular
    // of the tangent where the whole polyline is straight.
    int32_t firstBent = -1;
    for (int32_t i = 0; i <= n; ++i) {
        const tvector c = CrossProduct(T[i], K[i]);
        S[i] = IsZero(c) ? tvector{0, 0, 0} : NormalizeVector(c);
        if (firstBent < 0 && !IsZero(S[i])) firstBent = i;
    }
    tvector last = firstBent >= 0 ? S[firstBent] : Perpendicular(T[0]);
    for (int32_t i = 0; i <= n; ++i) {
        if (IsZero(S[i])) S[i] = SideAcross(last, T[i]);
        last = S[i];
    }

    // Twist: blend each side with the common side of the first third.
    tvector A{0, 0, 0};
    for (int32_t i = 0; i <= n / 3; ++i) A = AddVectors(A, S[i]);
    A = NormalizeVector(A);
    for (int32_t i = 0; i <= n; ++i) {
        const tvector blended = NormalizeVector(AddVectors(ScaleVector(A, 1.0 - twist), ScaleVector(S[i], twist)));
        if (!IsZero(blended)) S[i] = blended;  // sides that cancel keep their own
    }

    // Vertices, normals, UVs and faces.
    for (int32_t i = 0; i <= n; ++i) {
        const double w = i == 0 ? rootWidth : rootWidth + (tipWidth - rootWidth) * s[i] / total;
        const tvector offset = ScaleVector(S[i], w);
        tvector normal = ScaleVector(NormalizeVector(K[i]), -1.0);
        if (IsZero(K[i])) {
            // No bend: the normal of the ribbon's plane.
            normal = NormalizeVector(CrossProduct(T[i], S[i]));
            if (IsZero(normal)) normal = Perpendicular(S[i]);
        }
        const double u = s[i] / total;

        tvertex v;
        v.p = SubtractVectors(P[i], offset);
        out.vertices.push_back(v);
        v.p = AddVectors(P[i], offset);
        out.vertices.push_back(v);
        tnormal nr;
        nr.p = normal;
        out.normals.push_back(nr);
        out.normals.push_back(nr);
        tuv t;
        t.u = u;
        t.v = 0;
        out.uvs.push_back(t);
        t.v = 1;
        out.uvs.push_back(t);

        if (i == 0) continue;
        // Vertex, normal and UV indices advance in step but each counts in
        // its own list.
        const int32_t cv = baseVertex + static_cast<int32_t>(out.vertices.size());
        const int32_t cn = baseNormal + static_cast<int32_t>(out.normals.size());
        const int32_t cu = baseUV + static_cast<int32_t>(out.uvs.size());
        const auto corners = [](int32_t c, int32_t (&dst)[3], int which) {
            if (which == 0) {
                dst[0] = c - 2;
                dst[1] = c - 3;
                dst[2] = c - 1;
            } else {
                dst[0] = c;
                dst[1] = c - 2;
                dst[2] = c - 1;
            }
        };
        for (int k = 0; k < 2; ++k) {
            tface f;
            InitFace(f);
            corners(cv, f.vertex, k);
            corners(cn, f.normal, k);
            corners(cu, f.uv, k);
            f.group = groupIndex;
            f.material = material[i - 1];
            out.faces.push_back(f);
        }
    }
}

}  // namespace

void BuildRibbons(bool createRootMaterial, double rootWidth, double tipWidth, double twist) {
    LogMessage("Building ribbons...");

    const int32_t groupIndex = static_cast<int32_t>(SceneGroups.size());
    const int32_t rootIndex = static_cast<int32_t>(SceneMaterials.size());
    const int32_t baseVertex = static_cast<int32_t>(SceneVertices.size());
    const int32_t baseNormal = static_cast<int32_t>(SceneNormals.size());
    const int32_t baseUV = static_cast<int32_t>(SceneUVs.size());

    RibbonParts parts;
    const std::size_t polylineCount = Polylines.size();
    for (std::size_t p = 0; p < polylineCount; ++p) {
        ShowProgress(0, static_cast<double>(polylineCount), static_cast<double>(p));
        const tpolyline line = Polylines[p];
        if (line.count < 2) continue;
        // The whole run must lie in the segment list before anything is sized by it.
        const int64_t end = static_cast<int64_t>(line.first) + line.count;
        if (line.first < 0 || end > static_cast<int64_t>(LineSegments.size()))
            ThrowIndexError("LineSegments", line.first < 0 ? line.first : end - 1, LineSegments.size());
        BuildRibbon(line.first, line.count, createRootMaterial, rootIndex, groupIndex, rootWidth, tipWidth, twist,
                    baseVertex, baseNormal, baseUV, parts);
    }

    const std::size_t facesAdded = parts.faces.size();
    const std::size_t verticesAdded = parts.vertices.size();
    const std::size_t normalsAdded = parts.normals.size();
    if (facesAdded > 0) {
        SceneVertices.insert(SceneVertices.end(), parts.vertices.begin(), parts.vertices.end());
        SceneNormals.insert(SceneNormals.end(), parts.normals.begin(), parts.normals.end());
        SceneUVs.insert(SceneUVs.end(), parts.uvs.begin(), parts.uvs.end());
        SceneFaces.insert(SceneFaces.end(), parts.faces.begin(), parts.faces.end());

        tgroup group;
        NewGroup(group);
        group.name = "converted_lines";
        group.faceCount = static_cast<int32_t>(facesAdded);
        SceneGroups.push_back(group);
        if (createRootMaterial) {
            tmaterial roots;
            NewMaterial(roots);
            roots.name = "roots";
            roots.faceCount = static_cast<int32_t>(Polylines.size());
            SceneMaterials.push_back(roots);
        }
        TopologyChanged();
    }

    BuildVertexFaceTable();
    BuildMaterialFaceTable();
    BuildUVFaceTable();
    ComputeExtents();
    LogMessage("Rebuilding Display List...");
    CountFacesPerGroupAndMaterial();
    WindowHooks& window = *Svc().window;
    window.BuildNormalsList();
    window.BuildPreviewLists();
    ComputeGroupExtents();
    window.FillMaterialList();
    window.FillGroupList();

    LogMessage("Done. " + std::to_string(facesAdded) + " faces ," + std::to_string(verticesAdded) +
               " vertices , and " + std::to_string(normalsAdded) + " normals added");
}
