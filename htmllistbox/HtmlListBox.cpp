#include "htmllistbox/HtmlListBox.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

#include "model/Services.h"
#include "model/TextConv.h"
#include "platform/qt/Cursors.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtGfx.h"

namespace {

constexpr int MaxItemHeight = 251;  // the renderer's height is cut here; the item adds 4
constexpr int ItemMargin = 4;
constexpr int ExtentMargin = 6;
constexpr int LayoutWidth = 4096;   // the line width with a horizontal scroll bar
constexpr int BlinkInterval = 100;  // ms
constexpr int BlinkEvery = 5;       // ticks

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The icon of a file or folder from the desktop's icon theme.
gfx::Bitmap FileIcon(const std::string& path, bool large) {
    static QFileIconProvider provider;
    const QIcon icon = provider.icon(QFileInfo(FromUtf8(path)));
    const QPixmap pixmap = icon.pixmap(large ? 32 : 16);
    return pixmap.isNull() ? gfx::Bitmap() : gfx::fromQImage(pixmap.toImage());
}

}  // namespace

// ---- Items --------------------------------------------------------------------------

void THtmlListItems::CheckIndex(int index, bool allowEnd) const {
    if (index < 0 || index > Count() || (index == Count() && !allowEnd))
        throw EHtmlListBoxError("Item index out of range");
}

const std::string& THtmlListItems::operator[](int index) const {
    CheckIndex(index);
    return texts_[static_cast<std::size_t>(index)];
}

int THtmlListItems::Add(std::string text) {
    Insert(Count(), std::move(text));
    return Count() - 1;
}

void THtmlListItems::Insert(int index, std::string text) {
    CheckIndex(index, true);
    texts_.insert(texts_.begin() + index, std::move(text));
    owner_.ItemInserted(index);
}

void THtmlListItems::Set(int index, std::string text) {
    CheckIndex(index);
    texts_[static_cast<std::size_t>(index)] = std::move(text);
    owner_.ItemChanged(index);
}

void THtmlListItems::Delete(int index) {
    CheckIndex(index);
    texts_.erase(texts_.begin() + index);
    owner_.ItemDeleted(index);
}

void THtmlListItems::Clear() {
    texts_.clear();
    owner_.ItemsCleared();
}

// ---- The list box ----------------------------------------------------------------------

THtmlListBox::THtmlListBox(QWidget* parent) : QAbstractScrollArea(parent), items_(*this) {
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    selectionColors_.OnChange = [this] { Repaint(); };
    shellIcons_ = FileIcon;
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(BlinkInterval);
    connect(blinkTimer_, &QTimer::timeout, this, [this] { BlinkTimer(); });
}

THtmlListBox::~THtmlListBox() {
    if (images_) images_->RemoveFreeNotification(this);
    if (container_) container_->RemoveFreeNotification(this);
}

gfx::Canvas& THtmlListBox::LayoutCanvas() {
    if (layoutCanvas_) return *layoutCanvas_;
    if (!measureCanvas_) {
        // A painter on a one-pixel image of the view's resolution measures
        // text as painting in the view does.
        measureImage_ = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = static_cast<int>(logicalDpiY() / 0.0254 + 0.5);
        measureImage_->setDotsPerMeterX(dotsPerMeter);
        measureImage_->setDotsPerMeterY(dotsPerMeter);
        measurePainter_ = std::make_unique<QPainter>(measureImage_.get());
        measureCanvas_ = std::make_unique<gfx::QtCanvas>(*measurePainter_);
    }
    return *measureCanvas_;
}

void THtmlListBox::SetLayoutCanvas(gfx::Canvas* canvas) {
    layoutCanvas_ = canvas;
    MeasureAll();
}

gfx::FontSpec THtmlListBox::ItemFont() const {
    const QFont& f = font();
    gfx::FontSpec spec;
    spec.family = f.family().toStdString();
    spec.size = f.pointSize() > 0 ? f.pointSize() : std::max(1, f.pixelSize() * 72 / std::max(1, logicalDpiY()));
    spec.bold = f.bold();
    spec.italic = f.italic();
    spec.underline = f.underline();
    spec.strikeOut = f.strikeOut();
    spec.color = fontColor_;
    return spec;
}

