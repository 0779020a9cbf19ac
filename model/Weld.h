// Welding of vertices and of UV coordinates that lie within a tolerance.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Records.h"

// Merges every vertex into a vertex that is no farther than `tolerance` from
// it. Vertices are visited by their distance from the centre of their own
// bounding box (rounded to a key; equal keys by lower index first); a vertex
// that no earlier kept vertex claims is kept, and it claims every later
// vertex within the tolerance, a later claim replacing an earlier one. Kept
// vertices stay in their old order; faces whose corners are then not three
// different vertices are removed, lines are renumbered and always kept.
// Counts and the vertex, material and UV face tables are rebuilt.
// Vertices with a coordinate that is not finite are never merged.
void WeldVertices(double tolerance);

// Merges the UVs used around one vertex whose u and v each differ by less
// than `tolerance`: over the UVs of each vertex's corners, an earlier UV is
// merged into the last later one that is close. Chains of merges end on one
// kept UV; a cycle of merges keeps the UV its last merge went into. Kept UVs
// stay in their old order; faces and lines are renumbered; the UV face table
// is rebuilt. Needs nothing current; builds what it reads. With `replaced`,
// a weld that changes the UVs hands there the old UVs and every face
// corner's and line end's old UV index (three per face, then two per line),
// before it builds the table.
struct tuvundo {
    std::vector<tuv> uvs;
    std::vector<int32_t> corners;
};
void WeldUVs(double tolerance, tuvundo* replaced = nullptr);

// Puts back the UVs that WeldUVs replaced, while the faces and lines are the
// ones it worked on (as many); false, and nothing changed, when they are not
// or nothing was replaced. Allocates nothing.
bool RestoreWeldedUVs(tuvundo& replaced);
