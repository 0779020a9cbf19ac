#include "preview/PreviewWindow.h"

#include <GL/gl.h>

#include <QEvent>
#include <algorithm>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <string>

#include "model/ModelLists.h"
#include "model/PreviewSize.h"
#include "options/Options.h"
#include "preview/CameraPanel.h"
#include "preview/GlView.h"
#include "preview/Navigation.h"
#include "preview/PreviewFrame.h"

namespace {
QPointer<TForm9> previewWindow;
}  // namespace

TForm9::TForm9(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("Form9");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    glView1 = new TGlView(this);
    glView1->setObjectName("glView1");
    glView1->setCursor(Qt::SizeAllCursor);
    glView1->SetColorDepth(c32bits);
    glView1->SetDepthBits(c32bits);
    glView1->SetDepthBufferEnabled(true);
    glView1->SetStencBits(c16bits);
    glView1->SetStencBufferEnabled(false);
    glView1->SetAccumBits(c16bits);
    glView1->SetAccumBufferEnabled(false);
    // No init event of its own: the control's default (culling on) runs.
    glView1->OnResize = [](TGlView& view) {
        const double ratio = view.devicePixelRatioF();
        const int h = static_cast<int>(view.height() * ratio);
        if (h > 0) glViewport(0, 0, static_cast<int>(view.width() * ratio), h);
    };
    glView1->OnDraw = [](TGlView& view) {
        const double ratio = view.devicePixelRatioF();
        DrawPreviewFrame(static_cast<int>(view.width() * ratio), static_cast<int>(view.height() * ratio));
    };
    glView1->installEventFilter(this);
    layout->addWidget(glView1);
    SetClientSize(640, 480);
}

void TForm9::SetClientSize(int width, int height) {
    // No larger than the screen's work area less the window's frame, nor
    // than an OpenGL frame buffer can be: a size from a model file or an
    // edit can be anything.
    FitPreviewSize(width, height, MaxPreviewSide, MaxPreviewSide);
    const QScreen* s = screen();
    const QRect area = s ? s->availableGeometry() : QRect();
    const QSize frame = frameGeometry().size() - size();
    if (s) FitPreviewSize(width, height, area.width() - frame.width(), area.height() - frame.height());
    resize(width, height);
    // A window grown past the screen's edge moves back onto it.
    if (s && isVisible()) {
        const QPoint corner(std::clamp(x(), area.left(), area.right() + 1 - width - frame.width()),
                            std::clamp(y(), area.top(), area.bottom() + 1 - height - frame.height()));
        if (corner != pos()) move(corner);
    }
    // The control takes the size when the layout runs; the record and the
    // caption follow at once.
    Form9.glView1.width = width;
    Form9.glView1.height = height;
    ShowCaption(width, height);
}

void TForm9::ShowCaption(int width, int height) {
    setWindowTitle(
        QString::fromStdString("Preview (" + std::to_string(width) + " x " + std::to_string(height) + ")"));
}

void TForm9::stayontop(bool value) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, value);
    if (shown) show();
}

void TForm9::RecordsChanged() {
    if (OnRecordsChanged) OnRecordsChanged();
}

void TForm9::glView1Resize() {
    const int w = glView1->width(), h = glView1->height();
    Form9.glView1.width = w;
    Form9.glView1.height = h;
    if (Form1.CheckBox31.checked) RenderHeightFromWidth();
    ApplyCameraEdits();
    ShowCaption(w, h);
    RecordsChanged();
}

namespace {

// The buttons and keys held, as the navigation takes them.
uint32_t MouseStateOf(const QMouseEvent& e) {
    uint32_t state = 0;
    const Qt::MouseButtons buttons = e.buttons();
    if (buttons & Qt::LeftButton) state |= MouseLeft;
    if (buttons & Qt::RightButton) state |= MouseRight;
    if (buttons & Qt::MiddleButton) state |= MouseMiddle;
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) state |= MouseOther;
    const Qt::KeyboardModifiers keys = e.modifiers();
    if (keys & Qt::ShiftModifier) state |= KeyShift;
    if (keys & Qt::ControlModifier) state |= KeyControl;
    if (keys & Qt::AltModifier) state |= KeyAlt;
    if (keys & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier)) state |= MouseOther;
    return state;
}

}  // namespace

void TForm9::glView1MouseDown(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    PreviewMouseDown(MouseStateOf(*e), p.x(), p.y());
}

void TForm9::glView1MouseMove(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (PreviewMouseMove(p.x(), p.y(), glView1->width(), glView1->height())) glView1->Draw();
}

void TForm9::glView1MouseUp() {
    PreviewMouseUp();
    RecordsChanged();
}

bool TForm9::eventFilter(QObject* watched, QEvent* e) {
    if (watched == glView1) {
        switch (e->type()) {
            case QEvent::Resize: glView1Resize(); break;
            case QEvent::MouseButtonPress: glView1MouseDown(static_cast<QMouseEvent*>(e)); break;
            case QEvent::MouseMove: glView1MouseMove(static_cast<QMouseEvent*>(e)); break;
            case QEvent::MouseButtonRelease: glView1MouseUp(); break;
            default: break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TForm9::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Form9.visible = true;
    if (OnShownChanged) OnShownChanged(true);
}

void TForm9::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    Form9.visible = false;
    if (OnShownChanged) OnShownChanged(false);
}

TForm9* CreatePreviewWindow(QWidget* parent) {
    previewWindow = new TForm9(parent);
    return previewWindow;
}

TForm9* PreviewWindow() { return previewWindow; }
