#include "htmlviewer/ImageCache.h"

#include <algorithm>
#include <new>
#include <string>

#include "htmlviewer/Dib.h"
#include "htmlviewer/GpImage.h"
#include "model/FileSearch.h"
#include "model/TextConv.h"
#include "platform/gfx/Display.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"

namespace {

// The fewest bytes of an image stream worth reading.
constexpr std::size_t MinImageBytes = 20;

bool KeyLess(const std::pair<std::string, TBitmapItem>& entry, const std::string& key) { return entry.first < key; }

// ---- The pictures of unavailable images ------------------------------------------

// A 16 x 16 picture drawn from a pattern: one character a pixel.
gfx::Bitmap PatternBitmap(const char* const rows[16], gfx::Color (*colorOf)(char)) {
    gfx::Bitmap bitmap(16, 16, gfx::PixelFormat::pf24bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) bitmap.setPixel(x, y, colorOf(rows[y][x]));
    return bitmap;
}

gfx::Color PictureColor(char c) {
    switch (c) {
    case '#': return gfx::rgb(96, 96, 96);
    case 'x': return gfx::rgb(208, 0, 0);
    case 'o': return gfx::rgb(128, 128, 128);
    default: return gfx::clWhite;
    }
}

gfx::Color MaskColor(char c) { return c == ' ' ? gfx::clWhite : gfx::clBlack; }

// A page with a red cross; outside the page is transparent.
constexpr const char* BrokenRows[16] = {
    "                ", " ##########     ", " #........#     ", " #x......x.#    ", " #.x....x...#   ",
    " #..x..x.....#  ", " #...xx......#  ", " #...xx......#  ", " #..x..x.....#  ", " #.x....x....#  ",
    " #x......x...#  ", " #...........#  ", " #...........#  ", " #############  ", "                ",
    "                "};
// A framed box with three dots: the image is on its way.
constexpr const char* PendingRows[16] = {
    "################", "#..............#", "#..............#", "#..............#", "#..............#",
    "#..............#", "#..............#", "#..oo..oo..oo..#", "#..oo..oo..oo..#", "#..............#",
    "#..............#", "#..............#", "#..............#", "#..............#", "#..............#",
    "################"};

constexpr bool SixteenWide(const char* const (&rows)[16]) {
    for (const char* row : rows)
        if (std::char_traits<char>::length(row) != 16) return false;
    return true;
}
static_assert(SixteenWide(BrokenRows) && SixteenWide(PendingRows));

struct SharedImages {
    int ColorBits = ColorBitsOfDepth(gfx::displayColorDepth());
    // The shared palette and the reduction to it, at 8 bits or fewer.
    std::unique_ptr<TColorReducer> Reducer =
        ColorBits <= 8 ? std::make_unique<TColorReducer>(MakeSharedPalette(SystemPalette())) : nullptr;
    TStringBitmapList Cache;
    ThtBitmap Pending{PatternBitmap(PendingRows, PictureColor)};
    ThtBitmap Broken{PatternBitmap(BrokenRows, PictureColor),
                     std::make_shared<gfx::Bitmap>(
                         PatternBitmap(BrokenRows, MaskColor).convertedTo(gfx::PixelFormat::pf1bit))};
    gfx::MemoryStream DelayedMarker;
};

std::unique_ptr<SharedImages> Shared;
int SharedUsers = 0;

SharedImages& Images() {
    if (!Shared) Shared = std::make_unique<SharedImages>();
    return *Shared;
}

// ---- Loading ----------------------------------------------------------------------

// A GIF as the viewer shows it: an animation, or a plain bitmap (its only
// frame) with its mask.
std::shared_ptr<gfx::Graphic> GifGraphic(std::unique_ptr<TGIFImage> gif, bool nonAnimated,
                                         std::shared_ptr<const gfx::Bitmap>& mask, int& transparent) {
    if (!nonAnimated) return std::shared_ptr<gfx::Graphic>(std::move(gif));
    auto bitmap = std::make_shared<ThtBitmap>(gif->GetBitmap());
    if (bitmap->Mask) {
        mask = bitmap->Mask;
        transparent = 2;
    }
    return bitmap;
}

}  // namespace

