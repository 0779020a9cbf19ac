#include "platform/gfx/Picture.h"

#include <algorithm>
#include <climits>

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

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) { return le16(p) | (uint32_t{le16(p + 2)} << 16); }

}  // namespace

bool isWindowsBitmap(Stream& s) {
    PositionKeeper kept(s);
    const uint64_t size = s.remaining();
    uint8_t h[30] = {};  // the file header and the fields of the info header asked
    if (s.read(h, sizeof h) < 26 || h[0] != 'B' || h[1] != 'M') return false;
    const uint32_t infoSize = le32(h + 14);
    const bool core = infoSize == 12;
    if (!core && infoSize != 16 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 &&
        infoSize != 108 && infoSize != 124)
        return false;
    // The whole info header, and so every field read below, is in the file.
    if (14 + uint64_t{infoSize} > size) return false;
    const int64_t width = core ? le16(h + 18) : static_cast<int32_t>(le32(h + 18));
    const int64_t height = core ? le16(h + 20) : static_cast<int32_t>(le32(h + 22));
    const uint16_t planes = le16(h + (core ? 22 : 26)), bits = le16(h + (core ? 24 : 28));
    const bool bitsKnown = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return width > 0 && height != 0 && height != INT32_MIN && planes == 1 && bitsKnown;
}

bool isWindowsIcon(Stream& s) {
    PositionKeeper kept(s);
    const uint64_t size = s.remaining();
    uint8_t h[6] = {};
    if (s.read(h, sizeof h) != sizeof h || le16(h) != 0 || le16(h + 2) != 1 || le16(h + 4) == 0) return false;
    const std::size_t entries = le16(h + 4);
    if (sizeof h + 16 * uint64_t{entries} > size) return false;
    // Zero-filled: should the file end sooner than its size said, the
    // entries missing have images of size 0, which are refused.
    std::vector<uint8_t> directory(16 * entries);
    s.read(directory.data(), directory.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const uint8_t* entry = &directory[16 * i];
        const uint32_t bytes = le32(entry + 8), offset = le32(entry + 12);
        if (bytes == 0 || uint64_t{offset} + bytes > size) return false;
    }
    return true;
}

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
