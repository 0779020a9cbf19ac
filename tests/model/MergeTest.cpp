#include <gtest/gtest.h>

#include <string>

#include "model/Merge.h"
#include "model/Model.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class MergeTest : public fixtures::ModelTest {
protected:
    // One "file" as a reader leaves it: 3 vertices, 1 normal, 1 UV, one
    // material and group of the given names, one face, and a polyline of
    // one segment in the global line lists.
    void ReadFile(const std::string& material, const std::string& group) {
        for (int i = 0; i < 3; ++i) {
            tvertex v;
            v.p = {double(i), double(i * i), 1};
            ImportVertices.push_back(v);
        }
        ImportNormals.push_back(tnormal{{0, 0, 1}, 0});
        ImportUVs.push_back(tuv{0.5, 0.5, 0});
        tmaterial m;
        NewMaterial(m);
        m.name = material;
        ImportMaterials.push_back(m);
        tgroup g;
        NewGroup(g);
        g.name = group;
        ImportGroups.push_back(g);
        tface f;
        f.vertex[0] = 1, f.vertex[1] = 2, f.vertex[2] = 3;
        f.normal[0] = 1;  // the others none
        f.uv[2] = 1;
        ImportFaces.push_back(f);
        Polylines.push_back({static_cast<int32_t>(LineSegments.size()), 1});
        tline l;
        l.vertex[0] = 2, l.vertex[1] = 3;
        l.uv[1] = 1;
        LineSegments.push_back(l);
    }
    static void Merge() { MergeImportIntoScene({0, 0, 0}, {0, 0, 0}, {1, 1, 1}); }
};

TEST_F(MergeTest, SecondFileIsShiftedPastTheFirstAndImportListsEmpty) {
    ReadFile("wood", "body");
    Merge();
    // Into an empty scene nothing changes.
    EXPECT_EQ(SceneFaces[0].vertex[0], 1);
    EXPECT_EQ(SceneFaces[0].normal[1], 0);
    EXPECT_EQ(LineSegments[0].vertex[0], 2);
    ReadFile("wood", "body");
    Merge();

    ASSERT_EQ(SceneVertices.size(), 6u);
    ASSERT_EQ(SceneFaces.size(), 2u);
    const tface& f = SceneFaces[1];
    EXPECT_EQ(f.vertex[0], 4);
    EXPECT_EQ(f.vertex[2], 6);
    EXPECT_EQ(f.normal[0], 2);
    EXPECT_EQ(f.normal[1], 0);  // none stays none
    EXPECT_EQ(f.uv[0], 0);
    EXPECT_EQ(f.uv[2], 2);
    EXPECT_EQ(f.group, 1);
    EXPECT_EQ(f.material, 1);
    EXPECT_EQ(SceneMaterials[1].name.str(), "wood_1");
    EXPECT_EQ(SceneGroups[1].name, "body_1");

    // The second file's line points at its own vertices, UV, group, material.
    ASSERT_EQ(LineSegments.size(), 2u);
    EXPECT_EQ(LineSegments[1].vertex[0], 5);
    EXPECT_EQ(LineSegments[1].vertex[1], 6);
    EXPECT_EQ(LineSegments[1].uv[1], 2);
    EXPECT_EQ(LineSegments[1].uv[0], 0);
    EXPECT_EQ(LineSegments[1].group, 1);
    EXPECT_EQ(LineSegments[1].material, 1);
    EXPECT_EQ(LineSegments[0].vertex[0], 2);  // the first file's line untouched
    ASSERT_EQ(Polylines.size(), 2u);
    EXPECT_EQ(Polylines[1].first, 1);
    EXPECT_EQ(Polylines[1].count, 1);
    EXPECT_EQ(LinesMergedCount, 2);
    EXPECT_EQ(PolylinesMergedCount, 2);

    EXPECT_TRUE(ImportVertices.empty() && ImportNormals.empty() && ImportUVs.empty());
    EXPECT_TRUE(ImportMaterials.empty() && ImportGroups.empty() && ImportFaces.empty());

    ReadFile("wood", "body");
    Merge();
    EXPECT_EQ(SceneMaterials[2].name.str(), "wood_2");
    EXPECT_EQ(SceneGroups[2].name, "body_2");
}

TEST_F(MergeTest, EqualNamesInsideOneImportAndLongNamesGetSuffixes) {
    const std::string longName(255, 'a');
    tmaterial m;
    NewMaterial(m);
    m.name = longName;
    SceneMaterials.push_back(m);
    for (const std::string& name : {std::string("wood"), std::string("wood"), longName, longName}) {
        NewMaterial(m);
        m.name = name;
        ImportMaterials.push_back(m);
    }
    Merge();
    ASSERT_EQ(SceneMaterials.size(), 5u);
    EXPECT_EQ(SceneMaterials[1].name.str(), "wood");
    EXPECT_EQ(SceneMaterials[2].name.str(), "wood_1");
    EXPECT_EQ(SceneMaterials[3].name.str(), std::string(253, 'a') + "_1");
    EXPECT_EQ(SceneMaterials[4].name.str(), std::string(253, 'a') + "_2");
}

TEST_F(MergeTest, VerticesAreMovedTurnedYThenXThenScaled) {
    ImportVertices.push_back(tvertex{{1, 0, 0}, 0});
    MergeImportIntoScene({1, 0, 0}, {Pi / 2, Pi / 2, 0}, {1, 2, 3});
    // (2,0,0) -> about Y -> (0,0,-2) -> about X -> (0,2,0) -> scaled (0,4,0).
    const tvector p = SceneVertices[0].p;
    EXPECT_NEAR(p.x, 0, 1e-12);
    EXPECT_NEAR(p.y, 4, 1e-12);
    EXPECT_NEAR(p.z, 0, 1e-12);
}

TEST_F(MergeTest, IndicesOutsideTheImportBecomeNone) {
    fixtures::AddCube();
    ReadFile("m", "g");
    ImportFaces[0].vertex[1] = 99;
    ImportFaces[0].normal[1] = -4;
    ImportFaces[0].uv[0] = 2;
    const int32_t before = static_cast<int32_t>(SceneVertices.size());
    Merge();
    const tface& f = SceneFaces.back();
    EXPECT_EQ(f.vertex[0], before + 1);
    EXPECT_EQ(f.vertex[1], 0);  // not a vertex of the cube
    EXPECT_EQ(f.normal[1], 0);
    EXPECT_EQ(f.uv[0], 0);
}

TEST_F(MergeTest, BadGroupOrMaterialLeavesTheSceneAsItWas) {
    fixtures::AddCube();
    ReadFile("m", "g");
    Merge();
    const std::size_t faces = SceneFaces.size(), lines = LineSegments.size(), vertices = SceneVertices.size();
    ReadFile("m", "g");
    LineSegments.back().material = 3;
    EXPECT_THROW(Merge(), ModelError);
    EXPECT_EQ(SceneFaces.size(), faces);
    EXPECT_EQ(SceneVertices.size(), vertices);
    EXPECT_EQ(LineSegments.size(), lines);
    EXPECT_EQ(Polylines.size(), 1u);
    EXPECT_TRUE(ImportFaces.empty() && ImportVertices.empty());

    ReadFile("m", "g");
    ImportFaces[0].group = -1;
    EXPECT_THROW(Merge(), ModelError);
    EXPECT_EQ(SceneFaces.size(), faces);
}

}  // namespace
