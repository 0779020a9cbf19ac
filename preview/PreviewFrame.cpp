#include "preview/PreviewFrame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QImage>
#include <QOpenGLFramebufferObject>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/Gizmos.h"
#include "preview/GlCaps.h"
#include "preview/GlResources.h"
#include "preview/GlState.h"
#include "preview/PreviewLights.h"
#include "preview/PreviewLists.h"
#include "preview/PreviewOverlay.h"

namespace {

// The field of view given to the projection: 0 and 180 degrees would
// collapse it, so the value used stays inside; the stored one is unchanged.
double ProjectionFieldOfView() { return std::clamp(Scene.fieldOfView, 0.01, 179.9); }

// How far the placeholders reach beyond the model (0 when they stay within).
double PlaceholderReach() {
    if (!Form1.CheckBox61.checked || Placeholders.empty()) return 0;
    tvector lo{1e10, 1e10, 1e10}, hi{-1e10, -1e10, -1e10};
    for (const tplaceholder& p : Placeholders) {
        const tvector q = AddVectors(p.position, p.size);
        lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
        hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
    }
    const tvector& c = Scene.extents.center;
    const double reach = std::max(VectorLength(SubtractVectors(c, lo)), VectorLength(SubtractVectors(c, hi))) -
                         0.55 * Scene.extents.diagonal;
    return reach < Epsilon ? 0 : reach;
}

void ViewRotation() {
    const tvector& a = Scene.viewRotationAxis;
    GLRotate(Scene.viewRotationAngle * RadToDeg, a.x, a.y, a.z);
}

void DrawSky() {
    if (BackgroundTexture == 0) return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    GLColor3(1, 1, 1);
    glPushMatrix();
    ViewRotation();
    EnableTexture(static_cast<uint32_t>(BackgroundTexture));
    GLRotate(BackgroundRotation, 0, 1, 0);
    const double d = Scene.extents.diagonal;
    DrawSphereShape({-10000 * d, 10000 * d, 10000 * d}, Scene.translation, {-90, -90, 0}, QuadricStyle::Fill,
                    QuadricOrientation::Outside);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    DisableTexturing();
}

void DrawPlaceholders() {
    if (!Form1.CheckBox61.checked || Placeholders.empty()) return;
    PlainMaterial(100);
    glEnable(GL_COLOR_MATERIAL);
    for (const tplaceholder& p : Placeholders) {
        PlainColor(ColorToVector(p.color));
        switch (p.kind) {
            case PlaceholderBox: DrawBox(p.size, p.position, p.rotation); break;
            case PlaceholderBall:
                DrawSphereShape(p.size, p.position, p.rotation, QuadricStyle::Fill, QuadricOrientation::Outside);
                break;
            default: DrawCylinderShape(p.size, p.position, p.rotation, QuadricStyle::Fill); break;
        }
    }
    glDisable(GL_COLOR_MATERIAL);
}

void DrawGround() {
    if (!Form1.CheckBox8.checked) return;
    PlainMaterial(10);
    PlainColor(ColorToVector(Form1.Label151.color));
    double y = 0;
    int32_t code = 0;
    ValFloat(Form1.Edit36.text, y, code);
    if (code != 0 || !std::isfinite(y)) y = 0;
    const tvector& lo = Scene.extents.minimum;
    const tvector& hi = Scene.extents.maximum;
    const double e = (hi.x - lo.x) * 0.1;
    glBegin(GL_QUADS);
    GLNormal3(0, 1, 0);
    GLVertex3(lo.x - e, y, lo.z - e);
    GLVertex3(lo.x - e, y, hi.z + e);
    GLVertex3(hi.x + e, y, hi.z + e);
    GLVertex3(hi.x + e, y, lo.z - e);
    glEnd();
}

void LineColor() { GLColor3(ColorToVector(Form1.Label170.color)); }

void DrawModel(PreviewDrawMode mode) {
    switch (mode) {
        case DrawLine:
        case DrawPoints:
            DisableTexturing();
            glDisable(GL_LIGHTING);
            LineColor();
            EnsureWireframeList();
            CallWireframeList();
            break;
        case DrawHiddenLine:
            glEnable(GL_POLYGON_OFFSET_FILL);
            glEnable(GL_TEXTURE_2D);
            CallFacesList();
            DisableTexturing();
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_LIGHTING);
            LineColor();
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            EnsureWireframeList();
            CallWireframeList();
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            break;
        case DrawGroupBoxWire:
            glEnable(GL_TEXTURE_2D);
            CallFacesList();
            glDisable(GL_LIGHTING);
            DisableTexturing();
            glLineWidth(2);
            DrawGroupBoxes(1);
            glLineWidth(1);
            break;
        case DrawGroupBoxSolid:
            glEnable(GL_LIGHTING);
            DrawGroupBoxes(0);
            break;
        case DrawOutline:
            glEnable(GL_TEXTURE_2D);
            CallFacesList();
            glLineWidth(4);
            glDisable(GL_LIGHTING);
            glPolygonMode(GL_BACK, GL_LINE);
            glEnable(GL_POLYGON_OFFSET_FILL);
            DisableTexturing();
            LineColor();
            EnsureWireframeList();
            CallWireframeList();
            glDisable(GL_POLYGON_OFFSET_FILL);
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            glLineWidth(1);
            break;
        default:
            glEnable(GL_TEXTURE_2D);
            CallFacesList();
            break;
    }
}

