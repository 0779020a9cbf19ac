// The open and save dialogs as the commands use them: the filters in the
// form the commands write them, the main window's open dialog that keeps its
// last choice, the models chosen in it, and the handlers that follow a
// change of file type in the two save dialogs. The dialogs themselves are
// shown through the prompts (Svc().prompts), so this runs without widgets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "options/Options.h"

// One file type of a filter: its description and its patterns ("*.OBJ").
struct FileFilterPair {
    std::string description;
    std::vector<std::string> patterns;
};

// The pairs of a filter "description|pattern;pattern|description|pattern|"
// (the last "|" may be missing); blank patterns are dropped, and a
// description without patterns is left out.
std::vector<FileFilterPair> ParseFileFilter(std::string_view filter);

// The model files of the open dialog, and the extensions the load commands
// accept in its file-name box.
extern const std::string_view ModelFileFilter;
extern const std::string_view ModelFileExtensions;
// The MTL files of the batch's common material.
inline constexpr std::string_view MaterialFileFilter = "Wavefront Material files (*.mtl)|*.MTL";

// The folder of a file, without the final separator ("" for a bare name,
// "/" for a file in the root); "\" counts as a separator too.
std::string ExtractFileDir(std::string_view fileName);

// Shows the open dialog kept in `dialog` with `filter`, starting in its
// folder and with its file name, which is blanked first when its extension
// is not in `extensions` (a comma-separated list; "" keeps any name). On OK
// the dialog keeps the chosen files, the first as its file name, and starts
// in their folder next time. False when the user cancelled; the dialog then
// keeps what it held.
bool ExecuteOpenDialog(tfiledialog& dialog, std::string_view filter, std::string_view extensions,
                       bool multiSelect = false, std::string_view title = "");

// Empties BatchFiles and adds every file chosen last in the main window's
// open dialog (Form1.OpenDialog1), in the dialog's order.
void StoreOpenDialogFiles();

// The save dialog of preview and probe images ("TARGA uncompressed image
// (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG"): type 1 gives the name ".tga",
// type 2 ".jpg".
void SaveDialog1TypeChange(int32_t filterIndex, std::string& fileName);
// The save dialog of baked maps: types 1 and 5 ".tga", 2 ".png", 3 ".ppm",
// 4 ".bmp"; other types leave the name.
void SaveDialog2TypeChange(int32_t filterIndex, std::string& fileName);
