#include "readers/ImportMaterialLookup.h"

#include <bit>
#include <cmath>

#include "model/Model.h"
#include "model/NearPoints.h"
#include "model/VectorMath.h"

namespace {

bool Near(const tvector& a, const tvector& b) { return VectorLength(SubtractVectors(a, b)) <= Epsilon; }

// ---- The grids of the equal-values index ------------------------------------
//
// Each of the eleven values (three colours, transparency, shininess) is
// scaled to cells of 2^-27 (about 7.5e-9). Values within Epsilon of each
// other lie less than Reach cells apart, so such a value lies in the cell of
// the other or in the neighbour on the side of the cell border it is near.
// Grid A has its borders halfway between the multiples of 2^-27, grid B on
// them; a value near a border of one lies in the middle of a cell of the
// other. A search uses the grid where fewer of its values lie near a border
// and looks in the cells across those borders too: at most 2^5 cells.
// Values of 2^22 or more (and values that are not finite) are only ever
// within Epsilon of themselves: their bits are their cell.

constexpr int Values = 11;
constexpr double Scale = 134217728.0;              // 2^27
constexpr double Reach = 2 * Epsilon * Scale;      // a bound, with room, on Epsilon in cells
constexpr double ExactFrom = 4194304.0;            // 2^22

struct tcells {
    int64_t cell[2][Values];   // per grid
    int64_t other[2][Values];  // the neighbour across the near border
    bool near[2][Values];
};

void ValuesOf(const tmaterial& m, double v[Values]) {
    const tvector* colours[3] = {&m.ambient, &m.diffuse, &m.specular};
    for (int c = 0; c < 3; ++c) {
        v[3 * c] = colours[c]->x;
        v[3 * c + 1] = colours[c]->y;
        v[3 * c + 2] = colours[c]->z;
    }
    v[9] = m.transparency;
    v[10] = static_cast<double>(m.shininess);
}

tcells CellsOf(const tmaterial& m) {
    double v[Values];
    ValuesOf(m, v);
    tcells c{};
    for (int i = 0; i < Values; ++i) {
        if (!(std::fabs(v[i]) < ExactFrom)) {
            c.cell[0][i] = c.cell[1][i] = std::bit_cast<int64_t>(v[i]);
            continue;
        }
        // Both exact: a power of two scales exactly, and the distance to
        // the nearest whole number is exact.
        const double t = v[i] * Scale;
        const double n = std::nearbyint(t);
        const double r = t - n;
        const auto whole = static_cast<int64_t>(n);
        c.cell[0][i] = whole;
        c.near[0][i] = std::fabs(r) >= 0.5 - Reach;
        c.other[0][i] = r > 0 ? whole + 1 : whole - 1;
        c.cell[1][i] = r >= 0 ? whole : whole - 1;
        c.near[1][i] = std::fabs(r) <= Reach;
        c.other[1][i] = r >= 0 ? whole - 1 : whole;
    }
    return c;
}

// The key of a cell of the eleven values (MixCellKey).
uint64_t KeyOf(const int64_t cells[Values]) {
    uint64_t h = 0;
    for (int i = 0; i < Values; ++i) h = MixCellKey(h, cells[i]);
    return h;
}

}  // namespace

bool EqualMaterialValues(const tmaterial& a, const tmaterial& b) {
    return Near(a.ambient, b.ambient) && Near(a.diffuse, b.diffuse) && Near(a.specular, b.specular) &&
           std::fabs(a.transparency - b.transparency) <= Epsilon &&
           std::fabs(double(a.shininess) - double(b.shininess)) <= Epsilon;
}

// ---- Names ---------------------------------------------------------------------

ImportMaterialNames::ImportMaterialNames() {
    for (std::size_t i = 0; i < ImportMaterials.size(); ++i) File(i);
}

void ImportMaterialNames::Appended() { File(ImportMaterials.size() - 1); }

