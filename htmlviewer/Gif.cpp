#include "htmlviewer/Gif.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "platform/gfx/Stream.h"

namespace {

constexpr std::array<const char*, 28> Messages = {
    "no error",
    "Invalid GIF Signature Code",
    "No Local or Global Color Table for Image",
    "Unknown Graphics Extension Type",
    "Unknown Graphics Operation Code",
    "Invalid Extension Block Size",
    "[special message]",
    "Invalid Extension Block Terminator",
    "Invalid Integer Size",
    "No GIF Terminator Found",
    "Extension Block Out-Of-Order With Image Data",
    "Invalid Image Descriptor Index",
    "Invalid LZW Code Size",
    "Invalid LZW Data Format",
    "LZW Code Overflow",
    "Value Out Of Range",
    "NIL Pointer assigned",
    "Invalid Color Table Size",
    "No Image Description",
    "Invalid Bitmap Image",
    "Invalid Color Table Index",
    "Invalid Interlace Pass",
    "Invalid Bitmap",
    "Too Many Colors In Bitmap",
    "Unexpected end of file",
    "Animated GIF too large",
    "Zero width or height",
    "next message",
};

enum ErrorNumber {
    ErrSignature = 1,
    ErrNoColorTable = 2,
    ErrOperation = 4,
    ErrBlockSize = 5,
    ErrSpecial = 6,
    ErrCodeSize = 12,
    ErrLzwData = 13,
    ErrRange = 15,
    ErrNoImage = 18,
    ErrEndOfFile = 24,
    ErrTooLarge = 25,
    ErrZeroSize = 26,
};

constexpr int MaxCodes = 4096;

// Start rows and steps of the four interlace passes.
constexpr std::array<int, 4> PassStart = {0, 4, 2, 1};
constexpr std::array<int, 4> PassStep = {8, 8, 4, 2};

// The bytes of a strip of `frames` cells of w x h pixels at 24 bits, each
// strip row padded to 4 bytes, as one bitmap would hold it.
int64_t StripBytes(int64_t w, int64_t h, int64_t frames) { return gfx::bytesPerLine(w * frames, gfx::PixelFormat::pf24bit) * h; }

}  // namespace

const char* TGif::Message(int number) {
    return number >= 0 && number < static_cast<int>(Messages.size()) ? Messages[static_cast<std::size_t>(number)]
                                                                       : Messages[0];
}

void TGif::Fail(int number, const std::string& special) const {
    ErrorNumber = number;
    ErrorMessage = number == ErrSpecial ? special : Message(number);
    throw EGifError(number, ErrorMessage);
}

const TGif::ImageRecord& TGif::Image(int i) const {
    if (i < 0 || i >= ImageCount()) Fail(ErrRange);
    return Images[static_cast<std::size_t>(i)];
}

int TGif::ImageDelay(int i) const {
    const ImageRecord& image = Image(i);
    return image.HasControl ? std::max(1, image.Control.Delay) : 1;
}

int TGif::ImageDisposal(int i) const {
    const ImageRecord& image = Image(i);
    return image.HasControl ? image.Control.Disposal & 3 : 0;
}

int TGif::TransparentIndex(int i) const {
    const ImageRecord& image = Image(i);
    return image.HasControl && image.Control.Transparent ? image.Control.TransparentIndex : -1;
}

bool TGif::IsTransparent() const {
    return std::any_of(Images.begin(), Images.end(),
                       [](const ImageRecord& r) { return r.HasControl && r.Control.Transparent; });
}

// ---- Reading --------------------------------------------------------------------

uint8_t TGif::ReadByte() {
    if (Pos >= Data.size()) Fail(ErrEndOfFile);
    return Data[Pos++];
}

int TGif::ReadWord() {
    const int lo = ReadByte();
    return lo | (ReadByte() << 8);
}

TGif::ColorTable TGif::ReadColorTable(int size) {
    ColorTable table(256, 0);
    for (int i = 0; i < size; ++i) {
        const uint32_t r = ReadByte(), g = ReadByte(), b = ReadByte();
        table[static_cast<std::size_t>(i)] = r | (g << 8) | (b << 16);
    }
    return table;
}

