#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "model/Model.h"
#include "readers/MtlReader.h"
#include "model/PovReservedWords.h"
#include "readers/ReaderCommon.h"
#include "tests/readers/ReaderFiles.h"

namespace {

using readertest::ReaderFileTest;

class MtlReaderTest : public ReaderFileTest {
protected:
    // Import materials of these names, as the OBJ reader leaves them.
    void Materials(const std::vector<std::string>& names, std::vector<tmaterial>& list = ImportMaterials) {
        for (const std::string& n : names) {
            tmaterial m;
            NewMaterial(m);
            m.name = n;
            list.push_back(m);
        }
    }
    void ReadLibrary(const std::string& text, int32_t target = MtlTargetImport, int32_t mode = 0) {
        Scene.modelFile = Dir() + "car.obj";
        Scene.mtlFile = Write("car.mtl", text);
        ReadMTL(target, Scene, mode);
    }
};

TEST_F(MtlReaderTest, EveryKeywordAndExtensionComment) {
    Materials({"Paint"});
    ReadLibrary(
        "# exported\n"
        "newmtl Paint\n"
        "\tNs 4096\n"
        "Ka 0.1 0.2 0.3\n"
        "Kd 0.4 0.5 0.6\n"
        "Ks 0.7 0.8 0.9\n"
        "Tr 0.3\n"
        "map_Kd maps\\paint.jpg\n"
        "map_d  alpha.png\n"
        "map_Bump bump map.tga\n"
        "map_refl env.jpg\n"
        "Km 0.5\n"
        "#metal\n"
        "#inv_map_d\n"
        "#cell\n"
        "#cell_hi\n"
        "#r 0.25\n"
        "#blend 0.75\n"
        "#povmaterial texture{pigment{rgb 1}}?~finish{phong 1}\n"
        "illum 2\n");
    const tmaterial& m = ImportMaterials[0];
    EXPECT_FLOAT_EQ(m.shininess, 1.0f);
    EXPECT_EQ(m.ambient, (tvector{0.1, 0.2, 0.3}));
    EXPECT_EQ(m.diffuse, (tvector{0.4, 0.5, 0.6}));
    EXPECT_EQ(m.specular, (tvector{0.7, 0.8, 0.9}));
    EXPECT_DOUBLE_EQ(m.transparency, 0.3);
    EXPECT_EQ(m.colorMap, "maps/paint.jpg");
    EXPECT_EQ(m.transparencyMap, "alpha.png");
    EXPECT_EQ(m.bumpMap, "bump map.tga");
    EXPECT_DOUBLE_EQ(m.reflection, 0.25);
    EXPECT_DOUBLE_EQ(m.bumpSize, -0.5);
    EXPECT_EQ(m.metal, 1);
    EXPECT_EQ(m.invertTransparencyMap, 1);
    EXPECT_EQ(m.cell, 1);
    EXPECT_EQ(m.cellHigh, 1);
    EXPECT_DOUBLE_EQ(m.blend, 0.75);
    EXPECT_EQ(m.customTextActive, 1);
    EXPECT_EQ(m.customText, "texture{pigment{rgb 1}}\r\nfinish{phong 1}");
    EXPECT_EQ(m.blend, 0.75);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Material [1]= Paint"}));

    // The rest of the values one at a time.
    ReadLibrary("NEWMTL Paint\nns 2\nd 0.3\nmap_REFL x.jpg\n#BUMP_SIZE 0.5\n");
    EXPECT_FLOAT_EQ(ImportMaterials[0].shininess, 0.0f);
    EXPECT_DOUBLE_EQ(ImportMaterials[0].transparency, 0.7);
    EXPECT_DOUBLE_EQ(ImportMaterials[0].reflection, 0.4);
    EXPECT_DOUBLE_EQ(ImportMaterials[0].bumpSize, 0.5);
    ReadLibrary("newmtl Paint\nNs 64\n#bump_size abc\n#blend\t1,5\nKd 0.2\n");
    EXPECT_NEAR(ImportMaterials[0].shininess, 0.4, 1e-6);
    EXPECT_DOUBLE_EQ(ImportMaterials[0].bumpSize, 0);
    EXPECT_DOUBLE_EQ(ImportMaterials[0].blend, 1);  // a comma separates words
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0.2, 0.2, 0.2}));  // one value: a grey
}

