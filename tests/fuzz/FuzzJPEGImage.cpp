// libFuzzer target: any bytes loaded as a ".jpg" map file, which the
// graphics layer decodes through libjpeg, end with a picture that can be
// shown, or with an error of the graphics layer that leaves the image empty.
// Warnings of damaged data go to a sink that the run empties.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/WarningSink.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace {

// A picture of smooth ramps and hard edges, encoded by the graphics layer.
std::string Jpeg(int width, int height, gfx::PixelFormat format, int quality) {
    gfx::Bitmap b(width, height, gfx::PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, gfx::rgb(static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height),
                                      x < width / 2 ? 40 : 200));
    gfx::Bitmap picture = b.convertedTo(format);
    if (format == gfx::PixelFormat::pf8bit) picture.setPalette(gfx::Palette::gray(8));
    const std::vector<uint8_t> bytes = gfx::encodeJpeg(picture, quality);
    return {bytes.begin(), bytes.end()};
}

std::vector<std::pair<std::string, std::string>> Seeds() {
    return {{"colour.jpg", Jpeg(19, 11, gfx::PixelFormat::pf24bit, 75)},
            {"colour-best.jpg", Jpeg(8, 33, gfx::PixelFormat::pf24bit, 100)},
            {"grey.jpg", Jpeg(17, 9, gfx::PixelFormat::pf8bit, 30)}};
}

}  // namespace

MIRELAN_FUZZ_SEEDS(Seeds())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    gfx::RecordingWarnings warnings;
    const gfx::ScopedWarningSink sink(&warnings);
    return fuzzing::LoadPictureBytes(data, size, "jpg", {});
}
