#include "ui/qt/QtPictureLoader.h"

#include <cstring>
#include <exception>
#include <utility>

#include "platform/gfx/Picture.h"

QtPictureLoader::QtPictureLoader(LoadFunction load) : load_(std::move(load)) {}

bool QtPictureLoader::LoadRGB(const std::string& fileName, tpicture& picture) {
    picture = {};
    if (fileName.empty() || !load_) return false;
    try {
        gfx::Picture p;
        load_(fileName, p);
        const gfx::Bitmap b = p.bitmap().convertedTo(gfx::PixelFormat::pf24bit);
        if (b.empty()) return false;
        const int32_t width = b.width(), height = b.height();
        picture.rgb.resize(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
        // Bitmap rows are padded and hold blue, green, red; the picture's are
        // packed red, green, blue.
        uint8_t* out = picture.rgb.data();
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* row = b.scanLine(y);
            for (int32_t x = 0; x < width; ++x, row += 3, out += 3) {
                out[0] = row[2];
                out[1] = row[1];
                out[2] = row[0];
            }
        }
        picture.width = width;
        picture.height = height;
        return true;
    } catch (const std::exception&) {
        picture = {};
        return false;
    }
}
