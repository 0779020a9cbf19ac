// libFuzzer target: any bytes loaded as a ".gif" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty.
#include <cstddef>
#include <cstdint>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/GifSeeds.h"
#include "tests/fuzz/PictureFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::SeedCorpus(*argc, *argv, fuzzing::GifSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    return fuzzing::LoadPictureBytes(data, size, "gif", {&img::GifGraphicClass()});
}
