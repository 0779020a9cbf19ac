// The reader of POV-Ray scene and include files for their triangle meshes:
// `mesh2` objects (vertex, normal and UV lists, index blocks and a texture
// list) and `mesh` objects (`triangle` and `smooth_triangle` with their own
// corner values). Every mesh becomes one import group, named after its
// #declare identifier where it has one; a texture of the standard include
// files becomes a material named "POV_texture_" + number whose custom
// POV-Ray text is that texture, any other texture identifier a plain material
// named after it. Everything else in the file is passed over. It reads back
// the geometry include that the POV-Ray writer produces.
#pragma once

#include <string_view>

#include "model/Scene.h"

// Reads the file named by the scene record's model file name into the import
// lists. Throws ReadError when the file cannot be read; damage inside the
// file (blocks shorter than their counts, index blocks longer than their
// mesh, a file cut off inside a mesh) is passed over and reported as "<!>"
// lines.
void ReadPOVMesh(tscene& scene);

// The same on the text of a file already in memory; the scene record's model
// file name only names it in messages.
void ReadPOVMeshBytes(tscene& scene, std::string_view text);
