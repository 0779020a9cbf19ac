// The SGI reader: Silicon Graphics images of grey, RGB and RGBA channels
// with one or two bytes a sample, verbatim or run-length encoded, stored as
// planes with the bottom row first.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imageformats/ImageFormats.h"

namespace img {

class TSGIRLEDecoder;

class TSGIGraphic : public TFormatGraphic {
public:
    TSGIGraphic();
    ~TSGIGraphic() override;
    TSGIGraphic(const TSGIGraphic& other);
    TSGIGraphic& operator=(const TSGIGraphic& other);

    // More than 512 bytes, magic 474, 1 or 2 bytes a channel, dimension 1 to
    // 3 and a size of at least one pixel.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header; false for another magic.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Images of one channel, or of a count other than 3 and 4, show channel 0
    // through a grey palette; two-byte samples are reduced to 8 bits.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

private:
    // Fills each given target with row `row` of its channel (red 0, green
    // 1, blue 2, alpha 3); a null target is skipped.
    void ReadRow(uint8_t* const targets[4], uint32_t row, uint32_t bytesPerChannel);

    gfx::Stream* stream_ = nullptr;
    std::vector<uint32_t> rowStarts_;
    std::vector<uint32_t> rowLengths_;
    std::unique_ptr<TSGIRLEDecoder> decoder_;
    std::vector<uint8_t> packed_;
};

}  // namespace img
