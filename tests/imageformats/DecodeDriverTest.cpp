// The end-to-end driver's --decode: a picture loaded as the program loads it
// and written as PAM, and its errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageformats/ImageCompression.h"
#include "tests/imageformats/DriverTest.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

namespace fs = std::filesystem;
using namespace img::testing;

class DecodeDriverTest : public DriverTest {};

TEST_F(DecodeDriverTest, WritesThePixelsOfEveryFormatWithTheirAlpha) {
    SKIP_WITHOUT_IMAGE_FILES();
    // Each file, and for those with transparency the reference (libtiff's or
    // Pillow's) whose alpha the PAM file must carry.
    std::vector<std::pair<std::string, std::string>> files = {
        {ImageFile("tiff/rgb8-lzwp2-tilesL.tif"), ""},
        {ImageFile("tiff/rgba8-zipp2-stripsL.tif"), "rgba8-zipp2-stripsL.tif"},
        {ImageFile("tiff/grayalpha8-lzw-stripsB.tif"), "grayalpha8-lzw-stripsB.tif"},
        {ImageFile("tiff/palettealpha8-none-strips.tif"), "palettealpha8-none-strips.tif"},
        {PngSuiteFile("basn3p04.png"), ""},
        {PngSuiteFile("basn4a08.png"), "png-basn4a08.png"},
        {PngSuiteFile("ftbrn2c08.png"), "png-ftbrn2c08.png"},
        {PngSuiteFile("ftbbn3p08.png"), "png-ftbbn3p08.png"}};
    if (HaveReaderFiles) {
        for (const char* name : {"im-rgb-rle.tga", "netpbm-16.pcx", "rgb.psd", "netpbm-rle.sgi", "netpbm.gif", "plain.ppm",
                                 "image.pcd", "halo.cut", "autodesk.cel", "v3-palette.psp"})
            files.push_back({ImageFile(std::string("readers/") + name), ""});
        for (const char* name : {"pil-rgba-rle.tga", "im-rgba.sgi", "rgba.psd", "matte.rla"})
            files.push_back({ImageFile(std::string("readers/") + name), name});
    }
    for (const auto& [file, reference] : files) {
        SCOPED_TRACE(file);
        const fixtures::E2ERun run = Run({"--decode", file, Path("out.pam")});
        ASSERT_EQ(run.status, 0) << run.err;
        const gfx::Bitmap bitmap = LoadPictureFile(file);
        const std::string w = std::to_string(bitmap.width()), h = std::to_string(bitmap.height());
        EXPECT_EQ(run.out, "image " + w + " " + h + "\n");
        std::vector<uint8_t> pam = ReadFileBytes(Path("out.pam"));
        const std::string header = "P7\nWIDTH " + w + "\nHEIGHT " + h + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        ASSERT_EQ(std::string(pam.begin(), pam.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
        pam.erase(pam.begin(), pam.begin() + static_cast<std::ptrdiff_t>(header.size()));
        EXPECT_TRUE(pam == RgbaOf(bitmap));
        if (reference.empty()) continue;
        const Reference ref = ReadReference(reference);
        ASSERT_EQ(pam.size(), ref.rgba.size());
        int wrong = 0, transparent = 0;
        for (std::size_t i = 3; i < pam.size(); i += 4) {
            wrong += pam[i] != ref.rgba[i];
            transparent += pam[i] < 255;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(transparent, 0);
    }
}

TEST_F(DecodeDriverTest, WarningsOfDamagedDataGoToStderr) {
    SKIP_WITHOUT_IMAGE_FILES();
    const fixtures::E2ERun run = Run({"--decode", ImageFile("tiff/jpeg-cut.tif"), Path("out.pam")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "image 37 23\n");
    EXPECT_EQ(run.err, std::string("mirelan_e2e: warning: ") + JpegEndOfInputText + "\n");
    EXPECT_TRUE(fs::exists(Path("out.pam")));
}

TEST_F(DecodeDriverTest, UnreadableFilesAndBadArguments) {
    const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";  // IHDR without its data
    const char tiff[] = "II*\0\x08\0\0\0\x05\0";           // 5 entries that are not there
    std::ofstream(Path("cut.png"), std::ios::binary).write(png, sizeof png - 1);
    std::ofstream(Path("cut.tif"), std::ios::binary).write(tiff, sizeof tiff - 1);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--decode", Path("cut.png"), Path("o.pam")}, 1, "Cannot load image. Invalid or unexpected PNG image format."},
        {{"--decode", Path("cut.tif"), Path("o.pam")}, 1, "Cannot load image. Invalid or unexpected TIF/TIFF image format."},
        {{"--decode", Path("missing.tif"), Path("o.pam")}, 1, "missing.tif"},
        {{"--decode", Path("cut.png")}, 2, "--decode needs IMAGE OUT.pam"},
    };
    for (const Case& c : cases) {
        const fixtures::E2ERun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(Path("o.pam")));
    }
}

}  // namespace
}  // namespace img
