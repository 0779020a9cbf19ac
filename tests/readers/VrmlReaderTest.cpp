#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "model/Merge.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/readers/SceneTextFiles.h"

namespace {

using scenefiles::HasLine;
using scenefiles::HasLineStartingWith;

void ExpectPoint(const tvector& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
    EXPECT_NEAR(p.z, z, 1e-9);
}

void ExpectFace(const tface& f, int a, int b, int c) {
    EXPECT_EQ(f.vertex[0], a);
    EXPECT_EQ(f.vertex[1], b);
    EXPECT_EQ(f.vertex[2], c);
}

class VrmlReaderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }
    void Load(const std::string& file) {
        Scene.modelFile = file;
        ReadVRML(Scene);
        scenefiles::ExpectConsistentImport(true);
    }
    void LoadText(const std::string& text, const std::string& name = "model.wrl") { Load(folder.Write(name, text)); }

    scenefiles::TestFolder folder;
};

const char* const Vrml1Text = R"(#VRML V1.0 ascii
Separator {
  DEF Red Material { diffuseColor 1 0 0 }
  Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, 3, -1 ] }
}
Separator {
  Material { diffuseColor 0 1 0 }
  Transform { translation 10 0 0 }
  Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }
}
Separator {
  USE Red
  Coordinate3 { point [ 0 0 5, 1 0 5, 0 1 5 ] }
  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] }
}
)";

TEST_F(VrmlReaderTest, Vrml1SeparatorsMaterialsAndUse) {
    LoadText(Vrml1Text);
    EXPECT_TRUE(HasLine(Messages(), "VRML 1.0 model."));
    EXPECT_TRUE(HasLine(Messages(), "Parsing file..."));
    EXPECT_TRUE(HasLine(Messages(), "Material Node 1"));
    EXPECT_TRUE(HasLine(Messages(), "Reading faces (Node_1) ..."));

    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].name, "red");
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 0, 0}));
    ExpectPoint(ImportMaterials[0].ambient, 0.2, 0.2, 0.2);
    EXPECT_EQ(ImportMaterials[1].name, "Material_Node_2");
    EXPECT_EQ(ImportMaterials[1].diffuse, (tvector{0, 1, 0}));

    ASSERT_EQ(ImportGroups.size(), 3u);
    EXPECT_EQ(ImportGroups[2].name, "Node_3");
    ASSERT_EQ(ImportVertices.size(), 10u);
    // The translation applies to every later block: nothing nests.
    ExpectPoint(ImportVertices[4].p, 10, 0, 0);
    ExpectPoint(ImportVertices[7].p, 10, 0, 5);

    ASSERT_EQ(ImportFaces.size(), 4u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ImportFaces[i].group, 0);
        EXPECT_EQ(ImportFaces[i].material, 0);
    }
    ExpectFace(ImportFaces[2], 5, 6, 7);
    EXPECT_EQ(ImportFaces[2].material, 1);
    // USE Red in the third separator: its faces are red again.
    ExpectFace(ImportFaces[3], 8, 9, 10);
    EXPECT_EQ(ImportFaces[3].material, 0);
    EXPECT_EQ(ImportFaces[3].group, 2);

    EXPECT_EQ(Scene.polygonsRead, 3);
    EXPECT_EQ(Scene.polygonsOverThree, 1);
    EXPECT_EQ(Scene.trianglesMade, 4);
}

TEST_F(VrmlReaderTest, TransformScalesAndTurnsAboutTheCentreThenTranslates) {
    // Point (2,0,0), centre (1,0,0): scaled by 2 about the centre -> (3,0,0),
    // a quarter turn about Z (axis given unnormalised) about the centre ->
    // (1,2,0), then moved by (0,0,5).
    LoadText(R"(#VRML V2.0 utf8
Transform { translation 0 0 5 rotation 0 0 2 1.5707963267948966 scale 2 2 2 center 1 0 0
  children Shape { geometry IndexedFaceSet { coord Coordinate { point [ 2 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 -1 ] } } }
)");
    ASSERT_EQ(ImportVertices.size(), 3u);
    ExpectPoint(ImportVertices[0].p, 1, 2, 5);
    ExpectPoint(ImportVertices[1].p, 1, 0, 5);
    ExpectPoint(ImportVertices[2].p, -1, 0, 5);
    EXPECT_EQ(ImportFaces.size(), 1u);
}

const char* const Vrml2Text = R"(#VRML V2.0 utf8
# a comment naming Material and coordIndex
Transform {
  translation 0 0 1
  children [
    Shape {
      appearance Appearance {
        material DEF Red Material { diffuseColor 1 0 0 shininess 0.5 }
        textureTransform TextureTransform { translation 0.5 0.5 rotation 0.3 scale 2 2 center 0.5 0.5 }
      }
      geometry IndexedFaceSet {
        coord DEF pts Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
        coordIndex [ 0 1 2 -1, 0 2 3 ]
        texCoord TextureCoordinate { point [ 0 0, 1 0, 1 1, 0 1 ] }
        texCoordIndex [ 0 1 2 -1 0 2 3 -1 ]
        normal Normal { vector [ 0 0 1 ] }
      }
    }
    Shape {
      appearance Appearance { material DEF Green Material { diffuseColor 0 1 0 } }
      geometry IndexedFaceSet { coordIndex [ 3 2 1 -1 ] coord USE pts }
    }
    Shape {
      appearance Appearance { material USE Red }
      geometry IndexedLineSet {
        coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }
        coordIndex [ 0 1 2 -1 2 3 -1 ]
      }
    }
  ]
}
)";

