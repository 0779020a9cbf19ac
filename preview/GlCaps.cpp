#include "preview/GlCaps.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cctype>
#include <charconv>
#include <string>

#include "model/Model.h"
#include "model/ModelLists.h"
#include "preview/GlResources.h"

MultiTexCoord2dFunction glMultiTexCoord2dARBEntry = nullptr;
ActiveTextureFunction glActiveTextureARBEntry = nullptr;
ActiveTextureFunction glClientActiveTextureARBEntry = nullptr;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

void SplitVersionText(std::string_view text, int& major, int& minor) {
    major = 0;
    minor = 0;
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= text.size()) return;
    if (!IsDigit(text[dot - 1]) || !IsDigit(text[dot + 1])) return;
    std::size_t first = dot;
    while (first > 0 && IsDigit(text[first - 1])) --first;
    std::size_t last = dot + 1;
    while (last < text.size() && IsDigit(text[last])) ++last;
    int a = 0, b = 0;
    const auto ra = std::from_chars(text.data() + first, text.data() + dot, a);
    const auto rb = std::from_chars(text.data() + dot + 1, text.data() + last, b);
    if (ra.ec != std::errc() || rb.ec != std::errc()) return;
    major = a;
    minor = b;
}

float GLVersionNumber(std::string_view text) {
    int major = 0, minor = 0;
    SplitVersionText(text, major, minor);
    const std::string number = std::to_string(major) + "." + std::to_string(minor);
    float value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}

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
