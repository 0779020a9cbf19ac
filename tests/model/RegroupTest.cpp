// Regrouping the faces by material or by group, checked against the model's
// consistency check, and the consistency check itself.
#include <map>
#include <set>

#include "model/ModelCheck.h"
#include "model/Regroup.h"
#include "tests/fixtures/Fixtures.h"

namespace {

using fixtures::AddFace;
using fixtures::AddPolyline;
using fixtures::AddVertex;

// Records the textures asked for and deleted; every texture name above 0
// is a texture.
class TextureHooks : public WindowHooks {
public:
    bool IsTexture(int32_t name) override { return name > 0; }
    void DeleteTexture(int32_t name) override { deleted.insert(name); }
    std::set<int32_t> deleted;
};

class RegroupTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        fixtures::ModelTest::SetUp();
        fixtures::ResetModel();
        Services s;
        s.window = &textures;
        hooks = std::make_unique<ScopedServices>(s);
    }
    void TearDown() override {
        hooks.reset();
        fixtures::ModelTest::TearDown();
    }
    // A face of three fresh vertices in group g with material m.
    void Face(int g, int m) {
        const int32_t a = AddVertex(0, 0, 0), b = AddVertex(1, 0, 0), c = AddVertex(0, 1, 0);
        AddFace(a, b, c, g, m);
    }
    // Three groups, three materials, six faces over five pairs, and lines:
    // one polyline on a pair the faces use, one on a pair they do not.
    void MixedModel() {
        for (const auto& [g, m] : std::vector<std::pair<int, int>>{{2, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}, {1, 0}})
            Face(g, m);
        AddPolyline(3, 1.0, 0, 1);
        AddPolyline(2, 1.0, 2, 2);
        for (std::size_t i = 0; i < SceneMaterials.size(); ++i) {
            SceneMaterials[i].name = "m" + std::to_string(i);
            SceneMaterials[i].colorMap = "map" + std::to_string(i) + ".png";
            SceneMaterials[i].glTexture = static_cast<int32_t>(10 + i);
        }
        for (std::size_t i = 0; i < SceneGroups.size(); ++i) SceneGroups[i].name = "g" + std::to_string(i);
        SceneGroups[1].visible = 0;
        SceneGroups[1].castsShadow = 0;
    }
    TextureHooks textures;
    std::unique_ptr<ScopedServices> hooks;
};

// The pair (group, material) of every face and line.
std::vector<std::pair<int32_t, int32_t>> Pairs() {
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (const tface& f : SceneFaces) pairs.emplace_back(f.group, f.material);
    for (const tline& l : LineSegments) pairs.emplace_back(l.group, l.material);
    return pairs;
}

