// The pictures of HTML list box items: `THtmlImage` keeps the bytes of an
// image file and shows them through the picture registry (every format it
// reads, with the frames of an animated GIF); `THtmlImageCache` is the list
// box's own list of pictures named by a source text; `TImageContainer` holds
// pictures under names that items refer to.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/FreeNotifier.h"
#include "platform/gfx/Graphic.h"

// What the block structure of a GIF file tells of its frames.
struct GifFrameInfo {
    // Offset of the frame's first block: its graphic control extension, or
    // its image descriptor when it has none.
    std::size_t start = 0;
    int left = 0, top = 0, width = 0, height = 0;
    // From the graphic control extension: the delay in hundredths of a
    // second, the transparent flag and the disposal method.
    int delay = 0;
    bool transparent = false;
    int disposal = 0;
};

struct GifLayout {
    int screenWidth = 0;
    int screenHeight = 0;
    // Every frame whose image data ends inside the file, in file order.
    std::vector<GifFrameInfo> frames;
};

// Walks the blocks of a GIF file (header, colour tables, extensions by their
// sub-block lengths, image descriptors and their data) up to the trailer,
// the end of the data or a byte that starts no block. Empty (nullopt) when
// the data does not start with "GIF8" and a whole screen descriptor.
std::optional<GifLayout> ScanGifBlocks(std::span<const uint8_t> data);

// A picture held as the bytes of its file and shown through the picture
// registry. A GIF is shown one frame at a time: the frame wanted is moved to
// the front of a copy of the file, so that the first image read is that one.
class THtmlImage : public gfx::Graphic {
public:
    THtmlImage() = default;
    THtmlImage(const THtmlImage&) = default;
    THtmlImage& operator=(const THtmlImage&) = default;

    // The GIF's screen size when it has one, otherwise the picture's size in
    // pixels at the picture's pixels per inch (96 gives its own size).
    int width() const override;
    int height() const override;
    // True before any data is loaded, after a failed file load, and while the
    // data gives no picture.
    bool empty() const override { return empty_ || !picture_; }
    // Draws the picture at its own size at the rectangle's top-left corner,
    // or with `Stretch` on into the whole rectangle; a GIF frame smaller than
    // the screen is placed at its own offset. Nothing for an empty picture.
    void draw(gfx::Canvas& canvas, const gfx::Rect& rect) const override { Paint(canvas, rect, Stretch); }
    // As draw, stretched into the rectangle or not as asked.
    void Paint(gfx::Canvas& canvas, const gfx::Rect& rect, bool stretch) const;
    // Loads the stream's remaining bytes as the picture's data, from frame 1;
    // see LoadFromBytes.
    void loadFromStream(gfx::Stream& stream) override;
    // Loads the file's bytes; any failure leaves the picture empty and is not
    // passed on.
    void loadFromFile(const std::string& fileName) override;
    // Writes the raw data.
    void saveToStream(gfx::Stream& stream) const override;
    std::unique_ptr<gfx::Graphic> clone() const override { return std::make_unique<THtmlImage>(*this); }
    gfx::Bitmap toBitmap() const override { return picture_ ? *picture_ : gfx::Bitmap(); }

    // Takes the bytes as the picture's data, marks it not empty, shows frame
    // 1 and raises OnChange. A picture the registry cannot read raises
    // EInvalidGraphic "Could not load image. Invalid format" (the picture
    // then shows nothing).
    void LoadFromBytes(std::vector<uint8_t> bytes);
    // Becomes a copy of the other picture's data from frame 1 and raises
    // OnChange; null clears the data.
    void Assign(const THtmlImage* other);
    const std::vector<uint8_t>& Data() const { return data_; }

    // Where the picture comes from. "RES://name" loads the program's resource
    // of that name when there is one; "FILE://path" loads the file; any other
    // text is a link that is remembered (as URL and ID) but not fetched. The
    // source text becomes the picture's ID, by which a cache finds it.
    void SetPictureSource(const std::string& text);
    const std::string& URL() const { return url_; }
    const std::string& ID() const { return id_; }
    void SetID(std::string id) { id_ = std::move(id); }
    // With it on, a link source is marked as being fetched (nothing fetches).
    bool Asynchronous = true;
    bool DownloadStarted() const { return downloadStarted_; }

