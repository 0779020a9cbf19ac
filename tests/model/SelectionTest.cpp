#include <gtest/gtest.h>

#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Selection.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class SelectionTest : public fixtures::ModelTest {};

int32_t AddVertex(double x, double y, double z) {
    SceneVertices.push_back(tvertex{{x, y, z}, 0});
    return static_cast<int32_t>(SceneVertices.size());
}

tface Face(int32_t a, int32_t b, int32_t c, int32_t tag = 0) {
    tface f;
    f.vertex[0] = a, f.vertex[1] = b, f.vertex[2] = c;
    f.normal[0] = tag;  // tells the faces apart after a removal
    return f;
}

TEST_F(SelectionTest, WindingReversalSkipsFacesOfHiddenGroups) {
    fixtures::AddQuad(0, 0);
    fixtures::AddQuad(1, 0);
    SceneGroups[1].visible = 0;
    SceneFaces[0].normal[0] = 7, SceneFaces[0].normal[2] = 9;
    const std::vector<tface> before = SceneFaces;
    ReverseFaceWinding();
    const tface& f = SceneFaces[0];
    EXPECT_EQ(f.vertex[0], before[0].vertex[2]);
    EXPECT_EQ(f.vertex[1], before[0].vertex[1]);
    EXPECT_EQ(f.vertex[2], before[0].vertex[0]);
    EXPECT_EQ(f.normal[0], 9);
    EXPECT_EQ(f.normal[2], 7);
    EXPECT_EQ(f.uv[0], before[0].uv[2]);
    EXPECT_EQ(f.uv[2], before[0].uv[0]);
    for (int i = 2; i < 4; ++i) EXPECT_EQ(SceneFaces[i].vertex[0], before[i].vertex[0]) << i;
}

TEST_F(SelectionTest, DegenerateFacesGoAndTheRestKeepOrder) {
    fixtures::EnsureGroup(0);
    fixtures::EnsureMaterial(0);
    const int32_t a = AddVertex(0, 0, 0), b = AddVertex(1, 0, 0), c = AddVertex(0, 1, 0);
    const int32_t d = AddVertex(2, 0, 0), e = AddVertex(0, 1e-11, 0), twin = AddVertex(0, 0, 0);
    SceneFaces = {Face(a, b, c, 1), Face(a, a, b, 2),  Face(a, b, d, 3),    // collinear
                  Face(b, c, a, 4), Face(a, b, e, 5),  Face(a, twin, c, 6),  // tiny area; zero area
                  Face(c, b, d, 7)};
    BuildVertexFaceTable();
    const uint64_t generation = TopologyGeneration;
    RemoveDegenerateFaces();
    std::vector<int32_t> left;
    for (const tface& f : SceneFaces) left.push_back(f.normal[0]);
    EXPECT_EQ(left, (std::vector<int32_t>{1, 4, 7}));
    EXPECT_NE(TopologyGeneration, generation);
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable));

    // Nothing to remove: the tables stay current.
    BuildVertexFaceTable();
    RemoveDegenerateFaces();
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));
}

TEST_F(SelectionTest, DegenerateLinesGoAndPolylinesFollow) {
    fixtures::EnsureGroup(0);
    fixtures::EnsureMaterial(0);
    const int32_t p0 = AddVertex(0, 0, 0), p1 = AddVertex(1, 0, 0), p1b = AddVertex(1, 0, 0), p2 = AddVertex(2, 0, 0);
    auto line = [](int32_t a, int32_t b) {
        tline l;
        l.vertex[0] = a, l.vertex[1] = b;
        return l;
    };
    // Polyline A: 3 segments, the middle one of zero length.
    // Polyline B: 2 segments, both degenerate.
    // Polyline C: 2 good segments.  Polyline D: no segment at all.
    LineSegments = {line(p0, p1), line(p1, p1b), line(p1b, p2),  // A 0..2
                    line(p1, p1), line(p1, p1b),                 // B 3..4
                    line(p0, p1), line(p1, p2)};                 // C 5..6
    Polylines = {{0, 3}, {3, 2}, {5, 2}, {7, 0}};
    LinesMergedCount = 7;
    PolylinesMergedCount = 4;
    RemoveDegenerateLines();
    ASSERT_EQ(LineSegments.size(), 4u);
    EXPECT_EQ(LineSegments[1].vertex[0], p1b);
    EXPECT_EQ(LineSegments[2].vertex[0], p0);
    ASSERT_EQ(Polylines.size(), 2u);
    EXPECT_EQ(Polylines[0].first, 0);
    EXPECT_EQ(Polylines[0].count, 2);
    EXPECT_EQ(Polylines[1].first, 2);
    EXPECT_EQ(Polylines[1].count, 2);
    EXPECT_EQ(LinesMergedCount, 4);
    EXPECT_EQ(PolylinesMergedCount, 2);
}

