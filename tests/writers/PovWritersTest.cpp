// The POV-Ray material include, the POV-Ray geometry include and the Moray
// UDO file: golden files of small scenes, and what the writers do with names,
// maps, options and odd geometry around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "model/Errors.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "readers/UdoReader.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"
#include "writers/FileText.h"
#include "writers/PovWriters.h"

namespace writertest {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

Lines Starting(const Lines& lines, std::string_view start) {
    Lines r;
    for (const std::string& l : lines)
        if (l.rfind(start, 0) == 0) r.push_back(l);
    return r;
}

// The lines from `first` (exact) up to the end.
Lines From(const Lines& lines, const std::string& first) {
    const auto it = std::find(lines.begin(), lines.end(), first);
    return Lines(it, lines.end());
}

class PovWritersTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        Configure();
    }
    void Configure() {
        PrepareObjExport();
        Scene.modelFile = "/models/my car.obj";  // scene object name my_car_
        Scene.povMaterialFile = Path("car_mat.inc");
        Scene.povGeometryFile = Path("car_geom.inc");
        Scene.povSceneFile = Path("car.pov");
        Scene.iniFile = Path("car.ini");
        Scene.udoFile = "";
        Scene.materialsInGeometry = 1;
    }

    // Groups Body, Wheels (casts no shadow) and Hidden (not visible);
    // materials Paint, Chrome, Glass, Unused and Off (not selected). Shared
    // vertices, normals on every face, UVs on some.
    void BuildCar() {
        const int32_t body = AddGroup("Body");
        const int32_t wheels = AddGroup("Wheels");
        const int32_t hidden = AddGroup("Hidden");
        SceneGroups[wheels].castsShadow = 0;
        SceneGroups[hidden].visible = 0;
        const int32_t paint = AddMaterial("Paint");
        const int32_t chrome = AddMaterial("Chrome");
        const int32_t glass = AddMaterial("Glass");
        AddMaterial("Unused");
        const int32_t off = AddMaterial("Off");
        SceneMaterials[off].selected = 0;
        SceneMaterials[paint].diffuse = {1, 0.5, 0};
        SceneMaterials[chrome].diffuse = {0.2, 0.2, 0.25};
        const int32_t v1 = AddVertex(0, 0, 0), v2 = AddVertex(1, 0, 0), v3 = AddVertex(1, 1, 0);
        const int32_t v4 = AddVertex(0, 1, 0), v5 = AddVertex(0.1234567891, -1e-5, 2);
        const int32_t v6 = AddVertex(12345678, 2.5, -3), v7 = AddVertex(-1, -2, -3), v8 = AddVertex(0.5, 0.5, 0.5);
        const int32_t n1 = AddNormal(0, 0, 1), n2 = AddNormal(0, 0.7071068, 0.7071068), n3 = AddNormal(-1, 0, 0);
        const int32_t n4 = AddNormal(0, -1, 0);
        const int32_t t1 = AddUV(0, 0), t2 = AddUV(1, 0), t3 = AddUV(1, 1), t4 = AddUV(0.25, 0.75);
        auto face = [](int32_t g, int32_t m, std::array<int32_t, 3> v, std::array<int32_t, 3> n,
                       std::array<int32_t, 3> t) { AddFace(g, m, v.data(), n.data(), t.data()); };
        face(body, paint, {v1, v2, v3}, {n1, n1, n1}, {t1, t2, t3});
        face(wheels, chrome, {v3, v4, v5}, {n2, n2, n2}, {0, 0, 0});
        face(body, paint, {v3, v2, v6}, {n1, n2, n1}, {0, 0, 0});
        face(body, glass, {v6, v7, v8}, {n3, n3, n3}, {t2, t3, t4});
        face(wheels, paint, {v1, v5, v8}, {n4, n4, n4}, {t4, t4, t4});
        face(hidden, paint, {v1, v2, v3}, {n1, n1, n1}, {t1, t2, t3});
        face(body, off, {v2, v3, v4}, {n1, n1, n1}, {t1, t2, t3});
        // A segment of a visible group, one of the hidden group.
        LineSegments.push_back(tline{{v1, v2}, {0, 0}, {0, 0}, body, chrome});
        LineSegments.push_back(tline{{v3, v4}, {0, 0}, {0, 0}, hidden, chrome});
        Polylines.push_back(tpolyline{0, 1});
        Polylines.push_back(tpolyline{1, 1});
    }

    // One triangle in group "G" with material "M".
    void BuildTriangle() {
        AddGroup("G");
        AddMaterial("M");
        const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0)};
        const int32_t n[3] = {AddNormal(0, 0, 1), 1, 1};
        AddFace(0, 0, v, n);
    }

    Lines Geometry() {
        Scene.writeGeometryInclude = 1;
        ExportModelFiles(Scene);
        return ReadLines(Scene.povGeometryFile);
    }
    Lines MaterialInclude() {
        Scene.writeMaterialInclude = 1;
        ExportModelFiles(Scene);
        return ReadLines(Scene.povMaterialFile);
    }
    Lines Udo() {
        Scene.writeUdo = 1;
        Scene.udoFile = Path("car.udo");
        ExportModelFiles(Scene);
        return ReadLines(Scene.udoFile);
    }
};

