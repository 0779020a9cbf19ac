#include "model/ModelLists.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/UniqueNames.h"
#include "options/Options.h"

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

// Logs every unused record, from the last to the first.
template <typename T>
void LogUnused(const std::vector<T>& list, std::string_view before, std::string_view after) {
    for (std::size_t i = list.size(); i-- > 0;) {
        if (IsUsed(list[i])) continue;
        std::string line(before);
        line += list[i].name.view();
        line += after;
        LogMessage(line);
    }
}

// `name` after `count` appendings of "_2", each of which first shortens a
// name too long for the suffix so that it fits; once the name is as long as
// a name can be, appending gives the same name again.
std::string AppendedTwos(std::string_view name, std::size_t count) {
    constexpr std::size_t limit = tname::Capacity;
    std::string s(name);
    const std::size_t whole = s.size() < limit ? (limit - s.size()) / 2 : 0;  // appendings that fit
    for (std::size_t k = 0; k < std::min(count, whole); ++k) s += "_2";
    if (count > whole) {
        s.resize(std::min(s.size(), limit - 2));
        s += "_2";
    }
    return s;
}

// CleanIdentifier(text + "_") without its last byte: the text cleaned, blanks
// trimmed at its start only, so that the identifier of the text followed by
// identifier characters is this followed by them.
std::string CleanedStem(std::string_view text) {
    std::string s(text);
    s += '_';
    std::string stem = CleanIdentifier(s);
    stem.pop_back();
    return stem;
}

// What the identifiers of a name with "_2" suffixes depend on: the name
// cleaned but for its end, and the number of blanks it starts with (they
// shift where a long name is shortened).
std::string RunKey(std::string_view name) {
    std::string key = CleanedStem(name);
    key.push_back(static_cast<char>(name.size() - key.size()));
    return key;
}

}  // namespace

void DeleteEmptyGroups() {
    // The counts decide what is deleted, so they must describe the faces and
    // lines as they are now; a stale count would delete a group still in use.
    CountFacesPerGroupAndMaterial();
    DeleteEmptyGroupsAsCounted();
}

void DeleteEmptyGroupsAsCounted() {
    // The maps and the lines are made before anything changes; the deletion
    // itself allocates nothing, so that running out of memory leaves every
    // face and line with the group and material it had.
    std::vector<int32_t> groupMap, materialMap;
    const bool groups = BuildIndexMap(SceneGroups, groupMap);
    const bool materials = BuildIndexMap(SceneMaterials, materialMap);
    if (groups) LogUnused(SceneGroups, "<!> Group ", " is empty. Deleted.");
    if (materials) LogUnused(SceneMaterials, "<!> Material ", " is not used. Deleted.");

    if (groups) {
        for (tface& f : SceneFaces) f.group = groupMap[f.group];
        for (tline& l : LineSegments) l.group = groupMap[l.group];
        std::erase_if(SceneGroups, [](const tgroup& g) { return !IsUsed(g); });
    }
    if (materials) {
        for (tface& f : SceneFaces) f.material = materialMap[f.material];
        for (tline& l : LineSegments) l.material = materialMap[l.material];
        // The material shown on the panel stays the same record where it is
        // kept, else the kept one before it.
        if (CurrentMaterialIndex >= 0 && CurrentMaterialIndex < static_cast<int32_t>(materialMap.size()))
            CurrentMaterialIndex = materialMap[CurrentMaterialIndex];
        std::erase_if(SceneMaterials, [](const tmaterial& m) { return !IsUsed(m); });
    }

    const int32_t materialCount = static_cast<int32_t>(SceneMaterials.size());
    CurrentMaterialIndex = std::clamp(CurrentMaterialIndex, 0, std::max(0, materialCount - 1));
    // Material indices of faces changed: tables keyed by material are stale.
    if (groups || materials) TopologyChanged();
}

