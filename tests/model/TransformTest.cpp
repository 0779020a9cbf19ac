#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "model/Subdivide.h"
#include "model/TextConv.h"
#include "model/Transform.h"
#include "model/VectorMath.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

const std::string NoChange = "(Vertices: no change)  (Normals: no change)  (UV: no change)  (Faces: no change)";

// A picture handed out instead of reading the file.
class FakePictures : public PictureLoader {
public:
    bool LoadRGB(const std::string& fileName, tpicture& out) override {
        asked.push_back(fileName);
        if (!reads) {
            out = {};
            return false;
        }
        out = picture;
        return true;
    }
    tpicture picture;
    bool reads = true;
    std::vector<std::string> asked;
};

int32_t Vertex(tvector p) { return fixtures::AddVertex(p.x, p.y, p.z); }

int32_t Normal(tvector n) { return fixtures::AddNormal(n.x, n.y, n.z); }

int Face(int32_t a, int32_t b, int32_t c, int group = 0, int material = 0) {
    return fixtures::AddFace(a, b, c, group, material);
}

const tvector& Pos(int32_t vertex) { return SceneVertices[static_cast<std::size_t>(vertex) - 1].p; }

void ExpectVector(const tvector& got, const tvector& want, double tolerance = 1e-12) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

void SetVector(tedit& x, tedit& y, tedit& z, const char* a, const char* b, const char* c) {
    x.text = a;
    y.text = b;
    z.text = c;
}

// Every face's normal points away from the centre of all vertices.
int InwardFaces() {
    tvector center{0, 0, 0};
    for (const tvertex& v : SceneVertices) center = AddVectors(center, v.p);
    center = ScaleVector(center, 1.0 / static_cast<double>(SceneVertices.size()));
    int inward = 0;
    for (const tface& f : SceneFaces) {
        const tvector mid = ScaleVector(AddVectors(AddVectors(Pos(f.vertex[0]), Pos(f.vertex[1])), Pos(f.vertex[2])), 1.0 / 3);
        if (DotProduct(FaceNormal(f), SubtractVectors(mid, center)) <= 0) ++inward;
    }
    return inward;
}

class TransformTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        pictureServices.pictures = &pictures;
        scopedPictures = new ScopedServices(pictureServices);
    }
    void TearDown() override {
        delete scopedPictures;
        SubdivisionMaterialSwitch = false;
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }

    std::string Apply(int mode) {
        std::string report;
        TransformModel(Scene, mode, report);
        return report;
    }

    void Flip(int which) {
        tradiobutton* radios[4] = {&Form1.RadioButton1, &Form1.RadioButton13, &Form1.RadioButton14,
                                   &Form1.RadioButton15};
        for (int i = 0; i < 4; ++i) radios[i]->checked = i == which;
    }

    bool HasLine(const std::string& start) const {
        for (const std::string& line : Messages())
            if (line.rfind(start, 0) == 0) return true;
        return false;
    }

    FakePictures pictures;
    Services pictureServices;
    ScopedServices* scopedPictures = nullptr;
};

// ---- Transformation -------------------------------------------------------

TEST_F(TransformTest, ReferenceScaleRotationTranslationInThatOrder) {
    const int32_t a = Vertex({2, 1, 1}), b = Vertex({1, 0, 0}), c = Vertex({1, 1, 0});
    const int f = Face(a, b, c);
    const int32_t n = Normal({1, 0, 0});
    for (int k = 0; k < 3; ++k) SceneFaces[f].normal[k] = n;
    SetVector(Form1.Edit88, Form1.Edit89, Form1.Edit92, "1", "0", "0");
    SetVector(Form1.Edit4, Form1.Edit5, Form1.Edit6, "2", "3", "4");
    SetVector(Form1.Edit31, Form1.Edit32, Form1.Edit33, "0", "0", "90");
    SetVector(Form1.Edit7, Form1.Edit8, Form1.Edit9, "0", "0", "5");

    EXPECT_EQ(Apply(TransformGeometry), NoChange);
    // (2,1,1) - ref = (1,1,1); x scale = (2,3,4); 90 degrees about Z = (-3,2,4);
    // + translation = (-3,2,9); + ref = (-2,2,9).
    ExpectVector(Pos(a), {-2, 2, 9});
    ExpectVector(Pos(b), {1, 0, 5});
    ExpectVector(SceneNormals[0].p, {0, 1, 0});
    EXPECT_EQ(SceneFaces[f].vertex[0], a);  // a positive scale keeps the winding
    EXPECT_EQ(SceneVertices[0].mark, 0);
    EXPECT_EQ(SceneNormals[0].mark, 0);
    EXPECT_TRUE(HasLine("Transforming vertices and normals..."));
    EXPECT_FALSE(HasLine("Changing winding order..."));
}

