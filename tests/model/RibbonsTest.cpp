#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/Connectivity.h"
#include "model/Ribbons.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class RecordingHooks : public WindowHooks {
public:
    void BuildPreviewLists() override { calls.push_back("preview"); }
    void BuildNormalsList() override { calls.push_back("normals"); }
    void FillMaterialList() override { calls.push_back("materials"); }
    void FillGroupList() override { calls.push_back("groups"); }
    std::vector<std::string> calls;
};

class RibbonsTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        Services s;
        s.window = &hooks;
        hooksScope = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        hooksScope.reset();
        ModelTest::TearDown();
    }

    // A polyline through the given points, in group 0 with material m.
    void AddPolylineThrough(const std::vector<tvector>& points, int material = 0) {
        fixtures::EnsureGroup(0);
        fixtures::EnsureMaterial(material);
        tpolyline pl;
        pl.first = static_cast<int32_t>(LineSegments.size());
        int32_t prev = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            tvertex v;
            v.p = points[i];
            SceneVertices.push_back(v);
            const int32_t idx = static_cast<int32_t>(SceneVertices.size());
            if (i > 0) {
                tline l;
                l.vertex[0] = prev;
                l.vertex[1] = idx;
                l.material = material;
                LineSegments.push_back(l);
            }
            prev = idx;
        }
        pl.count = static_cast<int32_t>(LineSegments.size()) - pl.first;
        Polylines.push_back(pl);
    }

    // Half the distance between the two vertices made for point i of the
    // ribbon whose first vertex (1-based) is `firstVertex`.
    static double HalfWidth(int32_t firstVertex, int point) {
        const tvector& a = SceneVertices[firstVertex - 1 + 2 * point].p;
        const tvector& b = SceneVertices[firstVertex + 2 * point].p;
        return VectorLength(SubtractVectors(b, a)) / 2;
    }

    RecordingHooks hooks;
    std::unique_ptr<ScopedServices> hooksScope;
};

TEST_F(RibbonsTest, BentPolylineGivesTwoVerticesPerPointAndTwoFacesPerSegment) {
    // A model whose vertex, normal and UV counts all differ.
    fixtures::AddQuad();  // 4 vertices, 4 UVs
    SceneNormals.resize(3);
    AddPolylineThrough({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    const int32_t v0 = static_cast<int32_t>(SceneVertices.size());
    const int32_t n0 = static_cast<int32_t>(SceneNormals.size());
    const int32_t u0 = static_cast<int32_t>(SceneUVs.size());
    const std::size_t f0 = SceneFaces.size();

    BuildRibbons(true, 0.01, 0.005, 0.1);

    EXPECT_EQ(static_cast<int32_t>(SceneVertices.size()), v0 + 6);
    EXPECT_EQ(static_cast<int32_t>(SceneNormals.size()), n0 + 6);
    EXPECT_EQ(static_cast<int32_t>(SceneUVs.size()), u0 + 6);
    ASSERT_EQ(SceneFaces.size(), f0 + 4);
    ASSERT_EQ(SceneGroups.size(), 2u);
    EXPECT_EQ(SceneGroups[1].name, "converted_lines");
    EXPECT_EQ(SceneGroups[1].faceCount, 4);
    ASSERT_EQ(SceneMaterials.size(), 2u);
    EXPECT_EQ(SceneMaterials[1].name, "roots");

    for (std::size_t f = f0; f < SceneFaces.size(); ++f) {
        const tface& face = SceneFaces[f];
        for (int c = 0; c < 3; ++c) {
            // Each index points at a record this command added, in its own list.
            EXPECT_GT(face.vertex[c], v0);
            EXPECT_LE(face.vertex[c], v0 + 6);
            EXPECT_EQ(face.normal[c] - n0, face.vertex[c] - v0);
            EXPECT_EQ(face.uv[c] - u0, face.vertex[c] - v0);
        }
        EXPECT_EQ(face.group, 1);
        EXPECT_EQ(face.material, f < f0 + 2 ? 1 : 0);  // the first segment takes the root material
    }
    // Corner order of the first two faces: (C-2, C-3, C-1) and (C, C-2, C-1).
    EXPECT_EQ(SceneFaces[f0].vertex[0], v0 + 2);
    EXPECT_EQ(SceneFaces[f0].vertex[1], v0 + 1);
    EXPECT_EQ(SceneFaces[f0].vertex[2], v0 + 3);
    EXPECT_EQ(SceneFaces[f0 + 1].vertex[0], v0 + 4);
    EXPECT_EQ(SceneFaces[f0 + 1].vertex[1], v0 + 2);
    EXPECT_EQ(SceneFaces[f0 + 1].vertex[2], v0 + 3);

    EXPECT_NEAR(HalfWidth(v0 + 1, 0), 0.01, 1e-12);
    EXPECT_NEAR(HalfWidth(v0 + 1, 1), 0.0075, 1e-12);
    EXPECT_NEAR(HalfWidth(v0 + 1, 2), 0.005, 1e-12);
    EXPECT_DOUBLE_EQ(SceneUVs[u0 + 2].u, 0.5);
    EXPECT_DOUBLE_EQ(SceneUVs[u0 + 3].v, 1.0);
    EXPECT_DOUBLE_EQ(SceneUVs[u0 + 5].u, 1.0);
    for (int32_t n = n0; n < n0 + 6; ++n) EXPECT_NEAR(VectorLength(SceneNormals[n].p), 1.0, 1e-12);

    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));
    EXPECT_TRUE(IsTableCurrent(MaterialFaceTable));
    EXPECT_EQ(SceneMaterials[1].faceCount, 2);  // recounted
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"normals", "preview", "materials", "groups"}));
    EXPECT_EQ(Messages().front(), "Building ribbons...");
    EXPECT_EQ(Messages().back(), "Done. 4 faces ,6 vertices , and 6 normals added");
}

