// The load drivers of the Input tab: clear the model and load one file or
// several files merged into one scene (`LoadSelectedModels`), read one file
// into the model (`LoadModelFile`), and prepare the merged geometry for the
// preview and the writers (`ProcessGeometry`). Window work goes through the
// window hooks and the option records, so the drivers run headless too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Set by ProcessGeometry: the model has texture coordinates / normals.
extern bool ModelHasUVs;
extern bool ModelHasNormals;

// The most entries the history of loaded models ("Previously loaded
// models:") keeps.
inline constexpr std::size_t ModelHistoryLimit = 19;

enum class LoadResult {
    Loaded,   // read and merged into the scene
    Missing,  // the file does not exist; nothing changed
    Failed,   // the reader stopped with an error; the scene is as before
    Unreadable,  // no reader takes files of this extension; nothing was read
    NoMemory,    // the file does not fit in the memory left; the scene is as before
};

// Clears the model and loads the files of BatchFiles (one file, or several
// merged into one scene; a failed file ends the loading of the rest), then
// processes the geometry; when the files do not fit together, the last is
// left out (and reported) and the ones before it are loaded again. When no
// file loaded because one did not fit in the memory left, its memory message
// is the whole report (no boxes of a model without vertices or faces); when
// not even the list of the files fits, the model stays as it was. BatchFiles
// holds the single entry "junk" afterwards. True when every file loaded and the model could be processed;
// `errors` (when given) receives a text for each file or step that failed.
bool LoadSelectedModels(std::vector<std::string>* errors = nullptr);

// Reads one model file into the scene: the default output names follow it,
// the file goes to the top of the history, the reader is chosen by the
// lower-case extension, and the import is merged into the scene. A reader
// error is caught: the file is reported (a "<!>" line) and the scene stays
// as it was before this file. A file of a type no reader takes is reported
// the same way (`error` gets the text of its "<!>" line). A relative name is taken against the current
// folder and stored as an absolute path; the current folder never changes,
// but the model's folder becomes the one that names the user types later
// resolve against (`ResolveUserPath`).
LoadResult LoadModelFile(const std::string& fileName, std::string* error = nullptr);

// A file name the user typed (a map on the Materials tab, a model in the
// history combo), trimmed, with "/" separators, made absolute against the
// folder of the model whose load began last, as if that were the current
// folder; before the first load against the current folder. "" for a blank
// name.
std::string ResolveUserPath(std::string_view name);
// The folder that stands for the current folder where the user is
// concerned: the folder of the model whose load began last, before the
// first load the current folder. Typed names resolve against it, and file
// dialogs without a folder of their own open in it.
std::string UserCurrentFolder();

// Repairs, connects and measures the merged scene, loads its maps, fills the
// lists of the main window and builds the preview. When the scene has no
// vertices or no faces, or does not fit in the memory left ("not enough
// memory to load " + the model file's name, logged and added to `errors`),
// reports it, clears the model and returns false. A report that does not fit
// on the "Messages" page (a page of many lines that would have to grow) is
// shown in a message box; it never fails the command.
bool ProcessGeometry(std::vector<std::string>* errors = nullptr);

// Merges one more model file into the scene and processes the whole scene
// (LoadModelFile, then ProcessGeometry). When a model is loaded and the
// merge runs out of memory anywhere (the file, or the whole scene, does not
// fit), the file is taken out again: the model, its names and what the
// window shows stay as they were, and the message ("not enough memory to
// load " + the merged file's name) names the file (the result is then
// Failed, or NoMemory when the file's read did not fit: the model is then
// not processed again). Into no model, a file that did not fit is told by
// its memory message alone.
LoadResult MergeModelFile(const std::string& fileName, std::vector<std::string>* errors = nullptr);

// ---- Parts of the load, also used by the other commands -------------------
// Puts `fileName` at the top of the history combo (no duplicates, at most
// ModelHistoryLimit entries) and shows it.
void AddToModelHistory(const std::string& fileName);
// The OBJ output name proposed for a model: its name with ".obj", or with
// "_Rev00001", "_Rev00002", ... before it while that name exists in
// `outputDir` (at most 10000 such tries). Without the folder.
std::string ProposedObjOutputName(std::string_view fileName, std::string_view outputDir);
// Fills the output name edits of the POV-Ray, Moray and OBJ tabs and the
// rendered image name from the model file name.
void SetDefaultOutputNames(const std::string& fileName);
// The initial folder of the open, save and picture dialogs.
void SetDialogDirs(std::string_view folder);
// The initial folder of the model open dialog: the folder of `fileName`.
void SetModelDialogDir(std::string_view fileName);
