// The POV-Ray INI render settings that go with an exported scene: the scene
// file to render, the name of the rendered image, resolution, format,
// antialiasing, quality, alpha, continuation, the animation clock and frames
// of a batch series, and the user's own INI lines. Save and Render starts
// POV-Ray on this file.
#pragma once

#include <string>
#include <string_view>

#include "model/Scene.h"
#include "ui/core/OutputNames.h"

// The folder of the export options dialog ("Save all files to directory")
// joined with `name`; `name` alone when no folder is set.
std::string OutputPath(std::string_view name);

// The rendered image name: `imageName` (a name without folder) while no
// file of that name lies in `outputDir` and an output may take it
// (IsReservedOutputName), else the name with "_Rev00001", "_Rev00002", ...
// before its extension, the first that is free (at most 10000 tries), so
// that a render never replaces an earlier one, a file of the program's or
// a picture of POV-Ray's own.
std::string FreeRenderImageName(std::string_view imageName, std::string_view outputDir);

// The extension of the rendered picture for an item of the output format
// list ("Format", Form1.ComboBox5): ".tga", ".png", ".ppm", ".bmp", ".tga".
std::string_view OutputImageExtension(int32_t format);

// Writes the INI file `scene.iniFile`. Works on its own copy of the scene
// record: the free image name does not change `Scene`. Throws ExportError
// when the file cannot be written.
void WritePovIni(tscene scene);