TEST_F(TransformTest, SharedVerticesMoveOnceAndHiddenOnesStay) {
    const int32_t a = Vertex({0, 0, 0}), b = Vertex({1, 0, 0}), c = Vertex({0, 1, 0}), d = Vertex({1, 1, 0}),
                  e = Vertex({2, 2, 0});
    Face(a, b, c);
    Face(b, d, c);
    Face(d, e, b, 1);  // hidden group; shares b and d with visible faces
    SceneGroups[1].visible = 0;
    SetVector(Form1.Edit7, Form1.Edit8, Form1.Edit9, "1", "0", "0");
    Apply(TransformGeometry);
    ExpectVector(Pos(b), {2, 0, 0});
    ExpectVector(Pos(d), {2, 1, 0});
    ExpectVector(Pos(e), {2, 2, 0});
}

TEST_F(TransformTest, EachAxisFlipSwapsAfterTranslationAndBeforeTheReference) {
    const tvector want[3] = {{22, 11, 33}, {33, 22, 11}, {11, 33, 22}};
    for (int which = 1; which <= 3; ++which) {
        fixtures::ResetModel();
        ResetOptionsToDefaults();
        const int32_t a = Vertex({1, 2, 3}), b = Vertex({5, 0, 0}), c = Vertex({0, 5, 0});
        Face(a, b, c);
        SetVector(Form1.Edit88, Form1.Edit89, Form1.Edit92, "1", "1", "1");
        SetVector(Form1.Edit7, Form1.Edit8, Form1.Edit9, "10", "20", "30");
        Flip(which);
        Apply(TransformGeometry);
        // (1,2,3) - ref + translation = (10,21,32), swapped, + ref.
        ExpectVector(Pos(a), want[which - 1]);
        EXPECT_EQ(SceneFaces[0].vertex[0], c) << "a flip alone mirrors: the winding is reversed";
    }
}

TEST_F(TransformTest, MirroringKeepsACubeFacingOutward) {
    struct Case {
        const char* sx;
        const char* sy;
        int flip;
        bool reversed;
    };
    const Case cases[] = {
        {"-1", "1", 0, true},   // one negative scale mirrors
        {"-1", "-1", 0, false}, // two cancel
        {"1", "1", 1, true},    // a flip mirrors
        {"-1", "1", 1, false},  // a flip and a negative scale cancel
        {"-1", "1", 3, false},
    };
    for (const Case& k : cases) {
        fixtures::ResetModel();
        ResetOptionsToDefaults();
        fixtures::AddCube(2.0, {0.5, 0.25, 0.125});
        ASSERT_EQ(InwardFaces(), 0);
        const int32_t first = SceneFaces[0].vertex[0];
        Form1.Edit4.text = k.sx;
        Form1.Edit5.text = k.sy;
        Flip(k.flip);
        Apply(TransformGeometry);
        EXPECT_EQ(InwardFaces(), 0) << k.sx << " " << k.sy << " flip " << k.flip;
        EXPECT_EQ(SceneFaces[0].vertex[0] != first, k.reversed) << k.sx << " " << k.sy << " flip " << k.flip;
    }
}

TEST_F(TransformTest, ReverseWindingTurnsTheResultOver) {
    fixtures::AddCube();
    Form1.CheckBox38.checked = true;
    Apply(TransformGeometry);
    EXPECT_EQ(InwardFaces(), 12);
    // Asked together with a mirror, the reversal undoes the mirror's repair.
    fixtures::ResetModel();
    fixtures::AddCube();
    Flip(2);
    Apply(TransformGeometry);
    EXPECT_EQ(InwardFaces(), 12);
}

