// The recording canvas: the shared canvas behaviour with fixed metrics, and
// what it records.
#include <gtest/gtest.h>

#include "platform/gfx/RecordingCanvas.h"
#include "tests/gfx/CanvasBehaviour.h"

namespace gfx {
namespace {

struct RecordingMaker {
    RecordingMaker(int width, int height) : canvas_(width, height) {}
    Canvas& canvas() { return canvas_; }
    Color pixel(int x, int y) { return canvas_.pixels().pixel(x, y); }
    RecordingCanvas canvas_;
};

}  // namespace

namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Recording, CanvasBehaviour, ::testing::Types<RecordingMaker>);
}

namespace {

TEST(RecordingCanvasTest, RecordsTextWithItsFontAndTheFixedMetrics) {
    RecordingCanvas c;
    c.fixed = {5, 10, 3, 1};
    FontSpec f;
    f.bold = true;
    f.underline = true;
    f.color = clRed;
    c.setFont(f);
    c.setBrushStyle(BrushStyle::Clear);
    c.setTextAlign(TextAlign::Baseline);
    EXPECT_EQ(c.textWidth("ab\xC3\xA9"), 15);  // three characters, four bytes
    EXPECT_EQ(c.metrics(), (FontMetrics{10, 7, 3, 1, 5, 0}));
    c.textOut(4, 20, "ab");
    f.escapement = 900;
    c.setFont(f);
    c.textOut(4, 20, "up");
    Rect r{0, 0, 100, 50};
    c.drawText(r, "x&y", DrawTextFlags::SingleLine);
    ASSERT_EQ(c.log.size(), 6u);
    EXPECT_EQ(c.log[0], "text 4,20 \"ab\" Tahoma 8 #FF0000 bu");
    EXPECT_EQ(c.log[1], "text 4,20 \"up\" Tahoma 8 #FF0000 bu esc=900");
    EXPECT_EQ(c.log[2], "pushClip 0,0,100,50");
    EXPECT_EQ(c.log[3], "text 0,7 \"xy\" Tahoma 8 #FF0000 bu esc=900");
    EXPECT_EQ(c.log[4], "fillRect 5,8,10,9 #FF0000");  // the mark under "y"
    EXPECT_EQ(c.log[5], "popClip");
}

}  // namespace
}  // namespace gfx
