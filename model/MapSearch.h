// Finding the maps a model names but that are not where it says: missing
// colour, transparency and bump maps are looked up by file name in folder
// trees, and every use of a found map is renamed at once. Also the small
// services around map names: the extension test against a list and the
// spelling of map names as on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The map slots of a material as the renaming takes them.
enum MapSlot : int32_t { ColorMapSlot = 1, TransparencyMapSlot = 3, BumpMapSlot = 4 };

// For every material, its colour, transparency and bump map (in that order)
// that does not exist, or whose extension is exactly ".*" (a wildcard name),
// takes the first file of the same name (ignoring case; a wildcard name
// matching) found in `directory` and its subfolders, files before subfolders,
// names sorted ignoring case. Every other material that used the old name
// (ignoring case) in the same slot follows. The folder tree is read once per
// call, and only when some map is missing.
void SearchMapsInDir(std::string_view directory);
// What the map search does once its dialog was confirmed: a wait, a rule in
// the log, "Searching directories..." on the status line, and
// `SearchMapsInDir` for every trimmed, non-empty folder of the list.
void SearchMapsInDirs(const std::vector<std::string>& directories);

// Every material whose map in `slot` equals `oldName` ignoring case gets
// `newName` (cut to 255 characters). Nothing when either name is empty or
// the two are equal ignoring case.
void RenameMapInMaterials(std::string_view oldName, std::string_view newName, int32_t slot);

// True when the file's extension (lower case, without its point, at most 10
// characters) is one of the items of the comma list (lower-cased).
bool ExtensionInList(std::string_view fileName, std::string_view list);

// Every colour, bump and transparency map name of every material, and the
// background map while its texture exists, that does not exist as written
// but does exist in another letter case, takes the spelling on disk.
void MatchMapNameCase();
