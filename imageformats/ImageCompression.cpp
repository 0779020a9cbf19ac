#include "imageformats/ImageCompression.h"

#include <algorithm>
#include <cstring>

namespace img {

void CompressionError(const char* message) { throw EImageCompression(message); }

namespace {

// The bounds of one Decode call: the source bytes still to read and the
// target bytes still free.
struct Bounds {
    const uint8_t* src;
    const uint8_t* srcEnd;
    uint8_t* out;
    uint8_t* outEnd;

    Bounds(const uint8_t* source, uint8_t* dest, int32_t packedSize, int32_t unpackedSize)
        : src(source), srcEnd(source + std::max(packedSize, 0)), out(dest), outEnd(dest + std::max(unpackedSize, 0)) {}

    std::size_t input() const { return static_cast<std::size_t>(srcEnd - src); }
    std::size_t room() const { return static_cast<std::size_t>(outEnd - out); }
    bool full() const { return out == outEnd; }
    // Copies n source bytes of which the target takes what fits; the source
    // moves on by all n.
    void copy(std::size_t n) {
        const std::size_t m = std::min(n, room());
        std::memcpy(out, src, m);
        out += m;
        src += n;
    }
    // Writes n copies of a byte, as many as fit.
    void run(uint8_t value, std::size_t n) {
        const std::size_t m = std::min(n, room());
        std::memset(out, value, m);
        out += m;
    }
};

int TargaPixelSize(uint8_t depth) {
    switch (depth) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

}  // namespace

// ---- Targa ------------------------------------------------------------------

TTargaRLEDecoder::TTargaRLEDecoder(uint8_t colorDepth)
    : pixelSize_(TargaPixelSize(colorDepth)), encodeSize_((colorDepth + 1) / 8) {}

void TTargaRLEDecoder::DecodeInit() {
    pending_ = 0;
    pendingRun_ = false;
}

void TTargaRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (pixelSize_ == 0) return;
    const std::size_t ps = static_cast<std::size_t>(pixelSize_);
    const uint8_t* src = source;
    const uint8_t* const end = source + std::max(packedSize, 0);
    uint8_t* out = dest;
    uint32_t left = static_cast<uint32_t>(std::max(unpackedSize, 0));
    while (left > 0) {
        if (pending_ == 0) {
            if (src == end) break;
            const uint8_t h = *src;
            if (h > 127) {
                // A run waits until its pixel is all there.
                if (static_cast<std::size_t>(end - src) < 1 + ps) break;
                std::memcpy(runPixel_, src + 1, ps);
                src += 1 + ps;
                pendingRun_ = true;
            } else {
                ++src;
                pendingRun_ = false;
            }
            pending_ = (h & 127u) + 1;
        }
        uint32_t n = std::min(pending_, left);
        if (pendingRun_) {
            for (uint32_t k = 0; k < n; ++k, out += ps) std::memcpy(out, runPixel_, ps);
        } else {
            n = std::min<uint32_t>(n, static_cast<uint32_t>(static_cast<std::size_t>(end - src) / ps));
            if (n == 0) break;  // the literal pixels are not in this source
            std::memcpy(out, src, n * ps);
            src += n * ps;
            out += n * ps;
        }
        pending_ -= n;
        left -= n;
    }
    source = src;
}

int64_t TTargaRLEDecoder::MaxEncodedSize(int32_t count) const {
    const int64_t n = std::max(count, 0);
    return n * encodeSize_ + (n + 127) / 128;
}

void TTargaRLEDecoder::Encode(const uint8_t* source, uint8_t* dest, int32_t count, int32_t& bytesStored) {
    bytesStored = 0;
    if (encodeSize_ <= 0 || count <= 0) return;
    const std::size_t ps = static_cast<std::size_t>(encodeSize_);
    auto same = [&](int32_t a, int32_t b) { return std::memcmp(source + a * ps, source + b * ps, ps) == 0; };
    uint8_t* out = dest;
    int32_t i = 0;
    while (i < count) {
        int32_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            *out++ = static_cast<uint8_t>(0x80 | (run - 1));
            std::memcpy(out, source + i * ps, ps);
            out += ps;
            i += run;
            continue;
        }
        // Literal pixels up to the next repetition.
        int32_t n = 1;
        while (i + n < count && n < 128 && !(i + n + 1 < count && same(i + n, i + n + 1))) ++n;
        *out++ = static_cast<uint8_t>(n - 1);
        std::memcpy(out, source + i * ps, static_cast<std::size_t>(n) * ps);
        out += static_cast<std::size_t>(n) * ps;
        i += n;
    }
    bytesStored = static_cast<int32_t>(out - dest);
}

