// Where the program's windows stand on the screen. A window's place is the
// top-left corner of its frame (the border and title bar the window manager
// draws) and the size of its client area (what the program draws in): the
// settings file keeps exactly this, so that a place stored and applied again
// stays put. Rectangles are `twindowbounds` in screen pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "options/Options.h"

// The widths the window manager's frame adds on each side of a window.
struct tframe {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const tframe&) const = default;
};

// The rectangle a window at `place` covers, frame included.
twindowbounds OuterBounds(const twindowbounds& place, const tframe& frame);
// The area two rectangles share, in square pixels.
int64_t OverlapArea(const twindowbounds& a, const twindowbounds& b);

// A stored place made to fit the screens' work areas (`screens`): the
// client shrinks until the whole window fits the work area it overlaps
// most, and the window moves into that area. nullopt when the place lies on
// no screen or its size is not positive: the window's default place is
// used then.
std::optional<twindowbounds> FitToScreens(const twindowbounds& place, const tframe& frame,
                                          std::span<const twindowbounds> screens);

// The client size of the main window as it opens, which is also the least
// it takes: 1024 x 768 with its `frame`, or the work area `screen` when that
// is smaller; at least 1 x 1.
std::pair<int32_t, int32_t> MainClientSize(const twindowbounds& screen, const tframe& frame);

// What the first start places with no settings file (no stored place): the
// main window, the preview beside it, and the status and help windows where
// they do not cover the main window's tab bar and tool bars.
struct tfirstplaces {
    twindowbounds main;
    twindowbounds preview;
    twindowbounds status;
    twindowbounds help;
};

// The client sizes the windows open with (the width and height of each),
// and where the main window's pages begin below its tab bar and tool bar and
// where its status strip begins (both in pixels from the top of its client
// area).
struct tfirstsizes {
    twindowbounds preview, status, help;
    int32_t pagesTop = 0;
    int32_t stripTop = 0;
};

// The first start's places on the work area `screen`, every window with
// `frame`:
// - the main window (at MainClientSize) and the preview side by side, the pair centred, where the width allows;
//   otherwise the main window in the top-left corner and the preview in the
//   bottom-right one, which overlaps the two as little as possible;
// - the preview, when it can but lie over the main window (a small screen),
//   above the main window's status strip as far as its tool bars allow;
// - the status window below the main window where there is room, else over
//   the lower left of its pages, above its status strip;
// - the help window over the right of the main window's pages, below its
//   tool bar.
// A window larger than the room it gets shrinks.
tfirstplaces FirstStartPlaces(const twindowbounds& screen, const tframe& frame, const tfirstsizes& sizes);
