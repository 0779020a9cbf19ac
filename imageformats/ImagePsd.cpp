#include "imageformats/ImagePsd.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PsdName = "PSD or PDD";
constexpr std::size_t HeaderSize = 26;


// Skips a section of the file: a 32-bit length, then that many bytes; false
// when the file ends first.
bool SkipSection(gfx::Stream& stream) {
    uint8_t n[4];
    if (stream.read(n, 4) != 4) return false;
    const uint32_t length = LoadBE32(n);
    if (length > stream.remaining()) return false;
    stream.skip(length);
    return true;
}

}  // namespace

bool TPSDGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[HeaderSize];
    return PeekHeader(stream, h, HeaderSize, HeaderSize) && std::memcmp(h, "8BPS", 4) == 0 && LoadBE16(h + 4) == 1 &&
           gfx::bitmapSizeAllowed(LoadBE32(h + 18), LoadBE32(h + 14));
}

bool TPSDGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[HeaderSize];
    if (stream.read(h, HeaderSize) != HeaderSize || std::memcmp(h, "8BPS", 4) != 0) return false;
    TImageProperties& p = imageProperties;
    const uint16_t channels = LoadBE16(h + 12);
    p.options = ipBigEndian;
    p.bitsPerSample = static_cast<uint8_t>(LoadBE16(h + 22));
    p.channels = static_cast<uint8_t>(std::min<uint16_t>(channels, 255));
    p.samplesPerPixel = static_cast<uint8_t>(std::min<uint16_t>(channels, 4));
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    switch (LoadBE16(h + 24)) {
    case 0:
        p.colorScheme = slGray;
        p.options |= ipMinIsWhite;
        break;
    case 1:
    case 8: p.colorScheme = slGray; break;
    case 2: p.colorScheme = slIndexed; break;
    case 3:
    case 7:
        // Multichannel files of one or two channels are grey.
        p.colorScheme = channels < 3 ? slGray : channels == 3 ? slRGB : slRGBA;
        break;
    case 4: p.colorScheme = slCMYK; break;
    case 9: p.colorScheme = slCIELab; break;
    default: break;
    }
    p.width = LoadBE32(h + 18);
    p.height = LoadBE32(h + 14);
    uint8_t compression[2];
    if (!SkipSection(stream) || !SkipSection(stream) || !SkipSection(stream) || stream.read(compression, 2) != 2)
        return false;
    p.compression = LoadBE16(compression) == 1 ? ckPackBits : ckNone;
    return true;
}

void TPSDGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, PsdName);
        StartStage(PreparingStage);
        stream.skip(HeaderSize);
        const TImageProperties& p = imageProperties;
        const uint32_t bits = p.bitsPerSample;
        if (p.colorScheme == slUnknown || (bits != 1 && bits != 8 && bits != 16) || p.channels == 0 ||
            (bits == 1 && p.colorScheme != slGray))
            RaiseImageError(InvalidColorFormatText, {"PSD"});
        CheckImageSize(p.width, p.height, PsdName);

        // The channels a pixel is made of: one for grey and indices, three
        // for RGB and L*a*b*, four for RGB with alpha and for CMYK. Channels
        // beyond them are not shown; a file with fewer has no such pixels.
        const bool single = p.colorScheme == slIndexed || p.colorScheme == slGray;
        const uint8_t samples = single ? 1 : p.colorScheme == slRGB || p.colorScheme == slCIELab ? 3 : 4;
        if (p.channels < samples) RaiseImageError(InvalidColorFormatText, {"PSD"});
        // 16-bit L*a*b* reaches the colour manager as 8 bits (see Lab16To8).
        const bool labWords = p.colorScheme == slCIELab && bits == 16;
        TColorManager& cm = ColorManager();
        cm.sourceOptions = labWords ? 0 : cfByteSwap;
        cm.SetSourceBitsPerSample(static_cast<uint8_t>(labWords ? 8 : bits));
        cm.SetTargetBitsPerSample(bits == 16 ? 8 : static_cast<uint8_t>(bits));
        cm.SetSourceSamplesPerPixel(samples);
        cm.SetTargetSamplesPerPixel(samples);
        cm.SetSourceColorScheme(p.colorScheme);
        switch (p.colorScheme) {
        case slRGB: cm.SetTargetColorScheme(slBGR); break;
        case slRGBA: cm.SetTargetColorScheme(slBGRA); break;
        case slCMYK:
            cm.SetTargetColorScheme(slBGR);
            cm.SetTargetSamplesPerPixel(3);
            break;
        case slCIELab:
            cm.SetTargetColorScheme(slBGR);
            cm.sourceOptions |= cfLabByteRange | cfLabChromaOffset;
            break;
        default: cm.SetTargetColorScheme(p.colorScheme); break;
        }
        setPixelFormat(cm.TargetPixelFormat());
        MarkAlpha();
        CheckColorModel("PSD");

        // The colour mode data: the palette of an indexed image as three
        // planes (at most 256 colours are used).
        uint32_t length = stream.readU32BE();
        if (length > stream.remaining()) RaiseImageError(InvalidFormatText, {PsdName});
        if (p.colorScheme == slIndexed) {
            std::vector<uint8_t> map(std::min<uint32_t>(length, 768));
            stream.readExact(map.data(), map.size());
            stream.skip(length - map.size());
            const std::size_t n = map.size() / 3;
            const void* planes[3] = {map.data(), map.data() + n, map.data() + 2 * n};
            setPalette(cm.CreateColorPalette(planes, plPlanar8x3, static_cast<uint32_t>(n), false));
        } else {
            if (p.colorScheme == slGray) setPalette(cm.CreateGrayscalePalette((p.options & ipMinIsWhite) != 0));
            stream.skip(length);
        }
        for (int section = 0; section < 2; ++section) {
            length = stream.readU32BE();
            if (length > stream.remaining()) RaiseImageError(InvalidFormatText, {PsdName});
            stream.skip(length);
        }
        stream.skip(2);

        // The rows used: `samples` channels of `height` rows each.
        const uint64_t rowCount = uint64_t{p.height} * samples;
        const std::size_t rowBytes = (std::size_t{p.width} * bits + 7) / 8;
        const bool packBits = p.compression == ckPackBits;
        std::vector<uint32_t> counts;
        uint64_t packedSize = rowCount * rowBytes;
        if (packBits) {
            const uint64_t all = uint64_t{p.height} * p.channels;
            if (all * 2 > stream.remaining()) RaiseImageError(InvalidFormatText, {PsdName});
            std::vector<uint8_t> table(static_cast<std::size_t>(all * 2));
            stream.readExact(table.data(), table.size());
            counts.resize(static_cast<std::size_t>(rowCount));
            for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = LoadBE16(&table[2 * i]);
            packedSize = std::accumulate(counts.begin(), counts.end(), uint64_t{0});
        }
        // The data must be in the file and able to hold the pixels (PackBits
        // gives at most 128 bytes from 2).
        if (packedSize > stream.remaining() || (packBits ? packedSize * 64 : packedSize) < rowCount * rowBytes)
            RaiseImageError(InvalidFormatText, {PsdName});
        // Where each row used starts, channel after channel.
        std::vector<uint64_t> starts(static_cast<std::size_t>(rowCount) + 1);
        starts[0] = stream.position();
        for (std::size_t i = 0; i < rowCount; ++i) starts[i + 1] = starts[i] + (packBits ? counts[i] : rowBytes);
        setSizeForOverwrite(static_cast<int>(p.width), static_cast<int>(p.height));
        EndStage();

        // Bands of rows, about a megabyte of every channel's rows at a time,
        // are read, decoded and converted.
        StartStage(TransferingStage);
        const std::size_t bandBytes = std::max<std::size_t>(rowBytes * samples, 1);
        const auto bandRows = static_cast<uint32_t>(std::clamp<std::size_t>((std::size_t{1} << 20) / bandBytes, 1, p.height));
        const std::size_t planeSize = std::size_t{bandRows} * rowBytes;
        std::vector<uint8_t> planes(planeSize * samples), packed;
        std::vector<uint8_t> labRow(labWords ? std::size_t{p.width} * 3 : 0);
        TPackbitsRLEDecoder decoder;
        for (uint32_t y0 = 0; y0 < p.height; y0 += bandRows) {
            const uint32_t rows = std::min(bandRows, p.height - y0);
            for (std::size_t c = 0; c < samples; ++c) {
                uint8_t* plane = planes.data() + c * planeSize;
                const std::size_t first = c * p.height + y0;
                stream.seek(starts[first]);
                if (!packBits) {
                    stream.readExact(plane, std::size_t{rows} * rowBytes);
                    continue;
                }
                packed.resize(static_cast<std::size_t>(starts[first + rows] - starts[first]));
                stream.readExact(packed.data(), packed.size());
                const uint8_t* source = packed.data();
                for (uint32_t r = 0; r < rows; ++r) {
                    uint8_t* dest = plane + std::size_t{r} * rowBytes;
                    std::memset(dest, 0, rowBytes);
                    decoder.Decode(source, dest, static_cast<int32_t>(counts[first + r]),
                                   static_cast<int32_t>(rowBytes));
                    source += counts[first + r];
                }
            }
            if (p.colorScheme == slCMYK)
                for (uint8_t& v : planes) v = static_cast<uint8_t>(255 - v);
            for (uint32_t r = 0; r < rows; ++r) {
                const void* sources[4];
                for (std::size_t k = 0; k < samples; ++k)
                    sources[k] = planes.data() + k * planeSize + std::size_t{r} * rowBytes;
                uint8_t* line = scanLine(static_cast<int>(y0 + r));
                if (labWords) {
                    Lab16To8(std::span<const void* const>(sources, 3), p.width, true, labRow.data());
                    cm.ConvertRow(labRow.data(), line, p.width, 0xFF);
                } else {
                    cm.ConvertRow(std::span<const void* const>(sources, samples), line, p.width, 0xFF);
                }
                RowLoaded(y0 + r);
            }
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TPSDGraphic::clone() const { return std::make_unique<TPSDGraphic>(*this); }

}  // namespace img
