#include "imageformats/ImageRegistration.h"

#include <algorithm>

#include "imageformats/ImageGif.h"
#include "imageformats/ImageHalo.h"
#include "imageformats/ImagePcd.h"
#include "imageformats/ImagePcx.h"
#include "imageformats/ImagePng.h"
#include "imageformats/ImagePpm.h"
#include "imageformats/ImagePsd.h"
#include "imageformats/ImagePsp.h"
#include "imageformats/ImageRla.h"
#include "imageformats/ImageSgi.h"
#include "imageformats/ImageTarga.h"
#include "imageformats/ImageTiff.h"
#include "platform/gfx/Errors.h"
#include "platform/gfx/Jpeg.h"
#include "platform/gfx/Stream.h"

namespace img {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// The class of a reader of the library.
template <class T>
const gfx::GraphicClass& ReaderClass(const char* name) {
    static const gfx::GraphicClass cls{name, [] { return std::unique_ptr<gfx::Graphic>(new T()); }, T::CanLoad};
    return cls;
}

// A picture of a format that cannot be read here: loading raises the
// not-supported error with the format's name.
template <int Kind>
class TUnsupportedGraphic : public gfx::Bitmap {
public:
    static constexpr const char* Names[3] = {"WMF/EMF", "BMP", "ICO"};
    void loadFromStream(gfx::Stream&) override {
        RaiseImageError(NotSupportedText, {"The picture format is", Names[Kind]});
    }
    std::unique_ptr<gfx::Graphic> clone() const override { return std::make_unique<TUnsupportedGraphic>(*this); }
};

template <int Kind>
const gfx::GraphicClass& UnsupportedClass(const char* name) {
    static const gfx::GraphicClass cls{name, [] { return std::unique_ptr<gfx::Graphic>(new TUnsupportedGraphic<Kind>()); },
                                       nullptr};
    return cls;
}

// The registry while the library runs, freed by UnregisterImageFormats (not
// by a destructor at exit: the picture registry it withdraws its classes
// from may be gone by then).
TFileFormatList*& TheList() {
    static TFileFormatList* list = nullptr;
    return list;
}

}  // namespace

// ---- The registry -------------------------------------------------------------

TFileFormatList::TFileFormatList(gfx::PictureFormats* platform) : platform_(platform) {}

TFileFormatList::~TFileFormatList() { Clear(); }

void TFileFormatList::Clear() {
    for (const auto& entry : classes_)
        if (platform_) platform_->unregisterGraphicClass(*entry->GraphicClass);
    classes_.clear();
    extensions_.clear();
}

int TFileFormatList::FindExtension(std::string_view extension) const {
    if (extension.empty()) return -1;
    for (std::size_t i = 0; i < extensions_.size(); ++i)
        if (EqualIgnoringCase(extensions_[i]->Extension, extension)) return static_cast<int>(i);
    return -1;
}

int TFileFormatList::FindGraphicClass(const gfx::GraphicClass& graphicClass) const {
    for (std::size_t i = 0; i < classes_.size(); ++i)
        if (classes_[i]->GraphicClass == &graphicClass) return static_cast<int>(i);
    return -1;
}

TClassEntry& TFileFormatList::EntryFor(const gfx::GraphicClass& graphicClass, std::string_view commonDescription) {
    const int index = FindGraphicClass(graphicClass);
    TClassEntry* entry;
    if (index < 0) {
        auto made = std::make_unique<TClassEntry>();
        made->GraphicClass = &graphicClass;
        const std::unique_ptr<gfx::Graphic> sample = graphicClass.create();
        made->FormatGraphic = dynamic_cast<const TFormatGraphic*>(sample.get()) != nullptr;
        entry = made.get();
        classes_.push_back(std::move(made));
    } else {
        entry = classes_[static_cast<std::size_t>(index)].get();
    }
    if (!commonDescription.empty()) entry->Description = commonDescription;
    return *entry;
}

