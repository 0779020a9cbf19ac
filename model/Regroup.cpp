#include "model/Regroup.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/Model.h"
#include "model/ModelUndo.h"
#include "model/Services.h"
#include "model/StatusLog.h"

namespace {

// Every group and material index of the faces and lines, checked before
// anything changes: a bad index ends the command with the model as it was.
void CheckPartitionIndices() {
    for (const tface& f : SceneFaces) {
        At(SceneGroups, f.group, "SceneGroups");
        At(SceneMaterials, f.material, "SceneMaterials");
    }
    for (const tline& l : LineSegments) {
        At(SceneGroups, l.group, "SceneGroups");
        At(SceneMaterials, l.material, "SceneMaterials");
    }
}

// The pairs of group and material met on the faces (then the lines), each
// numbered from 1 in the order of its first use. A map keyed by the pair
// gives the same numbers as a table of groups x materials, without its size.
class PairNumbers {
public:
    struct Pair {
        int32_t group, material, number;
    };

    // The number of the pair, made when the pair is new.
    int32_t Number(int32_t group, int32_t material) {
        const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(group)) << 32) |
                             static_cast<uint32_t>(material);
        const auto [it, added] = numbers_.try_emplace(key, static_cast<int32_t>(pairs_.size()) + 1);
        if (added) pairs_.push_back({group, material, it->second});
        return it->second;
    }
    int32_t Count() const { return static_cast<int32_t>(pairs_.size()); }
    // The pairs ordered by `first` and then `second` (the order in which the
    // new records are made and logged).
    template <typename Key>
    std::vector<Pair> Sorted(Key key) const {
        std::vector<Pair> sorted = pairs_;
        std::sort(sorted.begin(), sorted.end(), [&key](const Pair& a, const Pair& b) { return key(a) < key(b); });
        return sorted;
    }

private:
    std::unordered_map<uint64_t, int32_t> numbers_;
    std::vector<Pair> pairs_;
};

// Numbers every face's pair, then every line's, and stores each number - 1
// through `target` (the face's or line's group or material index).
template <typename Target>
PairNumbers NumberPairs(Target target) {
    PairNumbers pairs;
    for (tface& f : SceneFaces) target(f) = pairs.Number(f.group, f.material) - 1;
    for (tline& l : LineSegments) target(l) = pairs.Number(l.group, l.material) - 1;
    return pairs;
}

// The preview textures of the old materials that none of the new ones
// carries, each once.
std::vector<int32_t> TexturesNotIn(const std::vector<tmaterial>& oldMaterials,
                                   const std::vector<tmaterial>& newMaterials) {
    std::unordered_set<int32_t> kept;
    for (const tmaterial& m : newMaterials)
        if (m.glTexture != 0) kept.insert(m.glTexture);
    std::vector<int32_t> unused;
    for (const tmaterial& m : oldMaterials)
        if (m.glTexture != 0 && kept.insert(m.glTexture).second) unused.push_back(m.glTexture);
    return unused;
}

// The new list of `T` (materials or groups) in place of the old one, which
// `undo` keeps; for materials, with the material chosen last, and with the
// textures the new ones no longer use to be deleted when the command
// finishes.
template <typename T>
void ReplaceList(std::vector<T>& made, tmodelundo& undo) {
    if constexpr (std::is_same_v<T, tmaterial>) {
        std::vector<int32_t> unused = TexturesNotIn(SceneMaterials, made);
        if (!undo.currentMaterial) undo.currentMaterial = CurrentMaterialIndex;
        SceneMaterials.swap(made);
        tmodelundo::Take(undo.materials, made);
        undo.texturesToDelete = std::move(unused);
    } else {
        SceneGroups.swap(made);
        tmodelundo::Take(undo.groups, made);
    }
}

