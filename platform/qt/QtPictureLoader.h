// Reads picture files for the model's picture interface (the displacement
// picture) through the picture registry of the graphics layer: by content
// first, then by extension, so every registered format loads.
#pragma once

#include <string>

#include "model/Services.h"

class QtPictureLoader : public PictureLoader {
public:
    QtPictureLoader();
    // The file name is a byte string in the system's file name encoding.
    bool LoadRGB(const std::string& fileName, tpicture& picture) override;
};