// ---- Material include ------------------------------------------------------

// Every kind of material: defaults; colour map; a second material sharing
// that map declaration; colour, bump and TIFF transparency maps, inverted; a
// cell material over a BMP transparency map; custom text; a bump map alone
// sharing an earlier declaration; an inactive custom text.
TEST_F(PovWritersTest, MaterialIncludeGolden) {
    Form1.CheckBox11.checked = true;  // turn TIFF maps
    AddMaterial("Default Grey");
    const int32_t paint = AddMaterial("Car Paint");
    {
        tmaterial& m = SceneMaterials[paint];
        m.colorMap = "/tex/Wheel Tex.JPG";
        m.bumpMap = "/tex/bump.tif";
        m.bumpSize = 0.5;
        m.transparency = 0.125;
        m.blend = 0.5;
        m.shininess = 1.0f;
        m.specular = {0.9, 0.9, 0.9};
        m.ambient = {0.1, 0.2, 0.3};
        m.diffuse = {1, 0.5, 0.25};
        m.reflection = 0.25;
        m.metal = 0;
    }
    const int32_t copy = AddMaterial("Paint Copy");
    SceneMaterials[copy].colorMap = "/other/wheel tex.jpg";  // same file name in another case: same key
    SceneMaterials[copy].transparency = 0.125;
    SceneMaterials[copy].blend = 0.5;
    const int32_t glass = AddMaterial("3D Glass");
    {
        tmaterial& m = SceneMaterials[glass];
        m.colorMap = "/tex/Wheel Tex.JPG";
        m.transparency = 0.375;  // key 38: a declaration of its own
        m.bumpMap = "/tex/glass bump.png";
        m.transparencyMap = "/tex/alpha.tif";
        m.invertTransparencyMap = 1;
        m.reflection = 0.5;
    }
    const int32_t cell = AddMaterial("Cell");
    {
        tmaterial& m = SceneMaterials[cell];
        m.cell = 1;
        m.cellHigh = 1;
        m.transparency = 0.5;
        m.transparencyMap = "/tex/alpha.bmp";
        m.reflection = 0.3;
        m.ambient = {0.1, 0.2, 0.3};
    }
    const int32_t custom = AddMaterial("Custom");
    SceneMaterials[custom].customText = "material{texture{pigment{rgb 1}}}\r\n// second line";
    SceneMaterials[custom].customTextActive = 1;
    SceneMaterials[custom].colorMap = "/tex/never declared.png";
    const int32_t bump = AddMaterial("Bump Only");
    SceneMaterials[bump].bumpMap = "/tex/BUMP.TIF";  // the key of bump.tif
    const int32_t inactive = AddMaterial("Inactive");
    SceneMaterials[inactive].customText = "not written";
    SceneMaterials[inactive].transparencyMap = "/tex/alpha.tga";
    ExportModelFiles(Scene);  // nothing switched on
    EXPECT_FALSE(fs::exists(Scene.povMaterialFile));
    // Every run logs one " " after the scene file's step, written or not.
    EXPECT_EQ(Messages(), (std::vector<std::string>{" "}));
    status.ClearPage(StatusPage::Messages);
    MaterialInclude();
    ExpectGolden(Scene.povMaterialFile, "car_mat.inc");
    const auto& m = Messages();
    ASSERT_GE(m.size(), 3u);
    EXPECT_EQ(m[0], " ");
    EXPECT_EQ(m[2], "Writing POV-Ray material include file");
}

TEST_F(PovWritersTest, MaterialIncludeWithoutCustomTextHasNoTextureIncludes) {
    AddMaterial("Plain");
    const Lines lines = MaterialInclude();
    EXPECT_TRUE(Contains(lines, "#include \"stdinc.inc\""));
    EXPECT_FALSE(Contains(lines, "#include \"textures.inc\""));
    EXPECT_EQ(Starting(lines, "#declare p_map").size(), 0u);
    // Metal set by default: " metallic" in the reflection.
    EXPECT_TRUE(Contains(lines,
                         "        finish{phong 0.3 phong_size 36.25229 diffuse 0.6*1 ambient rgb <0,0,0> "
                         "reflection{0 metallic}}}"));
}

