#include "imageformats/ImageRla.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* RlaName = "RLA";
constexpr std::size_t HeaderSize = 740;

// A NUL-padded text field of the header.
std::string_view TextField(const uint8_t* h, std::size_t at, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(h + at);
    return {text, static_cast<std::size_t>(std::find(text, text + size, '\0') - text)};
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

int16_t Signed16(const uint8_t* p) { return static_cast<int16_t>(LoadBE16(p)); }

}  // namespace

bool TRLAGraphic::CanLoad(gfx::Stream& stream) {
    std::vector<uint8_t> h(HeaderSize);
    if (!PeekHeader(stream, h.data(), HeaderSize, HeaderSize) || LoadBE16(&h[26]) != 0xFFFE) return false;
    const std::string_view space = TextField(h.data(), 580, 32);
    return EqualsIgnoringCase(space, "rgb") || EqualsIgnoringCase(space, "xyz");
}

bool TRLAGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    xyz_ = false;
    std::vector<uint8_t> header(HeaderSize);
    if (stream.read(header.data(), HeaderSize) != HeaderSize) return false;
    const uint8_t* h = header.data();
    TImageProperties& p = imageProperties;
    p.options = ipBigEndian;
    const int colorChannels = Signed16(h + 20), matteChannels = Signed16(h + 22);
    p.samplesPerPixel = static_cast<uint8_t>(std::clamp(colorChannels + (matteChannels >= 1 ? 1 : 0), 0, 255));
    p.bitsPerSample = static_cast<uint8_t>(std::clamp<int>(Signed16(h + 658), 0, 255));
    p.bitsPerPixel = static_cast<uint8_t>(p.samplesPerPixel * p.bitsPerSample);
    const std::string_view space = TextField(h, 580, 32);
    if (EqualsIgnoringCase(space, "xyz")) {
        xyz_ = true;
        return false;
    }
    if (EqualsIgnoringCase(space, "rgb")) p.colorScheme = matteChannels >= 1 ? slRGBA : slRGB;
    std::string_view gamma = TextField(h, 28, 16);
    while (!gamma.empty() && gamma.front() == ' ') gamma.remove_prefix(1);
    float value = 0;
    const auto [end, error] = std::from_chars(gamma.data(), gamma.data() + gamma.size(), value);
    if (error == std::errc() && end != gamma.data() && value > 0) p.fileGamma = value;
    p.compression = ckRunLength;
    const int left = Signed16(h + 8), right = Signed16(h + 10), bottom = Signed16(h + 12), top = Signed16(h + 14);
    p.width = static_cast<uint32_t>(std::max(right - left + 1, 0));
    p.height = static_cast<uint32_t>(std::abs(bottom - top) + 1);
    p.bottomUp = bottom < top;
    return true;
}

void TRLAGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        clear();
        basePosition = stream.position();
        if (!ReadImageProperties(stream, 0)) {
            if (xyz_) RaiseImageError(NotSupportedText, {"The XYZ colour space is", RlaName});
            RaiseImageError(InvalidFormatText, {RlaName});
        }
        StartStage(TransferingStage);
        TImageProperties& p = imageProperties;
        if (p.colorScheme == slUnknown || p.bitsPerSample != 8 ||
            p.samplesPerPixel != (p.colorScheme == slRGBA ? 4 : 3))
            RaiseImageError(InvalidColorFormatText, {RlaName});
        CheckImageSize(p.width, p.height, RlaName);
        TColorManager& cm = ColorManager();
        cm.SetSourceSamplesPerPixel(p.samplesPerPixel);
        cm.SetTargetSamplesPerPixel(p.samplesPerPixel);
        cm.SetSourceBitsPerSample(8);
        cm.SetTargetBitsPerSample(8);
        cm.SetSourceColorScheme(p.colorScheme);
        cm.SetTargetColorScheme(p.colorScheme == slRGBA ? slBGRA : slBGR);
        setPixelFormat(cm.TargetPixelFormat());
        CheckColorModel(RlaName);
        if (p.fileGamma != 1.0f) {
            // The file's samples were made for a display of that gamma: the
            // table turns them into samples for a display of 2.2, which
            // leaves a "2.2" file as stored.
            cm.SetGamma(1.0f / p.fileGamma, 2.2f);
            cm.targetOptions |= cfApplyGamma;
            p.options |= ipUseGamma;
        }
        // An offset a row, and at most 128 bytes of a channel from two.
        if (uint64_t{p.height} * 4 > stream.remaining()) RaiseImageError(InvalidFormatText, {RlaName});
        CheckDataSize(uint64_t{p.width} * p.height * p.samplesPerPixel, stream.remaining(), 64, RlaName);
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        setHasAlpha(p.colorScheme == slRGBA);
        std::vector<uint32_t> offsets(p.height);
        for (uint32_t& offset : offsets) offset = stream.readU32BE();

        TRLADecoder decoder;
        const std::size_t channels = p.samplesPerPixel;
        std::vector<uint8_t> buffers(channels * p.width), packed;
        const void* planes[4];
        for (std::size_t c = 0; c < channels; ++c) planes[c] = buffers.data() + c * p.width;
        for (uint32_t y = 0; y < p.height; ++y) {
            stream.seek(basePosition + offsets[y]);
            std::fill(buffers.begin(), buffers.end(), 0);
            for (std::size_t c = 0; c < channels; ++c) {
                const uint16_t count = stream.readU16BE();
                packed.resize(count);
                stream.readExact(packed.data(), count);
                const uint8_t* source = packed.data();
                uint8_t* dest = buffers.data() + c * p.width;
                decoder.Decode(source, dest, count, static_cast<int32_t>(p.width));
            }
            const uint32_t line = p.bottomUp ? p.height - 1 - y : y;
            cm.ConvertRow(std::span<const void* const>(planes, channels), scanLine(static_cast<int>(line)), p.width,
                          0xFF);
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TRLAGraphic::clone() const { return std::make_unique<TRLAGraphic>(*this); }

}  // namespace img
