#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/Connectivity.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/UniqueNames.h"
#include "model/VectorMath.h"
#include "tests/fixtures/Fixtures.h"

namespace {

using fixtures::ModelTest;

// The rule of UniqueNameSet, name by name against any test of what is taken:
// `base` itself (cut at `limit`), or SuffixedName(base, n, limit) for the
// smallest n >= 1 that is free.
template <typename Taken>
std::string UniqueName(std::string_view base, std::size_t limit, Taken&& isTaken) {
    std::string candidate(base.substr(0, limit));
    if (!isTaken(candidate)) return candidate;
    for (int64_t n = 1;; ++n) {
        candidate = SuffixedName(base, n, limit);
        if (!isTaken(candidate)) return candidate;
    }
}

TEST(TypesTest, RoundIsToNearestWithTiesToEven) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(127.5), 128);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(0.49999), 0);
    EXPECT_EQ(Round(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(Frac(-1.25), -0.25);
    EXPECT_DOUBLE_EQ(Trunc(-1.75), -1.0);
    EXPECT_EQ(SafeDiv(7, 0), 0);
}

TEST(TypesTest, ShortStringsAreCutAtTheirLimit) {
    tname n = std::string(300, 'a');
    EXPECT_EQ(n.size(), 255u);
    tlightname l = std::string(150, 'b');
    EXPECT_EQ(l.size(), 100u);
    tlongtext t = std::string(6000, 'c');
    EXPECT_EQ(t.size(), 5000u);
    n = "short";
    EXPECT_EQ(n, "short");
    EXPECT_EQ(n + "_1", "short_1");
}

class ModelRecordsTest : public ModelTest {};

TEST_F(ModelRecordsTest, NewRecordsTakeTheirDefaultsFromTheStartScene) {
    tlight light;
    NewLight(light);
    EXPECT_DOUBLE_EQ(light.areaSize, 0.06);
    EXPECT_DOUBLE_EQ(light.fadeDistance, 2.0);
    EXPECT_EQ(light.position, (tvector{0, 0, 1}));
    EXPECT_EQ(light.name, "Default");
    EXPECT_EQ(light.areaSamples, 6);
    EXPECT_FLOAT_EQ(light.spotTightness, 20.0f);

    tplaceholder p;
    NewPlaceholder(p);
    EXPECT_EQ(p.size, (tvector{0.2, 0.2, 0.2}));
    EXPECT_EQ(p.position, (tvector{0, 0, 0}));
    EXPECT_EQ(p.name, "Shape_0");
    EXPECT_GE(p.color, 0);
    EXPECT_LT(p.color, 1 << 24);

    Scene.extents.diagonal = 10;
    Scene.extents.center = {1, 2, 3};
    NewLight(light);
    NewPlaceholder(p);
    EXPECT_DOUBLE_EQ(light.areaSize, 0.3);
    EXPECT_DOUBLE_EQ(light.fadeDistance, 10.0);
    EXPECT_EQ(p.size, (tvector{1, 1, 1}));
    EXPECT_EQ(p.position, (tvector{1, 2, 3}));
}

TEST_F(ModelRecordsTest, NewMaterialsAndGroupsAreNumberedByTheSceneLists) {
    tmaterial m;
    NewMaterial(m);
    EXPECT_EQ(m.name, "Material_0");
    EXPECT_FLOAT_EQ(m.shininess, 0.4f);
    EXPECT_EQ(m.diffuse, (tvector{1, 1, 1}));
    EXPECT_EQ(m.specular, (tvector{0.3, 0.3, 0.3}));
    EXPECT_EQ(m.metal, 1);
    EXPECT_EQ(m.selected, 1);
    EXPECT_EQ(m.uvProjection, -1);
    EXPECT_DOUBLE_EQ(m.mapSize.x, -1.0);
    EXPECT_EQ(m.cellHigh, 1);
    EXPECT_TRUE(m.customText.empty());
    SceneMaterials.push_back(m);
    ImportMaterials.push_back(m);
    NewMaterial(m);
    EXPECT_EQ(m.name, "Material_1");  // import records do not count

    tgroup g;
    NewGroup(g);
    EXPECT_EQ(g.name, "Group_0");
    EXPECT_EQ(g.visible, 1);
    EXPECT_EQ(g.castsShadow, 1);

    // The group colour comes from the seeded generator: repeatable.
    SeedRandom(7);
    NewGroup(g);
    const int32_t c1 = g.color;
    SeedRandom(7);
    NewGroup(g);
    EXPECT_EQ(g.color, c1);
}

TEST_F(ModelRecordsTest, LookupReturnsTheLastExactMatch) {
    fixtures::EnsureMaterial(2);
    SceneMaterials[0].name = "wood";
    SceneMaterials[1].name = "Wood";
    SceneMaterials[2].name = "wood";
    EXPECT_EQ(FindSceneMaterial("wood"), 2);
    EXPECT_EQ(FindSceneMaterial("Wood"), 1);
    EXPECT_EQ(FindSceneMaterial("WOOD"), -1);
    EXPECT_EQ(FindSceneGroup("nothing"), -1);
    tgroup g;
    NewGroup(g);
    g.name = "a";
    ImportGroups.push_back(g);
    ImportGroups.push_back(g);
    EXPECT_EQ(FindImportGroup("a"), 1);
    EXPECT_EQ(FindImportMaterial("a"), -1);
}

struct CountingWindow : WindowHooks {
    std::vector<std::string> calls;
    std::vector<int32_t> live{7, 9};
    bool IsTexture(int32_t name) override {
        for (int32_t t : live)
            if (t == name) return true;
        return false;
    }
    void DeleteTexture(int32_t name) override {
        calls.push_back("delete " + std::to_string(name));
        std::erase(live, name);
    }
    void ClearPreviewTextures() override { calls.push_back("cache"); }
    void ClearMaterialList() override { calls.push_back("materials"); }
    void ClearGroupList() override { calls.push_back("groups"); }
};

TEST_F(ModelRecordsTest, ClearModelFreesGeometryOnlyAndRunsItsHooksInOrder) {
    CountingWindow w;
    Services s;
    s.window = &w;
    ScopedServices scope(s);

    fixtures::AddCube();
    fixtures::AddPolyline(3);
    SceneMaterials[0].glTexture = 7;
    tlight l;
    NewLight(l);
    Lights.push_back(l);
    Cameras.push_back(tcamera{});
    Placeholders.push_back(tplaceholder{});
    DeclareLibrary.push_back(tdeclare{});
    LightPresets.push_back(tlightpreset{});
    PresetLights.push_back(l);
    PreviewTextureCache.push_back(tmap{});
    CurrentMaterialIndex = 3;
    Scene.subdivisionFaceCount = 5;
    Scene.modelFile = "model.obj";
    BuildVertexFaceTable();

    ClearModel();

    EXPECT_TRUE(SceneVertices.empty() && SceneNormals.empty() && SceneUVs.empty() && SceneMaterials.empty() &&
                SceneFaces.empty() && SceneGroups.empty() && LineSegments.empty() && Polylines.empty());
    EXPECT_TRUE(PreviewTextureCache.empty());
    EXPECT_EQ(VertexFaceTable.KeyCount(), 0);
    EXPECT_EQ(Lights.size(), 1u);
    EXPECT_EQ(Cameras.size(), 1u);
    EXPECT_EQ(Placeholders.size(), 1u);
    EXPECT_EQ(DeclareLibrary.size(), 1u);
    EXPECT_EQ(LightPresets.size(), 1u);
    EXPECT_EQ(PresetLights.size(), 1u);
    EXPECT_EQ(CurrentMaterialIndex, 0);
    EXPECT_EQ(Scene.subdivisionFaceCount, 0);
    EXPECT_EQ(Scene.modelFile, "model.obj");  // the rest of the scene record stays
    EXPECT_EQ(w.calls, (std::vector<std::string>{"delete 7", "materials", "groups", "cache"}));
}

TEST_F(ModelRecordsTest, ASharedTextureIsDeletedOnceAndClearedInEveryHolder) {
    CountingWindow w;
    Services s;
    s.window = &w;
    ScopedServices scope(s);
    fixtures::EnsureMaterial(2);
    SceneMaterials[0].glTexture = 7;
    SceneMaterials[1].glTexture = 9;
    SceneMaterials[2].glTexture = 7;
    DeleteMaterialTexture(7);
    EXPECT_EQ(SceneMaterials[0].glTexture, 0);
    EXPECT_EQ(SceneMaterials[1].glTexture, 9);
    EXPECT_EQ(SceneMaterials[2].glTexture, 0);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"delete 7"}));
}

