#include "writers/TextWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "model/Errors.h"
#include "model/StatusLog.h"
#include "writers/FastText.h"

namespace {

// Paths are handed to the file system with "/" separators.
std::string SystemPath(const std::string& fileName) {
    std::string path = fileName;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

}  // namespace

CheckedTextWriter::CheckedTextWriter(const std::string& fileName, LineEnd lineEnd) { Open(fileName, lineEnd); }

CheckedTextWriter::~CheckedTextWriter() {
    if (fd_ >= 0) ::close(fd_);
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
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) Fail("create", errno);
    fd_ = fd;
}

void CheckedTextWriter::Close() {
    if (fd_ < 0) return;
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) Fail("close", errno);
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
    // The file keeps what was written so far; nothing more goes into it.
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
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
    out.append(buf, WriteFastInt(buf, n));
}
