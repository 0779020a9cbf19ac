#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

int32_t Vertex(tvector p) { return fixtures::AddVertex(p.x, p.y, p.z); }

int32_t Normal(tvector p) { return fixtures::AddNormal(p.x, p.y, p.z); }

int Face(int32_t a, int32_t b, int32_t c, int group = 0, int material = 0) {
    return fixtures::AddFace(a, b, c, group, material);
}

void ExpectVector(const tvector& got, const tvector& want) {
    EXPECT_NEAR(got.x, want.x, 1e-12);
    EXPECT_NEAR(got.y, want.y, 1e-12);
    EXPECT_NEAR(got.z, want.z, 1e-12);
}

const double Root2 = std::sqrt(2.0);
const double A = 1.0 / Root2;

// Four triangles around the origin O (vertex 1), each with its own other
// corners. f0, f1, f3 lie in the XY plane (normal +Z) with corner angles at O
// of 45, 90 and 90 degrees and areas 0.5, 1 and 0.5; f2 is tilted by 45
// degrees (normal (0, A, A)), angle 90, area sqrt 2. Around O the faces are
// met as f3, f2, f1, f0.
void BuildFan() {
    const int32_t o = Vertex({0, 0, 0});
    Face(o, Vertex({1, 0, 0}), Vertex({1, 1, 0}));
    Face(o, Vertex({0, 1, 0}), Vertex({-2, 0, 0}));
    Face(o, Vertex({-2, 0, 0}), Vertex({0, -1, 1}));
    Face(o, Vertex({0, -1, 0}), Vertex({1, 0, 0}));
}

class NormalsTest : public fixtures::ModelTest {};

TEST_F(NormalsTest, EachModeWeighsTheFacesAsDefined) {
    const double h = Pi / 2, q = Pi / 4;
    struct Case {
        int mode;
        tvector sum;
    } cases[] = {
        {NormalSum, {0, A, 3 + A}},
        {AngleWeightedSum, {0, A * h, h + A * h + h + q}},
        {UniqueNormalSum, {0, A, 1 + A}},  // three coplanar faces count once
        {InverseAreaSum, {0, A / Root2, 2 + A / Root2 + 1 + 2}},
        {7, {0, 0, 1}},  // an unknown mode: the first face alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        fixtures::ResetModel();
        BuildFan();
        CalcVertexNormals(c.mode, 60 * DegToRad);
        ASSERT_EQ(SceneNormals.size(), 9u);  // one at O, one at each other corner
        for (const tface& f : SceneFaces) EXPECT_EQ(f.normal[0], 1);
        ExpectVector(SceneNormals[0].p, NormalizeVector(c.sum));
        ExpectVector(SceneNormals[SceneFaces[2].normal[2] - 1].p, {0, A, A});
        EXPECT_EQ(SceneNormals[0].mark, 0);
    }
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));
}

TEST_F(NormalsTest, CreaseAngleSplitsAgainstTheFirstFaceOfAGroup) {
    BuildFan();
    CalcVertexNormals(NormalSum, 30 * DegToRad);
    // f3 opens the group and takes f1 and f0; f2 (45 degrees off) opens a second.
    EXPECT_EQ(SceneFaces[3].normal[0], 1);
    EXPECT_EQ(SceneFaces[1].normal[0], 1);
    EXPECT_EQ(SceneFaces[0].normal[0], 1);
    EXPECT_EQ(SceneFaces[2].normal[0], 2);
    ExpectVector(SceneNormals[0].p, {0, 0, 1});
    ExpectVector(SceneNormals[1].p, {0, A, A});
    EXPECT_EQ(SceneNormals.size(), 10u);
}

