#include "htmllistbox/ImageContainer.h"

#include <QFile>
#include <algorithm>
#include <cstring>

#include "model/TextConv.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Stream.h"
#include "platform/gfx/TickSource.h"

namespace {

int ReadU16(std::span<const uint8_t> d, std::size_t at) { return d[at] | (d[at + 1] << 8); }

// The offset after the sub-blocks that start at `at` (each a length byte and
// that many bytes, ended by a zero length); npos when the data ends first.
std::size_t SkipSubBlocks(std::span<const uint8_t> d, std::size_t at) {
    while (at < d.size()) {
        const std::size_t n = d[at];
        at += 1 + n;
        if (n == 0) return at;
    }
    return std::string::npos;
}

// Bytes of a colour table announced by a packed field.
std::size_t ColorTableSize(uint8_t packed) { return (packed & 0x80) ? std::size_t{3} << ((packed & 7) + 1) : 0; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return text.size() >= n && SameText(std::string_view(text).substr(0, n), prefix);
}

}  // namespace

std::optional<GifLayout> ScanGifBlocks(std::span<const uint8_t> d) {
    if (d.size() < 13 || std::memcmp(d.data(), "GIF8", 4) != 0) return std::nullopt;
    GifLayout layout;
    layout.screenWidth = ReadU16(d, 6);
    layout.screenHeight = ReadU16(d, 8);
    std::size_t pos = 13 + ColorTableSize(d[10]);
    std::size_t pendingStart = std::string::npos;  // the first extension since the last image
    GifFrameInfo control;                          // the last graphic control extension's values
    while (pos < d.size()) {
        const uint8_t kind = d[pos];
        if (kind == 0x21) {  // an extension: label, then sub-blocks
            if (pos + 2 > d.size()) break;
            if (d[pos + 1] == 0xF9 && pos + 8 <= d.size() && d[pos + 2] >= 4) {
                if (pendingStart == std::string::npos) pendingStart = pos;
                const uint8_t packed = d[pos + 3];
                control.delay = ReadU16(d, pos + 4);
                control.transparent = packed & 1;
                control.disposal = (packed >> 2) & 7;
            }
            const std::size_t next = SkipSubBlocks(d, pos + 2);
            if (next == std::string::npos) break;
            pos = next;
        } else if (kind == 0x2C) {  // an image: descriptor, colour table, code size, data
            if (pos + 10 > d.size()) break;
            GifFrameInfo frame = control;
            frame.start = pendingStart == std::string::npos ? pos : pendingStart;
            frame.left = ReadU16(d, pos + 1);
            frame.top = ReadU16(d, pos + 3);
            frame.width = ReadU16(d, pos + 5);
            frame.height = ReadU16(d, pos + 7);
            const std::size_t next = SkipSubBlocks(d, pos + 10 + ColorTableSize(d[pos + 9]) + 1);
            if (next == std::string::npos) break;
            layout.frames.push_back(frame);
            pos = next;
            pendingStart = std::string::npos;
            control = {};
        } else {  // the trailer, or a byte that starts no block
            break;
        }
    }
    return layout;
}

// ---- THtmlImage ---------------------------------------------------------------

const GifLayout* THtmlImage::Layout() const {
    if (!layout_) layout_ = ScanGifBlocks(data_);
    return *layout_ ? &**layout_ : nullptr;
}

int THtmlImage::FrameCount() const {
    const GifLayout* gif = Layout();
    return gif ? static_cast<int>(gif->frames.size()) : 0;
}

int THtmlImage::width() const {
    const GifLayout* gif = Layout();
    if (gif && !gif->frames.empty() && gif->screenWidth > 0) return gif->screenWidth;
    return picture_ ? picture_->width() * PixelsPerInchX / 96 : 0;
}

int THtmlImage::height() const {
    const GifLayout* gif = Layout();
    if (gif && !gif->frames.empty() && gif->screenHeight > 0) return gif->screenHeight;
    return picture_ ? picture_->height() * PixelsPerInchY / 96 : 0;
}

void THtmlImage::LoadPicture() {
    picture_.reset();
    frameRect_ = {};
    std::vector<uint8_t> spliced;
    std::span<const uint8_t> bytes = data_;
    const GifLayout* gif = Layout();
    if (gif && !gif->frames.empty()) {
        // The file up to the first frame, then the file from the wanted frame
        // on: the first image a reader meets is the wanted one.
        frame_ = std::clamp(frame_, 1, static_cast<int>(gif->frames.size()));
        const GifFrameInfo& wanted = gif->frames[static_cast<std::size_t>(frame_ - 1)];
        const std::size_t head = gif->frames.front().start;
        spliced.reserve(head + (data_.size() - wanted.start));
        spliced.insert(spliced.end(), data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(head));
        spliced.insert(spliced.end(), data_.begin() + static_cast<std::ptrdiff_t>(wanted.start), data_.end());
        bytes = spliced;
        frameRect_ = gfx::rectOfSize(wanted.left, wanted.top, wanted.width, wanted.height);
    }
    gfx::Picture picture;
    try {
        picture.loadFromBytes(bytes);
    } catch (const std::exception&) {
        throw gfx::EInvalidGraphic("Could not load image. Invalid format");
    }
    gfx::Bitmap bitmap = picture.bitmap();
    if (bitmap.empty()) throw gfx::EInvalidGraphic("Could not load image");
    picture_ = std::make_shared<const gfx::Bitmap>(std::move(bitmap));
}