TEST_F(TransformTest, FlipNormalsNegatesOnlyTheNormals) {
    fixtures::AddCube();
    CalcVertexNormals(NormalSum, 35 * DegToRad);
    const std::vector<tvertex> vertices = SceneVertices;
    const std::vector<tnormal> before = SceneNormals;
    const std::vector<tface> faces = SceneFaces;
    Form1.CheckBox17.checked = true;
    EXPECT_EQ(Apply(TransformGeometry), NoChange);
    ASSERT_EQ(SceneNormals.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) ExpectVector(SceneNormals[i].p, ScaleVector(before[i].p, -1));
    for (std::size_t i = 0; i < vertices.size(); ++i) ExpectVector(SceneVertices[i].p, vertices[i].p, 0);
    for (std::size_t i = 0; i < faces.size(); ++i) EXPECT_EQ(SceneFaces[i].vertex[0], faces[i].vertex[0]);
}

TEST_F(TransformTest, ScaleThatIsNotANumberCountsAsOne) {
    const int32_t a = Vertex({1, 2, 3});
    Face(a, Vertex({0, 0, 0}), Vertex({1, 0, 0}));
    Form1.Edit4.text = "2";
    Form1.Edit5.text = "abc";
    Form1.Edit6.text = "";
    Form1.Edit31.text = "x";  // rotation, translation and reference count as 0
    Form1.Edit7.text = "?";
    Apply(TransformGeometry);
    ExpectVector(Pos(a), {2, 2, 3});
    EXPECT_TRUE(HasLine("<!>Scale y \"abc\" is not a number"));
    EXPECT_TRUE(HasLine("<!>Scale z \"\" is not a number"));
    EXPECT_FALSE(HasLine("<!>Scale x"));
}

TEST_F(TransformTest, LightsAndPlaceholdersMoveWithTheGeometry) {
    const tvector p0{1.5, -2, 0.25}, p1{-3, 4, 2};
    const int32_t a = Vertex(p0), b = Vertex(p1);
    Face(a, b, Vertex({0, 0, 7}));
    tlight light;
    NewLight(light);
    light.position = p0;
    light.pointAt = p1;
    Lights.push_back(light);
    tplaceholder holder;
    NewPlaceholder(holder);
    holder.position = p0;
    holder.size = {1, 2, 3};
    holder.rotation = {10, 0, 0};
    Placeholders.push_back(holder);
    Form1.ComboBox2.index = 0;
    Form1.ComboBox7.index = 0;
    Form1.CheckBox23.checked = true;
    Form1.CheckBox57.checked = true;
    SetVector(Form1.Edit88, Form1.Edit89, Form1.Edit92, "0.5", "1", "-1");
    SetVector(Form1.Edit4, Form1.Edit5, Form1.Edit6, "2", "-0.5", "3");
    SetVector(Form1.Edit31, Form1.Edit32, Form1.Edit33, "30", "-45", "60");
    SetVector(Form1.Edit7, Form1.Edit8, Form1.Edit9, "1", "2", "3");
    Flip(2);

    Apply(TransformGeometry);
    ExpectVector(Lights[0].position, Pos(a), 0);
    ExpectVector(Lights[0].pointAt, Pos(b), 0);
    ExpectVector(Placeholders[0].position, Pos(a), 0);
    ExpectVector(Placeholders[0].size, {2, 1, 9});
    ExpectVector(Placeholders[0].rotation, {40, -45, 60});
    // The panels show the moved records.
    EXPECT_EQ(Form1.Edit69.text, FloatToText(Pos(a).x));
    EXPECT_EQ(Form1.Edit76.text, FormatFloatMaskDot("0.####", Pos(a).x));
    EXPECT_EQ(Form1.Edit72.text, "2");
    EXPECT_TRUE(HasLine("Transforming lights..."));
    EXPECT_TRUE(HasLine("Transforming Placeholders..."));
}

