#include "model/Connectivity.h"

#include "model/Errors.h"

namespace {

// Counting sort into a flat table: offsets from the counts, then each entry
// placed from the end of its key's run backwards. A run thus lists its
// entries in the reverse of the order they were met (faces in order, corners
// 1 to 3): the highest face first.
template <typename ForEachKey>
void BuildTable(tfacetable& table, int32_t keyCount, ForEachKey&& forEachKey) {
    table.Clear();
    table.offsets.assign(static_cast<std::size_t>(keyCount) + 1, 0);
    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    for (int32_t f = 0; f < faceCount; ++f)
        forEachKey(SceneFaces[f], [&](int32_t key) { ++table.offsets[key + 1]; });
    for (int32_t k = 0; k < keyCount; ++k) table.offsets[k + 1] += table.offsets[k];
    table.faces.resize(table.offsets[keyCount]);
    std::vector<int32_t> fill(table.offsets.begin() + 1, table.offsets.end());
    for (int32_t f = 0; f < faceCount; ++f)
        forEachKey(SceneFaces[f], [&](int32_t key) { table.faces[--fill[key]] = f; });
    table.generation = TopologyGeneration;
    table.built = true;
}

void CheckIndex(int32_t index, std::size_t size, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= size) ThrowIndexError(what, index, size);
}

}  // namespace

void BuildVertexFaceTable() {
    const std::size_t n = SceneVertices.size();
    // Key 0 is unused so that a 1-based vertex index is its key.
    BuildTable(VertexFaceTable, static_cast<int32_t>(n) + 1, [n](const tface& f, auto&& add) {
        for (int c = 0; c < 3; ++c) {
            CheckIndex(f.vertex[c], n + 1, "SceneVertices");
            add(f.vertex[c]);
        }
    });
}

void BuildMaterialFaceTable() {
    const std::size_t n = SceneMaterials.size();
    BuildTable(MaterialFaceTable, static_cast<int32_t>(n), [n](const tface& f, auto&& add) {
        CheckIndex(f.material, n, "SceneMaterials");
        add(f.material);
    });
}

void BuildUVFaceTable() {
    const std::size_t n = SceneUVs.size();
    // With no UV at all nothing links to a face: the table is emptied rather
    // than left holding the faces of an older model.
    BuildTable(UVFaceTable, static_cast<int32_t>(n) + 1, [n](const tface& f, auto&& add) {
        if (n == 0) return;
        for (int c = 0; c < 3; ++c) {
            if (f.uv[c] < 1) continue;
            CheckIndex(f.uv[c], n + 1, "SceneUVs");
            add(f.uv[c]);
        }
    });
}

namespace {

bool Fits(const tfacetable& table, std::size_t keys, std::size_t entries) {
    return IsTableCurrent(table) && static_cast<std::size_t>(table.KeyCount()) == keys &&
           (entries == static_cast<std::size_t>(-1) || table.faces.size() == entries);
}

}  // namespace

void EnsureVertexFaceTable() {
    if (!Fits(VertexFaceTable, SceneVertices.size() + 1, 3 * SceneFaces.size())) BuildVertexFaceTable();
}

void EnsureMaterialFaceTable() {
    if (!Fits(MaterialFaceTable, SceneMaterials.size(), SceneFaces.size())) BuildMaterialFaceTable();
}

void EnsureUVFaceTable() {
    if (!Fits(UVFaceTable, SceneUVs.size() + 1, static_cast<std::size_t>(-1))) BuildUVFaceTable();
}

void CollectVertexUVs(int32_t vertex, std::vector<int32_t>& uvs) {
    uvs.clear();
    const int32_t key = vertex + 1;
    if (key < 0 || key >= VertexFaceTable.KeyCount()) return;
    for (const int32_t* p = VertexFaceTable.Begin(key); p != VertexFaceTable.End(key); ++p) {
        const tface& f = SceneFaces[*p];
        const int corner = FindFaceCorner(key, f);
        if (corner < 1) continue;
        const int32_t uv = f.uv[corner - 1];
        if (uv >= 1) uvs.push_back(uv - 1);
        if (uvs.size() > 2000) break;
    }
}