TImageType GetImageType(std::span<const uint8_t> b) {
    if (b.size() >= 5 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8')
        return b[4] == '9' ? TImageType::Gif89 : TImageType::Gif87;
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return TImageType::Bmp;
    if (b.size() >= 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return TImageType::Png;
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8) return TImageType::Jpeg;
    return TImageType::NoImage;
}

// ---- The cache --------------------------------------------------------------------

void TStringBitmapList::AddObject(const std::string& name, TBitmapItem item) {
    const std::string key = UpperCase(name);
    ++item.UsageCount;
    auto it = std::lower_bound(Entries.begin(), Entries.end(), key, KeyLess);
    if (it != Entries.end() && it->first == key)
        it->second = std::move(item);
    else
        Entries.insert(it, {key, std::move(item)});
}

int TStringBitmapList::IndexOf(const std::string& name) const {
    const std::string key = UpperCase(name);
    auto it = std::lower_bound(Entries.begin(), Entries.end(), key, KeyLess);
    return it != Entries.end() && it->first == key ? static_cast<int>(it - Entries.begin()) : -1;
}

TBitmapItem& TStringBitmapList::GetImage(int index) {
    TBitmapItem& item = Entries[static_cast<std::size_t>(index)].second;
    item.AccessCount = 0;
    ++item.UsageCount;
    return item;
}

void TStringBitmapList::DecUsage(const std::string& name) {
    const int i = IndexOf(name);
    if (i >= 0) {
        TBitmapItem& item = Entries[static_cast<std::size_t>(i)].second;
        item.UsageCount = std::max(0, item.UsageCount - 1);
    }
}

void TStringBitmapList::DropUnused(int olderThan) {
    std::erase_if(Entries, [&](const auto& e) { return e.second.UsageCount <= 0 && e.second.AccessCount > olderThan; });
}

void TStringBitmapList::AgeCache() {
    for (auto& entry : Entries) ++entry.second.AccessCount;
    DropUnused(MaxCache);
}

void TStringBitmapList::SetCacheCount(int n) {
    DropUnused(n);
    MaxCache = n;
}

void TStringBitmapList::PurgeCache() { DropUnused(-1); }

// ---- Process-wide objects ---------------------------------------------------------

TViewerImagesUse::TViewerImagesUse() {
    if (SharedUsers++ == 0) Shared = std::make_unique<SharedImages>();
}

TViewerImagesUse::~TViewerImagesUse() {
    if (--SharedUsers == 0) Shared.reset();
}

TStringBitmapList& BitmapList() { return Images().Cache; }
int ColorBits() { return Images().ColorBits; }

const gfx::Palette* SharedPalette() {
    const SharedImages& images = Images();
    return images.Reducer ? &images.Reducer->Palette() : nullptr;
}

bool ReduceToSharedPalette(gfx::Bitmap& bitmap) {
    const SharedImages& images = Images();
    if (!images.Reducer || bitmap.empty() || bitmap.bitsPerPixel() <= 8) return false;
    bitmap = images.Reducer->Reduce(bitmap);
    return true;
}
const ThtBitmap& PendingImageBitmap() { return Images().Pending; }
const ThtBitmap& BrokenImageBitmap() { return Images().Broken; }
gfx::Stream* DelayedImageMarker() { return &Images().DelayedMarker; }

// ---- Loading ----------------------------------------------------------------------

gfx::Bitmap MakeColorMask(const gfx::Bitmap& bitmap, gfx::Color transparent) {
    gfx::Bitmap mask(bitmap.width(), bitmap.height(), gfx::PixelFormat::pf1bit);
    const gfx::PixelFormat format = bitmap.pixelFormat();
    if (format == gfx::PixelFormat::pf24bit || format == gfx::PixelFormat::pf32bit) {
        // The colour's bytes compared in place: a picture of the viewer's
        // largest size is masked without a call per pixel.
        const int step = format == gfx::PixelFormat::pf24bit ? 3 : 4;
        const uint8_t r = gfx::redOf(transparent), g = gfx::greenOf(transparent), b = gfx::blueOf(transparent);
        // Only a plain colour can equal a pixel's.
        const bool plain = (transparent & 0xFF000000) == 0;
        for (int y = 0; plain && y < bitmap.height(); ++y) {
            const uint8_t* source = bitmap.scanLine(y);
            uint8_t* row = mask.scanLine(y);
            for (int x = 0; x < bitmap.width(); ++x, source += step)
                if (source[0] == b && source[1] == g && source[2] == r) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
        return mask;
    }
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t* row = mask.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y) == transparent) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    return mask;
}

