#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "platform/Memory.h"
#include "tests/fixtures/Fixtures.h"
#include "ui/core/LoadDrivers.h"

namespace {

namespace fs = std::filesystem;

// Records the window work the drivers ask for.
class RecordingWindow : public WindowHooks {
public:
    void BuildPreviewLists() override { calls.push_back("BuildPreviewLists"); }
    void ReloadMaterialMaps(int32_t mode) override { calls.push_back("ReloadMaterialMaps " + std::to_string(mode)); }
    void ResetCamera() override { calls.push_back("ResetCamera"); }
    void ApplyCameraEdits() override { calls.push_back("ApplyCameraEdits"); }
    void SetTitle(std::string_view title) override { titles.emplace_back(title); }
    void Beep() override { calls.push_back("Beep"); }
    void SetDialogDirs(std::string_view folder) override { dialogDirs.emplace_back(folder); }
    void ShowSingleModelControls() override { calls.push_back("ShowSingleModelControls"); }
    bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }

    std::vector<std::string> calls, titles, dialogDirs;
};

const char* const Triangles =
    "Part\n"
    "0 0 0 1 0 0 0 1 0\n"
    "0 0 0 0 1 0 -1 0 0\n";

const char* const Quad =
    "[q:VERTICES]\n4\n1 1 1\n3 1 1\n3 3 1\n1 3 1\n"
    "[q:FACES]\n1\n0 1 2 3\n[End]\n";

class LoadDriversTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
        Services s;
        s.window = &recording;
        windowScope = new ScopedServices(s);
        folder = fs::path(testing::TempDir()) /
                 ("load-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder / "out");
        Form2.Edit1.text = (folder / "out").string();
        savedDir = fs::current_path();
    }
    void TearDown() override {
        EXPECT_EQ(fs::current_path(), savedDir);  // the current folder never changes
        delete windowScope;
        std::error_code ec;
        fs::remove_all(folder, ec);
        ModelTest::TearDown();
    }
    std::string File(const std::string& name, const std::string& content) const {
        const fs::path p = folder / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    bool Logged(const std::string& line) const {
        return std::find(Messages().begin(), Messages().end(), line) != Messages().end();
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& s : prompts.shown) texts.push_back(s.text);
        return texts;
    }

    RecordingWindow recording;
    ScopedServices* windowScope = nullptr;
    fs::path folder, savedDir;
};

