// The Targa, PCX, Photoshop, SGI, GIF, portable map, Photo-CD, RLA, Dr. Halo
// and Paint Shop Pro readers: files made by netpbm, ImageMagick and Pillow
// (or written by the fixture script) against an independent decoder, the
// reader the registry finds for each, and hand-built files for what no
// program writes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "imageformats/ImageGif.h"
#include "imageformats/ImageHalo.h"
#include "imageformats/ImagePcd.h"
#include "imageformats/ImagePcx.h"
#include "imageformats/ImagePpm.h"
#include "imageformats/ImagePsd.h"
#include "imageformats/ImagePsp.h"
#include "imageformats/ImageRla.h"
#include "imageformats/ImageSgi.h"
#include "imageformats/ImageTarga.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

using namespace img::testing;
using Bytes = std::vector<uint8_t>;

// The class registered for an extension; null for "none".
const gfx::GraphicClass* ClassOf(const std::string& extension) {
    const TFileFormatList& list = *FileFormatList();
    const int index = list.FindExtension(extension);
    return index < 0 ? nullptr : list.Extensions()[static_cast<std::size_t>(index)]->ClassEntry->GraphicClass;
}

// The correlation of channel c of two RGBA images of the same size.
double Correlation(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, std::size_t c) {
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = c; i < a.size() && i < b.size(); i += 4) {
        const double x = a[i], y = b[i];
        n += 1, sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
    }
    const double cov = sab - sa * sb / n, va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
}

