#include "ui/core/Shell.h"

#include "model/Services.h"

int OpenWithShell(std::string_view fileName, std::string_view parameters, std::string_view defaultDir,
                  int /*showState*/) {
    ShellLauncher* shell = Svc().shell;
    if (!shell) return ShellFailed;
    return shell->Open(fileName, parameters, defaultDir) ? ShellStarted : ShellFailed;
}
