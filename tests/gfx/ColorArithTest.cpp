// Colour values, palettes, mulDiv and the warning sink.
#include <gtest/gtest.h>

#include "platform/gfx/Arith.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Palette.h"
#include "platform/gfx/WarningSink.h"

namespace gfx {
namespace {

TEST(ArithTest, MulDivRoundsHalvesAwayFromZero) {
    const struct {
        int32_t a, b, c, want;
    } cases[] = {
        {8, 96, 72, 11},   // 10.67
        {10, 96, 72, 13},  // 13.33
        {3, 1, 2, 2},      // 1.5
        {5, 1, 2, 3},      // 2.5: away from zero, not to even
        {-3, 1, 2, -2},    {3, -1, 2, -2},     {-3, -1, 2, 2},     {3, 1, -2, -2},
        {1, 1, 3, 0},      {2, 1, 3, 1},
        {2000000000, 2, 2, 2000000000},        // the product needs 64 bits
        {1, 1, 0, -1},                         // zero divisor
        {2000000000, 2, 1, -1},                // result beyond 32 bits
        {-2147483647 - 1, 1, 1, -2147483647 - 1},
    };
    for (const auto& c : cases) EXPECT_EQ(mulDiv(c.a, c.b, c.c), c.want) << c.a << " * " << c.b << " / " << c.c;
}

TEST(ColorTest, ValuesAndResolving) {
    EXPECT_EQ(rgb(0x11, 0x22, 0x33), 0x332211u);
    EXPECT_EQ(redOf(0x332211), 0x11);
    EXPECT_EQ(blueOf(0x332211), 0x33);
    EXPECT_EQ(clHighlight, 0x8000000Du);
    EXPECT_TRUE(isSystemColor(clBtnFace));
    EXPECT_FALSE(isSystemColor(clNone));

    SystemColorTable table{};
    table[static_cast<int>(SystemColor::Highlight)] = rgb(1, 2, 3);
    EXPECT_EQ(resolveColor(clHighlight, table), rgb(1, 2, 3));
    EXPECT_EQ(resolveColor(0x80000063, table), clBlack);  // no such system colour
    EXPECT_EQ(resolveColor(PaletteRelativeFlag | clRed), clRed);
    EXPECT_EQ(resolveColor(clNone), clNone);
    EXPECT_EQ(resolveColor(clDefault), clDefault);
    EXPECT_EQ(resolveColor(clWindow), clWhite);
}

TEST(PaletteTest, GrayAndStandardPalettes) {
    const Palette g4 = Palette::gray(4);
    ASSERT_EQ(g4.count(), 16);
    EXPECT_EQ(g4[1], (PaletteEntry{17, 17, 17}));
    EXPECT_EQ(g4[15], (PaletteEntry{255, 255, 255}));
    const Palette inverted = Palette::gray(1, true);
    EXPECT_EQ(inverted.color(0), clWhite);
    EXPECT_EQ(inverted.color(1), clBlack);

    const Palette s = Palette::standard16();
    EXPECT_EQ(s.color(7), 0xC0C0C0u);
    EXPECT_EQ(s.color(8), 0x808080u);
    EXPECT_EQ(s.color(9), clRed);
    EXPECT_EQ(s.color(99), clBlack);
    EXPECT_EQ(s.nearestIndex(rgb(200, 200, 190)), 7);
    EXPECT_EQ(Palette(300).count(), 256);
}

TEST(WarningSinkTest, WarningsGoToTheSinkInForce) {
    warn("dropped");
    RecordingWarnings outer, inner;
    {
        ScopedWarningSink a(&outer);
        warn("one");
        {
            ScopedWarningSink b(&inner);
            warn("two");
        }
        warn("three");
    }
    warn("dropped again");
    EXPECT_EQ(outer.messages, (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(inner.messages, (std::vector<std::string>{"two"}));
}

}  // namespace
}  // namespace gfx
