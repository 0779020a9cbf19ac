// Lookups among the import materials of one read that a reader makes for
// every node of a file: the last material of a name, and the first material
// whose values equal another's. Walking the whole list for each would take
// time in the square of the materials a file holds; these take about the
// same time whatever their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/Records.h"

// True when the ambient, diffuse and specular colours of the two materials
// each differ by a vector of length at most Epsilon, and their transparency
// and shininess each by at most Epsilon.
bool EqualMaterialValues(const tmaterial& a, const tmaterial& b);

// The import materials by name: the LAST material of each name, as
// FindImportMaterial finds it, kept up to date as the reader appends a
// material or drops the last one.
class ImportMaterialNames {
public:
    // Indexes the materials in ImportMaterials now.
    ImportMaterialNames();
    // After ImportMaterials.push_back.
    void Appended();
    // Before ImportMaterials.pop_back.
    void DroppingLast();
    int32_t Find(std::string_view name) const;

private:
    void File(std::size_t index);

    std::unordered_map<std::string, int32_t> last_;
    std::vector<int32_t> previous_;  // per material: the one before it of the same name, -1 none
};

// The first of the leading import materials whose values equal a given
// material's (EqualMaterialValues), as a walk from the first material
// finds it. The materials are filed by the cells of a grid over their
// eleven values, so that a search looks at the few materials in the cells
// within Epsilon of the given one.
class EqualMaterialIndex {
public:
    // The index of the first of ImportMaterials[0, count) whose values equal
    // `material`'s; -1 when none does. Materials not filed yet are filed
    // first: every filed material must be as it was when it was filed
    // (Forget a material before it changes or goes).
    int32_t FindFirst(const tmaterial& material, std::size_t count);
    // Takes the materials from `first` on out of the index.
    void Forget(std::size_t first);

private:
    // Per grid and cell the first and the last material filed there; the
    // materials of a cell are chained in the order they were filed.
    struct tends {
        int32_t first, last;
    };
    struct tgrid {
        std::unordered_map<uint64_t, tends> cells;
        std::vector<int32_t> next, previous;  // per filed material, -1 at the ends
    };
    tgrid grids_[2];
    std::vector<std::pair<uint64_t, uint64_t>> keys_;  // per filed material, its cell in each grid
};
