#include "preview/PreviewWindow.h"

#include <GL/gl.h>

#include <QEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <string>

#include "preview/CameraPanel.h"
#include "preview/GlView.h"
#include "preview/PreviewFrame.h"
#include "ui/options/Options.h"

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
    resize(width, height);
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

void TForm9::glView1Resize() {
    const int w = glView1->width(), h = glView1->height();
    Form9.glView1.width = w;
    Form9.glView1.height = h;
    ApplyCameraEdits();
    ShowCaption(w, h);
}

bool TForm9::eventFilter(QObject* watched, QEvent* e) {
    if (watched == glView1 && e->type() == QEvent::Resize) glView1Resize();
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