HtmlItemParams THtmlListBox::Params(bool selected) {
    HtmlItemParams p;
    p.images = images_;
    p.container = container_;
    p.cache = &cache_;
    p.shellIcons = shellIcons_;
    p.lineSpacing = lineSpacing_;
    p.shadowColor = shadowColor_;
    p.shadowOffset = shadowOffset_;
    p.anchorColor = urlColor_;
    p.wordWrap = !ellipsis_;
    p.selected = selected;
    return p;
}

gfx::Rect THtmlListBox::LayoutRect(const gfx::Rect& row) const {
    const int left = row.left + 2 - horizontalScrollBar()->value();
    const int right = scrollHorizontal_ ? left + LayoutWidth : left + std::max(0, viewport()->width() - ItemMargin);
    return {left, row.top, right, row.bottom};
}

// ---- Measuring ------------------------------------------------------------------------

void THtmlListBox::MeasureItem(int index) {
    gfx::Canvas& canvas = LayoutCanvas();
    canvas.setFont(ItemFont());
    canvas.setBrushColor(color_);
    HtmlItemParams p = Params(false);
    p.measureOnly = true;
    const HtmlItemResult r = DrawHtmlItem(canvas, items_.texts_[static_cast<std::size_t>(index)],
                                          LayoutRect({0, 0, viewport()->width(), 1 << 20}), p);
    const int view = viewport()->height();
    const int cap = view > 0 ? std::min(view, MaxItemHeight) : MaxItemHeight;
    int& height = rows_[static_cast<std::size_t>(index)].height;
    contentHeight_ -= height;
    height = std::min(r.height, cap) + ItemMargin;
    contentHeight_ += height;
    tops_.clear();
    if (scrollHorizontal_ && r.width + ExtentMargin > widest_) {
        widest_ = r.width + ExtentMargin;
        if (updateCount_ == 0) UpdateHorizontalExtent(widest_);
    }
}

void THtmlListBox::MeasureAll() {
    measuredWidth_ = viewport()->width();
    measuredCap_ = std::min(viewport()->height(), MaxItemHeight);
    widest_ = 0;
    widestValid_ = true;
    const int saved = updateCount_;
    updateCount_ = 1;  // one extent update at the end
    for (int i = 0; i < items_.Count(); ++i) MeasureItem(i);
    updateCount_ = saved;
    UpdateScrollBars();
    UpdateHorizontalExtent();
    Repaint();
}

int THtmlListBox::WidestItem() {
    gfx::Canvas& canvas = LayoutCanvas();
    int widest = 0;
    for (int i = 0; i < items_.Count(); ++i) {
        canvas.setFont(ItemFont());
        HtmlItemParams p = Params(false);
        p.measureOnly = true;
        const HtmlItemResult r = DrawHtmlItem(canvas, items_.texts_[static_cast<std::size_t>(i)],
                                              LayoutRect({0, 0, viewport()->width(), 1 << 20}), p);
        widest = std::max(widest, r.width + ExtentMargin);
    }
    return widest;
}

void THtmlListBox::UpdateHorizontalExtent(int width) {
    QScrollBar* bar = horizontalScrollBar();
    if (updateCount_ == 0 && items_.Count() > 0 && scrollHorizontal_) {
        if (width < 0 && !widestValid_) {
            widest_ = WidestItem();
            widestValid_ = true;
        }
        if (width < 0) width = widest_;
        if (viewport()->width() >= width) {
            extent_ = 0;
        } else {
            extent_ = width;
        }
    } else {
        extent_ = 0;
    }
    if (extent_ == 0) {
        bar->setValue(0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        bar->setRange(0, 0);
    } else {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        bar->setRange(0, std::max(0, extent_ - viewport()->width()));
        bar->setPageStep(viewport()->width());
        bar->setSingleStep(16);
    }
}

void THtmlListBox::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0) {
        UpdateScrollBars();
        UpdateHorizontalExtent();
        Repaint();
    }
}

