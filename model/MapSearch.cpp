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

// The places in search order of sorted keys, with a tree of their minimums:
// the first place of any stretch of keys, or the first there for which a
// test holds, without looking at every key of the stretch.
class FirstPlaces {
public:
    static constexpr uint64_t None = UINT64_MAX;

    // The keys in order, each with its place (second).
    template <typename Key>
    explicit FirstPlaces(const std::vector<std::pair<Key, uint32_t>>& keyed) : n_(keyed.size()) {
        first_.resize(2 * n_);
        for (std::size_t i = 0; i < n_; ++i) first_[n_ + i] = keyed[i].second;
        for (std::size_t i = n_; i-- > 1;) first_[i] = std::min(first_[2 * i], first_[2 * i + 1]);
    }

    // The smallest place of the keys [lo, hi).
    uint64_t FirstOf(std::size_t lo, std::size_t hi) const {
        uint64_t first = None;
        for (lo += n_, hi += n_; lo < hi; lo /= 2, hi /= 2) {
            if (lo & 1) first = std::min<uint64_t>(first, first_[lo++]);
            if (hi & 1) first = std::min<uint64_t>(first, first_[--hi]);
        }
        return first;
    }

    // The first place of the keys [lo, hi) for which `matches` holds; None
    // when it holds for none. The places are taken smallest first, from the
    // tree; one that several keys have comes that many times in a row.
    template <typename Matches>
    uint64_t FirstWhere(std::size_t lo, std::size_t hi, Matches&& matches) const {
        // Nodes of the tree, smallest minimum on top.
        const auto later = [this](std::size_t a, std::size_t b) { return first_[a] > first_[b]; };
        std::vector<std::size_t> nodes;
        for (lo += n_, hi += n_; lo < hi; lo /= 2, hi /= 2) {
            if (lo & 1) nodes.push_back(lo++);
            if (hi & 1) nodes.push_back(--hi);
        }
        std::make_heap(nodes.begin(), nodes.end(), later);
        while (!nodes.empty()) {
            std::pop_heap(nodes.begin(), nodes.end(), later);
            const std::size_t node = nodes.back();
            nodes.pop_back();
            if (node >= n_) {
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
    std::size_t n_;
    std::vector<uint32_t> first_;  // node i: the minimum of 2i and 2i + 1; the places from n_ on
};

// The files of a folder tree by their lower-case names in sorted order (or
// by those names spelled backwards, for their endings), with the files of
// any run of them at hand in search order: a wildcard name "stem.*" matches
// the names that begin with the stem and ".", one run, and the stem itself
// when it has no ".".
class SortedNames {
public:
    SortedNames(const std::vector<std::string>& lowerNames, bool backwards)
        : sorted_(Sorted(lowerNames, backwards)), places_(sorted_) {}

    // The place in search order of the first file matching "stem.*" (stem in
    // lower case); None when none does.
    uint64_t FirstOfStem(const std::string& stem) const {
        uint64_t first = places_.FirstOf(Bound(stem + "."), Bound(stem + "/"));  // "/" follows "."
        if (stem.find('.') == std::string::npos)
            first = std::min(first, places_.FirstOf(Bound(stem), Bound(stem + '\0')));
        return first;
    }

    // The run of sorted names that begin with `start` (in lower case).
    std::pair<std::size_t, std::size_t> Starting(const std::string& start) const {
        const std::size_t lo = Bound(start);
        const auto hi = std::partition_point(sorted_.begin() + static_cast<std::ptrdiff_t>(lo), sorted_.end(),
                                             [&](const auto& name) { return name.first.starts_with(start); });
        return {lo, static_cast<std::size_t>(hi - sorted_.begin())};
    }

    const FirstPlaces& places() const { return places_; }

private:
    using Names = std::vector<std::pair<std::string, uint32_t>>;
    static Names Sorted(const std::vector<std::string>& lowerNames, bool backwards) {
        Names sorted;
        sorted.reserve(lowerNames.size());
        for (std::size_t i = 0; i < lowerNames.size(); ++i) {
            std::string name = lowerNames[i];
            if (backwards) std::reverse(name.begin(), name.end());
            sorted.emplace_back(std::move(name), static_cast<uint32_t>(i));
        }
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }
    // The first sorted name not less than `name`.
    std::size_t Bound(const std::string& name) const {
        return static_cast<std::size_t>(
            std::lower_bound(sorted_.begin(), sorted_.end(), std::pair<std::string, uint32_t>(name, 0)) -
            sorted_.begin());
    }

    Names sorted_;
    FirstPlaces places_;
};

// Every position in every lower-case file name, filed by the (at most)
// eight characters from there as a number, the first character highest and
// the missing ones zero: the positions at which the names hold a piece of
// up to eight characters are one stretch of the sorted keys, and those of a
// longer piece lie in the stretch of each of its eight-character windows.
class NamePieces {
public:
    explicit NamePieces(const std::vector<std::string>& lowerNames) : NamePieces(Keyed(lowerNames)) {}

    // The stretch of positions, among those of each window of `piece` (lower
    // case, not empty), with the fewest: every name holding the piece has
    // one of its positions there.
    std::pair<std::size_t, std::size_t> Holding(std::string_view piece) const {
        std::pair<std::size_t, std::size_t> fewest{0, keys_.size()};
        for (std::size_t at = 0; at == 0 || at + Width <= piece.size(); ++at) {
            const std::string_view window = piece.substr(at, Width);
            const uint64_t lo = Key(window);
            const uint64_t hi = window.size() < Width ? lo | (~uint64_t{0} >> (8 * window.size())) : lo;
            const std::pair<std::size_t, std::size_t> stretch{
                static_cast<std::size_t>(std::lower_bound(keys_.begin(), keys_.end(), lo) - keys_.begin()),
                static_cast<std::size_t>(std::upper_bound(keys_.begin(), keys_.end(), hi) - keys_.begin())};
            if (stretch.second - stretch.first < fewest.second - fewest.first) fewest = stretch;
        }
        return fewest;
    }

    const FirstPlaces& places() const { return places_; }

private:
    using Positions = std::vector<std::pair<uint64_t, uint32_t>>;
    static constexpr std::size_t Width = 8;
    static uint64_t Key(std::string_view text) {
        uint64_t key = 0;
        for (std::size_t k = 0; k < Width; ++k)
            key = key << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0u);
        return key;
    }
    // Every position's key with the place of its name, in order.
    static Positions Keyed(const std::vector<std::string>& lowerNames) {
        std::size_t total = 0;
        for (const std::string& name : lowerNames) total += name.size();
        Positions keyed;
        keyed.reserve(total);
        for (std::size_t i = 0; i < lowerNames.size(); ++i)
            for (std::size_t at = 0; at < lowerNames[i].size(); ++at)
                keyed.emplace_back(Key(std::string_view(lowerNames[i]).substr(at)), static_cast<uint32_t>(i));
        std::sort(keyed.begin(), keyed.end());
        return keyed;
    }
    explicit NamePieces(const Positions& keyed) : places_(keyed) {
        keys_.reserve(keyed.size());
        for (const auto& keyAndPlace : keyed) keys_.push_back(keyAndPlace.first);
    }

    std::vector<uint64_t> keys_;
    FirstPlaces places_;
};

// The pieces without wildcards that every name matching `mask` holds (any
// letter case): those of the mask, and for a mask ending in ".*", which
// also matches names without an extension, those of the mask without it.
std::vector<std::string_view> PiecesOf(std::string_view mask) {
    if (mask.ends_with(".*")) mask.remove_suffix(2);
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0; at < mask.size();) {
        const std::size_t end = std::min(mask.find_first_of("*?", at), mask.size());
        if (end > at) pieces.push_back(mask.substr(at, end - at));
        at = end + 1;
    }
    return pieces;
}

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
            lowerNames_.reserve(files_->size());
            for (const std::string& path : *files_) {
                lowerNames_.push_back(LowerCase(ExtractFileName(path)));
                first_.try_emplace(lowerNames_.back(), &path);
            }
        }
        const std::size_t wildcard = name.find_first_of("*?");
        if (wildcard == std::string_view::npos) {
            const auto it = first_.find(LowerCase(name));
            return it == first_.end() ? std::string() : *it->second;
        }
        if (!names_) names_.emplace(lowerNames_, false);
        if (wildcard + 1 == name.size() && name.ends_with(".*")) {
            const uint64_t first = names_->FirstOfStem(LowerCase(name.substr(0, wildcard - 1)));
            return first == FirstPlaces::None ? std::string() : (*files_)[static_cast<std::size_t>(first)];
        }
        const auto [it, added] = masks_.try_emplace(LowerCase(name));
        if (added) {
            const uint64_t first = FirstMatch(it->first, wildcard);
            if (first != FirstPlaces::None) it->second = (*files_)[static_cast<std::size_t>(first)];
        }
        return it->second;
    }

