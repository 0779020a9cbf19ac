// What the writers write, the readers read back: an OBJ file with its MTL
// file and settings block, and the POV-Ray geometry include.
#include <gtest/gtest.h>

#include <cmath>

#include "model/Model.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/PovMeshReader.h"
#include "tests/writers/WriterTest.h"
#include "ui/core/LoadDrivers.h"
#include "writers/Export.h"

namespace writertest {
namespace {

// The corners of every face as positions, so that models can be compared
// whatever the numbering of their vertices.
struct tcorners {
    tvector p[3];
    std::string group, material;
};

std::vector<tcorners> FaceCorners() {
    std::vector<tcorners> r;
    for (const tface& f : SceneFaces) {
        tcorners c;
        for (int k = 0; k < 3; ++k) c.p[k] = SceneVertices[f.vertex[k] - 1].p;
        c.group = SceneGroups[f.group].name.str();
        c.material = SceneMaterials[f.material].name.str();
        r.push_back(c);
    }
    return r;
}

void ExpectSameVector(const tvector& a, const tvector& b, double eps) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

class RoundTripTest : public WriterTest {
protected:
    // Two groups (one that casts no shadow), two materials with maps and a
    // custom text, normals and UVs.
    void BuildModel() {
        const int32_t body = AddGroup("Body Shell");
        const int32_t wheel = AddGroup("Wheel");
        const int32_t paint = AddMaterial("Red Paint");
        const int32_t rubber = AddMaterial("Rubber");
        SceneMaterials[paint].diffuse = {0.8, 0.1, 0.2};
        SceneMaterials[paint].colorMap = "paint.jpg";
        SceneMaterials[paint].bumpMap = "dents.png";
        SceneMaterials[paint].bumpSize = 0.5;
        SceneMaterials[rubber].diffuse = {0.1, 0.1, 0.1};
        SceneMaterials[rubber].transparency = 0.25;
        SceneMaterials[rubber].customText = "texture { pigment { rgb 1 } }";
        SceneMaterials[rubber].customTextActive = 1;
        SceneGroups[wheel].castsShadow = 0;
        const int32_t v1 = AddVertex(0, 0, 0), v2 = AddVertex(1, 0, 0), v3 = AddVertex(1, 1, 0);
        const int32_t v4 = AddVertex(0, 1, 0), v5 = AddVertex(0.5, 0.25, -1.5);
        const int32_t n1 = AddNormal(0, 0, 1), n2 = AddNormal(0, 0.6, 0.8);
        const int32_t t1 = AddUV(0, 0), t2 = AddUV(1, 0), t3 = AddUV(1, 1), t4 = AddUV(0, 1);
        const int32_t a[3] = {v1, v2, v3}, an[3] = {n1, n1, n1}, at[3] = {t1, t2, t3};
        const int32_t b[3] = {v1, v3, v4}, bt[3] = {t1, t3, t4};
        const int32_t c[3] = {v2, v5, v3}, cn[3] = {n2, n2, n2}, ct[3] = {t2, t4, t3};
        AddFace(body, paint, a, an, at);
        AddFace(body, paint, b, an, bt);
        AddFace(wheel, rubber, c, cn, ct);
    }
};

TEST_F(RoundTripTest, AnObjFileReadsBackWithItsMaterialsAndSettings) {
    BuildModel();
    // The scene set-up the settings block carries.
    tlight key;
    NewLight(key);
    key.name = "Key, Light";
    key.kind = LightSpot;
    key.position = {3, 4, -5};
    key.pointAt = {0, 0.5, 0};
    key.color = {1, 0.9, 0.8};
    key.intensity = 0.75;
    key.spotSpread = 30;
    Lights.push_back(key);
    tlight fill;
    NewLight(fill);
    fill.name = "Fill";
    fill.kind = LightArea;
    fill.areaSamples = 4;
    fill.jitter = 1;
    Lights.push_back(fill);
    tplaceholder box;
    NewPlaceholder(box);
    box.name = "Crate";
    box.kind = PlaceholderCylinder;
    box.size = {1, 2, 3};
    box.position = {-1, 0, 2};
    box.rotation = {0, 45, 0};
    Placeholders.push_back(box);
    Form1.Edit14.text = "35";
    Form1.Edit15.text = "0.25";
    Form1.Edit17.text = "7.5";
    Form1.Edit18.text = "5";
    Form1.Edit19.text = "-20";
    Form1.Edit20.text = "10";
    Form1.Edit34.text = "-2";
    Form1.Edit35.text = "3";
    Form1.CheckBox9.checked = false;
    Form1.CheckBox25.checked = true;
    Form1.ComboBox1.index = 9;
    Form1.Edit70.text = "40";
    Form1.CheckBox8.checked = true;
    Form1.Edit36.text = "-0.5";
    Form1.Label151.color = 0x00FF00;
    HeadlightIntensity = 0.6;
    Scene.translation = {0.5, -1, 2};

    PrepareObjExport("car.obj");
    Scene.writeObj = 1;
    Scene.writeMtl = 1;
    ExportModelFiles(Scene);
    const std::string objFile = Scene.objFile;
    const std::vector<tcorners> before = FaceCorners();

    // A fresh program state, then the file loaded as the load command does.
    ClearModel();
    ClearLights();
    ClearPlaceholders();
    ResetOptionsToDefaults();
    HeadlightIntensity = 1.0;
    Scene.translation = {0, 0, 0};
    ASSERT_EQ(LoadModelFile(objFile), LoadResult::Loaded);

    const std::vector<tcorners> after = FaceCorners();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        for (int k = 0; k < 3; ++k) ExpectSameVector(after[i].p[k], before[i].p[k], 1e-6);
        EXPECT_EQ(after[i].group, before[i].group);
        EXPECT_EQ(after[i].material, before[i].material);
    }
    EXPECT_EQ(SceneNormals.size(), 2u);
    EXPECT_EQ(SceneUVs.size(), 4u);
    for (const tface& f : SceneFaces)
        for (int k = 0; k < 3; ++k) EXPECT_GE(f.normal[k], 1);

