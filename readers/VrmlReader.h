// The reader of VRML 1.0, VRML 2.0 (VRML97) and X3D files, plain or
// gzip-compressed.
//
// It is not a scene-graph parser: the file becomes one flat list of lowered
// tokens that is walked once, reacting to a fixed set of field and node
// names (materials and their colours, the transform fields, coordinate
// blocks, indexed face and line sets) and passing over every other token.
// The transform fields are one set of current values that each field
// overwrites; nothing nests.
//
// How an index list finds its points: in VRML 1.0 it takes the coordinate
// block read last before it. In VRML 2.0 and X3D it takes the coordinates of
// its own geometry node, before or after the list (X3D writes the list as an
// attribute ahead of its Coordinate child); a node without coordinates of its
// own takes the block read last before the node. A coordinate block named by
// DEF can be taken again by USE.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Records.h"
#include "model/Scene.h"

// Reads the file named by the scene record's model file name into the import
// lists; line sets go to LineSegments and Polylines with import-local
// indices (the merge shifts them). A ".gz" file, or any file that starts with
// the gzip signature, is unpacked into a temporary file of its own first,
// which is deleted afterwards. Throws ReadError when the file cannot be read
// or unpacked; damage inside the file is passed over and reported as "<!>"
// lines.
void ReadVRML(tscene& scene);

// The same on the (uncompressed) text of a file already in memory; the scene
// record's model file name only names it in messages.
void ReadVRMLBytes(tscene& scene, std::string_view text);

// The 0-based index of the first import material whose ambient, diffuse and
// specular colours, transparency and shininess all lie within 1e-10 of the
// given material's; -1 when none.
int32_t FindEqualImportMaterial(const tmaterial& material);