private:
    // Any other wildcard name (`mask`, in lower case): the files that begin
    // as it does, end as it does, or hold one of its pieces, whichever are
    // fewest, in search order until one matches.
    uint64_t FirstMatch(const std::string& mask, std::size_t wildcard) {
        if (!endings_) endings_.emplace(lowerNames_, true);
        std::string ending = mask.substr(mask.find_last_of("*?") + 1);
        std::reverse(ending.begin(), ending.end());
        const FirstPlaces* group = &names_->places();
        std::pair<std::size_t, std::size_t> stretch = names_->Starting(mask.substr(0, wildcard));
        const auto fewer = [&](const FirstPlaces& places, std::pair<std::size_t, std::size_t> other) {
            if (other.second - other.first >= stretch.second - stretch.first) return;
            group = &places;
            stretch = other;
        };
        fewer(endings_->places(), endings_->Starting(ending));
        for (const std::string_view piece : PiecesOf(mask)) {
            if (stretch.second - stretch.first <= 1) break;
            if (!pieces_) pieces_.emplace(lowerNames_);
            fewer(pieces_->places(), pieces_->Holding(piece));
        }
        uint64_t tried = FirstPlaces::None;  // a name holding a piece twice comes twice
        return group->FirstWhere(stretch.first, stretch.second, [&](uint64_t place) {
            if (place == std::exchange(tried, place)) return false;
            return MatchesFileMask(ExtractFileName((*files_)[static_cast<std::size_t>(place)]), mask);
        });
    }

    std::string directory_;
    std::optional<std::vector<std::string>> files_;
    std::vector<std::string> lowerNames_;  // of the files, in search order
    std::unordered_map<std::string, const std::string*> first_;
    std::optional<SortedNames> names_, endings_;           // for wildcard names
    std::optional<NamePieces> pieces_;                      // for wildcard names with pieces inside
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