// The new normals of a model whose faces are all selected, as the rule
// reads: around each vertex its faces from the last to the first (a face
// that uses it twice, twice); in mode 2 a face whose normal repeats that of
// a counted one before it is not counted; each face not yet in a group
// opens one and takes every later one not yet in a group whose normal's dot
// product with its own is above cos(crease) and cos(179.5 degrees); the
// group's normal is the sum of their weighted normals in that order.
std::pair<std::vector<tvector>, std::vector<int32_t>> NormalsByTheRule(int mode, double crease) {
    std::vector<tvector> normals;
    std::vector<int32_t> corners(3 * SceneFaces.size(), 0);
    const auto weighted = [&](int32_t f, int32_t v) {
        const tface& face = SceneFaces[f];
        const double area = FaceArea(face);
        return mode == AngleWeightedSum ? ScaleVector(FaceNormal(face), FaceCornerAngle(FindFaceCorner(v, face), face))
               : mode == InverseAreaSum ? ScaleVector(FaceNormal(face), 1 / (area < Epsilon ? 1 : area))
                                        : FaceNormal(face);
    };
    for (int32_t v = 1; v <= static_cast<int32_t>(SceneVertices.size()); ++v) {
        std::vector<int32_t> faces;
        for (int32_t f = static_cast<int32_t>(SceneFaces.size()) - 1; f >= 0; --f)
            for (int c = 0; c < 3; ++c)
                if (SceneFaces[f].vertex[c] == v) faces.push_back(f);
        const std::size_t n = faces.size();
        const auto dot = [&](std::size_t a, std::size_t b) {
            return DotProduct(FaceNormal(SceneFaces[faces[a]]), FaceNormal(SceneFaces[faces[b]]));
        };
        std::vector<bool> counted(n, true), grouped(n, false);
        for (std::size_t a = 0; a < n && mode == UniqueNormalSum; ++a)
            for (std::size_t b = 0; b < n && counted[a]; ++b)
                if (b != a && dot(a, b) > 1 - Epsilon) counted[b] = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (grouped[i]) continue;
            tvector sum = weighted(faces[i], v);
            corners[3 * faces[i] + FindFaceCorner(v, SceneFaces[faces[i]]) - 1] = static_cast<int32_t>(normals.size()) + 1;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (grouped[j] || !(dot(i, j) > std::cos(crease) && dot(i, j) > std::cos(179.5 * DegToRad))) continue;
                grouped[j] = true;
                corners[3 * faces[j] + FindFaceCorner(v, SceneFaces[faces[j]]) - 1] = static_cast<int32_t>(normals.size()) + 1;
                if (mode >= NormalSum && mode <= InverseAreaSum && counted[j]) sum = AddVectors(sum, weighted(faces[j], v));
            }
            const tvector normal = NormalizeVector(sum);
            normals.push_back(VectorLength(normal) >= Epsilon ? normal : tvector{1, 0, 0});
        }
    }
    return {normals, corners};
}

TEST_F(NormalsTest, FansOfManyFacesGetTheNormalsOfTheRule) {
    // Around one vertex 33 to 400 faces whose normals lie near a few or many
    // directions, from bit for bit equal to far apart, at every crease
    // angle; some faces repeated, some without area, some so small that
    // their normals are not of unit length, some with a corner at NaN.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(-1, 1);
    int round = 0;
    for (const double crease : {0.0, 1e-9, 1e-4, 0.2, 35 * DegToRad, 90 * DegToRad, 150 * DegToRad, Pi, 4.0, -0.3})
        for (const double spread : {0.0, 1e-15, 1e-9, 1e-6, 1e-3, 0.3, 2.0})
            for (int again = 0; again < 2; ++again, ++round) {
                fixtures::ResetModel();
                const int32_t o = round % 2 ? Vertex({unit(rng), unit(rng), unit(rng)}) : Vertex({0, 0, 0});
                const tvector at = SceneVertices[0].p;
                std::vector<tvector> directions = {{0, 0, 1}, {0, 0, -1}};
                for (int k = again ? 40 : rng() % 4; k > 0; --k)
                    directions.push_back(NormalizeVector({unit(rng), unit(rng), unit(rng)}));
                const int faces = 33 + static_cast<int>(rng() % 368);
                const bool allSmall = round % 4 == 2;  // around the origin
                for (int f = 0; f < faces; ++f) {
                    // Now and then the last face, the first around the vertex, has a NaN.
                    const int kind = f + 1 == faces && round % 3 == 0 ? 3 : allSmall ? 2 : static_cast<int>(rng() % 20);
                    if (kind == 0 && f > 0) {
                        const tface last = SceneFaces.back();
                        Face(last.vertex[0], last.vertex[1], last.vertex[2]);
                        continue;
                    }
                    tvector n = directions[rng() % directions.size()];
                    if (n.x != 0 || rng() % 2)
                        n = NormalizeVector(AddVectors(n, ScaleVector({unit(rng), unit(rng), unit(rng)}, spread)));
                    const tvector u = NormalizeVector(CrossProduct(n, std::fabs(n.x) < 0.5 ? tvector{1, 0, 0} : tvector{0, 1, 0}));
                    const double size = kind == 2 ? 1e-80 : 1;
                    const tvector w = ScaleVector(CrossProduct(n, u), (0.5 + unit(rng) * 0.4) * size);
                    Face(o, kind == 1 ? o : Vertex(AddVectors(at, ScaleVector(u, size))),
                         Vertex(kind == 3 ? tvector{std::nan(""), 0, 0} : AddVectors(at, w)));
                }
                const int mode = static_cast<int>(rng() % 5);
                const auto [normals, corners] = NormalsByTheRule(mode, crease);
                CalcVertexNormals(mode, crease);
                SCOPED_TRACE(testing::Message() << "round " << round << ", mode " << mode << ", crease " << crease);
                ASSERT_EQ(SceneNormals.size(), normals.size());
                for (std::size_t i = 0; i < normals.size(); ++i) ASSERT_EQ(SceneNormals[i].p, normals[i]) << "normal " << i;
                for (std::size_t f = 0; f < SceneFaces.size(); ++f)
                    for (int c = 0; c < 3; ++c) ASSERT_EQ(SceneFaces[f].normal[c], corners[3 * f + c]) << "face " << f;
            }
}

