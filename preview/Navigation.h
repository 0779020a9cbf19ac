// Mouse navigation in the preview window: a drag turns (trackball, roll,
// pitch), moves (pan, distance) or widens the view (field of view), each
// relative to the view at the mouse-down. Works on the scene record and the
// option records only; the window passes the plain mouse state.
#pragma once

#include <cstdint>

// The mouse buttons and modifier keys held, as bits.
enum MouseState : uint32_t {
    MouseLeft = 1u << 0,
    MouseRight = 1u << 1,
    MouseMiddle = 1u << 2,
    KeyShift = 1u << 3,
    KeyControl = 1u << 4,
    KeyAlt = 1u << 5,
    MouseOther = 1u << 6,  // any other button or key
};

// What a drag does: the indices of the scene record's mouse-mode flags.
enum MouseMode : int {
    ModeFullRotate = 0,
    ModeRoll,
    ModePitch,
    ModePan,
    ModeDistance,
    ModeFieldOfView,
};

// The pointer position at the last mouse-down, in client pixels.
extern int32_t MouseDownX;
extern int32_t MouseDownY;

// Takes the view as it is (field of view, camera location, orientation),
// clears every mode and sets the one of the exact state: the middle button
// alone pans, the right button alone changes the field of view, the left
// button alone does what "Left button ->" says (full rotate, roll, pitch,
// distance, pan). Any other state (a key held, two buttons) sets none.
void PreviewMouseDown(uint32_t state, int32_t x, int32_t y);
// Applies the active mode for the pointer at (x, y) in a control of
// width x height pixels; true when the view changed (and wants a redraw).
bool PreviewMouseMove(int32_t x, int32_t y, int32_t width, int32_t height);
// Ends the drag: the modes are cleared and the camera panel shows the view.
void PreviewMouseUp();
// True while the mode is set.
bool MouseModeActive(MouseMode mode);
