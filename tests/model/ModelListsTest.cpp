#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <unordered_set>

#include "model/HelpTopic.h"
#include "model/ModelLists.h"
#include "model/TextConv.h"
#include "tests/fixtures/Fixtures.h"

namespace {

using fixtures::ModelTest;

int AddGroup(const std::string& name) {
    tgroup g;
    NewGroup(g);
    g.name = name;
    SceneGroups.push_back(g);
    return static_cast<int>(SceneGroups.size()) - 1;
}

int AddMaterial(const std::string& name) {
    tmaterial m;
    NewMaterial(m);
    m.name = name;
    SceneMaterials.push_back(m);
    return static_cast<int>(SceneMaterials.size()) - 1;
}

void AddLine(int group, int material) {
    tvertex v;
    SceneVertices.push_back(v);
    v.p = {1, 0, 0};
    SceneVertices.push_back(v);
    tline l;
    l.vertex[0] = static_cast<int32_t>(SceneVertices.size()) - 1;
    l.vertex[1] = static_cast<int32_t>(SceneVertices.size());
    l.group = group;
    l.material = material;
    LineSegments.push_back(l);
}

std::vector<std::string> MaterialNames() {
    std::vector<std::string> names;
    for (const tmaterial& m : SceneMaterials) names.push_back(m.name.str());
    return names;
}

// ---- Empty groups and unused materials ----------------------------------

class DeleteEmptyGroupsTest : public ModelTest {};

TEST_F(DeleteEmptyGroupsTest, EmptyGroupAndUnusedMaterialGoLinesAreRemapped) {
    AddGroup("A");
    AddGroup("B");
    AddGroup("C");
    AddMaterial("faces");
    AddMaterial("unused");
    AddMaterial("lines");
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    AddLine(2, 2);
    AddLine(2, 2);
    CountFacesPerGroupAndMaterial();

    DeleteEmptyGroups();

    ASSERT_EQ(SceneGroups.size(), 2u);
    EXPECT_EQ(SceneGroups[0].name, "A");
    EXPECT_EQ(SceneGroups[1].name, "C");
    ASSERT_EQ(SceneMaterials.size(), 2u);
    EXPECT_EQ(SceneMaterials[1].name, "lines");  // used only by lines: kept
    for (const tline& l : LineSegments) {
        EXPECT_EQ(l.group, 1);
        EXPECT_EQ(l.material, 1);
    }
    for (const tface& f : SceneFaces) {
        EXPECT_EQ(f.group, 0);
        EXPECT_EQ(f.material, 0);
    }
    EXPECT_EQ(SceneGroups[1].lineCount, 2);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"<!> Group B is empty. Deleted.",
                                                    "<!> Material unused is not used. Deleted."}));
}

TEST_F(DeleteEmptyGroupsTest, LogsFromLastToFirstAndRemapsAcrossSeveralGaps) {
    for (const char* n : {"e0", "k1", "e2", "e3", "k4"}) AddGroup(n);
    AddMaterial("m");
    fixtures::AddQuad(1, 0);
    fixtures::AddQuad(4, 0);
    CountFacesPerGroupAndMaterial();

    DeleteEmptyGroups();

    ASSERT_EQ(SceneGroups.size(), 2u);
    EXPECT_EQ(SceneFaces[0].group, 0);
    EXPECT_EQ(SceneFaces[2].group, 1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"<!> Group e3 is empty. Deleted.",
                                                    "<!> Group e2 is empty. Deleted.",
                                                    "<!> Group e0 is empty. Deleted."}));
}

