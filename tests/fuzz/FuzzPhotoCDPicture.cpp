// libFuzzer target: any bytes loaded as a ".pcd" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

// A Photo-CD image pack: the header sectors with the signature at 2048 and
// the rotation at 3586, then from sector 96 the base image (768 x 512), each
// two rows of luma followed by a row of each chroma plane at half size.
std::string Pcd(unsigned rotation, bool overview = false) {
    std::string file(96 * 2048, '\0');
    file.replace(overview ? 0 : 2048, overview ? 7 : 7, overview ? "PCD_OPA" : "PCD_IPI");
    file[3586] = static_cast<char>(rotation);
    file[11] = 1;  // the image count
    std::string data(256 * (2 * 768 + 2 * 384), '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 2304 / 9 + i / 2304);
    return file + data;
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {{"upright.pcd", Pcd(0)}, {"turned.pcd", Pcd(1)}, {"overview.pcd", Pcd(0, true)}};
}

}  // namespace

MIRELAN_PICTURE_FUZZ_TARGET(Seeds(), "pcd", &img::PcdGraphicClass())
