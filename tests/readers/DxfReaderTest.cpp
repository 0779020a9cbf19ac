#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/Extents.h"
#include "model/Model.h"
#include "readers/DxfReader.h"
#include "tests/readers/ModelFileBuilders.h"
#include "tests/readers/ReaderTestBase.h"

using namespace build;

namespace {

class DxfReaderTest : public ModelReaderTest {
protected:
    void Read(const std::string& text) {
        Scene.modelFile = "models/test.dxf";
        ReadDXFBytes(Scene, text);
    }
    static std::array<int, 3> Corners(const tface& f) { return {f.vertex[0], f.vertex[1], f.vertex[2]}; }
};

TEST_F(DxfReaderTest, HeaderVariablesAreLogged) {
    Dxf d;
    d(0, "SECTION")(2, "HEADER")(9, "$ACADVER")(1, "ac1015")(9, "$INSUNITS")(70, 4)(9, "$CECOLOR")(62, 256)(0, "ENDSEC");
    d(0, "EOF");
    Read(d.Text());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"DXF R2000 file", "Color by layer"}));
    EXPECT_TRUE(ImportEmpty());

    status.pages[0].clear();
    Dxf e;
    e(9, "$CECOLOR")(62, 1)(9, "$ACADVER")(1, "AC1009")(0, "ENDSEC");
    Read(e.Text());
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Color by block", "DXF R11 or R12 file"}));
}

TEST_F(DxfReaderTest, FacesAreGroupedByLayerAndColoured) {
    Dxf d;
    d(0, "SECTION")(2, "TABLES")(0, "TABLE")(2, "LAYER")(70, 1)(0, "LAYER")(2, "walls")(62, 3)(0, "ENDTAB");
    d(0, "ENDSEC")(0, "SECTION")(2, "ENTITIES");
    // A triangle written with its fourth corner equal to the third.
    d(0, "3DFACE")(8, "walls")(62, 1).Face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}});
    d(0, "3DFACE")(8, "walls")(62, 1).Face({{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
    d(0, "3DFACE")(8, "floor").Face({{0, 0, 2}, {1, 0, 2}, {1, 1, 2}});
    d(0, "3DFACE")(8, "floor")(62, 256).Face({{0, 0, 3}, {1, 0, 3}, {1, 1, 3}});
    d(0, "3DFACE")(8, "floor")(62, 0).Face({{0, 0, 4}, {1, 0, 4}, {1, 1, 4}});
    d(0, "ENDSEC")(0, "EOF");
    Read(d.Text());

    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Group [1]= walls", "Material [1]= ACAD_color_1", "Group [2]= floor",
                                        "Material [2]= ACAD_color_7", "Material [3]= ACAD_color_3",
                                        "Material [4]= ACAD_color_0"}));
    ASSERT_EQ(ImportFaces.size(), 6u);
    EXPECT_EQ(ImportVertices.size(), 16u);
    EXPECT_EQ(Corners(ImportFaces[0]), (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(ImportVertices[2].p, (tvector{1, 1, 0}));
    const int expectedMaterials[] = {0, 0, 0, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ImportFaces[i].material, expectedMaterials[i]) << i;
        EXPECT_EQ(ImportFaces[i].group, i < 3 ? 0 : 1) << i;
        for (int c = 0; c < 3; ++c) EXPECT_EQ(ImportFaces[i].uv[c] + ImportFaces[i].normal[c], 0);
    }
    EXPECT_EQ(ImportMaterials[0].diffuse, DXFColorToVector(1));
    EXPECT_EQ(ImportMaterials[1].diffuse, DXFColorToVector(7));
    EXPECT_EQ(ImportGroups[0].readerScratch[3], 1);
}

TEST_F(DxfReaderTest, BlocksOffsetTheirFacesAndInsertsArePassedOver) {
    Dxf d;
    d(0, "SECTION")(2, "BLOCKS");
    d(0, "BLOCK")(8, "0")(2, "chair")(70, 0)(10, 5.0)(20, 0.0)(30, 0.0)(62, 5);
    d(0, "3DFACE")(8, "0")(62, 0).Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    d(0, "ENDBLK")(8, "0");
    d(0, "BLOCK")(8, "0")(10, 0.0)(20, 0.0)(30, 0.0);
    d(0, "3DFACE")(8, "0")(62, 2).Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    d(0, "ENDBLK")(0, "ENDSEC");
    d(0, "SECTION")(2, "ENTITIES");
    d(0, "INSERT")(8, "0")(2, "chair")(10, 100.0)(20, 0.0)(30, 0.0);
    d(0, "3DFACE")(8, "top")(62, 0).Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    d(0, "ENDSEC")(0, "EOF");
    Read(d.Text());

    ASSERT_EQ(ImportGroups.size(), 3u);
    EXPECT_EQ(ImportGroups[0].name, "chair");
    EXPECT_EQ(ImportGroups[1].name, "ACAD_Block_2");
    EXPECT_EQ(ImportGroups[2].name, "top");
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(ImportVertices.size(), 9u);
    EXPECT_EQ(ImportVertices[1].p, (tvector{6, 0, 0}));  // offset by the base point
    EXPECT_EQ(ImportVertices[7].p, (tvector{1, 0, 0}));  // outside any block
    EXPECT_EQ(ImportMaterials[ImportFaces[0].material].name, "ACAD_color_5");  // by block
    EXPECT_EQ(ImportMaterials[ImportFaces[2].material].name, "ACAD_color_0");  // 0 outside a block
}

