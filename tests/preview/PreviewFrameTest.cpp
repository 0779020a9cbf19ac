// Frames of the preview window on small models: pixels probed where the
// model must or must not show.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "preview/PreviewFrame.h"
#include "tests/preview/PreviewTestSupport.h"
#include "ui/options/Options.h"

namespace {

using namespace previewtest;

class PreviewFrameTest : public PreviewTest {};

TEST_F(PreviewFrameTest, LitRedCubeShowsRedInTheMiddleOnTheBackground) {
    fixtures::AddCube(2.0);
    SceneMaterials[0].diffuse = {1, 0, 0};
    SceneMaterials[0].specular = {0, 0, 0};
    Prepare();
    const QImage frame = Frame();
    EXPECT_TRUE(IsRed(At(frame, 0.5, 0.5))) << At(frame, 0.5, 0.5).name().toStdString();
    EXPECT_TRUE(Near(At(frame, 0.02, 0.02), 0, 0, 0)) << At(frame, 0.02, 0.02).name().toStdString();
}

}  // namespace
