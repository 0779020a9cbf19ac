// Pixel formats, conversions, the size cap and pixel access of bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"

namespace gfx {
namespace {

// Three pixels a row, two rows: every format below holds the colours
// `kColors` (row 0: red, lime, blue; row 1: white, black, a grey or mid
// colour) in its own layout.
struct FormatCase {
    const char* name;
    PixelFormat format;
    std::vector<std::vector<uint8_t>> rows;  // the bytes of each row, before padding
    Palette palette;
    std::vector<Color> expected;             // row by row
};

Palette fourColors() { return Palette({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}); }

std::vector<FormatCase> formatCases() {
    Palette bw = Palette::gray(1);
    Palette four = fourColors();
    four.resize(16);
    four[5] = {10, 20, 30};
    Palette eight = four;
    eight.resize(256);
    eight[200] = {1, 2, 3};
    return {
        {"pf1bit", PixelFormat::pf1bit, {{0b01000000}, {0b10100000}}, bw,
         {clBlack, clWhite, clBlack, clWhite, clBlack, clWhite}},
        {"pf4bit", PixelFormat::pf4bit, {{0x01, 0x20}, {0x30, 0x50}}, four,
         {clRed, clLime, clBlue, clWhite, clRed, rgb(10, 20, 30)}},
        {"pf8bit", PixelFormat::pf8bit, {{0, 1, 2}, {3, 0, 200}}, eight,
         {clRed, clLime, clBlue, clWhite, clRed, rgb(1, 2, 3)}},
        // x1r5g5b5: red 0x7C00, green 0x03E0, blue 0x001F, white, black, and
        // r=1 g=16 b=30 which expands to 8, 132, 247.
        {"pf15bit", PixelFormat::pf15bit, {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}, {0xFF, 0x7F, 0, 0, 0x1E, 0x06}}, {},
         {clRed, clLime, clBlue, clWhite, clBlack, rgb(8, 132, 247)}},
        {"pf24bit", PixelFormat::pf24bit, {{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 3, 2, 1}}, {},
         {clRed, clLime, clBlue, clWhite, clBlack, rgb(1, 2, 3)}},
        {"pf32bit", PixelFormat::pf32bit,
         {{0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9}, {255, 255, 255, 9, 0, 0, 0, 9, 3, 2, 1, 9}}, {},
         {clRed, clLime, clBlue, clWhite, clBlack, rgb(1, 2, 3)}},
    };
}

Bitmap makeBitmap(const FormatCase& c) {
    Bitmap b;
    b.setPixelFormat(c.format);
    if (!c.palette.empty()) b.setPalette(c.palette);
    b.setSize(3, 2);
    for (int y = 0; y < 2; ++y) std::memcpy(b.scanLine(y), c.rows[static_cast<std::size_t>(y)].data(), c.rows[static_cast<std::size_t>(y)].size());
    return b;
}

TEST(BitmapTest, EveryFormatConvertsExactlyTo24And32Bits) {
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        const Bitmap source = makeBitmap(c);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(source.pixel(i % 3, i / 3), c.expected[static_cast<std::size_t>(i)]) << i;
        for (PixelFormat target : {PixelFormat::pf24bit, PixelFormat::pf32bit}) {
            const Bitmap out = source.convertedTo(target);
            ASSERT_EQ(out.pixelFormat(), target);
            ASSERT_EQ(out.width(), 3);
            const int n = target == PixelFormat::pf24bit ? 3 : 4;
            EXPECT_EQ(out.bytesPerLine(), 12);
            for (int i = 0; i < 6; ++i) {
                const Color want = c.expected[static_cast<std::size_t>(i)];
                const uint8_t* p = out.scanLine(i / 3) + n * (i % 3);
                EXPECT_EQ(p[0], blueOf(want)) << i;
                EXPECT_EQ(p[1], greenOf(want)) << i;
                EXPECT_EQ(p[2], redOf(want)) << i;
                if (n == 4) {
                    EXPECT_EQ(p[3], c.format == PixelFormat::pf32bit ? 9 : 255) << i;
                }
            }
            // The padding after the row stays zero.
            if (target == PixelFormat::pf24bit) {
                EXPECT_EQ(out.scanLine(1)[9] | out.scanLine(1)[10] | out.scanLine(1)[11], 0);
            }
        }
    }
}

