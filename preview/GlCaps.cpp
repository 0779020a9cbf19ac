#include "preview/GlCaps.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>

#include "model/Model.h"
#include "model/ModelLists.h"
#include "preview/GlResources.h"

MultiTexCoord2dFunction glMultiTexCoord2dARBEntry = nullptr;
ActiveTextureFunction glActiveTextureARBEntry = nullptr;
ActiveTextureFunction glClientActiveTextureARBEntry = nullptr;

namespace {

std::string GLText(GLenum name) {
    const GLubyte* s = glGetString(name);
    return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

std::string GLUText(GLenum name) {
    const GLubyte* s = gluGetString(name);
    return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
}

int GLInteger(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return value;
}

}  // namespace

bool InitMultitexture() {
    glMultiTexCoord2dARBEntry = nullptr;
    glActiveTextureARBEntry = nullptr;
    glClientActiveTextureARBEntry = nullptr;
    if (!HasGLExtension("GL_ARB_multitexture")) return false;
    glMultiTexCoord2dARBEntry = reinterpret_cast<MultiTexCoord2dFunction>(GLProcAddress("glMultiTexCoord2dARB"));
    glActiveTextureARBEntry = reinterpret_cast<ActiveTextureFunction>(GLProcAddress("glActiveTextureARB"));
    glClientActiveTextureARBEntry =
        reinterpret_cast<ActiveTextureFunction>(GLProcAddress("glClientActiveTextureARB"));
    return glMultiTexCoord2dARBEntry && glActiveTextureARBEntry && glClientActiveTextureARBEntry;
}

BufferObjectEntries BufferObjects;
bool BufferObjectsSupported = false;

bool InitBufferObjects() {
    BufferObjects = {};
    BufferObjectsSupported = false;
    if (GLVersionNumber(GLVersionText) < 1.5f) return false;
    BufferObjects.genBuffers = reinterpret_cast<decltype(BufferObjects.genBuffers)>(GLProcAddress("glGenBuffers"));
    BufferObjects.deleteBuffers =
        reinterpret_cast<decltype(BufferObjects.deleteBuffers)>(GLProcAddress("glDeleteBuffers"));
    BufferObjects.bindBuffer = reinterpret_cast<decltype(BufferObjects.bindBuffer)>(GLProcAddress("glBindBuffer"));
    BufferObjects.bufferData = reinterpret_cast<decltype(BufferObjects.bufferData)>(GLProcAddress("glBufferData"));
    BufferObjectsSupported = BufferObjects.genBuffers && BufferObjects.deleteBuffers && BufferObjects.bindBuffer &&
                             BufferObjects.bufferData;
    return BufferObjectsSupported;
}

bool QueryGLInfo() {
    GLScope gl;
    if (!gl.ok()) return false;
    GLExtensionsText = GLText(GL_EXTENSIONS);
    MultitextureSupported = InitMultitexture();
    SeparateSpecularSupported = HasGLExtension("GL_EXT_separate_specular_color");
    MaxGLLights = GLInteger(GL_MAX_LIGHTS);
    MaxTextureUnits = GLInteger(GL_MAX_TEXTURE_UNITS_ARB);
    GLVersionText = GLText(GL_VERSION);
    GLVendorText = GLText(GL_VENDOR);
    GLRendererText = GLText(GL_RENDERER);
    GLUVersionText = GLUText(GLU_VERSION);
    GLUExtensionsText = GLUText(GLU_EXTENSIONS);
    InitBufferObjects();
    return true;
}

void DisableTexturing() {
    const auto off = [] {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    };
    if (MultitextureSupported && glActiveTextureARBEntry) {
        glActiveTextureARBEntry(GL_TEXTURE1_ARB);
        off();
        glActiveTextureARBEntry(GL_TEXTURE0_ARB);
    }
    off();
}

void EnableTexture(uint32_t name) {
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
}
