#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Subdivide.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

int32_t Vertex(tvector p) { return fixtures::AddVertex(p.x, p.y, p.z); }

int Face(int32_t a, int32_t b, int32_t c, int group = 0, int material = 0) {
    return fixtures::AddFace(a, b, c, group, material);
}

void ExpectAt(int32_t vertex, tvector want) {
    ASSERT_GE(vertex, 1);
    ASSERT_LE(vertex, static_cast<int32_t>(SceneVertices.size()));
    const tvector& p = SceneVertices[vertex - 1].p;
    EXPECT_NEAR(p.x, want.x, 1e-12) << "vertex " << vertex;
    EXPECT_NEAR(p.y, want.y, 1e-12) << "vertex " << vertex;
    EXPECT_NEAR(p.z, want.z, 1e-12) << "vertex " << vertex;
}

void ExpectCorners(const tface& f, int32_t a, int32_t b, int32_t c) {
    EXPECT_EQ(f.vertex[0], a);
    EXPECT_EQ(f.vertex[1], b);
    EXPECT_EQ(f.vertex[2], c);
}

class SubdivideTest : public fixtures::ModelTest {
protected:
    void TearDown() override {
        SubdivisionMaterialSwitch = false;
        fixtures::ModelTest::TearDown();
    }
};

TEST_F(SubdivideTest, LoopStepOnATetrahedron) {
    const tvector p[4] = {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}};
    for (const tvector& v : p) Vertex(v);
    Face(1, 2, 3);
    Face(1, 3, 4);
    Face(1, 4, 2);
    Face(2, 4, 3);
    SubdivideSmooth(true, true, false, false);

    ASSERT_EQ(SceneVertices.size(), 10u);
    ASSERT_EQ(SceneFaces.size(), 16u);
    // Three neighbours: a = 0.5625, and the neighbours sum to -v: 0.25 v.
    for (int i = 0; i < 4; ++i) ExpectAt(i + 1, ScaleVector(p[i], 0.25));
    // Edge points (3a + 3b + c + d) / 8 = (a + b) / 4, made vertex by vertex,
    // each vertex's edges newest first.
    const int edges[6][2] = {{1, 4}, {1, 3}, {1, 2}, {2, 4}, {2, 3}, {3, 4}};
    for (int e = 0; e < 6; ++e)
        ExpectAt(5 + e, ScaleVector(AddVectors(p[edges[e][0] - 1], p[edges[e][1] - 1]), 0.25));
    // Face (1, 2, 3) with m12 = 7, m23 = 9, m31 = 6.
    ExpectCorners(SceneFaces[0], 1, 7, 6);
    ExpectCorners(SceneFaces[1], 7, 2, 9);
    ExpectCorners(SceneFaces[2], 6, 9, 3);
    ExpectCorners(SceneFaces[3], 7, 9, 6);
    EXPECT_TRUE(VertexEdgeTable.edges.empty());
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable));

    const std::vector<std::string> expected = {
        "Subdivision -> Creating edge arrays...", "Subdivision -> modifying original mesh vertices...",
        "Subdivision -> Creating edge vertices...", "Subdivision -> Creating uv at edges...",
        "Subdivision -> Building new faces..."};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(SubdivideTest, SingleTriangleMovesAlongItsBorders) {
    for (bool smoothCreases : {true, false}) {
        fixtures::ResetModel();
        Vertex({0, 0, 0});
        Vertex({4, 0, 0});
        Vertex({0, 4, 0});
        Face(1, 2, 3);
        SubdivideSmooth(smoothCreases, false, false, false);
        ASSERT_EQ(SceneFaces.size(), 4u);
        ASSERT_EQ(SceneVertices.size(), 6u);
        if (smoothCreases) {
            ExpectAt(1, {0.5, 0.5, 0});
            ExpectAt(2, {3, 0.5, 0});
        } else {
            ExpectAt(1, {0, 0, 0});
            ExpectAt(2, {4, 0, 0});
        }
        const tface& first = SceneFaces[0];
        ExpectAt(first.vertex[1], {2, 0, 0});  // edge points are midpoints
        ExpectAt(first.vertex[2], {0, 2, 0});
    }
}

// A 2 x 2 grid in the XZ plane with its centre vertex (5) lifted to y = 1.
// Old face 1 is (v1, v5, v2): its new faces 4 and 5 hold the edge vertices
// of 1-5 (face 4, corner 2), 1-2 (face 4, corner 3) and 5-2 (face 5, corner 3).
void BuildLiftedGrid() {
    fixtures::AddGrid(2, 2, 1.0);
    SceneVertices[4].p.y = 1;
}