TEST_F(LoadDriversTest, OutputNamesFollowTheModel) {
    // The names do not depend on what the file holds.
    const std::string model = File("a b.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    Form1.ComboBox5.index = 3;
    LoadModelFile(model);
    EXPECT_EQ(Form1.Edit68.text, "a_b_POV_main.ini");
    EXPECT_EQ(Form1.Edit2.text, "a_b_POV_scene.pov");
    EXPECT_EQ(Form1.Edit13.text, "a_b_POV_geom.inc");
    EXPECT_EQ(Form1.Edit12.text, "a_b_POV_mat.inc");
    EXPECT_EQ(Form1.Edit29.text, "a_b_moray.inc");
    EXPECT_EQ(Form1.Edit82.text, "a_b_moray_mat.inc");
    EXPECT_EQ(Form1.Edit11.text, "a_b_moray.udo");
    EXPECT_EQ(Form1.Edit1.text, "a b.obj");
    EXPECT_EQ(Form1.Edit61.text, "a_b.bmp");  // cleaned as the others: POV-Ray writes it so
    EXPECT_EQ(Scene.modelFile, model);
    EXPECT_TRUE(Logged("Loading Model a b.obj"));

    File("out/a b.obj", "");
    EXPECT_EQ(ProposedObjOutputName(model, Form2.Edit1.text), "a b_Rev00001.obj");
    File("out/a b_Rev00001.obj", "");
    EXPECT_EQ(ProposedObjOutputName(model, Form2.Edit1.text + "/"), "a b_Rev00002.obj");
    Form1.ComboBox5.index = 0;
    LoadModelFile(model);
    EXPECT_EQ(Form1.Edit1.text, "a b_Rev00002.obj");
    EXPECT_EQ(Form1.Edit61.text, "a_b.tga");
}

TEST_F(LoadDriversTest, HistoryKeepsNineteenNewestFirst) {
    for (int i = 0; i < 25; ++i) AddToModelHistory("/m/" + std::to_string(i) + ".obj");
    const auto& items = Form1.ComboBox15.items;
    ASSERT_EQ(items.size(), 19u);
    EXPECT_EQ(items.front(), "/m/24.obj");
    EXPECT_EQ(items.back(), "/m/6.obj");
    AddToModelHistory("/m/10.obj");  // loaded again: to the top, once
    EXPECT_EQ(items.size(), 19u);
    EXPECT_EQ(items[0], "/m/10.obj");
    EXPECT_EQ(items[1], "/m/24.obj");
    EXPECT_EQ(std::count(items.begin(), items.end(), "/m/10.obj"), 1);
    AddToModelHistory("/m/10.obj");
    EXPECT_EQ(items[1], "/m/24.obj");
    EXPECT_EQ(Form1.ComboBox15.index, 0);
    EXPECT_EQ(Form1.ComboBox15.text, "/m/10.obj");

    // Through the load: the file goes to the top by its full path.
    const std::string model = File("t.raw", Triangles);
    LoadModelFile(model);
    EXPECT_EQ(items[0], model);
    EXPECT_EQ(items.size(), 19u);
}

TEST_F(LoadDriversTest, LoadAndProcessOneModel) {
    BatchFiles = {File("t.raw", Triangles)};
    ASSERT_TRUE(LoadSelectedModels());
    EXPECT_EQ(SceneFaces.size(), 2u);
    EXPECT_EQ(SceneVertices.size(), 6u);
    EXPECT_FALSE(SceneNormals.empty());  // computed: the file has none
    EXPECT_TRUE(Logged("Calculating Normals..."));
    EXPECT_TRUE(Logged("Model t.raw loaded."));
    EXPECT_EQ(BatchFiles, std::vector<std::string>{"junk"});
    EXPECT_EQ(recording.titles.back(), "Mirelan - t.raw");
    EXPECT_TRUE(recording.Called("ResetCamera"));
    EXPECT_TRUE(recording.Called("ReloadMaterialMaps 2"));
    EXPECT_TRUE(recording.Called("ShowSingleModelControls"));
    EXPECT_EQ(recording.calls.back(), "ApplyCameraEdits");
    EXPECT_EQ(recording.dialogDirs, std::vector<std::string>{folder.string()});
    EXPECT_EQ(Form1.OpenDialog1.initialDir, folder.string());
    EXPECT_TRUE(Form1.Edit68.enabled);
    EXPECT_TRUE(status.pagesEnabled);
    EXPECT_FALSE(status.waitCursor);
    EXPECT_FALSE(IsBusy());
    EXPECT_EQ(Scene.mapsLoaded, 1);
    // Defaults that follow the size: diagonal sqrt(2^2 + 1 + 0) of the box
    // (-1,0,0)..(1,1,0).
    EXPECT_EQ(Form1.Edit34.text, FloatToText(-std::sqrt(5.0) / 2));
    EXPECT_EQ(Form1.Edit35.text, FloatToText(std::sqrt(5.0) / 2));
    EXPECT_EQ(Scene.translation.x, 0);
    EXPECT_EQ(Scene.translation.y, 0.5);
    EXPECT_EQ(Form1.UpDown7.position, 35);
    EXPECT_EQ(Form1.Edit57.text, "35");
}

TEST_F(LoadDriversTest, SeveralFilesMergeIntoOneScene) {
    Form1.CheckBox26.checked = false;
    BatchFiles = {File("t.raw", Triangles), File("q.udo", Quad), File("u.raw", "0 0 9 1 0 9 0 1 9\n")};
    ASSERT_TRUE(LoadSelectedModels());
    EXPECT_EQ(SceneVertices.size(), 13u);
    EXPECT_EQ(SceneFaces.size(), 5u);
    ASSERT_EQ(SceneGroups.size(), 3u);  // "Part", "Default", "unnamed_group"
    EXPECT_EQ(SceneGroups[1].name, "Default");
    // The quad's faces point at its own vertices, after the first file's.
    for (int i = 2; i < 4; ++i)
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(SceneFaces[i].vertex[c], 7);
            EXPECT_LE(SceneFaces[i].vertex[c], 10);
        }
    // Names follow the last file; the dialogs start in the second file's folder.
    EXPECT_EQ(Form1.Edit2.text, "u_POV_scene.pov");
    EXPECT_EQ(recording.dialogDirs.front(), folder.string());
    EXPECT_EQ(recording.titles.back(), "Mirelan - u.raw");
}

