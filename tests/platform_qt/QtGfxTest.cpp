// The Qt side of the graphics layer: the shared canvas behaviour on a
// QPainter, bitmaps to and from QImage, fonts, system colours, the pictures
// Qt reads, the image list and the cursors. Runs under a real window system
// (Xvfb), with the fonts of the dependency script.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstring>
#include <tuple>

#include "imageformats/ImageRegistration.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/ImageList.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/RecordingCanvas.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/TickSource.h"
#include "platform/qt/Cursors.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtGfx.h"
#include "platform/qt/QtImageFormats.h"
#include "tests/gfx/CanvasBehaviour.h"

namespace gfx {
namespace {

// Fonts and painting need the application object.
class QtApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qGuiApp) app_ = new QGuiApplication(argc_, argv_);
    }
    void TearDown() override { delete app_; }

private:
    int argc_ = 1;
    char name_[16] = "test_platform";
    char* argv_[2] = {name_, nullptr};
    QGuiApplication* app_ = nullptr;
};
const auto* const kApplication = ::testing::AddGlobalTestEnvironment(new QtApplication);

// A white image with a QtCanvas over it.
struct QtMaker {
    QtMaker(int width, int height) : image_(width, height, QImage::Format_RGB32) {
        image_.fill(Qt::white);
        painter_.begin(&image_);
        canvas_.emplace(painter_);
    }
    Canvas& canvas() { return *canvas_; }
    Color pixel(int x, int y) {
        if (painter_.isActive()) painter_.end();
        const QRgb c = image_.pixel(x, y);
        return rgb(static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)), static_cast<uint8_t>(qBlue(c)));
    }
    QImage image_;
    QPainter painter_;
    std::optional<QtCanvas> canvas_;
};

}  // namespace

namespace testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, CanvasBehaviour, ::testing::Types<QtMaker>);
}

namespace {

// One bitmap of each format with known colours.
std::vector<Bitmap> everyFormat() {
    std::vector<Bitmap> all;
    for (PixelFormat pf : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit, PixelFormat::pf15bit,
                           PixelFormat::pf24bit, PixelFormat::pf32bit}) {
        Bitmap b(5, 3, pf);
        b.setPixel(0, 0, clWhite);
        b.setPixel(4, 2, clWhite);
        if (bitsPerPixel(pf) >= 4) {
            b.setPixel(1, 0, clRed);
            b.setPixel(2, 1, clBlue);
        }
        all.push_back(b);
    }
    return all;
}

TEST(QtGfxTest, BitmapsBecomeQImagesAndBack) {
    for (const Bitmap& b : everyFormat()) {
        SCOPED_TRACE(bitsPerPixel(b.pixelFormat()));
        const QImage image = toQImage(b);
        ASSERT_EQ(image.width(), 5);
        // A view shares the bitmap's memory; pf4bit is copied.
        if (b.pixelFormat() == PixelFormat::pf4bit)
            EXPECT_NE(image.constBits(), b.bits());
        else
            EXPECT_EQ(image.constBits(), b.bits());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const QRgb q = image.pixel(x, y);
                EXPECT_EQ(rgb(static_cast<uint8_t>(qRed(q)), static_cast<uint8_t>(qGreen(q)), static_cast<uint8_t>(qBlue(q))),
                          b.pixel(x, y)) << x << "," << y;
            }
        const Bitmap back = fromQImage(image);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(back.pixel(x, y), b.pixel(x, y)) << x << "," << y;
    }
    QImage alpha(2, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(10, 20, 30, 40));
    alpha.setPixel(1, 0, qRgba(0, 0, 0, 255));
    const Bitmap a = fromQImage(alpha);
    EXPECT_EQ(a.pixelFormat(), PixelFormat::pf32bit);
    EXPECT_TRUE(a.hasAlpha());
    EXPECT_EQ(a.scanLine(0)[3], 40);
    EXPECT_TRUE(fromQImage(QImage()).empty());
}

