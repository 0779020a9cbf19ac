// Renders written scenes with the real POV-Ray (skipped when it is not
// installed) as the program starts it, with no settings file of the user's
// ($POVINI unset, a home of its own): the scene file parses for every
// camera, light, ground, sky, placeholder and radiosity choice, and a saved
// model shows up in front of the camera, whether saved in-process or by the
// end-to-end driver.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/Extents.h"
#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/MtlReader.h"
#include "tests/fixtures/Fixtures.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/core/ExportDriver.h"
#include "ui/core/LoadDrivers.h"
#include "writers/Export.h"

namespace {

namespace fs = std::filesystem;

bool HaveProgram(const char* name) {
    return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A picture read from a binary PPM (P6, 8 bits).
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool Read(const fs::path& path) {
        const std::string data = ReadText(path);
        std::size_t pos = 0;
        auto token = [&]() {
            while (pos < data.size()) {
                if (data[pos] == '#') {
                    while (pos < data.size() && data[pos] != '\n') ++pos;
                } else if (std::isspace(static_cast<unsigned char>(data[pos]))) {
                    ++pos;
                } else {
                    break;
                }
            }
            const std::size_t start = pos;
            while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
            return data.substr(start, pos - start);
        };
        if (token() != "P6") return false;
        width = std::atoi(token().c_str());
        height = std::atoi(token().c_str());
        const int maxval = std::atoi(token().c_str());
        ++pos;  // the one blank after the header
        if (width <= 0 || height <= 0 || maxval != 255) return false;
        const std::size_t size = static_cast<std::size_t>(width) * height * 3;
        if (data.size() < pos + size) return false;
        const auto first = data.begin() + static_cast<std::ptrdiff_t>(pos);
        rgb.assign(first, first + static_cast<std::ptrdiff_t>(size));
        return true;
    }
};

// Pixels that differ by more than 24 in a channel.
int DifferentPixels(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (std::size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::abs(a.rgb[i + c] - b.rgb[i + c]) > 24) {
                ++n;
                break;
            }
    return n;
}

struct RenderResult {
    int status = -1;
    std::string log;
    Picture picture;
    bool pictureRead = false;
};

// Runs POV-Ray in `folder` (its working folder, where Debian's POV-Ray may
// write) on `input` (a scene or an INI file), with small PPM output.
RenderResult Render(const fs::path& folder, const std::string& input, const std::string& extra = "",
                    int width = 64, int height = 48) {
    const std::string output = "render_" + std::to_string(::getpid()) + ".ppm";
    const std::string command = "cd " + Quote(folder.string()) + " && povray " + Quote(input) + " " + extra +
                                " -D +W" + std::to_string(width) + " +H" + std::to_string(height) + " +FP +O" +
                                output + " >render.log 2>&1";
    RenderResult r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.log = ReadText(folder / "render.log");
    r.pictureRead = r.picture.Read(folder / output);
    fs::remove(folder / output);
    return r;
}

// A parse error stops POV-Ray; "Possible Parse Error" is a warning.
bool HasParseError(const std::string& log) {
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.find("Parse Error") != std::string::npos && line.find("Possible Parse Error") == std::string::npos)
            return true;
    return log.find("Fatal error") != std::string::npos;
}

#define EXPECT_RENDERED(r)                                           \
    do {                                                             \
        EXPECT_EQ((r).status, 0) << (r).log;                         \
        EXPECT_FALSE(HasParseError((r).log)) << (r).log;             \
        EXPECT_TRUE((r).pictureRead) << "no picture\n" << (r).log;   \
    } while (0)

// The scene file with the model object at its end taken out: the same
// picture without the model.
void WriteWithoutModel(const fs::path& scene, const fs::path& copy) {
    const std::string text = ReadText(scene);
    const std::size_t at = text.find("//Assembled object that is contained in");
    ASSERT_NE(at, std::string::npos);
    std::ofstream(copy, std::ios::binary) << text.substr(0, at);
}

class PovRenderTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        if (!HaveProgram("povray")) GTEST_SKIP() << "povray is not installed";
        ResetOptionsToDefaults();
        folder = fs::path(testing::TempDir()) /
                 ("povray-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        noSettings = std::make_unique<fixtures::ScopedEnv>("POVINI", nullptr);
        home = std::make_unique<fixtures::ScopedEnv>("HOME", folder.string());
        Form2.Edit1.text = folder.string();
        Form9.glView1 = {640, 480};
        Scene.modelFile = (folder / "cube.obj").string();
        Form1.Edit68.text = "cube_POV_main.ini";
        Form1.Edit2.text = "cube_POV_scene.pov";
        Form1.Edit13.text = "cube_POV_geom.inc";
        Form1.Edit12.text = "cube_POV_mat.inc";
        Form1.Edit61.text = "cube.png";
        BatchFiles = {"junk"};
        fixtures::AddCube(2.0, {0.5, 1, -0.25});
        ComputeExtents();
        PlaceCamera();
        Scene.backgroundColor = 0xFF0000;  // blue
    }
    void TearDown() override {
        home.reset();
        noSettings.reset();
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
        ResetOptionsToDefaults();
        ModelTest::TearDown();
    }
    // The camera of the preview's reset: in front of the model at twice its
    // diagonal, looking at its centre from above and the side.
    void PlaceCamera() {
        Scene.translation = Scene.extents.center;
        Scene.cameraLocation = {0, 0, 2 * Scene.extents.diagonal};
        Scene.fieldOfView = 25;
        Form1.Edit18.text = "0";
        Form1.Edit20.text = "-25";
        Form1.Edit19.text = "45";
        Form1.Edit34.text = "-1.0";
        Form1.Edit35.text = "1.0";
    }
    // The scene file alone, with a geometry include of our own that
    // declares the model as a box.
    std::string WriteSceneOnly() {
        SetSaveChoices(SaveKind::PovRay);
        Scene.writeIni = Scene.writeGeometryInclude = Scene.writeMaterialInclude = 0;
        std::ofstream(folder / "cube_POV_geom.inc")
            << "#declare cube_=box{<-0.5,0,-1.25>,<1.5,2,0.75> pigment{rgb <1,0.8,0.2>} finish{ambient 0.2}}\n";
        ExportModelFiles(Scene);
        return "cube_POV_scene.pov";
    }
    // Renders the saved scene through its INI file, with and without the
    // model, and returns the number of pixels the model changes.
    int ModelPixels(std::string_view what, const fs::path& dir) {
        SCOPED_TRACE(what);
        const RenderResult with = Render(dir, "cube_POV_main.ini");
        EXPECT_RENDERED(with);
        WriteWithoutModel(dir / "cube_POV_scene.pov", dir / "no_model.pov");
        const RenderResult without = Render(dir, "cube_POV_main.ini", "+Ino_model.pov");
        EXPECT_RENDERED(without);
        return DifferentPixels(with.picture, without.picture);
    }

    // A scene that places the object of a Moray geometry include (which
    // includes the Moray material include) in front of a camera.
    std::string MorayScene(const std::string& include, const std::string& object) {
        std::ofstream(folder / "moray.pov") << "global_settings{assumed_gamma 1}\n"
                                               "camera{location <0,2,-8> look_at <0,0,0>}\n"
                                               "light_source{<5,5,-5> rgb 1}\n#include \""
                                            << include << "\"\nobject{" << object << "}\n";
        return "moray.pov";
    }
    // Saves the model as the POV-Ray save and as the Moray save does and
    // renders each.
    std::vector<RenderResult> SaveAndRenderBoth(const std::string& object) {
        std::vector<RenderResult> results;
        SetSaveChoices(SaveKind::PovRay);
        EXPECT_TRUE(WriteOutputFiles());
        results.push_back(Render(folder, Form1.Edit68.text, "-A", 16, 16));
        SetSaveChoices(SaveKind::Moray);
        EXPECT_TRUE(WriteOutputFiles());
        results.push_back(Render(folder, MorayScene(Form1.Edit29.text, object), "-A", 16, 16));
        return results;
    }

    fs::path folder;
    std::unique_ptr<fixtures::ScopedEnv> noSettings, home;
};

// One test per background choice, so that they render side by side.
class PovSkyTest : public PovRenderTest, public testing::WithParamInterface<int32_t> {};

TEST_P(PovSkyTest, SceneFileParses) {
    std::ofstream(folder / "sky.ppm", std::ios::binary) << "P6\n2 1\n255\n\x80\x80\xff\xff\xff\xff";
    BackgroundMapName = (folder / "sky.ppm").string();
    Form1.ComboBox1.index = GetParam();
    const RenderResult r = Render(folder, WriteSceneOnly(), "-A", 24, 16);
    EXPECT_RENDERED(r);
}

INSTANTIATE_TEST_SUITE_P(EveryBackground, PovSkyTest, testing::Range(0, 31));