void ExpectVrml2Model() {
    // "material DEF Red Material" gives an untouched material at the field
    // name and the named one.
    ASSERT_EQ(ImportMaterials.size(), 4u);
    EXPECT_EQ(ImportMaterials[0].name, "Material_Node_1");
    EXPECT_EQ(ImportMaterials[1].name, "red");
    EXPECT_FLOAT_EQ(ImportMaterials[1].shininess, 0.5f);
    EXPECT_EQ(ImportMaterials[2].name, "Material_Node_3");
    EXPECT_EQ(ImportMaterials[3].name, "green");

    // The texture coordinates and normals make no points; the texture
    // transform leaves the model's transform alone.
    ASSERT_EQ(ImportVertices.size(), 8u);
    ExpectPoint(ImportVertices[2].p, 1, 1, 1);

    // The usual order (coordinates, then coordIndex) binds to the node's own
    // points; the last polygon has no closing -1.
    ASSERT_EQ(ImportFaces.size(), 3u);
    ExpectFace(ImportFaces[0], 1, 2, 3);
    ExpectFace(ImportFaces[1], 1, 3, 4);
    EXPECT_EQ(ImportFaces[0].material, 1);
    // A list ahead of "coord USE pts" binds to the named block.
    ExpectFace(ImportFaces[2], 4, 3, 2);
    EXPECT_EQ(ImportFaces[2].material, 3);
    EXPECT_EQ(ImportFaces[2].group, 1);

    // Lines: the material named by USE, polylines broken at -1.
    const std::size_t first = static_cast<std::size_t>(LinesMergedCount);
    ASSERT_EQ(LineSegments.size() - first, 3u);
    const int expected[3][2] = {{5, 6}, {6, 7}, {7, 8}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LineSegments[first + i].vertex[0], expected[i][0]);
        EXPECT_EQ(LineSegments[first + i].vertex[1], expected[i][1]);
        EXPECT_EQ(LineSegments[first + i].group, 2);
        EXPECT_EQ(LineSegments[first + i].material, 1);
    }
    ASSERT_EQ(Polylines.size() - static_cast<std::size_t>(PolylinesMergedCount), 2u);
    EXPECT_EQ(Polylines[PolylinesMergedCount].count, 2);
    EXPECT_EQ(Polylines[PolylinesMergedCount + 1].first, static_cast<int32_t>(first) + 2);
    EXPECT_EQ(Scene.polygonsRead, 3);
}

TEST_F(VrmlReaderTest, Vrml2ShapesBindIndexListsToTheirOwnCoordinates) {
    LoadText(Vrml2Text);
    EXPECT_TRUE(HasLine(Messages(), "VRML 2.0 (VRML97) model."));
    EXPECT_TRUE(HasLine(Messages(), "Reading Lines(Node_3) ..."));
    ExpectVrml2Model();
}

TEST_F(VrmlReaderTest, CompressedFilesAreUnpackedIntoOwnTemporaryFiles) {
    // The program folder holds a user's file of the old fixed temporary name:
    // it must survive, and no temporary file may stay behind.
    SetProgramDirOverride(folder.Path());
    folder.Write("mirelantemp.wrl", "user data");
    Load(folder.WriteGzip("model.wrl.gz", Vrml2Text));
    EXPECT_TRUE(HasLine(Messages(), "Decompressing model.wrl.gz..."));
    ExpectVrml2Model();
    // A compressed file named .wrl is recognised by its signature.
    ClearImportLists();
    LineSegments.resize(LinesMergedCount);
    Polylines.resize(PolylinesMergedCount);
    Load(folder.WriteGzip("packed.wrl", Vrml2Text));
    ExpectVrml2Model();
    SetProgramDirOverride("");
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"mirelantemp.wrl", "model.wrl.gz", "packed.wrl"}));
    std::ifstream in(folder.Path() + "mirelantemp.wrl");
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "user data");
}

