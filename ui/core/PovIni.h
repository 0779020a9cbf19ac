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
#include "ui/core/PovLaunch.h"

// The folder of the export options dialog ("Save all files to directory")
// joined with `name`; `name` alone when no folder is set.
std::string OutputPath(std::string_view name);

// The first frame of the animation ("Use a POV file") as POV-Ray reads the
// "Initial Frame" text (Form1.Edit120), which the INI file gives as typed
// (PovRayIniInteger); none when it reads no number there. Every check of the
// frames and the INI's Final_Frame read it so.
std::optional<int64_t> InitialFrame();
// Why POV-Ray must not render the INI file of a save of `models` models for
// its Initial Frame: POV-Ray reads the text as another number than it shows
// (an exponent, a fraction, more than 32 bits) or as none, or the frames
// would not lie within 0 and 32 bits: "it reads the Initial Frame ..." with
// what the user can do; "" when it may.
std::string InitialFrameHazard(std::size_t models);

// The frames of the render the INI file sets for a save of `models` models:
// those of the animation parameters ("Use a POV file"), none otherwise.
PovRayFrames IniFrames(std::size_t models);

// The rendered image name: `imageName` (a name without folder) while every
// file POV-Ray writes in `outputDir` for it with `frames` is free (for each
// frame, no entry at all under its picture's name, not even a link, and its
// render state file at most a plain file: ForEachPovRayFile,
// PovRayMayWrite), no picture takes a name no output may take
// (IsReservedOutputName) and none is one `taken` holds; else the name with
// "_Rev00001", "_Rev00002", ... before its extension, the first that is
// (at most 10000 tries). So a render never replaces an earlier one, a file
// of the program's or a picture of POV-Ray's own, nor writes through a link.
// The folder is listed once, whatever the number of frames.
std::string FreeRenderImageName(std::string_view imageName, std::string_view outputDir, const PovRayFrames& frames,
                                const std::function<bool(const std::string&)>& taken = {});
// The same with the frames of a save of BatchFiles.
std::string FreeRenderImageName(std::string_view imageName, std::string_view outputDir);

// The extension of the rendered picture for an item of the output format
// list ("Format", Form1.ComboBox5): ".tga", ".png", ".ppm", ".bmp", ".tga".
std::string_view OutputImageExtension(int32_t format);

// Writes the INI file `scene.iniFile`. Works on its own copy of the scene
// record: the free image name does not change `Scene`. A batch run
// (BatchFiles holds more than one model) names the picture its names chose
// (BatchOutputNames); with "Use a POV file" that is the name POV-Ray adds
// each frame's number to. Throws ExportError when the file cannot be
// written.
void WritePovIni(tscene scene);