TEST_F(PovRenderTest, SceneFileParsesForEveryCameraLightAndShape) {
    // Lights of every kind, one of an unknown kind, a shadowless one.
    for (int32_t kind : {0, 1, 2, 3, 9}) {  // parallel, spot, area, point, unknown
        tlight l;
        NewLight(l);
        l.name = "Light " + std::to_string(kind);
        l.kind = kind;
        l.position = {3, 4, 5};
        l.pointAt = Scene.extents.center;
        l.jitter = kind == LightArea;
        l.shadow = kind == LightPoint ? 0 : 1;
        l.intensity = 0.5;
        l.elevation = 40;
        l.rotation = 30;
        Lights.push_back(l);
    }
    Form1.CheckBox8.checked = true;  // ground
    Form1.Edit36.text = "-0,5";
    Form1.CheckBox61.checked = true;
    for (int kind : {0, 1, 2, 4}) {  // box, ball, cone, unknown
        tplaceholder p;
        NewPlaceholder(p);
        p.kind = static_cast<uint8_t>(kind);
        p.position = {2, 0.5, 0};
        p.rotation = {10, 20, 30};
        Placeholders.push_back(p);
    }
    struct Case {
        const char* name;
        bool orthographic, spherical, focalBlur;
        int32_t radiosity;
    };
    for (const Case& c : {Case{"perspective", false, false, false, 0}, Case{"focal blur", false, false, true, 0},
                          Case{"orthographic", true, false, false, 1}, Case{"spherical", false, true, false, 5},
                          Case{"roll with a comma", false, false, false, 12}}) {
        SCOPED_TRACE(c.name);
        Scene.orthographic = c.orthographic;
        Form1.CheckBox20.checked = c.spherical;
        Form1.CheckBox25.checked = c.focalBlur;
        Form1.ComboBox14.index = c.radiosity;
        Form1.Edit18.text = c.radiosity == 12 ? "12,5" : "0";
        const RenderResult r = Render(folder, WriteSceneOnly(), "-A", 24, 16);
        EXPECT_RENDERED(r);
    }
}

// The whole POV-Ray save: INI, scene file, geometry and material include.
TEST_F(PovRenderTest, SavedModelShowsUpForEveryCamera) {
    struct Case {
        const char* name;
        bool orthographic, spherical, focalBlur;
        int minimum;  // pixels the model changes at least
    };
    for (const Case& c : {Case{"perspective", false, false, false, 300}, Case{"focal blur", false, false, true, 300},
                          Case{"orthographic", true, false, false, 300}, Case{"spherical", false, true, false, 10}}) {
        Scene.orthographic = c.orthographic;
        Form1.CheckBox20.checked = c.spherical;
        Form1.CheckBox25.checked = c.focalBlur;
        SetSaveChoices(SaveKind::PovRay);
        ASSERT_TRUE(WriteOutputFiles());
        EXPECT_GE(ModelPixels(c.name, folder), c.minimum) << c.name;
    }
}

