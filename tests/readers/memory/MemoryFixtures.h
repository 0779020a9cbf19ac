// The fixtures of the memory tests: a status window and a preview that keep
// nothing, the model told as text, a model saved and put back, and a child
// process that runs a step with the heap limited (CountedHeap.h).
#pragma once

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "model/Model.h"
#include "model/Normals.h"
#include "options/Options.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ObjModels.h"
#include "tests/fixtures/ScratchFolder.h"
#include "ui/control/SceneImportController.h"
#include "ui/core/CameraPresets.h"
#include "ui/core/ExportDriver.h"
#include "tests/readers/memory/CountedHeap.h"
#include "ui/core/LoadDrivers.h"

namespace memtest {

namespace fs = std::filesystem;
using Read = void (*)(const std::string& fileName);

// A status window that keeps no line, only the length of the longest, so
// that the lines a reader logs take none of the memory counted.
class LongestLineStatus : public MemoryStatus {
public:
    void AppendLine(StatusPage, std::string_view text) override {
        longest = std::max(longest, text.size());
        if (onLine) onLine(text);
    }
    void SetStatusLine(std::string_view text) override { longest = std::max(longest, text.size()); }
    std::size_t longest = 0;
    std::function<void(std::string_view)> onLine;  // each line logged, when set
};

// A window that counts the rebuilds of the preview.
class PreviewCount : public WindowHooks {
public:
    void BuildPreviewLists() override { ++builds; }
    int builds = 0;
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

// Runs `f` outside the limits and the measure, the limit moved by what it
// leaves allocated.
template <typename F>
void Unlimited(F&& f) {
    const std::size_t limit = heapLimit, bytes = heapBytes, left = allocationsLeft;
    const bool measured = measuring;
    heapLimit = allocationsLeft = NoLimit;
    measuring = false;
    f();
    levelBase += heapBytes - bytes;
    measuring = measured;
    allocationsLeft = left;
    if (limit != NoLimit) heapLimit = limit + heapBytes - bytes;
}

// Words enough for a text of about a megabyte.
inline std::string Words(std::string_view word) {
    std::string s;
    while (s.size() < (1u << 20)) (s += word) += ' ';
    return s;
}

inline std::string Repeated(const std::string& text, int times = 20000) {
    std::string s;
    for (int i = 0; i < times; ++i) s += text;
    return s;
}

// Scenes of many lights or cameras: Poser light blocks named `name`, and a
// DAZ|Studio script that declares `kind`s ("Light" or "Camera") and sets
// their values.
inline std::string PoserLights(const std::string& name, int times = 20000) {
    return Repeated("light L\nname " + name + "\nlightOn 1\n", times);
}
inline std::string DazScript(const std::string& kind, int times = 20000) {
    const bool light = kind == "Light";
    const std::string item = light ? "[ \"L\", DzSpotLight ],\n" : "[ \"C\", DzBasicCamera ],\n";
    const std::string values = std::string("set( \"XTranslate\", 0, 240 );\n") +
                               (light ? "set( \"Color\", 0, 1, 255, 127, 0 );\n" : "set( \"Focal Length\", 0, 50 );\n");
    return "var m_aNew" + kind + "s = [\n" + Repeated(item, times) + "];\nfunction create" + kind + "() {\n" +
           Repeated(values, times) + "default:\n}\n";
}
// The model as a text of its lists and the name of its file, to tell
// whether a step changed it.
inline std::string ModelState() {
    std::ostringstream out;
    out.precision(17);
    out << Scene.modelFile << '\n';
    for (const tvertex& v : SceneVertices) out << "v " << v.p.x << ' ' << v.p.y << ' ' << v.p.z << '\n';
    for (const tnormal& n : SceneNormals) out << "n " << n.p.x << ' ' << n.p.y << ' ' << n.p.z << '\n';
    for (const tuv& t : SceneUVs) out << "t " << t.u << ' ' << t.v << '\n';
    for (const tface& f : SceneFaces) {
        out << "f";
        for (int c = 0; c < 3; ++c) out << ' ' << f.vertex[c] << '/' << f.uv[c] << '/' << f.normal[c];
        out << ' ' << f.group << ' ' << f.material << '\n';
    }
    for (const tline& l : LineSegments)
        out << "l " << l.vertex[0] << '/' << l.uv[0] << ' ' << l.vertex[1] << '/' << l.uv[1] << ' ' << l.group << ' '
            << l.material << '\n';
    for (const tpolyline& p : Polylines) out << "p " << p.first << ' ' << p.count << '\n';
    for (const tgroup& g : SceneGroups) out << "g " << g.name.str() << '\n';
    for (const tmaterial& m : SceneMaterials) out << "m " << m.name.str() << '\n';
    return out.str();
}

// A model in memory, put back as it was before each run.
struct SavedModel {
    std::vector<tvertex> vertices;
    std::vector<tnormal> normals;
    std::vector<tuv> uvs;
    std::vector<tface> faces;
    std::vector<tgroup> groups;
    std::vector<tmaterial> materials;
    std::vector<tline> lines;
    std::vector<tpolyline> polylines;
    std::string file = Scene.modelFile;

