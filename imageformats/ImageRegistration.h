// The picture classes of the image library's readers, and their registration
// with the picture registry, so that pictures load through them by content
// and by extension.
#pragma once

#include "platform/gfx/Picture.h"

namespace img {

// The classes of the TIFF, EPS and PNG readers.
const gfx::GraphicClass& TiffGraphicClass();
const gfx::GraphicClass& EpsGraphicClass();
const gfx::GraphicClass& PngGraphicClass();

// Registers "tiff", "tif", "fax", "eps" and "png" with the picture registry;
// they take precedence over classes registered for them before. Once.
void RegisterTiffPngFormats();

}  // namespace img
