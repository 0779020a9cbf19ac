// The picture formats that Qt's image readers supply until the image library
// registers its own: BMP (with "rle" and "dib"), PNG, ICO and GIF.
#pragma once

#include "platform/gfx/Picture.h"

namespace gfx {

// The Qt-read classes, for registries that name them.
const GraphicClass& qtBitmapClass();
const GraphicClass& qtPngClass();
const GraphicClass& qtIconClass();
const GraphicClass& qtGifClass();

// Registers the extensions of the classes above with the picture registry,
// once.
void registerQtPictureFormats();

}  // namespace gfx
