// The reader of 3D Studio mesh files (.3ds): every mesh object becomes a
// group (objects of one name share it), every material block a material with
// its colours, shininess, transparency and colour, bump and transparency
// maps; faces keep the file's triangles and, where the mesh has them, its
// texture coordinates. Normals are not read.
#pragma once

#include <string_view>

#include "model/Scene.h"

// Reads the file named by the scene record's model file name into the import
// lists. A file that is not a 3DS file shows the box "File does not have a
// recognizable 3DS format", logs "Could not load 3DS file." and throws
// ReadError; so does a file that cannot be opened. A damaged file keeps what
// could be read and logs a "<!>" line.
void Read3DS(tscene& scene);

// The same on the bytes of a file already in memory (the scene record's
// model file name only names it in messages).
void Read3DSBytes(tscene& scene, std::string_view bytes);
