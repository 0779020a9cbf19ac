#include "preview/GlView.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QEvent>
#include <QSurfaceFormat>
#include <algorithm>

#include "model/Services.h"

tpixelformat BuildPixelFormat(const tglviewformat& p) {
    tpixelformat f;
    const auto has = [&](TWindowOption o) { return (p.windowFlags & WindowOptionBit(o)) != 0; };
    if (has(wfDrawToWindow)) f.flags |= PixelDrawToWindow;
    if (has(wfDrawToBitmap)) f.flags |= PixelDrawToBitmap;
    if (has(wfSupportOpenGL)) f.flags |= PixelSupportOpenGL;
    if (has(wfGenericAccelerated)) f.flags |= PixelGenericAccelerated;
    if (has(wfDoubleBuffer))
        f.flags |= PixelDoubleBuffer;
    else if (has(wfSupportGDI))
        f.flags |= PixelSupportGDI;
    f.colorBits = p.colorBits;
    f.depthBits = p.depthBufferEnabled ? p.depthBits : 0;
    f.stencilBits = p.stencilBufferEnabled ? p.stencilBits : 0;
    f.accumBits = p.accumBufferEnabled ? p.accumBits : 0;
    return f;
}

QSurfaceFormat SurfaceFormatFor(const tpixelformat& f) {
    QSurfaceFormat s = QSurfaceFormat::defaultFormat();
    s.setDepthBufferSize(std::min(f.depthBits, 24));
    s.setStencilBufferSize(std::min(f.stencilBits, 8));
    s.setSwapBehavior((f.flags & PixelDoubleBuffer) ? QSurfaceFormat::DoubleBuffer : QSurfaceFormat::SingleBuffer);
    return s;
}

int32_t DepthBitsValue(TDepthBits bits) { return bits == c32bits ? 32 : 16; }

TDepthBits DepthBitsProperty(int32_t stored) { return stored == 32 ? c32bits : c16bits; }

TGlView::TGlView(QWidget* owner) : QOpenGLWidget(owner) {
    OnInit = DefaultInit;
    OnResize = DefaultResize;
    OnDraw = DefaultDraw;
    // No alpha in the picture: what is drawn is opaque, as on screen.
    setTextureFormat(GL_RGB8);
    ApplyFormat();
}

TGlView::~TGlView() {
    // The context goes with the widget; nothing of the preview's shared
    // objects lives in it.
    contextActive_ = false;
}

void TGlView::ApplyFormat() {
    if (isValid()) return;  // the context exists: its format is fixed
    setFormat(SurfaceFormatFor(BuildPixelFormat(format_)));
}

void TGlView::Draw() {
    if (contextActive_) update();
}

void TGlView::ReportFailure() {
    if (failureReported_) return;
    failureReported_ = true;
    contextActive_ = false;
    Svc().prompts->Show(MessageKind::Error, "Unable to create an OpenGL rendering context");
}

bool TGlView::event(QEvent* e) {
    const bool handled = QOpenGLWidget::event(e);
    // The context is made when the control is first shown with a size.
    if ((e->type() == QEvent::Show || e->type() == QEvent::Paint) && !isValid() && !size().isEmpty() &&
        window()->windowHandle())
        ReportFailure();
    return handled;
}

void TGlView::initializeGL() {
    contextActive_ = true;
    if (OnInit) OnInit(*this);
}

void TGlView::resizeGL(int, int) {
    if (contextActive_ && OnResize) OnResize(*this);
}

void TGlView::paintGL() {
    if (OnDraw) OnDraw(*this);
}

void TGlView::DefaultInit(TGlView&) {
    glClearColor(0, 0, 0, 0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

void TGlView::DefaultResize(TGlView& view) {
    const double ratio = view.devicePixelRatioF();
    const int w = static_cast<int>(view.width() * ratio);
    const int h = std::max(1, static_cast<int>(view.height() * ratio));
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, static_cast<double>(w) / h, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TGlView::DefaultDraw(TGlView& view) {
    // Each face: its colour, then its corners counter-clockwise from outside.
    static constexpr float faces[6][3 + 12] = {
        {1, 0, 0, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1},
        {0, 1, 0, -1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1},
        {0, 0, 1, -1, 1, -1, -1, 1, 1, 1, 1, 1, 1, 1, -1},
        {1, 1, 0, -1, -1, -1, 1, -1, -1, 1, -1, 1, -1, -1, 1},
        {0, 1, 1, 1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1},
        {1, 0, 1, -1, -1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1},
    };
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslated(0, 0, -5);
    glRotated(view.frameCounter_, 1, 1, 0);
    glBegin(GL_QUADS);
    for (const auto& f : faces) {
        glColor3f(f[0], f[1], f[2]);
        for (int c = 0; c < 4; ++c) glVertex3f(f[3 + 3 * c], f[4 + 3 * c], f[5 + 3 * c]);
    }
    glEnd();
    ++view.frameCounter_;
}
