#include "model/ModelLists.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"

namespace {

template <typename T>
bool IsUsed(const T& record) {
    return record.faceCount > 0 || record.lineCount >= 1;
}

// Old index -> new index: a kept record gets the next new index, an unused
// one the index of the last kept record before it. True when some record is
// unused.
template <typename T>
bool BuildIndexMap(const std::vector<T>& list, std::vector<int32_t>& map) {
    map.resize(list.size());
    int32_t counter = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (IsUsed(list[i])) ++counter;
        map[i] = counter;
    }
    return counter != static_cast<int32_t>(list.size()) - 1;
}

// Logs every unused record from the last to the first, then removes them all
// in one pass, keeping the order of the others.
template <typename T>
void RemoveUnused(std::vector<T>& list, std::string_view before, std::string_view after) {
    for (std::size_t i = list.size(); i-- > 0;) {
        if (IsUsed(list[i])) continue;
        std::string line(before);
        line += list[i].name.view();
        line += after;
        LogMessage(line);
    }
    std::erase_if(list, [](const T& r) { return !IsUsed(r); });
}

}  // namespace

void DeleteEmptyGroups() {
    // The counts decide what is deleted, so they must describe the faces and
    // lines as they are now; a stale count would delete a group still in use.
    CountFacesPerGroupAndMaterial();

    std::vector<int32_t> map;
    bool changed = false;

    if (BuildIndexMap(SceneGroups, map)) {
        for (tface& f : SceneFaces) f.group = map[f.group];
        for (tline& l : LineSegments) l.group = map[l.group];
        RemoveUnused(SceneGroups, "<!> Group ", " is empty. Deleted.");
        changed = true;
    }

    if (BuildIndexMap(SceneMaterials, map)) {
        for (tface& f : SceneFaces) f.material = map[f.material];
        for (tline& l : LineSegments) l.material = map[l.material];
        // The material shown on the panel stays the same record where it is
        // kept, else the kept one before it.
        if (CurrentMaterialIndex >= 0 && CurrentMaterialIndex < static_cast<int32_t>(map.size()))
            CurrentMaterialIndex = map[CurrentMaterialIndex];
        RemoveUnused(SceneMaterials, "<!> Material ", " is not used. Deleted.");
        changed = true;
    }

    const int32_t materialCount = static_cast<int32_t>(SceneMaterials.size());
    CurrentMaterialIndex = std::clamp(CurrentMaterialIndex, 0, std::max(0, materialCount - 1));
    // Material indices of faces changed: tables keyed by material are stale.
    if (changed) TopologyChanged();
}

void MakeMaterialNamesUnique() {
    // Every material is compared with the names of the materials before it,
    // which are final by then: the earliest keeps its name and a later one
    // gets "_2" appended until its identifier is free. This gives the same
    // names as renaming every later clash in turn, in linear time.
    constexpr std::size_t limit = tname::Capacity;
    const std::string_view suffix = "_2";

    std::unordered_set<std::string> taken;  // identifiers of the names so far
    taken.reserve(SceneMaterials.size() * 2);
    // Where the run of suffixes from a name last ended: every name on the
    // run before it is taken, so the next material of that name goes on
    // from there instead of walking the run again.
    std::unordered_map<std::string, std::string> resume;
    std::unordered_map<std::string, int64_t> nextNumber;  // counting fallback per base

    for (tmaterial& m : SceneMaterials) {
        std::string name = m.name.str();
        std::string key = CleanIdentifier(name);
        if (taken.count(key) == 0) {
            taken.insert(std::move(key));
            continue;
        }
        const std::string original = name;
        if (const auto it = resume.find(original); it != resume.end()) {
            name = it->second;
            key = CleanIdentifier(name);
        }
        while (taken.count(key) != 0) {
            // Append the suffix; a name too long for it is shortened so that
            // the suffix still fits.
            const std::size_t keep = std::min(name.size(), limit - suffix.size());
            std::string next = name.substr(0, keep);
            next += suffix;
            if (next == name) {
                // As long as a name can be and ending in the suffix already:
                // appending changes nothing. Count instead: "_3", "_4", ...
                int64_t& n = nextNumber.try_emplace(key, 3).first->second;
                for (;; ++n) {
                    const std::string tail = "_" + std::to_string(n);
                    std::string candidate = name.substr(0, limit - tail.size()) + tail;
                    std::string candidateKey = CleanIdentifier(candidate);
                    if (taken.count(candidateKey) == 0) {
                        name = std::move(candidate);
                        key = std::move(candidateKey);
                        ++n;
                        break;
                    }
                }
                break;
            }
            name = std::move(next);
            key = CleanIdentifier(name);
        }
        taken.insert(key);
        resume[original] = name;
        m.name = name;
    }
}

