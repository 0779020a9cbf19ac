// The program's main routine: the OpenGL set-up, the application object,
// the windows in their order, start-up, and the message loop until the main
// window closes.
#ifdef MIRELAN_WITH_GUI
#include <QApplication>

#include "ui/main/Application.h"
#include "preview/GlResources.h"

int main(int argc, char** argv) {
    PrepareOpenGL();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirelan"));
    int result = 1;  // OpenGL older than 1.1
    {
        Application program;
        if (program.Start()) result = QApplication::exec();
    }
    ReleaseGLResources();
    return result;
}
#else
// Built without the windows: the core starts, logs its build line and stops.
#include <iostream>

#include "imageformats/ImageRegistration.h"
#include "model/Services.h"
#include "model/StatusLog.h"
#include "ui/core/Startup.h"

int main() {
    img::RegisterImageFormats();
    InitCore();
    LogBuildInfo();
    auto* status = dynamic_cast<MemoryStatus*>(Svc().status);
    if (status)
        for (const std::string& line : status->Lines(StatusPage::Messages)) std::cout << line << '\n';
    img::UnregisterImageFormats();
    return 0;
}
#endif
