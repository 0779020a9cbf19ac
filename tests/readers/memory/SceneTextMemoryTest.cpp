// The memory the scene file readers take, counted by this program's own
// operator new: a Poser scene or DAZ|Studio script takes memory in
// proportion to its text whatever the length of its lines or the number of
// its blocks, however few of its words the readers use. The files are read
// as the imports read them (mapped, not copied), so the readers' own memory
// (with the lines they log) stays far below the text's size; the bound
// checked is the text's size twice over.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "model/Model.h"
#include "readers/DazReader.h"
#include "readers/PoserReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

std::atomic<std::size_t> heapBytes{0}, heapPeak{0};

void* Counted(void* p) {
    if (!p) throw std::bad_alloc();
    const std::size_t now = heapBytes += malloc_usable_size(p);
    for (std::size_t peak = heapPeak; now > peak && !heapPeak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void Uncounted(void* p) {
    if (!p) return;
    heapBytes -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Counted(std::malloc(n ? n : 1)); }
void* operator new[](std::size_t n) { return Counted(std::malloc(n ? n : 1)); }
void* operator new(std::size_t n, std::align_val_t a) {
    return Counted(std::aligned_alloc(static_cast<std::size_t>(a), (n + static_cast<std::size_t>(a) - 1) &
                                                                       ~(static_cast<std::size_t>(a) - 1)));
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return operator new(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return operator new(n, std::nothrow); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete(void* p, std::align_val_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Uncounted(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Uncounted(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Uncounted(p); }

namespace {

namespace fs = std::filesystem;

class SceneTextMemoryTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        folder = fixtures::MakeScratchFolder("scene-memory");
        tmaterial m;
        NewMaterial(m);
        m.name = "SKIN";
        SceneMaterials.push_back(m);
    }
    void TearDown() override {
        fs::remove_all(folder);
        ModelTest::TearDown();
    }
    // The largest growth of the heap while `read` runs, over the size of
    // the file it reads; a read error counts as done.
    double PeakOverSize(const std::string& name, const std::string& text,
                        const std::function<void(const std::string&)>& read) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        const std::size_t before = heapBytes;
        heapPeak = before;
        try {
            read(path);
        } catch (const std::exception&) {
        }
        return static_cast<double>(heapPeak - before) / static_cast<double>(text.size());
    }

    fs::path folder;
};

// Words enough for a text of about a megabyte.
std::string Words(std::string_view word) {
    std::string s;
    while (s.size() < (1u << 20)) (s += word) += ' ';
    return s;
}

TEST_F(SceneTextMemoryTest, ScenesOfLongLinesOrManyBlocksTakeNoMoreThanTheirText) {
    std::string tinyBlocks;
    while (tinyBlocks.size() < (1u << 20)) tinyBlocks += "material SKIN\nx\n";
    const std::string longLine = Words("x") + "\n";
    const std::string quoted = "\"" + Words("\"\"x") + "\"\n";
    const std::function<void(const std::string&)> poser[] = {
        [](const std::string& f) {
            tposercameravalues v{};
            ReadPoserCameras(f, v);
        },
        [](const std::string& f) { ReadPoserMaterials(f); }, [](const std::string& f) { ReadPoserLights(f); }};
    const struct {
        const char* what;
        std::string text;
    } scenes[] = {
        {"one line of millions of words", "version\n{\nnumber 4\n}\n" + longLine},
        {"a quoted word of doubled quotes", quoted},
        {"a material block of one long line", "material SKIN\n{\nKdColor 1 1 1 1 " + longLine + "}\n"},
        {"a camera and a light of long lines",
         "camera MAIN_CAMERA\n{\nname MAIN_CAMERA " + longLine + "}\nlight L\n{\nname " + longLine + "lightOn 1\n}\n"},
        {"a million tiny material blocks", tinyBlocks},
    };
    for (const auto& scene : scenes)
        for (const auto& read : poser)
            EXPECT_LT(PeakOverSize("scene.pz3", scene.text, read), 2.0) << scene.what;

    const std::function<void(const std::string&)> daz[] = {[](const std::string& f) { ReadDazLights(f); },
                                                            [](const std::string& f) { ReadDazCameras(f); }};
    const struct {
        const char* what;
        std::string text;
    } scripts[] = {
        {"declarations of long lines",
         "var m_aNewLights = [\n" + Words("a") + "DzSpotLight ];\nvar m_aNewCameras = [\n" + Words("c") +
             "DzBasicCamera ];\n"},
        {"properties of long lines",
         "var m_aNewLights = [ \"L\", DzPointLight ];\nvar m_aNewCameras = [ \"C\", DzBasicCamera ];\n"
         "function createLight() {\n" +
             Words("XTranslate") + "\ndefault:\n}\nfunction createCamera() {\n" + Words("XTranslate") +
             "\ndefault:\n}\n"},
    };
    for (const auto& script : scripts)
        for (const auto& read : daz) EXPECT_LT(PeakOverSize("preset.ds", script.text, read), 2.0) << script.what;
}

}  // namespace
