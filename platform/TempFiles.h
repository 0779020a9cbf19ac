// Temporary files of the program (unpacked input). Each gets a unique name
// in the system's temporary folder, so that two running copies never share
// one and the program's own folder never fills up, and the program
// remembers what it created: only those files are ever deleted.
#pragma once

#include <string>
#include <string_view>

// The system's temporary folder: $TMPDIR when it names a folder, else /tmp.
std::string TempFolder();
// Creates a new empty file "<stem>-PID-XXXXXX<extension>" (PID the number
// of this process, the X's unique) in TempFolder(), or in the program's
// folder when that fails, and returns its path; "" when no file could be
// created. The files of that stem and of TempFileExtensions that a process
// now gone left in the folder (a load killed while it unpacked) are removed
// first.
std::string CreateTempFile(std::string_view stem, std::string_view extension);
// Removes the files "<stem>-PID-XXXXXX" + one of TempFileExtensions that
// processes now gone left in TempFolder() and in the program's folder; at
// start-up.
void RemoveTempFilesOfGoneProcesses(std::string_view stem);
// The stem of the program's temporary files (unpacked models and scenes).
inline constexpr std::string_view TempFileStem = "mirelantemp";
// The extensions of those files: unpacked VRML models and Poser scenes. The
// removal of what gone processes left takes only names of these.
inline constexpr std::string_view TempFileExtensions[] = {".wrl", ".pz3"};
// True for a name CreateTempFile gives the program's temporary files:
// TempFileStem + "-PID-XXXXXX" + one of TempFileExtensions.
bool IsTempFileName(std::string_view name);
// True for a file made by CreateTempFile and not yet deleted.
bool IsOwnTempFile(std::string_view path);
// Deletes a file made by CreateTempFile; false, and nothing deleted, for any
// other path.
bool DeleteTempFile(std::string_view path);
// Deletes every file made by CreateTempFile that still exists.
void DeleteAllTempFiles();