void THtmlListBox::RebuildTops() const {
    if (tops_.size() == rows_.size()) return;
    tops_.resize(rows_.size());
    int y = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        tops_[i] = y;
        y += rows_[i].height;
    }
}

void THtmlListBox::UpdateScrollBars() {
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, contentHeight_ - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(rows_.empty() ? 16 : std::max(1, rows_.front().height));
}

int THtmlListBox::ItemHeight(int index) const {
    return index >= 0 && index < items_.Count() ? rows_[static_cast<std::size_t>(index)].height : 0;
}

gfx::Rect THtmlListBox::ItemRect(int index) const {
    if (index < 0 || index >= items_.Count()) return {};
    RebuildTops();
    const int top = tops_[static_cast<std::size_t>(index)] - verticalScrollBar()->value();
    return {0, top, viewport()->width(), top + rows_[static_cast<std::size_t>(index)].height};
}

int THtmlListBox::ItemAtPos(int x, int y) const {
    if (x < 0 || x >= viewport()->width() || rows_.empty()) return -1;
    RebuildTops();
    const int content = y + verticalScrollBar()->value();
    const auto it = std::upper_bound(tops_.begin(), tops_.end(), content);
    if (it == tops_.begin()) return -1;
    const int index = static_cast<int>(it - tops_.begin()) - 1;
    return content < tops_[static_cast<std::size_t>(index)] + rows_[static_cast<std::size_t>(index)].height ? index : -1;
}

// ---- Item changes ---------------------------------------------------------------------

void THtmlListBox::ItemInserted(int index) {
    rows_.insert(rows_.begin() + index, Row{});
    if (itemIndex_ >= index) ++itemIndex_;
    tops_.clear();
    MeasureItem(index);
    if (updateCount_ == 0) UpdateScrollBars();
    Repaint();
}

void THtmlListBox::ItemChanged(int index) {
    widestValid_ = false;
    MeasureItem(index);
    if (updateCount_ == 0) UpdateScrollBars();
    Repaint();
}

void THtmlListBox::ItemDeleted(int index) {
    contentHeight_ -= rows_[static_cast<std::size_t>(index)].height;
    widestValid_ = false;
    rows_.erase(rows_.begin() + index);
    if (itemIndex_ == index)
        itemIndex_ = -1;
    else if (itemIndex_ > index)
        --itemIndex_;
    tops_.clear();
    UpdateScrollBars();
    if (updateCount_ == 0 && scrollHorizontal_) UpdateHorizontalExtent();
    Repaint();
}

void THtmlListBox::ItemsCleared() {
    rows_.clear();
    tops_.clear();
    itemIndex_ = -1;
    widest_ = 0;
    widestValid_ = true;
    contentHeight_ = 0;
    hoverAnchor_.clear();
    hoverItem_ = -1;
    UpdateScrollBars();
    if (updateCount_ == 0 && scrollHorizontal_) UpdateHorizontalExtent();
    Repaint();
}

// ---- Selection ------------------------------------------------------------------------

void THtmlListBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    itemIndex_ = index;
    if (!multiSelect_)
        for (Row& r : rows_) r.selected = false;
    if (index >= 0) {
        rows_[static_cast<std::size_t>(index)].selected = true;
        ScrollIntoView(index);
    }
    Repaint();
}

bool THtmlListBox::Selected(int index) const {
    if (index < 0 || index >= items_.Count()) return false;
    return multiSelect_ ? rows_[static_cast<std::size_t>(index)].selected : index == itemIndex_;
}

void THtmlListBox::SetSelected(int index, bool on) {
    if (index < 0 || index >= items_.Count()) return;
    if (multiSelect_) {
        rows_[static_cast<std::size_t>(index)].selected = on;
        Repaint();
    } else if (on) {
        SetItemIndex(index);
    } else if (index == itemIndex_) {
        SetItemIndex(-1);
    }
}

void THtmlListBox::SetMultiSelect(bool on) {
    multiSelect_ = on;
    for (std::size_t i = 0; i < rows_.size(); ++i) rows_[i].selected = static_cast<int>(i) == itemIndex_;
    Repaint();
}

