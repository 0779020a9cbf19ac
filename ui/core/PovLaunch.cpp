#include "ui/core/PovLaunch.h"

#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/SystemShell.h"
#include "ui/core/Shell.h"

namespace {

// The show state the shell gets: a normal window.
constexpr int ShowNormal = 1;

bool Started(int result) { return result > ShellFailed; }

}  // namespace

std::string PovRayProgram() {
    std::string name = Trim(Form1.Edit52.text);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = Trim(name.substr(1, name.size() - 2));
    return FindProgram(name);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool StartPovRay(const std::string& program, const std::string& iniFile, const std::string& folder, PovRayRun run) {
    if (program.empty()) return false;
    std::string parameters = Quoted(iniFile);
    if (run == PovRayRun::Render) parameters += " +P";
    return Started(OpenWithShell(Quoted(program), parameters, folder, ShowNormal));
}

bool OpenInEditor(const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files)
        if (!Started(OpenWithShell(file, "", "", ShowNormal))) all = false;
    return all;
}

bool StartBatchScript(const std::string& script, const std::string& folder) {
    return Started(OpenWithShell("/bin/sh", Quoted(script), folder, ShowNormal));
}