TEST_F(NormalsTest, FacesAlmostOppositeNeverShareANormal) {
    for (double degrees : {179.7, 179.0}) {
        fixtures::ResetModel();
        const int32_t o = Vertex({0, 0, 0});
        Face(o, Vertex({1, 0, 0}), Vertex({0, 1, 0}));
        const tvector p = RotateAboutAxis({0, 1, 0}, {1, 0, 0}, degrees * DegToRad);
        Face(o, Vertex({1, 0, 0}), Vertex(p));
        CalcVertexNormals(NormalSum, Pi);
        const bool shared = SceneFaces[0].normal[0] == SceneFaces[1].normal[0];
        EXPECT_EQ(shared, degrees < 179.5) << degrees;
    }
}

TEST_F(NormalsTest, HiddenAndUnselectedFacesKeepTheirNormals) {
    const int32_t keptA = Normal({0.6, 0, 0.8});
    const int32_t keptB = Normal({0, 1, 0});
    Normal({0, 0, -1});  // used by a selected face only: dropped
    const int32_t o = Vertex({0, 0, 0});
    const int visible = Face(o, Vertex({1, 0, 0}), Vertex({0, 1, 0}));
    const int hidden = Face(o, Vertex({0, 0, 1}), Vertex({1, 0, 0}), 1, 0);
    const int unselected = Face(Vertex({5, 0, 0}), Vertex({6, 0, 0}), Vertex({5, 1, 0}), 0, 1);
    SceneGroups[1].visible = 0;
    SceneMaterials[1].selected = 0;
    SceneFaces[visible].normal[0] = 3;
    SceneFaces[hidden].normal[0] = keptB;
    SceneFaces[hidden].normal[1] = keptB;
    SceneFaces[hidden].normal[2] = keptA;
    SceneFaces[unselected].normal[1] = keptA;

    CalcVertexNormals(AngleWeightedSum, 80 * DegToRad);

    // Carried over first, in the order of first use; then the new ones.
    ASSERT_EQ(SceneNormals.size(), 5u);
    ExpectVector(SceneNormals[0].p, {0, 1, 0});
    ExpectVector(SceneNormals[1].p, {0.6, 0, 0.8});
    EXPECT_EQ(SceneFaces[hidden].normal[0], 1);
    EXPECT_EQ(SceneFaces[hidden].normal[1], 1);
    EXPECT_EQ(SceneFaces[hidden].normal[2], 2);
    EXPECT_EQ(SceneFaces[unselected].normal[0], 0);
    EXPECT_EQ(SceneFaces[unselected].normal[1], 2);
    EXPECT_EQ(SceneFaces[unselected].normal[2], 0);
    // At O the visible face's new normal sees only the visible face.
    EXPECT_EQ(SceneFaces[visible].normal[0], 3);
    ExpectVector(SceneNormals[2].p, {0, 0, 1});
}

