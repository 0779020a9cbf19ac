// Frames of the preview window on small models: pixels probed where the
// model must or must not show.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "model/TextConv.h"
#include "options/Options.h"
#include "preview/PreviewFrame.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;
using fixtures::AddFace;
using fixtures::AddUV;
using fixtures::AddVertex;

class PreviewFrameTest : public PreviewTest {
protected:
    // A square of side 2 in the plane z = 0 about the origin, its front
    // towards +Z (or away from it), with UVs 0..1 unless `withUVs` is false.
    void Square(bool facingViewer = true, bool withUVs = true, int group = 0, int material = 0) {
        const int32_t a = AddVertex(-1, -1, 0), b = AddVertex(1, -1, 0), c = AddVertex(1, 1, 0),
                      d = AddVertex(-1, 1, 0);
        int32_t ua = 0, ub = 0, uc = 0, ud = 0;
        if (withUVs) {
            ua = AddUV(0, 0);
            ub = AddUV(1, 0);
            uc = AddUV(1, 1);
            ud = AddUV(0, 1);
        }
        if (facingViewer) {
            AddFace(a, b, c, group, material, ua, ub, uc);
            AddFace(a, c, d, group, material, ua, uc, ud);
        } else {
            AddFace(a, c, b, group, material, ua, uc, ub);
            AddFace(a, d, c, group, material, ua, ud, uc);
        }
    }
    // A texture of w x h RGBA texels in the preview's share group.
    static int32_t Texture(int w, int h, const std::vector<uint32_t>& rgba) {
        const GLScope gl;
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return static_cast<int32_t>(name);
    }
    static void Red(tmaterial& m) {
        m.diffuse = {1, 0, 0};
        m.specular = {0, 0, 0};
    }
    static std::string Name(const QColor& c) { return c.name().toStdString(); }
};

TEST_F(PreviewFrameTest, LitRedCubeShowsRedInTheMiddleOnTheBackground) {
    fixtures::AddCube(2.0);
    Red(SceneMaterials[0]);
    Prepare();
    const QImage frame = Frame();
    EXPECT_TRUE(IsRed(At(frame, 0.5, 0.5))) << Name(At(frame, 0.5, 0.5));
    EXPECT_TRUE(Near(At(frame, 0.02, 0.02), 0, 0, 0)) << Name(At(frame, 0.02, 0.02));
    // Without the preview, only the background.
    Form1.CheckBox3.checked = false;
    EXPECT_TRUE(Near(At(Frame(), 0.5, 0.5), 0, 0, 0));
}

// Texels are red, green, blue, white from the lower left (u, v = 0) on; a
// face without UVs shows the middle of its map.
TEST_F(PreviewFrameTest, ATextureShowsItsColours) {
    Square();
    Form1.CheckBox33.checked = false;  // unlit: texels as they are
    SceneMaterials[0].glTexture = Texture(2, 2, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF});
    Prepare();
    FrontView();
    // The texel centres (u, v = 0.25 or 0.75) lie at these parts of the frame.
    const double left = 0.35, right = 0.65, low = 0.7, high = 0.3;
    const QImage frame = Frame();
    EXPECT_TRUE(Near(At(frame, left, low), 255, 0, 0)) << Name(At(frame, left, low));
    EXPECT_TRUE(Near(At(frame, right, low), 0, 255, 0)) << Name(At(frame, right, low));
    EXPECT_TRUE(Near(At(frame, left, high), 0, 0, 255)) << Name(At(frame, left, high));
    EXPECT_TRUE(Near(At(frame, right, high), 255, 255, 255)) << Name(At(frame, right, high));
    // "Show maps" off: the material colour (white).
    Form1.CheckBox4.checked = false;
    BuildPreviewLists();
    EXPECT_TRUE(Near(At(Frame(), left, low), 255, 255, 255));

    fixtures::ResetModel();
    Square(true, false);
    Form1.CheckBox4.checked = true;
    // Three by three red texels around a green one.
    std::vector<uint32_t> texels(9, 0xFF0000FF);
    texels[4] = 0xFF00FF00;
    SceneMaterials[0].glTexture = Texture(3, 3, texels);
    Prepare();
    FrontView();
    const QImage middle = Frame();
    EXPECT_TRUE(Near(At(middle, 0.45, 0.55), 0, 255, 0)) << Name(At(middle, 0.45, 0.55));
    EXPECT_TRUE(Near(At(middle, 0.55, 0.45), 0, 255, 0)) << Name(At(middle, 0.55, 0.45));
}

