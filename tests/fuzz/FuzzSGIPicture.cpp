// libFuzzer target: any bytes loaded as a ".sgi" map file end with a picture
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

// Runs of samples: a count byte (or word) with the high bit for a literal
// run, without it for a repeated sample; 0 ends the row.
std::string SgiRle(const std::string& row, unsigned bytesPerChannel) {
    Bytes out;
    const std::size_t samples = row.size() / bytesPerChannel;
    auto count = [&](unsigned v) { bytesPerChannel == 2 ? out.be16(v) : out.u8(v); };
    for (std::size_t i = 0; i < samples;) {
        const std::size_t n = std::min<std::size_t>(samples - i, i % 2 ? 3 : 100);
        if (i % 2) {
            count(static_cast<unsigned>(n));
            out.text(row.substr(i * bytesPerChannel, bytesPerChannel));
        } else {
            count(0x80 | static_cast<unsigned>(n));
            out.text(row.substr(i * bytesPerChannel, n * bytesPerChannel));
        }
        i += n;
    }
    count(0);
    return out;
}

// An SGI image: the 512-byte header, then either the channels' rows one after
// the other or the row offset and length tables and the run-length rows.
std::string Sgi(bool rle, unsigned bytesPerChannel, unsigned dimension, unsigned width, unsigned height,
                unsigned channels) {
    Bytes b;
    b.be16(474).u8(rle ? 1 : 0).u8(bytesPerChannel).be16(dimension).be16(width).be16(height).be16(channels);
    b.be32(0).be32(bytesPerChannel == 2 ? 65535 : 255).fill(4).text("seed").padTo(512);
    std::vector<std::string> rows;
    for (unsigned c = 0; c < channels; ++c)
        for (unsigned y = 0; y < height; ++y) {
            std::string row(std::size_t{width} * bytesPerChannel, '\0');
            for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<char>(i * 9 + y * 40 + c * 85);
            rows.push_back(rle ? SgiRle(row, bytesPerChannel) : row);
        }
    if (rle) {
        uint32_t at = static_cast<uint32_t>(512 + 8 * rows.size());
        for (const std::string& row : rows) {
            b.be32(at);
            at += static_cast<uint32_t>(row.size());
        }
        for (const std::string& row : rows) b.be32(static_cast<uint32_t>(row.size()));
    }
    for (const std::string& row : rows) b.text(row);
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {
        {"grey.bw", Sgi(false, 1, 2, 5, 3, 1)},
        {"grey16-rle.bw", Sgi(true, 2, 3, 4, 3, 1)},
        {"line.sgi", Sgi(false, 1, 1, 7, 1, 1)},
        {"rgb-rle.rgb", Sgi(true, 1, 3, 6, 4, 3)},
        {"rgba.rgba", Sgi(false, 1, 3, 3, 2, 4)},
        {"rgb16.sgi", Sgi(false, 2, 3, 3, 3, 3)},
        {"rgba16-rle.sgi", Sgi(true, 2, 3, 2, 2, 4)},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "sgi", &img::SgiGraphicClass())
