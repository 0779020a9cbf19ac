#include "platform/qt/QtGfx.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/gfx/Arith.h"
#include "platform/gfx/Errors.h"

namespace gfx {

namespace {

QList<QRgb> colorTable(const Palette& palette, int size) {
    QList<QRgb> table(size, qRgb(0, 0, 0));
    for (int i = 0; i < std::min(size, palette.count()); ++i) table[i] = qRgb(palette[i].r, palette[i].g, palette[i].b);
    return table;
}

Palette paletteOf(const QImage& image) {
    Palette p(image.colorCount());
    for (int i = 0; i < p.count(); ++i) {
        const QRgb c = image.color(i);
        p[i] = {static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)), static_cast<uint8_t>(qBlue(c))};
    }
    return p;
}

}  // namespace

QImage toQImage(const Bitmap& b) {
    if (b.empty()) return {};
    const uchar* bits = b.bits();
    const int w = b.width(), h = b.height(), stride = b.bytesPerLine();
    switch (b.pixelFormat()) {
    case PixelFormat::pf1bit: {
        QImage view(bits, w, h, stride, QImage::Format_Mono);
        view.setColorTable(colorTable(b.palette(), 2));
        return view;
    }
    case PixelFormat::pf4bit: {
        QImage copy(w, h, QImage::Format_Indexed8);
        copy.setColorTable(colorTable(b.palette(), 256));
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = b.scanLine(y);
            uchar* dst = copy.scanLine(y);
            for (int x = 0; x < w; ++x) dst[x] = static_cast<uchar>((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
        }
        return copy;
    }
    case PixelFormat::pf8bit: {
        QImage view(bits, w, h, stride, QImage::Format_Indexed8);
        view.setColorTable(colorTable(b.palette(), 256));
        return view;
    }
    case PixelFormat::pf15bit: return QImage(bits, w, h, stride, QImage::Format_RGB555);
    case PixelFormat::pf24bit: return QImage(bits, w, h, stride, QImage::Format_BGR888);
    case PixelFormat::pf32bit:
        return QImage(bits, w, h, stride, b.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    case PixelFormat::pfCustom: break;
    }
    return {};
}

Bitmap fromQImage(const QImage& image) {
    Bitmap b;
    if (image.isNull()) return b;
    if (!bitmapSizeAllowed(image.width(), image.height()))
        throw EInvalidGraphic("Image size " + std::to_string(image.width()) + " x " + std::to_string(image.height()) +
                              " is too large");
    const int w = image.width(), h = image.height();
    auto copyRows = [&](const QImage& source, std::size_t rowBytes) {
        for (int y = 0; y < h; ++y) std::memcpy(b.scanLine(y), source.constScanLine(y), rowBytes);
    };
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
        const QImage mono = image.convertToFormat(QImage::Format_Mono);
        b.setPixelFormat(PixelFormat::pf1bit);
        b.setPalette(paletteOf(mono));
        b.setSize(w, h);
        copyRows(mono, static_cast<std::size_t>((w + 7) / 8));
    } else if (image.format() == QImage::Format_Indexed8 && !image.hasAlphaChannel()) {
        b.setPixelFormat(PixelFormat::pf8bit);
        b.setPalette(paletteOf(image));
        b.setSize(w, h);
        copyRows(image, static_cast<std::size_t>(w));
    } else if (image.hasAlphaChannel()) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        b.setPixelFormat(PixelFormat::pf32bit);
        b.setHasAlpha(true);
        b.setSize(w, h);
        copyRows(argb, static_cast<std::size_t>(w) * 4);
    } else {
        const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
        b.setPixelFormat(PixelFormat::pf24bit);
        b.setSize(w, h);
        copyRows(bgr, static_cast<std::size_t>(w) * 3);
    }
    return b;
}

SystemColorTable systemColors(const QPalette& p) {
    auto c = [&](QPalette::ColorGroup g, QPalette::ColorRole r) {
        const QColor q = p.color(g, r);
        return rgb(static_cast<uint8_t>(q.red()), static_cast<uint8_t>(q.green()), static_cast<uint8_t>(q.blue()));
    };
    const auto A = QPalette::Active, I = QPalette::Inactive, D = QPalette::Disabled;
    SystemColorTable t = defaultSystemColors();
    auto set = [&](SystemColor s, Color value) { t[static_cast<std::size_t>(s)] = value; };
    set(SystemColor::ScrollBar, c(A, QPalette::Button));
    set(SystemColor::ActiveCaption, c(A, QPalette::Highlight));
    set(SystemColor::InactiveCaption, c(I, QPalette::Window));
    set(SystemColor::Menu, c(A, QPalette::Window));
    set(SystemColor::Window, c(A, QPalette::Base));
    set(SystemColor::WindowFrame, c(A, QPalette::Shadow));
    set(SystemColor::MenuText, c(A, QPalette::WindowText));
    set(SystemColor::WindowText, c(A, QPalette::Text));
    set(SystemColor::CaptionText, c(A, QPalette::HighlightedText));
    set(SystemColor::ActiveBorder, c(A, QPalette::Window));
    set(SystemColor::InactiveBorder, c(I, QPalette::Window));
    set(SystemColor::AppWorkSpace, c(A, QPalette::Mid));
    set(SystemColor::Highlight, c(A, QPalette::Highlight));
    set(SystemColor::HighlightText, c(A, QPalette::HighlightedText));
    set(SystemColor::BtnFace, c(A, QPalette::Button));
    set(SystemColor::BtnShadow, c(A, QPalette::Dark));
    set(SystemColor::GrayText, c(D, QPalette::Text));
    set(SystemColor::BtnText, c(A, QPalette::ButtonText));
    set(SystemColor::InactiveCaptionText, c(I, QPalette::WindowText));
    set(SystemColor::BtnHighlight, c(A, QPalette::Light));
    set(SystemColor::DkShadow3D, c(A, QPalette::Shadow));
    set(SystemColor::Light3D, c(A, QPalette::Midlight));
    set(SystemColor::InfoText, c(A, QPalette::ToolTipText));
    set(SystemColor::InfoBk, c(A, QPalette::ToolTipBase));
    return t;
}

SystemColorTable systemColors() {
    if (!qGuiApp) return defaultSystemColors();
    return systemColors(QGuiApplication::palette());
}

QColor toQColor(Color c) {
    if (isNone(c)) return QColor(Qt::transparent);
    const Color r = isSystemColor(c) ? resolveColor(c, systemColors()) : resolveColor(c);
    return QColor(redOf(r), greenOf(r), blueOf(r));
}

QFont toQFont(const FontSpec& spec, int dpi) {
    QFont f(QString::fromStdString(spec.family));
    f.setPixelSize(std::max(1, mulDiv(spec.size, dpi, 72)));
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    f.setUnderline(spec.underline);
    f.setStrikeOut(spec.strikeOut);
    // Text is laid out from the widths of single characters: whole-pixel
    // advances and no kerning pairs draw it where the layout put it.
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

FontMetrics fontMetrics(const FontSpec& spec, int dpi) {
    // The metrics depend on the face, size and style only.
    using Key = std::tuple<std::string, int, bool, bool, int>;
    static std::map<Key, FontMetrics> cache;
    const Key key{spec.family, spec.size, spec.bold, spec.italic, dpi};
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    const QFontMetrics m(toQFont(spec, dpi));
    const FontMetrics result{m.ascent() + m.descent(), m.ascent(), m.descent(), std::max(0, m.leading()),
                             m.averageCharWidth(), 0};
    cache.emplace(key, result);
    return result;
}

}  // namespace gfx
