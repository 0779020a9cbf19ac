// Broken and hostile OBJ and MTL input: every case ends with a clear error
// or a warning, never a crash or a hang.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Merge.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/Triangulate.h"
#include "options/Options.h"
#include "readers/MtlReader.h"
#include "readers/ObjReader.h"
#include "tests/readers/ReaderFiles.h"

namespace {

using readertest::ReaderFileTest;

class ObjBrokenInputTest : public ReaderFileTest {
protected:
    // Reads and, like the load command, discards what a failed read left.
    // True when the read succeeded.
    bool TryRead(const std::string& text, const std::string& name = "model.obj") {
        try {
            ReadObjText(text, name);
            return true;
        } catch (const ReadError& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
            DiscardImport();
            return false;
        }
    }
};

const char* const Sample =
    "# a small model\r\n"
    "mtllib model.mtl\r\n"
    "o Thing\r\n"
    "v -1 -1 0\r\nv 1 -1 0\r\nv 1 1 0\r\nv -1 1 0\r\nv 0 0 2\r\n"
    "vt 0 0\r\nvt 1 0\r\nvt 1 1\r\nvt 0 1\r\n"
    "vn 0 0 1\r\nvn 0 0 -1\r\n"
    "g base\r\nusemtl Red\r\ns 1\r\n"
    "f 1/1/2 4/4/2 3/3/2 2/2/2\r\n"
    "g roof\r\nusemtl Blue\r\n"
    "f 1/1/1 2/2/1 5/3/1\r\nf 2/2/1 3/3/1 5/3/1\r\nf 3 4 5\r\nf -2 -5 -1\r\n"
    "l 1 2 3 4 1\r\n"
    "#Mirelan Settings Block v1.1\r\n"
    "#camera,20,FALSE,FALSE,-1,1,0,0,0,0,0,0,0,0,0,640,480\r\n"
    "#number_of_lights,1\r\n"
    "#light,\"Sun\",0,0,1,0,0,0,1,1,1,20,20,0,1,1,1,1,0,0,0,FALSE,0.06,6,0,0,2\r\n"
    "#headlightintensity,1\r\n"
    "#background,0,15790320,\"\",0\r\n"
    "#placeholder_count,0\r\n"
    "#ground,FALSE,0,16777215\r\n"
    "#groupflags,\"base\",TRUE\r\n"
    "#groupflags,\"roof\",FALSE\r\n"
    "#end of Mirelan Settings Block\r\n"
    "#==================================================\r\n";

const char* const SampleLibrary =
    "newmtl Red\nNs 32\nKa 0 0 0\nKd 1 0 0\nKs 0.5 0.5 0.5\nd 1\nmap_Kd -s 1 1 1 red.png\n#povmaterial a?b~c\n"
    "newmtl Blue\nKd 0 0 1\nTr 0.5\nmap_Bump -bm 2 b.png\n#bump_size 0.3\n#metal\n";

TEST_F(ObjBrokenInputTest, TruncatedAtEveryPoint) {
    const std::string full = Sample;
    Write("model.mtl", SampleLibrary);
    ASSERT_TRUE(TryRead(full));
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(ImportGroups[1].castsShadow, 0);
    for (std::size_t n = 0; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        ClearImportLists();
        LineSegments.clear();
        Polylines.clear();
        LinesMergedCount = PolylinesMergedCount = 0;
        Lights[0].name = "Before";
        TryRead(full.substr(0, n));
        // A block cut short restores nothing: the light stays as it was.
        if (Lights.size() != 1 || Lights[0].name != "Before") {
            // Only the complete block replaces it: not before the last
            // group flag line has its value.
            EXPECT_GT(n, full.find("#groupflags,\"roof\",") + 19);
        }
    }
    // The library cut anywhere: an error at worst, never a crash.
    const std::string library = SampleLibrary;
    for (std::size_t n = 0; n < library.size(); ++n) {
        ClearImportLists();
        Write("model.mtl", library.substr(0, n));
        EXPECT_TRUE(TryRead(full)) << n;
    }
}

TEST_F(ObjBrokenInputTest, GarbageBytes) {
    SeedRandom(2024);
    const std::string alphabet = "vVfFgGlL/-0123456789 .,\"\\\r\n\t#e";
    for (int round = 0; round < 200; ++round) {
        ClearImportLists();
        LineSegments.clear();
        Polylines.clear();
        LinesMergedCount = PolylinesMergedCount = 0;
        const int length = RandomInt(4000);
        std::string text;
        for (int i = 0; i < length; ++i) {
            // Half the rounds raw bytes, half bytes that look like OBJ.
            text += round % 2 ? static_cast<char>(RandomInt(256))
                              : alphabet[static_cast<std::size_t>(RandomInt(static_cast<int>(alphabet.size())))];
        }
        Write("model.mtl", text);
        if (TryRead(text)) {
            // What was read is consistent enough to merge.
            for (const tface& f : ImportFaces)
                for (int c = 0; c < 3; ++c) {
                    EXPECT_GE(f.vertex[c], 1);
                    EXPECT_LE(f.vertex[c], static_cast<int>(ImportVertices.size()));
                }
            EXPECT_NO_THROW(MergeImportIntoScene(ZeroVector, ZeroVector, OneVector));
        }
    }
}

TEST_F(ObjBrokenInputTest, HugeCountsAndIndicesOutOfRange) {
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    EXPECT_TRUE(TryRead(head + "f 1 2 2147483648\nf 1 2 -2147483649\nf 1 2 3/99999/-99999\n"));
    ASSERT_EQ(ImportFaces.size(), 1u);
    EXPECT_EQ(ImportFaces[0].uv[2], 99999);    // the merge and the geometry step repair these
    EXPECT_EQ(ImportFaces[0].normal[2], -99998);
    EXPECT_TRUE(Logged("<!>2 polygons with invalid vertex indices or too many corners in model.obj were skipped"));
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    EXPECT_EQ(SceneFaces[0].uv[2], 0);
    EXPECT_EQ(SceneFaces[0].normal[2], 0);

    ClearImportLists();
    EXPECT_TRUE(TryRead(head + "#Mirelan Settings Block v1.1\n#camera,1,2\n#number_of_lights,2147483647\n"));
    EXPECT_TRUE(LoggedStartingWith("<!>The settings block of model.obj is damaged"));
}

TEST_F(ObjBrokenInputTest, TooManyCornersAndVeryLongLines) {
    // 2000 corners on a circle make 1998 triangles; 2001 corners are skipped.
    Form1.ComboBox26.index = TriangulateEarCut;
    std::string text;
    for (int i = 0; i < 2001; ++i) {
        const double a = 2 * 3.141592653589793 * i / 2001;
        text += "v " + std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " 0\n";
    }
    std::string f2000 = "f", f2001 = "f";
    for (int i = 1; i <= 2001; ++i) {
        if (i <= 2000) f2000 += " " + std::to_string(i);
        f2001 += " " + std::to_string(i);
    }
    EXPECT_TRUE(TryRead(text + f2000 + "\n" + f2001 + "\n"));
    EXPECT_EQ(ImportFaces.size(), 1998u);
    EXPECT_EQ(Scene.polygonsRead, 2);
    EXPECT_EQ(Scene.polygonsOverThree, 2);
    EXPECT_EQ(Scene.trianglesMade, 1998);
    EXPECT_TRUE(LoggedStartingWith("<!>1 polygons with invalid vertex indices or too many corners"));

    // A 10 MB comment, a 10 MB group name, a 10 MB face line and a 10 MB line
    // of continuations.
    const std::size_t big = 10u << 20;
    ClearImportLists();
    std::string faces = "f";
    while (faces.size() < big) faces += " 1 2 3";
    std::string joined = "f \\\n";
    while (joined.size() < big) joined += "1 \\\n";
    joined += "2 3\n";
    EXPECT_TRUE(TryRead("v 0 0 0\nv 1 0 0\nv 0 1 0\n#" + std::string(big, 'c') + "\ng " + std::string(big, 'n') +
                        "\n" + faces + "\n" + joined + "f 1 2 3\n"));
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name.size(), 255u);
    EXPECT_EQ(ImportFaces.size(), 1u);
}

