// The run-length decoders: their packets, which pointers they move, the
// Targa rows as one pixel stream, and bounds on both sides for garbage and
// cut input.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imageformats/ImageCompression.h"

namespace img {
namespace {

using Bytes = std::vector<uint8_t>;

struct Decoded {
    Bytes out;
    std::ptrdiff_t sourceMoved;
    bool destMoved;
};

// Decodes `in` into a target of `unpacked` bytes prefilled with 0xEE.
Decoded DecodeAll(TDecoder& d, const Bytes& in, int32_t unpacked, int32_t outBytes = -1) {
    Bytes out(static_cast<std::size_t>(outBytes < 0 ? unpacked : outBytes), 0xEE);
    const uint8_t* src = in.data();
    uint8_t* dst = out.data();
    d.DecodeInit();
    d.Decode(src, dst, static_cast<int32_t>(in.size()), unpacked);
    d.DecodeEnd();
    return {out, src - in.data(), dst != out.data()};
}

struct Factory {
    const char* name;
    std::function<std::unique_ptr<TDecoder>()> make;
    int unitsPerByte;  // 1, or the pixel size for Targa, whose target counts pixels
};

const std::vector<Factory>& Decoders() {
    static const std::vector<Factory> all = {
        {"Targa 8", [] { return std::make_unique<TTargaRLEDecoder>(8); }, 1},
        {"Targa 16", [] { return std::make_unique<TTargaRLEDecoder>(16); }, 2},
        {"Targa 24", [] { return std::make_unique<TTargaRLEDecoder>(24); }, 3},
        {"Targa 32", [] { return std::make_unique<TTargaRLEDecoder>(32); }, 4},
        {"PackBits", [] { return std::make_unique<TPackbitsRLEDecoder>(); }, 1},
        {"PCX", [] { return std::make_unique<TPCXRLEDecoder>(); }, 1},
        {"SGI 8", [] { return std::make_unique<TSGIRLEDecoder>(8); }, 1},
        {"SGI 16", [] { return std::make_unique<TSGIRLEDecoder>(16); }, 1},
        {"CUT", [] { return std::make_unique<TCUTRLEDecoder>(); }, 1},
        {"PSP", [] { return std::make_unique<TPSPRLEDecoder>(); }, 1},
        {"RLA", [] { return std::make_unique<TRLADecoder>(); }, 1},
    };
    return all;
}

TEST(DecodersTest, PacketsOfEveryDecoder) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<TDecoder>()> make;
        Bytes in;
        int32_t unpacked;
        Bytes expected;       // the whole target afterwards (0xEE = untouched)
        std::ptrdiff_t moved; // how far the source pointer moved
    };
    auto targa8 = [] { return std::make_unique<TTargaRLEDecoder>(8); };
    auto targa16 = [] { return std::make_unique<TTargaRLEDecoder>(16); };
    auto packbits = [] { return std::make_unique<TPackbitsRLEDecoder>(); };
    auto pcx = [] { return std::make_unique<TPCXRLEDecoder>(); };
    auto sgi8 = [] { return std::make_unique<TSGIRLEDecoder>(8); };
    auto sgi16 = [] { return std::make_unique<TSGIRLEDecoder>(16); };
    auto cut = [] { return std::make_unique<TCUTRLEDecoder>(); };
    auto psp = [] { return std::make_unique<TPSPRLEDecoder>(); };
    auto rla = [] { return std::make_unique<TRLADecoder>(); };
    const Case cases[] = {
        {"Targa run", targa8, {0x82, 0x07}, 3, {7, 7, 7}, 2},
        {"Targa raw", targa8, {0x02, 'A', 'B', 'C'}, 3, {'A', 'B', 'C'}, 4},
        {"Targa 16-bit run and raw", targa16, {0x81, 1, 2, 0x00, 3, 4}, 3, {1, 2, 1, 2, 3, 4}, 6},
        {"Targa run beyond the pixels asked", targa8, {0x85, 9, 0x00, 1}, 2, {9, 9}, 2},
        {"Targa of 12 bits decodes nothing", [] { return std::make_unique<TTargaRLEDecoder>(12); },
         {0x81, 1, 2}, 2, {0xEE, 0xEE}, 0},
        {"PackBits copy, run and no-op", packbits, {0x01, 5, 6, 0xFE, 8, 0x80, 0x00, 9}, 7, {5, 6, 8, 8, 8, 9, 0xEE}, 0},
        {"PackBits 80 hex writes nothing", packbits, {0x80}, 2, {0xEE, 0xEE}, 0},
        {"PackBits copy cut by the target", packbits, {0x04, 1, 2, 3, 4, 5}, 3, {1, 2, 3}, 0},
        {"PCX run and literals", pcx, {0xC3, 4, 0x05, 0x3F}, 5, {4, 4, 4, 5, 0x3F}, 0},
        {"PCX C0 hex writes no bytes", pcx, {0xC0, 7, 1}, 2, {1, 0xEE}, 0},
        {"PCX run cut by the target", pcx, {0xFF, 3}, 4, {3, 3, 3, 3}, 0},
        {"SGI 8 copy and run", sgi8, {0x82, 1, 2, 0x03, 9, 0x00, 0x01, 7}, 6, {1, 2, 9, 9, 9, 0xEE}, 0},
        {"SGI 8 first header 0", sgi8, {0x00, 0x83, 1, 2, 3}, 3, {0xEE, 0xEE, 0xEE}, 0},
        {"SGI 16 copy and run keep the byte order", sgi16, {0x00, 0x81, 0xAB, 0xCD, 0x00, 0x02, 1, 2, 0, 0}, 6,
         {0xAB, 0xCD, 1, 2, 1, 2}, 0},
        {"CUT skips the row length", cut, {9, 9, 0x83, 5, 0x02, 1, 2, 0x00, 0x81, 4}, 6, {5, 5, 5, 1, 2, 0xEE}, 8},
        {"CUT reads the whole row past a full target", cut, {0, 0, 0x85, 5, 0x02, 1, 2, 0x00}, 2, {5, 5}, 8},
        {"PSP run and copy", psp, {0x83, 6, 0x02, 1, 2, 0x80, 9}, 6, {6, 6, 6, 1, 2, 0xEE}, 0},
        {"RLA copy and run", rla, {0xFE, 1, 2, 0x02, 7}, 6, {1, 2, 7, 7, 7, 0xEE}, 0},
        {"RLA run cut by the target", rla, {0x7F, 7}, 3, {7, 7, 7}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = c.make();
        const Decoded r = DecodeAll(*d, c.in, c.unpacked, static_cast<int32_t>(c.expected.size()));
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.sourceMoved, c.moved);
        EXPECT_FALSE(r.destMoved);
    }
}

