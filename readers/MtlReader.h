// The reader of Wavefront material libraries (MTL), with the program's own
// extension comments ("#bump_size", "#blend", "#metal", "#inv_map_d",
// "#cell", "#cell_hi", "#povmaterial", "#r").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/Scene.h"

// Which materials a library updates.
enum MtlTarget : int32_t {
    MtlTargetImport = 0,  // ImportMaterials (while a model file is read)
    MtlTargetScene = 1,   // SceneMaterials (a library loaded onto the model)
};

// Reads the library named by scene.mtlFile and copies its values into the
// materials of the target list that have the same name (exact, the last one
// of a name); it never creates a material. Mode 0 reads a plain library,
// mode 1 one that comes with a DAZ Studio scene (the specular exponent is
// kept as it is, "Kd" also sets blend 1, "map_d" also sets transparency 0).
// Logs "Material [n]= name" for every entry that matched, and a "<!>" line
// when none did. Throws ReadError when the file cannot be read or a keyword
// lacks its values; the materials updated before that keep their values.
void ReadMTL(int32_t target, tscene& scene, int32_t mode);
// The same for the text of a library held in memory; scene.mtlFile names it.
void ReadMTLBytes(int32_t target, tscene& scene, int32_t mode, std::string_view text);

// The file name of a map statement's value: standard options written before
// the name ("-s 1 1 1", "-bm 0.5", "-clamp on" ...) are dropped and "\"
// becomes "/". `bumpMultiplier` receives the value of "-bm" when there is
// one (it is left alone otherwise).
std::string MapNameFromStatement(std::string_view value, double* bumpMultiplier = nullptr);
