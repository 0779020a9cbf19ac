// Reads picture files for the model's picture interface (the displacement
// picture) with the loading function that the program gives it, the one
// through which every picture of the program loads.
#pragma once

#include <functional>
#include <string>

#include "model/Services.h"

namespace gfx {
class Picture;
}

class QtPictureLoader : public PictureLoader {
public:
    // Loads a picture file into the picture; raises the reader's error when
    // it cannot.
    using LoadFunction = std::function<void(const std::string& fileName, gfx::Picture& picture)>;

    explicit QtPictureLoader(LoadFunction load);
    // The file name is a byte string in the system's file name encoding.
    bool LoadRGB(const std::string& fileName, tpicture& picture) override;

private:
    LoadFunction load_;
};
