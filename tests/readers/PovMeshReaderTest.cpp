#include <gtest/gtest.h>

#include <string>

#include "model/Model.h"
#include "model/Scene.h"
#include "options/Options.h"
#include "readers/PovMeshReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/readers/SceneTextFiles.h"

namespace {

using scenefiles::HasLine;

class PovMeshReaderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }
    void LoadText(const std::string& text, const std::string& name = "mesh.inc") {
        Scene.modelFile = folder.Write(name, text);
        ReadPOVMesh(Scene);
        scenefiles::ExpectConsistentImport(false);
    }

    scenefiles::TestFolder folder;
};

void ExpectIndices(const int32_t (&got)[3], int a, int b, int c) {
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(got[1], b);
    EXPECT_EQ(got[2], c);
}

TEST_F(PovMeshReaderTest, Mesh2WithEveryBlock) {
    LoadText(R"(// a declared mesh
#declare Body = mesh2 {
  vertex_vectors { 4, <0,0,0>, <1,0,0>, <1,1,0>, <0,1,0> }
  normal_vectors { 1, <0, 0, 2> }
  uv_vectors { 4, <0,0>, <1,0> <1,1>, <0,1> }
  texture_list { 2, texture { T_Stone1 } texture { T_Wood2 } }
  face_indices { 2, <0,1,2>, 0, <0,2,3>, 1 }
  normal_indices { 2, <0,0,0>, <0,0,0> }
  uv_indices { 2, <0,1,2>, <0,2,3> }
  inside_vector <0,0,1>
}
)");
    EXPECT_TRUE(HasLine(Messages(), "Parsing file..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading mesh body..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 4 vertices..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 1 normals..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 4 uv coordinates..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading texture list..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 2 faces..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 2 uv indices..."));
    EXPECT_TRUE(HasLine(Messages(), "Reading 2 normal indices..."));

    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "body");
    ASSERT_EQ(ImportVertices.size(), 4u);
    EXPECT_EQ(ImportVertices[2].p, (tvector{1, 1, 0}));
    ASSERT_EQ(ImportNormals.size(), 1u);
    EXPECT_EQ(ImportNormals[0].p, (tvector{0, 0, 2}));  // as written, not normalised
    ASSERT_EQ(ImportUVs.size(), 4u);
    EXPECT_EQ(ImportUVs[2].u, 1);
    EXPECT_EQ(ImportUVs[3].v, 1);

    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].name, "POV_texture_1");
    EXPECT_EQ(ImportMaterials[1].name, "POV_texture_2");
    EXPECT_EQ(ImportMaterials[1].customText, "material{texture{T_Wood2}}");  // a texture identifier as a material
    EXPECT_EQ(ImportMaterials[1].customTextActive, 1);

    ASSERT_EQ(ImportFaces.size(), 2u);
    ExpectIndices(ImportFaces[0].vertex, 1, 2, 3);
    ExpectIndices(ImportFaces[1].vertex, 1, 3, 4);
    ExpectIndices(ImportFaces[1].uv, 1, 3, 4);
    ExpectIndices(ImportFaces[1].normal, 1, 1, 1);
    EXPECT_EQ(ImportFaces[0].material, 0);
    EXPECT_EQ(ImportFaces[1].material, 1);
    EXPECT_EQ(Scene.polygonsRead, 2);
}

