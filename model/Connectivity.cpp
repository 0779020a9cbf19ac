#include "model/Connectivity.h"

#include <utility>
#include <vector>

#include "model/Errors.h"

namespace {

void CheckIndex(int32_t index, std::size_t size, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= size) ThrowIndexError(what, index, size);
}

// Counting sort into flat tables: offsets from the counts, then each entry
// placed from the end of its key's run backwards. A run thus lists its
// entries in the reverse of the order they were met (faces in order, corners
// 1 to 3): the highest face first. The tables asked for are built together,
// in one counting pass and one placing pass over the faces.
//
// Vertex and UV keys are the 1-based indices (key 0 unused); material keys
// are the 0-based indices. With no UV at all nothing links to a face: the UV
// table is emptied rather than left holding the faces of an older model.
void BuildTables(bool vertices, bool materials, bool uvs) {
    struct Build {
        tfacetable* table;
        std::vector<int32_t> fill;
    };
    const std::size_t vertexCount = SceneVertices.size();
    const std::size_t materialCount = SceneMaterials.size();
    const std::size_t uvCount = SceneUVs.size();
    Build v{vertices ? &VertexFaceTable : nullptr, {}};
    Build m{materials ? &MaterialFaceTable : nullptr, {}};
    Build t{uvs ? &UVFaceTable : nullptr, {}};
    for (auto [b, keys] : {std::pair{&v, vertexCount + 1}, std::pair{&m, materialCount}, std::pair{&t, uvCount + 1}})
        if (b->table) {
            b->table->Clear();
            b->table->offsets.assign(keys + 1, 0);
        }
    const bool anyUV = uvs && uvCount > 0;
    int32_t* const vCount = vertices ? VertexFaceTable.offsets.data() + 1 : nullptr;
    int32_t* const mCount = materials ? MaterialFaceTable.offsets.data() + 1 : nullptr;
    int32_t* const tCount = uvs ? UVFaceTable.offsets.data() + 1 : nullptr;
    for (const tface& f : SceneFaces) {
        if (vertices)
            for (int c = 0; c < 3; ++c) {
                CheckIndex(f.vertex[c], vertexCount + 1, "SceneVertices");
                ++vCount[f.vertex[c]];
            }
        if (materials) {
            CheckIndex(f.material, materialCount, "SceneMaterials");
            ++mCount[f.material];
        }
        if (anyUV)
            for (int c = 0; c < 3; ++c) {
                if (f.uv[c] < 1) continue;
                CheckIndex(f.uv[c], uvCount + 1, "SceneUVs");
                ++tCount[f.uv[c]];
            }
    }
    for (Build* b : {&v, &m, &t}) {
        if (!b->table) continue;
        std::vector<int32_t>& offsets = b->table->offsets;
        for (std::size_t k = 1; k < offsets.size(); ++k) offsets[k] += offsets[k - 1];
        b->table->faces.resize(static_cast<std::size_t>(offsets.back()));
        b->fill.assign(offsets.begin() + 1, offsets.end());
    }
    const int32_t faceCount = static_cast<int32_t>(SceneFaces.size());
    for (int32_t i = 0; i < faceCount; ++i) {
        const tface& f = SceneFaces[static_cast<std::size_t>(i)];
        if (vertices)
            for (int c = 0; c < 3; ++c) VertexFaceTable.faces[--v.fill[f.vertex[c]]] = i;
        if (materials) MaterialFaceTable.faces[--m.fill[f.material]] = i;
        if (anyUV)
            for (int c = 0; c < 3; ++c)
                if (f.uv[c] >= 1) UVFaceTable.faces[--t.fill[f.uv[c]]] = i;
    }
    for (Build* b : {&v, &m, &t})
        if (b->table) {
            b->table->generation = TopologyGeneration;
            b->table->built = true;
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
