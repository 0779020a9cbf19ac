// The texture image: its files byte for byte, its pixel operations, broken
// TGA files, and its way to and from OpenGL.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QImage>
#include <QOpenGLFramebufferObject>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/gfx/Bitmap.h"
#include "preview/GlResources.h"
#include "preview/GlTexture.h"
#include "tests/fixtures/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class GlTextureTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fixtures::MakeScratchFolder("gltexture");
    }
    void TearDown() override { fixtures::RemoveScratchFolder(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    Bytes Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::string Write(const std::string& name, const Bytes& bytes) const {
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    // A bitmap whose pixel (x, y) has red 10x, green 10y, blue 7.
    static gfx::Bitmap Ramp(int w, int h) {
        gfx::Bitmap b(w, h, gfx::PixelFormat::pf24bit);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) b.setPixel(x, y, gfx::rgb(uint8_t(10 * x), uint8_t(10 * y), 7));
        return b;
    }
    // A TGA header of w x h pixels of `bits`, with `id` bytes of
    // identification and the given colour-map and image types.
    static Bytes TgaHeader(int w, int h, int bits, int id = 0, int mapType = 0, int imageType = 2) {
        Bytes b(18, 0);
        b.reserve(18 + static_cast<std::size_t>(id));
        b[0] = uint8_t(id);
        b[1] = uint8_t(mapType);
        b[2] = uint8_t(imageType);
        b[12] = uint8_t(w);
        b[13] = uint8_t(w >> 8);
        b[14] = uint8_t(h);
        b[15] = uint8_t(h >> 8);
        b[16] = uint8_t(bits);
        b.insert(b.end(), static_cast<std::size_t>(id), 'i');
        return b;
    }

private:
    fs::path folder_;
};

TEST_F(GlTextureTest, LoadsAGraphicBottomUpInBGRAWithAlpha) {
    TGlTexture t;
    EXPECT_FALSE(t.LoadFromGraphic(nullptr));
    const gfx::Bitmap ramp = Ramp(3, 2);
    ASSERT_TRUE(t.LoadFromGraphic(&ramp));
    EXPECT_EQ(t.GetWidth(), 3);
    EXPECT_EQ(t.GetHeight(), 2);
    EXPECT_EQ(t.Order(), TGlTexture::OrderBGRA);
    // The first row of the buffer is the picture's bottom row (y = 1).
    const Bytes expected = {7, 10, 0, 255, 7, 10, 10, 255, 7, 10, 20, 255,
                            7, 0, 0, 255, 7, 0, 10, 255, 7, 0, 20, 255};
    EXPECT_EQ(t.Pixels(), expected);
}

TEST_F(GlTextureTest, TGAFilesAreWrittenAndReadBackExactly) {
    TGlTexture t;
    const gfx::Bitmap ramp = Ramp(3, 2);
    ASSERT_TRUE(t.LoadFromGraphic(&ramp));
    t.SetChannelOrder(TGlTexture::OrderRGBA);  // as read from the screen
    const Bytes rgba = t.Pixels();
    ASSERT_TRUE(t.SaveTGA(Path("a.tga")));
    EXPECT_EQ(t.Order(), TGlTexture::OrderRGBA);
    EXPECT_EQ(t.Pixels(), rgba);
    const Bytes file = Read("a.tga");
    ASSERT_EQ(file.size(), 18u + 3 * 2 * 4);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 18), TgaHeader(3, 2, 32));
    EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 22), (Bytes{7, 10, 0, 255}));

    TGlTexture back;
    ASSERT_TRUE(back.LoadTGA(Path("a.tga")));
    EXPECT_EQ(back.BitsPerPixel(), 32);
    EXPECT_EQ(back.Order(), TGlTexture::OrderBGRA);
    EXPECT_EQ(back.Pixels(), Bytes(file.begin() + 18, file.end()));

    // 24 bits with an identification field: alpha 255.
    Bytes small = TgaHeader(2, 1, 24, 3);
    small.insert(small.end(), {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(back.LoadTGA(Write("b.tga", small)));
    EXPECT_EQ(back.Pixels(), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
}

// Bit 5 of the image descriptor says the file starts with its top row; the
// texture's rows are bottom-up either way.
TEST_F(GlTextureTest, TGAFilesOfEitherOriginLoadBottomUp) {
    const Bytes bottom = {1, 2, 3}, top = {4, 5, 6};
    for (const uint8_t descriptor : {0x00, 0x20}) {
        Bytes file = TgaHeader(1, 2, 24);
        file[17] = descriptor;
        const Bytes& first = descriptor ? top : bottom;
        const Bytes& second = descriptor ? bottom : top;
        file.insert(file.end(), first.begin(), first.end());
        file.insert(file.end(), second.begin(), second.end());
        TGlTexture t;
        ASSERT_TRUE(t.LoadTGA(Write("origin.tga", file))) << int(descriptor);
        EXPECT_EQ(t.Pixels(), (Bytes{1, 2, 3, 255, 4, 5, 6, 255})) << int(descriptor);
    }
}

TEST_F(GlTextureTest, BrokenTGAFilesAreRefusedAndChangeNothing) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes pixels(2 * 2 * 4, 9);
    const auto with = [&](Bytes header, const Bytes& data) {
        header.insert(header.end(), data.begin(), data.end());
        return header;
    };
    const Case cases[] = {
        {"empty", {}},
        {"cut header", Bytes(10, 0)},
        {"colour map", with(TgaHeader(2, 2, 32, 0, 1), pixels)},
        {"run-length encoded", with(TgaHeader(2, 2, 32, 0, 0, 10), pixels)},
        {"16 bits", with(TgaHeader(2, 2, 16), pixels)},
        {"cut pixels", with(TgaHeader(2, 2, 32), Bytes(15, 9))},
        {"huge size on a small file", with(TgaHeader(65535, 65535, 32), pixels)},
        {"zero width", with(TgaHeader(0, 2, 32), pixels)},
        {"identification past the end", TgaHeader(1, 1, 32, 255)},
    };
    TGlTexture t;
    const gfx::Bitmap ramp = Ramp(3, 2);
    ASSERT_TRUE(t.LoadFromGraphic(&ramp));
    const Bytes before = t.Pixels();
    for (const Case& c : cases) {
        EXPECT_FALSE(t.LoadTGA(Write("broken.tga", c.bytes))) << c.what;
        EXPECT_EQ(t.Pixels(), before) << c.what;
        EXPECT_EQ(t.GetWidth(), 3) << c.what;
    }
    EXPECT_FALSE(t.LoadTGA(Path("missing.tga")));
    // Garbage: every byte of a good file changed in turn, and cut at every length.
    Bytes good = with(TgaHeader(2, 2, 32), pixels);
    std::mt19937 random(15);
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] = static_cast<uint8_t>(random());
        t.LoadTGA(Write("garbage.tga", bad));
        t.LoadTGA(Write("cut.tga", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(i))));
    }
}

