// Every warning of the scene checks, each from a scene made for it, and the
// warning line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "model/StatusLog.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "tests/writers/WriterTest.h"
#include "writers/SceneChecks.h"

namespace writertest {
namespace {

class SceneChecksTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        // A clean start: help file and renderer present, a small model.
        HelpFilePath = Touch("mirelanhelp.htm");
        Form1.Edit52.text = Touch("povray");
        Scene.modelFile = Path("car.obj");
        fixtures::AddCube();
        Scene.extents.diagonal = 3.4;
        Scene.extents.center = {0, 0, 0};
    }
    std::string Touch(const std::string& name) {
        std::ofstream(Path(name)) << "x";
        return Path(name);
    }
    std::vector<std::string> Warnings() {
        CheckScene();
        return status.Lines(StatusPage::Warnings);
    }
    std::string Line() const { return status.warningsLine; }
    tmaterial& Mat() { return SceneMaterials[0]; }
    void Cache(const std::string& map, int32_t compression, bool interlaced) {
        tmap entry;
        entry.fileName = map;
        entry.properties.compression = compression;
        entry.properties.interlaced = interlaced;
        PreviewTextureCache.push_back(entry);
    }
};

TEST_F(SceneChecksTest, CleanSceneHasNoWarnings) {
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(Line(), "No warnings");
}

TEST_F(SceneChecksTest, HelpFileAndExecutable) {
    HelpFilePath = Path("missing.htm");
    Form1.Edit52.text = "";
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "Help file mirelanhelp.htm missing - must be in Mirelan's directory",
                              "POV-Ray executable not set in POV-Ray render options tab"}));
    EXPECT_EQ(Line(), "2 warnings -> POV-Ray executable not set in POV-Ray render options tab");
    HelpFilePath.clear();  // an empty path counts as missing
    Form1.Edit52.text = Path("nothing");
    EXPECT_EQ(Warnings().size(), 2u);
    Form1.Edit52.text = "sh";  // a program on PATH by its name
    EXPECT_EQ(Warnings().size(), 1u);
    Form1.Edit52.text = "mirelan-no-such-program";
    EXPECT_EQ(Warnings().size(), 2u);
}

TEST_F(SceneChecksTest, GeometryWarnings) {
    SceneFaces.clear();
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"There are no faces in geometry. Check transformation"}));
    EXPECT_EQ(Line(), "1 warning -> There are no faces in geometry. Check transformation");
    SceneVertices.resize(2);
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"There are no vertices in geometry. Check transformation",
                                                    "There are no faces in geometry. Check transformation"}));
    // No model loaded: nothing to say about empty lists.
    Scene.modelFile.clear();
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(SceneChecksTest, ExtentsWarnings) {
    Scene.extents.diagonal = 2e6;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Geometry extents too large. POV-Ray may not render it properly"}));
    Scene.extents.diagonal = 1e6;
    EXPECT_TRUE(Warnings().empty());
    Scene.extents.diagonal = 5e-7;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Geometry extents too small. POV-Ray may not render it properly"}));
    Scene.extents.diagonal = 1;
    Scene.extents.center = {40000, 0, 0};
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Geometry too far from origin. Recenter to avoid precision loss"}));
    Scene.extents.center = {20000, 0, 0};
    EXPECT_TRUE(Warnings().empty());
    // A diagonal of zero: too small, and no division.
    Scene.extents.diagonal = 0;
    Scene.extents.center = {1e9, 0, 0};
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Geometry extents too small. POV-Ray may not render it properly"}));
}

// The material maps, each check with the export options that skip it.
TEST_F(SceneChecksTest, MaterialMapChecks) {
    Mat().name = "Paint";
    Mat().colorMap = Touch("wood.psd");            // A
    Mat().bumpMap = Path("gone.png");               // B
    Mat().transparencyMap = Touch("lzw.tif");       // C
    // "Fix map max resolution to" is checked but disabled by default: A, C
    // and D run; C and D find nothing while the maps are not in the cache.
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "Material (Paint): Map wood.psd is not compatible with POV-Ray. Convert image",
                              "Material (Paint): Map gone.png not found. Use search tool in materials tab."}));
    Cache(Path("lzw.tif"), 4, false);
    Cache(Path("wood.psd"), 1, true);  // uncompressed
    const std::vector<std::string> all = {
        "Material (Paint): Map wood.psd is not compatible with POV-Ray. Convert image",
        "Material (Paint): Map gone.png not found. Use search tool in materials tab.",
        "Material (Paint): POV-Ray cannot use lzw.tif because it uses LZW compression.",
        "Material (Paint): POV-Ray cannot use wood.psd because it is interlaced.",
    };
    EXPECT_EQ(Warnings(), all);
    EXPECT_EQ(Line(), "4 warnings -> Material (Paint): POV-Ray cannot use wood.psd because it is interlaced.");
    // Enabled but not checked: they still run.
    Form2.CheckBox43.enabled = true;
    Form2.CheckBox43.checked = false;
    EXPECT_EQ(Warnings(), all);
    // Checked and enabled: only the not-found finding is left.
    Form2.CheckBox43.checked = true;
    EXPECT_EQ(Warnings().size(), 1u);
}

