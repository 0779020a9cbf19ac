// The frame of the image readers: the common load path with its progress
// notices and errors, the properties record, Assign, and the routines the
// readers share.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "imageformats/ImageFormats.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"

namespace img {
namespace {

// A toy reader on the frame: "TOY", width and height as 16-bit words, then
// one grey byte a pixel. A height of 0 is an invalid header.
class ToyGraphic : public TFormatGraphic {
public:
    bool ReadImageProperties(gfx::Stream& stream, uint32_t imageIndex) override {
        TFormatGraphic::ReadImageProperties(stream, imageIndex);
        char magic[3] = {};
        if (stream.read(magic, 3) != 3 || std::memcmp(magic, "TOY", 3) != 0) return false;
        imageProperties.width = stream.readU16LE();
        imageProperties.height = stream.readU16LE();
        imageProperties.colorScheme = slGray;
        imageProperties.bitsPerSample = 8;
        return imageProperties.height > 0;
    }
    void loadFromStream(gfx::Stream& stream) override {
        BeginLoad(stream, "TOY");
        CheckImageSize(imageProperties.width, imageProperties.height, "TOY");
        stream.skip(7);
        StartStage(LoadingDataStage);
        setPixelFormat(gfx::PixelFormat::pf8bit);
        setSize(static_cast<int>(imageProperties.width), static_cast<int>(imageProperties.height));
        for (uint32_t y = 0; y < imageProperties.height; ++y) {
            stream.readExact(scanLine(static_cast<int>(y)), imageProperties.width);
            RowLoaded(y);
        }
        EndStage();
    }
};

std::vector<uint8_t> ToyFile(uint16_t width, uint16_t height, bool pixels = true) {
    std::vector<uint8_t> f = {'T', 'O', 'Y', static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                              static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
    if (pixels)
        for (int i = 0; i < width * height; ++i) f.push_back(static_cast<uint8_t>(i * 7));
    return f;
}

TEST(ImageFrameTest, LoadRaisesProgressPerRowAndStartsAtTheBasePosition) {
    std::vector<uint8_t> bytes = {0xAA, 0xBB};  // data before the image
    const std::vector<uint8_t> toy = ToyFile(3, 4);
    bytes.insert(bytes.end(), toy.begin(), toy.end());
    gfx::MemoryStream stream(bytes);
    stream.seek(2);
    ToyGraphic g;
    std::vector<std::tuple<gfx::ProgressStage, int, gfx::Rect, std::string>> notices;
    g.setProgressHandler([&](gfx::ProgressStage s, int p, const gfx::Rect& r, const std::string& m) {
        notices.emplace_back(s, p, r, m);
    });
    g.loadFromStream(stream);

    EXPECT_EQ(g.basePosition, 2u);
    ASSERT_EQ(g.width(), 3);
    ASSERT_EQ(g.height(), 4);
    EXPECT_EQ(g.scanLine(3)[2], static_cast<uint8_t>(11 * 7));
    using S = gfx::ProgressStage;
    const std::vector<std::tuple<S, int, gfx::Rect, std::string>> expected = {
        {S::Starting, 0, {0, 0, 3, 1}, "Loading data..."}, {S::Running, 0, {0, 0, 3, 1}, "Loading data..."},
        {S::Running, 25, {0, 1, 3, 2}, "Loading data..."}, {S::Running, 50, {0, 2, 3, 3}, "Loading data..."},
        {S::Running, 75, {0, 3, 3, 4}, "Loading data..."}, {S::Ending, 0, {0, 4, 3, 5}, "Loading data..."},
    };
    EXPECT_EQ(notices, expected);
}

TEST(ImageFrameTest, BadHeadersAndOversizedImagesRaiseTheFormatErrorAndLeaveTheBitmapEmpty) {
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    const Case cases[] = {
        {"wrong magic", {'B', 'A', 'D', 1, 0, 1, 0, 0}},
        {"zero height", ToyFile(4, 0)},
        // Refused by the size check, before anything is allocated.
        {"65535 x 65535 is above the pixel limit", ToyFile(65535, 65535, false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToyGraphic g;
        g.setPixelFormat(gfx::PixelFormat::pf8bit);
        g.setSize(2, 2);
        gfx::MemoryStream stream(c.file);
        try {
            g.loadFromStream(stream);
            ADD_FAILURE() << "no error";
        } catch (const gfx::EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Cannot load image. Invalid or unexpected TOY image format.");
        }
        EXPECT_TRUE(g.empty());
    }
}

TEST(ImageFrameTest, PropertiesAreEmptiedByTheBaseAndCopiedOnlyBetweenFormatGraphics) {
    TFormatGraphic g;
    g.imageProperties = {.version = 5, .compression = ckLZW, .fileGamma = 2.2f, .rowsPerStrip = {1, 2},
                         .yCbCrSubSampling = {2, 2}, .jpegTables = {0xFF}};
    TFormatGraphic other = g;
    gfx::MemoryStream stream(std::vector<uint8_t>{1, 2, 3});
    EXPECT_FALSE(g.ReadImageProperties(stream, 0));
    EXPECT_EQ(g.imageProperties.compression, ckUnknown);
    EXPECT_EQ(g.imageProperties.fileGamma, 1.0f);
    EXPECT_TRUE(g.imageProperties.rowsPerStrip.empty() && g.imageProperties.yCbCrSubSampling.empty() &&
                g.imageProperties.jpegTables.empty());

    gfx::Bitmap plain(2, 1, gfx::PixelFormat::pf24bit);
    plain.scanLine(0)[0] = 77;
    g.ColorManager().SetSourceBitsPerSample(16);
    g.Assign(plain);  // pixels only
    EXPECT_EQ(g.imageProperties.version, 0u);
    EXPECT_EQ(g.scanLine(0)[0], 77);
    g.Assign(other);  // properties too, but not the colour manager
    EXPECT_EQ(g.imageProperties.version, 5u);
    EXPECT_EQ(g.imageProperties.rowsPerStrip, (std::vector<uint32_t>{1, 2}));
    EXPECT_TRUE(g.empty());
    EXPECT_EQ(g.ColorManager().SourceBitsPerSample(), 16);
}

TEST(ImageFrameTest, MessagesAndPredictors) {
    EXPECT_EQ(FormatImageMessage(NotSupportedText, {"The compression scheme is", "TIF/TIFF"}),
              "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
    EXPECT_THROW(TFormatGraphic::CanLoadFile("no/such/file.toy", TFormatGraphic::CanLoad), gfx::EFOpenError);

    uint8_t rgb[] = {10, 20, 30, 1, 1, 1, 2, 2, 250};
    UndoPredictor3(rgb, 2);  // sums above 255 wrap
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 9), (std::vector<uint8_t>{10, 20, 30, 11, 21, 31, 13, 23, 25}));
    uint8_t rgba[] = {1, 2, 3, 4, 1, 1, 1, 1, 9};
    UndoPredictor4(rgba, 1);  // the byte past the count stays
    EXPECT_EQ(std::vector<uint8_t>(rgba, rgba + 9), (std::vector<uint8_t>{1, 2, 3, 4, 2, 3, 4, 5, 9}));
}

TEST(ImageFrameTest, UpsamplePlaneDoublesInBothDirections) {
    // 2 x 2 in a buffer of 4 rows of 4.
    std::vector<uint8_t> p = {0, 100, 0, 0, 200, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    UpsamplePlane(2, 2, 4, p.data());
    EXPECT_EQ(p, (std::vector<uint8_t>{0, 50, 100, 100, 100, 88, 75, 75, 200, 125, 50, 50, 200, 125, 50, 50}));

    // Odd sizes: 3 x 2 in rows of 6.
    std::vector<uint8_t> q(4 * 6, 0);
    const uint8_t rows[2][3] = {{10, 20, 40}, {30, 0, 255}};
    for (int r = 0; r < 2; ++r) std::memcpy(&q[static_cast<std::size_t>(r) * 6], rows[r], 3);
    UpsamplePlane(3, 2, 6, q.data());
    const std::vector<uint8_t> expected = {10, 15, 20, 30,  40,  40,  20, 15, 10, 79,  148, 148,
                                           30, 15, 0,  128, 255, 255, 30, 15, 0,  128, 255, 255};
    EXPECT_EQ(q, expected);

    // One sample becomes four equal ones; sides of 0 change nothing.
    std::vector<uint8_t> one = {9, 0, 0, 0};
    UpsamplePlane(1, 1, 2, one.data());
    EXPECT_EQ(one, (std::vector<uint8_t>{9, 9, 9, 9}));
    UpsamplePlane(0, 5, 2, one.data());
    UpsamplePlane(5, 0, 10, one.data());
    EXPECT_EQ(one, (std::vector<uint8_t>{9, 9, 9, 9}));
}

}  // namespace
}  // namespace img
