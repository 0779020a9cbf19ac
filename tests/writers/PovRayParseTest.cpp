// POV-Ray itself reads the written material and geometry includes: a small
// scene that includes them and places the scene object must parse and
// render. Skipped when `povray` is not on the PATH.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "options/Options.h"
#include "tests/fixtures/ScopedEnv.h"
#include "tests/writers/WriterTest.h"
#include "ui/core/LoadDrivers.h"
#include "writers/Export.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

bool PovRayOnPath() {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::string_view rest(path);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string folder(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::error_code ec;
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / "povray";
        if (fs::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0) return true;
    }
    return false;
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string U16(int v) { return {static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)}; }
std::string U32(int v) { return U16(v & 0xFFFF) + U16((v >> 16) & 0xFFFF); }

// 2 x 2 images of three formats the renderer reads on every platform.
void WriteMaps(const fs::path& dir) {
    std::string tga = std::string("\0\0\2", 3) + std::string(5, '\0') + U16(0) + U16(0) + U16(2) + U16(2) + "\x18" +
                      std::string(1, '\0');
    tga += std::string("\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\xff", 12);
    WriteBytes((dir / "wheel tex.tga").string(), tga);
    WriteBytes((dir / "bump.ppm").string(),
               "P6\n2 2\n255\n" + std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0", 12));
    const int rowBytes = 8;  // 2 pixels x 3 bytes, padded to 4
    std::string bmp = "BM" + U32(54 + 2 * rowBytes) + U32(0) + U32(54) + U32(40) + U32(2) + U32(2) + U16(1) + U16(24) +
                      U32(0) + U32(2 * rowBytes) + U32(2835) + U32(2835) + U32(0) + U32(0);
    for (int row = 0; row < 2; ++row) bmp += std::string("\x00\x00\x00\xff\xff\xff\x00\x00", 8);
    WriteBytes((dir / "alpha.bmp").string(), bmp);
}

class PovRayParseTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        if (!PovRayOnPath()) GTEST_SKIP() << "povray is not on the PATH";
        WriteMaps(dir);
        PrepareObjExport();
        Scene.modelFile = "/models/my car.obj";
        Scene.povMaterialFile = Path("car_mat.inc");
        Scene.povGeometryFile = Path("car_geom.inc");
        Scene.materialsInGeometry = 1;
        Scene.writeMaterialInclude = Scene.writeGeometryInclude = 1;
    }

    // Two groups (one casting no shadow), four materials: colour and bump
    // maps; colour and inverted transparency maps; a cell material; custom
    // text. Normals everywhere, UVs from the grids, one polyline.
    void BuildModel() {
        fixtures::AddGrid(2, 2, 1.0, 0, 0);
        fixtures::AddGrid(1, 2, 0.5, 1, 1);
        fixtures::AddSphere(4, 6, 0.5, 1, 2);
        fixtures::AddQuad(0, 3);
        SceneGroups[1].castsShadow = 0;
        SceneMaterials[0].name = "Paint";
        SceneMaterials[0].colorMap = "/textures/wheel tex.tga";
        SceneMaterials[0].bumpMap = "/textures/bump.ppm";
        SceneMaterials[1].name = "Glass";
        SceneMaterials[1].colorMap = "/textures/wheel tex.tga";
        SceneMaterials[1].transparency = 0.5;
        SceneMaterials[1].transparencyMap = "/textures/alpha.bmp";
        SceneMaterials[1].invertTransparencyMap = 1;
        SceneMaterials[2].name = "Cell";
        SceneMaterials[2].cell = 1;
        SceneMaterials[2].transparencyMap = "/textures/alpha.bmp";
        SceneMaterials[3].name = "Custom";
        SceneMaterials[3].customText = "material{texture{pigment{rgb <1,0,0>}\r\n  finish{phong 1}}}";
        SceneMaterials[3].customTextActive = 1;
        SceneNormals.clear();
        for (std::size_t i = 0; i < SceneVertices.size(); ++i) {
            tnormal n;
            n.p = {0, 1, 0};
            SceneNormals.push_back(n);
        }
        for (tface& f : SceneFaces)
            for (int c = 0; c < 3; ++c) f.normal[c] = f.vertex[c];
        fixtures::AddPolyline(3, 0.5, 0, 1);
    }

    // Exports, then renders a 16 x 16 scene that includes the geometry
    // include and places the scene object `object`: true when POV-Ray read
    // and rendered it; what it said in `log`.
    bool Renders(std::string& log, const std::string& object = "my_car_") {
        ExportModelFiles(Scene);
        std::ofstream(Path("scene.pov")) << "#version 3.7;\n"
                                            "global_settings{assumed_gamma 1.0}\n"
                                            "#include \"car_geom.inc\"\n"
                                            "camera{location <0,2,-6> look_at <0,0,0>}\n"
                                            "light_source{<5,10,-5> color rgb 1}\n"
                                            "object{" + object + "}\n";
        fs::remove(Path("scene.png"));
        const fixtures::NoUserPovRaySettings settings(dir);
        const std::string command =
            "cd '" + dir.string() + "' && povray +Iscene.pov +Oscene.png +W16 +H16 -D -V > povray.log 2>&1";
        const int status = std::system(command.c_str());
        log = ReadFile(Path("povray.log"));
        return status == 0 && log.find("Parse Error") == std::string::npos && fs::exists(Path("scene.png"));
    }
    void ExpectParses(const std::string& what, const std::string& object = "my_car_") {
        SCOPED_TRACE(what);
        std::string log;
        EXPECT_TRUE(Renders(log, object)) << log;
    }
};

