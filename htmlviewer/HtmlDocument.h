// The laid-out document of the HTML viewer: a tree of sections. Every block
// (paragraph, gap, rule, list item, table) is a `TSectionBase` and answers
// the same operations: layout for a width, painting of the visible band, hit
// tests, positions, find and copy. A `TCell` is a list of sections with the
// indent manager that holds its floating images and list indents; the
// document, `TSectionList`, is the outermost cell.
//
// Coordinates: layout places a cell's content from X = 0 (the cell's left
// edge) and at document Y (the top of the document is 0 plus the margin the
// viewer lays it out at). Hit tests and positions take and give the same
// coordinates: the viewer turns a window point into X = point - margin +
// horizontal scroll, Y = point + ScrollY. Painting takes the window's paint
// rectangle, the document Y of a cell's top and the window X of its left
// edge; sections subtract ScrollY themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlviewer/HtmlFonts.h"
#include "htmlviewer/HtmlUtils.h"
#include "htmlviewer/ImageCache.h"
#include "platform/gfx/Canvas.h"

class TSectionList;
class TCell;
class TImageObj;
class ThtmlForm;
class TFormControlObj;
class TWindowControl;
struct TControlSpec;
class TGIFImage;

// The common base of what a hit test can name: a section, a cell, an image
// or a form control.
class THtmlObject {
public:
    virtual ~THtmlObject() = default;
};

// A timer of the window: calls OnTimer every Interval milliseconds while it
// is enabled. This base only holds the state (a document without a window,
// and tests, tick it by hand); the window's timer overrides the setters.
class TTimer {
public:
    virtual ~TTimer() = default;
    bool Enabled() const { return Enabled_; }
    int Interval() const { return Interval_; }
    virtual void SetEnabled(bool on) { Enabled_ = on; }
    virtual void SetInterval(int ms) { Interval_ = ms; }
    std::function<void()> OnTimer;

private:
    bool Enabled_ = false;
    int Interval_ = 0;
};

// The window the document paints in, as the document needs it: repaint
// requests, the animation timer and the window controls of forms.
class TPaintPanel {
public:
    virtual ~TPaintPanel() = default;
    // Repaints a part of the window (window coordinates; an empty rectangle
    // stands for the whole window).
    virtual void Invalidate(const gfx::Rect& rect) = 0;
    // A timer of this window, disabled.
    virtual std::unique_ptr<TTimer> CreateTimer() = 0;
    // A window control of the kind, a child of this window, hidden.
    virtual std::unique_ptr<TWindowControl> CreateControl(const TControlSpec& spec) = 0;
};

// One side's record of the indent manager: from top Y up to (not including)
// bottom Y the edge moves by X. Level 0 is a floating image; a list level
// otherwise.
struct IndentRec {
    int X = 0;
    int YT = 0;
    int YB = 0;
    int Lev = 0;
};

// The left and right edges of a cell at every Y: the cell's own edges moved
// in by floating images and list indents.
class IndentManager {
public:
    // The indent of one list level.
    static constexpr int ListIndent = 35;
    // Records of open list levels end here.
    static constexpr int OpenBottom = 9999999;

    // The cell's edges.
    int LfEdge = 0;
    int RtEdge = 0;
    // The list level at the current Y.
    int CurrentLevel = 0;
    std::vector<IndentRec> L;
    std::vector<IndentRec> R;

    // Starts a layout of the band from left to right: no records.
    void Init(int left, int right);
    int Width() const { return RtEdge - LfEdge; }
    // The left edge at Y: the cell's left edge plus the largest X of the left
    // records that cover Y.
    int LeftIndent(int y) const;
    // The right edge at Y: the cell's right edge plus the smallest X of the
    // right records that cover Y.
    int RightSide(int y) const;
    // Places a floating image at Y, `width` wide (with its space) and
    // covering `height`; returns its X (relative to LfEdge).
    int AddLeftFloat(int y, int height, int width, int hspace);
    int AddRightFloat(int y, int height, int width, int hspace);
    // Moves to list level `level` at Y: each level up adds an open left
    // record `step` further in; each level down closes the deeper records.
    // With `oneStep` the level moves one step only.
    void SetLevel(int y, int level, int step, bool oneStep);
    // The largest bottom of the floating images on each side and on both; 0
    // when there is none.
    int LeftImageBottom() const;
    int RightImageBottom() const;
    int ImageBottom() const;
    // The height to move down from Y so that no float on the side (1 left,
    // 2 right, 3 both) covers the next line.
    int ClearSpace(int y, int side) const;
};

// The base of every block of the document. The operations that a kind of
// block has no use for keep the behaviour given here.
class TSectionBase : public THtmlObject {
public:
    explicit TSectionBase(TSectionList* document);
    ~TSectionBase() override = default;

    TSectionList* OwnerDocument;
    // The cell that holds the section (set by TCell::Add).
    TCell* OwnerCell = nullptr;
    // The height the section adds to the flow, and the height it covers
    // (more when a float hangs below it).
    int SectionHeight = 0;
    int DrawHeight = 0;
    // The document Y of the last layout or paint.
    int YPosition = 0;
    // The document character position at which the section begins, and its
    // number of characters.
    int FirstPosition = 0;
    int Len = 0;