TEST_F(MtlReaderTest, FlagsAreOnlyEverSet) {
    Materials({"A"});
    ImportMaterials[0].metal = 0;
    ImportMaterials[0].cellHigh = 0;
    ReadLibrary("newmtl A\nKd 1 1 1\n");
    EXPECT_EQ(ImportMaterials[0].metal, 0);
    EXPECT_EQ(ImportMaterials[0].cellHigh, 0);
    EXPECT_EQ(ImportMaterials[0].customTextActive, 0);
}

TEST_F(MtlReaderTest, TheColourMapDependsOnTheTransparencySetBeforeIt) {
    Materials({"Opaque", "Clear", "ClearLater", "TrClear"});
    ReadLibrary(
        "newmtl Opaque\nd 1\nmap_Kd a.png\n"
        "newmtl Clear\nd 0.01\nmap_Kd b.png\n"
        "newmtl ClearLater\nmap_Kd c.png\nd 0.01\n"
        "newmtl TrClear\nd 0.01\nmap_Kd d.png\nd 1\n");
    EXPECT_EQ(ImportMaterials[0].colorMap, "a.png");
    EXPECT_EQ(ImportMaterials[1].colorMap, "");
    EXPECT_EQ(ImportMaterials[2].colorMap, "c.png");
    EXPECT_DOUBLE_EQ(ImportMaterials[2].transparency, 0.99);
    // A later "d" does not bring the dropped map back.
    EXPECT_EQ(ImportMaterials[3].colorMap, "");
    EXPECT_DOUBLE_EQ(ImportMaterials[3].transparency, 0);
}

TEST_F(MtlReaderTest, MapOptionsAreNotPartOfTheName) {
    Materials({"M"});
    ReadLibrary(
        "newmtl M\n"
        "map_Kd -s 1 2 1 -o 0.5 -clamp on -blendu off -blendv on -boost 2 -mm 0 1 -texres 512 tex\\wood grain.jpg\n"
        "map_d -imfchan m -type sphere -t 0.1 0.2 0.3 alpha.png\n"
        "map_Bump -bm 0.25 normal.png\n");
    EXPECT_EQ(ImportMaterials[0].colorMap, "tex/wood grain.jpg");
    EXPECT_EQ(ImportMaterials[0].transparencyMap, "alpha.png");
    EXPECT_EQ(ImportMaterials[0].bumpMap, "normal.png");
    EXPECT_DOUBLE_EQ(ImportMaterials[0].bumpSize, 0.25);

    EXPECT_EQ(MapNameFromStatement("-s 2 7.png"), "7.png");
    EXPECT_EQ(MapNameFromStatement("-dash-name.png"), "-dash-name.png");
    EXPECT_EQ(MapNameFromStatement("  C:\\maps\\a b.png  "), "C:/maps/a b.png");
    EXPECT_EQ(MapNameFromStatement("-clamp"), "");
    double bump = 9;
    EXPECT_EQ(MapNameFromStatement("-BM x b.png", &bump), "b.png");
    EXPECT_EQ(bump, 9);
}

TEST_F(MtlReaderTest, NamesMatchExactlyAndTheLastMaterialOfANameWins) {
    Materials({"Glass", "Steel", "Glass"});
    ReadLibrary(
        "newmtl glass\nKd 1 0 0\n"   // names are case-sensitive
        "newmtl Glass\nKd 0 1 0\n"
        "newmtl Rubber\nKd 0 0 1\n"  // no such material: skipped
        "newmtl Glass\nKs 0 0 0\n");
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
    EXPECT_EQ(ImportMaterials[2].diffuse, (tvector{0, 1, 0}));
    EXPECT_EQ(ImportMaterials[2].specular, (tvector{0, 0, 0}));
    EXPECT_EQ(ImportMaterials[1].diffuse, (tvector{1, 1, 1}));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Material [3]= Glass", "Material [3]= Glass"}));
}