TEST_F(VrmlReaderTest, BrokenCompressedFilesAreReadErrors) {
    SetProgramDirOverride(folder.Path());
    const std::string packed = folder.WriteGzip("whole.gz", Vrml2Text);
    std::string bytes;
    {
        std::ifstream in(packed, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove(packed);
    folder.Write("cut.gz", bytes.substr(0, bytes.size() / 2));
    Scene.modelFile = folder.Path() + "cut.gz";
    EXPECT_THROW(ReadVRML(Scene), ReadError);
    Scene.modelFile = folder.Path() + "missing.gz";
    try {
        ReadVRML(Scene);
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_EQ(std::string(e.what()), ": can't gzopen " + Scene.modelFile);
    }
    SetProgramDirOverride("");
    EXPECT_EQ(folder.Files(), (std::vector<std::string>{"cut.gz"}));
}

TEST_F(VrmlReaderTest, X3DQuotedValuesWithBothQuoteKinds) {
    LoadText(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE X3D PUBLIC "ISO//Web3D//DTD X3D 3.0//EN" "http://www.web3d.org/specifications/x3d-3.0.dtd">
<X3D profile='Immersive' version='3.0'>
<Scene>
<!-- a Material and a Coordinate point="9 9 9" in a comment
     over two lines: coordIndex="0 1 2" -->
<Transform translation="0 0 2">
<Shape>
<Appearance><Material DEF="Blue" diffuseColor="0 0 1" transparency='0.25'/></Appearance>
<IndexedFaceSet coordIndex="0 1 2 3 -1">
<Coordinate DEF='pts' point="0 0 0, 1 0 0,
  1 1 0, 0 1 0"/>
</IndexedFaceSet>
</Shape>
<Shape>
<Appearance><Material USE='Blue'/></Appearance>
<IndexedFaceSet coordIndex='0 1 2 -1 2 1 0'>
<Coordinate point='5 0 0 6 0 0 5 1 0'/>
</IndexedFaceSet>
<IndexedFaceSet coordIndex='3 2 1 -1'><Coordinate USE='pts'/></IndexedFaceSet>
</Shape>
<Shape><IndexedLineSet coordIndex="0 1 2"><Coordinate point="0 0 0 0 0 1 0 1 1"/></IndexedLineSet></Shape>
</Transform>
</Scene>
</X3D>
)",
             "model.x3d");
    EXPECT_TRUE(HasLine(Messages(), "X3D model."));
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "blue");
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 1}));
    EXPECT_DOUBLE_EQ(ImportMaterials[0].transparency, 0.25);
    ASSERT_EQ(ImportVertices.size(), 10u);
    ExpectPoint(ImportVertices[3].p, 0, 1, 2);
    ExpectPoint(ImportVertices[5].p, 6, 0, 2);
    ASSERT_EQ(ImportFaces.size(), 5u);
    ExpectFace(ImportFaces[2], 5, 6, 7);
    ExpectFace(ImportFaces[3], 7, 6, 5);
    ExpectFace(ImportFaces[4], 4, 3, 2);
    for (const tface& f : ImportFaces) EXPECT_EQ(f.material, 0);
    ASSERT_EQ(ImportGroups.size(), 4u);
    ASSERT_EQ(LineSegments.size(), 2u);
    EXPECT_EQ(LineSegments[1].vertex[1], 10);
}

TEST_F(VrmlReaderTest, EqualMaterialsAreSharedAndUntouchedOnesKept) {
    LoadText(R"(#VRML V2.0 utf8
Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } }
  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } }
Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } }
  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 1 1 0 1 0 1 1 ] } coordIndex [ 0 1 2 -1 ] } }
Shape { appearance Appearance { material Material { } }
  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 2 1 0 2 0 1 2 ] } coordIndex [ 0 1 2 -1 ] } }
Shape { appearance Appearance { material Material { } }
  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 3 1 0 3 0 1 3 ] } coordIndex [ 0 1 2 -1 ] } }
)");
    // The second red material goes at its node; the two untouched materials
    // stay although they equal each other.
    ASSERT_EQ(ImportMaterials.size(), 3u);
    ASSERT_EQ(ImportFaces.size(), 4u);
    EXPECT_EQ(ImportFaces[0].material, 0);
    EXPECT_EQ(ImportFaces[1].material, 0);
    EXPECT_EQ(ImportFaces[2].material, 1);
    EXPECT_EQ(ImportFaces[3].material, 2);
}

// A colour after a dropped duplicate goes into the material that is last
// again, and a later material equal to its new colour is dropped for it.
TEST_F(VrmlReaderTest, AMaterialLastAgainIsComparedWithItsNewValues) {
    const std::string shape = " geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } "
                              "coordIndex [ 0 1 2 -1 ] } }\n";
    LoadText("#VRML V2.0 utf8\nShape { appearance Appearance { material Material { diffuseColor 1 0 0 } }" + shape +
             "Shape { appearance Appearance { material Material { diffuseColor 1 0 0 } }" + shape +
             "diffuseColor 0 1 0\nShape { appearance Appearance { material Material { diffuseColor 0 1 0 } }" + shape);
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 1, 0}));
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(ImportFaces[2].material, 0);
}

