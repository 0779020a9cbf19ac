// The PNG reader: the PngSuite images against Pillow's pixels, damaged files
// made from them, chunk order and data split over IDAT chunks, and the
// alpha the HTML viewer shows.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "htmlviewer/GpImage.h"
#include "imageformats/ImagePng.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

using namespace img::testing;
using Bytes = std::vector<uint8_t>;

// A sample as shown through the file gamma and a display gamma of 2.2.
int Gamma(int v, double gamma) {
    if (gamma <= 0) return v;
    return static_cast<int>(std::nearbyint(255.0 * std::pow(v / 255.0, 1.0 / (gamma * 2.2))));
}

TEST(PngReaderTest, PngSuiteDecodesAsPillowDoes) {
    SKIP_WITHOUT_PNGSUITE();
    const auto list = ReadList("png.txt");
    ASSERT_GE(list.size(), 60u);
    for (const auto& line : list) {
        SCOPED_TRACE(line[0]);
        const double gamma = std::stod(line[1]);
        const bool sixteen = line[2] == "1";
        gfx::FileStream stream(PngSuiteFile(line[0]));
        ASSERT_TRUE(TPNGGraphic::CanLoad(stream));
        TPNGGraphic png;
        png.loadFromStream(stream);
        std::string name = line[0];
        std::replace(name.begin(), name.end(), '/', '-');
        const Reference ref = ReadReference("png-" + name);
        ASSERT_EQ(png.width(), ref.width);
        ASSERT_EQ(png.height(), ref.height);
        const std::vector<uint8_t> ours = RgbaOf(png);
        int wrong = 0;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            const int p = ref.rgba[i];
            bool good;
            if (i % 4 == 3)
                good = std::abs(ours[i] - p) <= (sixteen ? 1 : 0);
            else  // 16-bit samples are scaled by 255 / 65535, Pillow's by 1 / 256
                good = ours[i] == Gamma(p, gamma) || (sixteen && p > 0 && ours[i] == Gamma(p - 1, gamma));
            if (!good && wrong++ == 0) ADD_FAILURE() << "byte " << i << ": " << int(ours[i]) << " for " << p;
        }
        EXPECT_EQ(wrong, 0);
    }
}

// ---- Files put together from chunks -----------------------------------------

Bytes Chunk(const std::string& type, const Bytes& data) {
    Bytes c;
    c.reserve(12 + data.size());
    for (int k = 3; k >= 0; --k) c.push_back(static_cast<uint8_t>(data.size() >> (8 * k)));
    c.insert(c.end(), type.begin(), type.end());
    c.insert(c.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    for (int k = 3; k >= 0; --k) c.push_back(static_cast<uint8_t>(crc >> (8 * k)));
    return c;
}

Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType) {
    Bytes d;
    for (uint32_t v : {width, height})
        for (int k = 3; k >= 0; --k) d.push_back(static_cast<uint8_t>(v >> (8 * k)));
    d.insert(d.end(), {depth, colorType, 0, 0, 0});
    return d;
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

// A 3 x 4 grey image, each row with filter 0: 10 * (x + 3y).
Bytes GreyRows() {
    Bytes raw;
    for (int y = 0; y < 4; ++y) {
        raw.push_back(0);
        for (int x = 0; x < 3; ++x) raw.push_back(static_cast<uint8_t>(10 * (x + 3 * y)));
    }
    return raw;
}

const Bytes Signature = {0x89, 'P', 'N', 'G', 13, 10, 0x1A, 10};

Bytes Png(const std::vector<Bytes>& chunks) {
    Bytes file = Signature;
    for (const Bytes& c : chunks) file.insert(file.end(), c.begin(), c.end());
    return file;
}

// What loading gives: the grey level of each pixel, or the error text.
std::string Outcome(const Bytes& file, Bytes* grey = nullptr) {
    TPNGGraphic png;
    gfx::MemoryStream stream(file);
    try {
        png.loadFromStream(stream);
    } catch (const gfx::Error& e) {
        EXPECT_TRUE(png.empty()) << "a half-made bitmap is left behind";
        return e.what();
    }
    if (grey) {
        grey->clear();
        const std::vector<uint8_t> rgba = RgbaOf(png);
        for (std::size_t i = 0; i < rgba.size(); i += 4) grey->push_back(rgba[i]);
    }
    return "loaded";
}

TEST(PngReaderTest, ImageDataAcrossChunks) {
    const Bytes header = Chunk("IHDR", Header(3, 4, 8, 0)), end = Chunk("IEND", {});
    const Bytes data = Deflate(GreyRows());
    Bytes expected;
    for (int i = 0; i < 12; ++i) expected.push_back(static_cast<uint8_t>(10 * i));
    // The data in pieces of 5 bytes, with empty IDAT chunks and an ancillary
    // chunk before them.
    std::vector<Bytes> pieces = {header, Chunk("teXt", {'a', 0, 'b'}), Chunk("IDAT", {})};
    for (std::size_t at = 0; at < data.size(); at += 5)
        pieces.push_back(Chunk("IDAT", Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                                             data.begin() + static_cast<std::ptrdiff_t>(std::min(at + 5, data.size())))));
    pieces.push_back(Chunk("IDAT", {}));
    pieces.push_back(end);
    Bytes grey;
    ASSERT_EQ(Outcome(Png(pieces), &grey), "loaded");
    EXPECT_EQ(grey, expected);

    // Too little data: the stream of the first two rows only, flushed but not
    // ended; the rows that are missing show the background (white).
    Bytes rows = GreyRows(), half(64);
    z_stream z{};
    deflateInit(&z, 9);
    z.next_in = rows.data();
    z.avail_in = 8;
    z.next_out = half.data();
    z.avail_out = static_cast<uInt>(half.size());
    deflate(&z, Z_SYNC_FLUSH);
    half.resize(half.size() - z.avail_out);
    deflateEnd(&z);
    ASSERT_EQ(Outcome(Png({header, Chunk("IDAT", half), end}), &grey), "loaded");
    EXPECT_EQ(Bytes(grey.begin(), grey.begin() + 6), Bytes(expected.begin(), expected.begin() + 6));
    EXPECT_EQ(Bytes(grey.begin() + 6, grey.end()), Bytes(6, 255));
}