std::vector<uint8_t> TGif::ReadSubBlocks() {
    std::vector<uint8_t> bytes;
    for (;;) {
        const std::size_t length = ReadByte();
        if (length == 0) return bytes;
        if (Data.size() - Pos < length) Fail(ErrEndOfFile);
        bytes.insert(bytes.end(), Data.begin() + static_cast<std::ptrdiff_t>(Pos),
                     Data.begin() + static_cast<std::ptrdiff_t>(Pos + length));
        Pos += length;
    }
}

void TGif::LoadFromStream(gfx::Stream& stream) {
    *this = TGif();
    stream.seek(0);
    Data = stream.readAll();
    if (Data.size() < 6) Fail(ErrSignature);
    std::string signature(Data.begin(), Data.begin() + 6);
    for (char& c : signature) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (signature != "GIF87A" && signature != "GIF89A") Fail(ErrSignature);
    Pos = 6;
    ScreenW = ReadWord();
    ScreenH = ReadWord();
    const uint8_t packed = ReadByte();
    BackgroundIndex = ReadByte();
    ReadByte();  // pixel aspect
    if (packed & 0x80) {
        ColorTables.push_back(ReadColorTable(2 << (packed & 7)));
        GlobalTable = 0;
    }
    while (Pos < Data.size()) {
        const uint8_t block = ReadByte();
        if (block == 0x3B) break;
        if (block == 0x2C)
            ReadImage();
        else if (block == 0x21)
            ReadExtension();
        else
            Fail(ErrOperation);
    }
    if (Images.empty()) Fail(ErrNoImage);
    Data.clear();
    Data.shrink_to_fit();
}

void TGif::ReadExtension() {
    const uint8_t label = ReadByte();
    switch (label) {
    case 0xF9: {
        if (ReadByte() != 4) Fail(ErrBlockSize);
        const uint8_t packed = ReadByte();
        GraphicControl control;
        control.Disposal = (packed >> 2) & 7;
        control.UserInput = (packed & 2) != 0;
        control.Transparent = (packed & 1) != 0;
        control.Delay = ReadWord();
        control.TransparentIndex = ReadByte();
        ReadSubBlocks();
        Pending = control;
        PendingControl = true;
        break;
    }
    case 0xFE: ReadSubBlocks(); break;
    case 0x01: {
        if (ReadByte() != 12) Fail(ErrBlockSize);
        for (int i = 0; i < 12; ++i) ReadByte();  // grid place and size, cell size, colours
        ReadSubBlocks();
        break;
    }
    case 0xFF: {
        const std::size_t size = ReadByte();
        if (size == 11) {
            std::string identifier;
            for (int i = 0; i < 8; ++i) identifier += static_cast<char>(ReadByte());
            for (int i = 0; i < 3; ++i) ReadByte();
            // The NETSCAPE loop count is the first sub-block when it has 3 bytes.
            const std::size_t first = Pos;
            const std::vector<uint8_t> data = ReadSubBlocks();
            if (identifier == "NETSCAPE" && first < Data.size() && Data[first] == 3)
                Loops = data[1] | (data[2] << 8);
        } else {
            if (Data.size() - Pos < size) Fail(ErrEndOfFile);
            Pos += size;
            ReadSubBlocks();
        }
        break;
    }
    default: {
        char text[32];
        std::snprintf(text, sizeof text, "unknown extension: %.4X", static_cast<unsigned>(label));
        Fail(ErrSpecial, text);
    }
    }
}

void TGif::ReadImage() {
    ImageRecord image;
    image.HasControl = PendingControl;
    image.Control = Pending;
    PendingControl = false;
    image.Left = ReadWord();
    image.Top = ReadWord();
    image.Width = ReadWord();
    image.Height = std::min(ReadWord(), ScreenH);
    const uint8_t packed = ReadByte();
    image.Interlaced = (packed & 0x40) != 0;
    if (packed & 0x80) {
        ColorTables.push_back(ReadColorTable(2 << (packed & 7)));
        image.ColorTable = static_cast<int>(ColorTables.size()) - 1;
    } else {
        image.ColorTable = GlobalTable;
    }
    if (image.ColorTable < 0) Fail(ErrNoColorTable);
    const int minCodeSize = ReadByte();
    const std::vector<uint8_t> data = ReadSubBlocks();
    if (image.Width == 0 || image.Height == 0) Fail(ErrZeroSize);

    // Only the part inside the logical screen is kept; the strip of all
    // frames is bounded before anything is allocated for this one.
    if (StripBytes(ScreenW, ScreenH, ImageCount() + 1) > MaxStripBytes) Fail(ErrTooLarge);
    image.ClipLeft = std::min(image.Left, ScreenW);
    image.ClipTop = std::min(image.Top, ScreenH);
    image.ClipWidth = std::min(image.Left + image.Width, ScreenW) - image.ClipLeft;
    image.ClipHeight = std::min(image.Top + image.Height, ScreenH) - image.ClipTop;
    image.Pixels.assign(static_cast<std::size_t>(image.ClipWidth) * static_cast<std::size_t>(image.ClipHeight), 0);
    DecodeLzw(data, minCodeSize, image);
    Images.push_back(std::move(image));
}