void THtmlListBox::ScrollIntoView(int index) {
    RebuildTops();
    QScrollBar* bar = verticalScrollBar();
    const int top = tops_[static_cast<std::size_t>(index)];
    const int bottom = top + rows_[static_cast<std::size_t>(index)].height;
    if (top < bar->value())
        bar->setValue(top);
    else if (bottom > bar->value() + viewport()->height())
        bar->setValue(bottom - viewport()->height());
}

void THtmlListBox::SelectByMouse(int index) {
    if (index < 0) return;
    if (multiSelect_) {
        itemIndex_ = index;
        rows_[static_cast<std::size_t>(index)].selected = !rows_[static_cast<std::size_t>(index)].selected;
        Repaint();
    } else {
        SetItemIndex(index);
    }
}

void THtmlListBox::MoveCurrent(int index) {
    if (index < 0 || index >= items_.Count()) return;
    if (multiSelect_) {
        itemIndex_ = index;
        ScrollIntoView(index);
        Repaint();
    } else {
        SetItemIndex(index);
    }
}

// ---- Drawing --------------------------------------------------------------------------

void THtmlListBox::DrawItem(gfx::Canvas& canvas, int index, const gfx::Rect& row, bool selected, bool focused) {
    const bool showAsSelected = selected && showSelection_;
    gfx::FontSpec font = ItemFont();
    HtmlItemParams p = Params(showAsSelected);
    if (!showAsSelected) {
        canvas.setBrushColor(color_);
        canvas.fillRect(row, color_);
    } else {
        const gfx::Color from = selectionColors_.ColorFrom();
        canvas.setBrushColor(from);
        font.color = selectionFontColor_;
        p.anchorColor = selectionFontColor_;
        if (gfx::isNone(selectionColors_.ColorTo()))
            canvas.fillRect(row, from);
        else
            DrawGradient(canvas, from, selectionColors_.ColorTo(), selectionColors_.Direction(), row, 64,
                         selectionColors_.BorderColor());
    }
    canvas.setFont(font);
    p.blinkVisible = blinkShown_;
    DrawHtmlItem(canvas, items_.texts_[static_cast<std::size_t>(index)], LayoutRect(row), p);
    if (focused && showSelection_) canvas.frameRect(row, gfx::clGray);
}

void THtmlListBox::PaintItems(gfx::Canvas& canvas, const gfx::Rect& area) {
    canvas.fillRect(area, color_);
    if (rows_.empty()) return;
    int first = ItemAtPos(0, std::max(0, area.top));
    if (first < 0) first = area.top < 0 ? 0 : items_.Count();
    for (int i = first; i < items_.Count(); ++i) {
        const gfx::Rect row = ItemRect(i);
        if (row.top >= area.bottom) break;
        canvas.pushClip(row);
        DrawItem(canvas, i, row, Selected(i), hasFocus() && i == itemIndex_);
        canvas.popClip();
    }
}

void THtmlListBox::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    gfx::QtCanvas canvas(painter);
    const QRect r = event->rect();
    PaintItems(canvas, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
}

void THtmlListBox::RedrawItem(int index) {
    const gfx::Rect r = ItemRect(index);
    viewport()->update(QRect(r.left, r.top, r.width(), r.height()));
}

void THtmlListBox::scrollContentsBy(int, int) { viewport()->update(); }

void THtmlListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (viewport()->width() != measuredWidth_ || std::min(viewport()->height(), MaxItemHeight) != measuredCap_)
        MeasureAll();  // lines wrap at the new width
    else {
        UpdateScrollBars();
        UpdateHorizontalExtent();
    }
}

void THtmlListBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureCanvas_.reset();
        MeasureAll();
    }
}

// ---- Anchors and the mouse ---------------------------------------------------------------