void DrawFocusPlanes() {
    if (!Form1.CheckBox54.checked || !Form1.CheckBox25.checked) return;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glPushMatrix();
    GLTranslate(Scene.translation.x, Scene.translation.y, Scene.translation.z);
    const tvector& a = Scene.viewRotationAxis;
    GLRotate(-Scene.viewRotationAngle * RadToDeg, a.x, a.y, a.z);
    const double d = Scene.extents.diagonal;
    GLColor3(1, 0, 1);
    DrawGrid({d, d, d}, {0, 0, TextToFloat(Form1.Edit34.text)}, {0, 0, 0}, 40, 40);
    GLColor3(0, 1, 1);
    DrawGrid({d, d, d}, {0, 0, TextToFloat(Form1.Edit35.text)}, {0, 0, 0}, 30, 30);
    glPopMatrix();
}

const char* GLErrorText(GLenum e) {
    switch (e) {
        case GL_INVALID_ENUM: return "GLenum argument out of range";
        case GL_INVALID_VALUE: return "Numeric argument out of range";
        case GL_INVALID_OPERATION: return "Operation illegal in current state";
        case GL_STACK_OVERFLOW: return "Command would cause a stack overflow";
        case GL_STACK_UNDERFLOW: return "Command would cause a stack underflow";
        case GL_OUT_OF_MEMORY: return "Not enough memory left to execute command";
        default: return "";
    }
}

// Appends a line to the log without letting the windows repaint: safe while
// a frame is drawn.
void LogWhileDrawing(std::string_view line) {
    StatusSink& s = *Svc().status;
    s.AppendLine(StatusPage::Messages, line);
    s.SetStatusLine(line);
}

// The eight sub-pixel offsets of the antialiased frame, in pixels.
constexpr double Jitter[8][2] = {
    {-0.334818, 0.435331}, {0.286438, -0.393495}, {0.459462, 0.141540}, {-0.414498, -0.192829},
    {-0.183790, 0.082102}, {-0.079263, -0.317383}, {0.102254, 0.299133}, {0.164216, -0.054399},
};

// The 3D content drawn eight times, each shifted by a fraction of a pixel,
// and the average of the eight pictures put back into the frame. The sum is
// kept on the CPU: the frame buffers here have no accumulation buffer.
void DrawAntialiased(double frustumWidth, double frustumHeight) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int vw = viewport[2], vh = viewport[3];
    LogWhileDrawing("Sampling images for antialiasing...");
    if (vw < 1 || vh < 1) return;
    const std::size_t bytes = static_cast<std::size_t>(vw) * static_cast<std::size_t>(vh) * 4;
    std::vector<uint16_t> sum(bytes, 0);
    std::vector<uint8_t> pass(bytes);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (int k = 0; k < 8; ++k) {
        ShowProgress(0, 7, k);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        GLTranslate(Jitter[k][0] * frustumWidth / vw, Jitter[k][1] * frustumHeight / vh, 0);
        if (Form1.CheckBox3.checked) drawobjects();
        glPopMatrix();
        glReadPixels(viewport[0], viewport[1], vw, vh, GL_RGBA, GL_UNSIGNED_BYTE, pass.data());
        for (std::size_t i = 0; i < bytes; ++i) sum[i] = static_cast<uint16_t>(sum[i] + pass[i]);
    }
    for (std::size_t i = 0; i < bytes; ++i) pass[i] = static_cast<uint8_t>((sum[i] + 4) / 8);
    // The average goes back as it is: no depth, blending, texturing or
    // alpha test on the way.
    glPushAttrib(GL_ENABLE_BIT);
    for (GLenum cap : {GL_DEPTH_TEST, GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_FOG})
        glDisable(cap);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRasterPos2d(-1, -1);
    glDrawPixels(vw, vh, GL_RGBA, GL_UNSIGNED_BYTE, pass.data());
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

}  // namespace

