#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "model/Model.h"
#include "model/Selection.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class ProjectionTest : public fixtures::ModelTest {};

const tuv& CornerUV(const tface& f, int c) { return SceneUVs[static_cast<std::size_t>(f.uv[c]) - 1]; }
const tvector& CornerPos(const tface& f, int c) { return SceneVertices[static_cast<std::size_t>(f.vertex[c]) - 1].p; }

void ExpectAllNewUVsInUnitRange(std::size_t firstNew) {
    for (std::size_t i = firstNew; i < SceneUVs.size(); ++i) {
        EXPECT_TRUE(std::isfinite(SceneUVs[i].u) && std::isfinite(SceneUVs[i].v)) << i;
        EXPECT_GE(SceneUVs[i].u, -1e-12);
        EXPECT_LE(SceneUVs[i].u, 1 + 1e-12);
        EXPECT_GE(SceneUVs[i].v, -1e-12);
        EXPECT_LE(SceneUVs[i].v, 1 + 1e-12);
    }
}

// An open tube of `segments` quads around the axis: place(angle, height).
void AddTube(int segments, const std::function<tvector(double, double)>& place) {
    fixtures::EnsureGroup(0);
    fixtures::EnsureMaterial(0);
    const int32_t base = static_cast<int32_t>(SceneVertices.size());
    for (int s = 0; s < segments; ++s)
        for (int h = 0; h < 2; ++h) SceneVertices.push_back(tvertex{place(2 * Pi * s / segments, h), 0});
    auto at = [&](int s, int h) { return base + 1 + 2 * (s % segments) + h; };
    for (int s = 0; s < segments; ++s) {
        tface a, b;
        a.vertex[0] = at(s, 0), a.vertex[1] = at(s + 1, 0), a.vertex[2] = at(s + 1, 1);
        b.vertex[0] = at(s, 0), b.vertex[1] = at(s + 1, 1), b.vertex[2] = at(s, 1);
        SceneFaces.push_back(a);
        SceneFaces.push_back(b);
    }
}

TEST_F(ProjectionTest, PlanarAlongZMapsTheUnitQuadOntoItself) {
    fixtures::AddQuad();
    const uint64_t generation = TopologyGeneration;
    ProjectUVs({0, 0, 5}, ProjectPlanar);
    ASSERT_EQ(SceneUVs.size(), 4u + 6u);  // the old UVs stay
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            EXPECT_GT(f.uv[c], 4);
            EXPECT_NEAR(CornerUV(f, c).u, CornerPos(f, c).x, 1e-12);
            EXPECT_NEAR(CornerUV(f, c).v, CornerPos(f, c).y, 1e-12);
        }
    EXPECT_NE(TopologyGeneration, generation);
}

TEST_F(ProjectionTest, MaterialRotationTurnsThePlanarProjection) {
    fixtures::AddQuad();
    SceneMaterials[0].mapRotation = {0, 0, Pi / 2};
    ProjectUVs({0, 0, 1}, ProjectPlanar);
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(CornerUV(f, c).u, CornerPos(f, c).y, 1e-12);
            EXPECT_NEAR(CornerUV(f, c).v, 1 - CornerPos(f, c).x, 1e-12);
        }
}

TEST_F(ProjectionTest, EdgeOnSelectionHasAZeroRangeAndStaysFinite) {
    fixtures::AddQuad();  // in the XY plane, seen edge-on along X
    ProjectUVs({1, 0, 0}, ProjectPlanar);
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(CornerUV(f, c).u, 0, 1e-12);
            EXPECT_NEAR(CornerUV(f, c).v, CornerPos(f, c).y, 1e-12);
        }
    // A single point in every direction.
    fixtures::ResetModel();
    fixtures::AddQuad();
    for (tvertex& v : SceneVertices) v.p = {3, 3, 3};
    ProjectUVs({0, 1, 0}, ProjectSpherical);
    ExpectAllNewUVsInUnitRange(4);
}

