#include "preview/PreviewLights.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "model/Model.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/Gizmos.h"

namespace {

void LightVector(GLenum light, GLenum what, const tvector& v, double w) {
    const GLfloat f[4] = {static_cast<GLfloat>(v.x), static_cast<GLfloat>(v.y), static_cast<GLfloat>(v.z),
                          static_cast<GLfloat>(w)};
    glLightfv(light, what, f);
}

void Attenuation(GLenum light, double constant, double linear, double quadratic) {
    glLightf(light, GL_CONSTANT_ATTENUATION, static_cast<GLfloat>(constant));
    glLightf(light, GL_LINEAR_ATTENUATION, static_cast<GLfloat>(linear));
    glLightf(light, GL_QUADRATIC_ATTENUATION, static_cast<GLfloat>(quadratic));
}

int32_t LightCount() { return std::max<int32_t>(MaxGLLights, 0); }

void DisableAllLights() {
    for (int32_t i = 0; i < LightCount(); ++i) glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
}

tvector LightAngles(const tlight& l) { return {l.elevation, l.rotation, l.thirdAngle}; }

// Where a parallel light stands: far out along its angles, 100 diagonals
// times the diagonal from the centre.
tvector ParallelLightPosition(const tlight& l) {
    const double saved = LightDistanceFactor;
    LightDistanceFactor = 100 * Scene.extents.diagonal;
    tvector p;
    LightPositionFromAngles(LightAngles(l), p);
    LightDistanceFactor = saved;
    return p;
}

void SetupOneLight(GLenum gl, const tlight& l) {
    glEnable(gl);
    LightVector(gl, GL_DIFFUSE, ScaleVector(l.color, l.intensity), 1);
    LightVector(gl, GL_SPECULAR, {l.intensity, l.intensity, l.intensity}, 1);
    switch (l.kind) {
        case LightParallel:
            Attenuation(gl, 1, 0, 0);
            LightVector(gl, GL_POSITION, ParallelLightPosition(l), 1);
            glLightf(gl, GL_SPOT_CUTOFF, 180);
            break;
        case LightSpot: {
            Attenuation(gl, 1, 0, 0);
            LightVector(gl, GL_POSITION, l.position, 1);
            // OpenGL takes cut-offs of 0 to 90 (or 180) and exponents of 0 to 128.
            glLightf(gl, GL_SPOT_CUTOFF, std::clamp(l.spotSpread, 0.0f, 90.0f));
            LightVector(gl, GL_SPOT_DIRECTION, NormalizeVector(SubtractVectors(l.pointAt, l.position)), 0);
            glLightf(gl, GL_SPOT_EXPONENT, std::clamp(l.spotTightness, 0.0f, 128.0f));
            break;
        }
        default: {
            // Area and point lights fade with the square of the distance; a
            // fade distance of 0 means no fading at all.
            const double fade = l.fadeDistance;
            Attenuation(gl, 0.5, 0, fade > Epsilon ? 1 / (2 * fade * fade) : 0);
            LightVector(gl, GL_POSITION, l.position, 1);
            glLightf(gl, GL_SPOT_CUTOFF, 180);
            break;
        }
    }
}

// Folds every light into six lights along the axes: each light adds its
// colour to the axis lights on the sides it shines from.
void SetupAxisLights() {
    tvector sums[6] = {};
    for (const tlight& l : Lights) {
        tvector p;
        LightPositionFromAngles(LightAngles(l), p);
        const tvector d = NormalizeVector(SubtractVectors(Scene.extents.center, p));
        const tvector c = ScaleVector(l.color, l.intensity);
        const double components[3] = {d.x, d.y, d.z};
        for (int axis = 0; axis < 3; ++axis) {
            const double k = components[axis];
            if (k < 0) sums[2 * axis] = AddVectors(sums[2 * axis], ScaleVector(c, -k));
            if (k > 0) sums[2 * axis + 1] = AddVectors(sums[2 * axis + 1], ScaleVector(c, k));
        }
    }
    const double reach = Scene.extents.diagonal * LightDistanceFactor;
    const tvector offsets[6] = {{reach, 0, 0}, {-reach, 0, 0}, {0, reach, 0},
                                {0, -reach, 0}, {0, 0, reach}, {0, 0, -reach}};
    for (int k = 0; k < 6; ++k) {
        const GLenum gl = GL_LIGHT0 + static_cast<GLenum>(k);
        glEnable(gl);
        LightVector(gl, GL_DIFFUSE, sums[k], 1);
        const double lum = ColorLuminance(sums[k]);
        LightVector(gl, GL_SPECULAR, {lum, lum, lum}, 1);
        LightVector(gl, GL_POSITION, AddVectors(Scene.extents.center, offsets[k]), 1);
        glLightf(gl, GL_SPOT_CUTOFF, 180);
        glLightf(gl, GL_SPOT_EXPONENT, 0);
    }
}

}  // namespace

