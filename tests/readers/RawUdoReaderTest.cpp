#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "model/Model.h"
#include "options/Options.h"
#include "readers/RawReader.h"
#include "readers/UdoReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

class RawUdoTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        folder_ = fixtures::MakeScratchFolder("rawudo");
    }
    void TearDown() override {
        fixtures::RemoveScratchFolder(folder_);
        ModelTest::TearDown();
    }
    // Writes the file and makes it the scene's model file.
    void Model(const std::string& name, const std::string& content) {
        const fs::path p = folder_ / name;
        std::ofstream(p, std::ios::binary) << content;
        Scene.modelFile = p.string();
    }
    std::vector<int> FaceVertices(std::size_t i) const {
        const tface& f = ImportFaces.at(i);
        return {f.vertex[0], f.vertex[1], f.vertex[2]};
    }
    bool Logged(const std::string& line) const {
        for (const std::string& m : Messages())
            if (m == line) return true;
        return false;
    }
    int WarningCount() const {
        int n = 0;
        for (const std::string& m : Messages()) n += m.rfind("<!>", 0) == 0;
        return n;
    }

    fs::path folder_;
};

// ---- RAW ------------------------------------------------------------------

TEST_F(RawUdoTest, RawTrianglesTakeTheirCornersInReverseOrder) {
    Model("t.raw",
          "0 0 0 1 0 0 0 1 0\n"
          "1.5,2.5,3.5\t4 5 6 7 8 9 10 11\n"  // commas and tabs separate; words after the ninth are ignored
          "x 1 2 3 4 5 6 7 8\n");             // a word that is not a number reads 0
    Scene.polygonsRead = 7;
    ReadRAW(Scene);
    ASSERT_EQ(ImportVertices.size(), 9u);
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(FaceVertices(0), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(FaceVertices(1), (std::vector<int>{6, 5, 4}));
    EXPECT_EQ(FaceVertices(2), (std::vector<int>{9, 8, 7}));
    EXPECT_EQ(ImportVertices[3].p.x, 1.5);
    EXPECT_EQ(ImportVertices[5].p.z, 9);
    EXPECT_EQ(ImportVertices[6].p.x, 0);
    EXPECT_EQ(ImportVertices[6].p.y, 1);
    EXPECT_EQ(Scene.polygonsRead, 3);
    EXPECT_EQ(Scene.trianglesMade, 3);
    for (const tface& f : ImportFaces) {
        EXPECT_EQ(f.material, 0);
        EXPECT_EQ(f.group, 0);
        EXPECT_EQ(f.normal[0] + f.uv[0], 0);
    }
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "unnamed_material");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Object [1]= unnamed_group"}));
}

TEST_F(RawUdoTest, RawNameLinesMakeAndContinueGroups) {
    Model("g.raw",
          "Wheel Front\r\n"
          "0 0 0 1 0 0 0 1 0\r\n"
          "\r\n"
          "Body\r\n"
          "0 0 1 1 0 1 0 1 1\r\n"
          "Wheel Front\r\n"
          "0 0 2 1 0 2 0 1 2\r\n"
          "Empty Name Line Only\r\n");
    ReadRAW(Scene);
    ASSERT_EQ(ImportGroups.size(), 3u);
    EXPECT_EQ(ImportGroups[0].name, "Wheel Front");
    EXPECT_EQ(ImportGroups[1].name, "Body");
    EXPECT_EQ(ImportGroups[2].name, "Empty Name Line Only");
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(ImportFaces[0].group, 0);
    EXPECT_EQ(ImportFaces[1].group, 1);
    EXPECT_EQ(ImportFaces[2].group, 0);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Object [1]= Wheel Front", "Object [2]= Body",
                                                    "Object [3]= Empty Name Line Only"}));

    // A name longer than a group name may be is cut, and continues its group
    // when it comes again.
    ClearImportLists();
    const std::string longName(300, 'n');
    Model("long.raw", longName + "\n0 0 0 1 0 0 0 1 0\nother\n" + longName + "\n0 0 0 1 0 0 0 1 0\n");
    ReadRAW(Scene);
    ASSERT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[0].name.size(), 255u);
    EXPECT_EQ(ImportFaces[1].group, 0);
}

