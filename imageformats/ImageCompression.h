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

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Errors.h"

namespace gfx {
class Stream;
}

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

// ---- LZW ----------------------------------------------------------------------

// What the two LZW decoders share: a table of 4096 strings, each a prefix
// code and a last byte, filled as the codes arrive. Each Decode call decodes
// one complete LZW stream from `packedSize` bytes into at most
// `unpackedSize` bytes; the table starts afresh at every call and no pointer
// of the caller moves. Corrupt data raises nothing: a code beyond the next
// free code ends the data, and output stops at `unpackedSize` or when the
// source runs out. The table never grows past its 4096 entries.
class TLZWDecoder : public TDecoder {
protected:
    // Decodes one stream of a variant: codes taken from the most significant
    // bits first or from the least, an end code that ends decoding or only
    // the codes of the current byte, and a code width that grows one code
    // early (as soon as the next free code reaches the largest code of the
    // width) or once that code has been added; the width after a clear and
    // the clear code.
    template <bool MsbFirst, bool EndStops, bool EarlyChange>
    void DecodeAs(int initialWidth, uint32_t clear, const uint8_t* source, uint8_t* dest, int32_t packedSize,
                  int32_t unpackedSize);

private:
    static constexpr uint32_t TableSize = 4096;
    // A string of the table is a string already written: the table keeps
    // where in the target it was written and its length, and a code's
    // string is copied from there.
    struct Entry {
        const uint8_t* string;
        uint32_t length;
    };
    Entry table_[TableSize];
};

// TIFF strips: most significant bit first, clear code 256, end code 257
// (decoding ends), 9-bit codes at the start, one code early width change.
class TTIFFLZWDecoder : public TLZWDecoder {
public:
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// GIF image data: least significant bit first, clear code 2^n for the
// minimum code size n, end code clear + 1 (the rest of its byte is
// skipped), codes of n + 1 bits at the start, width change once the largest
// code of the width has been added. A minimum code size outside 1 to 11
// decodes nothing.
class TGIFLZWDecoder : public TLZWDecoder {
public:
    explicit TGIFLZWDecoder(uint8_t initialCodeSize) : initialCodeSize_(initialCodeSize) {}
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;

private:
    uint8_t initialCodeSize_;
};

// ---- CCITT fax ----------------------------------------------------------------

// Each byte value with its bits in reverse order: for data stored least
// significant bit first.
const std::array<uint8_t, 256>& ReversedBits();

// The one-dimensional fax codes of bi-level images: the white and black run
// length codes of the fax standard in two code trees, a bit reader and a
// run writer. Output is one bit a pixel, the leftmost pixel in the most
// significant bit, black 1 and white 0, each row starting on a byte. Runs
// never pass the end of their row, and the target is never written past
// `unpackedSize` bytes; invalid codes raise nothing.
class TCCITTDecoder : public TDecoder {
public:
    // `options` is the file's T4Options value (kept; the decoders read only
    // one-dimensional codes); `swapBits` reads each source byte least
    // significant bit first; `wordAligned` starts each row's codes on an even
    // byte (modified Huffman only); `width` is the pixels of a row.
    TCCITTDecoder(uint32_t options, bool swapBits, bool wordAligned, uint32_t width);

    uint32_t Options() const { return options_; }

protected:
    // A node of a code tree: the next node for a 0 and for a 1 bit (0 for
    // none) and, at a leaf, the run length; make-up codes are 64 or more,
    // -1 is the end-of-line code and -2 a fill or invalid code.
    struct Node {
        int32_t child[2] = {0, 0};
        int32_t value = 0;
    };
    static constexpr int32_t EndOfLine = -1;
    static constexpr int32_t Invalid = -2;