TEST_F(SubdivideTest, GridWithBorderAndCreases) {
    // Plain: valence six inside (a = 0.375), borders smoothed along themselves.
    BuildLiftedGrid();
    SubdivideSmooth(true, true, false, false);
    ExpectAt(5, {1, 0.625, 1});
    ExpectAt(1, {0.125, 0, 0.125});
    ExpectAt(2, {1, 0, 0});
    ExpectAt(SceneFaces[4].vertex[1], {0.5, 0.375, 0.5});
    ExpectAt(SceneFaces[5].vertex[2], {1, 0.375, 0.5});
    ExpectAt(SceneFaces[4].vertex[2], {0.5, 0, 0});
    EXPECT_EQ(SceneVertices.size(), 9u + 16);
    EXPECT_EQ(SceneFaces.size(), 32u);

    // Columns of two materials with the material switch on: the line x = 1
    // is a crease through the centre.
    for (bool smoothCreases : {true, false}) {
        fixtures::ResetModel();
        BuildLiftedGrid();
        fixtures::EnsureMaterial(1);
        for (int f = 0; f < 8; ++f) SceneFaces[f].material = (f / 2) % 2;
        SubdivisionMaterialSwitch = true;
        SubdivideSmooth(smoothCreases, true, false, false);
        ExpectAt(5, smoothCreases ? tvector{1, 0.75, 1} : tvector{1, 1, 1});
        ExpectAt(SceneFaces[5].vertex[2], {1, 0.5, 0.5});
        ExpectAt(SceneFaces[4].vertex[1], {0.5, 0.375, 0.5});
    }

    // The same crease from normals: each column uses its own normal.
    fixtures::ResetModel();
    BuildLiftedGrid();
    for (int n = 0; n < 2; ++n) SceneNormals.push_back(tnormal{});
    for (int f = 0; f < 8; ++f)
        for (int c = 0; c < 3; ++c) SceneFaces[f].normal[c] = 1 + (f / 2) % 2;
    SubdivideSmooth(true, true, false, false);
    ExpectAt(5, {1, 0.625, 1});  // without hard normal edges nothing changes
    fixtures::ResetModel();
    BuildLiftedGrid();
    for (int n = 0; n < 2; ++n) SceneNormals.push_back(tnormal{});
    for (int f = 0; f < 8; ++f)
        for (int c = 0; c < 3; ++c) SceneFaces[f].normal[c] = 1 + (f / 2) % 2;
    SubdivideSmooth(true, true, true, false);
    ExpectAt(5, {1, 0.75, 1});
    ExpectAt(SceneFaces[5].vertex[2], {1, 0.5, 0.5});
    for (const tface& f : SceneFaces) EXPECT_EQ(f.normal[0] + f.normal[1] + f.normal[2], 0);
}

TEST_F(SubdivideTest, HiddenNeighbourIsABorderAndStaysWhole) {
    const int32_t a = Vertex({0, 0, 0}), b = Vertex({2, 0, 0}), c = Vertex({1, 2, 0}), d = Vertex({1, -2, 0});
    Face(a, b, c);
    const int hidden = Face(b, a, d, 1, 0);
    SceneGroups[1].visible = 0;
    SceneFaces[hidden].normal[0] = 0;
    SceneFaces[hidden].mark = 1;
    SubdivideSmooth(true, true, false, false);
    ASSERT_EQ(SceneFaces.size(), 5u);
    EXPECT_EQ(SceneVertices.size(), 7u);
    ExpectAt(SceneFaces[0].vertex[1], {1, 0, 0});  // midpoint of the shared edge
    ExpectCorners(SceneFaces[4], b, a, d);
    EXPECT_EQ(SceneFaces[4].mark, 1);
    ExpectAt(d, {1, -2, 0});  // used by the hidden face only: not moved
}

