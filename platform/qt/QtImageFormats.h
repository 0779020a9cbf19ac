// The picture formats of the platform that Qt's image readers supply: BMP
// (with "rle" and "dib") and ICO. Every other format is read by the image
// library, which registers them with its own readers.
#pragma once

#include "platform/gfx/Picture.h"

namespace gfx {

// The Qt-read classes, for registries that name them.
const GraphicClass& qtBitmapClass();
const GraphicClass& qtIconClass();

// Registers the extensions of the classes above with the picture registry,
// once.
void registerQtPictureFormats();

}  // namespace gfx
