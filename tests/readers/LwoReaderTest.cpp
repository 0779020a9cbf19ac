#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/Model.h"
#include "model/TextConv.h"
#include "readers/LwoReader.h"
#include "tests/readers/ModelFileBuilders.h"
#include "tests/readers/ReaderTestBase.h"

using namespace build;

namespace {

class LwoReaderTest : public ModelReaderTest {
protected:
    void Read(const std::string& bytes) {
        Scene.modelFile = "models/test.lwo";
        ReadLWOBytes(Scene, bytes);
    }
};

std::array<int, 3> Corners(const tface& f) { return {f.vertex[0], f.vertex[1], f.vertex[2]}; }
std::array<int, 3> UVs(const tface& f) { return {f.uv[0], f.uv[1], f.uv[2]}; }

const std::string FourPoints = Points({{0, 0, 1}, {1, 0, 2}, {1, 1, 3}, {0, 1, 4}});

TEST_F(LwoReaderTest, OldObjectsMakeAGroupAndMaterialPerSurface) {
    const std::string polygons = OldPolygon({0, 1, 2}, 1) +
                                 // A negative surface: detail polygons follow and are dropped.
                                 OldPolygon({2, 3, 0}, -3) + Be16(1) + OldPolygon({0, 1, 2}, 1) +
                                 OldPolygon({1, 2, 3}, 2) + OldPolygon({0, 1}, 1);
    Read(Form("LWOB", Iff("SRFS", S0("red") + S0("") + S0("blue")) + FourPoints + Iff("POLS", polygons) +
                          Iff("PCHS", OldPolygon({0, 1, 2, 3}, 2))));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"LWO 5.0 Object file", "Object [1] = red", "Object [2] = Object_2",
                                                    "Object [3] = blue"}));
    ASSERT_EQ(ImportGroups.size(), 3u);
    ASSERT_EQ(ImportMaterials.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ImportGroups[i].name, ImportMaterials[i].name);
        EXPECT_EQ(ImportMaterials[i].invertTransparencyMap, 1);
    }
    EXPECT_EQ(ImportGroups[1].name, "Object_2");
    ASSERT_EQ(ImportVertices.size(), 4u);
    EXPECT_EQ(ImportVertices[1].p, (tvector{1, 0, -2}));  // z is negated
    ASSERT_EQ(ImportFaces.size(), 5u);
    // Corners in reverse file order.
    EXPECT_EQ(Corners(ImportFaces[0]), (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(ImportFaces[0].group, 0);
    EXPECT_EQ(Corners(ImportFaces[1]), (std::array<int, 3>{1, 4, 3}));
    EXPECT_EQ(ImportFaces[1].material, 2);
    EXPECT_EQ(ImportFaces[2].group, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ImportFaces[i].mark, 0);
    for (int i = 3; i < 5; ++i) {
        EXPECT_EQ(ImportFaces[i].mark, 1);  // the patch's triangles
        EXPECT_EQ(ImportFaces[i].material, 1);
    }
    EXPECT_EQ(Scene.polygonsRead, 5);
    EXPECT_EQ(Warnings(), 0);
}

TEST_F(LwoReaderTest, OldSurfacesSetColoursAndTheFirstTexturePlacement) {
    const std::string surface =
        S0("red") + Sub("COLR", std::string{char(255), 0, 0, 0}) + Sub("LUMI", Be16(51)) + Sub("SPEC", Be16(100)) +
        Sub("REFL", Be16(51)) + Sub("TRAN", Be16(51)) + Sub("TRAN", Be16(102)) + Sub("GLOS", Be16(64)) +
        Sub("VDIF", BeF(0.5f)) + Sub("XXXX", "odd") + Sub("CTEX", S0("Planar Image Map")) + Sub("TFLG", Be16(2)) +
        Sub("TFLG", Be16(4)) + Sub("TSIZ", BeVec(1, 2, 3)) + Sub("TCTR", BeVec(4, 5, 6)) + Sub("TAMP", BeF(2.5f)) +
        Sub("TIMG", S0("textures\\a.jpg")) + Sub("BTEX", S0("Wood")) + Sub("TIMG", S0("b.jpg")) +
        Sub("TSIZ", BeVec(7, 7, 7)) + Sub("TTEX", S0("Cylindrical Image Map")) + Sub("TIMG", S0(" (None) "));
    Read(Form("LWOB", Iff("SRFS", S0("red")) + Iff("SURF", surface) + Iff("SURF", S0("nomatch") + Sub("VDIF", BeF(0)))));
    EXPECT_TRUE(Logged("Material [1]= red"));
    ASSERT_EQ(ImportMaterials.size(), 1u);
    const tmaterial& m = ImportMaterials[0];
    EXPECT_EQ(m.diffuse, (tvector{0.5, 0, 0}));
    EXPECT_DOUBLE_EQ(m.ambient.x, 0.2);
    EXPECT_EQ(m.specular, (tvector{0.3, 0.3, 0.3}));  // only set while zero
    EXPECT_DOUBLE_EQ(m.reflection, 0.2);
    EXPECT_DOUBLE_EQ(m.transparency, 0.2);
    EXPECT_FLOAT_EQ(m.shininess, static_cast<float>(ExponentToShininess(64)));
    EXPECT_EQ(m.uvProjection, 1);  // the last texture type named
    EXPECT_EQ(m.projectionAxis, YAxis);
    EXPECT_EQ(m.mapSize, (tvector{1, 2, 3}));
    EXPECT_EQ(m.mapCenter, (tvector{4, 5, -6}));
    EXPECT_DOUBLE_EQ(m.bumpSize, 2.5);
    EXPECT_EQ(m.colorMap, "textures/a.jpg");
    EXPECT_EQ(m.bumpMap, "");
    EXPECT_EQ(m.transparencyMap, "");
}

TEST_F(LwoReaderTest, NewObjectsReadLayersTagsVertexMapsAndBlocks) {
    const std::string vmap = Iff("VMAP", std::string("TXUV") + Be16(2) + S0("uv") + VX(0) + BeF(0) + BeF(0) + VX(1) +
                                             BeF(1) + BeF(0) + VX(2) + BeF(1) + BeF(1) + VX(3) + BeF(0) + BeF(1));
    const std::string vmad = Iff("VMAD", std::string("TXUV") + Be16(2) + S0("uv") + VX(2) + VX(1) + BeF(0.9f) + BeF(0.9f));
    const std::string ptag = Iff("PTAG", std::string("SURF") + VX(0) + Be16(1) + VX(1) + Be16(0));
    const std::string clips = Iff("CLIP", Be32(1) + Sub("STIL", S0("images\\skin.png"))) +
                              Iff("CLIP", Be32(2) + Sub("STIL", S0("(none)")) + Sub("FLAG", Be16(0)));
    auto block = [](std::string_view channel, uint32_t clip, uint16_t projection) {
        return Sub("BLOK", Sub("IMAP", S0("\x80") + Sub("CHAN", std::string(channel)) + Sub("ENAB", Be16(1))) +
                               Sub("PROJ", Be16(projection)) + Sub("AXIS", Be16(1)) + Sub("IMAG", VX(clip)) +
                               Sub("WRPW", BeF(2) + VX(0)) + Sub("WRPH", BeF(3) + VX(0)) +
                               Sub("TAMP", BeF(0.7f) + VX(0)) +
                               Sub("TMAP", Sub("CNTR", BeVec(1, 2, 3) + VX(0)) + Sub("SIZE", BeVec(4, 5, 6) + VX(0)) +
                                               Sub("ROTA", BeVec(0.1f, 0.2f, 0.3f) + VX(0))));
    };
    const std::string skin = Iff("SURF", S0("skin") + S0("") + Sub("COLR", BeVec(1, 0.5f, 0.25f) + VX(0)) +
                                             Sub("DIFF", BeF(0.5f) + VX(0)) + Sub("SPEC", BeF(0.1f) + VX(0)) +
                                             block("COLR", 1, 1) + block("BUMP", 2, 2));
    const std::string cloth = Iff("SURF", S0("cloth") + S0("") + Sub("TRAN", BeF(0.5f) + VX(0)) +
                                              Sub("GLOS", BeF(0.25f) + VX(0)) + block("TRAN", 1, 3) +
                                              block("TRAN", 2, 0));
    const std::string file = Form(
        "LWO2", Iff("TAGS", S0("skin") + S0("cloth")) + Iff("LAYR", Be16(0) + Be16(0) + BeVec(0, 0, 0) + S0("body")) +
                    FourPoints + vmap + Iff("POLS", std::string("FACE") + Polygon({0, 1, 2}) + Polygon({0, 2, 3})) +
                    ptag + vmad + Iff("DESC", S0("a test")) +
                    Iff("LAYR", Be16(1) + Be16(0) + BeVec(0, 0, 0) + S0("body") + Be16(0)) +
                    Points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}) +
                    Iff("POLS", std::string("PTCH") + Polygon({0, 1, 2, 3})) + clips + skin + cloth);
    Read(file);

    EXPECT_EQ(Messages(), (std::vector<std::string>{"LWO 6.0+ Object file", "Layer [0]: body", "File Description: a test",
                                                    "Layer [1]: body_1", "Material [1]= skin", "Material [2]= cloth",
                                                    "Mapping materials and uv to faces... (VMAD mapping present)"}));
    ASSERT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[1].name, "body_1");
    ASSERT_EQ(ImportFaces.size(), 4u);
    EXPECT_EQ(Corners(ImportFaces[0]), (std::array<int, 3>{3, 2, 1}));
    EXPECT_EQ(ImportFaces[0].material, 1);  // tag 1: cloth
    EXPECT_EQ(ImportFaces[1].material, 0);
    EXPECT_EQ(ImportFaces[0].group, 0);
    EXPECT_EQ(UVs(ImportFaces[0]), (std::array<int, 3>{3, 2, 1}));
    // The corner at point 2 of polygon 1 takes the polygon's own coordinates.
    EXPECT_EQ(Corners(ImportFaces[1]), (std::array<int, 3>{4, 3, 1}));
    EXPECT_EQ(UVs(ImportFaces[1]), (std::array<int, 3>{6, 7, 4}));
    ASSERT_EQ(ImportUVs.size(), 7u);
    EXPECT_FLOAT_EQ(static_cast<float>(ImportUVs[6].u), 0.9f);
    EXPECT_EQ(ImportUVs[5].u, 0);
    EXPECT_EQ(ImportUVs[5].v, 1);
    for (int i = 2; i < 4; ++i) {
        EXPECT_EQ(ImportFaces[i].mark, 1);
        EXPECT_EQ(ImportFaces[i].group, 1);
        EXPECT_EQ(ImportFaces[i].material, 0);  // no tag
        EXPECT_EQ(UVs(ImportFaces[i]), (std::array<int, 3>{0, 0, 0}));
    }
    EXPECT_EQ(Scene.polygonsRead, 3);

    const tmaterial& s = ImportMaterials[0];
    EXPECT_EQ(s.diffuse, (tvector{0.5, 0.25, 0.125}));
    EXPECT_NEAR(s.specular.x, 0.1, 1e-7);
    EXPECT_EQ(s.colorMap, "images/skin.png");
    EXPECT_EQ(s.bumpMap, "");  // the clip names no file
    EXPECT_EQ(s.uvProjection, 1);  // placement of the colour block only
    EXPECT_EQ(s.projectionAxis, YAxis);
    EXPECT_EQ(s.mapScale[0], 2);
    EXPECT_EQ(s.mapScale[1], 3);
    EXPECT_FLOAT_EQ(static_cast<float>(s.bumpSize), 0.7f);
    EXPECT_EQ(s.mapCenter, (tvector{1, 2, -3}));
    EXPECT_EQ(s.mapSize, (tvector{4, 5, 6}));
    EXPECT_FLOAT_EQ(static_cast<float>(s.mapRotation.x), -0.2f);
    EXPECT_FLOAT_EQ(static_cast<float>(s.mapRotation.y), -0.1f);
    const tmaterial& c = ImportMaterials[1];
    EXPECT_EQ(c.transparencyMap, "images/skin.png");  // the first block of a channel wins
    EXPECT_EQ(c.transparency, 0);
    EXPECT_EQ(c.uvProjection, 3);
    EXPECT_FLOAT_EQ(c.shininess, 0.25f);
    EXPECT_EQ(c.channelFlags[3], 1);
    EXPECT_EQ(Warnings(), 0);
}

