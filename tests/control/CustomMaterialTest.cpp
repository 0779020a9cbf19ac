// The custom POV-Ray material sub-page: editing the memo, the snippet
// picker, the preview and the bake through POV-Ray (the shell recorded), and
// the texture library that gains and loses entries and keeps them across a
// restart.
#include <sys/stat.h>

#include "PageFixtures.h"
#include "readers/ReaderCommon.h"
#include "tests/fixtures/ScopedEnv.h"
#include "ui/control/AppStartup.h"
#include "ui/control/CustomMaterialController.h"
#include "ui/control/Snippets.h"
#include "writers/DeclareLibrary.h"

namespace {

namespace fs = std::filesystem;

// A save dialog in which the user picks the file type `type` before OK.
class TypeChoosingPrompts : public RecordingPrompts {
public:
    bool SaveFile(const FileDialogRequest& request, std::string& fileName) override {
        std::string name = request.fileName;
        if (request.onTypeChange) request.onTypeChange(type, name);
        chosenName = name;
        return RecordingPrompts::SaveFile(request, fileName);
    }
    int32_t type = 2;
    std::string chosenName;
};

class CustomMaterialTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        Services s;
        s.prompts = &typing;
        typingScope = std::make_unique<ScopedServices>(s);
        FillSnippetLists();
    }
    void TearDown() override {
        typingScope.reset();
        PageTest::TearDown();
    }
    // An executable that stands for POV-Ray.
    std::string FakePovRay() {
        const fs::path p = dir / "povray";
        std::ofstream(p) << "#!/bin/sh\n";
        ::chmod(p.c_str(), 0755);
        return p.string();
    }
    std::vector<std::string> Lines(const fs::path& file) {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& b : typing.shown) texts.push_back(b.text);
        return texts;
    }
    TypeChoosingPrompts typing;
    std::unique_ptr<ScopedServices> typingScope;
};

TEST_F(CustomMaterialTest, EditingTheMemoMakesTheMaterialActive) {
    // A change of its text switches the material on once the text holds a
    // value: blanks, comments and ";" alone give no material.
    for (const auto& [lines, active] : {std::pair{std::vector<std::string>{}, false},
                                        {{" ", "\t"}, false},
                                        {{"// red", "/* green */ ;"}, false},
                                        {{"M_Glass"}, true}}) {
        Form1.Memo2.lines = lines;
        Form1.CheckBox10.checked = false;
        Commands().Run("Form1.Memo2");
        EXPECT_EQ(Form1.CheckBox10.checked, active) << lines.size();
    }
    Form1.Memo2.lines.clear();

    Form1.CheckBox10.checked = false;
    Commands().Run("Form1.ToolButton38");  // "Paste" with nothing on the clipboard
    EXPECT_TRUE(Form1.CheckBox10.checked);
    EXPECT_TRUE(Form1.Memo2.lines.empty());

    Form1.Memo2.lines = {"texture{", "}"};
    Form1.Memo2.selStart = 8;
    Commands().Run("Form1.ToolButton37");  // "Copy all"
    EXPECT_EQ(pageHost.ClipboardText(), "texture{\n}");
    EXPECT_EQ(Form1.Memo2.selStart, 8);
    Commands().Run("Form1.ToolButton38");  // pasted at the caret
    EXPECT_EQ(Form1.Memo2.lines, (std::vector<std::string>{"texture{texture{", "}", "}"}));
    EXPECT_EQ(Form1.Memo2.selStart, 18);
    Commands().Run("Form1.ToolButton39");
    EXPECT_TRUE(Form1.Memo2.lines.empty());
}

