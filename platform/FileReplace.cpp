#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Files are made on the user-interface thread only.
unsigned temporaryCounter = 0;

}  // namespace

std::string SystemPath(std::string_view fileName) {
    std::string path(fileName);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

int CreateFileBeside(const std::string& fileName, std::string& temporary) {
    const std::string path = SystemPath(fileName);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string stem = folder + ".mirelan-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temporary = stem + std::to_string(++temporaryCounter) + ".tmp";
        int fd;
        do {
            fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporary.clear();
    errno = error;
    return -1;
}

int OpenReplacement(const std::string& fileName, std::string& temporary) {
    temporary.clear();
    if (fileName.empty() || fileName.find('\0') != std::string::npos) {
        errno = ENOENT;
        return -1;
    }
    const std::string path = SystemPath(fileName);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return -1;
        }
        int fd;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        return fd;
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

bool FinishFile(int fd, const std::string& temporary) {
    int error = 0;
    // The whole file reaches the disk before it can take the old one's place.
    if (!temporary.empty() && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && errno != EINTR && error == 0) error = errno;
    if (error == 0) return true;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    errno = error;
    return false;
}

bool RenameOver(const std::string& temporary, const std::string& fileName) {
    if (::rename(temporary.c_str(), SystemPath(fileName).c_str()) == 0) return true;
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return false;
}

bool FinishReplacement(int fd, const std::string& temporary, const std::string& fileName) {
    return FinishFile(fd, temporary) && (temporary.empty() || RenameOver(temporary, fileName));
}
