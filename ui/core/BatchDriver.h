// The batch conversion: every model of BatchFiles loaded and saved for
// POV-Ray in turn with one camera and one light set-up, either as meshes of
// one common scene whose animation clock walks through them ("Use a POV
// file"), or as scenes of their own with a script that renders them one by
// one ("Use a Batch file ").
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// `text` as one word of the POSIX shell: in single quotes, a single quote
// inside written '\''.
std::string ShellWord(std::string_view text);

// The lines of the batch script, in order: "#!/bin/sh" (the shell's quiet
// start), a rule echoed, the creator lines echoed; per file its "echo
// File(n of m): " line and its render line; the rule echoed once more.
// `iniFiles` are the INI names as the script names them, each handed to
// POV-Ray as one word of its command line (PovRayCommandWord); a full name
// that no word can carry is named without its folder, in which the script
// runs. The words of `settings` (PovRayStatedSettings, one list for each INI
// file) follow the INI file's.
std::vector<std::string> BatchScriptLines(const std::string& program, const std::vector<std::string>& iniFiles,
                                          const std::vector<std::vector<std::string>>& settings);

// The conversion run of the POV-Ray save commands while BatchFiles holds two
// or more models; the export options were confirmed. Each model is cleared,
// loaded and processed, gets the camera preset chosen in "Camera Preset:",
// and is written (no overwrite questions) with its maps copied as the
// export options say (never resized). With "Use a Batch file " the script is
// written to the output folder under the batch file name and made
// executable. The model is empty afterwards. The "Messages" page keeps the
// lines of every model until the batch ends. SavedSceneReads then holds
// what the scenes of all the models read. Returns the geometry includes
// written, by name with folder. Throws ExportError when a file cannot be
// written.
std::vector<std::string> SaveBatch();

// Why POV-Ray must not render `iniFile`, the common INI file of a "Use a POV
// file" batch that wrote the geometry includes `written` (by name with
// folder): a frame it runs (Initial_Frame to Final_Frame as POV-Ray reads
// the file) would include a file of the output folder, POV-Ray's working
// folder, that the batch did not write (BatchGeometryIncludeName); the
// reason names the frame and that file, and the Initial Frame from which
// the frames would include the files written, when there is one. Frames
// that cannot be told (a number that is not a whole number of 0 or more, a
// last frame not above the first, an INI file included, a prefix of more
// than printable ASCII) are refused as well. "" when every frame includes a
// file the batch wrote.
std::string BatchFramesRefusal(const std::string& iniFile, const std::vector<std::string>& written);

// The output names of every model of a batch, in order. With "Use a Batch
// file " a model's names are made of its name cleaned as a single model's
// (CleanIdentifier), since the script hands them to POV-Ray, which splits
// its command line at blanks and reads "+", "-" and "=" as options; a name
// whose files another model's files would share after cleaning gets "_Rev"
// and a number, so that each model renders as itself. With "Use a POV file"
// the geometry includes keep the models' names, from which the common scene
// builds them by the input file name prefix. A file that would replace a
// model of the batch, or take a name no output may take
// (IsReservedOutputName), gets "_Rev" and a number instead, and `notes` the
// "<!>" line that says so. Every picture has a name of its own: none that
// another picture or file of the batch has, or that a file in the output
// folder has, and POV-Ray writes none of its files through a link
// (FreeRenderImageName): with "Use a POV file" the pictures of the frames
// share one name, which POV-Ray adds each frame's number to, free for every
// frame, and the first model's notes say when it is not the plain one.
// Time and memory grow in proportion to the number of models.
struct BatchNames {
    std::string ini, scene, geometry, material;
    std::string image;    // the picture's name as the INI file gives it
    std::string picture;  // the picture POV-Ray renders for the model, with its folder ("" for none)
    bool writeMaterial = true;
    std::vector<std::string> notes;
};
std::vector<BatchNames> BatchOutputNames(const std::vector<std::string>& modelFiles);

// The batch's files that are written to the output folder and the pictures
// rendered there, by name with folder (OutputPath).
struct BatchOutputFiles {
    std::unordered_set<std::string> files, pictures;
};
// The file the batch script is written to: the batch file name ("Use a
// Batch file ", Edit90) in the output folder, or a "_Rev" name where no
// output may take it (FirstUnreservedName).
std::string BatchScriptFile();

// The INI files of the batch BatchFiles holds, in order, with their folder:
// those the batch script renders.
std::vector<std::string> BatchIniFiles();

// Those of the batch BatchFiles holds: while SaveBatch runs, of the names it
// decided before its first model; otherwise made anew.
std::shared_ptr<const BatchOutputFiles> CurrentBatchOutputFiles();
