#include "preview/PreviewOverlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/Model.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/Gizmos.h"

namespace {

constexpr double Units = 1000;

void Line(double x1, double y1, double x2, double y2) {
    GLVertex2(x1, y1);
    GLVertex2(x2, y2);
}

void DrawGridLines() {
    GLColor3(ColorToVector(Form1.Label148.color));
    const int32_t across = std::max(Form1.UpDown5.position, 0), along = std::max(Form1.UpDown6.position, 0);
    glBegin(GL_LINES);
    for (int32_t i = 1; i <= across; ++i) {
        const double x = i * Units / (across + 1);
        Line(x, 0, x, Units);
    }
    for (int32_t j = 1; j <= along; ++j) {
        const double y = j * Units / (along + 1);
        Line(0, y, Units, y);
    }
    Line(491, 500, 509, 500);
    Line(500, 491, 500, 509);
    glEnd();
}

double Sign(double x) { return (x > 0) - (x < 0); }

void DrawAxes(int width, int height) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const double aspect = width > 0 ? static_cast<double>(height) / width : 1.0;
    GLTranslate(100 * aspect, 100, 100);
    GLScale(aspect, 1, 1);
    const tvector& a = Scene.viewRotationAxis;
    GLRotate(Scene.viewRotationAngle * RadToDeg, a.x, a.y, a.z);
    // The axes lie over the model: what the model left in the depth buffer
    // must not hide them.
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    DrawAxesTripod({80, 80, 80});
    GLColor3(1, 1, 0);
    glLineWidth(2);
    DrawLetterX(20, {90, 0, 0});
    DrawLetterY(20, {0, 90, 0});
    DrawLetterZ(20, {0, 0, 90});
    glLineWidth(1);
}

}  // namespace

bool OverlayWanted() { return Form1.CheckBox52.checked || Form1.CheckBox70.checked || Form1.CheckBox37.checked; }

bool HorizonLine(double w, double h, thorizon& line) {
    if (!(w > 0) || !(h > 0)) return false;
    double angles[3] = {0, 0, 0};
    QuatToAngles(Scene.viewOrientation, angles);
    const double a0 = angles[0], a2 = angles[2];
    const double r = std::sqrt(w * w + h * h) / 2;
    const double t = std::tan(a2);
    const double halfPi = std::numbers::pi / 2;
    const double c = std::fabs(a2) == halfPi && std::fabs(a0) == halfPi
                         ? 1e10 * Sign(a2) * Sign(a0)
                         : std::tan(a0) * Scene.cameraLocation.z / std::cos(a2);
    const double d = (t * r) * (t * r) + r * r - c * c;
    if (!(d > 0) || !std::isfinite(d)) return false;
    const double s = std::sqrt(d);
    const double b1 = std::atan2(s - t * c, c + t * s);
    const double b2 = std::atan2(-(s + t * c), c - t * s);
    const auto x = [&](double b) { return (w / 2 + r * std::sin(b)) * Units / w; };
    const auto y = [&](double b) { return (h / 2 + r * std::cos(b)) * Units / h; };
    line = {x(b1), y(b1), x(b2), y(b2)};
    return true;
}

void DrawOverlay(int width, int height, double frustumWidth, double frustumHeight) {
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, Units, 0, Units, -200, 200);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    if (Form1.CheckBox52.checked) DrawGridLines();
    thorizon horizon;
    if (Form1.CheckBox70.checked && !Scene.orthographic && HorizonLine(frustumWidth, frustumHeight, horizon)) {
        GLColor3(ColorToVector(Form1.Label147.color));
        glBegin(GL_LINES);
        Line(horizon.x1, horizon.y1, horizon.x2, horizon.y2);
        glEnd();
    }
    if (Form1.CheckBox37.checked) DrawAxes(width, height);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}
