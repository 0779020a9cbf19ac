#include "platform/gfx/Bitmap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Errors.h"

namespace gfx {

namespace {

// Four bytes B, G, R, A a palette entry, for expanding indexed rows.
using IndexTable = std::array<std::array<uint8_t, 4>, 256>;

IndexTable makeIndexTable(const Palette& palette) {
    IndexTable t{};
    for (int i = 0; i < 256; ++i) {
        const Color c = palette.color(i);
        t[static_cast<std::size_t>(i)] = {blueOf(c), greenOf(c), redOf(c), 255};
    }
    return t;
}

// A 5-bit channel to 8 bits, repeating the high bits in the low ones.
inline uint8_t expand5(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

inline int indexAt(const uint8_t* row, PixelFormat pf, int x) {
    switch (pf) {
    case PixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::pf4bit: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
    default: return row[x];
    }
}

inline void setIndexAt(uint8_t* row, PixelFormat pf, int x, int index) {
    switch (pf) {
    case PixelFormat::pf1bit: {
        const int shift = 7 - (x & 7);
        row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << shift)) | ((index & 1) << shift));
        break;
    }
    case PixelFormat::pf4bit: {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(15 << shift)) | ((index & 15) << shift));
        break;
    }
    default: row[x] = static_cast<uint8_t>(index); break;
    }
}

// Expands a row of any format into N bytes a pixel: B, G, R and, for N = 4,
// alpha (the source's for pf32bit, 255 otherwise). The format is chosen
// once per row; each loop is a plain copy or a table lookup.
template <int N>
void expandRowTo(const uint8_t* src, PixelFormat pf, int width, const IndexTable& table, uint8_t* out) {
    switch (pf) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit:
        for (int x = 0; x < width; ++x, out += N) std::memcpy(out, table[static_cast<std::size_t>(indexAt(src, pf, x))].data(), N);
        break;
    case PixelFormat::pf15bit:
        for (int x = 0; x < width; ++x, out += N) {
            const unsigned w = src[2 * x] | (src[2 * x + 1] << 8);
            out[0] = expand5(w & 31);
            out[1] = expand5((w >> 5) & 31);
            out[2] = expand5((w >> 10) & 31);
            if constexpr (N == 4) out[3] = 255;
        }
        break;
    case PixelFormat::pf24bit:
        if constexpr (N == 3) {
            std::memcpy(out, src, static_cast<std::size_t>(width) * 3);
        } else {
            // Whole words: B, G, R and an opaque alpha at once.
            for (int x = 0; x < width; ++x, src += 3, out += 4) {
                const uint32_t v = src[0] | (src[1] << 8) | (src[2] << 16) | 0xFF000000u;
                std::memcpy(out, &v, 4);
            }
        }
        break;
    case PixelFormat::pf32bit:
        if constexpr (N == 4) {
            std::memcpy(out, src, static_cast<std::size_t>(width) * 4);
        } else {
            // Four bytes are copied for each pixel and the next pixel
            // overwrites the fourth; the last pixel is copied alone.
            int x = 0;
            for (; x + 1 < width; ++x, src += 4, out += 3) std::memcpy(out, src, 4);
            if (x < width) std::memcpy(out, src, 3);
        }
        break;
    case PixelFormat::pfCustom: break;
    }
}

// Nearest palette entries of the colours met, remembered for runs of the
// same colour.
class NearestIndex {
public:
    explicit NearestIndex(const Palette& palette) : palette_(palette) {}
    int operator()(Color c) {
        if (c != last_) {
            last_ = c;
            index_ = palette_.nearestIndex(c);
        }
        return index_;
    }

private:
    const Palette& palette_;
    Color last_ = clNone;
    int index_ = 0;
};

}  // namespace

int bitsPerPixel(PixelFormat pf) {
    switch (pf) {
    case PixelFormat::pf1bit: return 1;
    case PixelFormat::pf4bit: return 4;
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf15bit: return 16;
    case PixelFormat::pf24bit: return 24;
    case PixelFormat::pf32bit: return 32;
    case PixelFormat::pfCustom: return 0;
    }
    return 0;
}

