// A window's place on the screen and the option records that keep it: the
// top-left corner of the window's frame and the size of its client area
// (see ui/control/WindowPlaces.h), bounded by the screens when applied.
#pragma once

#include <functional>

#include "options/Options.h"
#include "ui/control/WindowPlaces.h"

class QWidget;

// The frame the window manager put around `window`; until the window has
// been shown, the frame last seen around any window of the program (none
// before the first one shows, or without a window manager).
tframe FrameOf(const QWidget* window);
// The work area (the screen less panels and docks) of the screen the window
// is on, or of the primary screen.
twindowbounds WorkArea(const QWidget* window);

// Puts the window at `place`, made to fit the screens, or at `fallback`
// when the place lies on no screen; then maximizes it when asked (the place
// is then where it returns to).
void ApplyWindowPlace(QWidget* window, const twindowbounds& place, bool maximized, const twindowbounds& fallback);
// The window's place (its normal place when it is maximized) and its
// maximized state into the records.
void StoreWindowPlace(const QWidget* window, twindowbounds& bounds, bool& maximized);
// Keeps the window inside the screen: the place it has, fitted again.
void KeepOnScreen(QWidget* window);

// Calls `changed` each time the frame around the shown window changes (the
// window manager decorates it after it is first shown) and the window is
// not maximized; the frame becomes the one FrameOf assumes for windows not
// yet shown.
void WatchFrame(QWidget* window, std::function<void(const tframe&)> changed);