    static SavedModel Save() {
        return {SceneVertices,  SceneNormals,   SceneUVs,     SceneFaces,
                SceneGroups,    SceneMaterials, LineSegments, Polylines};
    }
    void Restore() const {
        SceneVertices = vertices, SceneNormals = normals, SceneUVs = uvs, SceneFaces = faces;
        SceneGroups = groups, SceneMaterials = materials, LineSegments = lines, Polylines = polylines;
        LinesMergedCount = static_cast<int32_t>(lines.size());
        PolylinesMergedCount = static_cast<int32_t>(polylines.size());
        Scene.modelFile = file;
        // No table keeps room from an earlier run: every run allocates alike.
        for (tfacetable* table : {&VertexFaceTable, &MaterialFaceTable, &UVFaceTable}) *table = tfacetable{};
        TopologyChanged();
    }
};

// Gives every face corner a copy of its own of its vertex or UV.
template <typename T>
inline void OwnCopies(std::vector<T>& list, int32_t (tface::*index)[3]) {
    std::vector<T> copies;
    for (tface& f : SceneFaces)
        for (int32_t& i : f.*index) {
            copies.push_back(list[static_cast<std::size_t>(i) - 1]);
            i = static_cast<int32_t>(copies.size());
        }
    list.swap(copies);
}

// Leaves the process 256 MiB of address space beyond what it has mapped, so
// that a larger file cannot be mapped.
inline void LimitAddressSpace() {
    unsigned long long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    const auto page = static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
    const rlim_t bytes = static_cast<rlim_t>(pages * page) + (256 << 20);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
}

// A step of a load or an import after its file was read: from the status
// line that begins it (`steps`, the lines of its parts) to the end of the
// command (`run`), from the model `prepare` makes.
struct StepCase {
    const char* what;
    std::vector<std::string> steps;
    std::function<void()> prepare, run;
    // The model the command leaves when it runs out of memory: what this
    // makes, or else the model as it was when the part that ran out began.
    std::function<void()> reference;
    std::string message;
    bool import = false;  // the preview is rebuilt once an import failed
    // Rather than memory, the step's status line runs out: the status
    // window cannot keep it.
    bool lineFails = false;
};

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
        Svc().window = &preview;
        fixtures::AddCube();
        Scene.modelFile = (folder / "figure.obj").string();
        Lights.resize(1);
        NewLight(Lights[0]);
        Lights[0].name = "Mine";
        AddCamera("Shot");
        Form3.CheckBox3.checked = false;  // no clean-up of the geometry
    }
    // In the child: `run` with `room` bytes of heap left; its error (a read
    // or export error, as the end-to-end driver reports them; any other
    // aborts) on stderr, then "kept" when the lights, cameras and materials
    // are as they were. Ends with status 1 after an error, 0 without one.
    void RunWithin(std::size_t room, const std::function<void()>& run) const {
        const std::size_t materials = SceneMaterials.size();
        const std::vector<std::string> cameras = fixtures::ComboItems(Form1.ComboBox8);
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
        const bool kept = Lights.size() == 1 && Lights[0].name == "Mine" && Cameras.size() == cameras.size() &&
                          fixtures::ComboItems(Form1.ComboBox2) == std::vector<std::string>{"Mine"} &&
                          fixtures::ComboItems(Form1.ComboBox8) == cameras &&
                          SceneMaterials.size() == materials &&
                          std::ranges::all_of(SceneMaterials, [](const tmaterial& m) { return m.blend == 0; });
        std::fprintf(stderr, "%s\n", kept ? "kept" : "changed");
        std::fflush(stderr);
        std::_Exit(failed ? 1 : 0);
    }

