#include "ui/main/Thumbnails.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <exception>

#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "platform/qt/QtGfx.h"
#include "ui/control/MaterialPanel.h"

namespace {

// A white picture of the thumbnail's size.
QPixmap Blank(int width, int height) {
    QPixmap pixmap(std::max(1, width), std::max(1, height));
    pixmap.fill(Qt::white);
    return pixmap;
}

}  // namespace

void ShowThumbnailMessage(QWidget* image, int32_t kind, int32_t width, int32_t height) {
    auto* label = qobject_cast<QLabel*>(image);
    if (!label || kind < 0 || kind > 4) return;
    QPixmap pixmap = Blank(width, height);
    QPainter p(&pixmap);
    p.setFont(label->font());
    p.setPen(Qt::black);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromLatin1(ThumbnailMessages[kind]));
    p.end();
    label->setPixmap(pixmap);
}

bool ShowThumbnailPicture(QWidget* image, const std::string& fileName, int32_t width, int32_t height,
                          int32_t& pictureWidth, int32_t& pictureHeight) {
    auto* label = qobject_cast<QLabel*>(image);
    if (!label) return false;
    QImage picture;
    try {
        gfx::Picture p;
        gfx::FileStream stream(fileName);
        if (gfx::pictureFormats().classFromContent(stream))
            p.loadFromStream(stream);
        else
            p.loadFromFile(fileName);
        const gfx::Bitmap bitmap = p.bitmap();
        if (bitmap.empty()) return false;
        picture = gfx::toQImage(bitmap).copy();
    } catch (const std::exception&) {
        return false;
    }
    if (picture.isNull()) return false;
    pictureWidth = picture.width();
    pictureHeight = picture.height();
    int32_t w = width, h = height;
    FitImageToPicture(w, h, pictureWidth, pictureHeight);
    QPixmap pixmap = Blank(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect((width - w) / 2, (height - h) / 2, std::max(1, w), std::max(1, h)), picture);
    p.end();
    label->setPixmap(pixmap);
    return true;
}
