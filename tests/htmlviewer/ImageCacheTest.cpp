// The viewer's image cache, image loading by name and by request, and the
// PNG wrapper with the transparency of the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "htmlviewer/GpImage.h"
#include "htmlviewer/ImageCache.h"
#include "model/TextConv.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/RecordingCanvas.h"
#include "tests/htmlviewer/ImageTestSupport.h"

#ifdef MIRELAN_QT_PICTURES
#include "imageformats/ImageRegistration.h"
#include "platform/qt/QtImageFormats.h"
#endif

namespace fs = std::filesystem;

namespace {

// A cache entry of a plain bitmap, used by `documents` documents.
TBitmapItem Entry() {
    TBitmapItem item;
    item.CachedImage = std::make_shared<gfx::Bitmap>(1, 1);
    return item;
}

TEST(ImageCache, UnusedEntriesAgeOut) {
    TStringBitmapList cache;
    cache.AddObject("unused.gif", Entry());
    cache.AddObject("used.gif", Entry());
    cache.DecUsage("UNUSED.GIF");
    EXPECT_EQ(cache.IndexOf("Unused.Gif"), 0);  // sorted by upper-case name
    for (int sweep = 1; sweep <= 4; ++sweep) {
        cache.AgeCache();
        EXPECT_GE(cache.IndexOf("unused.gif"), 0) << "sweep " << sweep;
    }
    cache.AgeCache();  // the fifth sweep since it was last fetched
    EXPECT_EQ(cache.IndexOf("unused.gif"), -1);
    for (int sweep = 0; sweep < 20; ++sweep) cache.AgeCache();
    ASSERT_EQ(cache.IndexOf("used.gif"), 0);  // in use: never dropped
    EXPECT_EQ(cache.Item(0).AccessCount, 25);

    // A fetch starts the count again.
    TBitmapItem& item = cache.GetImage(0);
    EXPECT_EQ(item.AccessCount, 0);
    EXPECT_EQ(item.UsageCount, 2);
    for (int i = 0; i < 3; ++i) cache.DecUsage("used.gif");  // never below 0
    EXPECT_EQ(cache.Item(0).UsageCount, 0);

    // A smaller cache count drops what is older at once; a purge drops every
    // unused entry.
    cache.AddObject("b.gif", Entry());
    cache.AgeCache();
    cache.AgeCache();
    cache.SetCacheCount(1);
    EXPECT_EQ(cache.MaxCache, 1);
    EXPECT_EQ(cache.IndexOf("used.gif"), -1);
    EXPECT_GE(cache.IndexOf("b.gif"), 0);
    cache.AddObject("c.gif", Entry());
    cache.DecUsage("c.gif");
    cache.PurgeCache();
    EXPECT_EQ(cache.Count(), 1);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0);
}

TEST(ImageCache, ImagesAreKnownByTheirFirstBytes) {
    using B = std::vector<uint8_t>;
    const std::vector<std::pair<B, TImageType>> cases = {
        {B{'G', 'I', 'F', '8', '9', 'a'}, TImageType::Gif89}, {B{'G', 'I', 'F', '8', '7', 'a'}, TImageType::Gif87},
        {B{'B', 'M', 0}, TImageType::Bmp},                     {B{0x89, 'P', 'N', 'G', 13}, TImageType::Png},
        {B{0xFF, 0xD8, 0xFF}, TImageType::Jpeg},               {B{'G', 'I', 'F', '9'}, TImageType::NoImage},
        {B{'M', 'B'}, TImageType::NoImage},                    {B{}, TImageType::NoImage},
    };
    for (const auto& [bytes, type] : cases) EXPECT_EQ(GetImageType(bytes), type);
}

// A one-frame GIF of three pixels whose middle one is transparent.
std::vector<uint8_t> TransparentGif() {
    return Gif(3, 1, Cat({0x21, 0xF9, 4, 0x01, 0, 0, 1, 0},
                         ImageBlock(0, 0, 3, 1, 2, PackCodes({{4, 3}, {0, 3}, {1, 3}, {0, 3}, {5, 3}}))));
}

class FetchImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_IMAGE_FIXTURES();
#ifdef MIRELAN_QT_PICTURES
        img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
#else
        GTEST_SKIP() << "no BMP and PNG readers without the Qt side";
