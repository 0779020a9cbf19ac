#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "model/Model.h"
#include "readers/ThreeDSReader.h"
#include "tests/readers/ModelFileBuilders.h"
#include "tests/readers/ReaderTestBase.h"

using namespace build;

namespace {

class ThreeDSReaderTest : public ModelReaderTest {
protected:
    void Read(const std::string& bytes) {
        Scene.modelFile = "models/test.3ds";
        Read3DSBytes(Scene, bytes);
    }
    static std::string MeshMatrix() {
        std::string d;
        for (int i = 0; i < 12; ++i) d += LeF(i % 4 == 0 ? 1.0f : 0.0f);
        return Chunk(0x4160, d);
    }
};

void ExpectFace(const tface& f, std::array<int, 3> v, std::array<int, 3> uv, int group, int material) {
    EXPECT_EQ((std::array<int, 3>{f.vertex[0], f.vertex[1], f.vertex[2]}), v);
    EXPECT_EQ((std::array<int, 3>{f.uv[0], f.uv[1], f.uv[2]}), uv);
    EXPECT_EQ((std::array<int, 3>{f.normal[0], f.normal[1], f.normal[2]}), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(f.group, group);
    EXPECT_EQ(f.material, material);
}

TEST_F(ThreeDSReaderTest, ReadsObjectsMaterialsMapsAndUVs) {
    const std::string wood =
        Chunk(0xAFFF, Chunk(0xA000, CStr("wood")) + ColorBytes3DS(0xA020, 255, 51, 0) +
                          ColorFloats3DS(0xA010, 0.1f, 0.2f, 0.3f) + Chunk(0xA040, Chunk(0x0030, Le16(50))) +
                          Map3DS(0xA200, "maps\\wood.jpg") + Map3DS(0xA230, "bump.png", Chunk(0xA252, Le16(150))));
    const std::string glass = Chunk(0xAFFF, Chunk(0xA000, CStr("glass")) + Chunk(0xA050, Chunk(0x0031, LeF(-0.25f))) +
                                                ColorFloats3DS(0xA030, 0.5f, 0.5f, 0.5f) + Chunk(0xABCD, "unknown"));
    const std::string smoothing = Chunk(0x4150, Le32(1) + Le32(1));
    const std::string file = File3DS(
        Chunk(0x0100, LeF(2.0f)) + wood + glass +
        Object3DS("box", Vertices3DS({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) +
                             UVs3DS({{0, 0}, {1, 0}, {1, 1}, {0, 1}}) + MeshMatrix() +
                             Faces3DS({{0, 1, 2}, {0, 2, 3}}, FaceMaterials3DS("glass", {1}) + smoothing)) +
        Object3DS("tri", Vertices3DS({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}) + Faces3DS({{0, 1, 2}})) +
        // A second object of the same name adds to its group; it has no UVs
        // of its own, so its faces get none.
        Object3DS("box", Vertices3DS({{5, 5, 5}, {6, 5, 5}, {5, 6, 5}}) +
                             Faces3DS({{2, 1, 0}}, FaceMaterials3DS("wood", {0}))));
    Read(file);

    EXPECT_EQ(Messages(), (std::vector<std::string>{"3DS File Release 3", "Master Scale = 2", "Material [1]= wood",
                                                    "Material [2]= glass", "Group [1]= box", "Group [2]= tri"}));
    ASSERT_EQ(ImportVertices.size(), 10u);
    EXPECT_EQ(ImportVertices[2].p, (tvector{2, 2, 0}));
    EXPECT_EQ(ImportVertices[9].p, (tvector{10, 12, 10}));
    ASSERT_EQ(ImportUVs.size(), 4u);
    EXPECT_EQ(ImportUVs[2].u, 1);
    EXPECT_EQ(ImportUVs[2].v, 1);
    ASSERT_EQ(ImportFaces.size(), 4u);
    ExpectFace(ImportFaces[0], {1, 2, 3}, {1, 2, 3}, 0, 0);
    ExpectFace(ImportFaces[1], {1, 3, 4}, {1, 3, 4}, 0, 1);
    ExpectFace(ImportFaces[2], {5, 6, 7}, {0, 0, 0}, 1, 0);
    ExpectFace(ImportFaces[3], {10, 9, 8}, {0, 0, 0}, 0, 0);

    ASSERT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[0].name, "box");
    EXPECT_EQ(ImportGroups[1].name, "tri");
    ASSERT_EQ(ImportMaterials.size(), 2u);
    const tmaterial& w = ImportMaterials[0];
    EXPECT_EQ(w.diffuse, (tvector{1, 0.2, 0}));
    EXPECT_NEAR(w.ambient.y, 0.2, 1e-7);
    EXPECT_FLOAT_EQ(w.shininess, 0.5f);
    EXPECT_EQ(w.colorMap, "maps/wood.jpg");
    EXPECT_EQ(w.bumpMap, "bump.png");
    EXPECT_DOUBLE_EQ(w.bumpSize, 1.5);
    const tmaterial& g = ImportMaterials[1];
    EXPECT_DOUBLE_EQ(g.transparency, 0.25);
    EXPECT_EQ(g.specular, (tvector{0.5, 0.5, 0.5}));
}

TEST_F(ThreeDSReaderTest, NamesScalesAndPropertiesFollowTheirRules) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::string file = File3DS(
        Chunk(0x0100, LeF(0.0f)) +
        // A mesh before any named object, an object without a name.
        Chunk(0x4100, Vertices3DS({{1, 2, 3}})) + Object3DS("", Vertices3DS({{4, 5, 6}})) +
        Chunk(0xAFFF, Chunk(0xA000, CStr("")) + Map3DS(0xA210, "a/b/mask.tga") +
                          Chunk(0xA050, Chunk(0x0030, Le16(40))) + ColorFloats3DS(0xA020, 0.5f, inf, 0.25f)) +
        // The same name again changes the existing material.
        Chunk(0xAFFF, Chunk(0xA000, CStr("material_1")) + Chunk(0xA040, Chunk(0x0031, LeF(-0.75f)))));
    Read(file);
    EXPECT_TRUE(Logged("Master Scale = 1"));
    ASSERT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[0].name, "group_1");
    EXPECT_EQ(ImportGroups[1].name, "unnamed_group");
    EXPECT_EQ(ImportVertices[1].p, (tvector{4, 5, 6}));
    ASSERT_EQ(ImportMaterials.size(), 1u);
    const tmaterial& m = ImportMaterials[0];
    EXPECT_EQ(m.name, "material_1");
    EXPECT_EQ(m.transparencyMap, "a/b/mask.tga");
    EXPECT_EQ(m.transparency, 0);  // kept while a transparency map is set
    EXPECT_EQ(m.diffuse, (tvector{0.5, 0, 0.25}));
    EXPECT_FLOAT_EQ(m.shininess, 0.75f);
    EXPECT_EQ(Warnings(), 0);
}

