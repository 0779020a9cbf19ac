// The preview's OpenGL setup and its resource context. Display lists and
// textures are shared objects: they are made in one resource context that
// shares with every preview control, so a control whose context is made
// again (a new native window, "Stay on top") loses nothing.
#pragma once

#include <string>

class QOpenGLContext;
class QSurface;

// Shares the contexts of all OpenGL controls and sets the default surface
// format (compatibility profile, 8-bit channels, 24-bit depth). Must run
// before the application object is made.
void PrepareOpenGL();

// True when a context of the preview's share group can be had: a GUI
// application exists and the resource context was made. The first call
// after the application exists tries to make it.
bool GLAvailable();
// Why no context could be had; empty while none was refused.
const std::string& GLUnavailableReason();
// The resource context (the application's global share context), or
// nullptr.
QOpenGLContext* ResourceContext();
// Lets go of the resource context and its surface; the owner of the
// application calls it before the application object goes, which frees the
// context with the GL objects made in it.
void ReleaseGLResources();

// The address of an OpenGL entry point of the preview's contexts; nullptr
// when there is none or no context.
void* GLProcAddress(const char* name);

// Makes a context of the preview's share group current for the life of the
// scope: the context already current when it belongs to the group (inside a
// paint), otherwise the resource context; the previous context is current
// again afterwards. `ok()` is false when there is no context at all, and
// then no GL call may be made.
class GLScope {
public:
    GLScope();
    ~GLScope();
    GLScope(const GLScope&) = delete;
    GLScope& operator=(const GLScope&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    bool switched_ = false;
    QOpenGLContext* previous_ = nullptr;
    QSurface* previousSurface_ = nullptr;
};
