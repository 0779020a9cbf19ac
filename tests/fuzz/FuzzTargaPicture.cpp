// libFuzzer target: any bytes loaded as a ".tga" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

using fuzzing::Bytes;

// Run-length pixels: packets alternate between a run of one pixel and a
// literal run.
std::string TargaRle(const std::string& raw, std::size_t pixelBytes) {
    std::string out;
    const std::size_t pixels = raw.size() / pixelBytes;
    for (std::size_t i = 0, k = 0; i < pixels; ++k) {
        const std::size_t n = std::min<std::size_t>(pixels - i, 3);
        if (k % 2 == 0) {
            out += static_cast<char>(0x80 | (n - 1));
            out += raw.substr(i * pixelBytes, pixelBytes);
        } else {
            out += static_cast<char>(n - 1);
            out += raw.substr(i * pixelBytes, n * pixelBytes);
        }
        i += n;
    }
    return out;
}

// A Targa of the header fields with an ID, a colour map when `mapEntryBits`
// is set, and the pixels (a ramp), run-length coded for the types from 9.
std::string Targa(unsigned type, unsigned pixelBits, unsigned width, unsigned height, unsigned mapEntryBits,
                  unsigned descriptor) {
    const unsigned mapLength = mapEntryBits ? 20 : 0;
    Bytes b;
    b.u8(3).u8(mapEntryBits ? 1 : 0).u8(type).le16(0).le16(mapLength).u8(mapEntryBits ? mapEntryBits : 24);
    b.le16(0).le16(0).le16(width).le16(height).u8(pixelBits).u8(descriptor).text("id!");
    const std::size_t entryBytes = mapEntryBits == 0 ? 0 : mapEntryBits <= 16 ? 2 : mapEntryBits / 8u;
    for (std::size_t i = 0; i < mapLength * entryBytes; ++i) b.u8(static_cast<unsigned>(i * 13));
    const std::size_t pixelBytes = pixelBits == 8 ? 1 : pixelBits <= 16 ? 2 : pixelBits / 8u;
    std::string raw(std::size_t{width} * height * pixelBytes, '\0');
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(i % 19 * 11);
    b.text(type >= 9 ? TargaRle(raw, pixelBytes) : raw);
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {
        {"mapped.tga", Targa(1, 8, 5, 3, 24, 0)},
        {"mapped16-rle.tga", Targa(9, 8, 4, 4, 16, 0x20)},
        {"mapped32.tga", Targa(1, 8, 3, 2, 32, 0x20)},
        {"rgb15.tga", Targa(2, 15, 4, 2, 0, 0)},
        {"rgb16-rle.tga", Targa(10, 16, 5, 2, 0, 0x20)},
        {"rgb24.tga", Targa(2, 24, 3, 3, 0, 0x20)},
        {"rgba32-rle.tga", Targa(10, 32, 4, 3, 0, 8)},
        {"grey.tga", Targa(3, 8, 6, 2, 0, 0)},
        {"grey-rle.tga", Targa(11, 8, 7, 3, 0, 0x20)},
        {"no-data.tga", Targa(0, 24, 2, 2, 0, 0)},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "tga", &img::TargaGraphicClass())