TEST_F(PovRayParseTest, MeshesByGroupAndMaterialWithMorayWrapperMirrorAndLines) {
    BuildModel();
    Scene.meshBreakingMode = 1;
    Scene.udoFile = Path("car.udo");
    Scene.mirrorX = 1;
    Form1.CheckBox55.checked = true;
    Form1.CheckBox51.checked = true;
    Form1.ComboBox12.index = 1;
    ExpectParses("mode 1");
}

TEST_F(PovRayParseTest, MeshesByMaterial) {
    BuildModel();
    Form1.CheckBox11.checked = true;
    ExpectParses("mode 0");
}

TEST_F(PovRayParseTest, OneMeshMirroredWithLines) {
    fixtures::AddGrid(2, 1);
    fixtures::AddPolyline(2, 0.5);
    Scene.mirrorX = 1;
    ExpectParses("one mesh, mirrored");
    Form1.CheckBox55.checked = true;
    ExpectParses("one mesh, mirrored, lines");
    Scene.mirrorX = 0;
    ExpectParses("one mesh, lines");
}

TEST_F(PovRayParseTest, NoFaces) {
    fixtures::EnsureGroup(0);
    fixtures::EnsureMaterial(0);
    ExpectParses("nothing");
    fixtures::AddPolyline(3, 0.5);
    Form1.CheckBox55.checked = true;
    Scene.mirrorX = 1;
    ExpectParses("lines only");
}

// Group and material names as long as a name may be, alike in their first
// 250 characters.
TEST_F(PovRayParseTest, LongNames) {
    BuildModel();
    for (std::size_t i = 0; i < SceneGroups.size(); ++i) SceneGroups[i].name = std::string(250, 'g') + std::to_string(i);
    for (std::size_t i = 0; i < SceneMaterials.size(); ++i)
        SceneMaterials[i].name = std::string(250, 'm') + std::to_string(i);
    Scene.meshBreakingMode = 1;
    Scene.udoFile = Path("car.udo");
    ExpectParses("meshes");
    SceneGroups[0].maximum = {1, 1, 1};
    Form1.CheckBox48.checked = true;
    ExpectParses("boxes");
}

TEST_F(PovRayParseTest, BoundingBoxes) {
    BuildModel();
    SceneGroups[0].maximum = {1, 1, 1};
    SceneGroups[1].minimum = {-1, 0, 0};
    Form1.CheckBox48.checked = true;
    Scene.mirrorX = 1;
    ExpectParses("boxes");
}

// A mesh of another exporter names textures of its own file, a vector where
// a name would stand, names POV-Ray's include files do not declare as
// textures (in another letter case, a macro, a material) and ones they do (a
// texture, a pigment): the scene written from it parses.
TEST_F(PovRayParseTest, AMeshWithTexturesOfItsOwnFile) {
    std::string mesh = "#declare Body_Tex = texture { pigment { rgb <1,0,0> } }\nmesh {\n";
    for (const char* texture : {"Body_Tex", "<1,0,0>", "GLASS", "Parse_String", "M_Glass", "T_Stone1", "Jade"})
        mesh += std::string("  triangle { <0,0,0>, <1,0,0>, <0,1,0> texture { ") + texture + " } }\n";
    std::ofstream(Path("model.pov")) << mesh << "}\n";
    ASSERT_EQ(LoadModelFile(Path("model.pov")), LoadResult::Loaded);
    ASSERT_EQ(SceneMaterials.size(), 7u);
    EXPECT_EQ(SceneMaterials[5].customTextActive + SceneMaterials[6].customTextActive, 2);  // T_Stone1, Jade
    Scene.povMaterialFile = Path("car_mat.inc");
    Scene.povGeometryFile = Path("car_geom.inc");
    Scene.materialsInGeometry = Scene.writeMaterialInclude = Scene.writeGeometryInclude = 1;
    ExpectParses("textures of the mesh's file", "model_");
}

// The maps the writers name as ones POV-Ray cannot open (a path of 256 bytes
// or more, a folder name of 255 bytes, a carriage return, letters beyond
// ASCII) are those POV-Ray cannot open; quotes, a line feed, a tab and a path
// of 255 bytes it opens.
TEST_F(PovRayParseTest, MapsNamedAsUnopenableAreThosePovRayCannotOpen) {
    fixtures::AddGrid(1, 1);
    Scene.mapPathOption2 = 1;
    const std::string base = dir.string() + "/";
    const auto path = [&](std::size_t length) { return base + std::string(length - base.size() - 6, 'p') + "/a.tga"; };
    for (const std::string& map : {base + "q\"uo'te\nlf\t/a.tga", path(255), path(256),
                                   base + std::string(255, 'd') + "/a.tga", base + "cr\rdir/a.tga",
                                   base + "dossi\xC3\xA9/a.tga"}) {
        SCOPED_TRACE(map);
        fs::create_directories(fs::path(map).parent_path());
        fs::copy_file(dir / "wheel tex.tga", map, fs::copy_options::overwrite_existing);
        SceneMaterials[0].colorMap = map;
        status.ClearPage(StatusPage::Messages);
        std::string log;
        const bool opened = Renders(log);
        const bool named = std::any_of(Messages().begin(), Messages().end(), [](const std::string& m) {
            return m.starts_with("<!>POV-Ray cannot open the map ");
        });
        EXPECT_NE(opened, named) << log;
    }
}

}  // namespace
}  // namespace writertest