TEST_F(ModelRecordsTest, ImportListsEmptyWithoutTouchingTheScene) {
    ImportVertices.resize(3);
    ImportFaces.resize(1);
    fixtures::AddQuad();
    ClearImportLists();
    EXPECT_TRUE(ImportVertices.empty() && ImportFaces.empty());
    EXPECT_EQ(SceneFaces.size(), 2u);
}

TEST_F(ModelRecordsTest, CountsFacesAndLinesPerGroupAndMaterial) {
    fixtures::AddCube(2, {0, 0, 0}, 0, 0);
    fixtures::AddQuad(1, 1);
    fixtures::AddPolyline(4, 1.0, 1, 0);
    CountFacesPerGroupAndMaterial();
    EXPECT_EQ(SceneGroups[0].faceCount, 12);
    EXPECT_EQ(SceneGroups[1].faceCount, 2);
    EXPECT_EQ(SceneGroups[1].lineCount, 3);
    EXPECT_EQ(SceneMaterials[0].faceCount, 12);
    EXPECT_EQ(SceneMaterials[0].lineCount, 3);
    EXPECT_EQ(SceneMaterials[1].faceCount, 2);

    EXPECT_EQ(CountSelectedFaces(), 14);
    SceneGroups[1].visible = 0;
    EXPECT_EQ(CountSelectedFaces(), 12);
    SceneMaterials[0].selected = 0;
    EXPECT_EQ(CountSelectedFaces(), 0);

    SceneMaterials[0].changed = SceneMaterials[1].changed = 1;
    ClearMaterialUpdateFlags();
    EXPECT_EQ(SceneMaterials[0].changed + SceneMaterials[1].changed, 0);
}

