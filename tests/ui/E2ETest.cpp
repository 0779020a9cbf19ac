// Runs the end-to-end driver on small files and checks its report and exit
// status.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fixtures/E2ERun.h"
#include "tests/fixtures/Fixtures.h"

namespace {

namespace fs = std::filesystem;

using RunResult = fixtures::E2ERun;

class E2ETest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(testing::TempDir()) /
                 ("e2e-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string File(const std::string& name, const std::string& content) const {
        const fs::path p = folder / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    RunResult Start(const std::vector<std::string>& args) const {
        return fixtures::RunE2E(MIRELAN_E2E_BINARY, args, folder.string());
    }

    fs::path folder;
};

const char* const Quad =
    "[q:VERTICES]\n4\n1 1 1\n3 1 1\n3 3 1\n1 3 1\n"
    "[q:FACES]\n1\n0 1 2 3\n[End]\n";

TEST_F(E2ETest, ReportsTheLoadedModel) {
    const RunResult run = Start({File("t.raw", "Part\n0 0 0 1 0 0 0 1 0\n0 0 0 0 1 0 -1 0 -2.5\n")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "vertices 6\nnormals 6\nuvs 0\nfaces 2\nlines 0\ngroups 1\nmaterials 1\nlights 0\n"
              "extents -1 0 -2.5 1 1 0\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(E2ETest, OptionsAndSeveralModels) {
    const std::string quad = File("q.udo", Quad);
    // Z up turned to Y up by default; not when the option is off.
    RunResult run = Start({quad});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("extents 1 1 -3 3 1 -1\n"), std::string::npos) << run.out;
    run = Start({"--set", "Form1.CheckBox26=0", quad});
    EXPECT_NE(run.out.find("extents 1 1 1 3 3 1\n"), std::string::npos) << run.out;

    run = Start({"--set", "Form1.CheckBox26=0", "--log", File("t.raw", "0 0 0 1 0 0 0 1 0\n"), quad});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("vertices 7\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("faces 3\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("groups 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("extents 0 0 0 3 3 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Model q.udo loaded."), std::string::npos) << run.err;
}

TEST_F(E2ETest, FailedModelsExitWithOne) {
    RunResult run = Start({(folder / "missing.raw").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File missing.raw does not exist."), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("faces 0\n"), std::string::npos);

    const std::string bad = File("bad.udo", "[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 1 x\n");
    run = Start({File("t.raw", "0 0 0 1 0 0 0 1 0\n"), bad});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.udo: 'x' is not a valid integer value"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("faces 1\n"), std::string::npos) << run.out;  // the first file stays

    run = Start({File("names.raw", "only a name\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Model does not have faces"), std::string::npos) << run.err;

    // A type no reader takes is named on stderr; the other files still load.
    run = Start({File("t.raw", "0 0 0 1 0 0 0 1 0\n"), File("model.xyz", "0 0 0 1 0 0 0 1 0\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("mirelan_e2e: model.xyz: files of the type .xyz cannot be read"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("faces 1\n"), std::string::npos) << run.out;
}

// Plain X3D goes to the VRML and X3D reader, as ".wrl" does.
TEST_F(E2ETest, LoadsPlainX3D) {
    const RunResult run = Start({File("quad.x3d",
                                      "<?xml version=\"1.0\"?>\n<!DOCTYPE X3D>\n<X3D><Scene><Shape>\n"
                                      "<IndexedFaceSet coordIndex=\"0 1 2 3 -1\">\n"
                                      "<Coordinate point=\"0 0 0, 2 0 0, 2 1 0, 0 1 0\"/>\n"
                                      "</IndexedFaceSet></Shape></Scene></X3D>\n")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("faces 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("extents 0 0 0 2 1 0\n"), std::string::npos) << run.out;
}

TEST_F(E2ETest, BadArgumentsExitWithTwo) {
    const std::string model = File("t.raw", "0 0 0 1 0 0 0 1 0\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--set", "Form1.CheckBox26=0"},
             {"--frobnicate", model},
             {"--set", "Form1.NoSuchControl=1", model},
             {"--set", "Form9.CheckBox26=1", model},
             {"--set", "Form1.CheckBox26=maybe", model},
             {"--set", "Form1.ComboBox23=17", model},
             {"--set", "Form1.CheckBox26", model},
             {model, "--set"},
             {model, "--out"},
             {"--out", "", model},
             {model, "--poser-scene"},
             {"--daz-script", "", model},
         }) {
        const RunResult run = Start(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: mirelan_e2e"), std::string::npos);
    }
    // Edits take any text, combo boxes an item index.
    EXPECT_EQ(Start({"--set", "Form1.Edit95=12.5", "--set", "Form1.ComboBox23=0", model}).status, 0);
}

// --out writes the outputs of the save commands with the names the load
// derived, the maps copied and resized as the export options say, and every
// written file names the copy beside it.
TEST_F(E2ETest, OutWritesEveryOutput) {
    fs::create_directories(folder / "maps");
    File("maps/wood.ppm", "P6\n8 8\n255\n" + std::string(8 * 8 * 3, '\x80'));
    File("my car.mtl", "newmtl paint\nKd 1 1 1\nmap_Kd maps/wood.ppm\n");
    const std::string model = File("my car.obj", "mtllib my car.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv -1 0 -2.5\nvt 0 0\n"
                                                 "vt 1 0\nvt 0 1\nusemtl paint\nf 1/1 2/2 3/3\nf 1/1 3/3 4/1\n");
    const fs::path out = folder / "out";
    const RunResult run = Start({"--set", "Form2.CheckBox16=1", "--set", "Form2.CheckBox27=0", "--set",
                                 "Form2.CheckBox43=1", "--set", "Form2.Edit45=4", "--out", out.string(), model});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("faces 2\n"), std::string::npos);  // the report is unchanged
    for (const char* name : {"my_car_POV_main.ini", "my_car_POV_scene.pov", "my_car_POV_geom.inc",
                             "my_car_POV_mat.inc", "my car.obj", "my car.mtl", "my_car_moray.udo", "my_car_moray.inc",
                             "my_car_moray_mat.inc", "scene.xml"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    EXPECT_EQ(fixtures::ReadFileBytes((out / "wood.jpg").string()).substr(0, 2), "\xFF\xD8");
    EXPECT_NE(fixtures::ReadFileBytes((out / "my car.mtl").string()).find("\nmap_Kd wood.jpg\n"), std::string::npos);
    EXPECT_NE(fixtures::ReadFileBytes((out / "my_car_POV_mat.inc").string()).find("image_map{jpeg \"wood.jpg\""),
              std::string::npos);
}

// A folder that cannot be made: every save fails, exit 1 with the reasons.
TEST_F(E2ETest, OutFailuresExitWithOne) {
    const std::string model = File("t.raw", "0 0 0 1 0 0 0 1 0\n");
    const std::string blocked = File("blocked", "a file, not a folder");
    const RunResult run = Start({"--out", blocked + "/out", model});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("faces 1\n"), std::string::npos) << run.out;
    for (const char* save : {"POV-Ray save: ", "OBJ save: ", "Moray save: ", "YafRay save: "})
        EXPECT_NE(run.err.find(std::string("mirelan_e2e: ") + save), std::string::npos) << save << run.err;
    EXPECT_NE(run.err.find("t_POV_main.ini"), std::string::npos) << run.err;
}

// ---- Scene imports after the load ----------------------------------------------------

const char* const PoserScene =
    "{\nversion\n\t{\n\tnumber 5\n\t}\n"
    "camera MAIN_CAMERA\n\t{\n\tname MAIN_CAMERA\n\tchannels\n\t\t{\n"
    "\t\tfocal f\n\t\t\t{\n\t\t\tk 0 50\n\t\t\t}\n"
    "\t\tscale s\n\t\t\t{\n\t\t\tk 0 1\n\t\t\t}\n\t\t}\n\tendPoint 0 0 0\n\t}\n"
    "light LIGHT_1\n\t{\n\tname Bulb\n\tlightType 2\n\tdoShadow 1\n\tlightOn 1\n\t}\n"
    "light LIGHT_2\n\t{\n\tname Off\n\tlightType 2\n\tlightOn 0\n\t}\n"
    "figure\n\t{\n\tmaterial Skin\n\t\t{\n\t\tKdColor 1 0 0 1\n\t\ttextureMap NO_MAP\n\t\t}\n\t}\n"
    "doc\n\t{\n\tuseCamera MAIN_CAMERA\n\tdimensions 320 240\n\t}\n}\n";

std::string DazScript(const std::string& shadow = "1") {
    return "var m_aNewLights = [\n\t[ \"Key\", DzSpotLight ],\n\t[ \"Fill\", DzPointLight ] ];\n"
           "function createLight( oLight, nLight )\n{\n\tswitch( nLight ){\n"
           "\t\tcase 0:\n\t\t\toLight.set( \"XTranslate\", 0, 240 );\n"
           "\t\t\toLight.set( \"Cast Shadows\", 0, " + shadow + " );\n\t\t\tbreak;\n"
           "\t\tcase 1:\n\t\t\toLight.set( \"XTranslate\", 0, 0 );\n\t\t\tbreak;\n"
           "\t\tdefault:\n\t}\n}\n"
           "var m_aNewCameras = [\n\t[ \"Cam\", DzBasicCamera ] ];\n"
           "function createCamera( oCamera, nCamera )\n{\n\tswitch( nCamera ){\n"
           "\t\tcase 0:\n\t\t\toCamera.set( \"XTranslate\", 0, 0 );\n"
           "\t\t\toCamera.set( \"Focal Length\", 0, 50 );\n\t\t\tbreak;\n"
           "\t\tdefault:\n\t}\n}\n";
}

class E2ESceneImportTest : public E2ETest {
protected:
    std::string FigureModel() const {
        File("fig.mtl", "newmtl Skin\nKd 1 1 1\nnewmtl Hair\nKd 0.5 0.5 0.5\n");
        return File("fig.obj", "mtllib fig.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nusemtl Skin\nf 1 2 3\n"
                               "usemtl Hair\nf 2 4 3\n");
    }
    std::string Compressed(const std::string& name, const std::string& text) const {
        const std::string path = (folder / name).string();
        gzFile gz = gzopen(path.c_str(), "wb");
        EXPECT_NE(gz, nullptr);
        EXPECT_EQ(gzwrite(gz, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
        EXPECT_EQ(gzclose(gz), Z_OK);
        return path;
    }
    // The DAZ|Studio texture folder, which must exist.
    std::vector<std::string> TextureFolder() const {
        fs::create_directories(folder / "textures");
        return {"--set", "Form7.Edit2=" + (folder / "textures").string()};
    }
};

struct ImportCase {
    const char* what;
    std::vector<std::string> options;
    std::vector<std::string> present, absent;  // lines of the report
    std::size_t unpackings = 0;                // "Decompressing" lines
};

// The imports run on the loaded model as their commands do, print what they
// logged, and their dialogs' boxes decide what they read.
TEST_F(E2ESceneImportTest, ImportsCompleteTheLoadedModel) {
    const std::string model = FigureModel();
    const std::string pz3 = File("scene.pz3", PoserScene), pzz = Compressed("scene.pzz", PoserScene);
    const std::string ds = File("preset.ds", DazScript());
    const std::vector<std::string> textures = TextureFolder();
    const std::vector<std::string> daz{"--daz-script", ds, textures[0], textures[1]};
    const std::vector<ImportCase> cases{
        {"poser",
         {"--poser-scene", pz3},
         {"poser-scene Material Skin loaded", "poser-scene Loaded camera: MAIN_CAMERA", "poser-scene 1 light imported",
          "poser-scene Done loading scene", "lights 1"},
         {}},
        {"poser, packed: unpacked once for its three passes",
         {"--poser-scene", pzz},
         {"poser-scene Material Skin loaded", "poser-scene Loaded camera: MAIN_CAMERA", "poser-scene 1 light imported"},
         {},
         1},
        {"poser, packed under the name .pz3: unpacked by its content",
         {"--poser-scene", Compressed("packed.pz3", PoserScene)}, {"poser-scene Material Skin loaded"}, {}, 1},
        {"no camera, no lights",
         {"--set", "Form3.CheckBox1=0", "--set", "Form3.CheckBox2=0", "--poser-scene", pz3},
         {"poser-scene Material Skin loaded", "lights 0"},
         {"poser-scene Loaded camera: MAIN_CAMERA"}},
        {"daz", daz, {"daz-script 2 lights read", "daz-script 1 cameras read", "lights 2"}, {}},
        {"daz without lights",
         {"--set", "Form7.CheckBox1=0", "--daz-script", ds, textures[0], textures[1]},
         {"daz-script 1 cameras read", "lights 0"},
         {"daz-script 2 lights read"}},
        {"both",
         {"--poser-scene", pz3, "--daz-script", ds, textures[0], textures[1]},
         {"poser-scene 1 light imported", "daz-script 2 lights read", "lights 2"},
         {}},
    };
    for (const ImportCase& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(model);
        const RunResult run = Start(args);
        EXPECT_EQ(run.status, 0) << c.what << run.err;
        EXPECT_EQ(run.err, "") << c.what;
        EXPECT_NE(run.out.find("faces 2\n"), std::string::npos) << c.what << run.out;
        for (const std::string& line : c.present)
            EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << c.what << ": " << line << "\n" << run.out;
        for (const std::string& line : c.absent)
            EXPECT_EQ(run.out.find(line + "\n"), std::string::npos) << c.what << ": " << line;
        std::size_t unpackings = 0;
        for (std::size_t at = run.out.find("Decompressing"); at != std::string::npos;
             at = run.out.find("Decompressing", at + 1))
            ++unpackings;
        EXPECT_EQ(unpackings, c.unpackings) << c.what << run.out;
    }
}

// What the imports changed reaches the written files.
TEST_F(E2ESceneImportTest, ImportedMaterialsAndLightsAreWritten) {
    const std::string model = FigureModel();
    const fs::path out = folder / "out";
    std::vector<std::string> args = TextureFolder();
    for (const std::string& a : {std::string("--out"), out.string(), std::string("--poser-scene"),
                                 File("scene.pz3", PoserScene), std::string("--daz-script"),
                                 File("preset.ds", DazScript()), model})
        args.push_back(a);
    const RunResult run = Start(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string mtl = fixtures::ReadFileBytes((out / "fig.mtl").string());
    const std::size_t skin = mtl.find("newmtl Skin\n");
    ASSERT_NE(skin, std::string::npos) << mtl;
    EXPECT_EQ(mtl.find("Kd 1 0 0\n", skin), mtl.find("Kd ", skin)) << mtl;  // the scene's red
    const std::string pov = fixtures::ReadFileBytes((out / "fig_POV_scene.pov").string());
    std::size_t lights = 0;
    for (std::size_t p = pov.find("light_source {"); p != std::string::npos; p = pov.find("light_source {", p + 1))
        ++lights;
    EXPECT_EQ(lights, 2u) << pov;  // the script's lights replaced the Poser scene's
}

// With a DAZ|Studio script the OBJ's materials are read as that import reads
// them: a diffuse colour makes the material blend with its map.
TEST_F(E2ESceneImportTest, DazScriptReadsTheObjAsItsImportDoes) {
    const std::string model = FigureModel();
    const std::string ds = File("preset.ds", DazScript());
    const auto hairBlend = [&](std::vector<std::string> args) {
        const fs::path out = folder / "out";
        std::error_code ec;
        fs::remove_all(out, ec);
        for (const std::string& a : {std::string("--out"), out.string(), model}) args.push_back(a);
        const RunResult run = Start(args);
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string mtl = fixtures::ReadFileBytes((out / "fig.mtl").string());
        const std::size_t hair = mtl.find("newmtl Hair\n"), blend = mtl.find("#blend ", hair);
        return hair == std::string::npos || blend == std::string::npos ? std::string()
                                                                        : mtl.substr(blend, mtl.find('\n', blend) - blend);
    };
    std::vector<std::string> daz = TextureFolder();
    daz.push_back("--daz-script");
    daz.push_back(ds);
    EXPECT_EQ(hairBlend(daz), "#blend 1");
    EXPECT_EQ(hairBlend({}), "#blend 0");
}

// A scene or script that is missing or cannot be read fails the run as a
// model does: its error on stderr, exit status 1, nothing written.
TEST_F(E2ESceneImportTest, BrokenScenesExitWithOne) {
    const std::string model = FigureModel();
    const std::vector<std::string> textures = TextureFolder();
    const struct {
        std::vector<std::string> options;
        std::string error;
    } cases[] = {
        {{"--poser-scene", File("cut.pz3", "figure\n{\nmaterial Skin\n{\nKdColor 1 0\n}\n}\n")},
         "mirelan_e2e: poser-scene: Material SKIN of cut.pz3 ends before the value of KDCOLOR"},
        {{"--poser-scene", File("bad.pzz", std::string("\x1f\x8b\x08\x00\0\0\0\0\0\x03garbage", 17))},
         "mirelan_e2e: poser-scene: Poser scene bad.pzz is damaged: invalid block type\n"},
        // Unpacked once, what is still packed is no scene.
        {{"--poser-scene", Compressed("twice.pzz", fixtures::ReadFileBytes(Compressed("once.pzz", PoserScene)))},
         "mirelan_e2e: poser-scene: twice.pzz is not a Poser scene: it is packed more than once\n"},
        {{"--poser-scene", (folder / "missing.pz3").string()}, "mirelan_e2e: Poser scene file not found."},
        {{"--daz-script", File("bad.ds", DazScript("yes")), textures[0], textures[1]},
         "mirelan_e2e: daz-script: The value yes of #mirelan_lite_shadow_1 in bad.ds is not a whole number"},
        {{"--daz-script", (folder / "missing.ds").string(), textures[0], textures[1]},
         "mirelan_e2e: DAZ|Studio light preset not found."},
        {{"--daz-script", File("ok.ds", DazScript()), "--set", "Form7.Edit2=" + (folder / "none").string()},
         "mirelan_e2e: DAZ|Studio texture directory not found."},
    };
    for (const auto& c : cases) {
        const fs::path out = folder / "out";
        std::vector<std::string> args = c.options;
        for (const std::string& a : {std::string("--out"), out.string(), model}) args.push_back(a);
        const RunResult run = Start(args);
        EXPECT_EQ(run.status, 1) << c.error;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.error << "\n" << run.err;
        EXPECT_NE(run.out.find("faces 2\n"), std::string::npos) << run.out;  // the model stays loaded
        std::error_code ec;
        EXPECT_TRUE(fs::is_empty(out, ec)) << c.error;  // nothing written
        fs::remove_all(out, ec);
    }
}

}  // namespace
