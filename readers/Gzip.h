// Decompression of gzip files (".gz" models, ".pzz" Poser scenes) into plain
// files, so that the text readers read them like any other file. The data
// is streamed in blocks; memory use does not grow with the file.
#pragma once

#include <string>
#include <string_view>

#include "model/Errors.h"

// The failure of a gzip stream whose data are damaged or end early: its
// message is one of those of UncompressGzipFile, and `cause` says what is
// wrong with the data without naming the file ("incorrect data check", or
// "its packed data end early").
class GzipDataError : public ReadError {
public:
    GzipDataError(const std::string& message, const std::string& file, std::string cause)
        : ReadError(message, file), cause_(std::move(cause)) {}
    const std::string& cause() const { return cause_; }

private:
    std::string cause_;
};

// Reads the gzip file `inName` and writes its uncompressed bytes to
// `outName` (created or replaced). A file without the gzip signature is
// copied as it is. Every failure throws ReadError with one of the messages
// ": can't gzopen " + inName, "open error: " + errno, ": " + the zlib error
// text (a corrupt or truncated stream), "write error", "close error: " +
// errno, "gzclose error", or "not enough disk space to load " + the file
// name when the disk is full; the partly written output file is then
// removed. A stream whose data are damaged or cut short throws
// GzipDataError.
void UncompressGzipFile(const std::string& inName, const std::string& outName);

// True when `fileName` is a regular file that begins with the gzip
// signature.
bool IsGzipFile(const std::string& fileName);

// Decompresses `inName` into a new temporary file of the program (unique
// name "mirelantemp-PID-XXXXXX" + extension, e.g. ".wrl", in the system's
// temporary folder) and returns its path. The caller deletes it with
// DeleteTempFile (or holds it in a ScopedTempFile). A file that unpacks to
// more than the memory can hold (AvailableMemory) stops as soon as it is
// too big, with "not enough memory to load " + the file name. On failure
// no temporary file is left and ReadError is thrown; should the process be
// killed meanwhile, the next unpacking or start of the program removes the
// file (CreateTempFile).
std::string UncompressGzipToTempFile(const std::string& inName, std::string_view extension);

// Deletes its temporary file (one made by CreateTempFile) when it goes out
// of scope.
class ScopedTempFile {
public:
    explicit ScopedTempFile(std::string path) : path_(std::move(path)) {}
    ~ScopedTempFile();
    ScopedTempFile(const ScopedTempFile&) = delete;
    ScopedTempFile& operator=(const ScopedTempFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
