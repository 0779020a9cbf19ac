#include "platform/qt/QtImageFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstdint>
#include <vector>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Stream.h"
#include "platform/qt/QtGfx.h"

namespace gfx {

namespace {

// A bitmap read by Qt's reader of one format.
class QtImage : public Bitmap {
public:
    explicit QtImage(const char* format) : format_(format) {}

    void loadFromStream(Stream& stream) override {
        const std::vector<uint8_t> bytes = stream.readAll();
        QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, format_);
        const QSize size = reader.size();
        if (size.isValid() && !bitmapSizeAllowed(size.width(), size.height()))
            throw EInvalidGraphic("Image size " + std::to_string(size.width()) + " x " +
                                  std::to_string(size.height()) + " is too large");
        QImage image;
        if (!reader.read(&image) || image.isNull())
            throw EInvalidGraphic("Cannot load image. " + reader.errorString().toStdString());
        Bitmap::operator=(fromQImage(image));
    }
    std::unique_ptr<Graphic> clone() const override { return std::make_unique<QtImage>(*this); }

private:
    const char* format_;
};

// Puts the stream back where a signature test found it, however the test
// ends: the registry shows every class the same bytes.
class PositionKept {
public:
    explicit PositionKept(Stream& s) : stream_(s), position_(s.position()) {}
    ~PositionKept() { stream_.seek(position_); }
    PositionKept(const PositionKept&) = delete;
    PositionKept& operator=(const PositionKept&) = delete;

private:
    Stream& stream_;
    uint64_t position_;
};

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) { return le16(p) | (uint32_t{le16(p + 2)} << 16); }

// A Windows bitmap: "BM", the 14-byte file header, then a whole info header
// of a known size (12 for the core header with 16-bit sizes, the others with
// signed 32-bit sizes, a negative height for rows top first) whose picture
// has pixels, one plane and a known bit count. Any other file that happens
// to begin with "BM" (a text, say) is not one.
bool isBitmap(Stream& s) {
    PositionKept kept(s);
    const uint64_t size = s.remaining();
    uint8_t h[30] = {};  // the file header and the fields of the info header asked
    if (s.read(h, sizeof h) < 26 || h[0] != 'B' || h[1] != 'M') return false;
    const uint32_t infoSize = le32(h + 14);
    const bool core = infoSize == 12;
    if (!core && infoSize != 16 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 &&
        infoSize != 108 && infoSize != 124)
        return false;
    // The whole info header, and so every field read below, is in the file.
    if (14 + uint64_t{infoSize} > size) return false;
    const int64_t width = core ? le16(h + 18) : static_cast<int32_t>(le32(h + 18));
    const int64_t height = core ? le16(h + 20) : static_cast<int32_t>(le32(h + 22));
    const uint16_t planes = le16(h + (core ? 22 : 26)), bits = le16(h + (core ? 24 : 28));
    const bool bitsKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return width > 0 && height != 0 && height != INT32_MIN && planes == 1 && bitsKnown;
}

// A Windows icon: reserved 0, type 1, at least one image, the directory (16
// bytes an image) within the file, and each image (its size, not 0, from its
// offset from the start of the icon) within the file too.
bool isIcon(Stream& s) {
    PositionKept kept(s);
    const uint64_t size = s.remaining();
    uint8_t h[6] = {};
    if (s.read(h, sizeof h) != sizeof h || le16(h) != 0 || le16(h + 2) != 1 || le16(h + 4) == 0) return false;
    const std::size_t entries = le16(h + 4);
    if (sizeof h + 16 * uint64_t{entries} > size) return false;
    // Zero-filled: should the file end sooner than its size said, the
    // entries missing have images of size 0, which are refused.
    std::vector<uint8_t> directory(16 * entries);
    s.read(directory.data(), directory.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = &directory[16 * i];
        const uint32_t bytes = le32(entry + 8), offset = le32(entry + 12);
        if (bytes == 0 || uint64_t{offset} + bytes > size) return false;
    }
    return true;
}

}  // namespace

const GraphicClass& qtBitmapClass() {
    static const GraphicClass cls{"Windows bitmap", [] { return std::unique_ptr<Graphic>(new QtImage("bmp")); },
                                  isBitmap};
    return cls;
}

const GraphicClass& qtIconClass() {
    static const GraphicClass cls{"Windows icon", [] { return std::unique_ptr<Graphic>(new QtImage("ico")); },
                                  isIcon};
    return cls;
}

void registerQtPictureFormats() {
    static const bool registered = [] {
        PictureFormats& f = pictureFormats();
        f.registerFileFormat("bmp", "Windows bitmaps", qtBitmapClass());
        f.registerFileFormat("ico", "Windows icons", qtIconClass());
        f.registerFileFormat("rle", "Run length encoded Windows bitmaps", qtBitmapClass());
        f.registerFileFormat("dib", "Device independant Windows bitmaps", qtBitmapClass());
        return true;
    }();
    (void)registered;
}

}  // namespace gfx
