// What the tests of the Materials and Groups tabs share: window hooks that
// record the preview work and the thumbnails, the program's controllers on
// the dispatcher, and a small model.
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "options/ControlTable.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/control/Controllers.h"
#include "ui/control/MaterialPanel.h"
#include "writers/SceneChecks.h"

// The preview's work counted, thumbnails remembered by image, textures made
// with increasing names (every name above 0 is a texture until deleted).
class RecordingPageHooks : public MainHooks {
public:
    void BuildPreviewLists() override { ++lists; }
    void BuildNormalsList() override { ++normalLists; }
    void Draw() override { ++draws; }
    void ApplyCameraEdits() override { ++cameraApplied; }
    void ResetCamera() override { ++cameraReset; }
    bool IsTexture(int32_t name) override { return name > 0 && !deleted.count(name); }
    void DeleteTexture(int32_t name) override { deleted[name] = true; }
    void CreatePreviewTexture(tmaterial& m) override {
        created.push_back(m.name.str());
        m.glTexture = nextTexture++;
    }
    void ShowThumbnailMessage(std::string_view image, int32_t kind, int32_t, int32_t) override {
        thumbnails[std::string(image)] = "message " + std::to_string(kind);
    }
    bool ShowThumbnailPicture(std::string_view image, const std::string& fileName, int32_t, int32_t, int32_t& w,
                              int32_t& h) override {
        if (fileName.find("broken") != std::string::npos) return false;
        thumbnails[std::string(image)] = "picture " + fileName;
        w = 64;
        h = 32;
        return true;
    }
    void DrawUVLayout(int32_t colouring) override { uvViews.push_back(colouring); }
    bool SaveUVLayout(const std::string& file, int32_t width, int32_t height, int32_t) override {
        savedLayouts.push_back(file + " " + std::to_string(width) + "x" + std::to_string(height));
        return true;
    }

    int lists = 0, normalLists = 0, draws = 0, cameraApplied = 0, cameraReset = 0;
    int32_t nextTexture = 100;
    std::map<int32_t, bool> deleted;
    std::vector<std::string> created;
    std::map<std::string, std::string> thumbnails;
    std::vector<int32_t> uvViews;
    std::vector<std::string> savedLayouts;
};

// A host that records the map conversions asked of it: a source whose name
// holds "unreadable" cannot be read, a target in a folder that does not
// exist cannot be written.
class PageHost : public FakeHost {
public:
    bool ConvertMapFile(const std::string& source, const std::string& target, bool resize, int32_t width,
                        int32_t height, bool& loaded) override {
        conversions.push_back(source + " -> " + target + (resize ? " at " + std::to_string(width) + "x" +
                                                                        std::to_string(height) : ""));
        loaded = source.find("unreadable") == std::string::npos;
        if (!loaded || !std::filesystem::is_directory(std::filesystem::path(target).parent_path())) return false;
        std::ofstream(target) << "converted";
        return true;
    }
    std::vector<std::string> conversions;
};

// Recorded dialogs whose windows can act while they are shown (a search that
// lists its hits).
class ActingDialogs : public RecordingDialogs {
public:
    ModalResult ShowModal(std::string_view form) override {
        if (whileShown) whileShown(form);
        return RecordingDialogs::ShowModal(form);
    }
    std::function<void(std::string_view)> whileShown;
};

class PageTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        fixtures::ResetModel();
        Services s;
        s.window = &page;
        pageScope = std::make_unique<ScopedServices>(s);
        InstallSceneChecks();
        controllers = std::make_unique<Controllers>(ControllerPorts{pageHost, help, dialogs});
        controllers->Register(Commands());
        ThumbnailWidth = ThumbnailHeight = 96;
    }
    void TearDown() override {
        controllers.reset();
        pageScope.reset();
        ClearModel();
        ClearDeclareLibrary();
        ControlTest::TearDown();
    }
    // Two groups of one face each, materials "red" and "blue", the lists
    // filled as after a load and the first material shown.
    void LoadTwoFaces() {
        fixtures::AddFace(fixtures::AddVertex(0, 0, 0), fixtures::AddVertex(1, 0, 0), fixtures::AddVertex(0, 1, 0),
                          0, 0);
        fixtures::AddFace(fixtures::AddVertex(0, 0, 1), fixtures::AddVertex(1, 0, 1), fixtures::AddVertex(0, 1, 1),
                          1, 1);
        SceneMaterials[0].name = "red";
        SceneMaterials[0].diffuse = {1, 0, 0};
        SceneMaterials[1].name = "blue";
        SceneMaterials[1].diffuse = {0, 0, 1};
        SceneGroups[0].name = "body";
        SceneGroups[1].name = "wheels";
        CountFacesPerGroupAndMaterial();
        Scene.modelFile = (dir / "model.obj").string();
        FillMaterialList();
        FillGroupList();
        RefreshMaterialPanel(0);
    }
    const std::vector<std::string>& Log() const { return status.Lines(StatusPage::Messages); }
    bool Logged(std::string_view line) const {
        for (const std::string& l : Log())
            if (l == line) return true;
        return false;
    }
    // The texts of the boxes shown, in order.
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& b : prompts.shown) texts.push_back(b.text);
        return texts;
    }
    RecordingPageHooks page;
    PageHost pageHost;
    ActingDialogs dialogs;
    std::unique_ptr<ScopedServices> pageScope;
    std::unique_ptr<Controllers> controllers;
};
