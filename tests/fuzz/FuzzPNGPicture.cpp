// libFuzzer target: any bytes loaded as a ".png" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty. The CRC of every whole chunk is made right first, so that
// changed bytes reach the chunks' use.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/PictureFuzzSupport.h"
#include "tests/fuzz/PngSeeds.h"

MIRELAN_FUZZ_SEEDS(fuzzing::PngSeeds())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::vector<uint8_t> png = fuzzing::WithPngCrcs(data, size);
    return fuzzing::LoadPictureBytes(png.data(), png.size(), "png", {&img::PngGraphicClass()});
}
