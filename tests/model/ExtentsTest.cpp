#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "model/Connectivity.h"
#include "model/Extents.h"
#include "model/Model.h"
#include "model/Random.h"
#include "model/StatusLog.h"
#include "model/TextConv.h"
#include "tests/fixtures/Fixtures.h"

namespace {

class ExtentsTest : public fixtures::ModelTest {};

void ExpectVector(const tvector& v, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(v.x, x);
    EXPECT_DOUBLE_EQ(v.y, y);
    EXPECT_DOUBLE_EQ(v.z, z);
}

TEST_F(ExtentsTest, OnlyShownFacesAndLinesCount) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);      // -1..1
    fixtures::AddCube(2.0, {100, 0, 0}, 1, 0);    // hidden below
    fixtures::AddCube(2.0, {0, 50, 0}, 0, 1);     // deselected below
    SceneVertices.push_back(tvertex{{0, 0, -500}, 0});  // used by nothing
    fixtures::AddPolyline(3, 2.0, 0, 0);          // x 0..4
    SceneGroups[1].visible = 0;
    SceneMaterials[1].selected = 0;

    ComputeExtents();
    const textents& e = Scene.extents;
    ExpectVector(e.minimum, -1, -1, -1);
    ExpectVector(e.maximum, 4, 1, 1);
    ExpectVector(e.size, 5, 2, 2);
    ExpectVector(e.center, 1.5, 0, 0);
    EXPECT_EQ(e.centerCopy, e.center);
    EXPECT_EQ(e.minimumCopy, e.minimum);
    EXPECT_DOUBLE_EQ(e.diagonal, std::sqrt(33.0));
    EXPECT_DOUBLE_EQ(PositionStep, 0.06);  // 0.0574 to one digit
    // Areas and the subdivision count span every face.
    EXPECT_DOUBLE_EQ(Scene.totalFaceArea, 3 * 24.0);
    EXPECT_DOUBLE_EQ(Scene.smallestFaceArea, 2.0);
    EXPECT_EQ(Scene.subdivisionFaceCount, 0);
    EXPECT_TRUE(IsTableCurrent(VertexFaceTable));

    // Showing the far cube again, with one face marked.
    SceneGroups[1].visible = 1;
    SceneFaces[0].mark = 1;
    ComputeExtents();
    ExpectVector(Scene.extents.maximum, 101, 1, 1);
    EXPECT_EQ(Scene.subdivisionFaceCount, 1);
}

TEST_F(ExtentsTest, NothingShownGivesStartValuesAndAWarning) {
    fixtures::AddCube(10.0, {100, 100, 100});
    SceneGroups[0].visible = 0;
    Scene.extents.diagonal = 77;
    ComputeExtents();
    const textents start;
    EXPECT_EQ(Scene.extents.minimum, start.minimum);
    EXPECT_EQ(Scene.extents.maximum, start.maximum);
    EXPECT_EQ(Scene.extents.size, start.size);
    EXPECT_EQ(Scene.extents.center, start.center);
    EXPECT_DOUBLE_EQ(Scene.extents.diagonal, 2.0);
    EXPECT_DOUBLE_EQ(PositionStep, 0.02);
    ASSERT_FALSE(Messages().empty());
    EXPECT_EQ(Messages().back(), "<!>No visible geometry");
}

// A load measures once: its statistics take the measure while the scope
// lives and nothing it follows has changed; a change it follows, or the end
// of the scope, measures again. Neither builds the vertex table.
TEST_F(ExtentsTest, StatisticsTakeAKeptMeasureWhileWhatItFollowsIsUnchanged) {
    fixtures::AddCube(2.0, {0, 0, 0}, 0, 0);
    fixtures::AddCube(2.0, {10, 0, 0}, 1, 0);
    auto statistics = [] {
        std::vector<std::string> lines;
        ModelStatistics(lines);
        return std::pair{Scene.extents.minimum.x, Scene.extents.maximum.x};
    };
    {
        const KeepMeasures keep;
        tgroupboxes boxes;
        ComputeExtents(Scene.extents, boxes);
        EXPECT_FALSE(IsTableCurrent(VertexFaceTable));
        SceneVertices[0].p.x = -50;  // a change it does not follow: the kept measure shows
        EXPECT_EQ(statistics(), std::pair(-1.0, 11.0));
        SceneGroups[1].visible = 0;
        EXPECT_EQ(statistics(), std::pair(-50.0, 1.0));
        SceneGroups[1].visible = 1;
        fixtures::AddCube(2.0, {0, 0, 30}, 0, 0);
        EXPECT_EQ(statistics(), std::pair(-50.0, 11.0));
        SceneVertices[0].p.x = -60;
        EXPECT_EQ(statistics(), std::pair(-50.0, 11.0));
    }
    EXPECT_EQ(statistics(), std::pair(-60.0, 11.0));
    EXPECT_FALSE(IsTableCurrent(VertexFaceTable));  // nor do the statistics need it
}

