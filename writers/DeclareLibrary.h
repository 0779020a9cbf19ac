// The custom texture library: named POV-Ray texts of the user's own that
// outlive a program run, kept in `DeclareLibrary` and in the file
// "custom_pov_texture_lib.inc" of the program's folder. The file is a list
// of "#declare " + name + "=" lines, each followed by the entry's text on as
// many lines as it has; lines end with CR LF. A text line that would not read
// back as it stands (one that reads as a declaration line, an empty first
// line, a line after a lone CR or LF) is written behind a marker, an empty
// POV-Ray comment that the reader removes: what is saved reads back as the
// same entries with the same texts, line breaks included, and the file means
// to POV-Ray what its texts mean.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AppPaths.h"

inline constexpr std::string_view DeclareLibraryFileName = ProgramFile::TextureLibrary;

// The fixed entries of the snippet picker's "Material" list, in front of
// the library's names: library entry i is item FixedMaterialSnippets + i.
inline constexpr std::size_t FixedMaterialSnippets = 16;
extern const std::array<std::string_view, FixedMaterialSnippets> MaterialSnippets;

// Appends the entries of the file to `DeclareLibrary` and their names to the
// snippet picker's "Material" list. Nothing happens when the file does not
// exist. A damaged file loses no entry that is whole: every declaration line
// starts an entry; a text longer than 5000 characters is cut (with a "<!>"
// line) and the entries after it are read as usual. A file that holds more
// than its entries (text outside any entry, a cut text, no entry at all,
// or that cannot be read) is kept at the next save as FreeBackupName(file)
// (TextWriter.h), and a "<!>" line says so.
void ReadDeclareLibrary(const std::string& fileName);
// Writes every entry to the file, replacing it. The new file is written
// beside the old one and takes its place only when it is complete, so a
// failed save (ExportError) leaves the old library as it was.
void SaveDeclareLibrary(const std::string& fileName);
// The names of the entries in list order (entry i is item 16 + i of the
// picker's list, after its fixed items).
std::vector<std::string> DeclareLibraryNames();
// Fills the picker's "Material" list: its fixed entries, then the name of
// every library entry in list order.
void FillDeclareLibraryList();