void THtmlImage::LoadFromBytes(std::vector<uint8_t> bytes) {
    data_ = std::move(bytes);
    layout_.reset();
    empty_ = false;
    frame_ = 1;
    threshold_ = -1;
    animationStart_.reset();
    LoadPicture();
    if (OnChange) OnChange();
}

void THtmlImage::loadFromStream(gfx::Stream& stream) { LoadFromBytes(stream.readAll()); }

void THtmlImage::loadFromFile(const std::string& fileName) {
    try {
        gfx::FileStream stream(fileName);
        LoadFromBytes(stream.readAll());
    } catch (const std::exception&) {
        // A picture that cannot be read stays empty.
        data_.clear();
        layout_.reset();
        picture_.reset();
        empty_ = true;
    }
}

void THtmlImage::saveToStream(gfx::Stream& stream) const { stream.writeExact(data_.data(), data_.size()); }

void THtmlImage::Assign(const THtmlImage* other) {
    if (!other) {
        data_.clear();
        layout_.reset();
        picture_.reset();
        empty_ = true;
        frame_ = 1;
        if (OnChange) OnChange();
        return;
    }
    LoadFromBytes(other->data_);
}

void THtmlImage::SetPictureSource(const std::string& text) {
    id_ = text;
    if (StartsWithNoCase(text, "RES://")) {
        QFile resource(":/res/" + QString::fromStdString(text.substr(6)));
        if (!resource.open(QIODevice::ReadOnly)) return;
        const QByteArray bytes = resource.readAll();
        try {
            LoadFromBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        } catch (const std::exception&) {
            // An unreadable resource shows nothing.
        }
    } else if (StartsWithNoCase(text, "FILE://")) {
        loadFromFile(text.substr(7));
    } else {
        url_ = text;
        if (Asynchronous) downloadStarted_ = true;
    }
}

void THtmlImage::SetFrame(int frame) {
    frame_ = std::max(frame, 1);
    if (!data_.empty()) LoadPicture();
    if (OnFrameChange) OnFrameChange();
}

int THtmlImage::FrameDelay(int frame) {
    const GifLayout* gif = Layout();
    if (!gif || frame < 1 || frame > static_cast<int>(gif->frames.size())) return 0;
    const GifFrameInfo& f = gif->frames[static_cast<std::size_t>(frame - 1)];
    frameTransparent_ = f.transparent;
    frameDisposal_ = f.disposal;
    return f.delay;
}

bool THtmlImage::StepAnimation() {
    if (FrameCount() < 2 || empty_) return false;
    const uint64_t now = gfx::tickSource().milliseconds();
    if (!animationStart_) animationStart_ = now;
    const int64_t elapsed = static_cast<int64_t>((now - *animationStart_) / 10);
    // The first step reads the frame's values but leaves the threshold at -1,
    // so the first due time comes at once.
    if (threshold_ == -1) FrameDelay(frame_);
    if (elapsed < threshold_) return false;
    const int next = frame_ >= FrameCount() ? 1 : frame_ + 1;
    try {
        SetFrame(next);
    } catch (const std::exception&) {
        picture_.reset();  // an unreadable frame shows nothing
    }
    const int delay = FrameDelay(frame_);
    threshold_ += delay;
    // After a pause (no steps for a while) go on from now instead of racing
    // through the frames that were missed.
    if (threshold_ < elapsed) threshold_ = elapsed + delay;
    return true;
}

void THtmlImage::Paint(gfx::Canvas& canvas, const gfx::Rect& rect, bool stretch) const {
    if (empty()) return;
    const gfx::Bitmap& b = *picture_;
    const gfx::Rect source{0, 0, b.width(), b.height()};
    if (stretch) {
        canvas.stretchBitmap(rect, b, source);
        return;
    }
    // A reader that gives the frame alone (not the whole screen) leaves its
    // placement to us.
    int x = rect.left, y = rect.top;
    const GifLayout* gif = Layout();
    if (gif && b.width() == frameRect_.width() && b.height() == frameRect_.height() &&
        (b.width() != gif->screenWidth || b.height() != gif->screenHeight)) {
        x += frameRect_.left * canvas.logicalDpi() / 96;
        y += frameRect_.top * canvas.logicalDpi() / 96;
    }
    const int dpi = canvas.logicalDpi();
    canvas.stretchBitmap(gfx::rectOfSize(x, y, b.width() * dpi / 96, b.height() * dpi / 96), b, source);
}

// ---- Cache and container ---------------------------------------------------------

THtmlImage& THtmlImageCache::AddPicture() { return *pictures_.emplace_back(std::make_unique<THtmlImage>()); }

THtmlImage* THtmlImageCache::FindPicture(const std::string& id) {
    for (auto& p : pictures_)
        if (p->ID() == id) return p.get();
    return nullptr;
}

bool THtmlImageCache::StepAnimations() {
    bool changed = false;
    for (auto& p : pictures_) changed = p->StepAnimation() || changed;
    return changed;
}

TPictureItem& TPictureCollection::Add() { return *items_.emplace_back(std::make_unique<TPictureItem>()); }

void TPictureCollection::Delete(int index) {
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

THtmlImage* TImageContainer::FindPicture(const std::string& name) {
    for (int i = 0; i < items_.Count(); ++i)
        if (SameText(items_[i].Name, name)) return &items_[i].Picture;
    return nullptr;
}

bool TImageContainer::StepAnimations() {
    bool changed = false;
    for (int i = 0; i < items_.Count(); ++i) changed = items_[i].Picture.StepAnimation() || changed;
    return changed;
}
