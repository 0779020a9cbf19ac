// The lookups of a reader among its import materials give what the walks of
// the whole list give (FindImportMaterial, FindEqualImportMaterial), on
// random lists that grow, lose their last material and change it, with
// values on and around the borders of the index's cells.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "model/Model.h"
#include "readers/ImportMaterialLookup.h"
#include "readers/VrmlReader.h"
#include "tests/fixtures/Fixtures.h"

namespace {

using ImportMaterialLookupTest = fixtures::ModelTest;

TEST_F(ImportMaterialLookupTest, NamesGiveTheLastOfANameAsTheWalk) {
    std::mt19937 rng(21);
    const char* const names[] = {"a", "b", "A", "c d", ""};
    for (int round = 0; round < 50; ++round) {
        ClearImportLists();
        for (int i = 0; i < 3; ++i) ImportMaterials.emplace_back().name = names[rng() % std::size(names)];
        ImportMaterialNames index;
        for (int step = 0; step < 60; ++step) {
            if (rng() % 3 == 0 && !ImportMaterials.empty()) {
                index.DroppingLast();
                ImportMaterials.pop_back();
            } else {
                ImportMaterials.emplace_back().name = names[rng() % std::size(names)];
                index.Appended();
            }
            for (const char* name : names) ASSERT_EQ(index.Find(name), FindImportMaterial(name)) << name;
        }
    }
}

TEST_F(ImportMaterialLookupTest, EqualValuesGiveTheFirstEqualAsTheWalk) {
    std::mt19937 rng(8);
    // Values on the borders of grid cells (multiples of 2^-27 and halfway
    // between), ordinary colours, and values where only exact equals are
    // within 1e-10 (2^22 and more), each moved by a little less than, exactly
    // or a little more than 1e-10; and, in every other round, materials that
    // differ only in one value, in steps of 1e-12, so that the index splits
    // them among values within 1e-10 of each other.
    const double cell = std::ldexp(1.0, -27);
    const double bases[] = {0,          1,           0.2,                 0.8,    0.5,
                            3 * cell,   3.5 * cell,  -7.5 * cell,         -1e300, 0.1 + 0.25 * cell,
                            std::ldexp(1.0, 22)};
    const double moves[] = {0, 0, 0.5e-10, -0.5e-10, 0.99e-10, -0.99e-10, 1.01e-10, 2e-10, 0.6e-10, 1e-10, -1e-10};
    auto value = [&] {
        const double base = bases[rng() % std::size(bases)];
        if (std::fabs(base) >= std::ldexp(1.0, 22))
            return rng() % 2 ? base : std::nextafter(base, std::numeric_limits<double>::infinity());
        return base + moves[rng() % std::size(moves)];
    };
    bool cluster = false;
    auto randomMaterial = [&] {
        tmaterial m;
        if (cluster && rng() % 2) {
            m.diffuse.x = 0.5 + static_cast<double>(rng() % 300) * 1e-12;
            return m;
        }
        // Few distinct values per field, so that equal materials are common.
        for (tvector* v : {&m.ambient, &m.diffuse, &m.specular})
            *v = rng() % 3 ? tvector{0.2, 0.2, 0.2} : tvector{value(), value(), value()};
        m.transparency = rng() % 2 ? 0 : value();
        m.shininess = rng() % 2 ? 0.5f : static_cast<float>(value());
        return m;
    };
    int found = 0, none = 0;
    for (int round = 0; round < 40; ++round) {
        ClearImportLists();
        EqualMaterialIndex index;
        cluster = round % 2 != 0;
        for (int step = 0; step < 400; ++step) {
            const uint32_t what = rng() % 5;
            if (what == 0 && ImportMaterials.size() > 1) {
                // The last few go; their values may come again at other places.
                for (uint32_t n = 1 + rng() % 4; n > 0 && ImportMaterials.size() > 1; --n) ImportMaterials.pop_back();
                index.Forget(ImportMaterials.size() - 1);
            } else if (what == 1 && !ImportMaterials.empty()) {
                ImportMaterials.back() = randomMaterial();  // the last one, not filed, changes
            } else {
                ImportMaterials.push_back(randomMaterial());
            }
            const std::size_t last = ImportMaterials.size() - 1;
            const int32_t walk = FindEqualImportMaterial(ImportMaterials[last]);
            const int32_t expected = walk >= 0 && static_cast<std::size_t>(walk) < last ? walk : -1;
            ASSERT_EQ(index.FindFirst(ImportMaterials[last], last), expected) << round << " " << step;
            (expected >= 0 ? found : none) += 1;
        }
    }
    EXPECT_GT(found, 1000);
    EXPECT_GT(none, 1000);
}

}  // namespace