int64_t bytesPerLine(int64_t width, PixelFormat pf) { return (width * bitsPerPixel(pf) + 31) / 32 * 4; }

bool bitmapSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= MaxBitmapSide && height <= MaxBitmapSide &&
           width * height <= MaxBitmapPixels;
}

Palette Bitmap::defaultPalette(PixelFormat pf) {
    switch (pf) {
    case PixelFormat::pf1bit: return Palette::gray(1);
    case PixelFormat::pf4bit: return Palette::standard16();
    case PixelFormat::pf8bit: {
        Palette p = Palette::standard16();
        p.resize(256);
        return p;
    }
    default: return {};
    }
}

Bitmap::PixelBytes::PixelBytes(const PixelBytes& o) {
    allocate(o.size_);
    if (size_) std::memcpy(data_.get(), o.data_.get(), size_);
}

Bitmap::PixelBytes& Bitmap::PixelBytes::operator=(const PixelBytes& o) {
    if (this != &o) *this = PixelBytes(o);
    return *this;
}

Bitmap::PixelBytes& Bitmap::PixelBytes::operator=(PixelBytes&& o) noexcept {
    if (this != &o) {
        size_ = std::exchange(o.size_, 0);
        data_ = std::move(o.data_);
    }
    return *this;
}

void Bitmap::PixelBytes::allocate(std::size_t size) {
    clear();
    if (size == 0) return;
    data_.reset(new uint8_t[size]);
    size_ = size;
}

void Bitmap::PixelBytes::clear() noexcept {
    data_.reset();
    size_ = 0;
}

Bitmap::Bitmap() = default;

Bitmap::Bitmap(int width, int height, PixelFormat pf) {
    setPixelFormat(pf);
    setSize(width, height);
}

Bitmap::Bitmap(Bitmap&& o) noexcept
    : Graphic(o), width_(std::exchange(o.width_, 0)), height_(std::exchange(o.height_, 0)),
      stride_(std::exchange(o.stride_, 0)), format_(o.format_), hasAlpha_(o.hasAlpha_),
      palette_(std::move(o.palette_)), pixels_(std::move(o.pixels_)) {}

Bitmap& Bitmap::operator=(Bitmap&& o) noexcept {
    if (this != &o) {
        Graphic::operator=(o);
        width_ = std::exchange(o.width_, 0);
        height_ = std::exchange(o.height_, 0);
        stride_ = std::exchange(o.stride_, 0);
        format_ = o.format_;
        hasAlpha_ = o.hasAlpha_;
        palette_ = std::move(o.palette_);
        pixels_ = std::move(o.pixels_);
        o.pixels_.clear();
    }
    return *this;
}

Bitmap::~Bitmap() = default;

void Bitmap::setPixelFormat(PixelFormat pf) {
    if (pf == PixelFormat::pfCustom) throw EInvalidGraphic(InvalidPixelFormatText);
    if (pf == format_) return;
    if (empty()) {
        format_ = pf;
        palette_ = defaultPalette(pf);
        if (pf != PixelFormat::pf32bit) hasAlpha_ = false;
        return;
    }
    Bitmap converted = convertedTo(pf);
    width_ = converted.width_;
    height_ = converted.height_;
    stride_ = converted.stride_;
    format_ = converted.format_;
    hasAlpha_ = converted.hasAlpha_;
    palette_ = std::move(converted.palette_);
    pixels_ = std::move(converted.pixels_);
}

void Bitmap::allocate(int width, int height) {
    if (!bitmapSizeAllowed(width, height))
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    const int64_t stride = gfx::bytesPerLine(width, format_);
    try {
        pixels_.allocate(static_cast<std::size_t>(stride * height));
    } catch (const std::bad_alloc&) {
        throw EOutOfResources(OutOfResourcesText);
    }
    width_ = width;
    height_ = height;
    stride_ = static_cast<int>(stride);
}

