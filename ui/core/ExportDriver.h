// The export driver behind the "Save..." commands of the output tabs: the
// export choices copied into the scene record, the questions before existing
// files are replaced, the INI file and the export run, and the list of what
// was written. The export options dialog itself (output folder and map
// options) is read through its option record, Form2.
#pragma once

#include "model/Scene.h"
#include "ui/core/PovLaunch.h"

enum class SaveKind {
    PovRay,  // "Save..." of the POV-Ray Output tab
    Moray,   // "Save..." of the Moray Output tab
    Obj,     // "Save..." of the OBJ Output tab
};

// Copies the choices of a save command into Scene: the write switches, the
// output file names (the output folder joined with the name edits), the
// map options of the export options dialog, the materials-include flag,
// the sanitise-names flag and the mesh breaking mode.
void SetSaveChoices(SaveKind kind);

// Writes the files whose switches are set. Refuses (information box "Load a
// 3D model first from the input tab") when no model with faces is loaded.
// A file whose name no output may take (IsReservedOutputName) is written
// under a "_Rev" name instead, the name in Scene with it, and a "<!>" line
// says so (UnreservedOutputName). Unless this is a batch run or "Overwrite files (except render)" is
// checked, asks before replacing each existing file: Yes writes it, No
// leaves it (its switch is cleared), Cancel writes nothing, All writes it
// and every other file without asking. Then the map copies when the maps
// are copied (their names decided first, resized unless this is a batch
// run, MapCopy.h), the INI file (when its switch is set) and the export
// run; the files and the copies replace the earlier files together once
// all are complete. Then the "Output files" and "Maps needed:" lists and
// the map copies on the "Messages" page. False when refused or cancelled.
// A file that cannot be written, or running out of memory, ends the
// command with ExportError, and every earlier file is as it was.
bool WriteOutputFiles(bool batchRun = false);

// What POV-Ray reads for the POV-Ray files of the last save (WriteOutputFiles)
// besides them: the maps they name, and whether the material include holds
// a material text that may run a directive or a macro
// (PovTextMayTouchFiles). After a batch (SaveBatch), those of all its
// models. The starts that render those files are checked against it.
extern PovRaySceneReads SavedSceneReads;

// A "Save..." of an output tab after the export options were confirmed:
// the choices (SetSaveChoices), the files and the maps (WriteOutputFiles),
// then "Files Saved."; false when nothing was written.
bool SaveModelFiles(SaveKind kind);

// The YafRay save: every other switch and output name cleared, the YafRay
// scene named after "scene.xml" (Edit111) in the output folder (a "_Rev"
// name where no output may take that one), written
// (after the question whether to replace an existing one, unless
// "Overwrite files (except render)" is checked), "Files Saved." logged.
// Throws ExportError when it cannot be written or runs out of memory, from
// its first line on.
void SaveYafRayScene();
