#include "readers/ImportMaterialLookup.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "model/Model.h"
#include "model/NearPoints.h"
#include "model/VectorMath.h"

namespace {

bool Near(const tvector& a, const tvector& b) { return VectorLength(SubtractVectors(a, b)) <= Epsilon; }

// ---- The trees of the equal-values index -----------------------------------------

constexpr int32_t NoMaterial = INT32_MAX;
constexpr uint32_t NoEntry = UINT32_MAX, NoNode = UINT32_MAX;
// Entries wait to be planted in a tree until there are this many.
constexpr std::size_t FreshEntries = 64;
// Two values whose difference, as computed, is above this are never within
// Epsilon as EqualMaterialValues computes it (the root of a sum of squares
// is never below any of the rounded differences by more than a few units in
// their last place).
constexpr double Reach = Epsilon * (1 + 1e-9);

// The eleven values of a material (three colours, transparency, shininess);
// false when one is not finite, such a material being equal to none.
constexpr int Values = 11;
bool ValuesOf(const tmaterial& m, double v[Values]) {
    const tvector* colours[3] = {&m.ambient, &m.diffuse, &m.specular};
    for (int c = 0; c < 3; ++c) {
        v[3 * c] = colours[c]->x;
        v[3 * c + 1] = colours[c]->y;
        v[3 * c + 2] = colours[c]->z;
    }
    v[9] = m.transparency;
    v[10] = static_cast<double>(m.shininess);
    for (int i = 0; i < Values; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

// The key of the very values, bit for bit (MixCellKey).
uint64_t KeyOf(const double v[Values]) {
    uint64_t h = 0;
    for (int i = 0; i < Values; ++i) h = MixCellKey(h, std::bit_cast<int64_t>(v[i]));
    return h;
}

// False when some value of the two differs by more than Reach, so that
// EqualMaterialValues is false.
bool Within(const double a[Values], const double b[Values]) {
    for (int i = 0; i < Values; ++i)
        if (!(std::fabs(a[i] - b[i]) <= Reach)) return false;
    return true;
}

bool SameBits(const double a[Values], const double b[Values]) {
    for (int i = 0; i < Values; ++i)
        if (std::bit_cast<uint64_t>(a[i]) != std::bit_cast<uint64_t>(b[i])) return false;
    return true;
}

// Values to arrange as a tree, with their entry and its first material; the
// value the split of each compares.
struct Item {
    double values[Values];
    uint32_t entry;
    int32_t first;
    uint16_t axis;
};

// Splits the items [begin, end), whose values lie in the box low..high, at
// their middle along the side of the box that is longest, and the halves,
// in the halves of the box, likewise.
void Arrange(std::vector<Item>& items, std::size_t begin, std::size_t end, double low[Values], double high[Values]) {
    if (begin >= end) return;
    uint16_t axis = 0;
    for (uint16_t i = 1; i < Values; ++i)
        if (high[i] - low[i] > high[axis] - low[axis]) axis = i;
    const std::size_t mid = begin + (end - begin) / 2;
    const auto at = [&](std::size_t n) { return items.begin() + static_cast<std::ptrdiff_t>(n); };
    std::nth_element(at(begin), at(mid), at(end),
                     [axis](const Item& a, const Item& b) { return a.values[axis] < b.values[axis]; });
    items[mid].axis = axis;
    const double split = items[mid].values[axis], lowEnd = low[axis], highEnd = high[axis];
    high[axis] = split;
    Arrange(items, begin, mid, low, high);
    high[axis] = highEnd;
    low[axis] = split;
    Arrange(items, mid + 1, end, low, high);
    low[axis] = lowEnd;
}

// The same over all the items, in the box of their values.
void Arrange(std::vector<Item>& items) {
    double low[Values], high[Values];
    std::fill(low, low + Values, std::numeric_limits<double>::infinity());
    std::fill(high, high + Values, -std::numeric_limits<double>::infinity());
    for (const Item& item : items)
        for (int i = 0; i < Values; ++i) {
            low[i] = std::min(low[i], item.values[i]);
            high[i] = std::max(high[i], item.values[i]);
        }
    Arrange(items, 0, items.size(), low, high);
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
    while (entryOf_.size() < count) File(entryOf_.size());
    if (fresh_.size() >= FreshEntries) Plant();
    double values[Values];
    if (!ValuesOf(material, values)) return -1;
    int32_t first = NoMaterial;
    for (const Tree& tree : trees_) Search(tree.begin, tree.end, values, material, first);
    for (const uint32_t entry : fresh_) {
        const Entry& e = entries_[entry];
        if (e.count > 0 && e.first < first && Within(e.values, values) &&
            EqualMaterialValues(ImportMaterials[static_cast<std::size_t>(e.first)], material))
            first = e.first;
    }
    return first == NoMaterial ? -1 : first;
}

void EqualMaterialIndex::Forget(std::size_t first) {
    while (entryOf_.size() > first) {
        const uint32_t e = entryOf_.back();
        entryOf_.pop_back();
        // The last filed material is the last of its values: their first
        // stays unless it was the only one.
        if (e != NoEntry && --entries_[e].count == 0) Refresh(entries_[e]);
    }
}

void EqualMaterialIndex::File(std::size_t index) {
    double values[Values];
    if (!ValuesOf(ImportMaterials[index], values)) {
        entryOf_.push_back(NoEntry);
        return;
    }
    const uint64_t key = KeyOf(values);
    for (auto [it, end] = byKey_.equal_range(key); it != end; ++it) {
        Entry& e = entries_[it->second];
        if (!SameBits(e.values, values)) continue;
        entryOf_.push_back(it->second);
        if (e.count++ == 0) {
            e.first = static_cast<int32_t>(index);
            Refresh(e);
        }
        return;
    }
    const auto entry = static_cast<uint32_t>(entries_.size());
    Entry e{};
    std::copy(values, values + Values, e.values);
    e.first = static_cast<int32_t>(index);
    e.count = 1;
    e.node = NoNode;
    entries_.push_back(e);
    byKey_.emplace(key, entry);
    entryOf_.push_back(entry);
    fresh_.push_back(entry);
}

// The fresh entries as a tree of their own; while the tree before the last
// is no larger, the two as one. The tree is built anew without the values
// no filed material has any more.
void EqualMaterialIndex::Plant() {
    const auto begin = static_cast<uint32_t>(nodes_.size());
    for (const uint32_t entry : fresh_) nodes_.push_back({0, entry, 0, NoMaterial});
    fresh_.clear();
    trees_.push_back({begin, static_cast<uint32_t>(nodes_.size())});
    while (trees_.size() >= 2 && trees_[trees_.size() - 2].end - trees_[trees_.size() - 2].begin <=
                                     trees_.back().end - trees_.back().begin) {
        trees_.pop_back();
        trees_.back().end = static_cast<uint32_t>(nodes_.size());
    }
    std::vector<Item> items;
    items.reserve(nodes_.size() - trees_.back().begin);
    for (uint32_t n = trees_.back().begin; n < nodes_.size(); ++n) {
        const uint32_t entry = nodes_[n].entry;
        const Entry& e = entries_[entry];
        if (e.count > 0) {
            items.push_back({{}, entry, e.first, 0});
            std::copy(e.values, e.values + Values, items.back().values);
            continue;
        }
        for (auto [it, last] = byKey_.equal_range(KeyOf(e.values)); it != last; ++it)
            if (it->second == entry) {
                byKey_.erase(it);
                break;
            }
    }
    Arrange(items);
    Tree& tree = trees_.back();
    tree.end = static_cast<uint32_t>(tree.begin + items.size());
    nodes_.resize(tree.end);
    for (uint32_t n = tree.begin; n < tree.end; ++n) {
        const Item& item = items[n - tree.begin];
        nodes_[n] = {item.values[item.axis], item.entry, item.axis, item.first};
        entries_[item.entry].node = n;
    }
    SumBelow(tree.begin, tree.end);
}

// The first filed materials below the nodes of the range, its own nodes'
// taken from their entries.
void EqualMaterialIndex::SumBelow(uint32_t begin, uint32_t end) {
    if (begin >= end) return;
    const uint32_t mid = begin + (end - begin) / 2;
    SumBelow(begin, mid);
    SumBelow(mid + 1, end);
    Node& n = nodes_[mid];
    if (begin < mid) n.first = std::min(n.first, nodes_[begin + (mid - begin) / 2].first);
    if (mid + 1 < end) n.first = std::min(n.first, nodes_[mid + 1 + (end - mid - 1) / 2].first);
}

// The first filed material below the node of the range, from its entry and
// its subtrees.
void EqualMaterialIndex::Sum(uint32_t begin, uint32_t end) {
    const uint32_t mid = begin + (end - begin) / 2;
    Node& n = nodes_[mid];
    const Entry& e = entries_[n.entry];
    n.first = e.count > 0 ? e.first : NoMaterial;
    if (begin < mid) n.first = std::min(n.first, nodes_[begin + (mid - begin) / 2].first);
    if (mid + 1 < end) n.first = std::min(n.first, nodes_[mid + 1 + (end - mid - 1) / 2].first);
}

// After the entry's first material or number changed: the nodes on the way
// to it.
void EqualMaterialIndex::Refresh(const Entry& entry) {
    if (entry.node == NoNode) return;  // a fresh entry
    const auto tree = std::upper_bound(trees_.begin(), trees_.end(), entry.node,
                                       [](uint32_t node, const Tree& t) { return node < t.begin; }) -
                      1;
    uint32_t path[2 * 64];
    int depth = 0;
    for (uint32_t begin = tree->begin, end = tree->end;;) {
        path[depth++] = begin;
        path[depth++] = end;
        const uint32_t mid = begin + (end - begin) / 2;
        if (entry.node == mid) break;
        if (entry.node < mid)
            end = mid;
        else
            begin = mid + 1;
    }
    while (depth > 0) {
        const uint32_t end = path[--depth], begin = path[--depth];
        Sum(begin, end);
    }
}

// Lowers `best` to the first filed material below whose values equal
// `material`'s; `values` are its values.
void EqualMaterialIndex::Search(uint32_t begin, uint32_t end, const double values[Values],
                                const tmaterial& material, int32_t& best) const {
    if (begin >= end) return;
    const uint32_t mid = begin + (end - begin) / 2;
    const Node& n = nodes_[mid];
    if (n.first >= best) return;
    // Below the node the values are at most the split, above it at least.
    const double value = values[n.axis];
    const bool low = value - n.split <= Reach, high = n.split - value <= Reach;
    if (low && high) {
        const Entry& e = entries_[n.entry];
        if (e.count > 0 && e.first < best && Within(e.values, values) &&
            EqualMaterialValues(ImportMaterials[static_cast<std::size_t>(e.first)], material))
            best = e.first;
    }
    const int32_t lowFirst = begin < mid ? nodes_[begin + (mid - begin) / 2].first : NoMaterial;
    const int32_t highFirst = mid + 1 < end ? nodes_[mid + 1 + (end - mid - 1) / 2].first : NoMaterial;
    if (lowFirst <= highFirst) {
        if (low) Search(begin, mid, values, material, best);
        if (high) Search(mid + 1, end, values, material, best);
    } else {
        if (high) Search(mid + 1, end, values, material, best);
        if (low) Search(begin, mid, values, material, best);
    }
}
