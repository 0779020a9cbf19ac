// Animated GIF images: frames, delays, loop counts and drawing, on a clock
// the tests move by hand.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "htmlviewer/GifImage.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/TickSource.h"
#include "tests/htmlviewer/ImageTestSupport.h"

namespace {

std::unique_ptr<TGIFImage> LoadImage(const std::string& name, bool* nonAnimated = nullptr) {
    gfx::MemoryStream stream(ReadBytes(FixturePath(name)));
    bool single = false;
    auto image = TGIFImage::CreateFromStream(stream, single);
    if (nonAnimated) *nonAnimated = single;
    return image;
}

class GifImageTest : public ::testing::Test {
protected:
    void SetUp() override { SKIP_WITHOUT_IMAGE_FIXTURES(); }

    // Runs the animation until it stops (or `limit` frame changes) and
    // returns the frames shown, each after exactly its delay.
    std::vector<int> Run(TGIFImage& image, int limit) {
        std::vector<int> shown = {image.CurrentFrame};
        image.SetAnimate(true);
        while (image.Animate() && static_cast<int>(shown.size()) <= limit) {
            const int delay = image.Frames[static_cast<std::size_t>(image.CurrentFrame - 1)].FrameDelay;
            clock.advance(static_cast<uint64_t>(delay - 1));
            image.AnimationStep(nullptr);
            EXPECT_EQ(image.CurrentFrame, shown.back()) << "moved before its delay";
            clock.advance(1);
            image.AnimationStep(nullptr);
            if (image.Animate()) shown.push_back(image.CurrentFrame);
        }
        return shown;
    }

    gfx::ManualTickSource clock;
    gfx::ScopedTickSource useClock{clock};
};

TEST_F(GifImageTest, OneFrameIsNotAnimated) {
    bool nonAnimated = false;
    auto image = LoadImage("gb_plain.gif", &nonAnimated);
    EXPECT_TRUE(nonAnimated);
    EXPECT_FALSE(image->Animated);
    EXPECT_EQ(image->NumFrames, 1);
    const ThtBitmap& bitmap = image->GetBitmap();
    EXPECT_EQ(bitmap.width(), 5);
    EXPECT_EQ(bitmap.pixel(1, 0), gfx::rgb(200, 150, 100));
    EXPECT_EQ(bitmap.Mask, nullptr);
    EXPECT_EQ(image->GetMask(), nullptr);
    // A one-frame image never steps.
    image->SetAnimate(true);
    clock.advance(1000);
    image->AnimationStep(nullptr);
    EXPECT_EQ(image->CurrentFrame, 1);
}

TEST_F(GifImageTest, FrameDelaysInMilliseconds) {
    auto anim = LoadImage("im_anim.gif");
    auto frames = LoadImage("gb_frames.gif");
    const std::vector<std::pair<int, int>> cases = {
        {anim->Frames[0].FrameDelay, 30},   {anim->Frames[1].FrameDelay, 50},   // 3 and 5 hundredths
        {frames->Frames[1].FrameDelay, 30}, {frames->Frames[3].FrameDelay, 90}, // 2 is raised to 30 ms
    };
    for (const auto& [delay, expected] : cases) EXPECT_EQ(delay, expected);
    EXPECT_EQ(frames->Frames[1].FrameLeft, 2);
    EXPECT_EQ(frames->Frames[1].FrameHeight, 5);
    EXPECT_EQ(frames->Frames[2].FrameDisposal, 3);
}

TEST_F(GifImageTest, LoopCountsDecideHowOftenTheFramesShow) {
    auto twice = LoadImage("gb_loop_2.gif");
    EXPECT_EQ(twice->NumIterations, 3);
    EXPECT_EQ(Run(*twice, 100), (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(twice->CurrentFrame, 2);  // stops on the last frame

    auto once = LoadImage("gb_loop_none.gif");
    EXPECT_EQ(once->NumIterations, 1);
    EXPECT_EQ(Run(*once, 100), (std::vector<int>{1, 2}));

    auto forever = LoadImage("gb_frames.gif");
    EXPECT_EQ(forever->NumIterations, 0);
    EXPECT_EQ(Run(*forever, 40).size(), 41u);
    EXPECT_TRUE(forever->Animate());
}

TEST_F(GifImageTest, EachStepInvalidatesWhereTheImageWasDrawn) {
    auto image = LoadImage("gb_loop_2.gif");
    gfx::RecordingCanvas canvas;
    image->Draw(canvas, 10, 20, 4, 2);
    image->SetAnimate(true);
    std::vector<gfx::Rect> invalidated;
    clock.advance(50);
    image->AnimationStep([&](const gfx::Rect& r) { invalidated.push_back(r); });
    EXPECT_EQ(invalidated, (std::vector<gfx::Rect>{{10, 20, 14, 22}}));
}

TEST_F(GifImageTest, SettingTheFrameWrapsAround) {
    auto image = LoadImage("gb_frames.gif");
    const std::vector<std::pair<int, int>> cases = {{0, 4}, {5, 1}, {3, 3}, {-7, 4}, {2, 2}};
    for (const auto& [set, expected] : cases) {
        image->SetCurrentFrame(set);
        EXPECT_EQ(image->CurrentFrame, expected) << set;
        EXPECT_EQ(image->CurrentDisposal, 2);
    }
}

TEST_F(GifImageTest, CopiesShareFramesButNotTheirPosition) {
    auto image = LoadImage("gb_frames.gif");
    auto copy = image->CreateCopy();
    EXPECT_TRUE(copy->IsCopy);
    copy->SetCurrentFrame(3);
    EXPECT_EQ(image->CurrentFrame, 1);
    gfx::RecordingCanvas a(8, 6), b(8, 6);
    image->SetCurrentFrame(3);
    image->Draw(a, 0, 0, 8, 6);
    copy->Draw(b, 0, 0, 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(a.pixels().pixel(x, y), b.pixels().pixel(x, y));
}

TEST_F(GifImageTest, DrawingKeepsTheBackgroundUnderTransparentPixels) {
    auto image = LoadImage("im_anim.gif");
    gfx::RecordingCanvas canvas(40, 32);
    image->Draw(canvas, 0, 0, 40, 32);  // twice the size
    EXPECT_EQ(canvas.pixels().pixel(10, 10), gfx::rgb(255, 0, 0));  // the red square
    EXPECT_EQ(canvas.pixels().pixel(1, 1), gfx::clWhite);           // transparent
    const ThtBitmap& first = image->GetBitmap();
    ASSERT_NE(first.Mask, nullptr);
    EXPECT_EQ(image->GetMask(), first.Mask);
    EXPECT_EQ(first.Mask->pixel(0, 0), gfx::clWhite);
    EXPECT_EQ(first.Mask->pixel(5, 5), gfx::clBlack);
    image->Visible = false;
    gfx::RecordingCanvas hidden(40, 32);
    image->Draw(hidden, 0, 0, 40, 32);
    EXPECT_EQ(hidden.pixels().pixel(10, 10), gfx::clWhite);
}

}  // namespace