TEST_F(TransformTest, LinesOfTheSelectionMoveWithTheFaces) {
    fixtures::AddQuad();
    fixtures::AddPolyline(3);
    fixtures::AddPolyline(2, 1.0, 1);
    SceneGroups[1].visible = 0;
    SetVector(Form1.Edit7, Form1.Edit8, Form1.Edit9, "0", "0", "1");
    Apply(TransformGeometry);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(Pos(LineSegments[0].vertex[c]).z, 1);
        EXPECT_EQ(Pos(LineSegments[2].vertex[c]).z, 0);  // hidden group
    }
}

TEST_F(TransformTest, WeldToleranceFallsBackToTheSmallestFaceArea) {
    Face(Vertex({0, 0, 0}), Vertex({1, 0, 0}), Vertex({0, 1, 0}));
    Face(Vertex({1.001, 0, 0}), Vertex({1, 1, 0}), Vertex({0, 1.001, 0}));
    ComputeExtents();  // smallest face area 0.5: tolerance about 0.007
    Form1.CheckBox24.checked = true;
    Form1.Edit58.text = "none";
    EXPECT_EQ(Apply(TransformGeometry), "(Vertices: 2 removed)  (Normals: no change)  (UV: no change)  (Faces: no change)");

    // Without faces there is no area to take a tolerance from: nothing is
    // merged, although the scene record still holds its start value.
    fixtures::ResetModel();
    fixtures::AddPolyline(4, 0.5);
    ComputeExtents();
    EXPECT_EQ(Apply(TransformGeometry), NoChange);
    EXPECT_TRUE(HasLine("<!>Weld tolerance \"none\" is not a number"));
}

TEST_F(TransformTest, BadIndexEndsTheCommandBeforeAnythingMoves) {
    const int32_t a = Vertex({1, 1, 1});
    Face(a, Vertex({0, 0, 0}), Vertex({1, 0, 0}));
    Face(a, 2, 9);
    Form1.Edit7.text = "5";
    std::string report;
    EXPECT_THROW(TransformModel(Scene, TransformGeometry, report), ModelError);
    ExpectVector(Pos(a), {1, 1, 1}, 0);
}

// ---- Subdivision ----------------------------------------------------------

TEST_F(TransformTest, SubdivisionReportsTheNewCounts) {
    fixtures::AddGrid(10, 5);  // 66 vertices, 100 triangles, 165 edges
    EXPECT_EQ(Apply(TransformSubdivide),
              "(Vertices: 165 added)  (Normals: 231 added)  (UV: 165 added)  (Faces: 300 added)");
    EXPECT_TRUE(SubdivisionMaterialSwitch);
    EXPECT_TRUE(HasLine("Subdividing faces..."));

    fixtures::ResetModel();
    fixtures::AddGrid(10, 5);
    Form1.RadioButton7.checked = false;
    Form1.RadioButton6.checked = true;
    Form1.CheckBox12.checked = false;
    EXPECT_EQ(Apply(TransformSubdivide),
              "(Vertices: 165 added)  (Normals: 231 added)  (UV: 165 added)  (Faces: 300 added)");
    EXPECT_FALSE(SubdivisionMaterialSwitch);
    for (const tvertex& v : SceneVertices) EXPECT_EQ(v.p.y, 0);
}

// ---- Displacement ---------------------------------------------------------

class DisplacementTest : public TransformTest {
protected:
    void SetUp() override {
        TransformTest::SetUp();
        folder_ = fixtures::MakeScratchFolder("displace");
        file_ = (folder_ / "bump.png").string();
        std::ofstream(file_) << "picture";
        Form1.Edit54.text = file_;
        Form1.Edit55.text = "-1";
        Form1.Edit56.text = "1";
        // Three columns: black, a grey of luminance 0.2, white.
        pictures.picture.width = 3;
        pictures.picture.height = 1;
        pictures.picture.rgb = {0, 0, 0, 51, 51, 51, 255, 255, 255};
    }
    void TearDown() override {
        std::filesystem::remove_all(folder_);
        TransformTest::TearDown();
    }

