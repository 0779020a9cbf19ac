// Vertex normals with a crease angle, and the splitting of vertices so that
// each vertex carries one normal.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Records.h"

// Weighting of the face normals that meet at a vertex (the items of the
// normal-mode list, in order).
enum NormalMode : int32_t {
    NormalSum = 0,           // "Normal sum"
    AngleWeightedSum = 1,    // "Angle-weigthed Sum": weighted by the corner angle
    UniqueNormalSum = 2,     // "Unique Normal Sum": equal face normals count once
    InverseAreaSum = 3,      // "Inverse Area Sum": weighted by 1 / face area
};

// The normals that CalcVertexNormals replaced, and the normal index each face
// corner had before it (three per face, faces in order).
struct tnormalsundo {
    std::vector<tnormal> normals;
    std::vector<int32_t> corners;
};

// New normals for the selected faces (material selected, group visible).
// Around each vertex the faces are grouped against the first face of each
// group: a face joins when its normal is within `crease` radians of that
// face's normal and less than 179.5 degrees from it. Each group gets one new
// normal. Faces that are not selected keep their normals (renumbered).
// Builds the vertex face table and leaves it valid. The new normals are made
// beside the old ones and put in place only once all are made: running out
// of memory (std::bad_alloc) leaves every face with the normals it had. With
// `replaced`, the old normals and indices are handed there rather than freed.
void CalcVertexNormals(int32_t mode, double crease, tnormalsundo* replaced = nullptr);

// Puts back the normals that CalcVertexNormals replaced, while the faces are
// the ones it worked on (as many, their normal indices aside); false, and
// nothing changed, when they are not. Allocates nothing.
bool RestoreVertexNormals(tnormalsundo& replaced);

// Gives every distinct normal used at a vertex its own copy of the vertex
// (modes 0 to 2; any other mode gives every further face its own copy).
// Copies are appended; normal and UV indices stay. Leaves the vertex face
// table stale.
void SplitVertices(int32_t mode);
