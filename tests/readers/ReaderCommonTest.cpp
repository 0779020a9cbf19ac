#include <gtest/gtest.h>

#include "model/Model.h"
#include "options/ControlTable.h"
#include "options/Options.h"
#include "readers/ReaderCommon.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class ReaderCommonTest : public fixtures::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        ResetOptionsToDefaults();
    }
    void AddVertices(int n) {
        for (int i = 0; i < n; ++i) {
            tvertex v;
            v.p = {double(i % 2), double(i / 2), 0};
            ImportVertices.push_back(v);
        }
    }
};

TEST_F(ReaderCommonTest, NamesMapToTheirLastRecordAndAreLogged) {
    ImportNameIndex groups;
    EXPECT_EQ(AddImportGroup("a", groups), 0);
    EXPECT_EQ(AddImportGroup("b", groups, " created here"), 1);
    EXPECT_EQ(AddImportGroup("a", groups), 2);
    EXPECT_EQ(groups.Find("a"), 2);
    EXPECT_EQ(groups.Find("A"), -1);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Group [1]= a", "Group [2]= b created here", "Group [3]= a"}));
    ImportNameIndex materials;
    AddImportMaterial(std::string(300, 'm'), materials);
    EXPECT_EQ(ImportMaterials[0].name.size(), 255u);
    EXPECT_EQ(materials.Find(std::string(255, 'm')), 0);
}

TEST_F(ReaderCommonTest, PolygonsAreSplitAndBadOnesSkipped) {
    AddVertices(6);
    PolygonBuilder p;
    p.Begin(0, 0);
    for (int v : {1, 2, 4, 3}) p.AddCorner(v, 0, v);
    EXPECT_EQ(p.Emit(), 2);
    p.Begin(1, 2);
    for (int v : {1, 2, 9}) p.AddCorner(v);  // 9 is past the vertex list
    EXPECT_EQ(p.Emit(), 0);
    p.Begin(0, 0);
    p.AddCorner(1);
    p.AddCorner(2);
    EXPECT_EQ(p.Emit(), 0);  // two corners: not a face, not a fault
    p.Begin(0, 0);
    for (int i = 0; i < MaxPolygonCorners + 5; ++i) p.AddCorner(1 + i % 6);
    EXPECT_EQ(p.Emit(), 0);
    EXPECT_EQ(ImportFaces.size(), 2u);
    EXPECT_EQ(p.Skipped(), 2);
    for (const tface& f : ImportFaces)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(f.uv[c], f.vertex[c]);
    p.ReportSkipped("x.obj");
    EXPECT_EQ(Messages().back(), "<!>2 polygons with invalid vertex indices or too many corners in x.obj were skipped");
}

TEST_F(ReaderCommonTest, BadGroupAndMaterialIndicesGoToAFallback) {
    ImportNameIndex names;
    AddImportGroup("g", names);
    AddImportMaterial("m", names);
    tface f;
    ImportFaces.push_back(f);
    f.group = 3;
    ImportFaces.push_back(f);
    f.group = 0;
    f.material = -2;
    ImportFaces.push_back(f);
    ValidateImportIndices();
    EXPECT_EQ(ImportGroups.size(), 2u);
    EXPECT_EQ(ImportGroups[1].name, "unnamed_group");
    EXPECT_EQ(ImportMaterials[1].name, "unnamed_material");
    EXPECT_EQ(ImportFaces[1].group, 1);
    EXPECT_EQ(ImportFaces[2].material, 1);
    EXPECT_EQ(ImportFaces[0].group, 0);
    EXPECT_EQ(Messages().back(), "<!>2 faces or lines with an invalid group or material were moved to a default one");
}

TEST_F(ReaderCommonTest, AMissingFileIsAReadError) {
    EXPECT_THROW(ReadWholeFile("no/such/file.obj"), ReadError);
}

}  // namespace
