#include "ui/core/Shell.h"

#include "model/Services.h"

namespace {

int Result(bool started) { return started ? ShellStarted : ShellFailed; }

}  // namespace

int OpenWithShell(std::string_view fileName, int /*showState*/) {
    ShellLauncher* shell = Svc().shell;
    return Result(shell && shell->Open(fileName));
}

int StartWithShell(std::string_view fileName, const std::vector<std::string>& arguments, std::string_view defaultDir,
                   int /*showState*/, const std::vector<std::string>& environment) {
    ShellLauncher* shell = Svc().shell;
    return Result(shell && shell->Start(fileName, arguments, defaultDir, environment));
}
