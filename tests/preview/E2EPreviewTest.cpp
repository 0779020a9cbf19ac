// The end-to-end driver's --preview: a picture of the loaded model drawn
// offscreen on the display of the tests, and a clear failure without one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

namespace fs = std::filesystem;

using RunResult = fixtures::E2ERun;

// The environment of the driver: on the test command's X server, or with
// no display at all.
const std::vector<std::string> OnTheDisplay = {"-u", "QT_QPA_PLATFORM"};
const std::vector<std::string> WithoutDisplay = {"-u", "DISPLAY", "QT_QPA_PLATFORM=offscreen"};

class E2EPreviewTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) /
                 ("e2e-preview-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
        // A red square facing +Z, and its material.
        std::ofstream(folder / "square.mtl") << "newmtl Red\nKd 1 0 0\nKs 0 0 0\n";
        std::ofstream(folder / "square.obj") << "mtllib square.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                                                "usemtl Red\nf 1 2 3\nf 1 3 4\n";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string Path(const char* name) const { return (folder / name).string(); }
    // Runs the driver with the environment changes (as for env) before it.
    RunResult Start(const std::vector<std::string>& environment, const std::vector<std::string>& args) const {
        std::vector<std::string> command = environment;
        command.push_back(MIRELAN_E2E_BINARY);
        command.insert(command.end(), args.begin(), args.end());
        return fixtures::RunE2E("env", command, folder.string());
    }

    fs::path folder;
};

TEST_F(E2EPreviewTest, DrawsTheModelIntoAPictureOfTheGivenSize) {
    for (const char* name : {"p.png", "p.bmp", "p.jpg"}) {
        const RunResult run = Start(OnTheDisplay, {"--preview", "160", "120", Path(name), Path("square.obj")});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("faces 2\n"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("preview 160 120\n"), std::string::npos) << run.out;
        const QImage picture(QString::fromStdString(Path(name)));
        ASSERT_EQ(picture.width(), 160) << name;
        ASSERT_EQ(picture.height(), 120) << name;
        // The camera as after a load: the square in the middle, the
        // background (the scene's start colour) in the corners.
        EXPECT_TRUE(previewtest::IsRed(previewtest::At(picture, 0.5, 0.5))) << name;
        EXPECT_TRUE(previewtest::Near(previewtest::At(picture, 0.01, 0.01), 240, 240, 240, 4)) << name;
    }
}

// A square whose colour map is a checker of red and blue fields: the
// picture shows both colours on the square, not its white material.
TEST_F(E2EPreviewTest, ATexturedModelShowsItsMap) {
    previewtest::WriteJpeg(Path("checker.jpg"), 64, 64, [](int x, int y) {
        return (x / 16 + y / 16) % 2 == 0 ? QColor(220, 30, 30) : QColor(30, 60, 220);
    });
    std::ofstream(folder / "box.mtl") << "newmtl Checker\nKd 1 1 1\nKs 0 0 0\nmap_Kd checker.jpg\n";
    std::ofstream(folder / "box.obj") << "mtllib box.mtl\nv -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n"
                                         "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl Checker\nf 1/1 2/2 3/3\nf 1/1 3/3 4/4\n";
    const RunResult run = Start(OnTheDisplay, {"--log", "--preview", "160", "120", Path("p.png"), Path("box.obj")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("] created 16 KBytes - [64 x 64] using maps <checker.jpg ,  , >"), std::string::npos)
        << run.err;
    const QImage picture(QString::fromStdString(Path("p.png")));
    ASSERT_EQ(picture.width(), 160);
    // Red, green and blue pixels: the red and blue fields on the square (many),
    // the axes in the lower left corner (all three there).
    int square[3] = {0, 0, 0}, corner[3] = {0, 0, 0};
    for (int i = 0; i < picture.width() * picture.height() * 3; ++i) {
        const int x = i / 3 % picture.width(), y = i / 3 / picture.width(), k = i % 3;
        const QColor c = picture.pixelColor(x, y);
        const int rgb[3] = {c.red(), c.green(), c.blue()};
        ((x < 40 && y > 80) ? corner : square)[k] += rgb[k] > 120 && rgb[(k + 1) % 3] < 80 && rgb[(k + 2) % 3] < 80;
    }
    EXPECT_TRUE(square[0] > 500 && square[2] > 500 && corner[0] && corner[1] && corner[2]);
}

TEST_F(E2EPreviewTest, WithoutADisplayItSaysSoAndExitsWithOne) {
    const RunResult run = Start(WithoutDisplay, {"--preview", "160", "120", Path("p.png"), Path("square.obj")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("mirelan_e2e: no OpenGL context for the preview: Unable to create an OpenGL rendering context"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(Path("p.png")));
}

TEST_F(E2EPreviewTest, BadSizesExitWithTwo) {
    const std::string model = Path("square.obj");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--preview", "0", "120", Path("p.png"), model},
             {"--preview", "160", "x", Path("p.png"), model},
             {"--preview", "99999", "120", Path("p.png"), model},
             {"--preview", "160", "120", "", model},
             {model, "--preview", "160", "120"},
         }) {
        const RunResult run = Start(OnTheDisplay, args);
        EXPECT_EQ(run.status, 2) << args[1] << " " << args[2];
        EXPECT_NE(run.err.find("usage: mirelan_e2e"), std::string::npos) << run.err;
    }
}

}  // namespace
