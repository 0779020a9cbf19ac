// The viewer on a display of 8 bits or fewer, with the depth fixed as the
// platform layer lets a test fix it: the colour depth it works at, the
// shared palette, device-independent copies, colour pictures reduced to the
// shared palette (JPEG ones as they are decoded), and the document and its
// bitmaps painted through the palette.
#include <gtest/gtest.h>

#include <tuple>

#include "DocumentTestSupport.h"
#include "htmlviewer/Dib.h"
#include "htmlviewer/GifImage.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/Display.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"

namespace {

// A display of the given depth while it lives; the viewer's images are set
// up anew for it.
struct DisplayDepth {
    explicit DisplayDepth(int bits) { gfx::setDisplayColorDepth(bits); }
    ~DisplayDepth() { gfx::setDisplayColorDepth(0); }
};

std::tuple<int, int, int> Rgb(const gfx::PaletteEntry& e) { return {e.r, e.g, e.b}; }

TEST(ViewerPalette, ColorBitsOfTheDisplay) {
    for (const auto& [depth, bits] : std::vector<std::pair<int, int>>{
             {1, 4}, {4, 4}, {5, 8}, {8, 8}, {9, 24}, {16, 24}, {24, 24}, {32, 24}})
        EXPECT_EQ(ColorBitsOfDepth(depth), bits) << depth;
    for (const int depth : {8, 24}) {
        const DisplayDepth display(depth);
        const TViewerImagesUse use;
        EXPECT_EQ(ColorBits(), depth);
        EXPECT_EQ(SharedPalette() != nullptr, depth == 8);
    }
}

TEST(ViewerPalette, SharedPaletteIsTheCubeAndTheGreys) {
    const gfx::Palette system = SystemPalette();
    const gfx::Palette shared = MakeSharedPalette(system);
    ASSERT_EQ(shared.count(), 256);
    // The display's own colours at both ends, black first and white last.
    for (int i : {0, 9, 246, 255}) EXPECT_EQ(shared[i], system[i]) << i;
    EXPECT_EQ(Rgb(shared[0]), std::make_tuple(0, 0, 0));
    EXPECT_EQ(Rgb(shared[255]), std::make_tuple(255, 255, 255));
    // From 10 the cube over six levels, red changing fastest and blue
    // slowest, white left out; then the greys 5k + 130 but the cube's.
    const int levels[] = {55, 115, 165, 205, 235, 255};
    int i = 10;
    std::vector<std::tuple<int, int, int>> expected;
    for (int b : levels)
        for (int g : levels)
            for (int r : levels)
                if (r + g + b < 3 * 255) expected.emplace_back(r, g, b);
    for (int k = 1; k <= 24; ++k)
        if (k != 7 && k != 15 && k != 21) expected.emplace_back(5 * k + 130, 5 * k + 130, 5 * k + 130);
    for (const auto& rgb : expected) EXPECT_EQ(Rgb(shared[i++]), rgb) << i - 1;
    EXPECT_EQ(i, 246);
}

TEST(ViewerPalette, DibCopiesRowsBottomUpInWholeWords) {
    struct Case {
        gfx::PixelFormat format;
        int width;
        int bits;
        int rowSize;
        int colors;
    };
    const std::vector<Case> cases = {
        {gfx::PixelFormat::pf1bit, 33, 1, 8, 2},   {gfx::PixelFormat::pf4bit, 9, 4, 8, 16},
        {gfx::PixelFormat::pf8bit, 5, 8, 8, 256},  {gfx::PixelFormat::pf15bit, 3, 24, 12, 0},
        {gfx::PixelFormat::pf24bit, 3, 24, 12, 0}, {gfx::PixelFormat::pf32bit, 2, 24, 8, 0},
    };
    auto u32 = [](const std::vector<uint8_t>& b, int at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    };
    for (const Case& c : cases) {
        gfx::Bitmap bitmap(c.width, 3, c.format);
        bitmap.setPixel(0, 0, gfx::clWhite);
        bitmap.setPixel(c.width - 1, 2, gfx::clRed);
        const TDib dib(bitmap);
        EXPECT_EQ(dib.Bits(), c.bits);
        EXPECT_EQ(dib.RowSize(), c.rowSize);
        ASSERT_EQ(dib.Info().size(), 40u + 4u * static_cast<unsigned>(c.colors));
        EXPECT_EQ(u32(dib.Info(), 0), 40u);
        EXPECT_EQ(u32(dib.Info(), 4), static_cast<uint32_t>(c.width));
        EXPECT_EQ(u32(dib.Info(), 8), 3u);  // positive: bottom-up
        EXPECT_EQ(dib.Info()[14], c.bits);
        EXPECT_EQ(dib.Pixels().size(), static_cast<std::size_t>(3 * c.rowSize));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < c.width; ++x) EXPECT_EQ(dib.Pixel(x, y), bitmap.pixel(x, y)) << c.bits << " " << x << "," << y;
        if (c.bits == 24) {
            EXPECT_EQ(dib.Pixels()[static_cast<std::size_t>(2 * c.rowSize)], 255);  // the top row is stored last
        }
    }
}

