// Stored cameras ("Camera Preset:"): the camera of the camera panel kept
// under a name, so that it can be recalled later.
#pragma once

#include <cstdint>
#include <string_view>

// Appends a camera made from the camera panel (the "No perspective" and
// focal blur switches, the view angle, the focus planes, the pan, distance
// and rotation boxes, read as numbers), the scene's translation and the
// preview's size to Cameras under `name`, adds the name to the preset list
// and selects it there without recalling it.
void AddCamera(std::string_view name);

// Removes stored camera `index` and its line of the preset list, and selects
// the one before it (the first when it was the first; none when none is
// left). Nothing for an index outside the list.
void DeleteCamera(int32_t index);