void ImportMaterialNames::File(std::size_t index) {
    previous_.resize(index + 1, -1);
    const auto [it, added] = last_.try_emplace(ImportMaterials[index].name.str(), static_cast<int32_t>(index));
    if (!added) {
        previous_[index] = it->second;
        it->second = static_cast<int32_t>(index);
    }
}

void ImportMaterialNames::DroppingLast() {
    const auto index = static_cast<int32_t>(ImportMaterials.size()) - 1;
    const auto it = last_.find(ImportMaterials.back().name.str());
    if (it != last_.end() && it->second == index) {
        const int32_t before = previous_[static_cast<std::size_t>(index)];
        if (before < 0)
            last_.erase(it);
        else
            it->second = before;
    }
    previous_.resize(static_cast<std::size_t>(index));
}

int32_t ImportMaterialNames::Find(std::string_view name) const {
    const auto it = last_.find(std::string(name));
    return it == last_.end() ? -1 : it->second;
}

// ---- Equal values -----------------------------------------------------------------

int32_t EqualMaterialIndex::FindFirst(const tmaterial& material, std::size_t count) {
    if (count > ImportMaterials.size()) count = ImportMaterials.size();
    Forget(count);
    while (keys_.size() < count) {
        const auto index = static_cast<int32_t>(keys_.size());
        const tcells c = CellsOf(ImportMaterials[keys_.size()]);
        const uint64_t keys[2] = {KeyOf(c.cell[0]), KeyOf(c.cell[1])};
        for (int g = 0; g < 2; ++g) {
            tgrid& grid = grids_[g];
            const auto [it, added] = grid.cells.try_emplace(keys[g], tends{index, index});
            grid.previous.push_back(added ? -1 : it->second.last);
            grid.next.push_back(-1);
            if (!added) grid.next[static_cast<std::size_t>(it->second.last)] = index;
            it->second.last = index;
        }
        keys_.emplace_back(keys[0], keys[1]);
    }

    const tcells c = CellsOf(material);
    int nearCount[2] = {0, 0};
    for (int g = 0; g < 2; ++g)
        for (int i = 0; i < Values; ++i) nearCount[g] += c.near[g][i] ? 1 : 0;
    const int g = nearCount[1] < nearCount[0] ? 1 : 0;
    int nearValues[Values];
    int k = 0;
    for (int i = 0; i < Values; ++i)
        if (c.near[g][i]) nearValues[k++] = i;

    int32_t first = -1;
    int64_t cells[Values];
    for (uint32_t across = 0; across < (1u << k); ++across) {
        std::copy(c.cell[g], c.cell[g] + Values, cells);
        for (int j = 0; j < k; ++j)
            if (across & (1u << j)) cells[nearValues[j]] = c.other[g][nearValues[j]];
        const auto it = grids_[g].cells.find(KeyOf(cells));
        if (it == grids_[g].cells.end()) continue;
        const std::vector<int32_t>& next = grids_[g].next;
        for (int32_t i = it->second.first; i >= 0 && (first < 0 || i < first); i = next[static_cast<std::size_t>(i)])
            if (EqualMaterialValues(ImportMaterials[static_cast<std::size_t>(i)], material)) {
                first = i;
                break;
            }
    }
    return first;
}

void EqualMaterialIndex::Forget(std::size_t first) {
    while (keys_.size() > first) {
        const std::pair<uint64_t, uint64_t> keys = keys_.back();
        keys_.pop_back();
        // The last filed material is the last of its cell in both grids.
        const uint64_t key[2] = {keys.first, keys.second};
        for (int g = 0; g < 2; ++g) {
            tgrid& grid = grids_[g];
            const int32_t before = grid.previous.back();
            grid.previous.pop_back();
            grid.next.pop_back();
            const auto it = grid.cells.find(key[g]);
            if (before < 0) {
                grid.cells.erase(it);
            } else {
                it->second.last = before;
                grid.next[static_cast<std::size_t>(before)] = -1;
            }
        }
    }
}
