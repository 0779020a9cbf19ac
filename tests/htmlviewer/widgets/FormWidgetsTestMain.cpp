// The form widget tests make real widgets under the test command's X server
// (the X11 platform at scale 1). The Qt application is made before any test
// runs (not while the tests are only listed).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "imageformats/ImageRegistration.h"
#include "platform/qt/QtImageFormats.h"

// Allocations that the window system's libraries keep until the process
// ends; the leak check skips them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libfontconfig.so\nleak:libxcb\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    QApplication app(argc, argv);
    // Pictures of every format, as the program registers them.
    img::RegisterImageFormats({&gfx::qtBitmapClass(), &gfx::qtIconClass()});
    return RUN_ALL_TESTS();
}
