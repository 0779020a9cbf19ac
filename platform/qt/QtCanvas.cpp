#include "platform/qt/QtCanvas.h"

#include <QPaintDevice>
#include <QPen>

#include "platform/gfx/Bitmap.h"
#include "platform/qt/QtGfx.h"

namespace gfx {

namespace {

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

}  // namespace

QtCanvas::QtCanvas(QPainter& painter) : painter_(&painter) { setUp(); }

QtCanvas::QtCanvas(Bitmap& bitmap) {
    if (isIndexed(bitmap.pixelFormat())) bitmap.setPixelFormat(PixelFormat::pf32bit);
    if (!bitmap.empty()) {
        // A QImage over the bitmap's own memory, so that painting changes it.
        QImage::Format format = QImage::Format_RGB32;
        switch (bitmap.pixelFormat()) {
        case PixelFormat::pf15bit: format = QImage::Format_RGB555; break;
        case PixelFormat::pf24bit: format = QImage::Format_BGR888; break;
        default: format = bitmap.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32; break;
        }
        target_ = QImage(bitmap.bits(), bitmap.width(), bitmap.height(), bitmap.bytesPerLine(), format);
        ownPainter_ = std::make_unique<QPainter>(&target_);
    } else {
        ownPainter_ = std::make_unique<QPainter>();
    }
    painter_ = ownPainter_.get();
    setUp();
}

QtCanvas::~QtCanvas() { end(); }

void QtCanvas::end() {
    if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

void QtCanvas::setUp() {
    systemColors_ = systemColors();
    if (!active()) return;
    if (QPaintDevice* device = painter_->device()) dpi_ = device->logicalDpiY();
    hadClip_ = painter_->hasClipping();
    if (hadClip_) initialClip_ = painter_->clipRegion();
    // Shapes as the platform draws them: whole pixels, no smoothing.
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

Color QtCanvas::resolve(Color c) const { return realize(c, resolveColor(c, systemColors_)); }

const QFontMetrics& QtCanvas::currentMetrics() {
    if (!fontSpec_ || !(*fontSpec_ == font())) {
        fontSpec_ = font();
        qfont_ = toQFont(font(), dpi_);
        qmetrics_.emplace(qfont_);
    }
    return *qmetrics_;
}

FontMetrics QtCanvas::metrics() {
    const QFontMetrics& m = currentMetrics();
    return {m.ascent() + m.descent(), m.ascent(), m.descent(), std::max(0, m.leading()), m.averageCharWidth(), 0};
}

int QtCanvas::textWidth(std::string_view text) {
    return currentMetrics().horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtCanvas::drawGlyphs(int x, int baseline, std::string_view text) {
    if (!active() || text.empty()) return;
    currentMetrics();
    painter_->setFont(qfont_);
    painter_->setPen(QColor(toQColor(resolve(font().color))));
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (font().escapement % 3600 != 0) {
        painter_->save();
        painter_->translate(x, baseline);
        painter_->rotate(-font().escapement / 10.0);
        painter_->drawText(QPoint(0, 0), s);
        painter_->restore();
    } else {
        painter_->drawText(QPoint(x, baseline), s);
    }
}

void QtCanvas::fillRect(const Rect& rect, Color color) {
    if (!active() || rect.isEmpty() || isNone(color)) return;
    painter_->fillRect(toQRect(rect), toQColor(resolve(color)));
}

void QtCanvas::line(int x1, int y1, int x2, int y2) {
    if (!active() || isNone(penColor())) return;
    const QColor color = toQColor(resolve(penColor()));
    if (penWidth() > 1) {
        painter_->setPen(QPen(color, penWidth()));
        painter_->drawLine(x1, y1, x2, y2);
        return;
    }
    // The same pixels as every canvas sets for a thin line.
    QList<QPoint> points;
    forEachLinePixel(x1, y1, x2, y2, [&](int x, int y) { points.append(QPoint(x, y)); });
    painter_->setPen(QPen(color, 0));
    painter_->drawPoints(points.data(), static_cast<int>(points.size()));
}

void QtCanvas::ellipse(const Rect& rect) {
    if (!active() || rect.isEmpty()) return;
    painter_->setPen(isNone(penColor()) ? QPen(Qt::NoPen) : QPen(toQColor(resolve(penColor())), 0));
    painter_->setBrush(brushStyle() == BrushStyle::Solid && !isNone(brushColor())
                           ? QBrush(toQColor(resolve(brushColor())))
                           : QBrush(Qt::NoBrush));
    painter_->drawEllipse(QRect(rect.left, rect.top, rect.width() - 1, rect.height() - 1));
    painter_->setBrush(Qt::NoBrush);
}

void QtCanvas::fillRegion(const Region& region, Color color) {
    if (!active() || isNone(color)) return;
    QRegion area;
    for (const Region::Step& s : region.steps()) {
        if (s.add)
            area += toQRect(s.rect);
        else
            area -= toQRect(s.rect);
    }
    const QColor c = toQColor(resolve(color));
    for (const QRect& r : area) painter_->fillRect(r, c);
}

void QtCanvas::stretchBitmap(const Rect& dst, const Bitmap& bitmap, const Rect& src) {
    if (!active() || bitmap.empty() || dst.isEmpty() || src.isEmpty()) return;
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, stretchMode() == StretchMode::Halftone);
    painter_->drawImage(toQRect(dst), toQImage(bitmap), toQRect(src));
}

void QtCanvas::stretchBitmapMasked(const Rect& dst, const Bitmap& bitmap, const Bitmap& mask, const Rect& src) {
    if (!active() || bitmap.empty() || dst.isEmpty() || src.isEmpty()) return;
    // The bitmap with white mask pixels made transparent.
    QImage image = toQImage(bitmap).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (mask.pixel(x, y) == clWhite) row[x] = 0;
    }
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, stretchMode() == StretchMode::Halftone);
    painter_->drawImage(toQRect(dst), image, toQRect(src));
}

void QtCanvas::applyClip() {
    if (clips_.empty()) {
        painter_->setClipRegion(initialClip_);
        painter_->setClipping(hadClip_);
        return;
    }
    Rect r = clips_.front();
    for (const Rect& c : clips_) r = r.intersected(c);
    QRegion area(toQRect(r));
    if (hadClip_) area &= initialClip_;
    painter_->setClipRegion(area);
}

void QtCanvas::pushClip(const Rect& rect) {
    clips_.push_back(rect);
    if (active()) applyClip();
}

void QtCanvas::popClip() {
    if (!clips_.empty()) clips_.pop_back();
    if (active()) applyClip();
}

}  // namespace gfx
