// A list box whose items are small HTML texts (see HtmlItemRenderer.h):
// anchors react to the mouse, icons come from an image list, a selected item
// has a gradient, and BLINK text blinks. The main window's group list is one.
//
// Items are UTF-8. Each item's height is measured when it is added (and again
// when the list changes width): the renderer's height, at most 251 pixels and
// the view's height, plus 4.
//
// A click on an anchor does not select the item: an anchor holding "://" or
// "mailto:" is opened through the shell, any other raises OnAnchorClick with
// the item's index and the anchor's value. Every paint goes through
// PaintItems on a canvas, so tests can paint the list on a recording canvas.
//
// As the Groups page's group list: give it an image list holding the group
// icons (AddGroupListIcons), fill it between BeginUpdate and EndUpdate with
// one GroupListLine per group, replace a group's line with Items().Set, and
// hand OnAnchorClick (item, "visible" / "notvis" / "shadow" / "noshad") and
// OnDblClick (rename the selected group) to the page's handlers.
#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "htmllistbox/GradientFill.h"
#include "htmllistbox/HtmlItemRenderer.h"
#include "htmllistbox/ImageContainer.h"
#include "platform/gfx/Errors.h"

class QTimer;
class QPainter;
namespace gfx {
class QtCanvas;
}

// The list box's error: "Item index out of range".
class EHtmlListBoxError : public gfx::Error {
public:
    using gfx::Error::Error;
};

class THtmlListBox;

// The texts of the items. Every change re-measures what it touches and
// repaints.
class THtmlListItems {
public:
    int Count() const { return static_cast<int>(texts_.size()); }
    // The text of an item; EHtmlListBoxError for an index out of range.
    const std::string& operator[](int index) const;
    // Appends an item and returns its index.
    int Add(std::string text);
    void Insert(int index, std::string text);
    // Replaces an item's text in place; its selection stays.
    void Set(int index, std::string text);
    void Delete(int index);
    void Clear();

private:
    friend class THtmlListBox;
    explicit THtmlListItems(THtmlListBox& owner) : owner_(owner) {}
    void CheckIndex(int index, bool allowEnd = false) const;

    THtmlListBox& owner_;
    std::vector<std::string> texts_;
};

class THtmlListBox : public QAbstractScrollArea {
public:
    explicit THtmlListBox(QWidget* parent = nullptr);
    ~THtmlListBox() override;

    THtmlListItems& Items() { return items_; }
    const THtmlListItems& Items() const { return items_; }

    // ---- Selection ----
    // The current item; -1 for none. Setting it selects that item alone
    // (without MultiSelect) and scrolls it into view.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool on);
    // Several items may be selected; a click toggles an item.
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on);

    // ---- Updates ----
    // While the counter is above 0 the horizontal extent is not recomputed;
    // EndUpdate at 0 recomputes it.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    // The anchor under a point of the view, and the item there (-1 for none);
    // empty when the point hits no anchor.
    std::string AnchorAt(int x, int y, int& index);
    // The item's text without tags; EHtmlListBoxError "Item index out of
    // range" outside 0..count-1.
    std::string ItemPlainText(int index) const;
    // The item under a point of the view; -1 for none.
    int ItemAtPos(int x, int y) const;
    // An item's row in the view (scrolled); empty outside the list.
    gfx::Rect ItemRect(int index) const;
    int ItemHeight(int index) const;
    // The width the horizontal scroll bar covers; 0 when it is hidden.
    int HorizontalExtent() const { return extent_; }

    // ---- Appearance ----
    bool AnchorHint() const { return anchorHint_; }
    void SetAnchorHint(bool on) { anchorHint_ = on; }
    bool Ellipsis() const { return ellipsis_; }
    void SetEllipsis(bool on);
    bool EnableBlink() const { return enableBlink_; }
    void SetEnableBlink(bool on);
    bool HTMLHint() const { return htmlHint_; }
    void SetHTMLHint(bool on) { htmlHint_ = on; }
    // The "IDX:" images; not owned; the reference is cleared when the list
    // is destroyed.
    const gfx::ImageList* Images() const { return images_; }
    void SetImages(const gfx::ImageList* images);
    bool IncrLookup() const { return incrLookup_; }
    void SetIncrLookup(bool on) { incrLookup_ = on; }
    bool ItemHint() const { return itemHint_; }
    void SetItemHint(bool on) { itemHint_ = on; }
    int LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(int pixels);
    bool Multiline() const { return multiline_; }
    void SetMultiline(bool on);
    // Named pictures for IMG sources; not owned; the reference is cleared
    // when the container is destroyed.
    TImageContainer* ImageContainer() const { return container_; }
    void SetImageContainer(TImageContainer* container);
    bool ScrollHorizontal() const { return scrollHorizontal_; }
    void SetScrollHorizontal(bool on);
    const TGradientStyle& SelectionColors() const { return selectionColors_; }
    void SetSelectionColors(const TGradientStyle& style) { selectionColors_.Assign(style); }
    gfx::Color SelectionFontColor() const { return selectionFontColor_; }
    void SetSelectionFontColor(gfx::Color c);
    gfx::Color ShadowColor() const { return shadowColor_; }
    void SetShadowColor(gfx::Color c);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int pixels);
    bool ShowSelection() const { return showSelection_; }
    void SetShowSelection(bool on);
    // Setting it to true sorts the items once; later items are not sorted.
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    bool SortWithHTML() const { return sortWithHtml_; }
    void SetSortWithHTML(bool on) { sortWithHtml_ = on; }
    gfx::Color URLColor() const { return urlColor_; }
    void SetURLColor(gfx::Color c);
    // The background and the text colour of items that are not selected.
    gfx::Color Color() const { return color_; }
    void SetColor(gfx::Color c);
    gfx::Color FontColor() const { return fontColor_; }
    void SetFontColor(gfx::Color c);
    std::string Version() const { return "1.8.0.0"; }
    void SetVersion(const std::string&) {}

    // ---- Events ----
    std::function<void(int index, const std::string& anchor)> OnAnchorClick;
    std::function<void(int index, const std::string& anchor)> OnAnchorEnter;
    std::function<void(int index, const std::string& anchor)> OnAnchorExit;
    // May change the hint shown for an anchor.
    std::function<void(int index, std::string& anchor)> OnAnchorHint;
    // A left click on an item (not on an anchor), after the selection changed.
    std::function<void()> OnClick;
    // A double click outside the anchors.
    std::function<void()> OnDblClick;
    // A mouse button went down outside the anchors (view coordinates).
    std::function<void(Qt::MouseButton button, int x, int y)> OnMouseDown;

    // ---- Drawing, timer and tests ----
    // Paints every item meeting `area` (view coordinates) and the background.
    void PaintItems(gfx::Canvas& canvas, const gfx::Rect& area);
    // Draws one item in its row (owner draw): background or selection, the
    // item, and the focus frame.
    void DrawItem(gfx::Canvas& canvas, int index, const gfx::Rect& row, bool selected, bool focused);
    // One tick of the 100 ms blink timer: repaints pictures that moved on a
    // frame, and every 5th tick redraws the visible items with BLINK text
    // in the blink phase, which then flips.
    void BlinkTimer();
    // The canvas that measures items and finds anchors; null (the default)
    // measures with the list's own font. Tests give a canvas with fixed
    // metrics. Re-measures every item.
    void SetLayoutCanvas(gfx::Canvas* canvas);
    // The pictures that items named by a link.
    THtmlImageCache& PictureCache() { return cache_; }

