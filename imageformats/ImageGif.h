// The image library's GIF reader: the first image of a GIF 87a or 89a file
// as an 8-bit palette bitmap. Animation, transparency and the image's place
// on the logical screen are not used.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TGIFGraphic : public TFormatGraphic {
public:
    // More than 22 bytes, starting with "GIF" (any case) and the two digits
    // of a version.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header, the screen descriptor and the first image
    // descriptor; false without the signature or with a version that is not
    // two digits.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // A file without an image, or with a minimum code size outside 1 to 11,
    // raises the image error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

    // Skips extension blocks up to the image separator "," or the trailer
    // ";" and returns it; the end of the stream counts as the trailer.
    static uint8_t SkipExtensions(gfx::Stream& stream);
};

}  // namespace img