    // A 2 x 1 grid (vertices at x = 0, 1, 2) with every normal set to `n`.
    void Grid(tvector n) {
        fixtures::AddGrid(2, 1);
        const int32_t normal = Normal(NormalizeVector(n));
        for (tface& f : SceneFaces)
            for (int c = 0; c < 3; ++c) f.normal[c] = normal;
    }

    std::filesystem::path folder_;
    std::string file_;
};

TEST_F(DisplacementTest, VerticesMoveAlongTheirNormalByTheBrightness) {
    Grid({0, 1, 0});
    Apply(TransformDisplace);
    ASSERT_EQ(pictures.asked, std::vector<std::string>{file_});
    for (int j = 0; j < 2; ++j) {
        EXPECT_NEAR(Pos(j * 3 + 1).y, -1, 1e-12);   // black: the minimum
        EXPECT_NEAR(Pos(j * 3 + 2).y, -0.6, 1e-12); // 0.2: -1 + 2 x 0.2
        EXPECT_NEAR(Pos(j * 3 + 3).y, 1, 1e-12);    // white: the maximum
    }
    EXPECT_EQ(Pos(1).x, 0);
    EXPECT_TRUE(HasLine("Recalculating normals for displaced geometry..."));
    // The normals were made new: one per vertex on this bent strip.
    EXPECT_GT(SceneNormals.size(), 1u);
}

TEST_F(DisplacementTest, OnlyTheChosenComponentsMove) {
    Grid({1, 1, 0});
    Form1.CheckBox45.checked = false;  // "y"
    Apply(TransformDisplace);
    const double k = 1 / std::sqrt(2.0);
    ExpectVector(Pos(3), {2 + k, 0, 0});
    ExpectVector(Pos(1), {-k, 0, 0});
}

TEST_F(DisplacementTest, CornersWithoutANormalAddNothing) {
    Grid({0, 1, 0});
    // A hidden face at the white corner without normals.
    const int32_t far = Vertex({3, 0, 0});
    Face(3, far, Vertex({3, 0, 1}), 1);
    SceneGroups[1].visible = 0;
    Apply(TransformDisplace);
    EXPECT_NEAR(Pos(3).y, 1, 1e-12);
    EXPECT_EQ(Pos(far).y, 0);  // used by the hidden face only
}

TEST_F(DisplacementTest, UVsOutsideThePictureLeaveTheVertex) {
    Grid({0, 1, 0});
    for (tuv& t : SceneUVs) t.u += 2;
    Apply(TransformDisplace);
    for (const tvertex& v : SceneVertices) EXPECT_EQ(v.p.y, 0);
}

TEST_F(DisplacementTest, NothingWithoutFileUVsOrPicture) {
    Grid({0, 1, 0});
    const std::vector<tvertex> before = SceneVertices;
    const auto unchanged = [&] {
        for (std::size_t i = 0; i < before.size(); ++i) ExpectVector(SceneVertices[i].p, before[i].p, 0);
    };
    Form1.Edit54.text = "  ";
    EXPECT_EQ(Apply(TransformDisplace), NoChange);
    Form1.Edit54.text = (folder_ / "missing.png").string();
    EXPECT_EQ(Apply(TransformDisplace), NoChange);
    EXPECT_TRUE(pictures.asked.empty());
    unchanged();

    Form1.Edit54.text = file_;
    pictures.reads = false;
    EXPECT_EQ(Apply(TransformDisplace), NoChange);
    EXPECT_TRUE(HasLine("<!>Displacement picture"));
    pictures.reads = true;
    pictures.picture.rgb.resize(6);  // shorter than 3 x 1 pixels
    EXPECT_EQ(Apply(TransformDisplace), NoChange);
    unchanged();

    pictures.picture.rgb.resize(9);
    SceneUVs.clear();
    for (tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) f.uv[c] = 0;
    EXPECT_EQ(Apply(TransformDisplace), NoChange);
    EXPECT_EQ(pictures.asked.size(), 2u);
    unchanged();
}

// ---- Model-wide operations -------------------------------------------------