// By the extension in any case: BMP with its fixed headers (read back
// upright), JPEG; any other kind is refused and writes nothing.
TEST_F(GlTextureTest, SaveImageWritesBMPAndJPEGByTheExtension) {
    TGlTexture t;
    EXPECT_FALSE(t.SaveBMP(Path("none.bmp")));  // no pixels
    const gfx::Bitmap ramp = Ramp(3, 2);
    ASSERT_TRUE(t.LoadFromGraphic(&ramp));
    ASSERT_TRUE(t.SaveImage(Path("a.BMP")));
    const Bytes file = Read("a.BMP");
    ASSERT_EQ(file.size(), 54u + 24);
    // "BM", file size 78, data at 54; a 40-byte header of 3 x 2 pixels, one
    // plane, 32 bits, no compression, 24 bytes of pixels.
    const Bytes header = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0,
                          32, 0, 0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), header);
    const QImage image(QString::fromStdString(Path("a.BMP")));
    ASSERT_EQ(image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, QColor(10 * x, 10 * y, 7).rgb() & 0xFFFFFF);

    ASSERT_TRUE(t.SaveImage(Path("a.JPG")));
    const Bytes jpeg = Read("a.JPG");
    EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + std::min<std::size_t>(2, jpeg.size())), (Bytes{0xFF, 0xD8}));
    EXPECT_FALSE(t.SaveImage(Path("a.png")));
    EXPECT_FALSE(fs::exists(Path("a.png")));
    t.SetJPGQuality(0);
    EXPECT_EQ(t.JPGQuality(), 1);
    t.SetJPGQuality(150);
    EXPECT_EQ(t.JPGQuality(), 100);
}

