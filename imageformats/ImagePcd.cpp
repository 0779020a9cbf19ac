#include "imageformats/ImagePcd.h"

#include <cstring>
#include <vector>

#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* PcdName = "PCD";
constexpr std::size_t HeaderSize = 6144;
constexpr uint64_t SectorSize = 2048;
constexpr uint32_t BaseWidth = 768, BaseHeight = 512;

}  // namespace

bool TPCDGraphic::CanLoad(gfx::Stream& stream) {
    std::vector<uint8_t> h(HeaderSize);
    return PeekHeader(stream, h.data(), HeaderSize, HeaderSize) &&
           (std::memcmp(h.data(), "PCD_OPA", 7) == 0 || std::memcmp(h.data() + 2048, "PCD", 3) == 0);
}

bool TPCDGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    std::vector<uint8_t> h(HeaderSize);
    if (stream.read(h.data(), HeaderSize) != HeaderSize) return false;
    TImageProperties& p = imageProperties;
    p.overview = std::memcmp(h.data(), "PCD_OPA", 7) == 0;
    if (!p.overview && std::memcmp(h.data() + 2048, "PCD", 3) != 0) return false;
    p.rotate = h[3586] & 3;
    const uint32_t resolution = p.overview ? 0 : std::min<uint32_t>(imageIndex, 5);
    p.width = 192u << resolution;
    p.height = 128u << resolution;
    if (p.rotate == 1 || p.rotate == 3) std::swap(p.width, p.height);
    p.colorScheme = slPhotoYCC;
    p.bitsPerSample = 8;
    p.samplesPerPixel = 3;
    p.bitsPerPixel = 24;
    p.compression = resolution <= 2 ? ckNone : ckPhotoCDHuffman;
    p.imageCount = LoadBE16(h.data() + 10);
    return true;
}

void TPCDGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        clear();
        basePosition = stream.position();
        if (!ReadImageProperties(stream, 2)) RaiseImageError(InvalidFormatText, {PcdName});
        // An overview pack holds thumbnails of another layout, not a base
        // image.
        if (imageProperties.overview) RaiseImageError(NotSupportedText, {"Overview packs are", PcdName});
        StartStage(PreparingStage);
        imageProperties.width = BaseWidth;
        imageProperties.height = BaseHeight;
        const uint32_t rotate = imageProperties.rotate;
        const std::size_t planeSize = std::size_t{BaseWidth} * BaseHeight;
        std::vector<uint8_t> luma(planeSize), cb(planeSize), cr(planeSize);
        stream.seek(basePosition + 96 * SectorSize);
        TColorManager& cm = ColorManager();
        cm.SetSourceColorScheme(slPhotoYCC);
        cm.SetSourceBitsPerSample(8);
        cm.SetSourceSamplesPerPixel(3);
        cm.SetTargetColorScheme(slBGR);
        cm.SetTargetBitsPerSample(8);
        cm.SetTargetSamplesPerPixel(3);
        setPixelFormat(gfx::PixelFormat::pf24bit);
        cm.SetYCbCrParameters({0.2125f, 0.7154f, 0.0721f}, 2, 2);
        EndStage();

        StartStage(LoadingDataStage);
        for (uint32_t y = 0; y < BaseHeight; y += 2) {
            stream.readExact(&luma[y * BaseWidth], 2 * BaseWidth);
            stream.readExact(&cb[y / 2 * BaseWidth], BaseWidth / 2);
            stream.readExact(&cr[y / 2 * BaseWidth], BaseWidth / 2);
            RowLoaded(y);
        }
        EndStage();
        StartStage(UpsamplingStage);
        UpsamplePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, cb.data());
        UpsamplePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, cr.data());
        EndStage();

        StartStage(TransferingStage);
        const bool turned = rotate == 1 || rotate == 3;
        if (turned)
            setSize(static_cast<int>(BaseHeight), static_cast<int>(BaseWidth));
        else
            setSize(static_cast<int>(BaseWidth), static_cast<int>(BaseHeight));
        std::vector<uint8_t> row(turned ? 3 * BaseWidth : 0);
        for (uint32_t y = 0; y < BaseHeight; ++y) {
            const void* planes[3] = {&luma[y * BaseWidth], &cb[y * BaseWidth], &cr[y * BaseWidth]};
            if (!turned) {
                cm.ConvertRow(planes, scanLine(static_cast<int>(y)), BaseWidth, 0xFF);
            } else {
                cm.ConvertRow(planes, row.data(), BaseWidth, 0xFF);
                // A quarter turn counter-clockwise (1) or clockwise (3).
                for (uint32_t x = 0; x < BaseWidth; ++x) {
                    const uint32_t ty = rotate == 1 ? BaseWidth - 1 - x : x;
                    const uint32_t tx = rotate == 1 ? y : BaseHeight - 1 - y;
                    std::memcpy(scanLine(static_cast<int>(ty)) + 3 * tx, &row[3 * x], 3);
                }
            }
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

std::unique_ptr<gfx::Graphic> TPCDGraphic::clone() const { return std::make_unique<TPCDGraphic>(*this); }

}  // namespace img
