#include "writers/SceneChecks.h"

#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/SystemShell.h"
#include "writers/Export.h"

namespace {

// The compression kind that the image library records for LZW data.
constexpr int32_t CompressionLZW = 4;

bool CheckedAndEnabled(const tcheckbox& box) { return box.checked && box.enabled; }

// Findings already made in this run: owner + map + check letter.
class FindingKeys {
public:
    // True the first time the key is met.
    bool First(std::string_view owner, std::string_view map, char check) {
        std::string key(owner);
        key.push_back('\0');
        key.append(map);
        key.push_back('\0');
        key.push_back(check);
        return keys_.insert(std::move(key)).second;
    }

private:
    std::unordered_set<std::string> keys_;
};

void CheckMaterialMaps(const tmaterial& m, const std::unordered_map<std::string, const tmap*>& cache,
                       FindingKeys& keys, std::vector<std::string>& warnings) {
    const bool fixResolution = CheckedAndEnabled(Form2.CheckBox43);
    const bool fixNames = CheckedAndEnabled(Form2.CheckBox28);
    const std::string& name = m.name.str();
    const std::string* slots[3] = {&m.colorMap.str(), &m.transparencyMap.str(), &m.bumpMap.str()};
    auto cached = [&](const std::string& map) -> const tmap* {
        const auto it = cache.find(map);
        return it == cache.end() ? nullptr : it->second;
    };
    auto each = [&](char check, auto&& finding) {
        for (const std::string* map : slots) {
            if (map->empty()) continue;
            const std::string file = ExtractFileName(*map);
            std::string text;
            if (finding(*map, file, text) && keys.First(name, *map, check)) warnings.push_back(std::move(text));
        }
    };
    const std::string prefix = "Material (" + name + "): ";
    if (!fixResolution)
        each('A', [&](const std::string& map, const std::string& file, std::string& text) {
            text = prefix + "Map " + file + " is not compatible with POV-Ray. Convert image";
            return !IsPOVImageType(POVImageType(map), 0);
        });
    each('B', [&](const std::string& map, const std::string& file, std::string& text) {
        text = prefix + "Map " + file + " not found. Use search tool in materials tab.";
        return !FileExistsNonBlank(map);
    });
    if (!fixResolution) {
        each('C', [&](const std::string& map, const std::string& file, std::string& text) {
            text = prefix + "POV-Ray cannot use " + file + " because it uses LZW compression.";
            const tmap* entry = cached(map);
            return entry && entry->properties.compression == CompressionLZW;
        });
        each('D', [&](const std::string& map, const std::string& file, std::string& text) {
            text = prefix + "POV-Ray cannot use " + file + " because it is interlaced.";
            const tmap* entry = cached(map);
            return entry && entry->properties.interlaced;
        });
    }
    if (!fixNames)
        each('E', [&](const std::string& map, const std::string& file, std::string& text) {
            text = prefix + "Exteded ASCII characters in " + file + ". Click on Fix Names on output options";
            return !IsPlainASCII(map);
        });
}

void CheckBackgroundMap(FindingKeys& keys, std::vector<std::string>& warnings) {
    const std::string& map = BackgroundMapName;
    const std::string file = ExtractFileName(map);
    const std::string type = POVImageType(map);
    constexpr std::string_view owner = "mirelan_background";
    auto add = [&](char check, bool found, std::string text) {
        if (found && keys.First(owner, map, check)) warnings.push_back(std::move(text));
    };
    add('A', !IsPOVImageType(type, 0), "Background Map " + file + " is not compatible with POV-Ray. Convert image");
    add('B', !FileExistsNonBlank(map), "Background Map " + file + " not found.");
    add('C', type == "tiff", "Background Map: POV-Ray may not load " + file + " if it uses LZW compression.");
    add('D', type == "gif", "Background Map: POV-Ray may not load " + file + " if it is interlaced.");
    if (!CheckedAndEnabled(Form2.CheckBox28))
        add('E', !IsPlainASCII(map),
            "Background Map: Exteded ASCII characters in " + file + ". Click on Fix Names on output options");
}

// "POV-Ray executable" names an existing file, or a program on PATH by its
// bare name ("povray").
bool PovRayExecutableSet() {
    const std::string name = Trim(Form1.Edit52.text);
    if (FileExistsNonBlank(name)) return true;
    return !name.empty() && name.find('/') == std::string::npos && !FindProgram(name).empty();
}

}  // namespace

void CheckMaps(std::vector<std::string>& warnings) {
    // The preview-texture cache by map name (the first entry of a name).
    std::unordered_map<std::string, const tmap*> cache;
    cache.reserve(PreviewTextureCache.size());
    for (const tmap& entry : PreviewTextureCache) cache.emplace(entry.fileName.str(), &entry);
    FindingKeys keys;
    for (const tmaterial& m : SceneMaterials) CheckMaterialMaps(m, cache, keys, warnings);
    if (Form1.ComboBox1.index == 1 && !BackgroundMapName.empty()) CheckBackgroundMap(keys, warnings);
}

std::string WarningCountLine(const std::vector<std::string>& warnings) {
    if (warnings.empty()) return "No warnings";
    std::string line = std::to_string(warnings.size()) + (warnings.size() == 1 ? " warning" : " warnings");
    line += " -> ";
    line += warnings.back();
    return line;
}

void CheckScene() {
    StatusSink& status = *Svc().status;
    ClearWarningsPage();
    std::vector<std::string> warnings;
    status.ProcessPendingMessages();
    if (!FileExistsNonBlank(HelpFilePath))
        warnings.emplace_back("Help file mirelanhelp.htm missing - must be in Mirelan's directory");
    if (!PovRayExecutableSet()) warnings.emplace_back("POV-Ray executable not set in POV-Ray render options tab");
    if (BatchFiles.size() <= 1) {
        const bool modelLoaded = !Scene.modelFile.empty();
        if (!SceneMaterials.empty()) CheckMaps(warnings);
        if (SceneVertices.size() < 3 && modelLoaded)
            warnings.emplace_back("There are no vertices in geometry. Check transformation");
        if (SceneFaces.empty() && modelLoaded)
            warnings.emplace_back("There are no faces in geometry. Check transformation");
        const double diagonal = Scene.extents.diagonal;
        if (diagonal > 1e6) warnings.emplace_back("Geometry extents too large. POV-Ray may not render it properly");
        if (diagonal < 1e-6) warnings.emplace_back("Geometry extents too small. POV-Ray may not render it properly");
        const tvector& c = Scene.extents.center;
        if (diagonal > 1e-10 && std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z) / diagonal > 30000)
            warnings.emplace_back("Geometry too far from origin. Recenter to avoid precision loss");
    }
    status.ProcessPendingMessages();
    for (const std::string& w : warnings) AppendLine(StatusPage::Warnings, w);
    status.SetWarningsLine(WarningCountLine(warnings));
}

void InstallSceneChecks() {
    Services& s = Svc();
    s.checkScene = CheckScene;
    s.mapsReport = [] {
        std::vector<std::string> lines;
        MapsReport(lines);
        return lines;
    };
}
