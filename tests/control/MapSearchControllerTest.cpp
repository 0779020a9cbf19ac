// The "Map Search" dialog driven through the dispatcher as its window
// drives it: the user's steps run while the dialog is shown.
#include <fstream>

#include "ControlFixtures.h"
#include "model/Model.h"
#include "ui/control/Controllers.h"

namespace {

// Runs the test's steps while a dialog is shown; its record's result is the
// answer (Cancel when the steps left it open).
class ScriptedDialogs : public FormDialogs {
public:
    ModalResult ShowModal(std::string_view form) override {
        ModalResult& result = *ModalResultOf(form) = ModalResult::None;
        if (steps) steps();
        return result == ModalResult::None ? ModalResult::Cancel : result;
    }
    std::function<void()> steps;
};

class MapSearchControllerTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        controllers = std::make_unique<Controllers>(ControllerPorts{host, help, dialogs});
        controllers->Register(Commands());
        for (const char* f : {"one/bark.jpg", "one/deep/BARK.JPG", "two/bark.jpg", "model/wood.png"}) {
            std::filesystem::create_directories((dir / f).parent_path());
            std::ofstream(dir / f) << "x";
        }
        base = dir.string() + "/";
        Scene.modelFile = base + "model/car.obj";
    }
    void TearDown() override {
        SceneMaterials.clear();
        Scene.modelFile.clear();
        ControlTest::TearDown();
    }
    ScriptedDialogs dialogs;
    std::unique_ptr<Controllers> controllers;
    std::string base;
};

TEST_F(MapSearchControllerTest, FindListsEveryHitAndADoubleClickOnOnePicksIt) {
    searchForm2.Memo1.lines = {base + "one", "  ", base + "two"};
    searchForm2.Edit1.text = "Bark.jpg";
    Commands().Run("searchForm2.Button1");
    // The first folder's hits first, its files before its subfolders.
    EXPECT_EQ(searchForm2.ListBox1.items,
              (std::vector<std::string>{base + "one/bark.jpg", base + "one/deep/BARK.JPG", base + "two/bark.jpg"}));
    Commands().Run("searchForm2.ListBox1.DblClick");  // nothing picked yet: stays open
    EXPECT_EQ(searchForm2.modalResult, ModalResult::None);
    searchForm2.ListBox1.index = 2;
    Commands().Run("searchForm2.ListBox1.DblClick");
    EXPECT_EQ(searchForm2.modalResult, ModalResult::Ok);
    // An empty list searches the model's folder; finding nothing is said.
    searchForm2.Memo1.lines = {" "};
    searchForm2.Edit1.text = "tyre.jpg";
    Commands().Run("searchForm2.Button1");
    EXPECT_EQ(searchForm2.Memo1.lines.front(), base + "model/");
    EXPECT_TRUE(searchForm2.ListBox1.items.empty());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Could not find tyre.jpg");
}

TEST_F(MapSearchControllerTest, AllMapsModeClosesAtOnceThenFindsTheMissingMaps) {
    tmaterial m;
    NewMaterial(m);
    m.colorMap = "/lost/Wood.png";
    SceneMaterials.push_back(m);
    searchForm2.Memo1.lines.clear();
    bool disabled = false;
    dialogs.steps = [&] {
        disabled = !searchForm2.Edit1.enabled && !searchForm2.ListBox1.enabled &&
                   searchForm2.Edit1.text == "Search for all maps";
        Commands().Run("searchForm2.Button1");
    };
    EXPECT_TRUE(controllers->mapSearch.SearchMaps());
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(searchForm2.Edit1.enabled && searchForm2.Edit1.text.empty());
    EXPECT_EQ(SceneMaterials[0].colorMap.str(), base + "model/wood.png");
    SceneMaterials[0].colorMap = "/lost/Wood.png";  // cancelled: nothing is searched
    dialogs.steps = nullptr;
    EXPECT_FALSE(controllers->mapSearch.SearchMaps());
    EXPECT_EQ(SceneMaterials[0].colorMap.str(), "/lost/Wood.png");
}

}  // namespace