TEST(QtGfxTest, CanvasOverABitmapPaintsItsPixels) {
    Bitmap indexed(4, 4, PixelFormat::pf8bit);
    {
        QtCanvas c(indexed);  // indexed bitmaps become 32-bit to be painted
        c.fillRect({0, 0, 4, 4}, clBlack);
    }
    EXPECT_EQ(indexed.pixelFormat(), PixelFormat::pf32bit);
    EXPECT_EQ(indexed.pixel(3, 3), clBlack);
    Bitmap colour(4, 4, PixelFormat::pf24bit);
    {
        QtCanvas c(colour);
        c.fillRect({1, 1, 3, 3}, clRed);
    }
    EXPECT_EQ(colour.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(colour.pixel(1, 1), clRed);
    EXPECT_EQ(colour.pixel(0, 0), clBlack);
}

TEST(QtGfxTest, FontsMapToPixelSizesAndMetricCompatibleFaces) {
    FontSpec spec;
    spec.family = "Arial";
    spec.size = 12;
    EXPECT_EQ(toQFont(spec, 96).pixelSize(), 16);
    EXPECT_EQ(toQFont(spec, 120).pixelSize(), 20);
    spec.size = 8;
    EXPECT_EQ(toQFont(spec, 96).pixelSize(), 11);  // 10.67 rounds up
    const FontMetrics m = fontMetrics(spec);
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_GT(m.averageCharWidth, 0);
    EXPECT_EQ(m.overhang, 0);
    for (const char* family : {"Times New Roman", "Arial", "Courier New"}) {
        spec.family = family;
        EXPECT_TRUE(QFontInfo(toQFont(spec)).family().startsWith("Liberation")) << family << " -> "
                                                                                << QFontInfo(toQFont(spec)).family().toStdString();
    }
}

TEST(QtGfxTest, SystemColoursComeFromThePalette) {
    QPalette p;
    p.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 3));
    p.setColor(QPalette::Active, QPalette::Button, QColor(4, 5, 6));
    const SystemColorTable t = systemColors(p);
    EXPECT_EQ(resolveColor(clHighlight, t), rgb(1, 2, 3));
    EXPECT_EQ(resolveColor(clBtnFace, t), rgb(4, 5, 6));
    EXPECT_EQ(toQColor(clNone).alpha(), 0);
    EXPECT_EQ(toQColor(PaletteRelativeFlag | clRed), QColor(255, 0, 0));
}

// Pictures written by Qt, read through the registry by extension and by
// content (PNG by the image library's reader); damaged files raise our error.
TEST(QtGfxTest, QtFormatsLoadThroughThePictureRegistry) {
    registerQtPictureFormats();
    img::RegisterImageFormats({&qtBitmapClass(), &qtIconClass()});
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    image.setPixelColor(1, 1, QColor(255, 255, 0));
    for (const char* format : {"bmp", "png", "ico"}) {
        SCOPED_TRACE(format);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, format).write(image));
        const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.constData()), bytes.size());
        Picture p;
        p.loadFromBytes(data);
        ASSERT_EQ(p.width(), 3);
        EXPECT_EQ(p.bitmap().pixel(0, 0), clBlue);
        EXPECT_EQ(p.bitmap().pixel(1, 1), clYellow);

        const std::string file = ::testing::TempDir() + "/gfx_qt_picture." + format;
        {
            FileStream out(file, FileStream::Mode::Create);
            out.writeExact(data.data(), data.size());
            ASSERT_TRUE(out.commit());
        }
        Picture byName;
        byName.loadFromFile(file);
        EXPECT_EQ(byName.height(), 2);

        // Cut short: our error, and the picture keeps what it held.
        std::vector<uint8_t> cut(data.begin(), data.begin() + data.size() / 3);
        EXPECT_THROW(byName.loadFromBytes(cut), Error);
        EXPECT_EQ(byName.height(), 2);
        std::remove(file.c_str());
    }
}