// A switched-on custom text without a token but ";" would declare its
// material as nothing: the material include declares a plain material (and
// reads no texture includes for it), the MTL file keeps no "#povmaterial".
TEST_F(PovWritersTest, ACustomTextWithNoTokenIsNoCustomText) {
    const int32_t m = AddMaterial("Empty");
    Scene.writeMtl = 1;
    for (const char* text : {"", "\r\n", " // red\r\n/* green */", ";", " ; ;"}) {
        SCOPED_TRACE(text);
        SceneMaterials[m].customText = text;
        SceneMaterials[m].customTextActive = 1;
        const Lines lines = MaterialInclude();
        const Lines plain = From(lines, "#declare Empty_= ");
        ASSERT_GE(plain.size(), 2u);
        EXPECT_EQ(plain[1], "material{");
        EXPECT_FALSE(Contains(lines, "#include \"textures.inc\""));
        const Lines mtl = ReadLines(Path("car.mtl"));
        EXPECT_TRUE(Starting(mtl, "#povmaterial").empty());
    }
}

// POV-Ray cannot open a map whose file name string is 256 bytes or more
// long (the scene stops: "String too long"), holds a carriage return (read
// as a line feed) or letters beyond ASCII: one "<!>" line names it with the
// reason, and its declaration is written as it stands, type keyword and all.
// Quotes, line feeds and a name of 255 bytes it opens.
TEST_F(PovWritersTest, MapsPovRayCannotOpenAreNamedWithTheReason) {
    const int32_t m = AddMaterial("m");
    Scene.mapPathOption2 = 1;
    const std::string start = "<!>POV-Ray cannot open the map ";
    const std::string remedy = " (copying the maps with file paths off helps)";
    const std::string folder255 = "/" + std::string(255, 'd') + "/";
    const std::string long255 = "/m/" + std::string(248, 'l') + ".png";
    const std::string long256 = "/m/" + std::string(249, 'l') + ".png";
    const struct {
        std::string map, reason;  // no reason: no line
    } cases[] = {
        {"/m/plain \"quoted\" it's/a\nb.png", ""},
        {long255, ""},
        {long256, "its path is 256 bytes or more, longer than a string POV-Ray reads" + remedy},
        {folder255 + "wood.png", "its path is 256 bytes or more, longer than a string POV-Ray reads" + remedy},
        {std::string(300, 'w') + ".png", "its name is 256 bytes or more, longer than a string POV-Ray reads"},
        {"/m/cr\rdir/wood.png",
         "the name of its folder holds a carriage return, which POV-Ray reads as a line feed" + remedy},
        {"/m/wood\r.png", "its name holds a carriage return, which POV-Ray reads as a line feed"},
        {"/m/dossi\xC3\xA9/wood.png", "the name of its folder holds letters beyond ASCII" + remedy},
        {"/m/w\xC3\xB6od\r.png", "its name holds a carriage return, which POV-Ray reads as a line feed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        SceneMaterials[m].colorMap = c.map;
        status.ClearPage(StatusPage::Messages);
        MaterialInclude();
        EXPECT_NE(ReadFile(Scene.povMaterialFile).find("image_map{png " + PovFileNameString(c.map) + " interpolate"),
                  std::string::npos);
        Lines lines;
        for (const std::string& l : Messages())
            if (l.starts_with(start)) lines.push_back(l);
        EXPECT_EQ(lines, c.reason.empty() ? Lines{} : Lines{start + OneLineText(c.map) + ": " + c.reason});
    }
}

// The map reference rule on the map declarations: paths kept, file names
// alone, fixed names with the scene object name, ".jpg" names; BMP maps
// use the image type bmp.
TEST_F(PovWritersTest, MapNamesFollowTheOptions) {
    const int32_t a = AddMaterial("a");
    SceneMaterials[a].colorMap = "/tex/Wheel Tex.JPG";
    const int32_t b = AddMaterial("b");
    SceneMaterials[b].colorMap = "/tex/Sky Map.bmp";
    auto declarations = [&] { return Starting(MaterialInclude(), "#declare p_map"); };

    Lines d = declarations();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0],
              "#declare p_map1=pigment {uv_mapping image_map{jpeg \"Wheel Tex.JPG\" interpolate 2 "
              "transmit all 0 filter all 0} }");
    EXPECT_EQ(d[1],
              "#declare p_map2=pigment {uv_mapping image_map{bmp \"Sky Map.bmp\" interpolate 2 "
              "transmit all 0 filter all 0} }");

    Scene.mapPathOption2 = 1;
    d = declarations();
    EXPECT_NE(d[0].find("jpeg \"/tex/Wheel Tex.JPG\""), std::string::npos) << d[0];

    Scene.mapPathOption2 = 0;
    Scene.mapPathOption1 = 1;
    d = declarations();
    EXPECT_NE(d[0].find("jpeg \"my_car_Wheel_Tex.JPG\""), std::string::npos) << d[0];

    Scene.mapNamesAsJpg = 1;
    d = declarations();
    EXPECT_NE(d[0].find("jpeg \"my_car_Wheel_Tex.jpg\""), std::string::npos) << d[0];
    EXPECT_NE(d[1].find("jpeg \"my_car_Sky_Map.jpg\""), std::string::npos) << d[1];

    // A double quote in a kept path does not end the POV-Ray string.
    Scene.mapPathOption1 = Scene.mapNamesAsJpg = 0;
    Scene.mapPathOption2 = 1;
    SceneMaterials[a].colorMap = "/tex/say \"hi\".png";
    d = declarations();
    EXPECT_NE(d[0].find("png \"/tex/say \\\"hi\\\".png\" interpolate"), std::string::npos) << d[0];
}

