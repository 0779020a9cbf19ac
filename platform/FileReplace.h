// Files that replace an earlier file only once they are complete: what is
// written goes to a new file beside the old one (same folder, so that the
// rename cannot cross file systems), which takes the old one's name when it
// is whole. A failure leaves the old file as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Creates a new empty file for writing in the folder of `fileName`, under
// a unique hidden name that is returned in `temporary`; the open file
// descriptor, or -1 (errno set) when none could be made.
int CreateFileBeside(const std::string& fileName, std::string& temporary);

// Opens `fileName` to be written whole: a new file beside it (`temporary`
// set) for a regular file or a name that does not exist yet; the device or
// pipe itself (`temporary` empty), which has no file to replace. -1 with
// errno set: EISDIR for a folder, EACCES for a file the user made read-only
// (it stays as it is), ENOENT for an empty name.
int OpenReplacement(const std::string& fileName, std::string& temporary);

// Writes all `n` bytes to `fd`, again after an interruption. False (errno
// set, EIO for a write that takes nothing) when not every byte went.
bool WriteAll(int fd, const void* data, std::size_t n);

// Ends the writing of an open file: a new file beside the old one
// (`temporary` set) is flushed to the disk first; then it is closed. False
// (errno set) on any failure, and the new file is removed.
bool FinishFile(int fd, const std::string& temporary);

// Renames the complete file `temporary` over `fileName`. False (errno set)
// when it fails, and `temporary` is removed: the old file stays as it was.
bool RenameOver(const std::string& temporary, const std::string& fileName);

// FinishFile, then, for a file made beside the old one, RenameOver.
bool FinishReplacement(int fd, const std::string& temporary, const std::string& fileName);

// Paths are handed to the file system with "/" separators.
std::string SystemPath(std::string_view fileName);
