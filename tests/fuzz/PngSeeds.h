// PNG seed files of the fuzz targets that read PNG: every colour type, bit
// depths from 1 to 16, transparency, background, gamma, interlacing, and
// image data in two chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/PictureFuzzSupport.h"

namespace fuzzing {

// A PNG of the header fields whose image data inflates to `rawBytes` bytes
// of a ramp (the rows with their filter bytes: the caller gives the count
// that its rows, or its interlace passes, need); the `extra` chunks come
// before the image data.
inline std::string Png(uint32_t width, uint32_t height, int depth, int colorType, int interlace,
                       std::size_t rawBytes, const std::string& extra = {}) {
    Bytes ihdr;
    ihdr.be32(width).be32(height).u8(static_cast<unsigned>(depth)).u8(static_cast<unsigned>(colorType)).u8(0).u8(0)
        .u8(static_cast<unsigned>(interlace));
    std::string raw(rawBytes, '\0');
    for (std::size_t i = 0; i < rawBytes; ++i) raw[i] = static_cast<char>(i * 29 % 251);
    const std::string z = Zlib(raw);
    // The data in two IDAT chunks, as encoders that write pieces do.
    const std::size_t half = z.size() / 2;
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", ihdr) + extra + PngChunk("IDAT", z.substr(0, half)) +
           PngChunk("IDAT", z.substr(half)) + PngChunk("IEND", "");
}

inline std::string Be16s(std::initializer_list<unsigned> values) {
    Bytes b;
    for (unsigned v : values) b.be16(v);
    return b;
}

inline std::vector<std::pair<std::string, std::string>> PngSeeds() {
    std::string plte;
    for (int i = 0; i < 16; ++i)
        plte += {static_cast<char>(i * 16), static_cast<char>(255 - i * 16), static_cast<char>(i * 7)};
    return {
        {"gray8.png", Png(5, 4, 8, 0, 0, 4 * 6, PngChunk("gAMA", Bytes().be32(45455)))},
        {"gray2-trns.png", Png(7, 3, 2, 0, 0, 3 * 3, PngChunk("tRNS", Be16s({1})) + PngChunk("bKGD", Be16s({2})))},
        {"rgb16-trns.png",
         Png(3, 3, 16, 2, 0, 3 * 19, PngChunk("tRNS", Be16s({1, 2, 3})) + PngChunk("bKGD", Be16s({9, 8, 7})))},
        {"palette4-trns.png", Png(6, 4, 4, 3, 0, 4 * 4,
                                   PngChunk("PLTE", plte) + PngChunk("tRNS", std::string("\x00\x80\xff", 3)) +
                                       PngChunk("bKGD", std::string(1, '\x05')))},
        {"palette1.png", Png(9, 2, 1, 3, 0, 2 * 3, PngChunk("PLTE", plte.substr(0, 6)))},
        {"gray-alpha16.png", Png(2, 2, 16, 4, 0, 2 * 9, PngChunk("tEXt", std::string("Title\0x", 7)))},
        {"rgba8-interlaced.png",
         // The seven passes of a 5 x 5 image: 1, 1, 2, 2, 3, 6 and 10 pixels in
         // 1, 1, 1, 2, 1, 3 and 2 rows.
         Png(5, 5, 8, 6, 1, 5 + 5 + 9 + 10 + 13 + 27 + 42)},
    };
}

}  // namespace fuzzing