void SetupGLLights() {
    DisableAllLights();
    if (static_cast<int64_t>(Lights.size()) < LightCount()) {
        for (std::size_t i = 0; i < Lights.size(); ++i) SetupOneLight(GL_LIGHT0 + static_cast<GLenum>(i), Lights[i]);
        return;
    }
    if (LightCount() >= 6) SetupAxisLights();
}

void SetupHeadlight() {
    DisableAllLights();
    const double h = HeadlightIntensity;
    glEnable(GL_LIGHT0);
    Attenuation(GL_LIGHT0, 1, 0, 0);
    LightVector(GL_LIGHT0, GL_DIFFUSE, {h, h, h}, 1);
    LightVector(GL_LIGHT0, GL_SPECULAR, {h, h, h}, 1);
    LightVector(GL_LIGHT0, GL_POSITION, {Scene.cameraLocation.x, Scene.cameraLocation.y, 100 * Scene.extents.diagonal},
                1);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180);
}

void DrawLightIcons() {
    if (Lights.empty()) return;
    GLUquadric* q = gluNewQuadric();
    if (!q) return;
    gluQuadricDrawStyle(q, GLU_LINE);
    const double d = Scene.extents.diagonal;
    for (std::size_t i = 0; i < Lights.size(); ++i) {
        const tlight& l = Lights[i];
        glLineWidth(static_cast<int64_t>(i) == Form1.ComboBox2.index ? 3.0f : 1.0f);
        GLColor3(l.color);
        switch (l.kind) {
            case LightParallel: {
                const tvector& c = Scene.extents.center;
                glPushMatrix();
                GLTranslate(c.x, c.y, c.z);
                GLRotate(l.thirdAngle, 0, 0, 1);
                GLRotate(l.rotation, 0, 1, 0);
                GLRotate(l.elevation, 1, 0, 0);
                gluCylinder(q, 0, 0.1 * d, 1.0 * d, 4, 4);
                glPopMatrix();
                break;
            }
            case LightSpot: {
                const double s = l.spotSpread * DegToRad;
                if (l.spotSpread >= 90) break;
                const tvector angles = DirectionToAngles(NormalizeVector(SubtractVectors(l.position, l.pointAt)));
                const double length = VectorLength(SubtractVectors(l.pointAt, l.position));
                glPushMatrix();
                GLTranslate(l.pointAt.x, l.pointAt.y, l.pointAt.z);
                GLRotate(angles.y * RadToDeg, 0, -1, 0);
                GLRotate(angles.z * RadToDeg, 0, 0, 1);
                GLRotate(90, 0, 1, 0);
                // A cone of half-angle s with its tip at the light.
                gluCylinder(q, length * std::sin(s) / std::sin((Pi - 2 * s) / 2), 0, length, 6, 4);
                glBegin(GL_LINES);
                GLVertex3(0, 0, 0);
                GLVertex3(0, 0, length);
                glEnd();
                glPopMatrix();
                break;
            }
            case LightArea:
                glPushMatrix();
                GLTranslate(l.position.x, l.position.y, l.position.z);
                gluSphere(q, l.areaSize, 6, 6);
                glPopMatrix();
                break;
            default: {
                const double r = 0.05 * d;
                glPushMatrix();
                GLTranslate(l.position.x, l.position.y, l.position.z);
                glBegin(GL_LINES);
                GLVertex3(-r, 0, 0);
                GLVertex3(r, 0, 0);
                GLVertex3(0, -r, 0);
                GLVertex3(0, r, 0);
                GLVertex3(0, 0, -r);
                GLVertex3(0, 0, r);
                glEnd();
                glPopMatrix();
                break;
            }
        }
    }
    glLineWidth(1.0f);
    gluDeleteQuadric(q);
}
