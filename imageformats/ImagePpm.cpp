#include "imageformats/ImagePpm.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PpmName = "PBM, PGM or PPM";

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

bool TPPMGraphic::CanLoad(gfx::Stream& stream) {
    if (stream.remaining() <= 10) return false;
    const uint64_t start = stream.position();
    TPPMGraphic reader;
    reader.stream_ = &stream;
    Header header;
    bool read = false;
    try {
        read = reader.ReadHeader(header) && gfx::bitmapSizeAllowed(header.width, header.height);
    } catch (const gfx::Error&) {
    }
    stream.seek(start);
    return read;
}

std::unique_ptr<gfx::Graphic> TPPMGraphic::clone() const { return std::make_unique<TPPMGraphic>(*this); }

int TPPMGraphic::PeekChar() {
    if (next_ == filled_) {
        filled_ = stream_->read(buffer_.data(), buffer_.size());
        next_ = 0;
        if (filled_ == 0) return -1;
    }
    return buffer_[next_];
}

uint8_t TPPMGraphic::NextChar() {
    if (PeekChar() < 0) RaiseImageError(PpmReadErrorText, {"PPM"});
    return buffer_[next_++];
}

void TPPMGraphic::SkipSpace() {
    for (int c = PeekChar(); c >= 0; c = PeekChar()) {
        if (c == '#') {
            while (PeekChar() >= 0 && NextChar() != '\n') {
            }
        } else if (IsSpace(c)) {
            ++next_;
        } else {
            return;
        }
    }
}

uint32_t TPPMGraphic::NextNumber(uint32_t limit) {
    SkipSpace();
    uint8_t c = NextChar();
    if (c < '0' || c > '9') RaiseImageError(InvalidFormatText, {PpmName});
    uint64_t value = c - '0';
    for (int d = PeekChar(); d >= '0' && d <= '9'; d = PeekChar()) {
        value = value * 10 + static_cast<uint64_t>(d - '0');
        if (value > limit) RaiseImageError(InvalidFormatText, {PpmName});
        ++next_;
    }
    if (value > limit) RaiseImageError(InvalidFormatText, {PpmName});
    return static_cast<uint32_t>(value);
}

void TPPMGraphic::ReadBytes(uint8_t* out, std::size_t n) {
    const std::size_t buffered = std::min(n, filled_ - next_);
    std::memcpy(out, buffer_.data() + next_, buffered);
    next_ += buffered;
    if (n > buffered && stream_->read(out + buffered, n - buffered) != n - buffered)
        RaiseImageError(PpmReadErrorText, {"PPM"});
}

bool TPPMGraphic::ReadHeader(Header& header) {
    next_ = filled_ = 0;
    if (PeekChar() != 'P') return false;
    ++next_;
    const int kind = PeekChar();
    if (kind < '1' || kind > '6') return false;
    ++next_;
    header.kind = kind - '0';
    header.width = NextNumber(UINT32_MAX);
    header.height = NextNumber(UINT32_MAX);
    header.maxValue = header.kind == 1 || header.kind == 4 ? 1 : NextNumber(65535);
    if (header.maxValue == 0) RaiseImageError(InvalidFormatText, {PpmName});
    // One white space character ends the header of a binary file.
    if (header.kind >= 4 && !IsSpace(NextChar())) RaiseImageError(InvalidFormatText, {PpmName});
    return true;
}

bool TPPMGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    stream_ = &stream;
    Header header;
    if (!ReadHeader(header)) return false;
    TImageProperties& p = imageProperties;
    p.compression = ckNone;
    p.width = header.width;
    p.height = header.height;
    const bool bitmap = header.kind == 1 || header.kind == 4;
    p.samplesPerPixel = header.kind == 3 || header.kind == 6 ? 3 : 1;
    p.bitsPerSample = bitmap ? 1 : header.maxValue > 255 ? 16 : 8;
    p.colorScheme = p.samplesPerPixel == 3 ? slRGB : slIndexed;
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    return true;
}