    // In the child: the step, run once to measure where it takes more memory
    // than before, then again with the room to just short of each such
    // point (and with room for a message only) as its first line is logged,
    // or with that line failing. Every run that fails must end with the step's message,
    // the model as the step found it and, after an import, the preview
    // rebuilt. Ends with status 0, or prints what went wrong and ends with
    // status 1.
    void Sweep(const StepCase& step) {
        std::string expected, before;
        if (step.reference) {
            step.reference();
            expected = ModelState();
        }
        std::size_t room = NoLimit;
        int lineCount = 0, builds = 0;
        lines.onLine = [&](std::string_view line) {
            if (std::ranges::none_of(step.steps, [&](const std::string& s) { return line.starts_with(s); })) return;
            if (++lineCount == 1 && step.lineFails && room != NoLimit) throw std::bad_alloc();
            // The model as the part found it, taken outside the limit and
            // the measure.
            const std::size_t limit = heapLimit, bytes = heapBytes;
            const bool measured = measuring;
            heapLimit = NoLimit;
            measuring = false;
            if (!step.reference) before = ModelState();
            if (lineCount == 1) {
                builds = preview.builds;
                levelBase = heapBytes;
                measuring = room == NoLimit;
                if (room != NoLimit && !step.lineFails) heapLimit = heapBytes + room;
                return;
            }
            levelBase += heapBytes - bytes;
            measuring = measured;
            if (limit != NoLimit) heapLimit = limit + heapBytes - bytes;
        };
        const auto run = [&](std::size_t r) {
            room = r;
            lineCount = 0;
            step.prepare();
            std::optional<std::string> error;
            try {
                step.run();
            } catch (const ReadError& e) {
                error = e.what();
            }
            heapLimit = NoLimit;
            measuring = false;
            return error;
        };
        std::string problems;
        if (run(NoLimit) || lineCount == 0) problems += "the step does not run\n";
        constexpr std::size_t messageRoom = 4 << 10;
        std::vector<std::size_t> rooms{messageRoom};
        if (!step.lineFails)
            for (std::size_t i = 0; i < levelCount; ++i)
                if (levels[i] - 1 > messageRoom) rooms.push_back(levels[i] - 1);
        int failures = 0;
        for (const std::size_t r : rooms) {
            if (!problems.empty()) break;
            const std::optional<std::string> error = run(r);
            if (!error) continue;
            ++failures;
            std::string wrong;
            if (*error != step.message) wrong += " the message \"" + *error + "\"";
            if (ModelState() != (step.reference ? expected : before)) wrong += " the model changed";
            if (step.import && preview.builds == builds) wrong += " the preview not rebuilt";
            if (!wrong.empty())
                problems += (step.lineFails ? "with its line failing:" : "with " + std::to_string(r) + " bytes:") +
                            wrong + "\n";
        }
        if (failures == 0) problems += "never ran out of memory\n";
        std::fprintf(stderr, "%s", problems.c_str());
        std::fflush(stderr);
        std::_Exit(problems.empty() ? 0 : 1);
    }

