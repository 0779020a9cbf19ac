// Light probes: high-dynamic-range pictures of the surroundings, stored as
// Portable Float Maps (PFM) in latitude-longitude form. A probe is read into
// floating-point pixels with its statistics, and its bright directions are
// turned into scene lights: the probe is sampled at directions spread evenly
// over the sphere, every sample bright enough becomes a parallel (or area)
// light, and the lights are added to `Lights` brightest first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/Records.h"

// The largest luminance met during the last scan of a probe.
extern double MaxProbeLuminance;

// Where a light found in a probe is marked on the probe's picture: a point
// of a 360 x 180 frame laid over the picture (x to the right, y down), and
// whether the light casts shadows.
struct tprobemarker {
    int32_t x = 0;
    int32_t y = 0;
    bool shadow = false;
};
// The marks of the lights found by the last `LoadLightProbe`.
extern std::vector<tprobemarker> ProbeMarkers;

// The bytes of `data` from `position` up to the next LF (not included), at
// most 256 of them, or to the end; `position` moves past what was taken and
// past the LF.
std::string ReadStreamLine(std::string_view data, std::size_t& position);

// Reads a PFM file into `probe`: "PF" (colour) or "Pf" (grey, one float a
// pixel, taken for all three channels) on the first line, the width and
// height on the second, the scale on the third (negative: little-endian
// floats, positive: big-endian), then the rows. With `grey` every pixel
// becomes its luminance in all three channels. The sizes are checked against
// the file before anything is allocated. A file that is not a whole PFM image
// is refused with the message "File is not a valid PFM image" (through the
// prompts), and `probe` is left as it was; true when it was read.
bool LoadPFM(const std::string& fileName, bool grey, tpfm& probe);

// The largest of the three components and 1.0.
double MaxComponentOrOne(const tvector& v);
double PixelMaxOrOne(const float pixel[3]);
// a - Int(a / b) x b: the remainder keeps the sign of a (-7 mod 3 is -1);
// 0 when b is 0.
double FloatMod(double a, double b);

// One of the N sample directions of a probe scan, k = 1 .. N: the polar
// angle `theta` from the zenith and the azimuth, both in degrees. The
// azimuth of a sample depends on the one before, so `previousAzimuth` (in
// radians, 0 before the first sample) is carried from call to call.
struct tprobesample {
    double theta = 0;
    double azimuth = 0;
};
tprobesample ProbeSampleDirection(int32_t k, int32_t count, double& previousAzimuth);

// Extracts lights from the probe file: the sample count is the number in
// "Max number of lights to extract" (100 when it is not a number, at least
// 1); "Convert all lights to white level", "only above horizon", "Soft
// shadows (slow)" and "Rescale overall light intensity to (%)" with its
// percentage are read from the Light Dome tab. `threshold` is the luminance
// above which a light casts shadows, `rotation` is added to every light's
// rotation (degrees). The lights found are named "GL_0", "GL_1" ... in
// order of brightness, appended to `Lights` and to the light selector, and
// marked in `ProbeMarkers`. A probe that cannot be read adds nothing.
void LoadLightProbe(const std::string& fileName, double threshold, double rotation);
