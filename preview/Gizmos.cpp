#include "preview/Gizmos.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

#include "model/Model.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"

void GLVertex3(double x, double y, double z) { glVertex3d(x, y, z); }
void GLVertex2(double x, double y) { glVertex2d(x, y); }
void GLNormal3(double x, double y, double z) { glNormal3d(x, y, z); }
void GLTexCoord2(double s, double t) { glTexCoord2d(s, t); }
void GLTranslate(double x, double y, double z) { glTranslated(x, y, z); }
void GLScale(double x, double y, double z) { glScaled(x, y, z); }
void GLRotate(double angle, double x, double y, double z) { glRotated(angle, x, y, z); }
void GLColor3(double r, double g, double b) { glColor3d(r, g, b); }

namespace {

// A GLU quadric for one shape; `ok()` is false when GLU could not make one,
// and then the shape draws nothing.
class Quadric {
public:
    explicit Quadric(QuadricStyle style, QuadricOrientation orientation = QuadricOrientation::Outside)
        : q_(gluNewQuadric()) {
        if (!q_) return;
        static constexpr GLenum styles[] = {GLU_FILL, GLU_LINE, GLU_SILHOUETTE, GLU_POINT};
        gluQuadricDrawStyle(q_, styles[static_cast<int>(style)]);
        gluQuadricNormals(q_, GLU_SMOOTH);
        gluQuadricOrientation(q_, orientation == QuadricOrientation::Outside ? GLU_OUTSIDE : GLU_INSIDE);
    }
    ~Quadric() {
        if (q_) gluDeleteQuadric(q_);
    }
    Quadric(const Quadric&) = delete;
    Quadric& operator=(const Quadric&) = delete;
    bool ok() const { return q_ != nullptr; }
    GLUquadric* get() const { return q_; }

private:
    GLUquadric* q_;
};

// Push, translate and turn as every shape does; the matching pop is the
// caller's.
void PlaceShape(const tvector& position, const tvector& rotation) {
    glPushMatrix();
    GLTranslate(position.x, position.y, position.z);
    GLRotate(rotation.z, 0, 0, 1);
    GLRotate(rotation.y, 0, 1, 0);
    GLRotate(rotation.x, 1, 0, 0);
}

// Moves to the letter's place and turns it to face the viewer.
void PlaceLetter(double scale, const tvector& position) {
    glPushMatrix();
    GLTranslate(position.x, position.y, position.z);
    GLScale(scale, scale, scale);
    const tvector& axis = Scene.viewRotationAxis;
    GLRotate(-(Scene.viewRotationAngle * RadToDeg), axis.x, axis.y, axis.z);
}

// One arrow of the tripod along +Z of the current matrix.
void DrawArrow(GLUquadric* q, double length) {
    gluCylinder(q, 0.05 * length, 0.05 * length, 0.75 * length, 10, 1);
    glPushMatrix();
    GLTranslate(0, 0, 0.75 * length);
    gluCylinder(q, 0.1 * length, 0, 0.25 * length, 10, 1);
    glPopMatrix();
}

}  // namespace

void DrawLetterX(double scale, const tvector& position) {
    PlaceLetter(scale, position);
    glBegin(GL_LINES);
    GLVertex2(-0.5, -0.5);
    GLVertex2(0.5, 0.5);
    GLVertex2(-0.5, 0.5);
    GLVertex2(0.5, -0.5);
    glEnd();
    glPopMatrix();
}

void DrawLetterY(double scale, const tvector& position) {
    PlaceLetter(scale, position);
    glBegin(GL_LINES);
    GLVertex2(-0.5, -0.5);
    GLVertex2(0.5, 0.5);
    GLVertex2(-0.5, 0.5);
    GLVertex2(0, 0);
    glEnd();
    glPopMatrix();
}

void DrawLetterZ(double scale, const tvector& position) {
    PlaceLetter(scale, position);
    glBegin(GL_LINE_LOOP);
    GLVertex2(-0.5, 0.5);
    GLVertex2(0.5, 0.5);
    GLVertex2(-0.5, -0.5);
    GLVertex2(0.5, -0.5);
    glEnd();
    glPopMatrix();
}

void DrawAxesTripod(const tvector& lengths) {
    glDisable(GL_LIGHTING);
    const Quadric q(QuadricStyle::Fill);
    if (!q.ok()) return;
    glPushMatrix();
    GLColor3(1, 0, 0);
    GLRotate(90, 0, 1, 0);
    DrawArrow(q.get(), lengths.x);
    glPopMatrix();
    glPushMatrix();
    GLColor3(0, 1, 0);
    GLRotate(-90, 1, 0, 0);
    DrawArrow(q.get(), lengths.y);
    glPopMatrix();
    glPushMatrix();
    GLColor3(0, 0, 1);
    DrawArrow(q.get(), lengths.z);
    glPopMatrix();
}

void DrawCylinderShape(const tvector& size, const tvector& position, const tvector& rotation, QuadricStyle style) {
    const Quadric q(style);
    if (!q.ok()) return;
    const double r1 = size.x / 2, r2 = size.y / 2, h = size.z;
    PlaceShape(position, rotation);
    glPushMatrix();
    GLTranslate(0, 0, -h / 2);
    GLRotate(180, 0, 1, 0);
    gluDisk(q.get(), 0, r1, 24, 2);
    glPopMatrix();
    glPushMatrix();
    GLTranslate(0, 0, h / 2);
    gluDisk(q.get(), 0, r2, 24, 2);
    glPopMatrix();
    GLTranslate(0, 0, -h / 2);
    gluCylinder(q.get(), r1, r2, h, 24, 24);
    glPopMatrix();
}

