// Files that replace an earlier file only once they are complete: what is
// written goes to a new file beside the old one (same folder, so that the
// rename cannot cross file systems), which takes the old one's name when it
// is whole. A failure leaves the old file as it was.
//
// A process killed while it writes (a crash, kill -9, a file-size limit)
// leaves nothing behind that the next save into that folder does not
// remove: where the folder allows it (a file system with unnamed files, and
// /proc to name them through; tried once per folder and save), the new file
// has no name at all until it is complete (an unnamed file of the folder,
// given its hidden name by FinishFile), so that the system frees a
// half-written file with the process; and the hidden names that a process
// now gone left behind (files complete but not yet renamed, or written where
// unnamed files are not possible) are removed from a folder before the
// first new file of a save is made there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Creates a new empty file for writing in the folder of `fileName` and
// returns its open file descriptor, or -1 (errno set) when none could be
// made. `temporary` is set to its unique hidden name ".mirelan-PID-N.tmp"
// in that folder, which the file has from the start or, made unnamed, gets
// from FinishFile.
int CreateFileBeside(const std::string& fileName, std::string& temporary);

// Makes the next file of each folder (CreateFileBeside) look for leftovers
// again; called at the start of a save. Until then each folder is looked at
// once.
void ForgetSweptFolders();

// The number PID of a file's name `prefix` + PID + "-" + a rest that
// `restMatches` accepts, PID written as a process writes it (no leading
// zero): the process that made the file. 0 for a name of any other form.
long long ProcessOfFileName(std::string_view name, std::string_view prefix,
                            bool (*restMatches)(std::string_view rest));

// Removes from `folder` the regular files of this user whose names are of
// a process that no longer runs (ProcessOfFileName): the temporary files a
// killed process left. Any other file, and every file of a running process
// (this one among them), stays. A process number taken again by a new
// process keeps the files until that one ends too.
void RemoveFilesOfGoneProcesses(const std::string& folder, std::string_view prefix,
                                bool (*restMatches)(std::string_view rest));

// The errno of OpenReplacement for a name that exists and is not a regular
// file: a pipe, a device, a socket, or a link to one.
inline constexpr int NotARegularFile = 0x4000;

// The text of an errno for a message: strerror's, or for NotARegularFile
// "it is not a regular file".
std::string FileErrorText(int error);

// Opens `fileName` to be written whole: a new file beside it (`temporary`
// set) for a regular file or a name that does not exist yet. -1 with errno
// set: EISDIR for a folder, NotARegularFile for any other file that is not
// a regular one (never opened: a pipe nobody reads would hold the save for
// ever, and a device is not the user's to fill), EACCES for a file the user
// made read-only (it stays as it is), ENOENT for an empty name.
int OpenReplacement(const std::string& fileName, std::string& temporary);

// Writes all `n` bytes to `fd`, again after an interruption. False (errno
// set, EIO for a write that takes nothing) when not every byte went.
bool WriteAll(int fd, const void* data, std::size_t n);

// Ends the writing of an open file: a new file beside the old one
// (`temporary` set) is flushed to the disk first and, when it was made
// unnamed, given its name `temporary`; then it is closed. False (errno set)
// on any failure, and the new file is removed.
bool FinishFile(int fd, const std::string& temporary);

// Renames the complete file `temporary` over `fileName`. False (errno set)
// when it fails, and `temporary` is removed: the old file stays as it was.
bool RenameOver(const std::string& temporary, const std::string& fileName);

// FinishFile, then, for a file made beside the old one, RenameOver.
bool FinishReplacement(int fd, const std::string& temporary, const std::string& fileName);

// Paths are handed to the file system with "/" separators.
std::string SystemPath(std::string_view fileName);