TEST_F(PovWritersTest, MapKeysRoundHalvesToEven) {
    for (double t : {0.125, 0.375, 0.12, 0.25}) {
        const int32_t i = AddMaterial("m" + std::to_string(SceneMaterials.size()));
        SceneMaterials[i].colorMap = "/a/c.png";
        SceneMaterials[i].transparency = t;
        SceneMaterials[i].blend = 0.005;  // 0.5 %: rounds to 0
    }
    const int32_t same = AddMaterial("same as 0.25");
    SceneMaterials[same].colorMap = "/b/C.PNG";
    SceneMaterials[same].transparency = 0.25;
    ExportRun run;
    run.sceneObjectName = "my_car_";
    WritePOVMaterialInclude(Scene, run);
    EXPECT_EQ(run.mapKeys, (Lines{"c.png 12 0", "c.png 38 0", "c.png 25 0"}));
    const Lines lines = ReadLines(Scene.povMaterialFile);
    const Lines d = Starting(lines, "#declare p_map");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_NE(d[0].find("transmit all 0.125 filter all 0.005}"), std::string::npos) << d[0];
    // 0.12 shares the declaration of 0.125; "C.PNG" that of "c.png".
    EXPECT_EQ(From(lines, "#declare m2_= ")[4], "texture{pigment{p_map1} ");
    EXPECT_EQ(From(lines, "#declare same_as_0_25_= ")[4], "texture{pigment{p_map3} ");
}

// Identifiers that cleaning makes equal get a suffix, and the files of a run
// agree on them; a mesh name never takes a material's identifier.
TEST_F(PovWritersTest, CollidingIdentifiersGetSuffixes) {
    AddGroup("G");
    AddMaterial("my mat");
    AddMaterial("my_mat");
    AddMaterial("my car paint");  // identifier my_car_paint_
    AddMaterial("paint");         // mesh my_car_paint_ in mode 0
    const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0)};
    for (int32_t m = 0; m < 4; ++m) AddFace(0, m, v);
    Scene.writeMaterialInclude = Scene.writeUdo = 1;
    Scene.udoFile = Path("car.udo");
    const Lines geometry = Geometry();
    const Lines materials = ReadLines(Scene.povMaterialFile);
    const Lines udo = ReadLines(Scene.udoFile);
    EXPECT_TRUE(Contains(materials, "#declare my_mat_= "));
    EXPECT_TRUE(Contains(materials, "#declare my_mat__1= "));
    EXPECT_TRUE(Contains(materials, "#declare my_car_paint_= "));
    EXPECT_TRUE(Contains(geometry, "#declare my_car_paint__1MS=mesh2{"));
    EXPECT_TRUE(Contains(geometry, "#declare my_car_paint__1=object{my_car_paint__1MS  material{paint_}}"));
    EXPECT_TRUE(Contains(geometry, "#declare my_car_my_mat__1MS=mesh2{"));
    EXPECT_TRUE(Contains(geometry, "#declare my_car_my_mat__1=object{my_car_my_mat__1MS  material{my_mat__1}}"));
    EXPECT_TRUE(Contains(udo, "[my_car_paint__1:Vertices]"));
    EXPECT_TRUE(Contains(udo, "UsesTexture my_mat__1 defined"));
}

