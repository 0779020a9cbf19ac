// The names the outputs of the user's commands may not take, and the names
// they take instead. A file the program keeps in its folder (IsProgramFile)
// would be lost or would replace the user's file at the next close, and a
// file named like one of POV-Ray's own (IsPovRayOwnFileName: povray.ini and
// the files of the standard include folder) would be read in place of it by
// a scene that names it, and stop the renders in its folder of the scenes
// the program writes where these read it (IsPovRaySceneInclude). Such
// an output is written under its name with "_Rev" and a number instead, and
// a "<!>" line says so, as for a map copy that finds its name taken.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// The name with "_Rev" and `k` in five digits (or more) before its
// extension ("car_Rev00001.png"); `k` 0 gives the name itself. The names
// tried, in turn, where an output is not to take the place of a file.
std::string RevisedFileName(std::string_view name, int k);

// True when `path` names a file the program keeps in its folder, which no
// output of the user's may take: one of ProgramFile's (a sky map is the
// prefix, a sky of the background list and ".tga"), a copy of the settings
// or the texture library kept when it could not be read (".bak", ".bak2",
// ...), a temporary file of the program (IsTempFileName), or the program
// itself. Letter case is ignored, as a file system may ignore it; the folder
// is the program's however it is spelt (InProgramDir).
bool IsProgramFile(std::string_view path);

enum class ReservedName { None, ProgramFile, PovRayFile };

// Whether an output may be written as `path` (a file name with its folder).
ReservedName ReservedOutputName(std::string_view path);
inline bool IsReservedOutputName(std::string_view path) { return ReservedOutputName(path) != ReservedName::None; }

// Why a name is not free, for a "<!>" line: "the program keeps a file named
// " or "POV-Ray has a file of its own named ", the name to follow.
std::string_view ReservedNameReason(ReservedName why);

// `path` when it may be an output's name; otherwise the first
// RevisedFileName(path, k) that may be and that `taken` (another output of
// the same save) does not hold.
std::string FirstUnreservedName(const std::string& path, const std::function<bool(const std::string&)>& taken = {});
// The same, and when the name changed, the line "<!>" + name + " written as
// " + new name + ": " + reason + name is logged (names without folders).
std::string UnreservedOutputName(const std::string& path, const std::function<bool(const std::string&)>& taken = {});

// The names RevisedFileName gives a name handed out one after another: a
// call for a name goes on where the last call for that name stopped, so that
// the names of a run take time in proportion to their count. For tests that
// stay false for a name once they are (a name taken stays taken); the name
// handed out counts as taken.
class RevisedNames {
public:
    template <class Free>
    std::string Next(const std::string& name, Free&& free) {
        int& k = next_[name];
        for (;; ++k) {
            std::string candidate = RevisedFileName(name, k);
            if (free(candidate)) {
                ++k;
                return candidate;
            }
        }
    }

private:
    std::unordered_map<std::string, int> next_;
};