protected:
    // Asks for an item to be repainted in place.
    virtual void RedrawItem(int index);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class THtmlListItems;
    struct Row {
        int height = 0;
        bool selected = false;
    };

    // Item list changes from THtmlListItems.
    void ItemInserted(int index);
    void ItemChanged(int index);
    void ItemDeleted(int index);
    void ItemsCleared();

    gfx::Canvas& LayoutCanvas();
    // The rectangle the renderer lays an item out in, for a row.
    gfx::Rect LayoutRect(const gfx::Rect& row) const;
    HtmlItemParams Params(bool selected);
    gfx::FontSpec ItemFont() const;
    // Measures one item and stores its height; widens the extent with
    // ScrollHorizontal.
    void MeasureItem(int index);
    void MeasureAll();
    // Width of the widest item (+ 6), every item measured.
    int WidestItem();
    // Shows the horizontal scroll bar over `width` (the widest item when
    // -1) when the view is narrower, with ScrollHorizontal and outside an
    // update; hides it otherwise.
    void UpdateHorizontalExtent(int width = -1);
    void UpdateScrollBars();
    void RebuildTops() const;
    void Repaint() { viewport()->update(); }
    void ScrollIntoView(int index);
    void SelectByMouse(int index);
    void MoveCurrent(int index);
    void Search(const std::string& key);
    void SortItems();
    void ClickAnchor(int index, const std::string& anchor);
    void ClearHover();
    void UpdateBlinkTimer();
    // Stores a property, then measures every item again or repaints.
    template <typename T, typename V>
    void Store(T& field, V value, bool remeasure) {
        field = value;
        if (remeasure)
            MeasureAll();
        else
            Repaint();
    }

    THtmlListItems items_;
    std::vector<Row> rows_;
    mutable std::vector<int> tops_;  // prefix sums of the heights; rebuilt when empty
    int itemIndex_ = -1;
    bool multiSelect_ = false;
    int updateCount_ = 0;
    int extent_ = 0;
    int widest_ = 0;           // the widest item + 6, with ScrollHorizontal
    bool widestValid_ = true;  // false after an item went: it may have been the widest
    int contentHeight_ = 0;    // all rows
    int measuredWidth_ = -1, measuredCap_ = -1;

    bool anchorHint_ = false, ellipsis_ = false, enableBlink_ = false, htmlHint_ = false;
    bool incrLookup_ = false, itemHint_ = false, multiline_ = false, scrollHorizontal_ = false;
    bool showSelection_ = true, sorted_ = false, sortWithHtml_ = false;
    int lineSpacing_ = 0, shadowOffset_ = 1;
    gfx::Color selectionFontColor_ = gfx::clHighlightText, shadowColor_ = gfx::clGray, urlColor_ = gfx::clBlue;
    gfx::Color color_ = gfx::clWindow, fontColor_ = gfx::clWindowText;
    TGradientStyle selectionColors_;
    const gfx::ImageList* images_ = nullptr;
    TImageContainer* container_ = nullptr;
    THtmlImageCache cache_;
    ShellIconSource shellIcons_;

    // Mouse and keys.
    std::string hoverAnchor_;
    int hoverItem_ = -1;
    bool handCursor_ = false;
    QCursor savedCursor_;
    int lastHintItem_ = -1;
    std::string searchText_;

    // Blinking.
    QTimer* blinkTimer_ = nullptr;
    bool blinkPhase_ = false;      // the phase the next 5th tick draws
    bool blinkShown_ = true;       // the phase items are painted in
    int blinkTicks_ = 0;

    // Measuring.
    gfx::Canvas* layoutCanvas_ = nullptr;
    std::unique_ptr<QImage> measureImage_;
    std::unique_ptr<QPainter> measurePainter_;
    std::unique_ptr<gfx::QtCanvas> measureCanvas_;
};
