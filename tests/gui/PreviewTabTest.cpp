// The Preview tab in the real window: the lights and placeholders panels
// typed into and clicked, the background colour and the preview's OpenGL
// state that the options set.
#include <GL/gl.h>

#include <QComboBox>
#include <QLineEdit>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QToolButton>

#include "GuiFixtures.h"
#include "preview/GlResources.h"
#include "preview/GlState.h"
#include "preview/GlView.h"
#include "ui/core/LoadDrivers.h"

namespace {

class PreviewTabTest : public GuiTest {
protected:
    void StartWithModel() {
        StartProgram();
        BatchFiles = {MIRELAN_TEXTURED_MODEL};  // two boxes, no lights
        ASSERT_TRUE(LoadSelectedModels());
        Form1.PageControl1.active = 1;
        app->Bindings().RefreshAll();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->Main()));
    }
    void Click(const std::string& name) {
        auto* button = FindOne<QAbstractButton>("Form1", name);
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Replaces the text of an edit as the user types it.
    void TypeInto(const std::string& name, const QString& text) {
        auto* edit = FindOne<QLineEdit>("Form1", name);
        ASSERT_TRUE(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The up (0) or down (1) arrow of a spin button.
    void Spin(const std::string& name, int arrow) {
        auto* spin = FindOne<QWidget>("Form1", name);
        ASSERT_TRUE(spin);
        const auto arrows = spin->findChildren<QToolButton*>();
        ASSERT_EQ(arrows.size(), 2);
        QTest::mouseClick(arrows[arrow], Qt::LeftButton);
    }
    QString Text(const std::string& name) { return FindOne<QLineEdit>("Form1", name)->text(); }
};

TEST_F(PreviewTabTest, LightsPanelFollowsTypingAndClicks) {
    StartWithModel();
    prompts.inputAccepts = true;
    Click("Button4");
    ASSERT_EQ(Lights.size(), 1u);
    auto* selector = FindOne<QComboBox>("Form1", "ComboBox2");
    EXPECT_EQ(selector->currentText(), QStringLiteral("Light_1"));
    EXPECT_EQ(Text("Edit80"), QStringLiteral("Light_1"));

    TypeInto("Edit81", QStringLiteral("abc"));
    EXPECT_DOUBLE_EQ(Lights[0].intensity, 1.0);
    TypeInto("Edit81", QStringLiteral("250"));
    EXPECT_DOUBLE_EQ(Lights[0].intensity, 2.5);
    TypeInto("Edit69", QStringLiteral("2"));
    Spin("SpinButton3", 0);
    EXPECT_EQ(Text("Edit69"), QStringLiteral("2.001"));
    EXPECT_DOUBLE_EQ(Lights[0].position.x, 2.001);

    prompts.answers = {Answer::Yes};
    Click("Button29");
    EXPECT_TRUE(Lights.empty());
    EXPECT_EQ(selector->count(), 0);
    EXPECT_EQ(Text("Edit49"), QStringLiteral("100"));
}

TEST_F(PreviewTabTest, PlaceholdersPanelStoresWhatIsTyped) {
    StartWithModel();
    prompts.inputAccepts = true;
    Click("Button26");
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(FindOne<QComboBox>("Form1", "ComboBox7")->currentText(), QStringLiteral("Shape_1"));
    TypeInto("Edit72", QStringLiteral("-2"));
    EXPECT_DOUBLE_EQ(Placeholders[0].size.x, 2);
    TypeInto("Edit79", QStringLiteral("Crate"));
    EXPECT_EQ(FindOne<QComboBox>("Form1", "ComboBox7")->currentText(), QStringLiteral("Crate"));
    Click("Button63");  // "drop 2"
    EXPECT_DOUBLE_EQ(Placeholders[0].position.y, Placeholders[0].size.y / 2);
}

TEST_F(PreviewTabTest, BackgroundColourAndTheOptionsOpenGLState) {
    StartWithModel();
    // "Color..." chosen with the keys (a user's choice runs the handler).
    prompts.colorAnswers = {0x00FF00};
    auto* background = FindOne<QComboBox>("Form1", "ComboBox1");
    background->setFocus();
    QTest::keyClick(background, Qt::Key_Down);
    QTest::keyClick(background, Qt::Key_Up);
    EXPECT_EQ(prompts.colorDialogs, 1);
    EXPECT_EQ(Scene.backgroundColor, 0x00FF00);
    const QImage frame = app->Preview().glView1->grabFramebuffer();
    EXPECT_EQ(frame.pixelColor(0, 0), QColor(0, 255, 0));

    // "cutoff:" with no number uses 0.5; "Draw double sided" turns culling off.
    TypeInto("Edit26", QStringLiteral("abc"));
    FindOne<QAbstractButton>("Form1", "CheckBox71")->click();
    EXPECT_TRUE(PreviewGLState.alphaTest);
    EXPECT_DOUBLE_EQ(PreviewGLState.alphaReference, 0.5);
    FindOne<QAbstractButton>("Form1", "CheckBox42")->click();
    EXPECT_TRUE(PreviewGLState.cullFace);
    FindOne<QAbstractButton>("Form1", "CheckBox42")->click();
    EXPECT_FALSE(PreviewGLState.cullFace);
}

TEST_F(PreviewTabTest, CameraWindowSizeAndFocusPlanes) {
    StartWithModel();
    TypeInto("Edit87", QStringLiteral("300"));
    TypeInto("Edit110", QStringLiteral("200"));
    Click("Button34");
    EXPECT_EQ(app->Preview().glView1->size(), QSize(300, 200));
    EXPECT_EQ(app->Preview().windowTitle(), QStringLiteral("Preview (300 x 200)"));

    // Finishing the back plane's edit puts it before the front plane.
    FindOne<QAbstractButton>("Form1", "CheckBox25")->click();
    ASSERT_TRUE(FindOne<QLineEdit>("Form1", "Edit34")->isEnabled());
    TypeInto("Edit35", QStringLiteral("1"));
    TypeInto("Edit34", QStringLiteral("2"));
    QTest::keyClick(FindOne<QLineEdit>("Form1", "Edit34"), Qt::Key_Return);
    EXPECT_EQ(Text("Edit34"), QStringLiteral("1"));
}

TEST_F(PreviewTabTest, MapSizeApplyRemakesTheTexturesAtThatSize) {
    StartWithModel();
    // The width of the one texture, the red box's checker map.
    const auto textureWidth = [] {
        GLint width = 0;
        for (const tmaterial& m : SceneMaterials) {
            if (m.glTexture <= 0) continue;
            const GLScope gl;
            if (!gl.ok()) return -1;
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m.glTexture));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        }
        return static_cast<int>(width);
    };
    EXPECT_GT(textureWidth(), 16);
    // "GL map size:" stepped down to 16 x 16 with the up-downs' arrows.
    for (const char* updown : {"UpDown3", "UpDown4"})
        for (int step = 0; step < 3; ++step) {
            auto* arrows = FindOne<QWidget>("Form1", updown);
            ASSERT_TRUE(arrows);
            QTest::mouseClick(arrows->findChildren<QToolButton*>()[1], Qt::LeftButton);
        }
    EXPECT_EQ(Text("Edit24"), QStringLiteral("16"));
    EXPECT_EQ(Text("Edit25"), QStringLiteral("16"));
    Click("BitBtn2");
    EXPECT_EQ(textureWidth(), 16);
}

}  // namespace
