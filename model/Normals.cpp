#include "model/Normals.h"

#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Connectivity.h"
#include "model/MeshProgress.h"
#include "model/Model.h"
#include "model/NearPoints.h"
#include "model/VectorMath.h"

namespace {

// Faces whose normals are 179.5 degrees or more apart never share a normal,
// whatever the crease angle.
constexpr double CreaseLimitAngle = 3.1328660073298216;

struct NormalEntry {
    int32_t face;
    int32_t group;  // index of the entry that opened its group, -1 = none yet
    bool active;    // counted in the sum (only the unique-normal mode clears it)
};

void CheckFaceIndices(int32_t vertexCount, int32_t normalCount) {
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            if (f.vertex[c] < 1 || f.vertex[c] > vertexCount)
                ThrowIndexError("SceneVertices", f.vertex[c], static_cast<std::size_t>(vertexCount));
            if (f.normal[c] > normalCount)
                ThrowIndexError("SceneNormals", f.normal[c], static_cast<std::size_t>(normalCount));
        }
}

}  // namespace

void CalcVertexNormals(int32_t mode, double crease, tnormalsundo* replaced) {
    const double cosCrease = std::cos(crease);
    const double cosLimit = std::cos(CreaseLimitAngle);
    const int32_t vertexCount = static_cast<int32_t>(SceneVertices.size());
    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    CheckFaceIndices(vertexCount, static_cast<int32_t>(SceneNormals.size()));
    BuildVertexFaceTable();

    // Everything that can fail is read before the model changes.
    std::vector<uint8_t> selected(static_cast<std::size_t>(faceCount));
    std::vector<tvector> faceNormal(static_cast<std::size_t>(faceCount));
    for (int32_t f = 0; f < faceCount; ++f) {
        selected[f] = IsFaceSelected(SceneFaces[f]) ? 1 : 0;
        if (selected[f]) faceNormal[f] = FaceNormal(SceneFaces[f]);
    }

    // The new normals and every corner's new normal index are made aside;
    // the model takes them only once all are made. Selected faces lose their
    // normals; the others carry theirs over, each old normal appended once at
    // its first use in face order.
    std::vector<int32_t> corners(3 * static_cast<std::size_t>(faceCount), 0);
    std::vector<tnormal> normals;
    normals.reserve(SceneNormals.size() + static_cast<std::size_t>(vertexCount));
    {
        std::vector<int32_t> carried(SceneNormals.size(), 0);
        for (int32_t f = 0; f < faceCount; ++f) {
            if (selected[f]) continue;
            for (int c = 0; c < 3; ++c) {
                const int32_t n = SceneFaces[f].normal[c];
                if (n < 1) continue;
                if (carried[n - 1] == 0) {
                    normals.push_back(SceneNormals[n - 1]);
                    carried[n - 1] = static_cast<int32_t>(normals.size());
                }
                corners[3 * static_cast<std::size_t>(f) + c] = carried[n - 1];
            }
        }
    }
    auto corner = [&](int32_t f, int32_t vertex) -> int32_t& {
        return corners[3 * static_cast<std::size_t>(f) + FindFaceCorner(vertex, SceneFaces[f]) - 1];
    };

    auto weighted = [&](int32_t f, int32_t vertex) -> tvector {
        const tvector& n = faceNormal[f];
        switch (mode) {
            case AngleWeightedSum:
                return ScaleVector(n, FaceCornerAngle(FindFaceCorner(vertex, SceneFaces[f]), SceneFaces[f]));
            case InverseAreaSum: {
                double area = FaceArea(SceneFaces[f]);
                if (area < Epsilon) area = 1.0;
                return ScaleVector(n, 1.0 / area);
            }
            default:
                return n;
        }
    };
    const bool othersAdd = mode >= NormalSum && mode <= InverseAreaSum;

    std::vector<NormalEntry> entries;
    std::vector<tvector> faceNormals;  // of one vertex's faces
    std::vector<uint8_t> keep;
    MeshProgress progress(vertexCount);
    for (int32_t v = 0; v < vertexCount; ++v) {
        progress.Tick(v);
        const int32_t key = v + 1;
        entries.clear();
        // The vertex's faces run from the highest face index to the lowest.
        for (const int32_t* p = VertexFaceTable.Begin(key); p != VertexFaceTable.End(key); ++p)
            if (selected[*p]) entries.push_back({*p, -1, true});
        if (entries.empty()) continue;
        const std::size_t count = entries.size();

        if (mode == UniqueNormalSum) {
            // Each kept face normal takes every other that repeats it out of the sum.
            faceNormals.clear();
            for (const NormalEntry& e : entries) faceNormals.push_back(faceNormal[e.face]);
            KeepFirstOfRepeatedNormals(faceNormals, keep);
            for (std::size_t a = 0; a < count; ++a) entries[a].active = keep[a] != 0;
        }

        for (std::size_t i = 0; i < count; ++i) {
            if (entries[i].group >= 0) continue;
            const int32_t index = static_cast<int32_t>(normals.size()) + 1;
            entries[i].group = static_cast<int32_t>(i);
            const int32_t fi = entries[i].face;
            corner(fi, key) = index;
            tvector sum = weighted(fi, key);
            const tvector& ni = faceNormal[fi];
            for (std::size_t j = i + 1; j < count; ++j) {
                if (entries[j].group >= 0) continue;
                const int32_t fj = entries[j].face;
                const double d = DotProduct(ni, faceNormal[fj]);
                if (!(d > cosCrease && d > cosLimit)) continue;
                entries[j].group = static_cast<int32_t>(i);
                corner(fj, key) = index;
                if (othersAdd && (mode != UniqueNormalSum || entries[j].active)) sum = AddVectors(sum, weighted(fj, key));
            }
            tnormal normal;
            normal.p = NormalizeVector(sum);
            if (!(VectorLength(normal.p) >= Epsilon)) normal.p = {1, 0, 0};
            normal.mark = 0;
            normals.push_back(normal);
        }
    }

    // Put in place: swaps only, nothing left to fail.
    SceneNormals.swap(normals);
    for (int32_t f = 0; f < faceCount; ++f)
        for (int c = 0; c < 3; ++c) std::swap(SceneFaces[f].normal[c], corners[3 * static_cast<std::size_t>(f) + c]);
    if (replaced) {
        replaced->normals = std::move(normals);
        replaced->corners = std::move(corners);
    }
}

