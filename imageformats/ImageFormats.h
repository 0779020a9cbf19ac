// The frame of every image reader: `TFormatGraphic`, a bitmap that owns a
// colour manager and the properties of the file it was read from, with the
// common load path, the progress stages, the image errors and the small
// routines several readers share.
//
// A reader derives from TFormatGraphic and provides:
// - a static `CanLoad(gfx::Stream&)`, its signature test, which reads as
//   little as it needs and leaves the stream position as it found it. It
//   claims a file only by a header its reader reads (the signature and the
//   fields that make the header one, sizes of at least one pixel among
//   them), never by a short prefix alone: a picture is found by its
//   content, and a text that happens to begin like one is not a picture;
// - `ReadImageProperties`, which calls the base first, fills `imageProperties`
//   from the header without decoding pixels and answers whether the header
//   is valid;
// - `loadFromStream`, which follows the common load path: BeginLoad, a stage
//   of progress per phase with RowLoaded after each row, EndStage.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imageformats/ImageColor.h"
#include "imageformats/ImageTypes.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Stream.h"

namespace img {

// The texts of the image errors; "%s" stands for the format's name (or, in
// NotSupportedText, first for what is not supported).
inline constexpr const char* InvalidFormatText = "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr const char* NotSupportedText = "Cannot load image. %s not supported for %s files.";
inline constexpr const char* InvalidColorFormatText = "Invalid color format in %s file.";
inline constexpr const char* InvalidPaletteText = "Cannot load image. Palette in %s file is invalid.";

// The messages of the progress stages of a load.
inline constexpr const char* PreparingStage = "Preparing...";
inline constexpr const char* LoadingDataStage = "Loading data...";
inline constexpr const char* UpsamplingStage = "Upsampling...";
inline constexpr const char* TransferingStage = "Transfering...";

// Options of an image, a set of these bits.
using TImageOptions = uint8_t;
enum : TImageOptions {
    ipTiled = 1,       // TIFF tiles instead of strips
    ipBigEndian = 2,   // multi-byte samples stored most significant byte first
    ipMinIsWhite = 4,  // sample value 0 means white
    ipReversed = 8,    // the bits of a byte stored least significant first
    ipUseGamma = 16,   // fileGamma is to be applied
};

// What a reader learns from a file's header. Readers fill what their format
// has; everything else stays zero.
struct TImageProperties {
    uint32_t version = 0;  // the format's version as the reader defines it
    TImageOptions options = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    TSampleLayout colorScheme = slUnknown;
    uint8_t bitsPerSample = 0;
    uint8_t samplesPerPixel = 0;
    uint8_t bitsPerPixel = 0;
    TCompressionKind compression = ckUnknown;
    float fileGamma = 1.0f;    // 1.0 when the file has none
    float xResolution = 0;     // dots per inch
    float yResolution = 0;
    bool interlaced = false;   // GIF, PNG
    bool hasAlpha = false;
    // TIFF
    uint32_t firstIFD = 0;
    uint32_t planarConfig = 0;  // 1 chunky, 2 planar, 0 when the tag is missing
    uint32_t currentRow = 0;
    uint32_t tileWidth = 0;
    uint32_t tileLength = 0;
    uint32_t bytesPerLine = 0;
    std::vector<uint32_t> rowsPerStrip;
    std::vector<uint8_t> yCbCrSubSampling;
    std::vector<uint8_t> jpegTables;
    uint32_t jpegColorMode = 0;
    uint32_t jpegTablesMode = 0;
    uint32_t currentStrip = 0;
    uint32_t stripCount = 0;
    uint32_t predictor = 0;  // 1 none, 2 horizontal differencing, 0 when the tag is missing
    // Photo-CD
    bool overview = false;
    uint8_t rotate = 0;
    uint16_t imageCount = 0;
    // GIF
    bool localColorTable = false;
    // RLA
    bool bottomUp = false;
    // Photoshop
    uint8_t channels = 0;
    // PNG
    uint8_t filterMode = 0;
};

// "%s" in `format` replaced by the arguments in order.
std::string FormatImageMessage(std::string_view format, std::initializer_list<std::string_view> arguments);
// Raises gfx::EInvalidGraphic with the message.
[[noreturn]] void RaiseImageError(std::string_view message);
// Raises gfx::EInvalidGraphic with the formatted message.
[[noreturn]] void RaiseImageError(std::string_view format, std::initializer_list<std::string_view> arguments);

class TFormatGraphic : public gfx::Bitmap {
public:
    TFormatGraphic() = default;
    // Copies take the pixels and the image properties; the copy's colour
    // manager starts with its defaults.
    TFormatGraphic(const TFormatGraphic& other);
    TFormatGraphic& operator=(const TFormatGraphic& other);

    // The base signature test: no format.
    static bool CanLoad(gfx::Stream& stream);
    // Opens the file for reading and runs a signature test on it; raises
    // gfx::EFOpenError when the file cannot be opened.
    static bool CanLoadFile(const std::string& fileName, bool (*canLoad)(gfx::Stream&));

    // Empties the properties (every field zero, the lists empty, fileGamma
    // 1.0) and answers false; readers call it first, then fill the record
    // from the header at the stream's position and answer whether the header
    // is valid. `imageIndex` selects a sub-image where a format has several.
    virtual bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex);

    // Copies a bitmap's pixels, palette and size; the properties first when
    // the source is a TFormatGraphic too. The colour manager stays as it is.
    void Assign(const gfx::Bitmap& source);

    TColorManager& ColorManager() { return colorManager_; }
    const TColorManager& ColorManager() const { return colorManager_; }

