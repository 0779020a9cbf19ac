// Helpers of the reader tests: the TIFF and PNG files made at build time with
// their reference pixels, and pictures loaded as the program loads them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

namespace img::testing {

#ifdef MIRELAN_IMAGE_FILES
inline constexpr bool HaveImageFiles = true;
inline std::string ImageFile(const std::string& name) { return std::string(MIRELAN_IMAGE_FILES) + "/" + name; }
#else
inline constexpr bool HaveImageFiles = false;
inline std::string ImageFile(const std::string& name) { return name; }
#endif

// The PngSuite images (their references are made with the other files).
inline constexpr bool HavePngSuite = HaveImageFiles;
inline std::string PngSuiteFile(const std::string& name) { return std::string(MIRELAN_TEST_DATA) + "/pngsuite/" + name; }

#ifdef MIRELAN_READER_FILES
inline constexpr bool HaveReaderFiles = true;
#else
inline constexpr bool HaveReaderFiles = false;
#endif

// Skips a test that reads the files made at build time when they could not
// be made.
#define SKIP_WITHOUT_IMAGE_FILES() \
    if (!HaveImageFiles) GTEST_SKIP() << "libtiff-tools, ImageMagick or Pillow missing: scripts/deps.sh"
#define SKIP_WITHOUT_PNGSUITE() \
    if (!HavePngSuite) GTEST_SKIP() << "Pillow missing: scripts/deps.sh"
#define SKIP_WITHOUT_READER_FILES() \
    if (!HaveReaderFiles) GTEST_SKIP() << "netpbm, ImageMagick or Pillow missing: scripts/deps.sh"

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reference pixels: RGBA bytes, rows top first.
struct Reference {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

inline Reference ReadReference(const std::string& name) {
    const std::vector<uint8_t> bytes = ReadFileBytes(ImageFile("ref/" + name + ".rgba"));
    Reference r;
    if (bytes.size() < 8) return r;
    auto u32 = [&](std::size_t at) {
        return static_cast<int>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (bytes[at + 3] << 24));
    };
    r.width = u32(0);
    r.height = u32(4);
    r.rgba.assign(bytes.begin() + 8, bytes.end());
    return r;
}

// The lines of a list file, split into words.
inline std::vector<std::vector<std::string>> ReadList(const std::string& name) {
    std::ifstream in(ImageFile(name));
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (!w.empty()) lines.push_back(w);
    }
    return lines;
}

// Loads a file as the program loads a picture. Raises the reader's error.
inline gfx::Bitmap LoadPictureFile(const std::string& path) {
    RegisterImageFormats();
    gfx::Picture picture;
    img::LoadPictureFile(path, picture);
    return picture.bitmap();
}

// The bitmap's pixels as RGBA bytes (alpha from bitmaps that carry it, else
// 255).
inline std::vector<uint8_t> RgbaOf(const gfx::Bitmap& bitmap) {
    const gfx::Bitmap b = bitmap.convertedTo(gfx::PixelFormat::pf32bit);
    const bool alpha = bitmap.pixelFormat() == gfx::PixelFormat::pf32bit && bitmap.hasAlpha();
    std::vector<uint8_t> out;
    out.reserve(static_cast<std::size_t>(b.width()) * static_cast<std::size_t>(b.height()) * 4);
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* p = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x, p += 4) out.insert(out.end(), {p[2], p[1], p[0], alpha ? p[3] : uint8_t{255}});
    }
    return out;
}

}  // namespace img::testing
