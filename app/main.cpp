// Until the main window exists the program initialises its core, logs its
// build line and stops.
#include <iostream>

#include "model/Services.h"
#include "model/StatusLog.h"
#include "ui/core/Startup.h"

int main() {
    InitCore();
    LogBuildInfo();
    auto* status = dynamic_cast<MemoryStatus*>(Svc().status);
    if (status)
        for (const std::string& line : status->Lines(StatusPage::Messages)) std::cout << line << '\n';
    return 0;
}
