#include "ui/core/OutputNames.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "model/MapPaths.h"
#include "model/PovReservedWords.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "platform/AppPaths.h"
#include "platform/TempFiles.h"

std::string RevisedFileName(std::string_view name, int k) {
    if (k == 0) return std::string(name);
    const std::string extension = ExtractFileExt(name);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_Rev%.5d", k);
    return std::string(name.substr(0, name.size() - extension.size())) + suffix + extension;
}

namespace {

// `file` + ".bak", ".bak2", ".bak3", ...: where the program keeps a file of
// its own that it could not read (FreeBackupName) before it writes a new one.
bool IsBackupOf(std::string_view name, std::string_view file) {
    const std::string backup = std::string(file) + ".bak";
    if (!StartsWithNoCase(name, backup)) return false;
    const std::string_view number = name.substr(backup.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name of a file the program keeps in its folder. Every rule names
// files exactly, never by a part alone, so that a "_Rev" name is always free
// of them.
bool IsProgramFileName(std::string_view name) {
    using namespace ProgramFile;
    if (std::any_of(std::begin(Fixed), std::end(Fixed), [&](const char* own) { return SameText(name, own); }))
        return true;
    if (IsBackupOf(name, Settings) || IsBackupOf(name, TextureLibrary)) return true;
    // The sky maps: the items of the background list after "Color..." and
    // "Spherical Map...".
    const std::string_view prefix = SkyMapPrefix, extension = SkyMapExtension;
    if (name.size() > prefix.size() + extension.size() && StartsWithNoCase(name, prefix) &&
        SameText(name.substr(name.size() - extension.size()), extension)) {
        const std::string_view sky = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
        if (std::any_of(BackgroundChoices.begin() + 2, BackgroundChoices.end(),
                        [&](std::string_view item) { return SameText(sky, item); }))
            return true;
    }
    static const std::string program = ExtractFileName(ExecutablePath());
    return IsTempFileName(name) || (!program.empty() && SameText(name, program));
}

}  // namespace

bool IsProgramFile(std::string_view path) {
    const std::string file = NormalizePathSeparators(path);
    return IsProgramFileName(ExtractFileName(file)) && InProgramDir(file);
}

ReservedName ReservedOutputName(std::string_view path) {
    if (IsPovRayOwnFileName(ExtractFileName(path))) return ReservedName::PovRayFile;
    if (IsProgramFile(path)) return ReservedName::ProgramFile;
    return ReservedName::None;
}

std::string_view ReservedNameReason(ReservedName why) {
    switch (why) {
        case ReservedName::ProgramFile: return "the program keeps a file named ";
        case ReservedName::PovRayFile: return "POV-Ray has a file of its own named ";
        case ReservedName::None: break;
    }
    return {};
}

std::string FirstUnreservedName(const std::string& path, const std::function<bool(const std::string&)>& taken) {
    if (!IsReservedOutputName(path)) return path;
    for (int k = 1;; ++k) {
        std::string revised = RevisedFileName(path, k);
        if (!IsReservedOutputName(revised) && !(taken && taken(revised))) return revised;
    }
}

std::string UnreservedOutputName(const std::string& path, const std::function<bool(const std::string&)>& taken) {
    std::string revised = FirstUnreservedName(path, taken);
    if (revised != path) {
        const std::string name = ExtractFileName(path);
        LogMessage("<!>" + name + " written as " + ExtractFileName(revised) + ": " +
                   std::string(ReservedNameReason(ReservedOutputName(path))) + name);
    }
    return revised;
}
