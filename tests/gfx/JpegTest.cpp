// JPEG through libjpeg: round trips in colour and grey, qualities, pictures
// by extension and content, and broken data that must raise our error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/WarningSink.h"

namespace gfx {
namespace {

// A smooth picture with a few hard edges.
Bitmap testPicture(int width, int height, PixelFormat pf = PixelFormat::pf24bit) {
    Bitmap b(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, rgb(static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height),
                                 x < width / 2 ? 40 : 200));
    return b.convertedTo(pf);
}

// The largest and the mean difference of the channels of two bitmaps of the
// same size.
struct Difference {
    int largest = 0;
    double mean = 0;
};
Difference compare(const Bitmap& a, const Bitmap& b) {
    Difference d;
    long sum = 0, count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Color p = a.pixel(x, y), q = b.pixel(x, y);
            for (int s = 0; s < 24; s += 8) {
                const int diff = std::abs(static_cast<int>((p >> s) & 255) - static_cast<int>((q >> s) & 255));
                d.largest = std::max(d.largest, diff);
                sum += diff;
                ++count;
            }
        }
    d.mean = static_cast<double>(sum) / static_cast<double>(count);
    return d;
}

Bitmap decode(const std::vector<uint8_t>& bytes) {
    MemoryStream s{std::span<const uint8_t>(bytes)};
    return decodeJpeg(s);
}

