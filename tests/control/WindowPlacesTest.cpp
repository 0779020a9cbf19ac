// Window places: a stored place made to fit the screens, and where a first
// start opens the windows on screens small and large, with and without a
// window manager's frame.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <vector>

#include "ui/control/WindowPlaces.h"

namespace {

int64_t Area(const twindowbounds& w) { return int64_t{w.width} * w.height; }

TEST(WindowPlacesTest, AStoredPlaceIsFittedIntoTheScreenItLiesOnMost) {
    const tframe frame{1, 20, 1, 5};
    const std::vector<twindowbounds> one{{0, 0, 1024, 768}};
    const std::vector<twindowbounds> two{{0, 0, 1024, 768}, {1024, 0, 1280, 1024}};
    const struct {
        const char* what;
        twindowbounds place;
        const std::vector<twindowbounds>& screens;
        std::optional<twindowbounds> fitted;
    } cases[] = {
        {"inside stays", {100, 50, 400, 300}, one, twindowbounds{100, 50, 400, 300}},
        {"too large shrinks to the screen less the frame", {0, 0, 100000, 100000}, one, twindowbounds{0, 0, 1022, 743}},
        {"partly off moves in", {900, 700, 400, 300}, one, twindowbounds{622, 443, 400, 300}},
        {"above and left moves in", {-30, -10, 400, 300}, one, twindowbounds{0, 0, 400, 300}},
        {"off every screen", {-50000, 10, 400, 300}, one, std::nullopt},
        {"no size", {10, 10, 0, 300}, one, std::nullopt},
        {"the screen it overlaps most", {1100, 100, 2000, 2000}, two, twindowbounds{1024, 0, 1278, 999}},
        {"numbers at the ends of the range", {INT32_MAX - 10, INT32_MIN + 5, INT32_MAX, INT32_MAX}, two,
         std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FitToScreens(c.place, frame, c.screens), c.fitted) << c.what;
}

TEST(WindowPlacesTest, AFirstStartPutsThePreviewBesideAndKeepsTheToolBarsInSight) {
    const struct {
        twindowbounds screen;
        tframe frame;
    } cases[] = {
        {{0, 0, 1024, 768}, {}},          {{0, 0, 1024, 768}, {1, 20, 1, 5}},   {{0, 0, 1600, 1200}, {1, 20, 1, 5}},
        {{0, 0, 1280, 1024}, {}},         {{0, 24, 1920, 1056}, {2, 24, 2, 2}}, {{100, 0, 1200, 1920}, {1, 20, 1, 5}},
        {{0, 0, 800, 600}, {1, 20, 1, 5}},
    };
    tfirstsizes sizes{{0, 0, 640, 480}, {0, 0, 600, 400}, {0, 0, 800, 600}, 60};
    for (const auto& c : cases) {
        const twindowbounds& s = c.screen;
        sizes.stripTop = std::min(768, s.height) - c.frame.top - c.frame.bottom - 24;
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " frame " << c.frame.top);
        const tfirstplaces p = FirstStartPlaces(s, c.frame, sizes);
        const twindowbounds main = OuterBounds(p.main, c.frame), preview = OuterBounds(p.preview, c.frame);
        const twindowbounds status = OuterBounds(p.status, c.frame), help = OuterBounds(p.help, c.frame);
        for (const twindowbounds& w : {main, preview, status, help}) EXPECT_EQ(OverlapArea(w, s), Area(w));
        // The whole main window is 1024 x 768, or the screen when smaller.
        EXPECT_EQ(std::pair(main.width, main.height), std::pair(std::min(1024, s.width), std::min(768, s.height)));
        // The preview: beside the main window where the width allows, else
        // overlapping it as little as two corners do, or, when it cannot
        // but lie over it, above its status strip.
        const int64_t spareW = int64_t{main.width} + preview.width - s.width;
        const int64_t spareH = int64_t{main.height} + preview.height - s.height;
        const int32_t clientTop = main.top + c.frame.top;
        if (spareW <= 0) {
            EXPECT_EQ(preview.left, main.left + main.width);
            EXPECT_EQ(OverlapArea(main, preview), 0);
        } else if (OverlapArea(main, preview) == Area(preview)) {
            EXPECT_TRUE(preview.top + preview.height == clientTop + sizes.stripTop ||
                        preview.top == clientTop + sizes.pagesTop);  // as high as the tool bars allow
        } else {
            EXPECT_EQ(OverlapArea(main, preview), spareW * std::max<int64_t>(spareH, 0));
        }
        // The status and help windows leave the tab bar, the tool bar and
        // the status strip of the main window in sight.
        const twindowbounds bars{main.left, main.top, main.width, c.frame.top + sizes.pagesTop};
        const twindowbounds strip{main.left, clientTop + sizes.stripTop, main.width, 24};
        for (const twindowbounds& w : {status, help}) EXPECT_EQ(OverlapArea(w, bars) + OverlapArea(w, strip), 0);
    }
}

}  // namespace
