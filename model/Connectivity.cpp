#include "model/Connectivity.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "model/Errors.h"

namespace {

void CheckIndex(int32_t index, std::size_t size, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= size) ThrowIndexError(what, index, size);
}

// Counting sort into flat tables: each key counted, the counts summed into
// the ends of the keys' runs, then each entry placed from the end of its
// key's run backwards, which leaves every run's start one place later in
// the offsets than where they need it. A run thus lists its entries in the
// reverse of the order they were met (faces in order, corners 1 to 3): the
// highest face first. The tables asked for are built together, in one
// counting pass and one placing pass over the faces, and need no memory
// beyond their own.
//
// Vertex and UV keys are the 1-based indices (key 0 unused); material keys
// are the 0-based indices. With no UV at all nothing links to a face: the UV
// table is emptied rather than left holding the faces of an older model.
void BuildTables(bool vertices, bool materials, bool uvs) {
    const std::size_t vertexCount = SceneVertices.size();
    const std::size_t materialCount = SceneMaterials.size();
    const std::size_t uvCount = SceneUVs.size();
    const std::pair<tfacetable*, std::size_t> tables[] = {{vertices ? &VertexFaceTable : nullptr, vertexCount + 1},
                                                          {materials ? &MaterialFaceTable : nullptr, materialCount},
                                                          {uvs ? &UVFaceTable : nullptr, uvCount + 1}};
    for (auto [table, keys] : tables)
        if (table) {
            table->Clear();
            table->offsets.assign(keys + 1, 0);
        }
    const bool anyUV = uvs && uvCount > 0;
    // offsets[key + 1]: the key's count, then the end of its run, then its start.
    int32_t* const vertexEnd = vertices ? VertexFaceTable.offsets.data() + 1 : nullptr;
    int32_t* const materialEnd = materials ? MaterialFaceTable.offsets.data() + 1 : nullptr;
    int32_t* const uvEnd = uvs ? UVFaceTable.offsets.data() + 1 : nullptr;
    for (const tface& f : SceneFaces) {
        if (vertices)
            for (int c = 0; c < 3; ++c) {
                CheckIndex(f.vertex[c], vertexCount + 1, "SceneVertices");
                ++vertexEnd[f.vertex[c]];
            }
        if (materials) {
            CheckIndex(f.material, materialCount, "SceneMaterials");
            ++materialEnd[f.material];
        }
        if (anyUV)
            for (int c = 0; c < 3; ++c) {
                if (f.uv[c] < 1) continue;
                CheckIndex(f.uv[c], uvCount + 1, "SceneUVs");
                ++uvEnd[f.uv[c]];
            }
    }
    for (auto [table, keys] : tables) {
        if (!table) continue;
        std::vector<int32_t>& offsets = table->offsets;
        for (std::size_t k = 1; k < offsets.size(); ++k) offsets[k] += offsets[k - 1];
        table->faces.resize(static_cast<std::size_t>(offsets.back()));
    }
    int32_t* const vertexFaces = VertexFaceTable.faces.data();
    int32_t* const materialFaces = MaterialFaceTable.faces.data();
    int32_t* const uvFaces = UVFaceTable.faces.data();
    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    for (int32_t i = 0; i < faceCount; ++i) {
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (vertices)
            for (int c = 0; c < 3; ++c) vertexFaces[--vertexEnd[f.vertex[c]]] = i;
        if (materials) materialFaces[--materialEnd[f.material]] = i;
        if (anyUV)
            for (int c = 0; c < 3; ++c)
                if (f.uv[c] >= 1) uvFaces[--uvEnd[f.uv[c]]] = i;
    }
    for (auto [table, keys] : tables) {
        if (!table) continue;
        // The starts move one place down, and the total ends the offsets.
        std::vector<int32_t>& offsets = table->offsets;
        std::copy(offsets.begin() + 1, offsets.end(), offsets.begin());
        offsets.back() = static_cast<int32_t>(table->faces.size());
        table->generation = TopologyGeneration;
        table->built = true;
    }
}

bool Fits(const tfacetable& table, std::size_t keys, std::size_t entries) {
    return IsTableCurrent(table) && static_cast<std::size_t>(table.KeyCount()) == keys &&
           (entries == static_cast<std::size_t>(-1) || table.faces.size() == entries);
}

bool VertexTableFits() { return Fits(VertexFaceTable, SceneVertices.size() + 1, 3 * SceneFaces.size()); }
bool MaterialTableFits() { return Fits(MaterialFaceTable, SceneMaterials.size(), SceneFaces.size()); }
bool UVTableFits() { return Fits(UVFaceTable, SceneUVs.size() + 1, static_cast<std::size_t>(-1)); }

}  // namespace

void BuildVertexFaceTable() { BuildTables(true, false, false); }
void BuildMaterialFaceTable() { BuildTables(false, true, false); }
void BuildUVFaceTable() { BuildTables(false, false, true); }

void EnsureVertexFaceTable() {
    if (!VertexTableFits()) BuildVertexFaceTable();
}

void EnsureMaterialFaceTable() {
    if (!MaterialTableFits()) BuildMaterialFaceTable();
}

void EnsureUVFaceTable() {
    if (!UVTableFits()) BuildUVFaceTable();
}

void EnsureFaceTables() { BuildTables(!VertexTableFits(), !MaterialTableFits(), !UVTableFits()); }

void ReserveFaceTable(tfacetable& table, std::size_t records, std::size_t entries) {
    // The vertex and UV tables have a key 0 that no face uses.
    const std::size_t keys = &table == &MaterialFaceTable ? records : records + 1;
    table.Clear();
    table.offsets.reserve(keys + 1);
    table.faces.reserve(entries);
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
