// The POV-Ray scene file, the fifth file of an export run: the comment head
// with the suggested command line, the standard includes and the geometry
// include, the global settings with the radiosity choice, the camera, the
// lights (or a light fixed to the camera when the scene has none), the
// ground, the background and sky, the placeholders and the model object
// that the geometry include declares. `WritePOVSceneFile` itself is declared
// in PovWriters.h; the routines below are shared with the INI writer and
// the tests.
//
// Texts of edit boxes that end up as numbers in the file (rotations, ground
// height) are read with ValFloat, so "1,5" is written 1.5 and a text that is
// no number 0 (with a "<!>" line), never as POV-Ray text that fails to parse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "writers/PovWriters.h"

// The image size of the render options: the integer value of "Width=" /
// "Height=", or the preview's drawing area when the text is not a positive
// integer.
int32_t RenderImageWidth();
int32_t RenderImageHeight();

// The POV-Ray switch of an item of the output format list: "+FC", "+FN",
// "+FP", "+FB" (Windows BMP; "+FS" is not BMP on this platform), "+FT"; empty
// for no valid item.
std::string_view PovOutputFormatSwitch(int32_t index);

// The suggested command line of the scene file's head, without the comment
// marker: "+W1000 +H1000 +FN +AM1 +A -UA".
std::string PovCommandLineSwitches();

// Batch mode: "Use a POV file" checked and more than one model file chosen.
bool PovBatchMode();
// The POV-Ray string expression that names the geometry include of the
// current frame: concat("prefix",str(frame_number,-d,0),".inc"), d the
// fewest digits after the prefix in the names of the batch files that begin
// with it (so that frame001.obj ... frame010.obj find frame001.inc ...
// frame010.inc, and frame8.obj ... frame12.obj frame8.inc ... frame12.inc);
// without such digits str(frame_number,0,0).
std::string BatchGeometryIncludeExpression();
// The name that expression gives frame `frame`: the prefix as it stands, the
// number with at least `digits` digits (zeros in front), ".inc".
std::string BatchGeometryIncludeName(uint64_t frame, std::size_t digits);
// d of that expression.
std::size_t BatchFrameDigits();

// The focal blur aperture of the camera: z the camera location's z, front
// and back the focus planes, vfov the vertical field of view in degrees,
// aspect the preview's width over height, width the image width. False when
// the planes give no usable aperture (a division by zero, or a value that is
// not finite and positive).
bool FocalBlurAperture(double z, double front, double back, double vfov, double aspect, double width,
                       double& aperture);
