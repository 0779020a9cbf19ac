#include "model/MapSearch.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/FileSearch.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"

namespace {

// The files of a folder tree by their lower-case names in sorted order (or
// by those names spelled backwards, for their endings), with the files of
// any run of them at hand in search order: a wildcard name "stem.*" matches
// the names that begin with the stem and ".", one run, and the stem itself
// when it has no "."; any other wildcard name matches only names that begin
// with what comes before its first wildcard and end with what comes after
// its last.
class SortedNames {
public:
    SortedNames(const std::vector<std::string>& files, bool backwards) {
        sorted_.reserve(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::string name = LowerCase(ExtractFileName(files[i]));
            if (backwards) std::reverse(name.begin(), name.end());
            sorted_.emplace_back(std::move(name), static_cast<uint32_t>(i));
        }
        std::sort(sorted_.begin(), sorted_.end());
        // A tree of minimums over the sorted names' places in search order.
        const std::size_t n = sorted_.size();
        first_.resize(2 * n);
        for (std::size_t i = 0; i < n; ++i) first_[n + i] = sorted_[i].second;
        for (std::size_t i = n; i-- > 1;) first_[i] = std::min(first_[2 * i], first_[2 * i + 1]);
    }

    static constexpr uint64_t None = UINT64_MAX;

    // The place in search order of the first file matching "stem.*" (stem in
    // lower case); None when none does.
    uint64_t FirstOfStem(const std::string& stem) const {
        uint64_t first = FirstOf(Bound(stem + "."), Bound(stem + "/"));  // "/" follows "."
        if (stem.find('.') == std::string::npos) first = std::min(first, FirstOf(Bound(stem), Bound(stem + '\0')));
        return first;
    }

    // The run of sorted names that begin with `start` (in lower case).
    std::pair<std::size_t, std::size_t> Starting(const std::string& start) const {
        const std::size_t lo = Bound(start);
        const auto hi = std::partition_point(sorted_.begin() + static_cast<std::ptrdiff_t>(lo), sorted_.end(),
                                             [&](const auto& name) { return name.first.starts_with(start); });
        return {lo, static_cast<std::size_t>(hi - sorted_.begin())};
    }

    // The first place in search order among the sorted names [lo, hi) for
    // which `matches` holds; None when it holds for none. The places are
    // taken smallest first, from the tree.
    template <typename Matches>
    uint64_t FirstWhere(std::size_t lo, std::size_t hi, Matches&& matches) const {
        // Nodes of the tree, smallest minimum on top.
        const auto later = [this](std::size_t a, std::size_t b) { return first_[a] > first_[b]; };
        std::vector<std::size_t> nodes;
        for (lo += sorted_.size(), hi += sorted_.size(); lo < hi; lo /= 2, hi /= 2) {
            if (lo & 1) nodes.push_back(lo++);
            if (hi & 1) nodes.push_back(--hi);
        }
        std::make_heap(nodes.begin(), nodes.end(), later);
        while (!nodes.empty()) {
            std::pop_heap(nodes.begin(), nodes.end(), later);
            const std::size_t node = nodes.back();
            nodes.pop_back();
            if (node >= sorted_.size()) {
                if (matches(first_[node])) return first_[node];
                continue;
            }
            for (const std::size_t child : {2 * node, 2 * node + 1}) {
                nodes.push_back(child);
                std::push_heap(nodes.begin(), nodes.end(), later);
            }
        }
        return None;
    }

private:
    // The first sorted name not less than `name`.
    std::size_t Bound(const std::string& name) const {
        return static_cast<std::size_t>(
            std::lower_bound(sorted_.begin(), sorted_.end(), std::pair<std::string, uint32_t>(name, 0)) -
            sorted_.begin());
    }
    // The smallest place in search order of the sorted names [lo, hi).
    uint64_t FirstOf(std::size_t lo, std::size_t hi) const {
        uint64_t first = None;
        for (lo += sorted_.size(), hi += sorted_.size(); lo < hi; lo /= 2, hi /= 2) {
            if (lo & 1) first = std::min<uint64_t>(first, first_[lo++]);
            if (hi & 1) first = std::min<uint64_t>(first, first_[--hi]);
        }
        return first;
    }

