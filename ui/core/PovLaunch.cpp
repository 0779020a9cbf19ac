#include "ui/core/PovLaunch.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "model/PovReservedWords.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/SystemShell.h"
#include "ui/core/Shell.h"
#include "writers/FileText.h"

namespace {

namespace fs = std::filesystem;

// The show state the shell gets: a normal window.
constexpr int ShowNormal = 1;

bool Started(int result) { return result > ShellFailed; }

// Two names of one folder, with or without a final "/".
bool SameFolder(std::string a, std::string b) {
    while (a.size() > 1 && a.back() == '/') a.pop_back();
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    return a == b;
}

// `file` as POV-Ray working in `folder` finds it: by its name when it lies
// there, else by its full path, else by its way from the folder, the first
// that `form` makes a name POV-Ray takes of ("" when it makes none). A
// folder name POV-Ray cannot take is often shared by both paths (the
// user's home): the way from the working folder leaves it out.
std::string NamedFrom(const std::string& file, const std::string& folder,
                      const std::function<std::string(const std::string&)>& form) {
    if (SameFolder(ExtractFilePath(file), folder)) return form(ExtractFileName(file));
    if (std::string named = form(file); !named.empty()) return named;
    std::error_code ec;
    const std::string relative = fs::relative(file, folder.empty() ? "." : folder, ec).string();
    return ec || relative.empty() ? std::string() : form(relative);
}

// The INI file as the word of POV-Ray's command line that names it from
// `folder` (NamedFrom); "" when no word carries it.
std::string IniArgument(const std::string& iniFile, const std::string& folder) {
    return NamedFrom(iniFile, folder, [](const std::string& name) { return PovRayCommandWord(name); });
}

// Why POV-Ray must not work in `folder`: it holds a file of PovRayOwnFileIn.
std::string OwnFileRefusal(const std::string& folder) {
    const std::string own = PovRayOwnFileIn(folder);
    if (own.empty()) return {};
    return "POV-Ray was not started: it would read " + OneLineText(own) + " in place of its own file of that name";
}

}  // namespace

bool PovRayReadsName(std::string_view name) {
    const bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    const bool bothQuotes = name.find('"') != std::string_view::npos && name.find('\'') != std::string_view::npos;
    return !control && !bothQuotes && IsPlainASCII(name);
}

std::string PovRayInputName(const std::string& file, const std::string& folder) {
    return NamedFrom(file, folder,
                     [](const std::string& name) { return PovRayReadsName(name) ? name : std::string(); });
}

std::string PovRayOwnFileIn(const std::string& folder) {
    const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    std::string first;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsPovRayOwnFileName(name) && (first.empty() || name < first)) first = name;
    }
    if (ec) {
        // A folder that cannot be listed: the names as POV-Ray would open them.
        for (const std::string_view name : PovRayOwnFileNames())
            if (fs::symlink_status(dir / name, ec).type() != fs::file_type::not_found && !ec) {
                first = name;
                break;
            }
    }
    return first.empty() ? std::string() : (dir / first).string();
}

std::string PovRayStartRefusal(const std::string& iniFile, const std::string& folder) {
    if (std::string refusal = OwnFileRefusal(folder); !refusal.empty()) return refusal;
    if (IniArgument(iniFile, folder).empty())
        return "POV-Ray cannot read an INI file whose name holds a double quote or a square bracket: " + iniFile;
    return {};
}

std::vector<std::string> PovRayEnvironment() {
    const char* named = std::getenv("POVINI");
    if (!named || !*named || *named == '/') return {};
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    return {"POVINI=" + (ec ? std::string() : (here / named).string())};
}

std::string PovRayProgram() {
    std::string name = Trim(Form1.Edit52.text);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = Trim(name.substr(1, name.size() - 2));
    return FindProgram(name);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string PovRayCommandWord(std::string_view name) {
    if (name.find_first_of("\"[]") != std::string_view::npos) return {};
    const auto plainChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
               c == '/';
    };
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), plainChar);
    return plain ? std::string(name) : Quoted(name);
}

bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run) {
    if (program.empty()) return false;
    if (const std::string refusal = PovRayStartRefusal(iniFile, folder); !refusal.empty()) {
        LogMessage("<!>" + refusal);
        return false;
    }
    std::vector<std::string> arguments{IniArgument(iniFile, folder)};
    if (run == PovRayRun::Render) arguments.emplace_back("+P");
    return Started(StartWithShell(program, arguments, folder, ShowNormal, PovRayEnvironment()));
}

bool OpenInEditor(const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files)
        if (!Started(OpenWithShell(file, ShowNormal))) all = false;
    return all;
}

bool StartBatchScript(const std::string& script, const std::string& folder) {
    // The shell runs in `folder`: a script there is named from it (a relative
    // folder would otherwise be taken twice), and a relative name that begins
    // with "-" would be an option of the shell.
    std::string name = script;
    if (SameFolder(ExtractFilePath(script), folder))
        name = "./" + ExtractFileName(script);
    else if (!name.empty() && name.front() != '/')
        name = "./" + name;
    if (const std::string refusal = OwnFileRefusal(folder); !refusal.empty()) {
        LogMessage("<!>" + refusal);
        return false;
    }
    return Started(StartWithShell("/bin/sh", {name}, folder, ShowNormal, PovRayEnvironment()));
}