TEST_F(SubdivideTest, MarkedOnlySplitsMarkedFaces) {
    const int32_t a = Vertex({0, 0, 0}), b = Vertex({2, 0, 0}), c = Vertex({1, 2, 0}), d = Vertex({1, -2, 0});
    const int marked = Face(a, b, c);
    Face(b, a, d);
    SceneFaces[marked].mark = 1;
    SceneFaces[marked].group = 0;
    SubdivideFlat(true);
    ASSERT_EQ(SceneFaces.size(), 5u);
    EXPECT_EQ(SceneVertices.size(), 7u);  // only the marked face's three edges
    for (int f = 0; f < 4; ++f) EXPECT_EQ(SceneFaces[f].mark, 1);
    ExpectCorners(SceneFaces[4], b, a, d);
    EXPECT_EQ(SceneFaces[4].mark, 0);

    const std::vector<std::string> expected = {
        "Subdivision -> Creating edge array...", "Subdivision -> Creating edge vertices...",
        "Subdivision -> Creating uv at edges...", "Subdivision -> Building faces..."};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(SubdivideTest, UVsAreSplitAlongside) {
    // A quad of two faces sharing the UV edge of its diagonal: five edge UVs.
    fixtures::AddQuad();
    SubdivideFlat(false);
    EXPECT_EQ(SceneUVs.size(), 9u);
    EXPECT_EQ(SceneFaces[0].uv[1], SceneFaces[1].uv[0]);
    const tuv& diagonal = SceneUVs[SceneFaces[3].uv[2] - 1];  // face 0's C-A edge
    EXPECT_DOUBLE_EQ(diagonal.u, 0.5);
    EXPECT_DOUBLE_EQ(diagonal.v, 0.5);
    EXPECT_EQ(SceneFaces[4].uv[1], SceneFaces[0].uv[2]);  // the shared diagonal UV

    // A face without UVs in all three corners: its four faces have none.
    fixtures::ResetModel();
    fixtures::AddQuad();
    SceneFaces[1].uv[2] = 0;
    SubdivideSmooth(true, true, false, false);
    EXPECT_EQ(SceneUVs.size(), 7u);
    for (int f = 4; f < 8; ++f)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(SceneFaces[f].uv[c], 0);

    // A seam: the second face has its own UVs on the shared edge.
    fixtures::ResetModel();
    fixtures::AddQuad();
    SceneUVs.push_back(SceneUVs[0]);
    SceneUVs.push_back(SceneUVs[2]);
    SceneFaces[1].uv[0] = 5;
    SceneFaces[1].uv[1] = 6;
    SubdivideFlat(false);
    EXPECT_EQ(SceneUVs.size(), 12u);
    EXPECT_NE(SceneFaces[4].uv[1], SceneFaces[0].uv[2]);
}

TEST_F(SubdivideTest, SmoothUVsFollowLoopsRules) {
    // UVs of the lifted grid: the UV of the centre lies inside, with six
    // neighbours; its u, v do not move because its neighbours surround it
    // evenly, while the UV at a grid corner moves along the borders.
    BuildLiftedGrid();
    SubdivideSmooth(true, true, false, false);
    EXPECT_NEAR(SceneUVs[4].u, 0.5, 1e-12);
    EXPECT_NEAR(SceneUVs[4].v, 0.5, 1e-12);
    EXPECT_NEAR(SceneUVs[0].u, 0.0625, 1e-12);
    EXPECT_NEAR(SceneUVs[0].v, 0.0625, 1e-12);
    fixtures::ResetModel();
    BuildLiftedGrid();
    SubdivideSmooth(true, false, false, false);
    EXPECT_EQ(SceneUVs[0].u, 0.0);
}

TEST_F(SubdivideTest, MissingOppositeCornerCountsAsABorder) {
    // The second face uses a twice: the shared edge a-b has no opposite
    // corner there; its edge point is the midpoint, not pulled to the origin.
    const int32_t a = Vertex({10, 0, 0}), b = Vertex({12, 0, 0}), c = Vertex({11, 1, 0});
    Face(a, b, c);
    const int degenerate = Face(b, a, a);
    SubdivideSmooth(true, true, false, false);
    ExpectAt(SceneFaces[0].vertex[1], {11, 0, 0});
    ExpectCorners(SceneFaces.back(), b, a, a);
    EXPECT_EQ(SceneFaces.size(), 5u);
    (void)degenerate;
}

TEST_F(SubdivideTest, FlatStepsStayInThePlane) {
    Vertex({0, 0, 0});
    Vertex({3, 0, 0});
    Vertex({0, 3, 0});
    Face(1, 2, 3);
    SubdivideFlat(false);
    SubdivideFlat(false);
    ASSERT_EQ(SceneFaces.size(), 16u);
    EXPECT_EQ(SceneVertices.size(), 15u);
    double area = 0;
    for (const tface& f : SceneFaces) {
        area += FaceArea(f);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(SceneVertices[f.vertex[c] - 1].p.z, 0.0);
    }
    EXPECT_NEAR(area, 4.5, 1e-12);

    // Counts on a grid: V + E vertices, 4 F faces.
    fixtures::ResetModel();
    fixtures::AddGrid(3, 2);
    SubdivideFlat(false);
    EXPECT_EQ(SceneVertices.size(), 12u + 9 + 8 + 6);  // rows, columns and diagonals
    EXPECT_EQ(SceneFaces.size(), 48u);
}

TEST_F(SubdivideTest, BadIndexLeavesTheModelAlone) {
    fixtures::AddQuad();
    SceneFaces[1].uv[2] = 9;
    EXPECT_THROW(SubdivideSmooth(true, true, false, false), ModelError);
    EXPECT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(SceneVertices.size(), 4u);
}

TEST_F(SubdivideTest, EdgeTableQueries) {
    BuildLiftedGrid();
    BuildVertexEdgeTable();
    BuildUVEdgeTable();
    EXPECT_TRUE(IsBorderEdge(0, 1));
    EXPECT_FALSE(IsBorderEdge(0, 4));
    EXPECT_TRUE(IsBorderEdge(0, 8));  // no such edge
    EXPECT_FALSE(IsUVBorderEdge(4, 1));
    EXPECT_TRUE(IsSplitNormalEdge(0, 1));
    EXPECT_EQ(FindVertexEdge(0, 4), -1);
    AddVertexEdge(0, 4, 17, true, false);
    EXPECT_EQ(FindVertexEdge(0, 4), 17);
    AddVertexEdge(0, 0, 18, true, false);
    EXPECT_EQ(FindVertexEdge(0, 0), -1);
    const tvector p = LoopEdgePoint(4, 1, false);
    EXPECT_NEAR(p.y, 0.375, 1e-12);
    const tvector q = LoopVertexPoint(4, true, false);
    EXPECT_NEAR(q.y, 0.625, 1e-12);
    EXPECT_EQ(UVMidpoint(0, 99), (tvector2{0, 0}));
    FreeVertexEdgeTable();
    FreeUVEdgeTable();
}

// Every entry of the UV edge table counts among its faces each face that has
// both its ends as UVs of two of its corners, also a face with UVs in only
// some corners: its faces are the highest and (when there are two or more)
// the lowest of them, on random meshes around UVs of many edges.
TEST_F(SubdivideTest, UVEdgesCountTheFacesOfPartlyMappedCorners) {
    std::mt19937 rng(9);
    for (int round = 0; round < 40; ++round) {
        fixtures::ResetModel();
        for (int i = 0; i < 12; ++i) Vertex({static_cast<double>(i), static_cast<double>(i * i % 7), 0});
        const int uvs = 3 + static_cast<int>(rng() % 10);
        for (int i = 0; i < uvs; ++i) fixtures::AddUV(0.1 * i, 0);
        const int faces = 5 + static_cast<int>(rng() % 60);
        for (int f = 0; f < faces; ++f) {
            int32_t t[3];
            for (int32_t& k : t) k = rng() % 4 == 0 ? 0 : (rng() % 3 == 0 ? 1 : 1 + static_cast<int32_t>(rng() % uvs));
            fixtures::AddFace(1 + static_cast<int32_t>(rng() % 12), 1 + static_cast<int32_t>(rng() % 12),
                              1 + static_cast<int32_t>(rng() % 12), 0, 0, t[0], t[1], t[2]);
        }
        BuildUVEdgeTable();
        for (int32_t a = 0; a < static_cast<int32_t>(UVEdgeTable.edges.size()); ++a)
            for (const tedge& e : UVEdgeTable.edges[a]) {
                int32_t high = -1, low = -1;
                for (int32_t f = 0; f < static_cast<int32_t>(SceneFaces.size()); ++f) {
                    const tface& face = SceneFaces[f];
                    bool uses = false;
                    for (int c = 0; c < 3; ++c)
                        for (int d = 0; d < 3; ++d)
                            uses = uses || (c != d && face.uv[c] == a + 1 && face.uv[d] == e.other + 1);
                    if (!uses) continue;
                    high = std::max(high, f);
                    low = low < 0 ? f : std::min(low, f);
                }
                ASSERT_EQ(e.face1, high) << round;
                ASSERT_EQ(e.face2, low == high ? -1 : low) << round;
            }
        FreeUVEdgeTable();
    }
}

}  // namespace
