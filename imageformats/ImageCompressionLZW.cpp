// The LZW decoders of TIFF strips and GIF image data.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imageformats/ImageCompression.h"
#include "imageformats/ImageFormats.h"

namespace img {

namespace {

// The strings of the single-byte codes (of up to 11 bits, the largest GIF
// minimum code size, each its low 8 bits), and room for a piece of 8 bytes
// read from the last.
constexpr std::size_t LiteralCodes = 2048;
const std::array<uint8_t, LiteralCodes + 8>& ByteValues() {
    static const std::array<uint8_t, LiteralCodes + 8> values = [] {
        std::array<uint8_t, LiteralCodes + 8> v{};
        for (std::size_t i = 0; i < LiteralCodes; ++i) v[i] = static_cast<uint8_t>(i);
        return v;
    }();
    return values;
}

// The bytes that follow a copy of `length` bytes at `out`, as they were
// before the decode: `kept` holds those of [out, out + 8); the bytes from
// out + 8 on were not written yet. Needs out + length + 8 within the target.
inline uint64_t KeptAfter(uint64_t kept, const uint8_t* out, std::size_t length) {
    uint64_t next;
    std::memcpy(&next, out + length, 8);
    if (length >= 8) return next;
    if constexpr (std::endian::native == std::endian::little) {
        const unsigned shift = static_cast<unsigned>(8 * length);
        return (kept >> shift) | (next & ~(~uint64_t{0} >> shift));
    } else {
        uint8_t a[8], b[8];
        std::memcpy(a, &kept, 8);
        std::memcpy(b, &next, 8);
        for (std::size_t i = 0; i + length < 8; ++i) b[i] = a[i + length];
        std::memcpy(&next, b, 8);
        return next;
    }
}

// The same near the end of the target, where fewer than 8 bytes may follow.
inline uint64_t KeptAfterNear(uint64_t kept, const uint8_t* out, std::size_t length, const uint8_t* end) {
    uint8_t a[8], b[8] = {};
    std::memcpy(a, &kept, 8);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t at = length + i;
        b[i] = at < 8 ? a[at] : out + at < end ? out[at] : 0;
    }
    uint64_t next;
    std::memcpy(&next, b, 8);
    return next;
}

}  // namespace

