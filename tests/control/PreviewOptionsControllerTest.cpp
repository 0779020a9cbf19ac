// The Preview tab's "Options" group, its background list with the sky bake
// and "Save Preview...", driven through the dispatcher.
#include <sstream>

#include "PreviewPageFixtures.h"
#include "model/StatusLog.h"
#include "options/ControlTable.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/control/PreviewOptionsController.h"

namespace {

class PreviewOptionsTest : public PreviewPageTest {
protected:
    void SetUp() override {
        PreviewPageTest::SetUp();
        Form1.ComboBox1.items.assign(BackgroundChoices.begin(), BackgroundChoices.end());
    }
    void ChooseBackground(std::string_view item) {
        Form1.ComboBox1.index = static_cast<int32_t>(
            std::find(BackgroundChoices.begin(), BackgroundChoices.end(), item) - BackgroundChoices.begin());
        Commands().Run("Form1.ComboBox1");
    }
    std::string Read(const char* name) const {
        std::stringstream s;
        s << std::ifstream(dir / name).rdbuf();
        return s.str();
    }
    std::string Sky(const char* name) const { return (dir / ("Preview_Sky_" + std::string(name) + ".tga")).string(); }
};

TEST_F(PreviewOptionsTest, OptionsAndTheirEdits) {
    // The line colour with "Outline" and "Points", not with "Group Box Wire".
    for (const auto& [mode, lineColour] : {std::pair{6, true}, {4, false}, {2, true}}) {
        Form1.ComboBox4.index = mode;
        Commands().Run("Form1.ComboBox4");
        EXPECT_EQ(Form1.Label170.visible, lineColour) << mode;
    }
    Form1.UpDown3.position = 10;
    Form1.UpDown4.position = 1;
    Commands().Run("Form1.UpDown3");
    Commands().Run("Form1.UpDown4");
    EXPECT_EQ(std::pair(Form1.Edit24.text, Form1.Edit25.text), std::pair(std::string("1024"), std::string("2")));
    Form1.Edit36.text = "-2";
    Commands().Run("Form1.SpinButton16.Up");  // the ground's height
    EXPECT_EQ(Form1.Edit36.text, "-1.999");
    Form1.Edit70.text = "30";
    Commands().Run("Form1.Edit70");
    EXPECT_EQ(BackgroundRotation, 30);
    const int draws = pageHooks.draws;
    Form1.Edit70.text = "north";  // no number: 0 without a redraw
    Commands().Run("Form1.Edit70");
    EXPECT_EQ(std::pair(BackgroundRotation, pageHooks.draws), std::pair(0.0, draws));
}

TEST_F(PreviewOptionsTest, MapOptionsRebuildOnlyWithAModel) {
    for (const char* command : {"Form1.CheckBox47", "Form1.BitBtn2", "Form1.CheckBox72"}) Commands().Run(command);
    EXPECT_TRUE(pageHooks.calls.empty());
    Scene.modelFile = "model.obj";
    Commands().Run("Form1.CheckBox4");
    EXPECT_TRUE(pageHooks.Called("ReloadMaterialMaps 1") && pageHooks.Called("BuildPreviewLists"));
    // "Apply" reloads the background map only while a map is the background.
    BackgroundMapName = "/maps/sky.tga";
    Commands().Run("Form1.BitBtn2");
    EXPECT_FALSE(pageHooks.Called("Background /maps/sky.tga"));
    Form1.ComboBox1.index = 1;
    Commands().Run("Form1.BitBtn2");
    EXPECT_TRUE(pageHooks.Called("Background /maps/sky.tga") && pageHooks.Called("ReloadMaterialMaps 2"));
    EXPECT_FALSE(IsBusy());
    BackgroundMapName.clear();
}

TEST_F(PreviewOptionsTest, BackgroundColourAndPicture) {
    BackgroundTexture = 7;
    Commands().Run("Form1.ComboBox1");  // "Color...", the dialog cancelled
    EXPECT_EQ(BackgroundTexture, 7);
    prompts.colorAnswers = {0x0000FF};
    Commands().Run("Form1.ComboBox1");
    EXPECT_EQ(std::pair(Scene.backgroundColor, BackgroundTexture), std::pair(0x0000FF, 0));
    EXPECT_TRUE(pageHooks.Called("DeleteTexture 7") && pageHooks.Called("ClearColor 255"));
    BackgroundMapName = "/pictures/old.jpg";
    Form1.CheckBox42.checked = false;
    ChooseBackground("Spherical Map...");  // starts at the map shown; cancelled
    EXPECT_EQ(std::pair(prompts.fileDialogs[0].initialDir, prompts.fileDialogs[0].fileName),
              std::pair(std::string("/pictures/"), std::string("old.jpg")));
    prompts.fileAnswers = {{"/pictures/new.png"}};
    ChooseBackground("Spherical Map...");
    EXPECT_TRUE(pageHooks.Called("Background /pictures/new.png") && Form1.CheckBox42.checked);
    EXPECT_TRUE(Logged("Background map /pictures/new.png loaded"));
    BackgroundMapName.clear();
}

TEST_F(PreviewOptionsTest, SkiesLoadTheirMapOrBakeItFirst) {
    // A map made before loads at once; star fields never ask for the ground.
    std::ofstream(Sky("Starfield")) << "x";
    ChooseBackground("Starfield");
    EXPECT_TRUE(prompts.shown.empty() && shell.requests.empty());
    EXPECT_TRUE(pageHooks.Called("Background " + Sky("Starfield")) && Logged("Background updated"));
    // No map and no POV-Ray: the warning, and the background stays.
    prompts.answers = {Answer::Yes};  // enable the ground
    ChooseBackground("S_Cloud1");
    EXPECT_EQ(prompts.shown.at(0).text, "POV-Ray sky texures work best if the ground is visible. Enable the ground?");
    EXPECT_EQ(prompts.shown.at(1).text, "Select the location of the POV-Ray executable in the export options tab");
    EXPECT_EQ(std::pair(Form1.CheckBox8.checked, Form1.Edit36.text), std::pair(true, std::string("-2")));
    EXPECT_FALSE(pageHooks.Called("Background " + Sky("S_Cloud1")));
    // With POV-Ray: the bake, then the map once POV-Ray made it.
    Form1.Edit52.text = MakeProgram("povray");
    status.onLine = [&](StatusPage, std::string_view line) {
        if (line.starts_with("New texture should have been saved into")) std::ofstream(Sky("Blue_Sky")) << "x";
    };
    prompts.answers = {Answer::Yes, Answer::Ok, Answer::Yes, Answer::Ok};
    ChooseBackground("Blue_Sky");
    EXPECT_EQ(std::pair(shell.requests.at(0).arguments, shell.requests[0].folder),
              std::pair(std::vector<std::string>{"create_image_map.ini", "+KFI1", "+KFF1", "+SF1", "+EF1",
                                                 "+OPreview_Sky_Blue_Sky.tga", "+FT"},
                        dir.string() + "/"));
    EXPECT_EQ(prompts.shown.back().text,
              "Once POV-Ray is finished click OK to load the image " + Sky("Blue_Sky") + " as a background map");
    EXPECT_TRUE(pageHooks.Called("Background " + Sky("Blue_Sky")));
    status.onLine = nullptr;
    ChooseBackground("Blood_Sky");  // a bake that made nothing loads nothing
    EXPECT_TRUE(Logged("<!>The sky map " + Sky("Blood_Sky") + " was not made"));
    EXPECT_FALSE(pageHooks.Called("Background " + Sky("Blood_Sky")));
    // A bake that will be refused asks nothing first: the ground stays off.
    Form1.CheckBox8.checked = false;
    std::ofstream(dir / "skies.inc") << "x";
    prompts.shown.clear();
    ChooseBackground("S_Cloud2");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, MessageKind::Warning);
    EXPECT_FALSE(Form1.CheckBox8.checked);
}