TEST_F(ThreeDSReaderTest, AFileWithoutMaterialsGetsADefaultOne) {
    Read(Chunk(0x4D4D));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"File did not have any materials. Creating a default material",
                                                    "Material [1]= unnamed_material"}));
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
    EXPECT_TRUE(ImportGroups.empty());
}

TEST_F(ThreeDSReaderTest, AFileOfAnotherFormatIsRefused) {
    for (const std::string& bytes : {std::string("MZ not a 3ds file"), std::string("MM"), std::string()}) {
        prompts.shown.clear();
        EXPECT_THROW(Read(bytes), ReadError);
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].text, "File does not have a recognizable 3DS format");
        EXPECT_EQ(Messages().back(), "Could not load 3DS file.");
        EXPECT_TRUE(ImportEmpty());
    }
}

TEST_F(ThreeDSReaderTest, BadIndicesAreSkippedWithOneWarningEach) {
    const std::string file = File3DS(
        Chunk(0xAFFF, Chunk(0xA000, CStr("m"))) +
        Object3DS("a", Vertices3DS({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + UVs3DS({{0, 0}, {1, 0}}) +
                           Faces3DS({{0, 1, 2}, {0, 1, 3}, {2, 1, 9}, {1, 0, 0}},
                                    FaceMaterials3DS("m", {65535, 3, 1, 0}) + FaceMaterials3DS("none", {0}))) +
        // Face materials for a mesh that has no face list yet.
        Object3DS("b", Vertices3DS({{0, 0, 0}}) + FaceMaterials3DS("m", {0})));
    Read(file);
    ASSERT_EQ(ImportFaces.size(), 2u);
    // UVs only where the mesh's UV list covers every corner.
    ExpectFace(ImportFaces[0], {1, 2, 3}, {0, 0, 0}, 0, 0);
    ExpectFace(ImportFaces[1], {2, 1, 1}, {2, 1, 1}, 0, 0);
    EXPECT_EQ(Warnings(), 3);
    EXPECT_TRUE(Logged("<!>2 faces with invalid vertex indices in test.3ds were skipped"));
    EXPECT_TRUE(Logged("<!>2 face material entries with invalid face indices in test.3ds were ignored"));
    EXPECT_TRUE(Logged("<!>1 faces with invalid UV indices in test.3ds were given no UVs"));
}

TEST_F(ThreeDSReaderTest, DamagedFilesKeepWhatCouldBeRead) {
    const std::string good = Object3DS("a", Vertices3DS({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + Faces3DS({{0, 1, 2}}));
    // A vertex count far beyond the chunk: nothing of that list is taken.
    const std::string hugeCount = Chunk(0x4110, Le16(60000) + LeF(1) + LeF(2) + LeF(3));
    Read(File3DS(good + Object3DS("b", hugeCount + Faces3DS({{0, 0, 0}}))));
    EXPECT_EQ(ImportVertices.size(), 3u);
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_TRUE(Logged("<!>test.3ds is truncated or damaged; what could be read was kept"));

    // Cut in the middle of a face list.
    fixtures::ResetModel();
    status.pages[0].clear();
    std::string cut = File3DS(good + good);
    cut.resize(cut.size() - 5);
    Read(cut);
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_EQ(ImportVertices.size(), 6u);
    EXPECT_EQ(Warnings(), 1);

    // A name without its end byte and a chunk length past the end.
    fixtures::ResetModel();
    status.pages[0].clear();
    Read(File3DS(Chunk(0x4000, std::string(300, 'x'))) + Le16(0x1234) + Le32(0xFFFFFFFF));
    EXPECT_EQ(Warnings(), 1);
    EXPECT_EQ(ImportMaterials.size(), 1u);
}

TEST_F(ThreeDSReaderTest, ReadsTheNamedFile) {
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "mirelan_3ds_reader_test";
    std::filesystem::create_directories(dir);
    Scene.modelFile = (dir / "cube.3ds").string();
    {
        std::ofstream out(Scene.modelFile, std::ios::binary);
        out << File3DS(Object3DS("cube", Vertices3DS({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + Faces3DS({{0, 1, 2}})));
    }
    Read3DS(Scene);
    EXPECT_EQ(ImportFaces.size(), 1u);
    Scene.modelFile = (dir / "missing.3ds").string();
    EXPECT_THROW(Read3DS(Scene), ReadError);
    std::filesystem::remove_all(dir);
}

}  // namespace
