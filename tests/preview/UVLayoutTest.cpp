// The UV view: the UV edges of the selected faces drawn onto a recording
// canvas, v upwards, edges reaching far outside the unit square left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "model/Model.h"
#include "platform/gfx/RecordingCanvas.h"
#include "preview/UVLayout.h"
#include "tests/fixtures/Fixtures.h"

namespace {

using namespace fixtures;

// The lines drawn on an 11 x 11 canvas for one triangle with the UVs (0, 0),
// (1, 0) and the given third, each line as its ends in order and colour.
std::vector<std::string> Layout(double u3, double v3) {
    ResetModel();
    Scene.modelFile = "/models/a.obj";
    AddFace(AddVertex(0, 0, 0), AddVertex(1, 0, 0), AddVertex(0, 1, 0), 0, 0, AddUV(0, 0), AddUV(1, 0),
            AddUV(u3, v3));
    gfx::RecordingCanvas canvas(11, 11);
    EXPECT_TRUE(DrawUVLayout(canvas, 11, 11, 0, "Tahoma"));
    std::set<std::string> lines;  // each edge once, whichever way it was drawn
    for (const std::string& e : canvas.log) {
        if (e.rfind("line ", 0) != 0) continue;
        const std::size_t dash = e.find('-'), space = e.find(' ', dash);
        const std::string a = e.substr(5, dash - 5), b = e.substr(dash + 1, space - dash - 1);
        lines.insert(std::min(a, b) + "-" + std::max(a, b) + e.substr(space));
    }
    return {lines.begin(), lines.end()};
}

class UVLayoutTest : public ModelTest {};

TEST_F(UVLayoutTest, EdgesOfTheSelectionWithVUpwardsAndNoneFarOutside) {
    EXPECT_EQ(Layout(0, 1), (std::vector<std::string>{"0,0-0,10 #FF0000", "0,0-10,10 #FF0000", "0,10-10,10 #FF0000"}));
    EXPECT_EQ(FirstUVFaceMaterial(1), 0);
    EXPECT_EQ(Layout(2.5, 0.5), (std::vector<std::string>{"0,10-10,10 #FF0000"}));
}

TEST_F(UVLayoutTest, WithoutUVsOrASelectionItSaysSoAndWithoutAModelItDrawsNothing) {
    const auto says = [](bool visible, bool uvs) {
        ResetModel();
        Scene.modelFile = "/models/a.obj";
        const int32_t a = AddVertex(0, 0, 0), b = AddVertex(1, 0, 0), c = AddVertex(0, 1, 0);
        AddFace(a, b, c, 0, 0, uvs ? AddUV(0, 0) : 0, uvs ? AddUV(1, 0) : 0, uvs ? AddUV(0, 1) : 0);
        SceneGroups[0].visible = visible;
        gfx::RecordingCanvas canvas(200, 50);
        EXPECT_TRUE(DrawUVLayout(canvas, 200, 50, 0, "Window Face"));
        return std::any_of(canvas.log.begin(), canvas.log.end(), [](const std::string& e) {
            // In the main window's face, whose name the caller gives.
            return e.find("\"No UV coordinates for current selection\" Window Face 8") != std::string::npos;
        });
    };
    EXPECT_FALSE(says(true, true));
    EXPECT_TRUE(says(true, false));
    EXPECT_TRUE(says(false, true));
    Scene.modelFile.clear();
    gfx::RecordingCanvas none(50, 50);
    EXPECT_FALSE(DrawUVLayout(none, 50, 50, 0, "Tahoma"));
    EXPECT_TRUE(none.log.empty());
}

}  // namespace