TEST_F(RawUdoTest, RawEmptyFilesAndFilesWithoutTriangles) {
    Model("empty.raw", "");
    ReadRAW(Scene);
    EXPECT_TRUE(Logged("<!>RAW file is empty or non ASCII"));
    EXPECT_TRUE(ImportGroups.empty());
    EXPECT_TRUE(ImportMaterials.empty());

    status.ClearPage(StatusPage::Messages);
    Model("names.raw", "just a name\n\n");
    ReadRAW(Scene);
    EXPECT_EQ(ImportGroups.size(), 1u);
    EXPECT_TRUE(ImportMaterials.empty());  // no faces, no material
    EXPECT_EQ(WarningCount(), 0);

    Scene.modelFile = (folder_ / "missing.raw").string();
    EXPECT_THROW(ReadRAW(Scene), ReadError);
}

TEST_F(RawUdoTest, RawBrokenInputEndsCleanly) {
    // Huge, unparsable and non-finite numbers read as 0; binary garbage
    // gives some groups or zero triangles but never a crash.
    // "1,5" is two words: the comma separates.
    Model("huge.raw", "1e400 -1e999 nan inf 1e308 0x10 1,5 2.5.5 -0\n");
    ReadRAW(Scene);
    ASSERT_EQ(ImportVertices.size(), 3u);
    EXPECT_EQ(ImportVertices[0].p.x, 0);
    EXPECT_EQ(ImportVertices[0].p.y, 0);
    EXPECT_EQ(ImportVertices[1].p.y, 1e308);
    EXPECT_EQ(ImportVertices[1].p.z, 0);
    EXPECT_EQ(ImportVertices[2].p.x, 1);
    EXPECT_EQ(ImportVertices[2].p.y, 5);
    EXPECT_EQ(ImportVertices[2].p.z, 0);

    ClearImportLists();
    std::mt19937 random(7);
    std::string garbage(100000, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    Model("garbage.raw", garbage);
    ReadRAW(Scene);
    for (const tface& f : ImportFaces)
        for (int c = 0; c < 3; ++c) EXPECT_LE(f.vertex[c], static_cast<int>(ImportVertices.size()));
}

// ---- UDO ------------------------------------------------------------------

// Two meshes as the UDO writer writes them: each numbers its vertices from 0.
const char* const TwoMeshes =
    ";==================================================\r\n"
    ";Moray UDO file\r\n"
    "version 1\r\n"
    "IncludeFile 'scene_POV_geom.inc'\r\n"
    "Name 'scene_'\r\n"
    "[scene_red_:Vertices]\r\n"
    "3\r\n"
    "0 0 0 \r\n"
    "1 0 0 \r\n"
    "0 1 0 \r\n"
    "[scene_red_:EDGES]\r\n"
    "3\r\n"
    "0 1\r\n"
    "1 2\r\n"
    "2 0\r\n"
    "[scene_red_:FACES]\r\n"
    "1\r\n"
    "0 1 2\r\n"
    "[scene_red_:Transforms]\r\n"
    "Rot -90 0 0\r\n"
    "[scene_red_:Texture]\r\n"
    "UsesTexture red_ defined\r\n"
    "[scene_red_:Colors]\r\n"
    "RGB 255 0 0\r\n"
    " \r\n"
    "[scene_blue_:vertices]\r\n"
    "4\r\n"
    "0 0 5 \r\n"
    "2 0 5 \r\n"
    "2 2 5 \r\n"
    "0 2 5 \r\n"
    "[scene_blue_:faces]\r\n"
    "2\r\n"
    "0 1 2\r\n"
    "0 2 3\r\n"
    "[End]\r\n";

TEST_F(RawUdoTest, UdoMeshSectionsCountTheirOwnVertices) {
    Model("two.udo", TwoMeshes);
    ReadUDO(Scene);
    ASSERT_EQ(ImportVertices.size(), 7u);
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(FaceVertices(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FaceVertices(1), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(FaceVertices(2), (std::vector<int>{4, 6, 7}));
    EXPECT_EQ(ImportVertices[4].p.x, 2);
    EXPECT_EQ(ImportVertices[4].p.z, 5);
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "Default");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "Default");
    EXPECT_EQ(WarningCount(), 0);
    for (const std::string& m : Messages()) EXPECT_EQ(m.find("edges"), std::string::npos) << m;
}

TEST_F(RawUdoTest, UdoQuadsAreSplitAndFacesWithBadCornersSkipped) {
    Model("quads.udo",
          "[m:VERTICES]\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1 2 3 4\n"
          "[m:Faces]\n"
          "0 1 2 3\n"      // a quadrangle: two triangles
          "0 1 2 3 4\n"    // five words: skipped
          "0 1 7\n"        // past the mesh's vertices
          "0 -1 2\n"       // negative
          "0 1 2 99\n"     // a quadrangle with a bad corner
          "2147483647 0 1\n"
          "3 2 1\n");
    ReadUDO(Scene);
    EXPECT_EQ(ImportVertices.size(), 4u);
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(FaceVertices(2), (std::vector<int>{4, 3, 2}));
    for (std::size_t i = 0; i < 2; ++i)
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(ImportFaces[i].vertex[c], 1);
            EXPECT_LE(ImportFaces[i].vertex[c], 4);
        }
    EXPECT_EQ(WarningCount(), 1);
    EXPECT_TRUE(Logged("<!>4 polygons with invalid vertex indices or too many corners in quads.udo were skipped"));
}

