// The Poser and DAZ|Studio scene imports driven as the window drives them:
// the dialog confirmed by the test, a gzip-compressed Poser scene, a
// DAZ|Studio light preset, and the warnings before anything is loaded.
#include <zlib.h>

#include <cmath>

#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "ui/core/LoadDrivers.h"
#include "model/TextConv.h"
#include "tests/fixtures/Fixtures.h"

namespace {

namespace fs = std::filesystem;

std::string Channel(const std::string& keyword, double value) {
    return "\t\t" + keyword + " chan\n\t\t\t{\n\t\t\tkeys\n\t\t\t\t{\n\t\t\t\tk 0 " + std::to_string(value) +
           "\n\t\t\t\t}\n\t\t\t}\n";
}

std::string Light(const std::string& name, int on) {
    return "light LIGHT\n\t{\n\tname " + name + "\n\tchannels\n\t\t{\n" + Channel("kdIntensity", 1) +
           Channel("translateX", 1) + "\t\t}\n\tlightType 2\n\tdoShadow 1\n\tlightOn " + std::to_string(on) + "\n\t}\n";
}

// A Poser scene: the material of the model with its map, the main camera
// of the given focal length, a light that is on and one that is off.
std::string PoserScene(double focal) {
    std::string s = "version\n\t{\n\tnumber 5\n\t}\nfigure\n\t{\n\tmaterial Skin\n\t\t{\n\t\tKdColor 1 1 1 1\n"
                    "\t\ttextureMap \"C:\\Poser\\Runtime:Textures:skin.jpg\"\n\t\t}\n\t}\n";
    s += "camera MAIN_CAMERA\n\t{\n\tname MAIN_CAMERA\n\tchannels\n\t\t{\n" + Channel("focal", focal) +
         Channel("translateX", 0.5) + Channel("translateY", 1) + Channel("translateZ", 2) + Channel("rotateX", -10) +
         Channel("rotateY", 20) + Channel("rotateZ", 5) + Channel("scale", 2) + "\t\t}\n\t}\n";
    s += Light("Sun", 1) + Light("Dark", 0);
    return s + "doc\n\t{\n\tuseCamera MAIN_CAMERA\n\tdimensions 320 240\n\t}\n";
}

const char* const DazLights =
    "var m_aNewLights = [\n\t[ \"Key\", DzSpotLight ] ];\n"
    "function createLight( oLight, nLight )\n{\n\tswitch( nLight ){\n\t\tcase 0:\n"
    "\t\t\toLight.set( \"XTranslate\", 0, 240 );\n\t\t\tbreak;\n\t\tdefault:\n\t}\n}\n";

class SceneImportTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        // As Poser exports it: the material's map named without a folder.
        Write("figure/figure.mtl", "newmtl Skin\nKd 1 1 1\nmap_Kd skin.jpg\n");
        obj = WriteObj("figure/figure.obj", 0, "figure.mtl", "Skin");
        WriteJpeg("textures/poser/skin.jpg", 8, 8);
    }
    std::string WriteCompressed(const std::string& name, const std::string& text) {
        const std::string path = (dir / name).string();
        gzFile gz = gzopen(path.c_str(), "wb");
        gzwrite(gz, text.data(), static_cast<unsigned>(text.size()));
        gzclose(gz);
        return path;
    }
    void Import(const char* command) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run(command);
    }
    std::string obj;
};

TEST_F(SceneImportTest, APoserSceneFromAGzipPzz) {
    Form3.Edit1.text = obj;
    Form3.Edit2.text = WriteCompressed("scene.pzz", PoserScene(50));
    Form3.Memo1.lines = {(dir / "textures").string(), "", (dir / "gone").string()};
    Import("Form1.PoserScene1");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Directory " + (dir / "gone").string() + " not found."});
    EXPECT_EQ(SceneMaterials.at(0).colorMap.str(), (dir / "textures/poser/skin.jpg").string());
    // The camera: 2 atan(25.4 / 100) degrees, the pan and distance scaled.
    EXPECT_NEAR(TextToFloat(Form1.Edit14.text), 28.5, 0.05);
    EXPECT_NEAR(TextToFloat(Form1.Edit17.text), (2 + 1.1042) * 2, 1e-6);
    EXPECT_EQ(Form1.Edit18.text + " " + Form1.Edit19.text + " " + Form1.Edit20.text, "5 20 -10");
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8), std::vector<std::string>{"MAIN_CAMERA-scene.pzz"});
    // The lights: the one that is off is dropped, the other named after the file.
    ASSERT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Lights[0].name, "(scene.pzz) SUN");
    EXPECT_TRUE(Logged("1 light imported") && Logged("Decompressing scene.pzz...") && Logged("Done loading scene"));
    EXPECT_EQ(Form1.UpDown7.position, 80);  // "Cleanup geometry"
    for (const auto& entry : fs::directory_iterator(dir))  // the unpacked scene is gone
        EXPECT_FALSE(entry.path().filename().string().starts_with("mirelantemp")) << entry.path();

    // Again: the lights are replaced, one more camera preset is stored; a
    // camera of focal length 0 has the angle 19.
    Form3.Edit2.text = Write("scene.pz3", PoserScene(0));
    Import("Form1.PoserScene1");
    EXPECT_EQ(Lights.size() + Form1.ComboBox8.Count(), 3u);
    EXPECT_EQ(Form1.Edit14.text, "19.0");
}