TEST_F(PreviewOptionsTest, SkyBakeFiles) {
    Scene.extents.diagonal = 2;
    Scene.backgroundColor = 0x336699;
    Form1.CheckBox8.checked = true;
    Form1.ComboBox1.index = 9;  // Blue_Sky
    CreateSkyMap("/out/sky.tga");
    EXPECT_EQ(Read("create_image_map.pov"),
              "#include \"stdinc.inc\"\n#include \"textures.inc\"\n#include \"skies.inc\"\n#include \"stars.inc\"\n"
              "camera {spherical right x  up -y}\nbackground{color rgb<0.6,0.4,0.2>  }\nsphere{0.0,1\n"
              "texture{pigment{Blue_Sky scale 0.008 translate <0,-0.992,0>}finish{ambient 1}}\n"
              "texture{pigment{gradient y pigment_map {[0.0 rgb 1 transmit 0.2][1 rgbf 1]} } finish{ambient 1} "
              "scale 0.008 translate<0,-0.992,0>}\nrotate<0,90,0>\ntranslate<0,-0.992,0>\nno_shadow hollow on\n"
              "scale 20000}\nplane {y,-0.2 pigment{color rgb<1,1,1>}finish{ambient<0.1,0.1,0.1>}}\n");
    EXPECT_EQ(Read("create_image_map.ini"), "Input_File_Name=\"" + (dir / "create_image_map.pov").string() +
                                                "\"\nOutput_File_Name=\"sky.tga\"\n+W512\n+H256\n+FT\n+UA\n");
}

