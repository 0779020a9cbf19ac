// Where the program keeps its own files: the settings file, the texture
// library, the help file, sky maps and temporary files. That is the
// executable's folder when it can be written to (a build tree or a portable
// copy); otherwise, as for an installed program, the per-user data folder
// $XDG_DATA_HOME/mirelan (or ~/.local/share/mirelan), created on demand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A file as the file system tells it apart: its device and inode, the same
// whichever link or spelling of its path names it. NoFile for a path that
// names none.
using FileId = std::pair<uint64_t, uint64_t>;
inline constexpr FileId NoFile{0, 0};
FileId FileIdOf(const std::string& path);

// The program's folder, always ending in "/", so that the program's file
// names are simply appended.
std::string ProgramDir();

// The names of the files the program keeps in its folder: its settings, the
// custom texture library, the help file, the test scene of the custom
// material preview with its INI, material include and picture, the scene
// and INI of the material and sky bakes, and the sky maps (SkyMapPrefix +
// the sky's name + SkyMapExtension).
namespace ProgramFile {
inline constexpr const char* Settings = "mirelansettings.ini";
inline constexpr const char* TextureLibrary = "custom_pov_texture_lib.inc";
inline constexpr const char* Help = "mirelanhelp.htm";
inline constexpr const char* PreviewInclude = "test_scene_POV_mat.inc";
inline constexpr const char* PreviewScene = "test_scene_POV_main.pov";
inline constexpr const char* PreviewIni = "test_scene_POV_main.ini";
inline constexpr const char* PreviewPicture = "test_scene_POV_preview.png";
inline constexpr const char* BakeScene = "create_image_map.pov";
inline constexpr const char* BakeIni = "create_image_map.ini";
inline constexpr const char* SkyMapPrefix = "Preview_Sky_";
inline constexpr const char* SkyMapExtension = ".tga";
// Each of the names above that names one file.
inline constexpr const char* Fixed[] = {Settings,   TextureLibrary, Help,      PreviewInclude, PreviewScene,
                                        PreviewIni, PreviewPicture, BakeScene, BakeIni};
}  // namespace ProgramFile

// True when the folder of `path` (a file name with its folder, "/" as the
// separator; the current folder when it has none) is the program's folder
// however it is spelt: through a link, with "..", a final "/", relative to
// the current folder. The same folder on disk, or where it does not exist,
// the same path once links and dots are resolved.
bool InProgramDir(std::string_view path);
// Makes ProgramDir() return `folder` (tests); an empty text ends the override.
void SetProgramDirOverride(std::string_view folder);

// The running executable, and its folder ending in "/"; "" when unknown.
std::string ExecutablePath();
std::string ExecutableDir();
// The per-user data folder, ending in "/", created when missing; "" when it
// cannot be created.
std::string UserDataDir();
// Folders of an installed copy's read-only data, each ending in "/": the
// share folder beside the executable's, then $XDG_DATA_DIRS (default
// /usr/local/share and /usr/share), each with "mirelan/".
std::vector<std::string> InstalledDataDirs();

// Path of the help file "mirelanhelp.htm": in the program's folder when it
// is there, else the first installed data folder that has it, else the
// program's folder (where the scene checks then report it missing).
std::string FindHelpFile();

// The help file the program shows; set at start-up by InitHelpFilePath.
extern std::string HelpFilePath;
void InitHelpFilePath();  // HelpFilePath := FindHelpFile()

// True when `path` names an existing folder.
bool DirectoryExists(std::string_view path);