TEST(DecodersTest, TargaRowsFormOnePixelStream) {
    // A run of 5 and a literal packet of 3 over rows of 2 pixels: packets
    // cross the rows. The third row's source ends right after the literal
    // packet's header, so its pixels wait for the next call.
    const Bytes data = {0x84, 7, 0x02, 1, 2, 3};
    const std::size_t offered[] = {6, 6, 3, 6};  // bytes of `data` each call may see
    TTargaRLEDecoder d(8);
    d.DecodeInit();
    const uint8_t* src = data.data();
    Bytes image;
    for (std::size_t end : offered) {
        Bytes line(2, 0);
        uint8_t* dst = line.data();
        d.Decode(src, dst, static_cast<int32_t>(data.data() + end - src), 2);
        image.insert(image.end(), line.begin(), line.end());
    }
    EXPECT_EQ(image, (Bytes{7, 7, 7, 7, 7, 0, 1, 2}));
    EXPECT_EQ(src, data.data() + 5);
    // A new image forgets the packet left over.
    d.DecodeInit();
    Bytes line(2, 0);
    uint8_t* dst = line.data();
    const Bytes next = {0x00, 9, 0x00, 8};
    const uint8_t* p = next.data();
    d.Decode(p, dst, 4, 2);
    EXPECT_EQ(line, (Bytes{9, 8}));
}

