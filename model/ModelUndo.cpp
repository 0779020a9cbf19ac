#include "model/ModelUndo.h"

#include <utility>

#include "model/Selection.h"
#include "model/Services.h"

namespace {

// One index per face (`perFace` of them) and per line (`perLine`), read
// through `index`.
template <typename Index>
std::vector<int32_t> IndicesOf(std::size_t perFace, std::size_t perLine, Index index) {
    std::vector<int32_t> kept;
    kept.reserve(perFace * SceneFaces.size() + perLine * LineSegments.size());
    for (tface& f : SceneFaces)
        for (std::size_t c = 0; c < perFace; ++c) kept.push_back(index(f, c));
    for (tline& l : LineSegments)
        for (std::size_t c = 0; c < perLine; ++c) kept.push_back(index(l, c));
    return kept;
}

// Writes kept indices back through `index`, when the faces and lines are as
// many as when they were kept.
template <typename Index>
void PutIndicesBack(std::optional<std::vector<int32_t>>& kept, std::size_t perFace, std::size_t perLine, Index index) {
    if (!kept || kept->size() != perFace * SceneFaces.size() + perLine * LineSegments.size()) return;
    const int32_t* old = kept->data();
    for (tface& f : SceneFaces)
        for (std::size_t c = 0; c < perFace; ++c) index(f, c) = *old++;
    for (tline& l : LineSegments)
        for (std::size_t c = 0; c < perLine; ++c) index(l, c) = *old++;
}

const auto NormalOf = [](auto& r, std::size_t c) -> int32_t& { return r.normal[c]; };
const auto UVOf = [](auto& r, std::size_t c) -> int32_t& { return r.uv[c]; };
const auto GroupOf = [](auto& r, std::size_t) -> int32_t& { return r.group; };
const auto MaterialOf = [](auto& r, std::size_t) -> int32_t& { return r.material; };

// The list kept in its place; what the command made is released.
template <typename T>
void PutBack(std::optional<std::vector<T>>& kept, std::vector<T>& list) {
    if (!kept) return;
    list.swap(*kept);
    kept.reset();
}

template <typename T>
void CutTo(std::vector<T>& list, std::size_t length) {
    if (list.size() > length) list.erase(list.begin() + static_cast<std::ptrdiff_t>(length), list.end());
}

}  // namespace

void tmodelundo::KeepLengths() {
    if (!lengths)
        lengths = tlengths{SceneVertices.size(), SceneNormals.size(), SceneUVs.size(),
                           SceneFaces.size(), SceneGroups.size(), SceneMaterials.size()};
}

void tmodelundo::TakeNormals(tnormalsundo& replaced) {
    Take(normals, replaced.normals);
    // Faces kept whole carry their normals already.
    if (!faces && !normalCorners) normalCorners.emplace(std::move(replaced.corners));
}

void tmodelundo::KeepUVCorners() {
    if (!faces && !uvCorners) uvCorners = IndicesOf(3, 2, UVOf);
}

void tmodelundo::KeepGroupIndices() {
    if (!faces && !groupIndices) groupIndices = IndicesOf(1, 1, GroupOf);
}

void tmodelundo::KeepMaterialIndices() {
    if (!faces && !materialIndices) materialIndices = IndicesOf(1, 1, MaterialOf);
}

void tmodelundo::KeepSelection() {
    if (selection) return;
    std::vector<uint8_t> flags;
    flags.reserve(SceneMaterials.size());
    for (const tmaterial& m : SceneMaterials) flags.push_back(m.selected);
    selection = std::move(flags);
}

void tmodelundo::Restore() {
    if (selection && selection->size() == SceneMaterials.size())
        for (std::size_t i = 0; i < SceneMaterials.size(); ++i) SceneMaterials[i].selected = (*selection)[i];
    if (currentMaterial) CurrentMaterialIndex = *currentMaterial;
    // The normals were made last, over faces whose winding the transform
    // may have reversed before.
    PutIndicesBack(normalCorners, 3, 0, NormalOf);
    PutIndicesBack(uvCorners, 3, 2, UVOf);
    PutIndicesBack(groupIndices, 1, 1, GroupOf);
    PutIndicesBack(materialIndices, 1, 1, MaterialOf);
    if (faces) {
        PutBack(faces, SceneFaces);
    } else if (windingReversed) {
        ReverseFaceWinding();
    }
    PutBack(vertices, SceneVertices);
    PutBack(normals, SceneNormals);
    PutBack(uvs, SceneUVs);
    PutBack(lines, LineSegments);
    PutBack(groups, SceneGroups);
    PutBack(materials, SceneMaterials);
    PutBack(lights, Lights);
    PutBack(placeholders, Placeholders);
    if (lengths) {
        CutTo(SceneVertices, lengths->vertices);
        CutTo(SceneNormals, lengths->normals);
        CutTo(SceneUVs, lengths->uvs);
        CutTo(SceneFaces, lengths->faces);
        CutTo(SceneGroups, lengths->groups);
        CutTo(SceneMaterials, lengths->materials);
    }
    // The indices are as they were: nothing of the command is left, nor
    // the tables it built over its own lists.
    const uint64_t start = startGeneration;
    *this = tmodelundo{};
    for (tfacetable* table : {&VertexFaceTable, &MaterialFaceTable, &UVFaceTable}) *table = tfacetable{};
    TopologyChanged();
    TopologyPutBack = {start, TopologyGeneration};
    CountFacesPerGroupAndMaterial();
}

void tmodelundo::Finish() {
    for (const int32_t texture : texturesToDelete) DeleteRecordTexture(texture);
    texturesToDelete.clear();
    ++ModelCommandsEnded;
}
