// GIF seed files of the fuzz targets that read GIF: an image's indices as
// LZW data of codes that never outgrow their first width (a clear code
// before the table would widen them), in sub-blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/PictureFuzzSupport.h"

namespace fuzzing {

inline std::string GifLzw(const std::vector<uint8_t>& indices, unsigned minCodeSize) {
    const unsigned clear = 1u << minCodeSize, end = clear + 1, width = minCodeSize + 1;
    std::string packed;
    uint32_t bits = 0, count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        count += width;
        while (count >= 8) {
            packed += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    const std::size_t perClear = clear - 3;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i % perClear == 0) put(clear);
        put(indices[i] & (clear - 1));
    }
    put(end);
    if (count > 0) packed += static_cast<char>(bits & 0xFF);
    std::string blocks;
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
        blocks += static_cast<char>(n);
        blocks += packed.substr(i, n);
    }
    return static_cast<char>(minCodeSize) + blocks + '\0';
}

struct GifFrame {
    unsigned left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    int localTableBits = 0;     // 0 for none, else 1 to 8
    int transparent = -1;       // the transparent index, -1 for none
    unsigned disposal = 0, delay = 0;
};

// A GIF89a of a logical screen with a global table of 2^tableBits colours,
// a NETSCAPE loop count (loops >= 0), a comment, and the frames, each with
// a graphic control extension and a ramp of indices.
inline std::string Gif(unsigned width, unsigned height, int tableBits, int loops, const std::vector<GifFrame>& frames) {
    Bytes b;
    b.text("GIF89a").le16(width).le16(height).u8(tableBits > 0 ? 0x80 | 0x70 | (tableBits - 1) : 0).u8(0).u8(0);
    auto table = [&](int bitsOfTable, unsigned salt) {
        for (unsigned i = 0; i < (1u << bitsOfTable); ++i) b.u8(i * 37 + salt).u8(i * 91).u8(255 - i * 13);
    };
    if (tableBits > 0) table(tableBits, 0);
    if (loops >= 0) b.text("!\xff\x0bNETSCAPE2.0\x03\x01").le16(static_cast<unsigned>(loops)).u8(0);
    b.text("!\xfe\x05hello").u8(0);
    for (const GifFrame& f : frames) {
        b.text("!\xf9\x04").u8((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)).le16(f.delay)
            .u8(f.transparent >= 0 ? static_cast<unsigned>(f.transparent) : 0).u8(0);
        b.text(",").le16(f.left).le16(f.top).le16(f.width).le16(f.height);
        b.u8((f.localTableBits > 0 ? 0x80 | (f.localTableBits - 1) : 0) | (f.interlaced ? 0x40 : 0));
        if (f.localTableBits > 0) table(f.localTableBits, 99);
        const int bitsOfIndices = f.localTableBits > 0 ? f.localTableBits : tableBits > 0 ? tableBits : 8;
        std::vector<uint8_t> indices(std::size_t{f.width} * f.height);
        for (std::size_t i = 0; i < indices.size(); ++i)
            indices[i] = static_cast<uint8_t>((i * 7 + i / f.width) % (1u << bitsOfIndices));
        b.text(GifLzw(indices, bitsOfIndices < 2 ? 2 : static_cast<unsigned>(bitsOfIndices)));
    }
    b.text(";");
    return b;
}

// The GIF seeds: still, transparent, interlaced, animated with every
// disposal, frames with their own tables and outside the screen.
inline std::vector<std::pair<std::string, std::string>> GifSeeds() {
    return {
        {"still.gif", Gif(7, 5, 4, -1, {{0, 0, 7, 5}})},
        {"mono-interlaced.gif", Gif(9, 10, 1, -1, {{0, 0, 9, 10, true}})},
        {"transparent.gif", Gif(6, 4, 3, -1, {{1, 1, 4, 2, false, 0, 2}})},
        {"animated.gif", Gif(8, 6, 2, 0,
                             {{0, 0, 8, 6, false, 0, -1, 1, 10},
                              {2, 1, 4, 3, false, 3, 1, 2, 5},
                              {1, 2, 5, 3, true, 0, 0, 3, 0},
                              {6, 4, 4, 4, false, 8, -1, 0, 2}})},
        {"local-table.gif", Gif(5, 5, 0, 3, {{0, 0, 5, 5, false, 6}})},
    };
}

}  // namespace fuzzing
