// The display lists read back through OpenGL's feedback mode: what each list
// draws, in which order and with which colours and texture coordinates.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "options/Options.h"
#include "preview/PreviewFrame.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;
using fixtures::AddFace;
using fixtures::AddVertex;

// The lists read back through feedback as the one display list of each:
// the driver's feedback of triangles drawn from buffer objects does not give
// their positions back (the pictures of both ways are compared in
// PreviewPicturesTest).
class PreviewListsTest : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        UseBufferObjects = false;
    }
    void TearDown() override {
        UseBufferObjects = true;
        PreviewTest::TearDown();
    }
    // One triangle of the given material (and group) at height y.
    void Triangle(int material, int group = 0, double y = 0) {
        const int32_t a = AddVertex(0, y, 0), b = AddVertex(1, y, 0), c = AddVertex(0, y + 1, 0);
        AddFace(a, b, c, group, material);
    }
};

TEST_F(PreviewListsTest, OpaqueMaterialsComeBeforeTransparentOnes) {
    Triangle(0);  // transparent, first in the list
    Triangle(1);
    Triangle(2);  // transparent through a map only
    Triangle(3);
    SceneMaterials[0].transparency = 0.5;
    SceneMaterials[2].transparencyMap = "alpha.png";
    const tvector colours[4] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
    for (int i = 0; i < 4; ++i) SceneMaterials[i].diffuse = colours[i];
    Prepare();
    const auto drawn = Feedback(FacesList);
    ASSERT_EQ(Count(drawn, FeedbackPrimitive::Polygon), 4);
    const int order[4] = {1, 3, 0, 2};
    for (int k = 0; k < 4; ++k) {
        const FeedbackVertex& v = drawn[k].vertices[0];
        EXPECT_NEAR(v.r, colours[order[k]].x, 1e-3) << "polygon " << k;
        EXPECT_NEAR(v.g, colours[order[k]].y, 1e-3) << "polygon " << k;
        EXPECT_NEAR(v.b, colours[order[k]].z, 1e-3) << "polygon " << k;
    }
}

TEST_F(PreviewListsTest, HiddenGroupsAndDeselectedMaterialsAreInNeitherList) {
    Triangle(0, 0);
    Triangle(0, 1);
    Triangle(1, 0);
    Triangle(1, 1);
    fixtures::AddPolyline(3, 1.0, 1, 0);  // two segments in the hidden group
    fixtures::AddPolyline(2, 1.0, 0, 0);  // one segment shown
    Form1.CheckBox55.checked = true;      // "Show lines"
    SceneGroups[1].visible = 0;
    SceneMaterials[1].selected = 0;
    Prepare();
    const auto faces = Feedback(FacesList);
    EXPECT_EQ(Count(faces, FeedbackPrimitive::Polygon), 1);
    EXPECT_EQ(Count(faces, FeedbackPrimitive::Line), 1);
    EXPECT_EQ(Count(Feedback(WireframeList), FeedbackPrimitive::Polygon), 1);
    // A face or line with an index outside its list is never drawn (the
    // list bodies alone: the statistics refuse such a model).
    const int32_t kept = SceneFaces[0].vertex[2];
    SceneFaces[0].vertex[2] = 999;
    LineSegments.back().material = 99;
    {
        const GLScope gl;
        glNewList(FacesList, GL_COMPILE);
        DrawModelFaces();
        glEndList();
        glNewList(WireframeList, GL_COMPILE);
        DrawWireframe();
        glEndList();
    }
    EXPECT_TRUE(Feedback(FacesList).empty());
    EXPECT_TRUE(Feedback(WireframeList).empty());
    // "Enable Preview" off leaves list 1 empty; list 2 is still built.
    SceneFaces[0].vertex[2] = kept;
    LineSegments.back().material = 0;
    Form1.CheckBox3.checked = false;
    BuildPreviewLists();
    EXPECT_TRUE(Feedback(FacesList).empty());
    EXPECT_EQ(Count(Feedback(WireframeList), FeedbackPrimitive::Polygon), 1);
}

