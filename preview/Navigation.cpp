#include "preview/Navigation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/Model.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/CameraPanel.h"

int32_t MouseDownX = 0;
int32_t MouseDownY = 0;

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

void ClearModes() { std::fill(std::begin(Scene.mouseFlags), std::end(Scene.mouseFlags), uint8_t{0}); }

// The orientation at mouse-down turned by `angle` about `axis` (view space).
void Turn(const tvector& axis, double angle) {
    Scene.viewOrientation = QuatMultiply(QuatFromAxisAngle(axis, angle), Scene.trackball.orientation);
    QuatToAxisAngle(Scene.viewOrientation, Scene.viewRotationAngle, Scene.viewRotationAxis);
}

// The mode of the left button by "Left button ->".
MouseMode LeftButtonMode() {
    switch (Form1.ComboBox21.index) {
        case 1: return ModeRoll;
        case 2: return ModePitch;
        case 3: return ModeDistance;
        case 4: return ModePan;
        default: return ModeFullRotate;
    }
}

}  // namespace

bool MouseModeActive(MouseMode mode) { return Scene.mouseFlags[mode] != 0; }

void PreviewMouseDown(uint32_t state, int32_t x, int32_t y) {
    MouseDownX = x;
    MouseDownY = y;
    Scene.fieldOfViewSnapshot = Scene.fieldOfView;
    Scene.trackball.location = Scene.cameraLocation;
    Scene.trackball.orientation = Scene.viewOrientation;
    ClearModes();
    if (state == MouseMiddle)
        Scene.mouseFlags[ModePan] = 1;
    else if (state == MouseRight)
        Scene.mouseFlags[ModeFieldOfView] = 1;
    else if (state == MouseLeft)
        Scene.mouseFlags[LeftButtonMode()] = 1;
}

bool PreviewMouseMove(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (width < 1 || height < 1) return false;
    const double dx = x - MouseDownX, dy = y - MouseDownY;
    const double w = width, h = height;
    const double diagonal = Scene.extents.diagonal;
    const tvector& start = Scene.trackball.location;
    if (MouseModeActive(ModeFullRotate)) {
        const tvector m = NormalizeVector({-dx, dy, 0});
        const double angle = std::sqrt(std::pow(TwoPi * dx / w, 2) + std::pow(TwoPi * dy / h, 2));
        Turn(NormalizeVector(CrossProduct({0, 0, -1}, m)), angle);
    } else if (MouseModeActive(ModeRoll)) {
        Turn({0, 0, -1}, TwoPi * dx / w);
    } else if (MouseModeActive(ModePitch)) {
        Turn({-1, 0, 0}, TwoPi * dy / h);
    } else if (MouseModeActive(ModeFieldOfView)) {
        const double f0 = std::clamp(Scene.fieldOfViewSnapshot, 0.0, 180.0);
        double p = (std::numbers::pi - std::acos(f0 / 180 - 1)) * 2 * h / std::numbers::pi + dy;
        if (p < 0) p = 0.01;
        if (p > h) p = h;
        Scene.fieldOfView = (1 - std::cos(std::numbers::pi * p / 2 / h)) * 180;
    } else if (MouseModeActive(ModePan)) {
        const double k = 1.0 / 3, fov = Scene.fieldOfView;
        Scene.cameraLocation.x = start.x - (k * fov / 10) * dx / w * diagonal;
        Scene.cameraLocation.y = (k * fov * h / w / 10) * dy / h * diagonal + start.y;
    } else if (MouseModeActive(ModeDistance)) {
        Scene.cameraLocation.z = dy / h * diagonal + start.z;
    } else {
        return false;
    }
    return true;
}

void PreviewMouseUp() {
    ClearModes();
    RefreshCameraPanel();
}
