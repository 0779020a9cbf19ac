// An image in the text flow of the HTML viewer: the IMG tag's attributes,
// the picture fetched through the image cache (or the default and error
// pictures), its size for the width it is laid out in, its place on the
// line or as a float, its drawing and its hover animation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "htmlviewer/HtmlDocument.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"

class TGIFImage;

// How an image stands on its line: top, middle or bottom aligned, or
// floating at the left or right edge.
enum TObjAlign : uint8_t { ATop = 0, AMiddle = 1, ABottom = 2, ALeft = 3, ARight = 4 };

class TImageObj : public THtmlObject {
public:
    // The largest HSPACE and VSPACE.
    static constexpr int MaxSpace = 40;
    // The default horizontal space of a float.
    static constexpr int FloatHSpace = 5;

    // An image at buffer position `pos` with the attributes of its IMG tag.
    TImageObj(TSectionList* document, int pos, const TAttributeList& attributes);
    ~TImageObj() override;
    TImageObj(const TImageObj&) = delete;
    TImageObj& operator=(const TImageObj&) = delete;

    int Pos;
    // The outer size (with the border).
    int ImageHeight = 0;
    int ImageWidth = 0;
    TObjAlign ObjAlign = ABottom;
    // The X of a float (relative to its cell's left edge).
    int Indent = 0;
    int HSpace = 0;
    int VSpace = 0;
    bool Hover = false;
    // The image animates only while the mouse is over it.
    bool Active = false;
    int GivenHeight = 0;
    int GivenWidth = 0;
    // GivenWidth is a percentage of the available width.
    bool PercentWidth = false;
    // The size the picture is drawn at (without the border).
    int ObjHeight = 0;
    int ObjWidth = 0;
    // The size no longer depends on the width.
    bool SizeFixed = false;
    std::string Source;
    std::string Alt;
    bool NoBorder = false;
    TSectionList* Document;
    // 0 none, 1 transparency from the bottom-left pixel (TRANSP), 2 the
    // picture's own.
    int Transparent = 0;
    bool IsMap = false;
    bool UseMap = false;
    bool HasBorder = false;
    // Where the picture (inside the border) was drawn last, in document
    // coordinates; hit tests use it.
    int DrawX = 0;
    int DrawY = 0;
    bool Drawn = false;
    std::string MapName;
    // The image-type form control that owns the image, or null.
    TFormControlObj* MyFormControl = nullptr;
    // The document Y of a placed float's top (its VSPACE included).
    int FloatY = 0;

    // What the image shows.
    enum class State : uint8_t { NotFetched, Real, Default, Error };
    State ImageState() const { return State_; }
    // The picture drawn: the fetched image, or the default or error picture.
    const gfx::Graphic* Picture() const;
    // The animation of an animated GIF, or null.
    TGIFImage* Gif() const { return Gif_.get(); }
    bool IsFloat() const { return ObjAlign == ALeft || ObjAlign == ARight; }

    // Fetches the picture when needed and sizes the image for the available
    // width (the room between the edges where its section starts).
    void SetSize(gfx::Canvas& canvas, int availableWidth);
    // Draws the image with its outer top-left corner at window (x, y); the
    // cell's left edge is at window `cellX` (to record the place in document
    // coordinates); the border in the link colour.
    void Draw(gfx::Canvas& canvas, int x, int y, int cellX, gfx::Color borderColor);
    // True when the document point lies on the picture (not its border).
    bool Contains(int x, int y) const;
    // The mouse entered or left the image: an ACTIVE animation runs only
    // while the mouse is over it.
    void SetHover(bool over);
    // Shows a picture that arrived later (a delayed image).
    void InsertImage(std::shared_ptr<gfx::Graphic> image, std::shared_ptr<const gfx::Bitmap> mask);

private:
    void Fetch();
    void TakePicture(std::shared_ptr<gfx::Graphic> image, std::shared_ptr<const gfx::Bitmap> mask, bool fromCache);

    State State_ = State::NotFetched;
    std::shared_ptr<gfx::Graphic> Image;
    std::shared_ptr<const gfx::Bitmap> Mask;
    // The document's own copy (or the cache's object) of an animated GIF.
    std::shared_ptr<TGIFImage> Gif_;
    // The cache name whose usage this image holds.
    std::string CacheName;
};
