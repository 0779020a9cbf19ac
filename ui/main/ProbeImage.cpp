#include "ui/main/ProbeImage.h"

#include <QLabel>
#include <QPixmap>
#include <algorithm>
#include <exception>

#include "imageformats/Stretch.h"
#include "platform/gfx/Bitmap.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtGfx.h"
#include "preview/GlTexture.h"
#include "preview/ProbePicture.h"
#include "ui/control/MaterialPanel.h"

namespace {

// The probe image's own size, which the marks' frame is laid over.
constexpr int FrameWidth = 360;
constexpr int FrameHeight = 180;

}  // namespace

void ShowProbeImage(QWidget* image, const gfx::Bitmap& picture, bool marks) {
    auto* label = qobject_cast<QLabel*>(image);
    if (!label || picture.empty()) return;
    int32_t width = FrameWidth, height = FrameHeight;
    FitImageToPicture(width, height, picture.width(), picture.height());
    width = std::max(width, 1);
    height = std::max(height, 1);
    gfx::Bitmap shown = picture;
    try {
        img::Stretch(static_cast<uint32_t>(width), static_cast<uint32_t>(height), img::sfBox, 0, shown);
    } catch (const std::exception&) {
        return;
    }
    if (marks) {
        gfx::QtCanvas canvas(shown);
        DrawProbeMarkers(canvas, width, height);
        canvas.end();
    }
    label->setFixedSize(width, height);
    label->setPixmap(QPixmap::fromImage(gfx::toQImage(shown)));
}

bool SaveBitmap(const gfx::Bitmap& picture, const std::string& fileName, int32_t jpegQuality) {
    if (picture.empty()) return false;
    try {
        TGlTexture texture;
        if (!texture.LoadFromGraphic(&picture)) return false;
        texture.SetJPGQuality(jpegQuality);
        return texture.SaveImage(fileName);
    } catch (const std::exception&) {
        return false;  // a file that cannot be created
    }
}