// The layout the POV-Ray writer gives its geometry include: two meshes, no
// texture indices, UV indices after the faces (a face without UVs written as
// <0,0,0>).
TEST_F(PovMeshReaderTest, GeometryIncludeLayoutWithTwoMeshes) {
    LoadText(R"(//==================================================
//POV-Ray Geometry mesh list
//==================================================
 
//Materials
#include "car_POV_mat.inc"
 
//Geometry
#declare car_paint_=mesh2{
vertex_vectors{
3,
<0,0,0>,
<1,0,0>,
<0,1,0>
}
normal_vectors{
1,
<0,0,1>
}
uv_vectors{
3,
<0,0>,
<1,0>,
<0,1>
}
face_indices{
1,
<0,1,2>
}
uv_indices{
1,
<0,1,2>
}
normal_indices{
1,
<0,0,0>
}
inside_vector <0,0,1> }
 
#declare car_glass_=mesh2{
vertex_vectors{
4,
<0,0,1>,
<1,0,1>,
<1,1,1>,
<0,1,1>
}
uv_vectors{
1,
<0.5,0.5>
}
face_indices{
2,
<0,1,2>,
<0,2,3>
}
uv_indices{
2,
<0,0,0>,
<0,0,0>
}
inside_vector <0,0,1> }
 
//Model assembly from the meshes
#declare car_=
union {
object{car_paint_  material{paint_}}
object{car_glass_  material{glass_}}
}
)");
    ASSERT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[0].name, "car_paint_");
    EXPECT_EQ(ImportGroups[1].name, "car_glass_");
    ASSERT_EQ(ImportVertices.size(), 7u);
    ASSERT_EQ(ImportFaces.size(), 3u);
    ExpectIndices(ImportFaces[0].uv, 1, 2, 3);
    ExpectIndices(ImportFaces[0].normal, 1, 1, 1);
    ExpectIndices(ImportFaces[2].vertex, 4, 6, 7);
    ExpectIndices(ImportFaces[2].uv, 4, 4, 4);
    ExpectIndices(ImportFaces[2].normal, 0, 0, 0);
    EXPECT_EQ(ImportFaces[2].group, 1);
    // No texture in the meshes: the object statements give each mesh its
    // material, a plain one named after the material identifier (declared in
    // the material include, which is not read).
    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].name, "paint");
    EXPECT_EQ(ImportMaterials[1].name, "glass");
    EXPECT_TRUE(ImportMaterials[1].customText.empty());
    EXPECT_EQ(ImportMaterials[1].customTextActive, 0);
    EXPECT_EQ(ImportFaces[0].material, 0);
    EXPECT_EQ(ImportFaces[1].material, 1);
    EXPECT_EQ(ImportFaces[2].material, 1);
}

TEST_F(PovMeshReaderTest, MeshesWithoutAnyMaterialShareOneDefault) {
    LoadText(R"(#declare a=mesh2{ vertex_vectors{3,<0,0,0>,<1,0,0>,<0,1,0>} face_indices{1,<0,1,2>} }
#declare b=mesh2{ vertex_vectors{3,<0,0,1>,<1,0,1>,<0,1,1>} face_indices{1,<0,1,2>} }
object { a material { m } }
object { nothing material { n } }
)");
    // Mesh a has a material; mesh b gets the default one.
    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].name, "m");
    EXPECT_EQ(ImportFaces[0].material, 0);
    EXPECT_EQ(ImportFaces[1].material, 1);
    EXPECT_EQ(ImportMaterials[1].name, "Material_0");
}

