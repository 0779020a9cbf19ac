// The frame of an export run: file order and switches, failures, names,
// header texts and the maps report.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "model/Errors.h"
#include "model/StatusLog.h"
#include "options/Options.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

using ExportFrameTest = WriterTest;

void AddTriangle() {
    const int32_t g = AddGroup("Body");
    const int32_t m = AddMaterial("Paint");
    const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0)};
    AddFace(g, m, v);
}

TEST_F(ExportFrameTest, AllSwitchesOffWritesNothing) {
    AddTriangle();
    PrepareObjExport();
    Scene.povSceneFile = Path("scene.pov");
    ExportModelFiles(Scene);
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ExportFrameTest, NoMaterialsNoMtlButTheObjNamesIt) {
    PrepareObjExport();
    Scene.writeObj = Scene.writeMtl = 1;
    AddVertex(0, 0, 0);
    ExportModelFiles(Scene);
    EXPECT_TRUE(fs::exists(Path("car.obj")));
    EXPECT_FALSE(fs::exists(Path("car.mtl")));
    const auto lines = ReadLines(Path("car.obj"));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "mtllib car.mtl"), lines.end());
}

TEST_F(ExportFrameTest, MtlNameIsLowerCaseMtlBesideTheObj) {
    Scene.objFile = "/out/Model.OBJ";
    EXPECT_EQ(MtlFileName(Scene), "/out/Model.mtl");
    // Without an OBJ file name the run writes neither file.
    Scene.objFile.clear();
    EXPECT_EQ(MtlFileName(Scene), "");
    AddTriangle();
    Scene.writeObj = 0;
    Scene.writeMtl = 1;
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeIni = Scene.writeGeometryInclude = 0;
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
}

// A run into a folder that cannot be written ends with ExportError: the
// caller never gets to report the files as saved.
TEST_F(ExportFrameTest, UnwritableFolderEndsTheRunWithAnError) {
    AddTriangle();
    PrepareObjExport();
    std::ofstream(Path("notafolder")) << "x";
    Scene.objFile = Path("notafolder") + "/car.obj";
    Scene.writeObj = Scene.writeMtl = 1;
    bool saved = false;
    try {
        ExportModelFiles(Scene);
        saved = true;
    } catch (const ExportError& e) {
        EXPECT_EQ(e.file(), Scene.objFile);
    }
    EXPECT_FALSE(saved);
}

// The MTL file cannot be created (a folder has its name): the earlier OBJ
// file stays as it was, and the POV-Ray files after it are not written.
TEST_F(ExportFrameTest, FailureInTheSecondFileKeepsTheEarlierFirstAndStopsTheRun) {
    AddTriangle();
    PrepareObjExport();
    std::ofstream(Path("car.obj")) << "earlier";
    fs::create_directories(Path("car.mtl"));
    Scene.writeObj = Scene.writeMtl = Scene.writeGeometryInclude = 1;
    Scene.povGeometryFile = Path("car_geom.inc");
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
    EXPECT_EQ(ReadFile(Path("car.obj")), "earlier");
    EXPECT_FALSE(fs::exists(Path("car_geom.inc")));
}

// The material include cannot be created (a folder has its name): the run
// fails naming that file, and no file of it is written, neither the OBJ and
// MTL files before it nor the files after it.
TEST_F(ExportFrameTest, FailureInThePovMaterialIncludeWritesNoFileOfTheRun) {
    AddTriangle();
    PrepareObjExport();
    Scene.writeObj = Scene.writeMtl = Scene.writeMaterialInclude = Scene.writeGeometryInclude = 1;
    Scene.povMaterialFile = Path("car_mat.inc");
    Scene.povGeometryFile = Path("car_geom.inc");
    fs::create_directories(Scene.povMaterialFile);
    try {
        ExportModelFiles(Scene);
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.file(), Scene.povMaterialFile);
    }
    EXPECT_FALSE(fs::exists(Path("car.obj")) || fs::exists(Path("car.mtl")) || fs::exists(Path("car_geom.inc")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // the folder only
}

// An index outside its list ends the run as an export error naming the file.
TEST_F(ExportFrameTest, BadIndexEndsTheRunAsExportError) {
    AddTriangle();
    SceneFaces[0].vertex[1] = 99;
    PrepareObjExport();
    Scene.writeObj = 1;
    try {
        ExportModelFiles(Scene);
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.file(), Scene.objFile);
        EXPECT_NE(std::string(e.what()).find("SceneVertices"), std::string::npos) << e.what();
    }
    SceneFaces[0].vertex[1] = 2;
    SceneFaces[0].material = 5;
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
}

