// The YafRay XML scene.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/Errors.h"
#include "tests/writers/WriterTest.h"
#include "writers/YafRayWriter.h"

namespace writertest {
namespace {

class YafRayWriterTest : public WriterTest {
protected:
    void SetUp() override {
        WriterTest::SetUp();
        Scene.yafrayFile = Path("scene.xml");
    }
    // Two materials, the first with a colour map; one face with UVs, one
    // without.
    void BuildScene() {
        const int32_t g = AddGroup("Body");
        const int32_t paint = AddMaterial("Paint");
        const int32_t glass = AddMaterial("Glass");
        SceneMaterials[paint].colorMap = "/maps/wood grain.jpg";
        SceneMaterials[paint].diffuse = {1, 0.5, 0.25};
        SceneMaterials[paint].ambient = {0.2, 0.1, 0};
        SceneMaterials[glass].transparency = 0.75;
        const int32_t v[3] = {AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0.5, 2.25, -1e-5)};
        const int32_t t[3] = {AddUV(0, 0), AddUV(1, 0), AddUV(0.5, 1)};
        AddFace(g, paint, v, nullptr, t);
        const int32_t w[3] = {v[0], v[2], AddVertex(-1, 0, 0)};
        AddFace(g, glass, w);
    }
    static std::vector<std::string> Matching(const std::vector<std::string>& lines, std::string_view part) {
        std::vector<std::string> r;
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos) r.push_back(l);
        return r;
    }
    // Runs xmllint on the file; skips the check when it is not installed.
    void ExpectWellFormed(const std::string& path) {
        if (std::system("command -v xmllint >/dev/null 2>&1") != 0) {
            GTEST_LOG_(INFO) << "xmllint not installed: well-formedness not checked";
            return;
        }
        const std::string command = "xmllint --noout '" + path + "' 2>'" + Path("xmllint.txt") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(Path("xmllint.txt"));
    }
};

TEST_F(YafRayWriterTest, GoldenFile) {
    BuildScene();
    ExportYafRayScene(Scene);
    ExpectGolden(Scene.yafrayFile, "scene.xml");
    ExpectWellFormed(Scene.yafrayFile);
    const std::vector<std::string> log(Messages().begin(), Messages().end());
    EXPECT_EQ(log, (std::vector<std::string>{" ", "==================================================",
                                             "Writing YAFRAY scene file", "Wiring points...", "Wiring faces..."}));
}

// Names and paths with the characters XML reserves stay well-formed and
// come back as written.
TEST_F(YafRayWriterTest, NamesAreEscaped) {
    BuildScene();
    SceneMaterials[0].name = "Nuts & <Bolts>";
    SceneMaterials[0].colorMap = "/maps/\"quoted\" & 'single'.png";
    SceneMaterials[1].name = "Tom's \"best\"";
    ExportYafRayScene(Scene);
    ExpectWellFormed(Scene.yafrayFile);
    const auto lines = ReadLines(Scene.yafrayFile);
    EXPECT_EQ(Matching(lines, "blendershader").front(),
              "<shader type=\"blendershader\" name=\"MANuts &amp; &lt;Bolts&gt;\" >");
    EXPECT_EQ(Matching(lines, "<filename").front(),
              "     <filename value=\"/maps/&quot;quoted&quot; &amp; &apos;single&apos;.png\"/>");
    EXPECT_EQ(Matching(lines, "mainscene").front(),
              "<object name=\"mainscene\" shadow=\"on\"  shader_name=\"MATom&apos;s &quot;best&quot;\">");
    // A name that is not UTF-8 (cp1252 "é") and a control character.
    SceneMaterials[1].name = std::string("Caf\xE9\x01");
    ExportYafRayScene(Scene);
    ExpectWellFormed(Scene.yafrayFile);
    EXPECT_EQ(Matching(ReadLines(Scene.yafrayFile), "mainscene").front(),
              "<object name=\"mainscene\" shadow=\"on\"  shader_name=\"MACaf\xC3\xA9 \">");
    EXPECT_EQ(XmlAttributeText("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");  // UTF-8 kept
    EXPECT_EQ(XmlAttributeText("\x80"), "\xE2\x82\xAC");                                  // cp1252 euro sign
}

// One image shader and mapper per map file; two different files of the same
// name get different shaders.
TEST_F(YafRayWriterTest, MapShadersPerFile) {
    BuildScene();
    SceneMaterials[1].colorMap = "/maps/wood grain.jpg";  // the same file
    const int32_t third = AddMaterial("Other");
    SceneMaterials[third].colorMap = "/other/wood grain.jpg";  // another file, same name
    ExportYafRayScene(Scene);
    ExpectWellFormed(Scene.yafrayFile);
    const auto lines = ReadLines(Scene.yafrayFile);
    EXPECT_EQ(Matching(lines, "type=\"image\""),
              (std::vector<std::string>{"<shader type=\"image\" name=\"IMwood grain.jpg\">",
                                        "<shader type=\"image\" name=\"IMwood grain.jpg_1\">"}));
    EXPECT_EQ(Matching(lines, "<input value=\"MAP"),
              (std::vector<std::string>{"\t\t<input value=\"MAPwood grain.jpg\"/>",
                                        "\t\t<input value=\"MAPwood grain.jpg\"/>",
                                        "\t\t<input value=\"MAPwood grain.jpg_1\"/>"}));
}

TEST_F(YafRayWriterTest, EmptyMaterialListAndBadIndices) {
    AddVertex(0, 0, 0);
    ExportYafRayScene(Scene);
    ExpectWellFormed(Scene.yafrayFile);
    const auto lines = ReadLines(Scene.yafrayFile);
    EXPECT_EQ(Matching(lines, "blendershader").front(), "<shader type=\"blendershader\" name=\"MAdefault\" >");
    EXPECT_EQ(Matching(lines, "mainscene").front(),
              "<object name=\"mainscene\" shadow=\"on\"  shader_name=\"MAdefault\">");

    BuildScene();
    SceneFaces[1].vertex[2] = 99;
    EXPECT_THROW(ExportYafRayScene(Scene), ExportError);
    SceneFaces[1].vertex[2] = 1;
    SceneFaces[1].material = 5;
    EXPECT_THROW(ExportYafRayScene(Scene), ExportError);
    Scene.yafrayFile = Path("no/such/folder/scene.xml");
    EXPECT_THROW(ExportYafRayScene(Scene), ExportError);
}

}  // namespace
}  // namespace writertest
