// The Preview and Light Dome tabs in the real window: panels typed into and
// clicked, the preview's OpenGL state and textures the options set, and end
// to end a probe whose lights light the preview, the written scene and
// POV-Ray's (small) render of it.
#include <GL/gl.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QOpenGLWidget>
#include <QToolButton>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "GuiFixtures.h"
#include "preview/GlResources.h"
#include "preview/GlState.h"
#include "preview/GlView.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace {

class PreviewTabTest : public GuiTest {
protected:
    void StartWithBoxes(int tab) {
        StartProgram();
        BatchFiles = {MIRELAN_TEXTURED_MODEL};  // a checkered box and a blue box, no lights
        ASSERT_TRUE(LoadSelectedModels());
        Form1.PageControl1.active = tab;
        app->Bindings().RefreshAll();
        prompts.inputAccepts = true;
    }
    void Click(const std::string& name) { QTest::mouseClick(FindOne<QAbstractButton>("Form1", name), Qt::LeftButton); }
    // Replaces the text of an edit as the user types it.
    void TypeInto(const std::string& name, const QString& text) {
        auto* edit = FindOne<QLineEdit>("Form1", name);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // The up (0) or down (1) arrow of a spin button or up-down.
    void Arrow(const std::string& name, int arrow) {
        QTest::mouseClick(FindOne<QWidget>("Form1", name)->findChildren<QToolButton*>().at(arrow), Qt::LeftButton);
    }
    QString Text(const std::string& name) { return FindOne<QLineEdit>("Form1", name)->text(); }
    QImage Frame() { return app->Preview().glView1->grabFramebuffer().convertToFormat(QImage::Format_RGB888); }
    // Pixels clearly blue, and clearly red.
    static int Pixels(const QImage& image, bool blue) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += blue ? c.blue() > 90 && c.blue() > 2 * c.red() + 20
                          : c.red() > 90 && c.red() > 2 * c.blue() + 20 && c.red() > 2 * c.green() + 20;
            }
        return n;
    }
};

TEST_F(PreviewTabTest, PanelsAndOptionsFollowTypingAndClicks) {
    StartWithBoxes(1);
    Click("Button4");  // a light, moved by its spin button
    TypeInto("Edit69", QStringLiteral("2"));
    Arrow("SpinButton3", 0);
    EXPECT_EQ(std::pair(Text("Edit69"), Lights.at(0).position.x), std::pair(QStringLiteral("2.001"), 2.001));
    TypeInto("Edit87", QStringLiteral("300"));  // the preview's size
    TypeInto("Edit110", QStringLiteral("200"));
    Click("Button34");
    EXPECT_EQ(app->Preview().glView1->size(), QSize(300, 200));
    EXPECT_EQ(app->Preview().windowTitle(), QStringLiteral("Preview (300 x 200)"));
    FindOne<QAbstractButton>("Form1", "CheckBox25")->click();  // focus planes: back before front
    TypeInto("Edit35", QStringLiteral("1"));
    TypeInto("Edit34", QStringLiteral("2"));
    QTest::keyClick(FindOne<QLineEdit>("Form1", "Edit34"), Qt::Key_Return);
    EXPECT_EQ(Text("Edit34"), QStringLiteral("1"));
    FindOne<QAbstractButton>("Form1", "CheckBox25")->click();  // the focus limits off again
    prompts.colorAnswers = {0x00FF00};  // "Color..." chosen with the keys
    auto* background = FindOne<QComboBox>("Form1", "ComboBox1");
    background->setFocus();
    QTest::keyClick(background, Qt::Key_Down);
    QTest::keyClick(background, Qt::Key_Up);
    EXPECT_EQ(Frame().pixelColor(0, 0), QColor(0, 255, 0));
    TypeInto("Edit26", QStringLiteral("abc"));  // "cutoff:" with no number: 0.5
    FindOne<QAbstractButton>("Form1", "CheckBox71")->click();
    EXPECT_EQ(std::pair(PreviewGLState.alphaTest, PreviewGLState.alphaReference), std::pair(true, 0.5));
    FindOne<QAbstractButton>("Form1", "CheckBox42")->click();
    EXPECT_TRUE(PreviewGLState.cullFace);
    // "GL map size:" stepped down to 16 x 16, then "Apply": the checker map's
    // texture is made again at that size.
    const auto textureWidth = [] {
        GLint width = 0;
        const GLScope gl;
        for (const tmaterial& m : SceneMaterials)
            if (m.glTexture > 0 && gl.ok()) {
                glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m.glTexture));
                glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            }
        return static_cast<int>(width);
    };
    EXPECT_GT(textureWidth(), 16);
    for (int step = 0; step < 3; ++step) Arrow("UpDown3", 1), Arrow("UpDown4", 1);
    EXPECT_EQ(std::pair(Text("Edit24"), Text("Edit25")), std::pair(QStringLiteral("16"), QStringLiteral("16")));
    Click("BitBtn2");
    EXPECT_EQ(textureWidth(), 16);
}

