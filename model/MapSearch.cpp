#include "model/MapSearch.h"

#include <optional>
#include <unordered_map>

#include "model/FileSearch.h"
#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"

namespace {

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
        if (name.find_first_of("*?") == std::string_view::npos) {
            const auto it = first_.find(LowerCase(name));
            return it == first_.end() ? std::string() : *it->second;
        }
        for (const std::string& path : *files_)
            if (MatchesFileMask(ExtractFileName(path), name)) return path;
        return {};
    }

private:
    std::string directory_;
    std::optional<std::vector<std::string>> files_;
    std::unordered_map<std::string, const std::string*> first_;
};

bool NeedsSearch(const tmapname& map) {
    return !map.empty() && (!FileExistsNonBlank(map.view()) || ExtractFileExt(map.view()) == ".*");
}

tmapname* SlotOf(tmaterial& m, int32_t slot) {
    switch (slot) {
        case ColorMapSlot: return &m.colorMap;
        case TransparencyMapSlot: return &m.transparencyMap;
        case BumpMapSlot: return &m.bumpMap;
        default: return nullptr;
    }
}

}  // namespace

void SearchMapsInDir(std::string_view directory) {
    LogMessage(RuleLine);
    Svc().status->SetStatusLine("Searching directories...");
    LogMessage("Searching for maps...");
    FolderIndex index(directory);
    const std::size_t count = SceneMaterials.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (count > 1) ShowProgress(0, 100, static_cast<double>(Round(static_cast<double>(i) * 100 / (count - 1))));
        tmaterial& m = SceneMaterials[i];
        const std::string before[3] = {m.colorMap, m.transparencyMap, m.bumpMap};
        for (tmapname* map : {&m.colorMap, &m.transparencyMap, &m.bumpMap}) {
            if (!NeedsSearch(*map)) continue;
            const std::string found = index.Find(ExtractFileName(map->view()));
            if (!found.empty()) *map = found;
        }
        // Copies: the renaming writes into the material itself too.
        const std::string after[3] = {m.colorMap, m.transparencyMap, m.bumpMap};
        RenameMapInMaterials(before[0], after[0], ColorMapSlot);
        RenameMapInMaterials(before[1], after[1], TransparencyMapSlot);
        RenameMapInMaterials(before[2], after[2], BumpMapSlot);
    }
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
