// Base of the reader tests: a fresh model, recording services, the options
// at their defaults, and helpers to look at the log.
#pragma once

#include <string>
#include <string_view>

#include "model/Model.h"
#include "options/Options.h"
#include "tests/fixtures/Fixtures.h"

class ModelReaderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }
    bool Logged(std::string_view line) const {
        for (const std::string& m : Messages())
            if (m == line) return true;
        return false;
    }
    int Warnings() const {
        int n = 0;
        for (const std::string& m : Messages()) n += m.rfind("<!>", 0) == 0;
        return n;
    }
    static bool ImportEmpty() {
        return ImportVertices.empty() && ImportUVs.empty() && ImportFaces.empty() && ImportGroups.empty() &&
               ImportMaterials.empty();
    }
};
