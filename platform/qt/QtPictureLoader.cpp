#include "platform/qt/QtPictureLoader.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <cstring>

bool QtPictureLoader::LoadRGB(const std::string& fileName, tpicture& picture) {
    picture = {};
    QImage image;
    if (fileName.empty() || !image.load(QFile::decodeName(QByteArray::fromStdString(fileName)))) return false;
    image = image.convertToFormat(QImage::Format_RGB888);
    if (image.isNull() || image.width() < 1 || image.height() < 1) return false;

    const int32_t width = image.width(), height = image.height();
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    picture.rgb.resize(row * static_cast<std::size_t>(height));
    // Rows of the image are padded to four bytes; the picture's are not.
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(picture.rgb.data() + row * static_cast<std::size_t>(y), image.constScanLine(y), row);
    picture.width = width;
    picture.height = height;
    return true;
}