// GIF's variable-length LZW codes, least significant bit first. Pixels are
// placed row by row (or by the four interlace passes); those outside the
// logical screen, and any beyond the last row, are dropped.
void TGif::DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, ImageRecord& image) const {
    const int initialSize = minCodeSize + 1;
    if (initialSize < 1 || initialSize > 12) Fail(ErrCodeSize);
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int firstFree = clear + 2;
    int codeSize = initialSize;
    int nextFree = firstFree;
    std::array<uint16_t, MaxCodes> prefix{};
    std::array<uint8_t, MaxCodes> suffix{};
    std::array<uint8_t, MaxCodes> stack{};
    for (int i = 0; i < clear && i < MaxCodes; ++i) suffix[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);

    // Codes are taken from a bit accumulator; bytes past the end read as 0.
    const uint64_t totalBits = static_cast<uint64_t>(data.size()) * 8;
    uint64_t bitsRead = 0;
    uint32_t bits = 0;
    int bitCount = 0;
    std::size_t bytePos = 0;
    auto readCode = [&](int& code) {
        if (bitsRead >= totalBits) return false;
        while (bitCount < codeSize) {
            bits |= static_cast<uint32_t>(bytePos < data.size() ? data[bytePos] : 0) << bitCount;
            ++bytePos;
            bitCount += 8;
        }
        code = static_cast<int>(bits & ((1u << codeSize) - 1));
        bits >>= codeSize;
        bitCount -= codeSize;
        bitsRead += static_cast<uint64_t>(codeSize);
        return true;
    };

    // Pixel placement: the current row's pixels inside the screen, or none.
    const int clipX0 = image.ClipLeft - image.Left;  // columns of the image that are kept
    const int clipX1 = clipX0 + image.ClipWidth;
    int x = 0, y = 0, pass = 0;
    bool full = false;
    uint8_t* row = nullptr;
    auto placeRow = [&] {
        const int sy = image.Top + y - image.ClipTop;
        row = sy >= 0 && sy < image.ClipHeight && image.ClipWidth > 0
                  ? image.Pixels.data() + static_cast<std::size_t>(sy) * static_cast<std::size_t>(image.ClipWidth) - clipX0
                  : nullptr;
    };
    placeRow();
    auto put = [&](uint8_t index) {
        if (row && x >= clipX0 && x < clipX1) row[x] = index;
        if (++x < image.Width) return;
        x = 0;
        if (!image.Interlaced) {
            full = ++y >= image.Height;
        } else {
            y += PassStep[static_cast<std::size_t>(pass)];
            while (y >= image.Height && !full) {
                if (++pass >= 4)
                    full = true;
                else
                    y = PassStart[static_cast<std::size_t>(pass)];
            }
        }
        if (!full) placeRow();
    };
    // Outputs the string of a code; returns its first character.
    auto output = [&](int code) {
        int n = 0;
        while (code >= firstFree && n < MaxCodes - 1) {
            stack[static_cast<std::size_t>(n++)] = suffix[static_cast<std::size_t>(code)];
            code = prefix[static_cast<std::size_t>(code)];
        }
        const uint8_t first = suffix[static_cast<std::size_t>(code)];
        if (!full) put(first);
        while (n > 0 && !full) put(stack[static_cast<std::size_t>(--n)]);
        return first;
    };

    int previous = -1;
    uint8_t firstChar = 0;
    bool afterClear = false;
    int code = 0;
    while (!full && readCode(code)) {
        if (code == clear) {
            codeSize = initialSize;
            nextFree = firstFree;
            previous = -1;
            afterClear = true;
            continue;
        }
        if (code == end) {
            if (afterClear) Fail(ErrLzwData);
            break;
        }
        afterClear = false;
        if (previous < 0) {
            if (code >= nextFree) code = 0;
            firstChar = output(code);
            previous = code;
            continue;
        }
        if (code > nextFree) Fail(ErrLzwData);
        if (code == nextFree) {
            // The previous string plus its own first character.
            const uint8_t first = output(previous);
            if (!full) put(first);
            firstChar = first;
        } else {
            firstChar = output(code);
        }
        if (nextFree < MaxCodes) {
            prefix[static_cast<std::size_t>(nextFree)] = static_cast<uint16_t>(previous);
            suffix[static_cast<std::size_t>(nextFree)] = firstChar;
            ++nextFree;
            if (nextFree == (1 << codeSize) && codeSize < 12) ++codeSize;
        }
        previous = code;
    }
}

