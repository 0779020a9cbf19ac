// What the tests of the Preview and Light Dome tabs share: every controller
// registered, a model of known extents (centre (1, 2, 3), diagonal 10,
// lowest y -2) without geometry, empty lists, window hooks and a host that
// record what the preview is asked.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "model/TextConv.h"
#include "ui/control/Controllers.h"

class PreviewPageHooks : public MainHooks {
public:
    void Draw() override { ++draws; }
    void BuildPreviewLists() override { Record("BuildPreviewLists"); }
    void ResetCamera() override { Record("ResetCamera"); }
    void ApplyCameraEdits() override { Record("ApplyCameraEdits"); }
    void RecenterCamera() override { Record("RecenterCamera"); }
    void Beep() override { Record("Beep"); }
    void SelectCameraPreset(int32_t index) override { Record("SelectCameraPreset", index); }
    void SetPreviewClientSize(int32_t width, int32_t height) override { Record("Size", width, height); }
    void StayOnTop(bool on) override { Record("StayOnTop", on); }
    void ReloadMaterialMaps(int32_t mode) override { Record("ReloadMaterialMaps", mode); }
    bool IsTexture(int32_t name) override { return name > 0; }
    void DeleteTexture(int32_t name) override { Record("DeleteTexture", name); }
    void LoadBackgroundTexture(const std::string& file) override { calls.push_back("Background " + file); }
    void SetClearColor(const tvector& rgb, double) override { Record("ClearColor", VectorToColor(rgb)); }
    bool Called(const std::string& call) const {
        for (const std::string& c : calls)
            if (c == call) return true;
        return false;
    }
    int draws = 0;
    std::vector<std::string> calls;

private:
    void Record(const std::string& what, int a = -1, int b = -1) {
        calls.push_back(what + (a < 0 ? "" : " " + std::to_string(a)) + (b < 0 ? "" : " " + std::to_string(b)));
    }
};

// Records the probes shown and writes the pictures and preview frames asked
// of it (a folder that does not exist cannot be written).
class PreviewHost : public FakeHost {
public:
    bool ShowProbe(const tpfm& probe, double) override {
        if (failShow) return false;
        shown = probe.width * 1000 + probe.height;
        return true;
    }
    void MarkProbeLights() override { ++marks; }
    bool SaveProbeAsMap(const std::string& fileName) override { return shown && Write(fileName); }
    bool CapturePreview(const std::string& fileName, bool antialias, int32_t quality) override {
        captures.push_back(fileName + (antialias ? " antialiased " : " ") + std::to_string(quality));
        return Write(fileName);
    }
    int shown = 0;  // width x 1000 + height of the probe shown last
    bool failShow = false;  // the probe's picture cannot be made
    int marks = 0;
    std::vector<std::string> captures;

private:
    static bool Write(const std::string& file) {
        return std::filesystem::is_directory(std::filesystem::path(file).parent_path()) &&
               static_cast<bool>(std::ofstream(file) << "picture");
    }
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
        controllers = std::make_unique<Controllers>(ControllerPorts{previewHost, help, dialogs});
        controllers->Register(Commands());
    }
    void TearDown() override {
        controllers.reset();
        windowScope.reset();
        CreateModelLists();
        ControlTest::TearDown();
    }
    // Types `text` into the edit and runs its change handler, as the window
    // does for the user.
    void Type(tedit& edit, const std::string& name, const std::string& text) {
        edit.text = text;
        Commands().Run("Form1." + name);
    }
    // Text typed into an edit and the value a record's field then holds.
    struct EditCase {
        tedit* edit;
        const char *name, *text;
        const double* field;
        double expected;
    };
    // Types each case's text and checks the field and that the preview
    // redrew.
    void CheckEdits(std::initializer_list<EditCase> cases) {
        for (const EditCase& c : cases) {
            const int draws = pageHooks.draws;
            Type(*c.edit, c.name, c.text);
            EXPECT_DOUBLE_EQ(*c.field, c.expected) << c.name << " = \"" << c.text << "\"";
            EXPECT_GT(pageHooks.draws, draws) << c.name;
        }
    }
    // Clicks "+" of a list `n` times, taking the proposed names.
    void Add(const char* button, int n) {
        prompts.inputAccepts = true;
        for (int i = 0; i < n; ++i) Commands().Run(std::string("Form1.") + button);
    }
    // An executable file `name` in the test's folder (the shell only records
    // what it is asked to start).
    std::string MakeProgram(const char* name) const {
        const std::string program = (dir / name).string();
        std::ofstream(program) << "#!/bin/sh\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        return program;
    }
    bool Logged(std::string_view line) const {
        for (const std::string& l : status.Lines(StatusPage::Messages))
            if (l == line) return true;
        return false;
    }
    PreviewPageHooks pageHooks;
    PreviewHost previewHost;
    RecordingDialogs dialogs;
    std::unique_ptr<ScopedServices> windowScope;
    std::unique_ptr<Controllers> controllers;
};
