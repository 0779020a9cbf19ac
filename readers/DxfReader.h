// The reader of ASCII DXF drawings (R10 to R2004): the faces of 3DFACE
// entities and of polyface meshes (POLYLINE with VERTEX records). Faces are
// grouped by block or layer name; each colour index in use becomes one
// material "ACAD_color_" + index coloured from the colour index palette.
// Normals and texture coordinates are not read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Scene.h"

// Reads the file named by the scene record's model file name into the import
// lists. A file that cannot be opened, is empty or is a binary DXF file
// throws ReadError.
void ReadDXF(tscene& scene);

// The same on the text of a file already in memory (the scene record's model
// file name only names it in messages).
void ReadDXFBytes(tscene& scene, std::string_view text);

// One group pair of a DXF file: the group code (-1 when the code line is not
// an integer) and the value line, cut to 255 characters.
struct tdxfpair {
    int32_t code = -1;
    std::string value;
};

// Reads the pair whose code line is lines[index]; the value is empty when
// the code line is the last line.
void ReadDXFPair(const std::vector<std::string_view>& lines, std::size_t index, tdxfpair& pair);