std::unique_ptr<gfx::Graphic> LoadImageFromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() < MinImageBytes) return nullptr;
    gfx::MemoryStream stream(bytes);
    switch (GetImageType(bytes.first(std::min<std::size_t>(bytes.size(), 11)))) {
    case TImageType::Bmp: {
        const gfx::GraphicClass* cls = gfx::pictureFormats().classForExtension("bmp");
        if (!cls) return nullptr;
        std::unique_ptr<gfx::Graphic> graphic = cls->create();
        graphic->loadFromStream(stream);
        return std::make_unique<gfx::Bitmap>(graphic->toBitmap());
    }
    case TImageType::Jpeg: {
        auto jpeg = std::make_unique<gfx::JpegImage>();
        jpeg->loadFromStream(stream);
        return jpeg;
    }
    case TImageType::Png:
        if (!GDIPlusActive()) return nullptr;
        return TGpImage::FromBytes(bytes);
    default: return nullptr;
    }
}

TFetchedImage FetchImage(const std::string& name, const TGetImageEvent& onImageRequest, int& transparent) {
    TFetchedImage result;
    if (name.empty()) return result;
    TStringBitmapList& cache = BitmapList();
    const std::string key = UpperCase(Trim(name));
    const int index = cache.IndexOf(key);
    if (index >= 0) {
        TBitmapItem& item = cache.GetImage(index);
        result.FromCache = true;
        result.Image = item.CachedImage;
        auto* bitmap = dynamic_cast<gfx::Bitmap*>(item.CachedImage.get());
        if (bitmap && !bitmap->empty() && !dynamic_cast<gfx::JpegImage*>(bitmap)) {
            if (item.Transp == 2)
                transparent = 2;
            else if (transparent == 1 && !item.Mask)
                item.Mask = std::make_shared<gfx::Bitmap>(MakeColorMask(*bitmap, bitmap->pixel(0, bitmap->height() - 1)));
        }
        result.Mask = item.Mask;
        return result;
    }

    std::shared_ptr<gfx::Graphic> image;
    std::shared_ptr<const gfx::Bitmap> mask;
    try {
        if (onImageRequest) {
            gfx::Stream* stream = onImageRequest(name);
            if (stream == DelayedImageMarker()) {
                result.Delayed = true;
                return result;
            }
            if (!stream) return result;
            stream->seek(0);
            const std::vector<uint8_t> bytes = stream->readAll();
            if (bytes.size() < MinImageBytes) return result;
            const TImageType type = GetImageType(bytes);
            if (type == TImageType::Gif87 || type == TImageType::Gif89) {
                gfx::MemoryStream gifStream(bytes);
                bool nonAnimated = false;
                auto gif = TGIFImage::CreateFromStream(gifStream, nonAnimated);
                image = GifGraphic(std::move(gif), nonAnimated, mask, transparent);
            } else {
                image = LoadImageFromBytes(bytes);
            }
        } else {
            // The name may have been upper-cased by the document: find the
            // file as it is spelled on disk. Only a regular file is read: a
            // FIFO or a device that a page names would hold the viewer in
            // open or in the read for good.
            const std::string file = FileNameAsOnDisk(name);
            if (!FileExistsNonBlank(file)) return result;
            if (UpperCase(ExtractFileExt(file)) == ".GIF") {
                bool nonAnimated = false;
                auto gif = TGIFImage::CreateFromFile(file, nonAnimated);
                image = GifGraphic(std::move(gif), nonAnimated, mask, transparent);
            } else {
                gfx::FileStream stream(file);
                image = LoadImageFromBytes(stream.readAll());
            }
        }
        if (!image) return result;
        auto* bitmap = dynamic_cast<gfx::Bitmap*>(image.get());
        if (dynamic_cast<gfx::JpegImage*>(image.get())) {
            transparent = 0;
        } else if (bitmap && !bitmap->empty() && transparent == 1 && !mask) {
            mask = std::make_shared<gfx::Bitmap>(MakeColorMask(*bitmap, bitmap->pixel(0, bitmap->height() - 1)));
        }
        // On a display of 8 bits or fewer a bitmap (a JPEG in colour among
        // them) takes the shared palette; a grey JPEG keeps its own.
        if (bitmap) ReduceToSharedPalette(*bitmap);
    } catch (const std::bad_alloc&) {
        cache.PurgeCache();
        throw gfx::EOutOfResources(gfx::OutOfResourcesText);
    } catch (const gfx::EOutOfResources&) {
        cache.PurgeCache();
        throw;
    } catch (const gfx::Error&) {
        return result;  // not an image this viewer can show
    }
    TBitmapItem item;
    item.Transp = transparent;
    item.CachedImage = image;
    item.Mask = mask;
    cache.AddObject(key, std::move(item));
    result.Image = std::move(image);
    result.Mask = std::move(mask);
    return result;
}
