#include "tests/writers/WriterTest.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <cctype>
#include <string_view>
#include <sstream>

#include <unistd.h>

#include "options/Options.h"
#include "platform/AppPaths.h"
#include "writers/SceneChecks.h"

namespace writertest {

namespace fs = std::filesystem;

void WriterTest::SetUp() {
    ModelTest::SetUp();
    ResetOptionsToDefaults();
    InstallSceneChecks();
    BackgroundTexture = 0;
    BackgroundTextureBytes = 0;
    HelpFilePath.clear();
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) /
          ("mirelan_writers_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void WriterTest::TearDown() {
    std::error_code ec;
    fs::remove_all(dir, ec);
    ResetOptionsToDefaults();
    BackgroundTexture = 0;
    BackgroundTextureBytes = 0;
    ModelTest::TearDown();
}

void WriterTest::PrepareObjExport(const std::string& objName) {
    Scene.modelFile = "/models/car.obj";
    Scene.writePovScene = Scene.writeMaterialInclude = Scene.writeObj = Scene.writeIni = 0;
    Scene.writeGeometryInclude = Scene.writeUdo = Scene.writeMtl = 0;
    Scene.objFile = Path(objName);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string text = ReadFile(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Normalise(const std::string& text) {
    std::string r;
    r.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(pos, end - pos);
        pos = end;
        // "... Mirelan v1.0.0.1" -> "... Mirelan vVERSION"
        if (const std::size_t v = line.find("Mirelan v"); v != std::string::npos) {
            std::size_t e = v + 9;
            while (e < line.size() && (std::isdigit(static_cast<unsigned char>(line[e])) || line[e] == '.')) ++e;
            if (e > v + 9) line.replace(v + 9, e - (v + 9), "VERSION");
        }
        constexpr std::string_view memory = "Memory allocated for geometry.. ";
        if (const std::size_t m = line.find(memory); m != std::string::npos) {
            std::size_t e = line.find_first_of("\r\n", m);
            if (e == std::string::npos) e = line.size();
            line.replace(m + memory.size(), e - (m + memory.size()), "SIZE");
        }
        r += line;
    }
    return r;
}

void ExpectGolden(const std::string& path, const std::string& golden) {
    const std::string goldenPath = std::string(MIRELAN_TEST_DATA) + "/writers/" + golden;
    const std::string actual = Normalise(ReadFile(path));
    if (std::getenv("MIRELAN_UPDATE_GOLDEN")) {
        std::ofstream(goldenPath, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(goldenPath)) << goldenPath;
    const std::string expected = Normalise(ReadFile(goldenPath));
    if (expected == actual) return;
    // Point at the first line that differs.
    std::istringstream e(expected), a(actual);
    std::string le, la;
    int line = 1;
    while (true) {
        const bool he = static_cast<bool>(std::getline(e, le));
        const bool ha = static_cast<bool>(std::getline(a, la));
        if (!he && !ha) break;
        if (!he || !ha || le != la) {
            ADD_FAILURE() << golden << " differs at line " << line << "\n expected: [" << (he ? le : "<end>")
                          << "]\n   actual: [" << (ha ? la : "<end>") << "]";
            return;
        }
        ++line;
    }
    ADD_FAILURE() << golden << " differs in its line ends";
}

int32_t AddGroup(const std::string& name) {
    tgroup g;
    NewGroup(g);
    g.name = name;
    SceneGroups.push_back(g);
    return static_cast<int32_t>(SceneGroups.size()) - 1;
}

int32_t AddMaterial(const std::string& name) {
    tmaterial m;
    NewMaterial(m);
    m.name = name;
    SceneMaterials.push_back(m);
    return static_cast<int32_t>(SceneMaterials.size()) - 1;
}

int32_t AddVertex(double x, double y, double z) { return fixtures::AddVertex(x, y, z); }

int32_t AddNormal(double x, double y, double z) { return fixtures::AddNormal(x, y, z); }

int32_t AddUV(double u, double v) { return fixtures::AddUV(u, v); }

void AddFace(int32_t group, int32_t material, const int32_t v[3], const int32_t n[3], const int32_t t[3]) {
    tface f;
    InitFace(f);
    for (int c = 0; c < 3; ++c) {
        f.vertex[c] = v[c];
        f.normal[c] = n ? n[c] : 0;
        f.uv[c] = t ? t[c] : 0;
    }
    f.group = group;
    f.material = material;
    SceneFaces.push_back(f);
}

}  // namespace writertest
