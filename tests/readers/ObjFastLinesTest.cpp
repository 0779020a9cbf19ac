// The usual OBJ lines are read straight from the text, every other line by
// the full word rules. The two must agree: each random file is read as
// written and again with a comma after the first word of every statement
// (the same words, which only the full rules read), and with blocks so small
// that lines of every kind meet the ends of blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/Model.h"
#include "readers/ObjReader.h"
#include "tests/readers/ReaderFiles.h"

namespace {

using readertest::ReaderFileTest;

// What a read leaves: the import lists, the line segments, the counters and
// the log, as one comparable value.
struct ReadResult {
    std::vector<std::vector<double>> vertices, normals, uvs;
    std::vector<std::vector<int32_t>> faces, lines;
    std::vector<int32_t> counters;
    std::vector<std::string> log;
    bool operator==(const ReadResult&) const = default;
};

class ObjFastLinesTest : public ReaderFileTest {
protected:
    void TearDown() override {
        SetObjReadBlockSize(1u << 20);
        ReaderFileTest::TearDown();
    }
    ReadResult Read(const std::string& text, std::size_t blockSize) {
        ClearImportLists();
        LineSegments.clear();
        Polylines.clear();
        LinesMergedCount = PolylinesMergedCount = 0;
        status.pages[static_cast<int>(StatusPage::Messages)].clear();
        SetObjReadBlockSize(blockSize);
        ReadObjText(text);
        ReadResult r;
        for (const tvertex& v : ImportVertices) r.vertices.push_back({v.p.x, v.p.y, v.p.z});
        for (const tnormal& n : ImportNormals) r.normals.push_back({n.p.x, n.p.y, n.p.z});
        for (const tuv& t : ImportUVs) r.uvs.push_back({t.u, t.v});
        for (const tface& f : ImportFaces)
            r.faces.push_back({f.vertex[0], f.vertex[1], f.vertex[2], f.normal[0], f.normal[1], f.normal[2], f.uv[0],
                               f.uv[1], f.uv[2], f.group, f.material});
        for (const tline& l : LineSegments) r.lines.push_back({l.vertex[0], l.vertex[1], l.uv[0], l.normal[1]});
        r.counters = {Scene.polygonsRead, Scene.trianglesMade, Scene.polygonsOverThree};
        r.log = Messages();
        return r;
    }
};

// Random statements in the forms files use and in forms only the full rules
// take: signs, exponents, long digit runs, negative and empty indices, bad
// words, trailing comments, tabs and words past the last number.
class RandomObj {
public:
    explicit RandomObj(unsigned seed) : random_(seed) {}