TEST_F(ModelRecordsTest, AnIndexOutsideItsListRaisesAModelError) {
    fixtures::AddQuad();
    SceneFaces[1].group = 5;
    EXPECT_THROW(CountFacesPerGroupAndMaterial(), ModelError);
    EXPECT_THROW(At(SceneVertices, -1, "SceneVertices"), ModelError);
    EXPECT_NO_THROW(At(SceneVertices, 3, "SceneVertices"));
}

TEST(UniqueNameTest, SuffixesEndEvenForNamesAtTheLimit) {
    std::vector<std::string> taken;
    auto isTaken = [&](const std::string& n) { return std::find(taken.begin(), taken.end(), n) != taken.end(); };
    EXPECT_EQ(UniqueName("wood", 255, isTaken), "wood");
    taken = {"wood", "wood_1"};
    EXPECT_EQ(UniqueName("wood", 255, isTaken), "wood_2");

    const std::string longName(255, 'x');
    taken = {longName};
    const std::string u = UniqueName(longName, 255, isTaken);
    EXPECT_EQ(u.size(), 255u);
    EXPECT_EQ(u.substr(253), "_1");
    taken.push_back(u);
    const std::string v = UniqueName(longName, 255, isTaken);
    EXPECT_NE(u, v);
    EXPECT_LE(v.size(), 255u);
}

// A set of names gives, take after take, the name the rule gives against
// the names taken so far, whatever was taken before: a name equal to a
// suffixed one ("wood_2" before "wood" is asked for twice), bases that the
// limit cuts before the suffix so that they share their suffixed names, and
// numbers that need another digit, which cuts the base one further.
TEST(UniqueNameTest, ASetGivesTheNamesOfTheRuleWhateverWasTakenBefore) {
    UniqueNameSet wood;
    EXPECT_TRUE(wood.Add("wood_2"));
    EXPECT_FALSE(wood.Add("wood_2"));
    for (const char* expected : {"wood", "wood_1", "wood_3", "wood_4"}) EXPECT_EQ(wood.Take("wood"), expected);

    const std::vector<std::string> bases = {"", "a", "ab", "ab_1", "abcd", "abcdef", "abcdeg", "abcdefgh", "abc_1"};
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        UniqueNameSet set(6);
        std::vector<std::string> taken;
        const auto isTaken = [&](const std::string& n) { return std::ranges::find(taken, n) != taken.end(); };
        for (int step = 0; step < 150; ++step) {
            const std::string& base = bases[rng() % bases.size()];
            if (rng() % 4 == 0) {
                const std::string name = SuffixedName(base, 1 + rng() % 12, 6);
                ASSERT_EQ(set.Add(name), !isTaken(name));
                if (!isTaken(name)) taken.push_back(name);
            } else {
                const std::string expected = UniqueName(base, 6, isTaken);
                ASSERT_EQ(set.Take(base), expected) << "round " << round << ", step " << step;
                taken.push_back(expected);
            }
        }
    }
}