std::string THtmlListBox::AnchorAt(int x, int y, int& index) {
    index = ItemAtPos(x, y);
    if (index < 0) return {};
    gfx::Canvas& canvas = LayoutCanvas();
    canvas.setFont(ItemFont());
    canvas.setBrushColor(color_);
    HtmlItemParams p = Params(Selected(index) && showSelection_);
    p.noDraw = true;
    p.mouse = {x, y};
    const HtmlItemResult r =
        DrawHtmlItem(canvas, items_.texts_[static_cast<std::size_t>(index)], LayoutRect(ItemRect(index)), p);
    return r.anchorHit ? r.anchor : std::string();
}

std::string THtmlListBox::ItemPlainText(int index) const { return StripHtmlTags(items_[index]); }

void THtmlListBox::ClickAnchor(int index, const std::string& anchor) {
    if (anchor.find("://") != std::string::npos || anchor.find("mailto:") != std::string::npos)
        Svc().shell->Open(anchor);
    else if (OnAnchorClick)
        OnAnchorClick(index, anchor);
}

void THtmlListBox::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        int index = -1;
        const std::string anchor = AnchorAt(pos.x(), pos.y(), index);
        if (!anchor.empty()) {
            ClickAnchor(index, anchor);
            return;
        }
        const int item = ItemAtPos(pos.x(), pos.y());
        SelectByMouse(item);
        if (item >= 0 && OnClick) OnClick();
    }
    if (OnMouseDown) OnMouseDown(event->button(), pos.x(), pos.y());
}

void THtmlListBox::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void THtmlListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        // The second click of a double click on an anchor is a click on it.
        int index = -1;
        const std::string anchor = AnchorAt(pos.x(), pos.y(), index);
        if (!anchor.empty()) {
            ClickAnchor(index, anchor);
            return;
        }
        SelectByMouse(ItemAtPos(pos.x(), pos.y()));
        if (OnDblClick) OnDblClick();
    }
}

void THtmlListBox::ClearHover() {
    if (!handCursor_) return;
    QToolTip::hideText();
    viewport()->setCursor(savedCursor_);
    handCursor_ = false;
    const std::string anchor = std::move(hoverAnchor_);
    const int item = hoverItem_;
    hoverAnchor_.clear();
    hoverItem_ = -1;
    if (OnAnchorExit) OnAnchorExit(item, anchor);
}

void THtmlListBox::mouseMoveEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    const int item = ItemAtPos(pos.x(), pos.y());
    if (itemHint_ && item != lastHintItem_) {
        QToolTip::hideText();
        lastHintItem_ = item;
    }
    int index = -1;
    const std::string anchor = AnchorAt(pos.x(), pos.y(), index);
    if (anchor.empty()) {
        ClearHover();
        return;
    }
    if (handCursor_ && anchor == hoverAnchor_ && index == hoverItem_) return;
    QToolTip::hideText();
    if (handCursor_) {
        if (OnAnchorExit) OnAnchorExit(hoverItem_, hoverAnchor_);
    } else {
        savedCursor_ = viewport()->cursor();
        viewport()->setCursor(gfx::cursor(gfx::CursorId::Hand));
        handCursor_ = true;
    }
    hoverAnchor_ = anchor;
    hoverItem_ = index;
    if (OnAnchorEnter) OnAnchorEnter(index, anchor);
}

void THtmlListBox::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    ClearHover();
    lastHintItem_ = -1;
}

bool THtmlListBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        ClearHover();
        lastHintItem_ = -1;
    }
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QPoint pos = help->pos();
    if (anchorHint_) {
        int index = -1;
        std::string anchor = AnchorAt(pos.x(), pos.y(), index);
        if (!anchor.empty()) {
            if (OnAnchorHint) OnAnchorHint(index, anchor);
            QToolTip::showText(help->globalPos() + QPoint(10, -10), FromUtf8(anchor), viewport());
            return true;
        }
    }
    const int item = ItemAtPos(pos.x(), pos.y());
    if (itemHint_ && item >= 0) {
        const gfx::Rect r = ItemRect(item);
        const std::string text = htmlHint_ ? items_[item] : ItemPlainText(item);
        QToolTip::showText(viewport()->mapToGlobal(QPoint(r.left, r.top)), FromUtf8(text), viewport());
        return true;
    }
    QToolTip::hideText();
    return true;
}

