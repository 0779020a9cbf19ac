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
#include <utility>

// The owner of a new file made beside the one it is to replace: its hidden
// name, and the file removed when the owner goes, unless it was put in place
// (RenameOver) or handed on. Handing it on (a move) allocates nothing, so
// that a file passed from a writer to the commit of a save, or from a copy
// to its list, has an owner at every moment, whatever runs out of memory on
// the way: a save that fails leaves no temporary file.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(TemporaryFile&& other) noexcept : name_(std::move(other.name_)) { other.name_.clear(); }
    TemporaryFile& operator=(TemporaryFile&& other) noexcept {
        if (this != &other) {
            Remove();
            name_.swap(other.name_);
        }
        return *this;
    }
    ~TemporaryFile() { Remove(); }

    // The file's hidden name; "" when there is no file.
    const std::string& Name() const { return name_; }
    bool empty() const { return name_.empty(); }
    // Removes the file now.
    void Remove() noexcept;

private:
    friend int CreateFileBeside(const std::string& fileName, TemporaryFile& temporary);
    friend bool RenameOver(TemporaryFile& temporary, const std::string& fileName);
    // Takes `name`, a file just made.
    void Own(std::string& name) noexcept;
    // The file has taken its place: nothing is left to remove.
    void Release() noexcept { name_.clear(); }

    std::string name_;
};

// Creates a new empty file for writing in the folder of `fileName` and
// returns its open file descriptor, or -1 (errno set) when none could be
// made. `temporary` owns it under its unique hidden name ".mirelan-PID-N.tmp"
// in that folder, which the file has from the start or, made unnamed, gets
// from FinishFile.
int CreateFileBeside(const std::string& fileName, TemporaryFile& temporary);

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

// Opens `fileName` to be written whole: a new file beside it (owned by
// `temporary`) for a regular file or a name that does not exist yet. -1 with errno
// set: EISDIR for a folder, NotARegularFile for any other file that is not
// a regular one (never opened: a pipe nobody reads would hold the save for
// ever, and a device is not the user's to fill), EACCES for a file the user
// made read-only (it stays as it is), ENOENT for an empty name.
int OpenReplacement(const std::string& fileName, TemporaryFile& temporary);

// Writes all `n` bytes to `fd`, again after an interruption. False (errno
// set, EIO for a write that takes nothing) when not every byte went.
bool WriteAll(int fd, const void* data, std::size_t n);

// Ends the writing of an open file: a new file beside the old one (owned by
// a `temporary` that is not empty) is flushed to the disk first and, when it
// was made unnamed, given its hidden name; then it is closed. False (errno
// set) on any failure, and the new file is removed. Allocates nothing.
bool FinishFile(int fd, TemporaryFile& temporary);

// Renames the complete file of `temporary` over `fileName`; `temporary` owns
// nothing afterwards. False (errno set) when it fails, and the file is
// removed: the old file stays as it was. Allocates nothing for a name with
// "/" separators only (SystemPath).
bool RenameOver(TemporaryFile& temporary, const std::string& fileName);

// FinishFile, then, for a file made beside the old one, RenameOver.
bool FinishReplacement(int fd, TemporaryFile& temporary, const std::string& fileName);

// Paths are handed to the file system with "/" separators.
std::string SystemPath(std::string_view fileName);