    PreviewCount preview;
};

// Runs of a command with one of its allocations failing alone: each of the
// first `each` that it makes (every one with NoLimit), and `spread` more
// spread evenly over the rest.
struct SingleFailures {
    std::size_t each = 0, spread = 0;
};

// Running out of memory anywhere in a command, in a child process: `run`
// (the command, returning its error, "" when it went through) once to
// measure where it takes more memory than before, from its start, then again
// with the room to just short of each such point (with `allBlocks`, of each
// block of 4 KiB or more that it takes, higher than the blocks before it or
// not), with room for a message only, with rooms spread evenly up to its
// peak (where any allocation, small ones too, may be the one that fails),
// with room to spare, and with the `single` allocations failing alone, each
// time after `prepare`. `judge` tells what is wrong with a run that failed
// ("" for nothing), its error given, with the heap no longer limited. Ends
// with status 0, or prints what went wrong and ends with status 1.
inline void SweepCommand(const std::function<void()>& prepare, const std::function<std::string()>& run,
                         const std::function<std::string(const std::string& error)>& judge, bool allBlocks = false,
                         SingleFailures single = {}) {
    const auto within = [&](std::size_t room, std::size_t failing = NoLimit) {
        prepare();
        if (room == NoLimit && failing == NoLimit) {
            levelBase = heapBytes;
            heapPeak = levelBase;
            levelCount = allocationCount = 0;
            measuring = true;
            everyBlock = allBlocks;
        } else if (room != NoLimit) {
            heapLimit = heapBytes + room;
        }
        allocationsLeft = failing;
        const std::string error = run();
        heapLimit = allocationsLeft = NoLimit;
        measuring = everyBlock = false;
        return error;
    };
    std::string problems;
    if (!within(NoLimit).empty()) problems += "the command fails with all the memory it needs\n";
    const std::size_t allocations = allocationCount;
    constexpr std::size_t messageRoom = 4 << 10;
    constexpr int spread = 48;
    const std::size_t peak = heapPeak - levelBase;
    std::vector<std::size_t> rooms{messageRoom};
    for (std::size_t i = 0; i < levelCount; ++i)
        if (levels[i] - 1 > messageRoom) rooms.push_back(levels[i] - 1);
    for (int k = 1; k < spread && peak > messageRoom; ++k)
        rooms.push_back(messageRoom + (peak - messageRoom) * k / spread);
    // All it needs: only what the status window refuses fails.
    rooms.push_back(2 * peak + messageRoom);
    std::sort(rooms.begin(), rooms.end());
    rooms.erase(std::unique(rooms.begin(), rooms.end()), rooms.end());
    std::vector<std::size_t> failing;
    for (std::size_t k = 0; k < std::min(single.each, allocations); ++k) failing.push_back(k);
    for (std::size_t k = 1; k <= single.spread && single.each < allocations; ++k)
        failing.push_back(single.each + (allocations - single.each) * k / (single.spread + 1));
    int failures = 0;
    const auto judged = [&](std::size_t room, std::size_t fails, const std::string& at) {
        if (!problems.empty()) return;
        const std::string error = within(room, fails);
        if (error.empty()) return;
        ++failures;
        if (const std::string wrong = judge(error); !wrong.empty()) problems += at + wrong + "\n";
    };
    for (const std::size_t room : rooms) judged(room, NoLimit, "with " + std::to_string(room) + " bytes:");
    for (const std::size_t k : failing) judged(NoLimit, k, "with allocation " + std::to_string(k) + " failing:");
    if (failures == 0) problems += "never ran out of memory\n";
    std::fprintf(stderr, "%s", problems.c_str());
    std::fflush(stderr);
    std::_Exit(problems.empty() ? 0 : 1);
}

}  // namespace memtest
