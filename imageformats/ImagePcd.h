// The Photo-CD reader: the base resolution (768 x 512) of an image pack,
// PhotoYCC luminance with chroma of half the resolution, upsampled and
// turned by the rotation the file records.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TPCDGraphic : public TFormatGraphic {
public:
    // More than 6144 bytes, and "PCD_OPA" at the start (an overview pack) or
    // "PCD" at 2048 (an image pack).
    static bool CanLoad(gfx::Stream& stream);
    // Reads the size of the resolution `imageIndex` (0 to 5, larger values
    // count as 5; an overview pack has only 0) and the rotation; false for a
    // file that is neither kind of pack.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Loads the base image of an image pack; an overview pack raises the
    // not-supported error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
