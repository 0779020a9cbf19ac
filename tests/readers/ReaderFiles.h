// Test base of the text readers: a fresh model and option records, a
// unique folder for the files a test writes, and preview hooks that record
// what a reader asked of the preview.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "model/TextConv.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "readers/ObjReader.h"
#include "tests/fixtures/Fixtures.h"

namespace readertest {

class RecordingHooks : public WindowHooks {
public:
    void SetPreviewClientSize(int32_t width, int32_t height) override { sizes.push_back({width, height}); }
    void SetClearColor(const tvector& rgb, double alpha) override {
        clearColors.push_back(rgb);
        alphas.push_back(alpha);
    }
    void LoadBackgroundTexture(const std::string& fileName) override { backgrounds.push_back(fileName); }

    std::vector<std::pair<int32_t, int32_t>> sizes;
    std::vector<tvector> clearColors;
    std::vector<double> alphas;
    std::vector<std::string> backgrounds;
};

class ReaderFileTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        root_ = std::filesystem::path(::testing::TempDir()) /
                ("mirelan_readers_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        hooks = RecordingHooks{};
        Services s;
        s.window = &hooks;
        hooksScope_ = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        hooksScope_.reset();
        SetProgramDirOverride("");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
        ModelTest::TearDown();
    }

    // The folder of this test, ending in "/".
    std::string Dir() const { return root_.string() + "/"; }

    // Writes the bytes as they stand (no line-end conversion); folders are
    // made as needed. Returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::filesystem::path p = root_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

    // What the load command does before it calls the OBJ reader.
    void PrepareLoad(const std::string& path) {
        Scene.modelFile = path;
        Scene.mtlFile = ChangeFileExt(path, ".mtl");
        Scene.loadFlag = 0;
        Scene.polygonsRead = Scene.trianglesMade = Scene.polygonsOverThree = 0;
    }
    void LoadObj(const std::string& name) {
        PrepareLoad(Dir() + name);
        ReadOBJ(Scene);
    }
    // Writes the file and reads it.
    void ReadObjText(const std::string& text, const std::string& name = "model.obj") {
        Write(name, text);
        LoadObj(name);
    }

    bool Logged(const std::string& line) const {
        for (const std::string& m : Messages())
            if (m == line) return true;
        return false;
    }
    bool LoggedStartingWith(const std::string& prefix) const {
        for (const std::string& m : Messages())
            if (m.compare(0, prefix.size(), prefix) == 0) return true;
        return false;
    }

    RecordingHooks hooks;

private:
    std::filesystem::path root_;
    std::unique_ptr<ScopedServices> hooksScope_;
};

}  // namespace readertest
