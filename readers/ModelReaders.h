// The model readers by file extension: the one place that lists every model
// format the load command reads.
#pragma once

#include <string_view>

#include "model/Scene.h"

// Calls the reader of the lower-case extension `extension` (".obj", ".3ds",
// ".lwo", ".dxf", ".raw", ".udo", ".pov", ".inc", ".wrl", ".x3d", ".gz") on the file
// named by scene.modelFile; for ".obj" the material library name becomes the
// model name with ".mtl" first. False, and nothing read, for an extension
// without a reader. Errors of the reader (ReadError, ModelError) pass on.
bool ReadModelByExtension(tscene& scene, std::string_view extension);

// True when the lower-case extension is one whose imported vertices are
// turned from Z up to Y up when "Reorient 3DS and DXF models" is checked.
bool IsZUpFormat(std::string_view extension);
