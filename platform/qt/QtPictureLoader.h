// Reads picture files with Qt's image readers, for the model's picture
// interface (the displacement picture).
#pragma once

#include <string>

#include "model/Services.h"

class QtPictureLoader : public PictureLoader {
public:
    // The file name is a byte string in the system's file name encoding.
    bool LoadRGB(const std::string& fileName, tpicture& picture) override;
};
