// libFuzzer target: any bytes loaded as a ".ppm" map file end with a picture
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

std::string Binary(std::size_t n, unsigned step, bool words) {
    Bytes b;
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<unsigned>(i * step);
        words ? b.be16(v * 257) : b.u8(v);
    }
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {
        {"plain.pbm", "P1\n# a comment\n5 3\n1 0 1 0 1\n0 1 0 1 0\n11111\n"},
        {"plain.pgm", "P2 4 2 15\n0 5 10 15\n15 10 5 0\n"},
        {"plain.ppm", "P3\n2 2\n1000\n0 0 0 1000 0 0\n0 1000 0 0 0 1000\n"},
        {"raw.pbm", "P4\n10 3\n" + Binary(6, 77, false)},
        {"raw.pgm", "P5\n4 3\n255\n" + Binary(12, 21, false)},
        {"raw16.pgm", "P5 3 2 65535\n" + Binary(6, 40, true)},
        {"raw.ppm", "P6\n#c\n3 2\n200\n" + Binary(18, 11, false)},
        {"raw16.ppm", "P6\n2 2\n4095\n" + Binary(12, 3, true)},
    };
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "ppm", &img::PpmGraphicClass())