TEST_F(DeleteEmptyGroupsTest, StaleCountsNeverDeleteAGroupInUse) {
    AddGroup("used");
    AddMaterial("m");
    fixtures::AddQuad(0, 0);
    // Counts left at zero, as after a reader that forgot to recount.
    DeleteEmptyGroups();
    EXPECT_EQ(SceneGroups.size(), 1u);
    EXPECT_EQ(SceneMaterials.size(), 1u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(DeleteEmptyGroupsTest, CurrentMaterialStaysOnItsRecordOrItsKeptPredecessor) {
    AddGroup("g");
    for (const char* n : {"m0", "gone1", "m2", "gone3"}) AddMaterial(n);
    fixtures::AddQuad(0, 0);
    fixtures::AddQuad(0, 2);

    CurrentMaterialIndex = 2;
    DeleteEmptyGroups();
    EXPECT_EQ(CurrentMaterialIndex, 1);
    EXPECT_EQ(SceneMaterials[CurrentMaterialIndex].name, "m2");

    fixtures::ResetModel();
    AddGroup("g");
    for (const char* n : {"m0", "m1", "gone2", "gone3"}) AddMaterial(n);
    fixtures::AddQuad(0, 0);
    fixtures::AddQuad(0, 1);
    CurrentMaterialIndex = 3;
    DeleteEmptyGroups();
    EXPECT_EQ(CurrentMaterialIndex, 1);

    // Nothing left: the index is 0.
    fixtures::ResetModel();
    AddGroup("g");
    AddMaterial("only");
    CurrentMaterialIndex = 0;
    DeleteEmptyGroups();
    EXPECT_TRUE(SceneMaterials.empty());
    EXPECT_EQ(CurrentMaterialIndex, 0);
}

TEST_F(DeleteEmptyGroupsTest, IndexOutOfRangeRaisesAndLeavesTheListsAsTheyWere) {
    AddGroup("g");
    AddGroup("empty");
    AddMaterial("m");
    fixtures::AddQuad(0, 0);
    SceneFaces[1].group = 7;
    EXPECT_THROW(DeleteEmptyGroups(), ModelError);
    EXPECT_EQ(SceneGroups.size(), 2u);
    EXPECT_EQ(SceneFaces[0].group, 0);
}

// ---- Unique material names ------------------------------------------------

// The rule as first stated: for each material in turn, until its identifier
// is unique, every later clash gets "_2" appended. Used only with names short
// enough never to be cut.
std::vector<std::string> ReferenceUnique(std::vector<std::string> names) {
    for (std::size_t m = 0; m < names.size(); ++m) {
        for (;;) {
            const std::string key = CleanIdentifier(names[m]);
            std::vector<std::size_t> matches;
            for (std::size_t j = 0; j < names.size(); ++j)
                if (CleanIdentifier(names[j]) == key) matches.push_back(j);
            if (matches.size() <= 1) break;
            for (std::size_t k = 1; k < matches.size(); ++k) names[matches[k]] += "_2";
        }
    }
    return names;
}

class UniqueNamesTest : public ModelTest {};

TEST_F(UniqueNamesTest, RepeatedAndLookAlikeNames) {
    for (const char* n : {"a", "a", "a", "wood 1", "wood_1", "b"}) AddMaterial(n);
    MakeMaterialNamesUnique();
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"a", "a_2", "a_2_2", "wood 1", "wood_1_2", "b"}));
}

TEST_F(UniqueNamesTest, SameNamesAsTheStepwiseRuleOnRandomSets) {
    const std::vector<std::string> pool = {"a", "a_2", "a 2", "a_2_2", "b", "b_2", "a-2", "A", "a_2 2"};
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        fixtures::ResetModel();
        std::vector<std::string> names;
        const int n = 1 + static_cast<int>(rng() % 9);
        for (int i = 0; i < n; ++i) names.push_back(pool[rng() % pool.size()]);
        for (const std::string& s : names) AddMaterial(s);
        MakeMaterialNamesUnique();
        ASSERT_EQ(MaterialNames(), ReferenceUnique(names)) << "round " << round;
    }
}

