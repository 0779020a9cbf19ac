// Pictures loaded by file extension or by content, through a registry of
// graphic classes. The graphics layer registers JPEG; the Qt side registers
// the formats Qt reads (BMP, PNG, ICO, GIF) until the image library
// registers its own readers, which then take precedence.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

namespace gfx {

class Stream;

// A kind of graphic: its name, how to make an empty one, and its signature
// test. A class is known by its address: define each one once, as a
// constant with static storage.
struct GraphicClass {
    const char* name;
    // Makes an empty graphic of this kind.
    std::unique_ptr<Graphic> (*create)();
    // True when the stream's bytes from its position look like this format;
    // must leave the position where it found it. Null for a format without a
    // signature (found by extension only).
    bool (*canLoad)(Stream& stream);
};

// File extensions and the classes that read them.
class PictureFormats {
public:
    struct Entry {
        std::string extension;  // lower case, without the dot
        std::string description;
        const GraphicClass* graphicClass;
    };

    // Registers an extension (with or without a leading dot, any case) for a
    // class. A later registration of an extension takes precedence over an
    // earlier one, which comes back when the later class is unregistered.
    void registerFileFormat(std::string_view extension, std::string_view description, const GraphicClass& cls);
    // Removes every extension of the class.
    void unregisterGraphicClass(const GraphicClass& cls);

    // The class registered last for the extension (any case, with or without
    // the dot); null when none is.
    const GraphicClass* classForExtension(std::string_view extension) const;
    // The class whose signature test accepts the stream's bytes, asking the
    // classes registered last first; null when none does. The stream's
    // position is left as it was.
    const GraphicClass* classFromContent(Stream& stream) const;

    // Every registration, in the order made.
    const std::vector<Entry>& entries() const { return entries_; }
    // The filter of an open-picture dialog, as pairs of a description and
    // its patterns, each part ended by "|": "All pictures|*.a;*.b;...|",
    // then "description (*.ext)|*.ext|" per extension.
    std::string dialogFilter() const;

private:
    std::vector<Entry> entries_;
};

// The signature tests of the Windows bitmap and icon files, which the
// platform reads (the Qt side registers its readers with these tests), here
// so that a part of the program without Qt tells them the same way. Each
// leaves the stream where it found it.
//
// A Windows bitmap: "BM", the 14-byte file header, then a whole info header
// of a known size (12 for the core header with 16-bit sizes, the others with
// signed 32-bit sizes, a negative height for rows top first) whose picture
// has pixels, one plane and a known bit count. Any other file that happens
// to begin with "BM" (a text, say) is not one.
bool isWindowsBitmap(Stream& stream);
// A Windows icon: reserved 0, type 1, at least one image, the directory (16
// bytes an image) within the file, and each image (its size, not 0, from its
// offset from the start of the icon) within the file too.
bool isWindowsIcon(Stream& stream);

// The registry that pictures use; the JPEG class is registered in it from the
// start ("jpg", "jpeg", "jpe", "jfif").
PictureFormats& pictureFormats();

// Holds one graphic of any registered kind.
class Picture {
public:
    Picture() = default;
    Picture(Picture&&) noexcept = default;
    Picture& operator=(Picture&&) noexcept = default;

    // Loads the file by its extension (the class registered for it).
    // EInvalidGraphic "Unknown picture file extension (.ext)" for an
    // extension no class reads; the reader's own error for a bad file. On
    // any error the picture keeps what it held.
    void loadFromFile(const std::string& fileName);
    // Loads the stream by its content. EInvalidGraphic "Unknown picture
    // format" when no class recognises it; on any error the picture keeps
    // what it held.
    void loadFromStream(Stream& stream);
    void loadFromBytes(std::span<const uint8_t> bytes);
    // Writes the graphic in its own format to the file.
    void saveToFile(const std::string& fileName) const;

    // Becomes a copy of the graphic.
    void assign(const Graphic& graphic) { graphic_ = graphic.clone(); }
    void setGraphic(std::unique_ptr<Graphic> graphic) { graphic_ = std::move(graphic); }
    const Graphic* graphic() const { return graphic_.get(); }
    Graphic* graphic() { return graphic_.get(); }
    void clear() { graphic_.reset(); }

    int width() const { return graphic_ ? graphic_->width() : 0; }
    int height() const { return graphic_ ? graphic_->height() : 0; }
    bool empty() const { return !graphic_ || graphic_->empty(); }
    // The graphic as a bitmap; an empty bitmap when there is none.
    Bitmap bitmap() const;

private:
    std::unique_ptr<Graphic> graphic_;
};

}  // namespace gfx
