// The export commands driven as the window drives them: the export options
// answered by the test, the overwrite questions, the maps copied and
// resized, POV-Ray and the editor started through the recorded shell, and
// the small commands of the output tabs.
#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "platform/gfx/Stream.h"
#include "ui/core/LoadDrivers.h"

namespace {

namespace fs = std::filesystem;

class ExportCommandsTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        WriteJpeg("models/maps/wood.jpg", 1024, 512);
        Write("models/a.mtl", "newmtl wood\nKd 1 1 1\nmap_Kd Maps\\WOOD.jpg\n");
        BatchFiles = {WriteObj("models/a.obj", 0, "a.mtl", "wood")};
        ASSERT_TRUE(LoadSelectedModels());
        program = Write("bin/povray", "#!/bin/sh\n");
        ::chmod(program.c_str(), 0755);
    }
    // Runs a save command with the export options confirmed.
    void Save(const char* command) {
        dialogs.results = {ModalResult::Ok};
        Commands().Run(command);
    }
    std::pair<int, int> JpegSize(const fs::path& p) {
        gfx::FileStream in(p.string());
        const gfx::Bitmap b = gfx::decodeJpeg(in);
        return {b.width(), b.height()};
    }
    static constexpr const char* PovFiles[] = {"a_POV_main.ini", "a_POV_scene.pov", "a_POV_geom.inc", "a_POV_mat.inc"};
    std::string program;
};

TEST_F(ExportCommandsTest, ExportWithMapsCopiedAndResized) {
    Form2.CheckBox16.checked = true;  // "Copy all maps to the same directory"
    Commands().Run("Form2.CheckBox16");
    EXPECT_FALSE(Form2.CheckBox27.checked || Form2.CheckBox27.enabled);
    EXPECT_TRUE(Form2.CheckBox28.enabled && Form2.CheckBox43.enabled && Form2.Edit45.enabled && Form2.Label4.enabled);
    Form2.Edit45.text = "256";
    Save("Form1.ToolButton15");
    for (const char* name : PovFiles) EXPECT_TRUE(fs::exists(out / name)) << name;
    // Resized into JPEG under the fixed name that the material include uses.
    EXPECT_EQ(JpegSize(out / "a_wood.jpg"), std::make_pair(256, 128));
    EXPECT_NE(Read(out / "a_POV_mat.inc").find("\"a_wood.jpg\""), std::string::npos);
    EXPECT_TRUE(Logged("Files Saved."));

    // Without resizing the map is copied as it is, under its own name.
    Form2.CheckBox43.checked = false;
    Form2.CheckBox28.checked = false;
    Save("Form1.ToolButton15");
    EXPECT_EQ(JpegSize(out / "wood.jpg"), std::make_pair(1024, 512));

    Form2.CheckBox16.checked = false;
    Commands().Run("Form2.CheckBox16");
    EXPECT_TRUE(Form2.CheckBox27.checked && Form2.CheckBox27.enabled);
    EXPECT_FALSE(Form2.CheckBox28.enabled || Form2.CheckBox43.enabled || Form2.Edit45.enabled);
}

TEST_F(ExportCommandsTest, TheOverwriteQuestionAnsweredBothWays) {
    Form2.CheckBox1.checked = false;  // ask before overwriting
    Form2.CheckBox16.checked = true;  // maps are copied too
    Commands().Run("Form2.CheckBox16");
    Form2.CheckBox43.checked = false;
    for (const char* name : PovFiles) Write("out/" + std::string(name), "old");
    Write("out/a_wood.jpg", "old");

    // Cancel at the first question: nothing written, no map copied.
    prompts.answers = {Answer::Cancel};
    Save("Form1.ToolButton15");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"File " + (out / "a_POV_main.ini").string() +
                                                   " already exists. Overwrite?"});
    EXPECT_FALSE(Logged("Files Saved."));

    // No to each: every file stays.
    prompts.shown.clear();
    prompts.answers = {Answer::No, Answer::No, Answer::No, Answer::No};
    Save("Form1.ToolButton15");
    EXPECT_EQ(prompts.shown.size(), 4u);
    for (const char* name : PovFiles) EXPECT_EQ(Read(out / name), "old") << name;

    // Yes to the INI, then All: every file replaced without a further question.
    prompts.shown.clear();
    prompts.answers = {Answer::Yes, Answer::YesToAll};
    Save("Form1.ToolButton15");
    EXPECT_EQ(prompts.shown.size(), 2u);
    for (const char* name : PovFiles) EXPECT_NE(Read(out / name), "old") << name;
    EXPECT_EQ(Read(out / "a_wood.jpg"), "old");  // maps are replaced only with "Overwrite files"
    Form2.CheckBox1.checked = true;
    Save("Form1.ToolButton15");
    EXPECT_NE(Read(out / "a_wood.jpg"), "old");
}

TEST_F(ExportCommandsTest, SaveAndRenderStartsPovRayOnTheIniInTheOutputFolder) {
    Form1.Edit52.text = program;
    Save("Form1.ToolButton18");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, "\"" + program + "\"");
    EXPECT_EQ(shell.requests[0].parameters, "\"" + (out / "a_POV_main.ini").string() + "\" +P");
    EXPECT_EQ(shell.requests[0].folder, out.string());
    EXPECT_TRUE(fs::exists(out / "a_POV_main.ini"));
    EXPECT_TRUE(Logged("Starting POV-Ray..."));

    // "Save && Edit": the four files in the desktop's editor.
    Save("Form1.ToolButton19");
    ASSERT_EQ(shell.requests.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(shell.requests[1 + i].target, (out / PovFiles[i]).string());

    // No POV-Ray: a message, nothing written, nothing started.
    fs::remove_all(out);
    fs::create_directories(out);
    Form1.Edit52.text = (dir / "bin" / "none").string();
    Save("Form1.ToolButton18");
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"Select the location of the POV-Ray executable in the export options tab"});
    EXPECT_TRUE(Logged("Could not start POV-Ray"));
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_EQ(shell.requests.size(), 5u);
}

