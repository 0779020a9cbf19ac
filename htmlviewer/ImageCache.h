// The image side of the HTML viewer: recognising an image by its first
// bytes, loading it from a file or from a stream the application supplies,
// transparency masks, the process-wide cache that all documents share, and
// the pictures shown for images that are not (yet) available.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "htmlviewer/GifImage.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

namespace gfx {
class Stream;
}

// The kind of an image by its first bytes.
enum class TImageType : uint8_t { NoImage = 0, Bmp = 1, Gif87 = 2, Gif89 = 3, Png = 4, Jpeg = 5 };
TImageType GetImageType(std::span<const uint8_t> firstBytes);

// One entry of the image cache.
struct TBitmapItem {
    // How many cache sweeps passed since the entry was last fetched.
    int AccessCount = 0;
    // How many documents use the image now.
    int UsageCount = 0;
    // 0 none, 1 transparency from the bottom-left pixel, 2 the image's own.
    int Transp = 0;
    // A bitmap (ThtBitmap for GIF frames), a TGIFImage or a TGpImage.
    std::shared_ptr<gfx::Graphic> CachedImage;
    // A monochrome mask (white = transparent), or null.
    std::shared_ptr<const gfx::Bitmap> Mask;
};

// The image cache: entries by upper-case name, kept sorted. An entry that
// no document uses is dropped after `MaxCache` sweeps without a fetch.
class TStringBitmapList {
public:
    int MaxCache = 4;

    // Adds an entry under the upper-cased name and raises its usage.
    void AddObject(const std::string& name, TBitmapItem item);
    // The index of the entry of a name (any case), -1 when there is none.
    int IndexOf(const std::string& name) const;
    // Fetches entry i: its access count restarts and its usage rises.
    TBitmapItem& GetImage(int index);
    // A document no longer shows the image of this name.
    void DecUsage(const std::string& name);
    // One sweep: every entry ages; unused entries older than MaxCache go.
    void AgeCache();
    // Drops unused entries older than n sweeps; MaxCache becomes n.
    void SetCacheCount(int n);
    // Drops every entry that no document uses.
    void PurgeCache();
    // Drops every entry.
    void Clear() { Entries.clear(); }

    int Count() const { return static_cast<int>(Entries.size()); }
    const std::string& Name(int index) const { return Entries[static_cast<std::size_t>(index)].first; }
    const TBitmapItem& Item(int index) const { return Entries[static_cast<std::size_t>(index)].second; }

private:
    void DropUnused(int olderThan);

    std::vector<std::pair<std::string, TBitmapItem>> Entries;
};

// The process-wide objects of the viewer's images: the colour depth, the
// shared palette, the cache, the pictures for pending and broken images,
// and the marker stream by which an image request says "later". The first
// `TViewerImagesUse` makes them anew (with the display's depth of then), the
// last one frees them; the accessors make them on demand too.
class TViewerImagesUse {
public:
    TViewerImagesUse();
    ~TViewerImagesUse();
    TViewerImagesUse(const TViewerImagesUse&) = delete;
    TViewerImagesUse& operator=(const TViewerImagesUse&) = delete;
};
TStringBitmapList& BitmapList();
// The colour depth the viewer's images work at (ColorBitsOfDepth of the
// display's depth when they were set up).
int ColorBits();
// The palette every document draws through on a display of 8 bits or
// fewer; null on others.
const gfx::Palette* SharedPalette();
// On a display of 8 bits or fewer, a bitmap of more than 8 bits a pixel
// becomes a copy of 8 bits a pixel that uses the shared palette (through a
// TDib); true when it did. Other bitmaps stay as they are.
bool ReduceToSharedPalette(gfx::Bitmap& bitmap);
// Shown while an image is not available yet.
const ThtBitmap& PendingImageBitmap();
// Shown, through its mask, for an image that cannot be loaded.
const ThtBitmap& BrokenImageBitmap();
// What an image request returns to have the image asked for again later.
gfx::Stream* DelayedImageMarker();

// The document's image-request event: a stream with the image of a name,
// DelayedImageMarker(), or null when there is none.
using TGetImageEvent = std::function<gfx::Stream*(const std::string& name)>;

// A mask of the pixels of one colour (white), the rest black.
gfx::Bitmap MakeColorMask(const gfx::Bitmap& bitmap, gfx::Color transparent);

// What FetchImage found.
struct TFetchedImage {
    std::shared_ptr<gfx::Graphic> Image;
    std::shared_ptr<const gfx::Bitmap> Mask;
    // True when the request event asked to wait; there is no image then.
    bool Delayed = false;
    bool FromCache = false;
};

// Fetches an image for a document, from the cache or by loading it (from
// the request event's stream, or from the file of that name) into the cache.
// `transparent` is 1 when the document asks for transparency from the
// bottom-left pixel; it becomes 2 for an image with transparency of its own.
// A non-animated GIF becomes a plain bitmap with its mask. An image that
// cannot be loaded gives no image. Running out of memory empties the cache
// of unused images and raises EOutOfResources "Out of Resources".
TFetchedImage FetchImage(const std::string& name, const TGetImageEvent& onImageRequest, int& transparent);

// Loads a picture from bytes by their kind: a BMP or JPEG as a bitmap, a PNG
// as a platform image (when a PNG reader is there). Fewer than 20 bytes, or
// another kind, give null; a damaged picture raises its reader's error.
std::unique_ptr<gfx::Graphic> LoadImageFromBytes(std::span<const uint8_t> bytes);
