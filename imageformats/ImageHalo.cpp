#include "imageformats/ImageHalo.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "platform/FolderListing.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

constexpr const char* CutName = "CUT";
constexpr const char* AutodeskName = "Autodesk";
constexpr std::size_t PaletteBlock = 512;
// Dr. Halo runs give at most 127 bytes from 2.
constexpr uint64_t CutRatio = 64;

// `name` with its extension replaced by ".pal"; an existing file of that name
// in another case ("X.CUT" with "x.PAL") is taken as it is spelled.
std::string PaletteFileOf(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path path = fs::path(name).replace_extension(".pal");
    std::error_code ec;
    if (fs::exists(path, ec)) return path.string();
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string wanted = path.filename().string();
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    std::string found;
    ForEachInFolder(folder.string(), [&](std::string_view other, mode_t) {
        if (found.empty() && other.size() == wanted.size() &&
            std::equal(other.begin(), other.end(), wanted.begin(), [&](char a, char b) { return lower(a) == lower(b); }))
            found = (folder / other).string();
    });
    return found.empty() ? path.string() : found;
}

}  // namespace

// ---- Dr. Halo ---------------------------------------------------------------

bool TCUTGraphic::CanLoad(gfx::Stream&) { return false; }

std::unique_ptr<gfx::Graphic> TCUTGraphic::clone() const { return std::make_unique<TCUTGraphic>(*this); }

void TCUTGraphic::loadFromFile(const std::string& fileName) {
    paletteFileName_ = PaletteFileOf(fileName);
    TFormatGraphic::loadFromFile(fileName);
}

bool TCUTGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[6];
    if (stream.read(h, sizeof h) != sizeof h) return false;
    TImageProperties& p = imageProperties;
    p.width = LoadLE16(h);
    p.height = LoadLE16(h + 2);
    p.colorScheme = slIndexed;
    p.bitsPerSample = 8;
    p.samplesPerPixel = 1;
    p.bitsPerPixel = 8;
    p.compression = ckRunLength;
    return true;
}

gfx::Palette TCUTGraphic::LoadPalette() const {
    std::error_code ec;
    if (paletteFileName_.empty() || !std::filesystem::is_regular_file(paletteFileName_, ec)) {
        gfx::Palette gray(256);
        for (int i = 0; i < 256; ++i) gray[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
        return gray;
    }
    gfx::FileStream file(paletteFileName_);
    const std::vector<uint8_t> bytes = file.readAll(1 << 20);
    if (bytes.size() < 40) RaiseImageError(InvalidPaletteText, {CutName});
    const uint32_t count = LoadLE16(&bytes[12]) + 1u;
    if (count > 256) RaiseImageError(InvalidPaletteText, {CutName});
    gfx::Palette palette(static_cast<int>(count));
    // Entries of three 16-bit values; one never crosses the end of its
    // 512-byte block.
    std::size_t at = 40;
    for (uint32_t i = 0; i < count; ++i) {
        if (at % PaletteBlock > PaletteBlock - 6) at += PaletteBlock - at % PaletteBlock;
        if (at + 6 > bytes.size()) RaiseImageError(InvalidPaletteText, {CutName});
        uint16_t rgb[3];
        for (int c = 0; c < 3; ++c) {
            rgb[c] = LoadLE16(&bytes[at + 2 * static_cast<std::size_t>(c)]);
            if (rgb[c] > 255) RaiseImageError(InvalidPaletteText, {CutName});
        }
        palette[static_cast<int>(i)] = {static_cast<uint8_t>(rgb[0]), static_cast<uint8_t>(rgb[1]),
                                        static_cast<uint8_t>(rgb[2])};
        at += 6;
    }
    return palette;
}

void TCUTGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, CutName);
        stream.seek(basePosition + 6);
        StartStage(TransferingStage);
        const TImageProperties& p = imageProperties;
        CheckImageSize(p.width, p.height, CutName);
        const std::vector<uint8_t> data = stream.readAll();
        CheckDataSize(uint64_t{p.width} * p.height, data.size(), CutRatio, CutName);
        setPixelFormat(gfx::PixelFormat::pf8bit);
        setPalette(LoadPalette());
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        TCUTRLEDecoder decoder;
        const uint8_t* source = data.data();
        const uint8_t* const end = data.data() + data.size();
        for (uint32_t y = 0; y < p.height; ++y) {
            uint8_t* dest = scanLine(static_cast<int>(y));
            decoder.Decode(source, dest, static_cast<int32_t>(end - source), static_cast<int32_t>(p.width));
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

// ---- Autodesk ---------------------------------------------------------------

bool TAutodeskGraphic::CanLoad(gfx::Stream& stream) {
    uint8_t h[12];
    return PeekHeader(stream, h, sizeof h, 32) && LoadLE16(h) == 0x9119 && h[10] == 8 && h[11] == 0 &&
           gfx::bitmapSizeAllowed(LoadLE16(h + 2), LoadLE16(h + 4));
}

std::unique_ptr<gfx::Graphic> TAutodeskGraphic::clone() const { return std::make_unique<TAutodeskGraphic>(*this); }

bool TAutodeskGraphic::ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) {
    TFormatGraphic::ReadImageProperties(stream, imageIndex);
    uint8_t h[6];
    if (stream.read(h, sizeof h) != sizeof h || LoadLE16(h) != 0x9119) return false;
    TImageProperties& p = imageProperties;
    p.colorScheme = slIndexed;
    p.width = LoadLE16(h + 2);
    p.height = LoadLE16(h + 4);
    p.bitsPerSample = 8;
    p.samplesPerPixel = 1;
    p.bitsPerPixel = 8;
    p.compression = ckNone;
    return true;
}

void TAutodeskGraphic::loadFromStream(gfx::Stream& stream) {
    try {
        BeginLoad(stream, AutodeskName);
        StartStage(TransferingStage);
        const TImageProperties& p = imageProperties;
        CheckImageSize(p.width, p.height, AutodeskName);
        uint8_t header[32], map[768];
        stream.readExact(header, sizeof header);
        stream.readExact(map, sizeof map);
        // Components of 0 to 63 become 0 to 252.
        gfx::Palette palette(256);
        for (int i = 0; i < 256; ++i) {
            const uint8_t* e = map + 3 * i;
            palette[i] = {static_cast<uint8_t>(std::min(e[0] * 4, 255)), static_cast<uint8_t>(std::min(e[1] * 4, 255)),
                          static_cast<uint8_t>(std::min(e[2] * 4, 255))};
        }
        setPixelFormat(gfx::PixelFormat::pf8bit);
        setPalette(palette);
        // A file that ends before its last row raises the read error.
        if (uint64_t{p.width} * p.height > stream.remaining()) throw gfx::EReadError(gfx::StreamReadErrorText);
        setSize(static_cast<int>(p.width), static_cast<int>(p.height));
        for (uint32_t y = 0; y < p.height; ++y) {
            stream.readExact(scanLine(static_cast<int>(y)), p.width);
            RowLoaded(y);
        }
        EndStage();
    } catch (...) {
        clear();
        throw;
    }
}

}  // namespace img
