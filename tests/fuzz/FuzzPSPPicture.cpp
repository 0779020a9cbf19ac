// libFuzzer target: any bytes loaded as a ".psp" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

using fuzzing::Bytes;

std::string Block(unsigned version, unsigned id, const std::string& data) {
    Bytes b;
    b.text(std::string("~BK\0", 4)).le16(id);
    if (version == 3) b.le32(static_cast<uint32_t>(data.size()));
    b.le32(static_cast<uint32_t>(data.size()));
    return b.str() + data;
}

// Versions above 3 put a chunk's length (itself included) before it.
std::string Chunk(unsigned version, const std::string& data) {
    return version > 3 ? Bytes().le32(static_cast<uint32_t>(data.size() + 4)).str() + data : data;
}

// Runs of one byte (a count above 128) or literal runs.
std::string PspRle(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t run = 1;
        while (i + run < raw.size() && run < 127 && raw[i + run] == raw[i]) ++run;
        if (run > 2) {
            out += static_cast<char>(128 + run);
            out += raw[i];
            i += run;
        } else {
            const std::size_t n = std::min<std::size_t>(raw.size() - i, 127);
            out += static_cast<char>(n);
            out += raw.substr(i, n);
            i += n;
        }
    }
    return out;
}

// A file of one raster layer after a hidden one of another kind; depth 24
// has red, green and blue channels, the others one channel of indices or
// grey levels.
std::string Psp(unsigned version, uint32_t width, uint32_t height, unsigned compression, unsigned depth, bool grey) {
    Bytes attributes;
    double resolution = 72.0;
    char r[8];
    std::memcpy(r, &resolution, 8);
    attributes.le32(width).le32(height).text(std::string(r, 8)).u8(1).le16(compression).le16(depth).le16(1)
        .le32(depth == 24 ? 0 : 1u << depth).u8(grey ? 1 : 0).le32(0).le32(0).le16(1).le32(1);
    std::string blocks = Block(version, 0, Chunk(version, attributes));
    if (depth <= 8 && !grey) {
        Bytes entries;
        for (uint32_t i = 0; i < (1u << depth); ++i) entries.u8(i * 3).u8(255 - i).u8(i * 5).u8(0);
        blocks += Block(version, 2, Chunk(version, Bytes().le32(1u << depth)) + entries.str());
    }
    const std::size_t row = depth == 1 ? (width + 7) / 8 : depth == 4 ? width / 2 + 1 : width;
    std::vector<std::pair<unsigned, std::string>> planes;
    for (unsigned c = 0; c < (depth == 24 ? 3u : 1u); ++c) {
        std::string raw(row * height, '\0');
        for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<char>(i / 3 * 3 * 17 + c * 40);
        planes.push_back({depth == 24 ? c + 1 : 0, raw});
    }
    std::string channels;
    for (const auto& [type, raw] : planes) {
        const std::string packed = compression == 0 ? raw : compression == 1 ? PspRle(raw) : fuzzing::Zlib(raw);
        channels += Block(version, 5,
                          Chunk(version, Bytes().le32(static_cast<uint32_t>(packed.size()))
                                             .le32(static_cast<uint32_t>(raw.size())).le16(1).le16(type)) +
                              packed);
    }
    const std::string name = "Layer";
    const std::string head = version == 3 ? (name + std::string(251, '\0') + std::string(115, '\0'))
                                          : Chunk(version, Bytes().le16(5).text(name).fill(115));
    const std::string hidden = version == 3 ? ("Other" + std::string(251, '\0') + "\1" + std::string(114, '\0'))
                                            : Chunk(version, Bytes().le16(5).text("Other").u8(2).fill(114));
    const std::string info = Chunk(version, Bytes().le16(1).le16(static_cast<unsigned>(planes.size())));
    const std::string bank = Block(version, 4, hidden) + Block(version, 4, head + info + channels);
    blocks += Block(version, 9, "unknown block") + Block(version, 3, bank);
    return Bytes().text("Paint Shop Pro Image File\n\x1a").padTo(32).le16(version).le16(0).str() + blocks;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    std::vector<std::pair<std::string, std::string>> seeds;
    for (unsigned version : {3u, 5u})
        for (unsigned compression : {0u, 1u, 2u})
            seeds.push_back({"v" + std::to_string(version) + "-rgb-c" + std::to_string(compression) + ".psp",
                             Psp(version, 5, 3, compression, 24, false)});
    seeds.push_back({"v3-palette8.psp", Psp(3, 6, 2, 1, 8, false)});
    seeds.push_back({"v5-palette4.psp", Psp(5, 7, 3, 0, 4, false)});
    seeds.push_back({"v4-mono.psp", Psp(4, 11, 2, 2, 1, false)});
    seeds.push_back({"v5-grey.psp", Psp(5, 4, 4, 2, 8, true)});
    return seeds;
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "psp", &img::PspGraphicClass())
