// Preview textures from JPEG maps written here: their size, the alpha of a
// transparency map, maps that cannot be read, shared textures and the
// background.
#include <gtest/gtest.h>
#include <unistd.h>

#include <GL/gl.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "imageformats/ImageRegistration.h"
#include "model/Model.h"
#include "options/Options.h"
#include "preview/GlTexture.h"
#include "tests/preview/PreviewTestSupport.h"

namespace {

using namespace previewtest;

// The texels of level 0 of a texture, rows from v = 0.
QImage ReadTexture(int32_t name) {
    const GLScope gl;
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    QImage t(w, h, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.bits());
    return t;
}

class PreviewTexturesTest : public PreviewTest {
protected:
    void TearDown() override {
        DeleteMaterialTextures(0);
        DeletePreviewTexture(BackgroundTexture);
        BackgroundTexture = 0;
        BackgroundMapName.clear();
        ClearPreviewTextures();
        std::filesystem::remove_all(folder);
        PreviewTest::TearDown();
    }
    // A JPEG map in the test's folder, of one colour unless `color` says.
    std::string Map(const char* name, int w, int h, std::function<QColor(int, int)> color = nullptr) {
        std::filesystem::create_directories(folder);
        WriteJpeg(folder + name, w, h, color ? color : [](int, int) { return QColor(150, 100, 50); });
        return folder + name;
    }
    tmaterial& Material(const std::string& color, const std::string& alpha = "") {
        fixtures::EnsureMaterial(static_cast<int>(SceneMaterials.size()));
        SceneMaterials.back().colorMap = color;
        SceneMaterials.back().transparencyMap = alpha;
        return SceneMaterials.back();
    }
    bool Logged(std::string_view line) const {
        return std::find(Messages().begin(), Messages().end(), line) != Messages().end();
    }
    const std::string folder = testing::TempDir() + "mirelan_textures_" + std::to_string(::getpid()) + "/";
};

TEST_F(PreviewTexturesTest, SizeFollowsTheBoxesLoweredToAPowerOfTwoOfTheMap) {
    // Map size, "GL map size:" width; texture size; resampled.
    for (auto [mapWidth, mapHeight, box, width, height, resampled] :
         {std::tuple{100, 60, "128", 64, 32, true}, {256, 256, "128", 128, 128, true},
          {128, 128, "128", 128, 128, false}, {300, 200, "wide", 128, 128, true}}) {
        status.pages[0].clear();
        Form1.Edit24.text = box;
        tmaterial& m = Material(Map("map.jpg", mapWidth, mapHeight));
        CreatePreviewTexture(m);
        const QImage t = ReadTexture(m.glTexture);
        EXPECT_EQ(std::tuple(t.width(), t.height(), m.textureWidth, m.textureHeight, m.textureBytes),
                  std::tuple(width, height, width, height, width * height * 4));
        EXPECT_EQ(Logged(" -> Resampling color map ..."), resampled) << mapWidth;
        EXPECT_NE(Messages().back().find(" - [" + std::to_string(width) + " x " + std::to_string(height) +
                                         "] using maps <map.jpg ,  , >"),
                  std::string::npos);
        ClearPreviewTextures();
    }
}

TEST_F(PreviewTexturesTest, ATransparencyMapGivesTheAlphaAndAloneABlackTexture) {
    // The left half white (opaque), the right half black (transparent).
    const std::string alpha = Map("alpha.jpg", 16, 8, [](int x, int) { return x < 8 ? Qt::white : Qt::black; });
    for (bool invert : {false, true}) {
        tmaterial& m = Material("", alpha);
        m.invertTransparencyMap = invert;
        CreatePreviewTexture(m);
        const QImage t = ReadTexture(m.glTexture);
        ASSERT_EQ(t.width(), 16);
        EXPECT_EQ(t.pixelColor(2, 4).rgb(), qRgb(0, 0, 0));
        EXPECT_NEAR(t.pixelColor(2, 4).alpha(), invert ? 0 : 255, 3);
        EXPECT_NEAR(t.pixelColor(13, 4).alpha(), invert ? 255 : 0, 3);
    }
}

TEST_F(PreviewTexturesTest, AnUnreadableMapLeavesTheMaterialUntextured) {
    const std::string wood = Map("wood.jpg", 16, 16);
    std::ofstream(folder + "bad.jpg") << "not a picture at all";
    tmaterial& m = Material(folder + "bad.jpg");
    m.name = "Skin";
    CreatePreviewTexture(m);
    EXPECT_EQ(m.glTexture, 0);
    EXPECT_EQ(Messages().back(),
              "<!>Preview texture for material Skin could not be created because " + folder + "bad.jpg could not be loaded.");
    // A map read once is cached once; without "Show maps" nothing is made.
    CreatePreviewTexture(Material(wood));
    CreatePreviewTexture(Material(wood));
    EXPECT_EQ(PreviewTextureCache.size(), 1u);
    Form1.CheckBox4.checked = false;
    CreatePreviewTexture(Material(wood));
    EXPECT_EQ(SceneMaterials.back().glTexture, 0);
}

// A map that a reader of the image library reads leaves its properties in
// the cache; a JPEG map, read without the library, leaves them empty.
TEST_F(PreviewTexturesTest, TheCacheKeepsThePropertiesTheImageLibraryRead) {
    img::RegisterImageFormats();
    std::filesystem::create_directories(folder);
    const gfx::Bitmap ramp(4, 2);
    TGlTexture written;
    ASSERT_TRUE(written.LoadFromGraphic(&ramp));
    ASSERT_TRUE(written.SaveTGA(folder + "wood.tga"));
    CreatePreviewTexture(Material(folder + "wood.tga"));
    CreatePreviewTexture(Material(Map("map.jpg", 8, 8)));
    img::UnregisterImageFormats();
    ASSERT_EQ(PreviewTextureCache.size(), 2u);
    const TImageProperties& tga = PreviewTextureCache[0].properties;
    EXPECT_EQ(std::tuple(tga.width, tga.height, tga.bitsPerPixel, tga.bitsPerSample, tga.samplesPerPixel,
                         tga.compression, tga.interlaced),
              std::tuple(4, 2, 32, 8, 4, int32_t{img::ckNone}, false));
    const TImageProperties& jpeg = PreviewTextureCache[1].properties;
    EXPECT_EQ(std::tuple(jpeg.width, jpeg.compression), std::tuple(0, 0));
}

// The cache gives the first entry of a map name, as a walk over it does,
// while it grows and is emptied (by its own command or as the model's
// clearing empties it).
TEST_F(PreviewTexturesTest, TheCacheFindsTheFirstEntryOfAName) {
    std::mt19937 rng(6);
    const std::string names[] = {"a.jpg", "b.jpg", "A.jpg", "/m/a.jpg", ""};
    for (int step = 0; step < 400; ++step) {
        const uint32_t what = rng() % 20;
        if (what == 0)
            ClearPreviewTextures();
        else if (what == 1)
            PreviewTextureCache.clear();
        else
            AddPreviewTexture(names[rng() % std::size(names)], TImageProperties());
        for (const std::string& name : names) {
            int32_t first = -1;
            for (std::size_t i = 0; i < PreviewTextureCache.size() && first < 0; ++i)
                if (PreviewTextureCache[i].fileName == name) first = static_cast<int32_t>(i);
            ASSERT_EQ(FindPreviewTexture(name), first) << step << " " << name;
        }
    }
}

TEST_F(PreviewTexturesTest, TheBackgroundIsReplacedOnlyByAPictureThatLoads) {
    const std::string sky = Map("sky.jpg", 64, 32);  // makes the folder
    LoadBackgroundTexture(sky);
    ASSERT_NE(BackgroundTexture, 0);
    EXPECT_EQ(BackgroundTextureBytes, 64 * 32 * 4);
    const int32_t texture = BackgroundTexture;
    std::ofstream(folder + "bad.png") << "garbage";
    for (const std::string& file : {folder + "bad.png", folder + "none.jpg", std::string()}) {
        LoadBackgroundTexture(file);
        EXPECT_EQ(std::pair(BackgroundTexture, BackgroundMapName), std::pair(texture, sky));
    }
}

// A rendered sky map shows upright whichever row its TGA file starts with:
// white above, black below.
TEST_F(PreviewTexturesTest, ASkyMapIsUprightInEitherRowOrder) {
    std::filesystem::create_directories(folder);
    for (const uint8_t descriptor : {0x00, 0x20}) {
        std::string file(18, '\0');
        file[2] = 2;       // uncompressed true colour
        file[12] = 1;      // 1 x 2 pixels of 24 bits
        file[14] = 2;
        file[16] = 24;
        file[17] = static_cast<char>(descriptor);
        const std::string white(3, '\xFF'), black(3, '\0');
        file += descriptor ? white + black : black + white;
        const std::string sky = folder + "Preview_Sky.tga";
        std::ofstream(sky, std::ios::binary) << file;
        LoadBackgroundTexture(sky);
        ASSERT_EQ(BackgroundMapName, sky);
        const QImage t = ReadTexture(BackgroundTexture);  // rows from v = 0, the bottom
        ASSERT_EQ(t.size(), QSize(1, 2));
        EXPECT_EQ(std::pair(t.pixelColor(0, 0).rgb(), t.pixelColor(0, 1).rgb()),
                  std::pair(qRgb(0, 0, 0), qRgb(255, 255, 255)))
            << int(descriptor);
        BackgroundMapName.clear();
    }
}

}  // namespace
