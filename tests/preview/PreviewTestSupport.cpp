#include "tests/preview/PreviewTestSupport.h"

#include <GL/gl.h>

#include <QTest>
#include <cstdlib>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "options/Options.h"
#include "platform/gfx/Jpeg.h"
#include "preview/GlView.h"
#include "preview/PreviewFrame.h"

namespace previewtest {

namespace {
TForm9* previewWindow = nullptr;
}  // namespace

void PreviewTest::SetUpTestSuite() {
    previewWindow = CreatePreviewWindow();
    previewWindow->SetClientSize(FrameWidth, FrameHeight);
    previewWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(previewWindow));
}

void PreviewTest::TearDownTestSuite() {
    delete previewWindow;
    previewWindow = nullptr;
}

void PreviewTest::SetUp() {
    ModelTest::SetUp();
    ResetOptionsToDefaults();
    Services s;
    s.window = &hooks;
    previewServices = new ScopedServices(s);
    ASSERT_TRUE(QueryGLInfo()) << GLUnavailableReason();
    PreviewReady = true;
    Scene.backgroundColor = 0;
    InitGLState();
    SetFaceCulling(!Form1.CheckBox42.checked);
    Form9.glView1.width = FrameWidth;
    Form9.glView1.height = FrameHeight;
}

void PreviewTest::TearDown() {
    delete previewServices;
    previewServices = nullptr;
    ModelTest::TearDown();
    ResetOptionsToDefaults();
}

void PreviewTest::Prepare() {
    BuildMaterialFaceTable();
    BuildVertexFaceTable();
    ComputeExtents();
    ComputeGroupExtents();
    BuildPreviewLists();
    BuildNormalsList();
    ResetCamera();
    ApplyCameraEdits();
}

void PreviewTest::FrontView() {
    Form1.Edit18.text = "0";
    Form1.Edit19.text = "0";
    Form1.Edit20.text = "0";
    ApplyCameraEdits();
}

QImage PreviewTest::Frame() {
    return previewWindow->glView1->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
}

QColor At(const QImage& image, double fx, double fy) {
    const int x = std::clamp(static_cast<int>(fx * image.width()), 0, image.width() - 1);
    const int y = std::clamp(static_cast<int>(fy * image.height()), 0, image.height() - 1);
    return image.pixelColor(x, y);
}

bool IsRed(const QColor& c) { return c.red() > 150 && c.green() < 110 && c.blue() < 110; }

bool Near(const QColor& c, int r, int g, int b, int tolerance) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

void WriteJpeg(const std::string& file, int width, int height, const std::function<QColor(int x, int y)>& color) {
    gfx::JpegImage jpeg;
    jpeg.setSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QColor c = color(x, y);
            uint8_t* p = jpeg.scanLine(y) + 3 * x;  // B, G, R
            p[0] = static_cast<uint8_t>(c.blue());
            p[1] = static_cast<uint8_t>(c.green());
            p[2] = static_cast<uint8_t>(c.red());
        }
    jpeg.setQuality(100);
    jpeg.saveToFile(file);
}

std::vector<FeedbackPrimitive> Feedback(uint32_t list, bool asCompiled) {
    std::vector<FeedbackPrimitive> result;
    const GLScope gl;
    if (!gl.ok()) return result;
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 200, 200);
    // The wire and normals lists are compiled when first drawn.
    if (!asCompiled && list == WireframeList) EnsureWireframeList();
    if (!asCompiled && list == NormalsList) {
        EnsureNormalsList();
        list = NormalsList;
    }
    if (list == FacesList) CallFacesList();
    else if (list == WireframeList) CallWireframeList();
    else glCallList(list);
    DisableTexturing();
    const GLint n = glRenderMode(GL_RENDER);
    // Each vertex: x, y, z, then r, g, b, a.
    const auto vertex = [&](GLint& i) {
        const GLfloat* f = &buffer[static_cast<std::size_t>(i)];
        i += 7;
        return FeedbackVertex{f[0], f[1], f[2], f[3], f[4], f[5], f[6]};
    };
    for (GLint i = 0; i < n;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        FeedbackPrimitive p;
        if (token == GL_POLYGON_TOKEN) {
            const GLint count = static_cast<GLint>(buffer[i++]);
            for (GLint k = 0; k < count; ++k) p.vertices.push_back(vertex(i));
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            p.kind = FeedbackPrimitive::Line;
            p.vertices = {vertex(i), vertex(i)};
        } else if (token == GL_POINT_TOKEN) {
            p.kind = FeedbackPrimitive::Point;
            p.vertices = {vertex(i)};
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
            continue;
        } else {
            continue;  // bitmap and pixel tokens: not drawn by the lists
        }
        result.push_back(std::move(p));
    }
    return result;
}

int Count(const std::vector<FeedbackPrimitive>& primitives, FeedbackPrimitive::Kind kind) {
    int n = 0;
    for (const FeedbackPrimitive& p : primitives) n += p.kind == kind;
    return n;
}

}  // namespace previewtest
