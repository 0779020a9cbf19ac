// DAZ|Studio light and camera presets (".ds" scripts). The scripts are not
// run: their text is scanned for the declarations of the lights or cameras
// and for the property lines of the routine that creates them, and the
// records are built from the values found.
//
// Both readers take the whole script before they change anything: a script
// that cannot be read, or whose values run past the end of a line, raises
// ReadError and leaves the lights, the cameras and their lists as they were.
// A script file is mapped, not copied, and of each line only the first items
// and the names it holds are looked at: a read takes memory in proportion to
// the values it keeps, whatever the length of the script's lines. A script
// is read twice, first to count its lights or cameras, then to build them in
// a list of their number: they are kept once, with no list of their values.
// A script whose lights or cameras do not fit in the memory left is a
// ReadError like a script that cannot be read.
#pragma once

#include <string>
#include <string_view>

#include "model/Types.h"

// Replaces the scene's lights by the lights of the script, refills the light
// selector and shows the first light in the light panel. A script without
// lights logs "<!> No lights found" and keeps the lights.
void ReadDazLights(const std::string& fileName);

// Appends the cameras of the script to Cameras under the names
// camera name + "-" + script file name, adds them to the camera preset list
// and selects and applies the last one. A script without cameras logs
// "<!> No cameras found".
void ReadDazCameras(const std::string& fileName);

// The two readers over a script already in memory; `fileName` names it in
// messages and, for cameras, in the camera names.
void ReadDazLightsText(const std::string& fileName, std::string_view text);
void ReadDazCamerasText(const std::string& fileName, std::string_view text);

// p turned by the Euler angles (degrees about X, Y and Z) of a DAZ|Studio
// camera.
tvector RotateByEulerDegrees(const tvector& p, const tvector& angles);
