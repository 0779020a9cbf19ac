// Shared base of the writer tests: a fresh model, the design-time option
// values, the scene checks installed, and a temporary folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/Model.h"
#include "tests/fixtures/Fixtures.h"

namespace writertest {

class WriterTest : public fixtures::ModelTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A path in the test's own temporary folder.
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    // Export switches all off, the model file and the OBJ file set.
    void PrepareObjExport(const std::string& objName = "car.obj");

    std::filesystem::path dir;
};

std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);  // split at LF, no line ends
// The text with the version of the creator banner and the memory line of the
// statistics (which follows the record sizes) replaced by fixed words.
std::string Normalise(const std::string& text);
// Compares the file with tests/data/writers/<golden> after Normalise. With
// the environment variable MIRELAN_UPDATE_GOLDEN set, writes the golden file
// instead (review the difference before committing it).
void ExpectGolden(const std::string& path, const std::string& golden);

// Builders of small scenes.
int32_t AddGroup(const std::string& name);
int32_t AddMaterial(const std::string& name);
int32_t AddVertex(double x, double y, double z);
int32_t AddNormal(double x, double y, double z);
int32_t AddUV(double u, double v);
void AddFace(int32_t group, int32_t material, const int32_t v[3], const int32_t n[3] = nullptr,
             const int32_t t[3] = nullptr);

}  // namespace writertest
