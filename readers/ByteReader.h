// The one reader of binary model files. It reads numbers and strings from a
// span of bytes held in memory and never reads outside that span: a reader
// for a whole file hands out readers limited to one chunk or sub-chunk, so
// that no read can pass the end of the chunk it belongs to, nor the end of
// the file. Running past the end throws `ByteOverrun`, which the readers
// catch to report a truncated or damaged file.
//
// Counts read from a file are checked against the bytes left (`CheckCount`)
// before anything is allocated for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Errors.h"

// A read that would pass the end of the chunk or file being read.
class ByteOverrun : public ReadError {
public:
    ByteOverrun(uint64_t offset, uint64_t wanted);
    uint64_t offset() const { return offset_; }

private:
    uint64_t offset_;
};

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::string_view bytes) : ByteReader(bytes.data(), bytes.size(), 0) {}

    std::size_t Size() const { return size_; }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    bool Has(uint64_t n) const { return n <= Remaining(); }
    // Offset of the current position from the start of the file.
    uint64_t FileOffset() const { return base_ + pos_; }

    // Moves to `pos` (at most the end).
    void Seek(uint64_t pos) { pos_ = pos < size_ ? static_cast<std::size_t>(pos) : size_; }
    // Moves on by n bytes; ByteOverrun when fewer are left.
    void Skip(uint64_t n);
    // Moves on by n bytes or to the end, whichever comes first; false when
    // the end came first.
    bool SkipClipped(uint64_t n);

    // A reader over the next n bytes, or over the bytes left when fewer are
    // left; this reader moves past them.
    ByteReader Take(uint64_t n);
    // The same without moving this reader.
    ByteReader Peek(uint64_t n) const;

    // `count` elements of `elementSize` bytes each must fit in the bytes
    // left; ByteOverrun otherwise. Returns the count.
    std::size_t CheckCount(uint64_t count, uint64_t elementSize) const;

    uint8_t U8();
    uint16_t U16LE();
    uint16_t U16BE();
    uint32_t U32LE();
    uint32_t U32BE();
    int16_t I16LE() { return static_cast<int16_t>(U16LE()); }
    int16_t I16BE() { return static_cast<int16_t>(U16BE()); }
    int32_t I32LE() { return static_cast<int32_t>(U32LE()); }
    int32_t I32BE() { return static_cast<int32_t>(U32BE()); }
    // IEEE single precision; an infinity or a NaN reads as 0.
    float F32LE();
    float F32BE();

    // A NUL-terminated string. The reader moves past the NUL; the text is
    // cut at `maxLength` bytes. A string whose NUL is missing runs to the
    // end of this reader (cut likewise).
    std::string CString(std::size_t maxLength);
    // An LWO S0 string: a NUL-terminated string that takes an even number of
    // bytes (a pad byte follows when the text and NUL make an odd count);
    // the text is cut at `maxLength` bytes.
    std::string S0(std::size_t maxLength = 255);
    // An LWO VX index: a U2, or, when the first byte is 0xFF, a U4 of which
    // the low 24 bits are the index.
    uint32_t VX();
    // Four bytes compared as one big-endian number ("FORM" = 0x464F524D).
    uint32_t ID4() { return U32BE(); }

private:
    ByteReader(const char* data, std::size_t size, uint64_t base)
        : data_(reinterpret_cast<const uint8_t*>(data)), size_(size), base_(base) {}
    const uint8_t* Need(std::size_t n);
    [[noreturn]] void Overrun(uint64_t wanted) const;

    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    uint64_t base_ = 0;  // offset of data_[0] in the file
};

// Four characters as an ID4 value: Tag("FORM").
constexpr uint32_t Tag(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}
