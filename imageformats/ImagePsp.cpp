#include "imageformats/ImagePsp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PspName = "PSP";
constexpr std::size_t HeaderSize = 36;
constexpr std::size_t AttributesSize = 42;
constexpr std::size_t LayerAttributesSize = 115;
constexpr char Signature[] = "Paint Shop Pro Image File";

enum : uint16_t { ImageAttributesBlock = 0, PaletteBlock = 2, LayerStartBlock = 3, LayerBlock = 4 };

// The stream's next 32-bit chunk length, for major versions above 3 (0
// otherwise, with nothing read).
uint32_t ChunkLength(gfx::Stream& stream, uint32_t version) { return version > 3 ? stream.readU32LE() : 0; }

}  // namespace

bool TPSPGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[HeaderSize];
    return PeekHeader(stream, h, HeaderSize, HeaderSize) && std::memcmp(h, Signature, 25) == 0 &&
           LoadLE16(h + 32) >= 3;
}

std::unique_ptr<gfx::Graphic> TPSPGraphic::clone() const { return std::make_unique<TPSPGraphic>(*this); }

bool TPSPGraphic::ReadBlock(gfx::Stream& stream, Block& block) const {
    uint8_t h[14];
    const std::size_t size = imageProperties.version == 3 ? 14 : 10;
    if (stream.read(h, size) != size || h[0] != '~') return false;
    block.id = LoadLE16(h + 4);
    block.end = stream.position() + LoadLE32(h + size - 4);
    return true;
}

bool TPSPGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[HeaderSize];
    if (stream.read(h, HeaderSize) != HeaderSize || std::memcmp(h, Signature, 25) != 0 || LoadLE16(h + 32) < 3)
        return false;
    TImageProperties& p = imageProperties;
    p.version = LoadLE16(h + 32);
    Block block;
    uint8_t a[AttributesSize];
    if (!ReadBlock(stream, block) || block.id != ImageAttributesBlock) return false;
    if (p.version > 3 && stream.read(a, 4) != 4) return false;
    if (stream.read(a, AttributesSize) != AttributesSize) return false;
    stream.seek(block.end);
    const int32_t width = static_cast<int32_t>(LoadLE32(a)), height = static_cast<int32_t>(LoadLE32(a + 4));
    if (width < 0 || height < 0) return false;
    double resolution;
    std::memcpy(&resolution, a + 8, sizeof resolution);
    const uint16_t compression = LoadLE16(a + 17), depth = LoadLE16(a + 19);
    if (depth == 24) {
        p.bitsPerSample = 8;
        p.samplesPerPixel = 3;
        p.colorScheme = slRGB;
    } else {
        p.bitsPerSample = static_cast<uint8_t>(std::min<uint16_t>(depth, 255));
        p.samplesPerPixel = 1;
        p.colorScheme = a[27] ? slGray : slIndexed;
    }
    p.bitsPerPixel = static_cast<uint8_t>(p.bitsPerSample * p.samplesPerPixel);
    p.width = static_cast<uint32_t>(width);
    p.height = static_cast<uint32_t>(height);
    static constexpr TCompressionKind Kinds[4] = {ckNone, ckRunLength, ckDeflate, ckJPEG};
    p.compression = compression < 4 ? Kinds[compression] : ckUnknown;
    const double dpi = a[16] == 2 ? resolution * 2.54 : resolution;
    p.xResolution = p.yResolution = std::isfinite(dpi) ? static_cast<float>(std::clamp(dpi, 0.0, 1e9)) : 0.0f;
    return true;
}

void TPSPGraphic::ReadChannel(gfx::Stream& stream, std::size_t rowLength) {
    const TImageProperties& p = imageProperties;
    Block block;
    if (!ReadBlock(stream, block)) RaiseImageError(InvalidFormatText, {PspName});
    const uint64_t chunkStart = stream.position();
    const uint32_t chunk = ChunkLength(stream, p.version);
    const uint32_t packedSize = stream.readU32LE();
    stream.skip(6);  // the uncompressed length and the bitmap type
    const uint16_t type = stream.readU16LE();
    if (p.version > 3) stream.seek(chunkStart + chunk);
    // Channels of other types than composite, red, green and blue are not
    // shown.
    if (type <= 3) {
        if (packedSize > stream.remaining()) RaiseImageError(InvalidFormatText, {PspName});
        std::vector<uint8_t>& out = channels_[type];
        out.assign(rowLength * p.height, 0);
        std::vector<uint8_t> packed(packedSize);
        stream.readExact(packed.data(), packed.size());
        const uint8_t* source = packed.data();
        uint8_t* dest = out.data();
        const int32_t in = static_cast<int32_t>(std::min<uint64_t>(packedSize, INT32_MAX));
        const int32_t room = static_cast<int32_t>(std::min<std::size_t>(out.size(), INT32_MAX));
        switch (p.compression) {
        case ckNone:
            // An empty channel leaves its zeros (and has no data to copy from).
            if (const std::size_t n = std::min(packed.size(), out.size()); n > 0) std::memcpy(dest, source, n);
            break;
        case ckRunLength: TPSPRLEDecoder().Decode(source, dest, in, room); break;
        case ckDeflate: {
            TLZ77Decoder decoder(4, false);
            decoder.DecodeInit();
            decoder.Decode(source, dest, in, room);
            decoder.DecodeEnd();
            break;
        }
        case ckJPEG: RaiseImageError(NotSupportedText, {"JPEG compressed channels are", PspName});
        default: RaiseImageError(NotSupportedText, {"The compression scheme is", PspName});
        }
    }
    stream.seek(block.end);
}