TEST_F(RegroupTest, EveryCommandKeepsTheModelConsistentAndThePartitionOfItsSource) {
    struct Case {
        const char* name;
        void (*regroup)(tmodelundo*);
        // The new index of a record must be a function of this key of its
        // old pair, and different keys must get different indices.
        int (*key)(std::pair<int32_t, int32_t>);
        bool buildsMaterials;
        std::size_t count;
    };
    const Case cases[] = {
        {"MaterialsFromGroups", MaterialsFromGroups, [](auto p) { return p.first; }, true, 3},
        {"MaterialsFromGroupsAndMaterials", MaterialsFromGroupsAndMaterials,
         [](auto p) { return p.first * 10 + p.second; }, true, 6},
        {"GroupsFromMaterials", GroupsFromMaterials, [](auto p) { return p.second; }, false, 3},
        {"GroupsFromMaterialsAndGroups", GroupsFromMaterialsAndGroups,
         [](auto p) { return p.first * 10 + p.second; }, false, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixtures::ResetModel();
        MixedModel();
        const auto before = Pairs();
        c.regroup(nullptr);
        CountFacesPerGroupAndMaterial();
        EXPECT_EQ(ModelConsistencyProblems(), std::vector<std::string>{});
        EXPECT_EQ((c.buildsMaterials ? SceneMaterials.size() : SceneGroups.size()), c.count);
        const auto after = Pairs();
        ASSERT_EQ(after.size(), before.size());
        std::map<int, int32_t> indexOfKey;
        std::map<int32_t, int> keyOfIndex;
        for (std::size_t i = 0; i < before.size(); ++i) {
            const int key = c.key(before[i]);
            const int32_t index = c.buildsMaterials ? after[i].second : after[i].first;
            EXPECT_EQ(indexOfKey.try_emplace(key, index).first->second, index) << "record " << i;
            EXPECT_EQ(keyOfIndex.try_emplace(index, key).first->second, key) << "record " << i;
            // The other partition is left as it was.
            EXPECT_EQ(c.buildsMaterials ? after[i].first : after[i].second,
                      c.buildsMaterials ? before[i].first : before[i].second);
        }
    }
}

TEST_F(RegroupTest, PairsMakeCopiesNumberedByTheirFirstFaceAndLoggedByListOrder) {
    // Two groups and three materials; the faces use only (1, 2) and (0, 2).
    Face(1, 2);
    Face(0, 2);
    Face(1, 2);
    SceneGroups[0].name = "left";
    SceneGroups[1].name = "right";
    SceneMaterials[2].name = "skin";
    SceneMaterials[2].diffuse = {0.5, 0.25, 0.125};
    SceneMaterials[2].colorMap = "skin.jpg";
    SceneMaterials[2].glTexture = 7;
    SceneMaterials[0].glTexture = 3;
    MaterialsFromGroupsAndMaterials();

    ASSERT_EQ(SceneMaterials.size(), 2u);
    EXPECT_EQ(SceneMaterials[0].name, "right_skin");
    EXPECT_EQ(SceneMaterials[1].name, "left_skin");
    for (const tmaterial& m : SceneMaterials) {
        EXPECT_EQ(m.diffuse, (tvector{0.5, 0.25, 0.125}));
        EXPECT_EQ(m.colorMap, "skin.jpg");
        EXPECT_EQ(m.glTexture, 7);
        EXPECT_EQ(m.changed, 1);
    }
    EXPECT_EQ(SceneFaces[0].material, 0);
    EXPECT_EQ(SceneFaces[1].material, 1);
    EXPECT_EQ(textures.deleted, (std::set<int32_t>{3}));  // the copies keep texture 7
    const std::vector<std::string> expected = {"Assinging new materials to faces...", "Creating new materials...",
                                               "Material [2]= left_skin", "Material [1]= right_skin",
                                               "Erasing old materials..."};
    EXPECT_EQ(Messages(), expected);
}

TEST_F(RegroupTest, NewRecordsAreDefaultsWhileCopiesKeepTheirSource) {
    MixedModel();
    MaterialsFromGroups();
    EXPECT_EQ(SceneMaterials[1].name, "g1_material");
    EXPECT_TRUE(SceneMaterials[1].colorMap.empty());  // the old maps are gone
    EXPECT_EQ(textures.deleted, (std::set<int32_t>{10, 11, 12}));
    GroupsFromMaterials();
    EXPECT_EQ(SceneGroups[1].name, "g1_material_group");
    EXPECT_EQ(SceneGroups[1].visible + SceneGroups[1].castsShadow, 2);  // new records: the defaults

    fixtures::ResetModel();
    MixedModel();
    GroupsFromMaterialsAndGroups();
    // The first face's pair (2, 0) is group 0; (1, 1) from the fourth face is group 2.
    EXPECT_EQ(SceneGroups[0].name, "g2_m0");
    EXPECT_EQ(SceneGroups[2].name, "g1_m1");
    EXPECT_EQ(SceneGroups[2].visible + SceneGroups[2].castsShadow, 0);  // copies: the source's flags
}

TEST_F(RegroupTest, ABadIndexChangesNothing) {
    MixedModel();
    LineSegments[0].material = 9;
    const auto before = Pairs();
    const std::size_t materials = SceneMaterials.size();
    for (void (*regroup)(tmodelundo*) : {MaterialsFromGroups, MaterialsFromGroupsAndMaterials, GroupsFromMaterials,
                              GroupsFromMaterialsAndGroups}) {
        EXPECT_THROW(regroup(nullptr), ModelError);
        EXPECT_EQ(Pairs(), before);
        EXPECT_EQ(SceneMaterials.size(), materials);
    }
    EXPECT_TRUE(textures.deleted.empty());
}

TEST_F(RegroupTest, TheConsistencyCheckNamesEachKindOfFault) {
    const struct {
        const char* fault;
        void (*spoil)();
        const char* finding;
    } cases[] = {
        {"face material", [] { SceneFaces[1].material = 5; }, "face 1: material 5 outside 0..2"},
        {"face vertex", [] { SceneFaces[0].vertex[2] = 99; }, "face 0: vertex 99 outside 1.."},
        {"line group", [] { LineSegments[2].group = -1; }, "line 2: group -1 outside 0..2"},
        {"polyline", [] { Polylines[1].count = 5; }, "polyline 1: segments 2 + 5 outside the 3 segments"},
        {"count", [] { SceneGroups[0].faceCount = 7; }, "group 0 (g0): counts 7 faces, 2 lines; used by 2 faces, 2 lines"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        fixtures::ResetModel();
        MixedModel();
        CountFacesPerGroupAndMaterial();
        ASSERT_TRUE(ModelConsistencyProblems().empty());
        c.spoil();
        const std::vector<std::string> found = ModelConsistencyProblems();
        ASSERT_FALSE(found.empty());
        EXPECT_NE(found[0].find(c.finding), std::string::npos) << found[0];
    }
}

}  // namespace