TEST_F(VrmlReaderTest, GeometryWithoutMaterialGetsTheDefaultAndColoursBeforeAnyMaterialHaveOne) {
    LoadText("#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } "
             "coordIndex [ 0 1 2 -1 ] } }\n");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "Material_0");
    EXPECT_EQ(ImportFaces.size(), 1u);

    ClearImportLists();
    LoadText("#VRML V2.0 utf8\ndiffuseColor 0 0 1 shininess 0.1\n"
             "IndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } coordIndex [ 0 1 2 -1 ] }\n");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 1}));
    EXPECT_FLOAT_EQ(ImportMaterials[0].shininess, 0.1f);
    EXPECT_EQ(ImportFaces[0].material, 0);

    ClearImportLists();
    LoadText("#VRML V2.0 utf8\nWorldInfo { info \"no geometry here\" }\n");
    EXPECT_TRUE(ImportMaterials.empty());
    EXPECT_TRUE(ImportGroups.empty());
}

TEST_F(VrmlReaderTest, BadIndicesAndListsEndCleanly) {
    std::string big = "#VRML V2.0 utf8\nIndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 1 1 0 ] }\n"
                      "coordIndex [ 0 1 2 -1 0 1 7 -1 0 -5 2 -1 -1 -1 2 1 0 -1 ";
    for (int i = 0; i < 2100; ++i) big += std::to_string(i % 4) + " ";
    big += "-1 ] }\nIndexedFaceSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } coordIndex [ ] }\n"
           "Shape { appearance Appearance { material Material { diffuseColor 0 1 0 } } }\n"
           "IndexedLineSet { coord Coordinate { point [ 0 0 0 1 0 0 0 1 0 ] } coordIndex [ 0 1 9 2 0 -1 ] }\n";
    LoadText(big);
    // Past the block, negative, and over 2000 corners: skipped, reported once.
    ASSERT_EQ(ImportFaces.size(), 2u);
    ExpectFace(ImportFaces[0], 1, 2, 3);
    ExpectFace(ImportFaces[1], 3, 2, 1);
    EXPECT_TRUE(HasLine(Messages(), "<!>3 polygons with invalid vertex indices or too many corners in model.wrl were "
                                    "skipped"));
    // The empty list ends at its "]": the material after it is read.
    ASSERT_EQ(ImportMaterials.size(), 2u);
    EXPECT_EQ(ImportMaterials[1].diffuse, (tvector{0, 1, 0}));
    // The bad line index breaks the polyline.
    EXPECT_EQ(LineSegments.size(), 2u);
    EXPECT_EQ(Polylines.size(), 2u);
    EXPECT_TRUE(HasLine(Messages(), "<!>1 line indices outside their coordinates in model.wrl were skipped"));
}

TEST_F(VrmlReaderTest, TruncatedFilesKeepWhatWasRead) {
    const std::string text = Vrml2Text;
    for (std::size_t cut : {text.size() / 3, text.size() / 2, text.size() - 10}) {
        ClearImportLists();
        LineSegments.resize(LinesMergedCount);
        Polylines.resize(PolylinesMergedCount);
        LoadText(text.substr(0, cut));
    }
    LoadText("#VRML V2.0 utf8\nShape { appearance Appearance { material Material { diffuseColor 1");
    EXPECT_TRUE(HasLine(Messages(), "<!>model.wrl ends inside a node; what could be read was kept"));
}

TEST_F(VrmlReaderTest, LinesOfASecondFileAreShiftedByTheMerge) {
    const std::string file = folder.Write("lines.wrl", R"(#VRML V2.0 utf8
Shape { geometry IndexedLineSet { coord Coordinate { point [ 0 0 0 1 0 0 1 1 0 ] } coordIndex [ 0 1 2 ] } }
)");
    Load(file);
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    Load(file);
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    ASSERT_EQ(LineSegments.size(), 4u);
    EXPECT_EQ(LineSegments[2].vertex[0], 4);
    EXPECT_EQ(LineSegments[3].vertex[1], 6);
    EXPECT_EQ(LineSegments[2].group, 1);
    ASSERT_EQ(Polylines.size(), 2u);
    EXPECT_EQ(Polylines[1].first, 2);
}

TEST_F(VrmlReaderTest, AMissingFileIsAReadError) {
    Scene.modelFile = folder.Path() + "none.wrl";
    EXPECT_THROW(ReadVRML(Scene), ReadError);
}

}  // namespace