TEST(JpegTest, RoundTripsWithinATolerance) {
    const struct {
        const char* name;
        PixelFormat in, out;
    } cases[] = {
        {"colour", PixelFormat::pf24bit, PixelFormat::pf24bit},
        {"32-bit", PixelFormat::pf32bit, PixelFormat::pf24bit},
        {"15-bit", PixelFormat::pf15bit, PixelFormat::pf24bit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap original = testPicture(61, 37, c.in);  // sizes that are not multiples of 8
        const Bitmap back = decode(encodeJpeg(original, 95));
        ASSERT_EQ(back.pixelFormat(), c.out);
        ASSERT_EQ(back.width(), 61);
        ASSERT_EQ(back.height(), 37);
        const Difference d = compare(original, back);
        EXPECT_LE(d.mean, 3.0);
        EXPECT_LE(d.largest, 48);
    }

    // Indexed pixels are encoded as colour.
    const Bitmap indexed = decode(encodeJpeg(testPicture(9, 5, PixelFormat::pf4bit), 75));
    EXPECT_EQ(indexed.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(indexed.width(), 9);

    // Grey stays grey: one component, decoded to 8 bits with a grey palette.
    Bitmap grey(40, 20, PixelFormat::pf8bit);
    grey.setPalette(Palette::gray(8));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) grey.scanLine(y)[x] = static_cast<uint8_t>(x * 6);
    const Bitmap back = decode(encodeJpeg(grey, 90));
    ASSERT_EQ(back.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(back.palette(), Palette::gray(8));
    const Difference d = compare(grey, back);
    EXPECT_LE(d.mean, 2.0);
    EXPECT_LE(d.largest, 16);
}

TEST(JpegTest, QualityIsClampedAndChangesTheSize) {
    const Bitmap original = testPicture(64, 64);
    const std::size_t low = encodeJpeg(original, 1).size(), high = encodeJpeg(original, 100).size();
    EXPECT_LT(low, high);
    EXPECT_EQ(encodeJpeg(original, -5).size(), low);
    EXPECT_EQ(encodeJpeg(original, 500).size(), high);
    JpegImage image;
    image.setQuality(0);
    EXPECT_EQ(image.quality(), 1);
    image.setQuality(150);
    EXPECT_EQ(image.quality(), 100);
    EXPECT_THROW(encodeJpeg(Bitmap(), 75), EInvalidGraphic);
}

TEST(JpegTest, PicturesLoadJpegByExtensionAndByContent) {
    JpegImage image;
    static_cast<Bitmap&>(image) = testPicture(16, 8);
    image.setQuality(90);
    const std::string file = ::testing::TempDir() + "/gfx_jpeg_picture.JPEG";
    image.saveToFile(file);
    Picture p;
    p.loadFromFile(file);
    EXPECT_NE(dynamic_cast<const JpegImage*>(p.graphic()), nullptr);
    EXPECT_EQ(p.width(), 16);
    const std::vector<uint8_t> bytes = encodeJpeg(image, 90);
    Picture q;
    q.loadFromBytes(bytes);
    EXPECT_EQ(q.height(), 8);
    EXPECT_EQ(q.bitmap().pixelFormat(), PixelFormat::pf24bit);
    std::remove(file.c_str());
}

// Raises EInvalidGraphic, or decodes; never anything else.
void expectErrorOrPicture(const std::vector<uint8_t>& bytes, const std::string& what) {
    try {
        const Bitmap b = decode(bytes);
        EXPECT_FALSE(b.empty()) << what;
    } catch (const EInvalidGraphic&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
}

TEST(JpegTest, BrokenDataRaisesOurErrorAndKeepsTheImage) {
    const std::vector<uint8_t> good = encodeJpeg(testPicture(160, 120), 95);
    JpegImage image;
    static_cast<Bitmap&>(image) = testPicture(5, 5);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* message;
    } bad[] = {
        {"empty", {}, "JPEG error: Premature end of JPEG file"},
        {"not a JPEG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, nullptr},
        {"header only", {good.begin(), good.begin() + 200}, nullptr},
        {"half", {good.begin(), good.begin() + static_cast<long>(good.size() / 2)},
         "JPEG error: Premature end of JPEG file"},
    };
    for (const auto& b : bad) {
        MemoryStream s{std::span<const uint8_t>(b.bytes)};
        try {
            image.loadFromStream(s);
            ADD_FAILURE() << b.name << " decoded";
        } catch (const EInvalidGraphic& e) {
            if (b.message) {
                EXPECT_STREQ(e.what(), b.message) << b.name;
            }
        }
        EXPECT_EQ(image.width(), 5) << b.name;
    }

    // Only the end marker missing: the image is whole.
    const std::vector<uint8_t> noEnd(good.begin(), good.end() - 2);
    EXPECT_EQ(decode(noEnd).width(), 160);

    // A header that claims a huge image is refused before decoding: beyond
    // the bitmap limits, or more than its data can hold (16384 x 16384 from
    // about a kilobyte).
    auto claiming = [&](uint8_t high, uint8_t low) {
        std::vector<uint8_t> bytes = good;
        for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // start of frame: height and width follow
                bytes[i + 5] = bytes[i + 7] = high;
                bytes[i + 6] = bytes[i + 8] = low;
                break;
            }
        return bytes;
    };
    for (const auto& [bytes, message] :
         {std::pair{claiming(0xFF, 0xDC), "Image size 65500 x 65500 is too large"},  // the most libjpeg reads
          std::pair{claiming(0x40, 0x00), "JPEG error: the data is too short for an image of 16384 x 16384"}}) {
        try {
            decode(bytes);
            ADD_FAILURE() << message;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(JpegTest, DamagedDataThatStillDecodesWarns) {
    std::vector<uint8_t> bytes = encodeJpeg(testPicture(16, 16), 80);
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // stray bytes before the start of frame
            bytes.insert(bytes.begin() + static_cast<long>(i), {0x12, 0x34});
            break;
        }
    RecordingWarnings warnings;
    ScopedWarningSink sink(&warnings);
    EXPECT_EQ(decode(bytes).width(), 16);
    ASSERT_EQ(warnings.messages.size(), 1u);
    EXPECT_NE(warnings.messages[0].find("extraneous bytes"), std::string::npos) << warnings.messages[0];
}

// Seeded truncations and byte changes of a valid file, colour and grey: each
// decodes or raises our error, under the sanitizers, without hanging.
TEST(JpegTest, MutatedFilesDecodeOrRaise) {
    Bitmap grey = testPicture(24, 24).convertedTo(PixelFormat::pf8bit);
    grey.setPalette(Palette::gray(8));
    std::mt19937 random(14);
    for (const std::vector<uint8_t>& good : {encodeJpeg(testPicture(40, 24), 70), encodeJpeg(grey, 70)}) {
        for (std::size_t cut = 0; cut < good.size(); cut += 37) {
            expectErrorOrPicture({good.begin(), good.begin() + static_cast<long>(cut)}, "cut " + std::to_string(cut));
        }
        for (int i = 0; i < 150; ++i) {
            std::vector<uint8_t> bytes = good;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < changes; ++k) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            expectErrorOrPicture(bytes, "mutation " + std::to_string(i));
        }
    }
}

// A stream that fails while libjpeg reads from it.
class FailingStream : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    std::size_t read(void*, std::size_t) override { throw EReadError("disk gone"); }
};

TEST(JpegTest, ErrorsOfTheStreamEndTheDecode) {
    FailingStream s(std::vector<uint8_t>{0xFF, 0xD8, 0xFF});
    try {
        decodeJpeg(s);
        ADD_FAILURE() << "decoded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "disk gone");
    }
}

}  // namespace
}  // namespace gfx