// Numbers handed out one after another, among names that others took: each
// candidate is tried once, not again from 1 for every name.
TEST(UniqueNameTest, EveryCandidateIsTriedOnce) {
    std::unordered_set<std::string> taken;
    for (int n = 1; n <= 1000; n += 2) taken.insert("x_" + std::to_string(n));
    SuffixNumbers numbers;
    int64_t tries = 0;
    const auto isTaken = [&](const std::string& name) {
        ++tries;
        return taken.count(name) > 0;
    };
    for (int64_t i = 0; i < 1000; ++i) {
        const int64_t n = numbers.Smallest([](int) { return std::string("x"); }, isTaken);
        EXPECT_EQ(n, i < 500 ? 2 * i + 2 : i + 501);
        taken.insert("x_" + std::to_string(n));
    }
    EXPECT_EQ(tries, 1500);
}

TEST(ConstantsTest, AreSetAtStartUp) {
    InitModelConstants();
    EXPECT_EQ(NegYAxis, (tvector{0, -1, 0}));
    EXPECT_EQ(OneVector, (tvector{1, 1, 1}));
    EXPECT_EQ(DefaultMaterialText.size(), 5000u);
    EXPECT_EQ(DefaultMaterialText.find_first_not_of(' '), std::string::npos);
    EXPECT_EQ(TriangleIndexTable[1], 1);
    EXPECT_EQ(TriangleIndexTable[2000], 2000);
}

TEST(SceneTest, StartValues) {
    InitSceneDefaults();
    EXPECT_DOUBLE_EQ(Scene.extents.diagonal, 2.0);  // not the length of the size
    EXPECT_EQ(Scene.extents.minimum, (tvector{-1, -1, -1}));
    EXPECT_EQ(Scene.extents.maximumCopy, (tvector{1, 1, 1}));
    EXPECT_EQ(Scene.extents.size, (tvector{2, 2, 2}));
    EXPECT_DOUBLE_EQ(Scene.fieldOfView, 19.0);
    EXPECT_EQ(Scene.viewOrientation, (tquaternion{1, 0, 0, 0}));
    EXPECT_EQ(Scene.viewOrientation2, (tquaternion{1, 0, 0, 0}));
    EXPECT_EQ(Scene.viewRotationAxis, (tvector{0, 1, 0}));
    EXPECT_EQ(Scene.writePovScene + Scene.writeMaterialInclude + Scene.writeObj + Scene.writeIni +
                  Scene.writeGeometryInclude,
              5);
    EXPECT_EQ(Scene.writeUdo + Scene.writeMtl + Scene.yafrayOutput, 0);
    EXPECT_TRUE(Scene.modelFile.empty());
}

class FixturesTest : public ModelTest {};

TEST_F(FixturesTest, ClosedShapesFaceOutward) {
    fixtures::AddCube(2, {0, 0, 0});
    fixtures::AddSphere(8, 12, 1.0, 1, 0);
    for (const tface& f : SceneFaces) {
        tvector c{0, 0, 0};
        for (int k = 0; k < 3; ++k) c = {c.x + SceneVertices[f.vertex[k] - 1].p.x / 3,
                                          c.y + SceneVertices[f.vertex[k] - 1].p.y / 3,
                                          c.z + SceneVertices[f.vertex[k] - 1].p.z / 3};
        const tvector n = FaceNormal(f);
        EXPECT_GT(n.x * c.x + n.y * c.y + n.z * c.z, 0);
    }
}

TEST_F(FixturesTest, GridFacesPointUp) {
    fixtures::AddGrid(3, 2);
    EXPECT_EQ(SceneFaces.size(), 12u);
    EXPECT_EQ(SceneVertices.size(), 12u);
    for (const tface& f : SceneFaces) EXPECT_GT(FaceNormal(f).y, 0.99);
}

}  // namespace
