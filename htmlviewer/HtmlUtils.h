// What the HTML viewer's parser, document and control share: the owning
// list, attributes, link targets, client-side image maps, the text buffer
// that carries source positions, link names turned into file names, and the
// small drawing routines (the wrapped ALT text and the 3-D frame).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlSymbols.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Geometry.h"

// A list that owns its items: clearing it or destroying it frees them.
template <class T>
class TFreeList {
public:
    TFreeList() = default;
    TFreeList(TFreeList&&) noexcept = default;
    TFreeList& operator=(TFreeList&&) noexcept = default;
    virtual ~TFreeList() = default;

    // Appends an item, which the list then owns; returns it.
    T* Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        return items_.back().get();
    }
    int Count() const { return static_cast<int>(items_.size()); }
    T* operator[](int i) const { return items_[static_cast<std::size_t>(i)].get(); }
    // Frees every item.
    void Clear() { items_.clear(); }
    // Frees item i and closes the gap.
    void Delete(int i) { items_.erase(items_.begin() + i); }
    // Puts an item before item i (at the end when i is the count).
    T* Insert(int i, std::unique_ptr<T> item) {
        return items_.insert(items_.begin() + i, std::move(item))->get();
    }
    // Hands item i to the caller, leaving an empty entry in its place.
    std::unique_ptr<T> Take(int i) { return std::move(items_[static_cast<std::size_t>(i)]); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<T>> items_;
};

// The largest size of a number in a page: a number of an attribute is
// bounded to -MaxAttributeValue .. MaxAttributeValue when it is read. Sizes
// beyond it mean nothing on a screen, and within it no arithmetic of the
// layout on one value (sums of a few values, products with a font's
// metrics, tenths of a percent) can overflow.
inline constexpr int32_t MaxAttributeValue = 32767;

// The largest height and width that sums of sizes in a document reach: a
// document of very many large things stops growing there instead of
// overflowing. Below them sums of a few heights or widths, and the widths of
// a table's 200 columns together, stay in range. 2^27 pixels are a hundred
// thousand windows of text.
inline constexpr int MaxDocumentHeight = 1 << 27;
inline constexpr int MaxDocumentWidth = 1 << 22;
// a + b, held to -MaxDocumentHeight .. MaxDocumentHeight.
inline int AddHeights(int a, int b) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, -MaxDocumentHeight, MaxDocumentHeight));
}
// a + b, held to -MaxDocumentWidth .. MaxDocumentWidth.
inline int AddWidths(int a, int b) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{a} + b, -MaxDocumentWidth, MaxDocumentWidth));
}

// The number of an attribute's text: an optional sign and decimal digits,
// blanks around them allowed, bounded to +-MaxAttributeValue (however many
// digits); 0 for any other text.
int32_t AttributeNumber(std::string_view text);

// One attribute of a tag: its symbol, its value as a number (when the text
// is one, bounded by AttributeNumber; 0 otherwise, 1 for BORDER without a
// value) and its text.
struct TAttribute {
    AttrSym AttrSymbol = AttrSym::Unknown;
    int32_t Value = 0;
    std::string Name;
};

// The attributes of the last tag that kept them.
class TAttributeList : public TFreeList<TAttribute> {
public:
    // The first attribute with the symbol, or null when there is none.
    const TAttribute* Find(AttrSym which) const;
};

// A link: its URL and its target frame name.
struct TUrlTarget {
    std::string Url;
    std::string Target;
    void Assign(std::string_view url, std::string_view target) {
        Url = url;
        Target = target;
    }
    void Clear() {
        Url.clear();
        Target.clear();
    }
};

// The area of one AREA of an image map: a rectangle, an ellipse in its
// bounding rectangle, or a polygon.
struct TMapArea {
    enum class Shape : uint8_t { Rect, Circle, Poly };
    Shape Kind = Shape::Rect;
    gfx::Rect Bounds;                // rectangle and circle
    std::vector<gfx::Point> Points;  // polygon
    std::string HRef;                // empty for NOHREF
    std::string Target;
    // True when the point lies inside the area.
    bool Contains(int x, int y) const;
};

// One client-side image map (MAP with its AREAs).
class TMapItem {
public:
    // The upper-case NAME of the MAP, and its areas in order.
    std::string MapName;
    std::vector<TMapArea> Areas;

    // Adds the area of an AREA tag's attributes: SHAPE ("rect" unless it
    // begins with "circ" or "poly"), COORDS (at most 301 numbers separated by
    // commas and blanks), HREF, NOHREF and TARGET. A rectangle needs 4
    // numbers, a circle 3 and a polygon 6; an area with fewer is ignored.
    void AddArea(const TAttributeList& attributes);
    // The link of the first area that holds the point, when that area has a
    // URL.
    bool LinkAtPoint(int x, int y, TUrlTarget& urlTarget) const;
};

// The parser's text buffer: the characters of a text (cp1252) and, for each,
// the position in the document it came from.
class TokenObj {
public:
    // The text, and one document position a character.
    std::string S;
    std::vector<int32_t> I;

    void AddChar(char ch, int32_t sourcePos) {
        S.push_back(ch);
        I.push_back(sourcePos);
    }
    // Appends the text and positions of another token.
    void AddString(const TokenObj& token) {
        S += token.S;
        I.insert(I.end(), token.I.begin(), token.I.end());
    }
    void Clear() {
        S.clear();
        I.clear();
    }
    int Length() const { return static_cast<int>(S.size()); }
};

// A link name as a file name: trimmed; "%" escapes of two hexadecimal digits
// decoded (from the left, as long as the name's first "%" is not its first
// character; the first escape that is no hexadecimal number ends the
// decoding); and, when the name holds a "/", a leading "file://" or
// "file:///" (any case) removed, "|" turned into ":" and "\" into "/". A
// "file:" URL of an absolute path keeps its leading "/"; one of a drive
// ("file:///C|/x") gives "C:/x".
std::string LinkToFileName(std::string_view name);
// LinkToFileName, with `root` put in front of a result that begins with a
// separator.
std::string LinkToFileNameWithRoot(std::string_view name, std::string_view root);

// Where the viewer finds the file a link names: the trimmed name with "/" for
// every separator. A name that begins with a separator is prefixed with
// `serverRoot` and is then absolute; any other name (drive letters and UNC
// names included, which mean nothing here) is taken relative to the folder of
// `base` when the document has a base, otherwise to the folder of
// `currentFile`; a base of "DosPath" takes it relative to the working folder.
// "." and ".." parts are resolved. When no file of that name exists, it is
// looked up again ignoring letter case.
std::string ExpandLinkFileName(std::string_view name, std::string_view serverRoot, std::string_view base,
                               std::string_view currentFile);

// Draws text word-wrapped inside a rectangle, one line under the other (the
// height of "A" apart), words separated by blanks; for the ALT text of a
// missing image.
void WrapTextW(gfx::Canvas& canvas, const gfx::Rect& rect, std::string_view text);
// A one-pixel 3-D frame just inside the rectangle: raised has the light
// colour top and left and the shadow colour bottom and right, sunken the
// reverse. The shadow is the button-shadow colour; the light colour is
// silver on a white background and the button-highlight colour otherwise.
void RaisedRect(gfx::Canvas& canvas, const gfx::Rect& rect, bool raised, gfx::Color background);
