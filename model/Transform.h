// The geometry tools of the main window's geometry pages (transformation,
// subdivision, displacement) and the model-wide operations on lights,
// material projections, map names and imported geometry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Records.h"
#include "model/Scene.h"

struct tmodelundo;

// The pages of the geometry tools, in order.
enum TransformMode : int {
    TransformGeometry = 0,   // "Faces, vertices && normals"
    TransformSubdivide = 1,  // "Subdivision"
    TransformDisplace = 2,   // "Displacement"
};

// Runs the tool of one page on the selected geometry (faces whose material
// is selected and whose group is visible), reading its options from the main
// window's option record, and sets `report` to the change of the counts:
// "(Vertices: c)  (Normals: c)  (UV: c)  (Faces: c)", each c from
// `CountChangeText`. `scene` is a copy of the scene record; the smallest face
// area and the subdivision-face count are read from it. Any other mode only
// builds the report.
//
// Geometry: every selected vertex P (and every vertex of a selected line)
// becomes swap((P - reference) x scale, rotated about X, Y, Z, + translation)
// + reference, once, and its normals follow (scaled as normals, rotated,
// swapped, normalised, negated with "Flip Normals"). The winding is reversed
// exactly when the transform mirrors (an odd number of axis swaps against a
// negative scale product), or the other way round with "Reverse vertex
// winding". Then the optional weld, split and normals; lights (position and
// point-at) and placeholder positions take the same transform as the
// vertices. A scale component that is not a number counts as 1 (with a
// "<!>" line); the other components count as 0.
//
// Subdivision: one smooth or flat step, then new normals.
//
// Displacement: each selected vertex moves along its normal (the sum of the
// normals of its corners, components chosen by "x", "y", "z") by
// minimum + (maximum - minimum) x the luminance of the pixel at its UV in the
// picture named by the displacement file box; then new normals with a
// crease angle of 180 degrees. Nothing without a file, UVs or a picture.
//
// What the tool changes (the model, and the lights and placeholders it moves
// along) is kept in `undo`, for the caller to put back when the tool, or
// what the caller does after it, cannot finish. Without `undo` the tool
// keeps it itself and puts it back when it fails (running out of memory,
// say), before the error goes on.
void TransformModel(tscene scene, int mode, std::string& report, tmodelundo* undo = nullptr);

// Scales every light's intensity so that the luminance of the sum of
// intensity x colour is percent / 100. When that sum has no luminance, each
// light gets percent / 100 divided by the number of lights.
void SetTotalLightIntensity(double percent);

// Projects new UVs for the faces of every material that carries a UV
// projection from its reader, then resets the material's projection fields.
// Every material is selected afterwards.
void ApplyMaterialUVProjections();

// A colour, bump or transparency map whose file does not exist is looked for
// under its own file name in the model file's folder and taken from there
// when found (letter case of the names on disk ignored).
void FindMapsInModelDir();

// Turns the imported geometry from Z up to Y up: -90 degrees about X
// (x, y, z) -> (x, z, -y), vertices and normals of the import lists.
void ReorientImport();

// Removes every light, empties the light selector, logs
// n + " lights deleted." and refreshes the light panel. Returns the lights
// removed (moved out, not copied), for a caller that may put them back.
std::vector<tlight> DeleteAllLights();