TEST_F(RibbonsTest, StraightPolylineStillHasWidthAndSoundNormals) {
    fixtures::AddPolyline(5, 0.5);
    AddPolylineThrough({{0, 0, 0}, {0, 2, 0}, {0, 4, 0}});               // along Y
    AddPolylineThrough({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}});    // straight start, then a bend
    const int32_t v0 = static_cast<int32_t>(SceneVertices.size());

    BuildRibbons(false, 0.02, 0.02, 0.1);

    ASSERT_EQ(SceneFaces.size(), 2u * (4 + 2 + 3));
    const int points = 5 + 3 + 4;
    for (int p = 0; p < points; ++p) {
        EXPECT_NEAR(HalfWidth(v0 + 1, p), 0.02, 1e-9) << p;
        // The normal stands across the ribbon.
        const tvector across = SubtractVectors(SceneVertices[v0 + 2 * p + 1].p, SceneVertices[v0 + 2 * p].p);
        const tvector& n = SceneNormals[2 * p].p;
        EXPECT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z));
        EXPECT_NEAR(VectorLength(n), 1.0, 1e-9);
        EXPECT_NEAR(DotProduct(n, across), 0.0, 1e-9) << p;
    }
    for (const tface& f : SceneFaces) EXPECT_GT(FaceArea(f), 0.0);
    // The extents now follow the ribbons (the lines alone have no faces).
    EXPECT_NEAR(Scene.extents.maximum.y, 4.0, 0.03);
    EXPECT_NEAR(Scene.extents.maximum.x, 2.0, 0.03);
    EXPECT_NEAR(Scene.extents.minimum.y, 0.0, 0.03);
}

TEST_F(RibbonsTest, SingleSegmentsAreLeftAsLines) {
    AddPolylineThrough({{0, 0, 0}, {1, 0, 0}});
    const std::size_t groups = SceneGroups.size(), vertices = SceneVertices.size();
    BuildRibbons(true, 0.01, 0.005, 0.1);
    EXPECT_TRUE(SceneFaces.empty());
    EXPECT_EQ(SceneGroups.size(), groups);
    EXPECT_EQ(SceneVertices.size(), vertices);
    EXPECT_EQ(SceneMaterials.size(), 1u);
    EXPECT_EQ(LineSegments.size(), 1u);
    EXPECT_EQ(Messages().back(), "Done. 0 faces ,0 vertices , and 0 normals added");
}

TEST_F(RibbonsTest, BadIndicesRaiseAndAddNothing) {
    AddPolylineThrough({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    AddPolylineThrough({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    const std::size_t vertices = SceneVertices.size();

    Polylines[1].count = 1000000000;
    EXPECT_THROW(BuildRibbons(false, 0.01, 0.005, 0.1), ModelError);
    Polylines[1].count = 2;
    LineSegments[3].vertex[1] = 99;
    EXPECT_THROW(BuildRibbons(false, 0.01, 0.005, 0.1), ModelError);
    LineSegments[3].vertex[1] = 6;
    LineSegments[2].material = 5;
    EXPECT_THROW(BuildRibbons(false, 0.01, 0.005, 0.1), ModelError);

    EXPECT_EQ(SceneVertices.size(), vertices);
    EXPECT_TRUE(SceneNormals.empty());
    EXPECT_TRUE(SceneFaces.empty());
    EXPECT_EQ(SceneGroups.size(), 1u);
}

}  // namespace