    // Sets up the bit reader and the run writer for one Decode call and
    // clears the target.
    void Begin(const uint8_t* source, uint8_t* dest, int32_t packedSize, int32_t unpackedSize);
    // The next bit of the source, or -1 when it is used up.
    int NextBit();
    bool SourceLeft() const { return bitsLeft_ > 0 || sourceLeft_ > 0; }
    // Reads the codes of one run of the current colour and adds up its
    // make-up and terminating codes: a run length, EndOfLine or Invalid.
    // At the end of the source, what was added so far.
    int32_t ReadRun();
    // Writes a run of the current colour, at most the pixels left in the
    // row; true when the row is then complete.
    bool WriteRun(int32_t length);
    // Moves the target to the start of the next row (the next byte) and
    // makes the next run white.
    void NewRow();
    // Drops the unread bits of the current source byte; with word alignment
    // also a byte that would start the next row on an odd position.
    void AlignSource();
    bool TargetFull() const { return rowStart_ >= targetEnd_; }
    void FlipColor() { white_ = !white_; }

private:
    static void AddCode(std::vector<Node>& tree, uint32_t code, int bits, int32_t value);
    static void BuildTree(std::vector<Node>& tree, bool white);

    uint32_t options_;
    bool swapBits_;
    bool wordAligned_;
    uint32_t width_;
    std::vector<Node> white_tree_;
    std::vector<Node> black_tree_;
    bool white_ = true;
    // Bit reader.
    const uint8_t* sourceStart_ = nullptr;
    const uint8_t* source_ = nullptr;
    uint32_t sourceLeft_ = 0;
    uint8_t byte_ = 0;
    int bitsLeft_ = 0;
    // Run writer: the start of the current row and the pixels written in it.
    uint8_t* rowStart_ = nullptr;
    uint8_t* targetEnd_ = nullptr;
    uint32_t column_ = 0;
};

// Modified Huffman rows (TIFF compression 2, and 32771 word aligned): runs
// alternate from white until a row is complete; each row's codes start on
// a new byte of the source.
class TCCITTMHDecoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// Group 3 one-dimensional rows, each after an end-of-line code; an
// end-of-line code or an invalid code within a row ends the row.
class TCCITTFax3Decoder : public TCCITTDecoder {
public:
    using TCCITTDecoder::TCCITTDecoder;
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
};

// ---- Deflate ------------------------------------------------------------------

// The text of a deflate stream that cannot be started or ended.
inline constexpr const char* LZ77ErrorText = "LZ77 decompression error.";

// Deflate data through zlib (and libdeflate for a whole stream given in one
// call, with the same results). DecodeInit starts an inflate stream and
// DecodeEnd ends it (either raises LZ77ErrorText when zlib fails). Decode
// inflates from `source` into `dest` with the flush mode and moves both of
// the caller's pointers to where inflate stopped. The result of the last
// inflate is kept: after an error, or after the end of the stream, Decode
// does nothing until the stream is reset; with auto-reset on every Decode
// call starts a new stream (one per TIFF strip). "No progress possible" is
// not an error: the stream waits for more input.
class TLZ77Decoder : public TDecoder {
public:
    // `flushMode` is zlib's: 1 partial flush (PNG, TIFF), 4 finish.
    TLZ77Decoder(int flushMode, bool autoReset);
    ~TLZ77Decoder() override;
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
    void DecodeInit() override;
    void DecodeEnd() override;

    // The source bytes the last Decode left unread, and the target space it
    // left free.
    uint32_t AvailableInput() const;
    uint32_t AvailableOutput() const;
    // zlib's result of the last inflate: 0 fine, 1 the end of the stream,
    // negative an error.
    int Result() const { return result_; }

private:
    // Inflates a whole stream with libdeflate; false, with nothing kept,
    // when it cannot.
    bool DecodeWhole(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize);