// Names as long as a name may be, sharing long beginnings, and a model name
// longer still: every identifier the POV-Ray files declare fits in what
// POV-Ray reads and is declared once, and every one they name is declared.
TEST_F(PovWritersTest, LongNamesGiveShortEnoughUniqueIdentifiers) {
    const struct {
        const char* what;
        uint8_t mode;
        bool boxes;
        std::size_t declared;  // materials and their opaque parts, a map, meshes or boxes, the scene object
    } cases[] = {{"by material", 0, false, 8 + 1 + 2 * 4 + 1},
                 {"by group and material", 1, false, 8 + 1 + 2 * 12 + 1},
                 {"boxes", 1, true, 8 + 1 + 3 + 1}};
    const std::string shared(250, 'n');
    Scene.modelFile = "/models/" + std::string(300, 'c') + ".obj";
    for (const std::string& group : {shared + "grp_1", shared + "grp_2", "7" + std::string(254, 'g')})
        SceneGroups[AddGroup(group)].maximum = {1, 1, 1};
    for (const std::string& material : {shared + "mat_1", shared + "mat_2", shared + "mat_3", shared + "__1"}) {
        const int32_t m = AddMaterial(material);
        SceneMaterials[m].transparencyMap = "alpha.png";  // an "_opaque" part too
    }
    const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0)};
    for (int32_t g = 0; g < 3; ++g)
        for (int32_t m = 0; m < 4; ++m) AddFace(g, m, v);
    Scene.udoFile = Path("car.udo");  // the Moray wrapper
    Scene.writeMaterialInclude = Scene.writeGeometryInclude = 1;
    const std::regex declared(R"(^#declare (\w+) ?=)"), named(R"((?:object|material)\{(\w+))");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Scene.meshBreakingMode = c.mode;
        Form1.CheckBox48.checked = c.boxes;
        ExportModelFiles(Scene);
        std::map<std::string, int> declarations;
        std::set<std::string> names;
        for (const std::string& file : {Scene.povMaterialFile, Scene.povGeometryFile})
            for (const std::string& line : ReadLines(file)) {
                std::smatch m;
                if (std::regex_search(line, m, declared)) ++declarations[m[1]];
                for (auto it = std::sregex_iterator(line.begin(), line.end(), named); it != std::sregex_iterator(); ++it)
                    names.insert((*it)[1]);
            }
        EXPECT_EQ(declarations.size(), c.declared);
        for (const auto& [id, count] : declarations) {
            EXPECT_LE(id.size(), 255u) << id;
            EXPECT_EQ(count, 1) << id;
        }
        for (const std::string& id : names) EXPECT_EQ(declarations.count(id), 1u) << id;
    }
}

// ---- Geometry include -------------------------------------------------------

// Mode 0: one mesh per material, normals, UVs with "<0,0,0>" for a face
// without them, shadows from the group of the last face, the line cylinders
// (a hidden group's segment left out) and the assembly union.
TEST_F(PovWritersTest, GeometryByMaterialGolden) {
    BuildCar();
    Form1.CheckBox55.checked = true;
    Form1.Edit46.text = "0.002";
    Geometry();
    ExpectGolden(Scene.povGeometryFile, "car_geom_mode0.inc");
    EXPECT_TRUE(Contains(Messages(), "POV-Ray -> Mesh my_car_Paint_: Writing 6 vertices..."));
    EXPECT_TRUE(Contains(Messages(), "POV-Ray -> Mesh my_car_Paint_: Writing 3 UV indices..."));
}

// Mode 1: one mesh per group and material, with the Moray wrapper, the
// mirror, left-handed coordinates and full paths.
TEST_F(PovWritersTest, GeometryByGroupAndMaterialGolden) {
    BuildCar();
    Scene.meshBreakingMode = 1;
    Scene.udoFile = Path("car.udo");  // the Moray wrapper
    Scene.mirrorX = 1;
    Scene.reservedFlag = 1;  // full paths
    Scene.povMaterialFile = "/out/car_mat.inc";
    Form1.CheckBox51.checked = true;
    Form1.ComboBox12.index = 1;
    Geometry();
    ExpectGolden(Scene.povGeometryFile, "car_geom_mode1.inc");
}

TEST_F(PovWritersTest, GeometryBoundingBoxesGolden) {
    BuildCar();
    SceneGroups[0].minimum = {-1, -2, -3};
    SceneGroups[0].maximum = {1, 2, 3.5};
    SceneGroups[0].color = 0x0000FF;  // red
    SceneGroups[1].minimum = {0, 0, 0};
    SceneGroups[1].maximum = {0.5, 0.5, 0.5};
    SceneGroups[1].color = 0x804020;
    Form1.CheckBox48.checked = true;
    Scene.mirrorX = 1;
    Scene.materialsInGeometry = 0;
    Geometry();
    ExpectGolden(Scene.povGeometryFile, "car_geom_boxes.inc");
}

// The breaking modes 0 and 2 (the batch save) give the same file; in a
// batch of several models the names come from the common object name.
TEST_F(PovWritersTest, BatchModeBreaksByMaterial) {
    BuildCar();
    const std::string mode0 = (Geometry(), ReadFile(Scene.povGeometryFile));
    Scene.meshBreakingMode = 2;
    EXPECT_EQ((Geometry(), ReadFile(Scene.povGeometryFile)), mode0);
    BatchFiles = {"a.obj", "b.obj", "c.obj"};
    Form1.Edit116.text = "frame object";
    const Lines lines = Geometry();
    EXPECT_TRUE(Contains(lines, "#declare frame_object_=")) << ReadFile(Scene.povGeometryFile);
    EXPECT_TRUE(Contains(lines, "object{frame_object_Paint_ no_shadow material{Paint_}}"));
    BatchFiles.clear();
}