TEST(ViewerPalette, ColourPicturesTakeTheSharedPaletteOnAnEightBitDisplay) {
    const DisplayDepth display(8);
    const TViewerImagesUse use;
    ASSERT_NE(SharedPalette(), nullptr);
    gfx::Bitmap colour(4, 2, gfx::PixelFormat::pf24bit);
    colour.setPixel(0, 0, gfx::rgb(50, 60, 50));
    colour.setPixel(1, 0, gfx::rgb(250, 10, 10));
    colour.setPixel(2, 0, gfx::rgb(140, 140, 138));
    colour.setPixel(3, 1, gfx::clWhite);
    gfx::Bitmap reduced = colour;
    ASSERT_TRUE(ReduceToSharedPalette(reduced));
    EXPECT_EQ(reduced.pixelFormat(), gfx::PixelFormat::pf8bit);
    EXPECT_EQ(reduced.palette(), *SharedPalette());
    const std::vector<gfx::Color> nearest = {gfx::rgb(55, 55, 55), gfx::rgb(255, 0, 0), gfx::rgb(140, 140, 140),
                                             gfx::clBlack};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(reduced.pixel(x, 0), nearest[static_cast<std::size_t>(x)]) << x;
    EXPECT_EQ(reduced.pixel(3, 1), gfx::clWhite);
    EXPECT_FALSE(ReduceToSharedPalette(reduced));  // 8 bits already

    // A JPEG in colour comes at 8 bits with the shared palette; a grey one
    // keeps its grey levels.
    gfx::Bitmap grey(4, 2, gfx::PixelFormat::pf8bit);
    grey.setPalette(gfx::Palette::gray(8));
    const std::vector<uint8_t> jpegs[] = {gfx::encodeJpeg(colour, 100), gfx::encodeJpeg(grey, 100)};
    std::unique_ptr<gfx::MemoryStream> stream;
    auto request = [&](const std::string& name) {
        stream = std::make_unique<gfx::MemoryStream>(std::span<const uint8_t>(jpegs[name == "grey" ? 1 : 0]));
        return stream.get();
    };
    int transparent = 0;
    const TFetchedImage fetched = FetchImage("colour", request, transparent);
    const auto* jpeg = dynamic_cast<const gfx::JpegImage*>(fetched.Image.get());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->pixelFormat(), gfx::PixelFormat::pf8bit);
    EXPECT_EQ(jpeg->palette(), *SharedPalette());
    const TFetchedImage greyFetched = FetchImage("grey", request, transparent);
    const auto* greyJpeg = dynamic_cast<const gfx::JpegImage*>(greyFetched.Image.get());
    ASSERT_NE(greyJpeg, nullptr);
    EXPECT_EQ(greyJpeg->palette(), gfx::Palette::gray(8));
    BitmapList().Clear();
}

// The document paints through the shared palette (its colours come out as
// the nearest entries) and gives the canvas its palette back; a bitmap with
// a palette of its own is drawn through that one, halftoned.
TEST(ViewerPalette, DocumentsAndBitmapsPaintThroughThePalette) {
    for (const int depth : {8, 24}) {
        SCOPED_TRACE(depth);
        const DisplayDepth display(depth);
        const TViewerImagesUse use;
        TSectionList doc;
        doc.ShowImages = false;
        TMyFont font = DocFont(doc);
        font.Font.color = PaletteRelative(gfx::rgb(50, 60, 50));  // as the document sets every colour
        auto para = std::make_unique<TSection>(&doc, LeftJustify, TUrlTarget{}, font, 0);
        para->AddTokenObj(Tok("text"), false);
        doc.Add(std::move(para));
        gfx::RecordingCanvas canvas;
        int curs = 0, maxWidth = 0;
        doc.LayOutContent(canvas, 0, 300, curs, maxWidth);
        doc.Draw(canvas, {0, 0, 300, 100}, 0, 0);
        ASSERT_FALSE(canvas.log.empty());
        EXPECT_NE(canvas.log[0].find(depth == 8 ? "#373737" : "#323C32"), std::string::npos) << canvas.log[0];
        EXPECT_EQ(canvas.selectedPalette(), nullptr);
    }
    gfx::RecordingCanvas canvas;
    ThtBitmap indexed(gfx::Bitmap(2, 2, gfx::PixelFormat::pf8bit));
    ThtBitmap colour(gfx::Bitmap(2, 2, gfx::PixelFormat::pf24bit));
    indexed.draw(canvas, {0, 0, 4, 4});
    colour.draw(canvas, {0, 0, 4, 4});
    EXPECT_EQ(canvas.log, (std::vector<std::string>{"bitmap 0,0,4,4 from 0,0,2,2 of 2x2 halftone",
                                                    "bitmap 0,0,4,4 from 0,0,2,2 of 2x2"}));
    EXPECT_EQ(canvas.selectedPalette(), nullptr);
    EXPECT_EQ(canvas.stretchMode(), gfx::Canvas::StretchMode::ColorOnColor);
}

}  // namespace
