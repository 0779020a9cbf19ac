// The decoders of compressed pixel data. A reader creates the decoder its
// header asks for, calls DecodeInit, then Decode once per row, strip, tile or
// plane with a source and a target buffer, and DecodeEnd after the last.
//
// Every decoder is bounded on both sides: it reads at most `packedSize`
// bytes from the source and writes at most `unpackedSize` bytes (or pixels,
// where a decoder says so) to the target. When the input ends early it stops
// and leaves the rest of the target as it was; a packet that asks for more
// output than the target holds is cut. Negative sizes count as 0. Whether a
// decoder moves the caller's source and target pointers on is part of each
// decoder's contract below.
#pragma once

#include <cstdint>

#include "platform/gfx/Errors.h"

namespace img {

// The error of a decoder that meets data it cannot decode.
class EImageCompression : public gfx::Error {
public:
    using gfx::Error::Error;
};

// Raises EImageCompression with the message.
[[noreturn]] void CompressionError(const char* message);

class TDecoder {
public:
    virtual ~TDecoder() = default;
    // Decodes from `source` (packedSize bytes) into `dest` (unpackedSize).
    virtual void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) = 0;
    // Ends decoding after the last Decode; nothing by default.
    virtual void DecodeEnd() {}
    // Starts decoding before the first Decode; nothing by default.
    virtual void DecodeInit() {}
    // Encodes `count` units of `source` into `dest` and reports the bytes
    // written; by default encodes nothing (0 bytes).
    virtual void Encode(const uint8_t* source, uint8_t* dest, int32_t count, int32_t& bytesStored) {
        bytesStored = 0;
    }
    // Brackets encoding like DecodeInit and DecodeEnd; nothing by default.
    virtual void EncodeInit() {}
    virtual void EncodeEnd() {}
};

// Targa run-length packets: a header byte h, then for h > 127 one pixel that
// repeats (h and 127) + 1 times, else (h and 127) + 1 literal pixels. Pixels
// are 1 byte (8 bits), 2 (15, 16), 3 (24) or 4 (32); other depths decode
// nothing. `unpackedSize` counts pixels. The rows of an image form one
// stream of pixels: a packet that runs past the pixels asked for keeps its
// remaining pixels for the next call, and a packet whose bytes are not all
// in the source waits for them there. Moves `source` past the bytes
// consumed; `dest` stays.
class TTargaRLEDecoder : public TDecoder {
public:
    explicit TTargaRLEDecoder(uint8_t colorDepth);
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
    // Forgets a packet left over from an earlier image.
    void DecodeInit() override;
    // Writes `count` pixels of `source` in the same packet format: literal
    // packets up to the next repetition and run packets of a repeated pixel,
    // each of at most 128 pixels. `dest` must hold MaxEncodedSize(count)
    // bytes.
    void Encode(const uint8_t* source, uint8_t* dest, int32_t count, int32_t& bytesStored) override;
    // The most bytes Encode writes for `count` pixels.
    int64_t MaxEncodedSize(int32_t count) const;

private:
    int pixelSize_;        // bytes a pixel; 0 for a depth that decodes nothing
    int encodeSize_;       // bytes a pixel when encoding: (bits + 1) div 8
    uint32_t pending_ = 0; // pixels of the last packet not yet written
    bool pendingRun_ = false;
    uint8_t runPixel_[4] = {0, 0, 0, 0};
};

// PackBits: a signed header h; 0 to 127 copy h + 1 bytes, -1 to -127 repeat
// the next byte -h + 1 times, -128 does nothing. Moves no pointer.
class TPackbitsRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// PCX: a byte with both high bits set repeats the next byte (h and 3F hex)
// times; any other byte is itself one literal byte. Moves no pointer.
class TPCXRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// SGI: count = h and 127 ends at 0; with bit 7 set count samples are
// copied, otherwise the next sample repeats count times. Samples of 8 bits
// take one header byte; samples of 16 bits a big-endian header word and keep
// the file's byte order. Moves no pointer.
class TSGIRLEDecoder : public TDecoder {
public:
    explicit TSGIRLEDecoder(uint8_t sampleSize);
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;

private:
    uint8_t sampleSize_;
};

// Dr. Halo: each row starts with its 2-byte length, which is skipped; then
// count = h and 127 ends at 0; with bit 7 set the next byte repeats count
// times, otherwise count bytes are copied. Moves `source` past the row, its
// closing 0 included, so that the next row continues there.
class TCUTRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// Paint Shop Pro: h of 128 or above repeats the next byte h - 128 times,
// otherwise h bytes are copied. Moves no pointer.
class TPSPRLEDecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// RLA: a signed header h; negative copies -h bytes, 0 or more repeats the
// next byte h + 1 times. Moves no pointer.
class TRLADecoder : public TDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

}  // namespace img