TEST_F(PreviewTabTest, ProbeLightsLightThePreviewAndThePovRayRender) {
    StartWithBoxes(4);
    const int blueBefore = Pixels(Frame(), true);
    ASSERT_GT(blueBefore, 500);  // the headlight shows the blue box
    // A black probe with a red sky above the horizon (the file's last rows:
    // PFM rows run bottom to top).
    const std::string probe = (dir / "sun.pfm").string();
    {
        std::ofstream out(probe, std::ios::binary);
        out << "PF\n32 16\n-1.0\n";
        for (int i = 0; i < 32 * 16 * 3; ++i) {
            const float f = i / 96 >= 11 && i % 3 == 0 ? 4.0f : 0.0f;
            out.write(reinterpret_cast<const char*>(&f), 4);
        }
    }
    prompts.fileAnswers = {{probe}};
    Click("Button40");
    auto* image = FindOne<QLabel>("Form1", "Image3");
    EXPECT_EQ(image->pixmap().toImage().pixelColor(180, 10), QColor(255, 0, 0));  // the sky at the top
    Form1.Edit45.text = "1000";  // coloured lights without shadows
    FindOne<QAbstractButton>("Form1", "CheckBox29")->click();
    Click("Button35");
    ASSERT_FALSE(Lights.empty());
    EXPECT_EQ(Lights[0].color.x, 1);
    const QImage marks = image->pixmap().toImage();  // the yellow marks of lights without shadows
    int yellow = 0;
    for (int i = 0; i < marks.width() * marks.height(); ++i)
        yellow += qGreen(marks.pixel(i % marks.width(), i / marks.width())) > 200;  // the sky has no green
    EXPECT_GT(yellow, 0);
    // Red light only: the blue box goes dark in the preview...
    const QImage lit = Frame();
    QDir().mkpath(QStringLiteral("artifacts"));  // kept for review
    lit.save(QStringLiteral("artifacts/LightDomePreview.png"));
    EXPECT_LT(Pixels(lit, true), blueBefore / 10);
    EXPECT_GT(Pixels(lit, false), 500);
    // ...the written scene carries the lights, and POV-Ray's render shows them.
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directories(out);
    Form2.Edit1.text = out.string();
    SetSaveChoices(SaveKind::PovRay);
    ASSERT_TRUE(WriteOutputFiles());
    std::stringstream scene;
    scene << std::ifstream(Scene.povSceneFile).rdbuf();
    std::size_t lights = 0;
    for (std::size_t at = 0; (at = scene.str().find("light_source", at)) != std::string::npos; ++at) ++lights;
    EXPECT_EQ(lights, Lights.size());
    if (std::system("command -v povray >/dev/null 2>&1") != 0) GTEST_SKIP() << "povray is not installed";
    const std::string command = "cd '" + out.string() + "' && povray '" + Scene.iniFile +
                                "' +W80 +H60 -D -V -GA +FN +Orender.png >/dev/null 2>&1";
    {
        const fixtures::NoUserPovRaySettings settings(dir);
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    const QImage render = QImage(QString::fromStdString((out / "render.png").string())).convertToFormat(
        QImage::Format_RGB888);
    render.save(QStringLiteral("artifacts/LightDomeRender.png"));
    EXPECT_GT(Pixels(render, false), 30);
    EXPECT_LT(Pixels(render, true), 5);  // white light shows the blue box in some 800 pixels
}

}  // namespace
