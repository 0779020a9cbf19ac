#include "ui/main/ProbePicture.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <exception>

#include "imageformats/Stretch.h"
#include "platform/gfx/Bitmap.h"
#include "platform/qt/QtGfx.h"
#include "preview/GlTexture.h"
#include "ui/control/MaterialPanel.h"

namespace {

// The frame the markers are placed in, and the probe image's own size.
constexpr int FrameWidth = 360;
constexpr int FrameHeight = 180;
constexpr int MarkerRadius = 4;

// The picture as a 24-bit bitmap (blue, green, red).
gfx::Bitmap ToBitmap(const tpicture& picture) {
    gfx::Bitmap bitmap(picture.width, picture.height, gfx::PixelFormat::pf24bit);
    const std::size_t row = static_cast<std::size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* in = picture.rgb.data() + static_cast<std::size_t>(y) * row;
        uint8_t* out = bitmap.scanLine(y);
        for (std::size_t x = 0; x < row; x += 3) {
            out[x] = in[x + 2];
            out[x + 1] = in[x + 1];
            out[x + 2] = in[x];
        }
    }
    return bitmap;
}

bool Usable(const tpicture& picture) {
    return picture.width > 0 && picture.height > 0 &&
           picture.rgb.size() >= static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3;
}

}  // namespace

void ShowProbePicture(QWidget* image, const tpicture& picture, const std::vector<tprobemarker>& markers) {
    auto* label = qobject_cast<QLabel*>(image);
    if (!label || !Usable(picture)) return;
    int32_t width = FrameWidth, height = FrameHeight;
    FitImageToPicture(width, height, picture.width, picture.height);
    width = std::max(width, 1);
    height = std::max(height, 1);
    QImage shown;
    try {
        gfx::Bitmap bitmap = ToBitmap(picture);
        img::Stretch(static_cast<uint32_t>(width), static_cast<uint32_t>(height), img::sfBox, 0, bitmap);
        shown = gfx::toQImage(bitmap).convertToFormat(QImage::Format_RGB32);
    } catch (const std::exception&) {
        return;
    }
    QPainter p(&shown);
    p.setRenderHint(QPainter::Antialiasing);
    for (const tprobemarker& m : markers) {
        const QPointF centre(m.x * width / double(FrameWidth), m.y * height / double(FrameHeight));
        p.setPen(QPen(Qt::black, 3.5));
        p.drawEllipse(centre, MarkerRadius, MarkerRadius);
        p.setPen(QPen(QColor::fromRgb(m.shadow ? ShadowMarkerColor : PlainMarkerColor), 1.5));
        p.drawEllipse(centre, MarkerRadius, MarkerRadius);
    }
    p.end();
    label->setFixedSize(width, height);
    label->setPixmap(QPixmap::fromImage(shown));
}

bool SavePicture(const tpicture& picture, const std::string& fileName, int32_t jpegQuality) {
    if (!Usable(picture)) return false;
    try {
        const gfx::Bitmap bitmap = ToBitmap(picture);
        TGlTexture texture;
        if (!texture.LoadFromGraphic(&bitmap)) return false;
        texture.SetJPGQuality(jpegQuality);
        return texture.SaveImage(fileName);
    } catch (const std::exception&) {
        return false;  // a file that cannot be created
    }
}