TEST_F(LwoReaderTest, BadIndicesAreSkippedOrSentToADefault) {
    std::string big;
    for (int i = 0; i < MaxPolygonCorners + 1; ++i) big += Be16(static_cast<uint16_t>(i % 4));
    const std::string lwob =
        Form("LWOB", Iff("SRFS", S0("only")) + FourPoints +
                         Iff("POLS", OldPolygon({0, 1, 2}, 0) + OldPolygon({0, 1, 2}, 2) + OldPolygon({0, 1, 7}, 1) +
                                         Be16(MaxPolygonCorners + 1) + big + Be16(1)));
    Read(lwob);
    ASSERT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(ImportGroups[ImportFaces[0].group].name, "unnamed_group");
    EXPECT_EQ(ImportMaterials[ImportFaces[1].material].name, "unnamed_material");
    EXPECT_TRUE(Logged("<!>2 polygons with an invalid surface index in test.lwo were given a default surface"));
    EXPECT_TRUE(Logged("<!>2 polygons with invalid vertex indices or too many corners in test.lwo were skipped"));

    fixtures::ResetModel();
    status.pages[0].clear();
    const std::string lwo2 = Form(
        "LWO2", Iff("TAGS", S0("t")) + FourPoints + Iff("POLS", std::string("FACE") + Polygon({0, 1, 2}) + Polygon({0, 1, 0x12345})) +
                    Iff("PTAG", std::string("SURF") + VX(5) + Be16(0) + VX(0) + Be16(0x8000)) +
                    Iff("VMAP", std::string("TXUV") + Be16(2) + S0("uv") + VX(0x10000) + BeF(0) + BeF(0)) +
                    Iff("VMAD", std::string("TXUV") + Be16(2) + S0("uv") + VX(0) + VX(9) + BeF(0) + BeF(0)) +
                    // A list of another polygon kind: its tags refer to nothing read.
                    Iff("POLS", std::string("CURV") + Polygon({0, 1})) +
                    Iff("PTAG", std::string("SURF") + VX(0) + Be16(0)));
    Read(lwo2);
    ASSERT_EQ(ImportFaces.size(), 1u);
    EXPECT_TRUE(Logged("<!>3 polygon tags with invalid polygon or tag indices in test.lwo were ignored"));
    EXPECT_TRUE(Logged("<!>2 vertex map entries with invalid vertex or polygon indices in test.lwo were ignored"));
    EXPECT_TRUE(Logged("<!>1 polygons with invalid vertex indices or too many corners in test.lwo were skipped"));
    EXPECT_TRUE(Logged("<!>File did not have any materials. Creating a default material"));
    EXPECT_EQ(ImportGroups.size(), 1u);
}

