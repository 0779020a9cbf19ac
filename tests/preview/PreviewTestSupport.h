// What the preview tests share: a model test with the preview's services and
// OpenGL state, one shown preview window whose frames are grabbed, colour
// probes, and the primitives of a display list read back through OpenGL's
// feedback mode.
#pragma once

#include <QColor>
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "preview/Preview.h"
#include "tests/fixtures/Fixtures.h"

namespace previewtest {

inline constexpr int FrameWidth = 200;
inline constexpr int FrameHeight = 150;

// Every test starts from the design-time options, an empty model, the
// preview services installed, the driver queried, `PreviewReady` set, face
// culling off (as "Draw double sided" starts) and a black background.
class PreviewTest : public fixtures::ModelTest {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // After the model was built: tables, extents, group boxes, lists, and
    // the camera as a load leaves it (reset, then applied).
    void Prepare();
    // Looks straight down -Z at the model centre, twice its diagonal away.
    void FrontView();
    // A frame of the preview window (FrameWidth x FrameHeight).
    QImage Frame();

    PreviewHooks hooks;
    ScopedServices* previewServices = nullptr;
};

// The colour at a fraction (0..1) of the picture's width and height.
QColor At(const QImage& image, double fx, double fy);
// True when red clearly dominates (a lit red surface).
bool IsRed(const QColor& c);
// True when all three channels are within `tolerance` of the expected ones.
bool Near(const QColor& c, int r, int g, int b, int tolerance = 24);

// Writes a JPEG file (quality 100) of width x height pixels whose colour
// `color` gives for (x, y), the top row 0.
void WriteJpeg(const std::string& file, int width, int height, const std::function<QColor(int x, int y)>& color);

struct FeedbackVertex {
    float x = 0, y = 0, z = 0;
    float r = 0, g = 0, b = 0, a = 0;
};
struct FeedbackPrimitive {
    enum Kind { Point, Line, Polygon } kind = Polygon;
    std::vector<FeedbackVertex> vertices;
};
// Replays `list` in feedback mode through an orthographic view of the box
// (-100..100) and returns what it drew, in order; culling and lighting off.
// The wire and normals lists are first compiled as a frame would, unless
// `asCompiled`.
std::vector<FeedbackPrimitive> Feedback(uint32_t list, bool asCompiled = false);
// The number of primitives of a kind.
int Count(const std::vector<FeedbackPrimitive>& primitives, FeedbackPrimitive::Kind kind);

}  // namespace previewtest
