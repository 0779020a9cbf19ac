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

}  // namespace
