// The Targa reader: Truevision images, uncompressed and run-length encoded,
// with 8-bit colour-mapped or grey pixels and 15-, 16-, 24- and 32-bit
// true-colour pixels.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TTargaGraphic : public TFormatGraphic {
public:
    // More than 18 bytes, an image type of 0 to 3 or 9 to 11, a colour map
    // type of 0 or 1, a colour map entry size of 15, 16, 24 or 32 and a pixel
    // size of 8, 15, 16, 24 or 32 with a picture of at least one pixel.
    // Files whose entry size is 0 (true-colour files without a colour map,
    // as many programs write them) load by their extension only.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header; false only when the stream ends within it.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Rows go straight into the scan lines: Targa pixels already have the
    // bitmap's byte order. A stream that ends within uncompressed rows raises
    // the read error; run-length data that ends early leaves the rest black.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