    std::vector<std::pair<std::string, uint32_t>> sorted_;
    std::vector<uint32_t> first_;
};

// The files of one folder tree in search order, with the first file of each
// name (lower case) for names without wildcards.
class FolderIndex {
public:
    explicit FolderIndex(std::string_view directory) : directory_(directory) {}

    // The first file whose name matches `name`; empty when none does.
    std::string Find(std::string_view name) {
        if (!files_) {
            files_.emplace();
            FindFilesRecursive("*", directory_, *files_);
            for (const std::string& path : *files_) first_.try_emplace(LowerCase(ExtractFileName(path)), &path);
        }
        const std::size_t wildcard = name.find_first_of("*?");
        if (wildcard == std::string_view::npos) {
            const auto it = first_.find(LowerCase(name));
            return it == first_.end() ? std::string() : *it->second;
        }
        if (!names_) names_.emplace(*files_, false);
        if (wildcard + 1 == name.size() && name.ends_with(".*")) {
            const uint64_t first = names_->FirstOfStem(LowerCase(name.substr(0, wildcard - 1)));
            return first == SortedNames::None ? std::string() : (*files_)[static_cast<std::size_t>(first)];
        }
        // Any other wildcard name: the files that begin or end as it does,
        // whichever are fewer, in search order until one matches.
        const auto [it, added] = masks_.try_emplace(LowerCase(name));
        if (added) {
            if (!endings_) endings_.emplace(*files_, true);
            const std::string& mask = it->first;
            std::string ending = mask.substr(mask.find_last_of("*?") + 1);
            std::reverse(ending.begin(), ending.end());
            const auto [lo, hi] = names_->Starting(mask.substr(0, wildcard));
            const auto [endLo, endHi] = endings_->Starting(ending);
            const auto matches = [&](uint64_t place) {
                return MatchesFileMask(ExtractFileName((*files_)[static_cast<std::size_t>(place)]), name);
            };
            const uint64_t first = hi - lo <= endHi - endLo ? names_->FirstWhere(lo, hi, matches)
                                                            : endings_->FirstWhere(endLo, endHi, matches);
            if (first != SortedNames::None) it->second = (*files_)[static_cast<std::size_t>(first)];
        }
        return it->second;
    }

private:
    std::string directory_;
    std::optional<std::vector<std::string>> files_;
    std::unordered_map<std::string, const std::string*> first_;
    std::optional<SortedNames> names_, endings_;           // for wildcard names
    std::unordered_map<std::string, std::string> masks_;  // other wildcard names (lower case) -> first match
};

bool NeedsSearch(std::string_view map) {
    return !map.empty() && (!FileExistsNonBlank(map) || ExtractFileExt(map) == ".*");
}

tmapname* SlotOf(tmaterial& m, int32_t slot) {
    switch (slot) {
        case ColorMapSlot: return &m.colorMap;
        case TransparencyMapSlot: return &m.transparencyMap;
        case BumpMapSlot: return &m.bumpMap;
        default: return nullptr;
    }
}

// The map names of one slot of every material while the search renames
// them. A material's name is a node; renaming every name equal to an old one
// (ignoring case) points all nodes of that name at one new node and leaves
// the old name to no one, so that the renames of a whole search cost in
// proportion to the materials, not to the materials times the renames.
class SlotNames {
public:
    explicit SlotNames(int32_t slot) : slot_(slot) {
        const std::size_t count = SceneMaterials.size();
        of_.resize(count);
        nodes_.reserve(count);
        for (std::size_t i = 0; i < count; ++i) of_[i] = NewNode(SlotOf(SceneMaterials[i], slot)->str());
    }

