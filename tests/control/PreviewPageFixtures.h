// What the tests of the Preview and Light Dome tabs share: every controller
// registered, a model of known extents (centre (1, 2, 3), diagonal 10,
// lowest y -2) without geometry, empty light, placeholder, camera and preset
// lists, and window hooks that count redraws and record the camera calls.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "model/Scene.h"
#include "model/TextConv.h"
#include "ui/control/Controllers.h"

class PreviewPageHooks : public MainHooks {
public:
    void Draw() override { ++draws; }
    void BuildPreviewLists() override { calls.emplace_back("BuildPreviewLists"); }
    void ResetCamera() override { calls.emplace_back("ResetCamera"); }
    void ApplyCameraEdits() override { calls.emplace_back("ApplyCameraEdits"); }
    void SelectCameraPreset(int32_t index) override { calls.push_back("SelectCameraPreset " + std::to_string(index)); }
    void SetPreviewClientSize(int32_t width, int32_t height) override {
        calls.push_back("SetPreviewClientSize " + std::to_string(width) + " " + std::to_string(height));
    }
    void ReloadMaterialMaps(int32_t mode) override { calls.push_back("ReloadMaterialMaps " + std::to_string(mode)); }
    void LoadBackgroundTexture(const std::string& file) override { calls.push_back("LoadBackgroundTexture " + file); }
    void DeleteTexture(int32_t name) override { calls.push_back("DeleteTexture " + std::to_string(name)); }
    void SetClearColor(const tvector& rgb, double alpha) override {
        calls.push_back("SetClearColor " + FloatToStrDot(rgb.x) + " " + FloatToStrDot(rgb.y) + " " +
                        FloatToStrDot(rgb.z) + " " + FloatToStrDot(alpha));
    }
    void RecenterCamera() override { calls.emplace_back("RecenterCamera"); }
    void StayOnTop(bool on) override { calls.push_back(on ? "StayOnTop 1" : "StayOnTop 0"); }
    void Beep() override { calls.emplace_back("Beep"); }
    bool Called(const std::string& call) const {
        for (const std::string& c : calls)
            if (c == call) return true;
        return false;
    }
    int draws = 0;
    std::vector<std::string> calls;
};

// A host that records the probes it is shown, writes the probe picture and
// the preview frames it is asked to save (a folder that does not exist
// cannot be written).
class PreviewHost : public FakeHost {
public:
    void ShowProbe(const tpfm& probe, double gamma) override {
        shown = std::to_string(probe.width) + "x" + std::to_string(probe.height) + " " + FloatToStrDot(gamma);
        ++shows;
    }
    void MarkProbeLights() override { ++marks; }
    bool SaveProbeAsMap(const std::string& fileName) override {
        saved.push_back(fileName);
        return !shown.empty() && std::filesystem::is_directory(std::filesystem::path(fileName).parent_path()) &&
               static_cast<bool>(std::ofstream(fileName) << "picture");
    }
    bool CapturePreview(const std::string& fileName, bool antialias, int32_t jpegQuality) override {
        captures.push_back(fileName + (antialias ? " antialiased " : " ") + std::to_string(jpegQuality));
        return std::filesystem::is_directory(std::filesystem::path(fileName).parent_path()) &&
               static_cast<bool>(std::ofstream(fileName) << "frame");
    }
    std::vector<std::string> captures;
    std::string shown;  // the size and exposure of the probe shown last
    int shows = 0;
    int marks = 0;
    std::vector<std::string> saved;
};

class PreviewPageTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        Services s;
        s.window = &pageHooks;
        windowScope = std::make_unique<ScopedServices>(s);
        CreateModelLists();  // also empties lights, placeholders, cameras and presets
        InitSceneDefaults();
        HeadlightIntensity = 1.0;
        Scene.extents.center = {1, 2, 3};
        Scene.extents.diagonal = 10;
        Scene.extents.minimum = {-3, -2, -1};
        Scene.extents.maximum = {5, 6, 7};
        controllers = std::make_unique<Controllers>(ControllerPorts{previewHost, help, dialogs});
        controllers->Register(Commands());
    }
    void TearDown() override {
        controllers.reset();
        windowScope.reset();
        CreateModelLists();
        InitSceneDefaults();
        ControlTest::TearDown();
    }
    // Types `text` into the edit and runs its change handler, as the window
    // does for the user.
    void Type(tedit& edit, const std::string& name, const std::string& text) {
        edit.text = text;
        Commands().Run("Form1." + name);
    }
    PreviewPageHooks pageHooks;
    PreviewHost previewHost;
    RecordingDialogs dialogs;
    std::unique_ptr<ScopedServices> windowScope;
    std::unique_ptr<Controllers> controllers;
};
