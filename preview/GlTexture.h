// The texture image: one 32-bit picture in memory (4 bytes a pixel, rows
// bottom-up, no padding) that moves between pictures, image files (BMP,
// JPEG and TGA), the OpenGL frame buffer and OpenGL textures. The preview
// turns colour and transparency maps into textures with it, and the main
// window saves the preview as a picture with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gfx {
class Graphic;
}

class TGlTexture {
public:
    // The byte order of a pixel.
    enum ChannelOrder : uint8_t { OrderBGRA = 0, OrderRGBA = 1 };

    TGlTexture();
    // Frees the pixels; the OpenGL texture stays.
    ~TGlTexture();
    TGlTexture(const TGlTexture&) = delete;
    TGlTexture& operator=(const TGlTexture&) = delete;

    // The graphic's pixels, alpha 255, in B, G, R, A order; false for no
    // graphic or one that cannot be turned into 32 bits.
    bool LoadFromGraphic(const gfx::Graphic* graphic);
    // An uncompressed true-colour TGA file of 24 or 32 bits, its rows turned
    // bottom-up when the header says the file starts with the top row; the
    // header's sizes are checked against the file before anything is
    // allocated. False, and nothing changed, for any other file.
    bool LoadTGA(const std::string& fileName);

    // By the extension, in any case: ".bmp", ".jpg" or ".tga"; false for any
    // other. Each is false without pixels or when fewer bytes were written
    // than asked; a file that cannot be created raises the file error.
    bool SaveImage(const std::string& fileName);
    bool SaveBMP(const std::string& fileName);
    bool SaveJPG(const std::string& fileName);
    bool SaveTGA(const std::string& fileName);
    // The current viewport of the current OpenGL context into the pixels (R,
    // G, B, A order), then saved by `SaveImage` unless the name is empty.
    // False without a current context.
    bool CaptureScreen(const std::string& fileName);
    bool SaveScreen(const std::string& fileName);

    // Alpha from a second graphic of exactly the same size: with s the sum
    // of its red, green and blue (0..765), alpha := 255 - 255 x (low + (high
    // - low) x s / 765), kept within 0..255. False, alpha unchanged, for
    // another size.
    bool AddAlphaFromGraphic(const gfx::Graphic* graphic, float low, float high);
    // Each pixel put over the colour (0..1) by its alpha, then made opaque;
    // pixels are taken in B, G, R order. False without pixels.
    bool CompositeOverColor(double r, double g, double b);
    // Turns the rows upside down. False without pixels.
    bool FlipVertical();
    // The JPEG quality of the next save, kept within 1..100.
    void SetJPGQuality(int32_t quality);
    // Makes a mipmapped OpenGL texture of the pixels in the preview's share
    // group (deleting the one made before); texture parameters are the
    // caller's. Nothing without pixels or an OpenGL context.
    void GenTexture();

    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    // Changes the byte order of every pixel (swapping bytes 0 and 2) when it
    // differs from the current one; false, and nothing changed, when not.
    bool SetChannelOrder(ChannelOrder order);
    // Copies 3-byte pixels into the first three bytes of each pixel (alpha
    // untouched), skipping `rowPadding` bytes after each source row.
    void Expand24To32(const uint8_t* source, int32_t rowPadding);
    // Byte 3 of every pixel := a.
    void SetAlpha(uint8_t a);
    // Frees the pixels.
    void FreeData();

    // The state as the other parts of the preview read it.
    uint32_t TextureName() const { return textureName_; }
    int32_t BitsPerPixel() const { return bitsPerPixel_; }
    int32_t JPGQuality() const { return jpgQuality_; }
    ChannelOrder Order() const { return channelOrder_; }
    int64_t DataSize() const { return dataSize_; }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }
    bool HasPixels() const { return !pixels_.empty(); }
    // Stored defaults for the caller's texture parameters.
    int32_t minFilter, magFilter, wrapS, wrapT;

private:
    // Saves with the pixels in B, G, R, A order, then puts them back.
    template <typename Write>
    bool SaveAsBGRA(Write&& write);

    uint32_t textureName_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitsPerPixel_ = 0;
    std::vector<uint8_t> pixels_;
    int32_t jpgQuality_ = 75;
    int64_t dataSize_ = 0;
    ChannelOrder channelOrder_ = OrderBGRA;
};
