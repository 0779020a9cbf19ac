#include "readers/Gzip.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "model/Errors.h"
#include "platform/TempFiles.h"

namespace {

constexpr unsigned TransferBufferSize = 16384;

// The output file while it is written: removed again unless the copy
// completed (its old contents, if any, were replaced when it was opened).
class OutputFile {
public:
    explicit OutputFile(const std::string& name) : name_(name) {}
    ~OutputFile() {
        if (file_) std::fclose(file_);
        if (opened_ && !done_) std::remove(name_.c_str());
    }
    bool Open() {
        file_ = std::fopen(name_.c_str(), "wb");
        opened_ = file_ != nullptr;
        return opened_;
    }
    bool Write(const unsigned char* data, std::size_t n) { return std::fwrite(data, 1, n, file_) == n; }
    bool Close() {
        std::FILE* f = file_;
        file_ = nullptr;
        return std::fclose(f) == 0;
    }
    void Keep() { done_ = true; }

private:
    std::string name_;
    std::FILE* file_ = nullptr;
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

// The copy loop: blocks of uncompressed bytes from `gz` to `out` until the
// end of the stream.
void CopyGzipToFile(GzInput& gz, OutputFile& out, const std::string& inName) {
    unsigned char buffer[TransferBufferSize];
    for (;;) {
        const int n = gzread(gz.get(), buffer, TransferBufferSize);
        if (n < 0) {
            int code = 0;
            const char* text = gzerror(gz.get(), &code);
            throw ReadError(std::string(": ") + (text ? text : "read error"), inName);
        }
        if (n == 0) {
            errno = 0;
            if (!out.Close()) throw ReadError("close error: " + std::to_string(errno), inName);
            // A stream that ends early is reported by the close.
            if (gz.Close() != Z_OK) throw ReadError("gzclose error", inName);
            return;
        }
        if (!out.Write(buffer, static_cast<std::size_t>(n))) throw ReadError("write error", inName);
    }
}

}  // namespace

void UncompressGzipFile(const std::string& inName, const std::string& outName) {
    GzInput gz(gzopen(inName.c_str(), "rb"));
    if (!gz.get()) throw ReadError(": can't gzopen " + inName, inName);
    OutputFile out(outName);
    errno = 0;
    if (!out.Open()) throw ReadError("open error: " + std::to_string(errno), inName);
    CopyGzipToFile(gz, out, inName);
    out.Keep();
}

std::string UncompressGzipToTempFile(const std::string& inName, std::string_view extension) {
    const std::string path = CreateTempFile("mirelantemp", extension);
    if (path.empty()) throw ReadError("Cannot create a temporary file to unpack " + inName, inName);
    try {
        UncompressGzipFile(inName, path);
    } catch (...) {
        DeleteTempFile(path);
        throw;
    }
    return path;
}

ScopedTempFile::~ScopedTempFile() {
    if (!path_.empty()) DeleteTempFile(path_);
}