TEST_F(TransformTest, ReorientImportTurnsZUpToYUp) {
    ImportVertices.push_back(tvertex{{1, 2, 3}, 0});
    ImportNormals.push_back(tnormal{{0, 0, 1}, 0});
    SceneVertices.push_back(tvertex{{1, 2, 3}, 0});
    ReorientImport();
    ExpectVector(ImportVertices[0].p, RotateAboutAxis({1, 2, 3}, {1, 0, 0}, -Pi / 2));
    ExpectVector(ImportVertices[0].p, {1, 3, -2}, 0);
    ExpectVector(ImportNormals[0].p, {0, 1, 0}, 0);
    ExpectVector(SceneVertices[0].p, {1, 2, 3}, 0);
}

TEST_F(TransformTest, TotalLightIntensity) {
    SetTotalLightIntensity(100);  // no lights: nothing
    tlight l;
    NewLight(l);
    Lights.push_back(l);
    Lights.push_back(l);
    SetTotalLightIntensity(100);
    EXPECT_NEAR(Lights[0].intensity, 0.5, 1e-12);
    EXPECT_NEAR(Lights[1].intensity, 0.5, 1e-12);

    // A sum without luminance: the target shared out equally.
    for (tlight& x : Lights) x.color = {0, 0, 0};
    Lights.push_back(Lights[0]);
    SetTotalLightIntensity(60);
    for (const tlight& x : Lights) EXPECT_NEAR(x.intensity, 0.2, 1e-12);
}

TEST_F(TransformTest, DeleteAllLightsEmptiesTheSelector) {
    DeleteAllLights();
    EXPECT_EQ(Messages().back(), "0 lights deleted.");
    tlight l;
    NewLight(l);
    Lights.assign(2, l);
    Form1.ComboBox2.index = 1;
    DeleteAllLights();
    EXPECT_TRUE(Lights.empty());
    EXPECT_EQ(Form1.ComboBox2.Count(), 0u);
    EXPECT_EQ(Form1.ComboBox2.index, -1);
    EXPECT_EQ(Messages().back(), "2 lights deleted.");
    EXPECT_EQ(Form1.Edit49.text, "0");  // the light panel shows the empty list
}

TEST_F(TransformTest, MaterialProjectionsAreAppliedAndReset) {
    fixtures::AddQuad(0, 0);
    fixtures::AddQuad(0, 1);
    SceneMaterials[1].uvProjection = 0;  // planar along Z
    SceneMaterials[1].projectionAxis = {0, 0, 1};
    SceneMaterials[1].mapSize = {2, 2, 2};
    SceneMaterials[1].mapScale[0] = 3;
    SceneMaterials[0].selected = 0;
    const std::size_t uvs = SceneUVs.size();
    ApplyMaterialUVProjections();
    EXPECT_EQ(SceneUVs.size(), uvs + 6);  // one new UV per corner of the projected faces
    EXPECT_LE(SceneFaces[0].uv[0], 4);
    EXPECT_GT(SceneFaces[2].uv[0], static_cast<int32_t>(uvs));
    for (const tmaterial& m : SceneMaterials) {
        EXPECT_EQ(m.selected, 1);
        EXPECT_EQ(m.uvProjection, -1);
        EXPECT_EQ(m.mapSize.x, -1.0);
        EXPECT_EQ(m.mapScale[0], 1.0);
    }
    EXPECT_TRUE(IsTableCurrent(UVFaceTable));
}

TEST_F(TransformTest, MapsAreFoundBesideTheModel) {
    const auto folder = fixtures::MakeScratchFolder("findmaps");
    std::ofstream(folder / "Skin.JPG") << "x";
    std::ofstream(folder / "other.png") << "x";
    Scene.modelFile = (folder / "model.obj").string();
    fixtures::EnsureMaterial(0);
    tmaterial& m = SceneMaterials[0];
    m.colorMap = "C:\\textures\\skin.jpg";
    m.bumpMap = "/nowhere/missing.png";
    m.transparencyMap = (folder / "other.png").string();
    FindMapsInModelDir();
    EXPECT_EQ(m.colorMap.str(), (folder / "Skin.JPG").string());
    EXPECT_EQ(m.bumpMap.str(), "/nowhere/missing.png");
    EXPECT_EQ(m.transparencyMap.str(), (folder / "other.png").string());
    std::filesystem::remove_all(folder);
}

}  // namespace
