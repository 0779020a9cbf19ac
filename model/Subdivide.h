// Subdivision: every chosen triangle becomes four, with a new vertex on each
// edge. The smooth step places the vertices by Loop's rules, the flat step
// puts the edge vertices at the midpoints. UVs are subdivided alongside.
//
// A face is chosen when its material is selected and its group visible, and,
// with the marked-only option, when it carries the subdivision mark.
#pragma once

#include <cstdint>

#include "model/Types.h"

struct tmodelundo;

// Set before each step from the "Smooth material boundaries" option: while
// it is on, an edge between faces of different materials is a border of the
// vertex rules (the UV rules never look at materials).
extern bool SubdivisionMaterialSwitch;

// ---- Edge tables (VertexEdgeTable, UVEdgeTable) -------------------------
// Every edge of every face (of every face with UVs in all three corners),
// entered in both directions, newest entry first within a vertex (UV); the
// flags say whether some face using the edge is selected / marked, and each
// entry knows the faces that use both ends (the highest face index and the
// lowest other one). Indices are 0-based.
void BuildVertexEdgeTable();
void BuildUVEdgeTable();
// Nothing when a = b; an existing entry gets the value and its flags OR-ed,
// otherwise a new entry goes to the head of a's list.
void AddVertexEdge(int32_t a, int32_t b, int32_t value, bool selected, bool mark);
void AddUVEdge(int32_t a, int32_t b, int32_t value, bool selected, bool mark);
// The value of edge a -> b (the index of its new vertex or UV), -1 when
// there is none.
int32_t FindVertexEdge(int32_t a, int32_t b);
int32_t FindUVEdge(int32_t a, int32_t b);

// Border tests on a built edge table (0-based indices).
bool IsBorderEdge(int32_t a, int32_t b);
bool IsUVBorderEdge(int32_t a, int32_t b);
bool IsSplitNormalEdge(int32_t a, int32_t b);

// Loop's rules on a built edge table, reading the current positions.
tvector LoopVertexPoint(int32_t vertex, bool smoothCreases, bool hardNormalEdges);
tvector2 LoopUVPoint(int32_t uv, bool smoothCreases);
tvector LoopEdgePoint(int32_t a, int32_t b, bool hardNormalEdges);
tvector2 LoopUVEdgePoint(int32_t a, int32_t b);
tvector VertexMidpoint(int32_t a, int32_t b);
// (0, 0) when either index is not below the UV count.
tvector2 UVMidpoint(int32_t a, int32_t b);

// One smoothing step. smoothVertexCreases / smoothUVCreases: a vertex (UV)
// on exactly two crease edges moves along them instead of staying;
// hardNormalEdges: edges whose faces use different normals at both ends are
// creases too; markedOnly: only marked faces are chosen. The new vertices,
// UVs and faces are made beside the old ones and take their place at the
// end: running out of memory leaves the model as it was. With `undo`, the
// old lists are handed there rather than freed.
void SubdivideSmooth(bool smoothVertexCreases, bool smoothUVCreases, bool hardNormalEdges, bool markedOnly,
                     tmodelundo* undo = nullptr);
// One flat step, alike; the second argument is not read.
void SubdivideFlat(bool markedOnly, bool unused = false, tmodelundo* undo = nullptr);

// Set the mark byte of every vertex (normal) to 0.
void ClearVertexFlags();
void ClearNormalFlags();
