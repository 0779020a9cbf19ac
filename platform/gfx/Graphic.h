// The common interface of everything that can be shown as a picture: plain
// bitmaps and the image library's formats, the HTML pictures and the
// animated GIF images of the viewer.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/Geometry.h"

namespace gfx {

class Bitmap;
class Canvas;
class Stream;

class Graphic {
public:
    virtual ~Graphic() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    // True when there is nothing to show.
    virtual bool empty() const { return width() <= 0 || height() <= 0; }

    // Draws the graphic stretched into `rect`.
    virtual void draw(Canvas& canvas, const Rect& rect) const = 0;

    // Reads the graphic from the stream's position. On an error the graphic
    // may be left partly loaded; `Picture` keeps its previous graphic then.
    virtual void loadFromStream(Stream& stream) = 0;
    // Reads the file through `loadFromStream`; EFOpenError when it cannot be
    // opened.
    virtual void loadFromFile(const std::string& fileName);
    // Writes the graphic in its own format. The default raises
    // EInvalidGraphic: most formats are read only.
    virtual void saveToStream(Stream& stream) const;
    // Writes the file through `saveToStream`; EFOpenError when it cannot be
    // created.
    void saveToFile(const std::string& fileName) const;

    // A copy of the same kind.
    virtual std::unique_ptr<Graphic> clone() const = 0;
    // The picture as a bitmap (of the format that fits it best).
    virtual Bitmap toBitmap() const = 0;

    // Whether the graphic is drawn with transparent parts (each kind says
    // which parts).
    bool transparent() const { return transparent_; }
    void setTransparent(bool on) { transparent_ = on; }

protected:
    Graphic() = default;
    Graphic(const Graphic&) = default;
    Graphic& operator=(const Graphic&) = default;

private:
    bool transparent_ = false;
};

}  // namespace gfx
