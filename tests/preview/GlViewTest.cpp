// The OpenGL control: its version parsing, its pixel-format request, and a
// real control with its built-in events under the X server.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QTest>
#include <array>

#include "preview/GlCaps.h"
#include "preview/GlView.h"
#include "tests/fixtures/Fixtures.h"

namespace {

TEST(GlVersionTest, NumbersAroundTheFirstPoint) {
    struct Case {
        const char* text;
        int major, minor;
        float number;
    };
    const Case cases[] = {
        {"1.1.0", 1, 1, 1.1f},
        {"4.5 (Compatibility Profile) Mesa 22.3.6", 4, 5, 4.5f},
        {"OpenGL 1.2.1 vendor words", 1, 2, 1.2f},
        {"1.10", 1, 10, 1.1f},  // the minor is an integer
        {"1.", 0, 0, 0},
        {".1", 0, 0, 0},
        {"abc", 0, 0, 0},
        {"", 0, 0, 0},
        {"x.1", 0, 0, 0},
        {"99999999999.1", 0, 0, 0},  // does not fit an integer
    };
    for (const Case& c : cases) {
        int major = -1, minor = -1;
        SplitVersionText(c.text, major, minor);
        EXPECT_EQ(major, c.major) << c.text;
        EXPECT_EQ(minor, c.minor) << c.text;
        EXPECT_FLOAT_EQ(GLVersionNumber(c.text), c.number) << c.text;
    }
}

TEST(GlViewFormatTest, PixelFormatFollowsTheProperties) {
    constexpr TWindowOptions window = WindowOptionBit(wfDrawToWindow) | WindowOptionBit(wfSupportOpenGL);
    constexpr uint32_t windowFlags = PixelDrawToWindow | PixelSupportOpenGL;
    struct Case {
        const char* what;
        TWindowOptions options;
        bool depth, stencil, accum;
        tpixelformat expected;  // flags, colour, depth, stencil, accumulation bits
    };
    const Case cases[] = {
        {"double buffering wins over GDI", window | WindowOptionBit(wfSupportGDI) | WindowOptionBit(wfDoubleBuffer),
         true, false, false, {windowFlags | PixelDoubleBuffer, 16, 16, 0, 0}},
        {"stencil and accumulation when on", window, true, true, true, {windowFlags, 16, 16, 16, 32}},
        {"no depth when off", window, false, false, false, {windowFlags, 16, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        tglviewformat p;
        p.windowFlags = c.options;
        p.depthBufferEnabled = c.depth;
        p.stencilBufferEnabled = c.stencil;
        p.accumBufferEnabled = c.accum;
        p.accumBits = 32;
        const tpixelformat f = BuildPixelFormat(p);
        EXPECT_EQ(f.flags, c.expected.flags) << c.what;
        EXPECT_EQ((std::array{f.colorBits, f.depthBits, f.stencilBits, f.accumBits}),
                  (std::array{c.expected.colorBits, c.expected.depthBits, c.expected.stencilBits,
                              c.expected.accumBits}))
            << c.what;
    }
    EXPECT_EQ(DepthBitsProperty(32), c32bits);
    EXPECT_EQ(DepthBitsProperty(24), c16bits);
    EXPECT_EQ(DepthBitsValue(c32bits), 32);
}

class GlViewTest : public fixtures::ModelTest {};

TEST_F(GlViewTest, WithoutHandlersItCullsAndTurnsItsCube) {
    TGlView view;
    view.resize(120, 90);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QImage first = view.grabFramebuffer();
    ASSERT_TRUE(view.ContextActive());
    EXPECT_GE(view.FrameCounter(), 1);
    // Some pixel of the cube is not black.
    bool coloured = false;
    for (int y = 0; y < first.height() && !coloured; y += 3)
        for (int x = 0; x < first.width() && !coloured; x += 3) coloured = (first.pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_TRUE(coloured);

    view.makeCurrent();
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 120);
    // A height of 0 counts as 1.
    view.resize(120, 0);
    TGlView::DefaultResize(view);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    view.doneCurrent();
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(GlViewTest, AContextThatCannotBeMadeIsReportedOnce) {
    TGlView view;
    int inits = 0;
    view.OnInit = [&](TGlView&) { ++inits; };
    QSurfaceFormat impossible = view.format();
    impossible.setRenderableType(QSurfaceFormat::OpenVG);
    view.setFormat(impossible);
    view.resize(64, 64);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.Draw();
    view.grabFramebuffer();
    EXPECT_FALSE(view.ContextActive());
    EXPECT_EQ(inits, 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Unable to create an OpenGL rendering context");
}

}  // namespace