// Qt writes no GIF: a hand-made one of one red pixel, read by the image
// library's reader.
TEST(QtGfxTest, GifLoadsByContent) {
    img::RegisterImageFormats({&qtBitmapClass(), &qtIconClass()});
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          35);
    Picture p;
    p.loadFromBytes({reinterpret_cast<const uint8_t*>(gif.data()), gif.size()});
    ASSERT_EQ(p.width(), 1);
    EXPECT_EQ(p.bitmap().pixel(0, 0), clRed);
}

// A hand-made run-length encoded 8-bit BMP: 4 x 2 pixels.
TEST(QtGfxTest, RunLengthEncodedBitmapsLoad) {
    registerQtPictureFormats();
    const uint8_t rle[] = {4, 1, 0, 0,   // row 0 (the bottom row): four pixels of index 1
                           2, 0, 2, 1, 0, 0,  // row 1: two of index 0, two of index 1
                           0, 1};        // end of bitmap
    std::vector<uint8_t> file(54 + 8);
    auto put32 = [&](std::size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'B';
    file[1] = 'M';
    put32(10, 54 + 8);
    put32(14, 40);
    put32(18, 4);
    put32(22, 2);
    file[26] = 1;
    file[28] = 8;
    put32(30, 1);  // RLE8
    put32(34, sizeof rle);
    put32(46, 2);  // colours used
    const uint8_t palette[8] = {0, 0, 0, 0, 0, 0, 255, 0};  // black, red
    std::memcpy(&file[54], palette, 8);
    file.insert(file.end(), rle, rle + sizeof rle);
    put32(2, static_cast<uint32_t>(file.size()));
    Picture p;
    p.loadFromBytes(file);
    ASSERT_EQ(p.width(), 4);
    const Bitmap b = p.bitmap();
    EXPECT_EQ(b.pixel(0, 1), clRed);
    EXPECT_EQ(b.pixel(0, 0), clBlack);
    EXPECT_EQ(b.pixel(3, 0), clRed);
}

void putLE(std::vector<uint8_t>& b, std::size_t at, int64_t v, int size) {
    for (int k = 0; k < size; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
}

// A 2 x 1 bitmap of 24 bits, red and white, with an info header of `info`
// bytes (12: the core header with 16-bit sizes); a negative height puts the
// rows top first.
std::vector<uint8_t> bitmapFile(uint32_t info, int height) {
    const bool core = info == 12;
    std::vector<uint8_t> b(14 + info + 8);
    putLE(b, 0, 'B' | 'M' << 8, 2);
    putLE(b, 10, 14 + info, 4);
    putLE(b, 14, info, 4);
    putLE(b, 18, 2, core ? 2 : 4);
    putLE(b, core ? 20 : 22, height, core ? 2 : 4);
    putLE(b, core ? 22 : 26, 1, 2);
    putLE(b, core ? 24 : 28, 24, 2);
    putLE(b, 14 + info, 0xFFFFFFFF0000, 6);  // blue, green, red of each pixel
    return b;
}

// Each class claims a file only by its whole header, read from the stream's
// position, and puts the stream back there, whether it claims it or not.
TEST(QtGfxTest, BitmapAndIconClassesClaimOnlyTheirHeaders) {
    registerQtPictureFormats();
    // A text that begins like a bitmap, and an icon's first bytes before
    // garbage, are no picture of the registry (so no map is copied).
    for (const std::string& text : {std::string("BMW service notes\n") + std::string(40, ' '),
                                   std::string("\0\0\1\0", 4) + "garbage garbage garbage garbage\n"}) {
        MemoryStream stream(std::vector<uint8_t>(text.begin(), text.end()));
        EXPECT_EQ(pictureFormats().classFromContent(stream), nullptr) << text;
    }
    const auto claims = [](const GraphicClass& cls, std::vector<uint8_t> bytes) {
        bytes.insert(bytes.begin(), {'B', 'M', 0, 0, 1});
        MemoryStream stream(bytes);
        stream.seek(5);
        const bool claimed = cls.canLoad(stream);
        EXPECT_EQ(stream.position(), 5u);
        return claimed;
    };
    const GraphicClass &bitmap = qtBitmapClass(), &icon = qtIconClass();
    for (const uint32_t info : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
        for (const int height : {1, info == 12 ? 1 : -1})
            EXPECT_TRUE(claims(bitmap, bitmapFile(info, height))) << info << " " << height;
    Picture p;
    p.loadFromBytes(bitmapFile(124, -1));
    ASSERT_EQ(p.width(), 2);
    EXPECT_EQ(p.bitmap().pixel(0, 0), clRed);
    EXPECT_EQ(p.bitmap().pixel(1, 0), clWhite);
    // An icon of one image: for the check, its first 8 bytes.
    std::vector<uint8_t> iconFile(22);
    iconFile[2] = iconFile[4] = 1;
    iconFile[14] = 8;
    EXPECT_TRUE(claims(icon, iconFile));
    // Each with one field changed is refused: the bitmap of that info header
    // (0: the icon), the field's place, value and size (0: the file cut there).
    for (const auto& [info, at, value, size] : std::initializer_list<std::tuple<uint32_t, std::size_t, int64_t, int>>{
             {40, 0, 'X', 1}, {40, 14, 41, 4}, {40, 53, 0, 0},                     // signature, info header
             {40, 18, 0, 4}, {40, 18, -2, 4}, {12, 18, 0, 2},                      // width
             {40, 22, 0, 4}, {40, 22, INT32_MIN, 4}, {12, 20, 0, 2},               // height
             {40, 26, 2, 2}, {12, 22, 0, 2}, {40, 28, 48, 2}, {12, 24, 2, 2},      // planes, bits
             {0, 0, 1, 2}, {0, 2, 2, 2}, {0, 4, 0, 2}, {0, 21, 0, 0},              // reserved, type, count, directory
             {0, 14, 0, 4}, {0, 14, 23, 4}, {0, 18, 15, 4}, {0, 18, 0xFFFFFFFF, 4}}) {  // image
        SCOPED_TRACE(::testing::Message() << info << " @" << at << " = " << value);
        std::vector<uint8_t> bytes = info ? bitmapFile(info, 1) : iconFile;
        if (size == 0) bytes.resize(at);
        else putLE(bytes, at, value, size);
        EXPECT_FALSE(claims(info ? bitmap : icon, bytes));
    }
}

TEST(QtGfxTest, ImageListDrawsEnabledAndGreyedIcons) {
    ImageList list(2, 2);
    Bitmap red(2, 2, PixelFormat::pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) red.setPixel(x, y, clRed);
    EXPECT_EQ(list.add(red), 0);
    EXPECT_EQ(list.count(), 1);
    QtMaker maker(10, 4);
    list.draw(maker.canvas(), 0, 0, 0, true);
    list.draw(maker.canvas(), 0, 4, 0, false);
    list.draw(maker.canvas(), 5, 8, 0, true);  // no such image: nothing
    EXPECT_EQ(maker.pixel(1, 1), clRed);
    const Color grey = maker.pixel(5, 1);
    EXPECT_EQ(redOf(grey), greenOf(grey));
    EXPECT_GT(redOf(grey), 100);  // half transparent over white
    EXPECT_EQ(maker.pixel(9, 1), clWhite);
    EXPECT_THROW(list.image(1), EInvalidGraphic);
}

TEST(QtGfxTest, CursorsAndTheTickSource) {
    EXPECT_EQ(cursor(CursorId::Hand).shape(), Qt::PointingHandCursor);
    EXPECT_EQ(cursor(CursorId::IBeam).shape(), Qt::IBeamCursor);
    for (CursorId id : {CursorId::UpDown, CursorId::UpOnly, CursorId::DownOnly}) {
        const QCursor c = cursor(id);
        EXPECT_EQ(c.shape(), Qt::BitmapCursor);
        EXPECT_EQ(c.hotSpot(), QPoint(16, 16));
    }
    ManualTickSource manual;
    const uint64_t before = tickSource().milliseconds();
    {
        ScopedTickSource scope(manual);
        manual.advance(250);
        EXPECT_EQ(tickSource().milliseconds(), 250u);
    }
    EXPECT_GE(tickSource().milliseconds(), before);
}

}  // namespace
}  // namespace gfx