TEST_F(PreviewListsTest, MaterialStateFollowsTheMaterial) {
    struct Case {
        const char* what;
        int32_t texture;
        const char* map;
        double blend;
        tvector diffuse;  // expected GL diffuse
        bool twoSided;
    };
    const Case cases[] = {
        {"map tinted half by the colour", 7, "wood.jpg", 0.5, {1, 0.5, 0.5}, true},
        {"map unchanged", 7, "wood.jpg", 0, {1, 1, 1}, true},
        {"texture without a map name", 7, "", 0.5, {1, 0, 0}, false},
        {"no texture", 0, "wood.jpg", 0.5, {1, 0, 0}, false},
    };
    for (const Case& c : cases) {
        fixtures::ResetModel();
        Triangle(0);
        tmaterial& m = SceneMaterials[0];
        m.diffuse = {1, 0, 0};
        m.transparency = 0.25;
        m.glTexture = c.texture;
        m.colorMap = c.map;
        m.blend = c.blend;
        m.shininess = 0.34f;
        Form1.CheckBox72.checked = c.twoSided;
        Prepare();
        const GLScope gl;
        CallFacesList();
        const GLenum face = c.twoSided ? GL_BACK : GL_FRONT;
        GLfloat diffuse[4], shininess = 0;
        glGetMaterialfv(face, GL_DIFFUSE, diffuse);
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_NEAR(diffuse[0], c.diffuse.x, 1e-3) << c.what;
        EXPECT_NEAR(diffuse[1], c.diffuse.y, 1e-3) << c.what;
        EXPECT_NEAR(diffuse[2], c.diffuse.z, 1e-3) << c.what;
        EXPECT_NEAR(diffuse[3], 0.75, 1e-3) << c.what;
        EXPECT_NEAR(shininess, 128, 1e-3) << c.what;
        EXPECT_EQ(GLMaterialFace, c.twoSided ? GLenum(GL_FRONT_AND_BACK) : GLenum(GL_FRONT)) << c.what;
        GLint twoSide = -1;
        glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
        EXPECT_EQ(twoSide != 0, c.twoSided) << c.what;
    }
}

// A reflective material binds the background on the second unit; whatever
// came last, the list leaves no unit textured.
TEST_F(PreviewListsTest, TexturingIsOffOnEveryUnitAfterTheFaces) {
    ASSERT_TRUE(MultitextureSupported);
    Triangle(0);
    Triangle(1);
    GLuint textures[2] = {0, 0};
    {
        const GLScope gl;
        glGenTextures(2, textures);
        const uint8_t texel[4] = {255, 255, 255, 255};
        for (GLuint t : textures) {
            glBindTexture(GL_TEXTURE_2D, t);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        }
    }
    BackgroundTexture = static_cast<int32_t>(textures[0]);
    SceneMaterials[0].reflection = 0.5;
    SceneMaterials[0].glTexture = static_cast<int32_t>(textures[1]);
    SceneMaterials[1].glTexture = static_cast<int32_t>(textures[1]);  // textured, not reflective
    Prepare();
    const GLScope gl;
    CallFacesList();
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTextureARBEntry(unit);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << unit;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)) << unit;
    }
    glDeleteTextures(2, textures);
    BackgroundTexture = 0;
}

