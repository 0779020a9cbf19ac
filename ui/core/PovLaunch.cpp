#include "ui/core/PovLaunch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/SystemShell.h"
#include "ui/core/Shell.h"

namespace {

// The show state the shell gets: a normal window.
constexpr int ShowNormal = 1;

bool Started(int result) { return result > ShellFailed; }

// Two names of one folder, with or without a final "/".
bool SameFolder(std::string a, std::string b) {
    while (a.size() > 1 && a.back() == '/') a.pop_back();
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    return a == b;
}

bool RegularFile(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string PovRaySettingsFile() {
    std::vector<std::string> candidates;
    if (const char* named = std::getenv("POVINI")) candidates.emplace_back(named);
    if (const char* home = std::getenv("HOME"); home && *home)
        candidates.push_back(std::string(home) + "/.povray/3.7/povray.ini");
    candidates.emplace_back("/etc/povray/3.7/povray.ini");
    candidates.emplace_back("/usr/local/etc/povray/3.7/povray.ini");
    for (const std::string& file : candidates)
        if (RegularFile(file)) return file;
    // No settings at all: an empty file of the program's own stands for them.
    const std::string empty = ProgramDir() + "povray_no_settings.ini";
    if (!RegularFile(empty)) std::ofstream(empty, std::ios::app).flush();
    return RegularFile(empty) ? empty : std::string();
}

void NamePovRaySettingsFile() {
    const std::string file = PovRaySettingsFile();
    if (!file.empty()) ::setenv("POVINI", file.c_str(), 1);
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
    const bool inFolder = SameFolder(ExtractFilePath(iniFile), folder);
    const std::string word = PovRayCommandWord(inFolder ? ExtractFileName(iniFile) : iniFile);
    if (word.empty()) {
        LogMessage("<!>POV-Ray cannot read an INI file whose name holds a double quote or a square bracket: " +
                   iniFile);
        return false;
    }
    std::vector<std::string> arguments{word};
    if (run == PovRayRun::Render) arguments.emplace_back("+P");
    NamePovRaySettingsFile();
    return Started(StartWithShell(program, arguments, folder, ShowNormal));
}

bool OpenInEditor(const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files)
        if (!Started(OpenWithShell(file, ShowNormal))) all = false;
    return all;
}

bool StartBatchScript(const std::string& script, const std::string& folder) {
    // A relative name that begins with "-" would be an option of the shell.
    const std::string name = script.empty() || script.front() == '/' ? script : "./" + script;
    NamePovRaySettingsFile();
    return Started(StartWithShell("/bin/sh", {name}, folder, ShowNormal));
}
