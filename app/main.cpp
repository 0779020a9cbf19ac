// Until the main window exists the program initialises the model, logs its
// build line and stops.
#include <iostream>

#include "model/Model.h"
#include "model/Random.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "platform/AppPaths.h"
#include "ui/options/ControlTable.h"

int main() {
    SeedRandomFromClock();
    ResetOptionsToDefaults();
    InitModelConstants();
    CreateModelLists();
    InitSceneDefaults();
    InitHelpFilePath();
    LogBuildInfo();
    auto* status = dynamic_cast<MemoryStatus*>(Svc().status);
    if (status)
        for (const std::string& line : status->Lines(StatusPage::Messages)) std::cout << line << '\n';
    return 0;
}