// ---- Keys and incremental search -----------------------------------------------------------

void THtmlListBox::keyPressEvent(QKeyEvent* event) {
    const int count = items_.Count();
    // Items that fill a page below (or above) the current one.
    auto pageFrom = [&](int from, int direction) {
        int i = std::max(from, 0), used = 0;
        while (i + direction >= 0 && i + direction < count &&
               used + rows_[static_cast<std::size_t>(i + direction)].height <= viewport()->height()) {
            i += direction;
            used += rows_[static_cast<std::size_t>(i)].height;
        }
        return i;
    };
    switch (event->key()) {
    case Qt::Key_Escape:
        searchText_.clear();
        event->ignore();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right: searchText_.clear(); return;
    case Qt::Key_Up: searchText_.clear(); MoveCurrent(std::max(0, itemIndex_ - 1)); return;
    case Qt::Key_Down: searchText_.clear(); MoveCurrent(std::min(count - 1, itemIndex_ + 1)); return;
    case Qt::Key_Home: searchText_.clear(); MoveCurrent(0); return;
    case Qt::Key_End: searchText_.clear(); MoveCurrent(count - 1); return;
    case Qt::Key_PageUp: searchText_.clear(); MoveCurrent(pageFrom(itemIndex_, -1)); return;
    case Qt::Key_PageDown: searchText_.clear(); MoveCurrent(pageFrom(itemIndex_, 1)); return;
    case Qt::Key_Backspace: {
        // Drops the last character (all its bytes).
        while (!searchText_.empty() && (static_cast<unsigned char>(searchText_.back()) & 0xC0) == 0x80)
            searchText_.pop_back();
        if (!searchText_.empty()) searchText_.pop_back();
        return;
    }
    default: break;
    }
    const QString text = event->text();
    if (text.isEmpty() || text[0].unicode() < 32 || text[0].unicode() > 255) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const std::string key = QString(text[0]).toStdString();
    if (incrLookup_)
        searchText_ += key;
    else
        searchText_ = key;
    Search(key);
}

void THtmlListBox::Search(const std::string& key) {
    const int count = items_.Count();
    auto find = [&](int from) {
        const QString wanted = FromUtf8(searchText_);
        for (int i = from; i < count; ++i)
            if (FromUtf8(StripHtmlTags(items_.texts_[static_cast<std::size_t>(i)]))
                    .startsWith(wanted, Qt::CaseInsensitive))
                return i;
        return -1;
    };
    int found = find(std::max(itemIndex_, 0));
    if (found < 0) found = find(0);
    if (found < 0 && incrLookup_) {
        searchText_ = key;
        found = find(0);
    }
    if (found >= 0) MoveCurrent(found);
}

void THtmlListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    searchText_.clear();
    Repaint();
}

void THtmlListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    Repaint();
}

// ---- Sorting ---------------------------------------------------------------------------