TEST_F(MtlReaderTest, ALibraryWithoutAMatchIsReported) {
    Materials({"A"});
    ReadLibrary("newmtl B\nKd 0 0 0\n");
    EXPECT_EQ(Messages(), (std::vector<std::string>{"<!>No materials used in car.obj were found in car.mtl"}));
    status.pages[0].clear();
    ReadLibrary("newmtl A\nKd 0 0 0\n", 7);  // an unknown target matches nothing
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(MtlReaderTest, SceneMaterialsAreUpdatedForTargetOne) {
    Materials({"A"}, SceneMaterials);
    Materials({"A"});
    ReadLibrary("newmtl A\nKd 0 0 1\n", MtlTargetScene);
    EXPECT_EQ(SceneMaterials[0].diffuse, (tvector{0, 0, 1}));
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{1, 1, 1}));
}

TEST_F(MtlReaderTest, DazStudioLibrariesKeepTheirExponentAndBlend) {
    Materials({"Skin"});
    ReadLibrary("newmtl Skin\nNs 4096\nKd 1 0.8 0.7\nd 0.5\nmap_d skin_alpha.jpg\n", MtlTargetImport, 1);
    const tmaterial& m = ImportMaterials[0];
    EXPECT_FLOAT_EQ(m.shininess, 4096.0f);
    EXPECT_DOUBLE_EQ(m.blend, 1.0);
    EXPECT_DOUBLE_EQ(m.transparency, 0);
    EXPECT_EQ(m.transparencyMap, "skin_alpha.jpg");
}

TEST_F(MtlReaderTest, ALongCustomTextIsCutWithAWarning) {
    Materials({"P"});
    ReadLibrary("newmtl P\n#povmaterial " + std::string(6000, 'x') + "\nKd 0 0 0\n");
    EXPECT_EQ(ImportMaterials[0].customText.size(), 5000u);
    EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 0}));
    EXPECT_TRUE(LoggedStartingWith("<!>Text of 6000 characters cut"));
}