    // One file: each statement as written and with a comma after its first
    // word.
    void Make(int statements, std::string& plain, std::string& commas) {
        plain.clear();
        commas.clear();
        for (int i = 0; i < statements; ++i) {
            std::vector<std::string> words = Statement(i);
            std::string a = words[0], b = words[0];
            for (std::size_t w = 1; w < words.size(); ++w) {
                const std::string blank = Pick(8) == 0 ? "\t" : Pick(8) == 0 ? "  " : " ";
                a += blank + words[w];
                b += (w == 1 ? " " : blank) + words[w] + (w == 1 && words[w][0] != '#' ? "," : "");
            }
            const char* ends[] = {"\n", "\n", "\n", "\r\n", "\r", " \n", "\n\n"};
            const std::string end = ends[Pick(7)];
            plain += a + end;
            commas += b + end;
        }
    }

private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    std::string Digits(int n) {
        std::string d;
        for (int i = 0; i < n; ++i) d += static_cast<char>('0' + Pick(10));
        return d;
    }
    std::string Number() {
        std::string t = Pick(3) == 0 ? "-" : Pick(10) == 0 ? "+" : "";
        t += Digits(Pick(12) == 0 ? 9 + Pick(9) : 1 + Pick(2));
        if (Pick(5) != 0) t += "." + Digits(Pick(8) == 0 ? Pick(16) : 6);
        if (Pick(12) == 0) t += std::string(Pick(2) ? "e" : "E") + (Pick(2) ? "-" : "+") + Digits(1 + Pick(3));
        if (Pick(40) == 0) t += "x";
        return t;
    }
    std::string Index(int count, bool mayBeEmpty) {
        if (mayBeEmpty && Pick(6) == 0) return "";
        if (Pick(8) == 0) return "-" + std::to_string(1 + Pick(count));
        if (Pick(30) == 0) return Digits(10 + Pick(3));
        if (Pick(40) == 0) return "0";
        if (Pick(50) == 0) return "+3";
        // Now and then past the end; leading zeros give every digit count.
        return std::string(Pick(5) == 0 ? Pick(9) : 0, '0') + std::to_string(1 + Pick(count + 2));
    }
    std::string Corner() {
        std::string c = Index(vertices_, false);
        const int fields = Pick(4);
        if (fields >= 1) c += "/" + Index(uvs_, true);
        if (fields >= 2) c += "/" + Index(normals_, true);
        if (Pick(60) == 0) c += "/9";
        return c;
    }
    std::vector<std::string> Statement(int i) {
        std::vector<std::string> w;
        const int kind = i < 12 ? i % 3 : Pick(10);
        if (kind == 0) {
            w = {Pick(9) == 0 ? "V" : "v", Number(), Number(), Number()};
            ++vertices_;
        } else if (kind == 1) {
            w = {"vn", Number(), Number(), Number()};
            ++normals_;
        } else if (kind == 2) {
            w = {"vt", Number()};
            if (Pick(4) != 0) w.push_back(Number());
            ++uvs_;
        } else {
            w = {Pick(15) == 0 ? "fo" : "f"};
            const int corners = Pick(10) == 0 ? 4 + Pick(5) : 3;
            for (int c = 0; c < corners; ++c) w.push_back(Corner());
        }
        if (kind < 3 && Pick(10) == 0) w.push_back(Number());  // a word past the numbers
        if (Pick(12) == 0) w.push_back("#" + Digits(2));      // a trailing comment
        return w;
    }

    std::mt19937 random_;
    int vertices_ = 0, normals_ = 0, uvs_ = 0;
};

TEST_F(ObjFastLinesTest, TheUsualLinesReadAsTheFullRulesReadThem) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        std::string plain, commas;
        RandomObj(seed).Make(1500, plain, commas);
        const ReadResult expected = Read(commas, 1u << 20);
        ASSERT_GT(expected.faces.size(), 500u);
        EXPECT_EQ(Read(plain, 1u << 20), expected);
        EXPECT_EQ(Read(plain, 64), expected);
        EXPECT_EQ(Read(commas, 97), expected);
    }
}

// Lines continued with "\" and a settings block read the same in blocks of
// any size; the line numbers of errors count the lines as an editor does.
TEST_F(ObjFastLinesTest, ContinuedLinesAndErrorsAcrossBlockEnds) {
    const std::string text =
        "v 0 0 0\r\nv 1 0 \\\r\n 0\nv 0 1 0\nvt 0.5 \\\n\n0.25\nf 1/1 2/1 \\\n 3/1\n# end\n"
        "#Mirelan Settings Block v1.1\n#camera,1\n";
    const ReadResult whole = Read(text, 1u << 20);
    ASSERT_EQ(whole.vertices.size(), 3u);
    EXPECT_EQ(whole.vertices[1], (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(whole.uvs[0], (std::vector<double>{0.5, 0.25}));
    EXPECT_EQ(whole.faces.size(), 1u);
    for (std::size_t blockSize : {64u, 65u, 70u, 90u}) EXPECT_EQ(Read(text, blockSize), whole) << blockSize;

    for (std::size_t blockSize : {64u, 1u << 20}) {
        SetObjReadBlockSize(blockSize);
        std::string lines;
        for (int i = 0; i < 30; ++i) lines += "v 1 2 3\r\n\n";
        try {
            ReadObjText(lines + "v 1 2\n");
            FAIL() << "a short vertex was read";
        } catch (const ReadError& e) {
            EXPECT_EQ(e.line(), 61) << blockSize;
        }
    }
}

}  // namespace
