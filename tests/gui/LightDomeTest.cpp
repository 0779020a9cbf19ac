// The Light Dome tab in the real window, end to end: a probe with a red sky
// is loaded and turned into lights, which light the preview, go into the
// written POV-Ray scene and light POV-Ray's render of it (a small one).
// Also "Save Preview..." writing the preview's frame.
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QOpenGLWidget>
#include <QPixmap>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "GuiFixtures.h"
#include "preview/GlView.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace {

class LightDomeTest : public GuiTest {
protected:
    void StartWithBoxes() {
        StartProgram();
        BatchFiles = {MIRELAN_TEXTURED_MODEL};  // a red box and a blue box, no lights
        ASSERT_TRUE(LoadSelectedModels());
        Form1.PageControl1.active = 4;
        app->Bindings().RefreshAll();
    }
    // A 32 x 16 probe: black, with a red sky above the horizon (the last rows
    // of the file: PFM rows run bottom to top).
    std::string WriteSunProbe() {
        const std::string file = (dir / "sun.pfm").string();
        std::ofstream out(file, std::ios::binary);
        out << "PF\n32 16\n-1.0\n";
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 32; ++column)
                for (int c = 0; c < 3; ++c) {
                    const float f = row >= 11 && c == 0 ? 4.0f : 0.0f;
                    out.write(reinterpret_cast<const char*>(&f), 4);
                }
        return file;
    }
    void Click(const std::string& name) {
        auto* button = FindOne<QAbstractButton>("Form1", name);
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Pixels that are clearly blue: lit by something other than red light.
    static int BluePixels(const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.blue() > 90 && c.blue() > 2 * c.red() + 20;
            }
        return n;
    }
    static int RedPixels(const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 90 && c.red() > 2 * c.blue() + 20 && c.red() > 2 * c.green() + 20;
            }
        return n;
    }
    QImage Frame() { return app->Preview().glView1->grabFramebuffer().convertToFormat(QImage::Format_RGB888); }
};

TEST_F(LightDomeTest, ProbeLightsLightThePreviewAndThePovRayRender) {
    StartWithBoxes();
    const int blueBefore = BluePixels(Frame());
    ASSERT_GT(blueBefore, 500);  // the headlight shows the blue box

    prompts.fileAnswers = {{WriteSunProbe()}};
    Click("Button40");
    auto* image = FindOne<QLabel>("Form1", "Image3");
    ASSERT_EQ(image->pixmap().size(), QSize(360, 180));
    // The red sky at the top of the picture, at full strength.
    EXPECT_EQ(image->pixmap().toImage().pixelColor(180, 10), QColor(255, 0, 0));
    EXPECT_EQ(image->pixmap().toImage().pixelColor(180, 170), QColor(0, 0, 0));

    // Coloured lights, none bright enough for shadows.
    Form1.Edit45.text = "1000";
    FindOne<QAbstractButton>("Form1", "CheckBox29")->click();
    ASSERT_FALSE(Form1.CheckBox29.checked);
    Click("Button35");
    ASSERT_FALSE(Lights.empty());
    for (const tlight& l : Lights) EXPECT_EQ(l.color.x, 1) << l.name.str();
    bool marked = false;
    const QImage probe = image->pixmap().toImage();
    for (int y = 0; y < probe.height(); ++y)
        for (int x = 0; x < probe.width(); ++x)
            marked = marked || (qRed(probe.pixel(x, y)) > 200 && qGreen(probe.pixel(x, y)) > 200 &&
                                qBlue(probe.pixel(x, y)) < 80);  // the yellow of lights without shadows
    EXPECT_TRUE(marked);  // the lights are marked on the probe

    // The preview: red light only, so the blue box goes dark.
    const QImage lit = Frame();
    QDir().mkpath(QStringLiteral("artifacts"));  // kept for review
    lit.save(QStringLiteral("artifacts/LightDomePreview.png"));
    image->pixmap().save(QStringLiteral("artifacts/LightDomeProbe.png"));
    EXPECT_LT(BluePixels(lit), blueBefore / 10);
    EXPECT_GT(RedPixels(lit), 500);

    // The written scene carries the lights, and POV-Ray's render shows them.
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directories(out);
    Form2.Edit1.text = out.string();
    SetSaveChoices(SaveKind::PovRay);
    ASSERT_TRUE(WriteOutputFiles());
    std::ifstream sceneFile(Scene.povSceneFile);
    std::stringstream scene;
    scene << sceneFile.rdbuf();
    std::size_t lights = 0;
    for (std::size_t at = scene.str().find("light_source"); at != std::string::npos;
         at = scene.str().find("light_source", at + 1))
        ++lights;
    EXPECT_EQ(lights, Lights.size());
    if (std::system("command -v povray >/dev/null 2>&1") != 0) GTEST_SKIP() << "povray is not installed";
    const std::string command = "cd '" + out.string() + "' && povray '" + Scene.iniFile +
                                "' +W80 +H60 -D -V -GA +FN +Orender.png >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const QImage render(QString::fromStdString((out / "render.png").string()));
    ASSERT_EQ(render.size(), QSize(80, 60));
    render.save(QStringLiteral("artifacts/LightDomeRender.png"));
    EXPECT_GT(RedPixels(render), 30);
    EXPECT_LT(BluePixels(render), 5);
}

TEST_F(LightDomeTest, SavePreviewWritesTheFrame) {
    StartWithBoxes();
    const std::string file = (dir / "frame.jpg").string();
    prompts.fileAnswers = {{file}};
    prompts.answers = {Answer::Yes};  // antialiased
    prompts.inputAnswers = {"95"};
    Click("ToolButton35");
    ASSERT_TRUE(std::filesystem::exists(file));
    const QImage saved(QString::fromStdString(file));
    EXPECT_EQ(saved.size(), QSize(Form9.glView1.width, Form9.glView1.height));
    EXPECT_GT(RedPixels(saved.convertToFormat(QImage::Format_RGB888)), 500);
}

}  // namespace
