// Byte streams for the image readers and writers: a file or a block of
// memory, read from a position that can be moved. `read` may return fewer
// bytes than asked (at the end of the stream); `readExact` raises
// `EReadError` "Stream read error" instead, and so do the typed readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/FileReplace.h"

namespace gfx {

class Stream {
public:
    virtual ~Stream() = default;
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Reads up to n bytes at the position and moves past them; returns the
    // number read, 0 at or past the end.
    virtual std::size_t read(void* buffer, std::size_t n) = 0;
    // Writes n bytes at the position and moves past them; returns the number
    // written. A stream that cannot be written returns 0.
    virtual std::size_t write(const void* buffer, std::size_t n);
    // The position from the start of the stream. A position past the end is
    // allowed: reads there give nothing.
    virtual uint64_t position() const = 0;
    virtual void seek(uint64_t position) = 0;
    virtual uint64_t size() const = 0;

    // The bytes from the position to the end; 0 past the end.
    uint64_t remaining() const;
    // Moves the position on by n bytes.
    void skip(uint64_t n) { seek(position() + n); }

    // Reads exactly n bytes; EReadError when fewer are left (the position
    // is then at the end).
    void readExact(void* buffer, std::size_t n);
    // Writes exactly n bytes; EWriteError when fewer were written.
    void writeExact(const void* buffer, std::size_t n);

    // Typed readers; each raises EReadError at the end of the stream.
    uint8_t readU8();
    uint16_t readU16LE();
    uint16_t readU16BE();
    uint32_t readU32LE();
    uint32_t readU32BE();
    // The remaining bytes from the position, at most `limit`.
    std::vector<uint8_t> readAll(uint64_t limit = UINT64_MAX);
};

// A file opened for reading or created for writing. Opening raises
// EFOpenError: "Cannot open file "<name>"" for reading, "Cannot create file
// "<name>"" for writing.
// A file read, or written whole: a file opened with Mode::Create is written
// beside the old one of its name and takes that name at commit(); a stream
// destroyed before (an error on the way) leaves the old file as it was.
class FileStream : public Stream {
public:
    enum class Mode { Read, Create };
    explicit FileStream(const std::string& fileName, Mode mode = Mode::Read);
    ~FileStream() override;

    // Writes out what is buffered, flushes the file to the disk and puts
    // it in place of the old one. False, with the new file removed and the
    // old one kept, when any of it fails.
    bool commit();

    std::size_t read(void* buffer, std::size_t n) override;
    std::size_t write(const void* buffer, std::size_t n) override;
    uint64_t position() const override { return position_; }
    void seek(uint64_t position) override;
    uint64_t size() const override;
    const std::string& fileName() const { return fileName_; }

private:
    std::FILE* file_ = nullptr;
    std::string fileName_;
    TemporaryFile temporary_;  // Create: the new file beside fileName_ until commit()
    Mode mode_;
    uint64_t position_ = 0;
    uint64_t size_ = 0;  // for reading: the size when opened
    bool placed_ = true; // the file's own position equals position_
};

// A block of memory: either bytes of its own, which writing extends, or
// bytes borrowed from the caller for reading only (they must outlive the
// stream).
class MemoryStream : public Stream {
public:
    // An empty stream of its own.
    MemoryStream() = default;
    // A stream of its own holding the given bytes.
    explicit MemoryStream(std::vector<uint8_t> bytes) : owned_(std::move(bytes)) { view_ = owned_; }
    // A read-only stream over bytes of the caller.
    explicit MemoryStream(std::span<const uint8_t> borrowed) : view_(borrowed), borrowed_(true) {}

    std::size_t read(void* buffer, std::size_t n) override;
    std::size_t write(const void* buffer, std::size_t n) override;
    uint64_t position() const override { return position_; }
    void seek(uint64_t position) override { position_ = position; }
    uint64_t size() const override { return view_.size(); }

    // The bytes of the stream.
    std::span<const uint8_t> bytes() const { return view_; }
    // Takes the bytes out of a stream of its own (the stream is then empty).
    std::vector<uint8_t> release();

private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> view_;
    bool borrowed_ = false;
    uint64_t position_ = 0;
};

}  // namespace gfx
