#include "model/Normals.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// At a vertex, each group's first face is compared with every later one
// until that has made this many times as many comparisons as the vertex has
// faces: a few groups, as at most vertices and at larger angles, cost less
// so than the making of the tree below. Then the tree takes over, unless
// few faces are left.
constexpr std::size_t ScansBeforeTree = 8;
constexpr std::size_t FewFaces = 32;

// The face normals at one vertex, for its grouping at a crease angle: which
// of the faces not yet in a group join the group that a face opens, the
// same as comparing that face with every later one, in about the time of
// sorting them. A vertex may hold the faces of a whole fan, each with a
// normal of its own, which at a small angle each open a group.
//
// The normals lie in a tree of boxes, each box's normals halved across its
// widest side; a test against a group's first normal looks only into boxes
// with faces left whose normals could pass it, rounding allowed for. A box
// of one point holds equal normals, of any number: one test decides for all
// of them.
class CreaseIndex {
public:
    // Files the faces for which `grouped` is false. False when some normal
    // has a coordinate so large (or infinite) that the bound of the boxes
    // does not hold; the faces are then compared with every later one.
    template <typename Grouped>
    bool Build(const std::vector<tvector>& normals, Grouped&& grouped) {
        normals_ = &normals;
        grouped_.assign(normals.size(), 1);
        leafOf_.assign(normals.size(), None);
        points_.clear();
        for (std::size_t e = 0; e < normals.size(); ++e) {
            if (grouped(e)) continue;
            grouped_[e] = 0;
            const tvector& n = normals[e];
            // A NaN gives NaN dot products: such a face joins no group, and
            // none joins the group it opens.
            if (std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z)) continue;
            if (!(std::fabs(n.x) <= Large && std::fabs(n.y) <= Large && std::fabs(n.z) <= Large)) return false;
            points_.push_back({n, static_cast<uint32_t>(e)});
        }
        nodes_.clear();
        if (!points_.empty()) Split(0, static_cast<uint32_t>(points_.size()), None);
        return true;
    }

    // Face `opener`, the first not yet in a group, opens one: the faces not
    // yet in a group (all after it) whose normal's dot product d with its
    // normal has d > cosCrease and d > cosLimit are appended to `joined` in
    // their order.
    void Open(std::size_t opener, double cosCrease, double cosLimit, std::vector<std::size_t>& joined) {
        grouped_[opener] = 1;
        const uint32_t leaf = leafOf_[opener];
        if (leaf == None) return;
        const std::size_t first = joined.size();
        const tvector& a = (*normals_)[opener];
        const double squareA = DotProduct(a, a);
        // Its own leaf, then on the way up the other side of each box: the
        // whole tree, with the boxes near it, which a small angle finds,
        // looked at first.
        --nodes_[leaf].alive;
        Collect(leaf, a, squareA, cosCrease, cosLimit, joined);
        for (uint32_t node = leaf; nodes_[node].parent != None; node = nodes_[node].parent) {
            Node& up = nodes_[nodes_[node].parent];
            Collect(up.left == node ? up.right : up.left, a, squareA, cosCrease, cosLimit, joined);
            up.alive = nodes_[up.left].alive + nodes_[up.right].alive;
        }
        std::sort(joined.begin() + static_cast<std::ptrdiff_t>(first), joined.end());
    }

