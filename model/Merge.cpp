#include "model/Merge.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "model/Model.h"
#include "model/UniqueNames.h"
#include "model/VectorMath.h"

namespace {

// An import-local 1-based index shifted past `offset` scene records; 0 (none)
// when it does not name one of the `count` import records.
inline int32_t ShiftIndex(int32_t index, int64_t count, int32_t offset) {
    if (index < 1 || index > count) return 0;
    return index + offset;
}

template <typename T>
bool InRange(int32_t index, const std::vector<T>& list) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

[[noreturn]] void Reject(const std::string& what) {
    DiscardImport();
    throw ModelError("Import not merged: " + what);
}

// Everything that would make the merged model inconsistent is checked before
// the first record moves into the scene. The faces are checked as their
// indices are shifted (ShiftFaces); these are the lines and polylines.
void ValidateImportLines(std::size_t firstLine, std::size_t firstPolyline) {
    for (std::size_t i = firstLine; i < LineSegments.size(); ++i) {
        const tline& l = LineSegments[i];
        if (!InRange(l.group, ImportGroups))
            Reject("line " + std::to_string(i) + " has group " + std::to_string(l.group));
        if (!InRange(l.material, ImportMaterials))
            Reject("line " + std::to_string(i) + " has material " + std::to_string(l.material));
    }
    const int64_t lineCount = static_cast<int64_t>(LineSegments.size());
    for (std::size_t i = firstPolyline; i < Polylines.size(); ++i) {
        const tpolyline& p = Polylines[i];
        if (p.first < 0 || p.count < 0 || static_cast<int64_t>(p.first) + p.count > lineCount)
            Reject("polyline " + std::to_string(i) + " runs outside the line segments");
    }
}

// The names of a scene list, taken.
template <typename Record>
UniqueNameSet NamesOf(const std::vector<Record>& list) {
    UniqueNameSet names(tname::Capacity);
    names.Reserve(list.size() * 2 + 16);
    for (const Record& r : list) names.Add(r.name.view());
    return names;
}

template <typename T>
void MoveAppend(std::vector<T>& from, std::vector<T>& to) {
    if (to.empty()) {
        to.swap(from);
        return;
    }
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

// How far the import's records move: the import list sizes and the scene's
// counts before the merge.
struct Offsets {
    int64_t importV, importN, importT;
    int32_t V, N, T, G, M;
};

// The indices of a face or line shifted past the scene's records.
template <typename Record, int Corners>
void Shift(Record& r, const Offsets& o) {
    for (int c = 0; c < Corners; ++c) {
        r.vertex[c] = ShiftIndex(r.vertex[c], o.importV, o.V);
        r.normal[c] = ShiftIndex(r.normal[c], o.importN, o.N);
        r.uv[c] = ShiftIndex(r.uv[c], o.importT, o.T);
    }
    r.group += o.G;
    r.material += o.M;
}

// Checks every import face's group and material and shifts its indices, in
// one pass. A face that fails ends the merge with nothing moved: the import
// faces are dropped with the rest of the import, shifted or not.
void ShiftFaces(const Offsets& o) {
    for (std::size_t i = 0; i < ImportFaces.size(); ++i) {
        tface& f = ImportFaces[i];
        if (!InRange(f.group, ImportGroups))
            Reject("face " + std::to_string(i) + " has group " + std::to_string(f.group));
        if (!InRange(f.material, ImportMaterials))
            Reject("face " + std::to_string(i) + " has material " + std::to_string(f.material));
        Shift<tface, 3>(f, o);
    }
}

}  // namespace

void DiscardImport() {
    ClearImportLists();
    if (LinesMergedCount < 0) LinesMergedCount = 0;
    if (PolylinesMergedCount < 0) PolylinesMergedCount = 0;
    if (static_cast<std::size_t>(LinesMergedCount) < LineSegments.size()) LineSegments.resize(LinesMergedCount);
    if (static_cast<std::size_t>(PolylinesMergedCount) < Polylines.size()) Polylines.resize(PolylinesMergedCount);
    LinesMergedCount = static_cast<int32_t>(LineSegments.size());
    PolylinesMergedCount = static_cast<int32_t>(Polylines.size());
}

void MergeImportIntoScene(const tvector& move, const tvector& rotation, const tvector& scale) {
    const std::size_t firstLine =
        LinesMergedCount < 0 ? 0 : std::min<std::size_t>(LinesMergedCount, LineSegments.size());
    const std::size_t firstPolyline =
        PolylinesMergedCount < 0 ? 0 : std::min<std::size_t>(PolylinesMergedCount, Polylines.size());

    // 1. Where the new records will start.
    const int32_t V = static_cast<int32_t>(SceneVertices.size());
    const int32_t N = static_cast<int32_t>(SceneNormals.size());
    const int32_t T = static_cast<int32_t>(SceneUVs.size());
    const int32_t G = static_cast<int32_t>(SceneGroups.size());
    const int32_t M = static_cast<int32_t>(SceneMaterials.size());
    const int64_t importV = static_cast<int64_t>(ImportVertices.size());
    const int64_t importN = static_cast<int64_t>(ImportNormals.size());
    const int64_t importT = static_cast<int64_t>(ImportUVs.size());

    // Faces (step 7) first: their groups and materials are checked as their
    // indices are shifted, before any record moves; then the lines.
    const Offsets offsets{importV, importN, importT, V, N, T, G, M};
    ShiftFaces(offsets);
    ValidateImportLines(firstLine, firstPolyline);

    // 2. Vertices: move, turn about Y, X, Z, scale.
    static constexpr tvector X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1};
    const bool identity = move == tvector{0, 0, 0} && rotation == tvector{0, 0, 0} && scale == tvector{1, 1, 1};
    if (!identity) {
        for (tvertex& v : ImportVertices) {
            tvector p = AddVectors(v.p, move);
            if (rotation.y != 0) p = RotateAboutAxis(p, Y, rotation.y);
            if (rotation.x != 0) p = RotateAboutAxis(p, X, rotation.x);
            if (rotation.z != 0) p = RotateAboutAxis(p, Z, rotation.z);
            v.p = MultiplyVectors(p, scale);
        }
    }
    MoveAppend(ImportVertices, SceneVertices);

    // 3.-4. UVs and normals unchanged.
    MoveAppend(ImportUVs, SceneUVs);
    MoveAppend(ImportNormals, SceneNormals);

    // 5.-6. Materials and groups, with clashing names made unique against
    // the scene and against the records of this import merged before them.
    if (!ImportMaterials.empty()) {
        UniqueNameSet taken = NamesOf(SceneMaterials);
        for (tmaterial& m : ImportMaterials) m.name = taken.Take(m.name.view());
        MoveAppend(ImportMaterials, SceneMaterials);
    }
    if (!ImportGroups.empty()) {
        UniqueNameSet taken = NamesOf(SceneGroups);
        for (tgroup& g : ImportGroups) g.name = taken.Take(g.name.view());
        MoveAppend(ImportGroups, SceneGroups);
    }

    MoveAppend(ImportFaces, SceneFaces);

    // The lines the reader appended since the last merge.
    for (std::size_t i = firstLine; i < LineSegments.size(); ++i) Shift<tline, 2>(LineSegments[i], offsets);
    LinesMergedCount = static_cast<int32_t>(LineSegments.size());
    PolylinesMergedCount = static_cast<int32_t>(Polylines.size());

    // 8. The import lists are left empty.
    ClearImportLists();
    TopologyChanged();
}
