// libFuzzer target: any bytes loaded as a ".psd" map file end with a picture
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

// A Photoshop file: header, colour mode data, empty resources and layers,
// and `channels` planes of rows (each row a ramp), raw or PackBits (each row
// one literal run).
std::string Psd(uint32_t width, uint32_t height, unsigned channels, unsigned depth, unsigned mode, bool packBits,
                const std::string& colorData = {}) {
    Bytes b;
    b.text("8BPS").be16(1).fill(6).be16(channels).be32(height).be32(width).be16(depth).be16(mode);
    b.be32(static_cast<uint32_t>(colorData.size())).text(colorData);
    b.be32(0).be32(0).be16(packBits ? 1 : 0);
    const std::size_t rowBytes = (std::size_t{width} * depth + 7) / 8;
    std::vector<std::string> rows;
    for (unsigned c = 0; c < channels; ++c)
        for (uint32_t y = 0; y < height; ++y) {
            std::string row(rowBytes, '\0');
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<char>((i * 41 + y * 13 + c * 77) & 0xFF);
            if (packBits) row = static_cast<char>(rowBytes - 1) + row;  // rows of at most 128 bytes here
            rows.push_back(row);
        }
    if (packBits)
        for (const std::string& row : rows) b.be16(static_cast<unsigned>(row.size()));
    for (const std::string& row : rows) b.text(row);
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    std::string palette(768, '\0');
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<char>(i * 7);
    return {
        {"bitmap.psd", Psd(13, 3, 1, 1, 0, false)},
        {"gray8.psd", Psd(5, 4, 1, 8, 1, false)},
        {"gray16-packbits.psd", Psd(5, 4, 2, 16, 1, true)},
        {"indexed.psd", Psd(6, 3, 1, 8, 2, true, palette)},
        {"rgb8-packbits.psd", Psd(4, 3, 3, 8, 3, true)},
        {"rgba16.psd", Psd(3, 2, 4, 16, 3, false)},
        {"cmyk8.psd", Psd(4, 2, 4, 8, 4, false)},
        {"cmyk16-packbits.psd", Psd(4, 2, 5, 16, 4, true)},
        {"multichannel.psd", Psd(3, 3, 3, 8, 7, false)},
        {"duotone.psd", Psd(3, 3, 1, 8, 8, false, std::string(16, '\1'))},
        {"lab8.psd", Psd(4, 2, 3, 8, 9, true)},
        {"lab16.psd", Psd(4, 2, 3, 16, 9, false)},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "psd", &img::PsdGraphicClass())
