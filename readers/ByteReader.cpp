#include "readers/ByteReader.h"

#include <bit>
#include <cstring>

#include "model/ModelLists.h"

ByteOverrun::ByteOverrun(uint64_t offset, uint64_t wanted)
    : ReadError("The data ends before " + std::to_string(wanted) + " more bytes at offset " +
                std::to_string(offset)),
      offset_(offset) {}

void ByteReader::Overrun(uint64_t wanted) const { throw ByteOverrun(FileOffset(), wanted); }

const uint8_t* ByteReader::Need(std::size_t n) {
    if (n > Remaining()) Overrun(n);
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
}

void ByteReader::Skip(uint64_t n) {
    if (n > Remaining()) Overrun(n);
    pos_ += static_cast<std::size_t>(n);
}

bool ByteReader::SkipClipped(uint64_t n) {
    if (n > Remaining()) {
        pos_ = size_;
        return false;
    }
    pos_ += static_cast<std::size_t>(n);
    return true;
}

ByteReader ByteReader::Peek(uint64_t n) const {
    const std::size_t len = n < Remaining() ? static_cast<std::size_t>(n) : Remaining();
    return ByteReader(reinterpret_cast<const char*>(data_ + pos_), len, base_ + pos_);
}

ByteReader ByteReader::Take(uint64_t n) {
    ByteReader sub = Peek(n);
    pos_ += sub.Size();
    return sub;
}

std::size_t ByteReader::CheckCount(uint64_t count, uint64_t elementSize) const {
    // Divides rather than multiplies, so that no product can overflow.
    if (elementSize > 0 && count > Remaining() / elementSize)
        Overrun(count <= UINT64_MAX / elementSize ? count * elementSize : UINT64_MAX);
    return static_cast<std::size_t>(count);
}

uint8_t ByteReader::U8() { return *Need(1); }

uint16_t ByteReader::U16LE() {
    const uint8_t* p = Need(2);
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t ByteReader::U16BE() {
    const uint8_t* p = Need(2);
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t ByteReader::U32LE() {
    const uint8_t* p = Need(4);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t ByteReader::U32BE() {
    const uint8_t* p = Need(4);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

static float BitsToFloat(uint32_t bits) { return IsNaNOrInf(bits) ? 0.0f : std::bit_cast<float>(bits); }

float ByteReader::F32LE() { return BitsToFloat(U32LE()); }
float ByteReader::F32BE() { return BitsToFloat(U32BE()); }

std::string ByteReader::CString(std::size_t maxLength) {
    if (AtEnd()) return {};
    const uint8_t* start = data_ + pos_;
    const void* nul = std::memchr(start, 0, Remaining());
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const uint8_t*>(nul) - start) : Remaining();
    std::string text(reinterpret_cast<const char*>(start), length < maxLength ? length : maxLength);
    pos_ += nul ? length + 1 : length;
    return text;
}

std::string ByteReader::S0(std::size_t maxLength) {
    const std::size_t before = pos_;
    std::string text = CString(maxLength);
    if ((pos_ - before) % 2 != 0 && pos_ < size_) ++pos_;
    return text;
}

uint32_t ByteReader::VX() {
    if (Remaining() >= 1 && data_[pos_] == 0xFF) return U32BE() & 0x00FFFFFFu;
    return U16BE();
}
