// The end-to-end driver's --decode: a picture loaded as the program loads it
// and written as PAM, and its errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/imageformats/DriverTest.h"
#include "tests/imageformats/ImageFiles.h"

namespace img {
namespace {

namespace fs = std::filesystem;
using namespace img::testing;

class DecodeDriverTest : public DriverTest {};

TEST_F(DecodeDriverTest, WritesThePixelsOfEveryFormat) {
    SKIP_WITHOUT_IMAGE_FILES();
    std::vector<std::string> files = {ImageFile("tiff/rgb8-lzwp2-tilesL.tif")};
    if (HavePngSuite) files.push_back(PngSuiteFile("basn3p04.png"));
    if (HaveReaderFiles)
        for (const char* name : {"im-rgb-rle.tga", "netpbm-16.pcx", "rgb.psd", "netpbm-rle.sgi", "netpbm.gif", "plain.ppm",
                                 "image.pcd", "matte.rla", "halo.cut", "autodesk.cel", "v3-palette.psp"})
            files.push_back(ImageFile(std::string("readers/") + name));
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const fixtures::E2ERun run = Run({"--decode", file, Path("out.pam")});
        ASSERT_EQ(run.status, 0) << run.err;
        const gfx::Bitmap bitmap = LoadPictureFile(file);
        const std::string w = std::to_string(bitmap.width()), h = std::to_string(bitmap.height());
        EXPECT_EQ(run.out, "image " + w + " " + h + "\n");
        std::vector<uint8_t> pam = ReadFileBytes(Path("out.pam")), rgba = RgbaOf(bitmap);
        const std::string header = "P7\nWIDTH " + w + "\nHEIGHT " + h + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        ASSERT_EQ(std::string(pam.begin(), pam.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
        if (!bitmap.hasAlpha())
            for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        EXPECT_TRUE(std::vector<uint8_t>(pam.begin() + static_cast<std::ptrdiff_t>(header.size()), pam.end()) == rgba);
    }
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
