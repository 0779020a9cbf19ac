#include "imageformats/ImagePcx.h"

#include <algorithm>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PcxName = "PCX or SCR";
constexpr std::size_t HeaderSize = 128;
constexpr std::size_t PaletteBlock = 769;

struct Header {
    uint8_t manufacturer, version, encoding, bitsPerPixel;
    int32_t xMin, yMin, xMax, yMax;
    uint16_t xDpi, yDpi;
    const uint8_t* colorMap;
    uint8_t planes;
    uint16_t bytesPerLine, paletteKind;

    explicit Header(const uint8_t* h)
        : manufacturer(h[0]), version(h[1]), encoding(h[2]), bitsPerPixel(h[3]), xMin(LoadLE16(h + 4)),
          yMin(LoadLE16(h + 6)), xMax(LoadLE16(h + 8)), yMax(LoadLE16(h + 10)), xDpi(LoadLE16(h + 12)),
          yDpi(LoadLE16(h + 14)), colorMap(h + 16), planes(h[65]), bytesPerLine(LoadLE16(h + 66)),
          paletteKind(LoadLE16(h + 68)) {}
};

}  // namespace

bool TPCXGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[HeaderSize];
    if (!PeekHeader(stream, h, HeaderSize, HeaderSize)) return false;
    const Header header(h);
    const uint8_t v = header.version;
    if (header.manufacturer != 10 || (v != 0 && v != 2 && v != 3 && v != 5) || header.encoding > 1) return false;
    // The extents of a picture, and planes whose lines hold a row.
    const int64_t width = int64_t{header.xMax} - header.xMin + 1, height = int64_t{header.yMax} - header.yMin + 1;
    return gfx::bitmapSizeAllowed(width, height) && header.planes > 0 && header.bitsPerPixel > 0 &&
           uint64_t{header.bytesPerLine} * 8 >= static_cast<uint64_t>(width) * header.bitsPerPixel;
}

bool TPCXGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[HeaderSize];
    if (stream.read(h, HeaderSize) != HeaderSize) return false;
    const Header header(h);
    if ((header.manufacturer != 10 && header.manufacturer != 205) || header.xMax < header.xMin ||
        header.yMax < header.yMin)
        return false;
    TImageProperties& p = imageProperties;
    p.width = static_cast<uint32_t>(header.xMax - header.xMin + 1);
    p.height = static_cast<uint32_t>(header.yMax - header.yMin + 1);
    p.samplesPerPixel = header.planes;
    p.bitsPerSample = header.bitsPerPixel;
    p.bitsPerPixel = static_cast<uint8_t>(header.planes * header.bitsPerPixel);
    p.colorScheme = header.planes * header.bitsPerPixel <= 8 ? slIndexed : slRGB;
    p.compression = header.encoding == 1 ? ckRunLength : ckNone;
    p.xResolution = header.xDpi;
    p.yResolution = header.yDpi;
    return true;
}

void TPCXGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, PcxName);
        StartStage(PreparingStage);
        uint8_t h[HeaderSize];
        stream.readExact(h, HeaderSize);
        const Header header(h);
        const TImageProperties& p = imageProperties;
        CheckImageSize(p.width, p.height, PcxName);
        uint64_t dataSize = stream.remaining();
        const uint32_t bitsPerPixel = uint32_t{header.planes} * header.bitsPerPixel;
        // Each plane's line must hold the row's pixels.
        if (header.planes == 0 || header.bitsPerPixel == 0 ||
            uint64_t{header.bytesPerLine} * 8 < uint64_t{p.width} * header.bitsPerPixel)
            RaiseImageError(InvalidFormatText, {PcxName});

        const bool fourPlanes = header.planes == 4 && header.bitsPerPixel == 1;
        const bool planar = header.planes >= 3 && header.bitsPerPixel == 8;
        TColorManager& cm = ColorManager();
        if (planar && header.planes > 4) RaiseImageError(InvalidColorFormatText, {"PCX"});
        const TSampleLayout scheme = planar && header.planes == 4 ? slRGBA : p.colorScheme;
        cm.SetSourceColorScheme(scheme);
        cm.SetSourceBitsPerSample(p.bitsPerSample);
        cm.SetSourceSamplesPerPixel(std::clamp<uint8_t>(p.samplesPerPixel, 1, 4));
        cm.SetTargetColorScheme(scheme == slIndexed ? slIndexed : scheme == slRGBA ? slBGRA : slBGR);
        cm.SetTargetBitsPerSample(bitsPerPixel == 2 ? 4 : p.bitsPerSample);
        cm.SetTargetSamplesPerPixel(std::clamp<uint8_t>(p.samplesPerPixel, 1, 4));
        gfx::PixelFormat format = cm.TargetPixelFormat();
        if (header.planes > 4 || format == gfx::PixelFormat::pfCustom) {
            if (!fourPlanes) RaiseImageError(InvalidColorFormatText, {"PCX"});
            format = gfx::PixelFormat::pf4bit;
        }
        setPixelFormat(format);
        MarkAlpha();
        // Every other layout goes through the colour manager, whose rows must
        // fit the bitmap (16-bit planes do not).
        if (!fourPlanes) CheckColorModel("PCX");

        if (format == gfx::PixelFormat::pf8bit) {
            if (dataSize < PaletteBlock) RaiseImageError(InvalidFormatText, {PcxName});
            dataSize -= PaletteBlock;
        }
        if (format == gfx::PixelFormat::pf1bit) {
            setPalette(cm.CreateGrayscalePalette(false));
        } else if (header.version == 3 && format != gfx::PixelFormat::pf24bit &&
                   format != gfx::PixelFormat::pf32bit) {
            setPalette(gfx::Palette::standard16());
        } else if (format == gfx::PixelFormat::pf4bit) {
            const void* data[1] = {header.colorMap};
            setPalette(header.paletteKind == 2 ? cm.CreateGrayscalePalette(false)
                                               : cm.CreateColorPalette(data, plInterleaved8x3, 16, false));
        } else if (format == gfx::PixelFormat::pf8bit) {
            const uint64_t start = stream.position();
            stream.seek(stream.size() - PaletteBlock);
            uint8_t block[PaletteBlock];
            stream.readExact(block, PaletteBlock);
            stream.seek(start);
            if (block[0] == 12) {
                const void* data[1] = {block + 1};
                setPalette(cm.CreateColorPalette(data, plInterleaved8x3, 256, false));
            } else if (header.paletteKind == 2) {
                setPalette(cm.CreateGrayscalePalette(false));
            }
        }

        const std::size_t rowSize = std::size_t{header.planes} * header.bytesPerLine;
        // Run-length data gives at most 63 bytes from 2; run-length rows that
        // the data does not reach stay black.
        const bool rle = p.compression == ckRunLength;
        const uint32_t rows = p.height;
        CheckDataSize(uint64_t{rows} * rowSize, dataSize, rle ? 32 : 1, PcxName);
        std::vector<uint8_t> decoded(std::size_t{rows} * rowSize);
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        if (rle) {
            std::vector<uint8_t> packed(static_cast<std::size_t>(dataSize));
            stream.readExact(packed.data(), packed.size());
            TPCXRLEDecoder decoder;
            const uint8_t* source = packed.data();
            uint8_t* dest = decoded.data();
            decoder.Decode(source, dest, static_cast<int32_t>(std::min<uint64_t>(dataSize, INT32_MAX)),
                           static_cast<int32_t>(decoded.size()));
        } else {
            stream.readExact(decoded.data(), decoded.size());
        }
        EndStage();

        StartStage(TransferingStage);
        const std::size_t targetBytes = (std::size_t{p.width} * bitsPerPixel + 7) / 8;
        for (uint32_t y = 0; y < rows; ++y) {
            const uint8_t* row = decoded.data() + y * rowSize;
            uint8_t* line = scanLine(static_cast<int>(y));
            if (fourPlanes) {
                // Two pixels a byte, the first in the high nibble; bit k of a
                // pixel comes from plane k + 1.
                const std::size_t quarter = rowSize / 4;
                const uint8_t* planes[4] = {row, row + quarter, row + 2 * quarter, row + 3 * quarter};
                uint8_t bits[4] = {};
                for (std::size_t i = 0; i < targetBytes; ++i) {
                    if (i % 4 == 0)
                        for (int k = 0; k < 4; ++k) bits[k] = *planes[k]++;
                    uint8_t out = 0;
                    for (int half = 0; half < 2; ++half) {
                        uint8_t pixel = 0;
                        for (int k = 3; k >= 0; --k) {
                            pixel = static_cast<uint8_t>((pixel << 1) | (bits[k] >> 7));
                            bits[k] = static_cast<uint8_t>(bits[k] << 1);
                        }
                        out = static_cast<uint8_t>((out << 4) | pixel);
                    }
                    line[i] = out;
                }
            } else if (planar) {
                const void* planes[4] = {row, row + header.bytesPerLine, row + 2 * header.bytesPerLine,
                                         row + 3 * std::size_t{header.bytesPerLine}};
                cm.ConvertRow(std::span<const void* const>(planes, header.planes), line, p.width, 0xFF);
            } else {
                cm.ConvertRow(row, line, p.width, 0xFF);
            }
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TPCXGraphic::clone() const { return std::make_unique<TPCXGraphic>(*this); }

}  // namespace img
