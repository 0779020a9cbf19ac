// What the HTML viewer's picture fuzz targets share: an image fetched as a
// document fetches it from its image request, and drawn as the document
// draws it, every frame of an animation.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "htmlviewer/GifImage.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/Stream.h"
#include "tests/fuzz/PictureFuzzSupport.h"

namespace fuzzing {

inline void FetchAndDraw(std::span<const uint8_t> bytes) {
    // The viewer's shared images live while the fuzzer runs; the cache is
    // emptied before each input, so that every input is decoded.
    static TViewerImagesUse images;
    StartImageLibrary();
    BitmapList().Clear();
    gfx::MemoryStream stream(bytes);
    // As an <img> without a transparency of its own asks: a mask of the
    // bottom-left pixel's colour unless the image has its own.
    int transparent = 1;
    TFetchedImage fetched;
    try {
        fetched = FetchImage("picture", [&](const std::string&) -> gfx::Stream* { return &stream; }, transparent);
    } catch (const gfx::EOutOfResources&) {
        return;
    }
    BitmapList().Clear();
    if (!fetched.Image) return;
    gfx::RecordingCanvas canvas(40, 30);
    const gfx::Rect box{3, 2, 37, 27};
    if (auto* gif = dynamic_cast<TGIFImage*>(fetched.Image.get())) {
        for (int frame = 1; frame <= gif->NumFrames; ++frame) {
            gif->SetCurrentFrame(frame);
            gif->Draw(canvas, box.left, box.top, box.width(), box.height());
        }
        gif->GetBitmap();
    } else if (fetched.Mask) {
        const gfx::Bitmap bitmap = fetched.Image->toBitmap();
        canvas.stretchBitmapMasked(box, bitmap, *fetched.Mask, {0, 0, bitmap.width(), bitmap.height()});
    } else {
        fetched.Image->draw(canvas, box);
    }
}

}  // namespace fuzzing
