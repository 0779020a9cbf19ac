// The run-length decoders: their packets, which pointers they move, the
// Targa rows as one pixel stream, and bounds on both sides for garbage and
// cut input.
#include <gtest/gtest.h>

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

// A decoder by name; the Targa ones also give their pixel size, as their
// targets count pixels.
std::unique_ptr<TDecoder> Make(const std::string& name) {
    if (name.starts_with("Targa ")) return std::make_unique<TTargaRLEDecoder>(std::stoi(name.substr(6)));
    if (name == "PackBits") return std::make_unique<TPackbitsRLEDecoder>();
    if (name == "PCX") return std::make_unique<TPCXRLEDecoder>();
    if (name == "SGI 8") return std::make_unique<TSGIRLEDecoder>(8);
    if (name == "SGI 16") return std::make_unique<TSGIRLEDecoder>(16);
    if (name == "CUT") return std::make_unique<TCUTRLEDecoder>();
    if (name == "PSP") return std::make_unique<TPSPRLEDecoder>();
    return std::make_unique<TRLADecoder>();
}

TEST(DecodersTest, PacketsOfEveryDecoder) {
    struct Case {
        const char* decoder;
        Bytes in;
        int32_t unpacked;
        Bytes expected;        // the whole target afterwards (0xEE = untouched)
        std::ptrdiff_t moved;  // how far the source pointer moved
    };
    const Case cases[] = {
        {"Targa 8", {0x82, 0x07}, 3, {7, 7, 7}, 2},
        {"Targa 8", {0x02, 'A', 'B', 'C'}, 3, {'A', 'B', 'C'}, 4},
        {"Targa 16", {0x81, 1, 2, 0x00, 3, 4}, 3, {1, 2, 1, 2, 3, 4}, 6},
        {"Targa 8", {0x85, 9, 0x00, 1}, 2, {9, 9}, 2},  // the run goes on beyond the pixels asked
        {"Targa 12", {0x81, 1, 2}, 2, {0xEE, 0xEE}, 0},
        {"PackBits", {0x01, 5, 6, 0xFE, 8, 0x80, 0x00, 9}, 7, {5, 6, 8, 8, 8, 9, 0xEE}, 0},
        {"PackBits", {0x80}, 2, {0xEE, 0xEE}, 0},
        {"PackBits", {0x04, 1, 2, 3, 4, 5}, 3, {1, 2, 3}, 0},
        {"PCX", {0xC3, 4, 0x05, 0x3F}, 5, {4, 4, 4, 5, 0x3F}, 0},
        {"PCX", {0xC0, 7, 1}, 2, {1, 0xEE}, 0},
        {"PCX", {0xFF, 3}, 4, {3, 3, 3, 3}, 0},
        {"SGI 8", {0x82, 1, 2, 0x03, 9, 0x00, 0x01, 7}, 6, {1, 2, 9, 9, 9, 0xEE}, 0},
        {"SGI 8", {0x00, 0x83, 1, 2, 3}, 3, {0xEE, 0xEE, 0xEE}, 0},
        {"SGI 16", {0x00, 0x81, 0xAB, 0xCD, 0x00, 0x02, 1, 2, 0, 0}, 6, {0xAB, 0xCD, 1, 2, 1, 2}, 0},
        {"CUT", {9, 9, 0x83, 5, 0x02, 1, 2, 0x00, 0x81, 4}, 6, {5, 5, 5, 1, 2, 0xEE}, 8},
        {"CUT", {0, 0, 0x85, 5, 0x02, 1, 2, 0x00}, 2, {5, 5}, 8},  // the whole row, past a full target
        {"PSP", {0x83, 6, 0x02, 1, 2, 0x80, 9}, 6, {6, 6, 6, 1, 2, 0xEE}, 0},
        {"RLA", {0xFE, 1, 2, 0x02, 7}, 6, {1, 2, 7, 7, 7, 0xEE}, 0},
        {"RLA", {0x7F, 7}, 3, {7, 7, 7}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decoder);
        auto d = Make(c.decoder);
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
}

// Garbage, cut data and odd sizes: each decoder reads only its source and
// writes only its target, whose bytes past the size asked for stay as they
// were. The buffers have exactly their sizes, so that the address sanitizer
// sees any access past them.
TEST(DecodersTest, RandomAndCutInputStaysWithinBothBuffers) {
    std::mt19937 rng(2024);
    for (const char* name : {"Targa 8", "Targa 16", "Targa 24", "Targa 32", "PackBits", "PCX", "SGI 8", "SGI 16",
                             "CUT", "PSP", "RLA"}) {
        SCOPED_TRACE(name);
        // Targa targets count pixels of (bits + 1) div 8 bytes.
        const std::size_t unit = name[0] == 'T' ? static_cast<std::size_t>(std::stoi(name + 6) + 1) / 8 : 1;
        for (int round = 0; round < 300; ++round) {
            const std::size_t packed = rng() % (round % 10 == 0 ? 2000 : 40);
            auto in = std::make_unique<uint8_t[]>(packed);
            for (std::size_t i = 0; i < packed; ++i) in[i] = static_cast<uint8_t>(rng());
            const int32_t unpacked = static_cast<int32_t>(rng() % 300);
            const std::size_t outBytes = static_cast<std::size_t>(unpacked) * unit;
            const std::size_t guard = 16;
            auto out = std::make_unique<uint8_t[]>(outBytes + guard);
            std::fill(out.get(), out.get() + outBytes + guard, 0xEE);
            auto d = Make(name);
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
        Make(name)->Decode(src, dst, -5, -1);
        EXPECT_EQ(target, 0xEE);
    }
}

}  // namespace
}  // namespace img