// A coordinate may be a quoted word; one made only of blanks, of any
// length the quick number scan takes, is not a number and reads 0.
TEST_F(ObjBrokenInputTest, QuotedCoordinatesOfBlanksReadZero) {
    for (const std::string& word : {std::string(" "), std::string("\t"), std::string(39, ' '), std::string(40, ' '),
                                    std::string(" 5 "), std::string(38, ' ') + "7"}) {
        for (const char* keyword : {"v", "vn", "vt"}) {
            ClearImportLists();
            const std::string line = std::string(keyword) + " 1 \"" + word + "\" 2\n";
            ASSERT_TRUE(TryRead(line)) << line;
            const std::size_t digit = word.find_first_not_of(" \t");
            const double expected = digit == std::string::npos ? 0 : word[digit] - '0';
            if (keyword[1] == 0) {
                ASSERT_EQ(ImportVertices.size(), 1u);
                EXPECT_EQ(ImportVertices[0].p.y, expected) << line;
            } else if (keyword[1] == 'n') {
                ASSERT_EQ(ImportNormals.size(), 1u);
                EXPECT_NEAR(ImportNormals[0].p.y, expected / std::sqrt(5.0 + expected * expected), 1e-15) << line;
            } else {
                ASSERT_EQ(ImportUVs.size(), 1u);
                EXPECT_EQ(ImportUVs[0].v, expected) << line;
            }
        }
    }
}

