#include "imageformats/ImageRegistration.h"

#include "imageformats/ImagePng.h"
#include "imageformats/ImageTiff.h"

namespace img {

const gfx::GraphicClass& TiffGraphicClass() {
    static const gfx::GraphicClass cls{"Tagged image file format images",
                                       [] { return std::unique_ptr<gfx::Graphic>(new TTIFFGraphic()); },
                                       TTIFFGraphic::CanLoad};
    return cls;
}

const gfx::GraphicClass& EpsGraphicClass() {
    static const gfx::GraphicClass cls{"Encapsulated Postscript images",
                                       [] { return std::unique_ptr<gfx::Graphic>(new TEPSGraphic()); },
                                       TEPSGraphic::CanLoad};
    return cls;
}

const gfx::GraphicClass& PngGraphicClass() {
    static const gfx::GraphicClass cls{"Portable network graphic images",
                                       [] { return std::unique_ptr<gfx::Graphic>(new TPNGGraphic()); },
                                       TPNGGraphic::CanLoad};
    return cls;
}

void RegisterTiffPngFormats() {
    static const bool registered = [] {
        gfx::PictureFormats& f = gfx::pictureFormats();
        f.registerFileFormat("tiff", "Macintosh TIFF images", TiffGraphicClass());
        f.registerFileFormat("tif", "PC TIF images", TiffGraphicClass());
        f.registerFileFormat("fax", "GFI fax images", TiffGraphicClass());
        f.registerFileFormat("eps", "Encapsulated Postscript images", EpsGraphicClass());
        f.registerFileFormat("png", "Portable network graphic images", PngGraphicClass());
        return true;
    }();
    (void)registered;
}

}  // namespace img
