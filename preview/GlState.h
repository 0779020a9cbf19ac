// The preview's fixed OpenGL state. OpenGL keeps such state per context and
// the preview draws in more than one (its control, offscreen pictures), so
// the state is kept here as a record and applied at the start of every
// frame; `InitGLState` fills the record from the options and the scene.
#pragma once

#include "model/Types.h"

struct tglstate {
    tvector clearColor{0, 0, 0};  // 0..1
    double clearAlpha = 1.0;
    bool alphaTest = false;        // "cutoff:"
    double alphaReference = 0.5;
    bool cullFace = true;          // off while "Draw double sided" is checked
};

extern tglstate PreviewGLState;

// Depth test on, colour material off, blending of source alpha, points of
// two pixels, polygon offset (1, 1), the background colour of the scene as
// clear colour, and the alpha test of "cutoff:" with the value of the box
// beside it (0.5 when that is not a number). Stored, and applied at once
// when a context is current.
void InitGLState();
// Applies the record to the current context.
void ApplyGLState();
// Face culling on or off for the following frames.
void SetFaceCulling(bool on);
// The colour the following frames are cleared to.
void SetClearColor(const tvector& rgb, double alpha);
