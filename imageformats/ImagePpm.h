// The portable map reader: plain and binary bitmaps (P1, P4), graymaps (P2,
// P5) and pixmaps (P3, P6). The header is read the standard way (its numbers
// separated by any white space and comments, on one line or several), and
// samples are scaled from the maximum value to 0..255; maximum values above
// 255 give two-byte samples in binary files.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "imageformats/ImageFormats.h"

namespace img {

// The text of a portable map that ends before its pixels do ("%s" is "PPM").
inline constexpr const char* PpmReadErrorText = "Stream read error in %s file.";

class TPPMGraphic : public TFormatGraphic {
public:
    // More than 10 bytes holding a header the reader reads: "P" and a digit
    // 1 to 6, then (after blanks and comments) the decimal width and height
    // of a bitmap that may be made and, past P1 and P4, a maximum value of 1
    // to 65535; a binary kind's header ends in one blank.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header; false unless it starts with "P" and a digit 1 to 6
    // followed by its numbers.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Bitmaps become 1-bit images (0 white, 1 black), graymaps 8-bit grey,
    // pixmaps 24-bit images.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

private:
    // The kind digit, the size and the maximum value of the header.
    struct Header {
        int kind = 0;
        uint32_t width = 0, height = 0, maxValue = 1;
    };
    bool ReadHeader(Header& header);
    // The next byte; the read error at the end of the stream.
    uint8_t NextChar();
    // The next byte without taking it; -1 at the end of the stream.
    int PeekChar();
    // The next decimal number after white space and comments; a number
    // beyond `limit` raises the invalid-format error.
    uint32_t NextNumber(uint32_t limit);
    // Skips white space and comments; the next byte is then not white space.
    void SkipSpace();
    // Copies n bytes of binary pixel data.
    void ReadBytes(uint8_t* out, std::size_t n);

    gfx::Stream* stream_ = nullptr;
    std::array<uint8_t, 4096> buffer_{};
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace img