// ---- PackBits ---------------------------------------------------------------

void TPackbitsRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    while (b.input() > 0 && !b.full()) {
        const int h = static_cast<int8_t>(*b.src++);
        if (h >= 0) {
            b.copy(std::min<std::size_t>(static_cast<std::size_t>(h) + 1, b.input()));
        } else if (h != -128) {
            if (b.input() == 0) break;
            b.run(*b.src++, static_cast<std::size_t>(-h + 1));
        }
    }
}

// ---- PCX --------------------------------------------------------------------

void TPCXRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    while (b.input() > 0 && !b.full()) {
        const uint8_t h = *b.src++;
        if ((h & 0xC0) == 0xC0) {
            if (b.input() == 0) break;
            b.run(*b.src++, h & 0x3Fu);
        } else {
            *b.out++ = h;
        }
    }
}

// ---- SGI --------------------------------------------------------------------

TSGIRLEDecoder::TSGIRLEDecoder(uint8_t sampleSize) : sampleSize_(sampleSize) {}

void TSGIRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    if (sampleSize_ != 16) {
        while (b.input() > 0 && !b.full()) {
            const uint8_t h = *b.src++;
            const std::size_t count = h & 127u;
            if (count == 0) break;
            if (h & 128) {
                b.copy(std::min(count, b.input()));
            } else {
                if (b.input() == 0) break;
                b.run(*b.src++, count);
            }
        }
        return;
    }
    // 16-bit samples: whole samples only, in the file's byte order.
    while (b.input() >= 2 && b.room() >= 2) {
        const unsigned w = (static_cast<unsigned>(b.src[0]) << 8) | b.src[1];
        b.src += 2;
        const std::size_t count = w & 127u;
        if (count == 0) break;
        const std::size_t fit = std::min(count, b.room() / 2);
        if (w & 128) {
            const std::size_t n = std::min(count, b.input() / 2);
            std::memcpy(b.out, b.src, std::min(n, fit) * 2);
            b.out += std::min(n, fit) * 2;
            b.src += n * 2;
        } else {
            if (b.input() < 2) break;
            for (std::size_t k = 0; k < fit; ++k, b.out += 2) std::memcpy(b.out, b.src, 2);
            b.src += 2;
        }
    }
}

// ---- Dr. Halo ---------------------------------------------------------------

void TCUTRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    b.src += std::min<std::size_t>(2, b.input());
    // The whole row is read, also past a full target, so that the next row
    // starts where this one ends.
    while (b.input() > 0) {
        const uint8_t h = *b.src++;
        const std::size_t count = h & 127u;
        if (count == 0) break;
        if (h & 128) {
            if (b.input() == 0) break;
            b.run(*b.src++, count);
        } else {
            b.copy(std::min(count, b.input()));
        }
    }
    source = b.src;
}

// ---- Paint Shop Pro ---------------------------------------------------------

void TPSPRLEDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    while (b.input() > 0 && !b.full()) {
        const uint8_t h = *b.src++;
        if (h >= 128) {
            if (b.input() == 0) break;
            b.run(*b.src++, h - 128u);
        } else {
            b.copy(std::min<std::size_t>(h, b.input()));
        }
    }
}

// ---- RLA --------------------------------------------------------------------

void TRLADecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    Bounds b(source, dest, packedSize, unpackedSize);
    while (b.input() > 0 && !b.full()) {
        const int h = static_cast<int8_t>(*b.src++);
        if (h < 0) {
            b.copy(std::min<std::size_t>(static_cast<std::size_t>(-h), b.input()));
        } else {
            if (b.input() == 0) break;
            b.run(*b.src++, static_cast<std::size_t>(h) + 1);
        }
    }
}

}  // namespace img