TEST_F(PreviewFrameTest, CullingAndTwoSidedLighting) {
    struct Case {
        const char* what;
        bool culling, twoSided;
        bool red, dark;
    };
    const Case cases[] = {{"culled", true, true, false, true},
                          {"back lit on both sides", false, true, true, false},
                          {"back of a one-sided material", false, false, false, true}};
    for (const Case& c : cases) {
        fixtures::ResetModel();
        Square(false);
        Red(SceneMaterials[0]);
        Form1.CheckBox72.checked = c.twoSided;
        SetFaceCulling(c.culling);
        Prepare();
        FrontView();
        const QColor centre = At(Frame(), 0.5, 0.5);
        EXPECT_EQ(IsRed(centre), c.red) << c.what << " " << Name(centre);
        EXPECT_EQ(centre.red() < 60, c.dark) << c.what << " " << Name(centre);
    }
    // A square facing the viewer is drawn whatever the culling.
    fixtures::ResetModel();
    Square(true);
    Red(SceneMaterials[0]);
    SetFaceCulling(true);
    Prepare();
    FrontView();
    EXPECT_TRUE(IsRed(At(Frame(), 0.5, 0.5)));
}

TEST_F(PreviewFrameTest, CameraPanelValuesMoveThePicture) {
    // The red pixels: how many, and their mean x as a share of the width.
    const auto red = [](const QImage& f) {
        double sum = 0;
        int n = 0;
        for (int y = 0; y < f.height(); ++y)
            for (int x = 0; x < f.width(); ++x)
                if (IsRed(f.pixelColor(x, y))) sum += x, ++n;
        return std::pair{n, n ? sum / n / f.width() : -1.0};
    };
    // A red cube right of a green one.
    fixtures::AddCube(0.5, {0.5, 0, 0}, 0, 0);
    fixtures::AddCube(0.5, {-0.5, 0, 0}, 0, 1);
    Red(SceneMaterials[0]);
    SceneMaterials[1].diffuse = {0, 1, 0};
    Prepare();
    FrontView();
    const double front = red(Frame()).second;
    EXPECT_GT(front, 0.55);
    Form1.Edit15.text = "1";  // panned right: the cubes move left
    ApplyCameraEdits();
    EXPECT_LT(red(Frame()).second, front - 0.1);
    Form1.Edit15.text = "0";
    Form1.Edit19.text = "180";  // turned half round: the red cube is on the left
    ApplyCameraEdits();
    EXPECT_LT(red(Frame()).second, 0.45);

    // One cube in the middle: a narrower view angle makes it larger; closer,
    // larger still.
    fixtures::ResetModel();
    fixtures::AddCube(0.5);
    Red(SceneMaterials[0]);
    Prepare();
    FrontView();
    const int size = red(Frame()).first;
    Form1.Edit14.text = FloatToText(TextToFloat(Form1.Edit14.text) * 0.8);
    ApplyCameraEdits();
    const int zoomed = red(Frame()).first;
    EXPECT_GT(zoomed, 1.4 * size);
    Form1.Edit17.text = FloatToText(TextToFloat(Form1.Edit17.text) * 0.9);
    ApplyCameraEdits();
    EXPECT_GT(red(Frame()).first, zoomed);
}

TEST_F(PreviewFrameTest, DrawModesReplayTheLists) {
    struct Case {
        PreviewDrawMode mode;
        bool redMiddle, backgroundMiddle;
    };
    const Case cases[] = {{DrawFilled, true, false},       {DrawLine, false, true},
                          {DrawPoints, false, true},       {DrawHiddenLine, true, false},
                          {DrawGroupBoxWire, true, false}, {DrawOutline, true, false}};
    fixtures::AddCube(2.0);
    Red(SceneMaterials[0]);
    Form1.Label170.color = 0x00FF00;  // green lines
    Prepare();
    FrontView();
    for (const Case& c : cases) {
        Form1.ComboBox4.index = c.mode;
        // Off the middle: the face diagonals cross there.
        const QColor middle = At(Frame(), 0.5, 0.4);
        EXPECT_EQ(IsRed(middle), c.redMiddle) << c.mode << " " << Name(middle);
        EXPECT_EQ(Near(middle, 0, 0, 0), c.backgroundMiddle) << c.mode << " " << Name(middle);
    }
    // Solid group boxes show the group's colour instead of the model.
    SceneGroups[0].color = 0xFF0000;  // blue
    Form1.ComboBox4.index = DrawGroupBoxSolid;
    const QColor box = At(Frame(), 0.5, 0.4);
    EXPECT_GT(box.blue(), 100) << Name(box);
    EXPECT_LT(box.red(), 60) << Name(box);
}

TEST_F(PreviewFrameTest, AnOpenGLErrorIsLoggedOncePerCheck) {
    const GLScope gl;
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glEnable(0x1234);
    CheckGLError("x");
    CheckGLError("x");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "OpenGL error: GLenum argument out of range (x)");
    EXPECT_EQ(status.statusLine, Messages()[0]);
    EXPECT_EQ(status.pumps, 0);
}

}  // namespace