TEST_F(SceneImportTest, ADazStudioPresetAndTheFolderAboveTheTextures) {
    fs::create_directories(dir / "textures" / "daz");
    Form7.Edit1.text = obj;
    Form7.Edit2.text = (dir / "textures" / "daz").string();  // the map lies beside it, in poser/
    Form7.Edit3.text = Write("presets/lights.ds", DazLights);
    Form7.Edit4.text = "";  // on, but blank: no camera
    Import("Form1.DAZStudioScene1");
    EXPECT_TRUE(prompts.shown.empty() && Cameras.empty() && Scene.dazSceneLoading == 0);
    EXPECT_EQ(Lights.at(0).name, "Key");
    EXPECT_EQ(SceneMaterials[0].colorMap.str(), (dir / "textures/poser/skin.jpg").string());
    EXPECT_EQ(Form7.Edit2.text, (dir / "textures" / "daz").string());  // the box keeps the chosen folder

    Form7.CheckBox1.checked = false;
    Commands().Run("Form7.CheckBox1");
    EXPECT_FALSE(Form7.Edit3.enabled || Form7.Button5.enabled);
    EXPECT_TRUE(Form7.Edit4.enabled && Form7.Button6.enabled);
}

TEST_F(SceneImportTest, LightsAndCamerasFromAPoserSceneAndADamagedOne) {
    BatchFiles = {obj};
    LoadSelectedModels();
    tlight mine;
    NewLight(mine);
    mine.name = "Mine";
    Lights = {mine};
    Form1.ComboBox2.index = 0;
    // A damaged scene: an error box, and the lights stay as they were.
    prompts.fileAnswers = {{Write("broken.pz3", Light("Sun", 1) + "light L\n{\nname Two\nlightType\n}\n")}};
    Commands().Run("Form1.BitBtn8");
    EXPECT_EQ(prompts.shown.at(0).kind, MessageKind::Error);
    EXPECT_EQ(Lights.size(), 1u);
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), std::vector<std::string>{"Mine"});

    const std::string scene = Write("scene.pz3", PoserScene(50));
    prompts.fileAnswers = {{scene}, {scene}};
    Commands().Run("Form1.BitBtn8");  // "From file..." of the lights
    Commands().Run("Form1.BitBtn4");  // and of the cameras
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox2), std::vector<std::string>{"(scene.pz3) SUN"});
    EXPECT_EQ(fixtures::ComboItems(Form1.ComboBox8), std::vector<std::string>{"MAIN_CAMERA-scene.pz3"});
}

TEST_F(SceneImportTest, MissingFilesAreReportedBeforeAnythingLoads) {
    const std::string gone = (dir / "gone").string();
    Form3.Edit1.text = Form3.Edit2.text = gone;
    Import("Form1.PoserScene1");
    Form7.Edit1.text = Form7.Edit2.text = Form7.Edit3.text = Form7.Edit4.text = gone;
    Import("Form1.DAZStudioScene1");
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"OBJ File not found.", "Poser scene file not found.",
                                                     "OBJ File not found.", "DAZ|Studio light preset not found.",
                                                     "DAZ|Studio camera preset not found.",
                                                     "DAZ|Studio texture directory not found."}));
    EXPECT_TRUE(SceneFaces.empty());

    // The browse buttons take the file into their box; "Add..." a folder.
    Form1.OpenDialog1.fileName = obj;
    prompts.fileAnswers = {{gone + ".pzz"}};
    Commands().Run("Form3.Button2");
    EXPECT_EQ(Form3.Edit2.text, gone + ".pzz");
    EXPECT_EQ(prompts.fileDialogs.at(0).fileName, "");  // an OBJ name is no scene: blanked
    dialogs.results = {ModalResult::Ok};
    Form6.directory = dir.string();
    Form3.Memo1.lines.clear();
    Commands().Run("Form3.Button3");
    EXPECT_EQ(Form3.Memo1.lines, std::vector<std::string>{dir.string()});
}

}  // namespace
