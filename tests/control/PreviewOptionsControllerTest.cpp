// The Preview tab's "Options" group, its background list with the sky bake,
// driven through the dispatcher as the window drives it.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "PreviewPageFixtures.h"
#include "model/StatusLog.h"
#include "ui/control/PreviewOptionsController.h"
#include "ui/options/ControlTable.h"

namespace {

class PreviewOptionsTest : public PreviewPageTest {
protected:
    void SetUp() override {
        PreviewPageTest::SetUp();
        Form1.ComboBox1.items.assign(BackgroundChoices.begin(), BackgroundChoices.end());
    }
    // A program that POV-Ray's box names; the shell only records its start.
    void SetPovRay() {
        const std::string program = (dir / "povray").string();
        std::ofstream(program) << "#!/bin/sh\n";
        ::chmod(program.c_str(), 0755);
        Form1.Edit52.text = program;
    }
    void ChooseBackground(const std::string& item) {
        const auto it = std::find(BackgroundChoices.begin(), BackgroundChoices.end(), item);
        ASSERT_NE(it, BackgroundChoices.end()) << item;
        Form1.ComboBox1.index = static_cast<int32_t>(it - BackgroundChoices.begin());
        Commands().Run("Form1.ComboBox1");
    }
    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Logged(std::string_view line) const {
        for (const std::string& l : status.Lines(StatusPage::Messages))
            if (l == line) return true;
        return false;
    }
};

TEST_F(PreviewOptionsTest, ControlsThatEnableOthers) {
    // Each step: the command, then the controls that follow the box.
    Form1.CheckBox52.checked = true;
    Commands().Run("Form1.CheckBox52");
    EXPECT_TRUE(Form1.Edit65.enabled && Form1.UpDown5.enabled && Form1.Edit66.enabled && Form1.UpDown6.enabled &&
                Form1.Label148.enabled);
    Form1.CheckBox70.checked = true;
    Commands().Run("Form1.CheckBox70");
    EXPECT_TRUE(Form1.Label147.enabled);
    Form1.CheckBox8.checked = true;
    Commands().Run("Form1.CheckBox8");
    EXPECT_TRUE(Form1.Label151.enabled && Form1.Label146.enabled && Form1.Edit36.enabled &&
                Form1.SpinButton16.enabled && Form1.BitBtn3.enabled);
    Form1.CheckBox4.checked = false;
    Commands().Run("Form1.CheckBox4");
    EXPECT_FALSE(Form1.CheckBox47.enabled);
    Form1.CheckBox42.checked = false;
    Commands().Run("Form1.CheckBox42");
    EXPECT_FALSE(Form1.CheckBox72.enabled);
    EXPECT_TRUE(previewHost.culling);
    Form1.CheckBox42.checked = true;
    Commands().Run("Form1.CheckBox42");
    EXPECT_FALSE(previewHost.culling);

    // The line colour goes with the modes that draw lines or points.
    const bool lineColour[] = {false, true, true, true, false, false, true};
    for (int32_t mode = 0; mode < 7; ++mode) {
        Form1.ComboBox4.index = mode;
        Commands().Run("Form1.ComboBox4");
        EXPECT_EQ(Form1.Label170.visible, lineColour[mode]) << DrawModes[static_cast<std::size_t>(mode)];
    }

    // The map size is a power of two; the ground drops to the model's foot.
    for (const auto& [position, text] : {std::pair{10, "1024"}, {1, "2"}, {7, "128"}}) {
        Form1.UpDown3.position = Form1.UpDown4.position = position;
        Commands().Run("Form1.UpDown3");
        Commands().Run("Form1.UpDown4");
        EXPECT_EQ(Form1.Edit24.text, text);
        EXPECT_EQ(Form1.Edit25.text, text);
    }
    Commands().Run("Form1.BitBtn3");
    EXPECT_EQ(Form1.Edit36.text, "-2");
    Commands().Run("Form1.SpinButton16.Up");
    EXPECT_EQ(Form1.Edit36.text, "-1.999");
}

TEST_F(PreviewOptionsTest, MapOptionsRebuildOnlyWithAModel) {
    Commands().Run("Form1.CheckBox47");
    Commands().Run("Form1.BitBtn2");
    Commands().Run("Form1.CheckBox72");
    EXPECT_TRUE(pageHooks.calls.empty());

    Scene.modelFile = "model.obj";
    Form1.CheckBox3.checked = false;
    Commands().Run("Form1.CheckBox3");
    EXPECT_TRUE(Logged("Unloading maps...") && Logged("Deleting Display List...") && Logged("Ready"));
    EXPECT_TRUE(pageHooks.Called("BuildPreviewLists"));
    Form1.CheckBox3.checked = true;
    Commands().Run("Form1.CheckBox3");
    EXPECT_TRUE(pageHooks.Called("ReloadMaterialMaps 2"));
    Commands().Run("Form1.CheckBox4");
    EXPECT_TRUE(pageHooks.Called("ReloadMaterialMaps 1"));

    // "Apply" reloads the background map only while a map is the background.
    BackgroundMapName = (dir / "sky.tga").string();
    pageHooks.calls.clear();
    Form1.ComboBox1.index = 0;
    Commands().Run("Form1.BitBtn2");
    EXPECT_FALSE(pageHooks.Called("LoadBackgroundTexture " + BackgroundMapName));
    Form1.ComboBox1.index = 1;
    Commands().Run("Form1.BitBtn2");
    EXPECT_TRUE(pageHooks.Called("LoadBackgroundTexture " + BackgroundMapName));
    EXPECT_FALSE(IsBusy());
    BackgroundMapName.clear();
}

TEST_F(PreviewOptionsTest, SkyRotationTakesNumbersOnly) {
    Form1.Edit70.text = "30";
    Commands().Run("Form1.Edit70");
    EXPECT_EQ(BackgroundRotation, 30);
    const int draws = pageHooks.draws;
    Form1.Edit70.text = "north";
    Commands().Run("Form1.Edit70");
    EXPECT_EQ(BackgroundRotation, 0);
    EXPECT_EQ(pageHooks.draws, draws);
}

TEST_F(PreviewOptionsTest, BackgroundColour) {
    BackgroundTexture = 7;
    Commands().Run("Form1.ComboBox1");  // index 0, the dialog cancelled
    EXPECT_EQ(BackgroundTexture, 7);
    prompts.colorAnswers = {0x0000FF};
    Commands().Run("Form1.ComboBox1");
    EXPECT_EQ(Scene.backgroundColor, 0x0000FF);
    EXPECT_EQ(BackgroundTexture, 0);
    EXPECT_TRUE(pageHooks.Called("DeleteTexture 7"));
    EXPECT_TRUE(pageHooks.Called("SetClearColor 1 0 0 1"));
}

TEST_F(PreviewOptionsTest, BackgroundPicture) {
    BackgroundMapName = "/pictures/old.jpg";
    Form1.CheckBox42.checked = false;
    ChooseBackground("Spherical Map...");  // cancelled: nothing
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].initialDir, "/pictures/");
    EXPECT_EQ(prompts.fileDialogs[0].fileName, "old.jpg");
    EXPECT_TRUE(pageHooks.calls.empty());

    BackgroundMapName = (dir / "Preview_Sky_Clouds.tga").string();  // a sky: the dialog starts elsewhere
    prompts.fileAnswers = {{"/pictures/new.png"}};
    ChooseBackground("Spherical Map...");
    EXPECT_EQ(prompts.fileDialogs[1].fileName, "");
    EXPECT_TRUE(pageHooks.Called("LoadBackgroundTexture /pictures/new.png"));
    EXPECT_TRUE(pageHooks.Called("BuildPreviewLists"));
    EXPECT_TRUE(Form1.CheckBox42.checked);
    EXPECT_TRUE(Logged("Background map /pictures/new.png loaded"));
    BackgroundMapName.clear();
}