    struct Stream;
    std::unique_ptr<Stream> stream_;
    int result_ = 0;
    int flushMode_;
    bool autoReset_;
    bool started_ = false;
    bool fresh_ = false;  // nothing was inflated since the stream started
};

// ---- JPEG in TIFF -------------------------------------------------------------

// The texts of JPEG strips that do not fit their image.
inline constexpr const char* JpegStripSizeText = "Improper JPEG strip/tile size.";
inline constexpr const char* JpegComponentCountText = "Improper JPEG component count.";
inline constexpr const char* JpegPrecisionText = "Improper JPEG data precision.";
inline constexpr const char* JpegSamplingText = "Improper JPEG sampling factors.";
inline constexpr const char* JpegTablesText = "Bogus JPEG tables field.";
inline constexpr const char* JpegFractionalText = "Fractional JPEG scanline unsupported.";
// The warning of a strip whose data ends before its image does.
inline constexpr const char* JpegEndOfInputText = "JPEG decompression error. Unexpected end of input.";

// What a JPEG strip or tile must be, set by the TIFF reader before each
// Decode: its size in pixels, the bytes of one decoded row, the samples and
// bits of the image, the chroma subsampling and the colour space the data
// is stored in.
struct TJpegStripShape {
    uint32_t width = 0;
    uint32_t rows = 0;
    uint32_t rowStride = 0;
    int samplesPerPixel = 3;
    int bitsPerSample = 8;
    int horizontalSubsampling = 1;
    int verticalSubsampling = 1;
    // 1 grey, 2 RGB, 5 CMYK, 6 YCbCr (the TIFF photometric values).
    int photometric = 6;
};

// JPEG-compressed TIFF strips and tiles through libjpeg. DecodeInit reads the
// file's JPEG tables (when it has them) as an abbreviated stream that must
// hold tables only (JpegTablesText otherwise). Decode reads one JPEG stream
// of `packedSize` bytes, checks it against the shape (the Improper... texts)
// and writes its rows, `rowStride` bytes apart: grey as one sample, colour
// as blue, green, red, CMYK as four samples. A stream that ends early is
// completed with an end marker after the warning JpegEndOfInputText (the
// rows are still written); libjpeg's fatal errors raise EImageCompression
// with its message. Of the warnings (damaged data, a strip cut short) the
// first of each image goes to the warning sink. No pointer of the caller
// moves.
class TTIFFJPEGDecoder : public TDecoder {
public:
    // `tables` may be empty; it must outlive the decoder.
    explicit TTIFFJPEGDecoder(const std::vector<uint8_t>& tables);
    ~TTIFFJPEGDecoder() override;
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;
    void DecodeInit() override;
    void DecodeEnd() override;

    // The shape the next Decode checks against.
    TJpegStripShape shape;

private:
    struct State;
    std::unique_ptr<State> state_;
    const std::vector<uint8_t>& tables_;
};

// ---- ThunderScan ------------------------------------------------------------

// ThunderScan 4-bit grey rows of `width` pixels, two a byte, the first in the
// high half. Each row starts from a last pixel of 0; a code byte c gives a
// run of (c and 3F hex) copies of the last pixel (00), three 2-bit deltas
// (40), two 3-bit deltas (80) or one raw pixel (C0). A row ends after
// `width` pixels or when the source is used up; rows go on while the target
// has room. No pointer of the caller moves.
class TThunderDecoder : public TDecoder {
public:
    explicit TThunderDecoder(uint32_t width) : width_(width) {}
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;

private:
    uint32_t width_;
};

// ---- Photo CD -----------------------------------------------------------------

// The Huffman-coded detail of the higher Photo CD resolutions, added to
// planes that already hold the image upsampled from the resolution below.
// Reads from the stream's position: the Huffman tables (one, or one a
// plane when a row is wider than 1536), then rows each after a sync mark
// that names the row and the plane. `source` points at three plane
// pointers (luminance, then the two chroma planes of half the rows);
// `packedSize` is the width of a row in bytes, `unpackedSize` the number of
// luminance rows: decoding stops at the row of that number. Rows, planes
// and pixels outside the planes are skipped; plane 1 and the end of the
// stream end decoding. No pointer of the caller moves.
class TPCDDecoder : public TDecoder {
public:
    explicit TPCDDecoder(gfx::Stream& stream) : stream_(stream) {}
    void Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) override;

private:
    gfx::Stream& stream_;
};

}  // namespace img
