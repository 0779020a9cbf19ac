// Helpers of the VRML, X3D and POV-Ray mesh reader tests: a unique folder
// per test for the files they write, plain or gzip-compressed, and the
// checks that every reader's result must pass.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/Model.h"
#include "model/Scene.h"
#include "tests/fixtures/ScratchFolder.h"

namespace scenefiles {

// A folder of its own for the running test, emptied when the helper goes.
class TestFolder {
public:
    TestFolder() : path_(fixtures::MakeScratchFolder("scene")) {}
    ~TestFolder() { fixtures::RemoveScratchFolder(path_); }
    std::string Path() const { return path_.string() + "/"; }

    std::string Write(const std::string& name, std::string_view content) const {
        const std::string file = Path() + name;
        std::ofstream out(file, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return file;
    }
    // Writes the content gzip-compressed.
    std::string WriteGzip(const std::string& name, std::string_view content) const {
        const std::string file = Path() + name;
        gzFile gz = gzopen(file.c_str(), "wb");
        EXPECT_NE(gz, nullptr);
        if (gz) {
            if (!content.empty()) gzwrite(gz, content.data(), static_cast<unsigned>(content.size()));
            gzclose(gz);
        }
        return file;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

// What every reader leaves: faces and lines whose group and material are in
// their lists, polylines that stay inside LineSegments.
inline void ExpectConsistentImport(bool verticesChecked) {
    const int32_t groups = static_cast<int32_t>(ImportGroups.size());
    const int32_t materials = static_cast<int32_t>(ImportMaterials.size());
    const int32_t vertices = static_cast<int32_t>(ImportVertices.size());
    for (const tface& f : ImportFaces) {
        ASSERT_GE(f.group, 0);
        ASSERT_LT(f.group, groups);
        ASSERT_GE(f.material, 0);
        ASSERT_LT(f.material, materials);
        if (verticesChecked)
            for (int c = 0; c < 3; ++c) {
                ASSERT_GE(f.vertex[c], 1);
                ASSERT_LE(f.vertex[c], vertices);
            }
    }
    for (std::size_t i = static_cast<std::size_t>(LinesMergedCount); i < LineSegments.size(); ++i) {
        const tline& l = LineSegments[i];
        ASSERT_GE(l.group, 0);
        ASSERT_LT(l.group, groups);
        ASSERT_GE(l.material, 0);
        ASSERT_LT(l.material, materials);
        for (int c = 0; c < 2; ++c) {
            ASSERT_GE(l.vertex[c], 1);
            ASSERT_LE(l.vertex[c], vertices);
        }
    }
    for (std::size_t i = static_cast<std::size_t>(PolylinesMergedCount); i < Polylines.size(); ++i) {
        ASSERT_GE(Polylines[i].first, 0);
        ASSERT_GT(Polylines[i].count, 0);
        ASSERT_LE(static_cast<std::size_t>(Polylines[i].first) + Polylines[i].count, LineSegments.size());
    }
}

inline bool HasLine(const std::vector<std::string>& lines, std::string_view text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

inline bool HasLineStartingWith(const std::vector<std::string>& lines, std::string_view start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

}  // namespace scenefiles