void Bitmap::setSize(int width, int height) {
    if (!bitmapSizeAllowed(width, height))
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    if (width == width_ && height == height_) return;
    Bitmap resized;
    resized.format_ = format_;
    resized.allocate(width, height);
    std::memset(resized.pixels_.data(), 0, resized.pixels_.size());
    // Keep what lies inside both sizes; bits of a shared last byte that
    // belong to pixels beyond the new width are cleared.
    const int keepWidth = std::min(width, width_), keepRows = std::min(height, height_);
    if (keepWidth > 0 && keepRows > 0) {
        const int64_t keepBits = int64_t{keepWidth} * bitsPerPixel();
        const auto keepBytes = static_cast<std::size_t>((keepBits + 7) / 8);
        const int spare = static_cast<int>(keepBytes * 8 - keepBits);
        for (int y = 0; y < keepRows; ++y) {
            uint8_t* dst = resized.pixels_.data() + static_cast<std::size_t>(resized.stride_) * y;
            std::memcpy(dst, pixels_.data() + static_cast<std::size_t>(stride_) * y, keepBytes);
            if (spare) dst[keepBytes - 1] &= static_cast<uint8_t>(0xFF << spare);
        }
    }
    pixels_ = std::move(resized.pixels_);
    width_ = width;
    height_ = height;
    stride_ = resized.stride_;
}

void Bitmap::setSizeForOverwrite(int width, int height) {
    if (!bitmapSizeAllowed(width, height))
        throw EInvalidGraphic("Invalid bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    if (width == width_ && height == height_) return;
    clear();  // the old pixels go first
    allocate(width, height);
    const std::size_t used = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel()) + 7) / 8;
    if (used < static_cast<std::size_t>(stride_))
        for (int y = 0; y < height; ++y)
            std::memset(pixels_.data() + static_cast<std::size_t>(stride_) * y + used, 0, stride_ - used);
}

void Bitmap::clear() {
    pixels_.clear();
    width_ = height_ = stride_ = 0;
}

uint8_t* Bitmap::scanLine(int y) {
    if (y < 0 || y >= height_) throw EInvalidGraphic("Scan line index out of range");
    return pixels_.data() + static_cast<std::size_t>(stride_) * y;
}

const uint8_t* Bitmap::scanLine(int y) const { return const_cast<Bitmap*>(this)->scanLine(y); }

Color Bitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
    const uint8_t* row = pixels_.data() + static_cast<std::size_t>(stride_) * y;
    if (isIndexed(format_)) return palette_.color(indexAt(row, format_, x));
    uint8_t bgr[4];
    const IndexTable none{};
    if (format_ == PixelFormat::pf15bit) {
        expandRowTo<3>(row + 2 * x, format_, 1, none, bgr);
    } else {
        const int n = bitsPerPixel() / 8;
        std::memcpy(bgr, row + static_cast<std::size_t>(n) * x, 3);
    }
    return rgb(bgr[2], bgr[1], bgr[0]);
}

void Bitmap::setPixel(int x, int y, Color c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    c = resolveColor(c);
    if (c == clNone || c == clDefault) c = clBlack;
    uint8_t* row = pixels_.data() + static_cast<std::size_t>(stride_) * y;
    switch (format_) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit: setIndexAt(row, format_, x, palette_.nearestIndex(c)); break;
    case PixelFormat::pf15bit: {
        const unsigned w = ((redOf(c) >> 3) << 10) | ((greenOf(c) >> 3) << 5) | (blueOf(c) >> 3);
        row[2 * x] = static_cast<uint8_t>(w);
        row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
        break;
    }
    case PixelFormat::pf24bit:
    case PixelFormat::pf32bit: {
        uint8_t* p = row + static_cast<std::size_t>(bitsPerPixel() / 8) * x;
        p[0] = blueOf(c);
        p[1] = greenOf(c);
        p[2] = redOf(c);
        break;
    }
    case PixelFormat::pfCustom: break;
    }
}