PreviewDrawMode ChosenDrawMode() {
    const int32_t i = Form1.ComboBox4.index;
    return i >= DrawFilled && i <= DrawOutline ? static_cast<PreviewDrawMode>(i) : DrawFilled;
}

void CheckGLError(std::string_view where) {
    const GLenum e = glGetError();
    if (e == GL_NO_ERROR) return;
    LogWhileDrawing("OpenGL error: " + std::string(GLErrorText(e)) + " (" + std::string(where) + ")");
}

void drawobjects() {
    if (FacesList == 0 || !glIsList(FacesList)) {
        CheckGLError("drawobjects()");
        return;
    }
    DrawSky();
    const PreviewDrawMode mode = ChosenDrawMode();
    glPolygonMode(GL_FRONT_AND_BACK, mode == DrawLine ? GL_LINE : mode == DrawPoints ? GL_POINT : GL_FILL);
    if (Form1.CheckBox33.checked)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    if (Lights.empty()) SetupHeadlight();
    glPushMatrix();
    ViewRotation();
    GLTranslate(-Scene.translation.x, -Scene.translation.y, -Scene.translation.z);
    if (!Lights.empty()) SetupGLLights();
    DrawPlaceholders();
    DrawGround();
    DrawModel(mode);
    DisableTexturing();
    glDisable(GL_LIGHTING);
    if (Form1.CheckBox35.checked) {
        EnsureNormalsList();
        if (NormalsList != 0 && glIsList(NormalsList)) glCallList(NormalsList);
    }
    if (Form1.CheckBox53.checked) DrawLightIcons();
    DrawFocusPlanes();
    glPopMatrix();
    CheckGLError("drawobjects()");
}

void drawscene(int width, int height) {
    if (!PreviewReady) return;
    if (Scene.fieldOfView < 0 || Scene.fieldOfView > 180) Scene.fieldOfView = 19.0;
    const double fov = ProjectionFieldOfView();
    const double aspect = height < 1 ? 1.0 : static_cast<double>(width) / height;
    const double dist = std::fabs(Scene.cameraLocation.z);
    const double diagonal = Scene.extents.diagonal;
    const double extra = 2 * VectorLength(SubtractVectors(Scene.translation, Scene.extents.center)) + PlaceholderReach();
    const double reach = 0.55 * (diagonal + extra);
    double zFar = reach <= dist ? reach + dist : diagonal + extra;
    const double zNear = zFar / 50;
    if (!BackgroundMapName.empty()) zFar += 0.55 * diagonal * 10000;
    const double h = 2 * dist * std::tan(fov * DegToRad / 2);
    const double w = h * aspect;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (Scene.orthographic)
        glOrtho(-w / 2, w / 2, -h / 2, h / 2, dist - reach, dist + reach);
    else
        gluPerspective(fov, aspect, zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const tvector& eye = Scene.cameraLocation;
    gluLookAt(eye.x, eye.y, eye.z, eye.x, eye.y, eye.z - 1, 0, 1, 0);

    if (Scene.savingPreview)
        DrawAntialiased(w, h);
    else {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (Form1.CheckBox3.checked) drawobjects();
    }
    glDisable(GL_LIGHTING);
    if (OverlayWanted()) DrawOverlay(width, height, w, h);
    glFinish();
    CheckGLError("drawscene()");
}

void DrawPreviewFrame(int width, int height) {
    ApplyGLState();
    drawscene(width, height);
}

bool RenderPreviewOffscreen(int width, int height, const std::function<bool()>& use, std::string& error) {
    const GLScope gl;
    if (!gl.ok()) {
        error = GLUnavailableReason();
        if (error.empty()) error = "Unable to create an OpenGL rendering context";
        return false;
    }
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setInternalTextureFormat(GL_RGB8);
    QOpenGLFramebufferObject target(width, height, format);
    if (!target.isValid() || !target.bind()) {
        error = "Unable to make an offscreen picture of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    glViewport(0, 0, width, height);
    DrawPreviewFrame(width, height);
    const bool used = use();
    target.release();
    return used;
}

bool RenderPreviewImage(int width, int height, QImage& image, std::string& error) {
    return RenderPreviewOffscreen(
        width, height,
        [&] {
            image = QImage(width, height, QImage::Format_RGBA8888);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
            image = image.mirrored().convertToFormat(QImage::Format_RGB32);  // rows top-down
            return true;
        },
        error);
}