// The render settings of each kind of sky, and its bake files rendered by
// the real POV-Ray (at a tiny size, with no settings file of the user's;
// skipped when it is not installed).
TEST_F(PreviewOptionsTest, SkyBakeFilesOfEveryKindRender) {
    const bool povray = std::system("command -v povray >/dev/null 2>&1") == 0;
    const fixtures::ScopedEnv noSettings("POVINI", nullptr), home("HOME", dir.string());
    Form1.CheckBox8.checked = true;
    // S_Cloud2, O_Cloud1, Shadow_Clouds and Starfield3.
    for (const auto& [sky, flags] : {std::pair{3, "+FT\n-UA\n"}, {7, "+FT\n+UA\n"}, {19, "+FT\n+UA\n"},
                                      {25, "+FT\n-UA\n+AM1\n+A0.3\n"}}) {
        Form1.ComboBox1.index = sky;
        const std::filesystem::path out = dir / (std::to_string(sky) + ".tga");
        CreateSkyMap(out.string());
        EXPECT_TRUE(Read("create_image_map.ini").ends_with(flags)) << sky;
        const std::string command =
            "cd '" + dir.string() + "' && povray create_image_map.ini +W32 +H16 -D -V -GA >/dev/null 2>&1";
        if (povray) {
            EXPECT_TRUE(std::system(command.c_str()) == 0 && std::filesystem::exists(out)) << sky;
        }
        Form1.CheckBox8.checked = false;
    }
}

TEST_F(PreviewOptionsTest, SavePreviewAsksForAntialiasingAndAJpegQuality) {
    Scene.modelFile = "/models/car.obj";
    Commands().Run("Form1.ToolButton35");  // cancelled
    EXPECT_EQ(prompts.fileDialogs.at(0).fileName, "car.tga");
    const std::string jpg = (dir / "car.jpg").string();
    for (const auto& [answer, quality] : {std::pair{"0", 90}, {"abc", 90}, {" 7 ", 7}}) {
        previewHost.captures.clear();
        prompts.fileAnswers = {{jpg}};
        prompts.answers = {Answer::No};
        prompts.inputAnswers = {answer};
        Commands().Run("Form1.ToolButton35");
        EXPECT_EQ(previewHost.captures, (std::vector<std::string>{jpg + " " + std::to_string(quality)})) << answer;
    }
    EXPECT_TRUE(Logged("Image saved as " + jpg));
    EXPECT_EQ(Form1.SaveDialog1.initialDir, dir.string() + "/");
    // Antialiased into a TGA (no quality asked); a failed save is reported.
    previewHost.captures.clear();
    prompts.fileAnswers = {{"/no/such/folder/car.tga"}};
    prompts.answers = {Answer::Yes};
    Commands().Run("Form1.ToolButton35");
    EXPECT_EQ(prompts.shown.back().text, "Antialias preview first?");
    EXPECT_EQ(previewHost.captures, (std::vector<std::string>{"/no/such/folder/car.tga antialiased 90"}));
    EXPECT_TRUE(Logged("<!>Could not save image") && pageHooks.Called("Beep"));
}

}  // namespace
