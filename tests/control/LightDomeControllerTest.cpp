// The Light Dome tab, driven through the dispatcher with probes written
// here: loading, the statistics, extracting lights, saving the probe, the
// probe as background and the outside program.
#include <sys/stat.h>

#include <functional>

#include "PreviewPageFixtures.h"
#include "model/LightProbe.h"
#include "ui/options/ControlTable.h"

namespace {

class LightDomeTest : public PreviewPageTest {
protected:
    void SetUp() override {
        PreviewPageTest::SetUp();
        Scene.modelFile = (dir / "model.obj").string();
    }
    // A w x h little-endian colour probe whose pixel (column, file row,
    // channel) `paint` gives.
    std::string WriteProbe(const std::string& name, int w, int h, const std::function<float(int, int, int)>& paint) {
        const std::string file = (dir / name).string();
        std::ofstream out(file, std::ios::binary);
        out << "PF\n" << w << " " << h << "\n-1.0\n";
        for (int row = 0; row < h; ++row)
            for (int column = 0; column < w; ++column)
                for (int c = 0; c < 3; ++c) {
                    const float f = paint(column, row, c);
                    out.write(reinterpret_cast<const char*>(&f), 4);
                }
        return file;
    }
    void LoadProbe(const std::string& file) {
        prompts.fileAnswers = {{file}};
        Commands().Run("Form1.Button40");
    }
    bool Logged(std::string_view line) const {
        for (const std::string& l : status.Lines(StatusPage::Messages))
            if (l == line) return true;
        return false;
    }
};

TEST_F(LightDomeTest, LoadingAProbeShowsItAndItsStatistics) {
    Scene.modelFile.clear();
    Commands().Run("Form1.Button40");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Load a 3D Model first from the input tab");
    EXPECT_TRUE(prompts.fileDialogs.empty());

    Scene.modelFile = (dir / "model.obj").string();
    // Pixel (c, r) = (c, r, 1) / 4: the darkest first, the brightest last.
    const std::string file = WriteProbe("room.pfm", 8, 4, [](int c, int r, int ch) {
        return ch == 0 ? c / 4.0f : ch == 1 ? r / 4.0f : 0.25f;
    });
    LoadProbe(file);
    EXPECT_EQ(prompts.fileDialogs.back().filter, "HDR Shop Portable FLoat Maps (*.pfm)|*.PFM;");
    EXPECT_EQ(Form1.Edit21.text, file);
    EXPECT_EQ(Form1.Memo3.lines, (std::vector<std::string>{"HDRI image stats:", "Name = room.pfm",
                                                           "Resolution = 8x4",
                                                           "Min color =(0.00,0.00,0.25)",
                                                           "Max color =(1.75,0.75,0.25)",
                                                           "Color Sum =(28.00,12.00,8.00)",
                                                           "Color Ave =(0.88,0.38,0.25)"}));
    EXPECT_EQ(previewHost.shown, "8x4 2.2");
    EXPECT_TRUE(Logged("Creating PFM preview (gamma=2.2)..."));
    EXPECT_TRUE(Logged("HDR image room.pfm loaded"));

    // A damaged probe keeps the one shown and says it was not loaded.
    const std::string broken = (dir / "broken.pfm").string();
    std::ofstream(broken) << "PF\n8 4\n-1.0\n\x01\x02";
    LoadProbe(broken);
    EXPECT_EQ(prompts.shown.back().text, "File is not a valid PFM image");
    EXPECT_EQ(Form1.Edit21.text, file);
    EXPECT_EQ(previewHost.shows, 1);
    EXPECT_TRUE(Logged("<!>HDR image broken.pfm could not be loaded"));
    EXPECT_FALSE(Logged("HDR image broken.pfm loaded"));
    // The next dialog starts at the probe's folder.
    Commands().Run("Form1.Image3");
    EXPECT_EQ(prompts.fileDialogs.back().initialDir, dir.string() + "/");
}

TEST_F(LightDomeTest, ExtractingLightsReadsThePanelsOptions) {
    Commands().Run("Form1.Button35");
    EXPECT_EQ(prompts.shown.back().text, "Load a HDR image first");

    // A sky of luminance 0.5 with a sun: "x" as the threshold means 90 %, so
    // only the sun (luminance 3) casts shadows.
    LoadProbe(WriteProbe("sun.pfm", 16, 8, [](int c, int r, int) { return c == 4 && r == 6 ? 3.0f : 0.5f; }));
    Form1.Edit104.text = "20";
    Form1.Edit45.text = "x";
    Form1.CheckBox49.checked = false;
    Form1.CheckBox75.checked = false;
    Commands().Run("Form1.Button35");
    ASSERT_FALSE(Lights.empty());
    for (const tlight& l : Lights) EXPECT_EQ(l.shadow, l.factorB > 0.9 ? 1 : 0) << l.name.str();
    EXPECT_EQ(previewHost.marks, 1);
    EXPECT_EQ(Form1.ComboBox2.items.size(), Lights.size());

    // Without "Remove all previous lights first" the old lights stay.
    const std::size_t first = Lights.size();
    Form1.CheckBox76.checked = false;
    Commands().Run("Form1.Button35");
    EXPECT_EQ(Lights.size(), 2 * first);
    Form1.CheckBox76.checked = true;
    Commands().Run("Form1.Button35");
    EXPECT_EQ(Lights.size(), first);
}

TEST_F(LightDomeTest, SavingTheProbeAndUsingItAsBackground) {
    LoadProbe(WriteProbe("hall.pfm", 4, 2, [](int, int, int) { return 1.0f; }));
    Form1.SaveDialog1.filterIndex = 2;
    prompts.fileAnswers = {{(dir / "hall.jpg").string()}};
    Commands().Run("Form1.Button41");
    ASSERT_EQ(prompts.fileDialogs.size(), 2u);
    EXPECT_EQ(prompts.fileDialogs[1].fileName, "hall.jpg");
    EXPECT_EQ(prompts.fileDialogs[1].filter, "TARGA uncompressed image (*.tga)|*.TGA|JPEG image (*.jpg)|*.JPG");
    EXPECT_EQ(previewHost.saved, (std::vector<std::string>{(dir / "hall.jpg").string()}));
    EXPECT_TRUE(Logged("Probe saved as " + (dir / "hall.jpg").string()));
    prompts.fileAnswers = {{"/no/such/folder/hall.tga"}};
    Commands().Run("Form1.Button41");
    EXPECT_TRUE(Logged("<!>Error saving /no/such/folder/hall.tga"));

    // As background: the sky turns as the lights, the list shows the map.
    Form1.Edit63.text = "30";
    Form1.CheckBox42.checked = false;
    const std::string map = (dir / "hall.tga").string();
    prompts.fileAnswers = {{map}};
    Commands().Run("Form1.Button14");
    EXPECT_EQ(Form1.Edit70.text, "30");
    EXPECT_EQ(BackgroundRotation, 30);
    EXPECT_TRUE(Form1.CheckBox42.checked);
    EXPECT_FALSE(previewHost.culling);
    EXPECT_EQ(Form1.ComboBox1.index, 1);
    EXPECT_TRUE(pageHooks.Called("LoadBackgroundTexture " + map));
    EXPECT_TRUE(Logged("Probe loaded as background map"));

    // A map that cannot be written leaves the background as it was.
    pageHooks.calls.clear();
    Form1.ComboBox1.index = 0;
    prompts.fileAnswers = {{"/no/such/folder/hall.tga"}};
    Commands().Run("Form1.Button14");
    EXPECT_TRUE(Logged("<!>Error creating background map"));
    EXPECT_TRUE(pageHooks.Called("Beep"));
    EXPECT_FALSE(pageHooks.Called("LoadBackgroundTexture /no/such/folder/hall.tga"));
    EXPECT_EQ(Form1.ComboBox1.index, 0);
}

TEST_F(LightDomeTest, TheProbeProgramIsAskedForOnceThenStarted) {
    prompts.answers = {Answer::Cancel};
    Commands().Run("Form1.Button25");
    EXPECT_EQ(prompts.shown.back().text, "HDR Shop executable not set. Set it now?");
    EXPECT_TRUE(shell.requests.empty());

    const std::string program = (dir / "probetool").string();
    std::ofstream(program) << "#!/bin/sh\n";
    ::chmod(program.c_str(), 0755);
    prompts.answers = {Answer::Ok};
    prompts.fileAnswers = {{program}};
    Commands().Run("Form1.Button25");
    EXPECT_EQ(HDRShopPath, program);
    EXPECT_TRUE(Logged("HDR Shop located at" + program));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "\"" + program + "\"");
    EXPECT_EQ(shell.requests[0].parameters, "");

    prompts.shown.clear();
    Commands().Run("Form1.Button25");  // known now: no question
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(shell.requests.size(), 2u);
}

}  // namespace
