#include "model/Regroup.h"

#include <algorithm>
#include <string>
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

// The new materials in place of the old ones, which `undo` keeps (with the
// material chosen last), with the textures they no longer use to be deleted
// when the command finishes.
void ReplaceMaterials(std::vector<tmaterial>& made, tmodelundo& undo) {
    std::vector<int32_t> unused = TexturesNotIn(SceneMaterials, made);
    if (!undo.currentMaterial) undo.currentMaterial = CurrentMaterialIndex;
    SceneMaterials.swap(made);
    tmodelundo::Take(undo.materials, made);
    undo.texturesToDelete = std::move(unused);
}

void ReplaceGroups(std::vector<tgroup>& made, tmodelundo& undo) {
    SceneGroups.swap(made);
    tmodelundo::Take(undo.groups, made);
}

}  // namespace

void MaterialsFromGroups(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        CheckPartitionIndices();
        LogMessage("Erasing old materials...");
        LogMessage("Creating new materials...");
        std::vector<tmaterial> made;
        made.reserve(SceneGroups.size());
        for (const tgroup& g : SceneGroups) {
            tmaterial m;
            NewMaterial(m);
            m.changed = 1;
            m.name = g.name + "_material";
            made.push_back(std::move(m));
            LogMessage("Material [" + std::to_string(made.size()) + "]= " + made.back().name.str());
        }
        LogMessage("Assinging new materials to faces...");
        kept.KeepMaterialIndices();
        ReplaceMaterials(made, kept);
        for (tface& f : SceneFaces) f.material = f.group;
        for (tline& l : LineSegments) l.material = l.group;
    });
}

void MaterialsFromGroupsAndMaterials(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        CheckPartitionIndices();
        LogMessage("Assinging new materials to faces...");
        kept.KeepMaterialIndices();
        const PairNumbers pairs = NumberPairs([](auto& r) -> int32_t& { return r.material; });

        LogMessage("Creating new materials...");
        std::vector<tmaterial> made(static_cast<std::size_t>(pairs.Count()));
        for (const auto& p : pairs.Sorted([](const PairNumbers::Pair& p) { return std::pair(p.group, p.material); })) {
            tmaterial m = SceneMaterials[static_cast<std::size_t>(p.material)];
            m.changed = 1;
            m.name = SceneGroups[static_cast<std::size_t>(p.group)].name + "_" +
                     SceneMaterials[static_cast<std::size_t>(p.material)].name;
            LogMessage("Material [" + std::to_string(p.number) + "]= " + m.name.str());
            made[static_cast<std::size_t>(p.number) - 1] = std::move(m);
        }

        LogMessage("Erasing old materials...");
        ReplaceMaterials(made, kept);
    });
}

void GroupsFromMaterials(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        CheckPartitionIndices();
        LogMessage("Erasing old groups...");
        LogMessage("Creating new groups...");
        std::vector<tgroup> made;
        made.reserve(SceneMaterials.size());
        for (const tmaterial& m : SceneMaterials) {
            tgroup g;
            NewGroup(g);
            g.name = m.name + "_group";
            made.push_back(std::move(g));
            LogMessage("Group [" + std::to_string(made.size()) + "]= " + made.back().name.str());
        }
        LogMessage("Assinging new groups to faces...");
        kept.KeepGroupIndices();
        ReplaceGroups(made, kept);
        for (tface& f : SceneFaces) f.group = f.material;
        for (tline& l : LineSegments) l.group = l.material;
    });
}

void GroupsFromMaterialsAndGroups(tmodelundo* undo) {
    ChangeModel(undo, [](tmodelundo& kept) {
        CheckPartitionIndices();
        LogMessage("Assinging new groups to faces...");
        kept.KeepGroupIndices();
        const PairNumbers pairs = NumberPairs([](auto& r) -> int32_t& { return r.group; });

        LogMessage("Creating new groups...");
        std::vector<tgroup> made(static_cast<std::size_t>(pairs.Count()));
        for (const auto& p : pairs.Sorted([](const PairNumbers::Pair& p) { return std::pair(p.material, p.group); })) {
            tgroup g = SceneGroups[static_cast<std::size_t>(p.group)];
            g.name = SceneGroups[static_cast<std::size_t>(p.group)].name + "_" +
                     SceneMaterials[static_cast<std::size_t>(p.material)].name;
            LogMessage("Group [" + std::to_string(p.number) + "]= " + g.name.str());
            made[static_cast<std::size_t>(p.number) - 1] = std::move(g);
        }

        LogMessage("Erasing old groups...");
        ReplaceGroups(made, kept);
    });
}