private:
    static constexpr uint32_t None = UINT32_MAX;
    static constexpr uint32_t LeafFaces = 8;
    static constexpr double Large = 1e100;
    struct Node {
        tvector lo, hi;        // the box of its normals
        double square;         // the largest square length of its normals
        uint32_t begin, end;   // its faces: points_[begin, end)
        uint32_t left, right;  // None for a leaf
        uint32_t parent;
        uint32_t alive;  // faces not yet in a group
        bool uniform;    // a leaf of equal normals
    };

    uint32_t Split(uint32_t begin, uint32_t end, uint32_t parent) {
        const uint32_t index = static_cast<uint32_t>(nodes_.size());
        const tvector& first = points_[begin].normal;
        Node node{first, first, 0.0, begin, end, None, None, parent, end - begin, false};
        for (uint32_t k = begin; k < end; ++k) {
            const tvector& p = points_[k].normal;
            node.lo = {std::min(node.lo.x, p.x), std::min(node.lo.y, p.y), std::min(node.lo.z, p.z)};
            node.hi = {std::max(node.hi.x, p.x), std::max(node.hi.y, p.y), std::max(node.hi.z, p.z)};
            node.square = std::max(node.square, DotProduct(p, p));
        }
        nodes_.push_back(node);
        // Equal as numbers, the normals give dot products that differ at
        // most in the sign of a zero.
        node.uniform = node.lo.x == node.hi.x && node.lo.y == node.hi.y && node.lo.z == node.hi.z;
        if (node.uniform || end - begin <= LeafFaces) {
            for (uint32_t k = begin; k < end; ++k) leafOf_[points_[k].face] = index;
        } else {
            const tvector side = SubtractVectors(node.hi, node.lo);
            const int axis = side.x >= side.y && side.x >= side.z ? 0 : side.y >= side.z ? 1 : 2;
            const auto coordinate = [axis](const Point& p) {
                return axis == 0 ? p.normal.x : axis == 1 ? p.normal.y : p.normal.z;
            };
            const uint32_t middle = begin + (end - begin) / 2;
            std::nth_element(points_.begin() + begin, points_.begin() + middle, points_.begin() + end,
                             [&](const Point& a, const Point& b) { return coordinate(a) < coordinate(b); });
            node.left = Split(begin, middle, index);
            node.right = Split(middle, end, index);
        }
        nodes_[index] = node;
        return index;
    }

    // More than the largest dot product with `a`, as rounded, of a normal
    // of the node: a . p = (|a|^2 + |p|^2 - |a - p|^2) / 2, with |p|^2 at
    // most the node's largest and |a - p| at least the distance from a to
    // its box, plus far more than the rounding of each term. Unlike the
    // largest product over the box, this falls off with the square of the
    // distance, as the products of normals of about unit length do, so that
    // a small crease angle looks into few boxes.
    static double Bound(const Node& node, const tvector& a, double squareA) {
        const auto gap = [](double x, double lo, double hi) { return x < lo ? lo - x : x > hi ? x - hi : 0.0; };
        const double dx = gap(a.x, node.lo.x, node.hi.x), dy = gap(a.y, node.lo.y, node.hi.y),
                     dz = gap(a.z, node.lo.z, node.hi.z);
        const double distance = dx * dx + dy * dy + dz * dz;
        return (squareA + node.square - distance) / 2 + 1e-12 * (squareA + node.square + distance + 1) + 1e-300;
    }

    void Collect(uint32_t index, const tvector& a, double squareA, double cosCrease, double cosLimit,
                 std::vector<std::size_t>& joined) {
        Node& node = nodes_[index];
        if (node.alive == 0) return;
        if (const double bound = Bound(node, a, squareA); !(bound > cosCrease && bound > cosLimit)) return;
        if (node.left != None) {
            Collect(node.left, a, squareA, cosCrease, cosLimit, joined);
            Collect(node.right, a, squareA, cosCrease, cosLimit, joined);
            nodes_[index].alive = nodes_[node.left].alive + nodes_[node.right].alive;
            return;
        }
        const auto joins = [&](const Point& p) {
            const double d = DotProduct(a, p.normal);
            return d > cosCrease && d > cosLimit;
        };
        if (node.uniform && !joins(points_[node.begin])) return;
        for (uint32_t k = node.begin; k < node.end; ++k) {
            const uint32_t e = points_[k].face;
            if (grouped_[e] || !(node.uniform || joins(points_[k]))) continue;
            grouped_[e] = 1;
            joined.push_back(e);
            --node.alive;
        }
    }

    struct Point {
        tvector normal;
        uint32_t face;
    };
    const std::vector<tvector>* normals_ = nullptr;
    std::vector<uint8_t> grouped_;   // of each face
    std::vector<uint32_t> leafOf_;   // of each face; None for one with a NaN
    std::vector<Point> points_;      // the faces, box by box
    std::vector<Node> nodes_;        // the root first
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
    std::vector<std::size_t> joined;  // the entries that join a group
    CreaseIndex byNormal;
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

        const auto normalsOfFaces = [&] {
            faceNormals.clear();
            for (const NormalEntry& e : entries) faceNormals.push_back(faceNormal[e.face]);
        };
        if (mode == UniqueNormalSum) {
            // Each kept face normal takes every other that repeats it out of the sum.
            normalsOfFaces();
            KeepFirstOfRepeatedNormals(faceNormals, keep);
            for (std::size_t a = 0; a < count; ++a) entries[a].active = keep[a] != 0;
        }
        bool indexed = false;
        std::size_t scanned = 0;  // faces compared without the tree

        for (std::size_t i = 0; i < count; ++i) {
            if (entries[i].group >= 0) continue;
            if (!indexed && scanned > ScansBeforeTree * count && count - i > FewFaces) {
                normalsOfFaces();
                indexed = byNormal.Build(faceNormals, [&](std::size_t e) { return entries[e].group >= 0; });
            }
            const int32_t index = static_cast<int32_t>(normals.size()) + 1;
            entries[i].group = static_cast<int32_t>(i);
            const int32_t fi = entries[i].face;
            corner(fi, key) = index;
            tvector sum = weighted(fi, key);
            // The later faces not yet in a group within the crease angle of
            // this one join it, in their order.
            const auto join = [&](std::size_t j) {
                entries[j].group = static_cast<int32_t>(i);
                const int32_t fj = entries[j].face;
                corner(fj, key) = index;
                if (othersAdd && (mode != UniqueNormalSum || entries[j].active)) sum = AddVectors(sum, weighted(fj, key));
            };
            if (indexed) {
                joined.clear();
                byNormal.Open(i, cosCrease, cosLimit, joined);
                for (const std::size_t j : joined) join(j);
            } else {
                scanned += count - i;
                const tvector& ni = faceNormal[fi];
                for (std::size_t j = i + 1; j < count; ++j) {
                    if (entries[j].group >= 0) continue;
                    const double d = DotProduct(ni, faceNormal[entries[j].face]);
                    if (d > cosCrease && d > cosLimit) join(j);
                }
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
