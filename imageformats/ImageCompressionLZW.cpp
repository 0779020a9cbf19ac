// The LZW decoders of TIFF strips and GIF image data.
#include <algorithm>
#include <cstring>

#include "imageformats/ImageCompression.h"

namespace img {

void TLZWDecoder::DecodeWith(const Variant& v, const uint8_t* source, uint8_t* dest, int32_t packedSize,
                             int32_t unpackedSize) {
    if (packedSize <= 0 || unpackedSize <= 0) return;
    const uint32_t clear = v.clearCode, end = clear + 1;
    for (uint32_t i = 0; i < clear; ++i) {
        prefix_[i] = static_cast<uint16_t>(NoCode);
        suffix_[i] = static_cast<uint8_t>(i);
        length_[i] = 1;
    }
    int width = v.initialWidth;
    uint32_t mask = (1u << width) - 1;
    uint32_t nextFree = clear + 2;
    uint32_t old = NoCode;
    uint8_t firstByte = 0;

    uint8_t* out = dest;
    uint8_t* const outEnd = dest + unpackedSize;
    // Writes the string of `code`, followed by `extra` when it is 0..255,
    // as far as the target has room; answers the string's first byte. A
    // string never holds more than 4096 bytes, so the stack below suffices.
    uint8_t stack[TableSize + 1];
    auto emit = [&](uint32_t code, int extra) -> uint8_t {
        const std::size_t n = length_[code];
        const std::size_t total = n + (extra >= 0 ? 1 : 0);
        const std::size_t room = static_cast<std::size_t>(outEnd - out);
        uint8_t* p = total <= room ? out : stack;
        if (extra >= 0) p[n] = static_cast<uint8_t>(extra);
        for (std::size_t k = n; k-- > 0;) {
            p[k] = suffix_[code];
            code = prefix_[code];
        }
        if (p == stack) std::memcpy(out, stack, room);
        out += std::min(total, room);
        return p[0];
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
            if (old == NoCode) {
                firstByte = emit(code, -1);
                old = code;
                continue;
            }
            if (code < nextFree && code < TableSize)
                firstByte = emit(code, -1);
            else
                firstByte = emit(old, firstByte);  // the string of the old code and its own first byte
            if (nextFree < TableSize) {
                prefix_[nextFree] = static_cast<uint16_t>(old);
                suffix_[nextFree] = firstByte;
                length_[nextFree] = static_cast<uint16_t>(length_[old] + 1);
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