bool RestoreVertexNormals(tnormalsundo& replaced) {
    if (replaced.corners.size() != 3 * SceneFaces.size()) return false;
    SceneNormals.swap(replaced.normals);
    for (std::size_t f = 0; f < SceneFaces.size(); ++f)
        for (int c = 0; c < 3; ++c) std::swap(SceneFaces[f].normal[c], replaced.corners[3 * f + c]);
    return true;
}

void SplitVertices(int32_t mode) {
    BuildVertexFaceTable();
    const int32_t vertexCount = static_cast<int32_t>(SceneVertices.size());
    const bool byNormal = mode >= 0 && mode <= 2;

    struct SplitEntry {
        int32_t face;
        int32_t normal;
        int32_t copy;  // 0 = the vertex itself, q = the q-th copy from the end
    };
    std::vector<SplitEntry> entries;
    std::unordered_map<int32_t, int32_t> firstCopy;  // normal index -> copy, for long lists
    constexpr std::size_t ShortList = 32;

    MeshProgress progress(vertexCount);
    for (int32_t v = 0; v < vertexCount; ++v) {
        progress.Tick(v);
        const int32_t key = v + 1;
        entries.clear();
        for (const int32_t* p = VertexFaceTable.Begin(key); p != VertexFaceTable.End(key); ++p) {
            const tface& f = SceneFaces[*p];
            entries.push_back({*p, f.normal[FindFaceCorner(key, f) - 1], 0});
        }
        if (entries.size() < 2) continue;
        const bool useMap = byNormal && entries.size() > ShortList;
        if (useMap) {
            firstCopy.clear();
            firstCopy.emplace(entries[0].normal, 0);
        }
        const tvertex original = SceneVertices[v];
        int32_t copies = 0;
        for (std::size_t k = 1; k < entries.size(); ++k) {
            int32_t copy = -1;
            if (byNormal) {
                if (useMap) {
                    const auto it = firstCopy.find(entries[k].normal);
                    if (it != firstCopy.end()) copy = it->second;
                } else {
                    for (std::size_t e = 0; e < k; ++e)
                        if (entries[e].normal == entries[k].normal) {
                            copy = entries[e].copy;
                            break;
                        }
                }
            }
            if (copy < 0) {
                copy = ++copies;
                SceneVertices.push_back(original);
                if (useMap) firstCopy.emplace(entries[k].normal, copy);
            }
            entries[k].copy = copy;
        }
        // The copies are handed out from the last appended backwards.
        const int32_t total = static_cast<int32_t>(SceneVertices.size());
        for (const SplitEntry& e : entries) {
            if (e.copy <= 0) continue;
            tface& f = SceneFaces[e.face];
            const int corner = FindFaceCorner(key, f);
            if (corner >= 1) f.vertex[corner - 1] = total - e.copy + 1;
        }
    }

    // Faces keep their order, materials and UVs: those tables stay valid.
    const bool materialTable = IsTableCurrent(MaterialFaceTable);
    const bool uvTable = IsTableCurrent(UVFaceTable);
    TopologyChanged();
    if (materialTable) MaterialFaceTable.generation = TopologyGeneration;
    if (uvTable) UVFaceTable.generation = TopologyGeneration;
}
