#include "model/MapPaths.h"

#include <cctype>
#include <vector>

#include "model/Model.h"
#include "model/TextConv.h"
#include "platform/FileReplace.h"

namespace {

bool Exists(const std::string& path) { return !path.empty() && PathExists(path); }

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    std::string r = folder;
    if (r.back() != '/') r += '/';
    r.append(name);
    return r;
}

// The folder of the model file with a trailing "/", or "" when it has none.
std::string ModelFolder() { return NormalizePathSeparators(ExtractFilePath(Scene.modelFile)); }

bool HasDrive(std::string_view p) {
    return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

bool ExistsAnyCase(const std::string& path) { return Exists(path) || Exists(FileNameAsOnDisk(path)); }

}  // namespace

std::string NormalizePathSeparators(std::string_view path) { return SystemPath(path); }

std::string AbsoluteMapPath(std::string_view path) {
    if (path.empty()) return {};
    const bool fromRoot = path[0] == '\\';
    const std::string p = NormalizePathSeparators(path);
    const std::string folder = ModelFolder();
    if (HasDrive(p) && p.find('/') != std::string::npos) return p;
    if (fromRoot) {
        // The model folder without its trailing separator, then the name.
        std::string base = folder;
        if (!base.empty() && base.back() == '/') base.pop_back();
        return base + p;
    }
    if (p[0] == '/') {
        if (folder.empty() || ExistsAnyCase(p)) return p;
        const std::string joined = Join(folder, p.substr(1));
        return ExistsAnyCase(joined) ? joined : p;
    }
    return Join(folder, p);
}

void ResolveMapPaths() {
    for (tmaterial& m : SceneMaterials) {
        for (tmapname* map : {&m.colorMap, &m.bumpMap, &m.transparencyMap}) {
            if (map->empty()) continue;
            std::string resolved = AbsoluteMapPath(map->view());
            if (!Exists(resolved)) resolved = FileNameAsOnDisk(resolved);
            *map = resolved;
        }
    }
}