// What a read left: the import lists, lines, lights and the log, as text.
std::string Fingerprint(const std::vector<std::string>& messages) {
    std::string out;
    const auto add = [&out](double v) { out += FloatToStrDot(v) + " "; };
    for (const tvertex& v : ImportVertices) add(v.p.x), add(v.p.y), add(v.p.z);
    for (const tnormal& n : ImportNormals) add(n.p.x), add(n.p.y), add(n.p.z);
    for (const tuv& t : ImportUVs) add(t.u), add(t.v);
    for (const tface& f : ImportFaces)
        for (int c = 0; c < 3; ++c) add(f.vertex[c]), add(f.uv[c]), add(f.normal[c]), add(f.group), add(f.material);
    for (const tgroup& g : ImportGroups) out += g.name.str() + (g.castsShadow ? "+" : "-");
    for (const tmaterial& m : ImportMaterials) {
        out += m.name.str() + m.colorMap.str() + m.bumpMap.str() + m.customText.str();
        add(m.diffuse.x), add(m.transparency), add(m.shininess);
    }
    for (const tline& l : LineSegments) add(l.vertex[0]), add(l.vertex[1]);
    for (const tlight& l : Lights) out += l.name.str();
    for (const std::string& m : messages) out += m + "\n";
    return out;
}

// The text held in memory reads as the file of that name does, with its
// material library, at every block size.
TEST_F(ObjBrokenInputTest, TextInMemoryReadsLikeTheFile) {
    Write("model.mtl", SampleLibrary);
    for (const std::string& text : {std::string(Sample), std::string("\xEF\xBB\xBFv 1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3"),
                                    std::string("v 1 \\\r\n2 3\r\n"), std::string()})
        for (std::size_t block : {64u, 100u, 1u << 20}) {
            SCOPED_TRACE(text.substr(0, 20) + " / " + std::to_string(block));
            SetObjReadBlockSize(block);
            const auto clear = [this] {
                ClearImportLists();
                LineSegments.clear();
                Polylines.clear();
                LinesMergedCount = PolylinesMergedCount = 0;
                Lights.clear();
                status.ClearPage(StatusPage::Messages);
            };
            clear();
            ReadObjText(text);
            const std::string fromFile = Fingerprint(Messages());
            clear();
            PrepareLoad(Dir() + "model.obj");
            ReadOBJBytes(Scene, text);
            EXPECT_EQ(Fingerprint(Messages()), fromFile);
        }
    SetObjReadBlockSize(1u << 20);
}

TEST_F(ObjBrokenInputTest, AnEmptyFileAndAFolderInsteadOfAFile) {
    EXPECT_TRUE(TryRead(""));
    EXPECT_TRUE(ImportFaces.empty());
    EXPECT_TRUE(Logged("<!>No material file found. Using material names from object file."));
    std::filesystem::create_directories(Dir() + "folder.obj");
    PrepareLoad(Dir() + "folder.obj");
    EXPECT_THROW(ReadOBJ(Scene), ReadError);
}

}  // namespace
