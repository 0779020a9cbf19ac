#include <gtest/gtest.h>

#include <cmath>

#include "model/Model.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

void ExpectNear(const tvector& a, const tvector& b, double eps = 1e-12) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

tvector Apply(const double m[16], const tvector& p) {
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z, m[4] * p.x + m[5] * p.y + m[6] * p.z,
            m[8] * p.x + m[9] * p.y + m[10] * p.z};
}

TEST(VectorMathTest, NormalizeKeepsTinyDirectionsAndZero) {
    EXPECT_EQ(NormalizeVector({0, 0, 0}), (tvector{0, 0, 0}));
    ExpectNear(NormalizeVector({1e-200, 0, 0}), {1, 0, 0});
    ExpectNear(NormalizeVector({3, 0, 4}), {0.6, 0, 0.8});
}

TEST(VectorMathTest, AnglesAreClampedAndZeroSafe) {
    EXPECT_EQ(VectorAngle({0, 0, 0}, {1, 0, 0}), 0);
    // The cosine of a vector with itself can round just above 1: clamped.
    for (const tvector v : {tvector{0.1, 0.7, 0.3}, tvector{1e-3, 3, 7}, tvector{0.3, 0.3, 0.3}})
        EXPECT_NEAR(VectorAngle(v, v), 0, 3e-8);
    bool sawClamp = false;
    for (int i = 1; i < 200 && !sawClamp; ++i) {
        const tvector v{0.1 * i, 0.37, 1.0 / i};
        const double c = DotProduct(v, v) / (VectorLength(v) * VectorLength(v));
        if (c > 1) {
            sawClamp = true;
            EXPECT_EQ(VectorAngle(v, v), 0);
        }
    }
    EXPECT_TRUE(sawClamp);
    EXPECT_DOUBLE_EQ(VectorAngle({1, 0, 0}, {-1, 0, 0}), Pi);
    EXPECT_NEAR(VectorAngle({1, 0, 0}, {0, 2, 0}), Pi / 2, 1e-15);
}

TEST(VectorMathTest, ScaledNormals) {
    EXPECT_EQ(ScaleNormal({2, 0, 1}, {0.3, 0.3, 0.9}), (tvector{0, 1, 0}));
    EXPECT_EQ(ScaleNormal({0, 0, 0}, {0, 0, 5}), (tvector{0, 0, 5}));
    ExpectNear(ScaleNormal({1, 1, 1}, {0, 3, 4}), {0, 0.6, 0.8});
    ExpectNear(ScaleNormal({2, 1, 1}, {1, 0, 0}), {1, 0, 0});
}

TEST(VectorMathTest, RotationsAgreeBetweenAxisAngleAndQuaternions) {
    ExpectNear(RotateAboutAxis({1, 0, 0}, {0, 0, 1}, Pi / 2), {0, 1, 0});
    ExpectNear(RotateAboutAxis({0, 1, 0}, {1, 0, 0}, Pi / 2), {0, 0, 1});
    const tvector axis = NormalizeVector({1, 2, 3});
    const tvector p{0.3, -1.2, 2.5};
    for (double a : {0.1, 1.0, 2.5, -0.7}) {
        double m[16];
        QuatToMatrix(QuatFromAxisAngle(axis, a), m);
        ExpectNear(Apply(m, p), RotateAboutAxis(p, axis, a), 1e-12);
    }
    // Products compose like the rotations they stand for.
    const tquaternion q1 = QuatFromAxisAngle({0, 0, 1}, 0.4), q2 = QuatFromAxisAngle({1, 0, 0}, 1.1);
    double m[16];
    QuatToMatrix(QuatMultiply(q1, q2), m);
    ExpectNear(Apply(m, p), RotateAboutAxis(RotateAboutAxis(p, {1, 0, 0}, 1.1), {0, 0, 1}, 0.4), 1e-12);
}

