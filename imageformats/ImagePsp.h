// The Paint Shop Pro reader: the first raster layer of a file of major
// version 3 or later, with its channels uncompressed, run-length encoded or
// deflated, in 1, 4, 8 bits a pixel (indexed or grey) or 24 bits (three
// planes of red, green and blue).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imageformats/ImageFormats.h"

namespace img {

class TPSPGraphic : public TFormatGraphic {
public:
    // More than 36 bytes, the signature "Paint Shop Pro Image File" and a
    // major version of at least 3.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the file header and the general image attributes; false for
    // another signature, an older version, a missing attributes block or a
    // negative size.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Further layers and a channel of alpha are not read; JPEG-compressed
    // channels raise the not-supported error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

private:
    // A block header: its identifier and where its data ends. False when no
    // header can be read or it does not start with "~".
    struct Block {
        uint16_t id = 0;
        uint64_t end = 0;
    };
    bool ReadBlock(gfx::Stream& stream, Block& block) const;
    // Reads a layer's channels into the buffers; false for a layer that is
    // not shown.
    bool ReadLayer(gfx::Stream& stream, const Block& layer, std::size_t rowLength);
    void ReadChannel(gfx::Stream& stream, std::size_t rowLength);

    // The channel planes: composite, red, green, blue.
    std::vector<uint8_t> channels_[4];
};

}  // namespace img
