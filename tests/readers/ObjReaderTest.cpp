#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "model/Merge.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "model/Triangulate.h"
#include "options/Options.h"
#include "platform/AppPaths.h"
#include "platform/TempFiles.h"
#include "readers/ObjReader.h"
#include "tests/readers/ReaderFiles.h"

namespace {

using readertest::ReaderFileTest;

class ObjReaderTest : public ReaderFileTest {
protected:
    static std::vector<int> Vertices(const tface& f) { return {f.vertex[0], f.vertex[1], f.vertex[2]}; }
    static std::vector<int> UVs(const tface& f) { return {f.uv[0], f.uv[1], f.uv[2]}; }
    static std::vector<int> Normals(const tface& f) { return {f.normal[0], f.normal[1], f.normal[2]}; }
};

const char* const NineOfEach =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nv 2 0 0\nv 2 1 0\nv 3 0 0\nv 3 1 0\nv 4 0 0\n"
    "vt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\nvt 0.5 0\nvt 0.5 1\nvt 0 0.5\nvt 1 0.5\nvt 0.5 0.5\n"
    "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n";

TEST_F(ObjReaderTest, CornerFormsGiveVertexUvAndNormalIndices) {
    ReadObjText(std::string(NineOfEach) +
                "f 1/2/3 4/5/6 7/8/9\n"
                "f 1//3 2//4 3//5\n"
                "f 1/1 2/2 3/3\n"
                "f 4 5 6\n"
                "FO 1/1/1 2/2/2 3/3/3\n"
                "f 1,,2,3\n"
                "v 10 0 0\nv 11 0 0\nv 10 1 0\nvt 0 0\n"
                "f -3/-1/-1 -2/-1/-9 -1/-1/-2\n");
    ASSERT_EQ(ImportVertices.size(), 12u);
    ASSERT_EQ(ImportFaces.size(), 7u);
    EXPECT_EQ(Vertices(ImportFaces[0]), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(UVs(ImportFaces[0]), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(Normals(ImportFaces[0]), (std::vector<int>{3, 6, 9}));
    EXPECT_EQ(UVs(ImportFaces[1]), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Normals(ImportFaces[1]), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(UVs(ImportFaces[2]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Normals(ImportFaces[2]), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Vertices(ImportFaces[3]), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(Vertices(ImportFaces[4]), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Vertices(ImportFaces[5]), (std::vector<int>{1, 2, 3}));
    // Negative indices count back from the last one read so far.
    EXPECT_EQ(Vertices(ImportFaces[6]), (std::vector<int>{10, 11, 12}));
    EXPECT_EQ(UVs(ImportFaces[6]), (std::vector<int>{10, 10, 10}));
    EXPECT_EQ(Normals(ImportFaces[6]), (std::vector<int>{9, 1, 8}));
    EXPECT_EQ(ImportVertices[9].p, (tvector{10, 0, 0}));
    EXPECT_DOUBLE_EQ(ImportUVs[4].u, 0.5);
    EXPECT_EQ(Scene.polygonsRead, 7);
    EXPECT_EQ(Scene.trianglesMade, 7);
    EXPECT_EQ(Scene.polygonsOverThree, 0);
}

TEST_F(ObjReaderTest, PolygonsAreSplitAndCounted) {
    for (int method : {TriangulateAutomatic, TriangulateOpenGL, TriangulateEarCut}) {
        SCOPED_TRACE(method);
        ClearImportLists();
        Form1.ComboBox26.index = method;
        // A convex pentagon, an L-shaped hexagon, a quad and a triangle.
        ReadObjText(
            "v 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\n"
            "v 0 0 1\nv 2 0 1\nv 2 1 1\nv 1 1 1\nv 1 2 1\nv 0 2 1\n"
            "g shapes\nusemtl red\n"
            "f 1 2 3 4 5\nf 6 7 8 9 10 11\nf 1 2 3 4\nf 1 2 3\n");
        ASSERT_EQ(ImportFaces.size(), 3u + 4u + 2u + 1u);
        EXPECT_EQ(Scene.polygonsRead, 4);
        EXPECT_EQ(Scene.trianglesMade, 10);
        EXPECT_EQ(Scene.polygonsOverThree, 3);
        for (const tface& f : ImportFaces) {
            EXPECT_EQ(f.group, 0);
            EXPECT_EQ(f.material, 0);
            // Every triangle keeps the outline's winding (counter-clockwise from +z).
            const tvector a = ImportVertices[f.vertex[0] - 1].p, b = ImportVertices[f.vertex[1] - 1].p,
                          c = ImportVertices[f.vertex[2] - 1].p;
            EXPECT_GT((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x), 0);
        }
    }
}

TEST_F(ObjReaderTest, AFaceWithoutGroupOrMaterialGetsTheDefaultsWithTheirLogLines) {
    ReadObjText("# made by hand\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 3 2 1\n");
    ASSERT_EQ(ImportGroups.size(), 1u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    ASSERT_EQ(ImportMaterials.size(), 1u);
    EXPECT_EQ(ImportMaterials[0].name, "unnamed_material");
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
    const std::vector<std::string> expected = {
        "Group [1]= unnamed_group created by Mirelan",
        "<!>There were 2 polygons found not using a material. A default material was assigned.",
        " ",
        std::string(RuleLine),
        "Reading materials ",
        "opening file " + Dir() + "model.mtl ...",
        "<!>No material file found. Using material names from object file.",
        "Material [1]= unnamed_material",
        " ",
    };
    EXPECT_EQ(Messages(), expected);
}

TEST_F(ObjReaderTest, GroupsAndMaterialsKeepTheirNamesAndOrder) {
    ReadObjText(
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "USEMTL Red Paint\n"   // material before the first group
        "f 1 2 3\n"
        "G Body Left\n"        // two words: one group named with both
        "Usemtl Chrome\n"
        "f 1 2 3\n"
        "g\n"                  // no name: the group stays
        "f 1 2 3\n"
        "g Wheel\n"
        "usemtl\n"             // no name: "Mat_" + the number of materials
        "f 1 2 3\n"
        "g Body Left\n"
        "usemtl Red Paint\n"
        "f 1 2 3\n"
        "g\twheel\n"           // names are case-sensitive
        "usemtl red paint\n"
        "f 1 2 3\n");
    ASSERT_EQ(ImportGroups.size(), 4u);
    EXPECT_EQ(ImportGroups[0].name, "unnamed_group");
    EXPECT_EQ(ImportGroups[1].name, "Body Left");
    EXPECT_EQ(ImportGroups[2].name, "Wheel");
    EXPECT_EQ(ImportGroups[3].name, "wheel");
    ASSERT_EQ(ImportMaterials.size(), 4u);
    EXPECT_EQ(ImportMaterials[0].name, "Red Paint");
    EXPECT_EQ(ImportMaterials[1].name, "Chrome");
    EXPECT_EQ(ImportMaterials[2].name, "Mat_2");
    EXPECT_EQ(ImportMaterials[3].name, "red paint");
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 1}, {1, 1}, {2, 2}, {1, 0}, {3, 3}};
    ASSERT_EQ(ImportFaces.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ImportFaces[i].group, expected[i].first) << i;
        EXPECT_EQ(ImportFaces[i].material, expected[i].second) << i;
    }
    EXPECT_TRUE(Logged("Group [1]= unnamed_group created by Mirelan"));
    EXPECT_TRUE(Logged("Group [2]= Body Left"));
    EXPECT_TRUE(Logged("Group [4]= wheel"));
    EXPECT_FALSE(LoggedStartingWith("<!>There were"));
}

TEST_F(ObjReaderTest, ZeroNormalsBecomeTheXAxisWithAWarning) {
    ReadObjText("vn 0 0 0\nvn 0 3 4\nvn 0.0 -0 0e5\n");
    ASSERT_EQ(ImportNormals.size(), 3u);
    EXPECT_EQ(ImportNormals[0].p, (tvector{1, 0, 0}));
    EXPECT_DOUBLE_EQ(ImportNormals[1].p.y, 0.6);
    EXPECT_DOUBLE_EQ(ImportNormals[1].p.z, 0.8);
    EXPECT_EQ(ImportNormals[2].p, (tvector{1, 0, 0}));
    EXPECT_TRUE(Logged("<!>There were 2 degenerate normals converted to (1,0,0) "));
}

TEST_F(ObjReaderTest, NumbersThatAreNotNumbersReadAsZero) {
    ReadObjText("v 1,5 nan 2e3\nv 1.5e-2 +3 -inf\nvt 0.25\nvt x 0.5 0.7\n");
    // A comma separates words, so "1,5" is the two values 1 and 5.
    EXPECT_EQ(ImportVertices[0].p, (tvector{1, 5, 0}));
    EXPECT_EQ(ImportVertices[1].p, (tvector{0.015, 3, 0}));
    EXPECT_DOUBLE_EQ(ImportUVs[0].u, 0.25);
    EXPECT_DOUBLE_EQ(ImportUVs[0].v, 0);
    EXPECT_DOUBLE_EQ(ImportUVs[1].u, 0);
    EXPECT_DOUBLE_EQ(ImportUVs[1].v, 0.5);
}

// Random number and corner texts, read from lines of every shape (plain
// words, commas between them, continued lines, the very end of the file),
// give the values the general parsers give.
TEST_F(ObjReaderTest, NumbersAndCornersReadTheSameWhateverTheLineLooksLike) {
    SeedRandom(77);
    auto digits = [](int n) {
        std::string d;
        for (int i = 0; i < n; ++i) d += static_cast<char>('0' + RandomInt(10));
        return d;
    };
    auto numberText = [&] {
        std::string t;
        const int sign = RandomInt(4);
        if (sign == 1) t += '-';
        if (sign == 2) t += '+';
        t += digits(RandomInt(3) == 0 ? RandomInt(20) : RandomInt(4));
        if (RandomInt(4) != 0) t += '.' + digits(RandomInt(3) == 0 ? RandomInt(20) : RandomInt(9));
        if (RandomInt(10) == 0) t += (RandomInt(2) ? "e" : "E") + std::string(RandomInt(2) ? "-" : "") + digits(1 + RandomInt(3));
        if (RandomInt(15) == 0) t.insert(static_cast<std::size_t>(RandomInt(static_cast<int>(t.size()) + 1)), 1, "x.-e+/"[RandomInt(6)]);
        return t.empty() ? std::string("0") : t;
    };
    auto fieldText = [&] {
        std::string t;
        const int sign = RandomInt(8);
        if (sign == 1) t += '-';
        if (sign == 2) t += '+';
        t += RandomInt(8) == 0 ? digits(RandomInt(14)) : digits(RandomInt(7));
        if (RandomInt(20) == 0) t.insert(static_cast<std::size_t>(RandomInt(static_cast<int>(t.size()) + 1)), 1, "x-+."[RandomInt(4)]);
        return t;
    };
    auto cornerText = [&] {
        std::string t = fieldText();
        for (int i = RandomInt(4); i > 0; --i) t += '/' + fieldText();
        return t.empty() ? std::string("1") : t;
    };
    // What the general rules give: a number, or 0; an index field that is
    // an integer in the 32-bit range, or 0.
    auto number = [](const std::string& t) {
        double v = 0;
        return ParseDouble(t, v) ? v : 0.0;
    };
    auto field = [](const std::string& t) -> int64_t {
        int64_t v = 0;
        if (t.empty() || t.find_first_not_of("+-0123456789") != std::string::npos || !ParseInt(t, v)) return 0;
        if (t.size() > 1 && (t[1] == '+' || t[1] == '-')) return 0;
        return v < INT32_MIN || v > INT32_MAX ? 0 : v;
    };

    std::string file;
    std::vector<std::vector<std::string>> numbers;
    std::vector<std::vector<std::string>> corners;
    for (int line = 0; line < 4000; ++line) {
        const std::string sep = line % 4 == 3 ? " \\\n  " : line % 4 == 2 ? "\t" : line % 4 == 1 ? ", " : " ";
        if (line % 2 == 0) {
            numbers.push_back({numberText(), numberText(), numberText()});
            file += "v " + numbers.back()[0] + sep + numbers.back()[1] + sep + numbers.back()[2];
        } else {
            corners.push_back({cornerText(), cornerText()});
            file += "l " + corners.back()[0] + sep + corners.back()[1];
        }
        file += line + 1 < 4000 ? "\n" : "";  // the last line ends the file
    }
    ReadObjText(file);
    ASSERT_EQ(ImportVertices.size(), numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const tvector& p = ImportVertices[i].p;
        const double got[3] = {p.x, p.y, p.z};
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(std::bit_cast<uint64_t>(got[c]), std::bit_cast<uint64_t>(number(numbers[i][c])))
                << numbers[i][c] << " read as " << got[c];
    }
    // Lines keep their corners as written (negative indices resolved
    // against the vertices read so far: one vertex line per line pair).
    ASSERT_EQ(LineSegments.size(), corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const int64_t vertexCount = static_cast<int64_t>(i) + 1;
        for (int end = 0; end < 2; ++end) {
            const std::string& text = corners[i][static_cast<std::size_t>(end)];
            std::vector<std::string> fields;
            std::size_t start = 0;
            for (;;) {
                const std::size_t slash = text.find('/', start);
                fields.push_back(text.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
                if (slash == std::string::npos) break;
                start = slash + 1;
            }
            fields.resize(std::max<std::size_t>(fields.size(), 3));
            int64_t v = field(fields[0]);
            if (v < 0) v += vertexCount + 1;
            int64_t t = field(fields[1]);
            if (t < 0) t += 1;
            int64_t n = field(fields[2]);
            if (n < 0) n += 1;
            const tline& l = LineSegments[i];
            ASSERT_EQ(l.vertex[end], v) << text;
            ASSERT_EQ(l.uv[end], t) << text;
            ASSERT_EQ(l.normal[end], n) << text;
        }
    }
}

// A word that starts with "#" ends a line of numbers or corners, whether
// the line is read straight or by the full word rules (a comma in it); names
// keep their "#".
TEST_F(ObjReaderTest, ATrailingCommentEndsTheNumbersButNotTheNames) {
    for (const char* separator : {" ", ", "}) {
        SCOPED_TRACE(separator);
        fixtures::ResetModel();
        auto line = [&](std::string text) {
            for (std::size_t at = text.find(' ', text.find(' ') + 1); at != std::string::npos && text[at + 1] != '#';
                 at = text.find(' ', at + std::string(separator).size() + 1))
                text.replace(at, 1, separator);
            return text + "\n";
        };
        ReadObjText(line("v 0 0 0 # first") + line("v 1 0 0 #") + line("v 1 1 0 #x 7") + line("v 0 1 0 # 2 3") +
                    line("vt 0.5 # u only") + line("vt 0.25 0.75 #uv") + line("vn 0 0 1 # up") +
                    "usemtl Red#2 # not a comment\ng part #1\n" + line("f 1/1/1 2/2/1 3/2/1 4/1/1 # comment") +
                    line("fo 1 2 3 #4") + line("l 1 2 #3") + "l 3 4#5\n");
        ASSERT_EQ(ImportVertices.size(), 4u);
        EXPECT_EQ(ImportVertices[2].p, (tvector{1, 1, 0}));
        EXPECT_EQ(ImportVertices[3].p, (tvector{0, 1, 0}));
        ASSERT_EQ(ImportUVs.size(), 2u);
        EXPECT_DOUBLE_EQ(ImportUVs[0].v, 0);
        EXPECT_DOUBLE_EQ(ImportUVs[1].v, 0.75);
        EXPECT_EQ(ImportNormals.size(), 1u);
        ASSERT_EQ(ImportFaces.size(), 3u);  // the quad's two triangles and one more
        EXPECT_EQ(Scene.polygonsRead, 2);
        EXPECT_EQ(Vertices(ImportFaces[2]), (std::vector<int>{1, 2, 3}));
        ASSERT_EQ(LineSegments.size(), 2u);
        EXPECT_EQ(LineSegments[0].vertex[1], 2);
        EXPECT_EQ(LineSegments[1].vertex[1], 0);  // "4#5" is no comment: an invalid index
        ASSERT_EQ(ImportMaterials.size(), 1u);
        EXPECT_EQ(ImportMaterials[0].name, "Red#2 # not a comment");
        ASSERT_EQ(ImportGroups.size(), 1u);
        EXPECT_EQ(ImportGroups[0].name, "part #1");
    }
    // The comment takes the place of a missing number: still too few.
    EXPECT_THROW(ReadObjText("v 1 2 # 3\n"), ReadError);
    EXPECT_THROW(ReadObjText("vt #0.5\n"), ReadError);
}

TEST_F(ObjReaderTest, LineEndsByteOrderMarkTabsAndContinuations) {
    const std::string body = "v 0 0 0|v 1 0 0|v 0 1 0|v 1 1 0|g\tquad side|f 1 2 \\|  4 3|";
    auto with = [&](const std::string& end) {
        std::string s;
        for (char c : body) s += c == '|' ? end : std::string(1, c);
        return s;
    };
    const std::vector<std::string> files = {
        with("\n"),
        with("\r\n"),
        with("\r"),
        "\xEF\xBB\xBF" + with("\n"),
        with("\n").substr(0, with("\n").size() - 1),  // no final line end
        with("\n\n\n"),
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        ClearImportLists();
        ReadObjText(files[i]);
        ASSERT_EQ(ImportVertices.size(), 4u);
        ASSERT_EQ(ImportGroups.size(), 1u);
        EXPECT_EQ(ImportGroups[0].name, "quad side");
        ASSERT_EQ(ImportFaces.size(), 2u);
        EXPECT_EQ(Scene.polygonsOverThree, 1);
    }
    // A line continued past the end of the file is still read.
    ClearImportLists();
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 \\\n0\nf 1 2 \\\n3 \\");
    EXPECT_EQ(ImportVertices.size(), 3u);
    EXPECT_EQ(ImportFaces.size(), 1u);
}

TEST_F(ObjReaderTest, LinesBecomePolylinesWithImportLocalIndices) {
    ReadObjText("v 0 0 0\nv 1 0 0\nv 2 0 0\nvt 0 0\nvt 1 0\nvt 2 0\n"
                "g hair\nusemtl strand\nl 1/1 2/2 3/3\nl 3\nl 2 -1\n");
    ASSERT_EQ(Polylines.size(), 2u);
    EXPECT_EQ(Polylines[0].first, 0);
    EXPECT_EQ(Polylines[0].count, 2);
    EXPECT_EQ(Polylines[1].first, 2);
    EXPECT_EQ(Polylines[1].count, 1);
    ASSERT_EQ(LineSegments.size(), 3u);
    EXPECT_EQ(LineSegments[0].vertex[0], 1);
    EXPECT_EQ(LineSegments[0].vertex[1], 2);
    EXPECT_EQ(LineSegments[1].uv[0], 2);
    EXPECT_EQ(LineSegments[1].uv[1], 3);
    EXPECT_EQ(LineSegments[2].vertex[1], 3);
    EXPECT_EQ(LineSegments[1].group, 0);
    EXPECT_EQ(LineSegments[1].material, 0);
    EXPECT_EQ(Scene.polygonsRead, 0);

    // A second file merged after the first: its lines point at its own
    // vertices, groups and materials.
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    ReadObjText("v 5 5 5\nv 6 6 6\ng other\nusemtl other\nl 1 2\n", "second.obj");
    MergeImportIntoScene(ZeroVector, ZeroVector, OneVector);
    ASSERT_EQ(LineSegments.size(), 4u);
    EXPECT_EQ(LineSegments[3].vertex[0], 4);
    EXPECT_EQ(LineSegments[3].vertex[1], 5);
    EXPECT_EQ(LineSegments[3].group, 1);
    EXPECT_EQ(LineSegments[3].material, 1);
    EXPECT_EQ(Polylines[2].first, 3);
}

TEST_F(ObjReaderTest, BadCornersSkipThePolygonWithOneWarning) {
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                "f 1 2 3\n"
                "f 1 2 9\n"       // past the vertex list
                "f 0 1 2\n"       // index 0
                "f -7 1 2\n"      // counts back past the first vertex
                "f 1 x 3\n"       // not a number
                "f 1 2 3 99999999999\n"
                "f 1 2\n"         // two corners: no face, no fault
                "f 2 4 3 1\n");
    EXPECT_EQ(ImportFaces.size(), 3u);
    EXPECT_EQ(Scene.polygonsRead, 8);
    EXPECT_EQ(Scene.trianglesMade, 3);
    EXPECT_TRUE(Logged("<!>5 polygons with invalid vertex indices or too many corners in model.obj were skipped"));
}

TEST_F(ObjReaderTest, TheLibraryNamedByTheFileIsRead) {
    const std::string mtl = "newmtl Red\nKd 1 0 0\nmap_Kd tex\\red wood.png\n";
    struct Case {
        std::string libraryLine, libraryFile;
    };
    const std::vector<Case> cases = {
        {"mtllib model.mtl", "model.mtl"},
        {"mtllib mats/lib.mtl", "mats/lib.mtl"},                // a folder below the model
        {"mtllib ..\\common\\lib.mtl", "../common/lib.mtl"},    // written on another system
        {"mtllib C:\\Users\\me\\lib one.mtl", "lib one.mtl"},   // a foreign absolute path: beside the model
        {"mtllib \"LIB.MTL\"", "lib.mtl"},                      // other letter case
        {"mtllib other/elsewhere.mtl", "elsewhere.mtl"},        // a missing folder: beside the model
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.libraryLine);
        ClearImportLists();
        std::filesystem::remove_all(Dir() + "sub");
        Write("sub/" + c.libraryFile, mtl);
        Write("sub/model.obj", c.libraryLine + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n");
        LoadObj("sub/model.obj");
        ASSERT_EQ(ImportMaterials.size(), 1u);
        EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 0, 0}));
        EXPECT_EQ(ImportMaterials[0].colorMap, "tex/red wood.png");
        EXPECT_TRUE(Logged("Material [1]= Red"));
        EXPECT_FALSE(LoggedStartingWith("<!>No material file found"));
    }
}

TEST_F(ObjReaderTest, ABatchCanGiveEveryModelOneLibrary) {
    Write("common.mtl", "newmtl Red\nKd 0 0 1\n");
    Write("model.mtl", "newmtl Red\nKd 0 1 0\n");
    const std::string obj = "mtllib model.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl Red\nf 1 2 3\n";
    Form1.Edit71.text = Dir() + "common.mtl";
    BatchFiles = {"a.obj"};  // one file is no batch
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 1, 0}));
    ClearImportLists();
    BatchFiles = {"a.obj", "b.obj"};
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 1}));
    EXPECT_EQ(Scene.mtlFile, Dir() + "common.mtl");
    ClearImportLists();
    Form1.Edit71.text = "  ";
    ReadObjText(obj);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 1, 0}));
}

