// Mouse navigation: the mode each button and key state starts, and mouse
// events on the preview window turning, moving and widening the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <numbers>

#include "model/TextConv.h"
#include "options/Options.h"
#include "preview/GlView.h"
#include "preview/Navigation.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;

class NavigationTest : public PreviewTest {
protected:
    // A drag on the preview's control from (x0, y0) to (x1, y1), through the
    // middle, with one button and the keys held.
    static void Drag(Qt::MouseButton button, int x0, int y0, int x1, int y1, Qt::KeyboardModifiers keys = {}) {
        QWidget* view = PreviewWindow()->glView1;
        const auto send = [&](QEvent::Type type, Qt::MouseButton b, Qt::MouseButtons held, int x, int y) {
            QMouseEvent e(type, QPointF(x, y), view->mapToGlobal(QPointF(x, y)), b, held, keys);
            QApplication::sendEvent(view, &e);
        };
        send(QEvent::MouseButtonPress, button, button, x0, y0);
        send(QEvent::MouseMove, Qt::NoButton, button, (x0 + x1) / 2, (y0 + y1) / 2);
        send(QEvent::MouseMove, Qt::NoButton, button, x1, y1);
        send(QEvent::MouseButtonRelease, button, Qt::NoButton, x1, y1);
    }
    // The mean position of the red pixels as shares of the frame.
    static QPointF RedCentre(const QImage& f) {
        double sx = 0, sy = 0, n = 0;
        for (int y = 0; y < f.height(); ++y)
            for (int x = 0; x < f.width(); ++x)
                if (IsRed(f.pixelColor(x, y))) sx += x, sy += y, ++n;
        return n ? QPointF(sx / n / f.width(), sy / n / f.height()) : QPointF(-1, -1);
    }
};

TEST_F(NavigationTest, OnlyAnExactButtonStateStartsAMode) {
    const struct {
        uint32_t state;
        int32_t leftMode, mode;  // the item of "Left button ->"; the mode set, -1 for none
    } cases[] = {
        {MouseLeft, 0, ModeFullRotate},   {MouseLeft, 1, ModeRoll},     {MouseLeft, 2, ModePitch},
        {MouseLeft, 3, ModeDistance},     {MouseLeft, 4, ModePan},      {MouseMiddle, 1, ModePan},
        {MouseRight, 4, ModeFieldOfView}, {MouseLeft | KeyShift, 0, -1}, {MouseLeft | MouseRight, 0, -1},
        {MouseRight | KeyControl, 0, -1}, {MouseMiddle | KeyAlt, 0, -1}, {MouseLeft | MouseOther, 0, -1},
    };
    for (const auto& c : cases) {
        Form1.ComboBox21.index = c.leftMode;
        Scene.mouseFlags[ModeRoll] = 1;  // a mode left over is cleared
        PreviewMouseDown(c.state, 0, 0);
        for (int m = ModeFullRotate; m <= ModeFieldOfView; ++m)
            EXPECT_EQ(MouseModeActive(static_cast<MouseMode>(m)), m == c.mode) << c.state << " " << m;
    }
}

// A red cube right of the middle and a green one left, seen from the front.
TEST_F(NavigationTest, DragsOnTheWindowTurnMoveAndWidenTheView) {
    fixtures::AddCube(0.6, {0.7, 0, 0}, 0, 0);
    fixtures::AddCube(0.6, {-0.7, 0, 0}, 0, 1);
    SceneMaterials[0].diffuse = {1, 0, 0};
    SceneMaterials[0].specular = {0, 0, 0};
    SceneMaterials[1].diffuse = {0, 1, 0};
    Form1.CheckBox37.checked = false;  // no axes in the corner
    Prepare();
    FrontView();
    const QImage front = Frame();

    // Roll by a quarter of the width: a quarter turn, the cube above or below
    // the middle, the panel's roll filled in at the mouse-up.
    Form1.ComboBox21.index = 1;
    Drag(Qt::LeftButton, 50, 75, 50 + FrameWidth / 4, 75);
    EXPECT_NEAR(std::fabs(Scene.viewRotationAngle), std::numbers::pi / 2, 1e-9);
    EXPECT_NEAR(std::fabs(TextToFloat(Form1.Edit18.text)), 90, 1e-3);
    const QPointF rolled = RedCentre(Frame());
    EXPECT_NEAR(rolled.x(), 0.5, 0.05);
    EXPECT_GT(std::fabs(rolled.y() - 0.5), 0.1);

    // Shift held: nothing moves. The middle button pans: a drag to the right
    // moves the cube right.
    FrontView();
    Drag(Qt::LeftButton, 10, 10, 150, 100, Qt::ShiftModifier);
    EXPECT_EQ(Frame(), front);
    Drag(Qt::MiddleButton, 20, 20, 40, 20);
    EXPECT_GT(RedCentre(Frame()).x(), RedCentre(front).x() + 0.03);

    // The right button: no move keeps the field of view, down past the
    // bottom edge gives 180, far up almost 0.
    for (auto [dy, lo, hi] : {std::tuple{0, 40.0, 40.0}, {10 * FrameHeight, 180.0, 180.0}, {-10 * FrameHeight, 0.0, 1e-5}}) {
        Scene.fieldOfView = 40;
        Drag(Qt::RightButton, 20, 50, 20, 50 + dy);
        EXPECT_GE(Scene.fieldOfView, lo - 1e-9) << dy;
        EXPECT_LE(Scene.fieldOfView, hi + 1e-9) << dy;
    }
}

}  // namespace