TEST_F(DxfReaderTest, PolyfaceMeshesGiveFacesWithinTheirOwnVertices) {
    Dxf d;
    d(0, "SECTION")(2, "ENTITIES");
    d(0, "3DFACE")(8, "first").Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    d(0, "POLYLINE")(8, "mesh")(62, 3)(66, 1)(70, 64)(71, 4)(72, 3);
    const double points[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const auto& p : points) d(0, "VERTEX")(8, "mesh")(10, p[0])(20, p[1])(30, 0.0)(70, 192);
    d(0, "VERTEX")(8, "mesh")(10, 0.0)(20, 0.0)(30, 0.0)(70, 128)(71, 1)(72, 2)(73, 3)(74, 4);
    d(0, "VERTEX")(70, 128)(71, 1)(72, -3)(73, 4)(74, 0);  // -3 is 3, 0 is no corner
    d(0, "VERTEX")(70, 128)(71, 1)(72, 2)(73, 9);        // past the mesh's vertices
    d(0, "VERTEX")(70, 128)(71, 1)(72, 2);               // two corners make no face
    d(0, "SEQEND");
    d(0, "POLYLINE")(8, "plain")(70, 65);
    d(0, "VERTEX")(10, 5.0)(20, 5.0)(30, 5.0)(70, 192);
    d(0, "SEQEND")(0, "ENDSEC")(0, "EOF");
    Read(d.Text());

    ASSERT_EQ(ImportVertices.size(), 7u);  // 3 of the face, 4 of the mesh
    ASSERT_EQ(ImportFaces.size(), 4u);
    EXPECT_EQ(Corners(ImportFaces[1]), (std::array<int, 3>{4, 5, 6}));
    EXPECT_EQ(Corners(ImportFaces[2]), (std::array<int, 3>{4, 6, 7}));
    EXPECT_EQ(Corners(ImportFaces[3]), (std::array<int, 3>{4, 6, 7}));
    EXPECT_EQ(ImportGroups[ImportFaces[1].group].name, "mesh");
    EXPECT_EQ(ImportMaterials[ImportFaces[1].material].name, "ACAD_color_3");
    EXPECT_EQ(ImportGroups.size(), 2u);
    EXPECT_TRUE(Logged("<!>1 polyface face records with invalid vertex indices in test.dxf were skipped"));
}

TEST_F(DxfReaderTest, OddTextIsToleratedAndBrokenFacesAreDropped) {
    Dxf d;
    d(0, "  3dface ")(8, "a")(999, "comment");
    d(10, 0.0)(20, 0.0)(30, 0.0)(11, 1.0)(21, 0.0)(31, 0.0)(11, 2.0)(12, 0.0)(22, 1.0)(32, 0.0);
    d(0, "3DFACE")(8, "b")(10, 0.0)(11, 1.0);                      // two corners: no face
    d(0, "3DFACE")(8, "c").Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}); // no code 0 after it
    std::string text = "garbage\nnot a code\n" + d.Text();
    // CR LF line ends throughout.
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Read(crlf);
    ASSERT_EQ(ImportFaces.size(), 1u);
    EXPECT_EQ(ImportVertices.size(), 3u);
    EXPECT_EQ(ImportVertices[1].p, (tvector{2, 0, 0}));
    EXPECT_EQ(ImportGroups.size(), 2u);  // "a", and "b" whose face had too few corners
}

TEST_F(DxfReaderTest, FilesThatCannotBeReadAreRefused) {
    EXPECT_THROW(Read(""), ReadError);
    EXPECT_THROW(Read(std::string("AutoCAD Binary DXF\r\n\x1a\0", 22)), ReadError);
    Scene.modelFile = "no/such/file.dxf";
    EXPECT_THROW(ReadDXF(Scene), ReadError);

    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "mirelan_dxf_reader_test";
    std::filesystem::create_directories(dir);
    Scene.modelFile = (dir / "face.dxf").string();
    {
        std::ofstream out(Scene.modelFile, std::ios::binary);
        Dxf d;
        d(0, "3DFACE").Face({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})(0, "EOF");
        out << d.Text();
    }
    ReadDXF(Scene);
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    std::filesystem::remove_all(dir);
}

}  // namespace
