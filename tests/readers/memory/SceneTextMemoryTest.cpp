// The memory the scene file readers take, counted by this program's own
// operator new: a Poser scene or DAZ|Studio script, read from its file as the
// imports read it (mapped, not copied), takes less than twice its text's size
// whatever the length of its lines or the number of its blocks.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "model/Model.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

std::atomic<std::size_t> heapBytes{0}, heapPeak{0};

// Counts a block from malloc (null when there was no memory).
void* Counted(void* p) {
    const std::size_t now = heapBytes += p ? malloc_usable_size(p) : 0;
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void* Allocated(std::size_t n) {
    if (void* p = Counted(std::malloc(n ? n : 1))) return p;
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
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Counted(std::malloc(n ? n : 1)); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Counted(std::malloc(n ? n : 1)); }
void operator delete(void* p) noexcept { Freed(p); }
void operator delete[](void* p) noexcept { Freed(p); }
void operator delete(void* p, std::size_t) noexcept { Freed(p); }
void operator delete[](void* p, std::size_t) noexcept { Freed(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Freed(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Freed(p); }

namespace {

using Read = void (*)(const std::string& fileName);
using SceneTextMemoryTest = fixtures::ModelTest;

// The largest growth of the heap while `read` reads the file, over the file's
// size; a read error counts as done.
double PeakOverSize(const std::string& path, const std::string& text, Read read) {
    std::ofstream(path, std::ios::binary) << text;
    const std::size_t before = heapBytes;
    heapPeak = before;
    try {
        read(path);
    } catch (const std::exception&) {
    }
    return static_cast<double>(heapPeak - before) / static_cast<double>(text.size());
}

// Words enough for a text of about a megabyte.
std::string Words(std::string_view word) {
    std::string s;
    while (s.size() < (1u << 20)) (s += word) += ' ';
    return s;
}

TEST_F(SceneTextMemoryTest, ScenesOfLongLinesOrManyBlocksTakeNoMoreThanTheirText) {
    const std::filesystem::path folder = fixtures::MakeScratchFolder("scene-memory");
    fixtures::EnsureMaterial(0);
    SceneMaterials[0].name = "SKIN";
    std::string tinyBlocks;
    while (tinyBlocks.size() < (1u << 20)) tinyBlocks += "material SKIN\nx\n";
    const std::string longLine = Words("x") + "\n";
    const auto cameras = [](const std::string& f) { tposercameravalues v{}; ReadPoserCameras(f, v); };
    const std::vector<Read> poser = {cameras, ReadPoserMaterials, ReadPoserLights};
    const std::vector<Read> daz = {ReadDazLights, ReadDazCameras};
    const struct { const char* what; std::string text; bool daz; } scenes[] = {
        {"one line of millions of words", "version\n{\nnumber 4\n}\n" + longLine, false},
        {"a quoted word of doubled quotes", "\"" + Words("\"\"x") + "\"\n", false},
        {"a material block of one long line", "material SKIN\n{\nKdColor 1 1 1 1 " + longLine + "}\n", false},
        {"a camera and a light of long lines",
         "camera MAIN_CAMERA\n{\nname MAIN_CAMERA " + longLine + "}\nlight L\n{\nname " + longLine + "lightOn 1\n}\n",
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
        for (const Read read : scene.daz ? daz : poser)
            EXPECT_LT(PeakOverSize((folder / "scene").string(), scene.text, read), 2.0) << scene.what;
    fixtures::RemoveScratchFolder(folder);
}

}  // namespace
