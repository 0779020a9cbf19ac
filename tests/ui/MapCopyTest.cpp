// The maps of a saved scene copied, or resized into JPEG, into the output
// folder under the names the written files use.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "model/Model.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/MapCopy.h"
#include "ui/options/Options.h"

namespace {

namespace fs = std::filesystem;

class MapCopyTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        root = fs::path(testing::TempDir()) /
               ("mapcopy-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "Maps");
        fs::create_directories(root / "out");
        Form2.Edit1.text = (root / "out").string();
        Scene.modelFile = (root / "my car.obj").string();
        Scene.writePovScene = 1;
        Scene.povSceneFile = (root / "out" / "car_POV_scene.pov").string();
        fixtures::AddCube(2.0, {0, 0, 0}, 0, 1);  // two materials
    }
    void TearDown() override {
        fs::remove_all(root);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    std::string Map(const std::string& name, int width, int height) {
        gfx::Bitmap bitmap(width, height);
        const std::vector<uint8_t> bytes = gfx::encodeJpeg(bitmap, 90);
        const fs::path p = root / "Maps" / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }
    std::pair<int, int> JpegSize(const std::string& name) {
        gfx::FileStream in((root / "out" / name).string());
        const gfx::Bitmap b = gfx::decodeJpeg(in);
        return {b.width(), b.height()};
    }
    int Count(const std::string& line) const {
        return static_cast<int>(std::count(Messages().begin(), Messages().end(), line));
    }
    fs::path root;
};

TEST_F(MapCopyTest, EachMapIsCopiedOnceUnderItsWrittenName) {
    Map("Wood.JPG", 8, 8);
    Map("stone.jpg", 8, 8);
    const std::string base = root.string();
    // Spelled with another letter case and "\" separators; shared by both materials.
    SceneMaterials[0].colorMap = base + "\\maps\\wood.jpg";
    SceneMaterials[1].colorMap = base + "/Maps/Wood.JPG";
    SceneMaterials[1].bumpMap = base + "/Maps/stone.jpg";
    SceneMaterials[1].transparencyMap = base + "/Maps/gone.png";
    Form2.CheckBox1.checked = false;
    std::ofstream(root / "out" / "stone.jpg") << "old";
    CopyMaps();
    // Under both names the written files use.
    EXPECT_TRUE(fs::exists(root / "out" / "Wood.JPG") && fs::exists(root / "out" / "wood.jpg"));
    EXPECT_EQ(fs::file_size(root / "out" / "stone.jpg"), 3u);  // kept: overwriting is off
    EXPECT_EQ(Count("File Wood.JPG copied OK"), 2);
    EXPECT_EQ(Count("<!>ERROR Copying gone.png"), 1);
    EXPECT_EQ(Messages().front(), "Copying maps to output directory...");

    // "Fix map names": the scene's prefix before the cleaned name; the
    // existing copy is replaced once.
    Scene.mapPathOption1 = 1;
    Form2.CheckBox1.checked = true;
    CopyMaps();
    EXPECT_TRUE(fs::exists(root / "out" / "my_car_Wood.JPG"));
    EXPECT_EQ(Count("File stone.jpg copied OK"), 1);
    EXPECT_EQ(Count("File Wood.JPG copied OK"), 4);
    CopyMaps();  // the copies of the last run are replaced once more
    EXPECT_EQ(Count("File stone.jpg copied OK"), 2);
}

TEST_F(MapCopyTest, TwoMapsOfOneNameAndTheBackground) {
    fs::create_directories(root / "Other");
    const std::string a = Map("wood.jpg", 4, 4);
    const std::string b = (root / "Other" / "wood.jpg").string();
    fs::copy_file(a, b);
    const std::string sky = Map("sky.jpg", 4, 4);
    SceneMaterials[0].colorMap = a;
    SceneMaterials[1].colorMap = b;
    BackgroundMapName = sky;
    Form1.ComboBox1.index = 1;  // the spherical map
    CopyMaps();
    EXPECT_EQ(Count("File wood.jpg copied OK"), 1);
    EXPECT_EQ(Count("<!>wood.jpg not copied: wood.jpg is copied under the same name " + std::string("wood.jpg")), 1);
    EXPECT_EQ(Count("File sky.jpg copied OK"), 1);
    BackgroundMapName.clear();
    // The OBJ file's folder wins over the scene file's.
    fs::create_directories(root / "objs");
    Scene.writeObj = 1;
    Scene.objFile = (root / "objs" / "car.obj").string();
    EXPECT_EQ(MapOutputFolder(), (root / "objs").string());
}

TEST_F(MapCopyTest, ResizedMapsAreSmallerJpegsNeverLarger) {
    const struct {
        const char* name;
        int width, height, size;
        int newWidth, newHeight;
    } cases[] = {
        {"wide.png.jpg", 2048, 1024, 512, 512, 256},
        {"tall.jpg", 100, 400, 200, 50, 200},
        {"small.jpg", 300, 200, 512, 300, 200},   // not enlarged, still written
        {"thin.jpg", 4000, 10, 512, 512, 1},      // not stretched to 512 x 512
        {"bad-size.jpg", 520, 520, 0, 512, 512},  // a size below 4 counts as 512
    };
    for (const auto& c : cases) {
        const std::string source = Map(c.name, c.width, c.height);
        const std::string out = std::string("r_") + c.name;
        ASSERT_TRUE(ResizeMapFile(source, (root / "out" / out).string(), c.size, true)) << c.name;
        EXPECT_EQ(JpegSize(out), std::make_pair(c.newWidth, c.newHeight)) << c.name;
    }
    // Nothing to do: an existing copy without overwriting, the map itself.
    const std::string map = Map("keep.jpg", 64, 64);
    const auto before = fs::file_size(map);
    EXPECT_TRUE(ResizeMapFile(map, map, 8, true));
    EXPECT_EQ(fs::file_size(map), before);
    // Missing: reported, not a failure. Unreadable: a failure.
    EXPECT_TRUE(ResizeMapFile((root / "none.jpg").string(), (root / "out" / "none.jpg").string(), 64, true));
    EXPECT_EQ(Count("<!>ERROR Copying none.jpg"), 1);
    std::ofstream(root / "Maps" / "broken.jpg") << "\xFF\xD8\xFF garbage";
    EXPECT_FALSE(ResizeMapFile((root / "Maps" / "broken.jpg").string(), (root / "out" / "b.jpg").string(), 64, true));
}

TEST_F(MapCopyTest, ResizeAndCopyNamesEveryMapJpegAndReportsBadPictures) {
    Map("big.jpg", 1024, 512);
    std::ofstream(root / "Maps" / "broken.png") << "not a picture";
    SceneMaterials[0].colorMap = (root / "Maps" / "big.jpg").string();
    SceneMaterials[0].bumpMap = (root / "Maps" / "broken.png").string();
    Form2.Edit45.text = "256";
    ResizeAndCopyMaps();
    EXPECT_EQ(JpegSize("big.jpg"), std::make_pair(256, 128));
    EXPECT_FALSE(fs::exists(root / "out" / "broken.jpg"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              "Could not process image broken.png\n It may be corrupt or in an incompatible format");
    EXPECT_EQ(Count("File big.jpg resized and copied OK"), 1);
}

}  // namespace
