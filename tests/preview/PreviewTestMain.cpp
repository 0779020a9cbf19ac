// The preview tests draw with OpenGL in real windows under the test
// command's X server: Mesa's software renderer, the X11 platform at scale 1.
// The Qt application is made before any test runs (not while the tests are
// only listed).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "preview/GlResources.h"

// Allocations that the window system's libraries keep until the process
// ends, and the contexts that Qt keeps of a control whose context could not
// be made; the leak check skips them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:_dri.so\nleak:libLLVM\nleak:libfontconfig.so\n"
           "leak:QOpenGLContext::QOpenGLContext\nleak:QOpenGLContextGroup::QOpenGLContextGroup\n"
           "leak:libqxcb-glx-integration.so\n";
}

namespace {

// Keeps the OpenGL driver loaded to the end, so that the leak check at exit
// can name the driver's own allocations instead of code that is gone.
void PinOpenGLDriver() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    PrepareOpenGL();
    QApplication app(argc, argv);
    if (GLAvailable()) PinOpenGLDriver();
    const int result = RUN_ALL_TESTS();
    ReleaseGLResources();
    return result;
}
