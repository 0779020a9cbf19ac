// The LZW, fax, deflate, JPEG-in-TIFF, ThunderScan and Photo CD decoders:
// hand-made streams that exercise the codes of each, and bounds for damaged
// input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/WarningSink.h"

namespace img {
namespace {

using Bytes = std::vector<uint8_t>;

// Codes (value, width) packed from the most significant bit (TIFF) or from
// the least significant bit (GIF) of each byte.
Bytes Pack(const std::vector<std::pair<int, int>>& codes, bool msbFirst) {
    Bytes bytes;
    int bit = 0;
    for (const auto& [code, width] : codes)
        for (int b = 0; b < width; ++b, ++bit) {
            if (bit % 8 == 0) bytes.push_back(0);
            const int value = msbFirst ? (code >> (width - 1 - b)) & 1 : (code >> b) & 1;
            if (value) bytes.back() |= static_cast<uint8_t>(msbFirst ? 0x80 >> (bit % 8) : 1 << (bit % 8));
        }
    return bytes;
}

// Decodes into a target of `size` bytes followed by guard bytes, and checks
// that the guard and the caller's pointers stay as they were.
Bytes Decoded(TDecoder& d, const Bytes& in, int32_t size) {
    Bytes out(static_cast<std::size_t>(size) + 16, 0xEE);
    const uint8_t* src = in.data();
    uint8_t* dst = out.data();
    d.DecodeInit();
    d.Decode(src, dst, static_cast<int32_t>(in.size()), size);
    d.DecodeEnd();
    EXPECT_EQ(src, in.data());
    EXPECT_EQ(dst, out.data());
    EXPECT_EQ(Bytes(out.end() - 16, out.end()), Bytes(16, 0xEE));
    out.resize(static_cast<std::size_t>(size));
    return out;
}

TEST(LzwDecodersTest, CodesTableAndWidths) {
    // Literals, a table string, the string not yet in the table (its first
    // byte repeated), the end code; a TIFF strip needs no leading clear code.
    std::vector<std::pair<int, int>> tiff = {{'A', 9}, {'B', 9}, {258, 9}, {260, 9}, {257, 9}};
    TTIFFLZWDecoder t;
    EXPECT_EQ(Decoded(t, Pack(tiff, true), 9), (Bytes{'A', 'B', 'A', 'B', 'A', 'B', 'A', 0xEE, 0xEE}));

    // TIFF codes become 10 bits wide one code early, when the next free code
    // is 511: after 254 literals that added 253 entries.
    std::vector<std::pair<int, int>> grow = {{256, 9}};
    Bytes expected;
    for (int i = 0; i < 255; ++i) {
        grow.push_back({i % 200, i < 254 ? 9 : 10});
        expected.push_back(static_cast<uint8_t>(i % 200));
    }
    grow.push_back({257, 10});
    EXPECT_EQ(Decoded(t, Pack(grow, true), 255), expected);

    // GIF with minimum code size 2: clear 4, end 5, 3-bit codes that grow to
    // 4 bits once code 7 has been added.
    TGIFLZWDecoder g2(2);
    EXPECT_EQ(Decoded(g2, Pack({{4, 3}, {1, 3}, {2, 3}, {6, 3}, {3, 4}, {5, 4}}, false), 6),
              (Bytes{1, 2, 1, 2, 3, 0xEE}));
    // GIF codes of size 8 grow to 10 bits once code 511 has been added.
    std::vector<std::pair<int, int>> gif = {{256, 9}};
    expected.clear();
    for (int i = 0; i < 256; ++i) {
        gif.push_back({i % 200, i < 255 ? 9 : 10});
        expected.push_back(static_cast<uint8_t>(i % 200));
    }
    TGIFLZWDecoder g8(8);
    EXPECT_EQ(Decoded(g8, Pack(gif, false), 256), expected);
}

TEST(LzwDecodersTest, DamagedStreamsStayInBounds) {
    // A code beyond the next free code ends the data.
    TTIFFLZWDecoder t;
    EXPECT_EQ(Decoded(t, Pack({{'A', 9}, {300, 9}, {'B', 9}}, true), 3), (Bytes{'A', 0xEE, 0xEE}));
    // 4000 codes without a clear code fill the table; output stops at the
    // target's size.
    std::vector<std::pair<int, int>> full;
    for (int i = 0; i < 4000; ++i) full.push_back({i < 2 ? 'x' : 258 + (i % 7), 12});
    EXPECT_EQ(Decoded(t, Pack(full, true), 1000).size(), 1000u);
    // Minimum code sizes a table cannot hold decode nothing.
    for (uint8_t size : {0, 12}) {
        TGIFLZWDecoder g(size);
        EXPECT_EQ(Decoded(g, {0xFF, 0xFF, 0xFF}, 2), (Bytes{0xEE, 0xEE}));
    }
    // Random bytes and every truncation of a stream.
    std::mt19937 random(22);
    for (int k = 0; k < 200; ++k) {
        Bytes in(1 + random() % 300);
        for (uint8_t& b : in) b = static_cast<uint8_t>(random());
        TGIFLZWDecoder g(static_cast<uint8_t>(1 + random() % 11));
        Decoded(t, in, static_cast<int32_t>(random() % 2000));
        Decoded(g, in, static_cast<int32_t>(random() % 2000));
    }
}

// ---- Fax ----------------------------------------------------------------------

// Codes given as their bits, packed most significant bit first.
Bytes Bits(const std::string& bits) {
    Bytes out((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1') out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return out;
}

Bytes Reversed(Bytes b) {
    for (uint8_t& v : b) {
        uint8_t r = 0;
        for (int k = 0; k < 8; ++k)
            if (v & (1 << k)) r |= static_cast<uint8_t>(0x80 >> k);
        v = r;
    }
    return b;
}

TEST(FaxDecodersTest, ModifiedHuffmanRows) {
    // A white row of 1728 is the make-up code 1728 and the terminating code
    // 0; the next row starts on the next byte: white 0, then black 1728.
    const std::string white1728 = "010011011" "00110101";
    const std::string black1728 = "00110101" "0000001100101" "0000110111";
    Bytes in = Bits(white1728);
    const Bytes second = Bits(black1728);
    in.insert(in.end(), second.begin(), second.end());
    Bytes expected(432, 0xFF);
    std::fill_n(expected.begin(), 216, 0x00);
    for (bool swap : {false, true}) {
        SCOPED_TRACE(swap ? "least significant bit first" : "most significant bit first");
        const Bytes source = swap ? Reversed(in) : in;
        TCCITTMHDecoder d(0, swap, false, 1728);
        EXPECT_EQ(Decoded(d, source, 432), expected);
    }
    // Word-aligned rows of 8: white 8 fills a row, its source byte is
    // followed by one byte of padding; then white 0, black 3, white 5.
    const Bytes words = {0x98, 0x00, 0x35, 0xB0};  // 10011 000 | pad | white 0, black 3, white 5
    TCCITTMHDecoder aligned(0, false, true, 8);
    EXPECT_EQ(Decoded(aligned, words, 2), (Bytes{0x00, 0xE0}));
    TCCITTMHDecoder unaligned(0, false, false, 8);
    EXPECT_NE(Decoded(unaligned, words, 2), (Bytes{0x00, 0xE0}));
}

TEST(FaxDecodersTest, Group3RowsAndGarbage) {
    // Rows of 10 after their end-of-line codes: white 2, black 3, white 5;
    // then a row cut short by the next end-of-line code (white 4 only).
    const std::string eol = "000000000001";
    const Bytes in = Bits(eol + "0111" "10" "1100" + eol + "1011" + eol + "0111" "10" "1100");
    TCCITTFax3Decoder d(0, false, false, 10);
    EXPECT_EQ(Decoded(d, in, 6), (Bytes{0x38, 0x00, 0x00, 0x00, 0x38, 0x00}));
    // Garbage: bounded output and no exception, whatever the width.
    std::mt19937 random(7);
    for (int k = 0; k < 200; ++k) {
        Bytes junk(1 + random() % 200);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
        const uint32_t width = 1 + random() % 3000;
        TCCITTFax3Decoder g3(0, k % 2, false, width);
        TCCITTMHDecoder mh(0, k % 2, k % 3 == 0, width);
        Decoded(g3, junk, static_cast<int32_t>(random() % 1000));
        Decoded(mh, junk, static_cast<int32_t>(random() % 1000));
    }
}

// ---- Deflate ------------------------------------------------------------------

Bytes Compress(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6);
    out.resize(size);
    return out;
}

TEST(DeflateDecoderTest, StreamsPiecesAndErrors) {
    Bytes raw(3000), out(3000);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i * 7 / 13);
    const Bytes packed = Compress(raw), junk = {0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    // Inflates from `at`, `n` source bytes, into the rest of `out`; gives
    // how far the source pointer moved.
    auto inflate = [&](TLZ77Decoder& d, const Bytes& in, std::size_t at, std::size_t n, std::size_t outAt) {
        const uint8_t* src = in.data() + at;
        uint8_t* dst = out.data() + outAt;
        d.Decode(src, dst, static_cast<int32_t>(n), static_cast<int32_t>(out.size() - outAt));
        return std::pair<std::size_t, std::size_t>(src - in.data() - at, dst - out.data() - outAt);
    };
    // Without auto-reset one stream goes on over calls; the caller's
    // pointers move to where inflate stopped; after the end nothing more.
    TLZ77Decoder d(1, false), bad(1, false), strips(1, true);
    for (TLZ77Decoder* x : {&d, &bad, &strips}) x->DecodeInit();
    const auto [read, written] = inflate(d, packed, 0, 10, 0);
    EXPECT_EQ(read, 10u);
    EXPECT_EQ(d.Result(), 0);
    inflate(d, packed, 10, packed.size() - 10, written);
    EXPECT_EQ(d.Result(), 1);
    EXPECT_EQ(out, raw);
    EXPECT_EQ(inflate(d, packed, 0, packed.size(), 0).second, 0u);
    // A corrupt stream keeps its error; with auto-reset every call is a
    // stream of its own.
    inflate(bad, junk, 0, junk.size(), 0);
    EXPECT_LT(bad.Result(), 0);
    for (int k = 0; k < 2; ++k) {
        std::fill(out.begin(), out.end(), 0);
        inflate(strips, packed, 0, packed.size(), 0);
        EXPECT_EQ(out, raw);
    }
    for (TLZ77Decoder* x : {&d, &bad, &strips}) x->DecodeEnd();
}

// ---- JPEG in TIFF -------------------------------------------------------------

Bytes JpegOf(int width, int height, bool gray) {
    gfx::Bitmap b(width, height, gray ? gfx::PixelFormat::pf8bit : gfx::PixelFormat::pf24bit);
    if (gray) b.setPalette(gfx::Palette::gray(8));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b.setPixel(x, y, gfx::rgb(x * 20, y * 20, 128));
    return gfx::encodeJpeg(b, 90);
}

// The error text of decoding a strip, or "" when it decoded.
std::string JpegOutcome(const Bytes& strip, TJpegStripShape shape, int32_t unpacked, const Bytes& tables = {}) {
    TTIFFJPEGDecoder d(tables);
    d.shape = shape;
    Bytes out(static_cast<std::size_t>(std::max(unpacked, 0)));
    try {
        d.DecodeInit();
        const uint8_t* src = strip.data();
        uint8_t* dst = out.data();
        d.Decode(src, dst, static_cast<int32_t>(strip.size()), unpacked);
    } catch (const EImageCompression& e) {
        return e.what();
    }
    return "";
}

TEST(TiffJpegDecoderTest, ChecksOfTheStripAndTruncatedData) {
    const Bytes color = JpegOf(8, 8, false), gray = JpegOf(8, 8, true);
    // The colour images are stored as YCbCr with the chroma halved both ways.
    const TJpegStripShape rgb{8, 8, 24, 3, 8, 2, 2, 6};
    const TJpegStripShape grey{8, 8, 8, 1, 8, 1, 1, 1};
    struct Case {
        const char* what;
        const Bytes* strip;
        TJpegStripShape shape;
        int32_t unpacked;
        std::string error;
    };
    auto taller = rgb, wider = grey, subsampled = rgb, threeSamples = grey;
    taller.rows = 16;
    wider.width = 9;
    wider.rowStride = 9;
    subsampled.verticalSubsampling = 1;
    threeSamples.samplesPerPixel = 3;
    threeSamples.rowStride = 24;
    const Case cases[] = {
        {"fits", &color, rgb, 192, ""},
        {"grey fits", &gray, grey, 64, ""},
        {"another height", &color, taller, 384, JpegStripSizeText},
        {"another width", &gray, wider, 72, JpegStripSizeText},
        {"three samples of a grey strip", &gray, threeSamples, 192, JpegComponentCountText},
        {"sampling", &color, subsampled, 192, JpegSamplingText},
        {"part of a row", &color, rgb, 190, JpegFractionalText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(JpegOutcome(*c.strip, c.shape, c.unpacked), c.error);
    }
    // Tables that are an image, and a strip of garbage.
    EXPECT_EQ(JpegOutcome(color, rgb, 192, color), JpegTablesText);
    EXPECT_EQ(JpegOutcome(Bytes(100, 0x55), rgb, 192).rfind("JPEG error: ", 0), 0u);

    // A strip cut short in its image data is completed with a warning.
    gfx::RecordingWarnings warnings;
    gfx::ScopedWarningSink sink(&warnings);
    const Bytes large = JpegOf(64, 64, false);
    const TJpegStripShape shape{64, 64, 192, 3, 8, 2, 2, 6};
    EXPECT_EQ(JpegOutcome(Bytes(large.begin(), large.end() - 200), shape, 64 * 192), "");
    ASSERT_FALSE(warnings.messages.empty());
    EXPECT_EQ(warnings.messages[0], JpegEndOfInputText);
}

// ---- ThunderScan and Photo CD -------------------------------------------------

TEST(ScanDecodersTest, ThunderScanRows) {
    // 41 hex: deltas 0, 0, +1 from a last pixel of 0; each row starts from 0
    // again. Rows of 3 pixels take 2 bytes, the last low half empty.
    TThunderDecoder d(3);
    EXPECT_EQ(Decoded(d, {0x41, 0x41}, 4), (Bytes{0x00, 0x10, 0x00, 0x10}));
    // A raw pixel, a run from an odd pixel, 3-bit deltas with a skipped field.
    TThunderDecoder wide(6);
    EXPECT_EQ(Decoded(wide, {0xC7, 0x02, 0xA6, 0xC1}, 3), (Bytes{0x77, 0x75, 0x10}));
}

// Bits written most significant first.
struct BitWriter {
    Bytes bytes;
    int used = 8;
    void put(uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            if (used == 8) {
                bytes.push_back(0);
                used = 0;
            }
            if ((value >> b) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> used);
            ++used;
        }
    }
};

TEST(ScanDecodersTest, PhotoCdDetailIsAddedToTheRowsItNames) {
    // One table: "10" adds 5, "110" subtracts 3.
    BitWriter w;
    w.put(1, 8);
    for (auto [length, code, key] : {std::tuple{2, 0x8000, 5}, std::tuple{3, 0xC000, 253}}) {
        w.put(static_cast<uint32_t>(length - 1), 8);
        w.put(static_cast<uint32_t>(code), 16);
        w.put(static_cast<uint32_t>(key), 8);
    }
    w.put(0, 32);
    // A sync mark, the header of luminance row 1, the codes; a row of the
    // first chroma plane; then the row at which decoding stops.
    auto row = [&](uint32_t number, uint32_t plane) {
        w.put(0xFFFFFE, 24);
        w.put((plane << 6) | (number >> 7), 8);
        w.put((number & 0x7F) << 1, 8);
    };
    row(1, 0);
    w.put(0b10110101100, 11);  // +5 -3 +5 -3, then a 0 bit
    w.put(0, 5);
    row(2, 2);
    w.put(0b1010, 4);
    w.put(0, 4);
    row(3, 0);
    w.put(0xFF, 8);
    gfx::MemoryStream stream(w.bytes);
    Bytes luma(12, 100), cb(8, 50), cr(8, 50);
    uint8_t* planes[3] = {luma.data(), cb.data(), cr.data()};
    const uint8_t* source = reinterpret_cast<const uint8_t*>(planes);
    uint8_t* dest = nullptr;
    TPCDDecoder d(stream);
    d.Decode(source, dest, 4, 3);
    EXPECT_EQ(luma, (Bytes{100, 100, 100, 100, 105, 97, 105, 97, 100, 100, 100, 100}));
    EXPECT_EQ(cb, (Bytes{50, 50, 50, 50, 55, 55, 50, 50}));
    EXPECT_EQ(cr, Bytes(8, 50));

    // Garbage streams end without touching anything outside the planes.
    std::mt19937 random(3);
    for (int k = 0; k < 50; ++k) {
        Bytes junk(1 + random() % 600);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(k % 2 ? random() | 0xF0 : random());
        gfx::MemoryStream s(junk);
        TPCDDecoder g(s);
        source = reinterpret_cast<const uint8_t*>(planes);
        g.Decode(source, dest, 4, 3);
    }
}

}  // namespace
}  // namespace img
