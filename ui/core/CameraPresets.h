// Stored cameras ("Camera Preset:"): the camera of the camera panel kept
// under a name, so that it can be recalled later.
#pragma once

#include <string_view>

// Appends a camera made from the camera panel (the "No perspective" and
// focal blur switches, the view angle, the focus planes, the pan, distance
// and rotation boxes, read as numbers), the scene's translation and the
// preview's size to Cameras under `name`, adds the name to the preset list
// and selects it there without recalling it.
void AddCamera(std::string_view name);
