// The memory of the saves of a model of many meshes with long names: at its
// peak a save holds the model, the lines of the "Messages" page and what it
// writes with, within three times the model's text and records, however many
// meshes the model breaks into.
#include "tests/readers/memory/MemoryFixtures.h"

namespace {

using namespace memtest;

using SaveLinesMemoryTest = SceneTextMemoryTest;

// 5,000 objects of a RAW file, each a triangle of a 250-letter name: every
// save (one mesh per object in the Moray files), the page's lines from the
// load on included, as a status window that keeps every line holds them.
TEST_F(SaveLinesMemoryTest, ASaveOfManyMeshesTakesAtMostThreeTimesTheModel) {
    std::string raw;
    for (int i = 0; i < 5000; ++i) {
        const std::string x = std::to_string(i);
        raw += std::string(250, 'n') + x + "\n" + x + " 0 0 " + x + " 1 0 " + x + " 0 1\n";
    }
    const std::string path = Write("objects.raw", raw);
    BatchFiles = {path};
    const std::size_t base = heapBytes;
    ASSERT_TRUE(LoadSelectedModels());  // on a window that keeps no line: the records alone
    const double bound = 3.0 * static_cast<double>(raw.size() + heapBytes - base);
    MemoryStatus kept;
    Svc().status = &kept;
    BatchFiles = {path};
    ASSERT_TRUE(LoadSelectedModels());
    Form2.Edit1.text = folder.string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    const std::pair<const char*, void (*)()> saves[] = {{"POV-Ray", [] { SaveModelFiles(SaveKind::PovRay); }},
                                                        {"OBJ", [] { SaveModelFiles(SaveKind::Obj); }},
                                                        {"Moray", [] { SaveModelFiles(SaveKind::Moray); }},
                                                        {"YafRay", SaveYafRayScene}};
    for (const auto& [what, save] : saves) {
        heapPeak = heapBytes.load();
        save();
        EXPECT_LT(static_cast<double>(heapPeak - base), bound) << what << " save";
    }
    Svc().status = &lines;
}

}  // namespace
