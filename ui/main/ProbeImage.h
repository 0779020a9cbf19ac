// The Light Dome tab's probe image and the saving of the probe's picture:
// the picture resampled into the image with the lights found marked on it,
// and a picture written as a TGA, JPEG or BMP file.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace gfx {
class Bitmap;
}

// Shows `picture` in the picture label `image`, resampled with the box
// filter to 360 x 180 fitted to the picture's aspect ratio; with `marks`
// the lights of the last probe scan are marked on it. Nothing for an empty
// picture.
void ShowProbeImage(QWidget* image, const gfx::Bitmap& picture, bool marks);

// Writes `picture` by the file's extension (".tga", ".jpg" at `jpegQuality`,
// ".bmp"); false for an empty picture, another extension or a file that
// could not be written.
bool SaveBitmap(const gfx::Bitmap& picture, const std::string& fileName, int32_t jpegQuality);