// A material text from a downloaded file runs when the scene renders: one
// that could run anything (a directive, or a call of anything but POV-Ray's
// own functions) is kept switched off, with a warning.
TEST_F(MtlReaderTest, APovRayMaterialThatMayTouchFilesIsKeptSwitchedOff) {
    for (const auto& [text, active] :
         {std::pair{"texture{pigment{function{f_hf(x,y,z)}}}", false},  // functions of the includes are names
          {"texture{T}} #fopen F \"x.txt\" write #write(F,\"y\") #fclose F", false},
          {"texture{T}} # include \"evil.inc\"", false},
          {"texture{T} # }", false},
          {"object{HF_Square(f,0,0,<9,9>,0,\"over.inc\",<0,0>,<1,1>)}", false},
          {"object{hf_torus(f,0,0,<9,9>,0,\"over.inc\",1,1,1)}", false},
          {"material{texture{pigment{rgb 1}}} Parse_String(concat(chr(35),\"fopen F \",chr(34),\"out.txt\",chr(34),"
           "\" write \",chr(35),\"write(F,...) \",chr(35),\"fclose F \"))",
           false},
          {"material{texture{T} Parse_String /* ( */ // (?(\"x\")~}", false},  // "?" is a carriage return
          {"material{} Parse_String\f(\"x\")", false},                 // POV-Ray reads a form feed as a blank
          {"M_Glass3", true},  // a name alone is no call: the file goes on with a comment and "#declare"
          {"texture{pigment{function{f_noise3d(x,y,z)}}}", false},
          {"texture{pigment{function{Sin(x)}}}", false},
          {"texture{pigment{image_map{png \"a\\\\\" Parse_String(\"x\") \"b.png\"}}}", false},
          {"texture{pigment{image_map{png \"a.png}}}", false},
          {"texture{T} /* /* */", false},
          {"material{} include \"evil.inc\"", false},
          {"material{} global_settings{photons{spacing 0.1 save_file \"p.txt\"}}", false},
          {"texture{pigment{image_map{png \"a\\\" Parse_String(1) #1.png\"}}} // f_noise3d(x,y,z)", true},
          // Directive words POV-Ray runs without their "#" (with a warning).
          {"material{texture{T}} declare Z = 1", false},
          {"material{texture{T}} default{finish{ambient 1}}", false},
          {"material{texture{T}} version 3.5", false},
          {"material{texture{pigment{rgb 1}}} \xC3\xA9", false},  // beyond ASCII outside a string
          {"material{texture{pigment{image_map{png \"t\xC3\xABx.png\"}}}}", true},
          {"material{texture{pigment{rgb 2x}}}", false},  // a number run into a name
          {"material{texture{pigment{image_map{png \"a\\q.png\"}}}}", false},  // an escape POV-Ray refuses
          {"material{texture{pigment{image_map{png \"a\\u00g1.png\"}}}}", false},
          {"material{texture{pigment{image_map{png \"a\\u00e1.png\"}}}}", true},
          // What one text leaves open a later one could carry on: a macro named
          // at the end, unpaired braces or parentheses, a "(" outside every brace.
          {"Parse_String", false},
          {"material{texture{pigment{rgb 1}}} // red?Parse_String", false},
          {"texture{pigment{Evil", false},
          {"material{texture{pigment{rgb 1}}}}", false},
          {"material{texture{pigment{rgb 1}})", false},
          {"material{texture{pigment{rgb 1}}} (\"x\")", false},
          {"material{M_Glass}; // a lone name, a comment and parentheses after a keyword stay usable", true},
          {"material{texture{pigment{rgb (0.5)}} interior{I_Glass1}}", true},
          {"texture{pigment{function{sin(x*3)*0.5+0.5}} normal{bumps 0.5 rotate vrotate(<1,0,0>,<0,45,0>)}?~"
           "finish{phong pow(0.5,2) phong_size 1e-3}} texture{pigment{color rgbf <1,0.5,0,0.9>}}",
           true}}) {
        ImportMaterials.clear();
        Materials({"P"});
        const auto logged = static_cast<std::ptrdiff_t>(Messages().size());
        ReadLibrary(std::string("newmtl P\n#povmaterial ") + text + "\n");
        EXPECT_EQ(ImportMaterials[0].customTextActive, active ? 1 : 0) << text;
        EXPECT_FALSE(ImportMaterials[0].customText.empty()) << text;  // kept for the user to see
        EXPECT_EQ(std::count_if(Messages().begin() + logged, Messages().end(),
                                [](const std::string& m) { return m.starts_with("<!>The POV-Ray material of P"); }),
                  active ? 0 : 1)
            << text;
    }
}

// The macros and functions that the standard include files declare (listed
// from the installed files by scripts/check-pov-reserved-words.py) are
// names, never reserved words, and a text that names a macro is refused; the
// textures they declare, and only those, are the table's.
TEST(PovIncludeNamesTest, MacrosAndFunctionsOfTheIncludeFilesAreNoReservedWords) {
    std::ifstream in(std::string(MIRELAN_TEST_DATA) + "/readers/pov_include_names.txt");
    std::map<std::string, int> kinds;
    for (std::string line, kind, name; std::getline(in, line);) {
        if (!(std::istringstream(line) >> kind >> name) || kind[0] == '#') continue;
        ++kinds[kind];
        EXPECT_FALSE(IsPovReservedWord(name)) << name;
        EXPECT_TRUE(kind != "macro" || PovTextMayTouchFiles(name)) << name;
        EXPECT_EQ(IsPovIncludeTexture(name), kind == "texture") << name;
    }
    EXPECT_GT(kinds["macro"], 200);
    EXPECT_GT(kinds["function"], 100);
    EXPECT_GT(kinds["texture"], 300);
}

