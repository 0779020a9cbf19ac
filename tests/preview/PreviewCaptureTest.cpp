// "Save Preview...": the window's frame written as BMP, JPEG and TGA, the
// antialiased capture, and the overlay of grid, horizon and axes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>

#include "model/TextConv.h"
#include "model/VectorMath.h"
#include "options/Options.h"
#include "preview/GlTexture.h"
#include "preview/PreviewOverlay.h"
#include "tests/preview/PreviewTestSupport.h"

namespace fs = std::filesystem;

namespace {

using namespace previewtest;

class PreviewCaptureTest : public PreviewTest {
protected:
    void TearDown() override {
        for (const char* name : {"p.bmp", "p.tga", "p.JPG"}) fs::remove(File(name));
        PreviewTest::TearDown();
    }
    static std::string File(const char* name) {
        return testing::TempDir() + "mirelan_capture_" + std::to_string(::getpid()) + name;
    }
    // An unlit red cube: only pure red and the black background, no axes.
    void RedCube() {
        fixtures::AddCube(2.0);
        SceneMaterials[0].diffuse = {1, 0, 0};
        Form1.CheckBox33.checked = false;
        Form1.CheckBox37.checked = false;
        Prepare();
    }
    // A saved picture read back, top row first: TGA through the texture
    // image (rows bottom-up, B, G, R, A), the others through Qt.
    static QImage ReadBack(const std::string& file) {
        if (ExtractFileExt(file) != ".tga")
            return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB888);
        TGlTexture t;
        if (!t.LoadTGA(file)) return {};
        return QImage(t.Pixels().data(), t.GetWidth(), t.GetHeight(), QImage::Format_RGB32)
            .mirrored()
            .convertToFormat(QImage::Format_RGB888);
    }
    // Pixels that are neither the background nor the cube's red.
    static int Intermediate(const QImage& f) {
        int n = 0;
        for (int y = 0; y < f.height(); ++y)
            for (int x = 0; x < f.width(); ++x) {
                const QColor c = f.pixelColor(x, y);
                n += c.red() > 8 && c.red() < 247 && c.green() < 8 && c.blue() < 8;
            }
        return n;
    }
    // True when the colour is at either of two pixels.
    static bool Across(const QImage& f, QPoint a, QPoint b, int r, int g, int bl) {
        return Near(f.pixelColor(a), r, g, bl) || Near(f.pixelColor(b), r, g, bl);
    }
};

TEST_F(PreviewCaptureTest, SavedPicturesHoldTheFramesPixels) {
    fixtures::AddCube(2.0);
    SceneMaterials[0].diffuse = {1, 0.5, 0};
    Prepare();  // lit, with the axes in the corner
    const QImage frame = Frame();
    for (const char* name : {"p.bmp", "p.tga", "p.JPG"}) {
        ASSERT_TRUE(CapturePreview(File(name), false, 100)) << name;
        const QImage saved = ReadBack(File(name));
        ASSERT_EQ(saved.size(), frame.size()) << name;
        if (ExtractFileExt(name) != ".JPG") {
            EXPECT_EQ(saved, frame) << name;
            continue;
        }
        for (double f : {0.1, 0.3, 0.5, 0.7}) {  // JPEG is near enough away from the edges
            const QColor c = At(frame, f, 0.5);
            EXPECT_TRUE(Near(At(saved, f, 0.5), c.red(), c.green(), c.blue(), 8));
        }
    }
    EXPECT_FALSE(CapturePreview(File("/no/such/p.bmp"), false, 90));  // cannot be written
}

TEST_F(PreviewCaptureTest, TheAntialiasedCaptureBlendsTheEdges) {
    RedCube();
    ASSERT_TRUE(CapturePreview(File("p.tga"), false, 90));
    const QImage plain = ReadBack(File("p.tga"));
    ASSERT_TRUE(CapturePreview(File("p.tga"), true, 90));
    const QImage smooth = ReadBack(File("p.tga"));
    EXPECT_EQ(Intermediate(plain), 0);
    EXPECT_GT(Intermediate(smooth), 30);
    // The inside and the background stay as they were.
    EXPECT_TRUE(Near(At(smooth, 0.5, 0.5), 255, 0, 0, 2));
    EXPECT_TRUE(Near(At(smooth, 0.02, 0.02), 0, 0, 0, 2));
    EXPECT_EQ(Scene.savingPreview, 0);
    EXPECT_NE(std::find(Messages().begin(), Messages().end(), "Sampling images for antialiasing..."),
              Messages().end());
    for (const std::string& line : Messages()) EXPECT_EQ(line.find("OpenGL error"), std::string::npos) << line;
    EXPECT_EQ(Intermediate(Frame()), 0);  // the window shows its ordinary frame again
}

// The grid (one line across, three along) in green and the horizon of a
// level view in blue over the middle row; a view tilted far down has none.
TEST_F(PreviewCaptureTest, GridAndHorizonLieOverTheFrame) {
    RedCube();
    FrontView();
    Form1.CheckBox52.checked = Form1.CheckBox70.checked = true;
    Form1.UpDown5.position = 1;
    Form1.UpDown6.position = 3;
    Form1.Label148.color = 0x00FF00;
    Form1.Label147.color = 0xFF0000;
    const QImage f = Frame();
    // Which of the two pixels beside a line's place is the rasteriser's choice.
    const int cx = FrameWidth / 2, cy = FrameHeight / 2, quarter = FrameHeight / 4;
    EXPECT_TRUE(Across(f, {cx - 1, 4}, {cx, 4}, 0, 255, 0));
    EXPECT_TRUE(Across(f, {5, quarter - 1}, {5, quarter}, 0, 255, 0));
    EXPECT_TRUE(Across(f, {10, cy - 1}, {10, cy}, 0, 0, 255));
    EXPECT_TRUE(Near(At(f, 0.25, 0.03), 0, 0, 0));
    const double h = 2 * std::fabs(Scene.cameraLocation.z) * std::tan(Scene.fieldOfView * DegToRad / 2);
    thorizon line;
    Form1.Edit20.text = "80";
    ApplyCameraEdits();
    EXPECT_FALSE(HorizonLine(h * FrameWidth / FrameHeight, h, line));
}

}  // namespace