// POV-Ray cannot open a map whose path holds letters beyond ASCII: the save
// names each such map once, and a copy under a clean name renders.
TEST_F(PovRenderTest, MapsPovRayCannotOpenAreNamed) {
    const fs::path maps = folder / "cartes dossi\xC3\xA9";
    fs::create_directories(maps);
    for (const char* name : {"plain.tga", "t\xC3\xABx.tga", "sky.tga"})
        std::ofstream(maps / name, std::ios::binary) << std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\1\2\3", 21);
    const std::string plain = (maps / "plain.tga").string(), accented = (maps / "t\xC3\xABx.tga").string();
    BackgroundMapName = (maps / "sky.tga").string();
    Form1.ComboBox1.index = 1;
    SceneMaterials[0].colorMap = SceneMaterials[0].transparencyMap = plain;
    SceneMaterials[0].bumpMap = accented;
    Form2.CheckBox43.checked = false;  // copies as they are
    Form2.CheckBox28.enabled = true;
    const std::string line = "<!>POV-Ray cannot open the map ", name = ": its name holds letters beyond ASCII",
                      inFolder = ": the name of its folder holds letters beyond ASCII (copying the maps with file "
                                 "paths off helps)";
    const struct { const char* what; bool copy, fixNames; std::vector<std::string> lines; } cases[] = {
        {"paths", false, false, {line + plain + inFolder, line + accented + name, line + BackgroundMapName + inFolder}},
        {"copies", true, false, {line + "t\xC3\xABx.tga" + name}},
        {"clean copies", true, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Form2.CheckBox16.checked = c.copy;
        Form2.CheckBox27.checked = !c.copy;
        Form2.CheckBox28.checked = c.fixNames;
        ClearMessagesPage();
        SetSaveChoices(SaveKind::PovRay);
        ASSERT_TRUE(WriteOutputFiles());
        std::vector<std::string> lines;
        for (const std::string& m : Messages())
            if (m.starts_with(line)) lines.push_back(m);
        EXPECT_EQ(lines, c.lines);
        const RenderResult r = Render(folder, "cube_POV_main.ini", "-A", 24, 16);
        EXPECT_EQ(r.status == 0 && r.pictureRead, c.lines.empty()) << r.log;
        EXPECT_EQ(r.log.find("Cannot open file") != std::string::npos, !c.lines.empty()) << r.log;
    }
}

// A downloaded model's material text that calls a macro of the standard
// includes (one that writes any file) is loaded switched off, so that the
// saved scene renders without writing the file; switched on, the same text
// writes it, which shows that the render would.
TEST_F(PovRenderTest, AModelsMaterialTextWritesNoFileWhenTheSceneRenders) {
    tmaterial& m = SceneMaterials[0];
    m.name = "Evil";
    ReadMTLBytes(MtlTargetScene, Scene, 0,
                 "newmtl Evil\n#povmaterial material{texture{pigment{rgb 1}} Parse_String(concat(chr(35),"
                 "\"fopen F \",chr(34),\"written.txt\",chr(34),\" write \",chr(35),\"write(F,\",chr(34),\"x\",chr(34),"
                 "\") \",chr(35),\"fclose F \"))}\n");
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "switched on" : "as loaded");
        EXPECT_EQ(m.customTextActive, on ? 1 : 0);
        SetSaveChoices(SaveKind::PovRay);
        ASSERT_TRUE(WriteOutputFiles());
        const RenderResult r = Render(folder, "cube_POV_main.ini", "", 32, 32);
        EXPECT_RENDERED(r);
        EXPECT_EQ(fs::exists(folder / "written.txt"), on);
        m.customTextActive = 1;
    }
}

// Material texts of a model file, each harmless-looking alone, that would
// together call a macro while the scene renders: a name at the end of one
// text (or inside braces it leaves open) takes as its call the "(" of a later
// text, past the declarations, comments and plain materials between. Loaded,
// they stay switched off and the POV-Ray and the Moray material include
// render; switched on all the same, every text is closed with ";" and no
// macro runs. Texts that can run nothing stay switched on.
TEST_F(PovRenderTest, NoSequenceOfMaterialTextsCallsAMacro) {
    Form1.Edit29.text = "cube_moray.inc";
    Form1.Edit82.text = "cube_moray_mat.inc";
    Form1.Edit11.text = "cube_moray.udo";
    const std::string call = "(\"#fopen P \\\"written.txt\\\" write #fclose P\")",
                      white = "material{texture{pigment{rgb 1}}}";
    const std::vector<std::vector<std::string>> forms = {
        {"Parse_String", white + " " + call},
        {white + " // red?Parse_String", white + call},  // "?" is a carriage return
        {"texture{pigment{Parse_String", "pigment{rgb 1}" + call},
        {"Parse_String", "", "", "material{M_Glass}/* */" + call},  // "": a plain material
    };
    // Materials M0, M1, ... after the cube's own, with these texts.
    const auto setTexts = [](const std::vector<std::string>& texts) {
        SceneMaterials.resize(1);
        std::string mtl;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            tmaterial m;
            NewMaterial(m);
            m.name = "M" + std::to_string(i);
            SceneMaterials.push_back(m);
            if (!texts[i].empty()) mtl += "newmtl M" + std::to_string(i) + "\n#povmaterial " + texts[i] + "\n";
        }
        ReadMTLBytes(MtlTargetScene, Scene, 0, mtl);
    };
    const auto nothingRan = [this] {
        for (const char* file : {"written.txt", "parse_string.tmp"}) EXPECT_FALSE(fs::exists(folder / file)) << file;
    };
    const std::vector<std::string> usable = {"M_Glass", "material{M_Glass}; // a comment after the \";\"",
                                             "material{texture{T_Wood3}} // a comment at the end"};
    std::vector<std::string> loaded = usable;
    for (const auto& form : forms) loaded.insert(loaded.end(), form.begin(), form.end());
    setTexts(loaded);
    for (std::size_t i = 0; i < loaded.size(); ++i)
        EXPECT_EQ(SceneMaterials[i + 1].customTextActive, i < usable.size() ? 1 : 0) << loaded[i];
    for (const RenderResult& r : SaveAndRenderBoth("cube_")) EXPECT_RENDERED(r);
    nothingRan();

    for (const auto& form : forms) {
        SCOPED_TRACE(form[0] + " ... " + form.back());
        setTexts(form);
        for (tmaterial& m : SceneMaterials) m.customTextActive = !m.customText.empty();
        SaveAndRenderBoth("cube_");
        nothingRan();
    }
}