TEST(OtherReadersTest, FilesOfOtherProgramsDecodeAsAnIndependentDecoderDoes) {
    SKIP_WITHOUT_READER_FILES();
    RegisterImageFormats();
    const auto list = ReadList("readers.txt");
    ASSERT_GT(list.size(), 80u);
    for (const auto& line : list) {
        SCOPED_TRACE(line[0]);
        const std::string path = ImageFile("readers/" + line[0]);
        EXPECT_EQ(FileFormatList()->GraphicFromContent(path), ClassOf(line[2]));
        gfx::Bitmap bitmap;
        try {
            bitmap = LoadPictureFile(path);
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        const Reference ref = ReadReference(line[0]);
        ASSERT_EQ(bitmap.width(), ref.width);
        ASSERT_EQ(bitmap.height(), ref.height);
        const std::vector<uint8_t> ours = RgbaOf(bitmap);
        if (line[1][0] == 'r') {
            const double least = std::stoi(line[1].substr(1)) / 100.0;
            for (std::size_t c = 0; c < 3; ++c) EXPECT_GE(Correlation(ours, ref.rgba, c), least) << "channel " << c;
            continue;
        }
        const int tolerance = std::stoi(line[1]);
        int wrong = 0;
        std::size_t first = 0;
        for (std::size_t i = 0; i < ours.size(); ++i)
            if (std::abs(ours[i] - ref.rgba[i]) > tolerance && wrong++ == 0) first = i / 4;
        EXPECT_EQ(wrong, 0) << "first at pixel " << first % static_cast<std::size_t>(ref.width) << ","
                            << first / static_cast<std::size_t>(ref.width);
    }
}

// ---- The registry -------------------------------------------------------------

const gfx::GraphicClass kOtherClass{"Other", [] { return std::unique_ptr<gfx::Graphic>(new TTargaGraphic()); },
                                    nullptr};

TEST(FormatRegistryTest, ClassesExtensionsAndTheirCounts) {
    RegisterImageFormats();
    const TFileFormatList& started = *FileFormatList();
    EXPECT_EQ(started.Classes().size(), 18u);
    EXPECT_EQ(started.Extensions().size(), 40u);
    EXPECT_EQ(started.FindExtension("TGA"), 13);
    EXPECT_EQ(started.FindExtension(""), -1);
    EXPECT_EQ(gfx::pictureFormats().classForExtension("pic"), &AutodeskGraphicClass());

    // A registry of its own, passing registrations to a picture registry of
    // its own.
    gfx::PictureFormats platform;
    TFileFormatList list(&platform);
    for (const char* e : {"bmp", "rle", "dib"}) list.RegisterFileFormat(e, "Bitmaps", "", ftRaster, false, kOtherClass);
    for (const char* e : {"win", "vst", "vda", "tga", "icb"})
        list.RegisterFileFormat(e, "", "", ftRaster, false, TargaGraphicClass());
    auto uses = [&](const gfx::GraphicClass& c) { return list.Classes()[static_cast<std::size_t>(list.FindGraphicClass(c))]->UseCount; };
    EXPECT_EQ(uses(kOtherClass), 3u);
    list.UnregisterFileFormat("rle", kOtherClass);
    EXPECT_EQ(uses(kOtherClass), 2u);
    EXPECT_EQ(platform.classForExtension("rle"), &kOtherClass);  // the class is still registered
    try {
        list.RegisterFileFormat("TGA", "", "", ftRaster, false, kOtherClass);
        ADD_FAILURE() << "registered twice";
    } catch (const gfx::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Attempt to register TGA twice.");
    }
    list.RegisterFileFormat("tga", "", "Moved", ftRaster, true, kOtherClass);
    EXPECT_EQ(uses(TargaGraphicClass()), 4u);
    EXPECT_EQ(platform.classForExtension("tga"), &kOtherClass);
    // A class goes with its last extension, or whole with an empty one.
    list.UnregisterFileFormat("", TargaGraphicClass());
    EXPECT_EQ(list.FindGraphicClass(TargaGraphicClass()), -1);
    EXPECT_EQ(platform.classForExtension("win"), nullptr);
    list.UnregisterFileFormat("", TargaGraphicClass());  // not registered: nothing
    EXPECT_EQ(list.Extensions().size(), 3u);
}

TEST(FormatRegistryTest, ContentPicksTheFirstReaderAndKeepsThePosition) {
    SKIP_WITHOUT_PNGSUITE();
    RegisterImageFormats();
    const TFileFormatList& list = *FileFormatList();
    Bytes png = ReadFileBytes(PngSuiteFile("basn2c08.png"));
    png.insert(png.begin(), {1, 2, 3});
    gfx::MemoryStream stream(png);
    stream.seek(3);
    EXPECT_EQ(list.GraphicFromContent(stream), &PngGraphicClass());
    EXPECT_EQ(stream.position(), 3u);
    // JPEG and BMP are the platform's: no reader of the library takes them.
    for (Bytes bytes : {Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0},
                        Bytes{'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24}}) {
        gfx::MemoryStream s(bytes);
        EXPECT_EQ(list.GraphicFromContent(s), nullptr);
    }
    // The metafile class is listed but cannot read.
    const std::string wmf = ::testing::TempDir() + "/registry.wmf";
    std::ofstream(wmf) << "metafile";
    gfx::Picture picture;
    EXPECT_THROW(img::LoadPictureFile(wmf, picture), gfx::EInvalidGraphic);
    std::filesystem::remove(wmf);
}

// ---- Hand-built files -----------------------------------------------------------

// A Targa header followed by `rest`.
Bytes Targa(uint8_t colorMapType, uint8_t type, uint16_t mapLength, uint8_t entrySize, uint16_t width, uint16_t height,
            uint8_t pixelSize, uint8_t descriptor, const Bytes& rest) {
    Bytes b = {0, colorMapType, type, 0, 0, static_cast<uint8_t>(mapLength), static_cast<uint8_t>(mapLength >> 8),
               entrySize, 0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
               static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), pixelSize, descriptor};
    b.reserve(b.size() + rest.size());
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

template <class Reader>
Reader Load(const Bytes& bytes) {
    Reader reader;
    gfx::MemoryStream stream(bytes);
    reader.loadFromStream(stream);
    return reader;
}

// A reader claims a file only by a header it reads: a text that begins like
// a picture, or a header its reader refuses, is no picture of its format.
// Each near miss beside a header that is claimed.
TEST(FormatRegistryTest, ContentIsClaimedOnlyByAHeaderItsReaderReads) {
    RegisterImageFormats();
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    auto at = [](Bytes b, std::size_t size, std::initializer_list<std::pair<std::size_t, uint8_t>> bytes) {
        b.resize(std::max(b.size(), size));
        for (const auto& [i, v] : bytes) b[i] = v;
        return b;
    };
    // PCX: manufacturer, version 5, RLE, 8 bits, 3 x 2 pixels, 1 plane of 4
    // bytes a line.
    auto pcx = [&](uint8_t manufacturer) {
        return at({}, 200, {{0, manufacturer}, {1, 5}, {2, 1}, {3, 8}, {8, 2}, {10, 1}, {65, 1}, {66, 4}});
    };
    auto psd = [&](char s) { return at(text(std::string("8") + s + "PS"), 40, {{5, 1}, {13, 3}, {17, 2}, {21, 3}, {23, 8}, {25, 3}}); };
    auto sgi = [&](uint8_t width) { return at({1, 0xDA}, 600, {{3, 1}, {5, 2}, {7, width}, {9, 2}, {11, 1}}); };
    auto autodesk = [&](uint8_t width) { return at({0x19, 0x91}, 900, {{2, width}, {4, 2}, {10, 8}}); };
    const char gif[] = "GIF89a\3\0\2\0\0\0\0,\0\0\0\0\3\0\2\0\0\2\2\4\1\0;";
    const std::tuple<const char*, Bytes, const gfx::GraphicClass*> files[] = {
        {"a letter", text("P1 is the first paragraph of the letter, P2 the second.\n"), nullptr},
        {"width 0", text("P4\n0 1\n\1\1\1\1"), nullptr},
        {"binary without its blank", text("P5\n2 1\n255#\1\2\3"), nullptr},
        {"pixmap", text("P6\n# by hand\n2 1\n255\n123456"), &PpmGraphicClass()},
        {"gifts", text("Gifts for the family, by name and price\n"), nullptr},
        {"GIF", Bytes(gif, gif + sizeof gif - 1), &GifGraphicClass()},
        {"PCX of manufacturer 12", pcx(12), nullptr},
        {"PCX of width 0", at(pcx(10), 0, {{4, 3}}), nullptr},
        {"PCX", pcx(10), &PcxGraphicClass()},
        {"PSD signature in lower case", psd('b'), nullptr},
        {"PSD of width 0", at(psd('B'), 0, {{21, 0}}), nullptr},
        {"PSD", psd('B'), &PsdGraphicClass()},
        {"Targa of width 0", Targa(1, 1, 1, 24, 0, 1, 8, 0, Bytes(8)), nullptr},
        {"Targa", Targa(1, 1, 1, 24, 1, 1, 8, 0, Bytes(8)), &TargaGraphicClass()},
        {"SGI of width 0", sgi(0), nullptr},
        {"SGI", sgi(3), &SgiGraphicClass()},
        {"Autodesk of width 0", autodesk(0), nullptr},
        {"Autodesk", autodesk(3), &AutodeskGraphicClass()},
    };
    for (const auto& [what, bytes, claimed] : files) {
        gfx::MemoryStream stream(bytes);
        EXPECT_EQ(FileFormatList()->GraphicFromContent(stream), claimed) << what;
        EXPECT_EQ(stream.position(), 0u) << what;
    }
}

TEST(OtherReadersTest, TargaPalettesRowsAndPackets) {
    // A 16-bit colour map entry of 7FFF gives 248s; rows stored bottom first.
    const TTargaGraphic mapped = Load<TTargaGraphic>(Targa(1, 1, 2, 16, 1, 2, 8, 0, {0xFF, 0x7F, 0x1F, 0, 1, 0}));
    EXPECT_EQ(mapped.palette()[0], (gfx::PaletteEntry{248, 248, 248}));
    EXPECT_EQ(mapped.pixel(0, 0), gfx::rgb(248, 248, 248));
    EXPECT_EQ(mapped.pixel(0, 1), gfx::rgb(0, 0, 248));
    // Run packets that cross rows, top to bottom: a run of 3 over rows of 2.
    const TTargaGraphic packed = Load<TTargaGraphic>(Targa(0, 10, 0, 0, 2, 2, 24, 0x20, {0x82, 1, 2, 3, 0, 9, 9, 9}));
    EXPECT_EQ(packed.pixel(1, 0), gfx::rgb(3, 2, 1));
    EXPECT_EQ(packed.pixel(0, 1), gfx::rgb(3, 2, 1));
    EXPECT_EQ(packed.pixel(1, 1), gfx::rgb(9, 9, 9));
    // A 128-pixel run in a 1-pixel image stays in its bitmap.
    const TTargaGraphic one = Load<TTargaGraphic>(Targa(0, 11, 0, 0, 1, 1, 8, 0, {0xFF, 7}));
    EXPECT_EQ(one.scanLine(0)[0], 7);
    // A file without a colour map entry size (as the program writes them) is
    // not found by its content but loads by its extension.
    const Bytes saved = Targa(0, 2, 0, 0, 1, 1, 24, 0, {1, 2, 3});
    gfx::MemoryStream stream(saved);
    EXPECT_FALSE(TTargaGraphic::CanLoad(stream));
    RegisterImageFormats();
    const std::string file = ::testing::TempDir() + "/saved.tga";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(saved.data()), static_cast<std::streamsize>(saved.size()));
    EXPECT_EQ(LoadPictureFile(file).pixel(0, 0), gfx::rgb(3, 2, 1));
    std::filesystem::remove(file);
}

TEST(OtherReadersTest, SgiRowsStartingPastTheEndRaiseTheReadError) {
    // A run-length grey image of 2 x 2: the table of row starts and lengths,
    // then row 0 (a run of two 7s); row 1 starts where the file gives it.
    auto sgi = [](uint32_t secondRow) {
        Bytes b(512, 0);
        b[0] = 0x01, b[1] = 0xDA, b[2] = 1, b[3] = 1, b[5] = 2, b[7] = 2, b[9] = 2, b[11] = 1;
        for (uint32_t v : {528u, secondRow, 3u, 3u})
            for (int k = 3; k >= 0; --k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
        b.insert(b.end(), {0x02, 7, 0});
        return b;
    };
    // Both rows from the same data: the second is the first one's copy.
    const TSGIGraphic good = Load<TSGIGraphic>(sgi(528));
    EXPECT_EQ(good.scanLine(0)[1], 7);
    EXPECT_EQ(good.scanLine(1)[1], 7);
    TSGIGraphic reader;
    const Bytes bad = sgi(100000);
    gfx::MemoryStream stream(bad);
    EXPECT_THROW(reader.loadFromStream(stream), gfx::EReadError);
    EXPECT_TRUE(reader.empty());
}

// A PCX header: bits a plane, the window's maxima, planes and bytes a line.
Bytes Pcx(uint8_t version, uint8_t encoding, uint8_t bits, uint16_t xMax, uint16_t yMax, uint8_t planes,
          uint16_t bytesPerLine, uint16_t paletteKind) {
    Bytes h(128, 0);
    h[0] = 10, h[1] = version, h[2] = encoding, h[3] = bits;
    h[8] = static_cast<uint8_t>(xMax), h[9] = static_cast<uint8_t>(xMax >> 8);
    h[10] = static_cast<uint8_t>(yMax), h[11] = static_cast<uint8_t>(yMax >> 8);
    for (int i = 0; i < 48; ++i) h[16 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 5);
    h[65] = planes, h[66] = static_cast<uint8_t>(bytesPerLine), h[67] = static_cast<uint8_t>(bytesPerLine >> 8);
    h[68] = static_cast<uint8_t>(paletteKind);
    return h;
}

TEST(OtherReadersTest, PcxPlanesAndPalettes) {
    // Four planes of width 9: five bytes a row, the last pixel in the high
    // nibble; pixel 0 has bits of planes 1 and 4 (index 9), pixel 8 of plane 2.
    Bytes four = Pcx(5, 0, 1, 8, 0, 4, 2, 1);
    four.insert(four.end(), {0x80, 0x00, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00});
    const TPCXGraphic planes = Load<TPCXGraphic>(four);
    EXPECT_EQ(planes.pixelFormat(), gfx::PixelFormat::pf4bit);
    EXPECT_EQ(planes.scanLine(0)[0], 0x90);
    EXPECT_EQ(planes.scanLine(0)[4], 0x20);
    // Version 3 takes the standard colours, not the header's.
    Bytes v3 = Pcx(3, 0, 4, 1, 0, 1, 2, 1);
    v3.insert(v3.end(), {0x9F, 0});
    EXPECT_EQ(Load<TPCXGraphic>(v3).pixel(0, 0), gfx::clRed);
    // An 8-bit file without the palette marker and of palette kind 1 keeps
    // the bitmap's palette; a window whose maximum lies before its minimum
    // and lines too short for the width are refused.
    Bytes eight = Pcx(5, 0, 8, 0, 0, 1, 2, 1);
    eight.insert(eight.end(), 771, 0);
    EXPECT_EQ(Load<TPCXGraphic>(eight).palette(), gfx::Bitmap::defaultPalette(gfx::PixelFormat::pf8bit));
    for (Bytes bad : {Pcx(5, 0, 8, 0xFFFF, 0, 1, 2, 1), Pcx(5, 0, 8, 9, 0, 1, 2, 1)}) {
        bad.insert(bad.end(), 800, 0);
        bad[4] = 1;  // XMin 1
        EXPECT_THROW(Load<TPCXGraphic>(bad), gfx::EInvalidGraphic);
    }
}

TEST(OtherReadersTest, PortableMapsAndGifHeaders) {
    // A plain bitmap of width 10: two bytes a row, the last two pixels in the
    // top bits of the second; digits need no space between them.
    const Bytes pbm = {'P', '1', '\n', '1', '0', ' ', '1', '\n', '1', '0', '1', '0', '1', '0', '1', '0', '1', '1', '\n'};
    const TPPMGraphic bits = Load<TPPMGraphic>(pbm);
    EXPECT_EQ(bits.scanLine(0)[0], 0xAA);
    EXPECT_EQ(bits.scanLine(0)[1], 0xC0);
    EXPECT_EQ(bits.pixel(0, 0), gfx::clBlack);
    const std::string cut = "P5\n4 4\n255\n\x01\x02";
    try {
        Load<TPPMGraphic>(Bytes(cut.begin(), cut.end()));
        ADD_FAILURE() << "no error";
    } catch (const gfx::Error& e) {
        EXPECT_STREQ(e.what(), "Stream read error in PPM file.");
    }
    // GIF: an image width of 0 takes the screen's; a minimum code size of 12
    // is refused.
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 3, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                 ',', 0, 0, 0, 0, 0, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, ';'};
    gfx::MemoryStream stream(gif);
    TGIFGraphic reader;
    EXPECT_TRUE(reader.ReadImageProperties(stream, 0));
    EXPECT_EQ(reader.imageProperties.width, 3u);
    EXPECT_EQ(reader.imageProperties.version, 89u);
    gif[29] = 12;
    EXPECT_THROW(Load<TGIFGraphic>(gif), gfx::EInvalidGraphic);
}

TEST(OtherReadersTest, PhotoCdRotationAndRlaSpaces) {
    SKIP_WITHOUT_READER_FILES();
    Bytes pcd = ReadFileBytes(ImageFile("readers/image.pcd"));
    const TPCDGraphic upright = Load<TPCDGraphic>(pcd);
    pcd[3586] = static_cast<uint8_t>((pcd[3586] & ~3) | 1);
    const TPCDGraphic turned = Load<TPCDGraphic>(pcd);
    ASSERT_EQ(turned.width(), 512);
    ASSERT_EQ(turned.height(), 768);
    // A quarter turn counter-clockwise: the top right corner goes to the top left.
    EXPECT_EQ(turned.pixel(0, 0), upright.pixel(767, 0));
    EXPECT_EQ(turned.pixel(511, 767), upright.pixel(0, 511));
    gfx::MemoryStream stream(pcd);
    TPCDGraphic properties;
    ASSERT_TRUE(properties.ReadImageProperties(stream, 9));
    EXPECT_EQ(properties.imageProperties.width, 4096u);  // 6144 x 4096, turned
    // An "xyz" RLA file is found but refused.
    Bytes rla = ReadFileBytes(ImageFile("readers/rgb.rla"));
    std::memcpy(&rla[580], "XYZ", 3);
    gfx::MemoryStream xyz(rla);
    EXPECT_TRUE(TRLAGraphic::CanLoad(xyz));
    try {
        Load<TRLAGraphic>(rla);
        ADD_FAILURE() << "no error";
    } catch (const gfx::EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. The XYZ colour space is not supported for RLA files.");
    }
}

TEST(OtherReadersTest, HaloPalettesAndAutodeskFiles) {
    SKIP_WITHOUT_READER_FILES();
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / "halo";
    fs::create_directories(folder);
    fs::copy_file(ImageFile("readers/halo.cut"), folder / "Map.CUT", fs::copy_options::overwrite_existing);
    fs::copy_file(ImageFile("readers/halo.pal"), folder / "map.PAL", fs::copy_options::overwrite_existing);
    TCUTGraphic cut;
    cut.loadFromFile((folder / "Map.CUT").string());
    EXPECT_EQ(cut.palette().count(), 256);
    // Loaded from a stream, the palette file of the last file load counts.
    const gfx::Palette palette = cut.palette();
    gfx::FileStream stream((folder / "Map.CUT").string());
    cut.loadFromStream(stream);
    EXPECT_EQ(cut.palette(), palette);
    // More than 256 entries are refused.
    Bytes pal = ReadFileBytes(ImageFile("readers/halo.pal"));
    pal[12] = 0, pal[13] = 1;
    std::ofstream(folder / "map.PAL", std::ios::binary).write(reinterpret_cast<const char*>(pal.data()), static_cast<std::streamsize>(pal.size()));
    EXPECT_THROW(cut.loadFromFile((folder / "Map.CUT").string()), gfx::EInvalidGraphic);
    fs::remove_all(folder);

    // Autodesk: components of 63 become 252, rows top first; a short file
    // raises the read error.
    Bytes cel(32 + 768 + 4, 0);
    cel[0] = 0x19, cel[1] = 0x91, cel[2] = 2, cel[4] = 2, cel[10] = 8;
    cel[35] = 63, cel[36] = 10;
    cel[800] = 1;
    const TAutodeskGraphic autodesk = Load<TAutodeskGraphic>(cel);
    EXPECT_EQ(autodesk.pixel(0, 0), gfx::rgb(252, 40, 0));
    EXPECT_EQ(autodesk.pixel(1, 0), gfx::clBlack);
    cel.pop_back();
    EXPECT_THROW(Load<TAutodeskGraphic>(cel), gfx::EReadError);
}

TEST(OtherReadersTest, PhotoshopChannelsAndPaintShopHeaders) {
    SKIP_WITHOUT_READER_FILES();
    // Five channels (two beyond RGB) load as RGBA from the first four.
    Bytes psd = ReadFileBytes(ImageFile("readers/rgb-raw.psd"));
    TPSDGraphic header;
    gfx::MemoryStream stream(psd);
    ASSERT_TRUE(header.ReadImageProperties(stream, 0));
    const std::size_t plane = std::size_t{header.imageProperties.width} * header.imageProperties.height;
    psd[13] = 5;
    psd.insert(psd.end(), 2 * plane, 200);
    const TPSDGraphic five = Load<TPSDGraphic>(psd);
    EXPECT_EQ(five.pixelFormat(), gfx::PixelFormat::pf32bit);
    EXPECT_EQ(five.imageProperties.channels, 5);
    EXPECT_EQ(five.scanLine(0)[3], 200);
    // Paint Shop Pro: version 2 is not recognised; 300 dots a centimetre
    // are 762 an inch.
    Bytes psp = ReadFileBytes(ImageFile("readers/v5-rgb-c0.psp"));
    const double dpcm = 300;
    std::memcpy(&psp[36 + 10 + 4 + 8], &dpcm, 8);
    psp[36 + 10 + 4 + 16] = 2;
    TPSPGraphic reader;
    gfx::MemoryStream pspStream(psp);
    ASSERT_TRUE(reader.ReadImageProperties(pspStream, 0));
    EXPECT_FLOAT_EQ(reader.imageProperties.xResolution, 762.0f);
    psp[32] = 2;
    gfx::MemoryStream old(psp);
    EXPECT_FALSE(TPSPGraphic::CanLoad(old));
}


// ---- Colour models the readers cannot hold ----------------------------------------

// Loads the bytes with the reader the registry picks by their content:
// "loaded", or the text of the error (which leaves the bitmap empty).
std::string RegistryOutcome(const Bytes& bytes) {
    RegisterImageFormats();
    gfx::MemoryStream stream(bytes);
    const gfx::GraphicClass* cls = FileFormatList()->GraphicFromContent(stream);
    if (!cls) return "no reader";
    const std::unique_ptr<gfx::Graphic> reader = cls->create();
    try {
        reader->loadFromStream(stream);
    } catch (const gfx::Error& e) {
        EXPECT_TRUE(reader->empty()) << "a half-made bitmap is left behind";
        return e.what();
    }
    return "loaded";
}

// A Photoshop file of raw channels: `planes` bytes are the channels' rows
// one channel after the other.
Bytes Psd(uint16_t mode, uint16_t channels, uint16_t depth, uint32_t width, uint32_t height, const Bytes& planes) {
    Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(channels >> 8),
               static_cast<uint8_t>(channels)};
    for (uint32_t v : {height, width})
        for (int k = 3; k >= 0; --k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
    b.insert(b.end(), {static_cast<uint8_t>(depth >> 8), static_cast<uint8_t>(depth), static_cast<uint8_t>(mode >> 8),
                       static_cast<uint8_t>(mode)});
    b.insert(b.end(), 3 * 4 + 2, 0);  // no colour mode data, resources or layers; raw data
    b.insert(b.end(), planes.begin(), planes.end());
    return b;
}

TEST(OtherReadersTest, ColorModelsWithoutTheSamplesTheyNeedAreRefused) {
    // A CMYK or L*a*b* file with fewer channels than the mode has, at 8 and
    // 16 bits, and PCX planes of 16 bits (which no bitmap format holds), as
    // version 5 files, raw and run-length encoded.
    struct Case {
        std::string what;
        Bytes file;
        const char* outcome;
    };
    std::vector<Case> cases;
    for (uint16_t depth : {8, 16}) {
        for (uint16_t channels = 1; channels < 4; ++channels)
            cases.push_back({"CMYK of " + std::to_string(channels) + " channels, " + std::to_string(depth) + " bits",
                             Psd(4, channels, depth, 3, 2, Bytes(channels * 12u, 0x40)), "Invalid color format in PSD file."});
        for (uint16_t channels = 1; channels < 3; ++channels)
            cases.push_back({"Lab of " + std::to_string(channels) + " channels, " + std::to_string(depth) + " bits",
                             Psd(9, channels, depth, 3, 2, Bytes(channels * 12u, 0x40)), "Invalid color format in PSD file."});
    }
    for (uint8_t planes : {1, 3, 4})
        for (uint8_t encoding : {0, 1}) {
            Bytes pcx = Pcx(5, encoding, 16, 3, 1, planes, 8, 1);
            for (int i = 0; i < 16 * planes; ++i) {
                if (encoding == 1) pcx.push_back(0xC1);
                pcx.push_back(static_cast<uint8_t>(i * 37));
            }
            pcx.insert(pcx.end(), 800, 0);
            cases.push_back({"PCX of " + std::to_string(planes) + " planes of 16 bits, encoding " +
                                 std::to_string(encoding),
                             pcx, "Invalid color format in PCX file."});
        }
    for (const Case& c : cases) EXPECT_EQ(RegistryOutcome(c.file), c.outcome) << c.what;

    // Channels beyond those of the mode are not shown: L*a*b* with an alpha
    // channel and CMYK with one give the pixels of the file without it.
    Bytes lab, cmyk;
    for (int i = 0; i < 6 * 4; ++i) lab.push_back(static_cast<uint8_t>(i < 6 ? 40 * i : 100 + i));
    for (int i = 0; i < 6 * 5; ++i) cmyk.push_back(static_cast<uint8_t>(9 * i));
    const std::pair<Bytes, Bytes> same[] = {
        {Psd(9, 4, 8, 3, 2, lab), Psd(9, 3, 8, 3, 2, Bytes(lab.begin(), lab.begin() + 18))},
        {Psd(4, 5, 8, 3, 2, cmyk), Psd(4, 4, 8, 3, 2, Bytes(cmyk.begin(), cmyk.begin() + 24))},
    };
    for (const auto& [more, fewer] : same) {
        const TPSDGraphic a = Load<TPSDGraphic>(more), b = Load<TPSDGraphic>(fewer);
        EXPECT_EQ(a.pixelFormat(), gfx::PixelFormat::pf24bit);
        EXPECT_EQ(RgbaOf(a), RgbaOf(b));
    }
}

TEST(OtherReadersTest, TargaWithoutImageDataMakesNoBitmapLargerThanTheFile) {
    // Type 0 has no pixel data: a header that claims 16 MB is refused; one
    // whose file holds as many bytes as the pixels loads them black.
    EXPECT_EQ(RegistryOutcome(Targa(0, 0, 0, 15, 2048, 2048, 32, 0, {0})),
              "Cannot load image. Invalid or unexpected TGA image format.");
    EXPECT_EQ(RegistryOutcome(Targa(0, 0, 0, 15, 2, 2, 8, 0, {1, 2, 3, 4})), "loaded");
}

// A Paint Shop Pro file of version 5: a grey image of 3 x 2 and `depth`
// bits in one layer of one channel, stored as `packed` (raw data).
Bytes PspGrey(const Bytes& packed, uint16_t depth = 8) {
    auto u16 = [](Bytes& b, uint32_t v) { b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}); };
    auto u32 = [&](Bytes& b, uint32_t v) { u16(b, v & 0xFFFF), u16(b, v >> 16); };
    auto chunk = [&](const Bytes& data) {
        Bytes b;
        u32(b, static_cast<uint32_t>(data.size() + 4));
        b.insert(b.end(), data.begin(), data.end());
        return b;
    };
    auto block = [&](uint16_t id, const Bytes& data) {
        Bytes b = {'~', 'B', 'K', 0};
        u16(b, id);
        u32(b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        return b;
    };
    Bytes attributes;
    u32(attributes, 3), u32(attributes, 2);
    attributes.insert(attributes.end(), 8, 0);  // resolution
    attributes.push_back(1);
    u16(attributes, 0), u16(attributes, depth);  // raw
    attributes.insert(attributes.end(), {1, 0, 0, 0, 0, 1, 0, 0, 1});  // planes, colours, grey
    attributes.insert(attributes.end(), 42 - attributes.size(), 0);
    Bytes info;
    u32(info, static_cast<uint32_t>(packed.size())), u32(info, 6), u16(info, 1), u16(info, 0);
    Bytes channel = chunk(info);
    channel.insert(channel.end(), packed.begin(), packed.end());
    Bytes layerHead = {5, 0, 'L', 'a', 'y', 'e', 'r'};
    layerHead.insert(layerHead.end(), 115, 0);
    Bytes layer = chunk(layerHead), layerInfo = chunk({1, 0, 1, 0});
    layer.insert(layer.end(), layerInfo.begin(), layerInfo.end());
    const Bytes channelBlock = block(5, channel);
    layer.insert(layer.end(), channelBlock.begin(), channelBlock.end());
    Bytes file(32, 0);
    std::memcpy(file.data(), "Paint Shop Pro Image File\n\x1a", 27);
    u16(file, 5), u16(file, 0);
    for (const Bytes& b : {block(0, chunk(attributes)), block(3, block(4, layer))}) file.insert(file.end(), b.begin(), b.end());
    return file;
}

