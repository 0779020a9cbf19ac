#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>

#include "imageformats/ImageRegistration.h"
#include "platform/qt/QtImageFormats.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/qt/QtPictureLoader.h"

namespace {

class QtPictureLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // PNG pictures load through the image library, as in the program.
        img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
        folder_ = fixtures::MakeScratchFolder("qtpicture");
    }
    void TearDown() override { fixtures::RemoveScratchFolder(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
    // Pictures load as the program loads them.
    QtPictureLoader loader{
        [](const std::string& file, gfx::Picture& picture) { img::LoadPictureFile(file, picture); }};
};

// Three pixels a row (9 bytes, which Qt pads to 12): the rows must come out
// packed, top row first.
TEST_F(QtPictureLoaderTest, ReadsPackedRowsTopFirst) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(1, 0, QColor(0, 255, 0));
    image.setPixelColor(2, 0, QColor(0, 0, 255));
    image.setPixelColor(0, 1, QColor(10, 20, 30));
    image.setPixelColor(1, 1, QColor(40, 50, 60));
    image.setPixelColor(2, 1, QColor(255, 255, 255));
    const std::string file = Path("p.png");
    ASSERT_TRUE(image.save(QString::fromStdString(file), "PNG"));

    tpicture picture;
    ASSERT_TRUE(loader.LoadRGB(file, picture));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_EQ(picture.rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 255, 255, 255}));
}

TEST_F(QtPictureLoaderTest, MissingOrBrokenFilesGiveAnEmptyPicture) {
    tpicture picture;
    picture.width = 5;
    picture.rgb.assign(3, 1);
    EXPECT_FALSE(loader.LoadRGB(Path("none.png"), picture));
    EXPECT_EQ(picture.width, 0);
    EXPECT_TRUE(picture.rgb.empty());

    const std::string broken = Path("broken.png");
    std::ofstream(broken, std::ios::binary) << "\x89PNG\r\n\x1a\n garbage";
    EXPECT_FALSE(loader.LoadRGB(broken, picture));
    EXPECT_TRUE(picture.rgb.empty());
    EXPECT_FALSE(loader.LoadRGB("", picture));
}

}  // namespace