// POV-Ray meshes naming textures of the standard include files in their own
// letter case (a pigment among them) or writing one out, and the program's
// own geometry include read back, whose materials are declared in a file not
// read: saved again, each renders through the POV-Ray and the Moray material
// include. A model and a material named after a macro of the include files
// (HFCreate_) get identifiers of their own.
TEST_F(PovRenderTest, PovRayMeshesRenderOnceLoadedAndSaved) {
    SceneMaterials[0].name = "HFCreate";
    SetSaveChoices(SaveKind::PovRay);
    ASSERT_TRUE(WriteOutputFiles());
    const fs::path models = folder / "models";
    fs::create_directories(models);
    fs::copy_file(folder / "cube_POV_geom.inc", models / "own.inc");
    std::ofstream(models / "HFCreate.inc") << "mesh {\n"
                                              " triangle{<0,0,0>,<1,0,0>,<0,1,0> texture{T_Stone1}}\n"
                                              " triangle{<0,0,1>,<1,0,1>,<0,1,1> texture{T_Wood3}}\n"
                                              " triangle{<0,0,2>,<1,0,2>,<0,1,2> texture{Jade}}\n"
                                              " triangle{<0,0,3>,<1,0,3>,<0,1,3> texture{pigment{rgb 1}}}\n}\n";
    std::ofstream(models / "rock.inc") << "#declare Rock = mesh2 {\n"
                                          " vertex_vectors{4,<0,0,0>,<1,0,0>,<0,1,0>,<1,1,0>}\n"
                                          " texture_list{3, texture{T_Stone1} texture{T_Wood3} texture{Jade}}\n"
                                          " face_indices{3,<0,1,2>,0,<1,3,2>,1,<0,3,1>,2}\n}\n";
    // Each model with the name of its scene object.
    for (const auto& [name, object] : {std::pair{"HFCreate", "HFCreate__"}, {"rock", "rock_"}, {"own", "own_"}}) {
        SCOPED_TRACE(name);
        ClearModel();
        ASSERT_EQ(LoadModelFile((models / (std::string(name) + ".inc")).string()), LoadResult::Loaded);
        for (const RenderResult& r : SaveAndRenderBoth(object)) EXPECT_RENDERED(r);
    }
}

class E2ERenderTest : public PovRenderTest {};

// The end-to-end driver writes every output of a loaded model; the POV-Ray
// files render the model.
TEST_F(E2ERenderTest, DriverOutputsRender) {
    const fs::path model = folder / "model" / "cube.raw";
    fs::create_directories(model.parent_path());
    std::ofstream(model) << "Box\n"
                            "0 0 0 1 0 0 1 1 0\n0 0 0 1 1 0 0 1 0\n"
                            "0 0 1 1 1 1 1 0 1\n0 0 1 0 1 1 1 1 1\n"
                            "0 0 0 0 0 1 1 0 1\n0 0 0 1 0 1 1 0 0\n"
                            "0 1 0 1 1 0 1 1 1\n0 1 0 1 1 1 0 1 1\n"
                            "0 0 0 0 1 0 0 1 1\n0 0 0 0 1 1 0 0 1\n"
                            "1 0 0 1 0 1 1 1 1\n1 0 0 1 1 1 1 1 0\n";
    const fs::path out = folder / "out";
    const std::string command = Quote(MIRELAN_E2E_BINARY) + " --out " + Quote(out.string()) + " " +
                                Quote(model.string()) + " >" + Quote((folder / "e2e.log").string()) + " 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    ASSERT_EQ(WEXITSTATUS(raw), 0) << ReadText(folder / "e2e.log");
    for (const char* name : {"cube_POV_main.ini", "cube_POV_scene.pov", "cube_POV_geom.inc", "cube_POV_mat.inc",
                             "cube.obj", "cube.mtl", "cube_moray.udo", "cube_moray.inc", "cube_moray_mat.inc",
                             "scene.xml"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    if (HaveProgram("xmllint")) {
        EXPECT_EQ(std::system(("xmllint --noout " + Quote((out / "scene.xml").string())).c_str()), 0);
    }
    EXPECT_GE(ModelPixels("end-to-end", out), 100);
}

}  // namespace