// A "#povmaterial" text with no token but ";" (blanks, comments, the "?" and
// "~" of line breaks) would declare a material of nothing: it stays off.
TEST_F(MtlReaderTest, ATextWithNoTokenIsNotSwitchedOn) {
    for (const auto& [text, active] : {std::pair{"?~", false},
                                       {"// a comment?~/* and another */", false},
                                       {";", false},
                                       {" ? ; ~ ; ", false},
                                       {"M_Glass3 ;", true}}) {
        ImportMaterials.clear();
        Materials({"P"});
        ReadLibrary(std::string("newmtl P\n#povmaterial ") + text + "\n");
        EXPECT_EQ(ImportMaterials[0].customTextActive, active ? 1 : 0) << text;
        EXPECT_FALSE(LoggedStartingWith("<!>The POV-Ray material of P")) << text;
    }
}

TEST_F(MtlReaderTest, AMissingValueEndsTheReadWithAClearError) {
    for (const std::string bad : {"Ns", "d", "Tr", "Km", "#r", "#bump_size", "#blend", "Ka 1 1", "Kd 0.5 1",
                                  "Ks"}) {
        SCOPED_TRACE(bad);
        ImportMaterials.clear();
        Materials({"A", "B"});
        try {
            ReadLibrary("newmtl A\nKd 0 0 0\nnewmtl B\n" + bad + "\nKd 0 0 0\n");
            FAIL();
        } catch (const ReadError& e) {
            EXPECT_EQ(e.line(), 4);
            EXPECT_EQ(std::string(e.what()).rfind("car.mtl, line 4: ", 0), 0u) << e.what();
        }
        EXPECT_EQ(ImportMaterials[0].diffuse, (tvector{0, 0, 0}));
        EXPECT_EQ(ImportMaterials[1].diffuse, (tvector{1, 1, 1}));
    }
    Scene.mtlFile = Dir() + "none.mtl";
    EXPECT_THROW(ReadMTL(MtlTargetImport, Scene, 0), ReadError);
}

// A library held in memory reads as the file does: the same values, the
// same log, and the same error where a keyword lacks its value.
TEST_F(MtlReaderTest, TextInMemoryReadsLikeTheFile) {
    const auto outcome = [this](bool fromFile, const std::string& text, int32_t mode) {
        ClearImportLists();
        status.ClearPage(StatusPage::Messages);
        Materials({"Paint", "Glass"});
        std::string out;
        try {
            if (fromFile) {
                ReadLibrary(text, MtlTargetImport, mode);
            } else {
                Scene.modelFile = Dir() + "car.obj";
                Scene.mtlFile = Dir() + "car.mtl";
                ReadMTLBytes(MtlTargetImport, Scene, mode, text);
            }
        } catch (const ReadError& e) {
            out = std::string("error: ") + e.what() + "\n";
        }
        for (const tmaterial& m : ImportMaterials)
            out += FloatToStrDot(m.shininess) + " " + FloatToStrDot(m.diffuse.y) + " " + FloatToStrDot(m.transparency) +
                   " " + FloatToStrDot(m.blend) + " " + m.colorMap.str() + " " + m.customText.str() + "\n";
        for (const std::string& line : Messages()) out += line + "\n";
        return out;
    };
    for (const std::string& text :
         {std::string("\xEF\xBB\xBFnewmtl Paint\r\nNs 100\r\nKd 1 0.5 0\r\nd 0.5\r\nmap_Kd a/b.png\r\n"
                      "newmtl Glass\r#povmaterial x?y~z\rmap_d m.png"),
          std::string("newmtl Paint\nKd 1 0.5 0\nKs 1\nnewmtl Glass\nTr\nKd 1 1 1\n"), std::string("newmtl None\n"),
          std::string()})
        for (int32_t mode : {0, 1}) {
            SCOPED_TRACE(text.substr(0, 30));
            EXPECT_EQ(outcome(false, text, mode), outcome(true, text, mode));
        }
}

}  // namespace
