// HTML pictures: GIF frames found by the block structure, frame drawing and
// animation on a manual clock, sources, the cache and the container, and
// broken data.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "htmllistbox/ImageContainer.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/TickSource.h"
#include "tests/htmllistbox/TestGif.h"

namespace {

const std::vector<gif::Frame> ThreeFrames = {
    {0, 0, 4, 4, 1, 10},  // red, the whole screen
    {2, 1, 2, 2, 2, 20},  // green, at (2, 1)
    {0, 2, 4, 2, 3, 30},  // blue, the lower half
};

TEST(GifBlocks, FramesComeFromTheBlockStructure) {
    // A comment holding the bytes of a graphic control extension followed by
    // an image separator eight bytes on must not count as a frame.
    const std::string decoy = std::string("!\xF9\x04\x00\x0A\x00\x00\x00,", 9);
    const std::vector<uint8_t> data = gif::Make(4, 4, ThreeFrames, decoy);
    const std::optional<GifLayout> layout = ScanGifBlocks(data);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->screenWidth, 4);
    EXPECT_EQ(layout->screenHeight, 4);
    ASSERT_EQ(layout->frames.size(), 3u);
    EXPECT_EQ(layout->frames[1].left, 2);
    EXPECT_EQ(layout->frames[1].top, 1);
    EXPECT_EQ(layout->frames[2].delay, 30);
    EXPECT_EQ(data[layout->frames[0].start], 0x21);  // each frame starts at its control extension
}

TEST(GifBlocks, BrokenDataGivesTheCompleteFramesOnly) {
    const std::vector<uint8_t> whole = gif::Make(4, 4, ThreeFrames);
    const std::size_t lastStart = ScanGifBlocks(whole)->frames[2].start;
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        int frames;  // -1: not a GIF
    };
    std::vector<uint8_t> hugeTable = whole;
    hugeTable[10] = 0x87;  // a global table of 256 colours that the file does not hold
    std::vector<uint8_t> hugeBlock = whole;
    hugeBlock[hugeBlock.size() - 2] = 0xFF;  // the last frame's end: a sub-block longer than the rest
    const std::vector<Case> cases = {
        {"cut in the last frame", {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(lastStart + 14)}, 2},
        {"cut in the header", {whole.begin(), whole.begin() + 9}, -1},
        {"garbage", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x99, 0x21, 0xF9}, 0},
        {"not a GIF", {'B', 'M', 0, 0}, -1},
        {"table beyond the end", hugeTable, 0},
        {"sub-block beyond the end", hugeBlock, 2},
    };
    for (const Case& c : cases) {
        const std::optional<GifLayout> layout = ScanGifBlocks(c.data);
        EXPECT_EQ(layout ? static_cast<int>(layout->frames.size()) : -1, c.frames) << c.what;
        // Loading may raise the picture's own error; drawing and stepping never raise.
        THtmlImage picture;
        try {
            picture.LoadFromBytes(c.data);
        } catch (const gfx::EInvalidGraphic&) {
        }
        gfx::RecordingCanvas canvas(8, 8);
        EXPECT_NO_THROW(picture.draw(canvas, {0, 0, 8, 8})) << c.what;
        EXPECT_NO_THROW(picture.StepAnimation()) << c.what;
    }
}

TEST(HtmlImage, ShowsTheFrameChosenAtItsOffsetAndWraps) {
    gfx::ManualTickSource clock;
    gfx::ScopedTickSource useClock(clock);
    THtmlImage picture;
    int frameChanges = 0;
    picture.OnFrameChange = [&] { ++frameChanges; };
    picture.LoadFromBytes(gif::Make(4, 4, ThreeFrames));
    EXPECT_EQ(picture.FrameCount(), 3);
    EXPECT_EQ(picture.width(), 4);

    auto colorAt = [&](int x, int y) {
        gfx::RecordingCanvas canvas(4, 4);
        canvas.fillRect({0, 0, 4, 4}, gfx::clBlack);
        picture.draw(canvas, {0, 0, 4, 4});
        return canvas.pixels().pixel(x, y);
    };
    EXPECT_EQ(colorAt(0, 0), gfx::clRed);
    picture.SetFrame(2);
    EXPECT_EQ(picture.FrameRect(), gfx::rectOfSize(2, 1, 2, 2));
    EXPECT_EQ(colorAt(2, 1), gfx::clLime);
    EXPECT_EQ(colorAt(3, 2), gfx::clLime);
    EXPECT_NE(colorAt(0, 0), gfx::clLime);  // outside the frame
    EXPECT_EQ(frameChanges, 1);

    // The animation: the first step moves on at once; then each frame
    // stays for its delay (frame 3: 30, frame 1: 10 hundredths).
    picture.SetFrame(2);
    const std::vector<std::pair<int, int>> steps = {{0, 3}, {280, 3}, {290, 1}, {380, 1}, {390, 2}};
    for (const auto& [ms, frame] : steps) {
        clock.now = static_cast<uint64_t>(ms);
        picture.StepAnimation();
        EXPECT_EQ(picture.Frame(), frame) << "at " << ms << " ms";
    }
    EXPECT_EQ(colorAt(2, 1), gfx::clLime);
}

TEST(HtmlImage, SourcesFilesAndTheCache) {
    const std::string file = ::testing::TempDir() + "htmlimage.gif";
    const std::vector<uint8_t> bytes = gif::Make(3, 2, {{0, 0, 3, 2, 3, 0}});
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    struct Case {
        std::string source;
        bool empty;
        bool remembered;  // kept as a link, not loaded
    };
    const std::vector<Case> cases = {
        {"FILE://" + file, false, false},
        {"file://" + file + ".missing", true, false},
        {"RES://missing", true, false},
        {"http://example.org/a.gif", true, true},
    };
    for (const Case& c : cases) {
        THtmlImage picture;
        EXPECT_NO_THROW(picture.SetPictureSource(c.source)) << c.source;
        EXPECT_EQ(picture.empty(), c.empty) << c.source;
        EXPECT_EQ(picture.ID(), c.source);
        EXPECT_EQ(picture.URL(), c.remembered ? c.source : "");
        EXPECT_EQ(picture.DownloadStarted(), c.remembered);
    }
    std::remove(file.c_str());

    THtmlImageCache cache;
    cache.AddPicture().SetPictureSource("http://a/b.gif");
    EXPECT_EQ(cache.FindPicture("http://a/b.gif"), cache.FindPicture("http://a/b.gif"));
    EXPECT_EQ(cache.FindPicture("HTTP://a/b.gif"), nullptr);

    TImageContainer container;
    TPictureItem& item = container.Items().Add();
    item.Name = "Logo";
    EXPECT_EQ(container.FindPicture("LOGO"), &item.Picture);
    EXPECT_EQ(container.FindPicture("other"), nullptr);
    EXPECT_EQ(container.Version(), "1.0.0.0");
}

}  // namespace