TEST_F(PreviewOptionsTest, SkiesLoadTheirMapOrBakeItFirst) {
    // A map made before loads at once; star fields never ask for the ground.
    std::ofstream(dir / "Preview_Sky_Starfield.tga") << "x";
    Form1.CheckBox42.checked = false;
    ChooseBackground("Starfield");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_TRUE(pageHooks.Called("LoadBackgroundTexture " + (dir / "Preview_Sky_Starfield.tga").string()));
    EXPECT_TRUE(Form1.CheckBox42.checked);
    EXPECT_TRUE(Logged("Background updated"));

    // No map and no POV-Ray: the warning, and the background stays.
    pageHooks.calls.clear();
    prompts.answers = {Answer::Yes};  // enable the ground
    ChooseBackground("S_Cloud1");
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "POV-Ray sky texures work best if the ground is visible. Enable the ground?");
    EXPECT_EQ(prompts.shown[1].text, "Select the location of the POV-Ray executable in the export options tab");
    EXPECT_TRUE(Form1.CheckBox8.checked);
    EXPECT_EQ(Form1.Edit36.text, "-2");
    EXPECT_FALSE(pageHooks.Called("LoadBackgroundTexture " + (dir / "Preview_Sky_S_Cloud1.tga").string()));
    EXPECT_TRUE(Logged("Could not start POV-Ray"));

    // With POV-Ray: the bake, then the map once POV-Ray made it.
    SetPovRay();
    const std::string sky = (dir / "Preview_Sky_Blue_Sky.tga").string();
    status.onLine = [&](StatusPage, std::string_view line) {
        if (line.starts_with("New texture should have been saved into")) std::ofstream(sky) << "x";
    };
    prompts.shown.clear();
    prompts.answers = {Answer::Yes, Answer::Ok};
    ChooseBackground("Blue_Sky");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].parameters, "\"" + (dir / "create_image_map.ini").string() + "\"");
    EXPECT_EQ(shell.requests[0].folder, dir.string() + "/");  // POV-Ray writes the map there
    EXPECT_TRUE(pageHooks.Called("LoadBackgroundTexture " + sky));
    EXPECT_EQ(prompts.shown.back().text,
              "Once POV-Ray is finished click OK to load the image " + sky + " as a background map");

    // Cancelled after the bake, or a bake that made nothing: no map loaded.
    status.onLine = nullptr;
    pageHooks.calls.clear();
    prompts.answers = {Answer::Yes, Answer::Ok};
    ChooseBackground("Blood_Sky");
    EXPECT_FALSE(pageHooks.Called("LoadBackgroundTexture " + (dir / "Preview_Sky_Blood_Sky.tga").string()));
    EXPECT_TRUE(Logged("<!>The sky map " + (dir / "Preview_Sky_Blood_Sky.tga").string() + " was not made"));
}