// The words of the log lines and the index of a face or line that a
// regrouping into `T` rewrites.
template <typename T>
struct Partition {
    static constexpr bool materials = std::is_same_v<T, tmaterial>;
    static constexpr const char* plural = materials ? "materials" : "groups";
    static constexpr const char* record = materials ? "Material [" : "Group [";
    static int32_t& Index(auto& r) { return materials ? r.material : r.group; }
    static void KeepIndices(tmodelundo& undo) { materials ? undo.KeepMaterialIndices() : undo.KeepGroupIndices(); }
};

// One new record of `T` per record of the other list, `make` giving it from
// that record; every face and line takes the new record of its old one.
template <typename T, typename Other, typename Make>
void RegroupByOther(const std::vector<Other>& other, Make make, tmodelundo& undo) {
    using P = Partition<T>;
    CheckPartitionIndices();
    LogMessage(std::string("Erasing old ") + P::plural + "...");
    LogMessage(std::string("Creating new ") + P::plural + "...");
    std::vector<T> made;
    made.reserve(other.size());
    for (const Other& o : other) {
        made.push_back(make(o));
        LogMessage(P::record + std::to_string(made.size()) + "]= " + made.back().name.str());
    }
    LogMessage(std::string("Assinging new ") + P::plural + " to faces...");
    P::KeepIndices(undo);
    ReplaceList(made, undo);
    const auto regroup = [](auto& r) { P::Index(r) = Partition<Other>::Index(r); };
    std::for_each(SceneFaces.begin(), SceneFaces.end(), regroup);
    std::for_each(LineSegments.begin(), LineSegments.end(), regroup);
}

// One record of `T` per pair of group and material that some face uses: a
// whole copy of the pair's record (materials are marked changed) named
// group + "_" + material, numbered in the order of the first face of each
// pair, made and logged in the order of the pairs' own record first.
template <typename T>
void RegroupByPairs(tmodelundo& undo) {
    using P = Partition<T>;
    CheckPartitionIndices();
    LogMessage(std::string("Assinging new ") + P::plural + " to faces...");
    P::KeepIndices(undo);
    const PairNumbers pairs = NumberPairs([](auto& r) -> int32_t& { return P::Index(r); });

    LogMessage(std::string("Creating new ") + P::plural + "...");
    std::vector<T> made(static_cast<std::size_t>(pairs.Count()));
    const auto order = [](const PairNumbers::Pair& p) {
        return P::materials ? std::pair(p.group, p.material) : std::pair(p.material, p.group);
    };
    for (const auto& p : pairs.Sorted(order)) {
        const tgroup& g = SceneGroups[static_cast<std::size_t>(p.group)];
        const tmaterial& m = SceneMaterials[static_cast<std::size_t>(p.material)];
        T copy = [&]() -> T {
            if constexpr (P::materials) return m;
            else return g;
        }();
        if constexpr (P::materials) copy.changed = 1;
        copy.name = g.name + "_" + m.name;
        LogMessage(P::record + std::to_string(p.number) + "]= " + copy.name.str());
        made[static_cast<std::size_t>(p.number) - 1] = std::move(copy);
    }

    LogMessage(std::string("Erasing old ") + P::plural + "...");
    ReplaceList(made, undo);
}

}  // namespace

void MaterialsFromGroups(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        const auto make = [](const tgroup& g) {
            tmaterial m;
            NewMaterial(m);
            m.changed = 1;
            m.name = g.name + "_material";
            return m;
        };
        RegroupByOther<tmaterial>(SceneGroups, make, kept);
    });
}

void MaterialsFromGroupsAndMaterials(tmodelundo* undo) { ChangeModel(undo, RegroupByPairs<tmaterial>); }

void GroupsFromMaterials(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        const auto make = [](const tmaterial& m) {
            tgroup g;
            NewGroup(g);
            g.name = m.name + "_group";
            return g;
        };
        RegroupByOther<tgroup>(SceneMaterials, make, kept);
    });
}

void GroupsFromMaterialsAndGroups(tmodelundo* undo) { ChangeModel(undo, RegroupByPairs<tgroup>); }
