#include "imageformats/ImageGif.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* GifName = "GIF";
// LZW data gives at most this many bytes from one byte (table resets keep
// the strings short); a header that claims more pixels than the data can
// give is refused before anything is allocated.
constexpr uint64_t LzwRatio = 4096;

bool IsGif(const uint8_t* h) { return (h[0] & ~0x20) == 'G' && (h[1] & ~0x20) == 'I' && (h[2] & ~0x20) == 'F'; }
// The two digits of the version after the signature.
bool HasVersion(const uint8_t* h) { return h[3] >= '0' && h[3] <= '9' && h[4] >= '0' && h[4] <= '9'; }

// The next byte, or -1 at the end of the stream.
int NextByte(gfx::Stream& stream) {
    uint8_t b;
    return stream.read(&b, 1) == 1 ? b : -1;
}

// Skips data sub-blocks up to the terminating block of size 0 (or the end).
void SkipSubBlocks(gfx::Stream& stream) {
    for (int size = NextByte(stream); size > 0; size = NextByte(stream)) stream.skip(static_cast<uint64_t>(size));
}

// A colour table of `count` entries as a palette.
gfx::Palette ReadColorTable(gfx::Stream& stream, int count) {
    std::vector<uint8_t> table(static_cast<std::size_t>(count) * 3);
    stream.readExact(table.data(), table.size());
    gfx::Palette palette(count);
    for (int i = 0; i < count; ++i)
        palette[i] = {table[3 * static_cast<std::size_t>(i)], table[3 * static_cast<std::size_t>(i) + 1],
                      table[3 * static_cast<std::size_t>(i) + 2]};
    return palette;
}

}  // namespace

bool TGIFGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[5];
    return PeekHeader(stream, h, sizeof h, 22) && IsGif(h) && HasVersion(h);
}

uint8_t TGIFGraphic::SkipExtensions(gfx::Stream& stream) {
    for (;;) {
        const int b = NextByte(stream);
        if (b < 0) return ';';
        if (b == ',' || b == ';') return static_cast<uint8_t>(b);
        if (b != '!') continue;
        const int label = NextByte(stream);
        if (label < 0) return ';';
        if (label == 0x01) {
            const int size = NextByte(stream);
            if (size > 0) stream.skip(static_cast<uint64_t>(size));
            SkipSubBlocks(stream);
        } else if (label == 0xF9) {
            const int size = NextByte(stream);
            if (size >= 0) stream.skip(static_cast<uint64_t>(size) + 1);
        } else if (label == 0xFE || label == 0xFF) {
            SkipSubBlocks(stream);
        }
    }
}

bool TGIFGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[13];
    if (stream.read(h, sizeof h) != sizeof h || !IsGif(h)) return false;
    if (!HasVersion(h)) return false;
    TImageProperties& p = imageProperties;
    p.version = static_cast<uint32_t>((h[3] - '0') * 10 + (h[4] - '0'));
    p.colorScheme = slIndexed;
    p.samplesPerPixel = 1;
    p.bitsPerSample = 8;
    p.compression = ckLZW;
    const uint16_t screenWidth = LoadLE16(h + 6), screenHeight = LoadLE16(h + 8);
    if (h[10] & 0x80) {
        p.bitsPerSample = static_cast<uint8_t>((h[10] & 7) + 1);
        stream.skip(3u << p.bitsPerSample);
    }
    if (SkipExtensions(stream) == ',') {
        uint8_t d[9];
        if (stream.read(d, sizeof d) != sizeof d) return false;
        p.width = LoadLE16(d + 4) ? LoadLE16(d + 4) : screenWidth;
        p.height = LoadLE16(d + 6) ? LoadLE16(d + 6) : screenHeight;
        p.localColorTable = (d[8] & 0x80) != 0;
        if (p.localColorTable) p.bitsPerSample = static_cast<uint8_t>((d[8] & 7) + 1);
        p.interlaced = (d[8] & 0x40) != 0;
    }
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    return true;
}

void TGIFGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, GifName);
        StartStage(PreparingStage);
        setPixelFormat(gfx::PixelFormat::pf8bit);
        uint8_t h[13];
        stream.readExact(h, sizeof h);
        setPalette(h[10] & 0x80 ? ReadColorTable(stream, 2 << (h[10] & 7)) : gfx::Palette(256));
        const uint8_t next = SkipExtensions(stream);
        EndStage();
        if (next != ',') RaiseImageError(InvalidFormatText, {GifName});

        StartStage(LoadingDataStage);
        const TImageProperties& p = imageProperties;
        uint8_t d[9];
        stream.readExact(d, sizeof d);
        CheckImageSize(p.width, p.height, GifName);
        if (d[8] & 0x80) setPalette(ReadColorTable(stream, 2 << (d[8] & 7)));
        const uint8_t codeSize = stream.readU8();
        if (codeSize < 1 || codeSize > 11) RaiseImageError(InvalidFormatText, {GifName});
        // The data sub-blocks, added up first, then read into one buffer.
        const uint64_t start = stream.position();
        uint64_t total = 0;
        for (int size = NextByte(stream); size > 0 && stream.remaining() > 0; size = NextByte(stream)) {
            const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), stream.remaining());
            total += n;
            stream.skip(n);
        }
        const uint64_t pixels = uint64_t{p.width} * p.height;
        if (total * LzwRatio < pixels) RaiseImageError(InvalidFormatText, {GifName});
        std::vector<uint8_t> packed(static_cast<std::size_t>(total));
        stream.seek(start);
        for (std::size_t at = 0; at < packed.size();) {
            const std::size_t size = std::min<std::size_t>(stream.readU8(), packed.size() - at);
            stream.readExact(packed.data() + at, size);
            at += size;
        }
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        // Rows in their order are decoded into the bitmap's own memory, one
        // after the other, then moved apart to their scan lines (last first);
        // interlaced rows go through a buffer of their own.
        std::vector<uint8_t> buffer(p.interlaced ? static_cast<std::size_t>(pixels + p.width) : 0);
        TGIFLZWDecoder decoder(codeSize);
        const uint8_t* source = packed.data();
        uint8_t* dest = p.interlaced ? buffer.data() : bits();
        decoder.Decode(source, dest, static_cast<int32_t>(std::min<uint64_t>(total, INT32_MAX)),
                       static_cast<int32_t>(pixels));
        packed = {};
        EndStage();

        StartStage(TransferingStage);
        if (!p.interlaced) {
            const std::size_t stride = static_cast<std::size_t>(bytesPerLine());
            for (uint32_t y = p.height; y-- > 0;) {
                uint8_t* line = bits() + y * stride;
                std::memmove(line, bits() + std::size_t{y} * p.width, p.width);
                std::memset(line + p.width, 0, stride - p.width);
            }
            for (uint32_t y = 0; y < p.height; ++y) RowLoaded(y);
        } else {
            // Four passes: every 8th row from 0, every 8th from 4, every 4th
            // from 2, every 2nd from 1.
            static constexpr uint32_t First[4] = {0, 4, 2, 1}, Step[4] = {8, 8, 4, 2};
            const uint8_t* row = buffer.data();
            for (int pass = 0; pass < 4; ++pass)
                for (uint32_t y = First[pass]; y < p.height; y += Step[pass], row += p.width) {
                    std::copy(row, row + p.width, scanLine(static_cast<int>(y)));
                    if (pass == 3) RowLoaded(y);
                }
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TGIFGraphic::clone() const { return std::make_unique<TGIFGraphic>(*this); }

}  // namespace img
