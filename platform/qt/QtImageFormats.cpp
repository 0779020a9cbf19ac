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

}  // namespace

const GraphicClass& qtBitmapClass() {
    static const GraphicClass cls{"Windows bitmap", [] { return std::unique_ptr<Graphic>(new QtImage("bmp")); },
                                  isWindowsBitmap};
    return cls;
}

const GraphicClass& qtIconClass() {
    static const GraphicClass cls{"Windows icon", [] { return std::unique_ptr<Graphic>(new QtImage("ico")); },
                                  isWindowsIcon};
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