TEST_F(PovMeshReaderTest, MeshTrianglesSmoothTrianglesAndTextures) {
    LoadText(R"(mesh {
  triangle { <0,0,0>, <1,0,0>, <0,1,0> }
  smooth_triangle { <0,0,1>, <0,0,1>, <1,0,1>, <0,0,1>, <0,1,1>, <0,0,1>
                    uv_vectors <0,0>, <1,0>, <0,1> texture { Glass } }
  triangle { <0,0,2> <1,0,2> <0,1,2> texture { Water } }
  triangle { <0 , 0 , 3> , <1 , 0 , 3> , <0 , 1 , 3>  texture { GLASS } }
}
)");
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "Group_0");
    ASSERT_EQ(ImportVertices.size(), 12u);  // no sharing between triangles
    EXPECT_EQ(ImportVertices[11].p, (tvector{0, 1, 3}));
    ASSERT_EQ(ImportFaces.size(), 4u);
    ExpectIndices(ImportFaces[1].vertex, 4, 5, 6);
    ExpectIndices(ImportFaces[1].normal, 1, 2, 3);
    ExpectIndices(ImportFaces[1].uv, 1, 2, 3);
    ExpectIndices(ImportFaces[2].normal, 0, 0, 0);
    ASSERT_EQ(ImportNormals.size(), 3u);
    EXPECT_EQ(ImportUVs.size(), 3u);
    // POV-Ray's names are case-sensitive: GLASS is another texture than
    // Glass, and none of the standard ones.
    ASSERT_EQ(ImportMaterials.size(), 3u);
    EXPECT_EQ(ImportMaterials[0].name, "POV_texture_1");
    EXPECT_EQ(ImportMaterials[0].customText, "material{texture{Glass}}");
    EXPECT_EQ(ImportMaterials[1].customText, "material{texture{Water}}");
    EXPECT_EQ(ImportMaterials[2].name, "GLASS");
    EXPECT_TRUE(ImportMaterials[2].customText.empty());
    EXPECT_EQ(ImportFaces[0].material, 0);
    EXPECT_EQ(ImportFaces[1].material, 0);
    EXPECT_EQ(ImportFaces[2].material, 1);
    EXPECT_EQ(ImportFaces[3].material, 2);
}

// Only a texture the standard include files declare is a texture of the
// written scene (which includes them): it becomes a material text. Any other
// name (the mesh's own texture, a vector or a quoted word read as a name, a
// macro) gives a plain material named after it where it is an identifier,
// with one "<!>" line per name; a texture written out gives a plain one.
TEST_F(PovMeshReaderTest, OnlyTexturesOfTheStandardIncludesBecomeMaterialTexts) {
    const struct {
        const char* texture;  // as the file writes it inside texture { }
        const char* name;
        const char* text;  // the custom text, switched on; "" for none
        const char* reported;  // the name the "<!>" line gives; "" for none
    } cases[] = {
        {"T_Stone1", "POV_texture_1", "material{texture{T_Stone1}}", ""},
        {"Jade", "POV_texture_2", "material{texture{Jade}}", ""},  // a pigment makes a texture
        {"Body_Tex", "Body_Tex", "", "Body_Tex"},
        {"t_stone1", "t_stone1", "", "t_stone1"},
        {"Parse_String", "Parse_String", "", "Parse_String"},
        {"M_Glass", "M_Glass", "", "M_Glass"},  // a material is no texture
        {"<0.5, 0.5, 0.5>", "POV_texture_7", "", "_"},
        {"\"T1 } #write(F,1)\"", "POV_texture_8", "", "T1____write_F_1_"},
        {"9lives", "POV_texture_9", "", "_9lives"},
        {"pigment { rgb 1 }", "POV_texture_10", "", ""},
    };
    std::string mesh = "mesh {\n";
    for (const auto& c : cases)
        mesh += std::string("  triangle { <0,0,0>, <1,0,0>, <0,1,0> texture { ") + c.texture + " } }\n";
    // A name met again is the same material, reported once.
    LoadText(mesh + "  triangle { <0,0,0>, <1,0,0>, <0,1,0> texture { Body_Tex } }\n}\n");
    ASSERT_EQ(ImportMaterials.size(), std::size(cases));
    EXPECT_EQ(ImportFaces.back().material, 2);
    std::vector<std::string> reported;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.texture);
        EXPECT_EQ(ImportMaterials[i].name, c.name);
        EXPECT_EQ(ImportMaterials[i].customText, c.text);
        EXPECT_EQ(ImportMaterials[i].customTextActive, *c.text ? 1 : 0);
        if (*c.reported)
            reported.push_back(std::string("<!>The texture ") + c.reported +
                               " of mesh.inc is none of POV-Ray's standard textures; a plain material takes its place");
    }
    std::vector<std::string> lines;
    for (const std::string& m : Messages())
        if (m.starts_with("<!>The texture")) lines.push_back(m);
    EXPECT_EQ(lines, reported);
}