#endif
        BitmapList().Clear();
        dir = fs::temp_directory_path() / ("mirelan_images_" + std::to_string(::getpid()));
        fs::create_directories(dir / "img");
        for (const char* name : {"im_anim.gif", "picture.bmp", "picture.jpg", "trns_palette.png"})
            fs::copy_file(FixturePath(name), dir / "img" / name);
        fs::copy_file(FixturePath("gb_plain.gif"), dir / "img" / "PLAIN.GIF");
        fs::copy_file(FixturePath("gb_plain.gif"), dir / "img" / "gif.img");
        std::ofstream(dir / "img" / "single.gif", std::ios::binary)
            .write(reinterpret_cast<const char*>(TransparentGif().data()), static_cast<std::streamsize>(TransparentGif().size()));
    }
    void TearDown() override {
        BitmapList().Clear();
        if (!dir.empty()) fs::remove_all(dir);
    }
    std::string File(const std::string& name) const { return (dir / "img" / name).generic_string(); }

    TViewerImagesUse use;
    fs::path dir;
};

TEST_F(FetchImageTest, FilesLoadByExtensionOrContent) {
    struct Case {
        std::string name;
        int askedTransparency;
        const char* kind;  // "gif", "bitmap", "jpeg", "png" or "" for none
        int transparency;
        bool masked;
    };
    const std::vector<Case> cases = {
        {"im_anim.gif", 0, "gif", 0, false},
        {"PLAIN.GIF", 0, "bitmap", 0, false},              // one frame: a plain bitmap
        {"single.gif", 0, "bitmap", 2, true},              // with its own transparency
        {"picture.bmp", 1, "bitmap", 1, true},             // masked by its bottom-left pixel
        {"PICTURE.BMP", 0, "bitmap", 0, true},             // the same entry, with its mask
        {"picture.jpg", 1, "jpeg", 0, false},              // a JPEG is never transparent
        {"trns_palette.png", 0, "png", 0, false},
        {"gif.img", 0, "", 0, false},                      // a GIF must be named so
        {"missing.bmp", 0, "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int transparent = c.askedTransparency;
        const TFetchedImage fetched = FetchImage(File(c.name), nullptr, transparent);
        const std::string kind = !fetched.Image                                             ? ""
                                 : dynamic_cast<TGIFImage*>(fetched.Image.get())            ? "gif"
                                 : dynamic_cast<gfx::JpegImage*>(fetched.Image.get())       ? "jpeg"
                                 : dynamic_cast<TGpImage*>(fetched.Image.get())             ? "png"
                                 : dynamic_cast<gfx::Bitmap*>(fetched.Image.get())          ? "bitmap"
                                                                                            : "other";
        EXPECT_EQ(kind, c.kind);
        EXPECT_EQ(transparent, c.transparency);
        EXPECT_EQ(fetched.Mask != nullptr, c.masked);
    }
    // The BMP's mask: its bottom-left colour (yellow) is transparent.
    int transparent = 1;
    const TFetchedImage bmp = FetchImage(File("picture.bmp"), nullptr, transparent);
    EXPECT_TRUE(bmp.FromCache);
    ASSERT_NE(bmp.Mask, nullptr);
    EXPECT_EQ(bmp.Mask->pixel(0, 3), gfx::clWhite);
    EXPECT_EQ(bmp.Mask->pixel(4, 0), gfx::clWhite);
    EXPECT_EQ(bmp.Mask->pixel(1, 1), gfx::clBlack);
    // The one-frame GIF's mask comes from its transparent index.
    transparent = 0;
    const TFetchedImage single = FetchImage(File("single.gif"), nullptr, transparent);
    EXPECT_EQ(transparent, 2);
    EXPECT_EQ(single.Mask->pixel(1, 0), gfx::clWhite);
    EXPECT_EQ(single.Mask->pixel(0, 0), gfx::clBlack);
}

TEST_F(FetchImageTest, TheCacheHoldsEachImageOnce) {
    int transparent = 0;
    const TFetchedImage first = FetchImage(File("im_anim.gif"), nullptr, transparent);
    const TFetchedImage second = FetchImage(" " + File("im_anim.gif") + " ", nullptr, transparent);
    EXPECT_FALSE(first.FromCache);
    EXPECT_TRUE(second.FromCache);
    EXPECT_EQ(first.Image, second.Image);
    const int index = BitmapList().IndexOf(File("im_anim.gif"));
    ASSERT_GE(index, 0);
    EXPECT_EQ(BitmapList().Item(index).UsageCount, 2);
    // The document hands over upper-cased names: the file is found as it is
    // spelled on disk.
    const TFetchedImage upper = FetchImage(UpperCase(File("trns_palette.png")), nullptr, transparent);
    EXPECT_FALSE(upper.FromCache);
    EXPECT_NE(upper.Image, nullptr);
    // A later transparency request masks a cached bitmap on first use.
    FetchImage(File("picture.bmp"), nullptr, transparent);
    transparent = 1;
    EXPECT_NE(FetchImage(File("picture.bmp"), nullptr, transparent).Mask, nullptr);
}

TEST_F(FetchImageTest, TheRequestEventSuppliesStreams) {
    const std::vector<uint8_t> gif = ReadBytes(FixturePath("im_anim.gif"));
    const std::vector<uint8_t> bmp = ReadBytes(FixturePath("picture.bmp"));
    gfx::MemoryStream gifStream(gif), bmpStream(bmp), shortStream(std::vector<uint8_t>(gif.begin(), gif.begin() + 19));
    std::vector<std::string> asked;
    const TGetImageEvent request = [&](const std::string& name) -> gfx::Stream* {
        asked.push_back(name);
        if (name == "later") return DelayedImageMarker();
        if (name == "anim") return &gifStream;
        if (name == "bmp") return &bmpStream;
        if (name == "short") return &shortStream;
        return nullptr;
    };
    int transparent = 0;
    EXPECT_TRUE(FetchImage("later", request, transparent).Delayed);
    EXPECT_NE(dynamic_cast<TGIFImage*>(FetchImage("anim", request, transparent).Image.get()), nullptr);
    EXPECT_NE(FetchImage("bmp", request, transparent).Image, nullptr);
    EXPECT_EQ(FetchImage("short", request, transparent).Image, nullptr);
    EXPECT_EQ(FetchImage("none", request, transparent).Image, nullptr);
    EXPECT_EQ(FetchImage("", request, transparent).Image, nullptr);
    EXPECT_TRUE(FetchImage("anim", request, transparent).FromCache);
    EXPECT_EQ(asked, (std::vector<std::string>{"later", "anim", "bmp", "short", "none"}));
}

TEST_F(FetchImageTest, DamagedPicturesGiveNoImage) {
    // Cut and flipped copies of each kind, handed over by the request event:
    // each loads or gives no image, and never raises.
    uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    int none = 0;
    for (const char* name : {"picture.bmp", "picture.jpg", "trns_palette.png", "rgba.png", "im_anim.gif"}) {
        const std::vector<uint8_t> original = ReadBytes(FixturePath(name));
        for (int round = 0; round < 40; ++round) {
            std::vector<uint8_t> bytes = original;
            if (round % 2) bytes.resize(next() % bytes.size());
            else bytes[next() % bytes.size()] ^= static_cast<uint8_t>(1 + next() % 255);
            ReadPngTransparency(bytes);
            gfx::MemoryStream stream(bytes);
            int transparent = 1;
            BitmapList().Clear();
            none += FetchImage("x", [&](const std::string&) { return &stream; }, transparent).Image == nullptr;
        }
    }
    EXPECT_GT(none, 20);
}

// The mask of a colour holds exactly the pixels that show that colour, in
// every pixel format, across byte and row padding; a colour no pixel can
// show (none, a palette colour) masks nothing.
TEST(ImageCache, ColorMasksHoldThePixelsOfTheColor) {
    using enum gfx::PixelFormat;
    for (const gfx::PixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(static_cast<int>(format));
        gfx::Bitmap bitmap(19, 5, format);
        unsigned seed = 7;  // few distinct values, so that each colour shows several times
        for (int y = 0; y < bitmap.height(); ++y)
            for (int i = 0; i < bitmap.bytesPerLine(); ++i) {
                seed = seed * 1103515245u + 12345u;
                bitmap.scanLine(y)[i] = static_cast<uint8_t>((seed >> 16) % 3 * 0x55);
            }
        const gfx::Color shown = bitmap.pixel(4, 2);
        for (const gfx::Color color : {shown, bitmap.pixel(18, 4), gfx::clNone, shown | gfx::PaletteRelativeFlag}) {
            const gfx::Bitmap mask = MakeColorMask(bitmap, color);
            for (int y = 0; y < bitmap.height(); ++y)
                for (int x = 0; x < bitmap.width(); ++x)
                    EXPECT_EQ((mask.scanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0, bitmap.pixel(x, y) == color) << x << "," << y;
        }
    }
}

TEST(ImageCache, PicturesOfUnavailableImages) {
    TViewerImagesUse use;
    EXPECT_EQ(PendingImageBitmap().width(), 16);
    const ThtBitmap& broken = BrokenImageBitmap();
    ASSERT_NE(broken.Mask, nullptr);
    EXPECT_EQ(broken.Mask->pixel(0, 0), gfx::clWhite);
    EXPECT_EQ(broken.Mask->pixel(2, 3), gfx::clBlack);
    EXPECT_EQ(broken.pixel(2, 3), gfx::rgb(208, 0, 0));
    EXPECT_NE(DelayedImageMarker(), nullptr);
}

// ---- The PNG wrapper ----------------------------------------------------------------

// Alpha of each pixel of a pf32bit bitmap, row by row.
std::vector<int> AlphaOf(const gfx::Bitmap& bitmap) {
    std::vector<int> alpha;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) alpha.push_back(bitmap.scanLine(y)[4 * x + 3]);
    return alpha;
}

TEST(GpImage, TransparencyOfTheFileReachesAReaderWithoutIt) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    // Bitmaps as a reader that keeps palettes and ignores tRNS gives them.
    gfx::Bitmap palette(3, 2, gfx::PixelFormat::pf8bit);
    palette.setPalette(gfx::Palette({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}));
    const uint8_t indices[6] = {0, 1, 2, 2, 1, 0};
    for (int i = 0; i < 6; ++i) palette.scanLine(i / 3)[i % 3] = indices[i];
    gfx::Bitmap gray(3, 1, gfx::PixelFormat::pf8bit);
    gray.setPalette(gfx::Palette::gray(8));
    gray.scanLine(0)[0] = 0, gray.scanLine(0)[1] = 128, gray.scanLine(0)[2] = 255;
    gfx::Bitmap rgb(2, 1, gfx::PixelFormat::pf24bit);
    rgb.setPixel(0, 0, gfx::rgb(1, 2, 3));
    rgb.setPixel(1, 0, gfx::rgb(4, 5, 6));
    struct Case {
        const char* file;
        gfx::Bitmap bitmap;
        std::vector<int> alpha;
    };
    const std::vector<Case> cases = {
        {"trns_palette.png", palette, {255, 0, 128, 128, 0, 255}},
        {"trns_gray.png", gray, {255, 0, 255}},
        {"trns_rgb.png", rgb, {255, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        gfx::Bitmap bitmap = c.bitmap;
        ApplyPngTransparency(bitmap, ReadPngTransparency(ReadBytes(FixturePath(c.file))));
        ASSERT_EQ(bitmap.pixelFormat(), gfx::PixelFormat::pf32bit);
        EXPECT_TRUE(bitmap.hasAlpha());
        EXPECT_EQ(AlphaOf(bitmap), c.alpha);
        EXPECT_EQ(bitmap.pixel(0, 0), c.bitmap.pixel(0, 0));
    }
    // A file without tRNS, and no PNG at all, change nothing.
    for (const std::vector<uint8_t>& bytes : {ReadBytes(FixturePath("rgba.png")), std::vector<uint8_t>{1, 2, 3}}) {
        gfx::Bitmap bitmap = rgb;
        ApplyPngTransparency(bitmap, ReadPngTransparency(bytes));
        EXPECT_EQ(bitmap.pixelFormat(), gfx::PixelFormat::pf24bit);
    }
}

#ifdef MIRELAN_QT_PICTURES
TEST(GpImage, PngFilesLoadWithTheirAlpha) {
    SKIP_WITHOUT_IMAGE_FIXTURES();
    img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
    ASSERT_TRUE(GDIPlusActive());
    const std::vector<std::pair<const char*, std::vector<int>>> cases = {
        {"trns_palette.png", {255, 0, 128, 128, 0, 255}},
        {"trns_gray.png", {255, 0, 255}},
        {"trns_rgb.png", {255, 0}},
        {"rgba.png", {255, 64}},
    };
    for (const auto& [file, alpha] : cases) {
        const TGpImage image(FixturePath(file));
        EXPECT_EQ(AlphaOf(image.Bitmap().convertedTo(gfx::PixelFormat::pf32bit)), alpha) << file;
    }

    // Drawn blended over the background.
    const TGpImage rgba(FixturePath("rgba.png"));
    gfx::RecordingCanvas canvas(4, 2);
    TGpGraphics(canvas).DrawImage(rgba, 0, 0, 4, 2);
    EXPECT_EQ(canvas.pixels().pixel(0, 0), gfx::rgb(10, 20, 30));
    const gfx::Color mixed = canvas.pixels().pixel(3, 1);
    EXPECT_GT(gfx::redOf(mixed), 40);
    EXPECT_LT(gfx::redOf(mixed), 255);

    // Missing and unreadable files.
    const std::vector<std::pair<std::string, std::string>> errors = {
        {"no/such.png", "Image file no/such.png not found."},
        {FixturePath("picture.bmp"), "Can't load image file " + FixturePath("picture.bmp") + "."},
    };
    for (const auto& [file, message] : errors) {
        try {
            TGpImage image(file);
            ADD_FAILURE() << "no error for " << file;
        } catch (const EGDIPlus& e) {
            EXPECT_EQ(e.what(), message);
        }
    }

    // A temporary image deletes its file.
    const fs::path temporary = fs::temp_directory_path() / ("mirelan_png_" + std::to_string(::getpid()) + ".png");
    fs::copy_file(FixturePath("rgba.png"), temporary);
    TGpImage::CreateTemporary(temporary.string()).reset();
    EXPECT_FALSE(fs::exists(temporary));
}
#endif

}  // namespace
