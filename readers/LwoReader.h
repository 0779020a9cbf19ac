// The reader of LightWave object files (.lwo): the older LWOB and LWLO forms
// and the newer LWO2 form. Polygons are split into triangles; surfaces become
// materials with their colours, texture maps and map placement; LWO2 layers
// become groups and LWO2 vertex maps give texture coordinates; the triangles
// of subdivision patches carry the subdivision-face mark.
#pragma once

#include <string_view>

#include "model/Scene.h"

// Reads the file named by the scene record's model file name into the import
// lists. `unused` is passed by the load command and has no effect. A file
// that cannot be opened, is empty, or is an IFF form of another kind throws
// ReadError; a damaged file keeps what could be read and logs "<!>" lines.
void ReadLWO(tscene& scene, int unused);

// The same on the bytes of a file already in memory (the scene record's
// model file name only names it in messages).
void ReadLWOBytes(tscene& scene, std::string_view bytes);