TEST_F(PreviewOptionsTest, SavePreviewAsksForAntialiasingAndAJpegQuality) {
    Scene.modelFile = "/models/car.obj";
    Commands().Run("Form1.ToolButton35");  // cancelled
    ASSERT_EQ(prompts.fileDialogs.size(), 1u);
    EXPECT_EQ(prompts.fileDialogs[0].fileName, "car.tga");
    EXPECT_TRUE(previewHost.captures.empty());

    // Each answer of the quality box and the quality saved with.
    const std::string jpg = (dir / "car.jpg").string();
    for (const auto& [answer, quality] : {std::pair{"0", 90}, {"101", 90}, {"abc", 90}, {"55", 55}, {" 7 ", 7}}) {
        previewHost.captures.clear();
        prompts.fileAnswers = {{jpg}};
        prompts.answers = {Answer::No};
        prompts.inputAnswers = {answer};
        Commands().Run("Form1.ToolButton35");
        ASSERT_EQ(previewHost.captures.size(), 1u) << answer;
        EXPECT_EQ(previewHost.captures[0], jpg + " " + std::to_string(quality)) << answer;
    }
    EXPECT_TRUE(Logged("Image saved as " + jpg));
    EXPECT_EQ(Form1.SaveDialog1.initialDir, dir.string() + "/");

    // Antialiased into a TGA (no quality asked); a file that cannot be
    // written is reported.
    previewHost.captures.clear();
    prompts.shown.clear();
    prompts.fileAnswers = {{"/no/such/folder/car.tga"}};
    prompts.answers = {Answer::Yes};
    Commands().Run("Form1.ToolButton35");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Antialias preview first?");
    EXPECT_EQ(previewHost.captures, (std::vector<std::string>{"/no/such/folder/car.tga antialiased 90"}));
    EXPECT_TRUE(Logged("<!>Could not save image"));
    EXPECT_TRUE(pageHooks.Called("Beep"));
}

