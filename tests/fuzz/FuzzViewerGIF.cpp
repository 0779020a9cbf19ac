// libFuzzer target: any bytes that a document's image request gives for a
// GIF picture end, in the HTML viewer, with an image (a bitmap with its mask,
// or an animation) that draws every frame, or with no image.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "htmlviewer/GifImage.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/Stream.h"
#include "tests/fuzz/GifSeeds.h"
#include "tests/fuzz/ViewerFuzzSupport.h"

MIRELAN_FUZZ_SEEDS(fuzzing::GifSeeds())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const TImageType type = GetImageType(bytes.first(std::min<std::size_t>(size, 11)));
    if (type != TImageType::Gif87 && type != TImageType::Gif89) return -1;
    fuzzing::FetchAndDraw(bytes);
    return 0;
}
