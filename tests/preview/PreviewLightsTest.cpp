// The scene lights as OpenGL lights, read back from the context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "model/VectorMath.h"
#include "preview/PreviewLights.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;

class PreviewLightsTest : public PreviewTest {
protected:
    void SetUp() override {
        PreviewTest::SetUp();
        Scene.extents.center = {0, 0, 0};
        Scene.extents.diagonal = 2;
    }
    static tlight Light(LightKind kind, tvector color = {1, 1, 1}) {
        tlight l;
        NewLight(l);
        l.kind = kind;
        l.color = color;
        return l;
    }
    // One value of a light as OpenGL holds it.
    static std::array<GLfloat, 4> Get(GLenum light, GLenum what) {
        std::array<GLfloat, 4> v{};
        glGetLightfv(light, what, v.data());
        return v;
    }
    static int Enabled() {
        int n = 0;
        for (int i = 0; i < MaxGLLights; ++i) n += glIsEnabled(GL_LIGHT0 + i) ? 1 : 0;
        return n;
    }
};

TEST_F(PreviewLightsTest, EachLightOfAFewBecomesOneOpenGLLight) {
    ASSERT_GE(MaxGLLights, 8);
    Lights = {Light(LightParallel, {1, 0.5, 0}), Light(LightSpot), Light(LightArea), Light(LightPoint)};
    Lights[0].rotation = 90;  // from +X
    Lights[0].intensity = 2;
    Lights[1].position = {0, 4, 0};
    Lights[1].spotSpread = 120;  // more than OpenGL takes
    Lights[2].fadeDistance = 2;
    Lights[3].fadeDistance = 0;  // no fading rather than a division by zero

    const GLScope gl;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupGLLights();
    EXPECT_EQ(Enabled(), 4);
    // The parallel light stands 100 diagonals x the diagonal out along its angles.
    const auto p = Get(GL_LIGHT0, GL_POSITION);
    EXPECT_NEAR(p[0], 100 * 2 * 2, 1e-3);
    EXPECT_NEAR(p[1], 0, 1e-3);
    EXPECT_EQ(Get(GL_LIGHT0, GL_DIFFUSE), (std::array<GLfloat, 4>{2, 1, 0, 1}));
    EXPECT_EQ(Get(GL_LIGHT0, GL_SPECULAR), (std::array<GLfloat, 4>{2, 2, 2, 1}));
    EXPECT_EQ(Get(GL_LIGHT0, GL_SPOT_CUTOFF)[0], 180);
    EXPECT_EQ(Get(GL_LIGHT1, GL_SPOT_CUTOFF)[0], 90);
    EXPECT_EQ(Get(GL_LIGHT1, GL_SPOT_EXPONENT)[0], 20);
    const auto direction = Get(GL_LIGHT1, GL_SPOT_DIRECTION);
    EXPECT_NEAR(direction[1], -1, 1e-6);
    EXPECT_EQ(Get(GL_LIGHT2, GL_CONSTANT_ATTENUATION)[0], 0.5f);
    EXPECT_EQ(Get(GL_LIGHT2, GL_QUADRATIC_ATTENUATION)[0], 0.125f);
    EXPECT_EQ(Get(GL_LIGHT3, GL_QUADRATIC_ATTENUATION)[0], 0.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(PreviewLightsTest, ManyLightsFoldIntoSixAxisLights) {
    ASSERT_GE(MaxGLLights, 6);
    // One red light from +X, the rest white from straight above, enough of
    // them to reach the number of OpenGL lights.
    tlight fromX = Light(LightParallel, {1, 0, 0});
    fromX.rotation = 90;
    Lights.push_back(fromX);
    while (static_cast<int>(Lights.size()) < MaxGLLights) {
        tlight above = Light(LightPoint);
        above.elevation = -90;  // (0, 0, r) turned -90 about X points up
        Lights.push_back(above);
    }
    const GLScope gl;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupGLLights();
    EXPECT_EQ(Enabled(), 6);
    // The +X light sits on +X and carries the red light only; the lights
    // from above add to neither X sum.
    const auto plusX = Get(GL_LIGHT0, GL_POSITION);
    EXPECT_GT(plusX[0], 0);
    const auto red = Get(GL_LIGHT0, GL_DIFFUSE);
    EXPECT_NEAR(red[0], 1, 1e-5);
    EXPECT_NEAR(red[1], 0, 1e-5);
    EXPECT_NEAR(Get(GL_LIGHT0, GL_SPECULAR)[0], 0.3, 1e-5);
    EXPECT_NEAR(Get(GL_LIGHT1, GL_DIFFUSE)[0], 0, 1e-5);
    // Above: the +Y light sums the white ones.
    EXPECT_NEAR(Get(GL_LIGHT2, GL_DIFFUSE)[1], MaxGLLights - 1, 1e-4);
    EXPECT_NEAR(Get(GL_LIGHT3, GL_DIFFUSE)[1], 0, 1e-5);
}

TEST_F(PreviewLightsTest, EachKindOfLightHasItsOutline) {
    struct Case {
        LightKind kind;
        float spread;
        int lines;  // line segments of the outline
    };
    // A cross of three lines; a spot's cone (24 lines of 6 slices and 4
    // stacks) and its axis, unless it spreads 90 degrees or more.
    const Case cases[] = {{LightPoint, 20, 3}, {LightSpot, 20, 25}, {LightSpot, 90, 0}};
    for (const Case& c : cases) {
        Lights = {Light(c.kind)};
        Lights[0].position = {0, 3, 0};
        Lights[0].spotSpread = c.spread;
        const GLScope gl;
        const GLuint outline = glGenLists(1);
        glNewList(outline, GL_COMPILE);
        DrawLightIcons();
        glEndList();
        EXPECT_EQ(Count(Feedback(outline), FeedbackPrimitive::Line), c.lines) << c.kind << " " << c.spread;
        glDeleteLists(outline, 1);
    }
}

}  // namespace
