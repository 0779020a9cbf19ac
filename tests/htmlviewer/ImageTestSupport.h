// Helpers of the image tests: the files made at build time, and small GIF
// files put together from blocks and LZW codes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "htmlviewer/Gif.h"
#include "platform/gfx/Stream.h"

#ifdef MIRELAN_IMAGE_FIXTURES
inline constexpr bool HaveImageFixtures = true;
inline std::string FixturePath(const std::string& name) { return std::string(MIRELAN_IMAGE_FIXTURES) + "/" + name; }
#else
inline constexpr bool HaveImageFixtures = false;
inline std::string FixturePath(const std::string& name) { return name; }
#endif

// Skips a test that reads the GIF files when they could not be made.
#define SKIP_WITHOUT_IMAGE_FIXTURES() \
    if (!HaveImageFixtures) GTEST_SKIP() << "convert, gifbuild or Pillow missing: run scripts/deps.sh"

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// LZW codes (value, width in bits) packed least significant bit first.
inline std::vector<uint8_t> PackCodes(const std::vector<std::pair<int, int>>& codes) {
    std::vector<uint8_t> bytes;
    int bit = 0;
    for (const auto& [code, width] : codes)
        for (int b = 0; b < width; ++b, ++bit) {
            if (bit % 8 == 0) bytes.push_back(0);
            if ((code >> b) & 1) bytes.back() |= static_cast<uint8_t>(1 << (bit % 8));
        }
    return bytes;
}

// An image descriptor without a local table, its LZW minimum code size and
// its data in sub-blocks.
inline std::vector<uint8_t> ImageBlock(int left, int top, int w, int h, int minCodeSize,
                                       const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b = {0x2C};
    for (int v : {left, top, w, h}) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    b.push_back(0);
    b.push_back(static_cast<uint8_t>(minCodeSize));
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        b.push_back(static_cast<uint8_t>(n));
        b.insert(b.end(), data.begin() + static_cast<std::ptrdiff_t>(i), data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    b.push_back(0);
    return b;
}

// A GIF89a file of the given screen with a global table of the two colours
// (10, 20, 30) and (200, 150, 100), then the blocks and the trailer.
inline std::vector<uint8_t> Gif(int w, int h, const std::vector<uint8_t>& blocks, bool globalTable = true) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                              static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8),
                              static_cast<uint8_t>(globalTable ? 0x80 : 0), 0, 0};
    if (globalTable) b.insert(b.end(), {10, 20, 30, 200, 150, 100});
    b.insert(b.end(), blocks.begin(), blocks.end());
    b.push_back(0x3B);
    return b;
}

inline TGif LoadGif(const std::vector<uint8_t>& bytes) {
    gfx::MemoryStream stream(bytes);
    TGif gif;
    gif.LoadFromStream(stream);
    return gif;
}
