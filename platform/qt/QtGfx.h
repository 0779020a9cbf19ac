// Where the graphics layer meets Qt: bitmaps to and from QImage, colours to
// QColor with the system colours of the application palette, and fonts.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"

namespace gfx {

// A QImage over the bitmap's pixels, without a copy where Qt has the same
// layout (pf1bit Mono, pf8bit Indexed8 with the palette padded to 256
// entries, pf15bit RGB555, pf24bit BGR888, pf32bit RGB32, or ARGB32 with
// alpha); a copy for pf4bit (Indexed8). A view reads the bitmap's memory: it
// must not outlive the bitmap or a change of its size or format.
QImage toQImage(const Bitmap& bitmap);
// A bitmap with the image's pixels: pf1bit or pf8bit with the colour table
// for indexed images, pf32bit with alpha for images with alpha, pf24bit
// otherwise. A null image gives an empty bitmap; a size beyond the bitmap
// limits raises EInvalidGraphic.
Bitmap fromQImage(const QImage& image);

// The system colours of a palette (the application's by default).
SystemColorTable systemColors(const QPalette& palette);
SystemColorTable systemColors();
// The QColor of a colour value: system colours from the application palette,
// "none" transparent.
QColor toQColor(Color c);

// The font for a font description at a logical dpi: pixel size
// size * dpi / 72 (mulDiv), the face name left to fontconfig, which maps the
// program's faces to metric-compatible ones.
QFont toQFont(const FontSpec& spec, int dpi = 96);
// The metrics of a font without a painter (for layout outside painting):
// height = ascent + descent, external leading at least 0, overhang 0.
FontMetrics fontMetrics(const FontSpec& spec, int dpi = 96);

}  // namespace gfx
