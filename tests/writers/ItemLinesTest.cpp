// The long blocks of the OBJ file and the YafRay scene made on several
// threads, in ranges of a few items: the same bytes as made one range after
// another, and a face naming a missing vertex stops the export with the
// message of the first such face, as it does without threads.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "tests/writers/WriterTest.h"
#include "writers/Export.h"
#include "writers/ItemLines.h"
#include "writers/YafRayWriter.h"

namespace writertest {
namespace {

class ItemLinesTest : public WriterTest {
protected:
    void TearDown() override {
        SetItemLineThreads(0, 0);
        WriterTest::TearDown();
    }
    // 200 faces over shared records in two groups and three materials;
    // every tenth face without UVs.
    static void BuildModel() {
        std::mt19937 rng(7);
        auto real = [&] { return std::uniform_real_distribution<double>(-5, 5)(rng); };
        auto index = [&](int n) { return std::uniform_int_distribution<int>(1, n)(rng); };
        for (const char* g : {"body", "head"}) AddGroup(g);
        for (const char* m : {"skin", "eyes", "cloth"}) AddMaterial(m);
        for (int i = 0; i < 50; ++i) {
            AddVertex(real(), real(), real() / 1e5);
            AddNormal(real(), real(), real());
            AddUV(real(), real());
        }
        for (int i = 0; i < 200; ++i) {
            const int32_t v[3] = {index(50), index(50), index(50)}, t[3] = {index(50), index(50), index(50)};
            AddFace(i % 2, i % 3, v, v, i % 10 == 0 ? nullptr : t);
        }
    }
    // Every output, one after another.
    std::string WriteAll() {
        ExportModelFiles(Scene);
        ExportYafRayScene(Scene);
        return ReadFile(Scene.objFile) + ReadFile(Scene.yafrayFile);
    }
    // The message the YafRay export stops with.
    static std::string YafRayError() {
        try {
            ExportYafRayScene(Scene);
        } catch (const ExportError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(ItemLinesTest, ThreadsWriteTheSameBytesAndStopAtTheFirstBadFace) {
    PrepareObjExport("model.obj");
    Scene.writeObj = 1;
    Scene.yafrayFile = Path("scene.xml");
    BuildModel();
    const std::string alone = WriteAll();
    // Two faces naming missing vertices, the first of them at 120.
    const std::vector<tface> faces = SceneFaces;
    auto breakFaces = [&] {
        SceneFaces[120].vertex[1] = 99;
        SceneFaces[170].vertex[0] = 98;
    };
    breakFaces();
    const std::string aloneError = YafRayError();
    ASSERT_NE(aloneError.find("99"), std::string::npos) << aloneError;
    SceneFaces = faces;

    const struct {
        unsigned threads;
        std::size_t items;
    } settings[] = {{2, 1}, {3, 7}, {8, 64}};
    for (const auto& s : settings) {
        SCOPED_TRACE(std::to_string(s.threads) + " threads, ranges of " + std::to_string(s.items));
        SetItemLineThreads(s.threads, s.items);
        EXPECT_EQ(WriteAll(), alone);
        breakFaces();
        EXPECT_EQ(YafRayError(), aloneError);
        SceneFaces = faces;
    }
}

}  // namespace
}  // namespace writertest
