// The load commands of the Input tab driven as the window drives them:
// the open dialog answered by the test, the history combo, merging.
#include "CommandFixtures.h"
#include "model/StatusLog.h"
#include "ui/core/LoadDrivers.h"

namespace {

using LoadCommandsTest = CommandTest;

TEST_F(LoadCommandsTest, LoadAndMergeTwoFiles) {
    const std::string a = WriteObj("models/a b.obj");
    const std::string b = WriteObj("models/second.obj", 5);
    prompts.fileAnswers = {{a}};
    Commands().Run("Form1.N3DModel1");
    EXPECT_TRUE(prompts.fileDialogs.at(0).multiSelect);
    EXPECT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(Form1.caption, "Mirelan - a b.obj");
    EXPECT_TRUE(Form1.Merge3Dmodel1.enabled && Form1.Button20.enabled && Form9.visible);
    EXPECT_EQ(Form1.Edit2.text, "a_b_POV_scene.pov");
    EXPECT_EQ(Form1.Edit86.text, "a b.mtl");  // follows the OBJ name

    prompts.fileAnswers = {{b}};
    Commands().Run("Form1.Merge3Dmodel1");
    EXPECT_FALSE(prompts.fileDialogs[1].multiSelect);
    EXPECT_EQ(prompts.fileDialogs[1].fileName, a);  // the dialog keeps its last choice
    EXPECT_EQ(SceneFaces.size(), 4u);
    EXPECT_EQ(Scene.modelFile, b);
    EXPECT_EQ(Form1.Edit2.text, "second_POV_scene.pov");
    EXPECT_EQ(Form1.ComboBox15.items, (std::vector<std::string>{b, a}));

    // "Load selected" and Enter in the history combo replace the model.
    Form1.ComboBox15.text = a;
    Commands().Run("Form1.ComboBox15.Enter");
    EXPECT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(Scene.modelFile, a);
    Form1.ComboBox15.text = b;
    Commands().Run("Form1.Button20");  // "Merge selected"
    EXPECT_EQ(SceneFaces.size(), 4u);

    // Several files chosen at once merge into one scene.
    prompts.fileAnswers = {{a, b}};
    Commands().Run("Form1.N3DModel1");
    EXPECT_EQ(SceneFaces.size(), 4u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(LoadCommandsTest, MissingFilesAndCancelledDialogsChangeNothing) {
    const std::string a = WriteObj("a.obj");
    BatchFiles = {a};
    LoadSelectedModels();
    Form1.ComboBox15.text = (dir / "gone.obj").string();
    Commands().Run("Form1.Button71");
    Commands().Run("Form1.Button20");
    prompts.fileAnswers = {{(dir / "gone.obj").string()}, {}};
    Commands().Run("Form1.Merge3Dmodel1");
    Commands().Run("Form1.N3DModel1");  // cancelled
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"File not found.", "File gone.obj could not be found.",
                                                     "File gone.obj could not be found."}));
    EXPECT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(Scene.modelFile, a);
}

}  // namespace
