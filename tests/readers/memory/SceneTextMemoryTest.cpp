// The memory the scene file readers take, counted by this program's own
// operator new (HeapCount.h): a Poser scene or DAZ|Studio script, read from
// its file as the imports read it (mapped, not copied), takes a small part
// of its text's size whatever the length of its lines or the number of its
// blocks, so that a copy of its lines or of a whole line shows plainly; the
// lines it logs cut every word of the file; and the lights or cameras it
// reads are kept once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/Model.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"
#include "tests/readers/memory/HeapCount.h"
#include "ui/control/SceneImportController.h"

namespace {

using Read = void (*)(const std::string& fileName);

// A status window that keeps no line, only the length of the longest, so
// that the lines a reader logs take none of the memory counted.
class LongestLineStatus : public MemoryStatus {
public:
    void AppendLine(StatusPage, std::string_view text) override { longest = std::max(longest, text.size()); }
    void SetStatusLine(std::string_view text) override { longest = std::max(longest, text.size()); }
    std::size_t longest = 0;
};

class SceneTextMemoryTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        Services s;
        s.status = &lines;
        scopedLines = new ScopedServices(s);
        folder = fixtures::MakeScratchFolder("scene-memory");
    }
    void TearDown() override {
        fixtures::RemoveScratchFolder(folder);
        delete scopedLines;
        ModelTest::TearDown();
    }
    // The largest growth of the heap while `read` reads the text from a file,
    // over the text's size; a read error counts as done.
    double PeakOverSize(const std::string& text, Read read) {
        const std::string path = (folder / "scene").string();
        std::ofstream(path, std::ios::binary) << text;
        const std::size_t before = heap::InUse();
        heap::ResetPeak();
        try {
            read(path);
        } catch (const std::exception&) {
        }
        return static_cast<double>(heap::Peak() - before) / static_cast<double>(text.size());
    }

    LongestLineStatus lines;
    ScopedServices* scopedLines = nullptr;
    std::filesystem::path folder;
};

// Words enough for a text of about a megabyte.
std::string Words(std::string_view word) {
    std::string s;
    while (s.size() < (1u << 20)) (s += word) += ' ';
    return s;
}

const auto ReadCameras = [](const std::string& f) {
    tposercameravalues v{};
    ReadPoserCameras(f, v);
};

// A text read as views into the file takes well under this part of its
// size; a copy of it, or of its longest line, takes more than all of it.
constexpr double ViewBound = 0.25;

TEST_F(SceneTextMemoryTest, ScenesOfLongLinesOrManyBlocksTakeNoMoreThanTheirText) {
    fixtures::EnsureMaterial(0);
    SceneMaterials[0].name = "SKIN";
    std::string tinyBlocks;
    while (tinyBlocks.size() < (1u << 20)) tinyBlocks += "material SKIN\nx\n";
    const std::string longLine = Words("x") + "\n";
    const std::string longWord(200000, 'w');
    const std::vector<Read> poser = {ReadCameras, ReadPoserMaterials, ReadPoserLights};
    const std::vector<Read> daz = {ReadDazLights, ReadDazCameras};
    const struct {
        const char* what;
        std::string text;
        bool daz;
        double bound = ViewBound;
    } scenes[] = {
        {"one line of millions of words", "version\n{\nnumber 4\n}\n" + longLine, false},
        // The one word is unescaped into a copy of its own.
        {"a quoted word of doubled quotes", "\"" + Words("\"\"x") + "\"\n", false, 2.0},
        {"quoted words of doubled quotes", Words("\"a\"\"b\"") + "\n", false},
        {"a material block of one long line", "material SKIN\n{\nKdColor 1 1 1 1 " + longLine + "}\n", false},
        {"a camera and a light of long lines",
         "camera MAIN_CAMERA\n{\nname MAIN_CAMERA " + longLine + "}\nlight L\n{\nname " + longLine + "lightOn 1\n}\n",
         false},
        {"long words where lines are logged",
         "usecamera " + longWord + "\ndimensions " + longWord + " " + longWord + "\ncamera C\n{\nname " + longWord +
             "\n}\nlight L\n{\nname " + longWord + "\nlightOn 1\n}\nmaterial " + longWord + "\n{\n}\n",
         false},
        {"a million tiny material blocks", tinyBlocks, false},
        {"declarations of long lines",
         "var m_aNewLights = [\n" + Words("a") + "DzSpotLight ];\nvar m_aNewCameras = [\n" + Words("c") +
             "DzBasicCamera ];\n",
         true},
        {"properties of long lines",
         "var m_aNewLights = [ \"L\", DzPointLight ];\nvar m_aNewCameras = [ \"C\", DzBasicCamera ];\n"
         "function createLight() {\n" + Words("XTranslate") + "\ndefault:\n}\nfunction createCamera() {\n" +
             Words("XTranslate") + "\ndefault:\n}\n",
         true},
    };
    for (const auto& scene : scenes)
        for (const Read read : scene.daz ? daz : poser) {
            lines.longest = 0;
            EXPECT_LT(PeakOverSize(scene.text, read), scene.bound) << scene.what;
            EXPECT_LE(lines.longest, 1000u) << scene.what;
        }
}

