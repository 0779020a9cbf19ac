// The MTL material library of an export run (step 2), written when the
// write MTL switch is set and the scene has at least one material. Besides
// the standard keywords it carries what MTL has no keyword for as comment
// lines ("#bump_size", "#r", "#metal", "#blend", "#inv_map_d", "#cell",
// "#cell_hi", "#povmaterial") that the MTL reader restores.
#pragma once

#include "model/Scene.h"
#include "writers/Export.h"

// Writes MtlFileName(scene); throws ExportError when it cannot.
void WriteMTLFile(tscene& scene, ExportRun& run);
