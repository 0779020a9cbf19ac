// The RLA reader: Alias/Wavefront run-length encoded images (also "rpf")
// with RGB channels of 8 bits and an optional matte channel, each row of
// each channel compressed by itself and found through an offset table.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TRLAGraphic : public TFormatGraphic {
public:
    // More than 740 bytes, revision 0xFFFE and the channel space "rgb" or
    // "xyz" (any case).
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header: the size from the active window, rows bottom-up when
    // its bottom lies below its top, the file's gamma from its text; false
    // for an "xyz" file.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // A matte channel becomes the alpha of a 32-bit bitmap. A file gamma
    // other than 1.0 says for which display the samples were made: samples
    // of a "2.2" file are shown as stored. "xyz" files and channels of other
    // than 8 bits raise the image error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

private:
    bool xyz_ = false;
};

}  // namespace img
