#include "ui/control/WindowPlaces.h"

#include <algorithm>

namespace {

// Sums of a place and a frame stay in range whatever the settings file held.
int32_t Narrow(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t FrameWidth(const tframe& f) { return f.left + f.right; }
int32_t FrameHeight(const tframe& f) { return f.top + f.bottom; }

// `start` moved as little as needed to keep `length` within [low, low + room).
int32_t Inside(int64_t start, int64_t length, int64_t low, int64_t room) {
    return Narrow(std::max(low, std::min(start, low + room - length)));
}

// A window of client size width x height whose frame's top-left corner is
// at (left, top).
twindowbounds Place(int64_t left, int64_t top, int32_t width, int32_t height) {
    return {Narrow(left), Narrow(top), std::max(width, 1), std::max(height, 1)};
}

}  // namespace

int64_t OverlapArea(const twindowbounds& a, const twindowbounds& b) {
    const int64_t w = std::min<int64_t>(int64_t{a.left} + a.width, int64_t{b.left} + b.width) -
                      std::max<int64_t>(a.left, b.left);
    const int64_t h = std::min<int64_t>(int64_t{a.top} + a.height, int64_t{b.top} + b.height) -
                      std::max<int64_t>(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

twindowbounds OuterBounds(const twindowbounds& place, const tframe& frame) {
    return {place.left, place.top, Narrow(int64_t{place.width} + FrameWidth(frame)),
            Narrow(int64_t{place.height} + FrameHeight(frame))};
}

std::optional<twindowbounds> FitToScreens(const twindowbounds& place, const tframe& frame,
                                          std::span<const twindowbounds> screens) {
    if (place.width < 1 || place.height < 1) return std::nullopt;
    const twindowbounds outer = OuterBounds(place, frame);
    const twindowbounds* best = nullptr;
    int64_t bestOverlap = 0;
    for (const twindowbounds& s : screens)
        if (const int64_t o = OverlapArea(outer, s); o > bestOverlap) {
            bestOverlap = o;
            best = &s;
        }
    if (!best) return std::nullopt;
    const int32_t width = std::clamp(place.width, 1, std::max(1, best->width - FrameWidth(frame)));
    const int32_t height = std::clamp(place.height, 1, std::max(1, best->height - FrameHeight(frame)));
    return Place(Inside(place.left, int64_t{width} + FrameWidth(frame), best->left, best->width),
                 Inside(place.top, int64_t{height} + FrameHeight(frame), best->top, best->height), width, height);
}

std::pair<int32_t, int32_t> MainClientSize(const twindowbounds& screen, const tframe& frame) {
    return {std::max(1, std::min(1024, screen.width) - FrameWidth(frame)),
            std::max(1, std::min(768, screen.height) - FrameHeight(frame))};
}

tfirstplaces FirstStartPlaces(const twindowbounds& screen, const tframe& frame, const tfirstsizes& sizes) {
    const int32_t fw = FrameWidth(frame), fh = FrameHeight(frame);
    const int64_t right = int64_t{screen.left} + screen.width, bottom = int64_t{screen.top} + screen.height;
    // Outer sizes, none larger than the work area.
    const auto [mainClientW, mainClientH] = MainClientSize(screen, frame);
    const int32_t mainW = mainClientW + fw, mainH = mainClientH + fh;
    const int32_t previewW = std::min(sizes.preview.width + fw, screen.width);
    const int32_t previewH = std::min(sizes.preview.height + fh, screen.height);

    const bool sideBySide = int64_t{mainW} + previewW <= screen.width;
    const int64_t mainLeft = sideBySide ? screen.left + (int64_t{screen.width} - mainW - previewW) / 2 : screen.left;
    const int64_t mainTop = sideBySide ? screen.top + (int64_t{screen.height} - mainH) / 2 : screen.top;
    // The main window's client area, its pages below the tool bars and its
    // status strip, on the screen.
    const int64_t clientLeft = mainLeft + frame.left, clientTop = mainTop + frame.top;
    const int64_t pagesTop = clientTop + sizes.pagesTop, stripTop = clientTop + sizes.stripTop;
    const int64_t clientRight = mainLeft + mainW - frame.right;

    tfirstplaces p;
    p.main = Place(mainLeft, mainTop, mainClientW, mainClientH);
    int64_t previewLeft = right - previewW, previewTop = bottom - previewH;
    if (sideBySide) {
        previewLeft = mainLeft + mainW;
        previewTop = Inside(mainTop, previewH, screen.top, screen.height);
    } else if (right <= mainLeft + mainW && bottom <= mainTop + mainH) {
        // Wholly over the main window (a small screen): above its status
        // strip, so that the messages stay in sight, and below its tool bars.
        previewTop = std::max(pagesTop, stripTop - previewH);
    }
    p.preview = Place(previewLeft, previewTop, previewW - fw, previewH - fh);

    // Neither is wider than the main window's client area.
    const int32_t statusW = std::min(sizes.status.width + fw, mainClientW);
    const int32_t statusH = sizes.status.height + fh;
    if (bottom - (mainTop + mainH) >= statusH) {
        p.status = Place(mainLeft, mainTop + mainH, statusW - fw, statusH - fh);
    } else {
        const int64_t top = std::max(pagesTop, stripTop - statusH);
        p.status = Place(clientLeft, top, statusW - fw, Narrow(stripTop - top - fh));
    }

    const int32_t helpW = std::min(sizes.help.width + fw, mainClientW);
    const int64_t helpH = std::min<int64_t>(int64_t{sizes.help.height} + fh, stripTop - pagesTop);
    p.help = Place(clientRight - helpW, pagesTop, helpW - fw, Narrow(helpH - fh));
    return p;
}