TEST_F(PovWritersTest, OneMeshHasNoUnionUnlessMirroredOrWithLines) {
    BuildTriangle();
    Lines tail = From(Geometry(), "//Model assembly from the meshes");
    EXPECT_EQ(tail,
              (Lines{"//Model assembly from the meshes", "#declare my_car_=", "object{my_car_M_  material{M_}}"}));

    Scene.mirrorX = 1;
    tail = From(Geometry(), "//Model assembly from the meshes");
    EXPECT_EQ(tail, (Lines{"//Model assembly from the meshes", "#declare my_car_=", "union {",
                           "object{my_car_M_  material{M_}}", "scale<-1,1,1>", "}"}));

    // The line group comes before the mirror (no object may follow it) and
    // carries no mirror of its own.
    LineSegments.push_back(tline{{1, 2}, {0, 0}, {0, 0}, 0, 0});
    Form1.CheckBox55.checked = true;
    const Lines lines = Geometry();
    tail = From(lines, "//Model assembly from the meshes");
    EXPECT_EQ(tail, (Lines{"//Model assembly from the meshes", "#declare my_car_=", "union {",
                           "object{my_car_M_  material{M_}}", "object{mirelanlinegroup}", "scale<-1,1,1>", "}"}));
    const Lines group = From(lines, "#declare mirelanlinegroup=union{");
    ASSERT_GE(group.size(), 3u);
    EXPECT_EQ(group[2], "}");
}

// The scene object keeps its name (the scene file places it by that name);
// a material or group whose identifier would equal it gets a suffix.
TEST_F(PovWritersTest, TheSceneObjectNameIsNeverTaken) {
    Scene.modelFile = "/models/Paint.obj";  // scene object Paint_
    BuildTriangle();
    SceneMaterials[0].name = "Paint";
    SceneGroups[0].name = "Paint";
    Form1.CheckBox48.checked = true;
    SceneGroups[0].maximum = {1, 1, 1};
    Scene.writeMaterialInclude = 1;
    const Lines geometry = Geometry();
    EXPECT_TRUE(Contains(ReadLines(Scene.povMaterialFile), "#declare Paint__1= "));
    EXPECT_TRUE(Contains(geometry, "#declare Paint__2=box{"));
    EXPECT_TRUE(Contains(geometry, "#declare Paint_=union{"));
    EXPECT_TRUE(Contains(geometry, "   object{Paint__2}"));
}

// A model without faces still declares the scene object.
TEST_F(PovWritersTest, ModelWithoutFacesDeclaresTheSceneObject) {
    AddGroup("G");
    AddMaterial("M");
    AddVertex(0, 0, 0);
    AddVertex(1, 0, 0);
    Lines tail = From(Geometry(), "//Model assembly from the meshes");
    EXPECT_EQ(tail, (Lines{"//Model assembly from the meshes", "#declare my_car_=", "union {", "}"}));
    EXPECT_FALSE(Contains(Messages(), "preparing to break mesh..."));

    LineSegments.push_back(tline{{1, 2}, {0, 0}, {0, 0}, 0, 0});
    Form1.CheckBox55.checked = true;
    tail = From(Geometry(), "//Model assembly from the meshes");
    EXPECT_EQ(tail, (Lines{"//Model assembly from the meshes", "#declare my_car_=", "union {",
                           "object{mirelanlinegroup}", "}"}));
}

// Normal blocks only for a mesh whose faces all have normals; the mesh
// without them is still written, with a warning.
TEST_F(PovWritersTest, NormalsOnlyWhenEveryFaceHasThem) {
    BuildTriangle();
    const int32_t v[3] = {1, 2, 3};
    AddFace(0, 0, v);  // no normals
    Lines lines = Geometry();
    EXPECT_FALSE(Contains(lines, "normal_vectors{"));
    EXPECT_FALSE(Contains(lines, "normal_indices{"));
    EXPECT_TRUE(Contains(lines, "face_indices{"));
    EXPECT_TRUE(Contains(Messages(),
                         "<!>Mesh my_car_M_: 1 faces have no normals, so the mesh is written without "
                         "normals"));
    SceneFaces.pop_back();
    lines = Geometry();
    EXPECT_TRUE(Contains(lines, "normal_vectors{"));
    EXPECT_TRUE(Contains(lines, "normal_indices{"));
}