Bitmap Bitmap::convertedTo(PixelFormat pf) const {
    if (pf == PixelFormat::pfCustom) throw EInvalidGraphic(InvalidPixelFormatText);
    Bitmap out;
    out.setPixelFormat(pf);
    out.setTransparent(transparent());
    if (pf == format_) {
        out = *this;
        return out;
    }
    if (empty()) return out;
    const int outBytes = pf == PixelFormat::pf24bit ? 3 : 4;
    if (pf == PixelFormat::pf24bit || pf == PixelFormat::pf32bit) {
        // Every row is written whole below; only the padding is cleared.
        out.allocate(width_, height_);
        const std::size_t used = static_cast<std::size_t>(width_) * outBytes;
        if (used < static_cast<std::size_t>(out.stride_))
            for (int y = 0; y < height_; ++y)
                std::memset(out.pixels_.data() + static_cast<std::size_t>(out.stride_) * y + used, 0, out.stride_ - used);
    } else {
        out.setSize(width_, height_);
    }
    out.hasAlpha_ = hasAlpha_ && pf == PixelFormat::pf32bit && format_ == PixelFormat::pf32bit;

    const IndexTable table = isIndexed(format_) ? makeIndexTable(palette_) : IndexTable{};
    if (pf == PixelFormat::pf24bit || pf == PixelFormat::pf32bit) {
        for (int y = 0; y < height_; ++y) {
            const uint8_t* src = pixels_.data() + static_cast<std::size_t>(stride_) * y;
            uint8_t* dst = out.pixels_.data() + static_cast<std::size_t>(out.stride_) * y;
            if (pf == PixelFormat::pf24bit)
                expandRowTo<3>(src, format_, width_, table, dst);
            else
                expandRowTo<4>(src, format_, width_, table, dst);
        }
        return out;
    }
    if (isIndexed(pf) && isIndexed(format_) && bitsPerPixel() <= gfx::bitsPerPixel(pf)) {
        // A wider index keeps every index and the palette.
        out.palette_ = palette_;
        for (int y = 0; y < height_; ++y) {
            const uint8_t* src = scanLine(y);
            uint8_t* dst = out.scanLine(y);
            for (int x = 0; x < width_; ++x) setIndexAt(dst, pf, x, indexAt(src, format_, x));
        }
        return out;
    }
    // Through B, G, R: to 15 bits, or to the nearest colours of a palette.
    if (isIndexed(pf) && isIndexed(format_) && !palette_.empty() &&
        palette_.count() <= (1 << gfx::bitsPerPixel(pf)))
        out.palette_ = palette_;
    NearestIndex nearest(out.palette_);
    std::vector<uint8_t> bgr(static_cast<std::size_t>(width_) * 3);
    for (int y = 0; y < height_; ++y) {
        expandRowTo<3>(scanLine(y), format_, width_, table, bgr.data());
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            const uint8_t* p = &bgr[static_cast<std::size_t>(x) * 3];
            if (pf == PixelFormat::pf15bit) {
                const unsigned w = ((p[2] >> 3) << 10) | ((p[1] >> 3) << 5) | (p[0] >> 3);
                dst[2 * x] = static_cast<uint8_t>(w);
                dst[2 * x + 1] = static_cast<uint8_t>(w >> 8);
            } else {
                setIndexAt(dst, pf, x, nearest(rgb(p[2], p[1], p[0])));
            }
        }
    }
    return out;
}

void Bitmap::progress(ProgressStage stage, int percent, const Rect& rect, const std::string& message) const {
    if (progress_.handler) progress_.handler(stage, percent, rect, message);
}

void Bitmap::draw(Canvas& canvas, const Rect& rect) const {
    if (empty()) return;
    canvas.stretchBitmap(rect, *this, {0, 0, width_, height_});
}

void Bitmap::loadFromStream(Stream&) { throw EInvalidGraphic("A plain bitmap has no file format to load"); }

std::unique_ptr<Graphic> Bitmap::clone() const { return std::make_unique<Bitmap>(*this); }

}  // namespace gfx
