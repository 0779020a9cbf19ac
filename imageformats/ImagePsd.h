// The Photoshop reader: the merged image of a Photoshop file in bitmap,
// grey-scale, duotone, indexed, RGB, multichannel, CMYK or Lab mode, with 1,
// 8 or 16 bits a channel, raw or PackBits-compressed. Layers are skipped.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TPSDGraphic : public TFormatGraphic {
public:
    // More than 26 bytes, the signature "8BPS", version 1 and the size of a
    // bitmap that may be made.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header and skips to the compression of the merged image;
    // false for another signature or a file that ends before it.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Indexed and grey images show their first channel; colour images their
    // first three or four. A file that cannot hold the pixels its header
    // claims raises the image error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
