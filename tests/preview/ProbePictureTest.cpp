// The picture of a light probe: rows turned upright, the gamma applied, and
// the lights found marked over it.
#include <gtest/gtest.h>

#include "model/LightProbe.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/RecordingCanvas.h"
#include "preview/ProbePicture.h"

TEST(ProbePicture, TheFilesFirstRowAtTheBottomAndMarksOverThePicture) {
    tpfm probe;
    probe.width = probe.height = 2;
    probe.pixels = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0.25f, 0.25f, 0.25f};  // file rows: red, black; blue, grey
    gfx::Bitmap picture;
    for (auto [gamma, grey] : {std::pair{0.0, 64}, {2.0, 128}}) {  // a gamma below 1e-10 counts as 1
        PFMToBitmap(probe, picture, gamma);
        EXPECT_EQ(picture.pixel(0, 1), gfx::clRed);
        EXPECT_EQ(picture.pixel(0, 0), gfx::clBlue);
        EXPECT_NEAR(picture.pixel(1, 0) & 0xFF, grey, 1);
    }
    ProbeMarkers = {{90, 90, true}, {180, 0, false}};
    gfx::RecordingCanvas canvas;
    DrawProbeMarkers(canvas, 720, 360);
    ProbeMarkers.clear();
    EXPECT_EQ(canvas.log[0] + canvas.log[1], "ellipse 177,177,184,184 #FF0000 clearellipse 357,-3,364,4 #FFFF00 clear");
}
