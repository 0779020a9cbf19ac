// The PNG reader: the chunks with their CRC, deflate image data read row by
// row across the IDAT chunks, the five row filters and Adam7 interlacing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imageformats/ImageFormats.h"
#include "platform/gfx/Color.h"

namespace img {

// The texts of the PNG reader's own errors ("%s" is "PNG").
inline constexpr const char* PngCriticalChunkText = "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr const char* PngCrcErrorText = "Cannot load image. CRC error found in %s file.";
inline constexpr const char* PngCompressionErrorText = "Cannot load image. Compression error found in %s file.";
inline constexpr const char* PngExtraDataText = "Cannot load image. Extra compressed data found in %s file.";

class TPNGGraphic : public TFormatGraphic {
public:
    TPNGGraphic();

    // The PNG signature.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the signature and IHDR (false when the first chunk is not
    // IHDR), then skips chunks up to gAMA, which gives the file gamma.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Loads the image. An image with transparency (an alpha channel, or a
    // tRNS chunk) becomes a 32-bit bitmap that carries its alpha; otherwise
    // grey images of 2 bits become 4-bit bitmaps. Data that the IDAT chunks
    // cannot hold is refused before the bitmap is made. A damaged file
    // raises the image error and leaves the bitmap empty.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

    // What the file says about transparency and background, kept as read:
    // one alpha value per palette entry (255 where tRNS gives none), the
    // transparent grey or RGB colour (clNone without), and the background
    // colour (white without bKGD; a palette index for indexed images).
    const std::array<uint8_t, 256>& TransparencyTable() const { return transparency_; }
    gfx::Color TransparentColor() const { return transparentColor_; }
    gfx::Color BackgroundColor() const { return background_; }

private:
    struct Reading;
    // Sets up the colour manager and the bitmap's format and palette for the
    // image data (the palette from the PLTE data read).
    void SetUpColorDepth(const std::vector<uint8_t>& plte);
    // Reads the image data that starts in the IDAT chunk just begun, which
    // with the IDAT chunks after it holds `idatBytes`.
    void ReadImage(Reading& reading, uint64_t idatBytes);
    void FillBackground(uint32_t fromRow);
    // The alpha of pixel i of an unfiltered row of image data.
    uint8_t PixelAlpha(const uint8_t* row, uint32_t i) const;

    uint8_t colorType_ = 0;
    uint8_t bitDepth_ = 0;
    int channels_ = 1;
    std::array<uint8_t, 256> transparency_{};
    gfx::Color transparentColor_ = gfx::clNone;
    gfx::Color background_ = 0xFFFFFF;
    bool hasBackground_ = false;
    bool hasKey_ = false;  // tRNS of a grey or RGB image: the transparent samples
    std::array<uint16_t, 3> key_{};
    // The image is made 32-bit with its alpha: `colors_` gives the colour of
    // an index or grey level converted as the file's own format would be.
    bool withAlpha_ = false;
    std::array<uint32_t, 256> colors_{};
};

}  // namespace img
