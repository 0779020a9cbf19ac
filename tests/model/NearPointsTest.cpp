// The closeness tests of many UVs or face normals at one vertex give the
// answers of the test of every pair, on random sets around the tolerances
// and with the special values (NaN, infinities, zero, normals a hair too long
// or too short).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "model/NearPoints.h"
#include "model/VectorMath.h"

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(NearPoints, AnyTwoWithinAnswersAsEveryPair) {
    std::mt19937 rng(11);
    const double tolerances[] = {1e-8, 0.25, 0, -1, NaN, Inf};
    const double offsets[] = {0, 0.5e-8, 0.999e-8, 1e-8, 1.001e-8, 2e-8, 0.1, 0.2499, 0.25, 0.3};
    const double specials[] = {NaN, Inf, -Inf, 1e300, -1e300, 0.0, -0.0};
    int closeSeen = 0, farSeen = 0;
    for (int round = 0; round < 400; ++round) {
        const double tolerance = tolerances[rng() % std::size(tolerances)];
        std::vector<tvector2> points;
        const std::size_t count = rng() % 2 ? rng() % 33 : 33 + rng() % 150;
        for (std::size_t i = 0; i < count; ++i) {
            auto value = [&] {
                if (rng() % 40 == 0) return specials[rng() % std::size(specials)];
                return static_cast<double>(rng() % 100) * 0.37 + offsets[rng() % std::size(offsets)];
            };
            const double a = value(), b = value();
            points.push_back({a, b});
        }
        bool expected = false;
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            for (std::size_t j = i + 1; j < points.size(); ++j)
                expected = expected || (std::fabs(points[i].a - points[j].a) < tolerance &&
                                        std::fabs(points[i].b - points[j].b) < tolerance);
        (expected ? closeSeen : farSeen) += count > 32 ? 1 : 0;
        ASSERT_EQ(AnyTwoWithin(points, tolerance), expected) << "round " << round;
    }
    EXPECT_GT(closeSeen, 30);
    EXPECT_GT(farSeen, 30);
}

TEST(NearPoints, KeepFirstOfRepeatedNormalsKeepsAsEveryPair) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    // Directions, and turns of about the angle at which two unit normals
    // repeat each other (1.4e-5) or a little more or less.
    std::vector<tvector> directions;
    for (int i = 0; i < 12; ++i) directions.push_back(NormalizeVector({unit(rng), unit(rng), unit(rng)}));
    directions.push_back({0, 0, 1});
    directions.push_back({1, 0, 0});
    const double turns[] = {0, 0.7e-5, 1.3e-5, 1.414e-5, 1.42e-5, 1.5e-5, 3e-5, 1e-3};
    const double lengths[] = {1,        1,       1,         1 + 1e-12, 1 - 3e-10, 1 - 4.9e-11, 1 - 6e-10,
                              1 - 1e-9, 1 + 1e-9, 1.0001,   0.9999,    0.5,       0};
    int keptSeen = 0, putOutSeen = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<tvector> normals;
        const std::size_t count = rng() % 2 ? rng() % 33 : 33 + rng() % 120;
        for (std::size_t i = 0; i < count; ++i) {
            if (rng() % 50 == 0) {
                normals.push_back(rng() % 2 ? tvector{NaN, 0, 1} : tvector{Inf, 0, 0});
                continue;
            }
            const tvector d = directions[rng() % directions.size()];
            const tvector side = NormalizeVector(CrossProduct(d, {unit(rng), unit(rng), unit(rng)}));
            const double turn = turns[rng() % std::size(turns)];
            const tvector p = NormalizeVector(AddVectors(d, ScaleVector(side, turn)));
            normals.push_back(ScaleVector(p, lengths[rng() % std::size(lengths)]));
        }
        std::vector<uint8_t> expected(count, 1);
        for (std::size_t a = 0; a < count; ++a) {
            if (!expected[a]) continue;
            for (std::size_t b = 0; b < count; ++b)
                if (b != a && DotProduct(normals[a], normals[b]) > 1.0 - Epsilon) expected[b] = 0;
        }
        std::vector<uint8_t> keep;
        KeepFirstOfRepeatedNormals(normals, keep);
        ASSERT_EQ(keep, expected) << "round " << round;
        for (std::size_t i = 0; i < count && count > 32; ++i) (expected[i] ? keptSeen : putOutSeen) += 1;
    }
    EXPECT_GT(keptSeen, 1000);
    EXPECT_GT(putOutSeen, 1000);
}

}  // namespace