    // Writes the selected text to the document's copy buffer.
    virtual void CopySelection();
    // Lays the section out with its top at Y; returns SectionHeight.
    virtual int LayOutSection(gfx::Canvas& canvas, int y, IndentManager& indents, int& maxWidth, int& curs);
    // Paints the section with its top at document Y, its cell's left edge
    // at window X; returns Y + SectionHeight.
    virtual int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x, IndentManager& indents);
    // A link, an image-map area or an image-type form control at the point.
    virtual bool LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control);
    // An image (or another object) at the point.
    virtual bool ObjectAtPoint(gfx::Canvas& canvas, int x, int y, THtmlObject*& obj);
    // The document position nearest the point, with the caret's place and
    // height; -1 when none.
    virtual int PositionAtPoint(gfx::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
                                THtmlObject*& obj, bool& inText);
    // The document position of the next occurrence of the text at or after
    // `from`; -1 when none.
    virtual int FindString(int from, std::string_view text, bool matchCase);
    // The HTML source position of a document position; -1 when outside.
    virtual int SourcePosition(int docPos);
    // The document position of a source position (`prev`: the nearest
    // before a gap); -1 when none.
    virtual int DocumentPosition(int sourcePos, bool prev);
    // The place (document coordinates) of a document position.
    virtual bool PointOfPosition(gfx::Canvas& canvas, int pos, int& y, int& x);
    // The character at a document position and the section holding it.
    virtual bool CharAtPosition(int pos, char& ch, THtmlObject*& obj);
    // Re-creates the fonts after the document's default font changed.
    virtual void UpdateFonts();
    // Recomputes the fixed height of a gap or rule.
    virtual void SetHeight();
    // The narrowest width the section can take and the width it needs with
    // no line break.
    virtual void WidthBounds(gfx::Canvas& canvas, int& min, int& max);
};

// A list of sections with its own indent manager: the document, a table
// cell or a caption.
class TCell : public TFreeList<TSectionBase>, public THtmlObject {
public:
    explicit TCell(TSectionList* document);

    TSectionList* OwnerDocument;
    int LastLayoutY = 0;
    int FirstPosition = 0;
    int Len = 0;
    IndentManager Indents;
    // The background colour (a table cell's BGCOLOR).
    bool BkGnd = false;
    gfx::Color BkColor = 0;

    // Appends a section (finishing a paragraph first); null is ignored.
    void Add(std::unique_ptr<TSectionBase> section);
    // Lays every section out one under the other from Y in the band 0 ..
    // width; returns the height, down to the lowest float.
    int LayOutContent(gfx::Canvas& canvas, int y, int width, int& curs, int& maxWidth);
    // Paints the sections from document Y with the cell's left edge at
    // window X; returns the Y below the last.
    int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x);
    void WidthBounds(gfx::Canvas& canvas, int& min, int& max);
    bool LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control);
    bool ObjectAtPoint(gfx::Canvas& canvas, int x, int y, THtmlObject*& obj);
    int PositionAtPoint(gfx::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt, THtmlObject*& obj,
                        bool& inText);
    int FindString(int from, std::string_view text, bool matchCase);
    int SourcePosition(int docPos);
    int DocumentPosition(int sourcePos, bool prev);
    bool PointOfPosition(gfx::Canvas& canvas, int pos, int& y, int& x);
    bool CharAtPosition(int pos, char& ch, THtmlObject*& obj);
    void UpdateFonts();
    void CopySelection();

private:
    // The section whose band holds Y, walking with a running top; null when
    // none.
    TSectionBase* SectionAt(int y) const;
};

// What the document builder keeps on the document while it reads, for the
// sections it creates: the extra style joined into every font run, the
// sub/superscript state, the open form and the indent of one list level.
struct TBuildState {
    TFontStyles ExtraStyle = 0;
    uint8_t SubSup = 0;
    ThtmlForm* CurrentForm = nullptr;
    int ListIndent = IndentManager::ListIndent;
};

// An image that waits for its picture (the image request said "later"): the
// name it was asked by and the image, or null for the document's background.
struct TDelayedImage {
    std::string Name;
    TImageObj* Image = nullptr;
};

// The document.
class TSectionList : public TCell {
public:
    // An empty document painting into the panel (null: no window).
    explicit TSectionList(TPaintPanel* paintPanel = nullptr);
    ~TSectionList() override;
    TSectionList(const TSectionList&) = delete;
    TSectionList& operator=(const TSectionList&) = delete;

    TPaintPanel* PaintPanel;