TEST_F(ExportCommandsTest, ExportOptionsOkAndTheOtherSaves) {
    // OK: the folder must exist; warnings ask first.
    const struct {
        bool warnings, folderExists;
        Answer answer;
        ModalResult result;
        const char* box;
    } cases[] = {
        {false, true, Answer::No, ModalResult::Ok, ""},
        {false, false, Answer::No, ModalResult::None, "Output directory does not exist"},
        {true, true, Answer::No, ModalResult::None, "There are warnings. Continue?"},
        {true, true, Answer::Yes, ModalResult::Ok, "There are warnings. Continue?"},
        {true, false, Answer::Yes, ModalResult::None, "Output directory does not exist"},
    };
    for (const auto& c : cases) {
        status.pages[static_cast<int>(StatusPage::Warnings)].assign(c.warnings ? 1 : 0, "a warning");
        Form2.Edit1.text = c.folderExists ? out.string() : (dir / "gone").string();
        Form2.modalResult = ModalResult::None;
        prompts.shown.clear();
        prompts.answers = {c.answer};
        Commands().Run("Form2.Button1");
        EXPECT_EQ(Form2.modalResult, c.result) << c.warnings << c.folderExists;
        EXPECT_EQ(prompts.shown.empty() ? "" : prompts.shown.back().text, c.box);
    }
    Form2.Edit1.text = out.string();
    // "Change...": the directory choice opens at the folder and gives the new one.
    dialogs.results = {ModalResult::Ok};
    dialogs.whileShown = [&](std::string_view) {
        EXPECT_EQ(Form6.directory, out.string());
        Form6.directory = dir.string();
    };
    Commands().Run("Form2.Button3");
    EXPECT_EQ(dialogs.shown.back(), "Form6");
    EXPECT_EQ(Form2.Edit1.text, dir.string());
    dialogs.whileShown = nullptr;
    Form2.Edit1.text = out.string();

    Save("Form1.ToolButton9");  // Moray
    Save("Form1.ToolButton27");  // OBJ
    for (const char* name : {"a_moray.udo", "a_moray.inc", "a_moray_mat.inc", "a.obj", "a.mtl"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    dialogs.results = {ModalResult::Cancel};
    Commands().Run("Form1.ToolButton33");  // YafRay, cancelled
    EXPECT_FALSE(fs::exists(out / "scene.xml"));
    Save("Form1.ToolButton33");
    EXPECT_TRUE(fs::exists(out / "scene.xml"));
}

TEST_F(ExportCommandsTest, OutputOptionCommands) {
    Form1.Edit61.text = "car.tga";
    Form1.ComboBox5.index = 3;  // "Windows BMP"
    Commands().Run("Form1.ComboBox5");
    EXPECT_EQ(Form1.Edit61.text, "car.bmp");

    for (const bool only : {true, false}) {
        Form1.CheckBox51.checked = only;
        Commands().Run("Form1.CheckBox51");
        EXPECT_EQ(Form1.ToolButton18.enabled, !only);
        EXPECT_EQ(Form1.ToolButton19.enabled, !only);
        EXPECT_EQ(Form1.Edit68.enabled && Form1.Edit2.enabled && Form1.Label44.enabled, !only);
        EXPECT_EQ(Form1.ComboBox12.enabled && Form1.Label21.enabled, only);
    }

    const std::pair<std::string, int32_t> executables[] = {
        {"", clNone}, {program, clNone}, {"sh", clNone}, {(dir / "none").string(), 0x0000FF}};
    for (const auto& [text, color] : executables) {
        Form1.Edit52.text = text;
        Commands().Run("Form1.Edit52");
        EXPECT_EQ(Form1.Edit52.color, color) << text;
    }
    prompts.fileAnswers = {{program}};
    Commands().Run("Form1.Button11");
    EXPECT_EQ(Form1.Edit52.text, program);
    EXPECT_EQ(Form1.Edit52.color, clNone);

    Form1.RadioButton20.checked = false;
    Form1.RadioButton21.checked = true;
    Commands().Run("Form1.RadioButton21");
    EXPECT_FALSE(Form1.Edit82.enabled || Form1.Label112.enabled);

    Form1.Edit1.text = "boat_Rev00001.obj";
    Commands().Run("Form1.Edit1");
    EXPECT_EQ(Form1.Edit86.text, "boat_Rev00001.mtl");

    // "Keep aspect ratio of preview" on a 400 x 300 preview; the button
    // sets both sides without a recalculation.
    Form9.glView1 = {400, 300};
    const struct {
        const char* command;
        const char* width;
        const char* height;
    } sizes[] = {{"Form1.Edit47", "800", "600"}, {"Form1.Edit48", "200", "150"}, {"Form1.Button32", "400", "300"}};
    for (const auto& c : sizes) {
        if (std::string_view(c.command) == "Form1.Edit47") Form1.Edit47.text = c.width;
        if (std::string_view(c.command) == "Form1.Edit48") Form1.Edit48.text = c.height;
        Commands().Run(c.command);
        EXPECT_EQ(Form1.Edit47.text + "x" + Form1.Edit48.text, std::string(c.width) + "x" + c.height) << c.command;
    }
    Form1.CheckBox31.checked = false;
    Form1.Edit47.text = "100";
    Commands().Run("Form1.Edit47");
    EXPECT_EQ(Form1.Edit48.text, "300");
}

}  // namespace