TEST_F(LwoReaderTest, DamagedFilesKeepWhatCouldBeRead) {
    const std::string good = Iff("SRFS", S0("s")) + FourPoints + Iff("POLS", OldPolygon({0, 1, 2}, 1));
    // A polygon whose corners run past its chunk, a points chunk past the end.
    Read(Form("LWOB", good + Iff("POLS", Be16(65535) + Be16(0)) + std::string("PNTS") + Be32(0x80000000u) + BeVec(1, 1, 1)));
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_EQ(ImportVertices.size(), 5u);
    EXPECT_EQ(Warnings(), 1);
    EXPECT_TRUE(Logged("<!>test.lwo is truncated or damaged; what could be read was kept"));

    fixtures::ResetModel();
    status.pages[0].clear();
    std::string cut = Form("LWOB", good + Iff("POLS", OldPolygon({0, 1, 2}, 1) + OldPolygon({1, 2, 3}, 1)));
    cut.resize(cut.size() - 3);
    Read(cut);
    EXPECT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(Warnings(), 1);
}

TEST_F(LwoReaderTest, OtherFilesAreRefused) {
    EXPECT_THROW(Read(""), ReadError);
    EXPECT_THROW(Read(Form("ILBM", Iff("BMHD", std::string(20, '\0')))), ReadError);
    Scene.modelFile = "no/such/file.lwo";
    EXPECT_THROW(ReadLWO(Scene, -1), ReadError);
}

TEST_F(LwoReaderTest, ReadsTheNamedFile) {
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "mirelan_lwo_reader_test";
    std::filesystem::create_directories(dir);
    Scene.modelFile = (dir / "tri.lwo").string();
    {
        std::ofstream out(Scene.modelFile, std::ios::binary);
        out << Form("LWO2", FourPoints + Iff("POLS", std::string("FACE") + Polygon({0, 1, 2, 3})));
    }
    ReadLWO(Scene, -1);
    EXPECT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(ImportMaterials.size(), 1u);
    std::filesystem::remove_all(dir);
}

}  // namespace