TEST_F(SceneChecksTest, ExtendedCharactersAndFixNames) {
    Mat().name = "Paint";
    Mat().colorMap = Touch("b\xC3\xA9ton.jpg");
    Form2.CheckBox28.enabled = true;  // checked by default: skipped
    EXPECT_TRUE(Warnings().empty());
    Form2.CheckBox28.checked = false;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Material (Paint): Exteded ASCII characters in b\xC3\xA9ton.jpg. "
                                                    "Click on Fix Names on output options"}));
    Form2.CheckBox28.checked = true;
    Form2.CheckBox28.enabled = false;
    EXPECT_EQ(Warnings().size(), 1u);
}

// A BMP map is one POV-Ray reads; a missing map in two slots of one material
// is reported once, in two materials once for each.
TEST_F(SceneChecksTest, FindingsAreMadeOncePerMaterial) {
    Mat().name = "A";
    Mat().colorMap = Path("missing.bmp");
    Mat().bumpMap = Path("missing.bmp");
    fixtures::EnsureMaterial(1);
    SceneMaterials[1].name = "B";
    SceneMaterials[1].transparencyMap = Path("missing.bmp");
    Form2.CheckBox43.enabled = true;
    Form2.CheckBox43.checked = false;
    Cache(Path("missing.bmp"), 1, true);
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "Material (A): Map missing.bmp not found. Use search tool in materials tab.",
                              "Material (A): POV-Ray cannot use missing.bmp because it is interlaced.",
                              "Material (B): Map missing.bmp not found. Use search tool in materials tab.",
                              "Material (B): POV-Ray cannot use missing.bmp because it is interlaced.",
                          }));
}

TEST_F(SceneChecksTest, BackgroundMap) {
    BackgroundMapName = Path("sky.gif");
    EXPECT_TRUE(Warnings().empty());  // not the spherical map background
    Form1.ComboBox1.index = 1;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "Background Map sky.gif not found.",
                              "Background Map: POV-Ray may not load sky.gif if it is interlaced.",
                          }));
    BackgroundMapName = Touch("sky.tiff");
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "Background Map: POV-Ray may not load sky.tiff if it uses LZW compression."}));
    BackgroundMapName = Touch("sky.hdr");
    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{"Background Map sky.hdr is not compatible with POV-Ray. Convert image"}));
    // "Fix map names" is checked but disabled by default: E runs.
    BackgroundMapName = Touch("\xE4.png");
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Background Map: Exteded ASCII characters in \xE4.png. Click on "
                                                    "Fix Names on output options"}));
    Form2.CheckBox28.enabled = true;
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(SceneChecksTest, BatchRunsOnlyProgramChecks) {
    BatchFiles = {"a.obj", "b.obj"};
    Form1.Edit52.text.clear();
    SceneFaces.clear();
    Mat().colorMap = Path("gone.jpg");
    Scene.extents.diagonal = 1e9;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"POV-Ray executable not set in POV-Ray render options tab"}));
}

// The check runs at the end of every wait and refills the page.
TEST_F(SceneChecksTest, EveryWaitEndsWithTheCheck) {
    SceneFaces.clear();
    status.AppendLine(StatusPage::Warnings, "stale");
    BeginWait();
    EXPECT_EQ(Line(), "Processing...");
    EndWait();
    EXPECT_EQ(status.Lines(StatusPage::Warnings),
              (std::vector<std::string>{"There are no faces in geometry. Check transformation"}));
    EXPECT_EQ(Line(), "1 warning -> There are no faces in geometry. Check transformation");
}

TEST_F(SceneChecksTest, WarningCountLine) {
    EXPECT_EQ(WarningCountLine({}), "No warnings");
    EXPECT_EQ(WarningCountLine({"a"}), "1 warning -> a");
    EXPECT_EQ(WarningCountLine({"a", "b", "c"}), "3 warnings -> c");
}

}  // namespace
}  // namespace writertest