TEST(DecodersTest, TargaEncodingRoundTrips) {
    std::mt19937 rng(5);
    for (uint8_t depth : {8, 16, 24, 32}) {
        SCOPED_TRACE(static_cast<int>(depth));
        TTargaRLEDecoder coder(depth);
        const std::size_t ps = depth == 16 ? 2 : depth / 8;
        for (int round = 0; round < 20; ++round) {
            const int32_t count = 1 + static_cast<int32_t>(rng() % 400);
            Bytes pixels(static_cast<std::size_t>(count) * ps);
            // Long runs, short runs and noise.
            for (std::size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = static_cast<uint8_t>(round % 3 == 0 ? rng() : (i / (ps * (1 + round % 7))) & 3);
            Bytes packed(static_cast<std::size_t>(coder.MaxEncodedSize(count)));
            int32_t stored = 0;
            coder.Encode(pixels.data(), packed.data(), count, stored);
            ASSERT_GT(stored, 0);
            ASSERT_LE(stored, static_cast<int32_t>(packed.size()));
            packed.resize(static_cast<std::size_t>(stored));
            const Decoded r = DecodeAll(coder, packed, count, static_cast<int32_t>(pixels.size()));
            EXPECT_EQ(r.out, pixels);
            EXPECT_EQ(r.sourceMoved, stored);
        }
    }
    // Runs of one pixel are literal, runs of two or more are run packets.
    TTargaRLEDecoder coder(8);
    const Bytes pixels = {1, 2, 3, 3, 3, 4};
    Bytes packed(static_cast<std::size_t>(coder.MaxEncodedSize(6)));
    int32_t stored = 0;
    coder.Encode(pixels.data(), packed.data(), 6, stored);
    packed.resize(static_cast<std::size_t>(stored));
    EXPECT_EQ(packed, (Bytes{0x01, 1, 2, 0x82, 3, 0x00, 4}));
}

// Garbage, cut data and odd sizes: each decoder reads only its source and
// writes only its target, whose bytes past the size asked for stay as they
// were. The buffers have exactly their sizes, so that the address sanitizer
// sees any access past them.
TEST(DecodersTest, RandomAndCutInputStaysWithinBothBuffers) {
    std::mt19937 rng(2024);
    for (const Factory& f : Decoders()) {
        SCOPED_TRACE(f.name);
        for (int round = 0; round < 300; ++round) {
            const std::size_t packed = rng() % (round % 10 == 0 ? 2000 : 40);
            auto in = std::make_unique<uint8_t[]>(packed + 1);
            for (std::size_t i = 0; i < packed; ++i) in[i] = static_cast<uint8_t>(rng());
            const int32_t unpacked = static_cast<int32_t>(rng() % 300);
            const std::size_t outBytes = static_cast<std::size_t>(unpacked) * static_cast<std::size_t>(f.unitsPerByte);
            const std::size_t guard = 16;
            auto out = std::make_unique<uint8_t[]>(outBytes + guard);
            std::fill(out.get(), out.get() + outBytes + guard, 0xEE);
            auto d = f.make();
            d->DecodeInit();
            const uint8_t* src = in.get();
            uint8_t* dst = out.get();
            d->Decode(src, dst, static_cast<int32_t>(packed), unpacked);
            // A second call continues with whatever the first left over.
            d->Decode(src, dst, static_cast<int32_t>(in.get() + packed - src), unpacked);
            d->DecodeEnd();
            EXPECT_GE(src, in.get());
            EXPECT_LE(src, in.get() + packed);
            EXPECT_EQ(dst, out.get());
            for (std::size_t i = outBytes; i < outBytes + guard; ++i) ASSERT_EQ(out[i], 0xEE) << "byte " << i;
        }
        // Negative sizes count as 0.
        const uint8_t byte = 0x81;
        const uint8_t* src = &byte;
        uint8_t target = 0xEE;
        uint8_t* dst = &target;
        f.make()->Decode(src, dst, -5, -1);
        EXPECT_EQ(target, 0xEE);
    }
}

}  // namespace
}  // namespace img