    // The properties of the file last read.
    TImageProperties imageProperties;
    // The stream position at which the image data begins; readers seek
    // relative to it.
    uint64_t basePosition = 0;
    // The stream being read, for readers that pass it to routines of their
    // own (not owned).
    gfx::Stream* sourceStream = nullptr;
    // The part of the bitmap the last progress notice was about.
    gfx::Rect progressRect;

protected:
    // The first steps of every load: empties the bitmap, remembers the base
    // position, reads the header (raising InvalidFormatText with the format's
    // name when it is not accepted) and seeks back to the base position.
    void BeginLoad(gfx::Stream& stream, std::string_view formatName);
    // Raises InvalidFormatText with the format's name unless a bitmap of
    // width x height may be made; readers call it before they allocate
    // anything for the image.
    static void CheckImageSize(int64_t width, int64_t height, std::string_view formatName);
    // Raises InvalidFormatText with the format's name unless `available`
    // bytes of data, of which one byte gives at most `ratio` bytes of pixels
    // (1 for uncompressed data), can give the `needed` bytes; readers call it
    // before they allocate for a size the header claims.
    static void CheckDataSize(uint64_t needed, uint64_t available, uint64_t ratio, std::string_view formatName);
    // Starts a stage: the progress rectangle becomes the first row of the
    // image (the width of the properties), and a starting notice of 0
    // percent with the stage's message is raised.
    void StartStage(std::string_view stage);
    // After a row: a running notice of row * 100 div height percent (the
    // height of the properties), and the progress rectangle moves down one
    // row.
    void RowLoaded(uint32_t row);
    // Ends the stage with an ending notice of 0 percent.
    void EndStage();
    // Marks the bitmap as carrying alpha when it is 32-bit and the colour
    // manager's target holds an alpha sample (readers call it once the
    // pixel format is set).
    void MarkAlpha();
    // Raises InvalidColorFormatText with the format's name unless the colour
    // manager's settings are a colour model the reader can hand on: as many
    // source and target samples as their schemes have (grey with alpha
    // counts its grey sample, the alpha rides along), target pixels of
    // `targetPixelBits` bits (0: the bits of a pixel of the bitmap's format)
    // and a row converter for them. Readers call it once the pixel format is
    // set, before any row is converted, so that no converter reads or writes
    // more samples than the rows hold.
    void CheckColorModel(std::string_view formatName, int targetPixelBits = 0);

private:
    TColorManager colorManager_;
    std::string stage_;
};

// Numbers stored in a byte buffer, little-endian (LE) or big-endian (BE).
inline uint16_t LoadLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint16_t LoadBE16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t LoadBE32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// Reads the first `n` bytes of a header for a signature test and puts the
// stream's position back; false, with nothing read, unless more than
// `moreThan` bytes remain.
bool PeekHeader(gfx::Stream& stream, void* header, std::size_t n, uint64_t moreThan);

// Swaps the two bytes of each of `count` 16-bit words in place.
void SwapWordArray(void* words, uint32_t count);
// Reverses the four bytes of each of `count` 32-bit words in place.
void SwapDWordArray(void* words, uint32_t count);
// The value with its four bytes reversed.
uint32_t SwapDWord(uint32_t value);

// Undoes horizontal differencing of a row of pixels of 1, 3 or 4 bytes: each
// byte after the first pixel gets the byte one pixel before it added (modulo
// 256). `count` is the number of pixels after the first (width - 1).
void UndoPredictor1(uint8_t* row, uint32_t count);
void UndoPredictor3(uint8_t* row, uint32_t count);
void UndoPredictor4(uint8_t* row, uint32_t count);
// The same for pixels of any number of 8-bit samples (the routines above
// for 1, 3 and 4), and of 16-bit samples stored in the given byte order,
// each word getting the word one pixel before it added (modulo 65536).
void UndoPredictor8(uint8_t* row, uint32_t count, uint32_t samples);
void UndoPredictor16(uint8_t* row, uint32_t count, uint32_t samples, bool bigEndian);

// 16-bit CIE L*a*b* samples as 8-bit ones for the colour manager: L scaled
// from 0..65535 to 0..255, a and b their high byte (a signed word becomes a
// signed byte, a word offset by 32768 a byte offset by 128). One source is
// `count` interleaved pixels, three are planes; words in the given byte
// order. `out` gets 3 bytes a pixel.
void Lab16To8(std::span<const void* const> sources, uint32_t count, bool bigEndian, uint8_t* out);

// B, G, R and an opaque alpha of each palette entry, 256 entries (black
// beyond the palette), as the bytes of a 32-bit pixel.
std::array<uint32_t, 256> PaletteBGRA(const gfx::Palette& palette);
// Writes `count` 32-bit pixels B, G, R, A: the colour of each 8-bit index
// through `colors` and the alpha from every `alphaStep`-th byte of `alpha`.
void IndexedToBGRA(const uint8_t* indices, const std::array<uint32_t, 256>& colors, const uint8_t* alpha,
                   std::size_t alphaStep, uint8_t* target, uint32_t count);

// Doubles a plane of one byte a sample in both directions, in place: the
// plane holds `height` rows of `width` samples, `scanLength` bytes apart, in
// a buffer of 2 x height rows with scanLength at least 2 x width. Row 2r is
// row r stretched (odd columns the rounded mean of their neighbours), row
// 2r + 1 the rounded mean of rows 2r and 2r + 2, the last row a copy of the
// one before. A side of 0 does nothing.
void UpsamplePlane(uint32_t width, uint32_t height, uint32_t scanLength, uint8_t* plane);

}  // namespace img
