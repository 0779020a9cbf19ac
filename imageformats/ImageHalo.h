// Two readers of small 8-bit palette formats: Dr. Halo "cut" images, whose
// palette lies in a ".pal" file beside the image, and Autodesk Animator
// "cel" and "pic" images.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imageformats/ImageFormats.h"

namespace img {

class TCUTGraphic : public TFormatGraphic {
public:
    // Dr. Halo files carry no signature: always false, so that they load by
    // their extension only.
    static bool CanLoad(gfx::Stream& stream);
    // Remembers the palette file (the name with ".pal", found ignoring
    // case), then loads the file.
    void loadFromFile(const std::string& fileName) override;
    // Reads the width and the height; false when the stream ends first.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // The palette comes from the palette file remembered last, or is a grey
    // ramp without one; a palette file with an entry above 255, more than
    // 256 entries or fewer bytes than its entries raises the palette error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

    const std::string& PaletteFileName() const { return paletteFileName_; }

private:
    gfx::Palette LoadPalette() const;

    std::string paletteFileName_;
};

class TAutodeskGraphic : public TFormatGraphic {
public:
    // More than 32 bytes, magic 0x9119, 8 bits a pixel, compression 0 and a
    // size of at least one pixel.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header; false for another magic.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // A file that ends before its last row raises the read error.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