TEST_F(CustomMaterialTest, InsertNeedsAModelAndShowsThePicker) {
    Commands().Run("Form1.ToolButton34");
    EXPECT_EQ(Shown(), std::vector<std::string>{"Load a model first"});
    EXPECT_TRUE(dialogs.shown.empty());
    LoadTwoFaces();
    dialogs.whileShown = [](std::string_view) {
        Form8.ListBox3.index = 1;
        Commands().Call("Form8.ListBox3.DblClick");
    };
    Commands().Run("Form1.ToolButton34");
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Form8"});
    EXPECT_EQ(Form1.Memo2.lines, (std::vector<std::string>{"        finish{Dull}", ""}));
    EXPECT_TRUE(Form1.CheckBox10.checked);
    // Closed without a choice over a memo of a blank line: no material.
    dialogs.whileShown = nullptr;
    Form1.Memo2.lines = {" "};
    Form1.CheckBox10.checked = false;
    Commands().Run("Form1.ToolButton34");
    EXPECT_FALSE(Form1.CheckBox10.checked);
}

TEST_F(CustomMaterialTest, PreviewWritesTheTestMaterialAndStartsPovRayInTheProgramFolder) {
    Commands().Run("Form1.ToolButton40");
    LoadTwoFaces();
    Commands().Run("Form1.ToolButton40");
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Load a model first", "POV-Ray material is empty. Press Add first"}));

    Form1.Memo2.lines = {"material{texture{T_Wood1}}"};
    Form1.Edit52.text = (dir / "nowhere").string();
    Commands().Run("Form1.ToolButton40");
    EXPECT_EQ(Shown().back(), "Select the location of the POV-Ray executable in the export options tab");
    EXPECT_EQ(Log().back(), "Could not start POV-Ray");
    const std::vector<std::string> include = Lines(dir / PreviewIncludeFile);  // written all the same
    ASSERT_EQ(include.size(), 12u);
    EXPECT_EQ(include[0] + include[9] + include[10] + include[11],
              "#include \"stdinc.inc\"#include \"glass.inc\"#declare Preview_=material{texture{T_Wood1}}");
    EXPECT_TRUE(fs::exists(dir / PreviewSceneFile));

    Form1.Edit52.text = FakePovRay();
    Commands().Run("Form1.ToolButton40");
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].target, Form1.Edit52.text);
    EXPECT_EQ(shell.requests[0].arguments,
              (std::vector<std::string>{PreviewIniFile, "+KFI1", "+KFF1", "+SF1", "+EF1", "+Otest_scene_POV_preview.png",
                                        "+FN", "+P"}));
    EXPECT_EQ(shell.requests[0].folder, dir.string() + "/");
    EXPECT_EQ(Log().back(), "Ready");

    // A start that will be refused writes nothing.
    fs::remove(dir / PreviewIncludeFile);
    std::ofstream(dir / "textures.inc") << "x";
    Commands().Run("Form1.ToolButton40");
    EXPECT_FALSE(fs::exists(dir / PreviewIncludeFile));
    EXPECT_EQ(shell.requests.size(), 1u);
}

