#include "platform/gfx/Picture.h"

#include <algorithm>

#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"

namespace gfx {

namespace {

std::string normalExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    std::string e(extension);
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return e;
}

// The extension of a file name, lower case, without the dot; empty when the
// name part has none.
std::string extensionOf(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return normalExtension(std::string_view(fileName).substr(dot + 1));
}

// Restores a stream's position when it goes out of scope.
class PositionKeeper {
public:
    explicit PositionKeeper(Stream& s) : stream_(s), position_(s.position()) {}
    ~PositionKeeper() { stream_.seek(position_); }

private:
    Stream& stream_;
    uint64_t position_;
};

}  // namespace

void PictureFormats::registerFileFormat(std::string_view extension, std::string_view description,
                                        const GraphicClass& cls) {
    std::string e = normalExtension(extension);
    if (e.empty()) return;
    entries_.push_back({std::move(e), std::string(description), &cls});
}

void PictureFormats::unregisterGraphicClass(const GraphicClass& cls) {
    std::erase_if(entries_, [&](const Entry& e) { return e.graphicClass == &cls; });
}

const GraphicClass* PictureFormats::classForExtension(std::string_view extension) const {
    const std::string e = normalExtension(extension);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->extension == e) return it->graphicClass;
    return nullptr;
}

const GraphicClass* PictureFormats::classFromContent(Stream& stream) const {
    PositionKeeper keep(stream);
    std::vector<const GraphicClass*> asked;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        const GraphicClass* cls = it->graphicClass;
        if (!cls->canLoad || std::find(asked.begin(), asked.end(), cls) != asked.end()) continue;
        asked.push_back(cls);
        const uint64_t position = stream.position();
        const bool accepted = cls->canLoad(stream);
        stream.seek(position);
        if (accepted) return cls;
    }
    return nullptr;
}

std::string PictureFormats::dialogFilter() const {
    // One pair per extension, in the order first registered, with the
    // description of its latest registration.
    std::vector<const Entry*> shown;
    for (const Entry& e : entries_) {
        auto same = std::find_if(shown.begin(), shown.end(), [&](const Entry* s) { return s->extension == e.extension; });
        if (same == shown.end())
            shown.push_back(&e);
        else
            *same = &e;
    }
    std::string all, each;
    for (const Entry* e : shown) {
        if (!all.empty()) all += ';';
        all += "*." + e->extension;
        each += e->description + " (*." + e->extension + ")|*." + e->extension + "|";
    }
    return "All pictures|" + all + "|" + each;
}

PictureFormats& pictureFormats() {
    static PictureFormats formats = [] {
        PictureFormats f;
        f.registerFileFormat("jfif", "JFIF images", JpegImage::graphicClass());
        f.registerFileFormat("jpg", "JPG images", JpegImage::graphicClass());
        f.registerFileFormat("jpe", "JPE images", JpegImage::graphicClass());
        f.registerFileFormat("jpeg", "JPEG images", JpegImage::graphicClass());
        return f;
    }();
    return formats;
}

void Picture::loadFromFile(const std::string& fileName) {
    const std::string extension = extensionOf(fileName);
    const GraphicClass* cls = pictureFormats().classForExtension(extension);
    if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<Graphic> graphic = cls->create();
    graphic->loadFromFile(fileName);
    graphic_ = std::move(graphic);
}

void Picture::loadFromStream(Stream& stream) {
    const GraphicClass* cls = pictureFormats().classFromContent(stream);
    if (!cls) throw EInvalidGraphic("Unknown picture format");
    std::unique_ptr<Graphic> graphic = cls->create();
    graphic->loadFromStream(stream);
    graphic_ = std::move(graphic);
}

void Picture::loadFromBytes(std::span<const uint8_t> bytes) {
    MemoryStream stream(bytes);
    loadFromStream(stream);
}

void Picture::saveToFile(const std::string& fileName) const {
    if (!graphic_) throw EInvalidGraphic("The picture is empty");
    graphic_->saveToFile(fileName);
}

Bitmap Picture::bitmap() const { return graphic_ ? graphic_->toBitmap() : Bitmap(); }

}  // namespace gfx
