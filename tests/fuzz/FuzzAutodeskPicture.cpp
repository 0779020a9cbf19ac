// libFuzzer target: any bytes loaded as a ".cel" map file end with a picture
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

// An Autodesk cel: the 32-byte header, a palette of 6-bit components, and
// the pixels row by row.
std::string Cel(unsigned width, unsigned height) {
    Bytes b;
    b.le16(0x9119).le16(width).le16(height).le16(3).le16(4).u8(8).u8(0).le32(width * height).padTo(32);
    for (unsigned i = 0; i < 768; ++i) b.u8(i % 64);
    for (unsigned i = 0; i < width * height; ++i) b.u8(i * 7);
    return b;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {{"small.cel", Cel(5, 3)}, {"line.pic", Cel(40, 1)}};
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "cel", &img::AutodeskGraphicClass())
