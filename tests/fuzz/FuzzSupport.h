// What the reader fuzz targets share: headless services that keep nothing,
// a fresh model before every input, and the checks that a load left only
// indices that point into the import lists.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Model.h"
#include "model/Services.h"
#include "options/Options.h"

namespace fuzzing {

class SilentStatus : public StatusSink {
public:
    void AppendLine(StatusPage, std::string_view) override {}
    void ClearPage(StatusPage) override {}
    int PageLineCount(StatusPage) const override { return 0; }
    void ScrollPageToTop(StatusPage) override {}
    void SetStatusLine(std::string_view) override {}
    void SetWarningsLine(std::string_view) override {}
    void SetPagesEnabled(bool) override {}
    void SetWaitCursor(bool) override {}
    void SetProgress(int) override {}
    void ProcessPendingMessages() override {}
};

class SilentPrompts : public Prompts {
public:
    void Show(MessageKind, std::string_view) override {}
    Answer Ask(MessageKind, std::string_view, const std::vector<Answer>&) override { return Answer::No; }
    bool Input(std::string_view, std::string_view, std::string&) override { return false; }
};

// Installs the silent services once and empties the model.
inline void FreshModel(const char* fileName) {
    static SilentStatus status;
    static SilentPrompts prompts;
    static const bool installed = [] {
        Services& s = Svc();
        s.status = &status;
        s.prompts = &prompts;
        InitModelConstants();
        ResetOptionsToDefaults();
        return true;
    }();
    (void)installed;
    CreateModelLists();
    InitSceneDefaults();
    Scene.modelFile = fileName;
}

// Stops the run (a finding) when a face of the import lists points outside them.
inline void CheckImportIndices() {
    const int64_t vertices = static_cast<int64_t>(ImportVertices.size());
    const int64_t uvs = static_cast<int64_t>(ImportUVs.size());
    const int64_t groups = static_cast<int64_t>(ImportGroups.size());
    const int64_t materials = static_cast<int64_t>(ImportMaterials.size());
    for (const tface& f : ImportFaces) {
        for (int c = 0; c < 3; ++c)
            if (f.vertex[c] < 1 || f.vertex[c] > vertices || f.uv[c] < 0 || f.uv[c] > uvs) std::abort();
        if (f.group < 0 || f.group >= groups || f.material < 0 || f.material >= materials) std::abort();
    }
}

// When the first corpus folder named on the command line is empty or does
// not exist, writes the seed files into it, so that a run starts from whole
// files of the format rather than from nothing.
inline void SeedCorpus(int argc, char** argv, const std::vector<std::pair<std::string, std::string>>& seeds) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        const std::filesystem::path dir(argv[i]);
        std::error_code ec;
        if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec)) return;
        if (std::filesystem::exists(dir, ec) && !std::filesystem::is_empty(dir, ec)) return;
        std::filesystem::create_directories(dir, ec);
        for (const auto& [name, bytes] : seeds) std::ofstream(dir / name, std::ios::binary) << bytes;
        return;
    }
}

}  // namespace fuzzing
