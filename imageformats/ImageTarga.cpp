#include "imageformats/ImageTarga.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* TargaName = "TGA";
constexpr std::size_t HeaderSize = 18;

struct Header {
    uint8_t idLength, colorMapType, imageType;
    uint16_t colorMapLength;
    uint8_t colorMapEntrySize;
    uint16_t width, height;
    uint8_t pixelSize, descriptor;

    explicit Header(const uint8_t* h)
        : idLength(h[0]), colorMapType(h[1]), imageType(h[2]), colorMapLength(LoadLE16(h + 5)),
          colorMapEntrySize(h[7]), width(LoadLE16(h + 12)), height(LoadLE16(h + 14)), pixelSize(h[16]),
          descriptor(h[17]) {}
    bool gray() const { return imageType == 3 || imageType == 11; }
    bool compressed() const { return imageType >= 9; }
};

bool ValidPixelSize(uint8_t bits) { return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32; }
bool ValidImageType(uint8_t type) { return type <= 3 || (type >= 9 && type <= 11); }
// Bytes of one pixel or colour map entry of `bits`.
std::size_t BytesOf(uint8_t bits) { return bits == 8 ? 1 : bits <= 16 ? 2 : bits / 8u; }

}  // namespace

bool TTargaGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[HeaderSize];
    if (!PeekHeader(stream, h, HeaderSize, HeaderSize)) return false;
    const Header header(h);
    const uint8_t entry = header.colorMapEntrySize;
    return ValidImageType(header.imageType) && header.colorMapType <= 1 &&
           (entry == 15 || entry == 16 || entry == 24 || entry == 32) && ValidPixelSize(header.pixelSize) &&
           gfx::bitmapSizeAllowed(header.width, header.height);
}

bool TTargaGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[HeaderSize];
    if (stream.read(h, HeaderSize) != HeaderSize) return false;
    const Header header(h);
    TImageProperties& p = imageProperties;
    p.width = header.width;
    p.height = header.height;
    p.bitsPerSample = 8;
    switch (header.pixelSize) {
    case 8:
        p.colorScheme = header.gray() ? slGray : slIndexed;
        p.samplesPerPixel = 1;
        break;
    case 15:
    case 16:
        p.colorScheme = slRGB;
        p.samplesPerPixel = 3;
        p.bitsPerSample = 5;
        break;
    case 24:
        p.colorScheme = slRGB;
        p.samplesPerPixel = 3;
        break;
    case 32:
        p.colorScheme = slRGBA;
        p.samplesPerPixel = 4;
        break;
    default: break;
    }
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    p.compression = header.compressed() ? ckRunLength : ckNone;
    return true;
}

void TTargaGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, TargaName);
        uint8_t h[HeaderSize];
        stream.readExact(h, HeaderSize);
        const Header header(h);
        if (!ValidPixelSize(header.pixelSize) || !ValidImageType(header.imageType) || header.colorMapType > 1)
            RaiseImageError(InvalidFormatText, {TargaName});
        const TImageProperties& p = imageProperties;
        CheckImageSize(p.width, p.height, TargaName);
        StartStage(PreparingStage);
        const bool topDown = (header.descriptor & 0x20) != 0;
        stream.skip(header.idLength);

        TColorManager& cm = ColorManager();
        cm.SetSourceSamplesPerPixel(p.samplesPerPixel);
        cm.SetTargetSamplesPerPixel(p.samplesPerPixel);
        cm.SetSourceColorScheme(p.colorScheme);
        cm.sourceOptions = 0;
        cm.SetTargetColorScheme(slBGR);
        cm.SetSourceBitsPerSample(p.bitsPerSample);
        cm.SetTargetBitsPerSample(p.bitsPerSample);
        setPixelFormat(cm.TargetPixelFormat());
        // 32-bit pixels are blue, green, red and alpha.
        setHasAlpha(header.pixelSize == 32);

        // The colour map: read when it is there (at most 256 entries are
        // used, the rest is skipped); grey images get grey levels.
        if (header.colorMapType == 1) {
            const uint8_t entry = header.colorMapEntrySize;
            if (entry != 15 && entry != 16 && entry != 24 && entry != 32)
                RaiseImageError(InvalidPaletteText, {TargaName});
            const std::size_t size = BytesOf(entry), total = size * header.colorMapLength;
            if (total > stream.remaining()) RaiseImageError(InvalidPaletteText, {TargaName});
            std::vector<uint8_t> map(total);
            stream.readExact(map.data(), total);
            const uint32_t count = std::min<uint32_t>(header.colorMapLength, 256);
            if (!header.gray()) {
                if (size == 2) {
                    gfx::Palette palette(static_cast<int>(count));
                    for (uint32_t i = 0; i < count; ++i) {
                        const uint16_t w = LoadLE16(&map[2 * i]);
                        palette[static_cast<int>(i)] = {static_cast<uint8_t>(((w >> 10) & 31) * 8),
                                                        static_cast<uint8_t>(((w >> 5) & 31) * 8),
                                                        static_cast<uint8_t>((w & 31) * 8)};
                    }
                    setPalette(palette);
                } else {
                    const void* data[1] = {map.data()};
                    setPalette(cm.CreateColorPalette(data, size == 3 ? plInterleaved8x3 : plInterleaved8x4, count, true));
                }
            }
        }
        if (header.gray()) setPalette(cm.CreateGrayscalePalette(false));

        const std::size_t pixelBytes = BytesOf(header.pixelSize);
        const std::size_t rowSize = p.width * pixelBytes;
        // A run packet gives at most 128 pixels from two bytes. A file
        // without image data (type 0) is held to the same measure: it must
        // not make a bitmap larger than itself.
        CheckDataSize(uint64_t{rowSize} * p.height, stream.remaining(), header.compressed() ? 64 : 1, TargaName);
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        EndStage();
        StartStage(TransferingStage);
        auto target = [&](uint32_t i) { return scanLine(static_cast<int>(topDown ? i : p.height - 1 - i)); };
        if (header.imageType >= 1 && header.imageType <= 3) {
            for (uint32_t i = 0; i < p.height; ++i) {
                stream.readExact(target(i), rowSize);
                RowLoaded(i);
            }
        } else if (header.compressed()) {
            // The rows form one stream of packets: each row reads up to twice
            // its size (enough for the worst packing), and the stream moves on
            // by what the decoder took.
            TTargaRLEDecoder decoder(header.pixelSize);
            decoder.DecodeInit();
            std::vector<uint8_t> buffer(2 * rowSize);
            for (uint32_t i = 0; i < p.height; ++i) {
                const uint64_t before = stream.position();
                const std::size_t got = stream.read(buffer.data(), buffer.size());
                const uint8_t* source = buffer.data();
                uint8_t* dest = target(i);
                decoder.Decode(source, dest, static_cast<int32_t>(got), static_cast<int32_t>(p.width));
                stream.seek(before + static_cast<uint64_t>(source - buffer.data()));
                RowLoaded(i);
            }
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TTargaGraphic::clone() const { return std::make_unique<TTargaGraphic>(*this); }

}  // namespace img
