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
// finds it. Materials of the very same values are filed once, under the
// first of them. The values so filed lie in a few trees, each split at its
// middle value along the value that spreads most, each node knowing the
// first material below it; new values wait in a short list until there are
// enough for a tree, and a tree as large as the one before it is built anew
// together with that one, so that there are few.
// A search follows the branches whose split lies within Epsilon of the
// given material's value and whose first material comes before one already
// found: however many materials lie close to each other, it looks at those
// within Epsilon in every value, not at all those in some cell around them.
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
    static constexpr int Values = 11;
    // Values filed, with the first of the filed materials that have them and
    // their number (none: the values wait to be filed again or dropped).
    struct Entry {
        double values[Values];
        int32_t first;
        int32_t count;
        uint32_t node;  // its place in nodes_, none while fresh
    };
    // A node of a tree: its entry, the value its split compares and that
    // value of the entry, and the first filed material below it (INT32_MAX
    // when none).
    struct Node {
        double split;
        uint32_t entry;
        uint16_t axis;
        int32_t first;
    };
    // A tree: the nodes [begin, end), the node of a range its middle one.
    struct Tree {
        uint32_t begin, end;
    };

    void File(std::size_t index);
    void Plant();
    void Sum(uint32_t begin, uint32_t end);
    void SumBelow(uint32_t begin, uint32_t end);
    void Refresh(const Entry& entry);
    void Search(uint32_t begin, uint32_t end, const double values[Values], const tmaterial& material,
                int32_t& best) const;

    std::vector<Entry> entries_;
    std::vector<Node> nodes_;
    std::vector<Tree> trees_;                           // in the order they were built
    std::vector<uint32_t> fresh_;                       // entries in no tree yet
    std::unordered_multimap<uint64_t, uint32_t> byKey_;  // entries by the key of their values
    std::vector<uint32_t> entryOf_;                     // of each filed material
};
