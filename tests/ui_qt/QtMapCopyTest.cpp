// The maps a save copies as they are, with the pictures registered as in the
// program (bitmaps and icons read by Qt): a file that only begins like a
// bitmap or an icon is no picture and stays where it is.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "imageformats/ImageRegistration.h"
#include "model/Model.h"
#include "options/Options.h"
#include "platform/qt/QtImageFormats.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/core/ExportDriver.h"

namespace {

namespace fs = std::filesystem;

// A red picture of 3 x 2 pixels as Qt writes it in the format.
std::string Written(const char* format) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes.toStdString();
}

class QtMapCopyTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder = fixtures::MakeScratchFolder("qt-map-copy");
        Form2.Edit1.text = folder.string();
        Form2.CheckBox1.checked = true;    // no questions
        Form2.CheckBox16.checked = true;   // copy the maps as they are
        Form2.CheckBox28.checked = Form2.CheckBox43.checked = false;
        Form2.CheckBox27.checked = false;  // map names without their folders
        Form1.Edit1.text = "car.obj";
        Scene.modelFile = "/models/car.obj";
        img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
    }
    void TearDown() override {
        img::UnregisterImageFormats();
        fixtures::RemoveScratchFolder(folder);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }

    fs::path folder;
};

TEST_F(QtMapCopyTest, OnlyRealBitmapsAndIconsAreCopied) {
    const struct {
        const char* name;
        std::string bytes;
        bool copied;
    } maps[] = {
        {"service.bmp", "BMW service notes\n" + std::string(40, ' '), false},
        {"noise.ico", std::string("\0\0\1\0", 4) + "garbage garbage garbage garbage\n", false},
        {"red.bmp", Written("bmp"), true},
        {"red.ico", Written("ico"), true},
    };
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fs::create_directories(folder / "maps");
    for (const auto& map : maps) {
        ASSERT_FALSE(map.bytes.empty()) << map.name;
        std::ofstream(folder / "maps" / map.name, std::ios::binary) << map.bytes;
        const int32_t m = static_cast<int32_t>(SceneMaterials.size());
        fixtures::EnsureMaterial(m);
        SceneMaterials[static_cast<std::size_t>(m)].colorMap = (folder / "maps" / map.name).string();
    }
    ASSERT_TRUE(SaveModelFiles(SaveKind::Obj));
    for (const auto& map : maps) {
        const std::string skipped = "<!>" + (folder / "maps" / map.name).string() + " is not a picture: not copied";
        EXPECT_EQ(std::count(Messages().begin(), Messages().end(), skipped), map.copied ? 0 : 1) << map.name;
        EXPECT_EQ(fs::exists(folder / map.name), map.copied) << map.name;
        if (map.copied) {
            EXPECT_EQ(fixtures::ReadFileBytes((folder / map.name).string()), map.bytes) << map.name;
        }
    }
}

}  // namespace