// The rule for names of any length: each material in turn, against the
// identifiers of the names before it, gets "_2" appended (the name first cut
// so that the suffix fits) while its identifier is taken, and once that no
// longer changes the name, "_3", "_4", ... after the name cut to fit.
std::vector<std::string> StepwiseUnique(std::vector<std::string> names) {
    std::unordered_set<std::string> taken;
    const auto isTaken = [&](const std::string& name) { return taken.count(CleanIdentifier(name)) > 0; };
    for (std::string& name : names) {
        while (isTaken(name)) {
            std::string next = name.substr(0, 253) + "_2";
            if (next == name) {  // the name can grow no longer: count
                for (int n = 3; isTaken(next); ++n) {
                    const std::string tail = "_" + std::to_string(n);
                    next = name.substr(0, 255 - tail.size()) + tail;
                }
            }
            name = next;
        }
        taken.insert(CleanIdentifier(name));
    }
    return names;
}

TEST_F(UniqueNamesTest, SameNamesAsTheStepwiseRuleForLongAndPaddedNames) {
    const std::string x(250, 'x');
    const std::vector<std::string> pool = {x + "abc", x + "abd", x + "a!!", x + "!ab", " " + x + "ab", x + "_2",
                                           x + "a_2", x + "ab_2", x + "abc_2", "  " + x + "ab", x.substr(0, 200),
                                           "c", "c!", " c", "c ", "c_2", "!c"};
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        fixtures::ResetModel();
        std::vector<std::string> names;
        const int n = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) names.push_back(pool[rng() % pool.size()]);
        for (const std::string& s : names) AddMaterial(s);
        MakeMaterialNamesUnique();
        ASSERT_EQ(MaterialNames(), StepwiseUnique(names)) << "round " << round;
    }
}

TEST_F(UniqueNamesTest, LongNamesAlwaysEndUnique) {
    const std::string longName(255, 'x');
    const std::string nearlyLong(254, 'y');
    for (int i = 0; i < 5; ++i) AddMaterial(longName);
    for (int i = 0; i < 3; ++i) AddMaterial(nearlyLong);
    for (int i = 0; i < 400; ++i) AddMaterial("c");  // chains of "_2" past the length limit
    MakeMaterialNamesUnique();

    std::unordered_set<std::string> keys;
    for (const tmaterial& m : SceneMaterials) {
        EXPECT_LE(m.name.size(), 255u);
        EXPECT_TRUE(keys.insert(CleanIdentifier(m.name.view())).second) << m.name.str();
    }
    EXPECT_EQ(SceneMaterials[0].name.str(), longName);
    EXPECT_EQ(SceneMaterials[1].name.str(), std::string(253, 'x') + "_2");
    EXPECT_EQ(SceneMaterials[2].name.str(), std::string(253, 'x') + "_3");
    EXPECT_EQ(SceneMaterials[3].name.str(), std::string(253, 'x') + "_4");
    EXPECT_EQ(SceneMaterials[6].name.str(), std::string(253, 'y') + "_2");
}

// ---- Normalising materials ---------------------------------------------

TEST_F(ModelTest, NormalizeMaterialsTrimsClampsAndRounds) {
    AddGroup("  group ");
    int a = AddMaterial(" a ");
    AddMaterial("a");
    SceneMaterials[a].shininess = 0.0f;
    SceneMaterials[a].diffuse = {0.5, 0.1234, 1.2};
    SceneMaterials[a].transparency = 0.123;
    SceneMaterials[a].reflection = 0.555;
    SceneMaterials[1].shininess = 1.5f;
    SceneMaterials[1].ambient = {std::numeric_limits<double>::quiet_NaN(), 0, 0};

    NormalizeMaterials();

    EXPECT_EQ(SceneGroups[0].name, "group");
    EXPECT_EQ(MaterialNames(), (std::vector<std::string>{"a", "a_2"}));
    EXPECT_FLOAT_EQ(SceneMaterials[0].shininess, 0.01f);
    EXPECT_FLOAT_EQ(SceneMaterials[1].shininess, 1.0f);
    EXPECT_DOUBLE_EQ(SceneMaterials[0].diffuse.x, 128.0 / 255.0);  // 127.5 rounds to even
    EXPECT_DOUBLE_EQ(SceneMaterials[0].diffuse.y, 31.0 / 255.0);
    EXPECT_DOUBLE_EQ(SceneMaterials[0].diffuse.z, 306.0 / 255.0);
    EXPECT_DOUBLE_EQ(SceneMaterials[0].transparency, 0.12);
    EXPECT_DOUBLE_EQ(SceneMaterials[0].reflection, 0.56);
    EXPECT_EQ(SceneMaterials[1].ambient.x, 0.0);
}

