// The reader of Wavefront OBJ model files, with their material library and
// the program's own settings block.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/Scene.h"

// Reads the file named by scene.modelFile into the import lists: vertices,
// normals, texture coordinates, groups, materials and triangles (polygons
// are split by the chosen triangulation method), and its "l" lines into
// LineSegments and Polylines with import-local indices (the merge offsets
// them). Counts polygons read, triangles made and polygons of more than
// three corners in the scene's reader counters. Then reads the material
// library that the file names (or scene.mtlFile, which the load command sets
// to the model's name with ".mtl"), and finally restores the camera, lights,
// background, placeholders, ground and group shadow flags from the settings
// block when the file carries one.
//
// Throws ReadError when the file cannot be read or a vertex, normal or
// texture coordinate line lacks its numbers; what was read stays in the
// import lists for the load command to discard. A problem with the material
// library or the settings block does not end the read: it is logged as a
// "<!>" line and the geometry is kept.
void ReadOBJ(tscene& scene);
// The same for the text of an OBJ file held in memory; scene.modelFile names
// it (the material library is looked up beside it, as for a file).
void ReadOBJBytes(tscene& scene, std::string_view text);

// The size of the blocks the file is read in (a megabyte). Tests make it
// small, so that lines of every kind meet the ends of blocks.
void SetObjReadBlockSize(std::size_t bytes);
