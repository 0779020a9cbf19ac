// The end-to-end driver's --stretch: a picture loaded as the program loads
// it, resampled, and written as PAM; and its errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imageformats/Stretch.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "tests/imageformats/DriverTest.h"

namespace img {
namespace {

namespace fs = std::filesystem;

class StretchDriverTest : public testing::DriverTest {};

TEST_F(StretchDriverTest, WritesThePictureResampledAsTheProgramLoadsIt) {
    gfx::Bitmap source(23, 17, gfx::PixelFormat::pf24bit);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x) source.setPixel(x, y, gfx::rgb(x * 11, y * 15, (x * y) % 256));
    const std::string jpeg = Path("in.jpg");
    {
        gfx::FileStream out(jpeg, gfx::FileStream::Mode::Create);
        gfx::encodeJpeg(source, 90, out);
        ASSERT_TRUE(out.commit());
    }
    const fixtures::E2ERun run = Run({"--stretch", "40", "9", "5", jpeg, Path("out.pam")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "stretch 40 9\n");

    gfx::Picture picture;
    picture.loadFromFile(jpeg);
    gfx::Bitmap expected = picture.bitmap();
    Stretch(40, 9, sfLanczos3, 0, expected);
    std::string pam = "P7\nWIDTH 40\nHEIGHT 9\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint8_t* p = expected.scanLine(y) + 3 * x;
            pam += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]), '\xFF'};
        }
    std::ifstream in(Path("out.pam"), std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == pam);
}

TEST_F(StretchDriverTest, BadArgumentsAndUnreadablePictures) {
    std::ofstream(Path("garbage.jpg"), std::ios::binary) << "\xFF\xD8\xFF not really a picture";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{"--stretch", "4", "4", "7", Path("garbage.jpg"), Path("o.pam")}, 2, "the filter must be 0 to 6"},
        {{"--stretch", "0", "4", "1", Path("garbage.jpg"), Path("o.pam")}, 2, "width and height must be 1 to"},
        {{"--stretch", "4", "4", "1", Path("garbage.jpg")}, 2, "--stretch needs W H FILTER IMAGE OUT.pam"},
        {{"--stretch", "4", "4", "1", Path("missing.png"), Path("o.pam")}, 1, "missing.png"},
        {{"--stretch", "4", "4", "1", Path("garbage.jpg"), Path("o.pam")}, 1, "garbage.jpg"},
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
