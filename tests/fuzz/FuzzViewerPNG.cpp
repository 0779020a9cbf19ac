// libFuzzer target: any bytes that a document's image request gives for a
// PNG picture end, in the HTML viewer, with an image that draws blended by
// its alpha, or with no image. The viewer decodes PNG with the picture
// registry's reader (the image library's) and adds the file's transparency
// itself. The CRC of every whole chunk is made right first.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "htmlviewer/ImageCache.h"
#include "tests/fuzz/PngSeeds.h"
#include "tests/fuzz/ViewerFuzzSupport.h"

MIRELAN_FUZZ_SEEDS(fuzzing::PngSeeds())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (GetImageType(std::span<const uint8_t>(data, std::min<std::size_t>(size, 11))) != TImageType::Png) return -1;
    const std::vector<uint8_t> png = fuzzing::WithPngCrcs(data, size);
    fuzzing::FetchAndDraw(png);
    return 0;
}
