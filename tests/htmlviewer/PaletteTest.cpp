// The viewer on a display of 8 bits or fewer (the depth fixed as the
// platform layer lets a test fix it): the shared palette, device-independent
// copies, colour pictures reduced to the palette, and painting through it.
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

TEST(ViewerPalette, SharedPaletteIsTheCubeAndTheGreys) {
    const gfx::Palette system = SystemPalette();
    const gfx::Palette shared = MakeSharedPalette(system);
    ASSERT_EQ(shared.count(), 256);
    // The display's own colours at both ends, black first and white last.
    for (int i : {0, 9, 246, 255}) EXPECT_EQ(shared[i], system[i]) << i;
    // From 10 the cube over the levels 55, 115, 165, 205, 235 and 255, red
    // changing fastest and blue slowest, white left out (its last entry at
    // 224); then the greys 5k + 130 but the cube's, up to 245.
    const std::pair<int, std::tuple<int, int, int>> entries[] = {
        {0, {0, 0, 0}},         {255, {255, 255, 255}}, {10, {55, 55, 55}},     {15, {255, 55, 55}},
        {16, {55, 115, 55}},    {61, {205, 165, 115}},  {224, {235, 255, 255}}, {225, {135, 135, 135}},
        {230, {160, 160, 160}}, {231, {170, 170, 170}}, {245, {250, 250, 250}}};
    for (const auto& [i, rgb] : entries) EXPECT_EQ(Rgb(shared[i]), rgb) << i;
}

TEST(ViewerPalette, DibCopiesRowsBottomUpInWholeWords) {
    // The format, the width, and the copy's bits a pixel, bytes a row and
    // colours of its table.
    const std::tuple<gfx::PixelFormat, int, int, int, int> cases[] = {
        {gfx::PixelFormat::pf1bit, 33, 1, 8, 2},   {gfx::PixelFormat::pf4bit, 9, 4, 8, 16},
        {gfx::PixelFormat::pf8bit, 5, 8, 8, 256},  {gfx::PixelFormat::pf15bit, 3, 24, 12, 0},
        {gfx::PixelFormat::pf24bit, 3, 24, 12, 0}, {gfx::PixelFormat::pf32bit, 2, 24, 8, 0},
    };
    for (const auto& [format, width, bits, rowSize, colors] : cases) {
        SCOPED_TRACE(bits);
        gfx::Bitmap bitmap(width, 3, format);
        bitmap.setPixel(0, 0, gfx::clWhite);
        bitmap.setPixel(width - 1, 2, gfx::clRed);
        const TDib dib(bitmap);
        const std::vector<uint8_t>& info = dib.Info();
        ASSERT_EQ(info.size(), 40u + 4u * static_cast<unsigned>(colors));
        // The header's size, the width, the height positive (bottom-up), 1 plane, the bits.
        const std::vector<uint8_t> header = {40, 0, 0, 0, static_cast<uint8_t>(width), 0, 0, 0, 3, 0, 0, 0, 1, 0,
                                             static_cast<uint8_t>(bits), 0};
        EXPECT_EQ(std::vector<uint8_t>(info.begin(), info.begin() + 16), header);
        EXPECT_EQ(dib.RowSize(), rowSize);
        EXPECT_EQ(dib.Pixels().size(), static_cast<std::size_t>(3 * rowSize));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) EXPECT_EQ(dib.Pixel(x, y), bitmap.pixel(x, y)) << x << "," << y;
        if (bits == 24) {
            EXPECT_EQ(dib.Pixels()[static_cast<std::size_t>(2 * rowSize)], 255);  // the top row last
        }
    }
}

TEST(ViewerPalette, ColourPicturesTakeTheSharedPaletteOnAnEightBitDisplay) {
    const DisplayDepth display(8);
    const TViewerImagesUse use;
    ASSERT_NE(SharedPalette(), nullptr);
    // Each colour becomes its nearest entry: of the cube, of the display's
    // own, of the greys.
    const std::pair<gfx::Color, gfx::Color> nearest[] = {
        {gfx::rgb(50, 60, 50), gfx::rgb(55, 55, 55)}, {gfx::rgb(250, 10, 10), gfx::rgb(255, 0, 0)},
        {gfx::rgb(140, 140, 138), gfx::rgb(140, 140, 140)}, {gfx::clBlack, gfx::clBlack}, {gfx::clWhite, gfx::clWhite}};
    gfx::Bitmap colour(5, 1, gfx::PixelFormat::pf24bit);
    for (int x = 0; x < 5; ++x) colour.setPixel(x, 0, nearest[x].first);
    gfx::Bitmap reduced = colour;
    ASSERT_TRUE(ReduceToSharedPalette(reduced));
    EXPECT_EQ(reduced.pixelFormat(), gfx::PixelFormat::pf8bit);
    EXPECT_EQ(reduced.palette(), *SharedPalette());
    for (int x = 0; x < 5; ++x) EXPECT_EQ(reduced.pixel(x, 0), nearest[x].second) << x;
    EXPECT_FALSE(ReduceToSharedPalette(reduced));  // 8 bits already

    // A JPEG in colour comes at 8 bits with the shared palette; a grey one
    // keeps its grey levels.
    gfx::Bitmap grey(4, 2, gfx::PixelFormat::pf8bit);
    grey.setPalette(gfx::Palette::gray(8));
    for (const auto& [name, bitmap, palette] : {std::tuple{"colour", &colour, *SharedPalette()},
                                                std::tuple{"grey", &grey, gfx::Palette::gray(8)}}) {
        const std::vector<uint8_t> bytes = gfx::encodeJpeg(*bitmap, 100);
        gfx::MemoryStream stream(bytes);
        int transparent = 0;
        const TFetchedImage fetched = FetchImage(name, [&](const std::string&) { return &stream; }, transparent);
        const auto* jpeg = dynamic_cast<const gfx::JpegImage*>(fetched.Image.get());
        ASSERT_NE(jpeg, nullptr) << name;
        EXPECT_EQ(jpeg->pixelFormat(), gfx::PixelFormat::pf8bit) << name;
        EXPECT_EQ(jpeg->palette(), palette) << name;
    }
    BitmapList().Clear();
}

// On a display of 8 bits the document paints through the shared
// palette (its colours come out as the nearest entries) and gives the
// canvas its palette back; a bitmap with a palette of its own is drawn
// through that one, halftoned.
TEST(ViewerPalette, DocumentsAndBitmapsPaintThroughThePalette) {
    // The depth the viewer works at: 4 bits up to 4, 8 up to 8, else 24.
    const std::pair<int, int> bitsOfDepth[] = {{4, 4}, {5, 8}, {8, 8}, {9, 24}};
    for (const auto& [depth, bits] : bitsOfDepth) EXPECT_EQ(ColorBitsOfDepth(depth), bits) << depth;
    for (const int depth : {8, 24}) {
        SCOPED_TRACE(depth);
        const DisplayDepth display(depth);
        TSectionList doc;  // sets the viewer's images up for the depth
        EXPECT_EQ(ColorBits(), depth);
        EXPECT_EQ(SharedPalette() != nullptr, depth == 8);
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