TEST_F(ExportFrameTest, SceneObjectName) {
    Scene.modelFile = "C:\\models\\3d car.obj";
    EXPECT_EQ(SceneObjectName(Scene), "_3d_car_");
    Scene.modelFile = "/models/3d car.obj";
    EXPECT_EQ(SceneObjectName(Scene), "_3d_car_");
    BatchFiles = {"a.obj", "b.obj", "c.obj"};
    EXPECT_EQ(SceneObjectName(Scene), "mirelan_scene_object_");
    Form1.RadioButton4.checked = false;
    Form1.RadioButton3.checked = true;
    EXPECT_EQ(SceneObjectName(Scene), "_3d_car_");
    Form1.RadioButton4.checked = true;
    BatchFiles = {"a.obj"};
    EXPECT_EQ(SceneObjectName(Scene), "_3d_car_");
}

TEST_F(ExportFrameTest, MapReferenceRule) {
    const std::string map = "D:\\tex\\Wheel Tex.JPG";
    Scene.mapPathOption2 = 1;
    Scene.mapPathOption1 = 1;
    EXPECT_EQ(MapReference(Scene, "car_", map), map);
    EXPECT_EQ(MapReference(Scene, "car_", map, true), map);
    Scene.mapPathOption2 = 0;
    Scene.mapPathOption1 = 0;
    EXPECT_EQ(MapReference(Scene, "car_", map), "Wheel Tex.JPG");
    EXPECT_EQ(MapReference(Scene, "car_", "/tex/wood.jpg"), "wood.jpg");
    Scene.mapPathOption1 = 1;
    EXPECT_EQ(MapReference(Scene, "car_", map), "car_Wheel_Tex.JPG");
    EXPECT_EQ(MapReference(Scene, "car_", map, true), "car_Wheel_Tex.jpg");
}

// The statistics are measured once per run: every file that carries them
// has the same lines, and measuring a model with nothing shown warns once.
TEST_F(ExportFrameTest, StatisticsAreMeasuredOncePerRun) {
    AddTriangle();
    SceneGroups[0].visible = 0;
    PrepareObjExport();
    Scene.writeObj = Scene.writeGeometryInclude = Scene.writePovScene = Scene.writeUdo = 1;
    Scene.povGeometryFile = Path("car_geom.inc");
    Scene.povSceneFile = Path("car.pov");
    Scene.udoFile = Path("car.udo");
    ExportModelFiles(Scene);
    EXPECT_EQ(std::count(Messages().begin(), Messages().end(), "<!>No visible geometry"), 1);
    auto statistics = [&](const std::string& file, const std::string& marker) {
        std::vector<std::string> found;
        for (const std::string& line : ReadLines(Path(file)))
            if (line.rfind(marker + "Number of ", 0) == 0 || line.rfind(marker + "Surface area", 0) == 0)
                found.push_back(line.substr(marker.size()));
        return found;
    };
    const std::vector<std::string> obj = statistics("car.obj", "#");
    EXPECT_EQ(obj.size(), 9u);
    EXPECT_EQ(statistics("car_geom.inc", "//"), obj);
    EXPECT_EQ(statistics("car.pov", "//"), obj);
    EXPECT_EQ(statistics("car.udo", ";"), obj);
}