void TPPMGraphic::loadFromStream(gfx::Stream& stream) {
    stream_ = &stream;
    try {
        clear();
        basePosition = stream.position();
        Header header;
        if (!ReadImageProperties(stream, 0)) RaiseImageError(InvalidFormatText, {PpmName});
        stream.seek(basePosition);
        ReadHeader(header);
        StartStage(TransferingStage);
        const TImageProperties& p = imageProperties;
        CheckImageSize(p.width, p.height, PpmName);
        const int kind = header.kind;
        const bool bitmap = kind == 1 || kind == 4;
        const uint32_t samples = p.samplesPerPixel, maxValue = header.maxValue;
        // Binary data must be in the stream (text needs at least a byte a sample).
        const uint64_t sampleBytes = kind == 4 ? 0 : maxValue > 255 && kind >= 4 ? 2 : 1;
        const uint64_t needed = kind == 4 ? uint64_t{(p.width + 7) / 8} * p.height
                                          : uint64_t{p.width} * p.height * samples * sampleBytes;
        if (needed > stream.remaining() + (filled_ - next_)) RaiseImageError(PpmReadErrorText, {"PPM"});

        ColorManager().SetTargetSamplesPerPixel(1);
        ColorManager().SetTargetBitsPerSample(bitmap ? 1 : 8);
        setPixelFormat(bitmap ? gfx::PixelFormat::pf1bit : samples == 3 ? gfx::PixelFormat::pf24bit
                                                                       : gfx::PixelFormat::pf8bit);
        if (samples == 1) setPalette(ColorManager().CreateGrayscalePalette(bitmap));
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));

        // A sample scaled from 0..maxValue to 0..255, rounded.
        std::vector<uint8_t> scale;
        if (maxValue != 255 && !bitmap) {
            scale.resize(std::size_t{maxValue} + 1);
            for (uint32_t v = 0; v <= maxValue; ++v) scale[v] = static_cast<uint8_t>((v * 255 + maxValue / 2) / maxValue);
        }
        auto scaled = [&](uint32_t v) { return scale.empty() ? static_cast<uint8_t>(v) : scale[v]; };
        const std::size_t rowSamples = std::size_t{p.width} * samples;
        std::vector<uint8_t> raw(kind >= 5 ? rowSamples * sampleBytes : 0);
        for (uint32_t y = 0; y < p.height; ++y) {
            uint8_t* line = scanLine(static_cast<int>(y));
            if (kind == 1) {
                std::memset(line, 0, (p.width + 7) / 8);
                for (uint32_t x = 0; x < p.width; ++x) {
                    SkipSpace();
                    const uint8_t c = NextChar();
                    if (c != '0' && c != '1') RaiseImageError(InvalidFormatText, {PpmName});
                    if (c == '1') line[x / 8] = static_cast<uint8_t>(line[x / 8] | (0x80 >> (x % 8)));
                }
            } else if (kind == 4) {
                ReadBytes(line, (p.width + 7) / 8);
            } else if (kind <= 3) {
                for (std::size_t i = 0; i < rowSamples; ++i) line[i] = scaled(NextNumber(maxValue));
            } else {
                ReadBytes(raw.data(), raw.size());
                if (sampleBytes == 2)
                    for (std::size_t i = 0; i < rowSamples; ++i) line[i] = scaled(std::min<uint32_t>(LoadBE16(&raw[2 * i]), maxValue));
                else
                    for (std::size_t i = 0; i < rowSamples; ++i) line[i] = scaled(std::min<uint32_t>(raw[i], maxValue));
            }
            // Pixmaps are stored red first; the bitmap's pixels blue first.
            if (samples == 3)
                for (std::size_t i = 0; i < rowSamples; i += 3) std::swap(line[i], line[i + 2]);
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

}  // namespace img