TEST_F(ProjectionTest, HiddenAndDeselectedFacesAreNotProjected) {
    fixtures::AddQuad(0, 0);
    fixtures::AddQuad(1, 1);
    SceneGroups[1].visible = 0;
    ProjectUVs({0, 0, 1}, ProjectPlanar);
    EXPECT_LE(SceneFaces[2].uv[0], 8);
    EXPECT_LE(SceneFaces[3].uv[2], 8);
    EXPECT_EQ(SceneUVs.size(), 8u + 6u);
    SceneGroups[1].visible = 1;
    SceneMaterials[1].selected = 0;
    ProjectUVs({0, 0, 1}, ProjectCylindrical);
    EXPECT_LE(SceneFaces[3].uv[2], 8);
    EXPECT_EQ(SceneUVs.size(), 8u + 12u);
    ProjectUVs({0, 0, 1}, 4);
    ProjectUVs({0, 0, 1}, -1);
    EXPECT_EQ(SceneUVs.size(), 8u + 12u);
}

TEST_F(ProjectionTest, CylindricalUnwrapsTheSeamAndRunsAlongTheAxis) {
    // A tube around Z: v must follow z (the axis is turned onto +Y).
    AddTube(16, [](double a, double h) { return tvector{std::cos(a), std::sin(a), h}; });
    ProjectUVs({0, 0, 1}, ProjectCylindrical);
    ExpectAllNewUVsInUnitRange(0);
    for (const tface& f : SceneFaces) {
        double lo = 1, hi = 0;
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(CornerUV(f, c).v, CornerPos(f, c).z, 1e-9);
            lo = std::min(lo, CornerUV(f, c).u);
            hi = std::max(hi, CornerUV(f, c).u);
        }
        EXPECT_LT(hi - lo, 0.5);  // no face wraps across the seam
    }
}

TEST_F(ProjectionTest, SphericalAndMapScale) {
    fixtures::AddSphere(8, 16, 2.0);
    ProjectUVs({0, 1, 0}, ProjectSpherical);
    ExpectAllNewUVsInUnitRange(0);
    // The top vertex (0, 2, 0) gets the largest v.
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c)
            if (CornerPos(f, c).y == 2.0) {
                EXPECT_NEAR(CornerUV(f, c).v, 1, 1e-9);
            }

    // A negative first map scale turns v round.
    SceneMaterials[0].mapScale[0] = -1;
    ProjectUVs({0, 1, 0}, ProjectSpherical);
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c)
            if (CornerPos(f, c).y == 2.0) {
                EXPECT_NEAR(CornerUV(f, c).v, 0, 1e-9);
            }
}

TEST_F(ProjectionTest, CubicProjectsEachFaceAlongItsDominantAxis) {
    fixtures::AddCube(2.0);
    // A face whose normal ties between X and Y.
    const int32_t a = static_cast<int32_t>(SceneVertices.size()) + 1;
    SceneVertices.push_back(tvertex{{0, 0, 0}, 0});
    SceneVertices.push_back(tvertex{{0, 0, 1}, 0});
    SceneVertices.push_back(tvertex{{1, -1, 0}, 0});
    tface tie;
    tie.vertex[0] = a, tie.vertex[1] = a + 1, tie.vertex[2] = a + 2;
    SceneFaces.push_back(tie);

    ProjectUVs({0, 0, 0}, ProjectCubic);
    // 12 cube faces once each, the tie face twice (X, then Y).
    EXPECT_EQ(SceneUVs.size(), 3u * 12u + 6u);
    ExpectAllNewUVsInUnitRange(0);
    // Passes X, Y, Z in turn, faces in list order: X gives UVs 1-15 (the tie
    // face 13-15), Y 16-30 (the tie face 28-30, which it keeps), Z 31-42.
    const tface& t = SceneFaces.back();
    EXPECT_EQ(t.uv[0], 28);
    EXPECT_EQ(t.uv[2], 30);
    for (std::size_t i = 0; i + 1 < SceneFaces.size(); ++i) {
        const tvector n = FaceNormal(SceneFaces[i]);
        const int32_t uv = SceneFaces[i].uv[0];
        if (std::fabs(n.x) > 0.5) {
            EXPECT_LE(uv, 12) << i;
        }
        if (std::fabs(n.y) > 0.5) {
            EXPECT_TRUE(uv >= 16 && uv <= 27) << i;
        }
        if (std::fabs(n.z) > 0.5) {
            EXPECT_GE(uv, 31) << i;
        }
    }
}

}  // namespace
