#include "imageformats/ImageSgi.h"

#include <algorithm>
#include <cstring>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* SgiName = "sgi, bw or rgb(a)";
constexpr std::size_t HeaderSize = 512;
constexpr uint16_t Magic = 474;

}  // namespace

TSGIGraphic::TSGIGraphic() = default;
TSGIGraphic::~TSGIGraphic() = default;
TSGIGraphic::TSGIGraphic(const TSGIGraphic& other) : TFormatGraphic(other) {}
TSGIGraphic& TSGIGraphic::operator=(const TSGIGraphic& other) {
    TFormatGraphic::operator=(other);
    return *this;
}

std::unique_ptr<gfx::Graphic> TSGIGraphic::clone() const { return std::make_unique<TSGIGraphic>(*this); }

bool TSGIGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[12];
    if (!PeekHeader(stream, h, sizeof h, HeaderSize)) return false;
    const uint16_t dimension = LoadBE16(h + 4);
    return LoadBE16(h) == Magic && (h[3] == 1 || h[3] == 2) && dimension >= 1 && dimension <= 3 &&
           gfx::bitmapSizeAllowed(LoadBE16(h + 6), LoadBE16(h + 8));
}

bool TSGIGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[12];
    if (stream.read(h, sizeof h) != sizeof h || LoadBE16(h) != Magic) return false;
    TImageProperties& p = imageProperties;
    p.options = ipBigEndian;
    p.bitsPerSample = static_cast<uint8_t>(8 * h[3]);
    p.width = LoadBE16(h + 6);
    p.height = LoadBE16(h + 8);
    p.samplesPerPixel = static_cast<uint8_t>(std::min<uint16_t>(LoadBE16(h + 10), 255));
    p.colorScheme = p.samplesPerPixel == 3 ? slRGB : p.samplesPerPixel == 4 ? slRGBA : slIndexed;
    p.bitsPerPixel = static_cast<uint8_t>(p.bitsPerSample * p.samplesPerPixel);
    p.compression = h[2] == 1 ? ckRunLength : ckNone;
    return true;
}

void TSGIGraphic::ReadRow(uint8_t* const targets[4], uint32_t row, uint32_t bytesPerChannel) {
    const TImageProperties& p = imageProperties;
    const std::size_t size = std::size_t{p.width} * bytesPerChannel;
    for (uint32_t c = 0; c < 4; ++c) {
        if (!targets[c]) continue;
        if (!decoder_) {
            stream_->seek(basePosition + HeaderSize + (uint64_t{c} * p.height + row) * size);
            stream_->readExact(targets[c], size);
            continue;
        }
        // A row that starts past the end of the stream raises the read error;
        // one that ends past it gives what is there, the rest of its samples
        // zero.
        const std::size_t index = row + std::size_t{c} * p.height;
        const uint64_t start = basePosition + rowStarts_[index];
        if (start > stream_->size()) throw gfx::EReadError(gfx::StreamReadErrorText);
        stream_->seek(start);
        packed_.resize(static_cast<std::size_t>(std::min<uint64_t>(rowLengths_[index], stream_->remaining())));
        stream_->readExact(packed_.data(), packed_.size());
        const uint8_t* source = packed_.data();
        uint8_t* dest = targets[c];
        std::memset(dest, 0, size);
        decoder_->Decode(source, dest, static_cast<int32_t>(packed_.size()), static_cast<int32_t>(size));
    }
}

void TSGIGraphic::loadFromStream(gfx::Stream& stream) {
    stream_ = &stream;
    try {
        BeginLoad(stream, SgiName);
        StartStage(PreparingStage);
        stream.skip(HeaderSize);
        const TImageProperties& p = imageProperties;
        const uint32_t bytesPerChannel = p.bitsPerSample / 8u;
        if (bytesPerChannel != 1 && bytesPerChannel != 2) RaiseImageError(InvalidFormatText, {SgiName});
        // One to four channels: grey, grey with alpha (which no bitmap
        // format holds), RGB and RGBA.
        if (p.samplesPerPixel == 0 || p.samplesPerPixel > 4) RaiseImageError(InvalidColorFormatText, {SgiName});
        CheckImageSize(p.width, p.height, SgiName);
        TColorManager& cm = ColorManager();
        cm.sourceOptions = cfByteSwap;
        decoder_.reset();
        if (p.compression == ckRunLength) {
            const uint64_t count = uint64_t{p.height} * p.samplesPerPixel;
            if (count * 8 > stream.remaining()) RaiseImageError(InvalidFormatText, {SgiName});
            rowStarts_.resize(static_cast<std::size_t>(count));
            rowLengths_.resize(static_cast<std::size_t>(count));
            for (uint32_t& v : rowStarts_) v = stream.readU32BE();
            for (uint32_t& v : rowLengths_) v = stream.readU32BE();
            decoder_ = std::make_unique<TSGIRLEDecoder>(p.bitsPerSample);
        }
        // A run gives at most 127 samples from two bytes.
        CheckDataSize(uint64_t{p.width} * p.height * bytesPerChannel * p.samplesPerPixel, stream.remaining(),
                      decoder_ ? 64 : 1, SgiName);
        cm.SetSourceBitsPerSample(p.bitsPerSample);
        cm.SetTargetBitsPerSample(8);
        cm.SetSourceSamplesPerPixel(p.samplesPerPixel);
        cm.SetTargetSamplesPerPixel(p.samplesPerPixel);
        cm.SetSourceColorScheme(p.colorScheme);
        cm.SetTargetColorScheme(p.colorScheme == slRGB ? slBGR : p.colorScheme == slRGBA ? slBGRA : slIndexed);
        setPixelFormat(cm.TargetPixelFormat());
        MarkAlpha();
        // Colour rows go through the colour manager; grey rows are copied.
        if (p.colorScheme != slIndexed) CheckColorModel(SgiName);
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        EndStage();

        StartStage(TransferingStage);
        const std::size_t channelSize = std::size_t{bytesPerChannel} * p.width;
        const bool color = p.colorScheme != slIndexed;
        const int planes = color ? p.samplesPerPixel : 1;
        std::vector<uint8_t> buffers(channelSize * static_cast<std::size_t>(planes));
        uint8_t* targets[4] = {};
        const void* sources[4] = {};
        for (int c = 0; c < planes; ++c) sources[c] = targets[c] = buffers.data() + static_cast<std::size_t>(c) * channelSize;
        if (!color) setPalette(cm.CreateGrayscalePalette(false));
        for (uint32_t y = 0; y < p.height; ++y) {
            uint8_t* line = scanLine(static_cast<int>(p.height - 1 - y));
            if (color || bytesPerChannel == 2) {
                ReadRow(targets, y, bytesPerChannel);
            } else {
                uint8_t* direct[4] = {line, nullptr, nullptr, nullptr};
                ReadRow(direct, y, bytesPerChannel);
            }
            if (color) {
                cm.ConvertRow(std::span<const void* const>(sources, static_cast<std::size_t>(planes)), line, p.width,
                              0xFF);
            } else if (bytesPerChannel == 2) {
                // Grey samples of two bytes, most significant first: the
                // scan line keeps the high byte.
                for (uint32_t x = 0; x < p.width; ++x) line[x] = buffers[2 * x];
            }
            RowLoaded(y);
        }
        EndStage();
        decoder_.reset();
        packed_ = {};
    } catch (...) {
        decoder_.reset();
        packed_ = {};
        clear();
        throw;
    }
}

}  // namespace img
