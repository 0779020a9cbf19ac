// The memory the scene imports and the saves take, counted (and limited) by
// this program's own operator new. A Poser scene or DAZ|Studio script, read
// from its file as the imports read it (mapped, not copied), takes a small
// part of its text's size whatever the length of its lines or the number of
// its blocks, so that a copy of its lines or of a whole line shows plainly;
// the lines it logs cut every word of the file; and the lights or cameras it
// reads are kept once. An import or a save that runs out of memory is an
// error message, and what the user had stays as it was.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"

namespace {

// The bytes in use, their peak since it was last set, and the limit past
// which an allocation fails.
constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();
std::atomic<std::size_t> heapBytes{0}, heapPeak{0}, heapLimit{NoLimit};

// Counts a block from malloc (null when there was no memory).
void* Counted(void* p) {
    const std::size_t now = heapBytes += p ? malloc_usable_size(p) : 0;
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

// A block that keeps the bytes in use within the limit; null past it.
void* Within(std::size_t n) {
    if (n > heapLimit || heapBytes > heapLimit - n) return nullptr;
    return Counted(std::malloc(n ? n : 1));
}

void* Allocated(std::size_t n) {
    if (void* p = Within(n)) return p;
    throw std::bad_alloc();
}

void Freed(void* p) noexcept {
    if (p) heapBytes -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

// Every form whose blocks another form's delete may free is replaced, so that no
// block goes from the sanitizer's allocator to free() or back; the aligned forms
// stay the library's, all of them: no reader allocates over-aligned data.
void* operator new(std::size_t n) { return Allocated(n); }
void* operator new[](std::size_t n) { return Allocated(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Within(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Within(n); }
void operator delete(void* p) noexcept { Freed(p); }
void operator delete[](void* p) noexcept { Freed(p); }
void operator delete(void* p, std::size_t) noexcept { Freed(p); }
void operator delete[](void* p, std::size_t) noexcept { Freed(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Freed(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Freed(p); }

namespace {

namespace fs = std::filesystem;
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
        ResetOptionsToDefaults();
        Svc().status = &lines;
        folder = fixtures::MakeScratchFolder("scene-memory");
    }
    void TearDown() override {
        fixtures::RemoveScratchFolder(folder);
        ModelTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // The largest growth of the heap in bytes while `read` reads the text
    // from a file; a read error counts as done.
    double PeakGrowth(const std::string& text, Read read) const {
        const std::string path = Write("scene", text);
        const std::size_t before = heapBytes;
        heapPeak = before;
        try {
            read(path);
        } catch (const std::exception&) {
        }
        return static_cast<double>(heapPeak - before);
    }

    LongestLineStatus lines;
    fs::path folder;
};

// Words enough for a text of about a megabyte.
std::string Words(std::string_view word) {
    std::string s;
    while (s.size() < (1u << 20)) (s += word) += ' ';
    return s;
}

std::string Repeated(const std::string& text, int times = 20000) {
    std::string s;
    for (int i = 0; i < times; ++i) s += text;
    return s;
}

// Scenes of many lights or cameras: Poser light blocks named `name`, and a
// DAZ|Studio script that declares `kind`s ("Light" or "Camera") and sets
// their values.
std::string PoserLights(const std::string& name, int times = 20000) {
    return Repeated("light L\nname " + name + "\nlightOn 1\n", times);
}
std::string DazScript(const std::string& kind, int times = 20000) {
    const bool light = kind == "Light";
    const std::string item = light ? "[ \"L\", DzSpotLight ],\n" : "[ \"C\", DzBasicCamera ],\n";
    const std::string values = std::string("set( \"XTranslate\", 0, 240 );\n") +
                               (light ? "set( \"Color\", 0, 1, 255, 127, 0 );\n" : "set( \"Focal Length\", 0, 50 );\n");
    return "var m_aNew" + kind + "s = [\n" + Repeated(item, times) + "];\nfunction create" + kind + "() {\n" +
           Repeated(values, times) + "default:\n}\n";
}

TEST_F(SceneTextMemoryTest, ScenesOfLongLinesOrManyBlocksTakeNoMoreThanTheirText) {
    fixtures::EnsureMaterial(0);
    SceneMaterials[0].name = "SKIN";
    std::string tinyBlocks;
    while (tinyBlocks.size() < (1u << 20)) tinyBlocks += "material SKIN\nx\n";
    const std::string longLine = Words("x") + "\n";
    const std::string longWord(200000, 'w');
    const auto cameras = [](const std::string& f) { tposercameravalues v{}; ReadPoserCameras(f, v); };
    const std::vector<Read> poser = {cameras, ReadPoserMaterials, ReadPoserLights};
    const std::vector<Read> daz = {ReadDazLights, ReadDazCameras};
    // A text read as views into the file takes well under a quarter of its
    // size; a copy of it, or of its longest line, takes more than all of it.
    const struct { const char* what; std::string text; bool daz; double bound = 0.25; } scenes[] = {
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
            EXPECT_LT(PeakGrowth(scene.text, read) / static_cast<double>(scene.text.size()), scene.bound) << scene.what;
            EXPECT_LE(lines.longest, 1000u) << scene.what;
        }
}

// A scene of many lights or cameras takes, at its peak, little more than
// the lights or cameras it keeps (with their names and lists): it reads
// them once and keeps no second list of them or of their values. The reads
// that replace the lights then read a scene of one light: the many lights
// they replace are set aside, not copied.
TEST_F(SceneTextMemoryTest, LightsAndCamerasAreKeptOnce) {
    const struct { const char* what; std::string text; Read read; std::string oneLight; } scenes[] = {
        {"Poser lights", PoserLights("L"), ReadPoserLights, ""},
        {"the lights of a Poser scene imported", PoserLights("L"), LoadPoserLights, PoserLights("L", 1)},
        {"DAZ|Studio lights", DazScript("Light"), ReadDazLights, DazScript("Light", 1)},
        {"DAZ|Studio cameras", DazScript("Camera"), ReadDazCameras, ""},
    };
    for (const auto& scene : scenes) {
        std::vector<tlight>().swap(Lights);
        std::vector<tcamera>().swap(Cameras);
        std::vector<std::string>().swap(Form1.ComboBox2.items);
        std::vector<std::string>().swap(Form1.ComboBox8.items);
        const std::size_t before = heapBytes;
        const double peak = PeakGrowth(scene.text, scene.read);
        const double kept = static_cast<double>(heapBytes - before);
        EXPECT_EQ(Lights.size() + Cameras.size(), 20000u) << scene.what;
        EXPECT_LT(peak, 1.25 * kept) << scene.what;
        if (scene.oneLight.empty()) continue;
        EXPECT_LT(PeakGrowth(scene.oneLight, scene.read), 0.25 * kept) << scene.what;
        EXPECT_EQ(Lights.size(), 1u) << scene.what;
    }
}

// An OBJ save writes the lines of its settings block as it makes them: with
// many lights its heap grows by a small part of the file (their lines held
// until the end would take more than the whole file).
TEST_F(SceneTextMemoryTest, AnObjSaveOfManyLightsHoldsNoCopyOfTheirLines) {
    fixtures::AddCube();
    Scene.modelFile = (folder / "figure.obj").string();
    Lights.resize(40000);
    for (tlight& light : Lights) NewLight(light);
    Form2.Edit1.text = folder.string();
    SetDefaultOutputNames(Scene.modelFile);
    const std::size_t before = heapBytes;
    heapPeak = before;
    ASSERT_TRUE(SaveModelFiles(SaveKind::Obj));
    const double growth = static_cast<double>(heapPeak - before);
    EXPECT_LT(growth, 0.25 * static_cast<double>(fs::file_size(folder / "figure.obj")));
}

// Running out of memory, in a child process whose allocations are limited:
// the sanitizers reserve far more address space than any limit of the
// process could allow, so the limit is put on what the child may allocate,
// and every allocation past it throws std::bad_alloc as operator new does
// when the memory is used up. What the user has: a model, a light and a
// camera preset.
class OutOfMemoryTest : public SceneTextMemoryTest {
protected:
    void SetUp() override {
        SceneTextMemoryTest::SetUp();
        fixtures::AddCube();
        Scene.modelFile = (folder / "figure.obj").string();
        Lights.resize(1);
        NewLight(Lights[0]);
        Lights[0].name = "Mine";
        Form1.ComboBox2.items = {"Mine"};
        AddCamera("Shot");
        Form3.CheckBox3.checked = false;  // no clean-up of the geometry
    }
    // In the child: `run` with `room` bytes of heap left; its error (a read
    // or export error, as the end-to-end driver reports them; any other
    // aborts) on stderr, then "kept" when the lights, cameras and materials
    // are as they were. Ends with status 1 after an error, 0 without one.
    void RunWithin(std::size_t room, const std::function<void()>& run) const {
        const std::size_t materials = SceneMaterials.size();
        heapLimit = heapBytes + room;
        bool failed = true;
        try {
            run();
            failed = false;
        } catch (const ReadError& e) {
            std::fprintf(stderr, "%s\n", e.what());
        } catch (const ExportError& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        heapLimit = NoLimit;
        const bool kept = Lights.size() == 1 && Lights[0].name == "Mine" && Cameras.size() == 1 &&
                          Form1.ComboBox2.items == std::vector<std::string>{"Mine"} &&
                          Form1.ComboBox8.items == std::vector<std::string>{"Shot"} &&
                          SceneMaterials.size() == materials &&
                          std::ranges::all_of(SceneMaterials, [](const tmaterial& m) { return m.blend == 0; });
        std::fprintf(stderr, "%s\n", kept ? "kept" : "changed");
        std::fflush(stderr);
        std::_Exit(failed ? 1 : 0);
    }
};

// Each pass of each import whose records do not fit: the message names the
// scene, the user's lights, cameras and materials stay.
TEST_F(OutOfMemoryTest, AnImportThatRunsOutOfMemoryIsAnErrorAndChangesNothing) {
    const auto runsOut = [&](std::size_t room, Read import, const std::string& name, const std::string& text) {
        const std::string path = Write(name, text);
        EXPECT_EXIT(RunWithin(room, [&] { import(path); }), testing::ExitedWithCode(1),
                    "^not enough memory to load " + name + "\nkept\n");
    };
    runsOut(1 << 20, ImportPoserScene, "lights.pz3", PoserLights("L"));
    // Lights of long names: they are read, and then there is no room to
    // name them after the file and list them.
    runsOut(23 << 18, ImportPoserScene, "named.pz3", PoserLights("A light of a long name"));
    runsOut(1 << 20, ReadDazLights, "lights.ds", DazScript("Light"));
    runsOut(1 << 20, ReadDazCameras, "cameras.ds", DazScript("Camera"));
    // The materials pass, once the model has materials of the scene's names.
    std::string materials;
    for (int i = 0; i < 4000; ++i) {
        materials += "material M" + std::to_string(i) + "\n{\nKdColor 1 1 1 1\n}\n";
        fixtures::EnsureMaterial(i);
        SceneMaterials[static_cast<std::size_t>(i)].name = "M" + std::to_string(i);
    }
    runsOut(1 << 20, ImportPoserScene, "materials.pz3", materials);
    // With the memory they need, the same imports go through.
    EXPECT_EXIT(RunWithin(64 << 20, [&] { ImportPoserScene((folder / "lights.pz3").string()); }),
                testing::ExitedWithCode(0), "changed");
}

// A save of many lights that runs out of memory fails like a save that
// cannot write its files: the message, the earlier files as they were, no
// unfinished file left. The OBJ and YafRay saves run out in their writers,
// the POV-Ray save before its first file.
TEST_F(OutOfMemoryTest, ASaveThatRunsOutOfMemoryFailsAndKeepsTheEarlierFiles) {
    for (int i = 0; i < 20000; ++i) Lights.push_back(Lights[0]);
    Form2.Edit1.text = folder.string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    SetDefaultOutputNames(Scene.modelFile);
    Form1.Edit111.text = "figure.xml";
    for (const char* name : {"figure_POV_main.ini", "figure_POV_scene.pov", "figure_POV_geom.inc",
                             "figure_POV_mat.inc", "figure.obj", "figure.mtl", "figure.xml"})
        Write(name, name);
    const auto files = [&] {
        std::map<std::string, std::string> bytes;
        for (const auto& entry : fs::directory_iterator(folder))
            bytes[entry.path().filename().string()] = fixtures::ReadFileBytes(entry.path().string());
        return bytes;
    };
    const auto earlier = files();
    const std::string writeFile = "^Not enough memory to write file " + folder.string() + "/";
    const struct { void (*save)(); std::size_t room; std::string message; } saves[] = {
        {[] { SaveModelFiles(SaveKind::Obj); }, 128 << 10, writeFile + "figure.obj\n"},
        {[] { SaveModelFiles(SaveKind::PovRay); }, 128 << 10, "^Not enough memory to save the files of figure.obj\n"},
        {SaveYafRayScene, 128 << 10, writeFile + "figure.xml\n"},
    };
    for (const auto& save : saves) {
        EXPECT_EXIT(RunWithin(save.room, save.save), testing::ExitedWithCode(1), save.message);
        EXPECT_EQ(files(), earlier);
    }
}

}  // namespace
