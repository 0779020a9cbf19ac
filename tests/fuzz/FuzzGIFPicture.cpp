// libFuzzer target: any bytes loaded as a ".gif" map file end with a picture
// that can be shown, or with an error of the graphics layer that leaves the
// reader empty.
#include <cstddef>
#include <cstdint>

#include "imageformats/ImageRegistration.h"
#include "tests/fuzz/GifSeeds.h"
#include "tests/fuzz/PictureFuzzSupport.h"

MIRELAN_PICTURE_FUZZ_TARGET(fuzzing::GifSeeds(), "gif", &img::GifGraphicClass())
