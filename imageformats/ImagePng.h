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

class TLZ77Decoder;

// The texts of the PNG reader's own errors ("%s" is "PNG").
inline constexpr const char* PngCriticalChunkText = "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr const char* PngCrcErrorText = "Cannot load image. CRC error found in %s file.";
inline constexpr const char* PngCompressionErrorText = "Cannot load image. Compression error found in %s file.";
inline constexpr const char* PngExtraDataText = "Cannot load image. Extra compressed data found in %s file.";

class TPNGGraphic : public TFormatGraphic {
public:
    TPNGGraphic();
    ~TPNGGraphic() override;
    TPNGGraphic(const TPNGGraphic& other);
    TPNGGraphic& operator=(const TPNGGraphic& other);

    // The PNG signature.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the signature and IHDR (false when the first chunk is not
    // IHDR), then skips chunks up to gAMA, which gives the file gamma.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Loads the image. Grey images of 2 bits become 4-bit bitmaps; grey with
    // alpha becomes 8-bit grey (see AlphaBitmap). A damaged file raises the
    // image error and leaves the bitmap empty.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

    // What the file says about transparency and background, kept as read:
    // one alpha value per palette entry (255 where tRNS gives none), the
    // transparent grey or RGB colour (clNone without), and the background
    // colour (white without bKGD; a palette index for indexed images).
    const std::array<uint8_t, 256>& TransparencyTable() const { return transparency_; }
    gfx::Color TransparentColor() const { return transparentColor_; }
    gfx::Color BackgroundColor() const { return background_; }
    // The image as 32-bit pixels with the transparency of the file: its
    // alpha channel, the alpha of its palette entries, or 0 for the pixels
    // of its transparent grey or RGB value (compared as stored, before any
    // gamma); an image without transparency as it was loaded.
    gfx::Bitmap AlphaBitmap() const;

private:
    struct Chunk {
        uint32_t length = 0;
        char type[4] = {0, 0, 0, 0};
        bool is(const char* name) const;
    };
    // Reads a chunk header; false at the end of the stream. A length beyond
    // the stream raises the image error, or with `raise` off gives false.
    bool ReadChunkHeader(Chunk& chunk, bool raise = true);
    // Reads the chunk's data into the raw buffer and checks its CRC.
    void ReadChunkData(const Chunk& chunk);
    // Skips the chunk's data and CRC.
    void SkipChunk(const Chunk& chunk);
    void SetUpColorDepth();
    void ReadImage(const Chunk& firstIdat);
    // Inflates `n` bytes of image data into `row`; false when the IDAT
    // chunks ended first.
    bool ReadRow(uint8_t* row, std::size_t n);
    void FillBackground(uint32_t fromRow);
    // The alpha of pixel i of an unfiltered row of image data.
    uint8_t PixelAlpha(const uint8_t* row, uint32_t i) const;

    gfx::Stream* stream_ = nullptr;
    std::unique_ptr<TLZ77Decoder> decoder_;
    std::vector<uint8_t> raw_;
    std::size_t rawUsed_ = 0;
    bool pending_ = false;  // a chunk header was read that the chunk loop has not seen
    Chunk pendingChunk_;
    bool streamEnded_ = false;
    uint8_t colorType_ = 0;
    uint8_t bitDepth_ = 0;
    int channels_ = 1;
    bool colorDepthSet_ = false;
    std::array<uint8_t, 256> transparency_{};
    gfx::Color transparentColor_ = gfx::clNone;
    gfx::Color background_ = 0xFFFFFF;
    bool hasBackground_ = false;
    bool hasKey_ = false;  // tRNS of a grey or RGB image: the transparent samples
    std::array<uint16_t, 3> key_{};
    std::vector<uint8_t> alpha_;  // one alpha byte a pixel, for images with transparency but no 32-bit bitmap
};

}  // namespace img
