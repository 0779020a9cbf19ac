// The program started under a locale with a decimal comma writes the same
// files as under the C locale: numbers always with ".". ctest runs this once
// more under de_DE.UTF-8 with MIRELAN_EXPECT_COMMA_LOCALE set, where that
// locale must be in force.
#include <clocale>
#include <cstdlib>

#include "GuiFixtures.h"
#include "tests/fixtures/Fixtures.h"
#include "model/Scene.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace fs = std::filesystem;

namespace {

using CommaLocaleTest = GuiTest;

TEST_F(CommaLocaleTest, ASavedSceneIsTheSameUnderEveryLocale) {
    const char* expected = std::getenv("MIRELAN_EXPECT_COMMA_LOCALE");
    if (expected && *expected == '1') {
        ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",")
            << "the comma locale is not in force (scripts/deps.sh generates de_DE.UTF-8)";
        ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    }
    StartProgram();
    BatchFiles = {MIRELAN_SCREENS_MODEL};
    ASSERT_TRUE(LoadSelectedModels());
    const std::string programLocale = std::setlocale(LC_ALL, nullptr);
    for (const char* sub : {"program", "c"}) {
        if (std::string(sub) == "c") std::setlocale(LC_ALL, "C");
        fs::create_directories(dir / sub);
        Form2.Edit1.text = (dir / sub).string();
        SetSaveChoices(SaveKind::PovRay);
        ASSERT_TRUE(WriteOutputFiles()) << sub;
    }
    std::setlocale(LC_ALL, programLocale.c_str());
    int compared = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(dir / "c")) {
        const fs::path program = dir / "program" / e.path().filename();
        EXPECT_EQ(fixtures::ReadFileBytes(e.path().string()), fixtures::ReadFileBytes(program.string())) << e.path();
        ++compared;
    }
    EXPECT_EQ(compared, 4);  // INI, scene, geometry and material include
}

}  // namespace