TEST_F(GlTextureTest, AlphaFromAMaskCompositingAndFlipping) {
    TGlTexture t;
    gfx::Bitmap colour(2, 1, gfx::PixelFormat::pf24bit);
    colour.setPixel(0, 0, gfx::rgb(200, 100, 50));
    colour.setPixel(1, 0, gfx::rgb(200, 100, 50));
    ASSERT_TRUE(t.LoadFromGraphic(&colour));
    gfx::Bitmap mask(2, 1, gfx::PixelFormat::pf24bit);
    mask.setPixel(0, 0, gfx::rgb(0, 0, 0));
    mask.setPixel(1, 0, gfx::rgb(255, 255, 255));
    // White opaque, black transparent; and the other way round.
    ASSERT_TRUE(t.AddAlphaFromGraphic(&mask, 1.0f, 0.0f));
    EXPECT_EQ(t.Pixels()[3], 0);
    EXPECT_EQ(t.Pixels()[7], 255);
    ASSERT_TRUE(t.AddAlphaFromGraphic(&mask, 0.0f, 1.0f));
    EXPECT_EQ(t.Pixels()[3], 255);
    EXPECT_EQ(t.Pixels()[7], 0);
    // A mask of another size changes nothing.
    const gfx::Bitmap other(3, 1);
    EXPECT_FALSE(t.AddAlphaFromGraphic(&other, 1.0f, 0.0f));
    EXPECT_EQ(t.Pixels()[3], 255);
    // Opaque pixels keep their colour, transparent ones take the background
    // (B, G, R bytes against b, g, r).
    ASSERT_TRUE(t.CompositeOverColor(1.0, 0.5, 0.0));
    EXPECT_EQ(t.Pixels(), (Bytes{50, 100, 200, 255, 0, 128, 255, 255}));
    TGlTexture empty;
    EXPECT_FALSE(empty.CompositeOverColor(0, 0, 0));
    EXPECT_FALSE(empty.FlipVertical());
    // Rows turned over: the top row (green 0) comes first; a change to the
    // order the pixels have changes nothing.
    const gfx::Bitmap column = Ramp(1, 2);
    ASSERT_TRUE(t.LoadFromGraphic(&column));
    ASSERT_TRUE(t.FlipVertical());
    EXPECT_FALSE(t.SetChannelOrder(TGlTexture::OrderBGRA));
    EXPECT_EQ(t.Pixels(), (Bytes{7, 0, 0, 255, 7, 10, 0, 255}));
}

TEST_F(GlTextureTest, ScreenAndTextureThroughOpenGL) {
    const GLScope gl;
    ASSERT_TRUE(gl.ok());
    QOpenGLFramebufferObject target(4, 3);
    ASSERT_TRUE(target.bind());
    glViewport(0, 0, 4, 3);
    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    TGlTexture t;
    ASSERT_TRUE(t.SaveScreen(""));
    target.release();
    EXPECT_EQ(t.GetWidth(), 4);
    EXPECT_EQ(t.GetHeight(), 3);
    EXPECT_EQ(t.Order(), TGlTexture::OrderRGBA);
    EXPECT_EQ(Bytes(t.Pixels().begin(), t.Pixels().begin() + 4), (Bytes{255, 128, 0, 255}));

    // B, G, R, A pixels go to OpenGL in the right channels.
    t.SetChannelOrder(TGlTexture::OrderBGRA);
    t.GenTexture();
    const GLuint first = t.TextureName();
    ASSERT_NE(first, 0u);
    // The mipmaps are made of a power-of-two picture: ask for its size.
    glBindTexture(GL_TEXTURE_2D, first);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    ASSERT_GT(w * h, 0);
    Bytes texels(static_cast<std::size_t>(w * h * 4));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 4), (Bytes{255, 128, 0, 255}));
    // A second texture replaces the first.
    t.GenTexture();
    EXPECT_NE(t.TextureName(), first);
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = t.TextureName();
    glDeleteTextures(1, &second);
}

}  // namespace