    // Draw stretched into the rectangle (true) or at the natural size.
    bool Stretch = false;
    // Pixels per logical inch of the picture, x and y.
    int PixelsPerInchX = 96;
    int PixelsPerInchY = 96;

    // The frame shown, from 1. Setting it shows that frame (a number beyond
    // the GIF's frames shows the last one) and raises OnFrameChange; an
    // unreadable frame raises as LoadFromBytes does.
    int Frame() const { return frame_; }
    void SetFrame(int frame);
    // The number of frames of a GIF (0 for other data), counted once per data.
    int FrameCount() const;
    // The delay of frame n in hundredths of a second; 0 for a frame that does
    // not exist. Also stores the frame's transparent flag and disposal method.
    int FrameDelay(int frame);
    // Of the frame shown: its rectangle on the GIF's screen, and (after
    // FrameDelay) its transparency and disposal.
    gfx::Rect FrameRect() const { return frameRect_; }
    bool FrameTransparent() const { return frameTransparent_; }
    int FrameDisposal() const { return frameDisposal_; }

    // One step of the animation, called by the list box's timer: when the
    // time of the frame shown is up, shows the next frame (after the last
    // comes 1) and returns true. Nothing for fewer than 2 frames or an empty
    // picture. Never raises: a frame that cannot be read shows nothing.
    bool StepAnimation();

    // Raised after the data changed, and after the frame changed.
    std::function<void()> OnChange;
    std::function<void()> OnFrameChange;

private:
    void LoadPicture();
    const GifLayout* Layout() const;

    std::vector<uint8_t> data_;
    bool empty_ = true;
    std::shared_ptr<const gfx::Bitmap> picture_;
    std::string url_, id_;
    bool downloadStarted_ = false;
    int frame_ = 1;
    // The block structure of the data, read once per data.
    mutable std::optional<std::optional<GifLayout>> layout_;
    gfx::Rect frameRect_;
    bool frameTransparent_ = false;
    int frameDisposal_ = 0;
    // Animation: the time the next frame is due, in hundredths of a second
    // from the first step (-1 = not started), and that first step's clock.
    int64_t threshold_ = -1;
    std::optional<uint64_t> animationStart_;
};

// The list box's own pictures, found by their ID (the source text).
class THtmlImageCache {
public:
    // A new empty picture, owned by the cache.
    THtmlImage& AddPicture();
    // The picture whose ID equals the text (case-sensitive), or null.
    THtmlImage* FindPicture(const std::string& id);
    int Count() const { return static_cast<int>(pictures_.size()); }
    void Clear() { pictures_.clear(); }
    // Steps every picture's animation; true when any showed a new frame.
    bool StepAnimations();

private:
    std::vector<std::unique_ptr<THtmlImage>> pictures_;
};

// A named picture of an image container.
struct TPictureItem {
    std::string Name;
    int Tag = 0;
    THtmlImage Picture;
};

// The items of an image container.
class TPictureCollection {
public:
    TPictureItem& Add();
    int Count() const { return static_cast<int>(items_.size()); }
    TPictureItem& operator[](int index) { return *items_.at(static_cast<std::size_t>(index)); }
    void Delete(int index);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TPictureItem>> items_;
};

// Pictures under names, for items whose IMG source is a plain name. Those
// who draw from it hear when it is destroyed.
class TImageContainer : public gfx::FreeNotifier {
public:
    TPictureCollection& Items() { return items_; }
    // The picture of the first item whose name equals the text ignoring
    // letter case, or null.
    THtmlImage* FindPicture(const std::string& name);
    // Steps every item's animation; true when any showed a new frame.
    bool StepAnimations();
    // The version; setting it changes nothing.
    std::string Version() const { return "1.0.0.0"; }
    void SetVersion(const std::string&) {}

private:
    TPictureCollection items_;
};