TEST_F(CustomMaterialTest, BakeRendersAFlatSquareOfTheMaterialIntoTheChosenMap) {
    LoadTwoFaces();
    SceneMaterials[0].name = "1st coat";
    Form1.Memo2.lines = {"texture{pigment{color rgb 1}}"};
    Form1.Edit52.text = FakePovRay();
    // The save dialog opens in the model's folder, whose name its author chose.
    const fs::path maps = dir / "maps \"x\"\nInput_File_Name=evil.pov\n;";
    fs::create_directories(maps);
    const std::string map = (maps / "baked.tga").string();
    typing.type = 5;  // "TGA Uncompressed"
    typing.fileAnswers = {{map}};
    typing.answers = {Answer::Yes};
    Commands().Run("Form1.ToolButton41");

    ASSERT_EQ(typing.fileDialogs.size(), 1u);
    EXPECT_EQ(typing.fileDialogs[0].fileName, "POV_Ray_preview_map_1st_coat.png");
    EXPECT_EQ(typing.fileDialogs[0].filterIndex, 2);
    EXPECT_EQ(typing.chosenName, "POV_Ray_preview_map_1st_coat.tga");
    const std::vector<std::string> scene = Lines(dir / BakeSceneFile);
    ASSERT_EQ(scene.size(), 21u);
    EXPECT_EQ(scene[12], "#declare _1st_coat_=");
    EXPECT_EQ(scene[13], "texture{pigment{color rgb 1}}");
    EXPECT_EQ(scene[20], "object{m material{_1st_coat_}}");
    const std::vector<std::string> expectedIni = {"Input_File_Name=\"" + (dir / BakeSceneFile).string() + "\"",
                                                  "Output_File_Name=\"baked.tga\"",
                                                  "+W512", "+H512", "+FT", "+AM1", "+A0.3", "+UA"};
    EXPECT_EQ(Lines(dir / BakeIniFile), expectedIni);
    ASSERT_EQ(shell.requests.size(), 1u);
    // Ends by itself; the INI file in quotes, as the test's folder holds a "-".
    EXPECT_EQ(shell.requests[0].arguments, (std::vector<std::string>{"\"" + (dir / BakeIniFile).string() + "\"", "+KFI1",
                                                                      "+KFF1", "+SF1", "+EF1", "+Obaked.tga", "+FT"}));
    EXPECT_EQ(shell.requests[0].folder, maps.string() + "/");  // where POV-Ray may write the map
    EXPECT_EQ(Log().back(), "New texture should have been saved into baked.tga");
    EXPECT_EQ(Shown().back(), "Set this preview map on pigment 1 once POV-Ray is done?");
    EXPECT_EQ(Form1.ComboBox3.SelectedText(), map);
    EXPECT_TRUE(SceneMaterials[0].colorMap.empty());  // taken at the next transfer

    // A name of 255 characters: the material's identifier stays within the 255 POV-Ray reads.
    SceneMaterials[0].name = std::string(255, 'm');
    typing.fileAnswers = {{map}};
    typing.answers = {Answer::No};
    Commands().Run("Form1.ToolButton41");
    const std::vector<std::string> longScene = Lines(dir / BakeSceneFile);
    ASSERT_EQ(longScene.size(), 21u);
    EXPECT_EQ(longScene[12], "#declare " + std::string(255, 'm') + "=");
    EXPECT_EQ(longScene[20], "object{m material{" + std::string(255, 'm') + "}}");

    // Names POV-Ray would write otherwise than chosen: refused with a box,
    // nothing is written or started.
    fs::remove(dir / BakeIniFile);
    for (const char* name : {"line\nbreak.tga", "caf\xC3\xA9.tga", "both\"'.tga"}) {
        typing.fileAnswers = {{(maps / name).string()}};
        Commands().Run("Form1.ToolButton41");
        EXPECT_EQ(Shown().back().rfind("POV-Ray cannot write a map named ", 0), 0u) << Shown().back();
    }
    EXPECT_FALSE(fs::exists(dir / BakeIniFile));
    EXPECT_EQ(shell.requests.size(), 2u);
}

