#include "htmlviewer/GifImage.h"

#include <algorithm>

#include "model/TextConv.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/TickSource.h"

ThtBitmap::ThtBitmap(gfx::Bitmap bitmap, std::shared_ptr<const gfx::Bitmap> mask)
    : gfx::Bitmap(std::move(bitmap)), Mask(std::move(mask)) {
    setTransparent(Mask != nullptr);
}

void ThtBitmap::draw(gfx::Canvas& canvas, const gfx::Rect& rect) const {
    if (empty()) return;
    const gfx::Rect source{0, 0, width(), height()};
    // A bitmap with a palette is drawn through it, halftoned; any other but
    // a monochrome one colour on colour.
    const gfx::Palette* palette = canvas.selectedPalette();
    const gfx::Canvas::StretchMode mode = canvas.stretchMode();
    if (gfx::isIndexed(pixelFormat())) {
        canvas.selectPalette(&this->palette());
        canvas.setStretchMode(gfx::Canvas::StretchMode::Halftone);
    } else {
        canvas.setStretchMode(gfx::Canvas::StretchMode::ColorOnColor);
    }
    if (Mask)
        canvas.stretchBitmapMasked(rect, *this, *Mask, source);
    else
        canvas.stretchBitmap(rect, *this, source);
    canvas.selectPalette(palette);
    canvas.setStretchMode(mode);
}

// ---- Loading --------------------------------------------------------------------

void TGIFImage::Load(gfx::Stream& stream) {
    TGif gif;
    gif.LoadFromStream(stream);
    auto strip = std::make_shared<TGifStrip>(gif.GetStripBitmap());
    NumFrames = gif.ImageCount();
    Animated = NumFrames >= 2;
    Width = gif.ScreenWidth();
    Height = gif.ScreenHeight();
    IsTransparent = gif.IsTransparent();
    const int loops = gif.LoopCount();
    NumIterations = loops > 0 ? loops + 1 : loops == 0 ? 0 : 1;
    Frames.clear();
    for (int i = 0; i < NumFrames; ++i) {
        TgfFrame frame;
        frame.FrameLeft = gif.ImageLeft(i);
        frame.FrameTop = gif.ImageTop(i);
        frame.FrameWidth = gif.ImageWidth(i);
        frame.FrameHeight = gif.ImageHeight(i);
        frame.FrameDelay = std::max(MinFrameDelay, gif.ImageDelay(i) * 10);
        frame.FrameDisposal = static_cast<uint8_t>(gif.ImageDisposal(i));
        Frames.push_back(frame);
    }
    Strip = std::move(strip);
    StaticBitmap.reset();
    CurrentFrame = 1;
    CurrentIteration = 1;
    CurrentDisposal = Animated ? 2 : 0;
    IsCopy = false;
    setTransparent(IsTransparent);
}

std::unique_ptr<TGIFImage> TGIFImage::CreateFromStream(gfx::Stream& stream, bool& nonAnimated) {
    auto image = std::make_unique<TGIFImage>();
    image->Load(stream);
    nonAnimated = !image->Animated;
    return image;
}

std::unique_ptr<TGIFImage> TGIFImage::CreateFromFile(const std::string& fileName, bool& nonAnimated) {
    // A FIFO or a device would hold the viewer in open for good.
    if (!FileExistsNonBlank(fileName)) throw gfx::EFOpenError("Cannot open file \"" + fileName + "\"", fileName);
    gfx::FileStream stream(fileName);
    return CreateFromStream(stream, nonAnimated);
}

void TGIFImage::loadFromStream(gfx::Stream& stream) {
    TGIFImage loaded;
    loaded.Load(stream);
    *this = std::move(loaded);
}

std::unique_ptr<TGIFImage> TGIFImage::CreateCopy() const {
    auto copy = std::make_unique<TGIFImage>();
    copy->Animated = Animated;
    copy->Width = Width;
    copy->Height = Height;
    copy->NumFrames = NumFrames;
    copy->NumIterations = NumIterations;
    copy->IsTransparent = IsTransparent;
    copy->Frames = Frames;
    copy->Strip = Strip;
    copy->StaticBitmap = StaticBitmap;
    copy->CurrentDisposal = Animated ? 2 : 0;
    copy->IsCopy = true;
    copy->setTransparent(IsTransparent);
    return copy;
}

// ---- Animation ------------------------------------------------------------------

void TGIFImage::SetAnimate(bool on) {
    if (on == Animate_) return;
    Animate_ = on;
    if (on && NumFrames > 1) {
        CurrentInterval = std::max(1, Frames[static_cast<std::size_t>(CurrentFrame - 1)].FrameDelay);
        LastTime = gfx::tickSource().milliseconds();
    }
}

void TGIFImage::SetCurrentFrame(int n) {
    if (n == CurrentFrame || NumFrames == 0) return;
    CurrentDisposal = Frames[static_cast<std::size_t>(CurrentFrame - 1)].FrameDisposal;
    if (n > NumFrames)
        CurrentFrame = 1;
    else if (n >= 1)
        CurrentFrame = n;
    else
        CurrentFrame = NumFrames;
    if (Animated) CurrentDisposal = 2;
}

void TGIFImage::AnimationStep(const std::function<void(const gfx::Rect&)>& invalidate) {
    const uint64_t now = gfx::tickSource().milliseconds();
    if (!Animate_ || NumFrames == 0 || now - LastTime < static_cast<uint64_t>(CurrentInterval)) return;
    LastTime = now;
    if (CurrentFrame == NumFrames) {
        if (NumIterations >= 1 && CurrentIteration >= NumIterations) {
            Animate_ = false;
            return;
        }
        ++CurrentIteration;
    }
    CurrentDisposal = Frames[static_cast<std::size_t>(CurrentFrame - 1)].FrameDisposal;
    CurrentFrame = CurrentFrame % NumFrames + 1;
    if (invalidate) invalidate(StretchedRect);
    CurrentInterval = std::max(1, Frames[static_cast<std::size_t>(CurrentFrame - 1)].FrameDelay);
}

// ---- Drawing --------------------------------------------------------------------

void TGIFImage::Draw(gfx::Canvas& canvas, int x, int y, int w, int h) const {
    StretchedRect = gfx::rectOfSize(x, y, w, h);
    if (!Visible || NumFrames < 1 || !Strip) return;
    const std::size_t i = static_cast<std::size_t>(CurrentFrame - 1);
    const gfx::Bitmap& cell = Strip->Cells[i];
    const gfx::Rect source{0, 0, cell.width(), cell.height()};
    if (!Strip->Masks.empty())
        canvas.stretchBitmapMasked(StretchedRect, cell, Strip->Masks[i], source);
    else
        canvas.stretchBitmap(StretchedRect, cell, source);
}

void TGIFImage::draw(gfx::Canvas& canvas, const gfx::Rect& rect) const {
    Draw(canvas, rect.left, rect.top, rect.width(), rect.height());
}

const ThtBitmap& TGIFImage::GetBitmap() const {
    if (!StaticBitmap) {
        if (!Strip || Strip->Cells.empty()) {
            StaticBitmap = std::make_shared<ThtBitmap>();
        } else {
            std::shared_ptr<const gfx::Bitmap> mask;
            if (!Strip->Masks.empty()) mask = std::make_shared<gfx::Bitmap>(Strip->Masks.front());
            StaticBitmap = std::make_shared<ThtBitmap>(Strip->Cells.front(), std::move(mask));
        }
    }
    return *StaticBitmap;
}

std::shared_ptr<const gfx::Bitmap> TGIFImage::GetMask() const { return IsTransparent ? GetBitmap().Mask : nullptr; }