// ---- Queries ------------------------------------------------------------

TEST_F(ModelTest, MapQueriesCountListAndShareTextures) {
    int a = AddMaterial("a"), b = AddMaterial("b"), c = AddMaterial("c"), d = AddMaterial("d");
    SceneMaterials[a].colorMap = "Wood.jpg";
    SceneMaterials[a].bumpMap = "bump.png";
    SceneMaterials[b].colorMap = "wood.JPG";
    SceneMaterials[b].transparencyMap = "alpha.png";
    SceneMaterials[c].colorMap = "WOOD.jpg";
    SceneMaterials[c].bumpMap = "Wood.jpg";
    SceneMaterials[d].colorMap = "wood.jpg";

    EXPECT_EQ(CountMaterialMaps(), 7);
    EXPECT_EQ(MapNameList(),
              (std::vector<std::string>{"Wood.jpg", "bump.png", "wood.JPG", "alpha.png", "WOOD.jpg", "wood.jpg"}));

    // Shared preview texture: same colour and transparency maps ignoring
    // case, the last holder wins, materials without a texture don't count.
    tmaterial probe = SceneMaterials[d];
    EXPECT_EQ(FindSharedTexture(probe), -1);
    SceneMaterials[a].glTexture = 11;
    SceneMaterials[b].glTexture = 12;  // other transparency map
    EXPECT_EQ(FindSharedTexture(probe), 11);
    SceneMaterials[c].glTexture = 13;
    EXPECT_EQ(FindSharedTexture(probe), 13);
}

TEST_F(ModelTest, AnyGroupWithoutShadow) {
    EXPECT_FALSE(AnyGroupWithoutShadow());
    AddGroup("a");
    AddGroup("b");
    EXPECT_FALSE(AnyGroupWithoutShadow());
    SceneGroups[1].castsShadow = 0;
    EXPECT_TRUE(AnyGroupWithoutShadow());
}

TEST(ColorAndFloatChecks, SameColorWithinHalfAStep) {
    const tvector a{0.5, 0.2, 0.9};
    EXPECT_TRUE(SameColor(a, a));
    EXPECT_TRUE(SameColor(a, {0.5 + 0.4 / 255, 0.2 - 0.49 / 255, 0.9}));
    EXPECT_FALSE(SameColor(a, {0.5 + 0.6 / 255, 0.2, 0.9}));
    EXPECT_FALSE(SameColor(a, {0.5, 0.2, 0.9 - 1.0 / 255}));
}

TEST(ColorAndFloatChecks, IsNaNOrInfLooksAtTheExponentBits) {
    EXPECT_FALSE(IsNaNOrInf(std::bit_cast<uint32_t>(1.0f)));
    EXPECT_FALSE(IsNaNOrInf(std::bit_cast<uint32_t>(std::numeric_limits<float>::max())));
    EXPECT_FALSE(IsNaNOrInf(std::bit_cast<uint32_t>(-0.0f)));
    EXPECT_TRUE(IsNaNOrInf(std::bit_cast<uint32_t>(std::numeric_limits<float>::infinity())));
    EXPECT_TRUE(IsNaNOrInf(std::bit_cast<uint32_t>(-std::numeric_limits<float>::infinity())));
    EXPECT_TRUE(IsNaNOrInf(std::bit_cast<uint32_t>(std::numeric_limits<float>::quiet_NaN())));
}

