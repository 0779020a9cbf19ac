// Builds small GIF files for the picture tests: a 4-colour global table
// (0 white, 1 red, 2 green, 3 blue) and frames of one colour each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gif {

struct Frame {
    int left = 0, top = 0, width = 2, height = 2;
    int color = 1;
    int delay = 10;  // hundredths of a second
};

inline void Put16(std::vector<uint8_t>& d, int v) {
    d.push_back(static_cast<uint8_t>(v));
    d.push_back(static_cast<uint8_t>(v >> 8));
}

// LZW data of `count` pixels of one colour with 3-bit codes: a clear code
// before every pair keeps the table from growing past 8 entries.
inline std::vector<uint8_t> SolidLzw(int count, int color) {
    std::vector<int> codes;
    for (int i = 0; i < count; i += 2) {
        codes.push_back(4);
        codes.push_back(color);
        if (i + 1 < count) codes.push_back(color);
    }
    codes.push_back(5);
    std::vector<uint8_t> bytes;
    uint32_t acc = 0;
    int bits = 0;
    for (int c : codes) {
        acc |= static_cast<uint32_t>(c) << bits;
        bits += 3;
        while (bits >= 8) {
            bytes.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) bytes.push_back(static_cast<uint8_t>(acc));
    return bytes;
}

// A GIF89a file of the frames; `comment` goes in a comment block before the
// first frame.
inline std::vector<uint8_t> Make(int width, int height, const std::vector<Frame>& frames,
                                 const std::string& comment = {}) {
    std::vector<uint8_t> d = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(d, width);
    Put16(d, height);
    d.insert(d.end(), {0x81, 0, 0});  // global table of 4 colours
    d.insert(d.end(), {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    if (!comment.empty()) {
        d.insert(d.end(), {0x21, 0xFE, static_cast<uint8_t>(comment.size())});
        d.insert(d.end(), comment.begin(), comment.end());
        d.push_back(0);
    }
    for (const Frame& f : frames) {
        d.insert(d.end(), {0x21, 0xF9, 4, 0});
        Put16(d, f.delay);
        d.insert(d.end(), {0, 0});
        d.push_back(0x2C);
        Put16(d, f.left);
        Put16(d, f.top);
        Put16(d, f.width);
        Put16(d, f.height);
        d.push_back(0);
        d.push_back(2);  // LZW minimum code size
        const std::vector<uint8_t> data = SolidLzw(f.width * f.height, f.color);
        for (std::size_t at = 0; at < data.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, data.size() - at);
            d.push_back(static_cast<uint8_t>(n));
            d.insert(d.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        d.push_back(0);
    }
    d.push_back(0x3B);
    return d;
}

}  // namespace gif
