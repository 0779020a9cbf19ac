#include <gtest/gtest.h>

#include "model/Connectivity.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class ConnectivityTest : public fixtures::ModelTest {};

std::vector<int32_t> FacesOf(const tfacetable& t, int32_t key) { return {t.Begin(key), t.End(key)}; }

TEST_F(ConnectivityTest, TablesListTheHighestFaceFirst) {
    fixtures::AddGrid(2, 1);  // 4 faces, vertex 1 is a corner of faces 0 and 1
    fixtures::EnsureMaterial(1);
    SceneFaces[2].material = 1;
    BuildVertexFaceTable();
    BuildMaterialFaceTable();
    BuildUVFaceTable();
    EXPECT_EQ(VertexFaceTable.KeyCount(), static_cast<int32_t>(SceneVertices.size()) + 1);
    EXPECT_EQ(FacesOf(VertexFaceTable, 1), (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(FacesOf(VertexFaceTable, 0), (std::vector<int32_t>{}));
    EXPECT_EQ(FacesOf(MaterialFaceTable, 0), (std::vector<int32_t>{3, 1, 0}));
    EXPECT_EQ(FacesOf(MaterialFaceTable, 1), (std::vector<int32_t>{2}));
    EXPECT_EQ(FacesOf(UVFaceTable, 1), (std::vector<int32_t>{1, 0}));
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));
    TopologyChanged();
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable));
}

TEST_F(ConnectivityTest, AFaceUsingAVertexTwiceIsListedTwice) {
    fixtures::AddQuad();
    SceneFaces[1].vertex[2] = SceneFaces[1].vertex[0];
    BuildVertexFaceTable();
    EXPECT_EQ(FacesOf(VertexFaceTable, 1), (std::vector<int32_t>{1, 1, 0}));
    EXPECT_EQ(FindFaceCorner(1, SceneFaces[1]), 3);
    EXPECT_EQ(FindFaceCorner(2, SceneFaces[1]), -1);
}

TEST_F(ConnectivityTest, VertexUVsFollowTheVertexFaces) {
    fixtures::AddQuad();
    SceneFaces[1].uv[0] = 0;  // face 1 has no UV at vertex 1
    BuildVertexFaceTable();
    std::vector<int32_t> uvs;
    CollectVertexUVs(0, uvs);
    EXPECT_EQ(uvs, (std::vector<int32_t>{0}));
    CollectVertexUVs(2, uvs);  // vertex 3: faces 1 then 0
    EXPECT_EQ(uvs, (std::vector<int32_t>{2, 2}));
}

TEST_F(ConnectivityTest, BadIndicesRaiseInsteadOfReadingOutside) {
    fixtures::AddQuad();
    SceneFaces[0].vertex[1] = 40;
    EXPECT_THROW(BuildVertexFaceTable(), ModelError);
    SceneFaces[0].vertex[1] = 2;
    SceneFaces[0].material = -1;
    EXPECT_THROW(BuildMaterialFaceTable(), ModelError);
}

// The tables built together are the tables built one by one; a table is
// built again only when the model changed since, or no longer fits its
// lists.
TEST_F(ConnectivityTest, StaleTablesAreBuiltOnceAndTogether) {
    fixtures::AddSphere(5, 7);
    fixtures::AddGrid(3, 2, 1.0, 1, 2);
    SceneFaces[4].uv[1] = 0;
    BuildVertexFaceTable();
    BuildMaterialFaceTable();
    BuildUVFaceTable();
    const tfacetable vertex = VertexFaceTable, material = MaterialFaceTable, uv = UVFaceTable;
    auto same = [](const tfacetable& a, const tfacetable& b) { return a.offsets == b.offsets && a.faces == b.faces; };

    TopologyChanged();
    EnsureFaceTables();
    EXPECT_TRUE(same(VertexFaceTable, vertex) && same(MaterialFaceTable, material) && same(UVFaceTable, uv));
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable) && IsTableCurrent(MaterialFaceTable) && IsTableCurrent(UVFaceTable));

    // Current tables are left alone: a mark put into them stays.
    VertexFaceTable.faces[0] = MaterialFaceTable.faces[0] = UVFaceTable.faces[0] = -7;
    EnsureFaceTables();
    EnsureVertexFaceTable();
    EnsureUVFaceTable();
    EXPECT_EQ(VertexFaceTable.faces[0] + MaterialFaceTable.faces[0] + UVFaceTable.faces[0], -21);

    // After a change each is built again, alone or together.
    TopologyChanged();
    EnsureVertexFaceTable();
    EXPECT_TRUE(same(VertexFaceTable, vertex));
    EXPECT_EQ(MaterialFaceTable.faces[0], -7);
    EnsureFaceTables();
    EXPECT_TRUE(same(MaterialFaceTable, material) && same(UVFaceTable, uv));

    // A list that grew without the change being announced: built again.
    SceneVertices.push_back(SceneVertices.front());
    SceneMaterials.push_back(SceneMaterials.front());
    SceneFaces.push_back(SceneFaces.front());
    EnsureFaceTables();
    EXPECT_EQ(VertexFaceTable.KeyCount(), static_cast<int32_t>(SceneVertices.size()) + 1);
    EXPECT_EQ(MaterialFaceTable.KeyCount(), static_cast<int32_t>(SceneMaterials.size()));
    EXPECT_EQ(VertexFaceTable.faces.size(), 3 * SceneFaces.size());
}

}  // namespace
