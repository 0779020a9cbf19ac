// The canvas over a QPainter: on a widget in a paint event, on a QImage, or
// on a bitmap of the graphics layer.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <memory>
#include <optional>
#include <vector>

#include "platform/gfx/Canvas.h"

namespace gfx {

class QtCanvas : public Canvas {
public:
    // Draws with a painter that is already active; the painter's clip when
    // the canvas was made stays in force.
    explicit QtCanvas(QPainter& painter);
    // Draws into a bitmap. Indexed bitmaps become pf32bit first (Qt does not
    // paint into palettes); other formats are painted in place. The bitmap
    // must not be resized while the canvas lives.
    explicit QtCanvas(Bitmap& bitmap);
    ~QtCanvas() override;

    // Ends drawing on a canvas of its own (a bitmap's); further drawing does
    // nothing.
    void end();
    QPainter& painter() { return *painter_; }

    int logicalDpi() const override { return dpi_; }
    Color resolve(Color c) const override;
    FontMetrics metrics() override;
    int textWidth(std::string_view text) override;
    void fillRect(const Rect& rect, Color color) override;
    void line(int x1, int y1, int x2, int y2) override;
    void ellipse(const Rect& rect) override;
    void fillRegion(const Region& region, Color color) override;
    void stretchBitmap(const Rect& dst, const Bitmap& bitmap, const Rect& src) override;
    void stretchBitmapMasked(const Rect& dst, const Bitmap& bitmap, const Bitmap& mask, const Rect& src) override;
    void pushClip(const Rect& rect) override;
    void popClip() override;

protected:
    void drawGlyphs(int x, int baseline, std::string_view text) override;

private:
    void setUp();
    const QFontMetrics& currentMetrics();
    bool active() const { return painter_ && painter_->isActive(); }
    void applyClip();

    std::unique_ptr<QPainter> ownPainter_;
    QImage target_;  // the bitmap's pixels, for a canvas over a bitmap
    QPainter* painter_ = nullptr;
    int dpi_ = 96;
    SystemColorTable systemColors_;
    bool hadClip_ = false;
    QRegion initialClip_;
    std::vector<Rect> clips_;
    // The font of the last measure or draw, and its metrics.
    std::optional<FontSpec> fontSpec_;
    QFont qfont_;
    std::optional<QFontMetrics> qmetrics_;
};

}  // namespace gfx