TEST_F(ExportFrameTest, CreatorHeaderAndFileHeaderWithoutMaps) {
    std::vector<std::string> lines{"old"};
    BuildCreatorHeader(lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Normalise(lines[0]), "This file has been created by Mirelan vVERSION");
    EXPECT_NE(lines[0], "This file has been created by Mirelan v");  // the build has a version
    EXPECT_EQ(lines[1], "3D model to POV-Ray/Moray Converter.");

    Scene.iniFile = "/out/car.ini";
    Scene.povSceneFile = "/out/car.pov";
    Scene.povGeometryFile = "/out/car_geom.inc";
    Scene.povMaterialFile = "C:\\out\\car_mat.inc";
    lines = {"old"};
    BuildFileHeader(lines, ";");
    for (std::string& l : lines) l = Normalise(l);
    const std::vector<std::string> expected = {
        ";==================================================",
        ";This file has been created by Mirelan vVERSION",
        ";3D model to POV-Ray/Moray Converter.",
        ";==================================================",
        ";Files needed to run the POV-Ray scene:",
        ";car.ini (initialization file - open this to render)",
        ";car.pov (scene setup of cameras, lights and geometry)",
        ";car_geom.inc (geometry mesh)",
        ";car_mat.inc (materials)",
        "; ",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ExportFrameTest, MapListIsDistinctIgnoringCaseWithTheBackgroundMap) {
    const int32_t a = AddMaterial("a");
    const int32_t b = AddMaterial("b");
    SceneMaterials[a].colorMap = "/tex/Wood.jpg";
    SceneMaterials[a].bumpMap = "/tex/bump.png";
    SceneMaterials[a].transparencyMap = "/tex/alpha.tga";
    SceneMaterials[b].colorMap = "/TEX/WOOD.JPG";    // the same map spelled otherwise
    SceneMaterials[b].bumpMap = "/other/bump.png";   // another file of the same name
    BackgroundMapName = "/sky/sky.jpg";
    std::vector<std::string> lines;
    ListMapFiles(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"Wood.jpg", "bump.png", "alpha.tga", "bump.png"}));
    Form1.ComboBox1.index = 1;
    ListMapFiles(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"Wood.jpg", "bump.png", "alpha.tga", "bump.png", "sky.jpg"}));
    BackgroundMapName = "/tex/wood.jpg";  // already listed
    ListMapFiles(lines);
    EXPECT_EQ(lines.size(), 4u);

    Scene.povMaterialFile = "m.inc";
    BuildFileHeader(lines, "//");
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[9], "//Wood.jpg");
    EXPECT_EQ(lines[12], "//bump.png");
    EXPECT_EQ(lines[13], "// ");
}

class LiveTextures : public WindowHooks {
public:
    bool IsTexture(int32_t name) override { return name == 7; }
};

TEST_F(ExportFrameTest, MapsReport) {
    const int32_t a = AddMaterial("a");
    const int32_t b = AddMaterial("b");
    const int32_t c = AddMaterial("c");
    AddMaterial("no texture");
    SceneMaterials[a].glTexture = 3;
    SceneMaterials[a].textureBytes = 262144;
    SceneMaterials[a].textureWidth = 256;
    SceneMaterials[a].textureHeight = 256;
    SceneMaterials[a].colorMap = "/tex/a very long colour map name that is cut at forty.jpg";
    SceneMaterials[a].transparencyMap = "/tex/alpha.png";
    SceneMaterials[b] = SceneMaterials[a];  // shares the texture: one row
    SceneMaterials[b].name = "b";
    SceneMaterials[c].glTexture = 12345678;
    SceneMaterials[c].textureBytes = 1000;
    SceneMaterials[c].textureWidth = 16;
    SceneMaterials[c].textureHeight = 16;
    SceneMaterials[c].colorMap = "c.bmp";
    BackgroundTexture = 7;
    BackgroundTextureBytes = 2097152;
    BackgroundMapName = "/sky/probe.jpg";
    LiveTextures live;
    Services s;
    s.window = &live;
    ScopedServices scoped(s);

    std::vector<std::string> lines{"kept"};
    MapsReport(lines);
    const std::vector<std::string> expected = {
        "kept",
        "Maps loaded into the OpenGL (R) API",
        " ",
        "Type      |ID   |Size in Memory      |Resolution in Mem   |Pigment Map                             "
        "|Transparency Map                        ",
        "__________|_____|____________________|____________________|________________________________________"
        "|________________________________________",
        "Material  |3    |256 KBytes          |256x256             |a very long colour map name that is cut "
        "|alpha.png                               ",
        "Material  |12345|1000 Bytes          |16x16               |c.bmp                                   "
        "|                                        ",
        "Sky       |7    |2 MBytes            |                    |probe.jpg                               ",
        " ",
        "Allocated memory = 2 MBytes in 4 maps",
    };
    EXPECT_EQ(lines, expected);
    // Per material: the shared texture counts twice; the background once.
    EXPECT_EQ(TotalTextureBytes(), 262144 * 2 + 1000 + 2097152);
    EXPECT_EQ(LoadedMapCount(), 4);

    // A background name that is no longer a live texture: a row, but no memory.
    BackgroundTexture = 8;
    EXPECT_EQ(LoadedMapCount(), 3);
    EXPECT_EQ(TotalTextureBytes(), 262144 * 2 + 1000);

    // The report reaches the "Maps" page through the services.
    SceneMaterials.resize(1);
    SceneMaterials[0].glTexture = 0;
    BackgroundTexture = 7;
    ShowMapsReport();
    const auto& page = status.Lines(StatusPage::Maps);
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.back(), "Allocated memory = 2 MBytes in 1 map");
}

}  // namespace
}  // namespace writertest
