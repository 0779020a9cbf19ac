// Steps 3 to 6 of the export run (Export.h): the POV-Ray material include,
// the POV-Ray geometry include, the POV-Ray scene file and the Moray UDO
// file. ExportModelFiles calls each one when its write switch is set, in this
// order, with the scene record and the run's shared values (scene object
// name, header lines, map keys, identifier registry).
//
// Each writes the file named in the scene record through CheckedTextWriter
// (TextWriter.h) and throws ExportError when it cannot. Until these writers
// are built, PovWritersPending*.cpp hold bodies that refuse to write (the run
// then ends with ExportError naming the file); the writers replace those files.
#pragma once

#include "model/Scene.h"
#include "writers/Export.h"

void WritePOVMaterialInclude(tscene& scene, ExportRun& run);  // step 3: scene.povMaterialFile
void WritePOVGeometryInclude(tscene& scene, ExportRun& run);  // step 4: scene.povGeometryFile
void WritePOVSceneFile(tscene& scene, ExportRun& run);        // step 5: scene.povSceneFile
void WriteUDOFile(tscene& scene, ExportRun& run);             // step 6: scene.udoFile
