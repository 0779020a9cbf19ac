#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/Merge.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/Triangulate.h"
#include "platform/AppPaths.h"
#include "platform/TempFiles.h"
#include "readers/ObjReader.h"
#include "tests/readers/ReaderFiles.h"
#include "ui/options/Options.h"

namespace {

using readertest::ReaderFileTest;

class ObjReaderTest : public ReaderFileTest {
protected:
    static std::vector<int> Vertices(const tface& f) { return {f.vertex[0], f.vertex[1], f.vertex[2]}; }
    static std::vector<int> UVs(const tface& f) { return {f.uv[0], f.uv[1], f.uv[2]}; }
    static std::vector<int> Normals(const tface& f) { return {f.normal[0], f.normal[1], f.normal[2]}; }
};

const char* const NineOfEach =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 0 0\nv 2 1 0\nv 3 0 0\nv 3 1 0\nv 4 0 0\n"
    "vt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\nvt 0.5 0\nvt 0.5 1\nvt 0 0.5\nvt 1 0.5\nvt 0.5 0.5\n"
    "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";

TEST_F(ObjReaderTest, CornerFormsGiveVertexUvAndNormalIndices) {
    ReadObjText(std::string(NineOfEach) +
                "f 1/2/3 4/5/6 7/8/9\n"
                "f 1//3 2//4 3//5\n"
                "f 1/1 2/2 3/3\n"
                "f 4 5 6\n"
                "FO 1/1/1 2/2/2 3/3/3\n"
                "f 1,,2,3\n"
                "v 10 0 0\nv 11 0 0\nv 10 1 0\nvt 0 0\n"
                "f -3/-1/-1 -2/-1/-9 -1/-1/-2\n");
    ASSERT_EQ(ImportVertices.size(), 12u);
    ASSERT_EQ(ImportFaces.size(), 7u);
    EXPECT_EQ(Vertices(ImportFaces[0]), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(UVs(ImportFaces[0]), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(Normals(ImportFaces[0]), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(UVs(ImportFaces[1]), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Normals(ImportFaces[1]), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(UVs(ImportFaces[2]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Normals(ImportFaces[2]), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Vertices(ImportFaces[3]), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(Vertices(ImportFaces[4]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Vertices(ImportFaces[5]), (std::vector<int>{1, 2, 3}));
    // Negative indices count back from the last one read so far.
    EXPECT_EQ(Vertices(ImportFaces[6]), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(UVs(ImportFaces[6]), (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(Normals(ImportFaces[6]), (std::vector<int>{9, 1, 8}));
    EXPECT_EQ(ImportVertices[9].p, (tvector{10, 0, 0}));
    EXPECT_DOUBLE_EQ(ImportUVs[4].u, 0.5);
    EXPECT_EQ(Scene.polygonsRead, 7);
    EXPECT_EQ(Scene.trianglesMade, 7);
    EXPECT_EQ(Scene.polygonsOverThree, 0);
}

TEST_F(ObjReaderTest, PolygonsAreSplitAndCounted) {
    for (int method : {TriangulateAutomatic, TriangulateOpenGL, TriangulateEarCut}) {
        SCOPED_TRACE(method);
        ClearImportLists();
        Form1.ComboBox26.index = method;
        // A convex pentagon, an L-shaped hexagon, a quad and a triangle.
        ReadObjText(
            "v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\n"
            "v 0 0 1\nv 2 0 1\nv 2 1 1\nv 1 1 1\nv 1 2 1\nv 0 2 1\n"
            "g shapes\nusemtl red\n"
            "f 1 2 3 4 5\nf 6 7 8 9 10 11\nf 1 2 3 4\nf 1 2 3\n");
        ASSERT_EQ(ImportFaces.size(), 3u + 4u + 2u + 1u);
        EXPECT_EQ(Scene.polygonsRead, 4);
        EXPECT_EQ(Scene.trianglesMade, 10);
        EXPECT_EQ(Scene.polygonsOverThree, 3);
        for (const tface& f : ImportFaces) {
            EXPECT_EQ(f.group, 0);
            EXPECT_EQ(f.material, 0);
            // Every triangle keeps the outline's winding (counter-clockwise from +z).
            const tvector a = ImportVertices[f.vertex[0] - 1].p, b = ImportVertices[f.vertex[1] - 1].p,
                          c = ImportVertices[f.vertex[2] - 1].p;
            EXPECT_GT((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0);
        }
    }
}

TEST_F(ObjReaderTest, AFaceWithoutGroupOrMaterialGetsTheDefaultsWithTheirLogLines) {
    ReadObjText("# made by hand\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 3 2 1\n");
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "unnamed_material");
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
    const std::vector<std::string> expected = {
        "Group [1]= unnamed_group created by Mirelan",
        "<!>There were 2 polygons found not using a material. A default material was assigned.",
        " ",
        std::string(RuleLine),
        "Reading materials ",
        "opening file " + Dir() + "model.mtl ...",
        "<!>No material file found. Using material names from object file.",
        "Material [1]= unnamed_material",
        " ",
    };
    EXPECT_EQ(Messages(), expected);
}

TEST_F(ObjReaderTest, GroupsAndMaterialsKeepTheirNamesAndOrder) {
    ReadObjText(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "USEMTL Red Paint\n"   // material before the first group
        "f 1 2 3\n"
        "G Body Left\n"        // two words: one group named with both
        "Usemtl Chrome\n"
        "f 1 2 3\n"
        "g\n"                  // no name: the group stays
        "f 1 2 3\n"
        "g Wheel\n"
        "usemtl\n"             // no name: "Mat_" + the number of materials
        "f 1 2 3\n"
        "g Body Left\n"
        "usemtl Red Paint\n"
        "f 1 2 3\n"
        "g\twheel\n"           // names are case-sensitive
        "usemtl red paint\n"
        "f 1 2 3\n");
    ASSERT_EQ(ImportGroups.size(), 4u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    EXPECT_EQ(ImportGroups[1].name, "Body Left");
    EXPECT_EQ(ImportGroups[2].name, "Wheel");
    EXPECT_EQ(ImportGroups[3].name, "wheel");
    ASSERT_EQ(ImportMaterials.size(), 4u);
    EXPECT_EQ(ImportMaterials[0].name, "Red Paint");
    EXPECT_EQ(ImportMaterials[1].name, "Chrome");
    EXPECT_EQ(ImportMaterials[2].name, "Mat_2");
    EXPECT_EQ(ImportMaterials[3].name, "red paint");
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 1}, {1, 1}, {2, 2}, {1, 0}, {3, 3}};
    ASSERT_EQ(ImportFaces.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ImportFaces[i].group, expected[i].first) << i;
        EXPECT_EQ(ImportFaces[i].material, expected[i].second) << i;
    }
    EXPECT_TRUE(Logged("Group [1]= unnamed_group created by Mirelan"));
    EXPECT_TRUE(Logged("Group [2]= Body Left"));
    EXPECT_TRUE(Logged("Group [4]= wheel"));
    EXPECT_FALSE(LoggedStartingWith("<!>There were"));
}

TEST_F(ObjReaderTest, ZeroNormalsBecomeTheXAxisWithAWarning) {
    ReadObjText("vn 0 0 0\nvn 0 3 4\nvn 0.0 -0 0e5\n");
    ASSERT_EQ(ImportNormals.size(), 3u);
    EXPECT_EQ(ImportNormals[0].p, (tvector{1, 0, 0}));
    EXPECT_DOUBLE_EQ(ImportNormals[1].p.y, 0.6);
    EXPECT_DOUBLE_EQ(ImportNormals[1].p.z, 0.8);
    EXPECT_EQ(ImportNormals[2].p, (tvector{1, 0, 0}));
    EXPECT_TRUE(Logged("<!>There were 2 degenerate normals converted to (1,0,0) "));
}

TEST_F(ObjReaderTest, NumbersThatAreNotNumbersReadAsZero) {
    ReadObjText("v 1,5 nan 2e3\nv 1.5e-2 +3 -inf\nvt 0.25\nvt x 0.5 0.7\n");
    // A comma separates words, so "1,5" is the two values 1 and 5.
    EXPECT_EQ(ImportVertices[0].p, (tvector{1, 5, 0}));
    EXPECT_EQ(ImportVertices[1].p, (tvector{0.015, 3, 0}));
    EXPECT_DOUBLE_EQ(ImportUVs[0].u, 0.25);
    EXPECT_DOUBLE_EQ(ImportUVs[0].v, 0);
    EXPECT_DOUBLE_EQ(ImportUVs[1].u, 0);
    EXPECT_DOUBLE_EQ(ImportUVs[1].v, 0.5);
}

TEST_F(ObjReaderTest, LineEndsByteOrderMarkTabsAndContinuations) {
    const std::string body = "v 0 0 0|v 1 0 0|v 0 1 0|v 1 1 0|g\tquad side|f 1 2 \\|  4 3|";
    auto with = [&](const std::string& end) {
        std::string s;
        for (char c : body) s += c == '|' ? end : std::string(1, c);
        return s;
    };
    const std::vector<std::string> files = {
        with("\n"),
        with("\r\n"),
        with("\r"),
        "\xEF\xBB\xBF" + with("\n"),
        with("\n").substr(0, with("\n").size() - 1),  // no final line end
        with("\n\n\n"),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        ClearImportLists();
        ReadObjText(files[i]);
        ASSERT_EQ(ImportVertices.size(), 4u);
        ASSERT_EQ(ImportGroups.size(), 1u);
        EXPECT_EQ(ImportGroups[0].name, "quad side");
        ASSERT_EQ(ImportFaces.size(), 2u);
        EXPECT_EQ(Scene.polygonsOverThree, 1);
    }
    // A line continued past the end of the file is still read.
    ClearImportLists();
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 \\\n0\nf 1 2 \\\n3 \\");
    EXPECT_EQ(ImportVertices.size(), 3u);
    EXPECT_EQ(ImportFaces.size(), 1u);
}

TEST_F(ObjReaderTest, LinesBecomePolylinesWithImportLocalIndices) {
    ReadObjText("v 0 0 0\nv 1 0 0\nv 2 0 0\nvt 0 0\nvt 1 0\nvt 2 0\n"
                "g hair\nusemtl strand\nl 1/1 2/2 3/3\nl 3\nl 2 -1\n");
    ASSERT_EQ(Polylines.size(), 2u);
    EXPECT_EQ(Polylines[0].first, 0);
    EXPECT_EQ(Polylines[0].count, 2);
    EXPECT_EQ(Polylines[1].first, 2);
    EXPECT_EQ(Polylines[1].count, 1);
    ASSERT_EQ(LineSegments.size(), 3u);
    EXPECT_EQ(LineSegments[0].vertex[0], 1);
    EXPECT_EQ(LineSegments[0].vertex[1], 2);
    EXPECT_EQ(LineSegments[1].uv[0], 2);
    EXPECT_EQ(LineSegments[1].uv[1], 3);
    EXPECT_EQ(LineSegments[2].vertex[1], 3);
    EXPECT_EQ(LineSegments[1].group, 0);
    EXPECT_EQ(LineSegments[1].material, 0);
    EXPECT_EQ(Scene.polygonsRead, 0);

    // A second file merged after the first: its lines point at its own
    // vertices, groups and materials.
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    ReadObjText("v 5 5 5\nv 6 6 6\ng other\nusemtl other\nl 1 2\n", "second.obj");
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    ASSERT_EQ(LineSegments.size(), 4u);
    EXPECT_EQ(LineSegments[3].vertex[0], 4);
    EXPECT_EQ(LineSegments[3].vertex[1], 5);
    EXPECT_EQ(LineSegments[3].group, 1);
    EXPECT_EQ(LineSegments[3].material, 1);
    EXPECT_EQ(Polylines[2].first, 3);
}

TEST_F(ObjReaderTest, BadCornersSkipThePolygonWithOneWarning) {
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                "f 1 2 3\n"
                "f 1 2 9\n"       // past the vertex list
                "f 0 1 2\n"       // index 0
                "f -7 1 2\n"      // counts back past the first vertex
                "f 1 x 3\n"       // not a number
                "f 1 2 3 99999999999\n"
                "f 1 2\n"         // two corners: no face, no fault
                "f 2 4 3 1\n");
    EXPECT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(Scene.polygonsRead, 8);
    EXPECT_EQ(Scene.trianglesMade, 3);
    EXPECT_TRUE(Logged("<!>5 polygons with invalid vertex indices or too many corners in model.obj were skipped"));
}

TEST_F(ObjReaderTest, TheLibraryNamedByTheFileIsRead) {
    const std::string mtl = "newmtl Red\nKd 1 0 0\nmap_Kd tex\\red wood.png\n";
    struct Case {
        std::string libraryLine, libraryFile;
    };
    const std::vector<Case> cases = {
        {"mtllib model.mtl", "model.mtl"},
        {"mtllib mats/lib.mtl", "mats/lib.mtl"},                // a folder below the model
        {"mtllib ..\\shared\\lib.mtl", "../shared/lib.mtl"},    // written on another system
        {"mtllib C:\\Users\\me\\lib one.mtl", "lib one.mtl"},   // a foreign absolute path: beside the model
        {"mtllib \"LIB.MTL\"", "lib.mtl"},                      // other letter case
        {"mtllib other/elsewhere.mtl", "elsewhere.mtl"},        // a missing folder: beside the model
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.libraryLine);
        ClearImportLists();
        std::filesystem::remove_all(Dir() + "sub");
        Write("sub/" + c.libraryFile, mtl);
        Write("sub/model.obj", c.libraryLine + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n");
        LoadObj("sub/model.obj");
        ASSERT_EQ(ImportMaterials.size(), 1u);
        EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 0, 0}));
        EXPECT_EQ(ImportMaterials[0].colorMap, "tex/red wood.png");
        EXPECT_TRUE(Logged("Material [1]= Red"));
        EXPECT_FALSE(LoggedStartingWith("<!>No material file found"));
    }
}

TEST_F(ObjReaderTest, ABatchCanGiveEveryModelOneLibrary) {
    Write("common.mtl", "newmtl Red\nKd 0 0 1\n");
    Write("model.mtl", "newmtl Red\nKd 0 1 0\n");
    const std::string obj = "mtllib model.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n";
    Form1.Edit71.text = Dir() + "common.mtl";
    BatchFiles = {"a.obj"};  // one file is no batch
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 1, 0}));
    ClearImportLists();
    BatchFiles = {"a.obj", "b.obj"};
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 1}));
    EXPECT_EQ(Scene.mtlFile, Dir() + "common.mtl");
    ClearImportLists();
    Form1.Edit71.text = "  ";
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 1, 0}));
}

