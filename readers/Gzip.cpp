#include "readers/Gzip.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>

#include "model/Errors.h"
#include "model/TextConv.h"
#include "platform/FileReplace.h"
#include "platform/Memory.h"
#include "platform/TempFiles.h"
#include "readers/ReaderCommon.h"

namespace {

constexpr unsigned TransferBufferSize = 16384;

// A write that failed for want of room: the disk (or the user's quota, or
// the size a file may have) is full.
bool OutOfRoom(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// The output file while it is written: removed again unless the copy
// completed (its old contents, if any, were replaced when it was opened).
class OutputFile {
public:
    explicit OutputFile(const std::string& name) : name_(name) {}
    ~OutputFile() {
        if (fd_ >= 0) ::close(fd_);
        if (opened_ && !done_) ::unlink(name_.c_str());
    }
    bool Open() {
        do {
            fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        } while (fd_ < 0 && errno == EINTR);
        opened_ = fd_ >= 0;
        return opened_;
    }
    // False with errno set when not every byte could be written.
    bool Write(const unsigned char* data, std::size_t n) { return WriteAll(fd_, data, n); }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }
    void Keep() { done_ = true; }

private:
    std::string name_;
    int fd_ = -1;
    bool opened_ = false;  // only a file this copy created is removed
    bool done_ = false;
};

class GzInput {
public:
    explicit GzInput(gzFile gz) : gz_(gz) {}
    ~GzInput() {
        if (gz_) gzclose(gz_);
    }
    gzFile get() const { return gz_; }
    int Close() {
        gzFile g = gz_;
        gz_ = nullptr;
        return gzclose(g);
    }

private:
    gzFile gz_;
};

[[noreturn]] void NoRoom(const std::string& inName) {
    throw ReadError("not enough disk space to load " + ExtractFileName(inName), inName);
}

// The copy loop: blocks of uncompressed bytes from `gz` to `out` until the
// end of the stream. More than `limit` bytes cannot be loaded.
void CopyGzipToFile(GzInput& gz, OutputFile& out, const std::string& inName, uint64_t limit) {
    unsigned char buffer[TransferBufferSize];
    uint64_t total = 0;
    for (;;) {
        const int n = gzread(gz.get(), buffer, TransferBufferSize);
        if (n < 0) {
            int code = 0;
            const char* error = gzerror(gz.get(), &code);
            const std::string text = error ? error : "read error";
            if (code != Z_DATA_ERROR && code != Z_BUF_ERROR) throw ReadError(": " + text, inName);
            // zlib puts the file's name before what it found wrong.
            const std::string named = inName + ": ";
            throw GzipDataError(": " + text, inName, text.starts_with(named) ? text.substr(named.size()) : text);
        }
        if (n == 0) {
            errno = 0;
            if (!out.Close()) {
                if (OutOfRoom(errno)) NoRoom(inName);
                throw ReadError("close error: " + std::to_string(errno), inName);
            }
            // A stream that ends early is reported by the close.
            const int closed = gz.Close();
            if (closed == Z_BUF_ERROR) throw GzipDataError("gzclose error", inName, "its packed data end early");
            if (closed != Z_OK) throw ReadError("gzclose error", inName);
            return;
        }
        total += static_cast<uint64_t>(n);
        if (total > limit) throw ReadError(NoMemoryText(inName), inName);
        if (!out.Write(buffer, static_cast<std::size_t>(n))) {
            if (OutOfRoom(errno)) NoRoom(inName);
            throw ReadError("write error", inName);
        }
    }
}

void Uncompress(const std::string& inName, const std::string& outName, uint64_t limit) {
    GzInput gz(gzopen(inName.c_str(), "rb"));
    if (!gz.get()) throw ReadError(": can't gzopen " + inName, inName);
    OutputFile out(outName);
    errno = 0;
    if (!out.Open()) throw ReadError("open error: " + std::to_string(errno), inName);
    CopyGzipToFile(gz, out, inName, limit);
    out.Keep();
}

}  // namespace

bool IsGzipFile(const std::string& fileName) {
    // Never a pipe or a device: opening one could wait for ever.
    const int fd = ::open(SystemPath(fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    unsigned char signature[2] = {};
    const bool gzip = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, signature, 2, 0) == 2 &&
                      signature[0] == 0x1F && signature[1] == 0x8B;
    ::close(fd);
    return gzip;
}

void UncompressGzipFile(const std::string& inName, const std::string& outName) {
    Uncompress(inName, outName, std::numeric_limits<uint64_t>::max());
}

std::string UncompressGzipToTempFile(const std::string& inName, std::string_view extension) {
    const std::string path = CreateTempFile(TempFileStem, extension);
    if (path.empty()) throw ReadError("Cannot create a temporary file to unpack " + inName, inName);
    try {
        // The readers hold the whole unpacked file in memory.
        Uncompress(inName, path, AvailableMemory());
    } catch (...) {
        DeleteTempFile(path);
        throw;
    }
    return path;
}

ScopedTempFile::~ScopedTempFile() {
    if (!path_.empty()) DeleteTempFile(path_);
}
