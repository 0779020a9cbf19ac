#include "preview/GlResources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <memory>

namespace {

// The resource context is the application's global share context, which
// Qt makes with the application for every OpenGL control to share with: one
// context fewer to make at start-up. It is Qt's, and goes with the
// application.
struct Resources {
    std::unique_ptr<QOffscreenSurface> surface;
    QOpenGLContext* context = nullptr;
    bool tried = false;
    std::string reason;
};

Resources& R() {
    static Resources r;
    return r;
}

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool CreateResources() {
    Resources& r = R();
    r.tried = true;
    QOpenGLContext* share = QOpenGLContext::globalShareContext();
    if (!share || !share->isValid()) {
        r.reason = "Unable to create an OpenGL rendering context";
        return false;
    }
    r.surface = std::make_unique<QOffscreenSurface>();
    r.surface->setFormat(share->format());
    r.surface->create();
    if (!r.surface->isValid()) {
        r.surface.reset();
        r.reason = "Unable to create an OpenGL rendering context";
        return false;
    }
    r.context = share;
    // The application frees its contexts on the way out; the surface must go
    // first.
    qAddPostRoutine(ReleaseGLResources);
    return true;
}

}  // namespace

void PrepareOpenGL() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(0);
    QSurfaceFormat::setDefaultFormat(format);
}

bool GLAvailable() {
    Resources& r = R();
    if (r.context) return true;
    if (r.tried || !HaveGuiApplication()) {
        if (!HaveGuiApplication() && r.reason.empty()) r.reason = "No OpenGL without a window system";
        return false;
    }
    return CreateResources();
}

const std::string& GLUnavailableReason() { return R().reason; }

QOpenGLContext* ResourceContext() { return GLAvailable() ? R().context : nullptr; }

void ReleaseGLResources() {
    Resources& r = R();
    if (r.context && QOpenGLContext::currentContext() == r.context) r.context->doneCurrent();
    r.context = nullptr;
    r.surface.reset();
}

void* GLProcAddress(const char* name) {
    QOpenGLContext* c = QOpenGLContext::currentContext();
    if (!c) c = ResourceContext();
    if (!c) return nullptr;
    return reinterpret_cast<void*>(c->getProcAddress(name));
}

GLScope::GLScope() {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    QOpenGLContext* share = HaveGuiApplication() ? QOpenGLContext::globalShareContext() : nullptr;
    if (current && share && QOpenGLContext::areSharing(current, share)) {
        ok_ = true;
        return;
    }
    QOpenGLContext* resources = ResourceContext();
    if (!resources) return;
    previous_ = current;
    previousSurface_ = current ? current->surface() : nullptr;
    if (!resources->makeCurrent(R().surface.get())) return;
    switched_ = true;
    ok_ = true;
}

GLScope::~GLScope() {
    if (!switched_) return;
    if (previous_ && previousSurface_)
        previous_->makeCurrent(previousSurface_);
    else if (QOpenGLContext* c = QOpenGLContext::currentContext())
        c->doneCurrent();
}
