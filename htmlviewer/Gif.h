// The GIF decoder of the HTML viewer: reads a GIF87a or GIF89a file, decodes
// every image of it, and delivers the animation as frames already composed
// over each other, each the size of the logical screen, with a transparency
// mask per frame when the file has transparent pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"

namespace gfx {
class Stream;
}

// An error of the GIF decoder: "TGif: " and the message of its number.
class EGifError : public gfx::EInvalidGraphic {
public:
    EGifError(int number, const std::string& message) : gfx::EInvalidGraphic("TGif: " + message), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

// The composed frames of a GIF, side by side as the cells of one strip: cell
// i is frame i drawn over cell i - 1. Each cell is ScreenWidth x ScreenHeight
// (pf24bit); for a transparent file each has a mask cell (pf1bit, white =
// transparent, black = drawn).
struct TGifStrip {
    int CellWidth = 0;
    int CellHeight = 0;
    std::vector<gfx::Bitmap> Cells;
    std::vector<gfx::Bitmap> Masks;
};

class TGif {
public:
    // The strip of all frames may hold at most this many bytes (rows padded
    // to 4 bytes), half as many when a mask strip is built beside it.
    static constexpr int64_t MaxStripBytes = 200000000;
    static constexpr int64_t MaxTransparentStripBytes = 100000000;

    // Reads and decodes the whole stream (from its start). Raises EGifError.
    void LoadFromStream(gfx::Stream& stream);

    int ImageCount() const { return static_cast<int>(Images.size()); }
    int ScreenWidth() const { return ScreenW; }
    int ScreenHeight() const { return ScreenH; }
    // The place and size of image i (the height cut to the screen height);
    // an index outside the images raises error 15.
    int ImageLeft(int i) const { return Image(i).Left; }
    int ImageTop(int i) const { return Image(i).Top; }
    int ImageWidth(int i) const { return Image(i).Width; }
    int ImageHeight(int i) const { return Image(i).Height; }
    // The delay of image i in hundredths of a second: 1 when below 1 or
    // without a graphic control extension.
    int ImageDelay(int i) const;
    // The disposal method of image i (its low two bits), 0 without a
    // graphic control extension.
    int ImageDisposal(int i) const;
    // The transparent colour index of image i, -1 when it has none.
    int TransparentIndex(int i) const;
    // True when any image has a transparent colour.
    bool IsTransparent() const;
    // The loop count of a NETSCAPE application extension, -1 without one.
    int LoopCount() const { return Loops; }

    // Builds the composed frames. Error 25 when the strip would be too
    // large, error 26 when the logical screen is empty.
    TGifStrip GetStripBitmap() const;

    // The last error raised: its number (0 for none) and message.
    int LastErrorNumber() const { return ErrorNumber; }
    const std::string& LastErrorMessage() const { return ErrorMessage; }

    // The message of an error number ("no error" to "next message").
    static const char* Message(int number);

private:
    struct GraphicControl {
        int Disposal = 0;  // 0 to 7
        bool UserInput = false;
        bool Transparent = false;
        int Delay = 0;  // hundredths of a second
        int TransparentIndex = 0;
    };
    struct ImageRecord {
        int Left = 0, Top = 0, Width = 0, Height = 0;
        bool Interlaced = false;
        int ColorTable = -1;  // index into ColorTables
        bool HasControl = false;
        GraphicControl Control;
        // The part of the image inside the logical screen and its pixels
        // (palette indices, row by row).
        int ClipLeft = 0, ClipTop = 0, ClipWidth = 0, ClipHeight = 0;
        std::vector<uint8_t> Pixels;
    };
    using ColorTable = std::vector<uint32_t>;  // 256 entries, red in the low byte

    // Image i; error 15 outside the images.
    const ImageRecord& Image(int i) const;
    // Records and raises error `number` (6 with its own message).
    [[noreturn]] void Fail(int number, const std::string& special = {}) const;
    // The next byte and little-endian word of the file; error 24 at its end.
    uint8_t ReadByte();
    int ReadWord();
    // A colour table of `size` entries, zero-filled to 256.
    ColorTable ReadColorTable(int size);
    // The data of sub-blocks up to the zero-length terminator.
    std::vector<uint8_t> ReadSubBlocks();
    // The blocks after 0x21 and after 0x2C.
    void ReadExtension();
    void ReadImage();
    // Decodes the LZW data of an image into its kept pixels.
    void DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, ImageRecord& image) const;

    // The file while it is read, and the read position.
    std::vector<uint8_t> Data;
    std::size_t Pos = 0;
    // The logical screen.
    int ScreenW = 0, ScreenH = 0;
    int BackgroundIndex = 0;
    // The global colour table's index in ColorTables, -1 without one.
    int GlobalTable = -1;
    std::vector<ColorTable> ColorTables;
    std::vector<ImageRecord> Images;
    // The graphic control read since the last image; the next image takes it.
    bool PendingControl = false;
    GraphicControl Pending;
    int Loops = -1;
    mutable int ErrorNumber = 0;
    mutable std::string ErrorMessage = "no error";
};