TEST_F(PovMeshReaderTest, CommentsAreSkipped) {
    LoadText(R"(/* a mesh2 { vertex_vectors { 1, <9,9,9> } }
mesh2 { vertex_vectors { 1, <9,9,9> } }
*/ mesh2 { vertex_vectors { 2, <1,2,3>, // <7,7,7>,
<4,5,6> } /* face_indices { 1, <0,0,0> } */ }
)");
    ASSERT_EQ(ImportGroups.size(), 1u);
    ASSERT_EQ(ImportVertices.size(), 2u);
    EXPECT_EQ(ImportVertices[1].p, (tvector{4, 5, 6}));
    EXPECT_TRUE(ImportFaces.empty());
}

TEST_F(PovMeshReaderTest, AFileWithoutMeshesAddsNothing) {
    LoadText("#include \"colors.inc\"\nsphere { <0,0,0>, 1 texture { T } }\ntriangle { <0,0,0>, <1,0,0>, <0,1,0> }\n");
    EXPECT_TRUE(ImportGroups.empty());
    EXPECT_TRUE(ImportMaterials.empty());
    EXPECT_TRUE(ImportVertices.empty());
}

TEST_F(PovMeshReaderTest, BrokenBlocksNeverWritePastTheMesh) {
    LoadText(R"(mesh { texture { Early } triangle { <0,0,0>, <1,0,0>, <0,1,0> } }
mesh2 {
  vertex_vectors { 1000000, <0,0,0>, <1,0,0>, <0,1,0> }
  face_indices { 2, <0,1,2>, 7, <2,1,0>, 0, 1, 2 }
  uv_indices { 5, <0,0,0>, <0,0,0>, <0,0,0>, <0,0,0>, <0,0,0> }
  normal_indices { 3, <0,0,0>, <0,0,0>, <0,0,0> }
  texture_list { 3, texture { A } }
}
)");
    // The texture before any triangle names nothing.
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(ImportVertices.size(), 6u);
    EXPECT_EQ(ImportFaces[0].material, 0);
    // The uv and normal indices stop at the mesh's last face.
    for (int f = 1; f < 3; ++f) {
        ExpectIndices(ImportFaces[f].uv, 1, 1, 1);
        ExpectIndices(ImportFaces[f].normal, 1, 1, 1);
    }
    // Texture index 7 of the first mesh2 face lies past every material: moved
    // to a fallback; three corner textures: the first one is taken.
    const tmaterial& fallback = ImportMaterials[ImportFaces[1].material];
    EXPECT_EQ(fallback.name, "unnamed_material");
    EXPECT_EQ(ImportMaterials[0].name, "A");
    EXPECT_EQ(ImportFaces[2].material, 0);
    EXPECT_TRUE(HasLine(Messages(), "<!>2 blocks of mesh.inc hold fewer entries than their counts"));
    EXPECT_TRUE(HasLine(Messages(), "<!>4 uv or normal indices of mesh.inc lie past the faces of their mesh and were "
                                    "skipped"));
}

TEST_F(PovMeshReaderTest, TruncatedFilesKeepWhatWasRead) {
    const std::string text = "#declare M = mesh2 { vertex_vectors { 3, <0,0,0>, <1,0,0>, <0,1,0> }\n"
                             "face_indices { 1, <0,1,2> } }\nmesh { smooth_triangle { <0,0,0>, <0,0,1>, <1,0,0>";
    for (std::size_t cut = 1; cut < text.size(); cut += 7) {
        ClearImportLists();
        LoadText(text.substr(0, cut));
    }
    LoadText(text);
    EXPECT_TRUE(HasLine(Messages(), "<!>mesh.inc ends inside a mesh; what could be read was kept"));
}

TEST_F(PovMeshReaderTest, AMissingFileIsAReadError) {
    Scene.modelFile = folder.Path() + "none.inc";
    EXPECT_THROW(ReadPOVMesh(Scene), ReadError);
}

}  // namespace
