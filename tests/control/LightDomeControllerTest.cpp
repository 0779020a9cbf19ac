// The Light Dome tab, driven through the dispatcher with probes written
// here: loading, the statistics, extracting lights, saving the probe, the
// probe as background and the outside program.
#include <functional>

#include "PreviewPageFixtures.h"

namespace {

class LightDomeTest : public PreviewPageTest {
protected:
    void SetUp() override {
        PreviewPageTest::SetUp();
        Scene.modelFile = (dir / "model.obj").string();
    }
    // A w x h little-endian probe whose pixel (column, file row, channel)
    // `paint` gives, loaded through "Load probe (*.PFM)...".
    std::string LoadProbe(const std::string& name, int w, int h, const std::function<float(int, int, int)>& paint) {
        const std::string file = (dir / name).string();
        {
            std::ofstream out(file, std::ios::binary);
            out << "PF\n" << w << " " << h << "\n-1.0\n";
            for (int i = 0; i < w * h * 3; ++i) {
                const float f = paint(i / 3 % w, i / 3 / w, i % 3);
                out.write(reinterpret_cast<const char*>(&f), 4);
            }
        }
        prompts.fileAnswers = {{file}};
        Commands().Run("Form1.Button40");
        return file;
    }
};

TEST_F(LightDomeTest, LoadingAProbeShowsItAndItsStatistics) {
    Scene.modelFile.clear();
    Commands().Run("Form1.Button40");
    EXPECT_EQ(prompts.shown.at(0).text, "Load a 3D Model first from the input tab");
    EXPECT_TRUE(prompts.fileDialogs.empty());
    Scene.modelFile = "model.obj";
    const std::string file = LoadProbe("room.pfm", 8, 4, [](int c, int r, int ch) {
        return ch == 0 ? c / 4.0f : ch == 1 ? r / 4.0f : 0.25f;
    });
    EXPECT_EQ(std::pair(prompts.fileDialogs.back().filter, Form1.Edit21.text),
              std::pair(std::string("HDR Shop Portable FLoat Maps (*.pfm)|*.PFM;"), file));
    EXPECT_EQ(Form1.Memo3.lines,
              (std::vector<std::string>{"HDRI image stats:", "Name = room.pfm", "Resolution = 8x4",
                                        "Min color =(0.00,0.00,0.25)", "Max color =(1.75,0.75,0.25)",
                                        "Color Sum =(28.00,12.00,8.00)", "Color Ave =(0.88,0.38,0.25)"}));
    EXPECT_TRUE(previewHost.shown == 8004 && Logged("HDR image room.pfm loaded"));
    // A damaged probe keeps the one shown and says it was not loaded.
    const std::string broken = (dir / "broken.pfm").string();
    std::ofstream(broken) << "PF\n8 4\n-1.0\n\x01\x02";
    prompts.fileAnswers = {{broken}};
    Commands().Run("Form1.Image3");  // the same as the button; starts at the probe's folder
    EXPECT_EQ(prompts.fileDialogs.back().initialDir, dir.string() + "/");
    EXPECT_EQ(std::pair(prompts.shown.back().text, Form1.Edit21.text),
              std::pair(std::string("File is not a valid PFM image"), file));
    EXPECT_TRUE(Logged("<!>HDR image broken.pfm could not be loaded") && !Logged("HDR image broken.pfm loaded"));
    // So does a probe whose picture cannot be made.
    previewHost.failShow = true;
    LoadProbe("huge.pfm", 2, 1, [](int, int, int) { return 1.0f; });
    EXPECT_EQ(std::pair(Form1.Edit21.text, previewHost.shown), std::pair(file, 8004));
    EXPECT_EQ(Form1.Memo3.lines.at(1), "Name = room.pfm");
    EXPECT_TRUE(Logged("<!>HDR image huge.pfm could not be loaded") && !Logged("HDR image huge.pfm loaded"));
}

TEST_F(LightDomeTest, ExtractingLightsReadsThePanelsOptions) {
    Commands().Run("Form1.Button35");
    EXPECT_EQ(prompts.shown.back().text, "Load a HDR image first");
    // A sky of luminance 0.5 and a sun: "x" as the threshold means 90 %, so
    // only the sun (luminance 3) casts shadows.
    LoadProbe("sun.pfm", 16, 8, [](int c, int r, int) { return c == 4 && r == 6 ? 3.0f : 0.5f; });
    Form1.Edit104.text = "20";
    Form1.Edit45.text = "x";
    Form1.CheckBox49.checked = Form1.CheckBox75.checked = false;
    Commands().Run("Form1.Button35");
    ASSERT_FALSE(Lights.empty());
    for (const tlight& l : Lights) EXPECT_EQ(l.shadow, l.factorB > 0.9 ? 1 : 0) << l.name.str();
    EXPECT_EQ(previewHost.marks, 1);
    // Without "Remove all previous lights first" the old lights stay.
    const std::size_t first = Lights.size();
    Form1.CheckBox76.checked = false;
    Commands().Run("Form1.Button35");
    EXPECT_EQ(Lights.size(), 2 * first);
}

TEST_F(LightDomeTest, SavingTheProbeAndUsingItAsBackground) {
    LoadProbe("hall.pfm", 4, 2, [](int, int, int) { return 1.0f; });
    Form1.SaveDialog1.filterIndex = 2;
    prompts.fileAnswers = {{(dir / "hall.jpg").string()}, {"/no/such/folder/hall.tga"}};
    Commands().Run("Form1.Button41");
    Commands().Run("Form1.Button41");
    EXPECT_EQ(prompts.fileDialogs[1].fileName, "hall.jpg");
    EXPECT_EQ(prompts.fileDialogs[1].filter, "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG");
    EXPECT_TRUE(Logged("Probe saved as " + (dir / "hall.jpg").string()));
    EXPECT_TRUE(Logged("<!>Error saving /no/such/folder/hall.tga"));
    // As background: the sky turns as the lights, the list shows the map.
    Form1.Edit63.text = "30";
    Form1.CheckBox42.checked = false;
    const std::string map = (dir / "hall.tga").string();
    prompts.fileAnswers = {{map}, {"/no/such/folder/hall.tga"}};
    Commands().Run("Form1.Button14");
    EXPECT_EQ(std::tuple(Form1.Edit70.text, BackgroundRotation, Form1.CheckBox42.checked, previewHost.culling,
                         Form1.ComboBox1.index),
              std::tuple(std::string("30"), 30.0, true, false, 1));
    EXPECT_TRUE(pageHooks.Called("Background " + map));
    Form1.ComboBox1.index = 0;  // a map that cannot be written leaves the background
    Commands().Run("Form1.Button14");
    EXPECT_TRUE(Logged("<!>Error creating background map") && pageHooks.Called("Beep"));
    EXPECT_EQ(Form1.ComboBox1.index, 0);
}

TEST_F(LightDomeTest, TheProbeProgramIsAskedForOnceThenStarted) {
    Commands().Run("Form1.Button25");  // the question cancelled: nothing
    EXPECT_EQ(prompts.shown.back().text, "HDR Shop executable not set. Set it now?");
    const std::string program = MakeProgram("probetool");
    prompts.answers = {Answer::Ok};
    prompts.fileAnswers = {{program}};
    Commands().Run("Form1.Button25");
    EXPECT_EQ(HDRShopPath, program);
    EXPECT_TRUE(Logged("HDR Shop located at" + program));
    Commands().Run("Form1.Button25");  // known now: no question
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests.back().target, program);
    EXPECT_TRUE(shell.requests.back().program && shell.requests.back().arguments.empty());
    // A chosen file that is no program: the reason, and no "Ready".
    HDRShopPath = (dir / "probe.pfm").string();
    std::ofstream(HDRShopPath) << "PF";
    Commands().Run("Form1.Button25");
    EXPECT_EQ(status.Lines(StatusPage::Messages).back(),
              "<!>" + HDRShopPath + " cannot be started: it is not a program this system runs");
    EXPECT_EQ(shell.requests.size(), 2u);
}

}  // namespace
