#include "preview/GlTexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QOpenGLContext>
#include <algorithm>
#include <cmath>

#include "model/TextConv.h"
#include "model/Types.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"
#include "preview/GlResources.h"

namespace {

constexpr int TgaHeaderSize = 18;
constexpr int BmpHeaderSize = 54;

void PutLE16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLE32(uint8_t* p, uint32_t v) {
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}

// Writes the whole block; false when fewer bytes were stored.
bool WriteAll(gfx::Stream& s, const void* data, std::size_t n) { return s.write(data, n) == n; }

uint8_t Clamp255(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

TGlTexture::TGlTexture() : minFilter(GL_LINEAR), magFilter(GL_LINEAR), wrapS(GL_REPEAT), wrapT(GL_REPEAT) {}

TGlTexture::~TGlTexture() { FreeData(); }

void TGlTexture::FreeData() { std::vector<uint8_t>().swap(pixels_); }

bool TGlTexture::LoadFromGraphic(const gfx::Graphic* graphic) {
    if (!graphic || graphic->empty()) return false;
    try {
        const gfx::Bitmap bitmap = graphic->toBitmap().convertedTo(gfx::PixelFormat::pf32bit);
        const int32_t w = bitmap.width(), h = bitmap.height();
        std::vector<uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        const std::size_t row = static_cast<std::size_t>(w) * 4;
        for (int32_t y = 0; y < h; ++y)
            std::copy_n(bitmap.scanLine(h - 1 - y), row, pixels.data() + static_cast<std::size_t>(y) * row);
        pixels_.swap(pixels);
        width_ = w;
        height_ = h;
    } catch (const gfx::Error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    bitsPerPixel_ = 32;
    SetAlpha(255);
    channelOrder_ = OrderBGRA;
    return true;
}

bool TGlTexture::LoadTGA(const std::string& fileName) {
    if (!FileExistsNonBlank(fileName)) return false;
    try {
        gfx::FileStream file(fileName);
        uint8_t header[TgaHeaderSize];
        if (file.read(header, sizeof header) != sizeof header) return false;
        if (header[1] != 0 || header[2] != 2) return false;  // no colour map, uncompressed true colour
        const int32_t w = header[12] | (header[13] << 8);
        const int32_t h = header[14] | (header[15] << 8);
        const int32_t bits = header[16];
        if (bits != 24 && bits != 32) return false;
        if (!gfx::bitmapSizeAllowed(w, h)) return false;
        file.skip(header[0]);  // the image identification
        const int64_t size = static_cast<int64_t>(w) * h * (bits / 8);
        if (static_cast<uint64_t>(size) > file.remaining()) return false;
        std::vector<uint8_t> data(static_cast<std::size_t>(size));
        if (file.read(data.data(), data.size()) != data.size()) return false;
        width_ = w;
        height_ = h;
        bitsPerPixel_ = bits;
        dataSize_ = size;
        if (bits == 24) {
            pixels_.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 0);
            Expand24To32(data.data(), 0);
            SetAlpha(255);
        } else {
            pixels_.swap(data);
        }
        // Bit 5 of the image descriptor: the file starts with the top row.
        if (header[17] & 0x20) FlipVertical();
    } catch (const gfx::Error&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    channelOrder_ = OrderBGRA;
    return true;
}

bool TGlTexture::SaveImage(const std::string& fileName) {
    const std::string ext = LowerCase(ExtractFileExt(fileName));
    if (ext == ".bmp") return SaveBMP(fileName);
    if (ext == ".jpg") return SaveJPG(fileName);
    if (ext == ".tga") return SaveTGA(fileName);
    return false;
}

template <typename Write>
bool TGlTexture::SaveAsBGRA(Write&& write) {
    if (pixels_.empty()) return false;
    // Put the pixels back in their order on every way out, also an error.
    struct Restore {
        TGlTexture& t;
        bool swapped;
        ~Restore() {
            if (swapped) t.SetChannelOrder(OrderRGBA);
        }
    } restore{*this, SetChannelOrder(OrderBGRA)};
    return write();
}

bool TGlTexture::SaveBMP(const std::string& fileName) {
    return SaveAsBGRA([&] {
        const uint32_t imageSize = static_cast<uint32_t>(pixels_.size());
        uint8_t header[BmpHeaderSize] = {};
        header[0] = 'B';
        header[1] = 'M';
        PutLE32(header + 2, BmpHeaderSize + imageSize);
        PutLE32(header + 10, BmpHeaderSize);
        PutLE32(header + 14, 40);
        PutLE32(header + 18, static_cast<uint32_t>(width_));
        PutLE32(header + 22, static_cast<uint32_t>(height_));
        PutLE16(header + 26, 1);
        PutLE16(header + 28, 32);
        PutLE32(header + 34, imageSize);
        gfx::FileStream file(fileName, gfx::FileStream::Mode::Create);
        return WriteAll(file, header, sizeof header) && WriteAll(file, pixels_.data(), pixels_.size()) &&
               file.commit();
    });
}

bool TGlTexture::SaveTGA(const std::string& fileName) {
    return SaveAsBGRA([&] {
        uint8_t header[TgaHeaderSize] = {};
        header[2] = 2;
        PutLE16(header + 12, static_cast<uint32_t>(width_));
        PutLE16(header + 14, static_cast<uint32_t>(height_));
        header[16] = 32;
        gfx::FileStream file(fileName, gfx::FileStream::Mode::Create);
        return WriteAll(file, header, sizeof header) && WriteAll(file, pixels_.data(), pixels_.size()) &&
               file.commit();
    });
}

bool TGlTexture::SaveJPG(const std::string& fileName) {
    return SaveAsBGRA([&] {
        gfx::JpegImage image;
        try {
            image.setSize(width_, height_);
        } catch (const gfx::EInvalidGraphic&) {
            return false;
        }
        // Colour from the B, G, R bytes, rows turned top-down.
        for (int32_t y = 0; y < height_; ++y) {
            const uint8_t* from = pixels_.data() + static_cast<std::size_t>(height_ - 1 - y) * width_ * 4;
            uint8_t* to = image.scanLine(y);
            for (int32_t x = 0; x < width_; ++x, from += 4, to += 3) std::copy_n(from, 3, to);
        }
        image.setQuality(jpgQuality_);
        image.saveToFile(fileName);
        return true;
    });
}

bool TGlTexture::CaptureScreen(const std::string& fileName) { return SaveScreen(fileName); }

bool TGlTexture::SaveScreen(const std::string& fileName) {
    if (!QOpenGLContext::currentContext()) return false;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] < 1 || viewport[3] < 1) return false;
    width_ = viewport[2];
    height_ = viewport[3];
    bitsPerPixel_ = 32;
    FreeData();
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    channelOrder_ = OrderRGBA;
    return fileName.empty() || SaveImage(fileName);
}

bool TGlTexture::AddAlphaFromGraphic(const gfx::Graphic* graphic, float low, float high) {
    TGlTexture mask;
    if (!mask.LoadFromGraphic(graphic)) return false;
    if (mask.width_ != width_ || mask.height_ != height_ || pixels_.empty()) return false;
    const double l = low, span = static_cast<double>(high) - low;
    for (std::size_t i = 0; i < pixels_.size(); i += 4) {
        const int s = mask.pixels_[i] + mask.pixels_[i + 1] + mask.pixels_[i + 2];
        pixels_[i + 3] = Clamp255(255 - Round(255 * (l + span * s / 765.0)));
    }
    return true;
}

bool TGlTexture::CompositeOverColor(double r, double g, double b) {
    if (pixels_.empty()) return false;
    const double background[3] = {b, g, r};
    for (std::size_t i = 0; i < pixels_.size(); i += 4) {
        const double a = pixels_[i + 3];
        for (int k = 0; k < 3; ++k) {
            const double c = background[k];
            pixels_[i + k] = Clamp255(Round(255 * c + (pixels_[i + k] / 255.0 - c) * a));
        }
        pixels_[i + 3] = 255;
    }
    return true;
}

bool TGlTexture::FlipVertical() {
    if (pixels_.empty()) return false;
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    for (int32_t i = 0; i < height_ / 2; ++i)
        std::swap_ranges(pixels_.begin() + static_cast<std::ptrdiff_t>(i * row),
                         pixels_.begin() + static_cast<std::ptrdiff_t>((i + 1) * row),
                         pixels_.begin() + static_cast<std::ptrdiff_t>((height_ - 1 - i) * row));
    return true;
}

void TGlTexture::SetJPGQuality(int32_t quality) { jpgQuality_ = std::clamp(quality, 1, 100); }

void TGlTexture::GenTexture() {
    if (pixels_.empty()) return;
    const GLScope gl;
    if (!gl.ok()) return;
    if (textureName_ != 0 && glIsTexture(textureName_)) glDeleteTextures(1, &textureName_);
    GLuint name = 0;
    glGenTextures(1, &name);
    textureName_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width_, height_, channelOrder_ == OrderRGBA ? GL_RGBA : GL_BGRA_EXT,
                      GL_UNSIGNED_BYTE, pixels_.data());
}

bool TGlTexture::SetChannelOrder(ChannelOrder order) {
    if (order == channelOrder_) return false;
    channelOrder_ = order;
    for (std::size_t i = 0; i + 3 < pixels_.size(); i += 4) std::swap(pixels_[i], pixels_[i + 2]);
    return true;
}

void TGlTexture::Expand24To32(const uint8_t* source, int32_t rowPadding) {
    uint8_t* to = pixels_.data();
    for (int32_t y = 0; y < height_; ++y) {
        for (int32_t x = 0; x < width_; ++x, source += 3, to += 4) std::copy_n(source, 3, to);
        source += rowPadding;
    }
}

void TGlTexture::SetAlpha(uint8_t a) {
    for (std::size_t i = 3; i < pixels_.size(); i += 4) pixels_[i] = a;
}