namespace {

using SortEntry = std::pair<QString, std::size_t>;

// Quicksort on the locale's comparison, the middle element as pivot; equal
// keys are not swapped. The smaller part is sorted first so the recursion
// stays shallow.
void QuickSort(std::vector<SortEntry>& a, int lo, int hi) {
    while (lo < hi) {
        int i = lo, j = hi;
        const QString pivot = a[static_cast<std::size_t>((lo + hi) / 2)].first;
        do {
            while (QString::localeAwareCompare(a[static_cast<std::size_t>(i)].first, pivot) < 0) ++i;
            while (QString::localeAwareCompare(a[static_cast<std::size_t>(j)].first, pivot) > 0) --j;
            if (i <= j) {
                if (i != j && QString::localeAwareCompare(a[static_cast<std::size_t>(i)].first,
                                                          a[static_cast<std::size_t>(j)].first) != 0)
                    std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            QuickSort(a, lo, j);
            lo = i;
        } else {
            QuickSort(a, i, hi);
            hi = j;
        }
    }
}

}  // namespace

void THtmlListBox::SortItems() {
    std::vector<SortEntry> keys;
    keys.reserve(items_.texts_.size());
    for (std::size_t i = 0; i < items_.texts_.size(); ++i) {
        const std::string& t = items_.texts_[i];
        keys.emplace_back(FromUtf8(sortWithHtml_ ? t : StripHtmlTags(t)), i);
    }
    QuickSort(keys, 0, static_cast<int>(keys.size()) - 1);
    std::vector<std::string> texts;
    std::vector<Row> rows;
    for (const SortEntry& k : keys) {
        texts.push_back(std::move(items_.texts_[k.second]));
        rows.push_back({rows_[k.second].height, false});
    }
    items_.texts_ = std::move(texts);
    rows_ = std::move(rows);
    tops_.clear();
    itemIndex_ = -1;
    Repaint();
}

void THtmlListBox::SetSorted(bool on) {
    if (on && !sorted_) SortItems();
    sorted_ = on;
}

// ---- Blinking --------------------------------------------------------------------------

void THtmlListBox::UpdateBlinkTimer() {
    if (enableBlink_) {
        if (!blinkTimer_->isActive()) blinkTimer_->start();
    } else {
        blinkTimer_->stop();
        blinkPhase_ = false;
        blinkShown_ = true;
        blinkTicks_ = 0;
        Repaint();
    }
}

void THtmlListBox::BlinkTimer() {
    if (items_.Count() == 0 || !enableBlink_) return;
    bool moved = cache_.StepAnimations();
    if (container_) moved = container_->StepAnimations() || moved;
    if (moved) Repaint();
    if (++blinkTicks_ % BlinkEvery != 0) return;
    blinkShown_ = blinkPhase_;
    int first = ItemAtPos(0, 0);
    int last = ItemAtPos(0, viewport()->height() - 1);
    if (first < 0) first = 0;
    if (last < 0) last = items_.Count() - 1;
    for (int i = first; i <= last; ++i)
        if (UpperCase(items_.texts_[static_cast<std::size_t>(i)]).find("<BLINK") != std::string::npos) RedrawItem(i);
    blinkPhase_ = !blinkPhase_;
}

// ---- Properties -----------------------------------------------------------------------------
// Colours and the selection only repaint; everything that changes how lines
// wrap or how high images are measures the items again (also Ellipsis, since
// wrapped lines change the heights).

void THtmlListBox::SetEnableBlink(bool on) {
    enableBlink_ = on;
    UpdateBlinkTimer();
}

void THtmlListBox::SetSelectionFontColor(gfx::Color c) { Store(selectionFontColor_, c, false); }
void THtmlListBox::SetShadowColor(gfx::Color c) { Store(shadowColor_, c, false); }
void THtmlListBox::SetShadowOffset(int pixels) { Store(shadowOffset_, pixels, false); }
void THtmlListBox::SetShowSelection(bool on) { Store(showSelection_, on, false); }
void THtmlListBox::SetURLColor(gfx::Color c) { Store(urlColor_, c, false); }
void THtmlListBox::SetColor(gfx::Color c) { Store(color_, c, false); }
void THtmlListBox::SetFontColor(gfx::Color c) { Store(fontColor_, c, false); }

void THtmlListBox::SetEllipsis(bool on) { Store(ellipsis_, on, true); }
void THtmlListBox::SetImages(const gfx::ImageList* images) {
    if (images_) images_->RemoveFreeNotification(this);
    if (images) images->AddFreeNotification(this, [this] { Store(images_, nullptr, true); });
    Store(images_, images, true);
}
void THtmlListBox::SetLineSpacing(int pixels) { Store(lineSpacing_, pixels, true); }
void THtmlListBox::SetMultiline(bool on) { Store(multiline_, on, true); }
void THtmlListBox::SetImageContainer(TImageContainer* container) {
    if (container_) container_->RemoveFreeNotification(this);
    if (container) container->AddFreeNotification(this, [this] { Store(container_, nullptr, true); });
    Store(container_, container, true);
}
void THtmlListBox::SetScrollHorizontal(bool on) { Store(scrollHorizontal_, on, true); }