// A bake POV-Ray may not start where it would work (the map's folder holds
// a file of POV-Ray's own name), or whose scene it could not read from
// there, is refused with its reason before anything is written, and asks
// nothing further; a scene whose full path POV-Ray cannot read is named by
// its way from the map's folder.
TEST_F(CustomMaterialTest, ABakeThatCannotStartIsRefusedWithItsReason) {
    const fixtures::ScopedEnv noSettings("POVINI", nullptr);  // POV-Ray reads povray.ini of its folder
    LoadTwoFaces();
    Form1.Memo2.lines = {"texture{pigment{color rgb 1}}"};
    Form1.Edit52.text = FakePovRay();
    const fs::path top = dir / "t\xC3\xA9", program = top / "prog";
    for (const fs::path& folder : {program, top / "maps", dir / "maps"}) fs::create_directories(folder);
    std::ofstream(top / "maps" / "povray.ini") << "x";
    SetProgramDirOverride(program.string());
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "maps" / "a.png",
         "POV-Ray cannot read the bake scene " + (program / BakeSceneFile).string() +
             ": its path holds a line break, a letter beyond ASCII or both kinds of quote marks"},
        {top / "maps" / "a.png", "POV-Ray was not started: it would read its settings from " +
                                     (top / "maps" / "povray.ini").string() +
                                     "; move or rename it, or choose another output folder"},
    };
    for (const auto& [map, reason] : cases) {
        typing.fileAnswers = {{map.string()}};
        typing.shown.clear();
        Commands().Run("Form1.ToolButton41");
        EXPECT_EQ(Shown(), std::vector<std::string>{reason});
        EXPECT_EQ(Log().back(), "<!>" + reason);
    }
    EXPECT_TRUE(shell.requests.empty());
    EXPECT_FALSE(fs::exists(program / BakeIniFile) || fs::exists(program / BakeSceneFile));

    fs::remove(top / "maps" / "povray.ini");
    typing.fileAnswers = {{(top / "maps" / "a.png").string()}};
    typing.answers = {Answer::No};
    Commands().Run("Form1.ToolButton41");
    EXPECT_EQ(Lines(program / BakeIniFile).at(0), "Input_File_Name=\"../prog/create_image_map.pov\"");
    EXPECT_EQ(shell.requests.size(), 1u);
    // A start that fails: no word of a missing program, and no question.
    shell.succeeds = false;
    typing.fileAnswers = {{(top / "maps" / "a.png").string()}};
    const std::size_t boxes = Shown().size();
    Commands().Run("Form1.ToolButton41");
    EXPECT_EQ(Shown().size(), boxes);
    EXPECT_EQ(Log().back(), "Could not start POV-Ray");
}

// A text a model file gave its material that the reader kept switched off
// reaches POV-Ray in no way until the user switches it on or edits it:
// "Preview", "Bake..." and "Save..." into the library refuse it before any
// question, "Apply this to all materials" carries it switched off, and
// "Active" applied to all switches on no other material's such text.
// parse_string.tmp that is no plain file where POV-Ray works stops the
// preview, whose test scene the user may change, and the bake of a text
// that may run code; the bake of any other text starts.
TEST_F(CustomMaterialTest, ParseStringTmpStopsOnlyAStartThatMayRunCode) {
    // No settings file of the user's, whose header file could run code.
    const fixtures::NoUserPovRaySettings noSettings(std::filesystem::temp_directory_path());
    LoadTwoFaces();
    Form1.Edit52.text = FakePovRay();
    fs::create_directories(dir / "parse_string.tmp");
    const struct {
        const char *command, *text;
        bool started;
    } cases[] = {{"Form1.ToolButton40", "material{M_Glass}", false},
                 {"Form1.ToolButton41", "material{M_Glass}", true},
                 {"Form1.ToolButton41", "#declare C=1; material{texture{pigment{rgb C}}}", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command + std::string(" ") + c.text);
        Form1.Memo2.lines = {c.text};
        const std::size_t before = shell.requests.size();
        typing.fileAnswers = {{(dir / "baked.png").string()}};
        typing.answers = {Answer::No};
        Commands().Run(c.command);
        EXPECT_EQ(shell.requests.size(), before + (c.started ? 1 : 0));
    }
}

