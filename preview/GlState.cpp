#include "preview/GlState.h"

#include <GL/gl.h>

#include <QOpenGLContext>
#include <cmath>

#include "model/Model.h"
#include "model/TextConv.h"
#include "options/Options.h"

tglstate PreviewGLState;

void InitGLState() {
    tglstate& s = PreviewGLState;
    s.clearColor = ColorToVector(Scene.backgroundColor);
    s.clearAlpha = 1.0;
    s.alphaTest = Form1.CheckBox71.checked;
    double value = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit26.text, value, code);
    s.alphaReference = code == 0 && std::isfinite(value) ? value : 0.5;
    if (QOpenGLContext::currentContext()) ApplyGLState();
}

void ApplyGLState() {
    const tglstate& s = PreviewGLState;
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPointSize(2.0f);
    glPolygonOffset(1.0f, 1.0f);
    glClearColor(static_cast<GLfloat>(s.clearColor.x), static_cast<GLfloat>(s.clearColor.y),
                 static_cast<GLfloat>(s.clearColor.z), static_cast<GLfloat>(s.clearAlpha));
    if (s.alphaTest) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, static_cast<GLfloat>(s.alphaReference));
    } else {
        glDisable(GL_ALPHA_TEST);
    }
    if (s.cullFace)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
}

void SetFaceCulling(bool on) { PreviewGLState.cullFace = on; }

void SetClearColor(const tvector& rgb, double alpha) {
    PreviewGLState.clearColor = rgb;
    PreviewGLState.clearAlpha = alpha;
}
