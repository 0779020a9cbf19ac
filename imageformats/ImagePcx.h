// The PCX reader: ZSoft Paintbrush images of 1 bit, of four 1-bit planes,
// of 2 and 4 bits packed, of 8 bits with the 256-colour palette at the end
// of the file, and of three (or four) 8-bit planes, uncompressed or
// run-length encoded.
#pragma once

#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

class TPCXGraphic : public TFormatGraphic {
public:
    // More than 128 bytes, manufacturer 10, version 0, 2, 3 or 5, encoding 0
    // or 1, extents of a bitmap that may be made, and planes of at least one
    // bit whose lines hold a row.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header; false for a manufacturer other than 10 or 205, and
    // for a window whose maximum lies before its minimum.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Rows that the data does not reach stay black.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
