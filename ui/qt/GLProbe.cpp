#include "ui/qt/GLProbe.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#ifndef GL_MAX_TEXTURE_UNITS_ARB
#define GL_MAX_TEXTURE_UNITS_ARB 0x84E2
#endif

namespace {

std::string Text(const GLubyte* s) { return s ? reinterpret_cast<const char*>(s) : std::string(); }

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

GLInfo QueryGLInfo() {
    GLInfo info;
    QOffscreenSurface surface;
    surface.setFormat(QSurfaceFormat::defaultFormat());
    surface.create();
    QOpenGLContext context;
    context.setFormat(QSurfaceFormat::defaultFormat());
    context.setShareContext(QOpenGLContext::globalShareContext());
    if (!context.create() || !context.makeCurrent(&surface)) return info;
    info.version = Text(glGetString(GL_VERSION));
    info.vendor = Text(glGetString(GL_VENDOR));
    info.renderer = Text(glGetString(GL_RENDERER));
    info.extensions = Text(glGetString(GL_EXTENSIONS));
    GLint value = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &value);
    info.maxLights = value;
    value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &value);
    info.maxTextureUnits = glGetError() == GL_NO_ERROR ? value : 0;
    info.multitexture = context.hasExtension("GL_ARB_multitexture") &&
                        context.getProcAddress("glMultiTexCoord2dARB") &&
                        context.getProcAddress("glActiveTextureARB") &&
                        context.getProcAddress("glClientActiveTextureARB");
    info.gluVersion = Text(gluGetString(GLU_VERSION));
    info.gluExtensions = Text(gluGetString(GLU_EXTENSIONS));
    context.doneCurrent();
    return info;
}