TEST(BitmapTest, ConvertsBetweenOtherFormatsThroughColours) {
    const std::vector<FormatCase> cases = formatCases();
    const Bitmap rgb24 = makeBitmap(cases[4]);
    // To 15 bits: 8-bit channels lose their low 3 bits.
    Bitmap b15 = rgb24.convertedTo(PixelFormat::pf15bit);
    EXPECT_EQ(b15.pixel(0, 1), clWhite);
    EXPECT_EQ(b15.pixel(2, 1), clBlack);  // 1, 2, 3 are below one step
    // To an indexed format: the nearest colour of the default palette.
    Bitmap b4 = rgb24.convertedTo(PixelFormat::pf4bit);
    EXPECT_EQ(b4.palette(), Palette::standard16());
    EXPECT_EQ(b4.pixel(0, 0), clRed);
    EXPECT_EQ(b4.pixel(2, 0), clBlue);
    EXPECT_EQ(b4.pixel(0, 1), clWhite);
    // A wider index keeps indices and palette.
    const Bitmap b1 = makeBitmap(cases[0]);
    Bitmap b8 = b1.convertedTo(PixelFormat::pf8bit);
    EXPECT_EQ(b8.scanLine(0)[1], 1);
    EXPECT_EQ(b8.palette(), Palette::gray(1));
    // setPixelFormat converts in place.
    Bitmap b = rgb24;
    b.setPixelFormat(PixelFormat::pf32bit);
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf32bit);
    EXPECT_EQ(b.pixel(2, 1), rgb(1, 2, 3));
}

TEST(BitmapTest, CopiesHoldTheSameBytesAndStayApart) {
    for (const FormatCase& c : formatCases()) {
        SCOPED_TRACE(c.name);
        const Bitmap original = makeBitmap(c);
        Bitmap assigned(5, 7, PixelFormat::pf8bit);
        assigned = original;
        for (Bitmap copy : {Bitmap(original), assigned}) {
            EXPECT_EQ(std::memcmp(copy.bits(), original.bits(), static_cast<std::size_t>(original.bytesPerLine()) * 2), 0);
            copy.scanLine(0)[0] ^= 0xFF;
            EXPECT_EQ(original.pixel(0, 0), c.expected[0]);
        }
    }
    const Bitmap none;
    EXPECT_TRUE(Bitmap(none).empty());
}

TEST(BitmapTest, RowsArePaddedToFourBytes) {
    struct {
        PixelFormat format;
        int width;
        int bytes;
    } const cases[] = {{PixelFormat::pf1bit, 1, 4},   {PixelFormat::pf1bit, 33, 8}, {PixelFormat::pf4bit, 9, 8},
                       {PixelFormat::pf8bit, 5, 8},   {PixelFormat::pf15bit, 3, 8}, {PixelFormat::pf24bit, 1, 4},
                       {PixelFormat::pf24bit, 5, 16}, {PixelFormat::pf32bit, 3, 12}};
    for (const auto& c : cases) {
        Bitmap b(c.width, 2, c.format);
        EXPECT_EQ(b.bytesPerLine(), c.bytes) << bitsPerPixel(c.format) << " bits, width " << c.width;
        EXPECT_EQ(b.scanLine(1) - b.scanLine(0), c.bytes);
    }
}

