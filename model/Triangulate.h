// Splitting polygons into triangles.
//
// A reader that meets a polygon of more than three corners fills one
// `tpolygon` and calls `TriangulatePolygon`; the triangles reuse the
// polygon's own vertex, normal and UV indices. Positions are read from the
// vertex list the caller passes (the readers pass ImportVertices); normal and
// UV indices are only copied.
//
// Methods (the items of the "Triangulation mode:" list):
//  - 0 "Automatic": the GLU tessellator; when it gives no triangle, the ear
//    cutting;
//  - 1 "OpenGL Tessellation": the polygon tessellator of GLU (pure CPU
//    work, no GL context needed). It may not add vertices, so an outline
//    that crosses itself gives nothing; one whose sides clearly cross is
//    recognised before the tessellator is started. Output with more than
//    n - 2 triangles, or after the tessellator reported an error, counts as
//    nothing;
//  - 2 "Ear cutting": a quad is cut along the diagonal whose end corners
//    have the more alike corner normals, or, when exactly one corner is
//    concave, along the diagonal through that corner; 5 or more corners are
//    ear-cut starting at the widest corner. Spikes of no area (a side walked
//    out and straight back) are dropped, and a corner that repeats the
//    position of a candidate's tip blocks it when its sides run into the
//    candidate, so outlines that touch themselves come out right. Time is
//    about n^2 (some 25 ms for 2000 corners).
//
// Output convention: `triangles` is cleared and receives the triangles at
// entries 0 .. count-1 (there is no unused entry 0), count = triangles.size().
// A polygon of n corners gives at most n - 2 triangles. The orientation of
// every triangle follows the polygon's winding (counter-clockwise seen from
// the side its Newell normal points to).
//
// Results for special input, whatever the method:
//  - a corner whose vertex index is not in 1..vertices.size(): nothing is
//    read, no triangle, result BadCornerIndex (the caller counts and skips
//    the polygon);
//  - fewer than 3 or more than MaxPolygonCorners corners: no triangle;
//  - exactly 3 corners: the triangle (1, 2, 3) unchanged, positions unread;
//  - 4 or more corners with a position that is not finite (NaN, infinity):
//    no triangle;
//  - degenerate polygons (all corners on one line, fewer than 3 distinct
//    points, zero area): GLU gives nothing for them; the ear cutting gives
//    nothing for 5 or more corners and splits a quad into its two triangles
//    regardless (zero-area triangles are removed later by the geometry
//    step). Repeated corners are allowed; there may then be fewer than
//    n - 2 triangles.
//  - a polygon that crosses itself: GLU gives nothing; the ear cutting
//    keeps the ears it finds and drops the rest.
// No input makes either method loop without end: the ear cutting stops as
// soon as a whole round of the remaining corners holds no ear.
//
// Each thread keeps its own tessellator (made once, then reused) and work
// buffers; within a thread, one polygon at a time.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/Model.h"  // MaxPolygonCorners
#include "model/Records.h"
#include "model/Types.h"

// One polygon as a reader hands it over. Corner i (1-based, 1..count) is
// kept at array position i - 1. The record is 24 KB: a reader keeps one and
// starts each polygon by setting count to 0.
struct tpolygon {
    std::array<int32_t, MaxPolygonCorners> vertex{};  // 1-based into the vertex list
    std::array<int32_t, MaxPolygonCorners> normal{};  // copied, never read
    std::array<int32_t, MaxPolygonCorners> uv{};      // copied, never read
    int32_t count = 0;
    int32_t material = 0;                             // copied into every triangle
    int32_t group = 0;                                // copied into every triangle
    int32_t polygon = 0;                              // the reader's polygon number, copied

    // Appends a corner; false (and nothing changes) when the polygon is full.
    bool AddCorner(int32_t vertexIndex, int32_t normalIndex = 0, int32_t uvIndex = 0) {
        if (count < 0 || count >= MaxPolygonCorners) return false;
        vertex[count] = vertexIndex;
        normal[count] = normalIndex;
        uv[count] = uvIndex;
        ++count;
        return true;
    }
};

// The items of the "Triangulation mode:" list, in its order.
enum TriangulationMethod : int32_t {
    TriangulateAutomatic = 0,   // "Automatic": GLU, then ear cutting when GLU gave nothing
    TriangulateOpenGL = 1,      // "OpenGL Tessellation"
    TriangulateEarCut = 2,      // "Ear cutting"
};

enum class TriangulateStatus {
    Done,            // `triangles` holds the result (possibly empty)
    BadCornerIndex,  // a vertex index is outside the vertex list; no triangle
    UnknownMethod,   // the method is none of the three; no triangle
};

TriangulateStatus TriangulatePolygon(const tpolygon& polygon, tfacearray& triangles, int method,
                                     const std::vector<tvertex>& vertices);
TriangulateStatus TriangulateGLU(const tpolygon& polygon, tfacearray& triangles,
                                 const std::vector<tvertex>& vertices);
TriangulateStatus TriangulateEarCutting(const tpolygon& polygon, tfacearray& triangles,
                                        const std::vector<tvertex>& vertices);

// Geometry of a polygon. Corners are 1-based; the corner before 1 is count
// and the one after count is 1. Vertex indices are checked (ModelError).
// Newell's normal, normalised; the zero vector for a polygon without area.
tvector PolygonNormal(const tpolygon& polygon, const std::vector<tvertex>& vertices);
// (next - corner) x (prev - corner), normalised: along the polygon normal at
// a convex corner of a counter-clockwise polygon, against it at a concave one.
tvector PolygonCornerNormal(int corner, const tpolygon& polygon, const std::vector<tvertex>& vertices);
// Angle between the two sides at the corner, 0..pi (pi on a straight run).
double PolygonCornerAngle(int corner, const tpolygon& polygon, const std::vector<tvertex>& vertices);

// Weights of p against the triangle a, b, c (of p's projection onto its
// plane); w[0] + w[1] + w[2] = 1. A degenerate triangle or an arithmetic
// overflow gives 0.3, 0.3, 0.4.
void BarycentricCoords(const tvector& p, const tvector& a, const tvector& b, const tvector& c, double w[3]);

// What a tessellator emitted for one polygon: corner numbers (1-based) in
// the order emitted, and per primitive its GL type (GL_TRIANGLES,
// GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN) and the number of corners emitted when
// it ended.
struct ttessoutput {
    std::vector<int32_t> corners;
    std::vector<int32_t> types;
    std::vector<int32_t> ends;
    bool failed = false;   // the tessellator reported an error
    void Clear() {
        corners.clear();
        types.clear();
        ends.clear();
        failed = false;
    }
};

// Turns the emitted primitives into triangles of corner numbers. Strips
// alternate their first two corners on every second triangle, starting
// afresh with each strip; fans turn about their first corner; other
// primitive types are skipped. False (and `out` empty) when a corner number
// is outside 1..cornerCount or when there would be more than cornerCount - 2
// triangles: such output is treated as no tessellation.
bool DecodeTessOutput(const ttessoutput& emitted, int32_t cornerCount, std::vector<tindextriple>& out);
