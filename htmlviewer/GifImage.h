// The viewer's image objects for GIF files: `TGIFImage` holds every frame of
// a GIF (composed by the decoder) with its masks, the place, delay and
// disposal of each frame and the state of its animation, and draws the
// current frame; `ThtBitmap` is a bitmap with an optional transparency mask.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "htmlviewer/Gif.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Graphic.h"

namespace gfx {
class Canvas;
class Stream;
}  // namespace gfx

// A bitmap that may carry a monochrome mask (white = transparent) and draws
// through it.
class ThtBitmap : public gfx::Bitmap {
public:
    ThtBitmap() = default;
    explicit ThtBitmap(gfx::Bitmap bitmap, std::shared_ptr<const gfx::Bitmap> mask = nullptr);

    // The mask, or null; shared by copies.
    std::shared_ptr<const gfx::Bitmap> Mask;

    // Stretches the bitmap into `rect`, keeping the background where the
    // mask is white.
    void draw(gfx::Canvas& canvas, const gfx::Rect& rect) const override;
    std::unique_ptr<gfx::Graphic> clone() const override { return std::make_unique<ThtBitmap>(*this); }
};

// One frame of an animated GIF: its place in the image, how long it shows
// (milliseconds) and its disposal method.
struct TgfFrame {
    int FrameLeft = 0;
    int FrameTop = 0;
    int FrameWidth = 0;
    int FrameHeight = 0;
    int FrameDelay = 0;
    uint8_t FrameDisposal = 0;
};

class TGIFImage : public gfx::Graphic {
public:
    // The shortest time a frame shows.
    static constexpr int MinFrameDelay = 30;

    // Decodes a GIF; `nonAnimated` tells whether it has a single frame.
    // Raises the decoder's EGifError.
    static std::unique_ptr<TGIFImage> CreateFromStream(gfx::Stream& stream, bool& nonAnimated);
    // The same from a file (EFOpenError when it is no regular file or cannot
    // be opened).
    static std::unique_ptr<TGIFImage> CreateFromFile(const std::string& fileName, bool& nonAnimated);
    // A new image that shares this one's frames, with its own frame position
    // (frame 1, iteration 1): each document that shows an image from the
    // cache animates its own copy.
    std::unique_ptr<TGIFImage> CreateCopy() const;

    // True when the GIF has two frames or more.
    bool Animated = false;
    // The frame shown, 1 to NumFrames.
    int CurrentFrame = 1;
    // The size of the GIF's logical screen, which every frame has.
    int Width = 0;
    int Height = 0;
    int NumFrames = 0;
    // How often the animation runs: the file's loop count + 1, 1 when it has
    // none, 0 for ever.
    int NumIterations = 1;
    // True when a frame has transparent pixels (the frames have masks).
    bool IsTransparent = false;
    // A hidden image draws nothing.
    bool Visible = true;
    // Where the image was drawn last.
    mutable gfx::Rect StretchedRect;
    // The disposal of the frame shown before the current one.
    uint8_t CurrentDisposal = 0;
    std::vector<TgfFrame> Frames;
    // The run of the animation now going, from 1.
    int CurrentIteration = 1;
    // When the current frame was shown, and how long it shows (ms).
    uint64_t LastTime = 0;
    int CurrentInterval = 0;
    // Set by the document when a paint drew the image.
    bool ShowIt = false;
    // True when the frames belong to another image.
    bool IsCopy = false;

    // Whether the animation runs.
    bool Animate() const { return Animate_; }
    // Turns the animation on or off; turning it on times the current frame
    // from now.
    void SetAnimate(bool on);
    // Shows frame n: past the last gives the first, below 1 the last.
    void SetCurrentFrame(int n);
    // One step of the animation at the time of the graphics layer's tick
    // source: when the current frame has shown long enough, the next one
    // becomes current and `invalidate` is called with the place the image
    // was drawn last. After the last iteration the animation stops on the
    // last frame.
    void AnimationStep(const std::function<void(const gfx::Rect&)>& invalidate);

    // Draws the current frame stretched to the rectangle, through its mask.
    void Draw(gfx::Canvas& canvas, int x, int y, int w, int h) const;
    // The first frame as a bitmap with its mask (made once).
    const ThtBitmap& GetBitmap() const;
    // The first frame's mask when the image is transparent, else null.
    std::shared_ptr<const gfx::Bitmap> GetMask() const;

    // Graphic.
    int width() const override { return Width; }
    int height() const override { return Height; }
    void draw(gfx::Canvas& canvas, const gfx::Rect& rect) const override;
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override { return CreateCopy(); }
    gfx::Bitmap toBitmap() const override { return GetBitmap(); }

private:
    void Load(gfx::Stream& stream);

    bool Animate_ = false;
    std::shared_ptr<const TGifStrip> Strip;
    mutable std::shared_ptr<const ThtBitmap> StaticBitmap;
};