TEST_F(SelectionTest, VertexAndUVQueriesFollowTheFacesThatUseThem) {
    fixtures::AddQuad(0, 0);  // vertices 1-4, UVs 1-4; faces (1,2,3) (1,3,4)
    fixtures::AddQuad(1, 1);  // vertices 5-8
    SceneFaces[3].uv[0] = 1;  // UV 1 also used by a face of group 1, material 1
    SceneFaces[1].mark = 1;
    SceneGroups[1].visible = 0;

    EXPECT_TRUE(IsVertexSelected(0));
    EXPECT_FALSE(IsVertexSelected(5));
    bool selected = false, marked = false;
    VertexFaceFlags(3, selected, marked);  // vertex 4: face 1 only
    EXPECT_TRUE(selected && marked);
    VertexFaceFlags(1, selected, marked);  // vertex 2: face 0 only
    EXPECT_TRUE(selected && !marked);

    tuvfacelist list;
    ListUVFaces(0, list);
    ASSERT_EQ(list.count, 3);
    EXPECT_EQ(list.entries[0].group, 1);  // the highest face first
    EXPECT_EQ(list.entries[2].mark, 0);
    EXPECT_EQ(list.entries[1].mark, 1);

    SceneMaterials[0].selected = 0;
    const tuvselection s = UVSelectionFlags(0);
    EXPECT_TRUE(s.materialSelected);  // material 1 of the hidden group's face
    EXPECT_TRUE(s.groupVisible);      // group 0 of the unselected material's faces
    EXPECT_TRUE(s.marked);
    UVFaceFlags(0, selected, marked);
    EXPECT_FALSE(selected);  // no face is both
    EXPECT_TRUE(marked);

    // A face added later is seen: the stale table is rebuilt.
    SceneMaterials[0].selected = 1;
    SceneFaces.push_back(SceneFaces[2]);
    SceneFaces.back().group = 0;
    TopologyChanged();
    EXPECT_TRUE(IsVertexSelected(5));
}

TEST_F(SelectionTest, UVFaceListStopsAt2000) {
    fixtures::AddQuad();
    const tface f = SceneFaces[0];
    for (int i = 0; i < 2100; ++i) SceneFaces.push_back(f);
    tuvfacelist list;
    ListUVFaces(0, list);
    EXPECT_EQ(list.count, 2000);
    EXPECT_EQ(list.entries.size(), 2000u);
}

TEST_F(SelectionTest, MaterialAndGroupFlags) {
    fixtures::EnsureMaterial(2);
    fixtures::EnsureGroup(1);
    SelectOnlyMaterial(1);
    EXPECT_EQ(SceneMaterials[0].selected + SceneMaterials[1].selected * 2 + SceneMaterials[2].selected * 4, 2);
    EXPECT_THROW(SelectOnlyMaterial(3), ModelError);
    EXPECT_EQ(SceneMaterials[1].selected, 1);  // unchanged
    DeselectAllMaterials();
    EXPECT_EQ(SceneMaterials[1].selected, 0);
    SelectAllMaterials();
    EXPECT_EQ(SceneMaterials[0].selected + SceneMaterials[1].selected + SceneMaterials[2].selected, 3);

    EXPECT_FALSE(TestAndClearGroupChanges());
    SceneGroups[1].changed = 1;
    EXPECT_TRUE(TestAndClearGroupChanges());
    EXPECT_EQ(SceneGroups[1].changed, 0);
    EXPECT_FALSE(TestAndClearGroupChanges());
}

TEST_F(SelectionTest, SelectionExtentsCoverVerticesOfSelectedFaces) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fixtures::AddCube(2.0, {10, 0, 0}, 0, 1);
    SceneVertices.push_back(tvertex{{-50, 0, 0}, 0});
    SceneMaterials[1].selected = 0;
    tvector center, size, minimum;
    SelectionExtents(center, size, minimum);
    EXPECT_EQ(center, (tvector{0, 0, 0}));
    EXPECT_EQ(size, (tvector{2, 2, 2}));
    EXPECT_EQ(minimum, (tvector{-1, -1, -1}));
    SceneMaterials[0].selected = 0;
    SelectionExtents(center, size, minimum);
    EXPECT_EQ(minimum, (tvector{1e30, 1e30, 1e30}));
}

TEST(SelectionHelpers, SafeArcTan2AndDominantAxis) {
    EXPECT_EQ(SafeArcTan2(0, 0), 0);
    EXPECT_EQ(SafeArcTan2(1e-11, -1e-11), 0);
    EXPECT_DOUBLE_EQ(SafeArcTan2(1, 0), Pi / 2);
    EXPECT_TRUE(DominantAxisPositive({0.2, -0.9, 0.1}, {0, 1, 0}));
    EXPECT_FALSE(DominantAxisPositive({0.2, -0.9, 0.1}, {1, 0, 0}));
    EXPECT_FALSE(DominantAxisPositive({0.2, -0.9, 0.1}, {0, -1, 0}));
    EXPECT_TRUE(DominantAxisPositive({1, -1, 0}, {1, 0, 0}));  // a tie
    EXPECT_TRUE(DominantAxisPositive({1, -1, 0}, {0, 1, 0}));
    EXPECT_FALSE(DominantAxisPositive({1, -1, 0}, {0, 0, 1}));
}

}  // namespace