template <bool MsbFirst, bool EndStops, bool EarlyChange>
void TLZWDecoder::DecodeAs(int initialWidth, uint32_t clear, const uint8_t* source, uint8_t* dest,
                           int32_t packedSize, int32_t unpackedSize) {
    if (packedSize <= 0 || unpackedSize <= 0) return;
    // Every code's string: a single byte among the byte values, or a string
    // written before, whole, in front of the current position.
    const uint8_t* const values = ByteValues().data();
    for (uint32_t c = 0; c < clear; ++c) table_[c] = {values + c, 1};
    const uint32_t end = clear + 1;
    int width = initialWidth;
    uint32_t mask = (1u << width) - 1;
    uint32_t nextFree = clear + 2;

    uint8_t* out = dest;
    uint8_t* const outEnd = dest + unpackedSize;
    // The target's own bytes at [out, out + 8), put back where the decoding
    // stops: the copies may have written past the data.
    uint64_t kept = 0;
    std::memcpy(&kept, dest, std::min<std::size_t>(8, static_cast<std::size_t>(unpackedSize)));
    const auto stop = [&] {
        std::memcpy(out, &kept, std::min<std::size_t>(8, static_cast<std::size_t>(outEnd - out)));
    };

    uint64_t acc = 0;
    int bits = 0;
    const uint8_t* src = source;
    const uint8_t* const srcEnd = source + packedSize;
    // Takes the next code; false when the source has too few bits left.
    const auto next = [&](uint32_t& code) {
        if (bits < width) {
            if (EndStops && srcEnd - src >= 4) {
                // Four bytes at once where nothing depends on the bits of
                // the byte read last.
                if constexpr (MsbFirst)
                    acc = (acc << 32) | LoadBE32(src);
                else
                    acc |= static_cast<uint64_t>(LoadLE32(src)) << bits;
                src += 4;
                bits += 32;
            } else {
                // Bytes one at a time, so that the bits left after a code are
                // those of the byte read last.
                while (bits < width) {
                    if (src == srcEnd) return false;
                    if constexpr (MsbFirst)
                        acc = (acc << 8) | *src++;
                    else
                        acc |= static_cast<uint64_t>(*src++) << bits;
                    bits += 8;
                }
            }
        }
        if constexpr (MsbFirst) {
            bits -= width;
            code = static_cast<uint32_t>(acc >> bits) & mask;
        } else {
            code = static_cast<uint32_t>(acc) & mask;
            acc >>= width;
            bits -= width;
        }
        return true;
    };

    // The clear code starts the table afresh; after the end code of GIF
    // data the rest of its byte is skipped.
    const auto restart = [&] {
        width = initialWidth;
        mask = (1u << width) - 1;
        nextFree = clear + 2;
    };
    const auto skipByte = [&] {
        acc = 0;
        bits = 0;
    };

    uint32_t code;
    for (;;) {
        // The first code of the data, or after a clear: a single byte, which
        // adds nothing to the table.
        if (out >= outEnd) return;
        if (!next(code)) return stop();
        if (code == clear) {
            restart();
            continue;
        }
        if (code == end) {
            if constexpr (EndStops) return stop();
            skipByte();
            continue;
        }
        // A code the table does not hold yet ends the data.
        if (code >= nextFree) return stop();
        kept = KeptAfterNear(kept, out, 1, outEnd);
        *out = *table_[code].string;
        // Where the string of the old code was written, and its length.
        uint8_t* oldStart = out++;
        std::size_t oldLength = 1;

        while (out < outEnd) {
            if (!next(code)) return stop();
            if (code >= nextFree || code - clear < 2) {
                if (code == clear) {
                    restart();
                    break;
                }
                if (code == end) {
                    if constexpr (EndStops) return stop();
                    skipByte();
                    continue;
                }
                if (code > nextFree) return stop();
            }
            uint8_t* const start = out;
            // The string of the code, or for the next free code the old
            // string and its own first byte.
            const bool known = code < nextFree;
            const uint8_t* from = known ? table_[code].string : oldStart;
            const std::size_t length = known ? table_[code].length : oldLength + 1;
            const std::size_t room = static_cast<std::size_t>(outEnd - out);
            if (room >= length + 8) {
                // Eight bytes at a time: the string's own bytes all lie before
                // `out`, so none is read after this copy overwrote it; a piece
                // may reach up to 7 bytes past the string, whose bytes are
                // kept.
                kept = KeptAfter(kept, out, length);
                std::memmove(out, from, 8);
                if (length > 8)
                    for (std::size_t k = 8; k < length; k += 8) std::memmove(out + k, from + k, 8);
                if (!known) out[length - 1] = *from;
                out += length;
            } else {
                const std::size_t n = std::min(length, room);
                kept = KeptAfterNear(kept, out, n, outEnd);
                for (std::size_t k = 0; k < n; ++k) out[k] = from[k];
                if (!known && n == length) out[length - 1] = *from;
                out += n;
            }
            // The new entry is the old string and the first byte of this one,
            // which follows it in the target.
            if (nextFree < TableSize) {
                table_[nextFree] = {oldStart, static_cast<uint32_t>(oldLength + 1)};
                if (!EarlyChange && nextFree >= mask && width < 12) {
                    ++width;
                    mask = (1u << width) - 1;
                }
                ++nextFree;
                if (EarlyChange && nextFree >= mask && width < 12) {
                    ++width;
                    mask = (1u << width) - 1;
                }
            }
            oldStart = start;
            oldLength = length;
        }
        if (out >= outEnd) return;
    }
}

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    DecodeAs<true, true, true>(9, 256, source, dest, packedSize, unpackedSize);
}

void TGIFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (initialCodeSize_ < 1 || initialCodeSize_ > 11) return;
    DecodeAs<false, false, false>(initialCodeSize_ + 1, 1u << initialCodeSize_, source, dest, packedSize,
                                  unpackedSize);
}

}  // namespace img