TEST_F(ObjReaderTest, ABrokenLibraryKeepsTheGeometry) {
    Write("model.mtl", "newmtl A\nKd 0.5 0.5 0.5\nnewmtl B\nKd 1 1\nKs 1 1 1\n");
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\nusemtl B\nf 1 2 3\n");
    EXPECT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0.5, 0.5, 0.5}));
    EXPECT_EQ(ImportMaterials[1].specular, (tvector{0.3, 0.3, 0.3}));
    EXPECT_TRUE(Logged("<!>model.mtl, line 4: Kd needs three values. The material library was read only up to there."));
}

TEST_F(ObjReaderTest, OnlyItsOwnTemporaryModelIsDeleted) {
    SetProgramDirOverride(Dir());
    const std::string users = Write("mirelantemp.obj", "v 0 0 0\n");
    LoadObj("mirelantemp.obj");
    EXPECT_TRUE(std::filesystem::exists(users));

    const std::string own = CreateTempFile("mirelantemp", ".obj");
    ASSERT_FALSE(own.empty());
    std::ofstream(own) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    PrepareLoad(own);
    ReadOBJ(Scene);
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(own));
    EXPECT_TRUE(std::filesystem::exists(users));
}

TEST_F(ObjReaderTest, AMissingFileOrAShortVertexIsAReadError) {
    PrepareLoad(Dir() + "nothing.obj");
    EXPECT_THROW(ReadOBJ(Scene), ReadError);
    try {
        ReadObjText("v 0 0 0\nv 1 0\n");
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_STREQ(e.what(), "model.obj, line 2: a vertex needs three coordinates");
        EXPECT_EQ(e.line(), 2);
    }
    EXPECT_THROW(ReadObjText("vn 1 0\n"), ReadError);
    EXPECT_THROW(ReadObjText("vt\n"), ReadError);
}

}  // namespace
