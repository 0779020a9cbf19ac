// The window tests run the whole program in real windows under the test
// command's X server: Mesa's software renderer, the X11 platform at scale 1,
// the C locale unless the caller chose one. The Qt application is made
// before any test runs (not while the tests are only listed); it takes the C
// locale from the environment, as the program does.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "preview/GlResources.h"
#include "tests/fixtures/OpenGLLeakCheck.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("LC_ALL", "C.UTF-8", 0);
    PrepareOpenGL();
    QApplication app(argc, argv);
    if (GLAvailable()) fixtures::PinOpenGLDriver();
    const int result = RUN_ALL_TESTS();
    ReleaseGLResources();
    return result;
}
