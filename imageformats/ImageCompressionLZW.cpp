// The LZW decoders of TIFF strips and GIF image data.
#include <algorithm>
#include <cstring>

#include "imageformats/ImageCompression.h"

namespace img {

void TLZWDecoder::DecodeWith(const Variant& v, const uint8_t* source, uint8_t* dest, int32_t packedSize,
                             int32_t unpackedSize) {
    if (packedSize <= 0 || unpackedSize <= 0) return;
    const uint32_t clear = v.clearCode, end = clear + 1;
    int width = v.initialWidth;
    uint32_t mask = (1u << width) - 1;
    uint32_t nextFree = clear + 2;
    uint32_t old = NoCode;
    // Where the string of the old code was written, and its length.
    std::size_t oldStart = 0;
    std::size_t oldLength = 0;

    uint8_t* out = dest;
    uint8_t* const outEnd = dest + unpackedSize;
    // Writes the string of `code` as far as the target has room; answers
    // its length. Every string but a single byte was written before, whole,
    // in front of the current position.
    auto emit = [&](uint32_t code) -> std::size_t {
        if (code < clear) {
            *out++ = static_cast<uint8_t>(code);
            return 1;
        }
        const std::size_t n = length_[code];
        const std::size_t m = std::min(n, static_cast<std::size_t>(outEnd - out));
        const uint8_t* from = dest + offset_[code];
        // Most strings are short: a plain loop beats a call of memcpy.
        for (std::size_t k = 0; k < m; ++k) out[k] = from[k];
        out += m;
        return n;
    };

    uint32_t acc = 0;
    int bits = 0;
    const uint8_t* const srcEnd = source + packedSize;
    for (const uint8_t* src = source; src < srcEnd && out < outEnd; ++src) {
        if (v.msbFirst)
            acc = (acc << 8) | *src;
        else
            acc |= static_cast<uint32_t>(*src) << bits;
        bits += 8;
        while (bits >= width && out < outEnd) {
            uint32_t code;
            if (v.msbFirst) {
                bits -= width;
                code = (acc >> bits) & mask;
                acc &= (1u << bits) - 1;
            } else {
                code = acc & mask;
                acc >>= width;
                bits -= width;
            }
            if (code == clear) {
                width = v.initialWidth;
                mask = (1u << width) - 1;
                nextFree = clear + 2;
                old = NoCode;
                continue;
            }
            if (code == end) {
                if (v.endStops) return;
                acc = 0;
                bits = 0;
                break;
            }
            // A code the table does not hold yet ends the data.
            if (code > nextFree || (code == nextFree && old == NoCode)) return;
            const std::size_t start = static_cast<std::size_t>(out - dest);
            if (old == NoCode) {
                oldLength = emit(code);
                oldStart = start;
                old = code;
                continue;
            }
            std::size_t length;
            if (code < nextFree) {
                length = emit(code);
            } else {
                // Not in the table yet: the old string and its own first byte.
                const uint8_t first = dest[oldStart];
                length = emit(old) + 1;
                if (out < outEnd) *out++ = first;
            }
            // The new entry is the old string and the first byte of this one,
            // which follows it in the target.
            if (nextFree < TableSize) {
                offset_[nextFree] = static_cast<uint32_t>(oldStart);
                length_[nextFree] = static_cast<uint16_t>(oldLength + 1);
                if (!v.earlyChange && nextFree >= mask && width < 12) {
                    ++width;
                    mask = (1u << width) - 1;
                }
                ++nextFree;
                if (v.earlyChange && nextFree >= mask && width < 12) {
                    ++width;
                    mask = (1u << width) - 1;
                }
            }
            oldStart = start;
            oldLength = length;
            old = code;
        }
    }
}

void TTIFFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    static constexpr Variant tiff{true, 9, 256, true, true};
    DecodeWith(tiff, source, dest, packedSize, unpackedSize);
}

void TGIFLZWDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (initialCodeSize_ < 1 || initialCodeSize_ > 11) return;
    const Variant gif{false, initialCodeSize_ + 1, 1u << initialCodeSize_, false, false};
    DecodeWith(gif, source, dest, packedSize, unpackedSize);
}

}  // namespace img