TEST(GroupListLineTest, LinksByFlagsAndEscapedName) {
    tgroup g;
    g.name = "Body";
    EXPECT_EQ(GroupListLine(g),
              R"(<A href="visible"><IMG src="idx:25"></A> <A href="shadow"><IMG src="idx:58"></A> Body)");
    g.castsShadow = 0;
    EXPECT_EQ(GroupListLine(g),
              R"(<A href="visible"><IMG src="idx:25"></A> <A href="noshad"><IMG src="idx:57"></A> Body)");
    g.visible = 0;
    EXPECT_EQ(GroupListLine(g),
              R"(<A href="notvis"><IMG src="idx:59"></A> <A href="noshad"><IMG src="idx:57"></A> Body)");
    g.castsShadow = 1;
    EXPECT_EQ(GroupListLine(g),
              R"(<A href="notvis"><IMG src="idx:59"></A> <A href="shadow"><IMG src="idx:58"></A> Body)");

    g.name = R"(<A href="x">&co</A>)";
    const std::string line = GroupListLine(g);
    EXPECT_EQ(line.substr(line.rfind("</A> ") + 5), "&lt;A href=&quot;x&quot;&gt;&amp;co&lt;/A&gt;");
}

TEST(GLExtensions, MatchesWholeItemsIgnoringCaseAndBlanks) {
    const std::string ext = "GL_ARB_multitexture GL_EXT_separate_specular_color,GL_EXT_bgra  ";
    EXPECT_TRUE(HasGLExtension("GL_ARB_multitexture", ext));
    EXPECT_TRUE(HasGLExtension("  gl_ext_separate_specular_color ", ext));
    EXPECT_TRUE(HasGLExtension("GL_EXT_BGRA", ext));
    EXPECT_FALSE(HasGLExtension("GL_ARB_multi", ext));
    EXPECT_FALSE(HasGLExtension("", ext));
    EXPECT_FALSE(HasGLExtension("GL_ARB_multitexture", ""));
}

// ---- Help topics ----------------------------------------------------------

class FakeHelpViewer : public HelpViewer {
public:
    std::string CurrentFileName() const override { return loaded; }
    void LoadFromFile(const std::string& fileName) override {
        loaded = fileName;
        ++loads;
    }
    void JumpToAnchor(std::string_view anchor) override { anchors.emplace_back(anchor); }
    void Show() override { ++shows; }
    std::string loaded;
    int loads = 0, shows = 0;
    std::vector<std::string> anchors;
};

class HelpTopicTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        Services s;
        s.help = &viewer;
        helpScope = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        helpScope.reset();
        HelpFilePath.clear();
        ModelTest::TearDown();
    }
    FakeHelpViewer viewer;
    std::unique_ptr<ScopedServices> helpScope;
};

TEST_F(HelpTopicTest, LoadsOnceThenOnlyJumps) {
    const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "mirelan_help_topic";
    std::filesystem::create_directories(dir);
    HelpFilePath = (dir / "help.htm").string();
    std::ofstream(HelpFilePath) << "<html></html>";

    ShowHelpTopic("#top");
    ShowHelpTopic("#lines");
    EXPECT_EQ(viewer.loads, 1);
    EXPECT_EQ(viewer.loaded, HelpFilePath);
    EXPECT_EQ(viewer.anchors, (std::vector<std::string>{"#top", "#lines"}));
    EXPECT_EQ(viewer.shows, 2);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Loading help file for fist use...", "Help file loaded"}));
    EXPECT_TRUE(status.pagesEnabled);
    std::filesystem::remove_all(dir);
}

TEST_F(HelpTopicTest, MissingFileIsNotLoadedButTheWindowStillShows) {
    HelpFilePath = "/nonexistent/mirelanhelp.htm";
    ShowHelpTopic("#top");
    EXPECT_EQ(viewer.loads, 0);
    EXPECT_EQ(viewer.shows, 1);
    EXPECT_EQ(Messages().size(), 2u);
}

}  // namespace