// Of a file of more meshes than the log tells one by one, the first ones log
// their lines and one line tells the rest, with their faces; the rest that
// are written without normals are counted in one warning. Every mesh is
// written.
TEST_F(PovWritersTest, MeshesBeyondTheFirstThousandAreToldByOneLine) {
    constexpr int Logged = 1000;
    AddMaterial("M");
    const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0)};
    const int32_t n[3] = {AddNormal(0, 0, 1), 1, 1};
    for (int g = 0; g < Logged + 2; ++g) {
        AddGroup("g" + std::to_string(g));
        AddFace(g, 0, v, n);
    }
    AddFace(Logged + 1, 0, v);  // without normals: the last mesh has none
    Scene.meshBreakingMode = 1;
    const struct {
        const char* writer;
        bool udo;
        std::size_t linesPerMesh;
        std::string declared, warning;
    } files[] = {
        {"POV-Ray", false, 4, "=mesh2{",
         "<!>1 more mesh has faces without normals, so it is written without normals"},
        {"UDO", true, 3, ":Vertices]", ""},
    };
    for (const auto& f : files) {
        status.ClearPage(StatusPage::Messages);
        Scene.writeGeometryInclude = Scene.writeUdo = 0;
        const Lines lines = f.udo ? Udo() : Geometry();
        const std::string prefix = std::string(f.writer) + " -> ";
        const std::string last = prefix + "Mesh my_car_g" + std::to_string(Logged - 1) + "_M_: Writing 1 faces...";
        EXPECT_EQ(Starting(Messages(), prefix + "Mesh ").size(), f.linesPerMesh * Logged) << f.writer;
        EXPECT_TRUE(Contains(Messages(), last)) << f.writer;
        EXPECT_EQ(Starting(Messages(), prefix + "2 more meshes: Writing 3 faces...").size(), 1u) << f.writer;
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.find(f.declared) != std::string::npos; }),
                  Logged + 2)
            << f.writer;
        EXPECT_EQ(Starting(Messages(), "<!>"), f.warning.empty() ? Lines{} : Lines{f.warning}) << f.writer;
    }
}

// Left-handed output changes the sign of vertex and normal X only; the
// UDO file keeps the model's coordinates.
TEST_F(PovWritersTest, HandednessNegatesVertexAndNormalX) {
    AddGroup("G");
    AddMaterial("M");
    const int32_t v[3] = {AddVertex(1, 2, 3), AddVertex(-4, 5, 6), AddVertex(0, 1, 0)};
    const int32_t n[3] = {AddNormal(0.5, 0.5, 0), 1, 1};
    const int32_t t[3] = {AddUV(0.5, 0.25), 1, 1};
    AddFace(0, 0, v, n, t);
    Form1.CheckBox51.checked = true;
    Form1.ComboBox12.index = 1;
    Lines lines = Geometry();
    EXPECT_TRUE(Contains(lines, "<-1,2,3>,"));
    EXPECT_TRUE(Contains(lines, "<4,5,6>,"));
    EXPECT_TRUE(Contains(lines, "<-0.5,0.5,0>"));
    EXPECT_TRUE(Contains(lines, "<0.5,0.25>"));
    const Lines udo = Udo();
    EXPECT_TRUE(Contains(udo, "1 2 3 "));
    EXPECT_TRUE(Contains(udo, "-4 5 6 "));
    // Either box alone leaves the coordinates as they are.
    Form1.CheckBox51.checked = false;
    EXPECT_TRUE(Contains(Geometry(), "<1,2,3>,"));
    Form1.CheckBox51.checked = true;
    Form1.ComboBox12.index = 0;
    EXPECT_TRUE(Contains(Geometry(), "<1,2,3>,"));
}

TEST_F(PovWritersTest, LineCylinders) {
    BuildTriangle();
    AddVertex(0, 0, 1e-12);  // v4: as good as v1
    LineSegments.push_back(tline{{1, 2}, {0, 0}, {0, 0}, 0, 0});
    LineSegments.push_back(tline{{1, 4}, {0, 0}, {0, 0}, 0, 0});  // zero length
    Form1.CheckBox55.checked = true;
    Form1.Edit46.text = "0,005";  // a comma is a decimal point too
    Lines lines = Geometry();
    EXPECT_EQ(From(lines, "//lines as cylinders")[2], "           cylinder{<0,0,0>,<1,0,0>,0.005 material{M_}}");
    EXPECT_EQ(From(lines, "//lines as cylinders")[3], "}");
    EXPECT_TRUE(Contains(Messages(), "<!>1 line segment of zero length left out of the line cylinders"));
    // Not a number: a hundredth of the model diagonal.
    Form1.Edit46.text = "thin";
    Scene.extents.diagonal = 3;
    lines = Geometry();
    const Lines cylinders = Starting(lines, "           cylinder{");
    ASSERT_EQ(cylinders.size(), 1u);
    EXPECT_NE(cylinders[0].find(",<1,0,0>,"), std::string::npos);
    // "Show lines" off: no line group at all.
    Form1.CheckBox55.checked = false;
    lines = Geometry();
    EXPECT_FALSE(Contains(lines, "//lines as cylinders"));
    EXPECT_FALSE(Contains(lines, "object{mirelanlinegroup}"));
}

