// The picture of a light probe: its floating-point pixels tone-mapped into
// a bitmap, upright, and the lights found in it marked over the picture.
#pragma once

#include "model/Records.h"

namespace gfx {
class Bitmap;
class Canvas;
}  // namespace gfx

// The probe as a 24-bit bitmap of its size: each pixel through
// `FloatPixelToColor` with the gamma (below 1e-10 taken as 1), the file's
// first row at the bottom. Raises the bitmap's error for a size no bitmap
// may have.
void PFMToBitmap(const tpfm& probe, gfx::Bitmap& bitmap, double gamma);

// Marks the lights of the last probe scan (`ProbeMarkers`) on a canvas of
// width x height showing the probe: a small circle each, the 360 x 180
// frame of the marks stretched over the canvas; red for lights with
// shadows, yellow for the others.
void DrawProbeMarkers(gfx::Canvas& canvas, int width, int height);