TEST(OtherReadersTest, PaintShopChannelsWithoutDataStayBlack) {
    const TPSPGraphic full = Load<TPSPGraphic>(PspGrey({10, 20, 30, 40, 50, 60}));
    EXPECT_EQ(full.scanLine(1)[2], 60);
    // A channel of no bytes (nothing to copy from) and one cut short.
    const TPSPGraphic empty = Load<TPSPGraphic>(PspGrey({}));
    const TPSPGraphic cut = Load<TPSPGraphic>(PspGrey({10, 20}));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(empty.scanLine(y)[x], 0);
            EXPECT_EQ(cut.scanLine(y)[x], y == 0 && x < 2 ? 10 * (x + 1) : 0);
        }
}

TEST(OtherReadersTest, DepthsAndChannelCountsBeyondTheFormatAreTheReadersErrors) {
    // Refused by the reader itself, not by the colour manager it would hand
    // them to: Paint Shop Pro depths without a row length, SGI files of no
    // channel or more than four.
    EXPECT_EQ(RegistryOutcome(PspGrey(Bytes(6, 1), 32)), "Invalid color format in PSP file.");
    EXPECT_EQ(RegistryOutcome(PspGrey(Bytes(6, 1), 16)), "Invalid color format in PSP file.");
    for (uint8_t channels : {0, 5}) {
        Bytes sgi(512, 0);
        sgi[0] = 0x01, sgi[1] = 0xDA, sgi[3] = 1, sgi[5] = 3, sgi[7] = 3, sgi[9] = 2, sgi[11] = channels;
        sgi.insert(sgi.end(), 6u * channels + 1, 9);
        EXPECT_EQ(RegistryOutcome(sgi), "Invalid color format in sgi, bw or rgb(a) file.") << int(channels);
    }
}

}  // namespace
}  // namespace img