TEST_F(ExtentsTest, PositionStepKeepsOneSignificantDigit) {
    for (const auto& [edge, step] : std::vector<std::pair<double, double>>{{173, 2}, {96, 1}, {2, 0.02}}) {
        // A line whose length is the diagonal.
        fixtures::ResetModel();
        fixtures::AddPolyline(2, edge);
        ComputeExtents();
        EXPECT_DOUBLE_EQ(PositionStep, step) << edge;
    }
}

TEST_F(ExtentsTest, StatisticsTextOfAQuad) {
    fixtures::AddQuad();
    std::vector<std::string> lines;
    ModelStatistics(lines);
    const std::vector<std::string> expected = {
        "==================================================",
        "Model Statistics:",
        "Number of triangular faces..... 2",
        "Number of vertices............. 4",
        "Number of normals.............. 0",
        "Number of UV coordinates....... 4",
        "Number of lines................ 0",
        "Number of materials............ 1",
        "Number of groups/meshes........ 1",
        "Number of subdivision faces.... 0",
        "UV boundaries........ from u,v=(0,0)",
        "                        to u,v=(1,1)",
        "Bounding Box....... from x,y,z=(0,0,0)",
        "                      to x,y,z=(1,1,0)",
        "                 size dx,dy,dz=(1,1,0)",
        "                  center x,y,z=(0.5,0.5,0)",
        "                       diagonal 1.414214",
        "Surface area................... 1",
        "             Smallest face area 0.5",
        "              Largest face area 0.5",
        "Memory allocated for geometry.. " +
            ByteSizeText(2 * sizeof(tface) + 4 * sizeof(tvertex) + 4 * sizeof(tuv) + sizeof(tmaterial) +
                         sizeof(tgroup)),
        " ",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ExtentsTest, WithoutUVsTheBoundsStayAndTheReportLeavesThemOut) {
    fixtures::AddCube();
    std::vector<std::string> lines;
    ModelStatistics(lines);
    EXPECT_EQ(Scene.uvMinimum, (tvector2{1e10, 1e10}));
    EXPECT_EQ(Scene.uvMaximum, (tvector2{-1e10, -1e10}));
    EXPECT_EQ(lines.size(), 20u);
    for (const std::string& l : lines) EXPECT_EQ(l.find("u,v"), std::string::npos) << l;
}

TEST_F(ExtentsTest, ShowModelStatisticsFillsGeometryAndMapsPages) {
    fixtures::AddQuad();
    status.AppendLine(StatusPage::Geometry, "old");
    status.AppendLine(StatusPage::Maps, "old");
    ShowModelStatistics();
    EXPECT_EQ(status.Lines(StatusPage::Geometry).size(), 22u);
    EXPECT_EQ(status.Lines(StatusPage::Geometry)[1], "Model Statistics:");
    EXPECT_TRUE(status.Lines(StatusPage::Maps).empty());

    Services s;
    s.mapsReport = [] { return std::vector<std::string>{"map one", "map two"}; };
    ScopedServices withReport(s);
    ShowModelStatistics();
    EXPECT_EQ(status.Lines(StatusPage::Maps), (std::vector<std::string>{"map one", "map two"}));
}

// The group extents as the plain group-by-group walk over all faces.
void ReferenceGroupExtents() {
    for (std::size_t g = 0; g < SceneGroups.size(); ++g) {
        tvector lo{1e20, 1e20, 1e20}, hi{-1e20, -1e20, -1e20};
        bool any = false;
        for (const tface& f : SceneFaces) {
            if (f.group != static_cast<int32_t>(g)) continue;
            any = true;
            for (int c = 0; c < 3; ++c) {
                const tvector& p = SceneVertices[f.vertex[c] - 1].p;
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        }
        if (any) SceneGroups[g].minimum = lo, SceneGroups[g].maximum = hi;
        SceneGroups[g].color = static_cast<int32_t>(RandomInt(1 << 24));
    }
}

TEST_F(ExtentsTest, GroupExtentsMatchTheGroupByGroupWalk) {
    fixtures::AddSphere(8, 12, 3.0, 0, 0);
    fixtures::AddCube(1.0, {5, 5, 5}, 2, 0);
    fixtures::EnsureGroup(4);  // groups 1, 3, 4 stay empty
    SeedRandom(7);
    for (std::size_t i = 0; i < SceneFaces.size(); i += 3) SceneFaces[i].group = 3;
    SceneGroups[1].minimum = {9, 9, 9};
    SceneGroups[1].maximum = {10, 10, 10};
    const std::vector<tgroup> before = SceneGroups;
    ReferenceGroupExtents();
    const std::vector<tgroup> expected = SceneGroups;

    SceneGroups = before;
    SeedRandom(7);
    ComputeGroupExtents();
    for (std::size_t g = 0; g < SceneGroups.size(); ++g) {
        EXPECT_EQ(SceneGroups[g].minimum, expected[g].minimum) << g;
        EXPECT_EQ(SceneGroups[g].maximum, expected[g].maximum) << g;
        EXPECT_EQ(SceneGroups[g].color, expected[g].color) << g;
    }
    ExpectVector(SceneGroups[1].minimum, 9, 9, 9);  // empty: kept
    EXPECT_NE(SceneGroups[1].color, before[1].color);
    ExpectVector(SceneGroups[2].minimum, 4.5, 4.5, 4.5);

    // The boxes measured with the extents give the same groups; boxes of
    // lists that changed since are measured again.
    for (bool changed : {false, true}) {
        SceneGroups = before;
        tgroupboxes boxes;
        ComputeExtents(Scene.extents, boxes);
        if (changed) SceneFaces.pop_back();
        std::vector<tgroup> walked = before;
        if (changed) {
            SeedRandom(7);
            ComputeGroupExtents();
            walked = SceneGroups;
            SceneGroups = before;
        }
        SeedRandom(7);
        ComputeGroupExtents(boxes);
        for (std::size_t g = 0; g < SceneGroups.size(); ++g) {
            const tgroup& want = changed ? walked[g] : expected[g];
            EXPECT_EQ(SceneGroups[g].minimum, want.minimum) << g;
            EXPECT_EQ(SceneGroups[g].maximum, want.maximum) << g;
            EXPECT_EQ(SceneGroups[g].color, want.color) << g;
        }
    }
}

TEST(DXFPalette, KnownEntriesAndOutOfRange) {
    EXPECT_EQ(DXFColorToVector(300), (tvector{1, 1, 1}));
    EXPECT_EQ(DXFColorToVector(-1), (tvector{1, 1, 1}));
    EXPECT_EQ(DXFColorToVector(0), (tvector{0, 0, 0}));
    EXPECT_EQ(DXFColorToVector(1), (tvector{1, 0, 0}));
    EXPECT_EQ(DXFColorToVector(5), (tvector{0, 0, 1}));
    EXPECT_EQ(DXFColorToVector(8), (tvector{65 / 255.0, 65 / 255.0, 65 / 255.0}));
    EXPECT_EQ(DXFColorToVector(10), (tvector{1, 0, 0}));
    EXPECT_EQ(DXFColorToVector(11), (tvector{1, 170 / 255.0, 170 / 255.0}));
    EXPECT_EQ(DXFColorToVector(250), (tvector{51 / 255.0, 51 / 255.0, 51 / 255.0}));
    EXPECT_EQ(DXFColorToVector(254), (tvector{190 / 255.0, 190 / 255.0, 190 / 255.0}));
    // Green and blue hues, full and pale, and a darker level.
    EXPECT_EQ(DXFColorToVector(90), (tvector{0, 1, 0}));
    EXPECT_EQ(DXFColorToVector(170), (tvector{0, 0, 1}));
    EXPECT_EQ(DXFColorToVector(92), (tvector{0, 189 / 255.0, 0}));
    for (int i = 10; i < 250; i += 2) {
        const tvector full = DXFColorToVector(i), pale = DXFColorToVector(i + 1);
        EXPECT_GE(pale.x + pale.y + pale.z, full.x + full.y + full.z) << i;
    }
}

TEST(PowerOfTwo, FloorsToAPowerOfTwo) {
    EXPECT_EQ(FloorPowerOfTwo(512), 512);
    EXPECT_EQ(FloorPowerOfTwo(600), 512);
    EXPECT_EQ(FloorPowerOfTwo(1), 1);
    EXPECT_EQ(FloorPowerOfTwo(3), 2);
    EXPECT_EQ(FloorPowerOfTwo(0), 0);
    EXPECT_EQ(FloorPowerOfTwo(INT_MAX), 1 << 30);
}

}  // namespace