void DrawSphereShape(const tvector& size, const tvector& position, const tvector& rotation, QuadricStyle style,
                     QuadricOrientation orientation) {
    const Quadric q(style, orientation);
    if (!q.ok()) return;
    gluQuadricTexture(q.get(), GL_TRUE);
    PlaceShape(position, rotation);
    GLScale(size.x, size.y, size.z);
    gluSphere(q.get(), 0.5, 24, 24);
    glPopMatrix();
}

void DrawBox(const tvector& size, const tvector& position, const tvector& rotation) {
    // Corners of each face counter-clockwise seen from outside.
    static constexpr double faces[6][3 + 12] = {
        {0, 1, 0, -.5, .5, -.5, -.5, .5, .5, .5, .5, .5, .5, .5, -.5},          // +y
        {0, -1, 0, -.5, -.5, -.5, .5, -.5, -.5, .5, -.5, .5, -.5, -.5, .5},      // -y
        {0, 0, 1, -.5, -.5, .5, .5, -.5, .5, .5, .5, .5, -.5, .5, .5},           // +z
        {0, 0, -1, -.5, -.5, -.5, -.5, .5, -.5, .5, .5, -.5, .5, -.5, -.5},      // -z
        {-1, 0, 0, -.5, -.5, -.5, -.5, -.5, .5, -.5, .5, .5, -.5, .5, -.5},      // -x
        {1, 0, 0, .5, -.5, -.5, .5, .5, -.5, .5, .5, .5, .5, -.5, .5},           // +x
    };
    PlaceShape(position, rotation);
    GLScale(size.x, size.y, size.z);
    glBegin(GL_QUADS);
    for (const auto& f : faces) {
        GLNormal3(f[0], f[1], f[2]);
        for (int c = 0; c < 4; ++c) GLVertex3(f[3 + 3 * c], f[4 + 3 * c], f[5 + 3 * c]);
    }
    glEnd();
    glPopMatrix();
}

void DrawWireBox(const tvector& size, const tvector& position, const tvector& rotation) {
    // Both end squares, then the four edges between them (some edges twice).
    static constexpr double strip[][3] = {
        {-.5, -.5, -.5}, {.5, -.5, -.5}, {.5, .5, -.5}, {-.5, .5, -.5}, {-.5, -.5, -.5}, {-.5, -.5, .5},
        {.5, -.5, .5},   {.5, .5, .5},   {-.5, .5, .5}, {-.5, -.5, .5}, {-.5, .5, .5},   {-.5, .5, -.5},
        {.5, .5, -.5},   {.5, .5, .5},   {.5, -.5, .5}, {.5, -.5, -.5},
    };
    PlaceShape(position, rotation);
    GLScale(size.x, size.y, size.z);
    glBegin(GL_LINE_STRIP);
    for (const auto& p : strip) GLVertex3(p[0], p[1], p[2]);
    glEnd();
    glPopMatrix();
}

void DrawBoxBetween(const tvector& p, const tvector& q) {
    const tvector size = SubtractVectors(q, p);
    DrawBox(size, AddVectors(p, ScaleVector(size, 0.5)), {0, 0, 0});
}

void DrawWireBoxBetween(const tvector& p, const tvector& q) {
    const tvector size = SubtractVectors(q, p);
    DrawWireBox(size, AddVectors(p, ScaleVector(size, 0.5)), {0, 0, 0});
}

void DrawGrid(const tvector& size, const tvector& position, const tvector& rotation, int32_t across, int32_t along) {
    const int32_t n = std::max(across, 1), m = std::max(along, 1);
    PlaceShape(position, rotation);
    GLScale(size.x, size.y, size.z);
    glBegin(GL_LINES);
    for (int32_t j = 0; j <= m; ++j) {
        const double t = static_cast<double>(j) / m - 0.5;
        GLVertex2(-0.5, t);
        GLVertex2(0.5, t);
    }
    for (int32_t i = 0; i <= n; ++i) {
        const double t = static_cast<double>(i) / n - 0.5;
        GLVertex2(t, -0.5);
        GLVertex2(t, 0.5);
    }
    glEnd();
    glPopMatrix();
}

void PlainMaterial(float shininess) {
    const GLfloat black[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

void PlainColor(const tvector& c) {
    const GLfloat diffuse[4] = {static_cast<GLfloat>(c.x), static_cast<GLfloat>(c.y), static_cast<GLfloat>(c.z), 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    GLColor3(c);
}

void DrawGroupBoxes(int32_t mode, double) {
    PlainMaterial(100);
    glEnable(GL_NORMALIZE);
    for (const tgroup& g : SceneGroups) {
        if (!g.visible) continue;
        PlainColor(ColorToVector(g.color));
        if (mode == 0)
            DrawBoxBetween(g.minimum, g.maximum);
        else
            DrawWireBoxBetween(g.minimum, g.maximum);
    }
    glDisable(GL_NORMALIZE);
}
