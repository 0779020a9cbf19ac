// The GUI tests need the application object before any test runs; listing
// the tests needs none.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "preview/GlResources.h"

int main(int argc, char** argv) {
    bool listOnly = false;
    for (int i = 1; i < argc; ++i) listOnly = listOnly || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    // A pinned environment, unless the caller set one: scale 1, the C
    // locale, the software renderer.
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 0);
    setenv("LC_ALL", "C.UTF-8", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    std::unique_ptr<QApplication> app;
    if (!listOnly) {
        PrepareOpenGL();
        app = std::make_unique<QApplication>(argc, argv);  // takes the C locale from the environment
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (app) ReleaseGLResources();
    return result;
}
