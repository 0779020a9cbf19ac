// Where the program keeps its own files: the settings file, the texture
// library, the help file, sky maps and temporary files. That is the
// executable's folder when it can be written to (a build tree or a portable
// copy); otherwise, as for an installed program, the per-user data folder
// $XDG_DATA_HOME/mirelan (or ~/.local/share/mirelan), created on demand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The program's folder, always ending in "/", so that the program's file
// names are simply appended.
std::string ProgramDir();
// Makes ProgramDir() return `folder` (tests); an empty text ends the override.
void SetProgramDirOverride(std::string_view folder);

// The folder of the running executable, ending in "/"; "" when unknown.
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
