// JPEG images through libjpeg: decoding to 24-bit colour (or 8-bit grey for
// one-component images) and encoding with a quality. Damaged or truncated
// data raises EInvalidGraphic "JPEG error: ..."; nothing of libjpeg ever
// ends the program.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Bitmap.h"

namespace gfx {

class Stream;
struct GraphicClass;

// Decodes the JPEG image at the stream's position: pf24bit, or pf8bit with a
// grey palette when the image has one component. CMYK images (as stored by
// print programs, inverted) become pf24bit too. A header whose size is
// beyond the bitmap limits is refused before the pixels are decoded.
Bitmap decodeJpeg(Stream& stream);
// Encodes a bitmap with a quality of 1 to 100 (clamped): a pf8bit bitmap
// with a grey palette as one grey component, anything else as colour. An
// empty bitmap raises EInvalidGraphic.
void encodeJpeg(const Bitmap& bitmap, int quality, Stream& stream);
std::vector<uint8_t> encodeJpeg(const Bitmap& bitmap, int quality);

// A bitmap read from and written to JPEG files.
class JpegImage : public Bitmap {
public:
    static constexpr int DefaultQuality = 75;

    // The quality used when saving, 1 to 100.
    int quality() const { return quality_; }
    void setQuality(int quality);

    // Decodes the stream; on an error the image is left as it was.
    void loadFromStream(Stream& stream) override;
    // Encodes the bitmap with the quality.
    void saveToStream(Stream& stream) const override;
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<JpegImage>(*this); }

    // True when the stream starts with a JPEG start-of-image marker.
    static bool canLoad(Stream& stream);
    // The class registered for "jpg", "jpeg", "jpe" and "jfif".
    static const GraphicClass& graphicClass();

private:
    int quality_ = DefaultQuality;
};

}  // namespace gfx
