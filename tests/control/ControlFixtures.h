// What the controller tests share: a host with a scripted OpenGL driver, a
// help viewer and a status window that record what they were asked, and a
// temporary program folder with the services installed.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/Services.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/control/AppHost.h"
#include "ui/control/Dispatcher.h"
#include "ui/control/HelpBrowser.h"
#include "ui/control/MainHooks.h"

// OpenGL 4.5 with GLU 1.3 unless a test says otherwise.
class FakeHost : public AppHost {
public:
    GLInfo QueryGL() override { return gl; }
    void SetFaceCulling(bool on) override { culling = on; }
    void CloseMainWindow() override { ++closeRequests; }
    void StoreWindowBounds() override { ++boundsStored; }
    void PlaceWindows(bool stored) override { placed.push_back(stored); }
    GLInfo gl{"4.5 (Compatibility Profile) Mesa 22.3.6", "Mesa", "llvmpipe", "GL_ARB_multitexture GL_EXT_bgra",
              "1.3", "GLU_EXT_nurbs_tessellator", 8, 8, true};
    bool culling = false;
    int closeRequests = 0;
    int boundsStored = 0;
    std::vector<bool> placed;  // every placing of the windows: from stored places or not
};

// Records the help window's requests; the history moves within 0..9.
class FakeHelp : public HelpBrowser {
public:
    std::string CurrentFileName() const override { return file; }
    void LoadFromFile(const std::string& name) override { file = name; }
    void JumpToAnchor(std::string_view anchor) override { jumps.emplace_back(anchor); }
    void Show() override { Form5.visible = true; }
    int HistoryPosition() const override { return position; }
    void SetHistoryPosition(int index) override {
        if (index >= 0 && index < 10) position = index;
    }
    bool FindInDocument(std::string_view text, bool) override {
        searches.emplace_back(text);
        return hitsLeft-- > 0;
    }
    void SetSelectionRange(int p) override { selection = p; }
    std::string file;
    std::vector<std::string> jumps, searches;
    int position = 0;
    int hitsLeft = 0;
    int selection = -1;
};

// A status window in memory that can watch for one line.
class WatchedStatus : public MemoryStatus {
public:
    void AppendLine(StatusPage page, std::string_view text) override {
        if (onLine) onLine(page, text);
        MemoryStatus::AppendLine(page, text);
    }
    std::function<void(StatusPage, std::string_view)> onLine;
};

// Fresh records, a temporary program folder, recording services and an
// empty dispatcher for every test.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fixtures::MakeScratchFolder("control");
        SetProgramDirOverride(dir.string());
        ResetOptionsToDefaults();
        Commands().Clear();
        Services s;
        s.status = &status;
        s.prompts = &prompts;
        s.shell = &shell;
        s.help = &help;
        s.window = &hooks;
        scope = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        scope.reset();
        Commands().Clear();
        SetProgramDirOverride("");
        fixtures::RemoveScratchFolder(dir);
    }
    std::filesystem::path dir;
    WatchedStatus status;
    RecordingPrompts prompts;
    RecordingShell shell;
    FakeHelp help;
    MainHooks hooks;
    FakeHost host;
    std::unique_ptr<ScopedServices> scope;
};