TEST(VectorMathTest, QuaternionEdgeCases) {
    EXPECT_EQ(QuatNormalize({0, 0, 0, 0}), (tquaternion{1, 0, 0, 0}));
    double angle = -1;
    tvector axis;
    QuatToAxisAngle({1, 0, 0, 0}, angle, axis);
    EXPECT_EQ(angle, 0);
    EXPECT_EQ(axis, (tvector{0, 1, 0}));
    // A scalar part a rounding step above 1 must not give NaN.
    QuatToAxisAngle({1 + 1e-15, 0, 0, 0}, angle, axis);
    EXPECT_TRUE(std::isfinite(angle));
    EXPECT_TRUE(std::isfinite(axis.x) && std::isfinite(axis.y) && std::isfinite(axis.z));
    QuatToAxisAngle(QuatFromAxisAngle({0, 1, 0}, 0.5), angle, axis);
    EXPECT_NEAR(angle, 0.5, 1e-12);
    ExpectNear(axis, {0, 1, 0}, 1e-12);

    double angles[3] = {0, 0, 0};
    QuatToAngles({1, 0, 0, 0}, angles);
    EXPECT_EQ(angles[0], 0);
    EXPECT_EQ(angles[1], 0);
}

TEST(VectorMathTest, DirectionAnglesInvertTheLightPlacement) {
    const tvector d = NormalizeVector({1, 2, -3});
    const tvector a = DirectionToXYAngles(d);
    tvector p{0, 0, 1};
    p = RotateAboutAxis(p, {1, 0, 0}, a.x);
    p = RotateAboutAxis(p, {0, 1, 0}, a.y);
    ExpectNear(p, d, 1e-12);
}

class LightPlacementTest : public fixtures::ModelTest {};

TEST_F(LightPlacementTest, LightsSitOnASphereAboutTheModel) {
    tvector p;
    LightPositionFromAngles({0, 0, 0}, p);
    ExpectNear(p, {0, 0, 4});
    Scene.extents.center = {1, 1, 1};
    LightPositionFromAngles({90, 0, 0}, p);
    ExpectNear(p, {1, -3, 1}, 1e-12);
    LightDistanceFactor = 1.0;
    LightPositionFromAngles({0, 90, 0}, p);
    LightDistanceFactor = 2.0;
    ExpectNear(p, {3, 1, 1}, 1e-12);
}

TEST_F(LightPlacementTest, FaceMeasures) {
    fixtures::AddQuad();
    EXPECT_DOUBLE_EQ(FaceArea(SceneFaces[0]), 0.5);
    ExpectNear(FaceNormal(SceneFaces[0]), {0, 0, 1});
    EXPECT_NEAR(FaceCornerAngle(1, SceneFaces[0]), Pi / 4, 1e-15);
    EXPECT_NEAR(FaceCornerAngle(2, SceneFaces[0]), Pi / 2, 1e-15);
    tface f = SceneFaces[0];
    f.vertex[2] = f.vertex[1];
    EXPECT_EQ(FaceArea(f), 0);
    f.vertex[0] = 99;
    EXPECT_THROW(FaceArea(f), ModelError);
}

TEST(VectorMathTest, LightColourStatistics) {
    std::vector<tlight> lights(2);
    lights[0].color = {1, 0, 0};
    lights[0].intensity = 0.5;
    lights[1].color = {0, 1, 1};
    const tlightcolorstats s = LightColorStats(lights);
    EXPECT_EQ(s.sum, (tvector{0.5, 1, 1}));
    EXPECT_EQ(s.minimum, (tvector{0, 0, 0}));
    EXPECT_EQ(s.maximum, (tvector{0.5, 1, 1}));
    EXPECT_DOUBLE_EQ(s.luminance, 0.15 + 0.59 + 0.11);
    const tlightcolorstats none = LightColorStats({});
    EXPECT_EQ(none.minimum, (tvector{0, 0, 0}));
}

TEST(VectorMathTest, BitHelpersIgnoreBitsOutsideTheWord) {
    uint16_t w = 0xFFFF;
    ClearWordBit(w, 3);
    EXPECT_EQ(w, 0xFFF7);
    ClearWordBit(w, 20);
    EXPECT_EQ(w, 0xFFF7);
    EXPECT_FALSE(WordBitSet(w, 3));
    EXPECT_TRUE(WordBitSet(w, 15));
    EXPECT_FALSE(WordBitSet(w, 31));
    uint32_t x = 0xFFFFFFFFu;
    ClearBit(x, 31);
    EXPECT_EQ(x, 0x7FFFFFFFu);
}

}  // namespace
