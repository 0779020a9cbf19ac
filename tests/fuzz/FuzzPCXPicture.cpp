// libFuzzer target: any bytes loaded as a ".pcx" map file end with a picture
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

// Run-length rows: a byte of 0xC0 or more is a count (its low six bits) of
// the byte after it.
std::string PcxRle(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t run = 1;
        while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i]) ++run;
        if (run > 1 || (static_cast<uint8_t>(raw[i]) & 0xC0) == 0xC0) out += static_cast<char>(0xC0 | run);
        out += raw[i];
        i += run;
    }
    return out;
}

// A PCX of the header fields, rows of a ramp in `planes` planes of
// `bytesPerLine` each, and the 256-colour palette block after them when
// `palette` is set (a block without its mark 12 for a grey image).
std::string Pcx(unsigned version, unsigned bits, unsigned planes, bool rle, unsigned width, unsigned height,
                bool palette, unsigned paletteKind = 1) {
    const unsigned bytesPerLine = (width * bits + 15) / 16 * 2;
    Bytes b;
    b.u8(10).u8(version).u8(rle ? 1 : 0).u8(bits).le16(0).le16(0).le16(width - 1).le16(height - 1).le16(72).le16(72);
    for (unsigned i = 0; i < 16; ++i) b.u8(i * 16).u8(255 - i * 16).u8(i * 5);
    b.u8(0).u8(planes).le16(bytesPerLine).le16(paletteKind).padTo(128);
    std::string raw(std::size_t{bytesPerLine} * planes * height, '\0');
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(i / 2 * 23);
    b.text(rle ? PcxRle(raw) : raw);
    if (palette) {
        b.u8(paletteKind == 2 ? 0 : 12);
        for (unsigned i = 0; i < 256; ++i) b.u8(i).u8(i * 3).u8(255 - i);
    }
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {
        {"mono.pcx", Pcx(5, 1, 1, true, 19, 3, false)},
        {"two-bit.pcx", Pcx(5, 2, 1, true, 7, 3, false)},
        {"ega.pcx", Pcx(2, 1, 4, true, 13, 4, false)},
        {"standard16.pcx", Pcx(3, 4, 1, false, 6, 2, false)},
        {"indexed.pcx", Pcx(5, 8, 1, true, 9, 4, true)},
        {"grey.pcx", Pcx(5, 8, 1, false, 5, 3, true, 2)},
        {"rgb.pcx", Pcx(5, 8, 3, true, 6, 3, false)},
        {"rgba.pcx", Pcx(5, 8, 4, false, 4, 2, false)},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "pcx", &img::PcxGraphicClass())
