// libFuzzer target: any bytes loaded as a ".rla" map file end with a picture
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

// Runs of a channel's row: a negative count byte for that many literal
// bytes, else a run of count + 1 of the next byte.
std::string RlaRuns(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0, k = 0; i < raw.size(); ++k) {
        const std::size_t n = std::min<std::size_t>(raw.size() - i, 4);
        if (k % 2 == 0) {
            out += static_cast<char>(-static_cast<int>(n));
            out += raw.substr(i, n);
        } else {
            out += static_cast<char>(n - 1);
            out += raw[i];
        }
        i += n;
    }
    return out;
}

// An RLA image of the active window, the channels ("rgb" with a matte when
// `matte`), the gamma text, bottom-up unless `topDown`.
std::string Rla(unsigned width, unsigned height, bool matte, const char* gamma, bool topDown,
                const char* space = "rgb") {
    Bytes h;
    const unsigned bottom = topDown ? height - 1 : 0, top = topDown ? 0 : height - 1;
    h.be16(0).be16(width - 1).be16(bottom).be16(top).be16(0).be16(width - 1).be16(bottom).be16(top);
    h.be16(1).be16(0).be16(3).be16(matte ? 1 : 0).be16(0).be16(0xFFFE).text(gamma).padTo(580).text(space).padTo(658);
    h.be16(8).be16(0).be16(8).padTo(740);
    std::vector<std::string> rows;
    for (unsigned y = 0; y < height; ++y) {
        std::string row;
        for (unsigned c = 0; c < (matte ? 4u : 3u); ++c) {
            std::string raw(width, '\0');
            for (unsigned x = 0; x < width; ++x) raw[x] = static_cast<char>((x / 2) * 50 + y * 7 + c * 60);
            const std::string runs = RlaRuns(raw);
            row += Bytes().be16(static_cast<unsigned>(runs.size())).str() + runs;
        }
        rows.push_back(row);
    }
    uint32_t at = static_cast<uint32_t>(740 + 4 * rows.size());
    for (const std::string& row : rows) {
        h.be32(at);
        at += static_cast<uint32_t>(row.size());
    }
    for (const std::string& row : rows) h.text(row);
    return h;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {
        {"rgb.rla", Rla(6, 4, false, "2.2", false)},
        {"matte.rla", Rla(5, 3, true, " 1.0", true)},
        {"gamma.rpf", Rla(4, 2, false, "1.8", false, "RGB")},
        {"xyz.rla", Rla(2, 2, false, "", false, "xyz")},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "rla", &img::RlaGraphicClass())