// An index outside its list ends the run naming the file.
TEST_F(PovWritersTest, BadIndicesEndTheRun) {
    BuildTriangle();
    SceneFaces[0].normal[1] = 7;
    Scene.writeGeometryInclude = 1;
    try {
        ExportModelFiles(Scene);
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_EQ(e.file(), Scene.povGeometryFile);
        EXPECT_NE(std::string(e.what()).find("SceneNormals"), std::string::npos) << e.what();
    }
    SceneFaces[0].normal[1] = 1;
    SceneFaces[0].uv[0] = 3;
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
    SceneFaces[0].uv[0] = 0;
    SceneFaces[0].vertex[2] = 0;
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
    Scene.writeGeometryInclude = 0;
    Scene.writeUdo = 1;
    Scene.udoFile = Path("car.udo");
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
    SceneFaces[0].vertex[2] = 3;
    SceneFaces[0].material = 2;
    EXPECT_THROW(ExportModelFiles(Scene), ExportError);
}

// ---- UDO file ---------------------------------------------------------------

TEST_F(PovWritersTest, UdoByGroupAndMaterialGolden) {
    BuildCar();
    Scene.meshBreakingMode = 1;
    Udo();
    ExpectGolden(Scene.udoFile, "car_mode1.udo");
    EXPECT_TRUE(Contains(Messages(), "UDO -> Mesh my_car_Body_Paint_: Writing 6 edges..."));
}

TEST_F(PovWritersTest, UdoByMaterialWithoutMaterialsInGeometry) {
    BuildCar();
    Scene.materialsInGeometry = 0;
    const Lines lines = Udo();
    // "RGB " + 255 127.5 0 for the diffuse colour (1, 0.5, 0).
    const Lines paint = From(lines, "[my_car_Paint_:Vertices]");
    ASSERT_FALSE(paint.empty());
    EXPECT_EQ(paint[1], "6");
    EXPECT_TRUE(Contains(lines, "UsesTexture Paint_"));
    EXPECT_TRUE(Contains(lines, "RGB 255 127.5 0"));
    EXPECT_EQ(Starting(lines, "[").size(), 6u * 3 + 1);  // three meshes and [End]
    EXPECT_EQ(lines.back(), "[End]");
}

// A UDO file read back gives the exported triangles: per mesh section its
// own vertices, every face at the same positions, in mesh order.
TEST_F(PovWritersTest, UdoReadsBackAsTheSameGeometry) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        fixtures::ResetModel();
        Configure();
        BuildCar();
        Scene.meshBreakingMode = static_cast<uint8_t>(mode);
        Udo();
        // The exported faces in the order of the meshes.
        std::vector<tface> expected;
        const std::vector<std::pair<int, int>> order =
            mode == 0 ? std::vector<std::pair<int, int>>{{-1, 0}, {-1, 1}, {-1, 2}}
                      : std::vector<std::pair<int, int>>{{0, 0}, {0, 2}, {1, 0}, {1, 1}};
        for (const auto& [g, m] : order)
            for (const tface& f : SceneFaces)
                if (f.material == m && (g < 0 || f.group == g) && SceneGroups[f.group].visible &&
                    SceneMaterials[f.material].selected)
                    expected.push_back(f);
        Scene.modelFile = Scene.udoFile;
        ReadUDO(Scene);
        ASSERT_EQ(ImportFaces.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            for (int c = 0; c < 3; ++c) {
                const tvector& want = SceneVertices[expected[i].vertex[c] - 1].p;
                const int32_t got = ImportFaces[i].vertex[c];
                ASSERT_GE(got, 1);
                ASSERT_LE(got, static_cast<int32_t>(ImportVertices.size()));
                const tvector& p = ImportVertices[got - 1].p;
                EXPECT_NEAR(p.x, want.x, 1e-6 * (1 + std::abs(want.x))) << i << " " << c;
                EXPECT_NEAR(p.y, want.y, 1e-6 * (1 + std::abs(want.y))) << i << " " << c;
                EXPECT_NEAR(p.z, want.z, 1e-6 * (1 + std::abs(want.z))) << i << " " << c;
            }
        // The vertex sections hold each mesh's vertices once.
        EXPECT_EQ(ImportVertices.size(), mode == 0 ? 6u + 3 + 3 : 4u + 3 + 3 + 3);
        ClearImportLists();
    }
}

}  // namespace
}  // namespace writertest
