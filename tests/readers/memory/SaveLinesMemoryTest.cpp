// The memory of the saves of models of many meshes with long names: at its
// peak a save holds the model, the lines of the "Messages" page and what it
// writes with, within three times the model's text and records, however many
// meshes the model breaks into.
#include "tests/readers/memory/MemoryFixtures.h"

namespace {

using namespace memtest;

using Files = std::vector<std::pair<std::string, std::string>>;

class SaveLinesMemoryTest : public SceneTextMemoryTest {
protected:
    // Loads the first of the files as the Load command does, on a status
    // window that keeps no line, to weigh the model's records; then again on
    // one that keeps every line, as the program's does. The bytes of the
    // model's text and records.
    std::size_t Load(const Files& files) {
        std::size_t text = 0;
        for (const auto& [name, bytes] : files) {
            Write(name, bytes);
            text += bytes.size();
        }
        const std::size_t before = heapBytes;
        BatchFiles = {(folder / files[0].first).string()};
        EXPECT_TRUE(LoadSelectedModels());
        const std::size_t records = heapBytes - before;
        Svc().status = &kept;
        BatchFiles = {(folder / files[0].first).string()};
        EXPECT_TRUE(LoadSelectedModels());
        return text + records;
    }
    MemoryStatus kept;
};

// Objects of a RAW file, and materials of an OBJ file, of 250-letter names:
// every save of the model (one mesh per object or material, or per group
// and material) at its peak, the page's lines from the load on included.
TEST_F(SaveLinesMemoryTest, ASaveOfManyMeshesTakesAtMostThreeTimesTheModel) {
    constexpr int Count = 5000;
    const std::string longName(250, 'n');
    std::string raw, obj = "mtllib m.mtl\n", faces, mtl;
    for (int i = 0; i < Count; ++i) {
        const std::string name = longName + std::to_string(i), x = std::to_string(i);
        raw += name + "\n" + x + " 0 0 " + x + " 1 0 " + x + " 0 1\n";
        obj += "v " + x + " 0 0\nv " + x + " 1 0\nv " + x + " 0 1\n";
        faces += "usemtl " + name + "\nf " + std::to_string(3 * i + 1) + " " + std::to_string(3 * i + 2) + " " +
                 std::to_string(3 * i + 3) + "\n";
        mtl += "newmtl " + name + "\nKd 1 0 0\n";
    }
    Form2.Edit1.text = folder.string();
    Form2.CheckBox1.checked = true;  // overwrite without asking
    const struct { const char* what; Files files; } models[] = {
        {"objects", {{"objects.raw", raw}}},
        {"materials", {{"materials.obj", obj + faces}, {"m.mtl", mtl}}},
    };
    const std::pair<const char*, void (*)()> saves[] = {{"POV-Ray", [] { SaveModelFiles(SaveKind::PovRay); }},
                                                        {"OBJ", [] { SaveModelFiles(SaveKind::Obj); }},
                                                        {"Moray", [] { SaveModelFiles(SaveKind::Moray); }},
                                                        {"YafRay", SaveYafRayScene}};
    for (const auto& model : models) {
        Svc().status = &lines;
        const std::size_t base = heapBytes;
        const double bound = 3.0 * static_cast<double>(Load(model.files));
        for (const auto& [what, save] : saves) {
            heapPeak = heapBytes.load();
            save();
            EXPECT_LT(static_cast<double>(heapPeak - base), bound) << model.what << ", " << what << " save";
        }
        Svc().status = &lines;
        ClearModel();
        kept.ClearPage(StatusPage::Messages);
    }
}

}  // namespace