TEST_F(PreviewOptionsTest, SkyBakeFiles) {
    Scene.extents.diagonal = 2;
    Scene.backgroundColor = 0x336699;
    Form1.CheckBox8.checked = true;
    Form1.ComboBox1.index = 9;  // Blue_Sky
    CreateSkyMap("/out/sky.tga");
    EXPECT_EQ(ReadFile(dir / "create_image_map.pov"),
              "#include \"stdinc.inc\"\n#include \"textures.inc\"\n#include \"skies.inc\"\n#include \"stars.inc\"\n"
              "camera {spherical right x  up -y}\n"
              "background{color rgb<0.6,0.4,0.2>  }\n"
              "sphere{0.0,1\n"
              "texture{pigment{Blue_Sky scale 0.008 translate <0,-0.992,0>}finish{ambient 1}}\n"
              "texture{pigment{gradient y pigment_map {[0.0 rgb 1 transmit 0.2][1 rgbf 1]} } finish{ambient 1} "
              "scale 0.008 translate<0,-0.992,0>}\n"
              "rotate<0,90,0>\ntranslate<0,-0.992,0>\nno_shadow hollow on\nscale 20000}\n"
              "plane {y,-0.2 pigment{color rgb<1,1,1>}finish{ambient<0.1,0.1,0.1>}}\n");
    EXPECT_EQ(ReadFile(dir / "create_image_map.ini"),
              "Input_File_Name=\"" + (dir / "create_image_map.pov").string() +
                  "\"\nOutput_File_Name=\"/out/sky.tga\"\n+W512\n+H256\n+FT\n+UA\n");

    Form1.CheckBox8.checked = false;
    Form1.ComboBox1.index = 24;  // Starfield1
    CreateSkyMap("/out/stars.tga");
    const std::string pov = ReadFile(dir / "create_image_map.pov");
    EXPECT_NE(pov.find("sphere{<0,0,0>,20000\ntexture {Starfield1}\n       no_shadow rotate<0,90,0> hollow on}\n"),
              std::string::npos);
    EXPECT_EQ(pov.find("plane"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "create_image_map.ini").find("+FT\n-UA\n+AM1\n+A0.3\n"), std::string::npos);

    const std::pair<int32_t, const char*> others[] = {
        {2, "sky_sphere{S_Cloud1 rotate<0,90,0>}\n"},
        {8, "object{O_Cloud2 rotate<0,90,0> scale 2}\n"},
        {20, "sphere{0.0,1\ntexture{T_Cloud1 scale 0.008 translate <0,-0.992,0>}\n"},
    };
    for (const auto& [index, lines] : others) {
        Form1.ComboBox1.index = index;
        CreateSkyMap("/out/x.tga");
        EXPECT_NE(ReadFile(dir / "create_image_map.pov").find(lines), std::string::npos) << index;
    }
}

}  // namespace

namespace {

// The bake files of every kind of sky render with the real POV-Ray (at a
// tiny size; skipped when it is not installed).
TEST_F(PreviewOptionsTest, SkyBakeFilesRenderInPovRay) {
    if (std::system("command -v povray >/dev/null 2>&1") != 0) GTEST_SKIP() << "povray is not installed";
    Form1.CheckBox8.checked = true;
    for (const char* sky : {"S_Cloud2", "O_Cloud1", "Shadow_Clouds", "Starfield3"}) {
        Form1.ComboBox1.index = static_cast<int32_t>(
            std::find(BackgroundChoices.begin(), BackgroundChoices.end(), sky) - BackgroundChoices.begin());
        const std::filesystem::path out = dir / (std::string(sky) + ".tga");
        CreateSkyMap(out.string());
        const std::string command = "cd '" + dir.string() + "' && povray create_image_map.ini +W32 +H16 -D -V " +
                                    "-GA >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << sky << "\n" << ReadFile(dir / "create_image_map.pov");
        EXPECT_TRUE(std::filesystem::exists(out)) << sky;
        Form1.CheckBox8.checked = false;
    }
}

}  // namespace
