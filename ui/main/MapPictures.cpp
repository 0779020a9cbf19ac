#include "ui/main/MapPictures.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <exception>

#include "imageformats/ImageRegistration.h"
#include "imageformats/Stretch.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "platform/qt/QtGfx.h"
#include "preview/GlTexture.h"
#include "ui/control/MaterialPanel.h"

namespace {

// A white picture of the thumbnail's size.
QPixmap Blank(int width, int height) {
    QPixmap pixmap(std::max(1, width), std::max(1, height));
    pixmap.fill(Qt::white);
    return pixmap;
}

// Reads a picture file as the program reads every picture.
bool LoadPicture(const std::string& fileName, gfx::Picture& picture) {
    try {
        img::LoadPictureFile(fileName, picture);
    } catch (const std::exception&) {
        return false;
    }
    return !picture.empty();
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
    gfx::Picture loaded;
    if (!LoadPicture(fileName, loaded)) return false;
    const QImage picture = gfx::toQImage(loaded.bitmap()).copy();
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

bool ConvertMapFile(const std::string& source, const std::string& target, bool resize, int32_t width,
                    int32_t height, bool& loaded) {
    gfx::Picture picture;
    loaded = LoadPicture(source, picture);
    if (!loaded) return false;
    try {
        gfx::Bitmap bitmap = picture.bitmap();
        if (resize) img::Stretch(static_cast<uint32_t>(width), static_cast<uint32_t>(height), img::sfLanczos3, 0, bitmap);
        TGlTexture texture;
        if (!texture.LoadFromGraphic(&bitmap)) {
            loaded = false;
            return false;
        }
        return texture.SaveImage(target);
    } catch (const std::exception&) {
        return false;  // a file that cannot be created, a size no bitmap may have
    }
}
