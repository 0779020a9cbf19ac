// Pictures of the Light Dome tab and of the pictures the program saves: the
// probe shown in its image with the lights found marked on it, and a picture
// in memory written as a TGA, JPEG or BMP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/LightProbe.h"
#include "model/Services.h"

class QWidget;

// The colours of the marks of lights with and without shadows (as 0xRRGGBB),
// each ringed in black so that it shows on bright and dark probes alike.
inline constexpr uint32_t ShadowMarkerColor = 0xFFFF00;
inline constexpr uint32_t PlainMarkerColor = 0x00FFFF;

// Shows `picture` in the picture label `image`: resampled with the box
// filter to 360 x 180 fitted to the picture's aspect ratio, with a circle at
// each marker (a point of a 360 x 180 frame over the picture). Nothing for
// an empty picture.
void ShowProbePicture(QWidget* image, const tpicture& picture, const std::vector<tprobemarker>& markers);

// Writes `picture` by the file's extension (".tga", ".jpg" at `jpegQuality`,
// ".bmp"); false for an empty picture, another extension or a file that
// could not be written.
bool SavePicture(const tpicture& picture, const std::string& fileName, int32_t jpegQuality);
