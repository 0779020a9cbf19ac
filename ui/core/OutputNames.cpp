#include "ui/core/OutputNames.h"

#include <cstdio>

#include "model/PovReservedWords.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "platform/AppPaths.h"

std::string RevisedFileName(std::string_view name, int k) {
    if (k == 0) return std::string(name);
    const std::string extension = ExtractFileExt(name);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "_Rev%.5d", k);
    return std::string(name.substr(0, name.size() - extension.size())) + suffix + extension;
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

namespace {

// The name itself, else its companion, when one of them may not be an
// output's name; the name itself when both may.
std::string ReservedOfPair(const std::string& name, std::string_view companionExtension) {
    if (IsReservedOutputName(name) || companionExtension.empty()) return name;
    return ChangeFileExt(name, companionExtension);
}

}  // namespace

std::string FirstUnreservedName(const std::string& path, const std::function<bool(const std::string&)>& taken,
                                std::string_view companionExtension) {
    if (!IsReservedOutputName(ReservedOfPair(path, companionExtension))) return path;
    for (int k = 1;; ++k) {
        std::string revised = RevisedFileName(path, k);
        if (!IsReservedOutputName(ReservedOfPair(revised, companionExtension)) && !(taken && taken(revised)))
            return revised;
    }
}

std::string UnreservedOutputName(const std::string& path, const std::function<bool(const std::string&)>& taken,
                                 std::string_view companionExtension) {
    std::string revised = FirstUnreservedName(path, taken, companionExtension);
    if (revised != path) {
        const std::string reserved = ReservedOfPair(path, companionExtension);
        LogMessage("<!>" + ExtractFileName(path) + " written as " + ExtractFileName(revised) + ": " +
                   std::string(ReservedNameReason(ReservedOutputName(reserved))) + ExtractFileName(reserved));
    }
    return revised;
}