TEST_F(LoadDriversTest, LinesOfALaterFileAreOffsetByTheMerge) {
    ASSERT_EQ(LoadModelFile(File("t.raw", Triangles)), LoadResult::Loaded);
    // A reader that reads lines leaves them with indices into its own
    // import lists; the merge moves them past the scene's records.
    tline line;
    line.vertex[0] = 1;
    line.vertex[1] = 2;
    LineSegments.push_back(line);
    ASSERT_EQ(LoadModelFile(File("q.udo", Quad)), LoadResult::Loaded);
    ASSERT_EQ(LineSegments.size(), 1u);
    EXPECT_EQ(LineSegments[0].vertex[0], 7);
    EXPECT_EQ(LineSegments[0].vertex[1], 8);
    EXPECT_EQ(LineSegments[0].group, 1);
}

TEST_F(LoadDriversTest, AFailingFileLeavesTheSceneAsItWas) {
    ASSERT_EQ(LoadModelFile(File("t.raw", Triangles)), LoadResult::Loaded);
    const auto vertices = SceneVertices.size(), faces = SceneFaces.size(), groups = SceneGroups.size();
    std::string error;
    EXPECT_EQ(LoadModelFile(File("bad.udo", "[m:VERTICES]\n0 0 0\n1 0 0\n0 1 0\n[m:FACES]\n0 1 2\n0 1 two\n"), &error),
              LoadResult::Failed);
    EXPECT_EQ(SceneVertices.size(), vertices);
    EXPECT_EQ(SceneFaces.size(), faces);
    EXPECT_EQ(SceneGroups.size(), groups);
    EXPECT_TRUE(ImportVertices.empty());
    EXPECT_TRUE(ImportFaces.empty());
    EXPECT_NE(error.find("bad.udo: 'two' is not a valid integer value"), std::string::npos) << error;
    EXPECT_TRUE(Logged("<!>" + error));
    EXPECT_FALSE(IsBusy());
    // The scene keeps the name and output names of the model it holds.
    EXPECT_EQ(fs::path(Scene.modelFile).filename(), "t.raw");
    EXPECT_EQ(Form1.Edit2.text, "t_POV_scene.pov");
    EXPECT_EQ(Form1.Edit1.text, "t.obj");
    // A file bigger than the memory can hold fails the same way, and says so:
    // it did not fit.
    SetMemoryLimitOverride(1 << 20);
    EXPECT_EQ(LoadModelFile(File("big.wrl", "#VRML V2.0 utf8\n" + std::string(4 << 20, ' ')), &error),
              LoadResult::NoMemory);
    SetMemoryLimitOverride(0);
    EXPECT_EQ(error, "big.wrl: not enough memory to load big.wrl");
    EXPECT_EQ(SceneFaces.size(), faces);

    // In a multi-file load the failed file ends the loading; what was merged
    // before it is kept and processed.
    std::vector<std::string> errors;
    BatchFiles = {File("t.raw", Triangles), (folder / "bad.udo").string(), File("q.udo", Quad)};
    EXPECT_FALSE(LoadSelectedModels(&errors));
    EXPECT_EQ(SceneFaces.size(), 2u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("bad.udo"), std::string::npos);
    EXPECT_EQ(recording.titles.back(), "Mirelan - t.raw");
}

