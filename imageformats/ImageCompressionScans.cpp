// The decoders of two scanner formats: ThunderScan 4-bit rows and the
// Huffman-coded detail of Photo CD images.
#include <algorithm>
#include <cstring>

#include "imageformats/ImageColor.h"
#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

// ---- ThunderScan ------------------------------------------------------------

void TThunderDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (width_ == 0 || packedSize <= 0 || unpackedSize <= 0) return;
    static constexpr int TwoBitDeltas[4] = {0, 1, 0, -1};  // 2: no pixel
    static constexpr int ThreeBitDeltas[8] = {0, 1, 2, 3, 0, -3, -2, -1};  // 4: no pixel
    const uint8_t* src = source;
    const uint8_t* const srcEnd = source + packedSize;
    const std::size_t rowBytes = (static_cast<std::size_t>(width_) + 1) / 2;
    std::size_t remaining = static_cast<std::size_t>(unpackedSize);
    uint8_t* row = dest;
    while (remaining > 0 && src < srcEnd) {
        const std::size_t room = std::min(rowBytes, remaining);
        uint32_t count = 0;
        unsigned last = 0;
        // Stores a pixel: the high half of its byte for an even index, the
        // low half for an odd one.
        auto put = [&](unsigned v) {
            const std::size_t at = count / 2;
            if (at < room) {
                if (count % 2 == 0)
                    row[at] = static_cast<uint8_t>(v << 4);
                else
                    row[at] = static_cast<uint8_t>((row[at] & 0xF0) | v);
            }
            ++count;
        };
        while (count < width_ && src < srcEnd) {
            const uint8_t c = *src++;
            switch (c & 0xC0) {
            case 0x00:
                for (unsigned n = c & 0x3Fu; n > 0 && count < width_; --n) put(last);
                break;
            case 0x40:
                for (int shift = 4; shift >= 0 && count < width_; shift -= 2) {
                    const unsigned d = (c >> shift) & 3u;
                    if (d == 2) continue;
                    last = static_cast<unsigned>(static_cast<int>(last) + TwoBitDeltas[d]) & 0xFu;
                    put(last);
                }
                break;
            case 0x80:
                for (int shift = 3; shift >= 0 && count < width_; shift -= 3) {
                    const unsigned d = (c >> shift) & 7u;
                    if (d == 4) continue;
                    last = static_cast<unsigned>(static_cast<int>(last) + ThreeBitDeltas[d]) & 0xFu;
                    put(last);
                }
                break;
            default:
                last = c & 0xFu;
                put(last);
                break;
            }
        }
        row += room;
        remaining -= room;
    }
}

// ---- Photo CD -----------------------------------------------------------------

namespace {

// Bits of a stream, most significant first, in a 32-bit window that holds
// more than 24 valid bits after every skip. Past the end of the stream the
// window fills with 0 bits; `ended` tells when all real bits are used.
class PcdBits {
public:
    explicit PcdBits(gfx::Stream& stream) : stream_(stream) { Refill(); }

    uint32_t window() const { return window_; }
    bool ended() const { return valid_ <= 0 && atEnd_; }
    // Drops n bits (at most 24) from the top of the window.
    void Skip(int n) {
        window_ = n >= 32 ? 0 : window_ << n;
        valid_ -= n;
        held_ -= n;
        Refill();
    }
    // The top n bits (at most 24), then dropped.
    uint32_t Take(int n) {
        const uint32_t v = window_ >> (32 - n);
        Skip(n);
        return v;
    }

private:
    void Refill() {
        while (held_ <= 24) {
            uint32_t byte = 0;
            if (pos_ == len_ && !atEnd_) {
                len_ = stream_.read(buffer_, sizeof buffer_);
                pos_ = 0;
                atEnd_ = len_ == 0;
            }
            if (pos_ < len_) {
                byte = buffer_[pos_++];
                valid_ += 8;
            }
            window_ |= byte << (24 - held_);
            held_ += 8;
        }
    }

    gfx::Stream& stream_;
    uint8_t buffer_[2048];
    std::size_t pos_ = 0, len_ = 0;
    bool atEnd_ = false;
    uint32_t window_ = 0;
    int held_ = 0;   // bits in the window, real or padding
    int valid_ = 0;  // real bits in the window and not yet skipped
};

struct PcdCode {
    uint32_t code;  // in the window's top bits
    uint32_t mask;
    int length;
    int key;
};

}  // namespace

void TPCDDecoder::Decode(const uint8_t*& source, uint8_t*& dest, int32_t packedSize, int32_t unpackedSize) {
    if (packedSize <= 0 || unpackedSize <= 0) return;
    uint8_t* const* planes = reinterpret_cast<uint8_t* const*>(source);
    const uint32_t width = static_cast<uint32_t>(packedSize);
    const uint32_t lumaRows = static_cast<uint32_t>(unpackedSize);
    const uint32_t chromaRows = (lumaRows + 1) / 2;
    PcdBits bits(stream_);

    // The Huffman tables: one for every plane, or one a plane for wide rows.
    std::vector<PcdCode> tables[3];
    const int tableCount = width > 1536 ? 3 : 1;
    for (int t = 0; t < tableCount; ++t) {
        const int entries = static_cast<int>(bits.Take(8)) + 1;
        for (int e = 0; e < entries; ++e) {
            const int length = static_cast<int>(bits.Take(8)) + 1;
            if (length > 16 || bits.ended()) return;
            const uint32_t code = bits.Take(16) << 16;
            const int key = static_cast<int>(bits.Take(8));
            const uint32_t mask = ~0u << (32 - length);
            tables[t].push_back({code & mask, mask, length, key >= 128 ? key - 256 : key});
        }
    }

    auto isSync = [&] { return (bits.window() & 0xFFFFFF00u) == 0xFFFFFE00u; };
    // Moves to the next sync mark: bytes until twelve 1 bits, then bits.
    auto synchronise = [&] {
        while ((bits.window() & 0x00FFF000u) != 0x00FFF000u && !bits.ended()) bits.Skip(8);
        while (!isSync() && !bits.ended()) bits.Skip(1);
    };
    bits.Skip(16);
    bits.Skip(16);
    synchronise();
    while (!bits.ended()) {
        // The row's header after the sync mark.
        bits.Skip(16);
        const uint32_t row = (bits.window() >> 9) & 0x1FFFu;
        if (row == lumaRows) return;
        bits.Skip(8);
        const uint32_t plane = bits.window() >> 30;
        bits.Skip(16);
        if (plane == 1) return;
        uint8_t* line = nullptr;
        const std::vector<PcdCode>* table = &tables[0];
        if (plane == 0 && row < lumaRows) {
            line = planes[0] + static_cast<std::size_t>(row) * width;
        } else if (plane >= 2 && row / 2 < chromaRows) {
            line = planes[plane - 1] + static_cast<std::size_t>(row / 2) * width;
            if (tableCount == 3) table = &tables[plane - 1];
        }
        uint32_t x = 0;
        while (!bits.ended() && !isSync()) {
            const PcdCode* found = nullptr;
            for (const PcdCode& c : *table)
                if ((bits.window() & c.mask) == c.code) {
                    found = &c;
                    break;
                }
            if (!found) {
                synchronise();
                break;
            }
            if (line && x < width) line[x] = ClampToByte(line[x] + found->key);
            ++x;
            bits.Skip(found->length);
        }
    }
}

}  // namespace img