TEST_F(RawUdoTest, UdoWithoutFacesBuildsThemFromEdges) {
    Model("edges.udo",
          "[a:VERTICES]\n3\n0 0 0\n1 0 0\n0 1 0\n"
          "[a:EDGES]\n3\n0 1\n1 2\n2 0\n"
          "[b:VERTICES]\n3\n0 0 1\n1 0 1\n0 1 1\n"
          "[b:EDGES]\n2\n0 1\n1 2\n");
    ReadUDO(Scene);
    EXPECT_TRUE(Logged("No [FACES] section found. Building faces from edges..."));
    EXPECT_EQ(ImportVertices.size(), 6u);
    // One triangle per pair of consecutive edge lines: a, b and the second
    // end of the second edge; the header after the last edge of a section
    // is read as a header, not joined.
    ASSERT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(FaceVertices(0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FaceVertices(1), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(FaceVertices(2), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(ImportGroups.size(), 1u);
}

TEST_F(RawUdoTest, UdoBrokenInput) {
    Model("empty.udo", "");
    ReadUDO(Scene);
    EXPECT_TRUE(Logged("<!>UDO file is empty or non ASCII"));
    EXPECT_TRUE(ImportGroups.empty());

    // A face or edge number that is not an integer ends the reading.
    for (const char* text : {"[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 1 2.0\n",
                             "[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 x 1 2\n",
                             "[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 1 99999999999999999999\n",
                             "[m:VERTICES]\n0 0 0\n[m:EDGES]\n0 1\n1 z\n"}) {
        ClearImportLists();
        Model("bad.udo", text);
        try {
            ReadUDO(Scene);
            ADD_FAILURE() << text;
        } catch (const ReadError& e) {
            EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos) << e.what();
            EXPECT_GT(e.line(), 0);
        }
    }

    // Truncated files and garbage end without a crash; coordinates that are
    // not numbers read 0.
    ClearImportLists();
    Model("cut.udo", "[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 1");
    ReadUDO(Scene);
    EXPECT_TRUE(ImportFaces.empty());
    ClearImportLists();
    Model("coords.udo", "[m:VERTICES]\n1e999 nan 3\n");
    ReadUDO(Scene);
    ASSERT_EQ(ImportVertices.size(), 1u);
    EXPECT_EQ(ImportVertices[0].p.x, 0);
    EXPECT_EQ(ImportVertices[0].p.z, 3);
    ClearImportLists();
    std::mt19937 random(11);
    std::string garbage(100000, '\0');
    for (char& c : garbage) c = "[]:0123456789 \n-FACESVERTICESEDGES"[random() % 35];
    Model("garbage.udo", garbage);
    try {
        ReadUDO(Scene);
    } catch (const ReadError&) {
    }
    for (const tface& f : ImportFaces)
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(f.vertex[c], 1);
            EXPECT_LE(f.vertex[c], static_cast<int>(ImportVertices.size()));
        }
}

// Numbers at the ends of the 64-bit range are out of range like any other:
// the face is skipped and never lands on a vertex of another mesh, in the
// face sections and in the edge pass alike.
TEST_F(RawUdoTest, UdoNumbersAtTheIntegerLimitsAreOutOfRange) {
    const std::string first = "[a:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n";
    const std::string second = "[b:VERTICES]\n0 0 1\n1 0 1\n0 1 1\n";
    for (const char* number : {"9223372036854775807", "9223372036854775806", "-9223372036854775808",
                               "2147483647", "2147483645", "4294967296", "-1"}) {
        const std::string n(number);
        for (const std::string& text : {first + second + "[b:FACES]\n0 1 " + n + "\n",
                                        first + second + "[b:FACES]\n" + n + " 0 1 2\n",
                                        first + "[a:EDGES]\n0 1\n2 0\n" + second + "[b:EDGES]\n0 1\n1 " + n + "\n"}) {
            ClearImportLists();
            status.ClearPage(StatusPage::Messages);
            Model("limits.udo", text);
            ReadUDO(Scene);
            EXPECT_EQ(ImportVertices.size(), 6u) << text;
            for (const tface& f : ImportFaces)
                for (int c = 0; c < 3; ++c) EXPECT_LE(f.vertex[c], 3) << text;  // only the first mesh's faces
            EXPECT_EQ(WarningCount(), 1) << text;
        }
    }
}

// A number that is not an integer is reported with the line that holds it,
// also on the second line of an edge pair.
TEST_F(RawUdoTest, UdoBadNumbersNameTheirLine) {
    const struct {
        const char* text;
        int64_t line;
    } cases[] = {
        {"[m:VERTICES]\n0 0 0\n[m:FACES]\n0 1 x\n", 4},
        {"[m:VERTICES]\n0 0 0\n[m:EDGES]\n0 x\n1 2\n", 4},
        {"[m:VERTICES]\n0 0 0\n[m:EDGES]\n0 1\n1 z\n", 5},
        {"[m:VERTICES]\n0 0 0\n[m:EDGES]\n0 1\nz 1\n", 5},
        {"[m:VERTICES]\n0 0 0\n[m:EDGES]\n0,1,\n2 z\n", 5},
    };
    for (const auto& c : cases) {
        ClearImportLists();
        Model("bad.udo", c.text);
        try {
            ReadUDO(Scene);
            ADD_FAILURE() << c.text;
        } catch (const ReadError& e) {
            EXPECT_EQ(e.line(), c.line) << c.text;
            EXPECT_NE(std::string(e.what()).find("(line " + std::to_string(c.line) + " of bad.udo)"), std::string::npos)
                << e.what();
        }
    }
}

// A text held in memory reads as the file of that name does.
TEST_F(RawUdoTest, TextInMemoryReadsLikeTheFile) {
    const auto outcome = [this](bool fromFile, bool raw, const std::string& text) {
        ClearImportLists();
        status.ClearPage(StatusPage::Messages);
        std::string out;
        try {
            if (fromFile) {
                Model(raw ? "m.raw" : "m.udo", text);
                raw ? ReadRAW(Scene) : ReadUDO(Scene);
            } else {
                Scene.modelFile = (folder_ / (raw ? "m.raw" : "m.udo")).string();
                raw ? ReadRAWBytes(Scene, text) : ReadUDOBytes(Scene, text);
            }
        } catch (const ReadError& e) {
            out = std::string("error: ") + e.what() + "\n";
        }
        for (const tvertex& v : ImportVertices) out += std::to_string(v.p.x + 10 * v.p.y + 100 * v.p.z) + " ";
        for (std::size_t i = 0; i < ImportFaces.size(); ++i)
            for (int v : FaceVertices(i)) out += std::to_string(v) + ",";
        for (const tgroup& g : ImportGroups) out += g.name.str() + ";";
        for (const std::string& line : Messages()) out += line + "\n";
        return out;
    };
    for (const std::string& text : {std::string("\xEF\xBB\xBF" "Box\r\n0 0 0 1 0 0 0 1 0\r\nLid\r0 0 1 1 0 1 0 1 1"),
                                    std::string(TwoMeshes), std::string("[m:VERTICES]\n0 0 0\n[m:EDGES]\n0 1\n1 z\n"),
                                    std::string()})
        for (bool raw : {true, false}) {
            SCOPED_TRACE(text.substr(0, 20));
            EXPECT_EQ(outcome(false, raw, text), outcome(true, raw, text));
        }
}

}  // namespace