TEST_F(LoadDriversTest, AModelWithoutVerticesOrFacesIsNotLoaded) {
    std::vector<std::string> errors;
    BatchFiles = {File("model.xyz", "0 0 0 1 0 0 0 1 0\n")};
    EXPECT_FALSE(LoadSelectedModels(&errors));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Model does not have vertices", "Model does not have faces"}));
    // The type that no reader takes is named among the errors, as in the log.
    EXPECT_TRUE(Logged("<!>model.xyz: files of the type .xyz cannot be read"));
    EXPECT_EQ(errors, (std::vector<std::string>{"model.xyz: files of the type .xyz cannot be read",
                                                "Model does not have vertices", "Model does not have faces"}));
    EXPECT_TRUE(Logged("<!>Model could not be loaded"));
    EXPECT_TRUE(recording.Called("Beep"));
    EXPECT_EQ(recording.titles.back(), "Mirelan");
    EXPECT_TRUE(Scene.modelFile.empty());
    EXPECT_EQ(Scene.mapsLoaded, 0);
    EXPECT_TRUE(status.pagesEnabled);

    // Names only: groups but no vertices and no faces.
    prompts.shown.clear();
    BatchFiles = {File("names.raw", "a name\nanother\n")};
    EXPECT_FALSE(LoadSelectedModels());
    EXPECT_EQ(Shown(), (std::vector<std::string>{"Model does not have vertices", "Model does not have faces"}));
    EXPECT_TRUE(SceneGroups.empty());

    // A file that does not exist is reported before anything is read.
    prompts.shown.clear();
    errors.clear();
    BatchFiles = {(folder / "gone.raw").string()};
    EXPECT_FALSE(LoadSelectedModels(&errors));
    EXPECT_EQ(Shown(), std::vector<std::string>{"File gone.raw does not exist."});
    EXPECT_EQ(errors, Shown());
}

TEST_F(LoadDriversTest, NormalsAreComputedOnlyWhenSomeAreMissing) {
    fixtures::AddCube();
    SceneNormals.clear();
    for (tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            tnormal n;
            n.p = {0, 0, 1};
            SceneNormals.push_back(n);
            f.normal[c] = static_cast<int32_t>(SceneNormals.size());
        }
    Scene.modelFile = File("cube.obj", "");
    const auto normals = SceneNormals.size();
    ASSERT_TRUE(ProcessGeometry());
    EXPECT_FALSE(Logged("Calculating Normals..."));
    // The face tables wait for the tools that need them.
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable) || IsTableCurrent(UVFaceTable) || IsTableCurrent(MaterialFaceTable));
    EXPECT_EQ(SceneNormals.size(), normals);
    EXPECT_EQ(SceneNormals[0].p.z, 1);
    EXPECT_TRUE(ModelHasNormals);

    // One bad normal index: the normals are made anew with the crease angle
    // of the Input tab.
    status.ClearPage(StatusPage::Messages);
    SceneFaces[3].normal[1] = 999;
    SceneFaces[4].vertex[0] = -5;
    SceneFaces[5].uv[2] = 77;
    Form1.Edit95.text = "not a number";
    ASSERT_TRUE(ProcessGeometry());
    EXPECT_TRUE(Logged("Calculating Normals..."));
    for (const tface& f : SceneFaces)
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(f.normal[c], 1);
            EXPECT_LE(f.normal[c], static_cast<int>(SceneNormals.size()));
            EXPECT_LE(f.uv[c], static_cast<int>(SceneUVs.size()));
        }
    EXPECT_EQ(Form1.UpDown7.position, 35);  // the angle used when the box holds no number
}

TEST_F(LoadDriversTest, ZUpFormatsAreTurnedWhenChosen) {
    const std::string quad = File("q.udo", Quad);
    ASSERT_EQ(LoadModelFile(quad), LoadResult::Loaded);
    EXPECT_EQ(SceneVertices[1].p.x, 3);
    EXPECT_EQ(SceneVertices[1].p.y, 1);
    EXPECT_EQ(SceneVertices[1].p.z, -1);
    ClearModel();
    Form1.CheckBox26.checked = false;
    ASSERT_EQ(LoadModelFile(quad), LoadResult::Loaded);
    EXPECT_EQ(SceneVertices[1].p.z, 1);
    ClearModel();
    Form1.CheckBox26.checked = true;
    ASSERT_EQ(LoadModelFile(File("u.raw", "1 2 3 4 5 6 7 8 9\n")), LoadResult::Loaded);
    EXPECT_EQ(SceneVertices[0].p.z, 3);  // RAW is never turned
}

}  // namespace