void MakeMaterialNamesUnique() {
    // Every material is compared with the names of the materials before it,
    // which are final by then: the earliest keeps its name and a later one
    // gets "_2" appended until its identifier is free (AppendedTwos), and
    // once the name is as long as a name can be, a counting suffix "_3",
    // "_4", ... This gives the same names as renaming every later clash in
    // turn, and no identifier is tried twice:
    //  - The identifiers along the "_2" suffixes of a name depend only on its
    //    run key (RunKey): names of one run key share how many suffixes are
    //    known to give a taken identifier, and go on from there.
    //  - The counting suffixes go on where the last search of the same
    //    cleaned stem ended (SuffixNumbers).
    constexpr std::size_t limit = tname::Capacity;
    std::unordered_set<std::string> taken;  // identifiers of the names so far
    taken.reserve(SceneMaterials.size() * 2);
    std::unordered_map<std::string, std::size_t> runs;  // run key -> suffixes known taken, plus 1
    SuffixNumbers counting(3);
    const auto isTaken = [&taken](const std::string& identifier) { return taken.count(identifier) > 0; };

    for (tmaterial& m : SceneMaterials) {
        const std::string name = m.name.str();
        if (taken.insert(CleanIdentifier(name)).second) continue;

        std::size_t& suffixes = runs.try_emplace(RunKey(name), 1).first->second;
        std::optional<std::string> free;
        for (; !free; ++suffixes) {
            std::string candidate = AppendedTwos(name, suffixes);
            if (candidate == AppendedTwos(name, suffixes - 1)) break;  // it can grow no longer
            if (taken.insert(CleanIdentifier(candidate)).second) free = std::move(candidate);
        }
        if (!free) {
            const std::string whole = AppendedTwos(name, suffixes);
            const int64_t n = counting.Smallest(
                [&](int digits) { return CleanedStem(whole.substr(0, limit - 1 - static_cast<std::size_t>(digits))); },
                isTaken);
            free = SuffixedName(whole, n, limit);
            taken.insert(CleanIdentifier(*free));
        }
        m.name = *free;
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
        for (const tmapname* map : {&m.colorMap, &m.bumpMap, &m.transparencyMap}) {
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

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void SplitVersionText(std::string_view text, int& major, int& minor) {
    major = 0;
    minor = 0;
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= text.size()) return;
    if (!IsDigit(text[dot - 1]) || !IsDigit(text[dot + 1])) return;
    std::size_t first = dot;
    while (first > 0 && IsDigit(text[first - 1])) --first;
    std::size_t last = dot + 1;
    while (last < text.size() && IsDigit(text[last])) ++last;
    int a = 0, b = 0;
    const auto ra = std::from_chars(text.data() + first, text.data() + dot, a);
    const auto rb = std::from_chars(text.data() + dot + 1, text.data() + last, b);
    if (ra.ec != std::errc() || rb.ec != std::errc()) return;
    major = a;
    minor = b;
}

float GLVersionNumber(std::string_view text) {
    int major = 0, minor = 0;
    SplitVersionText(text, major, minor);
    const std::string number = std::to_string(major) + "." + std::to_string(minor);
    float value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value;
}


namespace {
// to := Round(from x (numerator side) / (denominator side)) of the preview.
void ScaleRenderSize(const tedit& from, tedit& to, bool heightFromWidth) {
    int64_t value = 0;
    if (!ParseInt(Trim(from.text), value)) return;
    int32_t width = 0, height = 0;
    Svc().window->PreviewClientSize(width, height);
    if (width < 1 || height < 1) return;
    const double ratio = heightFromWidth ? static_cast<double>(height) / width : static_cast<double>(width) / height;
    to.text = std::to_string(Round(static_cast<double>(value) * ratio));
}
}  // namespace

void RenderHeightFromWidth() { ScaleRenderSize(Form1.Edit47, Form1.Edit48, true); }

void RenderWidthFromHeight() { ScaleRenderSize(Form1.Edit48, Form1.Edit47, false); }
