// Until the main window exists the program starts, logs its build line and
// stops.
#include <iostream>

#include "model/Model.h"
#include "model/Services.h"
#include "model/StatusLog.h"

int main() {
    InitModelConstants();
    CreateModelLists();
    InitSceneDefaults();
    LogBuildInfo();
    auto* status = dynamic_cast<MemoryStatus*>(Svc().status);
    if (status)
        for (const std::string& line : status->Lines(StatusPage::Messages)) std::cout << line << '\n';
    return 0;
}