TEST_F(ObjReaderTest, ABrokenLibraryKeepsTheGeometry) {
    Write("model.mtl", "newmtl A\nKd 0.5 0.5 0.5\nnewmtl B\nKd 1 1\nKs 1 1 1\n");
    ReadObjText("v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl A\nf 1 2 3\nusemtl B\nf 1 2 3\n");
    EXPECT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0.5, 0.5, 0.5}));
    EXPECT_EQ(ImportMaterials[1].specular, (tvector{0.3, 0.3, 0.3}));
    EXPECT_TRUE(Logged("<!>model.mtl, line 4: Kd needs three values. The material library was read only up to there."));
}

TEST_F(ObjReaderTest, OnlyItsOwnTemporaryModelIsDeleted) {
    SetProgramDirOverride(Dir());
    const std::string users = Write("mirelantemp.obj", "v 0 0 0\n");
    LoadObj("mirelantemp.obj");
    EXPECT_TRUE(std::filesystem::exists(users));

    const std::string own = CreateTempFile("mirelantemp", ".obj");
    ASSERT_FALSE(own.empty());
    std::ofstream(own) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    PrepareLoad(own);
    ReadOBJ(Scene);
    EXPECT_EQ(ImportFaces.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(own));
    EXPECT_TRUE(std::filesystem::exists(users));
}

TEST_F(ObjReaderTest, AMissingFileOrAShortVertexIsAReadError) {
    PrepareLoad(Dir() + "nothing.obj");
    EXPECT_THROW(ReadOBJ(Scene), ReadError);
    try {
        ReadObjText("v 0 0 0\nv 1 0\n");
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_STREQ(e.what(), "model.obj, line 2: a vertex needs three coordinates");
        EXPECT_EQ(e.line(), 2);
    }
    // Line numbers as an editor shows them, empty lines and any line ends
    // included.
    try {
        ReadObjText("v 0 0 0\r\n\r\n\n# x\rv 1 0\n");
        FAIL();
    } catch (const ReadError& e) {
        EXPECT_EQ(e.line(), 5);
    }
    EXPECT_THROW(ReadObjText("vn 1 0\n"), ReadError);
    EXPECT_THROW(ReadObjText("vt\n"), ReadError);
}

}  // namespace
