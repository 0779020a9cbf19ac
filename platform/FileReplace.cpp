#include "platform/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr std::string_view TemporaryPrefix = ".mirelan-";

std::atomic<unsigned> temporaryCounter{0};

// The folders made ready for new files (PrepareFolder) since the last
// ForgetSweptFolders, each with whether it takes unnamed files.
struct PreparedFolders {
    std::mutex mutex;
    std::map<std::string, bool> unnamedFiles;
};

PreparedFolders& Prepared() {
    static PreparedFolders p;
    return p;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A number as std::to_string writes it, no larger than `most`: digits
// without a leading zero (a name with one was not written by the program).
bool WrittenNumber(std::string_view s, unsigned long long most) {
    if (!AllDigits(s) || (s.size() > 1 && s[0] == '0')) return false;
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size() && value <= most;
}

// What follows "PID-" in a temporary name: N + ".tmp", N the counter.
bool TemporaryRest(std::string_view rest) {
    constexpr std::string_view end = ".tmp";
    return rest.size() > end.size() && rest.substr(rest.size() - end.size()) == end &&
           WrittenNumber(rest.substr(0, rest.size() - end.size()), UINT_MAX);
}

// A process of that number runs (or is there, as another user's or as one
// not yet waited for): its files stay.
bool ProcessGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// The entry of an open file in /proc/self/fd, written into `path` (nothing
// allocated: the file is open and may be a half-written save).
struct DescriptorPath {
    char path[40];
    explicit DescriptorPath(int fd) {
        constexpr std::string_view stem = "/proc/self/fd/";
        std::memcpy(path, stem.data(), stem.size());
        *std::to_chars(path + stem.size(), path + sizeof path - 1, fd).ptr = '\0';
    }
};

// A new unnamed file in `folder` ("" for the working folder), open for
// writing; -1 where the file system has none.
int OpenUnnamed(const std::string& folder) {
    int fd;
    do {
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Gives the unnamed file open as `fd` the name `name`, through its entry in
// /proc/self/fd; false (errno set) when it cannot.
bool NameUnnamed(int fd, const std::string& name) {
    return ::linkat(AT_FDCWD, DescriptorPath(fd).path, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A name ".mirelan-PID-N.tmp" in `folder` that no file has.
std::string FreeTemporaryName(const std::string& folder) {
    const std::string stem = folder + std::string(TemporaryPrefix) + std::to_string(::getpid()) + "-";
    std::string name;
    struct stat st;
    // A name an earlier process of the same number left is passed by.
    for (int attempt = 0; attempt < 1000; ++attempt)
        if (name = stem + std::to_string(++temporaryCounter) + ".tmp"; ::lstat(name.c_str(), &st) != 0) return name;
    return name;
}

// Once per folder and save: removes what killed saves left there, and finds
// out whether an unnamed file made there can be given a name (a file system
// without unnamed files, or a system without /proc, cannot).
bool PrepareFolder(const std::string& folder) {
    PreparedFolders& p = Prepared();
    {
        std::lock_guard lock(p.mutex);
        if (const auto it = p.unnamedFiles.find(folder); it != p.unnamedFiles.end()) return it->second;
    }
    RemoveFilesOfGoneProcesses(folder, TemporaryPrefix, TemporaryRest);
    bool unnamed = false;
    const std::string name = FreeTemporaryName(folder);  // before the file is open
    if (const int fd = OpenUnnamed(folder); fd >= 0) {
        unnamed = NameUnnamed(fd, name);
        if (unnamed) ::unlink(name.c_str());
        ::close(fd);
    }
    std::lock_guard lock(p.mutex);
    p.unnamedFiles[folder] = unnamed;
    return unnamed;
}

}  // namespace

void TemporaryFile::Remove() noexcept {
    if (!name_.empty()) ::unlink(name_.c_str());
    name_.clear();
}

void TemporaryFile::Own(std::string& name) noexcept {
    Remove();
    name_.swap(name);
}

std::string FileErrorText(int error) {
    if (error == NotARegularFile) return "it is not a regular file";
    return std::strerror(error);
}

std::string SystemPath(std::string_view fileName) {
    std::string path(fileName);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

void ForgetSweptFolders() {
    PreparedFolders& p = Prepared();
    std::lock_guard lock(p.mutex);
    p.unnamedFiles.clear();
}

long long ProcessOfFileName(std::string_view name, std::string_view prefix,
                            bool (*restMatches)(std::string_view rest)) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
    const std::string_view rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    // Only the exact names a process writes: its number as written, so
    // that "0099" is never taken for process 99.
    if (dash == std::string_view::npos || !WrittenNumber(rest.substr(0, dash), INT_MAX) ||
        !restMatches(rest.substr(dash + 1)))
        return 0;
    long long pid = 0;
    std::from_chars(rest.data(), rest.data() + dash, pid);
    return pid;
}

void RemoveFilesOfGoneProcesses(const std::string& folder, std::string_view prefix,
                                bool (*restMatches)(std::string_view rest)) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    const uid_t user = ::geteuid();
    while (const dirent* entry = ::readdir(dir)) {
        const long long pid = ProcessOfFileName(entry->d_name, prefix, restMatches);
        if (pid <= 0) continue;
        if (!ProcessGone(static_cast<pid_t>(pid))) continue;  // this process's own files among them
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != user)
            continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

int CreateFileBeside(const std::string& fileName, TemporaryFile& temporary) {
    temporary.Remove();
    const std::string path = SystemPath(fileName);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // Unnamed where the folder allows it: a process killed before the file
    // is complete leaves nothing.
    if (PrepareFolder(folder)) {
        // The name first: once the file is open nothing is allocated.
        std::string name = FreeTemporaryName(folder);
        const int fd = OpenUnnamed(folder);
        if (fd >= 0) {
            temporary.Own(name);
            return fd;
        }
    }
    const std::string stem = folder + std::string(TemporaryPrefix) + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string name = stem + std::to_string(++temporaryCounter) + ".tmp";
        int fd;
        do {
            fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            temporary.Own(name);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    return -1;
}

int OpenReplacement(const std::string& fileName, TemporaryFile& temporary) {
    temporary.Remove();
    if (fileName.empty() || fileName.find('\0') != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    const std::string path = SystemPath(fileName);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : NotARegularFile;
        return -1;
    }
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) {
        errno = EACCES;
        return -1;
    }
    return CreateFileBeside(fileName, temporary);
}

bool WriteAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t put = ::write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        p += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

bool FinishFile(int fd, TemporaryFile& temporary) {
    int error = 0;
    if (!temporary.empty()) {
        struct stat st;
        if (::fstat(fd, &st) != 0) {
            error = errno;
        } else {
            // The whole file reaches the disk before it can take the old
            // one's place; an unnamed one gets its name only then.
            if (::fsync(fd) != 0) error = errno;
            if (error == 0 && st.st_nlink == 0 && !NameUnnamed(fd, temporary.Name())) error = errno;
        }
    }
    if (::close(fd) != 0 && errno != EINTR && error == 0) error = errno;
    if (error == 0) return true;
    temporary.Remove();
    errno = error;
    return false;
}

bool RenameOver(TemporaryFile& temporary, const std::string& fileName) {
    // A name with "/" separators only is used as it is: nothing allocated.
    const bool plain = fileName.find('\\') == std::string::npos;
    if (::rename(temporary.Name().c_str(), plain ? fileName.c_str() : SystemPath(fileName).c_str()) == 0) {
        temporary.Release();
        return true;
    }
    const int error = errno;
    temporary.Remove();
    errno = error;
    return false;
}

bool FinishReplacement(int fd, TemporaryFile& temporary, const std::string& fileName) {
    return FinishFile(fd, temporary) && (temporary.empty() || RenameOver(temporary, fileName));
}
