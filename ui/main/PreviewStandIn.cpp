#include "ui/main/PreviewStandIn.h"

#include <GL/gl.h>

#include <QVBoxLayout>

#include "model/Model.h"
#include "model/Scene.h"
#include "ui/options/Options.h"
#include "ui/qt/Binder.h"
#include "ui/qt/PageBuilder.h"

PreviewGlView::PreviewGlView(QWidget* parent) : QOpenGLWidget(parent) {
    setObjectName(QStringLiteral("glView1"));
    setCursor(Qt::SizeAllCursor);
}

void PreviewGlView::paintGL() {
    const int32_t c = Scene.backgroundColor;
    glClearColor((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ++frames_;
}

PreviewStandIn::PreviewStandIn(Binder& binder) : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("Form9"));
    ApplyWindowFont(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new PreviewGlView(this);
    layout->addWidget(view_);
    SetClientSize(Form9.glView1.width, Form9.glView1.height);
    binder.BindWindow(this, &Form9.visible, nullptr, "Form9.Hide");
}

void PreviewStandIn::ClientSize(int& width, int& height) const {
    width = Form9.glView1.width;
    height = Form9.glView1.height;
}

void PreviewStandIn::SetClientSize(int width, int height) {
    if (width < 1 || height < 1) return;
    resize(width, height);
    Form9.glView1 = {width, height};
    setWindowTitle(QStringLiteral("Preview (%1 x %2)").arg(width).arg(height));
}

void PreviewStandIn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The control fills the window (no margins).
    Form9.glView1 = {width(), height()};
    setWindowTitle(QStringLiteral("Preview (%1 x %2)").arg(width()).arg(height()));
}