void TFileFormatList::RemoveClass(std::size_t index) {
    if (platform_) platform_->unregisterGraphicClass(*classes_[index]->GraphicClass);
    classes_.erase(classes_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TFileFormatList::RegisterFileFormat(std::string_view extension, std::string_view commonDescription,
                                         std::string_view individualDescription, TFormatTraits formatKinds,
                                         bool replace, const gfx::GraphicClass& graphicClass) {
    if (extension.empty()) return;
    const int index = FindExtension(extension);
    TExtensionEntry* entry;
    if (index < 0) {
        auto made = std::make_unique<TExtensionEntry>();
        made->Extension = extension;
        made->Description = individualDescription;
        made->FormatKinds = formatKinds;
        entry = made.get();
        extensions_.push_back(std::move(made));
        entry->ClassEntry = &EntryFor(graphicClass, commonDescription);
        ++entry->ClassEntry->UseCount;
    } else {
        entry = extensions_[static_cast<std::size_t>(index)].get();
        if (!replace) RaiseImageError(RegisterTwiceText, {extension});
        if (entry->ClassEntry->GraphicClass != &graphicClass) {
            TClassEntry* old = entry->ClassEntry;
            entry->ClassEntry = &EntryFor(graphicClass, commonDescription);
            ++entry->ClassEntry->UseCount;
            if (--old->UseCount == 0) RemoveClass(static_cast<std::size_t>(FindGraphicClass(*old->GraphicClass)));
        }
    }
    if (platform_)
        platform_->registerFileFormat(entry->Extension,
                                      entry->Description.empty() ? entry->ClassEntry->Description : entry->Description,
                                      graphicClass);
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension, const gfx::GraphicClass& graphicClass) {
    if (!extension.empty()) {
        const int index = FindExtension(extension);
        if (index < 0) return;
        TClassEntry* entry = extensions_[static_cast<std::size_t>(index)]->ClassEntry;
        if (--entry->UseCount == 0) RemoveClass(static_cast<std::size_t>(FindGraphicClass(*entry->GraphicClass)));
        extensions_.erase(extensions_.begin() + index);
        return;
    }
    const int classIndex = FindGraphicClass(graphicClass);
    if (classIndex < 0) return;
    TClassEntry* entry = classes_[static_cast<std::size_t>(classIndex)].get();
    for (std::size_t i = extensions_.size(); i-- > 0;)
        if (extensions_[i]->ClassEntry == entry) extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(i));
    RemoveClass(static_cast<std::size_t>(classIndex));
}

const gfx::GraphicClass* TFileFormatList::GraphicFromContent(const std::string& fileName) const {
    gfx::FileStream stream(fileName);
    return GraphicFromContent(stream);
}

const gfx::GraphicClass* TFileFormatList::GraphicFromContent(gfx::Stream& stream) const {
    const uint64_t start = stream.position();
    for (const auto& entry : classes_) {
        if (!entry->FormatGraphic || !entry->GraphicClass->canLoad) continue;
        const bool accepted = entry->GraphicClass->canLoad(stream);
        stream.seek(start);
        if (accepted) return entry->GraphicClass;
    }
    return nullptr;
}

// ---- The classes --------------------------------------------------------------

const gfx::GraphicClass& TargaGraphicClass() { return ReaderClass<TTargaGraphic>("Truevision images"); }
const gfx::GraphicClass& TiffGraphicClass() { return ReaderClass<TTIFFGraphic>("Tagged image file format images"); }
const gfx::GraphicClass& EpsGraphicClass() { return ReaderClass<TEPSGraphic>("Encapsulated Postscript images"); }
const gfx::GraphicClass& PcxGraphicClass() { return ReaderClass<TPCXGraphic>("ZSoft Paintbrush images"); }
const gfx::GraphicClass& RlaGraphicClass() { return ReaderClass<TRLAGraphic>("Alias/Wavefront images"); }
const gfx::GraphicClass& SgiGraphicClass() { return ReaderClass<TSGIGraphic>("SGI images"); }
const gfx::GraphicClass& PsdGraphicClass() { return ReaderClass<TPSDGraphic>("Photoshop images"); }
const gfx::GraphicClass& PpmGraphicClass() { return ReaderClass<TPPMGraphic>("Portable map images"); }
const gfx::GraphicClass& AutodeskGraphicClass() { return ReaderClass<TAutodeskGraphic>("Autodesk images"); }
const gfx::GraphicClass& PcdGraphicClass() { return ReaderClass<TPCDGraphic>("Kodak Photo-CD images"); }
const gfx::GraphicClass& GifGraphicClass() { return ReaderClass<TGIFGraphic>("CompuServe images"); }
const gfx::GraphicClass& CutGraphicClass() { return ReaderClass<TCUTGraphic>("Dr. Halo images"); }
const gfx::GraphicClass& PspGraphicClass() { return ReaderClass<TPSPGraphic>("Paintshop Pro images"); }
const gfx::GraphicClass& PngGraphicClass() { return ReaderClass<TPNGGraphic>("Portable network graphic images"); }
const gfx::GraphicClass& MetafileGraphicClass() { return UnsupportedClass<0>("Windows metafiles"); }

// ---- Start and end ------------------------------------------------------------

TFileFormatList* FileFormatList() { return TheList(); }

void RegisterImageFormats(const TPlatformGraphicClasses& platform) {
    if (TheList()) return;
    TheList() = new TFileFormatList(&gfx::pictureFormats());
    TFileFormatList& list = *TheList();
    const gfx::GraphicClass& bitmap = platform.bitmap ? *platform.bitmap : UnsupportedClass<1>("Windows bitmaps");
    const gfx::GraphicClass& icon = platform.icon ? *platform.icon : UnsupportedClass<2>("Windows icons");
    const gfx::GraphicClass& jpeg = gfx::JpegImage::graphicClass();
    struct Row {
        const char* extension;
        const char* common;
        const char* individual;
        TFormatTraits kinds;
        const gfx::GraphicClass& cls;
    };
    const Row rows[] = {
        {"bmp", "Windows bitmaps", "", ftRaster, bitmap},
        {"ico", "Windows icons", "", ftRaster, icon},
        {"wmf", "Windows metafiles", "", ftVector, MetafileGraphicClass()},
        {"emf", "Windows metafiles", "Windows enhanced meta files", ftVector, MetafileGraphicClass()},
        {"jfif", "JPG images", "JFIF images", ftRaster, jpeg},
        {"jpg", "", "JPG images", ftRaster, jpeg},
        {"jpe", "", "JPE images", ftRaster, jpeg},
        {"jpeg", "", "JPEG images", ftRaster, jpeg},
        {"rle", "Windows bitmaps", "Run length encoded Windows bitmaps", ftRaster, bitmap},
        {"dib", "", "Device independant Windows bitmaps", ftRaster, bitmap},
        {"win", "Truevision images", "", ftRaster, TargaGraphicClass()},
        {"vst", "", "", ftRaster, TargaGraphicClass()},
        {"vda", "", "", ftRaster, TargaGraphicClass()},
        {"tga", "", "", ftRaster, TargaGraphicClass()},
        {"icb", "", "", ftRaster, TargaGraphicClass()},
        {"tiff", "Tagged image file format images", "Macintosh TIFF images", ftMultiImage | ftRaster, TiffGraphicClass()},
        {"tif", "", "PC TIF images", ftMultiImage | ftRaster, TiffGraphicClass()},
        {"fax", "", "GFI fax images", ftMultiImage | ftRaster, TiffGraphicClass()},
        {"eps", "Encapsulated Postscript images", "", ftRaster, EpsGraphicClass()},
        {"pcx", "ZSoft Paintbrush images", "", ftRaster, PcxGraphicClass()},
        {"pcc", "", "", ftRaster, PcxGraphicClass()},
        {"scr", "", "Word 5.x screen capture images", ftRaster, PcxGraphicClass()},
        {"rpf", "Alias/Wavefront images", "", ftRaster, RlaGraphicClass()},
        {"rla", "", "", ftRaster, RlaGraphicClass()},
        {"sgi", "SGI images", "SGI true color images", ftRaster, SgiGraphicClass()},
        {"rgba", "", "SGI true color images with alpha", ftRaster, SgiGraphicClass()},
        {"rgb", "", "SGI true color images", ftRaster, SgiGraphicClass()},
        {"bw", "", "SGI black/white images", ftRaster, SgiGraphicClass()},
        {"psd", "Photoshop images", "", ftLayers | ftRaster, PsdGraphicClass()},
        {"pdd", "", "", ftLayers | ftRaster, PsdGraphicClass()},
        {"ppm", "Portable map images", "Portable pixel map images", ftRaster, PpmGraphicClass()},
        {"pgm", "", "Portable gray map images", ftRaster, PpmGraphicClass()},
        {"pbm", "", "Portable bitmap images", ftRaster, PpmGraphicClass()},
        {"cel", "Autodesk images", "", ftRaster, AutodeskGraphicClass()},
        {"pic", "Autodesk images", "", ftRaster, AutodeskGraphicClass()},
        {"pcd", "Kodak Photo-CD images", "", ftRaster, PcdGraphicClass()},
        {"gif", "CompuServe images", "", ftAnimation | ftMultiImage | ftRaster, GifGraphicClass()},
        {"cut", "Dr. Halo images", "", ftRaster, CutGraphicClass()},
        {"psp", "Paintshop Pro images", "", ftRaster | ftVector, PspGraphicClass()},
        {"png", "Portable network graphic images", "", ftRaster, PngGraphicClass()},
    };
    for (const Row& row : rows) list.RegisterFileFormat(row.extension, row.common, row.individual, row.kinds, false, row.cls);
}

void UnregisterImageFormats() {
    TFileFormatList*& list = TheList();
    if (!list) return;
    for (const gfx::GraphicClass* cls :
         {&PspGraphicClass(), &PsdGraphicClass(), &TargaGraphicClass(), &TiffGraphicClass(), &SgiGraphicClass(),
          &PcxGraphicClass(), &AutodeskGraphicClass(), &PcdGraphicClass(), &PpmGraphicClass(), &CutGraphicClass(),
          &GifGraphicClass(), &RlaGraphicClass()})
        list->UnregisterFileFormat("", *cls);
    const int rle = list->FindExtension("rle");
    if (rle >= 0) {
        const gfx::GraphicClass& bitmap = *list->Extensions()[static_cast<std::size_t>(rle)]->ClassEntry->GraphicClass;
        list->UnregisterFileFormat("rle", bitmap);
        list->UnregisterFileFormat("dib", bitmap);
    }
    list->UnregisterFileFormat("", PngGraphicClass());
    delete list;
    list = nullptr;
}

// ---- Loading a picture file -----------------------------------------------------

void LoadPictureFile(const std::string& fileName, gfx::Picture& picture, TImageProperties* properties) {
    if (const TFileFormatList* list = FileFormatList()) {
        if (const gfx::GraphicClass* cls = list->GraphicFromContent(fileName)) {
            std::unique_ptr<gfx::Graphic> graphic = cls->create();
            graphic->loadFromFile(fileName);
            if (const auto* own = dynamic_cast<const TFormatGraphic*>(graphic.get()); own && properties)
                *properties = own->imageProperties;
            picture.setGraphic(std::move(graphic));
            return;
        }
    }
    const std::size_t dot = fileName.rfind('.'), slash = fileName.find_last_of("/\\");
    const std::string_view extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string_view()
                                                                                : std::string_view(fileName).substr(dot);
    if (EqualIgnoringCase(extension, ".jpg") || EqualIgnoringCase(extension, ".jpeg") ||
        EqualIgnoringCase(extension, ".jif")) {
        // The decoded pixels move into the picture, without a copy.
        gfx::JpegImage jpeg;
        jpeg.loadFromFile(fileName);
        picture.setGraphic(std::make_unique<gfx::Bitmap>(std::move(jpeg)));
        return;
    }
    picture.loadFromFile(fileName);
}

}  // namespace img