    // ---- Fonts and colours ----
    std::string FontName = "Times New Roman";
    std::string PreFontName = "Courier New";
    int FontSize = 12;
    int Charset = 0;
    gfx::Color FontColor = gfx::systemColor(gfx::SystemColor::BtnText);
    gfx::Color HotSpotColor = gfx::clBlue;
    gfx::Color LinkVisitedColor = gfx::clPurple;
    gfx::Color LinkActiveColor = gfx::clBlue;
    // Hover colouring of links.
    bool LinksActive = false;
    // Links are underlined (off with the viewer's no-underline option).
    bool UnLine = true;
    // Draws a caret mark at CaretPos.
    bool ShowDummyCaret = false;
    int CaretPos = 0;
    // Images are fetched and shown; otherwise every image shows the default
    // picture.
    bool ShowImages = true;
    // The viewer's client height and margin height (a table's HEIGHT in
    // percent is taken of what is left).
    int ClientHeight = 0;
    int MarginHeight = 5;

    // ---- Scrolling and selection ----
    int ScrollY = 0;
    // Set when the form controls must be placed again after a scroll.
    bool YOffChange = false;
    // The selection as the first and the last document position (0, 0: none).
    int SelB = 0;
    int SelE = 0;
    // The document Y of the bottom of the visible band, as the last paint saw it.
    int YOff = 0;

    // ---- Background ----
    gfx::Color Background = gfx::clBtnFace;
    // Raised whenever the background colour is set.
    std::function<void(gfx::Color)> OnBackgroundChange;
    std::string BackgroundName;
    std::shared_ptr<gfx::Graphic> BackgroundBitmap;
    std::shared_ptr<const gfx::Bitmap> BackgroundMask;
    bool BackgroundRequested = false;

    // ---- Lists ----
    TFreeList<ThtmlForm> HtmlFormList;
    std::vector<TGIFImage*> AGifList;
    TFreeList<TMapItem> MapList;
    std::vector<TFormControlObj*> FormControlList;
    std::vector<TDelayedImage> MissingImages;
    std::vector<TFontObj*> LinkList;

    // ---- Hover ----
    TFontObj* ActiveLink = nullptr;
    TImageObj* ActiveImage = nullptr;

    // ---- Events and hooks ----
    // The text the copy operation fills (cp1252).
    std::string CopyBuffer;
    // The application's image source; unset: images are files.
    TGetImageEvent GetImage;
    // Expands an image's SRC when there is no image request: the viewer's
    // own expansion of link names (unset: the name as written).
    std::function<std::string(const std::string&)> ExpandName;
    // Expands an image's SRC when there is an image request (unset: as written).
    std::function<std::string(const std::string&)> OnExpandName;
    // A form was submitted: its action, target, encoding type, method and
    // the lines name=value.
    std::function<void(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, const std::vector<std::string>& results)>
        SubmitForm;
    // A form control with ONCLICK was clicked.
    std::function<void(TFormControlObj* control, const std::string& onClick)> ObjectClick;
    // A form control received the focus (the viewer brings it into view).
    std::function<void(TFormControlObj* control)> ControlEnter;

    // What the builder keeps here while it reads.
    TBuildState Build;
    // The fonts measured in the current layout pass.
    TFontCache Fonts;

    // The animation timer: made by the first layout, null before.
    TTimer* Timer() const { return Timer_.get(); }

    // Empties the document.
    void Clear();
    // Stores the fonts and colours (names cut to 32 characters), sets the
    // background and re-creates every section's fonts.
    void SetFonts(const std::string& name, const std::string& preName, gfx::Color color, gfx::Color hotSpot,
                  gfx::Color visited, gfx::Color active, bool linksActive, gfx::Color background, int size);
    // A new scroll position: the form controls must be placed again.
    void SetScrollY(int y);
    // The layout pass: lays the document out from Y for the width; returns
    // its height.
    int LayOutContent(gfx::Canvas& canvas, int y, int width, int& curs, int& maxWidth);
    // The paint pass over the window's paint rectangle, the document's top
    // at document Y and its left at window X.
    int Draw(gfx::Canvas& canvas, const gfx::Rect& rect, int y, int x);
    // The link at the point, with hover colouring of links and images.
    bool LinkAtPoint(gfx::Canvas& canvas, int x, int y, TUrlTarget& urlTarget, TFormControlObj*& control);
    // Forgets the hovered link and image.
    void ClearHover();
    // The BODY's background colour and image.
    void SetBackground(gfx::Color color);
    void SetBackgroundImage(const std::string& name);
    // The top of section n: the heights of the sections before it.
    int GetSectionTop(int n) const;
    // Fetches the background image once per document.
    void GetBackgroundBitmap();
    // One tick of the animation timer.
    void AnimationTick();
    // Places the form controls that the last pass did not paint: out of
    // sight while one of them has the focus, hidden otherwise.
    void HideControls();
    // A form control gained or lost the keyboard focus.
    void ControlFocusChanged(TFormControlObj* control, bool focused);
    // Invalidates a part of the paint panel (an empty rectangle: all of
    // it), when there is one.
    void InvalidatePanel(const gfx::Rect& rect);
    // The name an image's SRC is fetched by: expanded by the viewer's hook
    // and upper-cased.
    std::string ImageName(const std::string& source) const;
    // The image map of a name (upper case), or null.
    const TMapItem* FindMap(const std::string& name) const;

private:
    // Keeps the viewer's shared image objects alive while the document lives.
    TViewerImagesUse ImagesUse;
    std::unique_ptr<TTimer> Timer_;
    bool FocusInDocument = false;
};
