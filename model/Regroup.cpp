#include "model/Regroup.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/Model.h"
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

// Deletes the preview textures of the old materials that none of the new
// ones carries.
void DeleteTexturesNotIn(const std::vector<tmaterial>& oldMaterials, const std::vector<tmaterial>& newMaterials) {
    std::unordered_set<int32_t> kept;
    for (const tmaterial& m : newMaterials)
        if (m.glTexture != 0) kept.insert(m.glTexture);
    WindowHooks& window = *Svc().window;
    for (const tmaterial& m : oldMaterials) {
        if (m.glTexture == 0 || !kept.insert(m.glTexture).second) continue;  // kept, or deleted already
        if (window.IsTexture(m.glTexture)) window.DeleteTexture(m.glTexture);
    }
}

}  // namespace

void MaterialsFromGroups() {
    CheckPartitionIndices();
    LogMessage("Erasing old materials...");
    DeleteMaterialTextures(0);
    SceneMaterials.clear();
    LogMessage("Creating new materials...");
    SceneMaterials.reserve(SceneGroups.size());
    for (const tgroup& g : SceneGroups) {
        tmaterial m;
        NewMaterial(m);
        m.changed = 1;
        m.name = g.name + "_material";
        SceneMaterials.push_back(std::move(m));
        LogMessage("Material [" + std::to_string(SceneMaterials.size()) + "]= " + SceneMaterials.back().name.str());
    }
    LogMessage("Assinging new materials to faces...");
    for (tface& f : SceneFaces) f.material = f.group;
    for (tline& l : LineSegments) l.material = l.group;
}

void MaterialsFromGroupsAndMaterials() {
    CheckPartitionIndices();
    LogMessage("Assinging new materials to faces...");
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
    DeleteTexturesNotIn(SceneMaterials, made);
    SceneMaterials = std::move(made);
}

void GroupsFromMaterials() {
    CheckPartitionIndices();
    LogMessage("Erasing old groups...");
    SceneGroups.clear();
    LogMessage("Creating new groups...");
    SceneGroups.reserve(SceneMaterials.size());
    for (const tmaterial& m : SceneMaterials) {
        tgroup g;
        NewGroup(g);
        g.name = m.name + "_group";
        SceneGroups.push_back(std::move(g));
        LogMessage("Group [" + std::to_string(SceneGroups.size()) + "]= " + SceneGroups.back().name.str());
    }
    LogMessage("Assinging new groups to faces...");
    for (tface& f : SceneFaces) f.group = f.material;
    for (tline& l : LineSegments) l.group = l.material;
}

void GroupsFromMaterialsAndGroups() {
    CheckPartitionIndices();
    LogMessage("Assinging new groups to faces...");
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
    SceneGroups = std::move(made);
}