TEST(BitmapTest, SizeOutsideTheLimitsIsRefusedAndChangesNothing) {
    Bitmap b(4, 4, PixelFormat::pf8bit);
    b.scanLine(0)[0] = 7;
    const struct {
        int width, height;
    } refused[] = {{0, 10}, {10, 0}, {-1, 5}, {65536, 1}, {1, 65536}, {20000, 20000}, {65535, 65535}};
    for (const auto& r : refused) {
        EXPECT_FALSE(bitmapSizeAllowed(r.width, r.height));
        EXPECT_THROW(b.setSize(r.width, r.height), EInvalidGraphic) << r.width << " x " << r.height;
        EXPECT_EQ(b.width(), 4);
        EXPECT_EQ(b.scanLine(0)[0], 7);
        EXPECT_THROW(Bitmap(r.width, r.height), EInvalidGraphic);
    }
    EXPECT_TRUE(bitmapSizeAllowed(65535, 4096));
    EXPECT_TRUE(bitmapSizeAllowed(16384, 16384));
}

TEST(BitmapTest, ResizingKeepsTheCommonPartAndClearsTheRest) {
    Bitmap b(9, 2, PixelFormat::pf1bit);
    b.scanLine(0)[0] = 0xFF;
    b.scanLine(0)[1] = 0x80;  // pixel 8
    b.setSize(3, 3);
    EXPECT_EQ(b.scanLine(0)[0], 0xE0);  // pixels 3 to 7 dropped, not kept as stray bits
    EXPECT_EQ(b.scanLine(0)[1], 0);
    EXPECT_EQ(b.scanLine(2)[0], 0);
    b.setSize(12, 3);
    EXPECT_EQ(b.pixel(2, 0), clWhite);
    EXPECT_EQ(b.pixel(5, 0), clBlack);
}

TEST(BitmapTest, PixelAccessAndRangeChecks) {
    Bitmap b(2, 2, PixelFormat::pf4bit);
    b.setPixel(1, 1, clFuchsia);
    EXPECT_EQ(b.pixel(1, 1), clFuchsia);
    EXPECT_EQ(b.scanLine(1)[0] & 0x0F, 13);
    b.setPixel(0, 0, rgb(250, 5, 5));  // nearest: red
    EXPECT_EQ(b.pixel(0, 0), clRed);
    b.setPixel(5, 5, clRed);  // outside: nothing
    EXPECT_EQ(b.pixel(5, 5), clNone);
    EXPECT_THROW(b.scanLine(2), EInvalidGraphic);
    EXPECT_THROW(b.scanLine(-1), EInvalidGraphic);
    Bitmap e;
    EXPECT_THROW(e.scanLine(0), EInvalidGraphic);
    EXPECT_THROW(b.setPixelFormat(PixelFormat::pfCustom), EInvalidGraphic);
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf4bit);
}

TEST(BitmapTest, NewBitmapsHaveTheDefaultPalettes) {
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::pf1bit).palette(), Palette::gray(1));
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::pf4bit).palette(), Palette::standard16());
    const Palette p8 = Bitmap(1, 1, PixelFormat::pf8bit).palette();
    ASSERT_EQ(p8.count(), 256);
    EXPECT_EQ(p8.color(15), clWhite);
    EXPECT_EQ(p8.color(16), clBlack);
    EXPECT_TRUE(Bitmap(1, 1, PixelFormat::pf24bit).palette().empty());
}

TEST(BitmapTest, ProgressNoticesReachTheHandler) {
    Bitmap b(1, 1);
    std::vector<int> seen;
    b.progress(ProgressStage::Starting, 0, {}, "x");  // no handler: nothing
    b.setProgressHandler([&](ProgressStage s, int percent, const Rect& r, const std::string& m) {
        seen.push_back(static_cast<int>(s) * 1000 + percent + r.bottom);
        EXPECT_EQ(m, "Loading data...");
    });
    b.progress(ProgressStage::Running, 50, {0, 0, 1, 3}, "Loading data...");
    EXPECT_EQ(seen, std::vector<int>{1053});
}

}  // namespace
}  // namespace gfx