TEST_F(CustomMaterialTest, AHeldBackTextReachesPovRayOnlyOnceSwitchedOnOrEdited) {
    LoadTwoFaces();
    Form1.Edit52.text = FakePovRay();
    SceneMaterials[0].customText = "material{M_Glass} #fopen F \"x\" write";
    SceneMaterials[1].customText = "material{M_Water}";
    for (tmaterial& m : SceneMaterials) SwitchOnCustomTextFromFile(m);
    const auto show = [](int i) {
        Form1.ListBox1.index = i;
        Commands().Run("Form1.ListBox1");
        RefreshMaterialPanel(i);
    };
    const auto state = [](int i) {
        const tmaterial& m = SceneMaterials[static_cast<std::size_t>(i)];
        return std::pair<int, int>(m.customTextActive, m.customTextHeld);
    };
    show(0);
    typing.inputAnswers = {"lib"};
    for (const char* command : {"Form1.ToolButton40", "Form1.ToolButton41", "Form1.ToolButton42"}) {
        status.ClearPage(StatusPage::Messages);
        Commands().Run(command);
        EXPECT_TRUE(Logged("<!>The POV-Ray material of red may run a directive or a macro when the scene renders: "
                           "it goes to POV-Ray only once it is switched on (\"Active\") or edited"))
            << command;
    }
    EXPECT_TRUE(shell.requests.empty() && typing.fileDialogs.empty() && DeclareLibrary.empty());
    EXPECT_FALSE(fs::exists(dir / PreviewIncludeFile));
    // Neither the picker closed without a choice nor a paste of nothing
    // switches it on.
    Commands().Run("Form1.ToolButton34");
    Commands().Run("Form1.ToolButton38");
    EXPECT_FALSE(Form1.CheckBox10.checked);

    Form1.PopupComponent = "Label95";  // the text, to every material
    Commands().Run("Form1.Applythistoallmaterials1");
    EXPECT_EQ(state(1), std::pair(0, 1));
    show(1);
    Form1.CheckBox10.checked = true;  // "blue" switched on, "red" not with it
    Form1.PopupComponent = "CheckBox10";
    Commands().Run("Form1.Applythistoallmaterials1");
    EXPECT_EQ(std::pair(state(0), state(1)), std::pair(std::pair(0, 1), std::pair(1, 0)));

    show(0);
    Form1.CheckBox10.checked = true;  // switched on
    Commands().Run("Form1.ToolButton40");
    Form1.Memo2.lines.push_back("// mine");  // or edited, and switched off again
    Form1.CheckBox10.checked = false;
    Commands().Run("Form1.ToolButton40");
    EXPECT_EQ(shell.requests.size(), 2u);
}

TEST_F(CustomMaterialTest, TheLibraryGainsAndLosesEntriesAndKeepsThemAcrossARestart) {
    ASSERT_TRUE(InitApplication(pageHost, 1));
    EXPECT_EQ(Form8.ListBox6.items.size(), FixedMaterialSnippets);
    LoadTwoFaces();
    Form1.Memo2.lines = {"material{", "  texture{T_Gold_1A}", "}"};
    typing.inputAnswers = {"   "};
    Commands().Run("Form1.ToolButton42");
    EXPECT_EQ(typing.shown[0].text, "Enter texture name: Name:");
    EXPECT_EQ(Shown().back(), "Cannot use blank names.");
    EXPECT_TRUE(DeclareLibrary.empty());
    typing.inputAnswers = {"Gold leaf", "Spare"};
    Commands().Run("Form1.ToolButton42");
    Form1.Memo2.lines = {"material{M_Glass}"};
    Commands().Run("Form1.ToolButton42");
    EXPECT_EQ(Log().back(), "New texture Spare_ added to bottom of material list");
    EXPECT_EQ(Form8.ListBox6.items.size(), FixedMaterialSnippets + 2);
    EXPECT_EQ(Form8.ListBox6.items[16], "Gold_leaf_");

    Form8.ListBox6.index = 17;  // "Spare_" goes again
    Commands().Run("Form8.Delete1");
    ASSERT_TRUE(CloseApplication(pageHost));
    EXPECT_TRUE(DeclareLibrary.empty());

    ResetOptionsToDefaults();
    RunFormCreateHandlers();
    ASSERT_TRUE(InitApplication(pageHost, 1));
    ASSERT_EQ(DeclareLibrary.size(), 1u);
    EXPECT_EQ(DeclareLibrary[0].name, "Gold_leaf_");
    EXPECT_EQ(DeclareLibrary[0].text, "material{\r\n  texture{T_Gold_1A}\r\n}");
    EXPECT_EQ(Form8.ListBox6.items.size(), FixedMaterialSnippets + 1);
    EXPECT_EQ(Form8.ListBox6.items[16], "Gold_leaf_");
    Form1.Memo2.lines.clear();
    EXPECT_EQ(SnippetText(SnippetMaterial, 16, true), "\r\nmaterial{\r\n  texture{T_Gold_1A}\r\n}\r\n");
}

}  // namespace