TEST_F(PreviewListsTest, EachNormalIsDrawnOnceAtItsFirstCorner) {
    const int32_t a = AddVertex(0, 0, 0), b = AddVertex(1, 0, 0), c = AddVertex(0, 1, 0), d = AddVertex(1, 1, 0);
    const int32_t up = fixtures::AddNormal(1, 0, 0);
    AddFace(a, b, c);
    AddFace(b, d, c);
    for (tface& f : SceneFaces)
        for (int k = 0; k < 3; ++k) f.normal[k] = up;
    Prepare();
    const auto lines = Feedback(NormalsList);
    ASSERT_EQ(Count(lines, FeedbackPrimitive::Line), 1);
    // From the first corner of the first face, 0.3 x the root of the mean
    // face area long, in magenta.
    const FeedbackVertex& from = lines[0].vertices[0];
    const FeedbackVertex& to = lines[0].vertices[1];
    const double length = 0.3 * std::sqrt(0.5);
    EXPECT_NEAR(NormalLineLength(), length, 1e-9);
    // In window units: the first edge of the first triangle is one unit long.
    const auto triangles = Feedback(WireframeList);
    ASSERT_FALSE(triangles.empty());
    const float unit = triangles[0].vertices[1].x - triangles[0].vertices[0].x;
    EXPECT_NEAR((to.x - from.x) / unit, length, 1e-4);
    EXPECT_FLOAT_EQ(to.y, from.y);
    EXPECT_FLOAT_EQ(from.r, 1.0f);
    EXPECT_FLOAT_EQ(from.g, 0.0f);

    fixtures::ResetModel();
    Prepare();
    EXPECT_TRUE(Feedback(NormalsList).empty());
    EXPECT_EQ(NormalLineLength(), 1.0);
}

// The wire and normals lists cost as much as the faces: they are compiled
// by the first frame that shows them, or at once while shown, and again
// only after the model changed.
TEST_F(PreviewListsTest, WireAndNormalsListsAreCompiledOnlyWhenShown) {
    auto triangles = [] { return Count(Feedback(WireframeList, true), FeedbackPrimitive::Polygon); };
    auto normals = [] { return NormalsList == 0 ? -1 : Count(Feedback(NormalsList, true), FeedbackPrimitive::Line); };
    for (bool buffers : {false, true}) {
        SCOPED_TRACE(buffers ? "buffer objects" : "display lists");
        UseBufferObjects = buffers;
        fixtures::ResetModel();
        fixtures::AddCube(2.0);
        for (tface& f : SceneFaces)
            for (int k = 0; k < 3; ++k) f.normal[k] = fixtures::AddNormal(0, 0, 1);
        Form1.ComboBox4.index = DrawFilled;
        Form1.CheckBox35.checked = false;
        Prepare();
        EXPECT_EQ(triangles(), 0);
        EXPECT_EQ(normals(), -1);
        Frame();  // filled, normals hidden
        EXPECT_EQ(triangles(), 0);
        EXPECT_EQ(normals(), -1);
        Form1.ComboBox4.index = DrawLine;
        Form1.CheckBox35.checked = true;
        Frame();
        EXPECT_EQ(triangles(), 12);
        EXPECT_EQ(normals(), 36);
        // Shown, they are made again with the model at once.
        SceneGroups[0].visible = 0;
        BuildPreviewLists();
        BuildNormalsList();
        EXPECT_EQ(triangles(), 0);
        EXPECT_EQ(normals(), 0);
        SceneGroups[0].visible = 1;
        Form1.ComboBox4.index = DrawFilled;
        Form1.CheckBox35.checked = false;
        BuildPreviewLists();
        BuildNormalsList();
        Frame();
        EXPECT_EQ(triangles(), 0);
        EXPECT_EQ(normals(), -1);
    }
}

uint32_t NoListNames(int32_t) { return 0; }

TEST_F(PreviewListsTest, AListThatCannotBeMadeIsReportedAndTheStatisticsStillShow) {
    Triangle(0);
    uint32_t (*saved)(int32_t) = GenerateListNames;
    GenerateListNames = NoListNames;
    Prepare();
    GenerateListNames = saved;
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "Could not create Preview display list 1.");
    EXPECT_EQ(prompts.shown[1].text, "Could not create Preview display list 2.");
    const auto& geometry = status.Lines(StatusPage::Geometry);
    EXPECT_NE(std::find(geometry.begin(), geometry.end(), "Model Statistics:"), geometry.end());
    EXPECT_EQ(FacesList, 0u);
}

}  // namespace