    const std::string& Current(std::size_t material) { return nodes_[Root(of_[material])].name; }
    // The name of this one material.
    void Set(std::size_t material, const std::string& name) { of_[material] = NewNode(name); }
    // RenameMapInMaterials on these names.
    void Rename(std::string_view oldName, const std::string& newName) {
        if (oldName.empty() || newName.empty() || SameText(oldName, newName)) return;
        const auto it = byName_.find(LowerCase(oldName));
        if (it == byName_.end()) return;
        const std::vector<std::size_t> renamed = std::move(it->second);
        byName_.erase(it);
        const std::size_t target = NewNode(newName);
        for (std::size_t node : renamed) nodes_[node].parent = target;
    }
    // The names into the materials.
    void Store() {
        for (std::size_t i = 0; i < of_.size(); ++i) {
            tmapname& map = *SlotOf(SceneMaterials[i], slot_);
            if (map != Current(i)) map = Current(i);
        }
    }

private:
    struct Node {
        std::size_t parent;
        std::string name;
    };
    // A node of its own for the name (no rename looks for "").
    std::size_t NewNode(const std::string& name) {
        const std::size_t n = nodes_.size();
        if (!name.empty()) byName_[LowerCase(name)].push_back(n);
        nodes_.push_back({n, name});
        return n;
    }
    std::size_t Root(std::size_t node) {
        std::size_t root = node;
        while (nodes_[root].parent != root) root = nodes_[root].parent;
        while (nodes_[node].parent != root) node = std::exchange(nodes_[node].parent, root);
        return root;
    }

    int32_t slot_;
    std::vector<std::size_t> of_;  // the node of each material
    std::vector<Node> nodes_;
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;  // lower-case name -> its nodes
};

}  // namespace

void SearchMapsInDir(std::string_view directory) {
    LogMessage(RuleLine);
    Svc().status->SetStatusLine("Searching directories...");
    LogMessage("Searching for maps...");
    FolderIndex index(directory);
    const std::size_t count = SceneMaterials.size();
    // Material by material, every find renamed in all materials as
    // RenameMapInMaterials does, in one pass; the names go into the
    // materials at the end.
    SlotNames slots[] = {SlotNames(ColorMapSlot), SlotNames(TransparencyMapSlot), SlotNames(BumpMapSlot)};
    for (std::size_t i = 0; i < count; ++i) {
        if (count > 1) ShowProgress(0, 100, static_cast<double>(Round(static_cast<double>(i) * 100 / (count - 1))));
        for (SlotNames& names : slots) {
            const std::string before = names.Current(i);
            if (!NeedsSearch(before)) continue;
            const std::string found = tmapname(index.Find(ExtractFileName(before))).str();
            if (found.empty()) continue;
            if (SameText(before, found))
                names.Set(i, found);  // a rename to the same name in another case renames no other material
            else
                names.Rename(before, found);
        }
    }
    for (SlotNames& names : slots) names.Store();
}

void SearchMapsInDirs(const std::vector<std::string>& directories) {
    WaitScope wait;
    LogMessage(RuleLine);
    Svc().status->SetStatusLine("Searching directories...");
    for (const std::string& line : directories) {
        const std::string directory = Trim(line);
        if (!directory.empty()) SearchMapsInDir(directory);
    }
}

void RenameMapInMaterials(std::string_view oldName, std::string_view newName, int32_t slot) {
    if (oldName.empty() || newName.empty() || SameText(oldName, newName)) return;
    for (tmaterial& m : SceneMaterials)
        if (tmapname* map = SlotOf(m, slot); map && SameText(map->view(), oldName)) *map = newName;
}

bool ExtensionInList(std::string_view fileName, std::string_view list) {
    std::string ext = LowerCase(ExtractFileExt(fileName));
    if (!ext.empty()) ext.erase(0, 1);
    if (ext.size() > 10) return false;
    for (const std::string& item : SplitCommaText(LowerCase(list)))
        if (item == ext) return true;
    return false;
}

void MatchMapNameCase() {
    // The name as found on disk when it does not exist as written; empty
    // when it is blank, exists, or exists in no spelling.
    const auto onDisk = [](const std::string& name) {
        if (Trim(name).empty() || FileExistsNonBlank(name)) return std::string();
        std::string found = FileNameAsOnDisk(name);
        return FileExistsNonBlank(found) ? found : std::string();
    };
    for (tmaterial& m : SceneMaterials)
        for (tmapname* map : {&m.colorMap, &m.bumpMap, &m.transparencyMap})
            if (std::string found = onDisk(*map); !found.empty()) *map = found;
    if (BackgroundTexture != 0)
        if (std::string found = onDisk(BackgroundMapName); !found.empty()) BackgroundMapName = found;
}