// ---- The strip ------------------------------------------------------------------

TGifStrip TGif::GetStripBitmap() const {
    const bool transparent = IsTransparent();
    if (StripBytes(ScreenW, ScreenH, ImageCount()) > (transparent ? MaxTransparentStripBytes : MaxStripBytes))
        Fail(ErrTooLarge);
    if (ScreenW <= 0 || ScreenH <= 0) Fail(ErrZeroSize);
    TGifStrip strip;
    strip.CellWidth = ScreenW;
    strip.CellHeight = ScreenH;
    strip.Cells.reserve(Images.size());
    for (int i = 0; i < ImageCount(); ++i) {
        const ImageRecord& image = Images[static_cast<std::size_t>(i)];
        gfx::Bitmap cell = i == 0 ? gfx::Bitmap(ScreenW, ScreenH, gfx::PixelFormat::pf24bit) : strip.Cells.back();
        gfx::Bitmap mask;
        if (transparent) {
            if (i == 0) {
                // Nothing drawn yet: all transparent.
                mask = gfx::Bitmap(ScreenW, ScreenH, gfx::PixelFormat::pf1bit);
                std::fill(mask.bits(), mask.bits() + static_cast<std::ptrdiff_t>(mask.bytesPerLine()) * ScreenH, 0xFF);
            } else {
                mask = strip.Masks.back();
                if (ImageDisposal(i - 1) >= 2) {
                    // The previous frame's place is restored: transparent.
                    const ImageRecord& prev = Images[static_cast<std::size_t>(i - 1)];
                    for (int y = prev.ClipTop; y < prev.ClipTop + prev.ClipHeight; ++y)
                        for (int x = prev.ClipLeft; x < prev.ClipLeft + prev.ClipWidth; ++x)
                            mask.scanLine(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
                }
            }
        }
        const ColorTable& table = ColorTables[static_cast<std::size_t>(image.ColorTable)];
        const int transparentIndex = TransparentIndex(i);
        for (int y = 0; y < image.ClipHeight; ++y) {
            uint8_t* row = cell.scanLine(image.ClipTop + y);
            uint8_t* maskRow = transparent ? mask.scanLine(image.ClipTop + y) : nullptr;
            const uint8_t* source = image.Pixels.data() + static_cast<std::size_t>(y) * image.ClipWidth;
            for (int x = 0; x < image.ClipWidth; ++x) {
                const int sx = image.ClipLeft + x;
                const uint8_t index = source[x];
                const uint8_t bit = static_cast<uint8_t>(0x80 >> (sx & 7));
                if (index == transparentIndex) {
                    if (i == 0) {
                        row[3 * sx] = row[3 * sx + 1] = row[3 * sx + 2] = 0;
                        maskRow[sx >> 3] |= bit;
                    }
                    continue;
                }
                const uint32_t color = table[index];
                row[3 * sx] = static_cast<uint8_t>(color >> 16);
                row[3 * sx + 1] = static_cast<uint8_t>(color >> 8);
                row[3 * sx + 2] = static_cast<uint8_t>(color);
                if (maskRow) maskRow[sx >> 3] &= static_cast<uint8_t>(~bit);
            }
        }
        strip.Cells.push_back(std::move(cell));
        if (transparent) strip.Masks.push_back(std::move(mask));
    }
    return strip;
}
