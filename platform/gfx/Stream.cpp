#include "platform/gfx/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileReplace.h"
#include "platform/gfx/Errors.h"

namespace gfx {

std::size_t Stream::write(const void*, std::size_t) { return 0; }

uint64_t Stream::remaining() const {
    const uint64_t pos = position(), end = size();
    return pos < end ? end - pos : 0;
}

void Stream::readExact(void* buffer, std::size_t n) {
    if (n == 0) return;
    if (read(buffer, n) != n) throw EReadError(StreamReadErrorText);
}

void Stream::writeExact(const void* buffer, std::size_t n) {
    if (n == 0) return;
    if (write(buffer, n) != n) throw EWriteError(StreamWriteErrorText);
}

uint8_t Stream::readU8() {
    uint8_t b;
    readExact(&b, 1);
    return b;
}

uint16_t Stream::readU16LE() {
    uint8_t b[2];
    readExact(b, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint16_t Stream::readU16BE() {
    uint8_t b[2];
    readExact(b, 2);
    return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t Stream::readU32LE() {
    uint8_t b[4];
    readExact(b, 4);
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

uint32_t Stream::readU32BE() {
    uint8_t b[4];
    readExact(b, 4);
    return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
           (static_cast<uint32_t>(b[2]) << 8) | static_cast<uint32_t>(b[3]);
}

std::vector<uint8_t> Stream::readAll(uint64_t limit) {
    const uint64_t n = std::min(remaining(), limit);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(n));
    bytes.resize(read(bytes.data(), bytes.size()));
    return bytes;
}

// ---- FileStream -------------------------------------------------------------

FileStream::FileStream(const std::string& fileName, Mode mode) : fileName_(fileName), mode_(mode) {
    if (mode == Mode::Read) {
        file_ = std::fopen(fileName.c_str(), "rb");
    } else {
        const int fd = OpenReplacement(fileName, temporary_);
        if (fd >= 0 && !(file_ = ::fdopen(fd, "wb"))) {
            ::close(fd);
            temporary_.Remove();
        }
    }
    if (!file_) {
        const int error = errno;
        if (mode == Mode::Read) throw EFOpenError("Cannot open file \"" + fileName + "\"", fileName);
        throw EFOpenError("Cannot create file \"" + fileName + "\"" +
                              (error == NotARegularFile ? ": " + FileErrorText(error) : std::string()),
                          fileName);
    }
    if (mode == Mode::Read) {
        if (std::fseek(file_, 0, SEEK_END) == 0) {
            const long end = std::ftell(file_);
            size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
        // A folder opens on Linux but reads nothing; it counts as a file that
        // cannot be opened.
        struct stat info {};
        if (fstat(fileno(file_), &info) != 0 || S_ISDIR(info.st_mode) || std::fseek(file_, 0, SEEK_SET) != 0) {
            std::fclose(file_);
            file_ = nullptr;
            throw EFOpenError("Cannot open file \"" + fileName + "\"", fileName);
        }
    }
}

FileStream::~FileStream() {
    if (!file_) return;
    std::fclose(file_);
}

bool FileStream::commit() {
    if (!file_ || mode_ != Mode::Create) return false;
    const bool flushed = std::fflush(file_) == 0;
    // The descriptor now belongs to FinishReplacement, which closes it; the
    // FILE itself is released without a second close.
    const int fd = ::dup(::fileno(file_));
    std::fclose(file_);
    file_ = nullptr;
    if (!flushed || fd < 0) {
        if (fd >= 0) ::close(fd);
        temporary_.Remove();
        return false;
    }
    return FinishReplacement(fd, temporary_, fileName_);
}

std::size_t FileStream::read(void* buffer, std::size_t n) {
    if (n == 0 || mode_ != Mode::Read || position_ >= size_) return 0;
    if (!placed_) {
        if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) return 0;
        placed_ = true;
    }
    const std::size_t got = std::fread(buffer, 1, n, file_);
    position_ += got;
    if (got < n) placed_ = false;  // the end or an error: place again before the next read
    return got;
}

std::size_t FileStream::write(const void* buffer, std::size_t n) {
    if (n == 0 || mode_ != Mode::Create) return 0;
    if (!placed_) {
        if (std::fseek(file_, static_cast<long>(position_), SEEK_SET) != 0) return 0;
        placed_ = true;
    }
    const std::size_t put = std::fwrite(buffer, 1, n, file_);
    position_ += put;
    size_ = std::max(size_, position_);
    if (put < n) placed_ = false;
    return put;
}

void FileStream::seek(uint64_t position) {
    if (position != position_) placed_ = false;
    position_ = position;
}

uint64_t FileStream::size() const { return size_; }

// ---- MemoryStream -----------------------------------------------------------

std::size_t MemoryStream::read(void* buffer, std::size_t n) {
    if (position_ >= view_.size()) return 0;
    const std::size_t got = static_cast<std::size_t>(std::min<uint64_t>(n, view_.size() - position_));
    if (got) std::memcpy(buffer, view_.data() + position_, got);
    position_ += got;
    return got;
}

std::size_t MemoryStream::write(const void* buffer, std::size_t n) {
    if (borrowed_ || n == 0) return 0;
    const uint64_t end = position_ + n;
    if (end > owned_.size()) owned_.resize(static_cast<std::size_t>(end));
    std::memcpy(owned_.data() + position_, buffer, n);
    position_ = end;
    view_ = owned_;
    return n;
}

std::vector<uint8_t> MemoryStream::release() {
    if (borrowed_) return {view_.begin(), view_.end()};
    std::vector<uint8_t> bytes = std::move(owned_);
    owned_.clear();
    view_ = owned_;
    position_ = 0;
    return bytes;
}

}  // namespace gfx