bool TPSPGraphic::ReadLayer(gfx::Stream& stream, const Block& layer, std::size_t rowLength) {
    const uint32_t version = imageProperties.version;
    uint8_t attributes[LayerAttributesSize];
    if (version == 3) {
        stream.skip(256);  // the name
        stream.readExact(attributes, sizeof attributes);
        if (attributes[0] != 0) return false;
    } else {
        const uint64_t chunkStart = stream.position();
        const uint32_t chunk = stream.readU32LE();
        stream.skip(stream.readU16LE());  // the name
        stream.readExact(attributes, sizeof attributes);
        stream.seek(chunkStart + chunk);
        if (attributes[0] >= 2) return false;
    }
    const uint64_t chunkStart = stream.position();
    const uint32_t chunk = ChunkLength(stream, version);
    stream.skip(2);  // the bitmap count
    const uint16_t channelCount = stream.readU16LE();
    if (version > 3) stream.seek(chunkStart + chunk);
    for (uint16_t c = 0; c < channelCount && stream.position() < layer.end; ++c) ReadChannel(stream, rowLength);
    return true;
}

void TPSPGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, PspName);
        StartStage(PreparingStage);
        const TImageProperties& p = imageProperties;
        stream.skip(HeaderSize);
        Block block;
        ReadBlock(stream, block);
        stream.seek(block.end);
        CheckImageSize(p.width, p.height, PspName);

        // The depths the rows have a length for (24 bits are three 8-bit
        // channels); any other is refused before the colour manager sees it.
        std::size_t rowLength;
        switch (p.bitsPerSample) {
        case 1: rowLength = (p.width + 7) / 8; break;
        case 4: rowLength = p.width / 2 + 1; break;
        case 8: rowLength = p.width; break;
        default: RaiseImageError(InvalidColorFormatText, {PspName});
        }
        TColorManager& cm = ColorManager();
        cm.sourceOptions = 0;
        cm.SetSourceBitsPerSample(p.bitsPerSample);
        cm.SetTargetBitsPerSample(p.bitsPerSample);
        cm.SetSourceSamplesPerPixel(p.samplesPerPixel);
        cm.SetTargetSamplesPerPixel(p.samplesPerPixel);
        cm.SetSourceColorScheme(p.colorScheme);
        cm.SetTargetColorScheme(p.colorScheme == slRGB ? slBGR : p.colorScheme);
        // Deflate gives at most 1032 bytes from one.
        CheckDataSize(uint64_t{rowLength} * p.height * p.samplesPerPixel, stream.remaining(), 1032, PspName);
        setPixelFormat(cm.TargetPixelFormat());
        CheckColorModel(PspName);
        if (p.colorScheme == slGray) setPalette(cm.CreateGrayscalePalette(false));
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        for (std::vector<uint8_t>& channel : channels_) channel.assign(rowLength * p.height, 0);
        EndStage();

        StartStage(TransferingStage);
        bool shown = false;
        while (!shown && ReadBlock(stream, block)) {
            if (block.id == PaletteBlock) {
                ChunkLength(stream, p.version);
                const uint32_t count = stream.readU32LE();
                const uint32_t used = std::min<uint32_t>(count, 256);
                std::vector<uint8_t> entries(std::size_t{used} * 4);
                stream.readExact(entries.data(), entries.size());
                const void* data[1] = {entries.data()};
                setPalette(cm.CreateColorPalette(data, plInterleaved8x4, used, true));
            } else if (block.id == LayerStartBlock) {
                Block layer;
                while (!shown && stream.position() < block.end && ReadBlock(stream, layer) && layer.id == LayerBlock) {
                    shown = ReadLayer(stream, layer, rowLength);
                    stream.seek(layer.end);
                }
            }
            stream.seek(block.end);
        }
        if (shown) {
            for (uint32_t y = 0; y < p.height; ++y) {
                const std::size_t at = y * rowLength;
                if (p.colorScheme == slRGB) {
                    const void* planes[3] = {&channels_[1][at], &channels_[2][at], &channels_[3][at]};
                    cm.ConvertRow(planes, scanLine(static_cast<int>(y)), p.width, 0xFF);
                } else {
                    cm.ConvertRow(&channels_[0][at], scanLine(static_cast<int>(y)), p.width, 0xFF);
                }
                RowLoaded(y);
            }
        }
        EndStage();
        for (std::vector<uint8_t>& channel : channels_) channel = {};
    } catch (...) {
        for (std::vector<uint8_t>& channel : channels_) channel = {};
        clear();
        throw;
    }
}

}  // namespace img