// A header of bit depth 0 and the colour type, then the chunk (6 bytes).
Bytes DepthZero(const std::string& chunk, uint8_t colorType) {
    return Png({Chunk("IHDR", Header(3, 4, 0, colorType)), Chunk(chunk, {0, 1, 0, 2, 0, 3}),
                Chunk("IDAT", Deflate(GreyRows())), Chunk("IEND", {})});
}

// The grey rows deflated with a preset dictionary.
Bytes WithDictionary() {
    Bytes rows = GreyRows(), out(256);
    z_stream z{};
    deflateInit(&z, 9);
    const Bytes dictionary = {1, 2, 3};
    deflateSetDictionary(&z, dictionary.data(), static_cast<uInt>(dictionary.size()));
    z.next_in = rows.data();
    z.avail_in = static_cast<uInt>(rows.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return Png({Chunk("IHDR", Header(3, 4, 8, 0)), Chunk("IDAT", out), Chunk("IEND", {})});
}

TEST(PngReaderTest, DamagedFilesRaiseTheirErrors) {
    const std::string invalid = "Cannot load image. Invalid or unexpected PNG image format.";
    const std::string crc = "Cannot load image. CRC error found in PNG file.";
    const Bytes header = Chunk("IHDR", Header(3, 4, 8, 0)), end = Chunk("IEND", {});
    const Bytes data = Chunk("IDAT", Deflate(GreyRows()));
    const Bytes good = Png({header, data, end});
    auto changed = [&](std::size_t at, uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    const std::size_t idatData = 8 + header.size() + 8;
    Bytes extra = GreyRows();
    Bytes withExtra = Deflate(extra);
    withExtra.insert(withExtra.end(), {1, 2, 3});
    Bytes palette = Png({Chunk("IHDR", Header(3, 4, 8, 3)), Chunk("PLTE", Bytes(20, 0)), data, end});
    Bytes bigTrns = Png({Chunk("IHDR", Header(3, 4, 8, 3)), Chunk("PLTE", Bytes(768, 9)), Chunk("tRNS", Bytes(300, 7)),
                         data, end});
    struct Case {
        const char* what;
        Bytes file;
        std::string outcome;
    };
    const Case cases[] = {
        {"a bad signature", changed(1, 'p'), invalid},
        {"a bad CRC of IHDR", changed(8 + 8 + 2, 0x7F), crc},
        {"a bad CRC of IDAT", changed(idatData + 3, good[idatData + 3] ^ 0x10), crc},
        {"cut inside IDAT", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(idatData + 4)), invalid},
        {"IDAT length beyond the file", changed(8 + header.size() + 2, 0x10), invalid},
        {"IDAT length 0x7FFFFFFF", [&] { Bytes b = good; std::memcpy(&b[8 + header.size()], "\x7F\xFF\xFF\xFF", 4); return b; }(),
         invalid},
        {"IDAT shorter than stored", changed(8 + header.size() + 3, static_cast<uint8_t>(good[8 + header.size() + 3] - 2)),
         crc},
        {"first chunk not IHDR", Png({Chunk("gAMA", {0, 1, 0x86, 0xA0}), header, data, end}), invalid},
        {"no IEND", Bytes(good.begin(), good.end() - 12), "loaded"},
        {"no IDAT", Png({header, end}), invalid},
        {"an unknown critical chunk", Png({header, Chunk("ABCD", {1}), data, end}),
         "Cannot load PNG image. Unexpected but critical chunk detected."},
        {"an unknown ancillary chunk", Png({header, Chunk("abCD", {1}), data, end}), "loaded"},
        {"PLTE of 20 bytes", palette, "Cannot load image. Palette in PNG file is invalid."},
        {"tRNS of 300 bytes", bigTrns, "loaded"},
        {"RGB of 4 bits", Png({Chunk("IHDR", Header(3, 4, 4, 2)), data, end}), "Invalid color format in PNG file."},
        {"colour type 5", Png({Chunk("IHDR", Header(3, 4, 8, 5)), data, end}), "Invalid color format in PNG file."},
        {"1000000 x 1000000", Png({Chunk("IHDR", Header(1000000, 1000000, 8, 0)), data, end}), invalid},
        // Refused before the bitmap is made: more than deflate can give from
        // the IDAT bytes.
        {"16384 x 16384 RGBA from 23 bytes", Png({Chunk("IHDR", Header(16384, 16384, 8, 6)), data, end}), invalid},
        {"extra compressed data", Png({header, Chunk("IDAT", withExtra), end}),
         "Cannot load image. Extra compressed data found in PNG file."},
        {"not deflate", Png({Chunk("IDAT", Bytes(20, 0xFF)), end}), invalid},
        {"corrupt deflate", Png({header, Chunk("IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}), end}),
         "Cannot load image. Compression error found in PNG file."},
        // Chunks that scale a sample by the bit depth come after a header of
        // depth 0; data that asks for a preset dictionary makes no progress.
        {"depth 0 with tRNS", DepthZero("tRNS", 0), "Invalid color format in PNG file."},
        {"depth 0 with bKGD", DepthZero("bKGD", 0), "Invalid color format in PNG file."},
        {"RGB of depth 0 with tRNS", DepthZero("tRNS", 2), "Invalid color format in PNG file."},
        {"a preset dictionary", WithDictionary(), "Cannot load image. Compression error found in PNG file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Outcome(c.file), c.outcome);
    }
}

TEST(PngReaderTest, PropertiesAndKeptTransparency) {
    SKIP_WITHOUT_PNGSUITE();
    struct Case {
        const char* file;
        float gamma;
        bool interlaced;
        bool hasAlpha;
        gfx::PixelFormat format;
        gfx::Color transparent;
    };
    const Case cases[] = {
        {"ftbbn0g02.png", 0.45455f, false, false, gfx::PixelFormat::pf32bit, 0},
        {"ibasn4a08.png", 1.0f, true, true, gfx::PixelFormat::pf32bit, gfx::clNone},
        {"ftbrn2c08.png", 1.0f, false, false, gfx::PixelFormat::pf32bit, gfx::rgb(255, 255, 255)},
        {"basn0g02.png", 1.0f, false, false, gfx::PixelFormat::pf4bit, gfx::clNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        gfx::FileStream stream(PngSuiteFile(c.file));
        TPNGGraphic png;
        ASSERT_TRUE(png.ReadImageProperties(stream, 0));
        EXPECT_NEAR(png.imageProperties.fileGamma, c.gamma, 1e-5);
        EXPECT_EQ(png.imageProperties.interlaced, c.interlaced);
        EXPECT_EQ(png.imageProperties.hasAlpha, c.hasAlpha);
        EXPECT_EQ(png.imageProperties.compression, ckDeflate);
        stream.seek(0);
        png.loadFromStream(stream);
        EXPECT_EQ(png.pixelFormat(), c.format);
        EXPECT_EQ(png.TransparentColor(), c.transparent);
    }
    gfx::FileStream palette(PngSuiteFile("ftbbn3p08.png"));
    TPNGGraphic png;
    png.loadFromStream(palette);
    EXPECT_EQ(std::count(png.TransparencyTable().begin(), png.TransparencyTable().end(), 255), 256 - 1);
}

TEST(PngReaderTest, TheViewerRefusesWhatTheReaderRefuses) {
    RegisterImageFormats();
    for (const Bytes& file : {DepthZero("tRNS", 0), DepthZero("bKGD", 0), WithDictionary()}) {
        try {
            DecodePngImage(file);
            ADD_FAILURE() << "decoded";
        } catch (const gfx::EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find("PNG"), std::string::npos) << e.what();
        }
    }
}

TEST(PngReaderTest, TheViewerShowsTheAlphaOfTheFile) {
    SKIP_WITHOUT_PNGSUITE();
    RegisterImageFormats();
    ASSERT_EQ(gfx::pictureFormats().classForExtension("png"), &PngGraphicClass());
    // Grey with alpha, RGBA, and a palette with tRNS, as Pillow reads them.
    for (const char* file : {"basn4a08.png", "basn6a08.png", "ftbbn3p08.png", "ftbrn2c08.png"}) {
        SCOPED_TRACE(file);
        const gfx::Bitmap image = DecodePngImage(ReadFileBytes(PngSuiteFile(file)));
        ASSERT_TRUE(image.hasAlpha());
        const std::vector<uint8_t> ours = RgbaOf(image);
        const Reference ref = ReadReference(std::string("png-") + file);
        int wrong = 0;
        for (std::size_t i = 3; i < ours.size(); i += 4) wrong += ours[i] != ref.rgba[i];
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
}  // namespace img
