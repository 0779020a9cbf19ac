// The selection of the model (the selected flag of each material and the
// visible flag of each group), the clean-up passes after a load, winding
// reversal and the projection of new texture coordinates.
//
// Vertex and UV indices taken by the queries here are 0-based positions in
// SceneVertices and SceneUVs. The queries read the vertex and UV face tables
// and rebuild a table first when the model changed since it was built.
#pragma once

#include <cstdint>
#include <vector>

#include "model/Records.h"
#include "model/Types.h"

inline constexpr int32_t ProjectPlanar = 0;
inline constexpr int32_t ProjectCylindrical = 1;
inline constexpr int32_t ProjectSpherical = 2;
inline constexpr int32_t ProjectCubic = 3;

// ---- Queries ------------------------------------------------------------
// Some face using the vertex is selected (`IsFaceSelected`).
bool IsVertexSelected(int32_t vertex);
// Over the faces using the vertex: some is selected; some carries the
// subdivision mark.
void VertexFaceFlags(int32_t vertex, bool& anySelected, bool& anyMarked);
// The same over the faces using the UV.
void UVFaceFlags(int32_t uv, bool& anySelected, bool& anyMarked);

struct tuvfaceentry {
    int32_t material = 0;
    int32_t group = 0;
    uint8_t mark = 0;  // 0 or 1
};
inline constexpr int32_t MaxUVFaceEntries = 2000;
// The faces that use one UV: material, group and mark of each, at most 2000.
struct tuvfacelist {
    int32_t count = 0;
    std::vector<tuvfaceentry> entries;
};
void ListUVFaces(int32_t uv, tuvfacelist& list);

struct tuvselection {
    bool materialSelected = false;  // some face using the UV has a selected material
    bool groupVisible = false;      // some face using the UV lies in a visible group
    bool marked = false;            // some face using the UV carries the mark
};
tuvselection UVSelectionFlags(int32_t uv);

// True when any group's changed flag was set; clears it on all groups.
bool TestAndClearGroupChanges();

// ---- Material selection -----------------------------------------------
void SelectAllMaterials();
void DeselectAllMaterials();
// Only material `index` (0-based) stays selected. An index outside the list
// raises ModelError and changes nothing.
void SelectOnlyMaterial(int32_t index);

// Bounding box of the vertices used by selected faces: minimum starts at
// (1e30, 1e30, 1e30) and maximum at (-1e30, -1e30, -1e30);
// centre = (minimum + maximum) / 2, size = maximum - minimum.
void SelectionExtents(tvector& center, tvector& size, tvector& minimum);

// ---- Changes of the faces ---------------------------------------------
// Exchanges the first and third vertex, normal and UV index of every
// selected face.
void ReverseFaceWinding();
// Removes the faces whose area is not above 1e-10 or whose vertex indices
// are not pairwise different; the rest keep their order.
void RemoveDegenerateFaces();
// True for such a face.
bool IsDegenerateFace(const tface& f);
// Removes the line segments whose length is not above 1e-10 or whose two
// vertex indices are equal; the rest keep their order. Each polyline keeps
// the surviving segments of its run; a polyline with none left is removed.
void RemoveDegenerateLines();

// ---- UV projection ----------------------------------------------------
// atan2(y, x), or 0 when both |y| and |x| are below 1e-10.
double SafeArcTan2(double y, double x);
// True when b's component is above 1e-10 on an axis where |a| is largest
// (any axis that ties for the largest).
bool DominantAxisPositive(const tvector& a, const tvector& b);
// Planar, cylindrical, spherical (methods 0-2) along the axis, or cubic
// (method 3) along X, Y and Z, each face along the axis its normal is
// largest on. Other methods do nothing. `flag` is not read.
void ProjectUVs(const tvector& axis, int32_t method, int32_t flag = 0);
// One projection of the selected faces along the axis: every corner gets a
// new UV record, and the new UVs are normalised to 0..1 over the projected
// set (a range of zero leaves them at 0).
void ProjectUVsAlongAxis(const tvector& axis, int32_t method);