TEST_F(NormalsTest, ZeroSumBecomesTheXAxis) {
    // A face whose corners coincide has no normal: its vertices get (1, 0, 0).
    const int32_t o = Vertex({0, 0, 0});
    Face(o, Vertex({0, 0, 0}), Vertex({0, 0, 0}));
    CalcVertexNormals(InverseAreaSum, 35 * DegToRad);
    ASSERT_EQ(SceneNormals.size(), 3u);
    ExpectVector(SceneNormals[0].p, {1, 0, 0});
}

TEST_F(NormalsTest, BadNormalIndexLeavesNormalsAlone) {
    BuildFan();
    Normal({0, 0, 1});
    SceneFaces[0].normal[1] = 7;
    EXPECT_THROW(CalcVertexNormals(NormalSum, 1.0), ModelError);
    EXPECT_EQ(SceneNormals.size(), 1u);
    EXPECT_EQ(SceneFaces[0].normal[1], 7);
}

// ---- Splitting ----------------------------------------------------------

class SplitTest : public fixtures::ModelTest {};

TEST_F(SplitTest, CopiesAreHandedOutFromTheLastBackwards) {
    for (int n = 0; n < 9; ++n) Normal({0, 0, 1});
    const int32_t o = Vertex({0, 0, 0}), p = Vertex({1, 0, 0}), q = Vertex({0, 1, 0});
    const int normalsAtO[4] = {9, 7, 5, 5};  // f0..f3; met as f3, f2, f1, f0
    for (int f = 0; f < 4; ++f) {
        Face(o, p, q);
        SceneFaces[f].normal[0] = normalsAtO[f];
        SceneFaces[f].normal[1] = SceneFaces[f].normal[2] = 1;
    }
    SplitVertices(0);
    ASSERT_EQ(SceneVertices.size(), 5u);
    EXPECT_EQ(SceneFaces[3].vertex[0], 1);
    EXPECT_EQ(SceneFaces[2].vertex[0], 1);
    EXPECT_EQ(SceneFaces[1].vertex[0], 5);  // normal 7: the second copy
    EXPECT_EQ(SceneFaces[0].vertex[0], 4);  // normal 9: the first copy
    for (const tface& f : SceneFaces) EXPECT_EQ(f.vertex[1], 2);
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable));

    // Any other mode: every face after the first gets its own copy.
    for (tface& f : SceneFaces) f.vertex[0] = 1;
    SceneVertices.resize(3);
    SplitVertices(5);
    ASSERT_EQ(SceneVertices.size(), 3u + 3 * 3);  // O, P and Q: three copies each
    EXPECT_EQ(SceneFaces[3].vertex[0], 1);
    EXPECT_EQ(SceneFaces[2].vertex[0], 6);
    EXPECT_EQ(SceneFaces[1].vertex[0], 5);
    EXPECT_EQ(SceneFaces[0].vertex[0], 4);
}

TEST_F(SplitTest, CreasedCubeSplitsIntoTwentyFourVertices) {
    fixtures::AddCube();
    CalcVertexNormals(NormalSum, 35 * DegToRad);
    EXPECT_EQ(SceneNormals.size(), 24u);
    std::vector<tvector> corners;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) corners.push_back(SceneVertices[f.vertex[c] - 1].p);
    SplitVertices(0);
    ASSERT_EQ(SceneVertices.size(), 24u);
    // Every vertex now carries exactly one normal, and no corner moved.
    std::vector<int32_t> normalOf(25, 0);
    std::size_t k = 0;
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            int32_t& n = normalOf[f.vertex[c]];
            if (n == 0) n = f.normal[c];
            EXPECT_EQ(n, f.normal[c]);
            EXPECT_EQ(SceneVertices[f.vertex[c] - 1].p, corners[k++]);
        }
}

}  // namespace