void NormalizeMaterials() {
    for (tmaterial& m : SceneMaterials) m.name = Trim(m.name.view());
    for (tgroup& g : SceneGroups) g.name = Trim(g.name.view());
    MakeMaterialNamesUnique();

    const auto step255 = [](double c) { return static_cast<double>(Round(c * 255.0)) / 255.0; };
    const auto step100 = [](double x) { return static_cast<double>(Round(x * 100.0)) / 100.0; };
    const auto colour = [&](tvector& v) {
        v.x = step255(v.x);
        v.y = step255(v.y);
        v.z = step255(v.z);
    };
    for (tmaterial& m : SceneMaterials) {
        double s = m.shininess;
        if (!(s >= 0.01)) s = 0.01;  // also a NaN
        if (s > 1.0) s = 1.0;
        m.shininess = static_cast<float>(step100(s));
        colour(m.ambient);
        colour(m.diffuse);
        colour(m.specular);
        m.transparency = step100(m.transparency);
        m.reflection = step100(m.reflection);
    }
}

bool AnyGroupWithoutShadow() {
    return std::any_of(SceneGroups.begin(), SceneGroups.end(), [](const tgroup& g) { return g.castsShadow == 0; });
}

int32_t CountMaterialMaps() {
    int32_t n = 0;
    for (const tmaterial& m : SceneMaterials)
        n += !m.colorMap.empty() + !m.bumpMap.empty() + !m.transparencyMap.empty();
    return n;
}

std::vector<std::string> MapNameList() {
    std::vector<std::string> names;
    std::unordered_set<std::string_view> seen;  // views into the material names
    for (const tmaterial& m : SceneMaterials) {
        for (const tname* map : {&m.colorMap, &m.bumpMap, &m.transparencyMap}) {
            if (map->empty()) continue;
            if (seen.insert(map->view()).second) names.push_back(map->str());
        }
    }
    return names;
}

int32_t FindSharedTexture(const tmaterial& material) {
    int32_t found = -1;
    for (const tmaterial& m : SceneMaterials) {
        if (m.glTexture == 0) continue;
        if (SameText(m.colorMap.view(), material.colorMap.view()) &&
            SameText(m.transparencyMap.view(), material.transparencyMap.view()))
            found = m.glTexture;
    }
    return found;
}

bool SameColor(const tvector& a, const tvector& b) {
    return Round((a.x - b.x) * 255.0) == 0 && Round((a.y - b.y) * 255.0) == 0 && Round((a.z - b.z) * 255.0) == 0;
}

bool IsNaNOrInf(uint32_t bits) { return (bits & 0x7F800000u) == 0x7F800000u; }

std::string EscapeListMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string GroupListLine(const tgroup& group) {
    std::string line = group.visible ? R"(<A href="visible"><IMG src="idx:25"></A>)"
                                     : R"(<A href="notvis"><IMG src="idx:59"></A>)";
    line += ' ';
    line += group.castsShadow ? R"(<A href="shadow"><IMG src="idx:58"></A>)"
                              : R"(<A href="noshad"><IMG src="idx:57"></A>)";
    line += ' ';
    line += EscapeListMarkup(group.name.view());
    return line;
}

bool HasGLExtension(std::string_view name, std::string_view extensions) {
    const std::string wanted = Trim(name);
    if (wanted.empty()) return false;
    std::size_t start = 0;
    while (start <= extensions.size()) {
        std::size_t end = extensions.find_first_of(" ,", start);
        if (end == std::string_view::npos) end = extensions.size();
        if (SameText(Trim(extensions.substr(start, end - start)), wanted)) return true;
        start = end + 1;
    }
    return false;
}

bool HasGLExtension(std::string_view name) { return HasGLExtension(name, GLExtensionsText); }
