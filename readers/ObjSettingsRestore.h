// Restoring the scene set-up that the program keeps in the comment lines of
// the OBJ files it writes (the settings block).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "model/Scene.h"

inline constexpr std::string_view SettingsBlockHeader = "#Mirelan Settings Block v1.1";

// One line of a model file as the OBJ reader kept it, with its line number.
struct tsettingsline {
    std::string_view text;
    int64_t number = 0;
};

// Reads the lines that follow the header of a settings block (camera,
// lights, headlight, background, placeholders, ground, one shadow flag per
// import group) into temporaries first and applies them only when the whole
// block is complete and in range: the camera controls and scene translation,
// the preview size, the lights (when the block holds any), the headlight
// intensity, the background choice, colour, map and sky rotation, the
// placeholders (when the block holds any), the ground controls and the
// shadow flags of the import groups. A damaged block changes nothing and is
// reported with one "<!>" line naming `fileName`; the result is then false.
bool RestoreSettingsBlock(tscene& scene, std::span<const tsettingsline> lines, std::string_view fileName);
