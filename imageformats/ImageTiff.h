// The TIFF reader (TIFF 6.0 in both byte orders: strips and tiles, chunky
// and separate planes, no compression, PackBits, LZW, deflate, JPEG,
// one-dimensional fax and ThunderScan) and the reader of the TIFF preview
// that an Encapsulated PostScript file with a binary header carries.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imageformats/ImageFormats.h"

namespace img {

class TDecoder;

class TTIFFGraphic : public TFormatGraphic {
public:
    // "II" or "MM", version 42, and a first directory inside the stream.
    static bool CanLoad(gfx::Stream& stream);
    // Reads the header and the directory of the image `imageIndex` (0 the
    // first) of the chain; false for a wrong version, a missing directory or
    // a zero width or height.
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override;
    // Loads the first image of the file. A damaged file raises the image
    // error and leaves the bitmap empty.
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;

protected:
    // Loads the TIFF data that begins at the stream's position.
    void LoadTiff(gfx::Stream& stream);

private:
    // A directory entry: tag, data type, value count and the 4 bytes of the
    // value field as stored (values of at most 4 bytes are in it, larger
    // ones at the offset it holds).
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        std::array<uint8_t, 4> field;
    };
    // One decoded strip or tile: its size and where it goes.
    struct Unit;

    const Entry* Find(uint16_t tag) const;
    // At most `maxCount` values of an entry as numbers (fractions for the
    // rational types); empty for a type without a size. A value list that
    // runs past the end of the stream raises the image error.
    std::vector<double> EntryValues(gfx::Stream& stream, const Entry& entry, uint32_t maxCount) const;
    // Every value of a tag; empty when the tag is absent.
    std::vector<double> Values(gfx::Stream& stream, uint16_t tag) const;
    std::vector<uint32_t> IntegerValues(gfx::Stream& stream, uint16_t tag) const;
    // The first value of a tag, or the default when it has none.
    uint32_t Value(gfx::Stream& stream, uint16_t tag, uint32_t defaultValue) const;
    float FloatValue(gfx::Stream& stream, uint16_t tag, float defaultValue) const;
    uint16_t Read16(const uint8_t* p) const;
    uint32_t Read32(const uint8_t* p) const;

    void SetUpColors(gfx::Stream& stream, bool separatePlanes);
    std::unique_ptr<TDecoder> MakeDecoder(gfx::Stream& stream, uint32_t unitWidth);
    // Where a strip or tile starts in the stream; the image error when the
    // file has no such unit or it starts at or past `dataEnd`.
    uint64_t UnitStart(std::size_t index, uint64_t dataEnd) const;
    // Decodes a unit into `out` (rows x rowBytes bytes); what its data does
    // not give is zero.
    void DecodeUnit(gfx::Stream& stream, TDecoder* decoder, const Unit& unit, uint8_t* out);
    void UndoPredictor(uint8_t* row, uint32_t width, int samples) const;

    std::vector<Entry> ifd_;
    bool bigEndian_ = false;
    int photometric_ = 0;
    int samplesPerPixel_ = 1;
    bool labWords_ = false;
    // Grey or indices with their alpha, made 32-bit through `colors_`.
    bool keepAlpha_ = false;
    std::array<uint32_t, 256> colors_{};
    std::vector<float> yCbCrCoefficients_;
    uint32_t yCbCrPositioning_ = 1;
    std::vector<uint32_t> offsets_;
    std::vector<uint32_t> byteCounts_;
    std::vector<uint8_t> packed_;  // the data of the unit being decoded
};

// An Encapsulated PostScript file with a 30-byte binary header, read for the
// TIFF preview it carries.
class TEPSGraphic : public TTIFFGraphic {
public:
    // The header's magic, a TIFF part that starts after the header, a TIFF
    // length above 0, and a TIFF header where the TIFF part starts.
    static bool CanLoad(gfx::Stream& stream);
    // Loads the TIFF preview; a wrong magic raises the image error with
    // "EPS".
    void loadFromStream(gfx::Stream& stream) override;
    std::unique_ptr<gfx::Graphic> clone() const override;
};

}  // namespace img
