// The format registry of the image library: file extensions with their
// descriptions and the graphic classes that read them, the lookup of a
// file's reader by its content, and the loading of a picture file as the
// program does it. Every registration is passed on to the graphics layer's
// picture registry, so that load-by-extension and the open-picture dialogs
// know every extension.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imageformats/ImageFormats.h"
#include "platform/gfx/Picture.h"

namespace img {

// What kinds of pictures a format holds, a set of these bits (kept, not
// read by the program).
using TFormatTraits = uint8_t;
enum : TFormatTraits { ftAnimation = 1, ftLayers = 2, ftMultiImage = 4, ftRaster = 8, ftVector = 16 };

// The text of an extension registered a second time ("%s" is the extension).
inline constexpr const char* RegisterTwiceText = "Attempt to register %s twice.";

// One graphic class of the registry.
struct TClassEntry {
    const gfx::GraphicClass* GraphicClass = nullptr;
    // The common description of the class's extensions.
    std::string Description;
    // The number of extension entries that refer to this entry.
    uint32_t UseCount = 0;
    // Whether the class is one of the image library's readers (only those
    // are asked by content).
    bool FormatGraphic = false;
};

// One registered extension.
struct TExtensionEntry {
    std::string Extension;  // without the dot, as registered
    std::string Description;
    TFormatTraits FormatKinds = 0;
    TClassEntry* ClassEntry = nullptr;
};

class TFileFormatList {
public:
    // `platform` is the picture registry that registrations are passed on
    // to; null for none.
    explicit TFileFormatList(gfx::PictureFormats* platform);
    ~TFileFormatList();
    TFileFormatList(const TFileFormatList&) = delete;
    TFileFormatList& operator=(const TFileFormatList&) = delete;

    // Withdraws every class from the picture registry and empties both lists.
    void Clear();
    // The index of the first extension equal to `extension` ignoring case;
    // -1 for none or an empty text.
    int FindExtension(std::string_view extension) const;
    // The index of the entry of exactly that class; -1 for none.
    int FindGraphicClass(const gfx::GraphicClass& graphicClass) const;
    // Registers an extension for a class. An empty extension does nothing.
    // An extension already registered raises EInvalidGraphic
    // (RegisterTwiceText) unless `replace` is set, in which case it moves to
    // the new class. A non-empty common description becomes the class's.
    void RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                            std::string_view individualDescription, TFormatTraits formatKinds, bool replace,
                            const gfx::GraphicClass& graphicClass);
    // Removes an extension; the class goes with its last extension. An empty
    // extension removes the class with all its extensions (nothing for a
    // class that is not registered).
    void UnregisterFileFormat(std::string_view extension, const gfx::GraphicClass& graphicClass);
    // The first reader class, in the order of first registration, whose
    // signature test accepts the file's content; null for none (the
    // platform's own classes are not asked). EFOpenError when the file
    // cannot be opened.
    const gfx::GraphicClass* GraphicFromContent(const std::string& fileName) const;
    // The same for the stream's bytes from its position, which each test
    // leaves where it was.
    const gfx::GraphicClass* GraphicFromContent(gfx::Stream& stream) const;

    const std::vector<std::unique_ptr<TClassEntry>>& Classes() const { return classes_; }
    const std::vector<std::unique_ptr<TExtensionEntry>>& Extensions() const { return extensions_; }

private:
    TClassEntry& EntryFor(const gfx::GraphicClass& graphicClass, std::string_view commonDescription);
    void RemoveClass(std::size_t index);

    gfx::PictureFormats* platform_;
    std::vector<std::unique_ptr<TClassEntry>> classes_;
    std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

// The classes of the image library's readers.
const gfx::GraphicClass& TargaGraphicClass();
const gfx::GraphicClass& TiffGraphicClass();
const gfx::GraphicClass& EpsGraphicClass();
const gfx::GraphicClass& PcxGraphicClass();
const gfx::GraphicClass& RlaGraphicClass();
const gfx::GraphicClass& SgiGraphicClass();
const gfx::GraphicClass& PsdGraphicClass();
const gfx::GraphicClass& PpmGraphicClass();
const gfx::GraphicClass& AutodeskGraphicClass();
const gfx::GraphicClass& PcdGraphicClass();
const gfx::GraphicClass& GifGraphicClass();
const gfx::GraphicClass& CutGraphicClass();
const gfx::GraphicClass& PspGraphicClass();
const gfx::GraphicClass& PngGraphicClass();
// The Windows metafile class: its files are listed, but there is no reader
// for them here, so loading one raises the not-supported error.
const gfx::GraphicClass& MetafileGraphicClass();

// The classes of the formats that the platform reads itself. A class that
// is not given is replaced by one that raises the not-supported error.
struct TPlatformGraphicClasses {
    const gfx::GraphicClass* bitmap = nullptr;  // "bmp", "rle", "dib"
    const gfx::GraphicClass* icon = nullptr;    // "ico"
};

// Starts the image library: makes the registry and registers its 40
// extensions (the platform's bitmaps, icons, metafiles and JPEG images,
// then the readers) with the picture registry. Nothing when it has started.
void RegisterImageFormats(const TPlatformGraphicClasses& platform = {});
// Ends the image library: unregisters the classes and frees the registry.
void UnregisterImageFormats();
// The registry while the image library runs; null before it starts.
TFileFormatList* FileFormatList();

// Loads a picture file as the program does: by its content through the
// registry's readers, else as JPEG for ".jpg", ".jpeg" and ".jif", else by
// its extension through the picture registry. When a reader of the library
// read it, its properties are copied into `properties` (when given). The
// readers' errors reach the caller, and the picture is then unchanged.
void LoadPictureFile(const std::string& fileName, gfx::Picture& picture, TImageProperties* properties = nullptr);

}  // namespace img
