// Tables that link vertices, materials and UVs to the faces that use them.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Model.h"

// True when the face's material is selected and its group visible: only such
// faces take part in drawing, export and the geometry tools.
inline bool IsFaceSelected(const tface& f) {
    return At(SceneMaterials, f.material, "SceneMaterials").selected &&
           At(SceneGroups, f.group, "SceneGroups").visible;
}

// The corner 1..3 that holds the 1-based vertex (the last when several do),
// -1 when none.
inline int FindFaceCorner(int32_t vertex, const tface& f) {
    for (int c = 2; c >= 0; --c)
        if (f.vertex[c] == vertex) return c + 1;
    return -1;
}

// Rebuild the tables from SceneFaces. The vertex table has one entry per
// corner (a face using a vertex twice is listed twice), the UV table one
// entry per corner with a UV, the material table one per face. Within one
// key faces run from the highest index to the lowest.
void BuildVertexFaceTable();
void BuildMaterialFaceTable();
// With no UV at all the table is left empty (no stale faces).
void BuildUVFaceTable();

// The same, only when the table is stale: built before the last change of
// the model's topology, or no longer the size of its lists. Callers that
// only need a current table use these, so that one change of the model
// builds each table once.
void EnsureVertexFaceTable();
void EnsureMaterialFaceTable();
void EnsureUVFaceTable();
// The three at once: the stale ones are built together, in one pass over
// the faces.
void EnsureFaceTables();

// Empties `table`, which is then stale, and gives it room for `records`
// records of its list (vertices, materials or UVs) and `entries` faces, so
// that building it for that many afterwards allocates nothing: a change of
// the model takes this room before it changes anything, and cannot then run
// out of memory half-way.
void ReserveFaceTable(tfacetable& table, std::size_t records, std::size_t entries);

// The 0-based UVs of the corners that hold the 0-based vertex, in the order
// of the vertex's faces; stops once more than 2000 are collected.
void CollectVertexUVs(int32_t vertex, std::vector<int32_t>& uvs);
