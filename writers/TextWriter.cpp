#include "writers/TextWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "model/Errors.h"
#include "model/StatusLog.h"

namespace {

// Paths are handed to the file system with "/" separators.
std::string SystemPath(const std::string& fileName) {
    std::string path = fileName;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The commits are opened and closed on the user-interface thread only.
OutputCommit* currentCommit = nullptr;
unsigned temporaryCounter = 0;

void RemoveFile(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

[[noreturn]] void RenameFailed(const std::string& fileName, int error) {
    throw ExportError("Cannot write file " + fileName + ": " + std::strerror(error), fileName);
}

}  // namespace

// ---- Commit -------------------------------------------------------------------

OutputCommit::OutputCommit() : outer_(currentCommit) { currentCommit = this; }

OutputCommit::~OutputCommit() {
    for (const Entry& e : entries_) RemoveFile(e.temporary);
    currentCommit = outer_;
}

OutputCommit* OutputCommit::Current() { return currentCommit; }

void OutputCommit::Add(std::string temporary, std::string fileName) {
    entries_.push_back({std::move(temporary), std::move(fileName)});
}

void OutputCommit::Commit() {
    std::vector<Entry> entries = std::move(entries_);
    entries_.clear();
    if (outer_) {
        for (Entry& e : entries) outer_->Add(std::move(e.temporary), std::move(e.fileName));
        return;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (::rename(entries[i].temporary.c_str(), SystemPath(entries[i].fileName).c_str()) == 0) continue;
        const int error = errno;
        for (std::size_t k = i; k < entries.size(); ++k) RemoveFile(entries[k].temporary);
        RenameFailed(entries[i].fileName, error);
    }
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

void PutInPlace(const std::string& temporary, const std::string& fileName) {
    if (OutputCommit* commit = OutputCommit::Current()) {
        commit->Add(temporary, fileName);
        return;
    }
    if (::rename(temporary.c_str(), SystemPath(fileName).c_str()) == 0) return;
    const int error = errno;
    RemoveFile(temporary);
    RenameFailed(fileName, error);
}

std::string FreeBackupName(const std::string& fileName) {
    const std::string base = SystemPath(fileName) + ".bak";
    std::string name = base;
    struct stat st;
    for (int k = 2; ::lstat(name.c_str(), &st) == 0; ++k) name = base + std::to_string(k);
    return name;
}

// ---- Writer -------------------------------------------------------------------

CheckedTextWriter::CheckedTextWriter(const std::string& fileName, LineEnd lineEnd) { Open(fileName, lineEnd); }

CheckedTextWriter::~CheckedTextWriter() { Discard(); }

void CheckedTextWriter::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    RemoveFile(temporary_);
    temporary_.clear();
}

void CheckedTextWriter::Open(const std::string& fileName, LineEnd lineEnd) {
    if (fd_ >= 0) Close();
    fileName_ = fileName;
    lineEnd_ = lineEnd == LineEnd::CRLF ? std::string_view("\r\n") : std::string_view("\n");
    buffer_.clear();
    buffer_.reserve(FlushSize + 4096);
    flushed_ = 0;
    if (fileName.empty() || fileName.find('\0') != std::string::npos) Fail("create", ENOENT);
    const std::string path = SystemPath(fileName);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) Fail("create", EISDIR);
        // A device or a pipe is written as it is: there is no file to
        // replace.
        int fd;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) Fail("create", errno);
        fd_ = fd;
        return;
    }
    // A file the user made read-only stays as it is, as it did when files
    // were written in place.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) Fail("create", EACCES);
    const int fd = CreateFileBeside(fileName, temporary_);
    if (fd < 0) Fail("create", errno);
    fd_ = fd;
}

void CheckedTextWriter::Close() {
    if (fd_ < 0) return;
    Flush();
    // The whole file reaches the disk before it takes the old one's place.
    if (!temporary_.empty() && ::fsync(fd_) != 0) Fail("write", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) Fail("close", errno);
    if (temporary_.empty()) return;
    const std::string temporary = std::move(temporary_);
    temporary_.clear();
    PutInPlace(temporary, fileName_);
}

void CheckedTextWriter::Line(std::string_view text) {
    buffer_.append(text);
    buffer_.append(lineEnd_);
    FlushIfFull();
}

void CheckedTextWriter::Line(std::string_view marker, std::string_view text) {
    buffer_.append(marker);
    buffer_.append(text);
    buffer_.append(lineEnd_);
    FlushIfFull();
}

void CheckedTextWriter::Rule(std::string_view marker) { Line(marker, RuleLine); }

void CheckedTextWriter::EndLine() {
    buffer_.append(lineEnd_);
    FlushIfFull();
}

void CheckedTextWriter::Flush() {
    if (fd_ < 0) {
        if (!buffer_.empty()) Fail("write", EBADF);
        return;
    }
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("write", errno);
        }
        if (n == 0) Fail("write", EIO);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    flushed_ += buffer_.size();
    buffer_.clear();
}

void CheckedTextWriter::Fail(const char* what, int error) {
    // The unfinished file goes; an earlier file of the name stays as it was.
    Discard();
    buffer_.clear();
    std::string message = "Cannot ";
    message += what;
    message += " file ";
    message += fileName_.empty() ? std::string("(no name)") : fileName_;
    message += ": ";
    message += std::strerror(error);
    throw ExportError(message, fileName_);
}

void AppendInt(std::string& out, int64_t n) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}