// A scene of many lights or cameras takes, at its peak, little more than
// the lights or cameras it keeps (with their names and lists): it reads
// them once and keeps no second list of them or of their values.
TEST_F(SceneTextMemoryTest, LightsAndCamerasAreKeptOnce) {
    ResetOptionsToDefaults();
    std::string poserLights, dazLights = "var m_aNewLights = [\n", dazCameras = "var m_aNewCameras = [\n";
    std::string lightValues, cameraValues;
    for (int i = 0; i < 20000; ++i) {
        poserLights += "light L\nname L\nlightOn 1\n";
        dazLights += "[ \"L\", DzSpotLight ],\n";
        lightValues += "set( \"XTranslate\", 0, 240 );\nset( \"Color\", 0, 1, 255, 127, 0 );\n";
        dazCameras += "[ \"C\", DzBasicCamera ],\n";
        cameraValues += "set( \"XTranslate\", 0, 240 );\nset( \"Focal Length\", 0, 50 );\n";
    }
    const std::string lightScript = "];\nfunction createLight() {\n";
    // The reads that replace the lights read a scene of one light next: the
    // many lights they replace are set aside, not copied.
    const struct {
        const char* what;
        std::string text;
        Read read;
        std::string oneLight;
    } scenes[] = {
        {"Poser lights", poserLights, ReadPoserLights, ""},
        {"the lights of a Poser scene imported", poserLights, LoadPoserLights, "light L\nname L\nlightOn 1\n"},
        {"DAZ|Studio lights", dazLights + lightScript + lightValues + "default:\n}\n", ReadDazLights,
         "var m_aNewLights = [\n[ \"L\", DzSpotLight ],\n" + lightScript + "default:\n}\n"},
        {"DAZ|Studio cameras", dazCameras + "];\nfunction createCamera() {\n" + cameraValues + "default:\n}\n",
         ReadDazCameras, ""},
    };
    for (const auto& scene : scenes) {
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        std::vector<std::string>().swap(Form1.ComboBox2.items);
        std::vector<std::string>().swap(Form1.ComboBox8.items);
        const std::size_t before = heap::InUse();
        const double peak = PeakOverSize(scene.text, scene.read) * static_cast<double>(scene.text.size());
        const double kept = static_cast<double>(heap::InUse() - before);
        EXPECT_EQ(Lights.size() + Cameras.size(), 20000u) << scene.what;
        EXPECT_LT(peak, 1.25 * kept) << scene.what;
        if (scene.oneLight.empty()) continue;
        const double replacing = PeakOverSize(scene.oneLight, scene.read) * static_cast<double>(scene.oneLight.size());
        EXPECT_EQ(Lights.size(), 1u) << scene.what;
        EXPECT_LT(replacing, 0.25 * kept) << scene.what;
    }
}

}  // namespace