    // Materials from the MTL file.
    ASSERT_EQ(SceneMaterials.size(), 2u);
    const tmaterial& paint = SceneMaterials[static_cast<std::size_t>(FindSceneMaterial("Red Paint"))];
    ExpectSameVector(paint.diffuse, {0.8, 0.1, 0.2}, 0.006);
    EXPECT_EQ(ExtractFileName(paint.colorMap.str()), "paint.jpg");
    EXPECT_EQ(ExtractFileName(paint.bumpMap.str()), "dents.png");
    EXPECT_NEAR(paint.bumpSize, 0.5, 1e-9);
    const tmaterial& rubber = SceneMaterials[static_cast<std::size_t>(FindSceneMaterial("Rubber"))];
    EXPECT_NEAR(rubber.transparency, 0.25, 0.006);
    EXPECT_EQ(rubber.customText, "texture { pigment { rgb 1 } }");
    EXPECT_EQ(rubber.customTextActive, 1);

    // The settings block.
    ASSERT_EQ(Lights.size(), 2u);
    EXPECT_EQ(Lights[0].name, "Key, Light");
    EXPECT_EQ(Lights[0].kind, LightSpot);
    ExpectSameVector(Lights[0].position, {3, 4, -5}, 1e-12);
    ExpectSameVector(Lights[0].pointAt, {0, 0.5, 0}, 1e-12);
    ExpectSameVector(Lights[0].color, {1, 0.9, 0.8}, 1e-12);
    EXPECT_DOUBLE_EQ(Lights[0].intensity, 0.75);
    EXPECT_FLOAT_EQ(Lights[0].spotSpread, 30);
    EXPECT_EQ(Lights[1].kind, LightArea);
    EXPECT_EQ(Lights[1].areaSamples, 4);
    EXPECT_EQ(Lights[1].jitter, 1);
    EXPECT_DOUBLE_EQ(HeadlightIntensity, 0.6);
    ASSERT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(Placeholders[0].name, "Crate");
    EXPECT_EQ(Placeholders[0].kind, PlaceholderCylinder);
    ExpectSameVector(Placeholders[0].size, {1, 2, 3}, 1e-12);
    ExpectSameVector(Placeholders[0].position, {-1, 0, 2}, 1e-12);
    ExpectSameVector(Placeholders[0].rotation, {0, 45, 0}, 1e-12);
    EXPECT_EQ(Form1.Edit14.text, "35");
    EXPECT_EQ(Form1.Edit15.text, "0.25");
    EXPECT_EQ(Form1.Edit17.text, "7.5");
    EXPECT_EQ(Form1.Edit18.text, "5");
    EXPECT_EQ(Form1.Edit19.text, "-20");
    EXPECT_EQ(Form1.Edit20.text, "10");
    EXPECT_EQ(Form1.Edit34.text, "-2");
    EXPECT_EQ(Form1.Edit35.text, "3");
    EXPECT_FALSE(Form1.CheckBox9.checked);
    EXPECT_TRUE(Form1.CheckBox25.checked);
    EXPECT_EQ(Scene.loadFlag, 1);
    ExpectSameVector(Scene.translation, {0.5, -1, 2}, 1e-12);
    EXPECT_EQ(Form1.ComboBox1.index, 9);
    EXPECT_EQ(Form1.UpDown8.position, 40);
    EXPECT_TRUE(Form1.CheckBox8.checked);
    EXPECT_EQ(Form1.Edit36.text, "-0.5");
    EXPECT_EQ(Form1.Label151.color, 0x00FF00);
    ASSERT_EQ(SceneGroups.size(), 2u);
    EXPECT_EQ(SceneGroups[static_cast<std::size_t>(FindSceneGroup("Body Shell"))].castsShadow, 1);
    EXPECT_EQ(SceneGroups[static_cast<std::size_t>(FindSceneGroup("Wheel"))].castsShadow, 0);
}

TEST_F(RoundTripTest, TheGeometryIncludeReadsBackWithItsNormalsUVsAndMaterials) {
    BuildModel();
    PrepareObjExport("car.obj");
    Scene.writeGeometryInclude = 1;
    Scene.povGeometryFile = Path("car_POV_geom.inc");
    Scene.povMaterialFile = Path("car_POV_mat.inc");
    ExportModelFiles(Scene);

    // Per face: positions, normals and UVs of its corners as written.
    struct tcornerdata {
        tvector p[3], n[3];
        double u[3], v[3];
    };
    std::vector<tcornerdata> before;
    for (const tface& f : SceneFaces) {
        tcornerdata d;
        for (int k = 0; k < 3; ++k) {
            d.p[k] = SceneVertices[f.vertex[k] - 1].p;
            d.n[k] = SceneNormals[f.normal[k] - 1].p;
            d.u[k] = SceneUVs[f.uv[k] - 1].u;
            d.v[k] = SceneUVs[f.uv[k] - 1].v;
        }
        before.push_back(d);
    }

    ClearModel();
    Scene.modelFile = Scene.povGeometryFile;
    ReadPOVMesh(Scene);
    ASSERT_EQ(ImportFaces.size(), before.size());
    // One plain material per written material, named after its identifier
    // (the material include that declares it is not read), each face with
    // its own.
    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].name, "Red_Paint");
    EXPECT_EQ(ImportMaterials[1].name, "Rubber");
    EXPECT_EQ(ImportMaterials[1].customTextActive, 0);
    std::vector<int32_t> materialOf;
    for (std::size_t i = 0; i < ImportFaces.size(); ++i) {
        const tface& f = ImportFaces[i];
        materialOf.push_back(f.material);
        for (int k = 0; k < 3; ++k) {
            ExpectSameVector(ImportVertices[f.vertex[k] - 1].p, before[i].p[k], 1e-6);
            ASSERT_GE(f.normal[k], 1);
            ExpectSameVector(ImportNormals[f.normal[k] - 1].p, before[i].n[k], 1e-6);
            ASSERT_GE(f.uv[k], 1);
            EXPECT_NEAR(ImportUVs[f.uv[k] - 1].u, before[i].u[k], 1e-6);
            EXPECT_NEAR(ImportUVs[f.uv[k] - 1].v, before[i].v[k], 1e-6);
        }
    }
    EXPECT_EQ(materialOf[0], materialOf[1]);
    EXPECT_NE(materialOf[0], materialOf[2]);
}

}  // namespace
}  // namespace writertest
